#include "tools/demo_payloads.h"

#include <algorithm>

#include "network/message_types.h"

namespace qvdemo {

using qvnetworklib::ByteVector;
using qvnetworklib::SendPacket;

namespace {

// Colour of an enhanced actor's name and of its guild tag (server colour codes).
constexpr unsigned char NAME_COLOR = 127 + 3;
constexpr unsigned char TAG_COLOR = 127 + 9;

// Bytes between the id and the health fields that the client does not read (position,
// direction, clothing in a real game).
constexpr std::size_t PLAIN_ACTOR_UNREAD = 10;
constexpr std::size_t ENHANCED_ACTOR_UNREAD = 21;

void append_u16(ByteVector& data, std::uint16_t value) {
    data.push_back(static_cast<unsigned char>(value & 0xFFU));
    data.push_back(static_cast<unsigned char>((value >> 8U) & 0xFFU));
}

void append_u32(ByteVector& data, std::uint32_t value) {
    for (unsigned shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<unsigned char>((value >> shift) & 0xFFU));
    }
}

void append_text(ByteVector& data, const std::string& text) {
    data.insert(data.end(), text.begin(), text.end());
}

SendPacket id_and_amount(std::uint8_t type, std::uint16_t id, std::uint16_t amount) {
    SendPacket packet{type, {}};
    append_u16(packet.data, id);
    append_u16(packet.data, amount);
    return packet;
}

}  // namespace

SendPacket raw_text(std::uint8_t channel_code, const std::string& text) {
    SendPacket packet{qvnetworklib::IN_RAW_TEXT, {channel_code, 0}};
    packet.data.insert(
        packet.data.end(), text.begin(),
        text.begin() + static_cast<std::ptrdiff_t>(std::min(MAX_TEXT_SIZE, text.size())));
    return packet;
}

SendPacket assign_channels(std::uint8_t active_slot, const ChannelNumbers& numbers) {
    SendPacket packet{qvnetworklib::IN_ASSIGN_CHANNELS, {active_slot}};
    for (const std::uint32_t number : numbers) {
        append_u32(packet.data, number);
    }
    return packet;
}

SendPacket update_clock(std::uint16_t minutes) {
    SendPacket packet{qvnetworklib::IN_UPDATE_CLOCK, {}};
    append_u16(packet.data, minutes);
    return packet;
}

SendPacket add_actor(const DemoActor& actor) {
    SendPacket packet{
        actor.enhanced ? qvnetworklib::IN_ADD_ENHANCED_ACTOR : qvnetworklib::IN_ADD_ACTOR, {}};
    append_u16(packet.data, actor.id);
    packet.data.resize(packet.data.size() +
                       (actor.enhanced ? ENHANCED_ACTOR_UNREAD : PLAIN_ACTOR_UNREAD));
    append_u16(packet.data, actor.max_health);
    append_u16(packet.data, actor.current_health);
    packet.data.push_back(actor.type);
    if (actor.enhanced) {
        packet.data.push_back(NAME_COLOR);
    }
    append_text(packet.data, actor.name);
    if (actor.enhanced && !actor.tag.empty()) {
        packet.data.push_back(' ');
        packet.data.push_back(TAG_COLOR);
        append_text(packet.data, actor.tag);
    }
    packet.data.push_back(0);
    return packet;
}

SendPacket remove_actor(std::uint16_t id) {
    SendPacket packet{qvnetworklib::IN_REMOVE_ACTOR, {}};
    append_u16(packet.data, id);
    return packet;
}

SendPacket actor_damage(std::uint16_t id, std::uint16_t amount) {
    return id_and_amount(qvnetworklib::IN_ACTOR_DAMAGE, id, amount);
}

SendPacket actor_heal(std::uint16_t id, std::uint16_t amount) {
    return id_and_amount(qvnetworklib::IN_ACTOR_HEAL, id, amount);
}

SendPacket ping_request(std::uint32_t sequence) {
    SendPacket packet{qvnetworklib::IN_PING_REQUEST, {}};
    append_u32(packet.data, sequence);
    return packet;
}

SendPacket bad_login() {
    return SendPacket{qvnetworklib::IN_BAD_LOGIN, {}};
}

}  // namespace qvdemo
