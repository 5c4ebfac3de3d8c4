// What the engine answers reaches the caller: damaged and missing index files through the
// call interface and the datasets, each with the engine's reason, and the repair of a damaged
// index where the cursor has the table to itself.
#include "DataSetFixture.h"

#include "db/EngineServices.h"
#include "platform/rtl/Streams.h"
#include "tests/rtl/ChildProcesses.h"
#include "xbase/XbFile.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class EngineStatusTest : public DataSetFixture {
protected:
    // The page (definition or root) of tag n (from 0) of a production index, from the tag
    // directory of its header page.
    LongWord IndexPage(const std::string& index, int tag, bool root) {
        std::ifstream file(Path(index), std::ios::binary);
        char bytes[4] = {};
        file.seekg(48 + 16 * tag + (root ? 4 : 0));
        file.read(bytes, 4);
        return DecodeLE<LongWord>(bytes);
    }
    // Two bytes written over the entries of a page of an index file.
    void Damage(const std::string& index, LongWord page) {
        std::fstream file(Path(index), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(page) * 4096 + 40);
        file.write("\x5A\xA5", 2);
    }
    static std::string ErrorText(DBIResult code) {
        std::string text;
        DbiGetErrorString(code, &text);
        return text;
    }
    // LOANS.DBF with five names, its NAME order's leaf page damaged.
    void MakeDamagedLoans() {
        MakeLoans("LOANS.DBF", {{"DAVIS", 1}, {"ADAMS", 2}, {"MILLS", 3}, {"ZANE", 4}, {"KING", 5}});
        Damage("LOANS.CDX", IndexPage("LOANS.CDX", 0, true));
    }
};

TEST_F(EngineStatusTest, ADamagedOrderSharedWithOthersIsReportedNotTakenForTheEnd) {
    MakeDamagedLoans();
    // Other holders keep the table open, so nobody may rebuild its index.
    const TCursorHandle holder = Open("LOANS.DBF");
    const TCursorHandle other = Open("LOANS.DBF");
    ASSERT_NE(holder, 0u);
    TCursorHandle cursor = 0;
    EXPECT_EQ(DbiOpenTable(db_, "LOANS.DBF", nullptr, nullptr, "NAME", 0, dbiOpenReadWrite,
                           dbiShareShared, 2, false, nullptr, &cursor),
              dbiIndexDamaged);
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(ErrorText(dbiIndexDamaged).rfind("Index is damaged or does not match its table", 0),
              0u)
        << ErrorText(dbiIndexDamaged);
    EXPECT_NE(ErrorText(dbiIndexDamaged).find("LOANS.CDX"), std::string::npos);

    // Standing in the order already: each move, seek and range says so.
    TCursorHandle c = other;
    ASSERT_EQ(DbiSwitchToIndex(c, nullptr, "NAME", 0, false), dbiOK);
    std::string record = RecordBuffer(other);
    EXPECT_EQ(DbiSetToBegin(other), dbiIndexDamaged);
    EXPECT_EQ(DbiGetNextRecord(other, 0, record.data(), nullptr), dbiIndexDamaged);
    EXPECT_EQ(DbiSetToEnd(other), dbiIndexDamaged);
    EXPECT_EQ(DbiSetToKey(other, keySearchEq, true, 1, 0, "KING"), dbiIndexDamaged);
    EXPECT_EQ(DbiSetToKey(other, keySearchGt, true, 1, 0, "KING"), dbiIndexDamaged);
    EXPECT_EQ(DbiSetRange(other, true, 1, 0, "A", true, 1, 0, "M", true), dbiIndexDamaged);
    // Natural order reads every record still.
    ASSERT_EQ(DbiSwitchToIndex(c, nullptr, "", 0, false), dbiOK);
    EXPECT_EQ(Names(other), "DAVIS ADAMS MILLS ZANE KING ");
}

TEST_F(EngineStatusTest, ADamagedOrderIsRebuiltWhereTheCursorHasTheTableToItself) {
    MakeDamagedLoans();
    const TCursorHandle cursor = Open("LOANS.DBF", "NAME");
    ASSERT_NE(cursor, 0u);
    EXPECT_EQ(Names(cursor), "ADAMS DAVIS KING MILLS ZANE ");
    EXPECT_EQ(DbiSetToKey(cursor, keySearchEq, true, 1, 0, "KING"), dbiOK);
    TCursorHandle closing = cursor;
    DbiCloseCursor(closing);
    // The index on disk is whole again.
    const TCursorHandle again = Open("LOANS.DBF", "AMOUNT");
    const TCursorHandle second = Open("LOANS.DBF", "NAME");
    EXPECT_EQ(Names(second), "ADAMS DAVIS KING MILLS ZANE ");
    EXPECT_EQ(Names(again), "DAVIS ADAMS MILLS ZANE KING ");
}

