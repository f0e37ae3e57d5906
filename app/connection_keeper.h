#pragma once

#include <boost/thread/thread.hpp>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "app/reconnect_backoff.h"
#include "network/ConnectionStatus.h"
#include "network/ServerInfo.h"

namespace qvnetworklib {
class Client;
}

namespace qvchat2gui {
class ChatGUI;
}

namespace qvchat2 {

class AfkState;
class Logger;
class LoginRefusal;

// What every connection is built from, and who hears of it.
struct ConnectionSetup {
    std::string username;
    std::string password;
    qvnetworklib::ServerInfo server;
    // The server's name in servers.lst, for the status line.
    std::string server_name;
    qvchat2gui::ChatGUI* front_end = nullptr;
    Logger* logger = nullptr;
    AfkState* afk = nullptr;
    LoginRefusal* refusal = nullptr;
    // Whether a connection that ended or could not be made is tried again.
    bool reconnect = true;
    // How long one second of the waits between attempts lasts (tests shorten it).
    std::chrono::milliseconds second{1000};
    // How long a connection must stay up after the login for the waits to start again from the
    // first (tests shorten it).
    std::chrono::milliseconds lasting_connection{LASTING_CONNECTION};
};

// Keeps the program connected: builds one Client per connection (a Client connects once), hands
// it to the front-end, and when the connection ends or cannot be made, waits (1, 2, 4, ... 60 s,
// from 1 s again only after a connection that lasted) and tries again with a new one. Its thread is
// started by start() and stopped and joined by stop(); it alone builds, stops and destroys clients
// after start().
class ConnectionKeeper {
public:
    explicit ConnectionKeeper(ConnectionSetup setup);
    ~ConnectionKeeper();

    ConnectionKeeper(const ConnectionKeeper&) = delete;
    ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

    // Opens the first connection on the calling thread (it throws from here when that cannot be
    // started), then starts keeping it. A server whose name cannot be found at start-up is a fault
    // of start-up: the key loop is told to end, and rethrow_failure() throws the resolver's error.
    void start();
    // Ends a wait at once, lets the lines just typed be written (at most 200 ms), closes the
    // connection and joins the thread. Harmless to call again.
    void stop();
    // After stop(): throws what ended the keeper's thread, if anything did.
    void rethrow_failure() const;
    // Whether a connection that ends is tried again, from now on (any thread). Switched off
    // during a wait, no attempt follows; switched on while no attempt waits, it tries again at
    // once, unless the login was refused.
    void set_reconnect(bool on);
    // Connects again at once (any thread): ends a wait, or closes the connection of the moment
    // and opens a new one; the waits start again from the first.
    void reconnect_now();

private:
    // What ended a wait between attempts.
    enum class Wake { stop, now, time_is_up, switched_off };

    void keep_connected();
    // Waits before attempt `attempt`, saying so: the attempt to make, or nothing once stop()
    // was asked.
    std::optional<unsigned> wait_for_next_attempt(unsigned attempt);
    void open_connection(bool reconnecting);
    void close_connection();
    void on_status(const qvnetworklib::ConnectionStatus& status, bool reconnecting);
    void on_login(const std::string& address, bool reconnecting);
    // False once stop() was asked. `lookup_error`: why the first connection's server name could
    // not be found, if that is how it ended.
    bool wait_for_end_of_connection(std::exception_ptr& lookup_error);
    // Whether the connection that just ended stayed up long enough after the login to count as
    // one that worked.
    bool connection_lasted() const;
    std::string take_ended_notice();
    bool take_retry_request();
    Wake wait_for_attempt(std::chrono::milliseconds delay);
    // Until stop() (Wake::stop) or a reason to try at once (Wake::now).
    Wake wait_for_stop_or_reconnect();
    Wake woken_by();
    bool should_try_again();
    bool may_try_again() const;
    void log_connection(const qvnetworklib::ConnectionStatus& status) const;
    void show(const std::string& notice) const;

    const ConnectionSetup setup;
    std::mt19937 random_engine;

    // The keeper's thread only, after start().
    std::unique_ptr<qvnetworklib::Client> client;
    std::unique_ptr<boost::thread> network_thread;

    // guards stop_requested, connection_over, first_lookup_error, reconnect, retry_now and
    // ended_notice
    std::mutex attempt_mutex;
    std::condition_variable attempt_changed;
    bool stop_requested = false;
    bool reconnect;
    bool retry_now = false;
    bool connection_over = false;
    std::exception_ptr first_lookup_error;
    // Why the last connection ended, said with what comes next.
    std::string ended_notice;

    std::thread keeper_thread;
    // Set by the keeper's thread as it ends; read after it was joined.
    std::exception_ptr failure;
};

}  // namespace qvchat2
