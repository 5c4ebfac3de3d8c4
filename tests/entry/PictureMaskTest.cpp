#include "controls/entry/PictureMask.h"

#include "EntryFormSupport.h"

#include "controls/entry/DayNumberDates.h"
#include "controls/entry/RegionalConventions.h"
#include "controls/entry/UserMasks.h"
#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

namespace {

// A picture field with no editing of its own, to drive the mask engine.
class TMaskField : public TVcPictureBase {
public:
    TMaskField(Byte fieldClass, Byte kind, const std::string& mask, int maxLength = 0,
               TComponent* owner = nullptr)
        : TVcPictureBase(owner) {
        SetFieldClass(fieldClass);
        SetDataTypeByte(kind);
        SetPictureMask(mask);
        SetMaxLength(maxLength > 0 ? maxLength : static_cast<int>(Mask().size()));
        InitPicture();
    }
    using TVcBaseEntryField::CharIsOk;
    using TVcBaseEntryField::SetEditText;
    using TVcPictureBase::GetDisplayText;
    using TVcPictureBase::SetCaretPosition;
    void IncreaseValue(bool, double) override {}
    // The edit text once text is set and its decimals fixed.
    std::string FixedText(const std::string& text) {
        SetEditText(text);
        FixDecimals();
        return EditString();
    }

protected:
    void PerformEdit(TMessage&, Word) override {}
    Word ValidateContents() override { return 0; }
};

// Known regional settings for every test (the form is not needed by the mask engine).
using VcMaskTest = EntryFormTest;

TEST_F(VcMaskTest, PictureCharactersAcceptAndConvert) {
    const TVcUserData& user = DefaultUserData();
    EXPECT_TRUE(IsPictureChar('t'));
    EXPECT_FALSE(IsPictureChar('$'));
    EXPECT_FALSE(IsPictureChar('\0'));
    EXPECT_FALSE(IsNonDatePictureChar('d'));
    EXPECT_TRUE(IsNonDatePictureChar('K'));
    EXPECT_EQ(PictureConvertCase('E', 'e', 'x', user), 'E');
    EXPECT_TRUE(PictureAccepts('E', 'E', user, intl));
    EXPECT_FALSE(PictureAccepts('9', '-', user, intl));
    EXPECT_TRUE(PictureAccepts('#', '-', user, intl));
    EXPECT_TRUE(PictureAccepts('K', 'F', user, intl));
    EXPECT_FALSE(PictureAccepts('K', 'G', user, intl));
    EXPECT_FALSE(PictureAccepts('O', '8', user, intl));
    EXPECT_TRUE(PictureAccepts('b', '1', user, intl));
    EXPECT_TRUE(PictureAccepts('a', ',', user, intl));
    EXPECT_FALSE(PictureAccepts('a', '1', user, intl));
    EXPECT_TRUE(PictureAccepts('B', 'T', user, intl));
    EXPECT_FALSE(PictureAccepts('Y', 'T', user, intl));
    EXPECT_FALSE(PictureAccepts('$', '1', user, intl));
    // "x" starts words after a blank or "-" only.
    std::string words = "mary-ann o'neil";
    char prev = ' ';
    for (char& c : words)
        prev = c = PictureConvertCase('x', c, prev, user);
    EXPECT_EQ(words, "Mary-Ann O'neil");
    // The default user data: every character but #0, no case rule.
    EXPECT_TRUE(PictureAccepts('1', '\x01', user, intl));
    EXPECT_TRUE(PictureAccepts('8', '\xFF', user, intl));
    EXPECT_FALSE(PictureAccepts('1', '\0', user, intl));
    EXPECT_EQ(PictureConvertCase('3', 'q', ' ', user), 'q');
}

TEST_F(VcMaskTest, FlagsAndEditPositions) {
    TMaskField repeat(fcPicture, fsString, "99", 5);
    EXPECT_EQ(repeat.MaxLength(), 5);
    EXPECT_TRUE(repeat.AllEditable());
    EXPECT_EQ(repeat.MergeWithPicture("123"), "123  ");
    TMaskField phone(fcPicture, fsString, "(999) 999-9999");
    EXPECT_EQ(phone.MaxLength(), 14);
    EXPECT_FALSE(phone.AllEditable());
    EXPECT_TRUE(phone.IsLiteralPos(0));
    EXPECT_EQ(phone.FirstEditPos(), 1);
    EXPECT_EQ(phone.LastEditPos(), 13);
    const std::string text = phone.MergeWithPicture("5551234567");
    EXPECT_EQ(text, "(555) 123-4567");
    EXPECT_EQ(phone.StripPicture(text), "5551234567");
    EXPECT_EQ(phone.CopyEditable(text), "5551234567");
    EXPECT_EQ(phone.StripPicture("(555)"), "(555)");
    TMaskField money(fcNumeric, fsDouble, "$###,###.##");
    EXPECT_EQ(money.SpecialCount(), 2);
    EXPECT_EQ(money.FirstEditPos(), 2);
    int total = 0;
    int decimals = 0;
    money.GetPictureDigits(total, decimals);
    EXPECT_EQ(decimals, 2);
    EXPECT_EQ(total, 9);
    TMaskField plain(fcPicture, fsString, "!xX");
    EXPECT_FALSE(plain.IsNumericLike());
    EXPECT_EQ(plain.MergeWithPicture("ab"), "Ab ");
}

TEST_F(VcMaskTest, CurrencySeparatorsAndSigns) {
    TMaskField money(fcNumeric, fsDouble, "$###,###,###.##");
    EXPECT_EQ(money.MergeWithPicture("-1234.5"), "     -$1,234.50");
    EXPECT_EQ(money.StripPicture("     -$1,234.50"), "     -1234.50");
    // A "," with no digit to its left is filled like a blank position.
    EXPECT_EQ(money.MergeWithPicture("5"), "          $5.00");
    EXPECT_EQ(money.MergeWithPicture(""), "           0.00");
    TMaskField rate(fcNumeric, fsDouble, "##.####");
    EXPECT_EQ(rate.MergeWithPicture(".5"), " 0.5000");
    // "p" and "g" positions are blank in the edit text; the sign floats as a plain "-".
    TMaskField paren(fcNumeric, fsDouble, "###.##p");
    EXPECT_EQ(paren.MergeWithPicture("-12.5"), "-12.50 ");
    EXPECT_EQ(paren.MergeWithPicture("12.5"), " 12.50 ");
    EXPECT_EQ(paren.StripPicture("(12.50)"), "-12.50");
    TMaskField sign(fcNumeric, fsDouble, "g####.##");
    EXPECT_EQ(sign.MergeWithPicture("-5"), "   -5.00");
    TMaskField leading(fcNumeric, fsLongInt, "g#####");
    EXPECT_EQ(leading.MergeWithPicture("-42"), "   -42");
    EXPECT_EQ(Trim(sign.StripPicture("-   5.00")), "-5.00");
    TMaskField fixed(fcNumeric, fsDouble, "ccc###CC");
    intl.CurrencySuffix = "kr";
    EXPECT_EQ(fixed.MergeWithPicture("12"), "  $ 12kr");
    // Outside numeric fields "p" and "g" are not part of the mask.
    TMaskField picture(fcPicture, fsString, "p99g");
    EXPECT_EQ(picture.Mask(), "99");
    // A different decimal separator and no thousands separator.
    intl.DecimalSeparator = ',';
    intl.ThousandSeparator = '\0';
    TMaskField euro(fcNumeric, fsDouble, "#,###.##");
    EXPECT_EQ(euro.MergeWithPicture("1234.5"), "1234,50");
    EXPECT_EQ(euro.StripPicture("1234,50"), "1234.50");
}

TEST_F(VcMaskTest, HexOctalBinaryAndSubstitutions) {
    TMaskField hexByte(fcPicture, fsByte, "KK");
    EXPECT_EQ(hexByte.MergeWithPicture("FF"), "FF");
    TMaskField hexWord(fcPicture, fsWord, "KKKK");
    EXPECT_EQ(hexWord.MergeWithPicture("FF"), "00FF");
    TMaskField octal(fcPicture, fsWord, "OOOOOO");
    EXPECT_EQ(octal.MergeWithPicture("17"), "000017");
    TMaskField binary(fcPicture, fsByte, "bbbbbbbb");
    EXPECT_EQ(binary.MergeWithPicture("101"), "00000101");
    TVcUserData& user = DefaultUserData();
    user.SetSubstChar('\xF1', '/');
    TMaskField date(fcPicture, fsString,
                    "99\xF1"
                    "99");
    EXPECT_EQ(date.MergeWithPicture("1231"), "12/31");
    user.SetSubstChar('\xF1', '\xF1');
}

TEST_F(VcMaskTest, ValuesThatDoNotFitShowOverflow) {
    TMaskField rate(fcNumeric, fsDouble, "##.####");
    EXPECT_EQ(rate.MergeWithPicture("112.5"), "**.****");
    TMaskField longInt(fcPicture, fsLongInt, "iiiiiiiiii");
    EXPECT_EQ(longInt.MergeWithPicture("-2147483648"), "**********");
    EXPECT_EQ(longInt.MergeWithPicture("2147483647"), "2147483647");
    TMaskField numeric(fcNumeric, fsLongInt, "iiiiiiiiii");
    EXPECT_EQ(numeric.MergeWithPicture("-2147483648"), "**********");
    EXPECT_EQ(numeric.MergeWithPicture("-214748364"), "-214748364");
    TMaskField money(fcNumeric, fsDouble, "$#,###.##");
    EXPECT_EQ(money.MergeWithPicture("12345"), " *****.**");
    // Strings are cut as always.
    TMaskField name(fcPicture, fsString, "XXX");
    EXPECT_EQ(name.MergeWithPicture("Vantrel"), "Van");
}

TEST_F(VcMaskTest, StripRemovesExactlyTheCurrencyMergeWrote) {
    struct TCase {
        std::string Prefix;
        std::string Mask;
    };
    for (const TCase& c :
         {TCase{"$", "$$$#,###.##"}, TCase{"EUR", "$#,###.##"}, TCase{"kr ", "$$$$#,###.##"},
          TCase{"$ ", "$$#,###.##"}, TCase{"$ ", "$#,###.##"}, TCase{"SFr.", "$$#,###.##"}}) {
        intl.CurrencyPrefix = c.Prefix;
        TMaskField field(fcNumeric, fsDouble, c.Mask);
        for (const std::string value : {"-12.5", "1234.25", "0.75", "7"}) {
            const std::string text = field.MergeWithPicture(value);
            std::string back = Trim(field.StripPicture(text));
            ASSERT_FALSE(back.empty()) << text;
            ASSERT_TRUE(back.find_first_of("0123456789") != std::string::npos)
                << "'" << text << "' -> '" << back << "' prefix " << c.Prefix << " mask " << c.Mask;
            std::size_t used = 0;
            EXPECT_DOUBLE_EQ(std::stod(back, &used), std::stod(value))
                << "prefix '" << c.Prefix << "' mask " << c.Mask << " text '" << text << "'";
            EXPECT_EQ(used, back.size()) << back;
        }
    }
}

TEST_F(VcMaskTest, FixDecimalsUnformatAndDisplay) {
    TMaskField amount(fcPicture, fsDouble, "###.##");
    EXPECT_EQ(amount.FixedText("1 2.5 "), " 12.50");
    EXPECT_EQ(amount.FixedText("   .  "), "  0.00");

    TMaskField money(fcNumeric, fsDouble, "$###,###.##");
    money.SetEditText(money.MergeWithPicture("1234.5"));
    EXPECT_EQ(money.EditString(), "  $1,234.50");
    money.UnformatForEdit();
    EXPECT_TRUE(money.Unformatted());
    EXPECT_EQ(money.EditString(), "    1234.50");
    money.RefreshDisplay();
    EXPECT_FALSE(money.Unformatted());
    EXPECT_EQ(money.EditString(), "  $1,234.50");

    // Digits typed across the currency and separator positions of the unformatted text stay
    // one number.
    money.UnformatForEdit();
    EXPECT_EQ(money.FixedText("1234    .5 "), "    1234.50");
    money.RefreshDisplay();
    EXPECT_EQ(money.EditString(), "  $1,234.50");
    // In the formatted state only the digit positions move.
    EXPECT_EQ(money.FixedText("  $1,2 4. 5"), "  $1, 24.50");

    TMaskField code(fcPicture, fsString, "XXX-XXX");
    code.SetEditText("AB -1  ");
    code.SetPadChar('_');
    EXPECT_EQ(code.GetDisplayText(), "AB_-1__");
    code.SetPasswordMode(true);
    EXPECT_EQ(code.GetDisplayText(), "**_-*__");
    code.SetUninitialized(true);
    EXPECT_EQ(code.GetDisplayText(), "       ");
}

TEST_F(VcMaskTest, DatePicturesReadUpperCaseYAsAYearLetter) {
    // Typing: a "Y" of a date field takes year digits; elsewhere it is the yes/no letter.
    TMaskField date(fcPicture, fsDate, "MM/DD/YYYY");
    EXPECT_TRUE(date.CharIsOk('Y', '7'));
    EXPECT_FALSE(date.CharIsOk('Y', 'Y'));
    TMaskField answer(fcPicture, fsString, "Y");
    EXPECT_FALSE(answer.CharIsOk('Y', '7'));
    EXPECT_TRUE(answer.CharIsOk('Y', 'N'));
    // Conversions: "Y" runs are years, written and read like "y" runs, also mixed with them.
    EXPECT_EQ(intl.DMYToDatePChar("MM/DD/YYYY", 25, 12, 2026, false, 0), "12/25/2026");
    EXPECT_EQ(intl.DMYToDatePChar("YY-mm-dd", 5, 1, 2003, false, 0), "03-01-05");
    EXPECT_EQ(intl.DateStringToDate("MM/DD/YYYY", "12/25/2026", 0), DMYToDate(25, 12, 2026, 0));
    EXPECT_EQ(intl.DateStringToDate("YYyy-mm-dd", "1996-01-05", 0), DMYToDate(5, 1, 1996, 0));
    EXPECT_EQ(intl.DateStringToDate("mm/dd/YY", "01/05/96", 1950), DMYToDate(5, 1, 1996, 0));
    EXPECT_EQ(intl.DateStringToDate("MM/DD/YYYY", "02/30/2026", 0), BadDate);
    EXPECT_TRUE(intl.DateStringIsBlank("MM/DD/YYYY", "  /  /    "));
    EXPECT_FALSE(intl.DateStringIsBlank("MM/DD/YYYY", "  /  /2026"));
}

TEST_F(VcMaskTest, CaretAndInputKeepToTheEditablePositions) {
    auto* phone = new TMaskField(fcPicture, fsString, "(999) 999-9999", 0, form.get());
    phone->SetParent(form.get());
    phone->SetBounds(10, 10, 160, 24);
    ShowForm();
    phone->SetEditText("(   )    -    ");
    EXPECT_TRUE(phone->IsEmpty());
    EXPECT_EQ(phone->EndOfInput(), 0);
    phone->SetEditText("(555) 12 -    ");
    EXPECT_FALSE(phone->IsEmpty());
    EXPECT_EQ(phone->EndOfInput(), 8);
    phone->SetEditText("(555) 123-    ");
    EXPECT_EQ(phone->EndOfInput(), 9); // the "-" after the digits is no input
    // Not focused: the caret is not moved.
    phone->SetCaretPosition(7);
    EXPECT_EQ(phone->CaretPosition(), 0);
    Focus(phone);
    const auto caretAt = [&](int position) {
        phone->SetCaretPosition(position);
        return phone->CaretPosition();
    };
    EXPECT_EQ(caretAt(-4), 1);
    EXPECT_EQ(caretAt(0), 1);
    EXPECT_EQ(caretAt(5), 3); // back over ") " to the last digit before them
    EXPECT_EQ(caretAt(9), 8);
    EXPECT_EQ(caretAt(12), 12);
    EXPECT_EQ(caretAt(14), 14);
    EXPECT_EQ(caretAt(300), 14);
    // Leaving puts the caret home, on the first editable position.
    Leave();
    EXPECT_EQ(phone->CaretPosition(), 1);
}

TEST_F(VcMaskTest, EntrySavesOnlyTheFormattedTextForRestore) {
    auto* money = new TMaskField(fcPicture, fsDouble, "$###,###.##", 0, form.get());
    money->SetParent(form.get());
    money->SetBounds(10, 10, 120, 24);
    ShowForm();
    // Restore without a text saved on entry changes nothing, not even the editing state.
    money->SetEditText(money->MergeWithPicture("1234.5"));
    money->UnformatForEdit();
    money->Restore();
    EXPECT_TRUE(money->Unformatted());
    EXPECT_EQ(money->EditString(), "    1234.50");
    money->RefreshDisplay();

    Focus(money);
    Leave();
    // Focus arriving on an unformatted text keeps the formatted text of the earlier entry.
    money->UnformatForEdit();
    Focus(money);
    money->SetEditText("      99.00");
    money->Restore();
    EXPECT_FALSE(money->Unformatted());
    EXPECT_EQ(money->EditString(), "  $1,234.50");
    // Leaving re-formats an edited text.
    money->UnformatForEdit();
    money->SetEditText("    5678.00");
    Leave();
    EXPECT_FALSE(money->Unformatted());
    EXPECT_EQ(money->EditString(), "  $5,678.00");
}

} // namespace
