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
// The fewest significant digits that read back as the value, as 0.Digits x 10^Exponent with
// no trailing zeros in Digits. Zero and non-finite values give no digits.
TFloatRec ShortestDecimal(double value);

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
// FloatToStrF and FloatToStr with "." as the decimal point and no thousands separators, whatever
// the regional settings: the plain numbers the program passes between its parts (the value texts
// of the entry fields, range texts) and reads back with Val. ffNumber and ffCurrency, whose
// texts belong to the regional settings, give the ffFixed text.
std::string PlainFloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string PlainFloatToStr(double value);

// Text of value by a pattern of up to three sections "positive;negative;zero". In a section:
// '0' a digit always shown, '#' a digit shown when significant, '.' the decimal separator,
// ',' thousands separators, "E+0"/"E-0" (or 'e') exponent form with at least as many exponent
// digits as zeros ("E+" always signs the exponent), '...' and "..." literal texts; any other
// character, '%' included, is copied as it is. The negative section shows no minus sign of its
// own; an empty or missing section falls back on the first. An empty pattern gives FloatToStr.
std::string FormatFloat(std::string_view format, double value);

// Pascal's Val: the text as a number (leading blanks, a sign, '$' or "0x" for hexadecimal in the
// integer forms; '.' as the decimal point in the floating form). code is 0 when the whole text
// was a number, else the 1-based position of the first character that spoiled it (one past the
// end when the text ended early or the value is out of range); value is then 0.
void Val(std::string_view text, Int64& value, int& code);
void Val(std::string_view text, int& value, int& code);
void Val(std::string_view text, double& value, int& code);

// Raise EConvertError "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);
Int64 StrToInt64(std::string_view text);
int StrToIntDef(std::string_view text, int defaultValue);

// Reads a floating value written with FormatSettings().DecimalSeparator (blanks around it, a sign
// and an exponent allowed). False when the text is not a number or is out of range.
bool TextToFloat(std::string_view text, double& value);
// Raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);
double StrToFloatDef(std::string_view text, double defaultValue);

// To the nearest integer, halves to the even neighbour: Round(2.5) == 2, Round(3.5) == 4.
// Round and Trunc raise EInvalidOp when the value has no Int64 result.
Int64 Round(double value);
Int64 Trunc(double value);
// The integer part and the fractional part, both with the sign of value.
double Int(double value);
double Frac(double value);
// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0 or the result
// does not fit an int.
int MulDiv(int a, int b, int c);
