#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gui/model/speech_output.h"

namespace qvtest {

// A speech output that keeps what it was asked to say, in order.
class RecordingSpeech : public qvchat2gui::SpeechOutput {
public:
    using Said = std::pair<std::string, qvchat2gui::SpeechPriority>;

    bool speaking() const override { return on; }
    void say_line(const std::string& words, qvchat2gui::SpeechPriority priority) override {
        const std::lock_guard<std::mutex> lock(said_mutex);
        lines.emplace_back(words, priority);
    }
    void say_review(const std::string& words) override {
        const std::lock_guard<std::mutex> lock(said_mutex);
        reviews.push_back(words);
    }
    void stop() override {
        const std::lock_guard<std::mutex> lock(said_mutex);
        ++stops;
    }

    std::vector<Said> said() const {
        const std::lock_guard<std::mutex> lock(said_mutex);
        return lines;
    }
    std::vector<std::string> reviewed() const {
        const std::lock_guard<std::mutex> lock(said_mutex);
        return reviews;
    }
    int stopped() const {
        const std::lock_guard<std::mutex> lock(said_mutex);
        return stops;
    }
    void forget() {
        const std::lock_guard<std::mutex> lock(said_mutex);
        lines.clear();
        reviews.clear();
        stops = 0;
    }

    bool on = true;

private:
    mutable std::mutex said_mutex;  // guards lines, reviews and stops
    std::vector<Said> lines;
    std::vector<std::string> reviews;
    int stops = 0;
};

}  // namespace qvtest
