#include "gui/model/key_bindings.h"

#include <curses.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/key_codes.h"
#include "gui/model/key_names.h"

namespace qvchat2gui {
namespace {

TEST(KeyNames, NamesAreReadAsPeopleWriteThemAndWrittenBackOneWay) {
    const struct {
        const char* typed;
        std::optional<int> code;
        const char* written;
    } cases[] = {
        {"Ctrl-S", ctrl('s'), "Ctrl-S"},
        {"c-s", ctrl('s'), "Ctrl-S"},
        {"^s", ctrl('s'), "Ctrl-S"},
        {"Alt-G", alt('g'), "Alt-G"},
        {"M-g", alt('g'), "Alt-G"},
        {"meta-g", alt('g'), "Alt-G"},
        {"Alt-Shift-G", alt('G'), "Alt-Shift-G"},
        {"Alt-=", alt('='), "Alt-="},
        {"Alt-1", alt('1'), "Alt-1"},
        {"alt-enter", alt('\r'), "Alt-Enter"},
        {"M-Enter", alt('\r'), "Alt-Enter"},
        {"Enter", '\r', "Enter"},
        {"Ctrl-M", '\r', "Enter"},
        {"Ctrl-H", DELETE_KEY, "Backspace"},
        {"Esc", ESCAPE_KEY, "Esc"},
        {"Escape", ESCAPE_KEY, "Esc"},
        {"page up", KEY_PPAGE, "PageUp"},
        {"F5", KEY_F(5), "F5"},
        {"Alt-Right", NEXT_VIEW_KEY, "Alt-Right"},
        {"M-Up", REVIEW_OLDER_KEY, "Alt-Up"},
        {"alt-down", REVIEW_NEWER_KEY, "Alt-Down"},
        {"Ctrl-Home", CHAT_OLDEST_KEY, "Ctrl-Home"},
        {"a", std::nullopt, ""},
        {"Ctrl-1", std::nullopt, ""},
        {"Alt-", std::nullopt, ""},
        {"F13", std::nullopt, ""},
        {"Hyper-X", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const auto& test : cases) {
        const std::optional<int> parsed = parse_key_name(test.typed);
        EXPECT_EQ(parsed ? std::optional(canonical_key(*parsed)) : std::nullopt, test.code)
            << test.typed;
        if (parsed) {
            EXPECT_EQ(key_name(*parsed), test.written) << test.typed;
        }
    }
    // Each terminal's code for the same key is that key.
    EXPECT_EQ(canonical_key(KEY_BACKSPACE), DELETE_KEY);
    EXPECT_EQ(canonical_key(alt(KEY_RIGHT)), NEXT_VIEW_KEY);
    EXPECT_EQ(canonical_key(KEY_ENTER), '\r');
}

FrontEndKeys full_screen() {
    FrontEndKeys keys;
    keys.scroll = keys.search = keys.for_user = keys.views = keys.several_lines = true;
    keys.review = true;
    return keys;
}

FrontEndKeys reader_keys() {
    FrontEndKeys keys;
    keys.say_again = keys.views = keys.several_lines = true;
    keys.review = keys.review_ends = true;
    return keys;
}

TEST(KeyBindings, BindingsTakeActionsOrLinesAndRefuseWhatWouldLockTheUserOut) {
    const struct {
        const char* key;
        const char* action;
        bool changed;
        const char* answer;
    } cases[] = {
        {"Alt-G", "#grep gold", true, "Alt-G now types: #grep gold."},
        {"F2", "Search  the-Chat", true, "F2 now does: search the chat."},
        {"Ctrl-S", "search the chat", false, "Ctrl-S is not bound: it does search the chat."},
        {"F3", "review older line", true, "F3 now does: review older line."},
        {"F4", "review oldest line", false,
         "No action \"review oldest line\": #bind lists them; a line to type starts with # or /."},
        {"Enter", "repaint", false, "Enter sends the line and cannot be bound."},
        {"Ctrl-J", "#quit", false, "Enter sends the line and cannot be bound."},
        {"Ctrl-C", "#help", false, "Ctrl-C leaves the program and cannot be bound."},
        {"Alt-Q", "hello all", false,
         "No action \"hello all\": #bind lists them; a line to type starts with # or /."},
        {"Alt-Q", "say again 1", false,
         "No action \"say again 1\": #bind lists them; a line to type starts with # or /."},
        {"Hyper-Q", "#help", false,
         "No key is called \"Hyper-Q\"; keys are named as Ctrl-S, Alt-G, Alt-Enter, PageUp, F5."},
        {"Alt-Q", "/Marek \x1b[2J", false,
         "A key can type a line of at most 512 bytes, without control characters."},
    };
    KeyBindings bindings;
    for (const auto& test : cases) {
        bool changed = !test.changed;
        EXPECT_EQ(bindings.bind(test.key, test.action, full_screen(), changed), test.answer)
            << test.key;
        EXPECT_EQ(changed, test.changed) << test.key;
    }
    EXPECT_EQ(bindings.resolve(alt('g')).typed_line, "#grep gold");
    EXPECT_EQ(bindings.resolve(KEY_F(2)).key, ctrl('s'));
    EXPECT_FALSE(bindings.resolve(KEY_F(2)).typed_line);
    EXPECT_EQ(bindings.resolve(KEY_F(3)).key, REVIEW_OLDER_KEY);
    EXPECT_EQ(bindings.resolve(alt('q')).key, alt('q'));
    EXPECT_EQ(bindings.to_lines(),
              (std::vector<std::string>{"F2 search the chat", "F3 review older line",
                                        "Alt-G #grep gold"}));

    bool changed = false;
    EXPECT_EQ(bindings.unbind("M-g", full_screen(), changed), "Alt-G does again: nothing.");
    EXPECT_TRUE(changed);
    EXPECT_EQ(bindings.resolve(alt('g')).key, alt('g'));
    // The default named is the key's in the front-end at hand.
    EXPECT_EQ(bindings.unbind("Alt-Home", full_screen(), changed),
              "Alt-Home is not bound: it does oldest line.");
    EXPECT_EQ(bindings.unbind("Alt-Home", reader_keys(), changed),
              "Alt-Home is not bound: it does review oldest line.");
}

TEST(KeyBindings, TheListingSaysWhatEachKeyOfTheFrontEndDoesNow) {
    KeyBindings bindings;
    bool changed = false;
    bindings.bind("Ctrl-S", "#grep gold", full_screen(), changed);
    bindings.bind("Backspace", "repaint", full_screen(), changed);
    const std::vector<std::string> lines = bindings.listing(full_screen());
    const auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Alt-Enter: new line"));
    EXPECT_TRUE(has("no key: search the chat"));
    EXPECT_TRUE(has("Delete: erase back"));
    EXPECT_TRUE(has("Ctrl-L, Backspace: repaint"));
    EXPECT_TRUE(has("Ctrl-S: types #grep gold"));
    EXPECT_TRUE(has("Ctrl-C: leaves the program"));
    EXPECT_FALSE(has("Alt-1: say again 1")) << "the full screen has no Alt-1";
    EXPECT_TRUE(has("Alt-Up: review older line"));
    EXPECT_TRUE(has("Ctrl-Home, Alt-Home: oldest line")) << "Alt-Home scrolls the full screen";

    const std::vector<std::string> reader_lines = KeyBindings().listing(reader_keys());
    for (const char* line :
         {"Alt-1: say again 1", "Alt-Down: review newer line",
          "Alt-Home, Ctrl-Home: review oldest line", "Alt-End, Ctrl-End: review newest line"}) {
        EXPECT_NE(std::find(reader_lines.begin(), reader_lines.end(), line), reader_lines.end())
            << line;
    }
    EXPECT_EQ(std::find(reader_lines.begin(), reader_lines.end(), "Ctrl-S: search the chat"),
              reader_lines.end());

    // The file's lines: each bad one named by its number, the good ones kept.
    KeyBindings loaded;
    const std::vector<KeyBindings::LineProblem> problems = loaded.load(
        {"Alt-G #grep gold", "", "Nokey #x", "Enter #quit", "F3   page up"}, full_screen());
    ASSERT_EQ(problems.size(), 2U);
    EXPECT_EQ(problems[0].line, 3U);
    EXPECT_EQ(problems[1].line, 4U);
    EXPECT_EQ(loaded.to_lines(), (std::vector<std::string>{"F3 page up", "Alt-G #grep gold"}));
}

}  // namespace
}  // namespace qvchat2gui
