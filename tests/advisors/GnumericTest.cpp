// The schedule and the present values checked against the spreadsheet functions of gnumeric,
// run through its command-line converter on a sheet of formulas.
#include "advisors/AmortizationSchedule.h"
#include "advisors/LeaseBuyEngine.h"

#include "AdvisorTestSupport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

bool HaveSsconvert() {
    return std::system("command -v ssconvert > /dev/null 2>&1") == 0;
}

// One formula cell of a comma-separated sheet.
std::string Cell(const std::string& formula) {
    return "\"" + formula + "\"";
}

// The sheet's rows of numbers after gnumeric recalculated it.
std::vector<std::vector<double>> Recalculate(const TTestFolder& folder,
                                             const std::vector<std::string>& rows) {
    {
        std::ofstream in(folder / "in.csv");
        for (const std::string& row : rows)
            in << row << "\n";
    }
    const std::string command =
        "cd '" + folder.Path() +
        "' && LC_ALL=C ssconvert --recalc in.csv out.csv > ssconvert.log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::vector<double>> values;
    std::ifstream out(folder / "out.csv");
    std::string line;
    while (std::getline(out, line)) {
        std::vector<double> row;
        std::stringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ','))
            row.push_back(std::strtod(cell.c_str(), nullptr));
        values.push_back(row);
    }
    return values;
}

// A number as the sheet reads it: a point before the decimals, whatever regional settings an
// earlier test left behind.
std::string Number(double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 10);
    return std::string(text, end.ptr);
}

} // namespace

TEST(Gnumeric, NormalScheduleMatchesIpmtAndPpmtRowByRow) {
    if (!HaveSsconvert()) GTEST_SKIP() << "ssconvert is not installed";
    TAmortSchedule s;
    TAmortLoan loan = StandardLoan();
    ASSERT_TRUE(s.CalcSchedule(loan, TAmortOptions()));
    ASSERT_EQ(s.LastRow, 360);

    // Row 1: the payment rounded to cents and what it leaves unpaid after 360 periods; then one
    // row per payment with its interest and principal at that payment, rounded to cents.
    const std::string rate = "0.08/12";
    std::vector<std::string> rows{Cell("=ROUND(PMT(" + rate + ",360,-100000),2)") + "," +
                                  Cell("=FV(" + rate + ",360,A1,-100000)")};
    for (int k = 1; k <= 360; ++k) {
        const std::string args = rate + "," + std::to_string(k) + ",360,-100000,$B$1";
        rows.push_back(Cell("=ROUND(IPMT(" + args + "),2)") + "," +
                       Cell("=ROUND(PPMT(" + args + "),2)"));
    }
    TTestFolder folder;
    const auto sheet = Recalculate(folder, rows);
    ASSERT_EQ(sheet.size(), 361u);
    EXPECT_DOUBLE_EQ(sheet[0][0], s.AmortRows[1].Payment);
    const double unpaid = sheet[0][1];
    for (int k = 1; k < 360; ++k) {
        const TAmortRow& row = s.AmortRows[static_cast<std::size_t>(k)];
        ASSERT_EQ(sheet[static_cast<std::size_t>(k)].size(), 2u);
        // At most a cent apart: each period's interest is rounded to cents on the way.
        EXPECT_NEAR(row.Interest, sheet[static_cast<std::size_t>(k)][0], 0.0101) << "row " << k;
        EXPECT_NEAR(row.Principal, sheet[static_cast<std::size_t>(k)][1], 0.0101) << "row " << k;
    }
    // The last payment takes what the rounded payment leaves unpaid.
    EXPECT_NEAR(s.AmortRows[360].Payment, sheet[0][0] + unpaid, 0.10);
}

TEST(Gnumeric, PresentValuesMatchNpvOnTheEnginesCashFlows) {
    if (!HaveSsconvert()) GTEST_SKIP() << "ssconvert is not installed";
    AutoBinPath = ShippedAutoBin();
    TLeaseBuyData d;
    d.DiscountRate = 7.5f;
    d.BusinessUsePercent = 60;
    d.TaxRate = 28;
    d.TaxRateSale = 15;
    d.TaxRateProperty = 1.5f;
    d.Price = 42000;
    d.PurchaseSalesTax = 6;
    d.PurchaseDeposit = 5000;
    d.PurchaseRate = 6.5f;
    d.PurchaseNumPmts = 48;
    d.OverrideEndPurchase = false;
    d.LeasePmt = 690;
    d.LeaseNumPmts = 42;
    d.LeaseDeposit = 700;
    d.AcquisitionCosts = 900;
    d.LeaseMiscExpense = 300;
    d.LeaseEndValue = 21000;
    d.LeaseEndOptionPrice = 19000;
    d.OverrideEndLease = true;
    ASSERT_TRUE(ValidateAndRunLeaseBuy(d));
    AutoBinPath.clear();
    const TLeaseBuyResults& r = LeaseBuyResults;
    ASSERT_EQ(r.ExtraPeriods, 6);

    // Column A the purchase flows, B the lease flows, C the rate; flows of year 0 are not
    // discounted, year y by y years.
    const std::size_t n = r.PurchaseCashFlow.size();
    std::vector<std::string> rows;
    for (std::size_t y = 0; y < n; ++y) {
        std::string row = Number(r.PurchaseCashFlow[y]) + "," + Number(r.LeaseCashFlow[y]);
        if (y == 0)
            row += ",0.075," + Cell("=A1+NPV(C1,A2:A" + std::to_string(n) + ")") + "," +
                   Cell("=B1+NPV(C1,B2:B" + std::to_string(n) + ")");
        rows.push_back(row);
    }
    TTestFolder folder;
    const auto sheet = Recalculate(folder, rows);
    ASSERT_FALSE(sheet.empty());
    ASSERT_EQ(sheet[0].size(), 5u);
    EXPECT_NEAR(r.PurchaseNPV, sheet[0][3], 1e-6);
    EXPECT_NEAR(r.LeaseNPV, sheet[0][4], 1e-6);
    EXPECT_LT(r.PurchaseNPV, 0.0);
    EXPECT_LT(r.LeaseNPV, 0.0);
}
