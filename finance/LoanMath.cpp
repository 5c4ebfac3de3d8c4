#include "finance/LoanMath.h"

#include "controls/entry/RegionalConventions.h"
#include "finance/TextRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Strings.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <iterator>

TStringList AmortMethodList;
TStringList DayCountList;
TStringList YearBasisList;
TStringList CompoundingList;
TStringList FrequencyList;
TStringList PaymentFrequencyList;
TStringList TimingList;
TStringList DeductibleList;
TStringList PointsPaidList;
TStringList FeeTimingList;

std::unique_ptr<TMasks> Masks;

namespace {

void Fill(TStringList& list, std::initializer_list<const char*> items) {
    list.Clear();
    for (const char* item : items)
        list.Add(item);
}

// A computed amount as a result: infinities and not-a-numbers raise instead of reaching anyone.
double Checked(double value) {
    if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
    if (std::isinf(value)) throw EOverflow("Floating point overflow");
    return value;
}

// The periodic rate (a fraction) of a loan.
double PeriodicRate(Word paymentsPerYear, Word compoundingsPerYear, double annualRate) {
    return EquivalentRate(paymentsPerYear, compoundingsPerYear, annualRate) * 0.01 /
           paymentsPerYear;
}

// 1 - (1 + i) ^ power for a periodic rate i, exact also for rates so small that 1 + i is 1 to
// the last bits of a double.
double OneLessGrowth(double periodicRate, double power) {
    return -std::expm1(std::log1p(periodicRate) * power);
}

// The payment in arrears that repays principal over n periods at rate i.
double AnnuityArrears(double principal, double i, double n) {
    if (i == 0.0) return RoundToCents(principal / n);
    return RoundToCents(principal * i / OneLessGrowth(i, -n));
}

// The payment in advance that repays principal over n periods at rate i.
double AnnuityAdvance(double principal, double i, double n) {
    if (i == 0.0) return RoundToCents(principal / n);
    return RoundToCents(principal / (1.0 + OneLessGrowth(i, 1.0 - n) / i));
}

// One period of a run: the period's (rounded) interest added and the payment taken.
// True when the loan ends with this payment: it is the last one or nothing is owed any more
// (a zero balance goes on only when zeroEnds is false); then the balance is 0.
bool PayPeriod(double& balance, double interest, double payment, Int64 k, int periods,
               bool zeroEnds) {
    balance = balance + interest - payment;
    const bool paidOff = zeroEnds ? balance <= 0.0 : balance < 0.0;
    if (paidOff || k == periods) {
        balance = 0.0;
        return true;
    }
    return false;
}

// Rule of 78's interest of payment k: its share of the finance charge.
double RuleOf78Interest(Int64 k, int periods, double financeCharge, double divisor) {
    return (periods - (k - 1)) * financeCharge / divisor;
}

} // namespace

void FillAmortMethodList() {
    Fill(AmortMethodList,
         {"Canadian", "Interest Only", "Fixed Principal", "Normal", "Rule of 78's", "U.S. Rule"});
}
void FillDayCountList() {
    Fill(DayCountList, {"Ordinary", "Exact/360", "Exact/365"});
}
void FillYearBasisList() {
    Fill(YearBasisList, {"360", "365"});
}
void FillCompoundingList() {
    Fill(CompoundingList, {"Simple", "Continuous", "Daily", "Weekly", "BiWeekly", "Monthly",
                           "BiMonthly", "Quarterly", "SemiAnnually", "Annually"});
}
void FillFrequencyList() {
    Fill(FrequencyList, {"Daily", "Weekly", "BiWeekly", "Monthly", "BiMonthly", "Quarterly",
                         "SemiAnnually", "Annually", "Continuous"});
}
void FillPaymentFrequencyList() {
    Fill(PaymentFrequencyList,
         {"Weekly", "BiWeekly", "Monthly", "BiMonthly", "Quarterly", "SemiAnnually", "Annually"});
}
void FillTimingList() {
    Fill(TimingList, {"Advance", "Arrears"});
}
void FillDeductibleList() {
    Fill(DeductibleList, {"Deductible", "Not Deductible"});
}
void FillPointsPaidList() {
    Fill(PointsPaidList, {"Prepaid", "Amortized"});
}
void FillFeeTimingList() {
    Fill(FeeTimingList, {"At Origination", "With 1st Payment", "Amortized"});
}

Word PeriodsPerYear(Byte index) {
    static const Word periods[] = {365, 52, 26, 12, 6, 4, 2, 1, 12};
    const Byte i = index % 128;
    return i < std::size(periods) ? periods[i] : 0;
}

Word DaysPerPeriod(Word periodsPerYear) {
    switch (periodsPerYear) {
    case 1: return 360;
    case 2: return 180;
    case 4: return 90;
    case 6: return 60;
    case 12: return 30;
    case 26: return 14;
    case 52: return 7;
    case 365: return 1;
    default: return 0;
    }
}

