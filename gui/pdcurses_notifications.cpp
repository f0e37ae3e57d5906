// Notifications outside the terminal of the lines for the user, while the terminal is not in focus
// or the user is away: queued as the lines come, written by the paint thread between frames.
#include <chrono>

#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

void PDCursesGUI::set_notification_listener(
    const std::function<void(const std::string&)>& listener) {
    notification_listener = listener;
}

std::optional<std::string> PDCursesGUI::queue_notification(const std::string& line) {
    if (terminal_focused && !status.away) {
        return std::nullopt;
    }
    std::string text = notification_text(line);
    if (settings.notify != NotifyMode::off) {
        if (std::optional<std::string> now =
                notify_throttle.offer(text, std::chrono::steady_clock::now())) {
            notifications_due.push_back(std::move(*now));
            redraw_pending.notify = true;
        }
    }
    return text;
}

// redraw_mutex held. When the notifications held back by the throttle are to be summed up.
std::optional<boost::chrono::steady_clock::time_point> PDCursesGUI::notification_summary_due()
    const {
    const std::optional<std::chrono::steady_clock::time_point> due = notify_throttle.next_due();
    if (!due) {
        return std::nullopt;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(
        *due - std::chrono::steady_clock::now());
    return boost::chrono::steady_clock::now() + boost::chrono::nanoseconds(wait.count());
}

// redraw_mutex held: the notifications due, as the bytes the terminal gets.
void PDCursesGUI::take_notifications(PaintJob& job) {
    if (std::optional<std::string> summary =
            notify_throttle.take_due(std::chrono::steady_clock::now())) {
        notifications_due.push_back(std::move(*summary));
    }
    for (const std::string& text : notifications_due) {
        job.notifications += notification_sequence(settings.notify, terminal_facts, text);
    }
    notifications_due.clear();
}

}  // namespace qvchat2gui
