#include "gui/model/utf8_text.h"

namespace qvchat2gui {

namespace {

unsigned char byte_at(std::string_view bytes, std::size_t index) {
    return static_cast<unsigned char>(bytes[index]);
}

}  // namespace

Utf8Read read_utf8(std::string_view bytes) {
    const unsigned char lead = byte_at(bytes, 0);
    std::size_t length = 0;
    char32_t character = 0;
    // The range of the second byte, narrowed where it would make an overlong form, a surrogate
    // or a character beyond U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        character = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        character = lead & 0x0FU;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        character = lead & 0x07U;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {};
    }
    for (std::size_t index = 1; index < length; ++index) {
        if (index >= bytes.size()) {
            return {Utf8Read::Status::unfinished, 0, bytes.size()};
        }
        const unsigned char next = byte_at(bytes, index);
        if (next < low || next > high) {
            return {Utf8Read::Status::malformed, 0, index};
        }
        character = (character << 6U) | (next & 0x3FU);
        low = 0x80;
        high = 0xBF;
    }
    return {Utf8Read::Status::complete, character, length};
}

TypedCharacter read_typed_character(std::string_view bytes) {
    const unsigned char first = byte_at(bytes, 0);
    const Utf8Read read = read_utf8(bytes);
    switch (read.status) {
        case Utf8Read::Status::complete:
            return {read.character, read.length, false};
        case Utf8Read::Status::unfinished:
            return {first, 1, true};
        case Utf8Read::Status::malformed:
            break;
    }
    return {first, 1, false};
}

}  // namespace qvchat2gui
