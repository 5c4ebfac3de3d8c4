#include "controls/table/TableColumns.h"

#include "platform/gui/Forms.h"

#include <utility>

namespace {
constexpr int MsgMaxColumns = 34221;
} // namespace

// =============================================================================================
// TVcTableColumn

TVcTableColumn::TVcTableColumn(TVcTableAncestor* Table) : table_(Table) {}

TVcTableColumn::~TVcTableColumn() {
    onChanged_ = nullptr;
    SetDefaultCell(nullptr);
}

void TVcTableColumn::Notify() {
    CallEvent(onChanged_, this, number_, 0, tbaSingle);
}

void TVcTableColumn::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcTableColumn*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    SetWidth(other->width_);
    SetHidden(other->hidden_);
    SetDefaultCell(other->defaultCell_);
}

void TVcTableColumn::SetDefaultCell(TVcBaseTableCell* Value) {
    if (Value == defaultCell_) return;
    if (Value && Value->References() > 0 && Value->CellTable() != table_) return;
    if (defaultCell_) defaultCell_->DecRefs();
    defaultCell_ = Value;
    if (Value) {
        if (Value->References() == 0) Value->SetTable(table_);
        Value->IncRefs();
    }
    Notify();
}

void TVcTableColumn::SetWidth(LongInt Value) {
    if (width_ == Value) return;
    width_ = Value;
    Notify();
}

void TVcTableColumn::SetHidden(bool Value) {
    if (hidden_ == Value) return;
    hidden_ = Value;
    Notify();
}

void TVcTableColumn::RemoveCell(TVcBaseTableCell* Cell) {
    if (defaultCell_ == Cell) SetDefaultCell(nullptr);
}

// =============================================================================================
// TVcTableColumns

TVcTableColumns::TVcTableColumns(TVcTableAncestor* Table, LongInt Count) : table_(Table) {
    for (LongInt i = 0; i < Count; ++i)
        Append(new TVcTableColumn(Table));
}

TVcTableColumns::~TVcTableColumns() {
    SetOnCfgChanged(nullptr);
    Clear();
}

void TVcTableColumns::Renumber() {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        columns_[i]->number_ = static_cast<LongInt>(i);
}

void TVcTableColumns::Append(TVcTableColumn* Column) {
    std::unique_ptr<TVcTableColumn> owned(Column);
    if (Count() >= MaxColumns) RaiseTableError(MsgMaxColumns);
    if (!Column || Column->table_ != table_) {
        owned.release(); // a foreign column stays with whoever made it
        return;
    }
    Column->number_ = Count();
    Column->onChanged_ = onChanged_;
    columns_.push_back(std::move(owned));
    CallEvent(onChanged_, this, Column->number_, 0, tbaAppend);
}

void TVcTableColumns::Clear() {
    // Cell names waiting for their form go with their columns.
    pending_.clear();
    columns_.clear();
    CallEvent(onChanged_, this, 0, 0, tbaAll);
}

void TVcTableColumns::Delete(LongInt Index) {
    if (Index < 0 || Index >= Count()) return;
    const TVcTableColumn* gone = columns_[static_cast<std::size_t>(Index)].get();
    std::erase_if(pending_, [gone](const auto& entry) { return entry.second == gone; });
    columns_.erase(columns_.begin() + Index);
    Renumber();
    CallEvent(onChanged_, this, Index, 0, tbaDelete);
}

void TVcTableColumns::Exchange(LongInt Index1, LongInt Index2) {
    if (Index1 == Index2 || Index1 < 0 || Index2 < 0 || Index1 >= Count() || Index2 >= Count())
        return;
    std::swap(columns_[static_cast<std::size_t>(Index1)],
              columns_[static_cast<std::size_t>(Index2)]);
    Renumber();
    CallEvent(onChanged_, this, Index1, Index2, tbaExchange);
}

TVcTableColumn* TVcTableColumns::Items(LongInt Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return columns_[static_cast<std::size_t>(Index)].get();
}

TVcBaseTableCell* TVcTableColumns::DefaultCell(LongInt Index) const {
    const TVcTableColumn* column = Items(Index);
    return column ? column->DefaultCell() : nullptr;
}

void TVcTableColumns::SetCount(LongInt Value) {
    if (Value <= 0 || Value == Count()) return;
    while (Count() < Value)
        Append(new TVcTableColumn(table_));
    while (Count() > Value)
        Delete(Count() - 1);
}

void TVcTableColumns::SetOnCfgChanged(TVcCfgChangedEvent Handler) {
    onChanged_ = std::move(Handler);
    for (auto& column : columns_)
        column->onChanged_ = onChanged_;
}

void TVcTableColumns::RemoveCell(TVcBaseTableCell* Cell) {
    for (auto& column : columns_)
        column->RemoveCell(Cell);
}

void TVcTableColumns::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcTableColumns*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    SetCount(other->Count());
    for (LongInt i = 0; i < Count(); ++i)
        Items(i)->Assign(other->Items(i));
}

void TVcTableColumns::QueueCellName(const std::string& Name, TVcTableColumn* Column) {
    pending_.emplace_back(Name, Column);
}

bool TVcTableColumns::ResolveOn(TComponent* Form, const std::string& CellName,
                                TVcTableColumn* Column) {
    auto* cell = dynamic_cast<TVcBaseTableCell*>(Form->FindComponent(CellName));
    if (cell) Column->SetDefaultCell(cell);
    return cell != nullptr;
}

void TVcTableColumns::ResolveCellNames() {
    const auto split = [](const std::string& name) {
        const std::size_t dot = name.find('.');
        // A name without an owner part names a cell of the table's own form.
        if (dot == std::string::npos) return std::make_pair(std::string(), name);
        return std::make_pair(name.substr(0, dot), name.substr(dot + 1));
    };
    if (TCustomForm* form = GetParentForm(table_)) {
        const std::string& formName = form->Name();
        const std::size_t underscore = formName.rfind('_');
        for (std::size_t i = pending_.size(); i-- > 0;) {
            const auto [owner, cell] = split(pending_[i].first);
            const bool matches =
                owner.empty() || owner == formName ||
                (underscore != std::string::npos && owner == formName.substr(0, underscore));
            if (matches && ResolveOn(form, cell, pending_[i].second))
                pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (int f = 0; Screen && f < Screen->FormCount() && !pending_.empty(); ++f) {
        TCustomForm* other = Screen->Forms(f);
        for (std::size_t i = pending_.size(); i-- > 0;) {
            const auto [owner, cell] = split(pending_[i].first);
            if (!owner.empty() && owner == other->Name() &&
                ResolveOn(other, cell, pending_[i].second))
                pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    pending_.clear();
}
