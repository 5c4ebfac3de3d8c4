// The database layer's messages, the variant values fields exchange, and the dataset model:
// TDataSet with its ring of record buffers, TField and its typed descendants, the field
// definitions of an open cursor, TBlobStream, and TDataSource with the data links of controls.
//
// Messages: EDatabaseError, raised with a text of the database message table (numbers 62464
// and up) by DBError and DBErrorFmt, or with any text by DatabaseError; engine results other
// than 0 become EDBEngineError through CheckEngineResult (DBTables) unless an operation names
// the codes it tolerates (end and beginning of table, not found on a delete).
//
// Record buffers: a dataset holds BufferCount + 1 buffers of RecBufSize bytes: the record image
// the engine reads and writes, then per calculated field a presence byte and the value, then
// 8 bytes of record information (byte update status, 32-bit record number at 4), a bookmark
// flag byte (0 current, 1 before first, 2 after last, 255 inserted) and the bookmark. Scrolling
// moves buffers, never copies record images. A failed post, edit or delete leaves the dataset
// in its state with the user's values in the buffer, so nothing typed is lost.
//
// Events: a dataset sends each data event to its data sources, which pass it to their links,
// single-record links before multi-record ones. Everything runs on the GUI thread.
//
// Restricting and searching: six key buffers (search key, range start and end, the range in
// force, a saved copy) serve key entry, key searches and ranges; filters reach the engine as a
// filter tree (TFilterExpr, TExprParser) and, on xBase cursors, as its xBase condition, in which
// every constant is typed and delimited so no value can change the condition. A filter text
// is parsed before the old filter goes, so a refused text leaves the old one working.
#pragma once

#include "db/DbiTypes.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

VANTREL_EXCEPTION(EDatabaseError, Exception);
VANTREL_EXCEPTION(EVariantError, Exception);

// Numbers of the database message table.
enum : int {
    dbmDuplicateDatabaseName = 62464,
    dbmDuplicateSessionName = 62465,
    dbmInvalidSessionName = 62466,
    dbmDatabaseNameMissing = 62467,
    dbmSessionNameMissing = 62468,
    dbmDatabaseOpen = 62469,
    dbmDataSetOpen = 62472,
    dbmDataSetClosed = 62473,
    dbmSessionActive = 62474,
    dbmHandleError = 62475,
    dbmUnknownFieldType = 62476,
    dbmFieldNotFound = 62477,
    dbmDataSetMissing = 62478,
    dbmDataSetEmpty = 62479,
    dbmFieldTypeMismatch = 62480,
    dbmFieldRangeError = 62483,
    dbmInvalidIntegerValue = 62484,
    dbmInvalidFloatValue = 62485,
    dbmInvalidBoolValue = 62486,
    dbmNotEditing = 62487,
    dbmDataSetReadOnly = 62489,
    dbmFieldReadOnly = 62490,
    dbmNotIndexField = 62491,
    dbmFieldRequired = 62492,
    dbmFieldAccessError = 62493,
    dbmFieldValueError = 62495,
    dbmUnknownParamType = 62496,
    dbmUnsupportedParamType = 62497,
    dbmFieldCalcType = 62498,
    dbmInvalidFieldSize = 62499,
    dbmCircularDataLink = 62500,
    dbmFieldIndexError = 62501,
    dbmExpressionIndex = 62502,
    dbmNoIndexActive = 62503,
    dbmIndexFieldAccess = 62504,
    dbmDuplicateFieldName = 62505,
    dbmDuplicateIndexName = 62506,
    dbmFieldNameMissing = 62507,
    dbmNoFieldIndexes = 62508,
    dbmTextFalse = 62509,
    dbmTextTrue = 62510,
    dbmEmptySQLStatement = 62512,
    dbmNoParameterValue = 62513,
    dbmNoParameterType = 62514,
    dbmParameterNotFound = 62515,
    dbmCannotConnect = 62517,
    dbmInitError = 62520,
    dbmDatabaseLanguage = 62554,
    dbmEngineError = 62556,
    dbmParamTooBig = 62562,
    dbmParamLoadError = 62563,
    dbmIndexNotFound = 62571,
    dbmNoTableName = 62580,
    dbmReadOnlyOldValues = 62583,
    dbmLookupInfoError = 62584,
    dbmInvalidAliasName = 62585,
    dbmDataSourceChange = 62586,
    dbmExprTermination = 62588,
    dbmExprNameError = 62589,
    dbmExprStringError = 62590,
    dbmExprInvalidChar = 62591,
    dbmExprNoRParen = 62592,
    dbmExprExpected = 62593,
    dbmExprBadCompare = 62594,
    dbmExprBadField = 62595,
    dbmExprBadNullTest = 62596,
    dbmExprRangeError = 62597,
    dbmExprNotBoolean = 62598,
    dbmExprIncorrect = 62599,
    dbmExprNothing = 62600,
    dbmFilterAccess = 62601,
    dbmFieldOutOfRange = 62605,
    dbmBCDOverflow = 62606,
    dbmUntitledApplication = 62608,
    dbmInvalidVarByteArray = 62611,
};

// The text of a message number; empty for a number the table does not hold.
std::string DBMessage(int Ident);

[[noreturn]] void DatabaseError(const std::string& Message);
// Raises EDatabaseError with the message-table text Ident.
[[noreturn]] void DBError(int Ident);
// Raises EDatabaseError with the message-table text Ident formatted with Args.
[[noreturn]] void DBErrorFmt(int Ident, TVarRecs Args);

// ---- Variants ----

// Variant type codes; an array is a list of variants (lower bound 0).
enum TVarType : int {
    varEmpty = 0,
    varNull = 1,
    varInteger = 3,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varString = 8,
    varBoolean = 11,
    varByteArray = 0x2011,
    varArray = 0x200C,
};

