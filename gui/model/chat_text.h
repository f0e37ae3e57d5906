#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the bytes of a chat line mean to every front-end: the colour bytes the chat logic puts
// first, how much a line asks for the user's attention, the state of the connection.
namespace qvchat2gui {

// Colour bytes that the chat logic puts first in a shown line.
constexpr std::uint8_t DEFAULT_COLOR = 0;
constexpr std::uint8_t PM_COLOR = 7;
constexpr std::uint8_t SERVER_COLOR = 17;
constexpr std::uint8_t OFF_CHANNEL_COLOR = 20;
constexpr std::uint8_t GM_COLOR = 25;

// How much a shown line asks for the user's attention: a line that names the user and a GM
// message are for the user; a private message received is that and more.
enum class Attention : std::uint8_t { none, for_user, private_message };

// What the front-end knows of the connection, for its status line.
enum class ConnectionState : std::uint8_t { unknown, connecting, connected, offline };

// A channel number above this is a guild channel.
constexpr std::uint32_t GUILD_CUTOFF = 1000000;

// Bytes 0x00-0x1F and 0x7F-0x9F (the colour codes among them): they take no screen column and
// never reach a log. Bytes 0xA0-0xFF are Latin-1 letters and take one column each. Inline: it is
// asked of every byte of every line.
inline bool is_control_character(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value < 0x20 || (value >= 0x7F && value <= 0x9F);
}
// Whether the line starts with a colour byte, which every row it wraps to carries.
inline bool starts_with_colour(std::string_view text) {
    return !text.empty() && text[0] != '\0' && is_control_character(text[0]);
}
// The server's colour codes, 0x7F-0x9A (colour index = value - 127).
bool is_color_code(char byte);
// For plain-stream output: 0x00-0x1F and 0x80-0xFF become '#', everything else stays.
char transform_illegals(char byte);
// `text` as a chat line in the server colour.
std::string server_line(const std::string& text);

}  // namespace qvchat2gui
