// The chart panel and chart control: redrawing only on changes, series colours, 3-D depth,
// paging, legend texts and layout, the gradient, zoom, undo and panning, the axis layout.
#include "tests/chart/ChartTestSupport.h"

#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class ChartPanel : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart();
    }
    // The plotting rectangle the default margins of 3 per cent leave.
    TRect MarginRect() const {
        const int w = chart->Width(), h = chart->Height();
        return Rect(MulDiv(3, w, 100), MulDiv(3, h, 100), w - MulDiv(3, w, 100),
                    h - MulDiv(3, h, 100));
    }
    std::unique_ptr<TChart> chart;
};

TEST_F(ChartPanel, OnlyAChangedValueAsksForARedraw) {
    chart->SetRedrawNeeded(false);
    chart->SetMarginLeft(3);
    chart->SetBackColor(clChartColor);
    chart->LeftAxis()->SetTickLength(4);
    chart->Legend()->SetTopPos(10);
    EXPECT_FALSE(chart->RedrawNeeded());
    chart->SetMarginLeft(4);
    EXPECT_TRUE(chart->RedrawNeeded());
    chart->SetRedrawNeeded(false);
    chart->LeftAxis()->SetTickLength(6);
    EXPECT_TRUE(chart->RedrawNeeded());
    EXPECT_EQ(chart->GetMargin(7), chart->MarginBottom());
}

TEST_F(ChartPanel, ADraggedRectangleIsNormalised) {
    TZoomPanningRecord r;
    r.Activate(50, 60);
    r.X1 = 10;
    r.Y1 = 20;
    r.Check();
    EXPECT_EQ(r.X0, 10);
    EXPECT_EQ(r.Y0, 20);
    EXPECT_EQ(r.X1, 50);
    EXPECT_EQ(r.Y1, 60);
}

TEST_F(ChartPanel, SeriesTakeFreePaletteColours) {
    EXPECT_EQ(GetDefaultColor(16), clRed);
    EXPECT_EQ(GetDefaultColor(17), clGreen);
    auto* a = AddSeries<TFastLineSeries>(chart.get());
    auto* b = AddSeries<TFastLineSeries>(chart.get());
    auto* c = AddSeries<TFastLineSeries>(chart.get());
    EXPECT_EQ(a->SeriesColor(), clRed);
    EXPECT_EQ(b->SeriesColor(), clGreen);
    EXPECT_EQ(c->SeriesColor(), clYellow);
    auto other = MakeChart();
    other->SetColor(clRed);
    EXPECT_EQ(AddSeries<TBarSeries>(other.get())->SeriesColor(), clGreen);
}

TEST_F(ChartPanel, DepthIsAPerCentOfThePlot) {
    EXPECT_THROW(chart->SetChart3DPercent(0), ChartException);
    EXPECT_EQ(RaisedMessage<ChartException>([&] { chart->SetChart3DPercent(101); }),
              "3D effect percent must be between 1 and 100");
    EXPECT_EQ(chart->Chart3DPercent(), 15);
    chart->SetView3D(true);
    chart->ChartRect = Rect(0, 0, 580, 300);
    chart->RecalcWidthHeight();
    chart->SeriesRow3D = 0;
    chart->CalcSize3D();
    EXPECT_EQ(chart->SeriesWidth3D, 9);
    EXPECT_EQ(chart->SeriesHeight3D, 4) << "4.5 rounds to the even 4";
    // 380 x 15 per mille = 5.7 pixels; three rows of series go three times as deep.
    chart->ChartRect = Rect(0, 0, 580, 380);
    chart->RecalcWidthHeight();
    chart->SeriesRow3D = 2;
    chart->CalcSize3D();
    EXPECT_EQ(chart->SeriesHeight3D, 6);
    EXPECT_EQ(chart->Width3D, 27);
    EXPECT_EQ(chart->Height3D, 18);
    chart->SetView3D(false);
    chart->CalcSize3D();
    EXPECT_EQ(chart->Width3D, 0);
    EXPECT_EQ(chart->SeriesHeight3D, 0);
}

TEST_F(ChartPanel, InThreeDEachSeriesTakesTheNextRowAndFlatAllStandInRowZero) {
    auto* a = AddSeries<TBarSeries>(chart.get());
    auto* b = AddSeries<TBarSeries>(chart.get());
    a->SetMultiBar(mbNone);
    chart->SetView3D(true);
    chart->SeriesRow3D = -1;
    a->CalcZOrder();
    b->CalcZOrder();
    EXPECT_EQ(a->ZOrder(), 0);
    EXPECT_EQ(b->ZOrder(), 1);
    EXPECT_EQ(chart->SeriesRow3D, 1);
    chart->SetView3D(false);
    b->CalcZOrder();
    EXPECT_EQ(b->ZOrder(), 0);
    EXPECT_EQ(chart->SeriesRow3D, 1) << "a flat chart counts no rows";
    // Bars side by side (or stacked) share the row of the first of them.
    a->SetMultiBar(mbSide);
    chart->SetView3D(true);
    chart->SeriesRow3D = -1;
    a->CalcZOrder();
    b->CalcZOrder();
    EXPECT_EQ(b->ZOrder(), a->ZOrder());
    EXPECT_EQ(chart->SeriesRow3D, 0);
}

