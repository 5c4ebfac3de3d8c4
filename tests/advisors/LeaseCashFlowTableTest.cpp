// The cash-flow table of the lease-versus-buy advisor: built by every successful engine run,
// labels and separators, the final column of whole and partial years, the timing rules, the
// option-price condition and whole currency units.
#include "advisors/LeaseCashFlowTable.h"

#include "AdvisorTestSupport.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Regional.h"

#include <gtest/gtest.h>

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
