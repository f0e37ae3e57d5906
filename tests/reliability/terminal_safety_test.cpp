// Server text full of terminal escape sequences must never reach the terminal raw: the screen
// changes only where the chat line is painted, the pane keeps its title, and the log keeps no
// control byte. A terminal that stops taking output must not stop the connection, nor keep the
// program from ending.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/wait_until.h"

namespace {

using qvnetworklib::ByteVector;

// Clear screen, cursor moves, window titles through OSC 0 and 2 ended by BEL and by ST, a
// hyperlink OSC, a bell, C1 controls (CSI, OSC, ST as single bytes), other bytes 0x80 to 0x9F,
// a lone ESC at the end.
constexpr char HOSTILE[] =
    "Mallory: A\x1b[2J\x1b[H\x1b[10;10HB\x1b]0;pwned\x07"
    "C\x1b]2;owned\x1b\\D\x1b]8;;http://x\x07"
    "E\x07\x9b"
    "31mF\x9d"
    "0;c1\x9cG\x80\x85\x8d\x90\x9fH\x1b";

// What a terminal shows of HOSTILE when every control byte is dropped.
std::string printable_part(const std::string& text) {
    std::string kept;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 32 && value < 127) {
            kept += byte;
        }
    }
    return kept;
}

// An IN_ADD_ACTOR payload for a character whose name is `name`.
ByteVector actor_named(const std::string& name) {
    ByteVector payload{7, 0};
    payload.resize(12, 0);
    payload.insert(payload.end(), {50, 0, 50, 0, 1});
    payload.insert(payload.end(), name.begin(), name.end());
    payload.push_back(0);
    return payload;
}

TEST(TerminalSafety, EscapeSequencesFromTheServerAreNeverPaintedRaw) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    const std::vector<std::string> before = run.terminal().screen();
    const std::string title = run.terminal().pane_title();

    ASSERT_TRUE(run.server.send_text(0, HOSTILE));
    const std::string shown = printable_part(HOSTILE);
    ASSERT_TRUE(run.terminal().wait_for_text(shown)) << run.screen_text();
    const std::vector<std::string> after = run.terminal().screen();

    // Only the chat window's next free row changed, and it holds just the printable bytes.
    ASSERT_EQ(after.size(), before.size());
    std::vector<std::size_t> changed;
    for (std::size_t row = 0; row < after.size(); ++row) {
        if (after[row] != before[row]) {
            changed.push_back(row);
        }
    }
    ASSERT_EQ(changed.size(), 1U) << run.screen_text();
    EXPECT_NE(after[changed[0]].find("\u2502" + shown + " "), std::string::npos)
        << after[changed[0]];
    EXPECT_EQ(run.terminal().pane_title(), title);

    // A character's name is shown by "#look"; it passes the same filter.
    ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_ADD_ACTOR,
                                      actor_named("Eve\x1b]2;renamed\x07\x1b[2J")));
    ASSERT_TRUE(run.server.send_text(3, "actor sent"));
    ASSERT_TRUE(run.terminal().wait_for_text("actor sent")) << run.screen_text();
    run.enter("#look");
    EXPECT_TRUE(run.terminal().wait_for_text("Eve]2;renamed[2J")) << run.screen_text();
    EXPECT_NE(run.screen_text().find("Welcome to the test server"), std::string::npos)
        << "the screen was cleared:\n"
        << run.screen_text();
    EXPECT_EQ(run.terminal().pane_title(), title);

    ASSERT_TRUE(qvtest::timed_exit(run)) << run.screen_text();
    const std::string log = run.chat_log();
    EXPECT_TRUE(qvtest::has_no_control_bytes(log)) << log;
    EXPECT_EQ(qvtest::count_of(qvtest::logged_texts(log), shown), 1U) << log;
    EXPECT_TRUE(qvtest::has_no_control_bytes(run.server_log()));
}

// True while a thread of the process waits in a write to its standard output.
bool is_blocked_writing_to_the_terminal(pid_t process) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(process) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream syscall(task.path() / "syscall");
        std::string number;
        std::string descriptor;
        if (syscall >> number >> descriptor && number == "1" && descriptor == "0x1") {
            return true;
        }
    }
    return false;
}

