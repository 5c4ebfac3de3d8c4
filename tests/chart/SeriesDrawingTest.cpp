// Fast line and bar series: pixel work of the fast line (repeated pixels, columns of many
// points, entry from the point before the visible range), hit tests, pen and colour, and the
// bars' widths, positions, stacking, shapes and marks.
#include "tests/chart/ChartTestSupport.h"

#include <algorithm>
#include <limits>
#include <set>
#include <vector>

namespace {

using TCalls = std::vector<TRecordingCanvas::TCall>;

class SeriesDrawing : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeBareChart();
    }
    // A plot of 600 x 300 pixels with the bottom and left axes fixed to the given ranges.
    void FixPlot(double xMin, double xMax, double yMin, double yMax) {
        chart->ChartRect = Rect(0, 0, 600, 300);
        chart->RecalcWidthHeight();
        for (auto [axis, low, high] : {std::tuple{chart->BottomAxis(), xMin, xMax},
                                       std::tuple{chart->LeftAxis(), yMin, yMax}}) {
            axis->SetMinMax(low, high);
            axis->AdjustMaxMin();
        }
    }
    // The faces (polygons) a bar of the series draws in 3-D with the given depth.
    TCalls Faces3D(TCustomBarSeries* Series, const TRect& Bar, int Dx, int Dy) {
        TRecordingCanvas canvas(300, 300);
        chart->SetDestinationCanvas(&canvas);
        chart->SetView3D(true);
        chart->SeriesWidth3D = Dx;
        chart->SeriesHeight3D = Dy;
        const bool upright = dynamic_cast<TBarSeries*>(Series) != nullptr;
        const int low = upright ? Bar.Top : Bar.Left, high = upright ? Bar.Bottom : Bar.Right;
        Series->DrawBar(Bar, 0, std::min(low, high), std::max(low, high));
        chart->SetDestinationCanvas(nullptr);
        return Named(canvas, "Polygon");
    }
    // The lines the chart draws in that colour.
    TCalls LinesIn(TColor Color) {
        TCalls lines;
        for (const auto& call : Named(*Record(chart.get()), "LineTo"))
            if (call.PenColor == Color) lines.push_back(call);
        return lines;
    }
    std::unique_ptr<TChart> chart;
};

// --- fast line

TEST_F(SeriesDrawing, AnEmptyFastLineDrawsNothingAndHitsNothing) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    EXPECT_TRUE(Named(*Record(chart.get()), "LineTo").empty());
    EXPECT_EQ(line->Clicked(10, 10), -1);
}

TEST_F(SeriesDrawing, OnePointOnlyMovesThePen) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    line->AddXY(1, 1);
    auto canvas = Record(chart.get());
    EXPECT_EQ(Named(*canvas, "MoveTo").size(), 1u);
    EXPECT_TRUE(Named(*canvas, "LineTo").empty());
    EXPECT_EQ(line->Clicked(line->CalcXPos(0), line->CalcYPos(0)), 0) << "the point is hit";
}

TEST_F(SeriesDrawing, AColumnAtTheEndIsDrawnBeforeTheMarks) {
    auto* line = AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {5, 5}, {5, 8}, {5, 2}});
    line->Marks()->SetVisible(true);
    auto canvas = Record(chart.get());
    int lastLine = -1, firstMark = -1;
    for (int i = 0; i < static_cast<int>(canvas->Calls().size()); ++i) {
        const auto& call = canvas->Calls()[i];
        if (call.Name == "LineTo" && call.PenColor == line->SeriesColor()) lastLine = i;
        if (call.Name == "TextOut" && firstMark < 0) firstMark = i;
    }
    ASSERT_GE(firstMark, 0);
    EXPECT_LT(lastLine, firstMark) << "the line is complete under the marks";
    EXPECT_EQ(canvas->Calls()[lastLine].Args,
              (std::vector<int>{line->CalcXPos(3), line->CalcYPos(3)}));
}

TEST_F(SeriesDrawing, TheLineEntersFromThePointBeforeTheVisibleRange) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    for (int i = 0; i < 10; ++i)
        line->AddXY(i, i);
    chart->BottomAxis()->SetMinMax(4.5, 9);
    auto canvas = Record(chart.get());
    EXPECT_EQ(line->FirstValueIndex(), 5);
    const TCalls moves = Named(*canvas, "MoveTo");
    const TCalls lines = Named(*canvas, "LineTo");
    ASSERT_FALSE(moves.empty());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(moves.back().Args, (std::vector<int>{line->CalcXPos(4), line->CalcYPos(4)}));
    EXPECT_EQ(lines.front().Args, (std::vector<int>{line->CalcXPos(5), line->CalcYPos(5)}));
}

