#include "chat/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "tests/support/wait_until.h"

namespace {

using qvchat2::Timer;
using qvtest::wait_until;

constexpr Timer::Duration AN_HOUR = boost::chrono::hours(1);

TEST(TimerTest, RunsTheActionOnceWhenTheCountdownEnds) {
    std::atomic<int> runs{0};
    const Timer timer(
        3, [&] { ++runs; }, Timer::Duration(1));
    EXPECT_TRUE(wait_until([&] { return runs == 1; }));
    EXPECT_FALSE(timer.counting_down());
}

TEST(TimerTest, ResetStartsAnotherCountdown) {
    std::atomic<int> runs{0};
    Timer timer(
        1, [&] { ++runs; }, Timer::Duration(1));
    ASSERT_TRUE(wait_until([&] { return runs == 1; }));
    timer.reset();
    EXPECT_TRUE(wait_until([&] { return runs == 2; }));
}

TEST(TimerTest, CancelledOrDestroyedCountdownNeverRuns) {
    std::atomic<int> runs{0};
    {
        Timer timer(
            1, [&] { ++runs; }, AN_HOUR);
        EXPECT_TRUE(timer.counting_down());
        timer.cancel();
        EXPECT_FALSE(timer.counting_down());
        timer.reset();
        timer.reset();
        EXPECT_TRUE(timer.counting_down());
    }
    EXPECT_EQ(runs, 0);
}

TEST(TimerTest, ThrowingActionEndsOnlyThatCountdown) {
    std::atomic<int> runs{0};
    Timer timer(
        1,
        [&] {
            ++runs;
            throw std::runtime_error("action failed");
        },
        Timer::Duration(1));
    ASSERT_TRUE(wait_until([&] { return runs == 1; }));
    timer.reset();
    EXPECT_TRUE(wait_until([&] { return runs == 2; }));
}

TEST(TimerTest, ManyThreadsMayResetAtOnce) {
    std::atomic<int> runs{0};
    Timer timer(
        1, [&] { ++runs; }, Timer::Duration(1));
    boost::thread_group resetters;
    for (int thread = 0; thread < 8; ++thread) {
        resetters.create_thread([&] {
            for (int round = 0; round < 50; ++round) {
                timer.reset();
            }
        });
    }
    resetters.join_all();
    timer.cancel();
    const int before = runs;
    timer.reset();
    EXPECT_TRUE(wait_until([&] { return runs == before + 1; }));
}

TEST(TimerTest, ANewLengthTakesEffectAtTheNextResetAndZeroNeverRuns) {
    std::atomic<int> runs{0};
    Timer timer(
        1, [&] { ++runs; }, AN_HOUR);
    timer.set_minutes(0);
    EXPECT_FALSE(timer.counting_down());
    timer.reset();
    EXPECT_FALSE(timer.counting_down());
    timer.set_minutes(2);
    EXPECT_FALSE(timer.counting_down()) << "only a reset starts the new length";
    timer.reset();
    EXPECT_TRUE(timer.counting_down());
    EXPECT_EQ(runs, 0);
}

}  // namespace
