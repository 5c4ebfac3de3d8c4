#include "controls/entry/RegionalConventions.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"
#include "tests/entry/TestProfile.h"

#include <gtest/gtest.h>

namespace {

// Settings read from a WIN.INI whose "intl" section holds the given lines, with a 12-hour or a
// 24-hour long time format in the runtime.
class VcIntl : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings() = saved_; }

    TVcIntlSup Read(const std::string& intlLines, bool twelveHour = true) {
        FormatSettings().LongTimeFormat = twelveHour ? "h:mm:ss AMPM" : "HH:mm:ss";
        TTestProfile profile("[windows]\nload=\n[intl]\n" + intlLines);
        return TVcIntlSup();
    }

    TFormatSettings saved_ = FormatSettings();
};

TEST_F(VcIntl, DefaultsWithoutEntries) {
    const TVcIntlSup intl = Read("");
    EXPECT_EQ(intl.DecimalSeparator, '.');
    EXPECT_EQ(intl.ThousandSeparator, ',');
    EXPECT_EQ(intl.ListSeparator, ',');
    EXPECT_EQ(intl.CurrencyPrefix, "$");
    EXPECT_EQ(intl.CurrencySuffix, "$");
    EXPECT_EQ(intl.CurrencyPlacement, 0);
    EXPECT_EQ(intl.CurrencyDecimals, 2);
    EXPECT_EQ(intl.CountryName, "");
    EXPECT_EQ(intl.ShortDatePicture, "MM/dd/yy");
    EXPECT_EQ(intl.LongDatePicture, "wwww, nnnn dd, yyyy");
    EXPECT_EQ(intl.DefaultDatePicture(false), "mm/dd/yy");
    EXPECT_EQ(intl.DefaultDatePicture(true), "mm/dd/yyyy");
    EXPECT_TRUE(intl.TwelveHourClock);
    EXPECT_EQ(intl.DefaultTimePicture(true), "Hh:mm:ss tt");
    EXPECT_EQ(intl.DefaultTimePicture(false), "Hh:mm tt");
    EXPECT_EQ(intl.TrueLetter, 'T');
    EXPECT_EQ(intl.FalseLetter, 'F');
    EXPECT_EQ(intl.YesLetter, 'Y');
    EXPECT_EQ(intl.NoLetter, 'N');
    // Reading again takes the answer letters from the message table once more.
    TVcIntlSup changed = Read("");
    changed.TrueLetter = 'W';
    changed.FalseLetter = 'X';
    changed.YesLetter = 'J';
    changed.NoLetter = 'K';
    changed.ReadWindowsIntl();
    EXPECT_EQ(std::string({changed.TrueLetter, changed.FalseLetter, changed.YesLetter,
                           changed.NoLetter}),
              "TFYN");
    EXPECT_EQ(Read("", false).DefaultTimePicture(true), "Hh:mm:ss");
    EXPECT_EQ(Read("iTLZero=1\n", false).DefaultTimePicture(false), "hh:mm");
}

TEST_F(VcIntl, EntriesAreRead) {
    const TVcIntlSup intl = Read("sDecimal=,\nsThousand=.\nsList=;\niCurrDigits=3\niNegCurr=8\n"
                                 "sCountry=Deutschland\nsCurrency=DM\niCurrency=3\nsTime=.\n"
                                 "s1159=vorm\ns2359=nachm.\n");
    EXPECT_EQ(intl.DecimalSeparator, ',');
    EXPECT_EQ(intl.ThousandSeparator, '.');
    EXPECT_EQ(intl.ListSeparator, ';');
    EXPECT_EQ(intl.CurrencyDecimals, 3);
    EXPECT_EQ(intl.NegativeCurrencyFormat, 8);
    EXPECT_EQ(intl.CountryName, "Deutschland");
    EXPECT_EQ(intl.CurrencyPrefix, "DM");
    EXPECT_EQ(intl.CurrencySuffix, " DM");
    EXPECT_EQ(intl.TimeSeparator, '.');
    EXPECT_EQ(intl.AmText, "vorm");
    EXPECT_EQ(intl.PmText, "nachm");
    EXPECT_EQ(intl.DefaultTimePicture(true), "Hh:mm:ss ttttt");
}