TEST_F(ChartPanel, ThreeDWallsStandLeftOfAndBelowThePlot) {
    chart->SetView3D(true);
    auto* s = AddSeries<TBarSeries>(chart.get());
    s->AddXY(1, 1);
    auto canvas = Record(chart.get());
    const TRect& r = chart->ChartRect;
    const int dx = chart->Width3D, dy = chart->Height3D;
    ASSERT_GT(dx, 0);
    const std::vector<int> left{r.Left,      r.Bottom,      r.Left, r.Top,
                                r.Left + dx, r.Top - dy,    r.Left + dx, r.Bottom - dy};
    const std::vector<int> floor{r.Left,       r.Bottom,      r.Left + dx, r.Bottom - dy,
                                 r.Right + dx, r.Bottom - dy, r.Right,     r.Bottom};
    auto drawn = [&](const std::vector<int>& points) {
        for (const auto& call : Named(*canvas, "Polygon"))
            if (call.Args == points) return true;
        return false;
    };
    EXPECT_TRUE(drawn(left));
    EXPECT_TRUE(drawn(floor));
    chart->SetView3DWalls(false);
    canvas = Record(chart.get());
    EXPECT_FALSE(drawn(left));
    EXPECT_FALSE(drawn(floor));
}

TEST_F(ChartPanel, ARaisedBevelIsLightAboveAndLeftDarkBelowAndRight) {
    chart->SetBevelOuter(bvRaised);
    chart->SetBevelWidth(1);
    auto canvas = Record(chart.get());
    std::vector<std::string> strokes;
    const auto& calls = canvas->Calls();
    for (std::size_t i = 1; i < calls.size() && strokes.size() < 4; ++i)
        if (calls[i].Name == "LineTo" && calls[i - 1].Name == "MoveTo")
            strokes.push_back(calls[i - 1].ToString() + calls[i].ToString() + " " +
                              std::to_string(calls[i].PenColor));
    const std::string light = std::to_string(clBtnHighlight), dark = std::to_string(clBtnShadow);
    EXPECT_EQ(strokes, (std::vector<std::string>{"MoveTo(0,399)LineTo(0,0) " + light,
                                                 "MoveTo(0,0)LineTo(599,0) " + light,
                                                 "MoveTo(599,0)LineTo(599,399) " + dark,
                                                 "MoveTo(599,399)LineTo(-1,399) " + dark}));
}

TEST_F(ChartPanel, ADependentListsTheValueListsOfItsSource) {
    auto* source = AddSeries<TBarSeries>(chart.get());
    auto* dependent = AddSeries<TFastLineSeries>(chart.get());
    dependent->SetDataSource(source);
    std::vector<std::string> names;
    chart->FillValueSourceItems(dependent->YValues(),
                                [&](const std::string& Name) { names.push_back(Name); });
    EXPECT_EQ(names, (std::vector<std::string>{"X", "Bar"}));
    names.clear();
    chart->FillValueSourceItems(source->YValues(),
                                [&](const std::string& Name) { names.push_back(Name); });
    EXPECT_TRUE(names.empty()) << "a series without a source lists nothing";
}

TEST_F(ChartPanel, ASeriesJoinsTheListOnce) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    chart->AddSeries(s);
    EXPECT_EQ(chart->SeriesCount(), 1);
    chart->RemoveSeries(s);
    EXPECT_EQ(chart->SeriesCount(), 0);
    EXPECT_EQ(s->ParentChart(), nullptr);
    chart->AddSeries(s);
    EXPECT_EQ(chart->SeriesCount(), 1);
    EXPECT_EQ(s->ParentChart(), chart.get());
}

