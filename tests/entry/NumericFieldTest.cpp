#include "controls/entry/NumericField.h"

#include "EntryFormSupport.h"
#include "controls/entry/EntryExceptions.h"

#include <cstring>

namespace {

class NumericFieldTest : public EntryFormTest {
protected:
    TVcNumericField* Field(TNumericDataType type, const std::string& mask, int y = 10) {
        auto* f = Make<TVcNumericField>("Field" + std::to_string(y), 10, y);
        f->SetDataType(type);
        f->SetPictureMask(mask);
        return f;
    }
    template <typename T>
    T ValueOf(TVcNumericField* f) {
        Byte raw[10] = {};
        EXPECT_EQ(f->GetValue(raw), 0);
        T v;
        std::memcpy(&v, raw, sizeof v);
        return v;
    }
};

TEST_F(NumericFieldTest, MaskLayouts) {
    auto* money = Field(nftDouble, "$###,###,###.##");
    EXPECT_EQ(money->MaxLength(), 15);
    EXPECT_EQ(money->TotalPositions(), 12);
    EXPECT_EQ(money->IntegerPositions(), 9);
    EXPECT_EQ(money->DecimalCount(), 2);
    auto* rate = Field(nftSingle, "##.####", 40);
    EXPECT_EQ(rate->TotalPositions(), 7);
    EXPECT_EQ(rate->IntegerPositions(), 2);
    auto* paren = Field(nftLongInt, "#####p", 70);
    EXPECT_EQ(paren->MaxLength(), 5);
    // Without its sign mark every position of the picture takes a digit.
    EXPECT_TRUE(paren->AllEditable());
    EXPECT_FALSE(money->AllEditable());
    auto* fresh = Make<TVcNumericField>("Fresh", 10, 100);
    EXPECT_EQ(fresh->DataType(), nftLongInt);
    EXPECT_EQ(fresh->PictureMask(), "##########");
    EXPECT_EQ(fresh->RangeHi(), "2147483647");
    EXPECT_EQ(fresh->RangeLo(), "-2147483648");
    fresh->SetDataType(nftWord);
    EXPECT_EQ(fresh->PictureMask(), "99999");
    EXPECT_EQ(fresh->RangeHi(), "65535");
    EXPECT_THROW(fresh->SetDataType(static_cast<TNumericDataType>(10)), EVcException);
}

TEST_F(NumericFieldTest, ValuesMergedThroughTheMask) {
    ShowForm();
    auto* money = Field(nftDouble, "$###,###,###.##");
    money->SetAsFloat(-1234.5);
    EXPECT_EQ(money->EditString(), "     -$1,234.50");
    EXPECT_EQ(money->DisplayString(), "-$1,234.50");
    auto* rate = Field(nftSingle, "##.####", 40);
    rate->SetAsFloat(0.5);
    EXPECT_EQ(rate->EditString(), " 0.5000");
    auto* paren = Field(nftLongInt, "#####p", 70);
    paren->SetAsInteger(-12);
    EXPECT_EQ(paren->DisplayString(), "(12)");
    paren->SetAsInteger(12);
    EXPECT_EQ(paren->DisplayString(), "12");
    auto* count = Field(nftInteger, "ii,iii", 100);
    count->SetAsInteger(12345);
    EXPECT_EQ(count->EditString(), "12,345");
    count->SetAsInteger(45);
    EXPECT_EQ(count->EditString(), "    45");
    auto* sign = Field(nftLongInt, "#####g", 130);
    EXPECT_EQ(sign->MaxLength(), 5);
    sign->SetAsInteger(-42);
    EXPECT_EQ(sign->EditString(), "  -42");
    EXPECT_EQ(sign->DisplayString(), "42-");
    EXPECT_EQ(sign->AsInteger(), -42);
}

TEST_F(NumericFieldTest, MoneyTypedFromTheRight) {
    ShowForm();
    auto* money = Field(nftDouble, "$###,###,###.##");
    TypeText(money, "1234");
    EXPECT_EQ(money->DisplayString(), "$1,234");
    TypeText(money, ".5");
    EXPECT_EQ(money->DisplayString(), "$1,234.5");
    TypeText(money, "-");
    EXPECT_EQ(money->DisplayString(), "-$1,234.5");
    Leave();
    EXPECT_EQ(money->DisplayString(), "-$1,234.50");
    EXPECT_EQ(ValueOf<double>(money), -1234.5);
    // Nine integer digits fill the picture; the currency moves to its own position.
    money->SetFocus();
    TypeText(money, "123456789");
    EXPECT_EQ(money->EditString(), "   $123,456,789");
    TypeText(money, ".05");
    EXPECT_EQ(money->EditString(), "$123,456,789.05");
}

TEST_F(NumericFieldTest, CountsAndTheSignToggle) {
    ShowForm();
    auto* count = Field(nftInteger, "999,999");
    TypeText(count, "0");
    EXPECT_EQ(count->EntryBuffer(), "");
    EXPECT_EQ(count->DisplayString(), "0");
    TypeText(count, "12345");
    EXPECT_EQ(count->DisplayString(), "12,345");
    // "9" takes no sign: the "-" is refused with a beep.
    EXPECT_EQ(BeepsTyping(count, "-"), 1u);
    Leave();
    EXPECT_EQ(ValueOf<SmallInt>(count), 12345);

    auto* signed_ = Field(nftInteger, "ii,iii", 40);
    TypeText(signed_, "12--");
    EXPECT_FALSE(signed_->Negative());
    TypeText(signed_, "-");
    EXPECT_TRUE(signed_->Negative());
    // Backspace empties the buffer, then clears the sign.
    Key(signed_, Qt::Key_Backspace);
    Key(signed_, Qt::Key_Backspace);
    EXPECT_EQ(signed_->EntryBuffer(), "");
    EXPECT_TRUE(signed_->Negative());
    Key(signed_, Qt::Key_Backspace);
    EXPECT_FALSE(signed_->Negative());
}

TEST_F(NumericFieldTest, RatesKeepTheirIntegerPositions) {
    ShowForm();
    auto* rate = Field(nftSingle, "##.####");
    EXPECT_EQ(BeepsTyping(rate, "123"), 1u);
    EXPECT_EQ(rate->EntryBuffer(), "12");
    Key(rate, Qt::Key_Backspace);
    Key(rate, Qt::Key_Backspace);
    TypeText(rate, "5.2");
    EXPECT_EQ(rate->DisplayString(), "5.2");
    Leave();
    EXPECT_EQ(rate->EditString(), " 5.2000");
    EXPECT_EQ(ValueOf<float>(rate), 5.2f);
    TypeText(rate, ".5");
    Leave();
    EXPECT_EQ(rate->EditString(), " 0.5000");
    EXPECT_EQ(ValueOf<float>(rate), 0.5f);
}

TEST_F(NumericFieldTest, BackspaceToALeadingZeroEmptiesTheBuffer) {
    ShowForm();
    auto* rate = Field(nftSingle, "##.####");
    rate->SetAsFloat(0.5);
    Focus(rate);
    rate->Perform(EM_SETSEL, 7, 7);
    EXPECT_EQ(rate->EntryBuffer(), "0.5000");
    for (int i = 0; i < 5; ++i)
        Key(rate, Qt::Key_Backspace);
    EXPECT_EQ(rate->EntryBuffer(), "");
    // A negative value is loaded as its digits and the sign.
    rate->SetAsFloat(-1.25);
    rate->Perform(EM_SETSEL, 7, 7);
    EXPECT_EQ(rate->EntryBuffer(), "1.2500");
    EXPECT_TRUE(rate->Negative());
    Key(rate, Qt::Key_Backspace);
    EXPECT_EQ(rate->DisplayString(), "-1.250");
    // Five more empty the digits, one more takes the sign.
    for (int i = 0; i < 6; ++i)
        Key(rate, Qt::Key_Backspace);
    EXPECT_FALSE(rate->Negative());
    // Both integer places are free again.
    TypeText(rate, "12");
    EXPECT_EQ(rate->DisplayString(), "12");
    Leave();
    EXPECT_EQ(ValueOf<float>(rate), 12.0f);
}

TEST_F(NumericFieldTest, OutOfRangeCountIsReportedOnLeaving) {
    ShowForm();
    auto* count = Field(nftInteger, "999,999");
    TypeText(count, "70000");
    EXPECT_EQ(count->DisplayString(), "70,000");
    Leave();
    EXPECT_EQ(count->LastError(), epRange);
    DispatchPostedMessages();
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    // The message gives the values the field takes: a 16-bit count in a picture of six places.
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "Value is not within required range\n\n-32,768 to 32,767");
    EXPECT_TRUE(count->Focused());
    Byte raw[2] = {};
    EXPECT_EQ(count->GetValue(raw), epRange);
}

