// The formatting and reading routines on arbitrary text. A selector byte chooses Format (the rest
// is the format text, given arguments of every kind and none), FormatFloat or FormatDateTime (the
// rest is the pattern, applied to ordinary and extreme values), or a text a user types read as a
// number (StrToFloat, Val, StrToInt) or as a date and time (StrToDate, StrToDateTime,
// TryStrToTime). What the routines refuse ends in the program's EConvertError.
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <limits>

namespace {

template <typename F>
void Convert(F&& convert) {
    try {
        convert();
    } catch (const EConvertError&) {
    }
}

void FormatWith(std::string_view text) {
    static const int anchor = 0;
    Convert([&] { Format(text, {}); });
    Convert([&] { Format(text, {"text"}); });
    Convert([&] {
        Format(text, {42, -2.5, "Rate", 'x', 255u, 1e300, &anchor, -7LL, 0.125L,
                      std::numeric_limits<double>::quiet_NaN(), 3});
    });
}

void FormatFloatWith(std::string_view pattern) {
    for (double value :
         {0.0, -0.0, 1.0, -1234567.891, 0.005, 1e-300, 1e300, -9.999999999999999e22,
          std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::denorm_min()})
        FormatFloat(pattern, value);
}

void FormatDateTimeWith(std::string_view pattern) {
    for (TDateTime value : {0.0, 45351.75, -693593.0, 2958465.99999, -1.5})
        FormatDateTime(pattern, value);
}

void ReadNumber(std::string_view text) {
    Convert([&] { StrToFloat(text); });
    StrToFloatDef(text, -1);
    double real = 0;
    int code = 0;
    Val(text, real, code);
    Int64 whole = 0;
    Val(text, whole, code);
    Convert([&] { StrToInt(text); });
    Convert([&] { StrToInt64(text); });
}

void ReadDate(std::string_view text) {
    Convert([&] { StrToDate(text); });
    Convert([&] { StrToDateTime(text); });
    TDateTime value = 0;
    TryStrToTime(text, value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const std::uint8_t routine = input.Byte() % 5;
    const std::string_view text = input.Rest();
    switch (routine) {
    case 0: FormatWith(text); break;
    case 1: FormatFloatWith(text); break;
    case 2: FormatDateTimeWith(text); break;
    case 3: ReadNumber(text); break;
    default: ReadDate(text);
    }
    return 0;
}
