// The data-aware grid over a real table with real keys and mouse: the layout from the fields,
// Tab wrapping to the next record, Down on an untouched new record, Escape twice, in-place
// editing through the field's picture, title buttons, and the column map's limits.
#include "tests/dbcontrols/GridFixture.h"

#include "dbcontrols/GridCore.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

namespace {

class DwGridTest : public TGridFixture<TdwCustomDBGrid> {};

TEST_F(DwGridTest, ColumnsFollowTheVisibleFieldsBehindTitleAndIndicator) {
    EXPECT_EQ(grid->FieldCount(), 5);
    EXPECT_EQ(grid->ColCount(), 6);
    EXPECT_EQ(grid->FixedCols(), 1);
    EXPECT_EQ(grid->FixedRows(), 1);
    EXPECT_EQ(grid->ColWidths(0), 11);
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->SelectedField()->FieldName(), "NAME");
    table->FieldByName("PAID")->SetVisible(false);
    EXPECT_EQ(grid->FieldCount(), 4);
    grid->SetRowHeightPercent(0);
    EXPECT_EQ(grid->RowHeightPercent(), 100);
    grid->SetTitleLines(0);
    EXPECT_EQ(grid->TitleLines(), 1);
}

TEST_F(DwGridTest, SelectedLinesNamingNoFieldAreDropped) {
    grid->Selected()->Add("AMOUNT\t6\tLoan~Amount");
    grid->Selected()->Add("GONE\t5\tMissing");
    grid->Selected()->Add("NAME\t12\tBorrower");
    grid->SetUseTFields(false);
    EXPECT_EQ(grid->Selected()->Count(), 2);
    EXPECT_EQ(grid->FieldCount(), 2);
    EXPECT_EQ(grid->Fields(0)->FieldName(), "AMOUNT");
    grid->Selected()->SetStrings(1, "NAME\twide\tBorrower");
    EXPECT_THROW(grid->RebuildLayout(), EConvertError);
    // The failed rebuild left no lock behind: a good list lays out again.
    grid->Selected()->SetStrings(1, "NAME\t3\tBorrower");
    grid->RebuildLayout();
    EXPECT_EQ(grid->Fields(1)->FieldName(), "NAME");
}

TEST_F(DwGridTest, TabFromTheLastColumnMovesToTheNextRecord) {
    table->FieldByName("PAID")->SetVisible(false);
    table->FieldByName("NOTE")->SetVisible(false);
    for (int i = 0; i < 2; ++i)
        Type(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedField()->FieldName(), "WHEN");
    Type(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(Name(), "BAKER");
    Type(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Name(), "ADAMS");
    EXPECT_EQ(grid->SelectedField()->FieldName(), "WHEN");
}

TEST_F(DwGridTest, DownCancelsAnUntouchedInsert) {
    table->Next();
    Type(grid, Qt::Key_Insert);
    ASSERT_EQ(table->State(), dsInsert);
    Type(grid, Qt::Key_Down);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Name(), "BAKER");
    EXPECT_EQ(table->RecordCount(), 4);
}

TEST_F(DwGridTest, TypingEditsTheCellAndEscapeTwiceDiscardsTheRecord) {
    TypeText(grid, "Z");
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(table->State(), dsEdit);
    Type(grid->InplaceEditor(), Qt::Key_Tab);
    EXPECT_EQ(Name(), "Z");
    // First Escape: nothing pending in the cell, so the record's change is in question.
    services.MessageBoxAnswers = {IDNO, IDYES};
    Type(grid, Qt::Key_Escape);
    EXPECT_EQ(table->State(), dsEdit);
    Type(grid, Qt::Key_Escape);
    ASSERT_EQ(services.MessageBoxes.size(), 2u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Discard changes to this record?");
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Name(), "ADAMS");
}

TEST_F(DwGridTest, EscapeInAChangedCellRestoresItFirst) {
    TypeText(grid, "Q");
    Type(grid->InplaceEditor(), Qt::Key_Escape);
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_EQ(Name(), "ADAMS");
}

TEST_F(DwGridTest, TheFieldsPictureChecksTheEditorsKeys) {
    table->Masks.Add("name\t&&&-##\tT\tT");
    TypeText(grid, "A");
    TWinControl* editor = grid->InplaceEditor();
    TypeText(editor, "BC12");
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ABC-12");
    TypeText(editor, "9");
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ABC-12");
    EXPECT_FALSE(services.Beeps.empty());
    Type(editor, Qt::Key_Return);
    EXPECT_EQ(Name(), "ABC-12");
}

