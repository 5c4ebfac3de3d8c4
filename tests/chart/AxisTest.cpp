// Axes: range setters and their errors, label steps, value-to-pixel mapping (linear, inverted,
// logarithmic), label texts, the label walk and calendar stepping of date-time axes.
#include "tests/chart/ChartTestSupport.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Regional.h"

#include <cmath>
#include <vector>

namespace {

class Axis : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart();
        chart->ChartRect = Rect(100, 50, 300, 250);
        chart->RecalcWidthHeight();
    }
    void Range(TChartAxis* axis, double low, double high) {
        axis->IMinimum = low;
        axis->IMaximum = high;
        axis->IRange = high - low;
    }
    template <typename E>
    std::string ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const E& e) {
            return e.what();
        }
        return "no error";
    }
    std::unique_ptr<TChart> chart;
};

TEST_F(Axis, MinimumAndMaximumKeepTheirOrder) {
    TChartAxis* left = chart->LeftAxis();
    left->SetMaximum(5);
    left->SetMaximum(24);
    EXPECT_EQ(left->Maximum(), 24);
    EXPECT_EQ(ErrorOf<AxisException>([&] { left->SetMinimum(30); }),
              "Axis Minimum Value must be <= Maximum");
    EXPECT_EQ(left->Minimum(), 0);
    EXPECT_EQ(ErrorOf<AxisException>([&] { left->SetMaximum(-1); }),
              "Axis Maximum Value must be >= Minimum");
    EXPECT_EQ(left->Maximum(), 24);
    EXPECT_TRUE(left->Automatic()) << "the limit setters leave the automatic flags alone";
}

TEST_F(Axis, SetMinMaxTakesEitherOrderAndFixesTheRange) {
    TChartAxis* bottom = chart->BottomAxis();
    bottom->SetMinMax(40, 30);
    EXPECT_EQ(bottom->Minimum(), 30);
    EXPECT_EQ(bottom->Maximum(), 40);
    EXPECT_FALSE(bottom->Automatic());
    EXPECT_FALSE(bottom->AutomaticMinimum());
    EXPECT_FALSE(bottom->AutomaticMaximum());
    bottom->SetMinMax(7, 7);
    EXPECT_EQ(bottom->Minimum(), 7);
    EXPECT_DOUBLE_EQ(bottom->Maximum(), 7.001);
}

TEST_F(Axis, AutomaticFlagsGoTogether) {
    TChartAxis* left = chart->LeftAxis();
    left->SetAutomatic(false);
    EXPECT_FALSE(left->AutomaticMinimum());
    left->SetAutomatic(true);
    left->SetAutomaticMaximum(false);
    EXPECT_FALSE(left->Automatic());
    EXPECT_TRUE(left->AutomaticMinimum());
}

TEST_F(Axis, SettersRefuseBadValues) {
    TChartAxis* left = chart->LeftAxis();
    EXPECT_EQ(ErrorOf<AxisException>([&] { left->SetIncrement(-1); }),
              "Axis increment must be >= 0");
    left->SetIncrement(0);
    EXPECT_EQ(ErrorOf<AxisException>([&] { left->SetLabelsSeparation(-1); }),
              "Labels Separation % must be greater than 0");
    left->SetLabelsSeparation(0);
    EXPECT_EQ(ErrorOf<ChartException>([&] { left->Title()->SetAngle(361); }),
              "Axis Title Angle must be between 0 and 359 degrees");
    EXPECT_EQ(ErrorOf<ChartException>([&] { left->SetLabelsAngle(-1); }),
              "Axis Labels Angle must be between 0 and 359 degrees");
    left->SetLabelsAngle(360);
    EXPECT_EQ(left->LabelsAngle(), 0);
}

TEST_F(Axis, LogarithmicNeedsPositiveNumbers) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    s->AddXY(1, -5);
    s->AddXY(2, 10);
    EXPECT_EQ(ErrorOf<AxisException>([&] { chart->LeftAxis()->SetLogarithmic(true); }),
              "Logarithmic Axis Min and Max values should be >= 0");
    EXPECT_FALSE(chart->LeftAxis()->Logarithmic());
    s->XValues()->SetDateTime(true);
    EXPECT_EQ(ErrorOf<AxisException>([&] { chart->BottomAxis()->SetLogarithmic(true); }),
              "DateTime Axis cannot be Logarithmic");
}

