#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qvchat2gui {

// Where Tab finds its words: character names, most relevant first (computed at each first Tab,
// as the characters nearby change), the local command names and aliases, and the words a command
// takes first (by the command's lower-case name): fixed ones, or ones asked for at each first Tab.
struct CompletionSources {
    std::function<std::vector<std::string>()> names;
    std::vector<std::string> commands;
    std::map<std::string, std::vector<std::string>> command_words;
    // The words #view takes, as the views are at the first Tab.
    std::function<std::vector<std::string>()> view_names;
    // The user's aliases, offered with the commands, as they are at the first Tab.
    std::function<std::vector<std::string>()> alias_names;
    // Words a command takes first that change while the program runs, ahead of command_words.
    std::map<std::string, std::function<std::vector<std::string>()>> command_word_sources;
};

// The words of `pool` that start with `prefix`, ASCII letters compared without case, in the
// order of the pool and each once. Words that could not be typed (with a space, a control or a
// colour byte) are left out.
std::vector<std::string> words_starting_with(const std::vector<std::string>& pool,
                                             const std::string& prefix);

// Tab completion of the word before the cursor. A first Tab replaces the word by the first
// candidate and a space; each further Tab replaces that by the next candidate, round.
class TabCompletion {
public:
    // First Tab. "/" at the start of the line completes a name, "#" a command, the word after a
    // command that takes words one of those, any other word a name. Returns false, changing
    // nothing, when no candidate matches.
    bool start(std::string& line, std::size_t& cursor, const CompletionSources& sources);
    // A further Tab: the next candidate in place of the one inserted.
    void next(std::string& line, std::size_t& cursor);
    // Any other key accepts what is in the line.
    void stop();
    bool active() const;

private:
    void insert_candidate(std::string& line, std::size_t& cursor);

    std::vector<std::string> candidates;
    std::size_t chosen = 0;
    std::size_t word_start = 0;
    std::size_t inserted_size = 0;
};

}  // namespace qvchat2gui