bool flow_control_is_on(const qvtest::TmuxSession& terminal) {
    const std::string modes = qvtest::run_program({"stty", "-F", terminal.pane_tty(), "-a"});
    return modes.find(" ixon") != std::string::npos;
}

// Keeps the tmux server stopped, so that it reads nothing of the program's output, and lets it
// go on whatever way the test ends.
class StoppedTerminal {
public:
    explicit StoppedTerminal(const qvtest::TmuxSession& terminal)
        : server(terminal.server_process()) {
        kill(server, SIGSTOP);
    }
    ~StoppedTerminal() { resume(); }
    StoppedTerminal(const StoppedTerminal&) = delete;
    StoppedTerminal& operator=(const StoppedTerminal&) = delete;
    void resume() const { kill(server, SIGCONT); }

private:
    pid_t server;
};

// Hang checks only: a sanitizer build handles messages many times slower.
constexpr std::chrono::seconds PATIENCE{60};

// The chat log's texts that begin with `prefix`, in order.
std::vector<std::string> logged_with_prefix(const qvtest::QvchatRun& run,
                                            const std::string& prefix) {
    std::vector<std::string> logged;
    for (const auto& text : qvtest::logged_texts(run.chat_log())) {
        if (text.rfind(prefix, 0) == 0) {
            logged.push_back(text);
        }
    }
    return logged;
}

// Sends "Ann: filler N" lines until painting blocks in a write to a terminal that is not read.
// Each batch is handled before the next goes, so that nothing piles up before what follows.
bool flood_until_painting_blocks(qvtest::QvchatRun& run, pid_t program) {
    std::size_t filler = 0;
    return qvtest::wait_until(
        [&] {
            for (int line = 0; line < 20; ++line) {
                run.server.send_text(0, "Ann: filler " + std::to_string(++filler));
            }
            qvtest::wait_until(
                [&] { return logged_with_prefix(run, "Ann: filler ").size() == filler; }, PATIENCE);
            return is_blocked_writing_to_the_terminal(program);
        },
        PATIENCE);
}

TEST(TerminalSafety, StalledTerminalNeverStopsTheConnection) {
    constexpr int STALLED_LINES = 500;
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    // Ctrl-S is a key like any other: it does not stop the output, it opens the chat's search.
    EXPECT_FALSE(flow_control_is_on(run.terminal()));
    run.terminal().press("C-s");
    ASSERT_TRUE(run.terminal().wait_for_text("(find) ''")) << run.screen_text();
    run.terminal().press("Escape");
    // Typed at once, the next key would come with the Escape as an Alt key.
    ASSERT_TRUE(run.terminal().wait_for_screen([](const std::vector<std::string>& rows) {
        return std::none_of(rows.begin(), rows.end(), [](const std::string& row) {
            return row.find("(find)") != std::string::npos;
        });
    })) << run.screen_text();
    run.enter("still typing");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));

    {
        const StoppedTerminal stopped(run.terminal());
        ASSERT_TRUE(flood_until_painting_blocks(run, run.program_id())) << "painting never blocked";

        // The clock, the channels, many lines and a ping all arrive while it is blocked.
        ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_UPDATE_CLOCK, {0x2C, 0x01}));
        ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS,
                                          {0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        for (int line = 1; line <= STALLED_LINES; ++line) {
            ASSERT_TRUE(run.server.send_text(0, "Ann: stalled " + std::to_string(line)));
        }
        ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_PING_REQUEST, {1, 2, 3, 4}));
        EXPECT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_PING_RESPONSE, 1, PATIENCE));
        const std::vector<ByteVector> answers{{1, 2, 3, 4}};
        EXPECT_EQ(run.received(qvnetworklib::OUT_PING_RESPONSE), answers);

        std::vector<std::string> expected;
        for (int line = 1; line <= STALLED_LINES; ++line) {
            expected.push_back("Ann: stalled " + std::to_string(line));
        }
        EXPECT_TRUE(qvtest::wait_until(
            [&] { return logged_with_prefix(run, "Ann: stalled ").size() >= expected.size(); },
            PATIENCE));
        EXPECT_EQ(logged_with_prefix(run, "Ann: stalled "), expected);
        EXPECT_TRUE(is_blocked_writing_to_the_terminal(run.program_id()));
        stopped.resume();
    }

    // The screen catches up once the terminal reads again.
    EXPECT_TRUE(run.terminal().wait_for_text("Ann: stalled 500")) << run.screen_text();
    EXPECT_TRUE(run.terminal().wait_for_text(" 5:00")) << run.screen_text();
    EXPECT_TRUE(run.terminal().wait_for_text("[3] | ")) << run.screen_text();
    ASSERT_TRUE(run.exit_with_status(0)) << run.screen_text();
    EXPECT_TRUE(flow_control_is_on(run.terminal()));
}

