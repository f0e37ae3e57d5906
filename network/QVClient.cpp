#include "network/QVClient.h"

#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/placeholders.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/bind/bind.hpp>
#include <thread>
#include <utility>

#include "network/exceptions.h"

namespace qvnetworklib {

// NOLINTNEXTLINE(cert-err58-cpp): building a duration of seconds does not throw
boost::posix_time::time_duration heartbeat_timeout = boost::posix_time::seconds(20);

namespace {

// A write buffer that grew larger than this during a stall is given back once it is written.
constexpr std::size_t KEPT_WRITE_BUFFER_BYTES = std::size_t{64} * 1024;

void release_if_large(ByteVector& empty_buffer) {
    if (empty_buffer.empty() && empty_buffer.capacity() > KEPT_WRITE_BUFFER_BYTES) {
        ByteVector().swap(empty_buffer);
    }
}

}  // namespace

std::uint16_t assemble(std::uint8_t b0, std::uint8_t b1) {
    return static_cast<std::uint16_t>(b0 | (b1 << 8U));
}

std::uint32_t assemble(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return static_cast<std::uint32_t>(b0) | (static_cast<std::uint32_t>(b1) << 8U) |
           (static_cast<std::uint32_t>(b2) << 16U) | (static_cast<std::uint32_t>(b3) << 24U);
}

Client::Client(const std::string& username, const std::string& password, const ServerInfo& entry)
    : server_info(entry),
      loop_work(boost::asio::make_work_guard(io_service)),
      socket(io_service),
      username(username),
      password(password) {
    if (server_info.server.empty() || server_info.port.empty()) {
        throw NetworkError("Both a server and a port must be supplied.");
    }
    register_callback(IN_PING_REQUEST, ping_response);
}

Client::~Client() {
    // Also cancels a lookup still in progress, before the io_service it would post to goes.
    exit();
    {
        std::unique_lock<std::mutex> lock(loop_state_mutex);
        loop_finished.wait(lock, [this] { return !loop_running; });
    }
    dispatcher.wait_until_idle();
}

void Client::register_callback(std::uint8_t type, PacketCallback callback) {
    packet_callbacks.emplace(type, std::move(callback));
}

void Client::set_status_callback(StatusCallback callback) {
    status_callback = std::move(callback);
}

void Client::set_login_callback(boost::function<void()> callback) {
    login_callback = std::move(callback);
}

std::unique_ptr<boost::thread> Client::start_threaded() {
    start_lookup();
    {
        const std::lock_guard<std::mutex> lock(loop_state_mutex);
        loop_running = true;
    }
    try {
        return std::make_unique<boost::thread>([this] { start(); });
    } catch (...) {
        mark_loop_finished();
        throw;
    }
}

bool Client::send_packet(SendPacket packet) {
    if (packet.data.size() > MAX_PAYLOAD_SIZE) {
        return false;
    }
    if (io_service.stopped()) {
        // Nothing would ever write it; posting would only hold its memory.
        return true;
    }
    const std::size_t frame_size = HEADER_SIZE + packet.data.size();
    std::size_t pending = pending_write_bytes.load();
    do {
        if (pending + frame_size > MAX_PENDING_WRITE_BYTES) {
            return false;
        }
    } while (!pending_write_bytes.compare_exchange_weak(pending, pending + frame_size));
    post_send(std::move(packet));
    return true;
}

void Client::post_send(SendPacket packet) {
    // Posted through the io_service itself: only that path runs the invocation hook.
    io_service.post(
        handler_queue.wrap(WRITE_PRIORITY, boost::bind(&Client::do_send, this, std::move(packet))));
}

void Client::exit() {
    stop_requested = true;
    if (lookup) {
        lookup->cancel();
    }
    io_service.post(handler_queue.wrap(EXIT_PRIORITY, boost::bind(&Client::do_exit, this)));
}

void Client::wait_for_writes(std::chrono::milliseconds limit) const {
    // A short poll: leaving is rare, and the write side has nothing to signal with.
    constexpr std::chrono::milliseconds poll_interval{2};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pending_write_bytes.load() > 0 && connected && !io_service.stopped() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(poll_interval);
    }
}

