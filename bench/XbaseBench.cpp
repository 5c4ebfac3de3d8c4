// The xBase engine against a peer doing the same work in the same run, at a million records
// (C10, N12.2, D8), and the engine at five million records against itself at one million.
// Every comparison runs its two sides interleaved as BenchRatio.h does: one untimed run of each,
// then three rounds, the side that goes first alternating from round to round; each round's
// figure is printed with the figure the medians of the rounds give, beside its goal.
// - At 1,000,000 records: shapelib's DBF functions and the engine append the records, and scan
//   them reading every field; the engine appends them with one order open (against shapelib's
//   plain append), rebuilds the order (reindex, against one full scan of the table collecting
//   the keys plus a std::sort of them) and seeks at random by key.
// - At 5,000,000 records against 1,000,000: the cost of one append with an order open, and of
//   one seek in the order (500,000 seeks at random on each side, both tables open at once).
// - Seeks straight after an indexed build: the engine appends 1,000,000 records with one order
//   open and commits, then seeks 100,000 keys at random (the first pass) and the same keys again
//   (the second pass). No peer does this work: the row's ratio is the first pass's speed over the
//   second's, which shows what the first seeks pay for memory the build left them to take. The
//   second pass necessarily follows the first; each round builds the table anew.
// After the comparisons the engine walks in key order and packs, for information.
//
// The clock is the processor time the program spends (user and system), not the wall clock:
// other programs keeping a shared machine busy then weigh on neither side. It does not hide what
// a larger table costs. When a page the index cache lacks is read from the file, the read is
// served from the kernel's file cache (the tables, at most a few hundred megabytes, stay in the
// machine's memory) and costs system time, which the processor time counts. A read that had to
// wait for the disk would not be counted: the blocks the program read from the disk during the
// five-million-record comparisons are printed, so that such waits show. The benchmark's tables
// live in a temporary folder; the five-million-record table is removed as soon as its rows are
// measured, the rest when the program ends.
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "xbase/Xbase.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRecords = 1000000;
constexpr int kLarge = 5000000;
constexpr int kRounds = 3;
constexpr int kSeeks = 500000;
constexpr int kBuiltSeeks = 100000; // seeks of each pass straight after an indexed build

TBenchFolder& Folder() {
    static TBenchFolder folder("xbbench");
    return folder;
}

// A work that went wrong stops its comparison, which reports what failed.
void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

// One line of the printout: each round's figure, the figure of the medians, and the goal.
struct TRow {
    std::string What;
    const char* Format;
    std::vector<double> Rounds;
    double OfMedians = 0;
    std::string Goal;
};

std::vector<TRow>& Rows() {
    static std::vector<TRow> rows;
    return rows;
}

// A figure made of the seconds our side and the peer's side took.
using TFigure = std::function<double(double ours, double peer)>;

void AddRow(const TSideTimes& times, const std::string& what, const char* format,
            const std::string& goal, const TFigure& figure) {
    TRow row{what, format, {}, figure(times.OursMedian(), times.PeerMedian()), goal};
    for (std::size_t round = 0; round < times.Ours.size(); ++round)
        row.Rounds.push_back(figure(times.Ours[round], times.Peer[round]));
    Rows().push_back(std::move(row));
}

// The three values of record i of count: a key, an amount and a date. The keys are a
// permutation of K000000000 .. K(count - 1), so that an order is filled in no particular sequence.
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

void CreateEngineTable(const std::string& path) {
    xb_CloseAll();
    const std::vector<TXbFieldDef> fields = {
        {"KEY", 'C', 10, 0, 0}, {"AMOUNT", 'N', 12, 2, 0}, {"DATE", 'D', 8, 0, 0}};
    Check(xb_Create(path, fields, xbCDX) == xbOK && xb_Use(path, "", xbModeExclusive, xbCDX) > 0,
          "creating the engine's table");
}

