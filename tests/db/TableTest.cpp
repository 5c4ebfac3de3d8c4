// Tables over real files: table types and drivers, index names and definitions, key searches
// and ranges with partial keys, index files, master-detail links, tables created with their
// production index (read back with python3-dbfread), and records appended to another program's
// table (read back with python3-dbf and python3-dbfread), and amounts another program stored
// found by their value through keys, ranges and filters.
#include "DataSetFixture.h"

#include "platform/rtl/Streams.h"
#include "tests/rtl/RefusedFolder.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <random>

namespace {

class TableTest : public DataSetFixture {
protected:
    void TearDown() override {
        detail_.reset();
        master_.reset();
        DataSetFixture::TearDown();
    }

    // LOANS.DBF (NAME and AMOUNT tags) with the given names, as a table of the given type.
    TTable& Loans(const std::vector<std::string>& names, const std::string& index = "NAME",
                  TTableType type = ttXBFOX) {
        std::vector<std::pair<std::string, double>> rows;
        for (std::size_t i = 0; i < names.size(); ++i)
            rows.emplace_back(names[i], static_cast<double>(i + 1));
        MakeLoans("LOANS.DBF", rows);
        master_ = MakeTable("LOANS.DBF", type);
        master_->SetIndexName(index);
        master_->Open();
        return *master_;
    }

    std::unique_ptr<TTable> MakeTable(const std::string& name, TTableType type = ttXBFOX) {
        auto table = std::make_unique<TTable>(nullptr);
        table->SetDatabaseName(folder_.Path() + "/");
        table->SetTableName(name);
        table->SetTableType(type);
        return table;
    }

    static std::string Current(TTable& table) { return table.FieldByName("NAME")->AsString(); }

    std::unique_ptr<TTable> master_;
    std::unique_ptr<TTable> detail_;
};

TEST_F(TableTest, OpensInTheOrderOfItsIndexTagAndSwitchesOrders) {
    TTable& table = Loans({"SMITH", "ADAMS", "JONES"});
    EXPECT_EQ(FieldTexts(table), "ADAMS JONES SMITH ");
    EXPECT_EQ(table.IndexName(), "NAME");
    table.SetIndexName("AMOUNT");
    EXPECT_EQ(FieldTexts(table), "SMITH ADAMS JONES ");
    table.SetIndexFieldNames("NAME");
    EXPECT_EQ(table.IndexName(), "");
    EXPECT_EQ(table.IndexFieldNames(), "NAME");
    EXPECT_EQ(FieldTexts(table), "ADAMS JONES SMITH ");
    table.SetIndexName("");
    EXPECT_EQ(FieldTexts(table), "SMITH ADAMS JONES ");
    EXPECT_EQ(MessageOf([&] { table.SetIndexName("RATE"); }), "Engine Error : 10760");
    EXPECT_EQ(FieldTexts(table), "SMITH ADAMS JONES ");
}

TEST_F(TableTest, FindsKeysWholeAndNearestByPartialKey) {
    TTable& table = Loans({"SMITH", "ADAMS", "JONES", "SMALL"});
    EXPECT_TRUE(table.FindKey({"JONES"}));
    EXPECT_EQ(Current(table), "JONES");
    EXPECT_FALSE(table.FindKey({"SM"}));
    EXPECT_EQ(Current(table), "JONES");
    table.FindNearest({"SM"});
    EXPECT_EQ(Current(table), "SMALL");
    table.FindNearest({"SMB"});
    EXPECT_EQ(Current(table), "SMITH");
    table.SetKey();
    table.FieldByName("NAME")->SetAsString("SMALL");
    table.SetKeyExclusive(true);
    table.GotoNearest();
    EXPECT_EQ(Current(table), "SMITH");
    table.EditKey();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "SMALL");
    EXPECT_TRUE(table.KeyExclusive());
    table.Cancel();
    EXPECT_EQ(MessageOf([&] { table.KeyExclusive(); }), "Dataset not in edit or insert mode");
    // An empty key finds only a record whose key is empty.
    EXPECT_FALSE(table.FindKey({""}));
    EXPECT_EQ(Current(table), "SMITH");
    table.Append();
    table.FieldByName("AMOUNT")->SetAsFloat(9);
    table.Post();
    table.Last();
    EXPECT_TRUE(table.FindKey({""}));
    EXPECT_EQ(table.FieldByName("AMOUNT")->AsFloat(), 9);
    table.SetIndexName("");
    EXPECT_EQ(MessageOf([&] { table.FindKey({"JONES"}); }), "No index currently active");
}

