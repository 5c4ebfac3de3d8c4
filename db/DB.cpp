#include "db/DB.h"

#include "db/DBTables.h"
#include "db/DbiAreas.h"
#include "db/DbiBlobs.h"
#include "db/DbiFilters.h"
#include "db/DbiProcs.h"
#include "db/DbiRecords.h"
#include "db/DbiServices.h"
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

namespace {

const std::map<int, const char*>& Messages() {
    static const std::map<int, const char*> messages = {
        {62464, "Duplicate database name '%s'"},
        {62465, "Duplicate session name '%s'"},
        {62466, "Invalid session name %s"},
        {62467, "Database name missing"},
        {62468, "Session name missing"},
        {62469, "Cannot perform this operation on an open database"},
        {62472, "Cannot perform this operation on an open dataset"},
        {62473, "Cannot perform this operation on a closed dataset"},
        {62474, "Cannot perform this operation on an active session"},
        {62475, "Error creating cursor handle"},
        {62476, "Field '%s' is of an unknown type"},
        {62477, "Field '%s' not found"},
        {62478, "Field '%s' has no dataset"},
        {62479, "Cannot perform this operation on an empty dataset"},
        {62480, "Field '%s' is not of the expected type"},
        {62483, "%g is not a valid value for field '%s'. The allowed range is %g to %g"},
        {62484, "'%s' is not a valid integer value for field '%s'"},
        {62485, "'%s' is not a valid floating point value for field '%s'"},
        {62486, "'%s' is not a valid boolean value for field '%s'"},
        {62487, "Dataset not in edit or insert mode"},
        {62489, "Cannot modify a read-only dataset"},
        {62490, "Field '%s' cannot be modified"},
        {62491, "Field '%s' is not indexed and cannot be modified"},
        {62492, "Field '%s' must have a value"},
        {62493, "Cannot access field '%s' as type %s"},
        {62495, "Invalid value for field '%s'"},
        {62496, "Field '%s' is of unknown type"},
        {62497, "Field '%s' is of an unsupported type"},
        {62498, "Field '%s' cannot be a calculated field"},
        {62499, "Invalid field size"},
        {62500, "Circular datalinks are not allowed"},
        {62501, "Field index out of range"},
        {62502, "Cannot use array of Field values with Expression Indices"},
        {62503, "No index currently active"},
        {62504, "Cannot access index field '%s'"},
        {62505, "Duplicate field name '%s'"},
        {62506, "Duplicate index name '%s'"},
        {62507, "Field name missing"},
        {62508, "Table '%s' has no index for fields '%s'"},
        {62509, "False"},
        {62510, "True"},
        {62512, "No SQL statement available"},
        {62513, "No value for parameter '%s'"},
        {62514, "No parameter type for parameter '%s'"},
        {62515, "Parameter '%s' not found"},
        {62517, "Cannot connect to database '%s'"},
        {62520, "An error occurred while attempting to initialize the Database Engine (error "
                "$%.4x)"},
        {62542, "Delete record?"},
        {62554, "0009"},
        {62556, "Engine error $%.4x"},
        {62562, "Parameter '%s' truncated on output"},
        {62563, "Unable to load bind parameters"},
        {62571, "Index does not exist. Index: %s"},
        {62580, "Missing TableName property"},
        {62583, "Cannot update old values"},
        {62584, "Lookup information for field '%s' is incomplete"},
        {62585, "Invalid alias name %s"},
        {62586, "DataSource cannot be changed"},
        {62588, "Filter expression incorrectly terminated"},
        {62589, "Unterminated field name"},
        {62590, "Unterminated string constant"},
        {62591, "Invalid filter expression character: '%s'"},
        {62592, "')' expected but %s found"},
        {62593, "Expression expected but %s found"},
        {62594, "Relational operators require a field and a constant"},
        {62595, "Field '%s' cannot be used in a filter expression"},
        {62596, "NULL only allowed with '=' and '<>'"},
        {62597, "Constant out of range"},
        {62598, "Field '%s' is not of type Boolean"},
        {62599, "Incorrectly formed filter expression"},
        {62600, "nothing"},
        {62601, "Cannot access field '%s' in a filter"},
        {62605, "Value of field '%s' is out of range"},
        {62606, "(Overflow)"},
        {62608, "Untitled Application"},
        {62611, "Invalid variant type or size"},
    };
    return messages;
}

// The engine's record-reading modes.
enum TGetMode { gmCurrent, gmNext, gmPrior };

// Bookmark flags of a record buffer.
constexpr Byte bfCurrent = 0;
constexpr Byte bfBOF = 1;
constexpr Byte bfEOF = 2;
constexpr Byte bfInserted = 255;

constexpr int keySave = 5;
constexpr int maxRequiredFields = 256;

// The class of a field type when persistent fields are matched with the cursor's definitions:
// currency counts as float, auto-increment as integer, every blob kind as blob.
TFieldType TypeClass(TFieldType Type) {
    switch (Type) {
    case ftCurrency: return ftFloat;
    case ftAutoInc: return ftInteger;
    default: return Type >= ftBlob ? ftBlob : Type;
    }
}

bool IsBlobType(int Type) {
    return Type >= ftBlob && Type <= ftTypedBinary;
}

std::intptr_t InfoOf(const TField* Field) {
    return reinterpret_cast<std::intptr_t>(Field);
}

TField* FieldOf(std::intptr_t Info) {
    return reinterpret_cast<TField*>(Info);
}

// The value rounds to a 32-bit integer.
bool FitsInteger(double Value) {
    return std::isfinite(Value) && Value >= std::numeric_limits<LongInt>::min() - 0.5 &&
           Value < std::numeric_limits<LongInt>::max() + 0.5;
}

// Runs Body, then Final, also when Body raises.
template <typename Body, typename Final>
void RunThen(const Body& body, const Final& final) {
    try {
        body();
    } catch (...) {
        final();
        throw;
    }
    final();
}

} // namespace

std::string DBMessage(int Ident) {
    const auto found = Messages().find(Ident);
    return found == Messages().end() ? std::string() : found->second;
}

void DatabaseError(const std::string& Message) {
    throw EDatabaseError(Message);
}

void DBError(int Ident) {
    DatabaseError(DBMessage(Ident));
}

void DBErrorFmt(int Ident, TVarRecs Args) {
    DatabaseError(Format(DBMessage(Ident), Args));
}

// ---- TVariant ----

TVariant TVariant::Null() {
    TVariant v;
    v.type_ = varNull;
    return v;
}

TVariant TVariant::FromDate(double Value) {
    TVariant v(Value);
    v.type_ = varDate;
    return v;
}

TVariant TVariant::FromCurrency(double Value) {
    TVariant v(Value);
    v.type_ = varCurrency;
    return v;
}

TVariant TVariant::Array(std::vector<TVariant> Items) {
    TVariant v;
    v.type_ = varArray;
    v.items_ = std::move(Items);
    return v;
}

TVariant TVariant::Bytes(std::vector<Byte> Data) {
    TVariant v;
    v.type_ = varByteArray;
    v.bytes_ = std::move(Data);
    return v;
}

void TVariant::ConversionError() {
    throw EVariantError("Invalid variant type conversion");
}

bool TVariant::AsBoolean() const {
    switch (type_) {
    case varBoolean:
    case varInteger: return integer_ != 0;
    case varDouble:
    case varCurrency:
    case varDate: return float_ != 0;
    case varString:
        if (SameText(text_, "True")) return true;
        if (SameText(text_, "False")) return false;
        return StrToFloat(text_) != 0;
    default: ConversionError();
    }
}

Int64 TVariant::AsInteger() const {
    switch (type_) {
    case varBoolean:
    case varInteger: return integer_;
    case varDouble:
    case varCurrency:
    case varDate: return Round(float_);
    case varString: return Round(StrToFloat(text_));
    default: ConversionError();
    }
}

double TVariant::AsFloat() const {
    switch (type_) {
    case varBoolean:
    case varInteger: return static_cast<double>(integer_);
    case varDouble:
    case varCurrency:
    case varDate: return float_;
    case varString: return StrToFloat(text_);
    default: ConversionError();
    }
}

std::string TVariant::AsString() const {
    switch (type_) {
    case varBoolean: return integer_ != 0 ? "True" : "False";
    case varInteger: return IntToStr(integer_);
    case varDouble:
    case varCurrency: return FloatToStr(float_);
    case varDate: return DateTimeToStr(float_);
    case varString: return text_;
    case varNull: return {};
    default: ConversionError();
    }
}

bool TVariant::operator==(const TVariant& Other) const {
    return type_ == Other.type_ && integer_ == Other.integer_ && float_ == Other.float_ &&
           text_ == Other.text_ && items_ == Other.items_ && bytes_ == Other.bytes_;
}

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

// ---- TStringField ----

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
    InitField(ftString, 20);
}

bool TStringField::GetValue(std::string& Value) {
    std::array<char, 8193> buffer; // the longest string field and its terminating zero
    buffer[0] = buffer.back() = '\0';
    if (!GetData(buffer.data())) return false;
    Value = buffer.data();
    if (transliterate_) Value = NativeToAnsi(DataSet()->Locale(), Value);
    return true;
}

std::string TStringField::GetAsString() {
    std::string value;
    return GetValue(value) ? value : std::string();
}

TVariant TStringField::GetAsVariant() {
    std::string value;
    return GetValue(value) ? TVariant(value) : TVariant::Null();
}

bool TStringField::GetAsBoolean() {
    const std::string value = GetAsString();
    return !value.empty() && std::strchr("TtYy", value[0]) != nullptr;
}

double TStringField::GetAsDateTime() {
    return StrToDateTime(GetAsString());
}

double TStringField::GetAsFloat() {
    return StrToFloat(GetAsString());
}

LongInt TStringField::GetAsInteger() {
    return StrToInt(GetAsString());
}

void TStringField::GetText(std::string& Text, bool) {
    Text = GetAsString();
}

void TStringField::DoSetAsString(const std::string& Value) {
    std::string buffer;
    if (transliterate_)
        AnsiToNative(DataSet() ? DataSet()->Locale() : 0, Value, buffer, Size());
    else
        buffer = Value.substr(0, static_cast<std::size_t>(Size()));
    // The stored form is Size + 1 bytes, zero-filled after the text.
    buffer.resize(static_cast<std::size_t>(Size()) + 1, '\0');
    SetData(buffer.data());
}

void TStringField::DoSetAsBoolean(bool Value) {
    DoSetAsString(Value ? "T" : "F");
}

void TStringField::DoSetAsDateTime(double Value) {
    DoSetAsString(DateTimeToStr(Value));
}

void TStringField::DoSetAsFloat(double Value) {
    DoSetAsString(FloatToStr(Value));
}

void TStringField::DoSetAsInteger(LongInt Value) {
    DoSetAsString(IntToStr(Value));
}

void TStringField::SetVarValue(const TVariant& Value) {
    DoSetAsString(Value.AsString());
}

// ---- TNumericField ----

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) {
    SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const std::string& Value) {
    displayFormat_ = Value;
    PropertyChanged(false);
}

void TNumericField::SetEditFormat(const std::string& Value) {
    editFormat_ = Value;
    PropertyChanged(false);
}

const std::string& TNumericField::FormatFor(bool DisplayText) const {
    return DisplayText || editFormat_.empty() ? displayFormat_ : editFormat_;
}

// ---- Integer fields ----

TIntegerField::TIntegerField(TComponent* AOwner)
    : TNumericField(AOwner), minRange_(std::numeric_limits<LongInt>::min()),
      maxRange_(std::numeric_limits<LongInt>::max()) {
    InitField(ftInteger, 0);
}

void TIntegerField::SetRange(LongInt Min, LongInt Max) {
    minRange_ = Min;
    maxRange_ = Max;
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
    InitField(ftSmallint, 0);
    SetRange(-32768, 32767);
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
    InitField(ftWord, 0);
    SetRange(0, 65535);
}

TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) {
    InitField(ftAutoInc, 0);
}

bool TIntegerField::GetValue(LongInt& Value) {
    switch (DataType()) {
    case ftSmallint: {
        SmallInt small = 0;
        if (!GetData(&small)) return false;
        Value = small;
        return true;
    }
    case ftWord: {
        Word word = 0;
        if (!GetData(&word)) return false;
        Value = word;
        return true;
    }
    default: return GetData(&Value);
    }
}

LongInt TIntegerField::GetAsInteger() {
    LongInt value = 0;
    return GetValue(value) ? value : 0;
}

