#include "db/DataLinks.h"

#include "db/DBTables.h"
#include "db/DataSetHelpers.h"
#include "db/EngineBlobs.h"
#include "db/EngineFilters.h"
#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "db/FieldClasses.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
// ---- TDataSource ----

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
    Destroying();
    OnStateChange = nullptr;
    SetDataSet(nullptr);
    while (!dataLinks_.empty())
        RemoveDataLink(dataLinks_.back());
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
    for (int steps = 0; DataSet && steps < 1000; ++steps) {
        TDataSource* source = DataSet->GetDataSource();
        if (!source) return false;
        if (source == this) return true;
        DataSet = source->DataSet();
    }
    return false;
}

void TDataSource::SetDataSet(TDataSet* Value) {
    if (Value == dataSet_) return;
    if (IsLinkedTo(Value)) DBError(dbmCircularDataLink);
    if (dataSet_) {
        dataSet_->RemoveFreeNotification(this);
        dataSet_->RemoveDataSource(this);
    }
    if (Value) {
        Value->AddDataSource(this);
        Value->FreeNotification(this);
    }
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == dataSet_) SetDataSet(nullptr);
}

void TDataSource::SetEnabled(bool Value) {
    enabled_ = Value;
    UpdateState();
}

void TDataSource::UpdateState() {
    SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState Value) {
    if (state_ == Value) return;
    const TDataSetState previous = state_;
    state_ = Value;
    NotifyLinks(deUpdateState, 0);
    if (ComponentState().Contains(csDestroying)) return;
    if (OnStateChange) OnStateChange(this);
    if (previous == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::Edit() {
    if (autoEdit_ && state_ == dsBrowse && dataSet_) dataSet_->Edit();
}

void TDataSource::NotifyLinks(TDataEvent Event, std::intptr_t Info) {
    const std::vector<TDataLink*> links = dataLinks_;
    auto stillLinked = [this](TDataLink* link) {
        return std::find(dataLinks_.begin(), dataLinks_.end(), link) != dataLinks_.end();
    };
    for (TDataLink* link : links)
        if (link->bufferCount_ == 1 && stillLinked(link)) link->DataEvent(Event, Info);
    for (TDataLink* link : links)
        if (link->bufferCount_ > 1 && stillLinked(link)) link->DataEvent(Event, Info);
}

void TDataSource::DataEvent(TDataEvent Event, std::intptr_t Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive) return;
    NotifyLinks(Event, Info);
    switch (Event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(this, FieldOf(Info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* DataLink) {
    dataLinks_.push_back(DataLink);
    DataLink->dataSource_ = this;
    if (dataSet_) dataSet_->UpdateBufferCount();
    DataLink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* DataLink) {
    DataLink->dataSource_ = nullptr;
    dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), DataLink), dataLinks_.end());
    DataLink->UpdateState();
    if (dataSet_) dataSet_->UpdateBufferCount();
}

// ---- TDataLink ----

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    active_ = editing_ = dataSourceFixed_ = false;
    if (dataSource_) dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* Value) {
    if (Value == dataSource_) return;
    if (dataSourceFixed_) DBError(dbmDataSourceChange);
    if (dataSource_) dataSource_->RemoveDataLink(this);
    if (Value) Value->AddDataLink(this);
}

TDataSet* TDataLink::GetDataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool Value) {
    if (readOnly_ == Value) return;
    readOnly_ = Value;
    UpdateState();
}

void TDataLink::UpdateState() {
    const TDataSetState state = dataSource_ ? dataSource_->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing((state == dsEdit || state == dsInsert || state == dsSetKey) && !readOnly_);
}

void TDataLink::SetActive(bool Value) {
    if (active_ == Value) return;
    active_ = Value;
    if (Value)
        UpdateRange();
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
    if (editing_ == Value) return;
    editing_ = Value;
    EditingChanged();
}

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    RunThen([&] { UpdateData(); }, [&] { updating_ = false; });
}

