#include "tools/demo_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

#include "network/message_types.h"
#include "tools/demo_flood.h"

namespace qvdemo {

using qvnetworklib::ByteVector;

namespace {

std::string text_of(const ByteVector& payload) {
    return {payload.begin(), payload.end()};
}

std::string describe_type(std::uint8_t type, std::size_t size) {
    return "message type " + std::to_string(type) + " (" + std::to_string(size) + " bytes)";
}

// libstdc++'s steady clock is CLOCK_MONOTONIC, which other programs on the machine read too.
std::string steady_seconds_now() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.6f", std::chrono::duration<double>(since).count());
    return text.data();
}

}  // namespace

DemoSession::DemoSession(boost::asio::ip::tcp::socket socket, const DemoOptions& options_,
                         unsigned number_, EventSink events_, std::function<void()> on_finished_)
    : options(options_),
      number(number_),
      events(std::move(events_)),
      on_finished(std::move(on_finished_)),
      world(options.username, std::random_device{}()),
      chat(world),
      chatter_pauses(std::random_device{}()),
      minute_timer(socket.get_executor()),
      ping_timer(socket.get_executor()),
      ping_deadline(socket.get_executor()),
      chatter_timer(socket.get_executor()) {
    const auto drip = options.misbehaviour == Misbehaviour::DRIP ? options.drip_delay
                                                                 : std::chrono::milliseconds(0);
    connection = std::make_shared<DemoConnection>(std::move(socket), drip);
}

void DemoSession::start() {
    report(DemoEvent::Kind::CONNECTED, connection->peer());
    if (options.misbehaviour != Misbehaviour::SILENT) {
        connection->send(raw_text(SERVER_CODE, GREETING));
    }
    read_next();
}

void DemoSession::stop() {
    connection->close();
    finish();
}

void DemoSession::read_next() {
    auto self = shared_from_this();
    connection->read_frame(
        [this, self](DemoConnection::ReadResult result, std::uint8_t type,
                     const ByteVector& payload) { on_frame(result, type, payload); });
}

void DemoSession::on_frame(DemoConnection::ReadResult result, std::uint8_t type,
                           const ByteVector& payload) {
    switch (result) {
        case DemoConnection::ReadResult::CLOSED:
            connection->close();
            finish();
            return;
        case DemoConnection::ReadResult::BAD_LENGTH:
            report(DemoEvent::Kind::PROTOCOL_ERROR,
                   "message type " + std::to_string(type) + " with length field 0");
            connection->close();
            finish();
            return;
        case DemoConnection::ReadResult::FRAME:
            break;
    }
    if (!finished) {
        on_message(type, payload);
    }
    read_next();
}

void DemoSession::on_message(std::uint8_t type, const ByteVector& payload) {
    if (options.misbehaviour == Misbehaviour::SILENT) {
        report(type == qvnetworklib::OUT_HEARTBEAT ? DemoEvent::Kind::HEARTBEAT
                                                   : DemoEvent::Kind::MESSAGE_IGNORED,
               describe_type(type, payload.size()));
        return;
    }
    switch (type) {
        case qvnetworklib::OUT_HEARTBEAT:
            report(DemoEvent::Kind::HEARTBEAT);
            return;
        case qvnetworklib::OUT_PING_RESPONSE:
            on_ping_answer(payload);
            return;
        case qvnetworklib::OUT_LOGIN:
            if (!logged_in) {
                on_login(payload);
                return;
            }
            break;
        default:
            break;
    }
    if (!logged_in || replaces_world(options.misbehaviour)) {
        report(DemoEvent::Kind::MESSAGE_IGNORED, describe_type(type, payload.size()));
        return;
    }
    switch (type) {
        case qvnetworklib::OUT_RAW_TEXT:
            send_timed(chat.on_chat(text_of(payload)));
            return;
        case qvnetworklib::OUT_PM:
            send_timed(chat.on_private_message(text_of(payload)));
            return;
        case qvnetworklib::OUT_LOC:
            connection->send(chat.on_location());
            return;
        default:
            report(DemoEvent::Kind::MESSAGE_IGNORED, describe_type(type, payload.size()));
            return;
    }
}

