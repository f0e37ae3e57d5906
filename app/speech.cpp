#include "app/speech.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <system_error>
#include <utility>

#include "gui/model/latin1_text.h"
#include "gui/model/speech_queue.h"

namespace qvchat2 {

namespace {

using qvchat2gui::SpeechPriority;
using qvchat2gui::SpeechQueue;

constexpr int SLOWEST_RATE = -100;
constexpr int FASTEST_RATE = 100;
// How long the destructor lets the speech thread cancel what is said before it shuts the
// connection down under it, and how often it shuts down again: a connection being opened may
// have no socket yet.
constexpr std::chrono::milliseconds CANCEL_GRACE{300};
constexpr std::chrono::milliseconds INTERRUPT_AGAIN{50};
constexpr char SERVICE_LEFT[] = "the speech service closed the connection";

int make_wake_file() {
    const int file = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (file < 0) {
        throw std::system_error(errno, std::generic_category(), "Cannot start speech");
    }
    return file;
}

// A service gone away then makes the library's write() fail instead of ending the program.
void block_broken_pipe_signal() {
    sigset_t broken_pipe;
    sigemptyset(&broken_pipe);
    sigaddset(&broken_pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &broken_pipe, nullptr);
}

int poll_timeout(std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!deadline) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

}  // namespace

Speech::Speech(Notice notice) : notice(std::move(notice)), wake_file(make_wake_file()) {
    try {
        speech_thread = std::thread([this] { run(); });
    } catch (...) {
        ::close(wake_file);
        throw;
    }
}

Speech::~Speech() {
    {
        const std::lock_guard<std::mutex> lock(speech_requests_mutex);
        stopping = true;
        wake_pending = true;
    }
    wake();
    {
        std::unique_lock<std::mutex> lock(connection_status_mutex);
        const auto finished = [this] { return thread_finished; };
        if (!speech_thread_finished.wait_for(lock, CANCEL_GRACE, finished)) {
            do {
                shut_down_service();
            } while (!speech_thread_finished.wait_for(lock, INTERRUPT_AGAIN, finished));
        }
    }
    speech_thread.join();
    ::close(wake_file);
}

bool Speech::speaking() const {
    return enabled && service_open;
}

void Speech::say_line(const std::string& words, SpeechPriority priority) {
    if (!speaking()) {
        return;
    }
    ask([&](SpeechRequests& waiting) { waiting.add_line(words, priority); });
}

void Speech::say_review(const std::string& words) {
    if (!speaking()) {
        return;
    }
    ask([&](SpeechRequests& waiting) {
        waiting.add_stop();
        waiting.add_line(words, SpeechPriority::message);
    });
}

void Speech::stop() {
    ask([](SpeechRequests& waiting) { waiting.add_stop(); });
}

void Speech::set_enabled(bool on) {
    ask([&](SpeechRequests& waiting) {
        enabled = on;
        waiting.add_switch(on);
    });
    const std::lock_guard<std::mutex> lock(connection_status_mutex);
    if (on && status == Status::failed) {
        status = Status::closed;
    }
    // Switched off while the service does not answer the opening: no need to wait for it.
    if (!on && opening_peer) {
        opening_peer->shut_down_connections();
    }
}

void Speech::set_rate(int rate) {
    const int bounded = std::clamp(rate, SLOWEST_RATE, FASTEST_RATE);
    ask([bounded](SpeechRequests& waiting) { waiting.add_rate(bounded); });
}

std::string Speech::state() const {
    if (!enabled) {
        return "off";
    }
    const std::lock_guard<std::mutex> lock(connection_status_mutex);
    switch (status) {
        case Status::open:
            return "on";
        case Status::failed:
            return "unavailable: " + unavailable_reason;
        case Status::closed:
        case Status::opening:
            break;
    }
    return "starting";
}

template <typename Request>
void Speech::ask(Request request) {
    bool wake_needed = false;
    {
        const std::lock_guard<std::mutex> lock(speech_requests_mutex);
        request(requests);
        wake_needed = !wake_pending;
        wake_pending = true;
    }
    if (wake_needed) {
        wake();
    }
}

void Speech::wake() const {
    const std::uint64_t one = 1;
    if (::write(wake_file, &one, sizeof one) < 0) {
        // Only a full counter refuses it, and that wakes the thread as well.
        return;
    }
}

void Speech::run() {
    ::pthread_setname_np(::pthread_self(), "speech");
    block_broken_pipe_signal();
    Session session;
    session.queue = std::make_unique<SpeechQueue>(
        [&session](const std::string& words,
                   SpeechPriority priority) -> std::optional<std::size_t> {
            if (!session.connection) {
                return std::nullopt;
            }
            return session.connection->say(words, priority);
        });
    while (true) {
        wait_for_work(session);
        SpeechRequests::Batch batch;
        {
            const std::lock_guard<std::mutex> lock(speech_requests_mutex);
            if (stopping) {
                break;
            }
            batch = requests.take();
            wake_pending = false;
        }
        carry_out(session, batch);
    }
    if (session.connection) {
        session.connection->cancel();
        close_connection(session, Status::closed, "");
    }
    {
        const std::lock_guard<std::mutex> lock(connection_status_mutex);
        thread_finished = true;
    }
    speech_thread_finished.notify_all();
}

void Speech::wait_for_work(const Session& session) const {
    std::array<pollfd, 2> watched{{{wake_file, POLLIN, 0}, {-1, POLLRDHUP, 0}}};
    std::optional<Clock::time_point> deadline;
    if (session.connection) {
        watched[1].fd = session.connection->socket();
        deadline = session.queue->silence_deadline();
    }
    ::poll(watched.data(), watched.size(), poll_timeout(deadline));
    // Emptied before the requests are taken: a request left after that wakes the next poll.
    std::uint64_t wakes = 0;
    if (::read(wake_file, &wakes, sizeof wakes) < 0) {
        return;  // not woken by a request
    }
}

void Speech::carry_out(Session& session, SpeechRequests::Batch& batch) {
    close_if_service_left(session);
    if (batch.stop) {
        session.queue->stop();
        if (session.connection) {
            session.connection->cancel();
        }
    }
    if (batch.switch_on == true && !session.connection) {
        open_connection(session);
    } else if (batch.switch_on == false) {
        if (session.connection) {
            session.connection->cancel();
        }
        close_connection(session, Status::closed, "");
    }
    if (batch.rate) {
        session.rate = batch.rate;
        if (session.connection) {
            session.connection->set_rate(*batch.rate);
        }
    }
    if (session.connection) {
        SpeechQueue& queue = *session.queue;
        for (const SpeechRequests::Line& line : batch.lines) {
            queue.say(line.words, line.priority, Clock::now());
        }
        if (batch.not_spoken > 0) {
            queue.count_not_spoken(batch.not_spoken, Clock::now());
        }
        for (const SpeechRequests::Event& event : batch.events) {
            if (event.event == SpeechEvent::began) {
                queue.heard(Clock::now());
            } else {
                queue.ended(event.message_id, Clock::now());
            }
        }
        queue.check_silence(Clock::now());
    }
    close_if_service_left(session);
}

void Speech::open_connection(Session& session) {
    std::optional<SpeechServicePeer> peer = SpeechServicePeer::of_default_address();
    {
        const std::lock_guard<std::mutex> lock(connection_status_mutex);
        status = Status::opening;
        opening_peer = std::move(peer);
    }
    try {
        session.connection =
            std::make_unique<SpeechConnection>([this](std::size_t message_id, SpeechEvent event) {
                on_service_event(message_id, event);
            });
    } catch (const SpeechUnavailable& failure) {
        if (!enabled) {
            close_connection(session, Status::closed, "");
            return;
        }
        // The library's reason is UTF-8 (its quotation marks too); the chat's text is not.
        const std::string reason = qvchat2gui::game_text_from_utf8(failure.what());
        close_connection(session, Status::failed, reason);
        tell("Speech is unavailable: " + reason + ".");
        return;
    }
    session.queue->stop();
    if (session.rate) {
        session.connection->set_rate(*session.rate);
    }
    {
        const std::lock_guard<std::mutex> lock(connection_status_mutex);
        opening_peer.reset();
        service_socket = session.connection->socket();
        status = Status::open;
        service_open = true;  // with the status: lines are taken once state() says "on"
    }
}

void Speech::close_connection(Session& session, Status new_status, const std::string& reason) {
    {
        const std::lock_guard<std::mutex> lock(connection_status_mutex);
        opening_peer.reset();
        service_socket = -1;  // before the connection closes it
        status = new_status;
        unavailable_reason = reason;
        service_open = false;
    }
    session.connection.reset();
    session.queue->stop();
}

void Speech::close_if_service_left(Session& session) {
    if (!session.connection || !session.connection->closed()) {
        return;
    }
    if (!enabled) {
        close_connection(session, Status::closed, "");
        return;
    }
    close_connection(session, Status::failed, SERVICE_LEFT);
    tell(std::string("Speech stopped: ") + SERVICE_LEFT + ".");
}

void Speech::on_service_event(std::size_t message_id, SpeechEvent event) {
    ask([&](SpeechRequests& waiting) { waiting.add_event({message_id, event}); });
}

void Speech::tell(const std::string& sentence) const {
    {
        const std::lock_guard<std::mutex> lock(speech_requests_mutex);
        if (stopping) {
            return;
        }
    }
    if (notice) {
        notice(sentence);
    }
}

void Speech::shut_down_service() {
    if (service_socket >= 0) {
        ::shutdown(service_socket, SHUT_RDWR);
    }
    if (opening_peer) {
        opening_peer->shut_down_connections();
    }
}

}  // namespace qvchat2
