#include "gui/reader/reader_text.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <utility>

#include "gui/model/latin1_text.h"
#include "gui/model/text_wrap.h"

namespace qvchat2gui {

namespace {

constexpr char PLAIN_COLOURS[] = "\x1b[0m";

// The SGR colour each colour byte selects, as the curses screen colours them; none for a byte
// that selects the terminal's default.
const char* colour_sequence(std::uint8_t byte) {
    switch (byte) {
        case DEFAULT_COLOR:
        case 0x81:
            return PLAIN_COLOURS;
        case 2:
        case 9:
        case 16:
        case 23:
            return "\x1b[33m";
        case GM_COLOR:
            return "\x1b[34m";
        case OFF_CHANNEL_COLOR:
            return "\x1b[90m";
        case PM_COLOR:
            return "\x1b[35m";
        case SERVER_COLOR:
            return "\x1b[32m";
        default:
            return nullptr;
    }
}

// The line itself names a GM ("#GM from Orla: "): a word before it would say it twice.
const char* role_word(std::string_view line, LineOrigin origin) {
    if (origin == LineOrigin::client) {
        return "Client: ";
    }
    if (line.empty()) {
        return "";
    }
    switch (static_cast<std::uint8_t>(line.front())) {
        case GM_COLOR:
            return line.substr(1).rfind("#GM", 0) == 0 ? "" : "GM: ";
        case SERVER_COLOR:
            return "Server: ";
        default:
            return "";
    }
}

void append_character(std::string& out, unsigned char byte) {
    if (byte < 0x80) {
        out += static_cast<char>(byte);
        return;
    }
    std::mbstate_t state{};
    std::array<char, MB_LEN_MAX> bytes{};
    // A state of its own: nothing is shared with other threads.
    const std::size_t written =
        std::wcrtomb(bytes.data(), shown_character(byte), &state);  // NOLINT(concurrency-mt-unsafe)
    if (written != static_cast<std::size_t>(-1)) {
        out.append(bytes.data(), written);
    }
}

}  // namespace

std::string terminal_text(std::string_view game_bytes) {
    std::string out;
    out.reserve(game_bytes.size());
    for (const char byte : game_bytes) {
        if (!is_control_character(byte)) {
            append_character(out, static_cast<unsigned char>(byte));
        }
    }
    return out;
}

std::string reader_line(std::string_view line, LineOrigin origin, const ReaderTerminal& terminal) {
    std::string out = role_word(line, origin);
    bool coloured = false;
    for (const char byte : line) {
        const auto value = static_cast<std::uint8_t>(byte);
        if (is_newline(byte)) {
            out += ' ';
        } else if (const char* colour = colour_sequence(value); colour != nullptr) {
            if (terminal.colours) {
                out += colour;
                coloured = true;
            }
        } else if (!is_control_character(byte)) {
            append_character(out, value);
        }
    }
    if (coloured) {
        out += PLAIN_COLOURS;
    }
    return out;
}

}  // namespace qvchat2gui
