#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(StringsTest, Win1252AndUtf8RoundTrip) {
    // e acute, pound, euro, s caron, y diaeresis
    const std::string ansi = "caf\xE9 \xA3\x31 \x80 \x9A\xFF";
    const std::string utf8 = "caf\xC3\xA9 \xC2\xA3\x31 \xE2\x82\xAC \xC5\xA1\xC3\xBF";
    EXPECT_EQ(Win1252ToUtf8(ansi), utf8);
    EXPECT_EQ(Utf8ToWin1252(utf8), ansi);
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += static_cast<char>(b);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(everyByte)), everyByte);
}

TEST(StringsTest, Utf8WithoutWin1252FormGivesQuestionMarks) {
    EXPECT_EQ(Utf8ToWin1252("\xE4\xB8\xAD|\xF0\x9F\x98\x80|"), "?|?|"); // CJK, emoji
    EXPECT_EQ(Utf8ToWin1252("a\xC3"), "a?");                            // cut sequence
    EXPECT_EQ(Utf8ToWin1252("\xC0\xAF\xED\xA0\x80"), "?????") << "overlong and surrogate";
    EXPECT_EQ(Utf8ToWin1252("\xFF\x80x"), "??x");
}

TEST(StringsTest, AnsiCaseCoversAccentedLetters) {
    EXPECT_EQ(AnsiUpperCase("\xE9t\xE9 \x9C\x9A\x9E\xFF \xDF \xF7"),
              "\xC9T\xC9 \x8C\x8A\x8E\x9F \xDF \xF7");
    EXPECT_EQ(AnsiLowerCase("\xC0\xC7\xD6 \xD7 \x9F"), "\xE0\xE7\xF6 \xD7 \xFF");
    EXPECT_EQ(AnsiUpperChar('\xF1'), '\xD1');
    EXPECT_EQ(AnsiLowerChar('Q'), 'q');
    EXPECT_EQ(UpperCase("abc\xE9"), "ABC\xE9");
    EXPECT_EQ(LowerCase("ABC\xC9"), "abc\xC9");
}

TEST(StringsTest, Comparisons) {
    EXPECT_EQ(AnsiCompareText("\xC9t\xE9", "\xE9T\xC9"), 0);
    EXPECT_LT(AnsiCompareText("cote", "c\xF4t\xE9"), 0);
    EXPECT_LT(AnsiCompareText("c\xF4t\xE9", "cotf"), 0) << "accent weighs less than a letter";
    EXPECT_LT(AnsiCompareText("abc", "ABCD"), 0);
    EXPECT_LT(AnsiCompareStr("a", "B"), 0);
    EXPECT_LT(AnsiCompareStr("abc", "Abc"), 0);
    EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
    EXPECT_TRUE(AnsiSameText("\xDC"
                             "ber",
                             "\xFC"
                             "BER"));
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_FALSE(SameText("\xE9", "\xC9"));
}

TEST(StringsTest, TrimAndOneBasedPositions) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x \x01"), "  x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Pos("lo", "hello"), 4);
    EXPECT_EQ(Pos("z", "hello"), 0);
    EXPECT_EQ(Pos("", "hello"), 0);
    EXPECT_EQ(Copy("hello", 2, 3), "ell");
    EXPECT_EQ(Copy("hello", 0, 2), "he");
    EXPECT_EQ(Copy("hello", 4, 99), "lo");
    EXPECT_EQ(Copy("hello", 6, 1), "");
    EXPECT_EQ(Copy("hello", 2, -1), "");
    std::string s = "hello";
    Delete(s, 2, 2);
    EXPECT_EQ(s, "hlo");
    Delete(s, 9, 1);
    Delete(s, 0, 1);
    EXPECT_EQ(s, "hlo");
    Insert("el", s, 2);
    EXPECT_EQ(s, "hello");
    Insert("!", s, 99);
    EXPECT_EQ(s, "hello!");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -1), "");
}

TEST(StringsTest, QuotingAndReplacing) {
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
    std::string_view text = "'it''s' rest";
    EXPECT_EQ(AnsiExtractQuotedStr(text, '\''), "it's");
    EXPECT_EQ(text, " rest");
    EXPECT_EQ(AnsiExtractQuotedStr(text, '\''), "");
    EXPECT_EQ(text, " rest");
    std::string_view open = "'abc";
    EXPECT_EQ(AnsiExtractQuotedStr(open, '\''), "abc");
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", {}), "a+b-c");
    EXPECT_EQ(StringReplace("a-b-c", "-", "--", {rfReplaceAll}), "a--b--c");
    EXPECT_EQ(StringReplace("Caf\xC9 caf\xE9", "CAF\xC9", "x", {rfReplaceAll, rfIgnoreCase}),
              "x x");
    EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
}

TEST(StringsTest, ShortStringsInRecordSlots) {
    std::array<Byte, 6> slot;
    slot.fill(0xEE);
    WriteShortString(slot.data(), slot.size(), "abcdefgh");
    EXPECT_EQ(slot, (std::array<Byte, 6>{5, 'a', 'b', 'c', 'd', 'e'}));
    EXPECT_EQ(ReadShortString(slot.data(), slot.size()), "abcde");
    WriteShortString(slot.data(), slot.size(), "xy");
    EXPECT_EQ(slot, (std::array<Byte, 6>{2, 'x', 'y', 0, 0, 0}));
    slot[0] = 200; // a damaged length byte reads no further than the slot
    EXPECT_EQ(ReadShortString(slot.data(), slot.size()).size(), 5u);
    EXPECT_EQ(ReadShortString(slot.data(), 0), "");
    std::array<Byte, 300> big{};
    WriteShortString(big.data(), big.size(), std::string(299, 'z'));
    EXPECT_EQ(big[0], 255);
    EXPECT_EQ(big[256], 0);
}

TEST(StringsTest, LongestFittingFindsTheLastLengthThatFits) {
    int asked = 0;
    auto upTo = [&](std::size_t limit) {
        return [&asked, limit](std::size_t n) {
            ++asked;
            return n <= limit;
        };
    };
    EXPECT_EQ(LongestFitting(1000000, upTo(654321)), 654321u);
    EXPECT_LE(asked, 21); // halving: about log2 of the length
    EXPECT_EQ(LongestFitting(10, upTo(0)), 0u);
    EXPECT_EQ(LongestFitting(10, upTo(10)), 10u);
    EXPECT_EQ(LongestFitting(10, upTo(99)), 10u); // never beyond the length
    EXPECT_EQ(LongestFitting(0, upTo(5)), 0u);
}

} // namespace
