// The engine's call interface: tables, records, navigation, orders, seeks, scopes, conditions
// and settings.
#include "tests/xbase/XbFixture.h"

#include "platform/rtl/Modules.h"
#include "platform/rtl/Streams.h"
#include "xbase/XbArea.h"
#include "xbase/XbModule.h"
#include "xbase/XbTable.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

class XbaseTest : public XbFixture {
protected:
    // Creates LOANS.DBF with five loans and opens it exclusively (driver CDX).
    void MakeLoans(int mode = xbModeExclusive) {
        UseNewLoans("LOANS.DBF", xbCDX);
        AddLoan("L3", "Carter", 300);
        AddLoan("L1", "Adams", 100);
        AddLoan("L5", "Evans", 500);
        AddLoan("L2", "Baker", 200);
        AddLoan("L4", "Dunn", 400);
        if (mode != xbModeExclusive) {
            xb_Close();
            ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", mode, xbCDX), 0);
        }
    }
};

TEST_F(XbaseTest, CreateAppendReplaceAndReopen) {
    MakeLoans();
    ASSERT_EQ(xb_Go(2), xbOK);
    EXPECT_EQ(xb_Replace(4, xbReplaceDateText, "02/29/2024"), xbOK);
    EXPECT_EQ(xb_Replace(5, xbReplaceLogical, true), xbOK);
    EXPECT_EQ(xb_Replace(6, xbReplaceMemo, "first loan"), xbOK);
    EXPECT_EQ(xb_Commit(), xbOK);
    xb_Close();

    ASSERT_GT(xb_Use(Path("loans.dbf"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 5);
    EXPECT_EQ(xb_FieldCount(), 6);
    EXPECT_EQ(xb_RecSize(), 1 + 9 + 20 + 12 + 8 + 1 + 10);
    EXPECT_EQ(xb_FieldOffset(1), 2);
    EXPECT_EQ(xb_FieldOffset(2), 11);
    EXPECT_EQ(xb_FieldName(3), "AMOUNT");
    EXPECT_EQ(xb_FieldNum("amount"), 3);
    EXPECT_EQ(xb_FieldType(4), "D");
    EXPECT_EQ(xb_FieldWidth(3), 12);
    EXPECT_EQ(xb_FieldDecimals(3), 2);
    EXPECT_EQ(xb_FieldName(7), "");
    EXPECT_EQ(xb_Alias(), "LOANS");

    xb_Go(2);
    EXPECT_EQ(xb_GetString(1), "L1       ");
    EXPECT_EQ(xb_GetTrimString(2), "Adams");
    EXPECT_EQ(xb_GetString(3), "      100.00");
    EXPECT_EQ(xb_GetString(4), "20240229");
    EXPECT_EQ(xb_GetDateString(4), "02/29/24");
    EXPECT_EQ(xb_GetLogical(5), 1);
    EXPECT_EQ(xb_GetString(6), "first loan");
    EXPECT_EQ(xb_Empty(4), 0);
    xb_Go(3);
    EXPECT_EQ(xb_Empty(4), 1);
    EXPECT_EQ(xb_Empty(5), 1);
    EXPECT_EQ(xb_Empty(6), 1);
    const std::string image = xb_GetRecord();
    ASSERT_EQ(static_cast<int>(image.size()), xb_RecSize());
    EXPECT_EQ(image[0], ' ');
    EXPECT_EQ(image.substr(1, 2), "L5");
}

TEST_F(XbaseTest, ReplaceRefusesWhatDoesNotFit) {
    MakeLoans();
    xb_Go(1);
    EXPECT_EQ(xb_Replace(3, xbReplaceDouble, 1e12), xbBadArgument);
    EXPECT_EQ(xb_Replace(3, xbReplaceDouble, -1234.567), xbOK);
    EXPECT_EQ(xb_GetString(3), "    -1234.57");
    EXPECT_EQ(xb_Replace(4, xbReplaceDateText, "13/45/24"), xbBadArgument);
    EXPECT_EQ(xb_Replace(5, xbReplaceDouble, 1.0), xbBadArgument);
    EXPECT_EQ(xb_Replace(9, xbReplaceText, "x"), xbBadArgument);
    EXPECT_EQ(xb_Replace(3, xbReplaceText, "12a"), xbBadArgument);
    EXPECT_EQ(xb_Replace(3, xbReplaceText, "1.2.3"), xbBadArgument);
    EXPECT_EQ(xb_Replace(3, xbReplaceText, "a12"), xbBadArgument); // no sign: the first counts
    EXPECT_EQ(xb_Replace(3, xbReplaceText, "-12.5"), xbOK);
    EXPECT_EQ(xb_GetString(3), "       -12.5");
    EXPECT_EQ(xb_Replace(3, xbReplaceText, ""), xbOK);
    EXPECT_EQ(xb_Empty(3), 1);
    EXPECT_EQ(xb_Replace(1, xbReplaceText, "TOO-LONG-LOAN-NUMBER"), xbOK);
    EXPECT_EQ(xb_GetString(1), "TOO-LONG-");
    // A logical field from text: T, Y, F, N in either case, ? for unknown, else blank.
    const std::pair<const char*, const char*> logicals[] = {
        {"yes", "T"}, {"t", "T"}, {"No", "F"}, {"f", "F"}, {"?", "?"}, {"x", " "}, {"", " "}};
    for (const auto& [text, stored] : logicals) {
        EXPECT_EQ(xb_Replace(5, xbReplaceText, text), xbOK);
        EXPECT_EQ(xb_GetString(5), stored) << text;
    }
}

TEST_F(XbaseTest, PutRecordMovesTheWholeImage) {
    MakeLoans();
    xb_Go(4);
    std::string image = xb_GetRecord();
    image.replace(1, 2, "L9");
    EXPECT_EQ(xb_PutRecord(image), xbOK);
    EXPECT_EQ(xb_PutRecord(image.substr(1)), xbBadArgument);
    xb_Go(1);
    xb_Go(4);
    EXPECT_EQ(xb_GetTrimString(1), "L9");
    xb_Go(99);
    EXPECT_EQ(xb_PutRecord(image), xbBadArgument); // no current record at the end
}

TEST_F(XbaseTest, DeleteHideAndPack) {
    MakeLoans();
    xb_Go(2);
    EXPECT_EQ(xb_Delete(), xbOK);
    EXPECT_EQ(xb_Deleted(), 1);
    EXPECT_EQ(Walk(), "L3 L1 L5 L2 L4 ");
    xb_SetDeleted(1);
    EXPECT_EQ(Walk(), "L3 L5 L2 L4 ");
    xb_Go(2);
    EXPECT_EQ(xb_RecNo(), 2); // going to a record ignores the deleted setting
    xb_SetDeleted(0);

    EXPECT_EQ(xb_Pack(), xbOK);
    EXPECT_EQ(xb_RecCount(), 4);
    EXPECT_EQ(Walk(), "L3 L5 L2 L4 ");
    xb_Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 4);
    EXPECT_EQ(xb_Pack(), xbNotExclusive);
    xb_Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeReadOnly, xbCDX), 0);
    EXPECT_EQ(xb_Pack(), xbReadOnly);
    EXPECT_EQ(xb_AppendEx(), xbReadOnly);
}

