#include "controls/table/TableCore.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/MessageTables.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <utility>

// =============================================================================================
// TVcSparseArray

TVcSparseArray::TVcSparseArray() {
    pages_.reserve(4);
}

TVcSparseArray::~TVcSparseArray() = default;

void TVcSparseArray::CheckIndex(LongInt Index) {
    if (Index < 0 || Index > MaxIndex) throw ESAEOutOfBounds();
}

int TVcSparseArray::FindPage(Word Number, int* Insertion) const {
    int low = 0;
    int high = static_cast<int>(pages_.size()) - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const Word here = pages_[static_cast<std::size_t>(middle)].Number;
        if (here == Number) return middle;
        if (here > Number)
            high = middle - 1;
        else
            low = middle + 1;
    }
    if (Insertion) *Insertion = low;
    return -1;
}

std::array<void*, TVcSparseArray::PageSize>& TVcSparseArray::MakePage(Word Number) {
    int at = 0;
    const int found = FindPage(Number, &at);
    if (found >= 0) return *pages_[static_cast<std::size_t>(found)].Slots;
    // The directory grows by four entries at a time; 10000 pages cover every index.
    if (pages_.size() == pages_.capacity()) pages_.reserve(pages_.capacity() + 4);
    TPage page;
    page.Number = Number;
    page.Slots = std::make_unique<std::array<void*, PageSize>>();
    page.Slots->fill(nullptr);
    auto it = pages_.insert(pages_.begin() + at, std::move(page));
    return *it->Slots;
}

void* TVcSparseArray::Get(LongInt Index) const {
    CheckIndex(Index);
    const int page = FindPage(static_cast<Word>(Index / PageSize));
    if (page < 0) return nullptr;
    return (
        *pages_[static_cast<std::size_t>(page)].Slots)[static_cast<std::size_t>(Index % PageSize)];
}

void TVcSparseArray::StoreItem(LongInt Index, void* Item) {
    const Word number = static_cast<Word>(Index / PageSize);
    const auto slot = static_cast<std::size_t>(Index % PageSize);
    if (Item) {
        MakePage(number)[slot] = Item;
    } else if (const int page = FindPage(number); page >= 0) {
        (*pages_[static_cast<std::size_t>(page)].Slots)[slot] = nullptr;
    }
}

void TVcSparseArray::RecomputeCount() {
    count_ = ForAll([](LongInt, void*, void*) { return false; }, true, nullptr) + 1;
}

void TVcSparseArray::Put(LongInt Index, void* Item) {
    CheckIndex(Index);
    StoreItem(Index, Item);
    if (!Item) Squeeze();
    RecomputeCount();
}

void TVcSparseArray::Renumber(const std::function<LongInt(LongInt)>& Map, LongInt Dropped) {
    std::vector<std::pair<LongInt, void*>> items;
    ForAll(
        [&](LongInt index, void* item, void*) {
            if (index != Dropped) items.emplace_back(Map(index), item);
            return true;
        },
        false, nullptr);
    for (TPage& page : pages_)
        page.Slots->fill(nullptr);
    for (const auto& [index, item] : items)
        StoreItem(index, item);
    Squeeze();
}

void TVcSparseArray::Insert(LongInt Index, void* Item) {
    CheckIndex(Index);
    if (count_ > MaxIndex) throw ESAEAtMaxSize();
    if (Index >= count_) {
        Put(Index, Item);
        return;
    }
    // Every item at Index and above moves up one, whatever gaps lie between their pages.
    Renumber([Index](LongInt i) { return i >= Index ? i + 1 : i; }, -1);
    StoreItem(Index, Item);
    RecomputeCount();
}

void TVcSparseArray::Delete(LongInt Index) {
    CheckIndex(Index);
    if (Index >= count_) return;
    Renumber([Index](LongInt i) { return i > Index ? i - 1 : i; }, Index);
    RecomputeCount();
}

void TVcSparseArray::Exchange(LongInt Index1, LongInt Index2) {
    if (Index1 == Index2) return;
    CheckIndex(Index1);
    CheckIndex(Index2);
    void* first = Get(Index1);
    void* second = Get(Index2);
    Put(Index1, second);
    Put(Index2, first);
}

