// Rows, columns, colours and grid pens: their stores and the notifications the table hears.
#include "controls/table/GridPens.h"
#include "controls/table/TableColors.h"
#include "controls/table/TableColumns.h"
#include "controls/table/TableRows.h"

#include "TableSupport.h"
#include "controls/entry/EntryExceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TNote {
    LongInt Num1;
    LongInt Num2;
    TVcTblActions Action;
    bool operator==(const TNote&) const = default;
};

class RowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        rows.OnCfgChanged = [this](TObject*, LongInt n1, LongInt n2, TVcTblActions a) {
            notes.push_back({n1, n2, a});
        };
    }
    TVcTableRows rows;
    std::vector<TNote> notes;
};

TEST_F(RowsTest, DefaultsAndRowsThatStoreNothing) {
    EXPECT_EQ(rows.DefaultHeight(), 30);
    EXPECT_EQ(rows.Limit(), 10);
    rows.SetRowHeight(3, 30);
    rows.SetRowHeight(3, 0);
    EXPECT_EQ(rows.StoredCount(), 0);
    rows.SetRowHeight(3, 45);
    EXPECT_EQ(rows.StoredCount(), 1);
    rows.SetRowHeight(3, 30); // back to the default: the record goes
    EXPECT_EQ(rows.StoredCount(), 0);
    notes.clear();
    EXPECT_TRUE(notes.empty());
    rows.SetLimit(0);
    EXPECT_EQ(rows.Limit(), 1);
    EXPECT_EQ(notes.back(), (TNote{-2, 0, tbaLimit}));
    rows.SetLimit(5);
    EXPECT_THROW(rows.GetRow(5), EVcTable);
    EXPECT_THROW(rows.SetRowHeight(-1, 40), EVcTable);
    try {
        rows.Hidden(7);
    } catch (const EVcTable& e) {
        EXPECT_EQ(std::string(e.what()), "row number out of bounds");
    }
    EXPECT_EQ(rows.StoredCount(), 0);
}

TEST_F(RowsTest, HiddenRowsKeepTheDefaultHeight) {
    rows.SetHidden(4, true);
    EXPECT_EQ(rows.StoredRows().front().second.Height, -1);
    EXPECT_EQ(rows.GetRow(4).Height, 30);
    EXPECT_TRUE(rows.GetRow(4).Hidden);
    rows.SetRowHeight(6, 50);
    rows.SetDefaultHeight(12);
    EXPECT_EQ(rows.Height(4), 12);
    EXPECT_EQ(rows.Height(6), 50);
    EXPECT_EQ(notes.back(), (TNote{0, 0, tbaAll}));
    // Back to the default height and shown: the record goes.
    rows.SetRow(4, {12, false});
    EXPECT_FALSE(rows.RowIsSpecial(4));
    // A hidden row given the default height stays hidden with -1.
    rows.SetRow(6, {50, true});
    rows.SetRowHeight(6, 12);
    EXPECT_TRUE(rows.Hidden(6));
    EXPECT_EQ(rows.StoredRows().front().second.Height, -1);
    rows.SetHidden(6, false);
    EXPECT_EQ(rows.StoredCount(), 0);
    // A row of its own height hidden and shown again keeps that height.
    rows.SetRowHeight(7, 33);
    rows.SetHidden(7, true);
    rows.SetHidden(7, false);
    EXPECT_EQ(rows.Height(7), 33);
}

TEST_F(RowsTest, ExchangeRescaleAndClear) {
    rows.SetRowHeight(1, 40);
    notes.clear();
    rows.Exchange(1, 8);
    EXPECT_EQ(rows.Height(8), 40);
    EXPECT_EQ(rows.Height(1), 30);
    EXPECT_EQ(notes, (std::vector<TNote>{{1, 8, tbaExchange}}));
    rows.Exchange(3, 3);
    EXPECT_EQ(notes.size(), 1u);
    rows.Rescale(3, 2);
    EXPECT_EQ(rows.DefaultHeight(), 45);
    EXPECT_EQ(rows.Height(8), 60);
    rows.Clear();
    EXPECT_EQ(rows.StoredCount(), 0);
    EXPECT_EQ(notes.back(), (TNote{0, 0, tbaAll}));
    // Assigned rows are told as a whole once the new heights are in.
    TVcTableRows other;
    other.SetLimit(7);
    other.SetRowHeight(2, 50);
    rows.Assign(&other);
    EXPECT_EQ(rows.Limit(), 7);
    EXPECT_EQ(rows.Height(2), 50);
    EXPECT_EQ(notes.back(), (TNote{0, 0, tbaAll}));
}

using ColumnsTest = TableFormTest;

