// Memo cells of the published grid over a real table: the text a cell shows, and F2 or a double
// click opening the memo dialog, view-only in a read-only grid.
#include "tests/db/DataSetFixture.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/DataGrid.h"
#include "dbcontrols/MemoForm.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoCellTextTest, WithoutWordWrapOnlyTheFirstLineShows) {
    EXPECT_EQ(MemoCellText("first\r\nsecond", false), "first");
    EXPECT_EQ(MemoCellText("a\nb\rc", false), "a");
    EXPECT_EQ(MemoCellText("first\r\nsecond", true), "first\r\nsecond");
    EXPECT_EQ(MemoCellText(std::string(300, 'x'), true).size(), kMemoCellLength);
    EXPECT_EQ(MemoCellText("", false), "");
}

class DwDBGridMemoTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        OpenLoans({"ADAMS", "BAKER"});
        table_->Edit();
        table_->FieldByName("NOTE")->SetAsString("pays early\r\nsecond line");
        table_->Post();
        source_.SetDataSet(table_.get());
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 600, 300);
        grid = PlaceControl<TdwDBGrid>(form, form, 0, 0, 560, 200);
        form->Show();
        grid->SetDataSource(&source_);
        grid->SetFocus();
        grid->SetSelectedIndex(4);
    }
    void TearDown() override {
        SetModalHook(previous);
        delete form;
        DataSetFixture::TearDown();
    }
    std::string Note() { return table_->FieldByName("NOTE")->AsString(); }

    TRecordedServices services;
    TModalHook previous;
    TForm* form = nullptr;
    TdwDBGrid* grid = nullptr;
};

TEST_F(DwDBGridMemoTest, F2OpensTheDialogAndOkStoresTheMemo) {
    ASSERT_EQ(grid->SelectedField()->FieldName(), "NOTE");
    std::string caption;
    bool cancelled = true;
    grid->OnMemoClose = [&](TdwDBGrid*, bool cancel) { cancelled = cancel; };
    previous = SetModalHook([&](TCustomForm* f) {
        auto* dlg = dynamic_cast<TdwMemoDlg*>(f);
        ASSERT_NE(dlg, nullptr);
        caption = dlg->Caption();
        EXPECT_FALSE(dlg->Memo->ReadOnly());
        dlg->Memo->SetFocus();
        Type(dlg->Memo, Qt::Key_Home, Qt::ControlModifier);
        Type(dlg->Memo, Qt::Key_X);
        Type(dlg->Memo, Qt::Key_F2);
    });
    Type(grid, Qt::Key_F2);
    EXPECT_EQ(caption, "NOTE");
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(Note().substr(0, 11), "xpays early");
}

TEST_F(DwDBGridMemoTest, AReadOnlyGridOpensTheMemoViewOnly) {
    grid->SetReadOnly(true);
    bool readOnly = false;
    previous = SetModalHook([&](TCustomForm* f) {
        auto* dlg = dynamic_cast<TdwMemoDlg*>(f);
        ASSERT_NE(dlg, nullptr);
        readOnly = dlg->Memo->ReadOnly();
        Click(dlg->OKBtn);
    });
    const TRect cell = grid->CellRect(5, 1);
    QTest::mouseDClick(WidgetOf(grid), Qt::LeftButton, Qt::NoModifier,
                       QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(table_->State(), dsBrowse);
}

TEST_F(DwDBGridMemoTest, DisabledDialogAndGridShownMemo) {
    grid->SetMemoAttributes({mGridShow, mDisableDialog});
    bool shown = false;
    previous = SetModalHook([&](TCustomForm*) { shown = true; });
    Type(grid, Qt::Key_F2);
    EXPECT_FALSE(shown);
}

class DwDBGridSelectTest : public DwDBGridMemoTest {};

TEST_F(DwDBGridSelectTest, CtrlClicksToggleRecordsOfTheMultiSelection) {
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgMultiSelect});
    std::vector<bool> asked;
    grid->OnMultiSelectRecord = [&](TdwDBGrid*, bool selecting, bool& accept) {
        asked.push_back(selecting);
        accept = asked.size() != 3;
    };
    QWidget* w = WidgetOf(grid);
    const auto clickRow = [&](int row, Qt::KeyboardModifiers mods) {
        const TRect cell = grid->CellRect(1, row);
        QTest::mouseClick(w, Qt::LeftButton, mods, QPoint(cell.Left + 5, cell.Top + 5));
    };
    clickRow(2, Qt::ControlModifier);
    EXPECT_EQ(table_->FieldByName("NAME")->AsString(), "BAKER");
    clickRow(1, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedCount(), 2);
    EXPECT_TRUE(grid->IsRowSelected(0));
    EXPECT_TRUE(grid->IsRowSelected(1));
    // Rows without a record are never selected.
    EXPECT_FALSE(grid->IsRowSelected(-1));
    EXPECT_FALSE(grid->IsRowSelected(grid->DataLink()->RecordCount()));
    // The handler refuses the third change: the record stays selected.
    clickRow(1, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedCount(), 2);
    clickRow(1, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedCount(), 1);
    EXPECT_FALSE(grid->IsRowSelected(0));
    EXPECT_EQ(asked, (std::vector<bool>{true, true, false, false}));
    // A plain click with auto-unselect keeps only the clicked record.
    grid->MultiSelectOptions = {msoAutoUnselect};
    clickRow(1, Qt::NoModifier);
    EXPECT_EQ(grid->SelectedCount(), 1);
    EXPECT_TRUE(grid->IsRowSelected(0));
    EXPECT_FALSE(grid->IsRowSelected(1));
    // The last record let go: no row shows as selected.
    clickRow(1, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedCount(), 0);
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(grid->IsRowSelected(row)) << row;
}

class DwDBGridWrapTest : public DwDBGridMemoTest {
protected:
    // Dark pixels in the middle third of a cell of a triple-height row, below the first line.
    bool SecondLineInked(int col, int row) {
        const QImage picture = WidgetOf(grid)->grab().toImage();
        const TRect r = grid->CellRect(col, row);
        for (int y = r.Top + r.Height() / 3 + 2; y < r.Top + 2 * r.Height() / 3; ++y)
            for (int x = r.Left + 3; x < r.Right - 1; ++x)
                if (qGray(picture.pixel(x + 1, y + 1)) < 100) return true;
        return false;
    }
};

TEST_F(DwDBGridWrapTest, AWrappedMemoCellWritesItsSecondLineBelowTheFirst) {
    grid->SetMemoAttributes({mGridShow});
    grid->SetRowHeightPercent(300);
    EXPECT_TRUE(SecondLineInked(5, 1));
    grid->SetOptions(grid->Options() - TdwDBGridOptions{dgWordWrap});
    EXPECT_FALSE(SecondLineInked(5, 1));
}

} // namespace
