#include "chat/line_triggers.h"

#include "chat/trigger_commands.h"

namespace qvchat2 {

TriggeredLine apply_triggers(qvchat2gui::ChatGUI* gui, const std::string& line) {
    TriggerList& list = triggers();
    if (list.size() == 0) {
        return {};
    }
    const TriggerActions actions = list.match(line);
    for (const std::string& notice : actions.notices) {
        gui->add_client_line(notice);
    }
    TriggeredLine triggered;
    triggered.hide = actions.hide;
    triggered.pane = actions.pane;
    triggered.speak = actions.speak;
    triggered.effects = {actions.colour, actions.bell, actions.notify};
    return triggered;
}

}  // namespace qvchat2
