#include "gui/model/paste_collector.h"

#include <utility>

#include "gui/model/key_codes.h"

namespace qvchat2gui {

void PasteCollector::add_key(int key) {
    const bool line_feed = key == '\n';
    if (line_feed && after_return) {
        after_return = false;
        return;
    }
    after_return = key == '\r';
    if (key == '\r' || line_feed || key == ENTER_KEY) {
        lines.emplace_back();
    } else if (key == TAB_KEY) {
        lines.back() += ' ';
    } else if (is_typed_byte(key)) {
        lines.back() += static_cast<char>(key);
    }
}

std::vector<std::string> PasteCollector::take_lines() {
    std::vector<std::string> taken = std::exchange(lines, {std::string()});
    after_return = false;
    if (taken.back().empty()) {
        taken.pop_back();
    }
    return taken;
}

}  // namespace qvchat2gui
