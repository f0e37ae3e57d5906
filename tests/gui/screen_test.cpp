// The curses front-end in a real terminal: qvchat_gui_screen_app runs inside tmux, keys go in
// with send-keys and the screen is read back with capture-pane.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/support/TmuxSession.h"

namespace qvtest {
namespace {

using Screen = std::vector<std::string>;

std::string hline() {
    return "─";
}
std::string vline() {
    return "│";
}
std::string magenta() {
    return "\x1b[35m";
}
constexpr int INPUT_ROW = 22;

std::string repeat(const std::string& text, int times) {
    std::string repeated;
    for (int count = 0; count < times; ++count) {
        repeated += text;
    }
    return repeated;
}

std::string top_border(int columns) {
    return "┌" + repeat(hline(), columns - 2) + "┐";
}
std::string bottom_border(int columns) {
    return "└" + repeat(hline(), columns - 2) + "┘";
}
// Columns that UTF-8 text takes: one for each character, and so for each byte that does not
// continue one.
std::size_t columns_of(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0U) != 0x80U;
    }));
}

// One row inside a box: the text padded to the inner width.
std::string boxed(const std::string& text, int columns = 80) {
    return vline() + text +
           std::string(static_cast<std::size_t>(columns - 2) - columns_of(text), ' ') + vline();
}

// The shell stays after the program so that what it printed after leaving curses mode, and
// its exit status, can be read.
std::string app_command(const std::string& arguments = "",
                        const std::string& environment = "TERM=${TERM:-screen}") {
    return environment + " " + QVCHAT_SCREEN_APP + " " + arguments +
           "; echo \"exit status $?\"; exec sleep 600";
}

class ScreenTest : public ::testing::Test {
protected:
    void start(const std::string& arguments = "", int columns = 80, int rows = 24) {
        session = std::make_unique<TmuxSession>(app_command(arguments), columns, rows);
        wait_for_layout(columns, rows);
    }

    // As start(), with every byte the program writes, from its first one, appended to the file
    // `output`.
    void start_recorded(const std::string& output, const std::string& arguments,
                        const std::string& environment) {
        const std::string gate = output + ".gate";
        session = std::make_unique<TmuxSession>("until [ -e " + gate + " ]; do sleep 0.01; done; " +
                                                    app_command(arguments, environment),
                                                80, 24);
        session->record_output(output);
        std::ofstream(gate).put('\n');
        wait_for_layout(80, 24);
    }

    void wait_for_layout(int columns, int rows) {
        ASSERT_TRUE(session->wait_for_screen([&](const Screen& screen) {
            return static_cast<int>(screen.size()) == rows && screen[0] == top_border(columns) &&
                   screen[rows - 3] == top_border(columns) &&
                   screen[rows - 1] == bottom_border(columns);
        })) << joined(session->screen());
    }

    void enter(const std::string& line) const {
        session->type(line);
        session->press("Enter");
    }

    bool wait_for_row(int row, const std::string& text) const {
        return session->wait_for_screen([&](const Screen& screen) {
            return static_cast<int>(screen.size()) > row && screen[row] == text;
        });
    }

    // Row and cursor are waited for together: the row alone may still show the text typed
    // before Enter, with the cursor after it.
    bool wait_for_input_line(const std::string& text, int cursor_column) const {
        return session->wait_for_screen([&](const Screen& screen) {
            return static_cast<int>(screen.size()) > INPUT_ROW &&
                   screen[INPUT_ROW] == boxed(text) &&
                   session->cursor() == std::make_pair(cursor_column, INPUT_ROW);
        });
    }

    // Chat rows 4 to 19 of an 80x24 screen show exactly these texts, from the top.
    bool wait_for_chat(const std::vector<std::string>& texts) const {
        return session->wait_for_screen([&](const Screen& screen) {
            for (std::size_t row = 0; row < 16; ++row) {
                const std::string text = row < texts.size() ? texts[row] : "";
                if (screen.size() < 20 || screen[4 + row] != boxed(text)) {
                    return false;
                }
            }
            return true;
        });
    }

