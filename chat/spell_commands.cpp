#include "chat/spell_commands.h"

#include <string>
#include <vector>

#include "app/config.h"
#include "app/name_list_file.h"
#include "chat/command_argument.h"
#include "gui/spelling/spelling_words.h"

namespace qvchat2 {

namespace {

using qvchat2gui::server_line;
using qvchat2gui::SpellingState;

constexpr char LEARNED_WORDS_FILE[] = "spell.txt";

void say(qvchat2gui::ChatGUI* gui, const std::string& text) {
    gui->add_client_line(server_line(text));
}

std::string words_learned(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " word learned" : " words learned");
}

std::string spelling_described(const SpellingState& spelling) {
    const std::string learned = words_learned(spelling.learned().size());
    if (const qvchat2gui::SpellChecker* checker = spelling.checker()) {
        return "Spelling with the " + checker->dictionary() + " dictionary; " + learned +
               ". #spell add WORD learns a word, #spell remove WORD forgets it.";
    }
    return "Spelling is off; " + learned +
           ". #set spell 1 switches it on in the language of the locale, #set spell en_US (or "
           "another dictionary's name) in that language.";
}

void save(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file,
          const SpellingState& spelling) {
    std::string error;
    if (file && !save_name_list(*file, spelling.learned(), error)) {
        say(gui, "Cannot save " + file->string() + ": " + error);
    }
}

void add_word(qvchat2gui::ChatGUI* gui, SpellingState& spelling,
              const std::optional<std::filesystem::path>& file, const std::string& word) {
    if (!qvchat2gui::is_single_word(word) ||
        word.size() > qvchat2gui::SpellChecker::MAX_WORD_BYTES) {
        say(gui,
            "Usage: #spell add WORD, a word of letters, with single apostrophes or hyphens "
            "inside.");
        return;
    }
    if (spelling.learned().size() >= MAX_NAME_LIST_ENTRIES) {
        say(gui, "There can be at most " + std::to_string(MAX_NAME_LIST_ENTRIES) +
                     " learned words; #spell remove one first.");
        return;
    }
    if (!spelling.learn(word)) {
        say(gui, "\"" + word + "\" was learned already.");
        return;
    }
    say(gui, "\"" + word + "\" is learned: it is never marked as misspelt.");
    save(gui, file, spelling);
}

void remove_word(qvchat2gui::ChatGUI* gui, SpellingState& spelling,
                 const std::optional<std::filesystem::path>& file, const std::string& word) {
    if (word.empty()) {
        say(gui, "Usage: #spell remove WORD");
        return;
    }
    if (!spelling.forget(word)) {
        say(gui, "\"" + word + "\" was not learned.");
        return;
    }
    say(gui, "\"" + word + "\" is forgotten.");
    save(gui, file, spelling);
}

void spell_command(qvchat2gui::ChatGUI* gui, SpellingState& spelling,
                   const std::optional<std::filesystem::path>& file, const std::string& argument) {
    const auto [action, rest] = first_word(argument);
    const std::string word = first_word(rest).first;
    if (action.empty()) {
        say(gui, spelling_described(spelling));
    } else if (action == "add") {
        add_word(gui, spelling, file, word);
    } else if (action == "remove") {
        remove_word(gui, spelling, file, word);
    } else {
        say(gui, "Usage: #spell, #spell add WORD or #spell remove WORD.");
    }
}

}  // namespace

std::optional<std::filesystem::path> learned_words_file(const std::string& server_folder) {
    return get_config_file(server_folder, LEARNED_WORDS_FILE);
}

void load_learned_words(std::optional<std::filesystem::path>& file, SpellingState& spelling,
                        std::ostream& warnings) {
    if (!file) {
        return;
    }
    const NameListRead read = load_name_list(*file);
    if (!read.problem.empty()) {
        warnings << read.problem
                 << " It is not used in this run, and words learned are not saved: make it a "
                    "regular file that you can read and write, or remove it.\n";
        file.reset();
        return;
    }
    spelling.set_learned(read.lines);
}

void register_spell_commands(qvchat2gui::ChatGUI* gui, SpellingState& spelling,
                             const std::optional<std::filesystem::path>& file) {
    gui->add_callback("spell", [gui, &spelling, file](const std::string& argument) {
        spell_command(gui, spelling, file, argument);
    });
    gui->add_command_words("spell", {"add", "remove"});
}

}  // namespace qvchat2
