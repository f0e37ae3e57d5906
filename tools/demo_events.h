#pragma once

#include <functional>
#include <string>

namespace qvdemo {

// Something the demo server noticed about one of its clients; reported to its owner (the
// console of qvdemo, or a test).
struct DemoEvent {
    enum class Kind {
        CONNECTED,          // a client connected
        LOGIN_ACCEPTED,     // the login matched; `detail` is the user name
        LOGIN_REFUSED,      // wrong user name or password; `detail` is the user name
        HEARTBEAT,          // the client's keep-alive arrived
        PING_ANSWERED,      // the answer to the outstanding ping came back unchanged
        PING_WRONG_ANSWER,  // a ping answer that does not match the outstanding ping
        PING_MISSED,        // no answer within the ping timeout; the client is disconnected
        MESSAGE_IGNORED,    // a message the server has no use for; `detail` says which
        FLOOD_STARTED,      // the flood's first byte goes out; `detail` is the steady clock's
                            // seconds then (CLOCK_MONOTONIC, as a benchmark's own clock)
        PROTOCOL_ERROR,     // an unreadable frame (length field 0); the client is disconnected
        DISCONNECTED,       // the session ended
    };

    unsigned session = 0;  // 1 for the first client, 2 for the next, ...
    Kind kind = Kind::CONNECTED;
    std::string detail;
};

using EventSink = std::function<void(const DemoEvent&)>;

// One console line for the event, e.g. "client 1: login accepted for Wanderer".
std::string describe(const DemoEvent& event);

// Routine events that a console would drown in (heartbeats, answered pings).
bool is_routine(const DemoEvent& event);

}  // namespace qvdemo
