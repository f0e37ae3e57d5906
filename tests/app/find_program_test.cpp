// Finding what was said, in the real qvchat program in tmux against a fake game server: the
// search while reading, #grep and #logs, the last session at start, and links.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"
#include "tests/support/wait_until.h"

namespace {

using qvnetworklib::ByteVector;
using qvtest::TmuxSession;
using Screen = std::vector<std::string>;

constexpr int INPUT_ROW = 22;
constexpr int CHAT_BORDER_ROW = 20;

// The row that holds `text`, or -1.
int row_of(const Screen& rows, const std::string& text) {
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const std::string& row) {
        return row.find(text) != std::string::npos;
    });
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

// A command that opens the view of what it found, and what the view shows: the texts of
// `in_view` in that order, none of `not_in_view`.
struct ViewCase {
    std::string command;
    std::string border;
    std::vector<std::string> in_view;
    std::vector<std::string> not_in_view;
    std::string close = "Escape";
};

class FindProgram : public ::testing::Test {
protected:
    void start_logged_in() {
        std::string failure;
        ASSERT_TRUE(run.start_logged_in(failure)) << failure;
        terminal = &run.terminal();
    }
    std::string shown() const { return run.screen_text(); }

    // Sends the lines as chat and waits until the last one is on the screen.
    void receive(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            ASSERT_TRUE(run.server.send_text(0, line));
        }
        ASSERT_TRUE(terminal->wait_for_text(lines.back())) << shown();
    }

    // Waits for the texts of `present` to be on the screen, each on a row below the one before,
    // and for every absent one to be off it.
    bool screen_is(const std::vector<std::string>& present,
                   const std::vector<std::string>& absent = {}) const {
        return terminal->wait_for_screen([&](const Screen& rows) {
            int above = -1;
            for (const std::string& text : present) {
                const auto found = std::find_if(
                    rows.begin() + above + 1, rows.end(),
                    [&](const std::string& row) { return row.find(text) != std::string::npos; });
                if (found == rows.end()) {
                    return false;
                }
                above = static_cast<int>(found - rows.begin());
            }
            return std::none_of(absent.begin(), absent.end(),
                                [&](const std::string& text) { return row_of(rows, text) >= 0; });
        });
    }

    // Waits for `text` to be on the row.
    bool row_shows(int row, const std::string& text) const {
        return terminal->wait_for_screen([&](const Screen& rows) {
            return static_cast<int>(rows.size()) > row && rows[row].find(text) != std::string::npos;
        });
    }

    // Opens the view, checks it, and closes it, back to the chat that shows `chat_line`.
    void expect_view(const ViewCase& test, const std::string& chat_line) const {
        run.enter(test.command);
        EXPECT_TRUE(row_shows(CHAT_BORDER_ROW, test.border)) << test.command << "\n" << shown();
        EXPECT_TRUE(screen_is(test.in_view, test.not_in_view)) << test.command << "\n" << shown();
        terminal->press(test.close);
        EXPECT_TRUE(screen_is({chat_line}, {test.border})) << test.command << "\n" << shown();
    }

    qvtest::QvchatRun run{QVCHAT_BINARY};
    TmuxSession* terminal = nullptr;
};

// Lines that push older ones out of the chat window, numbered from 1000 so that no number is
// the start of another.
std::vector<std::string> filler(const std::string& tag, int count) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int number = 0; number < count; ++number) {
        lines.push_back("Eve: " + tag + " " + std::to_string(1000 + number));
    }
    return lines;
}

