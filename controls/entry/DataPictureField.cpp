#include "controls/entry/DataPictureField.h"

#include "platform/rtl/DateTime.h"

void TVcDbPictureField::SetDateOrTime(TDateOrTime Value) {
    dateOrTime_ = Value;
    ApplyTypeMapping();
    if (Field()) DataLink()->Reset();
    Invalidate();
}

void TVcDbPictureField::ApplyTypeMapping() {
    TField* field = Field();
    const TFieldType type = field ? field->DataType() : FieldType();
    const bool editsTime = dateOrTime_ == ftUseTime || dateOrTime_ == ftUseBothEditTime;
    TPictureDataType target = pftString;
    switch (type) {
    case ftSmallint: target = pftInteger; break;
    case ftInteger: target = pftLongInt; break;
    case ftWord: target = pftWord; break;
    case ftBoolean: target = pftBoolean; break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: target = pftExtended; break;
    case ftDate: target = pftDate; break;
    case ftTime: target = pftTime; break;
    case ftDateTime: target = editsTime ? pftTime : pftDate; break;
    default: break;
    }
    if (DataType() != target) SetDataType(target);
    if (field && type == ftString) {
        const int width = field->GetDisplayWidth();
        if (static_cast<int>(PictureMask().size()) > width)
            SetPictureMask(PictureMask().substr(0, static_cast<std::size_t>(width)));
        SetMaxLength(width);
    }
    if (field) SetFieldTypeValue(type);
}

std::string TVcDbPictureField::FieldText(TField& Field) const {
    if (FieldType() == ftDateTime && dateOrTime_ == ftUseDate) return DateToStr(Field.AsDateTime());
    if (FieldType() == ftDateTime && dateOrTime_ == ftUseTime) return TimeToStr(Field.AsDateTime());
    return Field.DisplayText();
}

bool TVcDbPictureField::PaintsFieldText() {
    const TVcController* controller = Controller();
    return !Focused() && DataLink()->Active() && Field() &&
           !(controller && controller->ErrorPending()) &&
           (UseTFieldMask() || ComponentState().Contains(csDesigning));
}

void TVcDbPictureField::Paint() {
    if (!PaintsFieldText()) {
        TVcDbPictureFieldBase::Paint();
        return;
    }
    TField& field = *Field();
    std::string text = field.IsNull() ? std::string() : FieldText(field);
    if (PasswordMode()) text.assign(text.size(), PasswordChar());
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    const TRect r = ClientRect();
    canvas->FillRect(r);
    const int width = canvas->TextWidth(text);
    int x = TextMargin();
    if (field.Alignment() == taRightJustify)
        x = r.Right - TextMargin() - width;
    else if (field.Alignment() == taCenter)
        x = (r.Right - width) / 2;
    canvas->TextRect(r, x, (r.Bottom - canvas->TextHeight(text)) / 2, text);
}
