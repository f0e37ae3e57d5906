#include "app/connection_keeper.h"

#include <sstream>
#include <utility>

#include "app/connection_notices.h"
#include "app/fault_report.h"
#include "app/log.h"
#include "app/reconnect_backoff.h"
#include "chat/login_refusal.h"
#include "chat/registration.h"
#include "gui/common_gui.h"
#include "network/QVClient.h"

namespace qvchat2 {

namespace {

// How long the lines typed just before a connection is closed may take to be written; a server
// that does not read never holds up the end for longer.
constexpr std::chrono::milliseconds WRITE_GRACE{200};

// The status line's word for a change of the connection.
qvchat2gui::ConnectionState state_after(const qvnetworklib::ConnectionStatus& status) {
    return status.kind == qvnetworklib::ConnectionStatus::Kind::CONNECTED
               ? qvchat2gui::ConnectionState::connected
               : qvchat2gui::ConnectionState::offline;
}

}  // namespace

ConnectionKeeper::ConnectionKeeper(ConnectionSetup setup)
    : setup(std::move(setup)),
      random_engine(std::random_device{}()),
      reconnect(this->setup.reconnect) {}

ConnectionKeeper::~ConnectionKeeper() {
    stop();
}

void ConnectionKeeper::start() {
    try {
        open_connection(false);
    } catch (...) {
        close_connection();
        throw;
    }
    keeper_thread = std::thread([this] {
        try {
            keep_connected();
        } catch (...) {
            // Nothing may leave a thread: the program ends as for any other fault, once the
            // screen is closed.
            failure = std::current_exception();
            setup.front_end->exit_client();
        }
    });
}

void ConnectionKeeper::stop() {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        stop_requested = true;
    }
    attempt_changed.notify_all();
    if (keeper_thread.joinable()) {
        keeper_thread.join();
    }
    close_connection();
}

void ConnectionKeeper::rethrow_failure() const {
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void ConnectionKeeper::keep_connected() {
    // Attempts since a connection last lasted: a server that takes the login and drops it at
    // once (full, kicking, banning) must see the waits grow, not a login every second.
    unsigned attempt = 0;
    std::exception_ptr lookup_error;
    while (wait_for_end_of_connection(lookup_error)) {
        const bool lasted = connection_lasted();
        close_connection();
        if (lookup_error) {
            std::rethrow_exception(lookup_error);
        }
        // Switched on by the user after the connection ended: tried at once, and the waits
        // start again from the first.
        const bool switched_on = !should_try_again();
        if (switched_on && !wait_for_stop_or_reconnect()) {
            return;
        }
        attempt = lasted || switched_on ? 1 : attempt + 1;
        if (switched_on) {
            show("Reconnecting now (attempt 1)...");
        } else {
            std::uniform_real_distribution<double> spread(-1.0, 1.0);
            const std::chrono::milliseconds delay = reconnect_delay(attempt, spread(random_engine));
            show(reconnect_notice(delay, attempt));
            setup.front_end->set_connection_state(qvchat2gui::ConnectionState::offline,
                                                  setup.server_name);
            if (!wait_unless_stopped(delay * setup.second.count() / 1000)) {
                return;
            }
        }
        try {
            open_connection(true);
        } catch (...) {
            // A connection that cannot even be started (no thread to run it) is one more failed
            // attempt.
            close_connection();
            std::ostringstream reason;
            describe_current_exception(reason);
            std::string text = reason.str();
            if (!text.empty() && text.back() == '\n') {
                text.pop_back();
            }
            show("Could not connect to " + setup.server.server + ":" + setup.server.port + ": " +
                 text);
            const std::lock_guard<std::mutex> lock(attempt_mutex);
            connection_over = true;
        }
    }
}

void ConnectionKeeper::open_connection(bool reconnecting) {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        connection_over = false;
    }
    if (reconnecting) {
        // The new session starts from what the server will tell it.
        forget_session(setup.front_end);
    }
    client = std::make_unique<qvnetworklib::Client>(setup.username, setup.password, setup.server);
    client->set_status_callback([this, reconnecting](const qvnetworklib::ConnectionStatus& status) {
        on_status(status, reconnecting);
    });
    register_message_handlers(*client, setup.front_end, setup.logger, setup.afk, setup.refusal);
    setup.front_end->set_connection_state(qvchat2gui::ConnectionState::connecting,
                                          setup.server_name);
    setup.front_end->set_client(client.get());
    network_thread = client->start_threaded();
}

