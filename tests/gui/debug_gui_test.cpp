#include "gui/debug_gui.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/ui_exception.h"

namespace qvchat2gui {
namespace {

TEST(DebugGUI, LinesGoOutWithControlBytesAsHashes) {
    std::istringstream input;
    std::ostringstream output;
    DebugGUI gui(input, output);
    gui.add_chat_line("");
    gui.add_chat_line(std::string(1, static_cast<char>(PM_COLOR)) + "[PM from bob: hi]");
    gui.add_chat_line("caf\xE9 \x7F");
    EXPECT_EQ(output.str(), "\n#[PM from bob: hi]\ncaf# \x7F\n");
}

TEST(DebugGUI, LoginIsReadLineByLine) {
    std::istringstream input("bob the builder\nse cret\nrest\n");
    std::ostringstream output;
    const DebugGUI gui(input, output);
    std::string username;
    std::string password;
    gui.prompt_login(username, password);
    EXPECT_EQ(username, "bob the builder");
    EXPECT_EQ(password, "se cret");
    EXPECT_EQ(output.str(), "Username: Password: ");
}

TEST(DebugGUI, LinesFromManyThreadsStayWhole) {
    std::istringstream input;
    std::ostringstream output;
    DebugGUI gui(input, output);
    const std::string line(200, 'x');
    std::vector<std::thread> writers;
    writers.reserve(4);
    for (int writer = 0; writer < 4; ++writer) {
        writers.emplace_back([&] {
            for (int count = 0; count < 50; ++count) {
                gui.add_chat_line(line);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    std::istringstream written(output.str());
    int lines = 0;
    for (std::string read; std::getline(written, read); ++lines) {
        ASSERT_EQ(read, line);
    }
    EXPECT_EQ(lines, 200);
}

TEST(DebugGUI, KeepsTheBuiltInCommands) {
    std::istringstream input;
    std::ostringstream output;
    DebugGUI gui(input, output);
    gui.process_input(nullptr, "#help");
    gui.set_channel_list({5});
    gui.process_input(nullptr, "#ci");
    EXPECT_EQ(output.str(),
              "Available commands: #ci, #exit, #help, #quit\n"
              "Private message: /name text. ##word sends #word to the game. #help COMMAND tells "
              "more. More: man qvchat.\n"
              "You are on channels \n");
}

TEST(UIFaultException, KeepsItsOwnCopyOfTheText) {
    const UIFaultException fault(std::string("Terminal requires color support.").c_str());
    EXPECT_STREQ(fault.what(), "Terminal requires color support.");
}

}  // namespace
}  // namespace qvchat2gui
