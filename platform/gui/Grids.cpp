#include "platform/gui/Grids.h"

#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

namespace {

constexpr int kSizingZone = 3;

bool Between(int v, int a, int b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

} // namespace

// ============================================================================================
// TInplaceEdit

TInplaceEdit::TInplaceEdit(TCustomGrid* Grid) : TCustomMaskEdit(Grid), grid_(Grid) {
    SetBorderStyle(bsNone);
    SetVisible(false);
    SetTabStop(false);
    SetAutoSelect(false);
}

void TInplaceEdit::UpdateContents() {
    loading_ = true;
    SetMaxLength(grid_->GetEditLimit());
    SetReadOnly(!grid_->CanEditModify());
    SetEditMask(grid_->GetEditMask(grid_->Col(), grid_->Row()));
    startText_ = grid_->GetEditText(grid_->Col(), grid_->Row());
    SetText(startText_);
    SetModified(false);
    loading_ = false;
}

void TInplaceEdit::Move(const TRect& Loc) {
    SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
    SetVisible(true);
}

void TInplaceEdit::HideEditor() {
    SetVisible(false);
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    TCustomMaskEdit::KeyDown(Key, Shift);
    const int length = static_cast<int>(Text().size());
    bool toGrid = false;
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: toGrid = true; break;
    case VK_LEFT: toGrid = SelLength() == 0 && SelStart() == 0; break;
    case VK_RIGHT: toGrid = SelLength() == 0 && SelStart() >= length; break;
    case VK_HOME:
    case VK_END: toGrid = Shift.Contains(ssCtrl); break;
    case VK_TAB: toGrid = grid_->Options().Contains(goTabs); break;
    default: break;
    }
    if (toGrid) grid_->EditorKeyDown(Key, Shift);
}

void TInplaceEdit::KeyPress(char& Key) {
    if (Key != '\r' && Key != 27) TCustomMaskEdit::KeyPress(Key);
    if (Key == '\r' || Key == 27) {
        // Enter keeps the text, Esc takes back the grid's; both end the editing.
        const bool keep = Key == '\r';
        Key = 0;
        if (!keep && Text() != startText_) SetText(startText_);
        Word k = keep ? VK_RETURN : VK_ESCAPE;
        grid_->EditorKeyDown(k, {});
        return;
    }
    if (Key == '\t')
        Key = 0;
    else if (static_cast<unsigned char>(Key) >= 32 && !grid_->CanEditAcceptKey(Key))
        Key = 0;
}

