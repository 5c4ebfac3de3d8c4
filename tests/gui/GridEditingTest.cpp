#include "GridTestSupport.h"

#include "platform/gui/Grids.h"

#include <QApplication>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// A grid that takes digits only and at most four of them.
class TDigitGrid : public TStringGrid {
public:
    explicit TDigitGrid(TComponent* owner) : TStringGrid(owner) {}
    int GetEditLimit() override { return 4; }
    bool CanEditAcceptKey(char Key) override { return Key >= '0' && Key <= '9'; }
};

class GridEditingTest : public ::testing::Test {
protected:
    void SetUp() override { grid = MakeEditingGrid<TDigitGrid>(form); }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
    TDigitGrid* grid = nullptr;
};

TEST_F(GridEditingTest, EditorRefusesKeysAndKeepsItsLimit) {
    Type(grid, Qt::Key_A);
    EXPECT_FALSE(grid->EditorMode());
    Type(grid, Qt::Key_1);
    ASSERT_TRUE(grid->EditorMode());
    for (Qt::Key k : {Qt::Key_2, Qt::Key_X, Qt::Key_3, Qt::Key_4, Qt::Key_5})
        Type(grid->InplaceEditor(), k);
    EXPECT_EQ(grid->InplaceEditor()->Text(), "1234");
    Type(grid->InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(grid->Cells(1, 1), "1234");
}

TEST_F(GridEditingTest, EditorFollowsTheFocusedCellWhenAlwaysShown) {
    grid->SetOptions(grid->Options() + TGridOptions{goAlwaysShowEditor});
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    Type(grid->InplaceEditor(), Qt::Key_7);
    Type(grid->InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(grid->Cells(1, 1), "7");
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->Top(), grid->CellRect(1, 2).Top);
    // Right at the end of the text moves to the next cell.
    Type(grid->InplaceEditor(), Qt::Key_8);
    Type(grid->InplaceEditor(), Qt::Key_Right);
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Cells(1, 2), "8");
    // Leaving the grid keeps the editor where it is.
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetTop(200);
    other->SetFocus();
    EXPECT_TRUE(grid->EditorMode());
}

TEST_F(GridEditingTest, LeavingTheGridStoresTheEdit) {
    Type(grid, Qt::Key_9);
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetTop(200);
    other->SetFocus();
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(1, 1), "9");
}

TEST_F(GridEditingTest, ShrinkingTheGridKeepsTheFocusInside) {
    grid->SetRow(8);
    grid->SetCol(9);
    grid->SetRowCount(4);
    grid->SetColCount(3);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(grid->Col(), 2);
    grid->SetFixedCols(0);
    grid->SetCol(0);
    EXPECT_EQ(grid->Col(), 0);
    EXPECT_EQ(grid->CellRect(0, 1).Left, 0);
    grid->SetRowCount(1);
    EXPECT_EQ(grid->FixedRows(), 0);
}

TEST_F(GridEditingTest, RowSelectionScrollsSidewaysWithTheArrows) {
    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
    Type(grid, Qt::Key_Right);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->LeftCol(), 2);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 9, 1}));
    Type(grid, Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());
    // The mouse finds the cells of the scrolled grid.
    EXPECT_EQ(grid->MouseCoord(75, 30), (TGridCoord{2, 1}));
}

TEST_F(GridEditingTest, WheelMovesTheFocusedRow) {
    auto wheel = [this](int delta) {
        QWheelEvent e(QPointF(60, 60), WidgetOf(grid)->mapToGlobal(QPointF(60, 60)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(WidgetOf(grid), &e);
    };
    wheel(-WHEEL_DELTA * 2);
    EXPECT_EQ(grid->Row(), 3);
    wheel(WHEEL_DELTA);
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridEditingTest, UnhandledWheelGoesToTheParent) {
    auto* panel = PlaceControl<TRecorder>(form, form, 0, 200, 200, 100);
    auto* inner = new TRecorder(form);
    inner->SetParent(panel);
    int parentWheels = 0;
    panel->WindowProc = [&, previous = panel->WindowProc](TMessage& m) {
        if (m.Msg == WM_MOUSEWHEEL) {
            ++parentWheels;
            EXPECT_EQ(TWMMouseWheel::From(m).WheelDelta, -WHEEL_DELTA);
        }
        previous(m);
    };
    QWheelEvent e(QPointF(5, 5), WidgetOf(inner)->mapToGlobal(QPointF(5, 5)), QPoint(),
                  QPoint(0, -WHEEL_DELTA), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(WidgetOf(inner), &e);
    EXPECT_EQ(parentWheels, 1);
}

} // namespace
