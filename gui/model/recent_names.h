#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace qvchat2gui {

// Character names seen in the chat of this run, most recent first, for Tab completion. Safe to
// use from many threads.
class RecentNames {
public:
    // The most names kept; the oldest go first.
    static constexpr std::size_t CAPACITY = 200;

    // Puts `name` first; an empty name is not kept.
    void note(const std::string& name);
    std::vector<std::string> most_recent_first() const;

private:
    mutable std::mutex names_lock;  // guards names
    std::deque<std::string> names;
};

}  // namespace qvchat2gui
