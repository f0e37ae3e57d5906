#include "gui/model/chat_views.h"

#include <algorithm>
#include <cctype>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

constexpr ScrollBack::ViewTag LOCAL_TAG = 1;
// A name longer than this is cut where views are named, so that the border keeps room.
constexpr std::size_t MOST_NAME_BYTES = 24;

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char byte) { return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte; });
    return text;
}

// A name as it is shown: no control or colour byte, and not longer than the border can take.
std::string shown_name(const std::string& name) {
    std::string shown;
    for (const char byte : name) {
        if (!is_control_character(byte) && shown.size() < MOST_NAME_BYTES) {
            shown += byte;
        }
    }
    return shown;
}

std::optional<std::uint32_t> channel_number(const std::string& typed) {
    if (typed.empty() || typed.size() > 9 ||
        !std::all_of(typed.begin(), typed.end(),
                     [](char byte) { return std::isdigit(static_cast<unsigned char>(byte)); })) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(typed));
}

}  // namespace

ChatViews::ChatViews() {
    views.emplace_back(LOCAL_TAG, LineView::local_speech(), "local");
}

ChatViews::Tag ChatViews::note_line(const LineView& key, bool for_user, bool repeat) {
    if (key.kind == LineView::Kind::every_view) {
        return ScrollBack::EVERY_VIEW;
    }
    View* view = find(key);
    if (view == nullptr) {
        view = make(key);
    }
    if (view == nullptr) {
        return ScrollBack::EVERY_VIEW;
    }
    view->open = true;
    ++lines_noted;
    // A repeat takes the place of the line it repeats.
    if (!repeat) {
        ++view->kept;
    }
    if (shown_view && *shown_view != view->tag && !(repeat && view->unread > 0)) {
        count_unread(*view, for_user);
        count_unread(all_lines, for_user);
    }
    return view->tag;
}

void ChatViews::note_kept(Tag tag) {
    if (tag != ScrollBack::EVERY_VIEW && tag <= views.size()) {
        ++views[tag - 1].kept;
    }
}

void ChatViews::forget_line(Tag tag, bool for_user, bool folded) {
    if (folded || tag == ScrollBack::EVERY_VIEW || tag > views.size()) {
        return;
    }
    View& view = views[tag - 1];
    view.kept -= std::min<std::size_t>(view.kept, 1);
    if (view.unread <= view.kept) {
        return;
    }
    // Every line it keeps is unread, so the one gone was.
    --view.unread;
    all_lines.unread -= std::min<std::size_t>(all_lines.unread, 1);
    if (for_user && view.for_user > 0) {
        --view.for_user;
        all_lines.for_user -= std::min<std::size_t>(all_lines.for_user, 1);
    }
}

void ChatViews::note_channels(const std::vector<unsigned int>& channels) {
    for (const unsigned int number : channels) {
        const LineView key = LineView::of_channel(number);
        View* view = find(key);
        if (view == nullptr) {
            view = make(key);
        }
        if (view != nullptr) {
            view->open = true;
        }
    }
    // The guild channel joined now is the one the channel list calls Guild.
    const auto joined_guild =
        std::find_if(channels.begin(), channels.end(),
                     [](unsigned int number) { return number > GUILD_CUTOFF; });
    if (joined_guild != channels.end()) {
        const auto found = channel_views.find(*joined_guild);
        if (found != channel_views.end()) {
            guild_index = found->second;
        }
    }
}

bool ChatViews::find_or_make(const std::string& typed, Choice& found) {
    // A player's name is one word: a private message takes the first word as its recipient.
    if (typed.empty() || std::any_of(typed.begin(), typed.end(), [](char byte) {
            return byte == ' ' || is_control_character(byte);
        })) {
        return false;
    }
    const std::string lower = lowercase(typed);
    if (lower == "all" || lower == "local") {
        found = lower == "all" ? Choice{} : Choice{LOCAL_TAG};
        return true;
    }
    if (lower == "guild") {
        // The guild channel's view, named as the channel list names it; a player called Guild
        // is still reached by a private message.
        if (!guild_index) {
            return false;
        }
        View& guild = views[*guild_index];
        guild.open = true;
        found = guild.tag;
        return true;
    }
    const std::optional<std::uint32_t> number = channel_number(typed);
    const LineView key = number ? LineView::of_channel(*number) : LineView::of_player(typed);
    View* view = find(key);
    if (view == nullptr) {
        view = make(key);
    }
    if (view == nullptr) {
        return false;
    }
    view->open = true;
    found = view->tag;
    return true;
}

