#include "controls/entry/TimerPool.h"

#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

namespace {

class VcTimerPoolTest : public ::testing::Test {
protected:
    void SetUp() override { InitApplication(); }
    TManualClock clock;
    TClockOverride use{clock};
};

TEST_F(VcTimerPoolTest, ResolutionIsACommonStepOfAtLeast55) {
    TVcTimerPool pool(nullptr);
    EXPECT_EQ(pool.Resolution(), 0);
    const int a = pool.Add({}, 100, true);
    EXPECT_EQ(pool.Resolution(), 100);
    const int b = pool.Add({}, 250, true);
    EXPECT_EQ(pool.Resolution(), 55);
    pool.Remove(a);
    EXPECT_EQ(pool.Resolution(), 250);
    pool.SetEnabled(b, false);
    EXPECT_EQ(pool.Resolution(), 0);
    EXPECT_EQ(pool.EnabledCount(), 0);
    pool.SetEnabled(b, true);
    pool.Add({}, 20, true);
    EXPECT_EQ(pool.Resolution(), 55);
}

TEST_F(VcTimerPoolTest, TriggersFireThroughTheWindowTimer) {
    TVcTimerPool pool(nullptr);
    std::vector<std::string> log;
    pool.OnAllTriggers = [&](TObject*, int handle, Word, LongInt) {
        log.push_back("all " + std::to_string(handle));
    };
    const int rep = pool.Add(
        [&](TObject* s, int h, Word interval, LongInt elapsed) {
            EXPECT_EQ(s, &pool);
            log.push_back("rep " + std::to_string(h) + " " + std::to_string(interval) + " " +
                          std::to_string(elapsed));
        },
        110, true);
    const int once =
        pool.Add([&](TObject*, int, Word, LongInt) { log.push_back("once"); }, 220, false);
    EXPECT_EQ(pool.Resolution(), 110);
    clock.Advance(110);
    FireDueTimers();
    EXPECT_EQ(log, (std::vector<std::string>{"rep 1 110 110", "all 1"}));
    log.clear();
    clock.Advance(110);
    FireDueTimers();
    EXPECT_EQ(log, (std::vector<std::string>{"rep 1 110 220", "all 1", "once", "all 2"}));
    EXPECT_TRUE(pool.Exists(rep));
    EXPECT_FALSE(pool.Exists(once));
}

TEST_F(VcTimerPoolTest, HandlersMayRemoveTriggers) {
    TVcTimerPool pool(nullptr);
    int second = 0;
    int secondRuns = 0;
    int thirdRuns = 0;
    pool.Add(
        [&](TObject*, int self, Word, LongInt) {
            pool.Remove(self);
            pool.Remove(second);
        },
        100, true);
    second = pool.Add([&](TObject*, int, Word, LongInt) { ++secondRuns; }, 100, true);
    pool.Add([&](TObject*, int, Word, LongInt) { ++thirdRuns; }, 100, false);
    clock.Advance(100);
    pool.Tick();
    EXPECT_EQ(secondRuns, 0);
    EXPECT_EQ(thirdRuns, 1);
    EXPECT_EQ(pool.Count(), 0);
    EXPECT_EQ(pool.Resolution(), 0);
}

} // namespace