TEST_F(FindProgram, CtrlSWalksTheMatchesAndEscPutsTheViewAndTheLineBack) {
    start_logged_in();
    for (const std::string line : {"Ann: walk north", "Cid: Walk east", "Dee: walking home"}) {
        receive({line});
        receive(filler(line.substr(0, 3), 20));
    }
    terminal->type("draft");
    terminal->press("C-s");
    struct Step {
        std::string keys;  // typed, or a tmux key name in <>
        std::string prompt;
        std::string in_view;  // a line the chat window must show
        int times = 1;
    };
    const std::vector<Step> steps{
        {"wal", "(find) 'wal': 1 of 3", "Dee: walking home"},
        {"k", "(find) 'walk': 1 of 3", "Dee: walking home"},
        {"<Up>", "(find) 'walk': 2 of 3", "Cid: Walk east"},
        {"<C-s>", "(find) 'walk': 3 of 3", "Ann: walk north"},
        {"<Up>", "(find) 'walk': 3 of 3, no older match", "Ann: walk north"},
        {"<Down>", "(find) 'walk': 2 of 3", "Cid: Walk east"},
        {"i", "(find) 'walki': 1 of 1", "Dee: walking home"},
        {"<BSpace>", "(find) 'walk': 1 of 3", "Dee: walking home"},
        {"zzz", "(find) 'walkzzz': no match", "Dee: walking home"},
        {"<BSpace>", "(find) '': ", "Dee: walking home", 7},
        // An upper-case letter makes the search match case.
        {"Walk", "(find) 'Walk': 1 of 1", "Cid: Walk east"},
        {"<C-x>", "(find re) 'Walk': 1 of 1", "Cid: Walk east"},
        {"(", "(find re) 'Walk(': missing closing parenthesis at 5", "Cid: Walk east"},
    };
    for (const Step& step : steps) {
        if (step.keys.front() == '<') {
            terminal->press(step.keys.substr(1, step.keys.size() - 2), step.times);
        } else {
            terminal->type(step.keys);
        }
        // The line in the chat window, the prompt in the input box below it.
        EXPECT_TRUE(screen_is({step.in_view, step.prompt})) << step.keys << "\n" << shown();
    }

    // A line that comes during the search is counted; the one shown stays the current match.
    terminal->press("BSpace");
    terminal->press("C-x");
    ASSERT_TRUE(row_shows(INPUT_ROW, "(find) 'Walk': 1 of 1")) << shown();
    ASSERT_TRUE(run.server.send_text(0, "Fay: Walk west"));
    EXPECT_TRUE(row_shows(INPUT_ROW, "(find) 'Walk': 2 of 2")) << shown();
    // The current match is bold and underlined besides, as no other match is.
    EXPECT_TRUE(terminal->wait_for_screen(
        [](const Screen& rows) { return row_of(rows, "Cid: \x1b[1;4;7mWalk\x1b[0m") >= 0; },
        std::chrono::seconds(10), true))
        << qvtest::joined(terminal->screen(true));
    // Ctrl-U clears the pattern, as it clears the input line.
    terminal->press("C-u");
    EXPECT_TRUE(row_shows(INPUT_ROW, "(find) '': ")) << shown();
    // The match, and only the match, stands out in reverse video.
    terminal->type("Walk ea");
    EXPECT_TRUE(terminal->wait_for_screen(
        [](const Screen& rows) {
            return row_of(rows, "Cid: \x1b[1;4;7mWalk ea\x1b[0m") >= 0 &&
                   std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
                       // Reverse video alone, or with bold and underline.
                       return row.find("\x1b[7m") != std::string::npos ||
                              row.find(";7m") != std::string::npos;
                   }) == 1;
        },
        std::chrono::seconds(10), true))
        << qvtest::joined(terminal->screen(true));

    // Esc: back to the newest lines, and the line typed before the search.
    terminal->press("Escape");
    EXPECT_TRUE(screen_is({"Fay: Walk west"}, {"Cid: Walk east", "(find"})) << shown();
    EXPECT_TRUE(row_shows(INPUT_ROW, "│draft ")) << shown();

    // Enter stays on the match; Ctrl-End and Alt-End go to the newest line, Ctrl-Home to the
    // oldest.
    terminal->press("C-s");
    terminal->type("north");
    terminal->press("Enter");
    EXPECT_TRUE(screen_is({"Ann: walk north"}, {"(find", "Fay: Walk west"})) << shown();
    EXPECT_TRUE(row_shows(INPUT_ROW, "│draft ")) << shown();
    terminal->press("C-u");
    const std::vector<std::pair<std::string, std::string>> jumps{
        {"C-End", "Fay: Walk west"},
        {"C-Home", "Welcome to the test server"},
        {"M-End", "Fay: Walk west"},
    };
    for (const auto& [key, line] : jumps) {
        terminal->press(key);
        EXPECT_TRUE(screen_is({line})) << key << "\n" << shown();
    }
    EXPECT_TRUE(run.exit_with_status(0)) << shown();
}

