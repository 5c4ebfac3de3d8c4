// The xBase engine against a peer doing the same work in the same run: shapelib's DBF functions
// append a million records (C10, N12.2, D8) and scan them reading every field, and so does the
// engine. The engine alone then appends with one order open, seeks at random by key, walks in
// key order and packs. Each benchmark reports records (or seeks) per second; at the end the
// ratios of the engine to its peer are printed: append and scan against shapelib's, appending
// with an order against shapelib's plain append, and the seeks per second.
#include "xbase/Xbase.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

namespace {

constexpr int kRecords = 1000000;
constexpr int kOrderedRecords = 200000;
constexpr int kSeeks = 100000;

// A temporary folder for the run's files.
class TBenchFolder {
public:
    TBenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "xbbenchXXXXXX").string();
        if (::mkdtemp(pattern.data())) dir_ = pattern;
    }
    ~TBenchFolder() {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

TBenchFolder& Folder() {
    static TBenchFolder folder;
    return folder;
}

// Records (or seeks) per second of each benchmark, for the ratios at the end.
std::map<std::string, double>& Rates() {
    static std::map<std::string, double> rates;
    return rates;
}

// The three values of record i: a key, an amount and a date.
struct TValues {
    char Key[16];
    double Amount;
    char Date[16];
};

TValues ValuesOf(int i, int count) {
    TValues v{};
    std::snprintf(v.Key, sizeof v.Key, "K%09d",
                  static_cast<int>((static_cast<long long>(i) * 7919) % count));
    v.Amount = (i % 100000) * 10.25;
    std::snprintf(v.Date, sizeof v.Date, "20%02d%02d%02d", i % 30, 1 + i % 12, 1 + i % 28);
    return v;
}

// Times work (which gives the number of items it did, or -1 on failure) and reports its rate.
template <typename Work>
void Measure(benchmark::State& state, const char* name, Work work) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const long long items = work();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (items < 0) {
            state.SkipWithError("the work failed");
            return;
        }
        state.SetItemsProcessed(items);
        Rates()[name] = static_cast<double>(items) / seconds;
    }
}

bool CreateEngineTable(const std::string& path) {
    xb_CloseAll();
    const std::vector<TXbFieldDef> fields = {
        {"KEY", 'C', 10, 0, 0}, {"AMOUNT", 'N', 12, 2, 0}, {"DATE", 'D', 8, 0, 0}};
    return xb_Create(path, fields, xbCDX) == xbOK && xb_Use(path, "", xbModeExclusive, xbCDX) > 0;
}

long long EngineAppend(int count) {
    for (int i = 0; i < count; ++i) {
        const TValues v = ValuesOf(i, count);
        if (xb_AppendEx() != 0 || xb_Replace(1, xbReplaceText, v.Key) != xbOK ||
            xb_Replace(2, xbReplaceDouble, v.Amount) != xbOK ||
            xb_Replace(3, xbReplaceText, v.Date) != xbOK)
            return -1;
    }
    return xb_Commit() == xbOK ? count : -1;
}

void BM_ShapelibAppend(benchmark::State& state) {
    Measure(state, "shapelib append", [] {
        DBFHandle dbf = DBFCreate(Folder().Path("peer.dbf").c_str());
        if (!dbf || DBFAddField(dbf, "KEY", FTString, 10, 0) < 0 ||
            DBFAddField(dbf, "AMOUNT", FTDouble, 12, 2) < 0 ||
            DBFAddNativeFieldType(dbf, "DATE", 'D', 8, 0) < 0)
            return -1LL;
        for (int i = 0; i < kRecords; ++i) {
            const TValues v = ValuesOf(i, kRecords);
            if (!DBFWriteStringAttribute(dbf, i, 0, v.Key) ||
                !DBFWriteDoubleAttribute(dbf, i, 1, v.Amount) ||
                !DBFWriteStringAttribute(dbf, i, 2, v.Date))
                return -1LL;
        }
        DBFClose(dbf);
        return static_cast<long long>(kRecords);
    });
}

void BM_EngineAppend(benchmark::State& state) {
    Measure(state, "engine append", [] {
        if (!CreateEngineTable(Folder().Path("plain.dbf"))) return -1LL;
        const long long done = EngineAppend(kRecords);
        return xb_Close() == xbOK ? done : -1LL;
    });
}

