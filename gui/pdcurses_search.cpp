#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "gui/curses_api.h"
#include "gui/model/chat_grep.h"
#include "gui/pdcurses_gui.h"

// Finding what was said: the search while reading (Ctrl-S) and the view of the lines a search
// found (#grep, #logs), which takes the chat window's place until Esc or Enter.
namespace qvchat2gui {

namespace {

// Keys that keep their meaning during a search: they act on the screen, not on the line.
bool acts_on_screen(int key) {
    switch (key) {
        case KEY_RESIZE:
        case KEY_PPAGE:
        case KEY_NPAGE:
        case ctrl('l'):
        case CHAT_OLDEST_KEY:
        case CHAT_NEWEST_KEY:
        case alt(KEY_HOME):
        case alt(KEY_END):
        case WHEEL_UP_KEY:
        case WHEEL_DOWN_KEY:
            return true;
        default:
            return false;
    }
}

}  // namespace

// The scan runs on a thread of its own; the view shows its progress until it has finished.
void PDCursesGUI::find_in_chat(const std::string& argument) {
    auto [pattern, kind] = parse_search_argument(argument);
    TextMatcher matcher(pattern, kind);
    if (!matcher.valid()) {
        add_chat_line(server_line(pattern.empty() ? "Usage: #grep TEXT, or #grep /REGEX/"
                                                  : "#grep: " + matcher.error()));
        return;
    }
    std::string view;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        if (chat_views.shown()) {
            view = chat_views.name(chat_views.shown());
        }
    }
    auto grep = std::make_unique<ChatGrep>(
        TextMatcher(pattern, kind), pattern, locked_chat_lines(), [this] { search_progressed(); },
        view);
    show_search(std::move(grep), std::move(matcher));
}

ChatScan::LockedLines PDCursesGUI::locked_chat_lines() {
    return [this](const std::function<void(const ScrollBack&)>& use) {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        use(chat_lines);
    };
}

void PDCursesGUI::show_found(const FoundLines& found, std::optional<TextMatcher> marker) {
    std::unique_ptr<ResultSource> replaced;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        replaced = std::move(running_search);
        open_found_view(found.note, std::move(marker));
        for (const std::string& line : found.lines) {
            found_view.lines->add(line);
        }
    }
    queue_main_redraw();
}

void PDCursesGUI::show_search(std::unique_ptr<ResultSource> search,
                              std::optional<TextMatcher> marker) {
    std::unique_ptr<ResultSource> replaced;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        replaced = std::exchange(running_search, std::move(search));
        open_found_view(running_search->progress_note(), std::move(marker));
    }
    queue_main_redraw();
}

void PDCursesGUI::search_progressed() {
    queue_main_redraw();
}

// redraw_mutex held. The chat keeps its place meanwhile, and counts what comes.
void PDCursesGUI::open_found_view(std::string note, std::optional<TextMatcher> marker) {
    if (!found_view.lines) {
        found_view.chat_was_following = !chat_lines.is_scrolled_back();
        chat_lines.hold_view();
    }
    found_view.lines.emplace(chat_columns, chat_rows, ScrollBack::MAX_LEN * ScrollBack::MAX_LEN,
                             MAX_FOUND_BYTES);
    found_view.note = std::move(note);
    found_view.marker = std::move(marker);
}

// redraw_mutex held. Returns the search that still ran, to be let go once the lock is not held.
std::unique_ptr<ResultSource> PDCursesGUI::close_found_view() {
    const bool chat_was_following = found_view.chat_was_following;
    found_view = FoundView{};
    // What came meanwhile was not read, but the chat followed the newest lines before: it does
    // again, as a chat that is never scrolled back does.
    if (chat_was_following) {
        chat_lines.follow_newest();
    }
    return std::move(running_search);
}

// Paint thread, redraw_mutex held: the rows the chat window shows, and what a search marks in
// them.
void PDCursesGUI::take_chat_rows(PaintJob& job) {
    const TextMatcher* marker = chat_search.matcher();
    if (found_view.lines) {
        if (running_search) {
            if (std::optional<FoundLines> found = running_search->take_found()) {
                for (const std::string& line : found->lines) {
                    found_view.lines->add(line);
                }
                found_view.note = std::move(found->note);
                job.finished_search = std::move(running_search);
            } else {
                found_view.note = running_search->progress_note();
            }
        }
        job.chat_lines = found_view.lines->visible_lines();
        job.scrolled_back = found_view.lines->is_scrolled_back();
        job.view_note = found_view.note;
        job.jumped_text = found_view.review.line();
        marker = found_view.marker ? &*found_view.marker : nullptr;
        take_links(job, *found_view.lines);
    } else {
        job.chat_lines = chat_lines.visible_lines();
        job.scrolled_back = chat_lines.is_scrolled_back();
        job.unseen = chat_lines.unseen();
        job.view_note = reading_note;
        if (chat_scan && !chat_scan->progress().finished) {
            job.view_note = scan_progress_note(chat_scan->progress());
        }
        job.jumped_text = jumped_text;
        take_links(job, chat_lines);
    }
    if (marker != nullptr && !found_view.lines) {
        job.current_match = chat_search.current();
    }
    if (marker != nullptr) {
        job.marks.resize(job.chat_lines.size());
        for (std::size_t row = 0; row < job.chat_lines.size(); ++row) {
            marker->find_all(job.chat_lines[row].text, job.marks[row]);
        }
    }
}

