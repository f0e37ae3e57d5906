// The input side of PDCursesGUI: the key loop and the input line.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/model/latin1_text.h"
#include "gui/model/line_editor.h"
#include "gui/model/utf8_text.h"
#include "gui/pdcurses_gui.h"
#include "network/QVClient.h"

namespace qvchat2gui {

// The line editor's codes for the special keys are curses' own: keys pass on as curses gives them.
static_assert(DOWN_KEY == KEY_DOWN && UP_KEY == KEY_UP && LEFT_KEY == KEY_LEFT &&
              RIGHT_KEY == KEY_RIGHT && HOME_KEY == KEY_HOME && END_KEY == KEY_END);
static_assert(ERASE_BACK_KEY == KEY_BACKSPACE && ERASE_KEY == KEY_DC &&
              PAGE_DOWN_KEY == KEY_NPAGE && PAGE_UP_KEY == KEY_PPAGE && ENTER_KEY == KEY_ENTER &&
              RESIZE_KEY == KEY_RESIZE);

namespace {

// How long the key loop waits before it looks again at the exit flag, only when the system
// gave no exit event to wait on.
constexpr std::chrono::milliseconds FALLBACK_KEY_WAIT{100};
// Stands for a byte the locale cannot decode: it is typed as "?".
constexpr wint_t UNKNOWN_CHARACTER = 0xFFFD;
// A bracketed paste whose end marker never comes ends after this much silence.
constexpr std::chrono::milliseconds PASTE_SILENCE{1000};
// Display lines one turn of the mouse wheel scrolls.
constexpr std::size_t WHEEL_LINES = 3;
// A paint that holds the screen this long waits in a write to a terminal that stopped reading.
constexpr std::chrono::seconds STALLED_WRITE{1};

// The editor's key codes for one key from read_character: a special key as it is, a character as
// the game bytes it becomes (none, one, or an ASCII spelling of several).
std::vector<int> key_codes_for(int kind, wint_t typed) {
    if (kind == KEY_CODE_YES) {
        return {static_cast<int>(typed)};
    }
    if (typed < 0x80) {
        return {static_cast<int>(typed)};
    }
    std::vector<int> codes;
    for (const char byte : game_bytes_for_typed(static_cast<wchar_t>(typed))) {
        codes.push_back(static_cast<unsigned char>(byte));
    }
    return codes;
}

// Reads one key: KEY_CODE_YES with a curses key code, OK with a character, or ERR when no key
// waits. In a single-byte locale (the C locale among them) curses' wide read would hold a byte
// it cannot decode together with the keys after it, so bytes are read one by one: those that
// form a whole UTF-8 character are that character, whatever the locale says (a terminal sends a
// character's bytes together); any other byte is decoded by the locale.
int read_character(WINDOW* window, wint_t& typed) {
    if (MB_CUR_MAX > 1) {
        return wget_wch(window, &typed);
    }
    const int key = wgetch(window);
    if (key == ERR) {
        return ERR;
    }
    if (key > LAST_BYTE_KEY) {
        typed = static_cast<wint_t>(key);
        return KEY_CODE_YES;
    }
    std::string bytes(1, static_cast<char>(key));
    TypedCharacter character = read_typed_character(bytes);
    int next = ERR;
    while (character.unfinished && (next = wgetch(window)) != ERR && next <= LAST_BYTE_KEY) {
        bytes += static_cast<char>(next);
        character = read_typed_character(bytes);
    }
    if (character.length > 1) {
        typed = static_cast<wint_t>(character.character);
        return OK;
    }
    // Read anew next time, in the order they came: ungetch gives back the last one first.
    if (next > LAST_BYTE_KEY) {
        ungetch(next);
    }
    for (std::size_t index = bytes.size(); index > 1; --index) {
        ungetch(static_cast<unsigned char>(bytes[index - 1]));
    }
    const wint_t decoded = btowc(key);
    typed = decoded == WEOF ? UNKNOWN_CHARACTER : decoded;
    return OK;
}

// Keys that mean something with Alt: bytes and a few editing keys.
bool can_take_alt(int key) {
    return (key >= 0 && key <= LAST_BYTE_KEY) || key == KEY_LEFT || key == KEY_RIGHT ||
           key == KEY_BACKSPACE || key == KEY_HOME || key == KEY_END;
}

bool has_pending_bytes(int descriptor) {
    int pending = 0;
    return ioctl(descriptor, FIONREAD, &pending) == 0 && pending > 0;
}

}  // namespace

void PDCursesGUI::take_control() {
    editor.set_completion_sources({[this] { return names_to_complete(); }, command_names(),
                                   command_words(), [this] { return view_names(); },
                                   [this] { return alias_names(); }, command_word_sources()});
    set_up_windows();
    wait_for_setup_complete();
    bool idle = false;
    auto last_key_time = std::chrono::steady_clock::now();
    while (!should_exit()) {
        if (idle) {
            const auto paste_end = last_key_time + PASTE_SILENCE;
            if (!wait_for_input(editor.pasting() ? std::optional(paste_end) : std::nullopt)) {
                note_terminal_hangup();
                exit_client();
                break;
            }
            if (editor.pasting() && std::chrono::steady_clock::now() >= paste_end) {
                editor.end_paste();
                show_input_line();
            }
        }
        if (take_stop_request()) {
            queue_paint(&PaintRequest::stop);
        }
        const std::vector<int> keys = read_keys();
        idle = keys.empty();
        if (!idle) {
            last_key_time = std::chrono::steady_clock::now();
        }
        for (const int key : keys) {
            handle_key(key);
        }
    }
}

// Sleeps outside every lock until the terminal has input, the exit flag is set or the terminal
// changed its size. False when the terminal is gone (hung up, or at the end of its input).
//
// With hold_terminal_signals_for_key_loop() the resize and stop signals are blocked in every
// thread and let in only here, for the time of the wait, so that they wake this wait and cannot
// slip in between the last look at the keys and the wait.
bool PDCursesGUI::wait_for_input(
    std::optional<std::chrono::steady_clock::time_point> deadline) const {
    std::array<pollfd, 2> watched{
        {{fileno(stdin), POLLIN, 0}, {exit_event_descriptor(), POLLIN, 0}}};
    const sigset_t signals_let_in = mask_letting_in_terminal_signals();
    std::optional<std::chrono::nanoseconds> wait;
    if (exit_event_descriptor() < 0) {
        wait = FALLBACK_KEY_WAIT;
    }
    if (deadline) {
        const auto left = std::max<std::chrono::nanoseconds>(
            *deadline - std::chrono::steady_clock::now(), std::chrono::nanoseconds::zero());
        wait = wait ? std::min(*wait, left) : left;
    }
    std::optional<timespec> timeout;
    if (wait) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(*wait);
        timeout = timespec{static_cast<time_t>(seconds.count()),
                           static_cast<long>((*wait - seconds).count())};
    }
    const int ready =
        ppoll(watched.data(), watched.size(), timeout ? &*timeout : nullptr, &signals_let_in);
    const pollfd& terminal = watched[0];
    if (ready <= 0) {
        return true;
    }
    if ((terminal.revents & POLLIN) != 0) {
        return has_pending_bytes(terminal.fd);
    }
    return (terminal.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

// Input thread. The screen lock, or none once leaving was asked for. The paint thread holds the
// lock across its writes to the terminal, so this waits for the lock to be let go or for a
// request to leave, whichever comes first; and a write that holds it for STALLED_WRITE has its
// output cut off, so that keys are read, and #exit typed, however long the terminal stalls.
std::unique_lock<std::mutex> PDCursesGUI::lock_screen_for_input() {
    std::unique_lock<std::mutex> lock(screen_mutex, std::defer_lock);
    auto stalled_at = std::chrono::steady_clock::now() + STALLED_WRITE;
    while (!lock.try_lock()) {
        if (should_exit()) {
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= stalled_at) {
            output.cut_off(paint_thread.native_handle());
            stalled_at = now + STALLED_WRITE;
        }
        const auto is_taken = [this] {
            if (!screen_mutex.try_lock()) {
                return true;
            }
            screen_mutex.unlock();
            return false;
        };
        const int leave_event = exit_event_descriptor();
        screen_released.wait(is_taken, leave_event,
                             leave_event < 0 ? FALLBACK_KEY_WAIT : stalled_at - now);
    }
    return lock;
}

// Never blocks: the input window is in no-delay mode. Also delivers KEY_RESIZE after the
// terminal changed its size. Alt and a key arrive as Escape and the key in one write, so the
// key is already there when Escape is read; an Escape alone is followed by nothing.
std::vector<int> PDCursesGUI::read_keys() {
    const std::unique_lock<std::mutex> lock = lock_screen_for_input();
    if (!lock.owns_lock()) {
        return {};
    }
    wint_t typed = 0;
    const int kind = read_character(curses->input_window, typed);
    if (kind == ERR) {
        return {};
    }
    if (kind == KEY_CODE_YES && typed == KEY_MOUSE) {
        return mouse_keys();
    }
    if (kind != OK || typed != ESCAPE_KEY) {
        return key_codes_for(kind, typed);
    }
    wint_t next = 0;
    const int next_kind = read_character(curses->input_window, next);
    if (next_kind == ERR) {
        return {ESCAPE_KEY};
    }
    std::vector<int> codes = key_codes_for(next_kind, next);
    if (!codes.empty() && can_take_alt(codes.front())) {
        codes.front() = alt(codes.front());
    } else {
        // An Escape typed just before a paste or a resize must not swallow either.
        codes.insert(codes.begin(), ESCAPE_KEY);
    }
    return codes;
}

// Screen lock held. Only the wheel means something; clicks are dropped.
std::vector<int> PDCursesGUI::mouse_keys() {
    MEVENT event{};
    if (getmouse(&event) != OK) {
        return {};
    }
    if ((event.bstate & BUTTON4_PRESSED) != 0) {
        return {WHEEL_UP_KEY};
    }
    if ((event.bstate & BUTTON5_PRESSED) != 0) {
        return {WHEEL_DOWN_KEY};
    }
    return {};
}

void PDCursesGUI::handle_key(int pressed) {
    // The keys of a paste are its text, whatever they are bound to.
    const std::optional<int> bound = editor.pasting() ? pressed : apply_key_binding(pressed);
    if (!bound) {
        return;
    }
    const int key = *bound;
    if (leaves_review(key)) {
        leave_review();
    }
    if (handle_reading_key(key) || handle_found_view_key(key) || handle_search_key(key) ||
        handle_review_key(key) || handle_view_key(key) || stop_speech_on(key, editor)) {
        return;
    }
    if (key == alt('=')) {
        toggle_ignored_lines();
        return;
    }
    if (key == WHEEL_UP_KEY || key == WHEEL_DOWN_KEY) {
        scroll_chat([key](ScrollBack& lines) {
            key == WHEEL_UP_KEY ? lines.scroll_up(WHEEL_LINES) : lines.scroll_down(WHEEL_LINES);
        });
        return;
    }
    if (key == alt('s') && !editor.pasting()) {
        suggest_spelling();
        return;
    }
    input_spelling().other_key();
    input_note.clear();
    switch (editor.handle_key(key, editor_width())) {
        case LineEditor::Outcome::submitted:
            submit_lines();
            return;
        case LineEditor::Outcome::page_up:
            scroll_chat([](ScrollBack& lines) { lines.page_up(); });
            break;
        case LineEditor::Outcome::page_down:
            scroll_chat([](ScrollBack& lines) { lines.page_down(); });
            break;
        case LineEditor::Outcome::show_oldest:
            scroll_chat([](ScrollBack& lines) { lines.show_oldest(); });
            break;
        case LineEditor::Outcome::show_newest:
            scroll_chat([](ScrollBack& lines) { lines.follow_newest(); });
            break;
        case LineEditor::Outcome::resized:
            handle_resize();
            return;
        case LineEditor::Outcome::repaint:
            repaint_everything();
            return;
        case LineEditor::Outcome::edited:
            // The keys of a paste change nothing shown until it ends.
            if (editor.pasting()) {
                return;
            }
            break;
    }
    show_input_line();
}

// Input thread. Alt-= shows the ignored players' lines, and hides them again.
void PDCursesGUI::toggle_ignored_lines() {
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        status.showing_ignored = !status.showing_ignored;
        chat_lines.show_ignored(status.showing_ignored);
    }
    queue_main_redraw();
    queue_paint(&PaintRequest::top_bar);
}

void PDCursesGUI::scroll_chat(const std::function<void(ScrollBack&)>& move) {
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        move(chat_lines);
    }
    queue_main_redraw();
}

void PDCursesGUI::submit_lines() {
    // What came is read once the user speaks.
    scroll_chat([](ScrollBack& lines) {
        lines.clear_read_marker();
        lines.follow_newest();
    });
    show_input_line();
    // Commands may show text, which takes redraw_mutex: no lock is held here.
    process_lines(editor.submitted_lines());
}

void PDCursesGUI::repaint_everything() {
    {
        const std::unique_lock<std::mutex> lock = lock_screen_for_input();
        if (!lock.owns_lock()) {
            return;
        }
        clearok(curscr, TRUE);
    }
    show_input_line();
    queue_paint(&PaintRequest::layout);
}

void PDCursesGUI::set_input_history(const std::vector<std::string>& entries) {
    editor.set_history(entries);
}

std::vector<std::string> PDCursesGUI::input_history() const {
    return editor.history();
}

}  // namespace qvchat2gui
