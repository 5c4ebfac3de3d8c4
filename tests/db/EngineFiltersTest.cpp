// Filters, blobs, properties and the unsupported entry points of the call interface.
#include "DbFixture.h"

#include "db/DB.h"
#include "db/EngineBlobs.h"
#include "db/EngineFilters.h"
#include "db/EngineServices.h"

#include <cstring>
#include <limits>

namespace {

class DbiFiltersTest : public DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        MakeLoans("LOANS.DBF", {{"ADAMS", 50}, {"BAKER", 150}, {"SMALL", 250}, {"SMITH", 20}});
        cursor_ = Open("LOANS.DBF");
    }
    TFilterHandle AddText(const char* text, int priority = 1) {
        TFilterHandle f = 0;
        EXPECT_EQ(DbiAddFilter(cursor_, reinterpret_cast<std::intptr_t>(text), priority, false, "",
                               nullptr, &f),
                  dbiOK);
        return f;
    }
    static std::string Condition(TCursorHandle cursor) {
        TWA wa(cursor);
        return xb_DBFilter();
    }
    TCursorHandle cursor_ = 0;
};

// Builds a filter-tree blob: nodes are appended in order, literals after them.
class TTreeBlob {
public:
    // Node offsets are returned for the operands of later nodes.
    int Node(LongWord kind, LongWord op, std::vector<Word> operands) {
        const int at = static_cast<int>(nodes_.size());
        Put32(nodes_, kind);
        Put32(nodes_, op);
        for (Word w : operands)
            Put16(nodes_, w);
        return at;
    }
    Word Literal(const void* data, std::size_t size) {
        const auto at = static_cast<Word>(literals_.size());
        literals_.append(static_cast<const char*>(data), size);
        return at;
    }
    Word Text(const std::string& text) { return Literal(text.c_str(), text.size() + 1); }
    std::string Blob() const {
        std::string blob;
        Put16(blob, 2);
        Put16(blob, static_cast<Word>(10 + nodes_.size() + literals_.size()));
        Put16(blob, 65535);
        Put16(blob, 10);
        Put16(blob, static_cast<Word>(10 + nodes_.size()));
        return blob + nodes_ + literals_;
    }
    // Nodes are referenced before they are written: a parent first, so operands are patched.
    void Patch(int node, int operand, int value) {
        const std::size_t at = static_cast<std::size_t>(node) + 8 + 2 * operand;
        nodes_[at] = static_cast<char>(value & 0xFF);
        nodes_[at + 1] = static_cast<char>(value >> 8);
    }

private:
    static void Put16(std::string& s, Word w) {
        s += static_cast<char>(w & 0xFF);
        s += static_cast<char>(w >> 8);
    }
    static void Put32(std::string& s, LongWord w) {
        Put16(s, static_cast<Word>(w & 0xFFFF));
        Put16(s, static_cast<Word>(w >> 16));
    }
    std::string nodes_;
    std::string literals_;
};

TEST_F(DbiFiltersTest, ExpressionFiltersJoinInSlotOrder) {
    const TFilterHandle a = AddText("AMOUNT > 30");
    const TFilterHandle b = AddText("NAME <> 'SMALL'");
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(Condition(cursor_), "");
    ASSERT_EQ(DbiActivateFilter(cursor_, 0), dbiOK);
    EXPECT_EQ(Condition(cursor_), "(AMOUNT > 30) .and. (NAME <> 'SMALL')");
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER ");
    LongInt count = 0;
    DbiGetRecordCount(cursor_, &count);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(DbiDeactivateFilter(cursor_, a), dbiOK);
    EXPECT_EQ(Condition(cursor_), "(NAME <> 'SMALL')");
    // Dropping a filter that is not active leaves its slot taken.
    ASSERT_EQ(DbiDropFilter(cursor_, a), dbiOK);
    EXPECT_EQ(AddText("NAME = 'X'"), 3u);
    ASSERT_EQ(DbiDeactivateFilter(cursor_, 0), dbiOK);
    EXPECT_EQ(Condition(cursor_), "");
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL SMITH ");
}

