// The dwFilter roads on a real table: xBase text through the engine module's XB_SELECT and
// XB_QUERY, and the parsed tree through the engine's expression filters.
#include "tests/db/DataSetFixture.h"

#include "db/EngineFilters.h"
#include "dbcontrols/DataSetParts.h"
#include "platform/rtl/Modules.h"
#include "xbase/XbModule.h"

#include <gtest/gtest.h>

namespace {

class DwFilter : public DataSetFixture {
protected:
    TTestTable& Open8() { return OpenLoans({"A", "B", "C", "D", "E", "F", "G", "H"}, "AMOUNT"); }
    std::string Shown() { return AllNames(); }
    TRecordedServices services_;
};

} // namespace

TEST(DwFilterLines, LinesJoinWithAndAndParentheses) {
    TStringList lines;
    lines.Add("A > 1  \t");
    lines.Add("");
    lines.Add("B < 2");
    EXPECT_EQ(dwJoinFilterLines(&lines), "A > 1 AND (B < 2)");
    lines.Add("C = 3");
    EXPECT_EQ(dwJoinFilterLines(&lines), "A > 1 AND (B < 2) AND (C = 3)");
    TStringList empty;
    empty.Add(" ");
    EXPECT_EQ(dwJoinFilterLines(&empty), "");
}

TEST_F(DwFilter, XBaseTextGoesThroughTheRegisteredModule) {
    TTestTable& t = Open8();
    TFilterHandle handle = 0;
    ASSERT_NE(GetModuleHandle("XBASE3032"), 0u);
    EXPECT_TRUE(dwApplyFilterText("AMOUNT > 5 .AND. NAME <> 'H'", &t, handle, false, true));
    EXPECT_EQ(Shown(), "F G ");
    EXPECT_TRUE(dwApplyFilterText("", &t, handle, false, true));
    EXPECT_EQ(Shown(), "A B C D E F G H ");
}

TEST_F(DwFilter, ClearingPutsBackTheCursorsOwnCondition) {
    TTestTable& t = Open8();
    TFilterHandle own = 0;
    const char* condition = "AMOUNT < 4";
    ASSERT_EQ(DbiAddFilter(t.Handle(), reinterpret_cast<std::intptr_t>(condition), 1, false, "",
                           nullptr, &own),
              dbiOK);
    DbiActivateFilter(t.Handle(), own);
    t.Refresh();
    EXPECT_EQ(Shown(), "A B C ");
    TFilterHandle handle = 0;
    EXPECT_TRUE(dwApplyFilterText("AMOUNT > 6", &t, handle, false, true));
    EXPECT_EQ(Shown(), "G H ");
    EXPECT_TRUE(dwApplyFilterText("", &t, handle, false, true));
    EXPECT_EQ(Shown(), "A B C ");
}

TEST_F(DwFilter, XBaseRoadFailsWithoutModuleOrWithBadText) {
    TTestTable& t = Open8();
    TFilterHandle handle = 0;
    EXPECT_FALSE(dwApplyFilterText("AMOUNT >", &t, handle, false, true)); // the engine refuses
    EXPECT_FALSE(dwApplyFilterText("NAME = '" + std::string(260, 'x') + "'", &t, handle, false,
                                   true)); // longer than 256 characters: refused, not cut
    UnregisterXbModule();
    EXPECT_FALSE(dwApplyFilterText("AMOUNT > 5", &t, handle, false, true));
    RegisterXbModule();
    EXPECT_EQ(Shown(), "A B C D E F G H ");
    // A closed table takes the text later: nothing is done now.
    t.Close();
    UnregisterXbModule();
    EXPECT_TRUE(dwApplyFilterText("AMOUNT > 5", &t, handle, false, true));
    RegisterXbModule();
}

TEST_F(DwFilter, ParsedTextBecomesAnExpressionFilter) {
    TTestTable& t = Open8();
    TFilterHandle handle = 0;
    EXPECT_TRUE(dwApplyFilterText("AMOUNT > 2 AND AMOUNT <= 4", &t, handle, false, false));
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(Shown(), "C D ");
    EXPECT_TRUE(dwApplyFilterText("NAME = \"F\" OR NAME = \"A\"", &t, handle, false, false));
    EXPECT_EQ(Shown(), "A F ");
    EXPECT_TRUE(dwApplyFilterText("", &t, handle, false, false));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Shown(), "A B C D E F G H ");
}

TEST_F(DwFilter, ParsedTextThatCannotBeUsedFails) {
    TTestTable& t = Open8();
    TFilterHandle handle = 0;
    EXPECT_FALSE(dwApplyFilterText("AMOUNT >", &t, handle, false, false));
    EXPECT_FALSE(dwApplyFilterText("AMOUNT > abc", &t, handle, false, false));
    EXPECT_FALSE(dwApplyFilterText("AMOUNT + 1 > 2", &t, handle, false, false)); // no engine form
    EXPECT_TRUE(services_.MessageBoxes.empty());
    EXPECT_FALSE(dwApplyFilterText("BALANCE > 2", &t, handle, false, false));
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "BALANCE\rField not found in Table. ");
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Shown(), "A B C D E F G H ");
}
