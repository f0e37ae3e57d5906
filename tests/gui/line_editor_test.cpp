#include "gui/line_editor.h"

#include <curses.h>
#include <gtest/gtest.h>

#include <string>

namespace qvchat2gui {
namespace {

constexpr int INNER_WIDTH = 78;  // an 80-column terminal

class LineEditorTest : public ::testing::Test {
protected:
    LineEditor::Outcome press(int key) { return editor.handle_key(key, INNER_WIDTH); }
    void type(const std::string& text) {
        for (const char byte : text) {
            press(static_cast<unsigned char>(byte));
        }
    }
    std::string shown() const { return editor.visible_text(INNER_WIDTH); }

    LineEditor editor;
};

std::string hundred_bytes() {
    std::string text;
    for (int index = 0; index < 100; ++index) {
        text += static_cast<char>('!' + index % 90);
    }
    return text;
}

TEST_F(LineEditorTest, TypingMovesTheCursorWithTheText) {
    EXPECT_EQ(editor.cursor_column(), 1);
    type("abc");
    EXPECT_EQ(editor.line(), "abc");
    EXPECT_EQ(editor.cursor_column(), 4);
}

TEST_F(LineEditorTest, LongLineShowsItsTailWithTheCursorAtTheEnd) {
    const std::string text = hundred_bytes();
    type(text);
    EXPECT_EQ(shown(), text.substr(22));  // bytes 23 to 100
    EXPECT_EQ(editor.cursor_column(), 79);

    press(KEY_BACKSPACE);
    EXPECT_EQ(editor.line(), text.substr(0, 99));
    EXPECT_EQ(shown(), text.substr(21, 78));
    EXPECT_EQ(editor.cursor_column(), 79);
}

TEST_F(LineEditorTest, BackspaceInsideALongLineKeepsTheCursorOverTheSameByte) {
    const std::string text = hundred_bytes();
    type(text);
    for (int step = 0; step < 10; ++step) {
        press(KEY_LEFT);
    }
    EXPECT_EQ(editor.cursor_column(), 69);
    press(127);
    EXPECT_EQ(editor.line(), text.substr(0, 89) + text.substr(90));
    EXPECT_EQ(editor.cursor_column(), 69);
    // With one byte hidden the shown text no longer scrolls: the cursor moves instead.
    LineEditor short_by_one;
    short_by_one.handle_key('a', INNER_WIDTH);
    for (int index = 0; index < INNER_WIDTH; ++index) {
        short_by_one.handle_key('b', INNER_WIDTH);
    }
    short_by_one.handle_key(8, INNER_WIDTH);
    EXPECT_EQ(short_by_one.line(), "a" + std::string(INNER_WIDTH - 1, 'b'));
    EXPECT_EQ(short_by_one.cursor_column(), INNER_WIDTH + 1);
    short_by_one.handle_key('z', INNER_WIDTH);
    EXPECT_EQ(short_by_one.line(), "a" + std::string(INNER_WIDTH - 1, 'b') + "z");
}

TEST_F(LineEditorTest, LeftRightAndInsertInTheMiddle) {
    type("abc");
    press(KEY_LEFT);
    press(KEY_LEFT);
    EXPECT_EQ(editor.cursor_column(), 2);
    press(KEY_RIGHT);
    press(KEY_RIGHT);
    EXPECT_EQ(editor.cursor_column(), 4);
    press(KEY_RIGHT);
    EXPECT_EQ(editor.cursor_column(), 4);

    press(KEY_LEFT);
    type("x");
    EXPECT_EQ(editor.line(), "abxc");
    EXPECT_EQ(editor.cursor_column(), 4);
    press(KEY_DC);
    EXPECT_EQ(editor.line(), "abc");
    EXPECT_EQ(editor.cursor_column(), 3);
}

TEST_F(LineEditorTest, EditingKeysAtTheStartChangeNothing) {
    press(KEY_BACKSPACE);
    press(KEY_LEFT);
    EXPECT_EQ(editor.line(), "");
    EXPECT_EQ(editor.cursor_column(), 1);
    type("ab");
    press(KEY_LEFT);
    press(KEY_LEFT);
    press(KEY_LEFT);
    press(8);
    EXPECT_EQ(editor.line(), "ab");
    EXPECT_EQ(editor.cursor_column(), 1);
}

TEST_F(LineEditorTest, EnterSubmitsAndRemembersEvenEmptyLines) {
    EXPECT_EQ(press('\n'), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_line(), "");
    type("hello");
    EXPECT_EQ(press(KEY_ENTER), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_line(), "hello");
    EXPECT_EQ(editor.line(), "");
    EXPECT_EQ(editor.cursor_column(), 1);
    EXPECT_EQ(editor.history(), (std::vector<std::string>{"", "hello"}));
    EXPECT_EQ(editor.history_position(), 2U);
    type("x");
    EXPECT_EQ(press('\r'), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_line(), "x");
}

TEST_F(LineEditorTest, HistoryWalk) {
    press(KEY_DOWN);
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "");
    type("typed");
    press(KEY_DOWN);
    EXPECT_EQ(editor.line(), "");

    type("A");
    press('\n');
    type("B");
    press('\n');
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "B");
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "A");
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "A");
    press(KEY_DOWN);
    EXPECT_EQ(editor.line(), "B");
    press(KEY_DOWN);
    EXPECT_EQ(editor.line(), "");
    EXPECT_EQ(editor.history_position(), 1U);
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "A");
}

TEST_F(LineEditorTest, CursorKeepsItsColumnUnlessTheTextGetsShorter) {
    type("a long line");
    press('\n');
    type("xy");
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "a long line");
    EXPECT_EQ(editor.cursor_column(), 3);
    press(KEY_END);
    press(KEY_DOWN);
    EXPECT_EQ(editor.cursor_column(), 1);
}

TEST_F(LineEditorTest, SpecialKeysTypeNothing) {
    type("ab");
    EXPECT_EQ(press(KEY_PPAGE), LineEditor::Outcome::page_up);
    EXPECT_EQ(press(KEY_NPAGE), LineEditor::Outcome::page_down);
    EXPECT_EQ(press(KEY_RESIZE), LineEditor::Outcome::resized);
    EXPECT_EQ(press(KEY_F(1)), LineEditor::Outcome::edited);
    press(KEY_HOME);
    press(KEY_MOUSE);
    press(ERR);
    press(XON_KEY);
    press(XOFF_KEY);
    EXPECT_EQ(editor.line(), "ab");
    EXPECT_EQ(editor.cursor_column(), 3);
}

TEST_F(LineEditorTest, ControlAndHighBytesAreTyped) {
    press('\t');
    press(27);
    press(0xE9);
    EXPECT_EQ(editor.line(), "\t\x1b\xE9");
}

TEST_F(LineEditorTest, NarrowerWindowPullsTheCursorBack) {
    type(std::string(60, 'q'));
    EXPECT_EQ(editor.cursor_column(), 61);
    editor.fit_to_width(38);
    EXPECT_EQ(editor.visible_text(38), std::string(38, 'q'));
    EXPECT_EQ(editor.cursor_column(), 39);
}

}  // namespace
}  // namespace qvchat2gui
