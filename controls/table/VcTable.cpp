#include "controls/table/VcTable.h"

#include "controls/entry/VcCmd.h"
#include "controls/entry/VcMsg.h"
#include "controls/table/VcTCHdr.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <exception>

namespace {
constexpr int MsgGridTable = 34284;
constexpr int EdgeGrab = 2;
constexpr int MinExtent = 6;
constexpr LongInt ScrollBarLimit = 16384;

bool IsMovement(Word Command) {
    switch (Command) {
    case ccBotOfPage:
    case ccBotRightCell:
    case ccDown:
    case ccEnd:
    case ccFirstPage:
    case ccHome:
    case ccLastPage:
    case ccLeft:
    case ccNextPage:
    case ccPageLeft:
    case ccPageRight:
    case ccPrevPage:
    case ccRight:
    case ccTopLeftCell:
    case ccTopOfPage:
    case ccUp:
    case ccWordLeft:
    case ccWordRight: return true;
    default: return false;
    }
}

// The plain movement an extend command runs.
Word PlainMovement(Word Command) {
    switch (Command) {
    case ccExtendDown: return ccDown;
    case ccExtendEnd: return ccEnd;
    case ccExtendHome: return ccHome;
    case ccExtendLeft: return ccLeft;
    case ccExtendPgDn: return ccNextPage;
    case ccExtendPgUp: return ccPrevPage;
    case ccExtendRight: return ccRight;
    case ccExtendUp: return ccUp;
    case ccExtBotOfPage: return ccBotOfPage;
    case ccExtFirstPage: return ccFirstPage;
    case ccExtLastPage: return ccLastPage;
    case ccExtTopOfPage: return ccTopOfPage;
    case ccExtWordLeft: return ccWordLeft;
    case ccExtWordRight: return ccWordRight;
    default: return ccNone;
    }
}

LPARAM PointParam(int X, int Y) {
    return MakeLParam(static_cast<Word>(X), static_cast<Word>(Y));
}
} // namespace

// Holds a redraw lock for a scope; the last one out paints what changed.
class TVcCustomTable::TRedrawLock {
public:
    explicit TRedrawLock(TVcCustomTable& Table)
        : table_(Table), exceptions_(std::uncaught_exceptions()) {
        table_.SetRedrawAllowed(false);
    }
    ~TRedrawLock() noexcept(false) {
        if (std::uncaught_exceptions() == exceptions_) {
            table_.SetRedrawAllowed(true);
            return;
        }
        try {
            table_.SetRedrawAllowed(true);
        } catch (...) { // the first failure is the one that travels on
        }
    }
    TRedrawLock(const TRedrawLock&) = delete;
    TRedrawLock& operator=(const TRedrawLock&) = delete;

private:
    TVcCustomTable& table_;
    int exceptions_;
};

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

