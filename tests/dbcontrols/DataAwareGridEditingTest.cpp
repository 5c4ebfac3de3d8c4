// The data-aware grid's editing and input over a real table with real keys and mouse: the
// multi-line cell editor (wrapping, edit limit, text margins, paste), the picture check when
// the editor gets the focus, focus taken by clicks and scroll-bar actions, the indicator title
// button, the multi-selection and its Shift-select anchor, and the scroll bar's thumb.
#include "tests/dbcontrols/GridFixture.h"

#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/GridCore.h"
#include "platform/gui/Clipbrd.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

// A grid that keeps a multi-selection as a list of names, as the published grid keeps bookmarks.
class TSelectingGrid : public TdwCustomDBGrid {
public:
    using TdwCustomDBGrid::TdwCustomDBGrid;
    std::vector<std::string> Chosen;
    bool IsCurrentRecordSelected() override {
        return std::find(Chosen.begin(), Chosen.end(), Current()) != Chosen.end();
    }
    void SelectRecord() override { Chosen.push_back(Current()); }
    void UnselectRecord() override { std::erase(Chosen, Current()); }
    void UnselectAll() override { Chosen.clear(); }

private:
    std::string Current() { return DataSource()->DataSet()->FieldByName("NAME")->AsString(); }
};

class DwGridEditTest : public TGridFixture<TSelectingGrid> {
protected:
    void SetUp() override {
        TGridFixture::SetUp();
        edit = PlaceControl<TEdit>(form, form, 0, 220, 100, 24);
        grid->SetFocus();
    }
    QPoint CellPoint(int col, int row) {
        const TRect r = grid->CellRect(col, row);
        return {r.Left + 5, r.Top + 5};
    }
    void ClickCell(int col, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(WidgetOf(grid), Qt::LeftButton, mods, CellPoint(col, row));
    }
    QPlainTextEdit* EditorWidget() {
        return qobject_cast<QPlainTextEdit*>(WidgetOf(grid->InplaceEditor()));
    }
    void Scroll(int code, int pos = 0) {
        grid->Perform(WM_VSCROLL, static_cast<WPARAM>(MakeLParam(code, pos)), 0);
    }

    TEdit* edit = nullptr;
};

// ---- The cell editor ----