TEST_F(ColumnsTest, DeletingRenumbersAndForeignThingsAreIgnored) {
    TVcTableColumns columns(table, 3);
    std::vector<TNote> notes;
    columns.SetOnCfgChanged([&](TObject*, LongInt n1, LongInt n2, TVcTblActions a) {
        notes.push_back({n1, n2, a});
    });
    EXPECT_EQ(columns.Items(2)->Width(), 150);
    columns.Delete(0);
    EXPECT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns.Items(0)->Number(), 0);
    EXPECT_EQ(columns.Items(1)->Number(), 1);
    EXPECT_EQ(notes.back(), (TNote{0, 0, tbaDelete}));
    columns.Delete(5);
    columns.Exchange(0, 9);
    columns.Exchange(0, 2); // one past the last
    columns.Exchange(2, 0);
    EXPECT_EQ(columns.Items(1)->Width(), 150) << "nothing moved";
    columns.Exchange(0, 1);
    EXPECT_EQ(columns.Items(0)->Width(), 150);
    EXPECT_EQ(columns.Items(0)->Number(), 0) << "numbers follow the places";
    columns.Exchange(1, 0);
    EXPECT_EQ(columns.Items(1)->Width(), 150) << "and back";
    EXPECT_EQ(columns.Items(7), nullptr);
    EXPECT_EQ(columns.DefaultCell(7), nullptr);
    auto* other = Make<TVcTable>("Table2", 0, 0);
    TVcTableColumn foreign(other);
    columns.Append(&foreign);
    EXPECT_EQ(columns.Count(), 2);
    columns.SetCount(4);
    EXPECT_EQ(columns.Items(3)->Number(), 3);
    EXPECT_EQ(notes.back(), (TNote{3, 0, tbaAppend}));
    columns.SetCount(0);
    EXPECT_EQ(columns.Count(), 4);
    columns.Items(1)->SetWidth(60);
    EXPECT_EQ(notes.back(), (TNote{1, 0, tbaSingle}));
    // Assigned columns take the count and each column's settings.
    TVcTableColumns copy(table, 2);
    copy.Assign(&columns);
    ASSERT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy.Items(1)->Width(), 60);
    EXPECT_EQ(copy.Items(0)->Width(), columns.Items(0)->Width());
}

TEST_F(ColumnsTest, ACellServesOneTableAndCountsItsUses) {
    Configure(20, 4);
    EXPECT_EQ(text->CellTable(), table);
    EXPECT_EQ(text->References(), 1);
    table->SetCellComponent(5, 2, text);
    EXPECT_EQ(text->References(), 2);
    table->SetCellComponent(5, 2, nullptr);
    auto* other = Make<TVcTable>("Table2", 0, 0);
    other->Columns()->Items(1)->SetDefaultCell(text);
    EXPECT_EQ(other->Columns()->DefaultCell(1), nullptr);
    table->Columns()->Items(1)->SetDefaultCell(nullptr);
    EXPECT_EQ(text->References(), 0);
    EXPECT_EQ(text->CellTable(), nullptr);
    other->Columns()->Items(1)->SetDefaultCell(text);
    EXPECT_EQ(text->CellTable(), other);
    table->SetLockedRowsCell(text);
    EXPECT_NE(table->LockedRowsCell(), text) << "a cell another table uses is refused";
    TVcTableColumn copy(other);
    copy.Assign(other->Columns()->Items(1));
    EXPECT_EQ(copy.DefaultCell(), text);
    EXPECT_EQ(text->References(), 2);
}

TEST_F(ColumnsTest, StoredCellNamesResolveOnTheRightForms) {
    form->SetName("F1_2");
    TForm elsewhere(nullptr);
    elsewhere.SetName("F9");
    auto* remote = new TVcTCString(&elsewhere);
    remote->SetName("Remote");
    TVcTableColumns columns(table, 4);
    columns.QueueCellName("F1.Text", columns.Items(0));
    columns.QueueCellName("F9.Remote", columns.Items(1));
    columns.QueueCellName("F1.Remote", columns.Items(2));
    columns.QueueCellName("Nowhere.Text", columns.Items(3));
    columns.ResolveCellNames();
    EXPECT_EQ(columns.DefaultCell(0), text);
    EXPECT_EQ(columns.DefaultCell(1), remote);
    EXPECT_EQ(columns.DefaultCell(2), nullptr);
    EXPECT_EQ(columns.DefaultCell(3), nullptr);
    columns.Items(1)->SetDefaultCell(nullptr);
}

TEST(TableColorsTest, AssignTellsOnceAndSettersOnlyOnChange) {
    TVcTableColors colors;
    int told = 0;
    colors.OnChange = [&](TObject*) { ++told; };
    EXPECT_EQ(colors.Locked(), clBtnFace);
    EXPECT_EQ(colors.SelectedText(), clHighlightText);
    colors.SetLocked(clBtnFace);
    EXPECT_EQ(told, 0);
    colors.SetEditing(clRed);
    EXPECT_EQ(told, 1);
    TVcTableColors other;
    other.SetSelected(clLime);
    colors.Assign(&other);
    EXPECT_EQ(told, 2);
    EXPECT_EQ(colors.Selected(), clLime);
    EXPECT_EQ(colors.Editing(), clBtnFace);
}

TEST(GridPensTest, DefaultsAndAssignment) {
    TVcGridPenSet pens;
    EXPECT_EQ(pens.NormalGrid()->Style(), psDot);
    EXPECT_EQ(pens.NormalGrid()->Effect(), geBoth);
    EXPECT_EQ(pens.LockedGrid()->Effect(), ge3D);
    EXPECT_EQ(pens.LockedGrid()->NormalColor(), clBtnShadow);
    EXPECT_EQ(pens.CellWhenFocused()->NormalColor(), clBlack);
    EXPECT_EQ(pens.CellWhenUnfocused()->Style(), psDash);
    EXPECT_EQ(pens.CellWhenUnfocused()->SecondColor(), clBtnHighlight);
    int told = 0;
    pens.SetOnChange([&](TObject*) { ++told; });
    pens.NormalGrid()->SetEffect(geBoth);
    EXPECT_EQ(told, 0);
    TVcGridPenSet other;
    other.LockedGrid()->SetNormalColor(clRed);
    pens.Assign(&other);
    EXPECT_EQ(told, 4);
    EXPECT_EQ(pens.LockedGrid()->NormalColor(), clRed);
    EXPECT_EQ(pens.NormalGrid()->Style(), psDot);
}

} // namespace