template <typename F>
void TVcCustomTable::DrawOnWindow(F&& Draw) {
    const HWND window = Handle();
    HDC dc = GetDC(window);
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Font()->Assign(Font());
    try {
        Draw(&canvas);
    } catch (...) {
        canvas.SetHandle(nullptr);
        ReleaseDC(window, dc);
        throw;
    }
    canvas.SetHandle(nullptr);
    ReleaseDC(window, dc);
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

// =============================================================================================
// Cell attributes and keys for the cells

void TVcCustomTable::RefineCellAttributes(LongInt RowNum, LongInt ColNum,
                                          TVcCellAttributes& CellAttr) {
    const TVcCellStyle own = cells_->GetCellAttr(RowNum, ColNum);
    TFont* ownFont = cells_->CellFont(RowNum, ColNum);
    if (own.Access != otxDefault)
        CellAttr.Access = own.Access;
    else if (CellAttr.Access == otxDefault)
        CellAttr.Access = access_;
    if (own.Adjust != otaDefault)
        CellAttr.Adjust = own.Adjust;
    else if (CellAttr.Adjust == otaDefault)
        CellAttr.Adjust = adjust_;
    if (ownFont && CellAttr.Font) CellAttr.Font->Assign(ownFont);
    const bool active = RowNum == activeRow_ && ColNum == activeCol_;
    const bool locked = IsLocked(RowNum, ColNum);
    if (active && focused_) {
        const bool editing =
            IsEditing() || (options_.Contains(otoAlwaysEditing) && CellAttr.Access == otxNormal);
        CellAttr.Color = editing ? colors_->Editing() : colors_->ActiveFocused();
        CellAttr.FontColor = editing ? colors_->EditingText() : colors_->ActiveFocusedText();
    } else if (active) {
        CellAttr.Color = colors_->ActiveUnfocused();
        CellAttr.FontColor = colors_->ActiveUnfocusedText();
    } else if (options_.Contains(otoBrowseRow) && RowNum == activeRow_ && !locked) {
        CellAttr.Color = focused_ ? colors_->ActiveFocused() : colors_->ActiveUnfocused();
        CellAttr.FontColor =
            focused_ ? colors_->ActiveFocusedText() : colors_->ActiveUnfocusedText();
    } else if (IsCellSelected(RowNum, ColNum)) {
        CellAttr.Color = colors_->Selected();
        CellAttr.FontColor = colors_->SelectedText();
    } else {
        if (own.Color != clVcCellNone)
            CellAttr.Color = own.Color;
        else if (locked)
            CellAttr.Color = colors_->Locked();
        if (ownFont)
            CellAttr.FontColor = ownFont->Color();
        else if (locked)
            CellAttr.FontColor = colors_->LockedText();
    }
    DoGetCellAttributes(RowNum, ColNum, CellAttr);
}

Word TVcCustomTable::KeyCommand(const TWMKey& Message) {
    const TShiftState shift = KeyDataToShiftState(Message.KeyData);
    const bool ctrlOrAlt = shift.Contains(ssCtrl) || shift.Contains(ssAlt);
    if (options_.Contains(otoTabToArrow) && Message.CharCode == VK_TAB) {
        if (ctrlOrAlt) return ccNone;
        return shift.Contains(ssShift) ? ccLeft : ccRight;
    }
    if (options_.Contains(otoEnterToArrow) && Message.CharCode == VK_RETURN)
        return ctrlOrAlt || shift.Contains(ssShift) ? ccNone : ccRight;
    if (!Controller() && !FindController(GetParentForm(this))) return ccNoCommand;
    return TranslateKey(Message, commandTables_);
}

Byte TVcCustomTable::TranslateTableKey(const TWMKey& Msg) {
    const Word command = KeyCommand(Msg);
    const Word key = Msg.CharCode;
    if (command == ccTableEdit || key == VK_ESCAPE ||
        (key == VK_TAB && options_.Contains(otoTabToArrow)) ||
        (key == VK_RETURN && options_.Contains(otoEnterToArrow)))
        return 2;
    return IsMovement(command) ? 1 : 0;
}

bool TVcCustomTable::StartsEditing(const TWMKey& Message, Word Command) const {
    // Only a character typed plainly or with Shift starts editing: not Ctrl or Alt keys, not
    // the program's commands, not a key in the middle of a two-key sequence.
    if (Command != ccNoCommand) return false;
    const TShiftState shift = KeyDataToShiftState(Message.KeyData);
    if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return false;
    const Word key = Message.CharCode;
    return key == VK_SPACE || (key >= 0x30 && key <= 0x6F) || key >= 0xBA;
}

// =============================================================================================
// Keys and focus

void TVcCustomTable::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (options_.Contains(otoTabToArrow)) Message.Result |= DLGC_WANTTAB;
    if (options_.Contains(otoEnterToArrow) || IsEditing()) Message.Result |= DLGC_WANTALLKEYS;
}

void TVcCustomTable::WMKeyDown(TWMKey& Message) {
    const auto alive = AliveFlag();
    if (DoKeyDown(Message) || !*alive) return;
    const Word command = KeyCommand(Message);
    if (!IsEditing()) {
        if (command == ccTableEdit) {
            PostMessage(Handle(), ctim_StartEdit, 0, 0);
            return;
        }
        if (StartsEditing(Message, command)) {
            PostMessage(Handle(), ctim_StartEdit, 0, 0);
            PostMessage(Handle(), ctim_StartEditKey, Message.CharCode, Message.KeyData);
            return;
        }
    } else if (!options_.Contains(otoAlwaysEditing) &&
               (command == ccTableEdit || Message.CharCode == VK_ESCAPE)) {
        // F2 keeps the edited value, Escape drops it.
        if (!StopEditing(command == ccTableEdit)) {
            TMessage m{Message.Msg, Message.CharCode, Message.KeyData, 0};
            DefaultHandler(m);
        }
        return;
    }
    extend_ = false;
    if (IsMovement(command)) {
        DoCommand(command);
    } else if (command == ccCopy) {
        DoClipboardCopy();
    } else if (command == ccCut) {
        DoClipboardCut();
    } else if (command == ccPaste) {
        DoClipboardPaste();
    } else if (const Word plain = PlainMovement(command); plain != ccNone) {
        extend_ = true;
        DoCommand(plain);
    } else if (command >= ccUserFirst) {
        DoUserCommand(command);
    } else {
        // A key the table has no use for gets the window's own handling.
        TMessage m{Message.Msg, Message.CharCode, Message.KeyData, 0};
        DefaultHandler(m);
    }
}

void TVcCustomTable::WMSetFocus(TWMSetFocus& Message) {
    TVcTableAncestor::WMSetFocus(Message);
    if (IsEditing()) {
        TWinControl* editor = editCell_->EditorControl();
        if (editor && editor->CanFocus()) editor->SetFocus();
        return;
    }
    focused_ = true;
    InvalidateCell(activeRow_, activeCol_);
}

void TVcCustomTable::WMKillFocus(TWMKillFocus& Message) {
    TVcTableAncestor::WMKillFocus(Message);
    if (drag_ != dmNone) {
        drag_ = dmNone;
        ReleaseCapture();
    }
    if (IsEditing()) return;
    focused_ = false;
    InvalidateCell(activeRow_, activeCol_);
}