// Another program appends to the table: opened for reading only, so that the index behind it
// cannot be brought up to date, the table finds the new record and walks in the order. Made
// anew, the index's last leaf of 700 names damaged, a find of a key there says so, naming it.
TEST_F(TableTest, AReadOnlyTableFindsARecordAnotherProgramAppended) {
    if (PythonWith("dbf").empty()) GTEST_SKIP() << "python3 with dbf is not installed";
    std::vector<std::string> names;
    for (int i = 1000; i < 1700; ++i)
        names.push_back("N" + std::to_string(i));
    Loans(names).Close();
    ASSERT_EQ(Python("dbf", "with dbf.Table('LOANS.DBF').open(dbf.READ_WRITE) as t:\n"
                            "    t.append({'name': 'AB'})\n"),
              "");
    master_->SetReadOnly(true);
    master_->Open();
    EXPECT_TRUE(master_->FindKey({"AB"}));
    master_->First();
    EXPECT_EQ(Current(*master_), "AB");
    master_->Next();
    EXPECT_EQ(Current(*master_), "N1000");
    master_->Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "", xbModeShared, xbCDX), 0); // alone: made anew
    xb_Close();
    std::string index = ReadAll(Path("LOANS.CDX"));
    std::size_t last = 0; // the NAME tag's last leaf
    for (std::size_t page = 4096; page < index.size(); page += 4096)
        if (index[page] == 1 &&
            DecodeLE<LongWord>(&index[page + 4]) == DecodeLE<LongWord>(&index[48]))
            last = page;
    index[last + 16] ^= 1; // its checksum fails
    WriteAll(Path("LOANS.CDX"), index);
    master_->Open();
    EXPECT_NE(MessageOf([&] { master_->FindKey({"N1699"}); }).find("LOANS.CDX"), std::string::npos);
}

TEST_F(TableTest, KeysCountTheirFieldsAndAnExpressionOrderTakesNoFieldValues) {
    TTable& table = Loans({"SMITH", "ADAMS"});
    EXPECT_TRUE(table.FindKey({"ADAMS"}));
    table.EditKey();
    EXPECT_EQ(table.KeyFieldCount(), 1);
    table.SetKeyFieldCount(0);
    EXPECT_EQ(table.KeyFieldCount(), 0);
    table.Cancel();
    table.Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "MAKE", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "UPNAME", "UPPER(NAME)", "", 0, 0), 0);
    xb_Close();
    table.SetIndexName("UPNAME");
    table.Open();
    EXPECT_EQ(MessageOf([&] { table.FindKey({"ADAMS"}); }),
              "Cannot use array of Field values with Expression Indices");
    EXPECT_EQ(Current(table), "ADAMS");
}

TEST_F(TableTest, ACaselessSearchUsesNoOrderThatComparesCase) {
    TTable& table = Loans({"SMITH", "ADAMS"}, "AMOUNT");
    table.UpdateIndexDefs();
    EXPECT_NE(table.IndexDefs()->GetIndexForFields("NAME", false), nullptr);
    EXPECT_EQ(table.IndexDefs()->GetIndexForFields("NAME", true), nullptr);
    ASSERT_TRUE(table.Locate("NAME", "adams", loCaseInsensitive));
    EXPECT_EQ(Current(table), "ADAMS");
    EXPECT_FALSE(table.Locate("NAME", "adams", 0));
}

TEST_F(TableTest, AnotherTableNameReadsItsOwnOrders) {
    MakeLoans("LOANS.DBF", {{"SMITH", 1}, {"ADAMS", 2}});
    // OTHER.DBF orders its amounts by the tag BYAMOUNT.
    MakeLoans("OTHER.DBF", {{"KING", 5}, {"BAKER", 2}}, xbCDX, false);
    ASSERT_GT(xb_Use(Path("OTHER.DBF"), "MAKE", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "BYAMOUNT", "AMOUNT", "", 0, 0), 0);
    xb_Close();
    master_ = MakeTable("LOANS.DBF");
    TTable& table = *master_;
    // Fields of its own, so opening adds none.
    for (const char* name : {"NAME", "AMOUNT"})
        table.FieldDefs()->Find(name)->CreateField(&table);
    table.SetIndexFieldNames("AMOUNT");
    table.Open();
    EXPECT_EQ(FieldTexts(table), "SMITH ADAMS ");
    table.Close();
    table.UpdateIndexDefs();
    table.SetTableName("OTHER.DBF");
    table.Open();
    EXPECT_EQ(FieldTexts(table), "BAKER KING ");
}

