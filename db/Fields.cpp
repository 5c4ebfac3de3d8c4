#include "db/Fields.h"

#include "db/DBTables.h"
#include "db/DataSet.h"
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
// ---- Field types ----

int FieldDataSize(TFieldType DataType, int Size) {
    switch (DataType) {
    case ftString: return Size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger:
    case ftDate:
    case ftTime:
    case ftAutoInc: return 4;
    case ftFloat:
    case ftCurrency:
    case ftDateTime: return 8;
    case ftBCD: return static_cast<int>(sizeof(TBcd));
    case ftBytes: return Size;
    case ftVarBytes: return Size + 2;
    default: return 0;
    }
}

void CheckFieldSize(TFieldType DataType, int Size) {
    bool valid = Size == 0;
    switch (DataType) {
    case ftString: valid = Size >= 1 && Size <= 8192; break;
    case ftBCD: valid = Size >= 0 && Size <= 32; break;
    case ftBytes:
    case ftVarBytes: valid = Size > 0; break;
    default:
        if (IsBlobType(DataType)) valid = true;
        break;
    }
    if (!valid) DBError(dbmInvalidFieldSize);
}

// ---- Field definitions ----

TFieldDef::TFieldDef(TFieldDefs* Owner, const std::string& Name, TFieldType DataType, int Size,
                     bool Required, int FieldNo)
    : owner_(Owner), name_(Name), dataType_(DataType), required_(Required), size_(Size),
      fieldNo_(FieldNo) {
    CheckFieldSize(DataType, Size);
    owner_->items_.push_back(this);
    owner_->updated_ = false;
}

TFieldDef::~TFieldDef() {
    auto& items = owner_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
    owner_->updated_ = false;
}

TField* TFieldDef::CreateField(TComponent* Owner) {
    TField* field = nullptr;
    switch (dataType_) {
    case ftString: field = new TStringField(Owner); break;
    case ftSmallint: field = new TSmallintField(Owner); break;
    case ftInteger: field = new TIntegerField(Owner); break;
    case ftWord: field = new TWordField(Owner); break;
    case ftBoolean: field = new TBooleanField(Owner); break;
    case ftFloat: field = new TFloatField(Owner); break;
    case ftCurrency: field = new TCurrencyField(Owner); break;
    case ftBCD: field = new TBCDField(Owner); break;
    case ftDate: field = new TDateField(Owner); break;
    case ftTime: field = new TTimeField(Owner); break;
    case ftDateTime: field = new TDateTimeField(Owner); break;
    case ftBytes: field = new TBytesField(Owner); break;
    case ftVarBytes: field = new TVarBytesField(Owner); break;
    case ftAutoInc: field = new TAutoIncField(Owner); break;
    case ftMemo: field = new TMemoField(Owner); break;
    case ftGraphic: field = new TGraphicField(Owner); break;
    case ftBlob:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary: field = new TBlobField(Owner); break;
    case ftUnknown: DBErrorFmt(dbmUnknownFieldType, {name_});
    }
    try {
        field->fieldName_ = name_;
        field->SetSize(size_);
        field->SetRequired(required_);
        field->SetFieldType(dataType_);
        field->SetDataSet(owner_->DataSet());
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

void TFieldDefs::Clear() {
    while (!items_.empty())
        delete items_.back();
}

int TFieldDefs::IndexOf(const std::string& Name) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i]->Name(), Name)) return static_cast<int>(i);
    return -1;
}

TFieldDef* TFieldDefs::Find(const std::string& Name) const {
    const int index = IndexOf(Name);
    if (index < 0) DBErrorFmt(dbmFieldNotFound, {Name});
    return Items(index);
}

void TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
    if (Name.empty()) DBError(dbmFieldNameMissing);
    if (IndexOf(Name) >= 0) DBErrorFmt(dbmDuplicateFieldName, {Name});
    new TFieldDef(this, Name, DataType, Size, Required, Count() + 1);
}

