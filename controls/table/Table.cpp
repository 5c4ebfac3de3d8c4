#include "controls/table/Table.h"

#include "controls/entry/CommandTables.h"
#include "controls/entry/MessageTables.h"
#include "controls/table/HeadingCell.h"
#include "controls/table/TableShared.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <exception>

namespace {
constexpr int MsgGridTable = 34284;
constexpr LongInt ScrollBarLimit = 16384;
} // namespace

// =============================================================================================
// Construction

TVcCustomTable::TVcCustomTable(TComponent* AOwner)
    : TVcTableAncestor(AOwner), columns_(std::make_unique<TVcTableColumns>(this, 10)),
      rows_(std::make_unique<TVcTableRows>()), cells_(std::make_unique<TVcTableCells>()),
      colors_(std::make_unique<TVcTableColors>()), gridPens_(std::make_unique<TVcGridPenSet>()),
      selection_(std::make_unique<TVcSelectionList>(10, 10)), commandTables_{
                                                                  GetVcString(MsgGridTable)} {
    SetBounds(Left(), Top(), 300, 100);
    SetColor(clBtnFace);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    columns_->SetOnCfgChanged([this](TObject*, LongInt Num1, LongInt Num2, TVcTblActions Action) {
        ColumnsChanged(Num1, Num2, Action);
    });
    rows_->OnCfgChanged = [this](TObject*, LongInt Num1, LongInt Num2, TVcTblActions Action) {
        RowsChanged(Num1, Num2, Action);
    };
    const TNotifyEvent repaint = [this](TObject*) {
        if (HasWindow()) InvalidateTable();
    };
    colors_->OnChange = repaint;
    gridPens_->SetOnChange(repaint);
    cells_->OnChange = repaint;
}

TVcCustomTable::~TVcCustomTable() {
    if (editCell_) editCell_->StopEditing(false, nullptr);
    editCell_ = nullptr;
    columns_->SetOnCfgChanged(nullptr);
    rows_->OnCfgChanged = nullptr;
    colors_->OnChange = nullptr;
    gridPens_->SetOnChange(nullptr);
    cells_->OnChange = nullptr;
    ++lockCount_; // nothing is painted any more
    if (lockedRowsCell_) lockedRowsCell_->DecRefs();
    lockedRowsCell_ = nullptr;
    columns_.reset();
    cells_.reset();
}

// =============================================================================================
// Layout

LongInt TVcCustomTable::ColWidth(LongInt ColNum) const {
    const TVcTableColumn* column = columns_->Items(ColNum);
    return column ? column->Width() : 0;
}

bool TVcCustomTable::ColHidden(LongInt ColNum) const {
    const TVcTableColumn* column = columns_->Items(ColNum);
    return !column || column->Hidden();
}

LongInt TVcCustomTable::RowHeight(LongInt RowNum) const {
    return RowNum >= 0 && RowNum < RowLimit() ? rows_->Height(RowNum) : 0;
}

bool TVcCustomTable::RowHidden(LongInt RowNum) const {
    return RowNum < 0 || RowNum >= RowLimit() || rows_->Hidden(RowNum);
}

void TVcCustomTable::LayoutColumns() {
    visCols_.clear();
    visCols_.reserve(11);
    const int width = ClientWidth();
    int x = 0;
    for (LongInt c = 0; c < IntMin(lockedCols_, ColCount()) && x < width; ++c) {
        if (ColHidden(c)) continue;
        visCols_.push_back({c, x});
        x += ColWidth(c);
    }
    for (LongInt c = IntMax(leftCol_, lockedCols_); c < ColCount() && x < width; ++c) {
        if (ColHidden(c)) continue;
        visCols_.push_back({c, x});
        x += ColWidth(c);
    }
    visCols_.push_back({-1, x});
}

void TVcCustomTable::LayoutRows() {
    visRows_.clear();
    visRows_.reserve(11);
    const int height = ClientHeight();
    int y = 0;
    for (LongInt r = 0; r < IntMin(lockedRows_, RowLimit()) && y < height; ++r) {
        if (RowHidden(r)) continue;
        visRows_.push_back({r, y});
        y += RowHeight(r);
    }
    for (LongInt r = IntMax(topRow_, lockedRows_); r < RowLimit() && y < height; ++r) {
        if (RowHidden(r)) continue;
        visRows_.push_back({r, y});
        y += RowHeight(r);
    }
    visRows_.push_back({-1, y});
}

void TVcCustomTable::ComputeLastTopRow() {
    int room = ClientHeight();
    for (LongInt r = 0; r < IntMin(lockedRows_, RowLimit()); ++r)
        if (!RowHidden(r)) room -= RowHeight(r);
    LongInt last = IntMax(lockedRows_, LongInt{0});
    int used = 0;
    for (LongInt r = RowLimit() - 1; r >= lockedRows_; --r) {
        if (RowHidden(r)) continue;
        if (used > 0 && used + RowHeight(r) > room) break;
        used += RowHeight(r);
        last = r;
    }
    lastTopRow_ = last;
}

void TVcCustomTable::ComputeLastLeftCol() {
    int room = ClientWidth();
    for (LongInt c = 0; c < IntMin(lockedCols_, ColCount()); ++c)
        if (!ColHidden(c)) room -= ColWidth(c);
    LongInt last = IntMax(lockedCols_, LongInt{0});
    int used = 0;
    for (LongInt c = ColCount() - 1; c >= lockedCols_; --c) {
        if (ColHidden(c)) continue;
        if (used > 0 && used + ColWidth(c) > room) break;
        used += ColWidth(c);
        last = c;
    }
    lastLeftCol_ = last;
}