TEST_F(TableTest, ARangeDroppedByAnotherOrderIsAppliedAgainInFull) {
    TTable& table = Loans({"A", "B", "C", "D", "E"});
    table.SetRangeStart();
    table.SetRangeEnd();
    table.FieldByName("NAME")->SetAsString("C");
    table.ApplyRange();
    EXPECT_EQ(FieldTexts(table), "A B C ");
    table.SetIndexName("AMOUNT");
    EXPECT_EQ(FieldTexts(table), "A B C D E ");
    table.SetIndexName("NAME");
    table.ApplyRange();
    EXPECT_EQ(FieldTexts(table), "A B C ");
}

TEST_F(TableTest, AFailedReadOfTheFieldListLeavesOtherTablesOpen) {
    TTable& loans = Loans({"A", "B"});
    auto missing = MakeTable("MISSING.DBF");
    EXPECT_THROW(missing->FieldDefs(), EDBEngineError);
    EXPECT_EQ(missing->Database(), nullptr);
    EXPECT_THROW(missing->UpdateIndexDefs(), EDBEngineError);
    EXPECT_EQ(missing->Database(), nullptr);
    EXPECT_EQ(FieldTexts(loans), "A B ");
}

TEST_F(TableTest, RangesLimitTheRecordsAndAnOpenEndHasNoBound) {
    TTable& table = Loans({"A", "B", "C", "D", "E"});
    table.SetRange({"B"}, {"D"});
    EXPECT_EQ(FieldTexts(table), "B C D ");
    table.SetRangeStart();
    table.FieldByName("NAME")->SetAsString("C");
    table.SetRangeEnd();
    table.ApplyRange();
    EXPECT_EQ(FieldTexts(table), "C D E ");
    table.CancelRange();
    EXPECT_EQ(FieldTexts(table), "A B C D E ");
    EXPECT_EQ(table.RecordCount(), 1);
    // The same range again changes nothing: the table stays where it is.
    table.SetRange({"B"}, {"D"});
    table.Next();
    table.ApplyRange();
    EXPECT_EQ(Current(table), "C");
    table.SetRange({"B"}, {"D"});
    EXPECT_EQ(Current(table), "C");
    table.SetRange({"C"}, {"D"});
    EXPECT_EQ(Current(table), "C");
    EXPECT_TRUE(table.Bof());
}

TEST_F(TableTest, DriverNamesFollowTheTypeAndTheExtension) {
    auto table = MakeTable("LOANS.dbf", ttDefault);
    EXPECT_EQ(table->GetDriverName(), "XBFOX");
    EXPECT_TRUE(table->IsDBaseTable());
    table->SetTableName("LOANS.txt");
    EXPECT_EQ(table->GetDriverName(), "ASCIIDRV");
    table->SetTableName("LOANS");
    EXPECT_EQ(table->GetDriverName(), "PARADOX");
    EXPECT_FALSE(table->IsDBaseTable());
    table->SetTableType(ttXBNSX);
    EXPECT_EQ(table->GetDriverName(), "XBNSX");
    EXPECT_TRUE(table->IsDBaseTable());
}

TEST_F(TableTest, PropertiesOfTheFileAreFixedWhileOpen) {
    TTable& table = Loans({"A"});
    const std::string open = "Cannot perform this operation on an open dataset";
    EXPECT_EQ(MessageOf([&] { table.SetExclusive(true); }), open);
    EXPECT_FALSE(table.Exclusive());
    EXPECT_EQ(MessageOf([&] { table.SetTableName("OTHER.DBF"); }), open);
    EXPECT_EQ(MessageOf([&] { table.SetReadOnly(true); }), open);
    table.Close();
    table.SetExclusive(true);
    table.Open();
    EXPECT_EQ(EngineWorkArea(table.Handle())->ShareMode, dbiShareExclusive);
    auto missing = MakeTable("");
    EXPECT_EQ(MessageOf([&] { missing->Open(); }), "Missing TableName property");
}

