// The data-aware picture label: a picture label whose value is one field of the current record
// of a dataset, read through a field data link and formatted by the field's type. A date-time
// field shows its date or its time (ShowDateOrTime 0 or 1). The label is opaque.
#pragma once

#include "controls/entry/PictureLabel.h"
#include "db/DB.h"

#include <memory>
#include <string>

class TVcDbPictureLabel : public TVcCustomPictureLabel {
    VANTREL_CLASS(TVcDbPictureLabel, TVcCustomPictureLabel)

    explicit TVcDbPictureLabel(TComponent* AOwner);
    ~TVcDbPictureLabel() override;

    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const std::string& DataField() const { return link_->FieldName(); }
    void SetDataField(const std::string& Value);
    TField* Field() const { return link_->Field(); }
    TFieldDataLink* DataLink() const { return link_.get(); }
    // 0 shows a date-time field's date, 1 its time.
    Byte ShowDateOrTime() const { return showDateOrTime_; }
    void SetShowDateOrTime(Byte Value);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange(TObject* Sender);

    std::unique_ptr<TFieldDataLink> link_;
    Byte showDateOrTime_ = 0;
};
