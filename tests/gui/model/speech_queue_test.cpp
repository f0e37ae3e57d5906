#include "gui/model/speech_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qvchat2gui {
namespace {

using namespace std::chrono_literals;
using Clock = SpeechQueue::Clock;

// One thing that happens to the queue.
struct Step {
    enum class Kind { say, end, hear, wait, stop, refuse_next_send, count } kind;
    std::string words;
    SpeechPriority priority = SpeechPriority::text;
    std::size_t number = 0;  // end: the message id; wait: seconds; count: lines
};

Step text(const std::string& words) {
    return {Step::Kind::say, words, SpeechPriority::text, 0};
}
Step message(const std::string& words) {
    return {Step::Kind::say, words, SpeechPriority::message, 0};
}
Step notification(const std::string& words) {
    return {Step::Kind::say, words, SpeechPriority::notification, 0};
}
Step end(std::size_t id) {
    return {Step::Kind::end, "", SpeechPriority::text, id};
}
Step hear() {
    return {Step::Kind::hear, "", SpeechPriority::text, 0};
}
Step wait_seconds(std::size_t seconds) {
    return {Step::Kind::wait, "", SpeechPriority::text, seconds};
}
Step stop() {
    return {Step::Kind::stop, "", SpeechPriority::text, 0};
}
Step refuse_next_send() {
    return {Step::Kind::refuse_next_send, "", SpeechPriority::text, 0};
}
Step counted_elsewhere(std::size_t lines) {
    return {Step::Kind::count, "", SpeechPriority::text, lines};
}

const char* priority_name(SpeechPriority priority) {
    switch (priority) {
        case SpeechPriority::message:
            return "message";
        case SpeechPriority::notification:
            return "notification";
        case SpeechPriority::text:
            break;
    }
    return "text";
}

// A service that gives the ids 1, 2, 3... in the order lines are sent, and the lines it got as
// "priority: words".
struct RecordingService {
    std::vector<std::string> sent;
    bool refusing = false;  // the next send
    Clock::time_point now = Clock::now();
    SpeechQueue queue{
        [this](const std::string& words, SpeechPriority priority) -> std::optional<std::size_t> {
            if (refusing) {
                refusing = false;
                return std::nullopt;
            }
            sent.push_back(std::string(priority_name(priority)) + ": " + words);
            return sent.size();
        }};

    void run(const Step& step) {
        switch (step.kind) {
            case Step::Kind::say:
                queue.say(step.words, step.priority, now);
                break;
            case Step::Kind::end:
                queue.ended(step.number, now);
                break;
            case Step::Kind::hear:
                queue.heard(now);
                break;
            case Step::Kind::wait:
                now += std::chrono::seconds(step.number);
                queue.check_silence(now);
                break;
            case Step::Kind::stop:
                queue.stop();
                break;
            case Step::Kind::refuse_next_send:
                refusing = true;
                break;
            case Step::Kind::count:
                queue.count_not_spoken(step.number, now);
                break;
        }
    }
};

struct QueueCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> sent;
};

