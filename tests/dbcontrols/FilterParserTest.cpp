#include "dbcontrols/FilterParser.h"

#include "db/EngineRecords.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

// A table of the register's kinds of field.
class TTestTable : public TFilterTable {
public:
    bool FieldOperand(const std::string& Name, TOperandType& Type, int& Size) const override {
        static const std::map<std::string, std::pair<TOperandType, int>> fields = {
            {"NAME", {otString, 10}},   {"AMOUNT", {otFloat, 0}},   {"COUNT", {otInteger, 0}},
            {"QTY", {otSmallInt, 0}},   {"PAID", {otBoolean, 0}},   {"WHEN", {otDate, 0}},
            {"PRICE", {otBCD, 2}},      {"AT", {otTime, 0}},        {"STAMP", {otDateTime, 0}},
            {"NOTE", {otFieldName, 0}}, {"NOTE2", {otFieldName, 0}}};
        std::string upper = Name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const auto it = fields.find(upper);
        if (it == fields.end()) return false;
        Type = it->second.first;
        Size = it->second.second;
        return true;
    }
};

std::string Hex(const std::vector<Byte>& block) {
    std::string out;
    char buffer[4];
    for (Byte b : block) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        out += buffer;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

Word W(const std::vector<Byte>& b, std::size_t at) {
    return static_cast<Word>(b[at] | (b[at + 1] << 8));
}

// The block read back as a prefix text, checking every offset against the header: fields as
// their names, constants as type:value.
class TBlockReader {
public:
    explicit TBlockReader(const std::vector<Byte>& b) : b_(b) {}
    std::string Node(Word offset) const {
        const std::size_t at = 10 + offset;
        EXPECT_LT(at + 14, static_cast<std::size_t>(W(b_, 8)) + 1);
        const Word kind = W(b_, at);
        const Word op = W(b_, at + 4);
        if (kind == 2) {
            static const std::map<Word, std::string> ops = {
                {3, "="},    {4, "<>"},  {5, ">"},  {6, "<"},  {7, ">="}, {8, "<="},
                {10, "AND"}, {11, "OR"}, {16, "+"}, {17, "-"}, {18, "*"}, {19, "/"}};
            return "(" + ops.at(op) + " " + Node(W(b_, at + 8)) + " " + Node(W(b_, at + 10)) + ")";
        }
        if (kind == 4) return Text(W(b_, at + 10));
        const Word type = W(b_, at + 8);
        const Word offsetInPool = W(b_, at + 12);
        EXPECT_LE(W(b_, 8) + offsetInPool + W(b_, at + 10), W(b_, 2));
        const Byte* v = &b_[W(b_, 8) + offsetInPool];
        switch (type) {
        case 1: return "s:" + Text(offsetInPool);
        case 4:
        case 5: {
            SmallInt x;
            std::memcpy(&x, v, 2);
            return std::to_string(type) + ":" + std::to_string(x);
        }
        case 2:
        case 6:
        case 10: {
            LongInt x;
            std::memcpy(&x, v, 4);
            return std::to_string(type) + ":" + std::to_string(x);
        }
        default: {
            double x;
            std::memcpy(&x, v, 8);
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%u:%.17g", type, x);
            return buffer;
        }
        }
    }
    std::string Text(Word offset) const {
        return reinterpret_cast<const char*>(&b_[W(b_, 8) + offset]);
    }

private:
    const std::vector<Byte>& b_;
};

std::string Tree(const std::string& text) {
    const std::vector<Byte> block = BuildFilterExpr(text, TTestTable());
    if (block.empty()) return "nil";
    EXPECT_EQ(W(block, 0), 1);
    EXPECT_EQ(W(block, 2), block.size());
    EXPECT_EQ(W(block, 6), 10);
    EXPECT_EQ(W(block, 8), W(block, 4) * 14 + 10);
    return TBlockReader(block).Node(0);
}

class FilterParser : public ::testing::Test {
protected:
    void SetUp() override { saved_ = FormatSettings(); }
    void TearDown() override { FormatSettings() = saved_; }
    TRecordedServices services_;
    TFormatSettings saved_;
};

} // namespace

TEST_F(FilterParser, StringComparisonAsHexDump) {
    const std::vector<Byte> block = BuildFilterExpr("NAME = \"Smith\"", TTestTable());
    EXPECT_EQ(Hex(block), "01 00 3F 00 03 00 0A 00 34 00 "
                          "02 00 00 00 03 00 00 00 1C 00 0E 00 00 00 "
                          "05 00 00 00 0E 00 00 00 01 00 06 00 05 00 "
                          "04 00 00 00 0D 00 00 00 01 00 00 00 00 00 "
                          "4E 41 4D 45 00 53 6D 69 74 68 00");
}