double TIntegerField::GetAsFloat() {
    return GetAsInteger();
}

std::string TIntegerField::GetAsString() {
    LongInt value = 0;
    return GetValue(value) ? IntToStr(value) : std::string();
}

TVariant TIntegerField::GetAsVariant() {
    LongInt value = 0;
    return GetValue(value) ? TVariant(static_cast<int>(value)) : TVariant::Null();
}

void TIntegerField::GetText(std::string& Text, bool DisplayText) {
    LongInt value = 0;
    if (!GetValue(value)) {
        Text.clear();
        return;
    }
    const std::string& format = FormatFor(DisplayText);
    Text = format.empty() ? IntToStr(value) : FormatFloat(format, value);
}

void TIntegerField::DoSetAsInteger(LongInt Value) {
    // The stored form's own limits hold whatever user range is set, so a value never wraps.
    const bool userRange = minValue_ != 0 || maxValue_ != 0;
    const LongInt low = userRange ? minValue_ : minRange_;
    const LongInt high = userRange ? maxValue_ : maxRange_;
    if (Value < low || Value > high || Value < minRange_ || Value > maxRange_)
        RangeError(Value, low, high);
    switch (DataType()) {
    case ftSmallint: {
        const auto small = static_cast<SmallInt>(Value);
        SetData(&small);
        break;
    }
    case ftWord: {
        const auto word = static_cast<Word>(Value);
        SetData(&word);
        break;
    }
    default: SetData(&Value); break;
    }
}

void TIntegerField::DoSetAsFloat(double Value) {
    const bool userRange = minValue_ != 0 || maxValue_ != 0;
    if (!FitsInteger(Value))
        RangeError(Value, userRange ? minValue_ : minRange_, userRange ? maxValue_ : maxRange_);
    DoSetAsInteger(static_cast<LongInt>(Round(Value)));
}

void TIntegerField::DoSetAsString(const std::string& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    Int64 number = 0;
    int code = 0;
    Val(Value, number, code);
    if (code != 0) DBErrorFmt(dbmInvalidIntegerValue, {Value, GetDisplayName()});
    DoSetAsFloat(static_cast<double>(number));
}

void TIntegerField::SetVarValue(const TVariant& Value) {
    DoSetAsFloat(static_cast<double>(Value.AsInteger()));
}

bool TIntegerField::IsValidChar(char C) const {
    return C == '+' || C == '-' || (C >= '0' && C <= '9');
}

// ---- Float fields ----

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) {
    InitField(ftFloat, 0);
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
    InitField(ftCurrency, 0);
    SetCurrency(true);
}

void TFloatField::SetCurrency(bool Value) {
    currency_ = Value;
    PropertyChanged(false);
}

void TFloatField::SetPrecision(int Value) {
    precision_ = std::clamp(Value, 2, 15);
    PropertyChanged(false);
}

void TFloatField::SetMinValue(double Value) {
    minValue_ = Value;
    checkRange_ = minValue_ != 0 || maxValue_ != 0;
}

void TFloatField::SetMaxValue(double Value) {
    maxValue_ = Value;
    checkRange_ = minValue_ != 0 || maxValue_ != 0;
}

double TFloatField::GetAsFloat() {
    double value = 0;
    return GetData(&value) ? value : 0;
}

LongInt TFloatField::GetAsInteger() {
    return RoundToInteger(GetAsFloat());
}

std::string TFloatField::GetAsString() {
    double value = 0;
    return GetData(&value) ? FloatToStr(value) : std::string();
}

TVariant TFloatField::GetAsVariant() {
    double value = 0;
    return GetData(&value) ? TVariant(value) : TVariant::Null();
}

void TFloatField::GetText(std::string& Text, bool DisplayText) {
    double value = 0;
    if (!GetData(&value)) {
        Text.clear();
        return;
    }
    const std::string& format = FormatFor(DisplayText);
    if (!format.empty())
        Text = FormatFloat(format, value);
    else if (currency_)
        Text = FloatToStrF(value, DisplayText ? ffCurrency : ffFixed, precision_,
                           FormatSettings().CurrencyDecimals);
    else
        Text = FloatToStrF(value, ffGeneral, precision_, 0);
}

void TFloatField::DoSetAsFloat(double Value) {
    if (!std::isfinite(Value))
        DBErrorFmt(dbmInvalidFloatValue, {FloatToStr(Value), GetDisplayName()});
    if (checkRange_ && (Value < minValue_ || Value > maxValue_))
        RangeError(Value, minValue_, maxValue_);
    SetData(&Value);
}

void TFloatField::DoSetAsString(const std::string& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    double number = 0;
    if (!TextToFloat(Value, number)) DBErrorFmt(dbmInvalidFloatValue, {Value, GetDisplayName()});
    DoSetAsFloat(number);
}

bool TFloatField::IsValidChar(char C) const {
    return C == '+' || C == '-' || C == 'E' || C == 'e' || (C >= '0' && C <= '9') ||
           C == FormatSettings().DecimalSeparator;
}

// ---- BCD fields ----

namespace {

using UInt128 = unsigned __int128;

UInt128 PowerOfTen(int Exponent) {
    UInt128 result = 1;
    for (int i = 0; i < Exponent; ++i)
        result *= 10;
    return result;
}

} // namespace

bool BcdToCurrency(const TBcd& Bcd, Int64& Value) {
    const int precision = std::min<int>(Bcd.Bytes[0], 64);
    const int scale = Bcd.Bytes[1] & 0x3F;
    const bool negative = (Bcd.Bytes[1] & 0x80) != 0;
    UInt128 magnitude = 0;
    for (int i = 0; i < precision; ++i) {
        const Byte pair = Bcd.Bytes[2 + static_cast<std::size_t>(i / 2)];
        const int digit = i % 2 == 0 ? pair >> 4 : pair & 0x0F;
        magnitude = magnitude * 10 + static_cast<unsigned>(digit);
        if (magnitude > PowerOfTen(36)) return false;
    }
    if (scale < 4)
        magnitude *= PowerOfTen(4 - scale);
    else
        magnitude /= PowerOfTen(scale - 4);
    const UInt128 limit =
        static_cast<UInt128>(std::numeric_limits<Int64>::max()) + (negative ? 1 : 0);
    if (magnitude > limit) return false;
    Value = negative ? static_cast<Int64>(-static_cast<__int128>(magnitude))
                     : static_cast<Int64>(magnitude);
    return true;
}

TBcd CurrencyToBcd(Int64 Value, int Precision, int Scale) {
    TBcd bcd;
    const bool negative = Value < 0;
    UInt128 magnitude = negative ? static_cast<UInt128>(-static_cast<__int128>(Value))
                                 : static_cast<UInt128>(Value);
    if (Scale < 4)
        magnitude = (magnitude + PowerOfTen(4 - Scale) / 2) / PowerOfTen(4 - Scale);
    else
        magnitude *= PowerOfTen(Scale - 4);
    bcd.Bytes[0] = static_cast<Byte>(Precision);
    bcd.Bytes[1] = static_cast<Byte>(Scale | (negative ? 0x80 : 0));
    for (int i = Precision - 1; i >= 0; --i) {
        const auto digit = static_cast<Byte>(magnitude % 10);
        magnitude /= 10;
        Byte& pair = bcd.Bytes[2 + static_cast<std::size_t>(i / 2)];
        pair = i % 2 == 0 ? static_cast<Byte>((pair & 0x0F) | (digit << 4))
                          : static_cast<Byte>((pair & 0xF0) | digit);
    }
    return bcd;
}

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
    InitField(ftBCD, 4);
}

void TBCDField::SetCurrency(bool Value) {
    currency_ = Value;
    PropertyChanged(false);
}

void TBCDField::SetMinValue(Int64 Value) {
    minValue_ = Value;
    checkRange_ = minValue_ != 0 || maxValue_ != 0;
}

void TBCDField::SetMaxValue(Int64 Value) {
    maxValue_ = Value;
    checkRange_ = minValue_ != 0 || maxValue_ != 0;
}

bool TBCDField::GetValue(Int64& Value) {
    TBcd bcd;
    if (!GetData(bcd.Bytes.data())) return false;
    if (!BcdToCurrency(bcd, Value)) DBErrorFmt(dbmFieldOutOfRange, {GetDisplayName()});
    return true;
}

double TBCDField::GetAsCurrency() {
    Int64 value = 0;
    return GetValue(value) ? static_cast<double>(value) / 10000 : 0;
}

double TBCDField::GetAsFloat() {
    return GetAsCurrency();
}

LongInt TBCDField::GetAsInteger() {
    return RoundToInteger(GetAsCurrency());
}

std::string TBCDField::GetAsString() {
    Int64 value = 0;
    return GetValue(value) ? FloatToStr(static_cast<double>(value) / 10000) : std::string();
}

TVariant TBCDField::GetAsVariant() {
    Int64 value = 0;
    return GetValue(value) ? TVariant::FromCurrency(static_cast<double>(value) / 10000)
                           : TVariant::Null();
}

void TBCDField::GetText(std::string& Text, bool DisplayText) {
    TBcd bcd;
    Int64 scaled = 0;
    Text.clear();
    if (!GetData(bcd.Bytes.data())) return;
    if (!BcdToCurrency(bcd, scaled)) {
        Text = DBMessage(dbmBCDOverflow);
        return;
    }
    const double value = static_cast<double>(scaled) / 10000;
    const std::string& format = FormatFor(DisplayText);
    if (!format.empty())
        Text = FormatFloat(format, value);
    else if (currency_)
        Text = FloatToStrF(value, DisplayText ? ffCurrency : ffFixed, 15,
                           FormatSettings().CurrencyDecimals);
    else
        Text = FloatToStrF(value, ffGeneral, 15, 0);
}

void TBCDField::StoreScaled(Int64 Value) {
    if (checkRange_ && (Value < minValue_ || Value > maxValue_))
        RangeError(static_cast<double>(Value) / 10000, static_cast<double>(minValue_) / 10000,
                   static_cast<double>(maxValue_) / 10000);
    const TBcd bcd = CurrencyToBcd(Value, 32, Size());
    SetData(bcd.Bytes.data());
}

void TBCDField::DoSetAsCurrency(double Value) {
    const double scaled = Value * 10000;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        DBErrorFmt(dbmFieldOutOfRange, {GetDisplayName()});
    StoreScaled(Round(scaled));
}

void TBCDField::DoSetAsString(const std::string& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    DoSetAsCurrency(StrToFloat(Value));
}

bool TBCDField::IsValidChar(char C) const {
    return C == '+' || C == '-' || (C >= '0' && C <= '9') || C == FormatSettings().DecimalSeparator;
}

// ---- TBooleanField ----

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) {
    InitField(ftBoolean, 0);
    SetDisplayValues("");
}

void TBooleanField::SetDisplayValues(const std::string& Value) {
    displayValues_ = Value;
    if (Value.empty()) {
        textTrue_ = DBMessage(dbmTextTrue);
        textFalse_ = DBMessage(dbmTextFalse);
    } else {
        const auto semicolon = Value.find(';');
        textTrue_ = Value.substr(0, semicolon);
        textFalse_ = semicolon == std::string::npos ? std::string() : Value.substr(semicolon + 1);
    }
    PropertyChanged(true);
}

bool TBooleanField::GetAsBoolean() {
    SmallInt value = 0;
    return GetData(&value) && value != 0;
}

std::string TBooleanField::GetAsString() {
    SmallInt value = 0;
    if (!GetData(&value)) return {};
    return value != 0 ? textTrue_ : textFalse_;
}

TVariant TBooleanField::GetAsVariant() {
    SmallInt value = 0;
    return GetData(&value) ? TVariant(value != 0) : TVariant::Null();
}

void TBooleanField::DoSetAsBoolean(bool Value) {
    const SmallInt stored = Value ? 1 : 0;
    SetData(&stored);
}

void TBooleanField::DoSetAsString(const std::string& Value) {
    if (Value.empty()) {
        if (textFalse_.empty())
            DoSetAsBoolean(false);
        else if (textTrue_.empty())
            DoSetAsBoolean(true);
        else
            Clear();
        return;
    }
    if (SameText(Value, textFalse_.substr(0, Value.size())))
        DoSetAsBoolean(false);
    else if (SameText(Value, textTrue_.substr(0, Value.size())))
        DoSetAsBoolean(true);
    else
        DBErrorFmt(dbmInvalidBoolValue, {Value, GetDisplayName()});
}

// ---- Date and time fields ----

