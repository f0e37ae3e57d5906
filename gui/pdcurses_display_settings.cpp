// Settings changed while the screen runs (#set): what they change is shown at once.
#include "gui/curses_api.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

// Input thread (#set).
void PDCursesGUI::change_display_settings(const DisplaySettings& changed) {
    bool mouse_changed = false;
    bool pane_changed = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        mouse_changed = settings.mouse != changed.mouse;
        pane_changed = settings.pane_rows != changed.pane_rows;
        if (!changed.fold_repeats) {
            repeats.forget();
        }
        settings = changed;
        chat_lines.show_stamps(changed.timestamps);
        chat_lines.keep_texts(changed.kept_texts);
        redraw_pending.mouse = redraw_pending.mouse || mouse_changed;
    }
    if (pane_changed) {
        // The windows are laid out again around the pane's new height.
        handle_resize();
    }
    queue_main_redraw();
}

int PDCursesGUI::pane_rows_wanted() const {
    const boost::lock_guard<boost::mutex> lock(redraw_mutex);
    return settings.pane_rows;
}

void PDCursesGUI::report_wheel(bool on) {
    // Only the wheel: clicks and drags would gain nothing here.
    mousemask(on ? BUTTON4_PRESSED | BUTTON5_PRESSED : 0, nullptr);
    mouseinterval(0);
}

}  // namespace qvchat2gui
