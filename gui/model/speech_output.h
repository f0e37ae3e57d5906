#pragma once

#include <cstdint>
#include <string>

namespace qvchat2gui {

// How urgently a line is spoken, as the speech service ranks it: a message interrupts what is
// being said, a notification is dropped while anything else is spoken, a text waits its turn
// and gives way to a message.
enum class SpeechPriority : std::uint8_t { message, notification, text };

// Where lines are spoken. Every call returns at once, whatever the speech service does: lines
// come from the receiving path and keys from the key loop. Any thread.
class SpeechOutput {
public:
    SpeechOutput() = default;
    virtual ~SpeechOutput() = default;
    SpeechOutput(const SpeechOutput&) = delete;
    SpeechOutput& operator=(const SpeechOutput&) = delete;

    // Whether lines are spoken now (the user switched speech on and the service answered).
    virtual bool speaking() const = 0;
    // A received line in words (UTF-8), at its priority.
    virtual void say_line(const std::string& words, SpeechPriority priority) = 0;
    // The line the user moved the review to: said at once, in place of what was being said.
    virtual void say_review(const std::string& words) = 0;
    // Stops what is being said and drops what waits to be said.
    virtual void stop() = 0;
};

}  // namespace qvchat2gui
