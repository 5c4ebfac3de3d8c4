#include "platform/rtl/Registry.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <charconv>

namespace {

constexpr const char* IntegerPrefix = "dword:";

// A value of the file: a string or an integer.
struct TRegData {
    bool IsInteger = false;
    std::string Text;
    int Number = 0;
};

// Reads a value as it stands in the file. A line edited by hand that is neither quoted nor
// "dword:" and one to eight hexadecimal digits is a string as it stands.
TRegData Decode(const std::string& data) {
    TRegData value;
    const std::size_t prefix = std::char_traits<char>::length(IntegerPrefix);
    if (data.size() > prefix && data.size() <= prefix + 8 &&
        SameText(data.substr(0, prefix), IntegerPrefix)) {
        std::uint32_t number = 0;
        const char* end = data.data() + data.size();
        const auto [stop, error] = std::from_chars(data.data() + prefix, end, number, 16);
        if (error == std::errc() && stop == end) {
            value.IsInteger = true;
            value.Number = static_cast<int>(number);
            return value;
        }
    }
    const bool quoted = data.size() >= 2 && data.front() == '"' && data.back() == '"';
    value.Text = quoted ? data.substr(1, data.size() - 2) : data;
    return value;
}

std::string EncodeString(const std::string& text) {
    return "\"" + text + "\"";
}

std::string EncodeInteger(int number) {
    return IntegerPrefix + IntToHex(number, 8);
}

// The line name of a value; the unnamed value is "@".
std::string ValueKey(const std::string& name) {
    return name.empty() ? "@" : name;
}

std::string RootName(HKEY root) {
    switch (root) {
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    default: return "HKEY_" + IntToHex(static_cast<Int64>(root), 8);
    }
}

// True when section is the key's own section or one of its subkeys'.
bool WithinKey(const std::string& section, const std::string& key) {
    if (section.size() < key.size() || !AnsiSameText(section.substr(0, key.size()), key))
        return false;
    return section.size() == key.size() || section[key.size()] == '\\';
}

TIniFile OpenStore() {
    try {
        return TIniFile(RegistryFileName);
    } catch (const EIniFileException& e) {
        throw ERegistryException(e.Message());
    }
}

} // namespace

TRegistry::TRegistry() : store_(OpenStore()) {}

void TRegistry::SetRootKey(HKEY Value) {
    CloseKey();
    rootKey_ = Value;
}

std::string TRegistry::Resolve(const std::string& Key) const {
    std::string path = (!Key.empty() && Key[0] == '\\') ? std::string() : currentPath_;
    std::size_t start = 0;
    while (start <= Key.size()) {
        std::size_t end = Key.find('\\', start);
        if (end == std::string::npos) end = Key.size();
        const std::string part = Trim(Key.substr(start, end - start));
        if (!part.empty()) path += (path.empty() ? "" : "\\") + part;
        start = end + 1;
    }
    return path;
}

std::string TRegistry::Section(const std::string& path) const {
    return RootName(rootKey_) + (path.empty() ? "" : "\\" + path);
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    const std::string path = Resolve(Key);
    if (!KeyExists("\\" + path)) {
        if (!CanCreate) return false;
        try {
            store_.CreateSection(Section(path));
        } catch (const EIniFileException&) {
            return false;
        }
    }
    currentPath_ = path;
    return true;
}

void TRegistry::CloseKey() {
    currentPath_.clear();
}

bool TRegistry::KeyExists(const std::string& Key) const {
    const std::string path = Resolve(Key);
    if (path.empty()) return true;
    const std::string key = Section(path);
    TStringList sections;
    store_.ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i)
        if (WithinKey(sections[i], key)) return true;
    return false;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    const std::string path = Resolve(Key);
    if (path.empty()) return false;
    const std::string key = Section(path);
    TStringList sections;
    store_.ReadSections(&sections);
    bool found = false;
    for (int i = 0; i < sections.Count(); ++i) {
        if (!WithinKey(sections[i], key)) continue;
        store_.EraseSection(sections[i]);
        found = true;
    }
    return found;
}

bool TRegistry::ReadData(const std::string& path, const std::string& name,
                         std::string& data) const {
    TStringList values;
    try {
        store_.ReadSectionValues(Section(path), &values);
    } catch (const EIniFileException&) {
        throw ERegistryException("Failed to get data for '%s'", {name});
    }
    const int index = values.IndexOfName(ValueKey(name));
    if (index < 0) return false;
    const std::string line = values[index];
    data = line.substr(line.find('=') + 1);
    return true;
}

void TRegistry::WriteData(const std::string& path, const std::string& name,
                          const std::string& data) {
    try {
        store_.WriteString(Section(path), ValueKey(name), data);
    } catch (const EIniFileException&) {
        throw ERegistryException("Failed to set data for '%s'", {name});
    }
}

bool TRegistry::ValueExists(const std::string& Name) const {
    std::string data;
    return ReadData(currentPath_, Name, data);
}

bool TRegistry::DeleteValue(const std::string& Name) {
    if (!ValueExists(Name)) return false;
    store_.DeleteKey(Section(currentPath_), ValueKey(Name));
    return true;
}

void TRegistry::GetValueNames(TStrings* Strings) const {
    store_.ReadSection(Section(currentPath_), Strings);
    for (int i = 0; i < Strings->Count(); ++i)
        if (Strings->Strings(i) == "@") Strings->SetStrings(i, "");
}

std::string TRegistry::ReadString(const std::string& Name) const {
    std::string data;
    if (!ReadData(currentPath_, Name, data)) return {};
    const TRegData value = Decode(data);
    if (value.IsInteger) throw ERegistryException("Invalid data type for '%s'", {Name});
    return value.Text;
}

int TRegistry::ReadInteger(const std::string& Name) const {
    std::string data;
    if (!ReadData(currentPath_, Name, data))
        throw ERegistryException("Failed to get data for '%s'", {Name});
    const TRegData value = Decode(data);
    if (!value.IsInteger) throw ERegistryException("Invalid data type for '%s'", {Name});
    return value.Number;
}

bool TRegistry::ReadBool(const std::string& Name) const {
    return ReadInteger(Name) != 0;
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    WriteData(currentPath_, Name, EncodeString(Value));
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
    WriteData(currentPath_, Name, EncodeInteger(Value));
}

void TRegistry::WriteBool(const std::string& Name, bool Value) {
    WriteInteger(Name, Value);
}

TRegIniFile::TRegIniFile(const std::string& FileName)
    : fileName_(FileName), filePath_(Resolve("\\" + FileName)) {
    OpenKey("\\" + filePath_, true);
}

std::string TRegIniFile::SectionPath(const std::string& Section) const {
    return Resolve("\\" + filePath_ + "\\" + Section);
}

std::optional<std::string> TRegIniFile::Entry(const std::string& Section,
                                              const std::string& Ident) const {
    std::string data;
    try {
        if (ReadData(SectionPath(Section), Ident, data)) return data;
    } catch (const ERegistryException&) {
    }
    return std::nullopt;
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) const {
    const auto data = Entry(Section, Ident);
    if (!data) return Default;
    const TRegData value = Decode(*data);
    return value.IsInteger ? IntToStr(value.Number) : value.Text;
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                             int Default) const {
    const auto data = Entry(Section, Ident);
    if (!data) return Default;
    const TRegData value = Decode(*data);
    return value.IsInteger ? value.Number : StrToIntDef(value.Text, Default);
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident,
                           bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
    WriteData(SectionPath(Section), Ident, EncodeString(Value));
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}