namespace {

constexpr double msPerDay = 86400000.0;

} // namespace

LongInt RecordDate(double DateTime) {
    return static_cast<LongInt>(std::trunc(DateTime)) + dbiDateDelta;
}

LongInt RecordTime(double DateTime) {
    return static_cast<LongInt>(
        std::llround(std::fabs(DateTime - std::trunc(DateTime)) * msPerDay));
}

double RecordDateTime(double DateTime) {
    return (std::trunc(DateTime) + dbiDateDelta) * msPerDay + RecordTime(DateTime);
}

double DateTimeOfRecord(double Stamp) {
    const double days = std::floor(Stamp / msPerDay);
    const double time = (Stamp - days * msPerDay) / msPerDay;
    const double date = days - dbiDateDelta;
    return date >= 0 ? date + time : date - time;
}

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) {
    InitField(ftDateTime, 0);
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) {
    InitField(ftDate, 0);
}

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) {
    InitField(ftTime, 0);
}

void TDateTimeField::SetDisplayFormat(const std::string& Value) {
    displayFormat_ = Value;
    PropertyChanged(false);
}

bool TDateTimeField::GetValue(double& Value) {
    switch (DataType()) {
    case ftDate: {
        LongInt days = 0;
        if (!GetData(&days)) return false;
        Value = days - dbiDateDelta;
        return true;
    }
    case ftTime: {
        LongInt ms = 0;
        if (!GetData(&ms)) return false;
        Value = ms / msPerDay;
        return true;
    }
    default: {
        double stamp = 0;
        if (!GetData(&stamp)) return false;
        Value = DateTimeOfRecord(stamp);
        return true;
    }
    }
}

double TDateTimeField::GetAsDateTime() {
    double value = 0;
    return GetValue(value) ? value : 0;
}

std::string TDateTimeField::GetAsString() {
    std::string text;
    GetText(text, false);
    return text;
}

TVariant TDateTimeField::GetAsVariant() {
    double value = 0;
    return GetValue(value) ? TVariant::FromDate(value) : TVariant::Null();
}

void TDateTimeField::GetText(std::string& Text, bool DisplayText) {
    double value = 0;
    if (!GetValue(value)) {
        Text.clear();
        return;
    }
    std::string format = DisplayText ? displayFormat_ : std::string();
    if (format.empty()) format = DataType() == ftDate ? "ddddd" : DataType() == ftTime ? "tt" : "c";
    Text = FormatDateTime(format, value);
}

void TDateTimeField::DoSetAsDateTime(double Value) {
    if (!std::isfinite(Value) || std::fabs(Value) > 2958466.0)
        DBErrorFmt(dbmFieldOutOfRange, {GetDisplayName()});
    switch (DataType()) {
    case ftDate: {
        const LongInt stored = RecordDate(Value);
        SetData(&stored);
        break;
    }
    case ftTime: {
        const LongInt stored = RecordTime(Value);
        SetData(&stored);
        break;
    }
    default: {
        const double stamp = RecordDateTime(Value);
        SetData(&stamp);
        break;
    }
    }
}

void TDateTimeField::DoSetAsString(const std::string& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    switch (DataType()) {
    case ftDate: DoSetAsDateTime(StrToDate(Value)); break;
    case ftTime: DoSetAsDateTime(StrToTime(Value)); break;
    default: DoSetAsDateTime(StrToDateTime(Value)); break;
    }
}

// ---- Binary fields ----

TBytesField::TBytesField(TComponent* AOwner) : TBinaryField(AOwner) {
    InitField(ftBytes, 16);
}

TVarBytesField::TVarBytesField(TComponent* AOwner) : TBytesField(AOwner) {
    InitField(ftVarBytes, 16);
}

TVariant TBinaryField::GetAsVariant() {
    std::vector<Byte> data(static_cast<std::size_t>(DataSize()));
    GetData(data.data());
    return TVariant::Bytes(std::move(data));
}

void TBinaryField::SetVarValue(const TVariant& Value) {
    if (Value.VarType() != varByteArray || static_cast<int>(Value.Data().size()) != DataSize())
        DBError(dbmInvalidVarByteArray);
    SetData(Value.Data().data());
}

// ---- Blob fields ----

namespace {

// The header written before a bitmap in graphic blobs: count 1, type 0x0100, data size.
constexpr Word graphicHeaderCount = 1;
constexpr Word graphicHeaderType = 0x0100;
constexpr LongInt graphicHeaderSize = 8;

void WriteGraphicHeader(TStream& Stream, LongInt Size) {
    std::array<Byte, graphicHeaderSize> header{};
    header[0] = graphicHeaderCount & 0xFF;
    header[2] = graphicHeaderType & 0xFF;
    header[3] = graphicHeaderType >> 8;
    for (int i = 0; i < 4; ++i)
        header[4 + static_cast<std::size_t>(i)] = static_cast<Byte>(Size >> (8 * i));
    Stream.WriteBuffer(header.data(), graphicHeaderSize);
}

// True when the stream starts with a graphic header that describes the rest of it.
bool HasGraphicHeader(TStream& Stream, Int64 Size) {
    if (Size < graphicHeaderSize) return false;
    std::array<Byte, graphicHeaderSize> header{};
    if (Stream.Read(header.data(), graphicHeaderSize) != graphicHeaderSize) return false;
    const Word count = static_cast<Word>(header[0] | header[1] << 8);
    const Word type = static_cast<Word>(header[2] | header[3] << 8);
    const LongWord size = static_cast<LongWord>(header[4]) | static_cast<LongWord>(header[5]) << 8 |
                          static_cast<LongWord>(header[6]) << 16 |
                          static_cast<LongWord>(header[7]) << 24;
    return count == graphicHeaderCount && type == graphicHeaderType &&
           static_cast<Int64>(size) == Size - graphicHeaderSize;
}

} // namespace

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) {
    InitField(ftBlob, 0);
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) {
    InitField(ftMemo, 0);
    SetTransliterate(true);
}

TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) {
    InitField(ftGraphic, 0);
}

void TBlobField::SetFieldType(TFieldType Value) {
    if (IsBlobType(Value)) SetDataType(Value);
}

std::string TBlobField::GetAsString() {
    TBlobStream stream(this, bmRead);
    std::string text;
    std::array<char, 4096> chunk{};
    for (LongInt count; (count = stream.Read(chunk.data(), chunk.size())) > 0;)
        text.append(chunk.data(), static_cast<std::size_t>(count));
    return text;
}

void TBlobField::GetText(std::string& Text, bool) {
    Text = ClassDesc();
}

void TBlobField::SetText(const std::string&) {
    AccessError("Text");
}

void TBlobField::DoSetAsString(const std::string& Value) {
    TBlobStream stream(this, bmWrite);
    stream.WriteBuffer(Value.data(), static_cast<LongInt>(Value.size()));
}

void TBlobField::Clear() {
    TBlobStream stream(this, bmWrite);
}

void TBlobField::LoadFromStream(TStream& Stream) {
    TBlobStream blob(this, bmWrite);
    blob.CopyFrom(Stream, 0);
}

void TBlobField::SaveToStream(TStream& Stream) {
    TBlobStream blob(this, bmRead);
    std::array<char, 4096> chunk{};
    for (LongInt count; (count = blob.Read(chunk.data(), chunk.size())) > 0;)
        Stream.WriteBuffer(chunk.data(), count);
}

void TBlobField::LoadFromStrings(TStrings* Strings) {
    DoSetAsString(Strings->Text());
}

void TBlobField::SaveToStrings(TStrings* Strings) {
    Strings->SetText(GetAsString());
}

void TBlobField::LoadFromBitmap(TBitmap* Bitmap) {
    TBlobStream blob(this, bmWrite);
    if (DataType() != ftGraphic && DataType() != ftTypedBinary) {
        Bitmap->SaveToStream(blob);
        return;
    }
    WriteGraphicHeader(blob, 0);
    Bitmap->SaveToStream(blob);
    const auto size = static_cast<LongInt>(blob.Position() - graphicHeaderSize);
    blob.SetPosition(0);
    WriteGraphicHeader(blob, size);
}

void TBlobField::SaveToBitmap(TBitmap* Bitmap) {
    TBlobStream blob(this, bmRead);
    const Int64 size = blob.Seek(0, soFromEnd);
    blob.SetPosition(0);
    if (!HasGraphicHeader(blob, size)) blob.SetPosition(0);
    Bitmap->LoadFromStream(blob);
}

void TBlobField::Assign(TPersistent* Source) {
    if (auto* blob = dynamic_cast<TBlobField*>(Source)) {
        TBlobStream from(blob, bmRead);
        TBlobStream to(this, bmWrite);
        to.CopyFrom(from, 0);
    } else if (auto* strings = dynamic_cast<TStrings*>(Source)) {
        LoadFromStrings(strings);
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        LoadFromBitmap(bitmap);
    } else if (auto* picture = dynamic_cast<TPicture*>(Source);
               picture && dynamic_cast<TBitmap*>(picture->Graphic())) {
        LoadFromBitmap(picture->Bitmap());
    } else {
        TField::Assign(Source);
    }
}

void TBlobField::AssignTo(TPersistent* Dest) {
    if (auto* strings = dynamic_cast<TStrings*>(Dest))
        SaveToStrings(strings);
    else if (auto* bitmap = dynamic_cast<TBitmap*>(Dest))
        SaveToBitmap(bitmap);
    else if (auto* picture = dynamic_cast<TPicture*>(Dest))
        SaveToBitmap(picture->Bitmap());
    else
        TField::AssignTo(Dest);
}

void TBlobField::FreeBuffers() {
    if (!modified_) return;
    TDataSet* dataSet = DataSet();
    if (char* record = dataSet->ActiveBuffer())
        DbiFreeBlob(dataSet->Handle(), record, static_cast<Word>(FieldNo()));
    modified_ = false;
}

// ---- TBlobStream ----

TBlobStream::TBlobStream(TBlobField* Field, TBlobStreamMode Mode)
    : field_(Field), dataSet_(Field->DataSet()), fieldNo_(static_cast<Word>(Field->FieldNo())) {
    if (!dataSet_) DBErrorFmt(dbmDataSetMissing, {Field->GetDisplayName()});
    if (dataSet_->State() == dsFilter) DBErrorFmt(dbmFilterAccess, {Field->GetDisplayName()});
    buffer_ = dataSet_->ActiveBuffer();
    if (!field_->Modified()) {
        if (Mode != bmRead) {
            if (dataSet_->State() != dsEdit && dataSet_->State() != dsInsert)
                DBError(dbmNotEditing);
            CheckEngineResult(DbiOpenBlob(dataSet_->Handle(), buffer_, fieldNo_, bmReadWrite));
        } else {
            // A record not yet written has no stored blob: the stream stays closed.
            if (!buffer_ || dataSet_->BookmarkFlag(dataSet_->ActiveRecord()) != bfCurrent) return;
            dataSet_->UpdateCursorPos();
            record_.assign(static_cast<std::size_t>(dataSet_->RecordSize()), '\0');
            if (DbiGetRecord(dataSet_->Handle(), 0, record_.data(), nullptr) != dbiOK) return;
            buffer_ = record_.data();
            CheckEngineResult(DbiOpenBlob(dataSet_->Handle(), buffer_, fieldNo_, bmRead));
        }
    }
    opened_ = true;
    if (Mode == bmWrite) Truncate();
}

TBlobStream::~TBlobStream() {
    if (opened_) {
        if (modified_) field_->SetModified(true);
        if (!field_->Modified()) DbiFreeBlob(dataSet_->Handle(), buffer_, fieldNo_);
    }
    if (!modified_) return;
    // The blob is written; a control's failure to show it must not undo that.
    try {
        dataSet_->DataEvent(deFieldChange, InfoOf(field_));
    } catch (const std::exception&) {
    }
}

bool TBlobStream::Converts() const {
    const TCursorHandle handle = dataSet_->Handle();
    return field_->Transliterate() && (handle < 1 || handle > 300);
}

LongInt TBlobStream::Read(void* Buffer, LongInt Count) {
    if (!opened_ || Count <= 0) return 0;
    LongInt count = 0;
    const DBIResult result =
        DbiGetBlob(dataSet_->Handle(), buffer_, fieldNo_, position_, Count, Buffer, &count);
    if (result == dbiBadParameter) return 0;
    if (result != dbiOK && result != dbiEndOfBlob) CheckEngineResult(result);
    if (Converts() && count > 0) {
        std::string text;
        DbiNativeToAnsi(dataSet_->Locale(), &text, static_cast<const char*>(Buffer),
                        static_cast<LongWord>(count), nullptr);
        std::memcpy(Buffer, text.data(),
                    std::min<std::size_t>(text.size(), static_cast<std::size_t>(count)));
    }
    position_ += count;
    return count;
}