TEST_F(Axis, LinearMappingRunsUpVerticallyAndRightHorizontally) {
    TChartAxis* left = chart->LeftAxis();
    TChartAxis* bottom = chart->BottomAxis();
    Range(left, 0, 100);
    Range(bottom, 0, 100);
    EXPECT_EQ(left->CalcYPosValue(0), 250);
    EXPECT_EQ(left->CalcYPosValue(100), 50);
    EXPECT_EQ(left->CalcYPosValue(25), 200);
    EXPECT_EQ(bottom->CalcXPosValue(25), 150);
    EXPECT_DOUBLE_EQ(bottom->CalcPosPoint(150), 25);
    EXPECT_DOUBLE_EQ(left->CalcPosPoint(200), 25);
    left->SetInverted(true);
    EXPECT_EQ(left->CalcYPosValue(0), 50) << "an inverted vertical axis has its minimum on top";
    EXPECT_DOUBLE_EQ(left->CalcPosPoint(50), 0);
    Range(bottom, 7, 7);
    EXPECT_EQ(bottom->CalcXPosValue(-1000), 200) << "an empty range maps to the centre";
}

TEST_F(Axis, LogarithmicMapping) {
    TChartAxis* bottom = chart->BottomAxis();
    bottom->SetLogarithmic(true);
    Range(bottom, 1, 100);
    EXPECT_EQ(bottom->CalcXPosValue(10), 200);
    EXPECT_EQ(bottom->CalcXPosValue(100), 300);
    EXPECT_EQ(bottom->CalcXPosValue(0), 100);
    EXPECT_EQ(bottom->CalcXPosValue(-3), 100);
    EXPECT_NEAR(bottom->CalcPosPoint(200), 10, 1e-9);
    bottom->SetInverted(true);
    EXPECT_EQ(bottom->CalcXPosValue(10), 200) << "inversion does not apply to log axes";
}

TEST_F(Axis, FarValuesStayOnUsablePixels) {
    TChartAxis* bottom = chart->BottomAxis();
    Range(bottom, 0, 1e-300);
    EXPECT_NO_THROW(bottom->CalcXPosValue(1e300));
    Range(bottom, 0, 100);
    EXPECT_EQ(bottom->CalcXPosValue(std::nan("")), 100);
}

TEST_F(Axis, LabelStepsGrowUntilTheLabelsFit) {
    TChartAxis* left = chart->LeftAxis();
    Range(left, 0, 277);
    EXPECT_EQ(left->CalcIncrement(21), 50);
    EXPECT_EQ(left->CalcIncrement(0), 0.00001);
    Range(left, 0, 45);
    left->SetIncrement(20);
    EXPECT_EQ(left->CalcIncrement(1), 40) << "20 doubles to 40";
    left->SetIncrement(10);
    EXPECT_EQ(left->CalcIncrement(1), 50) << "10 is followed by 50";
    left->SetIncrement(0);
    Range(left, 0, 0.5);
    EXPECT_NEAR(left->CalcIncrement(5), 0.16384, 1e-12);
}

TEST_F(Axis, DateTimeStepsComeFromTheTable) {
    EXPECT_EQ(NextDateTimeStep(1), 2);
    EXPECT_EQ(NextDateTimeStep(182), 365);
    EXPECT_EQ(NextDateTimeStep(200), 365);
    EXPECT_EQ(FindDateTimeStep(7.0), 17);
    EXPECT_EQ(FindDateTimeStep(8.0), 25);
    EXPECT_EQ(DateTimeDefaultFormat(1.0), FormatSettings().ShortTimeFormat);
    EXPECT_EQ(DateTimeDefaultFormat(1.5), FormatSettings().ShortDateFormat);
    TChartAxis* bottom = chart->BottomAxis();
    bottom->IsDateTime = true;
    Range(bottom, 0, 3 * 365);
    EXPECT_EQ(bottom->CalcIncrement(10), 120);
    EXPECT_EQ(bottom->CalcIncrement(2), 730) << "beyond a year the step doubles";
}

TEST_F(Axis, MonthSteppingKeepsTheDayWithinTheMonth) {
    TChartAxis* bottom = chart->BottomAxis();
    bottom->IsDateTime = true;
    auto back = [&](Word y, Word m, Word d, double step) {
        const double v = bottom->DecValue(EncodeDate(y, m, d), step);
        Word yy, mm, dd;
        DecodeDate(v, yy, mm, dd);
        return std::vector<int>{yy, mm, dd};
    };
    EXPECT_EQ(back(2001, 3, 31, 30), (std::vector<int>{2001, 2, 28}));
    EXPECT_EQ(back(2004, 3, 31, 30), (std::vector<int>{2004, 2, 29}));
    EXPECT_EQ(back(2001, 1, 31, 30), (std::vector<int>{2000, 12, 31}));
    EXPECT_EQ(back(2001, 8, 31, 182), (std::vector<int>{2001, 2, 28}));
    EXPECT_EQ(back(2004, 2, 29, 365), (std::vector<int>{2003, 2, 28}));
    EXPECT_EQ(back(2001, 5, 20, 15), (std::vector<int>{2001, 5, 15}));
    EXPECT_EQ(back(2001, 5, 15, 15), (std::vector<int>{2001, 5, 1}));
    EXPECT_EQ(back(2001, 1, 1, 15), (std::vector<int>{2000, 12, 15}));
    bottom->SetExactDateTime(false);
    EXPECT_EQ(bottom->DecValue(100, 30), 70);
}

