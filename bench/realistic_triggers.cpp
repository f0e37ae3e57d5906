#include "bench/realistic_triggers.h"

#include <stdexcept>
#include <string>

namespace qvbench {

namespace {

constexpr int WORD_TRIGGERS = 50;
constexpr int REGEX_TRIGGERS = 49;

void add(qvchat2::TriggerList& list, const std::string& typed) {
    if (!list.add(typed).accepted) {
        throw std::logic_error("the benchmark's trigger is refused: " + typed);
    }
}

}  // namespace

void add_realistic_triggers(qvchat2::TriggerList& list) {
    for (int index = 0; index < WORD_TRIGGERS; ++index) {
        add(list, "word" + std::to_string(index) + " bell");
    }
    for (int index = 0; index < REGEX_TRIGGERS; ++index) {
        const std::string number = std::to_string(index);
        add(list, "/(boss|raid)" + number + "\\s+(at|in) \\d+/ colour 2 notify");
    }
    add(list, "iron colour yellow pane");
}

}  // namespace qvbench