LongInt TVcSparseArray::ForAll(const TAction& Action, bool Backwards, void* ExtraData) const {
    const int pages = static_cast<int>(pages_.size());
    for (int p = 0; p < pages; ++p) {
        const TPage& page = pages_[static_cast<std::size_t>(Backwards ? pages - 1 - p : p)];
        for (int s = 0; s < PageSize; ++s) {
            const int slot = Backwards ? PageSize - 1 - s : s;
            void* item = (*page.Slots)[static_cast<std::size_t>(slot)];
            if (!item) continue;
            const LongInt index = static_cast<LongInt>(page.Number) * PageSize + slot;
            if (!Action(index, item, ExtraData)) return index;
        }
    }
    return -1;
}

LongInt TVcSparseArray::ActiveCount() const {
    LongInt n = 0;
    ForAll(
        [&n](LongInt, void*, void*) {
            ++n;
            return true;
        },
        true, nullptr);
    return n;
}

void TVcSparseArray::Squeeze() {
    std::erase_if(pages_, [](const TPage& page) {
        return std::all_of(page.Slots->begin(), page.Slots->end(),
                           [](void* item) { return item == nullptr; });
    });
}

void TVcSparseArray::Clear() {
    pages_.clear();
    count_ = 0;
}

// =============================================================================================
// TVcCellArray

void TVcCellArray::AddCell(LongInt Row, LongInt Col) {
    if (cells_.size() == cells_.capacity()) cells_.reserve(cells_.capacity() + Growth);
    const TVcCellAddr cell{Row, Col};
    const auto it = std::lower_bound(cells_.begin(), cells_.end(), cell);
    if (it != cells_.end() && *it == cell) return;
    cells_.insert(it, cell);
}

bool TVcCellArray::DeleteCell(LongInt Row, LongInt Col) {
    const TVcCellAddr cell{Row, Col};
    const auto it = std::lower_bound(cells_.begin(), cells_.end(), cell);
    if (it == cells_.end() || !(*it == cell)) return false;
    cells_.erase(it);
    return true;
}

void TVcCellArray::Merge(const TVcCellArray& Other) {
    everything_ = everything_ || Other.everything_;
    if (cells_.empty() && Other.cells_.empty()) return;
    std::vector<TVcCellAddr> merged;
    const std::size_t want = cells_.size() + Other.cells_.size();
    merged.reserve((want + Growth - 1) / Growth * Growth);
    std::set_union(cells_.begin(), cells_.end(), Other.cells_.begin(), Other.cells_.end(),
                   std::back_inserter(merged));
    cells_ = std::move(merged);
}

void TVcCellArray::Clear() {
    cells_.clear();
    everything_ = false;
}

TVcCellAddr TVcCellArray::GetCellAddr(int Index) const {
    if (Index < 0 || Index >= Count()) return {};
    return cells_[static_cast<std::size_t>(Index)];
}

// =============================================================================================
// TVcSelectionList

TVcSelectionList::TVcSelectionList(LongInt RowCount, LongInt ColCount) {
    SetRowCount(RowCount);
    SetColCount(ColCount);
}

void TVcSelectionList::SetRowCount(LongInt N) {
    if (N < 0) return;
    rowCount_ = N;
    // Runs beyond the new last row go; a run across it is cut there.
    for (LongInt c = 0; c < ColCount(); ++c)
        if (columns_[static_cast<std::size_t>(c)]) RemoveRuns(c, N, IntMax(N, LongInt{319999}));
    if (!Inside(anchorRow_, anchorCol_) || !Inside(actionRow_, actionCol_)) {
        anchorRow_ = actionRow_ = IntMax(0, IntMin(anchorRow_, N - 1));
        noPending_ = true;
    }
}

void TVcSelectionList::SetColCount(LongInt N) {
    if (N < 0) return;
    for (LongInt c = N; c < ColCount(); ++c)
        if (columns_[static_cast<std::size_t>(c)]) --listCount_;
    columns_.resize(static_cast<std::size_t>(N));
    if (!Inside(anchorRow_, anchorCol_) || !Inside(actionRow_, actionCol_)) {
        anchorCol_ = actionCol_ = IntMax(0, IntMin(anchorCol_, N - 1));
        noPending_ = true;
    }
}

void TVcSelectionList::Clear() {
    for (auto& list : columns_)
        list.reset();
    listCount_ = 0;
    noPending_ = true;
}