TEST_F(ChartPanel, AssignCopiesThePanelsSettings) {
    auto source = MakeChart();
    source->SetAxisVisible(false);
    source->SetBackColor(clSilver);
    source->SetChart3DPercent(30);
    source->SetClipPoints(false);
    source->SetMaxPointsPerPage(7);
    source->SetScaleLastPage(false);
    source->SetView3DWalls(false);
    source->LeftAxis()->SetInverted(true);
    source->Gradient()->SetStartColor(clLime);
    source->Gradient()->SetEndColor(clNavy);
    source->Gradient()->SetDirection(gdRightLeft);
    source->Gradient()->SetVisible(true);
    source->LeftWall()->SetSize(4);
    source->SetAllowPanning(pmNone);
    source->Title()->Text()->Add("Copied");
    source->Title()->Font()->SetSize(18);
    source->Title()->Font()->SetColor(clMaroon);
    chart->Assign(source.get());
    EXPECT_EQ(chart->Title()->Font()->Size(), 18);
    EXPECT_EQ(chart->Title()->Font()->Color(), clMaroon);
    EXPECT_EQ(chart->Gradient()->StartColor(), clLime);
    EXPECT_EQ(chart->Gradient()->EndColor(), clNavy);
    EXPECT_EQ(chart->Gradient()->Direction(), gdRightLeft);
    EXPECT_TRUE(chart->Gradient()->Visible());
    EXPECT_EQ(chart->LeftWall()->Size(), 4);
    EXPECT_EQ(chart->AllowPanning(), pmNone);
    EXPECT_EQ(chart->Title()->Text()->Text(), "Copied\r\n");
    EXPECT_FALSE(chart->AxisVisible());
    EXPECT_EQ(chart->BackColor(), clSilver);
    EXPECT_EQ(chart->Chart3DPercent(), 30);
    EXPECT_FALSE(chart->ClipPoints());
    EXPECT_EQ(chart->MaxPointsPerPage(), 7);
    EXPECT_FALSE(chart->ScaleLastPage());
    EXPECT_FALSE(chart->View3DWalls());
    EXPECT_TRUE(chart->LeftAxis()->Inverted());
    for (int side = 0; side < 4; ++side)
        source->SetMargin(side, 5 + side);
    chart->Assign(source.get());
    EXPECT_EQ(chart->MarginLeft(), 5);
    EXPECT_EQ(chart->MarginTop(), 6);
    EXPECT_EQ(chart->MarginRight(), 7);
    EXPECT_EQ(chart->MarginBottom(), 8);
}

TEST_F(ChartPanel, PagingShowsTenPointsAPage) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    for (int i = 0; i < 25; ++i)
        s->AddXY(i, i * 2);
    EXPECT_EQ(chart->NumPages(), 1);
    chart->SetMaxPointsPerPage(10);
    EXPECT_EQ(chart->NumPages(), 3);
    chart->SetPage(3);
    TChartAxis* bottom = chart->BottomAxis();
    EXPECT_EQ(chart->MinXValue(bottom), 20);
    EXPECT_EQ(chart->MaxXValue(bottom), 24);
    chart->SetScaleLastPage(false);
    EXPECT_EQ(chart->MaxXValue(bottom), 28) << "a short last page keeps the spacing";
    int changes = 0;
    chart->OnPageChange = [&](TObject*) { ++changes; };
    chart->SetPage(0);
    EXPECT_EQ(chart->Page(), 1);
    chart->SetPage(99);
    EXPECT_EQ(chart->Page(), 3);
    chart->SetPage(3);
    EXPECT_EQ(changes, 2);
    EXPECT_THROW(chart->SetMaxPointsPerPage(-1), ChartException);
    chart->SetMaxPointsPerPage(20);
    EXPECT_EQ(chart->Page(), 2) << "the page comes down to the last one";
}

TEST_F(ChartPanel, PagingTakesItsRangeFromTheFirstSeriesWithPoints) {
    AddSeries<TFastLineSeries>(chart.get(), "empty");
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    for (int i = 0; i < 25; ++i)
        s->AddXY(100 + i, i);
    chart->SetMaxPointsPerPage(10);
    chart->SetPage(2);
    EXPECT_EQ(chart->MinXValue(chart->BottomAxis()), 110);
    EXPECT_EQ(chart->MaxXValue(chart->BottomAxis()), 119);
    EXPECT_EQ(chart->NumPages(), 3);
}

TEST_F(ChartPanel, APageBeyondAShortSeriesShowsItsLastFullPageOrAllOfIt) {
    // The pages count by the longer series on the top axis; the bottom axis shows its own.
    auto* shortOne = AddSeries<TFastLineSeries>(chart.get());
    for (int i = 0; i < 5; ++i)
        shortOne->AddXY(i * 10, i);
    auto* longOne = AddSeries<TFastLineSeries>(chart.get());
    longOne->SetHorizAxis(aTopAxis);
    for (int i = 0; i < 25; ++i)
        longOne->AddXY(100 + i, i);
    chart->SetMaxPointsPerPage(10);
    EXPECT_EQ(chart->NumPages(), 3);
    chart->SetPage(3);
    EXPECT_EQ(chart->MinXValue(chart->TopAxis()), 120);
    EXPECT_EQ(chart->MaxXValue(chart->TopAxis()), 124);
    // Five points are less than a page: all of them, 0..40.
    EXPECT_EQ(chart->MinXValue(chart->BottomAxis()), 0);
    EXPECT_EQ(chart->MaxXValue(chart->BottomAxis()), 40);
    // Fifteen points: page 3 lies beyond them, so their one full page, points 0..9.
    for (int i = 5; i < 15; ++i)
        shortOne->AddXY(i * 10, i);
    EXPECT_EQ(chart->MinXValue(chart->BottomAxis()), 0);
    EXPECT_EQ(chart->MaxXValue(chart->BottomAxis()), 90);
}

TEST_F(ChartPanel, ALastValuesLegendHasOneItemPerSeries) {
    auto* a = AddSeries<TFastLineSeries>(chart.get(), "Interest");
    auto* b = AddSeries<TFastLineSeries>(chart.get(), "Principal");
    AddPoints(a, {{1, 10}, {2, 20}});
    b->AddXY(1, 5);
    chart->Legend()->SetLegendStyle(lsLastValues);
    EXPECT_EQ(chart->CountLegendItems(), 2);
    EXPECT_EQ(chart->LegendItemSeries(0), a);
    EXPECT_EQ(chart->LegendItemSeries(1), b);
    EXPECT_EQ(chart->LegendItemSeries(2), nullptr);
    EXPECT_EQ(chart->LegendItemSeries(-1), nullptr);
}

