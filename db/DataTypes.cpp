#include "db/DataTypes.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

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
