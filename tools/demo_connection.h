#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "network/Packet.h"

namespace qvdemo {

// One client's TCP connection, framed: reads whole messages, queues outgoing bytes and writes
// them in order (optionally one byte at a time), and closes either at once or gracefully.
// Lives on one io_context thread; its pending operations keep it alive.
class DemoConnection : public std::enable_shared_from_this<DemoConnection> {
public:
    enum class ReadResult {
        FRAME,       // a whole message arrived
        CLOSED,      // the peer closed, the connection broke or was closed here
        BAD_LENGTH,  // a header with the length field 0, which describes no frame
    };
    using ReadHandler =
        std::function<void(ReadResult, std::uint8_t type, const qvnetworklib::ByteVector& payload)>;

    // `drip_delay` above 0 writes one byte, then waits that long, and so on.
    DemoConnection(boost::asio::ip::tcp::socket socket, std::chrono::milliseconds drip_delay);

    // Reads one message; the handler runs on the io_context thread.
    void read_frame(ReadHandler handler);
    void send(const qvnetworklib::SendPacket& packet);
    void send_bytes(qvnetworklib::ByteVector bytes);
    // Once everything queued is written, ends the sending side; reading goes on until the
    // peer closes or LINGER passes, so nothing already sent is lost to a reset.
    void close_after_flush();
    // Closes at once; queued bytes are dropped.
    void close();
    bool is_open() const { return socket.is_open(); }
    std::string peer() const;

    static constexpr std::chrono::milliseconds LINGER{3000};

private:
    void write_next();
    void written(const boost::system::error_code& error, std::size_t bytes);
    void finish_sending();

    boost::asio::ip::tcp::socket socket;
    std::chrono::milliseconds drip_delay;
    boost::asio::steady_timer drip_timer;
    boost::asio::steady_timer linger_timer;

    qvnetworklib::ByteVector header;
    qvnetworklib::ByteVector body;

    // Buffers waiting to be written; the front one is being written while `writing`.
    std::deque<qvnetworklib::ByteVector> outgoing;
    std::size_t front_offset = 0;
    bool writing = false;
    bool closing = false;  // close_after_flush was asked for: no more sends
};

}  // namespace qvdemo
