// A change of the register is whole or absent: a save of a 360-row schedule over a 180-row one,
// and a delete of an account with its loans, killed at random moments in a child process or
// met by a full disk at each write in turn, leave after the next open the tables as they were
// before or as they are after, every index agreeing with its table, no deleted record shown;
// the full disk is told as such. A journal left beside them is trusted only when it can be read
// and the tables are those it was written for. Two processes on one folder: a save while the
// other saves, a delete while the other holds the register or edits a loan. And the faults of
// the tables themselves: an index behind its table, a blank key, a counter table or accounts
// table that lost its record, a damaged table, a missing one, a folder that cannot be written.
#include "advisors/Register.h"
#include "advisors/RegisterJournal.h"

#include "controls/entry/DayNumberDates.h"
#include "platform/rtl/Strings.h"
#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/db/DataSetFixture.h"
#include "tests/rtl/ChildProcesses.h"
#include "tests/rtl/RefusedFolder.h"
#include "xbase/XbFile.h"
#include "xbase/XbJournal.h"
#include "xbase/Xbase.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::vector<std::string> AllTables{AccountsTable, LoansTable, XRefTable, SysInfoTable,
                                         TransTable};
// Writes failing from one on for as long as a change goes: the disk stays full.
constexpr long Always = std::numeric_limits<long>::max();

class RegisterChangeTest : public DataSetFixture {
protected:
    std::string Folder() const { return folder_.Path(); }
    std::string Work() const { return Folder() + "/work"; }

    static TAmortSchedule Schedule(int periods, float rate) {
        TAmortSchedule s;
        TAmortLoan loan{.PV = 90000,
                        .NumPmts = static_cast<Word>(periods),
                        .Rate = rate,
                        .OrgDate = DMYToDate(1, 6, 2024, 0),
                        .FrstPmtDate = DMYToDate(1, 7, 2024, 0)};
        EXPECT_TRUE(s.CalcSchedule(loan, TAmortOptions{}));
        return s;
    }

    // Saves loan 1's schedule anew in Dir: 24 rows over the template's 12.
    static std::string SaveLonger(const std::string& Dir) {
        return SaveSchedule(Dir, "1", Schedule(23, 8.04f), TAmortOptions{});
    }
    static std::string DeleteSmith(const std::string& Dir) {
        return DeleteAccount(Dir, "SMITJOH001");
    }
    // Loads Loan's schedule from Dir, into S when given; answers the failure told.
    static std::string Load(const std::string& Dir, const std::string& Loan,
                            TAmortSchedule* S = nullptr) {
        TAmortSchedule scratch;
        TAmortOptions options;
        return LoadSchedule(Dir, Loan, S ? *S : scratch, options);
    }

    // The register before each change: Smith's loan 1 with a schedule of Periods + 1 rows at
    // 8 %, the DEFAULT account's loan 2 with 15 rows.
    void MakeTemplate(int Periods = 179) {
        fs::create_directories(Folder() + "/template");
        const std::string dir = Folder() + "/template";
        CreateRegisterTables(dir);
        AddRecord(dir, AccountsTable, {{"ACCOUNTNO", "SMITJOH001"}, {"LASTNAME", "Smith"}});
        for (const auto& [account, loan] : {std::pair{"SMITJOH001", "1"}, {DefaultAccount, "2"}}) {
            AddRecord(dir, LoansTable, {{"LOANNO", loan}});
            AddRecord(dir, XRefTable, {{"ACCOUNTNO", account}, {"LOANNO", loan}});
        }
        ASSERT_EQ(SaveSchedule(dir, "1", Schedule(Periods, 8.0f), TAmortOptions{}), "");
        ASSERT_EQ(SaveSchedule(dir, "2", Schedule(14, 6.0f), TAmortOptions{}), "");
    }
    // The template of a 12-row schedule for loan 1 made the work folder; answers its records.
    std::string SmallWork() {
        MakeTemplate(11);
        FreshWork();
        return Snapshot(Work());
    }
    // The work folder made anew from the template (or another folder From). The copies keep
    // their times, so that their indexes still match them and every write a change makes is its
    // own.
    void FreshWork(const std::string& From = "template") {
        fs::remove_all(Work());
        fs::copy(Folder() + "/" + From, Work());
        KeepTimes(From);
    }
    // Gives the files of the work folder the times of those of the folder From.
    void KeepTimes(const std::string& From = "template") {
        for (const fs::directory_entry& file : fs::directory_iterator(Folder() + "/" + From))
            fs::last_write_time(Work() + "/" + file.path().filename().string(),
                                file.last_write_time());
    }

    // Every live record of every table, in file order, as text.
    static std::string Snapshot(const std::string& Dir) {
        std::string all;
        for (const std::string& name : AllTables) {
            std::unique_ptr<TTable> table = OpenRegisterTable(Dir, name);
            all += name + ":\n";
            for (table->First(); !table->Eof(); table->Next()) {
                for (int k = 0; k < table->FieldCount(); ++k)
                    all += Trim(table->Fields(k)->AsString()) + "|";
                all += "\n";
            }
        }
        return all;
    }

    // Each index holds exactly the live records of its table, and a seek finds every key.
    static void ExpectIndexesAgree(const std::string& Dir) {
        const std::pair<const char*, const char*> tags[] = {{AccountsTable, AccountsTag},
                                                            {LoansTable, LoanNoTag},
                                                            {XRefTable, AccountNoTag},
                                                            {TransTable, LoanNoTag}};
        for (const auto& [name, tag] : tags) {
            const char* field = std::string(tag) == AccountsTag ? "ACCOUNTNO" : tag;
            std::multiset<std::string> natural, ordered;
            std::unique_ptr<TTable> plain = OpenRegisterTable(Dir, name);
            for (plain->First(); !plain->Eof(); plain->Next())
                natural.insert(plain->FieldByName(field)->AsString());
            std::unique_ptr<TTable> table = OpenRegisterTable(Dir, name, tag);
            for (table->First(); !table->Eof(); table->Next())
                ordered.insert(table->FieldByName(field)->AsString());
            EXPECT_EQ(natural, ordered) << name;
            for (const std::string& key : natural)
                EXPECT_TRUE(table->FindKey({TVarRec(key)})) << name << " " << key;
        }
    }

    // The loan's schedule loads whole: its rows number 0..n once each, under its terms.
    static void ExpectLoadsWhole(const std::string& Dir, const std::string& Loan) {
        TAmortSchedule s;
        ASSERT_EQ(Load(Dir, Loan, &s), "");
        EXPECT_EQ(s.LastRow, s.Loan.NumPmts);
        for (LongInt k = 0; k <= s.LastRow; ++k)
            EXPECT_EQ(s.AmortRows[static_cast<std::size_t>(k)].PmtNo, k);
    }

    // The state of the work folder after the next open: the one before, or the one after; the
    // journal the change left was its own (none was set aside).
    void ExpectOldOrNew(const std::string& Old, const std::string& New, const std::string& Step) {
        services_.MessageBoxes.clear();
        ASSERT_EQ(PrepareRegister(Work(), AllTables), "") << Step;
        EXPECT_TRUE(services_.MessageBoxes.empty()) << Step;
        const std::string now = Snapshot(Work());
        EXPECT_TRUE(now == Old || now == New) << Step << "\n" << now;
        EXPECT_FALSE(fs::exists(RegisterJournalPath(Work()))) << Step;
        ExpectIndexesAgree(Work());
        if (now == Old || now.find("\n1|") != std::string::npos) ExpectLoadsWhole(Work(), "1");
    }

    // The states before and after Change, run on a fresh work folder.
    template <typename F>
    std::pair<std::string, std::string> States(const F& Change) {
        FreshWork();
        const std::string before = Snapshot(Work());
        EXPECT_EQ(Change(Work()), "");
        return {before, Snapshot(Work())};
    }

    // Runs Change in a child process killed after Delay; answers whether it was killed.
    template <typename F>
    static bool KilledDuring(const F& Change, std::chrono::microseconds Delay) {
        xb_CloseAll();
        const pid_t child = ::fork();
        if (child == 0) ::_exit(Change().empty() ? 0 : 1);
        const auto deadline = std::chrono::steady_clock::now() + Delay;
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return WIFSIGNALED(status);
    }

