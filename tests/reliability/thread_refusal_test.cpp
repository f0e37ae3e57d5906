// The system refuses new threads (the program runs with a preloaded library that makes
// pthread_create fail with EAGAIN on demand): every message is still handled, in order, on the
// network thread, the user can still type and leave, and nothing crashes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/QvchatRun.h"

namespace {

using qvtest::ResourceCounts;

constexpr int LINES = 100;

TEST(ThreadRefusal, MessagesAreStillHandledWhenNoThreadCanBeStarted) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    const std::string switch_file = (run.work() / "refuse-threads").string();
    run.start("test", std::string("LD_PRELOAD=") + QVCHAT_REFUSE_THREADS +
                          " QVTEST_REFUSE_THREADS_FILE=" + switch_file +
                          " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\"");
    ASSERT_TRUE(run.server.wait_for_client());
    ASSERT_TRUE(run.server.send_text(3, "Welcome to the test server"));
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
    ASSERT_TRUE(run.terminal().wait_for_text("Welcome to the test server")) << run.screen_text();
    const ResourceCounts connected = qvtest::settled_counts(run);

    std::ofstream(switch_file) << "no more threads\n";
    for (int line = 1; line <= LINES; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Crowd: line " + std::to_string(line)));
    }
    ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_PING_REQUEST, {1, 2, 3, 4}));
    // The server's echo of the user's own words restarts the away countdown, which needs a
    // thread of its own.
    ASSERT_TRUE(run.server.send_text(0, "bob: my own words"));
    ASSERT_TRUE(run.server.send_text(0, "Crowd: last line"));
    ASSERT_TRUE(run.terminal().wait_for_text("Crowd: last line")) << run.screen_text();
    EXPECT_NE(run.screen_text().find("bob: my own words"), std::string::npos) << run.screen_text();
    EXPECT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_PING_RESPONSE, 1));

    run.enter("typed while no thread can start");
    EXPECT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    const ResourceCounts refused = qvtest::settled_counts(run);
    EXPECT_LE(refused.threads, connected.threads);
    EXPECT_LE(refused.descriptors, connected.descriptors);

    run.server.close_client();
    EXPECT_TRUE(run.terminal().wait_for_text("Connection to the server was lost."))
        << run.screen_text();
    const auto exit_time = qvtest::timed_exit(run);
    ASSERT_TRUE(exit_time) << run.screen_text();
    qvtest::report_figure("no thread can be started", "exit " + std::to_string(exit_time->count()) +
                                                          " ms; " + describe(connected) + " -> " +
                                                          describe(refused));

    const auto texts = qvtest::logged_texts(run.chat_log());
    for (int line = 1; line <= LINES; ++line) {
        EXPECT_EQ(qvtest::count_of(texts, "Crowd: line " + std::to_string(line)), 1U) << line;
    }
    EXPECT_EQ(qvtest::count_of(texts, "bob: my own words"), 1U);
    EXPECT_EQ(qvtest::count_of(texts, "Crowd: last line"), 1U);
}

}  // namespace