void TFieldDefs::AddFieldDesc(const TFieldDescriptor& Desc, bool Required, int FieldNo) {
    const std::string base = NativeToAnsi(dataSet_->Locale(), FieldDescName(Desc));
    std::string name = base;
    for (int i = 1; IndexOf(name) >= 0; ++i)
        name = Format("%s_%d", {base, i});
    static constexpr std::array<TFieldType, 16> types = {
        ftUnknown, ftString, ftDate, ftBlob,     ftBoolean, ftSmallint, ftInteger, ftFloat,
        ftBCD,     ftBytes,  ftTime, ftDateTime, ftWord,    ftInteger,  ftUnknown, ftVarBytes};
    TFieldType type = Desc.FieldType < types.size() ? types[Desc.FieldType] : ftUnknown;
    int size = 0;
    switch (Desc.FieldType) {
    case 1:
    case 9:
    case 15: size = Desc.Units1; break;
    case 3:
        size = Desc.Units1;
        if (Desc.SubType >= 22 && Desc.SubType <= 28) {
            static constexpr std::array<TFieldType, 7> blobs = {
                ftMemo, ftBlob, ftFmtMemo, ftParadoxOle, ftGraphic, ftDBaseOle, ftTypedBinary};
            type = blobs[Desc.SubType - 22u];
        }
        break;
    case 5:
    case 12:
        if (Desc.Length != 2) type = ftUnknown;
        break;
    case 6:
        if (Desc.SubType == 29) type = ftAutoInc;
        break;
    case 7:
        if (Desc.SubType == 21) type = ftCurrency;
        break;
    case 8: size = std::abs(Desc.Units2); break;
    default: break;
    }
    if (type == ftUnknown) return;
    auto* def = new TFieldDef(this, name, type, size, Required, FieldNo);
    def->SetEngineCalc(Desc.Calculated != 0);
}

void TFieldDefs::Update() {
    dataSet_->FieldDefs();
}

// ---- TField ----

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
    if (dataSet_) {
        dataSet_->Close();
        dataSet_->RemoveField(this);
    }
}

void TField::InitField(TFieldType Type, int Size) {
    size_ = Size;
    SetDataType(Type);
}

void TField::SetDataType(TFieldType Value) {
    dataType_ = Value;
    dataSize_ = FieldDataSize(Value, size_);
}

void TField::SetFieldType(TFieldType) {}

void TField::CheckInactive() const {
    if (dataSet_) dataSet_->CheckInactive();
}

char* TField::ReadRecord() const {
    switch (dataSet_->state_) {
    case dsSetKey: return dataSet_->KeyRecord();
    case dsCalcFields: return dataSet_->calcBuffer_;
    case dsNewValue:
    case dsOldValue: return nullptr;
    case dsFilter: return dataSet_->filterBuffer_;
    default: return dataSet_->ActiveBuffer();
    }
}

char* TField::WriteRecord() const {
    switch (dataSet_->state_) {
    case dsEdit:
    case dsInsert: return dataSet_->ActiveBuffer();
    case dsSetKey:
        if (fieldNo_ < 0 || (dataSet_->indexFieldCount_ > 0 && !IsIndexField()))
            DBErrorFmt(dbmNotIndexField, {GetDisplayName()});
        return dataSet_->KeyRecord();
    case dsCalcFields: return dataSet_->calcBuffer_;
    case dsOldValue: DBError(dbmReadOnlyOldValues);
    case dsFilter: return dataSet_->filterBuffer_;
    default: DBError(dbmNotEditing);
    }
}

bool TField::GetData(void* Buffer) {
    if (!dataSet_) DBErrorFmt(dbmDataSetMissing, {GetDisplayName()});
    if (validating_) {
        if (Buffer && valueBuffer_)
            std::memcpy(Buffer, valueBuffer_, static_cast<std::size_t>(dataSize_));
        return valueBuffer_ != nullptr;
    }
    const char* record = ReadRecord();
    if (!record) return false;
    if (fieldNo_ < 0) {
        if (dataSet_->state_ == dsSetKey) return false;
        const char* slot = record + dataSet_->recordSize_ + offset_;
        if (slot[0] == 0) return false;
        if (Buffer) std::memcpy(Buffer, slot + 1, static_cast<std::size_t>(dataSize_));
        return true;
    }
    if (fieldNo_ == 0) return false;
    bool blank = false;
    CheckEngineResult(
        DbiGetField(dataSet_->handle_, static_cast<Word>(fieldNo_), record, Buffer, &blank));
    return !blank;
}

void TField::SetData(const void* Buffer) {
    if (!dataSet_) DBErrorFmt(dbmDataSetMissing, {GetDisplayName()});
    char* record = WriteRecord();
    const TDataSetState state = dataSet_->state_;
    if (fieldNo_ < 0) {
        char* slot = record + dataSet_->recordSize_ + offset_;
        slot[0] = Buffer ? 1 : 0;
        if (Buffer)
            std::memcpy(slot + 1, Buffer, static_cast<std::size_t>(dataSize_));
        else
            std::memset(slot + 1, 0, static_cast<std::size_t>(dataSize_));
    } else {
        if (state != dsSetKey && state != dsFilter && readOnly_)
            DBErrorFmt(dbmFieldReadOnly, {GetDisplayName()});
        if (state == dsCalcFields) DBError(dbmNotEditing);
        if (OnValidate) {
            valueBuffer_ = Buffer;
            validating_ = true;
            RunThen([&] { OnValidate(this); },
                    [&] {
                        validating_ = false;
                        valueBuffer_ = nullptr;
                    });
        }
        if (!engineCalc_)
            CheckEngineResult(
                DbiPutField(dataSet_->handle_, static_cast<Word>(fieldNo_), record, Buffer));
    }
    if (state != dsCalcFields && state != dsFilter)
        dataSet_->DataEvent(deFieldChange, InfoOf(this));
}