TEST_F(ChartPanel, LegendStyleAndTexts) {
    auto* a = AddSeries<TFastLineSeries>(chart.get());
    a->AddXY(1, 10, "ten");
    TCustomChartLegend* legend = chart->Legend();
    EXPECT_EQ(legend->GetLegendStyle(), lsValues);
    EXPECT_EQ(chart->FormattedLegend(0), "10 ten");
    auto* b = AddSeries<TFastLineSeries>(chart.get());
    EXPECT_EQ(legend->GetLegendStyle(), lsSeries);
    EXPECT_EQ(chart->FormattedLegend(0), "Series 0");
    b->SetName("Balance");
    EXPECT_EQ(chart->FormattedLegend(1), "Balance");
    EXPECT_EQ(chart->FormattedLegend(2), "?");
    EXPECT_THROW(legend->SetTopPos(101), LegendException);
    legend->SetTopPos(100);
    EXPECT_THROW(legend->SetColorWidth(-1), LegendException);
    EXPECT_EQ(RaisedMessage<LegendException>([&] { legend->SetFirstValue(-1); }),
              "First Legend Value must be > 0");
    legend->SetFirstValue(0);
}

TEST_F(ChartPanel, ABottomLegendSitsOnTheShadowAboveTheFoot) {
    TBarSeries *interest, *principal;
    TFastLineSeries* balance;
    FillAllocationChart(chart.get(), interest, principal, balance);
    TChartLegend* legend = chart->Legend();
    legend->SetColorWidth(42);
    auto canvas = Record(chart.get());
    chart->AssignFont(legend->Font());
    const int h = chart->FontHeight();
    const TRect r = legend->RectLegend;
    EXPECT_EQ(r.Height(), 2 + h);
    const int widest = std::max(
        {chart->TextWidth("Interest"), chart->TextWidth("Principal"), chart->TextWidth("Balance")});
    EXPECT_EQ(legend->ColorBoxWidth(), static_cast<int>(std::lround(0.42 * (widest + 4))));
    // The bars' symbols are boxes of that width inside the legend; the plot ends above it.
    int symbols = 0;
    for (const auto& call : Named(*canvas, "Rectangle"))
        if (call.Args[1] == r.Top + 3 && call.Args[2] - call.Args[0] == legend->ColorBoxWidth())
            ++symbols;
    EXPECT_EQ(symbols, 2);
    EXPECT_LT(chart->ChartRect.Bottom, r.Top);
    std::vector<std::string> texts;
    for (const auto& call : Named(*canvas, "TextOut"))
        if (call.Args[1] == r.Top + 1) texts.push_back(call.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Interest", "Principal", "Balance"}));
}

TEST_F(ChartPanel, ALeftLegendKeepsThreePerCentFromThePlot) {
    auto* a = AddSeries<TFastLineSeries>(chart.get(), "A");
    AddSeries<TFastLineSeries>(chart.get(), "B");
    a->AddXY(1, 1);
    TChartLegend* legend = chart->Legend();
    legend->SetAlignment(laLeft);
    legend->SetResizeChart(false);
    chart->SetAxisVisible(false);
    Record(chart.get());
    const TRect plain = MarginRect();
    EXPECT_EQ(chart->ChartRect.Left, plain.Left + MulDiv(3, plain.Width(), 100));
}

TEST_F(ChartPanel, SeriesHiddenFromTheLegendLeaveNoLegend) {
    auto* a = AddSeries<TFastLineSeries>(chart.get(), "A");
    a->AddXY(1, 1);
    a->SetShowInLegend(false);
    chart->SetAxisVisible(false);
    Record(chart.get());
    EXPECT_EQ(chart->Legend()->RectLegend, TRect{});
    const TRect withHiddenLegend = chart->ChartRect;
    chart->Legend()->SetVisible(false);
    Record(chart.get());
    EXPECT_EQ(chart->ChartRect, withHiddenLegend);
}

TEST_F(ChartPanel, GradientBands) {
    TRecordingCanvas canvas(10, 500);
    // The bands the gradient from white to yellow (or of the colours given) paints over R.
    auto bands = [&](const TRect& r, bool horizontal, TColor from = clWhite, TColor to = clYellow) {
        canvas.ClearCalls();
        GradientFill(&canvas, r, from, to, horizontal);
        return Named(canvas, "FillRect");
    };
    auto fills = bands(Rect(0, 0, 10, 1), false, clRed, clBlue);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].BrushColor, clRed) << "one band takes the start colour";
    fills = bands(Rect(0, 0, 10, 100), false);
    ASSERT_EQ(fills.size(), 100u);
    EXPECT_EQ(fills.front().BrushColor, clWhite);
    EXPECT_EQ(fills.front().Args[3], 100) << "the start colour lies at the bottom";
    EXPECT_EQ(fills.back().BrushColor, clYellow);
    EXPECT_EQ(fills.front().Args, (std::vector<int>{0, 99, 10, 100})) << "bands of one pixel";
    EXPECT_EQ(fills.back().Args, (std::vector<int>{0, 0, 10, 1}));
    EXPECT_EQ(bands(Rect(0, 0, 10, 400), false).size(), 256u);
    // Across 300 pixels the 256 bands run from the right edge leftwards, 300 / 256 wide each.
    fills = bands(Rect(0, 0, 300, 10), true);
    ASSERT_EQ(fills.size(), 256u);
    EXPECT_EQ(fills.front().Args, (std::vector<int>{299, 0, 300, 10}));
    EXPECT_EQ(fills[128].Args, (std::vector<int>{149, 0, 150, 10}));
    EXPECT_EQ(fills.back().Args, (std::vector<int>{0, 0, 1, 10}));
    bands(Rect(0, 0, 0, 400), true);
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST_F(ChartPanel, TheGradientsDirectionPicksItsEdgeAndOrder) {
    // The first band lies at the bottom (or right) edge; it has the start colour when the
    // gradient runs from the top (or left), the end colour when it runs the other way.
    TChartGradient* gradient = chart->Gradient();
    auto firstBand = [&](TGradientDirection Direction) {
        gradient->SetDirection(Direction);
        TRecordingCanvas canvas(10, 100);
        gradient->Draw(&canvas, Rect(0, 0, 10, 100));
        const auto fills = Named(canvas, "FillRect");
        return std::make_pair(fills.front().Args, fills.front().BrushColor);
    };
    const std::vector<int> bottom{0, 99, 10, 100}, right{9, 0, 10, 100};
    EXPECT_EQ(firstBand(gdTopBottom), std::make_pair(bottom, clWhite));
    EXPECT_EQ(firstBand(gdBottomTop), std::make_pair(bottom, clYellow));
    EXPECT_EQ(firstBand(gdLeftRight), std::make_pair(right, clWhite));
    EXPECT_EQ(firstBand(gdRightLeft), std::make_pair(right, clYellow));
}

