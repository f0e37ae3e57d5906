#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qvchat2 {

// The most bytes of one line given to the speech service: some synthesizers take long over a
// long text, and the line waits its turn meanwhile.
constexpr std::size_t MOST_SPOKEN_BYTES = 2000;

// `text` as it may go to the speech service, whatever came: valid UTF-8 whose control characters
// (C0, DEL, C1) and malformed bytes are spaces, at most MOST_SPOKEN_BYTES bytes, cut between two
// characters. Empty when nothing but spaces would be left: libspeechd, given no text, leaves the
// service waiting for it.
std::string speakable_text(std::string_view text);

}  // namespace qvchat2
