// The real qvchat program in a real terminal (tmux) against a fake game server on loopback.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/support/FakeGameServer.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"
#include "tests/support/reconnect_waits.h"

namespace {

using qvnetworklib::ByteVector;
using qvtest::FakeGameServer;
using qvtest::TmuxSession;

constexpr char PM_COLOR = 7;

ByteVector bytes(const std::string& text) {
    return ByteVector(text.begin(), text.end());
}

std::string screen_text(const TmuxSession& terminal) {
    return qvtest::joined(terminal.screen());
}

class QvchatProgram : public ::testing::Test {
protected:
    void write_file(const std::string& name, const std::string& content) const {
        run.write_file(name, content);
    }
    std::string chat_log() const { return run.chat_log(); }

    void start(const std::string& arguments = "test") {
        run.start(arguments);
        terminal = &run.terminal();
    }
    pid_t program_id() const { return run.program_id(); }

    void start_logged_in(const std::string& environment = "") {
        std::string failure;
        ASSERT_TRUE(run.start_logged_in(failure, environment)) << failure;
        terminal = &run.terminal();
    }

    void enter(const std::string& line) const { run.enter(line); }
    std::vector<ByteVector> received(std::uint8_t type) const { return run.received(type); }

    void exit_and_expect_status(int status) const {
        EXPECT_TRUE(run.exit_with_status(status)) << screen_text(*terminal);
    }

