#include "finance/RemainingBalance.h"

#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"

const char* const MsgBalanceAfterPayment =
    "Balance AFTER payment number\r\rmust be less than total periods.\r";
const char* const MsgNoZeroValues = "No zero values allowed.\r";

std::string SolveRemainingBalance(TRemBalValues& v) {
    if (v.NumPmts <= v.IncPer) return MsgBalanceAfterPayment;
    if (v.PV <= 0.0 || v.NumPmts <= 0 || v.Rate <= 0.0f || v.IncPer <= 0) return MsgNoZeroValues;
    return GuardedSolve(v, [&]() -> std::string {
        const double i =
            AsReal48(EquivalentRate(v.PaymentsPerYear, v.CompoundingsPerYear, AsTyped(v.Rate)) *
                     0.01 / v.PaymentsPerYear);
        if (v.Timing == ptArrears) {
            const double pmt = PaymentByMethod(v.Method, i, v.NumPmts, v.PV);
            double balance = v.PV;
            double interest = 0.0;
            v.RemBal =
                AmortizeRange(balance, interest, 1, v.Method, v.NumPmts, v.IncPer, i, pmt, v.PV);
            v.Pmt = pmt;
        } else {
            const double pmt = PaymentByMethodAdvance(v.Method, i, v.NumPmts, v.PV);
            v.RemBal = BalanceAfterPayment(1, v.IncPer, v.NumPmts, v.Method, i, pmt, v.PV, v.PV);
            v.Pmt = pmt;
        }
        return {};
    });
}
