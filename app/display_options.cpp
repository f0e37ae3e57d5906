#include "app/display_options.h"

#include <ostream>
#include <string>

namespace qvchat2 {

namespace {

bool read_switch(const Settings& settings, const char* key, bool fallback, std::ostream& warnings) {
    const std::string value = get_property(settings, key, fallback ? "1" : "0");
    if (value == "0" || value == "1") {
        return value == "1";
    }
    warnings << "Invalid configuration - " << key << " must be 0 or 1, not \"" << value
             << "\"; using " << (fallback ? 1 : 0) << '\n';
    return fallback;
}

}  // namespace

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