TEST_F(DbiFiltersTest, ARefusedConditionLeavesTheFilterInactive) {
    const TFilterHandle good = AddText("AMOUNT > 30");
    const TFilterHandle bad = AddText("NOSUCH > 1");
    ASSERT_EQ(DbiActivateFilter(cursor_, good), dbiOK);
    EXPECT_EQ(DbiActivateFilter(cursor_, bad), dbiBadParameter);
    std::string text;
    DbiGetErrorString(dbiBadParameter, &text);
    EXPECT_EQ(text, "Filter condition cannot be used: (AMOUNT > 30) .and. (NOSUCH > 1)");
    EXPECT_EQ(Condition(cursor_), "(AMOUNT > 30)");
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL ");
    TCursorProps props;
    // A refused filter is not active, yet it can be dropped so its slot comes free.
    ASSERT_EQ(DbiDeactivateFilter(cursor_, good), dbiOK);
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL SMITH ");
    EXPECT_EQ(DbiActivateFilter(cursor_, 0), dbiBadParameter);
    EXPECT_EQ(Condition(cursor_), "");
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL SMITH ");
    ASSERT_EQ(DbiDropFilter(cursor_, bad), dbiOK);
    DbiGetCursorProps(cursor_, &props);
    EXPECT_EQ(props.FilterCount, 1);
    EXPECT_EQ(AddText("NAME = 'X'"), bad);
    // A one-shot search with a refused condition says so too, and leaves the cursor's own.
    ASSERT_EQ(DbiActivateFilter(cursor_, good), dbiOK);
    const TFilterHandle search = AddText("NOSUCH = 1", filterKindSearch);
    EXPECT_EQ(DbiActivateFilter(cursor_, search), dbiBadParameter);
    EXPECT_EQ(Condition(cursor_), "(AMOUNT > 30)");
    ASSERT_EQ(DbiDropFilter(cursor_, search), dbiOK);
}

TEST_F(DbiFiltersTest, NumbersBecomePlainDecimalsAndExponentsAreRead) {
    // AMOUNT > constant, the constant a double of the tree, with the fields of a cursor or none.
    const auto condition = [](double number, TCursorHandle cursor = 0) {
        TTreeBlob tree;
        const int greater = tree.Node(2, 5, {0, 0});
        const int amount = tree.Node(4, 13, {2, tree.Text("AMOUNT")});
        const int value = tree.Node(5, 14, {7, 8, tree.Literal(&number, 8)});
        tree.Patch(greater, 0, amount);
        tree.Patch(greater, 1, value);
        std::string text;
        return FilterTreeCondition(tree.Blob().data(), text, cursor) ? text : "<refused>";
    };
    EXPECT_EQ(condition(100000), "AMOUNT > 100000");
    EXPECT_EQ(condition(1000000), "AMOUNT > 1000000");
    EXPECT_EQ(condition(1e20), "AMOUNT > 100000000000000000000");
    EXPECT_EQ(condition(0.125), "AMOUNT > 0.125");
    EXPECT_EQ(condition(-2.5e-7), "AMOUNT > -0.00000025");
    // The shortest digits that read back as the number, however large or small it is.
    EXPECT_EQ(condition(1e23), "AMOUNT > 100000000000000000000000");
    EXPECT_EQ(condition(5e-324), "AMOUNT > 0." + std::string(323, '0') + "5");
    // Compared with a field of two decimals, a number of more digits than a double holds is
    // written as such a field holds it; one of more decimals than the field keeps them.
    EXPECT_EQ(condition(999999999999999.88), "AMOUNT > 999999999999999.9");
    EXPECT_EQ(condition(999999999999999.88, cursor_), "AMOUNT > 999999999999999.88");
    EXPECT_EQ(condition(100.104, cursor_), "AMOUNT > 100.104");
    EXPECT_EQ(condition(150, cursor_), "AMOUNT > 150");
    EXPECT_EQ(condition(std::numeric_limits<double>::infinity()), "<refused>");
    EXPECT_EQ(condition(std::numeric_limits<double>::quiet_NaN()), "<refused>");
    const TFilterHandle huge = AddText(("AMOUNT < " + condition(1e300).substr(9)).c_str());
    ASSERT_EQ(DbiActivateFilter(cursor_, huge), dbiOK);
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL SMITH ");
    ASSERT_EQ(DbiDropFilter(cursor_, huge), dbiOK);
    // The engine reads a number written with an exponent as that number.
    const TFilterHandle f = AddText("AMOUNT >= 1.5E+2 .and. AMOUNT < 2.5e2");
    ASSERT_EQ(DbiActivateFilter(cursor_, f), dbiOK);
    EXPECT_EQ(Names(cursor_), "BAKER ");
    ASSERT_EQ(DbiDropFilter(cursor_, f), dbiOK);
    const TFilterHandle g = AddText("AMOUNT = 25E-1 * 20");
    ASSERT_EQ(DbiActivateFilter(cursor_, g), dbiOK);
    EXPECT_EQ(Names(cursor_), "ADAMS ");
}

