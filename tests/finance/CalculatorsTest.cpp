// The arithmetic of the remaining-balance, accelerated-payment, balloon-payment,
// affordable-house and refinance calculators, against figures worked out independently
// (spreadsheet PMT/FV and period-by-period runs rounded to cents).
#include "finance/AcceleratedPayment.h"
#include "finance/AffordableHouse.h"
#include "finance/BalloonPayment.h"
#include "finance/LoanMath.h"
#include "finance/Refinance.h"
#include "finance/RemainingBalance.h"

#include <gtest/gtest.h>

namespace {

TEST(RemainingBalanceTest, BalanceAfterAPaymentAndItsRefusals) {
    TRemBalValues v{.PV = 100000, .NumPmts = 360, .Rate = 8, .IncPer = 12};
    EXPECT_EQ(SolveRemainingBalance(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 733.76);
    EXPECT_NEAR(v.RemBal, 99164.70, 0.005);

    v.Method = amInterestOnly;
    SolveRemainingBalance(v);
    EXPECT_NEAR(v.RemBal, 100000, 1e-9);

    TRemBalValues bad{.NumPmts = 12, .IncPer = 12};
    EXPECT_EQ(SolveRemainingBalance(bad), MsgBalanceAfterPayment);
    EXPECT_NE(std::string(MsgBalanceAfterPayment).find("less than"), std::string::npos);
    bad.IncPer = 6;
    bad.RemBal = 5;
    EXPECT_EQ(SolveRemainingBalance(bad), MsgNoZeroValues);
    EXPECT_EQ(bad.RemBal, 5.0);
}

TEST(RemainingBalanceTest, AfterTheFirstPaymentAndEachRefusal) {
    // 1,000 over 12 months at 12 %: 1,000 + 10.00 - 88.85 in arrears; in advance the first
    // payment of 87.97 repays principal only.
    TRemBalValues v{.PV = 1000, .NumPmts = 12, .Rate = 12, .IncPer = 1};
    EXPECT_EQ(SolveRemainingBalance(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 88.85);
    EXPECT_NEAR(v.RemBal, 921.15, 1e-9);
    v.Timing = ptAdvance;
    EXPECT_EQ(SolveRemainingBalance(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 87.97);
    EXPECT_NEAR(v.RemBal, 912.03, 1e-9);

    const auto refusal = [](TRemBalValues v) {
        v.RemBal = 5;
        v.Pmt = 6;
        const std::string message = SolveRemainingBalance(v);
        EXPECT_EQ(v.RemBal, 5.0);
        EXPECT_EQ(v.Pmt, 6.0);
        return message;
    };
    for (double pv : {0.0, -1.0}) {
        v.PV = pv;
        EXPECT_EQ(refusal(v), MsgNoZeroValues);
    }
    v.PV = 1000;
    for (float rate : {0.0f, -1.0f}) {
        v.Rate = rate;
        EXPECT_EQ(refusal(v), MsgNoZeroValues);
    }
    v.Rate = 12;
    v.IncPer = 0;
    EXPECT_EQ(refusal(v), MsgNoZeroValues);
    v.IncPer = 12;
    EXPECT_EQ(refusal(v), MsgBalanceAfterPayment);
    // The last balance there is: what the twelfth payment in advance repays (python run).
    v.IncPer = 11;
    EXPECT_EQ(SolveRemainingBalance(v), "");
    EXPECT_NEAR(v.RemBal, 87.09, 1e-9);
}

TAccelValues Accelerated(double pv, int n, float rate, int incPer, double extra) {
    return {.PV = pv,
            .NumPmts = static_cast<SmallInt>(n),
            .Rate = rate,
            .IncPer = static_cast<SmallInt>(incPer),
            .ExtraPd = extra};
}

// Expected figures of the accelerated runs come from a python run period by period, each
// period's interest rounded to cents; in advance a payment falls at the start of its period and
// the period's interest accrues on what is left after it.
TEST(AcceleratedTest, ExtraPaymentsShortenTheLoan) {
    TAccelValues v = Accelerated(100000, 360, 8, 12, 100);
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_EQ(v.PerOff, 249);
    EXPECT_NEAR(v.IntSaved, 57765.45, 0.05);

    v.IncPer = 359; // only the last period carries the extra amount
    SolveAccelerated(v);
    EXPECT_EQ(v.PerOff, 360);

    v.Method = amRuleOf78;
    EXPECT_EQ(SolveAccelerated(v), MsgAccelMethod);
    EXPECT_EQ(v.PerOff, 0);
    EXPECT_EQ(v.IntSaved, 0.0);

    v.Method = amNormal;
    v.ExtraPd = 200000;
    EXPECT_NE(SolveAccelerated(v).find("greater than the Extra Payment"), std::string::npos);
}

TEST(AcceleratedTest, ATinyLoanWithExtraFromTheSecondPayment) {
    // 1.00 over 12 months at 12 %: PMT = 0.09, regular interest 12 x 0.09 - 1 = 0.08. By hand:
    // 1 + 0.01 - 0.09 = 0.92; 0.92 + 0.01 - 0.09 - 0.50 = 0.34; 0.34 + 0.00 - 0.09 - 0.50 < 0,
    // paid off with the third payment after 0.02 of interest.
    TAccelValues v = Accelerated(1, 12, 12, 1, 0.5);
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_EQ(v.PerOff, 3);
    EXPECT_NEAR(v.IntSaved, 0.06, 1e-9);
}

TEST(AcceleratedTest, ARateBelowOnePercent) {
    // 10,000 over 12 months at 0.5 %: PMT = 835.59, regular interest 27.08; 1,000 more from the
    // seventh payment pays it off with the ninth, 3.31 of interest saved (python run).
    TAccelValues v = Accelerated(10000, 12, 0.5f, 6, 1000);
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_EQ(v.PerOff, 9);
    EXPECT_NEAR(v.IntSaved, 3.31, 1e-6);
}

TEST(AcceleratedTest, RefusalsLeaveTheResults) {
    const auto refusal = [](TAccelValues v) {
        v.PerOff = 7;
        v.IntSaved = 8;
        const std::string message = SolveAccelerated(v);
        EXPECT_EQ(v.PerOff, 7);
        EXPECT_EQ(v.IntSaved, 8.0);
        return message;
    };
    const std::string periods = "Total Periods must be greater";
    const std::string extra = "greater than the Extra Payment";
    const std::string zero = "No zero values allowed.";
    EXPECT_EQ(refusal(Accelerated(1000, 12, 12, 12, 10)).find(periods), 0u);
    EXPECT_EQ(refusal(Accelerated(1000, 12, 12, 13, 10)).find(periods), 0u);
    EXPECT_NE(refusal(Accelerated(1000, 12, 12, 6, 1000)).find(extra), std::string::npos);
    EXPECT_EQ(refusal(Accelerated(1000, 12, 0, 6, 10)).find(zero), 0u);
    EXPECT_EQ(refusal(Accelerated(1000, 12, 12, 0, 10)).find(zero), 0u);
    EXPECT_EQ(refusal(Accelerated(1000, 12, 12, 6, 0)).find(zero), 0u);
    EXPECT_EQ(refusal(Accelerated(1000, 12, -1, 6, 10)).find(zero), 0u);
}

TEST(AcceleratedTest, PaymentsInAdvanceAndInterestOnly) {
    TAccelValues v = Accelerated(100000, 360, 8, 12, 100);
    v.Timing = ptAdvance; // regular payment 728.91
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_EQ(v.PerOff, 249);
    EXPECT_NEAR(v.IntSaved, 57613.56, 0.05);
    v.Method = amInterestOnly;
    EXPECT_EQ(SolveAccelerated(v), MsgAccelInterestOnlyAdvance);

    // Interest only in arrears: 100.00 a month on 10,000 at 12 %, 1,200 over the year; from the
    // seventh payment 1,000 more repays principal, so later interest falls.
    v = Accelerated(10000, 12, 12, 6, 1000);
    v.Method = amInterestOnly;
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_EQ(v.PerOff, 12);
    EXPECT_NEAR(v.IntSaved, 152.01, 0.005);
}

TEST(BalloonTest, PaymentWithABalloon) {
    TBalloonValues v{.PV = 100000, .Rate = 8, .PerDue = 60, .BallPmt = 50000};
    EXPECT_EQ(SolveBalloon(v), "");
    EXPECT_NEAR(v.Pmt, 1347.15, 0.005);
    v.Timing = ptAdvance; // PMT type 1 of the amortized part, balloon interest one period earlier
    EXPECT_EQ(SolveBalloon(v), "");
    EXPECT_NEAR(v.Pmt, 1338.24, 0.005);

    v.Timing = ptArrears;
    v.BallPmt = 0;
    SolveBalloon(v);
    EXPECT_DOUBLE_EQ(v.Pmt, LoanPayment(60, 12, 12, 100000, 8));
    v.BallPmt = 100000;
    SolveBalloon(v);
    EXPECT_NEAR(v.Pmt, 100000 * 0.08 / 12, 1e-6);

    v.PerDue = 0;
    v.Pmt = 7;
    EXPECT_EQ(SolveBalloon(v), MsgBalloonZero);
    EXPECT_EQ(v.Pmt, 7.0);
}

TEST(BalloonTest, ABalloonDueWithTheFirstPayment) {
    // 500 of 1,000 amortized in one payment at 1 % a month: 505; with the balloon's interest
    // 0.01 x 500 the payment is 510. In advance the amortized part is paid at once (500) and the
    // balloon's interest is discounted one period: 5 / 1.01.
    TBalloonValues v{.PV = 1000, .Rate = 12, .PerDue = 1, .BallPmt = 500};
    EXPECT_EQ(SolveBalloon(v), "");
    EXPECT_NEAR(v.Pmt, 510, 1e-9);
    v.Timing = ptAdvance;
    EXPECT_EQ(SolveBalloon(v), "");
    EXPECT_NEAR(v.Pmt, 500 + 5 / 1.01, 1e-9);
}

TEST(AffordableHouseTest, TheLoanTheIncomeCarries) {
    TAffHsValues v;
    v.AnnualIncome = 60000;
    v.PercentIncome = 28;
    v.Rate = 8;
    v.NumPmts = 360;
    v.CashAvailable = 50000;
    EXPECT_EQ(SolveAffordableHouse(v), "");
    EXPECT_NEAR(v.AmtFin, 190796.89, 0.005);
    EXPECT_NEAR(v.AffHs, 240796.89, 0.005);
    EXPECT_EQ(v.Result, "Cash Available is  20.76% of House Price.");

    v.CashAvailable = 0;
    v.EstTaxIns = 16800; // the whole share of income: nothing financed, no price
    EXPECT_EQ(SolveAffordableHouse(v), "");
    EXPECT_NEAR(v.AffHs, 0.0, 1e-6);
    EXPECT_NE(v.Result.find("0.00%"), std::string::npos);

    v.PercentIncome = 0;
    EXPECT_EQ(SolveAffordableHouse(v), MsgAffordableZero);
}

TRefinInputs Refinancing() {
    return {.RemBal = 100000,
            .PmtsRem = 300,
            .Rate = 9,
            .NewPV = 100000,
            .NumPmts = 360,
            .Rate2 = 7,
            .Points = 1,
            .Misc = 1500,
            .Penalty = 0,
            .SldAfter = 5,
            .ProTaxBracket = 28,
            .DiscRate = 6};
}

// The narrative's paragraph of that index for an analysis of the two costs.
std::string Paragraph(const TRefinInputs& in, std::size_t index, double curCost, double newCost) {
    TRefinAnalysis a{.CurCost = curCost, .NewCost = newCost};
    return RefinanceNarrative(in, a)[index];
}

TEST(RefinanceTest, Validation) {
    TRefinInputs in = Refinancing();
    EXPECT_EQ(ValidateRefinance(in), "");
    in.PmtsRem = 612;
    EXPECT_EQ(ValidateRefinance(in), "Original mortgage over maximum number of years.");
    in.PmtsRem = 611; // 50 whole years and 11 months
    EXPECT_EQ(ValidateRefinance(in), "");
    in.NumPmts = 612;
    EXPECT_EQ(ValidateRefinance(in), "Possible mortgage over maximum number of years.");
    in.NumPmts = 611;
    EXPECT_EQ(ValidateRefinance(in), "");
    in = Refinancing();
    in.PYR2 = 1;
    EXPECT_EQ(ValidateRefinance(in), "Each loan must be for same periods per year.");
    in = Refinancing();
    in.Rate2 = -1;
    EXPECT_EQ(ValidateRefinance(in), "No zero values allowed.\r");
    in = Refinancing();
    in.SldAfter = 1;
    EXPECT_EQ(ValidateRefinance(in), "");
    in.SldAfter = 0;
    EXPECT_EQ(ValidateRefinance(in), "No zero values allowed.\r");
}

TEST(RefinanceTest, DiscountedInterestRunsThePayments) {
    double balance = 1000;
    // One period at 12 % a year: 10.00 interest, discounted at 12 % for one month.
    const double v = DiscountedInterest(balance, 12, 12, 510, 1, 12);
    EXPECT_NEAR(balance, 500, 1e-9);
    EXPECT_NEAR(v, 9.90, 1e-9);
    balance = 1000;
    DiscountedInterest(balance, 12, 0, 2000, 1, 12);
    EXPECT_EQ(balance, 0.0);
    // The balance is kept in whole cents: 1,000 + 10 - 510.005 = 499.995 becomes 500.00.
    balance = 1000;
    DiscountedInterest(balance, 12, 0, 510.005, 1, 12);
    EXPECT_EQ(balance, 500.0);
}

TEST(RefinanceTest, AnalysisAndNarrative) {
    TRefinInputs in = Refinancing();
    TRefinAnalysis a = AnalyzeRefinance(in);
    EXPECT_NEAR(a.CurPayment, 839.20, 0.005);
    EXPECT_NEAR(a.NewPayment, 665.30, 0.005);
    EXPECT_EQ(a.AnalysisPeriods, 60);
    EXPECT_NEAR(a.LoanSizeEffect, 0.0, 1e-9); // equal amounts
    EXPECT_GT(a.ReinvestGain, 0.0);
    const auto text = RefinanceNarrative(in, a);
    EXPECT_EQ(text[0].rfind("     By the time you sell after 5 years, you'll have paid down $", 0),
              0u);
    EXPECT_NE(text[1].find("SAVE $"), std::string::npos);
    EXPECT_GT(a.LostDeduction, 0.0);
    EXPECT_NE(text[1].find("lost deduction"), std::string::npos);
    EXPECT_NE(text[1].find("reinvest this difference"), std::string::npos);
    EXPECT_NEAR(a.NetSavings,
                a.CurCost - a.NewCost + a.ReinvestGain + a.LoanSizeEffect - a.LostDeduction, 1e-9);

    in.DiscRate = 0; // no reinvestment or loan-size sentences
    in.Deduct = 1;   // no lost deduction
    a = AnalyzeRefinance(in);
    const auto plain = RefinanceNarrative(in, a);
    EXPECT_EQ(plain[1].find("reinvest"), std::string::npos);
    EXPECT_EQ(a.LostDeduction, 0.0);
    EXPECT_EQ(plain[1].substr(plain[1].size() - 1), ".");
}

// Five refinancings against the analysis worked period by period in python from its written
// rules (cents rounding of each period's interest, balance and discounted interest; funds that
// earn the discount rate on the payment difference and on the loan-size difference).
TEST(RefinanceTest, AnalysisOfEqualLongerShorterLargerAndSmallerLoans) {
    struct TCase {
        const char* Name;
        TRefinInputs In;
        double CurPayment, NewPayment, CurBalAtSale, NewBalAtSale, CurCost, NewCost, Reinvest,
            LoanSize;
    };
    TRefinInputs equal = Refinancing();
    // The current loan ends two years in, the new one runs on to the sale.
    TRefinInputs shortCurrent = Refinancing();
    shortCurrent.RemBal = shortCurrent.NewPV = 20000;
    shortCurrent.PmtsRem = 24;
    // The new loan ends three years in, the current one runs on to the sale.
    TRefinInputs shortNew = Refinancing();
    shortNew.NumPmts = 36;
    // A larger new loan, still running at the sale: the penalty is due.
    TRefinInputs larger = Refinancing();
    larger.NewPV = 120000;
    larger.Penalty = 2000;
    // A smaller new loan whose points are amortized.
    TRefinInputs smaller = Refinancing();
    smaller.NewPV = 90000;
    smaller.PntsAre = 1;
    const TCase cases[] = {
        {"equal", equal, 839.20, 665.30, 93272.16, 94131.76, 27124.1424, 23386.4520, 1438.9370,
         0.0},
        {"short current", shortCurrent, 913.69, 133.06, 0.12, 18826.36, 1329.6456, 5877.2904,
         -1414.5238, 0.0},
        {"short new", shortNew, 839.20, 3087.71, 93272.16, 0.0, 27124.1424, 9760.6104,
         -3327.4185, 0.0},
        {"larger", larger, 839.20, 798.36, 93272.16, 112958.10, 27124.1424, 29763.7064, 337.9288,
         675.5496},
        {"smaller", smaller, 839.20, 598.77, 93272.16, 84718.63, 27124.1424, 20657.8104,
         1989.4189, 2985.0503},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(ValidateRefinance(c.In), "");
        const TRefinAnalysis a = AnalyzeRefinance(c.In);
        EXPECT_NEAR(a.CurPayment, c.CurPayment, 1e-9);
        EXPECT_NEAR(a.NewPayment, c.NewPayment, 1e-9);
        EXPECT_NEAR(a.CurBalAtSale, c.CurBalAtSale, 1e-6);
        EXPECT_NEAR(a.NewBalAtSale, c.NewBalAtSale, 1e-6);
        EXPECT_NEAR(a.CurCost, c.CurCost, 1e-4);
        EXPECT_NEAR(a.NewCost, c.NewCost, 1e-4);
        EXPECT_NEAR(a.ReinvestGain, c.Reinvest, 1e-4);
        EXPECT_NEAR(a.LoanSizeEffect, c.LoanSize, 1e-4);
        EXPECT_EQ(a.AnalysisPeriods, 60);
    }
    // Paid down: the amount less the balance at the sale, the whole amount for a loan that ends
    // before it (not less the 0.12 its rounded run leaves).
    TRefinAnalysis a = AnalyzeRefinance(equal);
    EXPECT_NEAR(a.CurPaidDown, 6727.84, 1e-6);
    EXPECT_NEAR(a.NewPaidDown, 5868.24, 1e-6);
    a = AnalyzeRefinance(shortCurrent);
    EXPECT_EQ(a.CurPaidDown, 20000.0);
    EXPECT_NEAR(a.NewPaidDown, 1173.64, 1e-6);
    EXPECT_EQ(AnalyzeRefinance(shortNew).NewPaidDown, 100000.0);
}

TEST(RefinanceTest, TheComparisonParagraphOfEachOutcome) {
    TRefinInputs in = Refinancing();
    in.DiscRate = 0;
    in.Deduct = 1;
    auto comparison = [&](double newPV, double curCost, double newCost) {
        in.NewPV = newPV;
        return Paragraph(in, 1, curCost, newCost);
    };
    const std::string larger =
        "     Looking at just the difference between the two loans, your current financing will "
        "cost you $3,000.00. The possible refinancing will cost you $1,000.00. If you refinance, "
        "then looking first at just the $100,000.00 that your current mortgage covers, you'd be "
        "paying $1,000.00 after allowing for taxes and closing costs. Therefore, you will be ";
    EXPECT_EQ(comparison(120000, 3000, 1000), larger + "saving $2,000.00.");
    const std::string largerLoss =
        "     Looking at just the difference between the two loans, your current financing will "
        "cost you $1,000.00. The possible refinancing will cost you $3,000.00. If you refinance, "
        "then looking first at just the $100,000.00 that your current mortgage covers, you'd be "
        "paying $3,000.00 after allowing for taxes and closing costs. Therefore, you will be "
        "LOSING $2,000.00.";
    EXPECT_EQ(comparison(120000, 1000, 3000), largerLoss);
    EXPECT_EQ(comparison(100000, 1000, 3000),
              "     Your current financing will cost you $1,000.00. The possible refinancing will "
              "cost you $3,000.00. You will LOSE $2,000.00.");
    // Equal costs are no loss, whatever the loan size.
    EXPECT_EQ(comparison(120000, 1000, 1000),
              "     Your current financing will cost you $1,000.00. The possible refinancing will "
              "cost you $1,000.00. So, considering just the differences between the two loans, "
              "after tax considerations and other related closing costs, you will SAVE $0.00.");
}

TEST(RefinanceTest, BottomLineThresholds) {
    TRefinInputs in = Refinancing();
    in.DiscRate = 0;
    in.Deduct = 1;
    EXPECT_NE(Paragraph(in, 2, 1500, 1000).find("Why are you waiting?"), std::string::npos);
    EXPECT_NE(Paragraph(in, 2, 1499.99, 1000).find("hardly seems worth"), std::string::npos);
    EXPECT_NE(Paragraph(in, 2, 1000, 1000).find("Your total LOSS will be"), std::string::npos);
}

TEST(RefinanceTest, ASmallerLoanNamesTheAmountPutUpFront) {
    TRefinInputs in = Refinancing();
    in.NewPV = 90000;
    TRefinAnalysis a = AnalyzeRefinance(in);
    EXPECT_GT(a.LoanSizeEffect, 0.0);
    const auto text = RefinanceNarrative(in, a);
    EXPECT_NE(text[1].find("spending an extra $10,000.00 up front"), std::string::npos);
}

} // namespace
