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

#include "gui/model/speech_output.h"
#include "gui/reader/reader_gui.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/wait_until.h"

namespace qvchat2gui {
namespace {

constexpr char ALT_UP[] = "\033[1;3A";
constexpr char ALT_HOME[] = "\033[1;3H";
constexpr char CTRL_G[] = "\x07";
constexpr char CTRL_R[] = "\x12";

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
    void record(std::string what) {
        const std::lock_guard<std::mutex> lock(heard_mutex);
        said.push_back(std::move(what));
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
        saved_input = dup(STDIN_FILENO);
        saved_output = dup(STDOUT_FILENO);
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

    void press(const std::string& bytes) const {
        ASSERT_EQ(write(keys[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Waits until speech was asked `count` things in all; the last of them.
    std::string heard_after(std::size_t count) const {
        EXPECT_TRUE(qvtest::wait_until([&] { return speech.heard().size() >= count; }))
            << testing::PrintToString(speech.heard());
        const std::vector<std::string> heard = speech.heard();
        EXPECT_EQ(heard.size(), count) << testing::PrintToString(heard);
        return heard.empty() ? "" : heard.back();
    }

    std::string written() const {
        std::ifstream file(folder / "written", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::size_t count_written(const std::regex& pattern) const {
        const std::string text = written();
        return static_cast<std::size_t>(
            std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), {}));
    }

    qvtest::ScopedEnv term{"TERM", "xterm"};
    qvtest::ScopedEnv no_color{"NO_COLOR", "1"};
    qvtest::TempDir folder;
    std::array<int, 2> keys{-1, -1};
    int saved_input = -1;
    int saved_output = -1;
    RecordingSpeech speech;
    std::optional<ReaderGUI> gui;
    std::thread key_loop;
};

constexpr char REVIEWED_SECOND[] = "review: [0-2][0-9]:[0-5][0-9], Cid: second";

TEST_F(ReaderReview, SpeechSaysTheReviewOnceAndCtrlGStopsIt) {
    press(ALT_UP);
    EXPECT_TRUE(std::regex_match(heard_after(1), std::regex(REVIEWED_SECOND)));
    press(ALT_UP);
    EXPECT_TRUE(std::regex_search(heard_after(2), std::regex(", Ann: first$")));
    press(ALT_UP);
    EXPECT_EQ(heard_after(3), "review: No older line.");
    // Typing leaves the review: the next starts from the newest again.
    press("x" + std::string(ALT_UP));
    EXPECT_TRUE(std::regex_match(heard_after(4), std::regex(REVIEWED_SECOND)));
    press(ALT_HOME);
    EXPECT_TRUE(std::regex_search(heard_after(5), std::regex(", Ann: first$")));
    press(CTRL_G);
    EXPECT_EQ(heard_after(6), "stop");
    // Said, so not written too: the line was written once, when it came.
    EXPECT_EQ(count_written(std::regex("Cid: second")), 1U);
    EXPECT_EQ(count_written(std::regex("older line")), 0U);
}

TEST_F(ReaderReview, WithoutSpeechTheLineIsWrittenOnceAsTheClients) {
    speech.on = false;
    press(ALT_UP);
    EXPECT_TRUE(qvtest::wait_until([&] {
        return count_written(std::regex("Client: [0-2][0-9]:[0-5][0-9], Cid: second\r\n")) == 1;
    }));
    press(std::string(ALT_UP) + ALT_UP);
    EXPECT_TRUE(qvtest::wait_until(
        [&] { return count_written(std::regex("Client: No older line\\.\r\n")) == 1; }));
    EXPECT_EQ(count_written(std::regex("Ann: first")), 2U);
    EXPECT_EQ(speech.heard(), std::vector<std::string>{});
}

// Ctrl-G cancels the history search (Ctrl-R) first; with nothing open it stops speech.
TEST_F(ReaderReview, CtrlGCancelsASearchBeforeItStopsSpeech) {
    press(std::string(CTRL_R) + CTRL_G + ALT_UP);
    heard_after(1);
    press(CTRL_G);
    EXPECT_EQ(heard_after(2), "stop");
}

}  // namespace
}  // namespace qvchat2gui
