#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "network/Packet.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"
#include "tools/demo_server.h"

namespace qvtest {

// Options for a demo server in a test: any free port, no chatter, no pings unless asked.
qvdemo::DemoOptions test_options();

// The events a demo server reported, safe to read while it runs.
class EventLog {
public:
    void add(const qvdemo::DemoEvent& event);
    std::vector<qvdemo::DemoEvent> snapshot() const;
    std::size_t count(qvdemo::DemoEvent::Kind kind) const;
    bool wait_for(qvdemo::DemoEvent::Kind kind,
                  std::chrono::milliseconds deadline = DEFAULT_DEADLINE) const;

private:
    mutable std::mutex events_mutex;  // guards events
    std::vector<qvdemo::DemoEvent> events;
};

// A demo server running in the test process.
class RunningDemo {
public:
    explicit RunningDemo(qvdemo::DemoOptions options = test_options());

    qvnetworklib::ServerInfo server_info() const;
    unsigned short port() const { return server->port(); }
    EventLog& events() { return log; }
    bool finished() const;

private:
    EventLog log;
    mutable std::mutex finished_mutex;  // guards once_finished
    bool once_finished = false;
    std::unique_ptr<qvdemo::DemoServer> server;
};

// A real Client that records every message of the types the demo server sends.
class RecordingClient {
public:
    explicit RecordingClient(const qvnetworklib::ServerInfo& entry,
                             const std::string& username = "Wanderer",
                             const std::string& password = "demo");

    ClientHarness& harness() { return client_harness; }
    qvnetworklib::Client& client() { return client_harness.client(); }
    std::vector<ReceivedFrame> frames() const;
    // Waits until some received message satisfies `match`.
    bool wait_for(const std::function<bool(const ReceivedFrame&)>& match,
                  std::chrono::milliseconds deadline = DEFAULT_DEADLINE) const;
    // Waits for a raw-text message with exactly this channel code and text.
    bool wait_for_text(std::uint8_t code, const std::string& text,
                       std::chrono::milliseconds deadline = DEFAULT_DEADLINE) const;

private:
    // Declared before the harness: callbacks may still run while the harness stops the client.
    mutable std::mutex frames_mutex;  // guards received
    std::vector<ReceivedFrame> received;
    ClientHarness client_harness;
};

// The text of a raw-text payload (after the channel code and the skipped byte).
std::string text_of(const qvnetworklib::ByteVector& payload);

// A bare TCP client that sends and reads exactly what a test says, for what the real Client
// would never do (not answering pings, broken frames) and for byte-exact reading.
class RawClient {
public:
    explicit RawClient(unsigned short port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool send_bytes(const qvnetworklib::ByteVector& bytes);
    bool send_frame(std::uint8_t type, const qvnetworklib::ByteVector& payload);
    bool send_login(const std::string& username, const std::string& password);
    // One whole frame, or nothing when the deadline passes or the server closes first.
    std::optional<ReceivedFrame> read_frame(std::chrono::milliseconds deadline = DEFAULT_DEADLINE);
    // Everything until the server closes; nothing when it does not close before the deadline.
    std::optional<qvnetworklib::ByteVector> read_until_closed(
        std::chrono::milliseconds deadline = DEFAULT_DEADLINE);
    // True when nothing arrives within `window` (the server stays silent).
    bool nothing_arrives(std::chrono::milliseconds window);

private:
    // Reads exactly `size` bytes; false on timeout or close.
    bool read_exactly(unsigned char* into, std::size_t size,
                      std::chrono::steady_clock::time_point give_up);
    // One read of what is there; 0 on close, -1 on timeout.
    long read_some(unsigned char* into, std::size_t size,
                   std::chrono::steady_clock::time_point give_up);

    int fd = -1;
};

}  // namespace qvtest
