#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/common_gui.h"
#include "network/message_types.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"
#include "tests/support/RecordingGUI.h"

namespace qvchat2gui {
namespace {

using qvnetworklib::OUT_PM;
using qvnetworklib::OUT_RAW_TEXT;

constexpr const char* HELP_TEXT = "Available commands: #ci, #exit, #help, #quit";
// A front-end with no keys of its own and no command beyond the built-in ones names none.
constexpr const char* HELP_KEYS =
    "Private message: /name text. ##word sends #word to the game. #help COMMAND tells more. More: "
    "man qvchat.";

qvnetworklib::ByteVector bytes(const std::string& text) {
    return qvnetworklib::ByteVector(text.begin(), text.end());
}

// process_input against a real Client connected to a fake server: what leaves is read back
// from the server. A marker chat line sent after each typed line shows where its frames end.
class ProcessInput : public ::testing::Test {
protected:
    void SetUp() override {
        harness.start();
        ASSERT_TRUE(server.wait_for_client());
        // Typed lines go out once the server has spoken and the login went.
        ASSERT_TRUE(server.send_text(3, "hello"));
        ASSERT_TRUE(server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
        ASSERT_TRUE(
            qvtest::wait_until([this] { return harness.client().login_time().has_value(); }));
    }

    // The text frames (chat and private messages) that typing the line sent.
    std::vector<qvtest::ReceivedFrame> sent_for(const std::string& line) {
        return sent_by([&] { gui.process_input(&harness.client(), line); });
    }

    std::vector<qvtest::ReceivedFrame> sent_by(const std::function<void()>& typing) {
        const std::size_t before = server.frames().size();
        typing();
        harness.client().send_chat(MARKER);
        EXPECT_TRUE(server.wait_for([&](const auto& frames) {
            return !frames.empty() && frames.back().payload == bytes(MARKER) &&
                   frames.size() > before;
        }));
        std::vector<qvtest::ReceivedFrame> sent;
        const auto frames = server.frames();
        for (std::size_t index = before; index + 1 < frames.size(); ++index) {
            if (frames[index].type == OUT_RAW_TEXT || frames[index].type == OUT_PM) {
                sent.push_back(frames[index]);
            }
        }
        return sent;
    }

    static void expect_one_frame(const std::vector<qvtest::ReceivedFrame>& frames,
                                 std::uint8_t type, const std::string& payload) {
        ASSERT_EQ(frames.size(), 1U);
        EXPECT_EQ(frames[0].type, type);
        EXPECT_EQ(frames[0].payload, bytes(payload));
    }

    static constexpr const char* MARKER = "--marker--";
    qvtest::FakeGameServer server;
    qvtest::ClientHarness harness{server.server_info()};
    qvtest::RecordingGUI gui;
};

TEST_F(ProcessInput, PrivateMessageNeedsASpaceAfterTheName) {
    expect_one_frame(sent_for("/bob hi there"), OUT_PM, "bob hi there");
    expect_one_frame(sent_for("/bob"), OUT_RAW_TEXT, "/bob");
    expect_one_frame(sent_for("/ hi"), OUT_PM, " hi");
    // Only the first space separates; the rest of the text is kept as typed.
    expect_one_frame(sent_for("/bob  two\tspaces "), OUT_PM, "bob  two\tspaces ");
    expect_one_frame(sent_for("/bob\tx"), OUT_RAW_TEXT, "/bob\tx");
}

TEST_F(ProcessInput, KnownCommandsRunAndSendNothing) {
    EXPECT_TRUE(sent_for("#HELP").empty());
    EXPECT_TRUE(sent_for("#help extra words").empty());
    EXPECT_TRUE(sent_for("#help #Exit").empty());
    EXPECT_EQ(gui.shown(),
              (std::vector<std::string>{HELP_TEXT, HELP_KEYS, HELP_TEXT, HELP_KEYS, HELP_TEXT,
                                        HELP_KEYS, "#exit: ends the client, as #quit."}));

    EXPECT_FALSE(gui.should_exit());
    EXPECT_TRUE(sent_for("#exit now").empty());
    EXPECT_TRUE(gui.should_exit());
}

TEST_F(ProcessInput, UnknownCommandsAndPlainTextLeaveUnchanged) {
    expect_one_frame(sent_for("#Who is here"), OUT_RAW_TEXT, "#Who is here");
    expect_one_frame(sent_for("#"), OUT_RAW_TEXT, "#");
    expect_one_frame(sent_for("  hello  "), OUT_RAW_TEXT, "  hello  ");
    expect_one_frame(sent_for("@@5 channel text"), OUT_RAW_TEXT, "@@5 channel text");
    expect_one_frame(sent_for(std::string("caf\xE9\x01", 5)), OUT_RAW_TEXT,
                     std::string("caf\xE9\x01", 5));
}

// The expander is asked only about "#word" lines that no command takes, and what it gives is
// interpreted as typed once: a command, a private message, or nothing when it refused.
TEST_F(ProcessInput, AnAliasStandsForATypedLineButNeverHidesACommand) {
    std::vector<std::string> asked;
    gui.set_alias_expander({[&asked](const std::string& line) -> std::optional<std::string> {
                                asked.push_back(line);
                                if (line == "#refused") {
                                    return std::string();
                                }
                                if (line.rfind("#hi", 0) == 0) {
                                    return "/Marek hello" + line.substr(3);
                                }
                                return line == "#h" ? std::optional<std::string>("#help ci")
                                                    : std::nullopt;
                            },
                            {}});
    expect_one_frame(sent_for("#hi there"), OUT_PM, "Marek hello there");
    expect_one_frame(sent_for("##hi there"), OUT_RAW_TEXT, "#hi there");
    expect_one_frame(sent_for("#other"), OUT_RAW_TEXT, "#other");
    EXPECT_TRUE(sent_for("#refused").empty());
    EXPECT_TRUE(sent_for("#h").empty());
    EXPECT_TRUE(sent_for("#HELP").empty());
    EXPECT_EQ(asked,
              (std::vector<std::string>{"#hi there", "##hi there", "#other", "#refused", "#h"}));
    const std::string channels_help = "#ci: lists the channels you are on.";
    EXPECT_EQ(gui.shown(), (std::vector<std::string>{HELP_TEXT, HELP_KEYS, channels_help, HELP_TEXT,
                                                     HELP_KEYS}));
    EXPECT_TRUE(gui.alias_names().empty());
}

TEST_F(ProcessInput, EmptyLineSendsNothing) {
    EXPECT_TRUE(sent_for("").empty());
    EXPECT_TRUE(gui.shown().empty());
}

TEST_F(ProcessInput, CommandGetsTheArgumentTextUntrimmed) {
    std::vector<std::string> arguments;
    gui.add_callback("afk",
                     [&arguments](const std::string& argument) { arguments.push_back(argument); });
    EXPECT_TRUE(sent_for("#AfK  gone fishing ").empty());
    EXPECT_TRUE(sent_for("#afk").empty());
    EXPECT_EQ(arguments, (std::vector<std::string>{" gone fishing ", ""}));
}

TEST(ChatGUICommands, FirstRegistrationWinsAndOnlyLowerCaseWordsAreReachable) {
    qvtest::RecordingGUI gui;
    int replaced_help_calls = 0;
    int loud_calls = 0;
    gui.add_callback("help", [&](const std::string&) { ++replaced_help_calls; });
    gui.add_callback("Loud", [&](const std::string&) { ++loud_calls; });
    gui.add_callback("loc", [](const std::string&) {});
    gui.add_callback("afk", [](const std::string&) {});
    gui.add_callback("look", [](const std::string&) {});

    gui.process_input(nullptr, "#help");
    gui.process_input(nullptr, "#Loud");
    gui.process_input(nullptr, "#loud");
    EXPECT_EQ(replaced_help_calls, 0);
    EXPECT_EQ(loud_calls, 0);
    // "#Loud" and "#loud" are no commands: they would go out as chat, which needs a connection.
    const std::string not_sent =
        static_cast<char>(SERVER_COLOR) + std::string(NOT_CONNECTED_NOTICE);
    EXPECT_EQ(gui.shown(),
              (std::vector<std::string>{
                  "Available commands: #Loud, #afk, #ci, #exit, #help, #loc, #look, #quit",
                  HELP_KEYS, not_sent, not_sent}));
}

TEST(ChatGUICompletion, NearbyNamesComeFirstThenTheNamesSeenNewestFirst) {
    qvtest::RecordingGUI gui;
    gui.set_nearby_names([] { return std::vector<std::string>{"Ysolde", "Marek"}; });
    for (const char* name : {"Otto", "", "Zo\xEB", "Otto"}) {
        gui.note_name(name);
    }
    EXPECT_EQ(gui.completion_names(),
              (std::vector<std::string>{"Ysolde", "Marek", "Otto", "Zo\xEB"}));
    for (std::size_t index = 0; index <= RecentNames::CAPACITY; ++index) {
        gui.note_name("name" + std::to_string(index));
    }
    const std::vector<std::string> names = gui.completion_names();
    EXPECT_EQ(names.size(), 2 + RecentNames::CAPACITY);
    EXPECT_EQ(names[2], "name" + std::to_string(RecentNames::CAPACITY));
    EXPECT_EQ(gui.command_names(), (std::vector<std::string>{"ci", "exit", "help", "quit"}));
}

TEST(ChatGUICommands, QuitEndsTheRunWithoutAClient) {
    qvtest::RecordingGUI gui;
    gui.process_input(nullptr, "plain text is dropped without a client");
    gui.process_input(nullptr, "/bob also dropped");
    EXPECT_FALSE(gui.should_exit());
    gui.process_input(nullptr, "#QUIT");
    EXPECT_TRUE(gui.should_exit());
}

TEST(ChatGUICommands, ChannelInfo) {
    qvtest::RecordingGUI gui;
    gui.process_input(nullptr, "#ci");
    gui.set_channel_list({1, 3, 1000001});
    gui.process_input(nullptr, "#ci");
    gui.set_channel_list({1000000, 0, 4294967295U});
    gui.process_input(nullptr, "#ci whatever");
    EXPECT_EQ(gui.shown(), (std::vector<std::string>{
                               "You are on channels ",
                               "You are on channels 1, 3, guild",
                               "You are on channels 1000000, 0, guild",
                           }));
}

TEST_F(ProcessInput, LineTooLongForOneMessageIsNamedNotSent) {
    EXPECT_TRUE(sent_for(std::string(70000, 'x')).empty());
    EXPECT_TRUE(sent_for("/bob " + std::string(70000, 'y')).empty());
    const std::string notice = static_cast<char>(SERVER_COLOR) + std::string(TOO_LONG_NOTICE);
    EXPECT_EQ(gui.shown(), (std::vector<std::string>{notice, notice}));
}

TEST_F(ProcessInput, LineTypedWhileTheServerIsNotReadingIsNamedNotSent) {
    constexpr std::size_t LARGE_PAYLOAD = 60000;
    server.pause_reading(true);
    const std::string long_line(LARGE_PAYLOAD, 'x');
    for (const std::string& line : {long_line, "/bob " + long_line}) {
        // Until the socket buffers are full as well, room in the backlog may still open up,
        // and a line that finds it simply leaves.
        EXPECT_TRUE(qvtest::wait_until([&] {
            harness.send_until_refused(LARGE_PAYLOAD, 400);
            gui.process_input(&harness.client(), line);
            return gui.take_lines() == std::vector<std::string>{server_line(NOT_READING_NOTICE)};
        })) << line.substr(0, 5);
    }
    // A line too long for any message is still named as such.
    gui.process_input(&harness.client(), std::string(70000, 'y'));
    EXPECT_EQ(gui.take_lines(), std::vector<std::string>{server_line(TOO_LONG_NOTICE)});
}

std::vector<std::string> followed_by(std::vector<std::string> lines, const std::string& last) {
    lines.push_back(last);
    return lines;
}

struct PasteCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> sent;  // payloads
    std::vector<std::string> shown;
};

// A paste leaves whole or not at all: its messages, framed, must fit what can still be queued.
TEST_F(ProcessInput, PasteTooLargeToQueueIsRefusedWhole) {
    constexpr std::size_t FULL_PAYLOAD = qvnetworklib::MAX_PAYLOAD_SIZE;
    const std::string too_long = server_line(TOO_LONG_NOTICE);
    const std::vector<PasteCase> cases = {
        {"fits", {"one", "", "/bob two"}, {"one", "bob two"}, {}},
        {"1.2 MB",
         std::vector<std::string>(24000, std::string(50, 'p')),
         {},
         {server_line(
             "The paste is too large to send (24000 lines, 1172 KiB); nothing was sent.")}},
        // 16 full messages: their text alone fits in 1 MiB, with their headers it does not.
        {"framing counts",
         std::vector<std::string>(16, std::string(FULL_PAYLOAD, 'f')),
         {},
         {server_line("The paste is too large to send (16 lines, 1024 KiB); nothing was sent.")}},
        {"lines too long for a message take no room",
         followed_by(std::vector<std::string>(8, std::string(2 * FULL_PAYLOAD, 'x')), "hi"),
         {"hi"},
         std::vector<std::string>(8, too_long)},
    };
    gui.set_client(&harness.client());
    for (const PasteCase& test : cases) {
        std::vector<std::string> sent;
        for (const auto& frame : sent_by([&] { gui.process_lines(test.lines); })) {
            sent.emplace_back(frame.payload.begin(), frame.payload.end());
        }
        EXPECT_EQ(sent, test.sent) << test.name;
        EXPECT_EQ(gui.take_lines(), test.shown) << test.name;
    }
}

TEST(ProcessInputOffline, LinesTypedWithoutAConnectionAreNamedNotSent) {
    qvtest::RecordingGUI gui;
    qvnetworklib::Client never_started("bob", "secret", {"127.0.0.1", "1", "x"});
    gui.process_input(&never_started, "hello");
    gui.process_input(&never_started, "/ann hi");
    gui.process_input(nullptr, "hello");
    gui.process_input(&never_started, "#help");
    gui.process_lines(std::vector<std::string>(3000, "pasted"));
    gui.process_lines({"#help", ""});
    const std::string notice = static_cast<char>(SERVER_COLOR) + std::string(NOT_CONNECTED_NOTICE);
    const auto shown = gui.shown();
    ASSERT_EQ(shown.size(), 8U);
    EXPECT_EQ(shown[0], notice);
    EXPECT_EQ(shown[1], notice);
    EXPECT_EQ(shown[2], notice);
    EXPECT_EQ(shown[3].rfind("Available commands: ", 0), 0U) << "local commands need no connection";
    EXPECT_EQ(shown[4], HELP_KEYS);
    EXPECT_EQ(shown[5], static_cast<char>(SERVER_COLOR) +
                            std::string("Not connected: the paste of 3000 lines was not sent."))
        << "a paste is named not sent in one line";
    EXPECT_EQ(shown[6].rfind("Available commands: ", 0), 0U) << "a paste of local commands runs";
}

// Each front-end's hints name its own keys and the commands it has, and nothing else.
TEST(FrontEndKeys, HintsNameOnlyWhatTheFrontEndInUseHas) {
    FrontEndKeys curses;
    curses.scroll = curses.search = curses.for_user = curses.views = curses.several_lines = true;
    curses.review = true;
    FrontEndKeys reader;
    reader.say_again = true;
    reader.review = reader.review_ends = reader.stop_speech = true;
    const auto all = [](const std::string& /*word*/) { return true; };
    const auto some = [](const std::string& word) { return word == "urls" || word == "logs"; };
    const auto none = [](const std::string& /*word*/) { return false; };
    const struct {
        FrontEndKeys keys;
        HasCommand has_command;
        std::string help;
        std::string hint;
    } cases[] = {
        {curses, all,
         "Private message: /name text. Several lines: Alt-Enter, then Enter sends each. "
         "Spelling: Alt-S, #spell. Scroll: Page Up, Page Down, Ctrl-Home, Ctrl-End. Review line "
         "by line: Alt-Up, Alt-Down. Find: Ctrl-S, "
         "#grep TEXT, #logs TEXT. Links: "
         "#urls, #copy N. Hear: #ignore, #highlight, "
         "#mute. Views: #view NAME, #views, Alt-Right, Alt-Left, Alt-A. #set NAME VALUE. "
         "Missed: #missed. Lines for you: Alt-P, Alt-N; unread: Alt-U. "
         "Ignored lines: Alt-=. ##word sends #word to the game. #help COMMAND tells more. More: "
         "man qvchat.",
         "Alt-P shows them."},
        {reader, all,
         "Private message: /name text. Say again: Alt-1 to Alt-9, the latest lines for you. "
         "Review line by line: Alt-Up, Alt-Down, Alt-Home, Alt-End. Stop speech: Ctrl-G. "
         "Find: #grep TEXT, #logs TEXT. Links: #urls, #copy N. Hear: #ignore, #highlight, "
         "#mute. Views: #view NAME, #views. #set NAME VALUE. Missed: #missed. ##word sends #word "
         "to the game. #help COMMAND tells more. More: man qvchat.",
         "Alt-1 says the latest again; #missed lists them."},
        {FrontEndKeys(), some,
         "Private message: /name text. Find: #logs TEXT. Links: #urls. ##word sends #word to the "
         "game. #help COMMAND tells more. More: man qvchat.",
         ""},
        {FrontEndKeys(), none, HELP_KEYS, ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(help_keys_line(test.keys, test.has_command), test.help);
        EXPECT_EQ(lines_for_user_hint(test.keys, test.has_command), test.hint);
    }
}

}  // namespace
}  // namespace qvchat2gui
