#include "controls/entry/PictureField.h"

#include "EntryFormSupport.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/TransferRecords.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Streams.h"

namespace {

class PictureFieldTest : public EntryFormTest {
protected:
    TVcPictureField* Field(TPictureDataType type, const std::string& mask, int y = 10) {
        auto* f = Make<TVcPictureField>("Field" + std::to_string(y), 10, y);
        f->SetDataType(type);
        f->SetPictureMask(mask);
        f->SetMaxLength(static_cast<int>(mask.size()));
        return f;
    }
    TVcPictureField* DateField(const std::string& mask, int y = 10) {
        auto* f = Field(pftDate, mask, y);
        f->SetArrowIncDec(true);
        return f;
    }
    // Puts the caret on the first position of the mask character's run.
    void CaretTo(TVcPictureField* f, char maskChar) {
        Key(f, Qt::Key_Home);
        const std::size_t target = f->PictureMask().find(maskChar);
        for (int i = 0; i < 12 && static_cast<std::size_t>(f->CaretPosition()) < target; ++i)
            Key(f, Qt::Key_Right);
    }
    std::string StepText(TVcPictureField* f, char unit, Qt::Key key) {
        CaretTo(f, unit);
        Key(f, key);
        return f->EditString();
    }
};

TEST_F(PictureFieldTest, DatesTypedAndReadAsDayNumbers) {
    ShowForm();
    auto* date = DateField("mm/dd/yyyy");
    EXPECT_EQ(date->MaxLength(), 10);
    TypeText(date, "02292024");
    EXPECT_EQ(date->EditString(), "02/29/2024");
    Leave();
    EXPECT_EQ(date->AsDayNumber(), DMYToDate(29, 2, 2024, 1950));
    Byte raw[4];
    ASSERT_EQ(date->GetValue(raw), 0);
    EXPECT_EQ(DecodeLE<LongInt>(raw), DMYToDate(29, 2, 2024, 1950));

    // An empty date is valid; a month 13 is not.
    date->SetAsDayNumber(BadDate);
    EXPECT_EQ(date->EditString(), "  /  /    ");
    EXPECT_EQ(date->Validate(false), 0);
    date->SetFocus();
    TypeText(date, "13012024");
    EXPECT_EQ(date->Validate(false), epInvalidDate);
}

TEST_F(PictureFieldTest, TwoDigitYearsStayInTheEpoch) {
    ShowForm();
    auto* date = DateField("mm/dd/yy");
    date->SetEpoch(1950);
    EXPECT_THROW(date->SetAsDayNumber(DMYToDate(1, 1, 2060, 1950)), EInvalidDateForMask);
    date->SetAsDayNumber(DMYToDate(30, 12, 1899, 1950));
    EXPECT_EQ(date->EditString(), "  /  /  ");
    // Day 0 is no date either; the day after it is a date the mask cannot show.
    date->SetAsDayNumber(0);
    EXPECT_EQ(date->EditString(), "  /  /  ");
    EXPECT_THROW(date->SetAsDayNumber(1), EInvalidDateForMask);
    date->SetAsDayNumber(DMYToDate(31, 12, 2049, 1950));
    EXPECT_EQ(date->EditString(), "12/31/49");
    // Stepping past the last day the mask can show wraps to the epoch's first day instead of
    // showing a date of the wrong century.
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "01/01/50");
    EXPECT_EQ(date->AsDayNumber(), DMYToDate(1, 1, 1950, 1950));
}

TEST_F(PictureFieldTest, DateStepsAcrossMonthAndYearEndsAndLeapDays) {
    ShowForm();
    auto* date = DateField("mm/dd/yyyy");
    date->SetAsDayNumber(DMYToDate(31, 1, 2024, 0));
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "02/01/2024");
    date->SetAsDayNumber(DMYToDate(28, 2, 2024, 0));
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "02/29/2024");
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "03/01/2024");
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Down), "02/29/2024");
    date->SetAsDayNumber(DMYToDate(31, 1, 2024, 0));
    EXPECT_EQ(StepText(date, 'm', Qt::Key_Up), "02/29/2024");
    EXPECT_EQ(StepText(date, 'y', Qt::Key_Up), "02/28/2025");
    date->SetAsDayNumber(DMYToDate(31, 12, 2025, 0));
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "01/01/2026");
    EXPECT_EQ(StepText(date, 'm', Qt::Key_Down), "12/01/2025");
    // The first and last days of the day numbers wrap to each other.
    date->SetAsDayNumber(0);
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Down), "12/31/3999");
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "01/01/1600");
}

