#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "gui/spelling/spell_checker.h"

namespace qvchat2gui {

// An input line changed by a suggestion, and what the input box says about it.
struct SpellEdit {
    std::string line;
    std::size_t cursor = 0;
    std::string message;  // "Suggestions for "teh": the, ten, tea"
};

// What each press of the suggestion key (Alt-S) does to the input line. The first press takes
// the misspelt word under the cursor, else the nearest misspelt word before it, and puts the first
// suggestion in its place; each further press, while the line and the cursor are as the last
// edit left them, puts the next suggestion there, then the word as typed, then the first again.
// Main thread only, with the line editor.
class SpellingSuggestions {
public:
    // The edit for one press at byte `cursor` of `line`. With no misspelt word, the word under or
    // before the cursor is said to be spelt right, and the line is left as it is; with no word
    // there at all, nothing.
    std::optional<SpellEdit> next(const std::string& line, std::size_t cursor,
                                  SpellChecker& checker);
    // The next press starts anew, as after any other key.
    void reset();

private:
    SpellEdit replace_word(const std::string& line, std::size_t cursor);

    std::vector<std::string> choices;  // the suggestions, then the word as typed
    std::size_t chosen = 0;
    std::size_t word_begin = 0;
    std::size_t word_end = 0;
    std::string message;
    std::optional<std::string> edited_line;  // as the last edit left it
    std::size_t edited_cursor = 0;
};

}  // namespace qvchat2gui
