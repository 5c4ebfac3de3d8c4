#include "controls/table/EntryFieldCell.h"

#include "controls/table/StringCellEditor.h"
#include "platform/gui/WinUser.h"

#include <algorithm>
#include <cstring>

TVcTCBaseEntryField::TVcTCBaseEntryField(TComponent* AOwner) : TVcTCBaseString(AOwner) {}

void TVcTCBaseEntryField::InstallFields(TVcBaseEntryField* EditField,
                                        TVcBaseEntryField* PaintField) {
    editField_ = EditField;
    paintField_ = PaintField;
    editField_->SetVisible(false);
    paintField_->SetVisible(false);
}

void TVcTCBaseEntryField::SetPadChar(char Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetPadChar(Value); });
}

TVcController* TVcTCBaseEntryField::TableController() const {
    auto* table = dynamic_cast<TVcBase*>(CellTable());
    return table ? table->Controller() : nullptr;
}

HWND TVcTCBaseEntryField::EditHandle() {
    return editField_->Parent() ? editField_->Handle() : 0;
}

void TVcTCBaseEntryField::EditHide() {
    editField_->SetVisible(false);
}

void TVcTCBaseEntryField::EditMove(const TRect& CellRect) {
    MoveCellEditor(editField_, CellRect);
}

bool TVcTCBaseEntryField::CanSaveEditedData(bool SaveValue) {
    if (!SaveValue) {
        editField_->Restore();
        return true;
    }
    if (const TVcController* controller = TableController();
        controller && controller->ErrorPending())
        return false;
    return editField_->IsValid();
}

void TVcTCBaseEntryField::Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum,
                                LongInt ColNum, const TVcCellAttributes& CellAttr, void* Data) {
    if (!Data) {
        TVcTCBaseString::Paint(TableCanvas, CellRect, RowNum, ColNum, CellAttr, Data);
        return;
    }
    if (TVcController* controller = TableController();
        controller && paintField_->Controller() != controller)
        paintField_->SetController(controller);
    if (paintField_->Parent() != CellTable()) paintField_->SetParent(CellTable());
    paintField_->SetVisible(false);
    paintField_->SetValue(Data);
    PaintText(TableCanvas, CellRect, CellAttr, paintField_->GetDisplayString());
}

void TVcTCBaseEntryField::SaveEditedData(void* Data) {
    if (!Data || saved_.empty()) return;
    // Only a valid value reaches the cell's data.
    if (editField_->GetValue(saved_.data()) != 0) return;
    std::memcpy(Data, saved_.data(), saved_.size());
}

void TVcTCBaseEntryField::StartEditing(LongInt, LongInt, const TRect& CellRect,
                                       const TVcCellAttributes& CellAttr,
                                       TVcTblEditorStyle CellStyle, void* Data) {
    saved_.assign(static_cast<std::size_t>(std::max(1, editField_->GetDataSize())), 0);
    if (Data) std::memcpy(saved_.data(), Data, saved_.size());
    TVcBaseEntryField& f = *editField_;
    f.SetParent(CellTable());
    f.SetColor(CellAttr.Color);
    if (CellAttr.Font) f.Font()->Assign(CellAttr.Font);
    f.Font()->SetColor(CellAttr.FontColor);
    f.SetBorderStyle(CellStyle == tesNone ? bsNone : bsSingle);
    f.SetCtl3D(CellStyle == tes3D);
    f.SetBounds(CellRect.Left, CellRect.Top, CellRect.Width(), CellRect.Height());
    f.SetHint(Hint());
    f.SetShowHint(ShowHint());
    f.SetTabStop(false);
    if (TVcController* controller = TableController()) f.SetController(controller);
    f.SetValue(saved_.data());
    f.SetVisible(true);
    f.OnChange = OnChange;
    f.OnError = OnError;
    f.OnUserCommand = OnUserCommand;
    f.OnUserValidation = OnUserValidation;
    CopyEventsTo(&f);
}

void TVcTCBaseEntryField::StopEditing(bool SaveValue, void* Data) {
    if (SaveValue) SaveEditedData(Data);
    saved_.clear();
    editField_->SetVisible(false);
}

bool VcCellEditor::PassKeyToTable(TVcBaseTableCell& Cell, TVcBaseEntryField& Field,
                                  const TWMKey& Message) {
    const Word key = Message.CharCode;
    switch (Cell.FilterTableKey(Message)) {
    case 1: {
        const bool leaves = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN;
        if (!leaves || !Field.IsValid()) return false;
        Cell.PostKeyToTable(Message);
        return true;
    }
    case 2:
        if (key == VK_ESCAPE) Field.Restore();
        Cell.PostKeyToTable(Message);
        return true;
    default: return false;
    }
}

void VcCellEditor::AutoAdvance(TVcBaseTableCell& Cell) {
    Cell.PostKeyToTable(TWMKey{WM_KEYDOWN, VK_RIGHT, 0, 0});
}
