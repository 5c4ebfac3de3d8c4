#include "controls/table/HeadingCell.h"

#include <algorithm>

std::string ColumnLetters(LongInt Number) {
    std::string letters;
    for (LongInt n = Number; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

TVcTCColHead::TVcTCColHead(TComponent* AOwner)
    : TVcTCCustomString(AOwner), headings_(std::make_unique<TStringList>()) {
    SetAccess(otxReadOnly);
    SetUseASCIIZStrings(false);
    headings_->OnChange = [this](TObject*) { DoCellChanged(); };
}

void TVcTCColHead::SetHeadings(TStrings* Value) {
    headings_->Assign(Value);
}

void TVcTCColHead::PaintTriangle(TCanvas* TableCanvas, const TRect& CellRect,
                                 const TVcCellAttributes& CellAttr) {
    PaintText(TableCanvas, CellRect, CellAttr, "");
    const int side = std::min(CellRect.Width(), CellRect.Height()) / 3;
    const int a = CellAttr.Adjust;
    const int column = (a - 1) % 3;
    const int row = (a - 1) / 3;
    const int x = CellRect.Left + (column == 0   ? Margin()
                                   : column == 2 ? CellRect.Width() - Margin() - side
                                                 : (CellRect.Width() - side) / 2);
    const int y = CellRect.Top + (row == 0   ? Margin()
                                  : row == 2 ? CellRect.Height() - Margin() - side
                                             : (CellRect.Height() - side) / 2);
    TableCanvas->Brush()->SetStyle(bsSolid);
    TableCanvas->Brush()->SetColor(CellAttr.FontColor);
    TableCanvas->Pen()->SetColor(CellAttr.FontColor);
    TableCanvas->Pen()->SetStyle(psSolid);
    TableCanvas->Polygon({{x, y}, {x + side, y}, {x + side / 2, y + side}});
}

void TVcTCColHead::Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt /*RowNum*/,
                         LongInt ColNum, const TVcCellAttributes& CellAttr, void* Data) {
    const bool hasTable = CellTable() && CellTable()->HandleAllocated();
    const LongInt locked = hasTable ? TableLockedCols() : 0;
    const LongInt active = hasTable ? TableActiveCol() : -1;
    if (showActiveCol_ && ColNum == active) {
        PaintTriangle(TableCanvas, CellRect, CellAttr);
        return;
    }
    std::string text;
    if (showLetters_) {
        text = ColumnLetters(ColNum - locked + 1);
    } else if (Data) {
        text = DataText(Data);
    } else if (ColNum >= 0 && ColNum < headings_->Count()) {
        text = headings_->Strings(static_cast<int>(ColNum));
    }
    PaintText(TableCanvas, CellRect, CellAttr, text);
}

void TVcTCColHead::AdjustHeadings(LongInt ColNum1, LongInt ColNum2, TVcTblActions Action) {
    const int count = headings_->Count();
    switch (Action) {
    case tbaAppend:
        if (ColNum1 >= 0 && ColNum1 < count)
            headings_->Insert(static_cast<int>(ColNum1), "");
        else if (ColNum1 == count)
            headings_->Add("");
        break;
    case tbaDelete:
        if (ColNum1 >= 0 && ColNum1 < count) headings_->Delete(static_cast<int>(ColNum1));
        break;
    case tbaExchange:
        if (ColNum1 < 0 || ColNum2 < 0) break;
        while (headings_->Count() <= std::max(ColNum1, ColNum2))
            headings_->Add("");
        headings_->Exchange(static_cast<int>(ColNum1), static_cast<int>(ColNum2));
        break;
    default: break;
    }
}
