#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "gui/model/chat_scan.h"
#include "gui/model/scroll_back.h"
#include "gui/model/text_matcher.h"

namespace qvchat2gui {

// A search of the chat while reading it (Ctrl-S): the pattern typed so far, the texts of the
// scroll-back that match it, and which of them is shown. Knows nothing of the screen; the
// front-end guards it with the scroll-back's lock. The matches come from a ChatScan the front-end
// runs for each pattern, newest first, so that the newest match shows while older ones are
// still sought.
class ChatSearch {
public:
    // What a key asks of the front-end.
    enum class Step {
        edited,     // the pattern changed: start_scan() anew
        older,      // show the next older match
        newer,      // show the next newer match
        accepted,   // leave the search, the view staying where it is
        cancelled,  // leave the search, the view returning to where it was
        passed,     // not a search key: the front-end handles it as usual
    };

    // Starts an empty search; `before` is where the view returns on cancel.
    void start(const ScrollBack::ViewMark& view);
    void finish();
    bool active() const;
    const ScrollBack::ViewMark& view_before() const;

    Step handle_key(int key);
    // The pattern changed: forgets the matches and says what to scan for the new one, or nothing
    // for a pattern that cannot match. Plain text that grew at its end is sought only in the
    // texts that matched before, when their scan had finished.
    std::optional<ChatScan::Order> start_scan(const ScrollBack& lines);
    // Takes the matches of the scan, newest first, each older than those held; the first ones
    // found make the newest the current match. `finished`: the scan has ended.
    void add_older(const ScrollBack& lines, const std::vector<ScanMatch>& newest_first,
                   bool finished);
    // Follows a text added to `lines` while the search is open.
    void note_added(const ScrollBack& lines, std::uint64_t number);
    // The text was folded into a newer one (a repeat): it is no match to go to any more.
    void forget_text(std::uint64_t number);
    // Moves the current match one older or newer; false, and said in the prompt, when there is
    // none.
    bool move(const ScrollBack& lines, bool older);
    std::optional<std::uint64_t> current() const;

    // The input box's text: "(find) 'walk': 3 of 12", with "(find re)" for a regular
    // expression, and the column of the cursor in it (1 is the first).
    // Where the box is narrower than the prompt, the pattern's start gives way to "...".
    std::string prompt(std::size_t width = std::string::npos) const;
    int cursor_column(std::size_t width = std::string::npos) const;
    // The matcher of a pattern that can match, else nullptr.
    const TextMatcher* matcher() const;

private:
    void forget_unreachable(const ScrollBack& lines);
    std::string label() const;
    std::string outcome() const;
    std::string shown_pattern(std::size_t width) const;

    bool is_active = false;
    ScrollBack::ViewMark before;
    std::string pattern;
    PatternKind kind = PatternKind::plain;
    std::optional<TextMatcher> compiled;
    std::string searched;  // the pattern `matching` was found for
    PatternKind searched_kind = PatternKind::plain;
    std::deque<std::uint64_t> matching;  // numbers of the matching texts, oldest first
    bool scanning = false;               // older matches may still come
    std::size_t shown = 0;               // index in matching of the current match
    std::string said;                    // "no older match" and the like, until the next key
};

}  // namespace qvchat2gui
