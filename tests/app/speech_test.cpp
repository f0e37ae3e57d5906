#include "app/speech.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/FakeSpeechService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/wait_until.h"

namespace qvchat2 {
namespace {

using qvchat2gui::SpeechPriority;
using qvtest::FakeSpeechService;
using qvtest::SpeechCommand;
using namespace std::chrono_literals;

constexpr auto LONG_SAYING = 1h;

// The commands as lines, a message as "SPEAK <text>".
std::vector<std::string> lines_of(const std::vector<SpeechCommand>& commands) {
    std::vector<std::string> lines;
    lines.reserve(commands.size());
    for (const SpeechCommand& command : commands) {
        lines.push_back(command.line == "SPEAK" ? "SPEAK " + command.text : command.line);
    }
    return lines;
}

// Speech pointed at a fake service, with the notices it gave.
class SpeechTest : public ::testing::Test {
protected:
    explicit SpeechTest(
        FakeSpeechService::Behaviour behaviour = FakeSpeechService::Behaviour::answering)
        : service(behaviour) {
        for (const auto& [name, value] : service.environment()) {
            variables.push_back(std::make_unique<qvtest::ScopedEnv>(name, value));
        }
        speech.emplace([this](const std::string& sentence) {
            const std::lock_guard<std::mutex> lock(notices_mutex);
            notices.push_back(sentence);
        });
    }

    bool turn_on() {
        speech->set_enabled(true);
        return qvtest::wait_until([&] { return speech->state() == "on"; });
    }
    bool said(const std::string& text) const {
        return service.wait_for([&](const std::vector<SpeechCommand>& commands) {
            return std::any_of(commands.begin(), commands.end(), [&](const SpeechCommand& command) {
                return command.line == "SPEAK" && command.text == text;
            });
        });
    }
    bool received(const std::string& line, std::size_t times = 1) const {
        return service.wait_for([&](const std::vector<SpeechCommand>& commands) {
            return static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(),
                                                          [&](const SpeechCommand& command) {
                                                              return command.line == line;
                                                          })) >= times;
        });
    }
    std::vector<std::string> given_notices() const {
        const std::lock_guard<std::mutex> lock(notices_mutex);
        return notices;
    }
    bool noticed() const {
        return qvtest::wait_until([&] { return !given_notices().empty(); });
    }

    FakeSpeechService service;
    std::vector<std::unique_ptr<qvtest::ScopedEnv>> variables;
    mutable std::mutex notices_mutex;  // guards notices
    std::vector<std::string> notices;
    std::optional<Speech> speech;  // last: its thread ends before the rest goes
};

struct SayCase {
    const char* name;
    std::function<void(Speech&)> say;
    std::vector<std::string> commands;
};

TEST_F(SpeechTest, EachLineGoesAtItsPriorityAsSpeakableText) {
    const std::string long_line(3000, 'a');
    const std::vector<SayCase> cases{
        {"a message",
         [](Speech& s) { s.say_line("Ann, private: hi", SpeechPriority::message); },
         {"SET self PRIORITY message", "SPEAK Ann, private: hi"}},
        {"a notification",
         [](Speech& s) { s.say_line("Bo joined", SpeechPriority::notification); },
         {"SET self PRIORITY notification", "SPEAK Bo joined"}},
        {"a text",
         [](Speech& s) { s.say_line("Cy on 3: sell", SpeechPriority::text); },
         {"SET self PRIORITY text", "SPEAK Cy on 3: sell"}},
        {"the review, in place of what is said",
         [](Speech& s) { s.say_review("the line read"); },
         {"CANCEL self", "SET self PRIORITY message", "SPEAK the line read"}},
        {"control bytes and broken UTF-8 as spaces",
         [](Speech& s) { s.say_line("a\tb\x01 c\xFF\xC3 d.\r\n.", SpeechPriority::text); },
         {"SET self PRIORITY text", "SPEAK a b  c   d.  ."}},
        {"nothing to say, nothing sent",
         [](Speech& s) {
             s.say_line("\x01\x02 ", SpeechPriority::message);
             s.say_line("after", SpeechPriority::text);
         },
         {"SET self PRIORITY text", "SPEAK after"}},
        {"a long line cut to 2000 bytes",
         [&](Speech& s) { s.say_line(long_line, SpeechPriority::text); },
         {"SET self PRIORITY text", "SPEAK " + long_line.substr(0, 2000)}},
    };
    ASSERT_TRUE(turn_on());
    for (const SayCase& test : cases) {
        SCOPED_TRACE(test.name);
        const std::size_t before = service.commands().size();
        test.say(*speech);
        ASSERT_TRUE(said(test.commands.back().substr(6)));
        const std::vector<std::string> lines = lines_of(service.commands());
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
                  test.commands);
    }
}

TEST_F(SpeechTest, StopCancelsAndForgetsWhatWaits) {
    service.set_speaking_time(LONG_SAYING);
    ASSERT_TRUE(turn_on());
    speech->say_line("first", SpeechPriority::text);
    ASSERT_TRUE(said("first"));
    speech->say_line("waiting", SpeechPriority::text);
    speech->say_line("newest", SpeechPriority::text);
    speech->stop();
    ASSERT_TRUE(received("CANCEL self"));
    speech->say_line("after the stop", SpeechPriority::text);
    ASSERT_TRUE(said("after the stop"));
    service.end_current_message();
    speech->say_line("next", SpeechPriority::text);
    ASSERT_TRUE(said("next"));
    EXPECT_EQ(service.spoken_texts(),
              (std::vector<std::string>{"first", "after the stop", "next"}));
}

