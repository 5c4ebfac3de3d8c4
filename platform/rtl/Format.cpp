#include "platform/rtl/Format.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"

#include <cctype>
#include <cstdint>

namespace {

// Larger widths or precisions are taken as a fault in the format string.
constexpr int MaxFieldSize = 100000;

struct TFormatSpec {
    bool LeftAlign = false;
    int Width = -1;
    int Precision = -1;
    char Type = 0;
};

class TFormatter {
public:
    TFormatter(std::string_view fmt, TVarRecs args) : fmt_(fmt), args_(args) {}

    std::string Run() {
        std::string out;
        while (pos_ < fmt_.size()) {
            const char c = fmt_[pos_++];
            if (c != '%') {
                out += c;
            } else if (pos_ < fmt_.size() && fmt_[pos_] == '%') {
                out += '%';
                ++pos_;
            } else {
                const TFormatSpec spec = ParseSpec();
                out += Pad(Convert(spec, NextArg()), spec);
            }
        }
        return out;
    }

private:
    [[noreturn]] void Fail() const {
        throw EConvertError("Format '%s' invalid or incompatible with argument",
                            {std::string(fmt_)});
    }

    const TVarRec& NextArg() {
        if (next_ >= args_.size()) Fail();
        return args_.begin()[next_++];
    }

    // Reads a decimal number or '*' (taken from the next argument); false when neither is there.
    bool ReadNumber(int& value) {
        if (pos_ < fmt_.size() && fmt_[pos_] == '*') {
            ++pos_;
            const TVarRec& arg = NextArg();
            if (!arg.IsInteger() || arg.AsInteger() > MaxFieldSize) Fail();
            value = static_cast<int>(arg.AsInteger());
            return true;
        }
        if (pos_ >= fmt_.size() || !std::isdigit(static_cast<unsigned char>(fmt_[pos_])))
            return false;
        value = 0;
        while (pos_ < fmt_.size() && std::isdigit(static_cast<unsigned char>(fmt_[pos_]))) {
            value = value * 10 + (fmt_[pos_++] - '0');
            if (value > MaxFieldSize) Fail();
        }
        return true;
    }

    bool Accept(char c) {
        if (pos_ >= fmt_.size() || fmt_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    // %[index:][-][width][.prec]type, positioned just after the '%'.
    TFormatSpec ParseSpec() {
        TFormatSpec spec;
        int number = -1;
        bool haveNumber = ReadNumber(number);
        if (haveNumber && Accept(':')) {
            if (number < 0) Fail();
            next_ = static_cast<std::size_t>(number);
            haveNumber = false;
        }
        if (!haveNumber) {
            spec.LeftAlign = Accept('-');
            haveNumber = ReadNumber(number);
        }
        if (haveNumber) spec.Width = number;
        if (Accept('.') && !ReadNumber(spec.Precision)) spec.Precision = 0;
        if (pos_ >= fmt_.size()) Fail();
        spec.Type = static_cast<char>(std::toupper(static_cast<unsigned char>(fmt_[pos_++])));
        return spec;
    }

    std::string Convert(const TFormatSpec& spec, const TVarRec& arg) const {
        switch (spec.Type) {
        case 'D':
        case 'U':
        case 'X': return IntegerText(spec, arg);
        case 'E':
        case 'F':
        case 'G':
        case 'N':
        case 'M': return FloatText(spec, arg);
        case 'S':
            if (!arg.IsString()) Fail();
            if (spec.Precision >= 0) return arg.AsString().substr(0, spec.Precision);
            return arg.AsString();
        case 'P':
            if (!arg.IsPointer()) Fail();
            return IntToHex(static_cast<Int64>(reinterpret_cast<std::uintptr_t>(arg.AsPointer())),
                            8);
        default: Fail();
        }
    }

    std::string IntegerText(const TFormatSpec& spec, const TVarRec& arg) const {
        if (!arg.IsInteger()) Fail();
        const Int64 value = arg.AsInteger();
        // Negative values of the 32-bit range show as 32-bit unsigned, as integers always did.
        const bool fits32 = value >= INT32_MIN;
        std::string digits;
        bool negative = false;
        if (spec.Type == 'X') {
            digits = fits32 ? IntToHex(static_cast<int>(value), 0) : IntToHex(value, 0);
        } else if (spec.Type == 'U' && value < 0) {
            digits = fits32 ? std::to_string(static_cast<std::uint32_t>(value))
                            : std::to_string(static_cast<std::uint64_t>(value));
        } else {
            negative = value < 0;
            digits = std::to_string(value);
            if (negative) digits.erase(0, 1);
        }
        if (spec.Precision > static_cast<int>(digits.size()))
            digits.insert(0, static_cast<std::size_t>(spec.Precision) - digits.size(), '0');
        return negative ? "-" + digits : digits;
    }

    std::string FloatText(const TFormatSpec& spec, const TVarRec& arg) const {
        if (!arg.IsFloat()) Fail();
        const double value = static_cast<double>(arg.AsFloat());
        const int prec = spec.Precision;
        switch (spec.Type) {
        case 'E': return FloatToStrF(value, ffExponent, prec < 0 ? 15 : prec, 3);
        case 'G': return FloatToStrF(value, ffGeneral, prec < 0 ? 15 : prec, 3);
        case 'F': return FloatToStrF(value, ffFixed, 18, prec < 0 ? 2 : prec);
        case 'N': return FloatToStrF(value, ffNumber, 18, prec < 0 ? 2 : prec);
        default:
            return FloatToStrF(value, ffCurrency, 18,
                               prec < 0 ? FormatSettings().CurrencyDecimals : prec);
        }
    }

    static std::string Pad(std::string text, const TFormatSpec& spec) {
        if (spec.Width <= static_cast<int>(text.size())) return text;
        const std::string fill(static_cast<std::size_t>(spec.Width) - text.size(), ' ');
        return spec.LeftAlign ? text + fill : fill + text;
    }

    std::string_view fmt_;
    TVarRecs args_;
    std::size_t pos_ = 0;
    std::size_t next_ = 0;
};

} // namespace

std::string Format(std::string_view fmt, TVarRecs args) {
    return TFormatter(fmt, args).Run();
}
