#include "tools/demo_flood.h"

#include <algorithm>

#include "tools/demo_cast.h"
#include "tools/demo_payloads.h"

namespace qvdemo {

namespace {

constexpr char FILLER[] =
    "the market smells of bread and smoke while the bells ring over the harbour and the "
    "guards change at the gate; ";
constexpr std::size_t FILLER_SIZE = sizeof FILLER - 1;
constexpr unsigned char FIRST_SERVER_COLOR = 127;
constexpr unsigned SERVER_COLORS = 28;  // the colour codes 127 to 154
constexpr std::size_t FLOOD_PIECE_BYTES = std::size_t{64} * 1024;

// A length between the limits that differs from line to line.
std::size_t text_length(std::size_t number) {
    return FLOOD_MIN_TEXT + (number * 37U) % (FLOOD_MAX_TEXT - FLOOD_MIN_TEXT + 1);
}

// `head`, the marker and filler up to `length` bytes in all, then `tail`.
std::string padded(const std::string& head, const std::string& marker, const std::string& tail,
                   std::size_t length) {
    std::string text = head + marker;
    const std::size_t body = std::max(length, text.size() + tail.size()) - tail.size();
    for (std::size_t i = 0; text.size() < body; ++i) {
        text.push_back(FILLER[i % FILLER_SIZE]);
    }
    return text + tail;
}

}  // namespace

std::string flood_marker(std::size_t number, std::size_t total) {
    return "flood " + std::to_string(number) + " of " + std::to_string(total) + " ";
}

qvnetworklib::SendPacket flood_line(std::size_t number, std::size_t total, std::size_t text_bytes) {
    const auto& bots = demo_cast();
    const std::string& speaker = bots[number % bots.size()].name;
    const std::string marker = flood_marker(number, total);
    const std::size_t length = text_bytes > 0 ? text_bytes : text_length(number);
    switch (number % 4) {
        case 0:
            return raw_text(LOCAL_CODE, padded(speaker + ": ", marker, "", length));
        case 1: {
            const auto code =
                static_cast<std::uint8_t>(FIRST_CHANNEL_CODE + number % CHANNEL_SLOTS);
            return raw_text(code, padded("[" + speaker + "]: ", marker, "", length));
        }
        case 2:
            return raw_text(PM_CODE, padded("[PM from " + speaker + ": ", marker, "]", length));
        default: {
            const auto color = static_cast<char>(FIRST_SERVER_COLOR + number % SERVER_COLORS);
            const auto other = static_cast<char>(FIRST_SERVER_COLOR + (number + 7) % SERVER_COLORS);
            return raw_text(SERVER_CODE, padded(std::string(1, color), marker,
                                                std::string(1, other) + ".", length));
        }
    }
}

std::vector<qvnetworklib::ByteVector> flood_stream(std::size_t total, std::size_t text_bytes) {
    std::vector<qvnetworklib::ByteVector> pieces(1);
    for (std::size_t number = 1; number <= total; ++number) {
        if (pieces.back().size() >= FLOOD_PIECE_BYTES) {
            pieces.emplace_back();
        }
        qvnetworklib::append_frame(flood_line(number, total, text_bytes), pieces.back());
    }
    return pieces;
}

}  // namespace qvdemo
