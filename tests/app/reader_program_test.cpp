// The reader front-end for screen readers, in the real qvchat program in tmux against a fake game
// server: every line once, in order, in words; the input line and the cursor kept while lines
// come; nothing but the input line's own row ever moved over; a dumb terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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

// Each test has a run of the real program whose terminal output is recorded raw, escape
// sequences and all, from the login on.
class ReaderProgram : public testing::Test {
protected:
    qvtest::QvchatRun run{QVCHAT_BINARY};
    const std::string raw_file = (run.work().path() / "output.raw").string();

    // Writes the settings, logs in and starts recording; false with the reason in `failure`.
    bool start_recorded(const std::string& settings, std::string& failure,
                        const std::string& environment = "") {
        run.write_file("qv.ini", settings);
        if (!run.start_logged_in(failure, environment)) {
            return false;
        }
        run.terminal().record_output(raw_file);
        return true;
    }
    std::string raw() const { return qvtest::QvchatRun::read_file(raw_file); }
};

TEST_F(ReaderProgram, LinesComeOnceInWordsAndTheInputLineStaysWhereTheTypingIs) {
    std::string failure;
    ASSERT_TRUE(start_recorded(SETTINGS, failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();

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
    EXPECT_NE(screen.find("#GM from Orla: welcome"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("GM: #GM"), std::string::npos) << "one role word is enough\n" << screen;
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
    // The first line for the user rings; the next ones, within the second, do not.
    EXPECT_NE(raw().find("#GM from Orla: welcome\x1b[0m\a\r"), std::string::npos) << raw();
    EXPECT_NE(raw().find("[PM from Marek: one]\x1b[0m\r"), std::string::npos)
        << testing::PrintToString(raw());
    EXPECT_EQ(foreign_sequences(raw()), std::vector<std::string>{}) << raw();
    ASSERT_TRUE(run.exit_with_status(0));
}

// On a dumb terminal nothing but text is written: lines, the prompt after them, and lines typed
// reach the game whole.
TEST_F(ReaderProgram, ADumbTerminalGetsPlainLinesAndThePromptAgain) {
    const std::filesystem::path notified = run.work().path() / "notified.txt";
    run.write_file("notify.sh",
                   "#!/bin/sh\ntest \"$1\" = -- && printf '%s|%s\\n' \"$2\" \"$3\" >> '" +
                       notified.string() + "'\n");
    std::filesystem::permissions(run.work().path() / "notify.sh",
                                 std::filesystem::perms::owner_all);
    std::string failure;
    ASSERT_TRUE(start_recorded(std::string(SETTINGS) + "#notify_command = ./notify.sh\n", failure,
                               "TERM=dumb"))
        << failure;
    // Away, a line for the user also runs notify_command.
    run.enter("#afk");
    ASSERT_TRUE(run.terminal().wait_for_text("Client: Going AFK.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(2, "#GM from Orla: plain"));
    ASSERT_TRUE(run.terminal().wait_for_text("#GM from Orla: plain")) << run.screen_text();
    EXPECT_TRUE(qvtest::wait_until([&] {
        return qvtest::QvchatRun::read_file(notified) == "qvchat|#GM from Orla: plain\n";
    })) << qvtest::QvchatRun::read_file(notified);
    run.enter("hi there");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1)) << run.screen_text();
    // A GM line is for the user: the bell ends it. The terminal's own line discipline turns each
    // line feed into a carriage return and one. The recording may lag behind the screen.
    std::string raw;
    EXPECT_TRUE(qvtest::wait_until([&] {
        raw = qvtest::QvchatRun::read_file(raw_file);
        return raw.find("\n#GM from Orla: plain\a\r\n") != std::string::npos;
    })) << testing::PrintToString(raw);
    EXPECT_EQ(raw.find('\x1b'), std::string::npos) << raw;
    ASSERT_TRUE(run.exit_with_status(0));
}

// A half-typed line never shares a row with an incoming line: its row is ended first, and the
// prompt and the typed text are written again after the line.
TEST_F(ReaderProgram, ADumbTerminalKeepsTheHalfTypedLineApart) {
    std::string failure;
    ASSERT_TRUE(start_recorded(SETTINGS, failure, "TERM=dumb")) << failure;
    run.terminal().type("half");
    ASSERT_TRUE(run.terminal().wait_for_text("> half")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(0, "Ann: in between"));
    ASSERT_TRUE(run.terminal().wait_for_text("Ann: in between")) << run.screen_text();
    run.terminal().press("BSpace");
    run.enter("f typed");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1)) << run.screen_text();
    const std::string sent = "half typed";
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT),
              std::vector<qvnetworklib::ByteVector>(
                  1, qvnetworklib::ByteVector(sent.begin(), sent.end())));
    // The recording may lag behind the screen.
    std::string raw;
    EXPECT_TRUE(qvtest::wait_until([&] {
        raw = qvtest::QvchatRun::read_file(raw_file);
        return raw.find("> half\r\nAnn: in between\r\n> half\b \bf typed") != std::string::npos;
    })) << testing::PrintToString(raw);
    ASSERT_TRUE(run.exit_with_status(0));
}

