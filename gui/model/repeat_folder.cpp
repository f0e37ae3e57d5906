#include "gui/model/repeat_folder.h"

#include <algorithm>
#include <iterator>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

constexpr char MULTIPLICATION_SIGN = '\xD7';

std::string plain_text(std::string_view line) {
    std::string plain;
    plain.reserve(line.size());
    std::copy_if(line.begin(), line.end(), std::back_inserter(plain),
                 [](char byte) { return !is_control_character(byte); });
    return plain;
}

}  // namespace

std::optional<RepeatFolder::Repeat> RepeatFolder::find(std::string_view line,
                                                       Clock::time_point now) const {
    if (recent.empty() || line.size() > MOST_COMPARED_BYTES) {
        return std::nullopt;
    }
    const std::string plain = plain_text(line);
    const auto found = std::find_if(recent.begin(), recent.end(), [&](const Shown& shown) {
        return shown.plain == plain && now - shown.when <= RECENT_TIME;
    });
    if (found == recent.end()) {
        return std::nullopt;
    }
    return Repeat{found->number, found->count + 1};
}

void RepeatFolder::shown(std::string_view line, std::uint64_t number, std::uint32_t count,
                         Clock::time_point now) {
    if (line.size() > MOST_COMPARED_BYTES) {
        return;
    }
    std::string plain = plain_text(line);
    recent.erase(std::remove_if(recent.begin(), recent.end(),
                                [&plain](const Shown& shown) { return shown.plain == plain; }),
                 recent.end());
    recent.push_back({std::move(plain), number, count, now});
    while (recent.size() > RECENT_LINES) {
        recent.pop_front();
    }
}

std::optional<RepeatFolder::Repeat> RepeatFolder::fold_into(ScrollBack& lines,
                                                            std::string_view line,
                                                            Attention attention, TimeStamp stamp,
                                                            std::optional<ScrollBack::ViewTag> view,
                                                            Clock::time_point now) {
    const std::optional<Repeat> repeat = find(line, now);
    if (!repeat || !lines.move_to_newest(repeat->earlier, with_repeat_count(line, repeat->count),
                                         attention, stamp, view)) {
        return std::nullopt;
    }
    shown(line, lines.text_end() - 1, repeat->count, now);
    return repeat;
}

std::optional<std::uint64_t> RepeatFolder::add_or_fold(ScrollBack& lines, std::string_view line,
                                                       Attention attention, TimeStamp stamp,
                                                       ScrollBack::ViewTag view,
                                                       Clock::time_point now) {
    if (const std::optional<Repeat> repeat = fold_into(lines, line, attention, stamp, view, now)) {
        return repeat->earlier;
    }
    lines.add(line, attention, stamp, view);
    shown(line, lines.text_end() - 1, 1, now);
    return std::nullopt;
}

void RepeatFolder::forget() {
    recent.clear();
}

std::string with_repeat_count(std::string_view line, std::uint32_t count) {
    std::string counted(line);
    counted += " (";
    counted += MULTIPLICATION_SIGN;
    counted += std::to_string(count);
    counted += ')';
    return counted;
}

}  // namespace qvchat2gui
