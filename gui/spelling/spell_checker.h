#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "gui/spelling/learned_words.h"

// Enchant's types, kept out of the users' includes.
struct str_enchant_broker;
struct str_enchant_dict;

namespace qvchat2gui {

// Tells which words of the game's single-byte text (Latin-1) a dictionary knows, through Enchant
// (Hunspell's dictionaries); words the user learned and the names the client has seen count as
// known too.
//
// Used on the main thread only: the key loop asks it, and #spell and #set spell, which change it,
// run there too; so it takes no lock.
class SpellChecker {
public:
    // The most suggestions given for a word.
    static constexpr std::size_t MAX_SUGGESTIONS = 8;
    // A longer word is misspelt without asking the dictionary: no dictionary word is that long.
    static constexpr std::size_t MAX_WORD_BYTES = 60;
    // The dictionary's answers are remembered up to about this many bytes, then forgotten at once.
    static constexpr std::size_t MAX_REMEMBERED_BYTES = std::size_t{1} << 20;
    // How long the accepted words are used before they are asked for again.
    static constexpr std::chrono::milliseconds ACCEPTED_WORDS_LIFETIME{250};

    using AcceptedWords = std::function<std::vector<std::string>()>;

    // The checker for the `spell` setting's value (dictionary_for_setting): nullptr for "0", and
    // nullptr with `problem` naming the dictionary when it is not installed or cannot be opened.
    static std::unique_ptr<SpellChecker> open(const std::string& setting_value,
                                              std::string& problem);

    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    // The dictionary's name, as the setting gave it ("en_US").
    std::string dictionary() const;

    // Whether `latin1_word` is spelt right: the dictionary knows it (a word with hyphens also when
    // it knows each part), or it is a learned or accepted word (ASCII letters of any case, also
    // with "'s" after it).
    bool known(const std::string& latin1_word);
    // Whether known() would answer without asking the dictionary.
    bool remembered(const std::string& latin1_word) const;
    // The dictionary's suggestions that Latin-1 can write, at most MAX_SUGGESTIONS, best first.
    std::vector<std::string> suggestions(const std::string& latin1_word);

    // Where the names the client has seen and the highlight words come from; called at most once
    // every ACCEPTED_WORDS_LIFETIME, and only for a word the dictionary does not know. Entries of
    // several words count word by word; one between slashes (a regular expression) does not.
    void set_accepted_words(AcceptedWords source);

    // Adds a word to those known (the caller keeps them in a file); false when it was there.
    bool learn(const std::string& latin1_word);
    // Removes a learned word (ASCII letters of any case); false when it was not there.
    bool forget(const std::string& latin1_word);
    // The learned words, oldest first.
    std::vector<std::string> learned() const;

private:
    SpellChecker(std::string dictionary_name, str_enchant_broker* broker, str_enchant_dict* dict);

    bool dictionary_knows(const std::string& latin1_word) const;
    bool dictionary_knows_whole(const std::string& latin1_word) const;
    bool known_to_user(const std::string& latin1_word);
    void remember(const std::string& latin1_word, bool verdict);
    void refresh_accepted_words();

    std::string dictionary_name;
    str_enchant_broker* broker;
    str_enchant_dict* dict;

    std::unordered_map<std::string, bool> verdicts;
    std::size_t verdict_bytes = 0;

    LearnedWords learned_words;

    AcceptedWords accepted_source;
    std::unordered_set<std::string> accepted_folded;
    std::chrono::steady_clock::time_point accepted_read_at;
    bool accepted_stale = true;
};

}  // namespace qvchat2gui
