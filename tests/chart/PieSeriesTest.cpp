// Pie series: the rotation setting, the table of slice angles (proportional to absolute values,
// one degree at least, the last ending at exactly 2 pi), what a pie turns off on its chart, the
// drawing of single and empty pies, marks outside the circle, and the hit test inside the
// ellipse only.
#include "tests/chart/ChartTestSupport.h"

#include "platform/gui/Forms.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace {

using std::numbers::pi;

class PieSeries : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart(400, 400);
        chart->Legend()->SetVisible(false);
        pie = AddSeries<TPieSeries>(chart.get());
        pie->Marks()->SetVisible(false);
    }
    void Values(std::initializer_list<double> List) {
        for (double v : List)
            pie->Add(v);
        pie->CalcAngles();
    }
    double End(int Index) const { return pie->Angles().at(Index).EndAngle; }
    std::unique_ptr<TChart> chart;
    TPieSeries* pie = nullptr;
};

TEST_F(PieSeries, RotationIsKeptWithinAFullTurn) {
    EXPECT_THROW(pie->SetRotationAngle(-1), PieException);
    EXPECT_EQ(RaisedMessage<PieException>([&] { pie->SetRotationAngle(-1); }),
              "Rotation Angle must be between 0 and 359 degrees");
    pie->SetRotationAngle(360);
    EXPECT_EQ(pie->RotationAngle(), 0);
    pie->SetRotationAngle(450);
    EXPECT_EQ(pie->RotationAngle(), 90);
}

TEST_F(PieSeries, SlicesFollowTheValues) {
    Values({1, 1, 2});
    EXPECT_DOUBLE_EQ(End(0), pi / 2);
    EXPECT_DOUBLE_EQ(End(1), pi);
    EXPECT_EQ(End(2), 2 * pi) << "exactly a full turn";
    EXPECT_DOUBLE_EQ(pie->Angles()[2].MidAngle, 1.5 * pi);
}

TEST_F(PieSeries, NegativeValuesCountByTheirSize) {
    Values({-1, 3});
    EXPECT_DOUBLE_EQ(End(0), pi / 2);
    EXPECT_EQ(End(1), 2 * pi);
}

TEST_F(PieSeries, AZeroStillGetsOneDegree) {
    Values({5, 0, 5});
    EXPECT_NEAR(End(1) - End(0), pi / 180, 1e-12);
}

TEST_F(PieSeries, AllZerosRunUpToJustBelowAFullTurn) {
    Values({0, 0, 0});
    for (int i = 0; i < 3; ++i)
        EXPECT_DOUBLE_EQ(End(i), 2 * pi - 1e-6);
}

TEST_F(PieSeries, APieOnAChartSwitchesItsAxesOff) {
    auto other = MakeChart();
    auto* p = AddSeries<TPieSeries>(other.get());
    EXPECT_FALSE(other->AxisVisible());
    EXPECT_FALSE(other->ClipPoints());
    EXPECT_FALSE(other->Frame()->Visible());
    EXPECT_FALSE(other->View3DWalls());
    EXPECT_FALSE(other->AllowZoom());
    EXPECT_EQ(other->AllowPanning(), pmNone);
    p->SetActive(false);
    EXPECT_TRUE(other->AxisVisible()) << "an inactive pie gives the axes back";
    EXPECT_EQ(other->AllowPanning(), pmBoth);
    p->SetActive(true);
    EXPECT_FALSE(other->AxisVisible());
    p->SetParentChart(nullptr);
    EXPECT_TRUE(other->AxisVisible());
    EXPECT_TRUE(other->AllowZoom());
    delete p;
}

TEST_F(PieSeries, ThePieLeavesTheAxesTheirRange) {
    chart->LeftAxis()->SetMinMax(5, 50);
    Values({1000, 2000});
    EXPECT_EQ(pie->MaxYValue(), 50);
    EXPECT_EQ(pie->MinYValue(), 5);
}

TEST_F(PieSeries, ASinglePointIsAWholeEllipse) {
    Values({42});
    auto canvas = Record(chart.get());
    EXPECT_TRUE(Named(*canvas, "Pie").empty());
    EXPECT_GE(Named(*canvas, "Ellipse").size(), 1u);
}

