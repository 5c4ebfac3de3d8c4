#include "platform/rtl/Locale.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <string_view>

namespace {

TLocaleSource localeSource;

// The locale name the environment gives the monetary conventions (the country's).
std::string EnvironmentLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_MONETARY", "LANG"})
        if (const char* value = std::getenv(variable); value && *value) return value;
    return "C";
}

int Given(char value) {
    return value == CHAR_MAX ? -1 : value;
}

// Reads the texts of one locale in Windows-1252.
class TLocaleTexts {
public:
    explicit TLocaleTexts(locale_t locale)
        : locale_(locale), utf8_(std::string_view(nl_langinfo_l(CODESET, locale)) == "UTF-8") {}

    // False when the text has no Windows-1252 form.
    bool Fits(const char* raw) const {
        return raw && (!utf8_ || Win1252ToUtf8(Utf8ToWin1252(raw)) == raw);
    }
    // The text in Windows-1252; empty when it has no such form.
    std::string Text(const char* raw) const {
        if (!Fits(raw)) return {};
        return utf8_ ? Utf8ToWin1252(raw) : std::string(raw);
    }
    std::string Item(nl_item item) const { return Text(nl_langinfo_l(item, locale_)); }
    bool ItemFits(nl_item item) const { return Fits(nl_langinfo_l(item, locale_)); }
    // A separator; the Unicode thin and narrow no-break spaces become the no-break space.
    std::string Separator(const char* raw) const {
        const std::string_view text = raw ? raw : "";
        if (text == "\u202F" || text == "\u2009") return "\xA0";
        return Text(raw);
    }
    // A currency symbol; the full-width yen, pound and cent signs become their Windows-1252
    // forms.
    std::string Currency(const char* raw) const {
        const std::string_view text = raw ? raw : "";
        if (text == "\uFFE5") return "\xA5";
        if (text == "\uFFE1") return "\xA3";
        if (text == "\uFFE0") return "\xA2";
        return Text(raw);
    }
    // A strftime format in Windows-1252: each run of characters that Windows-1252 lacks (the
    // year, month and day signs of "%Y<year>%m<month>%d<day>") becomes the separator between
    // two conversions and is left out at either end.
    std::string FormatItem(nl_item item, char separator) const {
        const std::string_view raw = nl_langinfo_l(item, locale_);
        if (!utf8_) return std::string(raw);
        std::string format;
        bool lacking = false;
        for (std::size_t i = 0; i < raw.size();) {
            std::size_t length = 1;
            while (i + length < raw.size() && (raw[i + length] & 0xC0) == 0x80)
                ++length;
            const std::string character(raw.substr(i, length));
            i += length;
            if (!Fits(character.c_str())) {
                lacking = true;
                continue;
            }
            if (lacking && !format.empty()) format += separator;
            lacking = false;
            format += Text(character.c_str());
        }
        return format;
    }

private:
    locale_t locale_;
    bool utf8_;
};

void ReadMoney(TLocaleInfo& info, const TLocaleTexts& texts) {
    const lconv* conv = localeconv();
    info.DecimalPoint = texts.Separator(conv->decimal_point);
    info.ThousandsSep = texts.Separator(conv->thousands_sep);
    // A symbol Windows-1252 cannot show gives way to the international code ("RUB").
    info.CurrencySymbol = texts.Currency(conv->currency_symbol);
    if (info.CurrencySymbol.empty()) info.CurrencySymbol = Trim(texts.Text(conv->int_curr_symbol));
    info.FracDigits = Given(conv->frac_digits);
    info.PCsPrecedes = Given(conv->p_cs_precedes);
    info.PSepBySpace = Given(conv->p_sep_by_space);
    info.NCsPrecedes = Given(conv->n_cs_precedes);
    info.NSepBySpace = Given(conv->n_sep_by_space);
    info.NSignPosn = Given(conv->n_sign_posn);
}