TEST_F(FilterParser, IntegerAndBooleanConstantsAsHexDump) {
    const std::vector<Byte> block = BuildFilterExpr("COUNT >= -7 OR PAID = t", TTestTable());
    EXPECT_EQ(Hex(block), "01 00 7D 00 07 00 0A 00 6C 00 "
                          "02 00 00 00 0B 00 00 00 38 00 0E 00 00 00 " // OR
                          "02 00 00 00 03 00 00 00 2A 00 1C 00 00 00 " // =
                          "05 00 00 00 0E 00 00 00 04 00 02 00 0F 00 " // t
                          "04 00 00 00 0D 00 00 00 02 00 0A 00 00 00 " // PAID
                          "02 00 00 00 07 00 00 00 54 00 46 00 00 00 " // >=
                          "05 00 00 00 0E 00 00 00 06 00 04 00 06 00 " // -7
                          "04 00 00 00 0D 00 00 00 01 00 00 00 00 00 " // COUNT
                          "43 4F 55 4E 54 00 F9 FF FF FF 50 41 49 44 00 01 00");
}

TEST_F(FilterParser, ConstantsTakeTheTypeOfTheirField) {
    EXPECT_EQ(Tree("NAME = \"Smith  \""), "(= NAME s:Smith  )");
    EXPECT_EQ(Tree("NAME = Smith  "), "(= NAME s:Smith)");
    EXPECT_EQ(Tree("QTY < 12"), "(< QTY 5:12)");
    EXPECT_EQ(Tree("AMOUNT > 2.5"), "(> AMOUNT 7:2.5)");
    EXPECT_EQ(Tree("PAID = False"), "(= PAID 4:0)");
    EXPECT_EQ(Tree("NOTE = NOTE2"), "(= NOTE NOTE2)");
    FormatSettings().ShortDateFormat = "M/d/yyyy";
    FormatSettings().DateSeparator = '/';
    EXPECT_EQ(Tree("WHEN = \"1/2/2026\""), "(= WHEN 2:" + std::to_string(739618) + ")");
    EXPECT_EQ(Tree("AT < \"10:30\""), "(< AT 10:37800000)");
    const double stamp = (739618.0 * 86400000.0) + 37800000.0;
    char expected[64];
    std::snprintf(expected, sizeof expected, "(= STAMP 11:%.17g)", stamp);
    EXPECT_EQ(Tree("STAMP = \"1/2/2026 10:30\""), expected);
    // Times whose share of a day does not multiply back exactly round to the millisecond.
    EXPECT_EQ(Tree("AT < \"0:13\""), "(< AT 10:780000)");
    std::snprintf(expected, sizeof expected, "(= STAMP 11:%.17g)", 739618.0 * 86400000.0 + 60000);
    EXPECT_EQ(Tree("STAMP = \"1/2/2026 0:01\""), expected);
    // Far in the future a second's share of the day comes back a few hundredths of a
    // millisecond off; the stamp still holds the whole millisecond.
    std::snprintf(expected, sizeof expected, "(= STAMP 11:%.17g)", 275926521603000.0);
    EXPECT_EQ(Tree("STAMP = \"10/6/8744 0:00:03\""), expected);
}

TEST_F(FilterParser, BcdConstantsAreZeroFilledWithTheFieldScale) {
    EXPECT_EQ(Tree("AMOUNT > -12.5"), "(> AMOUNT 7:-12.5)");
    const std::vector<Byte> block = BuildFilterExpr("PRICE = -12.5", TTestTable());
    ASSERT_FALSE(block.empty());
    const Word constant = 10 + 14; // the right operand of the root
    EXPECT_EQ(W(block, constant + 8), 8);
    EXPECT_EQ(W(block, constant + 10), 34);
    const Byte* bcd = &block[W(block, 8) + W(block, constant + 12)];
    EXPECT_EQ(bcd[0], 32);
    EXPECT_EQ(bcd[1], 0x82); // negative, two decimals
    // 32 digits, the last four 1250, then 16 zero bytes.
    for (int i = 2; i < 15; ++i)
        EXPECT_EQ(bcd[i], 0) << i;
    EXPECT_EQ(bcd[15], 0x00);
    EXPECT_EQ(bcd[16], 0x12);
    EXPECT_EQ(bcd[17], 0x50);
    for (int i = 18; i < 34; ++i)
        EXPECT_EQ(bcd[i], 0) << i;
}

TEST_F(FilterParser, GroupingOfOperators) {
    EXPECT_EQ(Tree("AMOUNT * NOTE / NOTE2"), "(* AMOUNT (/ NOTE NOTE2))");
    EXPECT_EQ(Tree("AMOUNT - 1 - 2"), "(- (- AMOUNT 7:1) 2)"); // only a field types a constant
    EXPECT_EQ(Tree("QTY = 1 AND COUNT = 2 OR PAID = T"),
              "(OR (AND (= QTY 5:1) (= COUNT 6:2)) (= PAID 4:1))");
    EXPECT_EQ(Tree("QTY = 1 AND (COUNT = 2 OR PAID = T)"),
              "(AND (= QTY 5:1) (OR (= COUNT 6:2) (= PAID 4:1)))");
    // Each relation has its own operator code.
    for (const char* op : {"=", "<>", ">", "<", ">=", "<="})
        EXPECT_EQ(Tree(std::string("QTY ") + op + " 3"), std::string("(") + op + " QTY 5:3)")
            << op;
}

