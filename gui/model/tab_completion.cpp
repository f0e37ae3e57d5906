#include "gui/model/tab_completion.h"

#include <algorithm>
#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/predicate.hpp>
#include <locale>
#include <optional>

#include "gui/model/key_codes.h"

namespace qvchat2gui {

namespace {

// A word Tab may put into the line: no space, no control or colour byte.
bool is_typeable_word(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char byte) {
        return byte != ' ' && is_typed_byte(static_cast<unsigned char>(byte));
    });
}

// What "#" completes: the commands and the aliases of the moment, in alphabetical order.
std::vector<std::string> commands_and_aliases(const CompletionSources& sources) {
    if (!sources.alias_names) {
        return sources.commands;
    }
    std::vector<std::string> words = sources.alias_names();
    words.insert(words.end(), sources.commands.begin(), sources.commands.end());
    std::sort(words.begin(), words.end());
    return words;
}

// The words the command at the start of `line` takes, when the word at `word_start` is its first
// argument.
std::optional<std::vector<std::string>> words_after_command(const std::string& line,
                                                            std::size_t word_start,
                                                            const CompletionSources& sources) {
    const std::size_t command_end = line.find(' ');
    if (line.empty() || line[0] != '#' || command_end == std::string::npos ||
        command_end >= word_start || line.find_first_not_of(' ', command_end) < word_start) {
        return std::nullopt;
    }
    const std::string command =
        boost::algorithm::to_lower_copy(line.substr(1, command_end - 1), std::locale::classic());
    if (command == "view" && sources.view_names) {
        return sources.view_names();
    }
    const auto source = sources.command_word_sources.find(command);
    if (source != sources.command_word_sources.end() && source->second) {
        return source->second();
    }
    const auto words = sources.command_words.find(command);
    if (words == sources.command_words.end()) {
        return std::nullopt;
    }
    return words->second;
}

}  // namespace

std::vector<std::string> words_starting_with(const std::vector<std::string>& pool,
                                             const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& word : pool) {
        if (is_typeable_word(word) &&
            boost::algorithm::istarts_with(word, prefix, std::locale::classic()) &&
            std::find(found.begin(), found.end(), word) == found.end()) {
            found.push_back(word);
        }
    }
    return found;
}

bool TabCompletion::start(std::string& line, std::size_t& cursor,
                          const CompletionSources& sources) {
    stop();
    const std::size_t space_before = cursor == 0 ? std::string::npos : line.rfind(' ', cursor - 1);
    const bool first_word = space_before == std::string::npos;
    const bool after_marker = first_word && !line.empty() && (line[0] == '/' || line[0] == '#');
    word_start = after_marker ? 1 : (first_word ? 0 : space_before + 1);
    const std::string prefix = line.substr(word_start, cursor - word_start);
    const std::optional<std::vector<std::string>> command_words =
        words_after_command(line, word_start, sources);
    if (after_marker && line[0] == '#') {
        candidates = words_starting_with(commands_and_aliases(sources), prefix);
    } else if (command_words) {
        candidates = words_starting_with(*command_words, prefix);
    } else if (after_marker || !prefix.empty()) {
        // A bare "/" offers every name; elsewhere an empty word would match everything.
        candidates = words_starting_with(
            sources.names ? sources.names() : std::vector<std::string>(), prefix);
    }
    if (candidates.empty()) {
        return false;
    }
    inserted_size = prefix.size();
    insert_candidate(line, cursor);
    return true;
}

void TabCompletion::next(std::string& line, std::size_t& cursor) {
    if (candidates.empty()) {
        return;
    }
    chosen = (chosen + 1) % candidates.size();
    insert_candidate(line, cursor);
}

void TabCompletion::stop() {
    candidates.clear();
    chosen = 0;
}

bool TabCompletion::active() const {
    return !candidates.empty();
}

void TabCompletion::insert_candidate(std::string& line, std::size_t& cursor) {
    const std::string replacement = candidates[chosen] + " ";
    line.replace(word_start, inserted_size, replacement);
    inserted_size = replacement.size();
    cursor = word_start + inserted_size;
}

}  // namespace qvchat2gui
