#pragma once

#include <array>
#include <string>

namespace qvchat2 {

// Whether `word` occurs in `text` as a whole word: ASCII letters compared without case, and the
// match bounded on each side by the start or end of the text or by a byte that is not a letter
// (ASCII or Latin-1), a digit or '_'. So "Al" is named in "hi Al!" but not in "a walk". An empty
// word never matches. This decides which lines are highlighted and ring for the user.
bool contains_whole_word(const std::string& text, const std::string& word);

// The byte classes of those rules, for a caller that splits a line into words once to look for
// many words in it.
struct WordBytes {
    std::array<unsigned char, 256>
        folded{};                  // ASCII letters as upper case, other bytes as they are
    std::array<bool, 256> word{};  // a letter (ASCII or Latin-1), a digit or '_'
};
const WordBytes& word_bytes();

}  // namespace qvchat2