// Appends count records to the current area.
void EngineAppendRecords(int count) {
    for (int i = 0; i < count; ++i) {
        const TValues v = ValuesOf(i, count);
        Check(xb_AppendEx() == 0 && xb_Replace(1, xbReplaceText, v.Key) == xbOK &&
                  xb_Replace(2, xbReplaceDouble, v.Amount) == xbOK &&
                  xb_Replace(3, xbReplaceText, v.Date) == xbOK,
              "the engine's append");
    }
}

// Appends count records to the current area and closes it (which writes everything back).
void EngineAppend(int count) {
    EngineAppendRecords(count);
    Check(xb_Close() == xbOK, "closing the engine's table");
}

// A new table with the order KEY controlling it, left open in the current area.
void CreateOrderedTable(const std::string& name) {
    CreateEngineTable(Folder().Path(name));
    Check(xb_IndexCreate("", "KEY", "KEY", "", 0, 0) != 0, "creating the order");
}

void EngineAppendWithAnOrder(const std::string& name, int count) {
    CreateOrderedTable(name);
    EngineAppend(count);
}

void ShapelibAppend() {
    DBFHandle dbf = DBFCreate(Folder().Path("peer.dbf").c_str());
    Check(dbf && DBFAddField(dbf, "KEY", FTString, 10, 0) >= 0 &&
              DBFAddField(dbf, "AMOUNT", FTDouble, 12, 2) >= 0 &&
              DBFAddNativeFieldType(dbf, "DATE", 'D', 8, 0) >= 0,
          "creating shapelib's table");
    for (int i = 0; i < kRecords; ++i) {
        const TValues v = ValuesOf(i, kRecords);
        Check(DBFWriteStringAttribute(dbf, i, 0, v.Key) &&
                  DBFWriteDoubleAttribute(dbf, i, 1, v.Amount) &&
                  DBFWriteStringAttribute(dbf, i, 2, v.Date),
              "shapelib's append");
    }
    DBFClose(dbf);
}

void ShapelibScan() {
    DBFHandle dbf = DBFOpen(Folder().Path("peer.dbf").c_str(), "rb");
    Check(dbf != nullptr, "opening shapelib's table");
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
    Check(count == kRecords, "shapelib's scan");
}

void EngineScan() {
    xb_CloseAll();
    Check(xb_Use(Folder().Path("plain.dbf"), "", xbModeExclusive, xbCDX) > 0,
          "opening the engine's table");
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
    Check(rows == kRecords, "the engine's scan");
}

// seeks keys of a table of count records, in a random sequence made before the clock starts.
std::vector<std::string> SeekKeys(int count, int seeks = kSeeks) {
    std::vector<std::string> keys;
    unsigned long long x = 88172645463325252ULL;
    for (int i = 0; i < seeks; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        keys.push_back(ValuesOf(static_cast<int>(x % static_cast<unsigned>(count)), count).Key);
    }
    return keys;
}

// Opens a table appended with an order in a work area of its own, with the order controlling.
int OpenOrdered(const std::string& name) {
    const int area = xb_Use(Folder().Path(name), "", xbModeExclusive, xbCDX);
    Check(area > 0 && xb_SetOrder(xb_TagArea("KEY")) >= 0 && xb_IndexOrd() > 0,
          "opening a table with its order");
    return area;
}

void EngineSeeks(int area, const std::vector<std::string>& keys) {
    xb_Select(area);
    std::size_t found = 0;
    for (const std::string& key : keys)
        found += xb_Seek(key) == 1;
    Check(found == keys.size(), "the engine's seeks");
}

// The peer of a reindex: one full scan of the table in record order collecting every key with
// its record number, and a std::sort of them.
void ScanAndSortKeys() {
    const int order = xb_SetOrder(0);
    std::vector<std::pair<std::string, LongInt>> keys;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
        keys.emplace_back(xb_GetString(1), xb_RecNo());
    std::sort(keys.begin(), keys.end());
    xb_SetOrder(order);
    benchmark::DoNotOptimize(keys.data());
    Check(static_cast<long long>(keys.size()) == kRecords, "the scan of the keys");
}

