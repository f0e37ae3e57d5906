#include "app/connection_keeper.h"

#include <optional>
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
        const std::optional<unsigned> next = wait_for_next_attempt(lasted ? 1 : attempt + 1);
        if (!next) {
            return;
        }
        attempt = *next;
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
            const std::lock_guard<std::mutex> lock(attempt_mutex);
            ended_notice = "Could not connect to " + setup.server.server + ":" + setup.server.port +
                           ": " + text;
            connection_over = true;
        }
    }
}

std::optional<unsigned> ConnectionKeeper::wait_for_next_attempt(unsigned attempt) {
    // One line an attempt: why the last one ended, and what comes next.
    std::string ended = take_ended_notice();
    const auto with_reason = [&ended](const std::string& next) {
        return ended.empty() ? next : next + " " + ended;
    };
    setup.front_end->set_connection_state(qvchat2gui::ConnectionState::offline, setup.server_name);
    if (take_retry_request()) {
        show(with_reason("Reconnecting now (attempt 1)..."));
        return 1U;
    }
    for (;;) {
        Wake wake = Wake::stop;
        if (should_try_again()) {
            std::uniform_real_distribution<double> spread(-1.0, 1.0);
            const std::chrono::milliseconds delay = reconnect_delay(attempt, spread(random_engine));
            show(with_reason(reconnect_notice(delay, attempt)));
            wake = wait_for_attempt(delay * setup.second.count() / 1000);
            if (wake == Wake::time_is_up) {
                return attempt;
            }
        } else {
            if (!ended.empty() && !setup.front_end->should_exit()) {
                show(ended + " #reconnect connects again.");
            }
            wake = wait_for_stop_or_reconnect();
        }
        ended.clear();
        if (wake == Wake::stop) {
            return std::nullopt;
        }
        if (wake == Wake::now) {
            // Asked for, or switched on again: at once, and the waits start from the first.
            show("Reconnecting now (attempt 1)...");
            return 1U;
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
    client->set_login_callback([this, reconnecting] {
        on_login(setup.server.server + ":" + setup.server.port, reconnecting);
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
    const bool made = status.kind == qvnetworklib::ConnectionStatus::Kind::CONNECTED;
    const bool startup_fault =
        !reconnecting && status.kind == qvnetworklib::ConnectionStatus::Kind::LOOKUP_FAILED;
    log_connection(status);
    if (!made) {
        setup.front_end->set_connection_state(qvchat2gui::ConnectionState::offline,
                                              setup.server_name);
    } else if (reconnecting) {
        // Still "connecting" on the top bar: the session begins once the server has spoken.
        show("Connected to " + status.host + ":" + status.port + ", waiting for the server...");
    }
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        if (!made) {
            connection_over = true;
            // A fault of start-up is said on the console once the screen is closed; the others
            // with what comes next.
            ended_notice = startup_fault ? std::string() : connection_notice(status);
        }
        if (startup_fault) {
            first_lookup_error = status.lookup_error;
        }
    }
    attempt_changed.notify_all();
}

// On a message thread of the client, once the server has spoken and the login went out.
void ConnectionKeeper::on_login(const std::string& address, bool reconnecting) {
    setup.front_end->set_connection_state(qvchat2gui::ConnectionState::connected,
                                          setup.server_name);
    if (reconnecting) {
        show("Connected to " + address + " again.");
    }
}

bool ConnectionKeeper::wait_for_end_of_connection(std::exception_ptr& lookup_error) {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait(lock, [this] { return stop_requested || connection_over || retry_now; });
    lookup_error = first_lookup_error;
    return !stop_requested;
}

bool ConnectionKeeper::connection_lasted() const {
    const auto login_time = client ? client->login_time() : std::nullopt;
    return login_time && std::chrono::steady_clock::now() - *login_time >= setup.lasting_connection;
}

std::string ConnectionKeeper::take_ended_notice() {
    const std::lock_guard<std::mutex> lock(attempt_mutex);
    return std::exchange(ended_notice, std::string());
}

bool ConnectionKeeper::take_retry_request() {
    const std::lock_guard<std::mutex> lock(attempt_mutex);
    return std::exchange(retry_now, false);
}

ConnectionKeeper::Wake ConnectionKeeper::wait_for_attempt(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait_for(lock, delay,
                             [this] { return stop_requested || retry_now || !reconnect; });
    return woken_by();
}

void ConnectionKeeper::set_reconnect(bool on) {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        reconnect = on;
    }
    attempt_changed.notify_all();
}

void ConnectionKeeper::reconnect_now() {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        retry_now = true;
    }
    attempt_changed.notify_all();
}

ConnectionKeeper::Wake ConnectionKeeper::wait_for_stop_or_reconnect() {
    // Neither after a refused login nor on the way out does the switch bring a new attempt;
    // #reconnect does, as the user asks for it.
    const bool may_retry = may_try_again();
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait(lock, [this, may_retry] {
        return stop_requested || retry_now || (reconnect && may_retry);
    });
    const Wake wake = woken_by();
    return wake == Wake::stop ? wake : Wake::now;
}

// attempt_mutex held: what ended a wait, taking a request to try at once.
ConnectionKeeper::Wake ConnectionKeeper::woken_by() {
    if (stop_requested) {
        return Wake::stop;
    }
    if (std::exchange(retry_now, false)) {
        return Wake::now;
    }
    return reconnect ? Wake::time_is_up : Wake::switched_off;
}

// Not after the user asked to leave or the server refused the login, nor with the switch off.
bool ConnectionKeeper::should_try_again() {
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        if (!reconnect) {
            return false;
        }
    }
    return may_try_again();
}

bool ConnectionKeeper::may_try_again() const {
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
