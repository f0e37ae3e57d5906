#include "tools/demo_payloads.h"

#include <gtest/gtest.h>

#include "network/message_types.h"

namespace qvdemo {
namespace {

using qvnetworklib::ByteVector;

TEST(DemoPayloads, RawTextIsCodeSkippedByteAndText) {
    const auto packet = raw_text(PM_CODE, "[PM to Bob: hi]");
    EXPECT_EQ(packet.type, qvnetworklib::IN_RAW_TEXT);
    ByteVector expected{1, 0};
    const std::string text = "[PM to Bob: hi]";
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(packet.data, expected);
}

TEST(DemoPayloads, RawTextTooLongForOneFrameIsCutToTheLargestPayload) {
    const auto packet = raw_text(SERVER_CODE, std::string(70000, 'x'));
    EXPECT_EQ(packet.data.size(), qvnetworklib::MAX_PAYLOAD_SIZE);
}

TEST(DemoPayloads, ChannelsAreThirteenBytesLittleEndian) {
    const auto packet = assign_channels(1, {3, 0x01020304, 1000042});
    EXPECT_EQ(packet.type, qvnetworklib::IN_ASSIGN_CHANNELS);
    const ByteVector expected{1, 3, 0, 0, 0, 4, 3, 2, 1, 0x6A, 0x42, 0x0F, 0x00};
    EXPECT_EQ(packet.data, expected);
}

TEST(DemoPayloads, ClockIsSixteenBitMinutes) {
    const auto packet = update_clock(300);
    EXPECT_EQ(packet.type, qvnetworklib::IN_UPDATE_CLOCK);
    EXPECT_EQ(packet.data, (ByteVector{0x2C, 0x01}));
}

TEST(DemoPayloads, PlainActorHasHealthTypeAndNameAtTheirOffsets) {
    const auto packet = add_actor(DemoActor{0x1234, 20, 60, 45, "Grey Wolf", "", false});
    EXPECT_EQ(packet.type, qvnetworklib::IN_ADD_ACTOR);
    ByteVector expected{0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 60, 0, 45, 0, 20};
    const std::string name = "Grey Wolf";
    expected.insert(expected.end(), name.begin(), name.end());
    expected.push_back(0);
    EXPECT_EQ(packet.data, expected);
}

TEST(DemoPayloads, EnhancedActorCarriesColouredNameAndTag) {
    const auto packet = add_actor(DemoActor{101, 2, 0x0102, 0x0304, "Ann", "XY", true});
    EXPECT_EQ(packet.type, qvnetworklib::IN_ADD_ENHANCED_ACTOR);
    ASSERT_EQ(packet.data.size(), 28U + 1 + 3 + 1 + 1 + 2 + 1);
    EXPECT_EQ(packet.data[0], 101);
    EXPECT_EQ(packet.data[1], 0);
    EXPECT_EQ(packet.data[23], 0x02);  // maximum health, low byte first
    EXPECT_EQ(packet.data[24], 0x01);
    EXPECT_EQ(packet.data[25], 0x04);  // current health
    EXPECT_EQ(packet.data[26], 0x03);
    EXPECT_EQ(packet.data[27], 2);  // type
    // Name field: a colour byte, the name, a space, a colour byte, the tag, a 0 byte.
    EXPECT_GE(packet.data[28], 127);
    EXPECT_LE(packet.data[28], 154);
    EXPECT_EQ(std::string(packet.data.begin() + 29, packet.data.begin() + 33), "Ann ");
    EXPECT_GE(packet.data[33], 127);
    EXPECT_LE(packet.data[33], 154);
    EXPECT_EQ(std::string(packet.data.begin() + 34, packet.data.begin() + 36), "XY");
    EXPECT_EQ(packet.data.back(), 0);
}

TEST(DemoPayloads, EnhancedActorWithoutTagEndsAfterTheName) {
    const auto packet = add_actor(DemoActor{7, 1, 10, 10, "Bob", "", true});
    ASSERT_EQ(packet.data.size(), 28U + 1 + 3 + 1);
    EXPECT_EQ(std::string(packet.data.begin() + 29, packet.data.end() - 1), "Bob");
    EXPECT_EQ(packet.data.back(), 0);
}

TEST(DemoPayloads, RemoveDamageHealPingAndBadLogin) {
    EXPECT_EQ(remove_actor(0x0201).type, qvnetworklib::IN_REMOVE_ACTOR);
    EXPECT_EQ(remove_actor(0x0201).data, (ByteVector{0x01, 0x02}));
    EXPECT_EQ(actor_damage(5, 0x0110).type, qvnetworklib::IN_ACTOR_DAMAGE);
    EXPECT_EQ(actor_damage(5, 0x0110).data, (ByteVector{5, 0, 0x10, 0x01}));
    EXPECT_EQ(actor_heal(5, 7).type, qvnetworklib::IN_ACTOR_HEAL);
    EXPECT_EQ(actor_heal(5, 7).data, (ByteVector{5, 0, 7, 0}));
    EXPECT_EQ(ping_request(0x04030201).type, qvnetworklib::IN_PING_REQUEST);
    EXPECT_EQ(ping_request(0x04030201).data, (ByteVector{1, 2, 3, 4}));
    EXPECT_EQ(bad_login().type, qvnetworklib::IN_BAD_LOGIN);
    EXPECT_TRUE(bad_login().data.empty());
}

}  // namespace
}  // namespace qvdemo
