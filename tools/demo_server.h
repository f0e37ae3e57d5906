#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "tools/demo_events.h"
#include "tools/demo_options.h"

namespace qvdemo {

class DemoSession;

// The demo game server: listens on construction, serves its clients on one thread of its own
// from start() until stop() or destruction.
class DemoServer {
public:
    // Binds and listens; throws boost::system::system_error when the address cannot be used.
    // `events` and `on_finished` run on the server's thread.
    explicit DemoServer(DemoOptions options, EventSink events = {},
                        std::function<void()> on_finished = {});
    ~DemoServer();

    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // The port actually listened on (the chosen one when the options asked for port 0).
    unsigned short port() const { return bound_port; }
    std::string host() const { return options.host; }

    void start();
    // Closes every connection and joins the thread; harmless to call twice.
    void stop();

    // More clients than this at once are turned away.
    static constexpr std::size_t MOST_CLIENTS = 16;

private:
    void accept_next();
    void session_finished(unsigned number);

    const DemoOptions options;
    EventSink events;
    std::function<void()> on_finished;
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor acceptor;
    unsigned short bound_port = 0;
    unsigned clients_seen = 0;
    std::map<unsigned, std::shared_ptr<DemoSession>> sessions;  // only on the server's thread
    std::thread thread;
};

}  // namespace qvdemo