TEST_F(PictureFieldTest, WrapWithinARangeAndStepsThatFindNothing) {
    ShowForm();
    auto* date = DateField("mm/dd/yyyy");
    const std::string picture = intl.DefaultDatePicture(false);
    date->SetRangeLo(intl.DateToDateString(picture, DMYToDate(10, 1, 2024, 0), false));
    date->SetRangeHi(intl.DateToDateString(picture, DMYToDate(20, 1, 2024, 0), false));
    date->SetAsDayNumber(DMYToDate(20, 1, 2024, 0));
    EXPECT_EQ(StepText(date, 'd', Qt::Key_Up), "01/10/2024");
    date->SetAsDayNumber(DMYToDate(15, 1, 2024, 0));
    EXPECT_EQ(StepText(date, 'm', Qt::Key_Up), "01/15/2024");
    // A month step from a day the range never reaches finds no date: nothing changes.
    date->SetAsDayNumber(DMYToDate(5, 1, 2024, 0));
    EXPECT_EQ(StepText(date, 'm', Qt::Key_Up), "01/05/2024");

    // A character range in which no code is accepted by the picture character.
    auto* letter = Field(pftChar, "9", 40);
    letter->SetArrowIncDec(true);
    letter->SetRangeLo("A");
    letter->SetRangeHi("Z");
    letter->SetAsString("5");
    Key(letter, Qt::Key_Up);
    EXPECT_EQ(letter->EditString(), "5");
    auto* digit = Field(pftChar, "9", 70);
    digit->SetArrowIncDec(true);
    digit->SetAsString("9");
    Key(digit, Qt::Key_Up);
    EXPECT_EQ(digit->EditString(), " ");
    Key(digit, Qt::Key_Up);
    EXPECT_EQ(digit->EditString(), "0");
}

TEST_F(PictureFieldTest, TimesAndTheTwelveHourClock) {
    ShowForm();
    auto* time = Field(pftTime, "hh:mm");
    time->SetArrowIncDec(true);

    TypeText(time, "2330");
    EXPECT_EQ(time->EditString(), "23:30");
    EXPECT_EQ(StepText(time, 'h', Qt::Key_Up), "00:30");
    EXPECT_EQ(StepText(time, 'm', Qt::Key_Down), "00:29");
    Leave();
    Byte raw[4];
    ASSERT_EQ(time->GetValue(raw), 0);
    EXPECT_EQ(DecodeLE<LongInt>(raw), 29 * 60);

    auto* twelve = Field(pftTime, "hh:mm tt", 40);
    TypeText(twelve, "0130PM");
    EXPECT_EQ(twelve->EditString(), "01:30 PM");
    EXPECT_EQ(twelve->Validate(false), 0);
    Key(twelve, Qt::Key_Home);
    TypeText(twelve, "1330PM");
    EXPECT_EQ(twelve->EditString(), "13:30 PM");
    EXPECT_EQ(twelve->Validate(false), epInvalidTime);
}

TEST_F(PictureFieldTest, SegmentEditing) {
    ShowForm();
    auto* phone = Field(pftString, "(999) 999-9999");
    TypeText(phone, "5551234567");
    EXPECT_EQ(phone->EditString(), "(555) 123-4567");
    Leave();
    EXPECT_EQ(phone->AsString(), "(555) 123-4567");
    phone->SetStripLiterals(true);
    EXPECT_EQ(phone->AsString(), "5551234567");

    // Paste passes over the mask's own literals.
    auto* pasted = Field(pftString, "(999) 999-9999", 40);
    pasted->SetFocus();
    Paste(pasted, "(555) 987-6543");
    EXPECT_EQ(pasted->EditString(), "(555) 987-6543");

    // Backspace closes the segment up; without InsertPushes a full segment refuses a character.
    auto* code = Field(pftString, "AAA-999", 70);
    TypeText(code, "abc12");
    EXPECT_EQ(code->EditString(), "ABC-12 ");
    Key(code, Qt::Key_Backspace);
    EXPECT_EQ(code->EditString(), "ABC-1  ");
    code->SetInsertPushes(false);
    Key(code, Qt::Key_Home);
    EXPECT_EQ(BeepsTyping(code, "x"), 1u);
    EXPECT_EQ(code->EditString(), "ABC-1  ");

    auto* flag = Field(pftBoolean, "B", 100);
    // A field made on a shown form holds False at once.
    EXPECT_EQ(flag->EditString(), "F");
    TypeText(flag, "q");
    EXPECT_EQ(flag->EditString(), "F");
    TypeText(flag, "t");
    EXPECT_EQ(flag->EditString(), "T");
    EXPECT_TRUE(flag->AsBoolean());
    flag->SetArrowIncDec(true);
    Key(flag, Qt::Key_Up);
    EXPECT_EQ(flag->EditString(), "F");

    auto* blank = Field(pftString, "XXXXX", 130);
    blank->SetTrimBlanks(true);
    EXPECT_EQ(blank->AsString(), "");
}

