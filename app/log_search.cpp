#include "app/log_search.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <utility>

namespace qvchat2 {

namespace {

// Large reads keep the search near the disk's speed; a line longer than this is matched on its
// first BLOCK_SIZE bytes.
constexpr std::size_t BLOCK_SIZE = std::size_t{4} << 20;
constexpr auto REPORT_INTERVAL = std::chrono::milliseconds(100);
// Before every dated record of a file: the place of undated lines at its start.
constexpr std::int64_t BEFORE_ALL = std::numeric_limits<std::int64_t>::min();

struct KeptMatch {
    std::int64_t moment = BEFORE_ALL;
    std::string stamp;
    std::string text;  // at most one byte over the shown limit, so that it is still cut when shown
};

// The newest `keep` matches of one file, oldest overwritten first, and how many there were.
class MatchRing {
public:
    explicit MatchRing(std::size_t keep) : keep(keep) {}

    void add(std::int64_t moment, std::string_view stamp, std::string_view text) {
        ++count;
        if (keep == 0) {
            return;
        }
        KeptMatch* slot = nullptr;
        if (slots.size() < keep) {
            slot = &slots.emplace_back();
        } else {
            slot = &slots[oldest];
            oldest = (oldest + 1) % keep;
        }
        // Assigned into the slot's own strings, so that a search matching every line does not
        // allocate for each.
        slot->moment = moment;
        slot->stamp.assign(stamp);
        slot->text.assign(text.substr(0, SHOWN_TEXT_LIMIT + 1));
    }

    std::uint64_t total() const { return count; }

    std::vector<KeptMatch> take_oldest_first() {
        std::rotate(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(oldest),
                    slots.end());
        oldest = 0;
        return std::move(slots);
    }

private:
    const std::size_t keep;
    std::vector<KeptMatch> slots;
    std::size_t oldest = 0;
    std::uint64_t count = 0;
};

// The newest `keep` of the files' matches merged in time order; each file keeps its own order,
// and of records of the same second the earlier file's come first.
std::vector<LogMatch> merge_newest(std::vector<std::vector<KeptMatch>> per_file, std::size_t keep) {
    std::vector<const KeptMatch*> merged;
    std::vector<std::size_t> next(per_file.size(), 0);
    for (;;) {
        std::size_t earliest = per_file.size();
        for (std::size_t file = 0; file < per_file.size(); ++file) {
            if (next[file] < per_file[file].size() &&
                (earliest == per_file.size() ||
                 per_file[file][next[file]].moment < per_file[earliest][next[earliest]].moment)) {
                earliest = file;
            }
        }
        if (earliest == per_file.size()) {
            break;
        }
        merged.push_back(&per_file[earliest][next[earliest]++]);
    }
    const std::size_t skipped = merged.size() > keep ? merged.size() - keep : 0;
    std::vector<LogMatch> newest;
    newest.reserve(merged.size() - skipped);
    for (auto match = merged.begin() + static_cast<std::ptrdiff_t>(skipped); match != merged.end();
         ++match) {
        newest.push_back({shown_log_text((*match)->stamp), shown_log_text((*match)->text)});
    }
    return newest;
}

}  // namespace

// One file being searched: its reader, its matches, and the time of its last dated record.
class LogSearch::FileScan {
public:
    FileScan(const std::filesystem::path& file, const LinePredicate& matches, std::size_t keep)
        : file(file), reader(file), matches(matches), kept(keep) {}

    void line(std::string_view bytes) {
        const LogLine record = split_log_line(bytes);
        if (record.moment) {
            last_moment = *record.moment;
        } else if (record.text.empty()) {
            return;
        }
        if (matches(record.text)) {
            kept.add(last_moment, record.stamp, record.text);
        }
    }

    const std::filesystem::path file;
    LogFileReader reader;
    std::string failure;  // why the file could not be searched to its end, when it could not

