#pragma once

#include <boost/thread/thread.hpp>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

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
};

// Keeps the program connected: builds one Client per connection (a Client connects once), hands
// it to the front-end, and when the connection ends or cannot be made, waits (1, 2, 4, ... 60 s)
// and tries again with a new one. Its thread is started by start() and stopped and joined by
// stop(); it alone builds, stops and destroys clients after start().
class ConnectionKeeper {
public:
    explicit ConnectionKeeper(ConnectionSetup setup);
    ~ConnectionKeeper();

    ConnectionKeeper(const ConnectionKeeper&) = delete;
    ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

    // Opens the first connection on the calling thread, so that a server whose address cannot be
    // found is a fault of start-up (it throws from here), then starts keeping it.
    void start();
    // Ends a wait at once, lets the lines just typed be written (at most 200 ms), closes the
    // connection and joins the thread. Harmless to call again.
    void stop();
    // After stop(): throws what ended the keeper's thread, if anything did.
    void rethrow_failure() const;

private:
    void keep_connected();
    void open_connection(bool reconnecting);
    void close_connection();
    void on_status(const qvnetworklib::ConnectionStatus& status, bool reconnecting);
    // Both false once stop() was asked.
    bool wait_for_end_of_connection(bool& was_connected);
    bool wait_unless_stopped(std::chrono::milliseconds delay);
    void wait_for_stop();
    bool should_try_again() const;
    void show(const std::string& notice) const;

    const ConnectionSetup setup;
    std::mt19937 random_engine;

    // The keeper's thread only, after start().
    std::unique_ptr<qvnetworklib::Client> client;
    std::unique_ptr<boost::thread> network_thread;

    std::mutex attempt_mutex;  // guards stop_requested, connection_over and connection_made
    std::condition_variable attempt_changed;
    bool stop_requested = false;
    bool connection_over = false;
    bool connection_made = false;

    std::thread keeper_thread;
    // Set by the keeper's thread as it ends; read after it was joined.
    std::exception_ptr failure;
};

}  // namespace qvchat2
