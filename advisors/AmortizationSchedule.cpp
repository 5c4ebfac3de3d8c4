#include "advisors/AmortizationSchedule.h"

#include "advisors/AdvisorMessages.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const FirstPaymentTooEarly = "First Payment Date must be\n\nequal to or after "
                                         "Origination Date.\n\nResetting First Payment Date...\n";
const char* const NoZeroValues =
    "No zero values allowed.\r\n\nEnter Amount, Initial Period or Rate\n\n";
const std::string BeyondLastYear = "Loan can't go beyond " + std::to_string(LastScheduleYear) +
                                   "\n\nReduce number of initial periods or "
                                   "\n\nincrease frequency of payment period.\n\n";

constexpr Byte PaymentFrequencyCount = 7; // "Weekly" .. "Annually"
constexpr Byte FrequencyCount = 9;        // "Daily" .. "Continuous"

int YearOf(TDayNumber date) {
    int day, month, year;
    DateToDMY(date, day, month, year);
    return year;
}

bool ValidDayNumber(TDayNumber date) {
    return date >= 0 && date <= MaxDayNumber;
}

// A count of days as a row's 16-bit PeriodDays.
Word DaysField(LongInt days) {
    return static_cast<Word>(std::clamp<LongInt>(days, 0, 0xFFFF));
}

// "   k/yy": the payment number in four places and the loan year in at least two digits.
std::string PaymentLabel(int k, int loanYear) {
    return Format("%4d/%.2d", {k, loanYear});
}

} // namespace

double PeriodInterest(Byte kind, LongInt days, double dailyRate, double periodicRate,
                      double fraction, double balance) {
    double interest;
    if (kind == rbOrdinary)
        interest = balance * periodicRate * fraction;
    else if (days == 0)
        interest = 0.0;
    else
        interest = balance * std::expm1(days * std::log1p(dailyRate));
    return RoundToCents(interest);
}

TDayNumber PaymentDate(TDayNumber date, int periods, Word periodsPerYear) {
    switch (periodsPerYear) {
    case 1:
    case 2:
    case 4:
    case 6:
    case 12: {
        const int months = periods * (12 / periodsPerYear);
        // Back from the end of a month lands on the end of the earlier month.
        if (months < 0 && IsLastDayOfMonth(date)) return MonthEndBefore(date, -months);
        return IncDateTrunc(date, months, 0);
    }
    case 26:
    case 52:
    case 365: return IncDate(date, periods * DaysPerPeriod(periodsPerYear), 0, 0);
    default: return date;
    }
}

TAmortSchedule::TAmortSchedule() : AmortRows(MaxPeriods + 1) {}

bool TAmortSchedule::ValidLoan(TAmortLoan& loan) const {
    if (loan.PYR >= PaymentFrequencyCount || loan.CmpPYR >= FrequencyCount)
        throw ERangeError("Payment or compounding frequency out of range");
    const bool originated = ValidDayNumber(loan.OrgDate);
    if (originated && (loan.FrstPmtDate < loan.OrgDate || !ValidDayNumber(loan.FrstPmtDate))) {
        AdvisorMessage(amkInformation, FirstPaymentTooEarly);
        loan.FrstPmtDate = loan.OrgDate;
    }
    if (!(loan.PV > 0.0) || loan.NumPmts == 0 || !(loan.Rate > 0.0f) || !originated) {
        AdvisorMessage(amkInformation, NoZeroValues);
        return false;
    }
    const TDayNumber lastPayment =
        PaymentDate(loan.FrstPmtDate, loan.NumPmts - 1, PeriodsPerYear(loan.PYR + 1));
    if (lastPayment == BadDate || YearOf(lastPayment) > LastScheduleYear) {
        AdvisorMessage(amkInformation, BeyondLastYear);
        return false;
    }
    return true;
}

bool TAmortSchedule::CalcSchedule(TAmortLoan& loan, const TAmortOptions& options) {
    if (options.AmortMethod > amUSRule || options.RateBasis > rbExact365 ||
        options.PointsPaidHow > ppAmortized)
        throw ERangeError("Amortization option out of range");
    if (!ValidLoan(loan)) return false;
    Loan = loan;
    AmortMethod = options.AmortMethod;
    RateBasis = options.RateBasis;
    PointsPaidHow = options.PointsPaidHow;
    YearBasis = RateBasis == rbExact365 ? 365 : 360;
    Years.clear();
    PmtsPerYear = PeriodsPerYear(Loan.PYR + 1);
    PeriodDaysNow = DaysPerPeriod(PmtsPerYear);
    CmpPerYear = PeriodsPerYear(Loan.CmpPYR);
    if (AmortRows.size() < static_cast<std::size_t>(Loan.NumPmts) + 1)
        AmortRows.resize(static_cast<std::size_t>(Loan.NumPmts) + 1);
    LastRow = 0;
    if (Loan.FrstPmtDate > Loan.OrgDate) {
        BuildInitialRow();
        BuildFirstPaymentRow();
    } else {
        BuildFirstPaymentAtOrigination();
    }
    BuildRemainingRows();
    return true;
}

