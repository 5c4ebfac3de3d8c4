#include "dbcontrols/FilterParser.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"

#include <gtest/gtest.h>

TEST(DwStrings, TokensWithCharacterAndWordDelimiters) {
    int pos = 1;
    EXPECT_EQ(strGetToken("a;b;c", ";", pos), "a");
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(strGetToken("a;b;c", ";", pos), "b");
    EXPECT_EQ(strGetToken("a;b;c", ";", pos), "c");
    EXPECT_EQ(pos, -1);
    EXPECT_EQ(strGetToken("a;b;c", ";", pos), ""); // a finished scan stays finished
    pos = 1;
    const std::string text = "X > 1 and Y < 2 AND Z = 3";
    EXPECT_EQ(strGetToken(text, "AND", pos), "X > 1");
    EXPECT_EQ(strGetToken(text, "AND", pos), "Y < 2");
    EXPECT_EQ(strGetToken(text, "AND", pos), "Z = 3");
    pos = 1;
    EXPECT_EQ(strGetToken("BRANDY", "AND", pos), "BRANDY"); // a word, not letters inside one
    pos = 40;
    EXPECT_EQ(strGetToken("abc", ";", pos), "");
    EXPECT_EQ(pos, -1);
}

TEST(DwStrings, BreakApartKeepsTheLastEmptyPart) {
    TStringList list;
    list.Add("old");
    strBreakApart("NAME\t###\tT\t", '\t', list);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[1], "###");
    EXPECT_EQ(list[3], "");
    strBreakApart("", ';', list);
    EXPECT_EQ(list.Count(), 1);
}

TEST(DwStrings, SmallRoutines) {
    std::string s = "abc \t\r\n";
    strTrimTrailing(s, " \t\r\n");
    EXPECT_EQ(s, "abc");
    EXPECT_EQ(strReplaceChar("a.b.c", '.', ','), "a,b,c");
    EXPECT_TRUE(strEqualNoCase("Loans", "LOANS"));
    EXPECT_EQ(strCountChar("a;b;;c", ';'), 3);
    EXPECT_EQ(strAfterChar("Form1.Combo", '.'), "Combo");
    EXPECT_EQ(strAfterChar("Combo", '.'), "");
}

TEST(DwStrings, Words) {
    int pos = 1;
    const std::string s = "  NAME,\"Last name\" 'x'";
    EXPECT_EQ(strGetWord(s, pos, gwSkipBlanks, ","), "NAME");
    EXPECT_EQ(pos, 7);                                     // at the comma that stopped it
    EXPECT_EQ(strGetWord(s, pos, gwSkipBlanks, ","), ","); // a one-character word
    EXPECT_EQ(pos, 8);
    EXPECT_EQ(strGetWord(s, pos, gwQuoted, ","), "\"Last name\"");
    EXPECT_EQ(strGetWord(s, pos, gwSkipBlanks | gwUnquote, ","), "x");
    pos = 1;
    EXPECT_EQ(strGetWord("\"open end", pos, gwQuoted | gwUnquote, ""), "open end");
    pos = 1;
    EXPECT_EQ(strGetWord("!a!b c", pos, 0, ""), "!a!b") << "a ! is the first printable";
}

namespace {

class DateTexts : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = FormatSettings();
        FormatSettings().DateSeparator = '.';
        FormatSettings().ShortDateFormat = "dd.MM.yyyy";
        FormatSettings().TimeSeparator = ':';
    }
    void TearDown() override { FormatSettings() = saved_; }
    TFormatSettings saved_;
    TManualClock clock_{{2026, 12, 7, 9, 0, 0, 0}};
    TClockOverride override_{clock_};
};

TDateTime Scan(const std::string& text, int& pos) {
    TDateTime d = -1;
    EXPECT_TRUE(ScanDateText(text, pos, d)) << text;
    return d;
}

} // namespace

TEST_F(DateTexts, DayMonthYearOrder) {
    EXPECT_EQ(DateOrderOf("dd.MM.yyyy"), 1);
    EXPECT_EQ(DateOrderOf("M/d/yy"), 0);
    EXPECT_EQ(DateOrderOf("yyyy-MM-dd"), 2);
    EXPECT_EQ(DateOrderOf("x"), 0);
    int pos = 1;
    EXPECT_EQ(Scan("3.4.2026 ", pos), EncodeDate(2026, 4, 3));
    EXPECT_EQ(pos, 10); // past the trailing blank
    pos = 1;
    EXPECT_EQ(Scan("3.4.26", pos), EncodeDate(1926, 4, 3)); // two digits: the 1900s
    pos = 1;
    EXPECT_EQ(Scan("3.4.99", pos), EncodeDate(1999, 4, 3));
    pos = 1;
    EXPECT_EQ(Scan("3.4.100", pos), EncodeDate(100, 4, 3)) << "three digits stay as they are";
    pos = 1;
    EXPECT_EQ(Scan("3.4", pos), EncodeDate(2026, 4, 3)); // two numbers: this year
    pos = 1;
    EXPECT_EQ(Scan("3.apr.2026", pos), EncodeDate(2026, 4, 3));
    TDateTime d = 0;
    pos = 1;
    EXPECT_FALSE(ScanDateText("31.2.2026", pos, d));
    pos = 1;
    EXPECT_FALSE(ScanDateText("29.2.2026", pos, d));
    pos = 1;
    EXPECT_TRUE(ScanDateText("29.2.2024", pos, d));
}