// An order that cannot be made (a tag name with a blank, a key of an unknown field) leaves the
// table in record order at its first record, with no order controlling.
TEST_F(XbaseTest, AFailedNewOrderLeavesTheTableInRecordOrderAtTheTop) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    for (const auto& [tag, key] : {std::pair{"BAD TAG", "LOANNO"}, std::pair{"NOKEY", "NOSUCH"}}) {
        SCOPED_TRACE(tag);
        ASSERT_EQ(xb_Go(3), xbOK);
        EXPECT_EQ(xb_IndexCreate("", tag, key, "", 0, 0), 0);
        EXPECT_EQ(xb_IndexOrd(), 0);
        EXPECT_EQ(xb_RecNo(), 1);
        EXPECT_EQ(Walk(), "L3 L1 L5 L2 L4 "); // as the records were added
    }
}

TEST_F(XbaseTest, PackRebuildsTheOrders) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Go(1);
    xb_Delete();
    EXPECT_EQ(xb_Pack(), xbOK);
    EXPECT_EQ(Walk(), "L1 L2 L4 L5 ");
    EXPECT_EQ(xb_Seek("L4"), 1);
    EXPECT_EQ(xb_RecNo(), 4);
}

TEST_F(XbaseTest, NavigationAtBothEnds) {
    UseNewLoans("EMPTY.DBF", xbNTX, xbModeShared);
    xb_GoTop();
    EXPECT_TRUE(xb_Bof() && xb_Eof());
    EXPECT_EQ(xb_RecNo(), 1);
    xb_Close();

    MakeLoans();
    xb_GoTop();
    EXPECT_EQ(xb_RecNo(), 1);
    EXPECT_FALSE(xb_Bof());
    xb_Skip(-1);
    EXPECT_TRUE(xb_Bof());
    EXPECT_EQ(xb_RecNo(), 1);
    xb_GoBottom();
    EXPECT_EQ(xb_RecNo(), 5);
    xb_Skip(1);
    EXPECT_TRUE(xb_Eof());
    EXPECT_EQ(xb_RecNo(), 6);
    EXPECT_EQ(xb_GetTrimString(1), "");
    xb_Skip(1);
    EXPECT_TRUE(xb_Eof());
    xb_Skip(-1);
    EXPECT_FALSE(xb_Eof());
    EXPECT_EQ(xb_RecNo(), 5);
    xb_Skip(-3);
    EXPECT_EQ(xb_RecNo(), 2);
    xb_Skip(-5);
    EXPECT_TRUE(xb_Bof());
    EXPECT_EQ(xb_RecNo(), 1);
    xb_Go(0);
    EXPECT_TRUE(xb_Eof());
    xb_Go(7);
    EXPECT_TRUE(xb_Eof());
    EXPECT_EQ(xb_RecNo(), 6);
}

