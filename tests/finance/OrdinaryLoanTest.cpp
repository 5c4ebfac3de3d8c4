// The loan calculator's four solvers over numbers, checked against the loan of the manual
// (100,000 over 360 monthly payments at 8 %) and against payments and terms worked out by hand.
#include "finance/OrdinaryLoan.h"
#include "finance/LoanMath.h"
#include "finance/SolverLimits.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TLoanValues Loan(double pv, int n, float rate, double pmt, Byte method = amNormal) {
    return {
        .PV = pv, .NumPmts = static_cast<SmallInt>(n), .Rate = rate, .Pmt = pmt, .Method = method};
}

TLoanValues InAdvance(TLoanValues v) {
    v.Timing = ptAdvance;
    return v;
}

TEST(LoLoanTest, TheUnknownIsTheOnlyZero) {
    EXPECT_EQ(LoanUnknown(Loan(100000, 360, 8, 0)), 3);
    EXPECT_EQ(LoanUnknown(Loan(0, 360, 8, 700)), 0);
    EXPECT_EQ(LoanUnknown(Loan(1, 360, 8, 700)), -1);
    EXPECT_EQ(LoanUnknown(Loan(0, 0, 8, 700)), -2);
}

TEST(LoLoanTest, EachUnknownOfTheStandardLoan) {
    TLoanValues v = Loan(100000, 360, 8, 0);
    EXPECT_EQ(SolveLoanPayment(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 733.76);
    EXPECT_NEAR(v.TotInt, 164153.60, 1e-6);

    v = Loan(0, 360, 8, 733.76);
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_NEAR(v.PV, 99999.38, 0.01); // PV(8%/12, 360, -733.76)

    v = Loan(100000, 0, 8, 733.76);
    double periods = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 360);
    EXPECT_NEAR(periods, 360.0, 0.01);

    v = Loan(100000, 360, 0, 733.76);
    EXPECT_EQ(SolveLoanRate(v), "");
    EXPECT_NEAR(v.Rate, 8.0, 0.001);
    EXPECT_NEAR(v.TotInt, 360 * 733.76 - 100000, 1e-6);
}

TEST(LoLoanTest, PaymentsInAdvanceAndByMethod) {
    TLoanValues v = InAdvance(Loan(100000, 360, 8, 0));
    EXPECT_EQ(SolveLoanPayment(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 728.91); // PMT(8%/12, 360, -100000, 0, 1)

    v = InAdvance(Loan(0, 360, 8, 728.91));
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_NEAR(v.PV, 100000, 1.0);

    v = InAdvance(Loan(100000, 0, 8, 728.91));
    double periods = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 360);

    v = Loan(120000, 12, 6, 0, amInterestOnly);
    EXPECT_EQ(SolveLoanPayment(v), "");
    EXPECT_DOUBLE_EQ(v.Pmt, 600.0);
    EXPECT_DOUBLE_EQ(v.TotInt, 7200.0);

    v = Loan(0, 12, 6, 600, amInterestOnly);
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_NEAR(v.PV, 120000, 1e-6);
    EXPECT_DOUBLE_EQ(v.TotInt, 7200.0); // n x payment, not n x payment - amount

    v = Loan(120000, 12, 0, 600, amInterestOnly);
    EXPECT_EQ(SolveLoanRate(v), "");
    EXPECT_NEAR(v.Rate, 6.0, 1e-5);

    v = Loan(12000, 12, 12, 0, amFixedPrincipal);
    EXPECT_NE(SolveLoanPayment(v).find("maximum payment"), std::string::npos);
    EXPECT_DOUBLE_EQ(v.Pmt, 1120.0);
    EXPECT_EQ(v.TotInt, 0.0);
}

