#include "finance/OrdinaryLoan.h"

#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>

const char* const MsgPaymentTooSmall = "Payment does not cover interest. Please increase payment.";
const char* const MsgPaymentTooLarge =
    "Payment is more than the loan and its interest. Please decrease payment.";
const char* const MsgTooManyPeriods =
    "The loan would take more than 32767 periods.\n\nPlease increase payment.";
const char* const MsgNoRate =
    "No annual rate of 100 percent or less\n\ngives these payments.\n\nPlease Try Again";

namespace {

const char* const MsgMaximumPayment =
    "This is the maximum payment amount.\n\nTotal interest can't be calculated.\n\nUse "
    "amortization schedule instead.\n\nSee Help topic 'Fixed Principal'.\n";
const char* const MsgNoFirstInterest = "There is no interest for first payment\n\nwhen payment is "
                                       "made in advance.\n\nUse amortization schedule instead.\n";
const char* const MsgPVFixedPrincipal =
    "Cannot solve for amount of loan \n\nwhen amortizing method is set to fixed principal.";
const char* const MsgPVInterestOnly =
    "Cannot solve for amount of loan \n\nwhen amortizing method is set to interest only.";
const char* const MsgInfiniteTerm =
    "The term is theoretically infinite\n\nfor interest only loans.\n\nPlease Try Again";
const char* const MsgRateFrequencies = "When solving for Annual Rate,\n\npayment period and "
                                       "compounding period must be equal.\n\nPlease Try Again";
const char* const MsgRateFixedPrincipal =
    "Cannot solve for Rate\n\nwhen amortizing method is set to fixed principal.\n\nSee Help "
    "topic 'Fixed Principal'.\n";

constexpr int MaxRateRounds = 500;
// The rate field's decimals, and how close two rounds of the search come when it has found the
// rate: far below the last decimal shown, so the one rounding to it is the only one.
constexpr int RateDecimals = 4;
constexpr double RateTolerance = 1e-10;
// How much a payment may exceed the one that repays the loan in one period and still be that
// payment: the cent that rounding the payment to cents can add.
constexpr double Cent = 0.01;

bool Advance(const TLoanValues& v) {
    return v.Timing == ptAdvance;
}

double PeriodicRate(const TLoanValues& v) {
    return EquivalentRate(v.PaymentsPerYear, v.CompoundingsPerYear, AsTyped(v.Rate)) * 0.01 /
           v.PaymentsPerYear;
}

// The present value of one unit paid at the end of each of n periods: (1 - (1 + i)^-n) / i.
double AnnuityFactor(double i, double n) {
    if (i == 0.0) return n;
    return -std::expm1(-n * std::log1p(i)) / i;
}

void SetTotal(TLoanValues& v) {
    v.TotInt = MulSub(v.NumPmts, v.Pmt, v.PV);
}

// A refusal: the solved value stays, the total is 0.
std::string Refuse(TLoanValues& v, const char* message) {
    v.TotInt = 0.0;
    return message;
}

// Runs a solver; results that are not finite are refused like a computation that overflows.
template <typename Solve>
std::string Guarded(TLoanValues& v, Solve solve) {
    const TLoanValues before = v;
    std::string message = GuardedSolve(v, solve);
    if (message != MsgNoSolution && std::isfinite(v.PV) && std::isfinite(v.Pmt) &&
        std::isfinite(v.TotInt) && std::isfinite(v.Rate))
        return message;
    v = before;
    return Refuse(v, MsgNoSolution);
}

// A solved rate as the rate field shows it: rounded once, to four decimals.
float ShownRate(double rate) {
    return static_cast<float>(RoundHalfAway15(rate, RateDecimals));
}

// The secant search of the annual rate (percent) for two or more payments, or for one payment
// in arrears, in double precision until the rate stops moving.
bool SearchRate(const TLoanValues& v, double& rate) {
    const Word p = v.PaymentsPerYear;
    const Word c = v.CompoundingsPerYear;
    const int m = Advance(v) ? v.NumPmts - 2 : v.NumPmts - 1;
    const double target = Advance(v) ? v.PV - v.Pmt : v.PV;
    auto value = [&](double r) {
        const double u = 1.0 / (1.0 + r / (p * 100.0));
        double sum = 0.0;
        double term = 1.0;
        for (int k = 0; k <= m; ++k, term *= u)
            sum += term;
        return v.Pmt * u * sum;
    };
    double r = 12.5;
    for (int round = 0; round < MaxRateRounds; ++round) {
        const double r0 = r;
        if (r0 > 100.0) return false;
        const double f0 = value(r0);
        const double f1 = value(EquivalentRate(p, c, r0 + 0.1001));
        if (!std::isfinite(f0) || !std::isfinite(f1) || f1 == f0) return false;
        r = EquivalentRate(p, c, r0 + 0.1 * (target - f0) / (f1 - f0));
        if (!std::isfinite(r) || r <= -100.0) return false;
        if (std::fabs(r - r0) <= RateTolerance) {
            // Payments that just repay the amount settle within the tolerance on either side
            // of 0: that rate is 0.
            rate = std::fabs(r) <= RateTolerance ? 0.0 : r;
            return rate >= 0.0 && rate <= 100.0;
        }
    }
    return false;
}

} // namespace

