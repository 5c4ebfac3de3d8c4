// The virtual table control: a grid of RowLimit rows and ColCount columns with a band of locked
// rows at the top and locked columns at the left that never scroll. It holds no cell data: each
// visible cell is painted by a cell component (per-cell override, else LockedRowsCell for a
// locked row, else the column's default cell) from data the owner hands over in OnGetCellData,
// and edited in place by that component's editor. Keys become commands through the controller's
// "Grid" command table; the active cell moves, scrolls and extends the selection; every change
// runs under a redraw lock, so one change repaints once, and only the cells it affects.
//
// Promises: the visible layout always matches TopRow/LeftCol and the client size (the last
// possible page is shown, never an empty window); LockedRows stays below RowLimit and ColCount
// above LockedCols; an edited value is written back only when its cell accepts it, and a refused
// value keeps the editor open and cancels the move, scroll or click that wanted to end editing.
// Scrolling moves the pixels that stay visible and paints only what comes into view.
//
// Stored properties: "CellData" (the registered cells by qualified name), "RowData" (default
// height, then per stored row: number, hidden, height or -1) and "ColData" (per column: width,
// hidden, whether it has a default cell and that cell's qualified name).
#pragma once

#include "controls/table/GridPens.h"
#include "controls/table/TableColors.h"
#include "controls/table/TableColumns.h"
#include "controls/table/TableCore.h"
#include "controls/table/TableRows.h"
#include "platform/gui/StdCtrls.h"

#include <memory>
#include <string>
#include <vector>

// One stored column of "ColData".
struct TVcColumnData {
    LongInt Width = 150;
    bool Hidden = false;
    bool HasCell = false;
    std::string CellName;
    bool operator==(const TVcColumnData&) const = default;
};

// "RowData": the default height and the stored rows in ascending order.
struct TVcRowData {
    LongInt DefaultHeight = 30;
    struct TRow {
        LongInt RowNum = 0;
        bool Hidden = false;
        LongInt Height = -1;
        bool operator==(const TRow&) const = default;
    };
    std::vector<TRow> Rows;
};

class TVcCustomTable : public TVcTableAncestor, public TVcTableServices {
    VANTREL_CLASS(TVcCustomTable, TVcTableAncestor)

    explicit TVcCustomTable(TComponent* AOwner);
    ~TVcCustomTable() override;

    // ----- Shape
    LongInt RowLimit() const { return rows_->Limit(); }
    void SetRowLimit(LongInt Value);
    LongInt ColCount() const { return columns_->Count(); }
    void SetColCount(LongInt Value);
    LongInt LockedRows() const { return lockedRows_; }
    void SetLockedRows(LongInt Value);
    LongInt LockedCols() const { return lockedCols_; }
    void SetLockedCols(LongInt Value);
    LongInt TopRow() const { return topRow_; }
    void SetTopRow(LongInt Value) { SetTopLeftCell(Value, leftCol_); }
    LongInt LeftCol() const { return leftCol_; }
    void SetLeftCol(LongInt Value) { SetTopLeftCell(topRow_, Value); }
    void SetTopLeftCell(LongInt RowNum, LongInt ColNum);
    LongInt ActiveRow() const { return activeRow_; }
    void SetActiveRow(LongInt Value) { SetActiveCell(Value, activeCol_); }
    LongInt ActiveCol() const { return activeCol_; }
    void SetActiveCol(LongInt Value) { SetActiveCell(activeRow_, Value); }
    void SetActiveCell(LongInt RowNum, LongInt ColNum);
    // The last top row and left column that still fill the window.
    LongInt LastTopRow() const { return lastTopRow_; }
    LongInt LastLeftCol() const { return lastLeftCol_; }

    // ----- Looks and behaviour
    TVcTblAccess Access() const { return access_; }
    void SetAccess(TVcTblAccess Value);
    TVcTblAdjust Adjust() const { return adjust_; }
    void SetAdjust(TVcTblAdjust Value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle Value);
    TColor ColorUnused() const { return colorUnused_; }
    void SetColorUnused(TColor Value);
    TVcTblOptionSet Options() const { return options_; }
    void SetOptions(TVcTblOptionSet Value);
    TVcTableColors* Colors() const { return colors_.get(); }
    void SetColors(TVcTableColors* Value);
    TVcGridPenSet* GridPenSet() const { return gridPens_.get(); }
    TVcTableColumns* Columns() const { return columns_.get(); }
    void SetColumns(TVcTableColumns* Value);
    TVcTableRows* Rows() const { return rows_.get(); }
    void SetRows(TVcTableRows* Value);
    TVcTableCells* TableCells() const { return cells_.get(); }
    TVcBaseTableCell* LockedRowsCell() const { return lockedRowsCell_; }
    void SetLockedRowsCell(TVcBaseTableCell* Value);
    // Gives one cell its own component (nullptr: the column's again); a component in use by
    // another table is refused.
    void SetCellComponent(LongInt RowNum, LongInt ColNum, TVcBaseTableCell* Cell);
    // The cell component of a cell: per-cell override, LockedRowsCell, the column's cell.
    TVcBaseTableCell* CellComponent(LongInt RowNum, LongInt ColNum) const;

