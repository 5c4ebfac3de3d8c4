// The index chooser and the incremental search over a real table with real keys and the test
// clock: the listed orders, switching the order, one search a third of a second after the last
// key, and completion from the field that was searched.
#include "tests/db/DataSetFixture.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/WindowInput.h"

#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/IndexChooser.h"
#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

namespace {

class DwKeyComboTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        MakeLoans("LOANS.DBF", {{"DAVIS", 40}, {"BAKER", 20}, {"BARTON", 30}, {"ADAMS", 10}});
        table = std::make_unique<TdwTable>(nullptr);
        table->SetDatabaseName(folder_.Path() + "/");
        table->SetTableName("LOANS.DBF");
        table->SetTableType(ttXBFOX);
        table->SetIndexName("NAME");
        table->Open();
        table->FieldByName("AMOUNT")->SetDisplayLabel("Loan amount");
        source_.SetDataSet(table.get());
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 200);
        combo = new TdwKeyCombo(form);
        combo->SetParent(form);
        search = PlaceControl<TdwIncrementalSearch>(form, form, 0, 40, 150, 24);
        search->SetName("Search");
        search->OnAfterSearch = [this](TdwIncrementalSearch*, bool found) {
            results.push_back(found);
        };
        form->Show();
    }
    void TearDown() override {
        delete form;
        table.reset();
        DataSetFixture::TearDown();
    }
    std::string Name() { return table->FieldByName("NAME")->AsString(); }
    void TypeText(const std::string& text) {
        for (char c : text)
            TypeCharacter(search, Qt::Key_A + (c - 'A'), QString(c));
    }
    // Adds an index tag to LOANS.DBF (closing the table meanwhile).
    void AddTag(const std::string& tag, const std::string& key, int descending) {
        table->Close();
        ASSERT_GT(xb_Use(Path("LOANS.DBF"), "IDX", xbModeExclusive, xbCDX), 0);
        ASSERT_GT(xb_IndexCreate("", tag, key, "", 0, descending), 0);
        xb_Close();
        table->Open();
    }
    std::string Names() {
        std::string names;
        for (table->First(); !table->Eof(); table->Next())
            names += Name() + " ";
        return names;
    }
    void Wait(int ms) {
        clock.Advance(static_cast<std::uint64_t>(ms));
        Application->ProcessMessages();
    }

    TManualClock clock;
    TClockOverride useClock{clock};
    TRecordedServices services;
    std::unique_ptr<TdwTable> table;
    TForm* form = nullptr;
    TdwKeyCombo* combo = nullptr;
    TdwIncrementalSearch* search = nullptr;
    std::vector<bool> results;
};

TEST_F(DwKeyComboTest, TheComboListsTheOrdersAndSwitchesTheTable) {
    combo->SetDataSource(&source_);
    ASSERT_EQ(combo->Items()->Count(), 2);
    EXPECT_EQ(combo->Items()->Strings(0), "NAME");
    EXPECT_EQ(combo->Items()->Strings(1), "Loan amount");
    EXPECT_EQ(combo->Text(), "NAME");
    combo->SetFocus();
    Type(combo, Qt::Key_Down);
    EXPECT_EQ(table->IndexName(), "AMOUNT");
    table->First();
    EXPECT_EQ(Name(), "ADAMS");
    combo->SetShowAllIndexes(true);
    EXPECT_EQ(combo->Items()->Strings(1), "AMOUNT");
    EXPECT_EQ(combo->Text(), "AMOUNT");
}

TEST_F(DwKeyComboTest, TheChooserKeepsItsSourceWhenAnotherComponentGoes) {
    combo->SetDataSource(&source_);
    delete new TEdit(form);
    EXPECT_EQ(combo->DataSource(), &source_);
    // Its own source going is what it forgets.
    {
        TDataSource passing(nullptr);
        passing.SetDataSet(table.get());
        combo->SetDataSource(&passing);
    }
    EXPECT_EQ(combo->DataSource(), nullptr);
}

TEST_F(DwKeyComboTest, InAutomaticDragModeAPressDragsTheChooserInsteadOfOpeningIt) {
    combo->SetDataSource(&source_);
    combo->SetDragMode(dmAutomatic);
    combo->SetDragCursor(crMultiDrag);
    TObject* dropped = nullptr;
    search->OnDragOver = [](TObject*, TObject*, int, int, TDragOverState, bool& accept) {
        accept = true;
    };
    search->OnDragDrop = [&](TObject*, TObject* source, int, int) { dropped = source; };
    PressOn(form, combo, 10, 5);
    EXPECT_FALSE(combo->DroppedDown());
    MoveOver(form, search, 10, 5);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::DragCopyCursor);
    ReleaseOn(form, search, 10, 5);
    EXPECT_EQ(dropped, combo);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(table->IndexName(), "NAME");
}

TEST_F(DwKeyComboTest, ASourceOfNoTableIsRefused) {
    TDataSource other(nullptr);
    TTestTable plain(folder_.Path(), "LOANS.DBF");
    other.SetDataSet(&plain);
    combo->SetDataSource(&other);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "DataSource must point to a TTable.");
    EXPECT_EQ(combo->DataSource(), nullptr);
}

