#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/name_list_file.h"

namespace qvchat2 {

// The longest note, in bytes: a few lines of the chat, so that 1000 notes stay under half a MiB.
constexpr std::size_t MAX_NOTE_BYTES = 400;
// The most players with a note.
constexpr std::size_t MAX_NOTED_PLAYERS = MAX_NAME_LIST_ENTRIES;

// One note, as the user typed it.
struct PlayerNote {
    std::string name;
    std::string text;
};

// What keeping a note did: `message` is the confirmation when `accepted`, else why not.
struct NoteOutcome {
    bool accepted = false;
    std::string message;
};

// The user's notes on players, one a player, found by the name as the ignore list compares names
// (comparable_player_name). Changed by #note on the main thread, read by the handler of private
// messages on the dispatch threads.
class PlayerNotes {
public:
    // Keeps `text` (its trailing spaces left out) on `name`, in place of an earlier note.
    NoteOutcome keep(const std::string& name, const std::string& text);
    // False when there was no note on `name`.
    bool remove(const std::string& name);
    std::optional<PlayerNote> note_on(std::string_view name);
    // The note on the sender of a private message, the first time one of theirs comes while the
    // note is kept; none after that and for a player without a note.
    std::optional<PlayerNote> note_for_first_message(std::string_view sender);
    // In alphabetical order of the compared names.
    std::vector<PlayerNote> entries();

    // The file's lines: NAME, a space and the text.
    std::vector<std::string> to_lines();
    // Keeps the notes of a file's lines, a later line on the same player replacing an earlier one;
    // blank lines are passed over. Returns the indexes of the lines that cannot be read, which are
    // skipped.
    std::vector<std::size_t> from_lines(const std::vector<std::string>& lines);

private:
    struct Entry {
        PlayerNote note;
        bool said_after_message = false;
    };
    std::mutex notes_mutex;  // guards notes_by_compared_name
    std::map<std::string, Entry> notes_by_compared_name;
};

// Why `name` cannot be noted, or none when it can.
std::optional<std::string> noted_name_problem(const std::string& name);

}  // namespace qvchat2
