#include "gui/stderr_to_chat.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CapturedStderr.h"
#include "tests/support/RecordingGUI.h"

namespace qvchat2gui {
namespace {

std::string in_server_colour(const std::string& text) {
    return static_cast<char>(SERVER_COLOR) + text;
}

TEST(StderrToChat, LinesGoToTheChatWindowAndTheStreamComesBack) {
    const qvtest::CapturedStderr terminal;
    qvtest::RecordingGUI gui;
    {
        const StderrToChat redirect(gui);
        std::cerr << "Our channel buffer is " << 17 << ", NOT " << 13 << std::endl;
        std::cerr << "two\nlines\n" << '\n' << "unfinished";
        EXPECT_EQ(gui.shown(),
                  (std::vector<std::string>{in_server_colour("Our channel buffer is 17, NOT 13"),
                                            in_server_colour("two"), in_server_colour("lines"),
                                            in_server_colour("")}));
        EXPECT_EQ(terminal.text(), "");
    }
    // The unfinished line is not lost: it goes to the stream as it was before.
    EXPECT_EQ(terminal.text(), "unfinished\n");
    std::cerr << "after";
    EXPECT_EQ(terminal.text(), "unfinished\nafter");
    EXPECT_EQ(gui.shown().size(), 4U);
}

TEST(StderrToChat, WholeLinesFromManyThreadsArriveWhole) {
    qvtest::RecordingGUI gui;
    constexpr int THREADS = 4;
    constexpr int LINES = 200;
    {
        const StderrToChat redirect(gui);
        std::vector<std::thread> writers;
        writers.reserve(THREADS);
        for (int writer = 0; writer < THREADS; ++writer) {
            writers.emplace_back([writer] {
                for (int line = 0; line < LINES; ++line) {
                    std::cerr << ("writer " + std::to_string(writer) + " line " +
                                  std::to_string(line) + "\n");
                }
            });
        }
        for (std::thread& writer : writers) {
            writer.join();
        }
    }
    const std::vector<std::string> shown = gui.shown();
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(THREADS * LINES));
    for (int writer = 0; writer < THREADS; ++writer) {
        int next = 0;
        const std::string prefix = in_server_colour("writer " + std::to_string(writer) + " line ");
        for (const std::string& line : shown) {
            if (line.rfind(prefix, 0) == 0) {
                EXPECT_EQ(line, prefix + std::to_string(next));
                ++next;
            }
        }
        EXPECT_EQ(next, LINES) << "writer " << writer;
    }
}

}  // namespace
}  // namespace qvchat2gui
