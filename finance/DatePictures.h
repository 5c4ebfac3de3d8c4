// Date pictures derived from the Windows settings, and dates read from text typed against a
// picture in which "m" marks month digits, "n" a month name, "d" day digits and "y" year digits
// (either case).
#pragma once

#include "controls/entry/DayNumberDates.h"
#include "platform/rtl/Types.h"

#include <array>
#include <string>

struct TDatePictures {
    std::string AmString = "AM"; // at most 7 characters
    std::string PmString = "PM";
    // The short date format with "/" for its separators, at most 31 characters.
    std::string ShortDate;
    // The long date format, at most 40 characters: its quoted literals moved into
    // LongDateLiterals (shown by "f", "g", "h"), "dddd" runs as "w", month names as "n", and a
    // blank after every ",", "." or "/".
    std::string LongDate;
    std::array<std::string, 3> LongDateLiterals; // at most 6 characters each
    bool TwoDigitHour = false;                   // the time format starts "hh"
    bool TrailingM = false;                      // the time format ends in "M" (AM/PM)
    char TimeSeparator = ':';
    char DateSeparator = '/';
};

// The pictures, derived on first use (and again by InitDatePictures).
const TDatePictures& DatePictures();
// Takes the default year and month from today, then derives the pictures from the regional
// settings and the profile now in force.
void InitDatePictures();
// The year and month a date text without them is taken in.
extern Word ParseDefaultYear;
extern Word ParseDefaultMonth;
void InitDefaultYearMonth();

// Moves the first quoted literal ('...') of picture, at most 6 characters, into literal and puts
// letter in its place; false when the picture has none.
bool ExtractQuotedLiteral(std::string& picture, std::string& literal, char letter);
// The month 1..12 whose name matches name blank-padded to width, ignoring case; 0 for none.
int MonthFromName(const std::string& name, int width);
// The number under the first run of letter in picture (month names for "n"); defaultValue when
// the picture has no such letter or the text is not as long as the picture; -1 when unreadable.
int ExtractDatePart(const std::string& picture, const std::string& text, char letter,
                    int defaultValue);
// Day, month and year of the text; true when they form a valid date (two-digit years from 1900).
bool ParseDateParts(const std::string& picture, const std::string& text, int& day, int& month,
                    int& year);
// The day number of the text, or BadDate.
TDayNumber DateFromMask(const std::string& picture, const std::string& text);