TEST_F(EngineStatusTest, DamagedAndMissingIndexFilesAreNamedOnOpening) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
    Damage("LOANS.CDX", IndexPage("LOANS.CDX", 0, false));
    TCursorHandle cursor = 0;
    EXPECT_EQ(DbiOpenTable(db_, "LOANS.DBF", nullptr, nullptr, "NAME", 0, dbiOpenReadWrite,
                           dbiShareShared, 2, false, nullptr, &cursor),
              dbiIndexDamaged);
    EXPECT_NE(ErrorText(dbiIndexDamaged).find("LOANS.CDX"), std::string::npos);

    std::filesystem::remove(Path("LOANS.CDX"));
    EXPECT_EQ(DbiOpenTable(db_, "LOANS.DBF", nullptr, nullptr, "NAME", 0, dbiOpenReadWrite,
                           dbiShareShared, 2, false, nullptr, &cursor),
              dbiNoSuchIndex);
    EXPECT_EQ(ErrorText(dbiNoSuchIndex).rfind("Index file not found: ", 0), 0u)
        << ErrorText(dbiNoSuchIndex);
    EXPECT_NE(ErrorText(dbiNoSuchIndex).find("LOANS.CDX"), std::string::npos);
    // Without an order the table opens.
    EXPECT_NE(Open("LOANS.DBF"), 0u);
    MakeLoans("OTHER.DBF", {{"ADAMS", 1}});
    EXPECT_EQ(DbiOpenTable(db_, "OTHER.DBF", nullptr, nullptr, "NOSUCH", 0, dbiOpenReadWrite,
                           dbiShareShared, 2, false, nullptr, &cursor),
              dbiNoSuchIndex);
    EXPECT_EQ(ErrorText(dbiNoSuchIndex), "Index tag not found: NOSUCH");
}

TEST_F(EngineStatusTest, ADatasetOnADamagedOrderRaisesTheEnginesReason) {
    MakeDamagedLoans();
    TTestTable holder(folder_.Path(), "LOANS.DBF");
    holder.Open();
    TTestTable table(folder_.Path(), "LOANS.DBF", "NAME");
    try {
        table.Open();
        FAIL() << "a damaged order opened as an empty table";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.Errors(0).ErrorCode, dbiIndexDamaged);
        EXPECT_EQ(std::string(e.what()).rfind("Index is damaged or does not match its table", 0),
                  0u)
            << e.what();
    }
    EXPECT_FALSE(table.Active());
    holder.Close();
    table.Open();
    EXPECT_EQ(table.RecordCount() > 0, true);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ADAMS");
}

// Renames record recno of LOANS.DBF in a process of its own, the table opened shared.
void RenameElsewhere(const std::string& path, LongInt recno, const std::string& name) {
    const int status = RunInChild([&] {
        const bool ok = xb_Use(path, "OTHER", xbModeShared, xbCDX) > 0 && xb_Go(recno) == xbOK;
        std::string image = ok ? xb_GetRecord() : std::string();
        if (ok) image.replace(1, 10, (name + std::string(10, ' ')).substr(0, 10));
        return ok && xb_PutRecord(image) == xbOK && xb_Close() == xbOK;
    });
    ASSERT_EQ(status, 0);
}

