// The break-even charts: the points scaled from the last run's present values, the axis ranges,
// the series skipped when their quantity starts at zero or below, and the chart window filled
// without any axis refusing its range.
#include "advisors/BreakEvenCharts.h"

#include "platform/gui/Forms.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtBridge.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TLeaseBuyData Inputs() {
    TLeaseBuyData d;
    d.Price = 10000;
    d.PurchaseRate = 8;
    d.LeasePmt = 300;
    return d;
}

TLeaseBuyResults Results(double purchaseNPV, double leaseNPV) {
    TLeaseBuyResults r;
    r.PurchaseNPV = purchaseNPV;
    r.LeaseNPV = leaseNPV;
    r.TotalInterest = 2000;
    return r;
}

TEST(BreakEvenTest, ThePriceChartStepsTenPerCentUpToItsBound) {
    const auto charts = BreakEvenSeries(Inputs(), Results(-9000, -8000));
    const TBreakEvenSeries& price = charts[0];
    ASSERT_EQ(price.X.size(), 12u);
    EXPECT_DOUBLE_EQ(price.X[0], 5000);
    EXPECT_DOUBLE_EQ(price.X[1], 5500);
    EXPECT_DOUBLE_EQ(price.X[2], 6050);
    EXPECT_NEAR(price.X.back(), 14265.58, 0.005);
    EXPECT_DOUBLE_EQ(price.Purchase[0], 4500);
    EXPECT_NEAR(price.Purchase[1], 4950, 1e-9);
    EXPECT_DOUBLE_EQ(price.Lease[11], 8000);
    EXPECT_DOUBLE_EQ(price.BottomMin, 4500);
    EXPECT_DOUBLE_EQ(price.BottomMax, 15375);
    // 0.75 x 8000 = 6000 exceeds the first purchase cost 4500: 0.9 x 4500.
    EXPECT_DOUBLE_EQ(price.LeftMin, 4050);
    // The last purchase cost (4500 x 1.1^11 = 12837.9) is above 1.25 x 8000.
    EXPECT_NEAR(price.LeftMax, 1.05 * price.Purchase.back(), 1e-9);
}

TEST(BreakEvenTest, RateAndLeasePaymentCharts) {
    const auto charts = BreakEvenSeries(Inputs(), Results(-9000, -8000));
    const TBreakEvenSeries& rate = charts[1];
    ASSERT_FALSE(rate.X.empty());
    EXPECT_DOUBLE_EQ(rate.X[0], 4);
    EXPECT_DOUBLE_EQ(rate.Purchase[0], 9000 - (2000 - 1000));
    EXPECT_NEAR(rate.Purchase[1], 9000 - (2000 - 1100), 1e-9);
    EXPECT_LE(rate.X.back(), 12);
    // From 4 % to 12 %: 4 x 1.1^11 = 11.41 is the last step. The purchase costs run from
    // 8000 to 9000 - (2000 - 1000 x 1.1^11) = 9853.1, under 1.25 x 8000.
    EXPECT_DOUBLE_EQ(rate.BottomMin, 0.9 * 4);
    EXPECT_DOUBLE_EQ(rate.BottomMax, 1.025 * 12);
    EXPECT_DOUBLE_EQ(rate.LeftMin, 0.75 * 8000);
    EXPECT_DOUBLE_EQ(rate.LeftMax, 1.25 * 8000);
    const TBreakEvenSeries& lease = charts[2];
    ASSERT_FALSE(lease.X.empty());
    EXPECT_DOUBLE_EQ(lease.Lease[0], 4000);
    EXPECT_DOUBLE_EQ(lease.Purchase.back(), 9000);
    // The last lease cost, 4000 x 1.1^11 = 11412.5, passes 1.25 x 9000 = 11250.
    ASSERT_EQ(lease.X.size(), 12u);
    EXPECT_NEAR(lease.LeftMax, 1.05 * 11412.47, 0.01);
    const auto cheaper = BreakEvenSeries(Inputs(), Results(-9000, -6000));
    EXPECT_DOUBLE_EQ(cheaper[2].LeftMax, 1.25 * 9000);
}

