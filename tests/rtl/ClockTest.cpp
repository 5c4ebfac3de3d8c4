#include "platform/rtl/Clock.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(ClockTest, ManualClockAdvancesTimeAndTicksTogether) {
    TManualClock clock({2024, 2, 28, 23, 59, 59, 999});
    EXPECT_EQ(clock.TickCount(), 0u);
    clock.Advance(1);
    EXPECT_EQ(clock.LocalTime(), (TSystemTime{2024, 2, 29, 0, 0, 0, 0}));
    clock.Advance(86'400'000);
    EXPECT_EQ(clock.LocalTime(), (TSystemTime{2024, 3, 1, 0, 0, 0, 0}));
    EXPECT_EQ(clock.TickCount(), 86'400'001u);
    // Setting the wall clock leaves the tick count alone.
    clock.SetLocalTime({1999, 12, 31, 23, 0, 0, 0});
    EXPECT_EQ(clock.TickCount(), 86'400'001u);
    clock.Advance(3'600'000);
    EXPECT_EQ(clock.LocalTime(), (TSystemTime{2000, 1, 1, 0, 0, 0, 0}));
}

TEST(ClockTest, ManualClockRefusesImpossibleMoments) {
    TManualClock clock;
    const TSystemTime before = clock.LocalTime();
    EXPECT_THROW(clock.SetLocalTime({2023, 2, 29, 0, 0, 0, 0}), EConvertError);
    EXPECT_THROW(clock.SetLocalTime({2023, 1, 1, 24, 0, 0, 0}), EConvertError);
    EXPECT_THROW(clock.SetLocalTime({10000, 1, 1, 0, 0, 0, 0}), EConvertError);
    EXPECT_EQ(clock.LocalTime(), before);
    clock.SetLocalTime({9999, 12, 31, 23, 59, 59, 998});
    clock.Advance(1);
    EXPECT_THROW(clock.Advance(1), EConvertError);
    EXPECT_EQ(clock.LocalTime(), (TSystemTime{9999, 12, 31, 23, 59, 59, 999}));
}

TEST(ClockTest, OverridesNestAndRestore) {
    TClock* system = &Clock();
    TManualClock outer, inner;
    {
        TClockOverride useOuter(outer);
        EXPECT_EQ(&Clock(), &outer);
        {
            TClockOverride useInner(inner);
            EXPECT_EQ(&Clock(), &inner);
        }
        EXPECT_EQ(&Clock(), &outer);
    }
    EXPECT_EQ(&Clock(), system);
}

TEST(ClockTest, SystemClockIsPlausibleAndMonotonic) {
    TSystemClock clock;
    const TSystemTime now = clock.LocalTime();
    EXPECT_GE(now.Year, 2020);
    EXPECT_TRUE(now.Month >= 1 && now.Month <= 12 && now.Day >= 1 && now.Day <= 31);
    const auto first = clock.TickCount();
    EXPECT_GE(clock.TickCount(), first);
}

} // namespace
