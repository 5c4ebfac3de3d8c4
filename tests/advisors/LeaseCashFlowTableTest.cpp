// The cash-flow table of the lease-versus-buy advisor: built by every successful engine run,
// labels and separators, the final column of whole and partial years, the timing rules, the
// option-price condition and whole currency units.
#include "advisors/LeaseCashFlowTable.h"

#include "AdvisorTestSupport.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Regional.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class LeaseRptTest : public ::testing::Test {
protected:
    void SetUp() override {
        AutoBinPath = ShippedAutoBin();
        FormatSettings() = TFormatSettings();
        LeaseBuyResults = TLeaseBuyResults();
    }
    void TearDown() override { AutoBinPath.clear(); }
    void Run(TLeaseBuyData& d) {
        TMessageRecorder messages;
        ASSERT_TRUE(ValidateAndRunLeaseBuy(d)) << ::testing::PrintToString(messages.Texts());
    }
    static const std::string& Cell(int row, int column) {
        return CashFlowReport[static_cast<std::size_t>(row)]
            .Cells[static_cast<std::size_t>(column)];
    }
    static bool RowEmpty(int row) {
        for (const std::string& cell : CashFlowReport[static_cast<std::size_t>(row)].Cells)
            if (!cell.empty()) return false;
        return true;
    }
};

TEST_F(LeaseRptTest, WholeYearsPutTheSaleInTheLastYearColumn) {
    TLeaseBuyData d = SampleLeaseBuyData();
    Run(d);
    // The shorter term, the lease's 36 months, sets the analysis.
    ASSERT_EQ(LeaseBuyResults.AnalysisYears, 3);
    ASSERT_EQ(LeaseBuyResults.ExtraPeriods, 0);
    EXPECT_EQ(CashFlowReport[0].Label, "Adjusted Basis:");
    EXPECT_EQ(CashFlowReport[60].Label, "() indicates outflow");
    EXPECT_EQ(Cell(0, 0), "$30,000");
    EXPECT_EQ(Cell(12, 0), "($3,000)");
    for (int row : {17, 18, 19, 24, 45, 50, 53, 58}) {
        EXPECT_FALSE(Cell(row, 3).empty()) << row;
        EXPECT_TRUE(Cell(row, 4).empty()) << row;
    }
    EXPECT_EQ(Cell(45, 3), "$500");
    EXPECT_EQ(Cell(50, 3), "($250)");
    // Separators run from the origination to the last year only.
    EXPECT_EQ(Cell(8, 0), "__________________");
    EXPECT_EQ(Cell(54, 3), "__________________");
    EXPECT_TRUE(Cell(54, 4).empty());
    EXPECT_TRUE(RowEmpty(1));
    EXPECT_TRUE(RowEmpty(60));
    EXPECT_EQ(CashFlowHeadings(LeaseBuyResults),
              (std::vector<std::string>{" ", "Origination", "1st Yr.", "2", "3", "4"}));
}

TEST_F(LeaseRptTest, APartialYearMovesTheSaleOneColumnOn) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.LeaseNumPmts = 38;
    Run(d);
    ASSERT_EQ(LeaseBuyResults.AnalysisYears, 3);
    ASSERT_EQ(LeaseBuyResults.ExtraPeriods, 2);
    for (int row : {17, 18, 19, 21, 24, 45, 53, 58})
        EXPECT_FALSE(Cell(row, 4).empty()) << row;
    EXPECT_TRUE(Cell(17, 3).empty());
    // The prorated miscellaneous expense of the partial year (120 x 2 / 12): a deduction, and
    // an outflow.
    EXPECT_EQ(Cell(35, 4), "$20");
    EXPECT_EQ(Cell(49, 4), "($20)");
    EXPECT_EQ(Cell(35, 1), "$120");
    EXPECT_EQ(Cell(49, 1), "($120)");
}

