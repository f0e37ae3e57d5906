#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/model/chat_text.h"

// What the reader front-end writes: a chat line as plain text in which the words say what colour
// says on the curses screen, and the input line with the cursor where the next character goes.
namespace qvchat2gui {

// How the reader's terminal takes text.
struct ReaderTerminal {
    bool colours = true;  // plain SGR colours for the colour bytes
};

// Who a line comes from: the game (its server and its players) or the client itself.
enum class LineOrigin : std::uint8_t { game, client };

// A chat line as the reader writes it, without the line end. One role word first: "Client: "
// before the client's own lines, whatever their colour; "Server: " before the game server's
// text; "GM: " before a GM line that does not already say "#GM". Colour bytes as SGR colours (or
// nothing), every other control byte as nothing (a line break as a space), Latin-1 letters in the
// locale's encoding. Never an escape sequence other than SGR colours.
std::string reader_line(std::string_view line, LineOrigin origin, const ReaderTerminal& terminal);

// Game bytes (Latin-1) in the locale's encoding, each byte one column; control bytes dropped.
std::string terminal_text(std::string_view game_bytes);

// Erases the input line's row and puts the cursor at its start, for a chat line to take it.
inline constexpr char CLEAR_INPUT_LINE[] = "\r\x1b[K";
inline constexpr char READER_PROMPT[] = "> ";
inline constexpr char BELL[] = "\a";

}  // namespace qvchat2gui
