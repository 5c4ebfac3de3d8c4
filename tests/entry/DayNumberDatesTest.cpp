#include "controls/entry/DayNumberDates.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// Days since 1600-01-01 by the standard library's proleptic Gregorian calendar.
int CivilDayNumber(int y, int m, int d) {
    using namespace std::chrono;
    const sys_days day = year{y} / month{static_cast<unsigned>(m)} / d;
    const sys_days origin = year{1600} / January / 1;
    return static_cast<int>((day - origin).count());
}

TEST(VcDateDMYToDate, KnownDayNumbers) {
    EXPECT_EQ(DMYToDate(1, 1, 1600, 0), 0);
    EXPECT_EQ(DMYToDate(31, 1, 1600, 0), 30);
    EXPECT_EQ(DMYToDate(29, 2, 1600, 0), 59);
    EXPECT_EQ(DMYToDate(1, 3, 1600, 0), 60);
    EXPECT_EQ(DMYToDate(1, 1, 1900, 0), 109573);
    EXPECT_EQ(DMYToDate(1, 1, 2000, 0), 146097);
    EXPECT_EQ(DMYToDate(31, 12, 3999, 0), MaxDayNumber);
    EXPECT_EQ(DMYToDate(29, 2, 2000, 0), 146156);
}

TEST(VcDateDMYToDate, InvalidDates) {
    EXPECT_EQ(DMYToDate(29, 2, 1900, 0), BadDate);
    EXPECT_EQ(DMYToDate(1, 1, 1599, 0), BadDate);
    EXPECT_EQ(DMYToDate(1, 1, 4000, 0), BadDate);
    EXPECT_EQ(DMYToDate(0, 1, 2000, 0), BadDate);
    EXPECT_EQ(DMYToDate(32, 1, 2000, 0), BadDate);
    EXPECT_EQ(DMYToDate(1, 13, 2000, 0), BadDate);
    EXPECT_EQ(DMYToDate(1, 0, 2000, 0), BadDate);
    EXPECT_EQ(DaysInMonth(13, 2000, 0), 0);
    EXPECT_EQ(DaysInMonth(2, 1500, 0), 0);
}

TEST(VcDateDMYToDate, TwoDigitYears) {
    EXPECT_EQ(DMYToDate(1, 1, 49, 1950), DMYToDate(1, 1, 2049, 0));
    EXPECT_EQ(DMYToDate(1, 1, 50, 1950), DMYToDate(1, 1, 1950, 0));
    EXPECT_EQ(DMYToDate(1, 1, 99, 1950), DMYToDate(1, 1, 1999, 0));
    EXPECT_EQ(DMYToDate(1, 1, 0, 2000), DMYToDate(1, 1, 2000, 0));
    EXPECT_EQ(DMYToDate(1, 1, 99, 2000), DMYToDate(1, 1, 2099, 0));
    EXPECT_EQ(DMYToDate(1, 1, 50, 0), BadDate);
    EXPECT_TRUE(ValidDate(29, 2, 0, 2000));
}

TEST(VcDateLeapYear, Rules) {
    EXPECT_TRUE(IsLeapYear(1600));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(1996));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(4000));
    EXPECT_FALSE(IsLeapYear(1999));
}

TEST(VcDateRoundTrip, EveryDayFrom1600To3999AgreesWithTheGregorianCalendar) {
    TDayNumber expected = 0;
    for (int y = 1600; y <= 3999; ++y) {
        for (int m = 1; m <= 12; ++m) {
            const int days = DaysInMonth(m, y, 0);
            ASSERT_EQ(days, static_cast<int>(static_cast<unsigned>(
                                (std::chrono::year{y} / m / std::chrono::last).day())));
            for (int d = 1; d <= days; ++d) {
                const TDayNumber n = DMYToDate(d, m, y, 0);
                ASSERT_EQ(n, expected) << y << "-" << m << "-" << d;
                ASSERT_EQ(n, CivilDayNumber(y, m, d));
                int dd, mm, yy;
                DateToDMY(n, dd, mm, yy);
                ASSERT_TRUE(dd == d && mm == m && yy == y) << n;
                ASSERT_EQ(DayOfWeek(n),
                          static_cast<int>(std::chrono::weekday(
                                               std::chrono::sys_days(std::chrono::year{y} / m / d))
                                               .c_encoding()));
                ++expected;
            }
        }
    }
    EXPECT_EQ(expected, MaxDayNumber + 1);
}

TEST(VcDateDateToDMY, OutOfRangeGivesZeros) {
    for (TDayNumber bad : {BadDate, -2, MaxDayNumber + 1, 2147483647}) {
        int d = 9, m = 9, y = 9;
        DateToDMY(bad, d, m, y);
        EXPECT_EQ(d, 0);
        EXPECT_EQ(m, 0);
        EXPECT_EQ(y, 0);
    }
}

TEST(VcDateDayOfWeek, Values) {
    EXPECT_EQ(DayOfWeek(0), 6);
    EXPECT_EQ(DayOfWeek(BadDate), BadWeekday);
    EXPECT_EQ(DayOfWeek(MaxDayNumber + 1), BadWeekday);
    EXPECT_EQ(DayOfWeek(-100), BadWeekday);
    EXPECT_EQ(DayOfWeekDMY(1, 1, 2000, 0), 6);
    EXPECT_EQ(DayOfWeekDMY(30, 2, 2000, 0), BadWeekday);
}