const std::string& Client::get_username() const {
    return username;
}

bool Client::is_connected() const {
    return connected;
}

std::size_t Client::write_room() const {
    return MAX_PENDING_WRITE_BYTES - std::min(pending_write_bytes.load(), MAX_PENDING_WRITE_BYTES);
}

std::optional<std::chrono::steady_clock::time_point> Client::login_time() const {
    if (!login_sent) {
        return std::nullopt;
    }
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(login_ticks));
}

void Client::start_lookup() {
    lookup = std::make_unique<AddressLookup>(
        server_info.server, server_info.port, [this](LookupResult result) {
            io_service.post(handler_queue.wrap(
                CONNECT_PRIORITY, [this, found = std::move(result)]() { handle_lookup(found); }));
        });
}

void Client::handle_lookup(const LookupResult& result) {
    if (stop_requested) {
        return;
    }
    if (result.error) {
        report(ConnectionStatus::Kind::LOOKUP_FAILED, result.reason, result.error);
        return;
    }
    auto timer = std::make_shared<HeartbeatTimer>(io_service, heartbeat_timeout);
    timer->async_wait(handler_queue.wrap(HEARTBEAT_PRIORITY,
                                         boost::bind(&Client::heartbeat_response, this, timer)));

    start_connect(result.endpoints.begin());
}

void Client::start_connect(EndpointIterator endpoint) {
    const boost::asio::ip::tcp::endpoint target = *endpoint;
    ++endpoint;
    socket.async_connect(
        target, handler_queue.wrap(CONNECT_PRIORITY,
                                   boost::bind(&Client::handle_connect, this,
                                               boost::asio::placeholders::error, endpoint)));
}

void Client::start() {
    while (io_service.run_one() != 0) {
        while (io_service.poll_one() != 0) {
        }
        run_queued_handlers();
    }
    // Whoever joins this thread may release what the message handlers use.
    dispatcher.wait_until_idle();
    mark_loop_finished();
}

void Client::run_queued_handlers() {
    for (;;) {
        try {
            handler_queue.execute_all();
            return;
        } catch (...) {
            // A failed handler is already off the queue; the rest of this pass still runs.
        }
    }
}

void Client::mark_loop_finished() {
    const std::lock_guard<std::mutex> lock(loop_state_mutex);
    loop_running = false;
    loop_finished.notify_all();
}

void Client::handle_connect(const boost::system::error_code& error,
                            const EndpointIterator& next_endpoint) {
    if (stop_requested) {
        return;
    }
    if (!error) {
        connected = true;
        report(ConnectionStatus::Kind::CONNECTED, "");
        start_header_read();
        return;
    }
    boost::system::error_code ignored;
    socket.close(ignored);
    if (next_endpoint != EndpointIterator()) {
        start_connect(next_endpoint);
        return;
    }
    report(ConnectionStatus::Kind::CONNECT_FAILED, error.message());
}

void Client::start_header_read() {
    auto packet = std::make_shared<Packet>();
    boost::asio::async_read(
        socket, boost::asio::buffer(packet->header),
        handler_queue.wrap(READ_PRIORITY, boost::bind(&Client::handle_read_header, this,
                                                      boost::asio::placeholders::error, packet)));
}

void Client::handle_read_header(const boost::system::error_code& error,
                                const std::shared_ptr<Packet>& packet) {
    if (error) {
        drop_connection(ConnectionStatus::Kind::CONNECTION_LOST, error.message());
        return;
    }
    const std::optional<std::size_t> payload_size = announced_payload_size(packet->header);
    if (!payload_size) {
        drop_connection(ConnectionStatus::Kind::PROTOCOL_ERROR, "length field 0");
        return;
    }
    packet->data.resize(*payload_size);
    boost::asio::async_read(
        socket, boost::asio::buffer(packet->data),
        handler_queue.wrap(READ_PRIORITY, boost::bind(&Client::handle_read_body, this,
                                                      boost::asio::placeholders::error, packet)));
}

