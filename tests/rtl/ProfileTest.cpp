#include "platform/rtl/Profile.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/ChildProcesses.h"
#include "tests/rtl/LocaleSamples.h"
#include "tests/rtl/RefusedFolder.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

TLocaleInfo CLocale() {
    TLocaleInfo l;
    l.Name = "C";
    return l;
}

// Each test has its own settings folder and a locale it chose.
class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { UseLocale(CLocale()); }
    void TearDown() override {
        SetLocaleSource({});
        FormatSettings() = TFormatSettings{};
    }
    void UseLocale(const TLocaleInfo& locale) {
        SetLocaleSource([locale] { return locale; });
    }
    void WriteProfile(const std::string& name, const std::string& text) {
        WriteAll(folder / name, text);
    }

    TTestFolder folder;
    TEnvironmentOverride home{"VANTREL_HOME", folder.Path()};
};

TEST_F(ProfileTest, FirstUseWritesTheIntlSectionFromTheLocale) {
    UseLocale(GermanWithNames());
    EXPECT_EQ(GetProfileString("intl", "sDecimal", "?"), ",");
    EXPECT_EQ(ProfileFileName(), folder / "WIN.INI");
    const std::string text = ReadAll(folder / "WIN.INI");
    EXPECT_EQ(text.rfind("[intl]\nsLanguage=deu\nsCountry=Germany\niCountry=49\n", 0), 0u);
    // Written in UTF-8 for the user's editor, read back in the program's Windows-1252.
    EXPECT_NE(text.find("\nsCurrency=\xE2\x82\xAC\n"), std::string::npos);
    EXPECT_EQ(GetProfileString("intl", "sCurrency", ""), "\x80");
    EXPECT_NE(text.find("\nsShortDate=dd.MM.yyyy\nsLongDate=dddd, d MMMM yyyy\n"),
              std::string::npos);
    // Only WIN.INI: no draft is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
    // Later locales do not change a profile that exists.
    UseLocale(CLocale());
    EXPECT_EQ(GetProfileInt("intl", "iCountry", 0), 49);
}

TEST_F(ProfileTest, UserEditsAreRespected) {
    WriteProfile("win.ini", "[INTL]\r\nsDecimal=;\r\niCountry=31\r\n");
    EXPECT_EQ(ProfileFileName(), folder / "win.ini");
    EXPECT_EQ(GetProfileString("intl", "sDecimal", "."), ";");
    EXPECT_EQ(GetProfileString("intl", "sCountry", "none"), "none");
    EXPECT_EQ(GetProfileInt("Intl", "ICOUNTRY", 0), 31);
    EXPECT_FALSE(fs::exists(folder / "WIN.INI"));
    // A profile an editor saved in Windows-1252 reads as well as a UTF-8 one.
    WriteProfile("win.ini", "[intl]\nsCurrency=\xA3\nsThousand=\xA0\n");
    LoadRegionalSettings();
    EXPECT_EQ(FormatSettings().CurrencyString, "\xA3");
    EXPECT_EQ(FormatSettings().ThousandSeparator, '\xA0');
    WriteProfile("win.ini", "[intl]\nsCurrency=\xC2\xA3\nsThousand=\xC2\xA0\n");
    LoadRegionalSettings();
    EXPECT_EQ(FormatSettings().CurrencyString, "\xA3");
    EXPECT_EQ(FormatSettings().ThousandSeparator, '\xA0');
}

TEST_F(ProfileTest, ProfileNumbersReadTheLeadingInteger) {
    WriteProfile("WIN.INI", "[n]\na=-12abc\nb=abc\nc=99999999999\nd=-99999999999\ne= +7\nf=\n");
    EXPECT_EQ(GetProfileInt("n", "a", 5), -12);
    EXPECT_EQ(GetProfileInt("n", "b", 5), 0);
    EXPECT_EQ(GetProfileInt("n", "c", 5), INT_MAX);
    EXPECT_EQ(GetProfileInt("n", "d", 5), INT_MIN);
    EXPECT_EQ(GetProfileInt("n", "e", 5), 7);
    EXPECT_EQ(GetProfileInt("n", "f", 5), 0);
    EXPECT_EQ(GetProfileInt("n", "missing", 5), 5);
}

TEST_F(ProfileTest, WriteSetsOrDeletesKeysAndSections) {
    WriteProfileString("devices", "PDF", "pdf,PDF:");
    WriteProfileString("windows", "device", "PDF,pdf,PDF:");
    WriteProfileString("devices", "Old", "x");
    EXPECT_EQ(GetProfileString("DEVICES", "pdf", ""), "pdf,PDF:");
    WriteProfileString("devices", "Old", std::nullopt);
    EXPECT_EQ(GetProfileString("devices", "Old", "gone"), "gone");
    EXPECT_EQ(GetProfileString("devices", "PDF", ""), "pdf,PDF:");
    WriteProfileString("devices", std::nullopt, std::nullopt);
    EXPECT_EQ(GetProfileString("devices", "PDF", "gone"), "gone");
    EXPECT_EQ(GetProfileString("windows", "device", ""), "PDF,pdf,PDF:");
    EXPECT_EQ(GetProfileString("intl", "sCountry", ""), "United States");
}

