#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "network/QVClient.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"

namespace qvnetworklib {
namespace {

using qvtest::ClientHarness;
using qvtest::FakeGameServer;
using Kind = ConnectionStatus::Kind;

// Records what the callbacks saw, in the order they ran.
class Delivered {
public:
    void add(std::string entry) {
        const std::lock_guard<std::mutex> lock(entries_mutex);
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> snapshot() {
        const std::lock_guard<std::mutex> lock(entries_mutex);
        return entries;
    }
    std::size_t size() { return snapshot().size(); }

private:
    std::mutex entries_mutex;
    std::vector<std::string> entries;
};

std::size_t threads_in_process() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) {
            return std::stoul(line.substr(8));
        }
    }
    return 0;
}

std::string text_of(const ByteVector& payload) {
    return payload.size() < 2 ? std::string() : std::string(payload.begin() + 2, payload.end());
}

TEST(ClientDispatch, BurstArrivesCompleteInOrderOneCallbackAtATime) {
    constexpr int MESSAGES = 5000;
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    Delivered delivered;
    std::atomic<int> running{0};
    std::atomic<int> most_running{0};
    harness.client().register_callback(IN_RAW_TEXT, [&](Client*, const ByteVector& payload) {
        const int now = ++running;
        int seen = most_running;
        while (now > seen && !most_running.compare_exchange_weak(seen, now)) {
        }
        delivered.add(text_of(payload));
        --running;
    });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());

    ByteVector burst;
    for (int i = 0; i < MESSAGES; ++i) {
        const ByteVector frame =
            qvtest::frame_bytes(IN_RAW_TEXT, qvtest::text_payload(0, std::to_string(i)));
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(server.send_raw(burst));
    ASSERT_TRUE(
        qvtest::wait_until([&] { return delivered.size() == MESSAGES; }, std::chrono::seconds(30)));
    const auto texts = delivered.snapshot();
    for (int i = 0; i < MESSAGES; ++i) {
        ASSERT_EQ(texts[static_cast<std::size_t>(i)], std::to_string(i));
    }
    EXPECT_EQ(most_running, 1);
}

TEST(ClientDispatch, StalledCallbackBoundsTheThreadsAndLosesNothing) {
    constexpr int MESSAGES = 1000;
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    Delivered delivered;
    std::atomic<bool> release{false};
    std::atomic<bool> stalled{false};
    harness.client().register_callback(IN_RAW_TEXT, [&](Client*, const ByteVector& payload) {
        stalled = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        delivered.add(text_of(payload));
    });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    const std::size_t threads_before = threads_in_process();
    for (int i = 0; i < MESSAGES; ++i) {
        ASSERT_TRUE(server.send_text(0, std::to_string(i)));
    }
    // The reader stops once the bound of jobs waiting is reached, and the threads stop growing.
    std::size_t threads_now = 0;
    const bool settled = qvtest::wait_until([&] {
        const std::size_t before = threads_in_process();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        threads_now = threads_in_process();
        return stalled && threads_now == before;
    });
    release = true;
    ASSERT_TRUE(settled);
    EXPECT_LE(threads_now, threads_before + OrderedDispatcher::DEFAULT_MAX_LIVE_JOBS + 1);

    ASSERT_TRUE(
        qvtest::wait_until([&] { return delivered.size() == MESSAGES; }, std::chrono::seconds(30)));
    const auto texts = delivered.snapshot();
    for (int i = 0; i < MESSAGES; ++i) {
        ASSERT_EQ(texts[static_cast<std::size_t>(i)], std::to_string(i));
    }
}

TEST(ClientDispatch, EmptyPayloadsAreDelivered) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    Delivered delivered;
    harness.client().register_callback(IN_BAD_LOGIN, [&](Client*, const ByteVector& payload) {
        delivered.add("size " + std::to_string(payload.size()));
    });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(server.send_raw({IN_BAD_LOGIN, 0x01, 0x00, IN_BAD_LOGIN, 0x01, 0x00}));
    ASSERT_TRUE(qvtest::wait_until([&] { return delivered.size() == 2; }));
    EXPECT_EQ(delivered.snapshot(), (std::vector<std::string>{"size 0", "size 0"}));
}

TEST(ClientDispatch, FirstRegistrationForATypeWins) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    Delivered delivered;
    harness.client().register_callback(IN_RAW_TEXT,
                                       [&](Client*, const ByteVector&) { delivered.add("first"); });
    harness.client().register_callback(
        IN_RAW_TEXT, [&](Client*, const ByteVector&) { delivered.add("second"); });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(server.send_text(0, "a"));
    ASSERT_TRUE(server.send_text(0, "b"));
    ASSERT_TRUE(qvtest::wait_until([&] { return delivered.size() == 2; }));
    EXPECT_EQ(delivered.snapshot(), (std::vector<std::string>{"first", "first"}));
}

TEST(ClientDispatch, ThrowingCallbackCostsNeitherTheLoginNorLaterMessages) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    Delivered delivered;
    harness.client().register_callback(IN_RAW_TEXT, [&](Client*, const ByteVector& payload) {
        if (text_of(payload) == "boom") {
            throw std::runtime_error("handler failed");
        }
        delivered.add(text_of(payload));
    });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(server.send_text(0, "boom"));
    ASSERT_TRUE(server.send_text(0, "after"));
    ASSERT_TRUE(server.wait_for_count(OUT_LOGIN, 1));
    ASSERT_TRUE(qvtest::wait_until([&] { return delivered.size() == 1; }));
    EXPECT_EQ(delivered.snapshot(), (std::vector<std::string>{"after"}));
}

TEST(ClientDispatch, LostConnectionIsReportedAfterTheMessagesBeforeIt) {
    FakeGameServer server;
    Delivered delivered;
    ClientHarness harness(server.server_info());
    harness.client().register_callback(IN_RAW_TEXT, [&](Client*, const ByteVector& payload) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        delivered.add(text_of(payload));
    });
    harness.client().set_status_callback([&](const ConnectionStatus& status) {
        if (status.kind == Kind::CONNECTION_LOST) {
            delivered.add("lost");
        }
    });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(server.send_text(0, std::to_string(i)));
    }
    server.close_client();
    ASSERT_TRUE(qvtest::wait_until([&] { return delivered.size() == 31; }));
    EXPECT_EQ(delivered.snapshot().back(), "lost");
}

// A client whose one callback is busy for a while with the message "slow" once that has come.
class SlowCallback : public ::testing::Test {
protected:
    void start_slow_callback() {
        harness = std::make_unique<ClientHarness>(server.server_info());
        harness->client().register_callback(IN_RAW_TEXT, [this](Client*, const ByteVector&) {
            started = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            finished = true;
        });
        harness->start();
        ASSERT_TRUE(server.wait_for_client());
        ASSERT_TRUE(server.send_text(0, "slow"));
        ASSERT_TRUE(qvtest::wait_until([this] { return started.load(); }));
    }

    FakeGameServer server;
    std::unique_ptr<ClientHarness> harness;
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
};

TEST_F(SlowCallback, JoiningTheNetworkThreadWaitsForIt) {
    start_slow_callback();
    ASSERT_TRUE(harness->stop());
    EXPECT_TRUE(finished);
}

TEST_F(SlowCallback, DestroyingTheClientWaitsForIt) {
    start_slow_callback();
    harness.reset();
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace qvnetworklib
