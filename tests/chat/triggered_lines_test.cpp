// The user's triggers on the received-line path: each kind of line with each action, as the
// front-end and the lines for the user get it, and the log untouched.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/lines_for_user.h"
#include "chat/trigger_commands.h"
#include "chat/trigger_list.h"
#include "tests/chat/chat_fixture.h"

namespace {

using qvchat2gui::Attention;
using qvtest::color;

class TriggeredLines : public qvtest::ChatFixture {
protected:
    void SetUp() override {
        ChatFixture::SetUp();
        forget_triggers();
    }
    void TearDown() override { forget_triggers(); }
    static void forget_triggers() {
        while (qvchat2::triggers().size() > 0) {
            qvchat2::triggers().remove(1);
        }
    }
};

TEST_F(TriggeredLines, EachKindOfLineTakesEachAction) {
    struct Case {
        std::uint8_t code;
        std::string text;
        std::string shown;  // as the front-end gets it, before any colour a trigger gives
    };
    const std::vector<Case> kinds{
        {0, "Ann: the dragon wakes", "Ann: the dragon wakes"},
        {1, "[PM from Ann: a dragon!]", color(qvchat2gui::PM_COLOR) + "[PM from Ann: a dragon!]"},
        {2, "Zed: dragon event soon",
         color(qvchat2gui::GM_COLOR) + "#GM from Zed: dragon event soon"},
        {3, "A dragon was seen", color(qvchat2gui::SERVER_COLOR) + "A dragon was seen"},
    };
    for (const Case& kind : kinds) {
        SCOPED_TRACE(kind.text);

        ASSERT_TRUE(qvchat2::triggers().add("dragon colour 2 bell notify").accepted);
        raw(kind.code, kind.text);
        ASSERT_EQ(gui.effects().size(), 1U);
        EXPECT_EQ(gui.effects()[0].colour, std::optional<std::uint8_t>(2));
        EXPECT_TRUE(gui.effects()[0].bell);
        EXPECT_TRUE(gui.effects()[0].notify);
        EXPECT_EQ(gui.shown(), std::vector<std::string>{kind.shown});
        gui.forget_all();
        qvchat2::lines_for_user().clear();

        ASSERT_TRUE(qvchat2::triggers().remove(1).accepted);
        ASSERT_TRUE(qvchat2::triggers().add("/drag[o]n/ pane").accepted);
        raw(kind.code, kind.text);
        EXPECT_NE(gui.shown_attentions().at(0), Attention::none);
        EXPECT_EQ(qvchat2::lines_for_user().lines().size(), 1U);
        gui.forget_all();
        qvchat2::lines_for_user().clear();

        ASSERT_TRUE(qvchat2::triggers().remove(1).accepted);
        ASSERT_TRUE(qvchat2::triggers().add("Dragon hide").accepted);
        raw(kind.code, kind.text);
        // An upper-case letter makes the word match case.
        EXPECT_TRUE(gui.hidden_lines().empty());
        EXPECT_EQ(gui.shown(), std::vector<std::string>{kind.shown});
        gui.forget_all();
        qvchat2::lines_for_user().clear();
        ASSERT_TRUE(qvchat2::triggers().remove(1).accepted);
        ASSERT_TRUE(qvchat2::triggers().add("dragon hide").accepted);
        raw(kind.code, kind.text);
        EXPECT_THAT(gui.hidden_lines(), testing::Contains(kind.shown));
        EXPECT_THAT(gui.shown(), testing::Not(testing::Contains(kind.shown)));
        // Hidden, a line is not for the user, whatever its kind.
        EXPECT_TRUE(qvchat2::lines_for_user().lines().empty());
        gui.forget_all();
        ASSERT_TRUE(qvchat2::triggers().remove(1).accepted);
    }
    // Every line reached the log, hidden or not.
    EXPECT_EQ(chat_log().size() + server_log().size(), kinds.size() * 4);
    EXPECT_EQ(qvchat2::triggers().list().size(), 0U);
}

// A trigger too costly for a line is named once and the line shows; the user's own line that a
// trigger hides still ends the away state.
TEST_F(TriggeredLines, ACostlyTriggerIsNamedOnceAndHidingOwnLinesKeepsTheAwayRules) {
    ASSERT_TRUE(qvchat2::triggers().add("/(\\w+\\s?)+$/ bell").accepted);
    const std::string long_line = "Ann: " + std::string(3000, 'a') + " b c d e f g h i j!";
    raw(0, long_line);
    raw(0, long_line);
    const std::vector<std::string> shown = gui.take_lines();
    ASSERT_EQ(shown.size(), 3U);
    EXPECT_THAT(shown[0], testing::HasSubstr("was too costly for a line"));
    EXPECT_EQ(shown[1], long_line);
    EXPECT_EQ(shown[2], long_line);
    ASSERT_TRUE(qvchat2::triggers().remove(1).accepted);

    ASSERT_TRUE(qvchat2::triggers().add("/^Alice:/ hide").accepted);
    afk->set_afk(true);
    raw(0, "Alice: back");
    EXPECT_FALSE(afk->is_afk());
    EXPECT_EQ(gui.hidden_lines(), std::vector<std::string>{"Alice: back"});
}

}  // namespace