// A value of one of the access forms of a field. Conversions between the forms follow the
// platform's text routines; converting empty or null to a value raises EVariantError
// "Invalid variant type conversion".
class TVariant {
public:
    TVariant() = default;
    TVariant(bool Value) : type_(varBoolean), integer_(Value ? 1 : 0) {}
    TVariant(int Value) : type_(varInteger), integer_(Value) {}
    TVariant(Int64 Value) : type_(varInteger), integer_(Value) {}
    TVariant(double Value) : type_(varDouble), float_(Value) {}
    TVariant(std::string Value) : type_(varString), text_(std::move(Value)) {}
    TVariant(const char* Value) : type_(varString), text_(Value ? Value : "") {}
    static TVariant Null();
    static TVariant FromDate(double Value);
    static TVariant FromCurrency(double Value);
    static TVariant Array(std::vector<TVariant> Items);
    static TVariant Bytes(std::vector<Byte> Data);

    TVarType VarType() const { return type_; }
    bool IsNull() const { return type_ == varNull; }
    bool IsEmpty() const { return type_ == varEmpty; }
    bool IsArray() const { return type_ == varArray; }
    bool AsBoolean() const;
    Int64 AsInteger() const;
    double AsFloat() const;
    std::string AsString() const;
    const std::vector<TVariant>& Items() const { return items_; }
    const std::vector<Byte>& Data() const { return bytes_; }
    bool operator==(const TVariant& Other) const;

private:
    [[noreturn]] static void ConversionError();

    TVarType type_ = varEmpty;
    Int64 integer_ = 0;
    double float_ = 0;
    std::string text_;
    std::vector<TVariant> items_;
    std::vector<Byte> bytes_;
};

// ---- Enumerations ----

enum TDataSetState : Byte {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsNewValue,
    dsOldValue,
    dsFilter
};

enum TDataEvent : Byte {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl
};

enum TFieldType : Byte {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary
};

enum TFieldKind : Byte { fkData, fkCalculated, fkLookup };
enum TDataAction : Byte { daFail, daAbort, daRetry };
enum TBlobStreamMode : Byte { bmRead, bmWrite, bmReadWrite };
enum TUpdateMode : Byte { upWhereAll, upWhereChanged, upWhereKeyOnly };

// Bytes a value of the type takes in a record buffer.
int FieldDataSize(TFieldType DataType, int Size);
// Raises "Invalid field size" unless Size is allowed for the type.
void CheckFieldSize(TFieldType DataType, int Size);

// Resync modes: the active record must be read again; it goes to the middle of the ring.
constexpr int rmExact = 1;
constexpr int rmCenter = 2;

// A key buffer: byte 0 Modified, byte 1 Exclusive, the 32-bit field count at 4, then a record
// image from keyHeaderSize on.
constexpr int keyHeaderSize = 8;
int KeyBufferFieldCount(const std::vector<char>& Buffer);
void SetKeyBufferFieldCount(std::vector<char>& Buffer, int Count);

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFieldDefs;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

// Filter options: compare strings without regard to case; take no "*" at the end of a
// string constant as a partial comparison.
using TFilterOptions = unsigned;
constexpr TFilterOptions foCaseInsensitive = 1;
constexpr TFilterOptions foNoPartialCompare = 2;
// Locate options: compare strings without regard to case; the last key value may be a prefix.
using TLocateOptions = unsigned;
constexpr TLocateOptions loCaseInsensitive = 1;
constexpr TLocateOptions loPartialKey = 2;
using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, std::string& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const std::string& Text)>;
using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

// ---- Field definitions ----

class TFieldDef : public TObject {
    VANTREL_CLASS(TFieldDef, TObject)

    // Checks the size for the type, then joins Owner (marked not updated).
    TFieldDef(TFieldDefs* Owner, const std::string& Name, TFieldType DataType, int Size,
              bool Required, int FieldNo);
    ~TFieldDef() override;

    // A new field of the type's default class owned by Owner, joined to the dataset of the
    // definitions; "Field '%s' is of an unknown type" for a type without one.
    TField* CreateField(TComponent* Owner);

    TFieldDefs* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    bool Required() const { return required_; }
    bool EngineCalc() const { return engineCalc_; }
    void SetEngineCalc(bool Value) { engineCalc_ = Value; }
    int Size() const { return size_; }
    int FieldNo() const { return fieldNo_; }

private:
    TFieldDefs* owner_;
    std::string name_;
    TFieldType dataType_;
    bool required_;
    bool engineCalc_ = false;
    int size_;
    int fieldNo_;
};

class TFieldDefs : public TObject {
    VANTREL_CLASS(TFieldDefs, TObject)

    explicit TFieldDefs(TDataSet* DataSet) : dataSet_(DataSet) {}
    ~TFieldDefs() override { Clear(); }

    TDataSet* DataSet() const { return dataSet_; }
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TFieldDef* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    // Position of the definition of that name (any case), -1 when absent.
    int IndexOf(const std::string& Name) const;
    // The definition of that name; "Field '%s' not found" when absent.
    TFieldDef* Find(const std::string& Name) const;
    void Add(const std::string& Name, TFieldType DataType, int Size, bool Required);
    // One definition from an engine descriptor: its name made unique ("%s_%d"), its type and
    // size mapped; an unknown type is dropped.
    void AddFieldDesc(const TFieldDescriptor& Desc, bool Required, int FieldNo);
    // Makes the dataset's definitions up to date.
    void Update();
    bool Updated() const { return updated_; }
    void SetUpdated(bool Value) { updated_ = Value; }

private:
    friend class TFieldDef;
    TDataSet* dataSet_;
    std::vector<TFieldDef*> items_;
    bool updated_ = false;
};

// ---- Fields ----

// The component through which one value of the current record is read and written. Access of
// a form the field's class cannot convert raises "Cannot access field '%s' as type %s".
class TField : public TComponent {
    VANTREL_CLASS(TField, TComponent)

    explicit TField(TComponent* AOwner);
    ~TField() override;

