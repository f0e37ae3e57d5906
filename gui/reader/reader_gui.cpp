#include "gui/reader/reader_gui.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string_view>
#include <utility>

#include "gui/model/key_codes.h"

namespace qvchat2gui {

namespace {

// How long closing waits for a terminal that does not take output before it is cut off.
constexpr boost::chrono::milliseconds RESTORE_WAIT{500};
constexpr boost::chrono::milliseconds CUT_REPEAT{20};
// A bracketed paste whose end never comes ends after this much silence.
constexpr std::chrono::milliseconds PASTE_SILENCE{1000};
constexpr std::size_t READ_CHUNK = 4096;
constexpr int FALLBACK_COLUMNS = 80;

bool terminal_is_dumb() {
    const char* term = std::getenv("TERM");  // NOLINT(concurrency-mt-unsafe): read at start-up
    return term == nullptr || std::string_view(term) == "dumb" || std::string_view(term).empty();
}

// Text in the user's locale (what the terminal takes and sends), and whether the terminal is one
// that cannot move its cursor. Runs before the writer thread starts.
bool dumb_terminal_in_user_locale() {
    std::setlocale(LC_CTYPE, "");  // NOLINT(concurrency-mt-unsafe)
    return terminal_is_dumb();
}

// The resize signal only has to wake the key loop's wait, which then measures the terminal again.
void note_resize(int /*signal*/) {}

bool colours_switched_off() {
    const char* no_color = std::getenv("NO_COLOR");  // NOLINT(concurrency-mt-unsafe): start-up
    return no_color != nullptr && *no_color != '\0';
}

}  // namespace

ReaderGUI::ReaderGUI(const DisplaySettings& initial)
    : dumb(dumb_terminal_in_user_locale()),
      settings(initial),
      searched_lines(initial.kept_texts),
      decoder(input_encoding_of_locale()) {
    terminal.colours = !dumb && !colours_switched_off();
    searched_lines.fold_repeats(initial.fold_repeats);
    struct sigaction waker {};
    waker.sa_handler = note_resize;
    sigemptyset(&waker.sa_mask);
    resize_waker_installed = sigaction(SIGWINCH, &waker, &previous_resize_action) == 0;
    add_callback("clock", [this](const std::string&) {
        std::string said;
        {
            const std::lock_guard<std::mutex> lock(output_mutex);
            said = clock_text.empty() ? "The game clock has not been told yet."
                                      : "The game time is " + clock_text + ".";
        }
        add_client_line(server_line(said));
    });
    register_written_grep(*this, searched_lines);
    add_callback("urls", [this](const std::string& /*argument*/) { list_urls(); });
    add_callback("copy", [this](const std::string& argument) { copy_url(argument); });
    register_view_commands();
    writer = boost::thread(&ReaderGUI::write_loop, this);
}

// Main thread. Never waits long for the terminal: a writer stuck in a write has its output cut
// off, as the curses front-end does.
ReaderGUI::~ReaderGUI() {
    stop_search();
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        closing = true;
    }
    output_changed.notify_all();
    try {
        if (writer.joinable() && (terminal_hung_up() || !writer.try_join_for(RESTORE_WAIT))) {
            do {
                output.cut_off(writer.native_handle());
            } while (!writer.try_join_for(CUT_REPEAT));
        }
    } catch (const boost::thread_exception&) {
        // Nothing more can be done for a thread that cannot be joined.
    }
    if (resize_waker_installed) {
        sigaction(SIGWINCH, &previous_resize_action, nullptr);
    }
    if (output.is_cut_off()) {
        output.restore_after_cut(dumb ? ""
                                      : std::string(CLEAR_INPUT_LINE) + GIVE_TERMINAL_BACK_TEXT);
    } else if (shell_modes) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &*shell_modes);
    }
}

void ReaderGUI::prompt_login(std::string& username, std::string& password) const {
    std::cout << "Username: " << std::flush;
    std::getline(std::cin, username);
    termios modes{};
    const bool hide = tcgetattr(STDIN_FILENO, &modes) == 0;
    if (hide) {
        termios hidden = modes;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::cout << "Password: " << std::flush;
    std::getline(std::cin, password);
    if (hide) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &modes);
    }
    std::cout << '\n' << std::flush;
}

void ReaderGUI::set_input_history(const std::vector<std::string>& entries) {
    editor.set_history(entries);
}

std::vector<std::string> ReaderGUI::input_history() const {
    return editor.history();
}

