#include "tools/demo_misbehaviour.h"

#include <array>
#include <random>
#include <utility>

#include "network/message_types.h"
#include "tools/demo_payloads.h"

namespace qvdemo {

using qvnetworklib::ByteVector;

namespace {

constexpr std::array<std::pair<const char*, Misbehaviour>, 8> MODE_NAMES{{
    {"none", Misbehaviour::NONE},
    {"close-mid-header", Misbehaviour::CLOSE_MID_HEADER},
    {"close-mid-payload", Misbehaviour::CLOSE_MID_PAYLOAD},
    {"zero-length", Misbehaviour::ZERO_LENGTH},
    {"max-frames", Misbehaviour::MAX_FRAMES},
    {"drip", Misbehaviour::DRIP},
    {"silent", Misbehaviour::SILENT},
    {"garbage", Misbehaviour::GARBAGE},
}};

void append_packet(ByteVector& bytes, const qvnetworklib::SendPacket& packet) {
    qvnetworklib::append_frame(packet, bytes);
}

ByteVector max_frames() {
    ByteVector bytes;
    const std::size_t text_size = qvnetworklib::MAX_PAYLOAD_SIZE - 2;
    for (std::size_t frame = 1; frame <= MAX_FRAME_COUNT; ++frame) {
        std::string text = "max frame " + std::to_string(frame) + " ";
        text.resize(text_size, static_cast<char>('a' + frame));
        append_packet(bytes, raw_text(SERVER_CODE, text));
    }
    append_packet(bytes, raw_text(SERVER_CODE, MAX_FRAMES_DONE));
    return bytes;
}

ByteVector cut_payload() {
    const std::size_t length = CUT_PAYLOAD_ANNOUNCED + 1;
    ByteVector bytes{qvnetworklib::IN_RAW_TEXT, static_cast<unsigned char>(length & 0xFFU),
                     static_cast<unsigned char>(length >> 8U), SERVER_CODE, 0};
    bytes.resize(qvnetworklib::HEADER_SIZE + CUT_PAYLOAD_SENT, 'x');
    return bytes;
}

ByteVector garbage() {
    // A fixed seed: every run sends the same bytes, so a failure can be repeated.
    std::mt19937 generator(20240521U);
    std::uniform_int_distribution<int> byte(0, 255);
    ByteVector bytes(GARBAGE_SIZE);
    for (auto& value : bytes) {
        value = static_cast<unsigned char>(byte(generator));
    }
    return bytes;
}

}  // namespace

std::optional<Misbehaviour> misbehaviour_from_name(const std::string& name) {
    for (const auto& [mode_name, mode] : MODE_NAMES) {
        if (name == mode_name) {
            return mode;
        }
    }
    return std::nullopt;
}

std::vector<std::string> misbehaviour_names() {
    std::vector<std::string> names;
    names.reserve(MODE_NAMES.size());
    for (const auto& entry : MODE_NAMES) {
        names.emplace_back(entry.first);
    }
    return names;
}

bool replaces_world(Misbehaviour mode) {
    return mode != Misbehaviour::NONE && mode != Misbehaviour::DRIP && mode != Misbehaviour::SILENT;
}

MisbehaviourAct misbehaviour_act(Misbehaviour mode) {
    switch (mode) {
        case Misbehaviour::CLOSE_MID_HEADER:
            return {{qvnetworklib::IN_RAW_TEXT, 0x10}, true};
        case Misbehaviour::CLOSE_MID_PAYLOAD:
            return {cut_payload(), true};
        case Misbehaviour::ZERO_LENGTH:
            return {{qvnetworklib::IN_RAW_TEXT, 0x00, 0x00}, false};
        case Misbehaviour::MAX_FRAMES:
            return {max_frames(), false};
        case Misbehaviour::GARBAGE:
            return {garbage(), true};
        case Misbehaviour::NONE:
        case Misbehaviour::DRIP:
        case Misbehaviour::SILENT:
            break;
    }
    return {};
}

}  // namespace qvdemo
