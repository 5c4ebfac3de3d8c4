#include "advisors/LeaseBuyEngine.h"

#include "advisors/AdvisorMessages.h"
#include "advisors/LeaseCashFlowTable.h"
#include "advisors/LeaseNarrative.h"
#include "finance/LoanMath.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>

TLeaseBuyResults LeaseBuyResults;

namespace {

const char* const LifeMissing = "You've indicated that this asset is to be depreciated,\r\ryet "
                                "you've not entered a value for its life.\r\rPlease correct.\r\r";

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

Word FrequencyOf(LongInt paymentFrequencyIndex) {
    return PeriodsPerYear(static_cast<Byte>(paymentFrequencyIndex + 1));
}

// Raises for what no form or file may hand the engine: list indexes outside their lists.
void CheckRecord(const TLeaseBuyData& d) {
    auto inList = [](LongInt index, LongInt count) { return index >= 0 && index < count; };
    if (!inList(d.PurchasePmtPYR, PaymentFrequencyCount) ||
        !inList(d.LeasePmtPYR, PaymentFrequencyCount) ||
        !inList(d.DepreciationMthd, DepreciationMethodCount) ||
        !inList(d.DeductDepositWhen, DeductionTimingCount) ||
        !inList(d.DeductSalesTaxWhen, DeductionTimingCount))
        throw ERangeError("Lease vs. buy choice out of range");
}

void Fail(bool& ok, TAdvisorMsgKind kind, const std::string& text) {
    AdvisorMessage(kind, text);
    ok = false;
}

// A number the inputs may hold: finite and within 0..high; otherwise its message.
void CheckNumber(bool& ok, double value, double high, const char* name, const std::string& highText,
                 const char* unit) {
    if (value >= 0.0 && value <= high) return;
    Fail(ok, amkError, std::string(name) + " must be a number from 0 to " + highText + unit + ".");
}
void CheckMoney(bool& ok, double value, const char* name) {
    CheckNumber(ok, value, LeaseBuyMaxMoney, name, "999,999,999.99", "");
}
// Rates and shares are singles: their limits are compared as singles.
void CheckRate(bool& ok, float value, const char* name) {
    CheckNumber(ok, value, static_cast<float>(LeaseBuyMaxRate), name, "99.9999", " (%)");
}
void CheckShare(bool& ok, float value, const char* name) {
    CheckNumber(ok, value, static_cast<float>(LeaseBuyMaxShare), name, "100", " (%)");
}

// Every number of the record, in the order of the advisor's pages, each out of its range with
// its message. Not-a-number and infinite inputs fail every range.
bool CheckNumbers(const TLeaseBuyData& d) {
    bool ok = true;
    CheckRate(ok, d.DiscountRate, "Discount rate or cost of capital");
    CheckShare(ok, d.BusinessUsePercent, "Percent used for business");
    CheckRate(ok, d.TaxRate, "Marginal tax rate on ordinary income");
    CheckRate(ok, d.TaxRateSale, "Marginal tax rate on sale of asset");
    CheckRate(ok, d.TaxRateProperty, "Property tax rate");
    CheckMoney(ok, d.Price, "Price of asset");
    CheckRate(ok, d.PurchaseSalesTax, "Sales tax on purchase");
    CheckMoney(ok, d.PurchaseDeposit, "Purchase down payment");
    CheckRate(ok, d.PurchaseRate, "Annual loan rate");
    CheckMoney(ok, d.PurchaseEndValue, "Estimated resale value at end of financing");
    CheckShare(ok, d.DeductablePercent, "Percent of interest that is deductible");
    CheckMoney(ok, d.LeasePmt, "Periodic lease payment amount");
    CheckRate(ok, d.LeaseSalesTax, "Sales tax on lease");
    CheckMoney(ok, d.LeaseDeposit, "Refundable lease deposit");
    CheckMoney(ok, d.AcquisitionCosts, "Nonrefundable deposit or acquisition costs");
    CheckMoney(ok, d.LeaseMiscExpense, "Miscellaneous annual lease expense");
    CheckMoney(ok, d.LeaseEndExpense, "Termination fee");
    CheckMoney(ok, d.LeaseEndValue, "Estimated resale value at end of lease");
    CheckMoney(ok, d.LeaseEndOptionPrice, "End of lease option price");
    CheckNumber(ok, d.Life, MaxDepreciableLife, "Depreciable life in years",
                IntToStr(static_cast<int>(MaxDepreciableLife)), "");
    CheckMoney(ok, d.Section179Amt, "Section 179 Expense");
    return ok;
}

// Runs every check, each failing one with its message; fills in a zero life.
bool ValidateLeaseBuy(TLeaseBuyData& d, TLeaseBuyResults& r) {
    bool ok = true;
    r.PurchasePPY = FrequencyOf(d.PurchasePmtPYR);
    r.LeasePPY = FrequencyOf(d.LeasePmtPYR);
    if (r.PurchasePPY != r.LeasePPY)
        Fail(ok, amkInformation, "Purchase and Lease frequency must be equal.");
    const bool leaseShorter = d.PurchaseNumPmts >= d.LeaseNumPmts;
    const int f = leaseShorter ? r.LeasePPY : r.PurchasePPY;
    r.AnalysisPeriods = leaseShorter ? d.LeaseNumPmts : d.PurchaseNumPmts;
    r.AnalysisYears = r.AnalysisPeriods / f;
    r.ExtraPeriods = r.AnalysisPeriods % f;
    if (r.AnalysisYears > MaxAnalysisYears)
        Fail(ok, amkError, "Error - Too many periods for lease.");
    if (d.Life == 0.0f) {
        const int longer = std::max<int>(d.PurchaseNumPmts, d.LeaseNumPmts);
        if (longer > 0) d.Life = static_cast<float>(longer / 12 + (longer % 12 > 0 ? 1 : 0));
    }
    if (d.Price - d.PurchaseDeposit <= 0.0)
        Fail(ok, amkError,
             d.Price == 0.0 ? "Purchase price can't be zero."
                            : "Purchase price must be greater than down payment");
    if (d.PurchaseRate <= 0.0f) Fail(ok, amkError, "Purchase interest rate can't be zero.");
    if (d.PurchaseNumPmts <= 0)
        Fail(ok, amkError, "Number of purchase payment periods can't be zero.");
    if (d.LeaseNumPmts <= 0) Fail(ok, amkError, "Number of lease payment periods can't be zero.");
    if (d.Depreciate && d.Life == 1.0f) Fail(ok, amkError, LifeMissing);
    return ok;
}

void Zeros(std::vector<double>& row, int size) {
    row.assign(At(size), 0.0);
}

// Every row of a run, sized and zero.
void ClearResults(TLeaseBuyResults& r) {
    const int years = std::max(LeaseBuyYearColumns, r.AnalysisYears + 2);
    for (std::vector<double>* row :
         {&r.YearPayments, &r.YearInterest, &r.Depreciation, &r.BookValue, &r.EndValue,
          &r.PurchaseDeductions, &r.PurchaseTaxSavings, &r.PurchasePropertyTax, &r.PurchaseCashFlow,
          &r.LeaseInclusion, &r.LeaseYearPayments, &r.LeaseDeductions, &r.LeaseTaxSavings,
          &r.LeasePropertyTax, &r.LeaseCashFlow, &r.LeaseDepreciation, &r.LeaseBookValue,
          &r.LeaseEndValues})
        Zeros(*row, years);
    Zeros(r.PeriodPayment, r.AnalysisPeriods);
    Zeros(r.PeriodInterest, r.AnalysisPeriods);
    r.TaxOnSale = 0.0;
    r.TaxOnOption = 0.0;
}

long double SumRow(const std::vector<double>& row) {
    return SumArray(row, static_cast<int>(row.size()) - 1);
}

// The date the asset is placed in service, with the half-year convention.
TDayNumber PlacedInService() {
    return DMYToDate(1, 1, 1997, 0);
}

// A depreciation schedule of the asset, at least as long as the year rows; returns K.
int DepreciationSchedule(const TLeaseBuyData& d, const TLeaseBuyResults& r,
                         std::vector<double>& schedule, double basis) {
    const int k = MaxAutoDepreciation(PlacedInService(), static_cast<Byte>(d.DepreciationMthd),
                                      fcHalfYear, schedule, d.Life, basis);
    if (schedule.size() < r.BookValue.size()) schedule.resize(r.BookValue.size(), 0.0);
    return k;
}

// The year the asset is disposed of takes half a year's depreciation when the life runs on
// past it; with clearAfter the later years take none.
void HalveDisposalYear(const TLeaseBuyResults& r, std::vector<double>& schedule, int k,
                       bool clearAfter) {
    const int y = r.AnalysisYears;
    if (y >= k) return;
    const int disposal = r.ExtraPeriods == 0 ? y - 1 : y;
    schedule[At(disposal)] *= 0.5;
    if (clearAfter) std::fill(schedule.begin() + disposal + 1, schedule.begin() + k + 1, 0.0);
}

// The asset's book schedule: depreciation of the price, book value at each year end and the
// final book value in the final column.
void BuildBookSchedule(const TLeaseBuyData& d, const TLeaseBuyResults& r,
                       std::vector<double>& depreciation, std::vector<double>& bookValue,
                       std::vector<double>& endValue) {
    const int k = DepreciationSchedule(d, r, depreciation, d.Price);
    HalveDisposalYear(r, depreciation, k, false);
    const int y = r.AnalysisYears;
    bookValue[0] = d.Price;
    for (int i = 1; i <= y; ++i) {
        bookValue[At(i)] = RoundToCents(bookValue[At(i - 1)] - depreciation[At(i - 1)]);
        endValue[At(i - 1)] = 0.0;
    }
    const int e = r.FinalColumn();
    if (e > y) bookValue[At(e)] = bookValue[At(y)] - depreciation[At(y)];
    endValue[At(e)] = bookValue[At(e)];
}

// A percentage of a single-precision field, as typed, as a fraction.
double Fraction(float percent) {
    return 0.01 * AsTyped(percent);
}

// Property tax on the buy side's book value, the partial year prorated; returns the total.
double PropertyTaxRow(const TLeaseBuyData& d, const TLeaseBuyResults& r, bool paid,
                      std::vector<double>& tax) {
    if (!paid || d.TaxRateProperty <= 0.0f) return 0.0;
    const double p = Fraction(d.TaxRateProperty);
    const int y = r.AnalysisYears;
    for (int i = 1; i <= y; ++i)
        tax[At(i)] = RoundToCents(-r.BookValue[At(i)] * p);
    if (r.ExtraPeriods > 0)
        tax[At(y + 1)] = RoundToCents(static_cast<double>(r.ExtraPeriods) / r.PurchasePPY *
                                      -r.BookValue[At(y + 1)] * p);
    return static_cast<double>(SumRow(tax));
}

// Sums per-period amounts into years 1, 2, ... of f periods each.
void SumIntoYears(const std::vector<double>& periods, int f, std::vector<double>& years) {
    int y = 1;
    for (int k = 0; k < static_cast<int>(periods.size()); ++k) {
        years[At(y)] += periods[At(k)];
        if (k % f == f - 1) ++y;
    }
}

// The marginal tax rate on ordinary income and its business-use share (fractions).
double TaxFraction(const TLeaseBuyData& d) {
    return Fraction(d.TaxRate);
}
double BusinessTaxFraction(const TLeaseBuyData& d) {
    return Fraction(d.BusinessUsePercent) * TaxFraction(d);
}

double DiscountFraction(const TLeaseBuyData& d) {
    return Fraction(d.DiscountRate);
}

// The lease's acquisition costs deducted in year y (1..final column) when amortized over the
// lease: a yearly share, the partial year prorated.
double AmortizedAcquisitionCosts(const TLeaseBuyData& d, const TLeaseBuyResults& r, int y) {
    const double yearly =
        RoundToCents(d.AcquisitionCosts / (static_cast<double>(r.AnalysisPeriods) / r.LeasePPY));
    if (y <= r.AnalysisYears) return yearly;
    return RoundToCents(yearly * r.ExtraPeriods / r.LeasePPY);
}

} // namespace

