// Helpers the dataset model's units share: record-buffer bookmark flags, the field behind a
// data event's information, the range of 32-bit integers, and running a final step also when
// the body raises.
#pragma once

#include "db/Fields.h"

#include <cmath>
#include <cstdint>
#include <limits>

// Bookmark flags of a record buffer.
constexpr Byte bfCurrent = 0;
constexpr Byte bfBOF = 1;
constexpr Byte bfEOF = 2;
constexpr Byte bfInserted = 255;

inline bool IsBlobType(int Type) {
    return Type >= ftBlob && Type <= ftTypedBinary;
}

inline std::intptr_t InfoOf(const TField* Field) {
    return reinterpret_cast<std::intptr_t>(Field);
}

inline TField* FieldOf(std::intptr_t Info) {
    return reinterpret_cast<TField*>(Info);
}

// The value rounds to a 32-bit integer.
inline bool FitsInteger(double Value) {
    return std::isfinite(Value) && Value >= std::numeric_limits<LongInt>::min() - 0.5 &&
           Value < std::numeric_limits<LongInt>::max() + 0.5;
}

// Runs Body, then Final, also when Body raises.
template <typename Body, typename Final>
void RunThen(const Body& body, const Final& final) {
    try {
        body();
    } catch (...) {
        final();
        throw;
    }
    final();
}
