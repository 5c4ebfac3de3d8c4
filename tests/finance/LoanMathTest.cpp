#include "finance/LoanMath.h"
#include "finance/TextRoutines.h"

#include "controls/entry/RegionalConventions.h"
#include "platform/rtl/Regional.h"
#include "tests/entry/TestProfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

std::vector<std::string> Items(const TStringList& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list[i]);
    return items;
}

TEST(LoMathLists, FilledInCodeOrder) {
    FillAmortMethodList();
    FillAmortMethodList();
    EXPECT_EQ(Items(AmortMethodList),
              (std::vector<std::string>{"Canadian", "Interest Only", "Fixed Principal", "Normal",
                                        "Rule of 78's", "U.S. Rule"}));
    FillFrequencyList();
    FillFrequencyList();
    EXPECT_EQ(FrequencyList.Count(), 9);
    EXPECT_EQ(FrequencyList[3], "Monthly");
    EXPECT_EQ(FrequencyList[8], "Continuous");
    FillPaymentFrequencyList();
    EXPECT_EQ(PaymentFrequencyList.Count(), 7);
    EXPECT_EQ(PaymentFrequencyList[2], FrequencyList[3]);
    FillCompoundingList();
    EXPECT_EQ(CompoundingList.Count(), 10);
    EXPECT_EQ(CompoundingList[0], "Simple");
    FillTimingList();
    EXPECT_EQ(Items(TimingList), (std::vector<std::string>{"Advance", "Arrears"}));
    FillDayCountList();
    FillYearBasisList();
    FillDeductibleList();
    FillPointsPaidList();
    FillFeeTimingList();
    EXPECT_EQ(Items(DayCountList),
              (std::vector<std::string>{"Ordinary", "Exact/360", "Exact/365"}));
    EXPECT_EQ(Items(YearBasisList), (std::vector<std::string>{"360", "365"}));
    EXPECT_EQ(Items(DeductibleList), (std::vector<std::string>{"Deductible", "Not Deductible"}));
    EXPECT_EQ(Items(PointsPaidList), (std::vector<std::string>{"Prepaid", "Amortized"}));
    EXPECT_EQ(Items(FeeTimingList),
              (std::vector<std::string>{"At Origination", "With 1st Payment", "Amortized"}));
}

TEST(LoMathFrequencies, PeriodsAndDays) {
    const Word periods[] = {365, 52, 26, 12, 6, 4, 2, 1, 12};
    for (Byte i = 0; i < 9; ++i)
        EXPECT_EQ(PeriodsPerYear(i), periods[i]);
    EXPECT_EQ(PeriodsPerYear(128 + 3), 12);
    EXPECT_EQ(PeriodsPerYear(9), 0);
    EXPECT_EQ(PeriodsPerYear(127), 0);
    const std::pair<Word, Word> days[] = {{1, 360}, {2, 180}, {4, 90}, {6, 60},
                                          {12, 30}, {26, 14}, {52, 7}, {365, 1}};
    for (const auto& [p, d] : days)
        EXPECT_EQ(DaysPerPeriod(p), d);
    EXPECT_EQ(DaysPerPeriod(3), 0);
    EXPECT_EQ(DaysPerPeriod(0), 0);
}

TEST(LoMathPeriodDates, StepOnePeriod) {
    const TDayNumber d = DMYToDate(31, 1, 2000, 0);
    EXPECT_EQ(NextPeriodDate(d, 1), DMYToDate(31, 1, 2001, 0));
    EXPECT_EQ(NextPeriodDate(d, 2), DMYToDate(31, 7, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 4), DMYToDate(1, 5, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 6), DMYToDate(31, 3, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 12), DMYToDate(2, 3, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 26), DMYToDate(14, 2, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 52), DMYToDate(7, 2, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 365), DMYToDate(1, 2, 2000, 0));
    EXPECT_EQ(PriorPeriodDate(d, 12), DMYToDate(31, 12, 1999, 0));
    EXPECT_EQ(PriorPeriodDate(d, 1), DMYToDate(31, 1, 1999, 0));
    EXPECT_EQ(PriorPeriodDate(d, 52), DMYToDate(24, 1, 2000, 0));
    EXPECT_EQ(NextPeriodDate(d, 3), d);
    EXPECT_EQ(PriorPeriodDate(d, 3), d); // also from the last day of a month
    EXPECT_EQ(PriorPeriodDate(DMYToDate(30, 4, 2000, 0), 3), DMYToDate(30, 4, 2000, 0));
    EXPECT_EQ(PriorPeriodDate(d, 0), d);
    EXPECT_EQ(NextPeriodDate(MaxDayNumber, 12), BadDate);
    EXPECT_EQ(PriorPeriodDate(BadDate, 12), BadDate);
}

