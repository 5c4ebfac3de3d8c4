#include "advisors/LeaseBuyEngine.h"

#include "AdvisorTestSupport.h"
#include "advisors/LeaseNarrative.h"
#include "finance/LoanMath.h"
#include "platform/rtl/SysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using ::testing::ElementsAre;

namespace {

constexpr LongInt Weekly = 0;
constexpr LongInt Monthly = 2;

double Sum(const std::vector<double>& row) {
    return std::accumulate(row.begin(), row.end(), 0.0);
}

class LeaseBuyTest : public ::testing::Test {
protected:
    void SetUp() override {
        AutoBinPath = ShippedAutoBin();
        LeaseBuyResults = TLeaseBuyResults();
    }
    void TearDown() override { AutoBinPath.clear(); }
    // Runs and expects success.
    const TLeaseBuyResults& Run(TLeaseBuyData& d) {
        EXPECT_TRUE(ValidateAndRunLeaseBuy(d)) << ::testing::PrintToString(recorder.Texts());
        return LeaseBuyResults;
    }
    TMessageRecorder recorder;
};

} // namespace

TEST_F(LeaseBuyTest, EveryFailingCheckGivesItsMessageAndNothingChanges) {
    TLeaseBuyData good = SampleLeaseBuyData();
    const double npv = Run(good).PurchaseNPV;
    recorder.Messages.clear();

    TLeaseBuyData d = SampleLeaseBuyData();
    d.LeasePmtPYR = Weekly;
    d.Price = 0;
    d.PurchaseDeposit = 0;
    d.PurchaseRate = 0;
    d.PurchaseNumPmts = 0;
    d.LeaseNumPmts = 0;
    d.Life = 1;
    const TLeaseBuyData before = d;
    EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
    EXPECT_THAT(recorder.Texts(),
                ElementsAre("Purchase and Lease frequency must be equal.",
                            "Purchase price can't be zero.",
                            "Purchase interest rate can't be zero.",
                            "Number of purchase payment periods can't be zero.",
                            "Number of lease payment periods can't be zero.",
                            "You've indicated that this asset is to be depreciated,\r\ryet you've "
                            "not entered a value for its life.\r\rPlease correct.\r\r"));
    EXPECT_EQ(recorder.Messages[0].Kind, amkInformation);
    EXPECT_EQ(recorder.Messages[1].Kind, amkError);
    EXPECT_EQ(LeaseBuyResults.PurchaseNPV, npv);
    EXPECT_EQ(d.PurchaseEndValue, before.PurchaseEndValue);

    recorder.Messages.clear();
    d = SampleLeaseBuyData();
    d.PurchaseDeposit = 30000;
    EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
    EXPECT_THAT(recorder.Texts(), ElementsAre("Purchase price must be greater than down payment"));

    // As many monthly purchase payments as yearly lease payments: the analysis runs over the
    // lease's 40 years, past the 30 it can take.
    recorder.Messages.clear();
    d = SampleLeaseBuyData();
    d.PurchaseNumPmts = 40;
    d.LeaseNumPmts = 40;
    d.LeasePmtPYR = 6; // "Annually"
    EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
    EXPECT_THAT(recorder.Texts(), ElementsAre("Purchase and Lease frequency must be equal.",
                                              "Error - Too many periods for lease."));
}

