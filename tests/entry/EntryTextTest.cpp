#include "controls/entry/EntryText.h"

#include <gtest/gtest.h>

namespace {

// What the routine makes of text, edited in place.
template <typename F>
std::string Edited(std::string text, F routine) {
    routine(text);
    return text;
}

// The text the routine writes for the value over an earlier text, which it must replace.
template <typename F, typename V>
std::string Written(F routine, V value) {
    std::string s = "earlier";
    routine(s, value);
    return s;
}

TEST(VcUtilFind, CharsAndTexts) {
    int pos = -1;
    EXPECT_TRUE(PCharFindChar("abcabc", 'c', pos));
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(PCharFindChar("", 'c', pos));
    EXPECT_FALSE(PCharFindChar("abc", 'x', pos));
    EXPECT_TRUE(PCharFindStr("hello world", "wor", pos));
    EXPECT_EQ(pos, 6);
    EXPECT_FALSE(PCharFindStr("hello", "", pos));
    EXPECT_FALSE(PCharFindStr("", "a", pos));
    EXPECT_FALSE(PCharFindStr("ab", "abc", pos));
}

TEST(VcUtilEdit, InsertDeleteCopyFill) {
    std::string s = "abc";
    PCharInsertChar(s, 'X', 1);
    EXPECT_EQ(s, "aXbc");
    PCharInsertChar(s, 'Y', 99);
    EXPECT_EQ(s, "aXbcY");
    PCharInsertStr(s, "--", -3);
    EXPECT_EQ(s, "--aXbcY");
    PCharInsertChars(s, '0', 3, 2);
    EXPECT_EQ(s, "--000aXbcY");
    PCharDeleteChar(s, 0);
    EXPECT_EQ(s, "-000aXbcY");
    PCharDeleteChar(s, 9);
    PCharDeleteChar(s, -1);
    EXPECT_EQ(s, "-000aXbcY");
    s = "abcdef";
    PCharDelete(s, 4, 10);
    EXPECT_EQ(s, "abcd");
    PCharDelete(s, 1, 2);
    EXPECT_EQ(s, "ad");
    std::string d = "old";
    PCharCopy(d, "abcdef", 2, 3);
    EXPECT_EQ(d, "cde");
    PCharCopy(d, "abcdef", 4, 30);
    EXPECT_EQ(d, "ef");
    PCharCopy(d, "abcdef", 6, 1);
    EXPECT_EQ(d, "");
    PCharFill(d, '*', 4);
    EXPECT_EQ(d, "****");
    PCharFill(d, '*', -4);
    EXPECT_EQ(d, "");
}

TEST(VcUtilTrim, BlanksZerosAndControls) {
    EXPECT_EQ(Edited("  a b  ", PCharTrim), "a b");
    EXPECT_EQ(Edited("   ", PCharTrim), "");
    EXPECT_EQ(Edited("ab \t\r\n ", PCharTrimRight), "ab");
    EXPECT_EQ(Edited("  12.500", PCharTrimZeros), "12.5");
    EXPECT_EQ(Edited("12.000", PCharTrimZeros), "12");
}

TEST(VcUtilCompare, FirstCountCharacters) {
    EXPECT_EQ(PCharCompare("abc", "abd", 2), 0);
    EXPECT_EQ(PCharCompare("abc", "abd", 3), -1);
    EXPECT_EQ(PCharCompare("abd", "abc", 3), 1);
    EXPECT_EQ(PCharCompare("x", "y", 0), 0);
    EXPECT_EQ(PCharCompare("ab", "abc", 5), -1);
    EXPECT_EQ(PCharCompare("ab", "ab", 5), 0);
    EXPECT_EQ(PCharCompare("\xE9", "e", 1), 1);
}

TEST(VcUtilRadix, DigitTexts) {
    EXPECT_EQ(Written(HexLToPChar, 255), "000000FF");
    EXPECT_EQ(Written(HexLToPChar, -1), "FFFFFFFF");
    EXPECT_EQ(Written(HexWToPChar, 0xBEEF), "BEEF");
    EXPECT_EQ(Written(OctalLToPChar, 8), "000000000010");
    EXPECT_EQ(Written(OctalLToPChar, -1), "037777777777");
    const std::string s = Written(BinaryLToPChar, 5);
    EXPECT_EQ(s.size(), 32u);
    EXPECT_EQ(s.substr(29), "101");
    EXPECT_EQ(s.substr(0, 29), std::string(29, '0'));
}

TEST(VcUtilExponent, TrimExponentZeros) {
    EXPECT_EQ(Edited("1.2300E+005", TrimExponentZeros), "1.23E+5");
    EXPECT_EQ(Edited("1.000E-010", TrimExponentZeros), "1E-10");
    EXPECT_EQ(Edited("100E+000", TrimExponentZeros), "100E+0");
    EXPECT_EQ(Edited("12.5", TrimExponentZeros), "12.5");
}

TEST(VcUtilFixFloat, TidiesTypedNumbers) {
    auto fixed = [](const std::string& s, char sep) {
        return Edited(s, [sep](std::string& t) { FixFloatText(t, sep); });
    };
    EXPECT_EQ(fixed("", '.'), "0");
    EXPECT_EQ(fixed("   ", '.'), "0");
    EXPECT_EQ(fixed(" 12. ", '.'), "12");
    EXPECT_EQ(fixed(".5", '.'), "0.5");
    EXPECT_EQ(fixed("-.5", '.'), "-0.5");
    EXPECT_EQ(fixed("12,5", ','), "12.5");
    EXPECT_EQ(fixed(",5", ','), "0.5");
    EXPECT_EQ(fixed("12,", ','), "12");
    EXPECT_EQ(fixed("12 . 5", '.'), "12.5");
    EXPECT_EQ(fixed("1E5", '.'), "1.00000E5");
    EXPECT_EQ(fixed("1.5E5", '.'), "1.500000E5");
    EXPECT_EQ(fixed("1.234567890123E5", '.'), "1.234567890123E5");
    EXPECT_EQ(fixed(".", '.'), "0");
}

TEST(VcUtilCase, OneCharacter) {
    EXPECT_EQ(UpCaseChar('a'), 'A');
    EXPECT_EQ(UpCaseChar('\xE9'), '\xC9');
    EXPECT_EQ(LowCaseChar('\xC9'), '\xE9');
    EXPECT_EQ(LowCaseChar('Q'), 'q');
    EXPECT_EQ(UpCaseChar('1'), '1');
}

TEST(VcUtilToLong, DecimalAndHexadecimal) {
    LongInt n = 0;
    EXPECT_TRUE(PCharToLong("0x1F", n));
    EXPECT_EQ(n, 31);
    EXPECT_TRUE(PCharToLong("$ff  ", n));
    EXPECT_EQ(n, 255);
    EXPECT_TRUE(PCharToLong("-123", n));
    EXPECT_EQ(n, -123);
    EXPECT_FALSE(PCharToLong("12a", n));
    EXPECT_EQ(n, 2);
    EXPECT_FALSE(PCharToLong("99999999999", n));
    EXPECT_FALSE(PCharToLong(std::string(300, '1'), n));
}

} // namespace
