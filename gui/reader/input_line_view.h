#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The reader's input line as the terminal shows it, and the fewest bytes that turn what it shows
// into what it should: a screen reader reads again whatever is written, so a typed letter must
// write that letter and no more.
namespace qvchat2gui {

struct InputLineView {
    std::string text;        // the game bytes shown after the prompt, one column each
    std::size_t cursor = 0;  // the column of the cursor in `text`
    bool scrolled = false;   // the line goes on to the left of what is shown
    // In an entry of several lines, the number of the cursor's line (1 is the first); else 0.
    std::size_t entry_line = 0;

    // `visible` as the line editor shows it; its control bytes take no column and are left out.
    static InputLineView of(std::string_view visible, std::size_t cursor, bool scrolled);
    bool operator==(const InputLineView& other) const;
};

// The prompt: "> ", or "< " while the line goes on to the left of what is shown; in an entry of
// several lines, with the line's number before it ("line 2> "), so that moving to another line
// writes the whole row, number first.
std::string prompt_of(const InputLineView& view);

// The whole input line: carriage return, the prompt, the text, the rest of the row erased and the
// cursor moved back. Only the input line's own row is touched.
std::string whole_input_line(const InputLineView& view);

// What turns the row showing `shown` into `wanted`, with the terminal's cursor at `shown`'s: the
// cursor moved to where they differ, the new bytes, the rest erased if the text got shorter, the
// cursor moved to its place. Typing at the end writes the byte alone; Backspace at the end moves
// back and erases. The whole line when the prompt changes or nothing is shown yet.
std::string input_line_change(const std::optional<InputLineView>& shown,
                              const InputLineView& wanted);

// The same on a terminal that can only write, go back one column and start a new row (TERM=dumb):
// bytes added at the end are written, bytes taken off the end are rubbed out ("\b \b"), anything
// else starts a new row with the prompt and the whole line.
std::string dumb_input_change(std::string_view shown, std::string_view wanted);

}  // namespace qvchat2gui