    qvtest::QvchatRun run{QVCHAT_BINARY};
    FakeGameServer& server = run.server;
    TmuxSession* terminal = nullptr;
};

struct DirectRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program in the run's folder without a terminal, as a script would.
DirectRun run_directly(const qvtest::QvchatRun& run, const std::string& arguments) {
    const std::string folder = run.work().path().string();
    const std::string command = "cd '" + folder + "' && '" + QVCHAT_BINARY + "' " + arguments +
                                " </dev/null >out.txt 2>err.txt";
    DirectRun result;
    // The program is run as a shell would run it.
    // NOLINTNEXTLINE(cert-env33-c,concurrency-mt-unsafe)
    const int status = std::system(command.c_str());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = qvtest::QvchatRun::read_file(run.work() / "out.txt");
    result.err = qvtest::QvchatRun::read_file(run.work() / "err.txt");
    return result;
}

TEST_F(QvchatProgram, CommandLineAndStartUpMessagesSayWhatToDo) {
    const std::string synopsis =
        "Usage: qvchat [--reader] [--speech] [SERVER]\n       qvchat --list | --help | --version\n";
    const std::string servers = "\xEF\xBB\xBFtest test 127.0.0.1 " + server.port() +
                                "\nbad bad 127.0.0.1 99999\nmain main example.org 2000\n";
    const std::string skipped =
        "servers.lst:2: skipped: the port \"99999\" is neither a number from 1 to 65535 nor a "
        "service name\n";
    struct Case {
        std::string arguments;
        std::string servers_lst;  // none when empty
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases{
        {"--version", "", 0, std::string("qvchat ") + QVCHAT_VERSION + "\n", ""},
        {"-V", "", 0, std::string("qvchat ") + QVCHAT_VERSION + "\n", ""},
        {"--list", servers, 0, "main example.org 2000\ntest 127.0.0.1 " + server.port() + "\n",
         skipped},
        {"--bogus", servers, 2, "", "Unknown option: --bogus\n" + synopsis},
        {"test -x", servers, 2, "", "Unknown option: -x\n" + synopsis},
        {"nowhere", servers, 2, "",
         skipped + "Couldn't find the supplied server nowhere\nKnown servers: main, test\n"},
        {"nowhere", "# nothing yet\n", 2, "",
         "Couldn't find the supplied server nowhere\nservers.lst lists no server\n"},
        {"test", "", 2, "",
         "No servers.lst in " + run.work().path().string() +
             ": create one with a line 'name folder host port'.\n"},
    };
    for (const auto& expected : cases) {
        std::filesystem::remove(run.work() / "servers.lst");
        if (!expected.servers_lst.empty()) {
            write_file("servers.lst", expected.servers_lst);
        }
        const DirectRun outcome = run_directly(run, expected.arguments);
        EXPECT_EQ(outcome.status, expected.status) << expected.arguments;
        EXPECT_EQ(outcome.out, expected.out) << expected.arguments;
        EXPECT_EQ(outcome.err, expected.err) << expected.arguments;
    }
    EXPECT_FALSE(server.wait_for_client(std::chrono::milliseconds(100)));

    // The help names what a user needs, on standard output.
    const DirectRun help = run_directly(run, "-h");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    for (const char* part :
         {"Usage: qvchat [--reader] [--speech] [SERVER]", "servers.lst", "qv.ini", "chat_log.txt",
          "input_history.txt", "reconnect (1)", "auto_afk_time (5)", "Ctrl-R",
          "Exit status:", "3  the server refused the login"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    }
}

// The screen clears the terminal: a warning about the settings is shown and confirmed first.
TEST_F(QvchatProgram, SettingWarningsAreReadBeforeTheScreenOpens) {
    write_file("qv.ini", "#username = bob\n#password = secret\n#log_chat = 9\n#bell = no\n");
    start();
    ASSERT_TRUE(terminal->wait_for_text("Press enter to continue...")) << screen_text(*terminal);
    const std::string screen = screen_text(*terminal);
    EXPECT_NE(screen.find("could not recognize 9 as a LoggingMode value"), std::string::npos)
        << screen;
    EXPECT_NE(screen.find("bell must be 0 or 1, not \"no\"; using 1"), std::string::npos) << screen;
    EXPECT_FALSE(server.wait_for_client(std::chrono::milliseconds(200)));
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_client()) << screen_text(*terminal);
    exit_and_expect_status(0);
}

TEST_F(QvchatProgram, UnknownServerIsReportedWithoutOpeningTheScreen) {
    start("nowhere");
    ASSERT_TRUE(terminal->wait_for_text("exit status 2")) << screen_text(*terminal);
    const std::string screen = screen_text(*terminal);
    EXPECT_NE(screen.find("Couldn't find the supplied server nowhere"), std::string::npos);
}

// 70000 would wrap around to 70000 - 65536; here that is the fake server's own port, which must
// never see the user name and password.
TEST_F(QvchatProgram, PortAboveTheRangeIsNeverConnectedTo) {
    const std::string wrapped = std::to_string(std::stoi(server.port()) + 65536);
    write_file("servers.lst", "test test 127.0.0.1 " + wrapped + "\n");
    start();
    ASSERT_TRUE(terminal->wait_for_text("exit status 2")) << screen_text(*terminal);
    const std::string screen = screen_text(*terminal);
    EXPECT_NE(screen.find("servers.lst:1: skipped: the port \"" + wrapped + "\""),
              std::string::npos)
        << screen;
    EXPECT_NE(screen.find("Couldn't find the supplied server test"), std::string::npos) << screen;
    EXPECT_FALSE(server.wait_for_client(std::chrono::milliseconds(200)));
}

// A host name label may hold at most 63 characters, so the resolver refuses this one without
// asking any name server. The lookup runs while the screen is open; its failure still ends the
// start-up as a fault.
TEST_F(QvchatProgram, UnresolvableServerIsAFaultWithStatusOne) {
    write_file("servers.lst", "test test " + std::string(64, 'q') + " 2000\n");
    start();
    ASSERT_TRUE(terminal->wait_for_text("Press enter to continue...")) << screen_text(*terminal);
    // The resolver's own words, as the lookup ran behind the screen.
    EXPECT_NE(screen_text(*terminal).find("resolve: Host not found"), std::string::npos)
        << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(terminal->wait_for_text("exit status 1")) << screen_text(*terminal);
}

TEST_F(QvchatProgram, LogsInShowsServerStateAndLeavesCleanly) {
    start_logged_in();
    ByteVector login = bytes("bob secret");
    login.push_back(0);
    EXPECT_EQ(received(qvnetworklib::OUT_LOGIN), std::vector<ByteVector>{login});

    // Channels 3 (active), 5 and a guild channel; the clock at 05:00.
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                  {0, 3, 0, 0, 0, 5, 0, 0, 0, 0x41, 0x42, 0x0F, 0x00}));
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_UPDATE_CLOCK, {0x2C, 0x01}));
    // The active channel is marked; the server's name from servers.lst says the link is up.
    ASSERT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 1 && rows[1].find("│[3] | 5 | Guild | ") == 0 &&
               rows[1].find(" test  5:00│") != std::string::npos;
    })) << screen_text(*terminal);

    enter("#ci");
    EXPECT_TRUE(terminal->wait_for_text("You are on channels 3, 5, guild"))
        << screen_text(*terminal);
    enter("#help");
    EXPECT_TRUE(terminal->wait_for_text("#afk, #alias, #bind, #ci, #copy, #exit, #grep, #help,"))
        << screen_text(*terminal);

    exit_and_expect_status(0);
    // Curses is gone: the shell's own output is back on a normal screen.
    EXPECT_TRUE(server.wait_for_disconnect());
}

