#include "platform/rtl/Numbers.h"

#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr int SignificantDigits = 15;
constexpr int MaxPrecision = 18;
// Enough places after the point to keep every significant digit of the smallest double.
constexpr int AllPlaces = 400;

// Cuts the digits of rec to `keep` digits, rounding half away from zero, and drops trailing zeros.
void RoundDigits(TFloatRec& rec, long long keep) {
    if (keep < static_cast<long long>(rec.Digits.size())) {
        const bool up = keep >= 0 && rec.Digits[static_cast<std::size_t>(keep)] >= '5';
        rec.Digits.resize(static_cast<std::size_t>(std::max(keep, 0LL)));
        if (up) {
            std::size_t i = rec.Digits.size();
            while (i > 0 && rec.Digits[i - 1] == '9')
                rec.Digits[--i] = '0';
            if (i == 0) {
                rec.Digits.insert(rec.Digits.begin(), '1');
                ++rec.Exponent;
            } else {
                ++rec.Digits[i - 1];
            }
        }
    }
    while (!rec.Digits.empty() && rec.Digits.back() == '0')
        rec.Digits.pop_back();
    if (rec.Digits.empty()) rec = TFloatRec{};
}

std::string NonFiniteText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string ExponentText(int exponent, bool forceSign, int minDigits) {
    std::string text = std::to_string(std::abs(exponent));
    if (static_cast<int>(text.size()) < minDigits)
        text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
    if (exponent < 0) return "-" + text;
    return forceSign ? "+" + text : text;
}

// The integer digits of rec ("0" when below one).
std::string IntegerPart(const TFloatRec& rec) {
    if (rec.Exponent <= 0) return "0";
    std::string digits = rec.Digits.substr(0, static_cast<std::size_t>(rec.Exponent));
    digits.resize(static_cast<std::size_t>(rec.Exponent), '0');
    return digits;
}

// The digits of rec after the point, padded with zeros to `places` (not cut).
std::string FractionPart(const TFloatRec& rec, int places) {
    std::string digits;
    if (rec.Exponent < 0) digits.assign(static_cast<std::size_t>(-rec.Exponent), '0');
    if (static_cast<int>(rec.Digits.size()) > std::max(rec.Exponent, 0))
        digits += rec.Digits.substr(static_cast<std::size_t>(std::max(rec.Exponent, 0)));
    if (static_cast<int>(digits.size()) < places)
        digits.resize(static_cast<std::size_t>(places), '0');
    return digits;
}

// Appends one integer digit and, when `left` digits follow it and they start a new group of
// three, the thousands separator (none when the settings have no separator).
void AppendGroupedDigit(std::string& out, char digit, std::size_t left) {
    out += digit;
    const char separator = FormatSettings().ThousandSeparator;
    if (left > 0 && left % 3 == 0 && separator != '\0') out += separator;
}

std::string GroupThousands(const std::string& digits) {
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i)
        AppendGroupedDigit(grouped, digits[i], digits.size() - 1 - i);
    return grouped;
}

std::string GeneralText(const TFloatRec& rec, int precision, int expDigits, char point) {
    if (rec.Digits.empty()) return "0";
    const std::string sign = rec.Negative ? "-" : "";
    if (rec.Exponent > precision || rec.Exponent < -3) {
        std::string text = sign + rec.Digits.substr(0, 1);
        if (rec.Digits.size() > 1) text += point + rec.Digits.substr(1);
        return text + "E" + ExponentText(rec.Exponent - 1, false, expDigits);
    }
    std::string text = sign + IntegerPart(rec);
    const std::string fraction = FractionPart(rec, 0);
    if (!fraction.empty()) text += point + fraction;
    return text;
}

std::string ExponentFormText(const TFloatRec& rec, int precision, int expDigits, char point) {
    std::string mantissa = rec.Digits.empty() ? "0" : rec.Digits;
    mantissa.resize(static_cast<std::size_t>(precision), '0');
    std::string text = rec.Negative ? "-" : "";
    text += mantissa[0];
    if (precision > 1) text += point + mantissa.substr(1);
    const int exponent = rec.Digits.empty() ? 0 : rec.Exponent - 1;
    return text + "E" + ExponentText(exponent, true, expDigits);
}