TEST_F(DateTexts, TimesAndTextTests) {
    int pos = 1;
    TDateTime t = 0;
    EXPECT_TRUE(ScanTimeText("10:30 pm", pos, t));
    EXPECT_DOUBLE_EQ(t, EncodeTime(22, 30, 0, 0));
    pos = 1;
    EXPECT_TRUE(ScanTimeText("12:05:09 AM", pos, t));
    EXPECT_DOUBLE_EQ(t, EncodeTime(0, 5, 9, 0));
    EXPECT_EQ(pos, 12) << "past the marker";
    // A date then a time in one text: each scan goes on where the one before stopped.
    pos = 1;
    TDateTime d = 0;
    EXPECT_TRUE(ScanDateText("1.12.2026 10:15 x", pos, d));
    EXPECT_EQ(pos, 11);
    EXPECT_TRUE(ScanTimeText("1.12.2026 10:15 x", pos, t));
    EXPECT_DOUBLE_EQ(t, EncodeTime(10, 15, 0, 0));
    EXPECT_EQ(pos, 17) << "past the blank after the time";
    pos = 1;
    EXPECT_FALSE(ScanTimeText("13:00 PM", pos, t));
    pos = 1;
    EXPECT_FALSE(ScanTimeText("10:60", pos, t));
    EXPECT_TRUE(IsDateText("1.12.2026"));
    EXPECT_FALSE(IsDateText("1.12.2026 x"));
    EXPECT_TRUE(IsTimeText("23:59:59"));
    EXPECT_TRUE(IsDateTimeText("1.12.2026 10:00"));
    EXPECT_FALSE(IsDateTimeText("1.12.2026"));
    EXPECT_TRUE(IsIntegerText("-12"));
    EXPECT_FALSE(IsIntegerText("1-2"));
    EXPECT_TRUE(IsValidFloatText(""));
    EXPECT_TRUE(IsValidFloatText("-1.5"));
    EXPECT_FALSE(IsValidFloatText("1.5x"));
    EXPECT_TRUE(IsValidFloatText("1" + std::string(62, '0'))) << "63 characters";
    EXPECT_FALSE(IsValidFloatText("1" + std::string(63, '0')));
}

TEST_F(DateTexts, PartUnderTheCaret) {
    const std::string s = "03.04.2026 10:30:45 PM";
    EXPECT_EQ(DateTimePartAt(0, s, false), dpDay);
    EXPECT_EQ(DateTimePartAt(4, s, false), dpMonth);
    EXPECT_EQ(DateTimePartAt(8, s, false), dpYear);
    EXPECT_EQ(DateTimePartAt(12, s, false), dpHour);
    EXPECT_EQ(DateTimePartAt(15, s, false), dpMinute);
    EXPECT_EQ(DateTimePartAt(17, s, false), dpSecond);
    EXPECT_EQ(DateTimePartAt(21, s, false), dpAmPm);
    EXPECT_EQ(DateTimePartAt(10, "03.04.2026", false), dpHour) << "at the date's end";
    EXPECT_EQ(DateTimePartAt(9, "03.04.2026", false), dpYear);
    FormatSettings().ShortDateFormat = "M/d/yyyy";
    FormatSettings().DateSeparator = '/';
    EXPECT_EQ(DateTimePartAt(0, "4/3/2026", false), dpMonth);
    EXPECT_EQ(DateTimePartAt(3, "4/3/2026", false), dpDay);
    EXPECT_EQ(TimePartAt(-1, "10:30"), dpHour);
    EXPECT_EQ(TimePartAt(4, "10:30"), dpMinute);
    // Before a separator the caret is still in the part it ends.
    EXPECT_EQ(TimePartAt(2, "10:30"), dpHour);
    EXPECT_EQ(TimePartAt(3, "10:30"), dpMinute);
    EXPECT_EQ(TimePartAt(5, "10:30:45"), dpMinute);
    EXPECT_EQ(TimePartAt(6, "10:30:45"), dpSecond);
    // More separators than a date has: the caret counts as in the day.
    FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    FormatSettings().DateSeparator = '.';
    EXPECT_EQ(DateTimePartAt(6, ".1.2.3", false), dpDay);
    EXPECT_EQ(DateTimePartAt(4, ".1.2.3", false), dpYear);
    EXPECT_EQ(DateTimePartAt(4, "10:30", true), dpMinute);
}
