// The dataset model over real tables: opening, the ring of record buffers as the data links
// see it, navigation, editing with its failures, and what reaches the disk (read back with
// python3-dbfread).
#include "DataSetFixture.h"

#include "platform/rtl/DateTime.h"

namespace {

using DataSetTest = DataSetFixture;

const std::vector<std::string> tenNames = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};

TEST_F(DataSetTest, OpeningMakesOneFieldPerTableFieldAndReadsInIndexOrder) {
    TTestTable& table = OpenLoans({"SMITH", "ADAMS", "JONES"});
    ASSERT_EQ(table.FieldCount(), 5);
    EXPECT_EQ(table.Fields(0)->ClassName(), "TStringField");
    EXPECT_EQ(table.Fields(0)->Size(), 10);
    EXPECT_EQ(table.Fields(1)->ClassName(), "TFloatField");
    EXPECT_EQ(table.Fields(2)->ClassName(), "TDateField");
    EXPECT_EQ(table.Fields(3)->ClassName(), "TBooleanField");
    EXPECT_EQ(table.Fields(4)->ClassName(), "TMemoField");
    EXPECT_EQ(table.Fields(4)->DisplayText(), "(Memo)");
    EXPECT_TRUE(table.DefaultFields());
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(AllNames(), "ADAMS JONES SMITH ");
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.GetIndexFieldCount(), 1);
    EXPECT_EQ(table.GetIndexField(0)->FieldName(), "NAME");
    EXPECT_EQ(MessageOf([&] { table.GetIndexField(1); }), "Field index out of range");
    EXPECT_EQ(MessageOf([&] { table.FieldByName("RATE"); }), "Field 'RATE' not found");
    table.Close();
    EXPECT_EQ(table.FieldCount(), 0);
    EXPECT_EQ(table.Database(), nullptr);
}

TEST_F(DataSetTest, OpeningWithoutAnActiveOrderWorks) {
    TTestTable& table = OpenLoans({"B", "A"}, "");
    EXPECT_EQ(table.GetIndexFieldCount(), 0);
    EXPECT_EQ(AllNames(), "B A ");
}

TEST_F(DataSetTest, AFailedOpenHoldsNoCursorAndNoDatabase) {
    TTestTable table(folder_.Path(), "MISSING.DBF");
    EXPECT_THROW(table.Open(), EDBEngineError);
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.Handle(), 0u);
    EXPECT_EQ(table.Database(), nullptr);
}

// A dataset whose cursor cannot be made.
class TNoCursor : public TTestTable {
public:
    using TTestTable::TTestTable;

protected:
    TCursorHandle CreateHandle() override { return 0; }
};

TEST_F(DataSetTest, ADatasetWithoutACursorSaysSoAndStaysClosed) {
    TNoCursor table(folder_.Path(), "LOANS.DBF");
    EXPECT_EQ(MessageOf([&] { table.Open(); }), "Error creating cursor handle");
    EXPECT_FALSE(table.Active());
}

