#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/RefusedFolder.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(TStrings& strings) {
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings[i]);
    return lines;
}

std::size_t EntriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

class IniFilesTest : public ::testing::Test {
protected:
    void SetUp() override { FormatSettings() = TFormatSettings{}; }
    void TearDown() override { SetIniWriteFailure(std::nullopt); }

    TTestFolder folder;
    std::string path = folder / "test.ini";
    TIniFile ini{path};
};

TEST_F(IniFilesTest, MissingFileReadsAsEmptyAndIsNotCreatedByReading) {
    EXPECT_EQ(ini.ReadString("S", "K", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "K", true));
    EXPECT_FALSE(ini.SectionExists("S"));
    TStringList sections;
    sections.Add("old");
    ini.ReadSections(&sections);
    EXPECT_EQ(sections.Count(), 0);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ini.FileName(), path);
}

TEST_F(IniFilesTest, TypedValuesRoundTripAndAreWrittenPlainly) {
    ini.WriteString("PREFERENCES", "NAME", "Jos\xE9 Mu\xF1oz");
    ini.WriteInteger("PREFERENCES", "Left", -120);
    ini.WriteBool("PREFERENCES", "SHOWHINTS", true);
    ini.WriteBool("PREFERENCES", "TOOLBAR", false);
    ini.WriteFloat("Numbers", "Rate", 7.125);
    ini.WriteDate("Numbers", "Due", EncodeDate(2026, 3, 7));
    ini.WriteTime("Numbers", "At", EncodeTime(14, 5, 0, 0));
    EXPECT_EQ(ReadAll(path), "[PREFERENCES]\nNAME=Jos\xE9 Mu\xF1oz\nLeft=-120\nSHOWHINTS=1\n"
                             "TOOLBAR=0\n\n[Numbers]\nRate=7.125\nDue=3/7/2026\nAt=2:05:00 PM\n");
    TIniFile other(path);
    EXPECT_EQ(other.ReadString("PREFERENCES", "NAME", ""), "Jos\xE9 Mu\xF1oz");
    EXPECT_EQ(other.ReadInteger("PREFERENCES", "Left", 0), -120);
    EXPECT_TRUE(other.ReadBool("PREFERENCES", "SHOWHINTS", false));
    EXPECT_FALSE(other.ReadBool("PREFERENCES", "TOOLBAR", true));
    EXPECT_EQ(other.ReadFloat("Numbers", "Rate", 0), 7.125);
    EXPECT_EQ(other.ReadDate("Numbers", "Due", 0), EncodeDate(2026, 3, 7));
    EXPECT_EQ(other.ReadTime("Numbers", "At", 0), EncodeTime(14, 5, 0, 0));
    EXPECT_EQ(other.ReadDateTime("Numbers", "Due", 1), EncodeDate(2026, 3, 7));
}

TEST_F(IniFilesTest, SectionsAndKeysIgnoreCaseAndKeepTheirWrittenCase) {
    ini.WriteString("Owner", "RegisteredName", "Ann");
    ini.WriteString("OWNER", "REGISTEREDNAME", "Bob");
    ini.WriteString("owner", "Other", "x");
    EXPECT_EQ(ReadAll(path), "[Owner]\nRegisteredName=Bob\nOther=x\n");
    EXPECT_EQ(ini.ReadString("oWnEr", "registeredname", ""), "Bob");
    EXPECT_TRUE(ini.ValueExists("OWNER", "OTHER"));
    EXPECT_FALSE(ini.ValueExists("OWNER", "Missing"));
    EXPECT_TRUE(ini.SectionExists(" owner "));
}