    // Whether the field holds a value in the record the dataset's state chooses; when Buffer is
    // given the value (DataSize bytes, the engine's typed form) is copied there.
    bool GetData(void* Buffer);
    // Stores a value (nullptr = none) in the record the state chooses, after OnValidate, and
    // tells the dataset. Raises when the state or the field forbids the write.
    void SetData(const void* Buffer);

    bool IsNull() { return !GetData(nullptr); }
    bool GetIsNull() { return IsNull(); }
    bool AsBoolean() { return GetAsBoolean(); }
    void SetAsBoolean(bool Value) { DoSetAsBoolean(Value); }
    double AsCurrency() { return GetAsCurrency(); }
    void SetAsCurrency(double Value) { DoSetAsCurrency(Value); }
    double AsDateTime() { return GetAsDateTime(); }
    void SetAsDateTime(double Value) { DoSetAsDateTime(Value); }
    double AsFloat() { return GetAsFloat(); }
    void SetAsFloat(double Value) { DoSetAsFloat(Value); }
    LongInt AsInteger() { return GetAsInteger(); }
    void SetAsInteger(LongInt Value) { DoSetAsInteger(Value); }
    std::string AsString() { return GetAsString(); }
    void SetAsString(const std::string& Value) { DoSetAsString(Value); }
    TVariant Value() { return GetAsVariant(); }
    void SetValue(const TVariant& Value) { SetAsVariant(Value); }
    // Null clears the field, anything else goes to SetVarValue.
    void SetAsVariant(const TVariant& Value);
    // No value.
    virtual void Clear();

    void Assign(TPersistent* Source) override;
    // One element of a list of key values: integers, floats, texts, nil pointers and
    // persistent objects; anything else raises "Invalid value for field '%s'".
    void AssignValue(const TVarRec& Value);

    std::string GetDisplayText();
    std::string GetEditText();
    void SetEditText(const std::string& Value);
    std::string Text() { return GetEditText(); }
    std::string DisplayText() { return GetDisplayText(); }

    std::string GetDisplayName() const {
        return displayLabel_.empty() ? fieldName_ : displayLabel_;
    }
    std::string GetDisplayLabel() const { return GetDisplayName(); }
    void SetDisplayLabel(const std::string& Value);
    int GetDisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : GetDefaultWidth(); }
    void SetDisplayWidth(int Value);
    virtual bool GetCanModify() const;
    bool CanModify() const { return GetCanModify(); }
    bool IsIndexField() const;
    void FocusControl();
    int GetIndex() const;
    void SetIndex(int Value);
    virtual bool IsValidChar(char C) const;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* Value);
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& Value);
    TFieldType DataType() const { return dataType_; }
    int DataSize() const { return dataSize_; }
    int Size() const { return size_; }
    void SetSize(int Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value) { readOnly_ = Value; }
    bool Required() const { return required_; }
    void SetRequired(bool Value) { required_ = Value; }
    TFieldKind FieldKind() const { return fieldKind_; }
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    void SetCalculated(bool Value);
    bool Lookup() const { return fieldKind_ == fkLookup; }
    void SetLookup(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    int FieldNo() const { return fieldNo_; }
    int Offset() const { return offset_; }
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& Value);
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* Value);
    const std::string& KeyFields() const { return keyFields_; }
    void SetKeyFields(const std::string& Value);
    const std::string& LookupKeyFields() const { return lookupKeyFields_; }
    void SetLookupKeyFields(const std::string& Value);
    const std::string& LookupResultField() const { return lookupResultField_; }
    void SetLookupResultField(const std::string& Value);
    const std::string& AttributeSet() const { return attributeSet_; }
    void SetAttributeSet(const std::string& Value) { attributeSet_ = Value; }
    bool Validating() const { return validating_; }

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Called by the dataset when the record leaves edit or insert state.
    virtual void FreeBuffers() {}
    // Called by the dataset when it binds (opening) or unbinds (closing) its fields.
    void Bind(bool Binding);
    // Sets the type for a field made from a definition.
    virtual void SetFieldType(TFieldType Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    virtual void Change();
    virtual bool GetAsBoolean();
    virtual double GetAsCurrency();
    virtual double GetAsDateTime();
    virtual double GetAsFloat();
    virtual LongInt GetAsInteger();
    virtual std::string GetAsString();
    virtual TVariant GetAsVariant();
    virtual int GetDefaultWidth() const { return 10; }
    virtual void GetText(std::string& Text, bool DisplayText);
    virtual void DoSetAsBoolean(bool Value);
    virtual void DoSetAsCurrency(double Value);
    virtual void DoSetAsDateTime(double Value);
    virtual void DoSetAsFloat(double Value);
    virtual void DoSetAsInteger(LongInt Value);
    virtual void DoSetAsString(const std::string& Value);
    virtual void SetText(const std::string& Value);
    virtual void SetVarValue(const TVariant& Value);

    [[noreturn]] void AccessError(const char* TypeName) const;
    // "%g is not a valid value for field '%s'. The allowed range is %g to %g".
    [[noreturn]] void RangeError(double Value, double Min, double Max) const;
    // The value rounded; "Value of field '%s' is out of range" beyond 32 bits.
    LongInt RoundToInteger(double Value) const;
    // A layout change when LayoutAffected, else a data change, for an open dataset.
    void PropertyChanged(bool LayoutAffected);
    // The type and size a class starts with.
    void InitField(TFieldType Type, int Size);
    void SetDataType(TFieldType Value);
    // The class name without "T" and "Field", as "(%s)".
    std::string ClassDesc() const;
    // The record image the state reads; nullptr when there is none.
    char* ReadRecord() const;
    void CheckInactive() const;

private:
    friend class TDataSet;
    friend class TFieldDef;
    char* WriteRecord() const;

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    TFieldType dataType_ = ftUnknown;
    bool readOnly_ = false;
    TFieldKind fieldKind_ = fkData;
    TAlignment alignment_ = taLeftJustify;
    bool visible_ = true;
    bool required_ = false;
    bool validating_ = false;
    int size_ = 0;
    int dataSize_ = 0;
    int fieldNo_ = 0;
    bool engineCalc_ = false;
    int offset_ = 0;
    int displayWidth_ = 0;
    std::string displayLabel_;
    std::string editMask_;
    const void* valueBuffer_ = nullptr;
    TDataSet* lookupDataSet_ = nullptr;
    std::string keyFields_;
    std::string lookupKeyFields_;
    std::string lookupResultField_;
    std::string attributeSet_;
};

