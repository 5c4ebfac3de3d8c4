// Line, point and area series: the pointer's size check, skipped far-away points, lines that
// start at the plot's left edge, steps, null points, hit tests of symbols and lines, legend
// symbols, margins for symbols, and stacked areas.
#include "tests/chart/ChartTestSupport.h"

#include <vector>

namespace {

class LineSeries : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeBareChart();
        chart->Frame()->SetVisible(false);
    }
    void FixAxes(double XMin, double XMax, double YMin, double YMax) {
        chart->BottomAxis()->SetMinMax(XMin, XMax);
        chart->LeftAxis()->SetMinMax(YMin, YMax);
    }
    // The pen moves and lines drawn in Color, as "M x,y" and "L x,y".
    static std::vector<std::string> Path(const TRecordingCanvas& Canvas, TColor Color) {
        std::vector<std::string> out;
        for (const auto& c : Canvas.Calls()) {
            if (c.Name != "MoveTo" && c.Name != "LineTo") continue;
            if (c.Name == "LineTo" && c.PenColor != Color) continue;
            out.push_back((c.Name == "MoveTo" ? "M " : "L ") + std::to_string(c.Args[0]) + "," +
                          std::to_string(c.Args[1]));
        }
        // Moves not followed by a line of the colour say nothing.
        std::vector<std::string> kept;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out[i][0] == 'L' || (i + 1 < out.size() && out[i + 1][0] == 'L'))
                kept.push_back(out[i]);
        return kept;
    }
    // A series of the chart drawn in Color.
    template <typename S>
    S* Coloured(TColor Color) {
        auto* series = AddSeries<S>(chart.get());
        series->SetSeriesColor(Color);
        return series;
    }
    static std::string At(char Kind, int X, int Y) {
        return std::string(1, Kind) + " " + std::to_string(X) + "," + std::to_string(Y);
    }
    std::unique_ptr<TChart> chart;
};

TEST_F(LineSeries, APointerIsAtLeastOnePixelEachWay) {
    auto* line = AddSeries<TLineSeries>(chart.get());
    EXPECT_EQ(RaisedMessage<ChartException>([&] { line->Pointer()->SetHorizSize(0); }),
              "Pointer size must be greater than zero");
    EXPECT_THROW(line->Pointer()->SetVertSize(-3), ChartException);
    EXPECT_EQ(line->Pointer()->HorizSize(), 4);
    EXPECT_EQ(line->Pointer()->VertSize(), 4);
}

TEST_F(LineSeries, APointFarOutsideIsNeitherDrawnNorRemembered) {
    auto* line = Coloured<TLineSeries>(clRed);
    line->XValues()->SetOrder(loNone);
    line->AddXY(1, 5);
    line->AddXY(700, 5); // about 40000 pixels to the right
    line->AddXY(3, 8);
    FixAxes(0, 10, 0, 10);
    auto canvas = Record(chart.get());
    ASSERT_GT(line->CalcXPos(1), 32767);
    const auto path = Path(*canvas, clRed);
    EXPECT_EQ(path, (std::vector<std::string>{At('M', line->CalcXPos(0), line->CalcYPos(0)),
                                              At('L', line->CalcXPos(2), line->CalcYPos(2))}));
}

TEST_F(LineSeries, ALineStartsAtTheLeftEdgeAtItsHeightThere) {
    auto* line = Coloured<TLineSeries>(clRed);
    for (int x = 0; x < 10; ++x)
        line->AddXY(x, x * 10);
    FixAxes(3.5, 9, 0, 100);
    auto canvas = Record(chart.get());
    ASSERT_EQ(line->FirstValueIndex(), 4);
    const auto path = Path(*canvas, clRed);
    ASSERT_GE(path.size(), 2u);
    EXPECT_EQ(path[0], At('M', line->CalcXPosValue(3.5), line->CalcYPosValue(35)));
    EXPECT_EQ(path[1], At('L', line->CalcXPos(4), line->CalcYPos(4)));
}

TEST_F(LineSeries, StairsGoAcrossThenUpOrTheOtherWayRound) {
    auto* line = Coloured<TLineSeries>(clRed);
    AddPoints(line, {{0, 0}, {10, 5}});
    line->SetStairs(true);
    FixAxes(0, 10, 0, 5);
    auto canvas = Record(chart.get());
    const int x0 = line->CalcXPos(0), y0 = line->CalcYPos(0);
    const int x1 = line->CalcXPos(1), y1 = line->CalcYPos(1);
    EXPECT_EQ(Path(*canvas, clRed),
              (std::vector<std::string>{At('M', x0, y0), At('L', x1, y0), At('L', x1, y1)}));
    line->SetInvertedStairs(true);
    canvas = Record(chart.get());
    EXPECT_EQ(Path(*canvas, clRed),
              (std::vector<std::string>{At('M', x0, y0), At('L', x0, y1), At('L', x1, y1)}));
}

