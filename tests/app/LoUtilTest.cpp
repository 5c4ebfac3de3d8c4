#include "app/LoUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(LoUtilWordWrap, CutsAtWordBoundaries) {
    std::string line, rest;
    WordWrapLine(line, "The quick brown fox", rest, false, 10);
    EXPECT_EQ(line, "The quick");
    EXPECT_EQ(rest, "brown fox");
}

} // namespace