// The unsigned amount placed with the currency string as the settings order it.
std::string CurrencyText(const std::string& amount, bool negative) {
    const TFormatSettings& fs = FormatSettings();
    const std::string& c = fs.CurrencyString;
    if (!negative) {
        switch (fs.CurrencyFormat) {
        case 1: return amount + c;
        case 2: return c + " " + amount;
        case 3: return amount + " " + c;
        default: return c + amount;
        }
    }
    switch (fs.NegCurrFormat) {
    case 1: return "-" + c + amount;
    case 2: return c + "-" + amount;
    case 3: return c + amount + "-";
    case 4: return "(" + amount + c + ")";
    case 5: return "-" + amount + c;
    case 6: return amount + "-" + c;
    case 7: return amount + c + "-";
    case 8: return "-" + amount + " " + c;
    case 9: return "-" + c + " " + amount;
    case 10: return amount + " " + c + "-";
    case 11: return c + " " + amount + "-";
    case 12: return c + " -" + amount;
    case 13: return amount + "- " + c;
    case 14: return "(" + c + " " + amount + ")";
    case 15: return "(" + amount + " " + c + ")";
    default: return "(" + c + amount + ")";
    }
}

// Fixed, number and currency forms; `decimals` places after the point.
std::string FixedText(const TFloatRec& rec, TFloatFormat format, int decimals, char point) {
    std::string amount = IntegerPart(rec);
    if (format != ffFixed) amount = GroupThousands(amount);
    if (decimals > 0) amount += point + FractionPart(rec, decimals);
    if (format == ffCurrency) return CurrencyText(amount, rec.Negative);
    return rec.Negative ? "-" + amount : amount;
}

} // namespace

namespace {

// The digits of a finite magnitude as scientific notation gives them, to `precision` places
// after the first digit or, without one, the fewest that read back as the magnitude:
// magnitude = 0.Digits x 10^Exponent.
TFloatRec ScientificDigits(double magnitude, std::optional<int> precision) {
    char buffer[32];
    const auto result = precision ? std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                                  std::chars_format::scientific, *precision)
                                  : std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                                  std::chars_format::scientific);
    // buffer holds "d.ddddddddddddddde[+-]x..."
    const char* end = result.ptr;
    const char* e = std::find(static_cast<const char*>(buffer), end, 'e');
    int exp10 = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exp10);
    TFloatRec rec;
    rec.Digits.assign(1, buffer[0]);
    if (e > buffer + 1) rec.Digits.append(static_cast<const char*>(buffer) + 2, e);
    rec.Exponent = exp10 + 1;
    return rec;
}

} // namespace

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
    if (!std::isfinite(value) || value == 0) return {};
    TFloatRec rec = ScientificDigits(std::fabs(value), SignificantDigits - 1);
    rec.Negative = value < 0;
    const long long keep = std::min<long long>(std::clamp(precision, 1, SignificantDigits),
                                               static_cast<long long>(rec.Exponent) + decimals);
    RoundDigits(rec, keep);
    return rec;
}

TFloatRec ShortestDecimal(double value) {
    if (!std::isfinite(value) || value == 0) return {};
    TFloatRec rec = ScientificDigits(std::fabs(value), std::nullopt);
    rec.Digits.erase(rec.Digits.find_last_not_of('0') + 1);
    rec.Negative = value < 0;
    return rec;
}

double RoundHalfAway15(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    const TFloatRec rec = FloatToDecimal(value, SignificantDigits, decimals);
    if (rec.Digits.empty()) return 0.0;
    const std::string text = "0." + rec.Digits + "e" + std::to_string(rec.Exponent);
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return rec.Negative ? -result : result;
}

std::string IntToStr(Int64 value) {
    return std::to_string(value);
}

namespace {

std::string HexDigits(std::uint64_t value, int digits) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string text(buffer, result.ptr);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; });
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

} // namespace

