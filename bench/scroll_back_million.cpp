// A scroll-back that keeps a million lines of text: the memory it takes, how long adding and
// re-wrapping them take, and how long a search of the chat (Ctrl-S) takes to find its matches
// and their count. Prints one figure a line.
//   qvbench_scroll_back_million [lines]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "gui/model/chat_search.h"
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

void time_search(const qvchat2gui::ScrollBack& lines, const std::string& pattern, bool regex) {
    qvchat2gui::ChatSearch search;
    search.start(lines.view_mark());
    if (regex) {
        search.handle_key(0x18);  // Ctrl-X
    }
    for (const char byte : pattern) {
        search.handle_key(static_cast<unsigned char>(byte));
    }
    const Clock::time_point start = Clock::now();
    search.search(lines);
    std::cout << "search " << (regex ? "regex '" : "'") << pattern << "': " << seconds_since(start)
              << " s to the first match and the count (" << search.prompt() << ")\n";
}

// Typing more of a plain text looks again only at the lines that matched.
void time_narrowing(const qvchat2gui::ScrollBack& lines, const std::string& typed,
                    const std::string& more) {
    qvchat2gui::ChatSearch search;
    search.start(lines.view_mark());
    for (const char byte : typed) {
        search.handle_key(static_cast<unsigned char>(byte));
    }
    search.search(lines);
    Clock::duration longest{};
    for (const char byte : more) {
        search.handle_key(static_cast<unsigned char>(byte));
        const Clock::time_point start = Clock::now();
        search.search(lines);
        longest = std::max(longest, Clock::now() - start);
    }
    std::cout << "narrowing '" << typed << "' to '" << typed + more << "': longest key "
              << std::chrono::duration<double>(longest).count() << " s (" << search.prompt()
              << ")\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count =
        argc > 1 ? static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)) : DEFAULT_LINES;
    const double before = resident_mib();
    qvchat2gui::ScrollBack lines(COLUMNS, ROWS, count);
    const Clock::time_point start = Clock::now();
    for (std::size_t number = 0; number < count; ++number) {
        lines.add(chat_line(number));
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
    time_search(lines, "lantern", false);
    time_search(lines, "Lantern", false);
    time_search(lines, "nowhere to be found", false);
    time_search(lines, "lan.ern [0-9]+5$", true);
    time_narrowing(lines, "lan", "tern");
    return 0;
}
