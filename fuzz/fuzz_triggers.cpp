// Triggers as the user types them (or as triggers.txt holds them) and the received lines they
// are asked about: adding never fails silently, what is kept reads back as the same list, and a
// line's actions are only what the triggers can ask for.
//
// Input: one separator byte, then pieces cut at it: the even ones are typed after "#trigger ",
// the odd ones are received lines (colour bytes and all), matched against what was kept so far.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chat/trigger_list.h"
#include "fuzz/check.h"
#include "gui/model/line_effects.h"

namespace {

using qvfuzz::check;

// Compiling a pattern takes far longer than matching one: a few triggers find as much.
constexpr std::size_t MOST_TRIGGERS_TRIED = 12;

std::vector<std::string> pieces_of(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> pieces(1);
    for (std::size_t at = 1; at < size; ++at) {
        if (data[at] == data[0]) {
            pieces.emplace_back();
        } else {
            pieces.back() += static_cast<char>(data[at]);
        }
    }
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::vector<std::string> pieces = pieces_of(data, size);
    qvchat2::TriggerList list;
    std::size_t tried = 0;
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        if (index % 2 == 0) {
            if (tried++ == MOST_TRIGGERS_TRIED) {
                continue;
            }
            const std::size_t before = list.size();
            const qvchat2::TriggerOutcome outcome = list.add(pieces[index]);
            check(!outcome.message.empty(), "every edit says what it did");
            check(list.size() == before + (outcome.accepted ? 1 : 0),
                  "a trigger is kept exactly when it is accepted");
            continue;
        }
        const qvchat2::TriggerActions actions = list.match(pieces[index]);
        check(!actions.colour || qvchat2gui::is_shown_colour(*actions.colour),
              "a trigger colours a line only in a colour the screen shows");
        check(list.size() > 0 || (!actions.hide && !actions.bell && !actions.notify &&
                                  !actions.pane && !actions.speak && !actions.colour),
              "without triggers a line gets no action");
        check(actions.notices.size() <= list.size() + 1, "each costly trigger is named once");
    }

    // What would be saved reads back as the same list, as triggers.txt does at the next start.
    const std::vector<std::string> saved = list.to_lines();
    qvchat2::TriggerList read_back;
    for (const std::string& line : saved) {
        check(read_back.add(line).accepted, "a saved trigger is accepted again");
    }
    check(read_back.to_lines() == saved, "a saved list reads back unchanged");
    return 0;
}
