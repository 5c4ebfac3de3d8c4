// Axes: range setters and their errors, label steps, value-to-pixel mapping (linear, inverted,
// logarithmic), label texts, the label walk and calendar stepping of date-time axes.
#include "tests/chart/ChartTestSupport.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Regional.h"

#include <cmath>
#include <limits>
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
    std::unique_ptr<TChart> chart;
};

TEST_F(Axis, MinimumAndMaximumKeepTheirOrder) {
    TChartAxis* left = chart->LeftAxis();
    left->SetMaximum(5);
    left->SetMaximum(24);
    EXPECT_EQ(left->Maximum(), 24);
    EXPECT_EQ(RaisedMessage<AxisException>([&] { left->SetMinimum(30); }),
              "Axis Minimum Value must be <= Maximum");
    EXPECT_EQ(left->Minimum(), 0);
    EXPECT_EQ(RaisedMessage<AxisException>([&] { left->SetMaximum(-1); }),
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
    EXPECT_EQ(RaisedMessage<AxisException>([&] { left->SetIncrement(-1); }),
              "Axis increment must be >= 0");
    left->SetIncrement(0);
    EXPECT_EQ(RaisedMessage<AxisException>([&] { left->SetLabelsSeparation(-1); }),
              "Labels Separation % must be greater than 0");
    left->SetLabelsSeparation(0);
    EXPECT_EQ(left->LabelsSeparation(), 0);
    left->SetLabelsSeparation(25);
    EXPECT_EQ(left->LabelsSeparation(), 25);
    EXPECT_EQ(RaisedMessage<ChartException>([&] { left->Title()->SetAngle(361); }),
              "Axis Title Angle must be between 0 and 359 degrees");
    EXPECT_EQ(RaisedMessage<ChartException>([&] { left->SetLabelsAngle(-1); }),
              "Axis Labels Angle must be between 0 and 359 degrees");
    left->SetLabelsAngle(360);
    EXPECT_EQ(left->LabelsAngle(), 0);
}

TEST_F(Axis, AnAssignedAxisTakesEverySetting) {
    auto other = MakeChart();
    TChartAxis* from = other->LeftAxis();
    from->SetLabelsAngle(90);
    from->SetLabelsSeparation(7);
    from->SetLabelsOnAxis(false);
    from->Ticks()->SetColor(clRed);
    from->MinorTicks()->SetWidth(3);
    from->Axis()->SetColor(clBlue);
    from->Grid()->SetStyle(psDash);
    from->SetTickInnerLength(5);
    from->SetMinorTickCount(6);
    from->SetTickLength(9);
    from->SetAutomatic(false);
    from->SetMinMax(-4, 40);
    from->SetIncrement(4);
    from->Title()->SetCaption("Balance");
    from->SetAxisValuesFormat("#,##0");
    from->SetInverted(true);
    TChartAxis* to = chart->RightAxis();
    to->Assign(from);
    EXPECT_EQ(to->LabelsAngle(), 90);
    EXPECT_EQ(to->LabelsSeparation(), 7);
    EXPECT_FALSE(to->LabelsOnAxis());
    EXPECT_EQ(to->Ticks()->Color(), clRed);
    EXPECT_EQ(to->MinorTicks()->Width(), 3);
    EXPECT_EQ(to->Axis()->Color(), clBlue);
    EXPECT_EQ(to->Grid()->Style(), psDash);
    EXPECT_EQ(to->TickInnerLength(), 5);
    EXPECT_EQ(to->MinorTickCount(), 6);
    EXPECT_EQ(to->TickLength(), 9);
    EXPECT_FALSE(to->Automatic());
    EXPECT_EQ(to->Minimum(), -4);
    EXPECT_EQ(to->Maximum(), 40);
    EXPECT_EQ(to->Increment(), 4);
    EXPECT_EQ(to->Title()->Caption(), "Balance");
    EXPECT_EQ(to->AxisValuesFormat(), "#,##0");
    EXPECT_TRUE(to->Inverted());
    EXPECT_FALSE(to->Horizontal()) << "an axis keeps its own side";
    // Only the minimum fixed: the maximum stays automatic.
    TChartAxis* fixedLow = other->BottomAxis();
    fixedLow->SetAutomaticMinimum(false);
    TChartAxis* top = chart->TopAxis();
    top->Assign(fixedLow);
    EXPECT_FALSE(top->Automatic());
    EXPECT_FALSE(top->AutomaticMinimum());
    EXPECT_TRUE(top->AutomaticMaximum());
}

TEST_F(Axis, LogarithmicNeedsPositiveNumbers) {
    auto* s = AddSeries<TFastLineSeries>(chart.get(), {{1, -5}, {2, 10}});
    EXPECT_EQ(RaisedMessage<AxisException>([&] { chart->LeftAxis()->SetLogarithmic(true); }),
              "Logarithmic Axis Min and Max values should be >= 0");
    EXPECT_FALSE(chart->LeftAxis()->Logarithmic());
    s->XValues()->SetDateTime(true);
    EXPECT_EQ(RaisedMessage<AxisException>([&] { chart->BottomAxis()->SetLogarithmic(true); }),
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
    // A range starting below 1: four decades on 200 pixels, 50 each.
    bottom->SetInverted(false);
    Range(bottom, 0.1, 1000);
    EXPECT_EQ(bottom->CalcXPosValue(0.1), 100);
    EXPECT_EQ(bottom->CalcXPosValue(1), 150);
    EXPECT_EQ(bottom->CalcXPosValue(100), 250);
}

TEST_F(Axis, PixelsRoundToTheNearestWithHalvesToEven) {
    TChartAxis* bottom = chart->BottomAxis();
    TChartAxis* left = chart->LeftAxis();
    Range(bottom, 0, 100);
    Range(left, 0, 100);
    EXPECT_EQ(bottom->CalcXPosValue(6.35), 113) << "12.7 pixels along";
    EXPECT_EQ(bottom->CalcXPosValue(6.25), 112) << "12.5 pixels along";
    EXPECT_EQ(bottom->CalcXPosValue(6.75), 114) << "13.5 pixels along";
    EXPECT_EQ(left->CalcYPosValue(6.35), 237) << "12.7 pixels up";
    bottom->SetLogarithmic(true);
    Range(bottom, 1, 100);
    EXPECT_EQ(bottom->CalcXPosValue(5), 170) << "200 x log10(5) = 69.9 pixels along";
}

TEST_F(Axis, PixelsMapBackToValuesOnEverySide) {
    TChartAxis* bottom = chart->BottomAxis();
    TChartAxis* left = chart->LeftAxis();
    Range(bottom, 0, 100);
    Range(left, 0, 100);
    bottom->SetInverted(true);
    left->SetInverted(true);
    EXPECT_DOUBLE_EQ(bottom->CalcPosPoint(150), 75) << "150 pixels left of the right edge";
    EXPECT_DOUBLE_EQ(left->CalcPosPoint(200), 75) << "50 pixels above the bottom, from the top";
    left->SetInverted(false);
    left->SetLogarithmic(true);
    Range(left, 1, 100);
    EXPECT_NEAR(left->CalcPosPoint(150), 10, 1e-9) << "half way up a log axis of 1..100";
    Range(left, 5, 5);
    EXPECT_EQ(left->CalcPosPoint(150), 5);
    chart->ChartRect = Rect(100, 50, 100, 50);
    chart->RecalcWidthHeight();
    EXPECT_EQ(bottom->CalcPosPoint(100), 0) << "a plot without width has no values";
    left->SetLogarithmic(false);
    Range(left, 0, 100);
    EXPECT_EQ(left->CalcPosPoint(50), 0) << "nor one without height";
}

TEST_F(Axis, FarValuesStayOnUsablePixels) {
    TChartAxis* bottom = chart->BottomAxis();
    Range(bottom, 0, 1e-300);
    EXPECT_NO_THROW(bottom->CalcXPosValue(1e300));
    Range(bottom, 0, 100);
    EXPECT_EQ(bottom->CalcXPosValue(std::nan("")), 100);
}

// Values near the largest number, whose distance from the axis start times the axis size (or
// whose distance itself) is beyond it, land in their place as any others do.
TEST_F(Axis, ValuesNearTheLargestNumberLandInTheirPlace) {
    TChartAxis* bottom = chart->BottomAxis();
    Range(bottom, 1, 1.7e306);
    EXPECT_EQ(bottom->CalcXPosValue(1.7e306), chart->ChartRect.Right);
    EXPECT_EQ(bottom->CalcXPosValue(0.85e306), chart->ChartXCenter);
    const double most = std::numeric_limits<double>::max();
    Range(bottom, -most, most);
    EXPECT_EQ(bottom->CalcXPosValue(-most), chart->ChartRect.Left);
    EXPECT_EQ(bottom->CalcXPosValue(0), chart->ChartXCenter);
    EXPECT_EQ(bottom->CalcXPosValue(most), chart->ChartRect.Right);
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

TEST_F(Axis, AStepFitsWhenTheLabelCountRoundsToTheLimit) {
    TChartAxis* left = chart->LeftAxis();
    Range(left, 0, 10.4);
    left->SetIncrement(1);
    EXPECT_EQ(left->CalcIncrement(10), 1) << "10.4 steps make 10 labels";
    EXPECT_EQ(left->CalcIncrement(9), 2);
    left->IsDateTime = true;
    EXPECT_EQ(left->CalcIncrement(10), 1) << "days stepped the same way";
    left->IsDateTime = false;
    Range(left, 0, 5000);
    left->SetIncrement(501);
    EXPECT_EQ(left->CalcIncrement(5), 1002) << "a step off the ladder doubles";
    Range(left, -1e308, 1e308);
    EXPECT_EQ(left->CalcIncrement(10), 1) << "an endless range takes a step of one";
    left->IsDateTime = true;
    EXPECT_EQ(left->CalcIncrement(10), OneSecond);
}

TEST_F(Axis, TheLabelCountComesFromTheLabelSizeAndSeparation) {
    // The labels' font is 12 pixels high; "100,000" is 39 pixels wide; the plot is 200 x 200.
    TChartAxis* left = chart->LeftAxis();
    TChartAxis* bottom = chart->BottomAxis();
    Range(left, 0, 100000);
    Range(bottom, 0, 100000);
    // Upright labels on a vertical axis take their height plus 10 %: 13 pixels, so 15 labels
    // fit and the step of 10,000 gives 10 of them; turned labels take their width plus 10 %
    // (43 pixels), 5 fit and the step doubles.
    EXPECT_EQ(left->CalcLabelsIncrement(), 10000);
    left->SetLabelsAngle(180);
    EXPECT_EQ(left->CalcLabelsIncrement(), 10000);
    left->SetLabelsAngle(90);
    EXPECT_EQ(left->CalcLabelsIncrement(), 20000);
    EXPECT_EQ(bottom->CalcLabelsIncrement(), 20000) << "a horizontal axis the other way round";
    bottom->SetLabelsAngle(270);
    EXPECT_EQ(bottom->CalcLabelsIncrement(), 10000);
    // 12 + round(3.6) = 16 pixels a label: 200 / 16 = 12.5 rounds to 12 labels, too few for
    // 12.6 steps of one.
    left->SetLabelsAngle(0);
    left->SetIncrement(1);
    left->SetLabelsSeparation(30);
    Range(left, 0, 12.6);
    EXPECT_EQ(left->CalcLabelsIncrement(), 2);
    // 12 + round(7.2) = 19 pixels: 200 / 19 = 10.5 rounds to 11 labels, room for 10.6 steps.
    left->SetLabelsSeparation(60);
    Range(left, 0, 10.6);
    EXPECT_EQ(left->CalcLabelsIncrement(), 1);
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
    EXPECT_EQ(left->LabelValue(0), "1899-12-30") << "day nought is a date";
    chart->OnGetAxisLabel = [](TChartAxis*, TChartSeries* s, int index, std::string& text) {
        if (!s && index == -1) text += "!";
    };
    EXPECT_EQ(left->LabelValue(EncodeDate(2000, 1, 2)), "2000-01-02!");
}

TEST_F(Axis, TheLabelWalkDrawsEveryStepWithinTheRange) {
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {10, 277}});
    TChartAxis* left = chart->LeftAxis();
    left->SetIncrement(50);
    chart->BottomAxis()->SetLabels(false);
    chart->Legend()->SetVisible(false);
    EXPECT_EQ(TextsOf(*Record(chart.get())),
              (std::vector<std::string>{"250", "200", "150", "100", "50", "0"}));
}

TEST_F(Axis, TheNextLabelEventCanChooseTheLabels) {
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {10, 100}});
    chart->BottomAxis()->SetLabels(false);
    chart->Legend()->SetVisible(false);
    chart->OnGetNextAxisLabel = [](TChartAxis* axis, int index, double& value, bool& stop) {
        if (axis->Horizontal()) return; // default walk
        value = index * 33.0;
        stop = index > 5;
    };
    EXPECT_EQ(TextsOf(*Record(chart.get())), (std::vector<std::string>{"0", "33", "66", "99"}));
}