TEST_F(XbaseTest, OrdersConditionsAndDeletedRecords) {
    MakeLoans();
    const int byName = xb_IndexCreate("", "NAME", "UPPER(NAME)", "", 0, 0);
    const int byAmountDesc = xb_IndexCreate("", "AMTDESC", "AMOUNT", "", 0, 1);
    ASSERT_GT(byName, 0);
    ASSERT_GT(byAmountDesc, 0);
    EXPECT_EQ(xb_SysProp(3000, 0), 2);
    EXPECT_EQ(xb_SysProp(3002, byAmountDesc), 1);
    EXPECT_EQ(xb_TagName(byName), "NAME");
    EXPECT_EQ(xb_TagName(3), "");
    EXPECT_EQ(xb_TagArea("amtdesc"), byAmountDesc);

    xb_SetOrder(byName);
    EXPECT_EQ(xb_IndexKey(), "UPPER(NAME)");
    EXPECT_EQ(xb_IndexType(), 1);
    EXPECT_EQ(Walk(), "L1 L2 L3 L4 L5 ");
    xb_SetOrder(byAmountDesc);
    EXPECT_EQ(Walk(), "L5 L4 L3 L2 L1 ");
    xb_GoBottom();
    EXPECT_EQ(xb_GetTrimString(1), "L1");
    xb_Skip(1);
    EXPECT_TRUE(xb_Eof());
    xb_Skip(-2);
    EXPECT_EQ(xb_GetTrimString(1), "L2");
    EXPECT_EQ(xb_OrderRecNo(), 4);

    // Setting the order keeps the current record.
    EXPECT_EQ(xb_SetOrder(0), byAmountDesc);
    EXPECT_EQ(xb_GetTrimString(1), "L2");
    EXPECT_EQ(xb_OrderRecNo(), 4); // record number in natural order

    xb_SetOrder(byName);
    EXPECT_EQ(xb_Query("AMOUNT >= 200 .AND. AMOUNT < 500"), xbOK);
    EXPECT_EQ(xb_DBFilter(), "AMOUNT >= 200 .AND. AMOUNT < 500");
    EXPECT_EQ(Walk(), "L2 L3 L4 ");
    EXPECT_EQ(xb_QueryRecCount(), 3);
    xb_Go(2); // going to a record ignores the condition
    EXPECT_EQ(xb_GetTrimString(1), "L1");
    xb_Skip(1);
    EXPECT_EQ(xb_GetTrimString(1), "L2");
    xb_Skip(-1);
    EXPECT_TRUE(xb_Bof());
    EXPECT_EQ(xb_GetTrimString(1), "L2");

    EXPECT_NE(xb_Query("AMOUNT >"), xbOK); // a syntax error keeps the old condition
    EXPECT_EQ(xb_DBFilter(), "AMOUNT >= 200 .AND. AMOUNT < 500");
    EXPECT_NE(xb_Query("NAME"), xbOK); // not a logical condition

    xb_SetSoftSeek(0);
    xb_Seek("CARTER");
    xb_Delete();
    xb_SetDeleted(1);
    EXPECT_EQ(Walk(), "L2 L4 ");
    EXPECT_EQ(xb_QueryRecCount(), 2);
    xb_SetDeleted(0);
    EXPECT_EQ(xb_Query(""), xbOK);
    EXPECT_EQ(xb_DBFilter(), "");
    EXPECT_EQ(Walk(), "L1 L2 L3 L4 L5 ");

    EXPECT_EQ(xb_Query("LOANNO = 'none'"), xbOK);
    xb_GoTop();
    EXPECT_TRUE(xb_Bof() && xb_Eof());
}

TEST_F(XbaseTest, SeekExactPrefixAndSoft) {
    MakeLoans();
    AddLoan("L10", "Young", 1000);
    EXPECT_EQ(xb_Seek("L1"), 0); // no controlling order
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);

    EXPECT_EQ(xb_Seek("L1"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "L1");
    EXPECT_EQ(xb_KeyData(), "L1       ");
    xb_SetExact(1);
    EXPECT_EQ(xb_Seek("L1"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "L1");
    EXPECT_EQ(xb_Seek("L1 "), 1); // trailing blanks do not count
    EXPECT_EQ(xb_Seek("L"), 0);
    EXPECT_TRUE(xb_Eof());
    xb_SetExact(0);
    EXPECT_EQ(xb_Seek("L"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "L1");

    EXPECT_EQ(xb_Seek("L35"), 0);
    EXPECT_TRUE(xb_Eof());
    xb_SetSoftSeek(1);
    EXPECT_EQ(xb_Seek("L35"), 0);
    EXPECT_FALSE(xb_Eof());
    EXPECT_EQ(xb_GetTrimString(1), "L4");
    EXPECT_EQ(xb_Seek("Z"), 0);
    EXPECT_TRUE(xb_Eof());
    EXPECT_EQ(xb_SysProp(1000, 0), 1);
}

TEST_F(XbaseTest, ScopesArePrefixRangesOnTheOrder) {
    UseNewLoans("TRANS.DBF", xbNSX);
    for (const char* loan : {"000000002", "000000001", "000000003", "000000002", "000000002"})
        AddLoan(loan, "row", 1);
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    EXPECT_EQ(xb_SetScope("000000002", "000000002"), xbOK);
    xb_GoTop();
    EXPECT_EQ(xb_RecNo(), 1);
    int rows = 0;
    for (; !xb_Eof(); xb_Skip(1))
        ++rows;
    EXPECT_EQ(rows, 3);
    xb_GoBottom();
    EXPECT_EQ(xb_RecNo(), 5);
    xb_Skip(-5);
    EXPECT_TRUE(xb_Bof());
    EXPECT_EQ(xb_RecNo(), 1);
    EXPECT_EQ(xb_QueryRecCount(), 3);

    EXPECT_EQ(xb_SetScope("000000002", ""), xbOK); // open at the top
    EXPECT_EQ(Walk(), "000000002 000000002 000000002 000000003 ");
    EXPECT_EQ(xb_SetScope("", "000000001"), xbOK);
    EXPECT_EQ(Walk(), "000000001 ");
    EXPECT_EQ(xb_SetScope("00000000", "00000000"), xbOK); // prefix comparison
    EXPECT_EQ(xb_QueryRecCount(), 5);
    EXPECT_EQ(xb_SetScope("000000009", "000000009"), xbOK);
    xb_GoTop();
    EXPECT_TRUE(xb_Bof() && xb_Eof());
    EXPECT_EQ(xb_SetScope("", ""), xbOK);
    xb_GoTop();
    EXPECT_EQ(xb_QueryRecCount(), 5);
}

TEST_F(XbaseTest, UniqueOrderRefusesADuplicateAndChangesNothing) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 1, 0), 0);
    EXPECT_EQ(xb_IndexType(), 2);
    xb_Seek("L2");
    const LongInt recno = xb_RecNo();
    std::string image = xb_GetRecord();
    image.replace(1, 2, "L3");
    EXPECT_EQ(xb_PutRecord(image), xbKeyViolation);
    xb_Go(recno);
    EXPECT_EQ(xb_GetTrimString(1), "L2");
    EXPECT_EQ(Walk(), "L1 L2 L3 L4 L5 ");

    // A blank key is a key too, once written: an append's placeholder is none, so a second
    // append goes through (the first blank is written as it stands when the cursor leaves it),
    // and the second blank is refused, and goes, when the cursor leaves it unwritten.
    EXPECT_EQ(xb_AppendEx(), 0);
    EXPECT_EQ(xb_AppendEx(), 0);
    EXPECT_EQ(xb_Go(6), xbKeyViolation);
    EXPECT_EQ(xb_RecCount(), 6);

    // A new record whose first write is refused is taken back again.
    xb_Go(6); // the blank record
    xb_Replace(1, xbReplaceText, "L6");
    ASSERT_EQ(xb_Commit(), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0);
    image = xb_GetRecord();
    image.replace(1, 2, "L1");
    EXPECT_EQ(xb_PutRecord(image), xbKeyViolation);
    EXPECT_TRUE(xb_Eof());
    EXPECT_EQ(xb_RecCount(), 6);
    ASSERT_EQ(xb_AppendEx(), 0);
    image.replace(1, 2, "L7");
    EXPECT_EQ(xb_PutRecord(image), xbOK);
    EXPECT_EQ(Walk(), "L1 L2 L3 L4 L5 L6 L7 ");

    // A conditional unique order only counts the records its condition admits.
    ASSERT_GT(xb_IndexCreate("", "BIG", "NAME", "AMOUNT > 250", 1, 0), 0);
    EXPECT_EQ(xb_IndexType(), 4);
    EXPECT_EQ(xb_IndexCondition(), "AMOUNT > 250");
    EXPECT_EQ(Walk(), "L3 L4 L5 ");
}

