#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "gui/model/chat_scan.h"
#include "gui/model/found_lines.h"

namespace qvchat2gui {

// "#grep TEXT": the texts of the scroll-back that match, found by a ChatScan and given, oldest
// first, once it has finished. Destroying it stops the scan (see ChatScan: not under the owner's
// lock).
class ChatGrep : public ResultSource {
public:
    // `view`: the name of the view searched, said with the count; empty for all the lines.
    ChatGrep(TextMatcher matcher, std::string pattern, const ChatScan::LockedLines& locked,
             std::function<void()> on_change, std::string view = "");

    // " searching... 40% of 1000000 lines: Esc cancels "
    std::string progress_note() const override;
    // " 3 lines match 'walk': Esc returns ", or " no line matches 'walk': Esc returns ", and
    // the same words as a summary.
    std::optional<FoundLines> take_found() override;

private:
    // "3 lines match 'walk'", once it has finished.
    std::string count_text() const;

    const std::string pattern;
    const std::string view;
    bool taken = false;
    std::size_t count = 0;
    ChatScan scan;  // last: its thread may call on_change at once
};

}  // namespace qvchat2gui