TEST_F(Axis, InThreeDTheRightAxisLabelsStayOutsideItsShiftedLine) {
    chart->SetView3D(true);
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    s->SetVertAxis(aRightAxis);
    AddPoints(s, {{0, 0}, {10, 100}});
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

TEST_F(Axis, AnAxisTakesItsRoomForTitleLabelsAndTicksFromItsSide) {
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {10, 100}});
    TChartAxis* left = chart->LeftAxis();
    left->AdjustMaxMin();
    // Upright labels on the left axis are as wide as the widest of "0" and "100" (18 pixels)
    // and a blank (3); the ticks take the axis line's 2 pixels and the tick's 4.
    TRect r = Rect(0, 0, 600, 400);
    left->CalcRect(r);
    EXPECT_EQ(left->PosTitle(), 0);
    EXPECT_EQ(left->PosLabels(), 21);
    EXPECT_EQ(r.Left, 27);
    // Turned labels take the font's height instead (12 pixels).
    left->SetLabelsAngle(90);
    r = Rect(0, 0, 600, 400);
    left->CalcRect(r);
    EXPECT_EQ(left->PosLabels(), 12);
    EXPECT_EQ(r.Left, 18);
    // Labels upside down are as wide as upright ones.
    left->SetLabelsAngle(180);
    r = Rect(0, 0, 600, 400);
    left->CalcRect(r);
    EXPECT_EQ(left->PosLabels(), 21);
    EXPECT_EQ(r.Left, 27);
    // The bottom axis takes the height of its upright labels from the bottom.
    TChartAxis* bottom = chart->BottomAxis();
    bottom->AdjustMaxMin();
    r = Rect(0, 0, 600, 400);
    bottom->CalcRect(r);
    EXPECT_EQ(bottom->PosLabels(), 388);
    EXPECT_EQ(r.Bottom, 382);
    EXPECT_EQ(r.Left, 0);
}

