#pragma once

#include <optional>
#include <string>

namespace qvchat2gui {

// Key codes (key_codes.h) by the names people give them: "Ctrl-S", "Alt-G", "Alt-Shift-G",
// "Alt-Enter", "PageUp", "F5". Several codes may be one key (Backspace is 127, 8 or curses'
// own code, as terminals differ); each key has one canonical code.

// The canonical code of a named key; ASCII letters of any case, "C-" and "M-" as in Emacs, "Esc"
// or "Escape", "PageUp" or "Page Up". Nothing for a name no key has.
std::optional<int> parse_key_name(const std::string& name);
// The name of the key that sends `code`, as parse_key_name takes it; "" for a code with none.
std::string key_name(int code);
// The canonical code of the key that sent `code`.
int canonical_key(int code);

}  // namespace qvchat2gui