TEST_F(QvchatProgram, WarningAboutAnOversizedMessageIsShownInTheChatWindow) {
    start_logged_in();
    // Four channel slots where three are expected.
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                  {0, 3, 0, 0, 0, 5, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0}));
    const std::string warning = "Something's up. Our channel buffer is 17, NOT 13 as it should be!";
    // A line of the chat window (below the top bar, above the input box), in its frame.
    const auto in_chat_window = [&](const std::vector<std::string>& rows) {
        for (std::size_t row = 4; row + 4 < rows.size(); ++row) {
            if (rows[row].rfind("│" + warning + " ", 0) == 0) {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(terminal->wait_for_screen(in_chat_window)) << screen_text(*terminal);
    // Nothing was written over the screen where the cursor stood, in the input box.
    enter("#ci");
    ASSERT_TRUE(terminal->wait_for_text("You are on channels")) << screen_text(*terminal);
    EXPECT_EQ(screen_text(*terminal).find(warning), screen_text(*terminal).rfind(warning))
        << screen_text(*terminal);
    exit_and_expect_status(0);
}

TEST_F(QvchatProgram, TypedLinesLeaveAsChatPrivateMessagesAndLocateRequests) {
    start_logged_in();
    enter("hello there");
    enter("/ann hi ann");
    enter("#loc somewhere");
    enter("#Who is here");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 2));
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_PM, 1));
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_LOC, 1));
    EXPECT_EQ(received(qvnetworklib::OUT_RAW_TEXT),
              (std::vector<ByteVector>{bytes("hello there"), bytes("#Who is here")}));
    EXPECT_EQ(received(qvnetworklib::OUT_PM), std::vector<ByteVector>{bytes("ann hi ann")});
    EXPECT_EQ(received(qvnetworklib::OUT_LOC), std::vector<ByteVector>{ByteVector{}});
    exit_and_expect_status(0);
}

TEST_F(QvchatProgram, AwayStateAnswersEachSenderOnceAndEndsWithOwnActivity) {
    start_logged_in();
    enter("#afk brb");
    EXPECT_TRUE(terminal->wait_for_text("test, away")) << screen_text(*terminal);
    ASSERT_TRUE(server.send_text(1, "[PM from Otto: are you there?]"));
    ASSERT_TRUE(server.send_text(1, "[PM from Otto: hello?]"));
    ASSERT_TRUE(terminal->wait_for_text("[PM from Otto: hello?]")) << screen_text(*terminal);
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_PM, 1));
    EXPECT_EQ(received(qvnetworklib::OUT_PM), std::vector<ByteVector>{bytes("Otto brb")});
    // A private message received stands out: bold and reverse.
    const std::vector<std::string> coloured = terminal->screen(true);
    EXPECT_TRUE(std::any_of(coloured.begin(), coloured.end(), [](const std::string& row) {
        return row.find("\x1b[1;7m\x1b[35m[PM from Otto: hello?]") != std::string::npos;
    })) << qvtest::joined(coloured);

    // The server's echo of the user's own message ends the away state.
    ASSERT_TRUE(server.send_text(1, "[PM to Otto: back now]"));
    EXPECT_TRUE(terminal->wait_for_text("You are no longer AFK")) << screen_text(*terminal);
    EXPECT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 1 && rows[1].find(" test│") != std::string::npos &&
               rows[1].find("away") == std::string::npos;
    })) << screen_text(*terminal);
    exit_and_expect_status(0);
}

// An IN_ADD_ACTOR payload: id, ten unread bytes, maximum and current health, type, name.
ByteVector plain_actor(std::uint16_t id, std::uint16_t max_health, std::uint16_t health,
                       std::uint8_t type, const std::string& name) {
    ByteVector payload{static_cast<unsigned char>(id & 0xFFU),
                       static_cast<unsigned char>(id >> 8U)};
    payload.resize(12, 0);
    for (const std::uint16_t value : {max_health, health}) {
        payload.push_back(static_cast<unsigned char>(value & 0xFFU));
        payload.push_back(static_cast<unsigned char>(value >> 8U));
    }
    payload.push_back(type);
    payload.insert(payload.end(), name.begin(), name.end());
    payload.push_back(0);
    return payload;
}

