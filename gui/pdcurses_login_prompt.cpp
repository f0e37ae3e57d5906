// The login prompt of PDCursesGUI, used by start-up before the screen's windows exist.
#include <array>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/curses_api.h"
#include "gui/model/key_codes.h"
#include "gui/pdcurses_gui.h"
#include "gui/terminal_modes.h"
#include "gui/terminal_stop.h"

namespace qvchat2gui {

namespace {

// Longest user name and password the prompt reads.
constexpr int SIZE = 128;

// Login prompt: waits for one key without holding up a request to leave (Ctrl-C at the prompt
// must end the program as it does later). A byte the terminal sent comes as it is, never
// decoded: a special key as its curses code. Empty when the user asked to leave or the terminal
// (watched by `wait_for_input`) is gone.
std::optional<int> read_prompt_key(WINDOW* window, const ChatGUI& front_end,
                                   const std::function<bool()>& wait_for_input) {
    while (!front_end.should_exit()) {
        if (!wait_for_input()) {
            return std::nullopt;
        }
        // Nothing else paints while the prompt is up: it stops for Ctrl-Z itself.
        if (take_stop_request()) {
            stop_like_ctrl_z();
            wrefresh(window);
        }
        const int key = wgetch(window);
        if (key != ERR) {
            return key;
        }
    }
    return std::nullopt;
}

// One login field as the terminal sent it. The bytes are kept unconverted, so that a name or a
// password typed here logs in as the same text written in the settings does, in any locale.
// The echo and Backspace go by the characters of the locale's encoding; a byte it cannot
// decode counts as one character, shown as "?".
class PromptField {
public:
    explicit PromptField(bool masked) : masked(masked) {}

    // One key; true when it ends the field.
    bool add_key(WINDOW* window, int key) {
        if (key == '\n' || key == '\r' || key == KEY_ENTER) {
            return true;
        }
        if (key == BACKSPACE_KEY || key == DELETE_KEY || key == KEY_BACKSPACE) {
            erase_character(window);
        } else if (key >= 0 && key <= LAST_BYTE_KEY) {
            add_byte(window, static_cast<char>(key));
        }
        return false;
    }

    const std::string& text() const { return bytes; }

private:
    struct Shown {
        std::size_t size;  // bytes of the character
        int row;           // where its echo starts
        int column;
    };

    void add_byte(WINDOW* window, char byte) {
        pending += byte;
        wchar_t character = 0;
        // NOLINTNEXTLINE(concurrency-mt-unsafe): with a state of its own it shares nothing
        const std::size_t decoded = std::mbrtowc(&character, &pending.back(), 1, &state);
        if (decoded == static_cast<std::size_t>(-2)) {
            return;
        }
        if (decoded == static_cast<std::size_t>(-1)) {
            state = std::mbstate_t{};
            if (pending.size() > 1) {
                // The byte broke off a character begun before it: that start stands alone.
                pending.pop_back();
                add_character(window, std::exchange(pending, {}), std::nullopt);
                add_byte(window, byte);
                return;
            }
            add_character(window, std::exchange(pending, {}), std::nullopt);
            return;
        }
        add_character(window, std::exchange(pending, {}), character);
    }

    // `character` is empty for a byte the locale cannot decode.
    void add_character(WINDOW* window, const std::string& encoded,
                       std::optional<wchar_t> character) {
        // A name holds only what can be shown; a password any byte.
        const bool showable = character ? std::iswprint(static_cast<wint_t>(*character)) != 0
                                        : static_cast<unsigned char>(encoded[0]) >= 0x80;
        if (full || (!masked && !showable)) {
            return;
        }
        // Keys past the longest field are dropped up to the Enter, so that none of them is
        // left for the input line.
        if (bytes.size() + encoded.size() > static_cast<std::size_t>(SIZE)) {
            full = true;
            return;
        }
        shown.push_back({encoded.size(), getcury(window), getcurx(window)});
        bytes += encoded;
        if (masked || !character) {
            waddch(window, masked ? '*' : '?');
        } else {
            const std::array<wchar_t, 2> text{*character, L'\0'};
            cchar_t cell{};
            setcchar(&cell, text.data(), A_NORMAL, 0, nullptr);
            wadd_wch(window, &cell);
        }
    }

    void erase_character(WINDOW* window) {
        pending.clear();
        state = std::mbstate_t{};
        if (shown.empty()) {
            return;
        }
        bytes.resize(bytes.size() - shown.back().size);
        wmove(window, shown.back().row, shown.back().column);
        wclrtobot(window);
        shown.pop_back();
        full = false;
    }

    bool masked;
    std::string bytes;
    std::vector<Shown> shown;  // one for each character kept
    std::string pending;       // the start of a character not yet complete
    std::mbstate_t state{};
    bool full = false;
};

}  // namespace

void PDCursesGUI::prompt_login(std::string& username, std::string& password) const {
    // Runs before anything else draws; holding the screen lock while waiting for keys keeps
    // curses to this thread all the same.
    const std::lock_guard<std::mutex> lock(screen_mutex);
    WINDOW* window = newwin(LINES, COLS, 0, 0);
    keypad(window, TRUE);
    nodelay(window, TRUE);

    // Both fields are read key by key, the name echoed and the password masked, so that the
    // prompt can give up as soon as the user asks to leave.
    const auto read_field = [&](const char* label, bool masked) {
        waddstr(window, label);
        wrefresh(window);
        PromptField field(masked);
        for (bool done = false; !done;) {
            const auto key =
                read_prompt_key(window, *this, [this] { return wait_for_input(std::nullopt); });
            if (!key) {
                break;
            }
            done = field.add_key(window, *key);
            wrefresh(window);
        }
        waddch(window, '\n');
        return field.text();
    };
    username = read_field("Username: ", false);
    password = should_exit() ? std::string() : read_field("Password: ", true);
    delwin(window);
}

}  // namespace qvchat2gui
