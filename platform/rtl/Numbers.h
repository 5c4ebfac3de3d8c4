// Numbers to text and back with the program's own rules: floating values are taken to 15
// significant decimal digits and then rounded half away from zero at the place shown, so every
// conversion (Format, FloatToStrF, FormatFloat, money rounding) agrees on the last digit.
#pragma once

#include "platform/rtl/Types.h"

#include <string>
#include <string_view>

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// A finite value as decimal digits: |value| = 0.Digits x 10^Exponent. Digits carries no trailing
// zeros; an empty Digits is zero (then Exponent is 0 and Negative false).
struct TFloatRec {
    std::string Digits;
    int Exponent = 0;
    bool Negative = false;
};

// The value taken to 15 significant digits, then rounded half away from zero to at most
// `precision` significant digits (1..15) and at most `decimals` places after the point
// (negative decimals round to tens, hundreds...). Non-finite values give zero.
TFloatRec FloatToDecimal(double value, int precision, int decimals);

// The value rounded like FloatToDecimal(value, 15, decimals), back as a double:
// RoundHalfAway15(2.675, 2) == 2.68, RoundHalfAway15(-0.125, 2) == -0.13.
// Non-finite values come back unchanged.
double RoundHalfAway15(double value, int decimals);

std::string IntToStr(Int64 value);
// Upper-case hexadecimal with at least `digits` digits; negative values as 32-bit two's
// complement for the int overload and 64-bit for the Int64 one.
std::string IntToHex(int value, int digits);
std::string IntToHex(Int64 value, int digits);

// Text of value in the given format:
// ffGeneral  shortest of fixed and exponent form, `precision` significant digits, trailing zeros
//            removed; exponent form when the exponent is below -4 or at least `precision`, with
//            at least `digits` (0..4) exponent digits: "1.5E-7", FloatToStr(1e20) == "1E20".
// ffExponent "-d.dddE+ddd" with `precision` significant digits and at least `digits` exponent
//            digits.
// ffFixed    "-ddd.dd" with `digits` (0..18) decimals; ffNumber adds thousands separators;
//            ffCurrency follows the currency settings (CurrencyString, CurrencyFormat,
//            NegCurrFormat). Values with more than `precision` integer digits use general form.
// precision is taken in 1..18, significant digits past the 15th are shown as zeros.
// Non-finite values give "INF", "-INF" and "NAN".
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// FloatToStrF(value, ffGeneral, 15, 0).
std::string FloatToStr(double value);
