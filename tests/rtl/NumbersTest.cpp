#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class NumbersTest : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings() = saved_; }
    TFormatSettings saved_ = FormatSettings();
};

TEST_F(NumbersTest, DecimalRoundingIsHalfAwayAt15Digits) {
    EXPECT_EQ(RoundHalfAway15(2.675, 2), 2.68);
    EXPECT_EQ(RoundHalfAway15(-0.125, 2), -0.13);
    EXPECT_EQ(RoundHalfAway15(1234.5, -1), 1230.0);
    EXPECT_EQ(RoundHalfAway15(0.004999, 2), 0.0);
    EXPECT_EQ(RoundHalfAway15(99.995, 2), 100.0);
    const TFloatRec rec = FloatToDecimal(-0.000123456, 3, 99);
    EXPECT_EQ(rec.Digits, "123");
    EXPECT_EQ(rec.Exponent, -3);
    EXPECT_TRUE(rec.Negative);
    EXPECT_EQ(FloatToDecimal(0.4, 15, 0).Digits, "");
}

TEST_F(NumbersTest, IntegerTexts) {
    EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(Int64{-2}, 1), "FFFFFFFFFFFFFFFE");
}

TEST_F(NumbersTest, FloatToStrGeneralForm) {
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(-1.5), "-1.5");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(123456789012345678.0), "1.23456789012346E17");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStrF(1.5e-7, ffGeneral, 15, 2), "1.5E-07");
    EXPECT_EQ(FloatToStrF(123456, ffGeneral, 4, 0), "1.235E5");
}

TEST_F(NumbersTest, FloatToStrFFormats) {
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 5, 3), "1234.600");
    EXPECT_EQ(FloatToStrF(123456.0, ffFixed, 4, 2), "1.235E5");
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 1), "1,234,567.9");
    EXPECT_EQ(FloatToStrF(-0.5, ffNumber, 15, 0), "-1");
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");
    FormatSettings().NegCurrFormat = 8;
    FormatSettings().CurrencyFormat = 3;
    FormatSettings().CurrencyString = "kr";
    FormatSettings().ThousandSeparator = ' ';
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1 234,50 kr");
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 0), "1 235 kr");
    EXPECT_EQ(FloatToStrF(std::nan(""), ffFixed, 15, 2), "NAN");
}

// The plain texts keep "." and no grouping under a comma-decimal setting, for Val to read back.
TEST_F(NumbersTest, PlainTextsIgnoreTheRegionalSeparators) {
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ThousandSeparator = '.';
    EXPECT_EQ(FloatToStrF(1234.5, ffFixed, 18, 2), "1234,50");
    EXPECT_EQ(PlainFloatToStrF(1234.5, ffFixed, 18, 2), "1234.50");
    EXPECT_EQ(PlainFloatToStrF(1234567.891, ffNumber, 15, 1), "1234567.9");
    EXPECT_EQ(PlainFloatToStrF(-1234.5, ffCurrency, 15, 2), "-1234.50");
    EXPECT_EQ(PlainFloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
    EXPECT_EQ(PlainFloatToStr(1.7e38), "1.7E38");
    EXPECT_EQ(PlainFloatToStr(-0.125), "-0.125");
    EXPECT_EQ(FloatToStr(-0.125), "-0,125");
}

TEST_F(NumbersTest, FormatFloatPlaceholdersAndSections) {
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.125), "1,234,567.13");
    EXPECT_EQ(FormatFloat("#,##0.00;(#,##0.00)", -1234.5), "(1,234.50)");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1,234.50");
    EXPECT_EQ(FormatFloat("0.00;-0.00;\"nil\"", 0.001), "nil");
    EXPECT_EQ(FormatFloat("0.00;;Zero", 0), "Zero");
    EXPECT_EQ(FormatFloat("0.00;;", -2), "-2.00");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
    EXPECT_EQ(FormatFloat("0.##", 1), "1");
    EXPECT_EQ(FormatFloat("0.0#", 1.25), "1.25");
    EXPECT_EQ(FormatFloat("000", 7), "007");
    EXPECT_EQ(FormatFloat("0", -0.4), "0");
    EXPECT_EQ(FormatFloat("000-00-0000", 123456789), "123-45-6789");
    EXPECT_EQ(FormatFloat("00", 12345), "12345");
    EXPECT_EQ(FormatFloat(".00", 12.5), "12.50");
    EXPECT_EQ(FormatFloat("", 2.5), "2.5");
    EXPECT_EQ(FormatFloat("#,##0", 123456789012345678.0), "123,456,789,012,346,000");
    EXPECT_EQ(FormatFloat("#,##0;(#)", -1e19), "-1E19");
}

