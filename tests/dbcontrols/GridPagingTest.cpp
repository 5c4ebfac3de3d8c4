// The data-aware grid moving through forty records, far more than it shows: page keys and page
// clicks on the scroll bar move by the rows shown, Ctrl with Up and Down goes to the top and
// bottom shown rows, a drag past the edges scrolls by a screenful, the five-position thumb pages,
// and the thumb of a table that numbers its records stands on its share of forty.
#include "tests/dbcontrols/GridFixture.h"

#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/GridCore.h"

#include <gtest/gtest.h>

namespace {

// The record names N01..N40 in NAME order.
std::string Named(int number) {
    return (number < 10 ? "N0" : "N") + std::to_string(number);
}

// Exposes the drag-scroll the platform grid calls while a selection is dragged past an edge.
class TPagingGrid : public TdwCustomDBGrid {
public:
    using TdwCustomDBGrid::TdwCustomDBGrid;
    using TdwCustomDBGrid::TimedScroll;
};

class DwGridPagingTest : public TGridFixture<TPagingGrid> {
protected:
    DwGridPagingTest() {
        records.clear();
        for (int i = 1; i <= kRecords; ++i)
            records.emplace_back(Named(i), i);
    }
    void SetUp() override {
        TGridFixture::SetUp();
        shown = grid->VisibleRowCount();
        // Three pages fit in the table, so no move reaches its ends by accident.
        ASSERT_GE(shown, 3);
        ASSERT_LT(3 * shown + 1, kRecords);
    }
    void Scroll(int code, int pos = 0) {
        grid->Perform(WM_VSCROLL, static_cast<WPARAM>(MakeLParam(code, pos)), 0);
    }
    // The record on the grid's top data row.
    std::string TopName() {
        const int active = grid->DataLink()->ActiveRecord();
        grid->DataLink()->SetActiveRecord(0);
        const std::string name = Name();
        grid->DataLink()->SetActiveRecord(active);
        return name;
    }

    static constexpr int kRecords = 40;
    int shown = 0;
};

TEST_F(DwGridPagingTest, PageKeysMoveByTheRowsShown) {
    // Down a page from the first record: the record a page on stands on the bottom row.
    Type(grid, Qt::Key_PageDown);
    EXPECT_EQ(Name(), Named(1 + shown));
    EXPECT_EQ(grid->Row(), shown);
    EXPECT_EQ(TopName(), Named(2));
    Type(grid, Qt::Key_PageDown);
    EXPECT_EQ(Name(), Named(1 + 2 * shown));
    EXPECT_EQ(TopName(), Named(2 + shown));
    // Up a page from the bottom row: the record a page back is above the rows shown and comes
    // onto the top row.
    Type(grid, Qt::Key_PageUp);
    EXPECT_EQ(Name(), Named(1 + shown));
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(TopName(), Named(1 + shown));
    Type(grid, Qt::Key_PageUp);
    EXPECT_EQ(Name(), Named(1));
    // Past the end a page stops on the last record.
    table->Last();
    Type(grid, Qt::Key_PageDown);
    EXPECT_EQ(Name(), Named(kRecords));
    EXPECT_EQ(grid->Row(), shown);
}

TEST_F(DwGridPagingTest, PageClicksOnTheScrollBarMoveByTheRowsShown) {
    Scroll(SB_PAGEDOWN);
    EXPECT_EQ(Name(), Named(1 + shown));
    Scroll(SB_PAGEDOWN);
    EXPECT_EQ(Name(), Named(1 + 2 * shown));
    Scroll(SB_PAGEUP);
    EXPECT_EQ(Name(), Named(1 + shown));
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(Name(), Named(2 + shown));
    // The five-position thumb: 3 is a page on, 1 a page back, 2 stays.
    Scroll(SB_THUMBPOSITION, 3);
    EXPECT_EQ(Name(), Named(2 + 2 * shown));
    Scroll(SB_THUMBPOSITION, 2);
    EXPECT_EQ(Name(), Named(2 + 2 * shown));
    Scroll(SB_THUMBPOSITION, 1);
    EXPECT_EQ(Name(), Named(2 + shown));
    Scroll(SB_THUMBPOSITION, 4);
    EXPECT_EQ(Name(), Named(kRecords));
    Scroll(SB_THUMBPOSITION, 1);
    EXPECT_EQ(Name(), Named(kRecords - shown));
}

TEST_F(DwGridPagingTest, CtrlUpAndDownGoToTheTopAndBottomRowsShown) {
    Type(grid, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(shown));
    EXPECT_EQ(grid->Row(), shown);
    EXPECT_EQ(TopName(), Named(1));
    // Already on the bottom row: Ctrl+Page Down stays.
    Type(grid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(shown));
    // One down scrolls the rows by one; Ctrl+Up goes to the new top row.
    Type(grid, Qt::Key_Down);
    EXPECT_EQ(TopName(), Named(2));
    Type(grid, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(2));
    EXPECT_EQ(grid->Row(), 1);
    Type(grid, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(2));
    // From the middle row Ctrl+Page Down and Ctrl+Page Up reach the bottom and the top.
    Type(grid, Qt::Key_Down);
    Type(grid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(1 + shown));
    Type(grid, Qt::Key_Up);
    Type(grid, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(2));
    Type(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(kRecords));
    Type(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Name(), Named(1));
}

TEST_F(DwGridPagingTest, HomeAndEndChooseTheEndColumnsOrInARowSelectGridTheEndRecords) {
    ASSERT_GT(grid->FieldCount(), 2);
    table->MoveBy(5);
    Type(grid, Qt::Key_End);
    EXPECT_EQ(grid->SelectedIndex(), grid->FieldCount() - 1);
    EXPECT_EQ(Name(), Named(6));
    Type(grid, Qt::Key_Home);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    Type(grid, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedIndex(), grid->FieldCount() - 1);
    Type(grid, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(Name(), Named(6));
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgRowSelect});
    Type(grid, Qt::Key_End);
    EXPECT_EQ(Name(), Named(kRecords));
    Type(grid, Qt::Key_Home);
    EXPECT_EQ(Name(), Named(1));
    // Right and Left move by records in a row-select grid.
    Type(grid, Qt::Key_Right);
    Type(grid, Qt::Key_Right);
    EXPECT_EQ(Name(), Named(3));
    Type(grid, Qt::Key_Left);
    EXPECT_EQ(Name(), Named(2));
    EXPECT_EQ(grid->SelectedIndex(), 0);
}

