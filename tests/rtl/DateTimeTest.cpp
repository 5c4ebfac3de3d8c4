#include "platform/rtl/DateTime.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/RaisedMessage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono;

// Regional settings back at their defaults and the clock at a fixed moment for every test.
class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override { FormatSettings() = TFormatSettings{}; }
    void TearDown() override { FormatSettings() = TFormatSettings{}; }

    TManualClock clock{{2026, 6, 15, 9, 30, 0, 0}};
    TClockOverride useClock{clock};
};

// Every day of 1600..3999 against the proleptic Gregorian calendar of the standard library.
TEST_F(DateTimeTest, EncodeDecodeAndWeekdayAgreeWithGregorianCalendarDayByDay) {
    const sys_days epoch = sys_days(year(1899) / December / 30);
    const sys_days last = sys_days(year(3999) / December / 31);
    int failures = 0;
    for (sys_days d = sys_days(year(1600) / January / 1); d <= last && failures < 5; d += days(1)) {
        const year_month_day ymd(d);
        const auto y = static_cast<Word>(static_cast<int>(ymd.year()));
        const auto m = static_cast<Word>(static_cast<unsigned>(ymd.month()));
        const auto dd = static_cast<Word>(static_cast<unsigned>(ymd.day()));
        const double serial = static_cast<double>((d - epoch).count());
        Word ry = 0, rm = 0, rd = 0;
        DecodeDate(serial < 0 ? serial - 0.75 : serial + 0.75, ry, rm, rd);
        const int expectedDay = static_cast<int>(weekday(d).c_encoding()) + 1;
        if (EncodeDate(y, m, dd) != serial || ry != y || rm != m || rd != dd ||
            DayOfWeek(serial) != expectedDay || IsLeapYear(y) != ymd.year().is_leap()) {
            ADD_FAILURE() << "day " << serial << " is " << y << "-" << m << "-" << dd;
            ++failures;
        }
    }
}

TEST_F(DateTimeTest, RangeEndsAndImpossibleDates) {
    EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
    EXPECT_EQ(EncodeDate(9999, 12, 31), MaxDateTime);
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    for (auto [y, m, d] : {std::tuple{2023, 2, 29},
                           {1900, 2, 29},
                           {0, 1, 1},
                           {10000, 1, 1},
                           {2024, 13, 1},
                           {2024, 0, 1},
                           {2024, 4, 31},
                           {2024, 1, 0}}) {
        TDateTime date = -5;
        EXPECT_FALSE(TryEncodeDate(y, m, d, date)) << y << "-" << m << "-" << d;
        EXPECT_EQ(date, -5);
        EXPECT_EQ(RaisedMessage<EConvertError>([&] { EncodeDate(y, m, d); }),
                  "Invalid argument to date encode");
    }
    EXPECT_EQ(MonthDays(true, 2), 29);
    EXPECT_EQ(MonthDays(false, 2), 28);
    EXPECT_EQ(MonthDays(false, 13), 0);
}

TEST_F(DateTimeTest, ValuesOutsideTheYearsDecodeAsZero) {
    for (double value : {MinDateTime - 1.0, MaxDateTime + 1.0, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        Word y = 1, m = 1, d = 1, h = 1, n = 1, s = 1, z = 1;
        DecodeDate(value, y, m, d);
        DecodeTime(value, h, n, s, z);
        EXPECT_EQ(y + m + d + h + n + s + z, 0) << value;
        EXPECT_EQ(DayOfWeek(value), 0);
        EXPECT_EQ(FormatDateTime("dddd mmmm", value), " ");
    }
}

TEST_F(DateTimeTest, TimeEncodingRoundingAndNegativeDates) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    Word h, n, s, z;
    DecodeTime(EncodeDate(2026, 3, 7) + EncodeTime(23, 59, 59, 999), h, n, s, z);
    EXPECT_EQ((std::array{h, n, s, z}), (std::array<Word, 4>{23, 59, 59, 999}));
    EXPECT_EQ(RaisedMessage<EConvertError>([] { EncodeTime(24, 0, 0, 0); }),
              "Invalid argument to time encode");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { EncodeTime(1, 60, 0, 0); }),
              "Invalid argument to time encode");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { EncodeTime(1, 0, 0, 1000); }),
              "Invalid argument to time encode");

    // Less than half a millisecond before midnight is the next day.
    Word y, m, d;
    DecodeDate(1.0 - 1e-10, y, m, d);
    DecodeTime(1.0 - 1e-10, h, n, s, z);
    EXPECT_EQ((std::array{y, m, d, h, n, s, z}), (std::array<Word, 7>{1899, 12, 31, 0, 0, 0, 0}));

    // Before 1899-12-30 the fraction still counts forward from midnight.
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, z);
    EXPECT_EQ((std::array{y, m, d, h, n}), (std::array<Word, 5>{1899, 12, 29, 6, 0}));
}

