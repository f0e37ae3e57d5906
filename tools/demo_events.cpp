#include "tools/demo_events.h"

namespace qvdemo {

namespace {

std::string what_happened(const DemoEvent& event) {
    switch (event.kind) {
        case DemoEvent::Kind::CONNECTED:
            return "connected from " + event.detail;
        case DemoEvent::Kind::LOGIN_ACCEPTED:
            return "login accepted for " + event.detail;
        case DemoEvent::Kind::LOGIN_REFUSED:
            return "login refused for " + event.detail;
        case DemoEvent::Kind::HEARTBEAT:
            return "heartbeat";
        case DemoEvent::Kind::PING_ANSWERED:
            return "ping " + event.detail + " answered";
        case DemoEvent::Kind::PING_WRONG_ANSWER:
            return "wrong answer to ping " + event.detail;
        case DemoEvent::Kind::PING_MISSED:
            return "ping " + event.detail + " not answered in time; disconnecting";
        case DemoEvent::Kind::MESSAGE_IGNORED:
            return "ignored " + event.detail;
        case DemoEvent::Kind::FLOOD_STARTED:
            return "flood start " + event.detail;
        case DemoEvent::Kind::PROTOCOL_ERROR:
            return "protocol error: " + event.detail;
        case DemoEvent::Kind::DISCONNECTED:
            return "disconnected";
    }
    return "unknown event";
}

}  // namespace

std::string describe(const DemoEvent& event) {
    return "client " + std::to_string(event.session) + ": " + what_happened(event);
}

bool is_routine(const DemoEvent& event) {
    return event.kind == DemoEvent::Kind::HEARTBEAT || event.kind == DemoEvent::Kind::PING_ANSWERED;
}

}  // namespace qvdemo
