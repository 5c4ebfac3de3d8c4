#include "advisors/AmortizationSchedule.h"

#include "AdvisorTestSupport.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace {

TAmortOptions Method(Byte method, Byte rateBasis = rbOrdinary, Byte points = ppAtOrigination) {
    return {.AmortMethod = method, .RateBasis = rateBasis, .PointsPaidHow = points};
}

// The first and last rows of a year tab.
std::pair<int, int> RowsOfTab(const TAmortSchedule& s, int tab) {
    int first = -1, last = -1;
    s.YearRange(tab, first, last);
    return {first, last};
}

// Sums of the rows 1..LastRow, and checks every row's own arithmetic on the way.
void ExpectConsistent(const TAmortSchedule& s) {
    const TAmortRow& init = s.AmortRows[0];
    double balance = init.Balance;
    double run = init.Payment;
    for (int k = 1; k <= s.LastRow; ++k) {
        const TAmortRow& row = s.AmortRows[static_cast<std::size_t>(k)];
        EXPECT_NEAR(row.Principal + row.Interest, row.Payment, 1e-6) << "row " << k;
        balance -= row.Principal;
        EXPECT_NEAR(row.Balance, k == s.LastRow ? 0.0 : balance, 1e-6) << "row " << k;
        run += row.Payment;
        EXPECT_NEAR(row.RunPayment, run, 1e-4) << "row " << k;
        EXPECT_EQ(row.PmtNo, k);
    }
    EXPECT_EQ(s.AmortRows[static_cast<std::size_t>(s.LastRow)].Balance, 0.0);
}

} // namespace

TEST(AmortSchedule, StandardThirtyYearLoan) {
    TAmortSchedule s;
    TAmortLoan loan = StandardLoan();
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(s.LastRow, 360);
    const TAmortRow& init = s.AmortRows[0];
    EXPECT_EQ(init.PmtNoYr, "Init/01");
    EXPECT_EQ(init.Interest, 0.0);
    EXPECT_EQ(init.Advance, 100000.0);
    EXPECT_EQ(init.PeriodDays, 31);
    const TAmortRow& r1 = s.AmortRows[1];
    EXPECT_EQ(r1.PmtNoYr, "   1/01");
    EXPECT_DOUBLE_EQ(r1.Payment, 733.76);
    EXPECT_DOUBLE_EQ(r1.Interest, 666.67);
    EXPECT_NEAR(r1.Principal, 67.09, 1e-9);
    EXPECT_NEAR(r1.Balance, 99932.91, 1e-6);
    EXPECT_EQ(s.AmortRows[13].PmtNoYr, "  13/02");
    EXPECT_NEAR(s.AmortRows[360].RunInterest, 164160.47, 0.05);
    // The last payment is the regular one plus what the rounding of the payment left over.
    EXPECT_GT(s.AmortRows[360].Payment, 733.76);
    EXPECT_LT(s.AmortRows[360].Payment, 733.76 + 10.0);
    ExpectConsistent(s);
}

TEST(AmortSchedule, EveryMethodEndsAtZero) {
    for (Byte method = amCanadian; method <= amUSRule; ++method) {
        for (bool atOrigination : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "method " << int(method) << " at origination " << atOrigination);
            TAmortSchedule s;
            TAmortLoan loan = StandardLoan(60);
            if (atOrigination) loan.FrstPmtDate = loan.OrgDate;
            if (method == amCanadian) loan.CmpPYR = CanadianCompounding;
            ASSERT_TRUE(s.CalcSchedule(loan, Method(method)));
            EXPECT_EQ(s.LastRow, 60);
            ExpectConsistent(s);
            EXPECT_NEAR(s.AmortRows[60].RunPrincipal, 100000, 1e-6);
        }
    }
}

