#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/RaisedMessage.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>

namespace {

std::vector<std::string> Lines(TStrings& strings) {
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings[i]);
    return lines;
}

class RegistryTest : public ::testing::Test {
protected:
    std::string FileText() const { return ReadAll(folder / "registry.ini"); }
    void WriteFile(const std::string& text) const { WriteAll(folder / "registry.ini", text); }

    TTestFolder folder;
    TEnvironmentOverride home{"VANTREL_HOME", folder.Path()};
};

TEST_F(RegistryTest, ValuesRoundTripThroughTheFile) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("Software\\Vantrel", true));
    reg.WriteString("Owner", " Ann \"A\" ");
    reg.WriteInteger("Count", 123);
    reg.WriteBool("Flag", true);
    reg.WriteInteger("Negative", -1);
    reg.WriteString("", "default");
    EXPECT_EQ(FileText(), "[HKEY_CURRENT_USER\\Software\\Vantrel]\nOwner=\" Ann \"A\" \"\n"
                          "Count=dword:0000007B\nFlag=dword:00000001\n"
                          "Negative=dword:FFFFFFFF\n@=\"default\"\n");

    TRegistry other;
    ASSERT_TRUE(other.OpenKey("\\SOFTWARE\\vantrel", false));
    EXPECT_EQ(other.ReadString("owner"), " Ann \"A\" ");
    EXPECT_EQ(other.ReadInteger("COUNT"), 123);
    EXPECT_TRUE(other.ReadBool("Flag"));
    EXPECT_EQ(other.ReadInteger("Negative"), -1);
    EXPECT_EQ(other.ReadString(""), "default");
    TStringList names;
    other.GetValueNames(&names);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"Owner", "Count", "Flag", "Negative", ""}));
    other.WriteInteger("Count", INT_MIN);
    EXPECT_EQ(reg.ReadInteger("Count"), INT_MIN);
}

TEST_F(RegistryTest, MissingValuesAndWrongTypesRaiseLikeTheSystemRegistry) {
    TRegistry reg;
    reg.OpenKey("Software", true);
    reg.WriteString("Text", "abc");
    reg.WriteInteger("Number", 5);
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.ReadInteger("Missing"); }),
              "Failed to get data for 'Missing'");
    EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.ReadBool("Missing"); }),
              "Failed to get data for 'Missing'");
    EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.ReadInteger("Text"); }),
              "Invalid data type for 'Text'");
    EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.ReadString("Number"); }),
              "Invalid data type for 'Number'");
    EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.WriteString("a=b", "x"); }),
              "Failed to set data for 'a=b'");
    EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.WriteString("Text", "two\nlines"); }),
              "Failed to set data for 'Text'");
    EXPECT_EQ(reg.ReadString("Text"), "abc");
}

TEST_F(RegistryTest, ValuesEditedByHandReadAsStrings) {
    WriteFile("[HKEY_CURRENT_USER\\Edited]\nPlain=42\nOdd=dword:zz\nLong=dword:123456789\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Edited", false));
    EXPECT_EQ(reg.ReadString("Plain"), "42");
    EXPECT_EQ(reg.ReadString("Odd"), "dword:zz");
    EXPECT_EQ(reg.ReadString("Long"), "dword:123456789");
    EXPECT_THROW(reg.ReadInteger("Plain"), ERegistryException);
}

TEST_F(RegistryTest, KeysArePathsBelowTheirRoot) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Vantrel", false));
    EXPECT_EQ(reg.CurrentPath(), "");
    ASSERT_TRUE(reg.OpenKey("Software", true));
    ASSERT_TRUE(reg.OpenKey("Vantrel\\\\Sub\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Vantrel\\Sub");
    EXPECT_TRUE(reg.KeyExists("\\Software\\Vantrel"));
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE"));
    EXPECT_FALSE(reg.KeyExists("\\Soft"));
    EXPECT_FALSE(reg.KeyExists("Software"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_TRUE(reg.KeyExists("Software"));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.KeyExists("Software"));
    ASSERT_TRUE(reg.OpenKey("Software", true));
    reg.WriteString("Where", "machine");
    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_FALSE(reg.KeyExists("Software\\Where"));
    EXPECT_EQ(reg.ReadString("Where"), "");
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
    TRegistry reg;
    reg.OpenKey("\\Software\\A\\B", true);
    reg.OpenKey("\\Software\\AB", true);
    reg.WriteString("Keep", "1");
    reg.OpenKey("\\Software\\A", true);
    reg.WriteString("Gone", "1");
    EXPECT_TRUE(reg.DeleteValue("gone"));
    EXPECT_FALSE(reg.DeleteValue("gone"));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\A"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\A\\B"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\A"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\AB"));
    EXPECT_FALSE(reg.DeleteKey("\\Software\\A"));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    EXPECT_EQ(FileText(), "[HKEY_CURRENT_USER\\Software\\AB]\nKeep=\"1\"\n");
}

// The dockable toolbar keeps its state this way.
TEST_F(RegistryTest, RegIniFileKeepsSectionsUnderTheFileKey) {
    const std::string section = "TMainForm.DToolBar1";
    {
        TRegIniFile ini("VANTREL.INI");
        EXPECT_EQ(ini.FileName(), "VANTREL.INI");
        EXPECT_EQ(ini.ReadInteger(section, "FloatIndex", -1), -1);
        EXPECT_TRUE(ini.ReadBool(section, "Visible", true));
        EXPECT_EQ(ini.ReadString(section, "Caption", "none"), "none");
        ini.WriteInteger(section, "FloatIndex", 2);
        ini.WriteInteger(section, "DockTop", -30);
        ini.WriteBool(section, "Visible", false);
        ini.WriteString(section, "Caption", "Tools");
    }
    EXPECT_EQ(FileText(), "[HKEY_CURRENT_USER\\VANTREL.INI]\n\n"
                          "[HKEY_CURRENT_USER\\VANTREL.INI\\TMainForm.DToolBar1]\n"
                          "FloatIndex=\"2\"\nDockTop=\"-30\"\nVisible=\"0\"\nCaption=\"Tools\"\n");
    TRegIniFile ini("vantrel.ini");
    EXPECT_EQ(ini.ReadInteger(section, "floatindex", -1), 2);
    EXPECT_EQ(ini.ReadInteger(section, "DockTop", 0), -30);
    EXPECT_FALSE(ini.ReadBool(section, "Visible", true));
    EXPECT_EQ(ini.ReadInteger(section, "Caption", 7), 7);

    // Integer values written through TRegistry read as numbers and as text.
    TRegistry reg;
    reg.OpenKey("\\VANTREL.INI\\" + section, false);
    reg.WriteInteger("Status", 3);
    EXPECT_EQ(ini.ReadInteger(section, "Status", 0), 3);
    EXPECT_EQ(ini.ReadString(section, "Status", ""), "3");
}

TEST_F(RegistryTest, UnusableSettingsFolderRaises) {
    std::ofstream(folder / "plain") << "x";
    TEnvironmentOverride unusable("VANTREL_HOME", folder / "plain/home");
    EXPECT_THROW(TRegistry(), ERegistryException);
}

} // namespace
