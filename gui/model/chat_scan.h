#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gui/model/scroll_back.h"
#include "gui/model/text_matcher.h"

namespace qvchat2gui {

// A text of the scroll-back that a scan found: its number and, when asked for, the text as a
// list of found lines shows it (its time in front while the chat shows times).
struct ScanMatch {
    std::uint64_t number = 0;
    std::string shown;
};

struct ScanProgress {
    std::uint64_t done = 0;   // texts looked at (or passed over)
    std::uint64_t total = 0;  // texts to look at
    bool finished = false;
};

// " searching... 40% of 1000000 lines: Esc cancels ": how far a scan is, for a border.
std::string scan_progress_note(const ScanProgress& progress);

// A search of the scroll-back on a thread of its own, newest text first, so that no pattern,
// however costly, holds the keys, the painting or the lines that come. The scroll-back stays its
// owner's: the scan takes the owner's lock only to copy a slice of texts (at most about 64 KiB),
// lets go, and matches the copies. Texts that leave the top of the scroll-back meanwhile are
// passed over; texts added meanwhile are the owner's to look at.
//
// Threads: the constructor starts the scan, the destructor stops and joins it within one line's
// match (bounded by the matcher's limit), so it must not run with the owner's lock held.
// `on_change` runs on the scan's thread now and then (at once for the first match) and once at
// the end; it may take the owner's lock and call take_matches and progress, not the destructor.
class ChatScan {
public:
    // Runs `use` on the scroll-back with the owner's lock held.
    using LockedLines = std::function<void(const std::function<void(const ScrollBack&)>& use)>;

    struct Order {
        explicit Order(TextMatcher matcher) : matcher(std::move(matcher)) {}

        TextMatcher matcher;
        std::uint64_t first = 0;  // the texts [first, end), unless `only` is set
        std::uint64_t end = 0;
        std::optional<std::vector<std::uint64_t>> only;  // these texts alone, oldest first
        bool keep_texts = false;                         // whether matches carry their shown text
    };

    ChatScan(Order order, LockedLines lines, std::function<void()> on_change);
    ~ChatScan();
    ChatScan(const ChatScan&) = delete;
    ChatScan& operator=(const ChatScan&) = delete;

    ScanProgress progress() const;
    // The matches found since the last call, newest first.
    std::vector<ScanMatch> take_matches();
    // How long the owner's lock was held for the slices so far (for measurements).
    struct LockHolds {
        std::chrono::nanoseconds longest{0};
        std::chrono::nanoseconds total{0};
        std::uint64_t slices = 0;
    };
    LockHolds lock_holds() const;

private:
    struct Copy {
        std::uint64_t number;
        std::string text;
        TimeStamp stamp;
    };

    void run();
    // Owner's lock held: copies the next slice, newest first, into `slice`.
    void copy_slice(const ScrollBack& scroll_back, std::vector<Copy>& slice);
    bool has_next() const;
    std::uint64_t next_number() const;
    void report(bool first_match);

    Order order;
    const LockedLines lines;
    const std::function<void()> on_change;
    std::atomic<bool> cancelled{false};

    mutable std::mutex found_lock;  // guards the fields up to the blank line below
    std::vector<ScanMatch> found;
    ScanProgress status;
    LockHolds holds;

    // The scan thread's own.
    std::uint64_t next_index = 0;  // texts taken so far, counted from the newest
    std::chrono::steady_clock::time_point last_report;
    std::thread scan_thread;  // last: starts once all above is set
};

}  // namespace qvchat2gui
