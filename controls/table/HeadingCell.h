// The column-heading cell: heads each column with its own text, a text from its Headings list,
// the column's letter name counted from the first unlocked column (A..Z, AA...), or, for the
// active column, a small triangle pointing down. Its headings follow the table's columns when
// they are appended, deleted or exchanged.
#pragma once

#include "controls/table/StringCells.h"
#include "platform/rtl/Classes.h"

#include <memory>
#include <string>

class TVcTCColHead : public TVcTCCustomString {
    VANTREL_CLASS(TVcTCColHead, TVcTCCustomString)

    explicit TVcTCColHead(TComponent* AOwner);

    TStringList* Headings() const { return headings_.get(); }
    void SetHeadings(TStrings* Value);
    bool ShowActiveCol() const { return showActiveCol_; }
    void SetShowActiveCol(bool Value) { Change(showActiveCol_, Value); }
    bool ShowLetters() const { return showLetters_; }
    void SetShowLetters(bool Value) { Change(showLetters_, Value); }

    void Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum, LongInt ColNum,
               const TVcCellAttributes& CellAttr, void* Data) override;
    // Follows a structural change of the table's columns.
    void AdjustHeadings(LongInt ColNum1, LongInt ColNum2, TVcTblActions Action);

private:
    void PaintTriangle(TCanvas* TableCanvas, const TRect& CellRect,
                       const TVcCellAttributes& CellAttr);
    std::unique_ptr<TStringList> headings_;
    bool showActiveCol_ = false;
    bool showLetters_ = true;
};

// The letter name of a column counted from 1: 1 "A", 26 "Z", 27 "AA"; "" for 0 and below.
std::string ColumnLetters(LongInt Number);