// A chart whose axes can be drawn alone onto a recording canvas.
class TAxisChart : public TChart {
public:
    using TChart::TChart;
    using TCustomChartPanel::SetDrawingCanvas;
};

class AxisDrawing : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = std::make_unique<TAxisChart>(nullptr);
        chart->SetBounds(0, 0, 600, 400);
        series = AddSeries<TFastLineSeries>(chart.get());
        chart->SetDrawingCanvas(&canvas);
    }
    void TearDown() override { chart->SetDrawingCanvas(nullptr); }
    // Draws the bottom axis along y = 250 from x = 100 to 100 + Width, over Low..High.
    void DrawBottom(int Width, double Low, double High) {
        DrawAxis(chart->BottomAxis(), Rect(100, 50, 100 + Width, 250), Low, High, 250);
    }
    // Draws the left axis along x = 100 from y = 250 up to 250 - Height, over Low..High, onto
    // a canvas whose brush was left solid by the drawing before.
    void DrawLeft(int Height, double Low, double High) {
        canvas.Brush()->SetStyle(bsSolid);
        DrawAxis(chart->LeftAxis(), Rect(100, 250 - Height, 500, 250), Low, High, 100);
    }
    // Draws the axis at Position over Low..High beside the plot.
    void DrawAxis(TChartAxis* Axis, const TRect& Plot, double Low, double High, int Position) {
        chart->ChartRect = Plot;
        chart->RecalcWidthHeight();
        Axis->SetMinMax(Low, High);
        Axis->AdjustMaxMin();
        Axis->SetPosAxis(Position);
        canvas.ClearCalls();
        Axis->Draw();
    }
    // The x of every vertical line that ends at y = At, or with Across the y of every
    // horizontal line that ends at x = At.
    std::vector<int> LinesEnding(int At, bool Across) const {
        const std::size_t along = Across ? 0 : 1, across = 1 - along;
        std::vector<int> found;
        const auto& calls = canvas.Calls();
        for (std::size_t i = 1; i < calls.size(); ++i)
            if (calls[i].Name == "LineTo" && calls[i - 1].Name == "MoveTo" &&
                calls[i].Args[along] == At && calls[i - 1].Args[along] != At &&
                calls[i].Args[across] == calls[i - 1].Args[across])
                found.push_back(calls[i].Args[across]);
        return found;
    }
    std::vector<int> LinesEndingAtX(int X) const { return LinesEnding(X, true); }
    std::vector<int> LinesEndingAt(int Y) const { return LinesEnding(Y, false); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& call : Named(canvas, "TextOut"))
            texts.push_back(call.Text + "@" + std::to_string(call.Args[0]));
        return texts;
    }
    TRecordingCanvas canvas{600, 400};
    std::unique_ptr<TAxisChart> chart;
    TFastLineSeries* series = nullptr;
};