TEST_F(SeriesDrawing, RepeatedPixelsCostNoLine) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    chart->BottomAxis()->SetMinMax(0, 10);
    chart->LeftAxis()->SetMinMax(0, 10);
    AddPoints(line, {{1, 1}, {5, 5}, {5.0000001, 5.0000001}, {9, 9}});
    EXPECT_EQ(Named(*Record(chart.get()), "LineTo").size(), 2u);
}

TEST_F(SeriesDrawing, AColumnOfManyPointsIsOneStrokeFromItsLowestToItsHighestPixel) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    chart->BottomAxis()->SetMinMax(0, 10);
    chart->LeftAxis()->SetMinMax(0, 100);
    line->AddXY(0, 50);
    for (int i = 0; i < 1000; ++i) // one column, up and down
        line->AddXY(5 + i * 1e-9, i % 2 ? 90 : 10);
    AddPoints(line, {{5 + 2e-6, 60}, {10, 50}});
    const TCalls lines = Named(*Record(chart.get()), "LineTo");
    ASSERT_LE(lines.size(), 5u);
    const int x = line->CalcXPos(1);
    int low = 1 << 30, high = -1;
    for (const auto& call : lines)
        if (call.Args[0] == x) {
            low = std::min(low, call.Args[1]);
            high = std::max(high, call.Args[1]);
        }
    EXPECT_EQ(low, line->CalcYPosValue(90));
    EXPECT_EQ(high, line->CalcYPosValue(10));
    EXPECT_EQ(lines.back().Args, (std::vector<int>{line->CalcXPos(1002), line->CalcYPos(1002)}));
}

TEST_F(SeriesDrawing, ClicksOnAPointOrASegment) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    for (int i = 0; i < 6; ++i)
        line->AddXY(i, i % 2 ? 10 : 0);
    Record(chart.get());
    EXPECT_EQ(line->Clicked(line->CalcXPos(3), line->CalcYPos(3)), 3);
    const int midX = (line->CalcXPos(3) + line->CalcXPos(4)) / 2;
    const int midY = (line->CalcYPos(3) + line->CalcYPos(4)) / 2;
    EXPECT_EQ(line->Clicked(midX, midY), 3);
    EXPECT_EQ(line->Clicked(midX, midY - 40), -1);
}

// In 3-D a value reads true against its axis: a line lies level with its labels on the front
// plane, bars side by side share one row whose front face is level with the labels and whose
// top reaches the back wall where the grid line is, and each grid line runs over the left wall
// down to its label.
TEST_F(SeriesDrawing, InA3DChartValuesReadTrueAgainstTheirLabelsAndGrid) {
    auto chart3D = MakeChart(600, 400, true);
    auto* interest = AddSeries<TBarSeries>(chart3D.get());
    auto* principal = AddSeries<TBarSeries>(chart3D.get());
    auto* payment = AddSeries<TFastLineSeries>(chart3D.get());
    interest->SetSeriesColor(clRed);
    principal->SetSeriesColor(clGreen);
    payment->SetSeriesColor(clBlue);
    for (int year = 1; year <= 3; ++year) {
        interest->AddXY(year, 40 - 10 * year);
        principal->AddXY(year, 10 * year);
        payment->AddXY(year, 40);
    }
    chart3D->BottomAxis()->SetMinMax(0, 4);
    chart3D->LeftAxis()->SetMinMax(0, 50);
    chart3D->LeftAxis()->SetIncrement(10);
    auto canvas = Record(chart3D.get());
    const TRect& r = chart3D->ChartRect;
    const int dx = chart3D->Width3D;
    const int dy = chart3D->Height3D;
    ASSERT_GT(dx, 0);
    ASSERT_GT(dy, 0);
    EXPECT_EQ(interest->ZOrder(), principal->ZOrder());
    EXPECT_EQ(dy, chart3D->SeriesHeight3D) << "one row of depth: the bars'";
    auto y = [&](double value) { return chart3D->LeftAxis()->CalcYPosValue(value); };
    auto x = [&](double value) { return chart3D->BottomAxis()->CalcXPosValue(value); };
    auto lines = [&](TColor color) {
        std::vector<std::vector<int>> points;
        for (const auto& call : canvas->Calls())
            if ((call.Name == "LineTo" || call.Name == "MoveTo") && call.PenColor == color)
                points.push_back(call.Args);
        return points;
    };
    auto has = [](const std::vector<std::vector<int>>& points, std::vector<int> point) {
        return std::find(points.begin(), points.end(), point) != points.end();
    };
    const auto blue = lines(clBlue);
    for (int year = 1; year <= 3; ++year)
        EXPECT_TRUE(has(blue, {x(year), y(40)})) << "the line at its labels' height, " << year;
    for (TBarSeries* bars : {interest, principal}) {
        const TColor color = bars->SeriesColor();
        for (int i = 0; i < bars->Count(); ++i) {
            const int top = y(bars->YValue(i));
            bool front = false;
            bool lid = false;
            for (const auto& call : canvas->Calls()) {
                if (call.BrushColor != color && call.Name == "Rectangle") continue;
                if (call.Name == "Rectangle" && call.Args[1] == top) front = true;
                if (call.Name == "Polygon" && call.Args.size() == 8 && call.Args[1] == top &&
                    call.Args[5] == top - dy)
                    lid = true;
            }
            EXPECT_TRUE(front) << "front face level with the label, colour " << color << " " << i;
            EXPECT_TRUE(lid) << "top face up to the wall, colour " << color << " " << i;
        }
    }
    const auto grey = lines(clGray);
    for (int value : {10, 20, 30, 40}) {
        EXPECT_TRUE(has(grey, {r.Left + dx, y(value) - dy})) << "grid on the wall, " << value;
        EXPECT_TRUE(has(grey, {r.Left, y(value)})) << "grid down to the label, " << value;
    }
}