void TVcSelectionList::SelectAll() {
    for (auto& list : columns_)
        list = std::make_unique<TRunList>(TRunList{{0, rowCount_ - 1}});
    listCount_ = ColCount();
    noPending_ = true;
}

bool TVcSelectionList::Inside(LongInt RowNum, LongInt ColNum) const {
    return RowNum >= 0 && RowNum < rowCount_ && ColNum >= 0 && ColNum < ColCount();
}

void TVcSelectionList::ApplyArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2,
                                 bool Select) {
    if (!Inside(RowNum1, ColNum1) || !Inside(RowNum2, ColNum2)) return;
    const LongInt first = IntMin(RowNum1, RowNum2);
    const LongInt last = IntMax(RowNum1, RowNum2);
    for (LongInt c = IntMin(ColNum1, ColNum2); c <= IntMax(ColNum1, ColNum2); ++c) {
        if (Select)
            AddRuns(c, first, last);
        else
            RemoveRuns(c, first, last);
    }
}

void TVcSelectionList::SelectArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2,
                                  LongInt ColNum2) {
    ApplyArea(RowNum1, ColNum1, RowNum2, ColNum2, true);
}

void TVcSelectionList::DeselectArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2,
                                    LongInt ColNum2) {
    ApplyArea(RowNum1, ColNum1, RowNum2, ColNum2, false);
}

void TVcSelectionList::AddRuns(LongInt Col, LongInt First, LongInt Last) {
    auto& slot = columns_[static_cast<std::size_t>(Col)];
    if (!slot) {
        slot = std::make_unique<TRunList>(TRunList{{First, Last}});
        ++listCount_;
        return;
    }
    TRunList& runs = *slot;
    if (runs.size() == runs.capacity()) runs.reserve(runs.capacity() + 16);
    auto at = std::upper_bound(runs.begin(), runs.end(), First,
                               [](LongInt first, const TRun& run) { return first < run.First; });
    auto it = runs.insert(at, TRun{First, Last});
    // Merge with the run before and every later run that overlaps or touches.
    if (it != runs.begin() && std::prev(it)->Last + 1 >= it->First) {
        std::prev(it)->Last = IntMax(std::prev(it)->Last, it->Last);
        it = std::prev(runs.erase(it));
    }
    auto next = std::next(it);
    while (next != runs.end() && next->First <= it->Last + 1) {
        it->Last = IntMax(it->Last, next->Last);
        next = runs.erase(next);
        it = std::prev(next);
    }
}

void TVcSelectionList::RemoveRuns(LongInt Col, LongInt First, LongInt Last) {
    auto& slot = columns_[static_cast<std::size_t>(Col)];
    if (!slot) return;
    TRunList kept;
    for (const TRun& run : *slot) {
        if (run.Last < First || run.First > Last) {
            kept.push_back(run);
            continue;
        }
        if (run.First < First) kept.push_back({run.First, First - 1});
        if (run.Last > Last) kept.push_back({Last + 1, run.Last});
    }
    if (kept.empty()) {
        slot.reset();
        --listCount_;
    } else {
        *slot = std::move(kept);
    }
}

void TVcSelectionList::CommitPending() {
    if (noPending_) return;
    ApplyArea(lowRow_, lowCol_, highRow_, highCol_, pendingSelects_);
    noPending_ = true;
}

void TVcSelectionList::StartSelection(LongInt RowNum, LongInt ColNum, bool KeepExisting) {
    if (!Inside(RowNum, ColNum)) return;
    if (KeepExisting)
        CommitPending();
    else
        Clear();
    anchorRow_ = actionRow_ = RowNum;
    anchorCol_ = actionCol_ = ColNum;
    noPending_ = true;
}

void TVcSelectionList::ExtendSelection(LongInt RowNum, LongInt ColNum, bool Select) {
    if (!Inside(RowNum, ColNum)) return;
    actionRow_ = RowNum;
    actionCol_ = ColNum;
    pendingSelects_ = Select;
    noPending_ = actionRow_ == anchorRow_ && actionCol_ == anchorCol_;
    lowRow_ = IntMin(anchorRow_, actionRow_);
    highRow_ = IntMax(anchorRow_, actionRow_);
    lowCol_ = IntMin(anchorCol_, actionCol_);
    highCol_ = IntMax(anchorCol_, actionCol_);
}