TEST(VcDateIncDate, MonthSteps) {
    EXPECT_EQ(IncDate(DMYToDate(31, 12, 1999, 0), 0, 1, 0), DMYToDate(31, 1, 2000, 0));
    EXPECT_EQ(IncDate(DMYToDate(31, 1, 2000, 0), 0, 1, 0), DMYToDate(2, 3, 2000, 0));
    EXPECT_EQ(IncDate(DMYToDate(31, 1, 2001, 0), 0, 1, 0), DMYToDate(3, 3, 2001, 0));
    EXPECT_EQ(IncDate(DMYToDate(31, 3, 2000, 0), 0, -1, 0), DMYToDate(2, 3, 2000, 0));
    EXPECT_EQ(IncDate(DMYToDate(15, 1, 2000, 0), 0, -13, 0), DMYToDate(15, 12, 1998, 0));
    EXPECT_EQ(IncDate(DMYToDate(15, 6, 2000, 0), 0, 25, 1), DMYToDate(15, 7, 2003, 0));
    EXPECT_EQ(IncDate(DMYToDate(1, 1, 2000, 0), 40, 0, 0), DMYToDate(10, 2, 2000, 0));
}

TEST(VcDateIncDate, OutsideTheRangeGivesBadDate) {
    EXPECT_EQ(IncDate(BadDate, 1, 0, 0), BadDate);
    EXPECT_EQ(IncDate(MaxDayNumber + 5, 0, 1, 0), BadDate);
    EXPECT_EQ(IncDate(0, -1, 0, 0), BadDate);
    EXPECT_EQ(IncDate(MaxDayNumber, 1, 0, 0), BadDate);
    EXPECT_EQ(IncDate(0, 0, -1, 0), BadDate);
    EXPECT_EQ(IncDate(DMYToDate(1, 1, 2000, 0), 0, 0, 2147483647), BadDate);
    EXPECT_EQ(IncDate(DMYToDate(1, 1, 2000, 0), 2147483647, 0, 0), BadDate);
    EXPECT_EQ(IncDateTrunc(BadDate, 1, 0), BadDate);
    EXPECT_EQ(IncDateTrunc(DMYToDate(1, 12, 3999, 0), 1, 0), BadDate);
}

TEST(VcDateIncDateTrunc, KeepsTheEndOfTheMonth) {
    EXPECT_EQ(IncDateTrunc(DMYToDate(31, 1, 2000, 0), 1, 0), DMYToDate(29, 2, 2000, 0));
    EXPECT_EQ(IncDateTrunc(DMYToDate(31, 1, 2000, 0), 13, 0), DMYToDate(28, 2, 2001, 0));
    EXPECT_EQ(IncDateTrunc(DMYToDate(30, 1, 2000, 0), 2, 0), DMYToDate(30, 3, 2000, 0));
    EXPECT_EQ(IncDateTrunc(DMYToDate(29, 2, 2000, 0), 0, 1), DMYToDate(28, 2, 2001, 0));
    EXPECT_EQ(IncDateTrunc(DMYToDate(15, 5, 2000, 0), -1, 0), DMYToDate(15, 4, 2000, 0));
}

TEST(VcDateTime, Conversions) {
    EXPECT_EQ(HMSToTime(25, 0, 0), 3600);
    EXPECT_EQ(HMSToTime(23, 59, 59), 86399);
    EXPECT_EQ(DecTime(0, 0, 0, 1), 86399);
    EXPECT_EQ(IncTime(86399, 0, 0, 1), 0);
    EXPECT_TRUE(ValidTime(23, 59, 59));
    EXPECT_FALSE(ValidTime(24, 0, 0));
    EXPECT_FALSE(ValidTime(0, -1, 0));
    Byte h = 1, m = 1, s = 1;
    TimeToHMS(BadTime, h, m, s);
    EXPECT_EQ(h + m + s, 0);
    TimeToHMS(86400, h, m, s);
    EXPECT_EQ(h + m + s, 0);
    TimeToHMS(3723, h, m, s);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(s, 3);
}

TEST(VcDateDateTime, RuntimeValues) {
    EXPECT_EQ(DateTimeToDayNumber(EncodeDate(2000, 1, 1) + 0.75), 146097);
    EXPECT_EQ(DateTimeToDayNumber(EncodeDate(1600, 1, 1)), 0);
    EXPECT_EQ(DateTimeToDayNumber(EncodeDate(1599, 12, 31)), BadDate);
    EXPECT_EQ(DateTimeToDayNumber(std::numeric_limits<double>::quiet_NaN()), BadDate);
    EXPECT_EQ(DayNumberToDateTime(146097), EncodeDate(2000, 1, 1));
    EXPECT_EQ(DayNumberToDateTime(BadDate), 0.0);
    EXPECT_EQ(DateTimeToSeconds(EncodeTime(13, 14, 15, 600)), 13 * 3600 + 14 * 60 + 15);
    EXPECT_DOUBLE_EQ(SecondsToDateTime(43200), 0.5);
    EXPECT_EQ(SecondsToDateTime(BadTime), 0.0);
}

TEST(VcDateClock, TodayAndDefaults) {
    TManualClock clock({2024, 2, 29, 18, 30, 15, 0});
    TClockOverride use(clock);
    EXPECT_EQ(CurrentDate(), DMYToDate(29, 2, 2024, 0));
    EXPECT_EQ(CurrentTime(), 18 * 3600 + 30 * 60 + 15);
    SetDefaultYearMonth();
    EXPECT_EQ(DefaultYear, 2024);
    EXPECT_EQ(DefaultMonth, 2);
}

} // namespace