TEST_F(SpeechTest, TheRateGoesNowAndWithEachConnection) {
    speech->set_rate(-30);
    ASSERT_TRUE(turn_on());
    EXPECT_TRUE(received("SET self RATE -30"));
    speech->set_rate(250);
    EXPECT_TRUE(received("SET self RATE 100"));
    service.close_clients();
    ASSERT_TRUE(noticed());
    ASSERT_TRUE(turn_on());
    EXPECT_TRUE(received("SET self RATE 100", 2));
}

TEST_F(SpeechTest, AFloodKeepsTheNewestLineAndCountsTheOthersWhileMessagesGoAtOnce) {
    constexpr int FLOOD = 100000;
    service.set_speaking_time(LONG_SAYING);
    ASSERT_TRUE(turn_on());
    speech->say_line("first", SpeechPriority::text);
    ASSERT_TRUE(said("first"));
    for (int line = 1; line <= FLOOD; ++line) {
        speech->say_line("line " + std::to_string(line), SpeechPriority::text);
        if (line == FLOOD / 2) {
            speech->say_line("Ann, private: help", SpeechPriority::message);
            ASSERT_TRUE(said("Ann, private: help"));
        }
    }
    service.end_current_message();  // the message
    ASSERT_TRUE(said("line " + std::to_string(FLOOD)));
    service.end_current_message();
    ASSERT_TRUE(said(std::to_string(FLOOD - 1) + " lines not spoken"));
    EXPECT_EQ(
        service.spoken_texts(),
        (std::vector<std::string>{"first", "Ann, private: help", "line " + std::to_string(FLOOD),
                                  std::to_string(FLOOD - 1) + " lines not spoken"}));
}

TEST_F(SpeechTest, AServiceThatLeavesStopsSpeechUntilSwitchedOnAgain) {
    ASSERT_TRUE(turn_on());
    EXPECT_TRUE(speech->speaking());
    service.close_clients();
    ASSERT_TRUE(noticed());
    EXPECT_EQ(
        given_notices(),
        (std::vector<std::string>{"Speech stopped: the speech service closed the connection."}));
    EXPECT_EQ(speech->state(), "unavailable: the speech service closed the connection");
    EXPECT_FALSE(speech->speaking());
    speech->say_line("while gone", SpeechPriority::message);
    ASSERT_TRUE(turn_on());
    EXPECT_EQ(service.connections(), 2U);
    speech->say_line("back", SpeechPriority::text);
    ASSERT_TRUE(said("back"));
    EXPECT_EQ(service.spoken_texts(), (std::vector<std::string>{"back"}));
    speech->set_enabled(false);
    EXPECT_EQ(speech->state(), "off");
    EXPECT_FALSE(speech->speaking());
}

class AbsentSpeechServiceTest : public SpeechTest {
protected:
    AbsentSpeechServiceTest() : SpeechTest(FakeSpeechService::Behaviour::absent) {}
};

TEST_F(AbsentSpeechServiceTest, SaysWhySpeechIsUnavailable) {
    EXPECT_EQ(speech->state(), "off");
    speech->set_enabled(true);
    ASSERT_TRUE(noticed());
    const std::string notice = given_notices().front();
    const std::string reason = "Can't connect to unix socket " + service.socket_path().string() +
                               ": No such file or directory";
    EXPECT_EQ(notice.rfind("Speech is unavailable: " + reason, 0), 0U) << notice;
    EXPECT_EQ(notice.back(), '.');
    // The library's UTF-8 (its quotation marks around the service's path) holds bytes that are
    // colour codes in the chat's text.
    EXPECT_EQ(std::count_if(notice.begin(), notice.end(),
                            [](char byte) {
                                const auto value = static_cast<unsigned char>(byte);
                                return value >= 0x7F && value <= 0x9F;
                            }),
              0)
        << notice;
    EXPECT_EQ("Speech is unavailable: " + speech->state().substr(13) + ".", notice);
    EXPECT_EQ(speech->state().rfind("unavailable: ", 0), 0U);
    EXPECT_FALSE(speech->speaking());
}

class SilentSpeechServiceTest : public SpeechTest {
protected:
    SilentSpeechServiceTest() : SpeechTest(FakeSpeechService::Behaviour::silent) {}
};

TEST_F(SilentSpeechServiceTest, LeavingDoesNotWaitForTheOpening) {
    speech->set_enabled(true);
    ASSERT_TRUE(service.wait_for([](const std::vector<SpeechCommand>& commands) {
        return !commands.empty() && commands.front().line.rfind("SET self CLIENT_NAME ", 0) == 0;
    }));
    EXPECT_EQ(speech->state(), "starting");
    const auto leaving = std::chrono::steady_clock::now();
    speech.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - leaving, 2s);
    EXPECT_TRUE(given_notices().empty());
}

TEST_F(SpeechTest, LeavingDoesNotWaitForAServiceThatFellSilent) {
    ASSERT_TRUE(turn_on());
    service.fall_silent();
    speech->say_line("unanswered", SpeechPriority::text);
    ASSERT_TRUE(received("SET self PRIORITY text"));
    const auto leaving = std::chrono::steady_clock::now();
    speech.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - leaving, 2s);
    EXPECT_TRUE(given_notices().empty());
}

}  // namespace
}  // namespace qvchat2
