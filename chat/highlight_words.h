#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/name_list_file.h"

namespace qvchat2 {

// The most highlight words kept.
constexpr std::size_t MAX_HIGHLIGHT_WORDS = MAX_NAME_LIST_ENTRIES;
// The longest highlight word, phrase or regular expression, in bytes.
constexpr std::size_t MAX_HIGHLIGHT_BYTES = 200;

// What #highlight did: `message` is the confirmation when `accepted`, else why not.
struct HighlightOutcome {
    bool accepted = false;
    std::string message;
};

// The user's own words that make a line call for attention as a mention of their name does. A
// word or phrase is found as a whole word by the rules of contains_whole_word, colour bytes inside
// it left out; "/REGEX/" is a regular expression, found as the search of the chat finds it.
//
// Every received line asks names_in, on the dispatch threads: it reads an immutable snapshot, so
// it costs one look-up per word of the line however many highlight words there are, and an edit
// on the main thread never waits for a line.
class HighlightWords {
public:
    HighlightWords();
    ~HighlightWords();
    HighlightWords(const HighlightWords&) = delete;
    HighlightWords& operator=(const HighlightWords&) = delete;

    // Adds a word, phrase or "/REGEX/"; spaces around it are dropped. Refused when it is empty,
    // too long, holds control bytes, is there already or does not compile (with PCRE2's reason).
    HighlightOutcome add(const std::string& text);
    // Removes what add was given (plain words compared with ASCII letters folded); false when it
    // was not there.
    bool remove(const std::string& text);
    // As added, oldest first.
    std::vector<std::string> list() const;
    // Whether `text` holds one of them.
    bool names_in(std::string_view text) const;

    // The file's lines: one entry each, as list gives them.
    std::vector<std::string> to_lines() const { return list(); }
    // Adds the entries of a file; one that add would refuse is skipped. Returns how many were.
    std::size_t from_lines(const std::vector<std::string>& lines);

private:
    struct Snapshot;
    std::shared_ptr<const Snapshot> snapshot() const;
    void replace_snapshot(std::shared_ptr<const Snapshot> next);

    // Held by an edit from reading the snapshot to replacing it, so that edits are not lost;
    // taken before snapshot_mutex.
    mutable std::mutex edit_mutex;
    mutable std::mutex snapshot_mutex;
    std::shared_ptr<const Snapshot> current;  // guarded by snapshot_mutex
};

// "WORD is no longer highlighted." or "WORD was not a highlight word."
std::string highlight_removal_message(const std::string& text, bool removed);

}  // namespace qvchat2
