#include <boost/thread/thread.hpp>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/config.h"
#include "app/connection_notices.h"
#include "app/display_options.h"
#include "app/fault_report.h"
#include "app/input_history_file.h"
#include "app/linux.h"
#include "app/log.h"
#include "app/signal_watcher.h"
#include "chat/afk.h"
#include "chat/login_refusal.h"
#include "chat/registration.h"
#include "gui/common_gui.h"
#include "gui/debug_gui.h"
#include "gui/pdcurses_gui.h"
#include "gui/stderr_to_chat.h"
#include "network/QVClient.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAULT = 1;
constexpr int EXIT_UNKNOWN_SERVER = 2;
constexpr int EXIT_LOGIN_REFUSED = 3;
// How long the lines typed just before leaving may take to be written; a server that does not
// read never holds up the end for longer.
constexpr std::chrono::milliseconds EXIT_WRITE_GRACE{200};

// What main owns for the whole run, released in the fixed order: the AFK state, then the
// front-end, then the logger.
struct RunObjects {
    std::unique_ptr<qvchat2gui::ChatGUI> front_end;
    // Warnings written while the front-end holds the screen go to the chat window.
    std::unique_ptr<qvchat2gui::StderrToChat> errors_to_chat;
    std::unique_ptr<qvchat2::Logger> logger;
    std::unique_ptr<qvchat2::AfkState> afk_state;
    std::unique_ptr<qvchat2::SignalWatcher> signal_watcher;

    void release() {
        afk_state.reset();
        signal_watcher.reset();
        errors_to_chat.reset();
        front_end.reset();  // leaves curses mode: the terminal is usable again
        logger.reset();
    }
};

// Makes sure the network thread has stopped and been joined before the client goes away,
// whichever way the online phase ends.
class NetworkThreadStopper {
public:
    explicit NetworkThreadStopper(qvnetworklib::Client& client) : client(client) {}
    ~NetworkThreadStopper() { stop(); }

    NetworkThreadStopper(const NetworkThreadStopper&) = delete;
    NetworkThreadStopper& operator=(const NetworkThreadStopper&) = delete;

    void start() { network_thread = client.start_threaded(); }
    void stop() {
        client.wait_for_writes(EXIT_WRITE_GRACE);
        client.exit();
        if (network_thread) {
            network_thread->join();
            network_thread.reset();
        }
    }

private:
    qvnetworklib::Client& client;
    std::unique_ptr<boost::thread> network_thread;
};

// Where the lines typed are kept between runs; none when the user switched that off or the
// data folder cannot be found.
std::optional<std::filesystem::path> input_history_path(const qvchat2::Settings& settings,
                                                        const qvnetworklib::ServerInfo& server) {
    if (get_property(settings, "save_history", "1") == "0") {
        return std::nullopt;
    }
    return qvchat2::get_config_file(server.config_dir, qvchat2::INPUT_HISTORY_FILE);
}

// Said after the screen is closed: a history that cannot be saved never stops the program.
// Nothing is written for a run that never reached the input line, so its saved lines stay.
void save_history(const std::optional<std::filesystem::path>& path,
                  const std::optional<std::vector<std::string>>& entries) {
    std::string error;
    if (path && entries && !qvchat2::save_input_history(*path, *entries, error)) {
        std::cerr << "Cannot save the input history to " << path->string() << ": " << error << '\n';
    }
}

qvchat2::Settings read_settings(const qvnetworklib::ServerInfo& server) {
    qvchat2::Settings settings = qvchat2::read_ini(server.config_dir);
    for (const auto& entry : qvchat2::read_ini("qv.ini")) {
        settings.insert(entry);
    }
    return settings;
}

std::unique_ptr<qvchat2gui::ChatGUI> make_front_end(
    const qvchat2gui::DisplaySettings& display_settings) {
    if (qvnetworklib::DEBUG) {
        return std::make_unique<qvchat2gui::DebugGUI>();
    }
    return std::make_unique<qvchat2gui::PDCursesGUI>(display_settings);
}

// The status line's word for a change of the connection.
qvchat2gui::ConnectionState state_after(const qvnetworklib::ConnectionStatus& status) {
    return status.kind == qvnetworklib::ConnectionStatus::Kind::CONNECTED
               ? qvchat2gui::ConnectionState::connected
               : qvchat2gui::ConnectionState::offline;
}

