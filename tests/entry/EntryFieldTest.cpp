#include "controls/entry/EntryField.h"
#include "controls/entry/SimpleField.h"

#include "EntryFormSupport.h"
#include "controls/entry/EntryExceptions.h"

#include <array>

namespace {

TEST(VcRawValues, EveryKindRoundTripsThroughItsBytes) {
    struct TCase {
        Byte Kind;
        long double Value;
        int Size;
    };
    for (const TCase& c :
         {TCase{fsLongInt, -2147483648.0L, 4}, TCase{fsWord, 65535, 2}, TCase{fsInteger, -32768, 2},
          TCase{fsByte, 255, 1}, TCase{fsShortInt, -128, 1}, TCase{fsReal, 1234.5, 6},
          TCase{fsExtended, 1.1e4000L, 10}, TCase{fsDouble, -1.7e308, 8}, TCase{fsSingle, 0.25, 4},
          TCase{fsComp, -9.2e18L, 8}, TCase{fsDate, 876581, 4}, TCase{fsTime, 86399, 4}}) {
        std::array<Byte, 10> raw{};
        NumberToRaw(c.Value, c.Kind, raw.data());
        EXPECT_EQ(RawToNumber(raw.data(), c.Kind), c.Value) << int(c.Kind);
        EXPECT_EQ(DataKindSize(c.Kind, 16), c.Size);
    }
    std::array<Byte, 4> word{};
    NumberToRaw(0x1234, fsWord, word.data());
    EXPECT_EQ(word[0], 0x34);
    EXPECT_EQ(word[1], 0x12);
    EXPECT_EQ(DataKindSize(fsString, 16), 16);
    long double low = 0;
    long double high = 0;
    EXPECT_FALSE(DataKindRange(fsString, low, high));
    EXPECT_TRUE(DataKindRange(fsDate, low, high));
    EXPECT_EQ(high, 876581);
}

TEST(VcRawValues, IntegerTextsOfTheMaskKinds) {
    EXPECT_EQ(IntegerValueText(255, fsByte, true, false, false), "FF");
    EXPECT_EQ(IntegerValueText(255, fsWord, true, false, false), "00FF");
    EXPECT_EQ(IntegerValueText(-1, fsLongInt, true, false, false), "FFFFFFFF");
    EXPECT_EQ(IntegerValueText(8, fsByte, false, true, false), "0010");
    EXPECT_EQ(IntegerValueText(5, fsByte, false, false, true), "00000101");
    EXPECT_EQ(IntegerValueText(-42, fsInteger, false, false, false), "-42");
}

using VcFieldValueTest = EntryFormTest;

TEST_F(VcFieldValueTest, TextConversionsOfRangesAndValues) {
    auto* f = Make<TVcSimpleField>("Letter", 10, 10);
    f->SetDataType(sftChar);
    EXPECT_EQ(f->RangeLo(), " ");
    f->SetRangeLo("#65");
    f->SetRangeHi("C");
    EXPECT_EQ(f->RangeLo(), "A");
    f->SetRangeLo("#abc");
    EXPECT_EQ(f->RangeLo(), " ");
    // Codes 0 to 255 are taken; beyond them, a blank.
    f->SetRangeLo("#0");
    EXPECT_EQ(f->RangeLo(), std::string(1, '\0'));
    f->SetRangeLo("#255");
    EXPECT_EQ(f->RangeLo(), std::string(1, '\xFF'));
    f->SetRangeLo("#256");
    EXPECT_EQ(f->RangeLo(), " ");
    // Control characters are shown as their letters (1 as "A"); code 0 is left alone.
    const Byte one = 1;
    f->SetValue(&one);
    EXPECT_EQ(f->DisplayString(), "A");
    const Byte zero = 0;
    f->SetValue(&zero);
    EXPECT_EQ(f->DisplayString(), std::string(1, '\0'));
    // A new field has the window's colour.
    EXPECT_EQ(f->Color(), clWindow);
    f->SetRangeLo("A");
    f->SetText("B");
    f->IncreaseValue(false, 1.0);
    EXPECT_EQ(f->EditString(), "C");
    f->IncreaseValue(false, 1.0);
    EXPECT_EQ(f->EditString(), "C");
    f->IncreaseValue(true, 1.0);
    EXPECT_EQ(f->EditString(), "A");
    f->SetText("C");
    EXPECT_TRUE(f->IsValid());
    f->SetText("A");
    EXPECT_TRUE(f->IsValid());
    f->SetText("D");
    EXPECT_EQ(f->AsString(), "D");
    EXPECT_FALSE(f->IsValid());
    EXPECT_EQ(f->LastError(), epRange);

    auto* n = Make<TVcSimpleField>("Small", 10, 40);
    n->SetDataType(sftShortInt);
    EXPECT_EQ(n->RangeLo(), "-128");
    EXPECT_EQ(n->RangeHi(), "127");
    EXPECT_THROW(n->SetRangeHi("128"), EInvalidRangeValue);
    n->SetPictureMask('K');
    n->SetMaxLength(2);
    n->SetAsString("FF");
    EXPECT_EQ(n->AsInteger(), -1);
    EXPECT_EQ(n->EditString(), "FF");
    EXPECT_THROW(n->SetAsString("1FF"), EEntryFieldError);
    n->SetPictureMask('b');
    n->SetMaxLength(8);
    n->SetAsString("10000001");
    EXPECT_EQ(n->AsInteger(), -127);
    n->SetPictureMask('O');
    n->SetMaxLength(4);
    n->SetAsString("0177");
    EXPECT_EQ(n->AsInteger(), 127);

    auto* real = Make<TVcSimpleField>("Real", 10, 70);
    real->SetDataType(sftReal);
    real->SetDecimalPlaces(2);
    EXPECT_THROW(real->SetAsFloat(1e39), EEntryFieldError);
    real->SetAsString("");
    EXPECT_EQ(real->AsFloat(), 0.0);
    real->SetRangeHi("100.5");
    EXPECT_EQ(real->RangeHi(), "100.5");
    real->SetAsFloat(100.25);
    EXPECT_DOUBLE_EQ(real->AsFloat(), 100.25);
    real->SetAsFloat(100.75);
    EXPECT_EQ(real->AsFloat(), 0.0);
    EXPECT_EQ(real->LastError(), epRange);
    EXPECT_THROW(real->AsBoolean(), EInvalidDataType);
    EXPECT_THROW(real->SetDataType(static_cast<TSimpleDataType>(14)), EVcException);
}

TEST_F(VcFieldValueTest, StringValuesAreBoundedByTheField) {
    auto* f = Make<TVcSimpleField>("Name", 10, 10);
    f->SetMaxLength(4);
    f->SetPictureMask('!');
    EXPECT_EQ(f->GetDataSize(), 5);
    // A length byte larger than the field takes only what fits.
    const Byte value[6] = {200, 'a', 'b', 'c', 'd', 'e'};
    f->SetValue(value);
    EXPECT_EQ(f->EditString(), "ABCD");
    Byte out[5] = {};
    EXPECT_EQ(f->GetValue(out), 0);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out + 1), 4), "ABCD");
    f->SetAsString("xy ");
    EXPECT_EQ(f->AsString(), "XY ");
    f->SetUninitialized(true);
    EXPECT_EQ(f->DisplayString(), "   ");
    f->SetUninitialized(false);
    f->SetPadChar('.');
    EXPECT_EQ(f->DisplayString(), "XY .");
}

} // namespace
