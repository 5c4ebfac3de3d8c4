// Processes killed at random moments while appending with an order open, at every write of a post,
// and while packing, and packs whose writes fail at each point: the table, memo and indexes are
// found whole, an index left behind being rebuilt by the next user that locks it. A pack gives all
// the files from before it or all from after it and no stray file, renamed or written in place.
#include "tests/xbase/XbFixture.h"

#include "platform/rtl/Streams.h"
#include "tests/rtl/ChildProcesses.h"
#include "xbase/XbFile.h"

#include <chrono>
#include <csignal>
#include <limits>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kKills = 20;
constexpr const char* kLink = "crash.lnk"; // another name of the table: a pack writes in place

class XbCrashTest : public XbFixture {
protected:
    static std::vector<TXbFieldDef> Fields() {
        return {{"KEY", 'C', 10, 0, 0}, {"AMOUNT", 'N', 12, 2, 0}, {"NOTE", 'M', 10, 0, 0}};
    }
    static std::string KeyOf(int n) { return "K" + std::to_string(n); }
    static std::string NoteOf(const std::string& key) { return "note of " + key; }

    // The table made anew, alone in the folder, with another name when linked.
    void MakeTable(int records, bool withDeleted, bool linked = false) {
        xb_CloseAll();
        for (const auto& entry : std::filesystem::directory_iterator(Path("")))
            std::filesystem::remove(entry.path());
        ASSERT_EQ(xb_Create(Path("crash.dbf"), Fields(), xbCDX), xbOK);
        ASSERT_GT(xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX), 0);
        ASSERT_GT(xb_IndexCreate("", "KEY", "KEY", "", 0, 0), 0);
        for (int n = 0; n < records; ++n) {
            ASSERT_EQ(xb_AppendEx(), 0);
            xb_Replace(1, xbReplaceText, KeyOf(n));
            xb_Replace(2, xbReplaceDouble, double(n));
            if (n % 3 == 0) xb_Replace(3, xbReplaceMemo, NoteOf(KeyOf(n)));
            ASSERT_TRUE(!withDeleted || n % 2 == 0 || xb_Delete() == xbOK);
        }
        ASSERT_EQ(xb_Close(), xbOK);
        if (linked) std::filesystem::create_hard_link(Path("crash.dbf"), Path(kLink));
    }

    // Runs work in a child process, and kills it once it has signalled that it is under way
    // and then a further delay has passed. Gives false when the child ended by itself.
    static bool RunAndKill(const std::function<void(int signal)>& work,
                           std::chrono::microseconds delay) {
        int ready[2];
        if (::pipe(ready) != 0) return false;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            work(ready[1]);
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (started) ::usleep(static_cast<useconds_t>(delay.count()));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status);
    }

    static void Signal(int fd) {
        const char byte = 1;
        (void)!::write(fd, &byte, 1);
        ::close(fd);
    }

    // Opening while another holder has the table: an index left behind by the process killed is
    // rebuilt and holds the table's records in order. Gives whether the index lagged before.
    bool OpenBesideAnotherHolder() {
        const bool lagged = IndexLags(Path("crash.dbf"), Path("crash.cdx"));
        xb_Select(0);
        EXPECT_GT(xb_Use(Path("crash.dbf"), "OTHER", xbModeShared, xbNTX), 0);
        xb_Select(0);
        EXPECT_GT(xb_Use(Path("crash.dbf"), "", xbModeShared, xbCDX), 0);
        xb_SetOrder(xb_TagArea("KEY"));
        LongInt walked = 0;
        std::string previous;
        for (xb_GoTop(); !xb_Eof() && walked <= xb_RecCount(); xb_Skip(1), ++walked) {
            EXPECT_LE(previous, xb_GetString(1));
            previous = xb_GetString(1);
        }
        EXPECT_EQ(walked, xb_RecCount());
        xb_CloseAll();
        return lagged;
    }

    // Every record is found by its key, the order holds exactly the table's records, and
    // memos are those the records were given.
    void ExpectWhole() {
        ASSERT_GT(xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX), 0);
        ASSERT_EQ(xb_SetOrder(xb_TagArea("KEY")), 0);
        xb_SetExact(1);
        const LongInt count = xb_RecCount();
        for (LongInt r = 1; r <= count; ++r) {
            ASSERT_EQ(xb_Go(r), xbOK);
            const std::string key = xb_GetTrimString(1);
            const std::string note = xb_GetString(3);
            EXPECT_TRUE(note.empty() || note == NoteOf(key)) << key;
            ASSERT_EQ(xb_Seek(key), 1) << key;
            // Records a kill left blank share their key: the record is among them.
            while (xb_RecNo() != r && !xb_Eof() && xb_GetTrimString(1) == key)
                xb_Skip(1);
            EXPECT_EQ(xb_RecNo(), r) << key;
        }
        LongInt walked = 0;
        for (xb_GoTop(); !xb_Eof() && walked <= count; xb_Skip(1))
            ++walked;
        EXPECT_EQ(walked, count);
        EXPECT_EQ(xb_OrderRecNo(), count + 1);
        xb_Close();
    }

    // The table file ends with the end-of-file mark right after the records its header counts.
    void ExpectExactLength() {
        const std::string table = ReadAll(Path("crash.dbf"));
        ASSERT_GE(table.size(), 32u);
        EXPECT_EQ(table.size(), DecodeLE<Word>(&table[8]) +
                                    DecodeLE<LongWord>(&table[4]) * DecodeLE<Word>(&table[10]) + 1);
        EXPECT_EQ(table.back(), '\x1A');
    }

    // Only the table, its memo, its index and (linked) its other name, still its file, are there.
    void ExpectNoStrayFiles(bool linked = false) {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Path("")))
            names.insert(entry.path().filename().string());
        std::set<std::string> expected{"crash.cdx", "crash.dbf", "crash.fpt"};
        if (linked) expected.insert(kLink);
        EXPECT_EQ(names, expected);
        EXPECT_TRUE(!linked || std::filesystem::equivalent(Path(kLink), Path("crash.dbf")));
    }
};

