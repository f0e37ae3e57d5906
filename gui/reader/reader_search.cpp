#include "gui/reader/reader_search.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/common_gui.h"
#include "gui/model/chat_grep.h"
#include "gui/model/time_stamp.h"
#include "gui/reader/reader_gui.h"

namespace qvchat2gui {

namespace {

// Wide enough that a line is seldom wrapped: only the texts count here, not their rows.
constexpr int KEPT_COLUMNS = 4096;

void grep_lines(ChatGUI& gui, SearchedLines& lines, const std::string& argument) {
    auto [pattern, kind] = parse_search_argument(argument);
    TextMatcher matcher(pattern, kind);
    if (!matcher.valid()) {
        gui.add_chat_line(server_line(pattern.empty() ? "Usage: #grep TEXT, or #grep /REGEX/"
                                                      : "#grep: " + matcher.error()));
        return;
    }
    gui.show_search(std::make_unique<ChatGrep>(
                        std::move(matcher), pattern, lines.locked(),
                        [&gui] { gui.search_progressed(); }, lines.view_name()),
                    std::nullopt);
}

}  // namespace

SearchedLines::SearchedLines(std::size_t kept_texts) : lines(KEPT_COLUMNS, 1, kept_texts) {
    lines.show_stamps(false);
}

void SearchedLines::add(std::string_view line, ScrollBack::ViewTag view, bool received,
                        bool stamped) {
    const TimeStamp stamp = stamped ? current_time_stamp() : NO_STAMP;
    const std::lock_guard<std::mutex> lock(lines_mutex);
    lines.add(line, Attention::none, stamp, view);
    if (received && folding) {
        repeats.shown(line, lines.text_end() - 1, 1, RepeatFolder::Clock::now());
    }
}

std::optional<std::uint32_t> SearchedLines::fold(std::string_view line) {
    const TimeStamp stamp = current_time_stamp();
    const std::lock_guard<std::mutex> lock(lines_mutex);
    if (!folding) {
        return std::nullopt;
    }
    const std::optional<RepeatFolder::Repeat> repeat = repeats.fold_into(
        lines, line, Attention::none, stamp, std::nullopt, RepeatFolder::Clock::now());
    return repeat ? std::optional(repeat->count) : std::nullopt;
}

void SearchedLines::fold_repeats(bool on) {
    const std::lock_guard<std::mutex> lock(lines_mutex);
    folding = on;
    if (!on) {
        repeats.forget();
    }
}

void SearchedLines::show_view(std::optional<ScrollBack::ViewTag> view, const std::string& name) {
    const std::lock_guard<std::mutex> lock(lines_mutex);
    lines.show_view(view);
    shown_name = view ? name : "";
}

std::string SearchedLines::view_name() const {
    const std::lock_guard<std::mutex> lock(lines_mutex);
    return shown_name;
}

void SearchedLines::keep(std::size_t kept_texts) {
    const std::lock_guard<std::mutex> lock(lines_mutex);
    lines.keep_texts(kept_texts);
}

ChatScan::LockedLines SearchedLines::locked() {
    return [this](const std::function<void(const ScrollBack&)>& use) {
        const std::lock_guard<std::mutex> lock(lines_mutex);
        use(lines);
    };
}

void register_written_grep(ChatGUI& gui, SearchedLines& lines) {
    gui.add_callback(
        "grep", [&gui, &lines](const std::string& argument) { grep_lines(gui, lines, argument); });
}

// Not through add_chat_line: the lines found are not kept again for the next #grep.
void ReaderGUI::show_found(const FoundLines& found, std::optional<TextMatcher> /*marker*/) {
    for (const std::string& line : found.lines) {
        write_line(line, LineOrigin::game, Attention::none);
    }
    if (!found.summary.empty()) {
        write_line(server_line(found.summary), LineOrigin::client, Attention::none);
    }
}

}  // namespace qvchat2gui