TEST_F(PictureFieldTest, HalfTypedDateStopsTheTransfer) {
    ShowForm();
    auto* date = DateField("mm/dd/yyyy");
    date->SetAsDayNumber(DMYToDate(1, 3, 2024, 0));
    auto* transfer = new TVcTransfer(form.get());
    std::vector<Byte> record(4, 0);
    ASSERT_TRUE(transfer->ControlsToBuffer({date}, record));
    EXPECT_EQ(DecodeLE<LongInt>(record.data()), DMYToDate(1, 3, 2024, 0));
    date->SetFocus();
    Key(date, Qt::Key_Delete);
    TypeText(date, "12");
    other->SetFocus();
    DispatchPostedMessages();
    services.MessageBoxes.clear();
    other->SetFocus();
    EXPECT_FALSE(transfer->ControlsToBuffer({date}, record));
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Value is not a valid date");
    EXPECT_TRUE(date->Focused());
    EXPECT_EQ(DecodeLE<LongInt>(record.data()), DMYToDate(1, 3, 2024, 0));
}

TEST_F(PictureFieldTest, TodayFromTheClock) {
    TManualClock clock({2024, 2, 29, 13, 45, 0, 0});
    TClockOverride useClock(clock);
    ShowForm();
    auto* date = DateField("mm/dd/yyyy");
    date->SetInitDateTime(true);
    EXPECT_EQ(date->EditString(), "02/29/2024");
    date->SetInitDateTime(false);
    EXPECT_EQ(date->EditString(), "  /  /    ");
    // Completing the segment at the caret from today's date.
    date->SetFocus();
    CaretTo(date, 'd');
    date->DoCommand(ccCompleteDate);
    EXPECT_EQ(date->EditString(), "  /29/    ");
    date->Perform(EM_SETSEL, 0, 0xFFFF);
    date->DoCommand(ccCompleteDate);
    EXPECT_EQ(date->EditString(), "02/29/2024");

    auto* time = Field(pftTime, "hh:mm", 40);
    time->SetInitDateTime(true);
    EXPECT_EQ(time->EditString(), "13:45");

    auto* copy = Make<TVcPictureField>("Copy", 10, 200);
    copy->Assign(date);
    EXPECT_EQ(copy->DataType(), pftDate);
    EXPECT_EQ(copy->PictureMask(), "mm/dd/yyyy");
}

TEST_F(PictureFieldTest, FieldsThatNeverHeldAValueShowTheirBlankPicture) {
    auto* phone = Make<TVcPictureField>("Phone", 10, 10);
    phone->SetPictureMask("(999) 999-9999");
    phone->SetMaxLength(14);
    auto* date = Make<TVcPictureField>("Date", 10, 40);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/yyyy");
    ShowForm();
    EXPECT_EQ(phone->EditString(), "(   )    -    ");
    EXPECT_EQ(date->EditString(), "  /  /    ");
    TypeText(phone, "555");
    EXPECT_EQ(phone->EditString(), "(555)    -    ");
    TypeText(date, "12312025");
    EXPECT_EQ(date->EditString(), "12/31/2025");
}