    // ----- Painting
    // False takes a redraw lock; True gives it back and, at the last, paints what changed.
    void SetRedrawAllowed(bool Allowed);
    bool RedrawLocked() const { return lockCount_ > 0; }
    void InvalidateCell(LongInt RowNum, LongInt ColNum);
    void InvalidateArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2);
    void InvalidateColumn(LongInt ColNum);
    void InvalidateRow(LongInt RowNum);
    void InvalidateLockedColumn(LongInt ColNum);
    void InvalidateLockedRow(LongInt RowNum);
    void InvalidateTable();
    // The cell's rectangle in the client area (empty when it is not visible).
    TRect CellRect(LongInt RowNum, LongInt ColNum) const;
    // The visible cell under a client point; false outside the cells.
    bool CellAt(int X, int Y, LongInt& RowNum, LongInt& ColNum) const;
    bool IsCellVisible(LongInt RowNum, LongInt ColNum) const;
    // The visible rows and columns in screen order (locked ones first).
    std::vector<LongInt> VisibleRows() const;
    std::vector<LongInt> VisibleCols() const;
    // How many cells have been painted (for measuring repaints).
    long CellsPainted() const { return cellsPainted_; }
    void ResetCellsPainted() { cellsPainted_ = 0; }

    // ----- Editing
    bool IsEditing() const { return editCell_ != nullptr; }
    TVcBaseTableCell* EditedCell() const { return editCell_; }
    bool StartEditing();
    bool StopEditing(bool SaveValue);

    // ----- Selection
    TVcSelectionList* Selection() const { return selection_.get(); }
    bool IsCellSelected(LongInt RowNum, LongInt ColNum) const;
    void SelectAll();
    void SelectRow(LongInt RowNum);
    void SelectColumn(LongInt ColNum);
    void ClearSelection();

    // ----- Commands
    virtual void DoCommand(Word Command);
    // Scrolls one line or page: Command is ccUp, ccDown, ccLeft, ccRight (a line) or
    // ccPrevPage, ccNextPage, ccPageLeft, ccPageRight (a page).
    virtual void ScrollBy(Word Command);

    // ----- Stored properties
    TVcRowData RowData() const;
    void ReadRowData(const TVcRowData& Data);
    std::vector<TVcColumnData> ColData() const;
    void ReadColData(const std::vector<TVcColumnData>& Data);

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void ChangeScale(int M, int D) override;

    // ----- TVcTableServices
    Byte TranslateTableKey(const TWMKey& Msg) override;
    void RefineCellAttributes(LongInt RowNum, LongInt ColNum, TVcCellAttributes& CellAttr) override;

    // ----- Events
    TCellNotifyEvent OnActiveCellChanged;
    TCellMoveNotifyEvent OnActiveCellMoving;
    TCellBeginEditNotifyEvent OnBeginEdit;
    TNotifyEvent OnClipboardCopy;
    TNotifyEvent OnClipboardCut;
    TNotifyEvent OnClipboardPaste;
    TColChangeNotifyEvent OnColumnsChanged;
    TCellNotifyEvent OnDoneEdit;
    TCellEndEditNotifyEvent OnEndEdit;
    TColNotifyEvent OnEnteringColumn;
    TRowNotifyEvent OnEnteringRow;
    TCellAttrNotifyEvent OnGetCellAttributes;
    TCellDataNotifyEvent OnGetCellData;
    TColNotifyEvent OnLeavingColumn;
    TRowNotifyEvent OnLeavingRow;
    TCellNotifyEvent OnLockedCellClick;
    TRowChangeNotifyEvent OnRowsChanged;
    TSizeCellEditorNotifyEvent OnSizeCellEditor;
    TCellNotifyEvent OnTopLeftCellChanged;
    std::function<void(TObject* Sender, LongInt& RowNum, LongInt& ColNum)> OnTopLeftCellChanging;
    std::function<void(TObject* Sender, Word Command)> OnUserCommand;
    const TNotifyEvent& OnPaintUnusedArea() const { return onPaintUnusedArea_; }
    void SetOnPaintUnusedArea(TNotifyEvent Value);