TEST_F(SeriesDrawing, PenColourAndSeriesColourStayTogether) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    TChartPen pen;
    pen.SetColor(clRed);
    line->SetLinePen(&pen);
    EXPECT_EQ(line->SeriesColor(), clRed);
    line->SetSeriesColor(clGreen);
    EXPECT_EQ(line->LinePen()->Color(), clGreen);
    line->LinePen()->SetColor(clBlue);
    EXPECT_EQ(line->SeriesColor(), clBlue);
}

TEST_F(SeriesDrawing, APrintedDottedLineIsOneDevicePixelWide) {
    auto* line = AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {1, 1}});
    line->LinePen()->SetStyle(psDot);
    chart->SetPrinterCanvas(true);
    auto canvas = Record(chart.get());
    chart->SetPrinterCanvas(false);
    const TCalls lines = Named(*canvas, "LineTo");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].PenWidth, 0);
    EXPECT_EQ(lines[0].PenStyle, psDot);
}

TEST_F(SeriesDrawing, TheFastLineLegendSymbolIsALineAcrossTheMiddle) {
    auto* line = AddSeries<TFastLineSeries>(chart.get());
    TRecordingCanvas canvas(100, 100);
    chart->SetDestinationCanvas(&canvas);
    line->DrawLegendShape(-1, Rect(10, 20, 40, 31));
    chart->SetDestinationCanvas(nullptr);
    ASSERT_EQ(canvas.Calls().size(), 2u);
    EXPECT_EQ(canvas.Calls()[0].Args, (std::vector<int>{10, 25}));
    EXPECT_EQ(canvas.Calls()[1].Name, "LineTo");
    EXPECT_EQ(canvas.Calls()[1].Args, (std::vector<int>{40, 25}));
}

// --- bars

TEST_F(SeriesDrawing, TwoBarSeriesStandSideBySide) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    auto* b = AddSeries<TBarSeries>(chart.get());
    for (int i = 1; i <= 5; ++i) {
        a->AddXY(i, i);
        b->AddXY(i, 2 * i);
    }
    FixPlot(0, 6, 0, 10);
    a->CalcBarWidth();
    b->CalcBarWidth();
    EXPECT_EQ(a->BarWidth(), 35);
    const int x = a->CalcXPosValue(2);
    EXPECT_EQ(a->CalcXPos(1), x - 35);
    EXPECT_EQ(b->CalcXPos(1), x);
    b->SetCustomBarWidth(12);
    b->CalcBarWidth();
    EXPECT_EQ(b->BarWidth(), 12);
    int left = 0, right = 0;
    a->CalcHorizMargins(left, right);
    EXPECT_EQ(left, 70);
}

