// The table's containers: the sparse array, the cell array and the selection runs.
#include "controls/table/TableCore.h"

#include "controls/entry/EntryExceptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void* Item(std::intptr_t n) {
    return reinterpret_cast<void*>(n);
}

std::vector<std::pair<LongInt, std::intptr_t>> Items(const TVcSparseArray& a) {
    std::vector<std::pair<LongInt, std::intptr_t>> items;
    a.ForAll(
        [&](LongInt i, void* p, void*) {
            items.emplace_back(i, reinterpret_cast<std::intptr_t>(p));
            return true;
        },
        false, nullptr);
    return items;
}

TEST(VcSparseArrayTest, StoresOnlyWhatIsThere) {
    TVcSparseArray a;
    EXPECT_EQ(a.Get(12345), nullptr);
    a.Put(5, nullptr);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.PageCount(), 0);
    a.Put(319999, Item(1));
    EXPECT_EQ(a.Count(), 320000);
    EXPECT_THROW(a.Put(320000, Item(2)), ESAEOutOfBounds);
    EXPECT_THROW(a.Get(-1), ESAEOutOfBounds);
    EXPECT_THROW(a.Insert(3, Item(3)), ESAEAtMaxSize);
    EXPECT_EQ(Items(a), (std::vector<std::pair<LongInt, std::intptr_t>>{{319999, 1}}));
    a.Put(319999, nullptr);
    a.Put(40, Item(4));
    EXPECT_EQ(a.Count(), 41);
    a.Put(40, nullptr);
    EXPECT_EQ(a.PageCount(), 0);
    EXPECT_EQ(a.Count(), 0);
}

TEST(VcSparseArrayTest, InsertAndDeleteMoveEveryLaterItemAcrossGaps) {
    TVcSparseArray a;
    a.Put(31, Item(1));
    a.Insert(31, Item(2));
    EXPECT_EQ(a.Get(32), Item(1));
    a.Delete(31);
    EXPECT_EQ(a.Get(31), Item(1));
    a.Clear();
    // Items in pages with empty pages between them all move.
    a.Put(0, Item(1));
    a.Put(100, Item(2));
    a.Put(1000, Item(3));
    a.Insert(0, Item(9));
    EXPECT_EQ(Items(a), (std::vector<std::pair<LongInt, std::intptr_t>>{
                            {0, 9}, {1, 1}, {101, 2}, {1001, 3}}));
    EXPECT_EQ(a.Count(), 1002);
    a.Delete(0);
    a.Delete(0);
    // Slot 0 of a page whose predecessor is missing moves into that page.
    a.Put(64, Item(5));
    a.Delete(10);
    EXPECT_EQ(Items(a),
              (std::vector<std::pair<LongInt, std::intptr_t>>{{63, 5}, {98, 2}, {998, 3}}));
    EXPECT_EQ(a.Count(), 999);
    a.Exchange(63, 998);
    EXPECT_EQ(a.Get(63), Item(3));
    EXPECT_EQ(a.ActiveCount(), 3);
}

TEST(VcSparseArrayTest, DirectoryHoldsEveryPageOfTheRange) {
    TVcSparseArray a;
    for (LongInt i = TVcSparseArray::MaxIndex; i >= 0; i -= TVcSparseArray::PageSize)
        a.Put(i, Item(i + 1));
    EXPECT_EQ(a.PageCount(), 10000);
    EXPECT_EQ(a.Get(31), Item(32));
    EXPECT_EQ(a.ActiveCount(), 10000);
}

TEST(VcSparseArrayTest, ForAllStopsAndRunsBackwards) {
    TVcSparseArray a;
    EXPECT_EQ(a.ForAll([](LongInt, void*, void*) { return false; }, false, nullptr), -1);
    a.Put(3, Item(1));
    a.Put(70, Item(2));
    std::vector<LongInt> seen;
    EXPECT_EQ(a.ForAll(
                  [&](LongInt i, void*, void*) {
                      seen.push_back(i);
                      return i != 3;
                  },
                  true, nullptr),
              3);
    EXPECT_EQ(seen, (std::vector<LongInt>{70, 3}));
}

TEST(VcCellArrayTest, KeepsSortedUniquePairsAndTheEverythingFlag) {
    TVcCellArray a;
    a.AddCell(2, 5);
    a.AddCell(2, 5);
    a.AddCell(1, 1);
    EXPECT_EQ(a.Count(), 2);
    TVcCellArray b;
    b.AddCell(2, 5);
    b.AddCell(3, 0);
    b.MakeEverything();
    a.Merge(b);
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.GetCellAddr(2), (TVcCellAddr{3, 0}));
    EXPECT_EQ(a.GetCellAddr(3), (TVcCellAddr{0, 0}));
    EXPECT_TRUE(a.Everything());
    EXPECT_EQ(a.Capacity() % 128, 0u);
    EXPECT_TRUE(a.DeleteCell(1, 1));
    EXPECT_FALSE(a.DeleteCell(1, 1));
    a.Clear();
    EXPECT_TRUE(a.IsEmpty());
}

using Runs = std::vector<TVcSelectionList::TRun>;

