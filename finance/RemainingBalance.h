// The remaining-balance calculator's arithmetic: the periodic payment of a loan and the balance
// left after a given payment, by amortization method and payment timing.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TRemBalValues {
    double PV = 0.0;
    SmallInt NumPmts = 0;
    float Rate = 0.0f;
    SmallInt IncPer = 0; // the payment after which the balance is wanted
    Word PaymentsPerYear = 12;
    Word CompoundingsPerYear = 12;
    Byte Timing = 1;
    Byte Method = 3;
    double RemBal = 0.0;
    double Pmt = 0.0;
};

// Fills RemBal and Pmt; a refusal (the message returned, shown as an error) leaves them as they
// were. Amount, periods, rate and payment number must be above 0, and the payment number below
// the total number of periods.
std::string SolveRemainingBalance(TRemBalValues& v);

extern const char* const MsgBalanceAfterPayment;
extern const char* const MsgNoZeroValues;
