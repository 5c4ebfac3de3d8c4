#include "controls/table/NumericCell.h"

TVcTCNumericFieldEdit::TVcTCNumericFieldEdit(TComponent* AOwner, TVcTCCustomNumericField* Cell)
    : TVcTCFieldEditor(AOwner, Cell) {}

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