void TVcCustomTable::Relayout() {
    ComputeLastTopRow();
    ComputeLastLeftCol();
    topRow_ = SkipHiddenRow(IntMax(lockedRows_, IntMin(topRow_, lastTopRow_)));
    leftCol_ = SkipHiddenCol(IntMax(lockedCols_, IntMin(leftCol_, lastLeftCol_)));
    LayoutColumns();
    LayoutRows();
}

LongInt TVcCustomTable::SkipHiddenRow(LongInt RowNum) const {
    for (LongInt r = RowNum; r < RowLimit(); ++r)
        if (!RowHidden(r)) return r;
    for (LongInt r = RowNum - 1; r >= lockedRows_; --r)
        if (!RowHidden(r)) return r;
    return RowNum;
}

LongInt TVcCustomTable::SkipHiddenCol(LongInt ColNum) const {
    for (LongInt c = ColNum; c < ColCount(); ++c)
        if (!ColHidden(c)) return c;
    for (LongInt c = ColNum - 1; c >= lockedCols_; --c)
        if (!ColHidden(c)) return c;
    return ColNum;
}

int TVcCustomTable::IndexOf(const TVisList& List, LongInt Num) {
    for (std::size_t i = 0; i + 1 < List.size(); ++i)
        if (List[i].Num == Num) return static_cast<int>(i);
    return -1;
}

int TVcCustomTable::LockedBottom() const {
    for (const TVisEntry& e : visRows_)
        if (e.Num < 0 || e.Num >= lockedRows_) return e.Offset;
    return 0;
}

int TVcCustomTable::LockedRight() const {
    for (const TVisEntry& e : visCols_)
        if (e.Num < 0 || e.Num >= lockedCols_) return e.Offset;
    return 0;
}

std::vector<LongInt> TVcCustomTable::VisibleRows() const {
    std::vector<LongInt> rows;
    for (std::size_t i = 0; i + 1 < visRows_.size(); ++i)
        rows.push_back(visRows_[i].Num);
    return rows;
}

std::vector<LongInt> TVcCustomTable::VisibleCols() const {
    std::vector<LongInt> cols;
    for (std::size_t i = 0; i + 1 < visCols_.size(); ++i)
        cols.push_back(visCols_[i].Num);
    return cols;
}

bool TVcCustomTable::IsCellVisible(LongInt RowNum, LongInt ColNum) const {
    return IndexOf(visRows_, RowNum) >= 0 && IndexOf(visCols_, ColNum) >= 0;
}

TRect TVcCustomTable::CellRect(LongInt RowNum, LongInt ColNum) const {
    const int r = IndexOf(visRows_, RowNum);
    const int c = IndexOf(visCols_, ColNum);
    if (r < 0 || c < 0) return {};
    const auto ri = static_cast<std::size_t>(r);
    const auto ci = static_cast<std::size_t>(c);
    return {visCols_[ci].Offset, visRows_[ri].Offset, visCols_[ci + 1].Offset,
            visRows_[ri + 1].Offset};
}

bool TVcCustomTable::CellAt(int X, int Y, LongInt& RowNum, LongInt& ColNum) const {
    const auto find = [](const TVisList& list, int p, LongInt& num) {
        for (std::size_t i = 0; i + 1 < list.size(); ++i)
            if (p >= list[i].Offset && p < list[i + 1].Offset) {
                num = list[i].Num;
                return true;
            }
        return false;
    };
    return find(visRows_, Y, RowNum) && find(visCols_, X, ColNum);
}

void TVcCustomTable::ShowCell(LongInt RowNum, LongInt ColNum) {
    if (!HasWindow()) return;
    LongInt left = leftCol_;
    LongInt top = topRow_;
    if (ColNum >= lockedCols_) {
        if (ColNum < left) left = ColNum;
        // Move right column by column until the target ends inside the window.
        for (;;) {
            int x = LockedRight();
            for (LongInt c = left; c < ColNum; ++c)
                if (!ColHidden(c)) x += ColWidth(c);
            if (x + ColWidth(ColNum) <= ClientWidth() || left >= ColNum) break;
            left = NextVisibleCol(left, 1);
        }
    }
    if (RowNum >= lockedRows_) {
        if (RowNum < top) top = RowNum;
        for (;;) {
            int y = LockedBottom();
            for (LongInt r = top; r < RowNum; ++r)
                if (!RowHidden(r)) y += RowHeight(r);
            if (y + RowHeight(RowNum) <= ClientHeight() || top >= RowNum) break;
            top = NextVisibleRow(top, 1);
        }
    }
    SetTopLeftCell(top, left);
}

// =============================================================================================
// Properties

void TVcCustomTable::SetRowLimit(LongInt Value) {
    if (Value == RowLimit() || Value <= lockedRows_) return;
    TRedrawLock lock(*this);
    rows_->SetLimit(Value);
}

void TVcCustomTable::SetColCount(LongInt Value) {
    // The locked columns always keep at least one column beside them.
    if (Value == ColCount() || Value <= lockedCols_) return;
    TRedrawLock lock(*this);
    columns_->SetCount(Value);
}

void TVcCustomTable::SetLockedCols(LongInt Value) {
    if (Loading()) {
        lockedCols_ = Value;
        return;
    }
    if (Value == lockedCols_ || Value < 0 || Value >= ColCount()) return;
    {
        TRedrawLock lock(*this);
        lockedCols_ = Value;
        if (leftCol_ < Value) leftCol_ = SkipHiddenCol(Value);
        if (activeCol_ < Value) activeCol_ = SkipHiddenCol(Value);
        selection_->SetAnchor(activeRow_, activeCol_);
        if (HasWindow()) {
            Relayout();
            InvalidateTable();
        }
    }
    ComputeLastLeftCol();
    UpdateScrollBars();
}

