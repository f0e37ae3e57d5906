// Writing in the real qvchat program in tmux against a fake game server: an entry of several
// lines written with Alt-Enter, shown in a box that grows, and sent line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "network/message_types.h"
#include "tests/support/QvchatRun.h"
#include "tests/support/TmuxSession.h"

namespace {

using qvnetworklib::ByteVector;

// The frames of chat and private messages the server received, in order, as "type text".
std::vector<std::string> typed_frames(const qvtest::QvchatRun& run) {
    std::vector<std::string> frames;
    for (const auto& frame : run.server.frames()) {
        if (frame.type == qvnetworklib::OUT_RAW_TEXT || frame.type == qvnetworklib::OUT_PM) {
            frames.push_back((frame.type == qvnetworklib::OUT_PM ? "pm " : "chat ") +
                             std::string(frame.payload.begin(), frame.payload.end()));
        }
    }
    return frames;
}

bool row_is(const std::vector<std::string>& rows, std::size_t index, const std::string& text) {
    return index < rows.size() && rows[index].find(text) != std::string::npos;
}

TEST(WritingProgram, AltEnterWritesSeveralLinesThatEnterSendsInOrder) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();

    terminal.type("hello there");
    terminal.press("M-Enter");
    terminal.type("/Marek psst");
    terminal.press("M-Enter");
    terminal.type("#ci");
    terminal.press("M-Enter");
    terminal.type("last one");
    // The box grows to the four lines, each on its row, the bottom of the screen unchanged.
    ASSERT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        const std::size_t bottom = rows.size() - 1;
        return bottom > 5 && row_is(rows, bottom - 4, "hello there") &&
               row_is(rows, bottom - 3, "/Marek psst") && row_is(rows, bottom - 2, "#ci") &&
               row_is(rows, bottom - 1, "last one");
    })) << run.screen_text();
    EXPECT_EQ(run.server.count_of_type(qvnetworklib::OUT_RAW_TEXT), 0U);

    terminal.press("Enter");
    ASSERT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 2)) << run.screen_text();
    EXPECT_EQ(typed_frames(run),
              (std::vector<std::string>{"chat hello there", "pm Marek psst", "chat last one"}));
    EXPECT_TRUE(terminal.wait_for_text("You are on channels")) << run.screen_text();
    // The box is one row again; Up brings the entry back whole.
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return rows.size() > 3 && row_is(rows, rows.size() - 3, "\u2500") &&
               !row_is(rows, rows.size() - 2, "last one");
    })) << run.screen_text();
    terminal.press("Up");
    EXPECT_TRUE(terminal.wait_for_screen([](const std::vector<std::string>& rows) {
        return row_is(rows, rows.size() - 5, "hello there") &&
               row_is(rows, rows.size() - 2, "last one");
    })) << run.screen_text();
}

// Spelling with the installed en_US dictionary: a misspelt word is underlined as typed, a name
// seen is not, Alt-S puts the suggestions in place; a key bound to a line types it, and the
// binding is kept for the next run.
TEST(WritingProgram, AltSSuggestsAndABoundKeyTypesItsLine) {
    qvtest::QvchatRun run(QVCHAT_BINARY);
    run.write_file("qv.ini",
                   "#username = bob\n#password = secret\n#reconnect = 0\n#spell = en_US\n");
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    qvtest::TmuxSession& terminal = run.terminal();
    ASSERT_TRUE(run.server.send_text(1, "[PM from Xandor: hi]"));
    ASSERT_TRUE(terminal.wait_for_text("Xandor: hi")) << run.screen_text();

    terminal.type("teh Xandor");
    ASSERT_TRUE(terminal.wait_for_text("teh Xandor")) << run.screen_text();
    const std::string styled = qvtest::joined(terminal.screen(true));
    EXPECT_NE(styled.find("\x1b[4mteh\x1b[0m"), std::string::npos) << styled;
    EXPECT_EQ(styled.find("\x1b[4mXandor"), std::string::npos) << styled;
    terminal.press("M-s");
    EXPECT_TRUE(terminal.wait_for_text("Suggestions for \"teh\": the")) << run.screen_text();
    EXPECT_TRUE(terminal.wait_for_text("the Xandor")) << run.screen_text();
    terminal.press("C-u");

    run.enter("#bind F2 #ci");
    EXPECT_TRUE(terminal.wait_for_text("F2 now types: #ci.")) << run.screen_text();
    run.enter("#bind Enter #quit");
    EXPECT_TRUE(terminal.wait_for_text("Enter sends the line and cannot be bound."))
        << run.screen_text();
    terminal.press("F2");
    EXPECT_TRUE(terminal.wait_for_text("You are on channels")) << run.screen_text();
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.data_folder().parent_path() / "keys.txt"),
              "F2 #ci\n");
}

}  // namespace
