#include "platform/rtl/Format.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Restores the regional settings a test changed.
class FormatTest : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings() = saved_; }
    TFormatSettings saved_ = FormatSettings();
};

TEST_F(FormatTest, IntegersWidthPrecisionAndIndex) {
    EXPECT_EQ(Format("%d|%5d|%-5d|%.4d|%.4d", {42, 42, 42, 42, -42}), "42|   42|42   |0042|-0042");
    EXPECT_EQ(Format("%x %X %.4x %x", {255, 255, 10, -1}), "FF FF 000A FFFFFFFF");
    EXPECT_EQ(Format("%u", {-1}), "4294967295");
    EXPECT_EQ(Format("%d", {Int64{-9000000000}}), "-9000000000");
    EXPECT_EQ(Format("%*d|%-*.*d", {4, 7, 5, 3, 7}), "   7|007  ");
    EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
    EXPECT_EQ(Format("100%% %s", {'x'}), "100% x");
}

TEST_F(FormatTest, StringsAndPointers) {
    EXPECT_EQ(Format("[%s][%6s][%-6s][%.2s]", {"abc", "abc", "abc", "abc"}),
              "[abc][   abc][abc   ][ab]");
    EXPECT_EQ(Format("%p", {reinterpret_cast<const void*>(0xABCD)}), "0000ABCD");
}

TEST_F(FormatTest, FixedRoundsHalfAwayFromZeroAt15Digits) {
    EXPECT_EQ(Format("%.2f", {125.125}), "125.13");
    EXPECT_EQ(Format("%.2f", {0.285}), "0.29");
    EXPECT_EQ(Format("%.2f", {1.005}), "1.01");
    EXPECT_EQ(Format("%.2f", {-2.675}), "-2.68");
    EXPECT_EQ(Format("%f|%.0f|%.0f|%.3f", {1.0, 0.5, -2.5, 9.9995}), "1.00|1|-3|10.000");
    EXPECT_EQ(Format("%.2f", {-0.001}), "0.00");
    EXPECT_EQ(Format("%8.1f|%-8.1f|", {3.14159, 3.14159}), "     3.1|3.1     |");
}

TEST_F(FormatTest, ExponentAndGeneral) {
    EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3e|%.3E", {-0.000123456, 0.0}), "-1.23E-004|0.00E+000");
    EXPECT_EQ(Format("%g|%g|%g|%g", {0.1, 1234.5, 1e-4, 1e-5}), "0.1|1234.5|0.0001|1E-005");
    EXPECT_EQ(Format("%g|%.3g|%g", {1e15, 1234.5, 1.0 / 3}), "1E015|1.23E003|0.333333333333333");
    EXPECT_EQ(Format("%g", {123456789012345.0}), "123456789012345");
}

TEST_F(FormatTest, NumberWithThousandsAndWidth) {
    EXPECT_EQ(Format("%n|%.0n|%.3n", {1234567.891, -1234.5, 12.0}), "1,234,567.89|-1,235|12.000");
    EXPECT_EQ(Format("[%12n][%-12n]", {12345.678, 999.999}), "[   12,345.68][1,000.00    ]");
    FormatSettings().ThousandSeparator = '.';
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(Format("%n|%.1f", {1234567.0, 2.25}), "1.234.567,00|2,3");
    FormatSettings().ThousandSeparator = '\0';
    EXPECT_EQ(Format("%n", {1234567.0}), "1234567,00") << "no separator set";
}

TEST_F(FormatTest, CurrencyFollowsPositiveAndNegativeForms) {
    EXPECT_EQ(Format("%m|%m|%.0m", {1234.5, -1234.5, 7.5}), "$1,234.50|($1,234.50)|$8");
    FormatSettings().CurrencyString = "EUR";
    FormatSettings().CurrencyDecimals = 1;
    const char* positive[] = {"EUR1.5", "1.5EUR", "EUR 1.5", "1.5 EUR"};
    for (int i = 0; i < 4; ++i) {
        FormatSettings().CurrencyFormat = i;
        EXPECT_EQ(Format("%m", {1.54}), positive[i]) << i;
    }
    const char* negative[] = {"(EUR1.5)", "-EUR1.5",  "EUR-1.5",   "EUR1.5-",
                              "(1.5EUR)", "-1.5EUR",  "1.5-EUR",   "1.5EUR-",
                              "-1.5 EUR", "-EUR 1.5", "1.5 EUR-",  "EUR 1.5-",
                              "EUR -1.5", "1.5- EUR", "(EUR 1.5)", "(1.5 EUR)"};
    for (int i = 0; i < 16; ++i) {
        FormatSettings().NegCurrFormat = i;
        EXPECT_EQ(Format("%m", {-1.54}), negative[i]) << i;
    }
    FormatSettings().NegCurrFormat = 1;
    EXPECT_EQ(Format("%10m|", {-0.04}), "   0.0 EUR|") << "a zero amount takes the positive form";
}

TEST_F(FormatTest, NonFiniteValues) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(
        Format("%f %e %g %n %m", {inf, -inf, std::numeric_limits<double>::quiet_NaN(), inf, -inf}),
        "INF -INF NAN INF -INF");
}

TEST_F(FormatTest, BadOrIncompatibleSpecifiersRaise) {
    for (const char* fmt : {"%d", "%s %s", "%q", "abc %", "%2:d", "%.2f"}) {
        try {
            if (std::string(fmt) == "%.2f")
                Format(fmt, {3});
            else
                Format(fmt, {"x"});
            ADD_FAILURE() << fmt;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      std::string("Format '") + fmt + "' invalid or incompatible with argument");
        }
    }
    EXPECT_THROW(Format("%*d", {"x", 1}), EConvertError);
    EXPECT_THROW(Format("%999999999d", {1}), EConvertError);
}

} // namespace
