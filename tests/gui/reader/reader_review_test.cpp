// The reader's review and Ctrl-G against a speech output that records what it is asked: the real
// ReaderGUI, its key loop reading a pipe in place of the terminal and its writer writing a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "gui/reader/reader_gui.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/wait_until.h"

namespace qvchat2gui {
namespace {

constexpr char ALT_UP[] = "\033[1;3A";
constexpr char CTRL_G[] = "\x07";
constexpr char TIME[] = "[0-2][0-9]:[0-5][0-9], ";

class RecordingSpeech : public SpeechOutput {
public:
    bool speaking() const override { return on; }
    void say_line(const std::string& words, SpeechPriority /*priority*/) override {
        record("line: " + words);
    }
    void say_review(const std::string& words) override { record("review: " + words); }
    void stop() override { record("stop"); }
    std::vector<std::string> heard() const {
        const std::lock_guard<std::mutex> lock(heard_mutex);
        return said;
    }

    std::atomic<bool> on{true};

private:
    void record(const std::string& what) {
        const std::lock_guard<std::mutex> lock(heard_mutex);
        said.push_back(what);
    }

    mutable std::mutex heard_mutex;  // guards said
    std::vector<std::string> said;
};

class ReaderReview : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(keys.data()), 0);
        const int written_file = open((folder / "written").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(written_file, 0);
        std::cout.flush();
        dup2(keys[0], STDIN_FILENO);
        dup2(written_file, STDOUT_FILENO);
        close(written_file);
        gui.emplace();
        gui->set_speech(&speech);
        gui->add_chat_line("Ann: first");
        gui->add_chat_line(
            "\x14"
            "Cid: second");
        key_loop = std::thread([this] { gui->take_control(); });
    }

    void TearDown() override {
        if (gui) {
            gui->exit_client();
        }
        if (key_loop.joinable()) {
            key_loop.join();
        }
        gui.reset();
        dup2(saved_input, STDIN_FILENO);
        dup2(saved_output, STDOUT_FILENO);
        for (const int descriptor : {saved_input, saved_output, keys[0], keys[1]}) {
            close(descriptor);
        }
        if (HasFailure()) {
            std::cout << "The reader wrote:\n" << written() << std::endl;
        }
    }

    // Presses the keys, then waits until speech was asked `count` things in all; the last.
    std::string heard_after(const std::string& pressed, std::size_t count) const {
        EXPECT_EQ(write(keys[1], pressed.data(), pressed.size()),
                  static_cast<ssize_t>(pressed.size()));
        EXPECT_TRUE(qvtest::wait_until([&] { return speech.heard().size() >= count; }));
        const std::vector<std::string> heard = speech.heard();
        EXPECT_EQ(heard.size(), count) << testing::PrintToString(heard);
        return heard.empty() ? "" : heard.back();
    }

    std::size_t count_written(const std::string& pattern) const {
        const std::string text = written();
        const std::regex wanted(pattern);
        return static_cast<std::size_t>(
            std::distance(std::sregex_iterator(text.begin(), text.end(), wanted), {}));
    }

    std::string written() const {
        std::ifstream file(folder / "written", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    qvtest::ScopedEnv term{"TERM", "xterm"};
    qvtest::ScopedEnv no_color{"NO_COLOR", "1"};
    qvtest::TempDir folder;
    std::array<int, 2> keys{-1, -1};
    const int saved_input = dup(STDIN_FILENO);
    const int saved_output = dup(STDOUT_FILENO);
    RecordingSpeech speech;
    std::optional<ReaderGUI> gui;
    std::thread key_loop;
};

// Said, never written too; typing leaves the review; Ctrl-G cancels the history search (Ctrl-R)
// first, and with nothing open stops speech.
TEST_F(ReaderReview, SpeechSaysTheReviewOnceAndCtrlGStopsIt) {
    const std::regex second(std::string("review: ") + TIME + "Cid: second");
    EXPECT_TRUE(std::regex_match(heard_after(ALT_UP, 1), second));
    EXPECT_TRUE(std::regex_match(heard_after(ALT_UP, 2), std::regex(".*, Ann: first")));
    EXPECT_EQ(heard_after(ALT_UP, 3), "review: No older line.");
    EXPECT_TRUE(std::regex_match(heard_after(std::string("x") + ALT_UP, 4), second));
    EXPECT_TRUE(std::regex_match(heard_after("\033[1;3H", 5), std::regex(".*, Ann: first")));
    EXPECT_EQ(heard_after(std::string("\x12") + CTRL_G + ALT_UP, 6).rfind("review: ", 0), 0U);
    EXPECT_EQ(heard_after(CTRL_G, 7), "stop");
    EXPECT_EQ(count_written("Cid: second"), 1U);
    EXPECT_EQ(count_written("older line"), 0U);
}

TEST_F(ReaderReview, WithoutSpeechTheLineIsWrittenOnceAsTheClients) {
    speech.on = false;
    EXPECT_EQ(write(keys[1], ALT_UP, 6), 6);
    EXPECT_TRUE(qvtest::wait_until(
        [&] { return count_written(std::string("Client: ") + TIME + "Cid: second\r\n") == 1; }));
    EXPECT_EQ(write(keys[1], "\033[1;3A\033[1;3A", 12), 12);
    EXPECT_TRUE(
        qvtest::wait_until([&] { return count_written("Client: No older line\\.\r\n") == 1; }));
    EXPECT_EQ(count_written("Ann: first"), 2U);
    EXPECT_EQ(speech.heard(), std::vector<std::string>{});
}

}  // namespace
}  // namespace qvchat2gui
