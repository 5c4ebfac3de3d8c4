// The amortization schedule of one loan: an initial row for the origination, then one row per
// payment with its date, payment, principal, interest, balance and running totals, grouped by
// calendar year for display. Payments and each period's interest are rounded to cents, balances
// and totals are not; the last row always takes what is left so the balance ends at zero.
#pragma once

#include "controls/entry/DayNumberDates.h"
#include "finance/LoanMath.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <string>
#include <vector>

// The payment rows the schedule keeps ready; a longer loan grows the table.
constexpr int MaxPeriods = 1560;
// The last year a payment may fall in: the last of the day numbers (the tables keep four-digit
// years; the tabs show two digits and know the century of each year they show).
constexpr int LastScheduleYear = MaxYear;

// Day-count bases (the item indexes of DayCountList) and the timings of points (FeeTimingList).
enum : Byte { rbOrdinary = 0, rbExact360 = 1, rbExact365 = 2 };
enum : Byte { ppAtOrigination = 0, ppWithFirstPayment = 1, ppAmortized = 2 };
// The kinds of first period.
enum : Byte { fpRegular = 0, fpShort = 1, fpLong = 2 };

struct TAmortRow {
    TDayNumber Date = BadDate; // row 0: origination; row k: payment k
    Word PmtNo = 0;            // 0 for the initial row
    std::string PmtNoYr;       // "Init/01", else the payment number and loan year ("  13/02")
    double Payment = 0;
    double Advance = 0; // added to the balance: the loan amount in row 0
    double Principal = 0;
    double Interest = 0;
    double Balance = 0;
    Word PeriodDays = 0;
    float AnnualRate = 0;
    float PeriodicRate = 0;
    float DailyRate = 0;
    double RunPayment = 0;
    double RunPrincipal = 0;
    double RunInterest = 0;
};

// The loan the schedule is made for, as the schedule form collects it.
struct TAmortLoan {
    double PV = 0;    // amount of the loan
    Word NumPmts = 0; // number of payments
    float Rate = 0;   // annual rate, percent
    float Points = 0; // percent of the amount
    TDayNumber OrgDate = BadDate;
    TDayNumber FrstPmtDate = BadDate;
    Byte PYR = DefaultFrequency - 1; // index in PaymentFrequencyList ("Monthly")
    Byte CmpPYR = DefaultFrequency;  // index in FrequencyList ("Monthly")
};

// The choices of the options dialog.
struct TAmortOptions {
    Byte AmortMethod = DefaultAmortMethod;
    Byte RateBasis = rbOrdinary;
    Byte PointsPaidHow = ppAtOrigination;
};

// Sums of one year tab's rows and the running totals at its last row.
struct TYearTotals {
    double YearPayment = 0;
    double YearPrincipal = 0;
    double YearInterest = 0;
    double RunPayment = 0;
    double RunPrincipal = 0;
    double RunInterest = 0;
};

// Interest of one period, rounded to cents: Ordinary charges balance x periodicRate x fraction;
// the Exact bases compound dailyRate over the actual days. The rates are fractions, computed
// from the annual rate as typed (the rows keep them as singles).
double PeriodInterest(Byte kind, LongInt days, double dailyRate, double periodicRate,
                      double fraction, double balance);

// The date `periods` payment periods after (before, when negative) date, keeping its day of the
// month where the month is long enough and taking the month's last day where it is not. Back
// from the last day of a month it lands on the last day of the earlier month (28 February less
// a month is 31 January), so a loan made at a month's end has a whole first period.
TDayNumber PaymentDate(TDayNumber date, int periods, Word periodsPerYear);

class TAmortSchedule {
public:
    TAmortSchedule();

    // Builds the schedule of loan with options. A first payment date before the origination (or
    // missing) is reset to it, with a message, and the build goes on. A zero (or negative)
    // amount, number of payments or rate, a missing origination date, or a loan running past
    // LastScheduleYear gives its message and false, and nothing changes. Raises ERangeError for a
    // list index outside its list.
    bool CalcSchedule(TAmortLoan& loan, const TAmortOptions& options);
    // The checks CalcSchedule makes before building, with their messages: resets a first payment
    // date before the origination (or missing) to it; false for a loan that cannot be built.
    bool ValidLoan(TAmortLoan& loan) const;

    // The row builders, in the order CalcSchedule calls them.
    void ResetInitialRow();
    void BuildInitialRow();
    void BuildFirstPaymentRow();
    void BuildFirstPaymentAtOrigination();
    void BuildRemainingRows();
    // Makes row k the last one: its principal and payment take the balance left (or give back
    // what was overpaid) and the balance becomes 0.
    void AdjustLastPayment(int k);

    // Year tabs: tab 0 "All", then one tab per calendar year of the schedule.
    int TabCount() const { return 1 + static_cast<int>(Years.size()); }
    // "All", or the tab's year in two digits.
    std::string TabCaption(int tab) const;
    // The rows a tab shows: "All" every row; the first year from the origination to its
    // 31 December; later years 1 January to 31 December, the last tab up to the last row.
    void YearRange(int tab, int& first, int& last) const;
    TYearTotals YearTotals(int tab) const;

    // Row 0 is the origination, rows 1..LastRow the payments; rows past LastRow are stale.
    std::vector<TAmortRow> AmortRows;
    // The four-digit calendar year of each tab after "All".
    std::vector<int> Years;
    TAmortLoan Loan;
    Word PmtsPerYear = 12;
    Word CmpPerYear = 12;
    Word YearBasis = 360;
    LongInt PeriodDaysNow = 0;
    LongInt OddDays = 0;
    Byte FirstPeriodKind = fpRegular;
    double PeriodFraction = 1.0;
    double FixedPrincipal = 0;
    double FinanceCharge = 0;
    double PointsAmount = 0;
    Byte AmortMethod = DefaultAmortMethod;
    Byte RateBasis = rbOrdinary;
    Byte PointsPaidHow = ppAtOrigination;
    LongInt LastRow = 0;

    // Called with the percentage of the build done, once per row.
    std::function<void(int percent)> OnProgress;

private:
    // Sets the rates of a row from its annual rate, and the rates the build computes with.
    void SetRates(TAmortRow& row);
    void AddYearTab(TDayNumber date, TDayNumber previous);
    void SetRunningTotals(int k);
    bool EndsAt(int k) const;
    double FirstPayment(double interest, double balance) const;
    double RuleOf78Share(int k) const;
    int FindFirstOnOrAfter(TDayNumber date) const;
    int FindLastOnOrBefore(TDayNumber date) const;
    void Progress(int percent) const;

    // The periodic and daily rates of the row being built, in double precision.
    double periodicRate_ = 0;
    double dailyRate_ = 0;
};
