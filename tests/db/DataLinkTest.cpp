// Data sources and data links: states and events a source relays, circular links, fixed
// sources, and the single-field link of a control.
#include "DataSetFixture.h"

namespace {

using DataLinkTest = DataSetFixture;

TEST_F(DataLinkTest, ASourceCannotFeedTheDatasetItFollows) {
    TTestTable& table = OpenLoans({"A"});
    TDataSource master(nullptr);
    table.Master = &master;
    EXPECT_EQ(MessageOf([&] { master.SetDataSet(&table); }), "Circular datalinks are not allowed");
    EXPECT_EQ(master.DataSet(), nullptr);
    table.Master = nullptr;
    master.SetDataSet(&table);
    EXPECT_EQ(master.State(), dsBrowse);
}

TEST_F(DataLinkTest, ASourceMirrorsTheStateAndReportsDataChanges) {
    TTestTable& table = OpenLoans({"A", "B"});
    TDataSource source(nullptr);
    std::vector<std::string> events;
    source.OnStateChange = [&](TObject*) {
        events.push_back("state " + std::to_string(source.State()));
    };
    source.OnDataChange = [&](TObject*, TField* field) {
        events.push_back("data " + (field ? field->FieldName() : std::string("nil")));
    };
    source.OnUpdateData = [&](TObject*) { events.push_back("update"); };
    source.SetDataSet(&table);
    EXPECT_EQ(events, (std::vector<std::string>{"state 1", "data nil"}));
    events.clear();
    source.Edit();
    EXPECT_EQ(table.State(), dsEdit);
    table.FieldByName("NAME")->SetAsString("Z");
    table.Post();
    EXPECT_EQ(events, (std::vector<std::string>{"state 2", "data nil", "data NAME", "update",
                                                "state 1", "data nil"}));
    events.clear();
    source.SetEnabled(false);
    table.Next();
    EXPECT_EQ(events, (std::vector<std::string>{"state 0"}));
    source.SetAutoEdit(false);
    source.SetEnabled(true);
    source.Edit();
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DataLinkTest, MovingOnKeepsWhatAControlHadNotYetWritten) {
    TTestTable& table = OpenLoans({"A", "B"});
    TDataSource source(nullptr);
    source.SetDataSet(&table);
    // The control writes its pending text when asked for it.
    source.OnUpdateData = [&](TObject*) { table.FieldByName("NAME")->SetAsString("C"); };
    table.Edit();
    table.Next();
    EXPECT_EQ(table.State(), dsBrowse);
    source.OnUpdateData = nullptr;
    EXPECT_EQ(AllNames(), "B C ");
}

TEST_F(DataLinkTest, EachHoldOfControlsEndsWithWhatItsOwnChangesNeed) {
    TTestTable& table = OpenLoans({"A", "B"});
    Watch(table, "l");
    log_.clear();
    table.DisableControls();
    table.FieldByName("NAME")->SetDisplayWidth(30); // a change of layout
    table.EnableControls();
    EXPECT_EQ(log_, (std::vector<std::string>{"l:layout"}));
    log_.clear();
    table.DisableControls();
    table.Next();
    table.EnableControls();
    EXPECT_EQ(log_, (std::vector<std::string>{"l:changed"}));
}

TEST_F(DataLinkTest, ANewRecordIsShownToEveryLink) {
    TTestTable& table = OpenLoans({"A", "B"});
    Watch(table, "l");
    log_.clear();
    table.Insert();
    EXPECT_EQ(log_, (std::vector<std::string>{"l:editing", "l:changed"}));
    table.Cancel();
    log_.clear();
    table.Append();
    EXPECT_EQ(log_, (std::vector<std::string>{"l:editing", "l:changed"}));
    table.Cancel();
}

TEST_F(DataLinkTest, LinksFollowTheirSourceAndAFixedSourceStays) {
    TTestTable& table = OpenLoans({"A"});
    TDataSource source(nullptr), other(nullptr);
    auto link = std::make_unique<TRecordingLink>(log_, "l");
    link->SetDataSource(&source);
    EXPECT_FALSE(link->Active());
    source.SetDataSet(&table);
    EXPECT_TRUE(link->Active());
    EXPECT_EQ(link->DataSet(), &table);
    link->SetDataSourceFixed(true);
    EXPECT_EQ(MessageOf([&] { link->SetDataSource(&other); }), "DataSource cannot be changed");
    link->SetReadOnly(true);
    EXPECT_FALSE(link->Edit());
    EXPECT_EQ(table.State(), dsBrowse);
    link.reset();
    EXPECT_EQ(source.DataLinkCount(), 0);
    table.Close();
    EXPECT_EQ(source.State(), dsInactive);
}

TEST_F(DataLinkTest, KeyEntryShowsOneRecordAtTheTop) {
    TTestTable& table = OpenLoans({"A", "B", "C", "D"});
    TRecordingLink& grid = Watch(table, "grid", 3);
    table.MoveBy(2);
    EXPECT_EQ(grid.ActiveRecord(), 2);
    grid.SetActiveRecord(0);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "A");
    log_.clear();
    table.SetKeyBuffer(0, true);
    EXPECT_EQ(log_, (std::vector<std::string>{"grid:editing", "grid:changed"}));
    EXPECT_TRUE(grid.Editing());
    EXPECT_EQ(grid.RecordCount(), 1);
    EXPECT_EQ(grid.ActiveRecord(), 0);
    table.Cancel();
    EXPECT_EQ(grid.RecordCount(), 3);
}

