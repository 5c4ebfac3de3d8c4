// Day-number dates and second-of-day times: every date of the program is a count of days since
// 1 January 1600 and every time a count of seconds since midnight. Nothing here raises; invalid
// input gives BadDate, BadTime, zero components, False or weekday 7.
#pragma once

#include "platform/rtl/Types.h"

using TDayNumber = LongInt;
using TTimeOfDay = LongInt;

constexpr TDayNumber BadDate = -1;
constexpr TTimeOfDay BadTime = -1;
// 3999-12-31, the last valid date.
constexpr TDayNumber MaxDayNumber = 876581;
constexpr int MinYear = 1600;
constexpr int MaxYear = 3999;
constexpr TTimeOfDay SecondsPerDay = 86400;
// The weekday of BadDate (0 is Sunday .. 6 Saturday).
constexpr int BadWeekday = 7;

// Used when a date text has no month or no year; set from the clock at start-up.
extern Word DefaultYear;
extern Word DefaultMonth;

// Divisible by 4, not by 4000, and not by 100 unless by 400.
bool IsLeapYear(int year);
// 0 when the month is not 1..12 or the year, two-digit years resolved by epoch, is outside
// 1600..3999.
int DaysInMonth(int month, int year, int epoch);
bool ValidDate(int day, int month, int year, int epoch);
// A year whose low 16 bits are below 100 is taken in the century window that starts at epoch:
// with epoch 1950, 49 is 2049 and 50 is 1950.
TDayNumber DMYToDate(int day, int month, int year, int epoch);
// BadDate and every other day number outside 1600..3999 give 0, 0, 0.
void DateToDMY(TDayNumber date, int& day, int& month, int& year);
// Steps by years and months keeping the day (a day past the 28th carries into the next month
// when the new month is shorter), then by days. BadDate when the date or the result is invalid.
TDayNumber IncDate(TDayNumber date, int days, int months, int years);
// Steps by years and months; a day past the end of the new month becomes its last day.
TDayNumber IncDateTrunc(TDayNumber date, int months, int years);
// 0 Sunday .. 6 Saturday; BadWeekday for an invalid date.
int DayOfWeek(TDayNumber date);
int DayOfWeekDMY(int day, int month, int year, int epoch);
// Today, from the program's clock.
TDayNumber CurrentDate();

// BadTime and every value outside one day give 0, 0, 0.
void TimeToHMS(TTimeOfDay time, Byte& hours, Byte& minutes, Byte& seconds);
TTimeOfDay HMSToTime(Byte hours, Byte minutes, Byte seconds);
bool ValidTime(int hours, int minutes, int seconds);
TTimeOfDay CurrentTime();
TTimeOfDay IncTime(TTimeOfDay time, Byte hours, Byte minutes, Byte seconds);
TTimeOfDay DecTime(TTimeOfDay time, Byte hours, Byte minutes, Byte seconds);

// Conversions with the runtime's date-time values (days since 1899-12-30).
TDayNumber DateTimeToDayNumber(double dateTime);
TTimeOfDay DateTimeToSeconds(double dateTime);
double DayNumberToDateTime(TDayNumber date);
double SecondsToDateTime(TTimeOfDay time);

// Stores the clock's current year and month into DefaultYear and DefaultMonth.
void SetDefaultYearMonth();
