// Choosing whom to hear, in the real qvchat program in tmux against a fake game server: the lists
// of an earlier run are read at start, the commands change them at once, and they are saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"

namespace {

using qvnetworklib::ByteVector;

TEST(FiltersProgram, IgnoredAndMutedLinesAreLoggedOnlyAndTheListsLastAcrossRuns) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::filesystem::create_directories(run.data_folder());
    std::ofstream(run.data_folder() / "ignore.txt") << "Bob\n";
    std::ofstream(run.data_folder() / "highlight.txt") << "lantern\n";
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                      {0, 3, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}));

    // A line of the ignored player never shows; a highlight word stands out as a mention does.
    ASSERT_TRUE(run.server.send_text(0, "Bob: you will not see this"));
    ASSERT_TRUE(run.server.send_text(0, "Ann: the lantern is lit"));
    ASSERT_TRUE(terminal.wait_for_text("Ann: the lantern is lit")) << run.screen_text();
    const std::vector<std::string> coloured = terminal.screen(true);
    EXPECT_TRUE(std::any_of(coloured.begin(), coloured.end(), [](const std::string& row) {
        return row.find("\x1b[1m") != std::string::npos &&
               row.find("Ann: the lantern is lit") != std::string::npos;
    })) << qvtest::joined(coloured);

    // Alt-= shows the ignored lines, in grey and marked, and hides them again.
    terminal.press("M-=");
    EXPECT_TRUE(terminal.wait_for_text("(ignored) Bob: you will not see this"))
        << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_text("showing ignored")) << run.screen_text();
    terminal.press("M-=");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return std::none_of(rows.begin(), rows.end(), [](const std::string& row) {
            return row.find("ignored)") != std::string::npos ||
                   row.find("showing ignored") != std::string::npos;
        });
    })) << run.screen_text();

    const struct {
        std::string command;
        std::string answer;
    } commands[] = {
        {"#ignore Cid 30", "Ignoring Cid for 30 minutes."},
        {"#ignore", "Ignoring Bob (1 line hidden), Cid for 30 more minutes."},
        {"#highlight /dr.gon/", "Highlighting lines that match /dr.gon/."},
        {"#highlight -lantern", "lantern is no longer highlighted."},
        {"#mute 3", "Channel 3 is muted; lines that name you still show."},
        {"#unignore Eve", "Eve was not ignored."},
    };
    for (const auto& test : commands) {
        run.enter(test.command);
        EXPECT_TRUE(terminal.wait_for_text(test.answer)) << test.command << "\n"
                                                         << run.screen_text();
    }
    EXPECT_TRUE(terminal.wait_for_text("[3~] | 5 |")) << run.screen_text();

    // Away, a private message of an ignored player gets no reply; one of another player does.
    run.enter("#afk brb");
    EXPECT_TRUE(terminal.wait_for_text("test, away")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(1, "[PM from Cid: are you there?]"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Otto: hello?]"));
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_PM, 1));
    EXPECT_TRUE(terminal.wait_for_text("[PM from Otto: hello?]")) << run.screen_text();
    EXPECT_EQ(run.received(qvnetworklib::OUT_PM),
              std::vector<ByteVector>{ByteVector({'O', 't', 't', 'o', ' ', 'b', 'r', 'b'})});
    EXPECT_EQ(run.screen_text().find("are you there"), std::string::npos) << run.screen_text();

    ASSERT_TRUE(run.exit_with_status(0));
    const std::string log = run.chat_log();
    EXPECT_NE(log.find("Bob: you will not see this"), std::string::npos) << log;
    EXPECT_NE(log.find("[PM from Cid: are you there?]"), std::string::npos) << log;
    const std::string ignored = qvtest::QvchatRun::read_file(run.data_folder() / "ignore.txt");
    EXPECT_EQ(ignored.rfind("Bob\nCid\t", 0), 0U) << ignored;
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "highlight.txt"), "/dr.gon/\n");
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "mute.txt"), "3\n");
}

// An alias of alias.txt, or one made while running, sends what it stands for; Tab offers it.
TEST(FiltersProgram, AnAliasSendsWhatItStandsForAndIsKeptInAliasTxt) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::filesystem::create_directories(run.data_folder());
    std::ofstream(run.data_folder() / "alias.txt") << "gg good game\n";
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    const auto bytes = [](const std::string& text) { return ByteVector(text.begin(), text.end()); };

    run.enter("#alias hi /Marek hello $1");
    ASSERT_TRUE(terminal.wait_for_text("#hi now stands for")) << run.screen_text();
    run.enter("#hi there");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_PM, 1));
    EXPECT_EQ(run.received(qvnetworklib::OUT_PM),
              std::vector<ByteVector>{bytes("Marek hello there")});
    run.enter("#alias");
    EXPECT_TRUE(terminal.wait_for_text("Aliases: #gg = \"good game\", #hi = \"/Marek hello $1\"."))
        << run.screen_text();
    terminal.type("#g");
    terminal.press("Tab");
    terminal.press("Enter");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    EXPECT_EQ(run.received(qvnetworklib::OUT_RAW_TEXT),
              std::vector<ByteVector>{bytes("good game")});

    ASSERT_TRUE(run.exit_with_status(0));
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "alias.txt"),
              "gg good game\nhi /Marek hello $1\n");
}