LongInt TBlobStream::Write(const void* Buffer, LongInt Count) {
    if (!opened_ || Count <= 0) return 0;
    std::string bytes(static_cast<const char*>(Buffer), static_cast<std::size_t>(Count));
    if (Converts()) {
        DbiAnsiToNative(dataSet_->Locale(), &bytes, static_cast<const char*>(Buffer),
                        static_cast<LongWord>(Count), nullptr);
        bytes.resize(static_cast<std::size_t>(Count));
    }
    // A stream writes in place: a gap before the position reads as zeros, and the blob's bytes
    // after the written ones stay (the engine call keeps only what comes before its offset).
    const LongInt size = BlobSize();
    LongInt offset = position_;
    if (offset > size) {
        bytes.insert(0, static_cast<std::size_t>(offset - size), '\0');
        offset = size;
    }
    if (const LongInt end = position_ + Count; end < size) {
        std::string tail(static_cast<std::size_t>(size - end), '\0');
        LongInt count = 0;
        CheckEngineResult(
            DbiGetBlob(dataSet_->Handle(), buffer_, fieldNo_, end, size - end, tail.data(), &count));
        bytes.append(tail, 0, static_cast<std::size_t>(count));
    }
    CheckEngineResult(DbiPutBlob(dataSet_->Handle(), buffer_, fieldNo_, offset,
                                 static_cast<LongInt>(bytes.size()), bytes.data()));
    position_ += Count;
    modified_ = true;
    return Count;
}

LongInt TBlobStream::BlobSize() {
    if (!opened_) return 0;
    LongInt size = 0;
    CheckEngineResult(DbiGetBlobSize(dataSet_->Handle(), buffer_, fieldNo_, &size));
    return size;
}

Int64 TBlobStream::Seek(Int64 Offset, Word Origin) {
    Int64 target = Offset;
    if (Origin == soFromCurrent) target += position_;
    if (Origin == soFromEnd) target += BlobSize();
    if (target >= 0 && target <= std::numeric_limits<LongInt>::max())
        position_ = static_cast<LongInt>(target);
    return position_;
}

void TBlobStream::SetSize(Int64 NewSize) {
    Seek(NewSize, soFromBeginning);
    Truncate();
}

void TBlobStream::Truncate() {
    if (!opened_) return;
    CheckEngineResult(DbiTruncateBlob(dataSet_->Handle(), buffer_, fieldNo_, position_));
    modified_ = true;
}

// ---- TDataSet ----

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), fieldDefs_(std::make_unique<TFieldDefs>(this)) {
    ClearBuffers();
    locale_ = DefaultSessionLocale();
}

TDataSet::~TDataSet() {
    Destroying();
    Close();
    while (!dataSources_.empty())
        dataSources_.back()->SetDataSet(nullptr);
    while (!fields_.empty()) {
        TField* field = fields_.back();
        RemoveField(field);
        delete field;
    }
}

void TDataSet::SetActive(bool Value) {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) {
        if (Value) streamedActive_ = true;
        return;
    }
    if (Active() == Value) return;
    if (Value)
        DoOpen();
    else
        DoClose();
}

void TDataSet::DoOpen() {
    DoBeforeOpen();
    try {
        OpenCursor();
    } catch (...) {
        // A cursor half opened is given back, so a failed open holds nothing.
        try {
            CloseCursor();
        } catch (const std::exception&) {
        }
        throw;
    }
    SetState(dsBrowse);
    DoAfterOpen();
}

void TDataSet::DoClose() {
    const bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::CheckActive() const {
    if (state_ == dsInactive) DBError(dbmDataSetClosed);
}

void TDataSet::CheckInactive() {
    if (state_ == dsInactive) return;
    if (ComponentState().Contains(csUpdating))
        Close();
    else
        DBError(dbmDataSetOpen);
}

// ---- Opening and closing ----

void TDataSet::OpenCursor() {
    handle_ = CreateHandle();
    if (handle_ == 0) DBError(dbmHandleError);
    TLocaleHandle locale = 0;
    if (DbiGetCursorLocale(handle_, &locale) == dbiOK && locale != 0) locale_ = locale;
    if (cachedUpdates_ && !infoQueryMode_) CheckEngineResult(DbiBeginDelayedUpdates(handle_));
    ReadCursorProps();
    if (infoQueryMode_) return;
    GetIndexInfo();
    defaultFields_ = fields_.empty();
    if (defaultFields_) CreateFields();
    BindFields(true);
    recInfoOfs_ = recordSize_ + calcFieldsSize_;
    bookmarkOfs_ = recInfoOfs_ + 8;
    recBufSize_ = bookmarkOfs_ + 1 + bookmarkSize_;
    AllocKeyBuffers();
    CheckEngineResult(DbiSetToBegin(handle_));
    PrepareCursor();
    OpenFilters();
    UpdateBufferCount();
    bof_ = true;
}

void TDataSet::ReadCursorProps() {
    TCursorProps props;
    CheckEngineResult(DbiGetCursorProps(handle_, &props));
    recordSize_ = props.RecordSize;
    bookmarkSize_ = props.BookmarkSize;
    canModify_ = props.OpenMode == dbiOpenReadWrite && !props.TempTable;
    recNoStatus_ = props.SeqNumMode;
    UpdateRequiredFields(props.ValidityChecks);
    std::vector<TFieldDescriptor> descs(props.FieldCount);
    if (!descs.empty()) CheckEngineResult(DbiGetFieldDescs(handle_, descs.data()));
    fieldDefs_->Clear();
    for (std::size_t i = 0; i < descs.size(); ++i) {
        const int fieldNo = static_cast<int>(i) + 1;
        const bool required = fieldNo < static_cast<int>(requiredFields_.size()) &&
                              requiredFields_[static_cast<std::size_t>(fieldNo)];
        fieldDefs_->AddFieldDesc(descs[i], required, fieldNo);
    }
    fieldDefs_->SetUpdated(true);
}

// The engine of this system reports no validity checks, so no field is marked required by it;
// a cursor that reports some is asked for them and fails when it cannot describe them.
void TDataSet::UpdateRequiredFields(Word Count) {
    requiredFields_.assign(maxRequiredFields + 1, false);
    for (Word check = 1; check <= Count; ++check)
        CheckEngineResult(DbiGetVchkDesc(handle_, check, nullptr));
}

void TDataSet::GetIndexInfo() {
    indexFieldCount_ = 0;
    keySize_ = 0;
    expIndex_ = caseInsIndex_ = false;
    TIndexDesc desc;
    const DBIResult result = DbiGetIndexDesc(handle_, 0, &desc);
    if (result == dbiNoIndexActive || result == dbiNoOrderActive) return;
    CheckEngineResult(result);
    expIndex_ = desc.Expression;
    caseInsIndex_ = desc.CaseInsensitive;
    if (!expIndex_) {
        indexFieldCount_ = std::min<int>(desc.FieldsInKey, static_cast<int>(indexFieldMap_.size()));
        std::copy_n(desc.KeyFields.begin(), indexFieldCount_, indexFieldMap_.begin());
    }
    keySize_ = desc.KeyLength;
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_->Count(); ++i)
        if (fieldDefs_->Items(i)->DataType() != ftUnknown) fieldDefs_->Items(i)->CreateField(this);
}

void TDataSet::DestroyFields() {
    while (!fields_.empty()) {
        TField* field = fields_.back();
        fields_.pop_back();
        field->dataSet_ = nullptr;
        delete field;
    }
    if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::BindFields(bool Binding) {
    calcFieldsSize_ = 0;
    engineCalcFields_ = false;
    for (TField* field : fields_) {
        if (Binding) {
            if (field->fieldKind_ != fkData) {
                if (field->dataType_ < ftString || field->dataType_ > ftDateTime)
                    DBErrorFmt(dbmFieldCalcType, {field->GetDisplayName()});
                field->fieldNo_ = -1;
                field->offset_ = calcFieldsSize_;
                calcFieldsSize_ += field->dataSize_ + 1;
            } else {
                const TFieldDef* def = fieldDefs_->Find(field->fieldName_);
                if (TypeClass(def->DataType()) != TypeClass(field->dataType_) ||
                    def->Size() != field->size_)
                    DBErrorFmt(dbmFieldTypeMismatch, {field->GetDisplayName()});
                field->fieldNo_ = def->FieldNo();
                field->engineCalc_ = def->EngineCalc();
                if (def->EngineCalc()) engineCalcFields_ = true;
            }
        }
        field->Bind(Binding);
    }
}

void TDataSet::CloseCursor() {
    if (!infoQueryMode_) FreeCursor();
    canModify_ = false;
    locale_ = DefaultSessionLocale();
    if (handle_ != 0) {
        DestroyHandle();
        handle_ = 0;
    }
}

void TDataSet::FreeCursor() {
    FreeFieldBuffers();
    SetBufListSize(0);
    bufferCount_ = 0;
    ClearBuffers();
    for (auto& buffer : keyBuffers_)
        buffer.clear();
    keyBuffer_ = nullptr;
    exprFilter_ = funcFilter_ = 0;
    BindFields(false);
    if (defaultFields_) DestroyFields();
    defaultFields_ = false;
    indexFieldCount_ = 0;
    keySize_ = 0;
    expIndex_ = caseInsIndex_ = false;
}

void TDataSet::DestroyHandle() {
    DbiRelRecordLock(handle_, false);
    DbiCloseCursor(handle_);
}

TFieldDefs* TDataSet::FieldDefs() {
    if (!fieldDefs_->Updated()) {
        InitFieldDefs();
        fieldDefs_->SetUpdated(true);
    }
    return fieldDefs_.get();
}

void TDataSet::InitFieldDefs() {
    if (handle_ != 0) return;
    infoQueryMode_ = true;
    try {
        OpenCursor();
    } catch (...) {
        try {
            CloseCursor();
        } catch (const std::exception&) {
        }
        infoQueryMode_ = false;
        throw;
    }
    try {
        CloseCursor();
    } catch (...) {
        infoQueryMode_ = false;
        throw;
    }
    infoQueryMode_ = false;
}

// ---- Buffers ----

Byte& TDataSet::BookmarkFlag(int Index) const {
    return reinterpret_cast<Byte&>(Buffer(Index)[bookmarkOfs_]);
}

char* TDataSet::BookmarkOf(int Index) const {
    return Buffer(Index) + bookmarkOfs_ + 1;
}

LongInt TDataSet::RecordNumberOf(const char* Buffer) const {
    LongInt value = 0;
    std::memcpy(&value, Buffer + recInfoOfs_ + 4, sizeof value);
    return value;
}

void TDataSet::SetRecordNumber(char* Buffer, LongInt Value) const {
    std::memcpy(Buffer + recInfoOfs_ + 4, &Value, sizeof Value);
}

Byte& TDataSet::UpdateStatusOf(char* Buffer) const {
    return reinterpret_cast<Byte&>(Buffer[recInfoOfs_]);
}

char* TDataSet::ActiveBuffer() const {
    if (recordCount_ == 0 && state_ != dsInsert) return nullptr;
    if (activeRecord_ < 0 || activeRecord_ >= static_cast<int>(buffers_.size())) return nullptr;
    return Buffer(activeRecord_);
}

char* TDataSet::KeyRecord() const {
    return keyBuffer_ && !keyBuffer_->empty() ? keyBuffer_->data() + keyHeaderSize : nullptr;
}

void TDataSet::SetBufListSize(int Size) {
    const auto size = static_cast<std::size_t>(Size);
    if (buffers_.size() > size) buffers_.resize(size);
    while (buffers_.size() < size)
        buffers_.emplace_back(static_cast<std::size_t>(recBufSize_), '\0');
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = eof_ = false;
}

void TDataSet::MoveBuffer(int From, int To) {
    if (From == To) return;
    const auto first = buffers_.begin();
    if (From < To)
        std::rotate(first + From, first + From + 1, first + To + 1);
    else
        std::rotate(first + To, first + From, first + From + 1);
}

void TDataSet::UpdateBufferCount() {
    if (ComponentState().Contains(csDestroying)) return;
    firstDataLink_ = nullptr;
    int count = 1;
    for (auto source = dataSources_.rbegin(); source != dataSources_.rend(); ++source) {
        const auto& links = (*source)->dataLinks_;
        for (auto link = links.rbegin(); link != links.rend(); ++link) {
            (*link)->next_ = firstDataLink_;
            firstDataLink_ = *link;
            count = std::max(count, (*link)->bufferCount_);
        }
    }
    if (handle_ != 0 && !infoQueryMode_) SetBufferCount(count);
}

void TDataSet::SetBufferCount(int Value) {
    if (static_cast<int>(buffers_.size()) == Value + 1) return;
    if (!buffers_.empty() && Value < bufferCount_ && recordCount_ > 0) {
        int delta = activeRecord_;
        for (TDataLink* link = firstDataLink_; link; link = link->next_)
            if (link->active_ && link->firstRecord_ < delta) delta = link->firstRecord_;
        std::rotate(buffers_.begin(), buffers_.begin() + delta, buffers_.end());
        activeRecord_ -= delta;
        if (currentRecord_ != -1) currentRecord_ -= delta;
        // Only the records that moved down are still held.
        recordCount_ = std::min(recordCount_ - delta, Value);
        if (currentRecord_ >= recordCount_) currentRecord_ = -1;
        for (TDataLink* link = firstDataLink_; link; link = link->next_)
            if (link->active_) link->firstRecord_ -= delta;
    }
    SetBufListSize(Value + 1);
    bufferCount_ = Value;
    GetNextRecords();
    const int lead = GetPriorRecords();
    for (TDataLink* link = firstDataLink_; link; link = link->next_)
        if (link->active_) link->firstRecord_ += lead;
}

DBIResult TDataSet::GetRecord(int Index, int Mode) {
    char* buffer = Buffer(Index);
    TRecordProps props;
    DBIResult result = dbiOK;
    switch (Mode) {
    case gmCurrent: result = DbiGetRecord(handle_, 0, buffer, &props); break;
    case gmNext: result = DbiGetNextRecord(handle_, 0, buffer, &props); break;
    default: result = DbiGetPriorRecord(handle_, 0, buffer, &props); break;
    }
    if (result != dbiOK) return result;
    UpdateStatusOf(buffer) = 0;
    SetRecordNumber(buffer, recNoStatus_ == 1   ? static_cast<LongInt>(props.SeqNo)
                            : recNoStatus_ == 0 ? static_cast<LongInt>(props.PhysRecNo)
                                                : -1);
    GetCalcFields(Index);
    BookmarkFlag(Index) = bfCurrent;
    CheckEngineResult(DbiGetBookMark(handle_, BookmarkOf(Index)));
    return dbiOK;
}

bool TDataSet::GetNextRecord() {
    if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
    const bool current = state_ == dsInsert && currentRecord_ == activeRecord_ &&
                         BookmarkFlag(activeRecord_) == bfCurrent;
    const DBIResult result = GetRecord(recordCount_, current ? gmCurrent : gmNext);
    if (result == dbiOK) {
        if (recordCount_ == 0)
            ActivateBuffers();
        else if (recordCount_ < bufferCount_)
            ++recordCount_;
        else
            MoveBuffer(0, recordCount_);
        currentRecord_ = recordCount_ - 1;
        return true;
    }
    currentRecord_ = -1;
    if (result != dbiEOF) CheckEngineResult(result);
    return false;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    const DBIResult result = GetRecord(recordCount_, gmPrior);
    if (result == dbiOK) {
        if (recordCount_ == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(recordCount_, 0);
            if (recordCount_ < bufferCount_) {
                ++recordCount_;
                ++activeRecord_;
            }
        }
        currentRecord_ = 0;
        return true;
    }
    currentRecord_ = -1;
    if (result != dbiBOF) CheckEngineResult(result);
    return false;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord())
        ++count;
    return count;
}