void BuildPurchaseSchedule(TLeaseBuyData& d, TLeaseBuyResults& r) {
    r.SalesTaxUpFront = 0.0;
    if (d.PurchaseSalesTax > 0.0f)
        r.SalesTaxUpFront = -RoundToCents(Fraction(d.PurchaseSalesTax) * d.Price);
    const double basis = d.TaxFinanced ? d.Price - r.SalesTaxUpFront : d.Price;

    BuildBookSchedule(d, r, r.Depreciation, r.BookValue, r.EndValue);
    if (!d.OverrideEndPurchase) d.PurchaseEndValue = r.BookValue[At(r.FinalColumn())];

    // The tax schedule depreciates the business share of the basis left after the 179 expense.
    if (d.Depreciate) {
        const int k = DepreciationSchedule(
            d, r, r.Depreciation, Fraction(d.BusinessUsePercent) * (basis - d.Section179Amt));
        HalveDisposalYear(r, r.Depreciation, k, true);
    } else {
        std::fill(r.Depreciation.begin(), r.Depreciation.end(), 0.0);
    }

    r.LoanAmount = d.Price - d.PurchaseDeposit;
    if (d.TaxFinanced) {
        r.LoanAmount -= r.SalesTaxUpFront;
        r.SalesTaxUpFront = 0.0;
    }
    const Word f = r.PurchasePPY;
    r.LoanPaymentAmount = -RoundToCents(LoanPayment(static_cast<Word>(d.PurchaseNumPmts), f, f,
                                                    r.LoanAmount, AsTyped(d.PurchaseRate)));
    std::fill(r.PeriodPayment.begin(), r.PeriodPayment.end(), r.LoanPaymentAmount);
    LoanInterestSchedule(r.AnalysisPeriods, r.PeriodPayment, false, r.PeriodInterest, r.LoanAmount,
                         Fraction(d.PurchaseRate) / f);
    SumIntoYears(r.PeriodPayment, f, r.YearPayments);
    SumIntoYears(r.PeriodInterest, f, r.YearInterest);
    r.TotalPayments = SumRow(r.YearPayments);
    r.TotalInterest = static_cast<double>(SumRow(r.YearInterest));
    r.LoanBalanceAtEnd = static_cast<double>(r.TotalPayments + r.TotalInterest + r.LoanAmount);
    r.TotalPropertyTax = PropertyTaxRow(d, r, d.PropTaxOnPurchase, r.PurchasePropertyTax);
}