TEST_F(PictureFieldTest, MoneyMaskTypedThroughItsSeparators) {
    ShowForm();
    auto* money = Field(pftDouble, "$###,###.##");
    money->SetAsFloat(0);
    TypeText(money, "1234.5");
    Leave();
    EXPECT_EQ(money->EditString(), "  $1,234.50");
    EXPECT_EQ(money->AsFloat(), 1234.5);

    // Leaving a half-typed number fills its decimals with zeros.
    auto* rate = Field(pftDouble, "###.##", 40);
    rate->SetFocus();
    TypeText(rate, "12");
    Key(rate, Qt::Key_Right);
    TypeText(rate, "5");
    EXPECT_EQ(rate->EditString(), "12 .5 ");
    Leave();
    EXPECT_EQ(rate->EditString(), " 12.50");
    EXPECT_EQ(rate->AsFloat(), 12.5);
    // A literal after the decimals stays where it is.
    auto* percent = Field(pftDouble, "###.##%", 70);
    percent->SetFocus();
    TypeText(percent, "12");
    Key(percent, Qt::Key_Right);
    TypeText(percent, "5");
    Leave();
    EXPECT_EQ(percent->EditString(), " 12.50%");
}

// A Comp holds whole numbers: a typed fraction goes to the nearest, a half to the even one.
TEST_F(PictureFieldTest, CompValuesRoundHalvesToEven) {
    ShowForm();
    const std::vector<std::pair<std::string, double>> cases = {
        {"2.5", 2}, {"3.5", 4}, {"2.7", 3}, {"-2.5", -2}, {"-3.7", -4}};
    int y = 10;
    for (const auto& [typed, value] : cases) {
        auto* comp = Field(pftComp, "####.#", y += 30);
        comp->SetAsFloat(0);
        TypeText(comp, typed);
        EXPECT_EQ(comp->AsFloat(), value) << typed;
    }
    // A step goes from the whole value the text reads as.
    auto* stepped = Field(pftComp, "####.#", y + 30);
    stepped->SetAsFloat(0);
    TypeText(stepped, "2.7");
    stepped->IncreaseValue(false, 1);
    EXPECT_EQ(stepped->AsFloat(), 4.0);
}

TEST_F(PictureFieldTest, NumericOnlyMarksAreDroppedFromOtherMasks) {
    auto* code = Field(pftString, "XXpXg");
    EXPECT_EQ(code->PictureMask(), "XXX");
    // Nothing left: any one character.
    auto* bare = Field(pftString, "p", 40);
    EXPECT_EQ(bare->PictureMask(), "X");
    ShowForm();
    TypeText(bare, "q");
    EXPECT_EQ(bare->EditString(), "q");
}

TEST_F(PictureFieldTest, NumbersInAPlainMaskStandAtItsStart) {
    ShowForm();
    auto* whole = Field(pftDouble, "XXXXXXXX");
    whole->SetAsFloat(12);
    EXPECT_EQ(whole->EditString(), "12      ");
    auto* fraction = Field(pftDouble, "XXXXXXXX", 40);
    fraction->SetDecimalPlaces(2);
    fraction->SetAsFloat(1.5);
    EXPECT_EQ(fraction->EditString(), "1.5     ");
    EXPECT_EQ(fraction->AsFloat(), 1.5);
    // Right-justified text fills from the end; the regional decimal separator is shown.
    auto* code = Field(pftString, "XXXXX", 70);
    code->SetRightJustify(true);
    code->SetAsString("ab");
    EXPECT_EQ(code->EditString(), "   ab");
    intl.DecimalSeparator = ',';
    fraction->SetAsFloat(2.25);
    EXPECT_EQ(fraction->EditString(), "2,25    ");
}

TEST_F(PictureFieldTest, PastedNumbersAndFractionalSteps) {
    ShowForm();
    auto* amount = Field(pftDouble, "###.##");
    amount->SetAsFloat(0);
    amount->SetFocus();
    amount->Perform(EM_SETSEL, 0, 0xFFFF);
    Paste(amount, "12.5");
    EXPECT_EQ(amount->AsFloat(), 12.5);

    // A step of 2.6 days moves by the nearest whole number of days.
    auto* date = DateField("mm/dd/yyyy", 40);
    date->SetAsDayNumber(DMYToDate(30, 12, 2024, 0));
    CaretTo(date, 'd');
    int changes = 0;
    date->OnChange = [&](TObject*) { ++changes; };
    date->IncreaseValue(false, 2.6);
    EXPECT_EQ(date->EditString(), "01/02/2025");
    // A step is an edit: announced once, the field modified.
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(date->Modified());
    date->IncreaseValue(false, 0.6);
    EXPECT_EQ(date->EditString(), "01/03/2025");
}

