#include "fuzz/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace qvfuzz {

namespace {

constexpr std::size_t READ_CHUNK = 65536;

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
    pollfd waiting{listener, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(HANG_DEADLINE.count())) != 1) {
        return -1;
    }
    return ::accept(listener, nullptr, nullptr);
}

bool read_some(int fd, qvnetworklib::ByteVector& into, std::chrono::milliseconds deadline) {
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(deadline.count())) != 1) {
        return false;
    }
    std::array<unsigned char, READ_CHUNK> chunk{};
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got <= 0) {
        return false;
    }
    into.insert(into.end(), chunk.begin(), chunk.begin() + got);
    return true;
}

}  // namespace qvfuzz