TEST(AmortSchedule, MethodSpecifics) {
    TAmortLoan loan = StandardLoan(12);
    TAmortSchedule interestOnly;
    ASSERT_TRUE(interestOnly.CalcSchedule(loan, Method(amInterestOnly)));
    for (int k = 1; k < 12; ++k) {
        EXPECT_DOUBLE_EQ(interestOnly.AmortRows[static_cast<std::size_t>(k)].Payment, 666.67);
        EXPECT_EQ(interestOnly.AmortRows[static_cast<std::size_t>(k)].Principal, 0.0);
    }
    EXPECT_DOUBLE_EQ(interestOnly.AmortRows[12].Payment, 100666.67);

    TAmortSchedule fixed;
    ASSERT_TRUE(fixed.CalcSchedule(loan, Method(amFixedPrincipal)));
    EXPECT_DOUBLE_EQ(fixed.FixedPrincipal, 8333.33);
    EXPECT_DOUBLE_EQ(fixed.AmortRows[1].Payment, 8333.33 + 666.67);
    EXPECT_NEAR(fixed.AmortRows[12].Principal, 8333.37, 1e-6);

    // In advance the fixed principal share is paid at once, in cents like every payment.
    TAmortLoan advance = loan;
    advance.FrstPmtDate = advance.OrgDate;
    TAmortSchedule fixedAdvance;
    ASSERT_TRUE(fixedAdvance.CalcSchedule(advance, Method(amFixedPrincipal)));
    EXPECT_DOUBLE_EQ(fixedAdvance.AmortRows[1].Payment, 8333.33);
    EXPECT_DOUBLE_EQ(fixedAdvance.AmortRows[2].Payment, 8333.33 + 611.11);

    // Rule of 78's: payment k carries (n - k + 1) / 78 of the finance charge.
    TAmortSchedule r78;
    ASSERT_TRUE(r78.CalcSchedule(loan, Method(amRuleOf78)));
    const double charge = r78.FinanceCharge;
    EXPECT_NEAR(charge, 12 * r78.AmortRows[1].Payment - 100000, 1e-6);
    for (int k = 1; k < 12; ++k)
        EXPECT_NEAR(r78.AmortRows[static_cast<std::size_t>(k)].Interest,
                    std::round((13 - k) * charge / 78 * 100) / 100, 1e-9)
            << k;
}

TEST(AmortSchedule, RuleOf78InAdvanceSharesOverThePaymentsThatCarryInterest) {
    TAmortLoan loan = StandardLoan(12);
    loan.FrstPmtDate = loan.OrgDate;
    TAmortSchedule s;
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amRuleOf78)));
    EXPECT_EQ(s.AmortRows[1].Interest, 0.0);
    // Payments 2..12 carry 11 + 10 + ... + 1 = 66 parts.
    EXPECT_NEAR(s.AmortRows[2].Interest, std::round(11 * s.FinanceCharge / 66 * 100) / 100, 1e-9);
    EXPECT_NEAR(s.AmortRows[12].RunInterest, s.FinanceCharge, 0.05);
    ExpectConsistent(s);
}

