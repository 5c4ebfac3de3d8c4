// The xBase engine against a peer doing the same work in the same run, at a million records
// (C10, N12.2, D8). In each of three rounds, one side after the other: shapelib's DBF functions
// and the engine append the records and scan them reading every field; the engine appends them
// again with one order open (against shapelib's plain append of that round), seeks at random by
// key in that 1,000,000-key order, and rebuilds the order (reindex) against one full scan of the
// table collecting the keys plus a std::sort of them. After the rounds the engine walks in key
// order and packs, for information. At the end every round's ratio is printed with the median
// of the rounds, beside its goal.
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "xbase/Xbase.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRecords = 1000000;
constexpr int kRounds = 3;
constexpr int kSeeks = 500000;

TBenchFolder& Folder() {
    static TBenchFolder folder("xbbench");
    return folder;
}

// What each round measured: items per second and seconds, by the work's name.
struct TMeasured {
    double Rate = 0;
    double Seconds = 0;
};
using TRound = std::map<std::string, TMeasured>;

std::vector<TRound>& Rounds() {
    static std::vector<TRound> rounds(kRounds + 1); // the last one holds the closing work
    return rounds;
}

// The three values of record i: a key, an amount and a date. The keys are a permutation of
// K000000000 .. K(count - 1), so that an order is filled in no particular sequence.
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

// Times work (which gives the number of items it did, or -1 on failure) as round's name; setup
// runs before the clock starts.
template <typename Work>
void Measure(benchmark::State& state, int round, const std::string& name, bool (*setup)(),
             Work work) {
    for (auto _ : state) {
        if (!setup()) {
            state.SkipWithError("the setup failed");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const long long items = work();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (items < 0) {
            state.SkipWithError("the work failed");
            return;
        }
        state.SetItemsProcessed(items);
        Rounds()[static_cast<std::size_t>(round)][name] = {static_cast<double>(items) / seconds,
                                                           seconds};
    }
}

bool CreateEngineTable(const std::string& path) {
    xb_CloseAll();
    const std::vector<TXbFieldDef> fields = {
        {"KEY", 'C', 10, 0, 0}, {"AMOUNT", 'N', 12, 2, 0}, {"DATE", 'D', 8, 0, 0}};
    return xb_Create(path, fields, xbCDX) == xbOK && xb_Use(path, "", xbModeExclusive, xbCDX) > 0;
}

// Appends the records to the current area and closes it (which writes everything back).
long long EngineAppend() {
    for (int i = 0; i < kRecords; ++i) {
        const TValues v = ValuesOf(i, kRecords);
        if (xb_AppendEx() != 0 || xb_Replace(1, xbReplaceText, v.Key) != xbOK ||
            xb_Replace(2, xbReplaceDouble, v.Amount) != xbOK ||
            xb_Replace(3, xbReplaceText, v.Date) != xbOK)
            return -1;
    }
    return xb_Close() == xbOK ? kRecords : -1;
}

long long ShapelibAppend() {
    DBFHandle dbf = DBFCreate(Folder().Path("peer.dbf").c_str());
    if (!dbf || DBFAddField(dbf, "KEY", FTString, 10, 0) < 0 ||
        DBFAddField(dbf, "AMOUNT", FTDouble, 12, 2) < 0 ||
        DBFAddNativeFieldType(dbf, "DATE", 'D', 8, 0) < 0)
        return -1;
    for (int i = 0; i < kRecords; ++i) {
        const TValues v = ValuesOf(i, kRecords);
        if (!DBFWriteStringAttribute(dbf, i, 0, v.Key) ||
            !DBFWriteDoubleAttribute(dbf, i, 1, v.Amount) ||
            !DBFWriteStringAttribute(dbf, i, 2, v.Date))
            return -1;
    }
    DBFClose(dbf);
    return kRecords;
}

long long ShapelibScan() {
    DBFHandle dbf = DBFOpen(Folder().Path("peer.dbf").c_str(), "rb");
    if (!dbf) return -1;
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
    return count;
}

long long EngineScan() {
    xb_CloseAll();
    if (xb_Use(Folder().Path("plain.dbf"), "", xbModeExclusive, xbCDX) == 0) return -1;
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
}

long long EngineAppendWithAnOrder() {
    if (!CreateEngineTable(Folder().Path("ordered.dbf")) ||
        xb_IndexCreate("", "KEY", "KEY", "", 0, 0) == 0)
        return -1;
    return EngineAppend();
}

// The keys sought, in a random sequence made before the clock starts.
const std::vector<std::string>& SeekKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        unsigned long long x = 88172645463325252ULL;
        for (int i = 0; i < kSeeks; ++i) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            k.push_back(ValuesOf(static_cast<int>(x % kRecords), kRecords).Key);
        }
        return k;
    }();
    return keys;
}

// Opens the ordered table with its order controlling (the keys are made before as well).
bool OpenOrdered() {
    SeekKeys();
    xb_CloseAll();
    return xb_Use(Folder().Path("ordered.dbf"), "", xbModeExclusive, xbCDX) > 0 &&
           xb_SetOrder(xb_TagArea("KEY")) >= 0 && xb_IndexOrd() > 0;
}