void BuildPurchaseCashFlows(const TLeaseBuyData& d, TLeaseBuyResults& r) {
    // The tax schedule already holds only the business share of depreciation: its saving is
    // taxed at the full rate, every other deduction at the business share of it.
    const double t = BusinessTaxFraction(d);
    const double td = TaxFraction(d);
    const int e = r.FinalColumn();
    r.PurchaseDeductions[0] = -r.SalesTaxUpFront + d.Section179Amt;
    r.PurchaseTaxSavings[0] = r.PurchaseDeductions[0] * t;
    for (int y = 1; y <= e; ++y) {
        const double depreciation = r.Depreciation[At(y - 1)];
        const double others = -r.PurchasePropertyTax[At(y)] + r.YearInterest[At(y)];
        r.PurchaseDeductions[At(y)] = others + depreciation;
        r.PurchaseTaxSavings[At(y)] = others * t + depreciation * td;
    }
    r.TotalDeductions = static_cast<double>(SumRow(r.PurchaseDeductions));

    r.PurchaseCashFlow[0] = -d.PurchaseDeposit + r.SalesTaxUpFront + r.PurchaseTaxSavings[0];
    for (int y = 1; y <= e; ++y)
        r.PurchaseCashFlow[At(y)] =
            r.YearPayments[At(y)] + r.PurchaseTaxSavings[At(y)] + r.PurchasePropertyTax[At(y)];
    const double gain = d.PurchaseEndValue - r.BookValue[At(e)];
    r.PurchaseCashFlow[At(e)] += d.PurchaseEndValue - r.LoanBalanceAtEnd;
    if (gain != 0.0) {
        r.TaxOnSale = -(Fraction(d.TaxRateSale) * gain);
        r.PurchaseCashFlow[At(e)] += r.TaxOnSale;
    }
    r.PurchaseNPV = static_cast<double>(
        LeaseCashFlowPV(r.PurchaseCashFlow, static_cast<int>(r.PurchaseCashFlow.size()) - 1, 1,
                        DiscountFraction(d)));
}