TEST(AmortSchedule, FirstPeriods) {
    // Regular: nothing before the first payment.
    TAmortSchedule regular;
    TAmortLoan loan = StandardLoan();
    ASSERT_TRUE(regular.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(regular.FirstPeriodKind, fpRegular);

    // Long: origination 45 days before a monthly first payment; the 14 extra days in row 0.
    TAmortSchedule longFirst;
    loan = MonthlyLoan(100000, 360, 8, DMYToDate(17, 12, 2019, 0), DMYToDate(31, 1, 2020, 0));
    ASSERT_TRUE(longFirst.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(longFirst.FirstPeriodKind, fpLong);
    EXPECT_EQ(longFirst.OddDays, 14);
    EXPECT_DOUBLE_EQ(longFirst.AmortRows[0].Interest, 311.11); // 14/30 of 666.67
    EXPECT_DOUBLE_EQ(longFirst.AmortRows[1].Interest, 666.67);
    // On exact days the 14 odd days are charged in row 0 only: row 1 charges the 31 days of
    // January, 100000 x ((1 + 0.08/365)^31 - 1) = 681.69, not the 45 since the origination.
    TAmortSchedule longExact;
    ASSERT_TRUE(longExact.CalcSchedule(loan, Method(amNormal, rbExact365)));
    EXPECT_EQ(longExact.FirstPeriodKind, fpLong);
    EXPECT_DOUBLE_EQ(longExact.AmortRows[1].Interest, 681.69);

    // Short: 20 days; Ordinary charges 20/30 of a period in row 1, Exact the actual days.
    TAmortSchedule shortFirst;
    loan = MonthlyLoan(100000, 360, 8, DMYToDate(11, 1, 2020, 0), DMYToDate(31, 1, 2020, 0));
    ASSERT_TRUE(shortFirst.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(shortFirst.FirstPeriodKind, fpShort);
    EXPECT_EQ(shortFirst.AmortRows[0].Interest, 0.0);
    EXPECT_DOUBLE_EQ(shortFirst.AmortRows[1].Interest, 444.44);
    TAmortSchedule exact;
    ASSERT_TRUE(exact.CalcSchedule(loan, Method(amNormal, rbExact360)));
    const double daily = static_cast<float>(0.01 * 8 / 360);
    EXPECT_DOUBLE_EQ(exact.AmortRows[1].Interest,
                     std::round((100000 * std::pow(1 + daily, 20) - 100000) * 100) / 100);
    EXPECT_EQ(exact.YearBasis, 360);

    // First payment on the origination date: paid in advance, all principal.
    TAmortSchedule advance;
    loan = StandardLoan();
    loan.FrstPmtDate = loan.OrgDate;
    ASSERT_TRUE(advance.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(advance.AmortRows[1].Interest, 0.0);
    EXPECT_DOUBLE_EQ(advance.AmortRows[1].Principal, advance.AmortRows[1].Payment);
    EXPECT_EQ(advance.LastRow, 360);
    // Paid in advance on an exact day count, payment 1 has no days behind it; payment 2 the
    // 31 days of January.
    TAmortSchedule exactAdvance;
    ASSERT_TRUE(exactAdvance.CalcSchedule(loan, Method(amNormal, rbExact365)));
    EXPECT_EQ(exactAdvance.AmortRows[1].PeriodDays, 0);
    EXPECT_EQ(exactAdvance.AmortRows[2].PeriodDays, 31);
}

TEST(AmortSchedule, ResettingTheInitialRowStartsTheFirstPeriodAfresh) {
    TAmortSchedule s;
    TAmortLoan loan =
        MonthlyLoan(100000, 360, 8, DMYToDate(17, 12, 2019, 0), DMYToDate(31, 1, 2020, 0));
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal, rbExact365)));
    ASSERT_NE(s.PeriodDaysNow, 0);
    s.ResetInitialRow();
    const TAmortRow& init = s.AmortRows[0];
    EXPECT_EQ(init.Date, loan.OrgDate);
    EXPECT_EQ(init.PmtNoYr, "Init/01");
    EXPECT_EQ(init.Balance, 100000);
    EXPECT_EQ(init.Interest, 0.0);
    EXPECT_EQ(init.PeriodDays, 45);
    EXPECT_EQ(s.OddDays, 0);
    EXPECT_EQ(s.PeriodDaysNow, 0);
    EXPECT_EQ(s.PeriodFraction, 1.0);
}

TEST(AmortSchedule, LoansMadeOnTheLastDayOfAMonth) {
    // 31 January to 28 February is one whole month: the first row charges a full month.
    TAmortSchedule monthly;
    TAmortLoan loan =
        MonthlyLoan(100000, 360, 8, DMYToDate(31, 1, 2021, 0), DMYToDate(28, 2, 2021, 0));
    ASSERT_TRUE(monthly.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(monthly.FirstPeriodKind, fpRegular);
    EXPECT_EQ(monthly.AmortRows[0].Interest, 0.0);
    EXPECT_DOUBLE_EQ(monthly.AmortRows[1].Interest, 666.67);
    // Nothing is left over for the last payment to absorb.
    EXPECT_LT(monthly.AmortRows[360].Payment, 733.76 + 10.0);

    // 31 August to 28 February, semiannual: a full half year, not 181/180 of one.
    TAmortSchedule semiannual;
    loan = MonthlyLoan(100000, 20, 8, DMYToDate(31, 8, 2020, 0), DMYToDate(28, 2, 2021, 0));
    loan.PYR = 5;    // "SemiAnnually" in the payment-frequency list
    loan.CmpPYR = 6; // "SemiAnnually" in the frequency list
    ASSERT_TRUE(semiannual.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(semiannual.FirstPeriodKind, fpRegular);
    EXPECT_DOUBLE_EQ(semiannual.AmortRows[1].Interest, 4000.00);

    // A loan made within the month before a month-end payment has a real short period.
    TAmortSchedule shortFirst;
    loan = MonthlyLoan(100000, 360, 8, DMYToDate(10, 2, 2021, 0), DMYToDate(28, 2, 2021, 0));
    ASSERT_TRUE(shortFirst.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(shortFirst.FirstPeriodKind, fpShort);
    EXPECT_EQ(shortFirst.OddDays, 18);
    EXPECT_DOUBLE_EQ(shortFirst.AmortRows[1].Interest, 400.00); // 18/30 of 666.67
    ExpectConsistent(shortFirst);
}

TEST(AmortSchedule, SinglePaymentLoansRepay) {
    for (Byte method = amCanadian; method <= amUSRule; ++method) {
        for (bool atOrigination : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "method " << int(method) << " at origination " << atOrigination);
            TAmortLoan loan = StandardLoan(1);
            if (atOrigination) loan.FrstPmtDate = loan.OrgDate;
            TAmortSchedule s;
            ASSERT_TRUE(s.CalcSchedule(loan, Method(method)));
            EXPECT_EQ(s.LastRow, 1);
            EXPECT_EQ(s.AmortRows[1].Balance, 0.0);
            EXPECT_NEAR(s.AmortRows[1].Principal, 100000, 1e-6);
            EXPECT_NEAR(s.AmortRows[1].Payment, atOrigination ? 100000 : 100666.67, 1e-6);
        }
    }
}

TEST(AmortSchedule, LastPaymentSettlesWhatIsLeft) {
    // Six fixed shares of 166.67 overpay by 2 cents: the last share gives them back.
    TAmortSchedule fixed;
    TAmortLoan loan = MonthlyLoan(1000, 6, 12, DMYToDate(1, 1, 2020, 0), DMYToDate(1, 2, 2020, 0));
    ASSERT_TRUE(fixed.CalcSchedule(loan, Method(amFixedPrincipal)));
    ASSERT_EQ(fixed.LastRow, 6);
    EXPECT_NEAR(fixed.AmortRows[6].Principal, 166.65, 1e-9);
    ExpectConsistent(fixed);
    // Interest Only paid in advance: payment 1 is nothing, the last repays everything.
    TAmortSchedule io;
    loan.NumPmts = 3;
    loan.FrstPmtDate = loan.OrgDate;
    ASSERT_TRUE(io.CalcSchedule(loan, Method(amInterestOnly)));
    EXPECT_EQ(io.LastRow, 3);
    EXPECT_NEAR(io.AmortRows[3].Payment, 1010.0, 1e-9);
    // An overpayment larger than the row's principal comes out of its interest.
    TAmortRow& last = io.AmortRows[2];
    last.Payment = 13.0;
    last.Principal = 3.0;
    last.Interest = 10.0;
    last.Balance = -5.0;
    io.AdjustLastPayment(2);
    EXPECT_EQ(io.LastRow, 2);
    EXPECT_EQ(last.Principal, 0.0);
    EXPECT_EQ(last.Interest, 8.0);
    EXPECT_EQ(last.Payment, 8.0);
    EXPECT_EQ(last.Balance, 0.0);
}

TEST(AmortSchedule, PointsWithFirstPaymentStayOutOfTheFinanceCharge) {
    TAmortLoan loan = StandardLoan(12);
    loan.Points = 2;
    TAmortSchedule plain, withPoints;
    TAmortLoan noPoints = loan;
    noPoints.Points = 0;
    ASSERT_TRUE(plain.CalcSchedule(noPoints, Method(amRuleOf78)));
    ASSERT_TRUE(withPoints.CalcSchedule(loan, Method(amRuleOf78, rbOrdinary, ppWithFirstPayment)));
    EXPECT_DOUBLE_EQ(withPoints.PointsAmount, 2000);
    EXPECT_DOUBLE_EQ(withPoints.FinanceCharge, plain.FinanceCharge);
    const TAmortRow& r1 = withPoints.AmortRows[1];
    EXPECT_DOUBLE_EQ(r1.Interest, plain.AmortRows[1].Interest + 2000);
    EXPECT_DOUBLE_EQ(r1.Principal, plain.AmortRows[1].Principal);
    EXPECT_DOUBLE_EQ(r1.Payment, plain.AmortRows[1].Payment + 2000);
    EXPECT_DOUBLE_EQ(withPoints.AmortRows[2].Payment, plain.AmortRows[2].Payment);
    // The running payment total counts the points once.
    EXPECT_NEAR(withPoints.AmortRows[12].RunPayment, plain.AmortRows[12].RunPayment + 2000, 1e-6);

    TAmortSchedule normal;
    ASSERT_TRUE(normal.CalcSchedule(loan, Method(amNormal, rbOrdinary, ppWithFirstPayment)));
    EXPECT_DOUBLE_EQ(normal.AmortRows[1].Interest, 666.67 + 2000);
    ExpectConsistent(normal);
}

TEST(AmortSchedule, PointsAtOriginationAndAmortized) {
    TAmortLoan loan = StandardLoan(12);
    loan.Points = 1.5f;
    TAmortSchedule upFront;
    ASSERT_TRUE(upFront.CalcSchedule(loan, Method(amNormal)));
    EXPECT_DOUBLE_EQ(upFront.AmortRows[0].Interest, 1500);
    EXPECT_DOUBLE_EQ(upFront.AmortRows[0].Payment, 1500);
    TAmortSchedule amortized;
    ASSERT_TRUE(amortized.CalcSchedule(loan, Method(amNormal, rbOrdinary, ppAmortized)));
    EXPECT_DOUBLE_EQ(amortized.AmortRows[0].Balance, 101500);
    EXPECT_NEAR(amortized.AmortRows[12].RunPrincipal, 101500, 1e-6);
    // In advance, points paid at origination ride on payment 1.
    loan.FrstPmtDate = loan.OrgDate;
    TAmortSchedule advance;
    ASSERT_TRUE(advance.CalcSchedule(loan, Method(amNormal)));
    EXPECT_DOUBLE_EQ(advance.AmortRows[1].Interest, 1500);
    EXPECT_DOUBLE_EQ(advance.AmortRows[1].Payment, advance.AmortRows[2].Payment + 1500);
}

TEST(AmortSchedule, PointsAreInCents) {
    // 1.25 points on 12,345.67 are 154.320875: 154.32 charged, in arrears and in advance.
    TAmortLoan loan = StandardLoan();
    loan.PV = 12345.67;
    loan.NumPmts = 12;
    loan.Points = 1.25f;
    TAmortSchedule arrears;
    ASSERT_TRUE(arrears.CalcSchedule(loan, Method(amNormal)));
    EXPECT_DOUBLE_EQ(arrears.AmortRows[0].Interest, 154.32);
    TAmortSchedule amortized;
    ASSERT_TRUE(amortized.CalcSchedule(loan, Method(amNormal, rbOrdinary, ppAmortized)));
    EXPECT_DOUBLE_EQ(amortized.AmortRows[0].Balance, 12499.99);
    loan.FrstPmtDate = loan.OrgDate;
    TAmortSchedule advance;
    ASSERT_TRUE(advance.CalcSchedule(loan, Method(amNormal)));
    EXPECT_DOUBLE_EQ(advance.AmortRows[1].Interest, 154.32);
    TAmortSchedule advanceAmortized;
    ASSERT_TRUE(advanceAmortized.CalcSchedule(loan, Method(amNormal, rbOrdinary, ppAmortized)));
    EXPECT_DOUBLE_EQ(advanceAmortized.AmortRows[0].Balance, 12499.99);
}

TEST(AmortSchedule, PaymentDatesKeepTheirDayOfMonth) {
    TAmortSchedule s;
    TAmortLoan loan =
        MonthlyLoan(10000, 14, 6, DMYToDate(31, 12, 2019, 0), DMYToDate(31, 1, 2020, 0));
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal, rbExact365)));
    auto dayOf = [&](int k) {
        int d, m, y;
        DateToDMY(s.AmortRows[static_cast<std::size_t>(k)].Date, d, m, y);
        return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
    };
    EXPECT_EQ(dayOf(2), "2020-2-29");
    EXPECT_EQ(dayOf(3), "2020-3-31");
    EXPECT_EQ(dayOf(4), "2020-4-30");
    EXPECT_EQ(dayOf(5), "2020-5-31");
    EXPECT_EQ(dayOf(14), "2021-2-28");
    EXPECT_EQ(s.AmortRows[3].PeriodDays, 31);
    EXPECT_EQ(s.FirstPeriodKind, fpRegular); // 31 January less a month is 31 December
    EXPECT_EQ(PaymentDate(DMYToDate(31, 1, 2020, 0), -1, 12), DMYToDate(31, 12, 2019, 0));
    EXPECT_EQ(PaymentDate(DMYToDate(31, 8, 2020, 0), 1, 2), DMYToDate(28, 2, 2021, 0));
    EXPECT_EQ(PaymentDate(DMYToDate(1, 1, 2020, 0), 3, 26), DMYToDate(12, 2, 2020, 0));
}

