#include "app/connection_keeper.h"

#include <sstream>
#include <utility>

#include "app/connection_notices.h"
#include "app/fault_report.h"
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
    : setup(std::move(setup)), random_engine(std::random_device{}()) {}

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
    unsigned attempt = 0;  // attempts since a connection was last made
    bool was_connected = false;
    while (wait_for_end_of_connection(was_connected)) {
        close_connection();
        if (!should_try_again()) {
            wait_for_stop();
            return;
        }
        attempt = was_connected ? 1 : attempt + 1;
        std::uniform_real_distribution<double> spread(-1.0, 1.0);
        const std::chrono::milliseconds delay = reconnect_delay(attempt, spread(random_engine));
        show(reconnect_notice(delay, attempt));
        setup.front_end->set_connection_state(qvchat2gui::ConnectionState::offline,
                                              setup.server_name);
        if (!wait_unless_stopped(delay * setup.second.count() / 1000)) {
            return;
        }
        try {
            open_connection(true);
        } catch (...) {
            // A name that cannot be resolved now (the network is down) is one more failed attempt.
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
        connection_made = false;
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
    if (made && reconnecting) {
        show("Connected to " + status.host + ":" + status.port + " again.");
    } else {
        const std::string notice = connection_notice(status);
        if (!notice.empty()) {
            show(notice);
        }
    }
    {
        const std::lock_guard<std::mutex> lock(attempt_mutex);
        if (made) {
            connection_made = true;
        } else {
            connection_over = true;
        }
    }
    attempt_changed.notify_all();
}

bool ConnectionKeeper::wait_for_end_of_connection(bool& was_connected) {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait(lock, [this] { return stop_requested || connection_over; });
    was_connected = connection_made;
    return !stop_requested;
}

bool ConnectionKeeper::wait_unless_stopped(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    return !attempt_changed.wait_for(lock, delay, [this] { return stop_requested; });
}

void ConnectionKeeper::wait_for_stop() {
    std::unique_lock<std::mutex> lock(attempt_mutex);
    attempt_changed.wait(lock, [this] { return stop_requested; });
}

// Not after the user asked to leave or the server refused the login.
bool ConnectionKeeper::should_try_again() const {
    return setup.reconnect && !setup.front_end->should_exit() &&
           (setup.refusal == nullptr || !setup.refusal->happened());
}

void ConnectionKeeper::show(const std::string& notice) const {
    setup.front_end->add_chat_line(qvchat2gui::server_line(notice));
}

}  // namespace qvchat2
