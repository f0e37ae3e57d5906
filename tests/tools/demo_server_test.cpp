#include "tools/demo_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <regex>

#include "network/QVClient.h"
#include "network/message_types.h"
#include "tests/tools/demo_harness.h"
#include "tools/demo_chat.h"
#include "tools/demo_flood.h"
#include "tools/demo_session.h"

namespace qvdemo {
namespace {

using qvnetworklib::ByteVector;
using qvnetworklib::ConnectionStatus;
using qvtest::RawClient;
using qvtest::ReceivedFrame;
using qvtest::RecordingClient;
using qvtest::RunningDemo;
using qvtest::text_of;
using Kind = DemoEvent::Kind;

bool is_type(const ReceivedFrame& frame, std::uint8_t type) {
    return frame.type == type;
}

// A raw client that has read the greeting and logged in with the demo login.
std::unique_ptr<RawClient> logged_in_raw_client(RunningDemo& demo) {
    auto client = std::make_unique<RawClient>(demo.port());
    const auto greeting = client->read_frame();
    EXPECT_TRUE(greeting.has_value());
    EXPECT_TRUE(client->send_login("Wanderer", "demo"));
    EXPECT_TRUE(demo.events().wait_for(Kind::LOGIN_ACCEPTED));
    return client;
}

TEST(DemoServer, SpeaksFirstThenAcceptsTheLoginAndBringsTheWorld) {
    RunningDemo demo;
    RawClient raw(demo.port());
    const auto greeting = raw.read_frame();
    ASSERT_TRUE(greeting.has_value());
    EXPECT_EQ(greeting->type, qvnetworklib::IN_RAW_TEXT);
    EXPECT_EQ(greeting->payload[0], SERVER_CODE);
    EXPECT_EQ(text_of(greeting->payload), DemoSession::GREETING);

    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(client.wait_for([](const ReceivedFrame& frame) {
        return is_type(frame, qvnetworklib::IN_ASSIGN_CHANNELS);
    }));
    EXPECT_TRUE(demo.events().wait_for(Kind::LOGIN_ACCEPTED));
    ASSERT_TRUE(client.wait_for([](const ReceivedFrame& frame) {
        return is_type(frame, qvnetworklib::IN_ADD_ENHANCED_ACTOR);
    }));
    const auto frames = client.frames();
    EXPECT_EQ(text_of(frames.front().payload), DemoSession::GREETING);
    for (const auto& frame : frames) {
        if (frame.type == qvnetworklib::IN_ASSIGN_CHANNELS) {
            EXPECT_EQ(frame.payload, (ByteVector{0, 1, 0, 0, 0, 7, 0, 0, 0, 0x6A, 0x42, 0x0F, 0}));
        }
        EXPECT_NE(frame.type, qvnetworklib::IN_BAD_LOGIN);
    }
}

TEST(DemoServer, WrongPasswordIsRefusedWithBadLoginAndTheConnectionEnds) {
    RunningDemo demo;
    RecordingClient client(demo.server_info(), "Wanderer", "wrong");
    client.harness().start();
    ASSERT_TRUE(client.wait_for(
        [](const ReceivedFrame& frame) { return is_type(frame, qvnetworklib::IN_BAD_LOGIN); }));
    EXPECT_TRUE(demo.events().wait_for(Kind::LOGIN_REFUSED));
    EXPECT_TRUE(client.harness().wait_for_status(ConnectionStatus::Kind::CONNECTION_LOST));
    for (const auto& frame : client.frames()) {
        EXPECT_NE(frame.type, qvnetworklib::IN_ASSIGN_CHANNELS);
    }
    EXPECT_EQ(demo.events().count(Kind::LOGIN_ACCEPTED), 0U);
}

TEST(DemoServer, WrongUserNameAndMalformedLoginsAreRefused) {
    RunningDemo demo;
    for (const auto& payload : {ByteVector{'A', ' ', 'd', 'e', 'm', 'o', 0},
                                ByteVector{'W', 'a', 'n', 'd', 'e', 'r', 'e', 'r', ' ', 'd', 'e',
                                           'm', 'o'},  // no terminating NUL
                                ByteVector{}}) {
        RawClient raw(demo.port());
        ASSERT_TRUE(raw.read_frame().has_value());
        ASSERT_TRUE(raw.send_frame(qvnetworklib::OUT_LOGIN, payload));
        const auto answer = raw.read_frame();
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->type, qvnetworklib::IN_BAD_LOGIN);
        EXPECT_TRUE(answer->payload.empty());
        const auto rest = raw.read_until_closed();
        ASSERT_TRUE(rest.has_value());
        EXPECT_TRUE(rest->empty());
    }
    EXPECT_EQ(demo.events().count(Kind::LOGIN_REFUSED), 3U);
}

TEST(DemoServer, ChatChannelChatPrivateMessagesAndLocationAreAnswered) {
    RunningDemo demo;
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(demo.events().wait_for(Kind::LOGIN_ACCEPTED));

    client.client().send_chat("hello there");
    EXPECT_TRUE(client.wait_for_text(LOCAL_CODE, "Wanderer: hello there"));
    client.client().send_channel_chat(0, "on the active one");
    EXPECT_TRUE(client.wait_for_text(5, "[Wanderer]: on the active one"));
    client.client().send_channel_chat(7, "on seven");
    EXPECT_TRUE(client.wait_for_text(6, "[Wanderer]: on seven"));
    client.client().send_pm("Ysolde", "any potions?");
    EXPECT_TRUE(client.wait_for_text(PM_CODE, "[PM to Ysolde: any potions?]"));
    EXPECT_TRUE(client.wait_for([](const ReceivedFrame& frame) {
        return frame.type == qvnetworklib::IN_RAW_TEXT && frame.payload[0] == PM_CODE &&
               text_of(frame.payload).rfind("[PM from Ysolde: ", 0) == 0;
    }));
    client.client().send_loc();
    EXPECT_TRUE(client.wait_for_text(SERVER_CODE, DemoChat::LOCATION_TEXT));
    client.client().send_gm("help me");
    EXPECT_TRUE(client.wait_for_text(GM_CODE, "#GM from Wanderer: help me"));
}

TEST(DemoServer, EchoBytesOnTheWire) {
    RunningDemo demo;
    auto raw = logged_in_raw_client(demo);
    std::string hi = "hi";
    ASSERT_TRUE(
        raw->send_frame(qvnetworklib::OUT_PM, ByteVector{'M', 'a', 'r', 'e', 'k', ' ', 'h', 'i'}));
    // Skip the arrival messages; the echo is the first private-message text.
    for (;;) {
        const auto frame = raw->read_frame();
        ASSERT_TRUE(frame.has_value());
        if (frame->type == qvnetworklib::IN_RAW_TEXT && frame->payload[0] == PM_CODE) {
            const std::string expected = "[PM to Marek: hi]";
            ByteVector payload{PM_CODE, 0};
            payload.insert(payload.end(), expected.begin(), expected.end());
            EXPECT_EQ(frame->payload, payload);
            break;
        }
    }
}

TEST(DemoServer, PingsAreSentAndTheirAnswersChecked) {
    auto options = qvtest::test_options();
    options.ping_interval = std::chrono::milliseconds(30);
    options.ping_timeout = std::chrono::milliseconds(2000);
    RunningDemo demo(options);
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(qvtest::wait_until([&] { return demo.events().count(Kind::PING_ANSWERED) >= 3; }));
    EXPECT_EQ(demo.events().count(Kind::PING_WRONG_ANSWER), 0U);
    EXPECT_EQ(demo.events().count(Kind::PING_MISSED), 0U);
}

TEST(DemoServer, AMissingPingAnswerDisconnectsWithAServerLine) {
    auto options = qvtest::test_options();
    options.ping_interval = std::chrono::milliseconds(20);
    options.ping_timeout = std::chrono::milliseconds(100);
    RunningDemo demo(options);
    auto raw = logged_in_raw_client(demo);
    std::optional<ReceivedFrame> ping;
    std::optional<ReceivedFrame> last;
    for (auto frame = raw->read_frame(); frame; frame = raw->read_frame()) {
        if (frame->type == qvnetworklib::IN_PING_REQUEST) {
            ping = frame;
            // A wrong answer does not count as an answer.
            ASSERT_TRUE(raw->send_frame(qvnetworklib::OUT_PING_RESPONSE, {9, 9, 9, 9}));
        }
        last = frame;
    }
    ASSERT_TRUE(ping.has_value());
    EXPECT_EQ(ping->payload, (ByteVector{1, 0, 0, 0}));
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(text_of(last->payload), DemoSession::PING_MISSED_TEXT);
    EXPECT_TRUE(demo.events().wait_for(Kind::PING_MISSED));
    raw.reset();  // the server waits for the client to close after its last words
    EXPECT_TRUE(demo.events().wait_for(Kind::DISCONNECTED));
    EXPECT_GE(demo.events().count(Kind::PING_WRONG_ANSWER), 1U);
}

TEST(DemoServer, ClockTicksEveryGameMinute) {
    auto options = qvtest::test_options();
    options.game_minute = std::chrono::milliseconds(20);
    RunningDemo demo(options);
    RecordingClient client(demo.server_info());
    client.harness().start();
    std::vector<int> minutes;
    ASSERT_TRUE(qvtest::wait_until([&] {
        minutes.clear();
        for (const auto& frame : client.frames()) {
            if (frame.type == qvnetworklib::IN_UPDATE_CLOCK) {
                minutes.push_back(qvnetworklib::assemble(frame.payload[0], frame.payload[1]));
            }
        }
        return minutes.size() >= 4;
    }));
    for (std::size_t i = 0; i < minutes.size(); ++i) {
        EXPECT_EQ(minutes[i], DemoWorld::START_MINUTES + static_cast<int>(i));
    }
}

TEST(DemoServer, AmbientLifeArrivesUnlessQuiet) {
    auto options = qvtest::test_options();
    options.quiet = false;
    options.chatter_interval = std::chrono::milliseconds(10);
    RunningDemo demo(options);
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(client.wait_for(
        [](const ReceivedFrame& frame) {
            return is_type(frame, qvnetworklib::IN_ACTOR_DAMAGE) ||
                   is_type(frame, qvnetworklib::IN_ACTOR_HEAL);
        },
        std::chrono::seconds(10)));
}

TEST(DemoServer, FloodDeliversEveryNumberedLineExactlyOnce) {
    constexpr std::size_t LINES = 3000;
    auto options = qvtest::test_options();
    options.flood_lines = LINES;
    RunningDemo demo(options);
    RecordingClient client(demo.server_info());
    const double before =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    client.harness().start();
    const std::regex marker("flood ([0-9]+) of 3000 ");
    std::map<std::size_t, int> seen;
    ASSERT_TRUE(qvtest::wait_until(
        [&] {
            seen.clear();
            for (const auto& frame : client.frames()) {
                std::smatch match;
                const std::string text = text_of(frame.payload);
                if (frame.type == qvnetworklib::IN_RAW_TEXT &&
                    std::regex_search(text, match, marker)) {
                    ++seen[std::stoul(match[1])];
                }
            }
            return seen.size() == LINES;
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(seen.begin()->first, 1U);
    EXPECT_EQ(seen.rbegin()->first, LINES);
    // A benchmark times the flood from the server's stamp, on the machine's monotonic clock.
    const auto events = demo.events().snapshot();
    const auto started = std::find_if(events.begin(), events.end(), [](const auto& event) {
        return event.kind == Kind::FLOOD_STARTED;
    });
    ASSERT_NE(started, events.end());
    EXPECT_EQ(demo.events().count(Kind::FLOOD_STARTED), 1U);
    const double stamp = std::stod(started->detail);
    EXPECT_GE(stamp, before);
    EXPECT_LE(
        stamp,
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count());
    for (const auto& [number, times] : seen) {
        EXPECT_EQ(times, 1) << "line " << number;
    }
}

TEST(DemoServer, OnceStopsAfterTheOneClientLeaves) {
    auto options = qvtest::test_options();
    options.once = true;
    RunningDemo demo(options);
    {
        RecordingClient client(demo.server_info());
        client.harness().start();
        ASSERT_TRUE(demo.events().wait_for(Kind::LOGIN_ACCEPTED));
        EXPECT_FALSE(demo.finished());
    }
    EXPECT_TRUE(qvtest::wait_until([&] { return demo.finished(); }));
}

TEST(DemoServer, SurvivesWhateverAClientSends) {
    RunningDemo demo;
    {
        auto raw = logged_in_raw_client(demo);
        for (std::uint8_t type = 0; type < 255; ++type) {
            if (type != qvnetworklib::OUT_LOGIN) {
                ASSERT_TRUE(raw->send_frame(type, {}));
                ASSERT_TRUE(raw->send_frame(type, {0xFF, '@', '@', ' ', 0, '#'}));
            }
        }
        ASSERT_TRUE(raw->send_frame(qvnetworklib::OUT_RAW_TEXT, ByteVector(65534, '@')));
        ASSERT_TRUE(raw->send_frame(qvnetworklib::OUT_PM, ByteVector(65534, 'x')));
        ASSERT_TRUE(raw->send_bytes({qvnetworklib::OUT_RAW_TEXT, 0, 0}));  // length field 0
        EXPECT_TRUE(demo.events().wait_for(Kind::PROTOCOL_ERROR));
        EXPECT_TRUE(raw->read_until_closed(std::chrono::seconds(10)).has_value());
    }
    {
        RawClient cut(demo.port());
        ASSERT_TRUE(cut.send_bytes({qvnetworklib::OUT_RAW_TEXT, 50, 0, 'a'}));  // then leaves
    }
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(qvtest::wait_until([&] { return demo.events().count(Kind::LOGIN_ACCEPTED) == 2; }));
    client.client().send_chat("still here?");
    EXPECT_TRUE(client.wait_for_text(LOCAL_CODE, "Wanderer: still here?"));
}

}  // namespace
}  // namespace qvdemo
