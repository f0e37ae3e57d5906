// The review in reader mode: Alt-Up and Alt-Down move over the lines kept for the view shown,
// Alt-Home and Alt-End to its oldest and newest; each line is said by speech when it speaks, or
// else written once as the client's own line, with the time it came. Ctrl-G stops speech.
#include <string>
#include <utility>

#include "gui/model/key_codes.h"
#include "gui/reader/reader_gui.h"

namespace qvchat2gui {

bool ReaderGUI::handle_review_key(int key) {
    const std::optional<ReviewPoint::Move> move = review_move_of(key, true);
    if (!move) {
        return false;
    }
    ReviewStep step;
    searched_lines.locked()(
        [this, &step, &move](const ScrollBack& lines) { step = review_point.move(lines, *move); });
    if (SpeechOutput* output = speech(); output != nullptr && output->speaking()) {
        output->say_review(step.words());
    } else if (step.line) {
        write_review(step);
    } else {
        add_client_line(step.text);
    }
    return true;
}

// "Client: 12:34, Server: The server restarts soon": the line as the reader wrote it, after the
// word that tells it from the lines that come. The repeats said before the next line are said
// before it, so that none is heard after the wrong line.
void ReaderGUI::write_review(const ReviewStep& step) {
    std::string time = stamp_text(step.stamp);
    if (!time.empty()) {
        time.back() = ',';
        time += ' ';
    }
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        for (std::string& summary : repeat_summaries.take()) {
            pending.lines.push(std::move(summary));
        }
        pending.lines.push(reader_line(time, LineOrigin::client, terminal) +
                           reader_line(step.text, LineOrigin::game, terminal));
    }
    output_changed.notify_one();
}

}  // namespace qvchat2gui