void TAmortSchedule::SetRates(TAmortRow& row) {
    const double rate = AsTyped(row.AnnualRate);
    periodicRate_ = 0.01 * EquivalentRate(PmtsPerYear, CmpPerYear, rate) / PmtsPerYear;
    dailyRate_ = 0.01 * rate / YearBasis;
    row.PeriodicRate = static_cast<float>(periodicRate_);
    row.DailyRate = static_cast<float>(dailyRate_);
}

void TAmortSchedule::ResetInitialRow() {
    TAmortRow& row = AmortRows[0];
    row = TAmortRow();
    row.Date = Loan.OrgDate;
    row.PmtNoYr = "Init/01";
    row.Advance = row.Balance = Loan.PV;
    row.PeriodDays = DaysField(Loan.FrstPmtDate - Loan.OrgDate);
    row.AnnualRate = Loan.Rate;
    FixedPrincipal = Loan.PV / Loan.NumPmts;
    OddDays = 0;
    PeriodDaysNow = 0;
    PeriodFraction = 1.0;
}

void TAmortSchedule::SetRunningTotals(int k) {
    TAmortRow& row = AmortRows[static_cast<std::size_t>(k)];
    if (k == 0) {
        row.RunPayment = row.Payment;
        row.RunPrincipal = row.Principal;
        row.RunInterest = row.Interest;
        return;
    }
    const TAmortRow& prev = AmortRows[static_cast<std::size_t>(k - 1)];
    row.RunPayment = prev.RunPayment + row.Payment;
    row.RunPrincipal = prev.RunPrincipal + row.Principal;
    row.RunInterest = prev.RunInterest + row.Interest;
}

void TAmortSchedule::AddYearTab(TDayNumber date, TDayNumber previous) {
    if (previous == BadDate || YearOf(date) != YearOf(previous)) Years.push_back(YearOf(date));
}

void TAmortSchedule::BuildInitialRow() {
    ResetInitialRow();
    FixedPrincipal = RoundToCents(FixedPrincipal);
    TAmortRow& row = AmortRows[0];
    SetRates(row);

    const TDayNumber prior = PaymentDate(Loan.FrstPmtDate, -1, PmtsPerYear);
    if (prior == Loan.OrgDate) {
        FirstPeriodKind = fpRegular;
    } else if (prior < Loan.OrgDate) {
        FirstPeriodKind = fpShort;
        OddDays = Loan.FrstPmtDate - Loan.OrgDate;
    } else {
        FirstPeriodKind = fpLong;
        OddDays = prior - Loan.OrgDate;
    }
    PeriodDaysNow = DaysPerPeriod(PmtsPerYear);
    PeriodFraction = static_cast<double>(OddDays) / PeriodDaysNow;

    PointsAmount =
        Loan.Points > 0.0f ? RoundToCents(0.01 * AsTyped(Loan.Points) * row.Balance) : 0.0;
    if (PointsPaidHow == ppAmortized && AmortMethod != amUSRule) row.Balance += PointsAmount;
    row.Interest = FirstPeriodKind == fpShort
                       ? 0.0
                       : PeriodInterest(RateBasis, OddDays, dailyRate_, periodicRate_,
                                        PeriodFraction, row.Balance);
    if (PointsPaidHow == ppAtOrigination) row.Interest += PointsAmount;
    // U.S. Rule: the amortized points join the balance after the odd days' interest.
    if (PointsPaidHow == ppAmortized && AmortMethod == amUSRule) row.Balance += PointsAmount;
    row.Payment = row.Interest;
    SetRunningTotals(0);
    AddYearTab(row.Date, BadDate);
}

double TAmortSchedule::FirstPayment(double interest, double balance) const {
    switch (AmortMethod) {
    case amInterestOnly: return interest;
    case amFixedPrincipal: return FixedPrincipal + interest;
    default: return LoanPayment(Loan.NumPmts, PmtsPerYear, CmpPerYear, balance, AsTyped(Loan.Rate));
    }
}