class TStringField : public TField {
    VANTREL_CLASS(TStringField, TField)

    explicit TStringField(TComponent* AOwner);
    // The value, converted to ANSI with Transliterate; false without a value.
    bool GetValue(std::string& Value);
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool Value) { transliterate_ = Value; }

protected:
    bool GetAsBoolean() override;
    double GetAsDateTime() override;
    double GetAsFloat() override;
    LongInt GetAsInteger() override;
    std::string GetAsString() override;
    TVariant GetAsVariant() override;
    int GetDefaultWidth() const override { return Size(); }
    void GetText(std::string& Text, bool DisplayText) override;
    void DoSetAsBoolean(bool Value) override;
    void DoSetAsDateTime(double Value) override;
    void DoSetAsFloat(double Value) override;
    void DoSetAsInteger(LongInt Value) override;
    void DoSetAsString(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override;

private:
    bool transliterate_ = true;
};

class TNumericField : public TField {
    VANTREL_CLASS(TNumericField, TField)

    explicit TNumericField(TComponent* AOwner);
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const std::string& Value);
    const std::string& EditFormat() const { return editFormat_; }
    void SetEditFormat(const std::string& Value);

protected:
    // The format for display or editing; empty when none applies.
    const std::string& FormatFor(bool DisplayText) const;

private:
    std::string displayFormat_;
    std::string editFormat_;
};

class TIntegerField : public TNumericField {
    VANTREL_CLASS(TIntegerField, TNumericField)

    explicit TIntegerField(TComponent* AOwner);
    LongInt MinValue() const { return minValue_; }
    void SetMinValue(LongInt Value) { minValue_ = Value; }
    LongInt MaxValue() const { return maxValue_; }
    void SetMaxValue(LongInt Value) { maxValue_ = Value; }
    bool IsValidChar(char C) const override;

protected:
    void SetRange(LongInt Min, LongInt Max);
    // The stored value; false without one.
    bool GetValue(LongInt& Value);
    double GetAsFloat() override;
    LongInt GetAsInteger() override;
    std::string GetAsString() override;
    TVariant GetAsVariant() override;
    void GetText(std::string& Text, bool DisplayText) override;
    void DoSetAsFloat(double Value) override;
    void DoSetAsInteger(LongInt Value) override;
    void DoSetAsString(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override;

private:
    LongInt minRange_;
    LongInt maxRange_;
    LongInt minValue_ = 0;
    LongInt maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
    VANTREL_CLASS(TSmallintField, TIntegerField)
    explicit TSmallintField(TComponent* AOwner);
};

class TWordField : public TIntegerField {
    VANTREL_CLASS(TWordField, TIntegerField)
    explicit TWordField(TComponent* AOwner);
};

class TAutoIncField : public TIntegerField {
    VANTREL_CLASS(TAutoIncField, TIntegerField)
    explicit TAutoIncField(TComponent* AOwner);
};

class TFloatField : public TNumericField {
    VANTREL_CLASS(TFloatField, TNumericField)

    explicit TFloatField(TComponent* AOwner);
    bool Currency() const { return currency_; }
    void SetCurrency(bool Value);
    int Precision() const { return precision_; }
    // Kept within 2..15.
    void SetPrecision(int Value);
    double MinValue() const { return minValue_; }
    void SetMinValue(double Value);
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double Value);
    bool IsValidChar(char C) const override;

protected:
    double GetAsFloat() override;
    LongInt GetAsInteger() override;
    std::string GetAsString() override;
    TVariant GetAsVariant() override;
    void GetText(std::string& Text, bool DisplayText) override;
    void DoSetAsFloat(double Value) override;
    void DoSetAsInteger(LongInt Value) override { DoSetAsFloat(Value); }
    void DoSetAsString(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override { DoSetAsFloat(Value.AsFloat()); }

private:
    bool currency_ = false;
    bool checkRange_ = false;
    int precision_ = 15;
    double minValue_ = 0;
    double maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
    VANTREL_CLASS(TCurrencyField, TFloatField)
    explicit TCurrencyField(TComponent* AOwner);
};

// A BCD value of the engine: 34 bytes, byte 0 the precision, byte 1 the scale with bit 7 as
// the sign, then 32 digits as nibbles (first digit in the high nibble of byte 2).
struct TBcd {
    std::array<Byte, 34> Bytes{};
};
// The value scaled by 10000 (currency); false when it does not fit 64 bits.
bool BcdToCurrency(const TBcd& Bcd, Int64& Value);
TBcd CurrencyToBcd(Int64 Value, int Precision, int Scale);

class TBCDField : public TNumericField {
    VANTREL_CLASS(TBCDField, TNumericField)

