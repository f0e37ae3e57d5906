#include "chat/spoken_lines.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include "gui/model/repeat_folder.h"
#include "gui/model/spoken_text.h"

namespace qvchat2 {

namespace {

std::atomic<SpeechChoice> chosen_lines{SpeechChoice::every_line};
std::atomic<bool> repeats_folded{false};

// The recent lines spoken, to leave a repeat unsaid as the screen folds it.
struct SpokenRepeats {
    std::mutex spoken_repeats_mutex;  // guards folder and count
    qvchat2gui::RepeatFolder folder;
    std::uint64_t count = 0;
};

SpokenRepeats& spoken_repeats() {
    static SpokenRepeats repeats;
    return repeats;
}

bool is_repeat(const std::string& shown) {
    if (!repeats_folded.load(std::memory_order_relaxed)) {
        return false;
    }
    const auto now = qvchat2gui::RepeatFolder::Clock::now();
    SpokenRepeats& spoken = spoken_repeats();
    const std::lock_guard<std::mutex> lock(spoken.spoken_repeats_mutex);
    if (const auto repeat = spoken.folder.find(shown, now)) {
        spoken.folder.shown(shown, repeat->earlier, repeat->count + 1, now);
        return true;
    }
    spoken.folder.shown(shown, ++spoken.count, 1, now);
    return false;
}

}  // namespace

SpeechChoice speech_choice() {
    return chosen_lines.load(std::memory_order_relaxed);
}

void set_speech_choice(SpeechChoice choice) {
    chosen_lines.store(choice, std::memory_order_relaxed);
}

void set_spoken_repeats_folded(bool folded) {
    repeats_folded.store(folded, std::memory_order_relaxed);
}

void speak_received_line(qvchat2gui::ChatGUI* gui, const ReceivedLine& line) {
    qvchat2gui::SpeechOutput* speech = gui->speech();
    if (speech == nullptr || !speech->speaking()) {
        return;
    }
    const bool urgent = line.for_user || line.speak_trigger;
    if ((!urgent && speech_choice() == SpeechChoice::for_user) || is_repeat(line.shown)) {
        return;
    }
    // A server line is said as its words: it could look like a private message on purpose.
    const std::string words = line.server_text ? qvchat2gui::spoken_words(line.message)
                                               : qvchat2gui::spoken_shown_line(line.shown);
    if (words.empty()) {
        return;
    }
    const qvchat2gui::SpeechPriority priority = urgent ? qvchat2gui::SpeechPriority::message
                                                : line.server_text
                                                    ? qvchat2gui::SpeechPriority::notification
                                                    : qvchat2gui::SpeechPriority::text;
    speech->say_line(words, priority);
}

}  // namespace qvchat2
