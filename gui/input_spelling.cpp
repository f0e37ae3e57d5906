#include "gui/input_spelling.h"

#include "gui/spelling/misspelt_words.h"
#include "gui/spelling/spelling_state.h"

namespace qvchat2gui {

void InputSpelling::set_state(SpellingState* spelling) {
    state = spelling;
}

std::vector<MatchRange> InputSpelling::marks(const std::string& entry) {
    SpellChecker* checker = state != nullptr ? state->checker() : nullptr;
    if (checker == nullptr) {
        return {};
    }
    return misspelt_words(entry, *checker);
}

std::optional<SpellEdit> InputSpelling::suggest(const std::string& entry, std::size_t cursor) {
    SpellChecker* checker = state != nullptr ? state->checker() : nullptr;
    if (checker == nullptr) {
        return SpellEdit{entry, cursor, "Spelling is off: #set spell 1 switches it on."};
    }
    return suggestions.next(entry, cursor, *checker);
}

void InputSpelling::other_key() {
    suggestions.reset();
}

}  // namespace qvchat2gui
