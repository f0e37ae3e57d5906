#include "app/speech_connection.h"

#include <fcntl.h>
#include <libspeechd.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "app/speech_text.h"

namespace qvchat2 {

struct SpeechConnection::Library {
    SPDConnection* connection = nullptr;
};

namespace {

// How the service knows this program among its clients.
constexpr char CLIENT_NAME[] = "qvchat";
constexpr char CONNECTION_NAME[] = "main";
constexpr int START_SERVICE_WHEN_ABSENT = 1;
constexpr int SLOWEST_RATE = -100;
constexpr int FASTEST_RATE = 100;
// libspeechd's reasons begin so; the sentence around them says it already.
constexpr std::string_view ERROR_PREFIX = "Error: ";
// How long closing waits for the library's event thread to have read the end of the connection,
// and how often it looks.
constexpr std::chrono::milliseconds END_READ_LIMIT{500};
constexpr std::chrono::milliseconds END_READ_POLL{1};

// libspeechd's callbacks name no connection: they reach the open one's handler through this.
std::mutex event_handler_mutex;  // guards current_handler
const SpeechConnection::EventHandler* current_handler = nullptr;

std::optional<SpeechEvent> event_of(SPDNotificationType type) {
    switch (type) {
        case SPD_EVENT_BEGIN:
            return SpeechEvent::began;
        case SPD_EVENT_END:
            return SpeechEvent::ended;
        case SPD_EVENT_CANCEL:
            return SpeechEvent::cancelled;
        default:
            return std::nullopt;
    }
}

void deliver_event(std::size_t message_id, std::size_t /*client_id*/, SPDNotificationType type) {
    const std::optional<SpeechEvent> event = event_of(type);
    if (!event) {
        return;
    }
    // spd_close cancels the event thread: never in here, with the lock held and C++ frames to
    // unwind.
    int cancel_state = PTHREAD_CANCEL_ENABLE;
    ::pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    try {
        const std::lock_guard<std::mutex> lock(event_handler_mutex);
        if (current_handler != nullptr) {
            (*current_handler)(message_id, *event);
        }
    } catch (...) {
        // The library's thread cannot take an exception; a lost event ends by the speech
        // queue's silence limit.
    }
    ::pthread_setcancelstate(cancel_state, nullptr);
}

SPDPriority library_priority(qvchat2gui::SpeechPriority priority) {
    switch (priority) {
        case qvchat2gui::SpeechPriority::message:
            return SPD_MESSAGE;
        case qvchat2gui::SpeechPriority::notification:
            return SPD_NOTIFICATION;
        case qvchat2gui::SpeechPriority::text:
            break;
    }
    return SPD_TEXT;
}

// The library's reason as a clause: without its "Error: " and final stop, and safe to show.
std::string reason_clause(const char* library_reason) {
    std::string_view reason = library_reason;
    if (reason.substr(0, ERROR_PREFIX.size()) == ERROR_PREFIX) {
        reason.remove_prefix(ERROR_PREFIX.size());
    }
    std::string clause = speakable_text(reason);
    while (!clause.empty() && (clause.back() == '.' || clause.back() == ' ')) {
        clause.pop_back();
    }
    return clause.empty() ? "the speech service cannot be reached" : clause;
}

}  // namespace

// Sanitizer builds are told of libspeechd's own faults, so that a report on them does not stop
// the runs: the names are those the sanitizers look for in the program.
// NOLINTBEGIN(bugprone-reserved-identifier)
#if defined(__SANITIZE_THREAD__)
// Not built for ThreadSanitizer, the library is seen only through its calls to the C library:
// spd_close destroys its locks before it joins its event thread, and that thread closes the
// socket at the end of the connection while a call may have written to it unordered.
extern "C" const char* __tsan_default_suppressions() {
    return "race:spd_close\n"
           "race:spd_send_data_wo_mutex\n"
           "mutex:libspeechd.so\n";
}
#endif
#if defined(__SANITIZE_ADDRESS__)
// spd_open2 forgets its report of a failed start of the service (some 150 bytes an attempt),
// written by glib's printf: the sanitizer's quick unwinding of it stops in the C library.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:spd_open2\n"
           "leak:__vasprintf_internal\n";
}
#endif
// NOLINTEND(bugprone-reserved-identifier)