// The program on a terminal of the test's own that never reads a byte of what the program
// writes, while keys still go in: what a stalled link does, with the keyboard alive.
class UnreadTerminal {
public:
    explicit UnreadTerminal(const qvtest::QvchatRun& run) {
        const std::string folder = run.work().path().string();
        std::vector<std::string> environment{"XDG_DOCUMENTS_DIR=" + folder + "/documents",
                                             "TERM=xterm-256color", "LANG=C.UTF-8",
                                             "LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        envp.reserve(environment.size() + 1);
        for (std::string& assignment : environment) {
            envp.push_back(assignment.data());
        }
        envp.push_back(nullptr);
        winsize size{24, 80, 0, 0};
        program = forkpty(&keyboard, nullptr, nullptr, &size);
        if (program == 0) {
            if (chdir(folder.c_str()) == 0) {
                execle(QVCHAT_BINARY, QVCHAT_BINARY, "test", nullptr, envp.data());
            }
            _exit(127);
        }
    }
    ~UnreadTerminal() {
        if (program > 0 && !status) {
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
        }
        close(keyboard);
    }
    UnreadTerminal(const UnreadTerminal&) = delete;
    UnreadTerminal& operator=(const UnreadTerminal&) = delete;

    pid_t process() const { return program; }
    // Reads what the program wrote until `done` holds for all of it or `deadline` passes; the
    // terminal takes output again meanwhile.
    std::string read_until(const std::function<bool(const std::string&)>& done,
                           std::chrono::milliseconds deadline) const {
        std::string output;
        std::array<char, 4096> chunk{};
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (!done(output) && std::chrono::steady_clock::now() < end) {
            pollfd readable{keyboard, POLLIN, 0};
            if (poll(&readable, 1, 50) == 1) {
                const ssize_t got = read(keyboard, chunk.data(), chunk.size());
                if (got <= 0) {
                    break;
                }
                output.append(chunk.data(), static_cast<std::size_t>(got));
            }
        }
        return output;
    }
    bool type(const std::string& keys) const {
        return write(keyboard, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    }
    // The exit status, once the program ended within `deadline`.
    std::optional<int> exit_status(std::chrono::milliseconds deadline) {
        int raw = 0;
        if (qvtest::wait_until([&] { return waitpid(program, &raw, WNOHANG) == program; },
                               deadline)) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        }
        return status;
    }

private:
    int keyboard = -1;
    pid_t program = -1;
    std::optional<int> status;
};

// Whether the process has ended (its parent may not have collected it yet).
bool has_ended(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string pid;
    std::string name;
    std::string state;
    return !(stat >> pid >> name >> state) || state == "Z";
}

// A cut-off can land between a link's opening and closing sequences: after the CAN that ends a
// sequence cut short, the terminal gets the link's close before the picture is painted again.
TEST(TerminalSafety, OutputCutOffClosesALinkBeforeThePictureComesBack) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    const UnreadTerminal unread(run);
    ASSERT_TRUE(run.server.wait_for_client());
    ASSERT_TRUE(run.server.send_text(3, "Welcome, see https://example.com/welcome"));
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
    ASSERT_TRUE(flood_until_painting_blocks(run, unread.process())) << "painting never blocked";
    // A key waits for the screen for a second, then cuts the stuck write off.
    ASSERT_TRUE(unread.type("x"));
    ASSERT_TRUE(qvtest::wait_until(
        [&] { return !is_blocked_writing_to_the_terminal(unread.process()); }, PATIENCE));

