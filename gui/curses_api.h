#pragma once

// Curses as functions only: its macros (move, clear, erase, ...) would clash with C++ names.
#define NCURSES_NOMACROS
// The wide-character calls paint Latin-1 letters in the terminal's encoding.
#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace qvchat2gui {

// The curses objects of one front-end; every use happens under its screen lock.
struct CursesScreen {
    SCREEN* screen = nullptr;
    WINDOW* aux_window = nullptr;
    WINDOW* pane_window = nullptr;  // only while the pane has rows
    WINDOW* main_window = nullptr;
    WINDOW* input_window = nullptr;
};

}  // namespace qvchat2gui
