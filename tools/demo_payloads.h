#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "network/Packet.h"
#include "network/message_types.h"

// Builders of the messages the demo server sends, byte for byte as the client parses them.
namespace qvdemo {

// Channel codes of raw text, each with the text format the client splits it by.
constexpr std::uint8_t LOCAL_CODE = 0;          // "Name: text", or "Name text" for an emote
constexpr std::uint8_t PM_CODE = 1;             // "[PM from Name: text]" / "[PM to Name: text]"
constexpr std::uint8_t GM_CODE = 2;             // "#GM from Name: text"
constexpr std::uint8_t SERVER_CODE = 3;         // plain text
constexpr std::uint8_t FIRST_CHANNEL_CODE = 5;  // "[Name]: text"; slot i has code 5 + i

// Room for text in one raw-text message (after the channel code and the skipped byte).
constexpr std::size_t MAX_TEXT_SIZE = qvnetworklib::MAX_PAYLOAD_SIZE - 2;

constexpr std::size_t CHANNEL_SLOTS = 3;
using ChannelNumbers = std::array<std::uint32_t, CHANNEL_SLOTS>;  // 0 = empty slot

// One character as the actor messages describe it.
struct DemoActor {
    std::uint16_t id = 0;
    std::uint8_t type = 0;
    std::uint16_t max_health = 0;
    std::uint16_t current_health = 0;
    std::string name;  // one word for an enhanced actor
    std::string tag;   // guild tag of an enhanced actor; empty for none
    bool enhanced = false;
};

// Raw text on a channel code. A text too long for one frame is cut to fit.
qvnetworklib::SendPacket raw_text(std::uint8_t channel_code, const std::string& text);
// The three channel slots and the slot of the active channel: 13 bytes.
qvnetworklib::SendPacket assign_channels(std::uint8_t active_slot, const ChannelNumbers& numbers);
// The game time as minutes since midnight.
qvnetworklib::SendPacket update_clock(std::uint16_t minutes);
// A plain or an enhanced actor, by the actor's `enhanced` flag.
qvnetworklib::SendPacket add_actor(const DemoActor& actor);
qvnetworklib::SendPacket remove_actor(std::uint16_t id);
qvnetworklib::SendPacket actor_damage(std::uint16_t id, std::uint16_t amount);
qvnetworklib::SendPacket actor_heal(std::uint16_t id, std::uint16_t amount);
// A ping carrying its sequence number; the client must send the same 4 bytes back.
qvnetworklib::SendPacket ping_request(std::uint32_t sequence);
qvnetworklib::SendPacket bad_login();

}  // namespace qvdemo