TEST_F(ChartPanel, ZoomAndUndoZoomRestoreTheAxes) {
    auto* s = AddSeries<TFastLineSeries>(chart.get());
    for (int i = 0; i <= 10; ++i)
        s->AddXY(i, i * 10);
    chart->LeftAxis()->SetMinMax(0, 100);
    Record(chart.get());
    const TRect r = chart->ChartRect;
    chart->Zoom->Activate(r.Left + r.Width() / 2, r.Top);
    chart->Zoom->X1 = r.Left;
    chart->Zoom->Y1 = r.Top + r.Height() / 2;
    int zooms = 0, undos = 0;
    chart->OnZoom = [&](TObject*) { ++zooms; };
    chart->OnUndoZoom = [&](TObject*) { ++undos; };
    chart->Zoom->Active = false;
    chart->ZoomToRectangle();
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(chart->Zoomed());
    TChartAxis* bottom = chart->BottomAxis();
    EXPECT_FALSE(bottom->Automatic());
    EXPECT_NEAR(bottom->Minimum(), 0, 0.1);
    EXPECT_NEAR(bottom->Maximum(), 5, 0.1);
    EXPECT_NEAR(chart->LeftAxis()->Minimum(), 50, 0.5);
    chart->UndoZoom();
    EXPECT_EQ(undos, 1);
    EXPECT_FALSE(chart->Zoomed());
    EXPECT_TRUE(bottom->Automatic());
    EXPECT_FALSE(chart->LeftAxis()->Automatic());
    EXPECT_EQ(chart->LeftAxis()->Minimum(), 0);
    EXPECT_EQ(chart->LeftAxis()->Maximum(), 100);
}

TEST_F(ChartPanel, PanningMovesTheAxisUnlessTheFormForbidsIt) {
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {100, 100}});
    Record(chart.get());
    TChartAxis* bottom = chart->BottomAxis();
    const int from = bottom->CalcXPosValue(50);
    const int to = bottom->CalcXPosValue(40);
    EXPECT_TRUE(chart->PanAxis(bottom, from, to));
    EXPECT_NEAR(bottom->Minimum(), 10, 0.5);
    EXPECT_NEAR(bottom->Maximum(), 110, 0.5);
    chart->OnAllowScroll = [](TChartAxis*, double&, double&, bool& allow) { allow = false; };
    EXPECT_FALSE(chart->PanAxis(bottom, from, to));
    EXPECT_NEAR(bottom->Minimum(), 10, 0.5);
}

TEST_F(ChartPanel, WithoutAxesThePlotKeepsItsRoom) {
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {1, 1}});
    chart->Legend()->SetVisible(false);
    chart->SetAxisVisible(false);
    Record(chart.get());
    EXPECT_EQ(chart->ChartRect, MarginRect());
    chart->SetAxisVisible(true);
    Record(chart.get());
    EXPECT_GT(chart->ChartRect.Left, MarginRect().Left);
}