TEST(LoLoanTest, RatesOfPaymentsInAdvance) {
    // Annual rates at which the first payment repays principal at once and the others are an
    // annuity in arrears over the rest, found by bisection in python and rounded to four
    // decimals: sum of pmt (1 + r / 1200)^-k for k = 0..n-1 equals the amount.
    struct TCase {
        double PV;
        int N;
        double Pmt;
        Word PerYear;
        float Rate;
    };
    for (const TCase& c : {TCase{100000, 360, 728.91, 12, 8.0001f},
                           TCase{11500, 12, 1000, 12, 9.4015f}, TCase{10000, 8, 1400, 4, 13.5054f},
                           TCase{5000, 52, 100, 52, 8.0593f}}) {
        TLoanValues v = Loan(c.PV, c.N, 0, c.Pmt);
        v.Timing = ptAdvance;
        v.PaymentsPerYear = v.CompoundingsPerYear = c.PerYear;
        EXPECT_EQ(SolveLoanRate(v), "") << c.PV;
        EXPECT_EQ(v.Rate, c.Rate) << c.PV;
        EXPECT_NEAR(v.TotInt, c.N * c.Pmt - c.PV, 1e-6);
    }
    // Two payments in advance: 1,000 less 505 paid at once leaves 495, repaid by 505 a month
    // later: 505 / 495 - 1 = 2.0202 % a month, 24.2424 % a year.
    TLoanValues v = InAdvance(Loan(1000, 2, 0, 505));
    EXPECT_EQ(SolveLoanRate(v), "");
    EXPECT_EQ(v.Rate, 24.2424f);
    // One payment in advance is made on the first day: no interest accrues, the rate is 0.
    v = InAdvance(Loan(1000, 1, 0, 1000));
    EXPECT_EQ(SolveLoanRate(v), "");
    EXPECT_EQ(v.Rate, 0.0f);
    EXPECT_EQ(v.TotInt, 0.0);
    // Payments that just repay the amount cost no interest: the rate is 0, in either timing.
    for (int n : {12, 24, 360}) {
        for (Byte timing : {ptAdvance, ptArrears}) {
            v = Loan(100.0 * n, n, 0, 100);
            v.Timing = timing;
            v.TotInt = 9;
            EXPECT_EQ(SolveLoanRate(v), "") << n << " " << int(timing);
            EXPECT_EQ(v.Rate, 0.0f);
            EXPECT_FALSE(std::signbit(v.Rate));
            EXPECT_EQ(v.TotInt, 0.0);
        }
    }
    // Payments in advance worth less than the amount need a negative rate.
    v = InAdvance(Loan(10000, 12, 0, 800));
    v.TotInt = 9;
    EXPECT_EQ(SolveLoanRate(v), MsgNoRate);
    EXPECT_EQ(v.Rate, 0.0f);
    EXPECT_EQ(v.TotInt, 0.0);
}

TEST(LoLoanTest, PeriodsOfEachTimingAndMethod) {
    // n = -ln(1 - PV i / Pmt) / ln(1 + i) in arrears; in advance the first payment repays
    // principal only: n = -ln(1 - (PV - Pmt) i / Pmt) / ln(1 + i) + 1 (python).
    TLoanValues v = Loan(10000, 0, 12, 1000);
    double periods = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_NEAR(periods, 10.5886445, 1e-6);
    EXPECT_EQ(v.NumPmts, 11);
    EXPECT_NEAR(v.TotInt, 1000 * 10.5886445 - 10000, 1e-3);
    v = InAdvance(Loan(10000, 0, 12, 1000));
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_NEAR(periods, 10.4781451, 1e-6);
    EXPECT_EQ(v.NumPmts, 10);
    v = InAdvance(Loan(100000, 0, 8, 728.91));
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_NEAR(periods, 359.9901653, 1e-6);
    // Without interest the amount divided by the payment.
    v = Loan(1000, 0, 1e-30f, 300);
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_NEAR(periods, 1000.0 / 300, 1e-9);
    EXPECT_EQ(v.NumPmts, 3);

    // Fixed principal in arrears: the payment less the first period's interest is the principal
    // share, 12,000 / (1,100 - 120) = 12.24, taken as a whole 12 periods.
    v = Loan(12000, 0, 12, 1100, amFixedPrincipal);
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(periods, 12.0);
    EXPECT_EQ(v.NumPmts, 12);
    EXPECT_NEAR(v.TotInt, 12 * 1100 - 12000, 1e-9);
    // In advance the payment is the principal share: 12,000 / 1,100 = 10.91, shown as 11.
    v.Timing = ptAdvance;
    v.NumPmts = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_NEAR(periods, 12000.0 / 1100, 1e-12);
    EXPECT_EQ(v.NumPmts, 11);
    // Halves go to the even count: 12.5 to 12, 13.5 to 14.
    v = InAdvance(Loan(12500, 0, 12, 1000, amFixedPrincipal));
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 12);
    v.PV = 13500;
    v.NumPmts = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 14);
}

