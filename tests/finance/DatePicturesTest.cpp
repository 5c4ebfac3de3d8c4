#include "finance/DatePictures.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"
#include "tests/entry/TestProfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class LoDates : public ::testing::Test {
protected:
    void SetUp() override { InitDefaultYearMonth(); }
    void TearDown() override { FormatSettings() = saved_; }
    TFormatSettings saved_ = FormatSettings();
};

TEST_F(LoDates, ReadsDatesAgainstPictures) {
    EXPECT_EQ(DateFromMask("mm/yyyy", "03/1998"), DMYToDate(1, 3, 1998, 0));
    EXPECT_EQ(DateFromMask("mm/dd/yyyy", "12/31/1999"), DMYToDate(31, 12, 1999, 0));
    EXPECT_EQ(DateFromMask("dd.mm.yy", "05.01.96"), DMYToDate(5, 1, 1996, 0));
    EXPECT_EQ(DateFromMask("DD-NNN-YYYY", "05-FEB-1996"), DMYToDate(5, 2, 1996, 0));
    EXPECT_EQ(DateFromMask("mm/dd/yyyy", "02/30/1999"), BadDate);
    EXPECT_EQ(DateFromMask("mm/dd/yyyy", "0x/10/1999"), BadDate);
    EXPECT_EQ(DateFromMask("mm/dd/yyyy", "  /10/1999"), BadDate);
}

TEST_F(LoDates, DefaultsFillMissingParts) {
    TManualClock clock({2023, 6, 10, 8, 0, 0, 0});
    TClockOverride use(clock);
    InitDefaultYearMonth();
    EXPECT_EQ(ParseDefaultYear, 2023);
    EXPECT_EQ(ParseDefaultMonth, 6);
    EXPECT_EQ(DateFromMask("dd", "17"), DMYToDate(17, 6, 2023, 0));
    int d, m, y;
    EXPECT_TRUE(ParseDateParts("mm/dd/yyyy", "3/1/1999", d, m, y)); // length differs
    EXPECT_EQ(d, 1);
    EXPECT_EQ(m, 6);
    EXPECT_EQ(y, 2023);
    EXPECT_EQ(ExtractDatePart("mm/dd", "01/02", 'y', 77), 77);
    EXPECT_EQ(ExtractDatePart("nnn", "xyz", 'n', 5), -1);
    EXPECT_EQ(ExtractDatePart("nnn", "mar", 'n', 5), 3);
    EXPECT_EQ(MonthFromName("dec", 3), 12);
    EXPECT_EQ(MonthFromName("December", 10), 12);
    EXPECT_EQ(MonthFromName("xx", 2), 0);
}

// The first date read in a program that set no default year takes today's year and month. The
// test runs in a fresh copy of the test program, where nothing has set them yet.
TEST(LoDatesDeathTest, TheFirstDateReadTakesTodaysYearAndMonth) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TManualClock clock({2023, 6, 10, 8, 0, 0, 0});
            TClockOverride use(clock);
            const bool today = DateFromMask("dd", "17") == DMYToDate(17, 6, 2023, 0);
            std::exit(today ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LoDates, QuotedLiterals) {
    std::string picture = "d 'de' MMMM 'del' yyyy";
    std::string literal;
    EXPECT_TRUE(ExtractQuotedLiteral(picture, literal, 'f'));
    EXPECT_EQ(literal, "de");
    EXPECT_EQ(picture, "d f MMMM 'del' yyyy");
    picture = "'unterminated literal";
    EXPECT_TRUE(ExtractQuotedLiteral(picture, literal, 'g'));
    EXPECT_EQ(literal, "unterm");
    EXPECT_EQ(picture, "g");
    EXPECT_FALSE(ExtractQuotedLiteral(picture, literal, 'h'));
}

TEST_F(LoDates, PicturesFromTheSettings) {
    FormatSettings().LongTimeFormat = "hh:mm:ss";
    FormatSettings().DateSeparator = '.';
    FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    FormatSettings().LongDateFormat = "dddd, d' de 'MMMM' de 'yyyy";
    {
        TTestProfile profile("[intl]\ns1159=morning-time\n");
        InitDatePictures();
    }
    const TDatePictures& p = DatePictures();
    EXPECT_TRUE(p.TwoDigitHour);
    EXPECT_FALSE(p.TrailingM);
    EXPECT_EQ(p.DateSeparator, '.');
    EXPECT_EQ(p.AmString, "morning");
    EXPECT_EQ(p.PmString, "PM");
    EXPECT_EQ(p.ShortDate, "dd/MM/yyyy");
    EXPECT_EQ(p.LongDate, "w, dfngyyyy");
    EXPECT_EQ(p.LongDateLiterals[0], " de ");
    // A short date format past 31 characters keeps its first 31.
    FormatSettings().ShortDateFormat = "dd.MM.yyyy" + std::string(25, ' ') + "gg";
    InitDatePictures();
    EXPECT_EQ(DatePictures().ShortDate, "dd/MM/yyyy" + std::string(21, ' '));
    FormatSettings().LongTimeFormat = "h:mm:ss AMPM";
    FormatSettings().LongDateFormat = "MMM d/yyyy.dddd";
    InitDatePictures();
    EXPECT_FALSE(DatePictures().TwoDigitHour);
    EXPECT_TRUE(DatePictures().TrailingM);
    EXPECT_EQ(DatePictures().LongDate, "n d/ yyyy. w");
}

} // namespace
