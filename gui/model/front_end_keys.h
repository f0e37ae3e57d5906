#pragma once

#include <functional>
#include <string>

// What a front-end offers the user besides typed lines and commands, so that the text shared by
// every front-end names only the keys of the one in use.
namespace qvchat2gui {

struct FrontEndKeys {
    bool scroll = false;         // Page Up, Page Down, Ctrl-Home and Ctrl-End scroll the chat
    bool search = false;         // Ctrl-S searches the chat
    bool for_user = false;       // Alt-P and Alt-N go to the lines for the user
    bool say_again = false;      // Alt-1 to Alt-9 say the latest lines for the user again
    bool views = false;          // Alt-Right, Alt-Left and Alt-A go through the views
    bool several_lines = false;  // Alt-Enter starts a new line of the entry
    bool review = false;         // Alt-Up and Alt-Down review the view's lines one by one
    bool review_ends = false;    // Alt-Home and Alt-End review its oldest and newest line
    bool stop_speech = false;    // Ctrl-G stops what speech is saying
};

// Whether the front-end in use has the local command named (without its '#').
using HasCommand = std::function<bool(const std::string& word)>;

// The line #help shows after the list of commands: what that list does not tell, the keys and
// commands of the front-end in use only.
std::string help_keys_line(const FrontEndKeys& keys, const HasCommand& has_command);

// Where the user finds the lines for them again, as the end of a sentence that counted them, or
// "" when the front-end has no way.
std::string lines_for_user_hint(const FrontEndKeys& keys, const HasCommand& has_command);

}  // namespace qvchat2gui
