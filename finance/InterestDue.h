// The interest-due calculator's arithmetic: simple or compound interest on an amount over a term
// of days, the future value, the annual percentage yield and the daily periodic rate.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

// Compounding choices (the items of the compounding list) and year bases.
enum : Byte {
    icSimple,
    icContinuous,
    icDaily,
    icWeekly,
    icBiWeekly,
    icMonthly,
    icBiMonthly,
    icQuarterly,
    icSemiAnnually,
    icAnnually
};
enum : Byte { ybBasis360, ybBasis365 };

struct TIntDueValues {
    double PV = 0.0;
    LongInt NumDays = 0; // the days the user sees (0: no term)
    float Rate = 0.0f;   // annual percent
    LongInt Term = 0;    // the days between the two dates, which give the term
    Byte Compounding = icDaily;
    Byte Basis = ybBasis365;
    double IntPaid = 0.0;
    double FV = 0.0;
    float APY = 0.0f;       // percent
    float DailyRate = 0.0f; // a fraction
};

// Fills the four results. A term shorter than one compounding period earns simple interest for
// its fraction of the period; continuous compounding grows the amount over the whole term; an
// amount of 0 has an APY of 0. Returns the message of a computation that overflows (results
// left as they were), else "".
std::string ComputeInterestDue(TIntDueValues& v);