TEST_F(XbaseTest, APendingChangeThatCannotBeWrittenIsReportedAndKept) {
    // Another area holds the record's lock, so the change waits in the buffer.
    MakeLoans(xbModeShared);
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    const int mine = xb_WorkArea();
    xb_Select(0);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "OTHER", xbModeShared, xbCDX), 0);
    ASSERT_EQ(xb_Rlock(3), 1);
    xb_Select(mine);
    xb_SetOrder(0);
    ASSERT_EQ(xb_Go(3), xbOK);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "Changed"), xbOK);
    const auto expectKept = [] {
        EXPECT_EQ(xb_LastError(), xbErrLocked);
        EXPECT_EQ(xb_RecNo(), 3);
        EXPECT_EQ(xb_GetTrimString(2), "Changed");
    };
    EXPECT_EQ(xb_SetOrder(1), 0); // the order changes; the change stays for the next write
    expectKept();
    EXPECT_EQ(xb_Seek("L1"), -xbLockRefused);
    expectKept();
    EXPECT_EQ(xb_Query("AMOUNT > 0"), xbLockRefused);
    expectKept();
    EXPECT_EQ(xb_DBFilter(), "");
    EXPECT_EQ(xb_QueryRecCount(), 5);
    expectKept();
    EXPECT_EQ(xb_Reindex(), xbLockRefused);
    expectKept();
    EXPECT_EQ(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    expectKept();
    EXPECT_EQ(xb_TagArea("NAME"), 0);

    xb_Select(xb_WorkArea("OTHER"));
    xb_Unlock(0);
    xb_Select(mine);
    EXPECT_EQ(xb_Seek("L1"), 1);
    xb_Go(3);
    EXPECT_EQ(xb_GetTrimString(2), "Changed");
}

TEST_F(XbaseTest, ProductionIndexAndFileNamesWithoutRegardToCase) {
    ASSERT_EQ(xb_Create(Path("accnts.dbf"), LoanFields(), xbNSX), xbOK);
    ASSERT_GT(xb_Use(Path("ACCNTS.DBF"), "", xbModeExclusive, xbNSX), 0);
    AddLoan("B", "b", 2);
    AddLoan("A", "a", 1);
    ASSERT_GT(xb_IndexCreate("", "ACCNTS", "LOANNO", "", 0, 0), 0);
    EXPECT_EQ(xb_Replace(6, xbReplaceMemo, "memo"), xbOK);
    xb_Close();
    EXPECT_TRUE(std::filesystem::exists(Path("accnts.nsx")));
    EXPECT_TRUE(std::filesystem::exists(Path("accnts.fpt")));

    const int area = xb_Use(Path("ACCNTS.DBF"), "", xbModeShared, xbNSX);
    ASSERT_GT(area, 0);
    EXPECT_EQ(xb_SysProp(3000, 0), 1);
    EXPECT_EQ(xb_IndexOrd(), 0);
    xb_SetOrder(xb_TagArea("ACCNTS"));
    EXPECT_EQ(Walk(), "A B ");
    xb_Seek("A");
    EXPECT_EQ(xb_GetString(6), "memo");
    AddLoan("0", "zero", 0); // every open order follows the append
    EXPECT_EQ(Walk(), "0 A B ");
    EXPECT_EQ(xb_WorkArea("accnts"), area);
    EXPECT_EQ(xb_WorkArea(), area);
    EXPECT_EQ(xb_WorkArea("none"), 0);
}