TEST_F(SeriesDrawing, TheLongestSeriesSetsTheSlotsAndTheWidthRoundsToEven) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    auto* b = AddSeries<TBarSeries>(chart.get());
    for (int i = 1; i <= 5; ++i)
        a->AddXY(i, i);
    for (int i = 1; i <= 7; ++i)
        b->AddXY(i, i);
    FixPlot(0, 8, 0, 10);
    // Seven points and the margin slot share 600 pixels: 600 x 0.7 / 8 = 52.5, rounded to the
    // even 52 and halved between the two series.
    a->CalcBarWidth();
    EXPECT_EQ(a->BarWidth(), 26);
    // Alone, five points and a margin over 650 pixels: 650 x 0.7 / 6 = 75.8 makes 76.
    b->SetActive(false);
    a->SetMultiBar(mbNone);
    chart->ChartRect = Rect(0, 0, 650, 300);
    chart->RecalcWidthHeight();
    a->CalcBarWidth();
    EXPECT_EQ(a->BarWidth(), 76);
}

TEST_F(SeriesDrawing, ThreeSeriesSideBySideShiftByRoundedHalfWidths) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    auto* b = AddSeries<TBarSeries>(chart.get());
    auto* c = AddSeries<TBarSeries>(chart.get());
    for (auto* s : {a, b, c}) {
        s->AddXY(2, 1);
        s->SetCustomBarWidth(25);
        s->CalcBarWidth();
    }
    FixPlot(0, 4, 0, 10);
    const int x = a->CalcXPosValue(2);
    // Shifts of 25 x (order - 1.5 - 1): -37.5, -12.5 and 12.5, halves to even.
    EXPECT_EQ(a->CalcXPos(0), x - 38);
    EXPECT_EQ(b->CalcXPos(0), x - 12);
    EXPECT_EQ(c->CalcXPos(0), x + 12);
    b->SetOffsetPercent(30); // 7.5 pixels more, rounded to 8
    EXPECT_EQ(b->CalcXPos(0), x - 4);
    b->SetOffsetPercent(-30);
    EXPECT_EQ(b->CalcXPos(0), x - 20);
}

TEST_F(SeriesDrawing, StackedBarsStartWhereTheOnesBelowEnd) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    auto* b = AddSeries<TBarSeries>(chart.get());
    a->AddXY(1, 3);
    b->AddXY(1, 4);
    a->AddXY(2, 0);
    b->AddXY(2, 0);
    a->SetMultiBar(mbStacked);
    EXPECT_EQ(b->MultiBar(), mbStacked) << "the setting reaches the sibling";
    FixPlot(0, 3, 0, 10);
    EXPECT_EQ(b->GetOriginPos(0), b->CalcYPosValue(3));
    EXPECT_EQ(b->CalcYPos(0), b->CalcYPosValue(7));
    EXPECT_EQ(b->MaxYValue(), 7);
    a->SetMultiBar(mbStacked100);
    EXPECT_EQ(b->CalcYPos(0), b->CalcYPosValue(100));
    EXPECT_EQ(b->GetOriginPos(0), b->CalcYPosValue(300.0 / 7));
    EXPECT_EQ(b->CalcYPos(1), 0) << "an index whose values are all 0 draws at pixel 0";
    EXPECT_EQ(b->MaxYValue(), 100);
}

// A bar below whose category is not finite holds up nothing: the bar above it starts, and the
// stack reaches, where they would over a null point.
TEST_F(SeriesDrawing, ABarWithoutACategoryHoldsUpNoBar) {
    auto stacked = [&](bool nonFinite) {
        auto bare = MakeChart(400, 300);
        auto* a = AddSeries<TBarSeries>(bare.get());
        auto* b = AddSeries<TBarSeries>(bare.get());
        a->SetMultiBar(mbStacked);
        a->AddXY(0, 10);
        nonFinite ? a->AddXY(std::numeric_limits<double>::quiet_NaN(), 30) : a->AddNull("");
        AddPoints(b, {{0, 5}, {1, 9}});
        Record(bare.get());
        return std::tuple{b->GetOriginPos(1), b->CalcYPos(1), bare->LeftAxis()->IMaximum};
    };
    EXPECT_EQ(stacked(true), stacked(false));
}

TEST_F(SeriesDrawing, SharedSettingsReachOnlyBarsOfTheSameKind) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    auto* b = AddSeries<TBarSeries>(chart.get());
    auto* h = AddSeries<THorizBarSeries>(chart.get());
    a->SetSideMargins(false);
    EXPECT_FALSE(b->SideMargins());
    EXPECT_TRUE(h->SideMargins());
    b->SetMultiBar(mbNone);
    EXPECT_EQ(a->MultiBar(), mbNone);
    EXPECT_EQ(h->MultiBar(), mbSide);
}