TEST_F(PieSeries, EachSliceIsDrawnFromWhereTheLastEnded) {
    Values({1, 1, 2});
    const auto slices = Named(*Record(chart.get()), "Pie");
    ASSERT_EQ(slices.size(), 3u);
    for (std::size_t i = 1; i < slices.size(); ++i) {
        EXPECT_EQ(slices[i].Args[4], slices[i - 1].Args[6]);
        EXPECT_EQ(slices[i].Args[5], slices[i - 1].Args[7]);
    }
    const TPoint top = pie->AngleToPos(pi / 2);
    EXPECT_EQ(slices[0].Args[6], top.X) << "the first quarter ends at the top";
    EXPECT_EQ(slices[0].Args[7], top.Y);
    EXPECT_EQ(slices[0].BrushColor, clRed);
    EXPECT_EQ(slices[1].BrushColor, clGreen);
}

TEST_F(PieSeries, MarksSitOutsideTheCircle) {
    pie->Marks()->SetVisible(true);
    pie->Add(1, "Right");
    pie->Add(1, "Left");
    auto canvas = Record(chart.get());
    std::vector<TRecordingCanvas::TCall> texts;
    for (const auto& call : canvas->Calls())
        if (call.Name == "ExtTextOut" || call.Name == "TextOut") texts.push_back(call);
    ASSERT_EQ(texts.size(), 2u);
    const TRect& circle = pie->CircleRect();
    // The first slice's middle points up and right, the second's down and left.
    EXPECT_TRUE(texts[0].Args[1] < circle.Top || texts[0].Args[0] >= circle.Right - 5);
    EXPECT_LT(texts[1].Args[0], pie->CircleXCenter());
    EXPECT_GT(texts[1].Args[1], pie->CircleYCenter());
}

TEST_F(PieSeries, ClicksCountInsideTheEllipseOnly) {
    Values({1, 1, 2});
    Record(chart.get());
    const int cx = pie->CircleXCenter();
    const int cy = pie->CircleYCenter();
    const int r = pie->XRadius();
    EXPECT_EQ(pie->Clicked(cx + r / 2, cy - r / 2), 0) << "upper right quarter";
    EXPECT_EQ(pie->Clicked(cx - r / 2, cy - r / 2), 1);
    EXPECT_EQ(pie->Clicked(cx, cy + r / 2), 2);
    const int corner = static_cast<int>(r * 0.8);
    EXPECT_EQ(pie->Clicked(cx + corner, cy - corner), -1) << "in the square, out of the circle";
    EXPECT_EQ(pie->Clicked(cx + r, cy), -1);
}

TEST_F(PieSeries, MarksAndTheirFrameTakeTheirRoomAroundTheCircle) {
    pie->Add(1, "One");
    pie->Marks()->SetVisible(true);
    pie->Marks()->Frame()->SetVisible(false);
    chart->ChartRect = Rect(0, 0, 400, 400);
    pie->CalcCircleRect();
    const TRect plain = pie->CircleRect();
    EXPECT_GT(plain.Left, 0);
    // A frame of width 1 counts twice each way: 2 pixels more on every side.
    pie->Marks()->Frame()->SetVisible(true);
    pie->Marks()->Frame()->SetWidth(1);
    pie->CalcCircleRect();
    EXPECT_EQ(pie->CircleRect().Left, plain.Left + 2);
    EXPECT_EQ(pie->CircleRect().Top, plain.Top + 2);
}

TEST_F(PieSeries, ThreeDTakesTheRimFromTheCirclesHeight) {
    pie->Add(1);
    chart->SetView3D(true);
    // 15 per cent of a circle 398 pixels high is 59.7 pixels of rim.
    chart->ChartRect = Rect(0, 0, 400, 398);
    pie->CalcCircleRect();
    EXPECT_EQ(pie->Height3D(), 60);
    EXPECT_EQ(pie->CircleHeight(), 338);
}

TEST_F(PieSeries, AnglesOfPointsAroundEvenTheSmallestCircle) {
    pie->Add(1);
    pie->SetCustomXRadius(1);
    pie->SetCustomYRadius(1);
    chart->ChartRect = Rect(0, 0, 400, 400);
    pie->CalcCircleRect();
    EXPECT_DOUBLE_EQ(pie->PointToAngle(200, 190), pi / 2) << "straight above the centre";
    EXPECT_DOUBLE_EQ(pie->PointToAngle(190, 200), pi);
    EXPECT_DOUBLE_EQ(pie->PointToAngle(200, 210), 3 * pi / 2);
}