std::string IntToHex(int value, int digits) {
    return HexDigits(static_cast<std::uint32_t>(value), digits);
}

std::string IntToHex(Int64 value, int digits) {
    return HexDigits(static_cast<std::uint64_t>(value), digits);
}

namespace {

// FloatToStrF with the given decimal point.
std::string FloatText(double value, TFloatFormat format, int precision, int digits, char point) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    precision = std::clamp(precision, 1, MaxPrecision);
    const int generated = std::min(precision, SignificantDigits);
    switch (format) {
    case ffGeneral:
        return GeneralText(FloatToDecimal(value, generated, AllPlaces), precision,
                           std::clamp(digits, 0, 4), point);
    case ffExponent:
        return ExponentFormText(FloatToDecimal(value, generated, AllPlaces), precision,
                                std::clamp(digits, 0, 4), point);
    default: {
        digits = std::clamp(digits, 0, MaxPrecision);
        const TFloatRec rec = FloatToDecimal(value, generated, digits);
        if (rec.Exponent > precision) return GeneralText(rec, precision, 0, point);
        return FixedText(rec, format, digits, point);
    }
    }
}

} // namespace

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatText(value, format, precision, digits, FormatSettings().DecimalSeparator);
}

std::string FloatToStr(double value) {
    return FloatToStrF(value, ffGeneral, 15, 0);
}

std::string PlainFloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    const TFloatFormat plain = format == ffGeneral || format == ffExponent ? format : ffFixed;
    return FloatText(value, plain, precision, digits, '.');
}

std::string PlainFloatToStr(double value) {
    return PlainFloatToStrF(value, ffGeneral, 15, 0);
}

namespace {

// One piece of a FormatFloat section.
struct TPatternToken {
    enum TKind { Literal, IntDigit, FracDigit, Point, Comma, Exponent } Kind = Literal;
    std::string Text;       // Literal: the text; Exponent: the letter
    char Placeholder = 0;   // IntDigit, FracDigit: '0' or '#'
    bool ForceSign = false; // Exponent: "E+" rather than "E-"
    int ExpDigits = 0;      // Exponent: least number of exponent digits
};

// What the placeholders of one section ask for.
struct TPatternShape {
    int IntPlaces = 0;
    int IntRequired = 0; // digits from the first '0' before the point on
    int FracPlaces = 0;
    int FracRequired = 0; // places up to the last '0' after the point
    bool Thousands = false;
    bool Scientific = false;
};

// The sections of a pattern, split at the semicolons outside quotes.
std::vector<std::string_view> PatternSections(std::string_view format) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    return sections;
}