TEST_F(TableTest, ChangingTheTableNameEmptiesTheIndexFiles) {
    auto table = MakeTable("LOANS.DBF");
    table->IndexFiles()->Add("EXTRA.CDX");
    table->SetTableName("LOANS.DBF");
    EXPECT_EQ(table->IndexFiles()->Count(), 1);
    table->SetTableName("OTHER.DBF");
    EXPECT_EQ(table->IndexFiles()->Count(), 0);
}

TEST_F(TableTest, ADetailFollowsItsMastersCurrentRecord) {
    // Accounts A, B, C; loans carry their account's name in NAME, ordered by it.
    MakeLoans("LOANS.DBF", {{"B", 10}, {"A", 20}, {"B", 30}, {"C", 40}, {"A", 50}});
    MakeLoans("ACCNTS.DBF", {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}});
    master_ = MakeTable("ACCNTS.DBF");
    master_->SetIndexName("NAME");
    master_->Open();
    TDataSource accounts(nullptr);
    accounts.SetDataSet(master_.get());
    detail_ = MakeTable("LOANS.DBF");
    detail_->SetIndexName("NAME");
    detail_->SetMasterSource(&accounts);
    detail_->SetMasterFields("NAME");
    detail_->Open();
    const auto amounts = [&] { return FieldTexts(*detail_, "AMOUNT"); };
    EXPECT_EQ(amounts(), "20 50 ");
    master_->Next();
    EXPECT_EQ(amounts(), "10 30 ");
    master_->Last();
    EXPECT_EQ(amounts(), "");
    detail_->Append();
    EXPECT_EQ(detail_->FieldByName("NAME")->AsString(), "D");
    detail_->FieldByName("AMOUNT")->SetAsFloat(60);
    detail_->Post();
    EXPECT_EQ(amounts(), "60 ");
    // An edit of a detail record is posted before the master moves on.
    detail_->Edit();
    detail_->FieldByName("AMOUNT")->SetAsFloat(65);
    master_->Prior();
    EXPECT_EQ(amounts(), "40 ");
    master_->Next();
    EXPECT_EQ(amounts(), "65 ");
    EXPECT_EQ(MessageOf([&] {
                  TDataSource loans(nullptr);
                  loans.SetDataSet(detail_.get());
                  master_->SetMasterSource(&loans);
              }),
              "Circular datalinks are not allowed");
    master_->Close();
    EXPECT_EQ(amounts(), "20 50 10 30 40 65 ");
    detail_->Close();
    detail_->SetMasterSource(nullptr);
}

TEST_F(TableTest, IndexDefinitionsDescribeTheOrdersAndServeSearchesByField) {
    TTable& table = Loans({"SMITH", "ADAMS"}, "AMOUNT");
    table.UpdateIndexDefs();
    TIndexDefs* defs = table.IndexDefs();
    ASSERT_EQ(defs->Count(), 2);
    EXPECT_EQ(defs->Items(defs->IndexOf("name"))->Fields(), "NAME");
    EXPECT_EQ(defs->FindIndexForFields("amount")->Name(), "AMOUNT");
    EXPECT_EQ(MessageOf([&] { defs->FindIndexForFields("WHEN"); }),
              "Table 'LOANS.DBF' has no index for fields 'WHEN'");
    EXPECT_EQ(MessageOf([&] { defs->Add("NAME", "NAME", 0); }), "Duplicate index name 'NAME'");
    // Plain orders on a field: no option at all, none of them primary.
    EXPECT_EQ(defs->Items(0)->Options(), 0);
    EXPECT_EQ(defs->Items(1)->Options(), 0);
    table.SetRange({1.5}, {2.5});
    EXPECT_EQ(FieldTexts(table), "ADAMS ");
    table.UpdateIndexDefs();
    EXPECT_EQ(FieldTexts(table), "ADAMS ");
    table.SetIndexFieldNames("NAME");
    EXPECT_EQ(FieldTexts(table), "ADAMS SMITH ");
    EXPECT_EQ(defs->IndexOf("WHEN"), -1);
    auto closed = MakeTable("LOANS.DBF");
    EXPECT_EQ(closed->FieldDefs()->Count(), 5);
    EXPECT_EQ(closed->FieldDefs()->Items(0)->FieldNo(), 1);
    EXPECT_EQ(closed->FieldDefs()->Items(4)->FieldNo(), 5);
    EXPECT_EQ(closed->Database(), nullptr);
    closed->UpdateIndexDefs();
    EXPECT_EQ(closed->IndexDefs()->Count(), 2);
    EXPECT_FALSE(closed->Active());
    EXPECT_EQ(closed->Database(), nullptr);
    // A descending order says so.
    table.Close();
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "MAKE", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "DOWN", "AMOUNT", "", 0, 1), 0);
    xb_Close();
    closed->UpdateIndexDefs();
    const TIndexDef* down = closed->IndexDefs()->Items(closed->IndexDefs()->IndexOf("DOWN"));
    EXPECT_EQ(down->Options(), ixDescending);
    EXPECT_EQ(closed->IndexDefs()->Items(closed->IndexDefs()->IndexOf("AMOUNT"))->Options(), 0);
}