bool TVcCustomTable::EditorHasFocus() const {
    if (!editCell_) return false;
    const HWND editor = editCell_->EditHandle();
    const HWND focus = GetFocus();
    return editor && focus && (focus == editor || IsChild(editor, focus));
}

// =============================================================================================
// Editing

bool TVcCustomTable::StartEditing() {
    if (IsEditing()) return true;
    if (!DoBeginEdit(activeRow_, activeCol_)) return false;
    TRedrawLock lock(*this);
    ShowCell(activeRow_, activeCol_);
    TVcBaseTableCell* cell = CellComponent(activeRow_, activeCol_);
    if (!cell) return false;
    TVcCellAttributes attr;
    attr.Font = &workFont_;
    cell->ResolveAttributes(activeRow_, activeCol_, attr);
    if (attr.Access != otxNormal) return false;
    TRect rect = ReducedRect(CellRect(activeRow_, activeCol_), gridPens_->NormalGrid()->Effect());
    TVcTblEditorStyle style = tesNone;
    DoSizeCellEditor(activeRow_, activeCol_, rect, style);
    DoEnteringColumn(activeCol_);
    DoEnteringRow(activeRow_);
    void* data = nullptr;
    DoGetCellData(activeRow_, activeCol_, data, cdpEdit);
    editCell_ = cell;
    attr.Color = colors_->Editing();
    attr.FontColor = colors_->EditingText();
    cell->StartEditing(activeRow_, activeCol_, rect, attr, style, data);
    if (!cell->EditHandle()) {
        editCell_ = nullptr;
        return false;
    }
    editorFocused_ = focused_ || Focused();
    return true;
}

bool TVcCustomTable::StopEditing(bool SaveValue) {
    if (!IsEditing()) return true;
    TVcBaseTableCell* cell = editCell_;
    if (!cell->CanSaveEditedData(SaveValue)) return false;
    if (!DoEndEdit(cell, activeRow_, activeCol_)) return false;
    TRedrawLock lock(*this);
    const bool hadFocus = EditorHasFocus();
    DoEnteringColumn(activeCol_);
    DoEnteringRow(activeRow_);
    void* data = nullptr;
    DoGetCellData(activeRow_, activeCol_, data, cdpSave);
    invalid_.AddCell(activeRow_, activeCol_);
    editCell_ = nullptr;
    editorFocused_ = false;
    cell->StopEditing(SaveValue, data);
    DoDoneEdit(activeRow_, activeCol_);
    if (!options_.Contains(otoAlwaysEditing)) InvalidateCell(activeRow_, activeCol_);
    if (hadFocus && CanFocus()) SetFocus();
    return true;
}

void TVcCustomTable::HandleStartEdit() {
    if (StartEditing()) {
        TWinControl* editor = editCell_->EditorControl();
        if (editor && editorFocused_ && editor->CanFocus()) editor->SetFocus();
    } else {
        InvalidateCell(activeRow_, activeCol_);
    }
}

void TVcCustomTable::HandleEditorInput(const TMessage& Message, bool Mouse) {
    if (!IsEditing()) return;
    TWinControl* editor = editCell_->EditorControl();
    if (!editor) return;
    if (editor->CanFocus()) editor->SetFocus();
    if (!Mouse) {
        PostMessage(editor->Handle(), WM_KEYDOWN, Message.WParam, Message.LParam);
        return;
    }
    // The click that started editing goes on into the editor, at the editor's own point.
    const int x = static_cast<SmallInt>(LoWord(Message.LParam)) - editor->Left();
    const int y = static_cast<SmallInt>(HiWord(Message.LParam)) - editor->Top();
    PostMessage(editor->Handle(), WM_LBUTTONDOWN, Message.WParam, PointParam(x, y));
    PostMessage(editor->Handle(), WM_LBUTTONUP, Message.WParam & ~MK_LBUTTON, PointParam(x, y));
}

// =============================================================================================
// Commands and the active cell

LongInt TVcCustomTable::NextVisibleRow(LongInt RowNum, int Step) const {
    for (LongInt r = RowNum + Step; r >= lockedRows_ && r < RowLimit(); r += Step)
        if (!RowHidden(r)) return r;
    return RowNum;
}

LongInt TVcCustomTable::NextVisibleCol(LongInt ColNum, int Step) const {
    for (LongInt c = ColNum + Step; c >= lockedCols_ && c < ColCount(); c += Step)
        if (!ColHidden(c)) return c;
    return ColNum;
}

LongInt TVcCustomTable::LastVisibleUnlockedRow() const {
    // The last row shown whole (the first one when none is).
    LongInt last = topRow_;
    for (std::size_t i = 0; i + 1 < visRows_.size(); ++i)
        if (visRows_[i].Num >= lockedRows_ && visRows_[i + 1].Offset <= ClientHeight())
            last = visRows_[i].Num;
    return last;
}