TEST_F(LineSeries, ANullPointBreaksTheLine) {
    auto* line = Coloured<TLineSeries>(clRed);
    line->Add(1);
    line->AddNull("gap");
    line->Add(3);
    line->Add(4);
    FixAxes(0, 3, 0, 5);
    auto canvas = Record(chart.get());
    EXPECT_EQ(Path(*canvas, clRed),
              (std::vector<std::string>{At('M', line->CalcXPos(2), line->CalcYPos(2)),
                                        At('L', line->CalcXPos(3), line->CalcYPos(3))}));
}

TEST_F(LineSeries, PointSeriesAnswerOnlyOnTheirSymbols) {
    auto* points = AddSeries<TPointSeries>(chart.get(), {{0, 0}, {10, 10}});
    FixAxes(0, 10, 0, 10);
    Record(chart.get());
    int pointerClicks = 0;
    points->OnClickPointer = [&](TCustomSeries*, int, int, int) { ++pointerClicks; };
    const int mx = (points->CalcXPos(0) + points->CalcXPos(1)) / 2;
    const int my = (points->CalcYPos(0) + points->CalcYPos(1)) / 2;
    EXPECT_EQ(points->Clicked(mx, my), -1) << "the line between is not there";
    EXPECT_EQ(points->Clicked(points->CalcXPos(1) + 3, points->CalcYPos(1) - 3), 1);
    EXPECT_EQ(pointerClicks, 1);
    EXPECT_EQ(points->Clicked(points->CalcXPos(1) + 4, points->CalcYPos(1)), -1)
        << "the symbol's half width is 4";

    auto* line = AddSeries<TLineSeries>(chart.get(), {{0, 0}, {10, 10}});
    Record(chart.get());
    EXPECT_EQ(line->Clicked(mx, my), 0) << "a line's segment belongs to its first point";
}

TEST_F(LineSeries, OnlySegmentsBetweenPointsShownAnswerAClick) {
    auto* line = AddSeries<TLineSeries>(chart.get());
    for (int i = 0; i <= 10; ++i)
        line->AddXY(i, 5);
    FixAxes(4, 10, 0, 10);
    Record(chart.get());
    const int first = line->FirstValueIndex();
    ASSERT_GT(first, 0);
    const int x = line->CalcXPos(first), y = line->CalcYPos(first);
    EXPECT_EQ(line->Clicked((x + line->CalcXPos(first + 1)) / 2, y), first);
    // Nothing leads to the first point shown, least of all a line from the window's corner.
    EXPECT_EQ(line->Clicked(x / 2, y / 2), -1);
}

TEST_F(LineSeries, APointersCrossHasBothStrokes) {
    auto* points = Coloured<TPointSeries>(clRed);
    points->Pointer()->SetStyle(psCross);
    points->AddXY(5, 5);
    FixAxes(0, 10, 0, 10);
    auto canvas = Record(chart.get());
    const int x = points->CalcXPos(0), y = points->CalcYPos(0);
    // Four pixels each way, the far ends drawn too.
    EXPECT_EQ(Path(*canvas, clRed), (std::vector<std::string>{At('M', x, y - 4), At('L', x, y + 5),
                                                               At('M', x - 4, y),
                                                               At('L', x + 5, y)}));
    points->Pointer()->SetStyle(psDiagCross);
    canvas = Record(chart.get());
    EXPECT_EQ(Path(*canvas, clRed),
              (std::vector<std::string>{At('M', x - 4, y - 4), At('L', x + 5, y + 5),
                                        At('M', x - 4, y + 4), At('L', x + 5, y - 5)}));
}

TEST_F(LineSeries, ARectanglePointerInThreeDHasATopAndASideFace) {
    chart->SetView3D(true);
    auto* points = Coloured<TPointSeries>(clRed);
    points->Pointer()->SetStyle(psRectangle);
    points->Pointer()->SetDraw3D(true);
    points->AddXY(5, 5);
    FixAxes(0, 10, 0, 10);
    auto canvas = Record(chart.get());
    const int dx = chart->SeriesWidth3D, dy = chart->SeriesHeight3D;
    ASSERT_GT(dx, 0);
    std::vector<int> front;
    for (const auto& call : Named(*canvas, "Rectangle"))
        if (call.BrushColor == clRed) front = call.Args;
    ASSERT_EQ(front.size(), 4u);
    const int l = front[0], t = front[1], r = front[2], b = front[3];
    EXPECT_EQ(r - l, 9) << "four pixels each way and the far edge";
    EXPECT_EQ(b - t, 9);
    std::vector<std::vector<int>> faces;
    for (const auto& call : Named(*canvas, "Polygon"))
        if (call.BrushColor == clRed) faces.push_back(call.Args);
    EXPECT_EQ(faces, (std::vector<std::vector<int>>{{l, t, l + dx, t - dy, r + dx, t - dy, r, t},
                                                    {r, t, r + dx, t - dy, r + dx, b - dy, r, b}}));
}