TEST_F(DateTimeTest, DateTimeAndNowComeFromTheClock) {
    EXPECT_EQ(Date(), EncodeDate(2026, 6, 15));
    EXPECT_EQ(Time(), EncodeTime(9, 30, 0, 0));
    clock.SetLocalTime({2026, 12, 31, 23, 59, 59, 500});
    clock.Advance(600);
    EXPECT_EQ(Now(), EncodeDate(2027, 1, 1) + EncodeTime(0, 0, 0, 100));
    clock.SetLocalTime({1850, 5, 1, 18, 0, 0, 0});
    Word h, n, s, z;
    DecodeTime(Now(), h, n, s, z);
    EXPECT_EQ(h, 18);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", Now()), "1850-05-01");
}

// 2026-03-07 (a Saturday) at 14:05:09.045.
const TDateTime Sample = EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 9, 45);

TEST_F(DateTimeTest, FormatSpecifiers) {
    const std::pair<const char*, const char*> cases[] = {
        {"d/m/yy", "7/3/26"},
        {"dd/mm/yyyy", "07/03/2026"},
        {"DD-MM-YYYY", "07-03-2026"},
        {"ddd dddd", "Sat Saturday"},
        {"mmm mmmm", "Mar March"},
        {"ddddd", "3/7/2026"},
        {"dddddd", "Saturday, March 07, 2026"},
        {"h:n:s.z", "14:5:9.45"},
        {"hh:nn:ss.zzz", "14:05:09.045"},
        {"hh:mm", "14:05"},
        {"h'h' m", "14h 5"},
        {"mm/dd hh:mm", "03/07 14:05"},
        {"hh:mmmm", "14:March"},
        {"h:mm am/pm", "2:05 pm"},
        {"h:mm AM/PM", "2:05 PM"},
        {"h A/P", "2 P"},
        {"h ampm", "2 PM"},
        {"hh am/pm hh", "02 pm 14"},
        {"c", "3/7/2026 2:05:09 PM"},
        {"t", "2:05 PM"},
        {"tt", "2:05:09 PM"},
        {"'dd' \"mm\" dd", "dd mm 07"},
        {"'it''s'", "its"},
        {"'open", "open"},
        {"x*e g", "x*e g"},
        {"a b", "a b"},
    };
    for (const auto& [format, expected] : cases)
        EXPECT_EQ(FormatDateTime(format, Sample), expected) << format;
}

TEST_F(DateTimeTest, FormatTwelveHourClockEdgesAndShortYears) {
    EXPECT_EQ(FormatDateTime("h am/pm", EncodeDate(2026, 3, 7)), "12 am");
    EXPECT_EQ(FormatDateTime("h am/pm", EncodeDate(2026, 3, 7) + 0.5), "12 pm");
    EXPECT_EQ(FormatDateTime("h:nn", EncodeDate(2026, 3, 7)), "0:00");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2026, 3, 7)), "3/7/2026");
    EXPECT_EQ(FormatDateTime("yyyy yy", EncodeDate(99, 1, 1)), "0099 99");
    EXPECT_EQ(FormatDateTime("yyy", EncodeDate(2005, 1, 1)), "2005");
}

TEST_F(DateTimeTest, FormatFollowsRegionalSettings) {
    TFormatSettings& fs = FormatSettings();
    fs.DateSeparator = '.';
    fs.TimeSeparator = '.';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.LongTimeFormat = "hh:nn";
    fs.TimeAMString = "vorm.";
    fs.TimePMString = "nachm.";
    fs.LongDayNames[6] = "Samstag";
    fs.ShortMonthNames[2] = "M\xE4r";
    EXPECT_EQ(DateToStr(Sample), "07.03.2026");
    EXPECT_EQ(TimeToStr(Sample), "14.05");
    EXPECT_EQ(DateTimeToStr(Sample), "07.03.2026 14.05");
    EXPECT_EQ(FormatDateTime("dddd d mmm, h ampm", Sample), "Samstag 7 M\xE4r, 2 nachm.");
    // A regional format that names itself does not recurse without end.
    fs.ShortDateFormat = "d ddddd";
    EXPECT_EQ(DateToStr(Sample), "7 ");
}

TEST_F(DateTimeTest, StrToDateReadsTheShortDateOrder) {
    EXPECT_EQ(StrToDate("3/7/2026"), EncodeDate(2026, 3, 7));
    EXPECT_EQ(StrToDate("  03/07/2026 "), EncodeDate(2026, 3, 7));
    EXPECT_EQ(StrToDate("3/7"), EncodeDate(2026, 3, 7));
    EXPECT_EQ(StrToDate("3/7/0099"), EncodeDate(99, 3, 7));

    FormatSettings().ShortDateFormat = "dd/mm/yyyy";
    FormatSettings().DateSeparator = '.';
    EXPECT_EQ(StrToDate("24.12.2026"), EncodeDate(2026, 12, 24));
    EXPECT_EQ(StrToDate("24.12"), EncodeDate(2026, 12, 24));

    FormatSettings().ShortDateFormat = "yyyy/mm/dd";
    FormatSettings().DateSeparator = '-';
    EXPECT_EQ(StrToDate("2026-12-24"), EncodeDate(2026, 12, 24));
    EXPECT_EQ(StrToDate("12-24"), EncodeDate(2026, 12, 24));
}

