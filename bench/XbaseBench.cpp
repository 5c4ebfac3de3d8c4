// The xBase engine under load: appending 100,000 records with one order, a sequential scan,
// 10,000 indexed seeks and a pack. Each reports records (or seeks) per second.
#include "xbase/Xbase.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kRecords = 100000;
constexpr int kSeeks = 10000;

// A temporary folder with one table of kRecords loans and an order on the loan number.
class TBenchTable {
public:
    TBenchTable() {
        std::string pattern = (std::filesystem::temp_directory_path() / "xbbenchXXXXXX").string();
        if (::mkdtemp(pattern.data())) dir_ = pattern;
    }
    ~TBenchTable() {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    std::string Path() const { return dir_ + "/LOANS.DBF"; }

    static std::string LoanNo(int i) {
        char text[16];
        std::snprintf(text, sizeof text, "%09d", i);
        return text;
    }

    // Creates the table and its order and opens it exclusively; false on failure.
    bool Create() {
        xb_CloseAll();
        const std::vector<TXbFieldDef> fields = {{"LOANNO", 'C', 9, 0, 0},
                                                 {"NAME", 'C', 25, 0, 0},
                                                 {"AMOUNT", 'N', 14, 2, 0},
                                                 {"ORIGDATE", 'D', 8, 0, 0}};
        return xb_Create(Path(), fields, xbNSX) == xbOK &&
               xb_Use(Path(), "", xbModeExclusive, xbNSX) > 0 &&
               xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0) > 0;
    }

    // Appends records first..last-1 with scattered loan numbers.
    static bool Append(int first, int last) {
        for (int i = first; i < last; ++i) {
            const int key = static_cast<int>((static_cast<long long>(i) * 7919) % kRecords);
            if (xb_AppendEx() != 0 || xb_Replace(1, xbReplaceText, LoanNo(key)) != xbOK ||
                xb_Replace(2, xbReplaceText, "Borrower " + std::to_string(i)) != xbOK ||
                xb_Replace(3, xbReplaceDouble, i * 10.25) != xbOK)
                return false;
        }
        return xb_Commit() == xbOK;
    }

private:
    std::string dir_;
};

TBenchTable& Table() {
    static TBenchTable table;
    return table;
}

void BM_AppendWithOneOrder(benchmark::State& state) {
    for (auto _ : state) {
        if (!Table().Create() || !TBenchTable::Append(0, kRecords)) {
            state.SkipWithError("append failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_SequentialScan(benchmark::State& state) {
    xb_SetOrder(0);
    long long rows = 0;
    for (auto _ : state) {
        for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
            ++rows;
    }
    if (rows != state.iterations() * static_cast<long long>(kRecords))
        state.SkipWithError("scan missed records");
    state.SetItemsProcessed(rows);
}

void BM_IndexedSeek(benchmark::State& state) {
    xb_SetOrder(1);
    long long found = 0;
    for (auto _ : state) {
        for (int i = 0; i < kSeeks; ++i)
            found += xb_Seek(TBenchTable::LoanNo((i * 104729) % kRecords));
    }
    if (found != state.iterations() * static_cast<long long>(kSeeks))
        state.SkipWithError("a seek failed");
    state.SetItemsProcessed(state.iterations() * kSeeks);
}

void BM_Pack(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        xb_SetOrder(0);
        for (LongInt r = 1; r <= xb_RecCount(); r += 10) {
            xb_Go(r);
            xb_Delete();
        }
        const LongInt before = xb_RecCount();
        state.ResumeTiming();
        if (xb_Pack() != xbOK) {
            state.SkipWithError("pack failed");
            return;
        }
        state.SetItemsProcessed(before);
    }
}

BENCHMARK(BM_AppendWithOneOrder)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SequentialScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexedSeek)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