LongInt TVcCustomTable::LastVisibleUnlockedCol() const {
    LongInt last = leftCol_;
    for (std::size_t i = 0; i + 1 < visCols_.size(); ++i)
        if (visCols_[i].Num >= lockedCols_ && visCols_[i + 1].Offset <= ClientWidth())
            last = visCols_[i].Num;
    return last;
}

void TVcCustomTable::CommandTarget(Word Command, LongInt& RowNum, LongInt& ColNum) {
    const LongInt lastRow = SkipHiddenRow(RowLimit() - 1);
    const LongInt lastCol = SkipHiddenCol(ColCount() - 1);
    const auto stepRows = [this](LongInt from, LongInt count, int step) {
        for (LongInt i = 0; i < count; ++i)
            from = NextVisibleRow(from, step);
        return from;
    };
    const auto stepCols = [this](LongInt from, LongInt count, int step) {
        for (LongInt i = 0; i < count; ++i)
            from = NextVisibleCol(from, step);
        return from;
    };
    const LongInt pageRows =
        IntMax(1, static_cast<LongInt>(IndexOf(visRows_, LastVisibleUnlockedRow()) -
                                       IndexOf(visRows_, topRow_)));
    const LongInt pageCols =
        IntMax(1, static_cast<LongInt>(IndexOf(visCols_, LastVisibleUnlockedCol()) -
                                       IndexOf(visCols_, leftCol_)));
    switch (Command) {
    case ccUp: RowNum = NextVisibleRow(activeRow_, -1); break;
    case ccDown: RowNum = NextVisibleRow(activeRow_, 1); break;
    case ccLeft: ColNum = NextVisibleCol(activeCol_, -1); break;
    case ccRight: ColNum = NextVisibleCol(activeCol_, 1); break;
    case ccHome: ColNum = FirstUnlockedCol(); break;
    case ccEnd: ColNum = lastCol; break;
    case ccTopOfPage: RowNum = topRow_; break;
    case ccBotOfPage: RowNum = LastVisibleUnlockedRow(); break;
    case ccFirstPage: RowNum = FirstUnlockedRow(); break;
    case ccLastPage: RowNum = lastRow; break;
    case ccTopLeftCell:
        RowNum = FirstUnlockedRow();
        ColNum = FirstUnlockedCol();
        break;
    case ccBotRightCell:
        RowNum = lastRow;
        ColNum = lastCol;
        break;
    case ccNextPage: RowNum = stepRows(activeRow_, pageRows, 1); break;
    case ccPrevPage: RowNum = stepRows(activeRow_, pageRows, -1); break;
    case ccPageRight: ColNum = stepCols(activeCol_, pageCols, 1); break;
    case ccPageLeft: ColNum = stepCols(activeCol_, pageCols, -1); break;
    default: break;
    }
}

void TVcCustomTable::DoCommand(Word Command) {
    if (options_.Contains(otoNoSelection)) extend_ = false;
    LongInt row = activeRow_;
    LongInt col = activeCol_;
    CommandTarget(Command, row, col);
    if (row == activeRow_ && col == activeCol_) return;
    MoveActiveCell(Command, row, col);
}

void TVcCustomTable::MoveActiveCell(Word Command, LongInt RowNum, LongInt ColNum) {
    DoActiveCellMoving(Command, RowNum, ColNum);
    if (RowNum == activeRow_ && ColNum == activeCol_) return;
    TRedrawLock lock(*this);
    if (extend_) {
        ExtendTo(RowNum, ColNum, true);
    } else if (selection_->HaveSelection()) {
        ClearSelection();
        selection_->StartSelection(RowNum, ColNum, false);
    } else {
        selection_->StartSelection(RowNum, ColNum, false);
    }
    SetActiveCell(RowNum, ColNum);
}

void TVcCustomTable::SetActiveCell(LongInt RowNum, LongInt ColNum) {
    LongInt row = SkipHiddenRow(IntMax(lockedRows_, IntMin(RowNum, RowLimit() - 1)));
    LongInt col = SkipHiddenCol(IntMax(lockedCols_, IntMin(ColNum, ColCount() - 1)));
    if (row == activeRow_ && col == activeCol_) return;
    if (!HasWindow() || visRows_.empty()) {
        activeRow_ = row;
        activeCol_ = col;
        return;
    }
    {
        TRedrawLock lock(*this);
        if (row != activeRow_) {
            DoLeavingRow(activeRow_);
            if (options_.Contains(otoBrowseRow)) InvalidateRow(activeRow_);
        }
        if (col != activeCol_) {
            DoLeavingColumn(activeCol_);
            // Headings that mark the active column follow it.
            InvalidateLockedColumn(activeCol_);
            InvalidateLockedColumn(col);
        }
        InvalidateCell(activeRow_, activeCol_);
        activeRow_ = row;
        activeCol_ = col;
        ShowCell(row, col);
        if (!Designing() && options_.Contains(otoAlwaysEditing))
            PostMessage(Handle(), ctim_StartEdit, 0, 0);
        else
            InvalidateCell(row, col);
    }
    DoActiveCellChanged(activeRow_, activeCol_);
}

// =============================================================================================
// Selection

