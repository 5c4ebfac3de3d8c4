// The points advisor's comparison of two loans, against payments and interest worked out month
// by month with cents rounding.
#include "finance/PointsComparison.h"

#include <gtest/gtest.h>

namespace {

TPointsLoan Loan(double pv, int n, float rate, float points, bool amortized = false) {
    TPointsLoan loan;
    loan.PV = pv;
    loan.NumPmts = static_cast<SmallInt>(n);
    loan.Rate = rate;
    loan.Points = points;
    loan.Amortized = amortized;
    return loan;
}

TEST(PointsTest, CostsOverTheYearsHeld) {
    const TPointsResult a = ComparePointsLoan(Loan(100000, 360, 8.5f, 2.5f), 5);
    const TPointsResult b = ComparePointsLoan(Loan(100000, 360, 8.25f, 3), 5);
    EXPECT_DOUBLE_EQ(a.Payment, 768.91);
    EXPECT_DOUBLE_EQ(b.Payment, 751.27);
    EXPECT_NEAR(a.Interest, 41625.13, 0.005);
    EXPECT_NEAR(b.Interest, 40359.94, 0.005);
    EXPECT_NEAR(a.Cost, 44125.13, 0.005);
    EXPECT_NEAR(b.Cost, 43359.94, 0.005);
    const auto text =
        PointsConclusion(Loan(100000, 360, 8.5f, 2.5f), a, Loan(100000, 360, 8.25f, 3), b, 5);
    EXPECT_EQ(text[0],
              "     First, your monthly payment for loan 1 will be $768.91 and the monthly "
              "payment for loan 2 will be $751.27.");
    EXPECT_EQ(text[1], "     After 60 monthly payments or 5 years, you'll have paid $41,625.13 in "
                       "interest alone for loan 1, and another $2,500.00 in points will have been "
                       "paid at the time the loan was taken out. For loan 2 you'll have paid "
                       "$40,359.94 in interest, and another $3,000.00 in points will have been "
                       "paid at the time the loan was taken out.");
    EXPECT_EQ(text[2].rfind("     Since loan 2 will save you $765.19 before tax", 0), 0u);
}

TEST(PointsTest, AmortizedPointsAndLongHoldings) {
    const TPointsResult paid = ComparePointsLoan(Loan(100000, 360, 8, 2), 40);
    const TPointsResult financed = ComparePointsLoan(Loan(100000, 360, 8, 2, true), 40);
    EXPECT_GT(financed.Payment, paid.Payment);
    // Held beyond the term: the whole term's interest, points counted once.
    EXPECT_NEAR(paid.Interest, 360 * paid.Payment - 100000, 1e-6);
    EXPECT_NEAR(paid.Cost, paid.Interest + 2000, 1e-6);
    EXPECT_NEAR(financed.Cost, financed.Interest, 1e-9);
    EXPECT_NE(
        PointsConclusion(Loan(1, 1, 1, 1, true), financed, Loan(1, 1, 1, 1), paid, 40)[1].find(
            "being amortized"),
        std::string::npos);
}

TEST(PointsTest, EqualCostsNameLoanTwo) {
    const TPointsLoan loan = Loan(100000, 360, 8, 1);
    const TPointsResult r = ComparePointsLoan(loan, 5);
    EXPECT_EQ(
        PointsConclusion(loan, r, loan, r, 5)[2].rfind("     Since loan 2 will save you $0.00", 0),
        0u);
}

TEST(PointsTest, EveryRefusalIsReported) {
    const auto messages = ValidatePoints(Loan(0, 0, 0, 0), Loan(1, 1, 1, 0), 0);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], "Amount of loan can't be 0.\r\rPlease correct.\r\r");
    EXPECT_EQ(messages[3], "Property sold after can't be 0.\r\rPlease correct.\r\r");
    EXPECT_TRUE(ValidatePoints(Loan(1, 1, 1, 0), Loan(1, 1, 1, 0), 1).empty());
}

} // namespace