TEST_F(SeriesDrawing, BarSettersRefuseBadPercentages) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    EXPECT_THROW(a->SetBarWidthPercent(0), BarException);
    EXPECT_EQ(RaisedMessage<BarException>([&] { a->SetBarWidthPercent(101); }),
              "Bar Width Percent must be between 1 and 100");
    a->SetBarWidthPercent(1);
    a->SetBarWidthPercent(100);
    a->SetOffsetPercent(-100);
    a->SetOffsetPercent(100);
    EXPECT_EQ(RaisedMessage<BarException>([&] { a->SetOffsetPercent(-101); }),
              "Bar Offset Percent must be between -100% and 100%");
    a->PrepareForGallery(true);
    EXPECT_EQ(a->BarWidthPercent(), 85);
    EXPECT_EQ(a->MultiBar(), mbNone);
    auto* h = AddSeries<THorizBarSeries>(chart.get());
    EXPECT_THROW(h->FillSampleValues(0), BarException);
}

TEST_F(SeriesDrawing, APointWithoutColourDrawsNoBar) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->Marks()->SetVisible(false);
    a->AddXY(1, 5);
    a->AddXY(2, 6, "", clNone);
    a->AddXY(3, 7);
    auto canvas = Record(chart.get());
    int bars = 0;
    for (const auto& call : Named(*canvas, "Rectangle"))
        bars += call.BrushColor == a->SeriesColor();
    EXPECT_EQ(bars, 2);
}

TEST_F(SeriesDrawing, BarsTooFlatOrThinForTheirOutlineAreDrawnInTheirOwnColour) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->Marks()->SetVisible(false);
    a->SetSeriesColor(clRed);
    AddPoints(a, {{1, 0}, {2, 6}});
    auto canvas = Record(chart.get());
    // The bar of 0 has no height: a line along the origin in the bar's colour.
    const int origin = a->GetOriginPos(0);
    bool flat = false;
    for (const auto& call : Named(*canvas, "LineTo"))
        flat = flat || (call.PenColor == clRed && call.Args[1] == origin &&
                        call.Args[0] == a->CalcXPos(0) + a->BarWidth());
    EXPECT_TRUE(flat);
    // An outline wider than the bar: the outline takes the bar's colour around a clear inside.
    a->SetBarWidthPercent(1);
    a->BarPen()->SetWidth(3);
    canvas = Record(chart.get());
    ASSERT_LT(a->BarWidth(), 3);
    int thin = 0;
    for (const auto& call : Named(*canvas, "Rectangle"))
        if (call.PenWidth == 3 && call.Args[1] != call.Args[3]) {
            ++thin;
            EXPECT_EQ(call.PenColor, clRed);
            EXPECT_EQ(call.BrushStyle, bsClear);
        }
    EXPECT_EQ(thin, 1) << "the bar of 6";
}

TEST_F(SeriesDrawing, HorizontalBarSamplesStartBetweenAThousandAndTwoThousand) {
    auto* h = AddSeries<THorizBarSeries>(chart.get());
    const auto [low, high] =
        SingleSampleRange(h, 20000, [](TChartSeries* s) { return s->XValue(0); });
    // One of a thousand whole numbers each time: twenty thousand draws meet both ends.
    EXPECT_EQ(low, 1000);
    EXPECT_EQ(high, 1999);
}

TEST_F(SeriesDrawing, ArrowBarsNeedRoomForTheirHead) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->SetBarStyle(bsArrow);
    a->AddXY(1, 1);
    TRecordingCanvas canvas(300, 300);
    chart->SetDestinationCanvas(&canvas);
    auto draw = [&](int valueEnd, int start) {
        canvas.ClearCalls();
        a->DrawBar(Rect(100, valueEnd, 140, start), 0, std::min(valueEnd, start),
                   std::max(valueEnd, start));
        return canvas.Calls();
    };
    EXPECT_EQ(Named(canvas, "Polygon").size(), 0u);
    for (int length : {15, 20}) {
        draw(100 - length, 100);
        EXPECT_EQ(Named(canvas, "Rectangle").size(), 1u) << length;
        draw(100 + length, 100);
        EXPECT_EQ(Named(canvas, "Rectangle").size(), 1u) << "downwards " << length;
    }
    draw(75, 100);
    TCalls faces = Named(canvas, "Polygon");
    ASSERT_EQ(faces.size(), 1u);
    ASSERT_EQ(faces[0].Args.size(), 14u);
    EXPECT_EQ(faces[0].Args[7], 75) << "the tip is at the value end";
    EXPECT_EQ(faces[0].Args[3], 95) << "the head is 20 pixels long";
    draw(125, 100);
    faces = Named(canvas, "Polygon");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].Args[7], 125) << "a downward arrow has its tip at its lower edge";
    chart->SetDestinationCanvas(nullptr);
}

