#pragma once

#include <boost/asio/steady_timer.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>

#include "tools/demo_chat.h"
#include "tools/demo_connection.h"
#include "tools/demo_events.h"
#include "tools/demo_options.h"
#include "tools/demo_world.h"

namespace qvdemo {

// One client of the demo server: greets it, checks its login, then runs the world for it
// (clock, pings, chatter) and answers what it sends. Lives on the server's io_context thread;
// its pending operations keep it alive.
class DemoSession : public std::enable_shared_from_this<DemoSession> {
public:
    DemoSession(boost::asio::ip::tcp::socket socket, const DemoOptions& options, unsigned number,
                EventSink events, std::function<void()> on_finished);

    void start();
    // Ends the session at once (server shutdown).
    void stop();

    // The first message, sent before anything else: the client logs in only after it.
    static constexpr char GREETING[] = "Quorvan demo server. Please log in.";
    static constexpr char PING_MISSED_TEXT[] =
        "You did not answer the server's ping in time. Disconnecting.";

private:
    void read_next();
    void on_frame(DemoConnection::ReadResult result, std::uint8_t type,
                  const qvnetworklib::ByteVector& payload);
    void on_message(std::uint8_t type, const qvnetworklib::ByteVector& payload);
    void on_login(const qvnetworklib::ByteVector& payload);
    void enter_world();
    void on_ping_answer(const qvnetworklib::ByteVector& payload);
    void send_timed(std::vector<TimedPacket> packets);

    void schedule_minute();
    void schedule_ping();
    void schedule_chatter();
    void ping_missed();

    void report(DemoEvent::Kind kind, const std::string& detail = "");
    void finish();

    const DemoOptions& options;
    const unsigned number;
    EventSink events;
    std::function<void()> on_finished;
    std::shared_ptr<DemoConnection> connection;
    DemoWorld world;
    DemoChat chat;

    bool logged_in = false;
    bool finished = false;
    std::uint32_t pings_sent = 0;
    std::optional<qvnetworklib::ByteVector> awaited_ping;  // payload of the unanswered ping
    std::mt19937 chatter_pauses;

    boost::asio::steady_timer minute_timer;
    boost::asio::steady_timer ping_timer;
    boost::asio::steady_timer ping_deadline;
    boost::asio::steady_timer chatter_timer;
};

}  // namespace qvdemo