    // Moments to kill Change at, spread over the length of one run in a child on a work folder
    // Fresh makes: the shortest of three runs, so that a slow first run (cold caches) does not
    // send kills past the end.
    template <typename F>
    static std::uniform_int_distribution<long> KillMoments(const F& Change,
                                                           const std::function<void()>& Fresh) {
        auto length = std::chrono::microseconds::max();
        for (int run = 0; run < 3; ++run) {
            Fresh();
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(KilledDuring(Change, std::chrono::seconds(30)));
            length = std::min(length, std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - start));
        }
        return std::uniform_int_distribution<long>(0, length.count());
    }

    // Kills Change at random moments over its whole length, Kills times; then checks.
    template <typename F>
    void KillAtRandom(const F& Change, int Kills) {
        const auto [before, after] = States([&](const std::string&) { return Change(); });
        std::uniform_int_distribution<long> moment = KillMoments(Change, [&] { FreshWork(); });
        if (HasFailure()) return;
        std::mt19937 random(36);
        int killed = 0;
        for (int k = 0; k < Kills; ++k) {
            FreshWork();
            killed += KilledDuring(Change, std::chrono::microseconds(moment(random)));
            ExpectOldOrNew(before, after, "kill " + std::to_string(k));
            if (HasFailure()) return;
        }
        EXPECT_GE(killed, Kills / 4);
    }

    // Change run with Count writes failing from write Write on; answers whether it took effect
    // (a delete whose pack failed did) and gives the failure it told in Answer.
    template <typename F>
    bool FailingFrom(const F& Change, long Write, long Count, long& Made,
                     std::string* Answer = nullptr) {
        FreshWork();
        XbSetWriteFailure(Write, Count);
        const std::string failure = Change(Work());
        Made = XbSetWriteFailure(std::nullopt);
        if (Answer) *Answer = failure;
        return failure.empty() || failure == PackFailedMessage ||
               OfATable(failure, RegisterDeletedUnpackedMessage);
    }
    // Whether failure is what message tells of one of the register's tables.
    static bool OfATable(const std::string& failure, std::string (*message)(const std::string&)) {
        return std::ranges::any_of(AllTables, [&](const auto& t) { return failure == message(t); });
    }

    // The write of Change that puts its commit mark: with the writes failing from it on (the
    // disk staying full) Change answers a failure, failing from the next one it took effect.
    template <typename F>
    long CommitWrite(const F& Change) {
        long made = 0, failed = 1, done = 1;
        FailingFrom(Change, Always, 1, made);
        for (done = made + 1; done - failed > 1;) {
            const long middle = (failed + done) / 2;
            (FailingFrom(Change, middle, Always, made) ? done : failed) = middle;
        }
        return failed;
    }
    // Leaves Change half written on a fresh work folder with its journal, as a kill leaves it:
    // the writes fail from the middle of those before its commit mark on, the disk staying full
    // (its undo fails as well).
    template <typename F>
    void LeaveHalfDone(const F& Change) {
        long made = 0;
        FailingFrom(Change, (1 + CommitWrite(Change)) / 2, Always, made);
        ASSERT_TRUE(fs::exists(RegisterJournalPath(Work())));
    }

    // Runs Change with Count writes failing from each write in turn: all of them (the disk stays
    // full) or one (it has room again at once). A change that answers a failure left the old
    // state, one that answers none (or only that its pack failed) the new state; a change that
    // left no journal left that state on disk already. A failure is told as the full disk with
    // the table (or the journal) it could not write, never as damage or a bare "failed".
    template <typename F>
    void FullDiskAtEachWrite(const F& Change, long Count = Always) {
        const auto [before, after] = States(Change);
        for (long write = 1;; ++write) {
            long made = 0;
            std::string failure;
            const bool done = FailingFrom(Change, write, Count, made, &failure);
            const std::string step =
                "write " + std::to_string(write) + (done ? " done" : " failed: " + failure);
            if (!fs::exists(RegisterJournalPath(Work()))) {
                EXPECT_EQ(Snapshot(Work()), done ? after : before) << step;
            }
            ExpectOldOrNew(before, after, step);
            EXPECT_EQ(Snapshot(Work()), done ? after : before) << step;
            EXPECT_TRUE(done || failure == RegisterJournalDiskFullMessage(Work()) ||
                        OfATable(failure, RegisterDiskFullMessage))
                << step;
            EXPECT_NE(failure, PackFailedMessage) << step;
            if (HasFailure() || made < write) return;
        }
    }
};

TEST_F(RegisterChangeTest, ASaveKilledAnywhereLeavesTheOldScheduleOrTheNew) {
    MakeTemplate();
    const TAmortSchedule longer = Schedule(359, 8.04f);
    KillAtRandom([&] { return SaveSchedule(Work(), "1", longer, TAmortOptions{}); }, 35);
}

TEST_F(RegisterChangeTest, ADeleteKilledAnywhereTakesTheAccountWholeOrNothing) {
    MakeTemplate();
    KillAtRandom([&] { return DeleteAccount(Work(), "SMITJOH001"); }, 15);
}

// The same with a short schedule (12 rows saved over by 24), so that every write is met.
TEST_F(RegisterChangeTest, AFullDiskAtAnyWriteOfASaveOrDeleteLosesNothing) {
    MakeTemplate(11);
    FullDiskAtEachWrite(SaveLonger);
    FullDiskAtEachWrite([&](const std::string& dir) { return DeleteLoan(dir, "1"); });
}

// A write that fails once (a page of an index, a flush, the journal, a rename of a pack) and
// the writes after it that succeed: the change undoes itself whole from its journal, never
// through an index the failure may have left behind.
TEST_F(RegisterChangeTest, ASaveMeetingOneFailedWriteKeepsTheOldScheduleWhole) {
    MakeTemplate(11);
    FullDiskAtEachWrite(SaveLonger, 1);
}

TEST_F(RegisterChangeTest, ADeleteMeetingOneFailedWriteTakesAllOrNothing) {
    MakeTemplate(11);
    FullDiskAtEachWrite([](const std::string& dir) { return DeleteLoan(dir, "1"); }, 1);
    FullDiskAtEachWrite(DeleteSmith, 1);
    // The same when another program numbered the account with a leading blank: its journal
    // keeps the blank, so that the tables match it.
    for (const char* name : {AccountsTable, XRefTable}) {
        std::unique_ptr<TTable> table = OpenRegisterTable(Folder() + "/template", name);
        for (table->First(); !table->Eof(); table->Next())
            if (FieldText(table.get(), "ACCOUNTNO") == "SMITJOH001") {
                table->Edit();
                table->FieldByName("ACCOUNTNO")->SetAsString(" SMITJOH001");
                table->Post();
            }
    }
    FullDiskAtEachWrite([](const std::string& dir) { return DeleteAccount(dir, " SMITJOH001"); }, 1);
}

// A save whose commit mark could not be written, the disk staying full, leaves its journal; the
// next open that undoes it meets a failed write at each of its own writes in turn, and the open
// after that finds the old schedule.
TEST_F(RegisterChangeTest, AnUndoThatFailsIsFinishedByTheNextOpen) {
    MakeTemplate(11);
    const std::string before = States(SaveLonger).first;
    const long failed = CommitWrite(SaveLonger);
    for (long write = 1, made = 0;; ++write) {
        FailingFrom(SaveLonger, failed, Always, made);
        ASSERT_TRUE(fs::exists(RegisterJournalPath(Work())));
        XbSetWriteFailure(write, 1);
        PrepareRegister(Work(), AllTables);
        const long undoWrites = XbSetWriteFailure(std::nullopt);
        ExpectOldOrNew(before, before, "write " + std::to_string(write) + " of the undo");
        if (HasFailure() || undoWrites < write) return;
    }
}