TEST_F(SeriesDrawing, HorizontalArrowsHaveAQuarterLongHead) {
    auto* h = AddSeries<THorizBarSeries>(chart.get());
    h->SetBarStyle(bsArrow);
    h->AddXY(1, 1);
    TRecordingCanvas canvas(300, 300);
    chart->SetDestinationCanvas(&canvas);
    h->DrawBar(Rect(100, 100, 125, 140), 0, 100, 125);
    chart->SetDestinationCanvas(nullptr);
    const TCalls faces = Named(canvas, "Polygon");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].Args[6], 125);
    EXPECT_EQ(faces[0].Args[2], 115) << "the head is 10 pixels long";
}

TEST_F(SeriesDrawing, ShapesThatSlantByTheDepthDrawARectangleWithoutDepth) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->SetBarStyle(bsCilinder);
    a->AddXY(1, 1);
    TRecordingCanvas canvas(300, 300);
    chart->SetDestinationCanvas(&canvas);
    chart->SetView3D(true);
    chart->SeriesWidth3D = 0;
    chart->SeriesHeight3D = 0;
    a->DrawBar(Rect(100, 50, 140, 100), 0, 50, 100);
    EXPECT_EQ(Named(canvas, "Rectangle").size(), 1u);
    EXPECT_TRUE(Named(canvas, "Polygon").empty());
    canvas.ClearCalls();
    chart->SeriesWidth3D = 8;
    chart->SeriesHeight3D = 6;
    a->DrawBar(Rect(100, 50, 140, 100), 0, 50, 100);
    const TCalls faces = Named(canvas, "Polygon");
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].Args.size(), 22u) << "the body has eleven points";
    EXPECT_EQ(faces[1].Args.size(), 16u) << "the lid has eight";
    canvas.ClearCalls();
    a->SetBarStyle(bsPyramid);
    a->DrawBar(Rect(100, 100, 140, 100), 0, 100, 100);
    ASSERT_EQ(Named(canvas, "Polygon").size(), 1u) << "a flat pyramid is its top face";
    chart->SetView3D(false);
    canvas.ClearCalls();
    a->SetBarStyle(bsCilinder);
    a->DrawBar(Rect(100, 50, 140, 100), 0, 50, 100);
    ASSERT_EQ(canvas.Calls().size(), 1u);
    EXPECT_EQ(canvas.Calls()[0].Name, "Rectangle");
    EXPECT_EQ(canvas.Calls()[0].Args, (std::vector<int>{100, 50, 140, 100}));
    chart->SetDestinationCanvas(nullptr);
}

TEST_F(SeriesDrawing, ACylinderInThreeDHasAnEightPointLidSlantedByTheDepth) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->SetBarStyle(bsCilinder);
    a->AddXY(1, 1);
    // The lid is drawn after the body.
    auto expectFaces = [&](const TRect& Bar, int Dx, int Dy, const std::vector<int>& Lid,
                           const std::vector<int>& Body) {
        const TCalls faces = Faces3D(a, Bar, Dx, Dy);
        ASSERT_EQ(faces.size(), 2u);
        EXPECT_EQ(faces[1].Args, Lid);
        EXPECT_EQ(faces[0].Args, Body);
    };
    // A bar 42 pixels wide from y = 50 down to 100: the lid's half axes are 21 and 5, centred on
    // (121, 45); each pixel above the top edge moves a point 0.8 pixels right. The body: the
    // front half of the lid (points 6, 7, 8, 1, 2) moved down to the bottom, then back up along
    // the lid.
    expectFaces(Rect(100, 50, 142, 100), 8, 10,
                {137, 49, 146, 45, 143, 41, 129, 40, 113, 41, 104, 45, 107, 49, 121, 50},
                {104, 95,  107, 99,  121, 100, 137, 99,  146, 95,  146,
                 45,  146, 45,  137, 49,  121, 50,  107, 49,  104, 45});
    // A bar 20 pixels wide, as deep as high (8): half axes 10 and 4 centred on (110, 46), each
    // pixel above the top edge one pixel right. Points 2 and 3 stand one above the other at
    // x = 124, so the body takes the lid's points 7, 8, 1, 2 and 3.
    expectFaces(Rect(100, 50, 120, 100), 8, 8,
                {118, 49, 124, 46, 124, 43, 118, 42, 110, 43, 104, 46, 104, 49, 110, 50},
                {104, 99,  110, 100, 118, 99,  124, 96,  124, 93,  124,
                 49,  124, 43,  124, 46,  118, 49,  110, 50,  104, 49});
}