    constexpr char CANCEL = 0x18;
    const std::string close_link = "\x1b]8;;\x1b\\";
    const std::string output = unread.read_until(
        [&](const std::string& got) {
            const std::size_t cancel = got.find(CANCEL);
            return cancel != std::string::npos && got.size() > cancel + close_link.size();
        },
        PATIENCE);
    const std::size_t cancel = output.find(CANCEL);
    ASSERT_NE(cancel, std::string::npos) << "no CAN after the cut-off";
    EXPECT_EQ(output.substr(cancel + 1, close_link.size()), close_link);
}

// With painting blocked in a write that the terminal never takes, SIGTERM, SIGHUP and "#exit"
// each end the program within two seconds, with status 0, every line received logged and the
// input history saved; the shell's modes come back unless the terminal hung up.
TEST(TerminalSafety, StalledTerminalNeverKeepsTheProgramFromEnding) {
    const std::chrono::milliseconds limit{QVCHAT_SANITIZED ? 10000 : 2000};
    struct Case {
        const char* name;
        int signal;  // 0: "#exit" typed
    };
    for (const Case& leave : {Case{"SIGTERM", SIGTERM}, Case{"SIGHUP", SIGHUP}, Case{"#exit", 0}}) {
        SCOPED_TRACE(leave.name);
        qvtest::QvchatRun run(QVCHAT_BINARY);
        std::optional<UnreadTerminal> unread;
        std::optional<StoppedTerminal> stopped;
        pid_t program = 0;
        if (leave.signal == 0) {
            unread.emplace(run);
            program = unread->process();
            ASSERT_TRUE(run.server.wait_for_client());
            ASSERT_TRUE(run.server.send_text(3, "Welcome"));
            ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_LOGIN, 1));
            ASSERT_TRUE(unread->type("remember me\r"));
        } else {
            std::string failure;
            ASSERT_TRUE(run.start_logged_in(failure)) << failure;
            program = run.program_id();
            run.enter("remember me");
        }
        ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));
        if (leave.signal != 0) {
            stopped.emplace(run.terminal());
        }
        ASSERT_TRUE(flood_until_painting_blocks(run, program)) << "painting never blocked";
        for (int line = 1; line <= 100; ++line) {
            ASSERT_TRUE(run.server.send_text(0, "Ann: late " + std::to_string(line)));
        }
        ASSERT_TRUE(run.server.send_frame(qvnetworklib::IN_PING_REQUEST, {1, 2, 3, 4}));
        // Answered after every line before it was handled.
        ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_PING_RESPONSE, 1, PATIENCE));

        if (leave.signal == 0) {
            ASSERT_TRUE(unread->type("#exit\r"));
            EXPECT_EQ(unread->exit_status(limit), std::optional<int>(0));
        } else {
            ASSERT_EQ(kill(program, leave.signal), 0);
            EXPECT_TRUE(qvtest::wait_until([&] { return has_ended(program); }, limit));
            stopped->resume();
            // After SIGHUP the screen is not restored, so the shell's line may wrap anywhere.
            const auto shows_status = [&run] {
                std::string screen = run.screen_text();
                screen.erase(std::remove(screen.begin(), screen.end(), '\n'), screen.end());
                return screen.find("exit status 0") != std::string::npos;
            };
            EXPECT_TRUE(qvtest::wait_until(shows_status, PATIENCE)) << run.screen_text();
            if (leave.signal == SIGTERM) {
                EXPECT_TRUE(flow_control_is_on(run.terminal())) << "the shell's modes came back";
            }
        }
        EXPECT_EQ(logged_with_prefix(run, "Ann: late ").size(), 100U);
        const std::string history =
            qvtest::QvchatRun::read_file(run.data_folder() / "input_history.txt");
        EXPECT_NE(history.find("remember me"), std::string::npos) << history;
    }
}

}  // namespace