void TField::SetAsVariant(const TVariant& Value) {
    if (Value.IsNull())
        Clear();
    else
        SetVarValue(Value);
}

void TField::Clear() {
    SetData(nullptr);
}

void TField::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* field = dynamic_cast<TField*>(Source)) {
        SetAsVariant(field->Value());
        return;
    }
    TComponent::Assign(Source);
}

void TField::AssignValue(const TVarRec& Value) {
    if (Value.IsInteger()) {
        SetAsInteger(static_cast<LongInt>(Value.AsInteger()));
    } else if (Value.IsFloat()) {
        SetAsFloat(static_cast<double>(Value.AsFloat()));
    } else if (Value.IsString()) {
        SetAsString(Value.AsString());
    } else if (Value.IsPointer() && Value.AsPointer() != nullptr) {
        DBErrorFmt(dbmFieldValueError, {GetDisplayName()});
    }
}

void TField::AccessError(const char* TypeName) const {
    DBErrorFmt(dbmFieldAccessError, {GetDisplayName(), TypeName});
}

void TField::RangeError(double Value, double Min, double Max) const {
    DBErrorFmt(dbmFieldRangeError, {Value, GetDisplayName(), Min, Max});
}

LongInt TField::RoundToInteger(double Value) const {
    if (!FitsInteger(Value)) DBErrorFmt(dbmFieldOutOfRange, {GetDisplayName()});
    return static_cast<LongInt>(Round(Value));
}

void TField::Change() {
    if (OnChange) OnChange(this);
}

bool TField::GetAsBoolean() {
    AccessError("Boolean");
}
double TField::GetAsCurrency() {
    AccessError("Currency");
}
double TField::GetAsDateTime() {
    AccessError("DateTime");
}
double TField::GetAsFloat() {
    AccessError("Float");
}
LongInt TField::GetAsInteger() {
    AccessError("Integer");
}
std::string TField::GetAsString() {
    return ClassDesc();
}
TVariant TField::GetAsVariant() {
    AccessError("Variant");
}
void TField::DoSetAsBoolean(bool) {
    AccessError("Boolean");
}
void TField::DoSetAsCurrency(double Value) {
    DoSetAsFloat(Value);
}
void TField::DoSetAsDateTime(double) {
    AccessError("DateTime");
}
void TField::DoSetAsFloat(double) {
    AccessError("Float");
}
void TField::DoSetAsInteger(LongInt) {
    AccessError("Integer");
}
void TField::DoSetAsString(const std::string&) {
    AccessError("String");
}
void TField::SetVarValue(const TVariant&) {
    AccessError("Variant");
}

void TField::GetText(std::string& Text, bool) {
    Text = GetAsString();
}

void TField::SetText(const std::string& Value) {
    DoSetAsString(Value);
}

std::string TField::ClassDesc() const {
    std::string name = ClassName();
    if (name.size() >= 5) {
        if (name[0] == 'T' || name[0] == 't') name.erase(0, 1);
        if (name.size() >= 5 && SameText(name.substr(name.size() - 5), "FIELD"))
            name.erase(name.size() - 5);
    }
    return Format("(%s)", {name});
}

std::string TField::GetDisplayText() {
    std::string text;
    if (OnGetText)
        OnGetText(this, text, true);
    else
        GetText(text, true);
    return text;
}

std::string TField::GetEditText() {
    std::string text;
    if (OnGetText)
        OnGetText(this, text, false);
    else
        GetText(text, false);
    return text;
}

void TField::SetEditText(const std::string& Value) {
    if (OnSetText)
        OnSetText(this, Value);
    else
        SetText(Value);
}

void TField::PropertyChanged(bool LayoutAffected) {
    if (dataSet_ && dataSet_->Active())
        dataSet_->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const std::string& Value) {
    const std::string label = Value == fieldName_ ? std::string() : Value;
    if (label == displayLabel_) return;
    displayLabel_ = label;
    PropertyChanged(true);
}

