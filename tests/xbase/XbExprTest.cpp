#include "xbase/XbExpr.h"

#include "platform/rtl/Clock.h"
#include "tests/xbase/XbTestRecords.h"
#include "xbase/XbSettings.h"

#include <gtest/gtest.h>

namespace {

class XbExprTest : public ::testing::Test {
protected:
    XbExprTest()
        : saved_(XbSettings()), records_({{"NAME", 'C', 10, 0},
                                          {"AMOUNT", 'N', 10, 2},
                                          {"PAID", 'L', 1, 0},
                                          {"DUE", 'D', 8, 0},
                                          {"NOTES", 'M', 10, 0},
                                          {"COUNT", 'N', 4, 0}}),
          other_({{"CITY", 'C', 8, 0}}) {
        records_.Add({"Smith", "1234.50", "T", "20240229", "memo text", "7"});
        records_.Add({"jones", "-5.25", "f", "        ", "", ""}, true);
        records_.Go(1);
        other_.Add({"Boston"});
        records_.AddAlias("TOWNS", &other_);
        XbSettings() = TXbSettings{};
    }
    ~XbExprTest() override { XbSettings() = saved_; }

    TXbValue Eval(const std::string& text) {
        TXbExpression e;
        EXPECT_TRUE(e.Compile(text, records_)) << text << ": " << e.ErrorMessage();
        return e.Evaluate(records_);
    }
    std::string Str(const std::string& text) {
        const TXbValue v = Eval(text);
        EXPECT_EQ(v.Type, xtCharacter) << text;
        return v.Text;
    }
    double Num(const std::string& text) {
        const TXbValue v = Eval(text);
        EXPECT_EQ(v.Type, xtNumeric) << text;
        return v.Number;
    }
    bool Log(const std::string& text) {
        const TXbValue v = Eval(text);
        EXPECT_EQ(v.Type, xtLogical) << text;
        return v.Logical;
    }
    // Compiles text expecting failure; gives "position: message".
    std::string Fail(const std::string& text) {
        TXbExpression e;
        EXPECT_FALSE(e.Compile(text, records_)) << text;
        EXPECT_FALSE(e.Valid());
        EXPECT_EQ(e.Type(), xtError);
        EXPECT_EQ(e.Evaluate(records_).Type, xtError);
        return std::to_string(e.ErrorPos()) + ": " + e.ErrorMessage();
    }

