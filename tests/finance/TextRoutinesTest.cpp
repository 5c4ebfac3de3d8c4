#include "finance/TextRoutines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string Formatted(const std::string& picture, double value, const std::string& left = "$",
                      const std::string& right = "DM", char point = '.', char comma = ',') {
    std::string dest;
    FormatNumberText(dest, picture, point, comma, left, right, value);
    return dest;
}

using TLines = std::pair<std::string, std::string>;

// The first line WordWrapLine cuts from text, and the rest, written over earlier texts.
TLines Wrapped(const std::string& text, bool pad, int width) {
    TLines cut{"earlier", "texts"};
    WordWrapLine(cut.first, text, cut.second, pad, width);
    return cut;
}

// The value FloatToStrZ writes over an earlier text.
std::string FloatText(double value, int width, int decimals) {
    std::string s = "earlier";
    FloatToStrZ(s, value, width, decimals);
    return s;
}

TEST(LoUtilWordWrap, CutsAtWordBoundaries) {
    EXPECT_EQ(Wrapped("The quick brown fox", false, 10), TLines("The quick", "brown fox"));
    EXPECT_EQ(Wrapped("The quick  brown fox", true, 9), TLines("The quick", "brown fox"));
    EXPECT_EQ(Wrapped("Short", true, 10), TLines("Short     ", ""));
    EXPECT_EQ(Wrapped("Extraordinarily long", false, 5), TLines("Extra", "ordinarily long"));
    EXPECT_EQ(Wrapped("   leading", false, 5), TLines("", "leading"));
}

TEST(LoUtilWordWrap, EveryWidthEnds) {
    const std::string text = "  A narrative   of several words, some of them rather lengthy.  ";
    for (int width = -2; width <= 12; ++width) {
        std::string rest = text, line;
        int lines = 0;
        while (!rest.empty() && lines < 100) {
            const std::string s = rest;
            WordWrapLine(line, s, rest, false, width);
            EXPECT_LE(static_cast<int>(line.size()), width > 0 ? width : 1000);
            ++lines;
        }
        EXPECT_TRUE(rest.empty()) << width;
    }
    EXPECT_EQ(Wrapped("all of it", true, 0), TLines("all of it", ""));
}

TEST(LoUtilFormatNumber, DigitsSeparatorsAndOverflow) {
    EXPECT_EQ(Formatted("###,###.##", 1234.5), "  1,234.50");
    EXPECT_EQ(Formatted("##.##", 1234.5), "**.**");
    EXPECT_EQ(Formatted("###,###.##", 234.5), "    234.50");
    EXPECT_EQ(Formatted("###,###.##", 0.125), "      0.13");
    EXPECT_EQ(Formatted("###,###", 1234), "  1,234");
    EXPECT_EQ(Formatted("###,###", 1234.5), "  1,235");
    EXPECT_EQ(Formatted("###,###.##", 1234.5, "$", "", ',', '.'), "  1.234,50");
    EXPECT_EQ(Formatted("Total: ###.## due", 12.5), "Total:  12.50 due");
    // Fractions below a tenth keep their leading zeros; a picture without integer places
    // shows a fraction alone and overflows on a whole number.
    EXPECT_EQ(Formatted("###.##", 0.05), "  0.05");
    EXPECT_EQ(Formatted("#.###", 0.001), "0.001");
    EXPECT_EQ(Formatted(".##", 0.25), ".25");
    EXPECT_EQ(Formatted(".##", 5.25), ".**");
}

TEST(LoUtilFormatNumber, FillsAndSigns) {
    EXPECT_EQ(Formatted("@@@,@@@", 12), "0000012");
    EXPECT_EQ(Formatted("***,***.##", 12.5), "*****12.50");
    EXPECT_EQ(Formatted("###.##", -12.5), "-12.50");
    EXPECT_EQ(Formatted("##.##", -12.5), "**.**");
    EXPECT_EQ(Formatted("+###.##", 12.5), "+ 12.50");
    EXPECT_EQ(Formatted("###.##-", -12.5), " 12.50-");
    EXPECT_EQ(Formatted("###.##-", 12.5), " 12.50 ");
    EXPECT_EQ(Formatted("@@@.##", -1), "***.**");
    EXPECT_EQ(Formatted("@@@.##+", -1), "001.00-");
}