std::vector<TPatternToken> TokenizeSection(std::string_view section) {
    std::vector<TPatternToken> tokens;
    bool afterPoint = false;
    bool afterExponent = false;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        TPatternToken token;
        if (c == '"' || c == '\'') {
            const std::size_t close = section.find(c, i + 1);
            const std::size_t end = close == std::string_view::npos ? section.size() : close;
            token.Text = std::string(section.substr(i + 1, end - i - 1));
            i = end;
        } else if ((c == '0' || c == '#') && !afterExponent) {
            token.Kind = afterPoint ? TPatternToken::FracDigit : TPatternToken::IntDigit;
            token.Placeholder = c;
        } else if (c == '.' && !afterPoint && !afterExponent) {
            token.Kind = TPatternToken::Point;
            afterPoint = true;
        } else if (c == ',' && !afterExponent) {
            token.Kind = TPatternToken::Comma;
        } else if ((c == 'E' || c == 'e') && !afterExponent && i + 1 < section.size() &&
                   (section[i + 1] == '+' || section[i + 1] == '-')) {
            token.Kind = TPatternToken::Exponent;
            token.Text = std::string(1, c);
            token.ForceSign = section[++i] == '+';
            while (i + 1 < section.size() && section[i + 1] == '0') {
                ++token.ExpDigits;
                ++i;
            }
            afterExponent = true;
        } else {
            token.Text = std::string(1, c);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

TPatternShape ShapeOf(const std::vector<TPatternToken>& tokens) {
    TPatternShape shape;
    int firstZero = -1;
    for (const TPatternToken& t : tokens) {
        if (t.Kind == TPatternToken::IntDigit) {
            if (t.Placeholder == '0' && firstZero < 0) firstZero = shape.IntPlaces;
            ++shape.IntPlaces;
        } else if (t.Kind == TPatternToken::FracDigit) {
            ++shape.FracPlaces;
            if (t.Placeholder == '0') shape.FracRequired = shape.FracPlaces;
        } else if (t.Kind == TPatternToken::Comma) {
            shape.Thousands = true;
        } else if (t.Kind == TPatternToken::Exponent) {
            shape.Scientific = true;
        }
    }
    shape.IntRequired = firstZero < 0 ? 0 : shape.IntPlaces - firstZero;
    return shape;
}

// The digits a section shows for a value, before they are placed.
struct TPatternDigits {
    std::string Int;
    std::string Frac;
    int Exponent = 0;
    bool Zero = true;
    bool TooLong = false; // more integer digits than a fixed form shows
};

TPatternDigits PatternDigits(const TPatternShape& shape, double value) {
    TPatternDigits d;
    TFloatRec rec;
    if (shape.Scientific) {
        rec = FloatToDecimal(value, std::max(shape.IntPlaces + shape.FracPlaces, 1), AllPlaces);
        if (!rec.Digits.empty()) {
            std::string digits = rec.Digits;
            if (static_cast<int>(digits.size()) < shape.IntPlaces)
                digits.resize(static_cast<std::size_t>(shape.IntPlaces), '0');
            d.Int = digits.substr(0, static_cast<std::size_t>(shape.IntPlaces));
            d.Frac = digits.substr(static_cast<std::size_t>(shape.IntPlaces));
            d.Exponent = rec.Exponent - shape.IntPlaces;
        }
    } else {
        rec = FloatToDecimal(value, SignificantDigits, shape.FracPlaces);
        d.TooLong = rec.Exponent > MaxPrecision;
        if (rec.Exponent > 0) d.Int = IntegerPart(rec);
        d.Frac = FractionPart(rec, 0);
    }
    d.Zero = rec.Digits.empty();
    if (static_cast<int>(d.Int.size()) < shape.IntRequired)
        d.Int.insert(0, static_cast<std::size_t>(shape.IntRequired) - d.Int.size(), '0');
    if (static_cast<int>(d.Frac.size()) < shape.FracPlaces)
        d.Frac.resize(static_cast<std::size_t>(shape.FracPlaces), '0');
    while (static_cast<int>(d.Frac.size()) > shape.FracRequired && d.Frac.back() == '0')
        d.Frac.pop_back();
    return d;
}

// Lays the digits into the tokens of a section. Integer digits fill the placeholders from the
// right; the first placeholder takes any digits beyond them.
class TPatternWriter {
public:
    TPatternWriter(const TPatternShape& shape, const TPatternDigits& digits)
        : shape_(shape), d_(digits) {}

    std::string Write(const std::vector<TPatternToken>& tokens) {
        const int excess = static_cast<int>(d_.Int.size()) - shape_.IntPlaces;
        int intIndex = 0;
        std::size_t fracIndex = 0;
        for (const TPatternToken& t : tokens) {
            switch (t.Kind) {
            case TPatternToken::IntDigit:
                IntDigits(intIndex == 0 ? 0 : intIndex + excess, intIndex + excess);
                ++intIndex;
                break;
            case TPatternToken::Point:
                if (shape_.IntPlaces == 0) IntDigits(0, static_cast<int>(d_.Int.size()) - 1);
                if (!d_.Frac.empty()) out_ += FormatSettings().DecimalSeparator;
                break;
            case TPatternToken::FracDigit:
                if (fracIndex < d_.Frac.size()) out_ += d_.Frac[fracIndex];
                ++fracIndex;
                break;
            case TPatternToken::Exponent:
                out_ += t.Text + ExponentText(d_.Exponent, t.ForceSign, t.ExpDigits);
                break;
            case TPatternToken::Comma: break;
            case TPatternToken::Literal: out_ += t.Text; break;
            }
        }
        return out_;
    }

private:
    // Writes the integer digits from..to (indexes into the digits; those below 0 are absent).
    void IntDigits(int from, int to) {
        const int count = static_cast<int>(d_.Int.size());
        for (int i = std::max(from, 0); i <= to && i < count; ++i) {
            const auto left = static_cast<std::size_t>(count - 1 - i);
            AppendGroupedDigit(out_, d_.Int[static_cast<std::size_t>(i)],
                               shape_.Thousands ? left : 0);
        }
    }

    const TPatternShape& shape_;
    const TPatternDigits& d_;
    std::string out_;
};

// The value laid out by one section; the minus sign is shown only when showMinus is set.
std::string FormatSection(std::string_view section, double value, bool showMinus) {
    const std::vector<TPatternToken> tokens = TokenizeSection(section);
    const TPatternShape shape = ShapeOf(tokens);
    const TPatternDigits digits = PatternDigits(shape, std::fabs(value));
    // Like the fixed forms, values of more than 18 integer digits take the general form.
    if (digits.TooLong) return FloatToStr(value);
    const std::string text = TPatternWriter(shape, digits).Write(tokens);
    return showMinus && !digits.Zero ? "-" + text : text;
}

bool RoundsToZero(std::string_view section, double magnitude) {
    const std::vector<TPatternToken> tokens = TokenizeSection(section);
    return PatternDigits(ShapeOf(tokens), magnitude).Zero;
}

} // namespace

std::string FormatFloat(std::string_view format, double value) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    if (format.empty()) return FloatToStr(value);
    const std::vector<std::string_view> sections = PatternSections(format);
    auto section = [&](std::size_t i) {
        return i < sections.size() && !sections[i].empty() ? sections[i] : sections[0];
    };
    const bool ownNegative = value < 0 && sections.size() > 1 && !sections[1].empty();
    const std::string_view chosen = value < 0 ? section(1) : section(0);
    const bool hasZero = sections.size() > 2 && !sections[2].empty();
    if (hasZero && (value == 0 || RoundsToZero(chosen, std::fabs(value))))
        return FormatSection(sections[2], 0.0, false);
    return FormatSection(chosen, value, value < 0 && !ownNegative);
}