    // Asks the program for its process id, which it shows as the second chat line.
    pid_t program_id() const {
        enter("#pid");
        // The answer's row, not the typed "#pid" still on the input line.
        const auto answered = [](const std::vector<std::string>& rows) {
            return rows.size() > 5 && rows[5].find("pid ") != std::string::npos;
        };
        if (!session->wait_for_screen(answered)) {
            return -1;
        }
        const std::string row = session->screen()[5];
        return std::stoi(row.substr(row.find("pid ") + 4));
    }

    std::unique_ptr<TmuxSession> session;
};

// After the program left curses mode: the texts stand on consecutive rows, each alone on its
// row from the first column (so the terminal is back in its normal line mode).
bool has_lines_in_order(const Screen& screen, const std::vector<std::string>& texts) {
    for (std::size_t row = 0; row + texts.size() <= screen.size(); ++row) {
        bool all = true;
        for (std::size_t index = 0; index < texts.size() && all; ++index) {
            const std::string& shown = screen[row + index];
            all = shown.substr(0, shown.find_last_not_of(' ') + 1) == texts[index];
        }
        if (all) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> numbered(int first, int last) {
    std::vector<std::string> lines;
    for (int number = first; number <= last; ++number) {
        lines.push_back("line " + std::to_string(number));
    }
    return lines;
}

TEST_F(ScreenTest, LayoutTopBarAndClock) {
    start();
    const Screen screen = session->screen();
    EXPECT_EQ(screen[1], boxed(""));
    EXPECT_EQ(screen[2], bottom_border(80));
    EXPECT_EQ(screen[3], top_border(80));
    for (int row = 4; row < 20; ++row) {
        EXPECT_EQ(screen[row], boxed("")) << "row " << row;
    }
    EXPECT_EQ(screen[20], bottom_border(80));
    EXPECT_EQ(screen[22], boxed(""));
    EXPECT_EQ(session->cursor(), std::make_pair(1, INPUT_ROW));

    enter("#channels 1 3 1000001");
    enter("#clock 754");
    EXPECT_TRUE(
        wait_for_row(1, vline() + "1 | 3 | Guild |" + std::string(58, ' ') + "12:34" + vline()))
        << joined(session->screen());
    enter("#clock 65");
    EXPECT_TRUE(wait_for_row(1, boxed("1 | 3 | Guild |" + std::string(58, ' ') + " 1:05")));
    EXPECT_TRUE(wait_for_input_line("", 1)) << joined(session->screen());
}

TEST_F(ScreenTest, PrivateMessageAndItsContinuationArePaintedInMagenta) {
    start();
    const std::string words = "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll";
    enter("#say \\x07[PM from bob: " + words + " mmmm nnnn]");
    enter("#say plain");
    ASSERT_TRUE(wait_for_chat({"[PM from bob: " + words, "mmmm nnnn]", "plain"}))
        << joined(session->screen());
    const Screen coloured = session->screen(true);
    EXPECT_NE(coloured[4].find(magenta() + "[PM from bob: aaaa"), std::string::npos) << coloured[4];
    EXPECT_NE(coloured[5].find(magenta() + "mmmm nnnn]"), std::string::npos) << coloured[5];
    EXPECT_EQ(coloured[6].find(magenta()), std::string::npos) << coloured[6];
}

TEST_F(ScreenTest, ControlBytesAreNeitherPaintedNorCounted) {
    start();
    enter("#say a\\x1b[31mb\\x85c\\x81d\\x80e\\x7ff\\x0eg\\x09h\\x19 gm");
    // The empty line that starts the scroll-back stays until a text needs wrapping.
    ASSERT_TRUE(wait_for_chat({"", "a[31mbcdefgh gm"})) << joined(session->screen());
    const Screen coloured = session->screen(true);
    EXPECT_EQ(coloured[5].find("\x1b[31m"), std::string::npos) << coloured[5];
    EXPECT_NE(coloured[5].find("\x1b[34m gm"), std::string::npos) << coloured[5];
}

TEST_F(ScreenTest, Latin1LettersTakeOneColumnEachInTheirColour) {
    start();
    enter("#say \\x07[PM from Zo\\xEB: h\\xE9llo]");
    enter("#say " + repeat("h\\xE9llo ", 15) + "end");
    enter("#say " + repeat("hello ", 15) + "end");
    // Both long lines are cut after their twelfth word.
    ASSERT_TRUE(wait_for_chat({"[PM from Zoë: héllo]", repeat("héllo ", 11) + "héllo",
                               "héllo héllo héllo end", repeat("hello ", 11) + "hello",
                               "hello hello hello end"}))
        << joined(session->screen());
    EXPECT_NE(session->screen(true)[4].find(magenta() + "[PM from Zoë: héllo]"), std::string::npos)
        << session->screen(true)[4];
}

// SGR parameters that choose a colour (30-38, 40-48, 90-107) in the rows; bold, reverse and
// the terminal's default colours (39, 49) do not count.
bool shows_colour(const Screen& rows) {
    const std::regex sgr("\x1b\\[([0-9;]*)m");
    for (const std::string& row : rows) {
        for (std::sregex_iterator match(row.begin(), row.end(), sgr), end; match != end; ++match) {
            std::istringstream parameters((*match)[1].str());
            for (std::string parameter; std::getline(parameters, parameter, ';');) {
                const int value = parameter.empty() ? 0 : std::stoi(parameter);
                if ((value >= 30 && value <= 48 && value != 39) || (value >= 90 && value <= 107)) {
                    return true;
                }
            }
        }
    }
    return false;
}

TEST_F(ScreenTest, LinesForTheUserStandOutAndAreCountedWhileScrolledBack) {
    start();
    const pid_t program = program_id();
    ASSERT_GT(program, 0);
    const std::string words = repeat("wxyz ", 16);
    enter("#pm 1 \\x07[PM from bob: " + words + "end]");
    enter("#mention ann: hello you");
    enter("#say \\x19#GM from Orla: restart");
    ASSERT_TRUE(
        wait_for_chat({"pid " + std::to_string(program), "[PM from bob: " + words.substr(0, 59),
                       "wxyz wxyz wxyz wxyz end]", "ann: hello you", "#GM from Orla: restart"}))
        << joined(session->screen());
    const Screen coloured = session->screen(true);
    // A private message in bold and reverse, on every row it takes; a mention in bold.
    EXPECT_NE(coloured[5].find("\x1b[1;7m"), std::string::npos) << coloured[5];
    EXPECT_NE(coloured[6].find("\x1b[1;7m"), std::string::npos) << coloured[6];
    EXPECT_NE(coloured[7].find("\x1b[1m"), std::string::npos) << coloured[7];
    EXPECT_EQ(coloured[7].find("\x1b[1;7m"), std::string::npos) << coloured[7];
    EXPECT_NE(coloured[8].find("\x1b[1m\x1b[34m"), std::string::npos) << "GM blue is bold";

    enter("#lines 40");
    ASSERT_TRUE(session->wait_for_text("line 40"));
    // Sending a line shows the newest lines: these come while the view is scrolled back.
    enter("#onsignal #lines 10");
    enter("#onsignal #pm 2 \\x07[PM from bob: again]");
    enter("#onsignal #mention ann: you there?");
    session->press("PPage");
    ASSERT_TRUE(wait_for_row(20, "└─ more below: Page Down " + repeat(hline(), 54) + "┘"))
        << joined(session->screen());
    ASSERT_EQ(kill(program, SIGUSR1), 0);
    EXPECT_TRUE(
        wait_for_row(20, "└─ 13 new lines, 3 for you: Page Down " + repeat(hline(), 41) + "┘"))
        << joined(session->screen());
    session->press("NPage", 3);
    EXPECT_TRUE(wait_for_row(20, bottom_border(80))) << joined(session->screen());
    session->press("PPage");
    EXPECT_TRUE(wait_for_row(20, "└─ more below: Page Down " + repeat(hline(), 54) + "┘"))
        << "the count starts again from nothing";
}

TEST_F(ScreenTest, StatusLineAndActiveChannelNeverCoverTheClock) {
    start();
    enter("#active 7");
    enter("#channels 1 7 1000001");
    enter("#clock 754");
    enter("#status connecting test");
    EXPECT_TRUE(
        wait_for_row(1, boxed("1 | [7] | Guild |" + std::string(44, ' ') + "connecting… 12:34")))
        << joined(session->screen());
    enter("#status connected quorvan-main");
    enter("#away 1");
    EXPECT_TRUE(wait_for_row(
        1, boxed("1 | [7] | Guild |" + std::string(37, ' ') + "quorvan-main, away 12:34")))
        << joined(session->screen());
    enter("#status offline");
    session->resize(20, 12);
    wait_for_layout(20, 12);
    // The clock first, then the status, cut where it must be, then the channels.
    EXPECT_TRUE(wait_for_row(1, boxed("offline, aw… 12:34", 20))) << joined(session->screen());
    enter("#away 0");
    EXPECT_TRUE(wait_for_row(1, boxed("1 |… offline 12:34", 20))) << joined(session->screen());
}

TEST_F(ScreenTest, NoColorPaintsNoColourButKeepsTheHighlights) {
    session = std::make_unique<TmuxSession>(app_command("", "TERM=screen NO_COLOR=1"), 80, 24);
    wait_for_layout(80, 24);
    enter("#pm 1 \\x07[PM from bob: hi]");
    enter("#say \\x14[Ann @ 3]: \\x11grey and \\x19blue");
    ASSERT_TRUE(wait_for_chat({"", "[PM from bob: hi]", "[Ann @ 3]: grey and blue"}))
        << joined(session->screen());
    const Screen coloured = session->screen(true);
    EXPECT_FALSE(shows_colour(coloured)) << joined(coloured);
    EXPECT_NE(coloured[5].find("\x1b[1;7m"), std::string::npos) << coloured[5];
}

std::string file_bytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

TEST_F(ScreenTest, BellRingsOnceForLinesForTheUserAndThePaletteIsNeverChanged) {
    const TempDir folder;
    const std::string output = (folder / "output").string();
    start_recorded(output, "", "TERM=xterm-256color NCURSES_NO_UTF8_ACS=1");
    enter("#say \\x14[Ann @ 3]: elsewhere");
    enter("#pm 3 \\x07[PM from bob: hi]");
    ASSERT_TRUE(session->wait_for_text("elsewhere"));
    ASSERT_TRUE(session->wait_for_screen([&](const Screen&) {
        return file_bytes(output).find('\a') != std::string::npos;
    })) << "no bell after a private message";
    EXPECT_NE(session->screen(true)[5].find("\x1b[90m"), std::string::npos)
        << "another channel's text is in the terminal's own grey";
    enter("#exit");
    ASSERT_TRUE(session->wait_for_text("exit status 0")) << joined(session->screen());
    const std::string bytes = file_bytes(output);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\a'), 1) << "three lines at once ring once";
    EXPECT_EQ(bytes.find("\x1b]4;"), std::string::npos) << "a colour of the palette was changed";
    EXPECT_EQ(bytes.find("\x1b]104"), std::string::npos) << "the palette was reset";
}

TEST_F(ScreenTest, TimeStampsIndentWrappedLinesAndTheWheelScrollsThreeLines) {
    const TempDir folder;
    const std::string output = (folder / "output").string();
    start_recorded(output, "--timestamps --mouse --no-bell", "TERM=screen");
    enter("#pm 1 \\x07" + repeat("wxyz ", 16));
    const std::regex stamped(vline() + "[0-2][0-9]:[0-5][0-9] (wxyz ){13}wxyz +" + vline());
    ASSERT_TRUE(session->wait_for_screen([&](const Screen& screen) {
        return std::regex_match(screen[4], stamped) && screen[5] == boxed("      wxyz wxyz");
    })) << joined(session->screen());

    enter("#lines 40");
    ASSERT_TRUE(session->wait_for_text("line 40"));
    const auto row_ends_with = [](const std::string& row, const std::string& text) {
        return row.find(text + " ") != std::string::npos;
    };
    // Wheel up, as an xterm mouse report (button 4 at column 1, row 1).
    session->type("\x1b[M`!!");
    EXPECT_TRUE(session->wait_for_screen([&](const Screen& screen) {
        return row_ends_with(screen[19], "line 37");
    })) << joined(session->screen());
    session->type("\x1b[Ma!!");
    EXPECT_TRUE(session->wait_for_screen([&](const Screen& screen) {
        return row_ends_with(screen[19], "line 40");
    })) << joined(session->screen());
    EXPECT_TRUE(wait_for_input_line("", 1)) << "the reports never reach the input line";
    EXPECT_EQ(file_bytes(output).find('\a'), std::string::npos) << "the bell was switched off";
}

TEST_F(ScreenTest, LongInputLineScrollsAndBackspaceKeepsTheCursor) {
    start();
    std::string typed;
    for (int index = 0; index < 100; ++index) {
        typed += static_cast<char>(index % 2 == 0 ? 'a' + index / 2 % 26 : '0' + index % 10);
    }
    session->type(typed);
    EXPECT_TRUE(wait_for_input_line(typed.substr(22), 79))
        << joined(session->screen()) << joined(session->screen());
    session->press("BSpace");
    EXPECT_TRUE(wait_for_input_line(typed.substr(21, 78), 79))
        << joined(session->screen()) << joined(session->screen());
}

TEST_F(ScreenTest, CursorKeysAndInsertion) {
    start();
    session->type("abc");
    EXPECT_TRUE(wait_for_input_line("abc", 4)) << joined(session->screen());
    session->press("Left", 2);
    EXPECT_TRUE(wait_for_input_line("abc", 2)) << joined(session->screen());
    session->press("Right", 3);
    EXPECT_TRUE(wait_for_input_line("abc", 4)) << joined(session->screen());
    session->press("Left");
    session->type("x");
    EXPECT_TRUE(wait_for_input_line("abxc", 4)) << joined(session->screen());
    session->press("Home");
    session->press("F1");
    session->press("Left", 5);
    session->press("BSpace");
    EXPECT_TRUE(wait_for_input_line("abxc", 1))
        << joined(session->screen()) << joined(session->screen());
}

TEST_F(ScreenTest, HistoryWalk) {
    start();
    enter("A");
    enter("B");
    session->press("Up");
    EXPECT_TRUE(wait_for_input_line("B", 1)) << joined(session->screen());
    session->press("Up");
    EXPECT_TRUE(wait_for_input_line("A", 1)) << joined(session->screen());
    session->press("Down");
    EXPECT_TRUE(wait_for_input_line("B", 1)) << joined(session->screen());
    session->press("Down");
    EXPECT_TRUE(wait_for_input_line("", 1)) << joined(session->screen());
    session->press("Up");
    EXPECT_TRUE(wait_for_input_line("B", 1)) << joined(session->screen());
}

TEST_F(ScreenTest, LoginPromptMasksThePassword) {
    session = std::make_unique<TmuxSession>(app_command("--login"), 80, 24);
    ASSERT_TRUE(session->wait_for_text("Username: ")) << joined(session->screen());
    // The fields keep the bytes the terminal sent; the chat line below shows each byte of the
    // UTF-8 as the Latin-1 letter it would be.
    enter("b\u00F6b");
    ASSERT_TRUE(session->wait_for_text("Username: b\u00F6b")) << joined(session->screen());
    ASSERT_TRUE(session->wait_for_text("Password: "));
    session->press("BSpace");
    session->type("s\u00E9crex");
    ASSERT_TRUE(session->wait_for_text("Password: ******")) << joined(session->screen());
    session->press("BSpace");
    EXPECT_TRUE(session->wait_for_screen([](const Screen& screen) {
        return screen[1].rfind("Password: ***** ", 0) == 0;
    })) << joined(session->screen());
    session->type("t");
    session->press("Enter");
    wait_for_layout(80, 24);
    EXPECT_TRUE(wait_for_chat({"login name=[b\u00C3\u00B6b] password=[s\u00C3\u00A9cret]", ""}))
        << joined(session->screen());
}

TEST_F(ScreenTest, TypedLoginFieldsKeep128BytesAndLeaveNothingBehind) {
    session = std::make_unique<TmuxSession>(app_command("--login"), 80, 24);
    ASSERT_TRUE(session->wait_for_text("Username: "));
    enter(std::string(200, 'n'));
    ASSERT_TRUE(session->wait_for_text("Password: ")) << joined(session->screen());
    enter(std::string(200, 'p'));
    wait_for_layout(80, 24);
    EXPECT_TRUE(
        wait_for_chat({"login name=[nnnnnn... 128 bytes] password=[pppppp... 128 bytes]", ""}))
        << joined(session->screen());
    EXPECT_TRUE(wait_for_input_line("", 1)) << joined(session->screen());
    session->type("x");
    EXPECT_TRUE(wait_for_input_line("x", 2)) << joined(session->screen());
}

TEST_F(ScreenTest, PastedLoginKeepsEveryPasswordByte) {
    session = std::make_unique<TmuxSession>(app_command("--login"), 80, 24);
    ASSERT_TRUE(session->wait_for_text("Username: "));
    session->paste(std::string(200, 'n') + "\npa\tss" + std::string(200, 'p') + "\n");
    wait_for_layout(80, 24);
    EXPECT_TRUE(
        wait_for_chat({"login name=[nnnnnn... 128 bytes] password=[pa\\x09ssp... 128 bytes]", ""}))
        << joined(session->screen());
    EXPECT_TRUE(wait_for_input_line("", 1)) << joined(session->screen());
}

TEST_F(ScreenTest, PageUpAndPageDownScrollTheChat) {
    start();
    const pid_t program = program_id();
    ASSERT_GT(program, 0);
    enter("#lines 100");
    ASSERT_TRUE(wait_for_chat(numbered(85, 100))) << joined(session->screen());
    session->press("PPage");
    ASSERT_TRUE(wait_for_chat(numbered(69, 84))) << joined(session->screen());
    EXPECT_NE(session->screen()[20].find("more below"), std::string::npos);

    // A line that arrives meanwhile does not move the view.
    ASSERT_EQ(kill(program, SIGUSR1), 0);
    ASSERT_TRUE(wait_for_row(1, boxed(std::string(73, ' ') + " 0:01")));
    EXPECT_TRUE(wait_for_chat(numbered(69, 84))) << joined(session->screen());

    session->press("PPage", 10);
    std::vector<std::string> oldest = numbered(1, 14);
    oldest.insert(oldest.begin(), {"", "pid " + std::to_string(program)});
    EXPECT_TRUE(wait_for_chat(oldest)) << joined(session->screen());
    session->press("NPage", 10);
    std::vector<std::string> newest = numbered(86, 100);
    newest.emplace_back("signal line 1");
    EXPECT_TRUE(wait_for_chat(newest)) << joined(session->screen());
    EXPECT_EQ(session->screen()[20], bottom_border(80));

    // Sending a line returns to the newest text.
    session->press("PPage");
    ASSERT_TRUE(wait_for_chat(numbered(70, 85)));
    enter("#say sent");
    newest.erase(newest.begin());
    newest.emplace_back("sent");
    EXPECT_TRUE(wait_for_chat(newest)) << joined(session->screen());
}

TEST_F(ScreenTest, ResizeLaysOutAgainAndRewraps) {
    start();
    const std::string text = "[PM from bob: " + repeat("wxyz ", 25) + "end]";
    enter("#say \\x07" + text);
    enter("#channels 7");
    session->type("typed");
    ASSERT_TRUE(wait_for_chat({text.substr(0, 73), text.substr(74)})) << joined(session->screen());

    session->resize(100, 30);
    wait_for_layout(100, 30);
    EXPECT_TRUE(session->wait_for_screen([&](const Screen& screen) {
        return screen[1].rfind(vline() + "7 | ", 0) == 0 &&
               screen[4] == boxed(text.substr(0, 93), 100) &&
               screen[5] == boxed(text.substr(94), 100) && screen[26] == bottom_border(100) &&
               screen[28] == boxed("typed", 100);
    })) << joined(session->screen());
    EXPECT_EQ(session->cursor(), std::make_pair(6, 28));

    session->resize(50, 12);
    wait_for_layout(50, 12);
    EXPECT_TRUE(session->wait_for_screen([&](const Screen& screen) {
        return screen[3] == top_border(50) && screen[8] == bottom_border(50) &&
               screen[10] == boxed("typed", 50) && screen[4].find("wxyz") != std::string::npos;
    })) << joined(session->screen());

    // Too small for the layout, then back: nothing is lost and keys still work.
    session->resize(3, 4);
    session->type("!");
    session->resize(80, 24);
    wait_for_layout(80, 24);
    EXPECT_TRUE(wait_for_chat({text.substr(0, 73), text.substr(74)})) << joined(session->screen());
    EXPECT_TRUE(wait_for_input_line("typed!", 7))
        << joined(session->screen()) << joined(session->screen());
}

// A view scrolled back keeps its lowest row through a resize that re-wraps what lies below it
// (two texts of two rows at 80 columns, three at 50), and keeps its count of new lines.
TEST_F(ScreenTest, ResizeKeepsAScrolledBackViewInPlace) {
    start();
    const pid_t program = program_id();
    ASSERT_GT(program, 0);
    enter("#lines 60");
    enter("#say " + repeat("wxyz ", 26) + "end");
    enter("#say " + repeat("wxyz ", 26) + "end");
    enter("#onsignal #lines 2");
    session->press("PPage");
    ASSERT_TRUE(wait_for_row(19, boxed("line 48"))) << joined(session->screen());
    ASSERT_EQ(kill(program, SIGUSR1), 0);
    ASSERT_TRUE(session->wait_for_text("2 new lines")) << joined(session->screen());

    session->resize(50, 15);
    wait_for_layout(50, 15);
    EXPECT_TRUE(session->wait_for_screen([](const Screen& screen) {
        return screen[10] == boxed("line 48", 50) &&
               screen[11].find(" 2 new lines: Page Down ") != std::string::npos;
    })) << joined(session->screen());
}

TEST_F(ScreenTest, LinesFromManyThreadsAllArrive) {
    start();
    enter("#burst 4 250");
    enter("#say all in");
    ASSERT_TRUE(session->wait_for_text("all in")) << joined(session->screen());
    const std::regex thread_line(vline() + "t[1-4] line [0-9]+ *" + vline());
    const Screen screen = session->screen();
    for (int row = 4; row < 19; ++row) {
        EXPECT_TRUE(std::regex_match(screen[row], thread_line)) << screen[row];
    }
    // The oldest kept lines, 1000 display lines back, are whole lines from the threads too.
    session->press("PPage", 70);
    EXPECT_TRUE(session->wait_for_screen([&](const Screen& now) {
        return now[20].find("more below") != std::string::npos &&
               std::all_of(now.begin() + 4, now.begin() + 20, [&](const std::string& row) {
                   return std::regex_match(row, thread_line);
               });
    })) << joined(session->screen());
    enter("#ci");
    EXPECT_TRUE(session->wait_for_text("You are on channels"));
}

TEST_F(ScreenTest, ExitLeavesCursesMode) {
    start();
    enter("#exit");
    ASSERT_TRUE(session->wait_for_text("exit status 0")) << joined(session->screen());
    EXPECT_TRUE(has_lines_in_order(session->screen(), {"screen app done", "exit status 0"}))
        << joined(session->screen());
}

TEST_F(ScreenTest, ExitFlagSetByAnotherThreadEndsTheLoopWithoutAKey) {
    start();
    const pid_t program = program_id();
    ASSERT_GT(program, 0);
    ASSERT_EQ(kill(program, SIGUSR2), 0);
    EXPECT_TRUE(session->wait_for_text("exit status 0")) << joined(session->screen());
}

// How often the key loop's thread (the program's main thread) went to sleep so far.
long key_loop_sleeps(pid_t program) {
    std::ifstream status("/proc/" + std::to_string(program) + "/task/" + std::to_string(program) +
                         "/status");
    const std::string field = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(field.size()));
        }
    }
    return -1;
}

