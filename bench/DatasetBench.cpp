// The database layer against the engine it runs on, over one table of a million records (KEY
// C10, AMOUNT N12.2, DATE D), every record's three fields read into values on both sides (the
// engine's side turns the amount's text into a number and the date's into a date value, as the
// dataset's fields do):
// - a filtered dataset (a TTable with the filter text "AMOUNT < 512500", which half the records
//   meet) against the engine's own filtered scan (xb_Query with the same condition, then
//   xb_GoTop and xb_Skip), both on a table opened exclusively;
// - the engine scanning the table opened shared, with no other writer, against the same scan on
//   the table opened exclusively;
// - the table opened shared while another copy of the program (this program started again as a
//   holder, which opens the table shared and waits) has it open: a filtered dataset against the
//   engine's filtered scan, and a dataset reading every record against the engine's scan.
// The sides run in pairs, interleaved, three rounds, each pair with its peer first in even rounds
// and second in odd ones, timed in processor time; the median time of each is printed with the
// ratios and their goals (filtered dataset at most 1.3 times the engine's filtered scan, opened
// exclusively or shared alike; the shared scan at most 1.5 times the exclusive one; the dataset's
// scan of a shared table at most 1.3 times the engine's). Run with QT_QPA_PLATFORM=offscreen.
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "db/DBTables.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/DateTime.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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

// A stored "yyyymmdd" date as a date value (0 when it is none), as a caller of the engine works
// it out: its digits, then the runtime's calendar.
double DateOfStored(const std::string& stored) {
    const auto number = [&](std::size_t at, std::size_t count) {
        Word value = 0;
        std::from_chars(stored.data() + at, stored.data() + at + count, value);
        return value;
    };
    TDateTime date = 0;
    return stored.size() == 8 && TryEncodeDate(number(0, 4), number(4, 2), number(6, 2), date)
               ? date
               : 0;
}

// The engine's scan of the current area from the top, reading every field.
TTally EngineScan() {
    TTally t;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
        t.Chars += xb_GetTrimString(1).size();
        t.Sum += std::strtod(xb_GetString(2).c_str(), nullptr);
        t.Sum += DateOfStored(xb_GetString(3));
        ++t.Rows;
    }
    return t;
}

TTally EngineFiltered(const std::string& path, int mode) {
    xb_CloseAll();
    if (xb_Use(path, "", mode, xbCDX) == 0 || xb_Query(kCondition) != xbOK) return {};
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

TTally DatasetScan(const TBenchFolder& folder, bool exclusive, bool filtered) {
    TTable table(nullptr);
    table.SetDatabaseName(folder.Dir() + "/");
    table.SetTableName("LOANS.DBF");
    table.SetExclusive(exclusive);
    if (filtered) {
        table.SetFilter(kCondition);
        table.SetFiltered(true);
    }
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

// Started with "--hold PATH", the program is the other holder: it opens the table shared, says
// so with one byte on its standard output, and keeps it open until its standard input closes.
int Hold(const char* path) {
    if (xb_Use(path, "", xbModeShared, xbCDX) == 0) return 1;
    if (::write(STDOUT_FILENO, "h", 1) != 1) return 1;
    char byte = 0;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    xb_CloseAll();
    return 0;
}

// Another copy of this program holding the table open while it lives.
class THolder {
public:
    THolder(const char* program, const std::string& path) {
        int in[2], out[2];
        if (::pipe(in) != 0) return;
        if (::pipe(out) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::close(in[1]);
            ::close(out[0]);
            ::execlp(program, program, "--hold", path.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        char byte = 0;
        holding_ = pid_ > 0 && ::read(out[0], &byte, 1) == 1;
        ::close(out[0]);
    }
    ~THolder() {
        if (input_ >= 0) ::close(input_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    THolder(const THolder&) = delete;
    THolder& operator=(const THolder&) = delete;

    bool Holding() const { return holding_; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    bool holding_ = false;
};

struct TSide {
    std::string Name;
    bool Held; // run while another copy of the program holds the table open
    std::function<TTally()> Run;
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--hold") return Hold(argv[2]);
    InitApplication();
    TBenchFolder folder("dbbench");
    const std::string path = folder.Path("LOANS.DBF");
    if (folder.Dir().empty() || !MakeTable(path)) {
        std::fprintf(stderr, "the table could not be made\n");
        return 1;
    }
    const std::vector<TSide> sides = {
        {"engine filtered", false, [&] { return EngineFiltered(path, xbModeExclusive); }},
        {"dataset filtered", false, [&] { return DatasetScan(folder, true, true); }},
        {"engine exclusive scan", false, [&] { return EngineOpenedAs(path, xbModeExclusive); }},
        {"engine shared scan", false, [&] { return EngineOpenedAs(path, xbModeShared); }},
        {"engine held filtered", true, [&] { return EngineFiltered(path, xbModeShared); }},
        {"dataset held filtered", true, [&] { return DatasetScan(folder, false, true); }},
        {"engine held scan", true, [&] { return EngineOpenedAs(path, xbModeShared); }},
        {"dataset held scan", true, [&] { return DatasetScan(folder, false, false); }},
    };
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, long long> rows;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<THolder> holder;
        for (std::size_t n = 0; n < sides.size(); ++n) {
            // Sides come in pairs, the peer first: odd rounds run ours first.
            const TSide& side = sides[round % 2 == 0 ? n : n ^ 1];
            if (side.Held && !holder) {
                holder = std::make_unique<THolder>(argv[0], path);
                if (!holder->Holding()) {
                    std::fprintf(stderr, "no other copy could hold the table\n");
                    return 1;
                }
            }
            TTally t;
            times[side.Name].push_back(Seconds([&] { t = side.Run(); }));
            rows[side.Name] = t.Rows;
            if (t.Rows == 0 || t.Sum < 0) {
                std::fprintf(stderr, "%s read nothing\n", side.Name.c_str());
                return 1;
            }
        }
    }
    DoneDBTables();
    xb_CloseAll();
    std::printf("%d records, median processor time of %d interleaved rounds:\n", kRecords,
                kRounds);
    for (const auto& [name, held, run] : sides) {
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
    std::printf("Opened shared while another copy holds the table:\n");
    std::printf("  filtered dataset / engine filtered scan   %.2f (goal at most 1.3)\n",
                ratio("dataset held filtered", "engine held filtered"));
    std::printf("  dataset scan / engine scan                %.2f (goal at most 1.3)\n",
                ratio("dataset held scan", "engine held scan"));
    const bool same = rows["dataset filtered"] == rows["engine filtered"] &&
                      rows["dataset held filtered"] == rows["engine held filtered"] &&
                      rows["dataset held scan"] == rows["engine held scan"];
    return same ? 0 : 1;
}
