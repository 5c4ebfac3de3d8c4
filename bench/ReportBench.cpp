// Printing a 500-page amortization-schedule-like report to the built-in "PDF" printer: straight
// (the report writer), and recorded into a report stream then played back (the report system's
// road to the printer). The goal is the recorded road at no less than 0.8 of the straight speed;
// compare the two times of the same run. Each reports pages per second.
#include "platform/gui/PrinterBackend.h"
#include "platform/gui/QtApp.h"
#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"
#include "report/RptFPrint.h"
#include "report/RptFiler.h"
#include "report/RptPrinter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kPages = 500;
constexpr int kRowsPerPage = 45;

// A settings folder and an output folder of the benchmark's own, with the "PDF" printer only.
class TBenchPrinting {
public:
    TBenchPrinting() {
        std::string pattern = (std::filesystem::temp_directory_path() / "rptbenchXXXXXX").string();
        if (::mkdtemp(pattern.data())) dir_ = pattern;
        ::setenv("VANTREL_HOME", dir_.c_str(), 1);
        EnsureQtApp();
        ReleaseRPDev();
        SetPrinterBackends({CreatePdfPrinterBackend()});
    }
    ~TBenchPrinting() {
        ReleaseRPDev();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    std::string Output() const { return dir_ + "/schedule.pdf"; }

private:
    std::string dir_;
};

std::string Money(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The schedule: a title and column heads on every page, then rows of payment, interest,
// principal and balance in tab columns with boxes, and a page footer with the page number.
void Schedule(TBaseReport& r) {
    double balance = 250000.0;
    int period = 0;
    for (int page = 1; page <= kPages; ++page) {
        r.SetFont("Arial", 14);
        r.SetBold(true);
        r.PrintCenter("Amortization Schedule", r.PageWidth() / 2);
        r.NewLine();
        r.SetFont("Arial", 9);
        r.SetBold(false);
        r.ClearTabs();
        r.SetTab(0.75, pjRight, 0.6, 2, BOXLINEALL, 0);
        r.SetTab(-1, pjRight, 1.2, 2, BOXLINEALL, 0);
        r.SetTab(-1, pjRight, 1.2, 2, BOXLINEALL, 0);
        r.SetTab(-1, pjRight, 1.2, 2, BOXLINEALL, 0);
        r.SetTab(-1, pjRight, 1.5, 2, BOXLINEALL, 10);
        r.PrintLn("\tNo.\tPayment\tInterest\tPrincipal\tBalance");
        for (int row = 0; row < kRowsPerPage; ++row) {
            ++period;
            const double interest = balance * 0.0725 / 12;
            const double principal = 1705.37 - interest;
            balance -= principal;
            r.PrintLn("\t" + std::to_string(period) + "\t1,705.37\t" + Money(interest) + "\t" +
                      Money(principal) + "\t" + Money(balance));
        }
        r.GotoSectionBottom();
        r.PrintCenter("Page " + std::to_string(page), r.PageWidth() / 2);
        if (page < kPages) r.NewPage();
    }
}

// Records the schedule into the stream as the report system does (for the "PDF" printer, to
// be printed into Output).
void RecordSchedule(TMemoryStream& Stream, const std::string& Output) {
    TReportFiler filer(nullptr);
    filer.SetStreamMode(smUser);
    filer.SetStream(&Stream);
    filer.SetAccuracyMethod(amPositioning);
    filer.SetOutputFileName(Output);
    filer.OnPrint = [&](TObject*) { Schedule(filer); };
    filer.Execute();
}

void BM_DirectPrint(benchmark::State& state) {
    TBenchPrinting printing;
    for (auto _ : state) {
        TReportWriter writer(nullptr);
        writer.SetOutputFileName(printing.Output());
        writer.OnPrint = [&](TObject*) { Schedule(writer); };
        writer.Execute();
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(kPages),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RecordedAndPlayed(benchmark::State& state) {
    TBenchPrinting printing;
    for (auto _ : state) {
        TMemoryStream stream;
        RecordSchedule(stream, printing.Output());
        TFilePrinter player(nullptr);
        player.SetStreamMode(smUser);
        player.SetStream(&stream);
        player.Execute();
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(kPages),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// The recording alone, to see the road's two halves.
void BM_RecordOnly(benchmark::State& state) {
    TBenchPrinting printing;
    for (auto _ : state) {
        TMemoryStream stream;
        RecordSchedule(stream, printing.Output());
        state.counters["bytes"] = static_cast<double>(stream.Size());
    }
}

BENCHMARK(BM_DirectPrint)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecordedAndPlayed)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecordOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
