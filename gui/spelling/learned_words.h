#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qvchat2gui {

// `word` with its ASCII letters in lower case: names and learned words compare so.
std::string folded_ascii(std::string_view word);

// The words the user taught the spelling, in the order learned; the same word in another case
// of its ASCII letters is the same word.
class LearnedWords {
public:
    // False when it was there, or is empty.
    bool learn(const std::string& word);
    // False when it was not there.
    bool forget(const std::string& word);
    // `folded_word` as folded_ascii gives it.
    bool holds_folded(const std::string& folded_word) const {
        return folded.count(folded_word) != 0;
    }
    const std::vector<std::string>& list() const { return words; }

private:
    std::vector<std::string> words;
    std::unordered_set<std::string> folded;
};

}  // namespace qvchat2gui