TEST_F(QvchatProgram, NearbyCharactersAreListedByLook) {
    start_logged_in();
    ASSERT_TRUE(
        server.send_frame(qvnetworklib::IN_ADD_ACTOR, plain_actor(40, 100, 100, 2, "Alexander")));
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_ADD_ACTOR, plain_actor(12, 30, 30, 1, "Bob")));
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_ACTOR_DAMAGE, {40, 0, 95, 0}));
    ASSERT_TRUE(server.send_text(3, "actors sent"));
    ASSERT_TRUE(terminal->wait_for_text("actors sent")) << screen_text(*terminal);
    enter("#look");
    EXPECT_TRUE(terminal->wait_for_text("Alexander  ( 2   5/100 HP)")) << screen_text(*terminal);
    EXPECT_NE(screen_text(*terminal).find("Bob        ( 1  30/ 30 HP)"), std::string::npos);
    exit_and_expect_status(0);
}

bool has_control_byte(const ByteVector& payload) {
    return std::any_of(payload.begin(), payload.end(), [](unsigned char byte) {
        return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
    });
}

TEST_F(QvchatProgram, EditingKeysCompletionAndAccentsSendOnlyWhatIsShown) {
    start_logged_in();
    // Readline's keys edit; Escape, Ctrl-G and Ctrl-V type nothing.
    terminal->type("world");
    terminal->press("Home");
    terminal->type("hello ");
    terminal->press("End");
    terminal->press("Escape");
    terminal->type("]0;owned");
    terminal->press("C-g");
    terminal->press("C-v");
    terminal->press("M-b");
    terminal->type("big ");
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));

    // A name from a private message completes with its accent, and typed UTF-8 leaves as the
    // game's single bytes.
    ASSERT_TRUE(server.send_text(1, "[PM from Zo\xEB: h\xE9llo]"));
    ASSERT_TRUE(terminal->wait_for_text("[PM from Zo\u00EB: h\u00E9llo]"))
        << screen_text(*terminal);
    terminal->type("/z");
    terminal->press("Tab");
    terminal->type("s\u00FC\u00DF \u20AC5");
    ASSERT_TRUE(terminal->wait_for_text("/Zo\u00EB s\u00FC\u00DF EUR5")) << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_PM, 1));

    const auto chat = received(qvnetworklib::OUT_RAW_TEXT);
    ASSERT_EQ(chat.size(), 1U);
    EXPECT_FALSE(has_control_byte(chat[0]));
    EXPECT_EQ(std::string(chat[0].begin(), chat[0].begin() + 15), "hello big world");
    EXPECT_EQ(received(qvnetworklib::OUT_PM),
              std::vector<ByteVector>{bytes("Zo\xEB s\xFC\xDF EUR5")});
    exit_and_expect_status(0);
}

// In the C locale the terminal may still send UTF-8: a character it forms is typed as that
// character, and the keys after it are not lost.
TEST_F(QvchatProgram, TypedUtf8IsReadAsUtf8WhateverTheLocale) {
    start_logged_in("LC_ALL=C");
    enter("/ann Zo\u00EB caf\u00E9 x");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_PM, 1));
    EXPECT_EQ(received(qvnetworklib::OUT_PM),
              std::vector<ByteVector>{bytes("ann Zo\xEB caf\xE9 x")});
    exit_and_expect_status(0);
}

TEST_F(QvchatProgram, PastedLinesWaitForEnterAndNothingIsLeftForTheShell) {
    start_logged_in();
    terminal->paste("one line", true);
    ASSERT_TRUE(terminal->wait_for_text("one line")) << screen_text(*terminal);
    terminal->press("C-u");
    // A paste whose end marker never comes ends after a second of silence.
    terminal->type("\x1b[200~unfinished");
    ASSERT_TRUE(terminal->wait_for_text("unfinished")) << screen_text(*terminal);
    terminal->press("C-a");
    terminal->press("C-k");
    const std::string four_lines = "line one\nline two\n#quit\nline four";
    terminal->paste(four_lines, true);
    ASSERT_TRUE(terminal->wait_for_text("Paste of 4 lines: Enter sends them, Esc drops them"))
        << screen_text(*terminal);
    terminal->press("Escape");
    ASSERT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return qvtest::joined(rows).find("Paste of") == std::string::npos;
    })) << screen_text(*terminal);
    EXPECT_TRUE(received(qvnetworklib::OUT_RAW_TEXT).empty());

    terminal->paste(four_lines, true);
    ASSERT_TRUE(terminal->wait_for_text("Paste of 4 lines")) << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(terminal->wait_for_text("exit status 0")) << screen_text(*terminal);
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 2));
    EXPECT_EQ(received(qvnetworklib::OUT_RAW_TEXT),
              (std::vector<ByteVector>{bytes("line one"), bytes("line two")}));
    // Bracketed paste is off again: a paste now reaches the terminal without its markers.
    terminal->paste("after", true);
    ASSERT_TRUE(terminal->wait_for_text("after")) << screen_text(*terminal);
    EXPECT_EQ(screen_text(*terminal).find("200~"), std::string::npos) << screen_text(*terminal);
}