// A save for a loan made for it that meets a full disk leaves the register as it was: that loan
// keeps its record and its link, which the answer tells, and Smith's loan 1 its schedule. The
// disk is full from each write in turn, and then a real one: a file system the folder's files
// fill but for two pages (which take the journal and some of the 360 new rows), four, and so on
// until the save fits. The answer names the full disk (TRANS.DBF at two pages); TRANS.DBF holds
// exactly the records its header counts with its end-of-file mark right after them, as another
// program reads it too; no journal waits, and loads work while the disk stays full.
TEST_F(RegisterChangeTest, AFullDiskWhileSavingANewLoanKeepsItAndTheOtherLoans) {
    RUN_IN_FRESH_PROCESS();
    const std::string before = SmallWork();
    const TAmortSchedule longer = Schedule(23, 8.04f);
    const auto saveNew = [&](const std::string& dir) {
        return SaveSchedule(dir, "2", longer, TAmortOptions{}, true);
    };
    for (long write = 1, made = 0;; ++write) {
        std::string failure;
        if (!FailingFrom(saveNew, write, Always, made, &failure)) {
            EXPECT_TRUE(failure.ends_with(RegisterNewLoanKeptMessage("", "2"))) << failure;
            EXPECT_THAT(failure, HasSubstr("\n\nThe new loan 2 is kept under its account"));
            ExpectOldOrNew(before, before, "write " + std::to_string(write));
        }
        TAmortSchedule loaded;
        ASSERT_EQ(Load(Work(), "1", &loaded), "") << "write " << write;
        EXPECT_EQ(loaded.LastRow, 11) << "write " << write;
        const std::string all = Snapshot(Work());
        EXPECT_NE(all.find("\n1|SMITJOH001|"), std::string::npos) << "write " << write << "\n" << all;
        if (HasFailure()) return;
        if (made < write) break;
    }
    const std::string python = PythonWith("dbfread");
    for (std::size_t pages = 2; pages <= 40; pages += 2) {
        const std::string step = std::to_string(pages) + " pages free";
        FreshWork();
        xb_CloseAll();
        const std::optional<std::string> told = InRefusedFolder(
            Work(), TRefusal::FullDisk,
            [&] {
                std::string told =
                    SaveSchedule(Work(), "2", Schedule(359, 8.04f), TAmortOptions{}, true);
                if (fs::exists(RegisterJournalPath(Work()))) told += " (journal left)";
                if (const std::string load = Load(Work(), "1"); !load.empty())
                    told += " (load of loan 1: " + load + ")";
                return told;
            },
            pages * 4096);
        if (!Ran(told, "a real full disk while saving a new loan")) return;
        if (told->empty()) return; // the save fitted
        EXPECT_TRUE(told->ends_with(RegisterNewLoanKeptMessage("", "2"))) << step << ": " << *told;
        EXPECT_THAT(*told, HasSubstr("could not be written: the disk is full.\n\nNothing was "
                                     "changed."))
            << step;
        if (pages == 2) { // too little room for anything but the journal and some of the rows
            EXPECT_EQ(*told, RegisterNewLoanKeptMessage(RegisterDiskFullMessage(TransTable), "2"));
        }
        EXPECT_EQ(PeerReadOfTable(python.empty() ? "python3" : python, Work(), TransTable),
                  "length True mark True\ndbfread True\n")
            << step;
        ExpectOldOrNew(before, before, "a real full disk, " + step);
        if (HasFailure()) return;
    }
    ADD_FAILURE() << "the save fitted on no disk of up to 40 pages";
}

// Writes the live records of loan 1 in the table Name of folder From into that of folder To:
// over the records with their numbers, or with Append after the last one. Answers the number
// the first record after To's old ones takes.
LongInt CopyLoanOne(const std::string& From, const std::string& To, const char* Name, bool Append) {
    std::map<LongInt, std::string> images;
    xb_Use(From + "/" + Name, "", xbModeShared, xbNSX);
    for (LongInt r = 1; r <= xb_RecCount(); ++r)
        if (xb_Go(r) == xbOK && !xb_Deleted() && xb_GetTrimString(1) == "1")
            images[r] = xb_GetRecord();
    xb_Close();
    xb_Use(To + "/" + Name, "", xbModeExclusive, xbNSX);
    const LongInt end = xb_RecCount() + 1;
    for (const auto& [record, image] : images)
        EXPECT_TRUE((Append ? xb_AppendEx() == 0 : xb_Go(record) == xbOK) &&
                    xb_PutRecord(image) == xbOK);
    xb_Close();
    return end;
}

// An older build killed during a change left a journal of the first format, which names the
// loan or the account but not their records. The next open brings the change to its end as
// that build did: a save not committed is undone, a committed one loses its old rows, a delete
// (written committed) loses its records.
TEST_F(RegisterChangeTest, AChangeAnOlderBuildLeftIsBroughtToItsEnd) {
    MakeTemplate(11);
    const auto [before, saved] = States(SaveLonger);
    const std::string savedDir = Folder() + "/saved";
    fs::copy(Work(), savedDir);
    const std::string deleted = States(DeleteSmith).second;
    FreshWork();
    TAmortSchedule old;
    TAmortOptions options;
    ASSERT_EQ(LoadSchedule(Work(), "1", old, options), "");
    const TAmortLoan& l = old.Loan;
    std::ostringstream terms;
    for (const double term :
         {l.PV, 1.0 * l.NumPmts, 1.0 * l.OrgDate, 1.0 * l.FrstPmtDate, 1.0 * l.PYR, 1.0 * l.CmpPYR,
          1.0 * l.Points, 1.0 * l.Rate, 1.0 * options.AmortMethod, 1.0 * options.RateBasis})
        terms << '\t' << term;
    const std::string head = "VANTREL REGISTER JOURNAL 1\n";
    for (const bool committed : {false, true}) {
        // The save had written its new rows after the old ones and the loan's new terms.
        FreshWork();
        const LongInt first = CopyLoanOne(savedDir, Work(), TransTable, true);
        CopyLoanOne(savedDir, Work(), LoansTable, false);
        std::ofstream(RegisterJournalPath(Work()))
            << head << "save\t1\t" << first << "\t0\nterms" << terms.str() << "\nend\n"
            << (committed ? "commit\n" : "");
        ExpectOldOrNew(committed ? saved : before, committed ? saved : before, "save");
    }
    FreshWork();
    std::ofstream(RegisterJournalPath(Work()))
        << head << "delete\tSMITJOH001\nloan\t1\nend\ncommit\n";
    ExpectOldOrNew(before, deleted, "delete");
    EXPECT_EQ(Snapshot(Work()), deleted);
}

// The bytes of the register's table files in Dir.
std::string TableFiles(const std::string& Dir) {
    std::string all;
    for (const std::string& name : AllTables)
        all += ReadAll(Dir + "/" + name);
    return all;
}

// A journal the next start cannot open (the program may not read it, a folder stands in its
// place) or read (the disk fails) is not taken for one cut short: the register stays closed with
// a message naming the journal and the cause, the tables stay as the change left them, and the
// first start that reads the journal undoes the change.
TEST_F(RegisterChangeTest, AJournalThatCannotBeReadKeepsTheRegisterClosedUntilItCan) {
    const std::string before = SmallWork();
    const std::function<std::string(const std::string&)> changes[] = {SaveLonger, DeleteSmith};
    for (const auto& change : changes)
        for (const auto& [from, error] : {std::pair{1L, EACCES}, {2L, EIO}}) {
            LeaveHalfDone(change);
            const std::string left = TableFiles(Work());
            const std::string told = RegisterJournalUnreadableMessage(Work(), error);
            XbSetReadFailure(from, Always, error, RegisterJournalName);
            EXPECT_EQ(Load(Work(), "2"), told);
            EXPECT_EQ(PrepareRegister(Work(), AllTables), told);
            XbSetReadFailure(std::nullopt);
            EXPECT_EQ(TableFiles(Work()), left);
            ExpectOldOrNew(before, before, std::strerror(error));
        }
    // A folder where a journal should be is told as such, by that journal's name.
    for (const std::string& name : {std::string(RegisterJournalName), OwnRegisterJournalName()}) {
        fs::create_directory(Work() + "/" + name);
        EXPECT_EQ(PrepareRegister(Work(), AllTables),
                  RegisterJournalUnreadableMessage(Work(), EISDIR, name));
        fs::remove(Work() + "/" + name);
    }
}