TEST_F(LeaseBuyTest, ListIndexesOutsideTheirListsRaise) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.PurchasePmtPYR = 7;
    EXPECT_THROW(ValidateAndRunLeaseBuy(d), ERangeError);
    d = SampleLeaseBuyData();
    d.DepreciationMthd = -1;
    EXPECT_THROW(ValidateAndRunLeaseBuy(d), ERangeError);
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(LeaseBuyTest, EveryNumberIsCheckedBeforeAnythingIsComputed) {
    TLeaseBuyData good = SampleLeaseBuyData();
    const double npv = Run(good).LeaseNPV;
    recorder.Messages.clear();
    const double nan = std::nan("");
    const double inf = HUGE_VAL;

    TLeaseBuyData d = SampleLeaseBuyData();
    d.DiscountRate = static_cast<float>(nan);
    d.BusinessUsePercent = 150;
    d.TaxRate = static_cast<float>(nan);
    d.TaxRateSale = -1;
    d.TaxRateProperty = 100;
    d.Price = inf;
    d.PurchaseSalesTax = static_cast<float>(nan);
    d.PurchaseDeposit = -5;
    d.PurchaseRate = 1e30f;
    d.PurchaseEndValue = nan;
    d.DeductablePercent = static_cast<float>(nan);
    d.LeasePmt = nan;
    d.LeaseSalesTax = static_cast<float>(nan);
    d.LeaseDeposit = -inf;
    d.AcquisitionCosts = nan;
    d.LeaseMiscExpense = nan;
    d.LeaseEndExpense = 1e15;
    d.LeaseEndValue = nan;
    d.LeaseEndOptionPrice = nan;
    d.Life = static_cast<float>(nan);
    d.Section179Amt = nan;
    const TLeaseBuyData before = d;
    EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
    EXPECT_THAT(
        recorder.Texts(),
        ElementsAre("Discount rate or cost of capital must be a number from 0 to 99.9999 (%).",
                    "Percent used for business must be a number from 0 to 100 (%).",
                    "Marginal tax rate on ordinary income must be a number from 0 to 99.9999 (%).",
                    "Marginal tax rate on sale of asset must be a number from 0 to 99.9999 (%).",
                    "Property tax rate must be a number from 0 to 99.9999 (%).",
                    "Price of asset must be a number from 0 to 999,999,999.99.",
                    "Sales tax on purchase must be a number from 0 to 99.9999 (%).",
                    "Purchase down payment must be a number from 0 to 999,999,999.99.",
                    "Annual loan rate must be a number from 0 to 99.9999 (%).",
                    "Estimated resale value at end of financing must be a number from 0 to "
                    "999,999,999.99.",
                    "Percent of interest that is deductible must be a number from 0 to 100 (%).",
                    "Periodic lease payment amount must be a number from 0 to 999,999,999.99.",
                    "Sales tax on lease must be a number from 0 to 99.9999 (%).",
                    "Refundable lease deposit must be a number from 0 to 999,999,999.99.",
                    "Nonrefundable deposit or acquisition costs must be a number from 0 to "
                    "999,999,999.99.",
                    "Miscellaneous annual lease expense must be a number from 0 to "
                    "999,999,999.99.",
                    "Termination fee must be a number from 0 to 999,999,999.99.",
                    "Estimated resale value at end of lease must be a number from 0 to "
                    "999,999,999.99.",
                    "End of lease option price must be a number from 0 to 999,999,999.99.",
                    "Depreciable life in years must be a number from 0 to 3000.",
                    "Section 179 Expense must be a number from 0 to 999,999,999.99."));
    for (const TRecordedMessage& m : recorder.Messages)
        EXPECT_EQ(m.Kind, amkError);
    EXPECT_EQ(LeaseBuyResults.LeaseNPV, npv);
    EXPECT_TRUE(std::isnan(d.Life));
    EXPECT_TRUE(std::isnan(d.PurchaseEndValue));
    EXPECT_EQ(d.Price, before.Price);

    // A discount rate of -100 would divide by zero; a depreciable life past the schedules is
    // refused with a message, as is a negative one.
    for (float life : {-2.0f, 1e15f}) {
        recorder.Messages.clear();
        d = SampleLeaseBuyData();
        d.DiscountRate = -100;
        d.Life = life;
        EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
        EXPECT_THAT(
            recorder.Texts(),
            ElementsAre("Discount rate or cost of capital must be a number from 0 to 99.9999 (%).",
                        "Depreciable life in years must be a number from 0 to 3000."));
    }
    // Every number at the top of its range runs, over the longest weekly analysis, and the
    // narrative writes every amount out.
    d = SampleLeaseBuyData();
    for (float* rate : {&d.DiscountRate, &d.TaxRate, &d.TaxRateSale, &d.TaxRateProperty,
                        &d.PurchaseSalesTax, &d.PurchaseRate, &d.LeaseSalesTax})
        *rate = 99.9999f;
    d.BusinessUsePercent = d.DeductablePercent = 100;
    for (double* money : {&d.Price, &d.PurchaseEndValue, &d.LeasePmt, &d.LeaseDeposit,
                          &d.AcquisitionCosts, &d.LeaseMiscExpense, &d.LeaseEndExpense,
                          &d.LeaseEndValue, &d.LeaseEndOptionPrice, &d.Section179Amt})
        *money = 999999999.99;
    d.PurchaseDeposit = 0;
    d.PurchasePmtPYR = d.LeasePmtPYR = Weekly;
    d.PurchaseNumPmts = d.LeaseNumPmts = 52 * 31 - 1;
    d.Life = MaxDepreciableLife;
    d.TaxFinanced = true;
    recorder.Messages.clear();
    Run(d);
    for (const std::string& p : LeaseBuyNarrative)
        EXPECT_EQ(p.find('*'), std::string::npos) << p;
}