    explicit TBCDField(TComponent* AOwner);
    bool Currency() const { return currency_; }
    void SetCurrency(bool Value);
    // Currency values scaled by 10000.
    Int64 MinValue() const { return minValue_; }
    void SetMinValue(Int64 Value);
    Int64 MaxValue() const { return maxValue_; }
    void SetMaxValue(Int64 Value);
    bool IsValidChar(char C) const override;

protected:
    // The value scaled by 10000; false without one. A value that does not fit raises
    // "Value of field '%s' is out of range".
    bool GetValue(Int64& Value);
    void StoreScaled(Int64 Value);
    double GetAsCurrency() override;
    double GetAsFloat() override;
    LongInt GetAsInteger() override;
    std::string GetAsString() override;
    TVariant GetAsVariant() override;
    void GetText(std::string& Text, bool DisplayText) override;
    void DoSetAsCurrency(double Value) override;
    void DoSetAsFloat(double Value) override { DoSetAsCurrency(Value); }
    void DoSetAsInteger(LongInt Value) override { DoSetAsCurrency(Value); }
    void DoSetAsString(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override { DoSetAsCurrency(Value.AsFloat()); }

private:
    bool currency_ = false;
    bool checkRange_ = false;
    Int64 minValue_ = 0;
    Int64 maxValue_ = 0;
};

class TBooleanField : public TField {
    VANTREL_CLASS(TBooleanField, TField)

    explicit TBooleanField(TComponent* AOwner);
    // "true text;false text".
    const std::string& DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const std::string& Value);

protected:
    bool GetAsBoolean() override;
    std::string GetAsString() override;
    TVariant GetAsVariant() override;
    void DoSetAsBoolean(bool Value) override;
    void DoSetAsString(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override { DoSetAsBoolean(Value.AsBoolean()); }

private:
    std::string displayValues_;
    std::string textTrue_;
    std::string textFalse_;
};

// The record forms of dates and times: the day counted from 1 January of year 1 (day 1), the
// time of day in whole milliseconds, and a date-time as the milliseconds of both. The whole part
// of a date-time is its day and the fraction's size its time after that day's start, also
// before 30 December 1899 (-1.25 is 29 December 1899 at 06:00).
LongInt RecordDate(double DateTime);
LongInt RecordTime(double DateTime);
double RecordDateTime(double DateTime);
double DateTimeOfRecord(double Stamp);

class TDateTimeField : public TField {
    VANTREL_CLASS(TDateTimeField, TField)

    explicit TDateTimeField(TComponent* AOwner);
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const std::string& Value);

protected:
    // The value as the platform's date-time; false without one.
    bool GetValue(double& Value);
    double GetAsDateTime() override;
    double GetAsFloat() override { return GetAsDateTime(); }
    std::string GetAsString() override;
    TVariant GetAsVariant() override;
    void GetText(std::string& Text, bool DisplayText) override;
    void DoSetAsDateTime(double Value) override;
    void DoSetAsFloat(double Value) override { DoSetAsDateTime(Value); }
    void DoSetAsString(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override { DoSetAsDateTime(Value.AsFloat()); }

private:
    std::string displayFormat_;
};

class TDateField : public TDateTimeField {
    VANTREL_CLASS(TDateField, TDateTimeField)
    explicit TDateField(TComponent* AOwner);
};

class TTimeField : public TDateTimeField {
    VANTREL_CLASS(TTimeField, TDateTimeField)
    explicit TTimeField(TComponent* AOwner);
};

class TBinaryField : public TField {
    VANTREL_CLASS(TBinaryField, TField)
    explicit TBinaryField(TComponent* AOwner) : TField(AOwner) {}

protected:
    TVariant GetAsVariant() override;
    void SetVarValue(const TVariant& Value) override;
};

class TBytesField : public TBinaryField {
    VANTREL_CLASS(TBytesField, TBinaryField)
    explicit TBytesField(TComponent* AOwner);
};

class TVarBytesField : public TBytesField {
    VANTREL_CLASS(TVarBytesField, TBytesField)
    explicit TVarBytesField(TComponent* AOwner);
};

class TBlobField : public TField {
    VANTREL_CLASS(TBlobField, TField)

    explicit TBlobField(TComponent* AOwner);
    void Assign(TPersistent* Source) override;
    void Clear() override;
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream);
    void LoadFromStrings(TStrings* Strings);
    void SaveToStrings(TStrings* Strings);
    // A bitmap with the 8-byte graphic header for graphic and typed-binary blobs.
    void LoadFromBitmap(TBitmap* Bitmap);
    void SaveToBitmap(TBitmap* Bitmap);
    void FreeBuffers() override;
    void SetFieldType(TFieldType Value) override;
    TFieldType BlobType() const { return DataType(); }
    void SetBlobType(TFieldType Value) { SetFieldType(Value); }
    bool Modified() const { return modified_; }
    void SetModified(bool Value) { modified_ = Value; }
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool Value) { transliterate_ = Value; }

protected:
    void AssignTo(TPersistent* Dest) override;
    std::string GetAsString() override;
    TVariant GetAsVariant() override { return GetAsString(); }
    void GetText(std::string& Text, bool DisplayText) override;
    void DoSetAsString(const std::string& Value) override;
    void SetText(const std::string& Value) override;
    void SetVarValue(const TVariant& Value) override { DoSetAsString(Value.AsString()); }

private:
    bool modified_ = false;
    bool transliterate_ = false;
};

class TMemoField : public TBlobField {
    VANTREL_CLASS(TMemoField, TBlobField)
    explicit TMemoField(TComponent* AOwner);
};

class TGraphicField : public TBlobField {
    VANTREL_CLASS(TGraphicField, TBlobField)
    explicit TGraphicField(TComponent* AOwner);
};

// The piecewise reader and writer of one blob field of the dataset's active record.
class TBlobStream : public TStream {
    VANTREL_CLASS(TBlobStream, TStream)

    // Read mode works on a fresh copy of the current record; the writing modes require edit or
    // insert state, and write mode empties the blob.
    TBlobStream(TBlobField* Field, TBlobStreamMode Mode);
    ~TBlobStream() override;

    LongInt Read(void* Buffer, LongInt Count) override;
    LongInt Write(const void* Buffer, LongInt Count) override;
    Int64 Seek(Int64 Offset, Word Origin) override;
    void SetSize(Int64 NewSize) override;
    // Cuts the blob at the position.
    void Truncate();

private:
    bool Converts() const;
    LongInt BlobSize();

