#include "platform/rtl/DateTime.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::array<std::array<Word, 12>, 2> DaysOfMonths{{
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
}};

// Days from 0001-01-01 to 1899-12-30.
constexpr int DateDelta = 693594;
constexpr int DaysPer400Years = 146097;
constexpr int DaysPer100Years = 36524;
constexpr int DaysPer4Years = 1461;
constexpr int DaysPerYear = 365;

// A value split into its day number (days since 1899-12-30) and milliseconds of the day.
struct TDayAndTime {
    std::int64_t Day = 0;
    std::int64_t Millisecond = 0;
};

// False for values outside the years 1..9999 (and for NaN and infinities).
bool Split(TDateTime value, TDayAndTime& parts) {
    if (!(value > MinDateTime - 1.0 && value < MaxDateTime + 1.0)) return false;
    const auto total = static_cast<std::int64_t>(std::llround(value * MSecsPerDay));
    parts.Day = total / MSecsPerDay;
    parts.Millisecond = std::abs(total) % MSecsPerDay;
    return parts.Day >= MinDateTime && parts.Day <= MaxDateTime;
}

std::string Padded(int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// True when text at pos starts with word, ASCII letters compared in either case.
bool StartsWithText(std::string_view text, std::size_t pos, std::string_view word) {
    return !word.empty() && text.size() - pos >= word.size() &&
           SameText(text.substr(pos, word.size()), word);
}

// Position after the quoted literal that starts at pos (or the end when it is not closed).
std::size_t SkipQuoted(std::string_view format, std::size_t pos) {
    const std::size_t close = format.find(format[pos], pos + 1);
    return close == std::string_view::npos ? format.size() : close + 1;
}

// True when an am/pm, a/p or ampm specifier follows pos before the next hour specifier.
bool TwelveHourClockAhead(std::string_view format, std::size_t pos) {
    while (pos < format.size()) {
        const char c = AsciiLower(format[pos]);
        if (c == '\'' || c == '"') {
            pos = SkipQuoted(format, pos);
            continue;
        }
        if (c == 'h') return false;
        if (StartsWithText(format, pos, "am/pm") || StartsWithText(format, pos, "a/p") ||
            StartsWithText(format, pos, "ampm"))
            return true;
        ++pos;
    }
    return false;
}

// Lays out one value by a FormatDateTime format. The nested formats (c, ddddd, dddddd, t, tt)
// are laid out by a formatter of their own one level down, which ignores nested formats in turn,
// so a regional format that names itself cannot recurse without end.
class TDateFormatter {
public:
    TDateFormatter(TDateTime value, std::string& out, int depth)
        : value_(value), out_(out), depth_(depth) {
        DecodeDate(value, year_, month_, day_);
        DecodeTime(value, hour_, minute_, second_, msec_);
        dayOfWeek_ = DayOfWeek(value);
    }

    void Run(std::string_view format) {
        std::size_t pos = 0;
        while (pos < format.size())
            pos = Step(format, pos);
    }

private:
    std::size_t Step(std::string_view format, std::size_t pos) {
        const char c = format[pos];
        if (c == '\'' || c == '"') {
            const std::size_t next = SkipQuoted(format, pos);
            const std::size_t end = (next > pos + 1 && format[next - 1] == c) ? next - 1 : next;
            out_.append(format.substr(pos + 1, end - pos - 1));
            return next;
        }
        if (c == '/') {
            out_ += FormatSettings().DateSeparator;
            return pos + 1;
        }
        if (c == ':') {
            out_ += FormatSettings().TimeSeparator;
            return pos + 1;
        }
        const char letter = AsciiLower(c);
        if (letter == 'a') return AmPm(format, pos);
        std::size_t count = 1;
        while (pos + count < format.size() && AsciiLower(format[pos + count]) == letter)
            ++count;
        if (!Specifier(letter, static_cast<int>(count), format, pos)) {
            out_ += c;
            return pos + 1;
        }
        lastWasHour_ = letter == 'h';
        return pos + count;
    }

    // Writes the specifier made of count repeated letters; false when the letter is none.
    bool Specifier(char letter, int count, std::string_view format, std::size_t pos) {
        const TFormatSettings& fs = FormatSettings();
        switch (letter) {
        case 'c':
            Nested(fs.ShortDateFormat);
            if (hour_ || minute_ || second_ || msec_) {
                out_ += ' ';
                Nested(fs.LongTimeFormat);
            }
            return true;
        case 'd': Days(std::min(count, 6)); return true;
        case 'm':
            if (lastWasHour_ && count <= 2)
                out_ += Padded(minute_, count);
            else
                Months(std::min(count, 4));
            return true;
        case 'y': out_ += count <= 2 ? Padded(year_ % 100, 2) : Padded(year_, 4); return true;
        case 'h': Hours(std::min(count, 2), TwelveHourClockAhead(format, pos + count)); return true;
        case 'n': out_ += Padded(minute_, std::min(count, 2)); return true;
        case 's': out_ += Padded(second_, std::min(count, 2)); return true;
        case 'z': out_ += Padded(msec_, count < 3 ? 1 : 3); return true;
        case 't': Nested(count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat); return true;
        default: return false;
        }
    }

    void Days(int count) {
        const TFormatSettings& fs = FormatSettings();
        const bool named = dayOfWeek_ >= 1 && dayOfWeek_ <= 7;
        switch (count) {
        case 1:
        case 2: out_ += Padded(day_, count); break;
        case 3:
            if (named) out_ += fs.ShortDayNames[dayOfWeek_ - 1];
            break;
        case 4:
            if (named) out_ += fs.LongDayNames[dayOfWeek_ - 1];
            break;
        case 5: Nested(fs.ShortDateFormat); break;
        default: Nested(fs.LongDateFormat); break;
        }
    }

    void Months(int count) {
        const TFormatSettings& fs = FormatSettings();
        const bool named = month_ >= 1 && month_ <= 12;
        if (count <= 2)
            out_ += Padded(month_, count);
        else if (named)
            out_ += count == 3 ? fs.ShortMonthNames[month_ - 1] : fs.LongMonthNames[month_ - 1];
    }

    void Hours(int count, bool twelveHour) {
        int hour = hour_;
        if (twelveHour) {
            if (hour == 0)
                hour = 12;
            else if (hour > 12)
                hour -= 12;
        }
        out_ += Padded(hour, count);
    }

    // am/pm and a/p copy the letters as written; ampm writes the regional AM/PM string.
    std::size_t AmPm(std::string_view format, std::size_t pos) {
        const bool pm = hour_ >= 12;
        if (StartsWithText(format, pos, "am/pm")) {
            out_.append(format.substr(pm ? pos + 3 : pos, 2));
            return pos + 5;
        }
        if (StartsWithText(format, pos, "a/p")) {
            out_ += format[pm ? pos + 2 : pos];
            return pos + 3;
        }
        if (StartsWithText(format, pos, "ampm")) {
            out_ += pm ? FormatSettings().TimePMString : FormatSettings().TimeAMString;
            return pos + 4;
        }
        out_ += format[pos];
        return pos + 1;
    }

    void Nested(std::string_view format) {
        if (depth_ > 0) return;
        TDateFormatter(value_, out_, depth_ + 1).Run(format);
    }

    TDateTime value_;
    std::string& out_;
    int depth_;
    Word year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, msec_ = 0;
    int dayOfWeek_ = 0;
    bool lastWasHour_ = false;
};

// Reads dates and times typed by the user, left to right.
class TScanner {
public:
    explicit TScanner(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }
    bool AtEnd() const { return pos_ == text_.size(); }
    bool Char(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    // One to maxDigits decimal digits.
    bool Number(int& value, int& digits, int maxDigits) {
        value = 0;
        digits = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            if (++digits > maxDigits) return false;
            value = value * 10 + (text_[pos_++] - '0');
        }
        return digits > 0;
    }
    // The word at the current position, compared ignoring case as the regional texts are.
    bool Text(const std::string& word) {
        if (word.empty() || text_.size() - pos_ < word.size()) return false;
        if (!AnsiSameText(text_.substr(pos_, word.size()), word)) return false;
        pos_ += word.size();
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// The order of day, month and year in the short date format, as a text like "mdy".
std::string DateOrder() {
    const std::string& format = FormatSettings().ShortDateFormat;
    std::string order;
    for (std::size_t pos = 0; pos < format.size();) {
        if (format[pos] == '\'' || format[pos] == '"') {
            pos = SkipQuoted(format, pos);
            continue;
        }
        const char c = AsciiLower(format[pos++]);
        if ((c == 'd' || c == 'm' || c == 'y') && order.find(c) == std::string::npos) order += c;
    }
    for (char c : std::string_view("mdy"))
        if (order.find(c) == std::string::npos) order += c;
    return order;
}

int CurrentYear() {
    return Clock().LocalTime().Year;
}

// A year typed with one or two digits, placed in the window of a hundred years.
int ExpandYear(int year) {
    const int window = FormatSettings().TwoDigitYearCenturyWindow;
    const int base = CurrentYear() - window;
    year += base / 100 * 100;
    if (window > 0 && year < base) year += 100;
    return year;
}

bool ScanDate(TScanner& scan, TDateTime& date) {
    int values[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    const char separator = FormatSettings().DateSeparator;
    if (!scan.Number(values[0], digits[0], 4) || !scan.Char(separator) ||
        !scan.Number(values[1], digits[1], 4))
        return false;
    int count = 2;
    if (scan.Char(separator)) {
        if (!scan.Number(values[2], digits[2], 4)) return false;
        count = 3;
    }
    // The place of each part among the numbers read; without a year the other two move up.
    std::string order = DateOrder();
    if (count == 2) order.erase(order.find('y'), 1);
    const auto at = [&order](char part) { return std::min<std::size_t>(order.find(part), 2); };
    int year = CurrentYear();
    if (count == 3) year = digits[at('y')] <= 2 ? ExpandYear(values[at('y')]) : values[at('y')];
    const int day = values[at('d')];
    const int month = values[at('m')];
    if (year < 1 || year > 9999) return false;
    return TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day),
                         date);
}

// Reads an AM or PM word; pm tells which one it was.
bool ScanAmPm(TScanner& scan, bool& pm) {
    const TFormatSettings& fs = FormatSettings();
    for (const auto& [word, isPm] :
         {std::pair{fs.TimeAMString, false}, std::pair{fs.TimePMString, true},
          std::pair{std::string("AM"), false}, std::pair{std::string("PM"), true}}) {
        if (scan.Text(word)) {
            pm = isPm;
            return true;
        }
    }
    return false;
}

bool ScanTime(TScanner& scan, TDateTime& time) {
    bool pm = false;
    bool hasAmPm = ScanAmPm(scan, pm);
    if (hasAmPm) scan.SkipBlanks();
    int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
    const char separator = FormatSettings().TimeSeparator;
    if (!scan.Number(hour, digits, 2)) return false;
    if (scan.Char(separator)) {
        if (!scan.Number(minute, digits, 2)) return false;
        if (scan.Char(separator)) {
            if (!scan.Number(second, digits, 2)) return false;
            if (scan.Char(FormatSettings().DecimalSeparator)) {
                if (!scan.Number(msec, digits, 3)) return false;
                for (; digits < 3; ++digits)
                    msec *= 10;
            }
        }
    }
    if (!hasAmPm) {
        scan.SkipBlanks();
        hasAmPm = ScanAmPm(scan, pm);
    }
    if (hasAmPm) {
        if (hour > 12) return false;
        if (hour == 12) hour = 0;
        if (pm) hour += 12;
    }
    return TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(minute),
                         static_cast<Word>(second), static_cast<Word>(msec), time);
}

// A date and a time of day as one value; before 1899-12-30 the time counts away from zero.
TDateTime Combine(TDateTime date, TDateTime time) {
    return date < 0 ? date - time : date + time;
}

} // namespace

