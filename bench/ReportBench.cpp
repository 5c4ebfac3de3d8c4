// The road through the report recording — recorded into a memory stream with positioning
// accuracy, then played to the built-in "PDF" printer, as the report system prints from the
// preview — against printing the same report straight with the report writer, in one run:
// - speed: the ledger report (500 pages of 60 rows in six tab columns, five faces and styles,
//   cells of several words; LedgerReport.h), three rounds with the sides interleaved, medians
//   compared (goal: the recorded road at no less than 0.9 of the straight speed);
// - the words pdftotext finds in the two files: the same, in the same reading order, each box
//   within 0.1 point (goal: no word differs);
// - a logo on each of 100 pages: the played file against raw QPainter drawing the same image on
//   each page of a QPdfWriter, losslessly as the printer does (goal: at most 1.1 of its size);
// - the peak memory while 1,000,000 rows play, over the recording's size (goal: at most 1.3).
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "bench/LedgerReport.h"
#include "platform/gui/PrinterBackend.h"
#include "platform/gui/QtApp.h"
#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"
#include "report/RptFiler.h"
#include "report/RptPlayer.h"
#include "report/RptPrinter.h"
#include "tests/gui/PdfTools.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

constexpr int kPages = 500;
constexpr int kLogoPages = 100;
constexpr int kMemoryRows = 1000000;

// A settings folder and an output folder of the benchmark's own, with the "PDF" printer only.
class TBenchPrinting {
public:
    TBenchPrinting() {
        folder_.UseAsHome();
        EnsureQtApp();
        ReleaseRPDev();
        SetPrinterBackends({CreatePdfPrinterBackend()});
    }
    ~TBenchPrinting() {
        ReleaseRPDev();
    }
    std::string File(const char* name) const { return folder_.Path(name); }

private:
    TBenchFolder folder_{"rptbench"};
};

using TBody = std::function<void(TBaseReport&)>;

void PrintStraight(const TBody& Body, const std::string& Output) {
    TReportWriter writer(nullptr);
    SetUpLedger(writer, Output);
    writer.OnPrint = [&](TObject*) { Body(writer); };
    writer.Execute();
}

// Records the report into the stream as the report system does.
void Record(const TBody& Body, TMemoryStream& Stream) {
    TReportFiler filer(nullptr);
    SetUpLedger(filer, "");
    filer.SetStreamMode(smUser);
    filer.SetStream(&Stream);
    filer.SetAccuracyMethod(amPositioning);
    filer.OnPrint = [&](TObject*) { Body(filer); };
    filer.Execute();
}

void Play(TMemoryStream& Stream, const std::string& Output) {
    TFilePrinter player(nullptr);
    player.SetStreamMode(smUser);
    player.SetStream(&Stream);
    player.SetOutputFileName(Output);
    player.Execute();
}

void RecordAndPlay(const TBody& Body, const std::string& Output) {
    TMemoryStream stream;
    Record(Body, stream);
    Play(stream, Output);
}

double FileBytes(const std::string& File) {
    return static_cast<double>(std::filesystem::file_size(File));
}

// Words of the played file that are not the straight file's word at the same place in the
// reading order (within 0.1 point), and the number of words.
std::pair<std::size_t, std::size_t> DifferingWords(const std::string& Straight,
                                                   const std::string& Played) {
    const auto words = [](const std::string& file) {
        return PdfWords(RunTool("pdftotext -bbox " + ShellQuoted(file) + " -"));
    };
    const std::vector<TPdfWord> a = words(Straight);
    const std::vector<TPdfWord> b = words(Played);
    std::size_t differing = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i].Text != b[i].Text || std::fabs(a[i].XMin - b[i].XMin) > 0.1 ||
            std::fabs(a[i].XMax - b[i].XMax) > 0.1 || std::fabs(a[i].YMin - b[i].YMin) > 0.1 ||
            std::fabs(a[i].YMax - b[i].YMax) > 0.1)
            ++differing;
    return {differing, a.size()};
}