TEST_F(XbaseTest, StandaloneIndexFiles) {
    MakeLoans();
    ASSERT_EQ(xb_IndexCreate(Path("byname.ntx"), "", "NAME", "", 0, 1), 1);
    EXPECT_EQ(xb_TagName(1), "BYNAME");
    xb_Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbNTX), 0);
    EXPECT_EQ(xb_SysProp(65006, 0), 1);
    EXPECT_EQ(xb_IndexOpen(Path("BYNAME")), 1);
    EXPECT_EQ(xb_IndexOpen(Path("byname.ntx")), 1); // already open
    EXPECT_EQ(xb_IndexOpen(Path("missing.ntx")), 0);
    EXPECT_EQ(xb_IndexName(1), Path("byname.ntx"));
    xb_SetOrder(1);
    EXPECT_EQ(Walk(), "L5 L4 L3 L2 L1 ");
    EXPECT_EQ(xb_IndexKeyField(), "NAME");
}

TEST_F(XbaseTest, AnIndexLeftBehindIsRebuiltOrRefusedWhenOpened) {
    // The index file is left behind while the table changes without it: "Dunn" becomes
    // "Aaron". Opened again, it no longer matches the table.
    MakeLoans();
    ASSERT_EQ(xb_IndexCreate(Path("byname.ntx"), "", "NAME", "", 0, 0), 1);
    xb_Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "A", xbModeShared, xbNTX), 0);
    xb_Go(5);
    ASSERT_EQ(xb_Replace(2, xbReplaceText, "Aaron"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    // Another holder has the table open and may write it: under the index's lock the area that
    // opens it finds it behind with no writer at work, and rebuilds it there. Read-only, it
    // orders the table for itself and leaves the file as it is.
    const std::string behind = ReadAll(Path("byname.ntx"));
    xb_Select(0);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "B", xbModeReadOnly, xbNTX), 0);
    EXPECT_EQ(xb_IndexOpen(Path("byname.ntx")), 1);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("Aaron"), 1);
    EXPECT_EQ(Walk(), "L4 L1 L2 L3 L5 ");
    xb_Close();
    EXPECT_EQ(ReadAll(Path("byname.ntx")), behind);
    xb_Select(0);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "B", xbModeShared, xbNTX), 0);
    EXPECT_EQ(xb_IndexOpen(Path("byname.ntx")), 1);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("Aaron"), 1);
    xb_Close();
    // With the files to itself, the area rebuilds it.
    xb_Select(xb_WorkArea("A"));
    ASSERT_EQ(xb_IndexOpen(Path("byname.ntx")), 1);
    xb_SetOrder(1);
    EXPECT_EQ(Walk(), "L4 L1 L2 L3 L5 ");
    std::string back;
    for (xb_GoBottom(); !xb_Bof() && back.size() < 40; xb_Skip(-1))
        back += xb_GetTrimString(1) + " ";
    EXPECT_EQ(back, "L5 L3 L2 L1 L4 ");
}

// Another program writes NAME of a record over in place, keeping the table's header: the
// record count and the update stamp stay, only the file's change time tells.
void EditNameInPlace(const std::string& path, LongInt recno, const std::string& name) {
    std::string bytes = ReadAll(path);
    const std::size_t headerSize = DecodeLE<Word>(&bytes[8]);
    const std::size_t recordSize = DecodeLE<Word>(&bytes[10]);
    std::string field = name;
    field.resize(20, ' ');
    bytes.replace(headerSize + static_cast<std::size_t>(recno - 1) * recordSize + 10, 20, field);
    WriteAll(path, bytes);
    static time_t written = 1000000000; // its own write time, a second later each time
    const struct timespec past[2] = {{++written, 0}, {written, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), past, 0);
}

TEST_F(XbaseTest, AKeyEditedInPlaceByAnotherProgramIsNoticed) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    xb_Close();
    // Edited while the table was closed: opening rebuilds the index.
    EditNameInPlace(Path("LOANS.DBF"), 4, "Zulu");
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbCDX), 0);
    xb_SetOrder(1);
    xb_SetExact(1);
    EXPECT_EQ(xb_Seek("Zulu"), 1);
    EXPECT_EQ(xb_RecNo(), 4);
    EXPECT_EQ(xb_Seek("Baker"), 0);
    EXPECT_EQ(Walk(), "L1 L3 L4 L5 L2 ");

    // Edited while two users have it open: a seek that lands on the record sees that its key
    // is no longer the entry's; beside the other user the area orders the table for itself and
    // answers from that.
    const int first = xb_WorkArea();
    xb_Select(0);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "OTHER", xbModeShared, xbCDX), 0);
    const int second = xb_WorkArea();
    EditNameInPlace(Path("LOANS.DBF"), 1, "Yates");
    xb_Select(first);
    EXPECT_EQ(xb_Seek("Carter"), 0);
    EXPECT_EQ(xb_Seek("Yates"), 1);
    EXPECT_EQ(xb_RecNo(), 1);
    EXPECT_EQ(Walk(), "L1 L4 L5 L3 L2 ");
    // The other user's next change notices the edit under the index's lock and rebuilds the
    // index before it records the table's new change time.
    xb_Select(second);
    xb_Go(2);
    ASSERT_EQ(xb_Replace(3, xbReplaceText, "150"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("Yates"), 1);
    EXPECT_EQ(Walk(), "L1 L4 L5 L3 L2 ");
}

