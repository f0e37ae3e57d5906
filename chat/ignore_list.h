#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/name_list_file.h"

namespace qvchat2 {

// The longest name a player can have, in bytes.
constexpr std::size_t MAX_PLAYER_NAME_BYTES = 32;
// The most names ignored at once.
constexpr std::size_t MAX_IGNORED_NAMES = MAX_NAME_LIST_ENTRIES;
// The longest a player can be ignored for at once: a year.
constexpr std::chrono::minutes MAX_IGNORE_TIME{60 * 24 * 365};

using WallClock = std::chrono::system_clock;

// What #ignore did: `message` is the confirmation when `accepted`, else why not.
struct IgnoreOutcome {
    bool accepted = false;
    std::string message;
};

// One ignored player, as #ignore lists them.
struct IgnoredPlayer {
    std::string name;                          // as the user typed it
    std::optional<std::chrono::seconds> left;  // none when ignored until #unignore
    std::size_t lines_hidden = 0;              // in this run
};

// The players whose lines are hidden. A speaker is ignored when their name, without colour bytes
// and with ASCII letters folded, is one of these as a whole. Used by the message handlers on the
// dispatch threads and by the commands on the main thread.
class IgnoreList {
public:
    // Ignores `name` until unignore, or for `how_long`; ignoring a name again replaces its time
    // and makes it the newest.
    IgnoreOutcome ignore(const std::string& name, std::optional<std::chrono::minutes> how_long,
                         WallClock::time_point now);
    // False when the name was not ignored.
    bool unignore(const std::string& name);
    // Whether a line of `speaker` is hidden now; counts it when it is.
    bool hides(std::string_view speaker, WallClock::time_point now);
    // The names still ignored, in alphabetical order of their folded names.
    std::vector<IgnoredPlayer> entries(WallClock::time_point now);

    // The file's lines: NAME, or NAME<TAB>END for a timed entry, END in seconds since the epoch;
    // the newest last.
    std::vector<std::string> to_lines();
    // Adds the entries of a file, the last line newest; a line that cannot be read or that has run
    // out is skipped.
    // Returns how many were skipped.
    std::size_t from_lines(const std::vector<std::string>& lines, WallClock::time_point now);

private:
    struct Entry {
        std::string name;
        std::optional<WallClock::time_point> until;
        std::size_t lines_hidden = 0;
        std::uint64_t added = 0;  // orders the entries from the oldest
    };
    std::mutex entries_mutex;  // guards entries_by_folded_name and next_added
    std::unordered_map<std::string, Entry> entries_by_folded_name;
    std::uint64_t next_added = 0;
};

// A name as players' names are compared: colour bytes left out (a server may colour a name), ASCII
// letters folded. None when it is longer than any player name, so that a long speaker costs no
// allocation.
std::optional<std::string> comparable_player_name(std::string_view name);

// Why `name` cannot be a player's name, or none when it can.
std::optional<std::string> player_name_problem(const std::string& name);

// "Marek is no longer ignored." or "Marek was not ignored."
std::string unignore_message(const std::string& name, bool was_ignored);

}  // namespace qvchat2
