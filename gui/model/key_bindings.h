#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gui/model/front_end_keys.h"

namespace qvchat2gui {

// The keys the user bound (#bind) to another action of key_actions() or to a line typed for
// them, over the keys' defaults. Used on the input thread only, where the keys are read and the
// commands run.
class KeyBindings {
public:
    // The most bindings kept, and the longest line a key may type.
    static constexpr std::size_t MAX_BINDINGS = 200;
    static constexpr std::size_t MAX_TYPED_LINE = 512;

    // What a pressed key does: the code the front-end handles as if pressed (the key's own, or
    // the first key of the action it is bound to), or a line to take as typed.
    struct Resolved {
        int key;
        std::optional<std::string> typed_line;
    };
    Resolved resolve(int key) const;

    // "#bind KEY ACTION" in a front-end with `keys`: the answer for the user, and whether the
    // bindings changed. Enter, and the keys that leave or stop the program, are refused.
    std::string bind(const std::string& key_text, const std::string& action_text,
                     const FrontEndKeys& keys, bool& changed);
    // "#unbind KEY" in a front-end with `keys`: the key does its default there again.
    std::string unbind(const std::string& key_text, const FrontEndKeys& keys, bool& changed);
    // Every key of the front-end with what it does now, one line each: "Ctrl-S: search the chat".
    std::vector<std::string> listing(const FrontEndKeys& keys) const;

    // The bindings as lines of their file, "KEY ACTION" each, and read back from such lines: what
    // is wrong with each line that cannot be used, with its number (1 is the first).
    struct LineProblem {
        std::size_t line;
        std::string text;
    };
    std::vector<std::string> to_lines() const;
    std::vector<LineProblem> load(const std::vector<std::string>& lines, const FrontEndKeys& keys);

private:
    struct Binding {
        std::optional<std::size_t> action;  // index in key_actions(); else the line typed
        std::string typed_line;
    };
    std::string does(const Binding& binding) const;

    std::map<int, Binding> bindings;  // by the key's canonical code
};

}  // namespace qvchat2gui