TEST_F(DwGridTest, ANumberCellTakesMoreThanOneCharacterAndLeftMovesInARowSelectGrid) {
    grid->SetSelectedIndex(1); // AMOUNT
    TypeText(grid, "1");
    TypeText(grid->InplaceEditor(), "25");
    EXPECT_EQ(grid->InplaceEditor()->Text(), "125");
    Type(grid->InplaceEditor(), Qt::Key_Escape);
    Type(grid, Qt::Key_Escape);
    TdwDBGridOptions options = grid->Options();
    options.Include(dgRowSelect);
    grid->SetOptions(options);
    table->Last();
    Type(grid, Qt::Key_Left);
    EXPECT_EQ(Name(), "CLARK") << "Left goes to the record before";
}

TEST_F(DwGridTest, DeleteAndBackspaceCheckTheTextTheyLeave) {
    table->Masks.Add("name\t&##\tF\tT");
    TypeText(grid, "X");
    TWinControl* editor = grid->InplaceEditor();
    TypeText(editor, "12");
    ASSERT_EQ(grid->InplaceEditor()->Text(), "X12");
    std::vector<bool> checks;
    grid->OnCheckValue = [&](TObject*, bool passes) { checks.push_back(passes); };
    // Backspace after the letter leaves "12": a digit where a letter belongs.
    Type(editor, Qt::Key_Home);
    Type(editor, Qt::Key_Right);
    Type(editor, Qt::Key_Backspace);
    ASSERT_FALSE(checks.empty());
    EXPECT_FALSE(checks.back());
    // Delete is checked when the key comes up.
    const std::size_t before = checks.size();
    Type(editor, Qt::Key_Delete);
    EXPECT_GT(checks.size(), before);
}

TEST_F(DwGridTest, LeavingAColumnWithAFailingPictureIsRefused) {
    table->Masks.Add("name\t###\tF\tT");
    TypeText(grid, "1");
    std::vector<bool> checks;
    grid->OnCheckValue = [&](TObject*, bool passes) { checks.push_back(passes); };
    const std::size_t beeps = services.Beeps.size();
    EXPECT_THROW(grid->SetSelectedIndex(1), EInvalidGridOperation);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(services.Beeps.size(), beeps + 1);
    // From the keyboard the refusal reaches the user as a message, and the column stays.
    Type(grid->InplaceEditor(), Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    ASSERT_FALSE(services.MessageBoxes.empty());
    EXPECT_EQ(services.MessageBoxes.back().Text,
              "Invalid input value.  Use escape key to abandon changes.");
    ASSERT_FALSE(checks.empty());
    EXPECT_FALSE(checks.back());
}

TEST_F(DwGridTest, ATitleButtonClickNamesItsField) {
    grid->SetTitleButtons(true);
    std::vector<std::string> clicked;
    grid->OnTitleButtonClick = [&](TObject*, const std::string& name) { clicked.push_back(name); };
    const TRect title = grid->CellRect(2, 0);
    QWidget* w = WidgetOf(grid);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, 5));
    EXPECT_EQ(grid->PressedTitleColumn(), 2);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, 5));
    EXPECT_EQ(grid->PressedTitleColumn(), -1);
    // Released over another title: no click.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, 5));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Right + 30, 5));
    EXPECT_EQ(clicked, std::vector<std::string>{"AMOUNT"});
}