TEST(AmortSchedule, YearTabsKeepFourDigitYears) {
    TAmortSchedule s;
    TAmortLoan loan =
        MonthlyLoan(5000, 24, 5, DMYToDate(15, 6, 1955, 0), DMYToDate(15, 7, 1955, 0));
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    ASSERT_EQ(s.TabCount(), 4);
    EXPECT_EQ(s.TabCaption(0), "All");
    EXPECT_EQ(s.TabCaption(1), "55");
    EXPECT_EQ(s.TabCaption(3), "57");
    EXPECT_EQ(s.Years[0], 1955);
    EXPECT_EQ(RowsOfTab(s, 0), std::pair(0, 24));
    EXPECT_EQ(RowsOfTab(s, 1), std::pair(0, 6)); // origination to December 1955: payments 1..6
    EXPECT_EQ(RowsOfTab(s, 2), std::pair(7, 18));
    EXPECT_EQ(RowsOfTab(s, 3), std::pair(19, 24));
    const TYearTotals year2 = s.YearTotals(2);
    double payments = 0;
    for (int k = 7; k <= 18; ++k)
        payments += s.AmortRows[static_cast<std::size_t>(k)].Payment;
    EXPECT_NEAR(year2.YearPayment, payments, 1e-9);
    EXPECT_NEAR(year2.YearPrincipal + year2.YearInterest, payments, 1e-6);
    EXPECT_EQ(year2.RunInterest, s.AmortRows[18].RunInterest);
    const TYearTotals all = s.YearTotals(0);
    EXPECT_NEAR(all.YearPrincipal, 5000, 1e-6);
}

