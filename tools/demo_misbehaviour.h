#pragma once

#include <optional>
#include <string>
#include <vector>

#include "network/Packet.h"

namespace qvdemo {

// Ways the demo server can break the protocol on purpose, to test how a client copes.
enum class Misbehaviour {
    NONE,
    CLOSE_MID_HEADER,   // after the login: two bytes of a header, then the connection closes
    CLOSE_MID_PAYLOAD,  // after the login: a header and part of its payload, then it closes
    ZERO_LENGTH,        // after the login: a header whose length field is 0, then nothing
    MAX_FRAMES,         // after the login: frames of the largest size, then one ordinary line
    DRIP,               // everything as usual, but written one byte at a time
    SILENT,             // never sends a byte
    GARBAGE,            // after the login: random bytes, then the connection closes
};

// The mode names as given on the command line, e.g. "close-mid-header".
std::optional<Misbehaviour> misbehaviour_from_name(const std::string& name);
std::vector<std::string> misbehaviour_names();

// What the server sends after the login in place of the game world.
struct MisbehaviourAct {
    qvnetworklib::ByteVector bytes;
    bool close_after = false;  // close the connection once the bytes are written
};

// The act of a mode that replaces the world (every mode but NONE, DRIP and SILENT).
bool replaces_world(Misbehaviour mode);
MisbehaviourAct misbehaviour_act(Misbehaviour mode);

// Largest frames sent by MAX_FRAMES, and the line that follows them.
constexpr std::size_t MAX_FRAME_COUNT = 3;
constexpr char MAX_FRAMES_DONE[] = "max-frames done";
// Bytes sent by GARBAGE; payload bytes announced and actually sent by CLOSE_MID_PAYLOAD.
constexpr std::size_t GARBAGE_SIZE = 4096;
constexpr std::size_t CUT_PAYLOAD_ANNOUNCED = 50;
constexpr std::size_t CUT_PAYLOAD_SENT = 20;

}  // namespace qvdemo
