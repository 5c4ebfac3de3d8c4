// The regional conventions the entry fields display and parse with, read once from the "intl"
// section of the Windows profile, and the conversions between day-number dates or second-of-day
// times and texts laid out by a date or time picture.
//
// Picture letters (a run of one letter, in either case, is one component):
//   m M  month (date) or minutes (time): lower case fills with "0", upper case with blanks
//   d D  day        y  year, its last digits that fit the run      h H  hours    s S  seconds
//   n N  month name  w W  weekday name: cut to the run; upper-case positions upper-case it
//   t    the AM/PM text      /  the date separator      :  the time separator
//   f g h (long date only) the first, second and third quoted literal of the long date format
#pragma once

#include "controls/entry/DayNumberDates.h"
#include "platform/rtl/Types.h"

#include <array>
#include <string>

class TVcIntlSup {
public:
    // Reads the settings (ReadWindowsIntl).
    TVcIntlSup();

    void ReadWindowsIntl();

    // The short date picture with two-letter day and month runs ("mm/dd/yy"), a four-letter year
    // when forceCentury.
    std::string DefaultDatePicture(bool forceCentury) const;
    // "hh:mm:ss" ("Hh..." without a leading hour zero), "hh:mm" without seconds, followed by
    // " tt..." on a twelve-hour clock.
    std::string DefaultTimePicture(bool showSeconds) const;

    // The date laid out by the picture; BadDate (or any invalid date) blanks the date letters.
    // pack drops the fill blanks of blank-filled numbers and names.
    std::string DateToDateString(const std::string& picture, TDayNumber date, bool pack) const;
    std::string DMYToDatePChar(const std::string& picture, int day, int month, int year, bool pack,
                               int epoch) const;
    // BadDate when the text is not exactly as long as the picture or holds no valid date.
    TDayNumber DateStringToDate(const std::string& picture, const std::string& text,
                                int epoch) const;
    bool DateStringToDMY(const std::string& picture, const std::string& text, int& day, int& month,
                         int& year, int epoch) const;
    // True when every date position of the text is blank.
    bool DateStringIsBlank(const std::string& picture, const std::string& text) const;

    std::string TimeToTimeString(const std::string& picture, TTimeOfDay time, bool pack) const;
    // BadTime when the text is not exactly as long as the picture or holds no valid time.
    TTimeOfDay TimeStringToTime(const std::string& picture, const std::string& text) const;
    bool TimeStringToHMS(const std::string& picture, const std::string& text, int& hours,
                         int& minutes, int& seconds) const;

    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    Byte CurrencyDecimals = 2;
    Byte NegativeCurrencyFormat = 0;
    char ListSeparator = ',';
    std::string CountryName;
    std::string CurrencyPrefix = "$";
    std::string CurrencySuffix = "$";
    Byte CurrencyPlacement = 0;
    bool HourLeadingZero = false;
    char TimeSeparator = ':';
    char DateSeparator = '/';
    std::string AmText = "AM";
    std::string PmText = "PM";
    std::string ShortDatePicture = "MM/dd/yy";
    std::string LongDatePicture = "wwww, nnnn dd, yyyy";
    bool TwelveHourClock = false;
    char TrueLetter = 'T';
    char FalseLetter = 'F';
    char YesLetter = 'Y';
    char NoLetter = 'N';
    // The quoted literals taken out of the long date format, shown in the runs of "f", "g", "h".
    std::array<std::string, 3> LongDateLiterals;
    int LongDateLiteralCount = 0;

private:
    void ReadLongDatePicture(const std::string& format);
};

// The settings object every entry field refers to, made on first use.
TVcIntlSup& VcIntlSup();
// Month 1..12 whose name, blank-padded or cut to the text's length, equals the text ignoring
// case; 0 when none does.
int MonthNameToMonth(const std::string& text);