void BuildLeaseSchedule(TLeaseBuyData& d, TLeaseBuyResults& r) {
    r.LeaseSalesTaxAmount = RoundToCents(Fraction(d.LeaseSalesTax) * d.Price);
    double periodTax = 0.0;
    if (d.DeductSalesTaxWhen == dtAmortize) {
        periodTax = RoundToCents(r.LeaseSalesTaxAmount / r.AnalysisPeriods);
        r.LeaseSalesTaxAmount = 0.0;
    }
    BuildBookSchedule(d, r, r.LeaseDepreciation, r.LeaseBookValue, r.LeaseEndValues);
    if (!d.OverrideEndLease) d.LeaseEndValue = r.LeaseBookValue[At(r.FinalColumn())];
    if (d.Auto)
        r.AutoTableYear = AutoInclusionAmount(r.AnalysisYears, r.LeaseInclusion,
                                              AsTyped(d.BusinessUsePercent), d.Price);

    const std::vector<double> periodPayments(At(r.AnalysisPeriods), -periodTax - d.LeasePmt);
    SumIntoYears(periodPayments, r.LeasePPY, r.LeaseYearPayments);
    r.TotalLeasePayments = static_cast<double>(SumRow(r.LeaseYearPayments));
    r.TotalLeasePropertyTax = PropertyTaxRow(d, r, d.PropTaxOnLease, r.LeasePropertyTax);
}

