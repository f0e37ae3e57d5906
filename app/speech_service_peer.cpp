#include "app/speech_service_peer.h"

#include <fcntl.h>
#include <libspeechd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace qvchat2 {

namespace {

struct AddressRelease {
    void operator()(SPDConnectionAddress* address) const { SPDConnectionAddress__free(address); }
};

struct ErrorRelease {
    void operator()(char* error) const { std::free(error); }
};

// The port of a network peer, the path of a local one: what the two sides agree on whatever
// name the host was given by.
struct PeerAddress {
    std::string unix_path;
    int inet_port = 0;
};

std::optional<PeerAddress> peer_of(int socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return std::nullopt;
    }
    PeerAddress peer;
    if (address.ss_family == AF_UNIX) {
        const auto* local = reinterpret_cast<const sockaddr_un*>(&address);
        const std::size_t path_offset = offsetof(sockaddr_un, sun_path);
        const std::size_t most = length > path_offset ? length - path_offset : 0;
        peer.unix_path.assign(local->sun_path, ::strnlen(local->sun_path, most));
    } else if (address.ss_family == AF_INET) {
        peer.inet_port = ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    } else if (address.ss_family == AF_INET6) {
        peer.inet_port = ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    return peer;
}

}  // namespace

SpeechServicePeer::SpeechServicePeer(std::string unix_path, int inet_port)
    : unix_path(std::move(unix_path)), inet_port(inet_port) {}

std::optional<SpeechServicePeer> SpeechServicePeer::of_default_address() {
    char* error_text = nullptr;
    const std::unique_ptr<SPDConnectionAddress, AddressRelease> address(
        spd_get_default_address(&error_text));
    const std::unique_ptr<char, ErrorRelease> error(error_text);
    if (!address) {
        return std::nullopt;
    }
    if (address->method == SPD_METHOD_UNIX_SOCKET && address->unix_socket_name != nullptr &&
        address->unix_socket_name[0] != '\0') {
        return SpeechServicePeer(address->unix_socket_name, 0);
    }
    if (address->method == SPD_METHOD_INET_SOCKET && address->inet_socket_port > 0) {
        return SpeechServicePeer("", address->inet_socket_port);
    }
    return std::nullopt;
}

void SpeechServicePeer::shut_down_connections() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string name = entry.path().filename().string();
        int file = -1;
        const auto [end, parse_error] =
            std::from_chars(name.data(), name.data() + name.size(), file);
        if (parse_error != std::errc() || end != name.data() + name.size()) {
            continue;
        }
        const int duplicate = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
        if (duplicate < 0) {
            continue;
        }
        const std::optional<PeerAddress> peer = peer_of(duplicate);
        if (peer &&
            (unix_path.empty() ? peer->inet_port == inet_port : peer->unix_path == unix_path)) {
            ::shutdown(duplicate, SHUT_RDWR);
        }
        ::close(duplicate);
    }
}

}  // namespace qvchat2
