#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "gui/common_gui.h"
#include "gui/model/chat_views.h"
#include "gui/model/repeat_folder.h"
#include "gui/model/scroll_back.h"

namespace qvbench {

// A front-end without a screen: add_chat_line does what the curses front-end does with a line
// (the real word wrap into the real scroll-back, under a lock), received lines also find their
// view as there, and the lines stored are counted.
class ScrollBackGUI : public qvchat2gui::ChatGUI {
public:
    // kept_texts: as the setting scrollback gives it (0: 1000 display rows).
    ScrollBackGUI(int columns, int rows, std::size_t kept_texts = 0);

    void prompt_login(std::string& username, std::string& password) const override;
    void add_chat_line(const std::string& line) override;
    void add_line_in_view(const std::string& line, qvchat2gui::Attention attention,
                          const qvchat2gui::LineView& view) override;
    void take_control() override;
    void update_clock(unsigned short minutes) override;

    std::size_t lines_stored() const;
    // As the setting fold_repeats.
    void fold_repeats(bool on);

private:
    std::mutex scroll_back_mutex;  // guards the fields below
    qvchat2gui::ScrollBack chat_lines;
    qvchat2gui::ChatViews views;
    bool folding = false;
    qvchat2gui::RepeatFolder repeats;
    std::atomic<std::size_t> stored{0};
};

}  // namespace qvbench
