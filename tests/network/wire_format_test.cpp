#include <gtest/gtest.h>

#include "network/QVClient.h"

namespace qvnetworklib {
namespace {

ByteVector framed(std::uint8_t type, ByteVector payload) {
    ByteVector frame;
    append_frame(SendPacket{type, std::move(payload)}, frame);
    return frame;
}

TEST(Assemble, CombinesLittleEndianBytes) {
    EXPECT_EQ(assemble(0x34, 0x12), 0x1234);
    EXPECT_EQ(assemble(0xFF, 0xFF), 0xFFFF);
    EXPECT_EQ(assemble(1, 0, 0, 0), 1U);
    EXPECT_EQ(assemble(0, 0, 0, 1), 16777216U);
    EXPECT_EQ(assemble(0x78, 0x56, 0x34, 0x12), 0x12345678U);
    EXPECT_EQ(assemble(0xFF, 0xFF, 0xFF, 0xFF), 0xFFFFFFFFU);
}

TEST(Packet, StartsWithZeroedHeaderAndEmptyPayload) {
    const Packet packet;
    EXPECT_EQ(packet.header, ByteVector(3, 0));
    EXPECT_TRUE(packet.data.empty());
}

TEST(Frame, LengthFieldIsPayloadSizePlusOne) {
    EXPECT_EQ(framed(OUT_HEARTBEAT, {}), (ByteVector{0x0E, 0x01, 0x00}));
    EXPECT_EQ(framed(OUT_LOC, {}), (ByteVector{0x0F, 0x01, 0x00}));
    EXPECT_EQ(framed(OUT_RAW_TEXT, {'h', 'i'}), (ByteVector{0x00, 0x03, 0x00, 0x68, 0x69}));
}

TEST(Frame, LengthFieldCarriesIntoTheHighByte) {
    const ByteVector frame255 = framed(OUT_RAW_TEXT, ByteVector(255, 'x'));
    EXPECT_EQ(frame255[1], 0x00);
    EXPECT_EQ(frame255[2], 0x01);
    EXPECT_EQ(frame255.size(), 258U);

    const ByteVector largest = framed(OUT_RAW_TEXT, ByteVector(MAX_PAYLOAD_SIZE, 'x'));
    EXPECT_EQ(largest[1], 0xFF);
    EXPECT_EQ(largest[2], 0xFF);
    EXPECT_EQ(largest.size(), MAX_PAYLOAD_SIZE + 3);
}

TEST(Frame, HeaderAnnouncesPayloadSizeUnlessTheLengthIsZero) {
    EXPECT_EQ(announced_payload_size({0, 1, 0}), 0U);
    EXPECT_EQ(announced_payload_size({0, 3, 0}), 2U);
    EXPECT_EQ(announced_payload_size({0, 0x00, 0x01}), 255U);
    EXPECT_EQ(announced_payload_size({0, 0xFF, 0xFF}), MAX_PAYLOAD_SIZE);
    EXPECT_FALSE(announced_payload_size({0, 0, 0}).has_value());
}

TEST(Frame, AppendsBehindWhatTheBufferHolds) {
    ByteVector frames;
    append_frame(SendPacket{OUT_LOC, {}}, frames);
    append_frame(SendPacket{OUT_PM, {'a'}}, frames);
    EXPECT_EQ(frames, (ByteVector{0x0F, 0x01, 0x00, 0x02, 0x02, 0x00, 'a'}));
}

}  // namespace
}  // namespace qvnetworklib