TEST_F(FindProgram, GrepReplacesTheChatWithTheMatchingLinesUntilEscOrEnter) {
    run.write_file("qv.ini", "#username = bob\n#password = secret\n#scrollback = 100\n");
    start_logged_in();
    receive(filler("line", 120));
    receive({"Ann: walk north", "Bob: idle", "Cid: Walk east"});
    const std::vector<ViewCase> cases{
        {"#grep walk",
         " 2 lines match 'walk': Esc returns ",
         {"Ann: walk north", "Cid: Walk east"},
         {"Bob: idle"}},
        {"#grep /W.lk e/",
         " 1 line matches 'W.lk e': Esc returns ",
         {"Cid: Walk east"},
         {"Ann: walk north"},
         "Enter"},
        // Only the last 100 texts are kept, and so found.
        {"#grep line", " 97 lines match 'line': Esc returns ", {"line 1119"}, {"Bob"}},
    };
    for (const ViewCase& test : cases) {
        expect_view(test, "Bob: idle");
    }

    // A line that comes while the view is open goes to the chat, and pushes the oldest text out
    // of the scroll-back.
    run.enter("#grep walk");
    ASSERT_TRUE(screen_is({"Ann: walk north"}, {"Bob: idle"})) << shown();
    // The clock on the top bar is set after the line, so once it shows, the line is in.
    ASSERT_TRUE(run.server.send_text(0, "Dee: new meanwhile"));
    ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_UPDATE_CLOCK, {0x2C, 0x01}));
    ASSERT_TRUE(row_shows(1, " 5:00│")) << shown();
    // The chat followed the newest lines before the view opened, and does again after it.
    terminal->press("Escape");
    EXPECT_TRUE(screen_is({"Bob: idle", "Dee: new meanwhile"}, {"new line", "Page Down"}))
        << shown();
    run.enter("#grep line");
    ASSERT_TRUE(row_shows(CHAT_BORDER_ROW, " 96 lines match 'line'")) << shown();
    terminal->press("C-Home");
    EXPECT_TRUE(screen_is({"line 1024"}, {"line 1023", "Bob: idle"})) << shown();
    terminal->press("Escape");
    ASSERT_TRUE(screen_is({"Bob: idle", "Dee: new meanwhile"}, {"lines match"})) << shown();
    run.enter("#grep zzz");
    EXPECT_TRUE(row_shows(CHAT_BORDER_ROW, " no line matches 'zzz': Esc returns ")) << shown();
    terminal->press("Escape");
    ASSERT_TRUE(screen_is({"Dee: new meanwhile"}, {"no line matches"})) << shown();

    // With times shown in the chat, the found lines have theirs too.
    run.enter("#set timestamps 1");
    run.enter("#grep walk");
    const std::regex stamped("│[0-2][0-9]:[0-5][0-9] Ann: walk north");
    EXPECT_TRUE(terminal->wait_for_screen([&](const Screen& rows) {
        return row_of(rows, " 2 lines match 'walk'") >= 0 && row_of(rows, "Bob: idle") < 0 &&
               std::any_of(rows.begin(), rows.end(),
                           [&](const std::string& row) { return std::regex_search(row, stamped); });
    })) << shown();
    terminal->press("Escape");
    EXPECT_TRUE(screen_is({"timestamps is now 1."}, {"lines match"})) << shown();
    EXPECT_TRUE(run.exit_with_status(0)) << shown();
}

