#include "gui/terminal_modes.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "gui/curses_api.h"
#include "gui/model/key_codes.h"
#include "gui/terminal_stop.h"

namespace qvchat2gui {

void set_terminal_reports(bool on) {
    write_to_terminal(on ? "\033[?2004h\033[?1004h" : "\033[?1004l\033[?2004l");
}

void define_editing_keys() {
    define_key("\033[200~", PASTE_START_KEY);
    define_key("\033[201~", PASTE_END_KEY);
    define_key("\033[I", FOCUS_IN_KEY);
    define_key("\033[O", FOCUS_OUT_KEY);
    // xterm and its followers (tmux among them), then rxvt.
    for (const char* sequence : {"\033[1;5D", "\033[5D", "\033Od"}) {
        define_key(sequence, CTRL_LEFT_KEY);
    }
    for (const char* sequence : {"\033[1;5C", "\033[5C", "\033Oc"}) {
        define_key(sequence, CTRL_RIGHT_KEY);
    }
    for (const char* sequence : {"\033[1;5H", "\033[1;3H", "\033[7^"}) {
        define_key(sequence, CHAT_OLDEST_KEY);
    }
    for (const char* sequence : {"\033[1;5F", "\033[1;3F", "\033[8^"}) {
        define_key(sequence, CHAT_NEWEST_KEY);
    }
    for (const char* sequence : {"\033[1;3C", "\033\033[C"}) {
        define_key(sequence, NEXT_VIEW_KEY);
    }
    for (const char* sequence : {"\033[1;3D", "\033\033[D"}) {
        define_key(sequence, PREVIOUS_VIEW_KEY);
    }
    // Alt-Up and Alt-Down (kUP3, kDN3), and Escape before the arrow in either cursor mode.
    for (const char* sequence : {"\033[1;3A", "\033\033[A", "\033\033OA"}) {
        define_key(sequence, REVIEW_OLDER_KEY);
    }
    for (const char* sequence : {"\033[1;3B", "\033\033[B", "\033\033OB"}) {
        define_key(sequence, REVIEW_NEWER_KEY);
    }
}

void stop_like_ctrl_z() {
    set_terminal_reports(false);
    endwin();
    stop_process_like_ctrl_z();
    set_terminal_reports(true);
    // Whatever the shell wrote meanwhile is painted over in full.
    clearok(curscr, TRUE);
}

}  // namespace qvchat2gui