void EngineReindex(const std::string& firstKey) {
    Check(xb_Reindex() == xbOK && xb_Seek(firstKey) == 1, "the engine's reindex");
}

// Blocks the program has read from the disk so far.
long DiskBlocksRead() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_inblock;
}

long g_largeDiskBlocks = 0;
double g_walkRate = 0;
double g_packRate = 0;

// Runs work as a benchmark's one iteration; a failure is reported as the benchmark's error.
void Run(benchmark::State& state, const std::function<void()>& work) {
    for (auto _ : state) {
        try {
            work();
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
        }
    }
}

// Times ours against peer, the sides interleaved; the benchmark's time is our side's median.
TSideTimes Interleave(benchmark::State& state, const std::function<void()>& ours,
                      const std::function<void()>& peer) {
    const TSideTimes times = Interleaved(kRounds, ours, peer);
    state.SetIterationTime(times.OursMedian());
    return times;
}

double PeerOverOurs(double ours, double peer) {
    return peer / ours;
}

double OursOverPeer(double ours, double peer) {
    return ours / peer;
}

void BM_Append(benchmark::State& state) {
    Run(state, [&state] {
        const auto engine = [] {
            CreateEngineTable(Folder().Path("plain.dbf"));
            EngineAppend(kRecords);
        };
        AddRow(Interleave(state, engine, ShapelibAppend), "append / shapelib append", " %9.2f",
               ">= 1.5", PeerOverOurs);
    });
}

void BM_Scan(benchmark::State& state) {
    Run(state, [&state] {
        AddRow(Interleave(state, EngineScan, ShapelibScan),
               "scan reading every field / shapelib scan", " %9.2f", ">= 2.0", PeerOverOurs);
    });
}

void BM_AppendWithAnOrder(benchmark::State& state) {
    Run(state, [&state] {
        const auto engine = [] { EngineAppendWithAnOrder("ordered.dbf", kRecords); };
        AddRow(Interleave(state, engine, ShapelibAppend),
               "append with an order / shapelib plain append", " %9.2f", ">= 0.5", PeerOverOurs);
    });
}

void BM_Reindex(benchmark::State& state) {
    Run(state, [&state] {
        xb_CloseAll();
        OpenOrdered("ordered.dbf");
        const std::string firstKey = ValuesOf(0, kRecords).Key;
        const auto engine = [&firstKey] { EngineReindex(firstKey); };
        AddRow(Interleave(state, engine, ScanAndSortKeys),
               "reindex time / (scan + std::sort) time", " %9.2f", "< 2.0", OursOverPeer);
        xb_CloseAll();
    });
}

// The cost of one append at kLarge records as a multiple of its cost at kRecords.
double PerAppend(double large, double small) {
    return (large / kLarge) / (small / kRecords);
}

void BM_LargeAppendWithAnOrder(benchmark::State& state) {
    g_largeDiskBlocks = DiskBlocksRead();
    Run(state, [&state] {
        const auto large = [] { EngineAppendWithAnOrder("large.dbf", kLarge); };
        const auto small = [] { EngineAppendWithAnOrder("ordered.dbf", kRecords); };
        AddRow(Interleave(state, large, small), "append with an order, 5 M records / 1 M",
               " %9.2f", "<= 1.5", PerAppend);
    });
}

// As many seeks on each side: the cost of one is the time's ratio.
void BM_LargeSeeks(benchmark::State& state) {
    Run(state, [&state] {
        const std::vector<std::string> largeKeys = SeekKeys(kLarge);
        const std::vector<std::string> keys = SeekKeys(kRecords);
        xb_CloseAll();
        const int large = OpenOrdered("large.dbf");
        const int small = OpenOrdered("ordered.dbf");
        const TSideTimes times = Interleave(
            state, [&] { EngineSeeks(large, largeKeys); }, [&] { EngineSeeks(small, keys); });
        AddRow(times, "seek, 5 M records / 1 M", " %9.2f", "<= 1.5", OursOverPeer);
        AddRow(times, "seeks per second, 1,000,000-key order", " %9.0f", ">= 1,000,000",
               [](double, double peer) { return kSeeks / peer; });
    });
    xb_CloseAll();
    g_largeDiskBlocks = DiskBlocksRead() - g_largeDiskBlocks;
    for (const char* name : {"large.dbf", "large.cdx"})
        std::filesystem::remove(Folder().Path(name));
}