// The pack count of TRANS.DBF in Dir.
LongWord TransPacksIn(const std::string& Dir) {
    TXbFile trans;
    return trans.Open(Dir + "/" + TransTable, false) ? XbPackCount(trans) : 0;
}

// Journal with the pack count of TRANS.DBF in Dir, as a journal written beside those tables has.
std::string WithPacksOf(const std::string& Journal, const std::string& Dir) {
    const std::string line = "\npacks\tTRANS.DBF\t";
    const std::size_t from = Journal.find(line) + line.size();
    return Journal.substr(0, from) + std::to_string(TransPacksIn(Dir)) +
           Journal.substr(Journal.find('\n', from));
}

// Tables put back from a copy, or changed by another program, while an unfinished change's
// journal is still beside them are not those it names: nothing of it is applied or packed, the
// journal is set aside under a name of its own (a second one beside the first) and the user told
// what the change was for, which may hold part of it; the register opens as the tables are. Each
// copy fails one check alone: loan 2 saved with a longer schedule, whose rows have the numbers
// the unfinished save's new rows take; the loans' records numbered the other way round, so that
// the one record whose terms the save replaces holds loan 2; loan 2's rows removed and TRANS.DBF
// packed, so that it holds fewer records than the unfinished delete counted, all of them loan
// 1's rows where the delete names them. (The journal gets the copy's pack count: one of a
// TRANS.DBF packed since is finished.)
TEST_F(RegisterChangeTest, AJournalIsNotAppliedToTablesPutBackFromACopy) {
    MakeTemplate(11);
    const auto copy = [&](const char* name, const std::function<void(const std::string&)>& Change) {
        fs::copy(Folder() + "/template", Folder() + "/" + name);
        Change(Folder() + "/" + name);
    };
    copy("longer", [&](const std::string& dir) {
        ASSERT_EQ(SaveSchedule(dir, "2", Schedule(59, 6.0f), TAmortOptions{}), "");
    });
    copy("swapped", [](const std::string& dir) {
        std::unique_ptr<TTable> loans = OpenRegisterTable(dir, LoansTable);
        for (const auto& [second, number] : {std::pair{false, "X"}, {true, "1"}, {false, "2"}}) {
            loans->First();
            if (second) loans->Next();
            loans->Edit();
            loans->FieldByName("LOANNO")->SetAsString(number);
            loans->Post();
        }
    });
    copy("packed", [](const std::string& dir) {
        std::unique_ptr<TTable> trans = OpenRegisterTable(dir, TransTable);
        for (trans->First(); !trans->Eof();)
            if (FieldText(trans.get(), "LOANNO") == "2")
                trans->Delete();
            else
                trans->Next();
        trans->Close();
        ASSERT_EQ(PackRegisterTable(dir, TransTable), "");
    });
    LeaveHalfDone(SaveLonger);
    const std::string save = ReadAll(RegisterJournalPath(Work()));
    LeaveHalfDone(DeleteSmith);
    const std::string del = ReadAll(RegisterJournalPath(Work()));
    const TUnfinishedChange saving{.Account = "SMITJOH001", .Loans = {"1"}};
    const TUnfinishedChange deleting{
        .Delete = true, .AccountDeleted = true, .Account = "SMITJOH001", .Loans = {"1"}};
    const std::string savingText = "That change was a save of the schedule of loan 1 of the "
                                   "account SMITJOH001. It was neither finished nor undone, so "
                                   "loan 1 may hold part of it";
    const std::string deletingText = "That change was a delete of the account SMITJOH001 with "
                                     "its loan 1. It was neither finished nor undone, so the "
                                     "account and its loans may hold part of it";
    for (const auto& [from, journal, what, text] :
         {std::tuple{"longer", save, saving, savingText},
          {"swapped", save, saving, savingText},
          {"packed", del, deleting, deletingText}}) {
        SCOPED_TRACE(from);
        FreshWork(from);
        const std::string copied = Snapshot(Work());
        for (const char* aside : {"REGISTER-1.JNL", "REGISTER-2.JNL"}) {
            const std::string written = WithPacksOf(journal, Work());
            WriteAll(RegisterJournalPath(Work()), written);
            services_.MessageBoxes.clear();
            EXPECT_EQ(PrepareRegister(Work(), AllTables), "");
            ASSERT_EQ(services_.MessageBoxes.size(), 1u);
            EXPECT_EQ(services_.MessageBoxes[0].Text,
                      RegisterJournalSetAsideMessage(Work(), aside, what));
            EXPECT_THAT(services_.MessageBoxes[0].Text, HasSubstr(text));
            EXPECT_THAT(services_.MessageBoxes[0].Text,
                        HasSubstr("set aside as " + std::string(aside) + " in the folder " +
                                  Work()));
            EXPECT_EQ(ReadAll(Work() + "/" + aside), written);
            EXPECT_FALSE(fs::exists(RegisterJournalPath(Work())));
            EXPECT_EQ(Snapshot(Work()), copied);
        }
    }
}

} // namespace