TEST_F(QvchatProgram, HistoryOfTheLastRunIsSearchedAndSavedPrivately) {
    std::filesystem::create_directories(run.data_folder());
    run.write_file("documents/Quorvan/test/input_history.txt", "saved line\n/ann old\n");
    start_logged_in();
    terminal->press("Up");
    ASSERT_TRUE(terminal->wait_for_text("/ann old")) << screen_text(*terminal);
    terminal->press("C-u");
    terminal->press("C-r");
    terminal->type("sav");
    ASSERT_TRUE(terminal->wait_for_text("(search) 'sav': saved line")) << screen_text(*terminal);
    terminal->press("Enter");
    terminal->type(" again");
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    EXPECT_EQ(received(qvnetworklib::OUT_RAW_TEXT),
              std::vector<ByteVector>{bytes("saved line again")});
    exit_and_expect_status(0);
    const auto history = run.data_folder() / "input_history.txt";
    EXPECT_EQ(qvtest::QvchatRun::read_file(history),
              "saved line\n/ann old\nsaved line again\n#exit\n");
    EXPECT_EQ(std::filesystem::status(history).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(QvchatProgram, HistoryIsNeitherReadNorSavedWhenSwitchedOff) {
    write_file("qv.ini", "#username = bob\n#password = secret\n#save_history = 0\n");
    std::filesystem::create_directories(run.data_folder());
    run.write_file("documents/Quorvan/test/input_history.txt", "private line\n");
    start_logged_in();
    terminal->press("Up");
    enter("new line");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
    EXPECT_EQ(received(qvnetworklib::OUT_RAW_TEXT), std::vector<ByteVector>{bytes("new line")});
    exit_and_expect_status(0);
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "input_history.txt"),
              "private line\n");
}

TEST_F(QvchatProgram, RefusedLoginIsExplainedAfterTheScreenClosesWithStatusThree) {
    start_logged_in();
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_BAD_LOGIN, {}));
    ASSERT_TRUE(terminal->wait_for_text("exit status 3")) << screen_text(*terminal);
    // The message stands on the restored terminal, right before the shell's status line.
    const std::string screen = screen_text(*terminal);
    EXPECT_NE(screen.find("The server refused the login for bob.\nexit status 3"),
              std::string::npos)
        << screen;
}

TEST_F(QvchatProgram, ConnectionProblemsAreShownAndUnsentLinesAreNamed) {
    start_logged_in();
    server.close_client();
    ASSERT_TRUE(terminal->wait_for_text("Connection to the server was lost."))
        << screen_text(*terminal);
    EXPECT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 1 && rows[1].find(" offline│") != std::string::npos;
    })) << screen_text(*terminal);
    enter("anyone?");
    // A locate request cannot leave either, and says so like a typed line.
    enter("#loc");
    EXPECT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
                   return row.find("Not connected: the line was not sent.") != std::string::npos;
               }) == 2;
    })) << screen_text(*terminal);
    exit_and_expect_status(0);
}

