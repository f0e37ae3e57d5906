#pragma once

#include <boost/thread/thread.hpp>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "network/QVClient.h"
#include "tests/support/FakeGameServer.h"

namespace qvtest {

// Shortens the heartbeat period for one test and puts it back afterwards.
class ScopedHeartbeat {
public:
    explicit ScopedHeartbeat(boost::posix_time::time_duration period)
        : saved(qvnetworklib::heartbeat_timeout) {
        qvnetworklib::heartbeat_timeout = period;
    }
    ~ScopedHeartbeat() { qvnetworklib::heartbeat_timeout = saved; }

    ScopedHeartbeat(const ScopedHeartbeat&) = delete;
    ScopedHeartbeat& operator=(const ScopedHeartbeat&) = delete;

private:
    boost::posix_time::time_duration saved;
};

// A real Client against a FakeGameServer, with the connection reports it received.
class ClientHarness {
public:
    explicit ClientHarness(const qvnetworklib::ServerInfo& entry,
                           const std::string& username = "bob",
                           const std::string& password = "secret");
    ~ClientHarness();

    ClientHarness(const ClientHarness&) = delete;
    ClientHarness& operator=(const ClientHarness&) = delete;

    qvnetworklib::Client& client() { return *network_client; }
    void start();
    // exit() and join; true when the network thread ended before the deadline.
    bool stop(std::chrono::milliseconds deadline = DEFAULT_DEADLINE);

    // Sends chat messages of `payload_size` bytes until send_packet refuses one, at most
    // `most` of them; returns how many were accepted. Message i is filled with the letter
    // 'a' + i % 26, so that the server can tell them apart and check their order.
    std::size_t send_until_refused(std::size_t payload_size, std::size_t most);

    std::vector<qvnetworklib::ConnectionStatus> statuses();
    bool wait_for_status(qvnetworklib::ConnectionStatus::Kind kind,
                         std::chrono::milliseconds deadline = DEFAULT_DEADLINE);

private:
    std::unique_ptr<qvnetworklib::Client> network_client;
    std::unique_ptr<boost::thread> network_thread;
    std::mutex statuses_mutex;  // guards received_statuses
    std::vector<qvnetworklib::ConnectionStatus> received_statuses;
};

}  // namespace qvtest
