#include "gui/spelling/spelling_suggestions.h"

#include <algorithm>

#include "gui/model/match_range.h"
#include "gui/spelling/spelling_words.h"

namespace qvchat2gui {

namespace {

std::string quoted(const std::string& word) {
    return "\"" + word + "\"";
}

std::string listed(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : ", ") + word;
    }
    return text;
}

// The word the cursor is in or just after, else the last before it.
std::optional<MatchRange> word_at_or_before(const std::vector<MatchRange>& words,
                                            std::size_t cursor) {
    std::optional<MatchRange> found;
    for (const MatchRange& word : words) {
        if (word.begin > cursor) {
            break;
        }
        found = word;
    }
    return found;
}

}  // namespace

std::optional<SpellEdit> SpellingSuggestions::next(const std::string& line, std::size_t cursor,
                                                   SpellChecker& checker) {
    cursor = std::min(cursor, line.size());
    if (edited_line && *edited_line == line && edited_cursor == cursor && !choices.empty()) {
        chosen = (chosen + 1) % choices.size();
        return replace_word(line, cursor);
    }
    reset();
    const std::vector<MatchRange> words = checkable_words(line);
    const std::optional<MatchRange> at_cursor = word_at_or_before(words, cursor);
    if (!at_cursor) {
        return std::nullopt;
    }
    std::optional<MatchRange> misspelt;
    for (const MatchRange& word : words) {
        if (word.begin > at_cursor->begin) {
            break;
        }
        if (!checker.known(line.substr(word.begin, word.end - word.begin))) {
            misspelt = word;
        }
    }
    if (!misspelt) {
        const std::string right = line.substr(at_cursor->begin, at_cursor->end - at_cursor->begin);
        return SpellEdit{line, cursor, quoted(right) + " is spelt right"};
    }
    const std::string typed = line.substr(misspelt->begin, misspelt->end - misspelt->begin);
    choices = checker.suggestions(typed);
    if (choices.empty()) {
        return SpellEdit{line, cursor, "No suggestions for " + quoted(typed)};
    }
    message = "Suggestions for " + quoted(typed) + ": " + listed(choices);
    choices.push_back(typed);
    word_begin = misspelt->begin;
    word_end = misspelt->end;
    return replace_word(line, cursor);
}

void SpellingSuggestions::reset() {
    choices.clear();
    chosen = 0;
    message.clear();
    edited_line.reset();
}

// The cursor stays where it was beside the word, and goes to the end of a word it was in.
SpellEdit SpellingSuggestions::replace_word(const std::string& line, std::size_t cursor) {
    const std::string& choice = choices[chosen];
    SpellEdit edit;
    edit.line = line.substr(0, word_begin) + choice + line.substr(word_end);
    const std::size_t new_end = word_begin + choice.size();
    if (cursor > word_end) {
        edit.cursor = cursor - word_end + new_end;
    } else {
        edit.cursor = new_end;
    }
    edit.message = message;
    word_end = new_end;
    edited_line = edit.line;
    edited_cursor = edit.cursor;
    return edit;
}

}  // namespace qvchat2gui
