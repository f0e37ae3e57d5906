#include "app/display_options.h"

namespace qvchat2 {

qvchat2gui::DisplaySettings read_display_settings(const Settings& settings) {
    const qvchat2gui::DisplaySettings defaults;
    qvchat2gui::DisplaySettings chosen;
    chosen.bell = read_switch(settings, "bell", defaults.bell);
    chosen.mouse = read_switch(settings, "mouse", defaults.mouse);
    chosen.timestamps = read_switch(settings, "timestamps", defaults.timestamps);
    const int scrollback = get_property<int>(settings, "scrollback", 0);
    if (scrollback >= MIN_SCROLLBACK && scrollback <= MAX_SCROLLBACK) {
        chosen.kept_texts = static_cast<std::size_t>(scrollback);
    }
    chosen.notify = qvchat2gui::notify_mode_named(get_property(settings, "notify", "auto"))
                        .value_or(defaults.notify);
    const int pane = get_property<int>(settings, "pane", 0);
    if (pane >= 0 && pane <= qvchat2gui::MOST_PANE_ROWS) {
        chosen.pane_rows = pane;
    }
    chosen.fold_repeats = read_switch(settings, "fold_repeats", defaults.fold_repeats);
    return chosen;
}

}  // namespace qvchat2
