#include "gui/model/line_editor.h"

#include <curses.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/input_history.h"

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
    std::string shown() const { return editor.visible_text(); }

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
    EXPECT_EQ(editor.submitted_lines(), (std::vector<std::string>{""}));
    type("hello");
    EXPECT_EQ(press(KEY_ENTER), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_lines(), (std::vector<std::string>{"hello"}));
    EXPECT_EQ(editor.line(), "");
    EXPECT_EQ(editor.cursor_column(), 1);
    EXPECT_EQ(editor.history(), (std::vector<std::string>{"", "hello"}));
    EXPECT_EQ(editor.history_position(), 2U);
    type("x");
    EXPECT_EQ(press('\r'), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_lines(), (std::vector<std::string>{"x"}));
}

struct HistoryWalkCase {
    const char* name;
    std::vector<std::string> history;
    std::string draft;  // typed before the keys
    std::vector<int> keys;
    std::string line;
    int column;
};

// The line being typed is kept as a draft behind the newest entry, with its cursor.
TEST_F(LineEditorTest, HistoryWalk) {
    const std::vector<std::string> three = {"line one", "line two", "line three"};
    const std::vector<HistoryWalkCase> cases = {
        {"no history", {}, "", {KEY_DOWN, KEY_UP}, "", 1},
        {"Down keeps the typed line", {}, "typed", {KEY_DOWN}, "typed", 6},
        {"Up stops at the oldest", {"A", "B"}, "C", {KEY_UP, KEY_UP, KEY_UP}, "A", 2},
        {"Down back to the draft", {"A", "B"}, "C", {KEY_UP, KEY_UP, KEY_DOWN, KEY_DOWN}, "C", 2},
        {"draft keeps its cursor",
         {"line one"},
         "draft text",
         {KEY_UP, KEY_DOWN, 'Z'},
         "draft textZ",
         12},
        {"draft keeps a cursor moved inside it",
         {"line one"},
         "draft text",
         {KEY_LEFT, KEY_LEFT, KEY_LEFT, KEY_UP, KEY_END, KEY_DOWN, 'Z'},
         "draft tZext",
         9},
        {"Up after Down past the newest",
         three,
         "draft",
         {KEY_UP, KEY_DOWN, KEY_UP},
         "line three",
         6},
        {"Up after Down onto an empty line",
         {"A", "B"},
         "",
         {KEY_UP, KEY_UP, KEY_DOWN, KEY_DOWN, KEY_UP},
         "B",
         1},
        {"Down on the draft stays there", {"A"}, "C", {KEY_UP, KEY_DOWN, KEY_DOWN, KEY_UP}, "A", 2},
        {"Enter starts the walk again behind the line sent",
         {"A", "B"},
         "x",
         {KEY_UP, KEY_UP, '\n', KEY_UP, KEY_UP},
         "B",
         1},
    };
    for (const HistoryWalkCase& test : cases) {
        editor = LineEditor();
        editor.set_history(test.history);
        type(test.draft);
        for (const int key : test.keys) {
            press(key);
        }
        EXPECT_EQ(editor.line(), test.line) << test.name;
        EXPECT_EQ(editor.cursor_column(), test.column) << test.name;
    }
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
    EXPECT_EQ(editor.line(), "xy");
    EXPECT_EQ(editor.cursor_column(), 3);
}

TEST_F(LineEditorTest, SpecialKeysTypeNothing) {
    type("ab");
    EXPECT_EQ(press(KEY_PPAGE), LineEditor::Outcome::page_up);
    EXPECT_EQ(press(KEY_NPAGE), LineEditor::Outcome::page_down);
    EXPECT_EQ(press(KEY_RESIZE), LineEditor::Outcome::resized);
    EXPECT_EQ(press(KEY_F(1)), LineEditor::Outcome::edited);
    EXPECT_EQ(press(ctrl('l')), LineEditor::Outcome::repaint);
    press(KEY_MOUSE);
    press(ERR);
    press(XON_KEY);
    press(XOFF_KEY);
    EXPECT_EQ(editor.line(), "ab");
    EXPECT_EQ(editor.cursor_column(), 3);
}

