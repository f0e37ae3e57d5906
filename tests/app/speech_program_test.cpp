// Speech in the real qvchat program in tmux, against a fake game server and a speech service of
// the tests' own that records every SSIP command the program's speech library sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/FakeSpeechService.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"

namespace {

using qvtest::FakeSpeechService;
using qvtest::SpeechCommand;

constexpr char SETTINGS[] = "#username = bob\n#password = secret\n#reconnect = 0\n";

std::string environment_of(const FakeSpeechService& service) {
    std::string assignments;
    for (const auto& [name, value] : service.environment()) {
        assignments.append(name).append("=").append(value).append(" ");
    }
    return assignments;
}

// The priority each text was spoken with, in order.
std::vector<std::pair<std::string, std::string>> spoken(const FakeSpeechService& service) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const SpeechCommand& command : service.commands()) {
        if (command.line == "SPEAK") {
            texts.emplace_back(command.text, command.priority);
        }
    }
    return texts;
}

bool has_spoken(const std::vector<SpeechCommand>& commands, const std::string& text) {
    return std::any_of(commands.begin(), commands.end(), [&text](const SpeechCommand& command) {
        return command.line == "SPEAK" && command.text == text;
    });
}

std::size_t count_of(const std::vector<SpeechCommand>& commands, const std::string& line) {
    return static_cast<std::size_t>(
        std::count_if(commands.begin(), commands.end(),
                      [&line](const SpeechCommand& command) { return command.line == line; }));
}

// Each kind of line in words, at its priority; the user's own lines are not read back; #speech
// foryou keeps only the lines for the user; Ctrl-G and a sent line stop what is said.
TEST(SpeechProgram, LinesAreSpokenInWordsByKindAndStopWhenAsked) {
    FakeSpeechService service;
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini", std::string(SETTINGS) + "#speech_rate = 40\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure, environment_of(service))) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    run.enter("#speech all");
    ASSERT_TRUE(terminal.wait_for_text("every line is spoken.")) << run.screen_text();
    ASSERT_TRUE(service.wait_for([](const std::vector<SpeechCommand>& commands) {
        return count_of(commands, "SET self RATE 40") == 1;
    })) << "the rate is set when the connection opens";

    ASSERT_TRUE(run.server.send_text(0, "Ann: hello"));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: are you there]"));
    ASSERT_TRUE(run.server.send_text(2, "Zed: the server restarts soon"));
    ASSERT_TRUE(run.server.send_text(3, "You feel rested."));
    ASSERT_TRUE(run.server.send_text(0, "bob: my own words"));
    ASSERT_TRUE(run.server.send_text(0, "Ann: caf\xE9 time"));
    ASSERT_TRUE(service.wait_for([](const std::vector<SpeechCommand>& commands) {
        return has_spoken(commands, "Ann: caf\xC3\xA9 time");
    })) << run.screen_text();
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Ann: hello", "text"},
        {"Marek, private: are you there", "message"},
        {"GM Zed: the server restarts soon", "message"},
        {"You feel rested.", "notification"},
        {"Ann: caf\xC3\xA9 time", "text"},
    };
    EXPECT_EQ(spoken(service), expected);

    run.enter("#speech foryou");
    ASSERT_TRUE(terminal.wait_for_text("only the lines for you are spoken")) << run.screen_text();
    ASSERT_TRUE(run.server.send_text(0, "Ann: not for you"));
    ASSERT_TRUE(run.server.send_text(0, "Ann: bob, look"));
    ASSERT_TRUE(service.wait_for([](const std::vector<SpeechCommand>& commands) {
        return has_spoken(commands, "Ann: bob, look");
    }));
    EXPECT_FALSE(has_spoken(service.commands(), "Ann: not for you"));

    service.set_speaking_time(std::chrono::seconds(30));
    ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: a long story]"));
    ASSERT_TRUE(service.wait_for([](const std::vector<SpeechCommand>& commands) {
        return has_spoken(commands, "Marek, private: a long story");
    }));
    const std::size_t cancels = count_of(service.commands(), "CANCEL self");
    terminal.press("C-g");
    ASSERT_TRUE(service.wait_for([cancels](const std::vector<SpeechCommand>& commands) {
        return count_of(commands, "CANCEL self") == cancels + 1;
    })) << "Ctrl-G stops what is said";
    run.enter("#speech");
    ASSERT_TRUE(service.wait_for([cancels](const std::vector<SpeechCommand>& commands) {
        return count_of(commands, "CANCEL self") == cancels + 2;
    })) << "so does a line sent";
    EXPECT_TRUE(terminal.wait_for_text("Speech is on: only the lines for you are spoken."))
        << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
}

