// The data-aware table over real tables: its settings by name, dwFilter with its failure
// notice, the query text against the table name, key and value searches, the incremental
// search, lookup fields filled from a second table, what happens when the table is freed, and
// the query and stored-procedure datasets of the family.
#include "tests/db/DataSetFixture.h"

#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/QueryDataSet.h"
#include "dbcontrols/SharedRoutines.h"
#include "dbcontrols/StoredProcedure.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

namespace {

class DwTable : public DataSetFixture {
protected:
    void TearDown() override {
        table_.reset();
        DataSetFixture::TearDown();
    }

    // LOANS.DBF with the names (amounts 1, 2, ...) as a data-aware table on the given index.
    TdwTable& Loans(const std::vector<std::string>& names, const std::string& index = "NAME",
                    TTableType type = ttDefault, bool open = true) {
        std::vector<std::pair<std::string, double>> rows;
        for (std::size_t i = 0; i < names.size(); ++i)
            rows.emplace_back(names[i], static_cast<double>(i + 1));
        MakeLoans("LOANS.DBF", rows);
        table_ = std::make_unique<TdwTable>(nullptr);
        table_->SetDatabaseName(Folder());
        table_->SetTableName("LOANS.DBF");
        table_->SetTableType(type);
        table_->SetIndexName(index);
        if (open) table_->Open();
        return *table_;
    }

    std::string Folder() const { return folder_.Path() + "/"; }

    static std::string Current(TDataSet& table) { return table.FieldByName("NAME")->AsString(); }

    static void SetLines(TdwTable& table, std::initializer_list<const char*> lines) {
        TStringList list;
        for (const char* line : lines)
            list.Add(line);
        table.SetDwFilter(&list);
    }

    // The table's fields, and a calculated text field SHOWN for a lookup.
    static TStringField* AddShownField(TdwTable& t) {
        for (int i = 0; i < t.FieldDefs()->Count(); ++i)
            t.FieldDefs()->Items(i)->CreateField(&t);
        auto* shown = new TStringField(&t);
        shown->SetFieldName("SHOWN");
        shown->SetSize(20);
        shown->SetCalculated(true);
        shown->SetDataSet(&t);
        return shown;
    }

    // The records with their SHOWN text, from the first.
    static std::string NamesAndShown(TdwTable& t, TField* shown) {
        std::string seen;
        for (t.First(); !t.Eof(); t.Next())
            seen += Current(t) + "=" + shown->AsString() + " ";
        return seen;
    }

    std::string LastMessage() const {
        return services_.MessageBoxes.empty() ? "" : services_.MessageBoxes.back().Text;
    }

    TRecordedServices services_;
    std::unique_ptr<TdwTable> table_;
};

} // namespace

// ---- Settings ----

TEST_F(DwTable, PublishesItsSettingsWithTheirDefaults) {
    TdwTable table(nullptr);
    for (const char* name :
         {"LookupFields", "LookupLinks", "ControlType", "PictureMasks", "dwFilter", "Query",
          "TableName", "OnFilter", "OnFilterEscape", "OnInvalidValue"})
        EXPECT_NE(GetPropInfo(&table, name), nullptr) << name;
    EXPECT_TRUE(dwGetValidateWithMask(&table));
    EXPECT_TRUE(GetOrdProp(&table, "SyncSQLByRange"));
    EXPECT_FALSE(GetOrdProp(&table, "NarrowSearch"));
    EXPECT_EQ(GetOrdProp(&table, "NarrowSearchUpperChar"), 255);
    EXPECT_TRUE(dwGetFilterOptions(&table).Contains(ofoEnabled));
    EXPECT_TRUE(dwIsDerivedDataSet(&table));
}

TEST_F(DwTable, ParadoxTablesAreKnownByTypeOrName) {
    TdwTable table(nullptr);
    table.SetTableType(ttParadox);
    EXPECT_TRUE(table.IsParadoxTable());
    table.SetTableType(ttDefault);
    table.SetTableName("Cust.DB");
    EXPECT_TRUE(table.IsParadoxTable());
    table.SetTableName("cust.dbf");
    EXPECT_FALSE(table.IsParadoxTable());
    table.SetTableType(ttXBNSX);
    table.SetTableName("cust.db");
    EXPECT_FALSE(table.IsParadoxTable());
}

// ---- dwFilter ----

