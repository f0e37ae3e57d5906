// A scroll-back that keeps a million lines of text: the memory it takes, how long adding and
// re-wrapping them take, how long switching the chat's view over them takes, and how long a search
// of the chat (Ctrl-S) takes to find its matches and their count, how long its scan holds the
// scroll-back's lock at most, and how soon a scan with a costly pattern stops. Prints one figure a
// line.
//   qvbench_scroll_back_million [lines]
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "gui/model/chat_search.h"
#include "gui/model/chat_views.h"
#include "gui/model/scroll_back.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t DEFAULT_LINES = 1000000;
constexpr std::size_t LINE_BYTES = 100;
constexpr int COLUMNS = 80;
constexpr int ROWS = 24;

// Resident memory of this process, in MiB, from the kernel's own account.
double resident_mib() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024;
        }
    }
    return 0;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A chat line of LINE_BYTES bytes with a colour byte first; one in a hundred says "lantern".
std::string chat_line(std::size_t number) {
    std::string line = "\x11Speaker" + std::to_string(number % 97) + ": ";
    line += number % 100 == 0 ? "have you seen the lantern " : "the road north is quiet ";
    line += std::to_string(number);
    while (line.size() < LINE_BYTES) {
        line += " and more words";
    }
    line.resize(LINE_BYTES);
    return line;
}

// Runs the scan of the search's pattern to its end, as the front-end does: on a thread of its
// own that takes the scroll-back's lock for each slice. Returns the seconds it took.
double scan_to_end(qvchat2gui::ChatSearch& search, const qvchat2gui::ScrollBack& lines,
                   qvchat2gui::ChatScan::LockHolds& holds) {
    std::mutex lines_mutex;
    std::mutex done_mutex;
    std::condition_variable done_changed;
    const Clock::time_point start = Clock::now();
    std::optional<qvchat2gui::ChatScan::Order> order = search.start_scan(lines);
    if (!order) {
        return seconds_since(start);
    }
    qvchat2gui::ChatScan scan(
        std::move(*order),
        [&](const std::function<void(const qvchat2gui::ScrollBack&)>& use) {
            const std::lock_guard<std::mutex> lock(lines_mutex);
            use(lines);
        },
        [&] {
            { const std::lock_guard<std::mutex> lock(done_mutex); }
            done_changed.notify_all();
        });
    std::unique_lock<std::mutex> lock(done_mutex);
    done_changed.wait(lock, [&] { return scan.progress().finished; });
    const double took = seconds_since(start);
    search.add_older(lines, scan.take_matches(), true);
    holds = scan.lock_holds();
    return took;
}

void time_search(const qvchat2gui::ScrollBack& lines, const std::string& pattern, bool regex) {
    qvchat2gui::ChatSearch search;
    search.start(lines.view_mark());
    if (regex) {
        search.handle_key(0x18);  // Ctrl-X
    }
    for (const char byte : pattern) {
        search.handle_key(static_cast<unsigned char>(byte));
    }
    qvchat2gui::ChatScan::LockHolds holds;
    const double took = scan_to_end(search, lines, holds);
    const auto micro = [](std::chrono::nanoseconds time) {
        return std::chrono::duration<double, std::micro>(time).count();
    };
    std::cout << "search " << (regex ? "regex '" : "'") << pattern << "': " << took
              << " s to the whole count (" << search.prompt() << "); the lock held " << holds.slices
              << " times, at most " << micro(holds.longest) << " us, on average "
              << micro(holds.total) / static_cast<double>(std::max<std::uint64_t>(holds.slices, 1))
              << " us\n";
}

// Typing more of a plain text looks again only at the lines that matched.
void time_narrowing(const qvchat2gui::ScrollBack& lines, const std::string& typed,
                    const std::string& more) {
    qvchat2gui::ChatSearch search;
    search.start(lines.view_mark());
    for (const char byte : typed) {
        search.handle_key(static_cast<unsigned char>(byte));
    }
    qvchat2gui::ChatScan::LockHolds holds;
    scan_to_end(search, lines, holds);
    double longest = 0;
    for (const char byte : more) {
        search.handle_key(static_cast<unsigned char>(byte));
        longest = std::max(longest, scan_to_end(search, lines, holds));
    }
    std::cout << "narrowing '" << typed << "' to '" << typed + more << "': longest key " << longest
              << " s (" << search.prompt() << ")\n";
}