void Client::handle_read_body(const boost::system::error_code& error,
                              const std::shared_ptr<Packet>& packet) {
    if (error && !packet->data.empty()) {
        drop_connection(ConnectionStatus::Kind::CONNECTION_LOST, error.message());
        return;
    }
    const std::uint8_t type = packet->header[0];
    dispatcher.dispatch(
        [this, type, data = std::move(packet->data)]() { process_data(type, data); });
    if (error) {
        // An empty message was still delivered, but the stream behind it is gone.
        drop_connection(ConnectionStatus::Kind::CONNECTION_LOST, error.message());
        return;
    }
    continue_reading();
}

void Client::continue_reading() {
    const bool has_room = dispatcher.has_room_or_notify([this] {
        io_service.post(
            handler_queue.wrap(READ_PRIORITY, boost::bind(&Client::start_header_read, this)));
    });
    if (has_room) {
        start_header_read();
    }
}

void Client::process_data(std::uint8_t type, const ByteVector& data) {
    const auto callback = packet_callbacks.find(type);
    if (callback != packet_callbacks.end()) {
        try {
            callback->second(this, data);
        } catch (...) {
            // A handler that fails on one message must not cost the login or later messages.
        }
    }
    if (!logged_in.exchange(true)) {
        send_login();
        if (login_callback && !stop_requested) {
            login_callback();
        }
    }
}

void Client::send_login() {
    SendPacket login{OUT_LOGIN, {}};
    login.data.reserve(username.size() + password.size() + 2);
    login.data.insert(login.data.end(), username.begin(), username.end());
    login.data.push_back(' ');
    login.data.insert(login.data.end(), password.begin(), password.end());
    login.data.push_back('\0');
    // Never refused: lines typed before the server spoke must not cost the login.
    pending_write_bytes += HEADER_SIZE + login.data.size();
    post_send(std::move(login));
    login_ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    login_sent = true;
}

void Client::do_send(const SendPacket& packet) {
    append_frame(packet, queued_frames);
    if (frames_in_flight.empty()) {
        start_write();
    }
}

void Client::start_write() {
    // Everything queued goes out as one write; the frames stay whole and in order, and reading
    // goes on while a peer that does not read keeps the write waiting.
    frames_in_flight.swap(queued_frames);
    boost::asio::async_write(
        socket, boost::asio::buffer(frames_in_flight),
        handler_queue.wrap(WRITE_PRIORITY, boost::bind(&Client::handle_write, this,
                                                       boost::asio::placeholders::error)));
}

void Client::handle_write(const boost::system::error_code& error) {
    std::size_t finished = frames_in_flight.size();
    if (error) {
        // Not connected yet, or reset by the peer: what waits is dropped too. The read side
        // notices a lost connection and reports it.
        finished += queued_frames.size();
        queued_frames.clear();
    }
    pending_write_bytes -= finished;
    frames_in_flight.clear();
    release_if_large(frames_in_flight);
    release_if_large(queued_frames);
    if (!queued_frames.empty()) {
        start_write();
    }
}

void Client::do_exit() {
    connected = false;
    io_service.stop();
}

void Client::drop_connection(ConnectionStatus::Kind kind, const std::string& reason) {
    if (!stop_requested) {
        report(kind, reason);
    }
    // The server must see the connection end too, not only the user.
    boost::system::error_code ignored;
    socket.shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    do_exit();
}

void Client::report(ConnectionStatus::Kind kind, const std::string& reason,
                    const std::exception_ptr& lookup_error) {
    if (kind != ConnectionStatus::Kind::CONNECTED) {
        connected = false;
    }
    if (!status_callback) {
        return;
    }
    ConnectionStatus status{kind, server_info.server, server_info.port, reason, lookup_error};
    // Through the dispatcher, so the owner hears of it after every message received before.
    dispatcher.dispatch([this, status = std::move(status)]() { status_callback(status); });
}

void Client::heartbeat_response(const std::shared_ptr<HeartbeatTimer>& timer) {
    boost::system::error_code ignored;
    timer->expires_from_now(heartbeat_timeout, ignored);
    // Refused while the write backlog is full: a server that does not read needs no keep-alive.
    send_packet(SendPacket{OUT_HEARTBEAT, {}});
    timer->async_wait(handler_queue.wrap(HEARTBEAT_PRIORITY,
                                         boost::bind(&Client::heartbeat_response, this, timer)));
}

}  // namespace qvnetworklib