TEST_F(LeaseRptTest, TimingsAndTheOptionPriceDecideWhatShows) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.DeductDepositWhen = dtAmortize;
    d.DeductSalesTaxWhen = dtLast;
    d.LeaseSalesTax = 5;
    d.LeaseEndOptionPrice = 16000; // above the end value: no purchase at the end
    Run(d);
    EXPECT_TRUE(RowEmpty(30));
    EXPECT_EQ(Cell(46, 0), "($700)");
    EXPECT_TRUE(Cell(32, 0).empty());
    EXPECT_TRUE(Cell(47, 0).empty());
    const int e = LeaseBuyResults.FinalColumn();
    if (LeaseBuyResults.LeaseSalesTaxAmount > 0) {
        EXPECT_FALSE(Cell(32, e).empty());
        EXPECT_EQ(Cell(47, e), Format("%.0m", {-LeaseBuyResults.LeaseSalesTaxAmount}));
    }
    EXPECT_TRUE(Cell(51, e).empty());
    EXPECT_TRUE(Cell(52, e).empty());

    d = SampleLeaseBuyData();
    Run(d);
    EXPECT_EQ(Cell(30, 0), "$700");
    EXPECT_EQ(Cell(51, LeaseBuyResults.FinalColumn()), "$15,000");
    EXPECT_EQ(Cell(52, LeaseBuyResults.FinalColumn()), "($14,000)");
}

TEST_F(LeaseRptTest, CellsShowWholeUnitsInTheRegionalMoneyFormat) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.PurchaseDeposit = 1234.56;
    Run(d);
    EXPECT_EQ(Cell(12, 0), "($1,235)");
    FormatSettings().NegCurrFormat = 1; // "-$1"
    FormatSettings().CurrencyString = "EUR";
    Run(d);
    EXPECT_EQ(Cell(12, 0), "-EUR1,235");
}

