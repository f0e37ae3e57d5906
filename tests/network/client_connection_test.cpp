#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "network/QVClient.h"
#include "network/exceptions.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"

namespace qvnetworklib {
namespace {

using qvtest::ClientHarness;
using qvtest::FakeGameServer;
using qvtest::ReceivedFrame;
using Kind = ConnectionStatus::Kind;

// Messages of this size fill the write backlog in a few dozen.
constexpr std::size_t LARGE_PAYLOAD = 60000;
// More such messages than the backlog and the socket buffers of both ends hold together.
constexpr std::size_t MORE_THAN_FITS = 400;

ByteVector login_payload(const std::string& user, const std::string& password) {
    ByteVector payload(user.begin(), user.end());
    payload.push_back(' ');
    payload.insert(payload.end(), password.begin(), password.end());
    payload.push_back(0);
    return payload;
}

TEST(ClientConstruction, RefusesAnEntryWithoutServerOrPort) {
    for (const ServerInfo& entry :
         {ServerInfo{"", "2000", "x"}, ServerInfo{"localhost", "", "x"}}) {
        try {
            Client client("bob", "secret", entry);
            FAIL() << "an incomplete entry was accepted";
        } catch (const NetworkError& error) {
            EXPECT_STREQ(error.what(), "Both a server and a port must be supplied.");
        }
    }
}

// The lookup runs behind start_threaded(); its failure arrives as a report that carries the
// resolver's own exception, for start-up to throw again.
TEST(ClientConstruction, UnresolvableServiceIsReportedWithTheResolversException) {
    ClientHarness harness(ServerInfo{"127.0.0.1", "no-such-service-qvchat", "x"});
    harness.start();
    ASSERT_TRUE(harness.wait_for_status(Kind::LOOKUP_FAILED));
    const ConnectionStatus failure = harness.statuses().back();
    EXPECT_EQ(failure.port, "no-such-service-qvchat");
    ASSERT_TRUE(failure.lookup_error);
    try {
        std::rethrow_exception(failure.lookup_error);
    } catch (const std::exception& error) {
        EXPECT_EQ(failure.reason, error.what());
    } catch (...) {
        ADD_FAILURE() << "not a standard exception";
    }
    EXPECT_FALSE(harness.client().is_connected());
    EXPECT_TRUE(harness.stop());
}

TEST(ClientLogin, WaitsForTheServerToSpeakThenLogsInExactlyOnce) {
    const qvtest::ScopedHeartbeat heartbeat(boost::posix_time::milliseconds(30));
    FakeGameServer server;
    ClientHarness harness(server.server_info(), "bob", "secret");
    harness.start();
    ASSERT_TRUE(server.wait_for_client());

    // A silent server hears heartbeats but no login.
    ASSERT_TRUE(server.wait_for_count(OUT_HEARTBEAT, 3));
    EXPECT_EQ(server.count_of_type(OUT_LOGIN), 0U);

    // The first message, of a type nobody handles, triggers the login; later ones do not.
    ASSERT_TRUE(server.send_frame(200, {1, 2, 3}));
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(server.send_text(0, "line " + std::to_string(i)));
    }
    ASSERT_TRUE(server.wait_for_count(OUT_LOGIN, 1));
    ASSERT_TRUE(server.send_frame(IN_PING_REQUEST, {9}));
    ASSERT_TRUE(server.wait_for_count(OUT_PING_RESPONSE, 1));
    EXPECT_EQ(server.count_of_type(OUT_LOGIN), 1U);

    for (const ReceivedFrame& frame : server.frames()) {
        if (frame.type == OUT_LOGIN) {
            EXPECT_EQ(frame.payload, login_payload("bob", "secret"));
        }
        if (frame.type == OUT_HEARTBEAT) {
            EXPECT_TRUE(frame.payload.empty());
        }
    }
}

TEST(ClientLogin, BurstOfFirstMessagesStillGivesOneLogin) {
    FakeGameServer server;
    ClientHarness harness(server.server_info(), "ann", "pw");
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ByteVector burst;
    for (int i = 0; i < 50; ++i) {
        const ByteVector frame = qvtest::frame_bytes(IN_UPDATE_CLOCK, {1, 0});
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(server.send_raw(burst));
    ASSERT_TRUE(server.wait_for_count(OUT_LOGIN, 1));
    ASSERT_TRUE(server.send_frame(IN_PING_REQUEST, {}));
    ASSERT_TRUE(server.wait_for_count(OUT_PING_RESPONSE, 1));
    EXPECT_EQ(server.count_of_type(OUT_LOGIN), 1U);
}

TEST(ClientPing, EchoesThePayloadAndCannotBeReplaced) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    std::atomic<int> replacement_calls{0};
    harness.client().register_callback(IN_PING_REQUEST,
                                       [&](Client*, const ByteVector&) { ++replacement_calls; });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());

