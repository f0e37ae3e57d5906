// The real read loop: a real Client connects to a loopback socket that feeds it the input in
// small chunks and then shuts its sending side; the client must read to the end, dispatch
// exactly the whole frames of the input, in order, report how the stream ended and answer only
// with its login and ping replies. Every thread is joined before the next input.
//
// Input: the byte stream the server sends.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/thread/thread.hpp>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/frame_model.h"
#include "fuzz/loopback.h"
#include "network/QVClient.h"
#include "network/message_types.h"

namespace {

using qvfuzz::check;
using qvfuzz::Frame;
using qvnetworklib::ByteVector;
using qvnetworklib::ConnectionStatus;

constexpr char USERNAME[] = "fuzzer";
constexpr char PASSWORD[] = "secret";
// Sizes of the chunks the input is written in, in turn: the reads must reassemble frames from
// pieces of any size.
constexpr std::size_t CHUNK_SIZES[] = {1, 2, 5, 64, 3, 1024};
constexpr auto POLL_STEP = std::chrono::milliseconds(10);

// What the client hands to its owner: the messages dispatched and the connection reports.
struct Observed {
    std::mutex mutex;  // guards frames and statuses
    std::vector<Frame> frames;
    std::vector<ConnectionStatus::Kind> statuses;
};

ByteVector frame_bytes(std::uint8_t type, const ByteVector& payload) {
    ByteVector bytes;
    qvnetworklib::append_frame(qvnetworklib::SendPacket{type, payload}, bytes);
    return bytes;
}

// Everything the client may send in answer to `frames`, in order: a ping reply for each ping
// request, and its login after the first message.
ByteVector expected_answers(const std::vector<Frame>& frames) {
    ByteVector login(USERNAME, USERNAME + sizeof(USERNAME) - 1);
    login.push_back(' ');
    login.insert(login.end(), PASSWORD, PASSWORD + sizeof(PASSWORD) - 1);
    login.push_back('\0');

    ByteVector answers;
    for (std::size_t index = 0; index < frames.size(); ++index) {
        if (frames[index].type == qvnetworklib::IN_PING_REQUEST) {
            const ByteVector reply =
                frame_bytes(qvnetworklib::OUT_PING_RESPONSE, frames[index].payload);
            answers.insert(answers.end(), reply.begin(), reply.end());
        }
        if (index == 0) {
            const ByteVector sent_login = frame_bytes(qvnetworklib::OUT_LOGIN, login);
            answers.insert(answers.end(), sent_login.begin(), sent_login.end());
        }
    }
    return answers;
}

// The server's end of one connection: writes the input in chunks while it keeps reading what
// the client sends, so that neither side can block the other.
class Feeder {
public:
    explicit Feeder(int peer) : peer(peer) {}
    ~Feeder() { ::close(peer); }
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

    // Writes everything, unless the network thread ends first or the client closes the
    // connection (both happen after a length field of 0); then shuts the sending side.
    void feed(const std::uint8_t* data, std::size_t size, boost::thread& network_thread) {
        std::size_t written = 0;
        std::size_t turn = 0;
        const auto give_up = std::chrono::steady_clock::now() + qvfuzz::HANG_DEADLINE;
        while (written < size) {
            pollfd ready{peer, POLLIN | POLLOUT, 0};
            ::poll(&ready, 1, static_cast<int>(POLL_STEP.count()));
            if ((ready.revents & POLLIN) != 0) {
                qvfuzz::read_some(peer, answers, std::chrono::milliseconds(0));
            }
            if ((ready.revents & POLLOUT) != 0) {
                const std::size_t chunk =
                    std::min(CHUNK_SIZES[turn++ % std::size(CHUNK_SIZES)], size - written);
                const ssize_t sent = ::send(peer, data + written, chunk, MSG_NOSIGNAL);
                if (sent < 0 && errno == EINTR) {
                    continue;  // libFuzzer's unit timer; nothing was sent
                }
                if (sent <= 0) {
                    // A client that drops the connection (after a length field of 0) closes
                    // its socket; nothing else may refuse the input.
                    check(errno == EPIPE || errno == ECONNRESET,
                          "the client's socket takes the input");
                    break;
                }
                written += static_cast<std::size_t>(sent);
            } else if (network_thread.try_join_for(boost::chrono::milliseconds(0))) {
                break;
            }
            check(std::chrono::steady_clock::now() < give_up, "the client reads its input");
        }
        ::shutdown(peer, SHUT_WR);
    }

