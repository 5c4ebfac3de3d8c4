#include "controls/entry/DataPictureLabel.h"

TVcDbPictureLabel::TVcDbPictureLabel(TComponent* AOwner)
    : TVcCustomPictureLabel(AOwner), link_(std::make_unique<TFieldDataLink>()) {
    SetTransparent(false);
    link_->OnDataChange = [this](TObject* Sender) { DataChange(Sender); };
}

TVcDbPictureLabel::~TVcDbPictureLabel() {
    link_->SetDataSource(nullptr);
}

void TVcDbPictureLabel::SetDataSource(TDataSource* Value) {
    link_->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TVcDbPictureLabel::SetDataField(const std::string& Value) {
    link_->SetFieldName(Value);
}

void TVcDbPictureLabel::SetShowDateOrTime(Byte Value) {
    showDateOrTime_ = Value;
    DataChange(this);
    Invalidate();
}

void TVcDbPictureLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TVcCustomPictureLabel::Notification(AComponent, Operation);
    if (Operation == opRemove && link_ && AComponent == link_->DataSource())
        link_->SetDataSource(nullptr);
}

void TVcDbPictureLabel::DataChange(TObject* /*Sender*/) {
    TField* field = link_->Field();
    if (!field) {
        SetCaption("");
        return;
    }
    const TFieldType type = field->DataType();
    // A date or time the record does not hold shows as none, not as day 0.
    if (field->IsNull() && (type == ftDate || type == ftTime || type == ftDateTime)) {
        if (type == ftTime || (type == ftDateTime && showDateOrTime_ != 0))
            SetAsTimeOfDay(BadTime);
        else
            SetAsDayNumber(BadDate);
        return;
    }
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord: SetAsInteger(field->AsInteger()); break;
    case ftBoolean: SetAsBoolean(field->AsBoolean()); break;
    case ftFloat:
    case ftCurrency: SetAsFloat(field->AsFloat()); break;
    case ftDate: SetAsDateTime(field->AsDateTime()); break;
    case ftTime: SetAsTime(field->AsDateTime()); break;
    case ftDateTime:
        if (showDateOrTime_ == 0)
            SetAsDateTime(field->AsDateTime());
        else
            SetAsTime(field->AsDateTime());
        break;
    default: SetAsString(field->AsString()); break;
    }
}