void TDataSet::SetCurrentRecord(int Index) {
    if (currentRecord_ == Index) return;
    switch (BookmarkFlag(Index)) {
    case bfBOF: CheckEngineResult(DbiSetToBegin(handle_)); break;
    case bfEOF: CheckEngineResult(DbiSetToEnd(handle_)); break;
    case bfCurrent:
    case bfInserted: CheckEngineResult(DbiSetToBookMark(handle_, BookmarkOf(Index))); break;
    default: break;
    }
    currentRecord_ = Index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

void TDataSet::Resync(int Mode) {
    CheckActive();
    if (Mode & rmExact) {
        currentRecord_ = -1;
        CheckEngineResult(GetRecord(recordCount_, gmCurrent));
    } else if (GetRecord(recordCount_, gmCurrent) != dbiOK &&
               GetRecord(recordCount_, gmNext) != dbiOK &&
               GetRecord(recordCount_, gmPrior) != dbiOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (Mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    RunThen(
        [&] {
            while (count > 0 && GetPriorRecord())
                --count;
            GetNextRecords();
            GetPriorRecords();
        },
        [&] { DataEvent(deDataSetChange, 0); });
}

// ---- Navigation ----

void TDataSet::First() {
    ReadFromEnd(true);
}

void TDataSet::Last() {
    ReadFromEnd(false);
}

void TDataSet::ReadFromEnd(bool Beginning) {
    CheckBrowseMode();
    ClearBuffers();
    RunThen(
        [&] {
            if (Beginning) {
                CheckEngineResult(DbiSetToBegin(handle_));
                GetNextRecords();
            } else {
                CheckEngineResult(DbiSetToEnd(handle_));
                GetPriorRecords();
            }
        },
        [&] {
            (Beginning ? bof_ : eof_) = true;
            DataEvent(deDataSetChange, 0);
        });
}

int TDataSet::MoveBy(int Distance) {
    CheckBrowseMode();
    int result = 0;
    if ((Distance > 0 && eof_) || (Distance < 0 && bof_) || Distance == 0) return 0;
    bof_ = eof_ = false;
    int scrollCount = 0;
    RunThen(
        [&] {
            for (; Distance > 0; --Distance, ++result) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                    continue;
                }
                const int full = recordCount_ < bufferCount_ ? 0 : 1;
                if (!GetNextRecord()) {
                    eof_ = true;
                    break;
                }
                scrollCount -= full;
                activeRecord_ = recordCount_ - 1;
            }
            for (; Distance < 0; ++Distance, --result) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                    continue;
                }
                const int full = recordCount_ < bufferCount_ ? 0 : 1;
                if (!GetPriorRecord()) {
                    bof_ = true;
                    break;
                }
                scrollCount += full;
                activeRecord_ = 0;
            }
        },
        [&] { DataEvent(deDataSetScroll, scrollCount); });
    return result;
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    CheckEngineResult(DbiForceReread(handle_));
    Resync(0);
}

void TDataSet::ReadFilterRecord(const char* Record, const std::function<void()>& Reader) {
    std::vector<char> buffer(static_cast<std::size_t>(std::max(recBufSize_, recordSize_)), '\0');
    std::memcpy(buffer.data(), Record, static_cast<std::size_t>(recordSize_));
    const TDataSetState savedState = state_;
    char* const savedBuffer = filterBuffer_;
    struct TRestore {
        TDataSet& d;
        TDataSetState state;
        char* buffer;
        ~TRestore() {
            d.state_ = state;
            d.filterBuffer_ = buffer;
        }
    } restore{*this, savedState, savedBuffer};
    filterBuffer_ = buffer.data();
    state_ = dsFilter;
    Reader();
}

std::vector<char> TDataSet::GetBookmark() {
    if ((state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && recordCount_ > 0 &&
        BookmarkFlag(activeRecord_) == bfCurrent)
        return std::vector<char>(BookmarkOf(activeRecord_),
                                 BookmarkOf(activeRecord_) + bookmarkSize_);
    return {};
}

void TDataSet::GotoBookmark(const std::vector<char>& Bookmark) {
    if (Bookmark.empty()) return;
    CheckBrowseMode();
    if (static_cast<int>(Bookmark.size()) != bookmarkSize_) CheckEngineResult(dbiBadParameter);
    CheckEngineResult(DbiSetToBookMark(handle_, Bookmark.data()));
    Resync(rmExact | rmCenter);
}

LongInt TDataSet::GetRecNo() {
    CheckActive();
    if (state_ == dsCalcFields) return RecordNumberOf(calcBuffer_);
    char* buffer = ActiveBuffer();
    return buffer ? RecordNumberOf(buffer) : -1;
}

// ---- Editing ----

void TDataSet::SetState(TDataSetState Value) {
    if (state_ == Value) return;
    state_ = Value;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

bool TDataSet::GetCanModify() const {
    return canModify_;
}

void TDataSet::CheckCanModify() const {
    if (!GetCanModify()) DBError(dbmDataSetReadOnly);
}

void TDataSet::UpdateRecord() {
    if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey) DBError(dbmNotEditing);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey: PostKeyBuffer(true); break;
    default: break;
    }
}

