#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "network/OrderedDispatcher.h"
#include "tests/support/wait_until.h"

namespace qvnetworklib {
namespace {

// Collects job numbers in the order the jobs ran.
class RunLog {
public:
    void add(int number) {
        const std::lock_guard<std::mutex> lock(numbers_mutex);
        numbers.push_back(number);
    }
    std::vector<int> snapshot() {
        const std::lock_guard<std::mutex> lock(numbers_mutex);
        return numbers;
    }

private:
    std::mutex numbers_mutex;
    std::vector<int> numbers;
};

std::vector<int> count_up(int n) {
    std::vector<int> numbers(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        numbers[static_cast<std::size_t>(i)] = i;
    }
    return numbers;
}

TEST(OrderedDispatcher, JobsRunInTheOrderHandedInEvenWhenEarlyOnesAreSlow) {
    RunLog log;
    std::mt19937 random(7);
    {
        OrderedDispatcher dispatcher;
        for (int i = 0; i < 300; ++i) {
            const auto pause = std::chrono::microseconds(random() % 300);
            while (!dispatcher.has_room_or_notify([] {})) {
                std::this_thread::yield();
            }
            dispatcher.dispatch([&log, i, pause] {
                std::this_thread::sleep_for(pause);
                log.add(i);
            });
        }
        dispatcher.wait_until_idle();
    }
    EXPECT_EQ(log.snapshot(), count_up(300));
}

TEST(OrderedDispatcher, BoundsLiveJobsAndCallsBackWhenRoomReturns) {
    std::atomic<bool> release{false};
    std::atomic<int> room_calls{0};
    OrderedDispatcher dispatcher(3);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(dispatcher.has_room_or_notify([] {}));
        dispatcher.dispatch([&release] {
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    EXPECT_EQ(dispatcher.live_jobs(), 3U);
    EXPECT_FALSE(dispatcher.has_room_or_notify([&room_calls] { ++room_calls; }));
    EXPECT_EQ(room_calls, 0);

    release = true;
    dispatcher.wait_until_idle();
    EXPECT_EQ(room_calls, 1) << "the waiter is told exactly once";
    EXPECT_EQ(dispatcher.live_jobs(), 0U);
    EXPECT_TRUE(dispatcher.has_room_or_notify([] {}));
}

TEST(OrderedDispatcher, ThrowingJobDoesNotHoldUpTheNextOnes) {
    RunLog log;
    OrderedDispatcher dispatcher;
    dispatcher.dispatch([&log] { log.add(0); });
    dispatcher.dispatch([] { throw std::runtime_error("bad message"); });
    dispatcher.dispatch([&log] { log.add(2); });
    dispatcher.wait_until_idle();
    EXPECT_EQ(log.snapshot(), (std::vector<int>{0, 2}));
}

TEST(OrderedDispatcher, RunsJobsOnTheCallingThreadWhenNoThreadCanStart) {
    // Every other thread start fails, or every one: each job still runs once, in order, and
    // with no thread at all every job runs on the caller.
    for (const int failing_every : {2, 1}) {
        RunLog log;
        std::atomic<int> launches{0};
        OrderedDispatcher dispatcher(8, [&launches, failing_every](std::function<void()>& task) {
            if (launches++ % failing_every == failing_every - 1) {
                throw std::runtime_error("no more threads");
            }
            OrderedDispatcher::launch_detached_thread(task);
        });
        const auto caller = std::this_thread::get_id();
        std::atomic<int> ran_on_caller{0};
        for (int i = 0; i < 40; ++i) {
            dispatcher.dispatch([&log, &ran_on_caller, caller, i] {
                ran_on_caller += std::this_thread::get_id() == caller ? 1 : 0;
                log.add(i);
            });
        }
        dispatcher.wait_until_idle();
        EXPECT_EQ(log.snapshot(), count_up(40)) << "failing every " << failing_every;
        if (failing_every == 1) {
            EXPECT_EQ(ran_on_caller, 40);
        }
    }
}

TEST(OrderedDispatcher, AJobHandedInWhileAnotherRunsIsTakenByThatThread) {
    std::atomic<bool> release{false};
    // Shared: a thread counts itself after it has let go of the dispatcher.
    const auto threads_ended = std::make_shared<std::atomic<int>>(0);
    std::mutex ids_mutex;
    std::vector<std::thread::id> ran_on;
    OrderedDispatcher dispatcher(16, [threads_ended](std::function<void()>& task) {
        std::function<void()> counted = [threads_ended, job = std::move(task)] {
            job();
            ++*threads_ended;
        };
        OrderedDispatcher::launch_detached_thread(counted);
    });
    const auto record = [&ids_mutex, &ran_on] {
        const std::lock_guard<std::mutex> lock(ids_mutex);
        ran_on.push_back(std::this_thread::get_id());
    };
    dispatcher.dispatch([&release, record] {
        record();
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int i = 1; i < 10; ++i) {
        dispatcher.dispatch(record);
    }
    // The nine later threads end without waiting for the first job.
    const bool later_threads_ended =
        qvtest::wait_until([&threads_ended] { return *threads_ended == 9; });
    release = true;
    dispatcher.wait_until_idle();
    EXPECT_TRUE(later_threads_ended);
    const std::lock_guard<std::mutex> lock(ids_mutex);
    ASSERT_EQ(ran_on.size(), 10U);
    EXPECT_EQ(std::count(ran_on.begin(), ran_on.end(), ran_on.front()), 10);
}

TEST(OrderedDispatcher, DestructionWaitsForRunningJobs) {
    std::atomic<bool> finished{false};
    {
        OrderedDispatcher dispatcher;
        dispatcher.dispatch([&finished] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace qvnetworklib
