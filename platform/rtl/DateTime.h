// Dates and times as one floating value: the whole part counts days since 1899-12-30, the
// fraction is the time of day (0.5 = noon). Before 1899-12-30 the whole part is negative and the
// fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00). Years 1..9999.
// Texts follow the regional settings of FormatSettings().
#pragma once

#include "platform/rtl/Types.h"

#include <string>
#include <string_view>

using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = HoursPerDay * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;
// The day number of 0001-01-01 and of 9999-12-31.
constexpr int MinDateTime = -693593;
constexpr int MaxDateTime = 2958465;

bool IsLeapYear(Word year);
// Days in a month (1..12) of a leap or common year; 0 for a month outside 1..12.
Word MonthDays(bool leapYear, Word month);

// The date as a day number; false when year, month or day is no date of the years 1..9999.
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
// As TryEncodeDate; an impossible date raises EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(Word year, Word month, Word day);
// The calendar date of the value; all three are 0 for a value outside the years 1..9999.
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);

// The time of day as a fraction; false unless hour < 24, min < 60, sec < 60, msec < 1000.
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
// As TryEncodeTime; an impossible time raises EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
// The time of day of the value, rounded to the nearest millisecond.
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);

// 1 = Sunday .. 7 = Saturday; 0 for a value outside the years 1..9999.
int DayOfWeek(TDateTime date);

// Today, the time of day and both together, from the injectable clock (Clock.h).
TDateTime Date();
TDateTime Time();
TDateTime Now();

// The value laid out by a format of these specifiers (letters in either case):
//  c       short date format, then (unless the time is midnight) a blank and the long time format
//  d dd    day without/with a leading zero      ddd dddd   short/long day name
//  ddddd   short date format                    dddddd     long date format
//  m mm    month without/with a leading zero; minutes when the last specifier before was h or hh
//  mmm mmmm short/long month name               yy yyyy    year in two/four digits
//  h hh    hour without/with a leading zero (12-hour when an am/pm specifier follows it)
//  n nn    minutes          s ss   seconds        z zzz  milliseconds without/with leading zeros
//  t tt    short/long time format
//  am/pm a/p  "am"/"pm" or "a"/"p" in the case written    ampm  the regional AM/PM strings
//  /       the date separator                   :          the time separator
//  '...' "..."  literal text                    anything else is copied as it stands
std::string FormatDateTime(std::string_view format, TDateTime dateTime);
// Short date format ("ddddd"), long time format ("tt"), and both ("c").
std::string DateToStr(TDateTime date);
std::string TimeToStr(TDateTime time);
std::string DateTimeToStr(TDateTime dateTime);

// A date typed as numbers separated by the date separator, read in the order of the d, m and y
// letters of the short date format. Two numbers are day and month of the current year. A year of
// one or two digits falls in the hundred years that begin TwoDigitYearCenturyWindow years before
// the current year (with a window of 0, in the current century). Blanks around the text are
// ignored.
bool TryStrToDate(std::string_view text, TDateTime& date);
// As TryStrToDate; a text that is no date raises EConvertError "'%s' is not a valid date".
TDateTime StrToDate(std::string_view text);
// hours[:minutes[:seconds[.milliseconds]]] with the time separator and the decimal separator,
// optionally followed or preceded by the AM/PM string (or "AM"/"PM", any case), which makes the
// hours a 12-hour clock reading (1..12).
bool TryStrToTime(std::string_view text, TDateTime& time);
// As TryStrToTime; a text that is no time raises EConvertError "'%s' is not a valid time".
TDateTime StrToTime(std::string_view text);
// A date, optionally followed by blanks and a time.
bool TryStrToDateTime(std::string_view text, TDateTime& dateTime);
// As TryStrToDateTime; raises EConvertError "'%s' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text);