TEST_F(IniFilesTest, ReadsWhatUsersAndOtherProgramsWrite) {
    WriteAll(path, "; settings\r\n[First]\r\n  Key = spaced value  \r\nQuoted=\"a b \"\r\n"
                   "Single='x'\r\nnot a pair\r\n[first]\r\nKey=shadowed\r\n[ Second ]\r\n"
                   "Empty=\r\nHex=$1F\r\nNeg= -5\r\nWord=yes\r\nZero=00\r\nEq=a=b");
    EXPECT_EQ(ini.ReadString("First", "Key", ""), "spaced value");
    EXPECT_EQ(ini.ReadString("First", "Quoted", ""), "a b ");
    EXPECT_EQ(ini.ReadString("First", "Single", ""), "x");
    EXPECT_EQ(ini.ReadString("Second", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Second", "Eq", ""), "a=b");
    EXPECT_EQ(ini.ReadInteger("Second", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Second", "Neg", 0), -5);
    EXPECT_EQ(ini.ReadInteger("Second", "Word", 9), 9);
    EXPECT_EQ(ini.ReadInteger("Second", "Empty", 9), 9);
    EXPECT_TRUE(ini.ReadBool("Second", "Word", false));
    EXPECT_FALSE(ini.ReadBool("Second", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("Second", "Empty", true));
    EXPECT_EQ(ini.ReadFloat("Second", "Word", 2.5), 2.5);
    EXPECT_EQ(ini.ReadDate("Second", "Word", 3), 3);

    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"First", "Second"}));
    ini.ReadSection("first", &list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Key", "Quoted", "Single"}));
    ini.ReadSectionValues("SECOND", &list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Empty=", "Hex=$1F", "Neg=-5", "Word=yes",
                                                     "Zero=00", "Eq=a=b"}));

    // A write keeps the comments and the lines it does not understand.
    ini.WriteString("First", "New", "1");
    EXPECT_EQ(ReadAll(path), "; settings\n[First]\n  Key = spaced value  \nQuoted=\"a b \"\n"
                             "Single='x'\nNew=1\nnot a pair\n[first]\nKey=shadowed\n[ Second ]\n"
                             "Empty=\nHex=$1F\nNeg= -5\nWord=yes\nZero=00\nEq=a=b\n");
}

// A UTF-8 file holds the program's Windows-1252 texts in UTF-8; a file saved in Windows-1252
// reads as well and is UTF-8 after the next write; lines left alone keep characters that
// Windows-1252 lacks.
TEST_F(IniFilesTest, Utf8FilesReadBothEncodingsAndWriteUtf8) {
    TIniFile utf8(path, ieUtf8);
    utf8.WriteString("intl", "sCurrency", "\x80");
    utf8.WriteString("Caf\xE9", "Nom", "Jos\xE9");
    EXPECT_EQ(ReadAll(path), "[intl]\nsCurrency=\xE2\x82\xAC\n\n[Caf\xC3\xA9]\nNom=Jos\xC3\xA9\n");
    EXPECT_EQ(utf8.ReadString("intl", "sCurrency", ""), "\x80");
    EXPECT_EQ(utf8.ReadString("CAF\xC9", "nom", ""), "Jos\xE9");
    TStringList list;
    utf8.ReadSections(&list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"intl", "Caf\xE9"}));

    WriteAll(path, "; \xA3 and \x80\r\n[intl]\r\nsCurrency=\x80\r\nsThousand=\xA0\r\n");
    EXPECT_EQ(utf8.ReadString("intl", "sCurrency", ""), "\x80");
    EXPECT_EQ(utf8.ReadString("intl", "sThousand", ""), "\xA0");
    utf8.WriteString("intl", "iCountry", "49");
    EXPECT_EQ(ReadAll(path), "; \xC2\xA3 and \xE2\x82\xAC\n[intl]\nsCurrency=\xE2\x82\xAC\n"
                             "sThousand=\xC2\xA0\niCountry=49\n");

    // The yen sign of a full-width form has no Windows-1252 byte: it reads as "?" and its
    // line stays as it was when another key changes.
    WriteAll(path, "[intl]\nsCurrency=\xEF\xBF\xA5\nsDecimal=.\n");
    EXPECT_EQ(utf8.ReadString("intl", "sCurrency", ""), "?");
    utf8.WriteString("intl", "sDecimal", ",");
    EXPECT_EQ(ReadAll(path), "[intl]\nsCurrency=\xEF\xBF\xA5\nsDecimal=,\n");

    // The plain form keeps the bytes as they are.
    ini.WriteString("intl", "sCurrency", "\x80");
    EXPECT_EQ(ini.ReadString("intl", "sCurrency", ""), "\x80");
    EXPECT_NE(ReadAll(path).find("sCurrency=\x80\n"), std::string::npos);
}