// #set changes a setting for this run at once: time stamps appear on the lines already shown,
// the listing says where each value came from, Tab offers the names, nothing is written back; the
// spelling's dictionary changes at once and #spell keeps what it learns.
TEST(FiltersProgram, SetChangesTheScreenAtOnceAndListsWhereEachSettingCameFrom) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    const std::string settings_file =
        "#username = bob\n#password = secret\n#log_chat = 3\n#reconnect = 0\n#bell = 0\n";
    run.write_file("qv.ini", settings_file);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    ASSERT_TRUE(run.server.send_text(0, "Ann: before the change"));
    ASSERT_TRUE(terminal.wait_for_text("Ann: before the change")) << run.screen_text();

    terminal.type("#se");
    terminal.press("Tab");
    terminal.type("timest");
    terminal.press("Tab");
    terminal.type("1");
    terminal.press("Enter");
    ASSERT_TRUE(terminal.wait_for_text("timestamps is now 1.")) << run.screen_text();
    const auto stamped = [](const std::string& row) {
        const std::size_t at = row.find("Ann: before the change");
        return at != std::string::npos && at >= 7 && row[at - 4] == ':' && row[at - 1] == ' ';
    };
    EXPECT_TRUE(terminal.wait_for_screen([&](const std::vector<std::string>& rows) {
        return std::any_of(rows.begin(), rows.end(), stamped);
    })) << run.screen_text();

    const struct {
        std::string command;
        std::string answer;
    } commands[] = {
        {"#set", "timestamps = 1 (#set)"},
        {"#set", "bell = 0 (qv.ini)"},
        {"#set", "mouse = 0 (default)"},
        {"#set bell maybe", "bell must be 0 or 1, not \"maybe\"; it stays 0 (qv.ini)."},
        {"#set username alice", "username is read only at start; nothing changed."},
        {"#help ignore", "#ignore [NAME [MINUTES]]: hides the lines of player NAME"},
        {"#help HELP", "Alt-=."},
        {"#set timestamps 0", "timestamps is now 0."},
        {"#set bell \"\"", "bell is back to its default, 1."},
        {"#set spell xx_YY", "spell is now xx_YY. Spelling is off"},
        {"#set spell en_US", "spell is now en_US."},
        {"#spell add Quorvan", "\"Quorvan\" is learned"},
        {"#spell", "Spelling with the en_US dictionary; 1 word learned."},
    };
    for (const auto& test : commands) {
        run.enter(test.command);
        EXPECT_TRUE(terminal.wait_for_text(test.answer)) << test.command << "\n"
                                                         << run.screen_text();
    }
    EXPECT_TRUE(terminal.wait_for_screen([&](const std::vector<std::string>& rows) {
        return std::none_of(rows.begin(), rows.end(), stamped);
    })) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.work().path() / "qv.ini"), settings_file);
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "spell.txt"), "Quorvan\n");
}

// Away, what came for the user is summed up on coming back, and #missed lists it with its time.
TEST(FiltersProgram, ComingBackSumsUpWhatCameAndMissedListsItWithItsTime) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    run.enter("#afk");
    ASSERT_TRUE(terminal.wait_for_text("test, away")) << run.screen_text();
    for (const char* message :
         {"[PM from Marek: one]", "[PM from Ysolde: two]", "[PM from Marek: three]"}) {
        ASSERT_TRUE(run.server.send_text(1, message));
    }
    ASSERT_TRUE(run.server.send_text(0, "Ann: bob, are you there?"));
    ASSERT_TRUE(terminal.wait_for_text("Ann: bob, are you there?")) << run.screen_text();

    run.enter("back");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    ASSERT_TRUE(run.server.send_text(0, "bob: back"));
    EXPECT_TRUE(terminal.wait_for_text("You are no longer AFK")) << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_text(
        "While you were away (1 min): 3 private messages (Marek 2, Ysolde 1), 1 line"))
        << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_text("naming you. Alt-P shows them.")) << run.screen_text();

    run.enter("#missed");
    ASSERT_TRUE(terminal.wait_for_text(" 4 lines for you: Esc returns ")) << run.screen_text();
    const std::regex stamped("\\d\\d:\\d\\d (\\[PM from \\w+: \\w+\\]|Ann: bob, are you there\\?)");
    EXPECT_TRUE(terminal.wait_for_screen([&](const std::vector<std::string>& rows) {
        return std::count_if(rows.begin(), rows.end(), [&](const std::string& row) {
                   return std::regex_search(row, stamped);
               }) == 4;
    })) << run.screen_text();
    terminal.press("Escape");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return std::none_of(rows.begin(), rows.end(), [](const std::string& row) {
            return row.find("lines for you") != std::string::npos;
        });
    })) << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_text("bob: back")) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
}

}  // namespace
