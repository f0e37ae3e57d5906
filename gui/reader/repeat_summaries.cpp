#include "gui/reader/repeat_summaries.h"

#include <algorithm>

#include "gui/model/repeat_folder.h"

namespace qvchat2gui {

void RepeatSummaries::note(const std::string& said, std::uint32_t count) {
    const auto found = std::find_if(pending.begin(), pending.end(),
                                    [&said](const auto& repeat) { return repeat.first == said; });
    if (found != pending.end()) {
        found->second = count;
        return;
    }
    // As many as the folder remembers lines: more cannot be pending.
    if (pending.size() >= RepeatFolder::RECENT_LINES) {
        pending.erase(pending.begin());
    }
    pending.emplace_back(said, count);
}

std::vector<std::string> RepeatSummaries::take() {
    std::vector<std::string> said;
    said.reserve(pending.size());
    for (const auto& [line, count] : pending) {
        std::string summary = "repeated " + std::to_string(count) + " times";
        if (line != last_written || !said.empty()) {
            summary += ": " + line;
        }
        said.push_back(std::move(summary));
    }
    pending.clear();
    return said;
}

void RepeatSummaries::written(std::string said) {
    last_written = std::move(said);
}

}  // namespace qvchat2gui
