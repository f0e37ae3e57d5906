#include "gui/model/chat_search.h"

#include <algorithm>

#include "gui/model/key_codes.h"

namespace qvchat2gui {

namespace {

constexpr char NO_MATCH[] = "no match";
constexpr char SEARCHING[] = "searching...";
constexpr char ELLIPSIS[] = "...";

}  // namespace

void ChatSearch::start(const ScrollBack::ViewMark& view) {
    *this = ChatSearch{};
    is_active = true;
    before = view;
}

void ChatSearch::finish() {
    *this = ChatSearch{};
}

bool ChatSearch::active() const {
    return is_active;
}

const ScrollBack::ViewMark& ChatSearch::view_before() const {
    return before;
}

ChatSearch::Step ChatSearch::handle_key(int key) {
    said.clear();
    if (is_typed_byte(key)) {
        pattern += static_cast<char>(key);
        return Step::edited;
    }
    switch (key) {
        case ctrl('u'):
            pattern.clear();
            return Step::edited;
        case BACKSPACE_KEY:
        case DELETE_KEY:
        case ERASE_BACK_KEY:
            if (!pattern.empty()) {
                pattern.pop_back();
            }
            return Step::edited;
        case ctrl('x'):
            kind = kind == PatternKind::plain ? PatternKind::regex : PatternKind::plain;
            return Step::edited;
        case XOFF_KEY:
        case UP_KEY:
            return Step::older;
        case DOWN_KEY:
            return Step::newer;
        case '\r':
        case '\n':
        case ENTER_KEY:
            return Step::accepted;
        case ESCAPE_KEY:
        case ctrl('g'):
            return Step::cancelled;
        default:
            return Step::passed;
    }
}

std::optional<ChatScan::Order> ChatSearch::start_scan(const ScrollBack& lines) {
    // Plain text that grew at its end, ignoring case as before, matches fewer lines of those that
    // matched: only they are looked at again, so that a million lines narrow at once.
    const bool narrows = !scanning && kind == PatternKind::plain && compiled && compiled->valid() &&
                         searched_kind == PatternKind::plain && pattern.size() > searched.size() &&
                         pattern.compare(0, searched.size(), searched) == 0;
    const bool folded_before = compiled && compiled->ignores_case();
    forget_unreachable(lines);
    std::vector<std::uint64_t> matched_before(matching.begin(), matching.end());
    matching.clear();
    shown = 0;
    scanning = false;
    compiled.emplace(pattern, kind);
    searched = pattern;
    searched_kind = kind;
    if (!compiled->valid()) {
        return std::nullopt;
    }
    // The scan's thread has a matcher of its own: this one marks the rows and the lines that come.
    ChatScan::Order order{TextMatcher(pattern, kind)};
    if (narrows && folded_before == compiled->ignores_case()) {
        if (matched_before.empty()) {
            return std::nullopt;
        }
        order.only = std::move(matched_before);
    } else {
        order.first = lines.first_reachable_text();
        order.end = lines.text_end();
    }
    scanning = true;
    return order;
}

void ChatSearch::add_older(const ScrollBack& lines, const std::vector<ScanMatch>& newest_first,
                           bool finished) {
    const bool had_matches = !matching.empty();
    for (const ScanMatch& match : newest_first) {
        matching.push_front(match.number);
    }
    if (had_matches) {
        shown += newest_first.size();
    } else if (!matching.empty()) {
        shown = matching.size() - 1;
    }
    scanning = !finished;
    forget_unreachable(lines);
}

void ChatSearch::note_added(const ScrollBack& lines, std::uint64_t number) {
    if (compiled && compiled->valid() && !lines.is_out_of_sight(number) &&
        compiled->matches(lines.text(number))) {
        matching.push_back(number);
        said.clear();  // a newer match exists now
    }
    forget_unreachable(lines);
}

void ChatSearch::forget_text(std::uint64_t number) {
    const auto found = std::lower_bound(matching.begin(), matching.end(), number);
    if (found == matching.end() || *found != number) {
        return;
    }
    const auto index = static_cast<std::size_t>(found - matching.begin());
    matching.erase(found);
    if (shown > index || (shown == index && shown == matching.size() && shown > 0)) {
        --shown;
    }
}

bool ChatSearch::move(const ScrollBack& lines, bool older) {
    forget_unreachable(lines);
    if (matching.empty()) {
        return false;
    }
    if (older ? shown == 0 : shown + 1 >= matching.size()) {
        said = older ? "no older match" : "no newer match";
        return false;
    }
    shown = older ? shown - 1 : shown + 1;
    return true;
}

std::optional<std::uint64_t> ChatSearch::current() const {
    if (matching.empty()) {
        return std::nullopt;
    }
    return matching[shown];
}

std::string ChatSearch::prompt(std::size_t width) const {
    return label() + shown_pattern(width) + "': " + outcome();
}

int ChatSearch::cursor_column(std::size_t width) const {
    return static_cast<int>(label().size() + shown_pattern(width).size()) + 1;
}

std::string ChatSearch::label() const {
    return kind == PatternKind::regex ? "(find re) '" : "(find) '";
}

std::string ChatSearch::outcome() const {
    if (pattern.empty()) {
        return "";
    }
    if (compiled && !compiled->valid()) {
        return compiled->error();
    }
    if (matching.empty()) {
        return scanning ? SEARCHING : NO_MATCH;
    }
    // Counted from the newest, where the search starts.
    const std::string count =
        std::to_string(matching.size() - shown) + " of " + std::to_string(matching.size());
    const std::string counted = scanning ? count + ", " + SEARCHING : count;
    return said.empty() ? counted : counted + ", " + said;
}

// The pattern's end, which the user is typing, and the outcome stay in view.
std::string ChatSearch::shown_pattern(std::size_t width) const {
    const std::size_t rest = label().size() + sizeof "': " - 1 + outcome().size();
    if (width == std::string::npos || rest + pattern.size() <= width) {
        return pattern;
    }
    const std::size_t room =
        width > rest + sizeof ELLIPSIS - 1 ? width - rest - (sizeof ELLIPSIS - 1) : 0;
    return ELLIPSIS + pattern.substr(pattern.size() - std::min(room, pattern.size()));
}

const TextMatcher* ChatSearch::matcher() const {
    return compiled && compiled->valid() ? &*compiled : nullptr;
}

// Matches that left the top of the scroll-back can no longer be shown.
void ChatSearch::forget_unreachable(const ScrollBack& lines) {
    const auto reachable =
        std::lower_bound(matching.begin(), matching.end(), lines.first_reachable_text());
    const auto gone = static_cast<std::size_t>(reachable - matching.begin());
    if (gone == 0) {
        return;
    }
    matching.erase(matching.begin(), reachable);
    shown = shown >= gone ? shown - gone : 0;
}

}  // namespace qvchat2gui
