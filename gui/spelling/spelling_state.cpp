#include "gui/spelling/spelling_state.h"

#include <utility>

namespace qvchat2gui {

std::string SpellingState::use(const std::string& setting_value) {
    std::string problem;
    current = SpellChecker::open(setting_value, problem);
    if (current) {
        current->set_accepted_words(accepted_source);
        for (const std::string& word : learned_words.list()) {
            current->learn(word);
        }
    }
    return problem;
}

void SpellingState::set_accepted_words(SpellChecker::AcceptedWords source) {
    accepted_source = std::move(source);
    if (current) {
        current->set_accepted_words(accepted_source);
    }
}

void SpellingState::set_learned(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        learn(word);
    }
}

bool SpellingState::learn(const std::string& latin1_word) {
    if (!learned_words.learn(latin1_word)) {
        return false;
    }
    if (current) {
        current->learn(latin1_word);
    }
    return true;
}

bool SpellingState::forget(const std::string& latin1_word) {
    if (!learned_words.forget(latin1_word)) {
        return false;
    }
    if (current) {
        current->forget(latin1_word);
    }
    return true;
}

}  // namespace qvchat2gui