TEST_F(DataSetTest, AClosedDatasetRefusesToMoveOrEdit) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
    TTestTable table(folder_.Path(), "LOANS.DBF", "NAME");
    EXPECT_EQ(MessageOf([&] { table.First(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(MessageOf([&] { table.Next(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(MessageOf([&] { table.Refresh(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(MessageOf([&] { table.Delete(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_FALSE(table.Active());
}

TEST_F(DataSetTest, ACancelledEditFreesTheRecordForOthers) {
    TTestTable& table = OpenLoans({"A", "B"});
    TTestTable other(folder_.Path(), "LOANS.DBF", "NAME");
    other.Open();
    table.Edit();
    EXPECT_THROW(other.Edit(), EDBEngineError);
    table.Cancel();
    other.Edit();
    other.FieldByName("NAME")->SetAsString("Z");
    other.Post();
    table.Refresh();
    EXPECT_EQ(AllNames(), "B Z ");
}

TEST_F(DataSetTest, TheRingHoldsWhatTheLargestLinkNeeds) {
    TTestTable& table = OpenLoans(tenNames);
    EXPECT_EQ(table.BufferCount(), 1);
    TRecordingLink& grid = Watch(table, "grid", 4);
    TRecordingLink& edit = Watch(table, "edit");
    EXPECT_EQ(table.BufferCount(), 4);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(grid.RecordCount(), 4);
    EXPECT_EQ(edit.RecordCount(), 1);
    grid.SetBufferCount(6);
    EXPECT_EQ(table.RecordCount(), 6);
    table.MoveBy(5);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "F");
    // Shrinking keeps the active record and the records that follow it in the ring.
    grid.SetBufferCount(2);
    EXPECT_EQ(table.BufferCount(), 2);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "F");
    table.Next();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "G");
    grid.SetDataSource(nullptr);
    EXPECT_EQ(table.BufferCount(), 1);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "G");
}

TEST_F(DataSetTest, AGrowingRingKeepsEachLinksWindowOnItsRecords) {
    TTestTable& table = OpenLoans(tenNames);
    TRecordingLink& grid = Watch(table, "grid", 3);
    table.MoveBy(5);
    // The grid shows D E F with F active; a larger link reads G and H after them.
    EXPECT_EQ(grid.ActiveRecord(), 2);
    TRecordingLink& wide = Watch(table, "wide", 5);
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_EQ(grid.FirstRecord(), 0);
    EXPECT_EQ(grid.ActiveRecord(), 2);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "F");
    wide.SetDataSource(nullptr);
    // At the end the ring can only grow backwards: the grid still shows H I J with J active.
    table.Last();
    EXPECT_EQ(grid.ActiveRecord(), 2);
    Watch(table, "wide", 5);
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_EQ(table.ActiveRecord(), 4);
    EXPECT_EQ(grid.FirstRecord(), 2);
    EXPECT_EQ(grid.ActiveRecord(), 2);
    table.Prior();
    table.Prior();
    table.Prior();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "G");
    EXPECT_EQ(grid.ActiveRecord(), 0);
}

TEST_F(DataSetTest, ScrollingMovesEachLinksWindowAndSingleRecordLinksHearFirst) {
    TTestTable& table = OpenLoans(tenNames);
    TRecordingLink& grid = Watch(table, "grid", 3);
    TRecordingLink& edit = Watch(table, "edit");
    log_.clear();
    EXPECT_EQ(table.MoveBy(3), 3);
    EXPECT_EQ(log_, (std::vector<std::string>{"edit:scrolled 3", "grid:scrolled 1"}));
    EXPECT_EQ(grid.FirstRecord(), 0);
    EXPECT_EQ(grid.ActiveRecord(), 2);
    EXPECT_EQ(edit.FirstRecord(), 2);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "D");
    log_.clear();
    EXPECT_EQ(table.MoveBy(-3), -3);
    EXPECT_EQ(log_, (std::vector<std::string>{"edit:scrolled -3", "grid:scrolled -1"}));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "A");
    EXPECT_TRUE(table.Bof() || table.MoveBy(-1) == 0);
}

TEST_F(DataSetTest, MovesThatCannotHappenSendNothing) {
    TTestTable& table = OpenLoans({"A", "B"});
    Watch(table, "l");
    log_.clear();
    EXPECT_EQ(table.MoveBy(0), 0);
    EXPECT_EQ(table.MoveBy(-1), 0);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(table.MoveBy(5), 1);
    EXPECT_TRUE(table.Eof());
    log_.clear();
    EXPECT_EQ(table.MoveBy(1), 0);
    EXPECT_TRUE(log_.empty());
}

TEST_F(DataSetTest, MoveByCountsTheRecordsMovedWithTheirDirection) {
    TTestTable& table = OpenLoans({"A", "B", "C"});
    table.Last();
    EXPECT_EQ(table.MoveBy(-10), -2);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "A");
    EXPECT_EQ(table.MoveBy(10), 2);
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.MoveBy(-1), -1);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");
}

TEST_F(DataSetTest, ARecordReadPastAnUnfilledRingBecomesTheActiveOne) {
    TTestTable& table = OpenLoans({"A", "B"});
    Watch(table, "grid", 5);
    table.Next();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");
    // Another cursor adds a record after the last one the ring holds.
    TTestTable other(folder_.Path(), "LOANS.DBF", "NAME");
    other.Open();
    other.Append();
    other.FieldByName("NAME")->SetAsString("C");
    other.Post();
    EXPECT_EQ(table.MoveBy(1), 1);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "C");
    EXPECT_EQ(table.RecordCount(), 3);
}

TEST_F(DataSetTest, DisableControlsHoldsEventsUntilTheLastEnable) {
    TTestTable& table = OpenLoans({"A", "B"});
    Watch(table, "l");
    log_.clear();
    table.DisableControls();
    table.Edit();
    table.DisableControls();
    table.Cancel();
    table.Edit();
    table.Next(); // posts or cancels the edit, then moves
    EXPECT_TRUE(log_.empty());
    table.EnableControls();
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(table.ControlsDisabled());
    table.Edit();
    table.EnableControls();
    EXPECT_EQ(log_, (std::vector<std::string>{"l:editing", "l:changed"}));
    EXPECT_EQ(source_.State(), dsEdit);
    table.Cancel();
}

TEST_F(DataSetTest, EditsInsertsAppendsAndDeletesReachTheFile) {
    TTestTable& table = OpenLoans({"ADAMS", "SMITH"});
    table.First();
    table.Edit();
    EXPECT_EQ(table.State(), dsEdit);
    table.FieldByName("AMOUNT")->SetAsFloat(99.5);
    table.FieldByName("PAID")->SetAsBoolean(true);
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    table.Append();
    EXPECT_EQ(table.State(), dsInsert);
    table.FieldByName("NAME")->SetAsString("JONES");
    table.FieldByName("AMOUNT")->SetAsString("12.25");
    table.FieldByName("WHEN")->SetAsDateTime(EncodeDate(2024, 2, 29));
    table.Post();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "JONES");
    table.Insert();
    table.FieldByName("NAME")->SetAsString("BROWN");
    table.Post();
    EXPECT_EQ(AllNames(), "ADAMS BROWN JONES SMITH ");
    table.Last();
    table.Delete();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "JONES");
    EXPECT_EQ(AllNames(), "ADAMS BROWN JONES ");
    table.Close();
    DoneDBTables();
    const std::string out = Dbfread("for r in dbfread.DBF('LOANS.DBF'):\n"
                                    "    print(r['NAME'], r['AMOUNT'], r['WHEN'], r['PAID'])\n");
    if (out.empty()) GTEST_SKIP() << "python3-dbfread is not installed";
    EXPECT_EQ(out, "ADAMS 99.5 None True\n"
                   "JONES 12.25 2024-02-29 None\n"
                   "BROWN None None None\n");
}

TEST_F(DataSetTest, CancelLeavesTheFileAsItWas) {
    TTestTable& table = OpenLoans({"ADAMS", "SMITH"});
    table.Edit();
    table.FieldByName("NAME")->SetAsString("ZED");
    EXPECT_TRUE(table.Modified());
    table.Cancel();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ADAMS");
    table.Next();
    table.Insert();
    EXPECT_TRUE(table.FieldByName("NAME")->IsNull());
    table.Cancel();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "SMITH");
    EXPECT_EQ(AllNames(), "ADAMS SMITH ");
}

TEST_F(DataSetTest, EditOnAnEmptyTableInsertsAndDeleteInInsertCancels) {
    TTestTable& table = OpenLoans({});
    EXPECT_TRUE(table.Bof() && table.Eof());
    EXPECT_EQ(MessageOf([&] { table.Delete(); }),
              "Cannot perform this operation on an empty dataset");
    table.Edit();
    EXPECT_EQ(table.State(), dsInsert);
    table.FieldByName("NAME")->SetAsString("X");
    table.Delete();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(MessageOf([&] { table.FieldByName("NAME")->SetAsString("Y"); }),
              "Dataset not in edit or insert mode");
}

TEST_F(DataSetTest, AFailedPostKeepsTheRecordBeingEdited) {
    TTestTable& table = OpenLoans({"ADAMS", "SMITH"}, "NAME", true);
    table.Append();
    table.FieldByName("NAME")->SetAsString("SMITH");
    table.FieldByName("AMOUNT")->SetAsFloat(5);
    EXPECT_THROW(table.Post(), EDBEngineError);
    EXPECT_EQ(table.State(), dsInsert);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "SMITH");
    EXPECT_EQ(table.FieldByName("AMOUNT")->AsFloat(), 5);

    // Abort ends silently and still keeps the record; retry after a correction writes it.
    int calls = 0;
    table.OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        action = ++calls == 1 ? daAbort : daRetry;
        if (calls == 2) table.FieldByName("NAME")->SetAsString("TAYLOR");
    };
    EXPECT_THROW(table.Post(), EAbort);
    EXPECT_EQ(table.State(), dsInsert);
    table.Post();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(AllNames(), "ADAMS SMITH TAYLOR ");
}