TEST(LoLoanTest, TheLargestCountOfPeriods) {
    // 32,767.49 periods round to the largest count; 32,767.5 would round past it. (A rate next
    // to nothing, so that a payment of 1 covers the interest.)
    TLoanValues v = InAdvance(Loan(32767.49, 0, 1e-30f, 1, amFixedPrincipal));
    double periods = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 32767);
    v = InAdvance(Loan(32767.5, 0, 1e-30f, 1, amFixedPrincipal));
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgTooManyPeriods);
    EXPECT_EQ(v.NumPmts, 0);
    EXPECT_EQ(periods, 0.0);
}

TEST(LoLoanTest, AmountsOfEachTimingAndMethod) {
    // PV(1 %, 12, -1000) = 11,255.08 in arrears; in advance one payment more at once and one
    // less discounted: 1,000 + PV(1 %, 11, -1000) = 11,367.63.
    TLoanValues v = Loan(0, 12, 12, 1000);
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_NEAR(v.PV, 11255.08, 0.005);
    EXPECT_NEAR(v.TotInt, 12000 - v.PV, 1e-9);
    v = InAdvance(Loan(0, 12, 12, 1000));
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_NEAR(v.PV, 11367.63, 0.005);
    // Fixed principal in advance: the payments are the principal shares.
    v = InAdvance(Loan(0, 12, 12, 1000, amFixedPrincipal));
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_EQ(v.PV, 12000.0);
    EXPECT_EQ(v.TotInt, 0.0);
    // Interest only in advance has no amount; in arrears without a rate neither.
    v = InAdvance(Loan(0, 12, 12, 1000, amInterestOnly));
    v.TotInt = 3;
    EXPECT_NE(SolveLoanPV(v).find("interest only"), std::string::npos);
    EXPECT_EQ(v.PV, 0.0);
    EXPECT_EQ(v.TotInt, 0.0);
    v.Timing = ptArrears;
    v.Rate = 0;
    EXPECT_EQ(SolveLoanPV(v), MsgNoSolution);
    EXPECT_EQ(v.PV, 0.0);
}

TEST(LoLoanTest, RefusalsLeaveTheUnknownAndNoTotal) {
    TLoanValues v = Loan(0, 360, 8, 700, amFixedPrincipal);
    v.TotInt = 55;
    EXPECT_NE(SolveLoanPV(v).find("fixed principal"), std::string::npos);
    EXPECT_EQ(v.PV, 0.0);
    EXPECT_EQ(v.TotInt, 0.0);

    v = Loan(100000, 0, 8, 700, amInterestOnly);
    double periods = 1;
    EXPECT_NE(SolveLoanPeriods(v, periods).find("theoretically infinite"), std::string::npos);
    EXPECT_EQ(v.NumPmts, 0);
    EXPECT_EQ(periods, 0.0);

    v = Loan(100000, 360, 0, 733.76);
    v.CompoundingsPerYear = 2;
    EXPECT_NE(SolveLoanRate(v).find("must be equal"), std::string::npos);
    EXPECT_EQ(v.Rate, 0.0f);
}

TEST(LoLoanTest, APaymentBelowTheInterestHasNoTerm) {
    // 100,000 at 8 % costs 666.67 a month in interest alone.
    TLoanValues v = Loan(100000, 0, 8, 600);
    double periods = 0;
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooSmall);
    EXPECT_EQ(v.NumPmts, 0);
    EXPECT_EQ(v.TotInt, 0.0);

    v = InAdvance(Loan(100000, 0, 8, 666.66));
    EXPECT_EQ(SolveLoanPeriods(v, periods), ""); // in advance the first payment carries no interest
    v = InAdvance(Loan(100000, 0, 8, 600));
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooSmall);
    // In advance 2,061.41 less the first 20.41 leaves 2,041.00, whose interest at 1 % a month
    // is exactly the payment: the loan never ends.
    v = InAdvance(Loan(2061.41, 0, 12, 20.41));
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooSmall);
    EXPECT_EQ(v.NumPmts, 0);

    v = Loan(100000, 0, 0.0001f, 1);
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgTooManyPeriods);
    EXPECT_EQ(v.NumPmts, 0);
}