TEST_F(LineSeries, AnAssignedPointerTakesItsSizesStyleAndDepth) {
    auto* from = AddSeries<TPointSeries>(chart.get());
    auto* to = AddSeries<TPointSeries>(chart.get());
    from->Pointer()->SetHorizSize(7);
    from->Pointer()->SetVertSize(2);
    from->Pointer()->SetStyle(psDiamond);
    from->Pointer()->SetDraw3D(!to->Pointer()->Draw3D());
    to->Pointer()->Assign(from->Pointer());
    EXPECT_EQ(to->Pointer()->HorizSize(), 7);
    EXPECT_EQ(to->Pointer()->VertSize(), 2);
    EXPECT_EQ(to->Pointer()->Style(), psDiamond);
    EXPECT_EQ(to->Pointer()->Draw3D(), from->Pointer()->Draw3D());
}

TEST_F(LineSeries, ALineInThreeDIsARibbonInItsLinePen) {
    chart->SetView3D(true);
    auto* line = AddSeries<TLineSeries>(chart.get());
    line->LinePen()->SetColor(clBlue);
    AddPoints(line, {{0, 0}, {10, 5}});
    FixAxes(0, 10, 0, 5);
    auto canvas = Record(chart.get());
    const int dx = chart->SeriesWidth3D, dy = chart->SeriesHeight3D;
    const int x0 = line->CalcXPos(0), y0 = line->CalcYPos(0);
    const int x1 = line->CalcXPos(1), y1 = line->CalcYPos(1);
    const std::vector<int> ribbon{x0, y0, x1, y1, x1 + dx, y1 - dy, x0 + dx, y0 - dy};
    bool drawn = false;
    for (const auto& call : Named(*canvas, "Polygon"))
        drawn = drawn || (call.Args == ribbon && call.PenColor == clBlue);
    EXPECT_TRUE(drawn);
}

TEST_F(LineSeries, AnAreasOutlineTakesTheAreaColourWithoutAColourOfItsOwn) {
    auto* area = Coloured<TAreaSeries>(clRed);
    AddPoints(area, {{0, 10}, {10, 10}});
    FixAxes(0, 10, 0, 20);
    auto outline = [&] {
        const auto fills = Named(*Record(chart.get()), "Polygon");
        return fills.empty() ? clNone : fills.front().PenColor;
    };
    EXPECT_EQ(outline(), clBlack) << "the outline pen's own colour";
    area->AreaLinesPen()->SetColor(clChartColor);
    EXPECT_EQ(outline(), clRed) << "the default colour marker takes the area's";
    area->AreaLinesPen()->SetColor(clBlue);
    area->AreaLinesPen()->SetVisible(false);
    EXPECT_EQ(outline(), clRed) << "so does a hidden outline";
}

TEST_F(LineSeries, AnAreaAnswersInsideItsFill) {
    auto* area = AddSeries<TAreaSeries>(chart.get(), {{0, 10}, {10, 10}});
    FixAxes(0, 10, 0, 20);
    Record(chart.get());
    const int x = area->CalcXPosValue(5);
    EXPECT_EQ(area->Clicked(x, area->CalcYPosValue(5)), 0);
    EXPECT_EQ(area->Clicked(x, area->CalcYPosValue(15)), -1);
}

TEST_F(LineSeries, LegendSymbolsKeepToTheirRectangle) {
    auto* line = Coloured<TLineSeries>(clBlue);
    line->Pointer()->SetVisible(true);
    line->Pointer()->SetHorizSize(6);
    TRecordingCanvas canvas(40, 40);
    chart->SetDestinationCanvas(&canvas);
    line->DrawLegendShape(-1, Rect(0, 0, 12, 12));
    chart->SetDestinationCanvas(nullptr);
    const auto rectangles = Named(canvas, "Rectangle");
    ASSERT_EQ(rectangles.size(), 1u);
    EXPECT_EQ(rectangles[0].Args[0], 6 - 4) << "half width 12 div 3";
    EXPECT_EQ(rectangles[0].Args[2], 6 + 4 + 1);
    EXPECT_EQ(rectangles[0].BrushColor, clBlue);
    EXPECT_EQ(line->Pointer()->HorizSize(), 6) << "the pointer keeps its own size";
}

