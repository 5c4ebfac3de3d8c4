#include "platform/rtl/Types.h"

#include <gtest/gtest.h>

namespace {

enum class Color { Red, Green, Blue };

TEST(TSetTest, IncludeExcludeAndAlgebra) {
    TSet<Color> s{Color::Red};
    EXPECT_TRUE(s.Contains(Color::Red));
    EXPECT_FALSE(s.Contains(Color::Blue));
    s.Include(Color::Blue).Exclude(Color::Red);
    EXPECT_EQ(s, (TSet<Color>{Color::Blue}));
    TSet<Color> both = s + TSet<Color>{Color::Green};
    EXPECT_EQ(both.Count(), 2u);
    EXPECT_TRUE((both * s) == s);
    EXPECT_TRUE((both - s).Contains(Color::Green));
    EXPECT_TRUE(s.SubsetOf(both));
    EXPECT_FALSE(both.SubsetOf(s));
    TCharSet digits{'0', '9'};
    EXPECT_TRUE(digits.Contains('9'));
    EXPECT_FALSE(digits.Contains(static_cast<unsigned char>(0xE9)));
}

TEST(TRectTest, RightAndBottomEdgesLieOutside) {
    TRect r = Rect(0, 0, 10, 5);
    EXPECT_TRUE(PtInRect(r, Point(9, 4)));
    EXPECT_FALSE(PtInRect(r, Point(10, 4)));
    EXPECT_FALSE(PtInRect(r, Point(9, 5)));
    EXPECT_EQ(Bounds(2, 3, 4, 5), Rect(2, 3, 6, 8));
}

TEST(TRectTest, IntersectUnionOffsetInflate) {
    TRect out;
    EXPECT_TRUE(IntersectRect(out, Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)));
    EXPECT_EQ(out, Rect(5, 5, 10, 10));
    EXPECT_FALSE(IntersectRect(out, Rect(0, 0, 5, 5), Rect(5, 5, 6, 6)));
    EXPECT_TRUE(IsRectEmpty(out));
    EXPECT_TRUE(UnionRect(out, Rect(0, 0, 0, 0), Rect(1, 1, 2, 2)));
    EXPECT_EQ(out, Rect(1, 1, 2, 2));
    UnionRect(out, Rect(0, 0, 2, 2), Rect(4, 4, 5, 6));
    EXPECT_EQ(out, Rect(0, 0, 5, 6));
    OffsetRect(out, 1, -1);
    EXPECT_EQ(out, Rect(1, -1, 6, 5));
    InflateRect(out, 1, 2);
    EXPECT_EQ(out, Rect(0, -3, 7, 7));
}

} // namespace