void DemoSession::on_login(const ByteVector& payload) {
    // User name, one space, password, one NUL byte.
    const std::string login = text_of(payload);
    const std::size_t space = login.find(' ');
    const std::string name = login.substr(0, space);
    const bool well_formed = space != std::string::npos && !login.empty() && login.back() == '\0';
    const std::string password =
        well_formed ? login.substr(space + 1, login.size() - space - 2) : std::string();
    if (!well_formed || name != options.username || password != options.password) {
        report(DemoEvent::Kind::LOGIN_REFUSED, name);
        connection->send(bad_login());
        connection->close_after_flush();
        return;
    }
    logged_in = true;
    report(DemoEvent::Kind::LOGIN_ACCEPTED, name);
    if (replaces_world(options.misbehaviour)) {
        const MisbehaviourAct act = misbehaviour_act(options.misbehaviour);
        connection->send_bytes(act.bytes);
        if (act.close_after) {
            connection->close_after_flush();
        }
        return;
    }
    enter_world();
}

void DemoSession::enter_world() {
    for (const auto& packet : world.arrival()) {
        connection->send(packet);
    }
    if (options.flood_lines > 0) {
        std::vector<ByteVector> flood = flood_stream(options.flood_lines, options.flood_bytes);
        report(DemoEvent::Kind::FLOOD_STARTED, steady_seconds_now());
        for (ByteVector& piece : flood) {
            connection->send_bytes(std::move(piece));
        }
    }
    schedule_minute();
    schedule_ping();
    if (!options.quiet) {
        schedule_chatter();
    }
}

void DemoSession::send_timed(std::vector<TimedPacket> packets) {
    for (auto& timed : packets) {
        if (timed.delay.count() == 0) {
            connection->send(timed.packet);
            continue;
        }
        auto timer =
            std::make_shared<boost::asio::steady_timer>(minute_timer.get_executor(), timed.delay);
        auto self = shared_from_this();
        timer->async_wait([this, self, timer, packet = std::move(timed.packet)](
                              const boost::system::error_code& error) {
            if (!error && !finished) {
                connection->send(packet);
            }
        });
    }
}

void DemoSession::schedule_minute() {
    minute_timer.expires_after(options.game_minute);
    auto self = shared_from_this();
    minute_timer.async_wait([this, self](const boost::system::error_code& error) {
        if (error || finished) {
            return;
        }
        connection->send(world.next_minute());
        schedule_minute();
    });
}

void DemoSession::schedule_ping() {
    if (options.ping_interval.count() == 0) {
        return;
    }
    ping_timer.expires_after(options.ping_interval);
    auto self = shared_from_this();
    ping_timer.async_wait([this, self](const boost::system::error_code& error) {
        if (error || finished) {
            return;
        }
        // One ping at a time: the next goes out after the answer or the timeout decides.
        if (!awaited_ping) {
            const auto ping = ping_request(++pings_sent);
            awaited_ping = ping.data;
            connection->send(ping);
            ping_deadline.expires_after(options.ping_timeout);
            ping_deadline.async_wait([this, self](const boost::system::error_code& wait_error) {
                if (!wait_error && !finished && awaited_ping) {
                    ping_missed();
                }
            });
        }
        schedule_ping();
    });
}

void DemoSession::on_ping_answer(const ByteVector& payload) {
    if (!awaited_ping || payload != *awaited_ping) {
        report(DemoEvent::Kind::PING_WRONG_ANSWER, std::to_string(pings_sent));
        return;
    }
    awaited_ping.reset();
    ping_deadline.cancel();
    report(DemoEvent::Kind::PING_ANSWERED, std::to_string(pings_sent));
}

void DemoSession::ping_missed() {
    report(DemoEvent::Kind::PING_MISSED, std::to_string(pings_sent));
    connection->send(raw_text(SERVER_CODE, PING_MISSED_TEXT));
    connection->close_after_flush();
    minute_timer.cancel();
    ping_timer.cancel();
    chatter_timer.cancel();
}

void DemoSession::schedule_chatter() {
    // Pauses vary between half and one and a half of the average, so the town feels alive.
    const auto average = options.chatter_interval.count();
    std::uniform_int_distribution<long long> pause(average / 2, average + average / 2);
    chatter_timer.expires_after(std::chrono::milliseconds(pause(chatter_pauses)));
    auto self = shared_from_this();
    chatter_timer.async_wait([this, self](const boost::system::error_code& error) {
        if (error || finished) {
            return;
        }
        for (const auto& packet : world.ambient_event()) {
            connection->send(packet);
        }
        schedule_chatter();
    });
}

void DemoSession::report(DemoEvent::Kind kind, const std::string& detail) {
    if (events) {
        events(DemoEvent{number, kind, detail});
    }
}

void DemoSession::finish() {
    if (finished) {
        return;
    }
    finished = true;
    minute_timer.cancel();
    ping_timer.cancel();
    ping_deadline.cancel();
    chatter_timer.cancel();
    report(DemoEvent::Kind::DISCONNECTED);
    if (on_finished) {
        on_finished();
    }
}

}  // namespace qvdemo
