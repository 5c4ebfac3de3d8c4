#include "finance/AcceleratedPayment.h"

#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"

const char* const MsgAccelMethod = "Acceleration savings can't be calculated\r\rwhen Rule of 78s "
                                   "or Fixed Principal selected.\r\rPlease Try Again\r";
const char* const MsgAccelInterestOnlyAdvance =
    "Acceleration savings can't be calculated\r\rfor interest only payments in "
    "advance.\r\rPlease Try Again\r";

namespace {

const char* const MsgPeriods =
    "Total Periods must be greater\r\rthan Increase After Period #.\r\rPlease Try Again";
const char* const MsgExtra =
    "Amount of Loan must be\r\rgreater than the Extra Payment.\r\rPlease Try Again";
const char* const MsgZero = "No zero values allowed.\r\r\rPlease Try Again";

double Cents(double value) {
    return AsReal48(RoundToCents(value));
}

// The regular payment and the regular schedule's total interest.
void Regular(const TAccelValues& v, double i, double& payment, double& total) {
    const bool arrears = v.Timing == ptArrears;
    if (v.Method == amInterestOnly) {
        payment = Cents(v.PV * i);
        total = AsReal48(payment * v.NumPmts);
        return;
    }
    const double rate = AsTyped(v.Rate);
    payment = AsReal48(
        arrears
            ? LoanPayment(v.NumPmts, v.PaymentsPerYear, v.CompoundingsPerYear, v.PV, rate)
            : LoanPaymentAdvance(v.NumPmts, v.PaymentsPerYear, v.CompoundingsPerYear, v.PV, rate));
    total = AsReal48(v.NumPmts * payment - v.PV);
}

} // namespace

std::string SolveAccelerated(TAccelValues& v) {
    if (v.Method == amRuleOf78 || v.Method == amFixedPrincipal) {
        v.IntSaved = 0.0;
        v.PerOff = 0;
        return MsgAccelMethod;
    }
    if (v.Method == amInterestOnly && v.Timing == ptAdvance) return MsgAccelInterestOnlyAdvance;
    const bool valid = v.PV > 0 && v.NumPmts > 0 && v.Rate > 0 && v.IncPer > 0 && v.ExtraPd > 0 &&
                       v.NumPmts > v.IncPer && v.PV > v.ExtraPd;
    if (!valid) {
        if (v.NumPmts <= v.IncPer) return MsgPeriods;
        if (v.PV <= v.ExtraPd) return MsgExtra;
        return MsgZero;
    }
    return GuardedSolve(v, [&]() -> std::string {
        const double i =
            AsReal48(EquivalentRate(v.PaymentsPerYear, v.CompoundingsPerYear, AsTyped(v.Rate)) *
                     0.01 / v.PaymentsPerYear);
        double payment = 0.0;
        double total = 0.0;
        Regular(v, i, payment, total);
        double balance = v.PV;
        double paid = 0.0;
        int k = 0;
        auto extra = [&] { return k > v.IncPer ? v.ExtraPd : 0.0; };
        if (v.Timing == ptArrears) {
            do {
                ++k;
                const double interest = Cents(balance * i);
                paid = AsReal48(paid + interest);
                balance = AsReal48(balance + interest - payment - extra());
            } while (balance > 0.0 && k < v.NumPmts);
        } else {
            double interest = 0.0; // charged in the step after the period it belongs to
            while (balance > 0.0 && k < v.NumPmts) {
                ++k;
                balance = AsReal48(balance + interest - payment - extra());
                if (balance > 0.0) {
                    interest = Cents(balance * i);
                    paid = AsReal48(paid + interest);
                }
            }
        }
        v.PerOff = static_cast<SmallInt>(k);
        v.IntSaved = AsReal48(total - paid);
        return {};
    });
}