TEST_F(DwTable, FilterLinesFilterTheOpenTableAndABadTextLeavesItUnfiltered) {
    TdwTable& t = Loans({"A", "B", "C", "D", "E"});
    SetLines(t, {"AMOUNT > 1", "", "AMOUNT < 5"});
    EXPECT_EQ(FieldTexts(t), "B C D ");
    SetLines(t, {"AMOUNT >"});
    EXPECT_EQ(LastMessage(), "Fail to set filter");
    EXPECT_EQ(services_.MessageBoxes.back().Type, mtWarning);
    EXPECT_EQ(FieldTexts(t), "A B C D E ");
}

TEST_F(DwTable, FilterSetBeforeOpeningAppliesWhenTheTableOpensSilently) {
    TdwTable& t = Loans({"A", "B", "C"}, "NAME", ttDefault, false);
    SetLines(t, {"AMOUNT >= 2"});
    t.Open();
    EXPECT_EQ(FieldTexts(t), "B C ");
    t.Close();
    SetLines(t, {"NOSUCH = 1"});
    services_.MessageBoxes.clear();
    t.Open();
    EXPECT_EQ(FieldTexts(t), "A B C ");
    // Only the parser's own notice of the unknown field; no "Fail to set filter" while opening.
    for (const auto& box : services_.MessageBoxes)
        EXPECT_NE(box.Text, "Fail to set filter");
}

TEST_F(DwTable, XBaseTablesTakeTheTextAsAnXBaseConditionUpToItsLimit) {
    TdwTable& t = Loans({"A", "B", "C", "D"}, "NAME", ttXBFOX);
    SetLines(t, {"AMOUNT > 2"});
    EXPECT_EQ(FieldTexts(t), "C D ");
    EXPECT_TRUE(services_.MessageBoxes.empty());
    SetLines(t, {("AMOUNT > 1 .AND. " + std::string(250, ' ') + "AMOUNT < 4").c_str()});
    EXPECT_EQ(LastMessage(), "Fail to set filter");
    SetLines(t, {});
    EXPECT_EQ(FieldTexts(t), "A B C D ");
}

TEST_F(DwTable, OnFilterRejectsRecordsOfTheTable) {
    TdwTable& t = Loans({"A", "B", "C"});
    t.SetOnFilter([](TdwTable* table, bool& accept) {
        accept = table->FieldByName("NAME")->AsString() != "B";
    });
    EXPECT_EQ(FieldTexts(t), "A C ");
    t.Close();
    t.Open();
    EXPECT_EQ(FieldTexts(t), "A C ");
    t.SetOnFilter(nullptr);
    EXPECT_EQ(FieldTexts(t), "A B C ");
}

// ---- Query text ----

TEST_F(DwTable, QueryAndTableNameReplaceEachOther) {
    TdwTable& t = Loans({"A"});
    TStringList query;
    query.Add("select * from loans");
    t.SetQuery(&query);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.TableName(), "");
    EXPECT_EQ(t.IndexName(), "NAME"); // an index name stays; index fields go
    EXPECT_TRUE(dwIsQueryTable(&t));
    // This engine runs no queries: opening reports it instead of showing nothing.
    EXPECT_THROW(t.Open(), EDBEngineError);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.QueryLanguage(), "SQL");
    SetStrProp(&t, "TableName", "LOANS.DBF");
    EXPECT_EQ(t.Query()->Count(), 0);
    EXPECT_FALSE(dwIsQueryTable(&t));
    t.Open();
    EXPECT_EQ(FieldTexts(t), "A ");
}

// ---- Key and value searches ----

TEST_F(DwTable, FindKeyValuesChecksTheValuesAgainstTheIndex) {
    TdwTable& t = Loans({"SMITH", "ADAMS", "JONES"});
    EXPECT_TRUE(t.dwFindKeyValues({"JONES"}));
    EXPECT_EQ(Current(t), "JONES");
    EXPECT_FALSE(t.dwFindKeyValues({"NOBODY"}));
    EXPECT_EQ(Current(t), "JONES");
    EXPECT_FALSE(t.dwFindKeyValues({"JONES", 3}));
    EXPECT_EQ(LastMessage(), "Table LOANS.DBF: FindKey has too many lookup values for index NAME");
    EXPECT_EQ(t.KeySearchDepth(), 0);
    t.Close();
    t.SetIndexName("");
    t.Open();
    services_.MessageBoxes.clear();
    EXPECT_FALSE(t.dwFindKeyValues({"JONES"}));
    EXPECT_TRUE(services_.MessageBoxes.empty());
}

