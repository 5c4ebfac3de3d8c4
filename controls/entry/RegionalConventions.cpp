#include "controls/entry/RegionalConventions.h"

#include "controls/entry/MessageTables.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

constexpr char Intl[] = "intl";
constexpr std::size_t MaxCurrencyText = 5;
constexpr std::size_t MaxAmPmText = 5;
constexpr std::size_t MaxShortDate = 29;
constexpr std::size_t MaxLongDate = 39;
constexpr std::size_t MaxCountryName = 255;
constexpr std::size_t MaxLiteral = 6;
constexpr char SlotLetters[] = {'f', 'g', 'h'};

std::string ReadText(const char* key, const char* fallback, std::size_t maxLength) {
    return GetProfileString(Intl, key, fallback).substr(0, maxLength);
}

// A one-character setting: the first character of the value; an empty value keeps the default.
char ReadChar(const char* key, char fallback) {
    const std::string value = GetProfileString(Intl, key, std::string(1, fallback));
    return value.empty() ? fallback : value[0];
}

// A byte setting; a value outside 0..255 keeps the default.
Byte ReadByte(const char* key, int fallback) {
    const int value = GetProfileInt(Intl, key, fallback);
    return static_cast<Byte>(value < 0 || value > 255 ? fallback : value);
}

// The answer letter of a message when the message is exactly one character.
void ReadLetter(int message, char& letter) {
    const std::string text = GetVcString(message);
    if (text.size() == 1) letter = text[0];
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

// A text being laid out over a picture: the characters and, for each, whether it is a fill
// blank that packing removes.
struct TLayout {
    std::string Text;
    std::vector<bool> Filler;

    explicit TLayout(const std::string& picture) : Text(picture), Filler(picture.size(), false) {}

    std::string Result(bool pack) const {
        if (!pack) return Text;
        std::string packed;
        for (std::size_t i = 0; i < Text.size(); ++i)
            if (!Filler[i]) packed += Text[i];
        return packed;
    }
};

// A run of positions [Start, Start + Length) holding one component.
struct TRun {
    std::size_t Start = 0;
    std::size_t Length = 0;
};

// The component of a picture character (its lower-case letter), or 0 for a literal.
using TKindOf = char (*)(char);

char DateKind(char c) {
    if (c == 'f' || c == 'g' || c == 'h') return c;
    const char lower = AsciiLower(c);
    return std::string_view("mdynw").find(lower) != std::string_view::npos ? lower : 0;
}

char TimeKind(char c) {
    const char lower = AsciiLower(c);
    return std::string_view("hmst").find(lower) != std::string_view::npos ? lower : 0;
}

// Every run of the picture, in order, with its component letter.
std::vector<std::pair<char, TRun>> RunsOf(const std::string& picture, TKindOf kindOf) {
    std::vector<std::pair<char, TRun>> runs;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char kind = kindOf(picture[i]);
        std::size_t end = i + 1;
        if (kind != 0)
            while (end < picture.size() && kindOf(picture[end]) == kind)
                ++end;
        if (kind != 0) runs.push_back({kind, {i, end - i}});
        i = end;
    }
    return runs;
}

// The first run of a component, if any.
bool FindRun(const std::string& picture, TKindOf kindOf, char kind, TRun& run) {
    for (const auto& [k, r] : RunsOf(picture, kindOf))
        if (k == kind) {
            run = r;
            return true;
        }
    return false;
}

// A number written right-aligned and cut from the left to the run; lower-case positions turn a
// leading blank into "0", upper-case ones keep it as a fill blank.
void MergeNumber(TLayout& layout, const std::string& picture, TRun run, long value) {
    std::string digits = std::to_string(value);
    if (digits.size() > run.Length) digits.erase(0, digits.size() - run.Length);
    digits.insert(0, run.Length - digits.size(), ' ');
    for (std::size_t i = 0; i < run.Length; ++i) {
        const std::size_t at = run.Start + i;
        char c = digits[i];
        if (c == ' ' && !IsAsciiUpper(picture[at])) c = '0';
        layout.Text[at] = c;
        layout.Filler[at] = c == ' ';
    }
}

// A text cut to the run and blank-padded; upper-case positions upper-case it. The padding is
// fill when padIsFill.
void MergeText(TLayout& layout, const std::string& picture, TRun run, const std::string& text,
               bool upperByPosition, bool padIsFill) {
    for (std::size_t i = 0; i < run.Length; ++i) {
        const std::size_t at = run.Start + i;
        const bool pad = i >= text.size();
        char c = pad ? ' ' : text[i];
        if (upperByPosition && IsAsciiUpper(picture[at])) c = AnsiUpperChar(c);
        layout.Text[at] = c;
        layout.Filler[at] = pad && padIsFill;
    }
}

