#include "gui/model/front_end_keys.h"

#include <vector>

namespace qvchat2gui {

namespace {

// The words after `label`, those available only, or nothing when none is.
std::string part(const std::string& label, const std::vector<std::string>& available) {
    std::string text;
    for (const std::string& word : available) {
        if (!word.empty()) {
            text += text.empty() ? label + ": " : ", ";
            text += word;
        }
    }
    return text.empty() ? text : text + ". ";
}

std::string if_command(const HasCommand& has_command, const std::string& word,
                       const std::string& shown) {
    return has_command(word) ? shown : std::string();
}

}  // namespace

std::string help_keys_line(const FrontEndKeys& keys, const HasCommand& has_command) {
    std::string text = "Private message: /name text. ";
    if (keys.several_lines) {
        text += "Several lines: Alt-Enter, then Enter sends each. ";
        text += if_command(has_command, "spell", "Spelling: Alt-S, #spell. ");
    }
    if (keys.scroll) {
        text += "Scroll: Page Up, Page Down, Ctrl-Home, Ctrl-End. ";
    }
    if (keys.say_again) {
        text += "Say again: Alt-1 to Alt-9, the latest lines for you. ";
    }
    if (keys.review) {
        text += keys.review_ends ? "Review line by line: Alt-Up, Alt-Down, Alt-Home, Alt-End. "
                                 : "Review line by line: Alt-Up, Alt-Down. ";
    }
    if (keys.stop_speech) {
        text += "Stop speech: Ctrl-G. ";
    }
    text +=
        part("Find", {keys.search ? "Ctrl-S" : "", if_command(has_command, "grep", "#grep TEXT"),
                      if_command(has_command, "logs", "#logs TEXT")});
    text += part("Links", {if_command(has_command, "urls", "#urls"),
                           if_command(has_command, "copy", "#copy N")});
    text += part("Hear", {if_command(has_command, "ignore", "#ignore"),
                          if_command(has_command, "highlight", "#highlight"),
                          if_command(has_command, "mute", "#mute")});
    text += part("Views", {if_command(has_command, "view", "#view NAME"),
                           if_command(has_command, "views", "#views"),
                           keys.views ? "Alt-Right, Alt-Left, Alt-A" : ""});
    text += if_command(has_command, "set", "#set NAME VALUE. ");
    text += if_command(has_command, "missed", "Missed: #missed. ");
    if (keys.for_user) {
        text += "Lines for you: Alt-P, Alt-N; unread: Alt-U. Ignored lines: Alt-=. ";
    }
    // #help is built into every front-end.
    return text + "##word sends #word to the game. #help COMMAND tells more. More: man qvchat.";
}

std::string lines_for_user_hint(const FrontEndKeys& keys, const HasCommand& has_command) {
    if (keys.for_user) {
        return "Alt-P shows them.";
    }
    const bool missed = has_command("missed");
    if (keys.say_again) {
        return missed ? "Alt-1 says the latest again; #missed lists them."
                      : "Alt-1 says the latest again.";
    }
    return missed ? "#missed lists them." : "";
}

}  // namespace qvchat2gui
