// The grid: rows and columns of cells with fixed (non-scrolling) rows and columns at the top and
// left, a focused cell and a selected range, lines between the cells, keyboard and mouse
// navigation, column sizing and moving, window scroll bars, and an in-place editor placed over
// the focused cell. It holds no cell data: descendants draw the cells (DrawCell) and give and
// take the editor's text (GetEditText, SetEditText).
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Mask.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = TSet<TGridOption, 16>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem, 4>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
enum TGridScrollDirection { sdLeft, sdRight, sdUp, sdDown };

struct TGridCoord {
    int X = 0;
    int Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

// Columns Left..Right and rows Top..Bottom, all inclusive.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

class TCustomGrid;

using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TGetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, std::string& Value)>;
using TSetEditEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, const std::string& Value)>;

// The edit placed over the focused cell, masked by the grid's GetEditMask for the cell.
// Navigation keys it does not use go to the grid.
class TInplaceEdit : public TCustomMaskEdit {
    VANTREL_CLASS(TInplaceEdit, TCustomMaskEdit)

    explicit TInplaceEdit(TCustomGrid* Grid);
    TCustomGrid* Grid() const { return grid_; }
    // Takes the focused cell's text, mask and limit from the grid.
    virtual void UpdateContents();
    // Places the editor over a cell (grid client coordinates) and shows it.
    void Move(const TRect& Loc);
    // Hides the editor (the grid keeps or takes the focus).
    void HideEditor();

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void Change() override;

private:
    TCustomGrid* grid_;
    bool loading_ = false;
    std::string startText_;
};

class TCustomGrid : public TCustomControl {
    VANTREL_CLASS(TCustomGrid, TCustomControl)

    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // Milliseconds between the scroll steps of a drag past an edge.
    static constexpr Cardinal kScrollInterval = 60;

    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int Value);
    int RowCount() const { return static_cast<int>(rowHeights_.size()); }
    void SetRowCount(int Value);
    int FixedCols() const { return fixedCols_; }
    // Raises EInvalidGridOperation "Fixed column count must be less than column count" when
    // not below ColCount.
    void SetFixedCols(int Value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return defaultColWidth_; }
    // Sets every column to the width.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int Value);
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    // Whether Tab stops on a column (all do until told otherwise).
    bool TabStops(int Index) const;
    void SetTabStops(int Index, bool Value);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int Value);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor Value);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions Value);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool Value) { defaultDrawing_ = Value; }
    // The window scroll bars the grid keeps in step with its rows and columns. A bar the style
    // leaves out is the descendant's own: the grid neither shows, hides nor answers it.
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle Value);

    // The focused cell.
    int Col() const { return current_.X; }
    void SetCol(int Value) { FocusCell(Value, current_.Y, true); }
    int Row() const { return current_.Y; }
    void SetRow(int Value) { FocusCell(current_.X, Value, true); }
    // The first scrolling column and row shown.
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int Value) { MoveTopLeft(Value, topLeft_.Y); }
    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int Value) { MoveTopLeft(topLeft_.X, Value); }
    // Scrolling columns and rows that fit wholly.
    int VisibleColCount() const;
    int VisibleRowCount() const;
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);

    // The rectangle of a cell in client coordinates; empty when the cell is not shown.
    TRect CellRect(int ACol, int ARow) const;
    // The cell under a client point; -1 for a coordinate outside the cells.
    TGridCoord MouseCoord(int X, int Y) const;
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

    bool EditorMode() const;
    void SetEditorMode(bool Value);
    TInplaceEdit* InplaceEditor() const { return editor_; }
    TGridState GridState() const { return state_; }

    void InvalidateCell(int ACol, int ARow);
    void InvalidateRow(int ARow);
    void InvalidateCol(int ACol);
    void InvalidateGrid() { Invalidate(); }
    // Moves a column to another index; the widths go with it; then ColumnMoved.
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;
    TNotifyEvent OnTopLeftChanged;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;

    // Used by the in-place editor.
    virtual std::string GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const std::string& Value);
    virtual int GetEditLimit() { return 0; }
    virtual std::string GetEditMask(int /*ACol*/, int /*ARow*/) { return {}; }
    virtual bool CanEditAcceptKey(char Key);
    virtual bool CanEditModify() { return true; }
    // Keys the editor passes on: movement keys the editor does not need.
    void EditorKeyDown(Word& Key, TShiftState Shift);

protected:
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    virtual bool SelectCell(int ACol, int ARow);
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged() {}
    virtual void RowHeightsChanged() {}
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual bool CanGridAcceptKey(Word Key, TShiftState Shift);
    virtual bool CanEditShow();
    virtual TInplaceEdit* CreateEditor();
    // Dragging a selection past an edge scrolls one step in that direction at once and then
    // every kScrollInterval ms while the mouse stays outside.
    virtual void TimedScroll(TGridScrollDirection Direction);
    void ShowEditor();
    void HideEditor();
    // Puts the edited text back into the grid (SetEditText) and hides the editor.
    void UpdateEditedText();
    void InvalidateEditor();
    // Focuses a cell: SelectCell may refuse it; the anchor moves unless a range is extended.
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void MoveTopLeft(int ALeft, int ATop);
    // Scrolls so that the focused cell is wholly shown.
    void ClampInView();
    // A column border of the fixed rows within reach of X (its column), or -1.
    int SizingColAt(int X, int Y) const;

    void Paint() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void CMExit(TMessage& Message) override;
    // The focused cell and the selection look different with and without the focus.
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void CreateWnd() override;
    // The wheel moves the focused cell a row per notch.
    void Dispatch(TMessage& Message) override;

private:
    int ColLeft(int ACol) const;
    int RowTop(int ARow) const;
    int FixedWidth() const;
    int FixedHeight() const;
    int LastFullCol(int From) const;
    int LastFullRow(int From) const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    void UpdateScrollBars();
    void DrawLines(TCanvas* Canvas);
    TGridDrawState StateOf(int ACol, int ARow) const;
    // Starts, re-aims or stops the scroll timer for a drag at (X, Y).
    void TrackEdgeScroll(int X, int Y);
    void StopEdgeScroll();
    // The next column with a tab stop from ACol in Step (+1/-1), wrapping over rows; false at
    // the grid's first or last cell.
    bool NextTabCell(int& ACol, int& ARow, int Step) const;

    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<bool> tabStops_;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    TColor fixedColor_ = clBtnFace;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    bool defaultDrawing_ = true;
    TScrollStyle scrollBars_ = ssBoth;
    TGridCoord current_{1, 1};
    TGridCoord anchor_{1, 1};
    TGridCoord topLeft_{1, 1};
    TInplaceEdit* editor_ = nullptr;
    bool editorWanted_ = false;
    TGridState state_ = gsNormal;
    int sizingIndex_ = -1;
    int sizingStart_ = 0;
    int movingFrom_ = -1;
    TTimer* scrollTimer_ = nullptr;
    TGridScrollDirection scrollDirection_ = sdDown;
};

// A grid drawn by its OnDrawCell handler.
class TDrawGrid : public TCustomGrid {
    VANTREL_CLASS(TDrawGrid, TCustomGrid)
    explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
};

// A grid that keeps a text per cell and draws it.
class TStringGrid : public TDrawGrid {
    VANTREL_CLASS(TStringGrid, TDrawGrid)

    explicit TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}
    std::string Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const std::string& Value);

    std::string GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const std::string& Value) override;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;

private:
    std::map<std::pair<int, int>, std::string> cells_;
};

VANTREL_EXCEPTION(EInvalidGridOperation, Exception);