// The chat log of an earlier run, and its server log: 812 records of "many" between two that
// match "walk", and three last ones, the last naming the user and holding an escape byte.
void write_earlier_logs(const qvtest::QvchatRun& run) {
    std::filesystem::create_directories(run.data_folder());
    std::string chat = "<Mon Dec  7 21:00:00 2026> Ann: walk north\n";
    for (int number = 1000; number < 1812; ++number) {
        chat += "<Mon Dec  7 21:10:00 2026> Eve: many " + std::to_string(number) + "\n";
    }
    chat += "<Mon Dec  7 22:00:00 2026> Cid: Walk east\n";
    for (const char* last : {"third last", "second last", "last words for bob \x1b[2J"}) {
        chat += std::string("<Mon Dec  7 23:00:00 2026> Bob: ") + last + "\n";
    }
    std::ofstream(run.data_folder() / "chat_log.txt", std::ios::binary) << chat;
    std::ofstream(run.data_folder() / "srv_log.txt", std::ios::binary)
        << "<Mon Dec  7 21:30:00 2026> The guard walks by\n";
}

// The text with spaces and line feeds taken out, as a message wraps at any column.
std::string squeezed(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char byte) { return byte == ' ' || byte == '\n'; }),
               text.end());
    return text;
}

TEST_F(FindProgram, LogsSearchesEarlierRunsAndTheLastRecordsShowAtStart) {
    run.write_file("qv.ini", "#username = bob\n#password = secret\n#log_chat = 3\n#backlog = 3\n");
    write_earlier_logs(run);
    const std::string earlier_chat = run.chat_log();
    start_logged_in();
    // Shown as the chat shows a time, with the day, as it is not today.
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const std::string stamp =
        today.tm_year + 1900 == 2026 ? "Dec 7 23:00 Bob: " : "Dec 7 2026 23:00 Bob: ";
    EXPECT_TRUE(screen_is({"-- earlier: chat_log.txt --", stamp + "third last",
                           stamp + "last words", "-- now --", "Welcome to the test server"},
                          {"Walk east"}))
        << shown();
    // In grey, not highlighted, and the escape byte made harmless.
    const Screen rows = terminal->screen(true);
    const std::vector<std::string> backlog{"-- earlier: chat_log.txt --", stamp + "third last",
                                           stamp + "last words for bob ?[2J", "-- now --"};
    for (const std::string& line : backlog) {
        const int row = row_of(rows, "\x1b[90m" + line + "\x1b[37m");
        EXPECT_TRUE(row > 0 && rows[row].find("\x1b[1m") == std::string::npos)
            << line << "\n"
            << qvtest::joined(rows);
    }

    const std::vector<ViewCase> cases{
        {"#logs walk",
         " 3 records match 'walk': Esc returns ",
         {"<Mon Dec  7 21:00:00 2026> Ann: walk north",
          "<Mon Dec  7 21:30:00 2026> The guard walks by",
          "<Mon Dec  7 22:00:00 2026> Cid: Walk east"},
         {"many", "last words"}},
        {"#logs /Walk e/",
         " 1 record matches 'Walk e': Esc returns ",
         {"Cid: Walk east"},
         {"walk north"}},
        {"#logs zzz", " no record matches 'zzz': Esc returns ", {}, {"many", "Walk"}},
    };
    for (const ViewCase& test : cases) {
        expect_view(test, "-- now --");
    }
    // The newest 500 of "many" are listed, oldest first.
    run.enter("#logs many");
    ASSERT_TRUE(
        row_shows(CHAT_BORDER_ROW, " the newest 500 of 812 records match 'many': Esc returns "))
        << shown();
    terminal->press("C-Home");
    EXPECT_TRUE(screen_is({"Eve: many 1312"}, {"Eve: many 1311"})) << shown();
    terminal->press("Escape");
    ASSERT_TRUE(screen_is({"-- now --"}, {"500 of 812"})) << shown();
    EXPECT_TRUE(run.exit_with_status(0)) << shown();
    // Neither the lines shown at start nor a search wrote to the log.
    const std::string chat_log = run.chat_log();
    EXPECT_EQ(chat_log.rfind(earlier_chat, 0), 0U) << chat_log.substr(earlier_chat.size());
    EXPECT_EQ(chat_log.find("last words"), chat_log.rfind("last words"));
}