    ASSERT_TRUE(server.send_frame(IN_PING_REQUEST, {1, 2, 3, 4}));
    ASSERT_TRUE(server.send_frame(IN_PING_REQUEST, {}));
    ASSERT_TRUE(server.wait_for_count(OUT_PING_RESPONSE, 2));

    std::vector<ByteVector> answers;
    for (const ReceivedFrame& frame : server.frames()) {
        if (frame.type == OUT_PING_RESPONSE) {
            answers.push_back(frame.payload);
        }
    }
    EXPECT_EQ(answers, (std::vector<ByteVector>{{1, 2, 3, 4}, {}}));
    EXPECT_EQ(replacement_calls, 0);
}

TEST(ClientConnection, ReportsConnectedAndThenTheServerClosing) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.start();
    ASSERT_TRUE(harness.wait_for_status(Kind::CONNECTED));
    EXPECT_TRUE(harness.client().is_connected());

    // The client's side connects before the server has accepted; only then can it close.
    ASSERT_TRUE(server.wait_for_client());
    server.close_client();
    ASSERT_TRUE(harness.wait_for_status(Kind::CONNECTION_LOST));
    EXPECT_FALSE(harness.client().is_connected());
    // The loop has stopped for good; sending afterwards is harmless.
    EXPECT_TRUE(harness.client().send_chat("anyone there?"));
    harness.client().exit();
    EXPECT_TRUE(harness.stop());
    EXPECT_TRUE(harness.stop());
    // Nothing is written any more, and nothing piles up towards the bound either.
    const std::size_t past_the_bound = 2 * MAX_PENDING_WRITE_BYTES / LARGE_PAYLOAD;
    EXPECT_EQ(harness.send_until_refused(LARGE_PAYLOAD, past_the_bound), past_the_bound);
}

TEST(ClientConnection, ReportsWhenNoAttemptSucceedsAndKeepsRunningUntilExit) {
    const qvtest::ScopedHeartbeat heartbeat(boost::posix_time::milliseconds(20));
    const std::string port = qvtest::unused_loopback_port();
    ClientHarness harness(ServerInfo{"127.0.0.1", port, "x"});
    harness.start();
    ASSERT_TRUE(harness.wait_for_status(Kind::CONNECT_FAILED));
    const ConnectionStatus failure = harness.statuses().back();
    EXPECT_EQ(failure.host, "127.0.0.1");
    EXPECT_EQ(failure.port, port);
    EXPECT_FALSE(failure.reason.empty());

    // Heartbeats on an unconnected socket fail quietly; typed lines are dropped, not fatal.
    EXPECT_TRUE(harness.client().send_chat("hello"));
    EXPECT_FALSE(harness.client().is_connected());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_TRUE(harness.stop());
}

TEST(ClientConnection, ZeroLengthFieldEndsTheConnectionAsAProtocolError) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(server.send_raw({0x00, 0x00, 0x00, 'x', 'y'}));
    ASSERT_TRUE(harness.wait_for_status(Kind::PROTOCOL_ERROR));
    EXPECT_FALSE(harness.client().is_connected());
    EXPECT_TRUE(server.wait_for_disconnect()) << "the server must see the connection end";
    EXPECT_TRUE(harness.stop());
}

TEST(ClientConnection, ServerClosingInsideAPayloadStopsTheLoop) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    std::atomic<int> delivered{0};
    harness.client().register_callback(IN_RAW_TEXT,
                                       [&](Client*, const ByteVector&) { ++delivered; });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(server.send_raw({0x00, 0x10, 0x00, 1, 2, 3}));
    server.close_client();
    ASSERT_TRUE(harness.wait_for_status(Kind::CONNECTION_LOST));
    EXPECT_TRUE(harness.stop());
    EXPECT_EQ(delivered, 0);
}

TEST(ClientConnection, ExitIsHarmlessBeforeStartTwiceAndAfterStop) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.client().exit();
    harness.start();
    EXPECT_TRUE(harness.stop());
    harness.client().exit();
    harness.client().exit();
    EXPECT_TRUE(harness.stop());
}

TEST(ClientWrites, OversizedPayloadIsRefusedAndTheLargestOneArrivesWhole) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.start();
    ASSERT_TRUE(server.wait_for_client());

    EXPECT_FALSE(harness.client().send_packet(SendPacket{OUT_RAW_TEXT, ByteVector(65535, 'x')}));
    EXPECT_TRUE(harness.client().send_packet(SendPacket{OUT_RAW_TEXT, ByteVector(65534, 'y')}));
    EXPECT_TRUE(harness.client().send_chat("after"));
    ASSERT_TRUE(server.wait_for_count(OUT_RAW_TEXT, 2));

    const auto frames = server.frames();
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(frames[0].payload, ByteVector(65534, 'y'));
    EXPECT_EQ(frames[1].payload, (ByteVector{'a', 'f', 't', 'e', 'r'}));
}

