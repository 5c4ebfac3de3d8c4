// The interest-due calculator on every compounding choice and both year bases. Expected figures
// come from the textbook formulas evaluated in python: simple PV r d / year, continuous
// PV e^(r d / year), otherwise PV (1 + r / m)^(d / L) for m periods a year of L days each (a week
// 7 days, a month 30 days or a twelfth of 365), and APY = (FV / PV)^(365 / d) - 1.
#include "finance/InterestDue.h"
#include "finance/SolverLimits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TIntDueValues Deposit(double pv, float rate, LongInt days, Byte compounding, Byte basis) {
    return {.PV = pv,
            .NumDays = days,
            .Rate = rate,
            .Term = days,
            .Compounding = compounding,
            .Basis = basis};
}

TEST(InterestDueTest, SimpleAndCompoundInterest) {
    TIntDueValues v = Deposit(10000, 10, 365, icSimple, ybBasis365);
    EXPECT_EQ(ComputeInterestDue(v), "");
    EXPECT_NEAR(v.IntPaid, 1000.00, 1e-9);
    EXPECT_NEAR(v.FV, 11000.00, 1e-9);
    EXPECT_NEAR(v.APY, 10.0, 1e-4);
    EXPECT_NEAR(v.DailyRate, 0.1 / 365, 1e-9);

    v.Compounding = icMonthly;
    v.Basis = ybBasis360;
    v.NumDays = v.Term = 360;
    EXPECT_EQ(ComputeInterestDue(v), "");
    EXPECT_NEAR(v.FV, 11047.13, 0.005); // FV(10%/12, 12, 0, -10000)
}

TEST(InterestDueTest, ShortTermsZeroTermsAndContinuousGrowth) {
    // Half a quarter: simple interest for the fraction.
    TIntDueValues v = Deposit(10000, 12, 45, icQuarterly, ybBasis360);
    ComputeInterestDue(v);
    EXPECT_NEAR(v.IntPaid, 10000 * 0.03 * 0.5, 1e-9);

    v.Compounding = icContinuous;
    v.NumDays = v.Term = 90; // grows for the term, not for a whole year
    ComputeInterestDue(v);
    EXPECT_NEAR(v.FV, 10000 * std::exp(0.12 * 90 / 360), 1e-6);
    EXPECT_NEAR(v.IntPaid, v.FV - 10000, 1e-9);

    v.NumDays = 0;
    ComputeInterestDue(v);
    EXPECT_EQ(v.IntPaid, 0.0);
    EXPECT_EQ(v.FV, 10000.0);

    v.PV = 0;
    v.NumDays = v.Term = -30; // a start after the end: the absolute count
    v.Compounding = icDaily;
    EXPECT_EQ(ComputeInterestDue(v), "");
    EXPECT_EQ(v.APY, 0.0f);
}

struct TChoice {
    Byte Compounding;
    double Interest360; // interest on 10,000 at 9 % over 730 days, 360-day year
    double Apy360;
    double Interest365; // the same on a 365-day year
    double Apy365;
};

TEST(InterestDueTest, TwoYearsOnEveryCompoundingAndBasis) {
    const TChoice choices[] = {
        {icSimple, 1825.00, 8.7428, 1800.00, 8.6278},
        {icContinuous, 2002.14, 9.5543, 1972.17, 9.4174},
        {icDaily, 2001.87, 9.5530, 1971.91, 9.4162},
        {icWeekly, 2000.23, 9.5455, 1970.32, 9.4089},
        {icBiWeekly, 1998.32, 9.5368, 1968.46, 9.4005},
        {icMonthly, 1993.97, 9.5170, 1964.14, 9.3807},
        {icBiMonthly, 1985.89, 9.4801, 1956.18, 9.3443},
        {icQuarterly, 1977.89, 9.4435, 1948.31, 9.3083},
        {icSemiAnnually, 1954.38, 9.3361, 1925.19, 9.2025},
        {icAnnually, 1909.48, 9.1305, 1881.00, 9.0000},
    };
    for (const TChoice& c : choices) {
        for (Byte basis : {ybBasis360, ybBasis365}) {
            TIntDueValues v = Deposit(10000, 9, 730, c.Compounding, basis);
            const double interest = basis == ybBasis360 ? c.Interest360 : c.Interest365;
            const double apy = basis == ybBasis360 ? c.Apy360 : c.Apy365;
            SCOPED_TRACE(testing::Message() << "compounding " << int(c.Compounding) << ", basis "
                                            << int(basis));
            EXPECT_EQ(ComputeInterestDue(v), "");
            EXPECT_NEAR(v.IntPaid, interest, 0.005);
            EXPECT_NEAR(v.FV, 10000 + interest, 0.005);
            EXPECT_NEAR(v.APY, apy, 5e-5);
            EXPECT_FLOAT_EQ(v.DailyRate, basis == ybBasis360 ? 0.09f / 360 : 0.09f / 365);
        }
    }
}