namespace {

int DigitValue(char c, int base) {
    int d = 99;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    return d < base ? d : -1;
}

std::size_t SkipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && text[i] == ' ')
        ++i;
    return i;
}

// Val for an integer of `bits` (32 or 64) bits; hexadecimal may use the whole unsigned range.
int ScanInteger(std::string_view text, int bits, Int64& value) {
    value = 0;
    std::size_t i = SkipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    const std::uint64_t signedLimit = (std::uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    const std::uint64_t limit = base == 16 ? (std::uint64_t{1} << (bits - 1)) * 2 - 1 : signedLimit;
    const std::size_t first = i;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0 || magnitude > (limit - static_cast<std::uint64_t>(d)) / base)
            return static_cast<int>(i) + 1;
        magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (i == first) return static_cast<int>(i) + 1;
    const std::uint64_t bitsValue = negative ? 0 - magnitude : magnitude;
    value = bits == 32 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(bitsValue))
                       : static_cast<Int64>(bitsValue);
    return 0;
}

std::size_t ScanDigits(std::string_view text, std::size_t i, std::string& digits) {
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        digits += text[i++];
    return i;
}

// The parts of a decimal number as written.
struct TDecimalText {
    bool Negative = false;
    std::string Int;
    std::string Frac;
    long Exponent = 0;
};

// Turns the parts into a value; false when the value is beyond the double range.
bool DecimalValue(const TDecimalText& t, double& value) {
    const std::string text =
        (t.Int.empty() ? "0" : t.Int) + "." + t.Frac + "e" + std::to_string(t.Exponent);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small values read as zero; too large ones are errors.
        const std::size_t lead = t.Int.find_first_not_of('0');
        const long order = lead != std::string::npos
                               ? static_cast<long>(t.Int.size() - lead) + t.Exponent
                               : t.Exponent - static_cast<long>(t.Frac.find_first_not_of('0'));
        if (order > 0) return false;
        value = 0;
    }
    if (t.Negative) value = -value;
    return true;
}

