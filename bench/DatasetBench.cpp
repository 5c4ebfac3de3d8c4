// The database layer against the engine it runs on, over one table of a million records (KEY
// C10, AMOUNT N12.2, DATE D), every record's three fields read on both sides:
// - a filtered dataset (a TTable with the filter text "AMOUNT < 512500", which half the records
//   meet) against the engine's own filtered scan (xb_Query with the same condition, then
//   xb_GoTop and xb_Skip), both on a table opened exclusively;
// - the engine scanning the table opened shared, with no other writer, against the same scan on
//   the table opened exclusively.
// The sides run interleaved, three rounds; the median time of each is printed with the ratios
// (goals: filtered dataset at most 1.3 times the engine's filtered scan, shared scan at most 1.5
// times the exclusive one). Run with QT_QPA_PLATFORM=offscreen.
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "db/DBTables.h"
#include "platform/gui/Forms.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 1000000;
constexpr int kRounds = 3;
const char* const kCondition = "AMOUNT < 512500";

// The table: key "K" and nine digits, amounts 0 .. 1,024,989.75 repeating every 100,000 records
// (half below 512,500), dates spread over thirty years.
bool MakeTable(const std::string& path) {
    const std::vector<TXbFieldDef> fields = {
        {"KEY", 'C', 10, 0, 0}, {"AMOUNT", 'N', 12, 2, 0}, {"DATE", 'D', 8, 0, 0}};
    if (xb_Create(path, fields, xbCDX) != xbOK || xb_Use(path, "", xbModeExclusive, xbCDX) == 0)
        return false;
    char key[16];
    char date[16];
    for (int i = 0; i < kRecords; ++i) {
        std::snprintf(key, sizeof key, "K%09d", static_cast<int>((i * 7919LL) % kRecords));
        std::snprintf(date, sizeof date, "20%02d%02d%02d", i % 30, 1 + i % 12, 1 + i % 28);
        if (xb_AppendEx() != 0 || xb_Replace(1, xbReplaceText, key) != xbOK ||
            xb_Replace(2, xbReplaceDouble, (i % 100000) * 10.25) != xbOK ||
            xb_Replace(3, xbReplaceText, date) != xbOK)
            return false;
    }
    return xb_Close() == xbOK;
}

// What a scan read, so that no side can skip its reading.
struct TTally {
    long long Rows = 0;
    double Sum = 0;
    std::size_t Chars = 0;
};

// The engine's scan of the current area from the top, reading every field.
TTally EngineScan() {
    TTally t;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
        t.Chars += xb_GetTrimString(1).size();
        t.Sum += std::strtod(xb_GetString(2).c_str(), nullptr);
        t.Chars += xb_GetString(3).size();
        ++t.Rows;
    }
    return t;
}

TTally EngineFiltered(const std::string& path) {
    xb_CloseAll();
    if (xb_Use(path, "", xbModeExclusive, xbCDX) == 0 || xb_Query(kCondition) != xbOK) return {};
    const TTally t = EngineScan();
    xb_Close();
    return t;
}

TTally EngineOpenedAs(const std::string& path, int mode) {
    xb_CloseAll();
    if (xb_Use(path, "", mode, xbCDX) == 0) return {};
    const TTally t = EngineScan();
    xb_Close();
    return t;
}

TTally DatasetFiltered(const TBenchFolder& folder) {
    TTable table(nullptr);
    table.SetDatabaseName(folder.Dir() + "/");
    table.SetTableName("LOANS.DBF");
    table.SetExclusive(true);
    table.SetFilter(kCondition);
    table.SetFiltered(true);
    table.Open();
    TField* key = table.FieldByName("KEY");
    TField* amount = table.FieldByName("AMOUNT");
    TField* date = table.FieldByName("DATE");
    TTally t;
    for (table.First(); !table.Eof(); table.Next()) {
        t.Chars += key->AsString().size();
        t.Sum += amount->AsFloat();
        t.Sum += date->AsDateTime();
        ++t.Rows;
    }
    table.Close();
    return t;
}

} // namespace

int main() {
    InitApplication();
    TBenchFolder folder("dbbench");
    const std::string path = folder.Path("LOANS.DBF");
    if (folder.Dir().empty() || !MakeTable(path)) {
        std::fprintf(stderr, "the table could not be made\n");
        return 1;
    }
    const std::vector<std::pair<std::string, std::function<TTally()>>> sides = {
        {"engine filtered", [&] { return EngineFiltered(path); }},
        {"dataset filtered", [&] { return DatasetFiltered(folder); }},
        {"engine exclusive scan", [&] { return EngineOpenedAs(path, xbModeExclusive); }},
        {"engine shared scan", [&] { return EngineOpenedAs(path, xbModeShared); }},
    };
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, long long> rows;
    for (int round = 0; round < kRounds; ++round)
        for (const auto& [name, run] : sides) {
            const auto start = std::chrono::steady_clock::now();
            const TTally t = run();
            times[name].push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            rows[name] = t.Rows;
            if (t.Rows == 0 || t.Sum < 0) {
                std::fprintf(stderr, "%s read nothing\n", name.c_str());
                return 1;
            }
        }
    DoneDBTables();
    xb_CloseAll();
    std::printf("%d records, median of %d interleaved rounds:\n", kRecords, kRounds);
    for (const auto& [name, run] : sides) {
        std::printf("  %-22s %8.3f s  %lld records read; rounds", name.c_str(),
                    Median(times[name]), rows[name]);
        for (const double t : times[name])
            std::printf(" %.3f", t);
        std::printf("\n");
    }
    const auto ratio = [&](const char* a, const char* b) {
        return Median(times[a]) / Median(times[b]);
    };
    std::printf("Ratios:\n");
    std::printf("  filtered dataset / engine filtered scan   %.2f (goal at most 1.3)\n",
                ratio("dataset filtered", "engine filtered"));
    std::printf("  shared scan / exclusive scan              %.2f (goal at most 1.5)\n",
                ratio("engine shared scan", "engine exclusive scan"));
    return rows["dataset filtered"] == rows["engine filtered"] ? 0 : 1;
}