void ReadNames(TLocaleInfo& info, const TLocaleTexts& texts) {
    const nl_item months[] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                              MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    const nl_item shortMonths[] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                   ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    const nl_item days[] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    const nl_item shortDays[] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
    for (int i = 0; i < 12; ++i)
        if (!texts.ItemFits(months[i]) || !texts.ItemFits(shortMonths[i])) return;
    for (int i = 0; i < 7; ++i)
        if (!texts.ItemFits(days[i]) || !texts.ItemFits(shortDays[i])) return;
    for (int i = 0; i < 12; ++i) {
        info.LongMonthNames[i] = texts.Item(months[i]);
        info.ShortMonthNames[i] = texts.Item(shortMonths[i]);
    }
    for (int i = 0; i < 7; ++i) {
        info.LongDayNames[i] = texts.Item(days[i]);
        info.ShortDayNames[i] = texts.Item(shortDays[i]);
    }
}

void ReadTimes(TLocaleInfo& info, const TLocaleTexts& texts) {
    info.DateFormat = texts.FormatItem(D_FMT, '/');
    info.TimeFormat = texts.FormatItem(T_FMT, ':');
    std::string twelveHour = texts.FormatItem(T_FMT_AMPM, ':');
    if (twelveHour.empty()) twelveHour = "%I:%M:%S %p";
    info.TimeFormat = StringReplace(info.TimeFormat, "%r", twelveHour, {rfReplaceAll});
    info.AmString = texts.Item(AM_STR);
    info.PmString = texts.Item(PM_STR);
    ReadNames(info, texts);
}

// The parts of a locale name "language_TERRITORY.codeset@modifier".
std::string LanguageOf(const std::string& name) {
    return name.substr(0, name.find_first_of("_.@"));
}

std::string TerritoryOf(const std::string& name) {
    const std::size_t underscore = name.find('_');
    if (underscore == std::string::npos) return {};
    const std::size_t end = name.find_first_of(".@", underscore);
    return UpperCase(
        name.substr(underscore + 1, end == std::string::npos ? end : end - underscore - 1));
}

struct TCountry {
    const char* Territory;
    int Code;
    const char* Name;
};

constexpr TCountry Countries[] = {
    {"US", 1, "United States"},   {"CA", 2, "Canada"},        {"MX", 52, "Mexico"},
    {"GB", 44, "United Kingdom"}, {"IE", 353, "Ireland"},     {"AU", 61, "Australia"},
    {"NZ", 64, "New Zealand"},    {"ZA", 27, "South Africa"}, {"IN", 91, "India"},
    {"DE", 49, "Germany"},        {"AT", 43, "Austria"},      {"CH", 41, "Switzerland"},
    {"FR", 33, "France"},         {"BE", 32, "Belgium"},      {"LU", 352, "Luxembourg"},
    {"NL", 31, "Netherlands"},    {"IT", 39, "Italy"},        {"ES", 34, "Spain"},
    {"PT", 351, "Portugal"},      {"BR", 55, "Brazil"},       {"AR", 54, "Argentina"},
    {"CL", 56, "Chile"},          {"CO", 57, "Colombia"},     {"SE", 46, "Sweden"},
    {"NO", 47, "Norway"},         {"DK", 45, "Denmark"},      {"FI", 358, "Finland"},
    {"IS", 354, "Iceland"},       {"PL", 48, "Poland"},       {"CZ", 420, "Czech Republic"},
    {"SK", 421, "Slovakia"},      {"HU", 36, "Hungary"},      {"GR", 30, "Greece"},
    {"TR", 90, "Turkey"},         {"RU", 7, "Russia"},        {"UA", 380, "Ukraine"},
    {"IL", 972, "Israel"},        {"JP", 81, "Japan"},        {"CN", 86, "China"},
    {"TW", 886, "Taiwan"},        {"HK", 852, "Hong Kong"},   {"KR", 82, "Korea"},
    {"SG", 65, "Singapore"},
};