TEST_F(AxisDrawing, TicksGridAndMinorTicksAtEachLabel) {
    AddPoints(series, {{0, 0}, {10, 10}});
    chart->BottomAxis()->SetIncrement(3);
    chart->BottomAxis()->SetTickInnerLength(3);
    // 0..10 over 190 pixels: labels at 9, 6, 3 and 0 fall on x = 271, 214, 157 and 100.
    DrawBottom(190, 0, 10);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"9@271", "6@214", "3@157", "0@100"}));
    EXPECT_EQ(LinesEndingAt(254), (std::vector<int>{271, 214, 157, 100})) << "outer ticks";
    EXPECT_EQ(LinesEndingAt(247), (std::vector<int>{271, 214, 157, 100})) << "inner ticks";
    EXPECT_EQ(LinesEndingAt(250), (std::vector<int>{271, 214, 157}))
        << "grid lines from the top down, none at the axis's minimum";
    // Three minor ticks split each 57 pixels into quarters, each rounded: 14.25, 28.5, 42.75.
    EXPECT_EQ(LinesEndingAt(252),
              (std::vector<int>{228, 242, 257, 171, 185, 200, 114, 128, 143}));
    // Ticks of every kind are grey and solid; the grid is grey and dotted.
    const auto& calls = canvas.Calls();
    int checked = 0;
    for (std::size_t i = 1; i < calls.size(); ++i) {
        const auto& call = calls[i];
        if (call.Name != "LineTo" || calls[i - 1].Name != "MoveTo" ||
            calls[i - 1].Args[0] != call.Args[0])
            continue;
        const int end = call.Args[1];
        EXPECT_EQ(call.PenColor, clGray) << end;
        EXPECT_EQ(call.PenStyle, end == 250 ? psDot : psSolid) << end;
        ++checked;
    }
    EXPECT_EQ(checked, 4 + 4 + 3 + 9);
}