TEST_F(Axis, LabelTextsFollowTheFormats) {
    TChartAxis* left = chart->LeftAxis();
    EXPECT_EQ(left->LabelValue(1234.5), "1,234.5");
    left->SetAxisValuesFormat("#,##0.###%");
    EXPECT_EQ(left->LabelValue(12.5), "12.5%");
    left->IsDateTime = true;
    left->SetDateTimeFormat("yyyy-mm-dd");
    EXPECT_EQ(left->LabelValue(EncodeDate(1999, 12, 31)), "1999-12-31");
    EXPECT_EQ(left->LabelValue(-1), "");
    chart->OnGetAxisLabel = [](TChartAxis*, TChartSeries* s, int index, std::string& text) {
        if (!s && index == -1) text += "!";
    };
    EXPECT_EQ(left->LabelValue(EncodeDate(2000, 1, 2)), "2000-01-02!");
}

TEST_F(Axis, TheLabelWalkDrawsEveryStepWithinTheRange) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    s->AddXY(0, 0);
    s->AddXY(10, 277);
    TChartAxis* left = chart->LeftAxis();
    left->SetIncrement(50);
    chart->BottomAxis()->SetLabels(false);
    chart->Legend()->SetVisible(false);
    auto canvas = Record(chart.get());
    std::vector<std::string> texts;
    for (const auto& call : canvas->Calls())
        if (call.Name == "TextOut") texts.push_back(call.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"250", "200", "150", "100", "50", "0"}));
}

TEST_F(Axis, TheNextLabelEventCanChooseTheLabels) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    s->AddXY(0, 0);
    s->AddXY(10, 100);
    chart->BottomAxis()->SetLabels(false);
    chart->Legend()->SetVisible(false);
    chart->OnGetNextAxisLabel = [](TChartAxis* axis, int index, double& value, bool& stop) {
        if (axis->Horizontal()) return; // default walk
        value = index * 33.0;
        stop = index > 5;
    };
    auto canvas = Record(chart.get());
    std::vector<std::string> texts;
    for (const auto& call : canvas->Calls())
        if (call.Name == "TextOut") texts.push_back(call.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"0", "33", "66", "99"}));
}

TEST_F(Axis, InThreeDTheRightAxisLabelsStayOutsideItsShiftedLine) {
    chart->SetView3D(true);
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    s->SetVertAxis(aRightAxis);
    s->AddXY(0, 0);
    s->AddXY(10, 100);
    chart->BottomAxis()->SetLabels(false);
    chart->Legend()->SetVisible(false);
    auto canvas = Record(chart.get());
    TChartAxis* right = chart->RightAxis();
    ASSERT_GT(chart->Width3D, 0);
    EXPECT_EQ(right->DrawnPosAxis(), chart->ChartRect.Right + chart->Width3D);
    int labels = 0;
    for (const auto& call : canvas->Calls())
        if (call.Name == "TextOut") {
            ++labels;
            EXPECT_GT(call.Args[0], right->DrawnPosAxis()) << call.Text;
            EXPECT_LE(call.Args[0], chart->Width());
        }
    EXPECT_GT(labels, 2);
}

TEST_F(Axis, ClicksNearTheAxisLineHitIt) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    s->AddXY(0, 0);
    s->AddXY(10, 10);
    Record(chart.get());
    TChartAxis* bottom = chart->BottomAxis();
    const int y = bottom->DrawnPosAxis();
    EXPECT_TRUE(bottom->Clicked(chart->ChartXCenter, y + 11));
    EXPECT_FALSE(bottom->Clicked(chart->ChartXCenter, y + 12));
    EXPECT_FALSE(bottom->Clicked(chart->ChartRect.Right + 1, y));
    EXPECT_FALSE(chart->TopAxis()->Clicked(chart->ChartXCenter, chart->ChartRect.Top))
        << "an axis without series is not shown";
}

} // namespace