protected:
    // ----- Dispatchers (each fires its event when assigned)
    virtual void DoActiveCellChanged(LongInt RowNum, LongInt ColNum);
    virtual void DoActiveCellMoving(Word Command, LongInt& RowNum, LongInt& ColNum);
    virtual bool DoBeginEdit(LongInt RowNum, LongInt ColNum);
    virtual void DoClipboardCopy();
    virtual void DoClipboardCut();
    virtual void DoClipboardPaste();
    virtual void DoColumnsChanged(LongInt ColNum1, LongInt ColNum2, TVcTblActions Action);
    virtual void DoDoneEdit(LongInt RowNum, LongInt ColNum);
    virtual bool DoEndEdit(TVcBaseTableCell* Cell, LongInt RowNum, LongInt ColNum);
    virtual void DoEnteringColumn(LongInt ColNum);
    virtual void DoEnteringRow(LongInt RowNum);
    virtual void DoGetCellAttributes(LongInt RowNum, LongInt ColNum, TVcCellAttributes& CellAttr);
    virtual void DoGetCellData(LongInt RowNum, LongInt ColNum, void*& Data,
                               TVcCellDataPurpose Purpose);
    virtual void DoLeavingColumn(LongInt ColNum);
    virtual void DoLeavingRow(LongInt RowNum);
    virtual void DoLockedCellClick(LongInt RowNum, LongInt ColNum);
    virtual void DoPaintUnusedArea();
    virtual void DoRowsChanged(LongInt RowNum1, LongInt RowNum2, TVcTblActions Action);
    virtual void DoSizeCellEditor(LongInt RowNum, LongInt ColNum, TRect& CellRect,
                                  TVcTblEditorStyle& CellStyle);
    virtual void DoTopLeftCellChanged(LongInt RowNum, LongInt ColNum);
    virtual void DoTopLeftCellChanging(LongInt& RowNum, LongInt& ColNum);
    virtual void DoUserCommand(Word Command);

    void CellChanged(TVcTableCellAncestor* Cell) override;
    void CreateWnd() override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;
    void WMSize(TWMSize& Message) override;