    // Joins the network thread, reading the client's answers meanwhile.
    void wait_for_end(boost::thread& network_thread) {
        const auto give_up = std::chrono::steady_clock::now() + qvfuzz::HANG_DEADLINE;
        while (network_thread.joinable() &&
               !network_thread.try_join_for(boost::chrono::milliseconds(POLL_STEP.count()))) {
            drain();
            check(std::chrono::steady_clock::now() < give_up,
                  "the client stops when the stream ends");
        }
    }

    // Reads the rest of the client's answers, up to the end of the stream.
    void read_to_end() {
        while (qvfuzz::read_some(peer, answers)) {
        }
    }

    const ByteVector& received() const { return answers; }

private:
    void drain() {
        pollfd readable{peer, POLLIN, 0};
        if (::poll(&readable, 1, 0) == 1) {
            qvfuzz::read_some(peer, answers, std::chrono::milliseconds(0));
        }
    }

    int peer;
    ByteVector answers;
};

qvfuzz::LoopbackListener& listener() {
    static qvfuzz::LoopbackListener instance;
    return instance;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // Only the client's answers to the input may reach the socket.
    qvnetworklib::heartbeat_timeout = boost::posix_time::hours(24);
    listener();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qvfuzz::CutStream stream = qvfuzz::cut_frames(data, size);
    Observed observed;
    std::optional<Feeder> feeder;
    {
        qvnetworklib::Client client(USERNAME, PASSWORD, listener().server_info());
        for (int type = 0; type <= UINT8_MAX; ++type) {
            client.register_callback(
                static_cast<std::uint8_t>(type),
                [&observed, type](qvnetworklib::Client*, const ByteVector& payload) {
                    const std::lock_guard<std::mutex> lock(observed.mutex);
                    observed.frames.push_back(Frame{static_cast<std::uint8_t>(type), payload});
                });
        }
        client.set_status_callback([&observed](const ConnectionStatus& status) {
            const std::lock_guard<std::mutex> lock(observed.mutex);
            observed.statuses.push_back(status.kind);
        });
        const std::unique_ptr<boost::thread> network_thread = client.start_threaded();
        const int peer = listener().accept_one();
        check(peer >= 0, "the client connects");
        feeder.emplace(peer);
        feeder->feed(data, size, *network_thread);
        feeder->wait_for_end(*network_thread);
    }
    // The client is gone and its socket closed, which ends its answers.
    feeder->read_to_end();
    const ByteVector answers = feeder->received();
    feeder.reset();

    // The ping requests went to the client's own reply, which the recorder could not replace.
    std::vector<Frame> dispatched;
    std::copy_if(stream.frames.begin(), stream.frames.end(), std::back_inserter(dispatched),
                 [](const Frame& frame) { return frame.type != qvnetworklib::IN_PING_REQUEST; });
    check(std::equal(observed.frames.begin(), observed.frames.end(), dispatched.begin(),
                     dispatched.end(),
                     [](const Frame& a, const Frame& b) {
                         return a.type == b.type && a.payload == b.payload;
                     }),
          "every whole frame is dispatched once, in order, and nothing else");

    const ConnectionStatus::Kind end = stream.end == qvfuzz::StreamEnd::LENGTH_FIELD_0
                                           ? ConnectionStatus::Kind::PROTOCOL_ERROR
                                           : ConnectionStatus::Kind::CONNECTION_LOST;
    check(observed.statuses ==
              std::vector<ConnectionStatus::Kind>{ConnectionStatus::Kind::CONNECTED, end},
          "the owner hears of the connection and then of how the stream ended");

    const ByteVector allowed = expected_answers(stream.frames);
    check(answers.size() <= allowed.size() &&
              std::equal(answers.begin(), answers.end(), allowed.begin()),
          "the client answers only with its login and ping replies, in order");
    return 0;
}
