// The chat window's views: #view and #views, Alt-Right and Alt-Left through them, Alt-A to the one
// that waits for the user. Each keeps its own place; the top border names the one shown.
#include <algorithm>
#include <string>
#include <vector>

#include "gui/model/chat_text.h"
#include "gui/model/key_codes.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

// Input thread.
bool PDCursesGUI::handle_view_key(int key) {
    if (key != NEXT_VIEW_KEY && key != PREVIOUS_VIEW_KEY && key != alt('a')) {
        return false;
    }
    ChatViews::Choice choice;
    bool found = true;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        if (key == alt('a')) {
            found = chat_views.most_wanted(choice);
        } else {
            choice = chat_views.next(key == NEXT_VIEW_KEY);
        }
    }
    if (found) {
        switch_view(choice);
    } else {
        add_client_line(server_line("No view has unread lines."));
    }
    return true;
}

// Input thread: "#view", "#view NAME", "#view close".
void PDCursesGUI::view_command(const std::string& argument) {
    std::string said;
    ChatViews::Choice choice;
    bool switching = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        const std::string shown = chat_views.name(chat_views.shown());
        if (argument.empty()) {
            said = "Showing the view " + shown + ". #views lists them all.";
        } else if (argument == "close") {
            if (chat_views.close_shown()) {
                switching = true;
                said = "The view " + shown + " is closed; showing all.";
            } else {
                said = "#view close closes a player's view; this is " + shown + ".";
            }
        } else {
            switching = chat_views.find_or_make(argument, choice);
            if (!switching) {
                said = NO_SUCH_VIEW;
            }
        }
    }
    if (switching) {
        switch_view(choice);
    }
    if (!said.empty()) {
        add_client_line(server_line(said));
    }
}

// Input thread: what #view takes, for Tab.
std::vector<std::string> PDCursesGUI::view_names() const {
    std::vector<std::string> names;
    const boost::lock_guard<boost::mutex> lock(redraw_mutex);
    for (const ChatViews::Choice& choice : chat_views.in_order()) {
        names.push_back(chat_views.name(choice));
    }
    names.emplace_back("close");
    return names;
}

std::optional<LineView> PDCursesGUI::typing_destination() const {
    const boost::lock_guard<boost::mutex> lock(redraw_mutex);
    return chat_views.typing_destination();
}

int PDCursesGUI::editor_width() const {
    return std::max(input_inner_width - static_cast<int>(input_prefix.size()), 1);
}

// Input thread. The view left keeps its place (where it was before a review); the one shown
// comes back to its own, or to the newest lines the first time; the view already shown stays
// where it is. The input box says where typed lines go from now on.
void PDCursesGUI::switch_view(ChatViews::Choice choice) {
    std::string destination;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        leave_review_shown();
        chat_views.keep_place(chat_lines.view_mark());
        const std::optional<ScrollBack::ViewMark> place = chat_views.show(choice);
        chat_lines.show_view(choice);
        if (place) {
            chat_lines.return_to(*place);
        } else {
            chat_lines.follow_newest();
        }
        if (chat_views.typing_destination()) {
            destination = chat_views.name(choice);
        }
    }
    input_prefix = destination.empty() ? "" : "(to " + destination + ") ";
    editor.fit_to_width(editor_width());
    show_input_line();
    queue_main_redraw();
}

}  // namespace qvchat2gui
