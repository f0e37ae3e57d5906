#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "gui/model/match_range.h"

namespace qvchat2gui {

// The URLs in a chat line, in order: a word that starts with http://, https:// or www. (any
// case) at the start of the text or after a byte that is not a letter or digit, running to the
// next space, tab or line break or the end, less trailing . , ; : ! ? ' " and an unbalanced closing
// ) or ]. Only a URL made wholly of printable ASCII counts: one with a control, colour or Latin-1
// byte in it is shown as text. A line without "://" or "www." costs one quick scan.
std::vector<MatchRange> find_urls(std::string_view text);

// The address a terminal or browser should open for a URL found: www. gets http:// in front.
std::string link_target(std::string_view url);

// The OSC 8 sequences that make the text painted between them a link to `target`. `target` must
// be non-empty printable ASCII (as link_target gives for a URL found); for anything else
// hyperlink_open returns "", so no other byte ever reaches the terminal through it.
std::string hyperlink_open(std::string_view target);
std::string hyperlink_close();

// The OSC 52 sequence that puts `text`, as it is, on the system clipboard.
std::string clipboard_sequence(std::string_view text);

// RFC 4648 base64 with padding.
std::string base64_encode(std::string_view bytes);

// The URLs seen in the chat, newest first, each once. Safe to use from many threads.
class RecentUrls {
public:
    // The most URLs kept; the oldest go first.
    static constexpr std::size_t CAPACITY = 20;

    // Notes every URL of a chat line; a URL seen again moves to the front.
    void note_line(std::string_view text);
    // At most `count` URLs, newest first.
    std::vector<std::string> newest(std::size_t count = CAPACITY) const;

private:
    mutable std::mutex urls_lock;  // guards urls
    std::deque<std::string> urls;
};

}  // namespace qvchat2gui
