#include "fuzz/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>

namespace qvfuzz {

namespace {

constexpr std::size_t READ_CHUNK = 65536;

// Waits up to the deadline until `fd` has one of `events`. libFuzzer's unit timer interrupts
// the fuzzing thread every half timeout, so an interrupted wait goes on for the time left.
bool wait_for(int fd, short events, std::chrono::milliseconds deadline) {
    const auto give_up = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            give_up - std::chrono::steady_clock::now());
        pollfd waiting{fd, events, 0};
        const int ready =
            ::poll(&waiting, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready == 1) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

LoopbackListener::LoopbackListener() : listener(::socket(AF_INET, SOCK_STREAM, 0)) {
    if (listener < 0) {
        throw std::runtime_error("cannot open a listening socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    if (::bind(listener, generic, length) != 0 || ::listen(listener, 1) != 0 ||
        ::getsockname(listener, generic, &length) != 0) {
        ::close(listener);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = std::to_string(ntohs(address.sin_port));
}

LoopbackListener::~LoopbackListener() {
    ::close(listener);
}

qvnetworklib::ServerInfo LoopbackListener::server_info() const {
    return qvnetworklib::ServerInfo{"127.0.0.1", port, ""};
}

int LoopbackListener::accept_one() const {
    if (!wait_for(listener, POLLIN, HANG_DEADLINE)) {
        return -1;
    }
    return ::accept(listener, nullptr, nullptr);
}

bool read_some(int fd, qvnetworklib::ByteVector& into, std::chrono::milliseconds deadline) {
    if (!wait_for(fd, POLLIN, deadline)) {
        return false;
    }
    std::array<unsigned char, READ_CHUNK> chunk{};
    ssize_t got = -1;
    do {
        got = ::read(fd, chunk.data(), chunk.size());
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        return false;
    }
    into.insert(into.end(), chunk.begin(), chunk.begin() + got);
    return true;
}

}  // namespace qvfuzz