void TVcCustomTable::SetLockedRows(LongInt Value) {
    if (Loading()) {
        lockedRows_ = Value;
        return;
    }
    // The locked rows always keep at least one row below them.
    if (Value == lockedRows_ || Value < 0 || Value >= RowLimit()) return;
    {
        TRedrawLock lock(*this);
        lockedRows_ = Value;
        if (topRow_ < Value) topRow_ = SkipHiddenRow(Value);
        if (activeRow_ < Value) activeRow_ = SkipHiddenRow(Value);
        selection_->SetAnchor(activeRow_, activeCol_);
        if (HasWindow()) {
            Relayout();
            InvalidateTable();
        }
    }
    ComputeLastTopRow();
    UpdateScrollBars();
}

void TVcCustomTable::SetAccess(TVcTblAccess Value) {
    if (Value == otxDefault) Value = otxNormal;
    if (Value == access_) return;
    TRedrawLock lock(*this);
    const bool invisible = Value == otxInvisible || access_ == otxInvisible;
    access_ = Value;
    if (invisible && HasWindow()) InvalidateTable();
}

void TVcCustomTable::SetAdjust(TVcTblAdjust Value) {
    if (Value == adjust_) return;
    adjust_ = Value;
    if (HasWindow()) InvalidateTable();
}

void TVcCustomTable::SetScrollBars(TScrollStyle Value) {
    if (Value == scrollBars_) return;
    scrollBars_ = Value;
    UpdateScrollBars();
}

void TVcCustomTable::SetColorUnused(TColor Value) {
    if (Value == colorUnused_) return;
    colorUnused_ = Value;
    if (HasWindow()) InvalidateTable();
}

void TVcCustomTable::SetOnPaintUnusedArea(TNotifyEvent Value) {
    onPaintUnusedArea_ = std::move(Value);
    if (HasWindow()) InvalidateTable();
}

void TVcCustomTable::SetOptions(TVcTblOptionSet Value) {
    TRedrawLock lock(*this);
    if (selection_->HaveSelection()) ClearSelection();
    const TVcTblOptionSet selecting{otoMouseDragSelect, otoRowSelection, otoColSelection};
    if (Value.Contains(otoBrowseRow) || Value.Contains(otoAlwaysEditing)) {
        Value += TVcTblOptionSet{otoNoRowResizing, otoNoColResizing, otoNoSelection};
        Value -= selecting;
    } else if (Value.Contains(otoNoSelection)) {
        Value -= selecting;
    }
    if (Value.Contains(otoRowSelection)) Value.Exclude(otoAllowRowMoves);
    if (Value.Contains(otoColSelection)) Value.Exclude(otoAllowColMoves);
    options_ = Value;
    if (HasWindow()) InvalidateTable();
}

void TVcCustomTable::SetColors(TVcTableColors* Value) {
    TRedrawLock lock(*this);
    colors_->Assign(Value);
}

void TVcCustomTable::SetColumns(TVcTableColumns* Value) {
    TRedrawLock lock(*this);
    columns_->Assign(Value);
}

void TVcCustomTable::SetRows(TVcTableRows* Value) {
    TRedrawLock lock(*this);
    rows_->Assign(Value);
}

void TVcCustomTable::SetLockedRowsCell(TVcBaseTableCell* Value) {
    if (Value == lockedRowsCell_) return;
    if (Value && Value->References() > 0 && Value->CellTable() != this) return;
    TRedrawLock lock(*this);
    if (lockedRowsCell_) lockedRowsCell_->DecRefs();
    lockedRowsCell_ = Value;
    if (Value) {
        if (Value->References() == 0) Value->SetTable(this);
        Value->IncRefs();
    }
    if (HasWindow())
        for (LongInt r = 0; r < lockedRows_; ++r)
            InvalidateRow(r);
}

void TVcCustomTable::SetCellComponent(LongInt RowNum, LongInt ColNum, TVcBaseTableCell* Cell) {
    if (Cell && Cell->References() > 0 && Cell->CellTable() != this) return;
    if (Cell && Cell->References() == 0) Cell->SetTable(this);
    cells_->SetCell(RowNum, ColNum, Cell);
}

TVcBaseTableCell* TVcCustomTable::CellComponent(LongInt RowNum, LongInt ColNum) const {
    if (TVcBaseTableCell* own = cells_->Cell(RowNum, ColNum)) return own;
    if (RowNum < lockedRows_ && lockedRowsCell_) return lockedRowsCell_;
    return columns_->DefaultCell(ColNum);
}

// =============================================================================================
// Redraw lock and invalid cells

void TVcCustomTable::SetRedrawAllowed(bool Allowed) {
    if (!Allowed) {
        if (++lockCount_ == 1 && HasWindow()) {
            if (options_.Contains(otoBrowseRow))
                MarkArea(activeRow_, 0, activeRow_, ColCount() - 1);
            InvalidateCell(activeRow_, activeCol_);
            editorFocused_ = EditorHasFocus();
        }
        return;
    }
    if (lockCount_ == 0) return;
    if (--lockCount_ > 0) return;
    if (barsPending_) UpdateScrollBars();
    if (!HasWindow()) {
        invalid_.Clear();
        return;
    }
    if (options_.Contains(otoBrowseRow)) MarkArea(activeRow_, 0, activeRow_, ColCount() - 1);
    FlushInvalidCells();
    if (!IsEditing()) return;
    TRect rect = ReducedRect(CellRect(activeRow_, activeCol_), gridPens_->NormalGrid()->Effect());
    TVcTblEditorStyle style = tesNone;
    DoSizeCellEditor(activeRow_, activeCol_, rect, style);
    if (IsCellVisible(activeRow_, activeCol_))
        editCell_->EditMove(rect);
    else
        editCell_->EditHide();
    if (editorFocused_ && editCell_->EditorControl() && editCell_->EditorControl()->CanFocus())
        editCell_->EditorControl()->SetFocus();
}