TEST_F(FilterParser, TokenizerQuirks) {
    // A plus sign written against a field and a digit makes one identifier, a field name.
    EXPECT_EQ(Tree("NOTE = NOTE+1"), "(= NOTE NOTE+1)");
    // After a relation a word beginning with OR is the connective and the rest the next token.
    EXPECT_EQ(Tree("QTY = 1 ORQTY = 2"), "(OR (= QTY 5:1) (= QTY 5:2))");
    // "=>" is no relational operator: the condition is the field alone, the rest is ignored.
    EXPECT_EQ(Tree("QTY => 3"), "QTY");
    // A token of 70 characters is cut to 64 and the rest is the next token.
    const std::string long70(70, 'X');
    EXPECT_EQ(Tree("NOTE = " + long70), "(= NOTE " + std::string(64, 'X') + ")");
    // Names compare without regard to case.
    EXPECT_EQ(Tree("qty = 4"), "(= qty 5:4)");
}

TEST_F(FilterParser, GrammarFaultsGiveNilSilently) {
    for (const char* text : {"", "QTY =", "(QTY = 1", "= 1", "QTY = 1 AND", "QTY = )", "QTY = <"})
        EXPECT_EQ(Tree(text), "nil") << text;
    EXPECT_EQ(Tree("QTY = 1) junk"), "(= QTY 5:1)"); // text after the condition is ignored
    EXPECT_TRUE(services_.MessageBoxes.empty());
}

TEST_F(FilterParser, UnknownFieldIsReported) {
    EXPECT_EQ(Tree("BALANCE > 10"), "nil");
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "BALANCE\rField not found in Table. ");
    EXPECT_EQ(services_.MessageBoxes[0].Type, mtWarning);
}

TEST_F(FilterParser, ConstantsThatDoNotConvertRaise) {
    EXPECT_THROW(BuildFilterExpr("QTY = abc", TTestTable()), EConvertError);
    EXPECT_THROW(BuildFilterExpr("QTY = 40000", TTestTable()), EConvertError);
    EXPECT_THROW(BuildFilterExpr("WHEN = 31/31/2026", TTestTable()), EConvertError);
}

TEST_F(FilterParser, OverlongAndDeepTextsFailWithoutOverrun) {
    // A token is cut to 64 characters: the quoted constant keeps 62 of its letters.
    std::string text = "NAME = \"" + std::string(300, 'a') + "\"";
    EXPECT_EQ(Tree(text), "(= NAME s:" + std::string(62, 'a') + ")");
    text = "NAME = \"" + std::string(60, 'a') + "\"";
    for (int i = 0; i < 14; ++i)
        text += " OR NAME = \"" + std::string(60, 'b') + "\"";
    EXPECT_NE(Tree(text), "nil"); // 15 comparisons of 66 bytes each fit the pool
    text += " OR NAME = \"" + std::string(60, 'b') + "\"";
    EXPECT_EQ(Tree(text), "nil"); // the pool would pass 1000 bytes
    EXPECT_EQ(Tree(std::string(5000, '(') + "QTY = 1" + std::string(5000, ')')), "nil");
    std::string sum = "AMOUNT = NOTE";
    for (int i = 0; i < 6000; ++i)
        sum += " + NOTE";
    EXPECT_EQ(Tree(sum), "nil");
}

TEST_F(FilterParser, RandomTextsParseOrFailCleanly) {
    const std::vector<std::string> words = {"NAME",  "QTY", "NOTE", "NOTE2", "(",  ")",   "=", "<>",
                                            ">=",    "AND", "OR",   "+",     "*",  "/",   "-", "1",
                                            "\"x\"", "=>",  " ",    "ORX",   "\"", "-5.5"};
    unsigned seed = 777;
    auto next = [&seed](std::size_t n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 16) % n);
    };
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (std::size_t i = 0, n = 1 + next(14); i < n; ++i)
            text += words[next(words.size())] + " ";
        std::vector<Byte> block;
        try {
            block = BuildFilterExpr(text, TTestTable());
        } catch (const EConvertError&) {
            continue; // a constant of the wrong kind for its field
        }
        if (block.empty()) continue;
        ASSERT_EQ(W(block, 2), block.size()) << text;
        ASSERT_EQ(W(block, 8), W(block, 4) * 14 + 10) << text;
        ASSERT_LE(block.size() - W(block, 8), kFilterPoolSize) << text;
    }
}