// A pattern that costs the matcher's whole limit on every line: how soon a scan stops when it
// is let go (Esc, a new key, leaving) in the middle.
void time_cancel(const qvchat2gui::ScrollBack& lines) {
    qvchat2gui::ChatScan::Order order{
        qvchat2gui::TextMatcher("(\\w+\\s?)+$", qvchat2gui::PatternKind::regex)};
    order.first = lines.first_reachable_text();
    order.end = lines.text_end();
    std::mutex lines_mutex;
    std::optional<qvchat2gui::ChatScan> scan;
    scan.emplace(
        std::move(order),
        [&](const std::function<void(const qvchat2gui::ScrollBack&)>& use) {
            const std::lock_guard<std::mutex> lock(lines_mutex);
            use(lines);
        },
        nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const qvchat2gui::ScanProgress progress = scan->progress();
    const Clock::time_point start = Clock::now();
    scan.reset();
    std::cout << "costly regex '(\\w+\\s?)+$': " << progress.done << " lines in 0.5 s; stopped in "
              << seconds_since(start) * 1000 << " ms\n";
}

// The conversation of a line: channels 5 and 6, a player, local speech, and one in fifty for every
// view (a GM or server line).
qvchat2gui::LineView view_of(std::size_t number) {
    using qvchat2gui::LineView;
    switch (number % 50 == 0 ? 4 : number % 4) {
        case 0:
            return LineView::of_channel(5);
        case 1:
            return LineView::of_channel(6);
        case 2:
            return LineView::of_player("Marek");
        case 3:
            return LineView::local_speech();
        default:
            return LineView::every();
    }
}

// Switching as the front-end does it: the view left keeps its place, the scroll-back shows the
// new one's lines and goes back to its place.
void time_view_switches(qvchat2gui::ScrollBack& lines, qvchat2gui::ChatViews& views) {
    const double before = resident_mib();
    for (const char* name : {"5", "Marek", "local", "6", "all", "5"}) {
        qvchat2gui::ChatViews::Choice choice;
        views.find_or_make(name, choice);
        const Clock::time_point start = Clock::now();
        views.keep_place(lines.view_mark());
        const std::optional<qvchat2gui::ScrollBack::ViewMark> place = views.show(choice);
        lines.show_view(choice);
        place ? lines.return_to(*place) : lines.follow_newest();
        std::cout << "view " << name << ": " << seconds_since(start) * 1000 << " ms to switch\n";
        lines.page_up();
    }
    std::cout << "resident memory after the switches: " << resident_mib() - before << " MiB more\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count =
        argc > 1 ? static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)) : DEFAULT_LINES;
    const double before = resident_mib();
    qvchat2gui::ScrollBack lines(COLUMNS, ROWS, count);
    qvchat2gui::ChatViews views;
    const Clock::time_point start = Clock::now();
    for (std::size_t number = 0; number < count; ++number) {
        lines.add(chat_line(number), qvchat2gui::Attention::none, qvchat2gui::NO_STAMP,
                  views.note_line(view_of(number), false));
    }
    std::cout << count << " lines of " << LINE_BYTES << " bytes added in " << seconds_since(start)
              << " s; " << lines.text_end() - lines.first_reachable_text() << " kept in "
              << static_cast<double>(lines.kept_bytes()) / (1024.0 * 1024.0)
              << " MiB counted against the bound\n";
    std::cout << "resident memory: " << resident_mib() << " MiB (" << resident_mib() - before
              << " MiB for the scroll-back)\n";
    const Clock::time_point rewrap = Clock::now();
    lines.resize(COLUMNS + 40, ROWS);
    std::cout << "re-wrap for a new width: " << seconds_since(rewrap) << " s\n";
    time_view_switches(lines, views);
    time_search(lines, "lantern", false);
    time_search(lines, "Lantern", false);
    time_search(lines, "nowhere to be found", false);
    time_search(lines, "lan.ern [0-9]+5$", true);
    time_narrowing(lines, "lan", "tern");
    time_cancel(lines);
    return 0;
}