// A 100 GB log (sparse: it takes no room) that holds no line feed: the search runs on its own
// thread long enough to be watched, while the input line keeps working, and Esc ends it.
TEST_F(FindProgram, LogsSearchShowsItsProgressAndEscStopsIt) {
    std::filesystem::create_directories(run.data_folder());
    std::ofstream(run.data_folder() / "chat_log.txt").put('<');
    std::filesystem::resize_file(run.data_folder() / "chat_log.txt", 100'000'000'000ULL);
    start_logged_in();
    const int threads = run.thread_count();
    run.enter("#logs walk");
    terminal->type("typed meanwhile");
    EXPECT_TRUE(screen_is({" MB of 100000 MB: Esc cancels ", "typed meanwhile"})) << shown();
    EXPECT_TRUE(row_shows(CHAT_BORDER_ROW, "searching... ")) << shown();
    EXPECT_TRUE(qvtest::wait_until([&] { return run.thread_count() > threads; }));
    terminal->press("Escape");
    EXPECT_TRUE(screen_is({"Welcome to the test server", "typed meanwhile"}, {"searching"}))
        << shown();
    EXPECT_TRUE(qvtest::wait_until([&] { return run.thread_count() == threads; }))
        << run.thread_count() << " threads, " << threads << " before the search";
    terminal->press("C-u");
    EXPECT_TRUE(run.exit_with_status(0)) << shown();
}

// With the log off nothing is shown at start; a bad scroll-back size is named before the screen
// opens.
TEST(FindProgramStart, EarlierRecordsAreNotShownWithTheLogOff) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini",
                   "#username = bob\n#password = secret\n#log_chat = 0\n#scrollback = x\n");
    write_earlier_logs(run);
    run.start();
    ASSERT_TRUE(run.terminal().wait_for_text("Press enter to continue...")) << run.screen_text();
    const std::string warning =
        "Invalid configuration in qv.ini line 4 - scrollback must be a whole number of lines "
        "from 100 to 1000000, not \"x\"; using 1000 display rows";
    EXPECT_NE(squeezed(run.screen_text()).find(squeezed(warning)), std::string::npos)
        << run.screen_text();
    run.terminal().press("Enter");
    ASSERT_TRUE(run.server.wait_for_client()) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(3, "Welcome to the test server"));
    ASSERT_TRUE(run.terminal().wait_for_text("Welcome to the test server")) << run.screen_text();
    EXPECT_EQ(run.screen_text().find("last words"), std::string::npos) << run.screen_text();
    EXPECT_TRUE(run.exit_with_status(0)) << run.screen_text();
}

// Every byte the program wrote to the terminal since the recording began.
std::string raw_output(const qvtest::QvchatRun& run) {
    return qvtest::QvchatRun::read_file(run.work() / "output.raw");
}