TEST_F(LeaseBuyTest, TooManyYearsAndTheLifeFilledIn) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.PurchaseNumPmts = d.LeaseNumPmts = 372;
    EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
    EXPECT_THAT(recorder.Texts(), ElementsAre("Error - Too many periods for lease."));

    d = SampleLeaseBuyData();
    d.Life = 0;
    d.PurchaseNumPmts = 61;
    d.PurchasePmtPYR = d.LeasePmtPYR = Weekly;
    Run(d);
    EXPECT_EQ(d.Life, 6.0f); // 61 div 12 + 1, whatever the frequency
}

TEST_F(LeaseBuyTest, ShorterTermSetsTheAnalysis) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.PurchaseNumPmts = 360;
    d.LeaseNumPmts = 60;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.AnalysisPeriods, 60);
    EXPECT_EQ(r.AnalysisYears, 5);
    EXPECT_EQ(r.ExtraPeriods, 0);
    EXPECT_EQ(r.FinalColumn(), 5);
    // The loan's balance after 60 of its 360 payments is paid off from the sale in year 5.
    double balance = r.LoanAmount, interest = 0;
    const double payment = -r.LoanPaymentAmount;
    AmortizeRange(balance, interest, 1, amNormal, 360, 60, 0.08 / 12, payment, r.LoanAmount);
    EXPECT_NEAR(r.LoanBalanceAtEnd, balance, 0.05);
    EXPECT_NEAR(r.TotalInterest, interest, 0.05);
    EXPECT_DOUBLE_EQ(r.LoanPaymentAmount, -LoanPayment(360, 12, 12, r.LoanAmount, 8));
    EXPECT_NEAR(r.PurchaseCashFlow[5],
                r.YearPayments[5] + r.PurchaseTaxSavings[5] + r.PurchasePropertyTax[5] -
                    r.LoanBalanceAtEnd + d.PurchaseEndValue + r.TaxOnSale,
                1e-6);
    EXPECT_EQ(r.PurchaseCashFlow[6], 0.0);
}

TEST_F(LeaseBuyTest, PurchaseSideFigures) {
    TLeaseBuyData d = SampleLeaseBuyData();
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.AnalysisYears, 3);
    EXPECT_DOUBLE_EQ(r.SalesTaxUpFront, -1500);
    EXPECT_DOUBLE_EQ(r.LoanAmount, 27000);
    // Book values: 200 % DB over 5 years, half a year first; year 3 is the disposal year and
    // takes half of its depreciation (the life runs on past it).
    EXPECT_THAT(std::vector<double>(r.BookValue.begin(), r.BookValue.begin() + 4),
                ElementsAre(30000, 24000, 14400, 14400 - 0.5 * 5760));
    // Tax schedule: the business share of price plus nothing financed.
    EXPECT_DOUBLE_EQ(r.Depreciation[0], 6000);
    EXPECT_DOUBLE_EQ(r.Depreciation[2], 2880);
    EXPECT_EQ(r.Depreciation[3], 0.0);
    // Not overridden: the resale value is the final book value, no gain, no tax on the sale.
    EXPECT_DOUBLE_EQ(d.PurchaseEndValue, r.BookValue[3]);
    EXPECT_EQ(r.TaxOnSale, 0.0);
    EXPECT_DOUBLE_EQ(r.PurchasePropertyTax[1], -240);
    EXPECT_DOUBLE_EQ(r.PurchaseDeductions[0], 1500);
    EXPECT_DOUBLE_EQ(r.PurchaseDeductions[1], 240 + 6000 + r.YearInterest[1]);
    EXPECT_NEAR(r.PurchaseTaxSavings[1], 0.3 * r.PurchaseDeductions[1], 1e-9);
    EXPECT_NEAR(r.PurchaseCashFlow[0], -3000 - 1500 + 450, 1e-9);
    EXPECT_NEAR(static_cast<double>(r.TotalPayments), 36 * r.LoanPaymentAmount, 1e-6);
    EXPECT_EQ(r.PeriodPayment.size(), 36u);
    EXPECT_NEAR(r.TotalPropertyTax, Sum(r.PurchasePropertyTax), 1e-9);
}