std::vector<QueueCase> queue_cases() {
    return {
        {"a text alone is sent at once", {text("a")}, {"text: a"}},
        {"a text waits while one is said, then follows its end",
         {text("a"), text("b"), end(1)},
         {"text: a", "text: b"}},
        {"each end releases the next waiting text",
         {text("a"), text("b"), end(1), text("c"), end(2)},
         {"text: a", "text: b", "text: c"}},
        {"the waiting text is the newest; the ones it replaced are counted after it",
         {text("a"), text("b"), text("c"), text("d"), end(1), end(2)},
         {"text: a", "text: d", "text: 2 lines not spoken"}},
        {"one line not spoken is said in the singular",
         {text("a"), text("b"), text("c"), end(1), end(2)},
         {"text: a", "text: c", "text: 1 line not spoken"}},
        {"the count starts again after it is said",
         {text("a"), text("b"), text("c"), end(1), end(2), end(3), text("d"), end(4)},
         {"text: a", "text: c", "text: 1 line not spoken", "text: d"}},
        {"a message is sent at once, drops the waiting text and counts it",
         {text("a"), text("b"), message("m"), end(1), end(2)},
         {"text: a", "message: m", "text: 1 line not spoken"}},
        {"a text waits for a message in flight",
         {message("m"), text("a"), end(1)},
         {"message: m", "text: a"}},
        {"only the end of the last line in flight releases the waiting one",
         {text("a"), message("m"), text("b"), end(2), end(1)},
         {"text: a", "message: m", "text: b"}},
        {"a notification is sent at once and not followed",
         {notification("n"), text("a"), text("b"), notification("o"), end(2)},
         {"notification: n", "text: a", "notification: o", "text: b"}},
        {"the end of an unknown line changes nothing", {text("a"), end(7), text("b")}, {"text: a"}},
        {"an end that comes before the send returned its id is not lost",
         {end(1), text("a"), text("b")},
         {"text: a", "text: b"}},
        {"stop forgets the waiting line, the count and what is in flight",
         {text("a"), text("b"), text("c"), stop(), end(1), text("d"), end(2)},
         {"text: a", "text: d"}},
        {"lines dropped elsewhere are counted with the others",
         {text("a"), counted_elsewhere(3), text("b"), text("c"), end(1), end(2)},
         {"text: a", "text: c", "text: 4 lines not spoken"}},
        {"lines dropped elsewhere while nothing is said are said at once",
         {counted_elsewhere(1)},
         {"text: 1 line not spoken"}},
        {"a line the service refused is not waited for",
         {refuse_next_send(), text("a"), text("b")},
         {"text: b"}},
        {"a silent service holds the waiting line for a while",
         {text("a"), text("b"), wait_seconds(29)},
         {"text: a"}},
        {"after 30 s of silence what is in flight is forgotten",
         {text("a"), text("b"), wait_seconds(29), wait_seconds(1)},
         {"text: a", "text: b"}},
        {"a line the service began saying keeps it alive",
         {text("a"), text("b"), wait_seconds(20), hear(), wait_seconds(20)},
         {"text: a"}},
    };
}

TEST(SpeechQueue, SendsTheLinesInTurn) {
    for (const QueueCase& test : queue_cases()) {
        SCOPED_TRACE(test.name);
        RecordingService service;
        for (const Step& step : test.steps) {
            service.run(step);
        }
        EXPECT_EQ(service.sent, test.sent);
    }
}

TEST(SpeechQueue, AFloodSaysTheFirstTheLastAndHowManyWereNotSpoken) {
    RecordingService service;
    for (int line = 1; line <= 100; ++line) {
        service.run(text("line " + std::to_string(line)));
    }
    service.run(end(1));
    service.run(end(2));
    service.run(end(3));
    EXPECT_EQ(service.sent, (std::vector<std::string>{"text: line 1", "text: line 100",
                                                      "text: 98 lines not spoken"}));
    EXPECT_FALSE(service.queue.silence_deadline().has_value());
}

TEST(SpeechQueue, WhatItRemembersIsBounded) {
    // Unknown ends beyond the bound push out the oldest: id 1 is then a line in flight again.
    RecordingService early;
    early.run(end(1));
    for (std::size_t id = 1000; id < 1000 + SpeechQueue::MOST_ENDED_EARLY; ++id) {
        early.run(end(id));
    }
    early.run(text("a"));
    early.run(text("b"));
    EXPECT_EQ(early.sent, (std::vector<std::string>{"text: a"}));

    // Lines in flight beyond the bound push out the oldest, whose end is then not waited for.
    RecordingService messages;
    messages.run(text("a"));
    for (std::size_t line = 0; line < SpeechQueue::MOST_IN_FLIGHT; ++line) {
        messages.run(message("m"));
    }
    messages.run(text("b"));
    for (std::size_t id = 2; id <= SpeechQueue::MOST_IN_FLIGHT + 1; ++id) {
        messages.run(end(id));
    }
    EXPECT_EQ(messages.sent.back(), "text: b");
}

TEST(SpeechQueue, TheSilenceDeadlineFollowsTheLastWordFromTheService) {
    RecordingService service;
    EXPECT_FALSE(service.queue.silence_deadline().has_value());
    service.run(text("a"));
    EXPECT_EQ(service.queue.silence_deadline(), service.now + SpeechQueue::SERVICE_SILENCE_LIMIT);
    service.run(wait_seconds(10));
    service.run(hear());
    EXPECT_EQ(service.queue.silence_deadline(), service.now + SpeechQueue::SERVICE_SILENCE_LIMIT);
}

}  // namespace
}  // namespace qvchat2gui
