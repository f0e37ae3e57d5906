#pragma once

#include <cstddef>

#include "network/Packet.h"

namespace qvbench {

// The wire bytes of a flood of `lines` raw-text messages, the mix qvdemo --flood sends: local
// speech, channel chat, received private messages and server text with colour codes, each
// text 40 to 200 bytes long.
qvnetworklib::ByteVector flood_stream(std::size_t lines);

}  // namespace qvbench
