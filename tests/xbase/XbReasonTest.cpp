// Reasons of failures: each failing call leaves why it failed for xb_LastError, naming the file;
// the calls' own results stay as they were.
#include "tests/xbase/XbFixture.h"

#include "platform/rtl/Streams.h"
#include "tests/rtl/ChildProcesses.h"

#include "xbase/IndexPages.h"
#include "xbase/XbError.h"
#include "xbase/XbFile.h"

#include <csignal>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class XbReasonTest : public XbFixture {
protected:
    void MakeLoans(const std::string& name) {
        ASSERT_EQ(xb_Create(Path(name), LoanFields(), xbCDX), xbOK);
        ASSERT_GT(xb_Use(Path(name), "", xbModeExclusive, xbCDX), 0);
        AddLoan("L1", "Adams", 100);
        ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "a note"), xbOK);
        ASSERT_EQ(xb_Commit(), xbOK);
        xb_Close();
    }
    // A table of keys K0 to K2 with its production index, left open in the current area.
    void UseKeys(const std::string& name, const std::string& alias, int mode) {
        ASSERT_EQ(xb_Create(Path(name), {{"KEY", 'C', 10, 0, 0}}, xbCDX), xbOK);
        ASSERT_GT(xb_Use(Path(name), alias, mode, xbCDX), 0);
        ASSERT_GT(xb_IndexCreate("", "KEY", "KEY", "", 0, 0), 0);
        for (int n = 0; n < 3; ++n) {
            ASSERT_EQ(xb_AppendEx(), 0);
            xb_Replace(1, xbReplaceText, "K" + std::to_string(n));
        }
    }
};

