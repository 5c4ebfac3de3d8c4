// The regional settings that number, currency and date texts follow. One global object,
// filled from the "intl" section of the emulated Windows profile at start-up (LoadRegionalSettings
// in Profile.h) and settable by tests.
#pragma once

#include <array>
#include <string>

struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    std::string CurrencyString = "$";
    int CurrencyFormat = 0;   // iCurrency 0..3: "$1", "1$", "$ 1", "1 $"
    int NegCurrFormat = 0;    // iNegCurr 0..15: "($1)", "-$1", ... as in the Windows settings
    int CurrencyDecimals = 2; // iCurrDigits
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongDateFormat = "dddd, MMMM dd, yyyy";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string ShortTimeFormat = "h:mm AMPM";
    std::string LongTimeFormat = "h:mm:ss AMPM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    int TwoDigitYearCenturyWindow = 50;
    int CountryCode = 1; // iCountry: 1 for the United States, else the telephone code
};

// The one settings object of the process.
TFormatSettings& FormatSettings();
