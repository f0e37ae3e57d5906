#include <curses.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/entry_lines.h"
#include "gui/model/line_editor.h"

namespace qvchat2gui {
namespace {

constexpr int INNER_WIDTH = 20;
constexpr int NEW_LINE = alt('\r');

// Keys as they come: bytes typed, and the special keys between them.
struct Keys {
    std::vector<int> codes;
    Keys& type(const std::string& text) {
        for (const char byte : text) {
            codes.push_back(static_cast<unsigned char>(byte));
        }
        return *this;
    }
    Keys& press(int key) {
        codes.push_back(key);
        return *this;
    }
};

struct EntryCase {
    const char* name;
    Keys keys;
    std::string entry;  // the line breaks shown as '|'
    int cursor_row;
    int cursor_column;
};

std::string with_bars(std::string entry) {
    for (char& byte : entry) {
        byte = byte == ENTRY_LINE_BREAK ? '|' : byte;
    }
    return entry;
}

LineEditor edited(const Keys& keys) {
    LineEditor editor;
    for (const int key : keys.codes) {
        editor.handle_key(key, INNER_WIDTH);
    }
    return editor;
}

TEST(MultiLineEntry, KeysMoveAndEditAcrossTheLines) {
    const Keys three = Keys().type("one").press(NEW_LINE).type("second").press(NEW_LINE).type("3");
    const std::vector<EntryCase> cases = {
        {"Alt-Enter starts a line", Keys(three), "one|second|3", 2, 2},
        {"Alt with the keypad's Enter or a line feed too",
         Keys().type("a").press(alt(KEY_ENTER)).type("b").press(alt('\n')).type("c"), "a|b|c", 2,
         2},
        {"Up keeps the column, or the end of a shorter line",
         Keys(three).press(KEY_UP).press(KEY_END).press(KEY_UP), "one|second|3", 0, 4},
        {"Down from the first line", Keys(three).press(KEY_UP).press(KEY_UP).press(KEY_DOWN),
         "one|second|3", 1, 2},
        {"Home and End stay on the cursor's line",
         Keys(three).press(KEY_UP).press(KEY_HOME).type(">").press(ctrl('e')).type("<"),
         "one|>second<|3", 1, 9},
        {"Ctrl-U cuts to the start of the line",
         Keys(three).press(KEY_UP).press(KEY_END).press(ctrl('u')), "one||3", 1, 1},
        {"Ctrl-K cuts to the end of the line", Keys(three).press(KEY_UP).press(ctrl('k')),
         "one|s|3", 1, 2},
        {"Ctrl-K at a line's end joins the next",
         Keys(three).press(KEY_UP).press(KEY_END).press(ctrl('k')), "one|second3", 1, 7},
        {"Backspace at a line's start joins it to the one above",
         Keys(three).press(KEY_HOME).press(KEY_BACKSPACE), "one|second3", 1, 7},
        {"Ctrl-W takes the break with the word", Keys(three).press(ctrl('w')).press(ctrl('w')),
         "one|", 1, 1},
        {"Left crosses the break", Keys(three).press(KEY_LEFT).press(KEY_LEFT), "one|second|3", 1,
         7},
    };
    for (const EntryCase& test : cases) {
        const LineEditor editor = edited(test.keys);
        EXPECT_EQ(with_bars(editor.line()), test.entry) << test.name;
        EXPECT_EQ(editor.cursor_row(), test.cursor_row) << test.name;
        EXPECT_EQ(editor.cursor_column(), test.cursor_column) << test.name;
    }
}

TEST(MultiLineEntry, EnterSendsEachLineAndTheHistoryKeepsTheEntryWhole) {
    LineEditor editor = edited(
        Keys().type("#loc").press(NEW_LINE).press(NEW_LINE).type("/Marek hi").press(NEW_LINE));
    EXPECT_EQ(editor.handle_key(KEY_ENTER, INNER_WIDTH), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_lines(), (std::vector<std::string>{"#loc", "/Marek hi"}));
    EXPECT_EQ(editor.history().back(), "#loc\n\n/Marek hi\n");
    EXPECT_EQ(editor.visible_rows(), (std::vector<std::string>{""}));

    // Up brings it back whole, the cursor at its end; Up then goes line by line, then on to older
    // entries.
    editor.set_history({"older", "a\nb"});
    editor.handle_key(KEY_UP, INNER_WIDTH);
    EXPECT_EQ(editor.visible_rows(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(editor.cursor_row(), 1);
    editor.handle_key(KEY_UP, INNER_WIDTH);
    EXPECT_EQ(editor.cursor_row(), 0);
    editor.handle_key(KEY_UP, INNER_WIDTH);
    EXPECT_EQ(editor.line(), "older");
    EXPECT_EQ(editor.visible_rows().size(), 1U);
}

TEST(MultiLineEntry, TheBoxShowsFiveRowsAroundTheCursor) {
    Keys keys;
    for (int line = 1; line <= 8; ++line) {
        keys.type("line " + std::to_string(line) + std::string(30, '.')).press(NEW_LINE);
    }
    keys.type("last");
    LineEditor editor = edited(keys);
    std::vector<std::string> rows = editor.visible_rows();
    ASSERT_EQ(rows.size(), MAX_ENTRY_ROWS);
    EXPECT_EQ(rows.front(), ("line 5" + std::string(30, '.')).substr(0, INNER_WIDTH));
    EXPECT_EQ(rows.back(), "last");
    EXPECT_EQ(editor.cursor_row(), 4);

    // Going up past the top row scrolls the rows, and the cursor's long line shows its tail.
    for (int press = 0; press < 6; ++press) {
        editor.handle_key(KEY_UP, INNER_WIDTH);
    }
    editor.handle_key(KEY_END, INNER_WIDTH);
    rows = editor.visible_rows();
    EXPECT_EQ(editor.cursor_row(), 0);
    EXPECT_EQ(rows.front(), std::string(INNER_WIDTH, '.'));
    EXPECT_EQ(rows[1], "line 4" + std::string(14, '.'));
    EXPECT_EQ(editor.cursor_column(), INNER_WIDTH + 1);
}

TEST(MultiLineEntry, AltEnterAfterAHeldPasteWritesOnBelowIt) {
    LineEditor editor;
    editor.handle_key(PASTE_START_KEY, INNER_WIDTH);
    for (const char byte : std::string("one\ntwo\n")) {
        editor.handle_key(static_cast<unsigned char>(byte), INNER_WIDTH);
    }
    editor.handle_key(PASTE_END_KEY, INNER_WIDTH);
    editor.handle_key(NEW_LINE, INNER_WIDTH);
    editor.handle_key('3', INNER_WIDTH);
    EXPECT_EQ(editor.visible_rows(), (std::vector<std::string>{"one", "two", "3"}));
    editor.handle_key(KEY_ENTER, INNER_WIDTH);
    EXPECT_EQ(editor.submitted_lines(), (std::vector<std::string>{"one", "two", "3"}));
}

TEST(MultiLineEntry, TheHistorySearchShowsAnEntryOnOneRow) {
    LineEditor editor;
    editor.set_history({"hello\nworld"});
    editor.handle_key(ctrl('r'), 40);
    editor.handle_key('w', 40);
    EXPECT_EQ(editor.visible_text(), "(search) 'w': hello\xB6world");
}

}  // namespace
}  // namespace qvchat2gui
