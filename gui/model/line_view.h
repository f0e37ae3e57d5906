#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace qvchat2gui {

// Which conversation a received line belongs to, for the chat window's views: a joined channel
// (by its number), a player (the other side of private messages), local speech and other lines
// of no channel, or every view at once (GM messages and server text, which are about the game).
struct LineView {
    enum class Kind : std::uint8_t { every_view, local, channel, player };
    Kind kind = Kind::every_view;
    std::uint32_t channel = 0;
    std::string player;

    static LineView every() { return {}; }
    static LineView local_speech() { return {Kind::local, 0, {}}; }
    static LineView of_channel(std::uint32_t number) { return {Kind::channel, number, {}}; }
    static LineView of_player(std::string name) { return {Kind::player, 0, std::move(name)}; }
};

}  // namespace qvchat2gui
