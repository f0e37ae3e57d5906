#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvchat2gui {

// What the user's triggers ask of a received line on the screen, beyond showing it.
struct LineEffects {
    std::optional<std::uint8_t> colour;  // the whole line in the colour of this colour byte
    bool bell = false;                   // rung whatever the bell setting says
    bool notify = false;                 // told outside the terminal as a private message is
};

// Whether the screen takes `byte` as a change of colour: the colour bytes of the chat's lines and
// the one server code it honours.
bool is_shown_colour(std::uint8_t byte);
// The line in the colour of `colour` from start to end: its own colour changes give way.
std::string recoloured_line(std::string_view line, std::uint8_t colour);

}  // namespace qvchat2gui