TEST_F(ChartPanel, AnEmptyChartDrawsItsAxesAndBackRectangle) {
    chart->SetBackColor(clSilver);
    auto canvas = Record(chart.get());
    EXPECT_FALSE(Named(*canvas, "LineTo").empty());
    bool back = false;
    for (const auto& call : Named(*canvas, "Rectangle"))
        back = back || (call.BrushColor == clSilver && call.BrushStyle == bsSolid);
    EXPECT_TRUE(back);
}

TEST_F(ChartPanel, DrawingOntoAnotherCanvasLeavesTheScreenBitmapAlone) {
    auto* s = AddSeries<TBarSeries>(chart.get());
    s->AddXY(1, 1);
    TBitmap screen;
    screen.SetSize(chart->Width(), chart->Height());
    chart->Draw(screen.Canvas(), Rect(0, 0, chart->Width(), chart->Height()));
    TBitmap* buffer = chart->OffscreenBitmap();
    ASSERT_NE(buffer, nullptr);
    const TColor corner = buffer->Canvas()->Pixels(1, 1);
    TRecordingCanvas paper(800, 600);
    chart->PrintPartialCanvas(&paper, Rect(0, 0, 800, 600));
    EXPECT_EQ(chart->OffscreenBitmap(), buffer);
    EXPECT_EQ(buffer->Canvas()->Pixels(1, 1), corner);
    EXPECT_TRUE(chart->BufferedDisplay());
    EXPECT_FALSE(paper.Calls().empty());
}

} // namespace

namespace {

class ChartBackground : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart();
        chart->SetDestinationCanvas(&canvas);
    }
    void TearDown() override { chart->SetDestinationCanvas(nullptr); }
    std::unique_ptr<TChart> chart;
    TRecordingCanvas canvas{600, 400};
};

TEST_F(ChartBackground, BackImageModes) {
    chart->BackImage()->Bitmap()->SetSize(250, 250);
    chart->SetBackImageMode(pbmTile);
    chart->DrawBackImage(Rect(0, 0, 600, 400));
    std::vector<std::string> draws;
    for (const auto& call : canvas.Calls())
        if (call.Name == "Draw")
            draws.push_back(std::to_string(call.Args[0]) + "," + std::to_string(call.Args[1]));
    EXPECT_EQ(draws,
              (std::vector<std::string>{"0,0", "250,0", "500,0", "0,250", "250,250", "500,250"}));
    canvas.ClearCalls();
    chart->BackImage()->Bitmap()->SetSize(1000, 800);
    chart->SetBackImageMode(pbmCenter);
    chart->DrawBackImage(Rect(0, 0, 600, 400));
    ASSERT_FALSE(canvas.Calls().empty());
    EXPECT_EQ(canvas.Calls().back().Name, "Draw");
    EXPECT_EQ(canvas.Calls().back().Args, (std::vector<int>{-200, -200}));
    canvas.ClearCalls();
    chart->SetBackImageMode(pbmStretch);
    chart->DrawBackImage(Rect(0, 0, 600, 400));
    ASSERT_EQ(canvas.Calls().size(), 1u);
    EXPECT_EQ(canvas.Calls()[0].Name, "StretchDraw");
    EXPECT_EQ(canvas.Calls()[0].Args, (std::vector<int>{0, 0, 600, 400}));
}

TEST_F(ChartBackground, AnAxisThatWouldNeedAllTheRoomTakesNone) {
    chart->SetDestinationCanvas(nullptr);
    AddSeries<TFastLineSeries>(chart.get(), {{0, 0}, {1, 1}});
    chart->Legend()->SetVisible(false);
    chart->LeftAxis()->Title()->SetCaption("Amount");
    chart->LeftAxis()->SetTitleSize(2000);
    Record(chart.get());
    EXPECT_EQ(chart->ChartRect.Left, MulDiv(3, chart->Width(), 100));
    EXPECT_LT(chart->ChartRect.Bottom, chart->Height() - MulDiv(3, chart->Height(), 100))
        << "the bottom axis still takes its room";
}

TEST_F(ChartBackground, SeriesMarginsWidenTheRangeNotThePlot) {
    chart->SetDestinationCanvas(nullptr);
    auto* bars = AddSeries<TBarSeries>(chart.get(), {{1, 10}, {2, 20}});
    chart->Legend()->SetVisible(false);
    bars->Marks()->SetVisible(false);
    bars->SetSideMargins(false);
    Record(chart.get());
    const TRect plain = chart->ChartRect;
    const double plainTop = chart->LeftAxis()->IMaximum;
    bars->Marks()->SetVisible(true);
    Record(chart.get());
    EXPECT_EQ(chart->ChartRect, plain);
    EXPECT_GT(chart->LeftAxis()->IMaximum, plainTop);
    EXPECT_LT(chart->BottomAxis()->IMinimum, 1);
    // Marks of bars hanging below the origin need room below it too; bars of 0 do not.
    bars->AddXY(3, 0);
    Record(chart.get());
    EXPECT_EQ(chart->LeftAxis()->IMinimum, 0);
    bars->AddXY(4, -5);
    Record(chart.get());
    EXPECT_LT(chart->LeftAxis()->IMinimum, -5);
}

} // namespace