TEST_F(AxisDrawing, TheLeftAxisTicksPointLeftAndItsLabelsHaveNoBox) {
    AddPoints(series, {{0, 0}, {10, 10}});
    chart->LeftAxis()->SetIncrement(5);
    // 0..10 over 200 pixels up from 250: labels 10, 5 and 0 at y = 50, 150 and 250.
    DrawLeft(200, 0, 10);
    EXPECT_EQ(LinesEndingAtX(96), (std::vector<int>{50, 150, 250})) << "ticks of 4 outwards";
    EXPECT_EQ(LinesEndingAtX(500), (std::vector<int>{150})) << "the grid across the plot";
    // Minor ticks of 2 split each 100 pixels into quarters.
    EXPECT_EQ(LinesEndingAtX(98), (std::vector<int>{125, 100, 75, 225, 200, 175}));
    const auto texts = Named(canvas, "TextOut");
    ASSERT_EQ(texts.size(), 3U);
    for (const auto& call : texts)
        EXPECT_EQ(call.BrushStyle, bsClear) << call.Text;
}

TEST_F(AxisDrawing, DateLabelsStartAtTheLastYearsOrMonthsFirstDay) {
    series->XValues()->SetDateTime(true);
    AddPoints(series, {{EncodeDate(2000, 1, 1), 0}, {EncodeDate(2004, 6, 20), 1}});
    TChartAxis* bottom = chart->BottomAxis();
    bottom->SetDateTimeFormat("yyyy-mm-dd");
    bottom->SetIncrement(365);
    DrawBottom(500, EncodeDate(2000, 1, 1), EncodeDate(2004, 6, 20));
    EXPECT_EQ(TextsOf(canvas), (std::vector<std::string>{"2004-01-01", "2003-01-01", "2002-01-01",
                                                         "2001-01-01", "2000-01-01"}));
    bottom->SetIncrement(30);
    DrawBottom(500, EncodeDate(2004, 3, 10), EncodeDate(2004, 6, 20));
    EXPECT_EQ(TextsOf(canvas),
              (std::vector<std::string>{"2004-06-01", "2004-05-01", "2004-04-01"}));
}

