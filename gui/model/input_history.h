#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qvchat2gui {

// The lines entered, oldest first, and the walk through them with Up and Down. The line being
// typed when the walk starts is kept as a draft behind the newest entry, so that walking away
// from it loses nothing.
class InputHistory {
public:
    // The most entries kept: the oldest go first, so that an evening of typing or a long paste
    // cannot grow the history without end.
    static constexpr std::size_t MAX_ENTRIES = 1000;

    // Replaces the entries (a saved history), without the bytes that could not have been typed
    // and keeping the newest MAX_ENTRIES, and starts a new line behind them.
    void set_entries(std::vector<std::string> entries);
    // Adds a finished line (an empty one too); the walk starts again behind it.
    void add(const std::string& line);

    // Up: the entry before the one shown, or nothing at the oldest. `shown` is the line as it
    // stands, kept when it is the draft.
    std::optional<std::string> older(const std::string& shown);
    // Down: the entry after the one shown; past the newest, the draft. Nothing when the draft is
    // already shown.
    std::optional<std::string> newer();
    // Whether the walk stands on the draft (behind the newest entry), as before any walk.
    bool showing_draft() const;

    // Index of the newest entry at or before `from` that contains `text` (ASCII letters compared
    // without case), if any.
    std::optional<std::size_t> find_back(const std::string& text, std::size_t from) const;

    const std::vector<std::string>& entries() const;
    // Index of the entry shown; the number of entries while the draft is shown.
    std::size_t position() const;

private:
    std::vector<std::string> lines;
    std::size_t index = 0;  // lines.size() while the draft is shown
    std::string draft;
};

}  // namespace qvchat2gui
