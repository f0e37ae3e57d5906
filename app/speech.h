#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/speech_connection.h"
#include "app/speech_requests.h"
#include "app/speech_service_peer.h"
#include "gui/model/speech_output.h"

namespace qvchat2gui {
class SpeechQueue;
}

namespace qvchat2 {

// The program's speech, through the speech service (speech-dispatcher) when the user switches it
// on. One thread of its own, "speech", started here and joined by the destructor, opens and closes
// the connection and makes every call to the library; callers on any thread only leave requests
// (SpeechRequests, under speech_requests_mutex, bounded) and return at once. What goes to the
// service when is SpeechQueue's: the newest text line waits while one is said, and the count of
// those not spoken is said after.
//
// `notice` gets, on the speech thread with no lock held, a sentence for the user when the service
// cannot be reached ("Speech is unavailable: REASON.") or goes away ("Speech stopped: the speech
// service closed the connection."); never once the destructor has begun.
// The destructor cancels what is said and returns within a moment whatever the service does: a
// service that does not answer has its connection shut down under the library.
class Speech : public qvchat2gui::SpeechOutput {
public:
    using Notice = std::function<void(const std::string& sentence)>;

    explicit Speech(Notice notice);
    ~Speech() override;

    Speech(const Speech&) = delete;
    Speech& operator=(const Speech&) = delete;

    // True only while switched on and connected. Any thread.
    bool speaking() const override;
    // Lines given while not speaking are dropped. Any thread, as the others below.
    void say_line(const std::string& words, qvchat2gui::SpeechPriority priority) override;
    void say_review(const std::string& words) override;
    void stop() override;

    // Opens the connection on the speech thread (again, after a failure); off cancels what is
    // said and closes it.
    void set_enabled(bool on);
    // -100 (slowest) to 100, a value beyond taken as the bound; sent now when connected and on
    // each connection.
    void set_rate(int rate);
    // "off", "starting", "on" or "unavailable: REASON", for the user.
    std::string state() const;

private:
    using Clock = std::chrono::steady_clock;
    enum class Status : std::uint8_t { closed, opening, open, failed };
    // The speech thread's own.
    struct Session {
        std::unique_ptr<SpeechConnection> connection;
        std::unique_ptr<qvchat2gui::SpeechQueue> queue;
        std::optional<int> rate;
    };

    void run();
    void carry_out(Session& session, SpeechRequests::Batch& batch);
    void open_connection(Session& session);
    void close_connection(Session& session, Status status, const std::string& reason);
    void close_if_service_left(Session& session);
    void wait_for_work(const Session& session) const;
    void on_service_event(std::size_t message_id, SpeechEvent event);
    // Leaves a request: `request(requests)` runs under speech_requests_mutex.
    template <typename Request>
    void ask(Request request);
    void wake() const;
    void tell(const std::string& sentence) const;
    // Shuts down the connection's socket, or the one being opened, under the library: its call
    // waiting for the service returns. With connection_status_mutex held.
    void shut_down_service();

    const Notice notice;
    const int wake_file;  // an eventfd: requests wake the speech thread's poll

    // guards requests, wake_pending, stopping and the writes of enabled
    mutable std::mutex speech_requests_mutex;
    SpeechRequests requests;
    bool wake_pending = false;
    bool stopping = false;
    std::atomic<bool> enabled{false};

    // guards status, unavailable_reason, service_socket, opening_peer and thread_finished
    mutable std::mutex connection_status_mutex;
    std::condition_variable speech_thread_finished;
    Status status = Status::closed;
    std::string unavailable_reason;
    int service_socket = -1;  // the open connection's, to shut down (SpeechConnection::socket)
    std::optional<SpeechServicePeer> opening_peer;  // while the connection opens
    bool thread_finished = false;
    std::atomic<bool> service_open{false};

    std::thread speech_thread;  // last: it starts once everything above exists
};

}  // namespace qvchat2
