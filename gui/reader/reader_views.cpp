// Views in reader mode: while one is shown only its lines are written, the others' held and
// counted; switching says the view's name and its unread count, then writes what it held.
#include <string>

#include "gui/model/chat_text.h"
#include "gui/model/key_codes.h"
#include "gui/reader/reader_gui.h"

namespace qvchat2gui {

void ReaderGUI::add_line_in_view(const std::string& line, Attention attention,
                                 const LineView& view) {
    add_treated_line(line, attention, view, LineEffects{});
}

void ReaderGUI::add_treated_line(const std::string& line, Attention attention, const LineView& view,
                                 const LineEffects& effects) {
    if (const std::optional<std::uint32_t> count = searched_lines.fold(line)) {
        // A repeat in a view not shown is not counted aloud: its count would follow another
        // view's line.
        if (held_views.shows_now(attention != Attention::none, view)) {
            note_repeat(line, attention, *count);
        }
        return;
    }
    const auto [tag, write_now] = held_views.pass(line, attention != Attention::none, view);
    recent_urls.note_line(line);
    searched_lines.add(line, tag, true);
    if (write_now) {
        write_line(line, LineOrigin::game, attention, effects);
    }
}

std::optional<LineView> ReaderGUI::typing_destination() const {
    return held_views.typing_destination();
}

void ReaderGUI::register_view_commands() {
    add_callback("view", [this](const std::string& argument) { view_command(argument); });
    add_callback("views", [this](const std::string& /*argument*/) {
        add_client_line(held_views.listing() + ".");
    });
}

// Input thread.
bool ReaderGUI::handle_view_key(int key) {
    // A key bound to the next or previous view comes as the full screen's code for it.
    if (key == alt(RIGHT_KEY) || key == alt(LEFT_KEY) || key == NEXT_VIEW_KEY ||
        key == PREVIOUS_VIEW_KEY) {
        write_shown(held_views.show_next(key == alt(RIGHT_KEY) || key == NEXT_VIEW_KEY));
        return true;
    }
    if (key == alt('a')) {
        const std::optional<HeldViews::Shown> shown = held_views.show_most_wanted();
        if (shown) {
            write_shown(*shown);
        } else {
            add_client_line("No view has unread lines.");
        }
        return true;
    }
    return false;
}

// Input thread: "#view", "#view NAME", "#view close".
void ReaderGUI::view_command(const std::string& argument) {
    if (argument.empty()) {
        add_client_line("Showing the view " + held_views.shown_name() + ". #views lists them all.");
        return;
    }
    if (argument == "close") {
        const std::string closed = held_views.shown_name();
        const std::optional<HeldViews::Shown> shown = held_views.close_shown();
        if (shown) {
            add_client_line("The view " + closed + " is closed.");
            write_shown(*shown);
        } else {
            add_client_line("#view close closes a player's view; this is " + closed + ".");
        }
        return;
    }
    const std::optional<HeldViews::Shown> shown = held_views.show_named(argument);
    if (shown) {
        write_shown(*shown);
    } else {
        add_client_line(NO_SUCH_VIEW);
    }
}

void ReaderGUI::write_shown(const HeldViews::Shown& shown) {
    review_point.leave();
    searched_lines.show_view(held_views.shown(), shown.name);
    const std::size_t unread = shown.lines.size() + shown.let_go;
    std::string said = "View " + shown.name + ", " +
                       (unread == 0 ? std::string("nothing") : std::to_string(unread)) + " unread";
    if (shown.let_go > 0) {
        said += "; the oldest " + std::to_string(shown.let_go) +
                " were too many to hold and are in the log only";
    }
    add_client_line(said + ".");
    for (const std::string& line : shown.lines) {
        write_line(line, LineOrigin::game, Attention::none);
    }
}

}  // namespace qvchat2gui