TEST(AmortSchedule, APaymentOnThirtyFirstDecemberBelongsToItsYear) {
    TAmortSchedule s;
    TAmortLoan loan =
        MonthlyLoan(3000, 3, 12, DMYToDate(30, 11, 2020, 0), DMYToDate(31, 12, 2020, 0));
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    ASSERT_EQ(s.TabCount(), 3);
    EXPECT_EQ(RowsOfTab(s, 1), std::pair(0, 1));
    EXPECT_EQ(RowsOfTab(s, 2), std::pair(2, 3)); // 31 January and 28 February 2021
    // 1,020.07 a month; 30.00 of interest on 3,000 in December.
    const TYearTotals y2020 = s.YearTotals(1);
    EXPECT_DOUBLE_EQ(y2020.YearPayment, 1020.07);
    EXPECT_DOUBLE_EQ(y2020.YearInterest, 30.00);
}

TEST(AmortSchedule, OneCalendarYearHasOneYearTab) {
    TAmortSchedule s;
    TAmortLoan loan = MonthlyLoan(1200, 6, 5, DMYToDate(1, 1, 2021, 0), DMYToDate(1, 2, 2021, 0));
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(s.TabCount(), 2);
    EXPECT_EQ(s.TabCaption(1), "21");
}

TEST(AmortSchedule, InputMessages) {
    TMessageRecorder recorder;
    TAmortSchedule s;
    TAmortLoan loan = StandardLoan();
    loan.FrstPmtDate = DMYToDate(1, 12, 2019, 0);
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(loan.FrstPmtDate, loan.OrgDate);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Kind, amkInformation);
    EXPECT_EQ(recorder.Messages[0].Text, "First Payment Date must be\n\nequal to or after "
                                         "Origination Date.\n\nResetting First Payment Date...\n");

    // A missing first payment date is the origination's.
    TAmortLoan noFirst = StandardLoan();
    noFirst.FrstPmtDate = BadDate;
    recorder.Messages.clear();
    ASSERT_TRUE(s.CalcSchedule(noFirst, Method(amNormal)));
    EXPECT_EQ(noFirst.FrstPmtDate, noFirst.OrgDate);
    EXPECT_EQ(recorder.Messages.size(), 1u);

    const TAmortRow before = s.AmortRows[5];
    for (auto spoil : {+[](TAmortLoan& l) { l.PV = 0; }, +[](TAmortLoan& l) { l.NumPmts = 0; },
                       +[](TAmortLoan& l) { l.Rate = 0; }, +[](TAmortLoan& l) { l.PV = -5; },
                       +[](TAmortLoan& l) { l.OrgDate = l.FrstPmtDate = BadDate; },
                       +[](TAmortLoan& l) { l.OrgDate = MaxDayNumber + 10; }}) {
        TAmortLoan bad = StandardLoan();
        spoil(bad);
        recorder.Messages.clear();
        EXPECT_FALSE(s.CalcSchedule(bad, Method(amNormal)));
        ASSERT_EQ(recorder.Messages.size(), 1u);
        EXPECT_EQ(recorder.Messages[0].Text,
                  "No zero values allowed.\r\n\nEnter Amount, Initial Period or Rate\n\n");
    }
    EXPECT_EQ(s.AmortRows[5].Balance, before.Balance);

    // A 30-year loan first paid in 2030 runs into 2060: its last payment is on 1 January 2060.
    TAmortLoan late = MonthlyLoan(1000, 360, 5, DMYToDate(1, 1, 2030, 0), DMYToDate(1, 2, 2030, 0));
    recorder.Messages.clear();
    EXPECT_TRUE(s.CalcSchedule(late, Method(amNormal)));
    EXPECT_TRUE(recorder.Messages.empty());
    EXPECT_EQ(s.LastRow, 360);
    EXPECT_EQ(s.AmortRows[360].Date, DMYToDate(1, 1, 2060, 0));
    ASSERT_EQ(s.Years.back(), 2060);
    EXPECT_EQ(s.TabCaption(s.TabCount() - 1), "60");
    EXPECT_EQ(RowsOfTab(s, s.TabCount() - 1), std::pair(360, 360));
    // Only the last year of the day numbers bounds a loan: 13 payments from December 3998 end
    // in December 3999, a 14th would fall in 4000.
    TAmortLoan last3999 =
        MonthlyLoan(1000, 12, 5, DMYToDate(1, 11, 3998, 0), DMYToDate(1, 12, 3998, 0));
    last3999.NumPmts = 13;
    EXPECT_TRUE(s.CalcSchedule(last3999, Method(amNormal)));
    last3999.NumPmts = 14;
    EXPECT_FALSE(s.CalcSchedule(last3999, Method(amNormal)));
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Text,
              "Loan can't go beyond 3999\n\nReduce number of initial "
              "periods or \n\nincrease frequency of payment period.\n\n");
    EXPECT_EQ(s.LastRow, 13);

    // The last day of the calendar is a day like any other: a loan made or paid on it builds.
    TAmortLoan lastDay =
        MonthlyLoan(1000, 1, 5, DMYToDate(1, 12, 3999, 0), DMYToDate(31, 12, 3999, 0));
    recorder.Messages.clear();
    EXPECT_TRUE(s.CalcSchedule(lastDay, Method(amNormal)));
    EXPECT_EQ(lastDay.FrstPmtDate, MaxDayNumber);
    lastDay.OrgDate = MaxDayNumber;
    EXPECT_TRUE(s.CalcSchedule(lastDay, Method(amNormal)));
    EXPECT_TRUE(recorder.Messages.empty());
    EXPECT_EQ(s.AmortRows[1].Date, MaxDayNumber);

    TAmortLoan badList = StandardLoan();
    badList.PYR = 7;
    EXPECT_THROW(s.CalcSchedule(badList, Method(amNormal)), ERangeError);
    EXPECT_THROW(s.CalcSchedule(loan, Method(6)), ERangeError);
}

