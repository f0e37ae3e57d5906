// qvdemo: the demo game server that scripts/demo starts next to the client.
#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <csignal>
#include <exception>
#include <iostream>

#include "tools/demo_server.h"

namespace {

void print_event(const qvdemo::DemoEvent& event) {
    if (!qvdemo::is_routine(event)) {
        std::cerr << "qvdemo: " << qvdemo::describe(event) << std::endl;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto parsed = qvdemo::parse_options(argc, argv);
    if (!parsed.error.empty()) {
        std::cerr << "qvdemo: " << parsed.error << "\nTry qvdemo --help.\n";
        return 2;
    }
    if (parsed.show_help) {
        std::cout << qvdemo::options_help();
        return 0;
    }
    try {
        // Signals and the end of a --once session both end the wait below.
        boost::asio::io_context waiting;
        boost::asio::signal_set signals(waiting, SIGINT, SIGTERM, SIGHUP);
        signals.async_wait([&waiting](const boost::system::error_code&, int) { waiting.stop(); });

        qvdemo::DemoServer server(parsed.options, print_event, [&waiting] { waiting.stop(); });
        std::cout << "listening on " << server.host() << ":" << server.port() << std::endl;
        server.start();
        waiting.run();
        server.stop();
    } catch (const std::exception& error) {
        std::cerr << "qvdemo: cannot serve on " << parsed.options.host << ":" << parsed.options.port
                  << ": " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