TEST_F(DataSetTest, AReadOnlyTableRefusesEditsAndReportsAFailedDelete) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
    TTestTable table(folder_.Path(), "LOANS.DBF", "NAME");
    table.ReadOnlyOpen = true;
    table.Open();
    EXPECT_FALSE(table.CanModify());
    EXPECT_EQ(MessageOf([&] { table.Edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(MessageOf([&] { table.Append(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(table.State(), dsBrowse);
    int offered = 0;
    table.OnDeleteError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        action = ++offered < 3 ? daRetry : daFail;
    };
    EXPECT_THROW(table.Delete(), EDBEngineError);
    EXPECT_EQ(offered, 3);
    table.OnDeleteError = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
    EXPECT_THROW(table.Delete(), EAbort);
    table.Close();
    table.ReadOnlyOpen = false;
    table.Open();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ADAMS");
}

TEST_F(DataSetTest, PostWithAnEmptyRequiredFieldFocusesItAndStaysInInsert) {
    TTestTable& table = OpenLoans({"ADAMS"});
    Watch(table, "l");
    table.FieldByName("NAME")->SetRequired(true);
    table.Append();
    log_.clear();
    EXPECT_EQ(MessageOf([&] { table.Post(); }), "Field 'NAME' must have a value");
    EXPECT_EQ(log_, (std::vector<std::string>{"l:update", "l:check", "l:focus NAME"}));
    EXPECT_EQ(table.State(), dsInsert);
    table.Cancel();
}

TEST_F(DataSetTest, KeyEntryWritesOnlyIndexFieldsAndCalculatedFieldsHaveNoValueThere) {
    auto* calc = new TFloatField(nullptr);
    MakeLoans("LOANS.DBF", {{"ADAMS", 2}});
    TTestTable table(folder_.Path(), "LOANS.DBF", "NAME");
    table.FieldDefs();
    for (int i = 0; i < table.FieldDefs()->Count(); ++i)
        table.FieldDefs()->Items(i)->CreateField(&table);
    calc->SetFieldName("TWICE");
    calc->SetCalculated(true);
    calc->SetDataSet(&table);
    table.OnCalcFields = [](TDataSet* ds) {
        ds->FieldByName("TWICE")->SetAsFloat(ds->FieldByName("AMOUNT")->AsFloat() * 2);
    };
    table.Open();
    EXPECT_FALSE(table.DefaultFields());
    EXPECT_EQ(calc->AsFloat(), 4);
    table.SetKeyBuffer(0, true);
    EXPECT_EQ(table.State(), dsSetKey);
    EXPECT_TRUE(calc->IsNull());
    EXPECT_EQ(MessageOf([&] { table.FieldByName("AMOUNT")->SetAsFloat(1); }),
              "Field 'AMOUNT' is not indexed and cannot be modified");
    table.FieldByName("NAME")->SetAsString("ZED");
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ZED");
    table.Cancel();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ADAMS");
    table.Edit();
    table.FieldByName("AMOUNT")->SetAsFloat(10);
    EXPECT_EQ(calc->AsFloat(), 20);
    table.Cancel();
    table.Close();
    delete calc;
    EXPECT_EQ(table.FieldCount(), 5);
}

TEST_F(DataSetTest, ACalculatedBlobAndAMismatchedPersistentFieldRefuseToOpen) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 2}});
    TTestTable table(folder_.Path(), "LOANS.DBF");
    auto* memo = new TMemoField(&table);
    memo->SetFieldName("M");
    memo->SetCalculated(true);
    memo->SetDataSet(&table);
    EXPECT_EQ(MessageOf([&] { table.Open(); }), "Field 'M' cannot be a calculated field");
    EXPECT_FALSE(table.Active());
    table.ClearFields();
    auto* name = new TIntegerField(&table);
    name->SetFieldName("NAME");
    name->SetDataSet(&table);
    EXPECT_EQ(MessageOf([&] { table.Open(); }), "Field 'NAME' is not of the expected type");
    EXPECT_EQ(table.Database(), nullptr);
}

TEST_F(DataSetTest, BookmarksAndSwitchingIndexesFindTheSameRecord) {
    TTestTable& table = OpenLoans({"C", "A", "B"});
    table.Next();
    const std::vector<char> mark = table.GetBookmark();
    ASSERT_EQ(mark.size(), 8u);
    EXPECT_EQ(table.RecNo(), 3);
    table.First();
    table.GotoBookmark(mark);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");
    table.SwitchToIndex("", "AMOUNT");
    table.Resync(0);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");
    EXPECT_EQ(AllNames(), "C A B ");
    EXPECT_EQ(table.GetIndexField(0)->FieldName(), "AMOUNT");
    EXPECT_EQ(MessageOf([&] { table.GetIndexField(1); }), "Field index out of range");
    EXPECT_EQ(MessageOf([&] { table.GetIndexField(-1); }), "Field index out of range");
}

TEST_F(DataSetTest, AnIndexFieldWithoutAFieldObjectIsNamed) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
    TTestTable table(folder_.Path(), "LOANS.DBF", "NAME");
    auto* amount = new TFloatField(&table);
    amount->SetFieldName("AMOUNT");
    amount->SetDataSet(&table);
    table.Open();
    EXPECT_EQ(MessageOf([&] { table.GetIndexField(0); }), "Cannot access index field 'NAME'");
}

