// The chart panel's shared routines: point-in-line and point-in-polygon tests, the default font,
// brushes for hatched fills, the zoom rectangle's colour, and the hand cursor of the chart units.
#include "tests/chart/ChartTestSupport.h"

#include "platform/gui/Forms.h"

namespace {

TEST(ChartProcs, PointsOnALineWithinAPixel) {
    EXPECT_TRUE(PointInLine(Point(5, 5), 0, 0, 10, 10));
    EXPECT_TRUE(PointInLine(Point(10, 10), 0, 0, 10, 10));
    EXPECT_FALSE(PointInLine(Point(5, 7), 0, 0, 10, 10));
    EXPECT_FALSE(PointInLine(Point(11, 11), 0, 0, 10, 10)) << "beyond the segment's end";
    EXPECT_TRUE(PointInLine(Point(4, 3), 0, 3, 9, 3));
}

TEST(ChartProcs, PointsInAPolygonByEvenOdd) {
    const std::vector<TPoint> triangle{{0, 10}, {5, 0}, {10, 10}};
    EXPECT_TRUE(PointInPolygon(Point(5, 5), triangle, 2));
    EXPECT_FALSE(PointInPolygon(Point(1, 1), triangle, 2));
    EXPECT_FALSE(PointInPolygon(Point(5, 5), triangle, -1));
    EXPECT_FALSE(PointInPolygon(Point(5, 5), triangle, 7)) << "more points than given";
    // A point level with a corner counts the edges that leave that corner once.
    const std::vector<TPoint> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolygon(Point(5, 0), square, 3)) << "on the top edge";
    EXPECT_FALSE(PointInPolygon(Point(-5, 0), square, 3)) << "left of the top corner";
    EXPECT_FALSE(PointInPolygon(Point(15, 5), square, 3));
    EXPECT_FALSE(PointInPolygon(Point(5, 10), square, 3)) << "the bottom edge is outside";
}

TEST(ChartProcs, TheDefaultFontIsSmallBlackArial) {
    auto font = CreateDefaultFont();
    EXPECT_TRUE(IsDefaultFont(font.get()));
    font->SetStyle({fsBold});
    EXPECT_FALSE(IsDefaultFont(font.get()));
}

class ChartPanelRoutines : public ChartTest {};

TEST_F(ChartPanelRoutines, HatchedBrushesNeverVanishIntoTheirBackground) {
    auto chart = MakeChart();
    TRecordingCanvas canvas(10, 10);
    chart->SetDestinationCanvas(&canvas);
    chart->SetBrushCanvas(clBlack, clBlack, bsCross);
    EXPECT_EQ(canvas.Brush()->Color(), clWhite);
    chart->SetBrushCanvas(clRed, clRed, bsCross);
    EXPECT_EQ(canvas.Brush()->Color(), clBlack);
    chart->SetBrushCanvas(clRed, clRed, bsSolid);
    EXPECT_EQ(canvas.Brush()->Color(), clRed);
    chart->SetDestinationCanvas(nullptr);
}

TEST_F(ChartPanelRoutines, AHatchedBrushFillsItsGapsWithTheBackColour) {
    auto chart = MakeChart();
    TRecordingCanvas canvas(10, 10);
    chart->SetDestinationCanvas(&canvas);
    chart->SetBrushCanvas(clRed, clBlue, bsCross);
    EXPECT_EQ(GetBkMode(canvas.Handle()), OPAQUE);
    EXPECT_EQ(GetBkColor(canvas.Handle()), ColorToRGB(clBlue));
    chart->SetBrushCanvas(clRed, clBlue, bsSolid);
    EXPECT_EQ(GetBkMode(canvas.Handle()), TRANSPARENT);
    chart->SetDestinationCanvas(nullptr);
}

TEST_F(ChartPanelRoutines, AFontKeepsItsPointSizeOnACanvasOfAnotherResolution) {
    auto chart = MakeChart();
    TRecordingCanvas canvas(10, 10);
    canvas.Font()->SetPixelsPerInch(600);
    chart->SetDestinationCanvas(&canvas);
    TFont font;
    font.SetSize(8); // 11 pixels at 96 per inch
    chart->AssignFont(&font);
    EXPECT_EQ(canvas.Font()->Height(), -67) << "8 points at 600 pixels an inch";
    chart->SetDestinationCanvas(nullptr);
}

TEST_F(ChartPanelRoutines, ALoadedChartChecksItsRangesAndKeepsItsDesignedCursor) {
    auto chart = MakeChart();
    chart->BeginLoading();
    chart->LeftAxis()->SetMaximum(-5); // no order check while reading
    chart->SetCursor(crCross);
    chart->Loaded();
    EXPECT_FALSE(chart->ComponentState().Contains(csLoading));
    EXPECT_EQ(chart->DesignedCursor(), crCross);
    EXPECT_THROW(chart->LeftAxis()->SetMaximum(-10), AxisException);
}

TEST_F(ChartPanelRoutines, TheZoomRectangleIsRedOnAWhiteChart) {
    auto chart = MakeChart();
    TRecordingCanvas canvas(10, 10);
    chart->SetDestinationCanvas(&canvas);
    chart->SetColor(clWhite);
    canvas.Pen()->SetStyle(psDot);
    canvas.Pen()->SetWidth(3);
    canvas.Brush()->SetStyle(bsSolid);
    chart->DrawZoomRectangle();
    chart->SetColor(clSilver);
    chart->DrawZoomRectangle();
    chart->SetDestinationCanvas(nullptr);
    ASSERT_EQ(canvas.Calls().size(), 2u);
    EXPECT_EQ(canvas.Calls()[0].PenColor, clRed);
    EXPECT_EQ(canvas.Calls()[0].PenMode, pmNotXor);
    EXPECT_EQ(canvas.Calls()[0].PenStyle, psSolid) << "whatever the canvas drew before";
    EXPECT_EQ(canvas.Calls()[0].PenWidth, 1);
    EXPECT_EQ(canvas.Calls()[0].BrushStyle, bsClear);
    EXPECT_EQ(canvas.Calls()[1].PenColor, clSilver);
}

TEST_F(ChartPanelRoutines, TheHandCursorIsInTheScreenListWhileTheUnitRuns) {
    InitApplication();
    StartChartProcs();
    EXPECT_NE(Screen->Cursors(crChartHand), 0);
    StopChartProcs();
    EXPECT_EQ(Screen->Cursors(crChartHand), 0);
}

TEST_F(ChartPanelRoutines, ThePlotRectangleNeverTurnsInsideOut) {
    auto chart = MakeChart();
    chart->ChartBounds = Rect(10, 10, 100, 100);
    chart->ChartRect = Rect(0, 50, -20, 40);
    chart->RecalcWidthHeight();
    EXPECT_EQ(chart->ChartRect, Rect(10, 50, 11, 51));
    EXPECT_EQ(chart->ChartWidth, 1);
    EXPECT_EQ(chart->ChartXCenter, 10);
}

} // namespace
