#include "controls/table/PictureCell.h"

TVcTCPictureFieldEdit::TVcTCPictureFieldEdit(TComponent* AOwner, TVcTCCustomPictureField* Cell)
    : TVcTCFieldEditor(AOwner, Cell) {}

TVcTCCustomPictureField::TVcTCCustomPictureField(TComponent* AOwner)
    : TVcTCBaseEntryField(AOwner), edit_(CreateEditControl(this)), paint_(CreateEditControl(this)) {
    InstallFields(edit_, paint_);
}

TVcTCPictureFieldEdit* TVcTCCustomPictureField::CreateEditControl(TComponent* AOwner) {
    return new TVcTCPictureFieldEdit(AOwner, this);
}

void TVcTCCustomPictureField::SetDataType(TPictureDataType Value) {
    Both([Value](TVcBaseEntryField& f) { static_cast<TVcPictureField&>(f).SetDataType(Value); });
}

void TVcTCCustomPictureField::SetPictureMask(const TPictureMask& Value) {
    Both([&Value](TVcBaseEntryField& f) {
        static_cast<TVcPictureField&>(f).SetPictureMask(Value);
        if (f.HandleAllocated()) f.RecreateWnd();
    });
}

void TVcTCCustomPictureField::SetDecimalPlaces(Byte Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetDecimalPlaces(Value); });
}

void TVcTCCustomPictureField::SetEpoch(int Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetEpoch(Value); });
}

void TVcTCCustomPictureField::SetMaxLength(int Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetMaxLength(Value); });
}

void TVcTCCustomPictureField::SetPasswordChar(char Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetPasswordChar(Value); });
}

void TVcTCCustomPictureField::SetPasswordMode(bool Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetPasswordMode(Value); });
}

void TVcTCCustomPictureField::SetRightAlign(bool Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetRightAlign(Value); });
}

void TVcTCCustomPictureField::SetRightJustify(bool Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetRightJustify(Value); });
}

void TVcTCCustomPictureField::SetTrimBlanks(bool Value) {
    Both([Value](TVcBaseEntryField& f) { f.SetTrimBlanks(Value); });
}