TEST_F(TableTest, TheSameNamesAsFieldsAreAnotherOrderChoiceAndAFailedChoiceKeepsTheOrder) {
    TTable& table = Loans({"SMITH", "ADAMS"}, "AMOUNT");
    table.SetIndexFieldNames("AMOUNT");
    EXPECT_EQ(table.IndexName(), "");
    EXPECT_EQ(table.IndexFieldNames(), "AMOUNT");
    EXPECT_EQ(FieldTexts(table), "SMITH ADAMS ");
    const std::string missing = MessageOf([&] { table.SetIndexName("NOPE"); });
    EXPECT_NE(missing, "<nothing raised>");
    EXPECT_EQ(table.IndexFieldNames(), "AMOUNT");
    // An empty table gives the same reason.
    table.Close();
    MakeLoans("EMPTY.DBF", {});
    table.SetTableName("EMPTY.DBF");
    table.SetIndexName("NAME");
    table.Open();
    EXPECT_EQ(MessageOf([&] { table.SetIndexName("NOPE"); }), missing);
    EXPECT_EQ(table.IndexName(), "NAME");
    TStoredProc proc(nullptr);
    proc.SetOverload(2);
    EXPECT_EQ(proc.Overload(), 2);
}

TEST_F(TableTest, IndexFilesOpenWithTheTable) {
    MakeLoans("LOANS.DBF", {{"B", 2}, {"A", 1}}, xbNTX, false);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "MAKE", xbModeExclusive, xbNTX), 0);
    ASSERT_GT(xb_IndexCreate(Path("BYNAME.NTX"), "BYNAME", "NAME", "", 0, 0), 0);
    xb_Close();
    master_ = MakeTable("LOANS.DBF", ttXBNTX);
    master_->IndexFiles()->Add("BYNAME.NTX");
    master_->SetIndexName("BYNAME.NTX");
    master_->Open();
    EXPECT_EQ(FieldTexts(*master_), "A B ");
    EXPECT_THROW(master_->IndexFiles()->Add("MISSING.NTX"), EDBEngineError);
    EXPECT_EQ(master_->IndexFiles()->Count(), 1);
    // This engine cannot close one index file of an open table: the list keeps it.
    EXPECT_THROW(master_->IndexFiles()->Delete(0), EDBEngineError);
    EXPECT_EQ(master_->IndexFiles()->Count(), 1);
    EXPECT_EQ(master_->IndexName(), "BYNAME.NTX");
    master_->Close();
    master_->IndexFiles()->Clear();
    EXPECT_EQ(master_->IndexFiles()->Count(), 0);
    // A listed file that cannot be opened fails the open; one listed twice is opened once.
    master_->SetIndexName("");
    master_->IndexFiles()->Add("MISSING.NTX");
    EXPECT_THROW(master_->Open(), EDBEngineError);
    EXPECT_FALSE(master_->Active());
    master_->IndexFiles()->Clear();
    master_->IndexFiles()->Add("BYNAME.NTX");
    master_->IndexFiles()->Add("BYNAME.NTX");
    master_->Open();
    EXPECT_EQ(FieldTexts(*master_), "B A ");
}

// A memo the memo file cannot hold (an end mark inside a DBT memo) refuses the new record's
// post before anything is written: the table file stays as it was, with no blank record.
TEST_F(TableTest, AnInsertWhoseMemoIsRefusedWritesNothing) {
    MakeLoans("LOANS.DBF", {{"B", 2}, {"A", 1}}, xbNTX, false);
    const std::string before = ReadAll(Path("LOANS.DBF"));
    master_ = MakeTable("LOANS.DBF", ttXBNTX);
    master_->Open();
    master_->Insert();
    master_->FieldByName("NAME")->SetAsString("C");
    master_->FieldByName("NOTE")->SetAsString(std::string("end\x1A mark"));
    EXPECT_THROW(master_->Post(), EDBEngineError);
    master_->Cancel();
    EXPECT_EQ(FieldTexts(*master_), "B A ");
    master_->Close();
    EXPECT_EQ(ReadAll(Path("LOANS.DBF")), before);
}

