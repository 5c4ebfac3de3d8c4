#include "platform/rtl/Modules.h"

#include <gtest/gtest.h>

namespace {
int Twice(int x) {
    return 2 * x;
}
} // namespace

TEST(Modules, EntryPointsAreFoundByNameWhileRegistered) {
    EXPECT_EQ(GetModuleHandle("TESTMOD"), 0u);
    RegisterModuleProc("TestMod", "Twice", reinterpret_cast<TFarProc>(&Twice));
    const TModuleHandle module = GetModuleHandle("testmod");
    ASSERT_NE(module, 0u);
    auto twice = reinterpret_cast<int (*)(int)>(GetProcAddress(module, "TWICE"));
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice(21), 42);
    EXPECT_EQ(GetProcAddress(module, "Thrice"), nullptr);
    UnregisterModule("TESTMOD");
    EXPECT_EQ(GetModuleHandle("TestMod"), 0u);
    EXPECT_EQ(GetProcAddress(module, "Twice"), nullptr); // a stale handle finds nothing
    UnregisterModule("TESTMOD");                         // twice is harmless
}