TEST_F(DwTable, FindValueUsesTheIndexOrScansAndStaysWhenNothingMatches) {
    TdwTable& t = Loans({"SMITH", "ADAMS", "JONES", "SMALL"});
    EXPECT_TRUE(t.dwFindValue("JONES", "NAME", dwMatchWhole, true));
    EXPECT_EQ(Current(t), "JONES");
    EXPECT_TRUE(t.dwFindValue("SMI", "NAME", dwMatchStart, true));
    EXPECT_EQ(Current(t), "SMITH");
    EXPECT_TRUE(t.dwFindValue("dam", "NAME", dwMatchAnywhere, false));
    EXPECT_EQ(Current(t), "ADAMS");
    // Found through the index only when the index's case agrees with the search.
    EXPECT_FALSE(t.dwFindValue("ZZ", "NAME", dwMatchAnywhere, true));
    EXPECT_EQ(Current(t), "ADAMS");
    EXPECT_FALSE(t.dwFindValue("ZZ", "NAME", dwMatchStart, true));
    EXPECT_TRUE(t.dwFindValue("4", "AMOUNT", dwMatchWhole, false));
    EXPECT_EQ(Current(t), "SMALL");
    // A whole number is compared as a number, whatever way it is written.
    t.First();
    EXPECT_TRUE(t.dwFindValue("3.0", "AMOUNT", dwMatchWhole, false));
    EXPECT_EQ(Current(t), "JONES");
    EXPECT_EQ(t.KeySearchDepth(), 0);
}

TEST_F(DwTable, AWholeTextOutsideTheIndexIsFoundByScanning) {
    TdwTable& t = Loans({"SMITH", "ADAMS", "JONES"}, "AMOUNT");
    EXPECT_TRUE(t.dwFindValue("JONES", "NAME", dwMatchWhole, true));
    EXPECT_EQ(Current(t), "JONES");
    EXPECT_FALSE(t.dwFindValue("JONE", "NAME", dwMatchWhole, true));
    EXPECT_EQ(Current(t), "JONES");
}

TEST_F(DwTable, IncrementalSearchMovesOrNarrowsByTheTypedText) {
    TdwTable& t = Loans({"SMITH", "ADAMS", "JONES", "SMALL"});
    EXPECT_TRUE(dwIncrementalSearch(&t, 0, "SM"));
    EXPECT_EQ(Current(t), "SMALL");
    EXPECT_FALSE(dwIncrementalSearch(&t, 0, "K"));
    EXPECT_EQ(Current(t), "SMALL");
    t.NarrowSearch = true;
    EXPECT_TRUE(dwIncrementalSearch(&t, 0, "SM"));
    EXPECT_EQ(FieldTexts(t), "SMALL SMITH ");
    EXPECT_TRUE(dwIncrementalSearch(&t, 0, ""));
    EXPECT_EQ(FieldTexts(t), "ADAMS JONES SMALL SMITH ");
}

TEST_F(DwTable, IncrementalSearchNeedsADataAwareTableWithAnIndex) {
    TdwTable& t = Loans({"A", "B"}, "");
    EXPECT_FALSE(dwIncrementalSearch(&t, 0, "A"));
    EXPECT_EQ(LastMessage(), "Table LOANS.DBF: Table index not found");
    TTable plain(nullptr);
    EXPECT_FALSE(dwIncrementalSearch(&plain, 0, "A"));
    EXPECT_EQ(LastMessage(),
              "Incremental Search - TTable component not supported. Use TdwTable instead.");
}

TEST_F(DwTable, SettingTheIndexOnAnXBaseDatabaseJustSwitchesIt) {
    TdwTable& t = Loans({"B", "A"}, "AMOUNT");
    EXPECT_EQ(FieldTexts(t), "B A ");
    dwSetTableIndex(&t, "NAME");
    EXPECT_EQ(FieldTexts(t), "A B ");
}

// ---- Lookup fields ----