namespace {

// The date moved by `direction` (1 or -1) payment periods.
TDayNumber StepPeriod(TDayNumber date, Word periodsPerYear, int direction) {
    // Periods of whole months: 1, 2, 4, 6 or 12 a year (3 is no payment frequency).
    const bool months = periodsPerYear <= 12 && DaysPerPeriod(periodsPerYear) != 0;
    if (months && direction < 0 && IsLastDayOfMonth(date))
        return MonthEndBefore(date, 12 / periodsPerYear);
    switch (periodsPerYear) {
    case 1: return IncDate(date, 0, 0, direction);
    case 2: return IncDate(date, 0, 6 * direction, 0);
    case 4: return IncDate(date, 0, 3 * direction, 0);
    case 6: return IncDate(date, 0, 2 * direction, 0);
    case 12: return IncDate(date, 0, direction, 0);
    case 26: return IncDate(date, 14 * direction, 0, 0);
    case 52: return IncDate(date, 7 * direction, 0, 0);
    case 365: return IncDate(date, direction, 0, 0);
    default: return date;
    }
}

} // namespace

bool IsLastDayOfMonth(TDayNumber date) {
    int day = 0, month = 0, year = 0;
    DateToDMY(date, day, month, year);
    return day != 0 && day == DaysInMonth(month, year, 0);
}

TDayNumber MonthEndBefore(TDayNumber date, int months) {
    const TDayNumber stepped = IncDateTrunc(date, -months, 0);
    int day = 0, month = 0, year = 0;
    DateToDMY(stepped, day, month, year);
    if (day == 0) return BadDate;
    return DMYToDate(DaysInMonth(month, year, 0), month, year, 0);
}

TDayNumber PriorPeriodDate(TDayNumber date, Word periodsPerYear) {
    return StepPeriod(date, periodsPerYear, -1);
}

TDayNumber NextPeriodDate(TDayNumber date, Word periodsPerYear) {
    return StepPeriod(date, periodsPerYear, 1);
}

double RoundToCents(double value) {
    return RoundHalfAway15(Checked(value), 2);
}

double AsTyped(float value) {
    char text[32];
    const auto written = std::to_chars(std::begin(text), std::end(text), value);
    double typed = 0.0;
    std::from_chars(std::begin(text), written.ptr, typed);
    return typed;
}

double EquivalentRate(Word paymentsPerYear, Word compoundingsPerYear, double annualRate) {
    const double p = paymentsPerYear;
    const double c = compoundingsPerYear;
    if (paymentsPerYear == compoundingsPerYear) return annualRate;
    return Checked(p * std::expm1(std::log1p(annualRate * 0.01 / c) * c / p) * 100.0);
}

double LoanPayment(Word periods, Word paymentsPerYear, Word compoundingsPerYear, double principal,
                   double annualRate) {
    const double i = PeriodicRate(paymentsPerYear, compoundingsPerYear, annualRate);
    return AnnuityArrears(principal, i, periods);
}

double LoanPaymentAdvance(Word periods, Word paymentsPerYear, Word compoundingsPerYear,
                          double principal, double annualRate) {
    const double i = PeriodicRate(paymentsPerYear, compoundingsPerYear, annualRate);
    return AnnuityAdvance(principal, i, periods);
}

double PaymentByMethod(Byte method, double periodicRate, double periods, double principal) {
    switch (method) {
    case amInterestOnly: return RoundToCents(principal * periodicRate);
    case amFixedPrincipal: return RoundToCents(principal / periods + principal * periodicRate);
    default: return AnnuityArrears(principal, periodicRate, periods);
    }
}

double PaymentByMethodAdvance(Byte method, double periodicRate, double periods, double principal) {
    switch (method) {
    case amInterestOnly: return 0.0;
    case amFixedPrincipal: return RoundToCents(principal / periods);
    default: return AnnuityAdvance(principal, periodicRate, periods);
    }
}

double AmortizeRange(double& balance, double& totalInterest, int first, Byte method, int periods,
                     int last, double periodicRate, double payment, double principal) {
    if (first > last) return balance;
    switch (method) {
    case amCanadian:
    case amNormal:
    case amUSRule:
        for (Int64 k = first; k <= last; ++k) {
            const double interest = RoundToCents(balance * periodicRate);
            totalInterest += interest;
            if (PayPeriod(balance, interest, payment, k, periods, true)) break;
        }
        break;
    case amInterestOnly: balance = principal; break;
    case amFixedPrincipal: {
        const double part = RoundToCents(balance / periods);
        for (Int64 k = first; k <= last; ++k) {
            const double interest = RoundToCents(balance * periodicRate);
            totalInterest += interest;
            if (PayPeriod(balance, 0.0, part, k, periods, true)) break;
        }
        break;
    }
    case amRuleOf78: {
        const double charge = MulSub(periods, payment, principal);
        const double divisor = periods * (periods + 1.0) * 0.5;
        for (Int64 k = first; k <= last; ++k) {
            const double interest = RoundToCents(RuleOf78Interest(k, periods, charge, divisor));
            totalInterest += interest;
            if (PayPeriod(balance, interest, payment, k, periods, false)) break;
        }
        break;
    }
    default: break;
    }
    return Checked(balance);
}

