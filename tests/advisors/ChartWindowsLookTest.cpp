// The chart windows as the user sees them: every series stands out from the wall it is drawn
// over, and the active notebook tab is captioned in the same font as the other tabs.
#include "advisors/AmortizationCharts.h"
#include "advisors/AmortizationSchedule.h"
#include "advisors/BreakEvenCharts.h"
#include "platform/gui/Graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Perceived brightness (0..255) of a colour: the usual weights of its red, green and blue.
double Brightness(TColor Color) {
    const COLORREF rgb = ColorToRGB(Color);
    const double r = rgb & 0xFF;
    const double g = (rgb >> 8) & 0xFF;
    const double b = (rgb >> 16) & 0xFF;
    return 0.299 * r + 0.587 * g + 0.114 * b;
}

// The colour a chart's series are drawn over: its back wall, or the chart itself without one.
TColor WallOf(const TChart* Chart) {
    return Chart->BackColor() == clChartColor ? Chart->Color() : Chart->BackColor();
}

// A quarter of the brightness scale apart: yellow (226) on a light yellow wall (241) is 15.
void ExpectEverySeriesStandsOut(const TChart* Chart, const std::string& Where) {
    const double wall = Brightness(WallOf(Chart));
    for (int i = 0; i < Chart->SeriesCount(); ++i) {
        const TChartSeries* series = Chart->Series(i);
        EXPECT_GE(std::fabs(Brightness(series->SeriesColor()) - wall), 64.0)
            << Where << ": \"" << series->Title() << "\" on its wall";
    }
}

void ExpectSameTabFonts(TVcNotebook* Notebook) {
    const TFont* active = Notebook->ActiveTabFont();
    const TFont* others = Notebook->Font();
    EXPECT_EQ(active->Name(), others->Name());
    EXPECT_EQ(active->Height(), others->Height());
    EXPECT_EQ(active->Style(), others->Style());
}

TEST(ChartWindowsLook, TheScheduleChartsSeriesStandOutFromTheWall) {
    const TAmortSchedule schedule;
    TAmortCharts form(nullptr, schedule);
    for (int page = 0; page < 3; ++page)
        ExpectEverySeriesStandsOut(form.Charts[page], "schedule chart " + std::to_string(page));
    ExpectSameTabFonts(form.Notebook1);
}

TEST(ChartWindowsLook, TheBreakEvenChartsSeriesStandOutFromTheWall) {
    TchLeaseBuy form(nullptr, nullptr);
    for (int page = 0; page < 3; ++page)
        ExpectEverySeriesStandsOut(form.Charts[page], "break-even chart " + std::to_string(page));
    ExpectSameTabFonts(form.Notebook);
}

// The schedule's charts: a light yellow back wall over a white floor, and the payment drawn as a
// line two pixels wide, titled "Payment Amount" where the bars show amounts and "Payment" on
// the others.
TEST(ChartWindowsLook, TheScheduleChartsWallsAndPaymentLine) {
    const TAmortSchedule schedule;
    TAmortCharts form(nullptr, schedule);
    const char* payments[] = {"Payment Amount", "Payment", "Payment"};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        const TChart* chart = form.Charts[page];
        EXPECT_EQ(chart->BackColor(), static_cast<TColor>(8454143));
        EXPECT_EQ(chart->BottomWall()->Color(), clWhite);
        EXPECT_EQ(form.PaymentSeries[page]->Title(), payments[page]);
        const auto* line = dynamic_cast<const TFastLineSeries*>(form.PaymentSeries[page]);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->LinePen()->Width(), 2);
    }
}

} // namespace