TEST_F(DwTable, LookupFieldsTakeTheirValueFromTheLookupTable) {
    MakeLoans("LOOK.DBF", {{"A", 10}, {"C", 30}});
    TdwTable& t = Loans({"A", "B", "C"}, "NAME", ttDefault, false);
    TStringField* shown = AddShownField(t);
    t.Parts().LookupFields.Add("SHOWN;" + Folder() + ";LOOK.DBF;AMOUNT;NAME");
    t.Parts().LookupLinks.Add("NAME;NAME");
    t.Open();
    EXPECT_EQ(NamesAndShown(t, shown), "A=10 B= C=30 ");
    ASSERT_EQ(t.LookupTables().size(), 1u); // one lookup table serves every record
    std::string field, value;
    t.First();
    EXPECT_TRUE(dwPositionLookupTable(shown, field, value));
    EXPECT_EQ(field, "AMOUNT");
    EXPECT_EQ(value, "A");
    t.Close();
    EXPECT_TRUE(t.LookupTables().empty());
}

TEST_F(DwTable, ALookupTableWithoutAnIndexIsSearchedRecordByRecord) {
    MakeLoans("LOOK.DBF", {{"C", 30}, {"B", 20}, {"A", 10}});
    TdwTable& t = Loans({"A", "B", "C", "D"}, "NAME", ttDefault, false);
    TStringField* shown = AddShownField(t);
    t.Parts().LookupFields.Add("SHOWN;" + Folder() + ";LOOK.DBF;AMOUNT;");
    t.Parts().LookupLinks.Add("NAME;NAME");
    t.Open();
    EXPECT_EQ(NamesAndShown(t, shown), "A=10 B=20 C=30 D= ");
    ASSERT_EQ(t.LookupTables().size(), 1u);
    EXPECT_EQ(t.LookupTables()[0].Table->GetIndexFieldCount(), 0);
}

TEST_F(DwTable, ALookupDefinitionPairsEachLookupLineWithTheLinkLineOfItsPlace) {
    TdwTable& t = Loans({"A"}, "NAME", ttDefault, false);
    TStringField* shown = AddShownField(t);
    t.Parts().LookupFields.Add("OTHER;" + Folder() + ";OTHER.DBF;NAME;NAME");
    t.Parts().LookupFields.Add("SHOWN;" + Folder() + ";LOOK.DBF;AMOUNT;NAME");
    // One link line only: the second lookup line has none.
    t.Parts().LookupLinks.Add("NAME;NAME");
    const TdwLookupDefinition d = dwGetLookupDefinition(shown);
    EXPECT_EQ(d.DatabaseName, Folder());
    EXPECT_EQ(d.TableName, "LOOK.DBF");
    EXPECT_EQ(d.LookupField, "AMOUNT");
    EXPECT_EQ(d.Link, "");
    t.Parts().LookupLinks.Add("CODE;NAME");
    EXPECT_EQ(dwGetLookupDefinition(shown).Link, "CODE;NAME");
    // A field without a lookup line has no lookup table.
    const TdwLookupDefinition none = dwGetLookupDefinition(t.FieldByName("NAME"));
    EXPECT_EQ(none.TableName, "");
    EXPECT_EQ(none.LookupField, "");
    EXPECT_EQ(none.Link, "");
}

TEST_F(DwTable, ALinkNamingAMissingFieldHidesTheLookupField) {
    MakeLoans("LOOK.DBF", {{"A", 10}});
    TdwTable& t = Loans({"A"}, "NAME", ttDefault, false);
    TStringField* shown = AddShownField(t);
    t.Parts().LookupFields.Add("SHOWN;" + Folder() + ";LOOK.DBF;AMOUNT;NAME");
    t.Parts().LookupLinks.Add("NOSUCH;NAME");
    t.Open();
    EXPECT_FALSE(shown->Visible());
    EXPECT_TRUE(t.LookupTables().empty());
}

// ---- Freeing ----

TEST_F(DwTable, WatchesLearnTheTableIsGoneAndMayGoFirst) {
    auto table = std::make_unique<TdwTable>(nullptr);
    auto early = std::make_unique<TdwTableWatch>(table.get());
    TdwTableWatch late(table.get());
    early.reset(); // leaves the list: the table must not write to it when freed
    TdwTable* notified = nullptr;
    table->OnDestroyNotify = [&](TdwTable* t) { notified = t; };
    TdwTable* raw = table.get();
    table.reset();
    EXPECT_TRUE(late.TableGone());
    EXPECT_EQ(notified, raw);
}

