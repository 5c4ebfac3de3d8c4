// Deleting an account from the register costs time in proportion to the rows it removes. The
// account's loans hold 2,005, 4,005 and 10,507 saved schedule rows in turn (five loans of 401
// rows, five of 801, seven of 1,501), beside the DEFAULT account's loans of 361 and 1,501 rows
// that stay. The peer is the delete of that loan of 1,501 rows from the same register. Each
// side runs on a fresh copy of the register (the copy is not timed, the pack is), interleaved,
// three rounds; the medians of the time a user waits (wall clock) are printed with the rows
// removed per second, how the account's time grows against its rows, and the goal: 10,507 rows
// under 1 s in a release build. Every delete is checked to have left exactly the rows it
// should. Run with QT_QPA_PLATFORM=offscreen.
#include "advisors/AmortizationSchedule.h"
#include "advisors/Register.h"
#include "bench/BenchFolder.h"
#include "bench/BenchRatio.h"
#include "controls/entry/DayNumberDates.h"
#include "db/DBTables.h"
#include "platform/gui/Forms.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 3;
const char* const kAccount = "SMITJOH001";
const char* const kPeerLoan = "P";

struct TAccountSize {
    int Loans;
    int Rows; // per loan
};

TAmortSchedule ScheduleOf(int rows) {
    TAmortSchedule schedule;
    TAmortLoan loan;
    loan.PV = 150000;
    loan.NumPmts = static_cast<Word>(rows - 1);
    loan.Rate = 7.0f;
    loan.OrgDate = DMYToDate(1, 1, 2026, 1950);
    loan.FrstPmtDate = DMYToDate(1, 2, 2026, 1950);
    schedule.CalcSchedule(loan, TAmortOptions{});
    return schedule;
}

void Add(const std::string& dir, const char* name,
         const std::vector<std::pair<const char*, std::string>>& fields) {
    std::unique_ptr<TTable> table = RegisterTable(dir, name);
    table->Open();
    table->Append();
    for (const auto& [field, value] : fields)
        table->FieldByName(field)->SetAsString(value);
    table->Post();
}

// A loan of the account with its schedule saved.
bool AddLoan(const std::string& dir, const std::string& account, const std::string& loan,
             int rows) {
    Add(dir, LoansTable, {{"LOANNO", loan}});
    Add(dir, XRefTable, {{"ACCOUNTNO", account}, {"LOANNO", loan}});
    return SaveSchedule(dir, loan, ScheduleOf(rows), TAmortOptions{}).empty();
}

// The register: the account's loans, the peer's loan of 1,501 rows and DEFAULT's loan of 361.
bool MakeRegister(const std::string& dir, TAccountSize size) {
    fs::create_directories(dir);
    CreateRegisterTables(dir);
    Add(dir, AccountsTable, {{"ACCOUNTNO", kAccount}, {"LASTNAME", "Smith"}});
    bool made =
        AddLoan(dir, DefaultAccount, "D", 361) && AddLoan(dir, DefaultAccount, kPeerLoan, 1501);
    for (int k = 1; k <= size.Loans && made; ++k)
        made = AddLoan(dir, kAccount, std::to_string(k), size.Rows);
    xb_CloseAll();
    return made;
}

// The records TRANS.DBF holds, deleted ones included (none after a pack).
LongInt RowsIn(const std::string& dir) {
    if (xb_Use(dir + "/" + TransTable, "", xbModeReadOnly, xbNSX) == 0) return -1;
    const LongInt rows = xb_RecCount();
    xb_Close();
    return rows;
}

// Seconds of wall clock one delete takes on a fresh copy of the register; -1 when it failed or
// left another number of rows than Left.
double TimedOnCopy(const std::string& from, const std::string& work, LongInt left,
                   const std::function<std::string(const std::string&)>& remove) {
    fs::remove_all(work);
    fs::copy(from, work);
    const auto start = std::chrono::steady_clock::now();
    const std::string failure = remove(work);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    xb_CloseAll();
    if (!failure.empty() || RowsIn(work) != left) {
        std::fprintf(stderr, "the delete failed: %s, %d rows left\n", failure.c_str(),
                     RowsIn(work));
        return -1;
    }
    return seconds;
}

} // namespace

int main() {
    InitApplication();
    TBenchFolder folder("registerbench");
    if (folder.Dir().empty()) return 1;
    const std::vector<TAccountSize> sizes = {{5, 401}, {5, 801}, {7, 1501}};
    const std::string work = folder.Path("work");
    std::printf("An account's delete against a loan's delete of 1,501 rows from the same register; "
                "median of %d interleaved rounds (wall clock):\n",
                kRounds);
    std::vector<double> accountTimes;
    for (const TAccountSize size : sizes) {
        const std::string dir = folder.Path("register" + std::to_string(size.Rows));
        const int rows = size.Loans * size.Rows;
        if (!MakeRegister(dir, size) || RowsIn(dir) != rows + 361 + 1501) {
            std::fprintf(stderr, "the register could not be made\n");
            return 1;
        }
        std::vector<double> ours, peer;
        const std::function<void()> account = [&] {
            ours.push_back(TimedOnCopy(dir, work, 361 + 1501, [](const std::string& d) {
                return DeleteAccount(d, kAccount);
            }));
        };
        const std::function<void()> loan = [&] {
            peer.push_back(TimedOnCopy(dir, work, rows + 361, [](const std::string& d) {
                return DeleteLoan(d, kPeerLoan);
            }));
        };
        for (int round = 0; round < kRounds; ++round) {
            (round % 2 == 0 ? loan : account)();
            (round % 2 == 0 ? account : loan)();
        }
        if (*std::min_element(ours.begin(), ours.end()) < 0 ||
            *std::min_element(peer.begin(), peer.end()) < 0)
            return 1;
        std::printf("  %6d rows: account %.3f s (rounds", rows, Median(ours));
        for (const double t : ours)
            std::printf(" %.3f", t);
        std::printf("), %.0f rows/s; loan of 1,501 rows %.3f s, %.0f rows/s\n", rows / Median(ours),
                    Median(peer), 1501 / Median(peer));
        accountTimes.push_back(Median(ours));
    }
    const double rowsGrowth = 10507.0 / 2005.0;
    std::printf("  the account's time grows %.2f times from 2,005 to 10,507 rows (%.2f times the "
                "rows: at most that is linear)\n",
                accountTimes.back() / accountTimes.front(), rowsGrowth);
    std::printf("  goal: 10,507 rows under 1 s: %s\n",
                accountTimes.back() < 1.0 ? "met" : "not met");
    DoneDBTables();
    return 0;
}
