#include "gui/model/chat_scan.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace qvchat2gui {

namespace {

// A slice small enough that copying it holds the owner's lock for microseconds, large enough
// that taking the lock costs nothing beside the matching.
constexpr std::size_t SLICE_BYTES = std::size_t{64} * 1024;
constexpr std::size_t SLICE_TEXTS = 512;
constexpr auto REPORT_INTERVAL = std::chrono::milliseconds(50);

}  // namespace

std::string scan_progress_note(const ScanProgress& progress) {
    const std::uint64_t percent = progress.total == 0 ? 0 : progress.done * 100 / progress.total;
    return " searching... " + std::to_string(percent) + "% of " + std::to_string(progress.total) +
           " lines: Esc cancels ";
}

ChatScan::ChatScan(Order order, LockedLines lines, std::function<void()> on_change)
    : order(std::move(order)),
      lines(std::move(lines)),
      on_change(std::move(on_change)),
      scan_thread([this] { run(); }) {}

ChatScan::~ChatScan() {
    cancelled = true;
    scan_thread.join();
}

ScanProgress ChatScan::progress() const {
    const std::lock_guard<std::mutex> lock(found_lock);
    return status;
}

std::vector<ScanMatch> ChatScan::take_matches() {
    const std::lock_guard<std::mutex> lock(found_lock);
    return std::exchange(found, {});
}

ChatScan::LockHolds ChatScan::lock_holds() const {
    const std::lock_guard<std::mutex> lock(found_lock);
    return holds;
}

bool ChatScan::has_next() const {
    const std::uint64_t count = order.only ? order.only->size() : order.end - order.first;
    return next_index < count;
}

std::uint64_t ChatScan::next_number() const {
    return order.only ? (*order.only)[order.only->size() - 1 - next_index]
                      : order.end - 1 - next_index;
}

void ChatScan::run() {
    {
        const std::lock_guard<std::mutex> lock(found_lock);
        status.total = order.only ? order.only->size() : order.end - order.first;
    }
    last_report = std::chrono::steady_clock::now();
    std::vector<Copy> slice;
    bool matched_before = false;
    try {
        while (!cancelled && has_next()) {
            slice.clear();
            lines([&](const ScrollBack& scroll_back) {
                const auto start = std::chrono::steady_clock::now();
                copy_slice(scroll_back, slice);
                const auto took = std::chrono::steady_clock::now() - start;
                const std::lock_guard<std::mutex> lock(found_lock);
                holds.longest = std::max<std::chrono::nanoseconds>(holds.longest, took);
                holds.total += took;
                ++holds.slices;
            });
            std::vector<ScanMatch> matches;
            for (const Copy& copy : slice) {
                if (cancelled) {
                    break;
                }
                if (order.matcher.matches(copy.text)) {
                    matches.push_back({copy.number, order.keep_texts
                                                        ? stamped_text(copy.stamp, copy.text)
                                                        : std::string()});
                }
            }
            const bool first_match = !matched_before && !matches.empty();
            matched_before = matched_before || first_match;
            {
                const std::lock_guard<std::mutex> lock(found_lock);
                for (ScanMatch& match : matches) {
                    found.push_back(std::move(match));
                }
                status.done = next_index;
            }
            report(first_match);
        }
    } catch (const std::exception&) {
        // Out of memory: the scan ends with what it found.
    }
    {
        const std::lock_guard<std::mutex> lock(found_lock);
        status.done = status.total;
        status.finished = true;
    }
    if (on_change) {
        on_change();
    }
}

void ChatScan::copy_slice(const ScrollBack& scroll_back, std::vector<Copy>& slice) {
    const std::uint64_t reachable = scroll_back.first_reachable_text();
    std::size_t bytes = 0;
    while (has_next() && bytes < SLICE_BYTES && slice.size() < SLICE_TEXTS) {
        const std::uint64_t number = next_number();
        if (number < reachable) {
            // Newest first: every text still to come has left the top as well.
            next_index = order.only ? order.only->size() : order.end - order.first;
            return;
        }
        ++next_index;
        if (number >= scroll_back.text_end() || scroll_back.is_out_of_sight(number)) {
            continue;
        }
        const std::string_view text = scroll_back.text(number);
        slice.push_back({number, std::string(text), scroll_back.shown_stamp(number)});
        bytes += text.size();
    }
}

void ChatScan::report(bool first_match) {
    const auto now = std::chrono::steady_clock::now();
    if (!first_match && now - last_report < REPORT_INTERVAL) {
        return;
    }
    last_report = now;
    if (on_change) {
        on_change();
    }
}

}  // namespace qvchat2gui
