#include "gui/spelling/learned_words.h"

#include <algorithm>

namespace qvchat2gui {

std::string folded_ascii(std::string_view word) {
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char character) {
        return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                    : character;
    });
    return lower;
}

bool LearnedWords::learn(const std::string& word) {
    if (word.empty() || !folded.insert(folded_ascii(word)).second) {
        return false;
    }
    words.push_back(word);
    return true;
}

bool LearnedWords::forget(const std::string& word) {
    const std::string key = folded_ascii(word);
    if (folded.erase(key) == 0) {
        return false;
    }
    words.erase(
        std::remove_if(words.begin(), words.end(),
                       [&key](const std::string& kept) { return folded_ascii(kept) == key; }),
        words.end());
    return true;
}

}  // namespace qvchat2gui
