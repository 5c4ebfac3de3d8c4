#include "platform/rtl/Real48.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int Real48Bias = 129;
constexpr int Real48FractionBits = 39;
constexpr int ExtendedBias = 16383;
constexpr int ExtendedMaxExponent = 0x7FFF;
constexpr int MantissaBits = 64;

std::uint64_t ReadLittleEndian(const Byte* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

void WriteLittleEndian(std::uint64_t value, Byte* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        bytes[i] = static_cast<Byte>(value & 0xFF);
        value >>= 8;
    }
}

} // namespace

double Real48ToDouble(const Byte bytes[6]) {
    if (bytes[0] == 0) return 0.0;
    const std::uint64_t high = ReadLittleEndian(bytes + 1, 5);
    const std::uint64_t fraction = high & ((std::uint64_t{1} << Real48FractionBits) - 1);
    const double mantissa = 1.0 + std::ldexp(static_cast<double>(fraction), -Real48FractionBits);
    const double magnitude = std::ldexp(mantissa, bytes[0] - Real48Bias);
    return (high >> Real48FractionBits) != 0 ? -magnitude : magnitude;
}

void DoubleToReal48(double value, Byte bytes[6]) {
    if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
    if (std::isinf(value)) throw EOverflow("Floating point overflow");
    Byte result[6] = {};
    if (value != 0) {
        int exponent = 0;
        const double half = std::frexp(std::fabs(value), &exponent); // in [0.5, 1)
        // The fraction below the implicit 1 of 2 * half, rounded to 39 bits; exact arithmetic.
        auto fraction = static_cast<std::uint64_t>(
            std::nearbyint(std::ldexp(2 * half - 1, Real48FractionBits)));
        int biased = exponent - 1 + Real48Bias;
        if (fraction >> Real48FractionBits) {
            fraction = 0;
            ++biased;
        }
        if (biased > 255) throw EOverflow("Floating point overflow");
        if (biased >= 1) {
            if (std::signbit(value)) fraction |= std::uint64_t{1} << Real48FractionBits;
            result[0] = static_cast<Byte>(biased);
            WriteLittleEndian(fraction, result + 1, 5);
        }
    }
    std::copy(result, result + 6, bytes);
}

long double ExtendedToLongDouble(const Byte bytes[10]) {
    const std::uint64_t mantissa = ReadLittleEndian(bytes, 8);
    const auto top = static_cast<unsigned>(ReadLittleEndian(bytes + 8, 2));
    const int exponent = static_cast<int>(top & ExtendedMaxExponent);
    const bool negative = (top & 0x8000u) != 0;
    long double magnitude = 0;
    if (exponent == ExtendedMaxExponent) {
        // Without the integer bit the fraction decides: none is infinity, any is NaN.
        magnitude = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                         : std::numeric_limits<long double>::quiet_NaN();
    } else {
        // Denormals have exponent 0 and scale as exponent 1.
        const int scale = std::max(exponent, 1) - ExtendedBias - (MantissaBits - 1);
        magnitude = std::ldexp(static_cast<long double>(mantissa), scale);
    }
    return negative ? -magnitude : magnitude;
}

void LongDoubleToExtended(long double value, Byte bytes[10]) {
    std::uint64_t mantissa = 0;
    int biased = 0;
    if (std::isnan(value)) {
        mantissa = std::uint64_t{3} << 62; // the quiet NaN
        biased = ExtendedMaxExponent;
    } else if (std::isinf(value)) {
        mantissa = std::uint64_t{1} << 63;
        biased = ExtendedMaxExponent;
    } else if (value != 0) {
        int exponent = 0;
        const long double half = std::frexp(std::fabs(value), &exponent); // in [0.5, 1)
        mantissa = static_cast<std::uint64_t>(std::ldexp(half, MantissaBits));
        biased = exponent - 1 + ExtendedBias;
        if (biased <= 0) { // denormal: the mantissa moves right, the exponent field is 0
            const int shift = 1 - biased;
            mantissa = shift < MantissaBits ? mantissa >> shift : 0;
            biased = 0;
        }
    }
    const unsigned sign = std::signbit(value) ? 0x8000u : 0u;
    WriteLittleEndian(mantissa, bytes, 8);
    WriteLittleEndian(sign | static_cast<unsigned>(biased), bytes + 8, 2);
}

double ExtendedToDouble(const Byte bytes[10]) {
    return static_cast<double>(ExtendedToLongDouble(bytes));
}

void DoubleToExtended(double value, Byte bytes[10]) {
    LongDoubleToExtended(value, bytes);
}