TEST_F(NumericFieldTest, PasteAndIncrements) {
    ShowForm();
    auto* paren = Field(nftLongInt, "#####p");
    paren->SetFocus();
    Paste(paren, "(1,234)");
    EXPECT_EQ(paren->DisplayString(), "(1234)");

    auto* small = Field(nftShortInt, "iiii", 40);
    small->SetRangeHi("100");
    small->SetAsInteger(98);
    small->IncreaseValue(true, 5);
    EXPECT_EQ(small->AsInteger(), 100);
    small->IncreaseValue(true, 5);
    EXPECT_EQ(small->AsInteger(), 100);
    small->SetAsInteger(-126);
    small->DecreaseValue(true, 5);
    EXPECT_EQ(small->AsInteger(), -128);
}

TEST_F(NumericFieldTest, AssignCopiesTypeMaskAndRange) {
    auto* money = Field(nftDouble, "$###,###,###.##");
    money->SetRangeHi("5000");
    money->SetRangeLo("-250.5");
    money->SetAutoSelect(false);
    auto* copy = Make<TVcNumericField>("Copy", 10, 200);
    copy->Assign(money);
    EXPECT_EQ(copy->DataType(), nftDouble);
    EXPECT_EQ(copy->PictureMask(), "$###,###,###.##");
    EXPECT_EQ(copy->RangeHi(), "5000");
    EXPECT_EQ(copy->RangeLo(), "-250.5");
    EXPECT_FALSE(copy->AutoSelect());
}

