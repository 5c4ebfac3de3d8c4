#include "finance/InterestDue.h"

#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"

#include <cmath>
#include <cstdlib>

namespace {

// The periods of the term and the periodic rate of a compounding choice.
void Periods(const TIntDueValues& v, double year, double month, double r, double& n, double& i) {
    const double d = std::abs(static_cast<double>(v.Term));
    switch (v.Compounding) {
    case icWeekly:
        n = d / 7;
        i = r / static_cast<float>(year / 7);
        break;
    case icBiWeekly:
        n = d / 14;
        i = r / static_cast<float>(year / 14);
        break;
    case icMonthly:
        n = d / month;
        i = r / 12;
        break;
    case icBiMonthly:
        n = d / (2 * month);
        i = r / 6;
        break;
    case icQuarterly:
        n = d / (3 * month);
        i = r / 4;
        break;
    case icSemiAnnually:
        n = d / (6 * month);
        i = r / 2;
        break;
    case icAnnually:
        n = d / year;
        i = r;
        break;
    default:
        n = d;
        i = r / year;
        break; // simple, continuous, daily
    }
}

void CheckFinite(double value) {
    if (!std::isfinite(value)) throw EOverflow("Floating point overflow");
}

} // namespace

std::string ComputeInterestDue(TIntDueValues& v) {
    return GuardedSolve(v, [&]() -> std::string {
        if (v.NumDays == 0) {
            v.IntPaid = 0.0;
            v.FV = v.PV;
            v.APY = 0.0f;
            v.DailyRate = 0.0f;
            return {};
        }
        const double year = v.Basis == ybBasis360 ? 360.0 : 365.0;
        const double month = v.Basis == ybBasis360 ? 30.0 : 365.0 / 12.0;
        const double r = AsTyped(v.Rate) * 0.01;
        double n = 0.0;
        double i = 0.0;
        Periods(v, year, month, r, n, i);
        double fv = 0.0;
        double interest = 0.0;
        if (v.Compounding == icContinuous) {
            fv = v.PV * std::exp(r * std::abs(static_cast<double>(v.Term)) / year);
            interest = fv - v.PV;
        } else if (v.Compounding != icSimple && n >= 1.0) {
            fv = v.PV * std::exp(n * std::log1p(i));
            interest = fv - v.PV;
        } else {
            interest = v.PV * i * n;
            fv = v.PV + interest;
        }
        const double apy =
            v.PV == 0.0
                ? 0.0
                : std::expm1(std::log1p(interest / v.PV) * 365.0 / std::abs(v.NumDays)) * 100.0;
        for (double value : {fv, interest, apy, static_cast<double>(static_cast<float>(apy))})
            CheckFinite(value);
        v.FV = fv;
        v.IntPaid = interest;
        v.APY = static_cast<float>(apy);
        v.DailyRate = static_cast<float>(r / year);
        return {};
    });
}
