#include "GridTestSupport.h"

#include "platform/gui/Grids.h"
#include "platform/gui/QtPaint.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

class GridsTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid = MakeGrid<TStringGrid>(form);
        grid->SetColCount(6);
        grid->SetRowCount(20);
    }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
    TStringGrid* grid = nullptr;
};

TEST_F(GridsTest, CellsAreLaidOutWithFixedRowsColumnsAndLines) {
    EXPECT_EQ(grid->CellRect(0, 0), Rect(0, 0, 50, 20));
    EXPECT_EQ(grid->CellRect(1, 1), Rect(51, 21, 101, 41));
    EXPECT_EQ(grid->MouseCoord(75, 30), (TGridCoord{1, 1}));
    EXPECT_EQ(grid->MouseCoord(400, 30), (TGridCoord{-1, -1}));
    EXPECT_EQ(grid->VisibleRowCount(), 5);
    EXPECT_EQ(grid->VisibleColCount(), 4);
    grid->SetColWidths(1, 80);
    EXPECT_EQ(grid->CellRect(2, 1).Left, 132);
    EXPECT_THROW(grid->SetFixedCols(6), EInvalidGridOperation);
    EXPECT_THROW(grid->ColWidths(9), EListError);
}

TEST_F(GridsTest, KeysMoveTheFocusedCellAndScroll) {
    int topLeftChanges = 0;
    grid->OnTopLeftChanged = [&](TObject*) { ++topLeftChanges; };
    Type(grid, Qt::Key_Down);
    Type(grid, Qt::Key_Right);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->Col(), 2);
    Type(grid, Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 7);
    EXPECT_EQ(grid->TopRow(), 3);
    EXPECT_EQ(topLeftChanges, 1);
    Type(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 19);
    EXPECT_EQ(grid->TopRow(), 15);
    Type(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
    Type(grid, Qt::Key_Home);
    EXPECT_EQ(grid->Col(), 1);
    // Shift extends the selection from the anchor.
    Type(grid, Qt::Key_Down, Qt::ShiftModifier);
    Type(grid, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2}));
}

TEST_F(GridsTest, TabsMoveAlongTheRowWhenAllowed) {
    grid->SetOptions(grid->Options() + TGridOptions{goTabs});
    grid->SetCol(5);
    Type(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 2);
    Type(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->Col(), 5);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(grid->Focused());
}

TEST_F(GridsTest, SelectCellMayRefuseACell) {
    grid->OnSelectCell = [](TObject*, int col, int, bool& can) { can = col != 2; };
    Type(grid, Qt::Key_Right);
    EXPECT_EQ(grid->Col(), 1);
    grid->SetCol(3);
    EXPECT_EQ(grid->Col(), 3);
}

TEST_F(GridsTest, ScrollMessagesMoveTheTopRow) {
    grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(grid->TopRow(), 2);
    grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(grid->TopRow(), 15);
    grid->Perform(WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(grid->TopRow(), 10);
    grid->SetScrollBars(ssVertical);
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 10);
}

TEST_F(GridsTest, TypingEditsTheCellAndEnterKeepsIt) {
    grid->SetOptions(grid->Options() + TGridOptions{goEditing});
    grid->SetCells(1, 1, "old");
    Type(grid, Qt::Key_N);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_TRUE(grid->InplaceEditor()->Focused());
    Type(grid->InplaceEditor(), Qt::Key_E);
    Type(grid->InplaceEditor(), Qt::Key_Return);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(1, 1), "ne");
    EXPECT_TRUE(grid->Focused());
    // Escape takes the old text back.
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ne");
    Type(grid->InplaceEditor(), Qt::Key_X);
    Type(grid->InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(grid->Cells(1, 1), "ne");
    // Down in the editor keeps the text and moves on.
    Type(grid, Qt::Key_Z);
    Type(grid->InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(grid->Cells(1, 1), "z");
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridsTest, ColumnsAreSizedAndMovedWithTheMouse) {
    grid->SetOptions(grid->Options() + TGridOptions{goColSizing, goColMoving});
    grid->SetCells(1, 0, "A");
    grid->SetCells(3, 0, "C");
    QWidget* w = WidgetOf(grid);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 5));
    QTest::mouseMove(w, QPoint(130, 5));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(130, 5));
    EXPECT_EQ(grid->ColWidths(1), 79);
    int from = -1;
    int to = -1;
    grid->OnColumnMoved = [&](TObject*, int f, int t) {
        from = f;
        to = t;
    };
    const TRect c1 = grid->CellRect(1, 0);
    const TRect c3 = grid->CellRect(3, 0);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(c1.Left + 20, 5));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(c3.Left + 20, 5));
    EXPECT_EQ(from, 1);
    EXPECT_EQ(to, 3);
    EXPECT_EQ(grid->Cells(3, 0), "A");
    EXPECT_EQ(grid->Cells(2, 0), "C");
    EXPECT_EQ(grid->ColWidths(3), 79);
}

TEST_F(GridsTest, DefaultDrawingShowsFixedAndSelectedCells) {
    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
    const QImage picture = WidgetOf(grid)->grab().toImage();
    EXPECT_EQ(picture.pixelColor(75, 25), TColorToQColor(clHighlight));
    EXPECT_EQ(picture.pixelColor(25, 10), TColorToQColor(clBtnFace));
    EXPECT_EQ(picture.pixelColor(75, 50), TColorToQColor(clWindow));
}

} // namespace
