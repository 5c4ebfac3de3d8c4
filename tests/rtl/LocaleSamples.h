// Locale conventions as the C library reports them, for tests that must not depend on the
// locales installed on the machine.
#pragma once

#include "platform/rtl/Locale.h"

// precedes/space/signPosition apply to positive and negative amounts alike.
inline TLocaleInfo SampleLocale(const char* name, const char* decimal, const char* thousands,
                                const char* currency, int precedes, int space, int signPosition,
                                const char* dateFormat, const char* timeFormat) {
    TLocaleInfo l;
    l.Name = name;
    l.DecimalPoint = decimal;
    l.ThousandsSep = thousands;
    l.CurrencySymbol = currency;
    l.FracDigits = 2;
    l.PCsPrecedes = l.NCsPrecedes = precedes;
    l.PSepBySpace = l.NSepBySpace = space;
    l.NSignPosn = signPosition;
    l.DateFormat = dateFormat;
    l.TimeFormat = timeFormat;
    return l;
}

inline TLocaleInfo German() {
    return SampleLocale("de_DE.UTF-8", ",", ".", "\x80", 0, 1, 1, "%d.%m.%Y", "%H:%M:%S");
}

inline TLocaleInfo GermanWithNames() {
    TLocaleInfo l = German();
    l.LongMonthNames = {"Januar", "Februar", "M\xE4rz",   "April",   "Mai",      "Juni",
                        "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    l.ShortMonthNames = {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun",
                         "Jul", "Aug", "Sep",    "Okt", "Nov", "Dez"};
    l.LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                      "Donnerstag", "Freitag", "Samstag"};
    l.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    return l;
}

inline TLocaleInfo French() {
    return SampleLocale("fr_FR.UTF-8", ",", "\xA0", "\x80", 0, 1, 1, "%d/%m/%Y", "%H:%M:%S");
}

inline TLocaleInfo Swiss() {
    return SampleLocale("de_CH.UTF-8", ".", "\x92", "CHF", 1, 1, 4, "%d.%m.%Y", "%H:%M:%S");
}

inline TLocaleInfo British() {
    return SampleLocale("en_GB.UTF-8", ".", ",", "\xA3", 1, 0, 1, "%d/%m/%y", "%H:%M:%S");
}

inline TLocaleInfo American() {
    TLocaleInfo l = SampleLocale("en_US.UTF-8", ".", ",", "$", 1, 0, 1, "%m/%d/%Y", "%I:%M:%S %p");
    l.AmString = "AM";
    l.PmString = "PM";
    return l;
}

// The yen and the year-month-day order as the C library gives them once read in Windows-1252.
inline TLocaleInfo Japanese() {
    TLocaleInfo l = SampleLocale("ja_JP.UTF-8", ".", ",", "\xA5", 1, 0, 4, "%Y/%m/%d", "%H:%M:%S");
    l.FracDigits = 0;
    return l;
}