TEST_F(PieSeries, TheCircleBackColourIsASolidEllipseUnderTheSlices) {
    // A series drawn before leaves the canvas brush clear, or hatched.
    auto* before = new TFastLineSeries(nullptr);
    before->AddXY(1, 1);
    TBrushStyle left = bsClear;
    before->AfterDrawValues = [&](TObject*) { chart->DrawingCanvas()->Brush()->SetStyle(left); };
    chart->RemoveSeries(pie);
    before->SetParentChart(chart.get());
    pie->SetParentChart(chart.get());
    pie->SetCircleBackColor(clSilver);
    Values({1, 3});
    for (TBrushStyle style : {bsClear, bsDiagCross}) {
        left = style;
        const auto ellipses = Named(*Record(chart.get()), "Ellipse");
        ASSERT_FALSE(ellipses.empty());
        EXPECT_EQ(ellipses.front().BrushColor, clSilver);
        EXPECT_EQ(ellipses.front().BrushStyle, bsSolid) << "after a brush of style " << style;
        EXPECT_EQ(ellipses.front().PenStyle, psClear);
    }
}

TEST_F(PieSeries, ThePieAnnouncesItsDrawingOfValues) {
    Values({1, 3});
    int before = 0, after = 0;
    pie->BeforeDrawValues = [&](TObject*) { ++before; };
    pie->AfterDrawValues = [&](TObject*) { ++after; };
    Record(chart.get());
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
}

TEST_F(PieSeries, AMarksArrowStartsEightPixelsInsideTheCircle) {
    pie->Marks()->SetVisible(true);
    pie->Marks()->Arrow()->SetColor(clFuchsia);
    pie->Add(1, "Up");
    pie->Add(1, "Down");
    auto canvas = Record(chart.get());
    // The second slice runs from pi to 2 pi: its middle points straight down.
    const auto& calls = canvas->Calls();
    std::vector<std::vector<int>> starts;
    for (std::size_t i = 1; i < calls.size(); ++i)
        if (calls[i].Name == "LineTo" && calls[i].PenColor == clFuchsia &&
            calls[i - 1].Name == "MoveTo")
            starts.push_back(calls[i - 1].Args);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1],
              (std::vector<int>{pie->CircleXCenter(), pie->CircleYCenter() + pie->YRadius() - 8}));
}

TEST_F(PieSeries, InThreeDTheRimEndsWithAnEdgeInThePiePen) {
    chart->SetView3D(true);
    pie->SetShadowed3d(true);
    EXPECT_TRUE(pie->Shadowed3d());
    pie->PiePen()->SetColor(clBlue);
    pie->SetShadowColor(clMaroon);
    Values({3, 1}); // the first slice ends straight below the centre
    auto canvas = Record(chart.get());
    const TPoint edge = pie->AngleToPos(3 * pi / 2);
    const auto& calls = canvas->Calls();
    bool edgeLine = false, shaded = false;
    for (std::size_t i = 1; i < calls.size(); ++i) {
        if (calls[i].Name != "LineTo" || calls[i - 1].Name != "MoveTo") continue;
        edgeLine = edgeLine ||
                   (calls[i - 1].Args == std::vector<int>{edge.X, edge.Y} &&
                    calls[i].Args == std::vector<int>{edge.X, edge.Y + pie->Height3D()} &&
                    calls[i].PenColor == clBlue);
        shaded = shaded || calls[i].PenColor == clMaroon;
    }
    EXPECT_TRUE(edgeLine);
    EXPECT_TRUE(shaded) << "every other rim line is in the shadow colour";
}

TEST_F(PieSeries, WithoutAnOutlineTheRimIsStillDrawnOnePixelWide) {
    chart->SetView3D(true);
    pie->SetCircleBackColor(clSilver);
    pie->PiePen()->SetVisible(false);
    pie->PiePen()->SetWidth(3);
    Values({3, 1});
    const auto lines = Named(*Record(chart.get()), "LineTo");
    ASSERT_GT(lines.size(), 10u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.PenStyle, psSolid);
        EXPECT_EQ(line.PenWidth, 1);
    }
}

TEST_F(PieSeries, SlicesPastTheSixteenColoursAreHatched) {
    for (int i = 0; i < 16; ++i)
        pie->Add(1);
    EXPECT_EQ(Named(*Record(chart.get()), "Pie").size(), 16u) << "sixteen colours, no hatch";
    pie->Add(1);
    const auto slices = Named(*Record(chart.get()), "Pie");
    // The seventeenth slice is drawn again, hatched over its colour.
    ASSERT_EQ(slices.size(), 18u);
    EXPECT_EQ(slices[17].Args, slices[16].Args);
    EXPECT_EQ(slices[17].BrushStyle, bsDiagCross);
    EXPECT_NE(slices[16].BrushStyle, bsDiagCross);
}

