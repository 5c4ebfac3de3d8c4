// The conventions of the POSIX locale the program runs in, and the "intl" entries of the emulated
// Windows profile made from them (the profile is written once, on the first start).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// What a locale says about numbers, money and dates. Texts are in Windows-1252; a value the
// locale leaves open, or a text that has no Windows-1252 form, is empty (texts) or -1 (numbers).
// A currency symbol without a Windows-1252 form is replaced by the international code ("RUB").
struct TLocaleInfo {
    std::string Name; // "de_DE.UTF-8"; "C" or "POSIX" (or empty) for the plain C locale
    std::string DecimalPoint;
    std::string ThousandsSep;
    std::string CurrencySymbol;
    int FracDigits = -1;
    int PCsPrecedes = -1; // 1: the currency symbol comes before a positive amount
    int PSepBySpace = -1; // 1 or 2: a blank separates symbol and amount
    int NCsPrecedes = -1; // the same for negative amounts
    int NSepBySpace = -1;
    int NSignPosn = -1;     // 0 parentheses, 1 sign first, 2 sign last, 3 before, 4 after symbol
    std::string DateFormat; // strftime form, "%d.%m.%Y"
    std::string TimeFormat; // strftime form, "%H:%M:%S"
    std::string AmString;
    std::string PmString;
    // Empty when the locale's names cannot be written in Windows-1252.
    std::array<std::string, 12> LongMonthNames;
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 7> LongDayNames; // Sunday first
    std::array<std::string, 7> ShortDayNames;
};

// Reads the numeric, monetary and time conventions of the named locale; an empty name takes the
// locale the environment chooses (LC_ALL, LC_NUMERIC..., LANG). A locale that is not installed
// reads as the C locale.
TLocaleInfo ReadLocaleInfo(const std::string& name);

// The locale the profile is made from: ReadLocaleInfo("") unless a test installed a source.
using TLocaleSource = std::function<TLocaleInfo()>;
TLocaleInfo ProcessLocale();
// Installs a source for ProcessLocale (an empty function goes back to the environment).
void SetLocaleSource(TLocaleSource source);

// The entries of the profile's "intl" section for the locale, in the order they are written.
// The C/POSIX locale gives the United States settings, and so does every convention the locale
// leaves open. iCountry is 1 for the United States (2 for Canada) and the telephone country code
// of other territories.
std::vector<std::pair<std::string, std::string>> IntlEntries(const TLocaleInfo& locale);