TEST_F(LineSeries, AHatchedAreasLegendSymbolShowsTheLegendColourInItsGaps) {
    auto* area = Coloured<TAreaSeries>(clRed);
    area->SetAreaBrush(bsDiagCross);
    chart->SetColor(clAqua);
    chart->Legend()->SetColor(clYellow);
    TRecordingCanvas canvas(40, 40);
    chart->SetDestinationCanvas(&canvas);
    area->DrawLegend(-1, Rect(2, 2, 30, 20));
    chart->SetDestinationCanvas(nullptr);
    const auto rectangles = Named(canvas, "Rectangle");
    ASSERT_FALSE(rectangles.empty());
    EXPECT_EQ(rectangles[0].BrushStyle, bsDiagCross);
    EXPECT_EQ(rectangles[0].BrushColor, clRed);
    int yellow = 0, red = 0, aqua = 0;
    for (int y = 3; y < 19; ++y)
        for (int x = 3; x < 29; ++x) {
            const TColor c = canvas.Bitmap()->Canvas()->Pixels(x, y);
            yellow += c == clYellow;
            red += c == clRed;
            aqua += c == clAqua;
        }
    EXPECT_GT(yellow, 100) << "the gaps between the hatch lines";
    EXPECT_GT(red, 50) << "the hatch lines";
    EXPECT_EQ(aqua, 0) << "nothing of the chart's own colour";
}

TEST_F(LineSeries, SymbolsWidenTheMargins) {
    auto* points = AddSeries<TPointSeries>(chart.get());
    points->Pointer()->SetHorizSize(7);
    int left = 0, right = 0, top = 0, bottom = 0;
    points->CalcHorizMargins(left, right);
    points->CalcVerticalMargins(top, bottom);
    EXPECT_EQ(left, 8);
    EXPECT_EQ(right, 8);
    EXPECT_EQ(top, 5);
    points->Pointer()->SetInflateMargins(false);
    points->CalcHorizMargins(left, right);
    EXPECT_EQ(left, 0);
}

TEST_F(LineSeries, StackedAreasShareOneDepthAndReachAHundredPerCent) {
    chart->SetView3D(true);
    auto* lower = AddSeries<TAreaSeries>(chart.get());
    auto* upper = AddSeries<TAreaSeries>(chart.get());
    auto* other = AddSeries<TLineSeries>(chart.get());
    for (int x = 0; x < 3; ++x) {
        lower->AddXY(x, 1);
        upper->AddXY(x, 3);
        other->AddXY(x, 2);
    }
    lower->SetMultiArea(maStacked100);
    EXPECT_EQ(upper->MultiArea(), maStacked100) << "every area of the chart follows";
    EXPECT_EQ(upper->MaxYValue(), 100);
    EXPECT_EQ(upper->MinYValue(), 0);
    Record(chart.get());
    EXPECT_EQ(lower->ZOrder(), upper->ZOrder());
    EXPECT_NE(lower->ZOrder(), other->ZOrder());
    EXPECT_EQ(upper->CalcYPos(0), upper->CalcYPosValue(100));
    EXPECT_EQ(upper->OriginPixel(0), upper->CalcYPosValue(25));
    upper->SetMultiArea(maStacked);
    EXPECT_EQ(upper->MaxYValue(), 4);
    // A hundred per cent of nothing: both areas at pixel 0 where all are 0.
    upper->SetMultiArea(maStacked100);
    lower->AddXY(3, 0);
    upper->AddXY(3, 0);
    Record(chart.get());
    EXPECT_EQ(upper->CalcYPos(3), 0);
    EXPECT_EQ(lower->CalcYPos(3), 0);
}

TEST_F(LineSeries, FlavoursKeepTheirNatureWhenAssigned) {
    auto* area = AddSeries<TAreaSeries>(chart.get());
    area->SetStairs(true);
    auto* line = AddSeries<TLineSeries>(chart.get());
    line->Assign(area);
    EXPECT_TRUE(line->Stairs());
    EXPECT_FALSE(line->DrawArea());
    EXPECT_TRUE(line->DrawLine());
    auto* points = AddSeries<TPointSeries>(chart.get());
    points->Assign(line);
    EXPECT_TRUE(points->Pointer()->Visible());
    EXPECT_FALSE(points->DrawLine());
    EXPECT_FALSE(points->ClickableLine());
    EXPECT_EQ(area->GetEditorClassName(), "TAreaSeriesEditor");
    EXPECT_EQ(points->GetEditorClassName(), "TCustomSeriesEditor");
}

} // namespace
