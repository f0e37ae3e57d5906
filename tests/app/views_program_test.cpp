// Following several conversations at once, in the real qvchat program in tmux against a fake game
// server: views by channel, player and local speech, the border that names them, the keys that
// go through them, and typed lines that go where the view shown says.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"

namespace {

using qvnetworklib::ByteVector;

ByteVector bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

bool shown(const std::vector<std::string>& rows, const std::string& text) {
    return std::any_of(rows.begin(), rows.end(), [&text](const std::string& row) {
        return row.find(text) != std::string::npos;
    });
}

TEST(ViewsProgram, EachConversationHasAViewAndTypedLinesGoWhereTheViewSays) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                      {0, 3, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(run.server.send_text(5, "[Ann]: guild talk"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: there?]"));
    ASSERT_TRUE(run.server.send_text(0, "Cid: local talk"));
    ASSERT_TRUE(terminal.wait_for_text("Cid: local talk")) << run.screen_text();

    // A player's view: its lines only, the border names it, typed lines go to that player.
    run.enter("#view marek");
    ASSERT_TRUE(terminal.wait_for_text("view Marek")) << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return shown(rows, "[PM from Marek: there?]") && !shown(rows, "guild talk") &&
               !shown(rows, "local talk");
    })) << run.screen_text();
    terminal.type("yes, here");
    EXPECT_TRUE(terminal.wait_for_text("(to Marek) yes, here")) << run.screen_text();
    terminal.press("Enter");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_PM, 1)) << run.screen_text();
    EXPECT_EQ(run.received(qvnetworklib::OUT_PM).back(), bytes("Marek yes, here"));
    // A command of the game goes to the game in any view.
    run.enter("##look");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1)) << run.screen_text();
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT).back(), bytes("#look"));

    // A channel's view sends channel chat; lines elsewhere are counted on the border, a line for
    // the user marked, and Alt-A goes to it.
    run.enter("#view 3");
    ASSERT_TRUE(terminal.wait_for_text("view 3")) << run.screen_text();
    run.enter("for the guild");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 2)) << run.screen_text();
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT).back(), bytes("@@3 for the guild"));
    ASSERT_TRUE(run.server.send_text(0, "Cid: more local"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Ysolde: psst]"));
    ASSERT_TRUE(terminal.wait_for_text("view 3 | Ysolde: 1! | local: 1")) << run.screen_text();
    run.enter("#views");
    EXPECT_TRUE(
        terminal.wait_for_text("all: 2 new, 1 for you; 3; 5; Marek; Ysolde: 1 for you; "
                               "local: 1 new"))
        << run.screen_text();
    run.enter("#grep talk");
    EXPECT_TRUE(terminal.wait_for_text(" 1 line matches 'talk' in the view 3: Esc returns "))
        << run.screen_text();
    terminal.press("Escape");
    ASSERT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return !shown(rows, "Esc returns") && shown(rows, "Ysolde: 1 for you");
    })) << run.screen_text();
    terminal.press("M-a");
    EXPECT_TRUE(terminal.wait_for_text("view Ysolde | local: 1")) << run.screen_text();

    // Alt-Right goes round to local and all, where typed lines are chat as always.
    terminal.press("M-Right");
    EXPECT_TRUE(terminal.wait_for_text("view local")) << run.screen_text();
    terminal.press("M-Right");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return !shown(rows, "view ") && shown(rows, "guild talk") && shown(rows, "psst");
    })) << run.screen_text();
    run.enter("hello all");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 3)) << run.screen_text();
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT).back(), bytes("hello all"));
    ASSERT_TRUE(run.exit_with_status(0));
}

// Alt-Up and Alt-Down review the view's lines one by one: the chat scrolls to the line and marks
// it (reversed and underlined, as Alt-P marks a line); typing leaves the review and the chat
// follows the newest lines again. The lines #grep found are reviewed the same way.
TEST(ViewsProgram, AltUpReviewsTheLinesOfTheViewAndTypingLeavesIt) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    for (int line = 1; line <= 60; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Cid: talk " + std::to_string(line) + "."));
    }
    ASSERT_TRUE(terminal.wait_for_text("Cid: talk 60.")) << run.screen_text();
    const auto marked = [&terminal](const std::string& text) {
        return terminal.wait_for_screen(
            [&text](const std::vector<std::string>& rows) {
                return std::count_if(rows.begin(), rows.end(),
                                     [](const std::string& row) {
                                         return row.find("4;7m") != std::string::npos;
                                     }) == 1 &&
                       shown(rows, "4;7mCid: talk " + text + ".");
            },
            std::chrono::seconds(10), true);
    };
    terminal.press("M-Up", 2);
    EXPECT_TRUE(marked("59")) << qvtest::joined(terminal.screen(true));
    EXPECT_TRUE(terminal.wait_for_text("review: Esc returns")) << run.screen_text();
    // Far enough back that the chat scrolls: the newest lines are out of sight.
    terminal.press("M-Up", 38);
    EXPECT_TRUE(marked("21")) << qvtest::joined(terminal.screen(true));
    EXPECT_FALSE(shown(terminal.screen(), "Cid: talk 60.")) << run.screen_text();

    terminal.type("x");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return shown(rows, "Cid: talk 60.") && !shown(rows, "review") && shown(rows, "x");
    })) << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_screen(
        [](const std::vector<std::string>& rows) { return !shown(rows, "4;7m"); },
        std::chrono::seconds(10), true))
        << qvtest::joined(terminal.screen(true));
    terminal.press("BSpace");

    // Over the lines #grep found, the same keys move and mark.
    run.enter("#grep talk 2");
    ASSERT_TRUE(terminal.wait_for_text("11 lines match 'talk 2'")) << run.screen_text();
    terminal.press("M-Up", 2);
    EXPECT_TRUE(marked("28")) << qvtest::joined(terminal.screen(true));
    ASSERT_TRUE(run.exit_with_status(0));
}

// The pane keeps the newest lines for the user in sight, with their time and view, whatever the
// view below shows and however many other lines come; #set pane changes it at once.
TEST(ViewsProgram, ThePaneKeepsTheLinesForTheUserInSightDuringAFlood) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini",
                   "#username = bob\n#password = secret\n#log_chat = 3\n#reconnect = 0\n"
                   "#pane = 2\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: first for you]"));
    ASSERT_TRUE(run.server.send_text(2, "#GM from Orla: second for you"));
    for (int line = 0; line < 300; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Cid: flood " + std::to_string(line)));
    }
    ASSERT_TRUE(terminal.wait_for_text("Cid: flood 299")) << run.screen_text();
    const auto pane_rows = [](const std::vector<std::string>& rows, const std::string& first,
                              const std::string& second) {
        // Right under the top bar's three rows.
        return rows.size() > 4 && rows[3].find(first) != std::string::npos &&
               rows[4].find(second) != std::string::npos;
    };
    EXPECT_TRUE(terminal.wait_for_screen([&](const std::vector<std::string>& rows) {
        return pane_rows(rows, "Marek: [PM from Marek: first for you]",
                         "all: #GM from Orla: second for you");
    })) << run.screen_text();
    run.enter("#set pane 0");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return std::none_of(rows.begin(), rows.begin() + 5, [](const std::string& row) {
            return row.find("first for you") != std::string::npos;
        });
    })) << run.screen_text();
    run.enter("#set pane 1");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 3 &&
               rows[3].find("all: #GM from Orla: second for you") != std::string::npos;
    })) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
}

}  // namespace
