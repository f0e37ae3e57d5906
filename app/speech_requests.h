#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/speech_connection.h"
#include "gui/model/speech_output.h"

namespace qvchat2 {

// What the callers of Speech asked of the speech thread and it has not taken yet. Lines come from
// the receiving path as fast as the server sends them, so this never grows with them: a text line
// replaces the text line waiting (only the newest would be said: SpeechQueue holds one text line
// back the same way, and the one replaced is counted as not spoken), and the lines waiting take at
// most MOST_LINE_BYTES, beyond which a new line is dropped (a message or text line counted as not
// spoken). The service's events are at most MOST_EVENTS; one lost ends by the queue's silence
// limit.
// Not thread-safe: Speech guards it with its speech_requests_mutex.
class SpeechRequests {
public:
    struct Line {
        std::string words;
        qvchat2gui::SpeechPriority priority = qvchat2gui::SpeechPriority::text;
    };
    struct Event {
        std::size_t message_id = 0;
        SpeechEvent event = SpeechEvent::ended;
    };
    // Everything asked since the last take, to be done in this order: the stop, the switch, the
    // rate, the lines, the count of lines not spoken, the events. The events last: an end that
    // came with newer lines then releases the newest of them, not one they replace.
    struct Batch {
        bool stop = false;
        std::optional<bool> switch_on;
        std::optional<int> rate;
        std::vector<Event> events;
        std::vector<Line> lines;
        std::size_t not_spoken = 0;
    };

    static constexpr std::size_t MOST_LINE_BYTES = std::size_t{256} * 1024;
    // A line is cut to this before it waits; the connection keeps fewer (MOST_SPOKEN_BYTES).
    static constexpr std::size_t MOST_WORDS_BYTES = 4096;
    static constexpr std::size_t MOST_EVENTS = 1024;

    void add_line(std::string_view words, qvchat2gui::SpeechPriority priority);
    // Drops the lines waiting and asks for a stop.
    void add_stop();
    // Asks for the connection to be opened or closed; off drops the lines waiting.
    void add_switch(bool on);
    void add_rate(int rate);
    void add_event(Event event);
    Batch take();

private:
    void drop_lines();

    Batch waiting;
    std::size_t line_bytes = 0;
    bool text_waiting = false;
};

}  // namespace qvchat2
