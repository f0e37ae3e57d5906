#include "chat/whole_word.h"

#include <array>
#include <cstddef>

namespace qvchat2 {

namespace {

// Two tables built once: every line of chat asks both for each of its bytes.
WordBytes make_word_bytes() {
    WordBytes classes;
    for (std::size_t byte = 0; byte < classes.folded.size(); ++byte) {
        const bool lower = byte >= 'a' && byte <= 'z';
        const bool upper = byte >= 'A' && byte <= 'Z';
        classes.folded[byte] = static_cast<unsigned char>(lower ? byte - 'a' + 'A' : byte);
        // Latin-1 letters are 0xC0-0xFF but for the multiplication and division signs, and
        // the feminine and masculine ordinals and micro sign.
        const bool latin1_letter = (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7) || byte == 0xAA ||
                                   byte == 0xB5 || byte == 0xBA;
        classes.word[byte] =
            lower || upper || (byte >= '0' && byte <= '9') || byte == '_' || latin1_letter;
    }
    return classes;
}

unsigned char at(const std::string& text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

}  // namespace

const WordBytes& word_bytes() {
    static const WordBytes classes = make_word_bytes();
    return classes;
}

bool contains_whole_word(const std::string& text, const std::string& word) {
    const std::size_t length = word.size();
    if (length == 0 || length > text.size()) {
        return false;
    }
    const WordBytes& classes = word_bytes();
    const unsigned char first = classes.folded[at(word, 0)];
    const std::size_t last_start = text.size() - length;
    for (std::size_t start = 0; start <= last_start; ++start) {
        if (classes.folded[at(text, start)] != first ||
            (start > 0 && classes.word[at(text, start - 1)])) {
            continue;
        }
        const std::size_t end = start + length;
        if (end < text.size() && classes.word[at(text, end)]) {
            continue;
        }
        std::size_t matched = 1;
        while (matched < length &&
               classes.folded[at(text, start + matched)] == classes.folded[at(word, matched)]) {
            ++matched;
        }
        if (matched == length) {
            return true;
        }
    }
    return false;
}

}  // namespace qvchat2