void TVcSelectionList::SetAnchor(LongInt RowNum, LongInt ColNum) {
    anchorRow_ = actionRow_ = IntMax(0, IntMin(RowNum, rowCount_ - 1));
    anchorCol_ = actionCol_ = IntMax(0, IntMin(ColNum, ColCount() - 1));
    noPending_ = true;
}

bool TVcSelectionList::IsCellSelected(LongInt RowNum, LongInt ColNum) const {
    if (!Inside(RowNum, ColNum)) return false;
    if (!noPending_ && RowNum >= lowRow_ && RowNum <= highRow_ && ColNum >= lowCol_ &&
        ColNum <= highCol_)
        return pendingSelects_;
    const auto& slot = columns_[static_cast<std::size_t>(ColNum)];
    if (!slot) return false;
    const auto it = std::upper_bound(slot->begin(), slot->end(), RowNum,
                                     [](LongInt row, const TRun& run) { return row < run.First; });
    return it != slot->begin() && std::prev(it)->Last >= RowNum;
}

void TVcSelectionList::Iterate(const TAction& Action, void* ExtraData) {
    CommitPending();
    for (LongInt c = 0; c < ColCount(); ++c) {
        const auto& slot = columns_[static_cast<std::size_t>(c)];
        if (!slot) continue;
        for (const TRun& run : *slot)
            if (!Action(run.First, c, run.Last, c, ExtraData)) return;
    }
}

std::vector<TVcSelectionList::TRun> TVcSelectionList::Runs(LongInt ColNum) const {
    if (ColNum < 0 || ColNum >= ColCount() || !columns_[static_cast<std::size_t>(ColNum)])
        return {};
    return *columns_[static_cast<std::size_t>(ColNum)];
}

// =============================================================================================
// TVcBaseTableCell

TVcBaseTableCell::TVcBaseTableCell(TComponent* AOwner) : TVcTableCellAncestor(AOwner) {
    font_.OnChange = [this](TObject*) { FontChanged(); };
}

TVcBaseTableCell::~TVcBaseTableCell() {
    font_.OnChange = nullptr;
    // The table forgets every use of the cell while it is still whole.
    if (table_) table_->Perform(ctim_RemoveCell, 0, reinterpret_cast<LPARAM>(this));
}

void TVcBaseTableCell::FontChanged() {
    if (fetchingFont_) return;
    tableFont_ = false;
    DoCellChanged();
}

TColor TVcBaseTableCell::Color() {
    if (tableColor_ && colorPending_) FetchTableColor();
    return color_;
}

void TVcBaseTableCell::SetColor(TColor Value) {
    tableColor_ = false;
    Change(color_, Value);
}

TFont* TVcBaseTableCell::Font() {
    if (tableFont_ && fontPending_) FetchTableFont();
    return &font_;
}

void TVcBaseTableCell::SetFont(TFont* Value) {
    font_.Assign(Value);
    tableFont_ = false;
}

void TVcBaseTableCell::SetMargin(int Value) {
    if (Value >= 0) Change(margin_, Value);
}

void TVcBaseTableCell::SetTextHiColor(TColor Value) {
    Change(textHiColor_, Value);
}

void TVcBaseTableCell::SetAccess(TVcTblAccess Value) {
    Change(access_, Value);
}

void TVcBaseTableCell::SetAdjust(TVcTblAdjust Value) {
    Change(adjust_, Value);
}

void TVcBaseTableCell::SetShowHint(bool Value) {
    Change(showHint_, Value);
}

void TVcBaseTableCell::SetTextStyle(TVcTextStyle Value) {
    Change(textStyle_, Value);
}

void TVcBaseTableCell::SetTableColor(bool Value) {
    if (tableColor_ == Value) return;
    tableColor_ = Value;
    if (Value) FetchTableColor();
    DoCellChanged();
}

void TVcBaseTableCell::SetTableFont(bool Value) {
    if (tableFont_ == Value) return;
    tableFont_ = Value;
    if (Value) FetchTableFont();
    DoCellChanged();
}

void TVcBaseTableCell::FetchTableColor() {
    colorPending_ = !table_ || !table_->HandleAllocated();
    if (!colorPending_) color_ = TableColorValue();
}

void TVcBaseTableCell::FetchTableFont() {
    fontPending_ = !table_ || !table_->HandleAllocated();
    if (fontPending_) return;
    if (TFont* font = TableFontValue()) {
        fetchingFont_ = true;
        font_.Assign(font);
        fetchingFont_ = false;
    }
}

