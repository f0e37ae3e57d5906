#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "network/Packet.h"

namespace qvfuzz {

// One message as the reader cuts it out of the byte stream.
struct Frame {
    std::uint8_t type = 0;
    qvnetworklib::ByteVector payload;
};

// How a byte stream that has no more whole frames ends.
enum class StreamEnd {
    CLOSED,          // the bytes ran out, between frames or inside one
    LENGTH_FIELD_0,  // a header announced a length of 0, which no frame can have
};

struct CutStream {
    std::vector<Frame> frames;
    StreamEnd end = StreamEnd::CLOSED;
};

// Cuts `size` bytes into frames with the reader's own header logic (announced_payload_size),
// as a connection that closes after the last byte would deliver them.
CutStream cut_frames(const std::uint8_t* data, std::size_t size);

}  // namespace qvfuzz
