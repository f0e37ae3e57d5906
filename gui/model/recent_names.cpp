#include "gui/model/recent_names.h"

#include <algorithm>

namespace qvchat2gui {

void RecentNames::note(const std::string& name) {
    if (name.empty()) {
        return;
    }
    const std::lock_guard<std::mutex> lock(names_lock);
    const auto seen = std::find(names.begin(), names.end(), name);
    if (seen != names.end()) {
        names.erase(seen);
    }
    names.push_front(name);
    if (names.size() > CAPACITY) {
        names.pop_back();
    }
}

std::vector<std::string> RecentNames::most_recent_first() const {
    const std::lock_guard<std::mutex> lock(names_lock);
    return {names.begin(), names.end()};
}

}  // namespace qvchat2gui