int LoanUnknown(const TLoanValues& v) {
    int unknown = -1;
    int count = 0;
    const bool zero[] = {v.PV == 0.0, v.NumPmts == 0, v.Rate == 0.0f, v.Pmt == 0.0};
    for (int k = 0; k < 4; ++k) {
        if (zero[k]) {
            unknown = k;
            ++count;
        }
    }
    return count > 1 ? -2 : unknown;
}

std::string RefuseLoanTerms(const TLoanValues& v) {
    if (v.NumPmts < 0) return "Total Periods can't be negative. Please try again.";
    if (v.Rate < 0.0f) return "Annual Rate can't be negative. Please try again.";
    return {};
}

std::string SolveLoanPayment(TLoanValues& v) {
    return Guarded(v, [&]() -> std::string {
        const double i = PeriodicRate(v);
        const double n = v.NumPmts;
        if (v.Method == amInterestOnly) {
            if (Advance(v)) {
                v.Pmt = 0.0;
                return Refuse(v, MsgNoFirstInterest);
            }
            v.Pmt = PaymentByMethod(amInterestOnly, i, n, v.PV);
            v.TotInt = n * v.Pmt;
            return {};
        }
        if (v.Method == amFixedPrincipal) {
            v.Pmt = Advance(v) ? PaymentByMethodAdvance(amFixedPrincipal, i, n, v.PV)
                               : PaymentByMethod(amFixedPrincipal, i, n, v.PV);
            return Refuse(v, MsgMaximumPayment);
        }
        v.Pmt = Advance(v) ? PaymentByMethodAdvance(v.Method, i, n, v.PV)
                           : PaymentByMethod(v.Method, i, n, v.PV);
        SetTotal(v);
        return {};
    });
}

std::string SolveLoanPV(TLoanValues& v) {
    return Guarded(v, [&]() -> std::string {
        const double i = PeriodicRate(v);
        const double n = v.NumPmts;
        switch (v.Method) {
        case amInterestOnly:
            if (Advance(v)) return Refuse(v, MsgPVInterestOnly);
            if (i == 0.0) return Refuse(v, MsgNoSolution);
            v.PV = v.Pmt / i;
            v.TotInt = n * v.Pmt;
            return {};
        case amFixedPrincipal:
            if (!Advance(v)) return Refuse(v, MsgPVFixedPrincipal);
            v.PV = n * v.Pmt;
            break;
        default:
            v.PV = Advance(v) ? (1.0 + AnnuityFactor(i, n - 1.0)) * v.Pmt
                              : AnnuityFactor(i, n) * v.Pmt;
            break;
        }
        SetTotal(v);
        return {};
    });
}

std::string SolveLoanPeriods(TLoanValues& v, double& periods) {
    periods = 0.0;
    double n = 0.0;
    std::string message = Guarded(v, [&]() -> std::string {
        const double i = PeriodicRate(v);
        if (v.Method == amInterestOnly) return Refuse(v, MsgInfiniteTerm);
        const bool covers = Advance(v) ? v.Pmt * (1.0 + i) > v.PV * i : v.Pmt > v.PV * i;
        if (!covers) return Refuse(v, MsgPaymentTooSmall);
        if (v.Method == amFixedPrincipal) {
            n = Advance(v) ? v.PV / v.Pmt : v.PV / (v.Pmt - v.PV * i);
        } else if (i == 0.0) {
            n = v.PV / v.Pmt;
        } else if (Advance(v)) {
            n = -std::log1p(-(v.PV - v.Pmt) * i / v.Pmt) / std::log1p(i) + 1.0;
        } else {
            n = -std::log1p(-v.PV * i / v.Pmt) / std::log1p(i);
        }
        if (!std::isfinite(n) || n < 0.0) return Refuse(v, MsgPaymentTooSmall);
        // Less than one period: the first payment repays more than is owed, which is refused
        // unless it is the one-period payment (the amount, with a period's interest in arrears)
        // rounded up to the cent.
        if (n < 1.0) {
            const double onePeriod = Advance(v) ? v.PV : v.PV * (1.0 + i);
            if (v.Pmt - onePeriod > Cent) return Refuse(v, MsgPaymentTooLarge);
            n = 1.0;
        }
        if (v.Method == amFixedPrincipal && !Advance(v)) n = static_cast<double>(Round(n));
        if (n >= 32767.5) return Refuse(v, MsgTooManyPeriods);
        v.TotInt = v.Pmt * n - v.PV;
        v.NumPmts = static_cast<SmallInt>(Round(n));
        return {};
    });
    if (message.empty()) periods = n;
    return message;
}

std::string SolveLoanRate(TLoanValues& v) {
    return Guarded(v, [&]() -> std::string {
        if (v.PaymentsPerYear != v.CompoundingsPerYear) return Refuse(v, MsgRateFrequencies);
        if (v.Method == amInterestOnly) {
            v.Rate = ShownRate(v.PaymentsPerYear * (v.Pmt * 100.0 / v.PV));
            SetTotal(v);
            return {};
        }
        if (v.Method == amFixedPrincipal) return Refuse(v, MsgRateFixedPrincipal);
        double rate = 0.0;
        if ((v.NumPmts >= 2 || !Advance(v)) && !SearchRate(v, rate)) return Refuse(v, MsgNoRate);
        v.Rate = ShownRate(rate);
        SetTotal(v);
        return {};
    });
}
