#include "tests/support/ClientHarness.h"

#include <algorithm>

namespace qvtest {

ClientHarness::ClientHarness(const qvnetworklib::ServerInfo& entry, const std::string& username,
                             const std::string& password)
    : network_client(std::make_unique<qvnetworklib::Client>(username, password, entry)) {
    network_client->set_status_callback([this](const qvnetworklib::ConnectionStatus& status) {
        const std::lock_guard<std::mutex> lock(statuses_mutex);
        received_statuses.push_back(status);
    });
}

ClientHarness::~ClientHarness() {
    stop();
    network_client.reset();
}

void ClientHarness::start() {
    network_thread = network_client->start_threaded();
}

bool ClientHarness::stop(std::chrono::milliseconds deadline) {
    network_client->exit();
    if (!network_thread) {
        return true;
    }
    if (!network_thread->try_join_for(boost::chrono::milliseconds(deadline.count()))) {
        return false;
    }
    network_thread.reset();
    return true;
}

std::size_t ClientHarness::send_until_refused(std::size_t payload_size, std::size_t most) {
    for (std::size_t sent = 0; sent < most; ++sent) {
        const auto letter = static_cast<unsigned char>('a' + sent % 26);
        if (!network_client->send_packet(qvnetworklib::SendPacket{
                qvnetworklib::OUT_RAW_TEXT, qvnetworklib::ByteVector(payload_size, letter)})) {
            return sent;
        }
    }
    return most;
}

std::vector<qvnetworklib::ConnectionStatus> ClientHarness::statuses() {
    const std::lock_guard<std::mutex> lock(statuses_mutex);
    return received_statuses;
}

bool ClientHarness::wait_for_status(qvnetworklib::ConnectionStatus::Kind kind,
                                    std::chrono::milliseconds deadline) {
    return wait_until(
        [&] {
            const auto seen = statuses();
            return std::any_of(seen.begin(), seen.end(),
                               [kind](const auto& status) { return status.kind == kind; });
        },
        deadline);
}

}  // namespace qvtest
