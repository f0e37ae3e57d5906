#include "gui/model/review_point.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/key_codes.h"
#include "gui/model/scroll_back.h"

namespace qvchat2gui {
namespace {

using Move = ReviewPoint::Move;

constexpr int COLUMNS = 40;
constexpr int ROWS = 4;
// Few texts kept, so that lines fall off the top as others come.
constexpr std::size_t KEPT_TEXTS = 4;
constexpr ScrollBack::ViewTag GUILD = 1;
constexpr ScrollBack::ViewTag MAREK = 2;

// One step of a case: a line comes, the point moves (and must give `text`: a line's text or the
// notice), the review is left, a view is shown, or a line is folded into a newer repeat.
struct Action {
    enum class Kind { receive, move, leave, show_view, fold } kind;
    std::string text;
    Move move = Move::older;
    std::optional<ScrollBack::ViewTag> view;
};

Action receive(const std::string& text, ScrollBack::ViewTag view = ScrollBack::EVERY_VIEW) {
    return {Action::Kind::receive, text, Move::older, view};
}
Action older(const std::string& gives) {
    return {Action::Kind::move, gives, Move::older, std::nullopt};
}
Action newer(const std::string& gives) {
    return {Action::Kind::move, gives, Move::newer, std::nullopt};
}
Action oldest(const std::string& gives) {
    return {Action::Kind::move, gives, Move::oldest, std::nullopt};
}
Action newest(const std::string& gives) {
    return {Action::Kind::move, gives, Move::newest, std::nullopt};
}
Action leave() {
    return {Action::Kind::leave, "", Move::older, std::nullopt};
}
Action show_view(std::optional<ScrollBack::ViewTag> view) {
    return {Action::Kind::show_view, "", Move::older, view};
}
Action fold(const std::string& text) {
    return {Action::Kind::fold, text, Move::older, std::nullopt};
}

std::uint64_t number_of(const ScrollBack& lines, const std::string& text) {
    for (std::uint64_t number = lines.first_reachable_text(); number < lines.text_end(); ++number) {
        if (lines.text(number) == text) {
            return number;
        }
    }
    ADD_FAILURE() << "no line " << text;
    return 0;
}

TEST(ReviewPoint, MovesLineByLineWhileLinesComeAndLeave) {
    const struct {
        const char* name;
        std::vector<Action> actions;
    } cases[] = {
        {"the first move gives the newest line, then each edge is said",
         {receive("a"), receive("b"), receive("c"), older("c"), older("b"), older("a"),
          older(NO_OLDER_LINE), older(NO_OLDER_LINE), newer("b"), newer("c"), newer(NO_NEWER_LINE),
          older("b")}},
        {"Alt-Down first gives the newest line too",
         {receive("a"), receive("b"), newer("b"), newer(NO_NEWER_LINE)}},
        {"nothing to review", {older(NO_OLDER_LINE), newer(NO_NEWER_LINE), newest(NO_NEWER_LINE)}},
        {"lines that come do not move the point",
         {receive("a"), receive("b"), older("b"), receive("c"), receive("d"), older("a"),
          newer("b"), newer("c"), newer("d")}},
        {"a line fallen off the top hands the next move to the oldest still kept",
         {receive("a"), receive("b"), receive("c"), receive("d"), older("d"), older("c"),
          older("b"), older("a"), receive("e"), receive("f"), older("c"), older(NO_OLDER_LINE)}},
        {"the same for a move newer",
         {receive("a"), receive("b"), receive("c"), receive("d"), oldest("a"), receive("e"),
          newer("b"), newer("c")}},
        {"however many lines went, the oldest still kept is next",
         {receive("a"), receive("b"), oldest("a"), receive("c"), receive("d"), receive("e"),
          receive("f"), receive("g"), receive("h"), older("e"), older(NO_OLDER_LINE)}},
        {"a line folded into its repeat hands the next move to the line after it",
         {receive("a"), receive("b"), receive("c"), older("c"), older("b"), fold("b"), newer("c"),
          newer("b (x2)"), newer(NO_NEWER_LINE)}},
        {"leaving starts the next review from the newest",
         {receive("a"), receive("b"), receive("c"), older("c"), older("b"), older("a"), leave(),
          older("c"), leave(), newer("c")}},
        {"the oldest and the newest line",
         {receive("a"), receive("b"), receive("c"), oldest("a"), oldest("a"), newer("b"),
          newest("c"), newer(NO_NEWER_LINE), oldest("a"), older(NO_OLDER_LINE)}},
        {"only the view shown, with the lines of every view",
         {receive("guild 1", GUILD), receive("pm 1", MAREK), receive("server"),
          receive("guild 2", GUILD), show_view(GUILD), older("guild 2"), older("server"),
          older("guild 1"), older(NO_OLDER_LINE), leave(), show_view(MAREK), older("server"),
          older("pm 1"), newer("server"), newer(NO_NEWER_LINE)}},
        {"lines of the view shown come and go",
         {receive("guild 1", GUILD), show_view(GUILD), older("guild 1"), receive("pm 1", MAREK),
          receive("pm 2", MAREK), receive("guild 2", GUILD), newer("guild 2"),
          receive("pm 3", MAREK), receive("pm 4", MAREK), receive("pm 5", MAREK),
          older(NO_OLDER_LINE), newer(NO_NEWER_LINE), receive("pm 6", MAREK), older(NO_OLDER_LINE),
          newer(NO_NEWER_LINE), receive("guild 3", GUILD), older("guild 3"), older(NO_OLDER_LINE)}},
        {"blank lines say nothing and are passed over",
         {receive("a"), receive(""), receive("\x14  "), older("a"), newer(NO_NEWER_LINE)}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ScrollBack lines(COLUMNS, ROWS, KEPT_TEXTS);
        ReviewPoint point;
        for (std::size_t index = 0; index < test.actions.size(); ++index) {
            const Action& action = test.actions[index];
            switch (action.kind) {
                case Action::Kind::receive:
                    lines.add(action.text, Attention::none, NO_STAMP, *action.view);
                    break;
                case Action::Kind::move: {
                    const ReviewStep step = point.move(lines, action.move);
                    const bool notice =
                        action.text == NO_OLDER_LINE || action.text == NO_NEWER_LINE;
                    ASSERT_EQ(step.line.has_value(), !notice) << "step " << index;
                    EXPECT_EQ(step.text, action.text) << "step " << index;
                    if (step.line) {
                        EXPECT_EQ(lines.text(*step.line), action.text) << "step " << index;
                        EXPECT_EQ(point.line(), step.line) << "step " << index;
                    }
                    break;
                }
                case Action::Kind::leave:
                    point.leave();
                    EXPECT_FALSE(point.active());
                    break;
                case Action::Kind::show_view:
                    lines.show_view(action.view);
                    break;
                case Action::Kind::fold:
                    ASSERT_TRUE(lines.move_to_newest(number_of(lines, action.text),
                                                     action.text + " (x2)", Attention::none,
                                                     NO_STAMP));
                    break;
            }
        }
    }
}

// A line out of sight (an ignored one, the read marker) is no line of the view.
TEST(ReviewPoint, PassesOverWhatTheChatDoesNotShow) {
    ScrollBack lines(COLUMNS, ROWS);
    lines.add("a");
    lines.add_ignored("ignored");
    lines.set_read_marker();
    lines.add("b");
    ReviewPoint point;
    EXPECT_EQ(point.move(lines, Move::older).text, "b");
    EXPECT_EQ(point.move(lines, Move::older).text, "a");
    EXPECT_EQ(point.move(lines, Move::newer).text, "b");
    lines.show_ignored(true);
    EXPECT_EQ(point.move(lines, Move::older).text, "ignored");
}

// Said as "HH:MM, " and the line in words; a line without a time, and a notice, as they are.
TEST(ReviewPoint, TheWordsGiveTheLineWithItsTime) {
    ScrollBack lines(COLUMNS, ROWS);
    lines.add(
        "\x14"
        "Cid: hello",
        Attention::none, 9 * 60 + 5);
    lines.add("Cid: no time");
    ReviewPoint point;
    EXPECT_EQ(point.move(lines, Move::older).words(), "Cid: no time");
    const ReviewStep stamped = point.move(lines, Move::older);
    EXPECT_EQ(stamped.text,
              "\x14"
              "Cid: hello");
    EXPECT_EQ(stamped.words(), "09:05, Cid: hello");
    EXPECT_EQ(point.move(lines, Move::older).words(), NO_OLDER_LINE);
}

TEST(ReviewPoint, KeysMoveItAndTypingLeavesIt) {
    const struct {
        int key;
        std::optional<Move> on_screen;  // the chat window's
        std::optional<Move> in_reader;  // with the review's own Alt-Home and Alt-End
        bool leaves;
    } cases[] = {
        {REVIEW_OLDER_KEY, Move::older, Move::older, false},
        {REVIEW_NEWER_KEY, Move::newer, Move::newer, false},
        {alt(HOME_KEY), std::nullopt, Move::oldest, false},
        {CHAT_OLDEST_KEY, std::nullopt, Move::oldest, false},
        {alt(END_KEY), std::nullopt, Move::newest, false},
        {CHAT_NEWEST_KEY, std::nullopt, Move::newest, false},
        {'a', std::nullopt, std::nullopt, true},
        {' ', std::nullopt, std::nullopt, true},
        {0xE9, std::nullopt, std::nullopt, true},
        {'\r', std::nullopt, std::nullopt, true},
        {'\n', std::nullopt, std::nullopt, true},
        {ENTER_KEY, std::nullopt, std::nullopt, true},
        {ESCAPE_KEY, std::nullopt, std::nullopt, true},
        {UP_KEY, std::nullopt, std::nullopt, false},
        {PAGE_UP_KEY, std::nullopt, std::nullopt, false},
        {TAB_KEY, std::nullopt, std::nullopt, false},
        {ctrl('g'), std::nullopt, std::nullopt, false},
        {alt('a'), std::nullopt, std::nullopt, false},
        {NEXT_VIEW_KEY, std::nullopt, std::nullopt, false},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(review_move_of(test.key, false), test.on_screen) << test.key;
        EXPECT_EQ(review_move_of(test.key, true), test.in_reader) << test.key;
        EXPECT_EQ(leaves_review(test.key), test.leaves) << test.key;
    }
}

}  // namespace
}  // namespace qvchat2gui
