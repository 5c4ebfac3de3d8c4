// The refinance advisor's arithmetic: the current loan and a possible new loan compared over the
// years until the property is sold, in money discounted to today (interest after tax, points,
// closing costs and penalty, the reinvested payment difference and the effect of the difference
// in loan size), and the three paragraphs that explain the result.
#pragma once

#include "platform/rtl/Types.h"

#include <array>
#include <string>

struct TRefinInputs {
    double RemBal = 0.0;  // current loan: remaining balance
    SmallInt PmtsRem = 0; // periods remaining
    float Rate = 0.0f;
    Byte PYR = 2;       // payment frequency list index
    double NewPV = 0.0; // possible loan: amount
    SmallInt NumPmts = 0;
    float Rate2 = 0.0f;
    Byte PYR2 = 2;
    float Points = 0.0f;
    double Misc = 0.0;     // closing costs
    double Penalty = 0.0;  // prepayment penalty
    Byte Deduct = 0;       // 0 "Deductible", 1 "Not Deductible"
    Byte PntsAre = 0;      // 0 "Prepaid", 1 "Amortized"
    SmallInt SldAfter = 1; // years until the sale
    float ProTaxBracket = 0.0f;
    float DiscRate = 0.0f;
};

struct TRefinAnalysis {
    double CurPayment = 0.0;
    double NewPayment = 0.0;
    double CurBalAtSale = 0.0;
    double NewBalAtSale = 0.0;
    double CurPaidDown = 0.0;
    double NewPaidDown = 0.0;
    double CurCost = 0.0;
    double NewCost = 0.0;
    double ReinvestGain = 0.0;
    double LoanSizeEffect = 0.0;
    double LostDeduction = 0.0;
    double NetSavings = 0.0;
    SmallInt AnalysisPeriods = 0;
};

// The message that refuses the inputs (terms over 50 years, different payment frequencies,
// counts or rates of zero or below, a sale before one year), or "".
std::string ValidateRefinance(const TRefinInputs& In);
// The comparison of valid inputs; raises EMathError when a figure overflows.
TRefinAnalysis AnalyzeRefinance(const TRefinInputs& In);
// The holding, comparison and bottom-line paragraphs; sets LostDeduction and NetSavings.
std::array<std::string, 3> RefinanceNarrative(const TRefinInputs& In, TRefinAnalysis& A);

// Runs `periods` payments of a loan at an annual rate (percent, divided by the periods a year)
// from balance, which holds the balance after them (0 when paid off); returns the interest paid,
// each period's discounted at the annual discount rate to today.
double DiscountedInterest(double& balance, double rate, double discount, double payment,
                          int periods, int perYear);
