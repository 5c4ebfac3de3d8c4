// Fields and field definitions: each field class reading and writing at its limits, texts for
// display and editing, validation, and the definitions made from engine descriptors. Types the
// tables do not store are exercised as calculated fields of an edited record.
#include "DataSetFixture.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Regional.h"

#include <cmath>
#include <limits>

namespace {

class FieldsTest : public DataSetFixture {
protected:
    // LOANS.DBF with one record, persistent fields for the table and the calculated ones that
    // add makes, opened and in edit state.
    TTestTable& EditWith(const std::function<void(TTestTable&)>& add) {
        MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
        table_ = std::make_unique<TTestTable>(folder_.Path(), "LOANS.DBF", "NAME");
        TFieldDefs* defs = table_->FieldDefs();
        for (int i = 0; i < defs->Count(); ++i)
            defs->Items(i)->CreateField(table_.get());
        add(*table_);
        table_->Open();
        table_->Edit();
        return *table_;
    }

    template <typename T>
    static T* Calculated(TTestTable& table, const std::string& name) {
        auto* field = new T(&table);
        field->SetFieldName(name);
        field->SetCalculated(true);
        field->SetDataSet(&table);
        return field;
    }

    static TFieldDescriptor Desc(const char* name, Word type, Word subType = 0, SmallInt units1 = 0,
                                 Word length = 0) {
        TFieldDescriptor desc;
        std::strncpy(desc.Name.data(), name, desc.Name.size() - 1);
        desc.FieldType = type;
        desc.SubType = subType;
        desc.Units1 = units1;
        desc.Length = length;
        return desc;
    }
};

TEST_F(FieldsTest, StringFieldsReadYesAndNoAsBooleansAndKeepTheirSize) {
    TTestTable& table = EditWith([](TTestTable&) {});
    TField* name = table.FieldByName("NAME");
    name->SetAsString("yes");
    EXPECT_TRUE(name->AsBoolean());
    name->SetAsString("no");
    EXPECT_FALSE(name->AsBoolean());
    name->SetAsBoolean(true);
    EXPECT_EQ(name->AsString(), "T");
    name->SetAsInteger(-42);
    EXPECT_EQ(name->AsInteger(), -42);
    name->SetAsString("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(name->AsString(), "ABCDEFGHIJ");
    EXPECT_EQ(name->GetDisplayWidth(), 10);
    EXPECT_THROW(name->AsFloat(), EConvertError);
    name->Clear();
    EXPECT_TRUE(name->IsNull());
    EXPECT_TRUE(name->Value().IsNull());
}

TEST_F(FieldsTest, CalculatedStringsKeepTheirWholeSlot) {
    TStringField* label = nullptr;
    EditWith([&](TTestTable& t) {
        label = Calculated<TStringField>(t, "LABEL");
        label->SetSize(200);
    });
    label->SetAsString("short");
    EXPECT_EQ(label->AsString(), "short");
    label->SetAsString(std::string(250, 'x'));
    EXPECT_EQ(label->AsString(), std::string(200, 'x'));
    EXPECT_EQ(label->GetDisplayWidth(), 200);
}

TEST_F(FieldsTest, IntegerFieldsKeepToTheirRanges) {
    TSmallintField* small = nullptr;
    TIntegerField* whole = nullptr;
    TWordField* word = nullptr;
    EditWith([&](TTestTable& t) {
        small = Calculated<TSmallintField>(t, "S");
        whole = Calculated<TIntegerField>(t, "I");
        word = Calculated<TWordField>(t, "W");
    });
    EXPECT_EQ(MessageOf([&] { small->SetAsInteger(40000); }),
              "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
    small->SetAsInteger(-32768);
    EXPECT_EQ(small->AsInteger(), -32768);
    whole->SetAsInteger(std::numeric_limits<LongInt>::max());
    EXPECT_EQ(whole->AsInteger(), std::numeric_limits<LongInt>::max());
    whole->SetAsInteger(std::numeric_limits<LongInt>::min());
    EXPECT_EQ(whole->AsString(), "-2147483648");
    whole->SetMinValue(1);
    whole->SetMaxValue(10);
    EXPECT_EQ(MessageOf([&] { whole->SetAsInteger(0); }),
              "0 is not a valid value for field 'I'. The allowed range is 1 to 10");
    EXPECT_EQ(MessageOf([&] { whole->SetAsString("12x"); }),
              "'12x' is not a valid integer value for field 'I'");
    whole->SetAsFloat(9.6);
    EXPECT_EQ(whole->AsInteger(), 10);
    EXPECT_EQ(MessageOf([&] { whole->SetAsFloat(3e9); }),
              "3000000000 is not a valid value for field 'I'. The allowed range is 1 to 10");
    word->SetAsInteger(65535);
    EXPECT_EQ(word->AsInteger(), 65535);
    EXPECT_NE(MessageOf([&] { word->SetAsInteger(-1); }), "<nothing raised>");
    // A user range wider than the stored form still cannot make a value wrap.
    small->SetMaxValue(100000);
    EXPECT_NE(MessageOf([&] { small->SetAsInteger(40000); }), "<nothing raised>");
    EXPECT_EQ(small->AsInteger(), -32768);
    whole->SetAsString("");
    EXPECT_TRUE(whole->IsNull());
    EXPECT_EQ(whole->AsInteger(), 0);
    whole->SetDisplayFormat("#,##0 days");
    whole->SetAsInteger(5);
    EXPECT_EQ(whole->DisplayText(), "5 days");
    EXPECT_EQ(whole->Text(), "5 days");
    whole->SetEditFormat("0");
    EXPECT_EQ(whole->Text(), "5");
    EXPECT_TRUE(whole->IsValidChar('-'));
    EXPECT_FALSE(whole->IsValidChar('.'));
    EXPECT_EQ(whole->Alignment(), taRightJustify);
}

TEST_F(FieldsTest, FloatFieldsCheckTextRangeAndPrecision) {
    TFloatField* rate = nullptr;
    TCurrencyField* money = nullptr;
    TTestTable& table = EditWith([&](TTestTable& t) {
        rate = Calculated<TFloatField>(t, "RATE");
        money = Calculated<TCurrencyField>(t, "MONEY");
    });
    rate->SetPrecision(20);
    EXPECT_EQ(rate->Precision(), 15);
    rate->SetPrecision(1);
    EXPECT_EQ(rate->Precision(), 2);
    EXPECT_EQ(MessageOf([&] { rate->SetAsString("1.2.3"); }),
              "'1.2.3' is not a valid floating point value for field 'RATE'");
    EXPECT_NE(MessageOf([&] { rate->SetAsFloat(std::nan("")); }), "<nothing raised>");
    EXPECT_NE(MessageOf([&] { rate->SetAsFloat(HUGE_VAL); }), "<nothing raised>");
    rate->SetMinValue(0);
    rate->SetMaxValue(0.25);
    EXPECT_EQ(MessageOf([&] { rate->SetAsFloat(0.5); }),
              "0.5 is not a valid value for field 'RATE'. The allowed range is 0 to 0.25");
    rate->SetAsString("0.125");
    EXPECT_EQ(rate->AsFloat(), 0.125);
    money->SetAsFloat(1234.5);
    EXPECT_EQ(money->DisplayText(), "$1,234.50");
    EXPECT_EQ(money->Text(), "1234.50");
    EXPECT_TRUE(money->Currency());
    EXPECT_TRUE(rate->IsValidChar(FormatSettings().DecimalSeparator));
    TField* amount = table.FieldByName("AMOUNT");
    amount->SetAsInteger(7);
    EXPECT_EQ(amount->AsString(), "7");
    // Too wide for N10.2: the engine refuses it and the field keeps its value.
    EXPECT_THROW(amount->SetAsFloat(3e12), EDBEngineError);
    EXPECT_EQ(amount->AsFloat(), 7);
}

TEST_F(FieldsTest, FractionsReadAsWholeNumbersRoundToTheNearest) {
    EXPECT_EQ(TVariant(2.6).AsInteger(), 3);
    EXPECT_EQ(TVariant(-2.6).AsInteger(), -3);
    EXPECT_EQ(TVariant::FromCurrency(41.5001).AsInteger(), 42);
    EXPECT_EQ(TVariant("7.7").AsInteger(), 8);
    EXPECT_EQ(TVariant("-0.75").AsInteger(), -1);

    TFloatField* rate = nullptr;
    TBCDField* bcd = nullptr;
    EditWith([&](TTestTable& t) {
        rate = Calculated<TFloatField>(t, "RATE");
        bcd = Calculated<TBCDField>(t, "B");
    });
    rate->SetAsFloat(2.6);
    EXPECT_EQ(rate->AsInteger(), 3);
    rate->SetAsFloat(-1234.7);
    EXPECT_EQ(rate->AsInteger(), -1235);
    rate->SetAsFloat(3e9);
    EXPECT_EQ(MessageOf([&] { rate->AsInteger(); }), "Value of field 'RATE' is out of range");
    // The largest whole number a field gives is 2147483647: half a unit below the next one
    // still rounds to it, anything from there on is out of range.
    rate->SetAsFloat(2147483647.4);
    EXPECT_EQ(rate->AsInteger(), 2147483647);
    rate->SetAsFloat(2147483647.5);
    EXPECT_EQ(MessageOf([&] { rate->AsInteger(); }), "Value of field 'RATE' is out of range");
    rate->SetAsFloat(-2147483648.5);
    EXPECT_EQ(rate->AsInteger(), -2147483647 - 1);
    rate->SetAsFloat(-2147483648.6);
    EXPECT_EQ(MessageOf([&] { rate->AsInteger(); }), "Value of field 'RATE' is out of range");

    bcd->SetAsFloat(12.7);
    EXPECT_EQ(bcd->AsInteger(), 13);
    bcd->SetAsFloat(-99.5001);
    EXPECT_EQ(bcd->AsInteger(), -100);
    // Four places are kept: the fifth rounds the fourth.
    bcd->SetAsFloat(1.23456);
    EXPECT_EQ(bcd->AsString(), "1.2346");
    bcd->SetAsFloat(-1.23454);
    EXPECT_EQ(bcd->AsString(), "-1.2345");
}

TEST_F(FieldsTest, TimesKeepTheTimeOfDayToTheNearestMillisecond) {
    TTimeField* time = nullptr;
    TDateTimeField* stamp = nullptr;
    EditWith([&](TTestTable& t) {
        time = Calculated<TTimeField>(t, "T");
        stamp = Calculated<TDateTimeField>(t, "STAMP");
    });
    // 15 March 2023 at 18:00 is day 45000.75; a time field keeps 18:00 only.
    time->SetAsDateTime(45000.75);
    EXPECT_EQ(time->AsDateTime(), 0.75);
    // 0.123456789 of a day is 10666666.5696 ms: stored as 10666667 ms.
    time->SetAsDateTime(0.123456789);
    EXPECT_EQ(time->AsDateTime(), 10666667 / 86400000.0);
    stamp->SetAsDateTime(45000.123456789);
    EXPECT_EQ(stamp->AsDateTime(), 45000 + 10666667 / 86400000.0);
}

TEST_F(FieldsTest, ARangeHoldsWhenEitherLimitIsSetAndBothZeroMeansNone) {
    TFloatField* rate = nullptr;
    TBCDField* bcd = nullptr;
    EditWith([&](TTestTable& t) {
        rate = Calculated<TFloatField>(t, "RATE");
        bcd = Calculated<TBCDField>(t, "B");
    });
    // Limits set one at a time, in the field's own unit (a decimal field's are in
    // ten-thousandths).
    const auto check = [](TField* field, const std::function<void(double)>& setMin,
                          const std::function<void(double)>& setMax) {
        setMin(-1);
        EXPECT_EQ(MessageOf([&] { field->SetAsFloat(0.5); }),
                  "0.5 is not a valid value for field '" + field->FieldName() +
                      "'. The allowed range is -1 to 0");
        setMax(0);
        EXPECT_NE(MessageOf([&] { field->SetAsFloat(0.5); }), "<nothing raised>");
        setMin(0);
        field->SetAsFloat(0.5);
        EXPECT_EQ(field->AsFloat(), 0.5);
        setMax(2);
        setMin(0);
        EXPECT_NE(MessageOf([&] { field->SetAsFloat(-0.5); }), "<nothing raised>");
        field->SetAsFloat(2);
        EXPECT_EQ(field->AsFloat(), 2);
    };
    check(
        rate, [&](double v) { rate->SetMinValue(v); }, [&](double v) { rate->SetMaxValue(v); });
    check(
        bcd, [&](double v) { bcd->SetMinValue(static_cast<Int64>(v * 10000)); },
        [&](double v) { bcd->SetMaxValue(static_cast<Int64>(v * 10000)); });
}

TEST_F(FieldsTest, NumberFieldsTakeDigitsSignsAndTheirOwnMarks) {
    TFloatField rate(nullptr);
    TBCDField bcd(nullptr);
    TIntegerField whole(nullptr);
    for (const char c : {'0', '5', '9', '+', '-'}) {
        EXPECT_TRUE(rate.IsValidChar(c)) << c;
        EXPECT_TRUE(bcd.IsValidChar(c)) << c;
        EXPECT_TRUE(whole.IsValidChar(c)) << c;
    }
    for (const char c : {'/', ':', 'x', ' '}) {
        EXPECT_FALSE(rate.IsValidChar(c)) << c;
        EXPECT_FALSE(bcd.IsValidChar(c)) << c;
        EXPECT_FALSE(whole.IsValidChar(c)) << c;
    }
    EXPECT_TRUE(rate.IsValidChar('E'));
    EXPECT_TRUE(rate.IsValidChar('e'));
    EXPECT_FALSE(bcd.IsValidChar('E'));
    EXPECT_TRUE(bcd.IsValidChar(FormatSettings().DecimalSeparator));
    EXPECT_FALSE(whole.IsValidChar(FormatSettings().DecimalSeparator));
    TStringField name(nullptr);
    EXPECT_EQ(name.Size(), 20);
    EXPECT_TRUE(name.IsValidChar(':'));
}

TEST_F(FieldsTest, DecimalsReadEveryDigitTheyHold) {
    // 64 digits, the last of them 5, four of them places: 0.0005.
    TBcd bcd;
    bcd.Bytes.fill(0);
    bcd.Bytes[0] = 64;
    bcd.Bytes[1] = 4;
    bcd.Bytes.back() = 0x05;
    Int64 value = 0;
    ASSERT_TRUE(BcdToCurrency(bcd, value));
    EXPECT_EQ(value, 5);
    // Digits are read high half first: 0x12 0x34 with four places is 0.1234.
    bcd.Bytes.fill(0);
    bcd.Bytes[0] = 4;
    bcd.Bytes[1] = 4;
    bcd.Bytes[2] = 0x12;
    bcd.Bytes[3] = 0x34;
    ASSERT_TRUE(BcdToCurrency(bcd, value));
    EXPECT_EQ(value, 1234);
}

TEST_F(FieldsTest, BooleanFieldsTakeTheBeginningOfTheirTexts) {
    TBooleanField* flag = nullptr;
    EditWith([&](TTestTable& t) { flag = Calculated<TBooleanField>(t, "FLAG"); });
    EXPECT_TRUE(flag->AsString().empty());
    flag->SetAsBoolean(true);
    EXPECT_EQ(flag->AsString(), "True");
    flag->SetDisplayValues("Yes;No");
    flag->SetAsString("n");
    EXPECT_EQ(flag->DisplayText(), "No");
    flag->SetAsString("YE");
    EXPECT_EQ(flag->DisplayText(), "Yes");
    flag->SetAsString("n");
    flag->SetAsString("y");
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_EQ(MessageOf([&] { flag->SetAsString("maybe"); }),
              "'maybe' is not a valid boolean value for field 'FLAG'");
    EXPECT_TRUE(flag->AsBoolean());
    flag->SetAsString("");
    EXPECT_TRUE(flag->IsNull());
    flag->SetDisplayValues("Paid;");
    flag->SetAsString("");
    EXPECT_FALSE(flag->IsNull());
    EXPECT_FALSE(flag->AsBoolean());
}

TEST_F(FieldsTest, BcdFieldsRoundToTheirScaleAndShowOverflow) {
    TBCDField* bcd = nullptr;
    EditWith([&](TTestTable& t) {
        bcd = Calculated<TBCDField>(t, "B");
        bcd->SetSize(2);
    });
    bcd->SetAsFloat(12.345);
    EXPECT_DOUBLE_EQ(bcd->AsFloat(), 12.35);
    bcd->SetAsString("-0.5");
    EXPECT_EQ(bcd->AsString(), "-0.5");
    EXPECT_EQ(bcd->AsInteger(), 0);
    TBcd huge = CurrencyToBcd(0, 32, 0);
    for (std::size_t i = 2; i < huge.Bytes.size(); ++i)
        huge.Bytes[i] = 0x99;
    bcd->SetData(huge.Bytes.data());
    EXPECT_EQ(bcd->DisplayText(), "(Overflow)");
    EXPECT_EQ(MessageOf([&] { bcd->AsFloat(); }), "Value of field 'B' is out of range");
    Int64 value = 0;
    EXPECT_TRUE(BcdToCurrency(CurrencyToBcd(-922337203685477LL * 10000, 32, 4), value));
    EXPECT_EQ(value, -922337203685477LL * 10000);
}

TEST_F(FieldsTest, DatesAndTimesKeepTheirParts) {
    TDateTimeField* stamp = nullptr;
    TTimeField* time = nullptr;
    TTestTable& table = EditWith([&](TTestTable& t) {
        stamp = Calculated<TDateTimeField>(t, "STAMP");
        time = Calculated<TTimeField>(t, "T");
    });
    const double moment = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250);
    stamp->SetAsDateTime(moment);
    EXPECT_NEAR(stamp->AsDateTime(), moment, 1e-8);
    const double before = EncodeDate(1850, 6, 1) - EncodeTime(6, 0, 0, 0);
    stamp->SetAsDateTime(before);
    EXPECT_NEAR(stamp->AsDateTime(), before, 1e-8);
    time->SetAsDateTime(EncodeTime(23, 59, 59, 999));
    EXPECT_NEAR(time->AsDateTime(), EncodeTime(23, 59, 59, 999), 1e-9);
    TField* when = table.FieldByName("WHEN");
    when->SetAsDateTime(EncodeDate(2024, 2, 29));
    EXPECT_EQ(when->AsDateTime(), EncodeDate(2024, 2, 29));
    EXPECT_EQ(when->AsString(), "2/29/2024");
    static_cast<TDateField*>(when)->SetDisplayFormat("yyyy-mm-dd");
    EXPECT_EQ(when->DisplayText(), "2024-02-29");
    EXPECT_EQ(when->Text(), "2/29/2024");
    when->SetAsString("3/1/2024");
    EXPECT_EQ(when->AsDateTime(), EncodeDate(2024, 3, 1));
    when->SetEditText("");
    EXPECT_TRUE(when->IsNull());
    EXPECT_THROW(when->SetAsString("31/31/2024"), EConvertError);
}

TEST_F(FieldsTest, FieldsRefuseWritesTheirStateDoesNotAllow) {
    TTestTable& table = EditWith([](TTestTable&) {});
    TField* name = table.FieldByName("NAME");
    name->SetReadOnly(true);
    EXPECT_FALSE(name->CanModify());
    EXPECT_EQ(MessageOf([&] { name->SetAsString("X"); }), "Field 'NAME' cannot be modified");
    table.Cancel();
    EXPECT_EQ(MessageOf([&] { table.FieldByName("AMOUNT")->SetAsFloat(1); }),
              "Dataset not in edit or insert mode");
    TField* note = table.FieldByName("NOTE");
    EXPECT_EQ(MessageOf([&] { note->AsInteger(); }), "Cannot access field 'NOTE' as type Integer");
    table.Edit();
    EXPECT_EQ(MessageOf([&] { note->SetEditText("x"); }),
              "Cannot access field 'NOTE' as type Text");
    TStringField loose(nullptr);
    loose.SetFieldName("LOOSE");
    EXPECT_EQ(MessageOf([&] { loose.IsNull(); }), "Field 'LOOSE' has no dataset");
}

TEST_F(FieldsTest, OnValidateSeesTheNewValueAndCanRefuseIt) {
    TTestTable& table = EditWith([](TTestTable&) {});
    TField* amount = table.FieldByName("AMOUNT");
    double seen = 0;
    amount->OnValidate = [&](TField* field) {
        seen = field->AsFloat();
        if (seen < 0) DatabaseError("Amounts are not negative");
    };
    amount->SetAsFloat(12.5);
    EXPECT_EQ(seen, 12.5);
    EXPECT_EQ(MessageOf([&] { amount->SetAsFloat(-3); }), "Amounts are not negative");
    EXPECT_EQ(seen, -3);
    EXPECT_EQ(amount->AsFloat(), 12.5);
}

TEST_F(FieldsTest, DefinitionsFromDescriptorsGetUniqueNamesAndMappedTypes) {
    TTestTable table(folder_.Path(), "NONE.DBF");
    TFieldDefs defs(&table);
    defs.AddFieldDesc(Desc("N", fldString, 0, 5), false, 1);
    defs.AddFieldDesc(Desc("N", fldString, 0, 6), false, 2);
    defs.AddFieldDesc(Desc("n", fldString, 0, 7), true, 3);
    defs.AddFieldDesc(Desc("M", fldBlob, fldSubMemo, 1), false, 4);
    defs.AddFieldDesc(Desc("P", fldBlob, fldSubBinary, 1), false, 5);
    defs.AddFieldDesc(Desc("WIDE", fldInt16, 0, 1, 4), false, 6);
    defs.AddFieldDesc(Desc("CUR", fldFloat, 21), false, 7);
    defs.AddFieldDesc(Desc("ODD", 14), false, 8);
    ASSERT_EQ(defs.Count(), 6);
    EXPECT_EQ(defs.Items(1)->Name(), "N_1");
    EXPECT_EQ(defs.Items(2)->Name(), "n_2");
    EXPECT_TRUE(defs.Items(2)->Required());
    EXPECT_EQ(defs.Items(2)->Size(), 7);
    EXPECT_EQ(defs.Items(3)->DataType(), ftMemo);
    EXPECT_EQ(defs.Items(4)->DataType(), ftTypedBinary);
    EXPECT_EQ(defs.Items(5)->DataType(), ftCurrency);
    EXPECT_EQ(defs.IndexOf("cur"), 5);
    EXPECT_EQ(MessageOf([&] { defs.Find("WIDE"); }), "Field 'WIDE' not found");
    EXPECT_EQ(MessageOf([&] { defs.Add("S", ftString, 0, false); }), "Invalid field size");
    EXPECT_EQ(MessageOf([&] { defs.Add("S", ftInteger, 4, false); }), "Invalid field size");
    EXPECT_EQ(MessageOf([&] { defs.Add("N", ftInteger, 0, false); }), "Duplicate field name 'N'");

    TField* memo = defs.Items(3)->CreateField(&table);
    EXPECT_EQ(memo->ClassName(), "TMemoField");
    EXPECT_EQ(memo->DisplayText(), "(Memo)");
    EXPECT_EQ(defs.Items(4)->CreateField(&table)->ClassName(), "TBlobField");
    EXPECT_EQ(defs.Items(0)->CreateField(&table)->Size(), 5);
    EXPECT_EQ(table.FieldCount(), 3);
    EXPECT_EQ(MessageOf([&] { defs.Items(0)->CreateField(&table); }), "Duplicate field name 'N'");
    EXPECT_EQ(table.FieldCount(), 3);
}

TEST_F(FieldsTest, IndexClampsToTheFieldListAndKindsStayApart) {
    MakeLoans("LOANS.DBF", {});
    TTestTable table(folder_.Path(), "LOANS.DBF");
    std::vector<TField*> fields;
    for (const char* name : {"A", "B", "C"}) {
        fields.push_back(new TStringField(&table));
        fields.back()->SetFieldName(name);
        fields.back()->SetDataSet(&table);
    }
    fields[2]->SetIndex(-5);
    EXPECT_EQ(table.Fields(0)->FieldName(), "C");
    fields[2]->SetIndex(table.FieldCount() + 3);
    EXPECT_EQ(table.Fields(2)->FieldName(), "C");
    EXPECT_EQ(MessageOf([&] { fields[0]->SetFieldName("b"); }), "Duplicate field name 'b'");
    EXPECT_EQ(MessageOf([&] { table.CheckFieldName(""); }), "Field name missing");
    fields[0]->SetLookup(true);
    fields[0]->SetCalculated(false);
    EXPECT_TRUE(fields[0]->Lookup());
    EXPECT_EQ(MessageOf([&] { fields[0]->SetLookupDataSet(&table); }),
              "Circular datalinks are not allowed");
    fields[1]->SetDisplayLabel("B");
    EXPECT_EQ(fields[1]->GetDisplayLabel(), "B");
    fields[1]->SetDisplayLabel("Balance");
    EXPECT_EQ(fields[1]->GetDisplayName(), "Balance");
    EXPECT_EQ(MessageOf([&] { table.Open(); }), "Lookup information for field 'A' is incomplete");
}

TEST_F(FieldsTest, ByteFieldsTakeOnlyByteArraysOfTheirSize) {
    TBytesField bytes(nullptr);
    EXPECT_EQ(bytes.Size(), 16);
    EXPECT_EQ(MessageOf([&] { bytes.SetValue(TVariant::Bytes(std::vector<Byte>(15))); }),
              "Invalid variant type or size");
    EXPECT_EQ(MessageOf([&] { bytes.SetValue(TVariant("text")); }), "Invalid variant type or size");
    TVarBytesField varBytes(nullptr);
    EXPECT_EQ(varBytes.DataSize(), 18);
}

TEST_F(FieldsTest, AssignedValuesGoThroughTheirKind) {
    TTestTable& table = EditWith([](TTestTable&) {});
    TField* amount = table.FieldByName("AMOUNT");
    amount->AssignValue(TVarRec(3));
    EXPECT_EQ(amount->AsFloat(), 3);
    amount->AssignValue(TVarRec(2.5));
    EXPECT_EQ(amount->AsFloat(), 2.5);
    amount->AssignValue(TVarRec("4.75"));
    EXPECT_EQ(amount->AsFloat(), 4.75);
    amount->AssignValue(TVarRec(static_cast<const void*>(nullptr)));
    EXPECT_EQ(amount->AsFloat(), 4.75);
    int something = 0;
    EXPECT_EQ(
        MessageOf([&] { amount->AssignValue(TVarRec(static_cast<const void*>(&something))); }),
        "Invalid value for field 'AMOUNT'");
    table.FieldByName("NAME")->Assign(amount);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "4.75");
    table.FieldByName("NAME")->Assign(nullptr);
    EXPECT_TRUE(table.FieldByName("NAME")->IsNull());
    table.FieldByName("NAME")->SetAsString("KING");
    table.FieldByName("NAME")->SetValue(TVariant::Null());
    EXPECT_TRUE(table.FieldByName("NAME")->IsNull());
    table.SetFieldValues("NAME;AMOUNT", TVariant::Array({TVariant("KING"), TVariant(8.0)}));
    const TVariant both = table.FieldValues("NAME;AMOUNT");
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both.Items()[0].AsString(), "KING");
    EXPECT_EQ(both.Items()[1].AsFloat(), 8);
}

} // namespace
