#pragma once

#include <boost/function.hpp>
#include <exception>
#include <string>

namespace qvnetworklib {

// What the Client tells its owner about the state of the connection.
struct ConnectionStatus {
    enum class Kind {
        LOOKUP_FAILED,    // the server's name could not be turned into an address
        CONNECTED,        // a connection attempt succeeded
        CONNECT_FAILED,   // every resolved address refused or failed; `reason` says why (last one)
        CONNECTION_LOST,  // the server closed the connection or a read failed
        PROTOCOL_ERROR,   // the server sent a frame that cannot be read; the connection was dropped
    };

    Kind kind = Kind::CONNECTED;
    std::string host;
    std::string port;
    std::string reason;
    // LOOKUP_FAILED only: the resolver's exception, or the integer 4 when it found no address.
    std::exception_ptr lookup_error;
};

using StatusCallback = boost::function<void(const ConnectionStatus&)>;

}  // namespace qvnetworklib