TEST_F(XbaseTest, ReadOnlyOpensOrderTheTableThemselvesWhenItsIndexIsBehind) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Close();
    // Changed without its production index (the NTX driver does not open it): the index
    // lags the table.
    const auto change = [this](LongInt recno, const std::string& loanNo) {
        xb_Select(0);
        ASSERT_GT(xb_Use(Path("LOANS.DBF"), "WRITER", xbModeShared, xbNTX), 0);
        ASSERT_EQ(recno == 0 ? xb_AppendEx() : xb_Go(recno), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, loanNo), xbOK);
        ASSERT_EQ(xb_Close(), xbOK);
    };
    change(2, "L6");
    const std::string behind = ReadAll(Path("LOANS.CDX"));
    // Read only, the area orders the table for itself, also after another user's append and
    // change; the index file stays as it was.
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "READER", xbModeReadOnly, xbCDX), 0);
    const int reader = xb_WorkArea();
    xb_SetOrder(1);
    EXPECT_EQ(Walk(), "L2 L3 L4 L5 L6 ");
    EXPECT_EQ(xb_Seek("L1"), 0);
    EXPECT_EQ(xb_SetScope("L3", "L6"), xbOK);
    EXPECT_EQ(Walk(), "L3 L4 L5 L6 ");
    EXPECT_EQ(xb_SetScope("", ""), xbOK);
    change(0, "L0");
    change(3, "L7");
    xb_Select(reader);
    EXPECT_EQ(xb_Seek("L0"), 1);
    EXPECT_EQ(xb_RecNo(), 6);
    EXPECT_EQ(Walk(), "L0 L2 L3 L4 L6 L7 ");
    xb_Close();
    EXPECT_EQ(ReadAll(Path("LOANS.CDX")), behind);
    // Opened to write with the files to itself, the index is rebuilt and used again.
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbCDX), 0);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("L6"), 1);
    EXPECT_EQ(Walk(), "L0 L2 L3 L4 L6 L7 ");
}

TEST_F(XbaseTest, AnIndexOfAnotherKindIsNoProductionIndex) {
    MakeLoans();
    ASSERT_EQ(xb_IndexCreate(Path("byname.ntx"), "", "NAME", "", 0, 0), 1);
    xb_Close();
    std::filesystem::rename(Path("byname.ntx"), Path("LOANS.CDX"));
    EXPECT_EQ(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrDamagedIndex);
    std::filesystem::rename(Path("LOANS.CDX"), Path("other.ntx"));
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbNTX), 0);
    EXPECT_EQ(xb_IndexOpen(Path("other.ntx")), 1); // under a name of its kind it is one
}

TEST_F(XbaseTest, AreasAliasesAndSelection) {
    MakeLoans(xbModeShared);
    const int first = xb_WorkArea();
    const int second = xb_Use(Path("LOANS.DBF"), "OTHER", xbModeShared, xbCDX);
    ASSERT_GT(second, first);
    EXPECT_EQ(xb_Use(Path("LOANS.DBF"), "other", xbModeShared, xbCDX), 0); // alias in use
    EXPECT_EQ(xb_Select(first), second);
    EXPECT_EQ(xb_Alias(), "LOANS");
    EXPECT_EQ(xb_SysProp(65002, second), 1);
    EXPECT_EQ(xb_SysProp(65002, 200), 0);
    xb_Go(3);
    // Expressions read other areas through their alias.
    xb_Select(second);
    xb_Go(1);
    xb_Select(first);
    EXPECT_EQ(xb_EvalString("TRIM(LOANNO) + '/' + TRIM(OTHER->LOANNO)"), "L5/L3");
    EXPECT_EQ(xb_EvalTest("AMOUNT"), 2);
    EXPECT_EQ(xb_EvalTest("AMOUNT +"), 0);
    EXPECT_EQ(xb_EvalLogical("AMOUNT > 400"), 1);
    EXPECT_NE(xb_BaseName().find("LOANS.DBF"), std::string::npos);
    EXPECT_EQ(xb_Close(), xbOK);
    EXPECT_EQ(xb_Close(), xbNoTable);
    EXPECT_EQ(xb_RecCount(), 0);
    EXPECT_EQ(xb_Select(0), first); // the first free area
    EXPECT_EQ(xb_WorkArea(), first);
}

// Code holding a condition in the engine's language reaches the engine through its module,
// which is there from registration until it is removed.
TEST_F(XbaseTest, TheModuleSelectsAndFiltersUntilItIsRemoved) {
    MakeLoans(xbModeShared);
    const int first = xb_WorkArea();
    const int second = xb_Use(Path("LOANS.DBF"), "OTHER", xbModeShared, xbCDX);
    ASSERT_GT(second, first);
    RegisterXbModule();
    const TModuleHandle module = GetModuleHandle("xbase3032");
    const auto select = reinterpret_cast<TXbSelectProc>(GetProcAddress(module, "XB_SELECT"));
    const auto query = reinterpret_cast<TXbQueryProc>(GetProcAddress(module, "xb_query"));
    ASSERT_NE(select, nullptr);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(select(static_cast<Word>(first)), second);
    EXPECT_EQ(xb_Alias(), "LOANS");
    EXPECT_EQ(query("AMOUNT > 250"), xbOK); // 300, 500 and 400 stay
    EXPECT_EQ(xb_QueryRecCount(), 3);
    EXPECT_EQ(query(nullptr), xbOK);
    EXPECT_EQ(xb_QueryRecCount(), 5);

    UnregisterXbModule();
    EXPECT_EQ(GetModuleHandle(kXbModuleName), 0u);
    EXPECT_EQ(GetProcAddress(module, "XB_SELECT"), nullptr);
}