std::optional<ScrollBack::ViewMark> ChatViews::show(Choice choice) {
    shown_view = choice;
    View* view = view_of(choice);
    if (view == nullptr) {
        return std::nullopt;
    }
    if (!choice) {
        // Everything shows in `all`: nothing is left unread anywhere.
        for (View& other : views) {
            other.unread = 0;
            other.for_user = 0;
        }
    }
    view->unread = 0;
    view->for_user = 0;
    return view->place;
}

void ChatViews::keep_place(const ScrollBack::ViewMark& place) {
    if (View* view = view_of(shown_view)) {
        view->place = place;
    }
}

bool ChatViews::close_shown() {
    View* view = view_of(shown_view);
    if (view == nullptr || view->key.kind != LineView::Kind::player) {
        return false;
    }
    view->open = false;
    view->place.reset();
    show(std::nullopt);
    return true;
}

std::vector<ChatViews::Choice> ChatViews::in_order() const {
    std::vector<const View*> channels;
    std::vector<const View*> players;
    for (const View& view : views) {
        if (view.open && view.key.kind == LineView::Kind::channel) {
            channels.push_back(&view);
        } else if (view.open && view.key.kind == LineView::Kind::player) {
            players.push_back(&view);
        }
    }
    std::sort(channels.begin(), channels.end(),
              [](const View* a, const View* b) { return a->key.channel < b->key.channel; });
    std::sort(players.begin(), players.end(),
              [](const View* a, const View* b) { return lowercase(a->name) < lowercase(b->name); });
    std::vector<Choice> order{Choice{}};
    for (const auto* group : {&channels, &players}) {
        for (const View* view : *group) {
            order.emplace_back(view->tag);
        }
    }
    order.emplace_back(LOCAL_TAG);
    return order;
}

ChatViews::Choice ChatViews::next(bool forward) const {
    const std::vector<Choice> order = in_order();
    const auto at = std::find(order.begin(), order.end(), shown_view);
    const std::size_t index = at == order.end() ? 0 : static_cast<std::size_t>(at - order.begin());
    const std::size_t count = order.size();
    return order[forward ? (index + 1) % count : (index + count - 1) % count];
}

bool ChatViews::most_wanted(Choice& found) const {
    const View* longest_waiting = nullptr;
    const View* most_unread = nullptr;
    for (const View& view : views) {
        if (!view.open || Choice{view.tag} == shown_view || view.unread == 0) {
            continue;
        }
        if (view.for_user > 0 &&
            (longest_waiting == nullptr || view.waiting_since < longest_waiting->waiting_since)) {
            longest_waiting = &view;
        }
        if (most_unread == nullptr || view.unread > most_unread->unread) {
            most_unread = &view;
        }
    }
    const View* chosen = longest_waiting != nullptr ? longest_waiting : most_unread;
    if (chosen == nullptr) {
        return false;
    }
    found = chosen->tag;
    return true;
}

std::string ChatViews::name(Choice choice) const {
    const View* view = view_of(choice);
    return view == nullptr ? "all" : label(*view);
}

std::optional<LineView> ChatViews::typing_destination() const {
    const View* view = view_of(shown_view);
    if (view == nullptr ||
        (view->key.kind != LineView::Kind::player && view->key.kind != LineView::Kind::channel)) {
        return std::nullopt;
    }
    return view->key;
}

std::string ChatViews::listing() const {
    std::string text;
    for (const Choice& choice : in_order()) {
        const View& view = *view_of(choice);
        text += text.empty() ? "" : "; ";
        text += label(view);
        if (view.unread > 0 && view.unread == view.for_user) {
            text += ": " + std::to_string(view.for_user) + " for you";
        } else if (view.unread > 0) {
            text += ": " + std::to_string(view.unread) + " new";
            if (view.for_user > 0) {
                text += ", " + std::to_string(view.for_user) + " for you";
            }
        }
    }
    return text;
}

