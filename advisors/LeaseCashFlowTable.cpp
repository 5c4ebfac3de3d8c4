#include "advisors/LeaseCashFlowTable.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"

#include <numeric>

std::array<TCashFlowRow, CashFlowRowCount> CashFlowReport;

namespace {

constexpr const char* Separator = "__________________";

// The labels of the 61 rows; the last one may carry the limits table's year.
constexpr std::array<const char*, CashFlowRowCount> Labels = {"Adjusted Basis:",
                                                              "ADJUSTMENTS TO",
                                                              "TAXABLE INCOME",
                                                              "Property Tax Deduction:",
                                                              "Depreciation Deduction:",
                                                              "Interest Deduction:",
                                                              "Section 179 Deduction:",
                                                              "Sales Tax Amount:",
                                                              "________________________",
                                                              "Total Finance Deductions:",
                                                              "",
                                                              "PURCHASE SIDE CASH FLOWS",
                                                              "Downpayment:",
                                                              "Sales Tax Paid:",
                                                              "Tax Savings (+/-) from Deductions:",
                                                              "Loan Payments:",
                                                              "Property Tax Payments:",
                                                              "Proceeds from Sale:",
                                                              "Loan Payoff:",
                                                              "Tax Savings (+/-) from Sale:",
                                                              "_______________________",
                                                              "Total Finance Cash Flow:",
                                                              "",
                                                              "",
                                                              "Estimated Finance Cost:",
                                                              "Present Value of Cost:",
                                                              "",
                                                              "Lease Inclusion Amount:",
                                                              "ADJUSTMENTS TO",
                                                              "TAXABLE INCOME",
                                                              "Lease Deposit Deduction:",
                                                              "Lease Payments Deduction:",
                                                              "Sales Tax Deduction:",
                                                              "Lease Inclusion Income:",
                                                              "Property Tax Deduction:",
                                                              "Misc. Annual Expense Deduction:",
                                                              "End-of-Lease Expense Deduction:",
                                                              "_____________________",
                                                              "Total Lease Deductions:",
                                                              "",
                                                              "",
                                                              "LEASE SIDE CASH FLOWS",
                                                              "",
                                                              "Tax Savings (+/-) from Deductions:",
                                                              "Lease Payments:",
                                                              "Refundable Deposit:",
                                                              "Non-refundable Deposit:",
                                                              "Sales Tax on Lease:",
                                                              "Property Tax:",
                                                              "Misc. Annual Lease Expense:",
                                                              "End-of-Lease Expense:",
                                                              "Proceeds from sale:",
                                                              "Lease Option Price:",
                                                              "Tax Savings (+/-) from Sale:",
                                                              "_______________________",
                                                              "Total Lease Cash Flow:",
                                                              "",
                                                              "",
                                                              "Estimated Lease Cost:",
                                                              "Present Value of Cost:",
                                                              "() indicates outflow"};

// Writes the table's cells for one run.
class TCashFlowWriter {
public:
    TCashFlowWriter(const TLeaseBuyData& d, const TLeaseBuyResults& r)
        : d_(d), r_(r), years_(r.AnalysisYears), final_(r.FinalColumn()) {}

    void Cell(int row, int column, double value) {
        CashFlowReport[static_cast<std::size_t>(row)].Cells[static_cast<std::size_t>(column)] =
            Format("%.0m", {value}).substr(0, CashFlowCellSize);
    }
    void Final(int row, double value) { Cell(row, final_, value); }
    // A value for each year 1..Y.
    template <typename F>
    void Years(int row, F value) {
        for (int y = 1; y <= years_; ++y)
            Cell(row, y, value(static_cast<std::size_t>(y)));
    }
    void Separator(int row) {
        for (int c = 0; c <= years_; ++c)
            CashFlowReport[static_cast<std::size_t>(row)].Cells[static_cast<std::size_t>(c)] =
                ::Separator;
    }
    // Column 0 when the timing is "First", the final column when it is "Last".
    void ByTiming(int row, LongInt timing, double value) {
        if (timing == dtFirst) Cell(row, 0, value);
        if (timing == dtLast) Final(row, value);
    }

    void PurchaseSide();
    void LeaseSide();

private:
    double Depreciation(std::size_t k) const {
        return k < r_.Depreciation.size() ? r_.Depreciation[k] : 0.0;
    }
    static double Sum(const std::vector<double>& row) {
        return std::accumulate(row.begin(), row.end(), 0.0);
    }