bool NotBaker(std::intptr_t data, const char* record, LongInt) {
    ++*reinterpret_cast<int*>(data);
    return std::strncmp(record + 1, "BAKER", 5) != 0;
}

TEST_F(DbiFiltersTest, DroppingACallbackFilterStopsCallbacksAndKeepsTheCondition) {
    int calls = 0;
    TFilterHandle callback = 0;
    const TFilterHandle text = AddText("AMOUNT > 30");
    ASSERT_EQ(DbiAddFilter(cursor_, reinterpret_cast<std::intptr_t>(&calls), 1, false, nullptr,
                           NotBaker, &callback),
              dbiOK);
    DbiActivateFilter(cursor_, text);
    DbiActivateFilter(cursor_, callback);
    EXPECT_EQ(Names(cursor_), "ADAMS SMALL ");
    EXPECT_GT(calls, 0);
    TCursorProps props;
    DbiGetCursorProps(cursor_, &props);
    EXPECT_EQ(props.FilterCount, 1);
    ASSERT_EQ(DbiDropFilter(cursor_, callback), dbiOK);
    calls = 0;
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL ");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Condition(cursor_), "(AMOUNT > 30)");
}

// A sequence number that falls on a record the callback filters hide lands on the next one
// they accept, or on the last one when none follows (the grid's thumb is placed this way).
TEST_F(DbiFiltersTest, ASequenceNumberNeverLandsOnAHiddenRecord) {
    int calls = 0;
    TFilterHandle callback = 0;
    ASSERT_EQ(DbiAddFilter(cursor_, reinterpret_cast<std::intptr_t>(&calls), 1, false, nullptr,
                           NotBaker, &callback),
              dbiOK);
    DbiActivateFilter(cursor_, callback);
    ASSERT_EQ(DbiSetToSeqNo(cursor_, 2), dbiOK); // BAKER is the second record
    EXPECT_EQ(Current(cursor_), "SMALL");
    ASSERT_EQ(DbiSetToSeqNo(cursor_, 1), dbiOK);
    EXPECT_EQ(Current(cursor_), "ADAMS");
    MakeLoans("TAIL.DBF", {{"ADAMS", 50}, {"BAKER", 150}});
    const TCursorHandle tail = Open("TAIL.DBF");
    ASSERT_EQ(DbiAddFilter(tail, reinterpret_cast<std::intptr_t>(&calls), 1, false, nullptr,
                           NotBaker, &callback),
              dbiOK);
    DbiActivateFilter(tail, callback);
    ASSERT_EQ(DbiSetToSeqNo(tail, 2), dbiOK); // nothing accepted after BAKER
    EXPECT_EQ(Current(tail), "ADAMS");
}

