#pragma once

#include <atomic>
#include <boost/asio/deadline_timer.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/function.hpp>
#include <boost/thread/thread.hpp>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "network/AddressLookup.h"
#include "network/ConnectionStatus.h"
#include "network/OrderedDispatcher.h"
#include "network/Packet.h"
#include "network/ServerInfo.h"
#include "network/handler_priority_queue.h"
#include "network/message_types.h"

namespace qvnetworklib {

// Priorities of the network thread's handlers: within one pass of the loop a larger number
// runs first.
constexpr int EXIT_PRIORITY = 9001;
constexpr int CONNECT_PRIORITY = 1001;
constexpr int HEARTBEAT_PRIORITY = 1000;
constexpr int WRITE_PRIORITY = 300;
constexpr int READ_PRIORITY = 150;

// Chooses the plain-stream front-end instead of the curses one at build time.
constexpr bool DEBUG = false;

// Most bytes of framed messages that may wait for the server to read them; past it
// send_packet() refuses, so that a server that stops reading cannot make the client grow.
constexpr std::size_t MAX_PENDING_WRITE_BYTES = std::size_t{1024} * 1024;

// Period of the keep-alive message; set once at program start (tests shorten it).
extern boost::posix_time::time_duration heartbeat_timeout;

class Client;

using PacketCallback = boost::function<void(Client*, const ByteVector&)>;

// Little-endian combining: b0 is the lowest byte.
std::uint16_t assemble(std::uint8_t b0, std::uint8_t b1);
std::uint32_t assemble(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);

// Answers a ping request with an exact copy of its payload.
void ping_response(Client* client, const ByteVector& data);

// The one connection to the game server. Everything that touches the socket runs on the
// network thread started by start_threaded(); other threads only post to it through
// send_packet() (and the message builders) and exit(). Each received message is handed to
// the callback registered for its type on a dispatch thread of its own; callbacks run one
// after the other in the order the messages arrived.
class Client {
public:
    Client(const std::string& username, const std::string& password, const ServerInfo& entry);
    // Asks the loop to stop, waits for it to end if it was started, and waits until no
    // dispatch thread is running.
    ~Client();

    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The first registration for a type wins. Only before start_threaded().
    void register_callback(std::uint8_t type, PacketCallback callback);

    // Told about connecting, failing to connect, losing the connection and protocol errors,
    // in order with the messages around them. Only before start_threaded().
    void set_status_callback(StatusCallback callback);
    // Told once the login was handed to the network thread, on the dispatch thread of the
    // message after which it went, before that thread's next message. Only before
    // start_threaded().
    void set_login_callback(boost::function<void()> callback);

    // Starts looking the server's name up and returns the network thread, which connects once
    // the addresses are known; a name that cannot be found is reported as LOOKUP_FAILED. Throws
    // only when a thread cannot be started. The caller joins the network thread after exit(); once
    // joined, no message handler is running any more. Neither exit() nor the destructor waits for
    // a lookup still in progress.
    std::unique_ptr<boost::thread> start_threaded();

    // Queues one message for the network thread and returns at once. Returns false, sending
    // nothing, when the payload is larger than a frame can carry or when its frame would take
    // the bytes still waiting to be written past MAX_PENDING_WRITE_BYTES. Once the loop has
    // stopped it returns true and sends nothing, like a write on a lost connection.
    bool send_packet(SendPacket packet);

    // Asks the network thread's loop to stop; harmless to call again or after it stopped.
    void exit();
    // Waits, at most `limit`, until every message handed to send_packet() so far has been
    // written, so that the lines typed just before the user leaves are not lost. Returns at once
    // when the connection is gone. Call before exit().
    void wait_for_writes(std::chrono::milliseconds limit) const;

    const std::string& get_username() const;

    // True from a successful connection until it is lost or the client stops.
    bool is_connected() const;
    // Framed bytes that send_packet() would still take now, before refusing.
    std::size_t write_room() const;
    // When the login was handed to the network thread; nothing before that.
    std::optional<std::chrono::steady_clock::time_point> login_time() const;

    // Message builders: each sends one message (see send_packet for the result).
    bool send_chat(const std::string& text);
    bool send_channel_chat(unsigned int channel, const std::string& text);
    bool send_pm(const std::string& recipient, const std::string& text);
    bool send_gm(const std::string& text);
    bool send_server_command(const std::string& command, const std::string& args);
    bool send_loc();

private:
    using EndpointIterator = boost::asio::ip::tcp::resolver::results_type::iterator;
    using HeartbeatTimer = boost::asio::deadline_timer;

    void start_lookup();
    void handle_lookup(const LookupResult& result);
    void start();
    void run_queued_handlers();
    void start_connect(EndpointIterator endpoint);
    void handle_connect(const boost::system::error_code& error,
                        const EndpointIterator& next_endpoint);
    void start_header_read();
    void handle_read_header(const boost::system::error_code& error,
                            const std::shared_ptr<Packet>& packet);
    void handle_read_body(const boost::system::error_code& error,
                          const std::shared_ptr<Packet>& packet);
    void continue_reading();
    void post_send(SendPacket packet);
    void do_send(const SendPacket& packet);
    void start_write();
    void handle_write(const boost::system::error_code& error);
    void do_exit();
    void heartbeat_response(const std::shared_ptr<HeartbeatTimer>& timer);
    void drop_connection(ConnectionStatus::Kind kind, const std::string& reason);
    void report(ConnectionStatus::Kind kind, const std::string& reason,
                const std::exception_ptr& lookup_error = nullptr);
    void process_data(std::uint8_t type, const ByteVector& data);
    void send_login();
    void mark_loop_finished();

    ServerInfo server_info;
    boost::asio::io_service io_service;
    // Keeps the loop alive while every completion waits in handler_queue; only do_exit ends it.
    boost::asio::executor_work_guard<boost::asio::io_service::executor_type> loop_work;
    handler_priority_queue handler_queue;
    boost::asio::ip::tcp::socket socket;
    std::map<std::uint8_t, PacketCallback> packet_callbacks;
    std::string username;
    std::string password;
    std::atomic<bool> logged_in{false};
    // login_time(), as a count of the steady clock; valid once login_sent is set.
    std::atomic<std::chrono::steady_clock::rep> login_ticks{0};
    std::atomic<bool> login_sent{false};

    StatusCallback status_callback;
    boost::function<void()> login_callback;
    std::atomic<bool> connected{false};
    // Set by exit(): a stop the owner asked for ends connecting and is not reported as a loss.
    std::atomic<bool> stop_requested{false};

    // Framed bytes handed to send_packet and not yet written or dropped.
    std::atomic<std::size_t> pending_write_bytes{0};
    // Network thread only: frames waiting for the write in flight, and that write's bytes.
    ByteVector queued_frames;
    ByteVector frames_in_flight;

    // Set by start_threaded(); exit() cancels it.
    std::unique_ptr<AddressLookup> lookup;

    std::mutex loop_state_mutex;  // guards loop_running
    std::condition_variable loop_finished;
    bool loop_running = false;

    OrderedDispatcher dispatcher;
};

}  // namespace qvnetworklib
