#include "gui/reader/held_views.h"

#include <algorithm>

namespace qvchat2gui {

std::pair<ScrollBack::ViewTag, bool> HeldViews::pass(const std::string& line, bool for_user,
                                                     const LineView& view) {
    const std::lock_guard<std::mutex> lock(views_mutex);
    const ScrollBack::ViewTag tag = views.note_line(view, for_user);
    if (written_now(for_user, tag)) {
        return {tag, true};
    }
    held.emplace_back(tag, line);
    held_bytes += line.size();
    while (held_bytes > MOST_HELD_BYTES && !held.empty()) {
        const ScrollBack::ViewTag oldest = held.front().first;
        held_bytes -= held.front().second.size();
        held.pop_front();
        const auto counted =
            std::find_if(let_go.begin(), let_go.end(),
                         [oldest](const auto& entry) { return entry.first == oldest; });
        if (counted == let_go.end()) {
            let_go.emplace_back(oldest, 1);
        } else {
            ++counted->second;
        }
    }
    return {tag, false};
}

bool HeldViews::shows_now(bool for_user, const LineView& view) const {
    const std::lock_guard<std::mutex> lock(views_mutex);
    return written_now(for_user, views.tag_of(view));
}

// A line for the user is written in any view.
bool HeldViews::written_now(bool for_user, ScrollBack::ViewTag tag) const {
    const ChatViews::Choice shown = views.shown();
    return for_user || !shown || tag == ScrollBack::EVERY_VIEW || tag == *shown;
}

void HeldViews::note_channels(const std::vector<unsigned int>& channels) {
    const std::lock_guard<std::mutex> lock(views_mutex);
    views.note_channels(channels);
}

std::optional<HeldViews::Shown> HeldViews::show_named(const std::string& typed) {
    const std::lock_guard<std::mutex> lock(views_mutex);
    ChatViews::Choice choice;
    if (!views.find_or_make(typed, choice)) {
        return std::nullopt;
    }
    return show(choice);
}

HeldViews::Shown HeldViews::show_next(bool forward) {
    const std::lock_guard<std::mutex> lock(views_mutex);
    return show(views.next(forward));
}

std::optional<HeldViews::Shown> HeldViews::show_most_wanted() {
    const std::lock_guard<std::mutex> lock(views_mutex);
    ChatViews::Choice choice;
    if (!views.most_wanted(choice)) {
        return std::nullopt;
    }
    return show(choice);
}

std::optional<HeldViews::Shown> HeldViews::close_shown() {
    const std::lock_guard<std::mutex> lock(views_mutex);
    if (!views.close_shown()) {
        return std::nullopt;
    }
    return show(std::nullopt);
}

std::string HeldViews::shown_name() const {
    const std::lock_guard<std::mutex> lock(views_mutex);
    return views.name(views.shown());
}

std::optional<LineView> HeldViews::typing_destination() const {
    const std::lock_guard<std::mutex> lock(views_mutex);
    return views.typing_destination();
}

ChatViews::Choice HeldViews::shown() const {
    const std::lock_guard<std::mutex> lock(views_mutex);
    return views.shown();
}

std::string HeldViews::listing() const {
    const std::lock_guard<std::mutex> lock(views_mutex);
    return views.listing();
}

std::vector<std::string> HeldViews::names() const {
    const std::lock_guard<std::mutex> lock(views_mutex);
    std::vector<std::string> names;
    for (const ChatViews::Choice& choice : views.in_order()) {
        names.push_back(views.name(choice));
    }
    return names;
}

// The held lines of the view (every held line for `all`) leave the store, in the order they came.
HeldViews::Shown HeldViews::show(ChatViews::Choice choice) {
    views.show(choice);
    Shown shown{views.name(choice), {}, 0};
    const auto belongs = [&choice](ScrollBack::ViewTag tag) { return !choice || tag == *choice; };
    std::deque<std::pair<ScrollBack::ViewTag, std::string>> kept;
    for (auto& [tag, line] : held) {
        if (belongs(tag)) {
            held_bytes -= line.size();
            shown.lines.push_back(std::move(line));
        } else {
            kept.emplace_back(tag, std::move(line));
        }
    }
    held.swap(kept);
    const auto counted = std::remove_if(let_go.begin(), let_go.end(), [&](const auto& entry) {
        if (belongs(entry.first)) {
            shown.let_go += entry.second;
            return true;
        }
        return false;
    });
    let_go.erase(counted, let_go.end());
    return shown;
}

}  // namespace qvchat2gui
