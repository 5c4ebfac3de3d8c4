// The loan mathematics every calculator and advisor shares: the choice lists of their drop-down
// boxes, payment frequencies, date stepping by one payment period, rate conversion between
// compounding and payment frequencies, periodic payments, balance run-downs by amortization
// method, the country money masks of the entry fields and the file dialogs of the advisors.
//
// Money results are rounded to cents the one way the runtime writes money with two decimals
// (RoundToCents); payments and each period's interest are rounded, balances and totals are not.
// No result is ever infinite or not a number: such a computation raises EOverflow or EInvalidOp.
#pragma once

#include "controls/entry/DayNumberDates.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <concepts>
#include <memory>
#include <string>

// Amortization methods and payment timings: the item indexes of their lists.
enum : Byte {
    amCanadian = 0,
    amInterestOnly = 1,
    amFixedPrincipal = 2,
    amNormal = 3,
    amRuleOf78 = 4,
    amUSRule = 5
};
enum : Byte { ptAdvance = 0, ptArrears = 1 };
// Frequency list indexes the calculators start from.
constexpr Byte DefaultFrequency = 3;    // "Monthly"
constexpr Byte CanadianCompounding = 6; // "SemiAnnually"
constexpr Byte DefaultTiming = ptArrears;
constexpr Byte DefaultAmortMethod = amNormal;

// The shared choice lists; an item's index is the code kept in the calculators' records.
extern TStringList AmortMethodList;
extern TStringList DayCountList;
extern TStringList YearBasisList;
extern TStringList CompoundingList;
extern TStringList FrequencyList;
extern TStringList PaymentFrequencyList; // its index + 1 is the frequency index
extern TStringList TimingList;
extern TStringList DeductibleList;
extern TStringList PointsPaidList;
extern TStringList FeeTimingList;

void FillAmortMethodList();
void FillDayCountList();
void FillYearBasisList();
void FillCompoundingList();
void FillFrequencyList();
void FillPaymentFrequencyList();
void FillTimingList();
void FillDeductibleList();
void FillPointsPaidList();
void FillFeeTimingList();

// Periods a year of a frequency index (taken modulo 128; "Continuous" counts 12); 0 for an
// index past the list.
Word PeriodsPerYear(Byte index);
// Days of one period for 1, 2, 4, 6, 12, 26, 52 or 365 periods a year; 0 for any other count.
Word DaysPerPeriod(Word periodsPerYear);
// The date one payment period before or after; any count but those above keeps the date.
// Stepping back by months from the last day of a month lands on the last day of the earlier
// month (the end-of-month rule: 28 February less a month is 31 January).
TDayNumber PriorPeriodDate(TDayNumber date, Word periodsPerYear);
TDayNumber NextPeriodDate(TDayNumber date, Word periodsPerYear);
// True when date is the last day of its month.
bool IsLastDayOfMonth(TDayNumber date);
// The last day of the month `months` months before the month of date; BadDate when it lies
// outside the day numbers.
TDayNumber MonthEndBefore(TDayNumber date, int months);

// The value rounded to cents: taken to 15 significant digits, then half away from zero.
double RoundToCents(double value);

// A value of a single-precision field (a rate, a share, points) as the user typed it: the
// shortest decimal that the single represents, as a double (the single 6.28 is
// 6.28000020980835, its typed value 6.28). The records and files keep singles; every
// computation starts from this value, so results agree with the figures the user sees.
double AsTyped(float value);

// Rates in percent are doubles in the arithmetic below. A single passed for one would be
// computed with the binary value the single holds, not with the rate the user typed: such a
// call does not compile, and the caller passes AsTyped(single) instead.
template <typename T>
concept SinglePrecision = std::same_as<T, float>;

// The annual rate, in percent, paid paymentsPerYear times that equals annualRate compounded
// compoundingsPerYear times.
double EquivalentRate(Word paymentsPerYear, Word compoundingsPerYear, double annualRate);
template <SinglePrecision T>
double EquivalentRate(Word, Word, T) = delete;
// The payment in arrears and in advance that repays principal in `periods` payments; a zero
// rate gives principal / periods.
double LoanPayment(Word periods, Word paymentsPerYear, Word compoundingsPerYear, double principal,
                   double annualRate);
double LoanPaymentAdvance(Word periods, Word paymentsPerYear, Word compoundingsPerYear,
                          double principal, double annualRate);
template <SinglePrecision T>
double LoanPayment(Word, Word, Word, double, T) = delete;
template <SinglePrecision T>
double LoanPaymentAdvance(Word, Word, Word, double, T) = delete;
// The payment of an amortization method at a periodic rate (a fraction), in arrears and in
// advance. "Fixed Principal" gives its first, largest payment.
double PaymentByMethod(Byte method, double periodicRate, double periods, double principal);
double PaymentByMethodAdvance(Byte method, double periodicRate, double periods, double principal);
// Runs payments first..last (in arrears) of a loan of `periods` payments from balance, adding
// each period's interest to totalInterest; returns the balance, also left in balance. A loan
// paid off, or its last payment reached, leaves a balance of 0.
double AmortizeRange(double& balance, double& totalInterest, int first, Byte method, int periods,
                     int last, double periodicRate, double payment, double principal);
// The balance after payment `last` of payments in advance, starting from balance at payment
// `first`; payment 1 is made at the start of the loan and carries no interest.
double BalanceAfterPayment(int first, int last, int periods, Byte method, double periodicRate,
                           double payment, double principal, double balance);
// n x x - y.
double MulSub(int n, double x, double y);
// s without its first ch (the "&" of a caption).
std::string RemoveChar(char ch, const std::string& s);
// Width in inches of each of the two columns of a calculator's printout.
double ReportColumnWidth(int fontSize);

// The entry-field masks of the Windows country in use.
class TMasks {
public:
    // Reads "iCountry" of the profile's "intl" section and chooses the masks.
    TMasks();

    // The money picture follows the international settings' currency text and placement
    // (MoneyPicture in TextRoutines.h), so that every currency the profile can name fits and stands
    // on its side of the amount.
    void ChooseMasks();
    // The money picture: at most 20 characters (a currency text of five and its blank).
    void GetCurrencyMask(std::string& mask) const;
    // The default date picture of the international settings, with a four-digit year when
    // forceCentury, at most 10 characters.
    void GetDateMask(bool forceCentury, std::string& mask) const;

    const std::string& CurrencyMask() const { return currencyMask_; }
    const std::string& RateMask() const { return rateMask_; }
    const std::string& CountMask() const { return countMask_; }
    Word Country() const { return country_; }

private:
    std::string currencyMask_;
    std::string rateMask_;
    std::string countMask_;
    Word country_ = 0;
};

// The masks object, made by the main window at start-up.
extern std::unique_ptr<TMasks> Masks;

// The open and save dialogs of the advisors' files: description and "*." + extension, then all
// files. fileName is the chosen name (a saved name always ends in "." + extension), or empty
// when the user cancels, or declines to replace an existing file the extension leads to.
void AskOpenFileName(const std::string& description, const std::string& extension,
                     std::string& fileName);
void AskSaveFileName(const std::string& description, const std::string& extension,
                     std::string& fileName);