TEST_F(IniFilesTest, EraseDeleteAndCreateSections) {
    WriteAll(path, "[A]\nx=1\n; about B\n[B]\ny=2\nz=3\n[a]\nw=4\n");
    ini.DeleteKey("b", "Y");
    ini.DeleteKey("b", "missing");
    ini.EraseSection("A");
    ini.EraseSection("nothing");
    EXPECT_EQ(ReadAll(path), "[B]\nz=3\n");
    ini.CreateSection("C");
    ini.CreateSection("c");
    EXPECT_EQ(ReadAll(path), "[B]\nz=3\n\n[C]\n");
    EXPECT_TRUE(ini.SectionExists("C"));
    TStringList keys;
    ini.ReadSection("C", &keys);
    EXPECT_EQ(keys.Count(), 0);
}

TEST_F(IniFilesTest, NamesAndValuesThatCannotBeReadBackAreRefused) {
    ini.WriteString("S", "K", "v");
    const std::string before = ReadAll(path);
    for (auto [section, key, value] : {std::tuple{"S", "", "v"},
                                       {"S", "a=b", "v"},
                                       {"S", "[K]", "v"},
                                       {"S", ";K", "v"},
                                       {"S", "K\nX", "v"},
                                       {"S\nT", "K", "v"},
                                       {"S", "K", "two\nlines"},
                                       {"S", "K", "cr\r"}}) {
        EXPECT_THROW(ini.WriteString(section, key, value), EIniFileException) << key;
    }
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(IniFilesTest, FileThatCannotBeCreatedRaises) {
    WriteAll(folder / "plain", "x");
    TIniFile underFile(folder / "plain/sub/test.ini");
    EXPECT_EQ(underFile.ReadString("S", "K", "d"), "d");
    try {
        underFile.WriteString("S", "K", "v");
        ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message().rfind("Unable to write to " + (folder / "plain/sub/test.ini"), 0), 0u)
            << e.Message();
    }
    fs::create_directory(folder / "dir.ini");
    TIniFile directory(folder / "dir.ini");
    EXPECT_THROW(directory.WriteString("S", "K", "v"), EIniFileException);
    EXPECT_THROW(directory.ReadString("S", "K", "v"), EIniFileException);
    EXPECT_TRUE(fs::is_directory(folder / "dir.ini"));
}

TEST_F(IniFilesTest, MissingFoldersAreCreated) {
    TIniFile deep(folder / "a/b/deep.ini");
    deep.WriteInteger("S", "K", 1);
    EXPECT_EQ(ReadAll(folder / "a/b/deep.ini"), "[S]\nK=1\n");
}

TEST_F(IniFilesTest, InterruptedWriteLeavesTheOldFileAndNoTemporaryFile) {
    ini.WriteString("S", "K", "old value");
    const std::string before = ReadAll(path);
    for (std::size_t cut : {0u, 5u, 15u}) {
        SetIniWriteFailure(cut);
        EXPECT_THROW(ini.WriteString("S", "K", "a much longer new value"), EIniFileException);
        EXPECT_EQ(ReadAll(path), before);
        EXPECT_EQ(EntriesIn(folder.Path()), 1u);
    }
    // A file that never existed is not left behind half written either.
    TIniFile fresh(folder / "fresh.ini");
    SetIniWriteFailure(3);
    EXPECT_THROW(fresh.WriteString("S", "K", "v"), EIniFileException);
    EXPECT_FALSE(fs::exists(folder / "fresh.ini"));
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
    SetIniWriteFailure(std::nullopt);
    ini.WriteString("S", "K", "new");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "new");
}

