#include "app/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/reconnect_backoff.h"

namespace {

using Action = qvchat2::CommandLine::Action;

qvchat2::CommandLine parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "qvchat");
    std::vector<const char*> argv;
    argv.reserve(arguments.size());
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    return qvchat2::parse_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, OptionsServerNameAndMistakes) {
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        std::string server_name;
        std::string error;
    };
    const std::vector<Case> cases{
        {{}, Action::run, "test", ""},
        {{"main"}, Action::run, "main", ""},
        {{"-h"}, Action::help, "test", ""},
        {{"--help", "main"}, Action::help, "main", ""},
        {{"-V"}, Action::version, "test", ""},
        {{"--version"}, Action::version, "test", ""},
        {{"--list"}, Action::list, "test", ""},
        // A server whose name starts with a dash can still be named after "--".
        {{"--", "-odd"}, Action::run, "-odd", ""},
        {{"--colour"}, Action::usage_error, "test", "Unknown option: --colour"},
        {{"-x"}, Action::usage_error, "test", "Unknown option: -x"},
        {{"main", "--verbose"}, Action::usage_error, "test", "Unknown option: --verbose"},
        // No guessing: an abbreviation could start another program's option.
        {{"--ver"}, Action::usage_error, "test", "Unknown option: --ver"},
        {{"main", "other"}, Action::usage_error, "test", "Unexpected argument: other"},
        {{"--reader", "main"}, Action::run, "main", ""},
        {{"main", "--reader"}, Action::run, "main", ""},
    };
    for (const auto& expected : cases) {
        const std::string arguments =
            expected.arguments.empty() ? "(none)" : expected.arguments.front();
        const qvchat2::CommandLine line = parse(expected.arguments);
        EXPECT_EQ(line.action, expected.action) << arguments;
        EXPECT_EQ(line.server_name, expected.server_name) << arguments;
        EXPECT_EQ(line.error, expected.error) << arguments;
        const bool reader_asked = std::find(expected.arguments.begin(), expected.arguments.end(),
                                            "--reader") != expected.arguments.end();
        EXPECT_EQ(line.reader, reader_asked) << arguments;
    }
}

TEST(ReconnectBackoff, WaitsDoubleUpToAMinuteAndVaryByAFifth) {
    struct Case {
        unsigned attempt;
        long shortest_ms;
        long nominal_ms;
        long longest_ms;
        std::string notice;
    };
    const std::vector<Case> cases{
        {0, 800, 1000, 1200, "Reconnecting in 1 s (attempt 0)..."},
        {1, 800, 1000, 1200, "Reconnecting in 1 s (attempt 1)..."},
        {2, 1600, 2000, 2400, "Reconnecting in 2 s (attempt 2)..."},
        {3, 3200, 4000, 4800, "Reconnecting in 4 s (attempt 3)..."},
        {4, 6400, 8000, 9600, "Reconnecting in 8 s (attempt 4)..."},
        {5, 12800, 16000, 19200, "Reconnecting in 16 s (attempt 5)..."},
        {6, 24000, 30000, 36000, "Reconnecting in 30 s (attempt 6)..."},
        {7, 48000, 60000, 72000, "Reconnecting in 60 s (attempt 7)..."},
        {11, 48000, 60000, 72000, "Reconnecting in 60 s (attempt 11)..."},
        {100000, 48000, 60000, 72000, "Reconnecting in 60 s (attempt 100000)..."},
    };
    for (const auto& expected : cases) {
        EXPECT_EQ(qvchat2::reconnect_delay(expected.attempt, -1.0).count(), expected.shortest_ms)
            << expected.attempt;
        EXPECT_EQ(qvchat2::reconnect_delay(expected.attempt, 0.0).count(), expected.nominal_ms)
            << expected.attempt;
        EXPECT_EQ(qvchat2::reconnect_delay(expected.attempt, 1.0).count(), expected.longest_ms)
            << expected.attempt;
        // A spread outside the range is held to its ends.
        EXPECT_EQ(qvchat2::reconnect_delay(expected.attempt, 7.0).count(), expected.longest_ms)
            << expected.attempt;
        EXPECT_EQ(qvchat2::reconnect_notice(qvchat2::reconnect_delay(expected.attempt, 0.0),
                                            expected.attempt),
                  expected.notice);
    }
    // The notice rounds to whole seconds and never says 0.
    EXPECT_EQ(qvchat2::reconnect_notice(std::chrono::milliseconds(1499), 3),
              "Reconnecting in 1 s (attempt 3)...");
    EXPECT_EQ(qvchat2::reconnect_notice(std::chrono::milliseconds(4800), 3),
              "Reconnecting in 5 s (attempt 3)...");
    EXPECT_EQ(qvchat2::reconnect_notice(std::chrono::milliseconds(3), 1),
              "Reconnecting in 1 s (attempt 1)...");
}

}  // namespace