TEST_F(XbReasonTest, OpeningFailuresNameTheirReason) {
    EXPECT_EQ(xb_Use(Path("NONE.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrFileMissing);
    EXPECT_NE(xb_LastErrorText().find("NONE.DBF"), std::string::npos);
    EXPECT_EQ(xb_LastErrorFile(), Path("NONE.DBF"));

    MakeLoans("L.DBF");
    ASSERT_GT(xb_Use(Path("L.DBF"), "A", xbModeExclusive, xbCDX), 0);
    xb_Select(0);
    EXPECT_EQ(xb_Use(Path("L.DBF"), "B", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrLocked);
    xb_CloseAll();

    std::string bytes = ReadAll(Path("L.DBF"));
    WriteAll(Path("H.DBF"), bytes.substr(0, 40)); // cut inside the field descriptors
    EXPECT_EQ(xb_Use(Path("H.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrDamagedHeader);
    EXPECT_NE(xb_LastErrorText().find("H.DBF"), std::string::npos);

    WriteAll(Path("L.FPT"), std::string(100, '\0'));
    EXPECT_EQ(xb_Use(Path("L.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrDamagedMemo);
    EXPECT_NE(xb_LastErrorText().find("L.FPT"), std::string::npos);

    std::filesystem::remove(Path("L.FPT"));
    EXPECT_EQ(xb_Use(Path("L.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrFileMissing);
    EXPECT_NE(xb_LastErrorText().find("L.fpt"), std::string::npos) << xb_LastErrorText();
}

// A commit whose writes fail keeps the records it could not write; the close, once writes go
// through again, writes them, and the order (rebuilt when it fell behind) finds every record.
TEST_F(XbReasonTest, RecordsAFailedCommitKeptAreWrittenAtClose) {
    ASSERT_EQ(xb_Create(Path("A.DBF"), {{"KEY", 'C', 10, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("A.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "KEY", "KEY", "", 0, 0), 0);
    const auto add = [](const std::string& key) {
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, key), xbOK);
        ASSERT_EQ(xb_Skip(0), xbOK);
    };
    for (const char* key : {"K3", "K1", "K2"})
        add(key);
    ASSERT_EQ(xb_Commit(), xbOK);
    for (const char* key : {"K5", "K0"})
        add(key);
    for (const long failing : {1L, 2L}) { // the appended records, then the table header
        XbSetWriteFailure(failing);
        EXPECT_EQ(xb_Commit(), xbWriteFailed) << failing;
        XbSetWriteFailure(std::nullopt);
    }
    // The index refuses once the table took the records: the order keeps them all the same.
    XbSetWriteFailure(1, 1, ENOSPC, "A.CDX");
    EXPECT_EQ(xb_Commit(), xbWriteFailed);
    XbSetWriteFailure(std::nullopt);
    EXPECT_EQ(xb_Seek("K0"), 1);
    EXPECT_EQ(xb_Close(), xbOK);
    ASSERT_GT(xb_Use(Path("A.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 5);
    xb_SetOrder(1);
    EXPECT_EQ(Walk(), "K0 K1 K2 K3 K5 ");
    EXPECT_EQ(xb_Seek("K5"), 1);
}

// The last writes of an exclusive open happen when it closes: a failure there is the close's.
TEST_F(XbReasonTest, AFailedWriteAtCloseIsItsResult) {
    ASSERT_EQ(xb_Create(Path("C.DBF"), {{"KEY", 'C', 10, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("C.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "KEY", "KEY", "", 0, 0), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "K1"), xbOK);
    ASSERT_EQ(xb_Skip(0), xbOK); // the change is the area's own; appends and pages wait
    XbSetWriteFailure(1);
    const int status = xb_Close();
    XbSetWriteFailure(std::nullopt);
    EXPECT_EQ(status, xbWriteFailed);
    EXPECT_EQ(xb_LastError(), xbErrDiskFull);
}

// Each change of a file or folder the full disk refuses, not only a write, is told as a full
// disk with the file it concerns.
TEST_F(XbReasonTest, EveryChangeTheFullDiskRefusesSaysSo) {
    TXbFile file;
    ASSERT_TRUE(file.Create(Path("F.DAT")));
    const std::function<bool()> changes[] = {
        [&] { return file.WriteAt(0, "x"); },       [&] { return file.Flush(); },
        [&] { return file.Truncate(0); },           [&] { return file.RenameTo(file.Path()); },
        [&] { return XbRemove(file.Path()); },      [&] { return TXbFile().Create(file.Path()); },
        [&] { return XbSyncFolderOf(file.Path()); }};
    for (const auto& change : changes) {
        XbSetReason(xbErrNone);
        XbSetWriteFailure(1);
        EXPECT_FALSE(change());
        XbSetWriteFailure(std::nullopt);
        EXPECT_TRUE(xb_LastError() == xbErrDiskFull && xb_LastErrorFile() == Path("F.DAT"))
            << &change - changes;
    }
}

// A change of an account (number, name and memo) and an append, refused at each of their writes
// in turn as a full disk refuses them, in a shared open with two index files: the call that
// writes it fails with the full disk as its cause, leaving the table byte for byte and the memo
// and both indexes as they were (in step, finding every account); the next write goes through.
TEST_F(XbReasonTest, AWriteRefusedAtAnyStepIsTakenBackWhole) {
    ASSERT_NO_FATAL_FAILURE(MakeAccounts(Path("S.DBF"), Path("NAMES.NSX")));
    ASSERT_GT(xb_Use(Path("S.DBF"), "", xbModeShared, xbNSX), 0);
    ASSERT_EQ(xb_IndexOpen(Path("NAMES.NSX")), 2);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_TRUE(PutAccount("A"));
    ASSERT_EQ(xb_Commit(), xbOK);
    for (const bool append : {false, true}) {
        for (long failing = 1;; ++failing) {
            SCOPED_TRACE((append ? "append, write " : "change, write ") + std::to_string(failing));
            const std::string before = ReadAll(Path("S.DBF"));
            ASSERT_TRUE(append ? xb_AppendEx() == 0 : xb_Go(1) == xbOK);
            ASSERT_TRUE(PutAccount(append ? "C" : "B"));
            XbSetReason(xbErrNone);
            XbSetWriteFailure(failing, 1); // the writes that take it back find room
            // The change is written by a move, the append by letting its lock go.
            const bool done = append ? xb_Unlock(0) == 1 : xb_Skip(0) == xbOK;
            XbSetWriteFailure(std::nullopt);
            if (done) break;
            EXPECT_EQ(xb_LastError(), xbErrDiskFull);
            EXPECT_EQ(ReadAll(Path("S.DBF")), before);
            EXPECT_FALSE(IndexLags(Path("S.DBF"), Path("S.NSX")));
            EXPECT_FALSE(IndexLags(Path("S.DBF"), Path("NAMES.NSX")));
            EXPECT_EQ(AccountsRead({append ? "B" : "A"}), "whole");
            ASSERT_LT(failing, 40);
        }
    }
    EXPECT_EQ(AccountsRead({"B", "C"}), "whole");
}

TEST_F(XbReasonTest, ReadOnlyFilesAndAreas) {
    MakeLoans("R.DBF");
    ::chmod(Path("R.DBF").c_str(), 0444);
    if (::geteuid() != 0) { // the superuser writes to any file
        EXPECT_EQ(xb_Use(Path("R.DBF"), "", xbModeShared, xbCDX), 0);
        EXPECT_EQ(xb_LastError(), xbErrReadOnly);
    }
    ASSERT_GT(xb_Use(Path("R.DBF"), "", xbModeReadOnly, xbCDX), 0);
    EXPECT_EQ(xb_AppendEx(), xbReadOnly);
    EXPECT_EQ(xb_LastError(), xbErrReadOnly);
}

// Rewrites, in place, the header page of an index file with its record count and generation moved
// by the given steps (the header's checksum made to match).
void ShiftIndexHeader(const std::string& path, int countStep, int generationStep) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string page(4096, '\0');
    f.read(page.data(), 4096);
    const auto shift = [&page](std::size_t at, int step) {
        EncodeLE<LongWord>(&page[at], DecodeLE<LongWord>(&page[at]) + static_cast<LongWord>(step));
    };
    shift(36, countStep);
    shift(20, generationStep);
    EncodeLE<LongWord>(page.data() + 4092, XbCrc32(0, page.data(), 48 + 16 * 64));
    f.seekp(0);
    f.write(page.data(), 4096);
}

// An index left behind its table that the disk does not let a reader rebuild stays as it was: the
// reader orders the table for itself and finds its key.
TEST_F(XbReasonTest, ARebuildTheDiskRefusesLeavesTheIndexAsItWas) {
    ASSERT_NO_FATAL_FAILURE(UseKeys("B.DBF", "", xbModeShared));
    ASSERT_EQ(xb_Commit(), xbOK);
    ShiftIndexHeader(Path("B.CDX"), -1, 1);
    const std::string behind = ReadAll(Path("B.CDX"));
    XbSetWriteFailure(1, 1, ENOSPC, "B.CDX");
    EXPECT_EQ(xb_Seek("K2"), 1);
    XbSetWriteFailure(std::nullopt);
    EXPECT_EQ(ReadAll(Path("B.CDX")), behind);
    EXPECT_EQ(xb_Seek("K1"), 1);
}

// An opening that finds the index behind the table while another user has the table open waits
// for the index's lock, which a writer holds until the index has followed the table, and finding
// it behind still, rebuilds it there: it finds every key, also after the index fell behind again.
TEST_F(XbReasonTest, AnIndexBehindAnotherUsersTableIsAwaited) {
    ASSERT_NO_FATAL_FAILURE(UseKeys("W.DBF", "A", xbModeShared));
    ASSERT_EQ(xb_Commit(), xbOK);
    ShiftIndexHeader(Path("W.CDX"), -1, 0); // the index counts 2 records of the 3
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        xb_SetLockTimeout(20);
        xb_Select(0);
        if (xb_Use(Path("W.DBF"), "B", xbModeShared, xbCDX) == 0) ::_exit(10);
        xb_SetOrder(1);
        ::_exit(xb_Seek("K2") == 1 ? 0 : 11);
    }
    ::usleep(300000);
    ShiftIndexHeader(Path("W.CDX"), 1, 1); // the other user's change reaches the index
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Two users that find the index behind at once, beside a third that holds the table, bring it up
// to date together: each lets its shared lock go before it takes the lock for writing, so
// neither waits for the other's, and both find every key.
TEST_F(XbReasonTest, TwoReadersCatchingUpAtOnceDoNotWaitForEachOther) {
    ASSERT_NO_FATAL_FAILURE(UseKeys("T.DBF", "HOLDER", xbModeShared));
    ASSERT_EQ(xb_Commit(), xbOK);
    const auto catchUp = [this](int) {
        xb_Select(0);
        if (xb_Use(Path("T.DBF"), "READER", xbModeShared, xbCDX) == 0) return false;
        xb_SetOrder(1);
        return xb_Seek("K0") == 1 && xb_Seek("K2") == 1;
    };
    for (int round = 0; round < 10; ++round) {
        ShiftIndexHeader(Path("T.CDX"), -1, 1);
        ASSERT_TRUE(RunTogether(2, catchUp, std::chrono::seconds(20)));
    }
}

// An index file named in other letters than those on disk is the file on disk: a new order goes
// into it (open already or not), and no second file appears.
TEST_F(XbReasonTest, AnIndexNamedInOtherLettersIsTheFileOnDisk) {
    ASSERT_EQ(xb_Create(Path("T.DBF"), {{"KEY", 'C', 10, 0, 0}, {"NUM", 'N', 5, 0, 0}}, xbCDX),
              xbOK);
    ASSERT_GT(xb_Use(Path("T.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_IndexCreate("", "KEY", "KEY", "", 0, 0), 1);
    EXPECT_EQ(xb_IndexCreate(Path("t.cdx"), "NUM", "NUM", "", 0, 0), 2);
    EXPECT_EQ(xb_TagName(2), "NUM");
    EXPECT_EQ(xb_TagName(3), "");
    xb_Close();
    EXPECT_FALSE(std::filesystem::exists(Path("t.cdx")));
    ASSERT_GT(xb_Use(Path("T.DBF"), "", xbModeExclusive, xbCDX), 0);
    EXPECT_EQ(xb_TagName(1), "KEY");
    EXPECT_EQ(xb_TagName(2), "NUM");
}

TEST_F(XbReasonTest, AnUnreadableMemoReadsEmptyAndSaysWhy) {
    MakeLoans("M.DBF");
    ASSERT_GT(xb_Use(Path("M.DBF"), "", xbModeExclusive, xbCDX), 0);
    std::string image = xb_GetRecord();
    image.replace(static_cast<std::size_t>(xb_FieldOffset(6) - 1), 10, "    999999");
    ASSERT_EQ(xb_PutRecord(image), xbOK);
    xb_Use(Path("NONE.DBF"), "", xbModeShared, xbCDX);
    ASSERT_GT(xb_Select(1), 0);
    EXPECT_EQ(xb_LastError(), xbErrFileMissing); // a successful call leaves the last reason
    EXPECT_EQ(xb_GetString(6), "");
    EXPECT_EQ(xb_Empty(6), 1);
    EXPECT_EQ(xb_LastError(), xbErrDamagedMemo);
    EXPECT_NE(xb_LastErrorText().find("M.FPT"), std::string::npos);

    EXPECT_EQ(xb_Replace(99, xbReplaceText, "x"), xbBadArgument);
    EXPECT_EQ(xb_LastError(), xbErrNone); // a refused argument has no reason beyond its status
    EXPECT_EQ(xb_LastErrorText(), "");
}

// The disk is full for the index: a process may write no byte past the index's header page
// (the small table stays below that).
TEST_F(XbReasonTest, AnAppendTheIndexCannotTakeLeavesNoBlankRecord) {
    ASSERT_NO_FATAL_FAILURE(UseKeys("F.DBF", "", xbModeExclusive));
    xb_Close();
    const int status = RunInChild([&] {
        xb_CloseAll();
        if (xb_Use(Path("F.DBF"), "", xbModeShared, xbCDX) == 0) ::_exit(10);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (xb_AppendEx() != 0 || xb_Commit() != xbWriteFailed) ::_exit(11);
        if (xb_LastError() != xbErrDiskFull) ::_exit(12);
        if (xb_LastErrorText().find("F.CDX") == std::string::npos) ::_exit(13);
        return xb_RecCount() == 3;
    });
    ASSERT_EQ(status, 0); // exited 0, or with the code of the step that failed
    ASSERT_GT(xb_Use(Path("F.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 3);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("K2"), 1);
}

} // namespace