void ReaderGUI::take_control() {
    editor.set_completion_sources({[this] { return names_to_complete(); }, command_names(),
                                   command_words(),
                                   [this] {
                                       std::vector<std::string> names = held_views.names();
                                       names.emplace_back("close");
                                       return names;
                                   },
                                   [this] { return alias_names(); }, command_word_sources()});
    take_terminal();
    if (dumb) {
        echo_typed = shell_modes && (shell_modes->c_lflag & static_cast<tcflag_t>(ECHO)) != 0;
        read_lines_until_exit();
        return;
    }
    editor.set_history_cursor_at_end(true);
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        pending.start = true;
    }
    shown_width = input_width();
    editor.fit_to_width(shown_width);
    show_input_line();
    read_keys_until_exit();
}

// Input thread: hands the input line as it is to be shown to the writer; `whole` after a resize
// or Ctrl-L, when the row may no longer show what was written.
void ReaderGUI::show_input_line(bool whole) {
    // The line's number before the prompt takes columns from the line.
    const std::size_t entry_line = editor.box_rows() > 1 ? editor.cursor_line() + 1 : 0;
    const std::size_t label_width =
        prompt_of({"", 0, false, entry_line}).size() - std::string_view(READER_PROMPT).size();
    editor.fit_to_width(std::max(shown_width - static_cast<int>(label_width), 1));
    InputLineView view = InputLineView::of(editor.visible_text(),
                                           static_cast<std::size_t>(editor.cursor_column() - 1),
                                           editor.scrolled_sideways());
    view.entry_line = entry_line;
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        pending.input = std::move(view);
        pending.whole_input = pending.whole_input || whole;
    }
    output_changed.notify_one();
}

int ReaderGUI::input_width() const {
    winsize size{};
    const int columns = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0
                            ? size.ws_col
                            : FALLBACK_COLUMNS;
    // The prompt, and one column left free so that the cursor after the last byte never wraps.
    return std::max(columns - static_cast<int>(sizeof READER_PROMPT), 1);
}

void ReaderGUI::read_keys_until_exit() {
    auto last_key_time = std::chrono::steady_clock::now();
    while (!should_exit()) {
        std::optional<std::chrono::milliseconds> limit;
        if (decoder.holding()) {
            limit = ESCAPE_WAIT;
        } else if (editor.pasting()) {
            limit = std::chrono::duration_cast<std::chrono::milliseconds>(
                last_key_time + PASTE_SILENCE - std::chrono::steady_clock::now());
        }
        const bool readable = wait_for_input(limit);
        if (const int width = input_width(); width != shown_width) {
            shown_width = width;
            editor.fit_to_width(width);
            show_input_line(true);
        }
        pass_on_stop_request();
        std::vector<int> keys;
        if (readable) {
            std::optional<std::vector<int>> read = read_terminal();
            if (!read) {
                break;
            }
            keys = std::move(*read);
            last_key_time = std::chrono::steady_clock::now();
        } else if (decoder.holding()) {
            keys = decoder.flush();
        } else if (editor.pasting() &&
                   std::chrono::steady_clock::now() >= last_key_time + PASTE_SILENCE) {
            editor.end_paste();
            decoder.end_paste();
            show_input_line();
        }
        for (const int key : keys) {
            handle_key(key);
        }
    }
}

// A dumb terminal's line is edited here, so that it can be written again after incoming lines:
// typed bytes, Backspace, Ctrl-U and Ctrl-W; Enter sends it. The review's keys and Ctrl-G work
// as on any other terminal.
void ReaderGUI::read_lines_until_exit() {
    while (!should_exit()) {
        const bool readable = wait_for_input(std::nullopt);
        pass_on_stop_request();
        if (!readable) {
            continue;
        }
        const std::optional<std::vector<int>> keys = read_terminal();
        if (!keys) {
            break;
        }
        std::vector<std::string> lines;
        for (const int key : *keys) {
            handle_dumb_key(key, lines);
        }
        output_changed.notify_one();
        process_lines(lines);
    }
}

