// The accelerated-payment calculator's arithmetic: how many periods a loan takes when a fixed
// extra amount is paid with every payment after a given period, and the interest that saves
// against the regular schedule. Working amounts are kept in 6-byte real precision and each
// period's interest is rounded to cents.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TAccelValues {
    double PV = 0.0;
    SmallInt NumPmts = 0;
    float Rate = 0.0f;
    SmallInt IncPer = 0;  // the extra amount is paid after this period
    double ExtraPd = 0.0; // the extra amount paid each period
    Word PaymentsPerYear = 12;
    Word CompoundingsPerYear = 12;
    Byte Timing = 1;
    Byte Method = 3;
    SmallInt PerOff = 0;   // periods to pay off
    double IntSaved = 0.0; // interest saved
};

// Fills PerOff and IntSaved, or returns the warning to show. "Rule of 78's" and "Fixed
// Principal" are refused with both results set to 0; other refusals leave the results as they
// were.
std::string SolveAccelerated(TAccelValues& v);

extern const char* const MsgAccelMethod;
extern const char* const MsgAccelInterestOnlyAdvance;