bool IsLeapYear(Word year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

Word MonthDays(bool leapYear, Word month) {
    if (month < 1 || month > 12) return 0;
    return DaysOfMonths[leapYear ? 1 : 0][month - 1];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
    if (year < 1 || year > 9999 || day < 1 || day > MonthDays(IsLeapYear(year), month))
        return false;
    int dayOfYear = day;
    for (Word m = 1; m < month; ++m)
        dayOfYear += MonthDays(IsLeapYear(year), m);
    const int y = year - 1;
    date = y * DaysPerYear + y / 4 - y / 100 + y / 400 + dayOfYear - DateDelta;
    return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date))
        throw EConvertError("Invalid argument to date encode");
    return date;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
    year = month = day = 0;
    TDayAndTime parts;
    if (!Split(date, parts)) return;
    // Days since 0001-01-01, taken apart by 400-, 100-, 4- and 1-year cycles; the last day of
    // a 400-year cycle ends a fourth century and of a 4-year cycle a fourth year.
    int rest = static_cast<int>(parts.Day) + DateDelta - 1;
    int y = 1 + rest / DaysPer400Years * 400;
    rest %= DaysPer400Years;
    const int centuries = std::min(rest / DaysPer100Years, 3);
    y += centuries * 100;
    rest -= centuries * DaysPer100Years;
    y += rest / DaysPer4Years * 4;
    rest %= DaysPer4Years;
    const int years = std::min(rest / DaysPerYear, 3);
    y += years;
    rest -= years * DaysPerYear;
    Word m = 1;
    const bool leap = IsLeapYear(static_cast<Word>(y));
    while (rest >= MonthDays(leap, m))
        rest -= MonthDays(leap, m++);
    year = static_cast<Word>(y);
    month = m;
    day = static_cast<Word>(rest + 1);
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
    if (hour >= HoursPerDay || min >= 60 || sec >= 60 || msec >= 1000) return false;
    time = ((hour * 60 + min) * 60 + sec) * 1000.0 + msec;
    time /= MSecsPerDay;
    return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
    TDateTime time = 0;
    if (!TryEncodeTime(hour, min, sec, msec, time))
        throw EConvertError("Invalid argument to time encode");
    return time;
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
    hour = min = sec = msec = 0;
    TDayAndTime parts;
    if (!Split(time, parts)) return;
    std::int64_t rest = parts.Millisecond;
    msec = static_cast<Word>(rest % 1000);
    rest /= 1000;
    sec = static_cast<Word>(rest % 60);
    rest /= 60;
    min = static_cast<Word>(rest % 60);
    hour = static_cast<Word>(rest / 60);
}

