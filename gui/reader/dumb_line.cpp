#include "gui/reader/dumb_line.h"

#include <utility>

#include "gui/reader/input_line_view.h"
#include "gui/reader/reader_text.h"

namespace qvchat2gui {

void TypedChanges::note(std::optional<std::string> typed) {
    if (typed && !changes.empty() && changes.back()) {
        changes.back() = std::move(typed);
        return;
    }
    changes.push_back(std::move(typed));
    if (changes.size() > LIMIT) {
        changes.pop_front();
    }
}

std::deque<std::optional<std::string>> TypedChanges::take() {
    return std::exchange(changes, {});
}

std::string DumbRow::echo(const std::optional<std::string>& typed) {
    if (!typed) {
        return close();
    }
    std::string out;
    if (!open) {
        if (typed->empty()) {
            return out;
        }
        out = READER_PROMPT;
        open = true;
    }
    out += dumb_input_change(shown, *typed);
    shown = *typed;
    return out;
}

std::string DumbRow::around(const std::deque<std::string>& lines) {
    if (lines.empty()) {
        return "";
    }
    const std::string typed = shown;
    std::string out = close();
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out + echo(typed);
}

std::string DumbRow::close() {
    const bool was_open = std::exchange(open, false);
    shown.clear();
    return was_open ? "\n" : "";
}

}  // namespace qvchat2gui
