// Runs the curses front-end for the screen tests. Besides the built-in commands it offers:
//   #say TEXT        shows TEXT, with \xNN escapes decoded (for colour and control bytes)
//   #lines N         shows the lines "line 1" to "line N"
//   #burst T N       T threads show N lines each at once ("tT line K")
//   #clock M         sets the clock to M minutes
//   #channels A B..  sets the channel list
//   #pid             shows "pid N", the process id (for sending SIGUSR1)
//   #pm N TEXT       shows TEXT (escapes decoded) N times as a private message to the user
//   #mention TEXT    shows TEXT (escapes decoded) as a line that names the user
//   #status S NAME   sets the connection state S (connecting, connected, offline) of server NAME
//   #away 0|1        sets the away state
//   #active N        marks channel N active (takes effect with the next #channels)
//   #onsignal LINE   keeps LINE for the next SIGUSR1, which then runs the kept lines as typed
//                    lines instead of showing its own line (text that comes without a key)
// Options --timestamps, --mouse and --no-bell set the display settings of those names.
// With --login it first asks for the login and shows what it read (control bytes as \xNN, a
// field longer than 40 bytes by its first 6 bytes and its size); with --no-session it
// builds the front-end and destroys it without taking control. SIGUSR1 shows one more line
// ("signal line K") and sets the clock to K minutes, SIGUSR2 sets the exit flag, both from a
// thread of its own, as the network's threads would. After the front-end is gone it prints
// "screen app done" to standard output.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/common_gui.h"
#include "gui/pdcurses_gui.h"
#include "gui/ui_exception.h"

namespace {

using qvchat2gui::PDCursesGUI;

std::string decode_escapes(const std::string& text) {
    std::string decoded;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text.compare(index, 2, "\\x") == 0 && index + 3 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[index + 2])) != 0 &&
            std::isxdigit(static_cast<unsigned char>(text[index + 3])) != 0) {
            decoded += static_cast<char>(std::stoi(text.substr(index + 2, 2), nullptr, 16));
            index += 3;
        } else {
            decoded += text[index];
        }
    }
    return decoded;
}

// A login field as the tests can read it: control bytes as \xNN, a long field by its first
// bytes and its size.
std::string shown_field(const std::string& field) {
    constexpr std::size_t LONGEST_SHOWN = 40;
    constexpr std::size_t START_SHOWN = 6;
    if (field.size() > LONGEST_SHOWN) {
        return shown_field(field.substr(0, START_SHOWN)) + "... " + std::to_string(field.size()) +
               " bytes";
    }
    std::string shown;
    for (const char byte : field) {
        if (static_cast<unsigned char>(byte) < ' ') {
            static const char digits[] = "0123456789ABCDEF";
            shown += std::string("\\x") + digits[(byte >> 4) & 0xF] + digits[byte & 0xF];
        } else {
            shown += byte;
        }
    }
    return shown;
}

std::vector<unsigned int> numbers(const std::string& text) {
    std::istringstream stream(text);
    std::vector<unsigned int> values;
    for (unsigned long value = 0; stream >> value;) {
        values.push_back(static_cast<unsigned int>(value));
    }
    return values;
}

// Lines kept by #onsignal, run by the signal thread.
std::mutex kept_lines_mutex;  // guards kept_lines
std::vector<std::string> kept_lines;