// The server drops the player: the program comes back by itself, logs in again and starts the
// session afresh, and keeps what is the user's: being away, and the lines entered.
TEST_F(QvchatProgram, LostConnectionIsMadeAgainWithANewLoginKeepingAwayAndHistory) {
    write_file("qv.ini", "#username = bob\n#password = secret\n");
    start_logged_in("QVCHAT_RECONNECT_SECOND_MS=20");
    ASSERT_TRUE(server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                  {0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(
        server.send_frame(qvnetworklib::IN_ADD_ACTOR, plain_actor(40, 9, 9, 2, "Alexander")));
    ASSERT_TRUE(server.send_text(3, "actors sent"));
    ASSERT_TRUE(terminal->wait_for_text("actors sent")) << screen_text(*terminal);
    enter("#look");
    ASSERT_TRUE(terminal->wait_for_text("Alexander")) << screen_text(*terminal);
    enter("#afk gone fishing");
    enter("before the drop");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));

    server.close_client();
    ASSERT_TRUE(terminal->wait_for_text("Reconnecting in 1 s (attempt 1)..."))
        << screen_text(*terminal);
    ASSERT_TRUE(server.wait_for_connections(2));
    EXPECT_EQ(server.count_of_type(qvnetworklib::OUT_LOGIN), 1U) << "login before the greeting";
    ASSERT_TRUE(server.send_text(3, "Welcome back"));
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_LOGIN, 2));
    EXPECT_EQ(received(qvnetworklib::OUT_LOGIN)[1], received(qvnetworklib::OUT_LOGIN)[0]);
    EXPECT_TRUE(terminal->wait_for_text("Connected to 127.0.0.1:" + server.port() + " again."))
        << screen_text(*terminal);
    // The channels of the old session are gone; still away.
    EXPECT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 1 && rows[1].find("[3]") == std::string::npos &&
               rows[1].find(" test, away│") != std::string::npos;
    })) << screen_text(*terminal);

    // Nobody is nearby until the new session says so; the last header shows that every line of
    // the listing before it is in.
    enter("#look");
    enter("#look");
    EXPECT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
                   return row.find("Local actors:") != std::string::npos;
               }) == 3;
    })) << screen_text(*terminal);
    const std::string screen = screen_text(*terminal);
    EXPECT_EQ(screen.find("Alexander"), screen.rfind("Alexander")) << screen;

    terminal->press("Up", 3);
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 2)) << screen_text(*terminal);
    EXPECT_EQ(received(qvnetworklib::OUT_RAW_TEXT).back(), bytes("before the drop"));
    exit_and_expect_status(0);
}

// Nothing listens: each wait is longer than the one before, typed lines are named unsent, and
// leaving does not wait for the next attempt.
TEST_F(QvchatProgram, ServerThatStaysDownIsTriedAfterGrowingWaitsUntilTheUserLeaves) {
    const std::string port = qvtest::unused_loopback_port();
    write_file("servers.lst", "test test 127.0.0.1 " + port + "\n");
    write_file("qv.ini", "#username = bob\n#password = secret\n");
    run.start("test", "QVCHAT_RECONNECT_SECOND_MS=50");
    terminal = &run.terminal();
    for (unsigned attempt = 1; attempt <= 5; ++attempt) {
        ASSERT_EQ(qvtest::unexpected_wait(*terminal, attempt), "");
    }
    EXPECT_NE(screen_text(*terminal).find("Could not connect to 127.0.0.1:" + port + ": "),
              std::string::npos);
    EXPECT_TRUE(terminal->wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 1 && rows[1].find(" offline") != std::string::npos;
    })) << screen_text(*terminal);
    enter("anyone?");
    EXPECT_TRUE(terminal->wait_for_text("Not connected: the line was not sent."));
    exit_and_expect_status(0);
}

TEST_F(QvchatProgram, RefusedConnectionIsShown) {
    const std::string port = qvtest::unused_loopback_port();
    write_file("servers.lst", "test test 127.0.0.1 " + port + "\n");
    start();
    EXPECT_TRUE(terminal->wait_for_text("Could not connect to 127.0.0.1:" + port + ": "))
        << screen_text(*terminal);
    exit_and_expect_status(0);
}

TEST_F(QvchatProgram, TerminationSignalEndsTheRunInOrder) {
    start_logged_in();
    ASSERT_EQ(::kill(program_id(), SIGTERM), 0);
    EXPECT_TRUE(terminal->wait_for_text("exit status 0")) << screen_text(*terminal);
}

TEST_F(QvchatProgram, ChatLogHoldsTimeStampedLinesWithoutControlBytes) {
    start_logged_in();
    ASSERT_TRUE(server.send_text(0, "Ann: look \x1b[2Jhere\x07"));
    ASSERT_TRUE(server.send_text(1, "[PM from Ann: psst]"));
    ASSERT_TRUE(terminal->wait_for_text("[PM from Ann: psst]")) << screen_text(*terminal);
    exit_and_expect_status(0);

    const std::string log = chat_log();
    EXPECT_NE(log.find("> Ann: look [2Jhere\n"), std::string::npos) << log;
    EXPECT_NE(log.find("> [PM from Ann: psst]\n"), std::string::npos) << log;
    EXPECT_EQ(log.front(), '<');
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return (value < 32 && byte != '\n') || value >= 127;
    })) << log;
}