TEST_F(LineEditorTest, NoKeyPutsAControlOrColourByteIntoTheLine) {
    type("hi there");
    for (int key = 0; key <= LAST_BYTE_KEY; ++key) {
        if (key != '\r' && key != '\n' && key != ctrl('r')) {
            press(key);
            press(alt(key));
        }
    }
    press(ctrl('y'));
    for (const char byte : editor.line()) {
        const auto value = static_cast<unsigned char>(byte);
        EXPECT_TRUE(is_typed_byte(value)) << "byte " << static_cast<int>(value);
    }
    EXPECT_NE(editor.line().find('\xE9'), std::string::npos);
}

struct EditingCase {
    const char* name;
    std::vector<int> keys;  // pressed after typing "hello big world"
    std::string line;
    int column;
};

TEST_F(LineEditorTest, EditingKeys) {
    const std::vector<EditingCase> cases = {
        {"Ctrl-A", {ctrl('a')}, "hello big world", 1},
        {"Home then Ctrl-E", {KEY_HOME, ctrl('e')}, "hello big world", 16},
        {"End", {ctrl('a'), KEY_END}, "hello big world", 16},
        {"Ctrl-B, Ctrl-F", {ctrl('b'), ctrl('b'), ctrl('f')}, "hello big world", 15},
        {"Alt-B", {alt('b'), alt('b')}, "hello big world", 7},
        {"Ctrl-Left", {CTRL_LEFT_KEY}, "hello big world", 11},
        {"Alt-F", {ctrl('a'), alt('f'), alt('f')}, "hello big world", 10},
        {"Ctrl-Right", {KEY_HOME, CTRL_RIGHT_KEY}, "hello big world", 6},
        {"Ctrl-D", {ctrl('a'), ctrl('d')}, "ello big world", 1},
        {"Ctrl-D at the end", {ctrl('d')}, "hello big world", 16},
        {"Ctrl-K", {alt('b'), ctrl('k')}, "hello big ", 11},
        {"Ctrl-U", {alt('b'), ctrl('u')}, "world", 1},
        {"Ctrl-W", {ctrl('w')}, "hello big ", 11},
        {"Alt-Backspace", {alt(DELETE_KEY), alt(BACKSPACE_KEY)}, "hello ", 7},
        {"Alt-D", {ctrl('a'), alt('d')}, " big world", 1},
        {"Ctrl-W then Ctrl-Y", {ctrl('w'), ctrl('a'), ctrl('y')}, "worldhello big ", 6},
        {"Ctrl-U then Ctrl-Y twice",
         {ctrl('u'), ctrl('y'), ctrl('y')},
         "hello big worldhello big world",
         31},
        {"Delete keeps erasing backwards", {KEY_DC}, "hello big worl", 15},
        {"Escape and Ctrl-S do nothing", {ESCAPE_KEY, XOFF_KEY, XON_KEY}, "hello big world", 16},
    };
    for (const EditingCase& test : cases) {
        editor = LineEditor();
        type("hello big world");
        for (const int key : test.keys) {
            press(key);
        }
        EXPECT_EQ(editor.line(), test.line) << test.name;
        EXPECT_EQ(editor.cursor_column(), test.column) << test.name;
    }
}

// Whatever keys came before, a byte typed shows just left of the cursor: the view never hides
// the place that is edited.
TEST_F(LineEditorTest, TheCursorIsAlwaysWhereTheNextByteShows) {
    constexpr int narrow = 10;
    const std::vector<int> moves = {KEY_LEFT, KEY_RIGHT, ctrl('a'), ctrl('e'), alt('b'),
                                    alt('f'), ctrl('w'), ctrl('k'), ctrl('y'), KEY_BACKSPACE,
                                    KEY_UP,   KEY_DOWN,  ctrl('d'), 'x',       ' '};
    unsigned seed = 7;
    for (int round = 0; round < 2000; ++round) {
        seed = seed * 1103515245 + 12345;
        const int key = moves[(seed >> 16) % moves.size()];
        editor.handle_key(key, narrow);
        if (round % 97 == 0) {
            editor.handle_key('\n', narrow);
        }
        const int column = editor.cursor_column();
        ASSERT_GE(column, 1) << "round " << round;
        ASSERT_LE(column, narrow + 1);
        editor.handle_key('Q', narrow);
        const std::string shown = editor.visible_text();
        ASSERT_GE(editor.cursor_column(), 2) << "round " << round;
        ASSERT_EQ(shown[editor.cursor_column() - 2], 'Q') << "round " << round;
        editor.handle_key(KEY_BACKSPACE, narrow);
    }
}

