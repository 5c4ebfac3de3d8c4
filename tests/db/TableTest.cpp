// Tables over real files: table types and drivers, index names and definitions, key searches
// and ranges with partial keys, index files, master-detail links, and tables created with their
// production index (read back with python3-dbfread).
#include "DataSetFixture.h"

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

    static std::string Names(TTable& table) {
        std::string names;
        for (table.First(); !table.Eof(); table.Next())
            names += table.FieldByName("NAME")->AsString() + " ";
        return names;
    }

    static std::string Current(TTable& table) { return table.FieldByName("NAME")->AsString(); }

    std::unique_ptr<TTable> master_;
    std::unique_ptr<TTable> detail_;
};

TEST_F(TableTest, OpensInTheOrderOfItsIndexTagAndSwitchesOrders) {
    TTable& table = Loans({"SMITH", "ADAMS", "JONES"});
    EXPECT_EQ(Names(table), "ADAMS JONES SMITH ");
    EXPECT_EQ(table.IndexName(), "NAME");
    table.SetIndexName("AMOUNT");
    EXPECT_EQ(Names(table), "SMITH ADAMS JONES ");
    table.SetIndexFieldNames("NAME");
    EXPECT_EQ(table.IndexName(), "");
    EXPECT_EQ(table.IndexFieldNames(), "NAME");
    EXPECT_EQ(Names(table), "ADAMS JONES SMITH ");
    table.SetIndexName("");
    EXPECT_EQ(Names(table), "SMITH ADAMS JONES ");
    EXPECT_EQ(MessageOf([&] { table.SetIndexName("RATE"); }), "Engine Error : 10760");
    EXPECT_EQ(Names(table), "SMITH ADAMS JONES ");
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
    table.SetIndexName("");
    EXPECT_EQ(MessageOf([&] { table.FindKey({"JONES"}); }), "No index currently active");
}

TEST_F(TableTest, RangesLimitTheRecordsAndAnOpenEndHasNoBound) {
    TTable& table = Loans({"A", "B", "C", "D", "E"});
    table.SetRange({"B"}, {"D"});
    EXPECT_EQ(Names(table), "B C D ");
    table.SetRangeStart();
    table.FieldByName("NAME")->SetAsString("C");
    table.SetRangeEnd();
    table.ApplyRange();
    EXPECT_EQ(Names(table), "C D E ");
    table.CancelRange();
    EXPECT_EQ(Names(table), "A B C D E ");
    EXPECT_EQ(table.RecordCount(), 1);
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

} // namespace
