// The largest schedule the program builds: 1,560 weekly payments (30 years) built and shown in
// the amortization window, from Calc to the first year painted, against the schedule engine
// building the same loan alone in the same run. The ratio is what the window adds to the
// engine's work; the goal is the whole under 100 ms.
#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationSchedule.h"
#include "advisors/AmortizationWindow.h"
#include "controls/entry/DayNumberDates.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr Word Payments = 1560;

TAmortLoan WeeklyLoan() {
    TAmortLoan loan;
    loan.PV = 250000;
    loan.NumPmts = Payments;
    loan.Rate = 7.5f;
    loan.OrgDate = DMYToDate(1, 1, 2026, 1950);
    loan.FrstPmtDate = DMYToDate(8, 1, 2026, 1950);
    loan.PYR = 0;    // "Weekly"
    loan.CmpPYR = 1; // "Weekly"
    return loan;
}

void FillLists() {
    FillPaymentFrequencyList();
    FillFrequencyList();
    FillAmortMethodList();
    FillTimingList();
    FillPointsPaidList();
    FillFeeTimingList();
    FillDayCountList();
    FillYearBasisList();
    FillCompoundingList();
    FillDeductibleList();
}

void BM_EngineBuildsTheSchedule(benchmark::State& state) {
    FillLists();
    TAmortSchedule schedule;
    for (auto _ : state) {
        TAmortLoan loan = WeeklyLoan();
        benchmark::DoNotOptimize(schedule.CalcSchedule(loan, TAmortOptions{}));
    }
}
BENCHMARK(BM_EngineBuildsTheSchedule)->Unit(benchmark::kMillisecond);

void BM_WindowBuildsAndShowsTheSchedule(benchmark::State& state) {
    FillLists();
    TRecordedServices services;
    auto options = std::make_unique<TAmortOpt>(Application);
    auto form = std::make_unique<TcLoAmort>(Application, options.get());
    form->Show();
    Application->ProcessMessages();
    const TAmortLoan loan = WeeklyLoan();
    double pv = loan.PV;
    Word n = loan.NumPmts;
    float rate = loan.Rate;
    form->PV->SetValue(&pv);
    form->NumPmts->SetValue(&n);
    form->Rate->SetValue(&rate);
    form->PYR->SetItemIndex(loan.PYR);
    form->CmpPYR->SetItemIndex(loan.CmpPYR);
    for (auto _ : state) {
        form->CalcBTN->Click();
        form->Repaint();
        Application->ProcessMessages();
    }
    if (!services.MessageBoxes.empty())
        state.SkipWithError(services.MessageBoxes.front().Text.c_str());
    else if (form->Years->Tabs()->Count() < 30)
        state.SkipWithError("the schedule was not built");
    state.counters["years"] = form->Years->Tabs()->Count();
}
BENCHMARK(BM_WindowBuildsAndShowsTheSchedule)->Unit(benchmark::kMillisecond);

// The console report, keeping each benchmark's time per iteration for the ratio at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    InitApplication();
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto engine = reporter.times.find("BM_EngineBuildsTheSchedule");
    const auto window = reporter.times.find("BM_WindowBuildsAndShowsTheSchedule");
    if (engine != reporter.times.end() && window != reporter.times.end() && engine->second > 0)
        std::printf("1,560 payments built and shown: %.2f ms (goal under 100 ms), %.1f times the "
                    "engine's build alone\n",
                    window->second, window->second / engine->second);
    return 0;
}
