#include "network/handler_priority_queue.h"

#include <gtest/gtest.h>

#include <boost/asio/io_service.hpp>
#include <stdexcept>
#include <string>

namespace {

class HandlerPriorityQueueTest : public ::testing::Test {
protected:
    void add(int priority, const std::string& name) {
        queue.add(priority, [this, name] { ran += name; });
    }

    handler_priority_queue queue;
    std::string ran;
};

TEST_F(HandlerPriorityQueueTest, RunsHighestPriorityFirst) {
    add(150, "r");
    add(9001, "x");
    add(300, "w");
    add(1001, "c");
    add(1000, "h");
    queue.execute_all();
    EXPECT_EQ(ran, "xchwr");
    EXPECT_TRUE(queue.empty());
}

TEST_F(HandlerPriorityQueueTest, EqualPrioritiesRunInTheOrderAdded) {
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G", "H"}) {
        add(300, name);
    }
    queue.execute_all();
    EXPECT_EQ(ran, "ABCDEFGH");
}

TEST_F(HandlerPriorityQueueTest, WritesAroundAHeartbeatKeepTheirOrder) {
    add(150, "r");
    add(300, "1");
    add(300, "2");
    add(1000, "h");
    add(300, "3");
    queue.execute_all();
    EXPECT_EQ(ran, "h123r");
}

TEST_F(HandlerPriorityQueueTest, NegativePrioritiesRunLast) {
    add(-5, "n");
    add(0, "z");
    add(-1, "m");
    queue.execute_all();
    EXPECT_EQ(ran, "zmn");
}

TEST_F(HandlerPriorityQueueTest, EmptyQueueReturnsAtOnceAndSingleHandlerRunsOnce) {
    queue.execute_all();
    EXPECT_EQ(ran, "");
    add(1, "a");
    queue.execute_all();
    queue.execute_all();
    EXPECT_EQ(ran, "a");
}

TEST_F(HandlerPriorityQueueTest, ThrowingHandlerIsRemovedAndTheRestRunsOnTheNextCall) {
    add(10, "a");
    queue.add(5, [] { throw std::runtime_error("handler failed"); });
    add(1, "b");
    EXPECT_THROW(queue.execute_all(), std::runtime_error);
    EXPECT_EQ(ran, "a");
    queue.execute_all();
    EXPECT_EQ(ran, "ab");
}

TEST_F(HandlerPriorityQueueTest, EventLoopCompletionsWaitInTheQueue) {
    boost::asio::io_service loop;
    loop.post(queue.wrap(150, [this] { ran += "r"; }));
    loop.post(queue.wrap(300, [this] { ran += "w"; }));
    loop.post(queue.wrap(9001, [this] { ran += "x"; }));

    while (loop.poll_one() != 0) {
    }
    EXPECT_EQ(ran, "") << "the hook must park completions instead of running them";
    EXPECT_FALSE(queue.empty());

    queue.execute_all();
    EXPECT_EQ(ran, "xwr");
}

TEST_F(HandlerPriorityQueueTest, WrappedHandlerPassesArgumentsThrough) {
    int sum = 0;
    auto one = queue.wrap(1, [&sum](int a) { sum += a; });
    auto two = queue.wrap(1, [&sum](int a, int b) { sum += a * b; });
    one(3);
    two(4, 5);
    EXPECT_EQ(sum, 23);
}

}  // namespace