private:
    struct TVisEntry {
        LongInt Num = 0;
        int Offset = 0;
    };
    using TVisList = std::vector<TVisEntry>;
    // What the held left button is doing in the table.
    enum TMouseTrack { dmNone, dmSelecting, dmSizeCol, dmSizeRow, dmMoveCol, dmMoveRow };
    class TRedrawLock;

    bool Loading() const { return ComponentState().Contains(csLoading); }
    // The table or the form it stands on is going away.
    bool GoingAway() const {
        return ComponentState().Contains(csDestroying) ||
               (Owner() && Owner()->ComponentState().Contains(csDestroying));
    }
    bool Designing() const { return ComponentState().Contains(csDesigning); }
    bool HasWindow() const { return HandleAllocated() && !Loading() && !GoingAway(); }

    // ----- Layout
    LongInt ColWidth(LongInt ColNum) const;
    bool ColHidden(LongInt ColNum) const;
    LongInt RowHeight(LongInt RowNum) const;
    bool RowHidden(LongInt RowNum) const;
    void LayoutColumns();
    void LayoutRows();
    void ComputeLastTopRow();
    void ComputeLastLeftCol();
    void Relayout();
    LongInt SkipHiddenRow(LongInt RowNum) const;
    LongInt SkipHiddenCol(LongInt ColNum) const;
    static int IndexOf(const TVisList& List, LongInt Num);
    int LockedBottom() const;
    int LockedRight() const;
    bool IsLocked(LongInt RowNum, LongInt ColNum) const {
        return RowNum < lockedRows_ || ColNum < lockedCols_;
    }
    // Scrolls a column or row into full view.
    void ShowCell(LongInt RowNum, LongInt ColNum);

    // ----- Painting
    void PaintAll(TCanvas* Canvas);
    void PaintCell(TCanvas* Canvas, LongInt RowNum, LongInt ColNum);
    void PaintGridLines(TCanvas* Canvas, const TRect& Rect, const TVcGridPen& Pen);
    void PaintActiveFrame(TCanvas* Canvas);
    void PaintUnusedArea(TCanvas* Canvas);
    void FlushInvalidCells();
    // Adds the visible cells of an area to the invalid-cell set (painted at the next flush).
    void MarkArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2);
    // Runs Draw on a canvas bound to the window's back buffer, outside a paint.
    template <typename F>
    void DrawOnWindow(F&& Draw);
    TRect ReducedRect(const TRect& Rect, TGridEffect Effect) const;
    // Moves the pixels of the scrolling band by the layout change and marks what came into view.
    void ScrollPixels(const TVisList& OldRows, const TVisList& OldCols);
    void MarkNewRows(const TVisList& OldRows, int Shift);
    void MarkNewCols(const TVisList& OldCols, int Shift);

    // ----- Scroll bars
    void UpdateScrollBars();
    void UpdateVertBar();
    void UpdateHorzBar();
    LongInt VertScale() const;
    void ScrollMessage(TWMScroll& Message, bool Vertical);

    // ----- Changes of the owned objects
    void ColumnsChanged(LongInt Num1, LongInt Num2, TVcTblActions Action);
    void RowsChanged(LongInt Num1, LongInt Num2, TVcTblActions Action);
    void ClampColumnRefs();
    void ClampRowRefs();
    void RemoveCellComponent(TVcBaseTableCell* Cell);

    // ----- Commands and editing
    LongInt NextVisibleRow(LongInt RowNum, int Step) const;
    LongInt NextVisibleCol(LongInt ColNum, int Step) const;
    LongInt FirstUnlockedRow() const { return SkipHiddenRow(lockedRows_); }
    LongInt FirstUnlockedCol() const { return SkipHiddenCol(lockedCols_); }
    LongInt LastVisibleUnlockedRow() const;
    LongInt LastVisibleUnlockedCol() const;
    void CommandTarget(Word Command, LongInt& RowNum, LongInt& ColNum);
    Word KeyCommand(const TWMKey& Message);
    bool StartsEditing(const TWMKey& Message, Word Command) const;
    void MoveActiveCell(Word Command, LongInt RowNum, LongInt ColNum);
    void ExtendTo(LongInt RowNum, LongInt ColNum, bool Keep);
    void RepaintSelectionChange(LongInt OldRow, LongInt OldCol, LongInt NewRow, LongInt NewCol);
    bool EditorHasFocus() const;
    void HandleStartEdit();
    void HandleEditorInput(const TMessage& Message, bool Mouse);

    // ----- Mouse
    bool FindSizingEdge(int X, int Y, TMouseTrack& Mode, LongInt& Num) const;
    bool FindMovable(int X, int Y, TMouseTrack& Mode, LongInt& Num) const;
    void ClickCell(const TWMMouse& Message, LongInt RowNum, LongInt ColNum);
    void ClickLocked(LongInt RowNum, LongInt ColNum);
    void DragSelect(int X, int Y);
    void DrawFeedbackLine(int Position);
    int FeedbackPosition(int Mouse) const;
    void FinishSizing();
    void FinishMoving();
    LongInt MoveTarget(int X, int Y) const;
    // The cursor for the pointer at a client point: sizing, moving or normal.
    void UpdateCursor(int X, int Y);

    // Owned objects
    std::unique_ptr<TVcTableColumns> columns_;
    std::unique_ptr<TVcTableRows> rows_;
    std::unique_ptr<TVcTableCells> cells_;
    std::unique_ptr<TVcTableColors> colors_;
    std::unique_ptr<TVcGridPenSet> gridPens_;
    TVcCellArray invalid_;
    std::unique_ptr<TVcSelectionList> selection_;
    TFont workFont_;
    std::vector<std::string> commandTables_;
    TVisList visCols_;
    TVisList visRows_;

    // Properties
    LongInt lockedRows_ = 1;
    LongInt lockedCols_ = 1;
    LongInt topRow_ = 1;
    LongInt leftCol_ = 1;
    LongInt activeRow_ = 1;
    LongInt activeCol_ = 1;
    LongInt lastTopRow_ = 1;
    LongInt lastLeftCol_ = 1;
    TVcTblAccess access_ = otxNormal;
    TVcTblAdjust adjust_ = otaCenterLeft;
    TScrollStyle scrollBars_ = ssBoth;
    TColor colorUnused_ = clWindow;
    TVcTblOptionSet options_;
    TVcBaseTableCell* lockedRowsCell_ = nullptr;
    TNotifyEvent onPaintUnusedArea_;

    // State
    int lockCount_ = 0;
    bool barsPending_ = false;
    bool focused_ = false;
    bool editorFocused_ = false;
    TVcBaseTableCell* editCell_ = nullptr;
    LongInt lastEnteredRow_ = -1;
    LongInt lastEnteredCol_ = -1;
    bool extend_ = false;
    TMouseTrack drag_ = dmNone;
    LongInt dragNum_ = 0;
    int dragLine_ = -1;
    LongInt moveTarget_ = -1;
    bool ctrlDrag_ = false;
    bool dragSelects_ = true;
    bool unusedPending_ = false;
    bool sizing_ = false;
    long cellsPainted_ = 0;
};

class TVcTable : public TVcCustomTable {
    VANTREL_CLASS(TVcTable, TVcCustomTable)

    explicit TVcTable(TComponent* AOwner) : TVcCustomTable(AOwner) {}
};