void TDataSet::RunRecordOperation(const std::function<DBIResult()>& Operation,
                                  const TDataSetErrorEvent& ErrorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            CheckEngineResult(Operation());
            return;
        } catch (EDatabaseError& E) {
            TDataAction action = daFail;
            if (ErrorEvent) ErrorEvent(this, E, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    RunRecordOperation([this] { return DbiGetRecord(handle_, 1, ActiveBuffer(), nullptr); },
                       OnEditError);
    GetCalcFields(activeRecord_);
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::ClearCalcFields(char* Buffer) const {
    std::memset(Buffer + recordSize_, 0, static_cast<std::size_t>(calcFieldsSize_));
}

void TDataSet::InitRecord(char* Buffer) {
    CheckEngineResult(DbiInitRecord(handle_, Buffer));
    ClearCalcFields(Buffer);
    UpdateStatusOf(Buffer) = 2;
    SetRecordNumber(Buffer, -1);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    MoveBuffer(recordCount_, activeRecord_);
    // The buffers behind the new one moved up: the engine position must be found again.
    currentRecord_ = -1;
    InitRecord(Buffer(activeRecord_));
    if (recordCount_ == 0) {
        BookmarkFlag(activeRecord_) = bfBOF;
    } else {
        std::memcpy(BookmarkOf(activeRecord_), BookmarkOf(activeRecord_ + 1),
                    static_cast<std::size_t>(bookmarkSize_));
        BookmarkFlag(activeRecord_) = bfInserted;
    }
    if (recordCount_ < bufferCount_) ++recordCount_;
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    InitRecord(Buffer(0));
    BookmarkFlag(0) = bfEOF;
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    EndInsertAppend();
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : fields_) {
        if (field->required_ && !field->readOnly_ && field->fieldKind_ == fkData &&
            field->dataType_ >= ftString && field->dataType_ <= ftVarBytes && field->IsNull()) {
            field->FocusControl();
            DBErrorFmt(dbmFieldRequired, {field->GetDisplayName()});
        }
    }
}

void TDataSet::FreeFieldBuffers() {
    for (TField* field : fields_)
        field->FreeBuffers();
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ == dsSetKey) {
        PostKeyBuffer(true);
        return;
    }
    DataEvent(deCheckBrowseMode, 0);
    CheckRequiredFields();
    DoBeforePost();
    if (state_ == dsEdit)
        RunRecordOperation([this] { return DbiModifyRecord(handle_, ActiveBuffer(), true); },
                           OnPostError);
    else
        RunRecordOperation([this] { return DbiInsertRecord(handle_, 0, ActiveBuffer()); },
                           OnPostError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterPost();
}

void TDataSet::Cancel() {
    switch (state_) {
    case dsEdit:
    case dsInsert: {
        DataEvent(deCheckBrowseMode, 0);
        DoBeforeCancel();
        const bool editing = state_ == dsEdit;
        UpdateCursorPos();
        if (editing) DbiRelRecordLock(handle_, false);
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        DoAfterCancel();
        break;
    }
    case dsSetKey: PostKeyBuffer(false); break;
    default: break;
    }
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) DBError(dbmDataSetEmpty);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    RunRecordOperation(
        [this] {
            // A record another user removed already is gone, as asked.
            const DBIResult result = DbiDeleteRecord(handle_, ActiveBuffer());
            return (result & 0xFF00) == 0x2200 ? dbiOK : result;
        },
        OnDeleteError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterDelete();
}

// ---- Key entry ----

void TDataSet::AllocKeyBuffers() {
    for (auto& buffer : keyBuffers_) {
        buffer.assign(static_cast<std::size_t>(keyHeaderSize + recordSize_), '\0');
        InitKeyBuffer(buffer);
    }
}

void TDataSet::InitKeyBuffer(std::vector<char>& Buffer) {
    std::fill(Buffer.begin(), Buffer.end(), '\0');
    CheckEngineResult(DbiInitRecord(handle_, Buffer.data() + keyHeaderSize));
}

void TDataSet::SetKeyBuffer(int KeyIndex, bool Clear) {
    CheckBrowseMode();
    keyBuffer_ = &keyBuffers_.at(static_cast<std::size_t>(KeyIndex));
    keyBuffers_[keySave] = *keyBuffer_;
    if (Clear) InitKeyBuffer(*keyBuffer_);
    SetState(dsSetKey);
    DataEvent(deDataSetChange, 0);
}

void TDataSet::PostKeyBuffer(bool Commit) {
    DataEvent(deCheckBrowseMode, 0);
    if (Commit)
        (*keyBuffer_)[0] = modified_ ? 1 : 0;
    else
        *keyBuffer_ = keyBuffers_[keySave];
    SetState(dsBrowse);
    DataEvent(deDataSetChange, 0);
}

// ---- Index switching ----

void TDataSet::SwitchToIndex(const std::string& IndexName, const std::string& TagName) {
    UpdateCursorPos();
    DBIResult result = DbiSwitchToIndex(handle_, IndexName.c_str(), TagName.c_str(), 0, true);
    if (result == dbiRecordHidden)
        result = DbiSwitchToIndex(handle_, IndexName.c_str(), TagName.c_str(), 0, false);
    CheckEngineResult(result);
    SetBufListSize(0);
    ClearBuffers();
    TCursorProps props;
    CheckEngineResult(DbiGetCursorProps(handle_, &props));
    bookmarkSize_ = props.BookmarkSize;
    recBufSize_ = bookmarkOfs_ + 1 + bookmarkSize_;
    SetBufListSize(bufferCount_ + 1);
    GetIndexInfo();
}

// ---- Calculated fields ----

void TDataSet::GetCalcFields(int Index) {
    if (calcFieldsSize_ == 0) return;
    const TDataSetState saved = state_;
    state_ = dsCalcFields;
    calcBuffer_ = Buffer(Index);
    RunThen(
        [&] {
            ClearCalcFields(calcBuffer_);
            CalculateFields();
        },
        [&] { state_ = saved; });
}

void TDataSet::CalculateFields() {
    for (TField* field : fields_) {
        if (field->fieldKind_ != fkLookup || !field->lookupDataSet_) continue;
        const TVariant keys = FieldValues(field->keyFields_);
        const bool blank =
            keys.IsNull() || std::any_of(keys.Items().begin(), keys.Items().end(),
                                         [](const TVariant& key) { return key.IsNull(); });
        field->SetAsVariant(blank ? TVariant::Null()
                                  : field->lookupDataSet_->Lookup(field->lookupKeyFields_, keys,
                                                                  field->lookupResultField_));
    }
    DoOnCalcFields();
}

// ---- Fields ----

TField* TDataSet::FindField(const std::string& Name) const {
    for (TField* field : fields_)
        if (SameText(field->FieldName(), Name)) return field;
    return nullptr;
}

TField* TDataSet::FieldByName(const std::string& Name) const {
    TField* field = FindField(Name);
    if (!field) DBErrorFmt(dbmFieldNotFound, {Name});
    return field;
}

TField* TDataSet::FieldByNumber(int FieldNo) const {
    for (TField* field : fields_)
        if (field->FieldNo() == FieldNo) return field;
    return nullptr;
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const std::string& Names) const {
    int pos = 1;
    while (pos <= static_cast<int>(Names.size()))
        List.push_back(FieldByName(ExtractFieldName(Names, pos)));
}

TVariant TDataSet::FieldValues(const std::string& Names) const {
    if (Names.find(';') == std::string::npos) return FieldByName(Names)->Value();
    std::vector<TField*> fields;
    GetFieldList(fields, Names);
    std::vector<TVariant> values;
    for (TField* field : fields)
        values.push_back(field->Value());
    return TVariant::Array(std::move(values));
}

void TDataSet::SetFieldValues(const std::string& Names, const TVariant& Value) {
    if (Names.find(';') == std::string::npos) {
        FieldByName(Names)->SetValue(Value);
        return;
    }
    std::vector<TField*> fields;
    GetFieldList(fields, Names);
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(i < Value.Items().size() ? Value.Items()[i] : TVariant::Null());
}

void TDataSet::GetFieldNames(TStrings* List) {
    List->Clear();
    if (fields_.empty()) {
        TFieldDefs* defs = FieldDefs();
        for (int i = 0; i < defs->Count(); ++i)
            List->Add(defs->Items(i)->Name());
    } else {
        for (TField* field : fields_)
            List->Add(field->FieldName());
    }
}

void TDataSet::CheckFieldName(const std::string& Name) const {
    if (Name.empty()) DBError(dbmFieldNameMissing);
    if (FindField(Name)) DBErrorFmt(dbmDuplicateFieldName, {Name});
}

TField* TDataSet::GetIndexField(int Index) const {
    if (Index < 0 || Index >= indexFieldCount_) DBError(dbmFieldIndexError);
    const int fieldNo = indexFieldMap_[static_cast<std::size_t>(Index)];
    TField* field = FieldByNumber(fieldNo);
    if (!field) {
        std::string name;
        for (int i = 0; i < fieldDefs_->Count(); ++i)
            if (fieldDefs_->Items(i)->FieldNo() == fieldNo) name = fieldDefs_->Items(i)->Name();
        DBErrorFmt(dbmIndexFieldAccess, {name});
    }
    return field;
}

void TDataSet::SetIndexField(int Index, TField* Value) {
    GetIndexField(Index)->Assign(Value);
}

void TDataSet::AddField(TField* Field) {
    fields_.push_back(Field);
    Field->dataSet_ = this;
    if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::RemoveField(TField* Field) {
    const auto found = std::find(fields_.begin(), fields_.end(), Field);
    if (found == fields_.end()) return;
    fields_.erase(found);
    Field->dataSet_ = nullptr;
    if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::ClearFields() {
    CheckInactive();
    while (!fields_.empty()) {
        TField* field = fields_.back();
        RemoveField(field);
        delete field;
    }
}

// ---- Data sources and events ----

void TDataSet::AddDataSource(TDataSource* DataSource) {
    dataSources_.push_back(DataSource);
    DataSource->dataSet_ = this;
    UpdateBufferCount();
    DataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* DataSource) {
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), DataSource),
                       dataSources_.end());
    DataSource->dataSet_ = nullptr;
    UpdateBufferCount();
    DataSource->UpdateState();
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
    // A chain longer than the number of datasets there can be is a loop already reported.
    for (int steps = 0; DataSource && steps < 1000; ++steps) {
        const TDataSet* dataSet = DataSource->DataSet();
        if (!dataSet) return false;
        if (dataSet == this) return true;
        DataSource = dataSet->GetDataSource();
    }
    return false;
}

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (disableState_ != state_) DataEvent(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
    if (Event == dePropertyChange) fieldDefs_->SetUpdated(false);
    // A field change names its field; one that names none changes nothing.
    TField* changed = Event == deFieldChange ? FieldOf(Info) : nullptr;
    if (changed) {
        TField* field = changed;
        if (field->fieldKind_ == fkData) modified_ = true;
        if (state_ != dsSetKey && field->fieldKind_ == fkData) {
            if (engineCalcFields_ && !field->engineCalc_) {
                for (TField* computed : fields_)
                    if (computed->engineCalc_) computed->SetAsVariant(computed->Value());
            } else if (calcFieldsSize_ > 0 && autoCalcFields_ && ActiveBuffer()) {
                ClearCalcFields(ActiveBuffer());
                CalculateFields();
            }
        }
        field->Change();
    }
    if (disableCount_ > 0) {
        if ((Event == deUpdateState && state_ == dsInactive) || Event == deLayoutChange)
            enableEvent_ = deLayoutChange;
        return;
    }
    SendEvent(Event, Info);
}

void TDataSet::SendEvent(TDataEvent Event, std::intptr_t Info) {
    const std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
        source->DataEvent(Event, Info);
    if (Designer) Designer(Event, Info);
}

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

// ---- Key buffers, ranges and searches ----

int KeyBufferFieldCount(const std::vector<char>& Buffer) {
    int count = 0;
    if (Buffer.size() >= keyHeaderSize) std::memcpy(&count, Buffer.data() + 4, sizeof count);
    return count;
}

void SetKeyBufferFieldCount(std::vector<char>& Buffer, int Count) {
    if (Buffer.size() >= keyHeaderSize) std::memcpy(Buffer.data() + 4, &Count, sizeof Count);
}

namespace {

constexpr int keyRangeStart = 1;
constexpr int keyRangeEnd = 2;
constexpr int keyCurRangeStart = 3;
constexpr int keyCurRangeEnd = 4;
constexpr int priorityExpr = 0;
constexpr int priorityFunc = 1;
constexpr int prioritySearch = 2;

bool KeyModified(const std::vector<char>& Buffer) {
    return !Buffer.empty() && Buffer[0] != 0;
}

bool KeyExclusive(const std::vector<char>& Buffer) {
    return Buffer.size() > 1 && Buffer[1] != 0;
}

const char* KeyImage(const std::vector<char>& Buffer) {
    return Buffer.data() + keyHeaderSize;
}

// Value I of a list of key values for Count fields: the value itself for one field.
TVariant KeyValueAt(const TVariant& Values, std::size_t I, std::size_t Count) {
    if (Count == 1 && !Values.IsArray()) return Values;
    return I < Values.Items().size() ? Values.Items()[I] : TVariant::Null();
}

} // namespace

template <typename Body>
void TDataSet::InTempState(TDataSetState State, char* Buffer, const Body& body) {
    const TDataSetState saved = state_;
    char* const savedFilter = filterBuffer_;
    char* const savedCalc = calcBuffer_;
    state_ = State;
    (State == dsFilter ? filterBuffer_ : calcBuffer_) = Buffer;
    RunThen(body, [&] {
        state_ = saved;
        filterBuffer_ = savedFilter;
        calcBuffer_ = savedCalc;
    });
}

void TDataSet::SetKeyFields(int KeyIndex, const std::vector<TVarRec>& Values) {
    if (expIndex_) DBError(dbmExpressionIndex);
    if (indexFieldCount_ == 0) DBError(dbmNoIndexActive);
    DisableControls();
    const TDataSetState saved = state_;
    std::vector<char>* const savedKey = keyBuffer_;
    keyBuffer_ = &keyBuffers_.at(static_cast<std::size_t>(KeyIndex));
    state_ = dsSetKey;
    RunThen(
        [&] {
            InitKeyBuffer(*keyBuffer_);
            modified_ = false;
            for (std::size_t i = 0; i < Values.size(); ++i)
                GetIndexField(static_cast<int>(i))->AssignValue(Values[i]);
            SetKeyBufferFieldCount(*keyBuffer_, static_cast<int>(Values.size()));
            (*keyBuffer_)[0] = modified_ ? 1 : 0;
        },
        [&] {
            state_ = saved;
            keyBuffer_ = savedKey;
            modified_ = false;
            EnableControls();
        });
}

bool TDataSet::SetCursorRange() {
    const auto& start = keyBuffers_[keyRangeStart];
    const auto& end = keyBuffers_[keyRangeEnd];
    if (start == keyBuffers_[keyCurRangeStart] && end == keyBuffers_[keyCurRangeEnd]) return false;
    std::string startKey, endKey;
    bool keyForm = true;
    if (KeyModified(start)) keyForm = DbiExtractKey(handle_, KeyImage(start), &startKey) == dbiOK;
    if (KeyModified(end))
        keyForm = keyForm && DbiExtractKey(handle_, KeyImage(end), &endKey) == dbiOK;
    auto bound = [keyForm](const std::vector<char>& buffer, const std::string& key) -> const char* {
        if (!KeyModified(buffer)) return nullptr;
        return keyForm ? key.c_str() : KeyImage(buffer);
    };
    CheckEngineResult(DbiSetRange(handle_, keyForm, static_cast<Word>(KeyBufferFieldCount(start)),
                                  0, bound(start, startKey), !KeyExclusive(start),
                                  static_cast<Word>(KeyBufferFieldCount(end)), 0,
                                  bound(end, endKey), !KeyExclusive(end)));
    keyBuffers_[keyCurRangeStart] = start;
    keyBuffers_[keyCurRangeEnd] = end;
    DestroyLookupCursor();
    return true;
}

