#include "bench/scroll_back_gui.h"

namespace qvbench {

ScrollBackGUI::ScrollBackGUI(int columns, int rows, std::size_t kept_texts)
    : chat_lines(columns, rows, kept_texts) {}

void ScrollBackGUI::prompt_login(std::string& /*username*/, std::string& /*password*/) const {}

void ScrollBackGUI::add_chat_line(const std::string& line) {
    {
        const std::lock_guard<std::mutex> lock(scroll_back_mutex);
        chat_lines.add(line);
    }
    ++stored;
}

void ScrollBackGUI::add_line_in_view(const std::string& line, qvchat2gui::Attention attention,
                                     const qvchat2gui::LineView& view) {
    {
        const std::lock_guard<std::mutex> lock(scroll_back_mutex);
        const qvchat2gui::ScrollBack::ViewTag tag =
            views.note_line(view, attention != qvchat2gui::Attention::none);
        if (folding) {
            repeats.add_or_fold(chat_lines, line, attention, qvchat2gui::NO_STAMP, tag,
                                qvchat2gui::RepeatFolder::Clock::now());
        } else {
            chat_lines.add(line, attention, qvchat2gui::NO_STAMP, tag);
        }
    }
    ++stored;
}

void ScrollBackGUI::take_control() {}

void ScrollBackGUI::update_clock(unsigned short /*minutes*/) {}

void ScrollBackGUI::fold_repeats(bool on) {
    const std::lock_guard<std::mutex> lock(scroll_back_mutex);
    folding = on;
}

std::size_t ScrollBackGUI::lines_stored() const {
    return stored.load();
}

}  // namespace qvbench
