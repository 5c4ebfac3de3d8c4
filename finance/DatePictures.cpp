#include "finance/DatePictures.h"

#include "controls/entry/DateRoutines.h"
#include "controls/entry/RegionalConventions.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Regional.h"

#include <algorithm>
#include <cctype>

Word ParseDefaultYear = 0;
Word ParseDefaultMonth = 0;

namespace {

constexpr std::size_t MaxAmPm = 7;
constexpr std::size_t MaxAmPmRead = 20;
constexpr std::size_t MaxShortDate = 31;
constexpr std::size_t MaxLongDate = 40;
constexpr std::size_t MaxLiteral = 6;

TDatePictures pictures;
bool picturesMade = false;

std::string ReadAmPm(const char* key, const char* fallback) {
    return GetProfileString("intl", key, fallback).substr(0, MaxAmPmRead).substr(0, MaxAmPm);
}

// Replaces every run of `from` at least `least` long by one `to`.
void CollapseRuns(std::string& picture, char from, std::size_t least, char to) {
    std::string result;
    for (std::size_t i = 0; i < picture.size();) {
        std::size_t end = i;
        while (end < picture.size() && picture[end] == from)
            ++end;
        if (end - i >= least) {
            result += to;
            i = end;
        } else if (end > i) {
            result.append(end - i, from);
            i = end;
        } else {
            result += picture[i++];
        }
    }
    picture = result;
}

std::string LongDatePicture(const std::string& format, std::array<std::string, 3>& literals) {
    std::string picture = format;
    literals = {};
    const char letters[] = {'f', 'g', 'h'};
    for (std::size_t slot = 0; slot < literals.size(); ++slot)
        if (!ExtractQuotedLiteral(picture, literals[slot], letters[slot])) break;
    CollapseRuns(picture, 'd', 4, 'w');
    CollapseRuns(picture, 'M', 3, 'n');
    for (std::size_t i = 0; i < picture.size(); ++i)
        if ((picture[i] == ',' || picture[i] == '.' || picture[i] == '/') &&
            (i + 1 == picture.size() || picture[i + 1] != ' '))
            picture.insert(i + 1, 1, ' ');
    return picture.substr(0, MaxLongDate);
}

} // namespace

void InitDefaultYearMonth() {
    int day, month, year;
    DateSplitDMY(DateToday(), day, month, year);
    ParseDefaultYear = static_cast<Word>(year);
    ParseDefaultMonth = static_cast<Word>(month);
}

void InitDatePictures() {
    InitDefaultYearMonth();
    const TFormatSettings& settings = FormatSettings();
    const std::string& timeFormat = settings.LongTimeFormat;
    pictures.TwoDigitHour = timeFormat.size() > 1 && timeFormat[1] == 'h';
    pictures.TrailingM = !timeFormat.empty() && timeFormat.back() == 'M';
    pictures.TimeSeparator = settings.TimeSeparator;
    pictures.DateSeparator = settings.DateSeparator;
    pictures.AmString = ReadAmPm("s1159", "AM");
    pictures.PmString = ReadAmPm("s2359", "PM");
    pictures.ShortDate = settings.ShortDateFormat.substr(0, MaxShortDate);
    std::replace(pictures.ShortDate.begin(), pictures.ShortDate.end(), settings.DateSeparator, '/');
    pictures.LongDate = LongDatePicture(settings.LongDateFormat, pictures.LongDateLiterals);
    picturesMade = true;
}

const TDatePictures& DatePictures() {
    if (!picturesMade) InitDatePictures();
    return pictures;
}

bool ExtractQuotedLiteral(std::string& picture, std::string& literal, char letter) {
    const std::size_t open = picture.find('\'');
    if (open == std::string::npos) return false;
    std::size_t close = picture.find('\'', open + 1);
    if (close == std::string::npos) close = picture.size();
    literal = picture.substr(open + 1, std::min(close - open - 1, MaxLiteral));
    picture.replace(open, std::min(close + 1, picture.size()) - open, 1, letter);
    return true;
}

int MonthFromName(const std::string& name, int width) {
    std::string padded = name;
    if (width > 0) padded.resize(static_cast<std::size_t>(width), ' ');
    return MonthNameToMonth(padded);
}

int ExtractDatePart(const std::string& picture, const std::string& text, char letter,
                    int defaultValue) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    const std::size_t start = picture.find_first_of(std::string{lower, upper});
    if (start == std::string::npos || picture.size() != text.size()) return defaultValue;
    std::size_t end = start;
    while (end < picture.size() && (picture[end] == lower || picture[end] == upper))
        ++end;
    std::string field;
    for (std::size_t i = start; i < end; ++i)
        if (text[i] != ' ') field += text[i];
    if (lower == 'n') {
        const int month = MonthFromName(field, static_cast<int>(end - start));
        return month == 0 ? -1 : month;
    }
    if (field.empty() || field.size() > 9 ||
        !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(field);
}

bool ParseDateParts(const std::string& picture, const std::string& text, int& day, int& month,
                    int& year) {
    if (ParseDefaultYear == 0) InitDefaultYearMonth();
    const bool byName = picture.find_first_of("nN") != std::string::npos;
    month = ExtractDatePart(picture, text, byName ? 'n' : 'm', ParseDefaultMonth);
    day = ExtractDatePart(picture, text, 'd', 1);
    year = ExtractDatePart(picture, text, 'y', ParseDefaultYear);
    return DateValidDMY(day, month, year);
}

TDayNumber DateFromMask(const std::string& picture, const std::string& text) {
    int day, month, year;
    if (!ParseDateParts(picture, text, day, month, year)) return BadDate;
    return DMYToDate(day, month, year, 1900);
}