namespace {

class LegendAndTitles : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart();
        chart->SetAxisVisible(false);
        series = AddSeries<TBarSeries>(chart.get(), "Payments");
        series->Marks()->SetVisible(false);
        for (int i = 1; i <= 4; ++i)
            series->AddXY(i, i * 100, "Year " + std::to_string(i));
    }
    // The title alone, in a red frame 2 pixels wide.
    TChartTitle* FramedTitle(const std::string& Text) {
        chart->Legend()->SetVisible(false);
        TChartTitle* title = chart->Title();
        title->Text()->Add(Text);
        title->Frame()->SetVisible(true);
        title->Frame()->SetColor(clRed);
        title->Frame()->SetWidth(2);
        return title;
    }
    // The one rectangle drawn in the title frame's pen.
    TRecordingCanvas::TCall TitleFrame() {
        std::vector<TRecordingCanvas::TCall> frames;
        for (const auto& call : Named(*Record(chart.get()), "Rectangle"))
            if (call.PenColor == clRed && call.PenWidth == 2) frames.push_back(call);
        EXPECT_EQ(frames.size(), 1U);
        return frames.empty() ? TRecordingCanvas::TCall{} : frames.front();
    }
    std::unique_ptr<TChart> chart;
    TBarSeries* series = nullptr;
};

TEST_F(LegendAndTitles, AValuesLegendListsPointsFromTheFirstValueInEitherOrder) {
    chart->Legend()->SetFirstValue(1);
    auto canvas = Record(chart.get());
    EXPECT_EQ(TextsOf(*canvas),
              (std::vector<std::string>{"200 Year 2", "300 Year 3", "400 Year 4"}));
    chart->Legend()->SetInverted(true);
    chart->Legend()->SetTextStyle(ltsRightPercent);
    canvas = Record(chart.get());
    EXPECT_EQ(TextsOf(*canvas),
              (std::vector<std::string>{"Year 4 40 %", "Year 3 30 %", "Year 2 20 %"}));
    chart->OnGetLegendText = [](TCustomAxisPanel*, TLegendStyle, int index, std::string& text) {
        text = std::to_string(index) + ":" + text;
    };
    canvas = Record(chart.get());
    EXPECT_EQ(TextsOf(*canvas).front(), "3:Year 4 40 %");
}

TEST_F(LegendAndTitles, ARightLegendLeavesRoomForItsFrameAndShadow) {
    chart->Legend()->SetResizeChart(true);
    const TRect before = Rect(MulDiv(3, 600, 100), MulDiv(3, 400, 100), 600 - MulDiv(3, 600, 100),
                              400 - MulDiv(3, 400, 100));
    Record(chart.get());
    const TRect r = chart->Legend()->RectLegend;
    EXPECT_EQ(r.Right, before.Right - 2 - 3) << "frame width + 1 and the shadow";
    EXPECT_EQ(r.Top, static_cast<int>(std::lround(0.10 * 400)));
    chart->AssignFont(chart->Legend()->Font());
    EXPECT_EQ(r.Height(), 2 + 4 * chart->FontHeight());
    EXPECT_EQ(chart->ChartRect.Right, r.Left - MulDiv(3, before.Width(), 100));
}

TEST_F(LegendAndTitles, DividingLinesSeparateTheItems) {
    chart->Legend()->DividingLines()->SetVisible(true);
    chart->Legend()->DividingLines()->SetColor(clFuchsia);
    auto canvas = Record(chart.get());
    int lines = 0;
    for (const auto& call : canvas->Calls())
        lines += call.Name == "LineTo" && call.PenColor == clFuchsia;
    EXPECT_EQ(lines, 3);
}

TEST_F(LegendAndTitles, AValueLegendHasTextsOnlyForItsPoints) {
    TCustomChartLegend* legend = chart->Legend();
    EXPECT_EQ(legend->FormattedValue(series, 3), "400 Year 4");
    EXPECT_EQ(legend->FormattedValue(series, 4), "");
    EXPECT_EQ(legend->FormattedValue(series, -1), "");
}

TEST_F(LegendAndTitles, ALegendOfEmptyTextsStillSizesItsColourBoxes) {
    chart->Legend()->SetColorWidth(100);
    chart->Legend()->SetAlignment(laBottom);
    chart->OnGetLegendText = [](TCustomAxisPanel*, TLegendStyle, int, std::string& Text) {
        Text.clear();
    };
    Record(chart.get());
    EXPECT_EQ(chart->Legend()->ColorBoxWidth(), 4) << "all of the 4 pixels an item adds";
    chart->Legend()->SetAlignment(laRight);
    Record(chart.get());
    EXPECT_EQ(chart->Legend()->ColorBoxWidth(), 10) << "a side legend's items add 10";
}