void TVcCustomTable::FlushInvalidCells() {
    if (invalid_.IsEmpty() && !unusedPending_) return;
    TVcCellArray cells;
    cells.Merge(invalid_);
    invalid_.Clear();
    const bool unused = unusedPending_;
    unusedPending_ = false;
    DrawOnWindow([&](TCanvas* canvas) {
        if (cells.Everything()) {
            PaintAll(canvas);
            return;
        }
        for (int i = 0; i < cells.Count(); ++i) {
            const TVcCellAddr cell = cells.GetCellAddr(i);
            if (IsCellVisible(cell.Row, cell.Col)) PaintCell(canvas, cell.Row, cell.Col);
        }
        if (unused) PaintUnusedArea(canvas);
        if (!IsEditing()) PaintActiveFrame(canvas);
    });
}

void TVcCustomTable::InvalidateCell(LongInt RowNum, LongInt ColNum) {
    if (!HasWindow() || !IsCellVisible(RowNum, ColNum)) return;
    invalid_.AddCell(RowNum, ColNum);
    if (lockCount_ == 0) FlushInvalidCells();
}

void TVcCustomTable::MarkArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2) {
    if (!HasWindow()) return;
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r) {
        const LongInt row = visRows_[r].Num;
        if (row < IntMin(RowNum1, RowNum2) || row > IntMax(RowNum1, RowNum2)) continue;
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c) {
            const LongInt col = visCols_[c].Num;
            if (col >= IntMin(ColNum1, ColNum2) && col <= IntMax(ColNum1, ColNum2))
                invalid_.AddCell(row, col);
        }
    }
}

void TVcCustomTable::InvalidateArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2,
                                    LongInt ColNum2) {
    MarkArea(RowNum1, ColNum1, RowNum2, ColNum2);
    if (lockCount_ == 0) FlushInvalidCells();
}

void TVcCustomTable::InvalidateColumn(LongInt ColNum) {
    InvalidateArea(0, ColNum, RowLimit() - 1, ColNum);
}

void TVcCustomTable::InvalidateRow(LongInt RowNum) {
    InvalidateArea(RowNum, 0, RowNum, ColCount() - 1);
}

void TVcCustomTable::InvalidateLockedColumn(LongInt ColNum) {
    if (lockedRows_ > 0) InvalidateArea(0, ColNum, lockedRows_ - 1, ColNum);
}

void TVcCustomTable::InvalidateLockedRow(LongInt RowNum) {
    if (lockedCols_ > 0) InvalidateArea(RowNum, 0, RowNum, lockedCols_ - 1);
}

void TVcCustomTable::InvalidateTable() {
    if (!HasWindow()) return;
    invalid_.MakeEverything();
    if (lockCount_ == 0) FlushInvalidCells();
}

// =============================================================================================
// Painting

TRect TVcCustomTable::ReducedRect(const TRect& Rect, TGridEffect Effect) const {
    TRect r = Rect;
    switch (Effect) {
    case geVertical: --r.Right; break;
    case geHorizontal: --r.Bottom; break;
    case geBoth:
        --r.Right;
        --r.Bottom;
        break;
    case ge3D: r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}; break;
    case geNone: break;
    }
    return r;
}

void TVcCustomTable::Paint() {
    if (lockCount_ > 0) {
        invalid_.MakeEverything();
        return;
    }
    invalid_.Clear();
    unusedPending_ = false;
    PaintAll(Canvas());
}

void TVcCustomTable::PaintAll(TCanvas* Canvas) {
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r)
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c)
            PaintCell(Canvas, visRows_[r].Num, visCols_[c].Num);
    PaintUnusedArea(Canvas);
    if (!IsEditing()) PaintActiveFrame(Canvas);
}

void TVcCustomTable::PaintCell(TCanvas* Canvas, LongInt RowNum, LongInt ColNum) {
    if (IsEditing() && RowNum == activeRow_ && ColNum == activeCol_) return;
    const TRect rect = CellRect(RowNum, ColNum);
    const TVcGridPen& pen =
        IsLocked(RowNum, ColNum) ? *gridPens_->LockedGrid() : *gridPens_->NormalGrid();
    const TRect inner = ReducedRect(rect, pen.Effect());
    ++cellsPainted_;
    if (TVcBaseTableCell* cell = CellComponent(RowNum, ColNum)) {
        void* data = nullptr;
        DoGetCellData(RowNum, ColNum, data, cdpPaint);
        TVcCellAttributes attr;
        attr.Font = &workFont_;
        cell->ApplyPending();
        cell->ResolveAttributes(RowNum, ColNum, attr);
        cell->Draw(Canvas, inner, RowNum, ColNum, attr, data);
    } else {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color());
        Canvas->FillRect(inner);
    }
    PaintGridLines(Canvas, rect, pen);
}