// During a flood the lines for the user come at once, only the newest other line waits, and the
// count of those left out is said after.
TEST(SpeechProgram, AFloodLeavesLinesOutAndSaysHowMany) {
    FakeSpeechService service;
    service.set_speaking_time(std::chrono::milliseconds(400));
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini", std::string(SETTINGS) + "#speech = 1\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure, environment_of(service))) << failure;
    ASSERT_TRUE(service.wait_for([](const std::vector<SpeechCommand>& commands) {
        return count_of(commands, "SET self NOTIFICATION end on") +
                   count_of(commands, "SET self NOTIFICATION all on") >
               0;
    })) << "speech = 1 starts speech";

    constexpr int FLOOD = 200;
    for (int line = 1; line <= FLOOD; ++line) {
        ASSERT_TRUE(run.server.send_text(0, "Ann: flood " + std::to_string(line)));
        if (line == FLOOD / 2) {
            ASSERT_TRUE(run.server.send_text(1, "[PM from Marek: in the middle]"));
        }
    }
    ASSERT_TRUE(service.wait_for(
        [](const std::vector<SpeechCommand>& commands) {
            return std::any_of(commands.begin(), commands.end(), [](const SpeechCommand& command) {
                return command.line == "SPEAK" &&
                       command.text.find("lines not spoken") != std::string::npos;
            });
        },
        std::chrono::seconds(20)))
        << run.screen_text();
    const auto texts = spoken(service);
    EXPECT_LE(texts.size(), 8U) << "a flood is not queued at the service";
    const auto first_flood_line = std::find_if(texts.begin(), texts.end(), [](const auto& text) {
        return text.first.rfind("Ann: flood", 0) == 0;
    });
    ASSERT_NE(first_flood_line, texts.end());
    EXPECT_EQ(first_flood_line->first, "Ann: flood 1") << "the server's welcome may come before";
    EXPECT_NE(
        std::find(texts.begin(), texts.end(),
                  std::pair<std::string, std::string>{"Marek, private: in the middle", "message"}),
        texts.end());
    EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                           [](const auto& text) { return text.first == "Ann: flood 200"; }),
              texts.end())
        << "the newest line waits and is said";
    ASSERT_TRUE(run.exit_with_status(0));
}

// A service that cannot be reached is named, and the program runs on.
TEST(SpeechProgram, AnUnreachableServiceIsNamedAndTheChatGoesOn) {
    FakeSpeechService service(FakeSpeechService::Behaviour::absent);
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini", SETTINGS);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure, environment_of(service))) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    run.enter("#set speech 1");
    ASSERT_TRUE(terminal.wait_for_text("Speech is unavailable:")) << run.screen_text();
    run.enter("#speech all");
    ASSERT_TRUE(terminal.wait_for_text("Speech is starting: every line is spoken."))
        << run.screen_text();
    EXPECT_EQ(run.screen_text().find("Speech on:"), std::string::npos)
        << "never on without the service";
    ASSERT_TRUE(run.server.send_text(0, "Ann: still here"));
    EXPECT_TRUE(terminal.wait_for_text("Ann: still here")) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0));
}

}  // namespace