TEST(LoLoanTest, ARateThatDoesNotExistIsRefused) {
    // Payments that repay less than the amount would need a negative rate.
    TLoanValues v = Loan(100000, 360, 0, 200);
    EXPECT_EQ(SolveLoanRate(v), MsgNoRate);
    EXPECT_EQ(v.Rate, 0.0f);
    EXPECT_EQ(v.TotInt, 0.0);
    // Payments worth more than 100 % a year.
    v = Loan(1000, 12, 0, 1000);
    EXPECT_EQ(SolveLoanRate(v), MsgNoRate);
    // One payment in arrears: 1,010 a month after 1,000 is 12 % a year.
    v = Loan(1000, 1, 0, 1010);
    EXPECT_EQ(SolveLoanRate(v), "");
    EXPECT_NEAR(v.Rate, 12.0, 1e-3);
}

TEST(LoLoanTest, ZeroRatesAndHugeValuesNeverGiveInfinities) {
    // Rate 0 is an unknown too, so give a tiny rate for the amount solve at near-zero interest.
    TLoanValues v = Loan(0, 100, 1e-10f, 50);
    EXPECT_EQ(SolveLoanPV(v), "");
    EXPECT_NEAR(v.PV, 5000, 1e-3);

    v = Loan(1e300, 360, 8, 0);
    const std::string message = SolveLoanPayment(v);
    EXPECT_TRUE(std::isfinite(v.Pmt));
    EXPECT_TRUE(std::isfinite(v.TotInt));
    if (!message.empty()) {
        EXPECT_EQ(v.Pmt, 0.0);
    }
}

TEST(LoLoanTest, TermsWithoutMeaningAreRefused) {
    EXPECT_EQ(RefuseLoanTerms(Loan(100000, 360, 8, 0)), "");
    EXPECT_EQ(RefuseLoanTerms(Loan(100000, -12, 8, 0)),
              "Total Periods can't be negative. Please try again.");
    EXPECT_EQ(RefuseLoanTerms(Loan(100000, 360, -8, 0)),
              "Annual Rate can't be negative. Please try again.");
    // Negative amounts and payments keep their meaning: the same loan seen from the lender.
    EXPECT_EQ(RefuseLoanTerms(Loan(-100000, 360, 8, 0)), "");

    // 2,000 a month repays 1,000 at 8 % in half a period: no whole number of periods.
    TLoanValues v = Loan(1000, 0, 8, 2000);
    v.TotInt = 5;
    double periods = 3;
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooLarge);
    EXPECT_EQ(v.NumPmts, 0);
    EXPECT_EQ(v.TotInt, 0.0);
    EXPECT_EQ(periods, 0.0);
    v.Method = amFixedPrincipal;
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooLarge);
    // Any payment is more than a loan of nothing.
    v = Loan(0, 0, 8, 100);
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooLarge);
    // Exactly the amount and one period's interest is one payment; in advance, the amount.
    v = Loan(1000, 0, 12, 1010);
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 1);
    v = InAdvance(Loan(1000, 0, 12, 1000));
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 1);
    // The one payment of 16,239 at 12.5 % is 16,408.15625, rounded up to 16,408.16: still one
    // payment; a cent more is more than the loan and its interest.
    v = Loan(16239, 0, 12.5f, 16408.16);
    EXPECT_EQ(SolveLoanPeriods(v, periods), "");
    EXPECT_EQ(v.NumPmts, 1);
    EXPECT_NEAR(v.TotInt, 169.16, 1e-9);
    v = Loan(16239, 0, 12.5f, 16408.17);
    EXPECT_EQ(SolveLoanPeriods(v, periods), MsgPaymentTooLarge);
}

} // namespace