double BalanceAfterPayment(int first, int last, int periods, Byte method, double periodicRate,
                           double payment, double principal, double balance) {
    if (method == amInterestOnly) return principal;
    if (method > amUSRule || first > last) return Checked(balance);
    // Payment 1 falls on the first day of the loan: it repays principal only.
    const double part = method == amFixedPrincipal ? RoundToCents(balance / periods) : payment;
    if (first <= 1) {
        if (PayPeriod(balance, 0.0, part, 1, periods, method != amRuleOf78))
            return Checked(balance);
        first = 2;
    }
    switch (method) {
    case amFixedPrincipal:
        for (Int64 k = first; k <= last; ++k)
            if (PayPeriod(balance, 0.0, part, k, periods, true)) break;
        break;
    case amRuleOf78: {
        const double charge = MulSub(periods - 1, payment, principal - payment);
        const double divisor = (periods - 1.0) * periods * 0.5;
        for (Int64 k = first; k <= last; ++k)
            if (PayPeriod(balance, RoundToCents(RuleOf78Interest(k, periods, charge, divisor)),
                          payment, k, periods, false))
                break;
        break;
    }
    default:
        for (Int64 k = first; k <= last; ++k)
            if (PayPeriod(balance, RoundToCents(balance * periodicRate), payment, k, periods, true))
                break;
        break;
    }
    return Checked(balance);
}

double MulSub(int n, double x, double y) {
    return n * x - y;
}

std::string RemoveChar(char ch, const std::string& s) {
    std::string result = s;
    const std::size_t at = result.find(ch);
    if (at != std::string::npos) result.erase(at, 1);
    return result;
}

double ReportColumnWidth(int fontSize) {
    if (fontSize >= 1 && fontSize <= 8) return 1.5;
    if (fontSize >= 9 && fontSize <= 10) return 2.0;
    if (fontSize >= 11 && fontSize <= 12) return 2.5;
    if (fontSize >= 13 && fontSize <= 14) return 3.0;
    return 3.25;
}

TMasks::TMasks() {
    // A country code outside 16 bits is no country: it reads as the default 0.
    const int country = GetProfileInt("intl", "iCountry", 0);
    country_ = static_cast<Word>(country < 0 || country > 0xFFFF ? 0 : country);
    ChooseMasks();
}

void TMasks::ChooseMasks() {
    currencyMask_ = MoneyPicture(VcIntlSup());
    rateMask_ = "##.####";
    countMask_ = "999,999";
}

void TMasks::GetCurrencyMask(std::string& mask) const {
    mask = currencyMask_;
}

void TMasks::GetDateMask(bool forceCentury, std::string& mask) const {
    mask = VcIntlSup().DefaultDatePicture(forceCentury).substr(0, 10);
}

namespace {

constexpr std::size_t MaxFileName = 255;

std::string FileFilter(const std::string& description, const std::string& extension) {
    return description + "|*." + extension + "|All files (*.*)|*.*";
}

// Runs the dialog made for this call; the chosen name (at most 255 characters) or "".
std::string RunFileDialog(TOpenDialog& dialog, const std::string& description,
                          const std::string& extension, TOpenOptions options) {
    dialog.SetFilter(FileFilter(description, extension));
    dialog.SetOptions(options);
    dialog.SetFileName("*." + extension);
    return dialog.Execute() ? dialog.FileName().substr(0, MaxFileName) : std::string();
}

} // namespace

void AskOpenFileName(const std::string& description, const std::string& extension,
                     std::string& fileName) {
    TOpenDialog dialog(nullptr);
    fileName = RunFileDialog(dialog, description, extension,
                             {ofHideReadOnly, ofShowHelp, ofPathMustExist, ofFileMustExist});
}

void AskSaveFileName(const std::string& description, const std::string& extension,
                     std::string& fileName) {
    TSaveDialog dialog(nullptr);
    // The dialog adds the extension to a name typed without one, so what it asks before
    // replacing an existing file concerns the file that is written.
    dialog.SetDefaultExt(extension);
    fileName = RunFileDialog(dialog, description, extension,
                             {ofOverwritePrompt, ofHideReadOnly, ofShowHelp, ofPathMustExist});
    if (fileName.empty()) return;
    std::filesystem::path path(fileName);
    if (!SameText(path.extension().string(), "." + extension)) {
        path.replace_extension("." + extension);
        fileName = path.string();
        // The dialog asked about the name as typed; the file written is another one, so an
        // existing file of that name is only replaced when the user says so.
        std::error_code error;
        if (std::filesystem::exists(path, error) &&
            MessageDlg(fileName + " already exists.\n\nDo you want to replace it?", mtConfirmation,
                       mbYesNo, 0) != mrYes)
            fileName.clear();
    }
}