void TInplaceEdit::WMGetDlgCode(TWMGetDlgCode& Message) {
    TCustomMaskEdit::WMGetDlgCode(Message);
    Message.Result |= DLGC_WANTALLKEYS;
    if (grid_->Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
}

void TInplaceEdit::Change() {
    TCustomMaskEdit::Change();
    if (!loading_ && Visible()) grid_->SetEditText(grid_->Col(), grid_->Row(), Text());
}

// ============================================================================================
// TCustomGrid: layout

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle_ = {csCaptureMouse, csOpaque, csDoubleClicks};
    SetColor(clWindow);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    colWidths_.assign(5, defaultColWidth_);
    rowHeights_.assign(5, defaultRowHeight_);
    tabStops_.assign(5, true);
    scrollTimer_ = new TTimer(this);
    scrollTimer_->SetEnabled(false);
    scrollTimer_->SetInterval(kScrollInterval);
    scrollTimer_->OnTimer = [this](TObject*) { TimedScroll(scrollDirection_); };
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::SetColCount(int Value) {
    Value = std::max(Value, 1);
    if (Value <= fixedCols_) fixedCols_ = Value - 1;
    colWidths_.resize(static_cast<std::size_t>(Value), defaultColWidth_);
    tabStops_.resize(static_cast<std::size_t>(Value), true);
    FocusCell(std::min(current_.X, Value - 1), current_.Y, true);
    MoveTopLeft(topLeft_.X, topLeft_.Y);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetRowCount(int Value) {
    Value = std::max(Value, 1);
    if (Value <= fixedRows_) fixedRows_ = Value - 1;
    rowHeights_.resize(static_cast<std::size_t>(Value), defaultRowHeight_);
    FocusCell(current_.X, std::min(current_.Y, Value - 1), true);
    MoveTopLeft(topLeft_.X, topLeft_.Y);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetFixedCols(int Value) {
    if (Value < 0 || Value >= ColCount())
        throw EInvalidGridOperation("Fixed column count must be less than column count");
    fixedCols_ = Value;
    topLeft_.X = std::max(topLeft_.X, Value);
    FocusCell(std::max(current_.X, Value), current_.Y, true);
    MoveTopLeft(topLeft_.X, topLeft_.Y);
    Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
    if (Value < 0 || Value >= RowCount())
        throw EInvalidGridOperation("Fixed row count must be less than row count");
    fixedRows_ = Value;
    topLeft_.Y = std::max(topLeft_.Y, Value);
    FocusCell(current_.X, std::max(current_.Y, Value), true);
    MoveTopLeft(topLeft_.X, topLeft_.Y);
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
    defaultColWidth_ = std::max(Value, 0);
    std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
    ColWidthsChanged();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
    defaultRowHeight_ = std::max(Value, 0);
    std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
    RowHeightsChanged();
    UpdateScrollBars();
    Invalidate();
}

int TCustomGrid::ColWidths(int Index) const {
    if (Index < 0 || Index >= ColCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return colWidths_[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value) {
    if (Index < 0 || Index >= ColCount())
        throw EListError("List index out of bounds (%d)", {Index});
    colWidths_[static_cast<std::size_t>(Index)] = std::max(Value, 0);
    InvalidateEditor();
    UpdateScrollBars();
    Invalidate();
}

int TCustomGrid::RowHeights(int Index) const {
    if (Index < 0 || Index >= RowCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return rowHeights_[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
    if (Index < 0 || Index >= RowCount())
        throw EListError("List index out of bounds (%d)", {Index});
    rowHeights_[static_cast<std::size_t>(Index)] = std::max(Value, 0);
    InvalidateEditor();
    UpdateScrollBars();
    Invalidate();
}

bool TCustomGrid::TabStops(int Index) const {
    if (Index < 0 || Index >= ColCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return tabStops_[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetTabStops(int Index, bool Value) {
    if (Index < 0 || Index >= ColCount())
        throw EListError("List index out of bounds (%d)", {Index});
    tabStops_[static_cast<std::size_t>(Index)] = Value;
}

void TCustomGrid::SetGridLineWidth(int Value) {
    gridLineWidth_ = std::max(Value, 0);
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    fixedColor_ = Value;
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    if (options_ == Value) return;
    options_ = Value;
    if (!options_.Contains(goEditing) || options_.Contains(goRowSelect)) HideEditor();
    if (options_.Contains(goRowSelect)) anchor_ = current_;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    const auto has = [](TScrollStyle s, bool vert) {
        return s == ssBoth || s == (vert ? ssVertical : ssHorizontal);
    };
    // A bar the grid gives up disappears; from then on it is the descendant's.
    if (HandleAllocated()) {
        if (has(scrollBars_, false) && !has(Value, false)) ShowScrollBar(Handle(), SB_HORZ, false);
        if (has(scrollBars_, true) && !has(Value, true)) ShowScrollBar(Handle(), SB_VERT, false);
    }
    scrollBars_ = Value;
    UpdateScrollBars();
}

int TCustomGrid::FixedWidth() const {
    int w = 0;
    for (int c = 0; c < fixedCols_; ++c)
        w += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    return w;
}

int TCustomGrid::FixedHeight() const {
    int h = 0;
    for (int r = 0; r < fixedRows_; ++r)
        h += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    return h;
}

// The left edge of a column, or -1 when it is scrolled out of view to the left.
int TCustomGrid::ColLeft(int ACol) const {
    if (ACol < 0 || ACol >= ColCount()) return -1;
    int x = 0;
    if (ACol < fixedCols_) {
        for (int c = 0; c < ACol; ++c)
            x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
        return x;
    }
    if (ACol < topLeft_.X) return -1;
    x = FixedWidth();
    for (int c = topLeft_.X; c < ACol; ++c)
        x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    return x;
}

int TCustomGrid::RowTop(int ARow) const {
    if (ARow < 0 || ARow >= RowCount()) return -1;
    int y = 0;
    if (ARow < fixedRows_) {
        for (int r = 0; r < ARow; ++r)
            y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
        return y;
    }
    if (ARow < topLeft_.Y) return -1;
    y = FixedHeight();
    for (int r = topLeft_.Y; r < ARow; ++r)
        y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    return y;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
    const int x = ColLeft(ACol);
    const int y = RowTop(ARow);
    if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return TRect{};
    return Bounds(x, y, colWidths_[static_cast<std::size_t>(ACol)],
                  rowHeights_[static_cast<std::size_t>(ARow)]);
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
    TGridCoord cell{-1, -1};
    auto find = [this](int v, int fixedCount, int first, const std::vector<int>& sizes) {
        int edge = 0;
        const int count = static_cast<int>(sizes.size());
        for (int i = 0; i < count; ++i) {
            if (i == fixedCount) i = std::max(first, fixedCount);
            if (i >= count) break;
            const int next = edge + sizes[static_cast<std::size_t>(i)] + gridLineWidth_;
            if (v >= edge && v < next) return i;
            edge = next;
        }
        return -1;
    };
    if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return cell;
    cell.X = find(X, fixedCols_, topLeft_.X, colWidths_);
    cell.Y = find(Y, fixedRows_, topLeft_.Y, rowHeights_);
    if (cell.X < 0 || cell.Y < 0) cell = {-1, -1};
    return cell;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

int TCustomGrid::LastFullCol(int From) const {
    int x = FixedWidth();
    int last = From - 1;
    for (int c = From; c < ColCount(); ++c) {
        x += colWidths_[static_cast<std::size_t>(c)];
        if (x > ClientWidth()) break;
        last = c;
        x += gridLineWidth_;
    }
    return last;
}

int TCustomGrid::LastFullRow(int From) const {
    int y = FixedHeight();
    int last = From - 1;
    for (int r = From; r < RowCount(); ++r) {
        y += rowHeights_[static_cast<std::size_t>(r)];
        if (y > ClientHeight()) break;
        last = r;
        y += gridLineWidth_;
    }
    return last;
}

int TCustomGrid::VisibleColCount() const {
    return std::max(LastFullCol(topLeft_.X) - topLeft_.X + 1, 1);
}

int TCustomGrid::VisibleRowCount() const {
    return std::max(LastFullRow(topLeft_.Y) - topLeft_.Y + 1, 1);
}

// The largest top row that still fills the client area from there to the last row.
int TCustomGrid::MaxTopRow() const {
    int room = ClientHeight() - FixedHeight();
    int top = RowCount() - 1;
    while (top > fixedRows_) {
        room -= rowHeights_[static_cast<std::size_t>(top)] + gridLineWidth_;
        if (room - rowHeights_[static_cast<std::size_t>(top - 1)] < 0) break;
        --top;
    }
    return std::max(top, fixedRows_);
}

int TCustomGrid::MaxLeftCol() const {
    int room = ClientWidth() - FixedWidth();
    int left = ColCount() - 1;
    while (left > fixedCols_) {
        room -= colWidths_[static_cast<std::size_t>(left)] + gridLineWidth_;
        if (room - colWidths_[static_cast<std::size_t>(left - 1)] < 0) break;
        --left;
    }
    return std::max(left, fixedCols_);
}

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(anchor_.X, current_.X), std::min(anchor_.Y, current_.Y),
                std::max(anchor_.X, current_.X), std::max(anchor_.Y, current_.Y)};
    if (options_.Contains(goRowSelect)) {
        r.Left = fixedCols_;
        r.Right = ColCount() - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
    anchor_ = {std::clamp(Value.Left, fixedCols_, ColCount() - 1),
               std::clamp(Value.Top, fixedRows_, RowCount() - 1)};
    MoveColRow(Value.Right, Value.Bottom, false, true);
}

// ============================================================================================
// Focus, scrolling and editing

bool TCustomGrid::SelectCell(int ACol, int ARow) {
    bool can = true;
    if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
    return can;
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
    MoveColRow(ACol, ARow, MoveAnchor, true);
}

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show) {
    ACol = std::clamp(ACol, fixedCols_, ColCount() - 1);
    ARow = std::clamp(ARow, fixedRows_, RowCount() - 1);
    const bool moved = ACol != current_.X || ARow != current_.Y;
    if (moved && !SelectCell(ACol, ARow)) return;
    if (moved) HideEditor();
    current_ = {ACol, ARow};
    if (MoveAnchor || !options_.Contains(goRangeSelect)) anchor_ = current_;
    if (Show) ClampInView();
    Invalidate();
    if (moved && options_.Contains(goAlwaysShowEditor) && Focused()) ShowEditor();
}

void TCustomGrid::ClampInView() {
    if (!HandleAllocated()) return;
    int left = topLeft_.X;
    int top = topLeft_.Y;
    if (current_.X < left)
        left = current_.X;
    else if (current_.X > LastFullCol(left)) {
        left = current_.X;
        while (left > fixedCols_ && LastFullCol(left - 1) >= current_.X)
            --left;
    }
    if (current_.Y < top)
        top = current_.Y;
    else if (current_.Y > LastFullRow(top)) {
        top = current_.Y;
        while (top > fixedRows_ && LastFullRow(top - 1) >= current_.Y)
            --top;
    }
    MoveTopLeft(left, top);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
    ALeft = std::clamp(ALeft, fixedCols_, std::max(fixedCols_, ColCount() - 1));
    ATop = std::clamp(ATop, fixedRows_, std::max(fixedRows_, RowCount() - 1));
    if (HandleAllocated()) {
        ALeft = std::min(ALeft, std::max(MaxLeftCol(), std::min(current_.X, ALeft)));
        ATop = std::min(ATop, std::max(MaxTopRow(), std::min(current_.Y, ATop)));
    }
    if (ALeft == topLeft_.X && ATop == topLeft_.Y) return;
    topLeft_ = {ALeft, ATop};
    UpdateScrollBars();
    InvalidateEditor();
    Invalidate();
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::UpdateScrollBars() {
    if (!HandleAllocated()) return;
    const HWND h = Handle();
    auto set = [&](int bar, bool wanted, int first, int last, int page, int pos) {
        if (!wanted) return;
        if (last <= first) {
            ShowScrollBar(h, bar, false);
            return;
        }
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        info.nMin = first;
        info.nMax = last;
        info.nPage = static_cast<UINT>(page);
        info.nPos = pos;
        SetScrollInfo(h, bar, info, true);
    };
    const bool horz = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    const bool vert = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    set(SB_HORZ, horz, fixedCols_, ColCount() - 1, VisibleColCount(), topLeft_.X);
    set(SB_VERT, vert, fixedRows_, RowCount() - 1, VisibleRowCount(), topLeft_.Y);
}

bool TCustomGrid::EditorMode() const {
    return editor_ && editor_->Visible();
}

void TCustomGrid::SetEditorMode(bool Value) {
    if (Value)
        ShowEditor();
    else
        UpdateEditedText();
}

TInplaceEdit* TCustomGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

bool TCustomGrid::CanEditShow() {
    return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && HandleAllocated();
}

bool TCustomGrid::CanEditAcceptKey(char) {
    return true;
}

bool TCustomGrid::CanGridAcceptKey(Word, TShiftState) {
    return true;
}

std::string TCustomGrid::GetEditText(int ACol, int ARow) {
    std::string value;
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TCustomGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
    if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

void TCustomGrid::ShowEditor() {
    if (!CanEditShow()) return;
    if (!editor_) {
        editor_ = CreateEditor();
        editor_->SetParent(this);
    }
    const TRect r = CellRect(current_.X, current_.Y);
    if (IsRectEmpty(r)) return;
    editor_->UpdateContents();
    editor_->Move(r);
    editor_->SelectAll();
    if (Focused() || (GetParentForm(this) && GetParentForm(this)->ActiveControl() == this))
        editor_->SetFocus();
}

void TCustomGrid::HideEditor() {
    if (!EditorMode()) return;
    const bool hadFocus = editor_->Focused();
    editor_->HideEditor();
    if (hadFocus && CanFocus()) SetFocus();
}

void TCustomGrid::UpdateEditedText() {
    if (!EditorMode()) return;
    if (editor_->Modified()) SetEditText(current_.X, current_.Y, editor_->Text());
    HideEditor();
}

void TCustomGrid::InvalidateEditor() {
    if (!EditorMode()) return;
    const TRect r = CellRect(current_.X, current_.Y);
    if (IsRectEmpty(r))
        HideEditor();
    else
        editor_->Move(r);
}

void TCustomGrid::EditorKeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_RETURN || Key == VK_ESCAPE) {
        if (Key == VK_RETURN)
            UpdateEditedText();
        else
            HideEditor();
        if (options_.Contains(goAlwaysShowEditor)) ShowEditor();
        Key = 0;
        return;
    }
    UpdateEditedText();
    KeyDown(Key, Shift);
    Key = 0;
}

void TCustomGrid::TimedScroll(TGridScrollDirection Direction) {
    switch (Direction) {
    case sdLeft: MoveColRow(current_.X - 1, current_.Y, false, true); break;
    case sdRight: MoveColRow(current_.X + 1, current_.Y, false, true); break;
    case sdUp: MoveColRow(current_.X, current_.Y - 1, false, true); break;
    case sdDown: MoveColRow(current_.X, current_.Y + 1, false, true); break;
    }
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
    const TRect r = CellRect(ACol, ARow);
    if (!IsRectEmpty(r) && HandleAllocated()) InvalidateRect(Handle(), &r, false);
}

void TCustomGrid::InvalidateRow(int ARow) {
    for (int c = 0; c < ColCount(); ++c)
        InvalidateCell(c, ARow);
}

void TCustomGrid::InvalidateCol(int ACol) {
    for (int r = 0; r < RowCount(); ++r)
        InvalidateCell(ACol, r);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
    if (FromIndex < 0 || FromIndex >= ColCount() || ToIndex < 0 || ToIndex >= ColCount() ||
        FromIndex == ToIndex)
        return;
    const int width = colWidths_[static_cast<std::size_t>(FromIndex)];
    colWidths_.erase(colWidths_.begin() + FromIndex);
    colWidths_.insert(colWidths_.begin() + ToIndex, width);
    const bool stop = tabStops_[static_cast<std::size_t>(FromIndex)];
    tabStops_.erase(tabStops_.begin() + FromIndex);
    tabStops_.insert(tabStops_.begin() + ToIndex, stop);
    ColumnMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex) {
    if (FromIndex < 0 || FromIndex >= RowCount() || ToIndex < 0 || ToIndex >= RowCount() ||
        FromIndex == ToIndex)
        return;
    const int height = rowHeights_[static_cast<std::size_t>(FromIndex)];
    rowHeights_.erase(rowHeights_.begin() + FromIndex);
    rowHeights_.insert(rowHeights_.begin() + ToIndex, height);
    RowMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::ColumnMoved(int FromIndex, int ToIndex) {
    if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TCustomGrid::RowMoved(int FromIndex, int ToIndex) {
    if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

// ============================================================================================
// Painting

TGridDrawState TCustomGrid::StateOf(int ACol, int ARow) const {
    TGridDrawState state;
    if (ACol < fixedCols_ || ARow < fixedRows_) {
        state.Include(gdFixed);
        return state;
    }
    const bool focusedCell = ACol == current_.X && ARow == current_.Y;
    const TGridRect sel = Selection();
    if (focusedCell && Focused()) state.Include(gdFocused);
    const bool inSelection =
        Between(ACol, sel.Left, sel.Right) && Between(ARow, sel.Top, sel.Bottom);
    // The focused cell is drawn as selected only with goDrawFocusSelected or a row selection.
    if (inSelection &&
        (!focusedCell || options_.Contains(goDrawFocusSelected) || options_.Contains(goRowSelect)))
        state.Include(gdSelected);
    return state;
}

void TCustomGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomGrid::DrawLines(TCanvas* canvas) {
    if (gridLineWidth_ == 0) return;
    canvas->Brush()->SetStyle(bsSolid);
    auto vertical = [&](int first, int last, bool fixed, int top, int bottom) {
        for (int c = first; c <= last && c < ColCount(); ++c) {
            const int x = ColLeft(c);
            if (x < 0 || x >= ClientWidth()) continue;
            const int lx = x + colWidths_[static_cast<std::size_t>(c)];
            canvas->Brush()->SetColor(fixed ? clBtnShadow : clSilver);
            canvas->FillRect(Rect(lx, top, lx + gridLineWidth_, bottom));
        }
    };
    auto horizontal = [&](int first, int last, bool fixed, int leftEdge, int rightEdge) {
        for (int r = first; r <= last && r < RowCount(); ++r) {
            const int y = RowTop(r);
            if (y < 0 || y >= ClientHeight()) continue;
            const int ly = y + rowHeights_[static_cast<std::size_t>(r)];
            canvas->Brush()->SetColor(fixed ? clBtnShadow : clSilver);
            canvas->FillRect(Rect(leftEdge, ly, rightEdge, ly + gridLineWidth_));
        }
    };
    const int lastCol = ColCount() - 1;
    const int lastRow = RowCount() - 1;
    int gridRight = ColLeft(lastCol);
    gridRight = gridRight < 0
                    ? ClientWidth()
                    : std::min(ClientWidth(), gridRight + colWidths_.back() + gridLineWidth_);
    int gridBottom = RowTop(lastRow);
    gridBottom = gridBottom < 0
                     ? ClientHeight()
                     : std::min(ClientHeight(), gridBottom + rowHeights_.back() + gridLineWidth_);
    if (options_.Contains(goFixedVertLine)) {
        vertical(0, fixedCols_ - 1, true, 0, gridBottom);
        vertical(topLeft_.X, lastCol, true, 0, FixedHeight());
    }
    if (options_.Contains(goFixedHorzLine)) {
        horizontal(0, fixedRows_ - 1, true, 0, gridRight);
        horizontal(topLeft_.Y, lastRow, true, 0, FixedWidth());
    }
    if (options_.Contains(goVertLine))
        vertical(topLeft_.X, lastCol, false, FixedHeight(), gridBottom);
    if (options_.Contains(goHorzLine))
        horizontal(topLeft_.Y, lastRow, false, FixedWidth(), gridRight);
}

void TCustomGrid::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());
    // The lines go first, so a cell may draw its own edges over the lines around it.
    DrawLines(canvas);
    auto rows = [this](auto&& each) {
        for (int r = 0; r < fixedRows_; ++r)
            each(r);
        for (int r = topLeft_.Y; r < RowCount() && RowTop(r) < ClientHeight(); ++r)
            each(r);
    };
    auto cols = [this](auto&& each) {
        for (int c = 0; c < fixedCols_; ++c)
            each(c);
        for (int c = topLeft_.X; c < ColCount() && ColLeft(c) < ClientWidth(); ++c)
            each(c);
    };
    // Cells outside the area being painted are left as they are; a cell may draw its edges on
    // the lines to its right and below, so those count as its own.
    rows([&](int r) {
        cols([&](int c) {
            const TRect rect = CellRect(c, r);
            const TRect reach{rect.Left, rect.Top, rect.Right + gridLineWidth_,
                              rect.Bottom + gridLineWidth_};
            if (IsRectEmpty(rect) || !RectVisible(canvas->Handle(), &reach)) return;
            const TGridDrawState state = StateOf(c, r);
            canvas->Font()->Assign(Font());
            if (defaultDrawing_) {
                TColor back = Color();
                if (state.Contains(gdFixed))
                    back = fixedColor_;
                else if (state.Contains(gdSelected)) {
                    back = clHighlight;
                    canvas->Font()->SetColor(clHighlightText);
                }
                canvas->Brush()->SetColor(back);
                canvas->Brush()->SetStyle(bsSolid);
                canvas->FillRect(rect);
                if (state.Contains(gdFixed) && Ctl3D()) {
                    TRect edge = rect;
                    DrawEdge(canvas->Handle(), &edge, BDR_RAISEDINNER, BF_RECT);
                }
            }
            DrawCell(c, r, rect, state);
            if (defaultDrawing_ && state.Contains(gdFocused) && !options_.Contains(goRowSelect) &&
                !EditorMode())
                canvas->DrawFocusRect(rect);
        });
    });
}

// ============================================================================================
// Input

void TCustomGrid::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (options_.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
    if (options_.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (!CanGridAcceptKey(Key, Shift)) {
        Key = 0;
        return;
    }
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool extend = Shift.Contains(ssShift) && options_.Contains(goRangeSelect);
    int c = current_.X;
    int r = current_.Y;
    const bool rowSelect = options_.Contains(goRowSelect);
    switch (Key) {
    case VK_UP: --r; break;
    case VK_DOWN: ++r; break;
    case VK_LEFT:
        if (rowSelect) {
            MoveTopLeft(topLeft_.X - 1, topLeft_.Y);
            return;
        }
        --c;
        break;
    case VK_RIGHT:
        if (rowSelect) {
            MoveTopLeft(topLeft_.X + 1, topLeft_.Y);
            return;
        }
        ++c;
        break;
    case VK_PRIOR: r -= VisibleRowCount(); break;
    case VK_NEXT: r += VisibleRowCount(); break;
    case VK_HOME:
        if (ctrl)
            r = fixedRows_;
        else
            c = fixedCols_;
        break;
    case VK_END:
        if (ctrl)
            r = RowCount() - 1;
        else
            c = ColCount() - 1;
        break;
    case VK_TAB:
        if (!options_.Contains(goTabs)) return;
        if (NextTabCell(c, r, Shift.Contains(ssShift) ? -1 : 1)) MoveColRow(c, r, true, true);
        return;
    case VK_F2: ShowEditor(); return;
    default: return;
    }
    MoveColRow(c, r, !extend, true);
}

void TCustomGrid::KeyPress(char& Key) {
    TCustomControl::KeyPress(Key);
    if (Key == 0 || !options_.Contains(goEditing) || EditorMode()) return;
    if (Key == '\r') {
        ShowEditor();
        Key = 0;
        return;
    }
    if (static_cast<unsigned char>(Key) < 32 || !CanEditAcceptKey(Key) || !CanEditShow()) return;
    // A typed character starts the editing and replaces the cell's text.
    ShowEditor();
    if (EditorMode()) {
        editor_->Perform(WM_CHAR, static_cast<unsigned char>(Key), 1);
        Key = 0;
    }
}

int TCustomGrid::SizingColAt(int X, int Y) const {
    if (!options_.Contains(goColSizing) || Y >= FixedHeight()) return -1;
    for (int c = 0; c < ColCount(); ++c) {
        const int left = ColLeft(c);
        if (left < 0) continue;
        if (left >= ClientWidth()) break;
        const int edge = left + colWidths_[static_cast<std::size_t>(c)];
        if (X >= edge - kSizingZone && X <= edge + kSizingZone) return c;
    }
    return -1;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!Focused() && CanFocus()) SetFocus();
    if (Button == mbLeft) {
        const int sizing = SizingColAt(X, Y);
        const TGridCoord cell = MouseCoord(X, Y);
        if (sizing >= 0) {
            HideEditor();
            state_ = gsColSizing;
            sizingIndex_ = sizing;
            sizingStart_ = ColLeft(sizing);
        } else if (cell.X >= fixedCols_ && cell.Y >= 0 && cell.Y < fixedRows_ &&
                   options_.Contains(goColMoving)) {
            state_ = gsColMoving;
            movingFrom_ = cell.X;
        } else if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
            const bool again = cell == current_;
            if (Shift.Contains(ssShift) && options_.Contains(goRangeSelect)) {
                MoveColRow(cell.X, cell.Y, false, true);
            } else {
                MoveColRow(cell.X, cell.Y, true, true);
                if (again && options_.Contains(goEditing)) ShowEditor();
            }
            if (options_.Contains(goRangeSelect)) state_ = gsSelecting;
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    switch (state_) {
    case gsColSizing:
        colWidths_[static_cast<std::size_t>(sizingIndex_)] = std::max(X - sizingStart_, 0);
        UpdateScrollBars();
        Invalidate();
        break;
    case gsSelecting: {
        TrackEdgeScroll(X, Y);
        const TGridCoord cell = MouseCoord(X, Y);
        if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && !(cell == current_))
            MoveColRow(cell.X, cell.Y, false, true);
        break;
    }
    default: SetCursor(SizingColAt(X, Y) >= 0 ? crHSplit : crDefault); break;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TGridState state = state_;
    state_ = gsNormal;
    StopEdgeScroll();
    if (state == gsColSizing) ColWidthsChanged();
    if (state == gsColMoving) {
        const TGridCoord cell = MouseCoord(X, std::min(Y, std::max(FixedHeight() - 1, 0)));
        if (cell.X >= fixedCols_ && cell.X != movingFrom_) MoveColumn(movingFrom_, cell.X);
        movingFrom_ = -1;
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::NextTabCell(int& ACol, int& ARow, int Step) const {
    int c = ACol;
    int r = ARow;
    const int cells = (ColCount() - fixedCols_) * (RowCount() - fixedRows_);
    for (int i = 0; i < cells; ++i) {
        c += Step;
        if (c >= ColCount()) {
            c = fixedCols_;
            ++r;
        } else if (c < fixedCols_) {
            c = ColCount() - 1;
            --r;
        }
        if (r < fixedRows_ || r >= RowCount()) return false;
        if (tabStops_[static_cast<std::size_t>(c)]) {
            ACol = c;
            ARow = r;
            return true;
        }
    }
    return false;
}

void TCustomGrid::TrackEdgeScroll(int X, int Y) {
    bool outside = true;
    if (X >= ClientWidth())
        scrollDirection_ = sdRight;
    else if (X < 0)
        scrollDirection_ = sdLeft;
    else if (Y >= ClientHeight())
        scrollDirection_ = sdDown;
    else if (Y < 0)
        scrollDirection_ = sdUp;
    else
        outside = false;
    if (!outside) {
        StopEdgeScroll();
        return;
    }
    if (!scrollTimer_->Enabled()) {
        TimedScroll(scrollDirection_);
        scrollTimer_->SetEnabled(true);
    }
}

void TCustomGrid::StopEdgeScroll() {
    scrollTimer_->SetEnabled(false);
}

void TCustomGrid::WMSize(TWMSize& Message) {
    TCustomControl::WMSize(Message);
    MoveTopLeft(topLeft_.X, topLeft_.Y);
    UpdateScrollBars();
    InvalidateEditor();
}

namespace {

int ScrollTarget(Word code, int pos, int page, int track) {
    switch (code) {
    case SB_LINEUP: return pos - 1;
    case SB_LINEDOWN: return pos + 1;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return track;
    case SB_TOP: return 0;
    case SB_BOTTOM: return 0x7FFFFFFF;
    default: return pos;
    }
}

} // namespace

void TCustomGrid::WMHScroll(TWMScroll& Message) {
    const Word code = static_cast<Word>(Message.ScrollCode);
    if (code == SB_THUMBTRACK && !options_.Contains(goThumbTracking)) return;
    SCROLLINFO info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(Handle(), SB_HORZ, info);
    MoveTopLeft(ScrollTarget(code, topLeft_.X, VisibleColCount(), info.nTrackPos), topLeft_.Y);
}

void TCustomGrid::WMVScroll(TWMScroll& Message) {
    const Word code = static_cast<Word>(Message.ScrollCode);
    if (code == SB_THUMBTRACK && !options_.Contains(goThumbTracking)) return;
    SCROLLINFO info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(Handle(), SB_VERT, info);
    MoveTopLeft(topLeft_.X, ScrollTarget(code, topLeft_.Y, VisibleRowCount(), info.nTrackPos));
}

void TCustomGrid::CMExit(TMessage& Message) {
    if (!options_.Contains(goAlwaysShowEditor)) UpdateEditedText();
    TCustomControl::CMExit(Message);
    Invalidate();
}

void TCustomGrid::WMSetFocus(TWMSetFocus& Message) {
    TCustomControl::WMSetFocus(Message);
    Invalidate();
}

void TCustomGrid::WMKillFocus(TWMKillFocus& Message) {
    TCustomControl::WMKillFocus(Message);
    Invalidate();
}

void TCustomGrid::Dispatch(TMessage& Message) {
    if (Message.Msg != WM_MOUSEWHEEL) {
        TCustomControl::Dispatch(Message);
        return;
    }
    const TWMMouseWheel wheel = TWMMouseWheel::From(Message);
    const int notches = wheel.WheelDelta / WHEEL_DELTA;
    if (notches == 0) return;
    MoveColRow(current_.X, current_.Y - notches, true, true);
    Message.Result = 1;
}

void TCustomGrid::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdateScrollBars();
}

// ============================================================================================
// TStringGrid

std::string TStringGrid::Cells(int ACol, int ARow) const {
    auto it = cells_.find({ACol, ARow});
    return it == cells_.end() ? std::string() : it->second;
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
    if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount())
        throw EListError("Grid index out of range");
    if (Value.empty())
        cells_.erase({ACol, ARow});
    else
        cells_[{ACol, ARow}] = Value;
    InvalidateCell(ACol, ARow);
}

std::string TStringGrid::GetEditText(int ACol, int ARow) {
    std::string value = Cells(ACol, ARow);
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TStringGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
    SetCells(ACol, ARow, Value);
    TDrawGrid::SetEditText(ACol, ARow, Value);
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (DefaultDrawing()) {
        Canvas()->Brush()->SetStyle(bsClear);
        TRect r = ARect;
        r.Left += 2;
        DrawText(Canvas()->Handle(), Cells(ACol, ARow), &r,
                 DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        Canvas()->Brush()->SetStyle(bsSolid);
    }
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
    // The texts travel with their column; the columns between shift by one.
    std::map<std::pair<int, int>, std::string> moved;
    for (const auto& [key, text] : cells_) {
        int c = key.first;
        if (c == FromIndex)
            c = ToIndex;
        else if (FromIndex < ToIndex && c > FromIndex && c <= ToIndex)
            --c;
        else if (FromIndex > ToIndex && c >= ToIndex && c < FromIndex)
            ++c;
        moved[{c, key.second}] = text;
    }
    cells_ = std::move(moved);
    TDrawGrid::ColumnMoved(FromIndex, ToIndex);
}