void TField::SetDisplayWidth(int Value) {
    if (Value == displayWidth_) return;
    displayWidth_ = Value;
    PropertyChanged(true);
}

void TField::SetVisible(bool Value) {
    if (Value == visible_) return;
    visible_ = Value;
    PropertyChanged(true);
}

void TField::SetAlignment(TAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    PropertyChanged(false);
}

void TField::SetEditMask(const std::string& Value) {
    editMask_ = Value;
    PropertyChanged(false);
}

bool TField::GetCanModify() const {
    if (fieldNo_ < 1 || !dataSet_) return false;
    if (dataSet_->state_ == dsSetKey) return dataSet_->indexFieldCount_ == 0 || IsIndexField();
    return !readOnly_ && dataSet_->CanModify();
}

bool TField::IsIndexField() const {
    if (fieldNo_ <= 0 || !dataSet_) return false;
    for (int i = 0; i < dataSet_->indexFieldCount_; ++i)
        if (dataSet_->IndexFieldNo(i) == fieldNo_) return true;
    return false;
}

void TField::FocusControl() {
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(deFocusControl, InfoOf(this));
}

int TField::GetIndex() const {
    if (!dataSet_) return -1;
    const auto& fields = dataSet_->fields_;
    return static_cast<int>(std::find(fields.begin(), fields.end(), this) - fields.begin());
}

void TField::SetIndex(int Value) {
    if (!dataSet_) return;
    auto& fields = dataSet_->fields_;
    const int count = static_cast<int>(fields.size());
    const int target = std::clamp(Value, 0, count - 1);
    const int current = GetIndex();
    if (target == current) return;
    fields.erase(fields.begin() + current);
    fields.insert(fields.begin() + target, this);
    PropertyChanged(true);
    dataSet_->DataEvent(deFieldListChange, 0);
}

bool TField::IsValidChar(char) const {
    return true;
}

void TField::SetDataSet(TDataSet* Value) {
    if (Value == dataSet_) return;
    if (dataSet_) dataSet_->CheckInactive();
    if (Value) {
        Value->CheckInactive();
        Value->CheckFieldName(fieldName_);
    }
    if (dataSet_) dataSet_->RemoveField(this);
    if (Value) Value->AddField(this);
}

void TField::SetFieldName(const std::string& Value) {
    if (dataSet_) {
        dataSet_->CheckInactive();
        if (!SameText(Value, fieldName_)) dataSet_->CheckFieldName(Value);
    }
    fieldName_ = Value;
    if (displayLabel_ == Value) displayLabel_.clear();
    if (dataSet_) dataSet_->DataEvent(deFieldListChange, 0);
}

void TField::SetSize(int Value) {
    CheckInactive();
    CheckFieldSize(dataType_, Value);
    size_ = Value;
    dataSize_ = FieldDataSize(dataType_, Value);
}

void TField::SetCalculated(bool Value) {
    CheckInactive();
    if (Value)
        fieldKind_ = fkCalculated;
    else if (fieldKind_ == fkCalculated)
        fieldKind_ = fkData;
}

void TField::SetLookup(bool Value) {
    CheckInactive();
    if (Value)
        fieldKind_ = fkLookup;
    else if (fieldKind_ == fkLookup)
        fieldKind_ = fkData;
}

void TField::SetLookupDataSet(TDataSet* Value) {
    CheckInactive();
    if (Value && Value == dataSet_) DBError(dbmCircularDataLink);
    if (lookupDataSet_) lookupDataSet_->RemoveFreeNotification(this);
    lookupDataSet_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TField::SetKeyFields(const std::string& Value) {
    CheckInactive();
    keyFields_ = Value;
}

void TField::SetLookupKeyFields(const std::string& Value) {
    CheckInactive();
    lookupKeyFields_ = Value;
}

void TField::SetLookupResultField(const std::string& Value) {
    CheckInactive();
    lookupResultField_ = Value;
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == lookupDataSet_) lookupDataSet_ = nullptr;
}

void TField::Bind(bool Binding) {
    if (!Binding) {
        fieldNo_ = 0;
        return;
    }
    if (fieldKind_ != fkLookup) return;
    if (!lookupDataSet_ || keyFields_.empty() || lookupKeyFields_.empty() ||
        lookupResultField_.empty())
        DBErrorFmt(dbmLookupInfoError, {GetDisplayName()});
    std::vector<TField*> fields;
    dataSet_->GetFieldList(fields, keyFields_);
    lookupDataSet_->Open();
    lookupDataSet_->GetFieldList(fields, lookupKeyFields_);
    lookupDataSet_->FieldByName(lookupResultField_);
}
