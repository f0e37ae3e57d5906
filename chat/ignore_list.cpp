#include "chat/ignore_list.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "chat/whole_word.h"
#include "gui/common_gui.h"

namespace qvchat2 {

namespace {

constexpr char END_TIME_SEPARATOR = '\t';

std::int64_t epoch_seconds(WallClock::time_point time) {
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

std::string minutes_text(std::chrono::minutes minutes) {
    return std::to_string(minutes.count()) + (minutes.count() == 1 ? " minute" : " minutes");
}

}  // namespace

std::optional<std::string> comparable_player_name(std::string_view name) {
    const WordBytes& classes = word_bytes();
    std::string folded;
    for (const char byte : name) {
        if (qvchat2gui::is_color_code(byte)) {
            continue;
        }
        if (folded.size() == MAX_PLAYER_NAME_BYTES) {
            return std::nullopt;
        }
        folded += static_cast<char>(classes.folded[static_cast<unsigned char>(byte)]);
    }
    return folded;
}

std::optional<std::string> player_name_problem(const std::string& name) {
    if (name.empty()) {
        return "Whom to ignore? A player's name is needed.";
    }
    // Checked before the name is ever shown: it may hold a terminal's escape sequence.
    if (std::any_of(name.begin(), name.end(), qvchat2gui::is_control_character)) {
        return "A player's name holds no control or colour bytes.";
    }
    if (name.size() > MAX_PLAYER_NAME_BYTES) {
        return "\"" + name + "\" is longer than a player's name can be (" +
               std::to_string(MAX_PLAYER_NAME_BYTES) + " bytes).";
    }
    return std::nullopt;
}

std::string unignore_message(const std::string& name, bool was_ignored) {
    return name + (was_ignored ? " is no longer ignored." : " was not ignored.");
}

IgnoreOutcome IgnoreList::ignore(const std::string& name,
                                 std::optional<std::chrono::minutes> how_long,
                                 WallClock::time_point now) {
    if (auto problem = player_name_problem(name)) {
        return {false, std::move(*problem)};
    }
    if (how_long && *how_long < std::chrono::minutes{1}) {
        return {false, "The time to ignore must be at least 1 minute."};
    }
    if (how_long && *how_long > MAX_IGNORE_TIME) {
        return {false, "The time to ignore can be at most " + minutes_text(MAX_IGNORE_TIME) +
                           " (a year)."};
    }
    std::optional<WallClock::time_point> until;
    if (how_long) {
        until = now + *how_long;
    }
    {
        const std::string key = *comparable_player_name(name);
        const std::lock_guard<std::mutex> lock(entries_mutex);
        if (entries_by_folded_name.size() >= MAX_IGNORED_NAMES &&
            entries_by_folded_name.count(key) == 0) {
            return {false, "There can be at most " + std::to_string(MAX_IGNORED_NAMES) +
                               " ignored names."};
        }
        Entry& entry = entries_by_folded_name[key];
        entry.name = name;
        entry.until = until;
        entry.added = next_added++;
    }
    if (how_long) {
        return {true, "Ignoring " + name + " for " + minutes_text(*how_long) + "."};
    }
    return {true, "Ignoring " + name + " (private messages too) until you #unignore " + name + "."};
}

bool IgnoreList::unignore(const std::string& name) {
    const auto key = comparable_player_name(name);
    if (!key) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(entries_mutex);
    return entries_by_folded_name.erase(*key) > 0;
}

bool IgnoreList::hides(std::string_view speaker, WallClock::time_point now) {
    const std::lock_guard<std::mutex> lock(entries_mutex);
    if (entries_by_folded_name.empty() || speaker.empty()) {
        return false;
    }
    const auto key = comparable_player_name(speaker);
    if (!key) {
        return false;
    }
    const auto found = entries_by_folded_name.find(*key);
    if (found == entries_by_folded_name.end()) {
        return false;
    }
    if (found->second.until && *found->second.until <= now) {
        entries_by_folded_name.erase(found);
        return false;
    }
    ++found->second.lines_hidden;
    return true;
}

std::vector<IgnoredPlayer> IgnoreList::entries(WallClock::time_point now) {
    std::vector<std::pair<std::string, IgnoredPlayer>> listed;
    {
        const std::lock_guard<std::mutex> lock(entries_mutex);
        for (auto entry = entries_by_folded_name.begin(); entry != entries_by_folded_name.end();) {
            const std::optional<WallClock::time_point>& until = entry->second.until;
            if (until && *until <= now) {
                entry = entries_by_folded_name.erase(entry);
                continue;
            }
            std::optional<std::chrono::seconds> left;
            if (until) {
                left = std::chrono::ceil<std::chrono::seconds>(*until - now);
            }
            listed.push_back(
                {entry->first, {entry->second.name, left, entry->second.lines_hidden}});
            ++entry;
        }
    }
    std::sort(listed.begin(), listed.end(),
              [](const auto& left, const auto& right) { return left.first < right.first; });
    std::vector<IgnoredPlayer> players;
    players.reserve(listed.size());
    for (auto& entry : listed) {
        players.push_back(std::move(entry.second));
    }
    return players;
}

std::vector<std::string> IgnoreList::to_lines() {
    std::vector<std::pair<std::uint64_t, std::string>> lines;
    {
        const std::lock_guard<std::mutex> lock(entries_mutex);
        for (const auto& named : entries_by_folded_name) {
            const Entry& entry = named.second;
            std::string line = entry.name;
            if (entry.until) {
                line += END_TIME_SEPARATOR + std::to_string(epoch_seconds(*entry.until));
            }
            lines.emplace_back(entry.added, std::move(line));
        }
    }
    // The newest last, so that the file's bound keeps the newest.
    std::sort(lines.begin(), lines.end(),
              [](const auto& left, const auto& right) { return left.first < right.first; });
    std::vector<std::string> in_order_added;
    in_order_added.reserve(lines.size());
    for (auto& line : lines) {
        in_order_added.push_back(std::move(line.second));
    }
    return in_order_added;
}

std::size_t IgnoreList::from_lines(const std::vector<std::string>& lines,
                                   WallClock::time_point now) {
    std::size_t unreadable = 0;
    const std::int64_t latest_end = epoch_seconds(now + MAX_IGNORE_TIME);
    for (const std::string& line : lines) {
        const auto separator = line.find(END_TIME_SEPARATOR);
        const std::string name = line.substr(0, separator);
        std::optional<WallClock::time_point> until;
        if (separator != std::string::npos) {
            const char* first = line.data() + separator + 1;
            const char* last = line.data() + line.size();
            std::int64_t end = 0;
            const auto [stop, error] = std::from_chars(first, last, end);
            // A later end than a new entry could have is as unreadable as one that is not a number.
            if (first == last || error != std::errc{} || stop != last || end > latest_end) {
                ++unreadable;
                continue;
            }
            until = WallClock::time_point{std::chrono::seconds{end}};
        }
        if (player_name_problem(name)) {
            ++unreadable;
            continue;
        }
        if (until && *until <= now) {
            continue;
        }
        const std::lock_guard<std::mutex> lock(entries_mutex);
        Entry& entry = entries_by_folded_name[*comparable_player_name(name)];
        entry.name = name;
        entry.until = until;
        entry.added = next_added++;
    }
    return unreadable;
}

}  // namespace qvchat2