TEST_F(SeriesDrawing, AHorizontalCylinderHasItsCapAtTheValueEnd) {
    auto* h = AddSeries<THorizBarSeries>(chart.get());
    h->SetBarStyle(bsCilinder);
    h->AddXY(1, 1);
    // A bar 42 pixels thick from x = 100 to 150: the cap's half axes are 5 and 21, centred on
    // (155, 121); each pixel right of the end moves a point 0.8 pixels up.
    const TCalls faces = Faces3D(h, Rect(100, 100, 150, 142), 10, 8);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[1].Args, (std::vector<int>{159, 129, 160, 113, 159, 99, 155, 96, 151, 105,
                                               150, 121, 151, 135, 155, 138}));
    // A thin bar (half axes 5 and 5) slanting two pixels up for each one right shows the cap's
    // upper half (points 3 to 7), drawn along the bar and back 50 pixels to its start.
    const TCalls thin = Faces3D(h, Rect(100, 100, 150, 110), 10, 20);
    ASSERT_EQ(thin.size(), 2u);
    EXPECT_EQ(thin[1].Args, (std::vector<int>{159, 91, 160, 85, 159, 83, 155, 90, 151, 99, 150,
                                              105, 151, 107, 155, 100}));
    EXPECT_EQ(thin[0].Args, (std::vector<int>{159, 83,  155, 90,  151, 99,  150, 105,
                                              151, 107, 151, 107, 101, 107, 100, 105,
                                              101, 99,  105, 90,  109, 83}));
}

TEST_F(SeriesDrawing, ThreeDBlocksHaveASideAndATopFace) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->AddXY(1, 1);
    const TCalls faces = Faces3D(a, Rect(100, 50, 140, 100), 8, 6);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].Args, (std::vector<int>{139, 99, 139, 49, 147, 44, 147, 94}));
    EXPECT_EQ(faces[1].Args, (std::vector<int>{138, 50, 100, 50, 108, 44, 147, 44}));
}

TEST_F(SeriesDrawing, AHorizontalGradientBarsEndFaceIsAtItsValueEnd) {
    auto* h = AddSeries<THorizBarSeries>(chart.get());
    h->SetBarStyle(bsRectGradient);
    h->AddXY(1, 1);
    const std::vector<int> face{149, 119, 149, 100, 158, 94, 158, 114};
    EXPECT_EQ(Faces3D(h, Rect(100, 100, 150, 120), 8, 6).back().Args, face)
        << "a bar pointing right ends in its face";
    EXPECT_EQ(Faces3D(h, Rect(150, 100, 100, 120), 8, 6).back().Args, face)
        << "a bar pointing left shows the face at its start, the right edge";
}

TEST_F(SeriesDrawing, BarsAreHitWithinTheirShape) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    a->Marks()->SetVisible(false);
    AddPoints(a, {{1, 10}, {2, 5}});
    Record(chart.get());
    const int x = a->CalcXPos(0) + a->BarWidth() / 2;
    EXPECT_EQ(a->Clicked(x, (a->CalcYPos(0) + a->GetOriginPos(0)) / 2), 0);
    EXPECT_EQ(a->Clicked(x, a->CalcYPos(0) - 3), -1);
    EXPECT_EQ(
        a->Clicked(a->CalcXPos(1) + a->BarWidth() / 2, (a->CalcYPos(1) + a->GetOriginPos(1)) / 2),
        1)
        << "the last bar shown";
    a->SetBarStyle(bsPyramid);
    EXPECT_EQ(a->Clicked(a->CalcXPos(0) + 1, a->CalcYPos(0) + 2), -1) << "beside the tip";
    EXPECT_EQ(a->Clicked(x, a->GetOriginPos(0) - 2), 0) << "inside the pyramid's base";
    a->SetBarStyle(bsInvPyramid);
    EXPECT_EQ(a->Clicked(x, a->CalcYPos(0) + 2), 0) << "inside the upturned base";
    EXPECT_EQ(a->Clicked(a->CalcXPos(0) + 1, a->GetOriginPos(0) - 2), -1) << "beside its tip";
}