void TVcBaseTableCell::ApplyPending() {
    if (!table_) return;
    if (tableFont_) FetchTableFont();
    if (tableColor_) FetchTableColor();
}

void TVcBaseTableCell::IncRefs() {
    if (refs_ == 0 && table_) table_->IncludeCell(this);
    ++refs_;
}

void TVcBaseTableCell::DecRefs() {
    if (refs_ == 0) return;
    if (--refs_ > 0) return;
    if (table_) {
        table_->RemoveFreeNotification(this);
        table_->ExcludeCell(this);
    }
    table_ = nullptr;
}

void TVcBaseTableCell::SetTable(TVcTableAncestor* Value) {
    if (table_ == Value) return;
    if (table_) {
        if (table_->HandleAllocated())
            table_->Perform(ctim_RemoveCell, 0, reinterpret_cast<LPARAM>(this));
        table_->ExcludeCell(this);
    }
    table_ = Value;
    refs_ = 0;
    if (table_) {
        table_->FreeNotification(this);
        colorPending_ = tableColor_;
        fontPending_ = tableFont_;
    }
    ApplyPending();
}

void TVcBaseTableCell::Notification(TComponent* AComponent, TOperation Operation) {
    TVcTableCellAncestor::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == table_) {
        table_ = nullptr;
        refs_ = 0;
    }
}

void TVcBaseTableCell::ChangeScale(int M, int D) {
    if (!tableFont_ && M != D && D != 0) font_.SetSize(MulDiv(font_.Size(), M, D));
}

void TVcBaseTableCell::Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt, LongInt,
                             const TVcCellAttributes& CellAttr, void*) {
    TableCanvas->Brush()->SetStyle(bsSolid);
    TableCanvas->Brush()->SetColor(CellAttr.Color);
    TableCanvas->FillRect(CellRect);
}

bool TVcBaseTableCell::CanSaveEditedData(bool) {
    return true;
}

Byte TVcBaseTableCell::FilterTableKey(const TWMKey& Msg) {
    TVcTableServices* services = Services();
    return services ? services->TranslateTableKey(Msg) : 0;
}

bool TVcBaseTableCell::DoOwnerDraw(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum,
                                   LongInt ColNum, const TVcCellAttributes& CellAttr, void* Data) {
    bool done = false;
    CallEvent(OnOwnerDraw, this, TableCanvas, CellRect, RowNum, ColNum, CellAttr, Data, done);
    return done;
}

void TVcBaseTableCell::Draw(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum,
                            LongInt ColNum, const TVcCellAttributes& CellAttr, void* Data) {
    if (!DoOwnerDraw(TableCanvas, CellRect, RowNum, ColNum, CellAttr, Data))
        Paint(TableCanvas, CellRect, RowNum, ColNum, CellAttr, Data);
}

void TVcBaseTableCell::ResolveAttributes(LongInt RowNum, LongInt ColNum,
                                         TVcCellAttributes& CellAttr) {
    CellAttr.Access = access_;
    CellAttr.Adjust = adjust_;
    CellAttr.Color = Color();
    if (CellAttr.Font) CellAttr.Font->Assign(Font());
    CellAttr.FontColor = Font()->Color();
    CellAttr.FontHiColor = textHiColor_;
    CellAttr.TextStyle = textStyle_;
    if (TVcTableServices* services = Services())
        services->RefineCellAttributes(RowNum, ColNum, CellAttr);
    if (CellAttr.Access == otxDefault) CellAttr.Access = otxNormal;
    if (CellAttr.Adjust == otaDefault) CellAttr.Adjust = otaCenterLeft;
    if (CellAttr.Color == clVcCellNone) CellAttr.Color = clBtnFace;
}

LRESULT TVcBaseTableCell::AskTable(UINT Msg) const {
    if (!table_ || !table_->HandleAllocated()) return 0;
    return table_->Perform(Msg, 0, 0);
}

TColor TVcBaseTableCell::TableColorValue() const {
    return static_cast<TColor>(AskTable(ctim_QueryColor));
}

TFont* TVcBaseTableCell::TableFontValue() const {
    return reinterpret_cast<TFont*>(AskTable(ctim_QueryFont));
}

LongInt TVcBaseTableCell::TableLockedCols() const {
    return static_cast<LongInt>(AskTable(ctim_QueryLockedCols));
}

