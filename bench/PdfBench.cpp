// Printing to the built-in "PDF" printer against Qt's own PDF writer: one text report of 500
// pages (57 lines of schedule rows each) through the report writer, and the same lines drawn
// straight with QPdfWriter and QPainter at the same resolution, font and positions, in the same
// run. It prints the report writer's speed as a share of the direct one (goal: at least 0.8)
// and its file size as a multiple of the direct file's (goal: at most 1.3).
#include "platform/gui/PrinterBackend.h"
#include "platform/gui/QtApp.h"
#include "report/RptPrinter.h"

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 500;
constexpr int kLinesPerPage = 57;
constexpr int kDpi = 300;
constexpr double kMargin = 0.75; // inches
constexpr double kFontPoints = 10.0;

// The rows of an amortization schedule, one per line.
std::vector<std::string> ScheduleLines() {
    std::vector<std::string> lines;
    char text[128];
    for (int i = 0; i < kPages * kLinesPerPage; ++i) {
        std::snprintf(text, sizeof text, "%6d   %02d/15/%04d   %12.2f   %10.2f   %10.2f   %14.2f",
                      i + 1, i % 12 + 1, 2027 + i / 12, 1234.56 + i, 567.89 + i % 100, 666.67,
                      98765.43 - i * 0.5);
        lines.emplace_back(text);
    }
    return lines;
}

// A folder of its own for the settings and the two files.
class TBenchFolder {
public:
    TBenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pdfbenchXXXXXX").string();
        if (::mkdtemp(pattern.data())) dir_ = pattern;
        setenv("VANTREL_HOME", dir_.c_str(), 1);
    }
    ~TBenchFolder() {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    std::string File(const char* name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

void PrintWithReportWriter(const std::vector<std::string>& lines, const std::string& file) {
    TReportWriter report(nullptr);
    report.SetTitle("Schedule");
    report.SetOutputFileName(file);
    report.SetMarginTop(kMargin);
    report.SetMarginLeft(kMargin);
    report.OnPrint = [&](TObject*) {
        report.SetFont("Arial", kFontPoints);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 && i % kLinesPerPage == 0) report.NewPage();
            report.PrintLn(lines[i]);
        }
    };
    report.Execute();
}

// The same lines where the report writer puts them: baselines one sixth of an inch apart
// starting one line below the top margin.
void PrintDirect(const std::vector<std::string>& lines, const std::string& file) {
    QPdfWriter writer(QString::fromStdString(file));
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle("Schedule");
    QPainter painter(&writer);
    QFont font("Liberation Sans");
    font.setPixelSize(static_cast<int>(kFontPoints * kDpi / 72.0 + 0.5));
    painter.setFont(font);
    const int left = static_cast<int>(kMargin * kDpi);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int row = static_cast<int>(i % kLinesPerPage);
        if (i > 0 && row == 0) writer.newPage();
        const int baseline = static_cast<int>((kMargin + (row + 1) / 6.0) * kDpi);
        painter.drawText(left, baseline, QString::fromLatin1(lines[i].c_str()));
    }
    painter.end();
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReportWriterAgainstDirectPdf(benchmark::State& state) {
    EnsureQtApp();
    TBenchFolder folder;
    SetPrinterBackends({CreatePdfPrinterBackend()});
    const std::vector<std::string> lines = ScheduleLines();
    const std::string reportFile = folder.File("report.pdf");
    const std::string directFile = folder.File("direct.pdf");
    double reportTime = 0.0, directTime = 0.0;
    for (auto _ : state) {
        const double direct = Seconds([&] { PrintDirect(lines, directFile); });
        const double report = Seconds([&] { PrintWithReportWriter(lines, reportFile); });
        directTime += direct;
        reportTime += report;
        state.SetIterationTime(report);
    }
    const double reportBytes = static_cast<double>(std::filesystem::file_size(reportFile));
    const double directBytes = static_cast<double>(std::filesystem::file_size(directFile));
    const double speed = directTime / reportTime;
    const double size = reportBytes / directBytes;
    state.counters["direct_ms"] = 1000.0 * directTime / static_cast<double>(state.iterations());
    state.counters["speed_ratio"] = speed;
    state.counters["size_ratio"] = size;
    state.counters["report_bytes"] = reportBytes;
    state.counters["direct_bytes"] = directBytes;
    std::printf("PDF of %d pages: report writer at %.2f of the direct speed (goal >= 0.8), "
                "%.0f bytes = %.2f times the direct %.0f bytes (goal <= 1.3)\n",
                kPages, speed, reportBytes, size, directBytes);
}

BENCHMARK(BM_ReportWriterAgainstDirectPdf)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
