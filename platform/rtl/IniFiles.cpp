#include "platform/rtl/IniFiles.h"

#include "platform/rtl/FileReplacement.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/PartFiles.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::optional<std::size_t> writeFailureAfter;

struct TIniLine {
    enum TKind { lkOther, lkSection, lkValue };
    TKind Kind = lkOther;
    std::string Text;  // the line as it stands in the file
    std::string Name;  // of the section or the key
    std::string Value; // without the blanks around it
};

TIniLine ParseLine(std::string text) {
    TIniLine line;
    const std::string trimmed = Trim(text);
    line.Text = std::move(text);
    if (trimmed.empty() || trimmed[0] == ';') return line;
    if (trimmed[0] == '[') {
        const std::size_t close = trimmed.rfind(']');
        line.Kind = TIniLine::lkSection;
        line.Name =
            Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return line;
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos) return line;
    line.Kind = TIniLine::lkValue;
    line.Name = Trim(trimmed.substr(0, equals));
    line.Value = Trim(trimmed.substr(equals + 1));
    return line;
}

[[noreturn]] void RaiseWriteError(const std::string& fileName, const std::string& reason) {
    throw EIniFileException("Unable to write to %s: %s", {fileName, reason});
}

// Writes all of text to fd, honouring the test hook; false with errno set on failure.
bool WriteAll(int fd, const std::string& text) {
    std::size_t size = text.size();
    if (writeFailureAfter && *writeFailureAfter < size) size = *writeFailureAfter;
    if (const int error = WriteFully(fd, text.data(), size); error != 0) {
        errno = error;
        return false;
    }
    if (size < text.size()) {
        errno = EIO;
        return false;
    }
    return true;
}

