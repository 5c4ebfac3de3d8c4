// The loan calculator's arithmetic: the time-value equation of an ordinary loan solved for
// whichever of amount, number of periods, annual rate or periodic payment is unknown, with the
// total interest. Plain functions over numbers, so the form only moves values and shows messages.
//
// Each solver works on a TLoanValues and returns the warning the calculator shows (empty when
// there is none). A solver that refuses leaves the value it solves for as it was and sets the
// total interest to 0; payments are rounded to cents, amounts and totals are not. No result is
// ever infinite or not a number: a computation that would give one is refused with a message.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TLoanValues {
    double PV = 0.0;      // loan amount
    SmallInt NumPmts = 0; // number of periods
    float Rate = 0.0f;    // annual rate in percent
    double Pmt = 0.0;     // periodic payment
    double TotInt = 0.0;  // total interest
    Word PaymentsPerYear = 12;
    Word CompoundingsPerYear = 12;
    Byte Timing = 1; // ptAdvance or ptArrears
    Byte Method = 3; // amortization method index
};

// Which value is unknown: the index (0 amount, 1 periods, 2 rate, 3 payment) of the last zero
// among them, -1 when none is zero, -2 when two or more are.
int LoanUnknown(const TLoanValues& v);
// The refusal of terms that have no meaning for a loan, a negative number of periods or a
// negative rate; "" when there is none.
std::string RefuseLoanTerms(const TLoanValues& v);

std::string SolveLoanPayment(TLoanValues& v);
std::string SolveLoanPV(TLoanValues& v);
// Periods holds the unrounded number of periods on success (0 otherwise).
std::string SolveLoanPeriods(TLoanValues& v, double& periods);
std::string SolveLoanRate(TLoanValues& v);

// The messages of the calculator that callers and tests name.
extern const char* const MsgPaymentTooSmall;
extern const char* const MsgPaymentTooLarge;
extern const char* const MsgTooManyPeriods;
extern const char* const MsgNoRate;