void read_credentials(const qvchat2::Settings& settings, const qvchat2gui::ChatGUI& front_end,
                      std::string& username, std::string& password) {
    if (settings.count("username") == 0 || settings.count("password") == 0) {
        front_end.prompt_login(username, password);
        return;
    }
    username = settings.at("username");
    password = settings.at("password");
}

// Returns the lines the user entered, for saving.
std::vector<std::string> run_online(RunObjects& run, qvchat2::LoginRefusal& login_refusal,
                                    const std::string& server_name,
                                    const qvnetworklib::ServerInfo& server,
                                    const std::string& username, const std::string& password) {
    qvnetworklib::Client client(username, password, server);
    NetworkThreadStopper network(client);
    qvchat2gui::ChatGUI* front_end = run.front_end.get();

    front_end->set_client(&client);
    client.set_status_callback(
        [front_end, server_name](const qvnetworklib::ConnectionStatus& status) {
            front_end->set_connection_state(state_after(status), server_name);
            const std::string notice = qvchat2::connection_notice(status);
            if (!notice.empty()) {
                front_end->add_chat_line(qvchat2gui::server_line(notice));
            }
        });
    qvchat2::register_chat_handlers(client, front_end, run.logger.get(), run.afk_state.get(),
                                    &login_refusal);
    front_end->add_callback("loc", [front_end, &client](const std::string&) {
        front_end->send_typed(&client, 0,
                              [](qvnetworklib::Client& connected) { return connected.send_loc(); });
    });

    front_end->set_connection_state(qvchat2gui::ConnectionState::connecting, server_name);
    network.start();
    front_end->take_control();

    // Joining the network thread also waits for every message handler still running.
    network.stop();
    std::vector<std::string> history = front_end->input_history();
    run.release();
    return history;
}

}  // namespace

int main(int argc, char** argv) {
    qvchat2::pre_init();
    qvchat2gui::hold_terminal_signals_for_key_loop();

    const qvchat2::ServerTable servers = qvchat2::read_servers("servers.lst");
    const std::string server_name = argc > 1 ? argv[1] : "test";
    const auto entry = servers.find(server_name);
    if (entry == servers.end()) {
        std::cerr << "Couldn't find the supplied server " << server_name << '\n';
        return EXIT_UNKNOWN_SERVER;
    }
    const qvnetworklib::ServerInfo server = entry->second;
    const qvchat2::Settings settings = read_settings(server);
    // Read before the screen is taken over, so that a warning about the value stays readable.
    const qvchat2::LoggingType logging_type =
        qvchat2::logging_type_from_settings(settings, std::cerr);
    const qvchat2gui::DisplaySettings display_settings =
        qvchat2::read_display_settings(settings, std::cerr);

    const auto history_path = input_history_path(settings, server);
    std::optional<std::vector<std::string>> history;

    RunObjects run;
    qvchat2::LoginRefusal login_refusal;
    std::string username;
    std::string password;
    try {
        run.front_end = make_front_end(display_settings);
        run.errors_to_chat = std::make_unique<qvchat2gui::StderrToChat>(*run.front_end);
        qvchat2gui::ChatGUI* front_end = run.front_end.get();
        run.signal_watcher =
            std::make_unique<qvchat2::SignalWatcher>([front_end] { front_end->exit_client(); });
        read_credentials(settings, *run.front_end, username, password);
        run.logger = std::make_unique<qvchat2::Logger>(logging_type, server.config_dir);
        run.afk_state = qvchat2::create_afk_state(settings, front_end);
        if (!run.front_end->should_exit()) {
            if (history_path) {
                run.front_end->set_input_history(qvchat2::load_input_history(*history_path));
            }
            history = run_online(run, login_refusal, server_name, server, username, password);
        }
    } catch (...) {
        // Everything is released first: the message must land on a restored terminal.
        run.release();
        qvchat2::describe_current_exception(std::cerr);
        my_pause();
        return EXIT_FAULT;
    }
    run.release();
    save_history(history_path, history);
    // Said only now that the screen is closed, so that it stays readable after the run.
    if (login_refusal.happened()) {
        std::cerr << "The server refused the login for " << username << ".\n";
        return EXIT_LOGIN_REFUSED;
    }
    return EXIT_OK;
}