TEST_F(LeaseBuyTest, FinancedSalesTax) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.TaxFinanced = true;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.SalesTaxUpFront, 0.0);
    EXPECT_DOUBLE_EQ(r.LoanAmount, 28500);
    EXPECT_DOUBLE_EQ(r.Depreciation[0], 31500 * 0.4 * 0.5);
    EXPECT_DOUBLE_EQ(r.PurchaseCashFlow[0] - r.PurchaseTaxSavings[0], -3000);
}

TEST_F(LeaseBuyTest, BusinessShareOfDepreciationCountsOnce) {
    auto depreciationSaving = [&](float share) {
        TLeaseBuyData with = SampleLeaseBuyData(), without = SampleLeaseBuyData();
        with.BusinessUsePercent = without.BusinessUsePercent = share;
        without.Depreciate = false;
        const double a = Run(with).PurchaseTaxSavings[1];
        const double b = Run(without).PurchaseTaxSavings[1];
        return a - b;
    };
    const double full = depreciationSaving(100);
    EXPECT_NEAR(full, 6000 * 0.3, 1e-6);
    EXPECT_NEAR(depreciationSaving(50), full / 2, 1e-6);
}

TEST_F(LeaseBuyTest, PartialFinalYearOnBothSides) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.LeaseNumPmts = 30; // 2 years and 6 months
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.AnalysisYears, 2);
    EXPECT_EQ(r.ExtraPeriods, 6);
    ASSERT_EQ(r.FinalColumn(), 3);
    // Buy side: the last six payments, their tax savings and the prorated property tax.
    EXPECT_NEAR(r.YearPayments[3], 6 * r.LoanPaymentAmount, 1e-9);
    EXPECT_DOUBLE_EQ(r.PurchasePropertyTax[3],
                     std::round(-0.5 * r.BookValue[3] * 0.01f * 100) / 100);
    EXPECT_NE(r.PurchaseTaxSavings[3], 0.0);
    EXPECT_NEAR(r.PurchaseCashFlow[3],
                r.YearPayments[3] + r.PurchaseTaxSavings[3] + r.PurchasePropertyTax[3] -
                    r.LoanBalanceAtEnd + d.PurchaseEndValue + r.TaxOnSale,
                1e-6);
    // Lease side: the last six lease payments are deducted, the yearly expense is prorated.
    EXPECT_DOUBLE_EQ(r.LeaseYearPayments[3], -6 * 450.0);
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[3], -r.LeasePropertyTax[3] + 2700 + 60 + 250);
    EXPECT_NEAR(r.LeaseCashFlow[3],
                -250 - 60 - 2700 + r.LeaseTaxSavings[3] + r.LeasePropertyTax[3] + 500 + 1000 +
                    r.TaxOnOption,
                1e-6);
}

TEST_F(LeaseBuyTest, LeaseSideFigures) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.LeaseSalesTax = 2;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_DOUBLE_EQ(r.LeaseSalesTaxAmount, 600);
    EXPECT_DOUBLE_EQ(r.TotalLeasePayments, -36 * 450.0);
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[0], 700 + 600);
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[1], 240 + 5400 + 120);
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[3], -r.LeasePropertyTax[3] + 5400 + 120 + 250);
    EXPECT_DOUBLE_EQ(r.TaxOnOption, -200);
    EXPECT_NEAR(r.LeaseCashFlow[0], -700 - 600 - 500 + 0.3 * 1300, 1e-9);
    EXPECT_NEAR(r.LeaseCashFlow[3],
                -120 - 5400 + r.LeaseTaxSavings[3] + r.LeasePropertyTax[3] - 250 + 1000 - 200 + 500,
                1e-6);
    // The lease side's book schedule is the purchase side's book schedule.
    EXPECT_EQ(r.LeaseBookValue, r.BookValue);
    EXPECT_NEAR(r.TotalLeasePropertyTax, Sum(r.LeasePropertyTax), 1e-9);
    EXPECT_DOUBLE_EQ(r.LeasePropertyTax[2], r.PurchasePropertyTax[2]);
}

