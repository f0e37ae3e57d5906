// A server that resets the connection (SO_LINGER 0) while the client writes to it: no SIGPIPE,
// no crash, the loss is reported, and everything stops and is released.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/QvchatRun.h"

namespace {

using qvnetworklib::ConnectionStatus;

int entries_of(const std::filesystem::path& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

int own_threads() {
    return entries_of("/proc/self/task");
}

int own_descriptors() {
    return entries_of("/proc/self/fd");
}

TEST(ResetSocket, WriteBlockedOnAPeerThatResetsFailsQuietlyAndTheClientStops) {
    // Far more than the write backlog and the socket buffers of both ends hold, so that a write
    // is waiting for the peer when the reset comes.
    constexpr std::size_t LARGE_MESSAGES = 400;
    // A first thread start lets a sanitizer runtime start its own helper thread before the
    // count is taken.
    std::thread([] {}).join();
    const int threads_before = own_threads();
    const int descriptors_before = own_descriptors();
    {
        qvtest::FakeGameServer server;
        qvtest::ClientHarness harness(server.server_info());
        harness.start();
        ASSERT_TRUE(server.wait_for_client());
        ASSERT_TRUE(server.send_text(3, "hello"));
        ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));

        server.pause_reading(true);
        ASSERT_LT(harness.send_until_refused(qvnetworklib::MAX_PAYLOAD_SIZE - 10, LARGE_MESSAGES),
                  LARGE_MESSAGES);
        server.reset_client();

        EXPECT_TRUE(harness.wait_for_status(ConnectionStatus::Kind::CONNECTION_LOST));
        EXPECT_FALSE(harness.client().is_connected());
        // Sending after the loss is harmless too.
        EXPECT_TRUE(harness.client().send_chat("too late"));
        EXPECT_TRUE(harness.stop());
    }
    // Dispatch threads are detached; give them the moment they need to be gone.
    EXPECT_TRUE(qvtest::wait_until([&] { return own_threads() == threads_before; }))
        << own_threads() << " threads, " << threads_before << " before";
    EXPECT_EQ(own_descriptors(), descriptors_before);
}

TEST(ResetSocket, ProgramTellsTheUserAndNamesLinesTypedAfterTheReset) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    const qvtest::ResourceCounts connected = qvtest::settled_counts(run);
    run.enter("just before the reset");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));

    run.server.reset_client();
    ASSERT_TRUE(run.terminal().wait_for_text("Connection to the server was lost."))
        << run.screen_text();
    run.enter("just after the reset");
    EXPECT_TRUE(run.terminal().wait_for_text("Not connected: the line was not sent."))
        << run.screen_text();

    qvtest::ResourceCounts after;
    EXPECT_TRUE(
        qvtest::counts_settle_at(run, {connected.threads - 1, connected.descriptors}, after));
    const auto exit_time = qvtest::timed_exit(run);
    ASSERT_TRUE(exit_time) << run.screen_text();
    qvtest::report_figure("connection reset", "exit " + std::to_string(exit_time->count()) +
                                                  " ms; " + describe(connected) + " -> " +
                                                  describe(after));
}

}  // namespace
