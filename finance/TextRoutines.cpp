#include "finance/TextRoutines.h"

#include "controls/entry/RegionalConventions.h"

#include "controls/entry/EntryText.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace {

constexpr int MaxShortString = 255;

// |value| with `decimals` decimals and a "." point, rounded as every money text is.
std::string FixedText(double value, int decimals) {
    const TFloatRec rec = FloatToDecimal(std::fabs(value), 15, decimals);
    std::string digits = rec.Digits;
    int exponent = rec.Exponent;
    if (digits.empty()) exponent = 1;
    // Integer part: the first `exponent` digits (zeros appended as needed), "0" when none.
    std::string integer = exponent > 0 ? digits.substr(0, static_cast<std::size_t>(exponent)) : "";
    if (exponent > 0 && integer.size() < static_cast<std::size_t>(exponent))
        integer.append(static_cast<std::size_t>(exponent) - integer.size(), '0');
    if (integer.empty()) integer = "0";
    std::string fraction;
    if (exponent < 0) fraction.assign(static_cast<std::size_t>(-exponent), '0');
    if (static_cast<int>(digits.size()) > std::max(exponent, 0))
        fraction += digits.substr(static_cast<std::size_t>(std::max(exponent, 0)));
    fraction.resize(static_cast<std::size_t>(decimals), '0');
    return decimals > 0 ? integer + "." + fraction : integer;
}

bool IsFieldChar(char c) {
    return std::string_view("#@*$+-,.").find(c) != std::string_view::npos;
}
bool IsDigitPlace(char c) {
    return c == '#' || c == '@' || c == '*' || c == '$';
}
bool IsSignPlace(char c) {
    return c == '+' || c == '-';
}

// The numeric field of a picture without its currency places, laid out for one value.
std::string LayOutField(const std::string& field, char decimalChar, char commaChar,
                        const std::string& leftCurrency, double value) {
    const std::size_t point = field.find('.');
    int decimals = 0;
    int integerPlaces = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (!IsDigitPlace(field[i])) continue;
        if (point != std::string::npos && i > point)
            ++decimals;
        else
            ++integerPlaces;
    }
    const bool hasSign = std::any_of(field.begin(), field.end(), IsSignPlace);
    const char fill = field.find('*') != std::string::npos   ? '*'
                      : field.find('@') != std::string::npos ? '0'
                                                             : ' ';
    const bool negative = value < 0.0;
    const std::string fixed = FixedText(value, decimals);
    std::string integer = fixed.substr(0, fixed.find('.'));
    if (integer == "0" && integerPlaces == 0) integer.clear();
    if (field.find('$') != std::string::npos) integer.insert(0, leftCurrency);
    bool overflow = !std::isfinite(value);
    if (negative && !hasSign) {
        if (fill == ' ')
            integer.insert(0, 1, '-');
        else
            overflow = true;
    }
    overflow = overflow || static_cast<int>(integer.size()) > integerPlaces;
    // The characters that go into the digit places, rightmost first. The currency sign and the
    // minus sign lead them; a separator is written only while digits remain to its left.
    const int prefix = static_cast<int>(integer.find_first_of("0123456789") == std::string::npos
                                            ? integer.size()
                                            : integer.find_first_of("0123456789"));
    std::string chars = integer + (decimals > 0 ? fixed.substr(fixed.find('.') + 1) : "");
    std::string out = field;
    int next = static_cast<int>(chars.size()) - 1;
    for (int i = static_cast<int>(field.size()) - 1; i >= 0; --i) {
        char& c = out[static_cast<std::size_t>(i)];
        const char pic = field[static_cast<std::size_t>(i)];
        if (IsSignPlace(pic)) {
            c = negative ? '-' : (pic == '+' ? '+' : ' ');
        } else if (overflow) {
            if (IsDigitPlace(pic))
                c = '*';
            else
                c = pic == '.' ? decimalChar : commaChar;
        } else if (IsDigitPlace(pic)) {
            c = next >= 0 ? chars[static_cast<std::size_t>(next--)] : fill;
        } else if (pic == '.') {
            c = decimalChar;
        } else {
            // Among the leading places a separator is one more place for the signs or the fill.
            c = next >= prefix ? commaChar
                : next >= 0    ? chars[static_cast<std::size_t>(next--)]
                               : fill;
        }
    }
    return out;
}

} // namespace

char CharUpperAnsi(char ch) {
    return AnsiUpperChar(ch);
}

void StrFillZ(std::string& dest, char ch, int n) {
    PCharFill(dest, ch, n);
}

void StrPadRightZ(std::string& s, char ch, int len) {
    if (static_cast<int>(s.size()) < len) s.append(static_cast<std::size_t>(len) - s.size(), ch);
}

void StrPadRightZ(std::string& s, int len) {
    StrPadRightZ(s, ' ', len);
}

void StrPadLeftZ(std::string& s, char ch, int len) {
    if (static_cast<int>(s.size()) < len) s.insert(0, static_cast<std::size_t>(len) - s.size(), ch);
}

void StrPadLeftZ(std::string& s, int len) {
    StrPadLeftZ(s, ' ', len);
}

void StrTrimLeftZ(std::string& s) {
    std::size_t first = 0;
    while (first < s.size() && static_cast<unsigned char>(s[first]) <= 32)
        ++first;
    s.erase(0, first);
}