TEST_F(DbiFiltersTest, AHundredFiltersFillTheSlots) {
    for (int i = 1; i <= dbiMaxFilters; ++i)
        AddText("AMOUNT > 0");
    TFilterHandle f = 0;
    EXPECT_EQ(
        DbiAddFilter(cursor_, reinterpret_cast<std::intptr_t>("X"), 1, false, "", nullptr, &f),
        dbiNoMemory);
    EXPECT_EQ(DbiAddFilter(cursor_, 0, 1, false, nullptr, nullptr, &f), dbiNoMemory);
}

TEST_F(DbiFiltersTest, SearchConditionStandsBeforeTheFirstMatch) {
    const TFilterHandle search = AddText("NAME = 'SM'", filterKindSearch);
    ASSERT_EQ(DbiActivateFilter(cursor_, search), dbiOK);
    std::string record = RecordBuffer(cursor_);
    ASSERT_EQ(DbiGetNextRecord(cursor_, 0, record.data(), nullptr), dbiOK);
    EXPECT_EQ(TrimmedName(record), "SMALL");
    EXPECT_EQ(Condition(cursor_), "");
}

TEST_F(DbiFiltersTest, FilterTreesWithoutTextBecomeConditions) {
    // AMOUNT > 100 AND NOT PAID, and NAME = 'SM*' compared case-insensitively on two characters.
    TTreeBlob tree;
    const double hundred = 100;
    const SmallInt no = 0;
    const int root = tree.Node(2, 10, {0, 0});
    const int greater = tree.Node(2, 5, {0, 0});
    const int amount = tree.Node(4, 13, {2, tree.Text("AMOUNT")});
    const int value = tree.Node(5, 14, {7, 8, tree.Literal(&hundred, 8)});
    const int notPaid = tree.Node(1, 9, {0});
    const int paidSet = tree.Node(2, 4, {0, 0});
    const int paid = tree.Node(4, 13, {4, tree.Text("PAID")});
    const int falseValue = tree.Node(5, 14, {4, 2, tree.Literal(&no, 2)});
    tree.Patch(root, 0, greater);
    tree.Patch(root, 1, notPaid);
    tree.Patch(greater, 0, amount);
    tree.Patch(greater, 1, value);
    tree.Patch(notPaid, 0, paidSet);
    tree.Patch(paidSet, 0, paid);
    tree.Patch(paidSet, 1, falseValue);
    std::string condition;
    const std::string blob = tree.Blob();
    ASSERT_TRUE(FilterTreeCondition(blob.data(), condition));
    EXPECT_EQ(condition, "(AMOUNT > 100) .and. (.NOT. (PAID))");

    TFilterHandle f = 0;
    ASSERT_EQ(DbiAddFilter(cursor_, 0, 1, false, blob.data(), nullptr, &f), dbiOK);
    DbiActivateFilter(cursor_, f);
    EXPECT_EQ(Names(cursor_), "BAKER SMALL ");

    TTreeBlob partial;
    const int compare = partial.Node(3, 3, {1, 2, 0, 0});
    const int name = partial.Node(4, 13, {1, partial.Text("NAME")});
    const int sm = partial.Node(5, 14, {1, 3, partial.Text("sm")});
    partial.Patch(compare, 2, name);
    partial.Patch(compare, 3, sm);
    const std::string blob2 = partial.Blob();
    ASSERT_TRUE(FilterTreeCondition(blob2.data(), condition));
    EXPECT_EQ(condition, "UPPER(RTRIM(LEFT(NAME, 2))) == 'SM'");
    ASSERT_EQ(DbiAddFilter(cursor_, 0, 1, false, blob2.data(), nullptr, &f), dbiOK);
    DbiActivateFilter(cursor_, f);
    EXPECT_EQ(Names(cursor_), "SMALL ");

    // A whole-value comparison does not match a longer name, whatever the exact setting.
    TTreeBlob whole;
    const int equal = whole.Node(2, 3, {0, 0});
    const int field = whole.Node(4, 13, {1, whole.Text("NAME")});
    const int smit = whole.Node(5, 14, {1, 5, whole.Text("SMIT")});
    whole.Patch(equal, 0, field);
    whole.Patch(equal, 1, smit);
    const std::string blob3 = whole.Blob();
    ASSERT_TRUE(FilterTreeCondition(blob3.data(), condition));
    EXPECT_EQ(condition, "RTRIM(NAME) == 'SMIT'");
    DbiDeactivateFilter(cursor_, 0);
    ASSERT_EQ(DbiAddFilter(cursor_, 0, 1, false, blob3.data(), nullptr, &f), dbiOK);
    DbiActivateFilter(cursor_, f);
    xb_SetExact(0);
    EXPECT_EQ(Names(cursor_), "");

    // The controls' parser writes version 1 of the same layout; no other version is read.
    std::string version = blob;
    version[0] = 1;
    ASSERT_TRUE(FilterTreeCondition(version.data(), condition));
    EXPECT_EQ(condition, "(AMOUNT > 100) .and. (.NOT. (PAID))");
    version[0] = 3;
    EXPECT_FALSE(FilterTreeCondition(version.data(), condition));

    // A damaged blob is refused, not followed.
    std::string damaged = blob;
    damaged[6] = 120;
    EXPECT_FALSE(FilterTreeCondition(damaged.data(), condition));
    damaged = blob;
    damaged[10 + 8] = 100; // the root's left operand points past the nodes
    EXPECT_EQ(DbiAddFilter(cursor_, 0, 1, false, damaged.data(), nullptr, &f), dbiBadParameter);
}

