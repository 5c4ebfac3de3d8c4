// Printing to the built-in "PDF" printer against Qt's own PDF writer: the ledger report (500
// pages of 60 rows in six tab columns, five faces and styles, see LedgerReport.h) through the
// report writer, and the same cells drawn straight with QPdfWriter and QPainter at the same
// resolution, in the same faces, at the same columns (a right-justified cell measured and placed
// as a program drawing it itself would), in the same run: three rounds, the sides interleaved,
// medians compared. It prints the report writer's speed as a share of the direct one (goal: at
// least 0.8) and its file size as a multiple of the direct file's (goal: at most 1.3).
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "bench/LedgerReport.h"
#include "platform/gui/PrinterBackend.h"
#include "platform/gui/QtApp.h"
#include "report/RptDevice.h"
#include "report/RptPrinter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 500;
constexpr int kRows = kPages * LedgerLinesPerPage;
constexpr int kDpi = 600; // the "PDF" printer's resolution

void PrintWithReportWriter(const std::string& file) {
    TReportWriter report(nullptr);
    SetUpLedger(report, file);
    report.OnPrint = [&](TObject*) { PrintLedger(report, kRows); };
    report.Execute();
}

// The font each column is drawn in, as the report writer finds the faces.
QFont ColumnFont(const TLedgerColumn& column) {
    const std::string face = column.Face;
    QFont font(face == "Times New Roman" ? "Liberation Serif"
               : face == "Courier New"   ? "Liberation Mono"
                                         : "Liberation Sans");
    font.setPixelSize(static_cast<int>(std::lround(LedgerPoints * kDpi / 72.0)));
    font.setBold(column.Bold);
    font.setItalic(column.Italic);
    return font;
}

// The same cells where the report writer puts them: baselines one sixth of an inch apart from
// one line below the top margin, a left cell at its column's left edge plus the cell margin, a
// right one ending at the right edge less the margin.
void PrintDirect(const std::string& file) {
    QPdfWriter writer(QString::fromStdString(file));
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle("Ledger");
    QPainter painter(&writer);
    std::vector<QFont> fonts;
    std::vector<QFontMetrics> metrics;
    for (const TLedgerColumn& column : LedgerColumns) {
        fonts.push_back(ColumnFont(column));
        metrics.emplace_back(fonts.back(), &writer);
    }
    const double margin = LedgerCellMargin / 100.0;
    for (int row = 0; row < kRows; ++row) {
        const int line = row % LedgerLinesPerPage;
        if (row > 0 && line == 0) writer.newPage();
        const int baseline = static_cast<int>(std::lround((LedgerMargin + (line + 1) / 6.0) * kDpi));
        const std::array<std::string, 6> cells = LedgerCells(row);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const TLedgerColumn& column = LedgerColumns[c];
            const QString text = QString::fromLatin1(cells[c].c_str());
            painter.setFont(fonts[c]);
            int x = static_cast<int>(std::lround((column.Left + margin) * kDpi));
            if (column.Justify == pjRight)
                x = static_cast<int>(std::lround((column.Left + column.Width - margin) * kDpi)) -
                    metrics[c].horizontalAdvance(text);
            painter.drawText(x, baseline, text);
        }
    }
    painter.end();
}

void BM_ReportWriterAgainstDirectPdf(benchmark::State& state) {
    EnsureQtApp();
    TBenchFolder folder("pdfbench");
    folder.UseAsHome();
    SetPrinterBackends({CreatePdfPrinterBackend()});
    const std::string reportFile = folder.Path("report.pdf");
    const std::string directFile = folder.Path("direct.pdf");
    for (auto _ : state) {
        const TSideTimes times = Interleaved(
            3, [&] { PrintWithReportWriter(reportFile); }, [&] { PrintDirect(directFile); });
        state.SetIterationTime(times.OursMedian());
        const double reportBytes = static_cast<double>(std::filesystem::file_size(reportFile));
        const double directBytes = static_cast<double>(std::filesystem::file_size(directFile));
        state.counters["direct_ms"] = 1000.0 * times.PeerMedian();
        state.counters["speed_ratio"] = times.Ratio();
        state.counters["size_ratio"] = reportBytes / directBytes;
        std::printf("PDF of %d pages of six columns in five faces: report writer at %.2f of the "
                    "direct speed (goal >= 0.8; medians of 3, %.0f ms against %.0f ms), %.0f bytes "
                    "= %.2f times the direct %.0f bytes (goal <= 1.3)\n",
                    kPages, times.Ratio(), 1000.0 * times.OursMedian(),
                    1000.0 * times.PeerMedian(), reportBytes, reportBytes / directBytes,
                    directBytes);
    }
    ReleaseRPDev();
}

BENCHMARK(BM_ReportWriterAgainstDirectPdf)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