void SyncFolder(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A part of the file target (PartFiles.h) for its new contents: beside it, or, where the folder
// is closed to the user but the file is there to be written in place, in the temporary folder.
// Its descriptor, with part set and beside telling where; raises when none can be made.
int CreateIniPart(const std::string& fileName, const fs::path& target, bool exists,
                  std::string& part, bool& beside) {
    const std::string name = target.filename().string();
    int fd = CreatePartOf(name, target.parent_path().string(), 0666, part);
    beside = fd >= 0;
    if (!beside && exists && (errno == EACCES || errno == EPERM))
        fd = CreatePartOf(name, TempFolder(), 0666, part);
    if (fd < 0) RaiseWriteError(fileName, std::strerror(errno));
    return fd;
}

// Copies the complete part open at fd into target, which keeps its owner, group, access list,
// mode and names: 0, or the error number.
int CopyIntoFile(int fd, const fs::path& target) {
    const int into = open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (into < 0) return errno;
    const int error = CopyInPlace(fd, into);
    close(into);
    return error;
}

// Writes text to a part beside target (made with the rights the umask gives) and renames it
// over target once it is on the disk. A file that is there is replaced so only when the part
// could take its identity (FileReplacement.h); else the part is copied into it in place.
void ReplaceFile(const std::string& fileName, const std::string& text) {
    std::error_code error;
    fs::path target = fileName;
    // Through a symbolic link the file it points to is replaced, not the link.
    if (fs::is_symlink(target, error)) {
        const fs::path resolved = fs::canonical(target, error);
        if (!error) target = resolved;
    }
    if (!target.has_parent_path()) target = fs::path(".") / target;
    const fs::path folder = target.parent_path();
    fs::create_directories(folder, error);
    if (error) RaiseWriteError(fileName, "cannot create the folder: " + error.message());
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    std::string part;
    bool beside = false;
    const int fd = CreateIniPart(fileName, target, exists, part, beside);
    const bool written = WriteAll(fd, text) && fsync(fd) == 0;
    int failure = written ? 0 : errno;
    const bool renamed = written && beside && (!exists || TakeOverIdentity(fd, target.string()));
    if (renamed && rename(part.c_str(), target.c_str()) != 0) failure = errno;
    if (written && !renamed) failure = CopyIntoFile(fd, target);
    // The part goes while its lock is held (a renamed part has gone already).
    if (!renamed || failure != 0) unlink(part.c_str());
    close(fd);
    if (failure != 0)
        RaiseWriteError(fileName, writeFailureAfter && !written ? "simulated failure"
                                                                : std::strerror(failure));
    SyncFolder(folder);
}

// Reads the file into text; false when it does not exist. Raises when it exists but cannot
// be read.
bool ReadFile(const std::string& fileName, std::string& text) {
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        throw EIniFileException("Unable to read %s: %s", {fileName, std::strerror(errno)});
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int failure = errno;
            close(fd);
            throw EIniFileException("Unable to read %s: %s", {fileName, std::strerror(failure)});
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return true;
}

// The lines of one INI file with lookups by section and key.
class TIniDocument {
public:
    TIniDocument(const std::string& fileName, TIniEncoding encoding)
        : fileName_(fileName), utf8_(encoding == ieUtf8) {
        std::string text;
        if (!ReadFile(fileName, text)) return;
        if (utf8_ && !IsUtf8(text)) text = Win1252ToUtf8(text);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::size_t stop = end;
            if (stop > start && text[stop - 1] == '\r') --stop;
            TIniLine line = ParseLine(text.substr(start, stop - start));
            if (utf8_) {
                line.Name = Utf8ToWin1252(line.Name);
                line.Value = Utf8ToWin1252(line.Value);
            }
            lines_.push_back(std::move(line));
            start = end + 1;
        }
    }

    void Save() const {
        std::string text;
        for (const TIniLine& line : lines_)
            text += line.Text + "\n";
        ReplaceFile(fileName_, text);
    }

    const std::vector<TIniLine>& Lines() const { return lines_; }

    // The index of the header of the first section named so; -1 when none.
    int FindSection(const std::string& section) const {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].Kind == TIniLine::lkSection && AnsiSameText(lines_[i].Name, section))
                return static_cast<int>(i);
        return -1;
    }

    // The index after the last line of the section whose header is at `header`.
    int SectionEnd(int header) const {
        std::size_t i = static_cast<std::size_t>(header) + 1;
        while (i < lines_.size() && lines_[i].Kind != TIniLine::lkSection)
            ++i;
        return static_cast<int>(i);
    }

    // The index of the key in the first section named so; -1 when none.
    int FindKey(const std::string& section, const std::string& key) const {
        const int header = FindSection(section);
        if (header < 0) return -1;
        for (int i = header + 1, end = SectionEnd(header); i < end; ++i)
            if (lines_[i].Kind == TIniLine::lkValue && AnsiSameText(lines_[i].Name, key)) return i;
        return -1;
    }

    // The header of the section, appended (after a blank line) when missing.
    int AddSection(const std::string& section) {
        const int header = FindSection(section);
        if (header >= 0) return header;
        if (!lines_.empty() && !Trim(lines_.back().Text).empty()) lines_.push_back({});
        lines_.push_back(SectionLine(section));
        return static_cast<int>(lines_.size()) - 1;
    }

    void SetValue(const std::string& section, const std::string& key, const std::string& value) {
        if (const int found = FindKey(section, key); found >= 0) {
            lines_[found] = ValueLine(lines_[found].Name, value);
            return;
        }
        const int header = AddSection(section);
        int at = header + 1;
        for (int i = header + 1, end = SectionEnd(header); i < end; ++i)
            if (lines_[i].Kind == TIniLine::lkValue) at = i + 1;
        lines_.insert(lines_.begin() + at, ValueLine(key, value));
    }

    // Removes the lines from..to (exclusive).
    void Erase(int from, int to) { lines_.erase(lines_.begin() + from, lines_.begin() + to); }

    // Removes the section whose header is at `header` with its lines; the last section of the
    // file also takes the blank lines that separated it from the one before.
    void EraseSection(int header) {
        const int end = SectionEnd(header);
        int from = header;
        if (end == static_cast<int>(lines_.size()))
            while (from > 0 && lines_[from - 1].Kind == TIniLine::lkOther &&
                   Trim(lines_[from - 1].Text).empty())
                --from;
        Erase(from, end);
    }

