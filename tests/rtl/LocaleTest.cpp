#include "platform/rtl/Locale.h"
#include "tests/rtl/LocaleSamples.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

using TEntryMap = std::map<std::string, std::string>;

TEntryMap AsMap(const std::vector<std::pair<std::string, std::string>>& entries) {
    return TEntryMap(entries.begin(), entries.end());
}

TEST(LocaleTest, TheCLocaleGivesUnitedStatesSettings) {
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        const TLocaleInfo info = ReadLocaleInfo(name);
        EXPECT_EQ(info.Name, name);
        EXPECT_EQ(info.DecimalPoint, ".");
        EXPECT_EQ(info.FracDigits, -1);
        EXPECT_EQ(info.DateFormat, "%m/%d/%y");
        EXPECT_EQ(info.LongMonthNames[2], "March");
        EXPECT_EQ(info.ShortDayNames[0], "Sun");
        EXPECT_EQ(IntlEntries(info), IntlEntries(TLocaleInfo{})) << name;
    }
    const TEntryMap us = AsMap(IntlEntries(TLocaleInfo{}));
    EXPECT_EQ(us.size(), 22u);
    EXPECT_EQ(us.at("iCountry"), "1");
    EXPECT_EQ(us.at("sCountry"), "United States");
    EXPECT_EQ(us.at("iTime"), "0");
    EXPECT_EQ(us.at("sShortDate"), "M/d/yyyy");
    EXPECT_EQ(us.at("sLongDate"), "dddd, MMMM dd, yyyy");
}

TEST(LocaleTest, ALocaleThatIsNotInstalledReadsAsC) {
    EXPECT_EQ(ReadLocaleInfo("xx_YY.UTF-8").Name, "C");
}

TEST(LocaleTest, GermanConventions) {
    const auto entries = IntlEntries(German());
    EXPECT_EQ(entries.front(), (std::pair<std::string, std::string>{"sLanguage", "deu"}));
    EXPECT_EQ(AsMap(entries), (TEntryMap{{"sLanguage", "deu"},
                                         {"sCountry", "Germany"},
                                         {"iCountry", "49"},
                                         {"iDate", "1"},
                                         {"iTime", "1"},
                                         {"iTLZero", "1"},
                                         {"iCurrency", "3"},
                                         {"iCurrDigits", "2"},
                                         {"iNegCurr", "8"},
                                         {"iLZero", "1"},
                                         {"iDigits", "2"},
                                         {"iMeasure", "0"},
                                         {"s1159", ""},
                                         {"s2359", ""},
                                         {"sCurrency", "\x80"},
                                         {"sThousand", "."},
                                         {"sDecimal", ","},
                                         {"sDate", "."},
                                         {"sTime", ":"},
                                         {"sList", ";"},
                                         {"sShortDate", "dd.MM.yyyy"},
                                         {"sLongDate", "dddd, d MMMM yyyy"}}));
}

TEST(LocaleTest, AmericanLocaleKeepsItsOwnFormats) {
    const TEntryMap us = AsMap(IntlEntries(American()));
    EXPECT_EQ(us.at("iCountry"), "1");
    EXPECT_EQ(us.at("iNegCurr"), "1");
    EXPECT_EQ(us.at("iTime"), "0");
    EXPECT_EQ(us.at("iTLZero"), "1");
    EXPECT_EQ(us.at("sShortDate"), "MM/dd/yyyy");
    EXPECT_EQ(us.at("iMeasure"), "1");
}

TEST(LocaleTest, CountriesLanguagesAndDateOrders) {
    struct Case {
        const char* name;
        const char* dateFormat;
        TEntryMap expected;
    };
    const Case cases[] = {
        {"fr_CA.UTF-8",
         "%Y-%m-%d",
         {{"iCountry", "2"},
          {"sCountry", "Canada"},
          {"sLanguage", "frc"},
          {"iDate", "2"},
          {"sDate", "-"},
          {"sShortDate", "yyyy-MM-dd"}}},
        {"de_CH@euro",
         "%e. %B %y",
         {{"iCountry", "41"}, {"sLanguage", "des"}, {"iDate", "1"}, {"sShortDate", "d. MMMM yy"}}},
        // A territory outside the table keeps the United States code under its own name.
        {"sw_KE",
         "%d/%m/%Y 'h'%a",
         {{"iCountry", "1"},
          {"sCountry", "KE"},
          {"sLanguage", "enu"},
          {"sShortDate", "dd/MM/yyyy 'h'ddd"}}},
    };
    for (const Case& c : cases) {
        TLocaleInfo l = German();
        l.Name = c.name;
        l.DateFormat = c.dateFormat;
        const TEntryMap e = AsMap(IntlEntries(l));
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(e.at(key), value) << c.name << key;
    }
}

