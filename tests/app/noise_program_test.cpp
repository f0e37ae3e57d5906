// Less noise, in the real qvchat program in tmux against a fake game server: repeats folded into
// the line they repeat while the log keeps every line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"

namespace {

constexpr char SETTINGS[] = "#username = bob\n#password = secret\n#log_chat = 3\n#reconnect = 0\n";

std::size_t rows_holding(const std::vector<std::string>& rows, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(
        rows.begin(), rows.end(),
        [&part](const std::string& row) { return row.find(part) != std::string::npos; }));
}

TEST(NoiseProgram, AFloodOfRepeatsTakesOneRowAndTheLogKeepsEveryLine) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini", std::string(SETTINGS) + "#fold_repeats = 1\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();

    constexpr int REPEATS = 300;
    for (int line = 0; line < REPEATS; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Ann: selling gold, PM me"));
        if (line % 100 == 0) {
            ASSERT_TRUE(run.server.send_text(0, "Bo: line " + std::to_string(line)));
        }
    }
    ASSERT_TRUE(run.server.send_text(1, "[PM from Ann: cheap gold]"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Ann: cheap gold]"));
    const std::string folded = "Ann: selling gold, PM me (\xC3\x97" + std::to_string(REPEATS) + ")";
    ASSERT_TRUE(
        terminal.wait_for_text("[PM from Ann: cheap gold] (\xC3\x97"
                               "2)"))
        << run.screen_text();
    const std::vector<std::string> rows = terminal.screen();
    EXPECT_EQ(rows_holding(rows, folded), 1U) << run.screen_text();
    EXPECT_EQ(rows_holding(rows, "selling gold"), 1U) << run.screen_text();
    EXPECT_EQ(rows_holding(rows, "Bo: line"), 3U) << run.screen_text();

    // A search sees the folded line once, with its count.
    run.enter("#grep selling");
    EXPECT_TRUE(terminal.wait_for_text("1 line matches 'selling'")) << run.screen_text();
    terminal.press("Escape");
    ASSERT_TRUE(terminal.wait_for_text("Bo: line 0")) << run.screen_text();

    run.enter("#set fold_repeats 0");
    ASSERT_TRUE(terminal.wait_for_text("fold_repeats is now 0.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(0, "Ann: selling gold, PM me"));
    ASSERT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& shown) {
        return rows_holding(shown, "selling gold") == 2;
    })) << run.screen_text();

    ASSERT_TRUE(run.exit_with_status(0));
    const std::string log = run.chat_log();
    std::size_t logged = 0;
    for (std::size_t at = log.find("Ann: selling gold, PM me"); at != std::string::npos;
         at = log.find("Ann: selling gold, PM me", at + 1)) {
        ++logged;
    }
    EXPECT_EQ(logged, REPEATS + 1U);
}

// A trigger colours the lines it matches or hides them (Alt-= shows them, marked); #trigger lists
// them with how often each matched, and they are kept in triggers.txt.
TEST(NoiseProgram, TriggersColourAndHideLinesAndAreKept) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    run.enter("#trigger dragon colour yellow");
    ASSERT_TRUE(terminal.wait_for_text("Trigger 1")) << run.screen_text();
    run.enter("#trigger /s[p]am/ hide");
    ASSERT_TRUE(terminal.wait_for_text("Trigger 2")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(0, "Bo: spam spam spam"));
    ASSERT_TRUE(run.server.send_text(0, "Ann: the dragon wakes"));
    ASSERT_TRUE(run.server.send_text(0, "Cy: plain words"));
    ASSERT_TRUE(terminal.wait_for_text("Cy: plain words")) << run.screen_text();
    EXPECT_EQ(run.screen_text().find("spam spam"), std::string::npos) << run.screen_text();
    const std::vector<std::string> coloured = terminal.screen(true);
    const auto row_of = [&coloured](const std::string& text) {
        return *std::find_if(coloured.begin(), coloured.end(), [&text](const std::string& row) {
            return row.find(text) != std::string::npos;
        });
    };
    EXPECT_NE(row_of("Ann: the dragon wakes").find("\x1b[33m"), std::string::npos)
        << testing::PrintToString(coloured);
    EXPECT_EQ(row_of("Cy: plain words").find("\x1b[33m"), std::string::npos);

    terminal.press("M-=");
    EXPECT_TRUE(terminal.wait_for_text("(hidden) Bo: spam spam spam")) << run.screen_text();
    terminal.press("M-=");
    run.enter("#trigger");
    EXPECT_TRUE(terminal.wait_for_text("1. dragon colour yellow (matched once)"))
        << run.screen_text();
    run.enter("#untrigger 1");
    ASSERT_TRUE(terminal.wait_for_text("Trigger 1 (dragon colour yellow) is removed."))
        << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "triggers.txt"), "/s[p]am/ hide\n");
    EXPECT_NE(run.chat_log().find("Bo: spam spam spam"), std::string::npos);
}

// A note on a player follows the first private message of the run from that player, in grey,
// and is kept in notes.txt for the next run.
TEST(NoiseProgram, ANoteFollowsTheFirstPrivateMessageFromThePlayer) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    run.enter("#note Marek owes me 5 gold");
    ASSERT_TRUE(terminal.wait_for_text("Marek")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: hi]"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: there?]"));
    ASSERT_TRUE(terminal.wait_for_text("[PM from Marek: there?]")) << run.screen_text();
    const std::vector<std::string> rows = terminal.screen();
    const auto note = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
        return row.find("note on Marek: owes me 5 gold") != std::string::npos;
    });
    ASSERT_NE(note, rows.end()) << run.screen_text();
    EXPECT_NE((note - 1)->find("[PM from Marek: hi]"), std::string::npos) << run.screen_text();
    EXPECT_EQ(rows_holding(rows, "note on Marek"), 1U) << run.screen_text();
    run.enter("#notes");
    EXPECT_TRUE(terminal.wait_for_text("Marek: owes me 5 gold")) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "notes.txt"),
              "Marek owes me 5 gold\n");
}

}  // namespace