// Each round builds the table (untimed), then times the first pass of seeks and the second; one
// round that is not timed goes first, as in the other comparisons.
void BM_SeeksAfterABuild(benchmark::State& state) {
    Run(state, [&state] {
        const std::vector<std::string> keys = SeekKeys(kRecords, kBuiltSeeks);
        TSideTimes times;
        for (int round = 0; round <= kRounds; ++round) {
            xb_CloseAll();
            CreateOrderedTable("built.dbf");
            EngineAppendRecords(kRecords);
            Check(xb_Commit() == xbOK, "committing the build");
            const int area = xb_WorkArea();
            const double first = Seconds([&] { EngineSeeks(area, keys); });
            const double second = Seconds([&] { EngineSeeks(area, keys); });
            if (round == 0) continue;
            times.Ours.push_back(first);
            times.Peer.push_back(second);
        }
        xb_CloseAll();
        state.SetIterationTime(times.OursMedian());
        AddRow(times, "seeks per second straight after an indexed build", " %9.0f", ">= 1,000,000",
               [](double first, double) { return kBuiltSeeks / first; });
        AddRow(times, "  first / second pass after the build (no peer)", " %9.2f", ">= 0.8",
               PeerOverOurs);
    });
}

void BM_WalkAndPack(benchmark::State& state) {
    Run(state, [&state] {
        xb_CloseAll();
        OpenOrdered("ordered.dbf");
        long long rows = 0;
        const double walk = Seconds([&rows] {
            for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
                ++rows;
        });
        xb_SetOrder(0);
        LongInt before = 0;
        bool packed = false;
        const double pack = Seconds([&] {
            for (LongInt r = 1; r <= xb_RecCount(); r += 10) {
                xb_Go(r);
                xb_Delete();
            }
            before = xb_RecCount();
            packed = xb_Pack() == xbOK;
        });
        xb_CloseAll();
        Check(rows == kRecords && packed, "the walk or the pack");
        g_walkRate = static_cast<double>(rows) / walk;
        g_packRate = static_cast<double>(before) / pack;
        state.SetIterationTime(walk + pack);
    });
}

void RegisterAll() {
    const std::pair<const char*, void (*)(benchmark::State&)> steps[] = {
        {"append against shapelib", BM_Append},
        {"scan against shapelib", BM_Scan},
        {"append with an order against shapelib", BM_AppendWithAnOrder},
        {"reindex against scan and std::sort", BM_Reindex},
        {"append with an order, 5 M against 1 M", BM_LargeAppendWithAnOrder},
        {"seeks, 5 M against 1 M", BM_LargeSeeks},
        {"seeks straight after an indexed build", BM_SeeksAfterABuild},
        {"walk in key order and pack", BM_WalkAndPack},
    };
    for (const auto& [name, step] : steps)
        benchmark::RegisterBenchmark(name, step)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}

void PrintRows() {
    std::cout.flush();
    std::printf("\nProcessor seconds, sides alternating, rounds 1 to %d and the figure of their "
                "medians:\n",
                kRounds);
    for (const TRow& row : Rows()) {
        std::printf("  %-48s", row.What.c_str());
        for (double value : row.Rounds)
            std::printf(row.Format, value);
        std::printf("  medians ");
        std::printf(row.Format, row.OfMedians);
        std::printf("  (goal %s)\n", row.Goal.c_str());
    }
    std::printf("Blocks read from the disk during the 5 M comparisons: %ld\n", g_largeDiskBlocks);
    std::printf("Engine alone: walk in key order %.0f records/s, pack %.0f records/s\n", g_walkRate,
                g_packRate);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xb_CloseAll(); // before the engine's work areas go with the program's statics
    PrintRows();
    return 0;
}
