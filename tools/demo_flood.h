#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "network/Packet.h"

namespace qvdemo {

// Line `number` (1 to `total`) of a flood: local speech, channel chat, a received private
// message or server text with colour bytes, in turn; its text is `text_bytes` long (0: 40 to
// 200 bytes, differing from line to line) and carries flood_marker(number, total) so a test can
// count every line.
qvnetworklib::SendPacket flood_line(std::size_t number, std::size_t total,
                                    std::size_t text_bytes = 0);

// Lines 1 to `total` of a flood as the bytes of their frames, in pieces of about 64 KiB (so that
// a large flood needs no one block of memory), built before the first is sent so that the time a
// benchmark takes from the flood's start is the receiver's alone.
std::vector<qvnetworklib::ByteVector> flood_stream(std::size_t total, std::size_t text_bytes = 0);

// "flood 17 of 1000 ": unique for each line of a flood.
std::string flood_marker(std::size_t number, std::size_t total);

constexpr std::size_t FLOOD_MIN_TEXT = 40;
constexpr std::size_t FLOOD_MAX_TEXT = 200;
// The longest text a flood line may be given: a whole message less its code and a colour byte.
constexpr std::size_t FLOOD_MAX_TEXT_BYTES = 65000;

}  // namespace qvdemo
