// The real program against a server that breaks the protocol or the connection: whatever the
// server does, the program must not crash or hang, must tell the user, must leave no thread or
// descriptor behind, must log every whole line it received exactly once, and "#exit" must end it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "network/Packet.h"
#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/wait_until.h"

namespace {

using qvnetworklib::ByteVector;
using qvtest::ResourceCounts;

constexpr char LOST_NOTICE[] = "Connection to the server was lost.";
constexpr char MALFORMED_NOTICE[] = "The server sent a malformed message; disconnected.";
constexpr char UNSENT_NOTICE[] = "Not connected: the line was not sent.";
constexpr char NOT_READING_NOTICE[] = "The server is not reading; the line was not sent.";
constexpr std::size_t LARGEST_PAYLOAD = 65534;  // length field 65535

ByteVector header(std::uint8_t type, std::size_t length_field) {
    return {type, static_cast<unsigned char>(length_field & 0xFFU),
            static_cast<unsigned char>(length_field >> 8U)};
}

class MisbehavingServer : public ::testing::Test {
protected:
    // Logs in and takes the program's counts while it is connected and idle.
    void log_in() {
        std::string failure;
        ASSERT_TRUE(run.start_logged_in(failure)) << failure;
        connected_counts = qvtest::settled_counts(run);
    }

    // The connection is gone: the user was told `notice`, a typed line is named as unsent, the
    // message threads and the network thread are gone, no descriptor was added, and "#exit"
    // ends the program.
    void expect_disconnected_cleanly(const std::string& scenario, const std::string& notice) {
        ASSERT_TRUE(run.terminal().wait_for_text(notice)) << run.screen_text();
        run.enter("anyone there?");
        EXPECT_TRUE(run.terminal().wait_for_text(UNSENT_NOTICE)) << run.screen_text();
        EXPECT_TRUE(run.received(qvnetworklib::OUT_RAW_TEXT).empty());

        ResourceCounts after;
        EXPECT_TRUE(qvtest::counts_settle_at(
            run, {connected_counts.threads - 1, connected_counts.descriptors}, after));
        expect_quick_exit(scenario, describe(connected_counts) + " -> " + describe(after));
    }

    void expect_quick_exit(const std::string& scenario, const std::string& counts) {
        const auto exit_time = qvtest::timed_exit(run);
        ASSERT_TRUE(exit_time) << run.screen_text();
        qvtest::report_figure(scenario,
                              "exit " + std::to_string(exit_time->count()) + " ms; " + counts);
    }

    qvtest::QvchatRun run{QVCHAT_BINARY};
    ResourceCounts connected_counts;
};

TEST_F(MisbehavingServer, CloseInTheMiddleOfAHeader) {
    log_in();
    ASSERT_TRUE(run.server.send_raw({qvnetworklib::IN_RAW_TEXT, 0x10}));
    run.server.close_client();
    expect_disconnected_cleanly("close mid-header", LOST_NOTICE);
}

TEST_F(MisbehavingServer, CloseInTheMiddleOfAPayloadLogsNothingOfIt) {
    log_in();
    ByteVector cut = header(qvnetworklib::IN_RAW_TEXT, 51);
    const ByteVector part = qvtest::text_payload(0, "Cutter: this message never ends");
    cut.insert(cut.end(), part.begin(), part.begin() + 20);
    ASSERT_TRUE(run.server.send_raw(cut));
    run.server.close_client();
    expect_disconnected_cleanly("close mid-payload", LOST_NOTICE);
    EXPECT_EQ(run.chat_log().find("Cutter"), std::string::npos) << run.chat_log();
}

TEST_F(MisbehavingServer, LengthFieldZeroIsAMalformedMessage) {
    log_in();
    // Whatever follows the broken header is not read as a message any more. Sent in one piece:
    // once the client has read the header it closes, and a later send could fail.
    ByteVector stream = header(qvnetworklib::IN_RAW_TEXT, 0);
    qvnetworklib::append_frame(
        qvnetworklib::SendPacket{qvnetworklib::IN_RAW_TEXT,
                                 qvtest::text_payload(0, "Ghost: after the broken header")},
        stream);
    ASSERT_TRUE(run.server.send_raw(stream));
    expect_disconnected_cleanly("length field 0", MALFORMED_NOTICE);
    EXPECT_EQ(run.chat_log().find("Ghost"), std::string::npos) << run.chat_log();
}

TEST_F(MisbehavingServer, MalformedMessageClosesTheConnection) {
    log_in();
    ASSERT_TRUE(run.server.send_raw(header(qvnetworklib::IN_RAW_TEXT, 0)));
    ASSERT_TRUE(run.terminal().wait_for_text(MALFORMED_NOTICE)) << run.screen_text();
    EXPECT_TRUE(run.server.wait_for_disconnect());
    expect_quick_exit("length field 0, connection closed", "");
}

// A text of `size` printable bytes that says which frame it is at both ends.
std::string largest_text(int number, std::size_t size) {
    const std::string head = "Giant: frame " + std::to_string(number) + " begins ";
    const std::string tail = " frame " + std::to_string(number) + " ends";
    const std::string filler = "the giant speaks slowly and at length ";
    std::string text = head;
    for (std::size_t index = 0; text.size() + tail.size() < size; ++index) {
        text += filler[index % filler.size()];
    }
    return text + tail;
}

TEST_F(MisbehavingServer, LargestFramesAreShownAndLoggedWhole) {
    log_in();
    const std::size_t text_size = LARGEST_PAYLOAD - 2;  // channel code and the skipped byte
    for (int number = 1; number <= 3; ++number) {
        const ByteVector payload = qvtest::text_payload(0, largest_text(number, text_size));
        ASSERT_EQ(payload.size(), LARGEST_PAYLOAD);
        ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_RAW_TEXT, payload));
    }
    ASSERT_TRUE(run.server.send_text(0, "Giant: largest frames done"));
    ASSERT_TRUE(run.terminal().wait_for_text("largest frames done")) << run.screen_text();

    // Still connected: typed lines leave.
    run.enter("still here");
    EXPECT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));

    const auto texts = qvtest::logged_texts(run.chat_log());
    for (int number = 1; number <= 3; ++number) {
        EXPECT_EQ(qvtest::count_of(texts, largest_text(number, text_size)), 1U) << number;
    }
    EXPECT_EQ(texts.size(), 4U);
    ResourceCounts after;
    EXPECT_TRUE(qvtest::counts_settle_at(run, connected_counts, after));
    expect_quick_exit("65535-length frames", describe(connected_counts) + " -> " + describe(after));
}

