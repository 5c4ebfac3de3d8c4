// The table's rows: how many there are (the row limit), the default height, and the few rows
// whose height or hidden state differ from the default, kept in a sparse array. Every change is
// told to the table through one handler, which re-lays out and repaints.
//
// Promises: a row number outside 0..Limit-1 raises EVcTable "row number out of bounds" and
// changes nothing; rows numbered 320000 or more are never stored (default height, shown).
#pragma once

#include "controls/table/TableCore.h"

// The style of one row; Height -1 means the default height.
struct TRowStyle {
    LongInt Height = -1;
    bool Hidden = false;
};

class TVcTableRows : public TPersistent {
    VANTREL_CLASS(TVcTableRows, TPersistent)

    TVcTableRows();
    ~TVcTableRows() override;

    void Clear();
    // The style with the default height filled in.
    TRowStyle GetRow(LongInt RowNum) const;
    LongInt Height(LongInt RowNum) const { return GetRow(RowNum).Height; }
    bool Hidden(LongInt RowNum) const;
    bool RowIsSpecial(LongInt RowNum) const;
    void SetRow(LongInt RowNum, const TRowStyle& Style);
    void SetRowHeight(LongInt RowNum, LongInt Height);
    void SetHidden(LongInt RowNum, bool Hidden);
    void ResetRow(LongInt RowNum);
    void Exchange(LongInt RowNum1, LongInt RowNum2);
    LongInt DefaultHeight() const { return defaultHeight_; }
    void SetDefaultHeight(LongInt Value);
    LongInt Limit() const { return limit_; }
    void SetLimit(LongInt Value);
    void Rescale(int M, int D);
    LongInt StoredCount() const { return stored_; }
    // The stored rows, ascending: (row number, record as stored).
    std::vector<std::pair<LongInt, TRowStyle>> StoredRows() const;

    void Assign(TPersistent* Source) override;

    TVcCfgChangedEvent OnCfgChanged;

private:
    void CheckRow(LongInt RowNum) const;
    TRowStyle* Record(LongInt RowNum) const;
    void Notify(LongInt Num1, LongInt Num2, TVcTblActions Action);
    LongInt EffectiveHeight(LongInt Height) const;

    LongInt stored_ = 0;
    TVcSparseArray store_;
    LongInt defaultHeight_ = 30;
    LongInt limit_ = 10;
};
