#include "controls/entry/TableCellLinks.h"

#include "EntryFormSupport.h"
#include "controls/entry/Carets.h"
#include "controls/entry/ColorPair.h"
#include "controls/entry/EntryExceptions.h"

namespace {

class TTestCell : public TVcTableCellAncestor {
public:
    using TVcTableCellAncestor::TVcTableCellAncestor;
    void ChangeScale(int M, int D) override { scales.push_back(M * 1000 / D); }
    std::vector<int> scales;
};

class TTestTable : public TVcTableAncestor {
public:
    using TVcTableAncestor::TVcTableAncestor;
    std::vector<TVcTableCellAncestor*> changed;

protected:
    void CellChanged(TVcTableCellAncestor* Cell) override { changed.push_back(Cell); }
};

using VcTableAncestorTest = EntryFormTest;

TEST_F(VcTableAncestorTest, CellsRegisterOnceAndReportChanges) {
    auto* table = Make<TTestTable>("Table", 10, 10);
    auto* cell = new TTestCell(form.get());
    cell->SetName("Cell1");
    cell->DoCellChanged(); // no table yet: nothing happens
    table->AddCell(cell);
    table->IncludeCell(cell);
    EXPECT_EQ(table->CellCount(), 1);
    EXPECT_EQ(cell->Table(), table);
    cell->DoCellChanged();
    EXPECT_EQ(table->changed, (std::vector<TVcTableCellAncestor*>{cell}));
    table->SetBounds(10, 10, 100, 50);
    table->ChangeScale(3, 2);
    EXPECT_EQ(table->Width(), 150);
    EXPECT_EQ(cell->scales, (std::vector<int>{1500}));
    EXPECT_EQ(table->CellData(), (std::vector<std::string>{"EntryForm.Cell1"}));
    table->ExcludeCell(cell);
    EXPECT_EQ(table->CellCount(), 0);
    cell->DoCellChanged();
    EXPECT_EQ(table->changed.size(), 1u);
    // A freed cell leaves the list.
    table->AddCell(cell);
    delete cell;
    EXPECT_EQ(table->CellCount(), 0);
}

TEST_F(VcTableAncestorTest, StoredReferencesResolveAcrossForms) {
    TForm cellForm(nullptr);
    cellForm.SetName("CellForm");
    auto* remote = new TTestCell(&cellForm);
    remote->SetName("Remote");
    form->SetName("Form1_2");
    auto* local = new TTestCell(form.get());
    local->SetName("Local");
    auto* notCell = new TComponent(form.get());
    notCell->SetName("Plain");
    auto* table = Make<TTestTable>("Table", 10, 10);
    table->ReadCellData({"Form1.Local", "CellForm.Remote", "Plain", "Elsewhere.Gone"});
    table->ResolveCellData();
    ASSERT_EQ(table->CellCount(), 2);
    EXPECT_EQ(table->Cells(0), local);
    EXPECT_EQ(table->Cells(1), remote);
    EXPECT_EQ(table->CellData(), (std::vector<std::string>{"Form1_2.Local", "CellForm.Remote"}));
}

TEST(VcTableCommon, IntegerRoutinesErrorsAndArrays) {
    EXPECT_EQ(IntMin(-3, 2), -3);
    EXPECT_EQ(MaxI(-3, 2), 2);
    EXPECT_EQ(LongMax(-2147483647 - 1, -1), -1);
    try {
        RaiseTableError(34284);
        FAIL();
    } catch (const EVcTable& e) {
        EXPECT_EQ(e.Message(), "Grid");
    }
    std::unique_ptr<TVcRowColArray> array;
    ReallocRowColArray(array, 4);
    ASSERT_TRUE(array);
    EXPECT_EQ(array->Capacity, 4);
    EXPECT_EQ(array->Count, 0);
    array->Count = 3;
    array->Entries = {7, 8, 9, 0};
    ReallocRowColArray(array, 2);
    EXPECT_EQ(array->Count, 2);
    EXPECT_EQ(array->Entries, (std::vector<Int64>{7, 8}));
    ReallocRowColArray(array, 0);
    EXPECT_FALSE(array);
}

TEST(VcCaretsAndColours, LooksAndDefaults) {
    TVcCaret caret;
    int changes = 0;
    caret.OnChange = [&] { ++changes; };
    caret.SetCaretWidth(0);
    EXPECT_EQ(caret.CaretWidth(), 2);
    EXPECT_EQ(changes, 0);
    caret.SetShape(csHorzLine);
    EXPECT_EQ(caret.Align(), caBottom);
    EXPECT_EQ(caret.CaretHeight(), 2);
    caret.SetBitmapHotSpotX(3); // not a bitmap caret: no notice
    EXPECT_EQ(changes, 1);

    // Each change of the look is announced once; setting the value it already has is not.
    changes = 0;
    caret.SetAlign(caRight);
    caret.SetAlign(caRight);
    caret.SetBlinkTime(300);
    caret.SetBlinkTime(300);
    caret.SetCaretHeight(7);
    caret.SetCaretHeight(7);
    caret.SetCaretWidth(5);
    caret.SetCaretWidth(5);
    caret.SetIsGray(true);
    caret.SetIsGray(true);
    EXPECT_TRUE(caret.IsGray());
    EXPECT_EQ(changes, 5);

    TVcCaretPair pair(nullptr);
    EXPECT_EQ(pair.Caret()->Shape(), csVertLine);
    pair.SetInsertMode(false);
    EXPECT_EQ(pair.Caret()->Shape(), csBlock);
    EXPECT_EQ(pair.CaretSize().cx, pair.CellWidth());

    TVcColors colours(clGrayText, clWindow);
    colours.SetTextColor(clGrayText);
    EXPECT_TRUE(colours.UseDefault());
    colours.SetTextColor(clBlack);
    EXPECT_FALSE(colours.UseDefault());
    colours.SetUseDefault(true);
    EXPECT_EQ(colours.TextColor(), clGrayText);
    colours.SetBackColor(clWindow);
    EXPECT_TRUE(colours.UseDefault());
    colours.SetBackColor(clYellow);
    EXPECT_FALSE(colours.UseDefault());
    EXPECT_EQ(colours.BackColor(), clYellow);
}

TEST_F(VcTableAncestorTest, FieldCaretFollowsTheInsertMode) {
    auto* table = Make<TTestTable>("Table", 10, 10);
    ShowForm();
    table->SetTabStop(true);
    Focus(table);
    TVcSingleCaret caret(table);
    caret.SetLinked(true);
    caret.SetShown(true);
    caret.SetPosition(4, 3);
    TCaretState state = CaretState();
    EXPECT_EQ(state.Owner, table->Handle());
    EXPECT_EQ(state.Width, 2);
    EXPECT_EQ(state.Height, 10);
    EXPECT_EQ(state.Pos.X, 4);
    EXPECT_TRUE(state.Visible());
    caret.Caret()->SetShape(csBlock);
    state = CaretState();
    EXPECT_EQ(state.Width, 10);
    // A line along the bottom of the cell, a narrow caret at its right or in its middle.
    caret.SetCellWidth(8);
    caret.Caret()->SetShape(csHorzLine);
    state = CaretState();
    EXPECT_EQ(state.Pos.Y, 3 + 10 - 2);
    EXPECT_EQ(state.Pos.X, 4);
    caret.Caret()->SetShape(csCustom);
    caret.Caret()->SetCaretWidth(2);
    caret.Caret()->SetCaretHeight(4);
    caret.Caret()->SetAlign(caRight);
    EXPECT_EQ(CaretState().Pos.X, 4 + 8 - 2);
    EXPECT_EQ(CaretState().Pos.Y, 3);
    caret.Caret()->SetAlign(caCenter);
    EXPECT_EQ(CaretState().Pos.X, 4 + (8 - 2) / 2);
    EXPECT_EQ(CaretState().Pos.Y, 3 + (10 - 4) / 2);
    caret.SetLinked(false);
    EXPECT_EQ(CaretState().Owner, 0u);
}

TEST_F(VcTableAncestorTest, BitmapCaretShowsItsPictureAtTheHotSpot) {
    auto* table = Make<TTestTable>("Table", 10, 10);
    ShowForm();
    TVcSingleCaret caret(table);
    // Without a picture the bitmap shape falls back to a solid caret of its own size.
    caret.Caret()->SetShape(csBitmap);
    caret.SetLinked(true);
    caret.SetPosition(20, 5);
    EXPECT_FALSE(CaretState().IsBitmap);
    EXPECT_EQ(CaretState().Width, 1);

    TBitmap picture;
    picture.SetSize(6, 12);
    caret.Caret()->SetBitmap(&picture);
    caret.Caret()->SetShape(csBitmap); // takes the picture's size
    caret.Caret()->SetBitmapHotSpotX(2);
    caret.Caret()->SetBitmapHotSpotY(3);
    TCaretState state = CaretState();
    EXPECT_TRUE(state.IsBitmap);
    EXPECT_EQ(state.Width, 6);
    EXPECT_EQ(state.Height, 12);
    EXPECT_EQ(state.Pos.X, 18);
    EXPECT_EQ(state.Pos.Y, 2);
    // Another shape goes back to a plain caret.
    caret.Caret()->SetShape(csVertLine);
    EXPECT_FALSE(CaretState().IsBitmap);
    EXPECT_EQ(CaretState().Width, 2);
    caret.SetLinked(false);
}

} // namespace
