// TDataSource, which passes a dataset's data events on, and the data links through which
// controls follow a dataset (TDataLink) or one of its fields (TFieldDataLink).
#pragma once

#include "db/DataSet.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <string>
#include <vector>

// ---- Data sources and links ----

class TDataSource : public TComponent {
    VANTREL_CLASS(TDataSource, TComponent)

    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    // "Circular datalinks are not allowed" for a dataset linked back to this source.
    void SetDataSet(TDataSet* Value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool Value) { autoEdit_ = Value; }
    TDataSetState State() const { return state_; }
    void Edit();
    bool IsLinkedTo(TDataSet* DataSet) const;
    int DataLinkCount() const { return static_cast<int>(dataLinks_.size()); }
    TDataLink* DataLinks(int Index) const { return dataLinks_.at(static_cast<std::size_t>(Index)); }
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Called by the dataset with each data event.
    void DataEvent(TDataEvent Event, std::intptr_t Info);
    void AddDataLink(TDataLink* DataLink);
    void RemoveDataLink(TDataLink* DataLink);
    void UpdateState();

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

private:
    friend class TDataSet;
    void SetState(TDataSetState Value);
    void NotifyLinks(TDataEvent Event, std::intptr_t Info);

    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> dataLinks_;
    bool enabled_ = true;
    bool autoEdit_ = true;
    TDataSetState state_ = dsInactive;
};

class TDataLink : public TPersistent {
    VANTREL_CLASS(TDataLink, TPersistent)

    TDataLink();
    ~TDataLink() override;

    TDataSource* DataSource() const { return dataSource_; }
    // "DataSource cannot be changed" when the link's source is fixed.
    void SetDataSource(TDataSource* Value);
    TDataSet* GetDataSet() const;
    TDataSet* DataSet() const { return GetDataSet(); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int Value);
    int FirstRecord() const { return firstRecord_; }
    int GetActiveRecord() const;
    void SetActiveRecord(int Value);
    int ActiveRecord() const { return GetActiveRecord(); }
    int GetRecordCount() const;
    int RecordCount() const { return GetRecordCount(); }
    bool DataSourceFixed() const { return dataSourceFixed_; }
    void SetDataSourceFixed(bool Value) { dataSourceFixed_ = Value; }
    // Puts the dataset into edit state unless read-only; answers Editing.
    bool Edit();
    // Lets the control store its edits (UpdateData), also when it raises.
    void UpdateRecord();

    // Called by the data source.
    void DataEvent(TDataEvent Event, std::intptr_t Info);
    void UpdateState();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int Distance);
    virtual void FocusControl(TField*& Field);
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* Field);
    virtual void UpdateData() {}

private:
    friend class TDataSet;
    friend class TDataSource;
    void SetActive(bool Value);
    void SetEditing(bool Value);
    void UpdateRange();

    TDataSource* dataSource_ = nullptr;
    TDataLink* next_ = nullptr;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
    bool readOnly_ = false;
    bool active_ = false;
    bool editing_ = false;
    bool updating_ = false;
    bool dataSourceFixed_ = false;
};

using TFieldDataLinkEvent = std::function<void(TObject* Sender)>;

// The link of a single-field control: it follows one named field of the source's dataset.
class TFieldDataLink : public TDataLink {
    VANTREL_CLASS(TFieldDataLink, TDataLink)

    TFieldDataLink() = default;

    TField* Field() const { return field_; }
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& Value);
    // The control that takes the focus when its field asks for it.
    TWinControl* Control() const { return control_; }
    void SetControl(TWinControl* Value) { control_ = Value; }
    bool Editing() const { return editing_; }
    bool GetCanModify() const;
    bool CanModify() const { return GetCanModify(); }
    // Puts the dataset into edit state when the field can be modified; answers Editing.
    bool Edit();
    void Modified() { modified_ = true; }
    bool IsModified() const { return modified_; }
    void Reset() { RecordChanged(nullptr); }

    TFieldDataLinkEvent OnDataChange;
    TFieldDataLinkEvent OnEditingChange;
    TFieldDataLinkEvent OnUpdateData;
    TFieldDataLinkEvent OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField*& Field) override;
    void LayoutChanged() override { UpdateField(); }
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetField(TField* Value);
    void ApplyEditing();

    TField* field_ = nullptr;
    std::string fieldName_;
    TWinControl* control_ = nullptr;
    bool editing_ = false;
    bool modified_ = false;
};