TEST_F(ScreenTest, IdleKeyLoopSleepsUntilAKeyComes) {
    start();
    const pid_t program = program_id();
    ASSERT_GT(program, 0);
    const long before = key_loop_sleeps(program);
    ASSERT_GE(before, 0);
    // A window to count wake-ups in, not a wait for something to happen.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_LE(key_loop_sleeps(program) - before, 1);

    session->type("awake");
    EXPECT_TRUE(wait_for_input_line("awake", 6))
        << joined(session->screen()) << joined(session->screen());
}

bool flow_control_is_on(const TmuxSession& terminal) {
    return run_program({"stty", "-F", terminal.pane_tty(), "-a"}).find(" ixon") !=
           std::string::npos;
}

TEST_F(ScreenTest, CtrlZGivesTheShellItsTerminalAndFgPaintsEverythingAgain) {
    // An interactive shell, so that Ctrl-Z stops the program as a job.
    session = std::make_unique<TmuxSession>("exec bash --norc --noprofile -i", 80, 24);
    enter("TERM=screen " + std::string(QVCHAT_SCREEN_APP));
    wait_for_layout(80, 24);
    const pid_t program = program_id();
    ASSERT_GT(program, 0);
    EXPECT_FALSE(flow_control_is_on(*session));

    session->press("C-z");
    ASSERT_TRUE(session->wait_for_text("Stopped")) << joined(session->screen());
    EXPECT_TRUE(flow_control_is_on(*session));
    // Handled once the program goes on.
    kill(program, SIGUSR1);

    enter("fg");
    wait_for_layout(80, 24);
    EXPECT_TRUE(wait_for_chat({"", "pid " + std::to_string(program), "signal line 1"}))
        << joined(session->screen());
    EXPECT_TRUE(wait_for_row(1, boxed(std::string(73, ' ') + " 0:01")))
        << joined(session->screen());
    EXPECT_FALSE(flow_control_is_on(*session));
    session->type("typed");
    EXPECT_TRUE(wait_for_input_line("typed", 6)) << joined(session->screen());
}

