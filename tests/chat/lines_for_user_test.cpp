#include "chat/lines_for_user.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chat/away_tally.h"
#include "chat/filter_commands.h"
#include "gui/time_stamp.h"
#include "tests/chat/chat_fixture.h"

namespace {

using qvchat2::ForUserKind;
using qvchat2::LineForUser;
using qvchat2gui::PM_COLOR;
using qvchat2gui::SERVER_COLOR;
using qvtest::color;
using ::testing::ElementsAre;

constexpr std::time_t NOON = 1700000000;

TEST(LinesForUser, KeepsTheNewestInOrderAndMissedStampsThem) {
    qvchat2::LinesForUser store;
    const std::size_t more = qvchat2::MAX_LINES_FOR_USER + 5;
    for (std::size_t i = 0; i < more; ++i) {
        store.note(ForUserKind::mention, "Ann", "line " + std::to_string(i),
                   NOON + static_cast<std::time_t>(i));
    }
    const std::vector<LineForUser> kept = store.lines();
    ASSERT_EQ(kept.size(), qvchat2::MAX_LINES_FOR_USER);
    EXPECT_EQ(kept.front().text, "line 5");
    EXPECT_EQ(kept.back().text, "line " + std::to_string(more - 1));

    const qvchat2gui::FoundLines found = qvchat2::missed_lines({kept.front()});
    EXPECT_EQ(found.note, " 1 line for you: Esc returns ");
    EXPECT_THAT(
        found.lines,
        ElementsAre(qvchat2gui::stamp_text(qvchat2gui::local_time_stamp(NOON + 5)) + "line 5"));
}

TEST(AwayTally, SumsUpWhatCame) {
    using Counted = std::vector<std::pair<ForUserKind, std::string>>;
    const ForUserKind pm = ForUserKind::private_message;
    const struct {
        Counted counted;
        int minutes;
        std::optional<std::string> summary;
    } cases[] = {
        {{}, 42, std::nullopt},
        {{{pm, "Marek"}},
         0,
         "While you were away (1 min): 1 private message (Marek 1). Alt-P shows them."},
        {{{pm, "Ysolde"},
          {pm, "Marek"},
          {pm, "Marek"},
          {ForUserKind::mention, "Ann"},
          {ForUserKind::mention, "Bo"}},
         42,
         "While you were away (42 min): 3 private messages (Marek 2, Ysolde 1), 2 lines naming "
         "you. Alt-P "
         "shows them."},
        {{{pm, "F"}, {pm, "E"}, {pm, "D"}, {pm, "C"}, {pm, "B"}, {pm, "A"}, {pm, "G"}, {pm, "G"}},
         90,
         "While you were away (90 min): 8 private messages (G 2, A 1, B 1, C 1, D 1, ..., 2 "
         "others). Alt-P "
         "shows them."},
        {{{ForUserKind::gm_message, "Gm"}, {ForUserKind::highlight, "Ann"}},
         125,
         "While you were away (2 h 5 min): 1 GM message, 1 highlighted line. Alt-P shows them."},
        {{{ForUserKind::gm_message, "Gm"},
          {ForUserKind::gm_message, "Gm"},
          {ForUserKind::mention, "Ann"}},
         120,
         "While you were away (2 h): 2 GM messages, 1 line naming you. Alt-P shows them."},
    };
    for (const auto& test : cases) {
        qvchat2::AwayTally tally;
        for (const auto& [kind, sender] : test.counted) {
            tally.count(kind, sender);
        }
        EXPECT_EQ(tally.summary(std::chrono::minutes(test.minutes)), test.summary);
    }
}

using LinesForUserChat = qvtest::ChatFixture;

// Every kind of line for the user is kept and counted, and no other line; coming back sums up
// more than the store keeps.
TEST_F(LinesForUserChat, ReceivedLinesAreKeptCountedAndSummedUpOnComingBack) {
    ASSERT_TRUE(qvchat2::highlight_words().add("lantern").accepted);
    afk->set_message_and_go_afk(&gui, "");
    raw(1, "[PM from Otto: hi]");
    raw(1, "[PM to Otto: gone fishing]");
    raw(2, "#GM from Gm: restart");
    raw(0, "Bob: Alice, look");
    raw(0, "Bob: Alicey is not you");
    raw(0, "Bob: the lantern is lit");
    raw(0, "Alice: own lines never count, not even Alice");
    std::vector<LineForUser> kept = qvchat2::lines_for_user().lines();
    ASSERT_EQ(kept.size(), 4U);
    EXPECT_EQ(kept[0].kind, ForUserKind::private_message);
    EXPECT_EQ(kept[0].sender, "Otto");
    EXPECT_EQ(kept[0].text, color(PM_COLOR) + "[PM from Otto: hi]");
    EXPECT_EQ(kept[1].kind, ForUserKind::gm_message);
    EXPECT_EQ(kept[2].kind, ForUserKind::mention);
    EXPECT_EQ(kept[3].kind, ForUserKind::highlight);
    const std::vector<std::string> shown = gui.shown();
    EXPECT_THAT(
        std::vector<std::string>(shown.end() - 4, shown.end() - 1),
        ElementsAre("Bob: the lantern is lit", "You are no longer AFK",
                    color(SERVER_COLOR) +
                        "While you were away (1 min): 1 private message (Otto 1), 1 GM "
                        "message, 1 line naming you, 1 highlighted line. Alt-P shows them."));
    qvchat2::highlight_words().remove("lantern");

    afk->set_message_and_go_afk(&gui, "");
    const std::size_t flood = qvchat2::MAX_LINES_FOR_USER + 50;
    for (std::size_t i = 0; i < flood; ++i) {
        raw(1, "[PM from Otto: " + std::to_string(i) + "]");
    }
    afk->set_afk(false);
    EXPECT_EQ(gui.shown().back(),
              color(SERVER_COLOR) + "While you were away (1 min): " + std::to_string(flood) +
                  " private messages (Otto " + std::to_string(flood) + "). Alt-P shows them.");
    kept = qvchat2::lines_for_user().lines();
    ASSERT_EQ(kept.size(), qvchat2::MAX_LINES_FOR_USER);
    EXPECT_EQ(kept.back().text,
              color(PM_COLOR) + "[PM from Otto: " + std::to_string(flood - 1) + "]");

    gui.forget_all();
    qvchat2::show_missed(&gui);
    EXPECT_EQ(gui.shown().size(), qvchat2::MAX_LINES_FOR_USER + 1) << "the note, then the lines";
    qvchat2::lines_for_user().clear();
    qvchat2::show_missed(&gui);
    EXPECT_EQ(gui.shown().back(), color(SERVER_COLOR) + "No line for you yet.");
}

}  // namespace