    MatchRing& ring() { return kept; }

private:
    const LinePredicate& matches;
    MatchRing kept;
    std::int64_t last_moment = BEFORE_ALL;
};

LogSearch::LogSearch(std::vector<std::filesystem::path> files, LinePredicate matches,
                     std::function<void()> on_change, std::size_t keep)
    : files(std::move(files)),
      matches(std::move(matches)),
      on_change(std::move(on_change)),
      keep(keep),
      search_thread([this] { run(); }) {}

LogSearch::~LogSearch() {
    cancel();
    search_thread.join();
}

void LogSearch::cancel() {
    cancel_requested = true;
}

LogSearchProgress LogSearch::progress() const {
    const std::lock_guard<std::mutex> lock(status_lock);
    return status;
}

std::optional<LogSearchResult> LogSearch::result() const {
    const std::lock_guard<std::mutex> lock(status_lock);
    return outcome;
}

void LogSearch::run() {
    LogSearchResult result;
    try {
        result = search();
    } catch (const std::exception& error) {
        // Out of memory, most likely: the search ends, and the front-end hears why.
        result.failures.push_back({{}, error.what()});
    }
    publish(std::move(result));
}

LogSearchResult LogSearch::search() {
    last_report = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<FileScan>> scans;
    bool any_present = false;
    for (const auto& file : files) {
        scans.push_back(std::make_unique<FileScan>(file, matches, keep));
        const LogFileReader& reader = scans.back()->reader;
        any_present = any_present || !reader.missing();
        if (reader.is_open()) {
            bytes_total += reader.size();
        } else {
            scans.back()->failure = reader.error();
        }
    }
    report_progress(0);

    LogSearchResult result;
    for (auto& scan : scans) {
        if (scan->reader.is_open() && !result.cancelled) {
            try {
                result.cancelled = !read_file(*scan);
            } catch (const std::exception& error) {
                scan->failure = error.what();
            }
        }
    }

    std::vector<std::vector<KeptMatch>> per_file;
    for (auto& scan : scans) {
        result.total_matches += scan->ring().total();
        per_file.push_back(scan->ring().take_oldest_first());
        // There is usually no server log: a missing file is worth naming only when all are.
        if (!scan->failure.empty() && (any_present ? !scan->reader.missing() : true)) {
            result.failures.push_back({scan->file, scan->failure});
        }
    }
    result.matches = merge_newest(std::move(per_file), keep);
    return result;
}

bool LogSearch::read_file(FileScan& scan) {
    // No larger than the file: searching a short file costs no more than the file.
    std::vector<char> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(BLOCK_SIZE, scan.reader.size())));
    std::size_t held = 0;
    bool skipping = false;  // within the rest of a line longer than the buffer
    std::uint64_t left = scan.reader.size();
    while (left > 0) {
        if (cancel_requested) {
            return false;
        }
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(BLOCK_SIZE - held, left));
        const std::int64_t count = scan.reader.read(buffer.data() + held, wanted);
        if (count <= 0) {
            // An error, or a file cut shorter since the search began: what is left is not coming.
            if (count < 0) {
                scan.failure = scan.reader.error();
            }
            break;
        }
        left -= static_cast<std::uint64_t>(count);
        held += static_cast<std::size_t>(count);
        report_progress(static_cast<std::uint64_t>(count));

        const char* start = buffer.data();
        const char* const end = start + held;
        while (const void* found =
                   std::memchr(start, '\n', static_cast<std::size_t>(end - start))) {
            // Per line: one costly pattern over a block's lines takes seconds.
            if (cancel_requested.load(std::memory_order_relaxed)) {
                return false;
            }
            const char* const line_end = static_cast<const char*>(found);
            if (!skipping) {
                scan.line({start, static_cast<std::size_t>(line_end - start)});
            }
            skipping = false;
            start = line_end + 1;
        }
        held = static_cast<std::size_t>(end - start);
        if (held == BLOCK_SIZE && !skipping) {
            scan.line({start, held});
            skipping = true;
        }
        if (skipping) {
            held = 0;
        } else {
            std::memmove(buffer.data(), start, held);
        }
    }
    if (held > 0 && !skipping) {
        // The last line, without its line feed: perhaps being written right now.
        scan.line({buffer.data(), held});
    }
    bytes_total -= left;
    report_progress(0);
    return true;
}

void LogSearch::report_progress(std::uint64_t done_now) {
    bytes_done += done_now;
    {
        const std::lock_guard<std::mutex> lock(status_lock);
        status.bytes_done = bytes_done;
        status.bytes_total = bytes_total;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - last_report >= REPORT_INTERVAL) {
        last_report = now;
        if (on_change) {
            on_change();
        }
    }
}

void LogSearch::publish(LogSearchResult result) {
    {
        const std::lock_guard<std::mutex> lock(status_lock);
        outcome = std::move(result);
        status.finished = true;
    }
    if (on_change) {
        on_change();
    }
}

}  // namespace qvchat2