TEST_F(XbaseTest, SettingsReturnTheirOldValues) {
    EXPECT_EQ(xb_Version(), "Ver 2.40.00");
    EXPECT_EQ(xb_Version().substr(6, 2), "40");
    EXPECT_EQ(xb_SetCentury(1), 0);
    EXPECT_EQ(xb_SetCentury(0), 1);
    EXPECT_EQ(xb_SetDateFormat(2), 0);
    EXPECT_EQ(xb_SetDateFormat(7), 2); // refused, unchanged
    EXPECT_EQ(xb_SetDateFormat(99), 2);
    EXPECT_EQ(xb_SetDeleted(1), 0);
    EXPECT_EQ(xb_SysProp(1006, 0), 1);
    EXPECT_EQ(xb_SetExact(1), 0);
    EXPECT_EQ(xb_SysProp(1002, 0), 1);
    EXPECT_EQ(xb_SysProp(1003, 0), 1);
    EXPECT_EQ(xb_SetExact(0), 0);
    EXPECT_EQ(xb_SysProp(1001, 1), 0);
    EXPECT_EQ(xb_SetSoftSeek(0), 1);
    EXPECT_EQ(xb_SetEpoch(1960), 1900);
    EXPECT_EQ(xb_SetEpoch(50), 1960);
    EXPECT_EQ(xb_SetEpoch(99), 1960); // refused: from 100 to 2999
    EXPECT_EQ(xb_SetEpoch(3000), 1960);
    EXPECT_EQ(xb_SetEpoch(100), 1960);
    EXPECT_EQ(xb_SetEpoch(2999), 100);
    EXPECT_EQ(xb_SetEpoch(1900), 2999);
    EXPECT_EQ(xb_SetLockTimeout(5), 0);
    EXPECT_EQ(xb_SetMemoBlockSize(32), 64);
    EXPECT_EQ(xb_SetTurboRead(1), 0);
    EXPECT_EQ(xb_SetStringType(1), 1);
    EXPECT_EQ(xb_ErrorLevel(0), 1);
    EXPECT_EQ(xb_SysProp(1305, 16), 0);
    EXPECT_EQ(xb_SysProp(1305, 0), 16);
    EXPECT_EQ(xb_SysProp(65010, 0), 4096);
    EXPECT_NE(xb_SysProp(65008, 0), 0);
    EXPECT_EQ(xb_SysProp(65000, 0), 0); // no area open
    EXPECT_EQ(xb_SysProp(424242, 0), 0);
}

TEST_F(XbaseTest, DateTextsFollowTheDateFormat) {
    MakeLoans();
    xb_Go(1);
    ASSERT_EQ(xb_Replace(4, xbReplaceDateText, "12/31/99"), xbOK);
    EXPECT_EQ(xb_GetString(4), "19991231");
    xb_SetEpoch(1960);
    ASSERT_EQ(xb_Replace(4, xbReplaceDateText, "01/02/03"), xbOK);
    EXPECT_EQ(xb_GetString(4), "20030102");
    xb_SetCentury(1);
    EXPECT_EQ(xb_GetDateString(4), "01/02/2003");
    xb_SetDateFormat(1);
    EXPECT_EQ(xb_GetDateString(4), "2003.01.02");
    xb_SetDateFormat(4);
    EXPECT_EQ(xb_GetDateString(4), "02.01.2003");
    xb_SetDateFormat(6);
    xb_SetCentury(0);
    EXPECT_EQ(xb_GetDateString(4), "02-01-03");
    ASSERT_EQ(xb_Replace(4, xbReplaceDateText, "  -  -  "), xbOK);
    EXPECT_EQ(xb_GetString(4), "        ");
    EXPECT_EQ(xb_GetDateString(4), "  -  -  ");
}

TEST_F(XbaseTest, EngineRecordBufferCanBeBorrowed) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Go(1);
    char* buffer = reinterpret_cast<char*>(xb_SysProp(65000, 0));
    ASSERT_NE(buffer, nullptr);
    const std::string saved(buffer, static_cast<std::size_t>(xb_RecSize()));
    std::memcpy(buffer + 1, "L77", 3);
    EXPECT_EQ(xb_KeyData(), "L77      ");
    std::memcpy(buffer, saved.data(), saved.size());
    EXPECT_EQ(xb_KeyData(), "L3       ");
}

TEST_F(XbaseTest, ChangedFieldsAreWrittenWhenTheCursorMoves) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Seek("L2");
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "L0"), xbOK);
    xb_GoTop();
    EXPECT_EQ(xb_GetTrimString(1), "L0");
    EXPECT_EQ(Walk(), "L0 L1 L3 L4 L5 ");
}

TEST_F(XbaseTest, NumericDateAndLogicalKeys) {
    MakeLoans();
    for (LongInt r = 1; r <= 5; ++r) {
        xb_Go(r);
        xb_Replace(4, xbReplaceDateText, "01/0" + std::to_string(6 - r) + "/2024");
        xb_Replace(5, xbReplaceLogical, r % 2 == 0);
    }
    const int byAmount = xb_IndexCreate("", "AMOUNT", "AMOUNT", "", 0, 0);
    const int byDate = xb_IndexCreate("", "ORIGDATE", "ORIGDATE", "", 0, 0);
    const int byPaid = xb_IndexCreate("", "PAID", "PAID", "", 0, 0);
    ASSERT_GT(byAmount * byDate * byPaid, 0);

    xb_SetOrder(byAmount);
    EXPECT_EQ(xb_Seek("400"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "L4");
    EXPECT_EQ(xb_KeyData(), "400.00");
    xb_SetSoftSeek(1);
    EXPECT_EQ(xb_Seek("250.5"), 0);
    EXPECT_EQ(xb_GetTrimString(1), "L3");
    xb_SetScope("200", "400");
    EXPECT_EQ(Walk(), "L2 L3 L4 ");

    xb_SetOrder(byDate);
    EXPECT_EQ(Walk(), "L4 L2 L5 L1 L3 ");
    EXPECT_EQ(xb_Seek("20240103"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "L5");
    EXPECT_EQ(xb_KeyData(), "20240103");

    xb_SetOrder(byPaid);
    EXPECT_EQ(xb_Seek(".T."), 1);
    EXPECT_EQ(xb_GetTrimString(1), "L1");
    xb_SetScope(".F.", ".F.");
    EXPECT_EQ(Walk(), "L3 L5 L4 ");
}

TEST_F(XbaseTest, DescendingOrderWithAScope) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "DESC", "LOANNO", "", 0, 1), 0);
    xb_SetScope("L2", "L4");
    EXPECT_EQ(Walk(), "L4 L3 L2 ");
    xb_GoBottom();
    EXPECT_EQ(xb_GetTrimString(1), "L2");
    xb_Skip(-1);
    EXPECT_EQ(xb_GetTrimString(1), "L3");
    xb_Skip(5);
    EXPECT_TRUE(xb_Eof());
}

