// The chat and server logs read back: by the backlog at start (read_last_records) and by a log
// search (LogSearch over two files), on any file contents. Each line's split into date and text
// is checked against the record's own form, the dates against the order of the times they name,
// the texts shown for control bytes, and both readers against a plain reading of the records.
//
// Input: one byte, the backlog's count (times 5, so that it also passes the most kept); one byte,
// the search's kept matches and the byte its predicate looks for; two times of 5 bytes each; then
// the log's contents. The first half of the lines is the chat log, the rest the server log.

#include <algorithm>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/log_backlog.h"
#include "app/log_records.h"
#include "app/log_search.h"
#include "fuzz/check.h"
#include "fuzz/memory_file.h"

namespace {

using qvchat2::LogMatch;
using qvfuzz::check;
using qvfuzz::MemoryFile;

constexpr std::size_t HEADER_BYTES = 12;
constexpr auto SEARCH_DEADLINE = std::chrono::seconds(30);

bool same(const LogMatch& a, const LogMatch& b) {
    return a.stamp == b.stamp && a.text == b.text;
}

bool same(const std::vector<LogMatch>& a, const std::vector<LogMatch>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const auto& x, const auto& y) { return same(x, y); });
}

bool shows_control(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return value < 0x20 || (value >= 0x7F && value <= 0x9F);
    });
}

// A record as the logger writes it: "<DATE> TEXT", DATE in the C locale's "%c" form.
std::string c_locale_date(std::time_t moment) {
    std::tm fields{};
    gmtime_r(&moment, &fields);
    char date[64] = {};
    std::strftime(date, sizeof date, "%c", &fields);
    return date;
}

std::time_t time_from(const std::uint8_t* bytes) {
    std::uint64_t value = 0;
    for (int index = 0; index < 5; ++index) {
        value = (value << 8U) | bytes[index];
    }
    return static_cast<std::time_t>(value % (std::uint64_t{253402300800}));  // up to year 9999
}

void check_dates(std::time_t first, std::time_t second, std::string_view text) {
    const auto a = qvchat2::log_date_moment(c_locale_date(first));
    const auto b = qvchat2::log_date_moment(c_locale_date(second));
    check(a && b, "every date the logger writes can be read");
    check((first < second) == (*a < *b) && (first == second) == (*a == *b),
          "dates are ordered as the times they name");
    const std::string written = "<" + c_locale_date(first) + "> " + std::string(text);
    const qvchat2::LogLine line = qvchat2::split_log_line(written);
    check(line.moment == a && line.stamp == c_locale_date(first) && line.text == text,
          "a record written reads back as its date and its text");
}

void check_split(std::string_view line) {
    const qvchat2::LogLine split = qvchat2::split_log_line(line);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (!split.moment) {
        check(split.stamp.empty() && split.text == line, "an undated line is all text");
        return;
    }
    check(qvchat2::log_date_moment(split.stamp) == split.moment, "the date read is the stamp's");
    const std::string head = "<" + std::string(split.stamp) + ">";
    check(line.substr(0, head.size()) == head, "the stamp stands between < and > at the start");
    const std::string_view rest = line.substr(head.size());
    check(split.text == rest || (rest.front() == ' ' && split.text == rest.substr(1)),
          "the text follows the stamp and one space");

    const std::string shown = qvchat2::shown_log_text(split.text);
    check(!shows_control(shown), "no control byte is shown");
    check(shown.size() == std::min(split.text.size(), qvchat2::SHOWN_TEXT_LIMIT) +
                              (split.text.size() > qvchat2::SHOWN_TEXT_LIMIT ? 3 : 0),
          "a text is shown whole or cut at the limit and marked");
}

struct Record {
    std::int64_t moment;  // of the record's own date, or of the last one before it
    LogMatch shown;
    bool wanted;
};

// The records of a file as read back: every line but the blank ones, a last line without its
// line feed included.
std::vector<Record> records_of(const std::vector<std::string_view>& lines, char wanted_byte) {
    std::vector<Record> records;
    std::int64_t last = INT64_MIN;
    for (const std::string_view line : lines) {
        const qvchat2::LogLine split = qvchat2::split_log_line(line);
        if (!split.moment && split.text.empty()) {
            continue;
        }
        last = split.moment.value_or(last);
        records.push_back({last, qvchat2::shown_log_record(split),
                           split.text.find(wanted_byte) != std::string_view::npos});
    }
    return records;
}