int DayOfWeek(TDateTime date) {
    TDayAndTime parts;
    if (!Split(date, parts)) return 0;
    // 0001-01-01 was a Monday.
    return static_cast<int>((parts.Day + DateDelta) % 7) + 1;
}

TDateTime Date() {
    const TSystemTime now = Clock().LocalTime();
    return EncodeDate(now.Year, now.Month, now.Day);
}

TDateTime Time() {
    const TSystemTime now = Clock().LocalTime();
    return EncodeTime(now.Hour, now.Minute, now.Second, now.Millisecond);
}

TDateTime Now() {
    const TSystemTime now = Clock().LocalTime();
    return Combine(EncodeDate(now.Year, now.Month, now.Day),
                   EncodeTime(now.Hour, now.Minute, now.Second, now.Millisecond));
}

std::string FormatDateTime(std::string_view format, TDateTime dateTime) {
    std::string out;
    TDateFormatter(dateTime, out, 0).Run(format);
    return out;
}

std::string DateToStr(TDateTime date) {
    return FormatDateTime("ddddd", date);
}
std::string TimeToStr(TDateTime time) {
    return FormatDateTime("tt", time);
}
std::string DateTimeToStr(TDateTime dateTime) {
    return FormatDateTime("c", dateTime);
}

bool TryStrToDate(std::string_view text, TDateTime& date) {
    TScanner scan(text);
    scan.SkipBlanks();
    if (!ScanDate(scan, date)) return false;
    scan.SkipBlanks();
    return scan.AtEnd();
}