// The three-letter language abbreviation; an empty territory matches any.
struct TLanguage {
    const char* Language;
    const char* Territory;
    const char* Abbreviation;
};

constexpr TLanguage Languages[] = {
    {"en", "GB", "eng"}, {"en", "AU", "ena"}, {"en", "CA", "enc"}, {"en", "NZ", "enz"},
    {"en", "IE", "eni"}, {"en", "", "enu"},   {"de", "AT", "dea"}, {"de", "CH", "des"},
    {"de", "", "deu"},   {"fr", "BE", "frb"}, {"fr", "CA", "frc"}, {"fr", "CH", "frs"},
    {"fr", "", "fra"},   {"it", "CH", "its"}, {"it", "", "ita"},   {"es", "MX", "esm"},
    {"es", "", "esn"},   {"nl", "BE", "nlb"}, {"nl", "", "nld"},   {"pt", "BR", "ptb"},
    {"pt", "", "ptg"},   {"sv", "", "sve"},   {"da", "", "dan"},   {"nb", "", "nor"},
    {"no", "", "nor"},   {"nn", "", "non"},   {"fi", "", "fin"},   {"is", "", "isl"},
    {"pl", "", "plk"},   {"cs", "", "csy"},   {"sk", "", "sky"},   {"hu", "", "hun"},
    {"el", "", "ell"},   {"tr", "", "trk"},   {"ru", "", "rus"},   {"ja", "", "jpn"},
    {"ko", "", "kor"},   {"zh", "TW", "cht"}, {"zh", "", "chs"},
};

bool IsCLocale(const std::string& name) {
    const std::string language = LanguageOf(name);
    return language.empty() || language == "C" || language == "POSIX";
}

std::string LanguageAbbreviation(const std::string& language, const std::string& territory) {
    for (const TLanguage& entry : Languages)
        if (language == entry.Language && (!*entry.Territory || territory == entry.Territory))
            return entry.Abbreviation;
    return "enu";
}

// A one-character setting, or the fallback when the locale gives none.
std::string OneChar(const std::string& value, const std::string& fallback) {
    return value.size() == 1 ? value : fallback;
}

// iCurrency 0..3: "$1", "1$", "$ 1", "1 $".
int CurrencyPlacement(const TLocaleInfo& l) {
    if (l.PCsPrecedes < 0) return 0;
    return (l.PCsPrecedes ? 0 : 1) + (l.PSepBySpace > 0 ? 2 : 0);
}

// iNegCurr 0..15 from where the symbol, the blank and the sign go.
int NegativeCurrencyFormat(const TLocaleInfo& l) {
    const int precedes = l.NCsPrecedes >= 0 ? l.NCsPrecedes : l.PCsPrecedes;
    if (precedes < 0 || l.NSignPosn < 0) return 0;
    const bool spaced = (l.NSepBySpace >= 0 ? l.NSepBySpace : l.PSepBySpace) > 0;
    // Rows: symbol first, no blank / symbol first, blank / symbol last, no blank / symbol
    // last, blank. Columns: the sign position 0..4.
    constexpr int Forms[4][5] = {
        {0, 1, 3, 1, 2}, {14, 9, 11, 9, 12}, {4, 5, 7, 6, 7}, {15, 8, 10, 13, 10}};
    const int sign = l.NSignPosn > 4 ? 1 : l.NSignPosn;
    return Forms[(precedes ? 0 : 2) + (spaced ? 1 : 0)][sign];
}

// The picture of one strftime date conversion ("" for those a date picture cannot show).
std::string Conversion(char c, bool noPadding) {
    switch (c) {
    case 'd': return noPadding ? "d" : "dd";
    case 'e': return "d";
    case 'm': return noPadding ? "M" : "MM";
    case 'y': return "yy";
    case 'Y': return "yyyy";
    case 'b':
    case 'h': return "MMM";
    case 'B': return "MMMM";
    case 'a': return "ddd";
    case 'A': return "dddd";
    case 'D': return "MM/dd/yy";
    case 'F': return "yyyy-MM-dd";
    case '%': return "%";
    default: return "";
    }
}