void ConnectionKeeper::close_connection() {
    if (!client) {
        return;
    }
    // Returns once no typed line uses the client any more.
    setup.front_end->set_client(nullptr);
    client->wait_for_writes(WRITE_GRACE);
    client->exit();
    if (network_thread) {
        // Joining the network thread also waits for every message handler still running.
        network_thread->join();
        network_thread.reset();
    }
    client.reset();
}

// On a message thread of the client.
void ConnectionKeeper::on_status(const qvnetworklib::ConnectionStatus& status, bool reconnecting) {
    setup.front_end->set_connection_state(state_after(status), setup.server_name);
    const bool made = status.kind == qvnetworklib::ConnectionStatus::Kind::CONNECTED;
    const bool startup_fault =
        !reconnecting && status.kind == qvnetworklib::ConnectionStatus::Kind::LOOKUP_FAILED;
    log_connection(status);
    if (made && reconnecting) {
        show("Connected to " + status.host + ":" + status.port + " again.");
    } else if (!startup_fault) {
        // A fault of start-up is said on the console once the screen is closed.
        const std::string notice = connection_notice(status);
        if (!notice.empty()) {
            show(notice);
        }
    }
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        if (!made) {
            connection_over = true;
        }
        if (startup_fault) {
            first_lookup_error = status.lookup_error;
        }
    }
    attempt_changed.notify_all();
}

bool ConnectionKeeper::wait_for_end_of_connection(std::exception_ptr& lookup_error) {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait(lock, [this] { return stop_requested || connection_over; });
    lookup_error = first_lookup_error;
    return !stop_requested;
}

bool ConnectionKeeper::connection_lasted() const {
    const auto login_time = client ? client->login_time() : std::nullopt;
    return login_time && std::chrono::steady_clock::now() - *login_time >= setup.lasting_connection;
}

bool ConnectionKeeper::wait_unless_stopped(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    return !attempt_changed.wait_for(lock, delay, [this] { return stop_requested; });
}

void ConnectionKeeper::set_reconnect(bool on) {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        reconnect = on;
    }
    attempt_changed.notify_all();
}

bool ConnectionKeeper::wait_for_stop_or_reconnect() {
    // Neither after a refused login nor on the way out does the switch bring a new attempt.
    const bool may_retry =
        !setup.front_end->should_exit() && (setup.refusal == nullptr || !setup.refusal->happened());
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait(lock,
                         [this, may_retry] { return stop_requested || (reconnect && may_retry); });
    return !stop_requested;
}

// Not after the user asked to leave or the server refused the login.
bool ConnectionKeeper::should_try_again() {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        if (!reconnect) {
            return false;
        }
    }
    return !setup.front_end->should_exit() &&
           (setup.refusal == nullptr || !setup.refusal->happened());
}

// The log tells where a session began and ended, between the lines it holds.
void ConnectionKeeper::log_connection(const qvnetworklib::ConnectionStatus& status) const {
    using Kind = qvnetworklib::ConnectionStatus::Kind;
    if (setup.logger == nullptr) {
        return;
    }
    if (status.kind == Kind::CONNECTED) {
        setup.logger->log(SERVER_MESSAGE, "Connected to " + status.host + ":" + status.port + ".");
    } else if (status.kind == Kind::CONNECTION_LOST || status.kind == Kind::PROTOCOL_ERROR) {
        setup.logger->log(SERVER_MESSAGE, connection_notice(status));
    }
}

void ConnectionKeeper::show(const std::string& notice) const {
    setup.front_end->add_client_line(qvchat2gui::server_line(notice));
}

}  // namespace qvchat2
