// The reader front-end for screen readers, in the real qvchat program in tmux against a fake game
// server: every line once, in order, in words; the input line and the cursor kept while lines
// come; nothing but the input line's own row ever moved over; a dumb terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"
#include "tests/support/wait_until.h"

namespace {

constexpr char SETTINGS[] =
    "#username = bob\n#password = secret\n#log_chat = 3\n#reconnect = 0\n#reader = 1\n";

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The escape sequences in `raw` that are not SGR colours, the input line's erase and cursor
// moves left, or bracketed paste on and off.
std::vector<std::string> foreign_sequences(const std::string& raw) {
    static const std::regex sequence("\x1b(\\[[0-9;?]*[ -/]*[@-~]|.)");
    static const std::regex allowed("\x1b\\[([0-9;]*m|K|[0-9]+D|\\?2004[hl])");
    std::vector<std::string> foreign;
    for (auto found = std::sregex_iterator(raw.begin(), raw.end(), sequence);
         found != std::sregex_iterator(); ++found) {
        if (!std::regex_match(found->str(), allowed)) {
            foreign.push_back(found->str().substr(1));
        }
    }
    return foreign;
}

TEST(ReaderProgram, LinesComeOnceInWordsAndTheInputLineStaysWhereTheTypingIs) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini", SETTINGS);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    const std::string raw_file = (run.work().path() / "output.raw").string();
    terminal.record_output(raw_file);
    const auto raw = [&] { return qvtest::QvchatRun::read_file(raw_file); };

    terminal.type("hello w\xC3\xB6rld");
    const std::vector<std::pair<std::uint8_t, std::string>> lines{
        {2, "#GM from Orla: welcome"}, {3, "The server restarts soon"}, {1, "[PM from Marek: one]"},
        {0, "Ann: bob, look here"},    {1, "[PM from Ysolde: two]"},    {0, "Cid: nothing for you"},
    };
    for (const auto& [channel, text] : lines) {
        ASSERT_TRUE(run.server.send_text(channel, text));
    }
    ASSERT_TRUE(terminal.wait_for_text("Cid: nothing for you")) << run.screen_text();
    const std::vector<std::string> rows = terminal.screen();
    const std::string screen = qvtest::joined(rows);
    EXPECT_NE(screen.find("GM: #GM from Orla: welcome"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Server: The server restarts soon"), std::string::npos) << screen;
    // The typed text and the cursor after it, on the row below the last line.
    const auto cursor = terminal.cursor();
    ASSERT_GE(cursor.second, 1);
    EXPECT_EQ(rows[cursor.second].rfind("> hello w\xC3\xB6rld", 0), 0U) << screen;
    EXPECT_EQ(cursor.first, 13) << screen;
    EXPECT_NE(rows[cursor.second - 1].find("Cid: nothing for you"), std::string::npos) << screen;

    for (const auto& [channel, text] : lines) {
        EXPECT_EQ(count_of(raw(), text), 1U) << text << "\n" << raw();
    }
    terminal.press("M-3");
    EXPECT_TRUE(terminal.wait_for_text("Recent 3: [PM from Marek: one]")) << run.screen_text();
    terminal.press("Enter");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    EXPECT_LT(raw().find("[PM from Marek: one]"), raw().find("[PM from Ysolde: two]"));
    EXPECT_NE(raw().find("[PM from Marek: one]\x1b[0m\a\r"), std::string::npos) << raw();
    EXPECT_EQ(foreign_sequences(raw()), std::vector<std::string>{}) << raw();
    ASSERT_TRUE(run.exit_with_status(0));
}

// On a dumb terminal nothing but text is written: lines, the prompt after them, and lines typed
// reach the game whole.
TEST(ReaderProgram, ADumbTerminalGetsPlainLinesAndThePromptAgain) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    const std::filesystem::path notified = run.work().path() / "notified.txt";
    run.write_file("notify.sh",
                   "#!/bin/sh\ntest \"$1\" = -- && printf '%s|%s\\n' \"$2\" \"$3\" >> '" +
                       notified.string() + "'\n");
    std::filesystem::permissions(run.work().path() / "notify.sh",
                                 std::filesystem::perms::owner_all);
    run.write_file("qv.ini", std::string(SETTINGS) + "#notify_command = ./notify.sh\n");
    const std::string raw_file = (run.work().path() / "output.raw").string();
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure, "TERM=dumb")) << failure;
    run.terminal().record_output(raw_file);
    // Away, a line for the user also runs notify_command.
    run.enter("#afk");
    ASSERT_TRUE(run.terminal().wait_for_text("Away: ")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(2, "#GM from Orla: plain"));
    ASSERT_TRUE(run.terminal().wait_for_text("GM: #GM from Orla: plain")) << run.screen_text();
    EXPECT_TRUE(qvtest::wait_until([&] {
        return qvtest::QvchatRun::read_file(notified) == "qvchat|#GM from Orla: plain\n";
    })) << qvtest::QvchatRun::read_file(notified);
    run.enter("hi there");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1)) << run.screen_text();
    const std::string raw = qvtest::QvchatRun::read_file(raw_file);
    EXPECT_EQ(raw.find('\x1b'), std::string::npos) << raw;
    // A GM line is for the user: the bell ends it. The terminal's own line discipline turns each
    // line feed into a carriage return and one.
    EXPECT_NE(raw.find("GM: #GM from Orla: plain\a\r\n> "), std::string::npos)
        << testing::PrintToString(raw);
    ASSERT_TRUE(run.exit_with_status(0));
}

// Ctrl-Z on a dumb terminal stops the program as a job of an interactive shell, and fg lets it
// go on where it was.
TEST(ReaderProgram, CtrlZOnADumbTerminalStopsItAndFgGoesOn) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini", SETTINGS);
    const std::string folder = run.work().path().string();
    qvtest::TmuxSession shell("exec bash --norc --noprofile -i", 80, 24);
    shell.type("cd '" + folder + "' && XDG_DOCUMENTS_DIR='" + folder + "/documents' TERM=dumb " +
               QVCHAT_BINARY + " test");
    shell.press("Enter");
    ASSERT_TRUE(run.server.wait_for_client());
    ASSERT_TRUE(run.server.send_text(3, "Welcome to the test server"));
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
    ASSERT_TRUE(shell.wait_for_text("Server: Welcome to the test server"));

    shell.press("C-z");
    ASSERT_TRUE(shell.wait_for_text("Stopped")) << testing::PrintToString(shell.screen());
    shell.type("fg");
    shell.press("Enter");
    shell.type("after fg");
    shell.press("Enter");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1))
        << testing::PrintToString(shell.screen());
    const std::string sent = "after fg";
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT),
              std::vector<qvnetworklib::ByteVector>(
                  1, qvnetworklib::ByteVector(sent.begin(), sent.end())));
    shell.type("#exit");
    shell.press("Enter");
}

}  // namespace