TEST(ClientWrites, WritesPostedTogetherLeaveInOrder) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    for (int i = 0; i < 200; ++i) {
        harness.client().send_chat(std::to_string(i));
    }
    ASSERT_TRUE(server.wait_for_count(OUT_RAW_TEXT, 200));
    const auto frames = server.frames();
    for (int i = 0; i < 200; ++i) {
        const std::string expected = std::to_string(i);
        EXPECT_EQ(frames[static_cast<std::size_t>(i)].payload,
                  ByteVector(expected.begin(), expected.end()));
    }
}

TEST(ClientWrites, ServerThatStopsReadingBoundsTheBacklogWhileTextStillArrives) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    std::atomic<int> delivered{0};
    harness.client().register_callback(IN_RAW_TEXT,
                                       [&](Client*, const ByteVector&) { ++delivered; });
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(qvtest::wait_until([&] { return harness.client().is_connected(); }));
    server.pause_reading(true);

    const std::size_t accepted = harness.send_until_refused(LARGE_PAYLOAD, MORE_THAN_FITS);
    ASSERT_LT(accepted, MORE_THAN_FITS) << "the backlog of unwritten messages has no bound";
    EXPECT_GE(accepted, MAX_PENDING_WRITE_BYTES / (HEADER_SIZE + LARGE_PAYLOAD));

    // The waiting write holds up neither reading nor dispatch.
    constexpr int LINES = 20;
    for (int line = 0; line < LINES; ++line) {
        ASSERT_TRUE(server.send_text(0, "line " + std::to_string(line)));
    }
    EXPECT_TRUE(qvtest::wait_until([&] { return delivered == LINES; })) << delivered;

    // Every accepted message arrives whole and in order once the server reads again, and the
    // written bytes leave the backlog: it takes nearly as much again.
    server.pause_reading(false);
    ASSERT_TRUE(server.wait_for_count(OUT_RAW_TEXT, accepted));
    const auto again = [](std::size_t index) {
        return ByteVector(LARGE_PAYLOAD, static_cast<unsigned char>('A' + index));
    };
    constexpr std::size_t FITS_AGAIN = 16;
    std::size_t sent_again = 0;
    EXPECT_TRUE(qvtest::wait_until([&] {
        while (sent_again < FITS_AGAIN &&
               harness.client().send_packet(SendPacket{OUT_RAW_TEXT, again(sent_again)})) {
            ++sent_again;
        }
        return sent_again == FITS_AGAIN;
    })) << sent_again;
    ASSERT_TRUE(server.wait_for_count(OUT_RAW_TEXT, accepted + sent_again));
    std::vector<ByteVector> texts;
    for (const ReceivedFrame& frame : server.frames()) {
        if (frame.type == OUT_RAW_TEXT) {
            texts.push_back(frame.payload);
        }
    }
    ASSERT_EQ(texts.size(), accepted + sent_again);
    for (std::size_t index = 0; index < texts.size(); ++index) {
        const ByteVector expected =
            index < accepted
                ? ByteVector(LARGE_PAYLOAD, static_cast<unsigned char>('a' + index % 26))
                : again(index - accepted);
        EXPECT_EQ(texts[index], expected) << "message " << index;
    }
    EXPECT_EQ(server.count_of_type(OUT_LOGIN), 1U);
}

TEST(ClientWrites, ExitEndsTheLoopEvenWhileThePeerStopsReading) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    server.pause_reading(true);
    ASSERT_LT(harness.send_until_refused(LARGE_PAYLOAD, MORE_THAN_FITS), MORE_THAN_FITS);
    // The wait for the backlog gives up at its limit.
    harness.client().wait_for_writes(std::chrono::milliseconds(50));
    EXPECT_TRUE(harness.stop());
}

TEST(ClientWrites, LinesSentJustBeforeExitAreWrittenFirst) {
    FakeGameServer server;
    ClientHarness harness(server.server_info());
    harness.start();
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(qvtest::wait_until([&] { return harness.client().is_connected(); }));
    constexpr std::size_t LINES = 300;
    for (std::size_t line = 0; line < LINES; ++line) {
        ASSERT_TRUE(harness.client().send_chat("last words " + std::to_string(line)));
    }
    harness.client().wait_for_writes(std::chrono::seconds(10));
    EXPECT_TRUE(harness.stop());
    EXPECT_TRUE(server.wait_for_count(OUT_RAW_TEXT, LINES));
}

}  // namespace
}  // namespace qvnetworklib