TEST_F(DwGridTest, AClickOnAnotherRowMovesTheDataset) {
    const TRect cell = grid->CellRect(1, 3);
    Click(grid, QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_EQ(Name(), "CLARK");
    EXPECT_EQ(grid->Row(), 3);
    Type(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Name(), "ADAMS");
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(DwGridTest, AReadOnlyGridNavigatesButNeitherInsertsNorDeletes) {
    grid->SetReadOnly(true);
    Type(grid, Qt::Key_Insert);
    Type(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_TRUE(services.MessageBoxes.empty());
    Type(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Name(), "DAVIS");
}

TEST_F(DwGridTest, CtrlDeleteAsksAndDeletes) {
    services.MessageBoxAnswers = {IDOK};
    Type(grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Delete record?");
    EXPECT_EQ(Name(), "BAKER");
}

// With VANTREL_SCREENSHOT set to a file name the grid in edit state is saved there as PNG.
TEST_F(DwGridTest, DrawsTitlesIndicatorAndTheCurrentRecord) {
    grid->SetTitleButtons(true);
    table->Next();
    table->Edit();
    const QImage picture = WidgetOf(form)->grab().toImage();
    // The indicator cell of the current row holds dark pixels of the I-beam.
    // The grid sits at the form's origin behind a thin frame: the inner part of a cell is read.
    const auto inked = [&](const TRect& r) {
        for (int y = r.Top + 3; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 3; x < r.Right - 1; ++x)
                if (qGray(picture.pixel(x, y)) < 60) return true;
        return false;
    };
    EXPECT_TRUE(inked(grid->CellRect(0, 2)));
    EXPECT_FALSE(inked(grid->CellRect(0, 3)));
    // Every record's name is written in its cell.
    for (int row = 1; row <= 4; ++row)
        EXPECT_TRUE(inked(grid->CellRect(1, row))) << row;
    if (const char* path = std::getenv("VANTREL_SCREENSHOT")) {
        ASSERT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

TEST_F(DwGridTest, TheCellEditorGoesWhenTheRecordMovesAndFollowsItsFieldsChanges) {
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ADAMS");
    // The program changes the field: the editor shows the new text, nothing selected.
    grid->InplaceEditor()->SelectAll();
    table->FieldByName("NAME")->SetAsString("ZED");
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ZED");
    EXPECT_EQ(grid->InplaceEditor()->SelLength(), 0);
    table->Cancel();
    // The program moves to another record: the editor is put away.
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    table->Last();
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_FALSE(grid->InplaceEditor()->Visible());
    // Also when the program refuses the grid's current cell a move (the row stays).
    grid->OnSelectCell = [](TObject*, int, int, bool& canSelect) { canSelect = false; };
    table->First();
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    table->Last();
    EXPECT_FALSE(grid->InplaceEditor()->Visible());
    grid->OnSelectCell = nullptr;
    table->First();
    // Unless the grid always shows its editor: it is then on the new record.
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgAlwaysShowEditor});
    Type(grid, Qt::Key_F2);
    table->First();
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(grid->InplaceEditor()->Visible());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ADAMS");
}

// A grid whose columns the test sizes as the user's drag would, then ends the drag.
class TSizingGrid : public TdwCustomDBGrid {
public:
    using TdwCustomDBGrid::TdwCustomDBGrid;
    void SizeColumn(int col, int width) {
        SetColWidths(col, width);
        ColWidthsChanged();
    }
};

class DwGridSizingTest : public TGridFixture<TSizingGrid> {};

TEST_F(DwGridSizingTest, ASizedColumnKeepsItsWidthInCharactersWithItsTitle) {
    grid->Selected()->Add("NAME\t8");
    grid->Selected()->Add("AMOUNT\t6\tLoan~Amt");
    grid->SetUseTFields(false);
    ASSERT_EQ(grid->FieldCount(), 2);
    grid->Canvas()->Font()->Assign(grid->Font());
    const int digit = grid->Canvas()->TextWidth("0");
    // A column of k characters is k digits and 4 pixels wide; a width rounds to the nearest
    // count of digits.
    grid->SizeColumn(1, 12 * digit + 4);
    EXPECT_EQ(grid->Selected()->Strings(0), "NAME\t12\t");
    // The other column's line is written again with its own count and keeps its title.
    const std::string other = grid->Selected()->Strings(1);
    EXPECT_EQ(other.substr(0, 7), "AMOUNT\t");
    EXPECT_EQ(other.substr(other.size() - 9), "\tLoan~Amt");
    EXPECT_EQ(grid->ColWidths(1), 12 * digit + 4);
    grid->SizeColumn(1, 12 * digit + 4 + digit / 2 + 1);
    EXPECT_EQ(grid->Selected()->Strings(0), "NAME\t13\t");
    EXPECT_EQ(grid->ColWidths(1), 13 * digit + 4);
}

TEST(DwGridDataLinkTest, TheColumnMapStopsAtItsLimit) {
    TdwGridDataLink link(nullptr);
    for (int i = 0; i < kMaxGridFields; ++i)
        link.AddMapping(i);
    try {
        link.AddMapping(0);
        ADD_FAILURE();
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), "Grid requested to display more than 256 columns");
    }
}

} // namespace