// For someone who cannot see the line (the reader), Up and Down go to its end.
TEST_F(LineEditorTest, WithTheOptionUpAndDownPutTheCursorAtTheEnd) {
    editor.set_history_cursor_at_end(true);
    type("a long line");
    press('\n');
    type("xyz");
    press(KEY_HOME);
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "a long line");
    EXPECT_EQ(editor.cursor_column(), 12);
    press(KEY_DOWN);
    EXPECT_EQ(editor.line(), "xyz");
    EXPECT_EQ(editor.cursor_column(), 4);
}

TEST_F(LineEditorTest, LeftPastTheEdgeOfALongLineScrollsItBack) {
    std::string digits;
    for (int index = 0; index < 120; ++index) {
        digits += static_cast<char>('0' + index % 10);
    }
    type(digits);
    for (int step = 0; step < 100; ++step) {
        press(KEY_LEFT);
    }
    EXPECT_EQ(editor.cursor_column(), 1);
    EXPECT_EQ(shown(), digits.substr(20, INNER_WIDTH));
    EXPECT_TRUE(editor.scrolled_sideways());
    type("Q");
    EXPECT_EQ(editor.line(), digits.substr(0, 20) + "Q" + digits.substr(20));
    EXPECT_EQ(shown().substr(0, 2), "Q0");
    press(KEY_END);
    EXPECT_EQ(shown(), editor.line().substr(121 - INNER_WIDTH));
    press(KEY_HOME);
    EXPECT_FALSE(editor.scrolled_sideways());
}

TEST_F(LineEditorTest, ASavedHistoryBringsBackNoByteThatCouldNotHaveBeenTyped) {
    editor.set_history({"a\x1b]0;title\x07z", "\x81red\x9a", "\tx"});
    EXPECT_EQ(editor.history(), (std::vector<std::string>{"a]0;titlez", "red", "x"}));
}

TEST_F(LineEditorTest, TheHistoryKeepsTheNewestThousandLines) {
    const std::size_t limit = qvchat2gui::InputHistory::MAX_ENTRIES;
    std::vector<std::string> saved;
    for (std::size_t n = 0; n < limit + 5; ++n) {
        saved.push_back("saved " + std::to_string(n));
    }
    editor.set_history(saved);
    ASSERT_EQ(editor.history().size(), limit);
    EXPECT_EQ(editor.history().front(), "saved 5");
    type("typed");
    press(KEY_ENTER);
    ASSERT_EQ(editor.history().size(), limit);
    EXPECT_EQ(editor.history().front(), "saved 6");
    EXPECT_EQ(editor.history().back(), "typed");
    press(KEY_UP);
    EXPECT_EQ(editor.line(), "typed");
}

TEST_F(LineEditorTest, SearchBackThroughTheHistory) {
    editor.set_history({"say hello", "look", "Say bye"});
    type("draft");
    press(ctrl('r'));
    type("say");
    EXPECT_EQ(shown(), "(search) 'say': Say bye");
    EXPECT_EQ(editor.cursor_column(), 14);
    press(ctrl('r'));
    EXPECT_EQ(shown(), "(search) 'say': say hello");
    press(ctrl('r'));
    EXPECT_EQ(shown(), "(search) 'say': say hello");
    EXPECT_EQ(press('\n'), LineEditor::Outcome::edited);
    EXPECT_EQ(editor.line(), "say hello");

    press(ctrl('r'));
    type("lo");
    press(KEY_BACKSPACE);
    type("oo");
    EXPECT_EQ(shown(), "(search) 'loo': look");
    press(ctrl('a'));
    EXPECT_EQ(editor.line(), "look");
    EXPECT_EQ(editor.cursor_column(), 1);

    for (const int cancel : {ESCAPE_KEY, ctrl('g')}) {
        press(ctrl('r'));
        type("zzz");
        EXPECT_EQ(shown(), "(search) 'zzz': ");
        press(cancel);
        EXPECT_EQ(editor.line(), "look");
    }
}