private:
    TIniLine ValueLine(const std::string& name, const std::string& value) const {
        return {TIniLine::lkValue, FileText(name + "=" + value), name, value};
    }
    TIniLine SectionLine(const std::string& name) const {
        return {TIniLine::lkSection, FileText("[" + name + "]"), name, {}};
    }
    // A line of the program's text as the file holds it.
    std::string FileText(const std::string& text) const {
        return utf8_ ? Win1252ToUtf8(text) : text;
    }

    std::string fileName_;
    bool utf8_;
    std::vector<TIniLine> lines_;
};

// Holds an exclusive lock on the folder of an INI file while one program reads, changes and
// replaces the file, so that programs writing it at once never lose each other's changes. The
// folder is locked, not the file, because each write replaces the file by another.
class TIniWriteLock {
public:
    explicit TIniWriteLock(const std::string& fileName) {
        const fs::path folder = fs::path(fileName).parent_path();
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // A folder that does not exist yet is made by the write, which then needs no lock.
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~TIniWriteLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    TIniWriteLock(const TIniWriteLock&) = delete;
    TIniWriteLock& operator=(const TIniWriteLock&) = delete;

private:
    int fd_ = -1;
};

// Reads the file under the write lock, lets edit change it and saves it when edit says so.
void UpdateDocument(const std::string& fileName, TIniEncoding encoding,
                    const std::function<bool(TIniDocument&)>& edit) {
    TIniWriteLock lock(fileName);
    TIniDocument document(fileName, encoding);
    if (edit(document)) document.Save();
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

void CheckNames(const std::string& fileName, const std::string& section, const std::string& key,
                const std::string& value) {
    const char* reason = nullptr;
    if (HasLineBreak(section))
        reason = "the section name holds a line break";
    else if (key.empty() || HasLineBreak(key) || key.find('=') != std::string::npos ||
             key[0] == '[' || key[0] == ';')
        reason = "the key name is not valid";
    else if (HasLineBreak(value))
        reason = "the value holds a line break";
    if (reason)
        throw EIniFileException("Unable to write [%s] %s to %s: %s",
                                {section, key, fileName, reason});
}

// The value without one pair of matching quotes around it.
std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string ResolveFileName(const std::string& fileName) {
    if (fileName.find('/') != std::string::npos) return fileName;
    try {
        const std::string folder = SettingsFolder();
        const std::string existing = FindFileCaseInsensitive(folder, fileName);
        return existing.empty() ? folder + "/" + fileName : existing;
    } catch (const EInOutError& e) {
        throw EIniFileException(e.Message());
    }
}

} // namespace

void SetIniWriteFailure(std::optional<std::size_t> afterBytes) {
    writeFailureAfter = afterBytes;
}

TIniFile::TIniFile(const std::string& FileName, TIniEncoding Encoding)
    : fileName_(ResolveFileName(FileName)), encoding_(Encoding) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
    const TIniDocument document(fileName_, encoding_);
    const int found = document.FindKey(Trim(Section), Trim(Ident));
    return found < 0 ? Default : Unquoted(document.Lines()[found].Value);
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const {
    return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
    const std::string value = ReadString(Section, Ident, "");
    if (value.empty()) return Default;
    return StrToIntDef(value, 1) != 0;
}

double TIniFile::ReadFloat(const std::string& Section, const std::string& Ident,
                           double Default) const {
    return StrToFloatDef(ReadString(Section, Ident, ""), Default);
}

TDateTime TIniFile::ReadDate(const std::string& Section, const std::string& Ident,
                             TDateTime Default) const {
    TDateTime value = 0;
    return TryStrToDate(ReadString(Section, Ident, ""), value) ? value : Default;
}

TDateTime TIniFile::ReadTime(const std::string& Section, const std::string& Ident,
                             TDateTime Default) const {
    TDateTime value = 0;
    return TryStrToTime(ReadString(Section, Ident, ""), value) ? value : Default;
}

TDateTime TIniFile::ReadDateTime(const std::string& Section, const std::string& Ident,
                                 TDateTime Default) const {
    TDateTime value = 0;
    return TryStrToDateTime(ReadString(Section, Ident, ""), value) ? value : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
    const std::string section = Trim(Section);
    const std::string key = Trim(Ident);
    CheckNames(fileName_, section, key, Value);
    UpdateDocument(fileName_, encoding_, [&](TIniDocument& document) {
        document.SetValue(section, key, Trim(Value));
        return true;
    });
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value) {
    WriteString(Section, Ident, FloatToStr(Value));
}

void TIniFile::WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value) {
    WriteString(Section, Ident, DateToStr(Value));
}