TEST_F(IniFilesTest, ReplacingKeepsPermissionsAndSymbolicLinks) {
    ini.WriteString("S", "K", "1");
    chmod(path.c_str(), 0640);
    fs::create_symlink(path, folder / "link.ini");
    TIniFile link(folder / "link.ini");
    link.WriteString("S", "K", "2");
    EXPECT_TRUE(fs::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", ""), "2");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Users A and B of group G, with the umask of group work (002), share settings in a group folder
// (2775) and a sticky one (3777): a file A makes is the group's to write, B's change leaves it
// A's, and a part A's killed write left is removed by B's next write where the folder lets him.
// A file B may write through an access list (ACL), not his group, keeps the list, and its mode
// its mask, when A's change replaces it.
TEST_F(IniFilesTest, SettingsSharedByTwoUsersKeepTheirOwnerGroupModeAndAccessList) {
    RUN_AS_TWO_USERS("settings shared by two users of a group folder, a sticky one and an ACL");
    using namespace fresh_process;
    ::umask(002);
    // What a write of value to the file of shared as user in group (and others) answers.
    const auto writeAs = [](const std::string& shared, uid_t user, gid_t group,
                            const std::vector<gid_t>& others, const std::string& value) {
        const auto write = [&]() -> std::string {
            try {
                TIniFile ini(shared + "/vtrx2532.ini");
                ini.WriteString("S", "K", value);
                return "written " + ini.ReadString("S", "K", "");
            } catch (const Exception& e) {
                return e.Message();
            }
        };
        return AsUserKeepingOwners(shared, user, group, write, others);
    };
    const std::string group = folder / "group";
    for (const auto& [shared, folderMode] : {std::pair{group, 02775}, {folder / "sticky", 03777}}) {
        fs::create_directory(shared);
        ASSERT_TRUE(ShareFolder(shared, folderMode, 0, kSharedGroup, 0));
        EXPECT_EQ(writeAs(shared, kUserA, kSharedGroup, {}, "a"),
                  "written a (files of folder changed)");
        const std::set<std::string> made = {"vtrx2532.ini 61001:61000 664"};
        EXPECT_EQ(OwnersAndModes(shared), made);
        EXPECT_EQ(writeAs(shared, kUserB, kUserB, {kSharedGroup}, "b"), "written b");
        if (const TPlainUser a(kUserA, kSharedGroup); a.Taken())
            WriteAll(shared + "/vtrx2532.ini.1.part", "cut by a kill");
        EXPECT_EQ(writeAs(shared, kUserB, kUserB, {kSharedGroup}, "c"),
                  shared == group ? "written c (files of folder changed)" : "written c");
        EXPECT_EQ(OwnersAndModes(shared).size(), shared == group ? 1u : 2u); // the part stays
        EXPECT_EQ(OwnersAndModes(shared).count(*made.begin()), 1u);
    }
    const std::string file = group + "/vtrx2532.ini";
    const bool granted =
        std::system(("chmod 640 " + file + " && setfacl -m u:61002:rw " + file).c_str()) == 0;
    if (!Ran(granted ? std::optional<std::string>("") : std::nullopt, "an ACL on settings")) return;
    const std::string list = CommandOutput("getfacl -cp " + file);
    EXPECT_EQ(writeAs(group, kUserA, kSharedGroup, {}, "by A"), "written by A");
    EXPECT_EQ(CommandOutput("getfacl -cp " + file), list);
    EXPECT_EQ(writeAs(group, kUserB, kUserB, {}, "by B"), "written by B");
}

TEST_F(IniFilesTest, BareNamesLiveInTheSettingsFolder) {
    TEnvironmentOverride home("VANTREL_HOME", folder / "home");
    TIniFile bare("vtrx2532.ini");
    EXPECT_EQ(bare.FileName(), folder / "home/vtrx2532.ini");
    WriteAll(folder / "home/OTHER.INI", "[S]\nK=found\n");
    EXPECT_EQ(TIniFile("other.ini").ReadString("S", "K", ""), "found");
}

} // namespace