TEST_F(LineEditorTest, TabCompletesNamesAndCommandsAndCycles) {
    const CompletionSources sources{
        [] {
            return std::vector<std::string>{"Zo\xEB", "bob", "Zack", "Zack", "bad name"};
        },
        {"exit", "loc", "look", "set"},
        {{"set", {"bell", "backlog", "timestamps"}}},
        [] {
            return std::vector<std::string>{"all", "5", "Marek", "local", "close"};
        },
        [] {
            return std::vector<std::string>{"lol", "hi"};
        },
        {{"note", [] {
              return std::vector<std::string>{"Ann", "bob", "Ann"};
          }}}};
    struct TabCase {
        std::string typed;
        int tabs;
        std::string line;
    };
    const std::vector<TabCase> cases = {
        {"/z", 1, "/Zo\xEB "},
        {"/z", 2, "/Zack "},
        {"/z", 3, "/Zo\xEB "},
        {"/", 2, "/bob "},
        {"#lo", 1, "#loc "},
        {"#lo", 2, "#lol "},
        {"#lo", 3, "#look "},
        {"#H", 1, "#hi "},
        {"#LO", 1, "#loc "},
        {"hi B", 1, "hi bob "},
        {"hi q", 1, "hi q"},
        {"hi ", 1, "hi "},
        {"#x", 1, "#x"},
        {"ba", 1, "ba"},
        {"/z\tx", 0, "/Zo\xEB x"},
        {"#set b", 1, "#set bell "},
        {"#SET  B", 2, "#SET  backlog "},
        {"#set ", 1, "#set bell "},
        {"#set bell b", 1, "#set bell bob "},
        {"#loc b", 1, "#loc bob "},
        {"#view m", 1, "#view Marek "},
        {"#VIEW l", 1, "#VIEW local "},
        {"#view ", 2, "#view 5 "},
        {"#note ", 1, "#note Ann "},
        {"#Note ", 3, "#Note Ann "},
        {"#note B", 1, "#note bob "},
        {"#note bob a", 1, "#note bob a"},
    };
    for (const TabCase& test : cases) {
        editor = LineEditor();
        editor.set_completion_sources(sources);
        type(test.typed);
        for (int tab = 0; tab < test.tabs; ++tab) {
            press(TAB_KEY);
        }
        EXPECT_EQ(editor.line(), test.line) << test.typed << " with " << test.tabs << " Tab";
    }
}

TEST_F(LineEditorTest, PasteOfOneLineIsTypedAndSeveralLinesWaitForEnterOrEscape) {
    type("say ");
    press(PASTE_START_KEY);
    type("one\ttwo\x01");
    EXPECT_EQ(shown(), "say ");
    press(PASTE_END_KEY);
    EXPECT_EQ(editor.line(), "say one two");
    EXPECT_TRUE(editor.submitted_lines().empty());

    press(PASTE_START_KEY);
    type("line one\r\nline two\n#quit\nline four\n");
    EXPECT_TRUE(editor.pasting());
    editor.end_paste();
    EXPECT_FALSE(editor.pasting());
    EXPECT_EQ(shown(), "Paste of 4 lines: Enter sends them, Esc drops them");
    type("ignored");
    EXPECT_EQ(press(KEY_ENTER), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_lines(),
              (std::vector<std::string>{"line one", "line two", "#quit", "line four"}));
    EXPECT_EQ(editor.line(), "say one two");
    EXPECT_EQ(editor.history().back(), "line four");

    press(PASTE_START_KEY);
    type("a\nb");
    press(PASTE_END_KEY);
    press(ESCAPE_KEY);
    EXPECT_EQ(shown(), "say one two");
    EXPECT_EQ(press(KEY_ENTER), LineEditor::Outcome::submitted);
    EXPECT_EQ(editor.submitted_lines(), (std::vector<std::string>{"say one two"}));
}

TEST_F(LineEditorTest, NarrowerWindowPullsTheCursorBack) {
    type(std::string(60, 'q'));
    EXPECT_EQ(editor.cursor_column(), 61);
    editor.fit_to_width(38);
    EXPECT_EQ(editor.visible_text(), std::string(38, 'q'));
    EXPECT_EQ(editor.cursor_column(), 39);
}

}  // namespace
}  // namespace qvchat2gui