void TVcCustomTable::PaintGridLines(TCanvas* Canvas, const TRect& Rect, const TVcGridPen& Pen) {
    const TGridEffect effect = Pen.Effect();
    if (effect == geNone) return;
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(Pen.Style());
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color());
    const int l = Rect.Left;
    const int t = Rect.Top;
    const int r = Rect.Right - 1;
    const int b = Rect.Bottom - 1;
    if (effect == ge3D) {
        Canvas->Pen()->SetColor(Pen.SecondColor());
        Canvas->Polyline({{l, b}, {l, t}, {r, t}});
    }
    Canvas->Pen()->SetColor(Pen.NormalColor());
    if (effect != geHorizontal) Canvas->Polyline({{r, t}, {r, b + 1}});
    if (effect != geVertical) Canvas->Polyline({{l, b}, {r + 1, b}});
}

void TVcCustomTable::PaintActiveFrame(TCanvas* Canvas) {
    if (!IsCellVisible(activeRow_, activeCol_)) return;
    const TVcGridPen& pen =
        focused_ ? *gridPens_->CellWhenFocused() : *gridPens_->CellWhenUnfocused();
    const TVcGridPen& grid =
        IsLocked(activeRow_, activeCol_) ? *gridPens_->LockedGrid() : *gridPens_->NormalGrid();
    const TRect rect = ReducedRect(CellRect(activeRow_, activeCol_), grid.Effect());
    const TGridEffect effect = pen.Effect();
    if (effect == geNone || rect.Width() <= 0 || rect.Height() <= 0) return;
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(pen.Style());
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Brush()->SetStyle(bsClear);
    const int l = rect.Left;
    const int t = rect.Top;
    const int r = rect.Right - 1;
    const int b = rect.Bottom - 1;
    Canvas->Pen()->SetColor(effect == ge3D ? pen.SecondColor() : pen.NormalColor());
    if (effect != geHorizontal) Canvas->Polyline({{l, b}, {l, t - 1}});
    if (effect != geVertical) Canvas->Polyline({{l, t}, {r + 1, t}});
    Canvas->Pen()->SetColor(pen.NormalColor());
    if (effect != geHorizontal) Canvas->Polyline({{r, t}, {r, b + 1}});
    if (effect != geVertical) Canvas->Polyline({{l, b}, {r + 1, b}});
    Canvas->Brush()->SetStyle(bsSolid);
}

void TVcCustomTable::PaintUnusedArea(TCanvas* Canvas) {
    if (onPaintUnusedArea_) {
        DoPaintUnusedArea();
        return;
    }
    const int right = visCols_.empty() ? 0 : visCols_.back().Offset;
    const int bottom = visRows_.empty() ? 0 : visRows_.back().Offset;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(colorUnused_);
    if (right < ClientWidth()) Canvas->FillRect({right, 0, ClientWidth(), ClientHeight()});
    if (bottom < ClientHeight()) Canvas->FillRect({0, bottom, right, ClientHeight()});
}

// =============================================================================================
// Scrolling

void TVcCustomTable::SetTopLeftCell(LongInt RowNum, LongInt ColNum) {
    LongInt row = SkipHiddenRow(IntMax(lockedRows_, IntMin(RowNum, lastTopRow_)));
    LongInt col = SkipHiddenCol(IntMax(lockedCols_, IntMin(ColNum, lastLeftCol_)));
    DoTopLeftCellChanging(row, col);
    row = IntMax(lockedRows_, IntMin(row, RowLimit() - 1));
    col = IntMax(lockedCols_, IntMin(col, ColCount() - 1));
    if (!HasWindow()) {
        topRow_ = row;
        leftCol_ = col;
        return;
    }
    if (row == topRow_ && col == leftCol_) return;
    {
        TRedrawLock lock(*this);
        const TVisList oldRows = visRows_;
        const TVisList oldCols = visCols_;
        topRow_ = row;
        leftCol_ = col;
        LayoutRows();
        LayoutColumns();
        ScrollPixels(oldRows, oldCols);
        UpdateScrollBars();
    }
    DoTopLeftCellChanged(topRow_, leftCol_);
}

void TVcCustomTable::ScrollPixels(const TVisList& OldRows, const TVisList& OldCols) {
    if (invalid_.Everything()) return;
    const auto shift = [](const TVisList& before, const TVisList& after, LongInt locked, int band,
                          int& amount) {
        const auto firstUnlocked = [locked](const TVisList& list) {
            for (std::size_t i = 0; i + 1 < list.size(); ++i)
                if (list[i].Num >= locked) return list[i].Num;
            return LongInt{-1};
        };
        const LongInt oldFirst = firstUnlocked(before);
        const LongInt newFirst = firstUnlocked(after);
        amount = 0;
        if (oldFirst == newFirst) return true;
        if (oldFirst < 0 || newFirst < 0) return false;
        if (newFirst > oldFirst) {
            const int i = IndexOf(before, newFirst);
            if (i < 0) return false;
            amount = before[static_cast<std::size_t>(i)].Offset - band;
        } else {
            const int i = IndexOf(after, oldFirst);
            if (i < 0) return false;
            amount = band - after[static_cast<std::size_t>(i)].Offset;
        }
        return true;
    };
    int dy = 0;
    int dx = 0;
    const bool rowsOk = shift(OldRows, visRows_, lockedRows_, LockedBottom(), dy);
    const bool colsOk = shift(OldCols, visCols_, lockedCols_, LockedRight(), dx);
    if (!rowsOk || !colsOk || (dx != 0 && dy != 0)) {
        invalid_.MakeEverything();
        return;
    }
    // The scrolling band: below the locked rows, or right of the locked columns.
    const TRect band = dy != 0 ? TRect{0, LockedBottom(), ClientWidth(), ClientHeight()}
                               : TRect{LockedRight(), 0, ClientWidth(), ClientHeight()};
    ScrollWindow(Handle(), -dx, -dy, &band);
    if (dy != 0) MarkNewRows(OldRows, dy);
    if (dx != 0) MarkNewCols(OldCols, dx);
}