TEST_F(DwTable, FreeingAnOpenFilteredTableClosesItFirst) {
    MakeLoans("LOOK.DBF", {{"A", 10}});
    TdwTable& t = Loans({"A", "B"}, "NAME", ttDefault, false);
    SetLines(t, {"AMOUNT > 0"});
    t.SetOnFilter([](TdwTable*, bool& accept) { accept = true; });
    t.Open();
    EXPECT_EQ(FieldTexts(t), "A B ");
    table_.reset(); // the sanitizers see any use of freed filters or lists
    SUCCEED();
}

TEST_F(DwTable, APostIsValidatedAgainstThePictureMasks) {
    TdwTable& t = Loans({"A"});
    t.Parts().PictureMasks.Add("name\t###\tT\tT");
    t.Edit();
    t.FieldByName("NAME")->SetAsString("X1");
    EXPECT_EQ(MessageOf([&] { t.Post(); }), "Invalid characters. Field : NAME");
    t.FieldByName("NAME")->SetAsString("123");
    t.Post();
    EXPECT_EQ(Current(t), "123");
}

// ---- Query and stored-procedure datasets ----

TEST_F(DwTable, QueryDatasetsCarryTheSettingsAndReportThatTheyCannotRun) {
    MakeLoans("LOANS.DBF", {{"A", 1}});
    TdwQuery query(nullptr);
    TdwStoredProc proc(nullptr);
    for (TDBDataSet* ds : std::initializer_list<TDBDataSet*>{&query, &proc}) {
        EXPECT_TRUE(dwIsDerivedDataSet(ds));
        EXPECT_TRUE(dwGetValidateWithMask(ds));
        ASSERT_NE(dwGetPictureMasks(ds), nullptr);
        dwSetPictureMaskEntry(ds, "NAME", "###", true, false, false, false);
        EXPECT_EQ(dwGetPictureMask(ds, "name").Mask, "###");
        EXPECT_NE(GetPropInfo(ds, "OnFilter"), nullptr);
        ds->SetDatabaseName(Folder());
    }
    query.SetOnFilter([](TdwQuery*, bool& accept) { accept = false; });
    EXPECT_TRUE(query.OnFilter());
    EXPECT_TRUE(services_.MessageBoxes.empty()); // nothing to install on a closed query
    TStringList sql;
    sql.Add("select * from loans");
    query.SetSQL(&sql);
    EXPECT_THROW(query.Open(), EDBEngineError);
    EXPECT_FALSE(query.Active());
    proc.SetStoredProcName("LOANPROC");
    EXPECT_THROW(proc.Open(), EDBEngineError);
    EXPECT_FALSE(proc.Active());
}

TEST_F(DwTable, LocateStaysOnAMatchingRecordAndSearchesOtherwise) {
    TdwTable& t = Loans({"SMITH", "ADAMS", "JONES"});
    t.Last();
    EXPECT_TRUE(dwLocateFieldValue(&t, "NAME", "smith", dwMatchWhole, false));
    EXPECT_EQ(Current(t), "SMITH");
    EXPECT_FALSE(dwLocateFieldValue(&t, "NAME", "smith", dwMatchWhole, true));
    EXPECT_EQ(Current(t), "SMITH");
    EXPECT_TRUE(dwLocateFieldValue(&t, "NAME", "jon", dwMatchStart, false));
    EXPECT_EQ(Current(t), "JONES");
    EXPECT_FALSE(dwLocateFieldValue(&t, "NOSUCH", "1", dwMatchWhole, false));
    EXPECT_EQ(LastMessage(), "Field NOSUCH not found.");
}

TEST_F(DwTable, ALookupLineNamingIndexFieldsFindsTheIndexOverThem) {
    MakeLoans("LOOK.DBF", {{"B", 20}});
    TdwTable& t = Loans({"A", "B"}, "NAME", ttDefault, false);
    TStringField* shown = AddShownField(t);
    t.Parts().LookupFields.Add("SHOWN;" + Folder() + ";LOOK.DBF;AMOUNT;name;Y");
    t.Parts().LookupLinks.Add("NAME;NAME");
    t.Open();
    EXPECT_EQ(NamesAndShown(t, shown), "A= B=20 ");
    ASSERT_EQ(t.LookupTables().size(), 1u);
    EXPECT_EQ(t.LookupTables()[0].Table->IndexName(), "NAME");
}