    TBlobField* field_;
    TDataSet* dataSet_;
    char* buffer_ = nullptr;
    std::vector<char> record_;
    Word fieldNo_;
    bool opened_ = false;
    bool modified_ = false;
    LongInt position_ = 0;
};

// ---- Datasets ----

class TDataSet : public TComponent {
    VANTREL_CLASS(TDataSet, TComponent)

    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;

    // Opening and closing.
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return state_ != dsInactive; }
    bool GetActive() const { return Active(); }
    void SetActive(bool Value);
    void CheckActive() const;
    void CheckInactive();
    void Loaded() override;

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves Distance records (back when negative); the signed count of records actually moved.
    int MoveBy(int Distance);
    void Refresh();
    // A copy of the active record's bookmark, or empty.
    std::vector<char> GetBookmark();
    void GotoBookmark(const std::vector<char>& Bookmark);
    void FreeBookmark(std::vector<char>& Bookmark) { Bookmark.clear(); }
    virtual LongInt GetRecNo();
    LongInt RecNo() { return GetRecNo(); }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    void Resync(int Mode);
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord_ = -1; }

    // Editing.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void UpdateRecord();
    void CheckBrowseMode();
    void CheckCanModify() const;
    virtual bool GetCanModify() const;
    bool CanModify() const { return GetCanModify(); }
    bool Modified() const { return modified_; }
    void SetModified(bool Value) { modified_ = Value; }

    // Key entry: the key buffer KeyIndex (0 lookup, 1 range start, 2 range end) takes the field
    // values until PostKeyBuffer keeps them (Commit) or restores the saved ones.
    void SetKeyBuffer(int KeyIndex, bool Clear);
    void PostKeyBuffer(bool Commit);

    // Fields.
    TField* FieldByName(const std::string& Name) const;
    TField* FindField(const std::string& Name) const;
    TField* FieldByNumber(int FieldNo) const;
    int GetFieldCount() const { return static_cast<int>(fields_.size()); }
    int FieldCount() const { return GetFieldCount(); }
    TField* GetField(int Index) const { return fields_.at(static_cast<std::size_t>(Index)); }
    TField* Fields(int Index) const { return GetField(Index); }
    // The value of the named field, or with ";" an array of the named fields' values.
    TVariant FieldValues(const std::string& Names) const;
    void SetFieldValues(const std::string& Names, const TVariant& Value);
    void GetFieldList(std::vector<TField*>& List, const std::string& Names) const;
    void GetFieldNames(TStrings* List);
    void CheckFieldName(const std::string& Name) const;
    TField* GetIndexField(int Index) const;
    void SetIndexField(int Index, TField* Value);
    int GetIndexFieldCount() const { return indexFieldCount_; }
    TFieldDefs* FieldDefs();
    void AddField(TField* Field);
    void RemoveField(TField* Field);
    bool DefaultFields() const { return defaultFields_; }
    void ClearFields();

    // Data sources and controls.
    void AddDataSource(TDataSource* DataSource);
    void RemoveDataSource(TDataSource* DataSource);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ != 0; }
    bool IsLinkedTo(TDataSource* DataSource) const;
    virtual TDataSource* GetDataSource() const { return nullptr; }
    virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
    // Computes the buffers the links need and fills them.
    void UpdateBufferCount();

    // The state and the buffer ring as the links and fields see them.
    TDataSetState State() const { return state_; }
    TCursorHandle Handle() const { return handle_; }
    TLocaleHandle Locale() const { return locale_; }
    int ActiveRecord() const { return activeRecord_; }
    // A buffer that holds no record is not made active.
    void SetActiveRecord(int Value) {
        if (Value >= 0 && Value < recordCount_) activeRecord_ = Value;
    }
    int RecordCount() const { return recordCount_; }
    int BufferCount() const { return bufferCount_; }
    int RecordSize() const { return recordSize_; }
    int RecBufSize() const { return recBufSize_; }
    int CalcFieldsSize() const { return calcFieldsSize_; }
    // The active record buffer; nullptr when no record is held.
    char* ActiveBuffer() const;
    char* CalcBuffer() const { return calcBuffer_; }
    char* FilterBuffer() const { return filterBuffer_; }
    // For record filters: runs Reader in the filter state, with field reads served from a copy
    // of Record (an engine record image; calculated fields read as empty). No event is sent.
    void ReadFilterRecord(const char* Record, const std::function<void()>& Reader);
    // The record image of the key buffer being edited.
    char* KeyRecord() const;
    int KeySize() const { return keySize_; }
    bool ExpIndex() const { return expIndex_; }
    bool CaseInsIndex() const { return caseInsIndex_; }
    int IndexFieldNo(int Index) const { return indexFieldMap_.at(static_cast<std::size_t>(Index)); }

    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool Value) { autoCalcFields_ = Value; }

    // Filters. While open, a new Filter text or options are parsed before the old filter is
    // dropped, so a text the parser refuses raises and leaves the old filter working; turning
    // Filtered on or off moves to the first record that passes.
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool Value);
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& Value);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    void SetFilterOptions(TFilterOptions Value);
    const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
    // An exception of the handler is shown, and the record then counts as accepted.
    void SetOnFilterRecord(TFilterRecordEvent Value);

    // Search. Locate moves to the first record whose KeyFields (";"-separated) hold KeyValues
    // (one value, or an array with one per field); false, without moving the view, when none
    // does. Lookup answers the ResultFields of that record without moving (null when none).
    bool Locate(const std::string& KeyFields, const TVariant& KeyValues, TLocateOptions Options);
    TVariant Lookup(const std::string& KeyFields, const TVariant& KeyValues,
                    const std::string& ResultFields);

    // Cached updates need engine calls this engine does not support: turning them on while
    // open, or opening with them on, raises that engine error and leaves the dataset as it was.
    bool CachedUpdates() const { return cachedUpdates_; }
    void SetCachedUpdates(bool Value);

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
        BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete,
        AfterDelete, OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;
    // A design-time observer: every data event after the data sources.
    std::function<void(TDataEvent Event, std::intptr_t Info)> Designer;

