#include <gtest/gtest.h>

#include "network/message_types.h"
#include "tests/tools/demo_harness.h"
#include "tools/demo_misbehaviour.h"
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

qvdemo::DemoOptions options_for(Misbehaviour mode) {
    auto options = qvtest::test_options();
    options.misbehaviour = mode;
    options.drip_delay = std::chrono::milliseconds(1);
    return options;
}

// What a raw client gets after the greeting and its login, up to the server's close.
std::optional<ByteVector> after_login(Misbehaviour mode) {
    RunningDemo demo(options_for(mode));
    RawClient raw(demo.port());
    const auto greeting = raw.read_frame();
    EXPECT_TRUE(greeting.has_value());
    EXPECT_TRUE(raw.send_login("Wanderer", "demo"));
    return raw.read_until_closed();
}

TEST(DemoMisbehaviour, CloseMidHeaderSendsTwoHeaderBytesThenCloses) {
    const auto bytes = after_login(Misbehaviour::CLOSE_MID_HEADER);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), 2U);
}

TEST(DemoMisbehaviour, CloseMidPayloadSendsPartOfTheAnnouncedPayloadThenCloses) {
    const auto bytes = after_login(Misbehaviour::CLOSE_MID_PAYLOAD);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(bytes->size(), qvnetworklib::HEADER_SIZE + CUT_PAYLOAD_SENT);
    EXPECT_EQ((*bytes)[1] + 256 * (*bytes)[2], static_cast<int>(CUT_PAYLOAD_ANNOUNCED + 1));
}

TEST(DemoMisbehaviour, GarbageSendsItsBytesThenCloses) {
    const auto bytes = after_login(Misbehaviour::GARBAGE);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), GARBAGE_SIZE);
    EXPECT_EQ(*bytes, misbehaviour_act(Misbehaviour::GARBAGE).bytes);
}

TEST(DemoMisbehaviour, RealClientSurvivesEveryBreakingMode) {
    const std::pair<Misbehaviour, ConnectionStatus::Kind> cases[] = {
        {Misbehaviour::CLOSE_MID_HEADER, ConnectionStatus::Kind::CONNECTION_LOST},
        {Misbehaviour::CLOSE_MID_PAYLOAD, ConnectionStatus::Kind::CONNECTION_LOST},
        {Misbehaviour::ZERO_LENGTH, ConnectionStatus::Kind::PROTOCOL_ERROR},
    };
    for (const auto& [mode, status] : cases) {
        RunningDemo demo(options_for(mode));
        {
            RecordingClient client(demo.server_info());
            client.harness().start();
            EXPECT_TRUE(client.harness().wait_for_status(status)) << static_cast<int>(mode);
            EXPECT_TRUE(demo.events().wait_for(Kind::LOGIN_ACCEPTED));
            const auto frames = client.frames();
            ASSERT_EQ(frames.size(), 1U);  // the greeting, nothing of the broken frame
            EXPECT_EQ(text_of(frames[0].payload), DemoSession::GREETING);
        }
        // The session ends once the client has gone.
        EXPECT_TRUE(demo.events().wait_for(Kind::DISCONNECTED));
    }
}

TEST(DemoMisbehaviour, GarbageEndsTheRealClientsConnection) {
    RunningDemo demo(options_for(Misbehaviour::GARBAGE));
    RecordingClient client(demo.server_info());
    client.harness().start();
    EXPECT_TRUE(qvtest::wait_until([&] {
        for (const auto& status : client.harness().statuses()) {
            if (status.kind != ConnectionStatus::Kind::CONNECTED) {
                return true;
            }
        }
        return false;
    }));
}

TEST(DemoMisbehaviour, MaxFramesArriveWholeFollowedByAnOrdinaryLine) {
    RunningDemo demo(options_for(Misbehaviour::MAX_FRAMES));
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(client.wait_for_text(SERVER_CODE, MAX_FRAMES_DONE, std::chrono::seconds(15)));
    std::size_t largest = 0;
    for (const auto& frame : client.frames()) {
        if (frame.payload.size() == qvnetworklib::MAX_PAYLOAD_SIZE) {
            ++largest;
            EXPECT_EQ(text_of(frame.payload).rfind("max frame " + std::to_string(largest), 0), 0U);
        }
    }
    EXPECT_EQ(largest, MAX_FRAME_COUNT);
}

TEST(DemoMisbehaviour, DripDeliversEverythingIntactByteByByte) {
    RunningDemo demo(options_for(Misbehaviour::DRIP));
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(client.wait_for(
        [](const ReceivedFrame& frame) {
            return frame.type == qvnetworklib::IN_ASSIGN_CHANNELS && frame.payload.size() == 13;
        },
        std::chrono::seconds(20)));
    EXPECT_EQ(demo.events().count(Kind::LOGIN_ACCEPTED), 1U);
    client.client().send_chat("slowly");
    EXPECT_TRUE(client.wait_for_text(LOCAL_CODE, "Wanderer: slowly", std::chrono::seconds(20)));
}

TEST(DemoMisbehaviour, SilentNeverSpeaksSoTheClientNeverLogsIn) {
    const qvtest::ScopedHeartbeat fast(boost::posix_time::milliseconds(20));
    RunningDemo demo(options_for(Misbehaviour::SILENT));
    RecordingClient client(demo.server_info());
    client.harness().start();
    ASSERT_TRUE(qvtest::wait_until([&] { return demo.events().count(Kind::HEARTBEAT) >= 3; }));
    EXPECT_TRUE(client.frames().empty());
    EXPECT_EQ(demo.events().count(Kind::LOGIN_ACCEPTED), 0U);
    EXPECT_EQ(demo.events().count(Kind::MESSAGE_IGNORED), 0U);  // no login ever came

    RawClient raw(demo.port());
    ASSERT_TRUE(raw.send_login("Wanderer", "demo"));
    EXPECT_TRUE(raw.nothing_arrives(std::chrono::milliseconds(200)));
}

}  // namespace
}  // namespace qvdemo