// The Windows date picture of a strftime date format: "%d.%m.%Y" gives "dd.MM.yyyy". Literal
// letters are quoted; literal apostrophes have no place in a picture and are left out.
std::string DatePicture(const std::string& format) {
    std::string picture;
    std::string letters;
    const auto flush = [&] {
        if (!letters.empty()) picture += "'" + letters + "'";
        letters.clear();
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
                letters += c;
            } else if (c != '\'') {
                flush();
                picture += c;
            }
            continue;
        }
        flush();
        bool noPadding = false;
        while (i + 1 < format.size() &&
               std::string_view("-_0^#EO").find(format[i + 1]) != std::string_view::npos)
            noPadding |= format[++i] == '-';
        if (++i >= format.size()) break;
        picture += Conversion(format[i], noPadding);
    }
    flush();
    return picture;
}

// The first character of a picture that is neither a picture letter nor quoted.
std::string PictureSeparator(const std::string& picture, const std::string& letters,
                             const std::string& fallback) {
    bool quoted = false;
    for (char c : picture) {
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && letters.find(c) == std::string::npos && c != ' ')
            return std::string(1, c);
    }
    return fallback;
}

// 0 month-day-year, 1 day-month-year, 2 year-month-day, by the first of the three letters.
int DateOrder(const std::string& picture) {
    bool quoted = false;
    for (char c : picture) {
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && c == 'd')
            return 1;
        else if (!quoted && c == 'y')
            return 2;
        else if (!quoted && c == 'M')
            return 0;
    }
    return 0;
}

struct TTimeFacts {
    bool TwelveHour = true;
    bool LeadingZero = false;
    std::string Separator = ":";
};

// What a strftime time format says of the clock: 12 or 24 hours, a leading zero, the separator.
TTimeFacts TimeFacts(const std::string& format) {
    TTimeFacts facts;
    std::string f = StringReplace(format, "%T", "%H:%M:%S", {rfReplaceAll});
    f = StringReplace(f, "%R", "%H:%M", {rfReplaceAll});
    for (std::size_t i = 0; i + 1 < f.size(); ++i) {
        if (f[i] != '%') continue;
        bool noPadding = false;
        std::size_t j = i + 1;
        while (j < f.size() && std::string_view("-_0^#EO").find(f[j]) != std::string_view::npos) {
            const char flag = f[j++];
            noPadding |= flag == '-' || flag == '_';
        }
        if (j >= f.size()) break;
        const char c = f[j];
        if (c == 'H' || c == 'k' || c == 'I' || c == 'l') {
            facts.TwelveHour = c == 'I' || c == 'l';
            facts.LeadingZero = (c == 'H' || c == 'I') && !noPadding;
            if (j + 1 < f.size() && f[j + 1] != '%') facts.Separator = std::string(1, f[j + 1]);
            return facts;
        }
        i = j;
    }
    return facts;
}

std::string LongDatePicture(int order) {
    switch (order) {
    case 1: return "dddd, d MMMM yyyy";
    case 2: return "dddd, yyyy MMMM dd";
    default: return "dddd, MMMM dd, yyyy";
    }
}

using TEntries = std::vector<std::pair<std::string, std::string>>;

TEntries UnitedStatesEntries() {
    return {{"sLanguage", "enu"},
            {"sCountry", "United States"},
            {"iCountry", "1"},
            {"iDate", "0"},
            {"iTime", "0"},
            {"iTLZero", "0"},
            {"iCurrency", "0"},
            {"iCurrDigits", "2"},
            {"iNegCurr", "0"},
            {"iLZero", "1"},
            {"iDigits", "2"},
            {"iMeasure", "1"},
            {"s1159", "AM"},
            {"s2359", "PM"},
            {"sCurrency", "$"},
            {"sThousand", ","},
            {"sDecimal", "."},
            {"sDate", "/"},
            {"sTime", ":"},
            {"sList", ","},
            {"sShortDate", "M/d/yyyy"},
            {"sLongDate", "dddd, MMMM dd, yyyy"}};
}

} // namespace