namespace {

// Holds the register's tables open in a child process, as another copy's dialog does, until
// Release; with EditedLoan, editing that loan (its record locked); Loading, holding TRANS.DBF
// too, as its load of a schedule does.
class TOtherCopy {
public:
    explicit TOtherCopy(const std::string& Dir, const std::string& EditedLoan = "",
                        bool Loading = false) {
        xb_CloseAll();
        if (::pipe(go_) != 0 || ::pipe(ready_) != 0) return;
        child_ = ::fork();
        if (child_ != 0) {
            char c = 0;
            ::read(ready_[0], &c, 1);
            return;
        }
        std::vector<std::unique_ptr<TTable>> held;
        for (const char* name : {AccountsTable, LoansTable, XRefTable, TransTable}) {
            held.push_back(RegisterTable(Dir, name));
            held.back()->SetExclusive(name == TransTable);
            if (name != TransTable || Loading) held.back()->Open();
        }
        TTable& loans = *held[1];
        for (loans.First(); !EditedLoan.empty() && !loans.Eof(); loans.Next())
            if (FieldText(&loans, "LOANNO") == EditedLoan) {
                loans.Edit();
                break;
            }
        char c = 1;
        ::write(ready_[1], &c, 1);
        ::read(go_[0], &c, 1);
        ::_exit(0);
    }
    ~TOtherCopy() { Release(); }
    void Release() {
        if (child_ <= 0) return;
        char c = 1;
        ::write(go_[1], &c, 1);
        ::waitpid(child_, nullptr, 0);
        child_ = 0;
    }

private:
    pid_t child_ = 0;
    int go_[2]{};
    int ready_[2]{};
};

// A pack the full disk stops at any write (its copy, a flush, its journal, a rename, the
// folder) is told as the full disk with the table packed, which keeps its records.
TEST_F(RegisterChangeTest, APackTheFullDiskStopsNamesItsTable) {
    const std::string before = SmallWork();
    for (long write = 1, made = 0;; ++write) {
        std::string failure;
        FailingFrom([](const std::string& dir) { return PackRegisterTable(dir, TransTable); },
                    write, Always, made, &failure);
        EXPECT_TRUE(failure.empty() || failure == RegisterDiskFullMessage(TransTable))
            << "write " << write << ": " << failure;
        EXPECT_EQ(Snapshot(Work()), before) << "write " << write;
        if (HasFailure() || made < write) return;
    }
}

TEST_F(RegisterChangeTest, ADeleteWhileAnotherCopyHoldsTheRegisterChangesNothing) {
    const std::string before = SmallWork();
    TOtherCopy other(Work());
    const std::string failure = DeleteLoan(Work(), "1");
    EXPECT_TRUE(failure == RegisterInUseMessage(XRefTable) ||
                failure == RegisterInUseMessage(LoansTable))
        << failure;
    EXPECT_EQ(Snapshot(Work()), before);
    // A save needs no table to itself but TRANS.DBF: it goes through meanwhile.
    EXPECT_EQ(SaveSchedule(Work(), "2", Schedule(23, 5.0f), TAmortOptions{}), "");
    other.Release();
    EXPECT_EQ(DeleteLoan(Work(), "1"), "");
    ExpectIndexesAgree(Work());
}

// While another copy of the program edits loan 1 (its record locked), a save of that loan is
// refused before it writes anything, naming the table in use; loans load and other loans save
// meanwhile, and nothing is left that blocks this copy or the next start. An unfinished change
// whose undo needs the locked record names the table too, and is undone once it is free.
TEST_F(RegisterChangeTest, ALoanAnotherCopyEditsIsInUseAndBlocksNothingElse) {
    const std::string before = SmallWork();
    TOtherCopy other(Work(), "1");
    EXPECT_EQ(SaveLonger(Work()), RegisterInUseMessage(LoansTable));
    EXPECT_FALSE(fs::exists(RegisterJournalPath(Work())));
    EXPECT_EQ(Snapshot(Work()), before);
    ExpectLoadsWhole(Work(), "1");
    EXPECT_EQ(PrepareRegister(Work(), AllTables), "");
    EXPECT_EQ(SaveSchedule(Work(), "2", Schedule(23, 5.0f), TAmortOptions{}), "");
    other.Release();
    EXPECT_EQ(SaveLonger(Work()), "");

    LeaveHalfDone(SaveLonger);
    TOtherCopy editing(Work(), "1");
    EXPECT_EQ(Load(Work(), "2"), RegisterInUseMessage(LoansTable));
    EXPECT_EQ(PrepareRegister(Work(), AllTables), RegisterInUseMessage(LoansTable));
    editing.Release();
    ExpectOldOrNew(before, before, "undone");
}

// A save of a loan the dialog made for it (its record and link posted) that is refused, while
// another copy loads a schedule (TRANS.DBF held) or edits that loan, leaves the loan and its
// link as they were and says so; saving it again once the other copy is done stores the
// schedule under the account's loan.
TEST_F(RegisterChangeTest, ARefusedSaveOfANewLoanKeepsItWithItsLink) {
    SmallWork();
    AddRecord(Work(), LoansTable, {{"LOANNO", "3"}});
    AddRecord(Work(), XRefTable, {{"ACCOUNTNO", "SMITJOH001"}, {"LOANNO", "3"}});
    const std::string before = Snapshot(Work());
    const TAmortSchedule schedule = Schedule(23, 8.04f);
    for (const auto& [loading, edited, table] :
         {std::tuple{true, "", TransTable}, {false, "3", LoansTable}}) {
        TOtherCopy other(Work(), edited, loading);
        const std::string failure = SaveSchedule(Work(), "3", schedule, TAmortOptions{}, true);
        EXPECT_EQ(failure, RegisterNewLoanKeptMessage(RegisterInUseMessage(table), "3"));
        EXPECT_THAT(failure, HasSubstr(std::string(table) +
                                       " is in use by another copy of the program.\n\nNothing was "
                                       "changed. Try again when the other copy is done with it."
                                       "\n\nThe new loan 3 is kept under its account"));
        other.Release();
        EXPECT_EQ(Snapshot(Work()), before);
    }
    EXPECT_EQ(SaveSchedule(Work(), "3", schedule, TAmortOptions{}), "");
    ExpectLoadsWhole(Work(), "3");
    EXPECT_NE(Snapshot(Work()).find("\n3|SMITJOH001|"), std::string::npos);
}

// A register folder that cannot be written (made so by the file layer: a superuser writes in
// any folder) is named as such: a save or a delete there changes nothing and leaves no journal.
// An unfinished change there cannot be brought to its end, which is told, nothing lost; it is
// undone once the folder can be written: where every write is refused for want of leave, and on
// a disk that takes no write at all. (A journal alone that cannot be removed does not keep the
// change from its end: AJournalAnotherUserLeftInAStickyFolderIsFinishedOnce.)
TEST_F(RegisterChangeTest, AFolderThatCannotBeWrittenIsNamed) {
    const std::string before = SmallWork();
    XbSetWriteFailure(1, Always, EACCES, RegisterJournalName);
    EXPECT_EQ(SaveLonger(Work()), RegisterFolderUnwritableMessage(Work()));
    EXPECT_EQ(DeleteLoan(Work(), "1"), RegisterFolderUnwritableMessage(Work()));
    XbSetWriteFailure(std::nullopt);
    EXPECT_FALSE(fs::exists(RegisterJournalPath(Work())));
    EXPECT_EQ(Snapshot(Work()), before);
    for (const int error : {EACCES, EROFS}) {
        LeaveHalfDone(SaveLonger);
        XbSetWriteFailure(1, Always, error);
        EXPECT_EQ(Load(Work(), "1"), RegisterRecoveryUnwritableMessage(Work()));
        EXPECT_EQ(PrepareRegister(Work(), AllTables), RegisterRecoveryUnwritableMessage(Work()));
        XbSetWriteFailure(std::nullopt);
        EXPECT_TRUE(fs::exists(RegisterJournalPath(Work())));
        ExpectOldOrNew(before, before, std::strerror(error));
    }
    // A disk that fails the recovery's writes with an I/O error, from its first (the index of
    // TRANS.DBF made anew) or from the undo's marks in the table on: the table and the system's
    // cause are named. The file layer fails the writes, since no disk here can be made to give
    // EIO.
    for (const char* file : {"", TransTable}) {
        LeaveHalfDone(SaveLonger);
        XbSetWriteFailure(1, Always, EIO, file);
        const std::string failure = PrepareRegister(Work(), AllTables);
        EXPECT_EQ(failure, RegisterRecoveryFailedMessage(TransTable, EIO)) << file;
        EXPECT_THAT(failure, HasSubstr("The register table TRANS.DBF could not be written: "
                                       "input/output error, so the change of the register that "
                                       "was left unfinished cannot be brought to its end."));
        XbSetWriteFailure(std::nullopt);
        EXPECT_TRUE(fs::exists(RegisterJournalPath(Work())));
        ExpectOldOrNew(before, before, std::strerror(EIO));
    }
}

// The register refuses writes as the system does: its folder mounted read-only (EROFS), not to be
// written by the user (EACCES: another's; or the user's closed, which still lets the tables' files
// be written but takes no journal), or its files closed in a folder that takes writes; or one file
// alone closed, an index; or a full disk. The register is read as it is; a save and a delete name
// the folder, or the file and the cause, before they write anything; a change left unfinished waits
// in its journal, told by the folder or the table, to the open and the load: one half written, or
// a save killed once its journal was written, before anything of TRANS.DBF. On a full disk a save
// or a delete is refused at its journal or, where copies' indexes are to be made anew, names the
// table. A table or index the user may not read, or a folder he may not enter, is named so.
TEST_F(RegisterChangeTest, ARegisterTheSystemRefusesToWriteNamesTheFolderOrTheFile) {
    RUN_IN_FRESH_PROCESS();
    if (const char* dir = std::getenv("VANTREL_KILLED_SAVE")) {
        XbSetWriteFailure(1, 1, XbKilledAtWrite, "TRANS.NSX");
        ::_exit(SaveLonger(dir).empty() ? 0 : 1);
    }
    const std::string before = SmallWork();
    const std::string in = " in the folder " + Work() + " cannot be written: permission denied.";
    const std::string folder = "The register folder " + Work() + " cannot be written";
    const std::string trans = "The register table TRANS.DBF";
    const std::string full = " could not be written: the disk is full.";
    const std::string waits = ", so the change of the register that was left unfinished cannot "
                              "be brought to its end.\n\nNothing is lost: the change waits in "
                              "its journal REGISTER.JNL";
    int ran = 0;
    // The words that start the answers, and those that start the recovery's when it is tried;
    // for a full disk, whether its files keep their times.
    for (const auto& [refusal, closed, told, recovery, timesKept] :
         {std::tuple{TRefusal::ReadOnlyMount, "", folder + ".", folder, false},
          {TRefusal::NotTheUsers, "", folder + ".", folder, false},
          {TRefusal::ClosedFolder, "", folder + ".", folder, false},
          {TRefusal::ClosedFiles, "", trans + in,
           trans + " could not be written: permission denied", false},
          {TRefusal::ClosedFiles, "TRANS.NSX",
           "The index TRANS.NSX of the register table TRANS.DBF" + in, "", false},
          {TRefusal::FullDisk, "",
           "The register journal REGISTER.JNL in the folder " + Work() + full, "", true},
          {TRefusal::FullDisk, "", trans + full, "", false}}) {
        const std::string step = std::string(std::strerror(ErrnoOf(refusal))) + " " + closed +
                                 (timesKept ? "times kept" : "");
        SCOPED_TRACE(step);
        FreshWork();
        xb_CloseAll();
        const std::optional<std::string> answers = InRefusedFolder(Work(), refusal, [&] {
            if (*closed) ReopenAllBut(Work(), closed);
            if (timesKept) KeepTimes();
            TAmortSchedule s;
            const std::string load = Load(Work(), "1", &s);
            std::string diskFull;
            const std::string ready = PrepareRegister(Work(), AllTables, &diskFull);
            const std::string saved = SaveLonger(Work()), loanDeleted = DeleteLoan(Work(), "1");
            return ready + "|" + diskFull + "|" + load + "|" + std::to_string(s.LastRow) + "|" +
                   saved + "|" + loanDeleted + "|" + DeleteAccount(Work(), "SMITJOH001");
        });
        if (!Ran(answers, step)) continue;
        ++ran;
        const std::string refused =
            refusal == TRefusal::FullDisk ? (timesKept ? RegisterJournalDiskFullMessage(Work())
                                                       : RegisterDiskFullMessage(TransTable))
            : refusal == TRefusal::ClosedFiles
                ? RegisterFileUnwritableMessage(*closed ? closed : TransTable, Work(), EACCES)
                : RegisterFolderUnwritableMessage(Work());
        const std::string repair = refusal == TRefusal::FullDisk && !timesKept
                                       ? RegisterDiskFullMessage(AccountsTable)
                                       : "";
        EXPECT_EQ(*answers, "|" + repair + "||11|" + refused + "|" + refused + "|" + refused);
        EXPECT_EQ(refused.rfind(told + "\n\nNothing was changed.", 0), 0u) << refused;
        EXPECT_FALSE(fs::exists(RegisterJournalPath(Work())));
        EXPECT_EQ(Snapshot(Work()), before);
        for (const bool killed : {false, true}) {
            if (recovery.empty()) break;
            FreshWork();
            if (killed)
                fresh_process::RunAgain(Folder() + "/child.log", "VANTREL_KILLED_SAVE=" + Work());
            else
                LeaveHalfDone(SaveLonger);
            ASSERT_TRUE(fs::exists(RegisterJournalPath(Work())));
            xb_CloseAll();
            const std::optional<std::string> waiting = InRefusedFolder(Work(), refusal, [&] {
                return PrepareRegister(Work(), AllTables) + "|" + Load(Work(), "1");
            });
            const std::string told = refusal == TRefusal::ClosedFiles
                                         ? RegisterRecoveryFailedMessage(TransTable, EACCES)
                                         : RegisterRecoveryUnwritableMessage(Work());
            EXPECT_EQ(waiting, told + "|" + told) << killed;
            EXPECT_THAT(told, HasSubstr(recovery + waits));
            ExpectOldOrNew(before, before, step);
        }
    }
    for (const auto& [closed, told] :
         {std::pair{"LOANS.DBF", RegisterFileUnreadableMessage("LOANS.DBF", Work())},
          {"LOANS.NSX", RegisterFileUnreadableMessage("LOANS.NSX", Work())},
          {".", RegisterFolderClosedMessage(Work())}}) {
        const std::optional<std::string> answers =
            InRefusedFolder(Work(), TRefusal::ClosedFiles, [&, closed = closed] {
                ::chmod((Work() + "/" + closed).c_str(), 0200);
                return PrepareRegister(Work(), AllTables) + "|" + Load(Work(), "1");
            });
        if (Ran(answers, closed)) {
            EXPECT_EQ(*answers, told + "|" + told);
        }
    }
    if (ran == 0) GTEST_SKIP() << "this machine does not let a test refuse writes in a folder";
}

// On a file system that takes no file locks, where no copy of the program could keep another's
// changes apart, the register opens nothing: each entry names the table, the folder and that
// cause, at once and with no advice to wait, and nothing is written.
TEST_F(RegisterChangeTest, AFolderWithoutFileLocksIsToldAsSuch) {
    RUN_IN_FRESH_PROCESS();
    const std::string before = SmallWork();
    xb_CloseAll();
    const std::optional<std::string> answers = InRefusedFolder(Work(), TRefusal::NoLocks, [&] {
        return PrepareRegister(Work(), AllTables) + "|" + Load(Work(), "1") + "|" +
               SaveLonger(Work());
    });
    if (!Ran(answers, "a folder without file locks")) GTEST_SKIP() << "no such folder here";
    const std::string trans = RegisterNoLocksMessage(TransTable, Work());
    EXPECT_EQ(*answers, RegisterNoLocksMessage(AccountsTable, Work()) + "|" + trans + "|" + trans);
    EXPECT_THAT(trans, HasSubstr("TRANS.DBF in the folder " + Work() +
                                 " cannot be opened: the file system of that folder does not "
                                 "support file locks"));
    EXPECT_THAT(trans, ::testing::Not(HasSubstr("Try again")));
    EXPECT_EQ(Snapshot(Work()), before);
    // A first start there tells it so and leaves no table half made.
    fs::remove_all(Work());
    fs::create_directory(Work());
    const std::optional<std::string> start = InRefusedFolder(Work(), TRefusal::NoLocks, [&] {
        const std::string told = CreateRegisterTables(Work());
        return told + "|" + std::to_string(std::distance(fs::directory_iterator(Work()), {}));
    });
    if (!Ran(start, "a first start without file locks")) return;
    EXPECT_EQ(*start, RegisterNoLocksMessage(AccountsTable, Work()) + "|0");
}

// The two plain users of one group that tests of a shared register run as.
constexpr uid_t A = fresh_process::kUserA, B = fresh_process::kUserB;
constexpr gid_t G = fresh_process::kSharedGroup;

// Two users of one group share the register in a group folder (2775, files 664 of the first):
// the first one's saves, each packing TRANS.DBF, keep every file's owner, group and mode, so
// that the second one's save goes through too. In a sticky folder (1777, files 666 of the
// second) the first one's saves go through, leave every file as it was and the register open.
TEST_F(RegisterChangeTest, TwoUsersOfAGroupFolderOrAStickyFolderBothSave) {
    RUN_AS_TWO_USERS("saves by two users of a group folder and of a sticky folder");
    SmallWork();
    xb_CloseAll();
    // What keeps the register from user before body runs as him ("0": nothing), its answer, and
    // whether the files kept their owners and modes.
    const auto as = [&](uid_t user, const std::function<std::string()>& body) {
        return fresh_process::AsUserKeepingOwners(Work(), user, G, [&] {
            const TRegisterRefusal refusal = RegisterRefusal(Work());
            return refusal.File + std::to_string(refusal.Error) + "|" + body();
        });
    };
    // Loan 1's schedule saved over twice, 36 rows in the end.
    const auto saveTwice = [&] {
        const std::string first = SaveLonger(Work());
        return first + SaveSchedule(Work(), "1", Schedule(35, 8.0f), TAmortOptions{});
    };
    ASSERT_TRUE(fresh_process::ShareFolder(Work(), 02775, A, G, 0664));
    EXPECT_EQ(as(A, saveTwice), "0|");
    EXPECT_EQ(as(B, [&] { return SaveSchedule(Work(), "2", Schedule(23, 5.0f), TAmortOptions{}); }),
              "0|");
    ExpectLoadsWhole(Work(), "1");
    ExpectLoadsWhole(Work(), "2");

    FreshWork();
    ASSERT_TRUE(fresh_process::ShareFolder(Work(), 01777, B, G, 0666));
    EXPECT_EQ(as(A, saveTwice), "0|");
    EXPECT_EQ(as(A, [&] { return PrepareRegister(Work(), AllTables); }), "0|");
    TAmortSchedule saved;
    ASSERT_EQ(Load(Work(), "1", &saved), "");
    EXPECT_EQ(saved.LastRow, 35);
    ExpectIndexesAgree(Work());
}

// In a sticky folder (1777, files 666 of the second user) the second user's save, killed, leaves
// its journal, which the first user may not remove: his next open brings the change to its end
// all the same, and his save goes through under a journal of his own, leaving no file behind.
// The journal is never applied again, neither by him nor by its owner, whose load removes it.
// So too the second user's pack of TRANS.DBF after a save, killed with its journal taking effect
// or finished or with a copy made: the first user's saves still pack it, and nothing of it is
// applied twice; its owner's load removes what it left.
TEST_F(RegisterChangeTest, AJournalAnotherUserLeftInAStickyFolderIsFinishedOnce) {
    RUN_AS_TWO_USERS("a change another user left in a sticky folder");
    const TAmortSchedule longer = Schedule(359, 8.04f);
    const std::pair<const char*, long> kills[] = {{"TRANS.PKJ", 4}, {"TRANS.PKJ", 6},
                                                  {"TRANS.DBF.pk", 3}};
    const std::string killedSave = "VANTREL_KILLED_SAVE"; // "<kill><folder>": B's save, killed
    if (const char* killed = std::getenv(killedSave.c_str())) {
        const fresh_process::TPlainUser b(B, G);
        const auto& [file, write] = kills[killed[0] - '0'];
        XbSetWriteFailure(write, 1, XbKilledAtWrite, file);
        ::_exit(b.Taken() && SaveSchedule(killed + 1, "1", longer, {}).empty() ? 0 : 1);
    }
    SmallWork();
    const auto saveAsB = [&] {
        const fresh_process::TPlainUser b(B, G);
        return SaveSchedule(Work(), "1", longer, TAmortOptions{});
    };
    const auto sharedWork = [&] {
        FreshWork();
        EXPECT_TRUE(fresh_process::ShareFolder(Work(), 01777, B, G, 0666));
    };
    // B's save killed at random moments of its length until it leaves its journal whole, not
    // committed: the change is to be undone.
    std::uniform_int_distribution<long> moment = KillMoments(saveAsB, sharedWork);
    std::mt19937 random(11);
    bool left = false;
    for (int k = 0; k < 60 && !left; ++k) {
        sharedWork();
        left = KilledDuring(saveAsB, std::chrono::microseconds(moment(random))) &&
               ReadAll(RegisterJournalPath(Work())).ends_with("\nend\n");
    }
    ASSERT_TRUE(left) << "no kill left the journal";
    const std::string journal = ReadAll(RegisterJournalPath(Work()));
    // Made as other programs make files: the rights the umask (022) leaves, the folder's group.
    EXPECT_EQ(StatOf(RegisterJournalPath(Work())).st_mode & 07777, 0644u);
    EXPECT_EQ(StatOf(RegisterJournalPath(Work())).st_gid, G);
    const auto asA = [&](const std::function<std::string()>& body) {
        return fresh_process::AsUserKeepingOwners(Work(), A, G, body);
    };
    TAmortSchedule s;
    EXPECT_EQ(asA([&] { return PrepareRegister(Work(), AllTables) + Load(Work(), "1", &s); }), "");
    EXPECT_EQ(s.LastRow, 11);
    EXPECT_EQ(asA([&] { return SaveSchedule(Work(), "2", Schedule(23, 5.0f), TAmortOptions{}); }),
              "");
    const std::string savedByA = Snapshot(Work());
    EXPECT_EQ(asA([&] { return PrepareRegister(Work(), AllTables); }), "");
    EXPECT_EQ(ReadAll(RegisterJournalPath(Work())), journal);
    // Written again for these tables (their pack count), it does not match them: A may not set it
    // aside, so he leaves it finished and says so.
    WriteAll(RegisterJournalPath(Work()), WithPacksOf(journal, Work()));
    services_.MessageBoxes.clear();
    EXPECT_EQ(asA([&] { return PrepareRegister(Work(), AllTables); }), "");
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_THAT(services_.MessageBoxes[0].Text,
                HasSubstr("The journal was left as it is, finished, as REGISTER.JNL"));
    if (const fresh_process::TPlainUser b(B, G); b.Taken()) {
        EXPECT_EQ(Load(Work(), "2"), "");
    }
    EXPECT_FALSE(fs::exists(RegisterJournalPath(Work())));
    EXPECT_EQ(Snapshot(Work()), savedByA);
    ExpectIndexesAgree(Work());
    ExpectLoadsWhole(Work(), "2");

    for (int kill = 0; kill < 3; ++kill) {
        const std::string left = Work() + "/" + kills[kill].first;
        SCOPED_TRACE(left);
        const int status = fresh_process::RunAgain(
            Work() + "/../child.log", killedSave + "=" + std::to_string(kill) + Work());
        ASSERT_GE(status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && fs::exists(left)) << ReadAll(Work() + "/../child.log");
        const LongWord packs = TransPacksIn(Work());
        EXPECT_EQ(asA([&] { return SaveSchedule(Work(), "2", Schedule(23 + kill, 5.0f), {}); }),
                  "");
        EXPECT_EQ(TransPacksIn(Work()), packs + (kill == 0 ? 2 : 1)); // B's taking effect, A's
        if (const fresh_process::TPlainUser b(B, G); b.Taken()) {
            EXPECT_EQ(Load(Work(), "1", &s), "");
        }
        EXPECT_EQ(s.LastRow, longer.LastRow);
        EXPECT_FALSE(fs::exists(left));
        EXPECT_EQ(Load(Work(), "2", &s), "");
        EXPECT_EQ(s.LastRow, 23 + kill);
    }
}

// Also when TRANS.DBF has another name, so that each save's pack writes it in place: the other
// copy finds it in use meanwhile, never damaged.
TEST_F(RegisterChangeTest, TwoCopiesSavingAtOnceKeepEachOthersSchedules) {
    SmallWork();
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "packed in place" : "packed by renames");
        FreshWork();
        if (linked) fs::create_hard_link(Work() + "/" + TransTable, Work() + "/TRANS.LNK");
        xb_CloseAll();
        const pid_t child = ::fork();
        if (child == 0) {
            for (int k = 0; k < 5; ++k)
                if (!SaveSchedule(Work(), "2", Schedule(30 + k, 5.0f), TAmortOptions{}).empty())
                    ::_exit(1);
            ::_exit(0);
        }
        // Each save goes through or is told the other copy holds the table.
        for (int k = 0; k < 5; ++k) {
            const auto f = SaveSchedule(Work(), "1", Schedule(40 + k, 7.0f), TAmortOptions{});
            EXPECT_TRUE(f.empty() || f == RegisterInUseMessage(TransTable)) << f;
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        ASSERT_EQ(PrepareRegister(Work(), AllTables), "");
        ExpectIndexesAgree(Work());
        ExpectLoadsWhole(Work(), "1");
        ExpectLoadsWhole(Work(), "2");
        TAmortSchedule s;
        ASSERT_EQ(Load(Work(), "2", &s), "");
        EXPECT_TRUE(WEXITSTATUS(status) != 0 || s.LastRow == 34) << s.LastRow;
        EXPECT_TRUE(!linked || fs::equivalent(Work() + "/" + TransTable, Work() + "/TRANS.LNK"));
    }
}

