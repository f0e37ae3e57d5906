#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "gui/model/match_range.h"
#include "gui/spelling/spelling_suggestions.h"

namespace qvchat2gui {

class SpellingState;

// The spelling of the entry being typed, for a front-end with an input line: the words to mark
// and the suggestions of Alt-S. Input thread only, as the spelling state it asks.
class InputSpelling {
public:
    // Where the checker of the run is; none: spelling is never on.
    void set_state(SpellingState* spelling);
    // The misspelt words of the entry, as byte ranges; none while spelling is off.
    std::vector<MatchRange> marks(const std::string& entry);
    // Alt-S at byte `cursor` of the entry: the entry with the next suggestion in place and what
    // the box says of it; with spelling off, the entry as it is and a message saying so.
    std::optional<SpellEdit> suggest(const std::string& entry, std::size_t cursor);
    // Any other key: the next Alt-S starts anew.
    void other_key();

private:
    SpellingState* state = nullptr;
    SpellingSuggestions suggestions;
};

}  // namespace qvchat2gui
