#pragma once

#include <string>
#include <string_view>

namespace qvchat2gui {

// Game text as a speech service takes it: UTF-8, Latin-1 letters as the letters they are, colour
// and other control bytes left out (a line break becomes a space), runs of spaces as one.
std::string spoken_words(std::string_view game_text);

// The words a person would say for a line as the chat shows it: "[Ann @ 3]: hello" is
// "Ann on 3: hello", "[PM from Marek: hi]" is "Marek, private: hi", "[PM to Marek: hi]" is
// "to Marek, private: hi", "#GM from Zed: soon" is "GM Zed: soon"; any other line is its words.
std::string spoken_shown_line(std::string_view shown_line);

}  // namespace qvchat2gui