TEST_F(DbiFiltersTest, BlobsReadFromAnOffsetAndWriteDroppingTheTail) {
    std::string record = RecordBuffer(cursor_);
    ASSERT_EQ(DbiGetNextRecord(cursor_, 0, record.data(), nullptr), dbiOK);
    ASSERT_EQ(DbiPutBlob(cursor_, record.data(), 5, 0, 4, "abcd"), dbiOK);
    char out[16] = {};
    LongInt count = -1;
    EXPECT_EQ(DbiGetBlob(cursor_, record.data(), 5, 0, 10, out, &count), dbiEndOfBlob);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(std::string(out, 4), "abcd");
    EXPECT_EQ(DbiGetBlob(cursor_, record.data(), 5, 1, 2, out, &count), dbiOK);
    EXPECT_EQ(std::string(out, 2), "bc");
    EXPECT_EQ(DbiGetBlob(cursor_, record.data(), 5, 5, 2, out, &count), dbiBadParameter);
    EXPECT_EQ(count, 0);
    // Past the end: refused, nothing changes; inside: what followed is dropped.
    EXPECT_EQ(DbiPutBlob(cursor_, record.data(), 5, 6, 2, "yz"), dbiEndOfBlob);
    LongInt size = 0;
    ASSERT_EQ(DbiGetBlobSize(cursor_, record.data(), 5, &size), dbiOK);
    EXPECT_EQ(size, 4);
    ASSERT_EQ(DbiPutBlob(cursor_, record.data(), 5, 4, 2, "ef"), dbiOK);
    ASSERT_EQ(DbiPutBlob(cursor_, record.data(), 5, 1, 2, "BC"), dbiOK);
    DbiGetBlobSize(cursor_, record.data(), 5, &size);
    EXPECT_EQ(size, 3);
    DbiGetBlob(cursor_, record.data(), 5, 0, 3, out, &count);
    EXPECT_EQ(std::string(out, 3), "aBC");
    ASSERT_EQ(DbiTruncateBlob(cursor_, record.data(), 5, 9), dbiOK);
    DbiGetBlobSize(cursor_, record.data(), 5, &size);
    EXPECT_EQ(size, 3);
    ASSERT_EQ(DbiPutBlob(cursor_, record.data(), 5, 2, 1, "c"), dbiOK);
    // Offsets far past the end never make a blob of that size.
    for (const LongInt far : {50000000, 0x7FFFFFF0})
        EXPECT_EQ(DbiPutBlob(cursor_, record.data(), 5, far, 1, "x"), dbiEndOfBlob);
    std::string text;
    DbiGetErrorString(dbiEndOfBlob, &text);
    EXPECT_EQ(text, "Blob write at 2147483632 lies past its end at 3");
    const std::string huge(static_cast<std::size_t>(dbiMaxBlobSize), 'h');
    EXPECT_EQ(DbiPutBlob(cursor_, record.data(), 5, 1, dbiMaxBlobSize, huge.data()),
              dbiEndOfBlob);
    DbiGetBlobSize(cursor_, record.data(), 5, &size);
    EXPECT_EQ(size, 3);
    // A blob open for writing may grow to the limit itself.
    std::string held = record;
    ASSERT_EQ(DbiOpenBlob(cursor_, held.data(), 5, bmReadWrite), dbiOK);
    EXPECT_EQ(DbiPutBlob(cursor_, held.data(), 5, 0, dbiMaxBlobSize, huge.data()), dbiOK);
    DbiGetBlobSize(cursor_, held.data(), 5, &size);
    EXPECT_EQ(size, dbiMaxBlobSize);
    DbiFreeBlob(cursor_, held.data(), 5);
    ASSERT_EQ(DbiModifyRecord(cursor_, record.data(), true), dbiOK);
    DbiExit();
    const std::string out2 = Dbfread("print([r['NOTE'] for r in dbfread.DBF('LOANS.DBF')])\n");
    if (out2.empty()) GTEST_SKIP() << "python3-dbfread is not installed";
    EXPECT_EQ(out2, "['aBc', None, None, None]\n");
}

