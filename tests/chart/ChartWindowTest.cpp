// A chart placed on a shown form paints itself through its off-screen bitmap: the window shows
// the bars, and a repaint without changes copies the bitmap instead of drawing again.
#include "tests/chart/ChartTestSupport.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

class ChartWindow : public ChartTest {};

TEST_F(ChartWindow, AShownChartPaintsItsSeries) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    auto* chart = new TChart(&form);
    chart->SetParent(&form);
    chart->SetBounds(0, 0, 600, 400);
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

} // namespace