TEST_F(EngineStatusTest, ASharedReaderReadsInBlocksYetSeesEveryWrite) {
    // More records than one block holds, appended by a sole user at once.
    MakeLoans("LOANS.DBF", {}, xbCDX, false);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "MAKE", xbModeExclusive, xbCDX), 0);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(xb_AppendEx(), 0);
        xb_Replace(1, xbReplaceText, "N" + std::to_string(i));
    }
    ASSERT_EQ(xb_Close(), xbOK);
    const TCursorHandle reader = Open("LOANS.DBF");
    const TCursorHandle writer = Open("LOANS.DBF");
    std::string record = RecordBuffer(reader);
    DbiSetToBegin(reader);
    ASSERT_EQ(DbiGetNextRecord(reader, 0, record.data(), nullptr), dbiOK);
    ASSERT_EQ(DbiGetNextRecord(reader, 0, record.data(), nullptr), dbiOK);
    EXPECT_EQ(TrimmedName(record), "N1");
    // Another work area of this process changes the next record: read at once.
    std::string other = RecordBuffer(writer);
    ASSERT_EQ(DbiSetToSeqNo(writer, 3), dbiOK);
    ASSERT_EQ(DbiGetRecord(writer, 1, other.data(), nullptr), dbiOK);
    DbiPutField(writer, 1, other.data(), "CHANGED");
    ASSERT_EQ(DbiModifyRecord(writer, other.data(), true), dbiOK);
    ASSERT_EQ(DbiGetNextRecord(reader, 0, record.data(), nullptr), dbiOK);
    EXPECT_EQ(TrimmedName(record), "CHANGED");
    // Another process changes records further on: a new position reads them anew at once, and
    // stepping on reads them a moment later.
    RenameElsewhere(Path("LOANS.DBF"), 5, "FAR");
    ASSERT_EQ(DbiSetToSeqNo(reader, 5), dbiOK);
    ASSERT_EQ(DbiGetRecord(reader, 0, record.data(), nullptr), dbiOK);
    EXPECT_EQ(TrimmedName(record), "FAR");
    RenameElsewhere(Path("LOANS.DBF"), 6, "NEXT");
    ::usleep(30000);
    ASSERT_EQ(DbiGetNextRecord(reader, 0, record.data(), nullptr), dbiOK);
    EXPECT_EQ(TrimmedName(record), "NEXT");
    // Every record of the table is read once, in order, the block boundaries included.
    DbiSetToBegin(reader);
    int count = 0;
    while (DbiGetNextRecord(reader, 0, record.data(), nullptr) == dbiOK) {
        if (count > 6) {
            ASSERT_EQ(TrimmedName(record), "N" + std::to_string(count));
        }
        ++count;
    }
    EXPECT_EQ(count, 3000);
    // And backwards.
    DbiSetToEnd(reader);
    while (DbiGetPriorRecord(reader, 0, record.data(), nullptr) == dbiOK) {
        --count;
        if (count > 6) {
            ASSERT_EQ(TrimmedName(record), "N" + std::to_string(count));
        }
    }
    EXPECT_EQ(count, 0);
}

TEST_F(EngineStatusTest, IndexesAreMadeAnewWhenTheTableIsAlone) {
    MakeLoans("LOANS.DBF", {{"DAVIS", 1}, {"ADAMS", 2}, {"MILLS", 3}}, xbCDX, false);
    TIndexDesc byName;
    byName.TagName = "NAME";
    byName.KeyExpression = "NAME";
    TIndexDesc byAmount;
    byAmount.TagName = "AMOUNT";
    byAmount.KeyExpression = "AMOUNT";
    byAmount.Descending = true;
    Session()->Open();
    // No index file at all, and another holder: nothing can be done yet.
    const TCursorHandle holder = Open("LOANS.DBF");
    EXPECT_EQ(MessageOf([&] { RebuildIndexes(Path("LOANS.DBF"), {byName, byAmount}, ttXBFOX); }),
              "File is in use by another user: \"" + Path("LOANS.DBF") + "\"");
    EXPECT_FALSE(std::filesystem::exists(Path("LOANS.CDX")));
    TCursorHandle closing = holder;
    DbiCloseCursor(closing);
    RebuildIndexes(Path("LOANS.DBF"), {byName, byAmount}, ttXBFOX);
    EXPECT_EQ(Names(Open("LOANS.DBF", "NAME")), "ADAMS DAVIS MILLS ");
    xb_CloseAll();

    // A damaged tag definition, which no open gets past, is made anew too.
    Damage("LOANS.CDX", IndexPage("LOANS.CDX", 1, false));
    TCursorHandle cursor = 0;
    ASSERT_EQ(DbiOpenTable(db_, "LOANS.DBF", nullptr, nullptr, "AMOUNT", 0, dbiOpenReadWrite,
                           dbiShareShared, 2, false, nullptr, &cursor),
              dbiIndexDamaged);
    RebuildIndexes(Path("LOANS.DBF"), {byName, byAmount}, ttXBFOX);
    EXPECT_EQ(Names(Open("LOANS.DBF", "AMOUNT")), "MILLS ADAMS DAVIS ");
    EXPECT_EQ(MessageOf([&] { RebuildIndexes(Path("NONE.DBF"), {byName}, ttXBFOX); })
                  .rfind("File Open Error: File not found", 0),
              0u);
}