void TrimCopy(std::string& dest, const std::string& src) {
    dest = src;
    StrTrimLeftZ(dest);
}

void FloatToStrZ(std::string& dest, double value, int width, int decimals) {
    if (std::isfinite(value)) {
        dest = FixedText(value, std::clamp(decimals, 0, 18));
        if (value < 0.0 && dest.find_first_not_of("0.") != std::string::npos) dest.insert(0, "-");
    } else {
        dest = FloatToStr(value);
    }
    StrPadLeftZ(dest, width);
}

bool StrHasChar(const std::string& s, char ch) {
    return s.find(ch) != std::string::npos;
}

void WordWrapLine(std::string& line, const std::string& s, std::string& rest, bool pad, int width) {
    std::size_t cut = s.size();
    if (width > 0 && s.size() > static_cast<std::size_t>(width)) {
        const std::size_t w = static_cast<std::size_t>(width);
        if (s[w] == ' ') {
            cut = w;
        } else {
            const std::size_t blank = s.rfind(' ', w);
            cut = blank == std::string::npos ? w : blank;
        }
    }
    line = s.substr(0, cut);
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    const std::size_t restStart = s.find_first_not_of(' ', cut);
    rest = restStart == std::string::npos ? std::string() : s.substr(restStart);
    if (pad && width > 0) StrPadRightZ(line, width);
}

void FormatNumberCore(std::string& dest, const std::string& picture, char decimalChar,
                      char commaChar, const std::string& leftCurrency,
                      const std::string& rightCurrency, double value) {
    std::string pic;
    int leftPlaces = 0;
    int rightPlaces = 0;
    for (char c : picture) {
        if (c == 'c')
            ++leftPlaces;
        else if (c == 'C')
            ++rightPlaces;
        else
            pic += c;
    }
    std::size_t start = 0;
    while (start < pic.size() && !IsFieldChar(pic[start]))
        ++start;
    std::size_t end = start;
    while (end < pic.size() && IsFieldChar(pic[end]))
        ++end;
    std::string left = leftCurrency.substr(0, static_cast<std::size_t>(leftPlaces));
    StrPadRightZ(left, leftPlaces);
    std::string right = rightCurrency.substr(0, static_cast<std::size_t>(rightPlaces));
    StrPadLeftZ(right, rightPlaces);
    dest =
        left + pic.substr(0, start) +
        LayOutField(pic.substr(start, end - start), decimalChar, commaChar, leftCurrency, value) +
        pic.substr(end) + right;
}

void FormatNumberText(std::string& dest, const std::string& picture, char decimalChar,
                      char commaChar, const std::string& leftCurrency,
                      const std::string& rightCurrency, double value) {
    FormatNumberCore(dest, picture, decimalChar, commaChar, leftCurrency, rightCurrency, value);
}

void InsertStrZ(std::string& s, const std::string& ins, int pos) {
    PCharInsertStr(s, ins, pos);
}

void DeleteCharZ(std::string& s, int pos) {
    PCharDeleteChar(s, pos);
}

bool FindCharPos(const std::string& s, char ch, int& pos) {
    pos = 0;
    if (!PCharFindChar(s, ch, pos)) return false;
    ++pos;
    return true;
}

bool FindCharPosShort(const std::string& s, char ch, int& pos) {
    return FindCharPos(s.substr(0, MaxShortString), ch, pos);
}

std::string PadRightChar(const std::string& s, char ch, int width) {
    std::string result = s;
    StrPadRightZ(result, ch, std::min(width, MaxShortString));
    return result;
}

std::string PadRight(const std::string& s, int width) {
    return PadRightChar(s, ' ', width);
}

void InsertCharAt(std::string& s, char ch, int pos) {
    PCharInsertChar(s, ch, pos - 1);
}

void DeleteCharAt(std::string& s, int pos) {
    PCharDeleteChar(s, pos - 1);
}

void AppendChar(std::string& s, char ch) {
    s += ch;
}

std::string PictureText(const char* picture, double value) {
    const TVcIntlSup& intl = VcIntlSup();
    std::string text, trimmed;
    FormatNumberText(text, picture, intl.DecimalSeparator, intl.ThousandSeparator,
                     intl.CurrencyPrefix, intl.CurrencySuffix, value);
    TrimCopy(trimmed, text);
    return trimmed;
}

std::string MoneyPicture(const TVcIntlSup& intl) {
    const std::string number = "###,###,###.##";
    if (intl.CurrencyPlacement == 1 || intl.CurrencyPlacement == 3)
        return number + std::string(intl.CurrencySuffix.size(), 'C');
    return std::string(intl.CurrencyPrefix.size(), '$') + number;
}

std::string MoneyText(double value) {
    const double magnitude = std::fabs(value) + 0.005; // as rounded to cents
    int places = value <= -0.005 ? 2 : 1;
    for (double power = 10.0; magnitude >= power && std::isfinite(power); power *= 10.0)
        ++places;
    std::string picture = MoneyPicture(VcIntlSup());
    const std::size_t digits = picture.find('#');
    for (int held = 9; held < places; held += 3)
        picture.insert(digits, "###,");
    return PictureText(picture.c_str(), value);
}