TEST(AmortSchedule, LongWeeklyLoanGrowsTheTable) {
    TAmortSchedule s;
    TAmortLoan loan =
        MonthlyLoan(150000, 2080, 7, DMYToDate(3, 1, 2000, 0), DMYToDate(10, 1, 2000, 0));
    loan.PYR = 0; // weekly
    loan.CmpPYR = 1;
    int progress = 0;
    s.OnProgress = [&](int percent) { progress = percent; };
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    EXPECT_EQ(s.LastRow, 2080);
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(s.AmortRows[2080].Date - s.AmortRows[2079].Date, 7);
    EXPECT_EQ(s.AmortRows[53].PmtNoYr, "  53/02");
    ExpectConsistent(s);
    // Seven actual days of daily interest cost less than a 52nd of a year: paid off early.
    TAmortSchedule exact;
    ASSERT_TRUE(exact.CalcSchedule(loan, Method(amNormal, rbExact365)));
    EXPECT_LT(exact.LastRow, 2080);
    ExpectConsistent(exact);
}

TEST(AmortSchedule, ProgressIsReportedInWholePercents) {
    TAmortSchedule s;
    std::vector<int> progress;
    s.OnProgress = [&](int percent) { progress.push_back(percent); };
    TAmortLoan loan = StandardLoan(3);
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    // Begun, then payments 2 and 3 of 3: 66.7 % shows as 67 %.
    EXPECT_EQ(progress, (std::vector<int>{2, 67, 100}));
}