TEST_F(EngineStatusTest, BookmarksTakenBeforeAPackAreRefusedAfterIt) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}, {"BAKER", 2}, {"CAREY", 3}});
    const TCursorHandle cursor = Open("LOANS.DBF", nullptr, dbiShareExclusive);
    std::string record = RecordBuffer(cursor);
    DbiSetToBegin(cursor);
    DbiGetNextRecord(cursor, 0, record.data(), nullptr);
    std::array<char, dbiBookmarkSize> adams{}, carey{};
    DbiGetBookMark(cursor, adams.data());
    DbiGetNextRecord(cursor, 0, record.data(), nullptr);
    DbiGetNextRecord(cursor, 0, record.data(), nullptr);
    DbiGetBookMark(cursor, carey.data());
    ASSERT_EQ(DbiSetToBookMark(cursor, adams.data()), dbiOK);
    ASSERT_EQ(DbiDeleteRecord(cursor, record.data()), dbiOK);
    // Before the pack a bookmark still stands on its record.
    ASSERT_EQ(DbiSetToBookMark(cursor, carey.data()), dbiOK);
    {
        TWA wa(cursor);
        ASSERT_EQ(xb_Pack(), xbOK);
    }
    // CAREY is record 2 now; its old number 3 is no record, ADAMS's old 1 is BAKER.
    EXPECT_EQ(DbiSetToBookMark(cursor, adams.data()), dbiStaleBookmark);
    EXPECT_EQ(DbiSetToBookMark(cursor, carey.data()), dbiStaleBookmark);
    EXPECT_EQ(ErrorText(dbiStaleBookmark), "The table was packed since the bookmark was taken");
    int compare = 0;
    EXPECT_EQ(DbiCompareBookMarks(cursor, adams.data(), carey.data(), &compare), dbiStaleBookmark);
    std::array<char, dbiBookmarkSize> fresh{};
    DbiSetToBegin(cursor);
    DbiGetNextRecord(cursor, 0, record.data(), nullptr);
    DbiGetBookMark(cursor, fresh.data());
    DbiSetToEnd(cursor);
    ASSERT_EQ(DbiSetToBookMark(cursor, fresh.data()), dbiOK);
    ASSERT_EQ(DbiGetRecord(cursor, 0, record.data(), nullptr), dbiOK);
    EXPECT_EQ(TrimmedName(record), "BAKER");
}

TEST_F(EngineStatusTest, ADatasetBookmarkOutlivesEditsButNotAPack) {
    TTestTable& table = OpenLoans({"A", "B", "C"});
    table.Last();
    const std::vector<char> mark = table.GetBookmark();
    table.First();
    table.Edit();
    table.FieldByName("NAME")->SetAsString("AA");
    table.Post();
    table.GotoBookmark(mark);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "C");
    table.First();
    table.Delete();
    table.Close();
    TTable packer(nullptr);
    packer.SetDatabaseName(folder_.Path() + "/");
    packer.SetTableName("LOANS.DBF");
    packer.SetExclusive(true);
    packer.Open();
    {
        TWA wa(packer.Handle());
        ASSERT_EQ(xb_Pack(), xbOK);
    }
    packer.Close();
    table.Open();
    EXPECT_EQ(MessageOf([&] { table.GotoBookmark(mark); }),
              "The table was packed since the bookmark was taken");
}

// The dataset's error carries the engine's reason and its file beside its code, which alone
// cannot tell a full disk from another refused write.
TEST_F(EngineStatusTest, ADatasetErrorTellsTheEnginesReasonAndFile) {
    TTestTable& table = OpenLoans({"A"});
    table.Append();
    XbSetWriteFailure(1, std::numeric_limits<long>::max(), ENOSPC, "LOANS.DBF");
    try {
        table.Post();
        ADD_FAILURE() << "a write the full disk refused was posted";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.Errors(0).ErrorCode, dbiWriteFailed);
        EXPECT_EQ(e.Reason(), xbErrDiskFull);
        EXPECT_EQ(e.ReasonFile(), Path("LOANS.DBF"));
    }
    XbSetWriteFailure(std::nullopt);
    table.Cancel();
}

} // namespace