// Copies of the program take loan numbers at once on one register, as the register's dialog
// numbers new loans: four children started together take 200 each, round after round (enough
// to meet a race that gives one number in 800 twice). Every number is given once, none is
// lost to a refused lock, and the counter ends at the count given out. First a copy holds the
// counter record for two seconds, as a busy machine holds up the write of the number it took:
// the number is waited for.
TEST_F(RegisterChangeTest, CopiesTakingLoanNumbersAtOnceGetEachNumberOnce) {
    constexpr int Copies = 4, Each = 200, Rounds = 20;
    // A lock is waited for as the program waits (the fixture waits for none).
    XbSettings().LockTimeout = TXbSettings().LockTimeout;
    fs::create_directories(Work());
    CreateRegisterTables(Work());
    xb_CloseAll();
    int held[2];
    ASSERT_EQ(::pipe(held), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        std::unique_ptr<TTable> info = RegisterTable(Work(), SysInfoTable);
        info->Open();
        info->Edit();
        (void)!::write(held[1], "h", 1);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        ::_exit(0);
    }
    ::close(held[1]);
    char c = 0;
    ASSERT_EQ(::read(held[0], &c, 1), 1);
    ::close(held[0]);
    EXPECT_EQ(NextLoanNumber(Work()), 1);
    ::waitpid(holder, nullptr, 0);
    const auto numbers = [&](int copy) { return Work() + "/numbers-" + std::to_string(copy); };
    for (int round = 0; round < Rounds && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        fs::remove_all(Work());
        fs::create_directories(Work());
        CreateRegisterTables(Work());
        xb_CloseAll();
        // Each copy writes the numbers it took, a line each, and the failure that stopped them.
        EXPECT_TRUE(RunTogether(
            Copies,
            [&](int copy) {
                std::string taken;
                try {
                    for (int k = 0; k < Each; ++k)
                        taken += std::to_string(NextLoanNumber(Work())) + "\n";
                } catch (const Exception& e) {
                    taken += std::string("failed: ") + e.what() + "\n";
                }
                return static_cast<bool>(std::ofstream(numbers(copy)) << taken);
            },
            std::chrono::seconds(60)));
        std::multiset<LongInt> given;
        for (int copy = 0; copy < Copies; ++copy) {
            std::istringstream lines(ReadAll(numbers(copy)));
            for (std::string line; std::getline(lines, line);)
                if (line.starts_with("failed: "))
                    ADD_FAILURE() << "copy " << copy << " " << line;
                else
                    given.insert(std::stoi(line));
        }
        EXPECT_EQ(given.size(), std::size_t{Copies * Each}); // each copy took all its numbers
        EXPECT_EQ(std::set<LongInt>(given.begin(), given.end()).size(), given.size())
            << "numbers given twice";
        std::unique_ptr<TTable> info = OpenRegisterTable(Work(), SysInfoTable);
        EXPECT_EQ(info->FieldByName("LASTLOANNO")->AsInteger(), static_cast<LongInt>(given.size()));
    }
}