void BM_ShapelibScan(benchmark::State& state) {
    Measure(state, "shapelib scan", [] {
        DBFHandle dbf = DBFOpen(Folder().Path("peer.dbf").c_str(), "rb");
        if (!dbf) return -1LL;
        const int count = DBFGetRecordCount(dbf);
        double sum = 0;
        std::size_t chars = 0;
        for (int i = 0; i < count; ++i) {
            chars += std::strlen(DBFReadStringAttribute(dbf, i, 0));
            sum += DBFReadDoubleAttribute(dbf, i, 1);
            chars += std::strlen(DBFReadStringAttribute(dbf, i, 2));
        }
        DBFClose(dbf);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(chars);
        return static_cast<long long>(count);
    });
}

void BM_EngineScan(benchmark::State& state) {
    Measure(state, "engine scan", [] {
        xb_CloseAll();
        if (xb_Use(Folder().Path("plain.dbf"), "", xbModeExclusive, xbCDX) == 0) return -1LL;
        long long rows = 0;
        double sum = 0;
        std::size_t chars = 0;
        for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
            chars += xb_GetTrimString(1).size();
            sum += std::strtod(xb_GetString(2).c_str(), nullptr);
            chars += xb_GetString(3).size();
            ++rows;
        }
        xb_Close();
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(chars);
        return rows;
    });
}

void BM_EngineAppendWithOneOrder(benchmark::State& state) {
    Measure(state, "engine append with an order", [] {
        if (!CreateEngineTable(Folder().Path("ordered.dbf")) ||
            xb_IndexCreate("", "KEY", "KEY", "", 0, 0) == 0)
            return -1LL;
        return EngineAppend(kOrderedRecords);
    });
}

void BM_EngineRandomSeeks(benchmark::State& state) {
    Measure(state, "engine seeks", [] {
        long long found = 0;
        for (int i = 0; i < kSeeks; ++i)
            found += xb_Seek(
                ValuesOf(static_cast<int>(i * 104729LL % kOrderedRecords), kOrderedRecords).Key);
        return found == kSeeks ? found : -1LL;
    });
}

void BM_EngineWalkInKeyOrder(benchmark::State& state) {
    Measure(state, "engine walk in key order", [] {
        long long rows = 0;
        for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
            ++rows;
        return rows == kOrderedRecords ? rows : -1LL;
    });
}

void BM_EnginePack(benchmark::State& state) {
    Measure(state, "engine pack", [] {
        xb_SetOrder(0);
        for (LongInt r = 1; r <= xb_RecCount(); r += 10) {
            xb_Go(r);
            xb_Delete();
        }
        const LongInt before = xb_RecCount();
        return xb_Pack() == xbOK ? static_cast<long long>(before) : -1LL;
    });
}

BENCHMARK(BM_ShapelibAppend)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineAppend)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShapelibScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineAppendWithOneOrder)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineRandomSeeks)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineWalkInKeyOrder)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnginePack)->Iterations(1)->Unit(benchmark::kMillisecond);

void PrintRatios() {
    std::cout.flush();
    auto& r = Rates();
    const auto ratio = [&r](const char* engine, const char* peer) {
        return r.count(engine) && r.count(peer) && r[peer] > 0 ? r[engine] / r[peer] : 0.0;
    };
    std::printf("\nRatios of the engine to shapelib in this run:\n");
    std::printf("  append                              %.2f (goal 1.0)\n",
                ratio("engine append", "shapelib append"));
    std::printf("  scan reading every field            %.2f (goal 1.0)\n",
                ratio("engine scan", "shapelib scan"));
    std::printf("  append with an order / plain append %.2f (goal 0.5)\n",
                ratio("engine append with an order", "shapelib append"));
    std::printf("Engine alone: %.0f seeks/s (goal 1,000,000), walk %.0f records/s, "
                "pack %.0f records/s\n",
                r["engine seeks"], r["engine walk in key order"], r["engine pack"]);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xb_CloseAll(); // before the engine's work areas go with the program's statics
    PrintRatios();
    return 0;
}
