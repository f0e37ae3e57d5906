// The real program losing its connection again and again, and leaving while it waits to
// reconnect.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/reconnect_waits.h"
#include "tests/support/wait_until.h"

namespace {

using qvtest::ResourceCounts;

// What a test may allow resident memory to grow over the cycles: the scroll-back filling up with
// the notices is part of it.
constexpr long ALLOWED_GROWTH_KIB = 1024;

class Reconnect : public ::testing::Test {
protected:
    // The server speaks on connection `cycle` and the client logs in. Returns false, with the
    // reason in `failure`, when a step does not happen in time.
    bool log_in(std::size_t cycle, std::string& failure) {
        if (!run.server.wait_for_connections(cycle)) {
            failure = "no connection " + std::to_string(cycle);
        } else if (!run.server.send_text(3, "Welcome " + std::to_string(cycle))) {
            failure = "greeting " + std::to_string(cycle) + " not sent";
        } else if (!run.server.wait_for_count(qvnetworklib::OUT_LOGIN, cycle)) {
            failure = "no login " + std::to_string(cycle);
        } else {
            return true;
        }
        failure += "\n" + run.screen_text();
        return false;
    }

    // Every cycle: the server speaks, the client logs in, the server drops it.
    bool log_in_and_drop(std::size_t cycle, std::string& failure) {
        if (!log_in(cycle, failure)) {
            return false;
        }
        run.server.close_client();
        return true;
    }

    // The waits between attempts last a thousandth of their time here, and every connection that
    // logged in counts as one that lasted, so that they do not grow.
    void drop_and_reconnect(std::size_t cycles) {
        run.write_file("qv.ini", "#username = bob\n#password = secret\n#log_chat = 3\n");
        std::string failure;
        ASSERT_TRUE(run.start_logged_in(
            failure, "QVCHAT_RECONNECT_SECOND_MS=1 QVCHAT_LASTING_CONNECTION_MS=0"))
            << failure;
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

// A server that takes each login and drops it at once (full, kicking, banning) is tried after
// growing waits, as one that is down; only a connection that lasted after the login starts them
// from 1 s again. A second lasts 50 ms here, and a connection lasts from 2 s on.
TEST_F(Reconnect, WaitsGrowAgainstAServerThatDropsEachLoginUntilOneLasts) {
    constexpr int LASTING_MS = 2000;
    run.write_file("qv.ini", "#username = bob\n#password = secret\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure,
                                    "QVCHAT_RECONNECT_SECOND_MS=50 "
                                    "QVCHAT_LASTING_CONNECTION_MS=" +
                                        std::to_string(LASTING_MS)))
        << failure;
    run.server.close_client();
    for (unsigned attempt = 1; attempt <= 5; ++attempt) {
        ASSERT_EQ(qvtest::unexpected_wait(run.terminal(), attempt), "");
        ASSERT_TRUE(log_in(attempt + 1, failure)) << failure;
        if (attempt < 5) {
            run.server.close_client();
        }
    }
    // Holding the sixth connection past the lasting time is the case itself, not a wait for
    // something to happen.
    std::this_thread::sleep_for(std::chrono::milliseconds(LASTING_MS + 500));
    run.server.close_client();
    EXPECT_TRUE(run.terminal().wait_for_screen([](const std::vector<std::string>& rows) {
        const std::string screen = qvtest::joined(rows);
        return screen.find("Reconnecting in 1 s (attempt 1)...", screen.find("Welcome 6")) !=
               std::string::npos;
    })) << run.screen_text();
    ASSERT_TRUE(qvtest::timed_exit(run)) << run.screen_text();
}

// "#exit", SIGTERM and SIGINT (Ctrl-C) each end the program at once: during a wait of 30 s before
// the next attempt, and during a name lookup that takes a minute (a preloaded library delays
// it), at start-up or to reconnect after the server could not be reached.
TEST_F(Reconnect, LeavingWaitsNeitherForTheNextAttemptNorForANameLookup) {
    const std::string port = qvtest::unused_loopback_port();
    run.write_file("servers.lst", "test test 127.0.0.1 " + port + "\n");
    run.write_file("qv.ini", "#username = bob\n#password = secret\n");
    const std::filesystem::path lookup_started = run.work() / "slow-lookup-started";
    const std::string slow_lookups =
        std::string("LD_PRELOAD=") + QVCHAT_SLOW_LOOKUP +
        " QVTEST_LOOKUP_DELAY_MS=60000 QVTEST_SLOW_LOOKUP_STARTED=" + lookup_started.string() +
        " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" ";
    struct Case {
        std::string during;
        std::string environment;
        bool in_lookup;
    };
    const std::vector<Case> cases{
        {"a wait", "QVCHAT_RECONNECT_SECOND_MS=30000", false},
        {"the lookup at start-up", slow_lookups + "QVTEST_SLOW_LOOKUP_FROM=1", true},
        {"a lookup to reconnect",
         slow_lookups + "QVTEST_SLOW_LOOKUP_FROM=2 QVCHAT_RECONNECT_SECOND_MS=1", true},
    };
    for (const auto& [during, environment, in_lookup] : cases) {
        for (const std::string way : {"#exit", "SIGTERM", "SIGINT"}) {
            std::filesystem::remove(lookup_started);
            run.start("test", environment);
            if (in_lookup) {
                ASSERT_TRUE(qvtest::wait_until([&] {
                    return std::filesystem::exists(lookup_started);
                })) << during
                    << "\n"
                    << run.screen_text();
            } else {
                ASSERT_TRUE(run.terminal().wait_for_text("(attempt 1)...")) << run.screen_text();
            }
            const auto asked = std::chrono::steady_clock::now();
            if (way != "#exit") {
                ASSERT_EQ(::kill(run.program_id(), way == "SIGTERM" ? SIGTERM : SIGINT), 0);
            } else {
                run.enter(way);
            }
            ASSERT_TRUE(run.terminal().wait_for_text("exit status 0", qvtest::EXIT_HANG_LIMIT))
                << way << " during " << during << "\n"
                << run.screen_text();
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - asked);
            std::string figure = "leaving during " + during;
            figure += " by " + way;
            qvtest::report_figure(figure, std::to_string(took.count()) + " ms");
        }
    }
}

// With reconnecting off, a lost connection stays lost until #set reconnect 1 tries again at once;
// the server log holds where each session began and ended.
TEST_F(Reconnect, SwitchedOnWhileOfflineItTriesAgainAndTheLogShowsTheSessions) {
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure, "QVCHAT_RECONNECT_SECOND_MS=1")) << failure;
    run.server.close_client();
    ASSERT_TRUE(run.terminal().wait_for_text("Connection to the server was lost."))
        << run.screen_text();
    run.enter("#set reconnect 1");
    ASSERT_TRUE(log_in(2, failure)) << failure;
    ASSERT_TRUE(run.terminal().wait_for_text("Welcome 2")) << run.screen_text();
    // At once, without a wait.
    EXPECT_TRUE(run.terminal().wait_for_text("Reconnecting now (attempt 1)..."))
        << run.screen_text();
    EXPECT_FALSE(run.terminal().wait_for_text("Reconnecting in", std::chrono::milliseconds(0)))
        << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));

    const std::string connected = "> Connected to 127.0.0.1:" + run.server.port() + ".\n";
    const std::string log = run.server_log();
    const std::size_t first = log.find(connected);
    const std::size_t lost = log.find("> Connection to the server was lost.\n", first);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(lost, std::string::npos) << log;
    EXPECT_NE(log.find(connected, lost), std::string::npos) << log;
    EXPECT_EQ(run.chat_log().find("Connected to"), std::string::npos) << "server lines only";
}

