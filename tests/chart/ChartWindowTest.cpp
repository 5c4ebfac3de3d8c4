// A chart placed on a shown form paints itself through its off-screen bitmap: the window shows
// the bars, and a repaint without changes copies the bitmap instead of drawing again. The series
// kinds are also drawn side by side the way a user sees them; with VANTREL_SCREENSHOT set to a
// file name the picture is saved there as PNG.
#include "tests/chart/ChartTestSupport.h"
#include "tests/gui/GuiTestSupport.h"

#include <cstdlib>

namespace {

class ChartWindow : public ChartTest {};

TEST_F(ChartWindow, AShownChartPaintsItsSeries) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    auto* chart = PlaceControl<TChart>(&form, &form, 0, 0, 600, 400);
    chart->SetView3D(false);
    auto* bars = new TBarSeries(&form);
    bars->SetSeriesColor(clBlue);
    bars->Marks()->SetVisible(false);
    bars->SetParentChart(chart);
    for (int i = 1; i <= 5; ++i)
        bars->AddXY(i, i * 10);
    int draws = 0;
    chart->OnAfterDraw = [&](TObject*) { ++draws; };
    form.Show();
    Application->ProcessMessages();
    const QImage picture = WidgetOf(chart)->grab().toImage();
    const int x = bars->CalcXPos(4) + bars->BarWidth() / 2;
    const int y = (bars->CalcYPos(4) + bars->GetOriginPos(4)) / 2;
    EXPECT_EQ(picture.pixelColor(x, y), QColor(0, 0, 255));
    EXPECT_GE(draws, 1);
    EXPECT_FALSE(chart->RedrawNeeded());
    const int before = draws;
    chart->Repaint();
    Application->ProcessMessages();
    EXPECT_EQ(draws, before) << "an unchanged chart is copied from its bitmap";
    bars->AddXY(6, 70);
    Application->ProcessMessages();
    chart->Repaint();
    EXPECT_GT(draws, before);
}

TEST_F(ChartWindow, TheSeriesKindsAsAUserSeesThem) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 960, 360);
    auto place = [&](int Left, bool View3D) {
        auto* chart = PlaceControl<TChart>(&form, &form, Left, 0, 320, 340);
        chart->SetView3D(View3D);
        chart->SetColor(clWhite);
        chart->Legend()->SetAlignment(laBottom);
        return chart;
    };
    TChart* pies = place(0, true);
    pies->Title()->Text()->Add("Pie");
    auto* pie = new TPieSeries(&form);
    pie->SetParentChart(pies);
    for (auto [value, label] : {std::pair{40.0, "Principal"}, {25.0, "Interest"}, {10.0, "Tax"}})
        pie->Add(value, label);
    TChart* lines = place(320, false);
    lines->Title()->Text()->Add("Line and points");
    auto* line = new TLineSeries(&form);
    line->SetParentChart(lines);
    line->Pointer()->SetVisible(true);
    line->SetStairs(true);
    auto* points = new TPointSeries(&form);
    points->SetParentChart(lines);
    points->Pointer()->SetStyle(psTriangle);
    TChart* areas = place(640, true);
    areas->Title()->Text()->Add("Stacked areas");
    auto* lower = new TAreaSeries(&form);
    lower->SetParentChart(areas);
    auto* upper = new TAreaSeries(&form);
    upper->SetParentChart(areas);
    upper->SetMultiArea(maStacked);
    for (int i = 0; i < 8; ++i) {
        line->AddXY(i, 10 + (i * 7) % 11);
        points->AddXY(i + 0.5, 5 + (i * 5) % 9);
        lower->AddXY(i, 20 + i * 3);
        upper->AddXY(i, 15 + (i % 3) * 5);
    }
    form.Show();
    Application->ProcessMessages();
    const QImage picture = WidgetOf(&form)->grab().toImage();
    const TPoint inPie = pie->AngleToPos(pie->Angles()[0].MidAngle);
    const QPoint inFirstSlice((inPie.X + pie->CircleXCenter()) / 2,
                              (inPie.Y + pie->CircleYCenter()) / 2);
    EXPECT_EQ(picture.pixelColor(inFirstSlice), QColor(255, 0, 0)) << "the first slice is red";
    // Just right of point 4, clear of the outline the area draws up from each point.
    const int x = 640 + lower->CalcXPos(4) + 4;
    const int y = (lower->CalcYPos(4) + areas->ChartRect.Bottom) / 2;
    EXPECT_EQ(picture.pixelColor(x, y), QColor(255, 0, 0)) << "the lower area is filled";
    EXPECT_EQ(upper->OriginPixel(4), lower->CalcYPos(4));
    const int upperY = (upper->CalcYPos(4) + upper->OriginPixel(4)) / 2;
    EXPECT_LT(upper->CalcYPos(4), lower->CalcYPos(4)) << "the upper area stacks on the lower";
    EXPECT_EQ(picture.pixelColor(x, upperY), QColor(0, 128, 0));
    if (const char* path = std::getenv("VANTREL_SCREENSHOT")) {
        ASSERT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

} // namespace
