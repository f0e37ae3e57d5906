#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/setting_checks.h"

namespace qvchat2 {

// Where a setting changed while running is said to come from.
inline constexpr char SET_WHILE_RUNNING[] = "#set";

// The settings of this run: those read at start, then what the user changed while running. Never
// written back to a file. Used on the main thread only (#set runs there).
class LiveSettings {
public:
    // Told, with every setting, after the setting it waits for changed.
    using Apply = std::function<void(const Settings&)>;

    // `origins`: the file each of `values` came from; the others are defaults. `files`: the
    // files read at start, the one whose settings win first, for the user to be pointed at.
    LiveSettings(Settings values, SettingOrigins origins, std::vector<std::string> files = {});

    const Settings& values() const;
    // Adds a listener for a change of the setting `key`.
    void on_change(const std::string& key, Apply apply);
    // As on_change, for a listener with something to tell the user about the new value (a
    // dictionary that is not installed): its text, unless empty, ends set's answer.
    using ApplyAndTell = std::function<std::string(const Settings&)>;
    void on_change_told(const std::string& key, ApplyAndTell apply);

    // One line per known setting, in their order: "bell = 1 (qv.ini)", each value whole. A
    // password is never shown.
    std::vector<std::string> listing() const;
    // The listing's line for one setting; for an unknown one, why there is none.
    std::string describe(const std::string& key) const;
    // Sets `key` (ASCII letters of any case) to `value` for this run, with the checks made on the
    // files; the answer for the user. A setting read only at start, or a value it cannot take,
    // changes nothing; the answer then says where to set it.
    std::string set(const std::string& key, const std::string& value);

private:
    std::string read_only_at_start(const std::string& name) const;

    Settings current;
    SettingOrigins origins;
    std::vector<std::string> files;
    std::map<std::string, std::vector<Apply>> listeners;
    std::map<std::string, std::vector<ApplyAndTell>> telling_listeners;
};

}  // namespace qvchat2