void BuildLeaseCashFlows(const TLeaseBuyData& d, TLeaseBuyResults& r) {
    // Inclusion amounts are already the business share: taxed at the full rate.
    const double t = BusinessTaxFraction(d);
    const double td = TaxFraction(d);
    const int e = r.FinalColumn();

    double& atStart = r.LeaseDeductions[0];
    atStart = d.DeductDepositWhen == dtFirst ? d.AcquisitionCosts : 0.0;
    if (d.DeductSalesTaxWhen == dtFirst) atStart += r.LeaseSalesTaxAmount;
    r.LeaseTaxSavings[0] = atStart * t;
    for (int i = 1; i <= e; ++i) {
        double deduction = -r.LeasePropertyTax[At(i)] - r.LeaseYearPayments[At(i)] +
                           LeaseMiscExpenseOfYear(d, r, i);
        if (d.DeductDepositWhen == dtAmortize) deduction += AmortizedAcquisitionCosts(d, r, i);
        if (i == e) {
            deduction += d.LeaseEndExpense;
            if (d.DeductDepositWhen == dtLast) deduction += d.AcquisitionCosts;
            if (d.DeductSalesTaxWhen == dtLast) deduction += r.LeaseSalesTaxAmount;
        }
        const double inclusion = r.LeaseInclusion[At(i)];
        r.LeaseDeductions[At(i)] = deduction - inclusion;
        r.LeaseTaxSavings[At(i)] = deduction * t - inclusion * td;
    }

    const double gain = std::max(d.LeaseEndValue - d.LeaseEndOptionPrice, 0.0);
    r.TaxOnOption = -(Fraction(d.TaxRateSale) * gain);
    // Acquisition costs and the sales tax not spread over the payments are paid at the start,
    // whenever they are deducted.
    r.LeaseCashFlow[0] =
        -d.AcquisitionCosts - r.LeaseSalesTaxAmount - d.LeaseDeposit + r.LeaseTaxSavings[0];
    for (int i = 1; i <= e; ++i)
        r.LeaseCashFlow[At(i)] = -LeaseMiscExpenseOfYear(d, r, i) + r.LeaseYearPayments[At(i)] +
                                 r.LeaseTaxSavings[At(i)] + r.LeasePropertyTax[At(i)];
    r.LeaseCashFlow[At(e)] += -d.LeaseEndExpense + d.LeaseDeposit + gain + r.TaxOnOption;
    r.LeaseNPV = static_cast<double>(LeaseCashFlowPV(
        r.LeaseCashFlow, static_cast<int>(r.LeaseCashFlow.size()) - 1, 1, DiscountFraction(d)));
}

double LeaseMiscExpenseOfYear(const TLeaseBuyData& d, const TLeaseBuyResults& r, int y) {
    if (y <= r.AnalysisYears) return d.LeaseMiscExpense;
    return RoundToCents(d.LeaseMiscExpense * r.ExtraPeriods / r.LeasePPY);
}

bool ValidateAndRunLeaseBuy(TLeaseBuyData& data) {
    CheckRecord(data);
    TLeaseBuyResults results;
    if (!CheckNumbers(data) || !ValidateLeaseBuy(data, results)) return false;
    TLeaseBuyData record = data;
    ClearResults(results);
    BuildPurchaseSchedule(record, results);
    BuildPurchaseCashFlows(record, results);
    BuildLeaseSchedule(record, results);
    BuildLeaseCashFlows(record, results);
    LeaseBuyResults = std::move(results);
    data = record;
    BuildLeaseBuyNarrative(data);
    BuildCashFlowReport(data);
    return true;
}
