// The data-aware picture field: a picture field that shows and edits one field of the current
// record of a dataset through a field data link, the twin of the data-aware simple field (the
// shared behaviour is TVcDbEntryField in DataSimpleField.h). It also edits dates and times: a
// date-time field is edited as its date or its time (DateOrTime) and keeps the other half. Not
// focused and with UseTFieldMask set, it paints the field's own display text instead of its
// picture.
#pragma once

#include "controls/entry/DataSimpleField.h"
#include "controls/entry/PictureField.h"

#include <string>

enum TDateOrTime : Byte { ftUseDate, ftUseTime, ftUseBothEditDate, ftUseBothEditTime };

using TVcDbPictureFieldBase = TVcDbEntryField<TVcCustomPictureField>;

class TVcDbPictureField : public TVcDbPictureFieldBase {
    VANTREL_CLASS(TVcDbPictureField, TVcDbPictureFieldBase)

    explicit TVcDbPictureField(TComponent* AOwner) : TVcDbPictureFieldBase(AOwner) {}

    TDateOrTime DateOrTime() const { return dateOrTime_; }
    void SetDateOrTime(TDateOrTime Value);

protected:
    TFieldType MaxFieldType() const override { return ftDateTime; }
    void ApplyTypeMapping() override;
    void Paint() override;

private:
    bool PaintsFieldText();
    // The field's display text as painted: the date or time half of a date-time field.
    std::string FieldText(TField& Field) const;

    TDateOrTime dateOrTime_ = ftUseDate;
};