LongInt TVcBaseTableCell::TableActiveCol() const {
    if (!table_ || !table_->HandleAllocated()) return -1;
    return static_cast<LongInt>(AskTable(ctim_QueryActiveCol));
}

TVcTblOptionSet TVcBaseTableCell::TableOptions() const {
    TVcTblOptionSet options;
    const auto bits = static_cast<unsigned>(AskTable(ctim_QueryOptions));
    for (int o = otoBrowseRow; o <= otoAllowRowMoves; ++o)
        if (bits & (1u << o)) options.Include(static_cast<TVcTblOption>(o));
    return options;
}

void TVcBaseTableCell::PostKeyToTable(const TWMKey& Msg) const {
    if (table_ && table_->HandleAllocated())
        PostMessage(table_->Handle(), WM_KEYDOWN, Msg.CharCode, Msg.KeyData);
}

void TVcBaseTableCell::CopyEventsTo(TWinControl* Editor) const {
    Editor->OnClick = OnClick;
    Editor->OnDblClick = OnDblClick;
    Editor->OnEnter = OnEnter;
    Editor->OnExit = OnExit;
    Editor->OnKeyDown = OnKeyDown;
    Editor->OnKeyPress = OnKeyPress;
    Editor->OnKeyUp = OnKeyUp;
    Editor->OnMouseDown = OnMouseDown;
    Editor->OnMouseMove = OnMouseMove;
    Editor->OnMouseUp = OnMouseUp;
    Editor->OnDragDrop = OnDragDrop;
    Editor->OnDragOver = OnDragOver;
    Editor->OnEndDrag = OnEndDrag;
}

// =============================================================================================
// TVcTableCells

TVcTableCells::TVcTableCells() = default;

TVcTableCells::~TVcTableCells() {
    rows_.ForAll(
        [this](LongInt, void* row, void*) {
            FreeRow(static_cast<TVcSparseArray*>(row));
            return true;
        },
        false, nullptr);
}

void TVcTableCells::FreeRecord(TVcCellStyle* Record) {
    if (Record->Cell) Record->Cell->DecRefs();
    delete Record;
    --records_;
}

void TVcTableCells::FreeRow(TVcSparseArray* Row) {
    Row->ForAll(
        [this](LongInt, void* record, void*) {
            FreeRecord(static_cast<TVcCellStyle*>(record));
            return true;
        },
        false, nullptr);
    delete Row;
}

TVcCellStyle* TVcTableCells::Find(LongInt Row, LongInt Col) const {
    if (records_ == 0 || Row < 0 || Row > TVcSparseArray::MaxIndex || Col < 0 ||
        Col > TVcSparseArray::MaxIndex)
        return nullptr;
    auto* row = static_cast<TVcSparseArray*>(rows_.Get(Row));
    return row ? static_cast<TVcCellStyle*>(row->Get(Col)) : nullptr;
}

TVcCellStyle& TVcTableCells::Need(LongInt Row, LongInt Col) {
    auto* row = static_cast<TVcSparseArray*>(rows_.Get(Row));
    if (!row) {
        auto fresh = std::make_unique<TVcSparseArray>();
        rows_.Put(Row, fresh.get());
        row = fresh.release();
    }
    auto* record = static_cast<TVcCellStyle*>(row->Get(Col));
    if (!record) {
        auto fresh = std::make_unique<TVcCellStyle>();
        row->Put(Col, fresh.get());
        record = fresh.release();
        ++records_;
    }
    return *record;
}

void TVcTableCells::Changed() {
    CallEvent(OnChange, this);
}

TVcCellStyle TVcTableCells::GetCellAttr(LongInt Row, LongInt Col) const {
    TVcCellStyle copy;
    if (const TVcCellStyle* record = Find(Row, Col)) {
        copy.Access = record->Access;
        copy.Adjust = record->Adjust;
        copy.Color = record->Color;
        copy.Cell = record->Cell;
    }
    return copy;
}

TFont* TVcTableCells::CellFont(LongInt Row, LongInt Col) const {
    const TVcCellStyle* record = Find(Row, Col);
    return record ? record->Font.get() : nullptr;
}

TVcBaseTableCell* TVcTableCells::Cell(LongInt Row, LongInt Col) const {
    const TVcCellStyle* record = Find(Row, Col);
    return record ? record->Cell : nullptr;
}