TEST(LoMathPeriodDates, EndOfMonthStepsBackToTheEndOfTheEarlierMonth) {
    EXPECT_EQ(PriorPeriodDate(DMYToDate(28, 2, 2021, 0), 12), DMYToDate(31, 1, 2021, 0));
    EXPECT_EQ(PriorPeriodDate(DMYToDate(28, 2, 2021, 0), 2), DMYToDate(31, 8, 2020, 0));
    EXPECT_EQ(PriorPeriodDate(DMYToDate(29, 2, 2024, 0), 4), DMYToDate(30, 11, 2023, 0));
    EXPECT_EQ(PriorPeriodDate(DMYToDate(30, 4, 2021, 0), 6), DMYToDate(28, 2, 2021, 0));
    // A day before the end of its month keeps its day; day counts are not months.
    EXPECT_EQ(PriorPeriodDate(DMYToDate(27, 2, 2021, 0), 12), DMYToDate(27, 1, 2021, 0));
    EXPECT_EQ(PriorPeriodDate(DMYToDate(28, 2, 2021, 0), 52), DMYToDate(21, 2, 2021, 0));
}

TEST(LoMathPeriodDates, LastDaysOfMonths) {
    EXPECT_TRUE(IsLastDayOfMonth(DMYToDate(29, 2, 2024, 0)));
    EXPECT_FALSE(IsLastDayOfMonth(DMYToDate(28, 2, 2024, 0)));
    EXPECT_TRUE(IsLastDayOfMonth(DMYToDate(28, 2, 2023, 0)));
    EXPECT_TRUE(IsLastDayOfMonth(DMYToDate(31, 12, 2023, 0)));
    EXPECT_FALSE(IsLastDayOfMonth(DMYToDate(30, 12, 2023, 0)));
    EXPECT_TRUE(IsLastDayOfMonth(DMYToDate(30, 4, 2023, 0)));
    EXPECT_FALSE(IsLastDayOfMonth(BadDate));
    // The month ends counted back from any day of a month, across years and leap days.
    EXPECT_EQ(MonthEndBefore(DMYToDate(15, 3, 2024, 0), 1), DMYToDate(29, 2, 2024, 0));
    EXPECT_EQ(MonthEndBefore(DMYToDate(15, 3, 2024, 0), 0), DMYToDate(31, 3, 2024, 0));
    EXPECT_EQ(MonthEndBefore(DMYToDate(31, 1, 2024, 0), 13), DMYToDate(31, 12, 2022, 0));
    EXPECT_EQ(MonthEndBefore(DMYToDate(31, 1, 1600, 0), 1), BadDate);
    EXPECT_EQ(MonthEndBefore(BadDate, 1), BadDate);
}

