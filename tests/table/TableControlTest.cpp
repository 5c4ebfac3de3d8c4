// The table control driven through the layer with real keys and mouse clicks.
#include "TableSupport.h"

#include "controls/entry/DayNumberDates.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/table/StringCellEditor.h"

#include <QApplication>
#include <QWheelEvent>

namespace {

using VcTableTest = TableFormTest;

TEST_F(VcTableTest, KeysMoveTheActiveCellWithEveryCommand) {
    Configure(50, 6);
    std::vector<std::pair<LongInt, LongInt>> moves;
    table->OnActiveCellChanged = [&](TObject*, LongInt r, LongInt c) { moves.emplace_back(r, c); };
    Show();
    ASSERT_TRUE(table->Focused());
    EXPECT_EQ(table->ActiveRow(), 1);
    EXPECT_EQ(table->ActiveCol(), 1);
    Press(Qt::Key_Down);
    Press(Qt::Key_Right);
    EXPECT_EQ(table->ActiveRow(), 2);
    EXPECT_EQ(table->ActiveCol(), 2);
    Press(Qt::Key_End);
    EXPECT_EQ(table->ActiveCol(), 5);
    Press(Qt::Key_Home);
    EXPECT_EQ(table->ActiveCol(), 1);
    Press(Qt::Key_Up);
    Press(Qt::Key_Up); // stays below the locked row
    EXPECT_EQ(table->ActiveRow(), 1);
    Press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(table->ActiveRow(), 49);
    EXPECT_EQ(table->TopRow(), table->LastTopRow());
    EXPECT_TRUE(table->IsCellVisible(49, 1));
    Press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(table->ActiveRow(), 1);
    EXPECT_EQ(table->TopRow(), 1);
    Press(Qt::Key_PageDown);
    const LongInt paged = table->ActiveRow();
    EXPECT_GT(paged, 5);
    Press(Qt::Key_PageUp);
    EXPECT_EQ(table->ActiveRow(), 1);
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(table->ActiveRow(), 49);
    EXPECT_EQ(table->ActiveCol(), 5);
    Press(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(table->ActiveRow(), 1);
    EXPECT_EQ(table->ActiveCol(), 1);
    Press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_GT(table->ActiveCol(), 1);
    EXPECT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), (std::pair<LongInt, LongInt>{table->ActiveRow(), table->ActiveCol()}));
}

