// word_wrap and display_size on arbitrary text and widths: the result is compared with a plain
// reading of the wrapping steps, and checked against the rules that the screen relies on.
//
// Input: one byte, read as a signed width (-128 to 127); one byte choosing the display lines
// that already stand in the list; then the text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "gui/common_gui.h"
#include "gui/model/text_wrap.h"

namespace {

using qvfuzz::check;

// Printable ASCII and the Latin-1 letters 0xA0-0xFF.
bool takes_column(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return (value >= 32 && value < 127) || value >= 0xA0;
}

std::size_t columns_of(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), takes_column));
}

bool shows_nothing(const std::string& line) {
    return columns_of(line) == 0;
}

// A text narrower than the width stays one line, unless it holds a line break.
bool stays_whole(const std::string& text, std::size_t w) {
    return columns_of(text) < w && text.find_first_of("\r\n") == std::string::npos;
}

// The wrapping steps, written out one by one.
void wrap_model(const std::string& text, std::vector<std::string>& lines, int width) {
    const std::size_t w = width < 0 ? 0 : static_cast<std::size_t>(width);
    if (stays_whole(text, w)) {
        lines.push_back(text);
        return;
    }
    if (w == 0) {
        return;  // a window too narrow for any text: the text gives no line, nothing else changes
    }
    const bool carries = !text.empty() && text[0] != '\0' && !takes_column(text[0]);
    std::size_t next = 0;
    bool first = true;
    while (next < text.size()) {
        std::string piece;
        std::size_t visible = 0;
        std::size_t taken = next;
        bool ended_by_newline = false;
        while (taken < text.size() && visible < w) {
            const char byte = text[taken++];
            if (byte == '\n' || byte == '\r') {
                ended_by_newline = true;
                break;
            }
            piece += byte;
            visible += takes_column(byte) ? 1 : 0;
        }
        if (!ended_by_newline && visible == w) {
            const auto space = piece.rfind(' ');
            if (space != std::string::npos) {
                taken = next + space + 1;
                piece.erase(space);
            }
        }
        lines.push_back(!first && carries ? text.substr(0, 1) + piece : piece);
        first = false;
        next = taken;
    }
    lines.erase(std::remove_if(lines.begin(), lines.end(), shows_nothing), lines.end());
}

// Lines that may already stand in the scroll-back: some show nothing and must go once a text
// is cut.
std::vector<std::string> earlier_lines(std::uint8_t choice) {
    switch (choice % 4) {
        case 0:
            return {};
        case 1:
            return {""};
        case 2:
            return {"kept", std::string(1, '\x07'), "\x11 x"};
        default:
            return {std::string("\x81\x82"), "a b", ""};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const int width = data[0] < 128 ? data[0] : data[0] - 256;  // signed, -128 to 127
    const std::vector<std::string> before = earlier_lines(data[1]);
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

    check(qvchat2gui::display_size(text) == columns_of(text),
          "display_size counts the bytes that are not control characters");

    std::vector<std::string> lines = before;
    qvchat2gui::word_wrap(text, lines, width);
    std::vector<std::string> expected = before;
    wrap_model(text, expected, width);
    check(lines == expected, "word_wrap cuts as the wrapping steps say");

    const std::size_t w = width < 0 ? 0 : static_cast<std::size_t>(width);
    if (w == 0 || stays_whole(text, w)) {
        return 0;
    }
    // The text was cut: no line left in the list shows nothing, every line of the text fits the
    // width and begins with the text's leading control byte, which gives it the text's colour.
    const bool carries = !text.empty() && text[0] != '\0' && !takes_column(text[0]);
    const auto kept_before = static_cast<std::size_t>(std::count_if(
        before.begin(), before.end(), [](const auto& l) { return !shows_nothing(l); }));
    std::size_t shown = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::size_t columns = qvchat2gui::display_size(lines[index]);
        check(columns > 0, "no line that shows nothing is left");
        if (index >= kept_before) {
            check(columns <= w, "no wrapped line is wider than the width");
            shown += columns;
        }
    }
    const auto spaces = static_cast<std::size_t>(std::count(text.begin(), text.end(), ' '));
    // Only spaces at a cut are dropped; every other visible byte of the text is shown.
    check(shown >= columns_of(text) - spaces, "no visible byte but a cut space is lost");
    // The first piece starts with that byte too (a leading newline leaves it empty, and gone).
    for (std::size_t index = kept_before; carries && index < lines.size(); ++index) {
        check(lines[index][0] == text[0], "continuation lines keep the leading colour byte");
    }
    return 0;
}
