#pragma once

#include <cstddef>
#include <cstdint>

// The wire protocol's constants, kept together so that no number is spelled twice.
namespace qvnetworklib {

// Frame: type (1 byte), length (2 bytes, little-endian, payload size + 1), payload.
constexpr std::size_t HEADER_SIZE = 3;
constexpr std::size_t MAX_PAYLOAD_SIZE = 65534;

// Server to client.
constexpr std::uint8_t IN_RAW_TEXT = 0;
constexpr std::uint8_t IN_ADD_ACTOR = 1;
constexpr std::uint8_t IN_UPDATE_CLOCK = 5;
constexpr std::uint8_t IN_REMOVE_ACTOR = 6;
constexpr std::uint8_t IN_ACTOR_DAMAGE = 47;
constexpr std::uint8_t IN_ACTOR_HEAL = 48;
constexpr std::uint8_t IN_ADD_ENHANCED_ACTOR = 51;
constexpr std::uint8_t IN_PING_REQUEST = 60;
constexpr std::uint8_t IN_ASSIGN_CHANNELS = 71;
constexpr std::uint8_t IN_BAD_LOGIN = 251;

// Client to server.
constexpr std::uint8_t OUT_RAW_TEXT = 0;
constexpr std::uint8_t OUT_PM = 2;
constexpr std::uint8_t OUT_HEARTBEAT = 14;
constexpr std::uint8_t OUT_LOC = 15;
constexpr std::uint8_t OUT_PING_RESPONSE = 60;
constexpr std::uint8_t OUT_LOGIN = 140;

}  // namespace qvnetworklib