bool TDataSet::ResetCursorRange() {
    if (!KeyModified(keyBuffers_[keyCurRangeStart]) && !KeyModified(keyBuffers_[keyCurRangeEnd]))
        return false;
    CheckEngineResult(DbiResetRange(handle_));
    InitKeyBuffer(keyBuffers_[keyCurRangeStart]);
    InitKeyBuffer(keyBuffers_[keyCurRangeEnd]);
    DestroyLookupCursor();
    return true;
}

void TDataSet::SetLinkRanges(const std::vector<TField*>& MasterFields) {
    DisableControls();
    const TDataSetState saved = state_;
    std::vector<char>* const savedKey = keyBuffer_;
    keyBuffer_ = &keyBuffers_[keyRangeStart];
    state_ = dsSetKey;
    RunThen(
        [&] {
            InitKeyBuffer(*keyBuffer_);
            (*keyBuffer_)[0] = 1;
            for (std::size_t i = 0; i < MasterFields.size(); ++i)
                GetIndexField(static_cast<int>(i))->Assign(MasterFields[i]);
            SetKeyBufferFieldCount(*keyBuffer_, static_cast<int>(MasterFields.size()));
        },
        [&] {
            state_ = saved;
            keyBuffer_ = savedKey;
            modified_ = false;
            EnableControls();
        });
    keyBuffers_[keyRangeEnd] = keyBuffers_[keyRangeStart];
}

TCursorHandle TDataSet::GetLookupCursor(const std::string&, bool) {
    return 0;
}

bool TDataSet::LocateRecord(const std::string& KeyFields, const TVariant& KeyValues,
                            TLocateOptions Options, bool SyncCursor) {
    CheckBrowseMode();
    CursorPosChanged();
    char* search = Buffer(recordCount_);
    std::vector<TField*> fields;
    GetFieldList(fields, KeyFields);
    if (fields.empty()) return false;
    const bool caseless = (Options & loCaseInsensitive) != 0;
    // The engine's key search compares whole keys, so a prefix search goes through a filter.
    const bool partial = (Options & loPartialKey) && fields.back()->DataType() == ftString;
    TCursorHandle lookup = 0;
    if (!cachedUpdates_ && !partial) {
        bool prefix = !expIndex_ && static_cast<int>(fields.size()) <= indexFieldCount_ &&
                      (!caseless || caseInsIndex_);
        for (std::size_t i = 0; prefix && i < fields.size(); ++i)
            prefix = fields[i]->FieldNo() == IndexFieldNo(static_cast<int>(i));
        lookup = prefix ? handle_ : GetLookupCursor(KeyFields, caseless);
    }
    bool found = false;
    if (lookup == 0) {
        CheckEngineResult(DbiSetToBegin(handle_));
        const TFilterHandle filter = CreateLookupFilter(fields, KeyValues, Options, prioritySearch);
        RunThen(
            [&] {
                CheckEngineResult(DbiActivateFilter(handle_, filter));
                found = DbiGetNextRecord(handle_, 0, search, nullptr) == dbiOK;
            },
            [&] { DbiDropFilter(handle_, filter); });
        return found;
    }
    InTempState(dsFilter, search, [&] {
        CheckEngineResult(DbiInitRecord(lookup, search));
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i]->SetAsVariant(KeyValueAt(KeyValues, i, fields.size()));
        found = DbiGetRecordForKey(lookup, false, static_cast<Word>(fields.size()), 0, search,
                                   search) == dbiOK;
    });
    if (found && SyncCursor && lookup != handle_)
        CheckEngineResult(DbiSetToCursor(handle_, lookup));
    return found;
}

bool TDataSet::Locate(const std::string& KeyFields, const TVariant& KeyValues,
                      TLocateOptions Options) {
    const bool found = LocateRecord(KeyFields, KeyValues, Options, true);
    if (found) Resync(rmExact | rmCenter);
    return found;
}

TVariant TDataSet::Lookup(const std::string& KeyFields, const TVariant& KeyValues,
                          const std::string& ResultFields) {
    TVariant result = TVariant::Null();
    if (!LocateRecord(KeyFields, KeyValues, 0, false)) return result;
    char* search = Buffer(recordCount_);
    InTempState(dsCalcFields, search, [&] {
        ClearCalcFields(search);
        CalculateFields();
        result = FieldValues(ResultFields);
    });
    return result;
}

void TDataSet::SetCachedUpdates(bool Value) {
    if (cachedUpdates_ == Value) return;
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
        CheckEngineResult(Value ? DbiBeginDelayedUpdates(handle_) : DbiEndDelayedUpdates(handle_));
    }
    cachedUpdates_ = Value;
    if (Active()) Resync(0);
}

// ---- Filters ----

std::string TDataSet::EngineCondition(const std::vector<char>& Tree) const {
    std::string condition;
    if (DriverOfCursor(handle_) == 0 || !FilterTreeCondition(Tree.data(), condition)) return {};
    return condition;
}

namespace {

// Adds a filter from a tree, with its condition text when it has one.
TFilterHandle AddTreeFilter(TCursorHandle Handle, const std::vector<char>& Tree,
                            const std::string& Condition, int Priority) {
    TFilterHandle filter = 0;
    const auto clientData =
        Condition.empty() ? 0 : reinterpret_cast<std::intptr_t>(Condition.c_str());
    CheckEngineResult(
        DbiAddFilter(Handle, clientData, Priority, false, Tree.data(), nullptr, &filter));
    return filter;
}

} // namespace

TFilterHandle TDataSet::CreateExprFilter(const std::string& Text, TFilterOptions Options,
                                         int Priority) {
    const TExprParser parser(this, Text, Options);
    return AddTreeFilter(handle_, parser.FilterData(), EngineCondition(parser.FilterData()),
                         Priority);
}

TFilterHandle TDataSet::CreateFuncFilter(int Priority) {
    TFilterHandle filter = 0;
    CheckEngineResult(DbiAddFilter(handle_, reinterpret_cast<std::intptr_t>(this), Priority, false,
                                   nullptr, &TDataSet::FilterCallback, &filter));
    return filter;
}

TFilterHandle TDataSet::CreateLookupFilter(const std::vector<TField*>& Fields,
                                           const TVariant& Values, TLocateOptions Options,
                                           int Priority) {
    TFilterExpr expr(this,
                     foNoPartialCompare | ((Options & loCaseInsensitive) ? foCaseInsensitive : 0));
    TExprNode* root = nullptr;
    TExprNode* last = nullptr;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        last = expr.NewCompareNode(Fields[i], canEQ, KeyValueAt(Values, i, Fields.size()));
        root = root ? expr.NewNode(enOperator, canAND, TVariant::Null(), root, last) : last;
    }
    if (last && (Options & loPartialKey)) last->Partial = true;
    const std::vector<char>& tree = expr.GetFilterData(root);
    return AddTreeFilter(handle_, tree, EngineCondition(tree), Priority);
}

bool TDataSet::FilterCallback(std::intptr_t ClientData, const char* Record, LongInt) {
    return reinterpret_cast<TDataSet*>(ClientData)->RunFilterRecord(Record);
}

bool TDataSet::RunFilterRecord(const char* Record) {
    bool accept = true;
    ReadFilterRecord(Record, [&] {
        try {
            if (onFilterRecord_) onFilterRecord_(this, accept);
        } catch (...) {
            accept = true;
            if (Application) Application->HandleException(this);
        }
    });
    return accept;
}

void TDataSet::OpenFilters() {
    if (!filter_.empty()) exprFilter_ = CreateExprFilter(filter_, filterOptions_, priorityExpr);
    if (onFilterRecord_) funcFilter_ = CreateFuncFilter(priorityFunc);
    if (!filtered_) return;
    for (const TFilterHandle filter : {exprFilter_, funcFilter_})
        if (filter != 0) CheckEngineResult(DbiActivateFilter(handle_, filter));
}

void TDataSet::SwapFilter(TFilterHandle& Handle, TFilterHandle NewHandle) {
    CursorPosChanged();
    if (filtered_) {
        DestroyLookupCursor();
        CheckEngineResult(DbiSetToBegin(handle_));
    }
    if (Handle != 0) {
        // Only an active filter can be dropped: an unused one is activated first, so its slot
        // is freed either way.
        if (!filtered_) CheckEngineResult(DbiActivateFilter(handle_, Handle));
        CheckEngineResult(DbiDropFilter(handle_, Handle));
    }
    Handle = NewHandle;
    if (filtered_ && NewHandle != 0) CheckEngineResult(DbiActivateFilter(handle_, NewHandle));
}

void TDataSet::SetFilterData(const std::string& Text, TFilterOptions Options) {
    const bool changed = Text != filter_ || Options != filterOptions_;
    if (Active() && changed) {
        CheckBrowseMode();
        const TFilterHandle filter =
            Text.empty() ? 0 : CreateExprFilter(Text, Options, priorityExpr);
        SwapFilter(exprFilter_, filter);
    }
    filter_ = Text;
    filterOptions_ = Options;
    if (Active() && changed && filtered_) First();
}

void TDataSet::SetFilter(const std::string& Value) {
    SetFilterData(Value, filterOptions_);
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
    SetFilterData(filter_, Value);
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent Value) {
    const bool changed = static_cast<bool>(Value) != static_cast<bool>(onFilterRecord_);
    if (Active() && changed) {
        CheckBrowseMode();
        SwapFilter(funcFilter_, Value ? CreateFuncFilter(priorityFunc) : 0);
    }
    onFilterRecord_ = std::move(Value);
    if (Active() && changed && filtered_) First();
}

void TDataSet::SetFiltered(bool Value) {
    if (!Active()) {
        filtered_ = Value;
        return;
    }
    CheckBrowseMode();
    if (filtered_ != Value) {
        DestroyLookupCursor();
        CheckEngineResult(DbiSetToBegin(handle_));
        for (const TFilterHandle filter : {exprFilter_, funcFilter_})
            if (filter != 0)
                CheckEngineResult(Value ? DbiActivateFilter(handle_, filter)
                                        : DbiDeactivateFilter(handle_, filter));
        filtered_ = Value;
    }
    First();
}

// ---- Filter expressions ----

namespace {

template <typename T>
void AppendLE(std::vector<char>& Area, T Value) {
    Area.resize(Area.size() + sizeof(T));
    EncodeLE<T>(Area.data() + Area.size() - sizeof(T), Value);
}

// A constant's data in the tree's little-endian form.
template <typename T>
std::vector<char> LittleEndian(T Value) {
    std::vector<char> data;
    AppendLE(data, Value);
    return data;
}

int ReversedOperator(int Operator) {
    switch (Operator) {
    case canGT: return canLT;
    case canLT: return canGT;
    case canGE: return canLE;
    case canLE: return canGE;
    default: return Operator;
    }
}

// A constant converted to a date, time or date-time: text by the platform's conversions.
double DateTimeOf(const TVariant& Value, TDateTime (*Convert)(std::string_view)) {
    return Value.VarType() == varString ? Convert(Value.AsString()) : Value.AsFloat();
}

} // namespace

TFilterExpr::~TFilterExpr() {
    while (nodes_) {
        TExprNode* next = nodes_->Next;
        delete nodes_;
        nodes_ = next;
    }
}

TExprNode* TFilterExpr::NewNode(TExprNodeKind Kind, int Operator, const TVariant& Data,
                                TExprNode* Left, TExprNode* Right) {
    auto* node = new TExprNode;
    node->Next = nodes_;
    nodes_ = node;
    node->Kind = Kind;
    node->Operator = Operator;
    node->Data = Data;
    node->Left = Left;
    node->Right = Right;
    return node;
}

TExprNode* TFilterExpr::NewCompareNode(TField* Field, int Operator, const TVariant& Value) {
    TExprNode* left = NewNode(enField, canField, Field->FieldName(), nullptr, nullptr);
    TExprNode* right = NewNode(enConst, canConst, Value, nullptr, nullptr);
    return NewNode(enOperator, Operator, TVariant::Null(), left, right);
}

const std::vector<char>& TFilterExpr::GetFilterData(TExprNode* Root) {
    nodeArea_.clear();
    literalArea_.clear();
    PutExprNode(Root);
    const std::size_t size = 10 + nodeArea_.size() + literalArea_.size();
    // Every offset of the tree is 16-bit: a larger tree cannot be written.
    if (size > 0xFFFF) DBError(dbmExprIncorrect);
    blob_.clear();
    AppendLE<Word>(blob_, 2);
    AppendLE(blob_, static_cast<Word>(size));
    AppendLE<Word>(blob_, 0xFFFF);
    AppendLE<Word>(blob_, 10);
    AppendLE(blob_, static_cast<Word>(10 + nodeArea_.size()));
    blob_.insert(blob_.end(), nodeArea_.begin(), nodeArea_.end());
    blob_.insert(blob_.end(), literalArea_.begin(), literalArea_.end());
    return blob_;
}

