#include "platform/rtl/Profile.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* ProfileName = "WIN.INI";
// Stands for a missing key: no value read from a file holds a line break.
constexpr const char* Missing = "\n";

// Writes WIN.INI with the "intl" section of the process locale. The section is written to a
// draft first and the draft linked in as WIN.INI, so WIN.INI never exists half made; a link never
// replaces a WIN.INI that another process made (and may have filled) in the meantime.
std::string CreateProfile(const std::string& folder) {
    const std::string target = folder + "/" + ProfileName;
    const std::string draft = folder + "/." + ProfileName + "." + std::to_string(getpid());
    std::error_code error;
    try {
        fs::remove(draft, error);
        TIniFile ini(draft, ProfileEncoding);
        for (const auto& [key, value] : IntlEntries(ProcessLocale()))
            ini.WriteString("intl", key, value);
        if (link(draft.c_str(), target.c_str()) != 0 && errno != EEXIST)
            throw EIniFileException("Unable to write to %s: %s", {target, std::strerror(errno)});
        fs::remove(draft, error);
    } catch (const EIniFileException& e) {
        fs::remove(draft, error);
        // The draft is the program's own: the user is told of WIN.INI.
        throw EIniFileException(StringReplace(e.Message(), draft, target, {rfReplaceAll}));
    } catch (...) {
        fs::remove(draft, error);
        throw;
    }
    return target;
}

// The integer at the start of text, as the profile reads numbers.
int LeadingInteger(const std::string& text) {
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative) value = -value;
    return static_cast<int>(
        std::clamp(value, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

char FirstChar(const std::string& text, char fallback) {
    return text.empty() ? fallback : text[0];
}

// An "intl" number within lowest..highest, else the fallback.
int IntlNumber(const char* key, int fallback, int lowest, int highest) {
    const int value = GetProfileInt("intl", key, fallback);
    return value < lowest || value > highest ? fallback : value;
}

// The short date picture with its date separator (outside quotes) written as "/".
std::string WithSlashes(std::string picture, char separator) {
    const bool letter =
        (separator >= 'A' && separator <= 'Z') || (separator >= 'a' && separator <= 'z');
    if (letter || separator == '\'' || separator == '"') return picture;
    char quote = 0;
    for (char& c : picture) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == separator) {
            c = '/';
        }
    }
    return picture;
}

void LoadNames(TFormatSettings& settings) {
    const TLocaleInfo locale = ProcessLocale();
    if (locale.LongMonthNames[0].empty()) return;
    settings.LongMonthNames = locale.LongMonthNames;
    settings.ShortMonthNames = locale.ShortMonthNames;
    settings.LongDayNames = locale.LongDayNames;
    settings.ShortDayNames = locale.ShortDayNames;
}

} // namespace

std::string ProfileFileName() {
    std::string folder;
    try {
        folder = SettingsFolder();
    } catch (const EInOutError& e) {
        throw EIniFileException(e.Message());
    }
    const std::string existing = FindFileCaseInsensitive(folder, ProfileName);
    return existing.empty() ? CreateProfile(folder) : existing;
}

std::string GetProfileString(const std::string& Section, const std::string& Key,
                             const std::string& Default) {
    try {
        return TIniFile(ProfileFileName(), ProfileEncoding).ReadString(Section, Key, Default);
    } catch (const Exception&) {
        return Default;
    }
}

int GetProfileInt(const std::string& Section, const std::string& Key, int Default) {
    const std::string value = GetProfileString(Section, Key, Missing);
    return value == Missing ? Default : LeadingInteger(value);
}

void WriteProfileString(const std::string& Section, const std::optional<std::string>& Key,
                        const std::optional<std::string>& Value) {
    TIniFile ini(ProfileFileName(), ProfileEncoding);
    if (!Key)
        ini.EraseSection(Section);
    else if (!Value)
        ini.DeleteKey(Section, *Key);
    else
        ini.WriteString(Section, *Key, *Value);
}

void LoadRegionalSettings() {
    TFormatSettings s;
    s.DecimalSeparator = FirstChar(GetProfileString("intl", "sDecimal", "."), '.');
    s.ThousandSeparator = FirstChar(GetProfileString("intl", "sThousand", ","), ',');
    s.CurrencyString = GetProfileString("intl", "sCurrency", "$");
    s.CurrencyFormat = IntlNumber("iCurrency", 0, 0, 3);
    s.NegCurrFormat = IntlNumber("iNegCurr", 0, 0, 15);
    s.CurrencyDecimals = IntlNumber("iCurrDigits", 2, 0, 9);
    s.DateSeparator = FirstChar(GetProfileString("intl", "sDate", "/"), '/');
    s.TimeSeparator = FirstChar(GetProfileString("intl", "sTime", ":"), ':');
    s.ShortDateFormat =
        WithSlashes(GetProfileString("intl", "sShortDate", s.ShortDateFormat), s.DateSeparator);
    s.LongDateFormat = GetProfileString("intl", "sLongDate", s.LongDateFormat);
    s.TimeAMString = GetProfileString("intl", "s1159", "AM");
    s.TimePMString = GetProfileString("intl", "s2359", "PM");
    const std::string hour = IntlNumber("iTLZero", 0, 0, 1) ? "hh" : "h";
    const std::string dayHalf = IntlNumber("iTime", 0, 0, 1) == 0 ? " AMPM" : "";
    s.ShortTimeFormat = hour + ":mm" + dayHalf;
    s.LongTimeFormat = hour + ":mm:ss" + dayHalf;
    s.CountryCode = GetProfileInt("intl", "iCountry", 1);
    LoadNames(s);
    FormatSettings() = s;
}
