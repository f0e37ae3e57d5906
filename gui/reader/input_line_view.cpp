#include "gui/reader/input_line_view.h"

#include <algorithm>

#include "gui/model/chat_text.h"
#include "gui/reader/reader_text.h"

namespace qvchat2gui {

namespace {

constexpr char SCROLLED_PROMPT[] = "< ";
constexpr char ERASE_TO_END[] = "\x1b[K";
constexpr char RUB_OUT[] = "\b \b";

std::string cursor_left(std::size_t columns) {
    if (columns == 0) {
        return "";
    }
    return columns == 1 ? std::string("\b") : "\x1b[" + std::to_string(columns) + "D";
}

std::string cursor_right(std::size_t columns) {
    return columns == 0 ? std::string() : "\x1b[" + std::to_string(columns) + "C";
}

// Moves the cursor from column `from` to column `to` of the text.
std::string cursor_move(std::size_t from, std::size_t to) {
    return to < from ? cursor_left(from - to) : cursor_right(to - from);
}

std::size_t common_prefix(std::string_view one, std::string_view other) {
    const auto [end, unused] =
        std::mismatch(one.begin(), one.begin() + std::min(one.size(), other.size()), other.begin());
    return static_cast<std::size_t>(end - one.begin());
}

}  // namespace

InputLineView InputLineView::of(std::string_view visible, std::size_t cursor, bool scrolled) {
    InputLineView view;
    view.scrolled = scrolled;
    std::size_t before_cursor = 0;
    for (std::size_t index = 0; index < visible.size(); ++index) {
        if (!is_control_character(visible[index])) {
            view.text += visible[index];
            before_cursor += index < cursor ? 1 : 0;
        }
    }
    view.cursor = before_cursor;
    return view;
}

bool InputLineView::operator==(const InputLineView& other) const {
    return text == other.text && cursor == other.cursor && scrolled == other.scrolled &&
           entry_line == other.entry_line;
}

std::string prompt_of(const InputLineView& view) {
    const std::string prompt = view.scrolled ? SCROLLED_PROMPT : READER_PROMPT;
    return view.entry_line == 0 ? prompt : "line " + std::to_string(view.entry_line) + prompt;
}

std::string whole_input_line(const InputLineView& view) {
    return "\r" + prompt_of(view) + terminal_text(view.text) + ERASE_TO_END +
           cursor_left(view.text.size() - std::min(view.cursor, view.text.size()));
}

std::string input_line_change(const std::optional<InputLineView>& shown,
                              const InputLineView& wanted) {
    if (!shown || prompt_of(*shown) != prompt_of(wanted)) {
        return whole_input_line(wanted);
    }
    const std::size_t same = common_prefix(shown->text, wanted.text);
    const bool changed = same < shown->text.size() || same < wanted.text.size();
    if (!changed) {
        return cursor_move(shown->cursor, wanted.cursor);
    }
    std::string out = cursor_move(shown->cursor, same);
    out += terminal_text(std::string_view(wanted.text).substr(same));
    if (wanted.text.size() < shown->text.size()) {
        out += ERASE_TO_END;
    }
    return out + cursor_move(wanted.text.size(), wanted.cursor);
}

std::string dumb_input_change(std::string_view shown, std::string_view wanted) {
    const std::size_t same = common_prefix(shown, wanted);
    if (same < shown.size() && same < wanted.size()) {
        return "\n" + std::string(READER_PROMPT) + terminal_text(wanted);
    }
    std::string out;
    for (std::size_t rubbed = same; rubbed < shown.size(); ++rubbed) {
        out += RUB_OUT;
    }
    return out + terminal_text(wanted.substr(same));
}

}  // namespace qvchat2gui
