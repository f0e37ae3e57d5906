#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qvnetworklib {

using ByteVector = std::vector<unsigned char>;

// One incoming message while it is read: the 3-byte header first, then the payload.
struct Packet {
    Packet();

    ByteVector header;
    ByteVector data;
};

// One outgoing message, without its frame header.
struct SendPacket {
    std::uint8_t type = 0;
    ByteVector data;
};

// The payload size that a received frame header (type, length low, length high) announces, or
// nothing for a length field of 0, which no frame can have.
std::optional<std::size_t> announced_payload_size(const ByteVector& header);

// Appends the frame of `packet` (type, length low, length high, payload) to `frame`.
// The caller makes sure the payload fits the 16-bit length field.
void append_frame(const SendPacket& packet, ByteVector& frame);

}  // namespace qvnetworklib