TEST_F(RegisterChangeTest, AnIndexBehindItsTableIsMadeAnewByTheFirstOpen) {
    SmallWork();
    TOtherCopy other(Work());
    // Another program appends a link and leaves the index as it was.
    const std::string index = Work() + "/XREF.NSX";
    fs::copy_file(index, Work() + "/old.nsx");
    AddRecord(Work(), XRefTable, {{"ACCOUNTNO", "SMITJOH001"}, {"LOANNO", "7"}});
    fs::copy_file(Work() + "/old.nsx", index, fs::copy_options::overwrite_existing);
    // Another copy holds the table: under the index's lock, which every writer holds while the
    // table is ahead of it, the first open finds no writer at work and makes it anew there.
    EXPECT_EQ(PrepareRegister(Work(), {XRefTable}), "");
    other.Release();
    EXPECT_EQ(PrepareRegister(Work(), {XRefTable}), "");
    // Now even a read-only open, as the dialog's field list makes, finds it in step.
    TTestTable reader(Work(), XRefTable, AccountNoTag);
    reader.ReadOnlyOpen = true;
    reader.Open();
    std::string links;
    for (; !reader.Eof(); reader.Next())
        links += Trim(reader.FieldByName("LOANNO")->AsString()) + ";";
    EXPECT_EQ(links, "2;1;7;");
    reader.Close();
    ExpectIndexesAgree(Work());
}

