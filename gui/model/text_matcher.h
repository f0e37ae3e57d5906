#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/model/match_range.h"

namespace qvchat2gui {

enum class PatternKind : std::uint8_t { plain, regex };

// What one search of a line found. gave_up: it stopped at PCRE2's match, depth or heap limit (or
// on another failure) before it knew; matches counts that as no match.
enum class MatchResult : std::uint8_t { found, not_found, gave_up };

// A line without its control and colour bytes, made once for many matchers to search: each
// TextMatcher would otherwise look for those bytes (and copy a line with one inside) again.
class MatchableText {
public:
    explicit MatchableText(std::string_view text);
    // The view may point into the object itself.
    MatchableText(const MatchableText&) = delete;
    MatchableText& operator=(const MatchableText&) = delete;
    ~MatchableText() = default;

    std::string_view bytes() const { return kept; }

private:
    std::string copy;  // used when a control byte is not among the leading ones
    std::string_view kept;
};

// Finds a pattern typed by the user in chat lines. Both are game bytes (Latin-1 letters
// included). The control and colour bytes of a line take no part in matching: a colour change
// inside a word does not hide it, and a match spans the colour bytes inside it. Case is ignored
// (ASCII and Latin-1 letters alike) unless the pattern holds an upper-case letter; in a regular
// expression the letters of escapes such as \S or \W and of verbs such as (*UCP) do not count.
// A regular expression is PCRE2's, with \w, \b and [[:alpha:]] knowing Latin-1 letters; a
// pathological one gives up on a line after a bounded amount of work and counts as no match.
//
// One matcher is used by one thread at a time: it reuses its match buffers from call to call.
class TextMatcher {
public:
    TextMatcher(const std::string& pattern, PatternKind kind);
    ~TextMatcher();
    TextMatcher(TextMatcher&& other) noexcept;
    TextMatcher& operator=(TextMatcher&& other) noexcept;
    TextMatcher(const TextMatcher&) = delete;
    TextMatcher& operator=(const TextMatcher&) = delete;

    // False for an empty pattern and for a regular expression that does not compile; such a
    // matcher matches nothing.
    bool valid() const { return static_cast<bool>(compiled); }
    // Why not valid, e.g. "missing closing parenthesis at 5"; empty when valid.
    const std::string& error() const { return error_text; }
    // Whether case is ignored (the pattern holds no upper-case letter).
    bool ignores_case() const { return folds_case; }

    // Whether the pattern occurs in `text` (an empty match counts).
    bool matches(std::string_view text) const { return match(text) == MatchResult::found; }
    // As matches, telling a search that gave up from one that found nothing.
    MatchResult match(std::string_view text) const;
    MatchResult match(const MatchableText& text) const;
    // The bytes the compiled pattern (its JIT code too) takes; 0 when not valid.
    std::size_t compiled_bytes() const;
    // Replaces `ranges` with every non-empty match in `text`, in order and not overlapping. A
    // regular expression that finds its matches only after heavy backtracking at each byte stops
    // marking after a few milliseconds of a line: the match limit bounds one search, not a line's
    // worth of them, and the painting must not wait.
    void find_all(std::string_view text, std::vector<MatchRange>& ranges) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled;
    std::string error_text;
    bool folds_case = false;
    bool is_regex = false;
};

// What a search command was given: "/REGEX/" (something between the slashes) is a regular
// expression, anything else plain text. Spaces around the argument are dropped.
std::pair<std::string, PatternKind> parse_search_argument(const std::string& argument);

}  // namespace qvchat2gui