int TDataLink::GetActiveRecord() const {
    const TDataSet* dataSet = GetDataSet();
    if (!dataSet || dataSet->State() == dsSetKey) return 0;
    return dataSet->ActiveRecord() - firstRecord_;
}

void TDataLink::SetActiveRecord(int Value) {
    TDataSet* dataSet = GetDataSet();
    if (dataSet && dataSet->State() != dsSetKey) dataSet->SetActiveRecord(Value + firstRecord_);
}

void TDataLink::SetBufferCount(int Value) {
    if (bufferCount_ == Value) return;
    bufferCount_ = Value;
    if (!active_) return;
    UpdateRange();
    GetDataSet()->UpdateBufferCount();
    UpdateRange();
}

int TDataLink::GetRecordCount() const {
    const TDataSet* dataSet = GetDataSet();
    if (!dataSet) return 0;
    if (dataSet->State() == dsSetKey) return 1;
    return std::min(bufferCount_, dataSet->RecordCount());
}

void TDataLink::UpdateRange() {
    const TDataSet* dataSet = GetDataSet();
    const int low = std::max(0, dataSet->ActiveRecord() - bufferCount_ + 1);
    const int high =
        std::min(std::max(0, dataSet->BufferCount() - bufferCount_), dataSet->ActiveRecord());
    if (firstRecord_ < low) firstRecord_ = low;
    if (firstRecord_ > high) firstRecord_ = high;
}

void TDataLink::DataSetScrolled(int) {
    DataSetChanged();
}

void TDataLink::FocusControl(TField*&) {}

void TDataLink::RecordChanged(TField*) {}

void TDataLink::DataEvent(TDataEvent Event, std::intptr_t Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (Event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_) RecordChanged(Event == deFieldChange ? FieldOf(Info) : nullptr);
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int delta = 0;
        const TDataSet* dataSet = GetDataSet();
        if (dataSet->State() != dsSetKey) {
            const int first =
                firstRecord_ + (Event == deDataSetScroll ? static_cast<int>(Info) : 0);
            const int last = first + bufferCount_ - 1;
            const int active = dataSet->ActiveRecord();
            if (active > last)
                delta = active - last;
            else if (active < first)
                delta = active - first;
            firstRecord_ = first + delta;
        }
        if (Event == deDataSetChange)
            DataSetChanged();
        else if (Event == deDataSetScroll)
            DataSetScrolled(delta);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: {
        TField* field = FieldOf(Info);
        FocusControl(field);
        break;
    }
    default: break;
    }
}

// ---- TFieldDataLink ----

void TFieldDataLink::SetFieldName(const std::string& Value) {
    if (fieldName_ == Value) return;
    fieldName_ = Value;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    SetField(nullptr);
    if (Active() && !fieldName_.empty()) SetField(GetDataSet()->FieldByName(fieldName_));
}

void TFieldDataLink::SetField(TField* Value) {
    if (field_ == Value) return;
    field_ = Value;
    EditingChanged();
    RecordChanged(nullptr);
}

bool TFieldDataLink::GetCanModify() const {
    return !ReadOnly() && field_ && field_->CanModify();
}

bool TFieldDataLink::Edit() {
    if (CanModify()) TDataLink::Edit();
    return editing_;
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
    const bool editing = TDataLink::Editing() && CanModify();
    if (editing_ == editing) return;
    editing_ = editing;
    modified_ = false;
    if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::FocusControl(TField*& Field) {
    if (Field && Field == field_ && control_ && control_->CanFocus()) {
        Field = nullptr;
        control_->SetFocus();
    }
}

void TFieldDataLink::RecordChanged(TField* Field) {
    if (Field && Field != field_) return;
    if (OnDataChange) OnDataChange(this);
    modified_ = false;
}

void TFieldDataLink::UpdateData() {
    if (!modified_) return;
    if (field_ && OnUpdateData) OnUpdateData(this);
    modified_ = false;
}