TEST_F(VcIntl, CurrencyTextsAreCutAndSpaced) {
    const TVcIntlSup intl = Read("sCurrency=ABCDEFGH\niCurrency=2\nsDecimal=\niCurrDigits=300\n");
    EXPECT_EQ(intl.CurrencyDecimals, 2);
    EXPECT_EQ(intl.CurrencyPrefix, "ABCDE ");
    EXPECT_EQ(intl.CurrencySuffix, "ABCDE");
    EXPECT_EQ(intl.DecimalSeparator, '.');
}

TEST_F(VcIntl, ShortDatePictures) {
    const TVcIntlSup dots = Read("sShortDate=dd.MM.yyyy\nsDate=.\n");
    EXPECT_EQ(dots.ShortDatePicture, "dd/MM/yyyy");
    EXPECT_EQ(dots.DefaultDatePicture(false), "dd/mm/yyyy");
    const TVcIntlSup single = Read("sShortDate=M/d/yy\n");
    EXPECT_EQ(single.DefaultDatePicture(false), "MM/DD/yy");
    EXPECT_EQ(single.DefaultDatePicture(true), "MM/DD/yyyy");
    const TVcIntlSup upper = Read("sShortDate=yyyy-MM-DD\nsDate=-\n");
    EXPECT_EQ(upper.DefaultDatePicture(false), "yyyy/mm/dd");
}

TEST_F(VcIntl, LongDateLiterals) {
    const TVcIntlSup intl = Read("sLongDate=dddd, d' de 'MMMM' de 'yyyy\n");
    EXPECT_EQ(intl.LongDatePicture, "wwww, dffffnnnnggggyyyy");
    EXPECT_EQ(intl.LongDateLiteralCount, 2);
    EXPECT_EQ(intl.LongDateLiterals[0], " de ");
    EXPECT_EQ(intl.DMYToDatePChar(intl.LongDatePicture, 5, 3, 1998, true, 0),
              "Thur, 5 de Marc de 1998");
    const TVcIntlSup longLiteral = Read("sLongDate='abcdefghij' ddd.MMM.yy\n");
    EXPECT_EQ(longLiteral.LongDatePicture, "ffffff www. nnn. yy");
    EXPECT_EQ(longLiteral.LongDateLiterals[0], "abcdef");
    // The letter of a literal the long date does not have stands as it is.
    EXPECT_EQ(longLiteral.DMYToDatePChar("dd g", 5, 3, 1998, false, 0), "05 g");
    EXPECT_EQ(Read("").DMYToDatePChar("f dd", 5, 3, 1998, false, 0), "f 05");
}

TEST_F(VcIntl, DatesToText) {
    const TVcIntlSup intl = Read("sDate=-\n");
    EXPECT_EQ(intl.DateToDateString("mm/dd/yyyy", DMYToDate(5, 1, 1996, 0), false), "01-05-1996");
    EXPECT_EQ(intl.DateToDateString("mm/dd/yyyy", BadDate, false), "  -  -    ");
    EXPECT_EQ(intl.DateToDateString("mm/dd/yy", DMYToDate(5, 1, 2003, 0), false), "01-05-03");
    EXPECT_EQ(intl.DMYToDatePChar("DD/MM/yy", 5, 1, 1996, false, 0), " 5- 1-96");
    EXPECT_EQ(intl.DMYToDatePChar("DD/MM/yy", 5, 1, 1996, true, 0), "5-1-96");
    EXPECT_EQ(intl.DMYToDatePChar("NNN dd, yyyy", 5, 1, 1996, false, 0), "JAN 05, 1996");
    EXPECT_EQ(intl.DMYToDatePChar("Wwwwwwwwww nnnnnnnnn", 5, 1, 1996, true, 0), "Friday January");
    EXPECT_EQ(intl.DMYToDatePChar("dd/mm/yyyy", 5, 1, 96, false, 1950), "05-01-1996");
    EXPECT_EQ(intl.DMYToDatePChar("dd/mm/yyyy", 31, 2, 1996, false, 0), "  -  -    ");
}

