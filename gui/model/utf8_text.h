#pragma once

#include <cstddef>
#include <string_view>

// UTF-8 as a terminal sends what is typed. The game's text is single-byte (latin1_text.h); a
// typed character becomes game bytes there.
namespace qvchat2gui {

// One UTF-8 character read from the front of some bytes. A malformed one (a stray continuation
// byte, an overlong form, a surrogate, beyond U+10FFFF, a lead byte cut short) takes the bytes
// up to the first that does not belong to it, which is then read anew.
struct Utf8Read {
    enum class Status { complete, unfinished, malformed };
    Status status = Status::malformed;
    char32_t character = 0;
    std::size_t length = 1;
};

// `bytes` must not be empty.
Utf8Read read_utf8(std::string_view bytes);

// The character typed as `bytes`, one byte after the other, by a terminal whose encoding is not
// known: bytes that form one whole UTF-8 character are that character; a byte that cannot begin
// one is a Latin-1 character (the first 256 code points of Unicode), so that a Latin-1 terminal
// keeps typing its letters. `length` is the bytes taken, at least 1; `unfinished` asks for the
// next byte, when there is one, before deciding.
struct TypedCharacter {
    char32_t character = 0;
    std::size_t length = 1;
    bool unfinished = false;
};
TypedCharacter read_typed_character(std::string_view bytes);

}  // namespace qvchat2gui