void TVcCustomTable::MarkNewRows(const TVisList& OldRows, int Shift) {
    // The moved pixels are good from validTop to validBottom; rows reaching outside that band
    // came into view and are painted.
    const int height = ClientHeight();
    const int band = LockedBottom();
    const int oldEnd = std::min(height, OldRows.back().Offset);
    const int validTop = Shift > 0 ? band : band - Shift;
    const int validBottom = std::min(height, oldEnd - Shift);
    for (std::size_t i = 0; i + 1 < visRows_.size(); ++i) {
        if (visRows_[i].Num < lockedRows_) continue;
        const int top = visRows_[i].Offset;
        const int bottom = std::min(height, visRows_[i + 1].Offset);
        if (top < validTop || bottom > validBottom) InvalidateRow(visRows_[i].Num);
    }
    if (visRows_.back().Offset < height) unusedPending_ = true;
}

void TVcCustomTable::MarkNewCols(const TVisList& OldCols, int Shift) {
    const int width = ClientWidth();
    const int band = LockedRight();
    const int oldEnd = std::min(width, OldCols.back().Offset);
    const int validLeft = Shift > 0 ? band : band - Shift;
    const int validRight = std::min(width, oldEnd - Shift);
    for (std::size_t i = 0; i + 1 < visCols_.size(); ++i) {
        if (visCols_[i].Num < lockedCols_) continue;
        const int left = visCols_[i].Offset;
        const int right = std::min(width, visCols_[i + 1].Offset);
        if (left < validLeft || right > validRight) InvalidateColumn(visCols_[i].Num);
    }
    if (visCols_.back().Offset < width) unusedPending_ = true;
}

LongInt TVcCustomTable::VertScale() const {
    // A scroll bar holds 16-bit positions: long tables count in steps of several rows, and the
    // range, the position and the thumb all use the same step.
    return lastTopRow_ >= ScrollBarLimit ? lastTopRow_ / 1024 + 1 : 1;
}

void TVcCustomTable::UpdateScrollBars() {
    if (lockCount_ > 0) {
        barsPending_ = true;
        return;
    }
    barsPending_ = false;
    if (!HandleAllocated()) return;
    UpdateVertBar();
    UpdateHorzBar();
}

void TVcCustomTable::UpdateVertBar() {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        const LongInt scale = VertScale();
        info.nMin = lockedRows_ / scale;
        info.nMax = IntMax(info.nMin, lastTopRow_ / scale);
        info.nPos = topRow_ / scale;
    }
    SetScrollInfo(Handle(), SB_VERT, info, true);
}

void TVcCustomTable::UpdateHorzBar() {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
        int position = 0;
        int count = 0;
        for (LongInt c = lockedCols_; c <= lastLeftCol_ && c < ColCount(); ++c) {
            if (ColHidden(c)) continue;
            if (c < leftCol_) ++position;
            ++count;
        }
        info.nMax = IntMax(0, count - 1);
        info.nPos = position;
    }
    SetScrollInfo(Handle(), SB_HORZ, info, true);
}

void TVcCustomTable::ScrollBy(Word Command) {
    switch (Command) {
    case ccUp: SetTopRow(NextVisibleRow(topRow_, -1)); break;
    case ccDown: SetTopRow(NextVisibleRow(topRow_, 1)); break;
    case ccLeft: SetLeftCol(NextVisibleCol(leftCol_, -1)); break;
    case ccRight: SetLeftCol(NextVisibleCol(leftCol_, 1)); break;
    case ccNextPage: {
        const LongInt last = LastVisibleUnlockedRow();
        SetTopRow(last > topRow_ ? last : NextVisibleRow(topRow_, 1));
        break;
    }
    case ccPageRight: {
        const LongInt last = LastVisibleUnlockedCol();
        SetLeftCol(last > leftCol_ ? last : NextVisibleCol(leftCol_, 1));
        break;
    }
    case ccPrevPage: {
        LongInt top = topRow_;
        int room = ClientHeight() - LockedBottom();
        // Back from the top row while the rows passed still fit in one window.
        for (LongInt r = NextVisibleRow(top, -1); r != top; r = NextVisibleRow(top, -1)) {
            if (RowHeight(r) > room && top != topRow_) break;
            room -= RowHeight(r);
            top = r;
        }
        SetTopRow(top);
        break;
    }
    case ccPageLeft: {
        LongInt left = leftCol_;
        int room = ClientWidth() - LockedRight();
        for (LongInt c = NextVisibleCol(left, -1); c != left; c = NextVisibleCol(left, -1)) {
            if (ColWidth(c) > room && left != leftCol_) break;
            room -= ColWidth(c);
            left = c;
        }
        SetLeftCol(left);
        break;
    }
    default: break;
    }
}