TEST_F(DbiFiltersTest, PropertiesAndTheirMessages) {
    LongInt mode = 0;
    ASSERT_EQ(DbiGetProp(cursor_, curTranslateMode, &mode, sizeof mode, nullptr), dbiOK);
    EXPECT_EQ(mode, 2);
    char type[16] = {};
    Word length = 0;
    DbiGetProp(db_, dbDatabaseType, type, sizeof type, &length);
    EXPECT_STREQ(type, "STANDARD");
    EXPECT_EQ(length, 8);
    EXPECT_EQ(DbiGetProp(cursor_, 0x1234, &mode, sizeof mode, nullptr), dbiOK);
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "DbiGetProp: iProp = 00001234");
    EXPECT_EQ(services_.MessageBoxes[0].Type, mtInformation);
}

TEST_F(DbiFiltersTest, UnsupportedFunctionsTellTheUserAndFail) {
    TCursorHandle cursor = 0;
    EXPECT_NE(DbiQExec(1, &cursor), dbiOK);
    EXPECT_NE(DbiDeleteTable(db_, "LOANS.DBF", nullptr), dbiOK);
    ASSERT_EQ(services_.MessageBoxes.size(), 2u);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "This engine function is not supported: DbiQExec");
    EXPECT_EQ(services_.MessageBoxes[1].Text,
              "This engine function is not supported: DbiDeleteTable");
    EXPECT_EQ(Names(cursor_), "ADAMS BAKER SMALL SMITH ");
    std::string text;
    EXPECT_EQ(DbiNativeToAnsi(1, &text, "Caf\xE9 au lait", 4, nullptr), dbiOK);
    EXPECT_EQ(text, "Caf\xE9");
    EXPECT_EQ(DbiGetLdName("", "", &text), dbiNoLanguageDriver);
}

} // namespace