// Input thread. Ctrl-S opens a search; while it is open every key goes to it, except those
// that act on the screen. True when the key was taken.
bool PDCursesGUI::handle_search_key(int key) {
    std::unique_ptr<ChatScan> stopped;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        if (!chat_search.active()) {
            if (key != XOFF_KEY || editor.pasting() || found_view.lines) {
                return false;
            }
            chat_search.start(chat_lines.view_mark());
        } else {
            const ChatSearch::Step step = chat_search.handle_key(key);
            if (step == ChatSearch::Step::passed && acts_on_screen(key)) {
                return false;
            }
            stopped = take_search_step(step);
        }
    }
    queue_main_redraw();
    show_input_line();
    return true;
}

// redraw_mutex held. A new pattern stops the scan of the one before at once, and starts its own.
std::unique_ptr<ChatScan> PDCursesGUI::take_search_step(ChatSearch::Step step) {
    using Step = ChatSearch::Step;
    std::unique_ptr<ChatScan> stopped;
    switch (step) {
        case Step::edited:
            stopped = std::move(chat_scan);
            if (std::optional<ChatScan::Order> order = chat_search.start_scan(chat_lines)) {
                chat_scan = std::make_unique<ChatScan>(std::move(*order), locked_chat_lines(),
                                                       [this] { chat_scan_progressed(); });
            }
            break;
        case Step::older:
        case Step::newer:
            chat_search.move(chat_lines, step == Step::older);
            break;
        case Step::accepted:
            chat_search.finish();
            stopped = std::move(chat_scan);
            break;
        case Step::cancelled:
            chat_lines.return_to(chat_search.view_before());
            chat_search.finish();
            stopped = std::move(chat_scan);
            break;
        case Step::passed:
            break;
    }
    if (step == Step::older || step == Step::newer) {
        if (const std::optional<std::uint64_t> shown = chat_search.current()) {
            chat_lines.show_text(*shown);
        }
    }
    return stopped;
}

// The scan's thread. The first match found is shown at once; later ones are older and only
// counted, so that the view stays where the user is reading.
void PDCursesGUI::chat_scan_progressed() {
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        if (!chat_scan) {
            return;
        }
        // Finished is read first: every match it found is then taken below.
        const bool finished = chat_scan->progress().finished;
        const std::optional<std::uint64_t> shown_before = chat_search.current();
        chat_search.add_older(chat_lines, chat_scan->take_matches(), finished);
        const std::optional<std::uint64_t> shown = chat_search.current();
        if (shown && shown != shown_before) {
            chat_lines.show_text(*shown);
        }
    }
    queue_main_redraw();
}

// Input thread. While the found view is open, Page Up and Down, Home and End move in it, Esc
// closes it, and so does Enter on an empty input line; other keys edit the input line.
bool PDCursesGUI::handle_found_view_key(int key) {
    std::unique_ptr<ResultSource> stopped;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        if (!found_view.lines) {
            return false;
        }
        ScrollBack& lines = *found_view.lines;
        switch (key) {
            case ESCAPE_KEY:
                stopped = close_found_view();
                break;
            case '\r':
            case '\n':
            case KEY_ENTER:
                stopped = close_found_view();
                if (!editor.line().empty()) {
                    return false;
                }
                break;
            case KEY_PPAGE:
            case WHEEL_UP_KEY:
                lines.page_up();
                break;
            case KEY_NPAGE:
            case WHEEL_DOWN_KEY:
                lines.page_down();
                break;
            case CHAT_OLDEST_KEY:
            case alt(KEY_HOME):
                lines.show_oldest();
                break;
            case CHAT_NEWEST_KEY:
            case alt(KEY_END):
                lines.follow_newest();
                break;
            default:
                return false;
        }
    }
    queue_main_redraw();
    return true;
}

}  // namespace qvchat2gui
