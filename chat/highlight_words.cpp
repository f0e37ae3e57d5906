#include "chat/highlight_words.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "chat/whole_word.h"
#include "gui/common_gui.h"
#include "gui/model/text_matcher.h"

namespace qvchat2 {

namespace {

// A line up to this long is folded on the stack.
constexpr std::size_t STACK_LINE_BYTES = 512;
constexpr std::size_t FIRST_WORD_FILTER_BITS = 4096;

// A regular expression with the lock its matcher's buffers need: a matcher serves one thread at a
// time. Shared by the snapshots that hold it, so that an edit compiles only what it adds.
struct RegexPattern {
    explicit RegexPattern(const std::string& pattern)
        : matcher(pattern, qvchat2gui::PatternKind::regex) {}
    qvchat2gui::TextMatcher matcher;
    std::mutex match_buffers_mutex;
};

struct Highlight {
    std::string text;    // as listed and saved
    std::string folded;  // a word or phrase as compared; empty for a regular expression
    std::shared_ptr<RegexPattern> regex;
};

// A cheap first test of a word of the line, before it is hashed: most words of a line are none of
// the highlight words' first words.
std::size_t filter_bit(std::string_view word) {
    const auto first = static_cast<unsigned char>(word.front());
    const auto last = static_cast<unsigned char>(word.back());
    constexpr std::size_t FIRST_FACTOR = 131;
    constexpr std::size_t LAST_FACTOR = 31;
    return (first * FIRST_FACTOR + last * LAST_FACTOR + word.size()) % FIRST_WORD_FILTER_BITS;
}

// Which bytes are colour bytes, as a table: the fold below asks it of every byte of every line.
const std::array<bool, 256>& colour_bytes() {
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> colour{};
        for (std::size_t byte = 0; byte < colour.size(); ++byte) {
            colour[byte] = qvchat2gui::is_color_code(static_cast<char>(byte));
        }
        return colour;
    }();
    return table;
}

// The bytes of `text` that take part in matching, ASCII letters folded: colour bytes are left out,
// so that a colour change inside a word does not hide it.
std::size_t fold_into(std::string_view text, char* folded) {
    const WordBytes& classes = word_bytes();
    const std::array<bool, 256>& colour = colour_bytes();
    std::size_t length = 0;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        if (!colour[value]) {
            folded[length++] = static_cast<char>(classes.folded[value]);
        }
    }
    return length;
}

std::string folded_text(const std::string& text) {
    std::string folded(text.size(), '\0');
    folded.resize(fold_into(text, folded.data()));
    return folded;
}

// The length of the run of word bytes at the start of `text`.
std::size_t word_length(std::string_view text, const WordBytes& classes = word_bytes()) {
    std::size_t length = 0;
    while (length < text.size() && classes.word[static_cast<unsigned char>(text[length])]) {
        ++length;
    }
    return length;
}

// An entry as typed, its regular expression not compiled yet.
Highlight parsed_highlight(const std::string& text) {
    const auto [pattern, kind] = qvchat2gui::parse_search_argument(text);
    Highlight entry;
    if (kind == qvchat2gui::PatternKind::regex) {
        entry.text = "/" + pattern + "/";
    } else {
        entry.text = pattern;
        entry.folded = folded_text(pattern);
    }
    return entry;
}

// Whether two entries are the same: a regular expression as written, a word without case.
bool same_entry(const Highlight& left, const Highlight& right) {
    const bool regex = left.folded.empty() || right.folded.empty();
    return regex ? left.text == right.text : left.folded == right.folded;
}

}  // namespace

struct HighlightWords::Snapshot {
    explicit Snapshot(std::vector<Highlight> entries) : highlights(std::move(entries)) {
        for (const Highlight& entry : highlights) {
            if (entry.regex) {
                regexes.push_back(entry.regex.get());
                continue;
            }
            const std::string_view folded = entry.folded;
            const std::size_t first_word = word_length(folded);
            if (first_word == 0) {
                unindexed.push_back(entry.folded);
            } else if (first_word == folded.size()) {
                words.insert(folded);
            } else {
                phrases.emplace(folded.substr(0, first_word), folded);
            }
            if (first_word > 0) {
                first_words.set(filter_bit(folded.substr(0, first_word)));
                longest_first_word = std::max(longest_first_word, first_word);
            }
        }
    }

    bool names_in(std::string_view text) const;

    // What the views below point into; never changed once made.
    const std::vector<Highlight> highlights;
    std::unordered_set<std::string_view> words;
    std::unordered_multimap<std::string_view, std::string_view> phrases;  // by their first word
    std::vector<std::string> unindexed;  // those that begin with a byte that is not a word byte
    std::vector<RegexPattern*> regexes;
    std::bitset<FIRST_WORD_FILTER_BITS> first_words;
    std::size_t longest_first_word = 0;
};