BorderNote ChatViews::border_parts() const {
    BorderNote note;
    for (const Choice& choice : in_order()) {
        const View& view = *view_of(choice);
        if (choice && choice != shown_view && view.unread > 0) {
            note.others.push_back(
                {label(view) + ": " + std::to_string(view.unread) + (view.for_user > 0 ? "!" : ""),
                 view.for_user > 0});
        }
    }
    if (shown_view || !note.others.empty()) {
        note.shown = name(shown_view);
    }
    return note;
}

std::string BorderNote::fitted(std::size_t width) const {
    if (shown.empty()) {
        return "";
    }
    // endings[i] counts the views from i on, " | +2", with "!" when one holds a line for the
    // user: worked out once, as up to MOST_VIEWS views may wait.
    std::vector<std::string> endings(others.size() + 1);
    bool for_user = false;
    for (std::size_t index = others.size(); index-- > 0;) {
        for_user = for_user || others[index].for_user;
        endings[index] = " | +" + std::to_string(others.size() - index) + (for_user ? "!" : "");
    }
    std::string note = " view " + shown;
    std::size_t named = 0;
    for (; named < others.size(); ++named) {
        if (note.size() + 3 + others[named].text.size() + endings[named + 1].size() + 1 > width) {
            break;
        }
        note += " | " + others[named].text;
    }
    return note + endings[named] + " ";
}

// Asked for every received line: one look-up, no walk through the views.
std::optional<std::size_t> ChatViews::index_of(const LineView& key) const {
    switch (key.kind) {
        case LineView::Kind::channel: {
            const auto found = channel_views.find(key.channel);
            return found == channel_views.end() ? std::nullopt : std::optional(found->second);
        }
        case LineView::Kind::player: {
            const auto found = player_views.find(lowercase(key.player));
            return found == player_views.end() ? std::nullopt : std::optional(found->second);
        }
        case LineView::Kind::local:
            return 0;
        case LineView::Kind::every_view:
            break;
    }
    return std::nullopt;
}

ChatViews::View* ChatViews::find(const LineView& key) {
    const std::optional<std::size_t> index = index_of(key);
    return index ? &views[*index] : nullptr;
}

ChatViews::Tag ChatViews::tag_of(const LineView& key) const {
    const std::optional<std::size_t> index = index_of(key);
    return index ? views[*index].tag : ScrollBack::EVERY_VIEW;
}

const std::string& ChatViews::label(const View& view) const {
    static const std::string guild = "guild";
    return guild_index && &views[*guild_index] == &view ? guild : view.name;
}

ChatViews::View* ChatViews::make(const LineView& key) {
    if (views.size() > MOST_VIEWS) {
        return nullptr;
    }
    const auto tag = static_cast<Tag>(views.size() + 1);
    const std::string name =
        key.kind == LineView::Kind::channel ? std::to_string(key.channel) : shown_name(key.player);
    if (key.kind == LineView::Kind::channel) {
        if (key.channel > GUILD_CUTOFF && !guild_index) {
            guild_index = views.size();
        }
        channel_views.emplace(key.channel, views.size());
    } else {
        player_views.emplace(lowercase(key.player), views.size());
    }
    views.emplace_back(tag, key, name);
    return &views.back();
}

ChatViews::View* ChatViews::view_of(Choice choice) {
    if (!choice) {
        return &all_lines;
    }
    const auto found = std::find_if(views.begin(), views.end(),
                                    [&choice](const View& view) { return view.tag == *choice; });
    return found == views.end() ? nullptr : &*found;
}

const ChatViews::View* ChatViews::view_of(Choice choice) const {
    if (!choice) {
        return &all_lines;
    }
    const auto found = std::find_if(views.begin(), views.end(),
                                    [&choice](const View& view) { return view.tag == *choice; });
    return found == views.end() ? nullptr : &*found;
}

void ChatViews::count_unread(View& view, bool for_user) {
    ++view.unread;
    if (for_user) {
        if (view.for_user == 0) {
            view.waiting_since = lines_noted;
        }
        ++view.for_user;
    }
}

}  // namespace qvchat2gui
