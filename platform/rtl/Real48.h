// The floating formats of old binary records, read and written byte by byte (little-endian):
// - the 6-byte real: byte 0 the exponent with bias 129 (0 means zero), bytes 1..5 a 39-bit
//   fraction under an implicit leading 1, the sign in the top bit of byte 5;
// - the 10-byte extended: bytes 0..7 a 64-bit mantissa with its integer bit written out,
//   bytes 8..9 a 15-bit exponent with bias 16383 and the sign in the top bit.
#pragma once

#include "platform/rtl/Types.h"

// Exact: every 6-byte real is a double.
double Real48ToDouble(const Byte bytes[6]);
// Rounds to the nearest 6-byte real (halves to even). Values below its smallest magnitude
// (2^-128) become zero; values beyond its largest (about 1.7E38) and infinities raise EOverflow,
// NaN raises EInvalidOp, and the bytes are then left unchanged.
void DoubleToReal48(double value, Byte bytes[6]);

// Zeros, denormals, infinities and NaNs are carried over. Where long double is the 80-bit format
// both are exact; elsewhere the mantissa is rounded to the long double.
long double ExtendedToLongDouble(const Byte bytes[10]);
void LongDoubleToExtended(long double value, Byte bytes[10]);
// Rounded to the nearest double; values beyond the double range become infinities.
double ExtendedToDouble(const Byte bytes[10]);
// Exact.
void DoubleToExtended(double value, Byte bytes[10]);
