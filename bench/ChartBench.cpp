// A fast-line series of 1,000,000 points drawn into a 1,000 x 600 chart, against the same points
// drawn as one raw QPainter polyline on an image of the same size in the same run. The raw peer
// gets its points already in pixels; the chart converts every value itself. The ratio of the two
// is what matters (machines differ): the chart keeps one stroke per pixel column as it draws.
#include "chart/Chart.h"
#include "chart/Series.h"
#include "platform/gui/QtApp.h"

#include <QImage>
#include <QPainter>
#include <QPointF>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kPoints = 1000000;
constexpr int kWidth = 1000;
constexpr int kHeight = 600;

double ValueAt(int i) {
    return 500 + 300 * std::sin(i * 0.00002) + 100 * std::sin(i * 0.37);
}

void BM_FastLineSeriesChart(benchmark::State& state) {
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
    for (auto _ : state) {
        chart.Draw(bitmap.Canvas(), Rect(0, 0, kWidth, kHeight));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_FastLineSeriesChart)->Unit(benchmark::kMillisecond);

void BM_RawQPainterPolyline(benchmark::State& state) {
    EnsureQtApp();
    std::vector<QPointF> points(kPoints);
    for (int i = 0; i < kPoints; ++i)
        points[i] = QPointF(20 + i * (kWidth - 40.0) / kPoints, kHeight - ValueAt(i) * 0.6);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::red, 1));
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        painter.end();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_RawQPainterPolyline)->Unit(benchmark::kMillisecond);

} // namespace