// Results set by hand, each figure a different amount, over two years and six months: every row
// shows its own figure in its own columns.
TEST_F(LeaseRptTest, EveryRowShowsItsOwnFigure) {
    TLeaseBuyResults& r = LeaseBuyResults;
    r.AnalysisPeriods = 30;
    r.AnalysisYears = 2;
    r.ExtraPeriods = 6;
    r.PurchasePPY = r.LeasePPY = 12;
    const auto row = [](std::vector<double> values) {
        values.resize(LeaseBuyYearColumns, 0.0);
        return values;
    };
    r.BookValue = row({30000, 24000, 14400, 11000});
    r.PurchasePropertyTax = row({0, -240, -144, -55});
    r.Depreciation = row({6000, 9600, 2880});
    r.YearInterest = row({0, 2000, 1500, 400});
    r.SalesTaxUpFront = -1500;
    r.PurchaseDeductions = row({1679, 8240, 11244, 3455});
    r.PurchaseTaxSavings = row({450, 2472, 3373, 1036});
    r.YearPayments = row({0, -6600, -6600, -3300});
    r.LoanBalanceAtEnd = 12000;
    r.TaxOnSale = -300;
    r.PurchaseCashFlow = row({-4050, -4368, -3371, -5000});
    r.PurchaseNPV = -15500;
    r.LeaseInclusion = row({0, 100, 110, 55});
    r.LeaseYearPayments = row({0, -5400, -5400, -2700});
    r.LeaseSalesTaxAmount = 600;
    r.LeasePropertyTax = row({0, -240, -144, -55});
    r.LeaseDeductions = row({1300, 5660, 5574, 3060});
    r.LeaseTaxSavings = row({390, 1698, 1672, 918});
    r.TaxOnOption = -200;
    r.LeaseCashFlow = row({-1810, -4062, -3992, -1787});
    r.LeaseNPV = -11000;
    TLeaseBuyData d = SampleLeaseBuyData(); // acquisition costs deducted first
    d.Section179Amt = 179;
    d.PurchaseEndValue = 9000;
    d.DeductSalesTaxWhen = dtLast;
    BuildCashFlowReport(d);

    const std::string line = "__________________|__________________|__________________||";
    const std::vector<std::string> expected = {
        "$30,000|$24,000|$14,400||", // adjusted basis
        "||||",
        "||||",
        "|$240|$144||",   // property tax deduction
        "|$6,000|$9,600||", // depreciation of tax years 1 and 2
        "|$2,000|$1,500||", // interest
        "$179||||",         // section 179
        "$1,500||||",       // sales tax amount
        line,
        "$1,679|$8,240|$11,244||", // total finance deductions
        "||||",
        "||||",
        "($3,000)||||", // down payment
        "($1,500)||||", // sales tax paid
        "$450|$2,472|$3,373||",
        "|($6,600)|($6,600)||", // loan payments
        "|($240)|($144)||",     // property tax payments
        "|||$9,000|",           // proceeds from the sale
        "|||$12,000|",          // loan payoff
        "|||($300)|",           // tax on the sale
        line,
        "($4,050)|($4,368)|($3,371)|($5,000)|", // total finance cash flow
        "||||",
        "||||",
        "|||($16,789)|", // estimated finance cost
        "($15,500)||||", // present value
        "||||",
        "|$100|$110||", // lease inclusion amount
        "||||",
        "||||",
        "$700||||",         // acquisition costs deducted first
        "|$5,400|$5,400||", // lease payments deducted
        "|||$600|",         // sales tax deducted last
        "|($100)|($110)||", // inclusion income
        "|$240|$144||",     // property tax deducted
        "|$120|$120|$60|",  // yearly expense, half a year's in the final column
        "|||$250|",         // end-of-lease expense
        line,
        "$1,300|$5,660|$5,574||", // total lease deductions
        "||||",
        "||||",
        "||||",
        "||||",
        "$390|$1,698|$1,672||",
        "|($5,400)|($5,400)||", // lease payments
        "($500)|||$500|",       // refundable deposit, paid and returned
        "($700)||||",           // non-refundable deposit
        "|||($600)|",           // sales tax on the lease, paid last
        "|($240)|($144)||",     // property tax
        "|($120)|($120)|($60)|",
        "|||($250)|",
        "|||$15,000|",   // proceeds from the sale at the option
        "|||($14,000)|", // option price
        "|||($200)|",    // tax on the option's gain
        line,
        "($1,810)|($4,062)|($3,992)||", // total lease cash flow
        "||||",
        "||||",
        "|||($11,651)|", // estimated lease cost
        "($11,000)||||", // present value
        "||||"};
    ASSERT_EQ(expected.size(), CashFlowReport.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        std::string cells;
        for (int c = 0; c <= 4; ++c)
            cells += (c > 0 ? "|" : "") + Cell(static_cast<int>(k), c);
        EXPECT_EQ(cells, expected[k]) << "row " << k << " " << CashFlowReport[k].Label;
    }
}

TEST_F(LeaseRptTest, NoPropertyTaxShowsAsZeroNotAsAnOutflow) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.TaxRateProperty = 0;
    Run(d);
    for (int y = 1; y <= 3; ++y)
        for (int row : {3, 16, 34, 48})
            EXPECT_EQ(Cell(row, y), "$0") << row << " " << y;
    EXPECT_FALSE(std::signbit(LeaseBuyResults.TotalPropertyTax));
}

TEST_F(LeaseRptTest, AnAutoForBusinessNamesTheLimitsYear) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.Auto = true;
    d.DepreciationMthd = dmAuto200DB;
    Run(d);
    ASSERT_GT(LeaseBuyResults.AutoTableYear, 0);
    EXPECT_EQ(CashFlowReport[60].Label,
              "() indicates outflow   " + std::to_string(LeaseBuyResults.AutoTableYear));
    d.BusinessUsePercent = 0;
    Run(d);
    EXPECT_EQ(CashFlowReport[60].Label, "() indicates outflow");
}

TEST_F(LeaseRptTest, AFailedRunLeavesTheTableAsItWas) {
    TLeaseBuyData d = SampleLeaseBuyData();
    Run(d);
    const std::string before = Cell(21, 1);
    d.Price = 0;
    d.PurchaseDeposit = 0;
    TMessageRecorder messages;
    d.PurchaseNumPmts = 0;
    d.LeaseNumPmts = 0;
    EXPECT_FALSE(ValidateAndRunLeaseBuy(d));
    EXPECT_EQ(Cell(21, 1), before);
}

} // namespace