bool TVcCustomTable::IsCellSelected(LongInt RowNum, LongInt ColNum) const {
    return selection_->IsCellSelected(RowNum, ColNum);
}

void TVcCustomTable::SelectAll() {
    TRedrawLock lock(*this);
    selection_->SelectAll();
    InvalidateTable();
}

void TVcCustomTable::SelectRow(LongInt RowNum) {
    if (RowNum < lockedRows_ || RowNum >= RowLimit()) return;
    TRedrawLock lock(*this);
    selection_->SelectArea(RowNum, lockedCols_, RowNum, ColCount() - 1);
    InvalidateRow(RowNum);
}

void TVcCustomTable::SelectColumn(LongInt ColNum) {
    if (ColNum < lockedCols_ || ColNum >= ColCount()) return;
    TRedrawLock lock(*this);
    selection_->SelectArea(lockedRows_, ColNum, RowLimit() - 1, ColNum);
    InvalidateColumn(ColNum);
}

void TVcCustomTable::ClearSelection() {
    TRedrawLock lock(*this);
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r)
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c)
            if (IsCellSelected(visRows_[r].Num, visCols_[c].Num))
                InvalidateCell(visRows_[r].Num, visCols_[c].Num);
    selection_->Clear();
}

void TVcCustomTable::ExtendTo(LongInt RowNum, LongInt ColNum, bool Keep) {
    const LongInt oldRow = selection_->ActionRow();
    const LongInt oldCol = selection_->ActionCol();
    if (!Keep) {
        const LongInt anchorRow = selection_->AnchorRow();
        const LongInt anchorCol = selection_->AnchorCol();
        ClearSelection();
        selection_->StartSelection(anchorRow, anchorCol, false);
    }
    // In a whole-row (whole-column) selection mode the rectangle spans every unlocked column
    // (row).
    const bool rows = options_.Contains(otoRowSelection) && !options_.Contains(otoColSelection);
    const bool cols = options_.Contains(otoColSelection) && !options_.Contains(otoRowSelection);
    if (rows) {
        selection_->SetAnchor(selection_->AnchorRow(), lockedCols_);
        ColNum = ColCount() - 1;
    }
    if (cols) {
        selection_->SetAnchor(lockedRows_, selection_->AnchorCol());
        RowNum = RowLimit() - 1;
    }
    selection_->ExtendSelection(RowNum, ColNum, dragSelects_);
    RepaintSelectionChange(oldRow, oldCol, RowNum, ColNum);
}

void TVcCustomTable::RepaintSelectionChange(LongInt OldRow, LongInt OldCol, LongInt NewRow,
                                            LongInt NewCol) {
    const LongInt anchorRow = selection_->AnchorRow();
    const LongInt anchorCol = selection_->AnchorCol();
    const auto inside = [&](LongInt r, LongInt c, LongInt toRow, LongInt toCol) {
        return r >= IntMin(anchorRow, toRow) && r <= IntMax(anchorRow, toRow) &&
               c >= IntMin(anchorCol, toCol) && c <= IntMax(anchorCol, toCol);
    };
    TRedrawLock lock(*this);
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r)
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c) {
            const LongInt row = visRows_[r].Num;
            const LongInt col = visCols_[c].Num;
            if (inside(row, col, OldRow, OldCol) != inside(row, col, NewRow, NewCol))
                InvalidateCell(row, col);
        }
    InvalidateCell(activeRow_, activeCol_);
}

// =============================================================================================
// Mouse

bool TVcCustomTable::FindSizingEdge(int X, int Y, TMouseTrack& Mode, LongInt& Num) const {
    const bool anyResize = Designing();
    if (X < LockedRight() && (anyResize || !options_.Contains(otoNoRowResizing))) {
        for (std::size_t i = 0; i + 1 < visRows_.size(); ++i)
            if (std::abs(Y - visRows_[i + 1].Offset) <= EdgeGrab) {
                Mode = dmSizeRow;
                Num = visRows_[i].Num;
                return true;
            }
    } else if (Y < LockedBottom() && (anyResize || !options_.Contains(otoNoColResizing))) {
        for (std::size_t i = 0; i + 1 < visCols_.size(); ++i)
            if (std::abs(X - visCols_[i + 1].Offset) <= EdgeGrab) {
                Mode = dmSizeCol;
                Num = visCols_[i].Num;
                return true;
            }
    }
    return false;
}

bool TVcCustomTable::FindMovable(int X, int Y, TMouseTrack& Mode, LongInt& Num) const {
    LongInt row = 0;
    LongInt col = 0;
    if (!CellAt(X, Y, row, col)) return false;
    if (row < lockedRows_ && col >= lockedCols_ &&
        (Designing() || options_.Contains(otoAllowColMoves))) {
        Mode = dmMoveCol;
        Num = col;
        return true;
    }
    if (col < lockedCols_ && row >= lockedRows_ &&
        (Designing() || options_.Contains(otoAllowRowMoves))) {
        Mode = dmMoveRow;
        Num = row;
        return true;
    }
    return false;
}

