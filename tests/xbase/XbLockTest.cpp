// Sharing and record locks between work areas of this process and between processes.
#include "tests/rtl/ChildProcesses.h"
#include "tests/xbase/XbFixture.h"
#include "xbase/XbFile.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <sys/fanotify.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

class XbLockTest : public XbFixture {
protected:
    void SetUp() override {
        XbFixture::SetUp();
        MakeShared();
    }

    // SHARED.DBF made anew, holding L1 and L2.
    void MakeShared() const {
        UseNewLoans("SHARED.DBF", xbCDX);
        AddLoan("L1", "one", 1);
        AddLoan("L2", "two", 2);
        xb_CloseAll();
    }

    int Use(int mode, const std::string& alias = "") {
        return xb_Use(Path("SHARED.DBF"), alias, mode, xbCDX);
    }
};

// A child process that opens the table in mode, locks record 1 when lockRecord is set, reports
// 'y' (or 'n' when something failed) and holds on until the parent writes to it, or for
// holdMs milliseconds when that is not 0.
class TChild {
public:
    TChild(const std::string& path, int mode, bool lockRecord, int holdMs) {
        if (::pipe(up_) != 0 || ::pipe(down_) != 0) return;
        pid_ = ::fork();
        if (pid_ != 0) return;
        XbSettings().LockTimeout = 0;
        bool ok = xb_Use(path, "", mode, xbCDX) > 0;
        if (ok && lockRecord) ok = xb_Rlock(1) == 1;
        const char answer = ok ? 'y' : 'n';
        (void)!::write(up_[1], &answer, 1);
        char c = 0;
        if (holdMs > 0)
            ::usleep(static_cast<useconds_t>(holdMs) * 1000);
        else
            (void)!::read(down_[0], &c, 1);
        ::_exit(0);
    }
    ~TChild() {
        Release();
        for (int fd : {up_[0], up_[1], down_[0], down_[1]})
            if (fd >= 0) ::close(fd);
    }
    char Answer() {
        char c = 0;
        return pid_ > 0 && ::read(up_[0], &c, 1) == 1 ? c : '?';
    }
    void Release() {
        if (pid_ <= 0) return;
        const char c = 'x';
        (void)!::write(down_[1], &c, 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    int up_[2] = {-1, -1};
    int down_[2] = {-1, -1};
    pid_t pid_ = -1;
};

TEST_F(XbLockTest, ExclusiveOpenBetweenAreas) {
    const int shared = Use(xbModeShared);
    ASSERT_GT(shared, 0);
    EXPECT_EQ(Use(xbModeExclusive, "EX"), 0);
    EXPECT_GT(Use(xbModeReadOnly, "RO"), 0);
    xb_CloseAll();
    ASSERT_GT(Use(xbModeExclusive), 0);
    EXPECT_EQ(Use(xbModeShared, "SH"), 0);
    EXPECT_EQ(Use(xbModeReadOnly, "RO"), 0);
    EXPECT_EQ(xb_Create(Path("SHARED.DBF"), LoanFields(), xbCDX), xbSharing); // never truncated
    xb_Close();
    EXPECT_GT(Use(xbModeShared), 0);
}

TEST_F(XbLockTest, RecordLocksBetweenAreas) {
    const int a = Use(xbModeShared, "A");
    const int b = Use(xbModeShared, "B");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    xb_Select(a);
    EXPECT_EQ(xb_Rlock(1), 1);
    EXPECT_EQ(xb_Rlock(1), 1); // a lock held is held again
    xb_Select(b);
    EXPECT_EQ(xb_Use(Path("NONE.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrFileMissing);
    xb_Select(b);
    EXPECT_EQ(xb_Rlock(1), 0);
    // The refusal is the last failure: the table's file is in use.
    EXPECT_EQ(xb_LastError(), xbErrLocked);
    EXPECT_EQ(xb_LastErrorFile(), Path("SHARED.DBF"));
    EXPECT_EQ(xb_Rlock(2), 1);
    EXPECT_EQ(xb_Rlock(3), 0); // no such record
    xb_Go(1);
    std::string image = xb_GetRecord();
    image.replace(1, 2, "LX");
    EXPECT_EQ(xb_PutRecord(image), xbLockRefused);
    EXPECT_EQ(xb_Delete(), xbLockRefused);

    xb_Select(a);
    EXPECT_EQ(xb_Unlock(0), 1);
    xb_Select(b);
    EXPECT_EQ(xb_PutRecord(image), xbOK);
    EXPECT_EQ(xb_Rlock(1), 1);
    xb_Unlock(1);

    // The append locks the record it reserves in a shared area; the other area sees it once
    // it is written.
    EXPECT_EQ(xb_AppendEx(), 0);
    const LongInt added = xb_RecNo();
    EXPECT_EQ(xb_RecCount(), 3);
    xb_Select(a);
    EXPECT_EQ(xb_RecCount(), 2);
    xb_Select(b);
    EXPECT_EQ(xb_Commit(), xbOK);
    xb_Select(a);
    EXPECT_EQ(xb_RecCount(), 3);
    EXPECT_EQ(xb_Rlock(added), 0);
    xb_Go(1);
    EXPECT_EQ(xb_GetTrimString(1), "LX");

    // An append that cannot read the count under the append lock (the disk fails the read)
    // is refused: it never writes over the record another area appended last.
    xb_Select(b);
    AddLoan("B4", "four", 4);
    xb_Unlock(0);
    xb_Select(a);
    XbSetReadFailure(1, 1, EIO, "SHARED.DBF");
    EXPECT_EQ(xb_AppendEx(), xbWriteFailed);
    XbSetReadFailure(std::nullopt);
    EXPECT_EQ(xb_RecCount(), 4);
    xb_Go(4);
    EXPECT_EQ(xb_GetTrimString(1), "B4");
}

TEST_F(XbLockTest, ChangesOfTwoAreasToOneRecordAreBothKept) {
    const int a = Use(xbModeShared, "A");
    const int b = Use(xbModeShared, "B");
    ASSERT_GT(a * b, 0);
    xb_Select(a);
    xb_Go(1);
    xb_Select(b);
    xb_Go(1);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "named by B"), xbOK);
    ASSERT_EQ(xb_Replace(3, xbReplaceDouble, 130.0), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Select(a);
    // A changes the amount it read (1.00) in one digit: its amount is written whole.
    ASSERT_EQ(xb_Replace(3, xbReplaceDouble, 2.0), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Go(1);
    EXPECT_EQ(xb_GetTrimString(2), "named by B");
    EXPECT_EQ(xb_GetTrimString(3), "        2.00");
    ASSERT_EQ(xb_Replace(3, xbReplaceDouble, 99.5), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Select(b);
    xb_Delete();
    xb_Select(a);
    xb_Go(1);
    EXPECT_EQ(xb_Deleted(), 1);
    EXPECT_EQ(xb_GetTrimString(3), "       99.50");

    // Counting walks every record of A's table; A's record, unchanged, is not written when
    // it moves on, so B's change made meanwhile stays.
    EXPECT_EQ(xb_QueryRecCount(), 2);
    EXPECT_EQ(xb_RecNo(), 1);
    xb_Select(b);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "renamed by B"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Select(a);
    EXPECT_EQ(xb_Go(2), xbOK);
    xb_Go(1);
    EXPECT_EQ(xb_GetTrimString(2), "renamed by B");

    // Locking its record, A reads it as B left it, with its own change kept.
    xb_Select(b);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "B before the lock"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Select(a);
    ASSERT_EQ(xb_Replace(3, xbReplaceDouble, 7.0), xbOK);
    ASSERT_EQ(xb_Rlock(0), 1);
    EXPECT_EQ(xb_GetTrimString(2), "B before the lock");
    EXPECT_EQ(xb_GetTrimString(3), "        7.00");
    // Its change is written before its lock goes: B, locking the record next, reads it.
    xb_Unlock(1);
    xb_Select(b);
    ASSERT_EQ(xb_Rlock(0), 1);
    EXPECT_EQ(xb_GetTrimString(3), "        7.00");
}

// An update that finds the index damaged fails and leaves the index unlocked: once the file
// is whole again, another area updates it.
TEST_F(XbLockTest, AnUpdateRefusedByADamagedIndexLeavesItUnlocked) {
    ASSERT_GT(Use(xbModeExclusive), 0);
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    xb_CloseAll();
    const int a = Use(xbModeShared, "A");
    const int b = Use(xbModeShared, "B");
    ASSERT_GT(a * b, 0);
    const std::string whole = ReadAll(Path("SHARED.CDX"));
    std::string damaged = whole;
    damaged[20] = static_cast<char>(damaged[20] + 1); // the generation, against the checksum
    WriteAll(Path("SHARED.CDX"), damaged);
    xb_Select(a);
    xb_Go(1);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "by A"), xbOK);
    EXPECT_EQ(xb_Commit(), xbDamaged);
    WriteAll(Path("SHARED.CDX"), whole);
    xb_Select(b);
    xb_Go(2);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "by B"), xbOK);
    EXPECT_EQ(xb_Commit(), xbOK);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("by B"), 1);
    EXPECT_EQ(xb_RecNo(), 2);
}

// The locks are taken on fixed bytes far past any data, the same for every copy of the program
// that shares the file: the open lock on byte 2^62, record n's lock 16 + n bytes after it.
TEST_F(XbLockTest, LocksSitOnFixedBytesPastTheData) {
    const int fd = ::open(Path("SHARED.DBF").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const auto lockByte = [fd](long long offset, short type) {
        struct flock fl {
            .l_type = type, .l_whence = SEEK_SET, .l_start = offset, .l_len = 1, .l_pid = 0
        };
        return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
    };
    constexpr long long kOpen = 4611686018427387904LL; // 2^62
    ASSERT_TRUE(lockByte(kOpen, F_WRLCK));
    EXPECT_EQ(Use(xbModeShared), 0);
    ASSERT_TRUE(lockByte(kOpen, F_RDLCK));
    EXPECT_EQ(Use(xbModeExclusive), 0);
    ASSERT_GT(Use(xbModeShared), 0); // on record 1, read with its neighbour
    ASSERT_TRUE(lockByte(kOpen + 16 + 2, F_WRLCK));
    EXPECT_EQ(xb_Rlock(2), 0);
    EXPECT_EQ(xb_Rlock(1), 1);
    EXPECT_FALSE(lockByte(kOpen + 16 + 1, F_WRLCK));
    // Another program holding record 2's lock changes it in place (leaving the update stamp):
    // locked next, the record is read as that program left it.
    const std::string name = "by a peer";
    unsigned char headerSize[2] = {};
    ASSERT_EQ(::pread(fd, headerSize, 2, 8), 2);
    const off_t at = (headerSize[0] | headerSize[1] << 8) + xb_RecSize() + xb_FieldOffset(2) - 1;
    ASSERT_EQ(::pwrite(fd, name.data(), name.size(), at), static_cast<ssize_t>(name.size()));
    ASSERT_TRUE(lockByte(kOpen + 16 + 2, F_UNLCK));
    EXPECT_EQ(xb_Rlock(2), 1);
    EXPECT_EQ(xb_Skip(1), xbOK);
    EXPECT_EQ(xb_GetTrimString(2), name);
    ::close(fd);
}

TEST_F(XbLockTest, ExclusiveOpenAndRecordLockBetweenProcesses) {
    TChild child(Path("SHARED.DBF"), xbModeShared, true, 0);
    ASSERT_EQ(child.Answer(), 'y');
    EXPECT_EQ(Use(xbModeExclusive), 0);
    ASSERT_GT(Use(xbModeShared), 0);
    EXPECT_EQ(xb_Rlock(1), 0);
    EXPECT_EQ(xb_Rlock(2), 1);
    xb_Go(1);
    EXPECT_EQ(xb_Replace(2, xbReplaceText, "changed"), xbOK);
    EXPECT_EQ(xb_Commit(), xbLockRefused);
    EXPECT_EQ(xb_Go(2), xbLockRefused); // the move reports the refused write and drops it
    EXPECT_EQ(xb_Go(1), xbOK);
    EXPECT_EQ(xb_GetTrimString(2), "one");
    child.Release();
    EXPECT_EQ(xb_Rlock(1), 1);
    xb_CloseAll();
    EXPECT_GT(Use(xbModeExclusive), 0);
}

// Also while the holder has the file half written, as a pack writing the table in place leaves
// it between cutting the file and writing the header: the table is in use, not damaged.
TEST_F(XbLockTest, SharedOpenRefusedWhileAnotherProcessHoldsItExclusively) {
    TChild child(Path("SHARED.DBF"), xbModeExclusive, false, 0);
    ASSERT_EQ(child.Answer(), 'y');
    EXPECT_EQ(Use(xbModeShared), 0);
    EXPECT_EQ(Use(xbModeReadOnly), 0);
    const std::string whole = ReadAll(Path("SHARED.DBF"));
    std::filesystem::resize_file(Path("SHARED.DBF"), whole.size() - 10);
    EXPECT_EQ(Use(xbModeShared), 0);
    EXPECT_EQ(xb_LastError(), xbErrLocked);
    WriteAll(Path("SHARED.DBF"), whole);
    child.Release();
    EXPECT_GT(Use(xbModeShared), 0);
}

TEST_F(XbLockTest, LockRequestWaitsForTheTimeout) {
    TChild child(Path("SHARED.DBF"), xbModeShared, true, 1000);
    ASSERT_EQ(child.Answer(), 'y');
    ASSERT_GT(Use(xbModeShared), 0);
    EXPECT_EQ(xb_Rlock(1), 0);
    xb_SetLockTimeout(5);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(xb_Rlock(1), 1); // the child lets go after a second
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

// Processes appending at once, each writing its record right after: without an order (the
// append lock alone keeps them apart, and one's write of a record never puts back a count read
// before another's append) and with one. Every record is there, under its key, and the header
// counts them all.
TEST_F(XbLockTest, ProcessesAppendAtTheSameTime) {
    constexpr int kProcesses = 8;
    constexpr int kEach = 100;
    std::string round;
    const auto key = [&round](int n, int i) {
        return round + std::to_string(n) + "-" + std::to_string(i);
    };
    const auto appendRows = [&](int n) {
        if (Use(xbModeShared) == 0) return false;
        xb_SetLockTimeout(30);
        for (int i = 0; i < kEach; ++i) {
            if (xb_AppendEx() != 0) return false;
            xb_Replace(1, xbReplaceText, key(n, i));
            if (xb_Commit() != xbOK) return false;
            xb_Unlock(0);
        }
        return xb_Close() == xbOK;
    };
    std::set<std::string> wanted{"L1", "L2"};
    for (const bool ordered : {false, true}) {
        SCOPED_TRACE(ordered ? "with an order" : "without an order");
        round = ordered ? "B" : "A";
        if (ordered) {
            ASSERT_GT(Use(xbModeExclusive), 0);
            ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
            xb_CloseAll();
        }
        ASSERT_TRUE(RunTogether(kProcesses, appendRows));
        for (int n = 0; n < kProcesses; ++n)
            for (int i = 0; i < kEach; ++i)
                wanted.insert(key(n, i));
        ASSERT_GT(Use(xbModeShared), 0);
        EXPECT_EQ(xb_RecCount(), static_cast<LongInt>(wanted.size()));
        std::set<std::string> keys; // as many as the records: each key once
        for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
            keys.insert(xb_GetTrimString(1));
        EXPECT_TRUE(keys == wanted);
        if (ordered) {
            xb_SetOrder(1);
            EXPECT_EQ(xb_Seek(key(3, kEach - 1)), 1);
            EXPECT_EQ(xb_Seek("A0-0"), 1);
            std::size_t rows = 0;
            for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
                ++rows;
            EXPECT_EQ(rows, wanted.size());
        }
        xb_CloseAll();
    }
}

// Two processes post accounts while a third, which only reads, seeks them and a fourth's posts are
// killed at one of their writes, for two seconds: the reader finds each record under its number,
// whether an index was left behind (which it may not rebuild) or rebuilt meanwhile; every post
// goes through; the table is whole after.
TEST_F(XbLockTest, ProcessesPostAndSeekWhileAnotherIsKilledMidPost) {
    ASSERT_NO_FATAL_FAILURE(MakeAccounts(Path("ACCNTS.DBF")));
    const auto use = [this](int mode = xbModeShared) {
        return xb_Use(Path("ACCNTS.DBF"), "", mode, xbNSX) > 0;
    };
    ASSERT_TRUE(RunTogether(4, [&](int n) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        xb_SetLockTimeout(30);
        xb_SetExact(1);
        if (n != 3 && !use(n == 2 ? xbModeReadOnly : xbModeShared)) return false;
        for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
            const std::string number = std::to_string(n) + "-" + std::to_string(i);
            if (n == 3) { // a post of its own child, killed at one of its first writes
                const int status = RunInChild([&] {
                    XbSetWriteFailure(1 + i % 12, 1, XbKilledAtWrite);
                    return use() && PostAccount(number);
                });
                if (status != 0 && !WIFSIGNALED(status)) return false;
            } else if (n == 2) {
                const LongInt recno = 1 + i % std::max<LongInt>(1, xb_RecCount());
                xb_SetOrder(1);
                if (xb_Go(recno) != xbOK) return false;
                const std::string found = xb_GetTrimString(1);
                if (!xb_Eof() && (found.empty() || xb_Seek(found) != 1 || xb_RecNo() != recno))
                    return false;
            } else if (!PostAccount(number)) {
                return false;
            }
        }
        return true;
    }));
    ASSERT_TRUE(use());
    EXPECT_EQ(AccountsRead(), "whole");
}

// Processes that each raise one record's amount by one many times at once, each time going to
// the record, locking it, reading, replacing, committing and unlocking: under the lock each
// reads what the holder before it committed, so no raise is lost or made twice.
TEST_F(XbLockTest, RaisesUnderTheRecordLockAreAllCounted) {
    constexpr int kProcesses = 4;
    constexpr int kEach = 300;
    ASSERT_TRUE(RunTogether(kProcesses, [this](int) {
        if (Use(xbModeShared) == 0) return false;
        xb_SetLockTimeout(30);
        for (int i = 0; i < kEach; ++i) {
            if (xb_Go(1) != xbOK || xb_Rlock(1) != 1) return false;
            const double amount = std::stod(xb_GetString(3));
            if (xb_Replace(3, xbReplaceDouble, amount + 1) != xbOK || xb_Commit() != xbOK)
                return false;
            xb_Unlock(1);
            ::usleep(500); // the others get their turns
        }
        return xb_Close() == xbOK;
    }));
    ASSERT_GT(Use(xbModeShared), 0);
    xb_Go(1);
    EXPECT_EQ(std::stod(xb_GetString(3)), 1 + kProcesses * kEach);
}

// Keeps a process waiting in the system at its opening of a file (FAN_OPEN_PERM) or at a read
// of it (FAN_ACCESS_PERM), as a busy machine may, until Release; every other open or read of
// the file goes on. Needs the right to watch the file system (a superuser has it).
class TGate {
public:
    TGate(const std::string& path, unsigned event) {
        fd_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY);
        if (fd_ >= 0 && ::fanotify_mark(fd_, FAN_MARK_ADD, event, AT_FDCWD, path.c_str()) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~TGate() { Release(); }
    bool Ready() const { return fd_ >= 0; }
    // Holds the event after the first skip ones of process pid; true once it is held.
    bool Hold(pid_t pid, int skip) {
        watcher_ = std::thread([this, pid, skip] { Answer(pid, skip); });
        for (int wait = 0; held_ < 0 && wait < 10000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return held_ >= 0;
    }
    // Lets the held process go on, and stops watching the file.
    void Release() {
        stop_ = true;
        if (watcher_.joinable()) watcher_.join();
        if (held_ >= 0) Allow(held_.exchange(-1));
        if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    }

private:
    void Allow(int eventFd) {
        const fanotify_response answer{eventFd, FAN_ALLOW};
        (void)!::write(fd_, &answer, sizeof answer);
        ::close(eventFd);
    }
    void Answer(pid_t pid, int skip) {
        alignas(fanotify_event_metadata) char buffer[4096];
        for (pollfd p{fd_, POLLIN, 0}; !stop_;) {
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
            for (ssize_t left = got; FAN_EVENT_OK(event, left);
                 event = FAN_EVENT_NEXT(event, left)) {
                if (event->pid == pid && skip-- == 0)
                    held_ = event->fd;
                else
                    Allow(event->fd);
            }
        }
    }

    int fd_ = -1;
    std::thread watcher_;
    std::atomic<int> held_{-1};
    std::atomic<bool> stop_{false};
};

// A process kept waiting between opening a table and locking it, while the holder before it
// writes a record (its header last) and lets go, or packs the table (its packed copy taking
// the table's name): once locked, it sees the table as that holder left it, so each keeps the
// other's record. Each case runs where the file system's events can be watched (a superuser
// may); the test is skipped when neither can.
TEST_F(XbLockTest, AnOpenKeptWaitingBeforeItsLockSeesTheTableTheHolderLeft) {
    int ran = 0;
    for (const bool pack : {false, true}) {
        SCOPED_TRACE(pack ? "packed" : "written");
        // The child waits at its opening, or at its read of the header after the first bytes.
        const unsigned event = pack ? FAN_OPEN_PERM : FAN_ACCESS_PERM;
        if (!TGate(Path("SHARED.DBF"), event).Ready()) continue; // this case cannot be made here
        ++ran;
        ASSERT_NO_FATAL_FAILURE(MakeShared());
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            char c = 0;
            (void)!::read(go[0], &c, 1);
            ::_exit(Use(xbModeExclusive) > 0 && xb_AppendEx() == 0 &&
                            xb_Replace(1, xbReplaceText, pack ? "C2" : "C1") == xbOK &&
                            xb_Close() == xbOK
                        ? 0
                        : 1);
        }
        ASSERT_GT(Use(xbModeExclusive), 0);
        TGate gate(Path("SHARED.DBF"), event);
        (void)!::write(go[1], "g", 1);
        ASSERT_TRUE(gate.Hold(child, pack ? 0 : 1));
        AddLoan(pack ? "P2" : "P1", "parent", 3);
        if (pack) {
            ASSERT_EQ(xb_Go(1), xbOK);
            ASSERT_EQ(xb_Delete(), xbOK);
            ASSERT_EQ(xb_Pack(), xbOK);
        }
        xb_CloseAll();
        gate.Release();
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ::close(go[0]);
        ::close(go[1]);
        ASSERT_GT(Use(xbModeShared), 0);
        EXPECT_EQ(Walk(), pack ? "L2 P2 C2 " : "L1 L2 P1 C1 ");
        xb_CloseAll();
    }
    if (ran == 0) GTEST_SKIP() << "permission events of the file system cannot be watched here";
}

} // namespace
