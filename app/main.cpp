#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/config.h"
#include "app/connection_keeper.h"
#include "app/display_options.h"
#include "app/fault_report.h"
#include "app/input_history_file.h"
#include "app/linux.h"
#include "app/live_settings.h"
#include "app/log.h"
#include "app/log_backlog.h"
#include "app/notify_command.h"
#include "app/setting_checks.h"
#include "app/signal_watcher.h"
#include "app/speech_setup.h"
#include "app/startup_warnings.h"
#include "chat/alias_commands.h"
#include "chat/filter_commands.h"
#include "chat/key_binding_commands.h"
#include "chat/log_commands.h"
#include "chat/login_refusal.h"
#include "chat/note_commands.h"
#include "chat/registration.h"
#include "chat/set_command.h"
#include "chat/spell_commands.h"
#include "chat/trigger_commands.h"
#include "gui/common_gui.h"
#include "gui/debug_gui.h"
#include "gui/pdcurses_gui.h"
#include "gui/reader/reader_gui.h"
#include "gui/spelling/spelling_state.h"
#include "gui/stderr_to_chat.h"
#include "gui/terminal_output.h"
#include "network/QVClient.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAULT = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_LOGIN_REFUSED = 3;

constexpr char SERVERS_FILE[] = "servers.lst";
// Lets tests run many reconnections in little time, or make a wait long enough to be sure that
// leaving ends it: how long one second of the waits between attempts lasts, in milliseconds.
constexpr char RECONNECT_SECOND_VARIABLE[] = "QVCHAT_RECONNECT_SECOND_MS";
constexpr long MAX_RECONNECT_SECOND_MS = 60000;
// Lets tests see the waits start again from the first without holding a connection for a minute:
// how long a connection must stay up after the login to count as one that worked.
constexpr char LASTING_CONNECTION_VARIABLE[] = "QVCHAT_LASTING_CONNECTION_MS";
constexpr long MAX_LASTING_CONNECTION_MS = 3600000;

// What main owns for the whole run, released in the fixed order: the AFK state, then the
// front-end, then the logger.
struct RunObjects {
    std::unique_ptr<qvchat2gui::ChatGUI> front_end;
    // Warnings written while the front-end holds the screen go to the chat window.
    std::unique_ptr<qvchat2gui::StderrToChat> errors_to_chat;
    std::unique_ptr<qvchat2::Logger> logger;
    std::unique_ptr<qvchat2::AfkState> afk_state;
    std::unique_ptr<qvchat2::SignalWatcher> signal_watcher;
    // Told by the front-end; goes after it.
    std::unique_ptr<qvchat2::NotifyCommand> notify_command;
    // Tells the front-end its notices from a thread of its own: goes before it.
    std::unique_ptr<qvchat2::Speech> speech;

