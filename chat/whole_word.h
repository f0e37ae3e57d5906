#pragma once

#include <string>

namespace qvchat2 {

// Whether `word` occurs in `text` as a whole word: ASCII letters compared without case, and the
// match bounded on each side by the start or end of the text or by a byte that is not a letter
// (ASCII or Latin-1), a digit or '_'. So "Al" is named in "hi Al!" but not in "a walk". An empty
// word never matches. This decides which lines are highlighted and ring for the user.
bool contains_whole_word(const std::string& text, const std::string& word);

}  // namespace qvchat2
