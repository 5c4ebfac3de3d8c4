// The affordable-house calculator's arithmetic: the largest loan that a share of the buyer's
// income (less yearly taxes, insurance and maintenance) carries in monthly payments, the house
// price that loan and the cash at hand buy, and the cash as a percentage of that price.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TAffHsValues {
    double AnnualIncome = 0.0;
    double CashAvailable = 0.0;
    float Rate = 0.0f;
    SmallInt NumPmts = 0;        // months
    double EstTaxIns = 0.0;      // yearly
    double EstMaintenance = 0.0; // yearly
    float PercentIncome = 0.0f;
    double AmtFin = 0.0;
    double AffHs = 0.0;
    std::string Result; // "Cash Available is 28.90% of House Price."
};

// Fills AmtFin, AffHs and Result, or returns the error to show when income, rate, periods or
// the percentage of income is zero (results left as they were). A house price of 0 states the
// cash as 0 % of it.
std::string SolveAffordableHouse(TAffHsValues& v);

extern const char* const MsgAffordableZero;