SpeechConnection::SpeechConnection(EventHandler on_event)
    : on_event(std::move(on_event)), library(std::make_unique<Library>()) {
    {
        const std::lock_guard<std::mutex> lock(event_handler_mutex);
        if (current_handler != nullptr) {
            throw SpeechUnavailable("another speech connection is open in this program");
        }
        current_handler = &this->on_event;
    }
    char* error = nullptr;
    library->connection = spd_open2(CLIENT_NAME, CONNECTION_NAME, nullptr, SPD_MODE_THREADED,
                                    nullptr, START_SERVICE_WHEN_ABSENT, &error);
    const std::string reason = error != nullptr ? reason_clause(error) : "";
    std::free(error);
    if (library->connection == nullptr) {
        close_library();
        throw SpeechUnavailable(reason.empty() ? "the speech service cannot be reached" : reason);
    }
    watched_socket = ::fcntl(library->connection->socket, F_DUPFD_CLOEXEC, 0);
    if (watched_socket < 0) {
        close_library();
        throw SpeechUnavailable("the program has too many open files");
    }
    library->connection->callback_begin = deliver_event;
    library->connection->callback_end = deliver_event;
    library->connection->callback_cancel = deliver_event;
    const bool events_on = spd_set_notification_on(library->connection, SPD_BEGIN) == 0 &&
                           spd_set_notification_on(library->connection, SPD_END) == 0 &&
                           spd_set_notification_on(library->connection, SPD_CANCEL) == 0;
    if (!events_on) {
        const bool gone = closed();
        close_library();
        throw SpeechUnavailable(gone ? "the speech service closed the connection"
                                     : "the speech service refused to tell when it speaks");
    }
}

SpeechConnection::~SpeechConnection() {
    close_library();
}

void SpeechConnection::close_library() {
    {
        // Waits for an event being handled; none is handled after.
        const std::lock_guard<std::mutex> lock(event_handler_mutex);
        if (current_handler == &on_event) {
            current_handler = nullptr;
        }
    }
    if (library->connection != nullptr) {
        // spd_close cancels the library's event thread: let it end by itself first, on the end
        // of the connection, rather than be cancelled wherever it is (in an fclose, or within
        // the sanitizer's bookkeeping).
        interrupt();
        wait_until_end_read();
        spd_close(library->connection);
        library->connection = nullptr;
    }
    if (watched_socket >= 0) {
        ::close(watched_socket);
        watched_socket = -1;
    }
}

void SpeechConnection::wait_until_end_read() const {
    // At the end of the connection the library's event thread closes the stream, forgets it and
    // ends. Cancelled within that fclose, it would leave the stream to be closed a second time
    // (and the file number with it, perhaps another's by then). The stream is the connection's
    // own field, which that thread alone writes once the connection is open.
    const auto give_up = std::chrono::steady_clock::now() + END_READ_LIMIT;
    while (__atomic_load_n(&library->connection->stream, __ATOMIC_ACQUIRE) != nullptr &&
           std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(END_READ_POLL);
    }
}

std::optional<std::size_t> SpeechConnection::say(std::string_view text,
                                                 qvchat2gui::SpeechPriority priority) {
    const std::string words = speakable_text(text);
    if (words.empty()) {
        return std::nullopt;
    }
    const int message_id = spd_say(library->connection, library_priority(priority), words.c_str());
    if (message_id <= 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(message_id);
}

bool SpeechConnection::cancel() {
    return spd_cancel(library->connection) == 0;
}

bool SpeechConnection::set_rate(int rate) {
    return spd_set_voice_rate(library->connection, std::clamp(rate, SLOWEST_RATE, FASTEST_RATE)) ==
           0;
}

bool SpeechConnection::closed() const {
    pollfd watched{watched_socket, POLLRDHUP, 0};
    return ::poll(&watched, 1, 0) > 0 &&
           (watched.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void SpeechConnection::interrupt() const {
    ::shutdown(watched_socket, SHUT_RDWR);
}

}  // namespace qvchat2
