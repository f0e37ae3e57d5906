#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/thread/thread.hpp>
#include <functional>

namespace qvchat2 {

// Turns Ctrl-C, SIGTERM and SIGHUP into a request to leave, made on a thread of its own, so the
// program can shut down in order (terminal restored, logs complete) instead of dying where it
// stands. The dispositions return to their defaults when the watcher goes away. `on_signal` is
// given the signal's number: after SIGHUP the terminal is gone.
class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void(int)> on_signal);
    ~SignalWatcher();

    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void wait_for_next();

    std::function<void(int)> on_signal;
    boost::asio::io_context signal_loop;
    boost::asio::signal_set signals;
    boost::thread watcher_thread;
};

}  // namespace qvchat2
