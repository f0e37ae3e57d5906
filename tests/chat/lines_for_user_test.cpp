#include "chat/lines_for_user.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chat/away_tally.h"
#include "chat/filter_commands.h"
#include "gui/model/time_stamp.h"
#include "tests/chat/chat_fixture.h"

namespace {

using qvchat2::ForUserKind;
using qvchat2::LineForUser;
using qvchat2gui::PM_COLOR;
using qvchat2gui::SERVER_COLOR;
using qvtest::color;
using ::testing::ElementsAre;

// "PMarek GAnn": a private message from Marek, a GM message from Ann (M: mention, H: highlight).
void count_all(qvchat2::AwayTally& tally, const std::string& counted) {
    std::istringstream words(counted);
    for (std::string word; words >> word;) {
        const std::string kinds = "PGMH";
        tally.count(static_cast<ForUserKind>(kinds.find(word[0])), word.substr(1));
    }
}

TEST(AwayTally, SumsUpWhatCame) {
    const struct {
        const char* counted;
        int minutes;
        std::string summary;  // between "While you were away (" and "."
    } cases[] = {
        {"PMarek", 0, "1 min): 1 private message (Marek 1)"},
        {"PYsolde PMarek PMarek MAnn MBo", 42,
         "42 min): 3 private messages (Marek 2, Ysolde 1), 2 lines naming you"},
        {"PF PE PD PC PB PA PG PG", 90,
         "90 min): 8 private messages (G 2, A 1, B 1, C 1, D 1, ..., 2 others)"},
        {"GGm HAnn", 125, "2 h 5 min): 1 GM message, 1 highlighted line"},
        {"GGm GGm MAnn HAnn HBo", 120,
         "2 h): 2 GM messages, 1 line naming you, 2 highlighted lines"},
    };
    for (const auto& test : cases) {
        qvchat2::AwayTally tally;
        count_all(tally, test.counted);
        EXPECT_EQ(tally.summary(std::chrono::minutes(test.minutes)),
                  "While you were away (" + test.summary + ".");
    }
    EXPECT_EQ(qvchat2::AwayTally().summary(std::chrono::minutes(42)), std::nullopt);
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
    EXPECT_THAT(std::vector<std::string>(shown.end() - 4, shown.end() - 1),
                ElementsAre("Bob: the lantern is lit", "You are no longer AFK",
                            color(SERVER_COLOR) +
                                "While you were away (1 min): 1 private message (Otto 1), 1 GM "
                                "message, 1 line naming you, 1 highlighted line."));
    qvchat2::highlight_words().remove("lantern");

    afk->set_message_and_go_afk(&gui, "");
    const std::size_t flood = qvchat2::MAX_LINES_FOR_USER + 50;
    for (std::size_t i = 0; i < flood; ++i) {
        raw(1, "[PM from Otto: " + std::to_string(i) + "]");
    }
    afk->set_afk(false);
    EXPECT_EQ(gui.shown().back(), color(SERVER_COLOR) +
                                      "While you were away (1 min): " + std::to_string(flood) +
                                      " private messages (Otto " + std::to_string(flood) + ").");
    kept = qvchat2::lines_for_user().lines();
    ASSERT_EQ(kept.size(), qvchat2::MAX_LINES_FOR_USER);
    EXPECT_EQ(kept.back().text,
              color(PM_COLOR) + "[PM from Otto: " + std::to_string(flood - 1) + "]");

    gui.forget_all();
    qvchat2::show_missed(&gui);
    const std::vector<std::string> missed = gui.shown();
    ASSERT_EQ(missed.size(), qvchat2::MAX_LINES_FOR_USER + 1);
    // Written as a front-end without a view writes them: the lines, then what they are, in
    // words that name no key.
    EXPECT_EQ(missed.front(),
              color(PM_COLOR) + qvchat2gui::stamp_text(qvchat2gui::local_time_stamp(kept[0].time)) +
                  kept[0].text.substr(1));
    EXPECT_EQ(missed.back(), color(SERVER_COLOR) + "200 lines for you.");
    qvchat2::lines_for_user().clear();
    qvchat2::show_missed(&gui);
    EXPECT_EQ(gui.shown().back(), color(SERVER_COLOR) + "No line for you yet.");
}

// Long lines give way by their bytes before the count is reached; a line larger than the bound
// still stays, alone.
TEST(LinesForUser, KeepTheirBytesBounded) {
    constexpr std::size_t KIB = 1024;
    const struct {
        std::size_t text_bytes;
        std::size_t kept;
    } cases[] = {{700 * KIB, 2}, {qvchat2::MAX_BYTES_FOR_USER + 1, 1}, {60 * KIB, 34}};
    for (const auto& test : cases) {
        qvchat2::LinesForUser lines;
        for (char tag = 'a'; tag <= 'z'; ++tag) {
            for (int copy = 0; copy < 2; ++copy) {
                lines.note(ForUserKind::mention, "Bob", std::string(test.text_bytes, tag), 0);
            }
        }
        const std::vector<LineForUser> kept = lines.lines();
        ASSERT_EQ(kept.size(), test.kept) << test.text_bytes;
        EXPECT_EQ(kept.back().text, std::string(test.text_bytes, 'z'));
    }
}

}  // namespace
