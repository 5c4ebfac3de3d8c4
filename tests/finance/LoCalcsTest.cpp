// The arithmetic of the remaining-balance, accelerated-payment, balloon-payment,
// affordable-house and refinance calculators, against figures worked out independently
// (spreadsheet PMT/FV and period-by-period runs rounded to cents).
#include "finance/LoAccel.h"
#include "finance/LoAffHs.h"
#include "finance/LoBallP.h"
#include "finance/LoMath.h"
#include "finance/LoReFin.h"
#include "finance/LoRemBl.h"

#include <gtest/gtest.h>


namespace {

TEST(RemainingBalanceTest, BalanceAfterAPaymentAndItsRefusals) {
    TRemBalValues v;
    v.PV = 100000;
    v.NumPmts = 360;
    v.Rate = 8;
    v.IncPer = 12;
    EXPECT_EQ(SolveRemainingBalance(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 733.76);
    EXPECT_NEAR(v.RemBal, 99164.70, 0.005);

    v.Method = amInterestOnly;
    SolveRemainingBalance(v);
    EXPECT_NEAR(v.RemBal, 100000, 1e-9);

    TRemBalValues bad;
    bad.NumPmts = 12;
    bad.IncPer = 12;
    EXPECT_EQ(SolveRemainingBalance(bad), MsgBalanceAfterPayment);
    EXPECT_NE(std::string(MsgBalanceAfterPayment).find("less than"), std::string::npos);
    bad.IncPer = 6;
    bad.RemBal = 5;
    EXPECT_EQ(SolveRemainingBalance(bad), MsgNoZeroValues);
    EXPECT_EQ(bad.RemBal, 5.0);
}

TEST(AcceleratedTest, ExtraPaymentsShortenTheLoan) {
    TAccelValues v;
    v.PV = 100000;
    v.NumPmts = 360;
    v.Rate = 8;
    v.IncPer = 12;
    v.ExtraPd = 100;
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
    TAccelValues v;
    v.PV = 1;
    v.NumPmts = 12;
    v.Rate = 12;
    v.IncPer = 1;
    v.ExtraPd = 0.5;
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_EQ(v.PerOff, 3);
    EXPECT_NEAR(v.IntSaved, 0.06, 1e-9);
}

TEST(AcceleratedTest, PaymentsInAdvanceAndInterestOnly) {
    TAccelValues v;
    v.PV = 100000;
    v.NumPmts = 360;
    v.Rate = 8;
    v.IncPer = 12;
    v.ExtraPd = 100;
    v.Timing = ptAdvance;
    EXPECT_EQ(SolveAccelerated(v), "");
    EXPECT_LT(v.PerOff, 360);
    EXPECT_GT(v.IntSaved, 0.0);
    v.Method = amInterestOnly;
    EXPECT_EQ(SolveAccelerated(v), MsgAccelInterestOnlyAdvance);
}

TEST(BalloonTest, PaymentWithABalloon) {
    TBalloonValues v;
    v.PV = 100000;
    v.Rate = 8;
    v.PerDue = 60;
    v.BallPmt = 50000;
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
    TBalloonValues v;
    v.PV = 1000;
    v.Rate = 12;
    v.PerDue = 1;
    v.BallPmt = 500;
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
    TRefinInputs in;
    in.RemBal = 100000;
    in.PmtsRem = 300;
    in.Rate = 9;
    in.NewPV = 100000;
    in.NumPmts = 360;
    in.Rate2 = 7;
    in.Points = 1;
    in.Misc = 1500;
    in.Penalty = 0;
    in.SldAfter = 5;
    in.ProTaxBracket = 28;
    in.DiscRate = 6;
    return in;
}

TEST(RefinanceTest, Validation) {
    TRefinInputs in = Refinancing();
    EXPECT_EQ(ValidateRefinance(in), "");
    in.PmtsRem = 612;
    EXPECT_EQ(ValidateRefinance(in), "Original mortgage over maximum number of years.");
    in = Refinancing();
    in.PYR2 = 1;
    EXPECT_EQ(ValidateRefinance(in), "Each loan must be for same periods per year.");
    in = Refinancing();
    in.Rate2 = -1;
    EXPECT_EQ(ValidateRefinance(in), "No zero values allowed.\r");
    in = Refinancing();
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

TEST(RefinanceTest, BottomLineThresholds) {
    TRefinInputs in = Refinancing();
    in.DiscRate = 0;
    in.Deduct = 1;
    auto bottom = [&](double curCost, double newCost) {
        TRefinAnalysis a;
        a.CurCost = curCost;
        a.NewCost = newCost;
        return RefinanceNarrative(in, a)[2];
    };
    EXPECT_NE(bottom(1500, 1000).find("Why are you waiting?"), std::string::npos);
    EXPECT_NE(bottom(1499.99, 1000).find("hardly seems worth"), std::string::npos);
    EXPECT_NE(bottom(1000, 1000).find("Your total LOSS will be"), std::string::npos);
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