TEST(InterestDueTest, ATermShorterThanOnePeriodEarnsSimpleInterest) {
    // Days shorter than one period of each choice: the fraction of the period's interest, which
    // is the simple interest 10,000 x 9 % x days / year.
    const std::pair<Byte, LongInt> shortTerms[] = {
        {icWeekly, 5},     {icBiWeekly, 10},      {icMonthly, 20}, {icBiMonthly, 45},
        {icQuarterly, 60}, {icSemiAnnually, 120}, {icAnnually, 200}};
    for (const auto& [compounding, days] : shortTerms) {
        for (Byte basis : {ybBasis360, ybBasis365}) {
            const double year = basis == ybBasis360 ? 360 : 365;
            TIntDueValues v = Deposit(10000, 9, days, compounding, basis);
            EXPECT_EQ(ComputeInterestDue(v), "");
            EXPECT_NEAR(v.IntPaid, 900 * days / year, 5e-6)
                << int(compounding) << " " << days << " " << int(basis);
        }
    }
    // Past one period the interest compounds: 10 days weekly on a 360-day year is
    // 10,000 x ((1 + 0.09 / (360 / 7))^(10 / 7) - 1), more than the simple 25.00.
    TIntDueValues v = Deposit(10000, 9, 10, icWeekly, ybBasis360);
    ComputeInterestDue(v);
    EXPECT_NEAR(v.IntPaid, 25.0094, 5e-5);
    // 400 days annually on a 365-day year: 10,000 x (1.09^(400 / 365) - 1).
    v = Deposit(10000, 9, 400, icAnnually, ybBasis365);
    ComputeInterestDue(v);
    EXPECT_NEAR(v.IntPaid, 990.4466, 5e-5);
    EXPECT_NEAR(v.APY, 9.0, 5e-5);
}

TEST(InterestDueTest, DatesInEitherOrderGiveTheSameInterest) {
    for (Byte compounding : {icSimple, icContinuous, icMonthly, icAnnually}) {
        TIntDueValues forward = Deposit(10000, 9, 730, compounding, ybBasis365);
        TIntDueValues backward = Deposit(10000, 9, -730, compounding, ybBasis365);
        ComputeInterestDue(forward);
        EXPECT_EQ(ComputeInterestDue(backward), "");
        EXPECT_DOUBLE_EQ(backward.IntPaid, forward.IntPaid) << int(compounding);
        EXPECT_DOUBLE_EQ(backward.FV, forward.FV);
        EXPECT_FLOAT_EQ(backward.APY, forward.APY);
    }
}

TEST(InterestDueTest, AnOverflowLeavesTheResults) {
    // 1e300 at 1,000 % compounded daily for ten years: far past the largest double.
    TIntDueValues v = Deposit(1e300, 1000, 3650, icDaily, ybBasis365);
    v.IntPaid = 1;
    v.FV = 2;
    v.APY = 3;
    v.DailyRate = 4;
    EXPECT_EQ(ComputeInterestDue(v), MsgNoSolution);
    EXPECT_EQ(v.IntPaid, 1.0);
    EXPECT_EQ(v.FV, 2.0);
    EXPECT_EQ(v.APY, 3.0f);
    EXPECT_EQ(v.DailyRate, 4.0f);
    // Finite interest whose yield is past a single: 10,000 % simple over one day gives
    // (1 + 100 / 365)^365, about 2.4e38, times 100 percent.
    v = Deposit(1000, 10000, 1, icSimple, ybBasis365);
    EXPECT_EQ(ComputeInterestDue(v), MsgNoSolution);
}

} // namespace
