#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "gui/model/speech_output.h"

namespace qvchat2 {

// What the speech service tells of a message of ours.
enum class SpeechEvent : std::uint8_t { began, ended, cancelled };

// The connection could not be opened; what() is the reason, a clause for a sentence.
class SpeechUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One connection to the speech service through libspeechd (speech-dispatcher's client library),
// in its threaded mode: the library's own event thread reads the service's answers and events,
// and calls `on_event` for the beginning, end and cancelling of each message of ours.
//
// Every call but interrupt() waits for the service's answer for as long as it takes, so they are
// the owning thread's (the speech thread, app/speech.h), which another thread unblocks with
// interrupt() (or with SpeechServicePeer while the constructor waits). The library writes with
// write(): the owning thread blocks SIGPIPE, so that a service gone away fails the call instead
// of ending the program.
// What the library cannot be guarded against: a reply from the service whose code is not one
// (below 100) makes it end the program, and a reply without an end grows in its memory.
//
// One at a time in the program: libspeechd's event callbacks do not say which connection an
// event is for.
class SpeechConnection {
public:
    // Called on the library's event thread, with a lock held that the destructor takes: it must
    // not wait for the owning thread.
    using EventHandler = std::function<void(std::size_t message_id, SpeechEvent event)>;

    // Opens the connection at the address libspeechd follows (SPEECHD_ADDRESS, else the usual
    // one; the library starts the service there when it is not running) and asks for the events.
    // Throws SpeechUnavailable with the reason.
    explicit SpeechConnection(EventHandler on_event);
    ~SpeechConnection();

    SpeechConnection(const SpeechConnection&) = delete;
    SpeechConnection& operator=(const SpeechConnection&) = delete;

    // Gives the service `text` (made speakable_text first) at `priority`: the message id it
    // answered, or nothing when the text is empty, the service refused it or is gone.
    std::optional<std::size_t> say(std::string_view text, qvchat2gui::SpeechPriority priority);
    // Stops what is said for this program and drops what waits at the service.
    bool cancel();
    // The speaking rate, -100 (slowest) to 100; a value beyond is taken as the bound.
    bool set_rate(int rate);
    // Whether the service closed the connection (or interrupt() shut it down).
    bool closed() const;
    // A file of the connection's socket for poll(): POLLRDHUP once the service has gone. Valid
    // while the object lives.
    int socket() const { return watched_socket; }
    // Shuts the socket down: a call waiting for the service returns, and every later one fails
    // at once. Any thread, while the object lives.
    void interrupt() const;

private:
    struct Library;  // the library's connection
    void close_library();
    void wait_until_end_read() const;

    EventHandler on_event;
    std::unique_ptr<Library> library;
    // A duplicate of the library's socket, ours alone: the library closes its own when the
    // service goes, and the number may then be reused.
    int watched_socket = -1;
};

}  // namespace qvchat2