protected:
    virtual void OpenCursor();
    virtual void CloseCursor();
    // The descendant opens its cursor here; a null handle fails the open.
    virtual TCursorHandle CreateHandle() { return 0; }
    virtual void DestroyHandle();
    virtual void InitFieldDefs();
    virtual void PrepareCursor() {}
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoAfterClose() { Fire(AfterClose); }
    virtual void DoAfterDelete() { Fire(AfterDelete); }
    virtual void DoAfterEdit() { Fire(AfterEdit); }
    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoAfterPost() { Fire(AfterPost); }
    virtual void DoBeforeCancel() { Fire(BeforeCancel); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoBeforeDelete() { Fire(BeforeDelete); }
    virtual void DoBeforeEdit() { Fire(BeforeEdit); }
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoBeforePost() { Fire(BeforePost); }
    virtual void DoOnCalcFields() { Fire(OnCalcFields); }
    virtual void DoOnNewRecord() { Fire(OnNewRecord); }

    void SetState(TDataSetState Value);
    // Switches the active index, keeping the current record when the engine can.
    void SwitchToIndex(const std::string& IndexName, const std::string& TagName);
    // Reads the description of the active index (none is active: no key fields).
    void GetIndexInfo();
    // Runs a record operation; failures go to ErrorEvent, which may fail, abort or retry.
    void RunRecordOperation(const std::function<DBIResult()>& Operation,
                            const TDataSetErrorEvent& ErrorEvent);
    void CalculateFields();
    bool InfoQueryMode() const { return infoQueryMode_; }
    void SetLocale(TLocaleHandle Value) { locale_ = Value; }
    // The definitions as they stand, without bringing them up to date.
    TFieldDefs* FieldDefList() const { return fieldDefs_.get(); }
    // The key buffers: 8-byte header (Modified, Exclusive, 32-bit FieldCount), then a record.
    std::vector<char>& KeyBuffers(int Index) {
        return keyBuffers_.at(static_cast<std::size_t>(Index));
    }
    // Zeroes the header and gives the record image the engine's empty record.
    void InitKeyBuffer(std::vector<char>& Buffer);
    // The key buffer being edited in key entry; nullptr outside it.
    std::vector<char>* EditedKeyBuffer() const { return state_ == dsSetKey ? keyBuffer_ : nullptr; }
    // Key buffer KeyIndex takes one value per index field from the first: 62502 on an
    // expression index, 62503 without an active index.
    void SetKeyFields(int KeyIndex, const std::vector<TVarRec>& Values);
    // Hands the range buffers to the engine; false when they equal the range already set.
    bool SetCursorRange();
    // Removes the range; false when none was set.
    bool ResetCursorRange();
    // The range of a detail on its master's current values (one per index field from the first).
    void SetLinkRanges(const std::vector<TField*>& MasterFields);
    // A cursor ordered by an index on KeyFields for searches, 0 when there is none.
    virtual TCursorHandle GetLookupCursor(const std::string& KeyFields, bool CaseInsensitive);
    virtual void DestroyLookupCursor() {}
    // Adds a filter (not active yet) and answers its handle; failures raise.
    TFilterHandle CreateExprFilter(const std::string& Text, TFilterOptions Options, int Priority);
    TFilterHandle CreateFuncFilter(int Priority);
    TFilterHandle CreateLookupFilter(const std::vector<TField*>& Fields, const TVariant& Values,
                                     TLocateOptions Options, int Priority);
    bool LocateRecord(const std::string& KeyFields, const TVariant& KeyValues,
                      TLocateOptions Options, bool SyncCursor);
    // The condition text handed to the engine with a filter tree: its xBase form on xBase
    // cursors, else empty.
    std::string EngineCondition(const std::vector<char>& Tree) const;

private:
    friend class TField;
    friend class TBlobStream;
    friend class TDataLink;

    static void Fire(const TDataSetNotifyEvent& Event, TDataSet* Self) {
        if (Event) Event(Self);
    }
    void Fire(const TDataSetNotifyEvent& Event) { Fire(Event, this); }
    void DoOpen();
    void DoClose();
    // First (from the beginning) or Last: the ring filled from that end.
    void ReadFromEnd(bool Beginning);
    void FreeCursor();
    void ReadCursorProps();
    void BindFields(bool Binding);
    void CreateFields();
    void DestroyFields();
    void FreeFieldBuffers();
    void SetBufListSize(int Size);
    void SetBufferCount(int Value);
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(int From, int To);
    char* Buffer(int Index) const { return buffers_[static_cast<std::size_t>(Index)].data(); }
    DBIResult GetRecord(int Index, int Mode);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int Index);
    void GetCalcFields(int Index);
    void ClearCalcFields(char* Buffer) const;
    void InitRecord(char* Buffer);
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckRequiredFields();
    void UpdateRequiredFields(Word Count);
    void AllocKeyBuffers();
    Byte& BookmarkFlag(int Index) const;
    char* BookmarkOf(int Index) const;
    LongInt RecordNumberOf(const char* Buffer) const;
    void SetRecordNumber(char* Buffer, LongInt Value) const;
    Byte& UpdateStatusOf(char* Buffer) const;
    void SendEvent(TDataEvent Event, std::intptr_t Info);
    // Filters on open, and the swap of one filter handle for another.
    void OpenFilters();
    void SetFilterData(const std::string& Text, TFilterOptions Options);
    void SwapFilter(TFilterHandle& Handle, TFilterHandle NewHandle);
    static bool FilterCallback(std::intptr_t ClientData, const char* Record, LongInt RecNo);
    bool RunFilterRecord(const char* Record);
    // Runs Body in state State with Buffer as the record fields read, without an event.
    template <typename Body>
    void InTempState(TDataSetState State, char* Buffer, const Body& body);

    std::vector<TField*> fields_;
    std::vector<TDataSource*> dataSources_;
    std::unique_ptr<TFieldDefs> fieldDefs_;
    mutable std::vector<std::vector<char>> buffers_;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    TCursorHandle handle_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    TDataSetState state_ = dsInactive;
    bool autoCalcFields_ = true;
    bool defaultFields_ = false;
    bool canModify_ = false;
    bool modified_ = false;
    bool streamedActive_ = false;
    bool infoQueryMode_ = false;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    bool filtered_ = false;
    int recordSize_ = 0;
    int bookmarkSize_ = 0;
    int recInfoOfs_ = 0;
    int bookmarkOfs_ = 0;
    int recNoStatus_ = 0;
    int keySize_ = 0;
    bool expIndex_ = false;
    bool caseInsIndex_ = false;
    int calcFieldsSize_ = 0;
    int recBufSize_ = 0;
    int disableCount_ = 0;
    TDataLink* firstDataLink_ = nullptr;
    TLocaleHandle locale_ = 0;
    std::array<std::vector<char>, 6> keyBuffers_;
    std::vector<char>* keyBuffer_ = nullptr;
    char* calcBuffer_ = nullptr;
    char* filterBuffer_ = nullptr;
    std::string filter_;
    TFilterOptions filterOptions_ = 0;
    TFilterRecordEvent onFilterRecord_;
    TFilterHandle exprFilter_ = 0;
    TFilterHandle funcFilter_ = 0;
    bool cachedUpdates_ = false;
    int indexFieldCount_ = 0;
    std::array<Word, 16> indexFieldMap_{};
    bool engineCalcFields_ = false;
    std::vector<bool> requiredFields_;
};

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