void TVcTableCells::SetCellAccess(LongInt Row, LongInt Col, TVcTblAccess Value) {
    Need(Row, Col).Access = Value;
    Changed();
}

void TVcTableCells::SetCellAdjust(LongInt Row, LongInt Col, TVcTblAdjust Value) {
    Need(Row, Col).Adjust = Value;
    Changed();
}

void TVcTableCells::SetCellColor(LongInt Row, LongInt Col, TColor Value) {
    Need(Row, Col).Color = Value;
    Changed();
}

void TVcTableCells::SetCellFont(LongInt Row, LongInt Col, TFont* Value) {
    TVcCellStyle& record = Need(Row, Col);
    if (!Value) {
        record.Font.reset();
    } else {
        if (!record.Font) record.Font = std::make_unique<TFont>();
        record.Font->Assign(Value);
    }
    Changed();
}

void TVcTableCells::SetCell(LongInt Row, LongInt Col, TVcBaseTableCell* Value) {
    TVcCellStyle& record = Need(Row, Col);
    if (record.Cell == Value) return;
    if (record.Cell) record.Cell->DecRefs();
    record.Cell = Value;
    if (Value) Value->IncRefs();
    Changed();
}

void TVcTableCells::InsertRow(LongInt Row) {
    if (records_ == 0) return;
    rows_.Insert(Row, nullptr);
    Changed();
}

void TVcTableCells::DeleteRow(LongInt Row) {
    if (records_ == 0) return;
    if (auto* row = static_cast<TVcSparseArray*>(rows_.Get(Row))) FreeRow(row);
    rows_.Delete(Row);
    Changed();
}

void TVcTableCells::ExchangeRows(LongInt Row1, LongInt Row2) {
    if (records_ == 0) return;
    rows_.Exchange(Row1, Row2);
    Changed();
}

void TVcTableCells::ForEach(
    const std::function<void(LongInt, LongInt, TVcCellStyle&)>& Action) const {
    rows_.ForAll(
        [&](LongInt r, void* row, void*) {
            static_cast<TVcSparseArray*>(row)->ForAll(
                [&](LongInt c, void* record, void*) {
                    Action(r, c, *static_cast<TVcCellStyle*>(record));
                    return true;
                },
                false, nullptr);
            return true;
        },
        false, nullptr);
}

void TVcTableCells::InsertCol(LongInt Col) {
    if (records_ == 0) return;
    rows_.ForAll(
        [Col](LongInt, void* row, void*) {
            static_cast<TVcSparseArray*>(row)->Insert(Col, nullptr);
            return true;
        },
        false, nullptr);
    Changed();
}

void TVcTableCells::DeleteCol(LongInt Col) {
    if (records_ == 0) return;
    rows_.ForAll(
        [this, Col](LongInt, void* row, void*) {
            auto* columns = static_cast<TVcSparseArray*>(row);
            if (auto* record = static_cast<TVcCellStyle*>(columns->Get(Col))) FreeRecord(record);
            columns->Delete(Col);
            return true;
        },
        false, nullptr);
    Changed();
}

void TVcTableCells::ExchangeCols(LongInt Col1, LongInt Col2) {
    if (records_ == 0) return;
    rows_.ForAll(
        [Col1, Col2](LongInt, void* row, void*) {
            static_cast<TVcSparseArray*>(row)->Exchange(Col1, Col2);
            return true;
        },
        false, nullptr);
    Changed();
}

void TVcTableCells::RemoveCell(TVcBaseTableCell* Cell) {
    if (records_ == 0) return;
    ForEach([Cell](LongInt, LongInt, TVcCellStyle& record) {
        if (record.Cell != Cell) return;
        record.Cell = nullptr;
        Cell->DecRefs();
    });
    Changed();
}

// =============================================================================================
// TGlyphResourceManager

TGlyphResourceManager::TGlyphResourceManager() {
    TResourceModule& module = ProgramModule();
    const int handle = module.Find("VCTCCHECKGLYPHS");
    if (handle < 0) return;
    TMemoryStream stream;
    stream.Write(module.Lock(handle), static_cast<LongInt>(module.SizeOf(handle)));
    module.Unlock(handle);
    stream.Seek(0, 0);
    bitmap_.LoadFromStream(stream);
}

TGlyphResourceManager& GlyphManager() {
    static TGlyphResourceManager manager;
    return manager;
}