    void release() {
        speech.reset();
        afk_state.reset();
        signal_watcher.reset();
        // Its worker writes failures to standard error, which is about to change hands.
        if (notify_command) {
            notify_command->stop();
        }
        errors_to_chat.reset();
        front_end.reset();  // leaves curses mode: the terminal is usable again
        notify_command.reset();
        logger.reset();
    }
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
// Nothing is written for a run that never reached the input line, so its saved lines stay. When
// saving was switched on while running, the lines saved before are kept ahead of this run's.
void save_history(const qvchat2::Settings& settings, const qvnetworklib::ServerInfo& server,
                  bool loaded_at_start, std::optional<std::vector<std::string>> entries) {
    std::optional<std::filesystem::path> path = input_history_path(settings, server);
    if (!path || !entries) {
        return;
    }
    if (!loaded_at_start) {
        std::vector<std::string> saved = qvchat2::load_history_for_run(path, std::cerr);
        entries->insert(entries->begin(), saved.begin(), saved.end());
    }
    std::string error;
    if (path && !qvchat2::save_input_history(*path, *entries, error)) {
        std::cerr << "Cannot save the input history to " << path->string() << ": " << error << '\n';
    }
}

// The keys bound in earlier runs, and #bind, in a front-end whose keys are its own.
void register_key_bindings(qvchat2gui::ChatGUI& front_end) {
    if (!front_end.keys().several_lines) {
        return;
    }
    std::optional<std::filesystem::path> file =
        qvchat2::get_config_file("", qvchat2::KEY_BINDINGS_FILE);
    qvchat2::load_key_bindings(front_end, file, std::cerr);
    qvchat2::register_key_binding_commands(&front_end, file);
}

// This server's logs that can be named, the chat log first.
std::vector<std::filesystem::path> log_files(const qvnetworklib::ServerInfo& server) {
    std::vector<std::filesystem::path> files;
    for (const char* name : {qvchat2::chat_log_name, qvchat2::server_log_name}) {
        if (auto path = qvchat2::get_config_file(server.config_dir, name)) {
            files.push_back(std::move(*path));
        }
    }
    return files;
}

// The last lines of the previous session, from the chat log, before anything of this one.
void show_earlier_session(qvchat2gui::ChatGUI* front_end, const qvchat2::Settings& settings,
                          const qvnetworklib::ServerInfo& server,
                          qvchat2::LoggingType logging_type) {
    const int count = get_property<int>(settings, "backlog", qvchat2::DEFAULT_BACKLOG);
    if (logging_type == qvchat2::LOG_NONE || count <= 0 ||
        count > static_cast<int>(qvchat2::MOST_BACKLOG_RECORDS)) {
        return;
    }
    if (auto chat_log = qvchat2::get_config_file(server.config_dir, qvchat2::chat_log_name)) {
        qvchat2::show_backlog(front_end, *chat_log, static_cast<std::size_t>(count));
    }
}

// The per-server file first: its settings win over those of qv.ini.
qvchat2::LiveSettings read_settings(const qvnetworklib::ServerInfo& server) {
    const std::vector<std::string> files{server.config_dir, "qv.ini"};
    qvchat2::SettingOrigins origins;
    qvchat2::Settings settings = qvchat2::read_checked_settings(files, std::cerr, &origins);
    return qvchat2::LiveSettings(std::move(settings), std::move(origins), files);
}

// What #set changes while running, beside the connection's own switch.
void apply_settings_while_running(qvchat2::LiveSettings& settings, RunObjects& run) {
    qvchat2gui::ChatGUI* front_end = run.front_end.get();
    for (const char* key :
         {"bell", "mouse", "timestamps", "scrollback", "notify", "pane", "fold_repeats"}) {
        settings.on_change(key, [front_end](const qvchat2::Settings& values) {
            front_end->change_display_settings(qvchat2::read_display_settings(values));
        });
    }
    qvchat2::NotifyCommand* notify_command = run.notify_command.get();
    settings.on_change("notify_command", [notify_command](const qvchat2::Settings& values) {
        notify_command->set_program(get_property(values, "notify_command", ""));
    });
    qvchat2::AfkState* afk = run.afk_state.get();
    settings.on_change("afk_message", [afk](const qvchat2::Settings& values) {
        afk->set_afk_message(get_property(values, "afk_message", qvchat2::DEFAULT_AFK_MESSAGE));
    });
    settings.on_change("afk_local", [afk](const qvchat2::Settings& values) {
        afk->set_responds_local(read_switch(values, "afk_local", false));
    });
    settings.on_change("auto_afk_time", [afk](const qvchat2::Settings& values) {
        afk->set_auto_afk_time(get_property<unsigned short>(values, "auto_afk_time",
                                                            qvchat2::DEFAULT_AUTO_AFK_MINUTES));
    });
}

// Names the client has seen, the user's own and the highlight words are never misspelt; `spell`
// changes the dictionary at once, and #spell teaches it words.
void start_spelling(qvchat2gui::SpellingState& spelling, qvchat2::LiveSettings& settings,
                    qvchat2gui::ChatGUI* front_end, const std::string& username,
                    const std::optional<std::filesystem::path>& learned_words) {
    spelling.set_accepted_words([front_end, username] {
        std::vector<std::string> words = front_end->completion_names();
        words.push_back(username);
        const std::vector<std::string> highlighted = qvchat2::highlight_words().list();
        words.insert(words.end(), highlighted.begin(), highlighted.end());
        return words;
    });
    settings.on_change_told("spell", [&spelling](const qvchat2::Settings& values) {
        return spelling.use(get_property(values, "spell", "0"));
    });
    qvchat2::register_spell_commands(front_end, spelling, learned_words);
    front_end->set_spelling(&spelling);
}

std::unique_ptr<qvchat2gui::ChatGUI> make_front_end(
    const qvchat2gui::DisplaySettings& display_settings, bool reader) {
    if (qvnetworklib::DEBUG) {
        return std::make_unique<qvchat2gui::DebugGUI>();
    }
    if (reader) {
        return std::make_unique<qvchat2gui::ReaderGUI>(display_settings);
    }
    return std::make_unique<qvchat2gui::PDCursesGUI>(display_settings);
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
std::vector<std::string> run_online(RunObjects& run, qvchat2::ConnectionSetup setup,
                                    qvchat2::LiveSettings& settings,
                                    const std::shared_ptr<qvchat2::SavedAliases>& aliases) {
    qvchat2gui::ChatGUI* front_end = run.front_end.get();
    // What $me stands for while no connection tells the name.
    const std::string configured_name = setup.username;
    qvchat2::register_chat_commands(front_end, run.afk_state.get());
    front_end->add_callback("loc", [front_end](const std::string&) {
        front_end->with_client([front_end](qvnetworklib::Client* client) {
            front_end->send_typed(
                client, 0, [](qvnetworklib::Client& connected) { return connected.send_loc(); });
        });
    });

    setup.front_end = front_end;
    setup.logger = run.logger.get();
    setup.afk = run.afk_state.get();
    qvchat2::ConnectionKeeper connection(std::move(setup));
    settings.on_change("reconnect", [&connection](const qvchat2::Settings& values) {
        connection.set_reconnect(read_switch(values, "reconnect", true));
    });
    front_end->add_callback("reconnect",
                            [&connection](const std::string&) { connection.reconnect_now(); });
    apply_settings_while_running(settings, run);
    qvchat2::register_set_command(front_end, settings);
    // Last, so that every command's name is known to be out of an alias's reach.
    qvchat2::register_alias_commands(front_end, aliases, [front_end, configured_name] {
        std::string name = configured_name;
        front_end->with_client([&name](const qvnetworklib::Client* client) {
            if (client != nullptr) {
                name = client->get_username();
            }
        });
        return name;
    });
    connection.start();
    front_end->take_control();

    // Once stopped, no message handler is running any more.
    connection.stop();
    connection.rethrow_failure();
    std::vector<std::string> history = front_end->input_history();
    run.release();
    return history;
}

// A time of the reconnection that a test may set, in milliseconds from `least` to `most`, in the
// environment `variable`; else `fallback`.
std::chrono::milliseconds time_set_by_test(const char* variable, std::chrono::milliseconds fallback,
                                           long least, long most) {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): read at start-up, before any other thread
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    const long milliseconds = std::strtol(value, &end, 10);
    if (end == value || *end != '\0' || milliseconds < least || milliseconds > most) {
        return fallback;
    }
    return std::chrono::milliseconds(milliseconds);
}

bool servers_file_readable() {
    std::error_code error;
    return std::filesystem::is_regular_file(SERVERS_FILE, error) &&
           std::ifstream(SERVERS_FILE).is_open();
}

void list_servers(const qvchat2::ServerTable& servers) {
    for (const auto& [name, server] : servers) {
        std::cout << name << ' ' << server.server << ' ' << server.port << '\n';
    }
}

void name_known_servers(const qvchat2::ServerTable& servers) {
    if (servers.empty()) {
        std::cerr << SERVERS_FILE << " lists no server\n";
        return;
    }
    std::string names;
    for (const auto& entry : servers) {
        names += (names.empty() ? "" : ", ") + entry.first;
    }
    std::cerr << "Known servers: " << names << '\n';
}

// The exit status for a command line that only asks for something to be printed, or none when
// the program is to run.
std::optional<int> answer_command_line(const qvchat2::CommandLine& command) {
    using Action = qvchat2::CommandLine::Action;
    switch (command.action) {
        case Action::help:
            qvchat2::print_usage(std::cout);
            return EXIT_OK;
        case Action::version:
            std::cout << "qvchat " << QVCHAT_VERSION << '\n';
            return EXIT_OK;
        case Action::usage_error:
            std::cerr << command.error << '\n';
            qvchat2::print_synopsis(std::cerr);
            return EXIT_USAGE;
        case Action::list:
        case Action::run:
            break;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    qvchat2::pre_init();
    const qvchat2::CommandLine command = qvchat2::parse_command_line(argc, argv);
    if (const auto status = answer_command_line(command)) {
        return *status;
    }
    qvchat2gui::hold_terminal_signals_for_key_loop();

    if (!servers_file_readable()) {
        std::cerr << "No " << SERVERS_FILE << " in " << std::filesystem::current_path().string()
                  << ": create one with a line 'name folder host port'.\n";
        return EXIT_USAGE;
    }
    // Warnings about the files read are held and shown, to be confirmed, before the screen opens.
    qvchat2::StartupWarnings warnings;
    const qvchat2::ServerTable servers = qvchat2::read_servers(SERVERS_FILE);
    if (command.action == qvchat2::CommandLine::Action::list) {
        warnings.show();
        list_servers(servers);
        return EXIT_OK;
    }
    const auto entry = servers.find(command.server_name);
    if (entry == servers.end()) {
        warnings.show();
        std::cerr << "Couldn't find the supplied server " << command.server_name << '\n';
        name_known_servers(servers);
        return EXIT_USAGE;
    }
    const std::string& server_name = entry->first;
    const qvnetworklib::ServerInfo server = entry->second;
    qvchat2::LiveSettings live_settings = read_settings(server);
    const qvchat2::Settings& settings = live_settings.values();
    const qvchat2::LoggingType logging_type =
        qvchat2::logging_type_from_settings(settings, std::cerr);
    const qvchat2gui::DisplaySettings display_settings = qvchat2::read_display_settings(settings);
    qvchat2::ConnectionSetup connection_setup;
    connection_setup.server = server;
    connection_setup.server_name = server_name;
    connection_setup.reconnect = read_switch(settings, "reconnect", true);
    connection_setup.second = time_set_by_test(RECONNECT_SECOND_VARIABLE, connection_setup.second,
                                               1, MAX_RECONNECT_SECOND_MS);
    connection_setup.lasting_connection =
        time_set_by_test(LASTING_CONNECTION_VARIABLE, connection_setup.lasting_connection, 0,
                         MAX_LASTING_CONNECTION_MS);
    auto history_path = input_history_path(settings, server);
    const bool history_loaded = history_path.has_value();
    const std::vector<std::string> saved_history =
        qvchat2::load_history_for_run(history_path, std::cerr);
    qvchat2::FilterFiles filter_files = qvchat2::filter_files(server.config_dir);
    qvchat2::load_filters(filter_files, std::cerr);
    std::optional<std::filesystem::path> notes_file = qvchat2::notes_file(server.config_dir);
    qvchat2::load_notes(notes_file, std::cerr);
    const std::shared_ptr<qvchat2::SavedAliases> aliases =
        qvchat2::load_aliases(server.config_dir, std::cerr);
    const std::optional<std::filesystem::path> trigger_file =
        qvchat2::load_triggers(qvchat2::triggers(), server.config_dir, std::cerr);
    // Outlives the front-end, which asks it from the key loop.
    qvchat2gui::SpellingState spelling;
    std::optional<std::filesystem::path> learned_words =
        qvchat2::learned_words_file(server.config_dir);
    qvchat2::load_learned_words(learned_words, spelling, std::cerr);
    if (const std::string problem = spelling.use(get_property(settings, "spell", "0"));
        !problem.empty()) {
        std::cerr << problem << '\n';
    }
    // Opened before the screen, so that a log that cannot be used is named among these warnings.
    auto logger = std::make_unique<qvchat2::Logger>(logging_type, server.config_dir, &std::cerr);
    warnings.show_before_the_screen();

    std::optional<std::vector<std::string>> history;

    RunObjects run;
    run.logger = std::move(logger);
    qvchat2::LoginRefusal login_refusal;
    connection_setup.refusal = &login_refusal;
    try {
        run.front_end = make_front_end(display_settings,
                                       command.reader || read_switch(settings, "reader", false));
        run.errors_to_chat = std::make_unique<qvchat2gui::StderrToChat>(*run.front_end);
        qvchat2gui::ChatGUI* front_end = run.front_end.get();
        run.signal_watcher =
            std::make_unique<qvchat2::SignalWatcher>([front_end](int signal_number) {
                if (signal_number == SIGHUP) {
                    qvchat2gui::note_terminal_hangup();
                }
                front_end->exit_client();
            });
        read_credentials(settings, *run.front_end, connection_setup.username,
                         connection_setup.password);
        run.afk_state = qvchat2::create_afk_state(settings, front_end);
        run.notify_command =
            std::make_unique<qvchat2::NotifyCommand>(get_property(settings, "notify_command", ""));
        front_end->set_notification_listener(
            [notify_command = run.notify_command.get()](const std::string& text) {
                notify_command->notify("qvchat", text);
            });
        if (!run.front_end->should_exit()) {
            run.front_end->set_input_history(saved_history);
            show_earlier_session(front_end, settings, server, logging_type);
            qvchat2::register_log_commands(front_end, log_files(server));
            qvchat2::register_filter_commands(front_end, filter_files);
            qvchat2::register_note_commands(front_end, notes_file);
            qvchat2::register_trigger_commands(front_end, qvchat2::triggers(), trigger_file);
            register_key_bindings(*front_end);
            run.speech = qvchat2::start_speech(front_end, live_settings, command.speech);
            start_spelling(spelling, live_settings, front_end, connection_setup.username,
                           learned_words);
            history = run_online(run, connection_setup, live_settings, aliases);
        }
    } catch (...) {
        // Everything is released first: the message must land on a restored terminal.
        run.release();
        qvchat2::describe_current_exception(std::cerr);
        my_pause();
        return EXIT_FAULT;
    }
    run.release();
    save_history(live_settings.values(), server, history_loaded && history_path.has_value(),
                 std::move(history));
    // Said only now that the screen is closed, so that it stays readable after the run.
    if (login_refusal.happened()) {
        std::cerr << "The server refused the login for " << connection_setup.username << ".\n";
        return EXIT_LOGIN_REFUSED;
    }
    return EXIT_OK;
}
