// The numeric cell: a table column of numbers shown and edited through a numeric entry field's
// mask (numbers typed from the right), with TVcTCNumericFieldEdit as its in-place editor.
#pragma once

#include "controls/entry/NumericField.h"
#include "controls/table/EntryFieldCell.h"

class TVcTCCustomNumericField;

class TVcTCNumericFieldEdit : public TVcTCFieldEditor<TVcNumericField> {
    VANTREL_CLASS(TVcTCNumericFieldEdit, TVcNumericField)

    TVcTCNumericFieldEdit(TComponent* AOwner, TVcTCCustomNumericField* Cell);
};

class TVcTCCustomNumericField : public TVcTCBaseEntryField {
    VANTREL_CLASS(TVcTCCustomNumericField, TVcTCBaseEntryField)

    explicit TVcTCCustomNumericField(TComponent* AOwner);

    TNumericDataType DataType() const { return edit_->DataType(); }
    void SetDataType(TNumericDataType Value);
    void SetPictureMask(const TPictureMask& Value);
    virtual TVcTCNumericFieldEdit* CreateEditControl(TComponent* AOwner);

private:
    TVcTCNumericFieldEdit* edit_;
    TVcTCNumericFieldEdit* paint_;
};

class TVcTCNumericField : public TVcTCCustomNumericField {
    VANTREL_CLASS(TVcTCNumericField, TVcTCCustomNumericField)

    explicit TVcTCNumericField(TComponent* AOwner) : TVcTCCustomNumericField(AOwner) {}
};
