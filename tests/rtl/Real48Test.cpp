#include "platform/rtl/Real48.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using Real48Bytes = std::array<Byte, 6>;
using ExtendedBytes = std::array<Byte, 10>;

Real48Bytes ToReal48(double value) {
    Real48Bytes bytes{};
    DoubleToReal48(value, bytes.data());
    return bytes;
}

ExtendedBytes ToExtended(long double value) {
    ExtendedBytes bytes{};
    LongDoubleToExtended(value, bytes.data());
    return bytes;
}

TEST(Real48Test, KnownEncodings) {
    EXPECT_EQ(ToReal48(1.0), (Real48Bytes{0x81, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ToReal48(-1.0), (Real48Bytes{0x81, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(ToReal48(3.0), (Real48Bytes{0x82, 0, 0, 0, 0, 0x40}));
    EXPECT_EQ(ToReal48(100.0), (Real48Bytes{0x87, 0, 0, 0, 0, 0x48}));
    EXPECT_EQ(ToReal48(0.0), Real48Bytes{});
    const Real48Bytes zeroWithJunk{0, 0x12, 0x34, 0, 0, 0x80};
    EXPECT_EQ(Real48ToDouble(zeroWithJunk.data()), 0.0);
}

TEST(Real48Test, RoundTripsAndRounding) {
    std::mt19937_64 random(48);
    for (int i = 0; i < 2000; ++i) {
        Real48Bytes bytes;
        for (Byte& b : bytes)
            b = static_cast<Byte>(random());
        if (bytes[0] == 0) bytes[0] = 1;
        EXPECT_EQ(ToReal48(Real48ToDouble(bytes.data())), bytes);
    }
    for (double v : {0.1, -123.456, 1e30, 3e-38, 2.0 / 3}) {
        const Real48Bytes bytes = ToReal48(v);
        EXPECT_LE(std::fabs(Real48ToDouble(bytes.data()) - v), std::fabs(v) * std::ldexp(1, -40))
            << v;
    }
    // Halfway values go to the even neighbour.
    EXPECT_EQ(ToReal48(1 + std::ldexp(1, -40)), ToReal48(1.0));
    EXPECT_EQ(ToReal48(1 + 3 * std::ldexp(1, -40)), ToReal48(1 + std::ldexp(1, -38)));
}

TEST(Real48Test, RangeLimits) {
    const Real48Bytes largest{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    const double max = Real48ToDouble(largest.data());
    EXPECT_NEAR(max, 1.7e38, 0.01e38);
    EXPECT_EQ(ToReal48(max), largest);
    EXPECT_THROW(ToReal48(max * (1 + std::ldexp(1, -30))), EOverflow);
    EXPECT_THROW(ToReal48(std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(ToReal48(std::nan("")), EInvalidOp);
    EXPECT_EQ(ToReal48(std::ldexp(1, -128)), (Real48Bytes{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ToReal48(std::ldexp(1, -130)), Real48Bytes{});
    EXPECT_EQ(ToReal48(-1e-300), Real48Bytes{});
}

TEST(ExtendedTest, KnownEncodingsAndSpecials) {
    EXPECT_EQ(ToExtended(1.0L), (ExtendedBytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_EQ(ToExtended(-2.0L), (ExtendedBytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}));
    EXPECT_EQ(ToExtended(0.0L), ExtendedBytes{});
    const ExtendedBytes negativeZero = ToExtended(-0.0L);
    EXPECT_TRUE(std::signbit(ExtendedToLongDouble(negativeZero.data())));
    const ExtendedBytes inf = ToExtended(-std::numeric_limits<long double>::infinity());
    EXPECT_EQ(ExtendedToDouble(inf.data()), -std::numeric_limits<double>::infinity());
    const ExtendedBytes nan = ToExtended(std::numeric_limits<long double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(ExtendedToLongDouble(nan.data())));
    const ExtendedBytes huge{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7E}; // 2^16128
    EXPECT_EQ(ExtendedToDouble(huge.data()), std::numeric_limits<double>::infinity());
}

TEST(ExtendedTest, RoundTrips) {
    std::mt19937_64 random(80);
    for (int i = 0; i < 2000; ++i) {
        double d = 0;
        const std::uint64_t bits = random();
        std::memcpy(&d, &bits, sizeof d);
        if (std::isnan(d)) continue;
        ExtendedBytes bytes{};
        DoubleToExtended(d, bytes.data());
        EXPECT_EQ(ExtendedToDouble(bytes.data()), d);
    }
    if constexpr (std::numeric_limits<long double>::digits == 64) {
        // Where long double is the 80-bit format its own bytes must agree.
        for (long double v : {1.0L / 3, -1e4000L, std::numeric_limits<long double>::denorm_min(),
                              std::numeric_limits<long double>::max()}) {
            ExtendedBytes native{};
            std::memcpy(native.data(), &v, native.size());
            EXPECT_EQ(ToExtended(v), native);
            EXPECT_EQ(ExtendedToLongDouble(native.data()), v);
        }
    }
}

} // namespace