TEST(LocaleTest, CurrencyPlacementAndNegativeForms) {
    // {symbol first, blank, sign position} -> iCurrency, iNegCurr.
    struct Case {
        int precedes, space, sign;
        const char* currency;
        const char* negative;
    };
    for (const Case c : {Case{1, 0, 0, "0", "0"},
                         {1, 0, 1, "0", "1"},
                         {1, 0, 4, "0", "2"},
                         {1, 0, 2, "0", "3"},
                         {0, 0, 0, "1", "4"},
                         {0, 0, 1, "1", "5"},
                         {0, 0, 3, "1", "6"},
                         {0, 0, 2, "1", "7"},
                         {0, 1, 1, "3", "8"},
                         {1, 1, 1, "2", "9"},
                         {0, 1, 2, "3", "10"},
                         {1, 1, 2, "2", "11"},
                         {1, 1, 4, "2", "12"},
                         {0, 1, 3, "3", "13"},
                         {1, 1, 0, "2", "14"},
                         {0, 2, 0, "3", "15"}}) {
        TLocaleInfo l = German();
        l.PCsPrecedes = l.NCsPrecedes = c.precedes;
        l.PSepBySpace = l.NSepBySpace = c.space;
        l.NSignPosn = c.sign;
        const TEntryMap e = AsMap(IntlEntries(l));
        EXPECT_EQ(e.at("iCurrency"), c.currency) << c.precedes << c.space << c.sign;
        EXPECT_EQ(e.at("iNegCurr"), c.negative) << c.precedes << c.space << c.sign;
    }
}

TEST(LocaleTest, TimeFormatsAndOpenConventions) {
    TLocaleInfo l = German();
    l.TimeFormat = "%k.%M";
    TEntryMap e = AsMap(IntlEntries(l));
    EXPECT_EQ(e.at("iTime"), "1");
    EXPECT_EQ(e.at("iTLZero"), "0");
    EXPECT_EQ(e.at("sTime"), ".");

    l.TimeFormat = "%l:%M %p";
    e = AsMap(IntlEntries(l));
    EXPECT_EQ(e.at("iTime"), "0");
    EXPECT_EQ(e.at("iTLZero"), "0");
    EXPECT_EQ(e.at("s1159"), "AM");

    // What the locale leaves open takes the United States value (or a clash-free separator).
    l.ThousandsSep = "";
    l.CurrencySymbol = "";
    l.FracDigits = -1;
    l.PCsPrecedes = l.NCsPrecedes = l.NSignPosn = -1;
    l.DateFormat = "";
    e = AsMap(IntlEntries(l));
    EXPECT_EQ(e.at("sThousand"), ".");
    EXPECT_EQ(e.at("sCurrency"), "$");
    EXPECT_EQ(e.at("iCurrDigits"), "2");
    EXPECT_EQ(e.at("iCurrency"), "0");
    EXPECT_EQ(e.at("iNegCurr"), "0");
    EXPECT_EQ(e.at("sShortDate"), "M/d/yyyy");
}

// The profile made from the C library's own data for six countries, the locales compiled into a
// folder of the test's own (LOCPATH) so that no installed locale is needed.
TEST(LocaleTest, TheCLibrarysLocalesGiveTheirCountrysSettings) {
    TTestFolder folder;
    const std::vector<std::string> names = {"de_DE", "fr_FR", "de_CH", "en_GB", "en_US", "ja_JP"};
    for (const std::string& name : names) {
        const std::string command =
            "localedef -i " + name + " -f UTF-8 " + folder / name + ".UTF-8 >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef cannot make " << name;
    }
    TEnvironmentOverride path{"LOCPATH", folder.Path()};
    const std::map<std::string, TEntryMap> expected = {
        {"de_DE",
         {{"iCountry", "49"},
          {"sDecimal", ","},
          {"sThousand", "."},
          {"sCurrency", "\x80"},
          {"iCurrency", "3"},
          {"sShortDate", "dd.MM.yyyy"},
          {"iDate", "1"},
          {"iTime", "1"}}},
        {"fr_FR",
         {{"iCountry", "33"},
          {"sDecimal", ","},
          {"sThousand", "\xA0"},
          {"sCurrency", "\x80"},
          {"iCurrency", "3"},
          {"sShortDate", "dd/MM/yyyy"},
          {"iDate", "1"}}},
        {"de_CH",
         {{"iCountry", "41"},
          {"sDecimal", "."},
          {"sThousand", "\x92"},
          {"sCurrency", "CHF"},
          {"iCurrency", "2"},
          {"sShortDate", "dd.MM.yyyy"}}},
        {"en_GB",
         {{"iCountry", "44"},
          {"sCurrency", "\xA3"},
          {"iCurrency", "0"},
          {"sShortDate", "dd/MM/yy"},
          {"iDate", "1"}}},
        {"en_US",
         {{"iCountry", "1"},
          {"sCurrency", "$"},
          {"sShortDate", "MM/dd/yyyy"},
          {"iDate", "0"},
          {"iTime", "0"}}},
        // The yen sign comes in its full-width form and the date with year, month and day signs
        // Windows-1252 lacks: the sign becomes the yen sign, the date year-month-day with "/".
        {"ja_JP",
         {{"iCountry", "81"},
          {"sCurrency", "\xA5"},
          {"iCurrency", "0"},
          {"iCurrDigits", "0"},
          {"sShortDate", "yyyy/MM/dd"},
          {"sDate", "/"},
          {"iDate", "2"},
          {"iTime", "1"},
          {"sTime", ":"},
          {"s1159", ""}}},
    };
    for (const auto& [name, entries] : expected) {
        const TLocaleInfo info = ReadLocaleInfo(name + ".UTF-8");
        ASSERT_EQ(info.Name, name + ".UTF-8");
        const TEntryMap made = AsMap(IntlEntries(info));
        for (const auto& [key, value] : entries)
            EXPECT_EQ(made.at(key), value) << name << " " << key;
    }
}

} // namespace
