#include "controls/table/VcTCNum.h"

#include "controls/table/VcTCEdt.h"

TVcTCNumericFieldEdit::TVcTCNumericFieldEdit(TComponent* AOwner, TVcTCCustomNumericField* Cell)
    : TVcNumericField(AOwner), cell_(Cell) {}

void TVcTCNumericFieldEdit::WMGetDlgCode(TWMGetDlgCode& Message) {
    TVcNumericField::WMGetDlgCode(Message);
    AddTableDlgCodes(*cell_, Message);
}

void TVcTCNumericFieldEdit::WMKeyDown(TWMKey& Message) {
    if (!VcCellEditor::PassKeyToTable(*cell_, *this, Message)) TVcNumericField::WMKeyDown(Message);
}

void TVcTCNumericFieldEdit::DoAutoAdvance() {
    VcCellEditor::AutoAdvance(*cell_);
}

void TVcTCNumericFieldEdit::WMSetFocus(TWMSetFocus& Message) {
    TVcNumericField::WMSetFocus(Message);
    PostEditorFocus(*cell_, true, Message.FocusedWnd);
}

void TVcTCNumericFieldEdit::WMKillFocus(TWMKillFocus& Message) {
    TVcNumericField::WMKillFocus(Message);
    PostEditorFocus(*cell_, false, Message.FocusedWnd);
}

TVcTCCustomNumericField::TVcTCCustomNumericField(TComponent* AOwner)
    : TVcTCBaseEntryField(AOwner), edit_(CreateEditControl(this)), paint_(CreateEditControl(this)) {
    InstallFields(edit_, paint_);
}

TVcTCNumericFieldEdit* TVcTCCustomNumericField::CreateEditControl(TComponent* AOwner) {
    return new TVcTCNumericFieldEdit(AOwner, this);
}

void TVcTCCustomNumericField::SetDataType(TNumericDataType Value) {
    edit_->SetDataType(Value);
    paint_->SetDataType(Value);
    DoCellChanged();
}

void TVcTCCustomNumericField::SetPictureMask(const TPictureMask& Value) {
    edit_->SetPictureMask(Value);
    paint_->SetPictureMask(Value);
    DoCellChanged();
}