TDateTime StrToDate(std::string_view text) {
    TDateTime date = 0;
    if (!TryStrToDate(text, date)) throw EConvertError("'%s' is not a valid date", {text});
    return date;
}

bool TryStrToTime(std::string_view text, TDateTime& time) {
    TScanner scan(text);
    scan.SkipBlanks();
    if (!ScanTime(scan, time)) return false;
    scan.SkipBlanks();
    return scan.AtEnd();
}

TDateTime StrToTime(std::string_view text) {
    TDateTime time = 0;
    if (!TryStrToTime(text, time)) throw EConvertError("'%s' is not a valid time", {text});
    return time;
}

bool TryStrToDateTime(std::string_view text, TDateTime& dateTime) {
    TScanner scan(text);
    scan.SkipBlanks();
    TDateTime date = 0;
    TDateTime time = 0;
    if (!ScanDate(scan, date)) return false;
    scan.SkipBlanks();
    if (!scan.AtEnd() && !ScanTime(scan, time)) return false;
    scan.SkipBlanks();
    if (!scan.AtEnd()) return false;
    dateTime = Combine(date, time);
    return true;
}

TDateTime StrToDateTime(std::string_view text) {
    TDateTime dateTime = 0;
    if (!TryStrToDateTime(text, dateTime))
        throw EConvertError("'%s' is not a valid date and time", {text});
    return dateTime;
}