// Rule of 78's interest of payment k: its share of the finance charge, by the sum of the digits
// of the payments that carry interest (all n in arrears; payments 2..n in advance).
double TAmortSchedule::RuleOf78Share(int k) const {
    const double n = Loan.NumPmts;
    const double digits = Loan.FrstPmtDate > Loan.OrgDate ? n * (n + 1) * 0.5 : n * (n - 1) * 0.5;
    if (digits <= 0.0) return 0.0;
    return RoundToCents((n - k + 1) * FinanceCharge / digits);
}

bool TAmortSchedule::EndsAt(int k) const {
    return k >= Loan.NumPmts || AmortRows[static_cast<std::size_t>(k)].Balance <= 0.0;
}

void TAmortSchedule::BuildFirstPaymentRow() {
    const TAmortRow& first = AmortRows[0];
    TAmortRow& row = AmortRows[1];
    row = TAmortRow();
    row.Date = Loan.FrstPmtDate;
    row.PmtNo = 1;
    row.PmtNoYr = PaymentLabel(1, 1);
    PeriodDaysNow =
        RateBasis == rbOrdinary ? DaysPerPeriod(PmtsPerYear) : Loan.FrstPmtDate - Loan.OrgDate;
    row.PeriodDays = DaysField(PeriodDaysNow);
    row.AnnualRate = first.AnnualRate;
    SetRates(row);
    if (FirstPeriodKind != fpShort) {
        PeriodFraction = 1.0;
        if (RateBasis != rbOrdinary) PeriodDaysNow -= OddDays; // charged in row 0
    }
    if (AmortMethod != amRuleOf78)
        row.Interest = PeriodInterest(RateBasis, PeriodDaysNow, dailyRate_, periodicRate_,
                                      PeriodFraction, first.Balance);
    row.Payment = FirstPayment(row.Interest, first.Balance);
    // The finance charge is that of the regular payments: points paid with the first payment
    // are neither part of it nor principal.
    FinanceCharge = Loan.NumPmts * row.Payment - first.Balance;
    if (AmortMethod == amRuleOf78) row.Interest = RuleOf78Share(1);
    if (PointsPaidHow == ppWithFirstPayment) {
        row.Interest += PointsAmount;
        row.Payment += PointsAmount;
    }
    row.Principal = row.Payment - row.Interest;
    row.Balance = first.Balance - row.Principal;
    if (EndsAt(1)) AdjustLastPayment(1);
    SetRunningTotals(1);
    // Later rows repeat the regular payment; the points go back into row 1 at the end.
    if (PointsPaidHow == ppWithFirstPayment) row.Payment -= PointsAmount;
    AddYearTab(row.Date, first.Date);
}

void TAmortSchedule::BuildFirstPaymentAtOrigination() {
    ResetInitialRow();
    // Every payment is in cents, also the fixed principal share paid in advance.
    FixedPrincipal = RoundToCents(FixedPrincipal);
    FirstPeriodKind = fpRegular;
    TAmortRow& first = AmortRows[0];
    SetRates(first);
    TAmortRow& row = AmortRows[1];
    row = TAmortRow();
    row.Date = Loan.FrstPmtDate;
    row.PmtNo = 1;
    row.PmtNoYr = PaymentLabel(1, 1);
    PeriodDaysNow = RateBasis == rbOrdinary ? DaysPerPeriod(PmtsPerYear) : 0;
    row.PeriodDays = DaysField(PeriodDaysNow);
    row.AnnualRate = first.AnnualRate;
    SetRates(row);
    switch (AmortMethod) {
    case amInterestOnly: row.Payment = 0.0; break;
    case amFixedPrincipal: row.Payment = FixedPrincipal; break;
    default:
        row.Payment = LoanPaymentAdvance(Loan.NumPmts, PmtsPerYear, CmpPerYear, first.Balance,
                                         AsTyped(Loan.Rate));
    }
    FinanceCharge = Loan.NumPmts * row.Payment - first.Balance;
    row.Principal = row.Payment - row.Interest;
    PointsAmount =
        Loan.Points > 0.0f ? RoundToCents(0.01 * AsTyped(Loan.Points) * first.Balance) : 0.0;
    if (PointsPaidHow == ppAmortized) {
        first.Balance += PointsAmount;
    } else {
        row.Interest += PointsAmount;
        row.Payment += PointsAmount;
    }
    row.Balance = first.Balance - row.Principal;
    if (EndsAt(1)) AdjustLastPayment(1);
    SetRunningTotals(1);
    if (PointsPaidHow != ppAmortized) row.Payment -= PointsAmount;
    AddYearTab(row.Date, BadDate);
}

