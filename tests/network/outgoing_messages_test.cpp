#include <gtest/gtest.h>

#include <string>

#include "network/QVClient.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"

namespace qvnetworklib {
namespace {

ByteVector bytes(const std::string& text) {
    return ByteVector(text.begin(), text.end());
}

class OutgoingMessages : public ::testing::Test {
protected:
    void SetUp() override {
        harness.start();
        ASSERT_TRUE(server.wait_for_client());
    }

    // The one frame that the action sends.
    qvtest::ReceivedFrame sent_by(const std::function<void(Client&)>& action) {
        const std::size_t before = server.frames().size();
        action(harness.client());
        EXPECT_TRUE(
            server.wait_for([before](const auto& frames) { return frames.size() > before; }));
        return server.frames().at(before);
    }

    qvtest::FakeGameServer server;
    qvtest::ClientHarness harness{server.server_info()};
};

TEST_F(OutgoingMessages, ChatTextGoesOutUnchanged) {
    auto frame = sent_by([](Client& c) { c.send_chat("hi"); });
    EXPECT_EQ(frame.type, OUT_RAW_TEXT);
    EXPECT_EQ(frame.payload, bytes("hi"));

    frame = sent_by([](Client& c) { c.send_chat(""); });
    EXPECT_EQ(frame.type, OUT_RAW_TEXT);
    EXPECT_TRUE(frame.payload.empty());

    frame = sent_by([](Client& c) { c.send_chat(std::string("\xE9\x01#@x", 5)); });
    EXPECT_EQ(frame.payload, bytes(std::string("\xE9\x01#@x", 5)));
}

TEST_F(OutgoingMessages, ChannelChatPrefixes) {
    EXPECT_EQ(sent_by([](Client& c) { c.send_channel_chat(0, "hi"); }).payload, bytes("@hi"));
    EXPECT_EQ(sent_by([](Client& c) { c.send_channel_chat(5, "hi"); }).payload, bytes("@@5 hi"));
    EXPECT_EQ(sent_by([](Client& c) { c.send_channel_chat(12, ""); }).payload, bytes("@@12 "));
    EXPECT_EQ(sent_by([](Client& c) { c.send_channel_chat(4294967295U, "x"); }).payload,
              bytes("@@4294967295 x"));
}

TEST_F(OutgoingMessages, PrivateMessage) {
    const auto frame = sent_by([](Client& c) { c.send_pm("bob", "hi"); });
    EXPECT_EQ(frame.type, OUT_PM);
    EXPECT_EQ(frame.payload, bytes("bob hi"));
    EXPECT_EQ(sent_by([](Client& c) { c.send_pm("", ""); }).payload, bytes(" "));
}

TEST_F(OutgoingMessages, GmMessageAndServerCommand) {
    auto frame = sent_by([](Client& c) { c.send_gm("help"); });
    EXPECT_EQ(frame.type, OUT_RAW_TEXT);
    EXPECT_EQ(frame.payload, (ByteVector{0x23, 0x67, 0x6D, 0x20, 0x68, 0x65, 0x6C, 0x70}));
    frame = sent_by([](Client& c) { c.send_server_command("who", ""); });
    EXPECT_EQ(frame.payload, bytes("#who "));
}

TEST_F(OutgoingMessages, LocateRequestIsEmpty) {
    const auto frame = sent_by([](Client& c) { c.send_loc(); });
    EXPECT_EQ(frame.type, OUT_LOC);
    EXPECT_TRUE(frame.payload.empty());
}

TEST_F(OutgoingMessages, BuildersRefuseWhatNoFrameCanCarry) {
    EXPECT_FALSE(harness.client().send_chat(std::string(65535, 'x')));
    EXPECT_FALSE(harness.client().send_pm(std::string(65529, 'x'), "hello"));
    EXPECT_TRUE(harness.client().send_pm(std::string(65528, 'x'), "hello"));
}

}  // namespace
}  // namespace qvnetworklib