// A register shared through access lists (the folder and each file the first user's, mode 700 and
// 600, with entries letting the second read and write them; the index of TRANS.DBF with a second
// name) whose index was damaged: the second user's load makes it anew in place, so that it keeps
// its owner, mode, access list and other name, and the first user goes on saving: his save, which
// packs TRANS.DBF, leaves every file its owner, group, mode and access list.
TEST_F(RegisterChangeTest, AnIndexMadeAnewKeepsItsOwnerModeAccessListAndNames) {
    RUN_AS_TWO_USERS("an index made anew in a register shared through access lists");
    SmallWork();
    xb_CloseAll();
    const std::string index = Work() + "/TRANS.NSX", other = Work() + "/TRANS.LNK";
    fs::create_hard_link(index, other);
    ASSERT_TRUE(fresh_process::ShareFolder(Work(), 0700, A, G, 0600));
    ASSERT_EQ(::chown(Work().c_str(), A, G), 0);
    const std::string b = std::to_string(B);
    if (std::system(("setfacl -m u:" + b + ":rwx '" + Work() + "' && setfacl -m u:" + b + ":rw '" +
                     Work() + "'/*")
                        .c_str()) != 0)
        GTEST_SKIP() << "no access lists here";
    const std::string list = CommandOutput("getfacl -cp '" + index + "'");
    const auto lists = [&] { return CommandOutput("cd '" + Work() + "' && getfacl -p *"); };
    const std::string shared = lists();
    std::fstream(index, std::ios::in | std::ios::out | std::ios::binary) << "damaged";
    TAmortSchedule loaded;
    EXPECT_EQ(fresh_process::AsUserKeepingOwners(Work(), B, G,
                                                 [&] { return Load(Work(), "1", &loaded); }),
              "");
    EXPECT_EQ(loaded.LastRow, 11);
    EXPECT_EQ(CommandOutput("getfacl -cp '" + index + "'"), list);
    EXPECT_TRUE(fs::equivalent(index, other));
    EXPECT_EQ(fresh_process::AsUserKeepingOwners(Work(), A, G, [&] { return SaveLonger(Work()); }),
              "");
    EXPECT_EQ(lists(), shared);
    ExpectIndexesAgree(Work());
}

TEST_F(RegisterChangeTest, ABlankKeyDoesNotBlockNewRecords) {
    SmallWork();
    AddRecord(Work(), AccountsTable, {{"LASTNAME", "Nobody"}});
    AddRecord(Work(), AccountsTable, {{"ACCOUNTNO", "DOEJAN001"}});
    std::unique_ptr<TTable> accounts = OpenRegisterTable(Work(), AccountsTable, AccountsTag);
    EXPECT_TRUE(accounts->FindKey({TVarRec(PaddedKey("DOEJAN001", AccountNoWidth))}));
    // A second blank key is still one too many.
    accounts->Append();
    EXPECT_THROW(accounts->Post(), EDatabaseError);
    accounts->Cancel();
}

TEST_F(RegisterChangeTest, LostRecordsComeBackAndDamageOrAbsenceIsNamed) {
    SmallWork();
    for (const char* name : {SysInfoTable, AccountsTable}) {
        std::unique_ptr<TTable> table = OpenRegisterTable(Work(), name);
        while (!table->Eof())
            table->Delete();
        table->Close();
        ASSERT_EQ(PackRegisterTable(Work(), name), "");
    }
    ASSERT_EQ(PrepareRegister(Work(), AllTables), "");
    // The counter goes on past the loans there are; DEFAULT is there again.
    EXPECT_EQ(NextLoanNumber(Work()), 3);
    std::unique_ptr<TTable> accounts = OpenRegisterTable(Work(), AccountsTable, AccountsTag);
    EXPECT_TRUE(accounts->FindKey({TVarRec(PaddedKey(DefaultAccount, AccountNoWidth))}));
    accounts->Close();

    // A table cut short is named, not taken for low memory; nothing else changes.
    const std::string before = Snapshot(Work());
    fs::resize_file(Work() + "/TRANS.DBF", 100);
    const std::string failure = SaveSchedule(Work(), "1", Schedule(23, 8.0f), TAmortOptions{});
    EXPECT_EQ(failure.rfind("The register table TRANS.DBF is damaged.\n\n", 0), 0u) << failure;
    EXPECT_EQ(Load(Work(), "1").rfind("The register table TRANS.DBF", 0), 0u);

    // A table that is gone is missing, not damaged.
    fs::remove(Work() + "/TRANS.DBF");
    EXPECT_EQ(SaveSchedule(Work(), "1", Schedule(23, 8.0f), TAmortOptions{}),
              RegisterMissingMessage(TransTable, Work()));
    EXPECT_EQ(PrepareRegister(Work(), AllTables), RegisterMissingMessage(TransTable, Work()));
}

} // namespace
