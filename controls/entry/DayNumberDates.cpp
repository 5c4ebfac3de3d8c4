#include "controls/entry/DayNumberDates.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"

#include <cmath>
#include <cstdint>

Word DefaultYear = 0;
Word DefaultMonth = 0;

namespace {

constexpr int DaysPer400Years = 146097;
constexpr int DaysPer4Years = 1461;

// The year with a two-digit year placed in the hundred years that start at epoch.
int ResolveYear(int year, int epoch) {
    const int low = year & 0xFFFF;
    if (low >= 100) return year;
    int century = (epoch / 100) * 100;
    if (epoch % 100 > low) century += 100;
    return century + low;
}

bool InRange(std::int64_t date) {
    return date >= 0 && date <= MaxDayNumber;
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && year % 4000 != 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int month, int year, int epoch) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    year = ResolveYear(year, epoch);
    if (month < 1 || month > 12 || year < MinYear || year > MaxYear) return 0;
    if (month == 2 && IsLeapYear(year)) return 29;
    return days[month - 1];
}

bool ValidDate(int day, int month, int year, int epoch) {
    return day >= 1 && day <= DaysInMonth(month, year, epoch);
}

TDayNumber DMYToDate(int day, int month, int year, int epoch) {
    if (!ValidDate(day, month, year, epoch)) return BadDate;
    year = ResolveYear(year, epoch);
    if (year == MinYear && month <= 2) return month == 1 ? day - 1 : day + 30;
    if (month < 3) {
        month += 9;
        --year;
    } else {
        month -= 3;
    }
    const int y = year - MinYear;
    return (y / 100 * DaysPer400Years) / 4 + (y % 100 * DaysPer4Years) / 4 + (153 * month + 2) / 5 +
           day + 59;
}

void DateToDMY(TDayNumber date, int& day, int& month, int& year) {
    day = month = year = 0;
    if (!InRange(date)) return;
    if (date <= 59) {
        year = MinYear;
        if (date > 30) {
            month = 2;
            day = date - 30;
        } else {
            month = 1;
            day = date + 1;
        }
        return;
    }
    const int t = 4 * (date - 59) - 1;
    int y = 100 * (t / DaysPer400Years);
    int d = (t % DaysPer400Years) / 4;
    y += (4 * d + 3) / DaysPer4Years;
    d = ((4 * d + 3) % DaysPer4Years + 4) / 4;
    const int m = (5 * d - 3) / 153;
    day = ((5 * d - 3) % 153 + 5) / 5;
    if (m >= 10) {
        month = m - 9;
        ++y;
    } else {
        month = m + 3;
    }
    year = y + MinYear;
}

namespace {

// Steps 1 to 3 shared by IncDate and IncDateTrunc: the date moved by months and years with its
// day cut to 28 (the cut-off part is returned in excess), and its original day.
TDayNumber StepMonths(TDayNumber date, int months, int years, int& excess, int& startDay) {
    int day, month, year;
    DateToDMY(date, day, month, year);
    excess = 0;
    startDay = day;
    if (day == 0) return BadDate;
    if (day > 28) {
        excess = day - 28;
        day = 28;
    }
    std::int64_t y = std::int64_t{year} + years + months / 12;
    std::int64_t m = std::int64_t{month} + months % 12;
    if (m < 1) {
        m += 12;
        --y;
    } else if (m > 12) {
        m -= 12;
        ++y;
    }
    if (y < MinYear || y > MaxYear) return BadDate;
    return DMYToDate(day, static_cast<int>(m), static_cast<int>(y), 0);
}

} // namespace

TDayNumber IncDate(TDayNumber date, int days, int months, int years) {
    int excess, startDay;
    const TDayNumber stepped = StepMonths(date, months, years, excess, startDay);
    if (stepped == BadDate) return BadDate;
    const std::int64_t result = std::int64_t{stepped} + days + excess;
    return InRange(result) ? static_cast<TDayNumber>(result) : BadDate;
}

