// The review on the chat window: Alt-Up and Alt-Down move over the lines of the view shown, the
// chat scrolled to the line and the line marked as Alt-P marks one, and speech says it; typed
// text, Enter, Esc or another view end it. Ctrl-G stops speech.
#include <string>

#include "gui/model/key_codes.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

namespace {

constexpr char REVIEW_NOTE[] = " review: Esc returns ";

// "No older line." on the border, as the walk through the lines for the user says its edges.
std::string border_note(const std::string& notice) {
    std::string note = notice;
    if (!note.empty() && note.back() == '.') {
        note.pop_back();
    }
    if (!note.empty() && note.front() >= 'A' && note.front() <= 'Z') {
        note.front() = static_cast<char>(note.front() - 'A' + 'a');
    }
    return " " + note + " ";
}

}  // namespace

// Input thread. Alt-Home and Alt-End keep scrolling the chat here: the review has no ends of its
// own. While the found view covers the chat the keys move over the found lines.
bool PDCursesGUI::handle_review_key(int key) {
    const std::optional<ReviewPoint::Move> move = review_move_of(key, false);
    if (!move) {
        return false;
    }
    ReviewStep step;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        step = found_view.lines ? review_found_lines(*move) : review_chat(*move);
    }
    queue_main_redraw();
    if (SpeechOutput* output = speech(); output != nullptr && output->speaking()) {
        output->say_review(step.words());
    }
    return true;
}

// redraw_mutex held.
ReviewStep PDCursesGUI::review_chat(ReviewPoint::Move move) {
    if (!review_point.active()) {
        view_before_review = chat_lines.view_mark();
    }
    ReviewStep step = review_point.move(chat_lines, move);
    jumped_text = review_point.line();
    if (step.line) {
        chat_lines.show_text(*step.line);
        reading_note = REVIEW_NOTE;
    } else {
        reading_note = border_note(step.text);
    }
    return step;
}

// redraw_mutex held. The found lines' border keeps naming the search; the line is marked.
ReviewStep PDCursesGUI::review_found_lines(ReviewPoint::Move move) {
    ReviewStep step = found_view.review.move(*found_view.lines, move);
    if (step.line) {
        found_view.lines->show_text(*step.line);
    }
    return step;
}

// Input thread, the only one that moves either review point.
void PDCursesGUI::leave_review() {
    if (!review_point.active() && !found_view.review.active()) {
        return;
    }
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        found_view.review.leave();
        leave_review_shown();
    }
    queue_main_redraw();
}

// redraw_mutex held.
void PDCursesGUI::leave_review_shown() {
    if (!review_point.active()) {
        return;
    }
    review_point.leave();
    chat_lines.return_to(view_before_review);
    jumped_text.reset();
    reading_note.clear();
}

}  // namespace qvchat2gui