void TVcCustomTable::UpdateCursor(int X, int Y) {
    TCursor cursor = crDefault;
    TMouseTrack mode = dmNone;
    LongInt num = 0;
    if ((focused_ || Focused()) && !IsEditing()) {
        if (FindSizingEdge(X, Y, mode, num))
            cursor = mode == dmSizeRow ? crSizeNS : crSizeWE;
        else if (FindMovable(X, Y, mode, num))
            cursor = crDrag;
    }
    if (Cursor() != cursor) SetCursor(cursor);
}

int TVcCustomTable::FeedbackPosition(int Mouse) const {
    const TVisList& list = drag_ == dmSizeCol ? visCols_ : visRows_;
    const int i = IndexOf(list, dragNum_);
    const int start = i >= 0 ? list[static_cast<std::size_t>(i)].Offset : 0;
    return std::max(Mouse, start + MinExtent);
}

void TVcCustomTable::DrawFeedbackLine(int Position) {
    if (Position < 0) return;
    const bool vertical = drag_ == dmSizeCol || drag_ == dmMoveCol;
    const bool moving = drag_ == dmMoveCol || drag_ == dmMoveRow;
    DrawOnWindow([&](TCanvas* canvas) {
        canvas->Pen()->SetColor(moving ? clWhite : clBlack);
        canvas->Pen()->SetMode(moving ? pmXor : pmNotXor);
        canvas->Pen()->SetStyle(moving ? psSolid : psDot);
        canvas->Pen()->SetWidth(moving ? 3 : 1);
        if (vertical)
            canvas->Polyline({{Position, 0}, {Position, ClientHeight()}});
        else
            canvas->Polyline({{0, Position}, {ClientWidth(), Position}});
    });
}

LongInt TVcCustomTable::MoveTarget(int X, int Y) const {
    const bool cols = drag_ == dmMoveCol;
    const TVisList& list = cols ? visCols_ : visRows_;
    const LongInt locked = cols ? lockedCols_ : lockedRows_;
    const int p = cols ? X : Y;
    LongInt target = -1;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        if (list[i].Num < locked) continue;
        if (target < 0 || p >= list[i].Offset) target = list[i].Num;
    }
    return target;
}

void TVcCustomTable::WMLButtonDown(TWMMouse& Message) {
    TVcTableAncestor::WMLButtonDown(Message);
    if (!Focused() && !EditorHasFocus()) {
        if (CanFocus()) SetFocus();
        return;
    }
    const int x = Message.XPos;
    const int y = Message.YPos;
    TMouseTrack mode = dmNone;
    LongInt num = 0;
    if (FindSizingEdge(x, y, mode, num) || FindMovable(x, y, mode, num)) {
        if (!StopEditing(true)) return;
        drag_ = mode;
        dragNum_ = num;
        SetCapture(Handle());
        if (mode == dmSizeCol || mode == dmSizeRow) {
            dragLine_ = FeedbackPosition(mode == dmSizeCol ? x : y);
        } else {
            moveTarget_ = num;
            const TVisList& list = mode == dmMoveCol ? visCols_ : visRows_;
            dragLine_ = list[static_cast<std::size_t>(IndexOf(list, num))].Offset;
        }
        DrawFeedbackLine(dragLine_);
        return;
    }
    LongInt row = 0;
    LongInt col = 0;
    if (!CellAt(x, y, row, col)) return;
    if (IsLocked(row, col))
        ClickLocked(row, col);
    else
        ClickCell(Message, row, col);
}

void TVcCustomTable::ClickCell(const TWMMouse& Message, LongInt RowNum, LongInt ColNum) {
    const bool ctrl = (Message.Keys & MK_CONTROL) != 0;
    const bool shift = (Message.Keys & MK_SHIFT) != 0;
    const bool plain = !ctrl && !shift;
    const WPARAM keys = static_cast<WPARAM>(Message.Keys);
    const LPARAM point = PointParam(Message.XPos, Message.YPos);
    const auto startEditing = [&] {
        if (options_.Contains(otoAlwaysEditing)) return;
        PostMessage(Handle(), ctim_StartEdit, 0, 0);
        PostMessage(Handle(), ctim_StartEditMouse, keys, point);
    };
    TRedrawLock lock(*this);
    LongInt row = RowNum;
    LongInt col = ColNum;
    DoActiveCellMoving(ccMouseDown, row, col);
    const bool onActive = row == activeRow_ && col == activeCol_;
    if (options_.Contains(otoNoSelection)) {
        if (onActive && plain)
            startEditing();
        else if (!onActive)
            SetActiveCell(row, col);
        return;
    }
    if (onActive && plain && !IsEditing()) {
        startEditing();
        return;
    }
    if (!onActive && IsEditing() && !StopEditing(true)) return;
    ctrlDrag_ = ctrl;
    if (shift) {
        ExtendTo(row, col, ctrl);
    } else if (ctrl) {
        const bool selected = IsCellSelected(row, col);
        selection_->StartSelection(row, col, true);
        dragSelects_ = !selected;
        if (selected)
            selection_->DeselectArea(row, col, row, col);
        else
            selection_->SelectArea(row, col, row, col);
        InvalidateCell(row, col);
    } else {
        ClearSelection();
        dragSelects_ = true;
        selection_->StartSelection(row, col, false);
    }
    if (!shift && options_.Contains(otoMouseDragSelect)) {
        drag_ = dmSelecting;
        SetCapture(Handle());
    }
    SetActiveCell(row, col);
}

