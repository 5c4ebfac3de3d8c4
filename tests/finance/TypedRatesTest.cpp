// Rates are computed as the user typed them, not as the single that holds them: the figures below
// were worked out with gnumeric from the typed rates (PMT, RATE and the compound-interest
// formula), where the single's binary value gives another cent or another last decimal.
#include "finance/InterestDue.h"
#include "finance/LoanMath.h"
#include "finance/OrdinaryLoan.h"

#include <gtest/gtest.h>

namespace {

// The payment solved for a loan of pv over n payments at the rate.
double Payment(double pv, int n, float rate) {
    TLoanValues v{.PV = pv, .NumPmts = static_cast<SmallInt>(n), .Rate = rate};
    EXPECT_EQ(SolveLoanPayment(v), "");
    return v.Pmt;
}

// The rate solved for a loan of pv over n payments of pmt.
float Rate(double pv, int n, double pmt, Byte method = TLoanValues{}.Method) {
    TLoanValues v{.PV = pv, .NumPmts = static_cast<SmallInt>(n), .Pmt = pmt, .Method = method};
    EXPECT_EQ(SolveLoanRate(v), "");
    return v.Rate;
}

TEST(TypedRates, ASingleReadsAsTheShortestDecimalItHolds) {
    EXPECT_EQ(AsTyped(6.28f), 6.28);
    EXPECT_EQ(AsTyped(8.25f), 8.25);
    EXPECT_EQ(AsTyped(1.0296f), 1.0296);
    EXPECT_EQ(AsTyped(99.9999f), 99.9999);
    EXPECT_EQ(AsTyped(0.0f), 0.0);
    EXPECT_EQ(AsTyped(-3.5f), -3.5);
    EXPECT_NE(static_cast<double>(6.28f), 6.28); // what the arithmetic used to start from
}

TEST(TypedRates, LoanPaymentsOfTheTypedRate) {
    // =PMT(0.010296/12,240,-9999999.99) = 46121.6049..., =PMT(0.013774/12,360,-9999999.99) =
    // 33926.7948...; the singles give 46121.61 and 33926.80.
    EXPECT_DOUBLE_EQ(Payment(9999999.99, 240, 1.0296f), 46121.60);
    EXPECT_DOUBLE_EQ(Payment(9999999.99, 360, 1.3774f), 33926.79);
}

TEST(TypedRates, InterestDueOfTheTypedRate) {
    // =500000*(1+0.031356/365)^1825 = 584865.1831...; the single gives 584865.1858.
    TIntDueValues v{.PV = 500000, .NumDays = 1825, .Rate = 3.1356f, .Term = 1825};
    EXPECT_EQ(ComputeInterestDue(v), "");
    EXPECT_EQ(RoundToCents(v.FV), 584865.18);
    EXPECT_EQ(RoundToCents(v.IntPaid), 84865.18);
}

TEST(TypedRates, ASolvedRateIsRoundedOnceToTheFieldsFourDecimals) {
    // =RATE(360,-659.52,100000)*1200 = 6.913748...: 6.9137, where rounding to five decimals
    // first (6.91375) made it 6.9138; =RATE(180,-699.40,100000)*1200 = 3.182649...: 3.1826.
    EXPECT_EQ(Rate(100000, 360, 659.52), 6.9137f);
    EXPECT_EQ(Rate(100000, 180, 699.40), 3.1826f);
    // =PMT(0.0628/12,360,-100000) = 617.67: the search finds 6.28 again.
    EXPECT_EQ(Rate(100000, 360, 617.67), 6.28f);
    // One payment in arrears: =RATE(1,-1010,1000)*1200 = 12.
    EXPECT_EQ(Rate(1000, 1, 1010), 12.0f);
}

TEST(TypedRates, AnInterestOnlyRateIsRoundedToFourDecimals) {
    // 12 x 100 x 8333.33 / 100000 = 99.99996, which the field shows as 100.0000.
    EXPECT_EQ(Rate(100000, 360, 8333.33, amInterestOnly), 100.0f);
}

} // namespace
