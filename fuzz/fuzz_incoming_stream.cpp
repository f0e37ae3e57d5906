// The server's byte stream, cut into frames by the reader's header logic and handed to the real
// handler of each type: raw text, channels, clock, bad login, the five actor messages and the
// ping reply, with the real logger, a real AFK state and a front-end that keeps its lines.
//
// Input: one option byte (bit 0: the user is away when the stream starts; bit 1: "#look" runs
// after it), then the stream.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "app/log.h"
#include "chat/actors.h"
#include "chat/afk.h"
#include "chat/registration.h"
#include "fuzz/check.h"
#include "fuzz/frame_model.h"
#include "network/QVClient.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using qvfuzz::check;

constexpr char USERNAME[] = "fuzzer";
constexpr char LOG_FOLDER[] = "fuzz";
// A short minute, so that the idle countdown also fires during a run.
constexpr auto AFK_MINUTE = boost::chrono::milliseconds(20);
// Logs are emptied when they grow past this, so that long runs do not fill the disk.
constexpr std::uintmax_t LOG_LIMIT = 4U << 20U;

// Bytes appended to one log file since the last look.
class LogTail {
public:
    explicit LogTail(std::filesystem::path file) : path(std::move(file)) {}

    std::string take() {
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(seen));
        std::string added((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        seen += added.size();
        if (seen > LOG_LIMIT) {
            std::filesystem::resize_file(path, 0);
            seen = 0;
        }
        return added;
    }

private:
    std::filesystem::path path;
    std::uintmax_t seen = 0;
};

// Everything that lives as long as the process: the data folder, the logger, the AFK state and
// the handler table filled by the real registration.
struct Harness {
    qvtest::TempDir documents;
    qvtest::ScopedEnv documents_variable{"XDG_DOCUMENTS_DIR", documents.path().string()};
    qvtest::RecordingGUI gui;
    qvchat2::Logger logger{qvchat2::LOG_SEPARATE, LOG_FOLDER};
    qvchat2::AfkState afk{"back soon", true, 1, &gui, AFK_MINUTE};
    std::map<std::uint8_t, qvnetworklib::PacketCallback> handlers;
    LogTail chat_log{documents / "Quorvan" / LOG_FOLDER / qvchat2::chat_log_name};
    LogTail server_log{documents / "Quorvan" / LOG_FOLDER / qvchat2::server_log_name};

    Harness() {
        // The client enters its ping reply first, in its constructor.
        handlers.emplace(qvnetworklib::IN_PING_REQUEST, qvnetworklib::ping_response);
        qvchat2::register_chat_handlers(
            [this](std::uint8_t type, const qvnetworklib::PacketCallback& callback) {
                handlers.emplace(type, callback);
            },
            &gui, &logger, &afk);
    }
};

Harness& harness() {
    static Harness instance;
    return instance;
}

// Every record is one line of printable ASCII; returns the number of records.
std::size_t count_clean_records(const std::string& log) {
    std::size_t records = 0;
    for (const char byte : log) {
        if (byte == '\n') {
            ++records;
        } else {
            check(byte >= ' ' && byte <= '~', "the log holds nothing but printable ASCII");
        }
    }
    check(log.empty() || log.back() == '\n', "every log record ends its line");
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The channel-size warning would drown libFuzzer's own output.
    std::cerr.rdbuf(nullptr);
    harness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Harness& h = harness();
    const std::uint8_t options = data[0];
    const qvfuzz::CutStream stream = qvfuzz::cut_frames(data + 1, size - 1);

    // A client that is never started: what the handlers send is posted to a loop that never
    // runs and is released with it.
    qvnetworklib::Client client(USERNAME, "secret", qvnetworklib::ServerInfo{"127.0.0.1", "1", ""});
    qvchat2::remove_all_actors(&client, {});
    if ((options & 1U) != 0) {
        h.gui.process_input(&client, "#afk gone fishing");
    }
    h.gui.forget_all();

    std::size_t texts = 0;
    int clock = -1;
    bool refused = false;
    for (const qvfuzz::Frame& frame : stream.frames) {
        const auto handler = h.handlers.find(frame.type);
        if (handler != h.handlers.end()) {
            handler->second(&client, frame.payload);
        }
        if (frame.type == qvnetworklib::IN_RAW_TEXT && frame.payload.size() >= 2) {
            ++texts;
        }
        if (frame.type == qvnetworklib::IN_UPDATE_CLOCK && frame.payload.size() >= 2) {
            clock = qvnetworklib::assemble(frame.payload[0], frame.payload[1]);
        }
        refused = refused || frame.type == qvnetworklib::IN_BAD_LOGIN;
    }
    if ((options & 2U) != 0) {
        h.gui.process_input(&client, "#look");
    }

    const std::size_t records =
        count_clean_records(h.chat_log.take()) + count_clean_records(h.server_log.take());
    check(records == texts, "every raw text is logged exactly once");
    check(h.gui.take_lines().size() >= texts, "every raw text is shown");
    check(h.gui.last_clock() == clock, "the front-end shows the last clock received");
    check(!refused || h.gui.should_exit(), "a refused login ends the input loop");
    return 0;
}
