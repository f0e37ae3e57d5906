#include "tests/tools/demo_harness.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "network/message_types.h"

namespace qvtest {

using qvnetworklib::ByteVector;

qvdemo::DemoOptions test_options() {
    qvdemo::DemoOptions options;
    options.port = 0;
    options.quiet = true;
    options.ping_interval = std::chrono::milliseconds(0);
    return options;
}

void EventLog::add(const qvdemo::DemoEvent& event) {
    const std::lock_guard<std::mutex> lock(events_mutex);
    events.push_back(event);
}

std::vector<qvdemo::DemoEvent> EventLog::snapshot() const {
    const std::lock_guard<std::mutex> lock(events_mutex);
    return events;
}

std::size_t EventLog::count(qvdemo::DemoEvent::Kind kind) const {
    const auto seen = snapshot();
    return static_cast<std::size_t>(std::count_if(
        seen.begin(), seen.end(), [kind](const auto& event) { return event.kind == kind; }));
}

bool EventLog::wait_for(qvdemo::DemoEvent::Kind kind, std::chrono::milliseconds deadline) const {
    return wait_until([&] { return count(kind) > 0; }, deadline);
}

RunningDemo::RunningDemo(qvdemo::DemoOptions options)
    : server(std::make_unique<qvdemo::DemoServer>(
          std::move(options), [this](const qvdemo::DemoEvent& event) { log.add(event); },
          [this] {
              const std::lock_guard<std::mutex> lock(finished_mutex);
              once_finished = true;
          })) {
    server->start();
}

qvnetworklib::ServerInfo RunningDemo::server_info() const {
    return {"127.0.0.1", std::to_string(server->port()), "test"};
}

bool RunningDemo::finished() const {
    const std::lock_guard<std::mutex> lock(finished_mutex);
    return once_finished;
}

RecordingClient::RecordingClient(const qvnetworklib::ServerInfo& entry, const std::string& username,
                                 const std::string& password)
    : client_harness(entry, username, password) {
    for (const std::uint8_t type :
         {qvnetworklib::IN_RAW_TEXT, qvnetworklib::IN_ADD_ACTOR, qvnetworklib::IN_UPDATE_CLOCK,
          qvnetworklib::IN_REMOVE_ACTOR, qvnetworklib::IN_ACTOR_DAMAGE, qvnetworklib::IN_ACTOR_HEAL,
          qvnetworklib::IN_ADD_ENHANCED_ACTOR, qvnetworklib::IN_ASSIGN_CHANNELS,
          qvnetworklib::IN_BAD_LOGIN}) {
        client_harness.client().register_callback(
            type, [this, type](qvnetworklib::Client*, const ByteVector& payload) {
                const std::lock_guard<std::mutex> lock(frames_mutex);
                received.push_back(ReceivedFrame{type, payload});
            });
    }
}

std::vector<ReceivedFrame> RecordingClient::frames() const {
    const std::lock_guard<std::mutex> lock(frames_mutex);
    return received;
}

bool RecordingClient::wait_for(const std::function<bool(const ReceivedFrame&)>& match,
                               std::chrono::milliseconds deadline) const {
    return wait_until(
        [&] {
            const auto seen = frames();
            return std::any_of(seen.begin(), seen.end(), match);
        },
        deadline);
}

bool RecordingClient::wait_for_text(std::uint8_t code, const std::string& text,
                                    std::chrono::milliseconds deadline) const {
    return wait_for(
        [&](const ReceivedFrame& frame) {
            return frame.type == qvnetworklib::IN_RAW_TEXT && !frame.payload.empty() &&
                   frame.payload[0] == code && text_of(frame.payload) == text;
        },
        deadline);
}

std::string text_of(const ByteVector& payload) {
    return payload.size() < 2 ? std::string() : std::string(payload.begin() + 2, payload.end());
}

RawClient::RawClient(unsigned short port) : fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("raw client: cannot connect to the demo server");
    }
}

RawClient::~RawClient() {
    ::close(fd);
}

bool RawClient::send_bytes(const ByteVector& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const auto result = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

bool RawClient::send_frame(std::uint8_t type, const ByteVector& payload) {
    return send_bytes(frame_bytes(type, payload));
}

bool RawClient::send_login(const std::string& username, const std::string& password) {
    const std::string login = username + " " + password;
    ByteVector payload(login.begin(), login.end());
    payload.push_back(0);
    return send_frame(qvnetworklib::OUT_LOGIN, payload);
}

long RawClient::read_some(unsigned char* into, std::size_t size,
                          std::chrono::steady_clock::time_point give_up) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        give_up - std::chrono::steady_clock::now());
    pollfd readable{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
        return -1;
    }
    const auto result = ::recv(fd, into, size, 0);
    return result < 0 ? 0 : static_cast<long>(result);
}

bool RawClient::read_exactly(unsigned char* into, std::size_t size,
                             std::chrono::steady_clock::time_point give_up) {
    std::size_t done = 0;
    while (done < size) {
        const long result = read_some(into + done, size - done, give_up);
        if (result <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(result);
    }
    return true;
}

std::optional<ReceivedFrame> RawClient::read_frame(std::chrono::milliseconds deadline) {
    const auto give_up = std::chrono::steady_clock::now() + deadline;
    unsigned char header[qvnetworklib::HEADER_SIZE];
    if (!read_exactly(header, sizeof header, give_up)) {
        return std::nullopt;
    }
    const std::size_t length = header[1] + 256U * header[2];
    ReceivedFrame frame{header[0], ByteVector(length == 0 ? 0 : length - 1)};
    if (!read_exactly(frame.payload.data(), frame.payload.size(), give_up)) {
        return std::nullopt;
    }
    return frame;
}

std::optional<ByteVector> RawClient::read_until_closed(std::chrono::milliseconds deadline) {
    const auto give_up = std::chrono::steady_clock::now() + deadline;
    ByteVector bytes;
    unsigned char chunk[4096];
    for (;;) {
        const long result = read_some(chunk, sizeof chunk, give_up);
        if (result < 0) {
            return std::nullopt;
        }
        if (result == 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), chunk, chunk + result);
    }
}

bool RawClient::nothing_arrives(std::chrono::milliseconds window) {
    unsigned char byte = 0;
    return read_some(&byte, 1, std::chrono::steady_clock::now() + window) < 0;
}

}  // namespace qvtest
