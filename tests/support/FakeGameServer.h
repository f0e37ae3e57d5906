#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network/Packet.h"
#include "network/ServerInfo.h"
#include "tests/support/wait_until.h"

namespace qvtest {

struct ReceivedFrame {
    std::uint8_t type = 0;
    qvnetworklib::ByteVector payload;
};

// The frame of one message as it travels on the wire.
qvnetworklib::ByteVector frame_bytes(std::uint8_t type, const qvnetworklib::ByteVector& payload);

// A payload of raw text: channel code, one skipped byte, the text.
qvnetworklib::ByteVector text_payload(std::uint8_t channel, const std::string& text);

// A loopback port on which nothing listens (connections to it are refused).
std::string unused_loopback_port();

// A game server for tests: listens on 127.0.0.1 on an ephemeral port, accepts one client at a
// time, records every frame the client sends and sends whatever the test scripts.
class FakeGameServer {
public:
    FakeGameServer();
    ~FakeGameServer();

    FakeGameServer(const FakeGameServer&) = delete;
    FakeGameServer& operator=(const FakeGameServer&) = delete;

    std::string port() const;
    // An entry that points a Client at this server.
    qvnetworklib::ServerInfo server_info() const;

    bool wait_for_client(std::chrono::milliseconds deadline = DEFAULT_DEADLINE);
    // True once `count` connections in all have been accepted (the current one among them).
    bool wait_for_connections(std::size_t count,
                              std::chrono::milliseconds deadline = DEFAULT_DEADLINE);
    // True once the current client has closed its end (or none was ever connected).
    bool wait_for_disconnect(std::chrono::milliseconds deadline = DEFAULT_DEADLINE);

    bool send_raw(const qvnetworklib::ByteVector& bytes);
    bool send_frame(std::uint8_t type, const qvnetworklib::ByteVector& payload);
    bool send_text(std::uint8_t channel, const std::string& text);
    // Closes the connection to the current client.
    void close_client();
    // Aborts the connection to the current client with a reset (SO_LINGER 0) instead of an
    // orderly close, so that the client's next read or write fails with "connection reset".
    void reset_client();
    // While paused the server reads nothing, so the client's writes back up.
    void pause_reading(bool paused);

    std::vector<ReceivedFrame> frames() const;
    std::size_t count_of_type(std::uint8_t type) const;
    bool wait_for(const std::function<bool(const std::vector<ReceivedFrame>&)>& condition,
                  std::chrono::milliseconds deadline = DEFAULT_DEADLINE) const;
    bool wait_for_count(std::uint8_t type, std::size_t count,
                        std::chrono::milliseconds deadline = DEFAULT_DEADLINE) const;

private:
    void serve();
    void read_client(int client);
    bool read_exactly(int client, unsigned char* into, std::size_t size);

    std::string listening_port;  // filled while `listener` is opened, so declared before it
    int listener = -1;
    std::atomic<bool> stopping{false};
    std::atomic<bool> reading_paused{false};
    std::atomic<bool> reset_requested{false};

    // Guards client_socket, client_ever_connected and connections_accepted.
    mutable std::mutex client_mutex;
    std::condition_variable client_changed;
    int client_socket = -1;
    bool client_ever_connected = false;
    std::size_t connections_accepted = 0;

    mutable std::mutex frames_mutex;  // guards received
    mutable std::condition_variable frames_changed;
    std::vector<ReceivedFrame> received;

    std::thread server_thread;
};

}  // namespace qvtest