TEST_F(MisbehavingServer, ServerThatStopsReadingGetsTypedLinesNamedUnsentAndExitStillWorks) {
    // Away replies this long let the server's own private messages fill the client's write
    // backlog and the socket buffers, which typing could do only slowly.
    constexpr std::size_t REPLY_SIZE = 10000;
    constexpr int SENDERS = 600;
    run.write_file("qv.ini", "#username = bob\n#password = secret\n#log_chat = 3\n#afk_message = " +
                                 std::string(REPLY_SIZE, 'r') + "\n");
    log_in();
    run.enter("#afk");
    ASSERT_TRUE(run.terminal().wait_for_text("Going AFK.")) << run.screen_text();
    run.server.pause_reading(true);
    for (int sender = 0; sender < SENDERS; ++sender) {
        ASSERT_TRUE(run.server.send_text(1, "[PM from P" + std::to_string(sender) + ": hi]"));
    }
    ASSERT_TRUE(run.terminal().wait_for_text("[PM from P" + std::to_string(SENDERS - 1) + ": hi]"))
        << run.screen_text();

    // Until the socket buffers are full too, a line may still find room and wait its turn.
    const std::string long_line(REPLY_SIZE + 20, 't');
    EXPECT_TRUE(qvtest::wait_until([&] {
        run.enter(long_line);
        return run.terminal().wait_for_text(NOT_READING_NOTICE, std::chrono::seconds(1));
    })) << run.screen_text();

    // Reading goes on while the writes wait.
    ASSERT_TRUE(run.server.send_text(0, "Ann: still talking"));
    EXPECT_TRUE(run.terminal().wait_for_text("Ann: still talking")) << run.screen_text();
    expect_quick_exit("server stopped reading",
                      "peak " + std::to_string(run.peak_resident_kib()) + " KiB");
}

// Sends `bytes` one at a time, `pause` apart, until done or `stop` is set.
void drip(qvtest::FakeGameServer& server, const ByteVector& bytes, std::chrono::milliseconds pause,
          const std::atomic<bool>& stop) {
    for (const unsigned char byte : bytes) {
        if (stop || !server.send_raw({byte})) {
            return;
        }
        std::this_thread::sleep_for(pause);
    }
}