TEST_F(ScreenTest, FrontEndThatNeverTookControlShutsDown) {
    session = std::make_unique<TmuxSession>(app_command("--no-session"), 80, 24);
    ASSERT_TRUE(session->wait_for_text("exit status 0")) << joined(session->screen());
    EXPECT_TRUE(has_lines_in_order(session->screen(), {"screen app done", "exit status 0"}))
        << joined(session->screen());
}

TEST_F(ScreenTest, TerminalWithoutColoursIsReportedReadably) {
    const std::array<std::array<const char*, 3>, 3> terminals{{
        {"TERM=vt100", "Terminal requires color support.",
         "Start with --reader for plain lines, or set NO_COLOR=1 to run without colours."},
        {"TERM=dumb", "Terminal requires color support.",
         "Start with --reader for plain lines; NO_COLOR=1 needs cursor motion."},
        {"TERM=dumb NO_COLOR=1",
         "This terminal cannot move the cursor, so the screen cannot be drawn.",
         "Start with --reader for plain lines."},
    }};
    for (const auto& [terminal, reason, ways_out] : terminals) {
        session = std::make_unique<TmuxSession>(app_command("", terminal), 80, 24);
        ASSERT_TRUE(session->wait_for_text("exit status 1")) << joined(session->screen());
        EXPECT_TRUE(has_lines_in_order(session->screen(), {reason, ways_out, "exit status 1"}))
            << terminal << "\n"
            << joined(session->screen());
    }
    // Without colours none is needed.
    session = std::make_unique<TmuxSession>(app_command("", "TERM=vt100 NO_COLOR=1"), 80, 24);
    enter("#exit");
    EXPECT_TRUE(session->wait_for_text("exit status 0")) << joined(session->screen());
}

TEST_F(ScreenTest, TooFewColourPairsAreReportedReadably) {
    const TempDir terminfo;
    {
        std::ofstream source(terminfo / "six-pairs.src");
        source << "qvtest-six-pairs|terminal with six colour pairs,\n"
                  "\tcolors#8, pairs#6, use=xterm,\n";
    }
    run_program({"tic", "-o", terminfo.path().string(), (terminfo / "six-pairs.src").string()});
    session = std::make_unique<TmuxSession>(
        app_command("", "TERMINFO=" + terminfo.path().string() + " TERM=qvtest-six-pairs"), 80, 24);
    ASSERT_TRUE(session->wait_for_text("exit status 1")) << joined(session->screen());
    EXPECT_TRUE(has_lines_in_order(session->screen(),
                                   {"Needs at least 6 color pairs; we have 6", "exit status 1"}))
        << joined(session->screen());
}

}  // namespace
}  // namespace qvtest