TEST(PeriodInterestRule, OrdinaryAndExact) {
    EXPECT_DOUBLE_EQ(PeriodInterest(rbOrdinary, 31, 0.0002f, 0.01f, 0.5, 1000), 5.0);
    EXPECT_EQ(PeriodInterest(rbExact365, 0, 0.0002f, 0.01f, 1, 1000), 0.0);
    EXPECT_DOUBLE_EQ(PeriodInterest(rbExact365, 30, 0.001f, 0.01f, 1, 1000),
                     std::round((1000 * std::pow(1 + double(0.001f), 30) - 1000) * 100) / 100);
}

// Annual payments fall on the same day a year apart: 10,000 at 10 % in five yearly payments of
// 10000 x 0.1 / (1 - 1.1^-5) = 2637.97, the first a year after the loan is made.
TEST(AmortSchedule, AnnualPaymentsFallAYearApart) {
    TAmortSchedule s;
    TAmortLoan loan = MonthlyLoan(10000, 5, 10, DMYToDate(1, 3, 2020, 0), DMYToDate(1, 3, 2021, 0));
    loan.PYR = 6;    // "Annually" in the payment-frequency list
    loan.CmpPYR = 7; // "Annually" in the frequency list
    ASSERT_TRUE(s.CalcSchedule(loan, Method(amNormal)));
    ASSERT_EQ(s.LastRow, 5);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(s.AmortRows[static_cast<std::size_t>(k)].Date, DMYToDate(1, 3, 2020 + k, 0))
            << "payment " << k;
    EXPECT_DOUBLE_EQ(s.AmortRows[1].Payment, 2637.97);
    EXPECT_DOUBLE_EQ(s.AmortRows[1].Interest, 1000.00);
    ExpectConsistent(s);
}