TEST_F(DwGridEditTest, TheCellEditorWrapsLongTextsAndFollowsTheWordWrapOption) {
    table->FieldByName("NAME")->SetDisplayWidth(3);
    grid->RebuildLayout();
    Type(grid, Qt::Key_F2);
    ASSERT_NE(EditorWidget(), nullptr);
    EXPECT_EQ(EditorWidget()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    grid->InplaceEditor()->SetText("ADAMS ADAMS");
    EditorWidget()->document()->adjustSize();
    EXPECT_GT(EditorWidget()->document()->firstBlock().layout()->lineCount(), 1);
    // Off, the editor is made again as a single line that scrolls.
    grid->SetOptions(grid->Options() - TdwDBGridOptions{dgWordWrap});
    ASSERT_NE(EditorWidget(), nullptr);
    EXPECT_EQ(EditorWidget()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(static_cast<TdwInplaceEdit*>(grid->InplaceEditor())->WordWrap());
}

TEST_F(DwGridEditTest, TheCellEditorKeepsToTheFieldSizeAndTakesNoLineBreak) {
    TypeText(grid, "ABCDEFGHIJKL");
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ABCDEFGHIJ");
    EXPECT_FALSE(services.Beeps.empty());
    Type(grid->InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(Name(), "ABCDEFGHIJ");
    EXPECT_EQ(grid->InplaceEditor()->Text().find('\n'), std::string::npos);
}

TEST_F(DwGridEditTest, TheTextKeepsOffTheEditorsEdges) {
    Type(grid, Qt::Key_F2);
    TWinControl* editor = grid->InplaceEditor();
    TRect rect;
    editor->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
    const TRect client = editor->ClientRect();
    EXPECT_EQ(rect.Left, 2);
    EXPECT_EQ(rect.Top, 2);
    EXPECT_EQ(rect.Right, client.Right - 1);
    EXPECT_EQ(rect.Bottom, client.Bottom);
    // The margins stay when the font changes.
    editor->Font()->SetSize(14);
    editor->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
    EXPECT_EQ(rect.Left, 2);
}

TEST_F(DwGridEditTest, APastedTextIsStoredAsAChangeOfTheCell) {
    Type(grid, Qt::Key_F2);
    TWinControl* editor = grid->InplaceEditor();
    // A change of another field settles the record: nothing is pending in the cell.
    table->FieldByName("AMOUNT")->SetAsFloat(7);
    ASSERT_FALSE(grid->DataLink()->IsModified());
    Clipboard()->SetAsText("PASTED");
    static_cast<TCustomEdit*>(editor)->SelectAll();
    Type(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->Text(), "PASTED");
    EXPECT_TRUE(grid->DataLink()->IsModified());
    Type(editor, Qt::Key_Tab);
    EXPECT_EQ(Name(), "PASTED");
}

TEST_F(DwGridEditTest, APasteOrAFilledLiteralEditsTheRecordAgainAfterTheProgramCancelled) {
    Type(grid, Qt::Key_F2);
    TWinControl* editor = grid->InplaceEditor();
    ASSERT_EQ(table->State(), dsEdit);
    // The program cancels while the editor stays open.
    table->Cancel();
    ASSERT_EQ(table->State(), dsBrowse);
    ASSERT_TRUE(editor->Visible());
    Clipboard()->SetAsText("PASTED");
    static_cast<TCustomEdit*>(editor)->SetSelStart(2); // "AMS" of "ADAMS"
    static_cast<TCustomEdit*>(editor)->SetSelLength(3);
    Type(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(table->State(), dsEdit);
    // Taking the record into edit again leaves the pasted text in the editor, in place of the
    // text selected, and it is stored.
    EXPECT_EQ(editor->Text(), "ADPASTED");
    EXPECT_TRUE(grid->DataLink()->IsModified());
    Type(editor, Qt::Key_Return);
    EXPECT_EQ(Name(), "ADPASTED");
    // Typing that fills in a literal of the field's picture does the same.
    table->Masks.Add("name\t&&&-##\tT\tT");
    Type(grid, Qt::Key_F2);
    table->Cancel();
    static_cast<TCustomEdit*>(editor)->SelectAll();
    TypeText(editor, "ABC");
    EXPECT_EQ(editor->Text(), "ABC-");
    EXPECT_EQ(table->State(), dsEdit);
}

TEST_F(DwGridEditTest, ThePictureIsCheckedWhenTheEditorGetsTheFocus) {
    table->Masks.Add("name\t###\tF\tT");
    std::vector<bool> checks;
    grid->OnCheckValue = [&](TObject*, bool passes) { checks.push_back(passes); };
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->InplaceEditor()->Focused());
    // ADAMS does not fit three digits.
    ASSERT_FALSE(checks.empty());
    EXPECT_FALSE(checks.front());
}

TEST_F(DwGridEditTest, RequestEditTellsWhetherTheRecordIsEdited) {
    EXPECT_TRUE(grid->RequestEdit());
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_TRUE(grid->RequestEdit());
    table->Cancel();
    grid->SetReadOnly(true);
    EXPECT_FALSE(grid->RequestEdit());
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DwGridEditTest, OnKeyDownSeesTheKeysFirstAlsoThoseTheEditorHandsOver) {
    std::vector<Word> keys;
    grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        keys.push_back(key);
        if (key == VK_DOWN) key = 0;
    };
    Type(grid, Qt::Key_Down);
    EXPECT_EQ(Name(), "ADAMS");
    TypeText(grid, "Z");
    Type(grid->InplaceEditor(), Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_EQ(keys.front(), VK_DOWN);
    EXPECT_EQ(keys.back(), VK_TAB);
}

// ---- Mouse and focus ----

TEST_F(DwGridEditTest, AClickTakesTheFocusAndFiresOnMouseDownAfterTheMove) {
    edit->SetFocus();
    std::string seen;
    grid->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { seen = Name(); };
    ClickCell(1, 3);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(Name(), "CLARK");
    EXPECT_EQ(seen, "CLARK");
}

TEST_F(DwGridEditTest, AClickDoesNothingWhenTheFocusCannotLeaveItsControl) {
    edit->SetFocus();
    // A check on leaving the edit keeps the focus there.
    edit->OnExit = [&](TObject*) { edit->SetFocus(); };
    ClickCell(1, 3);
    EXPECT_EQ(Name(), "ADAMS");
    EXPECT_TRUE(edit->Focused());
    edit->OnExit = nullptr;
}

TEST_F(DwGridEditTest, WithoutTakeFocusOnClickTheClickLeavesTheFocusWhereItIs) {
    grid->TakeFocusOnClick = false;
    edit->SetFocus();
    ClickCell(1, 2);
    EXPECT_EQ(Name(), "BAKER");
    EXPECT_TRUE(edit->Focused());
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(Name(), "CLARK");
    EXPECT_TRUE(edit->Focused());
}

TEST_F(DwGridEditTest, PressingAColumnBorderStoresThePendingEditFirst) {
    TypeText(grid, "Z");
    ASSERT_TRUE(grid->EditorMode());
    const TRect title = grid->CellRect(1, 0);
    QTest::mousePress(WidgetOf(grid), Qt::LeftButton, Qt::NoModifier,
                      QPoint(title.Right, title.Top + 5));
    EXPECT_EQ(grid->GridState(), gsColSizing);
    EXPECT_EQ(Name(), "Z");
    QTest::mouseRelease(WidgetOf(grid), Qt::LeftButton, Qt::NoModifier,
                        QPoint(title.Right + 10, title.Top + 5));
}

// ---- Multi-selection ----

TEST_F(DwGridEditTest, CtrlClicksToggleRecordsAndShiftSelectKeepsTheAnchor) {
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgMultiSelect});
    grid->MultiSelectOptions = {msoShiftSelect};
    ClickCell(1, 2);
    // A plain click without automatic unselecting neither selects nor sets the anchor.
    EXPECT_TRUE(grid->Chosen.empty());
    EXPECT_TRUE(grid->SelectionAnchor().empty());
    ClickCell(1, 3, Qt::ControlModifier);
    ClickCell(1, 4, Qt::ControlModifier);
    EXPECT_EQ(grid->Chosen, (std::vector<std::string>{"CLARK", "DAVIS"}));
    ClickCell(1, 3, Qt::ControlModifier);
    EXPECT_EQ(grid->Chosen, (std::vector<std::string>{"DAVIS"}));
    // The anchor is the last clicked record.
    const std::vector<char> anchor = grid->SelectionAnchor();
    ASSERT_FALSE(anchor.empty());
    table->First();
    table->GotoBookmark(anchor);
    EXPECT_EQ(Name(), "CLARK");
}

TEST_F(DwGridEditTest, APlainClickWithAutoUnselectSelectsOnlyTheClickedRecord) {
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgMultiSelect});
    grid->MultiSelectOptions = {msoAutoUnselect};
    ClickCell(1, 2, Qt::ControlModifier);
    ClickCell(1, 4);
    EXPECT_EQ(grid->Chosen, std::vector<std::string>{"DAVIS"});
    // Without msoShiftSelect no anchor is kept.
    EXPECT_TRUE(grid->SelectionAnchor().empty());
}