TEST_F(QvchatProgram, MissingLoginIsAskedForOnTheScreen) {
    write_file("qv.ini", "#username = bob\n#log_chat = 1\n");
    start();
    ASSERT_TRUE(terminal->wait_for_text("Username: ")) << screen_text(*terminal);
    terminal->type("carol");
    terminal->press("Enter");
    ASSERT_TRUE(terminal->wait_for_text("Password: ")) << screen_text(*terminal);
    terminal->type("pw");
    terminal->press("BSpace");
    terminal->type("ass");
    ASSERT_TRUE(terminal->wait_for_text("Password: ***")) << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_client());
    ASSERT_TRUE(server.send_text(3, "hello"));
    ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
    ByteVector login = bytes("carol pass");
    login.push_back(0);
    EXPECT_EQ(received(qvnetworklib::OUT_LOGIN), std::vector<ByteVector>{login});
    exit_and_expect_status(0);
}

// Ctrl-C reaches the program as SIGINT from the terminal; it is sent directly here because the
// test's own shell shares the program's process group.
TEST_F(QvchatProgram, InterruptAtTheLoginPromptEndsTheRun) {
    write_file("qv.ini", "");
    start();
    ASSERT_TRUE(terminal->wait_for_text("Username: ")) << screen_text(*terminal);
    terminal->type("half");
    ASSERT_EQ(::kill(program_id(), SIGINT), 0);
    EXPECT_TRUE(terminal->wait_for_text("exit status 0")) << screen_text(*terminal);
    EXPECT_FALSE(server.wait_for_client(std::chrono::milliseconds(200)));
}

TEST_F(QvchatProgram, InterruptInTheChatEndsTheRunInOrder) {
    start_logged_in();
    ASSERT_TRUE(server.send_text(0, "Ann: still here"));
    ASSERT_TRUE(terminal->wait_for_text("Ann: still here")) << screen_text(*terminal);
    ASSERT_EQ(::kill(program_id(), SIGINT), 0);
    EXPECT_TRUE(terminal->wait_for_text("exit status 0")) << screen_text(*terminal);
    EXPECT_NE(chat_log().find("> Ann: still here\n"), std::string::npos) << chat_log();
}

// The warnings wrap at the terminal's width, at any column.
bool screen_says(const TmuxSession& terminal, std::string text) {
    std::string shown = qvtest::joined(terminal.screen());
    for (std::string* squeezed : {&shown, &text}) {
        squeezed->erase(std::remove_if(squeezed->begin(), squeezed->end(),
                                       [](char byte) { return byte == ' ' || byte == '\n'; }),
                        squeezed->end());
    }
    return shown.find(text) != std::string::npos;
}

// A history that is a link to an endless device is neither read nor replaced.
TEST_F(QvchatProgram, UnusableHistoryAndMistypedSettingsAreNamedBeforeTheScreenOpens) {
    write_file("qv.ini",
               "#username = bob\n#password = secret\n#reconnect = 0\n#timestamp = 1\n"
               "#auto_afk_time = soon\n");
    const auto history = run.data_folder() / "input_history.txt";
    std::filesystem::create_directories(run.data_folder());
    std::filesystem::create_symlink("/dev/zero", history);
    start();
    ASSERT_TRUE(terminal->wait_for_text("Press enter to continue...")) << screen_text(*terminal);
    EXPECT_TRUE(screen_says(*terminal,
                            "Unknown setting timestamp in qv.ini line 4; did you mean timestamps?"))
        << screen_text(*terminal);
    EXPECT_TRUE(screen_says(*terminal,
                            "Invalid configuration in qv.ini line 5 - auto_afk_time "
                            "must be a whole number of minutes from 0 to 65535, not "
                            "\"soon\"; using 5"))
        << screen_text(*terminal);
    EXPECT_TRUE(screen_says(*terminal, "Cannot use the input history " + history.string() +
                                           ": it is a symbolic link, which is not followed."))
        << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_client()) << screen_text(*terminal);
    exit_and_expect_status(0);
    EXPECT_EQ(std::filesystem::read_symlink(history), "/dev/zero");
}

