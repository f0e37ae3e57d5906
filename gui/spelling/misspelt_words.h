#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "gui/model/match_range.h"
#include "gui/spelling/spell_checker.h"

namespace qvchat2gui {

// The most words of one line that misspelt_words asks the dictionary about; each answer is
// remembered, so the words after them are looked up on the next calls, a key press never waiting
// for a whole pasted page.
constexpr std::size_t MAX_NEW_WORDS_PER_LINE = 64;

// The byte ranges of the words of `latin1_line` (checkable_words) that `checker` does not know, to
// be underlined, in order. A word not yet remembered after the first `max_new_words` looked up
// is left unmarked this time.
std::vector<MatchRange> misspelt_words(const std::string& latin1_line, SpellChecker& checker,
                                       std::size_t max_new_words = MAX_NEW_WORDS_PER_LINE);

}  // namespace qvchat2gui