    const TLeaseBuyData& d_;
    const TLeaseBuyResults& r_;
    int years_;
    int final_;
};

void TCashFlowWriter::PurchaseSide() {
    Cell(0, 0, r_.BookValue[0]);
    Years(0, [&](std::size_t y) { return r_.BookValue[y]; });
    Years(3, [&](std::size_t y) { return -r_.PurchasePropertyTax[y]; });
    Years(4, [&](std::size_t y) { return Depreciation(y - 1); });
    Years(5, [&](std::size_t y) { return r_.YearInterest[y]; });
    Cell(6, 0, d_.Section179Amt);
    Cell(7, 0, -r_.SalesTaxUpFront);
    Separator(8);
    Cell(9, 0, d_.Section179Amt - r_.SalesTaxUpFront);
    Years(9, [&](std::size_t y) { return r_.PurchaseDeductions[y]; });
    Cell(12, 0, -d_.PurchaseDeposit);
    Cell(13, 0, r_.SalesTaxUpFront);
    Cell(14, 0, r_.PurchaseTaxSavings[0]);
    Years(14, [&](std::size_t y) { return r_.PurchaseTaxSavings[y]; });
    Years(15, [&](std::size_t y) { return r_.YearPayments[y]; });
    Years(16, [&](std::size_t y) { return r_.PurchasePropertyTax[y]; });
    Final(17, d_.PurchaseEndValue);
    Final(18, r_.LoanBalanceAtEnd);
    Final(19, r_.TaxOnSale);
    Separator(20);
    Cell(21, 0, r_.PurchaseCashFlow[0]);
    Years(21, [&](std::size_t y) { return r_.PurchaseCashFlow[y]; });
    if (r_.ExtraPeriods > 0) Final(21, r_.PurchaseCashFlow[static_cast<std::size_t>(final_)]);
    Final(24, Sum(r_.PurchaseCashFlow));
    Cell(25, 0, r_.PurchaseNPV);
}

void TCashFlowWriter::LeaseSide() {
    const double partialMisc = r_.ExtraPeriods > 0 ? LeaseMiscExpenseOfYear(d_, r_, final_) : 0.0;
    Years(27, [&](std::size_t y) { return r_.LeaseInclusion[y]; });
    ByTiming(30, d_.DeductDepositWhen, d_.AcquisitionCosts);
    Years(31, [&](std::size_t y) { return -r_.LeaseYearPayments[y]; });
    ByTiming(32, d_.DeductSalesTaxWhen, r_.LeaseSalesTaxAmount);
    Years(33, [&](std::size_t y) { return -r_.LeaseInclusion[y]; });
    Years(34, [&](std::size_t y) { return -r_.LeasePropertyTax[y]; });
    // A deduction: the prorated expense of a final partial year counts for the user, as every
    // whole year's does.
    Years(35, [&](std::size_t) { return d_.LeaseMiscExpense; });
    if (r_.ExtraPeriods > 0) Final(35, partialMisc);
    Final(36, d_.LeaseEndExpense);
    Separator(37);
    Cell(38, 0, r_.LeaseDeductions[0]);
    Years(38, [&](std::size_t y) { return r_.LeaseDeductions[y]; });
    Cell(43, 0, r_.LeaseTaxSavings[0]);
    Years(43, [&](std::size_t y) { return r_.LeaseTaxSavings[y]; });
    Years(44, [&](std::size_t y) { return r_.LeaseYearPayments[y]; });
    Cell(45, 0, -d_.LeaseDeposit);
    Final(45, d_.LeaseDeposit);
    Cell(46, 0, -d_.AcquisitionCosts);
    ByTiming(47, d_.DeductSalesTaxWhen, -r_.LeaseSalesTaxAmount);
    Years(48, [&](std::size_t y) { return r_.LeasePropertyTax[y]; });
    Years(49, [&](std::size_t) { return -d_.LeaseMiscExpense; });
    if (r_.ExtraPeriods > 0) Final(49, -partialMisc);
    Final(50, -d_.LeaseEndExpense);
    if (d_.LeaseEndValue > d_.LeaseEndOptionPrice) {
        Final(51, d_.LeaseEndValue);
        Final(52, -d_.LeaseEndOptionPrice);
    }
    Final(53, r_.TaxOnOption);
    Separator(54);
    Cell(55, 0, r_.LeaseCashFlow[0]);
    Years(55, [&](std::size_t y) { return r_.LeaseCashFlow[y]; });
    Final(58, Sum(r_.LeaseCashFlow));
    Cell(59, 0, r_.LeaseNPV);
}

} // namespace

void BuildCashFlowReport(const TLeaseBuyData& data) {
    for (std::size_t k = 0; k < CashFlowReport.size(); ++k) {
        CashFlowReport[k].Label = Labels[k];
        CashFlowReport[k].Cells.fill(std::string());
    }
    if (data.Auto && data.BusinessUsePercent > 0)
        CashFlowReport.back().Label =
            (std::string(Labels.back()) + "   " + IntToStr(LeaseBuyResults.AutoTableYear))
                .substr(0, CashFlowLabelSize);
    TCashFlowWriter writer(data, LeaseBuyResults);
    writer.PurchaseSide();
    writer.LeaseSide();
}

std::vector<std::string> CashFlowHeadings(const TLeaseBuyResults& results) {
    std::vector<std::string> headings = {" ", "Origination", "1st Yr."};
    for (int y = 2; y <= results.AnalysisYears + 1; ++y)
        headings.push_back(IntToStr(y));
    return headings;
}
