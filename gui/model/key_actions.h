#pragma once

#include <string>
#include <vector>

#include "gui/model/front_end_keys.h"

namespace qvchat2gui {

// What a key does, in the words #bind lists and takes ("search the chat"), the keys that do it
// unless the user binds them to something else (the first is the code handed to the front-end
// for a key bound to the action), and whether the front-end in use has it.
struct KeyAction {
    std::string words;
    std::vector<int> keys;
    bool (*available)(const FrontEndKeys& keys);
};

// Every action of the keys, in the order #bind lists them.
const std::vector<KeyAction>& key_actions();

}  // namespace qvchat2gui