TEST(VcSelectionListTest, RunsMergeSplitAndVanish) {
    TVcSelectionList s(20, 3);
    s.SelectArea(5, 1, 7, 1);
    s.SelectArea(9, 1, 8, 1);
    EXPECT_EQ(s.Runs(1), (Runs{{5, 9}}));
    s.SelectArea(12, 1, 14, 1);
    s.SelectArea(2, 1, 3, 1);
    s.SelectArea(4, 1, 12, 1);
    EXPECT_EQ(s.Runs(1), (Runs{{2, 14}}));
    s.DeselectArea(6, 1, 6, 1);
    EXPECT_EQ(s.Runs(1), (Runs{{2, 5}, {7, 14}}));
    s.DeselectArea(2, 1, 14, 1);
    EXPECT_TRUE(s.Runs(1).empty());
    EXPECT_FALSE(s.HaveSelection());
    s.SelectArea(0, 0, 25, 0); // outside the rows: ignored
    EXPECT_FALSE(s.HaveSelection());
}

TEST(VcSelectionListTest, PendingRectangleDecidesUntilCommitted) {
    TVcSelectionList s(20, 3);
    s.SelectArea(0, 0, 10, 2);
    s.StartSelection(2, 0, true);
    s.ExtendSelection(4, 1, false);
    EXPECT_FALSE(s.IsCellSelected(3, 1));
    EXPECT_TRUE(s.IsCellSelected(3, 2));
    std::vector<std::vector<LongInt>> seen;
    s.Iterate(
        [&](LongInt r1, LongInt c1, LongInt r2, LongInt c2, void*) {
            seen.push_back({r1, c1, r2, c2});
            return true;
        },
        nullptr);
    EXPECT_EQ(seen, (std::vector<std::vector<LongInt>>{
                        {0, 0, 1, 0}, {5, 0, 10, 0}, {0, 1, 1, 1}, {5, 1, 10, 1}, {0, 2, 10, 2}}));
    // Clearing drops the rectangle still pending too.
    s.Clear();
    EXPECT_FALSE(s.HaveSelection());
    EXPECT_FALSE(s.IsCellSelected(3, 2));
    // A pending rectangle past a new last row ends in that row.
    s.StartSelection(15, 1, true);
    s.ExtendSelection(17, 2, false);
    s.SetRowCount(8);
    EXPECT_EQ(s.AnchorRow(), 7);
    EXPECT_FALSE(s.HaveSelection());
}

TEST(VcSelectionListTest, ANewStartDropsTheOldSelectionAndACommittedAreaStaysPut) {
    TVcSelectionList s(20, 3);
    s.SelectArea(0, 0, 5, 0);
    s.StartSelection(8, 1, false);
    EXPECT_FALSE(s.IsCellSelected(2, 0));
    EXPECT_FALSE(s.HaveSelection());
    s.ExtendSelection(10, 2, true);
    s.Iterate([](LongInt, LongInt, LongInt, LongInt, void*) { return true; }, nullptr);
    EXPECT_EQ(s.Runs(2), (Runs{{8, 10}}));
    // Once committed, the rectangle no longer decides: a cell taken out stays out.
    s.DeselectArea(9, 1, 9, 1);
    EXPECT_FALSE(s.IsCellSelected(9, 1));
    EXPECT_TRUE(s.IsCellSelected(9, 2));
}

TEST(VcSelectionListTest, ClearSelectAllAnchorAndFewerColumnsEndThePendingRectangle) {
    // Each case leaves a rectangle from (2, 0) to (4, 1) pending, nothing committed.
    const auto pending = [](TVcSelectionList& s, bool select) {
        s.StartSelection(2, 0, true);
        s.ExtendSelection(4, 1, select);
    };
    TVcSelectionList cleared(20, 3);
    pending(cleared, true);
    cleared.Clear();
    EXPECT_FALSE(cleared.IsCellSelected(3, 1));
    TVcSelectionList all(20, 3);
    pending(all, false);
    all.SelectAll();
    EXPECT_TRUE(all.IsCellSelected(3, 1)) << "a pending deselection no longer counts";
    TVcSelectionList anchored(20, 3);
    pending(anchored, true);
    anchored.SetAnchor(10, 2);
    EXPECT_FALSE(anchored.IsCellSelected(3, 1));
    TVcSelectionList narrowed(20, 3);
    narrowed.StartSelection(2, 2, true);
    narrowed.ExtendSelection(4, 0, true);
    narrowed.SetColCount(2); // the anchor's column is gone
    EXPECT_FALSE(narrowed.IsCellSelected(3, 1));
}

TEST(VcSelectionListTest, ShrinkingTrimsRunsAndColumns) {
    TVcSelectionList s(20, 3);
    s.SelectAll();
    s.SetRowCount(8);
    EXPECT_EQ(s.Runs(0), (Runs{{0, 7}}));
    s.SetColCount(1);
    EXPECT_TRUE(s.Runs(2).empty());
    EXPECT_TRUE(s.HaveSelection()) << "the first column keeps its rows";
    s.DeselectArea(0, 0, 7, 0);
    EXPECT_FALSE(s.HaveSelection()) << "its last run gone, nothing is left";
    s.SelectAll();
    s.SetColCount(-1);
    EXPECT_EQ(s.ColCount(), 1);
    s.SetRowCount(0);
    EXPECT_FALSE(s.HaveSelection());
    TVcSelectionList none(5, 2);
    none.SelectAll();
    none.SetColCount(0);
    EXPECT_EQ(none.ColCount(), 0);
    EXPECT_FALSE(none.HaveSelection()) << "no column, nothing selected";
}

} // namespace
