// A fast-line series of 1,000,000 points drawn into a 1,000 x 600 chart, against the same
// points drawn as one raw QPainter polyline on an image of the same size, in the same run: three
// rounds with the sides interleaved, medians compared, the ratio printed. The raw peer draws what
// the chart draws: the points already turned into whole pixels of the chart's plot, with a
// cosmetic (zero-width) pen, as the chart's own one-pixel lines are drawn; the chart converts
// every value itself and keeps one stroke per pixel column as it draws.
#include "bench/BenchRatio.h"
#include "chart/Chart.h"
#include "chart/Series.h"
#include "platform/gui/QtApp.h"

#include <QImage>
#include <QPainter>
#include <QPoint>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kPoints = 1000000;
constexpr int kWidth = 1000;
constexpr int kHeight = 600;

double ValueAt(int i) {
    return 500 + 300 * std::sin(i * 0.00002) + 100 * std::sin(i * 0.37);
}

void BM_FastLineAgainstRawPolyline(benchmark::State& state) {
    EnsureQtApp();
    TChart chart(nullptr);
    chart.SetBounds(0, 0, kWidth, kHeight);
    chart.SetView3D(false);
    chart.SetBufferedDisplay(false);
    chart.Legend()->SetVisible(false);
    auto* series = new TFastLineSeries(nullptr);
    series->SetParentChart(&chart);
    for (int i = 0; i < kPoints; ++i)
        series->AddXY(i, ValueAt(i));
    TBitmap bitmap;
    bitmap.SetSize(kWidth, kHeight);
    // Drawn once, so the plot's pixels are known: the raw peer's points are the chart's own.
    chart.Draw(bitmap.Canvas(), Rect(0, 0, kWidth, kHeight));
    std::vector<QPoint> points(kPoints);
    for (int i = 0; i < kPoints; ++i)
        points[i] = QPoint(series->CalcXPos(i), series->CalcYPos(i));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        const TSideTimes times = Interleaved(
            3,
            [&] {
                chart.Draw(bitmap.Canvas(), Rect(0, 0, kWidth, kHeight));
                benchmark::ClobberMemory();
            },
            [&] {
                image.fill(Qt::white);
                QPainter painter(&image);
                painter.setPen(QPen(Qt::red, 0));
                painter.drawPolyline(points.data(), static_cast<int>(points.size()));
                painter.end();
                benchmark::ClobberMemory();
            });
        state.SetIterationTime(times.OursMedian());
        state.counters["speed_ratio"] = times.Ratio();
        std::printf("fast line of %d points at %.2f of a raw cosmetic-pen polyline's speed "
                    "(medians of 3, %.1f ms against %.1f ms)\n",
                    kPoints, times.Ratio(), 1000.0 * times.OursMedian(),
                    1000.0 * times.PeerMedian());
    }
    state.SetItemsProcessed(kPoints);
}
BENCHMARK(BM_FastLineAgainstRawPolyline)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
