#include "gui/model/key_actions.h"

#include "gui/model/key_codes.h"

namespace qvchat2gui {

namespace {

constexpr int FIRST_SAY_AGAIN = 1;
constexpr int LAST_SAY_AGAIN = 9;

bool editing(const FrontEndKeys& keys) {
    return keys.several_lines;
}
bool scrolling(const FrontEndKeys& keys) {
    return keys.scroll;
}
bool searching(const FrontEndKeys& keys) {
    return keys.search;
}
bool for_user(const FrontEndKeys& keys) {
    return keys.for_user;
}
bool views(const FrontEndKeys& keys) {
    return keys.views;
}
bool reviewing(const FrontEndKeys& keys) {
    return keys.review;
}
bool reviewing_ends(const FrontEndKeys& keys) {
    return keys.review_ends;
}

std::vector<KeyAction> make_actions() {
    std::vector<KeyAction> actions = {
        {"send the line", {'\r'}, editing},
        {"new line", {alt('\r')}, editing},
        {"line before", {UP_KEY}, editing},
        {"line after", {DOWN_KEY}, editing},
        {"left", {LEFT_KEY, ctrl('b')}, editing},
        {"right", {RIGHT_KEY, ctrl('f')}, editing},
        {"start of line", {HOME_KEY, ctrl('a')}, editing},
        {"end of line", {END_KEY, ctrl('e')}, editing},
        {"word left", {alt('b'), CTRL_LEFT_KEY}, editing},
        {"word right", {alt('f'), CTRL_RIGHT_KEY}, editing},
        {"erase back", {DELETE_KEY, ERASE_KEY}, editing},
        {"erase", {ctrl('d')}, editing},
        {"cut to end", {ctrl('k')}, editing},
        {"cut to start", {ctrl('u')}, editing},
        {"cut word", {ctrl('w'), alt(DELETE_KEY)}, editing},
        {"cut next word", {alt('d')}, editing},
        {"paste the cut", {ctrl('y')}, editing},
        {"complete", {TAB_KEY}, editing},
        {"search typed lines", {ctrl('r')}, editing},
        {"spell suggestion", {alt('s')}, editing},
        {"cancel", {ESCAPE_KEY, ctrl('g')}, editing},
        {"page up", {PAGE_UP_KEY}, scrolling},
        {"page down", {PAGE_DOWN_KEY}, scrolling},
        {"oldest line", {CHAT_OLDEST_KEY, alt(HOME_KEY)}, scrolling},
        {"newest line", {CHAT_NEWEST_KEY, alt(END_KEY)}, scrolling},
        {"repaint", {ctrl('l')}, scrolling},
        {"search the chat", {ctrl('s')}, searching},
        {"previous line for you", {alt('p')}, for_user},
        {"next line for you", {alt('n')}, for_user},
        {"unread lines", {alt('u')}, for_user},
        {"ignored lines", {alt('=')}, for_user},
        {"next view", {NEXT_VIEW_KEY}, views},
        {"previous view", {PREVIOUS_VIEW_KEY}, views},
        {"waiting view", {alt('a')}, views},
        {"review older line", {REVIEW_OLDER_KEY}, reviewing},
        {"review newer line", {REVIEW_NEWER_KEY}, reviewing},
        // Where these keys do not scroll the chat: xterm sends Alt-Home as Ctrl-Home.
        {"review oldest line", {alt(HOME_KEY), CHAT_OLDEST_KEY}, reviewing_ends},
        {"review newest line", {alt(END_KEY), CHAT_NEWEST_KEY}, reviewing_ends},
    };
    for (int number = FIRST_SAY_AGAIN; number <= LAST_SAY_AGAIN; ++number) {
        actions.push_back({"say again " + std::to_string(number),
                           {alt('0' + number)},
                           [](const FrontEndKeys& keys) { return keys.say_again; }});
    }
    return actions;
}

}  // namespace

const std::vector<KeyAction>& key_actions() {
    static const std::vector<KeyAction> actions = make_actions();
    return actions;
}

}  // namespace qvchat2gui