// The wheel scrolls the rows, three a notch, and keeps within the last page.
TEST_F(VcTableTest, TheWheelScrollsTheRows) {
    Configure();
    ShowForm();
    const auto wheel = [this](int delta) {
        QWidget* w = WidgetOf(table);
        QWheelEvent e(QPointF(60, 60), w->mapToGlobal(QPointF(60, 60)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
        Application->ProcessMessages();
    };
    const LongInt top = table->TopRow();
    wheel(-WHEEL_DELTA);
    EXPECT_EQ(table->TopRow(), top + 3);
    wheel(-2 * WHEEL_DELTA);
    EXPECT_EQ(table->TopRow(), top + 9);
    wheel(WHEEL_DELTA);
    EXPECT_EQ(table->TopRow(), top + 6);
    for (int k = 0; k < 30; ++k)
        wheel(-WHEEL_DELTA);
    EXPECT_EQ(table->TopRow(), table->LastTopRow());
}

TEST_F(VcTableTest, EnterMovesOnFromTheEditorWhenItStandsForAnArrow) {
    Configure(20, 6);
    table->SetOptions({otoEnterToArrow});
    Show();
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    Press(Qt::Key_Home);
    EXPECT_EQ(table->ActiveCol(), 1) << "other keys stay with the editor";
    Type("x");
    Press(Qt::Key_Return);
    EXPECT_EQ(table->ActiveCol(), 2);
    EXPECT_EQ(StringAt(1, 1), "xR1C1");
}

TEST_F(VcTableTest, PageDownShowsTheLastWholeRowAtTheTop) {
    Configure(50, 6);
    Show();
    // A window of whole rows: the heading and N rows of 20 pixels.
    table->SetHeight(table->Height() + (20 - table->ClientHeight() % 20) % 20);
    Settle();
    ASSERT_EQ(table->ClientHeight() % 20, 0);
    const LongInt rows = (table->ClientHeight() - 20) / 20;
    table->Perform(WM_VSCROLL, MakeLParam(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(table->TopRow(), rows) << "row " << rows << " was the last one in view";
}

TEST_F(VcTableTest, TabArrowsAndTheMovingEvent) {
    Configure(20, 6);
    table->SetOptions({otoTabToArrow});
    Show();
    Press(Qt::Key_Tab);
    EXPECT_EQ(table->ActiveCol(), 2);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(table->ActiveCol(), 1);
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(table->ActiveCol(), 1);
    int changes = 0;
    table->OnActiveCellChanged = [&](TObject*, LongInt, LongInt) { ++changes; };
    table->OnActiveCellMoving = [&](TObject*, Word, LongInt& r, LongInt& c) {
        r = table->ActiveRow();
        c = table->ActiveCol();
    };
    Press(Qt::Key_Down);
    EXPECT_EQ(table->ActiveRow(), 1);
    EXPECT_EQ(changes, 0);
}

TEST_F(VcTableTest, EditsAStringCellWithTypedKeysAndSavesWithF2) {
    Configure(20, 6);
    Show();
    std::vector<std::string> events;
    table->OnBeginEdit = [&](TObject*, LongInt, LongInt, bool&) { events.push_back("begin"); };
    table->OnEndEdit = [&](TObject*, TVcBaseTableCell*, LongInt, LongInt, bool&) {
        events.push_back("end");
    };
    table->OnDoneEdit = [&](TObject*, LongInt, LongInt) { events.push_back("done"); };
    Type("7");
    ASSERT_TRUE(table->IsEditing());
    ASSERT_NE(text->Editor(), nullptr);
    EXPECT_EQ(text->Editor()->Text(), "7");
    Type("ab");
    Press(Qt::Key_F2);
    EXPECT_FALSE(table->IsEditing());
    EXPECT_EQ(StringAt(1, 1), "7ab");
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "end", "done"}));
    EXPECT_TRUE(table->Focused());
    // Escape throws the edit away.
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    Type("zz");
    Press(Qt::Key_Escape);
    EXPECT_FALSE(table->IsEditing());
    EXPECT_EQ(StringAt(1, 1), "7ab");
}

TEST_F(VcTableTest, TheCellEditorTakesItsKeysAndTheEditingColours) {
    Configure(20, 6);
    Show();
    colors().SetEditingText(clMaroon);
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    EXPECT_EQ(text->Editor()->Font()->Color(), clMaroon);
    EXPECT_EQ(text->Editor()->Color(), colors().Editing());
    Press(Qt::Key_Home);
    Type("x");
    Press(Qt::Key_F2);
    EXPECT_EQ(StringAt(1, 1), "xR1C1") << "Home moved the caret to the start";
    EXPECT_EQ(table->Perform(ctim_StartEditKey, 0, 0), 1);
}

TEST_F(VcTableTest, OnlyPlainPrintableKeysStartEditing) {
    Configure(20, 6);
    Show();
    Press(Qt::Key_S, Qt::ControlModifier);
    Press(Qt::Key_A, Qt::AltModifier);
    Press(Qt::Key_F5);
    Press(Qt::Key_Delete);
    EXPECT_FALSE(table->IsEditing());
    Type("A");
    EXPECT_TRUE(table->IsEditing());
}

TEST_F(VcTableTest, ReadOnlyTableNeverEdits) {
    Configure(20, 6);
    table->SetAccess(otxReadOnly);
    Show();
    Type("7");
    Press(Qt::Key_F2);
    Click(1, 1);
    EXPECT_FALSE(table->IsEditing());
}

TEST_F(VcTableTest, StringCellWritesNoMoreThanItsBuffer) {
    Configure(20, 6);
    text->SetUseASCIIZStrings(true);
    text->SetMaxLength(4);
    std::array<char, 5> buffer{'a', 'b', 0, 0, 0};
    table->OnGetCellData = [&](TObject*, LongInt r, LongInt c, void*& data, TVcCellDataPurpose) {
        data = r == 1 && c == 1 ? buffer.data() : nullptr;
    };
    Show();
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    Type("cdefgh");
    Press(Qt::Key_F2);
    // The editor selected "ab" on entry, so the typing replaced it; four characters fit.
    EXPECT_EQ(std::string(buffer.data()), "cdef");
    TVcTCString zero(form.get());
    EXPECT_EQ(zero.EffectiveMaxLength(), 255);
    zero.SetMaxLength(1);
    EXPECT_EQ(zero.EffectiveMaxLength(), 1);
    zero.SetMaxLength(300);
    EXPECT_EQ(zero.EffectiveMaxLength(), 255) << "a length byte counts to 255";
    zero.SetUseASCIIZStrings(true);
    EXPECT_EQ(zero.EffectiveMaxLength(), 300) << "a zero-ended text has no such bound";
}

TEST_F(VcTableTest, NumericAndPictureCellsEditTypedValues) {
    Configure(20, 6);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/YY");
    DateAt(1, 3) = DMYToDate(1, 1, 2000, 1950);
    NumberAt(1, 2) = 12.5;
    Show();
    Press(Qt::Key_Right);
    Type("42");
    ASSERT_TRUE(table->IsEditing());
    Press(Qt::Key_F2);
    EXPECT_FALSE(table->IsEditing());
    EXPECT_DOUBLE_EQ(NumberAt(1, 2), 42.0);
    Press(Qt::Key_Right);
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    EXPECT_EQ(date->EditField()->EditString(), "01/01/00");
    Press(Qt::Key_Home);
    Type("0202");
    Press(Qt::Key_F2);
    EXPECT_FALSE(table->IsEditing());
    EXPECT_EQ(DateAt(1, 3), DMYToDate(2, 2, 2000, 1950));
    // Escape puts back the text from the start of editing and leaves the cell.
    const LongInt saved = DateAt(1, 3);
    Press(Qt::Key_F2);
    Press(Qt::Key_Home);
    Type("1111");
    Press(Qt::Key_Escape);
    EXPECT_FALSE(table->IsEditing());
    EXPECT_EQ(DateAt(1, 3), saved);
}

TEST_F(VcTableTest, InvalidValueKeepsTheEditorAndStoresNothing) {
    Configure(20, 6);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/YY");
    DateAt(1, 3) = DMYToDate(1, 1, 2000, 1950);
    Show();
    table->SetActiveCol(3);
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    Type("1399");
    Press(Qt::Key_Down);
    EXPECT_TRUE(table->IsEditing());
    EXPECT_EQ(table->ActiveRow(), 1);
    EXPECT_EQ(DateAt(1, 3), DMYToDate(1, 1, 2000, 1950));
    EXPECT_FALSE(services.MessageBoxes.empty());
}

TEST_F(VcTableTest, SelectionByClickShiftCtrlAndDragging) {
    Configure(20, 6);
    table->SetOptions({otoMouseDragSelect, otoRowSelection, otoColSelection});
    Show();
    Click(2, 2);
    EXPECT_EQ(table->ActiveRow(), 2);
    Click(4, 3, Qt::ShiftModifier);
    EXPECT_TRUE(table->IsCellSelected(3, 2));
    EXPECT_TRUE(table->IsCellSelected(4, 3));
    EXPECT_FALSE(table->IsCellSelected(5, 3));
    Click(6, 1, Qt::ControlModifier);
    EXPECT_TRUE(table->IsCellSelected(6, 1));
    EXPECT_TRUE(table->IsCellSelected(3, 2));
    Click(6, 1, Qt::ControlModifier);
    EXPECT_FALSE(table->IsCellSelected(6, 1));
    Click(1, 1);
    EXPECT_FALSE(table->IsCellSelected(3, 2));
    // Dragging from (2,1) to (5,2); the table keeps the mouse while the button is down.
    MouseDown(PointOf(2, 1));
    EXPECT_EQ(GetCapture(), table->Handle());
    MouseMove(PointOf(5, 2));
    MouseUp(PointOf(5, 2));
    EXPECT_TRUE(table->IsCellSelected(4, 2));
    EXPECT_EQ(table->ActiveRow(), 5);
    // The top-left locked corner selects everything; a heading its column.
    Click(0, 0);
    EXPECT_TRUE(table->IsCellSelected(19, 5));
    Click(3, 3);
    Click(0, 4);
    EXPECT_TRUE(table->IsCellSelected(15, 4));
    EXPECT_FALSE(table->IsCellSelected(15, 3));
}

TEST_F(VcTableTest, ExtendCommandsSelectFromTheAnchor) {
    Configure(20, 6);
    Show();
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(table->IsCellSelected(1, 1));
    EXPECT_TRUE(table->IsCellSelected(2, 2));
    Press(Qt::Key_Down);
    EXPECT_FALSE(table->IsCellSelected(2, 2));
}

TEST_F(VcTableTest, ScrollingKeepsLockedRowsAndColumnsAndPaintsOnlyNewCells) {
    Configure(100, 8);
    table->SetLockedCols(1);
    Show();
    const std::vector<LongInt> cols = table->VisibleCols();
    ASSERT_EQ(cols.front(), 0);
    table->ResetCellsPainted();
    table->SetTopRow(2);
    Settle();
    EXPECT_EQ(table->VisibleRows().front(), 0);
    EXPECT_EQ(table->VisibleRows()[1], 2);
    // The new bottom row (and the one cut off before) are painted, nothing else.
    EXPECT_LE(table->CellsPainted(), 2 * static_cast<long>(cols.size()));
    EXPECT_GT(table->CellsPainted(), 0);
    table->SetTopLeftCell(1000, 1000);
    EXPECT_EQ(table->TopRow(), table->LastTopRow());
    EXPECT_EQ(table->LeftCol(), table->LastLeftCol());
    EXPECT_TRUE(table->IsCellVisible(99, 7));
    EXPECT_EQ(table->VisibleCols().front(), 0);
    // The scroll bar moves the rows.
    table->Perform(WM_VSCROLL, MakeLParam(SB_TOP, 0), 0);
    EXPECT_EQ(table->TopRow(), 1);
    table->Perform(WM_VSCROLL, MakeLParam(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(table->TopRow(), 2);
    table->Perform(WM_VSCROLL, MakeLParam(SB_THUMBPOSITION, 40), 0);
    EXPECT_EQ(table->TopRow(), 40);
}

TEST_F(VcTableTest, ScrollingAColumnPaintsOnlyTheColumnsThatCameIntoView) {
    Configure(20, 12);
    Show();
    // One position for each column that can be the left column.
    EXPECT_EQ(ScrollInfo(SB_HORZ).nMax, table->LastLeftCol() - table->LockedCols());
    const long rows = static_cast<long>(table->VisibleRows().size());
    table->ResetCellsPainted();
    table->SetLeftCol(table->LeftCol() + 1);
    Settle();
    EXPECT_GT(table->CellsPainted(), 0);
    EXPECT_LE(table->CellsPainted(), 2 * rows) << "the new right column and the one cut off";
    table->ResetCellsPainted();
    table->SetLeftCol(table->LeftCol() - 1);
    Settle();
    EXPECT_GT(table->CellsPainted(), 0);
    EXPECT_LE(table->CellsPainted(), 2 * rows) << "the new left column and the one cut off";
}

TEST_F(VcTableTest, TheHorizontalBarFollowsTheLeftColumnPastTheLockedOnes) {
    Configure(20, 12);
    table->Columns()->Items(0)->SetWidth(80);
    Show();
    // The locked column's 80 pixels are not there for scrolling: the columns from the last
    // left column on fit into the rest of the width.
    const int room = table->ClientWidth() - 80;
    EXPECT_EQ(table->LastLeftCol(), 12 - std::max(1, room / 80));
    table->Perform(WM_HSCROLL, MakeLParam(SB_LINERIGHT, 0), 0);
    EXPECT_EQ(table->LeftCol(), 2);
    EXPECT_EQ(ScrollInfo(SB_HORZ).nPos, 1);
    table->SetLeftCol(4);
    EXPECT_EQ(ScrollInfo(SB_HORZ).nPos, 3);
    table->Perform(WM_HSCROLL, MakeLParam(SB_LINELEFT, 0), 0);
    EXPECT_EQ(table->LeftCol(), 3);
    EXPECT_EQ(ScrollInfo(SB_HORZ).nPos, 2);
}

TEST_F(VcTableTest, ACellEndingRightAtTheWindowsEdgeIsInViewAlready) {
    Configure(50, 6);
    Show();
    // Column 4 and row 5 are sized to end exactly at the right and the bottom edge.
    const TRect cell = table->CellRect(5, 4);
    table->Columns()->Items(4)->SetWidth(table->ClientWidth() - cell.Left);
    table->Rows()->SetRowHeight(5, table->ClientHeight() - cell.Top);
    Settle();
    table->SetActiveCell(5, 4);
    EXPECT_EQ(table->LeftCol(), 1);
    EXPECT_EQ(table->TopRow(), 1);
    // One pixel more and the first scrolling column and row go out of view.
    table->SetActiveCell(1, 1);
    table->Columns()->Items(4)->SetWidth(table->ClientWidth() - cell.Left + 1);
    table->Rows()->SetRowHeight(5, table->ClientHeight() - cell.Top + 1);
    Settle();
    table->SetActiveCell(5, 4);
    EXPECT_EQ(table->LeftCol(), 2);
    EXPECT_EQ(table->TopRow(), 2);
}

TEST_F(VcTableTest, MoreLockedRowsKeepTheScrolledRowsBelowThem) {
    Configure(50, 6);
    Show();
    table->SetTopRow(5);
    table->SetLockedRows(3);
    const std::vector<LongInt> rows = table->VisibleRows();
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(std::vector<LongInt>(rows.begin(), rows.begin() + 5),
              (std::vector<LongInt>{0, 1, 2, 5, 6}));
}

TEST_F(VcTableTest, PageDownPastARowTallerThanTheWindow) {
    Configure(50, 6);
    Show();
    table->Rows()->SetRowHeight(1, table->ClientHeight());
    Settle();
    table->Perform(WM_VSCROLL, MakeLParam(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(table->TopRow(), 2) << "the next row, though the tall one is the last in view";
}

TEST_F(VcTableTest, PageRightPastAColumnWiderThanTheWindow) {
    Configure(20, 6);
    Show();
    table->Columns()->Items(1)->SetWidth(table->ClientWidth());
    Settle();
    table->Perform(WM_HSCROLL, MakeLParam(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(table->LeftCol(), 2) << "the next column, though the wide one is the last in view";
}

TEST_F(VcTableTest, ScalingRowsAloneLaysTheTableOut) {
    Configure(20, 3);
    for (LongInt c = 0; c < 3; ++c)
        table->Columns()->Items(c)->SetWidth(40);
    table->Rows()->SetDefaultHeight(100);
    Show();
    // 101 / 100: the 40-pixel columns stay (40.4), the rows grow to 101.
    table->ChangeScale(101, 100);
    Settle();
    EXPECT_EQ(table->Columns()->Items(1)->Width(), 40);
    EXPECT_EQ(table->CellRect(1, 1).Top, 101);
}

TEST_F(VcTableTest, ScalingDoublesWidthsAndHeightsAndLaysTheTableOut) {
    Configure(20, 6);
    Show();
    table->ChangeScale(2, 1);
    Settle();
    EXPECT_EQ(table->Columns()->Items(0)->Width(), 80);
    EXPECT_EQ(table->Columns()->Items(5)->Width(), 160);
    // Rows of 40 pixels from the top: as many as start inside the window.
    const std::size_t rows = static_cast<std::size_t>((table->ClientHeight() + 39) / 40);
    EXPECT_EQ(table->VisibleRows().size(), rows);
    EXPECT_EQ(table->CellRect(2, 1).Top, 80);
}

TEST_F(VcTableTest, WhileEditingEveryCellButTheEditedOneIsPainted) {
    Configure(20, 6);
    Show();
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    table->ResetCellsPainted();
    table->InvalidateTable();
    Settle();
    EXPECT_EQ(table->CellsPainted(), VisibleCells() - 1)
        << "the editor stands over the active cell";
}

TEST_F(VcTableTest, ChangedRowsAreTold) {
    Configure(20, 6);
    std::vector<std::vector<LongInt>> told;
    table->OnRowsChanged = [&](TObject*, LongInt r1, LongInt r2, TVcTblActions action) {
        told.push_back({r1, r2, static_cast<LongInt>(action)});
    };
    Show();
    table->Rows()->SetHidden(4, true);
    table->Rows()->Exchange(2, 6);
    EXPECT_EQ(told, (std::vector<std::vector<LongInt>>{{4, -1, tbaSingle}, {2, 6, tbaExchange}}));
}

TEST_F(VcTableTest, TheTableAnswersItsCellsQuestions) {
    Configure(20, 6);
    Show();
    table->SetActiveCell(7, 3);
    EXPECT_EQ(table->Perform(ctim_QueryActiveRow, 0, 0), 7);
    EXPECT_EQ(table->Perform(ctim_QueryActiveCol, 0, 0), 3);
    EXPECT_EQ(table->Perform(ctim_QueryLockedRows, 0, 0), 1);
    EXPECT_EQ(table->Perform(ctim_QueryLockedCols, 0, 0), 1);
}

TEST_F(VcTableTest, AHiddenActiveColumnOrRowGivesWayWhenTheWindowIsMade) {
    Configure(20, 6);
    table->SetActiveCell(2, 3);
    table->Columns()->Items(3)->SetHidden(true);
    table->Rows()->SetHidden(2, true);
    Show();
    EXPECT_EQ(table->ActiveCol(), 4);
    EXPECT_EQ(table->ActiveRow(), 3);
}

TEST_F(VcTableTest, AnAreaAskedForAndALostFocusRepaintAtOnce) {
    Configure(20, 6);
    Show();
    Settle();
    table->ResetCellsPainted();
    table->InvalidateArea(3, 1, 4, 2);
    Settle();
    EXPECT_EQ(table->CellsPainted(), 4);
    // The active cell's frame changes when the table loses the focus.
    table->ResetCellsPainted();
    Leave();
    Settle();
    EXPECT_GE(table->CellsPainted(), 1);
}

TEST_F(VcTableTest, EveryResizeLaysTheRowsOutAgain) {
    Configure(50, 4);
    Show();
    const std::size_t rows = table->VisibleRows().size();
    table->SetHeight(table->Height() + 100);
    Settle();
    EXPECT_EQ(table->VisibleRows().size(), rows + 5) << "five more rows of 20 pixels";
    table->SetHeight(table->Height() - 100);
    Settle();
    EXPECT_EQ(table->VisibleRows().size(), rows);
}

TEST_F(VcTableTest, LongTablesUseOneScrollScale) {
    Configure(20, 4);
    Show();
    table->SetRowLimit(100000);
    Settle();
    const LongInt scale = table->LastTopRow() / 1024 + 1;
    EXPECT_EQ(ScrollInfo(SB_VERT).nMax, table->LastTopRow() / scale);
    // From a last top row of 16384 on, rows are counted in steps: 16384 / 17 = 963 positions.
    const LongInt fit = 100000 - table->LastTopRow();
    table->SetRowLimit(16384 + fit);
    Settle();
    ASSERT_EQ(table->LastTopRow(), 16384);
    EXPECT_EQ(ScrollInfo(SB_VERT).nMax, 963);
    table->SetRowLimit(16383 + fit);
    Settle();
    EXPECT_EQ(ScrollInfo(SB_VERT).nMax, 16383);
    table->SetRowLimit(100000);
    Settle();
    const int last = ScrollInfo(SB_VERT).nMax;
    table->Perform(WM_VSCROLL, MakeLParam(SB_THUMBPOSITION, static_cast<Word>(last / 2)), 0);
    const SCROLLINFO after = ScrollInfo(SB_VERT);
    EXPECT_EQ(after.nPos, table->TopRow() / scale);
    table->Perform(WM_VSCROLL, MakeLParam(SB_THUMBPOSITION, static_cast<Word>(after.nMax)), 0);
    EXPECT_EQ(table->TopRow(), table->LastTopRow());
}

TEST_F(VcTableTest, NewOptionsAndAMovedActiveCellDropTheSelection) {
    Configure(20, 6);
    Show();
    table->SelectColumn(table->ColCount()); // no such column
    EXPECT_FALSE(table->Selection()->HaveSelection());
    table->SelectColumn(2);
    EXPECT_TRUE(table->Selection()->IsCellSelected(5, 2));
    table->SelectColumn(1);
    EXPECT_TRUE(table->Selection()->IsCellSelected(5, 1)) << "the first column after the locked";
    table->SetOptions({otoRowSelection});
    EXPECT_FALSE(table->Selection()->HaveSelection());
    table->SelectRow(4);
    ASSERT_TRUE(table->Selection()->IsCellSelected(4, 3));
    Settle();
    table->ResetCellsPainted();
    Press(Qt::Key_Down);
    EXPECT_FALSE(table->Selection()->IsCellSelected(4, 3)) << "the old range goes";
    EXPECT_GE(table->CellsPainted(), static_cast<long>(table->VisibleCols().size()))
        << "and its cells are painted unselected";
    // The options a cell asks for come back as bits.
    EXPECT_EQ(table->Perform(ctim_QueryOptions, 0, 0), LRESULT{1} << otoRowSelection);
}

TEST_F(VcTableTest, APerCellColourStaysWithItsCellWhenColumnsChange) {
    Configure(20, 6);
    Show();
    int changes = 0;
    const TNotifyEvent repaint = table->TableCells()->OnChange;
    table->TableCells()->OnChange = [&](TObject* Sender) {
        ++changes;
        repaint(Sender);
    };
    table->TableCells()->SetCellColor(2, 3, clRed);
    table->TableCells()->OnChange = repaint;
    EXPECT_EQ(changes, 1) << "the table hears of the change";
    table->TableCells()->SetCellColor(2, 1, clBlue);
    table->Columns()->Items(1)->SetWidth(90);
    table->Columns()->Items(4)->SetHidden(true);
    EXPECT_EQ(table->TableCells()->GetCellAttr(2, 3).Color, clRed);
    EXPECT_EQ(table->TableCells()->GetCellAttr(2, 4).Color, clVcCellNone);
    EXPECT_EQ(table->TableCells()->GetCellAttr(2, 1).Color, clBlue);
    EXPECT_EQ(table->TableCells()->GetCellAttr(2, 0).Color, clVcCellNone);
    table->Columns()->Exchange(1, 3);
    EXPECT_EQ(table->TableCells()->GetCellAttr(2, 1).Color, clRed) << "an exchange moves them";
    EXPECT_EQ(table->TableCells()->GetCellAttr(2, 3).Color, clBlue);
}

TEST_F(VcTableTest, AMoveToTheNextColumnRepaintsTheTwoCells) {
    Configure(20, 6);
    table->SetLockedRowsCell(nullptr);
    table->SetLockedRows(0);
    Show();
    table->SetActiveCell(3, 1);
    Settle();
    table->ResetCellsPainted();
    Press(Qt::Key_Right);
    EXPECT_EQ(table->CellsPainted(), 2) << "no heading row to mark the column in";
}

TEST_F(VcTableTest, TheTopLeftCellAHandlerAsksForStaysInTheTable) {
    Configure(20, 6);
    table->OnTopLeftCellChanging = [](TObject*, LongInt& RowNum, LongInt& ColNum) {
        RowNum = 999;
        ColNum = 999;
    };
    table->SetTopLeftCell(2, 2);
    EXPECT_EQ(table->TopRow(), 19);
    EXPECT_EQ(table->LeftCol(), 5);
}

TEST_F(VcTableTest, ChangesToShownRowsRepaintTheTable) {
    Configure(40, 6);
    Show();
    table->ResetCellsPainted();
    table->InvalidateTable();
    Settle();
    const long visible = VisibleCells();
    EXPECT_EQ(table->CellsPainted(), visible);
    // Exchanging the first row (the heading) with one out of sight shows a change, whichever
    // way round; so does the first column's exchange with one out of sight.
    for (auto [one, other] : {std::pair<LongInt, LongInt>{0, 30}, {30, 0}}) {
        table->ResetCellsPainted();
        table->Rows()->Exchange(one, other);
        Settle();
        EXPECT_EQ(table->CellsPainted(), visible) << one;
    }
    table->Columns()->SetCount(12);
    Settle();
    ASSERT_FALSE(table->IsCellVisible(1, 11));
    for (auto [one, other] : {std::pair<LongInt, LongInt>{0, 11}, {11, 0}}) {
        table->ResetCellsPainted();
        table->Columns()->Exchange(one, other);
        Settle();
        EXPECT_GE(table->CellsPainted(), visible) << one;
    }
    // A change of the heading cell repaints the headings it draws.
    table->ResetCellsPainted();
    heading->SetColor(clYellow);
    Settle();
    EXPECT_GE(table->CellsPainted(), static_cast<long>(table->VisibleCols().size()));
}

TEST_F(VcTableTest, PageUpGoesBackOneWindowOfRows) {
    Configure(50, 6);
    Show();
    table->Perform(WM_VSCROLL, MakeLParam(SB_BOTTOM, 0), 0);
    const LongInt top = table->TopRow();
    ASSERT_EQ(top, table->LastTopRow());
    // The scroll bar's page up shows as many 20-pixel rows above as fit below the heading.
    const LongInt fit = (table->ClientHeight() - 20) / 20;
    table->Perform(WM_VSCROLL, MakeLParam(SB_PAGEUP, 0), 0);
    EXPECT_EQ(table->TopRow(), top - fit);
    table->Perform(WM_VSCROLL, MakeLParam(SB_PAGEUP, 0), 0);
    EXPECT_EQ(table->TopRow(), top - 2 * fit);
}

TEST_F(VcTableTest, RedrawLockPaintsEachAffectedCellOnce) {
    Configure(20, 6);
    Show();
    table->ResetCellsPainted();
    table->SetRedrawAllowed(false);
    table->InvalidateCell(3, 3);
    table->InvalidateCell(3, 3);
    table->InvalidateCell(4, 2);
    table->Invalidate();
    Settle();
    EXPECT_EQ(table->CellsPainted(), 0);
    table->SetRedrawAllowed(true);
    Settle();
    // The whole window was asked for while locked: every visible cell once.
    EXPECT_EQ(table->CellsPainted(), VisibleCells());
    table->ResetCellsPainted();
    table->SetRedrawAllowed(false);
    table->InvalidateCell(3, 3);
    table->InvalidateCell(4, 2);
    table->SetRedrawAllowed(true);
    // The two cells and the active cell, which every lock marks.
    EXPECT_EQ(table->CellsPainted(), 3);
}

TEST_F(VcTableTest, ShapeLimitsAndReferences) {
    Configure(20, 6);
    Show();
    table->SetActiveCell(15, 4);
    table->SetRowLimit(10);
    EXPECT_EQ(table->ActiveRow(), 9);
    table->SetLockedRows(10);
    EXPECT_EQ(table->LockedRows(), 1);
    table->SetColCount(1);
    EXPECT_EQ(table->ColCount(), 6);
    table->SetColCount(3);
    EXPECT_EQ(table->ActiveCol(), 2);
    EXPECT_THROW(table->Rows()->Height(10), EVcTable);
    for (LongInt c = 0; c < 3; ++c)
        table->Columns()->Items(c)->SetHidden(true);
    Settle();
    EXPECT_TRUE(table->VisibleCols().empty());
}

TEST_F(VcTableTest, ANewTableHasTenRowsAndColumnsOnThreeHundredByAHundred) {
    auto* fresh = Make<TVcTable>("Fresh", 0, 0);
    EXPECT_EQ(fresh->ColCount(), 10);
    EXPECT_EQ(fresh->RowLimit(), 10);
    EXPECT_EQ(fresh->Selection()->ColCount(), 10) << "the selection spans the same columns";
    EXPECT_EQ(fresh->Selection()->RowCount(), 10);
    EXPECT_EQ(fresh->Width(), 300);
    EXPECT_EQ(fresh->Height(), 100);
    fresh->Selection()->SelectAll();
    EXPECT_TRUE(fresh->Selection()->IsCellSelected(9, 9));
    EXPECT_FALSE(fresh->Selection()->IsCellSelected(10, 9)) << "nothing past the last row";
    EXPECT_EQ(fresh->Selection()->Runs(9), (std::vector<TVcSelectionList::TRun>{{0, 9}}));
}

TEST_F(VcTableTest, HeadingsNameColumnsAndFollowThem) {
    Configure(20, 6);
    table->SetLockedCols(1);
    Show();
    EXPECT_EQ(PaintHeading(1).back().Text, "A") << "the first unlocked column is A";
    table->SetLockedCols(0);
    EXPECT_EQ(ColumnLetters(27), "AA");
    EXPECT_EQ(ColumnLetters(26), "Z");
    EXPECT_EQ(ColumnLetters(0), "");
    heading->SetShowLetters(false);
    heading->Headings()->SetCommaText("A,B,C");
    table->Columns()->Exchange(0, 2);
    EXPECT_EQ(heading->Headings()->CommaText(), "C,B,A");
    table->Columns()->Delete(1);
    EXPECT_EQ(heading->Headings()->CommaText(), "C,A");
    table->Columns()->Delete(2); // a column past the last heading: the headings stay
    EXPECT_EQ(heading->Headings()->CommaText(), "C,A");
}

TEST_F(VcTableTest, EventsFollowEditingAndScrolling) {
    Configure(60, 6);
    std::vector<std::string> log;
    table->OnEnteringRow = [&](TObject*, LongInt r) { log.push_back("row " + std::to_string(r)); };
    table->OnLeavingRow = [&](TObject*, LongInt r) { log.push_back("leave " + std::to_string(r)); };
    table->OnTopLeftCellChanged = [&](TObject*, LongInt r, LongInt) {
        log.push_back("top " + std::to_string(r));
    };
    table->OnClipboardCopy = [&](TObject*) { log.push_back("copy"); };
    Show();
    Press(Qt::Key_F2);
    Press(Qt::Key_F2);
    Press(Qt::Key_Down);
    Press(Qt::Key_C, Qt::ControlModifier);
    table->SetTopRow(10);
    EXPECT_EQ(log, (std::vector<std::string>{"top 1", "row 1", "leave 1", "copy", "top 10"}));
    EXPECT_EQ(std::count(purposes.begin(), purposes.end(), cdpEdit), 1);
    EXPECT_EQ(std::count(purposes.begin(), purposes.end(), cdpSave), 1);
}

TEST_F(VcTableTest, StoredColumnsAndRowsComeBack) {
    Configure(20, 3);
    table->Rows()->SetHidden(4, true);
    table->Rows()->SetRowHeight(6, 44);
    const TVcRowData rows = table->RowData();
    const std::vector<TVcColumnData> cols = table->ColData();
    EXPECT_EQ(cols[1].CellName, "EntryForm.Text");
    ASSERT_EQ(rows.Rows.size(), 2u);
    EXPECT_EQ(rows.Rows[0], (TVcRowData::TRow{4, true, -1}));
    table->ReadRowData({20, {}});
    EXPECT_EQ(table->Rows()->StoredCount(), 0);
    table->ReadRowData(rows);
    EXPECT_TRUE(table->Rows()->Hidden(4));
    EXPECT_EQ(table->Rows()->Height(6), 44);
    // A name without an owner part is a cell of the table's own form.
    std::vector<TVcColumnData> plain = cols;
    plain[1].CellName = "Date";
    plain[2].Hidden = true;
    table->ReadColData(plain);
    EXPECT_TRUE(table->Columns()->Items(2)->Hidden()) << "a stored hidden column stays hidden";
    EXPECT_TRUE(table->ColData()[2].Hidden);
    plain[2].Hidden = false;
    table->ReadColData(plain);
    Show();
    EXPECT_EQ(table->Columns()->DefaultCell(1), date);
    EXPECT_EQ(table->Columns()->DefaultCell(2), number);
}

TEST_F(VcTableTest, ColumnsReplacedBeforeTheFormShowsLeaveNoCellNameBehind) {
    Configure(20, 3);
    std::vector<TVcColumnData> cols = table->ColData();
    cols[1].CellName = "Date";
    cols[2].CellName = "Number";
    table->ReadColData(cols);
    table->ReadColData(cols); // the first read's columns are gone before any name resolves
    table->Columns()->SetCount(2);
    Show();
    EXPECT_EQ(table->Columns()->DefaultCell(1), date);
    EXPECT_EQ(table->Columns()->Count(), 2);
}

TEST_F(VcTableTest, FreeingACellRemovesEveryUse) {
    Configure(20, 6);
    Show();
    table->SetCellComponent(3, 3, text);
    delete text;
    text = nullptr;
    Settle();
    EXPECT_EQ(table->LockedRowsCell(), heading) << "another cell's going leaves the heading";
    EXPECT_EQ(table->Columns()->DefaultCell(1), nullptr);
    EXPECT_EQ(table->CellComponent(3, 3),
              number == nullptr ? nullptr : table->Columns()->DefaultCell(3));
    delete heading;
    heading = nullptr;
    EXPECT_EQ(table->LockedRowsCell(), nullptr);
    Settle();
}

QImage Picture(TVcTable* table) {
    return table->Impl()->Buffer().copy();
}

class VcTableScrollTest : public TableFormTest {
protected:
    // Once what was changed has settled, the table shows the pixels a full repaint shows.
    void ExpectAsFullRepaint(const char* what) {
        Settle();
        const QImage changed = Picture(table);
        table->InvalidateTable();
        Settle();
        EXPECT_TRUE(changed == Picture(table)) << what;
    }
};

TEST_F(VcTableScrollTest, ScrolledPixelsMatchAFullRepaint) {
    Configure(100, 10);
    Show();
    table->SetTopRow(2);
    ExpectAsFullRepaint("one row down");
    table->SetTopRow(9);
    ExpectAsFullRepaint("seven rows down");
    table->SetTopRow(5);
    ExpectAsFullRepaint("four rows up");
    table->SetLeftCol(2);
    ExpectAsFullRepaint("one column right");
    table->SetLeftCol(1);
    ExpectAsFullRepaint("one column left");
}

// What a pixel of the table's painted window shows, by name for the colours used here.
std::string PixelAt(TVcTable* table, int x, int y) {
    const QColor c = QColor::fromRgb(Picture(table).pixel(x, y));
    const std::pair<const char*, TColor> named[] = {
        {"red", clRed},   {"blue", clBlue},       {"yellow", clYellow},
        {"lime", clLime}, {"fuchsia", clFuchsia}, {"green", clGreen}};
    for (const auto& [name, colour] : named) {
        const COLORREF rgb = ColorToRGB(colour);
        if (c == QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb))) return name;
    }
    return c.name().toStdString();
}

TEST_F(VcTableScrollTest, ChangedHeadingsAndRowsPaintAsAFullRepaintWould) {
    Configure(20, 6);
    Show();
    table->SetLockedRowsCell(nullptr);
    ExpectAsFullRepaint("the heading row without its cell");
    table->SetLockedRowsCell(heading);
    ExpectAsFullRepaint("the heading cell back");
    // No row left in view: a row shown again is painted.
    table->SetLockedRows(0);
    table->SetRowLimit(3);
    for (LongInt r = 0; r < 3; ++r)
        table->Rows()->SetHidden(r, true);
    ExpectAsFullRepaint("every row hidden");
    ASSERT_TRUE(table->VisibleRows().empty());
    table->Rows()->SetHidden(0, false);
    ExpectAsFullRepaint("the first row shown again");
    EXPECT_EQ(table->VisibleRows(), std::vector<LongInt>{0});
}

TEST_F(VcTableScrollTest, ASelectionReachingTheFirstRowRepaintsIt) {
    Configure(20, 6);
    table->SetLockedRows(0);
    Show();
    table->SetTopRow(0);
    Click(1, 2);
    Click(0, 1, Qt::ShiftModifier);
    ASSERT_TRUE(table->IsCellSelected(0, 2));
    ExpectAsFullRepaint("cell (0, 2) shows selected");
}

TEST_F(VcTableScrollTest, GridLinesRunAlongTheRightAndLowerEdgeOfEachCell) {
    Configure(20, 6);
    text->SetColor(clYellow);
    TVcGridPen& grid = *table->GridPenSet()->NormalGrid();
    grid.SetNormalColor(clRed);
    grid.SetSecondColor(clBlue);
    Show();
    // Cell (3, 4) is a text cell away from the active one; R and B are its outer edges.
    const TRect cell = table->CellRect(3, 4);
    const int L = cell.Left, T = cell.Top, R = cell.Right - 1, B = cell.Bottom - 1;
    const auto corners = [&](TGridEffect effect) {
        grid.SetEffect(effect);
        Settle();
        return std::vector<std::string>{PixelAt(table, L, T), PixelAt(table, R, T),
                                        PixelAt(table, L, B), PixelAt(table, R, B),
                                        PixelAt(table, L + 1, T + 1)};
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(corners(geNone), (V{"yellow", "yellow", "yellow", "yellow", "yellow"}));
    EXPECT_EQ(corners(geVertical), (V{"yellow", "red", "yellow", "red", "yellow"}));
    EXPECT_EQ(corners(geHorizontal), (V{"yellow", "yellow", "red", "red", "yellow"}));
    EXPECT_EQ(corners(geBoth), (V{"yellow", "red", "red", "red", "yellow"}));
    // The raised edge: light left and top, the grid colour right and below, the cell one in.
    EXPECT_EQ(corners(ge3D), (V{"blue", "red", "red", "red", "yellow"}));
    EXPECT_EQ(PixelAt(table, L + 1, T), "blue");
    EXPECT_EQ(PixelAt(table, L, T + 1), "blue");
    // A cell in the table's colour takes the colour the table has when it is painted.
    text->SetTableColor(true);
    table->SetColor(clLime);
    Settle();
    EXPECT_EQ(PixelAt(table, L + 1, T + 1), "lime");
}

TEST_F(VcTableScrollTest, TheActiveCellsFrameAndTheAreaPastTheCells) {
    Configure(3, 2);
    table->GridPenSet()->NormalGrid()->SetEffect(geNone);
    TVcGridPen& frame = *table->GridPenSet()->CellWhenFocused();
    frame.SetNormalColor(clLime);
    frame.SetSecondColor(clFuchsia);
    frame.SetEffect(ge3D);
    frame.SetStyle(psSolid);
    Show();
    Settle();
    ASSERT_TRUE(table->Focused());
    // Active cell (1, 1): the second colour left and on top, the first right and below.
    const TRect cell = table->CellRect(1, 1);
    const int L = cell.Left, T = cell.Top, R = cell.Right - 1, B = cell.Bottom - 1;
    EXPECT_EQ(PixelAt(table, L, T + 5), "fuchsia");
    EXPECT_EQ(PixelAt(table, L + 5, T), "fuchsia");
    EXPECT_EQ(PixelAt(table, R, T + 5), "lime");
    EXPECT_EQ(PixelAt(table, L + 5, B), "lime");
    EXPECT_EQ(PixelAt(table, R, B), "lime");
    // A frame with vertical lines only: both reach the lower edge.
    frame.SetEffect(geVertical);
    Settle();
    EXPECT_EQ(PixelAt(table, R, B), "lime");
    EXPECT_EQ(PixelAt(table, L, B), "lime");
    // A dotted frame leaves gaps along its edges.
    frame.SetStyle(psDot);
    Settle();
    int lime = 0;
    for (int y = T + 2; y < B - 2; ++y)
        lime += PixelAt(table, R, y) == "lime";
    EXPECT_GT(lime, 0);
    EXPECT_LT(lime, B - 4 - T);
    // Without the focus the frame takes the other pen, all four sides in its first colour.
    TVcGridPen& unfocused = *table->GridPenSet()->CellWhenUnfocused();
    unfocused.SetNormalColor(clRed);
    unfocused.SetEffect(geBoth);
    int exits = 0;
    table->AfterExit = [&](TObject*) { ++exits; };
    other->SetFocus();
    Settle();
    EXPECT_EQ(exits, 1) << "the table tells it lost the focus";
    EXPECT_EQ(PixelAt(table, R, B), "red");
    EXPECT_EQ(PixelAt(table, L, T + 5), "red");
    // Two columns of 40 and 80 and three rows of 20: the rest is the unused colour.
    table->SetColorUnused(clGreen);
    Settle();
    EXPECT_EQ(PixelAt(table, 120, 5), "green");
    // A handler given for that area paints it from then on, at once.
    int handled = 0;
    table->SetOnPaintUnusedArea([&](TObject*) { ++handled; });
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(PixelAt(table, table->ClientWidth() - 1, table->ClientHeight() - 1), "green");
    EXPECT_EQ(PixelAt(table, 5, 60), "green");
    EXPECT_EQ(PixelAt(table, 119, 59), PixelAt(table, 119, 58)) << "the last cell ends there";
}

using VcTableMouseTest = TableFormTest;

TEST_F(VcTableMouseTest, HeadingEdgesResizeAndHeadingsMoveColumns) {
    Configure(20, 6);
    table->SetOptions({otoAllowColMoves});
    Show();
    const int frame = table->Impl()->FrameWidth();
    const TRect head = table->CellRect(0, 1);
    const QPoint edge(head.Right + frame, head.Top + 5 + frame);
    Drag(edge, edge + QPoint(30, 0));
    EXPECT_EQ(table->Columns()->Items(1)->Width(), 110);
    EXPECT_EQ(GetCapture(), HWND{0}) << "the mouse is let go with the button";
    MouseMove(edge + QPoint(50, 0));
    EXPECT_EQ(table->Columns()->Items(1)->Width(), 110) << "a later move sizes nothing";
    // The heading row's lower edge, in the locked column, sizes the heading row.
    const TRect corner = table->CellRect(0, 0);
    const QPoint lower(corner.Left + 5 + frame, corner.Bottom + frame);
    Drag(lower, lower + QPoint(0, 10));
    EXPECT_EQ(table->Rows()->Height(0), 30);
    EXPECT_EQ(table->Rows()->Height(1), 20);
    // Never narrower than 6 pixels.
    Drag(edge + QPoint(30, 0), QPoint(head.Left + frame, edge.y()));
    EXPECT_EQ(table->Columns()->Items(1)->Width(), 6);
    // Dragging the heading of column 2 onto column 4 moves it there.
    TVcBaseTableCell* moving = table->Columns()->DefaultCell(2);
    Drag(PointOf(0, 2), PointOf(0, 4));
    EXPECT_EQ(table->Columns()->DefaultCell(4), moving);
    EXPECT_EQ(table->Columns()->DefaultCell(2), date);
}

TEST_F(VcTableMouseTest, DraggedEdgesAndHeadingsShowAFeedbackLine) {
    Configure(20, 6);
    table->SetOptions({otoAllowColMoves});
    Show();
    const int frame = table->Impl()->FrameWidth();
    const int height = table->ClientHeight();
    QImage before = Picture(table);
    // Pixels of column X that changed since "before", and how many of those are inverted.
    const auto line = [&](int x) {
        const QImage now = Picture(table);
        int changed = 0, inverted = 0;
        for (int y = 0; y < height; ++y) {
            const QRgb a = before.pixel(x, y), b = now.pixel(x, y);
            if (a == b) continue;
            ++changed;
            inverted += qRgb(255 - qRed(a), 255 - qGreen(a), 255 - qBlue(a)) == (b | 0xff000000u);
        }
        return std::make_pair(changed, inverted);
    };
    const TRect head = table->CellRect(0, 1);
    const QPoint edge(head.Right + frame, head.Top + 5 + frame);
    MouseDown(edge);
    MouseMove(edge + QPoint(30, 0));
    // Sizing: a dotted inverted line at the mouse, the one at the start taken away.
    const auto [changed, inverted] = line(head.Right + 30);
    EXPECT_GT(changed, height / 4);
    EXPECT_LT(changed, height * 3 / 4) << "dotted";
    EXPECT_EQ(inverted, changed);
    EXPECT_EQ(line(head.Right).first, 0);
    MouseUp(edge + QPoint(30, 0));
    // Moving a column: a solid line three pixels wide at the place it would go to.
    before = Picture(table);
    MouseDown(PointOf(0, 2));
    MouseMove(PointOf(0, 4));
    const int target = table->CellRect(0, 4).Left;
    for (int x : {target - 1, target, target + 1})
        EXPECT_EQ(line(x), std::make_pair(height, height)) << x;
    EXPECT_EQ(line(table->CellRect(0, 2).Left).first, 0) << "the line at the start is gone";
    MouseUp(PointOf(0, 4));
}

TEST_F(VcTableMouseTest, TheActiveRowGoesWithAMovedRowOnly) {
    Configure(20, 6);
    table->SetOptions({otoAllowRowMoves});
    Show();
    table->SetActiveRow(2);
    Drag(PointOf(2, 0), PointOf(5, 0));
    EXPECT_EQ(table->ActiveRow(), 5) << "the active row moved";
    table->SetActiveRow(8);
    Drag(PointOf(3, 0), PointOf(6, 0));
    EXPECT_EQ(table->ActiveRow(), 8) << "a row moved elsewhere leaves the active row";
}

TEST_F(VcTableMouseTest, HiddenRowsAndColumnsAreSkipped) {
    Configure(20, 6);
    table->Rows()->SetHidden(2, true);
    table->Columns()->Items(2)->SetHidden(true);
    Show();
    Press(Qt::Key_Down);
    EXPECT_EQ(table->ActiveRow(), 3);
    Press(Qt::Key_Right);
    EXPECT_EQ(table->ActiveCol(), 3);
    EXPECT_EQ(table->VisibleRows()[2], 3);
    table->SetActiveCell(2, 2);
    EXPECT_EQ(table->ActiveRow(), 3);
    EXPECT_EQ(table->ActiveCol(), 3);
    Press(Qt::Key_Up);
    EXPECT_EQ(table->ActiveRow(), 1);
    Press(Qt::Key_Left);
    EXPECT_EQ(table->ActiveCol(), 1);
}

using VcTableEventsTest = TableFormTest;

TEST_F(VcTableEventsTest, UserCommandsUnusedAreaAndEditorSize) {
    Configure(20, 3);
    controller->EntryCommands()->AddCommandRec(
        "Grid", TVcCommandRec{static_cast<Byte>(VK_F9), 0, 0, 0, ccUserFirst + 4});
    std::vector<Word> commands;
    table->OnUserCommand = [&](TObject*, Word command) { commands.push_back(command); };
    int unused = 0;
    table->SetOnPaintUnusedArea([&](TObject*) { ++unused; });
    table->OnSizeCellEditor = [](TObject*, LongInt, LongInt, TRect& r, TVcTblEditorStyle& style) {
        r.Right += 20;
        style = tesSingle;
    };
    Show();
    EXPECT_GT(unused, 0);
    Press(Qt::Key_F9);
    EXPECT_EQ(commands, (std::vector<Word>{ccUserFirst + 4}));
    // A user command starts no editing.
    EXPECT_FALSE(table->IsEditing());
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    const TRect cell = table->CellRect(1, 1);
    EXPECT_EQ(text->Editor()->Width(), cell.Width() - 1 + 20);
    EXPECT_EQ(text->Editor()->BorderStyle(), bsSingle);
}

TEST_F(VcTableEventsTest, AlwaysEditingFollowsTheActiveCell) {
    Configure(20, 4);
    table->SetOptions({otoAlwaysEditing});
    Show();
    EXPECT_TRUE(table->IsEditing());
    Press(Qt::Key_Down);
    Settle();
    EXPECT_TRUE(table->IsEditing());
    EXPECT_EQ(table->ActiveRow(), 2);
    // Escape does not leave editing in this mode.
    Press(Qt::Key_Escape);
    EXPECT_TRUE(table->IsEditing());
}

using VcTableRowModeTest = TableFormTest;

TEST_F(VcTableRowModeTest, ExtendingInRowModeSelectsWholeRows) {
    Configure(20, 6);
    table->SetOptions({otoRowSelection});
    Show();
    Click(2, 3);
    Click(4, 3, Qt::ShiftModifier);
    EXPECT_TRUE(table->IsCellSelected(3, 1));
    EXPECT_TRUE(table->IsCellSelected(4, 5));
    EXPECT_FALSE(table->IsCellSelected(5, 3));
    EXPECT_FALSE(table->IsCellSelected(3, 0)); // the locked column stays out
    EXPECT_EQ(table->ActiveCol(), 3);
}

using VcTableScrollBarTest = TableFormTest;

TEST_F(VcTableScrollBarTest, PageAreasScrollByAWindowFull) {
    Configure(100, 12);
    Show();
    const LongInt shown = static_cast<LongInt>(table->VisibleRows().size()) - 2; // whole rows
    table->Perform(WM_VSCROLL, MakeLParam(SB_PAGEDOWN, 0), 0);
    const LongInt top = table->TopRow();
    EXPECT_GE(top, 1 + shown - 1);
    table->Perform(WM_VSCROLL, MakeLParam(SB_PAGEUP, 0), 0);
    EXPECT_EQ(table->TopRow(), 1);
    table->Perform(WM_HSCROLL, MakeLParam(SB_PAGEDOWN, 0), 0);
    const LongInt left = table->LeftCol();
    EXPECT_GT(left, 1);
    table->Perform(WM_HSCROLL, MakeLParam(SB_PAGEUP, 0), 0);
    EXPECT_EQ(table->LeftCol(), 1);
    table->Perform(WM_HSCROLL, MakeLParam(SB_BOTTOM, 0), 0);
    EXPECT_EQ(table->LeftCol(), table->LastLeftCol());
    table->Perform(WM_HSCROLL, MakeLParam(SB_THUMBPOSITION, 2), 0);
    EXPECT_EQ(table->LeftCol(), 3);
    // Dragging the thumb scrolls only with thumb tracking.
    table->Perform(WM_VSCROLL, MakeLParam(SB_THUMBTRACK, 30), 0);
    EXPECT_EQ(table->TopRow(), 1);
    table->SetOptions({otoThumbTrack});
    table->Perform(WM_VSCROLL, MakeLParam(SB_THUMBTRACK, 30), 0);
    EXPECT_EQ(table->TopRow(), 30);
}

using VcTableCellLifeTest = TableFormTest;

TEST_F(VcTableCellLifeTest, FullStringCellMovesToTheNextCell) {
    Configure(20, 6);
    text->SetMaxLength(3);
    text->SetAutoAdvanceChar(true);
    Show();
    Press(Qt::Key_F2);
    Press(Qt::Key_End);
    ASSERT_TRUE(table->IsEditing());
    text->Editor()->SelectAll();
    Type("xyz");
    EXPECT_EQ(table->ActiveCol(), 2);
    EXPECT_EQ(StringAt(1, 1), "xyz");
}

TEST_F(VcTableCellLifeTest, ArrowsAtTheEditorsEdgesGoOnToTheNeighbourCells) {
    Configure(20, 6);
    text->SetAutoAdvanceLeftRight(true);
    Show();
    table->SetActiveCol(4);
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    // The whole text is selected: Home only moves the caret to the start.
    Press(Qt::Key_Home);
    EXPECT_EQ(table->ActiveCol(), 4);
    Press(Qt::Key_Right);
    EXPECT_EQ(table->ActiveCol(), 4) << "inside the text the caret moves";
    Press(Qt::Key_End);
    Press(Qt::Key_Right);
    EXPECT_EQ(table->ActiveCol(), 5) << "past the text's end the next cell";
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    Press(Qt::Key_End);
    Press(Qt::Key_Left);
    EXPECT_EQ(table->ActiveCol(), 5);
    Press(Qt::Key_Home);
    Press(Qt::Key_Left);
    EXPECT_EQ(table->ActiveCol(), 4) << "before the text's start the cell before";
}

TEST_F(VcTableCellLifeTest, FreeingTheTableFirstLeavesTheCellsAlone) {
    Configure(20, 6);
    Show();
    delete table;
    table = nullptr;
    EXPECT_EQ(text->CellTable(), nullptr);
    EXPECT_EQ(text->Table(), nullptr);
    text->SetColor(clRed); // tells nobody
    EXPECT_EQ(text->TableColorValue(), 0);
}

} // namespace
