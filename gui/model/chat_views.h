#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gui/model/line_view.h"
#include "gui/model/scroll_back.h"

namespace qvchat2gui {

// What #view says to a name it cannot show.
inline constexpr char NO_SUCH_VIEW[] =
    "#view takes a channel's number, guild, a player's name, local or all.";

// The chat window's note on its views, in parts, so that it can be cut to the border's width
// between whole parts.
struct BorderNote {
    struct Other {
        std::string text;  // "3: 12", "Marek: 1!"
        bool for_user = false;
    };
    std::string shown;  // the name of the view shown; empty for no note at all
    std::vector<Other> others;

    // " view 5 | 3: 12 | Marek: 1! " in at most `width` bytes where it can: the views that do not
    // fit are counted at its end, " | +2 ", with "!" when one of them holds a line for the user.
    std::string fitted(std::size_t width) const;
};

// The views of the chat window: `all`, one per channel and per player (made as their first line
// comes, or when the user asks for one), and `local`; what each has unread, whether a line in it
// is for the user, and where each was left. A view is a tag that the scroll-back keeps with each
// text, never a copy of the lines. Not locked: the owner guards it.
class ChatViews {
public:
    using Tag = ScrollBack::ViewTag;
    // nullopt stands for `all`.
    using Choice = std::optional<Tag>;
    // The channels and players that get a view at most: a server that sends lines from ever new
    // names cannot make the views grow without end. Lines beyond show in every view.
    static constexpr std::size_t MOST_VIEWS = 1000;

    ChatViews();

    // The tag a received line is kept with; the view is made when it is new. The line counts as
    // unread in its view (and in `all`) unless it is shown; a repeat folded into a line the view
    // has not shown yet counts once, as that line.
    Tag note_line(const LineView& key, bool for_user, bool repeat = false);
    // A repeat noted with note_line that found no line to fold into: kept as a line of its own.
    void note_kept(Tag tag);
    // The tag of the view a line of `key` is kept with, noting nothing: EVERY_VIEW when there is
    // no such view.
    Tag tag_of(const LineView& key) const;
    // A line noted in the view tagged `tag` is no longer kept: unread, it is no longer counted.
    // `folded`: a repeat took its place, and counts for it.
    void forget_line(Tag tag, bool for_user, bool folded);
    // The channels joined get their views at once, before their first line.
    void note_channels(const std::vector<unsigned int>& channels);
    // The view the user named: "all", "local", "guild" (the guild channel's), a channel's number
    // or a player's name (any case of its ASCII letters); a player's view is made when there is
    // none. False for an empty name, one of several words or with control bytes, "guild" without
    // a guild channel, and when no more views can be made.
    bool find_or_make(const std::string& typed, Choice& found);

    Choice shown() const { return shown_view; }
    // Shows the view, clearing what it had unread. Its place, kept by keep_place, is given back.
    std::optional<ScrollBack::ViewMark> show(Choice choice);
    void keep_place(const ScrollBack::ViewMark& place);
    // Forgets the shown player view and shows `all`; false when the shown view is not a player's.
    bool close_shown();

    // The views in the order #views lists them: all, the channels by number, the players by
    // name, local.
    std::vector<Choice> in_order() const;
    // The view after (or before) the shown one in that order, going round.
    Choice next(bool forward) const;
    // The view that has waited longest with a line for the user, else the one with most unread
    // lines; false when none has any.
    bool most_wanted(Choice& found) const;

    std::string name(Choice choice) const;
    // Where a typed line goes in the view shown: its player or its channel; nothing in `all` and
    // `local`, where typed lines go as chat.
    std::optional<LineView> typing_destination() const;
    // "all; 3: 12 new; 5: 2 new, 1 for you; Marek: 1 for you; local"
    std::string listing() const;
    // " view 5 | 3: 12 | Marek: 1! ", or "" while `all` is shown and nothing is unread elsewhere.
    std::string border_note() const { return border_parts().fitted(std::string::npos); }
    BorderNote border_parts() const;

private:
    struct View {
        View(Tag tag, LineView key, std::string name)
            : tag(tag), key(std::move(key)), name(std::move(name)) {}

        Tag tag;
        LineView key;
        std::string name;  // as shown: no control bytes
        bool open = true;
        std::size_t unread = 0;
        // Its lines still kept, repeats folded away not counted: the newest `unread` of them
        // are the unread ones.
        std::size_t kept = 0;
        std::size_t for_user = 0;
        std::uint64_t waiting_since = 0;  // order of its oldest unread line for the user
        std::optional<ScrollBack::ViewMark> place;
    };

    std::optional<std::size_t> index_of(const LineView& key) const;
    View* find(const LineView& key);
    // The name the user sees and types: "guild" for the guild channel's view.
    const std::string& label(const View& view) const;
    // Nothing once MOST_VIEWS are made.
    View* make(const LineView& key);
    View* view_of(Choice choice);
    const View* view_of(Choice choice) const;
    void count_unread(View& view, bool for_user);

    std::vector<View> views;  // in the order they were made; local first
    // Where each channel's and each player's (by the lower case of its name) view is in views.
    std::unordered_map<std::uint32_t, std::size_t> channel_views;
    std::unordered_map<std::string, std::size_t> player_views;
    // The guild channel's view: the one joined last, else the first that came.
    std::optional<std::size_t> guild_index;
    View all_lines{ScrollBack::EVERY_VIEW, LineView::every(), "all"};
    Choice shown_view;
    std::uint64_t lines_noted = 0;
};

}  // namespace qvchat2gui
