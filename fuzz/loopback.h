#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "network/Packet.h"
#include "network/ServerInfo.h"

namespace qvfuzz {

// How long the fuzz targets wait for the client before they call it a hang: long, because the
// machine may be loaded and the run niced.
constexpr std::chrono::milliseconds HANG_DEADLINE{30000};

// A listening TCP socket on 127.0.0.1 with an ephemeral port, for a real Client to connect to.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();

    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // An entry that points a Client here.
    qvnetworklib::ServerInfo server_info() const;
    // The next connection, or -1 when none came before the deadline.
    int accept_one() const;

private:
    int listener = -1;
    std::string port;
};

// Waits up to the deadline until `fd` is readable and reads what is there into `into`; false
// on end of stream, error or timeout.
bool read_some(int fd, qvnetworklib::ByteVector& into,
               std::chrono::milliseconds deadline = HANG_DEADLINE);

}  // namespace qvfuzz