TEST_F(XbCrashTest, KilledWhileAppendingWithAnOrder) {
    MakeTable(10, false);
    std::mt19937 random(14);
    int lagged = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const int mode = kill % 4 == 3 ? xbModeShared : xbModeExclusive;
        // Every other time the index keeps few pages in memory and the keys come in no order:
        // a batch then writes its changed pages back long before its header, again and again.
        const bool tight = kill % 2 == 0;
        const auto append = [&](int ready) {
            xb_CloseAll();
            if (tight) XbSettings().IndexCachePages = 16;
            if (xb_Use(Path("crash.dbf"), "", mode, xbCDX) == 0) ::_exit(1);
            Signal(ready);
            for (int n = static_cast<int>(xb_RecCount());; ++n) {
                if (xb_AppendEx() != 0) ::_exit(2);
                const std::string key = KeyOf(tight ? n * 7919 % 1000003 : n);
                xb_Replace(1, xbReplaceText, key);
                if (n % 3 == 0) xb_Replace(3, xbReplaceMemo, NoteOf(key));
                if (n % 37 == 0) xb_Commit();
            }
        };
        const auto delay = std::chrono::microseconds(random() % 20000);
        ASSERT_TRUE(RunAndKill(append, delay));
        if (OpenBesideAnotherHolder()) ++lagged;
        ExpectWhole();
        if (HasFatalFailure()) return;
    }
    ExpectNoStrayFiles();
    // Killed between a commit and the next, the index lags the table most of the time.
    EXPECT_GT(lagged, 0);
}

// A post of an account and a change of another, by a process killed at each of their writes in
// turn beside a holder of the table (shared, two orders) that is never closed: each time the
// holder seeks, posts and changes at once, every account is found by its number in both orders,
// and the one being posted is there whole (and can be deleted) or not at all; dbfread reads it.
TEST_F(XbCrashTest, KilledAtEveryWriteOfAPostBesideAHolder) {
    ASSERT_NO_FATAL_FAILURE(MakeAccounts(Path("accnts.dbf")));
    const auto use = [&](const std::string& alias) {
        xb_Select(0);
        return xb_Use(Path("accnts.dbf"), alias, xbModeShared, xbNSX);
    };
    const auto change = [](const std::string& number, const std::string& name) {
        return xb_Seek(number) == 1 && xb_Replace(2, xbReplaceText, name) == xbOK &&
               xb_Replace(3, xbReplaceMemo, AccountNote(number)) == xbOK && xb_Commit() == xbOK &&
               xb_Unlock(0) == 1;
    };
    const int held = use("HELD");
    ASSERT_GT(held, 0);
    xb_SetExact(1);
    xb_SetOrder(1);
    ASSERT_TRUE(PostAccount("A0"));
    int kills = 0, lagged = 0;
    for (long write = 1;; ++write) {
        const std::string number = "K" + std::to_string(write);
        const int status = RunInChild([&] { // the holder's areas, sharing its locks, left alone
            if (use("") == 0) return false;
            xb_SetOrder(1);
            XbSetWriteFailure(write, 1, XbKilledAtWrite);
            return PostAccount(number) && change("A0", "changed by " + number);
        });
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        ASSERT_TRUE(killed || status == 0) << write;
        kills += killed ? 1 : 0;
        lagged += IndexLags(Path("accnts.dbf"), Path("accnts.nsx")) ? 1 : 0;
        xb_Select(held); // it meets the index first in a read (a seek), or first in a write
        ASSERT_TRUE(write % 2 == 0 || change("A0", "changed by the holder")) << write;
        ASSERT_TRUE(PostAccount("H" + std::to_string(write)))
            << write << ": " << xb_LastErrorText();
        ASSERT_TRUE(change("A0", "changed by the holder")) << write;
        ASSERT_GT(use("CHECK"), 0) << write;
        EXPECT_EQ(AccountsRead(), "whole") << write;
        EXPECT_TRUE(xb_Seek(number) != 1 || xb_Delete() == xbOK) << write;
        xb_Close();
        if (HasFailure() || !killed) break;
    }
    EXPECT_GT(kills, 10);
    EXPECT_GT(lagged, 0); // killed between the table and the index, which the holder caught up
    xb_CloseAll();
    ExpectDbfreadReads(folder_.Path(), "accnts.dbf");
}