TEST_F(XbaseTest, OrdersFollowWritesOfAnotherArea) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Close();
    const int a = xb_Use(Path("LOANS.DBF"), "A", xbModeShared, xbCDX);
    const int b = xb_Use(Path("LOANS.DBF"), "B", xbModeShared, xbCDX);
    ASSERT_GT(a * b, 0);
    xb_Select(b);
    xb_SetOrder(1);
    xb_Select(a);
    xb_SetOrder(1);
    AddLoan("L0", "new", 0);
    xb_Unlock(0);
    xb_Seek("L3");
    ASSERT_EQ(xb_Rlock(0), 1);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "L9"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Unlock(0);
    xb_Select(b);
    EXPECT_EQ(xb_RecCount(), 6);
    EXPECT_EQ(xb_Seek("L0"), 1);
    EXPECT_EQ(xb_Seek("L3"), 0);
    EXPECT_EQ(Walk(), "L0 L1 L2 L4 L5 L9 ");
}

// A work area opened again over an open table closes what it had first: its index files,
// orders, scope and condition go, and the new open starts at the top.
TEST_F(XbaseTest, AnAreaOpenedAgainStartsAfresh) {
    MakeLoans();
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    ASSERT_GT(xb_IndexCreate(Path("BYNO.NTX"), "", "LOANNO", "", 0, 0), 0);
    xb_CloseAll();

    TXbArea area(1);
    ASSERT_EQ(area.Open(Path("LOANS.DBF"), "", xbModeShared, xbCDX), xbOK);
    ASSERT_EQ(area.OpenIndex(Path("BYNO.NTX")), 2); // its first order
    ASSERT_EQ(area.OrderCount(), 2);
    area.SetOrder(2);
    ASSERT_EQ(area.SetCondition("AMOUNT > 150"), xbOK);
    ASSERT_EQ(area.SetScope("L3", "L4"), xbOK);
    ASSERT_EQ(area.Go(5), xbOK);

    ASSERT_EQ(area.Open(Path("LOANS.DBF"), "AGAIN", xbModeExclusive, xbCDX), xbOK);
    EXPECT_EQ(area.Alias(), "AGAIN");
    EXPECT_EQ(area.Table().Fields().size(), 6u);
    EXPECT_EQ(area.OrderCount(), 1); // the production index only
    EXPECT_EQ(area.CurrentOrder(), 0);
    EXPECT_EQ(area.Condition(), "");
    EXPECT_EQ(area.RecNo(), 1);
    EXPECT_EQ(area.FieldBytes(0), "L3       ");
    area.SetOrder(1);
    std::string names;
    for (area.GoTop(); !area.Eof(); area.Skip(1))
        names += area.FieldBytes(1).substr(0, 6);
    EXPECT_EQ(names, "Adams Baker CarterDunn  Evans ");
    EXPECT_EQ(area.Commit(), xbOK);
    EXPECT_EQ(area.Close(), xbOK);
}

TEST_F(XbaseTest, EmptyAndLogicalValuesOfEachFieldType) {
    MakeLoans();
    ASSERT_EQ(xb_AppendEx(), 0);
    for (int f = 1; f <= 6; ++f)
        EXPECT_EQ(xb_Empty(f), 1) << "field " << f;
    EXPECT_EQ(xb_Empty(99), 1);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "L9"), xbOK);
    ASSERT_EQ(xb_Replace(3, xbReplaceDouble, 0.001), xbOK); // 0.00 in two decimals
    ASSERT_EQ(xb_Replace(4, xbReplaceDateText, "01/02/2025"), xbOK);
    ASSERT_EQ(xb_Replace(5, xbReplaceLogical, true), xbOK);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "n"), xbOK);
    EXPECT_EQ(xb_Empty(1), 0);
    EXPECT_EQ(xb_Empty(3), 1);
    EXPECT_EQ(xb_Empty(4), 0);
    EXPECT_EQ(xb_Empty(5), 0);
    EXPECT_EQ(xb_Empty(6), 0);
    // Only a logical field reads as true.
    EXPECT_EQ(xb_GetLogical(5), 1);
    EXPECT_EQ(xb_GetLogical(1), 0);
    EXPECT_EQ(xb_GetLogical(99), 0);
    // No data at all empties a memo; a length without data is refused.
    EXPECT_EQ(xb_PutBlob(6, nullptr, 0), xbOK);
    EXPECT_EQ(xb_Empty(6), 1);
    EXPECT_EQ(xb_PutBlob(6, nullptr, 3), xbBadArgument);
    EXPECT_EQ(xb_PutBlob(6, "abc", -1), xbBadArgument);
    EXPECT_EQ(xb_PutBlob(1, "abc", 3), xbBadArgument);
}

} // namespace
