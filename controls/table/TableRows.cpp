#include "controls/table/TableRows.h"

#include "platform/rtl/Numbers.h"

namespace {
constexpr int MsgRowOutOfBounds = 34223;
} // namespace

TVcTableRows::TVcTableRows() = default;

TVcTableRows::~TVcTableRows() {
    OnCfgChanged = nullptr;
    Clear();
}

void TVcTableRows::Notify(LongInt Num1, LongInt Num2, TVcTblActions Action) {
    CallEvent(OnCfgChanged, this, Num1, Num2, Action);
}

void TVcTableRows::CheckRow(LongInt RowNum) const {
    if (RowNum < 0 || RowNum >= limit_) RaiseTableError(MsgRowOutOfBounds);
}

TRowStyle* TVcTableRows::Record(LongInt RowNum) const {
    if (RowNum > TVcSparseArray::MaxIndex || stored_ == 0) return nullptr;
    return static_cast<TRowStyle*>(store_.Get(RowNum));
}

LongInt TVcTableRows::EffectiveHeight(LongInt Height) const {
    return Height < 1 || Height == defaultHeight_ ? -1 : Height;
}

void TVcTableRows::Clear() {
    store_.ForAll(
        [](LongInt, void* item, void*) {
            delete static_cast<TRowStyle*>(item);
            return true;
        },
        false, nullptr);
    store_.Clear();
    stored_ = 0;
    Notify(0, 0, tbaAll);
}

TRowStyle TVcTableRows::GetRow(LongInt RowNum) const {
    CheckRow(RowNum);
    TRowStyle style{defaultHeight_, false};
    if (const TRowStyle* record = Record(RowNum)) {
        style.Hidden = record->Hidden;
        if (record->Height != -1) style.Height = record->Height;
    }
    return style;
}

bool TVcTableRows::Hidden(LongInt RowNum) const {
    CheckRow(RowNum);
    const TRowStyle* record = Record(RowNum);
    return record && record->Hidden;
}

bool TVcTableRows::RowIsSpecial(LongInt RowNum) const {
    CheckRow(RowNum);
    return Record(RowNum) != nullptr;
}

void TVcTableRows::SetRow(LongInt RowNum, const TRowStyle& Style) {
    CheckRow(RowNum);
    if (RowNum > TVcSparseArray::MaxIndex) return;
    const LongInt height = EffectiveHeight(Style.Height);
    if (!Style.Hidden && height == -1) {
        ResetRow(RowNum);
        return;
    }
    if (TRowStyle* record = Record(RowNum)) {
        *record = {height, Style.Hidden};
    } else {
        store_.Put(RowNum, new TRowStyle{height, Style.Hidden});
        ++stored_;
    }
    Notify(RowNum, 0, tbaSingle);
}

void TVcTableRows::SetRowHeight(LongInt RowNum, LongInt Height) {
    CheckRow(RowNum);
    if (RowNum > TVcSparseArray::MaxIndex) return;
    const LongInt height = EffectiveHeight(Height);
    TRowStyle* record = Record(RowNum);
    if (!record) {
        if (height == -1) return;
        store_.Put(RowNum, new TRowStyle{height, false});
        ++stored_;
    } else {
        if (record->Height == height) return;
        if (height != -1 || record->Hidden) {
            record->Height = height;
        } else {
            store_.Put(RowNum, nullptr);
            delete record;
            --stored_;
        }
    }
    Notify(RowNum, 0, tbaSingle);
}

void TVcTableRows::SetHidden(LongInt RowNum, bool Hidden) {
    TRowStyle style{-1, Hidden};
    if (const TRowStyle* record = Record(RowNum)) style.Height = record->Height;
    SetRow(RowNum, style);
}

void TVcTableRows::ResetRow(LongInt RowNum) {
    CheckRow(RowNum);
    TRowStyle* record = Record(RowNum);
    if (!record) return;
    store_.Put(RowNum, nullptr);
    delete record;
    --stored_;
    Notify(RowNum, 0, tbaSingle);
}

void TVcTableRows::Exchange(LongInt RowNum1, LongInt RowNum2) {
    CheckRow(RowNum1);
    CheckRow(RowNum2);
    if (RowNum1 == RowNum2 || RowNum1 > TVcSparseArray::MaxIndex ||
        RowNum2 > TVcSparseArray::MaxIndex)
        return;
    store_.Exchange(RowNum1, RowNum2);
    Notify(RowNum1, RowNum2, tbaExchange);
}

void TVcTableRows::SetDefaultHeight(LongInt Value) {
    if (Value < 1 || Value == defaultHeight_) return;
    defaultHeight_ = Value;
    Notify(0, 0, tbaAll);
}

void TVcTableRows::SetLimit(LongInt Value) {
    if (Value < 1) Value = 1;
    if (Value == limit_) return;
    limit_ = Value;
    Notify(-2, 0, tbaLimit);
}

void TVcTableRows::Rescale(int M, int D) {
    defaultHeight_ = MulDiv(defaultHeight_, M, D);
    store_.ForAll(
        [M, D](LongInt, void* item, void*) {
            auto* record = static_cast<TRowStyle*>(item);
            if (record->Height != -1) record->Height = MulDiv(record->Height, M, D);
            return true;
        },
        false, nullptr);
}

std::vector<std::pair<LongInt, TRowStyle>> TVcTableRows::StoredRows() const {
    std::vector<std::pair<LongInt, TRowStyle>> rows;
    store_.ForAll(
        [&rows](LongInt index, void* item, void*) {
            rows.emplace_back(index, *static_cast<TRowStyle*>(item));
            return true;
        },
        false, nullptr);
    return rows;
}

void TVcTableRows::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcTableRows*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    Clear();
    defaultHeight_ = other->defaultHeight_;
    SetLimit(other->limit_);
    for (const auto& [row, style] : other->StoredRows()) {
        store_.Put(row, new TRowStyle(style));
        ++stored_;
    }
    Notify(0, 0, tbaAll);
}
