#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
}

TEST(PathsTest, SettingsFolderIsVantrelHomeCreatedWithItsParents) {
    TTestFolder folder;
    TEnvironmentOverride home("VANTREL_HOME", folder / "a/b/settings");
    EXPECT_EQ(SettingsFolder(), folder / "a/b/settings");
    EXPECT_TRUE(fs::is_directory(folder / "a/b/settings"));
}

TEST(PathsTest, SettingsFolderDefaultsToTheUsersDataFolder) {
    TTestFolder folder;
    TEnvironmentOverride vantrelHome("VANTREL_HOME", "");
    TEnvironmentOverride home("HOME", folder.Path());
    EXPECT_EQ(SettingsFolder(), folder / ".local/share/vantrel-plus");
    EXPECT_TRUE(fs::is_directory(folder / ".local/share/vantrel-plus"));
}

TEST(PathsTest, SettingsFolderThatCannotBeCreatedRaises) {
    TTestFolder folder;
    Touch(folder / "file");
    TEnvironmentOverride home("VANTREL_HOME", folder / "file/settings");
    EXPECT_THROW(SettingsFolder(), EInOutError);
}

TEST(PathsTest, ProgramFolderHoldsTheRunningExecutable) {
    EXPECT_EQ(fs::canonical(ProgramFolder()),
              fs::canonical(std::string(VANTREL_BINARY_DIR) + "/tests/rtl"));
}

TEST(PathsTest, DataFolderIsTheInstalledShareFolderElseTheProgramFolder) {
    const fs::path share = fs::path(ProgramFolder()).parent_path() / "share";
    ASSERT_FALSE(fs::exists(share));
    EXPECT_EQ(DataFolder(), ProgramFolder());
    fs::create_directories(share / "vantrel-plus");
    const std::string installed = DataFolder();
    fs::remove_all(share);
    EXPECT_EQ(installed, (share / "vantrel-plus").string());
}

TEST(PathsTest, FindFileIgnoresTheCaseOfEachPart) {
    TTestFolder folder;
    Touch(folder / "accnts.dbf");
    Touch(folder / "Sub/Auto.BIN");
    Touch(folder / "same.txt");
    Touch(folder / "SAME.txt");
    Touch(folder / "Same.TXT");
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), "ACCNTS.DBF"), folder / "accnts.dbf");
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), "sub/AUTO.bin"), folder / "Sub/Auto.BIN");
    // An exact match wins; otherwise the first name in byte order.
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), "Same.TXT"), folder / "Same.TXT");
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), "same.TXT"), folder / "SAME.txt");
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), "missing.dbf"), "");
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), "accnts.dbf/x"), "");
    EXPECT_EQ(FindFileCaseInsensitive(folder / "nowhere", "accnts.dbf"), "");
    EXPECT_EQ(FindFileCaseInsensitive(folder.Path(), ""), "");
}

} // namespace
