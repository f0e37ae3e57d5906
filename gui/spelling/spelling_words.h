#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gui/model/match_range.h"

// The words of a typed line that spelling looks at. The line is the game's single-byte text.
namespace qvchat2gui {

// An ASCII letter or a Latin-1 letter (0xC0 to 0xFF but for the multiplication and division
// signs).
bool is_word_letter(unsigned char byte);

// Whether `text` is one word as checkable_words finds them: letters joined by single inner
// apostrophes or hyphens.
bool is_single_word(std::string_view text);

// The byte ranges of the words to check, in order. A word is a run of letters joined by single
// inner apostrophes or hyphens. Left out: a run that holds a digit or "_" ("2nd", "mp3"),
// everything between spaces that holds "://" or starts with "www." (a link), the command word of a
// line that starts with "#", and the name after a leading "/" (whom a private message goes to).
std::vector<MatchRange> checkable_words(std::string_view line);

}  // namespace qvchat2gui
