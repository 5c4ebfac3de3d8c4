// The database layer's messages and the values its parts share: EDatabaseError, raised with a
// text of the database message table (numbers 62464 and up) by DBError and DBErrorFmt, or with
// any text by DatabaseError; engine results other than 0 become EDBEngineError through
// CheckEngineResult (Sessions) unless an operation names the codes it tolerates (end and
// beginning of table, not found on a delete). Also the variant values fields exchange, the
// states, events and field types of datasets, and the event types of fields and datasets.
#pragma once

#include "db/EngineTypes.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/SysUtils.h"

#include <functional>
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