void BM_RecordedRoadAgainstStraightPrinting(benchmark::State& state) {
    TBenchPrinting printing;
    const std::string straight = printing.File("straight.pdf");
    const std::string played = printing.File("played.pdf");
    const TBody ledger = [](TBaseReport& r) { PrintLedger(r, kPages * LedgerLinesPerPage); };
    for (auto _ : state) {
        const TSideTimes times = Interleaved(
            3, [&] { RecordAndPlay(ledger, played); }, [&] { PrintStraight(ledger, straight); });
        state.SetIterationTime(times.OursMedian());
        state.counters["speed_ratio"] = times.Ratio();
        std::printf("recorded road at %.2f of straight printing (goal >= 0.9; medians of 3, "
                    "%.0f ms against %.0f ms for %d pages; rounds %.0f/%.0f %.0f/%.0f "
                    "%.0f/%.0f ms)\n",
                    times.Ratio(), 1000.0 * times.OursMedian(), 1000.0 * times.PeerMedian(),
                    kPages, 1000.0 * times.Ours[0], 1000.0 * times.Peer[0],
                    1000.0 * times.Ours[1], 1000.0 * times.Peer[1], 1000.0 * times.Ours[2],
                    1000.0 * times.Peer[2]);
        const auto [differing, words] = DifferingWords(straight, played);
        state.counters["differing_words"] = static_cast<double>(differing);
        std::printf("played PDF against the straight one: %zu of %zu words differ in text, "
                    "reading order or place beyond 0.1 pt (goal 0); files %.0f and %.0f bytes\n",
                    differing, words, FileBytes(played), FileBytes(straight));
    }
}

// A logo of 40,000 distinct pixels on every page.
QImage LogoImage() {
    QImage image(200, 200, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x, y, (x * y) % 256));
    return image;
}

void PrintLogoRaw(const QImage& Logo, const std::string& Output) {
    QPdfWriter writer(QString::fromStdString(Output));
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    // Lossless, as the "PDF" printer stores bitmaps.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.setFont(QFont("Liberation Sans", 10));
    for (int page = 1; page <= kLogoPages; ++page) {
        if (page > 1) writer.newPage();
        painter.drawImage(QRect(600, 600, 600, 600), Logo);
        painter.drawText(600, 1500, QString("Page %1").arg(page));
    }
    painter.end();
}

void BM_RepeatedLogo(benchmark::State& state) {
    TBenchPrinting printing;
    const QImage image = LogoImage();
    TBitmap logo;
    logo.SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            logo.Canvas()->SetPixels(x, y, RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)));
        }
    const TBody body = [&](TBaseReport& r) {
        for (int page = 1; page <= kLogoPages; ++page) {
            if (page > 1) r.NewPage();
            r.PrintBitmapRect(1.0, 1.0, 2.0, 2.0, &logo);
            r.SetYPos(2.5);
            r.PrintLeft("Page " + std::to_string(page), 1.0);
        }
    };
    const std::string raw = printing.File("raw.pdf");
    const std::string straight = printing.File("straight.pdf");
    const std::string played = printing.File("played.pdf");
    for (auto _ : state) {
        PrintLogoRaw(image, raw);
        PrintStraight(body, straight);
        RecordAndPlay(body, played);
        const double rawBytes = FileBytes(raw);
        state.counters["played_size_ratio"] = FileBytes(played) / rawBytes;
        std::printf("a logo on %d pages: played %.0f bytes = %.2f, straight %.0f bytes = %.2f of "
                    "raw QPainter's %.0f bytes (goal <= 1.1)\n",
                    kLogoPages, FileBytes(played), FileBytes(played) / rawBytes,
                    FileBytes(straight), FileBytes(straight) / rawBytes, rawBytes);
    }
}

// The process's resident memory, or its peak since the last reset (kilobytes, as the system
// reports them).
double ResidentBytes(const char* Field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(Field, 0) == 0) return std::stod(line.substr(std::strlen(Field))) * 1024.0;
    return 0.0;
}

void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_PlayingMemory(benchmark::State& state) {
    TBenchPrinting printing;
    const std::string played = printing.File("played.pdf");
    const TBody ledger = [](TBaseReport& r) { PrintLedger(r, kMemoryRows); };
    for (auto _ : state) {
        // Memory freed before is given back first, so it is not taken for the recording's.
        malloc_trim(0);
        const double before = ResidentBytes("VmRSS:");
        TMemoryStream stream;
        Record(ledger, stream);
        // Memory the recording freed goes back to the system first: only what playing holds
        // is counted, with the recording itself.
        malloc_trim(0);
        ResetPeakMemory();
        Play(stream, played);
        const double peak = ResidentBytes("VmHWM:") - before;
        const double size = static_cast<double>(stream.Size());
        state.counters["memory_ratio"] = peak / size;
        std::printf("playing %d rows: peak memory %.1f MB for a %.1f MB recording = %.2f of its "
                    "size (goal <= 1.3)\n",
                    kMemoryRows, peak / 1e6, size / 1e6, peak / size);
    }
}

BENCHMARK(BM_RecordedRoadAgainstStraightPrinting)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepeatedLogo)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayingMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