void check_backlog(const MemoryFile& file, const std::vector<Record>& records, std::size_t count) {
    const std::size_t expected_count =
        std::min({count, qvchat2::MOST_BACKLOG_RECORDS, records.size()});
    std::vector<LogMatch> expected;
    for (auto record = records.end() - static_cast<long>(expected_count); record != records.end();
         ++record) {
        expected.push_back(record->shown);
    }
    check(same(qvchat2::read_last_records(file.name(), count), expected),
          "the backlog is the newest records, oldest first");
}

// The matches of both files, merged in time order when each file is in time order.
void check_search(const MemoryFile& chat, const MemoryFile& server,
                  const std::vector<Record>& chat_records,
                  const std::vector<Record>& server_records, std::size_t keep, char wanted_byte) {
    // Woken by the search when it has news, so that no time goes in polling.
    std::mutex news_lock;
    std::condition_variable news;
    const qvchat2::LogSearch search(
        {chat.name(), server.name()},
        [wanted_byte](std::string_view text) {
            return text.find(wanted_byte) != std::string_view::npos;
        },
        [&] {
            const std::lock_guard<std::mutex> lock(news_lock);
            news.notify_all();
        },
        keep);
    std::optional<qvchat2::LogSearchResult> result;
    {
        std::unique_lock<std::mutex> lock(news_lock);
        check(news.wait_for(lock, SEARCH_DEADLINE,
                            [&] { return (result = search.result()).has_value(); }),
              "the search ends");
    }
    check(result->failures.empty() && !result->cancelled, "both files are searched through");

    std::vector<Record> matched;
    bool in_order = true;
    for (const auto* records : {&chat_records, &server_records}) {
        for (std::size_t index = 0; index < records->size(); ++index) {
            const Record& record = (*records)[index];
            in_order = in_order && (index == 0 || (*records)[index - 1].moment <= record.moment);
            if (record.wanted) {
                matched.push_back(record);
            }
        }
    }
    check(result->total_matches == matched.size(), "every matching record is counted");
    check(result->matches.size() == std::min(keep, matched.size()), "the newest are kept");
    if (in_order) {
        std::stable_sort(matched.begin(), matched.end(),
                         [](const Record& a, const Record& b) { return a.moment < b.moment; });
        for (std::size_t index = 0; index < result->matches.size(); ++index) {
            check(same(result->matches[index],
                       matched[matched.size() - result->matches.size() + index].shown),
                  "the newest matches of both logs, in time order");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MemoryFile chat("chat_log");
    static const MemoryFile server("srv_log");
    if (size < HEADER_BYTES) {
        return 0;
    }
    const std::size_t backlog_count = std::size_t{data[0]} * 5;
    const std::size_t keep = data[1] % 16;
    const auto wanted_byte = static_cast<char>(data[1]);
    const std::string_view contents(reinterpret_cast<const char*>(data) + HEADER_BYTES,
                                    size - HEADER_BYTES);
    std::string_view first_text = contents.substr(0, contents.find('\n'));
    while (!first_text.empty() && first_text.back() == '\r') {
        first_text.remove_suffix(1);  // a line's carriage return is not its text
    }
    check_dates(time_from(data + 2), time_from(data + 7), first_text);

    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < contents.size();) {
        const std::size_t end = std::min(contents.find('\n', start), contents.size());
        lines.push_back(contents.substr(start, end - start));
        check_split(lines.back());
        start = end + 1;
    }
    // The chat log ends after a whole line, the server log perhaps within its last.
    const std::size_t chat_lines = lines.size() / 2;
    const std::size_t chat_bytes =
        chat_lines == 0 ? 0
                        : static_cast<std::size_t>(lines[chat_lines - 1].data() - contents.data()) +
                              lines[chat_lines - 1].size() + 1;
    chat.write(contents.substr(0, chat_bytes));
    server.write(contents.substr(chat_bytes));
    const std::vector<std::string_view> chat_part(lines.begin(),
                                                  lines.begin() + static_cast<long>(chat_lines));
    const std::vector<std::string_view> server_part(lines.begin() + static_cast<long>(chat_lines),
                                                    lines.end());
    const std::vector<Record> chat_records = records_of(chat_part, wanted_byte);
    const std::vector<Record> server_records = records_of(server_part, wanted_byte);

    check_backlog(server, server_records, backlog_count);
    check_search(chat, server, chat_records, server_records, keep, wanted_byte);
    return 0;
}
