// Shared set-up of the chart tests: the Qt application, charts made offscreen (never shown),
// drawing onto a recording canvas, and the amortization schedule's "Allocation by Amount" chart:
// interest and principal per year as bars and the balance as a fast line.
#pragma once

#include "chart/Chart.h"
#include "chart/Series.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/RecordingCanvas.h"
#include "tests/rtl/RaisedMessage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

class ChartTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApp(); }

    // A chart of Width x Height pixels, 2-D unless told otherwise; freeing it frees its series.
    std::unique_ptr<TChart> MakeChart(int Width = 600, int Height = 400, bool View3D = false) {
        auto chart = std::make_unique<TChart>(nullptr);
        chart->SetBounds(0, 0, Width, Height);
        chart->SetView3D(View3D);
        return chart;
    }

    template <typename S>
    S* AddSeries(TChart* Chart, const std::string& Title = {}) {
        auto* series = new S(nullptr);
        series->SetTitle(Title);
        series->SetParentChart(Chart);
        return series;
    }

    // A series holding the points (x, y), in order.
    template <typename S>
    S* AddSeries(TChart* Chart, std::initializer_list<std::pair<double, double>> Points) {
        S* series = AddSeries<S>(Chart);
        AddPoints(series, Points);
        return series;
    }

    // Adds the points (x, y) to the series in order.
    static void AddPoints(TChartSeries* Series,
                          std::initializer_list<std::pair<double, double>> Points) {
        for (const auto& [x, y] : Points)
            Series->AddXY(x, y);
    }

    // A chart where only the series draw lines: no legend, no axes, no bevel.
    std::unique_ptr<TChart> MakeBareChart() {
        auto chart = MakeChart();
        chart->Legend()->SetVisible(false);
        chart->SetAxisVisible(false);
        chart->SetBevelOuter(bvNone);
        return chart;
    }

    // The recorded calls of that name, in order.
    static std::vector<TRecordingCanvas::TCall> Named(const TRecordingCanvas& Canvas,
                                                      const std::string& Name) {
        std::vector<TRecordingCanvas::TCall> out;
        for (const auto& call : Canvas.Calls())
            if (call.Name == Name) out.push_back(call);
        return out;
    }

    // The texts written with TextOut, in order.
    static std::vector<std::string> TextsOf(const TRecordingCanvas& Canvas) {
        std::vector<std::string> out;
        for (const auto& call : Named(Canvas, "TextOut"))
            out.push_back(call.Text);
        return out;
    }

    // Draws the chart unbuffered onto a recording canvas of its own size.
    std::unique_ptr<TRecordingCanvas> Record(TChart* Chart) {
        auto canvas = std::make_unique<TRecordingCanvas>(Chart->Width(), Chart->Height());
        Chart->SetBufferedDisplay(false);
        Chart->Draw(canvas.get(), Rect(0, 0, Chart->Width(), Chart->Height()));
        return canvas;
    }
};

// The least and greatest of Value(Series) over Tries fillings of the series with one sample point.
template <typename F>
std::pair<double, double> SingleSampleRange(TChartSeries* Series, int Tries, F Value) {
    double low = 1e300, high = -1e300;
    for (int i = 0; i < Tries; ++i) {
        Series->FillSampleValues(1);
        low = std::min(low, Value(Series));
        high = std::max(high, Value(Series));
    }
    return {low, high};
}

// The schedule's chart of a 30-year loan of 150,000 at 8 %: interest and principal paid in each
// year (bars) and the balance at each year's end (fast line, on the right axis).
inline void FillAllocationChart(TChart* Chart, TBarSeries*& Interest, TBarSeries*& Principal,
                                TFastLineSeries*& Balance) {
    Chart->SetName("AllocationByAmount");
    Chart->Title()->Text()->Add("Allocation by Amount");
    Chart->Legend()->SetAlignment(laBottom);
    Chart->SetColor(clWhite);
    for (auto [bars, title, color] :
         {std::tuple{&Interest, "Interest", clRed}, {&Principal, "Principal", clGreen}}) {
        *bars = new TBarSeries(nullptr);
        (*bars)->SetTitle(title);
        (*bars)->SetSeriesColor(color);
        (*bars)->Marks()->SetVisible(false);
        (*bars)->SetParentChart(Chart);
    }
    Balance = new TFastLineSeries(nullptr);
    Balance->SetTitle("Balance");
    Balance->SetSeriesColor(clBlue);
    Balance->SetVertAxis(aRightAxis);
    Balance->SetParentChart(Chart);
    TChartAxis* bottom = Chart->BottomAxis();
    bottom->SetAutomatic(false);
    bottom->SetMaximum(30);
    bottom->SetMinimum(1);
    bottom->Title()->SetCaption("Year");
    Chart->LeftAxis()->Title()->SetCaption("Paid in the year");
    Chart->RightAxis()->Title()->SetCaption("Balance");
    double balance = 150000;
    const double rate = 0.08 / 12;
    const double payment = 1100.65;
    for (int year = 1; year <= 30; ++year) {
        double interest = 0, principal = 0;
        for (int month = 0; month < 12 && balance > 0; ++month) {
            const double i = balance * rate;
            const double p = std::min(payment - i, balance);
            interest += i;
            principal += p;
            balance -= p;
        }
        Interest->AddXY(year, interest, "", clChartColor);
        Principal->AddXY(year, principal, "", clChartColor);
        Balance->AddXY(year, balance, "", clChartColor);
    }
}
