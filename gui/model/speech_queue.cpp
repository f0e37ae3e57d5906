#include "gui/model/speech_queue.h"

#include <algorithm>
#include <utility>

namespace qvchat2gui {

namespace {

std::string not_spoken_summary(std::size_t lines) {
    return std::to_string(lines) + (lines == 1 ? " line not spoken" : " lines not spoken");
}

}  // namespace

SpeechQueue::SpeechQueue(Send send) : send(std::move(send)) {}

void SpeechQueue::say(const std::string& words, SpeechPriority priority, Clock::time_point now) {
    switch (priority) {
        case SpeechPriority::notification:
            if (send(words, priority)) {
                last_heard = now;
            }
            return;
        case SpeechPriority::message:
            if (waiting_text) {
                waiting_text.reset();
                ++not_spoken;
            }
            send_followed(words, priority, now);
            break;
        case SpeechPriority::text:
            if (!in_flight.empty()) {
                if (waiting_text) {
                    ++not_spoken;
                }
                waiting_text = words;
                return;
            }
            send_followed(words, priority, now);
            break;
    }
    release_next(now);
}

void SpeechQueue::count_not_spoken(std::size_t lines, Clock::time_point now) {
    not_spoken += lines;
    release_next(now);
}

void SpeechQueue::heard(Clock::time_point now) {
    last_heard = now;
}

void SpeechQueue::ended(std::size_t id, Clock::time_point now) {
    last_heard = now;
    const auto found = std::find(in_flight.begin(), in_flight.end(), id);
    if (found == in_flight.end()) {
        if (ended_early.size() == MOST_ENDED_EARLY) {
            ended_early.pop_front();
        }
        ended_early.push_back(id);
        return;
    }
    in_flight.erase(found);
    release_next(now);
}

void SpeechQueue::check_silence(Clock::time_point now) {
    if (!in_flight.empty() && now - last_heard >= SERVICE_SILENCE_LIMIT) {
        in_flight.clear();
        release_next(now);
    }
}

std::optional<SpeechQueue::Clock::time_point> SpeechQueue::silence_deadline() const {
    if (in_flight.empty()) {
        return std::nullopt;
    }
    return last_heard + SERVICE_SILENCE_LIMIT;
}

void SpeechQueue::stop() {
    waiting_text.reset();
    not_spoken = 0;
    in_flight.clear();
    ended_early.clear();
}

void SpeechQueue::send_followed(const std::string& words, SpeechPriority priority,
                                Clock::time_point now) {
    const std::optional<std::size_t> id = send(words, priority);
    if (!id) {
        return;
    }
    last_heard = now;
    if (take_ended_early(*id)) {
        return;
    }
    if (in_flight.size() == MOST_IN_FLIGHT) {
        in_flight.pop_front();
    }
    in_flight.push_back(*id);
}

void SpeechQueue::release_next(Clock::time_point now) {
    // Each pass uses up the waiting line or the count, so this ends even when every send fails
    // or its end came first.
    while (in_flight.empty()) {
        if (waiting_text) {
            const std::string words = std::move(*waiting_text);
            waiting_text.reset();
            send_followed(words, SpeechPriority::text, now);
        } else if (not_spoken > 0) {
            const std::string summary = not_spoken_summary(not_spoken);
            not_spoken = 0;
            send_followed(summary, SpeechPriority::text, now);
        } else {
            return;
        }
    }
}

bool SpeechQueue::take_ended_early(std::size_t id) {
    const auto found = std::find(ended_early.begin(), ended_early.end(), id);
    if (found == ended_early.end()) {
        return false;
    }
    ended_early.erase(found);
    return true;
}

}  // namespace qvchat2gui
