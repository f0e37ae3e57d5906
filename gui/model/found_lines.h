#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qvchat2gui {

// Lines a search found, oldest first, and the note that says what they are (shown on the border
// of the view that lists them).
// The bytes the view of found lines keeps at most: the oldest found go first.
inline constexpr std::size_t MAX_FOUND_BYTES = std::size_t{32} * 1024 * 1024;

struct FoundLines {
    std::string note;
    std::vector<std::string> lines;
    // Said after the lines by a front-end that writes them instead of showing a view, and so
    // has no border and no Esc to name.
    std::string summary;
};

// The same words for both: " 3 lines match 'x': Esc returns " and "3 lines match 'x'.".
inline void describe_found(FoundLines& found, const std::string& words) {
    found.note = " " + words + ": Esc returns ";
    found.summary = words + ".";
}

// A search that runs elsewhere (the logs, on a thread of its own) and gives its lines when done.
// Destroying it stops it. Any thread may ask; the front-end is told of progress through
// ChatGUI::search_progressed.
class ResultSource {
public:
    ResultSource() = default;
    virtual ~ResultSource() = default;
    ResultSource(const ResultSource&) = delete;
    ResultSource& operator=(const ResultSource&) = delete;

    // The note while it runs, such as " searching... 41 MB of 180 MB: Esc cancels ".
    virtual std::string progress_note() const = 0;
    // Once it has finished: what it found; nothing before, nor after it was taken once.
    virtual std::optional<FoundLines> take_found() = 0;
};

}  // namespace qvchat2gui