TEST_F(DataSetTest, ABookmarkOfARecordTheFilterHidesLeavesTheDatasetWhereItWas) {
    TTestTable& table = OpenLoans({"A", "B", "C", "D"});
    table.Next();
    const std::vector<char> b = table.GetBookmark();
    table.SetFilter("NAME <> 'B'");
    table.SetFiltered(true);
    table.Last();
    EXPECT_THROW(table.GotoBookmark(b), EDBEngineError);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "D");
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "D");
    table.Prior();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "C");
}

TEST_F(DataSetTest, ADatabaseClosesItsDatasets) {
    TTestTable& table = OpenLoans({"A"});
    TDatabase* database = table.Database();
    ASSERT_NE(database, nullptr);
    EXPECT_EQ(database->DataSetCount(), 1);
    EXPECT_EQ(MessageOf([&] { table.SetDatabaseName("other/"); }),
              "Cannot perform this operation on an open dataset");
    database->CloseDataSets();
    EXPECT_FALSE(table.Active());
}

TEST_F(DataSetTest, AnOpenDatasetFreedLeavesItsDatabase) {
    TTestTable& table = OpenLoans({"A"});
    ASSERT_EQ(table.Database()->DataSetCount(), 1);
    std::vector<std::string> events;
    table.BeforeClose = [&](TDataSet*) { events.push_back("before close"); };
    table_.reset();
    EXPECT_TRUE(events.empty());
    for (int i = 0; i < Session()->DatabaseCount(); ++i)
        EXPECT_EQ(Session()->Databases(i)->DataSetCount(), 0);
}

TEST_F(DataSetTest, AnActiveFlagReadWhileLoadingOpensWhenLoaded) {
    MakeLoans("LOANS.DBF", {{"A", 1}});
    TTestTable table(folder_.Path(), "LOANS.DBF");
    std::vector<std::string> events;
    table.BeforeOpen = [&](TDataSet*) { events.push_back("before open"); };
    table.AfterOpen = [&](TDataSet*) { events.push_back("after open"); };
    table.BeginLoading();
    table.SetActive(true);
    EXPECT_FALSE(table.Active());
    table.Loaded();
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(events, (std::vector<std::string>{"before open", "after open"}));
}

} // namespace