TDayNumber IncDateTrunc(TDayNumber date, int months, int years) {
    int excess, startDay;
    const TDayNumber stepped = StepMonths(date, months, years, excess, startDay);
    if (stepped == BadDate) return BadDate;
    int day, month, year;
    DateToDMY(stepped, day, month, year);
    const int last = DaysInMonth(month, year, 0);
    if (last >= startDay) return stepped + excess;
    return stepped + (last - day);
}

int DayOfWeek(TDayNumber date) {
    return InRange(date) ? (date + 6) % 7 : BadWeekday;
}

int DayOfWeekDMY(int day, int month, int year, int epoch) {
    return DayOfWeek(DMYToDate(day, month, year, epoch));
}

void TimeToHMS(TTimeOfDay time, Byte& hours, Byte& minutes, Byte& seconds) {
    hours = minutes = seconds = 0;
    if (time < 0 || time >= SecondsPerDay) return;
    hours = static_cast<Byte>(time / 3600);
    minutes = static_cast<Byte>(time % 3600 / 60);
    seconds = static_cast<Byte>(time % 60);
}

TTimeOfDay HMSToTime(Byte hours, Byte minutes, Byte seconds) {
    return ((hours % 24) * 3600 + minutes * 60 + seconds) % SecondsPerDay;
}

bool ValidTime(int hours, int minutes, int seconds) {
    return hours >= 0 && hours < 24 && minutes >= 0 && minutes < 60 && seconds >= 0 && seconds < 60;
}

TTimeOfDay IncTime(TTimeOfDay time, Byte hours, Byte minutes, Byte seconds) {
    return static_cast<TTimeOfDay>((std::int64_t{time} + HMSToTime(hours, minutes, seconds)) %
                                   SecondsPerDay);
}

TTimeOfDay DecTime(TTimeOfDay time, Byte hours, Byte minutes, Byte seconds) {
    std::int64_t result = std::int64_t{time} - HMSToTime(hours % 24, minutes, seconds);
    if (result < 0) result += SecondsPerDay;
    return static_cast<TTimeOfDay>(result);
}

TDayNumber CurrentDate() {
    const TSystemTime now = Clock().LocalTime();
    return DMYToDate(now.Day, now.Month, now.Year, 0);
}

TTimeOfDay CurrentTime() {
    // From the clock's fields rather than the fraction of a day, which can fall a hair short of
    // a whole second.
    const TSystemTime now = Clock().LocalTime();
    return (now.Hour * 3600 + now.Minute * 60 + now.Second) % SecondsPerDay;
}

TDayNumber DateTimeToDayNumber(double dateTime) {
    if (!std::isfinite(dateTime)) return BadDate;
    Word year, month, day;
    DecodeDate(dateTime, year, month, day);
    return DMYToDate(day, month, year, 0);
}

TTimeOfDay DateTimeToSeconds(double dateTime) {
    if (!std::isfinite(dateTime)) return BadTime;
    Word hour, minute, second, msec;
    DecodeTime(dateTime, hour, minute, second, msec);
    return HMSToTime(static_cast<Byte>(hour), static_cast<Byte>(minute), static_cast<Byte>(second));
}

double DayNumberToDateTime(TDayNumber date) {
    int day, month, year;
    DateToDMY(date, day, month, year);
    if (day == 0) return 0.0;
    return EncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day));
}

double SecondsToDateTime(TTimeOfDay time) {
    if (time < 0 || time >= SecondsPerDay) return 0.0;
    Byte hours, minutes, seconds;
    TimeToHMS(time, hours, minutes, seconds);
    return EncodeTime(hours, minutes, seconds, 0);
}

void SetDefaultYearMonth() {
    const TSystemTime now = Clock().LocalTime();
    DefaultYear = now.Year;
    DefaultMonth = now.Month;
}

namespace {

// The unit's start-up step: the defaults for date texts without a month or a year.
[[maybe_unused]] const bool defaultsSet = (SetDefaultYearMonth(), true);

} // namespace
