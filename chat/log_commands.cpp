#include "chat/log_commands.h"

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/backlog_stamp.h"
#include "app/log_backlog.h"
#include "app/log_search.h"
#include "gui/model/latin1_text.h"

namespace qvchat2 {

namespace {

using qvchat2gui::FoundLines;
using qvchat2gui::TextMatcher;

constexpr std::uint64_t BYTES_PER_MB = std::uint64_t{1000} * 1000;

// The logs hold every Latin-1 letter in its ASCII form: so must what is looked for there.
std::string in_log_letters(const std::string& pattern) {
    std::string ascii;
    for (const char byte : pattern) {
        const auto value = static_cast<unsigned char>(byte);
        ascii += value >= 0xA0 ? std::string(qvchat2gui::ascii_form(value)) : std::string(1, byte);
    }
    return ascii;
}

std::string record_line(const LogMatch& record) {
    return record.stamp.empty() ? record.text : "<" + record.stamp + "> " + record.text;
}

// The pattern as typed, and what was searched when the logs' letters made it another.
std::string searched_text(const std::string& pattern, const std::string& searched) {
    return searched == pattern ? "'" + pattern + "'"
                               : "'" + pattern + "' (searched as '" + searched + "')";
}

std::string found_words(const LogSearchResult& result, const std::string& pattern) {
    const std::uint64_t all = result.total_matches;
    if (all == 0) {
        return "no record matches " + pattern;
    }
    const std::string count =
        all > result.matches.size()
            ? "the newest " + std::to_string(result.matches.size()) + " of " + std::to_string(all)
            : std::to_string(all);
    return count + (all == 1 ? " record matches " : " records match ") + pattern;
}

// A search of the logs, seen from the front-end.
class LogSearchSource : public qvchat2gui::ResultSource {
public:
    LogSearchSource(qvchat2gui::ChatGUI* gui, std::vector<std::filesystem::path> logs,
                    TextMatcher matcher, std::string pattern)
        : pattern(std::move(pattern)),
          matcher(std::move(matcher)),
          search(
              std::move(logs),
              [this](std::string_view text) { return this->matcher.matches(text); },
              [gui] { gui->search_progressed(); }) {}

    std::string progress_note() const override {
        const LogSearchProgress progress = search.progress();
        return " searching... " + std::to_string(progress.bytes_done / BYTES_PER_MB) + " MB of " +
               std::to_string(progress.bytes_total / BYTES_PER_MB) + " MB: Esc cancels ";
    }

    std::optional<FoundLines> take_found() override {
        if (taken) {
            return std::nullopt;
        }
        std::optional<LogSearchResult> result = search.result();
        if (!result) {
            return std::nullopt;
        }
        taken = true;
        FoundLines found;
        qvchat2gui::describe_found(found, found_words(*result, pattern));
        for (const LogFileFailure& failure : result->failures) {
            // The path is the file system's UTF-8, whose bytes may be colour codes in the chat.
            found.lines.push_back(qvchat2gui::server_line(
                "Cannot search " + qvchat2gui::game_text_from_utf8(failure.file.string()) + ": " +
                shown_log_text(failure.reason)));
        }
        for (const LogMatch& record : result->matches) {
            found.lines.push_back(record_line(record));
        }
        return found;
    }

private:
    const std::string pattern;
    // Used by the search thread alone; made before the search starts.
    TextMatcher matcher;
    bool taken = false;
    LogSearch search;  // last: its thread uses the members above
};

void search_logs(qvchat2gui::ChatGUI* gui, const std::vector<std::filesystem::path>& logs,
                 const std::string& argument) {
    const auto [pattern, kind] = qvchat2gui::parse_search_argument(argument);
    TextMatcher marker(pattern, kind);
    if (!marker.valid()) {
        gui->add_client_line(qvchat2gui::server_line(
            pattern.empty() ? "Usage: #logs TEXT, or #logs /REGEX/" : "#logs: " + marker.error()));
        return;
    }
    if (logs.empty()) {
        gui->add_client_line(qvchat2gui::server_line("There are no logs for this server."));
        return;
    }
    // A regular expression may mean something else in ASCII letters, or nothing ("[9-\xB9]"):
    // the user is told what was searched.
    const std::string searched = in_log_letters(pattern);
    TextMatcher matcher(searched, kind);
    if (!matcher.valid()) {
        gui->add_chat_line(qvchat2gui::server_line("#logs: the logs keep letters in ASCII, so '" +
                                                   searched +
                                                   "' was searched: " + matcher.error()));
        return;
    }
    gui->show_search(std::make_unique<LogSearchSource>(gui, logs, std::move(matcher),
                                                       searched_text(pattern, searched)),
                     std::move(marker));
}

}  // namespace

void register_log_commands(qvchat2gui::ChatGUI* gui, std::vector<std::filesystem::path> logs) {
    gui->add_callback("logs", [gui, logs = std::move(logs)](const std::string& argument) {
        search_logs(gui, logs, argument);
    });
}

void show_backlog(qvchat2gui::ChatGUI* gui, const std::filesystem::path& chat_log,
                  std::size_t count) {
    const std::vector<LogMatch> records = read_last_records(chat_log, count);
    if (records.empty()) {
        return;
    }
    const std::string grey(1, static_cast<char>(qvchat2gui::OFF_CHANNEL_COLOR));
    gui->add_backlog_line(grey + "-- earlier: " + chat_log.filename().string() + " --");
    // As the chat shows a time: a whole date read aloud before every line is too long.
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    for (const LogMatch& record : records) {
        gui->add_backlog_line(grey + (record.stamp.empty() ? record.text
                                                           : short_log_stamp(record.stamp, today) +
                                                                 " " + record.text));
    }
    gui->add_backlog_line(grey + "-- now --");
}

}  // namespace qvchat2
