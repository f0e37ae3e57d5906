// The real program losing its connection again and again, and leaving while it waits to
// reconnect.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/QvchatRun.h"

namespace {

using qvtest::ResourceCounts;

// What a test may allow resident memory to grow over the cycles: the scroll-back filling up with
// the notices is part of it.
constexpr long ALLOWED_GROWTH_KIB = 1024;

class Reconnect : public ::testing::Test {
protected:
    // Every cycle: the server speaks, the client logs in, the server drops it. Returns false,
    // with the reason in `failure`, when a step does not happen in time.
    bool log_in_and_drop(std::size_t cycle, std::string& failure) {
        if (!run.server.wait_for_connections(cycle)) {
            failure = "no connection " + std::to_string(cycle);
        } else if (!run.server.send_text(3, "Welcome " + std::to_string(cycle))) {
            failure = "greeting " + std::to_string(cycle) + " not sent";
        } else if (!run.server.wait_for_count(qvnetworklib::OUT_LOGIN, cycle)) {
            failure = "no login " + std::to_string(cycle);
        } else {
            run.server.close_client();
            return true;
        }
        failure += "\n" + run.screen_text();
        return false;
    }

    // The waits between attempts last a thousandth of their time here.
    void drop_and_reconnect(std::size_t cycles) {
        run.write_file("qv.ini", "#username = bob\n#password = secret\n#log_chat = 3\n");
        std::string failure;
        ASSERT_TRUE(run.start_logged_in(failure, "QVCHAT_RECONNECT_SECOND_MS=1")) << failure;
        ASSERT_TRUE(run.terminal().wait_for_text("Welcome to the test server"));
        const ResourceCounts first = qvtest::settled_counts(run);
        const long first_kib = run.resident_kib();
        run.server.close_client();

        const auto begin = std::chrono::steady_clock::now();
        for (std::size_t cycle = 2; cycle <= cycles + 1; ++cycle) {
            ASSERT_TRUE(log_in_and_drop(cycle, failure)) << failure;
        }
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - begin);
        ASSERT_TRUE(run.server.wait_for_connections(cycles + 2));
        ASSERT_TRUE(run.server.send_text(3, "Welcome, last time"));
        ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, cycles + 2));
        ASSERT_TRUE(run.terminal().wait_for_text("Welcome, last time"));

        ResourceCounts after;
        EXPECT_TRUE(qvtest::counts_settle_at(run, first, after));
        EXPECT_EQ(after.descriptors, first.descriptors);
        const long after_kib = run.resident_kib();
        if (!QVCHAT_SANITIZED) {
            EXPECT_LE(after_kib - first_kib, ALLOWED_GROWTH_KIB);
        }
        const auto exit_time = qvtest::timed_exit(run);
        ASSERT_TRUE(exit_time) << run.screen_text();
        qvtest::report_figure(std::to_string(cycles) + " drops and reconnections",
                              std::to_string(took.count()) + " ms; " + describe(first) + " -> " +
                                  describe(after) + "; VmRSS " + std::to_string(first_kib) +
                                  " KiB -> " + std::to_string(after_kib) + " KiB; exit " +
                                  std::to_string(exit_time->count()) + " ms");
    }

    qvtest::QvchatRun run{QVCHAT_BINARY};
};

TEST_F(Reconnect, ThousandDropsLeaveNoThreadDescriptorOrMemoryBehind) {
    drop_and_reconnect(1000);
}

// The first wait lasts 30 s here; "#exit", SIGTERM and SIGINT (Ctrl-C) each end it at once.
TEST_F(Reconnect, LeavingDuringAWaitDoesNotWaitForTheNextAttempt) {
    const std::string port = qvtest::unused_loopback_port();
    run.write_file("servers.lst", "test test 127.0.0.1 " + port + "\n");
    run.write_file("qv.ini", "#username = bob\n#password = secret\n");
    const std::vector<std::string> ways{"#exit", "SIGTERM", "SIGINT"};
    for (const auto& way : ways) {
        run.start("test", "QVCHAT_RECONNECT_SECOND_MS=30000");
        ASSERT_TRUE(run.terminal().wait_for_text("(attempt 1)...")) << run.screen_text();
        const auto asked = std::chrono::steady_clock::now();
        if (way != "#exit") {
            ASSERT_EQ(::kill(run.program_id(), way == "SIGTERM" ? SIGTERM : SIGINT), 0);
        } else {
            run.enter(way);
        }
        ASSERT_TRUE(run.terminal().wait_for_text("exit status 0", qvtest::EXIT_HANG_LIMIT))
            << way << "\n"
            << run.screen_text();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - asked);
        qvtest::report_figure("leaving during a wait by " + way,
                              std::to_string(took.count()) + " ms");
    }
}

}  // namespace