TEST(LoMathRounding, HalfAwayFromZeroAtFifteenDigits) {
    EXPECT_DOUBLE_EQ(RoundToCents(125.125), 125.13);
    EXPECT_DOUBLE_EQ(RoundToCents(-125.125), -125.13);
    EXPECT_DOUBLE_EQ(RoundToCents(2.675), 2.68);
    EXPECT_DOUBLE_EQ(RoundToCents(0.005), 0.01);
    EXPECT_DOUBLE_EQ(RoundToCents(1234567890123.45), 1234567890123.45);
    EXPECT_DOUBLE_EQ(RoundToCents(98765432109876.5), 98765432109876.5);
    EXPECT_DOUBLE_EQ(RoundToCents(1e20), 1e20);
    EXPECT_THROW(RoundToCents(std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(RoundToCents(-std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(RoundToCents(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
}

TEST(LoMathEquivalentRate, ConvertsBetweenFrequencies) {
    EXPECT_NEAR(EquivalentRate(12, 2, 10), 12 * (std::pow(1.05, 1.0 / 6) - 1) * 100, 1e-12);
    EXPECT_NEAR(EquivalentRate(12, 2, 10), 9.79782, 5e-6);
    EXPECT_EQ(EquivalentRate(12, 12, 8), 8.0);
    EXPECT_EQ(EquivalentRate(4, 4, 0), 0.0);
    EXPECT_NEAR(EquivalentRate(1, 12, 12), (std::pow(1.01, 12) - 1) * 100, 1e-12);
    EXPECT_EQ(EquivalentRate(12, 2, 0), 0.0);
    EXPECT_THROW(EquivalentRate(12, 2, -300), EInvalidOp);
    EXPECT_THROW(EquivalentRate(12, 0, 5), EInvalidOp);
}

TEST(LoMathLoanPayment, KnownLoans) {
    EXPECT_DOUBLE_EQ(LoanPayment(360, 12, 12, 100000, 8), 733.76);
    EXPECT_DOUBLE_EQ(LoanPaymentAdvance(360, 12, 12, 100000, 8), 728.91);
    EXPECT_DOUBLE_EQ(LoanPayment(1, 12, 12, 1000, 12), 1010.00);
    EXPECT_DOUBLE_EQ(LoanPaymentAdvance(1, 12, 12, 1000, 12), 1000.00);
}

TEST(LoMathLoanPayment, ZeroRateSharesThePrincipal) {
    EXPECT_DOUBLE_EQ(LoanPayment(360, 12, 12, 100000, 0), 277.78);
    EXPECT_DOUBLE_EQ(LoanPaymentAdvance(360, 12, 12, 100000, 0), 277.78);
    EXPECT_DOUBLE_EQ(PaymentByMethod(amNormal, 0, 12, 1200), 100);
    EXPECT_DOUBLE_EQ(PaymentByMethodAdvance(amUSRule, 0, 12, 1200), 100);
    EXPECT_DOUBLE_EQ(PaymentByMethod(amFixedPrincipal, 0, 12, 1200), 100);
    EXPECT_DOUBLE_EQ(PaymentByMethod(amInterestOnly, 0, 12, 1200), 0);
}

TEST(LoMathLoanPayment, TinyRatesKeepTheirPrecision) {
    // 1e-10 percent a year: one plus the periodic rate is 1 to the last bits of a double.
    EXPECT_DOUBLE_EQ(LoanPayment(360, 12, 12, 100000, 1e-10), 277.78);
    EXPECT_DOUBLE_EQ(LoanPaymentAdvance(360, 12, 12, 100000, 1e-10), 277.78);
    EXPECT_DOUBLE_EQ(PaymentByMethod(amNormal, 1e-14, 360, 100000), 277.78);
    EXPECT_DOUBLE_EQ(PaymentByMethodAdvance(amNormal, 1e-14, 360, 100000), 277.78);
}

TEST(LoMathLoanPayment, ImpossibleLoansRaise) {
    EXPECT_THROW(LoanPayment(0, 12, 12, 1000, 8), EOverflow);
    EXPECT_THROW(LoanPayment(0, 12, 12, 1000, 0), EOverflow);
    EXPECT_THROW(LoanPaymentAdvance(0, 12, 12, 1000, 0), EOverflow);
    EXPECT_THROW(LoanPayment(12, 12, 12, 1000, -1300), EInvalidOp);
    EXPECT_THROW(LoanPayment(12, 0, 12, 1000, 8), EInvalidOp);
    EXPECT_THROW(PaymentByMethod(amFixedPrincipal, 0.01, 0, 1000), EOverflow);
}

TEST(LoMathPaymentByMethod, ArrearsAndAdvance) {
    const double i = 0.01;
    EXPECT_DOUBLE_EQ(PaymentByMethod(amInterestOnly, i, 12, 1000), 10);
    EXPECT_DOUBLE_EQ(PaymentByMethod(amFixedPrincipal, i, 12, 1200), 112);
    EXPECT_DOUBLE_EQ(PaymentByMethodAdvance(amInterestOnly, i, 12, 1000), 0);
    EXPECT_DOUBLE_EQ(PaymentByMethodAdvance(amFixedPrincipal, i, 12, 1200), 100);
    // Payments are whole cents: 1,000 x 8 % / 12 = 6.666..., 1,000 / 12 = 83.333...,
    // 1,000 / 12 + 1,000 x 0.01 = 93.333...
    EXPECT_DOUBLE_EQ(PaymentByMethod(amInterestOnly, 0.08 / 12, 12, 1000), 6.67);
    EXPECT_DOUBLE_EQ(PaymentByMethodAdvance(amFixedPrincipal, i, 12, 1000), 83.33);
    EXPECT_DOUBLE_EQ(PaymentByMethod(amFixedPrincipal, i, 12, 1000), 93.33);
    const double annuity = 1000 * i / (1 - std::pow(1 + i, -12));
    for (Byte method : {amCanadian, amNormal, amRuleOf78, amUSRule}) {
        EXPECT_DOUBLE_EQ(PaymentByMethod(method, i, 12, 1000), RoundToCents(annuity));
        EXPECT_DOUBLE_EQ(PaymentByMethodAdvance(method, i, 12, 1000),
                         RoundToCents(annuity / (1 + i)));
    }
}

TEST(LoMathAmortizeRange, NormalLoan) {
    const double i = 0.08 / 12;
    double balance = 100000, interest = 0;
    EXPECT_NEAR(AmortizeRange(balance, interest, 1, amNormal, 360, 12, i, 733.76, 100000), 99164.70,
                1e-6);
    EXPECT_NEAR(balance, 99164.70, 1e-6);
    EXPECT_NEAR(interest, 12 * 733.76 - (100000 - 99164.70), 1e-6);
    balance = 100000;
    interest = 0;
    EXPECT_EQ(AmortizeRange(balance, interest, 1, amNormal, 360, 360, i, 733.76, 100000), 0.0);
    EXPECT_EQ(balance, 0.0);
    balance = 500;
    EXPECT_EQ(AmortizeRange(balance, interest, 13, amNormal, 360, 12, i, 733.76, 100000), 500);
    balance = 1000;
    interest = 0;
    EXPECT_EQ(AmortizeRange(balance, interest, 1, amCanadian, 360, 2, 0.0, 500, 1000), 0.0);
}

TEST(LoMathAmortizeRange, RunsPastTheTermEndWhenPaidOff) {
    double balance = 100, interest = 0;
    EXPECT_EQ(AmortizeRange(balance, interest, 10, amNormal, 5, 2147483647, 0.0, 10, 100), 0);
    balance = 1e9;
    EXPECT_GT(AmortizeRange(balance, interest, 1, amRuleOf78, 100000, 1, 0.0, 20000, 1e9), 0);
}

TEST(LoMathAmortizeRange, InterestOnlyAndUnknownMethods) {
    double balance = 5, interest = 7;
    EXPECT_EQ(AmortizeRange(balance, interest, 1, amInterestOnly, 12, 6, 0.01, 10, 1000), 1000);
    EXPECT_EQ(balance, 1000);
    EXPECT_EQ(interest, 7);
    balance = 5;
    EXPECT_EQ(AmortizeRange(balance, interest, 1, 9, 12, 6, 0.01, 10, 1000), 5);
}

TEST(LoMathAmortizeRange, FixedPrincipal) {
    double balance = 1200, interest = 0;
    EXPECT_DOUBLE_EQ(AmortizeRange(balance, interest, 1, amFixedPrincipal, 12, 3, 0.01, 112, 1200),
                     900);
    EXPECT_DOUBLE_EQ(interest, 12 + 11 + 10);
    balance = 1200;
    EXPECT_EQ(AmortizeRange(balance, interest, 1, amFixedPrincipal, 12, 12, 0.01, 112, 1200), 0);
}

TEST(LoMathAmortizeRange, RuleOf78GoesOnAtZeroAndStopsBelow) {
    // Finance charge 4 x 100 - 300 = 100, shared 40, 30, 20, 10.
    double balance = 130, interest = 0;
    EXPECT_EQ(AmortizeRange(balance, interest, 1, amRuleOf78, 4, 4, 0.0, 100, 300), 0);
    EXPECT_DOUBLE_EQ(interest, 40 + 30 + 20);
    balance = 300;
    interest = 0;
    EXPECT_DOUBLE_EQ(AmortizeRange(balance, interest, 1, amRuleOf78, 4, 2, 0.0, 100, 300), 170);
    EXPECT_DOUBLE_EQ(interest, 70);
}

// 1,000 over 12 periods at 1 %: payments 88.85 in arrears, 87.97 in advance, principal shares
// 83.33. Three periods worked by hand (python), every period's interest and every principal
// share rounded to cents before it is used.
TEST(LoMathAmortizeRange, EachPeriodsInterestAndShareAreWholeCents) {
    double balance = 1000, interest = 0;
    // Fixed principal: 1,000 - 3 x 83.33; interest 10.00 + 9.17 + 8.33.
    EXPECT_NEAR(AmortizeRange(balance, interest, 1, amFixedPrincipal, 12, 3, 0.01, 93.33, 1000),
                750.01, 1e-9);
    EXPECT_NEAR(interest, 27.50, 1e-9);
    // Rule of 78's: the charge 12 x 88.85 - 1,000 = 66.20 in shares 12/78, 11/78, 10/78:
    // 10.18 + 9.34 + 8.49.
    balance = 1000;
    interest = 0;
    EXPECT_NEAR(AmortizeRange(balance, interest, 1, amRuleOf78, 12, 3, 0.01, 88.85, 1000), 761.46,
                1e-9);
    EXPECT_NEAR(interest, 28.01, 1e-9);
}

TEST(LoMathBalanceAfterPayment, EachPeriodsInterestAndShareAreWholeCents) {
    EXPECT_NEAR(BalanceAfterPayment(1, 3, 12, amFixedPrincipal, 0.01, 87.97, 1000, 1000), 750.01,
                1e-9);
    // After the first payment 912.03; interest 9.12 and 8.33 on the balances that follow.
    EXPECT_NEAR(BalanceAfterPayment(1, 3, 12, amNormal, 0.01, 87.97, 1000, 1000), 753.54, 1e-9);
    // Rule of 78's over payments 2..12: charge 11 x 87.97 - 912.03 = 55.64 in shares 11/66 and
    // 10/66: 9.27 and 8.43.
    EXPECT_NEAR(BalanceAfterPayment(1, 3, 12, amRuleOf78, 0.01, 87.97, 1000, 1000), 753.79, 1e-9);
}

TEST(LoMathBalanceAfterPayment, AdvancePaymentsStartWithoutInterest) {
    const double i = 0.08 / 12;
    EXPECT_NEAR(BalanceAfterPayment(1, 12, 360, amNormal, i, 728.91, 100000, 100000), 98507.86,
                1e-6);
    EXPECT_NEAR(BalanceAfterPayment(1, 1, 360, amNormal, i, 728.91, 100000, 100000), 99271.09,
                1e-6);
    EXPECT_EQ(BalanceAfterPayment(1, 360, 360, amNormal, i, 728.91, 100000, 100000), 0);
    EXPECT_EQ(BalanceAfterPayment(1, 0, 360, amNormal, i, 728.91, 100000, 100000), 100000);
    // From a later payment the run charges interest from the start.
    const double after12 = BalanceAfterPayment(1, 12, 360, amCanadian, i, 728.91, 100000, 100000);
    EXPECT_NEAR(BalanceAfterPayment(13, 24, 360, amUSRule, i, 728.91, 100000, after12),
                BalanceAfterPayment(1, 24, 360, amNormal, i, 728.91, 100000, 100000), 1e-6);
    EXPECT_EQ(BalanceAfterPayment(1, 12, 12, amNormal, 0.0, 100, 1200, 1200), 0);
    EXPECT_EQ(BalanceAfterPayment(1, 5, 12, amNormal, 0.0, 100, 1200, 1200), 700);
    EXPECT_EQ(BalanceAfterPayment(1, 1, 1, amNormal, 0.01, 1000, 1000, 1000), 0);
}

TEST(LoMathBalanceAfterPayment, OtherMethods) {
    EXPECT_EQ(BalanceAfterPayment(1, 5, 12, amInterestOnly, 0.01, 0, 1000, 700), 1000);
    EXPECT_EQ(BalanceAfterPayment(1, 5, 12, 8, 0.01, 0, 1000, 700), 700);
    EXPECT_DOUBLE_EQ(BalanceAfterPayment(1, 1, 12, amFixedPrincipal, 0.01, 100, 1200, 1200), 1100);
    EXPECT_DOUBLE_EQ(BalanceAfterPayment(1, 3, 12, amFixedPrincipal, 0.01, 100, 1200, 1200), 900);
    EXPECT_EQ(BalanceAfterPayment(1, 12, 12, amFixedPrincipal, 0.01, 100, 1200, 1200), 0);
    // Rule of 78's: the finance charge 11 x 90 - 910 = 80 is spread over payments 2..12, so the
    // last payment closes the loan.
    const double before = BalanceAfterPayment(1, 11, 12, amRuleOf78, 0.0, 90, 1000, 1000);
    EXPECT_NEAR(before + RoundToCents(80.0 / 66), 90, 0.06);
    EXPECT_EQ(BalanceAfterPayment(1, 12, 12, amRuleOf78, 0.0, 90, 1000, 1000), 0);
    EXPECT_DOUBLE_EQ(BalanceAfterPayment(1, 1, 12, amRuleOf78, 0.0, 90, 1000, 1000), 910);
}

TEST(LoMathSmallRoutines, MulSubRemoveCharColumnWidth) {
    EXPECT_DOUBLE_EQ(MulSub(360, 733.76, 100000), 164153.6);
    EXPECT_EQ(RemoveChar('&', "Cop&y"), "Copy");
    EXPECT_EQ(RemoveChar('&', "&Save && exit"), "Save && exit");
    EXPECT_EQ(RemoveChar('&', "Close"), "Close");
    EXPECT_EQ(RemoveChar('&', ""), "");
    // The width in inches of a report column of that many characters.
    const std::pair<int, double> widths[] = {{1, 1.5},   {8, 1.5},   {9, 2.0},  {10, 2.0},
                                             {11, 2.5},  {12, 2.5},  {13, 3.0}, {14, 3.0},
                                             {15, 3.25}, {16, 3.25}, {0, 3.25}, {-3, 3.25}};
    for (const auto& [characters, inches] : widths)
        EXPECT_EQ(ReportColumnWidth(characters), inches) << characters;
}

// The money picture follows the currency text and its placement, so that every currency a
// profile can name fits whole on its own side of the amount.
TEST(LoMathMasks, MoneyPictureFollowsTheCurrencySettings) {
    struct TCase {
        const char* Currency;
        int Placement;
        const char* Picture;
    };
    TVcIntlSup intl;
    for (const TCase& c :
         {TCase{"$", 0, "$###,###,###.##"}, TCase{"\xA3", 0, "$###,###,###.##"},
          TCase{"CHF", 2, "$$$$###,###,###.##"}, TCase{"\x80", 3, "###,###,###.##CC"},
          TCase{"kr", 1, "###,###,###.##CC"}, TCase{"", 0, "###,###,###.##"}}) {
        intl.CurrencyPrefix = intl.CurrencySuffix = c.Currency;
        intl.CurrencyPlacement = static_cast<Byte>(c.Placement);
        if (c.Placement == 2) intl.CurrencyPrefix += ' ';
        if (c.Placement == 3) intl.CurrencySuffix.insert(0, 1, ' ');
        EXPECT_EQ(MoneyPicture(intl), c.Picture) << c.Currency;
    }
}

// Money texts of the narratives: the currency on its side, the locale's separators, any size.
TEST(LoMathMasks, MoneyTextsFollowTheRegionalSettings) {
    TVcIntlSup& intl = VcIntlSup();
    const TVcIntlSup saved = intl;
    const auto use = [&](char point, char thousands, const char* prefix, const char* suffix,
                         int placement) {
        intl.DecimalSeparator = point;
        intl.ThousandSeparator = thousands;
        intl.CurrencyPrefix = prefix;
        intl.CurrencySuffix = suffix;
        intl.CurrencyPlacement = static_cast<Byte>(placement);
    };
    use(',', '.', "\x80", " \x80", 3);
    EXPECT_EQ(MoneyText(1234.5), "1.234,50 \x80");
    EXPECT_EQ(MoneyText(-1234567890.125), "-1.234.567.890,13 \x80");
    use('.', '\x92', "CHF ", "CHF", 2);
    EXPECT_EQ(MoneyText(733.76), "CHF 733.76");
    EXPECT_EQ(MoneyText(164153.6), "CHF 164\x92"
                                   "153.60");
    EXPECT_EQ(MoneyText(-5), "-CHF 5.00");
    use('.', ',', "$", "$", 0);
    EXPECT_EQ(MoneyText(1234567890123.0), "$1,234,567,890,123.00");
    intl = saved;
}

TEST(LoMathMasks, ReadFromTheProfile) {
    TFormatSettings saved = FormatSettings();
    {
        TTestProfile profile("[intl]\niCountry=49\nsShortDate=dd.MM.yy\nsDate=.\n"
                             "sCurrency=\x80\niCurrency=3\n");
        VcIntlSup().ReadWindowsIntl();
        TMasks masks;
        EXPECT_EQ(masks.Country(), 49);
        std::string mask;
        masks.GetCurrencyMask(mask);
        EXPECT_EQ(mask, "###,###,###.##CC");
        EXPECT_EQ(masks.RateMask(), "##.####");
        EXPECT_EQ(masks.CountMask(), "999,999");
        masks.GetDateMask(true, mask);
        EXPECT_EQ(mask, "dd/mm/yyyy");
        masks.GetDateMask(false, mask);
        EXPECT_EQ(mask, "dd/mm/yy");
    }
    {
        // A date picture longer than the field's ten characters is cut to them: "dd/ mm/ yyyy"
        // (the separator stands as "/" in pictures) loses its last two.
        TTestProfile profile("[intl]\nsShortDate=dd. MM. yyyy\nsDate=.\n");
        VcIntlSup().ReadWindowsIntl();
        TMasks masks;
        std::string mask;
        masks.GetDateMask(true, mask);
        EXPECT_EQ(mask, "dd/ mm/ yy");
    }
    {
        TTestProfile profile("[intl]\n");
        VcIntlSup().ReadWindowsIntl();
        TMasks masks;
        EXPECT_EQ(masks.Country(), 0);
        EXPECT_EQ(masks.CurrencyMask(), "$###,###,###.##");
    }
    {
        TTestProfile profile("[intl]\niCountry=65535\n"); // the largest 16-bit code
        EXPECT_EQ(TMasks().Country(), 65535);
    }
    {
        TTestProfile profile("[intl]\niCountry=65536\n");
        EXPECT_EQ(TMasks().Country(), 0);
    }
    {
        TTestProfile profile("[intl]\niCountry=65585\n");
        TMasks masks;
        EXPECT_EQ(masks.Country(), 0);
        EXPECT_EQ(masks.CurrencyMask(), "$###,###,###.##");
    }
    FormatSettings() = saved;
    VcIntlSup().ReadWindowsIntl();
}

} // namespace
