// INI files and the registry file as the program reads and updates them. A selector byte chooses
// an INI file of the program ("vtrx2532.ini", through TIniFile) or the emulated registry
// ("registry.ini", through TRegistry and TRegIniFile); the rest is the file. Every section, key
// and value found is read in each typed form, then one value is written and one section erased,
// which rewrites the whole damaged file. Refusals come as the program's own exceptions.
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void ReadIniFile(const std::string& path) {
    TIniFile ini(path);
    TStringList sections;
    ini.ReadSections(&sections);
    for (int s = 0; s < sections.Count() && s < 64; ++s) {
        const std::string section = sections[s];
        TStringList keys, values;
        ini.ReadSection(section, &keys);
        ini.ReadSectionValues(section, &values);
        ini.SectionExists(section);
        for (int k = 0; k < keys.Count() && k < 64; ++k) {
            const std::string key = keys[k];
            ini.ValueExists(section, key);
            ini.ReadString(section, key, "");
            ini.ReadInteger(section, key, -1);
            ini.ReadBool(section, key, false);
            ini.ReadFloat(section, key, 0.5);
            ini.ReadDate(section, key, 0);
            ini.ReadTime(section, key, 0);
            ini.ReadDateTime(section, key, 0);
        }
    }
    try {
        ini.WriteString("Loan", "Rate", "8.25");
        ini.WriteInteger("Loan", "Term", 360);
        if (sections.Count() > 0) {
            ini.DeleteKey(sections[0], "Rate");
            ini.EraseSection(sections[sections.Count() - 1]);
        }
        ini.ReadString("Loan", "Rate", "");
    } catch (const EIniFileException&) {
    }
}

void ReadRegistryKey(TRegistry& reg) {
    TStringList names;
    reg.GetValueNames(&names);
    for (int i = 0; i < names.Count() && i < 64; ++i) {
        try {
            reg.ReadString(names[i]);
        } catch (const ERegistryException&) {
        }
        try {
            reg.ReadInteger(names[i]);
        } catch (const ERegistryException&) {
        }
    }
}

void ReadRegistry() {
    TRegistry reg;
    for (const char* key : {"\\Software\\Vantrel", "\\Software", "\\"}) {
        reg.KeyExists(key);
        if (reg.OpenKey(key, false)) ReadRegistryKey(reg);
    }
    TStringList sections;
    TIniFile(FuzzFolder() + "/registry.ini").ReadSections(&sections);
    for (int s = 0; s < sections.Count() && s < 32; ++s) {
        const std::string section = sections[s];
        const std::size_t root = section.find('\\');
        if (root == std::string::npos) continue;
        reg.CloseKey();
        if (reg.OpenKey(section.substr(root), false)) ReadRegistryKey(reg);
    }
    TRegIniFile settings("Software\\Vantrel");
    settings.ReadString("Options", "Printer", "");
    settings.ReadInteger("Options", "Copies", 1);
    settings.ReadBool("Options", "Tips", true);
    try {
        settings.WriteString("Options", "Printer", "PDF");
        settings.WriteBool("Options", "Tips", false);
        reg.OpenKey("\\Software\\Vantrel\\Window", true);
        reg.WriteInteger("Left", 120);
        reg.DeleteKey("\\Software\\Vantrel\\Old");
    } catch (const ERegistryException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const bool registry = input.Byte() % 2 == 1;
    const std::string path =
        WriteFuzzFile(registry ? "registry.ini" : "vtrx2532.ini", input.Rest());
    if (registry)
        ReadRegistry();
    else
        ReadIniFile(path);
    return 0;
}
