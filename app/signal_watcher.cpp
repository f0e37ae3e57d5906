#include "app/signal_watcher.h"

#include <csignal>

namespace qvchat2 {

SignalWatcher::SignalWatcher(std::function<void(int)> on_signal)
    : on_signal(std::move(on_signal)), signals(signal_loop, SIGINT, SIGTERM, SIGHUP) {
    wait_for_next();
    watcher_thread = boost::thread([this] { signal_loop.run(); });
}

SignalWatcher::~SignalWatcher() {
    signal_loop.stop();
    watcher_thread.join();
}

void SignalWatcher::wait_for_next() {
    signals.async_wait([this](const boost::system::error_code& error, int signal_number) {
        if (error) {
            return;
        }
        on_signal(signal_number);
        wait_for_next();
    });
}

}  // namespace qvchat2
