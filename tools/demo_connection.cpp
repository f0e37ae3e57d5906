#include "tools/demo_connection.h"

#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <utility>

#include "network/QVClient.h"
#include "network/message_types.h"

namespace qvdemo {

using qvnetworklib::ByteVector;

namespace {

// Small frames are gathered into one buffer up to this size, so a flood is written in few calls.
constexpr std::size_t GATHER_LIMIT = std::size_t{64} * 1024;

}  // namespace

DemoConnection::DemoConnection(boost::asio::ip::tcp::socket socket_,
                               std::chrono::milliseconds drip_delay_)
    : socket(std::move(socket_)),
      drip_delay(drip_delay_),
      drip_timer(socket.get_executor()),
      linger_timer(socket.get_executor()),
      header(qvnetworklib::HEADER_SIZE) {}

std::string DemoConnection::peer() const {
    boost::system::error_code error;
    const auto endpoint = socket.remote_endpoint(error);
    if (error) {
        return "an unknown address";
    }
    return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

void DemoConnection::read_frame(ReadHandler handler) {
    auto self = shared_from_this();
    boost::asio::async_read(
        socket, boost::asio::buffer(header),
        [this, self, handler = std::move(handler)](const boost::system::error_code& error,
                                                   std::size_t) mutable {
            if (error) {
                handler(ReadResult::CLOSED, 0, body);
                return;
            }
            const std::uint16_t length = qvnetworklib::assemble(header[1], header[2]);
            if (length == 0) {
                handler(ReadResult::BAD_LENGTH, header[0], body);
                return;
            }
            body.assign(length - 1U, 0);
            boost::asio::async_read(socket, boost::asio::buffer(body),
                                    [this, self, handler = std::move(handler)](
                                        const boost::system::error_code& body_error, std::size_t) {
                                        handler(body_error ? ReadResult::CLOSED : ReadResult::FRAME,
                                                header[0], body);
                                    });
        });
}

void DemoConnection::send(const qvnetworklib::SendPacket& packet) {
    ByteVector frame;
    qvnetworklib::append_frame(packet, frame);
    send_bytes(std::move(frame));
}

void DemoConnection::send_bytes(ByteVector bytes) {
    if (closing || !socket.is_open() || bytes.empty()) {
        return;
    }
    // The front buffer may be in the middle of a write; only a later one can grow.
    const bool back_is_idle = outgoing.size() > (writing ? 1U : 0U);
    if (back_is_idle && outgoing.back().size() + bytes.size() <= GATHER_LIMIT) {
        outgoing.back().insert(outgoing.back().end(), bytes.begin(), bytes.end());
    } else {
        outgoing.push_back(std::move(bytes));
    }
    if (!writing) {
        write_next();
    }
}

void DemoConnection::write_next() {
    if (outgoing.empty()) {
        writing = false;
        if (closing) {
            finish_sending();
        }
        return;
    }
    writing = true;
    const ByteVector& front = outgoing.front();
    const std::size_t size = drip_delay.count() > 0 ? 1 : front.size() - front_offset;
    auto self = shared_from_this();
    boost::asio::async_write(socket, boost::asio::buffer(front.data() + front_offset, size),
                             [this, self](const boost::system::error_code& error,
                                          std::size_t bytes) { written(error, bytes); });
}

void DemoConnection::written(const boost::system::error_code& error, std::size_t bytes) {
    if (error) {
        // The reading side notices the broken connection and ends the session.
        outgoing.clear();
        writing = false;
        return;
    }
    front_offset += bytes;
    if (front_offset == outgoing.front().size()) {
        outgoing.pop_front();
        front_offset = 0;
    }
    if (drip_delay.count() == 0) {
        write_next();
        return;
    }
    drip_timer.expires_after(drip_delay);
    auto self = shared_from_this();
    drip_timer.async_wait([this, self](const boost::system::error_code& wait_error) {
        if (!wait_error) {
            write_next();
        }
    });
}

void DemoConnection::close_after_flush() {
    if (closing) {
        return;
    }
    closing = true;
    if (!writing) {
        finish_sending();
    }
}

void DemoConnection::finish_sending() {
    boost::system::error_code ignored;
    socket.shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
    linger_timer.expires_after(LINGER);
    auto self = shared_from_this();
    linger_timer.async_wait([this, self](const boost::system::error_code& error) {
        if (!error) {
            close();
        }
    });
}

void DemoConnection::close() {
    boost::system::error_code ignored;
    drip_timer.cancel();
    linger_timer.cancel();
    closing = true;
    socket.shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

}  // namespace qvdemo
