#include "gui/model/chat_grep.h"

#include <algorithm>
#include <utility>

namespace qvchat2gui {

namespace {

// Every text that can be reached now; those that come later are not looked at.
ChatScan::Order whole_scroll_back(TextMatcher matcher, const ChatScan::LockedLines& locked) {
    ChatScan::Order order{std::move(matcher)};
    locked([&order](const ScrollBack& lines) {
        order.first = lines.first_reachable_text();
        order.end = lines.text_end();
    });
    order.keep_texts = true;
    return order;
}

}  // namespace

ChatGrep::ChatGrep(TextMatcher matcher, std::string pattern, const ChatScan::LockedLines& locked,
                   std::function<void()> on_change, std::string view)
    : pattern(std::move(pattern)),
      view(std::move(view)),
      scan(whole_scroll_back(std::move(matcher), locked), locked, std::move(on_change)) {}

std::string ChatGrep::progress_note() const {
    return scan_progress_note(scan.progress());
}

std::optional<FoundLines> ChatGrep::take_found() {
    if (taken || !scan.progress().finished) {
        return std::nullopt;
    }
    taken = true;
    FoundLines found;
    for (ScanMatch& match : scan.take_matches()) {
        found.lines.push_back(std::move(match.shown));
    }
    std::reverse(found.lines.begin(), found.lines.end());
    count = found.lines.size();
    describe_found(found, count_text());
    return found;
}

std::string ChatGrep::count_text() const {
    const std::string where = view.empty() ? "" : " in the view " + view;
    if (count == 0) {
        return "no line matches '" + pattern + "'" + where;
    }
    return std::to_string(count) + (count == 1 ? " line matches '" : " lines match '") + pattern +
           "'" + where;
}

}  // namespace qvchat2gui