TEST_F(LeaseBuyTest, NoOptionGainAndNoPropertyTax) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.LeaseEndOptionPrice = 15000;
    d.PropTaxOnLease = false;
    d.PropTaxOnPurchase = false;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.TaxOnOption, 0.0);
    EXPECT_EQ(r.TotalPropertyTax, 0.0);
    EXPECT_EQ(r.TotalLeasePropertyTax, 0.0);
    EXPECT_EQ(Sum(r.LeasePropertyTax), 0.0);
}

TEST_F(LeaseBuyTest, NoDiscountRateGivesPlainSums) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.DiscountRate = 0;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_NEAR(r.PurchaseNPV, Sum(r.PurchaseCashFlow), 1e-6);
    EXPECT_NEAR(r.LeaseNPV, Sum(r.LeaseCashFlow), 1e-6);
}

TEST_F(LeaseBuyTest, AcquisitionCostsAndSalesTaxTimings) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.LeaseSalesTax = 2;
    d.DeductDepositWhen = dtAmortize;
    d.DeductSalesTaxWhen = dtLast;
    d.LeaseNumPmts = 30;
    const TLeaseBuyResults& r = Run(d);
    // Both are paid at the start; the costs are deducted over the 2.5 years, the tax at the end.
    EXPECT_NEAR(r.LeaseCashFlow[0], -700 - 600 - 500, 1e-9);
    EXPECT_EQ(r.LeaseDeductions[0], 0.0);
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[1], 240 + 5400 + 120 + 280);
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[3], -r.LeasePropertyTax[3] + 2700 + 60 + 250 + 140 + 600);

    // Sales tax spread over the payments: part of every payment, nothing at the start.
    d = SampleLeaseBuyData();
    d.LeaseSalesTax = 2;
    d.DeductSalesTaxWhen = dtAmortize;
    d.DeductDepositWhen = dtLast;
    const TLeaseBuyResults& s = Run(d);
    EXPECT_EQ(s.LeaseSalesTaxAmount, 0.0);
    EXPECT_DOUBLE_EQ(s.LeaseYearPayments[1], -12 * (450 + 16.67));
    EXPECT_NEAR(s.LeaseCashFlow[0], -700 - 500, 1e-9);
    EXPECT_DOUBLE_EQ(s.LeaseDeductions[3], -s.LeasePropertyTax[3] + 12 * 466.67 + 120 + 250 + 700);
}

TEST_F(LeaseBuyTest, LongTermsAreNeitherOverrunNorCutOff) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.PurchasePmtPYR = d.LeasePmtPYR = Weekly;
    d.PurchaseNumPmts = d.LeaseNumPmts = 52 * 30; // 1560 weekly periods
    d.Life = 40;
    d.LeaseEndValue = 1000;
    d.LeaseEndOptionPrice = 1000;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.AnalysisYears, 30);
    ASSERT_EQ(r.PeriodPayment.size(), 1560u);
    // What 1560 payments rounded to cents leave of the loan.
    EXPECT_GT(r.LoanBalanceAtEnd, 0.0);
    EXPECT_LT(r.LoanBalanceAtEnd, 25.0);
    EXPECT_LT(r.PeriodPayment[1559], 0.0);
    EXPECT_GE(r.Depreciation.size(), 41u);
    EXPECT_GT(r.BookValue[30], 0.0);
    EXPECT_NEAR(r.YearPayments[30], 52 * r.LoanPaymentAmount, 1.0);

    d = SampleLeaseBuyData();
    d.PurchasePmtPYR = d.LeasePmtPYR = Weekly;
    d.PurchaseNumPmts = d.LeaseNumPmts = 7 * 52;
    EXPECT_EQ(Run(d).AnalysisYears, 7);
}

