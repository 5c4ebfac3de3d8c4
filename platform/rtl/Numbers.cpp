#include "platform/rtl/Numbers.h"

#include "platform/rtl/Regional.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

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
            while (i > 0 && rec.Digits[i - 1] == '9') rec.Digits[--i] = '0';
            if (i == 0) {
                rec.Digits.insert(rec.Digits.begin(), '1');
                ++rec.Exponent;
            } else {
                ++rec.Digits[i - 1];
            }
        }
    }
    while (!rec.Digits.empty() && rec.Digits.back() == '0') rec.Digits.pop_back();
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
    if (static_cast<int>(digits.size()) < places) digits.resize(static_cast<std::size_t>(places), '0');
    return digits;
}

std::string GroupThousands(const std::string& digits) {
    const char separator = FormatSettings().ThousandSeparator;
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

std::string GeneralText(const TFloatRec& rec, int precision, int expDigits) {
    if (rec.Digits.empty()) return "0";
    const std::string sign = rec.Negative ? "-" : "";
    if (rec.Exponent > precision || rec.Exponent < -3) {
        std::string text = sign + rec.Digits.substr(0, 1);
        if (rec.Digits.size() > 1) text += FormatSettings().DecimalSeparator + rec.Digits.substr(1);
        return text + "E" + ExponentText(rec.Exponent - 1, false, expDigits);
    }
    std::string text = sign + IntegerPart(rec);
    const std::string fraction = FractionPart(rec, 0);
    if (!fraction.empty()) text += FormatSettings().DecimalSeparator + fraction;
    return text;
}

std::string ExponentFormText(const TFloatRec& rec, int precision, int expDigits) {
    std::string mantissa = rec.Digits.empty() ? "0" : rec.Digits;
    mantissa.resize(static_cast<std::size_t>(precision), '0');
    std::string text = rec.Negative ? "-" : "";
    text += mantissa[0];
    if (precision > 1) text += FormatSettings().DecimalSeparator + mantissa.substr(1);
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
std::string FixedText(const TFloatRec& rec, TFloatFormat format, int decimals) {
    std::string amount = IntegerPart(rec);
    if (format != ffFixed) amount = GroupThousands(amount);
    if (decimals > 0) amount += FormatSettings().DecimalSeparator + FractionPart(rec, decimals);
    if (format == ffCurrency) return CurrencyText(amount, rec.Negative);
    return rec.Negative ? "-" + amount : amount;
}

} // namespace

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
    TFloatRec rec;
    if (!std::isfinite(value) || value == 0) return rec;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, SignificantDigits - 1);
    // buffer holds "d.ddddddddddddddde[+-]x..."
    const char* end = result.ptr;
    const char* e = std::find(static_cast<const char*>(buffer), end, 'e');
    int exp10 = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exp10);
    rec.Digits.assign(1, buffer[0]);
    rec.Digits.append(static_cast<const char*>(buffer) + 2, e);
    rec.Exponent = exp10 + 1;
    rec.Negative = value < 0;
    const long long keep = std::min<long long>(std::clamp(precision, 1, SignificantDigits),
                                               static_cast<long long>(rec.Exponent) + decimals);
    RoundDigits(rec, keep);
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

std::string IntToStr(Int64 value) { return std::to_string(value); }

namespace {

std::string HexDigits(std::uint64_t value, int digits) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string text(buffer, result.ptr);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; });
    digits = std::min(digits, 32);
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

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    precision = std::clamp(precision, 1, MaxPrecision);
    const int generated = std::min(precision, SignificantDigits);
    switch (format) {
    case ffGeneral:
        return GeneralText(FloatToDecimal(value, generated, AllPlaces), precision,
                           std::clamp(digits, 0, 4));
    case ffExponent:
        return ExponentFormText(FloatToDecimal(value, generated, AllPlaces), precision,
                                std::clamp(digits, 0, 4));
    default: {
        digits = std::clamp(digits, 0, MaxPrecision);
        const TFloatRec rec = FloatToDecimal(value, generated, digits);
        if (rec.Exponent > precision) return GeneralText(rec, precision, 0);
        return FixedText(rec, format, digits);
    }
    }
}

std::string FloatToStr(double value) { return FloatToStrF(value, ffGeneral, 15, 0); }
