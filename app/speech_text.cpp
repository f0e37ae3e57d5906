#include "app/speech_text.h"

#include <algorithm>

#include "gui/model/utf8_text.h"

namespace qvchat2 {

namespace {

constexpr char32_t FIRST_PRINTABLE = 0x20;
constexpr char32_t DELETE = 0x7F;
constexpr char32_t LAST_C1_CONTROL = 0x9F;
constexpr unsigned char FIRST_NON_ASCII = 0x80;

bool is_control(char32_t character) {
    return character < FIRST_PRINTABLE || (character >= DELETE && character <= LAST_C1_CONTROL);
}

}  // namespace

std::string speakable_text(std::string_view text) {
    std::string speakable;
    speakable.reserve(std::min(text.size(), MOST_SPOKEN_BYTES));
    bool has_words = false;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::string_view rest = text.substr(position);
        std::size_t length = 1;
        std::string_view kept = " ";
        if (static_cast<unsigned char>(rest[0]) < FIRST_NON_ASCII) {
            if (!is_control(static_cast<unsigned char>(rest[0]))) {
                kept = rest.substr(0, 1);
            }
        } else {
            const qvchat2gui::Utf8Read read = qvchat2gui::read_utf8(rest);
            length = read.length;
            if (read.status == qvchat2gui::Utf8Read::Status::complete &&
                !is_control(read.character)) {
                kept = rest.substr(0, length);
            }
        }
        if (speakable.size() + kept.size() > MOST_SPOKEN_BYTES) {
            break;
        }
        speakable += kept;
        has_words = has_words || kept != " ";
        position += length;
    }
    if (!has_words) {
        speakable.clear();
    }
    return speakable;
}

}  // namespace qvchat2