TEST_F(AxisDrawing, PointLabelsThatWouldTouchAreLeftOut) {
    // Labels "100" are 18 pixels wide; with the separation of 10 % each claims 18 + round(3.6)
    // = 22 pixels, so a label 21 pixels after the last one drawn is left out, one 42 after it
    // is drawn; without separation all are drawn.
    series->AddXY(0, 1, "100");
    series->AddXY(10, 1, "100");
    series->AddXY(20, 1, "100");
    chart->BottomAxis()->SetLabelStyle(talText);
    DrawBottom(210, 0, 100);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"100@100", "100@142"}));
    EXPECT_EQ(LinesEndingAt(254), (std::vector<int>{100, 142})) << "ticks only at labels";
    chart->BottomAxis()->SetTickOnLabelsOnly(false);
    chart->BottomAxis()->SetLabelsSeparation(0);
    DrawBottom(210, 0, 100);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"100@100", "100@121", "100@142"}));
}

TEST_F(Axis, ClicksNearTheAxisLineHitIt) {
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {10, 10}});
    Record(chart.get());
    TChartAxis* bottom = chart->BottomAxis();
    const int y = bottom->DrawnPosAxis();
    EXPECT_TRUE(bottom->Clicked(chart->ChartXCenter, y + 11));
    EXPECT_FALSE(bottom->Clicked(chart->ChartXCenter, y + 12));
    EXPECT_FALSE(bottom->Clicked(chart->ChartRect.Right + 1, y));
    TChartAxis* left = chart->LeftAxis();
    const int x = left->DrawnPosAxis();
    EXPECT_TRUE(left->Clicked(x - 11, chart->ChartYCenter));
    EXPECT_TRUE(left->Clicked(x + 11, chart->ChartYCenter));
    EXPECT_FALSE(left->Clicked(x - 12, chart->ChartYCenter));
    EXPECT_FALSE(left->Clicked(x + 12, chart->ChartYCenter));
    EXPECT_FALSE(left->Clicked(x, chart->ChartRect.Bottom + 1));
    EXPECT_FALSE(chart->TopAxis()->Clicked(chart->ChartXCenter, chart->ChartRect.Top))
        << "an axis without series is not shown";
}

} // namespace