TEST_F(DwGridPagingTest, ADragPastAnEdgeScrollsTheRowsByAScreenful) {
    // From the top row, past the lower edge: the record after the bottom row.
    grid->TimedScroll(sdDown);
    EXPECT_EQ(Name(), Named(1 + shown));
    EXPECT_EQ(TopName(), Named(2));
    // From the bottom row, past the upper edge: the record before the top row.
    grid->TimedScroll(sdUp);
    EXPECT_EQ(Name(), Named(1));
    // From a middle row: one past the bottom and one before the top.
    Type(grid, Qt::Key_PageDown);
    Type(grid, Qt::Key_Up);
    ASSERT_EQ(TopName(), Named(2));
    grid->TimedScroll(sdDown);
    EXPECT_EQ(Name(), Named(2 + shown));
    EXPECT_EQ(TopName(), Named(3));
    Type(grid, Qt::Key_Up);
    Type(grid, Qt::Key_Up);
    grid->TimedScroll(sdUp);
    EXPECT_EQ(Name(), Named(2));
    // Sideways the dataset stays.
    grid->TimedScroll(sdLeft);
    EXPECT_EQ(Name(), Named(2));
}

class DwGridNumberedPagingTest : public DwGridPagingTest {
protected:
    void SetUp() override {
        DwGridPagingTest::SetUp();
        numbered = std::make_unique<TdwTable>(nullptr);
        numbered->SetDatabaseName(folder_.Path() + "/");
        numbered->SetTableName("LOANS.DBF");
        numbered->SetTableType(ttParadox);
        numbered->SetIndexName("NAME");
        numbered->Open();
        source_.SetDataSet(numbered.get());
    }
    void TearDown() override {
        source_.SetDataSet(nullptr);
        numbered.reset();
        DwGridPagingTest::TearDown();
    }
    std::string At() { return numbered->FieldByName("NAME")->AsString(); }
    int ThumbShown() { return GetScrollPos(grid->Handle(), SB_VERT); }

    std::unique_ptr<TdwTable> numbered;
};

TEST_F(DwGridNumberedPagingTest, TheThumbStandsOnItsShareOfTheRecords) {
    // Record Pos × 40 div 200 + 1, and the thumb at (number - 1) × 200 div 39.
    Scroll(SB_THUMBPOSITION, 100);
    EXPECT_EQ(At(), Named(21));
    EXPECT_EQ(ThumbShown(), 102);
    Scroll(SB_THUMBPOSITION, 4);
    EXPECT_EQ(At(), Named(1));
    Scroll(SB_THUMBPOSITION, 5);
    EXPECT_EQ(At(), Named(2));
    EXPECT_EQ(ThumbShown(), 5);
    Scroll(SB_THUMBPOSITION, 199);
    EXPECT_EQ(At(), Named(40));
    Scroll(SB_THUMBPOSITION, 150);
    EXPECT_EQ(At(), Named(31));
    EXPECT_EQ(ThumbShown(), 153);
    Scroll(SB_THUMBPOSITION, 200);
    EXPECT_EQ(At(), Named(40));
    EXPECT_EQ(ThumbShown(), 200);
    Scroll(SB_THUMBPOSITION, 0);
    EXPECT_EQ(At(), Named(1));
    EXPECT_EQ(ThumbShown(), 0);
    // The record keeps the row it had: a thumb move from the third row lands on the third row.
    Type(grid, Qt::Key_Down);
    Type(grid, Qt::Key_Down);
    Scroll(SB_THUMBPOSITION, 100);
    EXPECT_EQ(At(), Named(21));
    EXPECT_EQ(grid->Row(), 3);
}

TEST_F(DwGridNumberedPagingTest, LineMovesShowThePositionOfEachRecord) {
    for (int number = 2; number <= 5; ++number) {
        Type(grid, Qt::Key_Down);
        ASSERT_EQ(At(), Named(number));
        // (number - 1) × 200 div 39: 5, 10, 15, 20.
        EXPECT_EQ(ThumbShown(), (number - 1) * 200 / 39) << number;
    }
    Type(grid, Qt::Key_PageDown);
    EXPECT_EQ(At(), Named(5 + shown));
    EXPECT_EQ(ThumbShown(), (4 + shown) * 200 / 39);
}

} // namespace
