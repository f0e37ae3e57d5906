#include "gui/model/input_history.h"

#include <algorithm>
#include <boost/algorithm/string/predicate.hpp>
#include <locale>
#include <utility>

#include "gui/model/entry_lines.h"
#include "gui/model/key_codes.h"

namespace qvchat2gui {

void InputHistory::set_entries(std::vector<std::string> entries) {
    // A saved history is a file anybody could have edited: what the keyboard could not have
    // typed does not come back into a line through it. Alt-Enter types the line break.
    for (std::string& entry : entries) {
        entry.erase(std::remove_if(entry.begin(), entry.end(),
                                   [](char byte) {
                                       return byte != ENTRY_LINE_BREAK &&
                                              !is_typed_byte(static_cast<unsigned char>(byte));
                                   }),
                    entry.end());
    }
    lines = std::move(entries);
    if (lines.size() > MAX_ENTRIES) {
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(MAX_ENTRIES));
    }
    index = lines.size();
    draft.clear();
}

void InputHistory::add(const std::string& line) {
    if (lines.size() >= MAX_ENTRIES) {
        lines.erase(lines.begin());
    }
    lines.push_back(line);
    index = lines.size();
    draft.clear();
}

std::optional<std::string> InputHistory::older(const std::string& shown) {
    if (index == 0) {
        return std::nullopt;
    }
    if (showing_draft()) {
        draft = shown;
    }
    --index;
    return lines[index];
}

// Down past the newest entry stands on the draft, so that the next Up shows the newest again.
std::optional<std::string> InputHistory::newer() {
    if (showing_draft()) {
        return std::nullopt;
    }
    ++index;
    return showing_draft() ? draft : lines[index];
}

bool InputHistory::showing_draft() const {
    return index >= lines.size();
}

std::optional<std::size_t> InputHistory::find_back(const std::string& text,
                                                   std::size_t from) const {
    for (std::size_t entry = std::min(from + 1, lines.size()); entry-- > 0;) {
        if (boost::algorithm::icontains(lines[entry], text, std::locale::classic())) {
            return entry;
        }
    }
    return std::nullopt;
}

const std::vector<std::string>& InputHistory::entries() const {
    return lines;
}

std::size_t InputHistory::position() const {
    return index;
}

}  // namespace qvchat2gui
