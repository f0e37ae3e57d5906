#include "tools/demo_server.h"

#include <boost/asio/post.hpp>
#include <utility>

#include "tools/demo_session.h"

namespace qvdemo {

namespace {

boost::asio::ip::tcp::endpoint resolve(boost::asio::io_context& io, const DemoOptions& options) {
    boost::asio::ip::tcp::resolver resolver(io);
    return *resolver.resolve(options.host, std::to_string(options.port)).begin();
}

}  // namespace

DemoServer::DemoServer(DemoOptions options_, EventSink events_, std::function<void()> on_finished_)
    : options(std::move(options_)),
      events(std::move(events_)),
      on_finished(std::move(on_finished_)),
      acceptor(io, resolve(io, options)) {
    bound_port = acceptor.local_endpoint().port();
}

DemoServer::~DemoServer() {
    stop();
}

void DemoServer::start() {
    accept_next();
    thread = std::thread([this] { io.run(); });
}

void DemoServer::stop() {
    if (!thread.joinable()) {
        return;
    }
    boost::asio::post(io, [this] {
        boost::system::error_code ignored;
        acceptor.close(ignored);
        // Stopping a session removes it from the map, so walk a copy.
        const auto running = sessions;
        for (const auto& entry : running) {
            entry.second->stop();
        }
        io.stop();
    });
    thread.join();
}

void DemoServer::accept_next() {
    acceptor.async_accept([this](const boost::system::error_code& error,
                                 boost::asio::ip::tcp::socket socket) {
        if (error) {
            // Closed by stop() or by --once; a failed accept (too many open files) is retried.
            if (acceptor.is_open()) {
                accept_next();
            }
            return;
        }
        if (sessions.size() >= MOST_CLIENTS) {
            boost::system::error_code ignored;
            socket.close(ignored);
            accept_next();
            return;
        }
        const unsigned number = ++clients_seen;
        auto session = std::make_shared<DemoSession>(std::move(socket), options, number, events,
                                                     [this, number] { session_finished(number); });
        sessions[number] = session;
        session->start();
        if (options.once) {
            boost::system::error_code ignored;
            acceptor.close(ignored);
            return;
        }
        accept_next();
    });
}

void DemoServer::session_finished(unsigned number) {
    sessions.erase(number);
    if (options.once && sessions.empty() && on_finished) {
        on_finished();
    }
}

}  // namespace qvdemo