void TVcCustomTable::ClickLocked(LongInt RowNum, LongInt ColNum) {
    if (options_.Contains(otoNoSelection)) {
        DoLockedCellClick(RowNum, ColNum);
        return;
    }
    if (!StopEditing(true)) return;
    const bool inLockedCols = ColNum < lockedCols_;
    const bool inLockedRows = RowNum < lockedRows_;
    if (inLockedCols && inLockedRows) {
        if (options_.Contains(otoRowSelection) && options_.Contains(otoColSelection)) SelectAll();
    } else if (inLockedCols && options_.Contains(otoRowSelection)) {
        SelectRow(RowNum);
    } else if (inLockedRows && options_.Contains(otoColSelection)) {
        SelectColumn(ColNum);
    }
}

void TVcCustomTable::DragSelect(int X, int Y) {
    // Beyond the cells the nearest unlocked visible row (column) counts: the first one above
    // (left) and in the locked band, the last of the table below (right).
    const auto along = [](const TVisList& list, int p, int lockedEnd, LongInt first, LongInt last) {
        if (p < lockedEnd) return first;
        for (std::size_t i = 0; i + 1 < list.size(); ++i)
            if (p >= list[i].Offset && p < list[i + 1].Offset) return list[i].Num;
        return last;
    };
    LongInt row = along(visRows_, Y, LockedBottom(), topRow_, SkipHiddenRow(RowLimit() - 1));
    LongInt col = along(visCols_, X, LockedRight(), leftCol_, SkipHiddenCol(ColCount() - 1));
    DoActiveCellMoving(ccMouseDrag, row, col);
    if (row == activeRow_ && col == activeCol_) return;
    TRedrawLock lock(*this);
    ExtendTo(row, col, ctrlDrag_);
    SetActiveCell(row, col);
}

void TVcCustomTable::WMMouseMove(TWMMouse& Message) {
    TVcTableAncestor::WMMouseMove(Message);
    const int x = Message.XPos;
    const int y = Message.YPos;
    switch (drag_) {
    case dmSelecting: DragSelect(x, y); break;
    case dmSizeCol:
    case dmSizeRow: {
        const int line = FeedbackPosition(drag_ == dmSizeCol ? x : y);
        if (line == dragLine_) break;
        DrawFeedbackLine(dragLine_);
        dragLine_ = line;
        DrawFeedbackLine(dragLine_);
        break;
    }
    case dmMoveCol:
    case dmMoveRow: {
        const LongInt target = MoveTarget(x, y);
        if (target < 0 || target == moveTarget_) break;
        const TVisList& list = drag_ == dmMoveCol ? visCols_ : visRows_;
        DrawFeedbackLine(dragLine_);
        moveTarget_ = target;
        dragLine_ = list[static_cast<std::size_t>(IndexOf(list, target))].Offset;
        DrawFeedbackLine(dragLine_);
        break;
    }
    case dmNone: UpdateCursor(x, y); break;
    }
}

void TVcCustomTable::FinishSizing() {
    DrawFeedbackLine(dragLine_);
    const TVisList& list = drag_ == dmSizeCol ? visCols_ : visRows_;
    const int i = IndexOf(list, dragNum_);
    const int start = i >= 0 ? list[static_cast<std::size_t>(i)].Offset : 0;
    const int extent = std::max(MinExtent, dragLine_ - start);
    TRedrawLock lock(*this);
    if (drag_ == dmSizeCol)
        columns_->Items(dragNum_)->SetWidth(extent);
    else
        rows_->SetRowHeight(dragNum_, extent);
    InvalidateTable();
}

void TVcCustomTable::FinishMoving() {
    DrawFeedbackLine(dragLine_);
    const bool cols = drag_ == dmMoveCol;
    LongInt source = dragNum_;
    const LongInt target = moveTarget_;
    if (target < 0 || target == source) return;
    TRedrawLock lock(*this);
    const int step = target > source ? 1 : -1;
    for (; source != target; source += step) {
        if (cols)
            columns_->Exchange(source, source + step);
        else
            rows_->Exchange(source, source + step);
    }
    if (cols && (activeCol_ == dragNum_ || activeCol_ == target)) SetActiveCol(target);
    if (!cols && (activeRow_ == dragNum_ || activeRow_ == target)) SetActiveRow(target);
    InvalidateTable();
}

void TVcCustomTable::WMLButtonUp(TWMMouse& Message) {
    TVcTableAncestor::WMLButtonUp(Message);
    const TMouseTrack mode = drag_;
    drag_ = dmNone;
    if (mode != dmNone) ReleaseCapture();
    drag_ = mode;
    if (mode == dmSizeCol || mode == dmSizeRow) FinishSizing();
    if (mode == dmMoveCol || mode == dmMoveRow) FinishMoving();
    drag_ = dmNone;
    dragLine_ = -1;
}