    TXbSettings saved_;
    TTestRecords records_;
    TTestRecords other_;
};

TEST_F(XbExprTest, LiteralsAndTypes) {
    EXPECT_EQ(Str("'abc'"), "abc");
    EXPECT_EQ(Str("\"it's\""), "it's");
    EXPECT_EQ(Str("[say \"hi\"]"), "say \"hi\"");
    EXPECT_EQ(Str("'O''Brien'"), "O'Brien");
    EXPECT_EQ(Str("\"a\"\"b\" + ''"), "a\"b");
    EXPECT_DOUBLE_EQ(Num("12.75"), 12.75);
    EXPECT_DOUBLE_EQ(Num(".5"), 0.5);
    // A literal shows its digits after the point less its exponent.
    EXPECT_EQ(Eval("2.5E-3").Decimals, 4);
    EXPECT_EQ(Eval("1.25e1").Decimals, 1);
    EXPECT_EQ(Eval("1e+05").Decimals, 0);
    EXPECT_EQ(Eval("12.75").Decimals, 2);
    EXPECT_TRUE(Log(".T."));
    EXPECT_FALSE(Log(".f."));
    EXPECT_TRUE(Log(".y."));
    EXPECT_FALSE(Log(".N."));

    const std::pair<const char*, TXbExprType> types[] = {{"DTOS(due)", xtCharacter},
                                                         {"amount * 2", xtNumeric},
                                                         {"due + 1", xtDate},
                                                         {"paid", xtLogical}};
    TXbExpression e;
    for (const auto& [text, type] : types) {
        ASSERT_TRUE(e.Compile(text, records_)) << text;
        EXPECT_EQ(e.Type(), type) << text;
    }
}

TEST_F(XbExprTest, FieldsInAnyCaseWithAliases) {
    EXPECT_EQ(Str("name"), "Smith     ");
    EXPECT_EQ(Str("Name"), "Smith     ");
    EXPECT_DOUBLE_EQ(Num("AMOUNT"), 1234.5);
    EXPECT_TRUE(Log("PAID"));
    EXPECT_EQ(Str("DTOS(DUE)"), "20240229");
    EXPECT_EQ(Str("notes"), "memo text");
    EXPECT_EQ(Str("towns->city"), "Boston  ");
    EXPECT_EQ(Str("TOWNS -> CITY + NAME"), "Boston  Smith     ");
    // A word operator right before "->" is an alias.
    records_.AddAlias("OR", &other_);
    records_.AddAlias("NOT", &other_);
    EXPECT_EQ(Str("or->city"), "Boston  ");
    EXPECT_EQ(Str("NOT->CITY + name"), "Boston  Smith     ");

    records_.Go(2);
    EXPECT_DOUBLE_EQ(Num("amount"), -5.25);
    EXPECT_FALSE(Log("paid"));
    EXPECT_TRUE(Log("EMPTY(due)"));
    EXPECT_DOUBLE_EQ(Num("COUNT"), 0); // a blank number reads as zero

    TXbExpression e;
    ASSERT_TRUE(e.Compile("name", records_));
    EXPECT_EQ(e.SingleField(), "NAME");
    ASSERT_TRUE(e.Compile("UPPER(name)", records_));
    EXPECT_EQ(e.SingleField(), "");
    ASSERT_TRUE(e.Compile("towns->city", records_));
    EXPECT_EQ(e.SingleField(), "");
}

TEST_F(XbExprTest, ArithmeticAndPrecedence) {
    EXPECT_DOUBLE_EQ(Num("2 + 3 * 4"), 14);
    EXPECT_DOUBLE_EQ(Num("(2 + 3) * 4"), 20);
    EXPECT_DOUBLE_EQ(Num("10 - 4 - 3"), 3);
    EXPECT_DOUBLE_EQ(Num("10 / 4"), 2.5);
    EXPECT_DOUBLE_EQ(Num("-2 * -3"), 6);
    EXPECT_DOUBLE_EQ(Num("+5 - -5"), 10);
    EXPECT_DOUBLE_EQ(Num("amount * 2 + count"), 2476);
    EXPECT_EQ(Str("'ab' + 'cd'"), "abcd");
    EXPECT_EQ(Str("'ab  ' - 'cd'"), "abcd  ");
    EXPECT_EQ(Str("name - '!'"), "Smith!     ");

    const TXbValue zero = Eval("1 / (count - 7)");
    EXPECT_EQ(zero.Type, xtError);
    EXPECT_FALSE(zero.Text.empty());
}

TEST_F(XbExprTest, DateArithmetic) {
    EXPECT_EQ(Str("DTOS(due + 1)"), "20240301");
    EXPECT_EQ(Str("DTOS(1 + due)"), "20240301");
    EXPECT_EQ(Str("DTOS(due - 60)"), "20231231");
    // Days given with a fraction count to the nearest whole day.
    EXPECT_EQ(Str("DTOS(due + 1.6)"), "20240302");
    EXPECT_EQ(Str("DTOS(due - 1.5)"), "20240227");
    EXPECT_EQ(Str("DTOS(0.7 + due)"), "20240301");
    EXPECT_DOUBLE_EQ(Num("due - STOD('20240101')"), 59);
    EXPECT_EQ(Str("PADL(due - STOD('20240101'), 4)"), "  59"); // whole days show no decimals
    EXPECT_TRUE(Log("due > STOD('20240228')"));
    records_.Go(2);
    EXPECT_TRUE(Log("EMPTY(due + 1)")); // the empty date stays empty
    EXPECT_TRUE(Log("due < STOD('00010101')"));
}

TEST_F(XbExprTest, StringComparisonFollowsExact) {
    EXPECT_TRUE(Log("'abc' = 'ab'")); // prefix on the right side's length
    EXPECT_FALSE(Log("'ab' = 'abc'"));
    EXPECT_TRUE(Log("'abc' = ''"));
    EXPECT_FALSE(Log("'abc' == 'ab'"));
    EXPECT_FALSE(Log("'abc ' == 'abc'"));
    EXPECT_TRUE(Log("'abc' == 'abc'"));
    EXPECT_TRUE(Log("name = 'Smi'"));
    EXPECT_FALSE(Log("name <> 'Smi'"));
    EXPECT_TRUE(Log("name # 'Jo'"));
    EXPECT_TRUE(Log("name != 'Jo'"));
    EXPECT_TRUE(Log("'abd' > 'abc'"));
    EXPECT_TRUE(Log("'abc' >= 'ab'"));
    EXPECT_FALSE(Log("'ab' >= 'abc'"));
    EXPECT_TRUE(Log("'B' < 'a'")); // byte order

    XbSettings().Exact = true;
    EXPECT_FALSE(Log("'abc' = 'ab'"));
    EXPECT_TRUE(Log("'abc   ' = 'abc'")); // trailing blanks do not count
    EXPECT_TRUE(Log("name = 'Smith'"));
    EXPECT_FALSE(Log("'ab' >= 'abc'"));
}

TEST_F(XbExprTest, OtherComparisons) {
    EXPECT_TRUE(Log("1 < 2 .AND. 2 <= 2 .AND. 3 > 2 .AND. 3 >= 3 .AND. 1 = 1 .AND. 1 <> 2"));
    EXPECT_TRUE(Log(".T. > .F."));
    EXPECT_TRUE(Log(".T. = paid"));
    EXPECT_TRUE(Log("'mit' $ name"));
    EXPECT_FALSE(Log("'xyz' $ name"));
    EXPECT_TRUE(Log("'' $ 'abc'"));
}

TEST_F(XbExprTest, LogicalOperatorsAndPrecedence) {
    EXPECT_TRUE(Log(".T. .OR. .F. .AND. .F.")); // AND binds tighter than OR
    EXPECT_FALSE(Log("(.T. .OR. .F.) .AND. .F."));
    EXPECT_TRUE(Log(".NOT. .F."));
    EXPECT_TRUE(Log("!.F."));
    EXPECT_TRUE(Log("NOT .T. OR .T.")); // NOT binds tighter than OR
    EXPECT_FALSE(Log("NOT (.T. OR .T.)"));
    EXPECT_TRUE(Log("paid and not deleted()"));
    EXPECT_TRUE(Log("1 + 1 = 2 .and. 'a' + 'b' = 'ab'")); // arithmetic before comparison
    EXPECT_TRUE(Log("!.T. .or. ! ! .T."));
}

TEST_F(XbExprTest, TextFunctions) {
    EXPECT_EQ(Str("UPPER(name)"), "SMITH     ");
    EXPECT_EQ(Str("LOWER('AbC')"), "abc");
    EXPECT_EQ(Str("UPPER('\xE9t\xE9')"), "\xC9T\xC9"); // Windows-1252 letters
    EXPECT_EQ(Str("LOWER('\xC0')"), "\xE0");
    EXPECT_EQ(Str("TRIM(name)"), "Smith");
    EXPECT_EQ(Str("RTRIM('  a  ')"), "  a");
    EXPECT_EQ(Str("LTRIM('  a  ')"), "a  ");
    EXPECT_EQ(Str("ALLTRIM('  a  ')"), "a");
    EXPECT_EQ(Str("SUBSTR('abcdef', 2, 3)"), "bcd");
    EXPECT_EQ(Str("SUBSTR('abcdef', 4)"), "def");
    EXPECT_EQ(Str("SUBSTR('abcdef', 5, 10)"), "ef");
    EXPECT_EQ(Str("SUBSTR('abc', 9)"), "");
    EXPECT_EQ(Str("SUBSTR('abc', 2, -1)"), "");
    EXPECT_EQ(Str("SUBSTR('abcdef', -2)"), "ef");
    // Positions and counts with a fraction lose it.
    EXPECT_EQ(Str("SUBSTR('abcdef', -2.5)"), "ef");
    EXPECT_EQ(Str("SUBSTR('abcdef', 0.5, 2.9)"), "ab");
    EXPECT_EQ(Str("SUBSTR('abcdef', 2.7, 2.2)"), "bc");
    EXPECT_EQ(Str("RIGHT('abcdef', 2.8)"), "ef");
    const std::string big = "1" + std::string(300, '0');
    const std::string infinite = big + " * " + big;
    EXPECT_EQ(Str("SUBSTR('abc', 1, " + infinite + " - " + infinite + ")"), ""); // not a number
    EXPECT_EQ(Str("LEFT('abc', " + infinite + ")"), "");
    EXPECT_EQ(Str("RIGHT('abc', -" + infinite + ")"), "");
    EXPECT_EQ(Str("LEFT('abcdef', 2)"), "ab");
    EXPECT_EQ(Str("LEFT('ab', 5)"), "ab");
    EXPECT_EQ(Str("RIGHT('abcdef', 2)"), "ef");
    EXPECT_EQ(Str("RIGHT('ab', -1)"), "");
    EXPECT_EQ(Str("PADL('ab', 5)"), "   ab");
    EXPECT_EQ(Str("PADR('ab', 5, '*')"), "ab***");
    EXPECT_EQ(Str("PADL('abcdef', 3)"), "abc");
    EXPECT_EQ(Str("PADL(count, 4, '0')"), "0007");
    EXPECT_EQ(Str("PADR(due, 10)"), "02/29/24  ");
    EXPECT_DOUBLE_EQ(Num("LEN(name)"), 10);
    EXPECT_DOUBLE_EQ(Num("LEN(TRIM(name))"), 5);
    EXPECT_DOUBLE_EQ(Num("LEN('')"), 0);
}

TEST_F(XbExprTest, NumberFunctions) {
    EXPECT_EQ(Str("STR(42)"), "        42");
    EXPECT_EQ(Str("STR(3.14159, 6, 2)"), "  3.14");
    EXPECT_EQ(Str("STR(2.675, 5, 2)"), " 2.68"); // half away from zero
    EXPECT_EQ(Str("STR(-2.5, 4)"), "  -3");
    EXPECT_EQ(Str("STR(12345, 3)"), "***");
    EXPECT_EQ(Str("LTRIM(STR(amount, 19))"), "1235");
    EXPECT_EQ(Str("STR(amount, 10, 2)"), "   1234.50");
    EXPECT_DOUBLE_EQ(Num("VAL('12.50abc')"), 12.5);
    EXPECT_DOUBLE_EQ(Num("VAL('  -7')"), -7);
    EXPECT_DOUBLE_EQ(Num("VAL('abc')"), 0);
    EXPECT_DOUBLE_EQ(Num("VAL('1.2.3')"), 1.2);
    EXPECT_EQ(XbStr(1e300, 10, 2), "**********");
    EXPECT_EQ(XbStr(-0.001, 5, 2), " 0.00");
}

TEST_F(XbExprTest, DateFunctions) {
    EXPECT_EQ(Str("DTOS(STOD('20231231'))"), "20231231");
    EXPECT_EQ(Str("DTOS(STOD('20230229'))"), "        "); // no such day: empty date
    EXPECT_EQ(Str("DTOC(due)"), "02/29/24");
    EXPECT_DOUBLE_EQ(Num("YEAR(due)"), 2024);
    EXPECT_DOUBLE_EQ(Num("MONTH(due)"), 2);
    EXPECT_DOUBLE_EQ(Num("DAY(due)"), 29);
    // Parts of a date are whole numbers: they pad as plain digits.
    EXPECT_EQ(Str("STR(YEAR(due), 4) + PADL(MONTH(due), 2, '0') + PADL(DAY(due), 2, '0')"),
              "20240229");
    EXPECT_EQ(Str("DTOS(CTOD('12/31/99'))"), "19991231");

    XbSettings().Epoch = 1960;
    EXPECT_EQ(Str("DTOS(CTOD('01/02/03'))"), "20030102");
    EXPECT_EQ(Str("DTOS(CTOD('01/02/60'))"), "19600102");
    EXPECT_EQ(Str("DTOS(CTOD('13/40/03'))"), "        ");

    XbSettings().DateFormat = 2; // British
    XbSettings().Century = true;
    EXPECT_EQ(Str("DTOC(due)"), "29/02/2024");
    EXPECT_EQ(Str("DTOS(CTOD('31/12/2023'))"), "20231231");
    XbSettings().DateFormat = 4; // German
    EXPECT_EQ(Str("DTOC(due)"), "29.02.2024");
    XbSettings().DateFormat = 1; // ANSI
    XbSettings().Century = false;
    EXPECT_EQ(Str("DTOC(due)"), "24.02.29");

    records_.Go(2);
    EXPECT_DOUBLE_EQ(Num("YEAR(due)"), 0);
    EXPECT_EQ(Str("DTOS(due)"), "        ");
}

TEST_F(XbExprTest, TodayComesFromTheClock) {
    TManualClock clock({2025, 7, 4, 10, 0, 0, 0});
    TClockOverride use(clock);
    EXPECT_EQ(Str("DTOS(DATE())"), "20250704");
    EXPECT_DOUBLE_EQ(Num("DATE() - STOD('20250701')"), 3);
}

TEST_F(XbExprTest, EmptyDeletedRecnoIif) {
    EXPECT_FALSE(Log("EMPTY(name)"));
    EXPECT_TRUE(Log("EMPTY('   ')"));
    EXPECT_TRUE(Log("EMPTY(0)"));
    EXPECT_TRUE(Log("EMPTY(.F.)"));
    EXPECT_FALSE(Log("EMPTY(due)"));
    EXPECT_FALSE(Log("DELETED()"));
    EXPECT_DOUBLE_EQ(Num("RECNO()"), 1);
    EXPECT_EQ(Str("PADR(RECNO(), 3, '*') + PADL(LEN(name), 3)"), "1** 10");
    EXPECT_EQ(Str("IIF(paid, 'yes', 'no')"), "yes");
    records_.Go(2);
    EXPECT_TRUE(Log("DELETED()"));
    EXPECT_DOUBLE_EQ(Num("RECNO()"), 2);
    EXPECT_EQ(Str("IIF(paid, 'yes', 'no')"), "no");
    EXPECT_TRUE(Log("EMPTY(notes)"));
    // Only the branch taken is evaluated.
    EXPECT_DOUBLE_EQ(Num("IIF(count = 0, 0, 1 / count)"), 0);
}

TEST_F(XbExprTest, StaticWidths) {
    const std::pair<const char*, int> widths[] = {
        {"name + towns->city", 18},  {"LEFT(name, 3)", 3},      {"SUBSTR(name, 3)", 8},
        {"SUBSTR(name, 2, 4)", 4},   {"TRIM(name)", 10},        {"STR(amount, 12, 2)", 12},
        {"STR(amount)", 10},         {"UPPER(towns->city)", 8}, {"DTOS(due) + name", 18},
        {"IIF(paid, name, 'x')", 10}};
    TXbExpression e;
    for (const auto& [text, width] : widths) {
        ASSERT_TRUE(e.Compile(text, records_)) << text;
        EXPECT_EQ(e.Width(), width) << text;
    }
    ASSERT_TRUE(e.Compile("amount", records_));
    EXPECT_EQ(e.Decimals(), 2);
    // Parts of a date are as wide as their largest value: 9999, 12 and 31.
    const struct {
        const char* Text;
        int Width;
    } parts[] = {{"YEAR(due)", 4}, {"MONTH(due)", 2}, {"DAY(due)", 2}};
    for (const auto& part : parts) {
        ASSERT_TRUE(e.Compile(part.Text, records_)) << part.Text;
        EXPECT_EQ(e.Width(), part.Width) << part.Text;
        EXPECT_EQ(e.Decimals(), 0) << part.Text;
    }
    // A logical value is as wide as its text, ".T." or ".F.".
    for (const char* logical : {"'A' $ name", "amount > 1", "NOT paid", ".T. .AND. paid"}) {
        ASSERT_TRUE(e.Compile(logical, records_)) << logical;
        EXPECT_EQ(e.Width(), 3) << logical;
    }
}

TEST_F(XbExprTest, TypeErrorsAreReported) {
    EXPECT_EQ(Fail("'a' + 1"), "5: Type mismatch: character and numeric");
    EXPECT_EQ(Fail("1 .AND. .T."), "3: Type mismatch: numeric and logical");
    EXPECT_EQ(Fail(".NOT. 1"), "1: Type mismatch: NOT needs a logical value");
    EXPECT_EQ(Fail("-name"), "1: Type mismatch: unary - needs a numeric value");
    EXPECT_EQ(Fail("UPPER(1)"), "7: Type mismatch: UPPER needs a character value");
    EXPECT_EQ(Fail("IIF(.T., 1, 'a')"), "1: Type mismatch: IIF needs two values of one type");
    EXPECT_EQ(Fail("name = 1"), "6: Type mismatch: character and numeric");
    EXPECT_EQ(Fail("due * 2"), "5: Type mismatch: date and numeric");
    EXPECT_EQ(Fail("1 - due"), "3: Type mismatch: numeric and date");
    EXPECT_EQ(Fail("1 $ 'a'"), "3: Type mismatch: numeric and character");
    EXPECT_EQ(Fail("PADL(.T., 3)"), "6: Type mismatch: PADL needs a character value");
}

TEST_F(XbExprTest, SyntaxErrorsAreReported) {
    EXPECT_EQ(Fail(""), "1: Unexpected end of expression");
    EXPECT_EQ(Fail("1 +"), "4: Unexpected end of expression");
    EXPECT_EQ(Fail("(1 + 2"), "7: ')' expected");
    EXPECT_EQ(Fail("'abc"), "1: Unterminated string");
    EXPECT_EQ(Fail("1 2"), "3: Unexpected '2'");
    EXPECT_EQ(Fail("name @ 1"), "6: Invalid character '@'");
    EXPECT_EQ(Fail(".X."), "1: Unknown operator '.X.'");
    EXPECT_EQ(Fail("a . b"), "3: Invalid character '.'");
    EXPECT_EQ(Fail("nosuch + 1"), "1: Unknown field 'NOSUCH'");
    EXPECT_EQ(Fail("towns->name"), "1: Unknown field 'TOWNS->NAME'");
    EXPECT_EQ(Fail("x->name"), "1: Unknown field 'X->NAME'");
    EXPECT_EQ(Fail("towns->"), "8: Field name expected after '->'");
    EXPECT_EQ(Fail("FOO(1)"), "1: Unknown function 'FOO'");
    EXPECT_EQ(Fail("SUBSTR('a')"), "1: Wrong number of arguments for SUBSTR");
    EXPECT_EQ(Fail("DATE(1)"), "1: Wrong number of arguments for DATE");
    EXPECT_EQ(Fail("UPPER(name"), "11: ')' expected");
    EXPECT_EQ(Fail("TRIM(name, name)"), "1: Wrong number of arguments for TRIM");
    EXPECT_EQ(Fail("TRIM()"), "1: Wrong number of arguments for TRIM");
    EXPECT_EQ(Fail("1 + )"), "5: Unexpected ')'");
}

TEST_F(XbExprTest, DeepNestingIsRefusedNotOverflowed) {
    const std::string parens = std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_NE(Fail(parens).find("Expression too complex"), std::string::npos);
    EXPECT_NE(Fail(std::string(100000, '!') + ".T.").find("too complex"), std::string::npos);
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += " + 1";
    EXPECT_NE(Fail(chain).find("too complex"), std::string::npos);
    EXPECT_DOUBLE_EQ(Num(std::string(50, '(') + "1" + std::string(50, ')')), 1);
}

TEST_F(XbExprTest, HugeWidthsAreHeld) {
    EXPECT_EQ(Str("PADR('a', 1000000000)").size(), 65535u);
    EXPECT_EQ(Str("STR(1, 100000)").size(), 255u);
}

TEST(XbExprDates, DayNumbersRoundTrip) {
    EXPECT_EQ(XbDateToStored(XbDateFromStored("00010101")), "00010101");
    EXPECT_EQ(XbDateToStored(XbDateFromStored("99991231")), "99991231");
    EXPECT_EQ(XbDateFromStored("20240301") - XbDateFromStored("20240228"), 2);
    EXPECT_EQ(XbDateFromStored("2024022"), 0);
    EXPECT_EQ(XbDateFromStored("2024x228"), 0);
    EXPECT_EQ(XbDateToStored(0), "        ");
    EXPECT_EQ(XbEncodeDate(1900, 2, 29), 0);
    // Day numbers are the astronomers' day numbers; no day 0, month 0 or 13, April 31.
    EXPECT_EQ(XbEncodeDate(2000, 1, 1), 2451545);
    EXPECT_EQ(XbEncodeDate(9999, 12, 31), 5373484);
    EXPECT_EQ(XbEncodeDate(2024, 3, 0), 0);
    EXPECT_EQ(XbEncodeDate(2024, 0, 1), 0);
    EXPECT_EQ(XbEncodeDate(2024, 13, 1), 0);
    EXPECT_EQ(XbEncodeDate(2024, 4, 31), 0);
    EXPECT_EQ(XbEncodeDate(0, 1, 1), 0);
    EXPECT_EQ(XbEncodeDate(10000, 1, 1), 0);
    EXPECT_EQ(XbDateFromStored("20240300"), 0);
    EXPECT_EQ(XbDateToStored(5373484 + 1), "        "); // past 9999-12-31
    int y, m, d;
    XbDecodeDate(XbEncodeDate(2000, 2, 29), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
}

TEST(XbExprValues, TextForms) {
    TXbValue v;
    v.Type = xtNumeric;
    v.Number = -12.5;
    v.Decimals = 2;
    EXPECT_EQ(XbValueText(v), "-12.50");
    v.Type = xtLogical;
    v.Logical = true;
    EXPECT_EQ(XbValueText(v), ".T.");
    v.Type = xtDate;
    v.Date = XbEncodeDate(2024, 1, 5);
    EXPECT_EQ(XbValueText(v), "01/05/24");
    int decimals = 0;
    EXPECT_DOUBLE_EQ(XbVal(" +3.250", decimals), 3.25);
    EXPECT_EQ(decimals, 3);
}

} // namespace
