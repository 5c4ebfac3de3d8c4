// The balloon-payment calculator's arithmetic: the regular payment of a loan of which a stated
// balloon amount falls due with a given payment; the rest is amortized over the payments and
// every payment also carries the interest on the balloon.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TBalloonValues {
    double PV = 0.0;
    float Rate = 0.0f;
    SmallInt PerDue = 0;  // the payment with which the balloon falls due
    double BallPmt = 0.0; // the balloon amount
    Word PaymentsPerYear = 12;
    Word CompoundingsPerYear = 12;
    Byte Timing = 1;
    double Pmt = 0.0;
};

// Fills Pmt, or returns the warning to show (a zero or negative payment number or rate) and
// leaves it as it was. In advance, the amortized part is paid in advance and the balloon's
// interest is discounted one period.
std::string SolveBalloon(TBalloonValues& v);

extern const char* const MsgBalloonZero;