TEST_F(FindProgram, LinksAreHyperlinksAndCopiesAndDoubleHashReachesTheGame) {
    start_logged_in();
    terminal->record_output((run.work() / "output.raw").string());
    // The colour byte makes the first URL plain text; the last one wraps, and its second row
    // links to all of it.
    const std::string wrapped = "https://example.com/" + std::string(100, 'a');
    for (const std::string& line : std::vector<std::string>{
             "Cid: bad https://ev\x85il.test here", "Ann: see https://example.com/x now",
             "Bob: try www.x.test too", "Dee: " + wrapped + " end"}) {
        ASSERT_TRUE(run.server.send_text(0, line));
    }
    const std::string end = "\x1b]8;;\x1b\\";
    const std::vector<std::string> links{
        "\x1b]8;;https://example.com/x\x1b\\https://example.com/x" + end,
        "\x1b]8;;http://www.x.test\x1b\\www.x.test" + end, "\x1b]8;;" + wrapped + "\x1b\\aaa"};
    EXPECT_TRUE(qvtest::wait_until([&] {
        const std::string raw = raw_output(run);
        return std::all_of(links.begin(), links.end(), [&](const std::string& link) {
            return raw.find(link) != std::string::npos;
        });
    })) << raw_output(run);
    EXPECT_EQ(raw_output(run).find("\x1b]8;;https://ev"), std::string::npos);
    // A search's mark on a link's cells stays when the link is painted again over them.
    terminal->press("C-s");
    terminal->type("example");
    EXPECT_TRUE(terminal->wait_for_screen(
        [](const Screen& rows) { return row_of(rows, "Ann: see https://\x1b[") >= 0; },
        std::chrono::seconds(10), true))
        << qvtest::joined(terminal->screen(true));
    terminal->press("Escape");
    EXPECT_TRUE(screen_is({"Dee: "}, {"(find"})) << shown();

    run.enter("#urls");
    EXPECT_TRUE(screen_is(
        {"Links, newest first (#copy N copies one):", "2 www.x.test", "3 https://example.com/x"},
        {"4 h"}))
        << shown();
    run.enter("#copy 3");
    EXPECT_TRUE(screen_is({"Copied: https://example.com/x"})) << shown();
    // base64 of "https://example.com/x"
    EXPECT_TRUE(qvtest::wait_until([&] {
        return raw_output(run).find("\x1b]52;c;aHR0cHM6Ly9leGFtcGxlLmNvbS94\x07") !=
               std::string::npos;
    })) << raw_output(run);

    run.enter("##look");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT),
              std::vector<ByteVector>(1, ByteVector{'#', 'l', 'o', 'o', 'k'}));
    EXPECT_TRUE(run.exit_with_status(0)) << shown();
}

// A pattern that costs the matcher's whole limit on every line of a large scroll-back: the scan
// runs beside the keys, the painting and the lines that come, so a ping is answered and typing
// shows meanwhile, and Esc ends it, for #grep and for Ctrl-S alike.
TEST_F(FindProgram, CostlyPatternOverALargeScrollBackFreezesNothing) {
    constexpr int LINES = 5000;
    constexpr auto PROMPTLY = std::chrono::seconds(3);
    run.write_file("qv.ini", "#username = bob\n#password = secret\n#scrollback = 20000\n");
    start_logged_in();
    for (int number = 0; number < LINES; ++number) {
        ASSERT_TRUE(run.server.send_text(0, "Eve: the road north is quiet and the gate is shut " +
                                                std::to_string(number) + "!"));
    }
    ASSERT_TRUE(terminal->wait_for_text("shut " + std::to_string(LINES - 1) + "!",
                                        std::chrono::seconds(60)))
        << shown();
    const auto costly_scan_runs = [&](const std::function<void()>& start, const std::string& key) {
        start();
        ASSERT_TRUE(row_shows(CHAT_BORDER_ROW, "searching... ")) << key << "\n" << shown();
        const std::size_t answered = run.received(qvnetworklib::OUT_PING_RESPONSE).size();
        ASSERT_TRUE(run.server.send_text(0, "Fay: during the scan " + key));
        ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_PING_REQUEST, {1, 2, 3, 4}));
        EXPECT_TRUE(
            run.server.wait_for_count(qvnetworklib::OUT_PING_RESPONSE, answered + 1, PROMPTLY))
            << key;
        terminal->press("Escape");
        EXPECT_TRUE(terminal->wait_for_screen(
            [&](const Screen& rows) {
                return row_of(rows, "searching") < 0 && row_of(rows, "during the scan " + key) >= 0;
            },
            PROMPTLY))
            << key << "\n"
            << shown();
    };
    costly_scan_runs([&] { run.enter("#grep /(\\w+\\s?)+$/"); }, "grep");
    costly_scan_runs(
        [&] {
            terminal->press("C-s");
            terminal->press("C-x");
            terminal->type("(\\w+\\s?)+$");
        },
        "find");
    // Typing shows during a scan.
    run.enter("#grep /(\\w+\\s?)+$/");
    terminal->type("typed meanwhile");
    EXPECT_TRUE(screen_is({"searching... ", "typed meanwhile"})) << shown();
    // #exit ends the program in the middle of the scan.
    terminal->press("C-u");
    EXPECT_TRUE(run.exit_with_status(0)) << shown();
}

}  // namespace
