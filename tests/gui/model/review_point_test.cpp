#include "gui/model/review_point.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/key_codes.h"
#include "gui/model/scroll_back.h"

namespace qvchat2gui {
namespace {

using Move = ReviewPoint::Move;

// Few texts kept, so that lines fall off the top as others come.
constexpr std::size_t KEPT_TEXTS = 4;

std::uint64_t number_of(const ScrollBack& lines, const std::string& text) {
    for (std::uint64_t number = lines.first_reachable_text(); number < lines.text_end(); ++number) {
        if (lines.text(number) == text) {
            return number;
        }
    }
    ADD_FAILURE() << "no line " << text;
    return 0;
}

// Runs the steps of a case: "+a" a line comes ("+a@1" in view 1, "+i" ignored, "+m" the read
// marker), "<a" Alt-Up gives line a, ">a" Alt-Down, "[a" the oldest, "]a" the newest ("<!" and
// so on: the notice of the edge), "x" leaves, "v1" shows view 1 ("v" all), "fa" folds a away.
void run_steps(const std::vector<std::string>& steps) {
    ScrollBack lines(40, 4, KEPT_TEXTS);
    ReviewPoint point;
    for (const std::string& step : steps) {
        SCOPED_TRACE(step);
        const char kind = step[0];
        const std::string rest = step.substr(1);
        if (kind == '+') {
            const std::size_t at = rest.find('@');
            const auto view = static_cast<ScrollBack::ViewTag>(
                at == std::string::npos ? ScrollBack::EVERY_VIEW : std::stoi(rest.substr(at + 1)));
            if (rest == "i") {
                lines.add_ignored("ignored");
            } else if (rest == "m") {
                lines.set_read_marker();
            } else {
                lines.add(rest.substr(0, at), Attention::none, NO_STAMP, view);
            }
        } else if (kind == 'x') {
            point.leave();
        } else if (kind == 'v') {
            lines.show_view(rest.empty()
                                ? std::nullopt
                                : std::optional(static_cast<ScrollBack::ViewTag>(std::stoi(rest))));
        } else if (kind == 'f') {
            ASSERT_TRUE(lines.move_to_newest(number_of(lines, rest), rest + " (x2)",
                                             Attention::none, NO_STAMP));
        } else {
            const Move move = kind == '<'   ? Move::older
                              : kind == '>' ? Move::newer
                              : kind == '[' ? Move::oldest
                                            : Move::newest;
            const bool older = kind == '<' || kind == '[';
            const ReviewStep step_taken = point.move(lines, move);
            ASSERT_EQ(step_taken.line.has_value(), rest != "!");
            EXPECT_EQ(step_taken.text, rest != "!" ? rest : older ? NO_OLDER_LINE : NO_NEWER_LINE);
            if (step_taken.line) {
                EXPECT_EQ(lines.text(*step_taken.line), rest);
                EXPECT_EQ(point.line(), step_taken.line);
            }
        }
    }
}

TEST(ReviewPoint, MovesLineByLineWhileLinesComeAndLeave) {
    const struct {
        const char* name;
        std::vector<std::string> steps;
    } cases[] = {
        {"the first move gives the newest line, then each edge is said",
         {"+a", "+b", "+c", "<c", "<b", "<a", "<!", "<!", ">b", ">c", ">!", "<b"}},
        {"Alt-Down first gives the newest line too", {"+a", "+b", ">b", ">!"}},
        {"nothing to review", {"<!", ">!", "]!", "[!"}},
        {"lines that come do not move the point", {"+a", "+b", "<b", "+c", "+d", "<a", ">b", ">c"}},
        {"a line fallen off the top hands the next move to the oldest still kept",
         {"+a", "+b", "+c", "+d", "[a", "<!", "+e", "+f", "<c", "<!", "+g", ">d"}},
        {"however many went", {"+a", "+b", "[a", "+c", "+d", "+e", "+f", "+g", "<d", "<!"}},
        {"a line folded away hands the next move to the line after it",
         {"+a", "+b", "+c", "<c", "<b", "fb", ">c", ">b (x2)", ">!"}},
        {"leaving starts the next review from the newest",
         {"+a", "+b", "+c", "<c", "<b", "x", "<c", "x", ">c"}},
        {"the oldest and the newest line", {"+a", "+b", "+c", "[a", "[a", ">b", "]c", ">!", "<b"}},
        {"only the view shown, with the lines of every view",
         {"+g1@1", "+p1@2", "+server", "+g2@1", "v1", "<g2", "<server", "<g1", "<!", "x", "v2",
          "<server", "<p1", ">server", ">!"}},
        {"the view's lines come and go",
         {"+g1@1", "v1", "<g1", "+p1@2", "+p2@2", "+g2@1", ">g2", "+p3@2", "+p4@2", "+p5@2", "<!",
          ">!", "+p6@2", "<!", "+g3@1", "<g3", "<!"}},
        {"blank lines say nothing and are passed over",
         {"+a", "+", "+\x14  ", "+b", "<b", "<a", "<!"}},
        {"so are ignored lines and the read marker", {"+a", "+i", "+m", "+b", "<b", "<a", ">b"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        run_steps(test.steps);
    }
}

// "HH:MM, " and the line in words; a line without a time, and a notice, as they are.
TEST(ReviewPoint, TheWordsGiveTheLineWithItsTime) {
    ScrollBack lines(40, 4);
    lines.add(
        "\x14"
        "Cid: hello",
        Attention::none, 9 * 60 + 5);
    lines.add("Cid: no time");
    ReviewPoint point;
    EXPECT_EQ(point.move(lines, Move::older).words(), "Cid: no time");
    EXPECT_EQ(point.move(lines, Move::older).words(), "09:05, Cid: hello");
    EXPECT_EQ(point.move(lines, Move::older).words(), NO_OLDER_LINE);
}

TEST(ReviewPoint, KeysMoveItAndTypingLeavesIt) {
    EXPECT_EQ(review_move_of(REVIEW_OLDER_KEY, false), Move::older);
    EXPECT_EQ(review_move_of(REVIEW_NEWER_KEY, false), Move::newer);
    // The chat window's Alt-Home and Alt-End scroll; in reader mode they go to the ends.
    for (const int key : {alt(HOME_KEY), CHAT_OLDEST_KEY, alt(END_KEY), CHAT_NEWEST_KEY}) {
        EXPECT_EQ(review_move_of(key, false), std::nullopt) << key;
        EXPECT_EQ(review_move_of(key, true),
                  key == alt(HOME_KEY) || key == CHAT_OLDEST_KEY ? Move::oldest : Move::newest);
    }
    for (const int key : {int{'a'}, int{' '}, 0xE9, int{'\r'}, int{'\n'}, ENTER_KEY, ESCAPE_KEY}) {
        EXPECT_TRUE(leaves_review(key)) << key;
    }
    for (const int key : {REVIEW_OLDER_KEY, UP_KEY, PAGE_UP_KEY, TAB_KEY, ctrl('g'), alt('a')}) {
        EXPECT_FALSE(leaves_review(key)) << key;
    }
}

}  // namespace
}  // namespace qvchat2gui
