#include "chat/lines_for_user.h"

#include "gui/model/time_stamp.h"

namespace qvchat2 {

namespace {

std::size_t byte_size(const LineForUser& line) {
    return line.sender.size() + line.text.size();
}

}  // namespace

qvchat2gui::Attention attention_of(ForUserKind kind) {
    return kind == ForUserKind::private_message ? qvchat2gui::Attention::private_message
                                                : qvchat2gui::Attention::for_user;
}

void LinesForUser::note(ForUserKind kind, const std::string& sender, const std::string& text,
                        std::time_t time) {
    LineForUser line{time, kind, sender, text};
    const std::lock_guard<std::mutex> lock(kept_lines_lock);
    kept_bytes += byte_size(line);
    kept.push_back(std::move(line));
    while (kept.size() > 1 &&
           (kept.size() > MAX_LINES_FOR_USER || kept_bytes > MAX_BYTES_FOR_USER)) {
        kept_bytes -= byte_size(kept.front());
        kept.pop_front();
    }
}

std::vector<LineForUser> LinesForUser::lines() const {
    const std::lock_guard<std::mutex> lock(kept_lines_lock);
    return {kept.begin(), kept.end()};
}

void LinesForUser::clear() {
    const std::lock_guard<std::mutex> lock(kept_lines_lock);
    kept.clear();
    kept_bytes = 0;
}

LinesForUser& lines_for_user() {
    static LinesForUser lines;
    return lines;
}

qvchat2gui::FoundLines missed_lines(const std::vector<LineForUser>& lines) {
    qvchat2gui::FoundLines found;
    qvchat2gui::describe_found(found, std::to_string(lines.size()) +
                                          (lines.size() == 1 ? " line" : " lines") + " for you");
    found.lines.reserve(lines.size());
    for (const LineForUser& line : lines) {
        found.lines.push_back(
            qvchat2gui::stamped_text(qvchat2gui::local_time_stamp(line.time), line.text));
    }
    return found;
}

void show_missed(qvchat2gui::ChatGUI* gui) {
    const std::vector<LineForUser> lines = lines_for_user().lines();
    if (lines.empty()) {
        gui->add_client_line(qvchat2gui::server_line("No line for you yet."));
        return;
    }
    gui->show_found(missed_lines(lines), std::nullopt);
}

}  // namespace qvchat2
