#include "db/FieldClasses.h"

#include "db/DBTables.h"
#include "db/DataSet.h"
#include "db/DataSetHelpers.h"
#include "db/EngineBlobs.h"
#include "db/EngineFilters.h"
#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
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
// ---- TStringField ----

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
    InitField(ftString, 20);
}

bool TStringField::GetValue(std::string& Value) {
    std::array<char, 8193> buffer; // the longest string field and its terminating zero
    buffer[0] = buffer.back() = '\0';
    if (!GetData(buffer.data())) return false;
    const TLocaleHandle locale = transliterate_ ? DataSet()->Locale() : 0;
    if (locale != 0)
        DbiNativeToAnsi(locale, &Value, buffer.data(), 0, nullptr);
    else
        Value = buffer.data();
    return true;
}

std::string TStringField::GetAsString() {
    std::string value;
    if (!GetValue(value)) value.clear();
    return value;
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
