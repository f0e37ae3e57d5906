#include "app/notify_command.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include "tests/app/text_files.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/wait_until.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Collects what is written to std::cerr from any thread while it lives; safe to read meanwhile.
class LockedStderr : public std::streambuf {
public:
    LockedStderr() : saved(std::cerr.rdbuf(this)) {}
    ~LockedStderr() override { std::cerr.rdbuf(saved); }
    LockedStderr(const LockedStderr&) = delete;
    LockedStderr& operator=(const LockedStderr&) = delete;

    std::string text() const {
        const std::lock_guard<std::mutex> lock(text_mutex);
        return captured;
    }

protected:
    int_type overflow(int_type byte) override {
        if (!traits_type::eq_int_type(byte, traits_type::eof())) {
            const std::lock_guard<std::mutex> lock(text_mutex);
            captured.push_back(traits_type::to_char_type(byte));
        }
        return traits_type::not_eof(byte);
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        const std::lock_guard<std::mutex> lock(text_mutex);
        captured.append(bytes, static_cast<std::size_t>(count));
        return count;
    }

private:
    mutable std::mutex text_mutex;  // guards captured
    std::string captured;
    std::streambuf* saved;
};

// A folder with an executable script `notifier` that appends what it is given to `log`, found
// through the environment it inherits.
class NotifyCommandTest : public ::testing::Test {
protected:
    void write_notifier(const std::string& body) const {
        qvtest::write_file(notifier, "#!/bin/sh\n" + body);
        fs::permissions(notifier, fs::perms::owner_all);
    }
    bool log_is(const std::string& expected) const {
        return qvtest::wait_until([&] { return qvtest::read_file(log) == expected; });
    }
    // Whether the lines logged are `expected` in some order: programs started one after the
    // other may still write in either order.
    bool runs_are(std::vector<std::string> expected) const {
        std::vector<std::string> runs = qvtest::read_file_lines(log);
        std::sort(runs.begin(), runs.end());
        std::sort(expected.begin(), expected.end());
        return runs == expected;
    }

    const qvtest::TempDir folder;
    const fs::path notifier = folder / "notifier";
    const fs::path log = folder / "log";
    const qvtest::ScopedEnv log_variable{"NOTIFY_LOG", log.string()};
    static constexpr const char* RECORD_ARGUMENTS =
        "printf '%s|%s|%s\\n' \"$1\" \"$2\" \"$3\" >>\"$NOTIFY_LOG\"\n";
};

