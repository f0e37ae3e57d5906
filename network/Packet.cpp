#include "network/Packet.h"

#include <algorithm>

#include "network/message_types.h"

namespace qvnetworklib {

Packet::Packet() : header(HEADER_SIZE, 0) {}

std::optional<std::size_t> announced_payload_size(const ByteVector& header) {
    const std::size_t length = header.at(1) | (header.at(2) << 8U);
    if (length == 0) {
        return std::nullopt;
    }
    return length - 1;
}

void append_frame(const SendPacket& packet, ByteVector& frame) {
    const std::size_t length = packet.data.size() + 1;
    const std::size_t needed = frame.size() + HEADER_SIZE + packet.data.size();
    if (frame.capacity() < needed) {
        // Grows by at least half again, so that appending frame after frame stays linear.
        frame.reserve(std::max(needed, frame.capacity() + frame.capacity() / 2));
    }
    frame.push_back(packet.type);
    frame.push_back(static_cast<unsigned char>(length & 0xFFU));
    frame.push_back(static_cast<unsigned char>((length >> 8U) & 0xFFU));
    frame.insert(frame.end(), packet.data.begin(), packet.data.end());
}

}  // namespace qvnetworklib
