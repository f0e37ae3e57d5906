#include "chat/player_notes.h"

#include <algorithm>

#include "chat/command_argument.h"
#include "chat/ignore_list.h"
#include "gui/model/chat_text.h"

namespace qvchat2 {

namespace {

std::string without_trailing_spaces(const std::string& text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::optional<std::string> note_text_problem(const std::string& text) {
    if (text.empty()) {
        return "A note needs some text.";
    }
    // A note is shown as it is: an escape sequence in it must never reach the terminal.
    if (std::any_of(text.begin(), text.end(), qvchat2gui::is_control_character)) {
        return "A note holds no control or colour bytes.";
    }
    if (text.size() > MAX_NOTE_BYTES) {
        return "A note can be at most " + std::to_string(MAX_NOTE_BYTES) + " bytes; this one is " +
               std::to_string(text.size()) + ".";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> noted_name_problem(const std::string& name) {
    if (name.empty()) {
        return "A note needs a player's name.";
    }
    return player_name_problem(name);
}

NoteOutcome PlayerNotes::keep(const std::string& name, const std::string& text) {
    if (auto problem = noted_name_problem(name)) {
        return {false, std::move(*problem)};
    }
    const std::string kept = without_trailing_spaces(text);
    if (auto problem = note_text_problem(kept)) {
        return {false, std::move(*problem)};
    }
    const std::string key = *comparable_player_name(name);
    bool replaced = false;
    {
        const std::lock_guard<std::mutex> lock(notes_mutex);
        const auto found = notes_by_compared_name.find(key);
        replaced = found != notes_by_compared_name.end();
        if (!replaced && notes_by_compared_name.size() >= MAX_NOTED_PLAYERS) {
            return {false, "There can be at most " + std::to_string(MAX_NOTED_PLAYERS) +
                               " notes; #note NAME - removes one."};
        }
        Entry& entry = notes_by_compared_name[key];
        entry.note = {name, kept};
    }
    return {true,
            (replaced ? "The note on " + name + " is now: " : "Noted on " + name + ": ") + kept};
}

bool PlayerNotes::remove(const std::string& name) {
    const auto key = comparable_player_name(name);
    if (!key) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(notes_mutex);
    return notes_by_compared_name.erase(*key) > 0;
}

std::optional<PlayerNote> PlayerNotes::note_on(std::string_view name) {
    const auto key = comparable_player_name(name);
    if (!key) {
        return std::nullopt;
    }
    const std::lock_guard<std::mutex> lock(notes_mutex);
    const auto found = notes_by_compared_name.find(*key);
    if (found == notes_by_compared_name.end()) {
        return std::nullopt;
    }
    return found->second.note;
}

std::optional<PlayerNote> PlayerNotes::note_for_first_message(std::string_view sender) {
    const auto key = comparable_player_name(sender);
    if (!key) {
        return std::nullopt;
    }
    const std::lock_guard<std::mutex> lock(notes_mutex);
    const auto found = notes_by_compared_name.find(*key);
    if (found == notes_by_compared_name.end() || found->second.said_after_message) {
        return std::nullopt;
    }
    found->second.said_after_message = true;
    return found->second.note;
}

std::vector<PlayerNote> PlayerNotes::entries() {
    std::vector<PlayerNote> notes;
    const std::lock_guard<std::mutex> lock(notes_mutex);
    notes.reserve(notes_by_compared_name.size());
    for (const auto& named : notes_by_compared_name) {
        notes.push_back(named.second.note);
    }
    return notes;
}

std::vector<std::string> PlayerNotes::to_lines() {
    std::vector<std::string> lines;
    for (const PlayerNote& note : entries()) {
        lines.push_back(note.name + ' ' + note.text);
    }
    return lines;
}

std::vector<std::size_t> PlayerNotes::from_lines(const std::vector<std::string>& lines) {
    std::vector<std::size_t> unreadable;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (lines[index].find_first_not_of(' ') == std::string::npos) {
            continue;
        }
        const auto [name, text] = first_word(lines[index]);
        // A line that starts with a space would take its first word of text as the name.
        if (lines[index][0] == ' ' || !keep(name, text).accepted) {
            unreadable.push_back(index);
        }
    }
    return unreadable;
}

}  // namespace qvchat2