void Blank(TLayout& layout, TRun run) {
    std::fill_n(layout.Text.begin() + static_cast<std::ptrdiff_t>(run.Start), run.Length, ' ');
}

void ReplaceChar(TLayout& layout, const std::string& picture, char from, char to) {
    for (std::size_t i = 0; i < picture.size(); ++i)
        if (picture[i] == from) layout.Text[i] = to;
}

// The characters of the text under the first run of a component, blanks left out; false when
// the picture has no such run.
bool ExtractPictureField(const std::string& picture, const std::string& text, TKindOf kindOf,
                         char kind, std::string& field) {
    TRun run;
    if (!FindRun(picture, kindOf, kind, run)) return false;
    field.clear();
    for (std::size_t i = run.Start; i < run.Start + run.Length; ++i)
        if (text[i] != ' ') field += text[i];
    return true;
}

// The number of a field of digits; -1 when it is empty or holds anything else.
int FieldNumber(const std::string& field) {
    if (field.empty() || field.size() > 9) return -1;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A numeric component of a text: the default when the picture lacks it, -1 when unreadable.
int ReadComponent(const std::string& picture, const std::string& text, TKindOf kindOf, char kind,
                  int fallback) {
    std::string field;
    if (!ExtractPictureField(picture, text, kindOf, kind, field)) return fallback;
    return FieldNumber(field);
}

// Stretches the first run of a letter (lower case looked for first) to `length` letters and
// adjusts the case of day and month runs.
void WidenRun(std::string& picture, char letter, std::size_t length, bool adjustCase) {
    std::size_t at = picture.find(letter);
    char found = letter;
    if (at == std::string::npos) {
        found = static_cast<char>(letter - 32);
        at = picture.find(found);
        if (at == std::string::npos) return;
    }
    std::size_t runLength = 0;
    while (at + runLength < picture.size() && picture[at + runLength] == found)
        ++runLength;
    const std::size_t foundLength = runLength;
    if (runLength < length) {
        picture.insert(at, length - runLength, found);
        runLength = length;
    }
    if (!adjustCase) return;
    char replacement = found;
    if (foundLength == 2 && IsAsciiUpper(found)) replacement = letter;
    if (foundLength == 1 && !IsAsciiUpper(found)) replacement = static_cast<char>(letter - 32);
    std::fill_n(picture.begin() + static_cast<std::ptrdiff_t>(at), runLength, replacement);
}

std::string TrimmedRight(const std::string& s) {
    const std::size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

} // namespace

TVcIntlSup::TVcIntlSup() {
    ReadWindowsIntl();
}

void TVcIntlSup::ReadWindowsIntl() {
    DecimalSeparator = ReadChar("sDecimal", '.');
    ThousandSeparator = ReadChar("sThousand", ',');
    CurrencyDecimals = ReadByte("iCurrDigits", 2);
    NegativeCurrencyFormat = ReadByte("iNegCurr", 0);
    ListSeparator = ReadChar("sList", ',');
    CountryName = ReadText("sCountry", "", MaxCountryName);
    CurrencyPrefix = ReadText("sCurrency", "$", MaxCurrencyText);
    CurrencySuffix = CurrencyPrefix;
    CurrencyPlacement = ReadByte("iCurrency", 0);
    if (CurrencyPlacement == 2) CurrencyPrefix += ' ';
    if (CurrencyPlacement == 3) CurrencySuffix.insert(0, 1, ' ');
    HourLeadingZero = GetProfileInt(Intl, "iTLZero", 0) != 0;
    TimeSeparator = ReadChar("sTime", ':');
    DateSeparator = ReadChar("sDate", '/');
    AmText = ReadText("s1159", "AM", MaxAmPmText);
    PmText = ReadText("s2359", "PM", MaxAmPmText);
    ShortDatePicture = ReadText("sShortDate", "MM/dd/yy", MaxShortDate);
    std::replace(ShortDatePicture.begin(), ShortDatePicture.end(), DateSeparator, '/');
    ReadLongDatePicture(ReadText("sLongDate", "dddd, MMMM dd, yyyy", MaxLongDate));
    const std::string& longTime = FormatSettings().LongTimeFormat;
    TwelveHourClock = !longTime.empty() && longTime.back() == 'M';
    ReadLetter(34370, TrueLetter);
    ReadLetter(34371, FalseLetter);
    ReadLetter(34368, YesLetter);
    ReadLetter(34369, NoLetter);
}

void TVcIntlSup::ReadLongDatePicture(const std::string& format) {
    std::string picture;
    LongDateLiterals = {};
    LongDateLiteralCount = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '\'' || LongDateLiteralCount == 3) {
            picture += format[i++];
            continue;
        }
        std::size_t close = format.find('\'', i + 1);
        if (close == std::string::npos) close = format.size();
        std::string& literal = LongDateLiterals[static_cast<std::size_t>(LongDateLiteralCount)];
        literal = format.substr(i + 1, std::min(close - i - 1, MaxLiteral));
        picture.append(literal.size(), SlotLetters[LongDateLiteralCount]);
        ++LongDateLiteralCount;
        i = close + 1;
    }
    for (const auto& [from, to, start] : {std::tuple{'d', 'w', 3}, std::tuple{'M', 'n', 3}}) {
        for (std::size_t at = 0; at < picture.size();) {
            std::size_t end = at;
            while (end < picture.size() && picture[end] == from)
                ++end;
            if (end - at >= static_cast<std::size_t>(start))
                std::fill(picture.begin() + static_cast<std::ptrdiff_t>(at),
                          picture.begin() + static_cast<std::ptrdiff_t>(end), to);
            at = end > at ? end : at + 1;
        }
    }
    for (std::size_t at = 0; at < picture.size(); ++at)
        if ((picture[at] == ',' || picture[at] == '.') &&
            (at + 1 == picture.size() || picture[at + 1] != ' '))
            picture.insert(at + 1, 1, ' ');
    LongDatePicture = picture;
}