void add_commands(PDCursesGUI& gui) {
    gui.add_callback("onsignal", [](const std::string& line) {
        const std::lock_guard<std::mutex> lock(kept_lines_mutex);
        kept_lines.push_back(line);
    });
    gui.add_callback("say",
                     [&gui](const std::string& text) { gui.add_chat_line(decode_escapes(text)); });
    gui.add_callback("lines", [&gui](const std::string& text) {
        const auto count = numbers(text);
        for (unsigned int line = 1; !count.empty() && line <= count[0]; ++line) {
            gui.add_chat_line("line " + std::to_string(line));
        }
    });
    gui.add_callback("burst", [&gui](const std::string& text) {
        const auto counts = numbers(text);
        if (counts.size() < 2) {
            return;
        }
        std::vector<std::thread> writers;
        for (unsigned int writer = 1; writer <= counts[0]; ++writer) {
            writers.emplace_back([&gui, writer, lines = counts[1]] {
                for (unsigned int line = 1; line <= lines; ++line) {
                    gui.add_chat_line("t" + std::to_string(writer) + " line " +
                                      std::to_string(line));
                }
            });
        }
        for (auto& writer : writers) {
            writer.join();
        }
    });
    gui.add_callback("clock", [&gui](const std::string& text) {
        const auto minutes = numbers(text);
        gui.update_clock(static_cast<unsigned short>(minutes.empty() ? 0 : minutes[0]));
    });
    gui.add_callback("pid", [&gui](const std::string& /*text*/) {
        gui.add_chat_line("pid " + std::to_string(getpid()));
    });
    gui.add_callback("channels",
                     [&gui](const std::string& text) { gui.set_channel_list(numbers(text)); });
    gui.add_callback("pm", [&gui](const std::string& text) {
        const std::string::size_type space = text.find(' ');
        const auto count = numbers(text.substr(0, space));
        const std::string line =
            decode_escapes(space == std::string::npos ? "" : text.substr(space + 1));
        for (unsigned int shown = 0; !count.empty() && shown < count[0]; ++shown) {
            gui.add_highlighted_line(line, qvchat2gui::Attention::private_message);
        }
    });
    gui.add_callback("mention", [&gui](const std::string& text) {
        gui.add_highlighted_line(decode_escapes(text), qvchat2gui::Attention::for_user);
    });
    gui.add_callback("status", [&gui](const std::string& text) {
        const std::string::size_type space = text.find(' ');
        const std::string state = text.substr(0, space);
        const std::string name = space == std::string::npos ? "" : text.substr(space + 1);
        using qvchat2gui::ConnectionState;
        gui.set_connection_state(state == "connecting"  ? ConnectionState::connecting
                                 : state == "connected" ? ConnectionState::connected
                                 : state == "offline"   ? ConnectionState::offline
                                                        : ConnectionState::unknown,
                                 name);
    });
    gui.add_callback("away", [&gui](const std::string& text) { gui.set_away(text == "1"); });
    gui.add_callback("active", [&gui](const std::string& text) {
        const auto channel = numbers(text);
        gui.set_active_channel(channel.empty() ? std::nullopt
                                               : std::optional<unsigned int>(channel[0]));
    });
}

qvchat2gui::DisplaySettings display_settings(const std::vector<std::string>& options) {
    const auto given = [&options](const char* option) {
        return std::find(options.begin(), options.end(), option) != options.end();
    };
    qvchat2gui::DisplaySettings settings;
    settings.timestamps = given("--timestamps");
    settings.mouse = given("--mouse");
    settings.bell = !given("--no-bell");
    return settings;
}

// Serves SIGUSR1 and SIGUSR2 until `stopping` is set and one more signal arrives.
void serve_signals(PDCursesGUI& gui, const std::atomic<bool>& stopping, sigset_t signals) {
    unsigned short count = 0;
    int signal_number = 0;
    while (sigwait(&signals, &signal_number) == 0 && !stopping.load()) {
        if (signal_number == SIGUSR2) {
            gui.exit_client();
            continue;
        }
        std::vector<std::string> lines;
        {
            const std::lock_guard<std::mutex> lock(kept_lines_mutex);
            lines.swap(kept_lines);
        }
        for (const std::string& line : lines) {
            gui.process_input(nullptr, line);
        }
        if (!lines.empty()) {
            continue;
        }
        ++count;
        gui.add_chat_line("signal line " + std::to_string(count));
        gui.update_clock(count);
    }
}

void run_session(PDCursesGUI& gui, bool ask_login, sigset_t signals) {
    if (ask_login) {
        std::string username;
        std::string password;
        gui.prompt_login(username, password);
        gui.add_chat_line("login name=[" + shown_field(username) + "] password=[" +
                          shown_field(password) + "]");
    }
    std::atomic<bool> stopping{false};
    std::thread signal_thread(serve_signals, std::ref(gui), std::cref(stopping), signals);
    gui.set_client(nullptr);
    gui.take_control();
    stopping.store(true);
    pthread_kill(signal_thread.native_handle(), SIGUSR1);
    signal_thread.join();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> options(argv + 1, argv + argc);
    const std::string mode = options.empty() ? "" : options.front();
    qvchat2gui::hold_terminal_signals_for_key_loop();
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        PDCursesGUI gui(display_settings(options));
        add_commands(gui);
        if (mode == "--no-session") {
            gui.add_chat_line("never shown");
            gui.update_clock(1);
            gui.set_channel_list({1});
        } else {
            run_session(gui, mode == "--login", signals);
        }
    } catch (const qvchat2gui::UIFaultException& fault) {
        std::cerr << fault.what() << std::endl;
        return EXIT_FAILURE;
    }
    std::cout << "screen app done" << std::endl;
    return EXIT_SUCCESS;
}
