// Never missing a line for the user, in the real qvchat program in tmux against a fake game
// server: the read marker and notifications while the terminal has lost the focus, and Alt-P and
// Alt-N over a flood.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"
#include "tests/support/wait_until.h"

namespace {

constexpr char FOCUS_OUT[] = "\x1b[O";
constexpr std::chrono::milliseconds COMMAND_INTERVAL{7000};

std::string tmux_wrapped(const std::string& text) {
    return "\x1bPtmux;\x1b\x1b]777;notify;qvchat;" + text + "\a\x1b\\\a";
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Out of focus, three private messages give one notification at once and one that sums up the
// others two seconds on, through the terminal (wrapped for tmux) and notify_command; a marker row
// stands before them until the user speaks.
TEST(ForYouProgram, OutOfFocusTheLinesForYouAreNotifiedAndMarked) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    const std::filesystem::path recorded = run.work().path() / "notified.txt";
    run.write_file("notify.sh",
                   "#!/bin/sh\ntest \"$1\" = -- && printf '%s|%s\\n' \"$2\" \"$3\" >> '" +
                       recorded.string() + "'\n");
    std::filesystem::permissions(run.work().path() / "notify.sh",
                                 std::filesystem::perms::owner_all);
    run.write_file("qv.ini",
                   "#username = bob\n#password = secret\n#log_chat = 3\n#reconnect = 0\n"
                   "#notify_command = ./notify.sh\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure, "TMUX=/tmp/tmux-test,1,0")) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    const std::filesystem::path raw_file = run.work().path() / "output.raw";
    terminal.record_output(raw_file.string());
    ASSERT_TRUE(run.server.send_text(0, "Ann: before"));
    ASSERT_TRUE(terminal.wait_for_text("Ann: before")) << run.screen_text();

    terminal.type(FOCUS_OUT);
    ASSERT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>&) { return true; }));
    for (const char* line :
         {"[PM from Marek: one]", "[PM from Marek: two]", "[PM from Ysolde: three]"}) {
        ASSERT_TRUE(run.server.send_text(1, line));
    }
    ASSERT_TRUE(terminal.wait_for_text("[PM from Ysolde: three]")) << run.screen_text();
    const auto raw = [&] { return qvtest::QvchatRun::read_file(raw_file); };
    EXPECT_TRUE(qvtest::wait_until([&] {
        return raw().find(tmux_wrapped("2 more: [PM from Ysolde: three]")) != std::string::npos;
    })) << raw();
    EXPECT_EQ(count_of(raw(), "]777;"), 2U) << raw();
    EXPECT_NE(raw().find(tmux_wrapped("[PM from Marek: one]")), std::string::npos) << raw();
    const std::vector<std::string> rows = terminal.screen();
    const auto marker = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
        return row.find("\u2500\u2500\u2500 new \u2500\u2500\u2500") != std::string::npos;
    });
    ASSERT_NE(marker, rows.end()) << run.screen_text();
    EXPECT_NE((marker + 1)->find("[PM from Marek: one]"), std::string::npos) << run.screen_text();
    EXPECT_TRUE(qvtest::wait_until(
        [&] {
            const std::string runs = qvtest::QvchatRun::read_file(recorded);
            return runs == "qvchat|[PM from Marek: one]\nqvchat|[PM from Ysolde: three] (1 more)\n";
        },
        COMMAND_INTERVAL))
        << qvtest::QvchatRun::read_file(recorded);

    run.enter("back");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& shown) {
        return std::none_of(shown.begin(), shown.end(), [](const std::string& row) {
            return row.find(" new \u2500") != std::string::npos;
        });
    })) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
}

// Away first, then out of focus: the marker stays before what came while away.
TEST(ForYouProgram, LosingTheFocusWhileAwayKeepsTheMarkerWhereItWas) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    run.enter("#afk");
    ASSERT_TRUE(terminal.wait_for_text("Going AFK.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(1, "[PM from Ann: while away]"));
    ASSERT_TRUE(terminal.wait_for_text("[PM from Ann: while away]")) << run.screen_text();
    terminal.type(FOCUS_OUT);
    ASSERT_TRUE(run.server.send_text(1, "[PM from Cid: out of focus]"));
    ASSERT_TRUE(terminal.wait_for_text("[PM from Cid: out of focus]")) << run.screen_text();
    const std::vector<std::string> rows = terminal.screen();
    const auto marker = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
        return row.find("\u2500\u2500\u2500 new \u2500\u2500\u2500") != std::string::npos;
    });
    const auto away_line = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
        return row.find("[PM from Ann: while away]") != std::string::npos;
    });
    EXPECT_LT(marker, away_line) << run.screen_text();
    EXPECT_TRUE(run.exit_with_status(0));
}

// Alt-P and Alt-N walk the lines for the user that a flood left in reach, marked and counted on
// the border; past the newest, Alt-N is back at the bottom.
TEST(ForYouProgram, AltPAndAltNWalkTheLinesForYouOverAFlood) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    for (int number = 1; number <= 300; ++number) {
        const bool for_you = number % 100 == 50;
        ASSERT_TRUE(run.server.send_text(
            for_you ? 1 : 0, for_you ? "[PM from Marek: at " + std::to_string(number) + "]"
                                     : "Ann: flood " + std::to_string(number)));
    }
    ASSERT_TRUE(terminal.wait_for_text("Ann: flood 300")) << run.screen_text();
    const struct {
        std::string key;
        std::string border;
        std::string shown;
    } steps[] = {
        {"M-p", "for you 3 of 3", "[PM from Marek: at 250]"},
        {"M-p", "for you 2 of 3", "[PM from Marek: at 150]"},
        {"M-p", "for you 1 of 3", "[PM from Marek: at 50]"},
        {"M-p", "no older line for you", "[PM from Marek: at 50]"},
        {"M-n", "for you 2 of 3", "[PM from Marek: at 150]"},
    };
    for (const auto& step : steps) {
        terminal.press(step.key);
        EXPECT_TRUE(terminal.wait_for_text(step.border)) << step.border << "\n"
                                                         << run.screen_text();
        EXPECT_TRUE(terminal.wait_for_text(step.shown)) << step.shown << "\n" << run.screen_text();
    }
    EXPECT_TRUE(terminal.wait_for_screen(
        [](const std::vector<std::string>& rows) {
            return std::any_of(rows.begin(), rows.end(), [](const std::string& row) {
                // Bold and reversed as a private message, and underlined as the line gone to.
                return row.find("\x1b[1;4;7m") != std::string::npos &&
                       row.find("at 150") != std::string::npos;
            });
        },
        std::chrono::seconds(10), true))
        << qvtest::joined(terminal.screen(true));
    terminal.press("M-n");
    terminal.press("M-n");
    EXPECT_TRUE(terminal.wait_for_text("Ann: flood 300")) << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return std::none_of(rows.begin(), rows.end(), [](const std::string& row) {
            return row.find("for you") != std::string::npos;
        });
    })) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
}

}  // namespace
