#include "gui/spelling/misspelt_words.h"

#include "gui/spelling/spelling_words.h"

namespace qvchat2gui {

std::vector<MatchRange> misspelt_words(const std::string& latin1_line, SpellChecker& checker,
                                       std::size_t max_new_words) {
    std::vector<MatchRange> misspelt;
    std::size_t looked_up = 0;
    std::string word;
    for (const MatchRange& range : checkable_words(latin1_line)) {
        word.assign(latin1_line, range.begin, range.end - range.begin);
        if (!checker.remembered(word)) {
            if (looked_up == max_new_words) {
                continue;
            }
            ++looked_up;
        }
        if (!checker.known(word)) {
            misspelt.push_back(range);
        }
    }
    return misspelt;
}

}  // namespace qvchat2gui