void TVcCustomTable::ScrollMessage(TWMScroll& Message, bool Vertical) {
    if (!Focused() && !EditorHasFocus() && CanFocus()) SetFocus();
    if (IsEditing() && !StopEditing(true)) return;
    const auto thumb = [&](int position) {
        if (Vertical) {
            const LongInt scale = VertScale();
            SetTopRow(position >= lastTopRow_ / scale ? lastTopRow_ : position * scale);
            return;
        }
        LongInt col = lockedCols_;
        for (int n = 0; col < ColCount(); ++col) {
            if (ColHidden(col)) continue;
            if (n++ == position) break;
        }
        SetLeftCol(col);
    };
    switch (Message.ScrollCode) {
    case SB_LINEUP: ScrollBy(Vertical ? ccUp : ccLeft); break;
    case SB_LINEDOWN: ScrollBy(Vertical ? ccDown : ccRight); break;
    case SB_PAGEUP: ScrollBy(Vertical ? ccPrevPage : ccPageLeft); break;
    case SB_PAGEDOWN: ScrollBy(Vertical ? ccNextPage : ccPageRight); break;
    case SB_THUMBTRACK:
        if (options_.Contains(otoThumbTrack)) thumb(Message.Pos);
        break;
    case SB_THUMBPOSITION: thumb(Message.Pos); break;
    case SB_TOP: Vertical ? SetTopRow(lockedRows_) : SetLeftCol(lockedCols_); break;
    case SB_BOTTOM: Vertical ? SetTopRow(lastTopRow_) : SetLeftCol(lastLeftCol_); break;
    default: break;
    }
}

void TVcCustomTable::WMVScroll(TWMScroll& Message) {
    ScrollMessage(Message, true);
}

void TVcCustomTable::WMHScroll(TWMScroll& Message) {
    ScrollMessage(Message, false);
}

void TVcCustomTable::WMEraseBkgnd(TWMEraseBkgnd& Message) {
    Message.Result = 1; // every pixel is painted by Paint
}

void TVcCustomTable::WMSize(TWMSize& Message) {
    TVcTableAncestor::WMSize(Message);
    if (!HasWindow() || sizing_) return;
    sizing_ = true;
    try {
        TRedrawLock lock(*this);
        Relayout();
        InvalidateTable();
        UpdateScrollBars();
    } catch (...) {
        sizing_ = false;
        throw;
    }
    sizing_ = false;
}

// =============================================================================================
// Changes of the rows and columns

void TVcCustomTable::ClampColumnRefs() {
    const LongInt last = ColCount() - 1;
    if (last < 0) return;
    activeCol_ = IntMin(activeCol_, last);
    leftCol_ = IntMin(leftCol_, last);
    selection_->SetColCount(ColCount());
}

void TVcCustomTable::ClampRowRefs() {
    const LongInt last = RowLimit() - 1;
    activeRow_ = IntMin(activeRow_, last);
    topRow_ = IntMin(topRow_, last);
    selection_->SetRowCount(RowLimit());
}

void TVcCustomTable::ColumnsChanged(LongInt Num1, LongInt Num2, TVcTblActions Action) {
    if (Action == tbaAppend) cells_->InsertCol(Num1);
    if (Action == tbaDelete) cells_->DeleteCol(Num1);
    if (Action == tbaExchange) cells_->ExchangeCols(Num1, Num2);
    DoColumnsChanged(Num1, Action == tbaExchange ? Num2 : -1, Action);
    ClampColumnRefs();
    if (!HasWindow()) return;
    TRedrawLock lock(*this);
    const LongInt lastShown = visCols_.size() > 1 ? visCols_[visCols_.size() - 2].Num : -1;
    const bool room = visCols_.back().Offset < ClientWidth();
    const bool shown = IndexOf(visCols_, Num1) >= 0 || (Num1 > lastShown && room);
    // Only a change that shows on screen repaints.
    bool repaint = true;
    if (Action == tbaSingle || Action == tbaAppend || Action == tbaDelete) repaint = shown;
    if (Action == tbaExchange)
        repaint = IndexOf(visCols_, Num1) >= 0 || IndexOf(visCols_, Num2) >= 0;
    Relayout();
    if (repaint) InvalidateTable();
    if (Action == tbaSingle || Action == tbaDelete) {
        leftCol_ = SkipHiddenCol(leftCol_);
        activeCol_ = SkipHiddenCol(activeCol_);
        Relayout();
    }
    UpdateScrollBars();
}

void TVcCustomTable::RowsChanged(LongInt Num1, LongInt Num2, TVcTblActions Action) {
    if (Action == tbaExchange) cells_->ExchangeRows(Num1, Num2);
    DoRowsChanged(Num1, Action == tbaExchange ? Num2 : -1, Action);
    ClampRowRefs();
    if (!HasWindow()) return;
    TRedrawLock lock(*this);
    const LongInt lastShown = visRows_.size() > 1 ? visRows_[visRows_.size() - 2].Num : -1;
    const bool room = visRows_.back().Offset < ClientHeight();
    bool repaint = true;
    if (Action == tbaSingle) repaint = IndexOf(visRows_, Num1) >= 0 || (Num1 > lastShown && room);
    if (Action == tbaExchange)
        repaint = IndexOf(visRows_, Num1) >= 0 || IndexOf(visRows_, Num2) >= 0;
    Relayout();
    if (repaint) InvalidateTable();
    if (Action == tbaSingle) {
        topRow_ = SkipHiddenRow(topRow_);
        activeRow_ = SkipHiddenRow(activeRow_);
        Relayout();
    }
    UpdateScrollBars();
}

void TVcCustomTable::RemoveCellComponent(TVcBaseTableCell* Cell) {
    TRedrawLock lock(*this);
    if (editCell_ == Cell) editCell_ = nullptr;
    if (lockedRowsCell_ == Cell) {
        lockedRowsCell_ = nullptr;
        Cell->DecRefs();
    }
    columns_->RemoveCell(Cell);
    cells_->RemoveCell(Cell);
    InvalidateTable();
}