long long EngineSeeks() {
    long long found = 0;
    for (const std::string& key : SeekKeys())
        found += xb_Seek(key) == 1;
    return found == kSeeks ? found : -1;
}

// The peer of a reindex: one full scan of the table in record order collecting every key with
// its record number, and a std::sort of them.
long long ScanAndSortKeys() {
    const int order = xb_SetOrder(0);
    std::vector<std::pair<std::string, LongInt>> keys;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
        keys.emplace_back(xb_GetString(1), xb_RecNo());
    std::sort(keys.begin(), keys.end());
    xb_SetOrder(order);
    benchmark::DoNotOptimize(keys.data());
    return static_cast<long long>(keys.size()) == kRecords ? kRecords : -1;
}

long long EngineReindex() {
    return xb_Reindex() == xbOK && xb_Seek(SeekKeys().front()) == 1 ? kRecords : -1;
}

long long EngineWalkInKeyOrder() {
    long long rows = 0;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
        ++rows;
    return rows == kRecords ? rows : -1;
}

long long EnginePack() {
    xb_SetOrder(0);
    for (LongInt r = 1; r <= xb_RecCount(); r += 10) {
        xb_Go(r);
        xb_Delete();
    }
    const LongInt before = xb_RecCount();
    const bool packed = xb_Pack() == xbOK;
    xb_CloseAll();
    return packed ? static_cast<long long>(before) : -1;
}

bool NoSetup() {
    return true;
}

template <typename Work>
void Register(int round, const std::string& name, Work work, bool (*setup)() = NoSetup) {
    const std::string title =
        round < kRounds ? "round " + std::to_string(round + 1) + ": " + name : name;
    benchmark::RegisterBenchmark(title.c_str(),
                                 [round, name, setup, work](benchmark::State& state) {
                                     Measure(state, round, name, setup, work);
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll() {
    for (int round = 0; round < kRounds; ++round) {
        Register(round, "shapelib append", ShapelibAppend);
        Register(round, "engine append", [] {
            return CreateEngineTable(Folder().Path("plain.dbf")) ? EngineAppend() : -1;
        });
        Register(round, "shapelib scan", ShapelibScan);
        Register(round, "engine scan", EngineScan);
        Register(round, "engine append with an order", EngineAppendWithAnOrder);
        Register(round, "engine seeks", EngineSeeks, OpenOrdered);
        Register(round, "scan and std::sort of the keys", ScanAndSortKeys);
        Register(round, "engine reindex", EngineReindex);
    }
    Register(kRounds, "engine walk in key order", EngineWalkInKeyOrder, OpenOrdered);
    Register(kRounds, "engine pack", EnginePack);
}

// Prints one line: each round's value of of(round), their median and the goal.
template <typename Of>
void PrintLine(const char* what, const char* format, const char* goal, Of of) {
    std::vector<double> values;
    std::printf("  %-48s", what);
    for (int round = 0; round < kRounds; ++round) {
        values.push_back(of(Rounds()[static_cast<std::size_t>(round)]));
        std::printf(format, values.back());
    }
    std::printf("  median ");
    std::printf(format, Median(values));
    std::printf("  (goal %s)\n", goal);
}

void PrintRatios() {
    std::cout.flush();
    const auto rate = [](TRound& r, const char* name) { return r[name].Rate; };
    const auto ratio = [&rate](const char* engine, const char* peer) {
        return [&rate, engine, peer](TRound& r) {
            return rate(r, peer) > 0 ? rate(r, engine) / rate(r, peer) : 0.0;
        };
    };
    std::printf("\nAt %d records, rounds 1 to %d and their median:\n", kRecords, kRounds);
    PrintLine("append / shapelib append", " %9.2f", ">= 1.5",
              ratio("engine append", "shapelib append"));
    PrintLine("scan reading every field / shapelib scan", " %9.2f", ">= 2.0",
              ratio("engine scan", "shapelib scan"));
    PrintLine("append with an order / shapelib plain append", " %9.2f", ">= 0.5",
              ratio("engine append with an order", "shapelib append"));
    PrintLine("reindex time / (scan + std::sort) time", " %9.2f", "< 2.0", [](TRound& r) {
        const double peer = r["scan and std::sort of the keys"].Seconds;
        return peer > 0 ? r["engine reindex"].Seconds / peer : 0.0;
    });
    PrintLine("seeks per second, 1,000,000-key order", " %9.0f", ">= 1,000,000",
              [&rate](TRound& r) { return rate(r, "engine seeks"); });
    TRound& closing = Rounds().back();
    std::printf("Engine alone: walk in key order %.0f records/s, pack %.0f records/s\n",
                closing["engine walk in key order"].Rate, closing["engine pack"].Rate);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xb_CloseAll(); // before the engine's work areas go with the program's statics
    PrintRatios();
    return 0;
}
