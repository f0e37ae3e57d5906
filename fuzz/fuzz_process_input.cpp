// process_input on arbitrary typed lines, through a real Client connected to a loopback socket:
// the frames that leave must be exactly those that the rules for typed lines give.
//
// Input: the typed line.

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/frame_model.h"
#include "fuzz/loopback.h"
#include "network/QVClient.h"
#include "network/message_types.h"
#include "tests/support/RecordingGUI.h"

namespace {

using qvfuzz::check;
using qvfuzz::Frame;
using qvnetworklib::ByteVector;

// The local commands of the running client that send nothing, and "loc", which sends its
// request.
constexpr const char* SILENT_COMMANDS[] = {"exit", "quit", "ci", "help"};
constexpr char LOC_COMMAND[] = "loc";

ByteVector bytes_of(const std::string& text) {
    return ByteVector(text.begin(), text.end());
}

struct Expected {
    std::vector<Frame> frames;
    bool too_long = false;
};

// What the rules for typed lines send for `line`, read straight from them.
Expected expected_for(const std::string& line) {
    Expected expected;
    if (line.empty()) {
        return expected;
    }
    const auto space = line.find(' ');
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
    auto send = [&expected](std::uint8_t type, const std::string& payload) {
        if (payload.size() > qvnetworklib::MAX_PAYLOAD_SIZE) {
            expected.too_long = true;
        } else {
            expected.frames.push_back(Frame{type, bytes_of(payload)});
        }
    };
    if (line[0] == '/' && space != std::string::npos) {
        send(qvnetworklib::OUT_PM, line.substr(1, space - 1) + " " + argument);
        return expected;
    }
    if (line[0] == '#') {
        std::string word =
            line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
        for (char& byte : word) {
            if (byte >= 'A' && byte <= 'Z') {
                byte = static_cast<char>(byte + ('a' - 'A'));
            }
        }
        if (std::find(std::begin(SILENT_COMMANDS), std::end(SILENT_COMMANDS), word) !=
            std::end(SILENT_COMMANDS)) {
            return expected;
        }
        if (word == LOC_COMMAND) {
            send(qvnetworklib::OUT_LOC, "");
            return expected;
        }
    }
    // "##word" reaches the game as "#word".
    send(qvnetworklib::OUT_RAW_TEXT, line.rfind("##", 0) == 0 ? line.substr(1) : line);
    return expected;
}

// One real client, connected for the whole run, and the server's end of its connection.
class Session {
public:
    Session() {
        // No heartbeat may slip in between the frames of a typed line.
        qvnetworklib::heartbeat_timeout = boost::posix_time::hours(24);
        client = std::make_unique<qvnetworklib::Client>("fuzzer", "secret", listener.server_info());
        gui.add_callback(LOC_COMMAND,
                         [this](const std::string& /*argument*/) { client->send_loc(); });
        network_thread = client->start_threaded();
        peer = listener.accept_one();
        check(peer >= 0, "the client connects");
        while (!client->is_connected()) {
            std::this_thread::yield();
        }
        // The client logs in after the server's first message, and sends no typed line before:
        // a greeting, then the login frame is taken off the connection.
        const unsigned char greeting[] = {0, 2, 0, 'x'};  // type 0, one byte of payload
        check(::write(peer, greeting, sizeof greeting) == static_cast<ssize_t>(sizeof greeting),
              "the greeting goes out");
        while (!client->login_time()) {
            std::this_thread::yield();
        }
        frames_of("");
    }
    ~Session() {
        client->exit();
        network_thread->join();
        ::close(peer);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Types `line`, then sends a marker frame of its own; returns every frame before the marker.
    std::vector<Frame> frames_of(const std::string& line) {
        gui.process_input(client.get(), line);
        ++marker_count;
        const ByteVector marker(reinterpret_cast<const unsigned char*>(&marker_count),
                                reinterpret_cast<const unsigned char*>(&marker_count + 1));
        client->send_packet(qvnetworklib::SendPacket{qvnetworklib::OUT_PING_RESPONSE, marker});
        std::vector<Frame> frames;
        for (;;) {
            while (!whole_frame_waiting()) {
                check(qvfuzz::read_some(peer, received), "the client's frames arrive");
            }
            Frame frame = take_frame();
            if (frame.type == qvnetworklib::OUT_PING_RESPONSE) {
                check(frame.payload == marker, "the marker comes after the typed line's frames");
                return frames;
            }
            frames.push_back(std::move(frame));
        }
    }

    qvtest::RecordingGUI gui;

private:
    std::size_t waiting_frame_size() const {
        const ByteVector header(received.begin(), received.begin() + qvnetworklib::HEADER_SIZE);
        const auto payload = qvnetworklib::announced_payload_size(header);
        check(payload.has_value(), "the client never sends a length field of 0");
        return qvnetworklib::HEADER_SIZE + *payload;
    }
    bool whole_frame_waiting() const {
        return received.size() >= qvnetworklib::HEADER_SIZE &&
               received.size() >= waiting_frame_size();
    }
    Frame take_frame() {
        const std::size_t size = waiting_frame_size();
        Frame frame{received[0], ByteVector(received.begin() + qvnetworklib::HEADER_SIZE,
                                            received.begin() + static_cast<std::ptrdiff_t>(size))};
        received.erase(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(size));
        return frame;
    }

    qvfuzz::LoopbackListener listener;
    std::unique_ptr<qvnetworklib::Client> client;
    std::unique_ptr<boost::thread> network_thread;
    int peer = -1;
    ByteVector received;
    std::uint64_t marker_count = 0;
};

bool same_frames(const std::vector<Frame>& a, const std::vector<Frame>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Frame& x, const Frame& y) {
        return x.type == y.type && x.payload == y.payload;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Session session;
    const std::string line(reinterpret_cast<const char*>(data), size);
    const Expected expected = expected_for(line);

    check(same_frames(session.frames_of(line), expected.frames),
          "a typed line sends exactly the frames its rules give");
    const auto shown = session.gui.take_lines();
    const std::string too_long_notice =
        static_cast<char>(qvchat2gui::SERVER_COLOR) + std::string(qvchat2gui::TOO_LONG_NOTICE);
    check(expected.too_long ==
              (std::find(shown.begin(), shown.end(), too_long_notice) != shown.end()),
          "a line too long to send is named in the chat window, and only such a line");
    return 0;
}