// Every line says once, in one word, whom it comes from: the game server, the client, a GM (the
// line itself says it); a state change is said once; #help names only what the reader has; the
// time comes first with #set timestamps 1.
TEST_F(ReaderProgram, EachRoleIsSaidOnceInOneWord) {
    std::string failure;
    ASSERT_TRUE(start_recorded(std::string(SETTINGS) + "#afk_message = gone fishing\n", failure))
        << failure;
    qvtest::TmuxSession& terminal = run.terminal();

    run.enter("#afk");
    ASSERT_TRUE(terminal.wait_for_text("Client: Going AFK.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: there?]"));
    ASSERT_TRUE(run.server.send_text(2, "#GM from Orla: hello"));
    ASSERT_TRUE(run.server.send_text(0, "bob: back again"));
    ASSERT_TRUE(terminal.wait_for_text("Client: While you were away")) << run.screen_text();
    run.enter("#help");
    ASSERT_TRUE(qvtest::wait_until([&] {
        return raw().find("More: man qvchat.") != std::string::npos;
    })) << run.screen_text();
    run.enter("#set timestamps 1");
    ASSERT_TRUE(terminal.wait_for_text("Client: timestamps is now 1.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(3, "Stamped notice"));
    ASSERT_TRUE(terminal.wait_for_text("Server: Stamped notice")) << run.screen_text();
    run.enter("#grep back again");
    ASSERT_TRUE(terminal.wait_for_text("Client: 1 line matches 'back again'."))
        << run.screen_text();
    run.enter("#missed");
    ASSERT_TRUE(terminal.wait_for_text("Client: 2 lines for you.")) << run.screen_text();

    const std::string out = raw();
    const std::size_t count_said = out.find("1 line matches 'back again'.");
    EXPECT_LT(out.rfind("bob: back again", count_said), count_said) << "the line, then its count";
    EXPECT_EQ(count_of(out, "bob: back again"), 2U) << out;
    EXPECT_EQ(count_of(out, "Going AFK."), 1U) << out;
    EXPECT_NE(out.find("Client: \x1b[32mGoing AFK.\x1b[0m"), std::string::npos) << out;
    EXPECT_NE(out.find("Client: You are no longer AFK"), std::string::npos) << out;
    EXPECT_NE(out.find("#GM from Orla: hello"), std::string::npos) << out;
    EXPECT_NE(out.find("(1 min): 1 private message (Marek 1), 1 GM message. Alt-1 says the latest "
                       "again; #missed lists them."),
              std::string::npos)
        << out;
    for (const char* absent : {"Away: ", "Back.", "GM: #GM", "Alt-P", "Ctrl-S", "Page Up",
                               "Server: Going", "Server: You are", "Esc"}) {
        EXPECT_EQ(out.find(absent), std::string::npos) << absent << "\n" << out;
    }
    EXPECT_NE(out.find("Say again: Alt-1 to Alt-9"), std::string::npos) << out;
    EXPECT_TRUE(std::regex_search(out, std::regex("[0-9 ][0-9]:[0-5][0-9] Server: \x1b\\[32m"
                                                  "Stamped notice")))
        << out;
    ASSERT_TRUE(run.exit_with_status(0));
}

// In a view only its lines are written; the others' are held and written once when their view
// is shown; a line for the user is written in any view.
TEST_F(ReaderProgram, AViewWritesItsLinesAndHoldsTheOthersUntilShown) {
    std::string failure;
    ASSERT_TRUE(start_recorded(SETTINGS, failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                      {0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    run.enter("#view 3");
    ASSERT_TRUE(terminal.wait_for_text("Client: View 3, nothing unread.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(0, "Cid: held for local"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: for you at once]"));
    ASSERT_TRUE(run.server.send_text(5, "[Ann]: guild line"));
    ASSERT_TRUE(terminal.wait_for_text("[Ann @ 3]: guild line")) << run.screen_text();
    run.enter("#views");
    ASSERT_TRUE(terminal.wait_for_text("all: 2 new, 1 for you; 3; Marek: 1 for you; local: 1 new."))
        << run.screen_text();
    run.enter("yes");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1)) << run.screen_text();
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT).back(),
              qvnetworklib::ByteVector({'@', '@', '3', ' ', 'y', 'e', 's'}));
    terminal.press("M-Right");
    ASSERT_TRUE(terminal.wait_for_text("Client: View Marek, nothing unread.")) << run.screen_text();
    terminal.press("M-a");
    ASSERT_TRUE(terminal.wait_for_text("Cid: held for local")) << run.screen_text();

    const std::string out = raw();
    EXPECT_LT(out.find("[PM from Marek: for you at once]"), out.find("[Ann @ 3]: guild line"));
    EXPECT_LT(out.find("Client: View local, 1 unread."), out.find("Cid: held for local"));
    EXPECT_EQ(count_of(out, "Cid: held for local"), 1U) << out;
    ASSERT_TRUE(run.exit_with_status(0));
}

// Alt-Up writes the newest line again, once, with the time it came, as the client's line; Alt-Home
// the oldest (the backlog's first line); past it, "No older line." A line of the backlog carries
// its own time and gets none besides.
TEST_F(ReaderProgram, TheReviewWritesEachLineOnceWithItsTime) {
    std::filesystem::create_directories(run.data_folder());
    std::ofstream(run.data_folder() / "chat_log.txt", std::ios::binary)
        << "<Mon Dec  7 23:00:00 2026> Bob: from yesterday\n";
    std::string failure;
    ASSERT_TRUE(start_recorded(std::string(SETTINGS) + "#backlog = 1\n", failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    for (const char* line : {"Ann: oldest line", "Cid: middle line", "Bea: newest line"}) {
        ASSERT_TRUE(run.server.send_text(0, line));
    }
    ASSERT_TRUE(terminal.wait_for_text("Bea: newest line")) << run.screen_text();
    const std::regex reviewed_newest("Client: [0-2][0-9]:[0-5][0-9], Bea: newest line");
    const std::regex reviewed_oldest("Client: -- earlier: chat_log.txt --");
    const std::regex reviewed_backlog("Client: Dec 7 (2026 )?23:00 Bob: from yesterday");
    const auto shows = [&terminal](const std::regex& line) {
        return terminal.wait_for_screen([&line](const std::vector<std::string>& rows) {
            return std::regex_search(qvtest::joined(rows), line);
        });
    };
    terminal.press("M-Up");
    ASSERT_TRUE(shows(reviewed_newest)) << run.screen_text();
    terminal.press("M-Home");
    ASSERT_TRUE(shows(reviewed_oldest)) << run.screen_text();
    terminal.press("M-Up");
    ASSERT_TRUE(terminal.wait_for_text("Client: No older line.")) << run.screen_text();
    terminal.press("M-Down");
    ASSERT_TRUE(shows(reviewed_backlog)) << run.screen_text();
    const std::string out = raw();
    EXPECT_EQ(count_of(out, "Bea: newest line"), 2U) << out;
    EXPECT_EQ(count_of(out, "Cid: middle line"), 1U) << out;
    EXPECT_EQ(count_of(out, "No older line."), 1U) << out;
    ASSERT_TRUE(run.exit_with_status(0));
}

// A flood of lines for the user rings the bell at most once a second.
TEST_F(ReaderProgram, TheBellRingsAtMostOnceASecondInAFlood) {
    std::string failure;
    ASSERT_TRUE(start_recorded(SETTINGS, failure)) << failure;
    const auto started = std::chrono::steady_clock::now();
    constexpr int FLOOD = 3000;
    for (int line = 0; line < FLOOD; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Ann: bob, look " + std::to_string(line)));
    }
    ASSERT_TRUE(qvtest::wait_until(
        [&] {
            return qvtest::QvchatRun::read_file(raw_file).find("look 2999") != std::string::npos;
        },
        std::chrono::seconds(60)));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started);
    const std::size_t bells = count_of(qvtest::QvchatRun::read_file(raw_file), "\a");
    EXPECT_GE(bells, 1U);
    EXPECT_LE(bells, static_cast<std::size_t>(seconds.count()) + 1) << seconds.count() << " s";
    ASSERT_TRUE(run.exit_with_status(0));
}

// Typing writes the typed byte alone, Backspace goes back and erases, Up puts the cursor at the
// end of the line it brings back; #urls and #copy are the reader's own commands.
TEST_F(ReaderProgram, TheInputLineWritesOnlyWhatChangedAndLinksCanBeCopied) {
    std::string failure;
    ASSERT_TRUE(start_recorded(SETTINGS, failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();

    for (const char* key : {"h", "e", "l", "l", "o"}) {
        terminal.type(key);
        ASSERT_TRUE(qvtest::wait_until([&] {
            const std::string out = raw();
            return !out.empty() && out.back() == *key;
        })) << testing::PrintToString(raw());
    }
    terminal.press("BSpace");
    ASSERT_TRUE(terminal.wait_for_text("> hell")) << run.screen_text();
    ASSERT_TRUE(qvtest::wait_until([&] {
        return raw().find("hello\b\x1b[K") != std::string::npos;
    })) << testing::PrintToString(raw());

    ASSERT_TRUE(run.server.send_text(0, "Ann: see https://example.org/map and www.example.com"));
    ASSERT_TRUE(terminal.wait_for_text("Ann: see")) << run.screen_text();
    terminal.press("C-u");
    run.enter("#urls");
    ASSERT_TRUE(terminal.wait_for_text("2 https://example.org/map")) << run.screen_text();
    run.enter("#copy 2");
    ASSERT_TRUE(terminal.wait_for_text("Client: Copied: https://example.org/map"))
        << run.screen_text();
    ASSERT_TRUE(qvtest::wait_until([&] {
        return raw().find("\x1b]52;c;aHR0cHM6Ly9leGFtcGxlLm9yZy9tYXA=\x07") != std::string::npos;
    })) << testing::PrintToString(raw());

    terminal.type("ab");
    terminal.press("Home");
    terminal.press("Up");
    ASSERT_TRUE(terminal.wait_for_text("> #copy 2")) << run.screen_text();
    EXPECT_TRUE(qvtest::wait_until([&] { return terminal.cursor().first == 9; }))
        << terminal.cursor().first;
    EXPECT_TRUE(run.received(qvnetworklib::OUT_RAW_TEXT).empty()) << "no command went to the game";
    terminal.press("C-u");
    // A line wider than the row is marked where it goes on out of sight.
    terminal.type(std::string(100, 'x'));
    EXPECT_TRUE(terminal.wait_for_text("< xxxxxxxx")) << run.screen_text();
    terminal.press("C-u");
    ASSERT_TRUE(run.exit_with_status(0));
}

// Ctrl-Z on a dumb terminal stops the program as a job of an interactive shell, and fg lets it
// go on where it was.
TEST_F(ReaderProgram, CtrlZOnADumbTerminalStopsItAndFgGoesOn) {
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

// Folded repeats are written once; the count follows when a different line comes, with the line
// itself when other lines came between its repeats; in another view it is not said.
TEST_F(ReaderProgram, RepeatsAreWrittenOnceAndCountedWhenAnotherLineComes) {
    std::string failure;
    ASSERT_TRUE(start_recorded(std::string(SETTINGS) + "#fold_repeats = 1\n", failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    for (int line = 0; line < 5; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Ann: selling gold"));
    }
    ASSERT_TRUE(run.server.send_text(0, "Bo: hi"));
    ASSERT_TRUE(run.server.send_text(0, "Ann: selling gold"));
    ASSERT_TRUE(run.server.send_text(0, "Cy: bye"));
    ASSERT_TRUE(terminal.wait_for_text("Cy: bye")) << run.screen_text();
    const std::string written = raw();
    EXPECT_EQ(count_of(written, "Ann: selling gold"), 2U) << written;
    const std::size_t first = written.find("Ann: selling gold");
    const std::size_t count = written.find("repeated 5 times\r");
    const std::size_t other = written.find("Bo: hi");
    const std::size_t summary = written.find("repeated 6 times: Ann: selling gold");
    EXPECT_TRUE(first < count && count < other && other < summary &&
                summary < written.find("Cy: bye"))
        << testing::PrintToString(written);

    // In another view, a repeat of a line that view does not show is not counted aloud after
    // that view's next line.
    run.enter("#view Marek");
    ASSERT_TRUE(terminal.wait_for_text("Client: View Marek, nothing unread.")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(0, "Bo: hi"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: here]"));
    ASSERT_TRUE(terminal.wait_for_text("[PM from Marek: here]")) << run.screen_text();
    EXPECT_EQ(raw().find("repeated 2 times"), std::string::npos) << testing::PrintToString(raw());
    ASSERT_TRUE(run.exit_with_status(0));
    EXPECT_EQ(count_of(run.chat_log(), "Ann: selling gold"), 6U);
}

}  // namespace