TEST_F(VcIntl, TextToDates) {
    const TVcIntlSup intl = Read("");
    EXPECT_EQ(intl.DateStringToDate("mm/dd/yy", "01/05/96", 1950), DMYToDate(5, 1, 1996, 0));
    EXPECT_EQ(intl.DateStringToDate("mm/dd/yy", "01/05/96", 2000), DMYToDate(5, 1, 2096, 0));
    EXPECT_EQ(intl.DateStringToDate("mm/dd/yy", "  /05/96", 1950), BadDate);
    EXPECT_EQ(intl.DateStringToDate("mm/dd/yy", "1/05/96", 1950), BadDate);
    EXPECT_EQ(intl.DateStringToDate("mm/dd/yyyy", "02/30/1996", 0), BadDate);
    EXPECT_EQ(intl.DateStringToDate("MM/DD/yyyy", " 2/ 9/1996", 0), DMYToDate(9, 2, 1996, 0));
    EXPECT_EQ(intl.DateStringToDate("nnn dd yyyy", "feb 09 1996", 0), DMYToDate(9, 2, 1996, 0));
    EXPECT_EQ(intl.DateStringToDate("nnn dd yyyy", "xyz 09 1996", 0), BadDate);
    EXPECT_EQ(intl.DateStringToDate("mm/dd/yy", "0a/05/96", 1950), BadDate);
    TManualClock clock({2024, 7, 15, 9, 0, 0, 0});
    TClockOverride use(clock);
    SetDefaultYearMonth();
    EXPECT_EQ(intl.DateStringToDate("dd/yyyy", "03/1998", 0), DMYToDate(3, 7, 1998, 0));
    EXPECT_EQ(intl.DateStringToDate("mm", "03", 0), DMYToDate(1, 3, 2024, 0));
    EXPECT_TRUE(intl.DateStringIsBlank("mm/dd/yy", "  /  /  "));
    EXPECT_FALSE(intl.DateStringIsBlank("mm/dd/yy", "  / 1/  "));
}

TEST_F(VcIntl, TimesToText) {
    const TVcIntlSup intl = Read("sTime=.\n");
    const TTimeOfDay t = HMSToTime(13, 5, 9);
    EXPECT_EQ(intl.TimeToTimeString("Hh:mm:ss tt", t, false), " 1.05.09 PM");
    EXPECT_EQ(intl.TimeToTimeString("Hh:mm:ss tt", t, true), "1.05.09 PM");
    EXPECT_EQ(intl.TimeToTimeString("hh:mm tt", HMSToTime(0, 30, 0), false), "12.30 AM");
    EXPECT_EQ(intl.TimeToTimeString("hh:mm:ss", t, false), "13.05.09");
    EXPECT_EQ(intl.TimeToTimeString("Hh:mm:ss tt", BadTime, false), "  .  .     ");
    EXPECT_EQ(intl.TimeToTimeString("Hh:mm:ss tt", BadTime, true), "  .  .  ");
    const TVcIntlSup noMarkers = Read("s1159=\ns2359=\n");
    EXPECT_EQ(noMarkers.TimeToTimeString("hh:mm tt", HMSToTime(14, 0, 0), true), "14:00");
}

TEST_F(VcIntl, TextToTimes) {
    const TVcIntlSup intl = Read("");
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "12:30 AM"), HMSToTime(0, 30, 0));
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "12:30 PM"), HMSToTime(12, 30, 0));
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "01:30 pm"), HMSToTime(13, 30, 0));
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "13:30 PM"), BadTime);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "00:30 AM"), BadTime);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "01:30 XM"), BadTime);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm tt", "  :30 PM"), BadTime);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm:ss", "23:59:59"), 86399);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm:ss", "24:00:00"), BadTime);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm:ss", "  :00:00"), BadTime);
    EXPECT_EQ(intl.TimeStringToTime("hh:mm", "07:45"), HMSToTime(7, 45, 0));
    EXPECT_EQ(intl.TimeStringToTime("hh:mm", "07:45:00"), BadTime);
}

TEST(VcIntlMonthNames, MatchIgnoringCase) {
    EXPECT_EQ(MonthNameToMonth("jan"), 1);
    EXPECT_EQ(MonthNameToMonth("DECEMBER "), 12);
    EXPECT_EQ(MonthNameToMonth("May      "), 5);
    EXPECT_EQ(MonthNameToMonth("   "), 0);
    EXPECT_EQ(MonthNameToMonth("Jum"), 0);
}

} // namespace