TEST_F(LegendAndTitles, ASideLegendStartsAtItsTopPerCentAndFitsItsWidestText) {
    chart->SetBounds(0, 0, 600, 417);
    TChartLegend* legend = chart->Legend();
    legend->SetAlignment(laLeft);
    legend->SetTopPos(10);
    Record(chart.get());
    EXPECT_EQ(legend->RectLegend.Top, 42) << "10 per cent of 417 pixels is 41.7";
    chart->AssignFont(legend->Font());
    int widest = 0;
    for (int i = 1; i <= 4; ++i)
        widest = std::max(widest, chart->TextWidth(std::to_string(i * 100) + " Year " +
                                                   std::to_string(i)));
    // The colour box is ColorWidth per cent of the widest text and 10 pixels; a per cent whose
    // box ends past a half pixel rounds up.
    int percent = 1;
    while (percent < 100 && (percent * (widest + 10)) % 100 <= 50)
        ++percent;
    ASSERT_LT(percent, 100);
    legend->SetColorWidth(percent);
    Record(chart.get());
    EXPECT_EQ(legend->ColorBoxWidth(), percent * (widest + 10) / 100 + 1);
}

TEST_F(LegendAndTitles, AFramedTitleIsNarrowedToItsTextInsideItsFrame) {
    TChartTitle* title = FramedTitle("Allocation");
    const std::vector<int> framed = TitleFrame().Args;
    chart->AssignFont(title->Font());
    const int h = chart->FontHeight();
    const int widest = chart->TextWidth("Allocation") + 2 * 2;
    // The plot before the title: 3 per cent margins of 600 x 400, so 18..582 across, top 12.
    // The frame stands 2 pixels out from the line, centred on 300.
    EXPECT_EQ(framed,
              (std::vector<int>{300 - widest / 2, 12 - 2, 300 - widest / 2 + widest, 12 + h + 2}));
    // A blank line: the frame's two widths only.
    title->Text()->Clear();
    title->Text()->Add("");
    EXPECT_EQ(TitleFrame().Args, (std::vector<int>{298, 10, 302, 12 + h + 2}));
}

TEST_F(LegendAndTitles, ATitlesFrameIsFilledWithItsBrushOrLeftClear) {
    TChartTitle* title = FramedTitle("Allocation");
    EXPECT_EQ(TitleFrame().BrushStyle, bsClear) << "a title without a colour of its own";
    title->Brush()->SetColor(clYellow);
    const auto filled = TitleFrame();
    EXPECT_EQ(filled.BrushStyle, bsSolid);
    EXPECT_EQ(filled.BrushColor, clYellow);
}

TEST_F(LegendAndTitles, TitleLinesAreCentredOrKeptAtThePlotsEdge) {
    chart->Legend()->SetVisible(false);
    chart->Title()->Text()->Add("Allocation");
    chart->Title()->Text()->Add("by Amount");
    chart->Foot()->Text()->Add("Printed");
    chart->AssignFont(chart->Title()->Font());
    const int h = chart->FontHeight();
    const int wide = chart->TextWidth("Allocation");
    const int narrow = chart->TextWidth("by Amount");
    chart->AssignFont(chart->Foot()->Font());
    const int foot = chart->TextWidth("Printed");
    // 3 per cent margins of 600 x 400: the plot runs 18..582 across (centre 300), 12..388 down.
    auto placed = [&] {
        std::vector<std::vector<int>> out;
        for (const auto& call : Named(*Record(chart.get()), "TextOut"))
            out.push_back({call.Args[0], call.Args[1]});
        return out;
    };
    EXPECT_EQ(placed(), (std::vector<std::vector<int>>{{300 - wide / 2, 12},
                                                       {300 - narrow / 2, 12 + h},
                                                       {300 - foot / 2, 388 - h}}));
    chart->Title()->SetAlignment(taLeftJustify);
    chart->Foot()->SetAlignment(taRightJustify);
    EXPECT_EQ(placed(), (std::vector<std::vector<int>>{{18, 12}, {18, 12 + h},
                                                       {582 - foot, 388 - h}}));
}

TEST_F(LegendAndTitles, TitleAndFootTakeTheirLinesAndFivePixels) {
    chart->Legend()->SetVisible(false);
    Record(chart.get());
    const TRect plain = chart->ChartRect;
    chart->Title()->Text()->Add("Allocation");
    chart->Title()->Text()->Add("by Amount");
    chart->Foot()->Text()->Add("Printed for the borrower");
    auto canvas = Record(chart.get());
    chart->AssignFont(chart->Title()->Font());
    const int h = chart->FontHeight();
    EXPECT_EQ(chart->ChartRect.Top, plain.Top + 2 * h + 5);
    EXPECT_EQ(chart->ChartRect.Bottom, plain.Bottom - h - 5);
    EXPECT_EQ(TextsOf(*canvas),
              (std::vector<std::string>{"Allocation", "by Amount", "Printed for the borrower"}));
    EXPECT_TRUE(chart->Title()->Clicked(chart->ChartXCenter, plain.Top + 1));
    chart->Title()->SetVisible(false);
    EXPECT_FALSE(chart->Title()->Clicked(chart->ChartXCenter, plain.Top + 1));
}

} // namespace