// ---- Filter expressions ----
//
// The engine filter tree: a self-contained little-endian blob. Header: version 2, total size,
// node count 65535, node start 10, literal start; then the node area (each node a 32-bit class,
// a 32-bit operator, then 16-bit operands) and the literal area (field names and constant
// values). A node reference is an offset into the node area, a literal reference one into the
// literal area; the root is the first node, and a parent is written before its operands.

// Node classes and operators of the tree.
enum : int { nodeUnary = 1, nodeBinary = 2, nodeCompare = 3, nodeField = 4, nodeConst = 5 };
enum : int {
    canIsBlank = 1,
    canNotBlank = 2,
    canEQ = 3,
    canNE = 4,
    canGT = 5,
    canLT = 6,
    canGE = 7,
    canLE = 8,
    canNOT = 9,
    canAND = 10,
    canOR = 11,
    canField = 13,
    canConst = 14
};

enum TExprNodeKind : Byte { enField, enConst, enOperator };

// A node of the expression tree in memory: a field (Data its name), a constant (Data its
// value, null for NULL) or an operator over Left and Right.
struct TExprNode {
    TExprNode* Next = nullptr;
    TExprNodeKind Kind = enField;
    bool Partial = false;
    int Operator = 0;
    TVariant Data;
    TExprNode* Left = nullptr;
    TExprNode* Right = nullptr;
};

// Builds the filter tree of an expression over the fields of a dataset. Every build error is an
// EDatabaseError with the filter messages (62588 and up).
class TFilterExpr : public TObject {
    VANTREL_CLASS(TFilterExpr, TObject)

    TFilterExpr(TDataSet* DataSet, TFilterOptions Options) : dataSet_(DataSet), options_(Options) {}
    ~TFilterExpr() override;

    TExprNode* NewNode(TExprNodeKind Kind, int Operator, const TVariant& Data, TExprNode* Left,
                       TExprNode* Right);
    // Operator over a field node named after Field and a constant node holding Value.
    TExprNode* NewCompareNode(TField* Field, int Operator, const TVariant& Value);
    // The blob of the tree under Root.
    const std::vector<char>& GetFilterData(TExprNode* Root);

private:
    int PutExprNode(TExprNode* Node);
    int PutCompareNode(TExprNode* Node);
    int PutNode(int Class, int Operator, const std::vector<Word>& Operands);
    void SetOperand(int Node, int Index, int Value);
    int PutFieldNode(TField* Field);
    int PutConstant(int Type, const std::vector<char>& Data);
    int PutConstNode(TField* Field, const TVariant& Value);
    int PutStringConstant(const std::string& Value);
    int PutLiteral(const void* Data, int Size);
    TField* FilterField(const TExprNode* Node) const;

    TDataSet* dataSet_;
    TFilterOptions options_;
    TExprNode* nodes_ = nullptr;
    std::vector<char> nodeArea_;
    std::vector<char> literalArea_;
    std::vector<char> blob_;
};

// Parses a dataset's Filter text into a filter tree: expressions of fields (plain names or
// [bracketed names]), 'quoted' constants (two quotes stand for one), numbers, NULL, the
// relations = <> < > <= >=, AND, OR, NOT and parentheses.
class TExprParser : public TObject {
    VANTREL_CLASS(TExprParser, TObject)

    TExprParser(TDataSet* DataSet, const std::string& Text, TFilterOptions Options);
    const std::vector<char>& FilterData() const { return filterData_; }

private:
    enum TToken {
        etEnd,
        etSymbol,
        etName,
        etLiteral,
        etLParen,
        etRParen,
        etEQ,
        etNE,
        etGE,
        etLE,
        etGT,
        etLT
    };
    void NextToken();
    bool TokenSymbolIs(const char* Symbol) const;
    std::string TokenDescription() const;
    TExprNode* ParseExpr();
    TExprNode* ParseTerm();
    TExprNode* ParseFactor();
    TExprNode* ParseRelation();
    TExprNode* ParsePrimary();

    TFilterExpr filter_;
    std::string text_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    std::string tokenString_;
    TToken token_ = etEnd;
    std::vector<char> filterData_;
};