bool HighlightWords::Snapshot::names_in(std::string_view text) const {
    if (!words.empty() || !phrases.empty() || !unindexed.empty()) {
        // Not cleared: only the bytes fold_into writes are read.
        std::array<char, STACK_LINE_BYTES>
            stack_line;  // NOLINT(cppcoreguidelines-pro-type-member-init)
        std::string heap_line;
        char* folded = stack_line.data();
        if (text.size() > stack_line.size()) {
            heap_line.resize(text.size());
            folded = heap_line.data();
        }
        const std::string_view line(folded, fold_into(text, folded));
        const WordBytes& classes = word_bytes();
        std::size_t start = 0;
        while (start < line.size()) {
            if (!classes.word[static_cast<unsigned char>(line[start])]) {
                ++start;
                continue;
            }
            const std::string_view word =
                line.substr(start, word_length(line.substr(start), classes));
            if (word.size() <= longest_first_word && first_words.test(filter_bit(word))) {
                if (words.count(word) > 0) {
                    return true;
                }
                const auto [first, last] = phrases.equal_range(word);
                for (auto phrase = first; phrase != last; ++phrase) {
                    const std::string_view wanted = phrase->second;
                    const std::size_t end = start + wanted.size();
                    if (line.compare(start, wanted.size(), wanted) == 0 &&
                        (end >= line.size() ||
                         !classes.word[static_cast<unsigned char>(line[end])])) {
                        return true;
                    }
                }
            }
            start += word.size();
        }
        if (!unindexed.empty()) {
            const std::string whole(line);
            for (const std::string& entry : unindexed) {
                if (contains_whole_word(whole, entry)) {
                    return true;
                }
            }
        }
    }
    for (RegexPattern* regex : regexes) {
        const std::lock_guard<std::mutex> lock(regex->match_buffers_mutex);
        if (regex->matcher.matches(text)) {
            return true;
        }
    }
    return false;
}

HighlightWords::HighlightWords()
    : current(std::make_shared<const Snapshot>(std::vector<Highlight>{})) {}

HighlightWords::~HighlightWords() = default;

std::shared_ptr<const HighlightWords::Snapshot> HighlightWords::snapshot() const {
    const std::lock_guard<std::mutex> lock(snapshot_mutex);
    return current;
}

void HighlightWords::replace_snapshot(std::shared_ptr<const Snapshot> next) {
    // The old snapshot is let go outside the lock: a line may still be reading it.
    std::shared_ptr<const Snapshot> old;
    {
        const std::lock_guard<std::mutex> lock(snapshot_mutex);
        old = std::exchange(current, std::move(next));
    }
}

namespace {

// A new entry, or why `text` cannot be one.
std::optional<Highlight> make_highlight(const std::string& text,
                                        const std::vector<Highlight>& existing,
                                        std::string& problem) {
    Highlight entry = parsed_highlight(text);
    if (entry.text.empty()) {
        problem = "Which word to highlight? A word, a phrase or /REGEX/ is needed.";
        return std::nullopt;
    }
    // Checked before the text is ever shown: it may hold a terminal's escape sequence.
    if (std::any_of(entry.text.begin(), entry.text.end(), qvchat2gui::is_control_character)) {
        problem = "A highlight word holds no control or colour bytes.";
        return std::nullopt;
    }
    if (entry.text.size() > MAX_HIGHLIGHT_BYTES) {
        problem = "A highlight word can be at most " + std::to_string(MAX_HIGHLIGHT_BYTES) +
                  " bytes long.";
        return std::nullopt;
    }
    if (existing.size() >= MAX_HIGHLIGHT_WORDS) {
        problem =
            "There can be at most " + std::to_string(MAX_HIGHLIGHT_WORDS) + " highlight words.";
        return std::nullopt;
    }
    if (std::any_of(existing.begin(), existing.end(),
                    [&entry](const Highlight& other) { return same_entry(entry, other); })) {
        problem = entry.text + " is a highlight word already.";
        return std::nullopt;
    }
    if (entry.folded.empty()) {
        entry.regex = std::make_shared<RegexPattern>(entry.text.substr(1, entry.text.size() - 2));
        if (!entry.regex->matcher.valid()) {
            problem = "Cannot use " + entry.text + ": " + entry.regex->matcher.error() + ".";
            return std::nullopt;
        }
    }
    return entry;
}

}  // namespace

HighlightOutcome HighlightWords::add(const std::string& text) {
    const std::lock_guard<std::mutex> edit(edit_mutex);
    std::vector<Highlight> entries = snapshot()->highlights;
    std::string problem;
    auto entry = make_highlight(text, entries, problem);
    if (!entry) {
        return {false, problem};
    }
    std::string message = "Highlighting lines that " +
                          std::string(entry->regex ? "match " : "hold ") + entry->text + ".";
    entries.push_back(std::move(*entry));
    replace_snapshot(std::make_shared<const Snapshot>(std::move(entries)));
    return {true, std::move(message)};
}

bool HighlightWords::remove(const std::string& text) {
    const std::lock_guard<std::mutex> edit(edit_mutex);
    std::vector<Highlight> entries = snapshot()->highlights;
    const Highlight removed = parsed_highlight(text);
    const auto found =
        std::find_if(entries.begin(), entries.end(),
                     [&removed](const Highlight& entry) { return same_entry(entry, removed); });
    if (found == entries.end()) {
        return false;
    }
    entries.erase(found);
    replace_snapshot(std::make_shared<const Snapshot>(std::move(entries)));
    return true;
}

std::vector<std::string> HighlightWords::list() const {
    std::vector<std::string> texts;
    for (const Highlight& entry : snapshot()->highlights) {
        texts.push_back(entry.text);
    }
    return texts;
}

bool HighlightWords::names_in(std::string_view text) const {
    return snapshot()->names_in(text);
}

std::size_t HighlightWords::from_lines(const std::vector<std::string>& lines) {
    const std::lock_guard<std::mutex> edit(edit_mutex);
    std::vector<Highlight> entries = snapshot()->highlights;
    std::size_t refused = 0;
    for (const std::string& line : lines) {
        std::string problem;
        if (auto entry = make_highlight(line, entries, problem)) {
            entries.push_back(std::move(*entry));
        } else {
            ++refused;
        }
    }
    replace_snapshot(std::make_shared<const Snapshot>(std::move(entries)));
    return refused;
}

std::string highlight_removal_message(const std::string& text, bool removed) {
    return text + (removed ? " is no longer highlighted." : " was not a highlight word.");
}

}  // namespace qvchat2