void TIniFile::WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value) {
    WriteString(Section, Ident, TimeToStr(Value));
}

void TIniFile::WriteDateTime(const std::string& Section, const std::string& Ident,
                             TDateTime Value) {
    WriteString(Section, Ident, DateTimeToStr(Value));
}

namespace {

// Fills Strings with one line per value of the section of the file, made from the value's line.
template <typename TLineText>
void ListSectionValues(const TIniDocument& document, const std::string& Section, TStrings* Strings,
                       TLineText lineText) {
    Strings->BeginUpdate();
    Strings->Clear();
    if (const int header = document.FindSection(Trim(Section)); header >= 0)
        for (int i = header + 1, end = document.SectionEnd(header); i < end; ++i)
            if (document.Lines()[i].Kind == TIniLine::lkValue)
                Strings->Add(lineText(document.Lines()[i]));
    Strings->EndUpdate();
}

} // namespace

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) const {
    ListSectionValues(TIniDocument(fileName_, encoding_), Section, Strings,
                      [](const TIniLine& line) { return line.Name; });
}

void TIniFile::ReadSections(TStrings* Strings) const {
    const TIniDocument document(fileName_, encoding_);
    Strings->BeginUpdate();
    Strings->Clear();
    for (std::size_t i = 0; i < document.Lines().size(); ++i)
        if (document.Lines()[i].Kind == TIniLine::lkSection &&
            document.FindSection(document.Lines()[i].Name) == static_cast<int>(i))
            Strings->Add(document.Lines()[i].Name);
    Strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) const {
    ListSectionValues(TIniDocument(fileName_, encoding_), Section, Strings,
                      [](const TIniLine& line) { return line.Name + "=" + line.Value; });
}

void TIniFile::CreateSection(const std::string& Section) {
    const std::string section = Trim(Section);
    CheckNames(fileName_, section, "-", "");
    UpdateDocument(fileName_, encoding_, [&](TIniDocument& document) {
        if (document.FindSection(section) >= 0) return false;
        document.AddSection(section);
        return true;
    });
}

void TIniFile::EraseSection(const std::string& Section) {
    const std::string section = Trim(Section);
    UpdateDocument(fileName_, encoding_, [&](TIniDocument& document) {
        if (document.FindSection(section) < 0) return false;
        for (int header; (header = document.FindSection(section)) >= 0;)
            document.EraseSection(header);
        return true;
    });
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    UpdateDocument(fileName_, encoding_, [&](TIniDocument& document) {
        const int found = document.FindKey(Trim(Section), Trim(Ident));
        if (found < 0) return false;
        document.Erase(found, found + 1);
        return true;
    });
}

bool TIniFile::SectionExists(const std::string& Section) const {
    return TIniDocument(fileName_, encoding_).FindSection(Trim(Section)) >= 0;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
    return TIniDocument(fileName_, encoding_).FindKey(Trim(Section), Trim(Ident)) >= 0;
}