void TAmortSchedule::BuildRemainingRows() {
    Progress(2);
    const int n = Loan.NumPmts;
    for (int k = 2; k <= n && AmortRows[static_cast<std::size_t>(k - 1)].Balance > 0.0; ++k) {
        const TAmortRow& prev = AmortRows[static_cast<std::size_t>(k - 1)];
        TAmortRow& row = AmortRows[static_cast<std::size_t>(k)];
        row = TAmortRow();
        row.Date = PaymentDate(Loan.FrstPmtDate, k - 1, PmtsPerYear);
        if (RateBasis != rbOrdinary) PeriodDaysNow = row.Date - prev.Date;
        row.PeriodDays = DaysField(PeriodDaysNow);
        row.PmtNo = static_cast<Word>(k);
        row.PmtNoYr = PaymentLabel(k, (k - 1) / PmtsPerYear + 1);
        row.AnnualRate = prev.AnnualRate;
        SetRates(row);
        if (AmortMethod != amRuleOf78)
            row.Interest = PeriodInterest(RateBasis, PeriodDaysNow, dailyRate_, periodicRate_, 1.0,
                                          prev.Balance);
        switch (AmortMethod) {
        case amInterestOnly: row.Payment = row.Interest; break;
        case amFixedPrincipal: row.Payment = FixedPrincipal + row.Interest; break;
        default: row.Payment = prev.Payment;
        }
        if (AmortMethod == amRuleOf78) row.Interest = RuleOf78Share(k);
        row.Principal = row.Payment - row.Interest;
        row.Balance = prev.Balance - row.Principal;
        if (EndsAt(k)) AdjustLastPayment(k);
        SetRunningTotals(k);
        AddYearTab(row.Date, prev.Date);
        Progress(static_cast<int>(Round(100.0 * k / n)));
    }
    const bool pointsInFirstPayment =
        PointsPaidHow == ppWithFirstPayment ||
        (PointsPaidHow == ppAtOrigination && Loan.FrstPmtDate == Loan.OrgDate);
    if (pointsInFirstPayment) AmortRows[1].Payment += PointsAmount;
}

void TAmortSchedule::AdjustLastPayment(int k) {
    TAmortRow& row = AmortRows[static_cast<std::size_t>(k)];
    const double d = std::fabs(row.Balance);
    if (row.Balance >= 0.0) {
        row.Principal += d;
        row.Payment += d;
    } else {
        if (row.Principal > d) {
            row.Principal -= d;
        } else {
            row.Interest -= d - row.Principal;
            row.Principal = 0.0;
        }
        row.Payment -= d;
    }
    row.Balance = 0.0;
    LastRow = k;
}

void TAmortSchedule::Progress(int percent) const {
    if (OnProgress) OnProgress(percent);
}

std::string TAmortSchedule::TabCaption(int tab) const {
    if (tab <= 0 || tab >= TabCount()) return "All";
    return Format("%.2d", {Years[static_cast<std::size_t>(tab - 1)] % 100});
}

int TAmortSchedule::FindFirstOnOrAfter(TDayNumber date) const {
    int k = 0;
    while (k < LastRow && AmortRows[static_cast<std::size_t>(k)].Date < date)
        ++k;
    return k;
}

int TAmortSchedule::FindLastOnOrBefore(TDayNumber date) const {
    int k = LastRow;
    while (k > 0 && AmortRows[static_cast<std::size_t>(k)].Date > date)
        --k;
    return k;
}

void TAmortSchedule::YearRange(int tab, int& first, int& last) const {
    first = 0;
    last = LastRow;
    if (tab <= 0 || tab >= TabCount()) return;
    const int year = Years[static_cast<std::size_t>(tab - 1)];
    if (tab > 1) first = FindFirstOnOrAfter(DMYToDate(1, 1, year, 0));
    if (tab < TabCount() - 1) last = FindLastOnOrBefore(DMYToDate(31, 12, year, 0));
}

TYearTotals TAmortSchedule::YearTotals(int tab) const {
    int first, last;
    YearRange(tab, first, last);
    TYearTotals totals;
    for (int k = first; k <= last; ++k) {
        const TAmortRow& row = AmortRows[static_cast<std::size_t>(k)];
        totals.YearPayment += row.Payment;
        totals.YearPrincipal += row.Principal;
        totals.YearInterest += row.Interest;
    }
    const TAmortRow& end = AmortRows[static_cast<std::size_t>(last)];
    totals.RunPayment = end.RunPayment;
    totals.RunPrincipal = end.RunPrincipal;
    totals.RunInterest = end.RunInterest;
    return totals;
}
