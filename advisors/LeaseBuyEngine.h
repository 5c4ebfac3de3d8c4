// The lease-versus-buy engine: compares buying an asset with a loan against leasing it, year by
// year after taxes, and fills the process-wide results that the narrative, the cash-flow table
// and the break-even charts read. Sign rule: money that leaves the user is negative, money that
// comes in (tax savings, sale proceeds, refunds) is positive; deductions are positive.
#pragma once

#include "advisors/Depreciation.h"
#include "platform/rtl/Types.h"

#include <string>
#include <vector>

// What the advisor's fields hold: money up to what the money picture shows, rates up to what
// the rate picture shows, shares of a whole up to 100 percent; the payment frequencies "Weekly"
// .. "Annually".
constexpr double LeaseBuyMaxMoney = 999999999.99;
constexpr double LeaseBuyMaxRate = 99.9999;
constexpr double LeaseBuyMaxShare = 100.0;
constexpr LongInt PaymentFrequencyCount = 7;

// The advisor's inputs, with the defaults a new advisor starts from.
struct TLeaseBuyData {
    std::string Asset;       // at most 30 characters
    std::string BuyerLessee; // at most 30 characters
    float DiscountRate = 0;  // percent
    float BusinessUsePercent = 0;
    float TaxRate = 0;
    float TaxRateSale = 0;
    float TaxRateProperty = 0;
    bool PropTaxOnPurchase = true;
    bool PropTaxOnLease = true;
    double Price = 0;
    float PurchaseSalesTax = 0; // percent
    bool TaxFinanced = false;
    double PurchaseDeposit = 0;
    float PurchaseRate = 0;
    SmallInt PurchaseNumPmts = 0;
    LongInt PurchasePmtPYR = 2; // index in PaymentFrequencyList ("Monthly")
    bool OverrideEndPurchase = true;
    double PurchaseEndValue = 0;
    float DeductablePercent = 0; // carried and stored only
    double LeasePmt = 0;
    SmallInt LeaseNumPmts = 0;
    LongInt LeasePmtPYR = 2;
    float LeaseSalesTax = 0; // percent of Price
    double LeaseDeposit = 0;
    double AcquisitionCosts = 0;
    double LeaseMiscExpense = 0; // a year
    double LeaseEndExpense = 0;
    bool OverrideEndLease = false;
    double LeaseEndValue = 0;
    double LeaseEndOptionPrice = 0;
    bool Depreciate = true;
    float Life = 0; // years
    LongInt DepreciationMthd = dm200DB;
    double Section179Amt = 0;
    LongInt DeductDepositWhen = dtFirst;
    LongInt DeductSalesTaxWhen = dtFirst;
    bool Auto = false;
    bool Listed = false; // carried and stored only
};

// The year columns every year row has at least: 0 the origination, y year y of the analysis.
constexpr int LeaseBuyYearColumns = 32;
// The most whole years an analysis covers.
constexpr int MaxAnalysisYears = 30;

struct TLeaseBuyResults {
    LongInt AnalysisPeriods = 0; // N
    LongInt AnalysisYears = 0;   // Y = N div f
    LongInt ExtraPeriods = 0;    // R = N mod f
    Word PurchasePPY = 0;
    Word LeasePPY = 0;
    // Per period (N entries): loan payment (negative) and interest (positive).
    std::vector<double> PeriodPayment;
    std::vector<double> PeriodInterest;
    // Per year (at least LeaseBuyYearColumns entries).
    std::vector<double> YearPayments;
    std::vector<double> YearInterest;
    std::vector<double> Depreciation; // entry k: tax year k + 1
    std::vector<double> BookValue;
    std::vector<double> EndValue;
    std::vector<double> PurchaseDeductions;
    std::vector<double> PurchaseTaxSavings;
    std::vector<double> PurchasePropertyTax;
    std::vector<double> PurchaseCashFlow;
    std::vector<double> LeaseInclusion;
    std::vector<double> LeaseYearPayments;
    std::vector<double> LeaseDeductions;
    std::vector<double> LeaseTaxSavings;
    std::vector<double> LeasePropertyTax;
    std::vector<double> LeaseCashFlow;
    std::vector<double> LeaseDepreciation;
    std::vector<double> LeaseBookValue;
    std::vector<double> LeaseEndValues;
    double SalesTaxUpFront = 0;
    double LoanAmount = 0;
    double LoanPaymentAmount = 0;
    long double TotalPayments = 0;
    double TotalInterest = 0;
    double LoanBalanceAtEnd = 0;
    double TotalPropertyTax = 0;
    double TotalDeductions = 0;
    double TaxOnSale = 0;
    double LeaseSalesTaxAmount = 0;
    double TotalLeasePayments = 0;
    double TotalLeasePropertyTax = 0;
    double TaxOnOption = 0;
    double PurchaseNPV = 0;
    double LeaseNPV = 0;
    int AutoTableYear = 0;

    // The column of the sale and the end of the lease: Y, or Y + 1 when the analysis ends in a
    // partial year.
    int FinalColumn() const { return AnalysisYears + (ExtraPeriods > 0 ? 1 : 0); }
};

// The results of the last successful run.
extern TLeaseBuyResults LeaseBuyResults;

// Validates data, giving a message for every check that fails, and when all pass builds the
// purchase and lease schedules and cash flows into LeaseBuyResults and writes the narrative and the
// cash-flow table. Every number is checked first: finite, not negative, money at most
// 999,999,999.99, rates at most 99.9999 percent, shares at most 100 percent, the life at most
// MaxDepreciableLife; when one is not, only those messages are given. A zero Life is worked out
// from the longer term; PurchaseEndValue and LeaseEndValue take the final book values unless
// overridden. False when a check failed: then neither the results nor data change (but a zero Life
// is filled in). Raises ERangeError for a list index outside its list, before anything changes.
bool ValidateAndRunLeaseBuy(TLeaseBuyData& data);

// The miscellaneous lease expense of year y (1 .. final column): a year's worth, prorated in a
// final partial year.
double LeaseMiscExpenseOfYear(const TLeaseBuyData& data, const TLeaseBuyResults& results, int y);

// The steps of a run, in order, on a validated record.
void BuildPurchaseSchedule(TLeaseBuyData& data, TLeaseBuyResults& results);
void BuildPurchaseCashFlows(const TLeaseBuyData& data, TLeaseBuyResults& results);
void BuildLeaseSchedule(TLeaseBuyData& data, TLeaseBuyResults& results);
void BuildLeaseCashFlows(const TLeaseBuyData& data, TLeaseBuyResults& results);