void ReaderGUI::handle_dumb_key(int key, std::vector<std::string>& lines) {
    if (leaves_review(key)) {
        review_point.leave();
    }
    if (handle_review_key(key) || stop_speech_on(key, editor)) {
        return;
    }
    const std::string typed_before = typed_bytes;
    const bool entered = key == '\n' || key == '\r' || key == ENTER_KEY;
    if (entered) {
        lines.push_back(std::exchange(typed_bytes, std::string()));
    } else if (key == BACKSPACE_KEY || key == DELETE_KEY || key == ERASE_BACK_KEY) {
        if (!typed_bytes.empty()) {
            typed_bytes.pop_back();
        }
    } else if (key == ctrl('u')) {
        typed_bytes.clear();
    } else if (key == ctrl('w')) {
        const std::size_t word_end = typed_bytes.find_last_not_of(' ');
        const std::size_t word_start =
            word_end == std::string::npos ? 0 : typed_bytes.find_last_of(' ', word_end) + 1;
        typed_bytes.erase(word_end == std::string::npos ? 0 : word_start);
    } else if (is_typed_byte(key)) {
        typed_bytes += static_cast<char>(key);
    }
    if (echo_typed && (entered || typed_bytes != typed_before)) {
        const std::lock_guard<std::mutex> lock(output_mutex);
        pending.typed.note(entered ? std::nullopt : std::optional<std::string>(typed_bytes));
    }
}

// Ctrl-Z: the writer stops the program between two writes, never inside one.
void ReaderGUI::pass_on_stop_request() {
    if (take_stop_request()) {
        const std::lock_guard<std::mutex> lock(output_mutex);
        pending.stop = true;
        output_changed.notify_one();
    }
}

std::optional<std::vector<int>> ReaderGUI::read_terminal() {
    std::array<char, READ_CHUNK> bytes{};
    const ssize_t got = read(STDIN_FILENO, bytes.data(), bytes.size());
    if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
        note_terminal_hangup();
        exit_client();
        return std::nullopt;
    }
    return decoder.feed(
        std::string_view(bytes.data(), got > 0 ? static_cast<std::size_t>(got) : 0));
}

bool ReaderGUI::wait_for_input(std::optional<std::chrono::milliseconds> limit) const {
    std::array<pollfd, 2> watched{
        {{STDIN_FILENO, POLLIN, 0}, {exit_event_descriptor(), POLLIN, 0}}};
    const sigset_t signals_let_in = mask_letting_in_terminal_signals();
    timespec wait{};
    if (limit) {
        const auto left = std::max(*limit, std::chrono::milliseconds(0));
        wait.tv_sec = static_cast<time_t>(left.count() / 1000);
        wait.tv_nsec = static_cast<long>(left.count() % 1000) * 1000000L;
    }
    const int ready =
        ppoll(watched.data(), watched[1].fd < 0 ? 1 : 2, limit ? &wait : nullptr, &signals_let_in);
    return ready > 0 && (watched[0].revents & POLLIN) != 0;
}

void ReaderGUI::handle_key(int pressed) {
    // The keys of a paste are its text, whatever they are bound to.
    const std::optional<int> bound = editor.pasting() ? pressed : apply_key_binding(pressed);
    if (!bound) {
        return;
    }
    const int key = *bound;
    if (key == FOCUS_IN_KEY || key == FOCUS_OUT_KEY) {
        return;
    }
    if (leaves_review(key)) {
        review_point.leave();
    }
    // Esc stops a search still running; otherwise it is the line editor's.
    if (key == ESCAPE_KEY && !editor.pasting() && cancel_search()) {
        add_chat_line(server_line("The search was stopped."));
        return;
    }
    if (key >= alt('1') && key <= alt('9')) {
        say_recent(static_cast<std::size_t>(key - alt('0')));
        return;
    }
    if (handle_review_key(key) || handle_view_key(key) || stop_speech_on(key, editor)) {
        return;
    }
    if (key == alt('s') && !editor.pasting()) {
        suggest_spelling();
        return;
    }
    input_spelling().other_key();
    switch (editor.handle_key(key, shown_width)) {
        case LineEditor::Outcome::submitted:
            show_input_line();
            process_lines(editor.submitted_lines());
            return;
        case LineEditor::Outcome::resized:
            shown_width = input_width();
            editor.fit_to_width(shown_width);
            show_input_line(true);
            return;
        case LineEditor::Outcome::edited:
            if (editor.pasting()) {
                return;
            }
            break;
        case LineEditor::Outcome::page_up:
        case LineEditor::Outcome::page_down:
        case LineEditor::Outcome::show_oldest:
        case LineEditor::Outcome::show_newest:
            break;
        case LineEditor::Outcome::repaint:
            show_input_line(true);
            return;
    }
    show_input_line();
}

// Input thread. A screen reader does not say an underline: the suggestions are said instead.
void ReaderGUI::suggest_spelling() {
    const std::optional<SpellEdit> edit =
        input_spelling().suggest(editor.line(), editor.cursor_position());
    if (!edit) {
        add_client_line("No word before the cursor to spell.");
        return;
    }
    editor.replace_entry(edit->line, edit->cursor);
    add_client_line(edit->message);
    show_input_line();
}

}  // namespace qvchat2gui
