#include "GridTestSupport.h"

#include "platform/gui/Grids.h"
#include "platform/gui/Mask.h"
#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

namespace {

// A grid whose second column takes dates through a mask.
class TMaskedGrid : public TStringGrid {
public:
    explicit TMaskedGrid(TComponent* owner) : TStringGrid(owner) {}
    std::string GetEditMask(int ACol, int) override { return ACol == 2 ? "00/00/0000;1;_" : ""; }
};

class GridBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid = MakeEditingGrid<TMaskedGrid>(form);
        grid->SetColCount(5);
        grid->SetRowCount(20);
        grid->SetOptions(grid->Options() + TGridOptions{goTabs});
    }
    void TearDown() override { delete form; }
    TManualClock clock;
    TClockOverride useClock{clock};
    TForm* form = nullptr;
    TMaskedGrid* grid = nullptr;
};

TEST_F(GridBaseTest, GridLinesAddToEveryPitchAndRowsCountFromHeights) {
    // 130 pixels: a fixed row of 21, then data rows of 21 each: five fit wholly (126).
    EXPECT_EQ(grid->CellRect(1, 1).Top, 21);
    EXPECT_EQ(grid->CellRect(2, 2).Left, 102);
    EXPECT_EQ(grid->VisibleRowCount(), 5);
    grid->SetGridLineWidth(0);
    EXPECT_EQ(grid->VisibleRowCount(), 5);
    grid->SetRowHeights(3, 60);
    EXPECT_EQ(grid->VisibleRowCount(), 3);
    // Scrolling leaves the fixed row and column where they are.
    grid->SetTopRow(6);
    EXPECT_EQ(grid->CellRect(0, 0).Top, 0);
    EXPECT_EQ(grid->CellRect(1, 6).Top, 20);
    EXPECT_TRUE(IsRectEmpty(grid->CellRect(1, 3)));
}

TEST_F(GridBaseTest, TabSkipsColumnsWithoutTabStopAndWrapsRows) {
    grid->SetTabStops(2, false);
    grid->SetTabStops(3, false);
    Type(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), 4);
    Type(grid, Qt::Key_Tab);
    EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), (TGridCoord{1, 2}));
    Type(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), (TGridCoord{4, 1}));
    // The tab stop travels with its column.
    grid->MoveColumn(2, 4);
    EXPECT_FALSE(grid->TabStops(4));
    EXPECT_TRUE(grid->TabStops(3));
    EXPECT_THROW(grid->SetTabStops(5, true), EListError);
}

TEST_F(GridBaseTest, InplaceEditorTypesThroughTheCellsMask) {
    grid->SetCol(2);
    Type(grid, Qt::Key_1);
    ASSERT_TRUE(grid->EditorMode());
    TInplaceEdit* editor = grid->InplaceEditor();
    for (Qt::Key k : {Qt::Key_2, Qt::Key_A, Qt::Key_0, Qt::Key_5, Qt::Key_Slash, Qt::Key_2})
        Type(editor, k);
    // The letter is refused, the slash is written for the user and typing it again is taken.
    EXPECT_EQ(editor->Text(), "12/05/2");
    Type(editor, Qt::Key_Return);
    EXPECT_EQ(grid->Cells(2, 1), "12/05/2");
    // Another column has no mask.
    grid->SetCol(1);
    Type(grid, Qt::Key_X);
    EXPECT_EQ(grid->InplaceEditor()->Text(), "x");
}

TEST(MaskEditTest, MaskCharactersAndEscapedLiterals) {
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("\\0L9#c");
    EXPECT_TRUE(edit.CharFitsMask('0', 0));
    EXPECT_FALSE(edit.CharFitsMask('1', 0));
    EXPECT_TRUE(edit.CharFitsMask('q', 1));
    EXPECT_FALSE(edit.CharFitsMask('7', 1));
    EXPECT_TRUE(edit.CharFitsMask(' ', 2));
    EXPECT_TRUE(edit.CharFitsMask('-', 3));
    EXPECT_TRUE(edit.CharFitsMask('%', 4));
    EXPECT_FALSE(edit.CharFitsMask('x', 5));
    edit.SetEditMask("");
    EXPECT_FALSE(edit.IsMasked());
    EXPECT_TRUE(edit.CharFitsMask('x', 99));
}

TEST_F(GridBaseTest, DraggingPastTheBottomScrollsOnTheTimer) {
    grid->SetOptions(grid->Options() - TGridOptions{goEditing});
    QWidget* w = WidgetOf(grid);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 30));
    QTest::mouseMove(w, QPoint(60, 200));
    const int first = grid->Row();
    EXPECT_EQ(first, 2);
    clock.Advance(TCustomGrid::kScrollInterval);
    Application->ProcessMessages();
    EXPECT_EQ(grid->Row(), first + 1);
    clock.Advance(TCustomGrid::kScrollInterval);
    Application->ProcessMessages();
    EXPECT_EQ(grid->Row(), first + 2);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 200));
    clock.Advance(TCustomGrid::kScrollInterval * 3);
    Application->ProcessMessages();
    EXPECT_EQ(grid->Row(), first + 2);
    EXPECT_EQ(grid->Selection().Top, 1);
}

TEST_F(GridBaseTest, AVerticalBarOutsideTheStyleBelongsToTheDescendant) {
    grid->SetScrollBars(ssHorizontal);
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    info.nMax = 4;
    info.nPage = 0;
    info.nPos = 2;
    SetScrollInfo(grid->Handle(), SB_VERT, info, true);
    const int withBar = grid->ClientWidth();
    EXPECT_LT(withBar, 300);
    grid->SetRow(15);
    EXPECT_EQ(grid->ClientWidth(), withBar);
    SCROLLINFO back;
    back.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(grid->Handle(), SB_VERT, back));
    EXPECT_EQ(back.nMax, 4);
    EXPECT_EQ(back.nPos, 2);
}

} // namespace
