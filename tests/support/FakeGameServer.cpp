#include "tests/support/FakeGameServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace qvtest {

namespace {

constexpr int POLL_SLICE_MS = 20;

int open_loopback_listener(std::string& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("fake server: socket failed");
    }
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("fake server: cannot listen on loopback");
    }
    port = std::to_string(ntohs(address.sin_port));
    return fd;
}

bool wait_readable(int fd) {
    pollfd readable{fd, POLLIN, 0};
    return ::poll(&readable, 1, POLL_SLICE_MS) > 0;
}

}  // namespace

qvnetworklib::ByteVector frame_bytes(std::uint8_t type, const qvnetworklib::ByteVector& payload) {
    qvnetworklib::ByteVector frame;
    qvnetworklib::append_frame(qvnetworklib::SendPacket{type, payload}, frame);
    return frame;
}

qvnetworklib::ByteVector text_payload(std::uint8_t channel, const std::string& text) {
    qvnetworklib::ByteVector payload(text.size() + 2, 0);
    payload[0] = channel;
    std::copy(text.begin(), text.end(), payload.begin() + 2);
    return payload;
}

std::string unused_loopback_port() {
    std::string port;
    ::close(open_loopback_listener(port));
    return port;
}

FakeGameServer::FakeGameServer() : listener(open_loopback_listener(listening_port)) {
    server_thread = std::thread([this] { serve(); });
}

FakeGameServer::~FakeGameServer() {
    stopping = true;
    server_thread.join();
    close_client();
    ::close(listener);
}

std::string FakeGameServer::port() const {
    return listening_port;
}

qvnetworklib::ServerInfo FakeGameServer::server_info() const {
    return qvnetworklib::ServerInfo{"127.0.0.1", listening_port, "test"};
}

void FakeGameServer::serve() {
    while (!stopping) {
        if (!wait_readable(listener)) {
            continue;
        }
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        {
            const std::lock_guard<std::mutex> lock(client_mutex);
            if (client_socket >= 0) {
                ::close(client_socket);
            }
            client_socket = client;
            client_ever_connected = true;
            ++connections_accepted;
        }
        client_changed.notify_all();
        read_client(client);
    }
}

bool FakeGameServer::read_exactly(int client, unsigned char* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        if (stopping || reset_requested) {
            return false;
        }
        if (reading_paused || !wait_readable(client)) {
            if (reading_paused) {
                std::this_thread::sleep_for(std::chrono::milliseconds(POLL_SLICE_MS));
            }
            continue;
        }
        const ssize_t got = ::recv(client, into + done, size - done, 0);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

void FakeGameServer::read_client(int client) {
    for (;;) {
        unsigned char header[3];
        if (!read_exactly(client, header, sizeof header)) {
            break;
        }
        const std::size_t length = header[1] | (header[2] << 8U);
        ReceivedFrame frame{header[0], qvnetworklib::ByteVector(length == 0 ? 0 : length - 1)};
        if (!read_exactly(client, frame.payload.data(), frame.payload.size())) {
            break;
        }
        {
            const std::lock_guard<std::mutex> lock(frames_mutex);
            received.push_back(std::move(frame));
        }
        frames_changed.notify_all();
    }
    {
        const std::lock_guard<std::mutex> lock(client_mutex);
        if (reset_requested.exchange(false)) {
            const linger abort_on_close{1, 0};
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
        }
        if (client_socket == client) {
            ::close(client_socket);
            client_socket = -1;
        }
    }
    client_changed.notify_all();
}

bool FakeGameServer::wait_for_client(std::chrono::milliseconds deadline) {
    std::unique_lock<std::mutex> lock(client_mutex);
    return client_changed.wait_for(lock, deadline, [this] { return client_socket >= 0; });
}

bool FakeGameServer::wait_for_connections(std::size_t count, std::chrono::milliseconds deadline) {
    std::unique_lock<std::mutex> lock(client_mutex);
    return client_changed.wait_for(lock, deadline, [this, count] {
        return connections_accepted >= count && client_socket >= 0;
    });
}

bool FakeGameServer::wait_for_disconnect(std::chrono::milliseconds deadline) {
    std::unique_lock<std::mutex> lock(client_mutex);
    return client_changed.wait_for(lock, deadline, [this] { return client_socket < 0; });
}

bool FakeGameServer::send_raw(const qvnetworklib::ByteVector& bytes) {
    const std::lock_guard<std::mutex> lock(client_mutex);
    std::size_t sent = 0;
    while (client_socket >= 0 && sent < bytes.size()) {
        const ssize_t done =
            ::send(client_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(done);
    }
    return sent == bytes.size();
}

bool FakeGameServer::send_frame(std::uint8_t type, const qvnetworklib::ByteVector& payload) {
    return send_raw(frame_bytes(type, payload));
}

bool FakeGameServer::send_text(std::uint8_t channel, const std::string& text) {
    return send_frame(0, text_payload(channel, text));
}

void FakeGameServer::close_client() {
    const std::lock_guard<std::mutex> lock(client_mutex);
    if (client_socket >= 0) {
        // Shut down rather than close: the reading thread still holds the descriptor.
        ::shutdown(client_socket, SHUT_RDWR);
    }
}

void FakeGameServer::reset_client() {
    {
        const std::lock_guard<std::mutex> lock(client_mutex);
        if (client_socket < 0) {
            return;
        }
        // The reading thread owns the descriptor; it closes it with the reset on its next look.
        reset_requested = true;
    }
    wait_for_disconnect();
}

void FakeGameServer::pause_reading(bool paused) {
    reading_paused = paused;
}

std::vector<ReceivedFrame> FakeGameServer::frames() const {
    const std::lock_guard<std::mutex> lock(frames_mutex);
    return received;
}

std::size_t FakeGameServer::count_of_type(std::uint8_t type) const {
    const std::lock_guard<std::mutex> lock(frames_mutex);
    std::size_t count = 0;
    for (const ReceivedFrame& frame : received) {
        count += frame.type == type ? 1 : 0;
    }
    return count;
}

bool FakeGameServer::wait_for(
    const std::function<bool(const std::vector<ReceivedFrame>&)>& condition,
    std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(frames_mutex);
    return frames_changed.wait_for(lock, deadline, [&] { return condition(received); });
}

bool FakeGameServer::wait_for_count(std::uint8_t type, std::size_t count,
                                    std::chrono::milliseconds deadline) const {
    return wait_for(
        [type, count](const std::vector<ReceivedFrame>& frames) {
            std::size_t seen = 0;
            for (const ReceivedFrame& frame : frames) {
                seen += frame.type == type ? 1 : 0;
            }
            return seen >= count;
        },
        deadline);
}

}  // namespace qvtest