// An exclusive table on a disk of 24 KiB (in memory, and an ext2 image, which cannot set room
// aside) takes up to 1,000 posts, with a memo each or without, until the disk refuses one: that
// post raises with the full disk as its cause, the close answers nothing, and the table holds
// exactly the records whose posts were answered done. A close whose write the system refuses raises
// that failure.
TEST_F(TableTest, AnExclusiveTableOnAFullDiskRefusesThePostThatDoesNotFit) {
    RUN_IN_FRESH_PROCESS();
    std::filesystem::create_directory(Path("disk"));
    const auto cause = [](const EDBEngineError& e) {
        return e.Reason() == xbErrDiskFull ? std::string("disk full") : e.Message();
    };
    // Posts up to limit records: what was refused, and the records held after (of those done).
    const auto posts = [&](bool memos, int limit = 1000, bool refuseClose = false) {
        TTable table(nullptr);
        table.SetDatabaseName(Path("disk") + "/");
        table.SetTableName("LOANS.DBF");
        table.SetExclusive(true);
        table.Open();
        std::string told = "none";
        int done = 0;
        for (; done < limit && told == "none"; ++done)
            try {
                table.Append();
                table.FieldByName("NAME")->SetAsString("N" + std::to_string(done));
                if (memos) table.FieldByName("NOTE")->SetAsString(std::string(300, 'm'));
                table.Post();
            } catch (const EDBEngineError& e) {
                told = cause(e);
                table.Cancel();
                --done;
            }
        XbSetWriteFailure(refuseClose ? std::optional<long>(1) : std::nullopt, 1);
        try {
            table.Close();
        } catch (const EDBEngineError& e) {
            told += ", close: " + cause(e);
        }
        XbSetWriteFailure(std::nullopt);
        xb_Use(Path("disk/LOANS.DBF"), "", xbModeReadOnly, xbCDX);
        const LongInt held = xb_RecCount();
        told +=
            ", held " + std::to_string(held) + (held == done ? "" : " of " + std::to_string(done));
        xb_CloseAll();
        return told;
    };
    int ran = 0;
    for (const TRefusal disk : {TRefusal::FullDisk, TRefusal::FullImage})
        for (const bool memos : {false, true}) {
            MakeLoans("disk/LOANS.DBF", {});
            const std::optional<std::string> told = InRefusedFolder(
                Path("disk"), disk, [&] { return posts(memos); }, 24 * 1024);
            if (!Ran(told, disk == TRefusal::FullDisk ? "a full disk" : "an ext2 image")) continue;
            ++ran;
            EXPECT_TRUE(told->starts_with("disk full, held ") && *told != "disk full, held 0")
                << *told;
        }
    MakeLoans("disk/LOANS.DBF", {});
    EXPECT_EQ(posts(false, 10, true), "none, close: disk full, held 10");
    if (ran == 0) GTEST_SKIP() << "no disk of a few KiB can be mounted here";
}

