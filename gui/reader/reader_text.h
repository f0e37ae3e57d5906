#pragma once

#include <string>
#include <string_view>

#include "gui/model/chat_text.h"

// What the reader front-end writes: a chat line as plain text in which the words say what colour
// says on the curses screen, and the input line with the cursor where the next character goes.
namespace qvchat2gui {

// How the reader's terminal takes text.
struct ReaderTerminal {
    bool colours = true;  // plain SGR colours for the colour bytes
    bool bell = true;     // a line for the user ends with the bell
};

// A chat line as the reader writes it, without the line end: "GM: " before a GM line, "Server: "
// before a server line; colour bytes as SGR colours (or nothing), every other control byte as
// nothing (a line break as a space), Latin-1 letters in the locale's encoding; a line for the
// user ends with the bell. Never an escape sequence other than SGR colours.
std::string reader_line(std::string_view line, Attention attention, const ReaderTerminal& terminal);

// Game bytes (Latin-1) in the locale's encoding, each byte one column; control bytes dropped.
std::string terminal_text(std::string_view game_bytes);

// The input line: carriage return, the prompt "> " and `visible` (game bytes), the rest of the
// row erased, and the cursor moved back to `cursor` (0 for the first byte of `visible`). Only the
// input line's own row is touched.
std::string input_line_text(std::string_view visible, std::size_t cursor);

// Erases the input line's row and puts the cursor at its start, for a chat line to take it.
inline constexpr char CLEAR_INPUT_LINE[] = "\r\x1b[K";
inline constexpr char READER_PROMPT[] = "> ";

}  // namespace qvchat2gui