TEST(BreakEvenTest, AZeroLeaseValueGivesAFlatLineAtZero) {
    const auto charts = BreakEvenSeries(Inputs(), Results(-9000, 0));
    for (double cost : charts[0].Lease)
        EXPECT_EQ(cost, 0.0);
    EXPECT_EQ(charts[0].LeftMin, 0.0);
}

TEST(BreakEvenTest, QuantitiesStartingAtZeroOrBelowGiveNoPoints) {
    TLeaseBuyData d = Inputs();
    d.Price = 0;
    d.PurchaseRate = -5;
    d.LeasePmt = 0;
    const auto charts = BreakEvenSeries(d, Results(-9000, -8000));
    for (const TBreakEvenSeries& chart : charts)
        EXPECT_TRUE(chart.X.empty());
}

TEST(BreakEvenTest, TheWindowSetsRangesThatAnAxisWouldRefuseOneLimitAtATime) {
    LeaseBuyResults = Results(-90000, -80000);
    // Every range lies above the axes' starting 0..0: setting a minimum first would be refused.
    TLeaseBuyData d = Inputs();
    TchLeaseBuy form(nullptr, &d);
    EXPECT_EQ(form.Caption(), "Lease vs. Buy Break-Even Charts");
    ASSERT_EQ(form.PurchaseLines[0]->Count(), 12);
    EXPECT_EQ(form.LeaseLines[0]->Count(), 12);
    EXPECT_DOUBLE_EQ(form.Charts[0]->LeftAxis()->Minimum(), 0.9 * 45000);
    EXPECT_DOUBLE_EQ(form.Charts[0]->BottomAxis()->Maximum(), 15375);
    EXPECT_EQ(form.PurchaseLines[0]->SeriesColor(), clRed);
    EXPECT_EQ(form.LeaseLines[2]->SeriesColor(), clGreen);
    EXPECT_EQ(form.Notebook->PageCount(), 3);
    TchLeaseBuy empty(nullptr, nullptr);
    EXPECT_EQ(empty.PurchaseLines[0]->Count(), 0);
    LeaseBuyResults = TLeaseBuyResults();
}

// The window opens on the first chart, each titled with its own line only; the charts fill what
// the row of buttons leaves, the buttons centred in their row; Esc closes the window.
TEST(BreakEvenTest, TheWindowShowsTheFirstChartAboveItsButtonsAndClosesOnEsc) {
    EnsureQtApp();
    TchLeaseBuy form(nullptr, nullptr);
    form.Show();
    Application->ProcessMessages();
    EXPECT_EQ(form.Notebook->PageIndex(), 0);
    EXPECT_EQ(form.Notebook->Width(), form.ClientWidth());
    EXPECT_EQ(form.Notebook->Height(), form.ClientHeight() - form.ButtonPanel->Height());
    const char* titles[] = {
        "Break Even Analysis at Various Purchase Prices with a Fixed Lease Payment",
        "Break Even Analysis at Various Finance Rates with a Fixed Lease Payment",
        "Break Even Analysis at Various Lease Payments with a Fixed Purchase Payment"};
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(form.Charts[k]->Title()->Text()->Count(), 1) << k;
        EXPECT_EQ(form.Charts[k]->Title()->Text()->Strings(0), titles[k]);
    }
    for (const TControl* button : {form.PrintBTN, form.CloseBTN, form.HelpBTN})
        EXPECT_EQ(2 * button->Top() + button->Height(), form.ButtonPanel->Height())
            << button->Name();
    QTest::keyClick(form.Impl()->Widget.data(), Qt::Key_Escape);
    Application->ProcessMessages();
    EXPECT_FALSE(form.Visible());
}

} // namespace