TEST_F(XbCrashTest, KilledWhilePacking) {
    constexpr int kRecords = 800;
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "in place" : "renamed");
        // How long a pack takes here, to kill the next ones across the whole of it.
        MakeTable(kRecords, true, linked);
        ASSERT_GT(xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX), 0);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(xb_Pack(), xbOK);
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
        xb_CloseAll();
        ExpectNoStrayFiles(linked);

        std::mt19937 random(6);
        int before = 0, after = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            MakeTable(kRecords, true, linked);
            const auto pack = [&](int ready) {
                xb_CloseAll();
                if (xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX) == 0) ::_exit(1);
                Signal(ready);
                xb_Pack();
                ::pause(); // packed: wait for the end
            };
            // From the start of the pack to past its end, with some jitter.
            const auto delay = std::chrono::microseconds(
                took.count() * 3 / 2 * kill / kKills +
                (kill == 0 ? 0 : random() % static_cast<unsigned>(took.count() / 10 + 1)));
            ASSERT_TRUE(RunAndKill(pack, delay));
            OpenBesideAnotherHolder();
            ASSERT_GT(xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX), 0);
            const LongInt count = xb_RecCount();
            xb_Close();
            ASSERT_TRUE(count == kRecords || count == kRecords / 2) << count;
            ++(count == kRecords ? before : after);
            ExpectWhole();
            ExpectNoStrayFiles(linked);
            if (HasFatalFailure()) return;
        }
        // The kills fell on both sides of the moment the pack takes effect.
        EXPECT_GT(before, 0);
        EXPECT_GT(after, 0);
    }
}

// The writes of a new table and its memo file are refused at each one in turn, as a full disk
// refuses them (the removals after it find room): the making fails and leaves no file, which
// would be taken for a table made whole.
TEST_F(XbCrashTest, ATableWhoseMakingTheDiskRefusesLeavesNoFile) {
    for (long write = 1;; ++write) {
        SCOPED_TRACE("refused write " + std::to_string(write));
        XbSetWriteFailure(write, 1);
        const int status = xb_Create(Path("made.dbf"), LoanFields(), xbCDX);
        XbSetWriteFailure(std::nullopt);
        if (status == xbOK) break;
        EXPECT_TRUE(std::filesystem::is_empty(Path(""))) << status;
    }
}

// The writes of a pack fail from each one in turn: all of them from there on (the disk stays
// full, as a kill there would leave the files) or that one alone, and then the area takes a
// record if it is still open. After the next open the files are all from before it or all from
// after it (after it when it answered done), with the record added, whole, with no stray file.
TEST_F(XbCrashTest, APackMeetingAFailedWriteAnywhereLeavesAllOldOrAllNew) {
    constexpr int kRecords = 40;
    for (const bool linked : {false, true})
        for (const long count : {std::numeric_limits<long>::max(), 1L})
            for (long write = 1;; ++write) {
                SCOPED_TRACE(std::string(linked ? "in place, " : "renamed, ") +
                             (count == 1 ? "failing " : "full from ") + std::to_string(write));
                MakeTable(kRecords, true, linked);
                ASSERT_GT(xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX), 0);
                XbSetWriteFailure(write, count);
                const int status = xb_Pack();
                // After one failed write the disk takes writes again: an area the pack left open
                // takes a record (a failed commit leaves it to the close).
                const bool added = count == 1 && xb_AppendEx() == 0;
                if (added && xb_Replace(1, xbReplaceText, "added") == xbOK) xb_Commit();
                xb_CloseAll();
                const long made = XbSetWriteFailure(std::nullopt);
                if (status == xbOK) ExpectNoStrayFiles(linked);
                ASSERT_GT(xb_Use(Path("crash.dbf"), "", xbModeExclusive, xbCDX), 0);
                const LongInt records = xb_RecCount() - (added ? 1 : 0);
                xb_Close();
                EXPECT_TRUE(records == kRecords / 2 || (status != xbOK && records == kRecords))
                    << records;
                ExpectWhole();
                ExpectNoStrayFiles(linked);
                ExpectExactLength();
                if (HasFailure()) return;
                if (made < write) break;
            }
}

} // namespace