// =============================================================================================
// Dispatchers

void TVcCustomTable::DoActiveCellChanged(LongInt RowNum, LongInt ColNum) {
    if (Loading() || GoingAway()) return;
    CallEvent(OnActiveCellChanged, this, RowNum, ColNum);
}

void TVcCustomTable::DoActiveCellMoving(Word Command, LongInt& RowNum, LongInt& ColNum) {
    CallEvent(OnActiveCellMoving, this, Command, RowNum, ColNum);
    if (IsEditing() && (RowNum != activeRow_ || ColNum != activeCol_) && !StopEditing(true)) {
        RowNum = activeRow_;
        ColNum = activeCol_;
    }
}

bool TVcCustomTable::DoBeginEdit(LongInt RowNum, LongInt ColNum) {
    if (Loading() || GoingAway()) return false;
    bool allow = true;
    CallEvent(OnBeginEdit, this, RowNum, ColNum, allow);
    return allow;
}

void TVcCustomTable::DoClipboardCopy() {
    CallEvent(OnClipboardCopy, this);
}

void TVcCustomTable::DoClipboardCut() {
    CallEvent(OnClipboardCut, this);
}

void TVcCustomTable::DoClipboardPaste() {
    CallEvent(OnClipboardPaste, this);
}

void TVcCustomTable::DoColumnsChanged(LongInt ColNum1, LongInt ColNum2, TVcTblActions Action) {
    for (int i = 0; i < CellCount(); ++i)
        if (auto* heading = dynamic_cast<TVcTCColHead*>(Cells(i)))
            heading->AdjustHeadings(ColNum1, ColNum2, Action);
    CallEvent(OnColumnsChanged, this, ColNum1, ColNum2, Action);
}

void TVcCustomTable::DoDoneEdit(LongInt RowNum, LongInt ColNum) {
    CallEvent(OnDoneEdit, this, RowNum, ColNum);
}

bool TVcCustomTable::DoEndEdit(TVcBaseTableCell* Cell, LongInt RowNum, LongInt ColNum) {
    if (Loading() || GoingAway()) return false;
    bool allow = true;
    CallEvent(OnEndEdit, this, Cell, RowNum, ColNum, allow);
    return allow;
}

void TVcCustomTable::DoEnteringColumn(LongInt ColNum) {
    if (ColNum == lastEnteredCol_) return;
    lastEnteredCol_ = ColNum;
    CallEvent(OnEnteringColumn, this, ColNum);
}

void TVcCustomTable::DoEnteringRow(LongInt RowNum) {
    if (RowNum == lastEnteredRow_) return;
    lastEnteredRow_ = RowNum;
    CallEvent(OnEnteringRow, this, RowNum);
}

void TVcCustomTable::DoGetCellAttributes(LongInt RowNum, LongInt ColNum,
                                         TVcCellAttributes& CellAttr) {
    CallEvent(OnGetCellAttributes, this, RowNum, ColNum, CellAttr);
}

void TVcCustomTable::DoGetCellData(LongInt RowNum, LongInt ColNum, void*& Data,
                                   TVcCellDataPurpose Purpose) {
    Data = nullptr;
    CallEvent(OnGetCellData, this, RowNum, ColNum, Data, Purpose);
}

void TVcCustomTable::DoLeavingColumn(LongInt ColNum) {
    CallEvent(OnLeavingColumn, this, ColNum);
}

void TVcCustomTable::DoLeavingRow(LongInt RowNum) {
    CallEvent(OnLeavingRow, this, RowNum);
}

void TVcCustomTable::DoLockedCellClick(LongInt RowNum, LongInt ColNum) {
    CallEvent(OnLockedCellClick, this, RowNum, ColNum);
}

void TVcCustomTable::DoPaintUnusedArea() {
    CallEvent(onPaintUnusedArea_, this);
}

void TVcCustomTable::DoRowsChanged(LongInt RowNum1, LongInt RowNum2, TVcTblActions Action) {
    CallEvent(OnRowsChanged, this, RowNum1, RowNum2, Action);
}

void TVcCustomTable::DoSizeCellEditor(LongInt RowNum, LongInt ColNum, TRect& CellRect,
                                      TVcTblEditorStyle& CellStyle) {
    CallEvent(OnSizeCellEditor, this, RowNum, ColNum, CellRect, CellStyle);
}

void TVcCustomTable::DoTopLeftCellChanged(LongInt RowNum, LongInt ColNum) {
    CallEvent(OnTopLeftCellChanged, this, RowNum, ColNum);
}

void TVcCustomTable::DoTopLeftCellChanging(LongInt& RowNum, LongInt& ColNum) {
    CallEvent(OnTopLeftCellChanging, this, RowNum, ColNum);
}

void TVcCustomTable::DoUserCommand(Word Command) {
    CallEvent(OnUserCommand, this, Command);
}
