#include "finance/BalloonPayment.h"

#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"

const char* const MsgBalloonZero = "Balloon After Payment No. and Annual Rate\n\nmust be set to "
                                   "other than a '0' value.";

std::string SolveBalloon(TBalloonValues& v) {
    if (v.PerDue <= 0 || v.Rate <= 0.0f) return MsgBalloonZero;
    return GuardedSolve(v, [&]() -> std::string {
        const Word n = v.PaymentsPerYear;
        const Word c = v.CompoundingsPerYear;
        const double amortized = AsReal48(v.PV - v.BallPmt);
        const double rate = AsTyped(v.Rate);
        const double i = AsReal48(EquivalentRate(n, c, rate) * 0.01 / n);
        if (v.Timing == ptArrears)
            v.Pmt = LoanPayment(v.PerDue, n, c, amortized, rate) + i * v.BallPmt;
        else
            v.Pmt = LoanPaymentAdvance(v.PerDue, n, c, amortized, rate) + i * v.BallPmt / (1.0 + i);
        return {};
    });
}