// Whether a process that this one started has ended without being waited for.
bool has_zombie_children() {
    const std::string parent = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::string stat;
        try {
            stat = qvtest::read_file(entry.path() / "stat");
        } catch (const std::ios_base::failure&) {
            continue;  // the process ended meanwhile: its file can no longer be read
        }
        const std::size_t name_end = stat.rfind(')');
        if (name_end == std::string::npos || name_end + 4 > stat.size()) {
            continue;
        }
        const std::string state_and_parent = stat.substr(name_end + 2);  // "Z 1234 ..."
        if (state_and_parent.rfind("Z " + parent + " ", 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(NotifyCommandTest, ArgumentsArriveAsTheyAreWithNoShellAndNoTerminal) {
    write_notifier(
        "printf '%s %s %s\\n' \"$(readlink /proc/$$/fd/0)\" \"$(readlink /proc/$$/fd/1)\" "
        "\"$(readlink /proc/$$/fd/2)\" >>\"$NOTIFY_LOG\"\n"
        "echo 'written to the screen?'; echo 'or here?' >&2\n" +
        std::string(RECORD_ARGUMENTS));
    // A text that begins with "-" comes after "--", so that no program takes it for an option.
    const std::string text =
        "--icon=/etc/passwd: [PM from Zo\xC3\xAB: it's \"$(touch pwned)\"; rm -f * `id` $HOME]";
    {
        qvchat2::NotifyCommand command(notifier.string());
        command.notify("qv chat", text);
        EXPECT_TRUE(log_is("/dev/null /dev/null /dev/null\n--|qv chat|" + text + "\n"))
            << qvtest::read_file(log);
        EXPECT_TRUE(qvtest::wait_until([] { return !has_zombie_children(); }))
            << "an ended program is waited for";
    }
    EXPECT_FALSE(fs::exists(folder / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(NotifyCommandTest, OneRunPerIntervalWithTheOthersSummedUpWithoutWaitingForMore) {
    write_notifier(RECORD_ARGUMENTS);
    const milliseconds interval{200};
    qvchat2::NotifyCommand command(notifier.string(), interval);
    const auto first_notified = std::chrono::steady_clock::now();
    command.notify("qvchat", "one");
    command.notify("qvchat", "two");
    command.notify("qvchat", "three");
    ASSERT_TRUE(qvtest::wait_until([&] {
        return runs_are({"--|qvchat|one", "--|qvchat|three (1 more)"});
    })) << qvtest::read_file(log);
    EXPECT_GE(std::chrono::steady_clock::now() - first_notified, interval);

    command.notify("qvchat", "four");
    EXPECT_TRUE(qvtest::wait_until([&] {
        return runs_are({"--|qvchat|one", "--|qvchat|three (1 more)", "--|qvchat|four"});
    })) << qvtest::read_file(log);
}

// Programs that never end: four run, the others wait and are summed up until one has ended.
TEST_F(NotifyCommandTest, AtMostFourProgramsRunAtOnce) {
    write_notifier(std::string(RECORD_ARGUMENTS) +
                   "echo $$ >>\"$NOTIFY_LOG.pids\"\nexec sleep 60\n");
    const fs::path pids = log.string() + ".pids";
    std::optional<qvchat2::NotifyCommand> command;
    command.emplace(notifier.string(), milliseconds(0));
    const std::vector<std::string> first_four{"one", "two", "three", "four"};
    for (std::size_t started = 0; started < first_four.size(); ++started) {
        command->notify("qvchat", first_four[started]);
        ASSERT_TRUE(qvtest::wait_until([&] {
            return qvtest::read_file_lines(pids).size() == started + 1;
        })) << qvtest::read_file(log);
    }
    for (const char* text : {"five", "six", "seven"}) {
        command->notify("qvchat", text);
    }
    const std::vector<std::string> running = qvtest::read_file_lines(pids);
    ::kill(std::stoi(running.front()), SIGKILL);
    EXPECT_TRUE(qvtest::wait_until([&] { return qvtest::read_file_lines(pids).size() == 5; }));
    EXPECT_EQ(qvtest::read_file_lines(log).back(), "--|qvchat|seven (2 more)")
        << qvtest::read_file(log);
    command.reset();
    const std::vector<std::string> left = qvtest::read_file_lines(pids);
    for (std::size_t index = 1; index < left.size(); ++index) {
        ::kill(std::stoi(left[index]), SIGKILL);
        ::waitpid(std::stoi(left[index]), nullptr, 0);
    }
}

TEST_F(NotifyCommandTest, AProgramThatCannotStartIsNamedOnceAndTriedAgainQuietly) {
    const LockedStderr errors;
    const std::string reported =
        "Cannot run notify_command " + notifier.string() + ": No such file or directory\n";
    qvchat2::NotifyCommand command(notifier.string(), milliseconds(0));
    command.notify("qvchat", "lost");
    ASSERT_TRUE(qvtest::wait_until([&] { return errors.text() == reported; })) << errors.text();
    command.notify("qvchat", "lost quietly");

    write_notifier(RECORD_ARGUMENTS);
    command.notify("qvchat", "found");
    // Whether "lost quietly" was tried before the program came depends on the threads.
    ASSERT_TRUE(qvtest::wait_until([&] {
        return runs_are({"--|qvchat|found"}) || runs_are({"--|qvchat|found (1 more)"}) ||
               runs_are({"--|qvchat|found", "--|qvchat|lost quietly"});
    })) << qvtest::read_file(log);
    EXPECT_EQ(errors.text(), reported);

    // Another program that cannot start is named too.
    const std::string other = (notifier.parent_path() / "other-notifier").string();
    command.set_program(other);
    command.notify("qvchat", "lost again");
    EXPECT_TRUE(qvtest::wait_until([&] {
        return errors.text() ==
               reported + "Cannot run notify_command " + other + ": No such file or directory\n";
    })) << errors.text();
}

TEST(NotifyCommand, AnEmptyProgramRunsNothing) {
    const LockedStderr errors;
    {
        qvchat2::NotifyCommand command("");
        command.notify("qvchat", "text");
    }
    EXPECT_EQ(errors.text(), "");
}

// #set notify_command: a program given later (the first one, or another) runs from then on.
TEST_F(NotifyCommandTest, AProgramSetWhileRunningTakesTheNextNotification) {
    write_notifier(RECORD_ARGUMENTS);
    qvchat2::NotifyCommand command("", std::chrono::milliseconds(1));
    command.notify("qvchat", "before");
    command.set_program(notifier.string());
    command.notify("qvchat", "after");
    EXPECT_TRUE(log_is("--|qvchat|after\n")) << qvtest::read_file(log);
    command.set_program("");
    command.notify("qvchat", "switched off");
    command.set_program(notifier.string());
    command.notify("qvchat", "on again");
    EXPECT_TRUE(log_is("--|qvchat|after\n--|qvchat|on again\n")) << qvtest::read_file(log);
}

TEST_F(NotifyCommandTest, LeavingDoesNotWaitForAHungProgramNorKillIt) {
    write_notifier("echo $$ >\"$NOTIFY_LOG\"\nexec sleep 60\n");
    std::optional<qvchat2::NotifyCommand> command;
    command.emplace(notifier.string());
    command->notify("qvchat", "text");
    ASSERT_TRUE(qvtest::wait_until([&] {
        const std::string pid = qvtest::read_file(log);
        return !pid.empty() && pid.back() == '\n';
    }));
    const pid_t hung = std::stoi(qvtest::read_file(log));
    const auto started_leaving = std::chrono::steady_clock::now();
    command.reset();
    const auto leaving = std::chrono::steady_clock::now() - started_leaving;
    // Far below the program's 60 s: only a wait for it could take that long.
    EXPECT_LT(leaving, std::chrono::seconds(30));
    EXPECT_EQ(::kill(hung, 0), 0) << "the user's program is left running";
    ::kill(hung, SIGKILL);
    ::waitpid(hung, nullptr, 0);
}

}  // namespace
