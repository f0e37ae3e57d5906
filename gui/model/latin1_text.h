#pragma once

#include <string>
#include <string_view>

// The game's text is single-byte: 0x7F to 0x9A are colour codes, 0xA0 to 0xFF are Latin-1
// letters and signs. These turn those letters into what a log, a screen or the server can take.
namespace qvchat2gui {

// The closest ASCII spelling of a Latin-1 byte 0xA0-0xFF, never empty ("e" for e-diaeresis,
// "ss" for sharp s, "(C)" for the copyright sign), the same in every locale. Any other byte
// gives "".
const char* ascii_form(unsigned char byte);

// The character painted for a byte that takes a screen column: printable ASCII as it is; a
// Latin-1 byte as its Unicode character when the current LC_CTYPE locale can encode it, else
// as its one-letter ASCII form, else '?'. Any other byte (never painted) gives '?'.
wchar_t shown_character(unsigned char byte);

// The game bytes for one character typed at the keyboard: printable ASCII and U+00A0-U+00FF
// as their single byte; control characters and U+0080-U+009F give nothing, so that a key can
// never send a colour code; any other character its printable ASCII transliteration in the
// current locale ("EUR" for the euro sign), or "?" when there is none.
std::string game_bytes_for_typed(wchar_t character);

// A message in UTF-8 from another program or a library, as game bytes: each character as
// game_bytes_for_typed gives it (so "\u201Cspeech\u201D" comes out as "\"speech\"" where the
// locale transliterates), a malformed byte as '?'.
std::string game_text_from_utf8(std::string_view utf8);

}  // namespace qvchat2gui