TEST_F(PictureFieldTest, ShiftExtendsTheSelectionAndLiteralOnlyMasksTakeNothing) {
    ShowForm();
    auto* phone = Field(pftString, "(999) 999-9999");
    phone->SetAsString("(555) 123-4567");
    phone->SetFocus();
    Key(phone, Qt::Key_Home);
    Key(phone, Qt::Key_Right);
    Key(phone, Qt::Key_Right);
    Key(phone, Qt::Key_Right);
    ASSERT_EQ(phone->CaretPosition(), 6);
    Key(phone, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(phone->CaretPosition(), 3);
    EXPECT_EQ(phone->SelectionLength(), 3);

    // A click moves the caret; with Shift it extends the selection from where the caret was.
    Key(phone, Qt::Key_Home);
    MouseDownAt(phone, 300);
    EXPECT_EQ(phone->SelectionLength(), 0);
    EXPECT_EQ(phone->CaretPosition(), 14);
    Key(phone, Qt::Key_Home);
    MouseDownAt(phone, 300, MK_SHIFT);
    EXPECT_EQ(phone->SelectionLength(), 13);

    auto* dashes = Field(pftString, "--", 40);
    // Home and End agree on the one place the caret has.
    Key(dashes, Qt::Key_End);
    const int end = dashes->CaretPosition();
    Key(dashes, Qt::Key_Home);
    EXPECT_EQ(dashes->CaretPosition(), end);
    EXPECT_EQ(BeepsTyping(dashes, "a"), 1u);
    EXPECT_EQ(dashes->EditString(), "--");
}

TEST_F(PictureFieldTest, RefusedKeyOverTheSelectionKeepsTheValue) {
    ShowForm();
    auto* date = DateField("mm/dd/yyyy");
    date->SetAsDayNumber(DMYToDate(31, 12, 1999, 0));
    int changes = 0;
    date->OnChange = [&](TObject*) { ++changes; };
    date->SetFocus();
    ASSERT_EQ(date->SelectionLength(), 10);
    EXPECT_EQ(BeepsTyping(date, "x"), 1u);
    EXPECT_EQ(date->EditString(), "12/31/1999");
    EXPECT_EQ(date->SelectionLength(), 10);
    EXPECT_EQ(changes, 0);
    Leave();
    EXPECT_EQ(date->AsDayNumber(), DMYToDate(31, 12, 1999, 0));

    // A letter into a selected phone number; a digit still replaces the selection.
    auto* phone = Field(pftString, "(999) 999-9999", 40);
    phone->SetAsString("(555) 123-4567");
    phone->SetFocus();
    TypeText(phone, "a");
    EXPECT_EQ(phone->EditString(), "(555) 123-4567");
    TypeText(phone, "8");
    EXPECT_EQ(phone->EditString(), "(8  )    -    ");
}

TEST_F(PictureFieldTest, WordMovesStayOnTheSegments) {
    ShowForm();
    auto* code = Field(pftString, "XXXXX-XXXXX");
    code->SetAsString("ab cd-ef   ");
    code->SetFocus();
    Key(code, Qt::Key_Home);
    EXPECT_EQ(WordStops(code, Qt::Key_Right, Qt::Key_Left, 3),
              (std::vector<int>{3, 6, 11, 6, 3, 0}));
    // Deleting a word takes the blanks after it; the segment closes up.
    code->DoCommand(ccDelWord);
    EXPECT_EQ(code->EditString(), "cd   -ef   ");
    code->DoCommand(ccDelWord);
    EXPECT_EQ(code->EditString(), "     -ef   ");

    // The one-character kinds: a pasted text gives its first character the field takes.
    auto* flag = Field(pftYesNo, "Y", 40);
    flag->SetFocus();
    Paste(flag, "xy");
    EXPECT_EQ(flag->EditString(), "Y");
    Key(flag, Qt::Key_Delete);
    EXPECT_EQ(flag->EditString(), " ");
}

} // namespace
