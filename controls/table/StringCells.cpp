#include "controls/table/StringCells.h"

#include "controls/table/StringCellEditor.h"
#include "platform/gui/WinGdi.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cstring>

// =============================================================================================
// TVcTCBaseString

TVcTCBaseString::TVcTCBaseString(TComponent* AOwner) : TVcBaseTableCell(AOwner) {}

std::string TVcTCBaseString::DataText(const void* Data) const {
    if (!Data) return {};
    const auto* bytes = static_cast<const char*>(Data);
    if (useASCIIZ_) return std::string(bytes);
    return std::string(bytes + 1, static_cast<unsigned char>(bytes[0]));
}

UINT CellTextFormat(TVcTblAdjust Adjust, bool WordWrap, bool TooWide) {
    const int a = Adjust == otaDefault ? otaCenterLeft : Adjust;
    const int column = (a - 1) % 3; // 0 left, 1 centre, 2 right
    const int row = (a - 1) / 3;    // 0 top, 1 centre, 2 bottom
    UINT format = DT_NOPREFIX;
    if (WordWrap) {
        format |= DT_WORDBREAK;
    } else {
        format |= DT_SINGLELINE;
        format |= row == 0 ? DT_TOP : row == 2 ? DT_BOTTOM : DT_VCENTER;
    }
    const int horizontal = !WordWrap && TooWide ? 0 : column;
    format |= horizontal == 0 ? DT_LEFT : horizontal == 2 ? DT_RIGHT : DT_CENTER;
    return format;
}

void TVcTCBaseString::PaintText(TCanvas* TableCanvas, const TRect& CellRect,
                                const TVcCellAttributes& CellAttr, const std::string& Text) {
    TVcBaseTableCell::Paint(TableCanvas, CellRect, 0, 0, CellAttr, nullptr);
    if (CellAttr.Access == otxInvisible || Text.empty()) return;
    if (CellAttr.Font) TableCanvas->Font()->Assign(CellAttr.Font);
    TableCanvas->Font()->SetColor(CellAttr.FontColor);
    const int inset = Margin() / 2;
    TRect r{CellRect.Left + inset, CellRect.Top + inset, CellRect.Right - inset,
            CellRect.Bottom - inset};
    const bool tooWide = TableCanvas->TextWidth(Text) > r.Width();
    const UINT format = CellTextFormat(CellAttr.Adjust, useWordWrap_, tooWide);
    const auto draw = [&](int dx, int dy, TColor color) {
        TableCanvas->Font()->SetColor(color);
        TRect moved{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
        DrawText(TableCanvas->Handle(), Text, &moved, format);
    };
    if (CellAttr.TextStyle == tsFlat) {
        draw(0, 0, CellAttr.FontColor);
        return;
    }
    const int offset = CellAttr.TextStyle == tsRaised ? -1 : 1;
    draw(offset, offset, CellAttr.FontHiColor);
    TableCanvas->Brush()->SetStyle(bsClear);
    draw(0, 0, CellAttr.FontColor);
    TableCanvas->Brush()->SetStyle(bsSolid);
}

void TVcTCBaseString::Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum,
                            LongInt ColNum, const TVcCellAttributes& CellAttr, void* Data) {
    std::string text = DataText(Data);
    if (!Data && Designing()) text = Format("%d:%d", {RowNum, ColNum});
    PaintText(TableCanvas, CellRect, CellAttr, text);
}

// =============================================================================================
// TVcTCCustomString

TVcTCCustomString::TVcTCCustomString(TComponent* AOwner) : TVcTCBaseString(AOwner) {}

TVcTCCustomString::~TVcTCCustomString() {
    delete editor_;
}

int TVcTCCustomString::EffectiveMaxLength() const {
    if (maxLength_ <= 0) return 255;
    return UseASCIIZStrings() ? maxLength_ : std::min(maxLength_, 255);
}

TWinControl* TVcTCCustomString::EditorControl() {
    return editor_;
}

TVcTCStringEdit* TVcTCCustomString::CreateEditControl(TComponent* AOwner) {
    return new TVcTCStringEdit(AOwner, this);
}

HWND TVcTCCustomString::EditHandle() {
    return editor_ && editor_->Parent() ? editor_->Handle() : 0;
}

void TVcTCCustomString::EditHide() {
    if (editor_) editor_->SetVisible(false);
}

void MoveCellEditor(TWinControl* Editor, const TRect& CellRect) {
    Editor->SetBounds(CellRect.Left, CellRect.Top, CellRect.Width(), CellRect.Height());
    Editor->SetVisible(true);
    Editor->Invalidate();
    Editor->Update();
}

void TVcTCCustomString::EditMove(const TRect& CellRect) {
    if (editor_) MoveCellEditor(editor_, CellRect);
}

void TVcTCCustomString::SaveEditedData(void* Data) {
    if (!Data || !editor_) return;
    const int limit = EffectiveMaxLength();
    const std::string text = editor_->Text().substr(0, static_cast<std::size_t>(limit));
    auto* bytes = static_cast<char*>(Data);
    if (UseASCIIZStrings()) {
        std::memcpy(bytes, text.data(), text.size());
        bytes[text.size()] = '\0';
    } else {
        bytes[0] = static_cast<char>(text.size());
        std::memcpy(bytes + 1, text.data(), text.size());
    }
}

void TVcTCCustomString::StartEditing(LongInt, LongInt, const TRect& CellRect,
                                     const TVcCellAttributes& CellAttr, TVcTblEditorStyle CellStyle,
                                     void* Data) {
    delete editor_;
    editor_ = CreateEditControl(CellTable());
    editor_->SetVisible(false);
    editor_->SetText(DataText(Data));
    editor_->SetColor(CellAttr.Color);
    if (CellAttr.Font) editor_->Font()->Assign(CellAttr.Font);
    editor_->Font()->SetColor(CellAttr.FontColor);
    editor_->SetBounds(CellRect.Left, CellRect.Top, CellRect.Width(), CellRect.Height());
    editor_->SetMaxLength(EffectiveMaxLength());
    editor_->SetHint(Hint());
    editor_->SetShowHint(ShowHint());
    editor_->SetParent(CellTable());
    editor_->SetBorderStyle(CellStyle == tesNone ? bsNone : bsSingle);
    editor_->SetCtl3D(CellStyle == tes3D);
    editor_->OnChange = OnChange;
    CopyEventsTo(editor_);
}

void TVcTCCustomString::StopEditing(bool SaveValue, void* Data) {
    if (SaveValue && Data) SaveEditedData(Data);
    delete editor_;
    editor_ = nullptr;
}
