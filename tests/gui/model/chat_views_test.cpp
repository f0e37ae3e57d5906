#include "gui/model/chat_views.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qvchat2gui {
namespace {

constexpr int ROWS = 6;

std::vector<std::string> visible_texts(const ScrollBack& lines) {
    std::vector<std::string> texts;
    for (const ShownLine& line : lines.visible_lines()) {
        texts.push_back(line.text);
    }
    return texts;
}

// The views and the scroll-back together, as a front-end keeps them.
struct ViewedChat {
    ChatViews views;
    ScrollBack lines{80, ROWS};

    ViewedChat() {
        lines.set_drop_listener([this](ScrollBack::ViewTag tag, bool for_user, bool folded) {
            views.forget_line(tag, for_user, folded);
        });
    }
    void add(const std::string& text, const LineView& view, bool for_user = false) {
        lines.add(text, for_user ? Attention::for_user : Attention::none, NO_STAMP,
                  views.note_line(view, for_user));
    }
    void show(const std::string& typed) {
        ChatViews::Choice choice;
        ASSERT_TRUE(views.find_or_make(typed, choice)) << typed;
        switch_to(choice);
    }
    void switch_to(ChatViews::Choice choice) {
        views.keep_place(lines.view_mark());
        const std::optional<ScrollBack::ViewMark> place = views.show(choice);
        lines.show_view(choice);
        place ? lines.return_to(*place) : lines.follow_newest();
    }
};

// A view shows its own lines and those of every view; the others are out of sight, and
// searches pass over them.
TEST(ChatViews, AViewShowsItsLinesAndThoseOfEveryView) {
    ViewedChat chat;
    chat.add("[Ann @ 5]: guild", LineView::of_channel(5));
    chat.add("[PM from Marek: hi]", LineView::of_player("Marek"));
    chat.add("Bob: local", LineView::local_speech());
    chat.add("#GM from Orla: restart", LineView::every());
    const struct {
        const char* typed;
        std::vector<std::string> shown;
    } cases[] = {
        {"5", {"[Ann @ 5]: guild", "#GM from Orla: restart"}},
        {"marek", {"[PM from Marek: hi]", "#GM from Orla: restart"}},
        {"local", {"Bob: local", "#GM from Orla: restart"}},
        {"7", {"#GM from Orla: restart"}},
        {"all",
         {"[Ann @ 5]: guild", "[PM from Marek: hi]", "Bob: local", "#GM from Orla: restart"}},
    };
    for (const auto& view : cases) {
        chat.show(view.typed);
        EXPECT_EQ(visible_texts(chat.lines), view.shown) << view.typed;
    }
    chat.show("5");
    EXPECT_TRUE(chat.lines.is_out_of_sight(1));
    EXPECT_FALSE(chat.lines.is_out_of_sight(3));

    // Alt-P and Alt-N walk the lines for the user of the view shown.
    chat.add("[Bob @ 5]: alice?", LineView::of_channel(5), true);
    chat.add("[PM from Marek: alice?]", LineView::of_player("Marek"), true);
    EXPECT_EQ(chat.lines.for_user_before(chat.lines.text_end()), std::optional<std::uint64_t>(4));
    EXPECT_EQ(chat.lines.for_user_after(4), std::nullopt);
    EXPECT_EQ(chat.lines.for_user_place(4), std::make_pair(std::size_t{1}, std::size_t{1}));
}

// Lines of other views are counted unread there, and for the user where they are; the listing,
// the border and Alt-A follow; showing a view clears its count.
TEST(ChatViews, UnreadLinesAreCountedWhereTheyBelong) {
    ViewedChat chat;
    chat.add("[Ann @ 3]: hello", LineView::of_channel(3));
    EXPECT_EQ(chat.views.border_note(), "") << "all shows everything";
    chat.show("5");
    for (int line = 0; line < 12; ++line) {
        chat.add("[Ann @ 3]: more", LineView::of_channel(3));
    }
    chat.add("[PM from Marek: there?]", LineView::of_player("Marek"), true);
    chat.add("[Bob @ 5]: shown here", LineView::of_channel(5));
    chat.add("#GM from Orla: everywhere", LineView::every(), true);
    EXPECT_EQ(chat.views.listing(),
              "all: 13 new, 1 for you; 3: 12 new; 5; Marek: 1 for you; local");
    EXPECT_EQ(chat.views.border_note(), " view 5 | 3: 12 | Marek: 1! ");
    // A narrow border names the views that fit whole and counts the rest, marking a line for you.
    const std::pair<std::size_t, std::string> narrow[] = {
        {28, " view 5 | 3: 12 | Marek: 1! "},
        {27, " view 5 | 3: 12 | +1! "},
        {22, " view 5 | 3: 12 | +1! "},
        {21, " view 5 | +2! "},
        {3, " view 5 | +2! "},
    };
    for (const auto& [width, note] : narrow) {
        EXPECT_EQ(chat.views.border_parts().fitted(width), note) << width;
    }
    ChatViews::Choice wanted;
    ASSERT_TRUE(chat.views.most_wanted(wanted));
    EXPECT_EQ(chat.views.name(wanted), "Marek") << "a line for the user comes first";
    chat.switch_to(wanted);
    EXPECT_EQ(chat.views.border_note(), " view Marek | 3: 12 ");
    ASSERT_TRUE(chat.views.most_wanted(wanted));
    EXPECT_EQ(chat.views.name(wanted), "3") << "then the most unread";
    chat.show("all");
    EXPECT_EQ(chat.views.border_note(), "");
    EXPECT_FALSE(chat.views.most_wanted(wanted));

    // A folded repeat is new when its line was read, and counts once while that line is unread.
    chat.show("5");
    chat.views.note_line(LineView::of_channel(3), false, true);
    chat.views.note_line(LineView::of_channel(3), false, true);
    EXPECT_EQ(chat.views.border_note(), " view 5 | 3: 1 ");
}

// Alt-Right and Alt-Left go round in the listing's order; #view close forgets a player's view
// until that player writes again.
TEST(ChatViews, GoRoundInOrderAndCloseAPlayersView) {
    ViewedChat chat;
    chat.add("[PM from zed: a]", LineView::of_player("zed"));
    chat.add("[x @ 9]: b", LineView::of_channel(9));
    chat.add("[PM from Ann\x03: c]", LineView::of_player("Ann\x03"));
    chat.add("[x @ 10]: d", LineView::of_channel(10));
    std::vector<std::string> forward;
    for (int step = 0; step < 6; ++step) {
        chat.switch_to(chat.views.next(true));
        forward.push_back(chat.views.name(chat.views.shown()));
    }
    EXPECT_EQ(forward, (std::vector<std::string>{"9", "10", "Ann", "zed", "local", "all"}));
    chat.switch_to(chat.views.next(false));
    EXPECT_EQ(chat.views.name(chat.views.shown()), "local");

    EXPECT_FALSE(chat.views.close_shown()) << "only a player's view closes";
    chat.views.note_channels({9, 4});
    EXPECT_EQ(chat.views.listing(), "all; 4; 9; 10; Ann; zed; local") << "joined, before a line";
    chat.show("ZED");
    EXPECT_TRUE(chat.views.close_shown());
    EXPECT_EQ(chat.views.listing(), "all; 4; 9; 10; Ann; local");
    chat.add("[PM from zed: back]", LineView::of_player("zed"));
    EXPECT_EQ(chat.views.listing(), "all; 4; 9; 10; Ann; zed; local");

    // The guild channel is named as the channel list names it, and found by that name: the
    // joined one when a line came from another guild channel first.
    ChatViews::Choice none;
    EXPECT_FALSE(chat.views.find_or_make("guild", none)) << "no guild channel: no player Guild";
    chat.add("[x @ 1000077]: e", LineView::of_channel(1000077));
    chat.views.note_channels({1000042});
    chat.show("Guild");
    EXPECT_EQ(chat.views.name(chat.views.shown()), "guild");
    ASSERT_TRUE(chat.views.typing_destination());
    EXPECT_EQ(chat.views.typing_destination()->channel, 1000042U);
    EXPECT_EQ(chat.views.listing(), "all; 4; 9; 10; guild; 1000077; Ann; zed; local");

    // A server that sends from ever new names makes no more than the bound of views.
    ChatViews many;
    for (std::size_t name = 0; name < ChatViews::MOST_VIEWS; ++name) {
        EXPECT_NE(many.note_line(LineView::of_player("p" + std::to_string(name)), false),
                  ScrollBack::EVERY_VIEW);
    }
    EXPECT_EQ(many.note_line(LineView::of_player("one too many"), false), ScrollBack::EVERY_VIEW);
    EXPECT_FALSE(many.find_or_make("another", none));
    for (const char* typed : {"", "two words", "ctrl\x01"}) {
        EXPECT_FALSE(ChatViews().find_or_make(typed, none)) << typed;
    }
    EXPECT_NE(many.note_line(LineView::of_player("P7"), false), ScrollBack::EVERY_VIEW);
}

// Each view keeps its own place: scrolled back in one, away and back returns to the same line.
TEST(ChatViews, EachViewKeepsItsOwnPlace) {
    ViewedChat chat;
    for (int line = 1; line <= 30; ++line) {
        chat.add("[x @ 5]: five " + std::to_string(line), LineView::of_channel(5));
        chat.add("[x @ 6]: six " + std::to_string(line), LineView::of_channel(6));
    }
    chat.show("5");
    chat.lines.page_up();
    const std::vector<std::string> scrolled = visible_texts(chat.lines);
    chat.show("6");
    EXPECT_EQ(visible_texts(chat.lines).back(), "[x @ 6]: six 30");
    chat.add("[x @ 5]: five 31", LineView::of_channel(5));
    chat.show("5");
    EXPECT_EQ(visible_texts(chat.lines), scrolled);
    EXPECT_EQ(chat.lines.unseen().lines, 1U);
    // Asking for the view shown keeps it where the user moved it since.
    chat.lines.page_up();
    const std::vector<std::string> further = visible_texts(chat.lines);
    chat.show("5");
    EXPECT_EQ(visible_texts(chat.lines), further);
}

// Lines that fall off the top while another view is shown: the view left comes back to the
// oldest line it can still reach, its count of new lines says how many of them are gone.
TEST(ChatViews, AViewComesBackWhereItCanWhenItsLinesFellOffTheTop) {
    ViewedChat chat;
    chat.lines.keep_texts(100);
    for (int line = 1; line <= 40; ++line) {
        chat.add("[x @ 5]: five " + std::to_string(line), LineView::of_channel(5));
    }
    chat.show("5");
    chat.lines.show_oldest();
    chat.add("[x @ 5]: five 41", LineView::of_channel(5));
    chat.show("6");
    for (int line = 1; line <= 150; ++line) {
        chat.add("[x @ 6]: six " + std::to_string(line), LineView::of_channel(6));
    }
    chat.show("5");
    EXPECT_TRUE(visible_texts(chat.lines).empty()) << "every line of 5 is gone";
    EXPECT_FALSE(chat.lines.is_scrolled_back());
    chat.add("[x @ 5]: five 42", LineView::of_channel(5));
    EXPECT_EQ(visible_texts(chat.lines), std::vector<std::string>{"[x @ 5]: five 42"});
    chat.show("6");
    EXPECT_EQ(visible_texts(chat.lines).back(), "[x @ 6]: six 150");
    EXPECT_EQ(visible_texts(chat.lines).size(), static_cast<std::size_t>(ROWS));
}

// An unread line that falls off the top is no longer counted: the counts say what switching to
// the view would show.
TEST(ChatViews, UnreadCountsLoseTheLinesThatFellOffTheTop) {
    ViewedChat chat;
    chat.lines.keep_texts(100);
    chat.show("5");
    for (int line = 1; line <= 30; ++line) {
        chat.add("[x @ 6]: six " + std::to_string(line), LineView::of_channel(6), line <= 2);
    }
    for (int line = 1; line <= 70; ++line) {
        chat.add("[x @ 5]: five " + std::to_string(line), LineView::of_channel(5));
    }
    EXPECT_EQ(chat.views.border_note(), " view 5 | 6: 30! ");
    for (int line = 71; line <= 81; ++line) {
        chat.add("[x @ 5]: five " + std::to_string(line), LineView::of_channel(5));
    }
    EXPECT_EQ(chat.views.border_note(), " view 5 | 6: 19 ") << "the two for you went first";
    chat.show("6");
    chat.show("5");
    for (int line = 1; line <= 2; ++line) {
        chat.add("[x @ 6]: six again " + std::to_string(line), LineView::of_channel(6));
    }
    for (int line = 1; line <= 90; ++line) {
        chat.add("[x @ 5]: more " + std::to_string(line), LineView::of_channel(5));
    }
    EXPECT_EQ(chat.views.border_note(), " view 5 | 6: 2 ") << "read lines going leave the count";
    for (int line = 91; line <= 100; ++line) {
        chat.add("[x @ 5]: more " + std::to_string(line), LineView::of_channel(5));
    }
    EXPECT_EQ(chat.views.border_note(), " view 5 ");
}

}  // namespace
}  // namespace qvchat2gui