TEST_F(DateTimeTest, StrToDateTwoDigitYearsFollowTheCenturyWindow) {
    // Window 50 in 2026: the years 1976..2075.
    EXPECT_EQ(StrToDate("1/1/76"), EncodeDate(1976, 1, 1));
    EXPECT_EQ(StrToDate("1/1/75"), EncodeDate(2075, 1, 1));
    EXPECT_EQ(StrToDate("1/1/5"), EncodeDate(2005, 1, 1));
    // Window 0: the current century.
    FormatSettings().TwoDigitYearCenturyWindow = 0;
    EXPECT_EQ(StrToDate("1/1/99"), EncodeDate(2099, 1, 1));
    EXPECT_EQ(StrToDate("1/1/00"), EncodeDate(2000, 1, 1));
}

TEST_F(DateTimeTest, StrToDateRejectsWhatIsNoDate) {
    for (const char* text :
         {"2/30/2026", "13/1/2026", "0/1/2026", "abc", "", " ", "3/7/2026x", "1/2/3/4", "12345/1/1",
          "3//2026", "3/7/", "/3/7", "3-7-2026", "1/1/10000"}) {
        TDateTime date = 0;
        EXPECT_FALSE(TryStrToDate(text, date)) << text;
        EXPECT_EQ(RaisedMessage<EConvertError>([&] { StrToDate(text); }),
                  "'" + std::string(text) + "' is not a valid date");
    }
}

TEST_F(DateTimeTest, StrToTimeWithAndWithoutAmPm) {
    const std::pair<const char*, TDateTime> cases[] = {
        {"14:05", EncodeTime(14, 5, 0, 0)},
        {"14:05:09", EncodeTime(14, 5, 9, 0)},
        {"14:05:09.5", EncodeTime(14, 5, 9, 500)},
        {"14:05:09.045", EncodeTime(14, 5, 9, 45)},
        {"9", EncodeTime(9, 0, 0, 0)},
        {"2:05 PM", EncodeTime(14, 5, 0, 0)},
        {"2:05pm", EncodeTime(14, 5, 0, 0)},
        {"PM 2:05", EncodeTime(14, 5, 0, 0)},
        {"12:00 AM", 0},
        {"12:30 pm", EncodeTime(12, 30, 0, 0)},
        {" 7:15 am ", EncodeTime(7, 15, 0, 0)},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(StrToTime(text), expected) << text;

    FormatSettings().TimeAMString = "vorm.";
    FormatSettings().TimePMString = "nachm.";
    FormatSettings().TimeSeparator = '.';
    EXPECT_EQ(StrToTime("2.05 NACHM."), EncodeTime(14, 5, 0, 0));
    EXPECT_EQ(StrToTime("2.05 pm"), EncodeTime(14, 5, 0, 0));
}

TEST_F(DateTimeTest, StrToTimeRejectsWhatIsNoTime) {
    for (const char* text : {"13:00 PM", "24:00", "1:60", "1:00:60", "", "x", "1:", "1:00 XM",
                             "1:00:00.1234", "PM", "100:00", "1:00 PM PM"}) {
        TDateTime time = 0;
        EXPECT_FALSE(TryStrToTime(text, time)) << text;
        EXPECT_EQ(RaisedMessage<EConvertError>([&] { StrToTime(text); }),
                  "'" + std::string(text) + "' is not a valid time");
    }
}

TEST_F(DateTimeTest, StrToDateTimeJoinsDateAndTime) {
    EXPECT_EQ(StrToDateTime("3/7/2026 14:05"), EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 0, 0));
    EXPECT_EQ(StrToDateTime("3/7/2026"), EncodeDate(2026, 3, 7));
    Word y, m, d, h, n, s, z;
    const TDateTime old = StrToDateTime("1/2/1800 6:00 PM");
    DecodeDate(old, y, m, d);
    DecodeTime(old, h, n, s, z);
    EXPECT_EQ((std::array{y, m, d, h, n}), (std::array<Word, 5>{1800, 1, 2, 18, 0}));
    EXPECT_EQ(RaisedMessage<EConvertError>([] { StrToDateTime("3/7/2026 25:00"); }),
              "'3/7/2026 25:00' is not a valid date and time");
    // What DateTimeToStr writes reads back.
    EXPECT_EQ(StrToDateTime(DateTimeToStr(Sample)),
              EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 9, 0));
}

} // namespace