TEST_F(SeriesDrawing, BarMarksStandAboveTheValueEndOrBelowItForBarsHangingDown) {
    auto* a = AddSeries<TBarSeries>(chart.get(), {{1, 10}, {2, -5}});
    a->Marks()->Frame()->SetVisible(false);
    a->Marks()->SetTransparent(true);
    a->Marks()->Arrow()->SetColor(clFuchsia);
    const TCalls arrows = LinesIn(clFuchsia);
    ASSERT_EQ(arrows.size(), 2u);
    EXPECT_EQ(arrows[0].Args[1], a->CalcYPos(0) - 20);
    EXPECT_EQ(arrows[1].Args[1], a->CalcYPos(1) + 20);
    EXPECT_EQ(arrows[0].Args[0], a->CalcXPos(0) + a->BarWidth() / 2);
}

TEST_F(SeriesDrawing, AHorizontalBarMarkGoesLeftOfABarPointingLeft) {
    auto* h = AddSeries<THorizBarSeries>(chart.get(), {{-5, 1}, {5, 2}});
    h->Marks()->Arrow()->SetColor(clFuchsia);
    const TCalls arrows = LinesIn(clFuchsia);
    ASSERT_EQ(arrows.size(), 2u);
    EXPECT_EQ(arrows[0].Args[0], h->CalcXPos(0) - 20);
    EXPECT_EQ(arrows[1].Args[0], h->CalcXPos(1) + 20);
}

// A point with a value or a category that is not finite draws nothing, in every kind of series:
// the chart with such points after three finite ones, their axes ranged and labelled by the
// points, is drawn as the chart of the three alone.
TEST_F(SeriesDrawing, ValuesThatAreNotFiniteDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto drawn = [&]<typename S>(S*, bool withNonFinite) {
        auto bare = MakeChart(400, 300);
        bare->Legend()->SetVisible(false);
        auto* series = AddSeries<S>(bare.get());
        series->Marks()->SetVisible(true);
        const bool upright = series->YMandatory();
        auto add = [&](double category, double v, const std::string& label) {
            upright ? series->AddXY(category, v, label) : series->AddXY(v, category, label);
        };
        for (double v : {10.0, 20.0, 30.0})
            add(series->Count(), v, "a");
        if (withNonFinite) {
            for (double v : {nan, inf, -inf})
                add(series->Count() + 5, v, "not drawn");
            add(nan, 50, "not drawn");
        }
        if (auto* bars = dynamic_cast<TCustomBarSeries*>(series)) bars->SetCustomBarSize(20);
        return Record(bare.get())->Log();
    };
    auto same = [&]<typename S>(S* kind) {
        EXPECT_EQ(drawn(kind, true), drawn(kind, false)) << S::StaticClassInfo()->Name;
    };
    same(static_cast<TLineSeries*>(nullptr));
    same(static_cast<TAreaSeries*>(nullptr));
    same(static_cast<TPointSeries*>(nullptr));
    same(static_cast<TFastLineSeries*>(nullptr));
    same(static_cast<TBarSeries*>(nullptr));
    same(static_cast<THorizBarSeries*>(nullptr));
    same(static_cast<TPieSeries*>(nullptr));
}

// A point that draws nothing (a null point, or one with a value or a category that is not
// finite) cannot be clicked: no pixel of the chart hits it, in bar, line, point and area series.
TEST_F(SeriesDrawing, PointsThatDrawNothingCannotBeClicked) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto hits = [&]<typename S>(S*) {
        auto bare = MakeChart(300, 200);
        auto* series = AddSeries<S>(bare.get());
        for (auto [x, y] : {std::pair{0.0, 10.0}, {1.0, 20.0}, {2.0, nan}})
            series->AddXY(x, y);
        series->AddNull("");
        AddPoints(series, {{nan, 25}, {5, 30}});
        Record(bare.get());
        std::set<int> hit;
        for (int x = 0; x < bare->Width(); ++x)
            for (int y = 0; y < bare->Height(); ++y)
                if (const int i = series->Clicked(x, y); i >= 0) hit.insert(i);
        return hit;
    };
    const std::set<int> drawn{0, 1, 5};
    EXPECT_EQ(hits(static_cast<TBarSeries*>(nullptr)), drawn) << "bars";
    EXPECT_EQ(hits(static_cast<TLineSeries*>(nullptr)), drawn) << "lines";
    EXPECT_EQ(hits(static_cast<TPointSeries*>(nullptr)), drawn) << "points";
    EXPECT_EQ(hits(static_cast<TAreaSeries*>(nullptr)), drawn) << "areas";
}

} // namespace
