#include "app/speech_requests.h"

#include <algorithm>
#include <utility>

namespace qvchat2 {

namespace {

std::size_t cost_of(const SpeechRequests::Line& line) {
    return sizeof line + line.words.size();
}

}  // namespace

void SpeechRequests::add_line(std::string_view words, qvchat2gui::SpeechPriority priority) {
    Line line{std::string(words.substr(0, MOST_WORDS_BYTES)), priority};
    if (priority == qvchat2gui::SpeechPriority::text && text_waiting) {
        const auto replaced = std::find_if(
            waiting.lines.rbegin(), waiting.lines.rend(),
            [](const Line& older) { return older.priority == qvchat2gui::SpeechPriority::text; });
        line_bytes -= cost_of(*replaced);
        waiting.lines.erase(std::next(replaced).base());
        ++waiting.not_spoken;
        text_waiting = false;
    }
    if (line_bytes + cost_of(line) > MOST_LINE_BYTES) {
        if (priority != qvchat2gui::SpeechPriority::notification) {
            ++waiting.not_spoken;
        }
        return;
    }
    line_bytes += cost_of(line);
    text_waiting = text_waiting || priority == qvchat2gui::SpeechPriority::text;
    waiting.lines.push_back(std::move(line));
}

void SpeechRequests::add_stop() {
    drop_lines();
    waiting.not_spoken = 0;
    waiting.stop = true;
}

void SpeechRequests::add_switch(bool on) {
    if (!on) {
        drop_lines();
        waiting.not_spoken = 0;
    }
    waiting.switch_on = on;
}

void SpeechRequests::add_rate(int rate) {
    waiting.rate = rate;
}

void SpeechRequests::add_event(Event event) {
    if (waiting.events.size() < MOST_EVENTS) {
        waiting.events.push_back(event);
    }
}

SpeechRequests::Batch SpeechRequests::take() {
    Batch taken = std::move(waiting);
    waiting = Batch();
    line_bytes = 0;
    text_waiting = false;
    return taken;
}

void SpeechRequests::drop_lines() {
    waiting.lines.clear();
    line_bytes = 0;
    text_waiting = false;
}

}  // namespace qvchat2
