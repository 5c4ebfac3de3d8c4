#include "finance/AffordableHouse.h"

#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"
#include "platform/rtl/Format.h"

#include <cmath>

const char* const MsgAffordableZero =
    "Annual Income, Rate\n\nNumber of Periods and \n\nPercentage of Income for Payments\n\nmust "
    "all be set to other than a '0' value.";

std::string SolveAffordableHouse(TAffHsValues& v) {
    if (v.AnnualIncome == 0.0 || v.Rate == 0.0f || v.NumPmts == 0 || v.PercentIncome == 0.0f)
        return MsgAffordableZero;
    return GuardedSolve(v, [&]() -> std::string {
        const long double month = 1.0L / 12.0L;
        const double available =
            static_cast<double>(0.01 * AsTyped(v.PercentIncome) * v.AnnualIncome * month -
                                (v.EstTaxIns + v.EstMaintenance) * month);
        const double i = 0.01 * AsTyped(v.Rate) / 12.0;
        const double amount = -std::expm1(-v.NumPmts * std::log1p(i)) * available / i;
        if (!std::isfinite(amount)) throw EOverflow("Floating point overflow");
        v.AmtFin = amount;
        v.AffHs = v.AmtFin + v.CashAvailable;
        const double percent = v.AffHs == 0.0 ? 0.0 : v.CashAvailable * 100.0 / v.AffHs;
        v.Result = ("Cash Available is " + Format("%6.2f", {percent}) + "% of House Price.")
                       .substr(0, 255);
        return {};
    });
}
