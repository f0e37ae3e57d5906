#include "gui/model/line_editor.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "gui/model/entry_lines.h"

namespace qvchat2gui {

namespace {

constexpr char SEARCH_LABEL[] = "(search) '";

std::size_t to_size(int value) {
    return static_cast<std::size_t>(std::max(value, 0));
}

std::string paste_question(std::size_t lines) {
    return "Paste of " + std::to_string(lines) + " lines: Enter sends them, Esc drops them";
}

bool is_erase_key(int key) {
    return key == ERASE_BACK_KEY || key == ERASE_KEY || key == BACKSPACE_KEY || key == DELETE_KEY;
}

bool is_enter_key(int key) {
    return key == ENTER_KEY || key == '\r' || key == '\n';
}

// Alt-Enter, as each terminal sends it: Escape before Return, line feed or the keypad's Enter.
bool is_new_line_key(int key) {
    return key == alt('\r') || key == alt('\n') || key == alt(ENTER_KEY);
}

bool is_word_gap(char byte) {
    return byte == ' ' || byte == ENTRY_LINE_BREAK;
}

// Keys that act on the screen rather than on the line, whatever the line is doing.
std::optional<LineEditor::Outcome> screen_key_outcome(int key) {
    switch (key) {
        case ctrl('l'):
            return LineEditor::Outcome::repaint;
        case PAGE_UP_KEY:
            return LineEditor::Outcome::page_up;
        case PAGE_DOWN_KEY:
            return LineEditor::Outcome::page_down;
        case CHAT_OLDEST_KEY:
        case alt(HOME_KEY):
            return LineEditor::Outcome::show_oldest;
        case CHAT_NEWEST_KEY:
        case alt(END_KEY):
            return LineEditor::Outcome::show_newest;
        default:
            return std::nullopt;
    }
}

}  // namespace

LineEditor::Outcome LineEditor::handle_key(int key, int inner_width) {
    const bool was_at_tail = view_offset == tail_offset(width);
    width = to_size(inner_width);
    submitted.clear();
    inserted = false;
    // The layout follows the terminal whatever the line is doing.
    if (key == RESIZE_KEY) {
        return Outcome::resized;
    }
    if (paste_open) {
        if (key == PASTE_END_KEY) {
            end_paste();
        } else {
            paste.add_key(key);
        }
        return Outcome::edited;
    }
    Outcome outcome = Outcome::edited;
    if (const auto screen_outcome = screen_key_outcome(key)) {
        outcome = *screen_outcome;
    } else if (!held_paste.empty()) {
        outcome = handle_held_paste(key);
    } else if (!search.active || !handle_search_key(key)) {
        outcome = handle_editing_key(key);
    }
    settle_view(was_at_tail);
    return outcome;
}

LineEditor::Outcome LineEditor::handle_editing_key(int key) {
    if (key != TAB_KEY) {
        completion.stop();
    }
    if (is_erase_key(key)) {
        erase_before_cursor();
        return Outcome::edited;
    }
    if (is_enter_key(key)) {
        submit_line();
        return Outcome::submitted;
    }
    if (is_new_line_key(key)) {
        insert(std::string(1, ENTRY_LINE_BREAK));
        return Outcome::edited;
    }
    switch (key) {
        case UP_KEY:
        case DOWN_KEY:
            // Inside an entry of several lines the keys go from line to line; past its first or
            // last line they walk the history.
            if (const auto moved = position_on_adjacent_line(input_line, cursor, key == UP_KEY)) {
                cursor = *moved;
            } else {
                walk_history(key == UP_KEY);
            }
            break;
        case RIGHT_KEY:
        case ctrl('f'):
            cursor = std::min(cursor + 1, input_line.size());
            break;
        case LEFT_KEY:
        case ctrl('b'):
            cursor = cursor > 0 ? cursor - 1 : 0;
            break;
        case HOME_KEY:
        case ctrl('a'):
            cursor = entry_line_start(input_line, cursor);
            break;
        case END_KEY:
        case ctrl('e'):
            cursor = entry_line_end(input_line, cursor);
            break;
        case alt('b'):
        case alt(LEFT_KEY):
        case CTRL_LEFT_KEY:
            cursor = word_start_before(cursor);
            break;
        case alt('f'):
        case alt(RIGHT_KEY):
        case CTRL_RIGHT_KEY:
            cursor = word_end_after(cursor);
            break;
        case ctrl('d'):
            if (cursor < input_line.size()) {
                input_line.erase(cursor, 1);
            }
            break;
        case ctrl('k'):
            // At the end of a line of several, it joins the next one to it, as in Emacs.
            cut(cursor, std::max(entry_line_end(input_line, cursor),
                                 std::min(cursor + 1, input_line.size())));
            break;
        case ctrl('u'):
            cut(entry_line_start(input_line, cursor), cursor);
            break;
        case ctrl('w'):
        case alt(BACKSPACE_KEY):
        case alt(DELETE_KEY):
        case alt(ERASE_BACK_KEY):
            cut(word_start_before(cursor), cursor);
            break;
        case alt('d'):
            cut(cursor, word_end_after(cursor));
            break;
        case ctrl('y'):
            insert(cut_text);
            break;
        case ctrl('r'):
            search = Search{true, "", input_line, cursor};
            break;
        case TAB_KEY:
            if (completion.active()) {
                completion.next(input_line, cursor);
            } else {
                completion.start(input_line, cursor, completion_sources);
            }
            break;
        case PASTE_START_KEY:
            paste_open = true;
            break;
        default:
            // Every other control key, special key and Alt key does nothing: none may put a
            // control byte into a line that other players receive.
            if (is_typed_byte(key)) {
                insert(std::string(1, static_cast<char>(key)));
            }
            break;
    }
    return Outcome::edited;
}

// A paste of several lines waits for the user to say what becomes of it.
LineEditor::Outcome LineEditor::handle_held_paste(int key) {
    if (is_enter_key(key)) {
        submitted = std::exchange(held_paste, {});
        for (const std::string& line : submitted) {
            input_history.add(line);
        }
        return Outcome::submitted;
    }
    if (key == ESCAPE_KEY || key == ctrl('g')) {
        held_paste.clear();
    } else if (is_new_line_key(key)) {
        // The paste becomes an entry of several lines to be written on.
        std::string lines;
        for (const std::string& line : std::exchange(held_paste, {})) {
            lines += line + ENTRY_LINE_BREAK;
        }
        insert(lines);
    } else if (key == PASTE_START_KEY) {
        paste_open = true;
    }
    return Outcome::edited;
}

// Returns false for a key that ends the search and must then act on the line found.
bool LineEditor::handle_search_key(int key) {
    const std::size_t newest = input_history.entries().size();
    if (key == ctrl('r')) {
        if (search.found && search.entry > 0) {
            search_from(search.entry - 1);
        }
    } else if (is_typed_byte(key)) {
        search.text += static_cast<char>(key);
        search_from(search.found ? search.entry : newest);
    } else if (is_erase_key(key)) {
        if (!search.text.empty()) {
            search.text.pop_back();
        }
        search_from(newest);
    } else if (key == ESCAPE_KEY || key == ctrl('g')) {
        search.active = false;
        input_line = search.line_before;
        cursor = search.cursor_before;
    } else {
        search.active = false;
        if (search.found) {
            input_line = input_history.entries()[search.entry];
            cursor = input_line.size();
        }
        // Enter takes the line found for editing; any other key also acts on it.
        return is_enter_key(key);
    }
    return true;
}

void LineEditor::search_from(std::size_t entry) {
    const auto match =
        search.text.empty() ? std::nullopt : input_history.find_back(search.text, entry);
    search.found = match.has_value();
    search.entry = match.value_or(0);
}

std::string LineEditor::search_prompt() const {
    return SEARCH_LABEL + search.text + "': " +
           (search.found ? entry_on_one_row(input_history.entries()[search.entry]) : std::string());
}

void LineEditor::fit_to_width(int inner_width) {
    const bool was_at_tail = view_offset == tail_offset(width);
    width = to_size(inner_width);
    settle_view(was_at_tail);
}

bool LineEditor::prompt_open() const {
    return search.active || !held_paste.empty();
}

bool LineEditor::pasting() const {
    return paste_open;
}

void LineEditor::end_paste() {
    const bool was_at_tail = view_offset == tail_offset(width);
    paste_open = false;
    std::vector<std::string> lines = paste.take_lines();
    if (held_paste.empty() && lines.size() == 1) {
        insert(lines.front());
    } else {
        held_paste.insert(held_paste.end(), lines.begin(), lines.end());
    }
    settle_view(was_at_tail);
}

void LineEditor::set_completion_sources(CompletionSources sources) {
    completion_sources = std::move(sources);
}

void LineEditor::set_history(std::vector<std::string> entries) {
    input_history.set_entries(std::move(entries));
}

const std::string& LineEditor::line() const {
    return input_line;
}

const std::vector<std::string>& LineEditor::submitted_lines() const {
    return submitted;
}

const std::vector<std::string>& LineEditor::history() const {
    return input_history.entries();
}

std::size_t LineEditor::history_position() const {
    return input_history.position();
}

std::string LineEditor::visible_text() const {
    if (!held_paste.empty()) {
        return paste_question(held_paste.size()).substr(0, width);
    }
    if (search.active) {
        return search_prompt().substr(0, width);
    }
    const std::size_t start = entry_line_start(input_line, cursor);
    const std::size_t length = entry_line_end(input_line, cursor) - start;
    return shown_from(start + std::min(view_offset, length));
}

int LineEditor::cursor_column() const {
    const std::size_t in_line = cursor - entry_line_start(input_line, cursor);
    std::size_t column = in_line - std::min(view_offset, in_line);
    if (!held_paste.empty()) {
        column = std::min(paste_question(held_paste.size()).size(), width);
    } else if (search.active) {
        column = std::min(sizeof SEARCH_LABEL - 1 + search.text.size(), width);
    }
    return static_cast<int>(column) + 1;
}

void LineEditor::submit_line() {
    submitted = entry_lines_to_send(input_line);
    input_history.add(input_line);
    input_line.clear();
    cursor = 0;
}

void LineEditor::walk_history(bool older) {
    const bool leaving_draft = input_history.showing_draft();
    const auto entry = older ? input_history.older(input_line) : input_history.newer();
    if (!entry) {
        return;
    }
    if (leaving_draft) {
        draft_cursor = cursor;
    }
    show_history_entry(*entry);
    // The draft is the user's own line: its cursor is where the user left it.
    if (input_history.showing_draft() && !history_cursor_at_end) {
        cursor = std::min(draft_cursor, input_line.size());
    }
}

// The cursor keeps its column unless the entry is shorter, and the entry's tail is shown. In an
// entry of several lines it goes to the end, where Up goes on line by line.
void LineEditor::show_history_entry(const std::string& entry) {
    const std::size_t column = static_cast<std::size_t>(cursor_column() - 1);
    input_line = entry;
    cursor = input_line.size();
    view_offset = tail_offset(width);
    if (!history_cursor_at_end && entry_line_count(input_line) == 1) {
        cursor = std::min(view_offset + column, input_line.size());
    }
}

void LineEditor::set_history_cursor_at_end(bool at_end) {
    history_cursor_at_end = at_end;
}

bool LineEditor::scrolled_sideways() const {
    const std::size_t line_length =
        entry_line_end(input_line, cursor) - entry_line_start(input_line, cursor);
    return held_paste.empty() && !search.active && std::min(view_offset, line_length) > 0;
}

void LineEditor::insert(const std::string& text) {
    input_line.insert(cursor, text);
    cursor += text.size();
    inserted = !text.empty();
}

void LineEditor::erase_before_cursor() {
    if (cursor > 0) {
        input_line.erase(cursor - 1, 1);
        --cursor;
    }
}

void LineEditor::cut(std::size_t from, std::size_t to) {
    if (from >= to) {
        return;
    }
    cut_text = input_line.substr(from, to - from);
    input_line.erase(from, to - from);
    cursor = from;
}

std::size_t LineEditor::word_start_before(std::size_t position) const {
    while (position > 0 && is_word_gap(input_line[position - 1])) {
        --position;
    }
    while (position > 0 && !is_word_gap(input_line[position - 1])) {
        --position;
    }
    return position;
}

std::size_t LineEditor::word_end_after(std::size_t position) const {
    while (position < input_line.size() && is_word_gap(input_line[position])) {
        ++position;
    }
    while (position < input_line.size() && !is_word_gap(input_line[position])) {
        ++position;
    }
    return position;
}

// Of the cursor's line: a view of that line's tail.
std::size_t LineEditor::tail_offset(std::size_t shown_width) const {
    const std::size_t length =
        entry_line_end(input_line, cursor) - entry_line_start(input_line, cursor);
    return length > shown_width ? length - shown_width : 0;
}

// A view that showed the line's tail keeps showing it, so typing at the end of a long line
// moves the text under a still cursor; then the view moves just enough to show the cursor.
void LineEditor::settle_view(bool was_at_tail) {
    const std::size_t tail = tail_offset(width);
    if (was_at_tail) {
        view_offset = tail;
    }
    view_offset = std::min(view_offset, tail);
    // What was just typed stays in sight, even at the left edge of a long line.
    const std::size_t column = cursor - entry_line_start(input_line, cursor);
    const std::size_t first_to_show = inserted && column > 0 ? column - 1 : column;
    if (first_to_show < view_offset) {
        view_offset = first_to_show;
    } else if (column > view_offset + width) {
        view_offset = column - width;
    }
    // The rows of an entry of several lines follow the cursor's line.
    const std::size_t lines = entry_line_count(input_line);
    const std::size_t cursor_line = entry_line_index(input_line, cursor);
    first_row = std::min(first_row, lines > MAX_ENTRY_ROWS ? lines - MAX_ENTRY_ROWS : 0);
    if (cursor_line < first_row) {
        first_row = cursor_line;
    } else if (cursor_line >= first_row + MAX_ENTRY_ROWS) {
        first_row = cursor_line + 1 - MAX_ENTRY_ROWS;
    }
}

}  // namespace qvchat2gui