std::string TVcIntlSup::DefaultDatePicture(bool forceCentury) const {
    std::string picture = ShortDatePicture;
    WidenRun(picture, 'd', 2, true);
    WidenRun(picture, 'm', 2, true);
    WidenRun(picture, 'y', forceCentury ? 4 : 2, false);
    return picture;
}

std::string TVcIntlSup::DefaultTimePicture(bool showSeconds) const {
    std::string picture = "hh:mm:ss";
    if (!HourLeadingZero) picture[0] = 'H';
    if (!showSeconds) picture.resize(5);
    const std::size_t ampm = std::max(AmText.size(), PmText.size());
    if (TwelveHourClock && ampm > 0) picture += ' ' + std::string(ampm, 't');
    return picture;
}

std::string TVcIntlSup::DateToDateString(const std::string& picture, TDayNumber date,
                                         bool pack) const {
    int day, month, year;
    DateToDMY(date, day, month, year);
    return DMYToDatePChar(picture, day, month, year, pack, 0);
}

std::string TVcIntlSup::DMYToDatePChar(const std::string& picture, int day, int month, int year,
                                       bool pack, int epoch) const {
    TLayout layout(picture);
    const bool valid = ValidDate(day, month, year, epoch);
    if (valid && (year & 0xFFFF) < 100) {
        int resolvedDay, resolvedMonth;
        DateToDMY(DMYToDate(day, month, year, epoch), resolvedDay, resolvedMonth, year);
    }
    const TFormatSettings& names = FormatSettings();
    const int weekday = DayOfWeekDMY(day, month, year, epoch);
    for (const auto& [kind, run] : RunsOf(picture, DateKind)) {
        if (kind == 'f' || kind == 'g' || kind == 'h') {
            const int slot = kind - 'f';
            if (slot < LongDateLiteralCount)
                MergeText(layout, picture, run, LongDateLiterals[static_cast<std::size_t>(slot)],
                          false, false);
            continue;
        }
        if (!valid) {
            Blank(layout, run);
            continue;
        }
        switch (kind) {
        case 'm': MergeNumber(layout, picture, run, month); break;
        case 'd': MergeNumber(layout, picture, run, day); break;
        case 'y': MergeNumber(layout, picture, run, year); break;
        case 'n':
            MergeText(layout, picture, run,
                      names.LongMonthNames[static_cast<std::size_t>(month - 1)], true, true);
            break;
        case 'w':
            MergeText(layout, picture, run, names.LongDayNames[static_cast<std::size_t>(weekday)],
                      true, true);
            break;
        }
    }
    ReplaceChar(layout, picture, '/', DateSeparator);
    return layout.Result(pack);
}