TEST_F(NumbersTest, FormatFloatLiteralsPercentAndExponent) {
    EXPECT_EQ(FormatFloat("0.0%", 12.34), "12.3%");
    EXPECT_EQ(FormatFloat("'Total: '#,##0\" units\"", 1500), "Total: 1,500 units");
    EXPECT_EQ(FormatFloat("'a;b' 0", 3), "a;b 3");
    EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
    EXPECT_EQ(FormatFloat("0.00e-00", 0.00012345), "1.23e-04");
    EXPECT_EQ(FormatFloat("0.0E-0", 12345), "1.2E4");
    EXPECT_EQ(FormatFloat("00.0E+0", 1234), "12.3E+2");
    EXPECT_EQ(FormatFloat("0.00E+0", 9.996), "1.00E+1");
    EXPECT_EQ(FormatFloat("0.0E+0", 0), "0.0E+0");
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ThousandSeparator = '.';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
}

// Val of text into a T must give the code and value (0 after a failure).
template <typename T>
void ExpectVal(const char* text, int code, T value) {
    T v{99};
    int c = -1;
    Val(text, v, c);
    EXPECT_EQ(c, code) << text;
    EXPECT_EQ(v, value) << text;
}

TEST_F(NumbersTest, ValReportsTheFirstBadPosition) {
    ExpectVal<Int64>("  -123", 0, -123);
    ExpectVal<Int64>("$FF", 0, 255);
    ExpectVal<Int64>("0x1a", 0, 26);
    ExpectVal<Int64>("-9223372036854775808", 0, std::numeric_limits<Int64>::min());
    ExpectVal<Int64>("12a4", 3, 0);
    ExpectVal<Int64>("", 1, 0);
    ExpectVal<Int64>("-", 2, 0);
    ExpectVal<Int64>("12 ", 3, 0);
    ExpectVal<Int64>("9223372036854775808", 19, 0);
    ExpectVal<int>("2147483648", 10, 0);
    ExpectVal<int>("-2147483648", 0, std::numeric_limits<int>::min());
    ExpectVal<int>("$FFFFFFFF", 0, -1);
    ExpectVal<double>(" 1.5e3", 0, 1500.0);
    ExpectVal<double>("1.5e", 5, 0);
    ExpectVal<double>("1,5", 2, 0);
    ExpectVal<double>("1e999", 6, 0);
    ExpectVal<double>("1e-999", 0, 0);
}

TEST_F(NumbersTest, StringToNumberFailures) {
    EXPECT_EQ(StrToInt(" +42"), 42);
    EXPECT_EQ(StrToInt64("-9000000000"), -9000000000LL);
    EXPECT_EQ(StrToIntDef("4x", 7), 7);
    try {
        StrToInt("12.5");
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12.5' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt("3000000000"), EConvertError);
    EXPECT_EQ(StrToFloat(" -1.25E2 "), -125.0);
    EXPECT_EQ(StrToFloat(".5"), 0.5);
    EXPECT_EQ(StrToFloatDef("1e400", -1), -1);
    try {
        StrToFloat("1,5");
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
    }
    FormatSettings().DecimalSeparator = ',';
    double d = 0;
    EXPECT_TRUE(TextToFloat("1,5", d));
    EXPECT_EQ(d, 1.5);
    EXPECT_FALSE(TextToFloat("1.5", d));
    EXPECT_FALSE(TextToFloat("", d));
}

TEST_F(NumbersTest, IntegerRoundingAndMulDiv) {
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(2.6), 3);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_THROW(Round(1e19), EInvalidOp);
    EXPECT_THROW(Trunc(std::nan("")), EInvalidOp);
    EXPECT_EQ(Int(-2.75), -2.0);
    EXPECT_EQ(Frac(-2.75), -0.75);
    EXPECT_EQ(MulDiv(10, 3, 4), 8); // 7.5 away from zero
    EXPECT_EQ(MulDiv(-10, 3, 4), -8);
    EXPECT_EQ(MulDiv(10, 3, -4), -8);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(1 << 30, 8, 16), 1 << 29); // 64-bit intermediate
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(1 << 30, 8, 1), -1);
}

} // namespace
