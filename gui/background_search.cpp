#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "gui/common_gui.h"

// A search that runs on a thread of its own, for a front-end without a view of found lines: the
// key loop goes on at once, and the search writes its lines when it has them. Never waited for
// under the client's lock, which a typed command holds.
namespace qvchat2gui {

void ChatGUI::show_search(std::unique_ptr<ResultSource> search, std::optional<TextMatcher> marker) {
    std::unique_ptr<ResultSource> replaced;
    {
        const std::lock_guard<std::mutex> lock(search_mutex);
        replaced = std::exchange(written_search, std::move(search));
        written_marker = std::move(marker);
        search_written = false;
    }
    replaced.reset();
    // It may have finished before it was kept here, its last report then unheard.
    search_progressed();
}

void ChatGUI::search_progressed() {
    std::optional<FoundLines> found;
    std::optional<TextMatcher> marker;
    {
        const std::lock_guard<std::mutex> lock(search_mutex);
        if (!written_search || search_written) {
            return;
        }
        found = written_search->take_found();
        if (!found) {
            return;
        }
        search_written = true;
        marker = std::move(written_marker);
    }
    show_found(*found, std::move(marker));
}

bool ChatGUI::cancel_search() {
    std::unique_ptr<ResultSource> stopped;
    {
        const std::lock_guard<std::mutex> lock(search_mutex);
        if (!written_search || search_written) {
            return false;
        }
        stopped = std::move(written_search);
    }
    return true;
}

void ChatGUI::stop_search() {
    std::unique_ptr<ResultSource> stopped;
    {
        const std::lock_guard<std::mutex> lock(search_mutex);
        stopped = std::move(written_search);
        search_written = true;
    }
}

}  // namespace qvchat2gui