TEST_F(MisbehavingServer, DrippedBytesMakeWholeLinesAndExitDoesNotWaitForTheRest) {
    constexpr std::chrono::milliseconds DRIP_PAUSE{3};
    run.start();
    ASSERT_TRUE(run.server.wait_for_client());
    const std::vector<std::string> lines{"Drip: one", "Drip: two, a little longer", "Drip: three",
                                         "Drip: the fourth and last whole line"};
    ByteVector bytes;
    for (const auto& line : lines) {
        const ByteVector frame =
            qvtest::frame_bytes(qvnetworklib::IN_RAW_TEXT, qvtest::text_payload(0, line));
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    // Then a long line that is still dripping when the user leaves.
    const ByteVector endless = qvtest::frame_bytes(
        qvnetworklib::IN_RAW_TEXT, qvtest::text_payload(0, "Drip: " + std::string(60000, 'z')));
    bytes.insert(bytes.end(), endless.begin(), endless.end());

    std::atomic<bool> stop{false};
    std::thread dripper([&] { drip(run.server, bytes, DRIP_PAUSE, stop); });
    const bool shown = run.terminal().wait_for_text(lines.back(), std::chrono::seconds(20));
    const bool logged_in = run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 1);
    const ResourceCounts during = qvtest::settled_counts(run);
    const auto exit_time = qvtest::timed_exit(run);
    stop = true;
    dripper.join();

    ASSERT_TRUE(shown) << run.screen_text();
    EXPECT_TRUE(logged_in);
    ASSERT_TRUE(exit_time) << run.screen_text();
    qvtest::report_figure(
        "drip 1 byte / 3 ms",
        "exit mid-frame " + std::to_string(exit_time->count()) + " ms; " + describe(during));
    const auto texts = qvtest::logged_texts(run.chat_log());
    EXPECT_EQ(texts.size(), lines.size());
    for (const auto& line : lines) {
        EXPECT_EQ(qvtest::count_of(texts, line), 1U) << line;
    }
}

TEST_F(MisbehavingServer, SilentServerGetsNoLoginAndTheProgramStillLeaves) {
    run.start();
    ASSERT_TRUE(run.server.wait_for_client());
    const ResourceCounts before = qvtest::settled_counts(run);
    // Connected, but with no login typed lines do not leave, and say so.
    run.enter("hello?");
    run.enter("is this thing on?");
    EXPECT_TRUE(run.terminal().wait_for_screen([](const std::vector<std::string>& rows) {
        return std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
                   return row.find("The server has not answered yet: the line was not sent.") !=
                          std::string::npos;
               }) == 2;
    })) << run.screen_text();
    EXPECT_TRUE(run.terminal().wait_for_text("connecting")) << run.screen_text();
    EXPECT_EQ(run.server.count_of_type(qvnetworklib::OUT_RAW_TEXT), 0U);
    EXPECT_EQ(run.server.count_of_type(qvnetworklib::OUT_LOGIN), 0U);
    const ResourceCounts after = qvtest::settled_counts(run);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_LE(after.descriptors, before.descriptors);
    expect_quick_exit("silent server", describe(before) + " -> " + describe(after));
}

TEST_F(MisbehavingServer, RefusedConnectionIsNamedAndTypedLinesAreNamedUnsent) {
    const std::string port = qvtest::unused_loopback_port();
    run.write_file("servers.lst", "test test 127.0.0.1 " + port + "\n");
    run.start();
    ASSERT_TRUE(run.terminal().wait_for_text("Could not connect to 127.0.0.1:" + port +
                                             ": Connection refused"))
        << run.screen_text();
    const ResourceCounts before = qvtest::settled_counts(run);
    for (int line = 0; line < 5; ++line) {
        run.enter("line " + std::to_string(line));
    }
    ASSERT_TRUE(run.terminal().wait_for_screen([](const std::vector<std::string>& rows) {
        return std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
                   return row.find(UNSENT_NOTICE) != std::string::npos;
               }) == 5;
    })) << run.screen_text();
    const ResourceCounts after = qvtest::settled_counts(run);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_LE(after.descriptors, before.descriptors);
    expect_quick_exit("connection refused", describe(before) + " -> " + describe(after));
}

TEST_F(MisbehavingServer, RandomBytesEndTheConnectionWithANoticeAndNoControlBytesLogged) {
    log_in();
    std::mt19937 generator(20240521U);  // fixed: a failure can be repeated
    std::uniform_int_distribution<int> byte(0, 255);
    ByteVector garbage(4096);
    for (auto& value : garbage) {
        value = static_cast<unsigned char>(byte(generator));
    }
    ASSERT_TRUE(run.server.send_raw(garbage));
    run.server.close_client();
    ASSERT_TRUE(run.terminal().wait_for_screen([](const std::vector<std::string>& rows) {
        return std::any_of(rows.begin(), rows.end(), [](const std::string& row) {
            return row.find(LOST_NOTICE) != std::string::npos ||
                   row.find(MALFORMED_NOTICE) != std::string::npos;
        });
    })) << run.screen_text();
    expect_quick_exit("4096 random bytes", "");
    EXPECT_TRUE(qvtest::has_no_control_bytes(run.chat_log()));
    EXPECT_TRUE(qvtest::has_no_control_bytes(run.server_log()));
}

}  // namespace
