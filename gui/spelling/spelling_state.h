#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/spelling/learned_words.h"
#include "gui/spelling/spell_checker.h"

namespace qvchat2gui {

// The spelling of this run: the checker the `spell` setting asks for (none when it is off or its
// dictionary is missing), the words the user learned and where accepted names come from, kept
// across a change of dictionary. Main thread only: the key loop reads it, #spell and #set spell
// change it there.
class SpellingState {
public:
    // Opens the dictionary of the setting's value in place of the one in use; the problem for the
    // user ("" when none), spelling then being off.
    std::string use(const std::string& setting_value);

    // The checker in use; nullptr while spelling is off. Valid until the next use().
    SpellChecker* checker() const { return current.get(); }

    void set_accepted_words(SpellChecker::AcceptedWords source);

    // The learned words, kept whether spelling is on or off; learn and forget say whether the
    // list changed.
    void set_learned(const std::vector<std::string>& words);
    bool learn(const std::string& latin1_word);
    bool forget(const std::string& latin1_word);
    const std::vector<std::string>& learned() const { return learned_words.list(); }

private:
    std::unique_ptr<SpellChecker> current;
    LearnedWords learned_words;
    SpellChecker::AcceptedWords accepted_source;
};

}  // namespace qvchat2gui