// During a wait, #set reconnect 0 cancels the next attempt and 1 makes it at once; each failed
// attempt is one line. A server that takes the connection and says nothing is named as such, and
// a line typed then is refused with a word; #reconnect drops it and connects again at once.
TEST_F(Reconnect, SwitchAndReconnectCommandActAtOnceAndASilentServerIsNamed) {
    run.write_file("qv.ini", "#username = bob\n#password = secret\n");
    std::string failure;
    // The first wait lasts from 1.6 to 2.4 s.
    ASSERT_TRUE(run.start_logged_in(failure, "QVCHAT_RECONNECT_SECOND_MS=2000")) << failure;
    run.server.close_client();
    ASSERT_TRUE(run.terminal().wait_for_text(
        "Reconnecting in 1 s (attempt 1)... Connection to the server was lost."))
        << run.screen_text();

    run.enter("#set reconnect 0");
    ASSERT_TRUE(run.terminal().wait_for_text("reconnect is now 0.")) << run.screen_text();
    EXPECT_FALSE(run.server.wait_for_connections(2, std::chrono::seconds(4)))
        << "an attempt after reconnecting was switched off";
    run.enter("#set reconnect 1");
    ASSERT_TRUE(run.server.wait_for_connections(2)) << run.screen_text();
    EXPECT_TRUE(run.terminal().wait_for_text("Reconnecting now (attempt 1)..."))
        << run.screen_text();

    const std::string address = "127.0.0.1:" + run.server.port();
    EXPECT_TRUE(
        run.terminal().wait_for_text("Connected to " + address + ", waiting for the server..."))
        << run.screen_text();
    EXPECT_TRUE(run.terminal().wait_for_text("connecting")) << run.screen_text();
    run.enter("too early");
    EXPECT_TRUE(
        run.terminal().wait_for_text("The server has not answered yet: the line was not sent."))
        << run.screen_text();

    run.enter("#reconnect");
    ASSERT_TRUE(run.server.wait_for_connections(3)) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(3, "Welcome 3"));
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 2)) << run.screen_text();
    EXPECT_TRUE(run.terminal().wait_for_text("Connected to " + address + " again."))
        << run.screen_text();
    EXPECT_EQ(run.server.count_of_type(qvnetworklib::OUT_RAW_TEXT), 0U);
    ASSERT_TRUE(run.exit_with_status(0));
}

}  // namespace