// ---- The indicator title button ----

TEST_F(DwGridEditTest, TheIndicatorButtonStaysInTheCornerAndSetsTheIndicatorWidth) {
    auto* button = new TdwIButton(form);
    button->BeginLoading();
    button->SetParent(grid);
    button->SetBounds(6, 4, 20, 18);
    EXPECT_EQ(button->Left(), 0);
    EXPECT_EQ(button->Top(), 0);
    // While loading the grid is left alone.
    EXPECT_EQ(grid->IndicatorWidth, 11);
    button->Loaded();
    EXPECT_EQ(grid->IndicatorButton(), button);
    EXPECT_EQ(grid->IndicatorWidth, 19);
    button->SetWidth(25);
    EXPECT_EQ(grid->IndicatorWidth, 24);
    EXPECT_EQ(grid->ColWidths(0), 24);
    // A click on it is the button's, not the title row's.
    grid->SetTitleButtons(true);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    Click(grid, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(grid->PressedTitleColumn(), -1);
    // A move alone does not touch the layout.
    grid->IndicatorWidth = 30;
    button->SetBounds(-2, 0, 25, 18);
    EXPECT_EQ(button->Left(), -2);
    EXPECT_EQ(grid->IndicatorWidth, 30);
    delete button;
    EXPECT_EQ(grid->IndicatorButton(), nullptr);
}

// ---- The vertical scroll bar ----

TEST_F(DwGridEditTest, TheFivePositionThumbAndTheScrollCodesMoveTheRecord) {
    edit->SetFocus();
    Scroll(SB_LINEDOWN);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(Name(), "BAKER");
    Scroll(SB_THUMBPOSITION, 2);
    EXPECT_EQ(Name(), "BAKER");
    Scroll(SB_THUMBPOSITION, 4);
    EXPECT_EQ(Name(), "DAVIS");
    Scroll(SB_THUMBPOSITION, 0);
    EXPECT_EQ(Name(), "ADAMS");
    Scroll(SB_THUMBTRACK, 4);
    EXPECT_EQ(Name(), "ADAMS");
    Scroll(SB_BOTTOM);
    EXPECT_EQ(Name(), "DAVIS");
    Scroll(SB_LINEUP);
    EXPECT_EQ(Name(), "CLARK");
    Scroll(SB_TOP);
    EXPECT_EQ(Name(), "ADAMS");
}

class DwGridThumbTest : public DataSetFixture {};

TEST_F(DwGridThumbTest, ATableNumberingItsRecordsTakesTheThumbAsAShare) {
    TRecordedServices services;
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}, {"BAKER", 2}, {"CLARK", 3}, {"DAVIS", 4}});
    TdwTable table(nullptr);
    table.SetDatabaseName(folder_.Path() + "/");
    table.SetTableName("LOANS.DBF");
    table.SetTableType(ttParadox);
    table.SetIndexName("NAME");
    table.Open();
    TDataSource source(nullptr);
    source.SetDataSet(&table);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 600, 300);
    auto* grid = PlaceControl<TdwCustomDBGrid>(form.get(), form.get(), 0, 0, 560, 200);
    form->Show();
    grid->SetDataSource(&source);
    const auto thumb = [&](int pos) {
        grid->Perform(WM_VSCROLL, static_cast<WPARAM>(MakeLParam(SB_THUMBPOSITION, pos)), 0);
        return table.FieldByName("NAME")->AsString();
    };
    // Record 100 × 4 div 200 + 1 = 3 of the NAME order.
    EXPECT_EQ(thumb(100), "CLARK");
    EXPECT_EQ(thumb(1), "ADAMS");
    EXPECT_EQ(thumb(200), "DAVIS");
    EXPECT_EQ(thumb(0), "ADAMS");
    EXPECT_EQ(thumb(199), "DAVIS");
    // A pending change is posted before the move.
    table.Edit();
    table.FieldByName("AMOUNT")->SetAsFloat(9);
    EXPECT_EQ(thumb(60), "BAKER");
    EXPECT_EQ(table.State(), dsBrowse);
    table.Last();
    EXPECT_DOUBLE_EQ(table.FieldByName("AMOUNT")->AsFloat(), 9);
    form.reset();
}

} // namespace