int TFilterExpr::PutNode(int Class, int Operator, const std::vector<Word>& Operands) {
    const auto at = static_cast<int>(nodeArea_.size());
    AppendLE(nodeArea_, static_cast<LongWord>(Class));
    AppendLE(nodeArea_, static_cast<LongWord>(Operator));
    for (const Word operand : Operands)
        AppendLE(nodeArea_, operand);
    return at;
}

void TFilterExpr::SetOperand(int Node, int Index, int Value) {
    EncodeLE(nodeArea_.data() + Node + 8 + 2 * Index, static_cast<Word>(Value));
}

int TFilterExpr::PutLiteral(const void* Data, int Size) {
    const auto at = static_cast<int>(literalArea_.size());
    const auto* bytes = static_cast<const char*>(Data);
    literalArea_.insert(literalArea_.end(), bytes, bytes + Size);
    return at;
}

int TFilterExpr::PutConstant(int Type, const std::vector<char>& Data) {
    const auto size = static_cast<int>(Data.size());
    const int node =
        PutNode(nodeConst, canConst, {static_cast<Word>(Type), static_cast<Word>(size), 0});
    SetOperand(node, 2, PutLiteral(Data.data(), size));
    return node;
}

int TFilterExpr::PutStringConstant(const std::string& Value) {
    std::string native;
    AnsiToNative(dataSet_->Locale(), Value, native, 255);
    return PutConstant(1, std::vector<char>(native.c_str(), native.c_str() + native.size() + 1));
}

TField* TFilterExpr::FilterField(const TExprNode* Node) const {
    TField* field = dataSet_->FieldByName(Node->Data.AsString());
    if (field->FieldKind() != fkData) DBErrorFmt(dbmExprBadField, {field->FieldName()});
    return field;
}

int TFilterExpr::PutFieldNode(TField* Field) {
    std::string native;
    AnsiToNative(dataSet_->Locale(), Field->FieldName(), native, 255);
    const int node = PutNode(nodeField, canField, {static_cast<Word>(Field->FieldNo()), 0});
    SetOperand(node, 1, PutLiteral(native.c_str(), static_cast<int>(native.size()) + 1));
    return node;
}

int TFilterExpr::PutConstNode(TField* Field, const TVariant& Value) {
    const bool text = Value.VarType() == varString;
    switch (Field->DataType()) {
    case ftString: return PutStringConstant(Value.AsString());
    case ftSmallint:
    case ftWord: {
        const Int64 value = text ? StrToInt64(Value.AsString()) : Value.AsInteger();
        const bool word = Field->DataType() == ftWord;
        if (value < (word ? 0 : -32768) || value > (word ? 65535 : 32767))
            DBError(dbmExprRangeError);
        const auto data = static_cast<Word>(value);
        return PutConstant(word ? 12 : 5, LittleEndian(data));
    }
    case ftInteger:
    case ftAutoInc: {
        const LongInt data =
            text ? StrToInt(Value.AsString()) : static_cast<LongInt>(Value.AsInteger());
        return PutConstant(6, LittleEndian(data));
    }
    case ftFloat:
    case ftCurrency: {
        const double data = text ? StrToFloat(Value.AsString()) : Value.AsFloat();
        return PutConstant(7, LittleEndian(data));
    }
    case ftBCD: {
        const double value = text ? StrToFloat(Value.AsString()) : Value.AsFloat();
        if (!FitsInteger(value / 10000.0)) DBError(dbmExprRangeError);
        const TBcd data = CurrencyToBcd(std::llround(value * 10000.0), 32, Field->Size());
        return PutConstant(8, std::vector<char>(data.Bytes.begin(), data.Bytes.end()));
    }
    case ftDate: return PutConstant(2, LittleEndian(RecordDate(DateTimeOf(Value, StrToDate))));
    case ftTime: return PutConstant(10, LittleEndian(RecordTime(DateTimeOf(Value, StrToTime))));
    case ftDateTime:
        return PutConstant(11, LittleEndian(RecordDateTime(DateTimeOf(Value, StrToDateTime))));
    default: DBErrorFmt(dbmExprBadField, {Field->FieldName()});
    }
}

int TFilterExpr::PutCompareNode(TExprNode* Node) {
    TExprNode* left = Node->Left;
    TExprNode* right = Node->Right;
    int op = Node->Operator;
    if (right && right->Kind == enField) {
        std::swap(left, right);
        op = ReversedOperator(op);
    }
    if (!left || !right || left->Kind != enField || right->Kind != enConst)
        DBError(dbmExprBadCompare);
    TField* field = FilterField(left);
    if (right->Data.IsNull()) {
        if (op != canEQ && op != canNE) DBError(dbmExprBadNullTest);
        const int node = PutNode(nodeUnary, op == canEQ ? canIsBlank : canNotBlank, {0});
        SetOperand(node, 0, PutFieldNode(field));
        return node;
    }
    if ((op == canEQ || op == canNE) && field->DataType() == ftString) {
        std::string value = right->Data.AsString();
        const bool caseless = (options_ & foCaseInsensitive) != 0;
        std::size_t partial = 0;
        if (Node->Partial) {
            partial = value.size();
        } else if (!(options_ & foNoPartialCompare) && value.size() >= 2 && value.back() == '*') {
            value.pop_back();
            partial = value.size();
        }
        if (!value.empty() && (caseless || partial > 0)) {
            const int node =
                PutNode(nodeCompare, op,
                        {static_cast<Word>(caseless ? 1 : 0),
                         static_cast<Word>(std::min<std::size_t>(partial, 255)), 0, 0});
            SetOperand(node, 2, PutFieldNode(field));
            SetOperand(node, 3, PutStringConstant(value));
            return node;
        }
    }
    const int node = PutNode(nodeBinary, op, {0, 0});
    SetOperand(node, 0, PutFieldNode(field));
    SetOperand(node, 1, PutConstNode(field, right->Data));
    return node;
}

int TFilterExpr::PutExprNode(TExprNode* Node) {
    if (!Node) DBError(dbmExprIncorrect);
    switch (Node->Kind) {
    case enField: {
        TField* field = FilterField(Node);
        if (field->DataType() != ftBoolean) DBErrorFmt(dbmExprNotBoolean, {field->FieldName()});
        const int node = PutNode(nodeBinary, canNE, {0, 0});
        SetOperand(node, 0, PutFieldNode(field));
        const Word no = 0;
        SetOperand(node, 1, PutConstant(4, LittleEndian(no)));
        return node;
    }
    case enConst: DBError(dbmExprIncorrect);
    default: break;
    }
    if (Node->Operator >= canEQ && Node->Operator <= canLE) return PutCompareNode(Node);
    if (Node->Operator == canAND || Node->Operator == canOR) {
        const int node = PutNode(nodeBinary, Node->Operator, {0, 0});
        SetOperand(node, 0, PutExprNode(Node->Left));
        SetOperand(node, 1, PutExprNode(Node->Right));
        return node;
    }
    const int node = PutNode(nodeUnary, canNOT, {0});
    SetOperand(node, 0, PutExprNode(Node->Left));
    return node;
}

// ---- TExprParser ----

TExprParser::TExprParser(TDataSet* DataSet, const std::string& Text, TFilterOptions Options)
    : filter_(DataSet, Options), text_(Text) {
    NextToken();
    TExprNode* root = ParseExpr();
    if (token_ != etEnd) DBError(dbmExprTermination);
    filterData_ = filter_.GetFilterData(root);
}

void TExprParser::NextToken() {
    const std::size_t size = text_.size();
    while (pos_ < size && text_[pos_] >= 1 && text_[pos_] <= 32)
        ++pos_;
    tokenStart_ = pos_;
    tokenString_.clear();
    if (pos_ >= size) {
        token_ = etEnd;
        return;
    }
    const char c = text_[pos_];
    auto ascii = [](char ch, bool digits) {
        const auto u = static_cast<unsigned char>(ch);
        return std::isalpha(u) || ch == '_' || (digits && std::isdigit(u));
    };
    if (ascii(c, false)) {
        while (pos_ < size && ascii(text_[pos_], true))
            ++pos_;
        tokenString_ = text_.substr(tokenStart_, pos_ - tokenStart_);
        token_ = etSymbol;
        return;
    }
    if (c == '[') {
        const std::size_t end = text_.find(']', pos_ + 1);
        if (end == std::string::npos) DBError(dbmExprNameError);
        tokenString_ = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        token_ = etName;
        return;
    }
    if (c == '\'') {
        for (++pos_;; ++pos_) {
            if (pos_ >= size) DBError(dbmExprStringError);
            if (text_[pos_] == '\'') {
                if (pos_ + 1 >= size || text_[pos_ + 1] != '\'') break;
                ++pos_;
            }
            if (tokenString_.size() < 256) tokenString_ += text_[pos_];
        }
        ++pos_;
        token_ = etLiteral;
        return;
    }
    if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
        while (pos_ < size && std::strchr("+-.0123456789Ee", text_[pos_]) && text_[pos_] != 0)
            ++pos_;
        tokenString_ = text_.substr(tokenStart_, pos_ - tokenStart_);
        token_ = etLiteral;
        return;
    }
    ++pos_;
    const char next = pos_ < size ? text_[pos_] : '\0';
    switch (c) {
    case '(': token_ = etLParen; return;
    case ')': token_ = etRParen; return;
    case '=': token_ = etEQ; return;
    case '<':
        token_ = next == '=' ? etLE : next == '>' ? etNE : etLT;
        if (token_ != etLT) ++pos_;
        return;
    case '>':
        token_ = next == '=' ? etGE : etGT;
        if (token_ == etGE) ++pos_;
        return;
    default: DBErrorFmt(dbmExprInvalidChar, {std::string(1, c)});
    }
}

bool TExprParser::TokenSymbolIs(const char* Symbol) const {
    return token_ == etSymbol && SameText(tokenString_, Symbol);
}

std::string TExprParser::TokenDescription() const {
    if (token_ == etEnd) return DBMessage(dbmExprNothing);
    return "'" + text_.substr(tokenStart_, pos_ - tokenStart_) + "'";
}

TExprNode* TExprParser::ParseExpr() {
    TExprNode* node = ParseTerm();
    while (TokenSymbolIs("OR")) {
        NextToken();
        node = filter_.NewNode(enOperator, canOR, TVariant::Null(), node, ParseTerm());
    }
    return node;
}

TExprNode* TExprParser::ParseTerm() {
    TExprNode* node = ParseFactor();
    while (TokenSymbolIs("AND")) {
        NextToken();
        node = filter_.NewNode(enOperator, canAND, TVariant::Null(), node, ParseFactor());
    }
    return node;
}

TExprNode* TExprParser::ParseFactor() {
    if (!TokenSymbolIs("NOT")) return ParseRelation();
    NextToken();
    return filter_.NewNode(enOperator, canNOT, TVariant::Null(), ParseRelation(), nullptr);
}

TExprNode* TExprParser::ParseRelation() {
    TExprNode* left = ParsePrimary();
    static const int operators[] = {canEQ, canNE, canGE, canLE, canGT, canLT};
    if (token_ < etEQ || token_ > etLT) return left;
    const int op = operators[token_ - etEQ];
    NextToken();
    return filter_.NewNode(enOperator, op, TVariant::Null(), left, ParsePrimary());
}

TExprNode* TExprParser::ParsePrimary() {
    TExprNode* node = nullptr;
    switch (token_) {
    case etSymbol:
        if (TokenSymbolIs("NULL")) {
            node = filter_.NewNode(enConst, canConst, TVariant::Null(), nullptr, nullptr);
            break;
        }
        [[fallthrough]];
    case etName: node = filter_.NewNode(enField, canField, tokenString_, nullptr, nullptr); break;
    case etLiteral:
        node = filter_.NewNode(enConst, canConst, tokenString_, nullptr, nullptr);
        break;
    case etLParen:
        NextToken();
        node = ParseExpr();
        if (token_ != etRParen) DBErrorFmt(dbmExprNoRParen, {TokenDescription()});
        break;
    default: DBErrorFmt(dbmExprExpected, {TokenDescription()});
    }
    NextToken();
    return node;
}
