#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

// The input line on a terminal that can only write, go back one column and start a new row
// (TERM=dumb): the reader echoes what is typed, and keeps a half-typed line apart from the lines
// that come meanwhile.
namespace qvchat2gui {

// What was typed since the writer last wrote: the line as it stood before each Enter and after
// the last one (the states between two Enters fold into the last), and each Enter as nothing;
// oldest first. Bounded: beyond the limit the oldest go, which only loses their echo.
class TypedChanges {
public:
    static constexpr std::size_t LIMIT = 256;

    // The typed line as it now stands, or nothing for Enter.
    void note(std::optional<std::string> typed);
    bool empty() const { return changes.empty(); }
    std::deque<std::optional<std::string>> take();

private:
    std::deque<std::optional<std::string>> changes;
};

// The row the prompt and the typed text stand on, as the writer wrote it.
class DumbRow {
public:
    // The echo of one change: the prompt when a row starts, bytes added or rubbed out, a line end
    // for Enter.
    std::string echo(const std::optional<std::string>& typed);
    // Lines (each whole, without its end) written so that none shares the row of a half-typed
    // line: that row is ended first, and the prompt and the typed text come again after them.
    std::string around(const std::deque<std::string>& lines);
    // Ends the row, if one is open, so that what comes next starts on a clean row.
    std::string close();

private:
    bool open = false;
    std::string shown;  // typed bytes after the prompt
};

}  // namespace qvchat2gui
