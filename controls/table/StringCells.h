// The text cells: TVcTCBaseString paints a cell's text with its alignment, margin, word wrap and
// flat, raised or lowered look; TVcTCCustomString (published as TVcTCString) also edits the text
// in place with a TVcTCStringEdit (StringCellEditor.h).
//
// Cell data: a length-prefixed text (first byte the length, at most 255), or with
// UseASCIIZStrings a zero-terminated text of at most MaxLength characters in a buffer of
// MaxLength + 1 bytes (MaxLength 0 counts as 255). A nullptr means no data. Saving never writes
// more than those bytes.
#pragma once

#include "controls/table/TableCore.h"

#include <string>

class TVcTCStringEdit;

class TVcTCBaseString : public TVcBaseTableCell {
    VANTREL_CLASS(TVcTCBaseString, TVcBaseTableCell)

    explicit TVcTCBaseString(TComponent* AOwner);

    bool UseASCIIZStrings() const { return useASCIIZ_; }
    void SetUseASCIIZStrings(bool Value) { Change(useASCIIZ_, Value); }
    bool UseWordWrap() const { return useWordWrap_; }
    void SetUseWordWrap(bool Value) { Change(useWordWrap_, Value); }

    void Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum, LongInt ColNum,
               const TVcCellAttributes& CellAttr, void* Data) override;

    // The text of cell data as this cell reads it ("" for nullptr).
    std::string DataText(const void* Data) const;
    // Fills the cell and writes Text in it as a string cell does.
    void PaintText(TCanvas* TableCanvas, const TRect& CellRect, const TVcCellAttributes& CellAttr,
                   const std::string& Text);

private:
    bool useASCIIZ_ = false;
    bool useWordWrap_ = false;
};

// The DrawText format of a text in a rectangle: no prefix; word-wrapped or single-line; the
// horizontal and vertical placement of the alignment, left-aligned when a single line is wider
// than the rectangle.
UINT CellTextFormat(TVcTblAdjust Adjust, bool WordWrap, bool TooWide);

class TVcTCCustomString : public TVcTCBaseString {
    VANTREL_CLASS(TVcTCCustomString, TVcTCBaseString)

    explicit TVcTCCustomString(TComponent* AOwner);
    ~TVcTCCustomString() override;

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value) { Change(maxLength_, Value); }
    // MaxLength, with 0 and values beyond 255 of a length-prefixed text read as 255.
    int EffectiveMaxLength() const;
    bool AutoAdvanceChar() const { return autoAdvanceChar_; }
    void SetAutoAdvanceChar(bool Value) { autoAdvanceChar_ = Value; }
    bool AutoAdvanceLeftRight() const { return autoAdvanceLeftRight_; }
    void SetAutoAdvanceLeftRight(bool Value) { autoAdvanceLeftRight_ = Value; }

    TWinControl* EditorControl() override;
    TVcTCStringEdit* Editor() const { return editor_; }
    HWND EditHandle() override;
    void EditHide() override;
    void EditMove(const TRect& CellRect) override;
    void SaveEditedData(void* Data) override;
    void StartEditing(LongInt RowNum, LongInt ColNum, const TRect& CellRect,
                      const TVcCellAttributes& CellAttr, TVcTblEditorStyle CellStyle,
                      void* Data) override;
    void StopEditing(bool SaveValue, void* Data) override;
    virtual TVcTCStringEdit* CreateEditControl(TComponent* AOwner);

    TNotifyEvent OnChange;

private:
    TVcTCStringEdit* editor_ = nullptr;
    int maxLength_ = 0;
    bool autoAdvanceChar_ = false;
    bool autoAdvanceLeftRight_ = false;
};

class TVcTCString : public TVcTCCustomString {
    VANTREL_CLASS(TVcTCString, TVcTCCustomString)

    explicit TVcTCString(TComponent* AOwner) : TVcTCCustomString(AOwner) {}
};

// Places and shows an in-place editor on a cell rectangle, then repaints it.
void MoveCellEditor(TWinControl* Editor, const TRect& CellRect);