TLocaleInfo ReadLocaleInfo(const std::string& name) {
    TLocaleInfo info;
    info.Name = name.empty() ? EnvironmentLocaleName() : name;
    constexpr int Categories = LC_CTYPE_MASK | LC_NUMERIC_MASK | LC_MONETARY_MASK | LC_TIME_MASK;
    locale_t locale = newlocale(Categories, name.c_str(), static_cast<locale_t>(nullptr));
    if (!locale) {
        info.Name = "C";
        locale = newlocale(Categories, "C", static_cast<locale_t>(nullptr));
        if (!locale) return info;
    }
    const TLocaleTexts texts(locale);
    const locale_t previous = uselocale(locale);
    ReadMoney(info, texts);
    uselocale(previous);
    ReadTimes(info, texts);
    freelocale(locale);
    return info;
}

TLocaleInfo ProcessLocale() {
    return localeSource ? localeSource() : ReadLocaleInfo("");
}

void SetLocaleSource(TLocaleSource source) {
    localeSource = std::move(source);
}

std::vector<std::pair<std::string, std::string>> IntlEntries(const TLocaleInfo& locale) {
    if (IsCLocale(locale.Name)) return UnitedStatesEntries();
    const std::string language = LanguageOf(locale.Name);
    const std::string territory = TerritoryOf(locale.Name);
    int country = 1;
    std::string countryName = territory.empty() ? "United States" : territory;
    for (const TCountry& entry : Countries)
        if (territory == entry.Territory) {
            country = entry.Code;
            countryName = entry.Name;
        }
    const std::string decimal = OneChar(locale.DecimalPoint, ".");
    const std::string thousand = OneChar(locale.ThousandsSep, decimal == "," ? "." : ",");
    const std::string shortDate =
        locale.DateFormat.empty() ? "M/d/yyyy" : DatePicture(locale.DateFormat);
    const int order = DateOrder(shortDate);
    const TTimeFacts time = TimeFacts(locale.TimeFormat);
    const bool american = country == 1 || territory == "LR" || territory == "MM";
    const auto dayPart = [&](const std::string& text, const char* fallback) {
        return text.empty() && time.TwelveHour ? std::string(fallback) : text;
    };
    return {{"sLanguage", LanguageAbbreviation(language, territory)},
            {"sCountry", countryName},
            {"iCountry", IntToStr(country)},
            {"iDate", IntToStr(order)},
            {"iTime", time.TwelveHour ? "0" : "1"},
            {"iTLZero", time.LeadingZero ? "1" : "0"},
            {"iCurrency", IntToStr(CurrencyPlacement(locale))},
            {"iCurrDigits",
             IntToStr(locale.FracDigits >= 0 && locale.FracDigits <= 9 ? locale.FracDigits : 2)},
            {"iNegCurr", IntToStr(NegativeCurrencyFormat(locale))},
            {"iLZero", "1"},
            {"iDigits", "2"},
            {"iMeasure", american ? "1" : "0"},
            {"s1159", dayPart(locale.AmString, "AM")},
            {"s2359", dayPart(locale.PmString, "PM")},
            {"sCurrency", locale.CurrencySymbol.empty() ? "$" : locale.CurrencySymbol},
            {"sThousand", thousand},
            {"sDecimal", decimal},
            {"sDate", PictureSeparator(shortDate, "dMy", "/")},
            {"sTime", time.Separator},
            {"sList", decimal == "," ? ";" : ","},
            {"sShortDate", shortDate},
            {"sLongDate", LongDatePicture(order)}};
}