TEST_F(TableTest, CreatesATableWithItsProductionIndexOnce) {
    const std::vector<TXbFieldDef> fields = {{"ACCOUNTNO", 'C', 8, 0, 0},
                                             {"BALANCE", 'N', 12, 2, 0},
                                             {"OPENED", 'D', 8, 0, 0},
                                             {"ACTIVE", 'L', 1, 0, 0},
                                             {"NOTES", 'M', 10, 0, 0}};
    TIndexDesc byNumber;
    byNumber.TagName = "ACCOUNTNO";
    byNumber.KeyExpression = "ACCOUNTNO";
    byNumber.Unique = true;
    TIndexDesc byBalance;
    byBalance.TagName = "BALANCE";
    byBalance.KeyExpression = "BALANCE";
    ASSERT_TRUE(CreateTable(Path("ACCNTS.DBF"), fields, {byNumber, byBalance}, ttXBNSX));
    EXPECT_FALSE(CreateTable(Path("ACCNTS.DBF"), fields, {}, ttXBNSX));
    master_ = MakeTable("ACCNTS.DBF", ttXBNSX);
    master_->SetIndexName("ACCOUNTNO");
    master_->Open();
    for (const char* number : {"300", "100", "200"}) {
        master_->Append();
        master_->FieldByName("ACCOUNTNO")->SetAsString(number);
        master_->FieldByName("BALANCE")->SetAsFloat(12.5);
        master_->Post();
    }
    master_->Append();
    master_->FieldByName("ACCOUNTNO")->SetAsString("100");
    EXPECT_THROW(master_->Post(), EDBEngineError);
    master_->Cancel();
    EXPECT_EQ(FieldTexts(*master_, "ACCOUNTNO"), "100 200 300 ");
    master_->Close();
    const std::string out = Dbfread("t = dbfread.DBF('ACCNTS.DBF')\n"
                                    "print(t.field_names)\n"
                                    "print([(r['ACCOUNTNO'], r['BALANCE']) for r in t])\n");
    if (!out.empty()) {
        EXPECT_EQ(out, "['ACCOUNTNO', 'BALANCE', 'OPENED', 'ACTIVE', 'NOTES']\n"
                       "[('300', 12.5), ('100', 12.5), ('200', 12.5)]\n");
    }
    EXPECT_THROW(CreateTable(Path("BAD.DBF"), {{"X", 'Q', 1, 0, 0}}, {}, ttXBNSX), EDBEngineError);
}

// Another program's table with integer, currency, date-time, double, memo and null-flag fields:
// a record appended through the table with only its name set holds the empty value of each
// (python3-dbf, dbfread and the engine read them as empty, not as numbers made of blanks), and
// an edit of another record through the table keeps that record's values.
TEST_F(TableTest, ARecordAppendedToAnotherProgramsTableHoldsEmptyBinaryFields) {
    if (PythonWith("dbf, dbfread").empty())
        GTEST_SKIP() << "python3 with dbf and dbfread is not installed";
    ASSERT_EQ(Python("dbf", R"(
t = dbf.Table('num', 'NAME C(3); CNT I; COST Y; AT T; DBL B; NOTE M; OPT C(2) NULL', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    t.append(('A', 5, 1.25, dbf.DateTime(2024, 1, 2, 3, 4, 5), 2.5, 'memo', 'x'))
)"),
              "");
    master_ = MakeTable("NUM.DBF");
    master_->Open();
    master_->Append();
    master_->FieldByName("NAME")->SetAsString("NEW");
    master_->Post();
    master_->First();
    master_->Edit();
    master_->FieldByName("NAME")->SetAsString("B");
    master_->Post();
    master_->Close();
    ASSERT_GT(xb_Use(Path("NUM.DBF"), "", xbModeShared, xbCDX), 0);
    for (LongInt record : {1, 2}) {
        xb_Go(record);
        for (int field = 2; field <= 6; ++field)
            EXPECT_EQ(xb_Empty(field), record == 2 ? 1 : 0) << record << " " << field;
    }
    xb_Close();
    EXPECT_EQ(Python("dbf, dbfread", R"(
for r in dbfread.DBF('num.dbf'):
    print(list(r.values()))
for r in dbf.Table('num').open():
    print(tuple(r))
)"),
              "['B', 5, Decimal('1.25'), datetime.datetime(2024, 1, 2, 3, 4, 5), 2.5, 'memo', 'x', "
              "b'\\x00']\n"
              "['NEW', 0, Decimal('0'), None, 0.0, None, '', b'\\x00']\n"
              "('B  ', 5, Decimal('1.2500'), datetime.datetime(2024, 1, 2, 3, 4, 5), 2.5, 'memo', "
              "'x ')\n"
              "('NEW', 0, Decimal('0.0000'), None, 0.0, '', '  ')\n");
}

// The shortest text that reads back as the number, in plain notation, as a user types it.
std::string AmountText(double amount) {
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, amount, std::chars_format::fixed).ptr;
    return std::string(text, end);
}