TEST_F(ProfileTest, ProfileThatCannotBeMadeReadsDefaultsAndRefusesWrites) {
    RUN_IN_FRESH_PROCESS();
    // A full disk is told of WIN.INI, not of the draft it is written in first.
    const std::string full =
        "the body raised: Unable to write to " + folder / "WIN.INI" + ": " + std::strerror(ENOSPC);
    EXPECT_EQ(InRefusedFolder(folder.Path(), TRefusal::FullDisk, [] { return ProfileFileName(); })
                  .value_or(full),
              full);
    WriteProfile("plain", "x");
    TEnvironmentOverride unusable("VANTREL_HOME", folder / "plain/home");
    EXPECT_EQ(GetProfileString("intl", "sDecimal", "."), ".");
    EXPECT_EQ(GetProfileInt("intl", "iCountry", 1), 1);
    EXPECT_THROW(ProfileFileName(), EIniFileException);
    EXPECT_THROW(WriteProfileString("intl", "sDecimal", ","), EIniFileException);
}

TEST_F(ProfileTest, RegionalSettingsFromAGermanProfile) {
    UseLocale(GermanWithNames());
    LoadRegionalSettings();
    const TFormatSettings& s = FormatSettings();
    EXPECT_EQ(s.DecimalSeparator, ',');
    EXPECT_EQ(s.ThousandSeparator, '.');
    EXPECT_EQ(s.CurrencyString, "\x80");
    EXPECT_EQ(s.CurrencyFormat, 3);
    EXPECT_EQ(s.NegCurrFormat, 8);
    EXPECT_EQ(s.CurrencyDecimals, 2);
    EXPECT_EQ(s.DateSeparator, '.');
    EXPECT_EQ(s.ShortDateFormat, "dd/MM/yyyy");
    EXPECT_EQ(s.LongDateFormat, "dddd, d MMMM yyyy");
    EXPECT_EQ(s.ShortTimeFormat, "hh:mm");
    EXPECT_EQ(s.LongTimeFormat, "hh:mm:ss");
    EXPECT_EQ(s.CountryCode, 49);
    const TDateTime date = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 0, 0);
    EXPECT_EQ(DateTimeToStr(date), "07.03.2026 09:05:00");
    EXPECT_EQ(FormatDateTime("dddddd", date), "Samstag, 7 M\xE4rz 2026");
    EXPECT_EQ(StrToDate("24.12.2026"), EncodeDate(2026, 12, 24));
}

TEST_F(ProfileTest, RegionalSettingsOfTheCLocaleAreTheUnitedStatesOnes) {
    FormatSettings().DecimalSeparator = ',';
    LoadRegionalSettings();
    const TFormatSettings& s = FormatSettings();
    const TFormatSettings defaults;
    EXPECT_EQ(s.DecimalSeparator, '.');
    EXPECT_EQ(s.ShortDateFormat, defaults.ShortDateFormat);
    EXPECT_EQ(s.LongDateFormat, defaults.LongDateFormat);
    EXPECT_EQ(s.ShortTimeFormat, defaults.ShortTimeFormat);
    EXPECT_EQ(s.LongTimeFormat, defaults.LongTimeFormat);
    EXPECT_EQ(s.LongMonthNames, defaults.LongMonthNames);
    EXPECT_EQ(s.CountryCode, 1);
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 7) + 0.75), "3/7/2026 6:00:00 PM");
}

TEST_F(ProfileTest, OutOfRangeProfileValuesFallBackToDefaults) {
    WriteProfile("WIN.INI", "[intl]\niCurrency=7\niNegCurr=-1\niCurrDigits=40\nsDecimal=\n"
                            "sDate=-\nsShortDate=yyyy-MM-dd\niTime=1\ns1159=\n");
    LoadRegionalSettings();
    const TFormatSettings& s = FormatSettings();
    EXPECT_EQ(s.CurrencyFormat, 0);
    EXPECT_EQ(s.NegCurrFormat, 0);
    EXPECT_EQ(s.CurrencyDecimals, 2);
    EXPECT_EQ(s.DecimalSeparator, '.');
    EXPECT_EQ(s.ShortDateFormat, "yyyy/MM/dd");
    EXPECT_EQ(s.LongTimeFormat, "h:mm:ss");
    EXPECT_EQ(s.TimeAMString, "");
    EXPECT_EQ(DateToStr(EncodeDate(2026, 3, 7)), "2026-03-07");
}

} // namespace

namespace {

// Several programs starting at once on a new settings folder: whichever makes WIN.INI first,
// no other replaces it afterwards, so what one of them wrote into it stays.
TEST(ProfileCreationTest, ProgramsStartingTogetherKeepEachOthersWrites) {
    TTestFolder folder;
    TEnvironmentOverride home{"VANTREL_HOME", folder.Path()};
    constexpr int Programs = 6;
    EXPECT_TRUE(RunTogether(Programs, [](int i) {
        try {
            WriteProfileString("program" + std::to_string(i), "started", "1");
            return true;
        } catch (...) {
            return false;
        }
    }));
    for (int i = 0; i < Programs; ++i)
        EXPECT_EQ(GetProfileString("program" + std::to_string(i), "started", ""), "1") << i;
    EXPECT_NE(GetProfileString("intl", "sDecimal", ""), "");
}

} // namespace
