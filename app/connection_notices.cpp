#include "app/connection_notices.h"

namespace qvchat2 {

std::string connection_notice(const qvnetworklib::ConnectionStatus& status) {
    using Kind = qvnetworklib::ConnectionStatus::Kind;
    switch (status.kind) {
        case Kind::LOOKUP_FAILED:
        case Kind::CONNECT_FAILED:
            return "Could not connect to " + status.host + ":" + status.port + ": " + status.reason;
        case Kind::CONNECTION_LOST:
            return "Connection to the server was lost.";
        case Kind::PROTOCOL_ERROR:
            return "The server sent a malformed message; disconnected.";
        case Kind::CONNECTED:
            break;
    }
    return std::string();
}

}  // namespace qvchat2