void TVcCustomTable::CellChanged(TVcTableCellAncestor* Cell) {
    if (!HasWindow()) return;
    TRedrawLock lock(*this);
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r)
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c)
            if (CellComponent(visRows_[r].Num, visCols_[c].Num) == Cell)
                InvalidateCell(visRows_[r].Num, visCols_[c].Num);
}

void TVcCustomTable::Notification(TComponent* AComponent, TOperation Operation) {
    TVcTableAncestor::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == lockedRowsCell_) lockedRowsCell_ = nullptr;
}

void TVcCustomTable::ChangeScale(int M, int D) {
    TVcTableAncestor::ChangeScale(M, D);
    if (M == D || D == 0) return;
    TRedrawLock lock(*this);
    rows_->Rescale(M, D);
    for (LongInt c = 0; c < ColCount(); ++c)
        columns_->Items(c)->SetWidth(MulDiv(ColWidth(c), M, D));
    if (HasWindow()) {
        Relayout();
        InvalidateTable();
    }
}

// =============================================================================================
// Stored properties

TVcRowData TVcCustomTable::RowData() const {
    TVcRowData data;
    data.DefaultHeight = rows_->DefaultHeight();
    for (const auto& [row, style] : rows_->StoredRows())
        data.Rows.push_back({row, style.Hidden, style.Height});
    return data;
}

void TVcCustomTable::ReadRowData(const TVcRowData& Data) {
    TRedrawLock lock(*this);
    rows_->Clear();
    rows_->SetDefaultHeight(Data.DefaultHeight);
    for (const TVcRowData::TRow& row : Data.Rows)
        rows_->SetRow(row.RowNum, {row.Height, row.Hidden});
}

std::vector<TVcColumnData> TVcCustomTable::ColData() const {
    std::vector<TVcColumnData> data;
    for (LongInt c = 0; c < ColCount(); ++c) {
        const TVcTableColumn* column = columns_->Items(c);
        TVcColumnData entry{column->Width(), column->Hidden(), false, {}};
        if (const TVcBaseTableCell* cell = column->DefaultCell()) {
            entry.HasCell = true;
            const TComponent* owner = cell->Owner();
            entry.CellName =
                owner && !owner->Name().empty() ? owner->Name() + "." + cell->Name() : cell->Name();
        }
        data.push_back(entry);
    }
    return data;
}

void TVcCustomTable::ReadColData(const std::vector<TVcColumnData>& Data) {
    TRedrawLock lock(*this);
    columns_->Clear();
    for (const TVcColumnData& entry : Data) {
        auto* column = new TVcTableColumn(this);
        column->SetWidth(entry.Width);
        column->SetHidden(entry.Hidden);
        if (entry.HasCell) columns_->QueueCellName(entry.CellName, column);
        columns_->Append(column);
    }
}

void TVcCustomTable::Loaded() {
    TVcTableAncestor::Loaded();
    if (HandleAllocated()) PostMessage(Handle(), ctim_LoadFinish, 0, 0);
}

// =============================================================================================
// Window

void TVcCustomTable::CreateWnd() {
    TVcTableAncestor::CreateWnd();
    lockCount_ = 0;
    Relayout();
    activeRow_ = SkipHiddenRow(IntMax(lockedRows_, IntMin(activeRow_, RowLimit() - 1)));
    activeCol_ = SkipHiddenCol(IntMax(lockedCols_, IntMin(activeCol_, ColCount() - 1)));
    selection_->SetRowCount(RowLimit());
    selection_->SetColCount(ColCount());
    selection_->SetAnchor(activeRow_, activeCol_);
    UpdateScrollBars();
    DoTopLeftCellChanged(topRow_, leftCol_);
    DoActiveCellChanged(activeRow_, activeCol_);
    if (!Designing() && options_.Contains(otoAlwaysEditing))
        PostMessage(Handle(), ctim_StartEdit, 0, 0);
    PostMessage(Handle(), ctim_LoadFinish, 0, 0);
}

void TVcCustomTable::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case ctim_QueryOptions: {
        LRESULT bits = 0;
        for (int o = otoBrowseRow; o <= otoAllowRowMoves; ++o)
            if (options_.Contains(static_cast<TVcTblOption>(o))) bits |= LRESULT{1} << o;
        Message.Result = bits;
        return;
    }
    case ctim_QueryColor: Message.Result = static_cast<LRESULT>(Color()); return;
    case ctim_QueryFont: Message.Result = reinterpret_cast<LRESULT>(Font()); return;
    case ctim_QueryLockedCols: Message.Result = lockedCols_; return;
    case ctim_QueryLockedRows: Message.Result = lockedRows_; return;
    case ctim_QueryActiveCol: Message.Result = activeCol_; return;
    case ctim_QueryActiveRow: Message.Result = activeRow_; return;
    case ctim_RemoveCell:
        RemoveCellComponent(reinterpret_cast<TVcBaseTableCell*>(Message.LParam));
        Message.Result = 0;
        return;
    case ctim_StartEdit:
        HandleStartEdit();
        Message.Result = 1;
        return;
    case ctim_StartEditMouse:
    case ctim_StartEditKey:
        HandleEditorInput(Message, Message.Msg == ctim_StartEditMouse);
        Message.Result = 1;
        return;
    case ctim_LoadFinish: {
        TRedrawLock lock(*this);
        ResolveCellData();
        columns_->ResolveCellNames();
        if (lockedRowsCell_ && lockedRowsCell_->References() > 0) IncludeCell(lockedRowsCell_);
        Relayout();
        InvalidateTable();
        return;
    }
    default: TVcTableAncestor::Dispatch(Message); return;
    }
}
