#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/log_records.h"

namespace qvchat2 {

struct LogSearchProgress {
    std::uint64_t bytes_done;
    std::uint64_t bytes_total;  // the files' sizes when the search began; 0 until they are open
    bool finished;
};

// A log file that exists but could not be searched, and why, for a message to the user.
struct LogFileFailure {
    std::filesystem::path file;
    std::string reason;
};

struct LogSearchResult {
    // The newest matches, oldest first, the files' records merged in time order.
    std::vector<LogMatch> matches;
    // How many records matched in all, the ones not kept included.
    std::uint64_t total_matches = 0;
    std::vector<LogFileFailure> failures;
    bool cancelled = false;
};

// Searches log files for the records whose text matches, on a thread of its own, so that the chat
// and the input line keep moving while a log of hundreds of megabytes is read.
//
// Threads: the constructor starts the search thread and the destructor cancels and joins it; the
// destructor returns within one block read or one line's match, even in the middle of a large
// file. Every other member
// may be called from any thread. `matches` and `on_change` run on the search thread: `on_change`
// now and then (at most about every 100 ms) while the search goes on, and once when it has
// finished. It must be cheap (ask for a repaint) and must not call back into the LogSearch.
//
// Each file is searched up to the size it had when the search began, so a logger appending to it
// meanwhile does not keep the search going. A file that does not exist is passed over unless none
// of the files exists; one that exists and cannot be read is named in the result.
class LogSearch {
public:
    // Given the record's text, without its "<DATE> ".
    using LinePredicate = std::function<bool(std::string_view text)>;

    LogSearch(std::vector<std::filesystem::path> files, LinePredicate matches,
              std::function<void()> on_change, std::size_t keep = 500);
    ~LogSearch();
    LogSearch(const LogSearch&) = delete;
    LogSearch& operator=(const LogSearch&) = delete;

    // Asks the search to stop; it then finishes with what it had, flagged cancelled.
    void cancel();
    LogSearchProgress progress() const;
    // The outcome once finished, else none.
    std::optional<LogSearchResult> result() const;

private:
    class FileScan;

    void run();
    LogSearchResult search();
    // Reads one file through, feeding its lines to `scan`; false when cancelled.
    bool read_file(FileScan& scan);
    // Publishes the bytes read so far, and tells the front-end when it is time to.
    void report_progress(std::uint64_t done_now);
    void publish(LogSearchResult result);

    const std::vector<std::filesystem::path> files;
    const LinePredicate matches;
    const std::function<void()> on_change;
    const std::size_t keep;
    std::atomic<bool> cancel_requested{false};

    mutable std::mutex status_lock;  // guards the progress and the outcome below
    LogSearchProgress status{0, 0, false};
    std::optional<LogSearchResult> outcome;

    // The search thread's own.
    std::uint64_t bytes_done = 0;
    std::uint64_t bytes_total = 0;
    std::chrono::steady_clock::time_point last_report;
    std::thread search_thread;  // last: starts once all above is set
};

}  // namespace qvchat2