TEST_F(PieSeries, APointDeletedSinceTheLastDrawingAnswersNoClick) {
    Values({1, 1, 2});
    Record(chart.get());
    pie->Delete(2);
    const int cx = pie->CircleXCenter();
    const int cy = pie->CircleYCenter();
    const int r = pie->XRadius();
    EXPECT_EQ(pie->Clicked(cx - r / 2, cy - r / 2), 1);
    EXPECT_EQ(pie->Clicked(cx, cy + r / 2), -1) << "where the third slice was";
}

TEST_F(PieSeries, ACircledPieIsRoundOnTheDevice) {
    InitApplication();
    ASSERT_EQ(Screen->Width(), Screen->Height()) << "a square screen: only the device counts";
    Values({1, 2});
    pie->SetCircled(true);
    chart->SetBufferedDisplay(false);
    // The plot is 376 pixels square; a device 132 mm wide and 106 mm high (500 x 400 pixels)
    // shows 188 x 106 / 132 = 151.0 pixels of radius across as round.
    TRecordingCanvas wide(500, 400);
    chart->Draw(&wide, Rect(0, 0, 400, 400));
    EXPECT_EQ(pie->XRadius(), 151);
    EXPECT_EQ(pie->YRadius(), 188);
    // On a device 106 mm wide and 159 mm high the height shrinks the same way, to 188 x 106 /
    // 159 = 125.3 pixels.
    TRecordingCanvas tall(400, 600);
    chart->Draw(&tall, Rect(0, 0, 400, 400));
    EXPECT_EQ(pie->XRadius(), 188);
    EXPECT_EQ(pie->YRadius(), 125);
}

TEST_F(PieSeries, SampleValuesRunFromOneToAThousand) {
    pie->FillSampleValues(100000);
    EXPECT_EQ(pie->YValues()->MinValue(), 1);
    EXPECT_EQ(pie->YValues()->MaxValue(), 1000);
    EXPECT_EQ(pie->XLabel(9), "Phones");
}

TEST_F(PieSeries, RotationTurnsTheSlices) {
    Values({1, 1, 2});
    pie->SetRotationAngle(90);
    Record(chart.get());
    const int cx = pie->CircleXCenter();
    const int cy = pie->CircleYCenter();
    const int r = pie->XRadius();
    EXPECT_EQ(pie->Clicked(cx - r / 2, cy - r / 2), 0) << "the first quarter now lies upper left";
    EXPECT_EQ(pie->Clicked(cx + r / 2, cy - r / 2), 2);
}

TEST_F(PieSeries, SampleValuesAreLabelledAndGalleryPiesAreDeep) {
    chart->SetView3D(true);
    pie->PrepareForGallery(true);
    ASSERT_EQ(pie->Count(), 8);
    EXPECT_EQ(pie->XLabel(0), "Cars");
    EXPECT_EQ(pie->XLabel(7), "Chairs");
    for (int i = 0; i < 8; ++i) {
        EXPECT_GE(pie->YValue(i), 1);
        EXPECT_LE(pie->YValue(i), 1000);
    }
    EXPECT_EQ(chart->Chart3DPercent(), 35);
    EXPECT_TRUE(pie->ColorEachPoint());
}

TEST_F(PieSeries, AThreeDimensionalPieDrawsItsRimBelowTheSlices) {
    chart->SetView3D(true);
    Values({1, 3});
    auto canvas = Record(chart.get());
    EXPECT_GT(pie->Height3D(), 0);
    int rimLines = 0;
    for (const auto& call : canvas->Calls())
        if (call.Name == "LineTo" && call.Args[1] > pie->CircleYCenter()) ++rimLines;
    EXPECT_GT(rimLines, pie->XRadius()) << "one stroke per pixel column of the lower half";
}

TEST_F(PieSeries, FixedRadiiAreSharedAndUsed) {
    auto* second = AddSeries<TPieSeries>(chart.get());
    pie->SetCustomXRadius(50);
    pie->SetCustomYRadius(30);
    EXPECT_EQ(second->CustomXRadius(), 50);
    EXPECT_EQ(second->CustomYRadius(), 30);
    Values({1, 2});
    Record(chart.get());
    EXPECT_EQ(pie->XRadius(), 50);
    EXPECT_EQ(pie->CircleRect().Width(), 100);
    EXPECT_EQ(pie->CircleRect().Height(), 60);
}

} // namespace