class FieldLinkTest : public DataSetFixture {
protected:
    void Attach(TTestTable& table) {
        source_.SetDataSet(&table);
        link_.OnDataChange = [&](TObject*) {
            log_.push_back("data " + (link_.Field() ? link_.Field()->AsString() : "-"));
        };
        link_.OnEditingChange = [&](TObject*) {
            log_.push_back(link_.Editing() ? "editing" : "not editing");
        };
        link_.OnActiveChange = [&](TObject*) { log_.push_back("active"); };
        link_.OnUpdateData = [&](TObject*) {
            log_.push_back("store");
            link_.Field()->SetAsString(typed_);
        };
        link_.SetDataSource(&source_);
    }

    TFieldDataLink link_;
    std::string typed_;
};

TEST_F(FieldLinkTest, TheLinkFollowsItsFieldThroughMovesAndEdits) {
    TTestTable& table = OpenLoans({"ADAMS", "SMITH"});
    Attach(table);
    link_.SetFieldName("NAME");
    ASSERT_EQ(link_.Field(), table.FieldByName("NAME"));
    EXPECT_EQ(log_, (std::vector<std::string>{"active", "data ADAMS"}));
    EXPECT_TRUE(link_.CanModify());
    log_.clear();
    table.Next();
    EXPECT_EQ(log_, (std::vector<std::string>{"data SMITH"}));
    log_.clear();
    EXPECT_TRUE(link_.Edit());
    EXPECT_EQ(log_, (std::vector<std::string>{"editing", "data SMITH"}));
    log_.clear();
    typed_ = "TAYLOR";
    link_.Modified();
    table.Post();
    EXPECT_EQ(log_, (std::vector<std::string>{"store", "not editing", "data TAYLOR"}));
    EXPECT_EQ(AllNames(), "ADAMS TAYLOR ");
    // A change of another field does not reach the link.
    log_.clear();
    table.Edit();
    table.FieldByName("AMOUNT")->SetAsFloat(3);
    EXPECT_EQ(log_, (std::vector<std::string>{"editing", "data TAYLOR"}));
    table.Cancel();
}

TEST_F(FieldLinkTest, AReadOnlyFieldIsNotEditedAndAMissingFieldIsReported) {
    TTestTable& table = OpenLoans({"ADAMS"});
    Attach(table);
    link_.SetFieldName("AMOUNT");
    table.FieldByName("AMOUNT")->SetReadOnly(true);
    EXPECT_FALSE(link_.CanModify());
    EXPECT_FALSE(link_.Edit());
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(MessageOf([&] { link_.SetFieldName("RATE"); }), "Field 'RATE' not found");
    EXPECT_EQ(link_.Field(), nullptr);
    table.Close();
    log_.clear();
    link_.SetFieldName("NAME");
    EXPECT_EQ(link_.Field(), nullptr);
    table.Open();
    EXPECT_EQ(link_.Field(), table.FieldByName("NAME"));
    log_.clear();
    link_.Reset();
    EXPECT_EQ(log_, (std::vector<std::string>{"data ADAMS"}));
}

} // namespace
