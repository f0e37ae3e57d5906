// Times the search of a 200 MB chat log and the reading of its last records: writes a log of
// realistic records into a temporary folder, searches it for a word on about 1 % of the lines
// (ASCII case folded) and for one on none, and with a predicate that looks at nothing, reads its
// last 1000 records, prints the figures and removes the folder. Usage: qvbench_log_search
// [megabytes]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/log.h"
#include "app/log_backlog.h"
#include "app/log_search.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t DEFAULT_MEGABYTES = 200;
constexpr std::size_t WRITE_CHUNK = std::size_t{4} << 20;
constexpr int BACKLOG_ROUNDS = 100;

// A folder of its own under the system's temporary folder, removed with the log when done.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string name = (fs::temp_directory_path() / "qvbench-log-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        folder = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return folder; }

private:
    fs::path folder;
};

// Writes records of varied speakers and texts, about 100 bytes each, a new second every few
// records; one in a hundred holds "Walrus".
void write_log(const fs::path& file, std::size_t bytes) {
    static const std::vector<std::string> speakers = {
        "[Aldric]", "[Brenna]", "[Caspian]", "[Delphine]", "[Eamon]",     "[Fiora]",     "[Gideon]",
        "[Hester]", "[Isolde]", "[Jareth]",  "[Kaelin]",   "[Lysandra]",  "[Merrick]",   "[Nerys]",
        "[Orrin]",  "[Perrin]", "[Quill]",   "[Rowena]",   "[6] [Soren]", "[3] [Tamsin]"};
    static const std::vector<std::string> words = {
        "anyone",  "selling", "iron",   "ore",     "near",   "the",     "portal", "guild",
        "meeting", "tonight", "thanks", "for",     "help",   "with",    "quest",  "where",
        "do",      "I",       "find",   "harvest", "silver", "bars",    "who",    "wants",
        "to",      "trade",   "my",     "sword",   "is",     "broken",  "again",  "lol",
        "north",   "gate",    "storm",  "coming",  "bring",  "potions", "level",  "up",
        "finally", "nice",    "one",    "see",     "you",    "later",   "brb",    "afk"};
    std::mt19937 random(21);
    std::uniform_int_distribution<std::size_t> speaker(0, speakers.size() - 1);
    std::uniform_int_distribution<std::size_t> word(0, words.size() - 1);
    std::uniform_int_distribution<int> chance(0, 99);
    std::uniform_int_distribution<std::size_t> line_length(60, 140);

    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::time_t moment = 1765000000;
    std::string stamp = qvchat2::format_date(moment);
    std::string chunk;
    std::size_t written = 0;
    for (std::size_t record = 0; written + chunk.size() < bytes; ++record) {
        if (record % 5 == 0) {
            stamp = qvchat2::format_date(++moment);
        }
        const std::size_t line_start = chunk.size();
        const std::size_t length = line_length(random);
        // One line in a hundred holds the word, at a place of its own.
        const int walrus_at = chance(random) == 0 ? chance(random) % 6 : -1;
        chunk += '<' + stamp + "> " + speakers[speaker(random)] + ':';
        for (int index = 0; chunk.size() - line_start < length; ++index) {
            chunk += ' ';
            chunk += index == walrus_at ? "Walrus" : words[word(random)];
        }
        chunk += '\n';
        if (chunk.size() >= WRITE_CHUNK) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            written += chunk.size();
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

// Whether `text` holds `lower_needle`, upper-case ASCII letters of `text` taken as lower case.
bool contains_folded(std::string_view text, std::string_view lower_needle) {
    auto fold = [](char byte) {
        return byte >= 'A' && byte <= 'Z' ? char(byte - 'A' + 'a') : byte;
    };
    const auto found =
        std::search(text.begin(), text.end(), lower_needle.begin(), lower_needle.end(),
                    [&](char left, char right) { return fold(left) == right; });
    return found != text.end();
}

// Searches `file` with `matches` and prints the time and the speed.
void time_search(const fs::path& file, const char* label,
                 const qvchat2::LogSearch::LinePredicate& matches) {
    std::mutex done_lock;
    std::condition_variable done_changed;
    bool changed = false;
    const auto start = Clock::now();
    qvchat2::LogSearch search({file}, matches, [&] {
        const std::lock_guard<std::mutex> lock(done_lock);
        changed = true;
        done_changed.notify_all();
    });
    for (;;) {
        std::unique_lock<std::mutex> lock(done_lock);
        done_changed.wait(lock, [&] { return changed; });
        changed = false;
        lock.unlock();
        if (search.progress().finished) {
            break;
        }
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    const auto result = search.result().value();
    const double megabytes = static_cast<double>(search.progress().bytes_done) / 1e6;
    std::printf("%s: %.0f MB in %.3f s, %.0f MB/s, %llu matches (%zu kept)\n", label, megabytes,
                took.count(), megabytes / took.count(),
                static_cast<unsigned long long>(result.total_matches), result.matches.size());
}

void time_backlog(const fs::path& file) {
    std::size_t records = 0;
    const auto start = Clock::now();
    for (int round = 0; round < BACKLOG_ROUNDS; ++round) {
        records = qvchat2::read_last_records(file, qvchat2::MOST_BACKLOG_RECORDS).size();
    }
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    std::printf("read_last_records(%zu): %zu records in %.3f ms\n", qvchat2::MOST_BACKLOG_RECORDS,
                records, took.count() / BACKLOG_ROUNDS);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::size_t megabytes =
            argc > 1 ? static_cast<std::size_t>(std::stoul(argv[1])) : DEFAULT_MEGABYTES;
        const ScratchFolder folder;
        const fs::path file = folder.path() / qvchat2::chat_log_name;
        write_log(file, megabytes * 1000 * 1000);
        std::printf("log: %.0f MB (in the page cache: just written)\n",
                    static_cast<double>(fs::file_size(file)) / 1e6);
        auto folded = [](const std::string& lower_needle) {
            return [lower_needle](std::string_view text) {
                return contains_folded(text, lower_needle);
            };
        };
        // Reading and splitting the lines alone, then with a predicate that looks at every byte.
        time_search(file, "no predicate work", [](std::string_view) { return false; });
        time_search(file, "folded 'walrus' (1 % of lines)", folded("walrus"));
        time_search(file, "folded 'zebra' (no line)", folded("zebra"));
        time_backlog(file);
    } catch (const std::exception& error) {
        std::cerr << "qvbench_log_search: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