// A FIFO log held the start on a blank screen, deaf to signals; a link to a file kept elsewhere
// is a log as good as any.
TEST_F(QvchatProgram, LogThatIsNoRegularFileIsNamedAndTheRunGoesOnWithoutIt) {
    write_file("qv.ini", "#username = bob\n#password = secret\n#reconnect = 0\n#log_chat = 3\n");
    std::filesystem::create_directories(run.data_folder());
    const auto chat_log = run.data_folder() / "chat_log.txt";
    ASSERT_EQ(::mkfifo(chat_log.c_str(), 0600), 0);
    write_file("elsewhere.txt", "");
    const auto kept_elsewhere = run.work().path() / "elsewhere.txt";
    std::filesystem::create_symlink(kept_elsewhere, run.data_folder() / "srv_log.txt");
    start();
    ASSERT_TRUE(terminal->wait_for_text("Press enter to continue...")) << screen_text(*terminal);
    EXPECT_TRUE(screen_says(*terminal, "Cannot log to " + chat_log.string() +
                                           ": it is not a regular file. This run is not logged "
                                           "there: remove it"))
        << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_client()) << screen_text(*terminal);
    ASSERT_TRUE(server.send_text(3, "Welcome to the test server"));
    ASSERT_TRUE(terminal->wait_for_text("Welcome to the test server")) << screen_text(*terminal);
    exit_and_expect_status(0);
    EXPECT_NE(qvtest::QvchatRun::read_file(kept_elsewhere).find("> Welcome to the test server\n"),
              std::string::npos);
    EXPECT_EQ(std::filesystem::status(chat_log).type(), std::filesystem::file_type::fifo);
}

TEST_F(QvchatProgram, HistoryIsNotSavedWhenTheSwitchCannotBeRead) {
    write_file("qv.ini",
               "#username = bob\n#password = secret\n#reconnect = 0\n#save_history = no\n");
    std::filesystem::create_directories(run.data_folder());
    run.write_file("documents/Quorvan/test/input_history.txt", "private line\n");
    start();
    ASSERT_TRUE(terminal->wait_for_text("Press enter to continue...")) << screen_text(*terminal);
    EXPECT_TRUE(screen_says(*terminal, "save_history must be 0 or 1, not \"no\"; using 0"))
        << screen_text(*terminal);
    terminal->press("Enter");
    ASSERT_TRUE(server.wait_for_client()) << screen_text(*terminal);
    exit_and_expect_status(0);
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder() / "input_history.txt"),
              "private line\n");
}

struct PromptLocaleCase {
    const char* environment;
    const char* name_echo;
    const char* password_echo;  // one "*" for each character the locale reads
};

// Typed at the prompt, the login goes out as the bytes the terminal sent, as the same text
// written in qv.ini does, whatever the locale.
TEST(QvchatProgramPrompt, LoginTypedAtThePromptSendsTheBytesTyped) {
    const std::vector<PromptLocaleCase> cases = {
        {"LC_ALL=C.UTF-8", "Username: Jos\u00E9", "Password: *****"},
        {"LC_ALL=C", "Username: Jos??", "Password: ********"},
    };
    ByteVector login = bytes("Jos\xC3\xA9 p\xE2\x82\xACss\xC3\xA9");
    login.push_back(0);
    for (const PromptLocaleCase& test : cases) {
        qvtest::QvchatRun run(QVCHAT_BINARY);
        run.write_file("qv.ini", "");
        run.start("test", test.environment);
        const TmuxSession& terminal = run.terminal();
        ASSERT_TRUE(terminal.wait_for_text("Username: ")) << screen_text(terminal);
        run.enter("Jos\u00E9");
        ASSERT_TRUE(terminal.wait_for_text(test.name_echo)) << screen_text(terminal);
        terminal.type("p\u20ACss\u00E9x");
        terminal.press("BSpace");
        ASSERT_TRUE(terminal.wait_for_screen([&](const std::vector<std::string>& rows) {
            return std::any_of(rows.begin(), rows.end(), [&](const std::string& row) {
                return row.substr(0, row.find_last_not_of(' ') + 1) == test.password_echo;
            });
        })) << screen_text(terminal);
        terminal.press("Enter");
        ASSERT_TRUE(run.server.wait_for_client());
        ASSERT_TRUE(run.server.send_text(3, "hello"));
        ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
        EXPECT_EQ(run.received(qvnetworklib::OUT_LOGIN), std::vector<ByteVector>{login})
            << test.environment;
        EXPECT_TRUE(run.exit_with_status(0)) << screen_text(terminal);
    }
}

}  // namespace