TEST_F(DwKeyComboTest, OneSearchAThirdOfASecondAfterTheLastKey) {
    search->SetDataSource(&source_);
    search->ShowMatchText = true;
    search->SetFocus();
    TypeText("BA");
    Wait(200);
    TypeText("R");
    Wait(332);
    EXPECT_TRUE(results.empty());
    Wait(1);
    EXPECT_EQ(results, std::vector<bool>{true});
    EXPECT_EQ(Name(), "BARTON");
    // The completion follows what was typed and is selected.
    EXPECT_EQ(search->Text(), "BARTON");
    EXPECT_EQ(search->SelStart(), 3);
    EXPECT_EQ(search->SelLength(), 3);
    // Backspace takes the completion back without a search; arrows search nothing.
    Type(search, Qt::Key_Backspace);
    Type(search, Qt::Key_Left);
    Wait(1000);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(search->Text(), "BAR");
}

TEST_F(DwKeyComboTest, ASearchFieldOutsideTheIndexCompletesFromItself) {
    search->SetDataSource(&source_);
    search->SearchField = "NAME";
    table->SetIndexName("AMOUNT");
    search->ShowMatchText = true;
    search->SetFocus();
    TypeText("DA");
    Wait(400);
    EXPECT_EQ(results, std::vector<bool>{true});
    EXPECT_EQ(Name(), "DAVIS");
    EXPECT_EQ(search->Text(), "DAVIS");
    TypeText("X");
    Wait(400);
    EXPECT_EQ(results.back(), false);
}

TEST_F(DwKeyComboTest, ASearchWithoutSourceWarns) {
    search->SetFocus();
    TypeText("A");
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "DataSource not defined - object Search");
}

TEST_F(DwKeyComboTest, AnExpressionIndexIsSearchedThroughItsField) {
    AddTag("UNAME", "UPPER(NAME)", 0);
    table->Close();
    table->SetIndexName("UNAME");
    table->Open();
    search->SetDataSource(&source_);
    search->SetFocus();
    // "c" has no match: the nearest key in the index's order is the next name.
    TypeCharacter(search, Qt::Key_C, "c");
    Wait(400);
    EXPECT_EQ(results, std::vector<bool>{false});
    EXPECT_EQ(Name(), "DAVIS");
    search->SetText("");
    TypeCharacter(search, Qt::Key_B, "b");
    TypeCharacter(search, Qt::Key_A, "a");
    TypeCharacter(search, Qt::Key_R, "r");
    Wait(400);
    EXPECT_EQ(results.back(), true);
    EXPECT_EQ(Name(), "BARTON");
}

TEST_F(DwKeyComboTest, ADescendingTwinIsOfferedApartAndAnExpressionIsNot) {
    AddTag("NAMEDESC", "NAME", 1);
    AddTag("UNAME", "UPPER(NAME)", 0);
    combo->SetDataSource(&source_);
    ASSERT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->Items()->Strings(2), "NAME - Desc");
    combo->SetFocus();
    Type(combo, Qt::Key_End);
    EXPECT_EQ(table->IndexName(), "NAMEDESC");
    EXPECT_EQ(Names(), "DAVIS BARTON BAKER ADAMS ");
    EXPECT_EQ(combo->Text(), "NAME - Desc");
    Type(combo, Qt::Key_Home);
    EXPECT_EQ(Names(), "ADAMS BAKER BARTON DAVIS ");
    EXPECT_TRUE(services.MessageBoxes.empty());
}

TEST_F(DwKeyComboTest, ATableReadingThroughAQueryIsRefused) {
    combo->SetDataSource(&source_);
    TStringList query;
    query.Add("SELECT * FROM LOANS");
    table->SetQuery(&query);
    combo->SetShowAllIndexes(true);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "TdwKeyCombo: DataSet cannot be a TdwTable using a Query.");
    EXPECT_EQ(combo->Items()->Count(), 2);
}

TEST_F(DwKeyComboTest, ANarrowingSearchShowsOnlyMatchesAndWidensOnBackspace) {
    table->NarrowSearch = true;
    search->SetDataSource(&source_);
    search->ShowMatchText = true;
    search->SetFocus();
    TypeText("BAR");
    Wait(400);
    EXPECT_EQ(results, std::vector<bool>{true});
    EXPECT_EQ(search->Text(), "BARTON");
    EXPECT_EQ(table->RecordCount(), 1);
    // Backspace takes the completion back, a second one a letter: the range widens with it,
    // and no search runs.
    Type(search, Qt::Key_Backspace);
    Type(search, Qt::Key_Backspace);
    Wait(1000);
    EXPECT_EQ(search->Text(), "BA");
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(Names(), "BAKER BARTON ");
}

TEST_F(DwKeyComboTest, AKeySearchOnAPlainTableIsRefused) {
    TTable plain(nullptr);
    plain.SetDatabaseName(folder_.Path() + "/");
    plain.SetTableName("LOANS.DBF");
    plain.SetIndexName("NAME");
    plain.Open();
    source_.SetDataSet(&plain);
    search->SetDataSource(&source_);
    search->SetFocus();
    TypeText("B");
    Wait(400);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "Incremental Search - TTable component not supported. Use TdwTable instead.");
    EXPECT_EQ(results, std::vector<bool>{false});
    source_.SetDataSet(nullptr);
}

} // namespace
