// The typed fields (string, integer, float, BCD, boolean, date and time, bytes, blob, memo and
// graphic) and TBlobStream, the stream over one blob field of the current record.
#pragma once

#include "db/Fields.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Streams.h"

#include <string>
#include <vector>

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
