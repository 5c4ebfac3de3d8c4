// The picture cell: a table column of values of any of the sixteen data kinds (dates among
// them) shown and edited through a picture mask, with TVcTCPictureFieldEdit as its in-place
// editor.
#pragma once

#include "controls/entry/PictureField.h"
#include "controls/table/EntryFieldCell.h"

class TVcTCCustomPictureField;

class TVcTCPictureFieldEdit : public TVcTCFieldEditor<TVcPictureField> {
    VANTREL_CLASS(TVcTCPictureFieldEdit, TVcPictureField)

    TVcTCPictureFieldEdit(TComponent* AOwner, TVcTCCustomPictureField* Cell);
};

class TVcTCCustomPictureField : public TVcTCBaseEntryField {
    VANTREL_CLASS(TVcTCCustomPictureField, TVcTCBaseEntryField)

    explicit TVcTCCustomPictureField(TComponent* AOwner);

    TPictureDataType DataType() const { return edit_->DataType(); }
    void SetDataType(TPictureDataType Value);
    // Both fields take the mask and make their windows again.
    void SetPictureMask(const TPictureMask& Value);
    virtual TVcTCPictureFieldEdit* CreateEditControl(TComponent* AOwner);

    // ----- Settings of the editing field
    bool CaretToEnd() const { return edit_->CaretToEnd(); }
    void SetCaretToEnd(bool Value) { edit_->SetCaretToEnd(Value); }
    TColor ControlCharColor() const { return edit_->ControlCharColor(); }
    void SetControlCharColor(TColor Value) { edit_->SetControlCharColor(Value); }
    bool ForceInsert() const { return edit_->ForceInsert(); }
    void SetForceInsert(bool Value) { edit_->SetForceInsert(Value); }
    bool ForceOvertype() const { return edit_->ForceOvertype(); }
    void SetForceOvertype(bool Value) { edit_->SetForceOvertype(Value); }
    bool InsertPushes() const { return edit_->InsertPushes(); }
    void SetInsertPushes(bool Value) { edit_->SetInsertPushes(Value); }
    bool StripLiterals() const { return edit_->StripLiterals(); }
    void SetStripLiterals(bool Value) { edit_->SetStripLiterals(Value); }
    // ----- Settings of both fields
    Byte DecimalPlaces() const { return edit_->DecimalPlaces(); }
    void SetDecimalPlaces(Byte Value);
    int Epoch() const { return edit_->Epoch(); }
    void SetEpoch(int Value);
    int MaxLength() const { return edit_->MaxLength(); }
    void SetMaxLength(int Value);
    char PasswordChar() const { return edit_->PasswordChar(); }
    void SetPasswordChar(char Value);
    bool PasswordMode() const { return edit_->PasswordMode(); }
    void SetPasswordMode(bool Value);
    bool RightAlign() const { return edit_->RightAlign(); }
    void SetRightAlign(bool Value);
    bool RightJustify() const { return edit_->RightJustify(); }
    void SetRightJustify(bool Value);
    bool TrimBlanks() const { return edit_->TrimBlanks(); }
    void SetTrimBlanks(bool Value);

private:
    TVcTCPictureFieldEdit* edit_;
    TVcTCPictureFieldEdit* paint_;
};

class TVcTCPictureField : public TVcTCCustomPictureField {
    VANTREL_CLASS(TVcTCPictureField, TVcTCCustomPictureField)

    explicit TVcTCPictureField(TComponent* AOwner) : TVcTCCustomPictureField(AOwner) {}
};