// Cent amounts python3-dbf stores in an N(12,2) and an N(18,2) field, from a cent to each
// field's largest: the amounts STR turns into other digits (1234567.8899999999), many at random
// between 10^5 and 10^7 and in every decade of the wider field, where a double holds more
// digits than a cent needs and then fewer. Each is found by its value: FindKey stands on it,
// FindNearest and GotoKey land on it (an order on -AMOUNT too), SetRange(v, v) holds exactly its
// records, a filter on it shows them, and a value between two amounts lands on the next one.
TEST_F(TableTest, EveryAmountAnotherProgramStoredIsFoundByItsValue) {
    if (PythonWith("dbf").empty()) GTEST_SKIP() << "python3 with dbf is not installed";
    std::mt19937_64 random(1234567);
    const auto cents = [&](long long low, long long high) {
        return static_cast<double>(std::uniform_int_distribution<long long>(low, high)(random)) /
               100;
    };
    std::vector<double> amounts = {0.01,      0.1,       1.05,       697073.18, 830382.06,
                                   880078.82, 1234567.89, 1234567.89, 999999999.99};
    std::vector<double> wide = {0.01, 697073.18, 1234567.89, 999999999999999.88};
    while (amounts.size() < 209)
        amounts.push_back(cents(10'000'000, 999'999'999));
    while (amounts.size() < 240)
        amounts.push_back(cents(1, 99'999'999'999));
    for (long long decade = 1; wide.size() < amounts.size();
         decade = decade < 10'000'000'000'000'000 ? decade * 10 : 1)
        wide.push_back(cents(decade, std::min(decade * 10 - 1, 99'999'999'999'999'900LL)));
    std::string rows;
    for (std::size_t i = 0; i < amounts.size(); ++i)
        rows += "(" + AmountText(amounts[i]) + ", " + AmountText(wide[i]) + "), ";
    ASSERT_EQ(Python("dbf", "t = dbf.Table('amounts', 'AMOUNT N(12,2); WIDE N(18,2)', "
                            "dbf_type='db3')\nwith t.open(dbf.READ_WRITE):\n"
                            "    for row in [" + rows + "]: t.append(row)\n"),
              "");
    ASSERT_GT(xb_Use(Path("AMOUNTS.DBF"), "", xbModeExclusive, xbCDX), 0);
    for (const char* key : {"AMOUNT", "WIDE", "-AMOUNT"})
        ASSERT_GT(xb_IndexCreate("", key[0] == '-' ? "LARGEST" : key, key, "", 0, 0), 0);
    xb_Close();
    master_ = MakeTable("AMOUNTS.DBF");
    TTable& table = *master_;
    table.Open();
    for (const auto& [field, stored] : {std::pair{"AMOUNT", amounts}, std::pair{"WIDE", wide}}) {
        TField* value = table.FieldByName(field);
        // How many records the table shows, -1 when one of them does not hold the amount.
        const auto shown = [&](double amount) {
            int records = 0;
            for (table.First(); !table.Eof(); table.Next())
                records = records < 0 || value->AsFloat() != amount ? -1 : records + 1;
            return records;
        };
        std::map<double, int> held;
        for (double amount : stored)
            ++held[amount];
        for (auto next = held.begin(); next != held.end(); ++next) {
            const double amount = next->first;
            const std::string text = AmountText(amount);
            SCOPED_TRACE(std::string(field) + " " + text);
            table.SetIndexName(field);
            EXPECT_TRUE(table.FindKey({amount}));
            EXPECT_EQ(value->AsFloat(), amount);
            table.FindNearest({amount});
            EXPECT_EQ(value->AsFloat(), amount);
            table.SetRange({amount}, {amount});
            EXPECT_EQ(shown(amount), next->second) << "range";
            table.CancelRange();
            table.SetFilter(std::string(field) + " = " + text);
            table.SetFiltered(true);
            EXPECT_EQ(shown(amount), next->second) << "filter";
            table.SetFiltered(false);
            if (std::next(next) == held.end()) continue;
            const double above = std::next(next)->first;
            const double between = std::round((amount + above) / 2 * 100) / 100;
            if (between > amount && between < above) {
                table.FindNearest({between});
                EXPECT_EQ(value->AsFloat(), above) << AmountText(between);
            }
            table.SetKey();
            value->SetAsFloat(amount);
            table.SetKeyExclusive(true);
            table.GotoNearest();
            EXPECT_EQ(value->AsFloat(), above) << "above";
            if (value->FieldName() != "AMOUNT") continue;
            table.SetIndexName("LARGEST");
            table.SetKey();
            value->SetAsFloat(amount);
            EXPECT_TRUE(table.GotoKey()) << "-AMOUNT";
            EXPECT_EQ(value->AsFloat(), amount) << "-AMOUNT";
        }
    }
}

} // namespace