TEST(LoUtilFormatNumber, Currency) {
    EXPECT_EQ(Formatted("$$$,$$$.##", 1234.5), " $1,234.50");
    EXPECT_EQ(Formatted("$$$,$$$.##", -5), "    -$5.00");
    // The floating sign stands right before the first digit, never before a separator.
    EXPECT_EQ(Formatted("$###,###,###.##", 900.5), "        $900.50");
    EXPECT_EQ(Formatted("$###,###,###.##", -30456.78), "    -$30,456.78");
    EXPECT_EQ(Formatted("###,###", -123), "   -123");
    EXPECT_EQ(Formatted("cc##,###.##", 1234.5, "Fr"), "Fr 1,234.50");
    EXPECT_EQ(Formatted("ccc##.##", 3, "$"), "$   3.00");
    EXPECT_EQ(Formatted("#,###.##CCC", 1234.5), "1,234.50 DM");
    EXPECT_EQ(Formatted("##.##C", 1, "", "DM"), " 1.00D");
}

TEST(LoUtilFormatNumber, NonFiniteValuesOverflow) {
    EXPECT_EQ(Formatted("###.##", std::numeric_limits<double>::infinity()), "***.**");
    EXPECT_EQ(Formatted("###.##", std::numeric_limits<double>::quiet_NaN()), "***.**");
}

TEST(LoUtilStrings, PadTrimAndEdit) {
    std::string s = "ab";
    StrPadRightZ(s, '.', 5);
    EXPECT_EQ(s, "ab...");
    StrPadRightZ(s, 3);
    EXPECT_EQ(s, "ab...");
    s = "7";
    StrPadLeftZ(s, '0', 3);
    EXPECT_EQ(s, "007");
    StrPadLeftZ(s, 5);
    EXPECT_EQ(s, "  007");
    s = " \t\r text ";
    StrTrimLeftZ(s);
    EXPECT_EQ(s, "text ");
    std::string dest;
    TrimCopy(dest, "   x");
    EXPECT_EQ(dest, "x");
    StrFillZ(dest, '-', 3);
    EXPECT_EQ(dest, "---");
    EXPECT_TRUE(StrHasChar("a&b", '&'));
    EXPECT_FALSE(StrHasChar("ab", '&'));
    s = "ace";
    InsertStrZ(s, "b", 1);
    InsertStrZ(s, "d", 99);
    EXPECT_EQ(s, "abced");
    DeleteCharZ(s, 3);
    DeleteCharZ(s, 10);
    EXPECT_EQ(s, "abcd");
    EXPECT_EQ(CharUpperAnsi('\xE0'), '\xC0');
}

TEST(LoUtilStrings, FloatToStrZ) {
    EXPECT_EQ(FloatText(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(FloatText(-2.5, 0, 1), "-2.5");
    EXPECT_EQ(FloatText(-0.001, 0, 2), "0.00");
    EXPECT_EQ(FloatText(125.125, 0, 2), "125.13");
    EXPECT_EQ(FloatText(0.0625, 0, 4), "0.0625");
    EXPECT_EQ(FloatText(1e15, 0, 0), "1000000000000000");
}

TEST(LoUtilShortStrings, PositionsCountFromOne) {
    int pos = -1;
    EXPECT_TRUE(FindCharPos("abc", 'c', pos));
    EXPECT_EQ(pos, 3);
    EXPECT_FALSE(FindCharPos("abc", 'x', pos));
    EXPECT_EQ(pos, 0);
    EXPECT_TRUE(FindCharPosShort("xyz", 'x', pos));
    EXPECT_EQ(pos, 1);
    EXPECT_FALSE(FindCharPosShort(std::string(300, 'a') + "b", 'b', pos));
    EXPECT_EQ(PadRight("ab", 4), "ab  ");
    EXPECT_EQ(PadRightChar("ab", '*', 3), "ab*");
    EXPECT_EQ(PadRightChar("abcdef", '*', 3), "abcdef");
    EXPECT_EQ(PadRight("", 1000).size(), 255u);
    std::string s = "ac";
    InsertCharAt(s, 'b', 2);
    EXPECT_EQ(s, "abc");
    DeleteCharAt(s, 1);
    EXPECT_EQ(s, "bc");
    DeleteCharAt(s, 0);
    EXPECT_EQ(s, "bc");
    AppendChar(s, 'd');
    EXPECT_EQ(s, "bcd");
}

} // namespace