TDayNumber TVcIntlSup::DateStringToDate(const std::string& picture, const std::string& text,
                                        int epoch) const {
    int day, month, year;
    if (!DateStringToDMY(picture, text, day, month, year, epoch)) return BadDate;
    return DMYToDate(day, month, year, epoch);
}

bool TVcIntlSup::DateStringToDMY(const std::string& picture, const std::string& text, int& day,
                                 int& month, int& year, int epoch) const {
    day = month = year = 0;
    if (text.size() != picture.size()) return false;
    TRun run;
    if (FindRun(picture, DateKind, 'n', run)) {
        month = MonthNameToMonth(text.substr(run.Start, run.Length));
    } else {
        month = ReadComponent(picture, text, DateKind, 'm', DefaultMonth);
    }
    day = ReadComponent(picture, text, DateKind, 'd', 1);
    year = ReadComponent(picture, text, DateKind, 'y', DefaultYear);
    return ValidDate(day, month, year, epoch);
}

bool TVcIntlSup::DateStringIsBlank(const std::string& picture, const std::string& text) const {
    for (const auto& [kind, run] : RunsOf(picture, DateKind)) {
        if (kind == 'f' || kind == 'g' || kind == 'h') continue;
        for (std::size_t i = run.Start; i < run.Start + run.Length && i < text.size(); ++i)
            if (text[i] != ' ') return false;
    }
    return true;
}

std::string TVcIntlSup::TimeToTimeString(const std::string& picture, TTimeOfDay time,
                                         bool pack) const {
    TLayout layout(picture);
    const bool valid = time >= 0 && time < SecondsPerDay;
    Byte hours, minutes, seconds;
    TimeToHMS(time, hours, minutes, seconds);
    std::string ampm;
    TRun run;
    if (valid && FindRun(picture, TimeKind, 't', run)) {
        ampm = hours < 12 ? AmText : PmText;
        if (!AmText.empty() && !PmText.empty()) {
            if (hours == 0) hours = 12;
            if (hours > 12) hours = static_cast<Byte>(hours - 12);
        }
    }
    for (const auto& [kind, r] : RunsOf(picture, TimeKind)) {
        if (kind == 't') {
            MergeText(layout, picture, r, ampm, false, true);
            if (ampm.empty() && pack && r.Start > 0 && layout.Text[r.Start - 1] == ' ')
                layout.Filler[r.Start - 1] = true;
            continue;
        }
        if (!valid) {
            Blank(layout, r);
            continue;
        }
        MergeNumber(layout, picture, r, kind == 'h' ? hours : kind == 'm' ? minutes : seconds);
    }
    ReplaceChar(layout, picture, ':', TimeSeparator);
    return layout.Result(pack);
}

TTimeOfDay TVcIntlSup::TimeStringToTime(const std::string& picture, const std::string& text) const {
    int hours, minutes, seconds;
    if (!TimeStringToHMS(picture, text, hours, minutes, seconds)) return BadTime;
    return HMSToTime(static_cast<Byte>(hours), static_cast<Byte>(minutes),
                     static_cast<Byte>(seconds));
}

bool TVcIntlSup::TimeStringToHMS(const std::string& picture, const std::string& text, int& hours,
                                 int& minutes, int& seconds) const {
    hours = minutes = seconds = 0;
    if (text.size() != picture.size()) return false;
    hours = ReadComponent(picture, text, TimeKind, 'h', 0);
    minutes = ReadComponent(picture, text, TimeKind, 'm', 0);
    seconds = ReadComponent(picture, text, TimeKind, 's', 0);
    TRun run;
    if (FindRun(picture, TimeKind, 't', run) && !AmText.empty() && !PmText.empty()) {
        const std::string marker = TrimmedRight(AnsiUpperCase(text.substr(run.Start, run.Length)));
        if (hours < 1 || hours > 12) return false;
        if (AnsiSameText(marker, PmText)) {
            if (hours < 12) hours += 12;
        } else if (AnsiSameText(marker, AmText)) {
            if (hours == 12) hours = 0;
        } else {
            return false;
        }
    }
    return ValidTime(hours, minutes, seconds);
}

TVcIntlSup& VcIntlSup() {
    static TVcIntlSup settings;
    return settings;
}

int MonthNameToMonth(const std::string& text) {
    const auto& names = FormatSettings().LongMonthNames;
    for (std::size_t m = 0; m < names.size(); ++m) {
        std::string name = names[m].substr(0, text.size());
        name.resize(text.size(), ' ');
        if (AnsiSameText(name, text)) return static_cast<int>(m) + 1;
    }
    return 0;
}