// Reads a decimal floating number with the given point; 0 or the 1-based error position.
int ScanFloat(std::string_view text, char point, bool trailingBlanks, double& value) {
    value = 0;
    TDecimalText t;
    std::size_t i = SkipBlanks(text, 0);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) t.Negative = text[i++] == '-';
    i = ScanDigits(text, i, t.Int);
    if (i < text.size() && text[i] == point) i = ScanDigits(text, i + 1, t.Frac);
    if (t.Int.empty() && t.Frac.empty()) return static_cast<int>(i) + 1;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        std::string digits;
        i = ScanDigits(text, i, digits);
        if (digits.empty()) return static_cast<int>(i) + 1;
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
        // Past 5 digits the exponent is far beyond any double either way.
        t.Exponent = digits.size() > 5 ? 99999 : std::stol("0" + digits);
        if (negativeExponent) t.Exponent = -t.Exponent;
    }
    if (trailingBlanks) i = SkipBlanks(text, i);
    if (i < text.size()) return static_cast<int>(i) + 1;
    if (!DecimalValue(t, value)) return static_cast<int>(text.size()) + 1;
    return 0;
}

} // namespace

void Val(std::string_view text, Int64& value, int& code) {
    code = ScanInteger(text, 64, value);
}

void Val(std::string_view text, int& value, int& code) {
    Int64 wide = 0;
    code = ScanInteger(text, 32, wide);
    value = static_cast<int>(wide);
}

void Val(std::string_view text, double& value, int& code) {
    code = ScanFloat(text, '.', false, value);
}

namespace {

// The text as an integer of type T, or EConvertError.
template <typename T>
T StrToIntOf(std::string_view text) {
    T value = 0;
    int code = 0;
    Val(text, value, code);
    if (code != 0) throw EConvertError("'%s' is not a valid integer value", {text});
    return value;
}

} // namespace

int StrToInt(std::string_view text) {
    return StrToIntOf<int>(text);
}

Int64 StrToInt64(std::string_view text) {
    return StrToIntOf<Int64>(text);
}

int StrToIntDef(std::string_view text, int defaultValue) {
    int value = 0;
    int code = 0;
    Val(text, value, code);
    return code == 0 ? value : defaultValue;
}

bool TextToFloat(std::string_view text, double& value) {
    return ScanFloat(text, FormatSettings().DecimalSeparator, true, value) == 0;
}

double StrToFloat(std::string_view text) {
    double value = 0;
    if (!TextToFloat(text, value))
        throw EConvertError("'%s' is not a valid floating point value", {text});
    return value;
}

double StrToFloatDef(std::string_view text, double defaultValue) {
    double value = 0;
    return TextToFloat(text, value) ? value : defaultValue;
}

namespace {

// The value as an Int64 once it holds an integral number; EInvalidOp when it does not fit.
Int64 CheckedInt64(double integral) {
    // 2^63 is exact as a double; every double below it converts without overflow.
    constexpr double limit = 9223372036854775808.0;
    if (!(integral >= -limit && integral < limit))
        throw EInvalidOp("Invalid floating point operation");
    return static_cast<Int64>(integral);
}

} // namespace

Int64 Round(double value) {
    return CheckedInt64(std::nearbyint(value));
}

Int64 Trunc(double value) {
    return CheckedInt64(std::trunc(value));
}

double Int(double value) {
    return std::trunc(value);
}

double Frac(double value) {
    return value - std::trunc(value);
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const Int64 product = static_cast<Int64>(a) * b;
    Int64 quotient = product / c;
    const Int64 remainder = product % c;
    if (2 * std::abs(remainder) >= std::abs(static_cast<Int64>(c)))
        quotient += ((product < 0) == (c < 0)) ? 1 : -1;
    if (quotient < std::numeric_limits<int>::min() || quotient > std::numeric_limits<int>::max())
        return -1;
    return static_cast<int>(quotient);
}