TEST_F(LeaseBuyTest, AutomobileInclusionAmounts) {
    TAutoLimits limits;
    ASSERT_TRUE(ReadAutoLimits(ShippedAutoBin(), limits));
    TLeaseBuyData d = SampleLeaseBuyData();
    d.Auto = true;
    d.DepreciationMthd = dmAuto200DB;
    d.BusinessUsePercent = 80;
    const TLeaseBuyResults& r = Run(d);
    EXPECT_EQ(r.AutoTableYear, 1997);
    int row = 0;
    while (limits.Rows[static_cast<std::size_t>(row + 1)].Threshold < 30000)
        ++row;
    const double first = 0.8 * limits.Rows[static_cast<std::size_t>(row)].Inclusion[0];
    EXPECT_DOUBLE_EQ(r.LeaseInclusion[1], first);
    const double others = -r.LeasePropertyTax[1] + 5400 + 120;
    EXPECT_DOUBLE_EQ(r.LeaseDeductions[1], others - first);
    // The inclusion amount is already the business share: it costs the full tax rate once.
    EXPECT_NEAR(r.LeaseTaxSavings[1], others * 0.8 * 0.3 - first * 0.3, 1e-9);
    // The tax depreciation is capped.
    EXPECT_DOUBLE_EQ(r.Depreciation[0], limits.MaxDepreciation[0]);
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(LeaseBuyTest, RunWritesTheNarrative) {
    LeaseBuyNarrative = {"stale", "stale", "stale", "stale", "stale"};
    TLeaseBuyData d = SampleLeaseBuyData();
    Run(d);
    for (int p = 0; p < 4; ++p)
        EXPECT_FALSE(LeaseBuyNarrative[static_cast<std::size_t>(p)].empty());
    EXPECT_TRUE(LeaseBuyNarrative[4].empty());
    EXPECT_NE(LeaseBuyNarrative[0].find("delivery van, "), std::string::npos);
}

// Amounts that do not come out in whole cents: every figure charged or deducted is in cents.
// A price of 23,456.78 for 2.5 years, monthly; 200 % DB over 5 years with half a year first.
TEST_F(LeaseBuyTest, ChargedAndDeductedFiguresAreInCents) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.Price = 23456.78;
    d.PurchaseSalesTax = 6.25f;
    d.TaxRateProperty = 1.5f;
    d.PropTaxOnLease = false;
    d.PurchaseNumPmts = d.LeaseNumPmts = 30;
    d.LeaseSalesTax = 4.5f;
    d.DeductSalesTaxWhen = dtAmortize;
    d.AcquisitionCosts = 700.03;
    d.DeductDepositWhen = dtAmortize;
    d.LeaseMiscExpense = 123.45;
    const TLeaseBuyResults& r = Run(d);
    ASSERT_EQ(r.FinalColumn(), 3);
    // 6.25 % of the price is 1,466.04875.
    EXPECT_DOUBLE_EQ(r.SalesTaxUpFront, -1466.05);
    // Book values: 23,456.78 less 4,691.356 is 18,765.424; less 7,506.1696 is 11,259.2504;
    // the year of the sale takes half of 4,503.70176: 9,007.39912 is left at the sale.
    EXPECT_DOUBLE_EQ(r.BookValue[1], 18765.42);
    EXPECT_DOUBLE_EQ(r.BookValue[2], 11259.25);
    EXPECT_NEAR(r.BookValue[3], 9007.39912, 1e-6);
    // Property tax at 1.5 %: 281.4813, 168.88875, and half a year of 135.1109868.
    EXPECT_DOUBLE_EQ(r.PurchasePropertyTax[1], -281.48);
    EXPECT_DOUBLE_EQ(r.PurchasePropertyTax[2], -168.89);
    EXPECT_DOUBLE_EQ(r.PurchasePropertyTax[3], -67.56);
    // Lease: 4.5 % sales tax is 1,055.56, 35.19 of it with each of the 30 payments of 450; the
    // acquisition costs are deducted at 280.01 a year (700.03 over 2.5 years), 140.01 in the
    // half year; the half year's expense is 61.73 (61.725); 250 at the end.
    EXPECT_DOUBLE_EQ(r.LeaseYearPayments[1], -5822.28);
    EXPECT_DOUBLE_EQ(r.LeaseYearPayments[3], -2911.14);
    EXPECT_NEAR(r.LeaseDeductions[1], 5822.28 + 123.45 + 280.01, 1e-9);
    EXPECT_NEAR(r.LeaseDeductions[3], 2911.14 + 61.73 + 140.01 + 250, 1e-9);

    // The same sales tax deducted at the start is charged whole, in cents.
    d = SampleLeaseBuyData();
    d.Price = 23456.78;
    d.LeaseSalesTax = 4.5f;
    d.DeductSalesTaxWhen = dtFirst;
    EXPECT_DOUBLE_EQ(Run(d).LeaseSalesTaxAmount, 1055.56);
    EXPECT_DOUBLE_EQ(LeaseBuyResults.LeaseYearPayments[1], -12 * 450.0);
}