TEST_F(NumericFieldTest, ProgramValidationRunsOnceWithTheValue) {
    ShowForm();
    auto* rate = Field(nftSingle, "##.####");
    int calls = 0;
    rate->OnUserValidation = [&](TObject*, Word& code) {
        ++calls;
        // Reading the value inside the handler does not run the handler again.
        if (code == 0 && rate->AsFloat() > 20) code = epUserFirst;
    };
    rate->SetAsFloat(25);
    Byte raw[4];
    EXPECT_EQ(rate->GetValue(raw), epUserFirst);
    EXPECT_EQ(calls, 1);
    rate->SetAsFloat(5);
    EXPECT_EQ(rate->GetValue(raw), 0);
}

TEST_F(NumericFieldTest, RefusedKeyOverTheSelectionKeepsTheValue) {
    ShowForm();
    auto* count = Field(nftInteger, "ii,iii");
    count->SetAsInteger(12345);
    int changes = 0;
    count->OnChange = [&](TObject*) { ++changes; };
    // Tabbing in selects the whole text; a letter is refused and changes nothing but the beep.
    count->SetFocus();
    ASSERT_EQ(count->SelectionLength(), 6);
    EXPECT_EQ(BeepsTyping(count, "x"), 1u);
    EXPECT_EQ(count->EditString(), "12,345");
    EXPECT_EQ(count->EntryBuffer(), "12345");
    EXPECT_EQ(count->SelectionLength(), 6);
    EXPECT_EQ(changes, 0);
    Leave();
    EXPECT_EQ(count->AsInteger(), 12345);
    // An accepted digit still replaces the selection.
    count->SetFocus();
    TypeText(count, "7");
    Leave();
    EXPECT_EQ(count->AsInteger(), 7);
}

TEST_F(NumericFieldTest, UntouchedIntegerFieldHoldsZeroAndCanBeLeft) {
    auto* count = Field(nftInteger, "ii,iii");
    auto* whole = Field(nftLongInt, "iiiiiiiiii", 40);
    ShowForm();
    count->SetFocus();
    Leave();
    DispatchPostedMessages();
    EXPECT_EQ(count->LastError(), 0);
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(ValueOf<SmallInt>(count), 0);
    EXPECT_EQ(ValueOf<LongInt>(whole), 0);
    EXPECT_EQ(whole->AsInteger(), 0);
    EXPECT_EQ(whole->LastError(), 0);
}

} // namespace

namespace {

// What a user types is what the field holds: a minus typed first counts, and a key the field
// refuses always beeps and changes nothing.
TEST_F(NumericFieldTest, TypedSignsAndRefusedDigits) {
    ShowForm();
    auto* money = Field(nftDouble, "$###,###,###.##");
    TypeText(money, "-5000");
    EXPECT_TRUE(money->Negative());
    EXPECT_EQ(money->DisplayString(), "-$5,000");
    Leave();
    EXPECT_EQ(ValueOf<double>(money), -5000.0);
    EXPECT_EQ(money->DisplayString(), "-$5,000.00");

    // The tenth digit of a billion has no place: it is refused with a beep.
    money->SetFocus();
    EXPECT_EQ(BeepsTyping(money, "1000000000"), 1u);
    EXPECT_EQ(money->EntryBuffer(), "100000000");
    Leave();
    EXPECT_EQ(ValueOf<double>(money), 100000000.0);
}

// Under a decimal comma a typed "." is the point unless it separates thousands; the keypad's
// decimal key types the decimal separator whatever character the keyboard layout gives.
TEST_F(NumericFieldTest, DecimalPointsOfCommaLocales) {
    ShowForm();
    auto* pad = Field(nftSingle, "##.####", 70);
    TypeText(pad, "7");
    Key(pad, Qt::Key_Comma, Qt::KeypadModifier);
    EXPECT_EQ(pad->EntryBuffer(), "7.");
    Leave();
    intl.DecimalSeparator = ',';
    intl.ThousandSeparator = '\xA0';
    auto* money = Field(nftDouble, "$###,###,###.##");
    TypeText(money, "1234.5");
    Leave();
    EXPECT_EQ(ValueOf<double>(money), 1234.5);
    intl.ThousandSeparator = '.';
    auto* rate = Field(nftSingle, "##.####", 40);
    TypeText(rate, "7.");
    Key(rate, Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(rate->EntryBuffer(), "7.");
}

} // namespace
