#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "gui/model/speech_output.h"

namespace qvchat2gui {

// What goes to the speech service when. The service ranks lines by priority but would queue every
// text line it is given, and a busy channel would then be read minutes late; so at most one text
// line of ours is at the service at a time, and while it is said the newest text line waits here
// (the ones it replaces are counted as not spoken, and the count is said after):
//  - a message line is sent at once (the service lets it interrupt a text being said) and drops
//    the text line waiting here;
//  - a notification line is sent at once and not followed (the service drops it itself while
//    anything else is said);
//  - a text line is sent at once when nothing of ours (text or message) is said or queued at the
//    service, else it waits here, replacing the one waiting;
//  - when the service ends (END or CANCEL) the last of ours, the waiting line is sent, or else,
//    if lines were not spoken, "N lines not spoken".
// The service's events name message ids, which its answer to the send gives; the event can come
// first (its event thread races the sender), so a few unknown ids that ended are remembered.
// A lost event must not hold the lines back for ever: after SERVICE_SILENCE_LIMIT without a word
// from the service, what is in flight is taken as ended.
//
// A plain state machine: no lock, no thread; the service is reached only through `send`. The
// speech thread owns it (app/speech.h); the tests drive it with their own clock.
class SpeechQueue {
public:
    using Clock = std::chrono::steady_clock;
    // Gives one line to the service: the message id it answered, or nothing when it took none.
    using Send =
        std::function<std::optional<std::size_t>(const std::string& words, SpeechPriority)>;

    static constexpr std::chrono::seconds SERVICE_SILENCE_LIMIT{30};
    // Bounds of what is remembered: the oldest go first (a forgotten line in flight is one whose
    // end was lost; a forgotten early end, one of a line long gone).
    static constexpr std::size_t MOST_IN_FLIGHT = 64;
    static constexpr std::size_t MOST_ENDED_EARLY = 64;

    explicit SpeechQueue(Send send);

    // A line to say, at its priority.
    void say(const std::string& words, SpeechPriority priority, Clock::time_point now);
    // Lines dropped before they came here, counted with those not spoken; said as soon as nothing
    // of ours is in flight.
    void count_not_spoken(std::size_t lines, Clock::time_point now);
    // The service began saying something: it is alive.
    void heard(Clock::time_point now);
    // The service ended or cancelled message `id`.
    void ended(std::size_t id, Clock::time_point now);
    // Takes what is in flight as ended when the service has been silent for too long.
    void check_silence(Clock::time_point now);
    // When check_silence next has something to do; nothing while nothing is in flight.
    std::optional<Clock::time_point> silence_deadline() const;
    // Forgets the waiting line, the count and what is in flight. The caller cancels what the
    // service holds.
    void stop();

private:
    void send_followed(const std::string& words, SpeechPriority priority, Clock::time_point now);
    // While nothing of ours is in flight: the waiting line, else the count of lines not spoken.
    void release_next(Clock::time_point now);
    bool take_ended_early(std::size_t id);

    Send send;
    std::optional<std::string> waiting_text;
    std::size_t not_spoken = 0;
    std::deque<std::size_t> in_flight;    // message ids of our text and message lines
    std::deque<std::size_t> ended_early;  // ids that ended before the send returned them
    Clock::time_point last_heard;
};

}  // namespace qvchat2gui
