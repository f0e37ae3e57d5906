#include "app/display_options.h"

#include <ostream>
#include <string>

namespace qvchat2 {

qvchat2gui::DisplaySettings read_display_settings(const Settings& settings,
                                                  std::ostream& warnings) {
    const qvchat2gui::DisplaySettings defaults;
    qvchat2gui::DisplaySettings chosen;
    chosen.bell = read_switch(settings, "bell", defaults.bell, warnings);
    chosen.mouse = read_switch(settings, "mouse", defaults.mouse, warnings);
    chosen.timestamps = read_switch(settings, "timestamps", defaults.timestamps, warnings);
    return chosen;
}

}  // namespace qvchat2
