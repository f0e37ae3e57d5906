#include "gui/model/repeat_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "gui/model/scroll_back.h"

namespace qvchat2gui {
namespace {

using Clock = RepeatFolder::Clock;
using namespace std::chrono_literals;

constexpr int COLUMNS = 60;
constexpr int ROWS = 6;
constexpr ScrollBack::ViewTag CHANNEL_VIEW = 3;

// The chat as a front-end keeps it with folding on: every line folded or added.
struct FoldingChat {
    ScrollBack lines{COLUMNS, ROWS, 1000};
    RepeatFolder repeats;
    Clock::time_point now = Clock::now();

    std::optional<std::uint64_t> receive(const std::string& line,
                                         Attention attention = Attention::none,
                                         ScrollBack::ViewTag view = ScrollBack::EVERY_VIEW) {
        return repeats.add_or_fold(lines, line, attention, NO_STAMP, view, now);
    }

    std::vector<std::string> shown() const {
        std::vector<std::string> texts;
        for (const ShownLine& line : lines.visible_lines()) {
            texts.push_back(line.text);
        }
        return texts;
    }
};

std::string counted(const std::string& line, int count) {
    return line + " (\xD7" + std::to_string(count) + ")";
}

// What comes between a line and its repeat, and whether the repeat folds.
struct FoldCase {
    const char* name;
    std::string first;
    std::string repeat;
    void (*between)(FoldingChat& chat);
    bool folds;
};

void nothing(FoldingChat& /*chat*/) {}
void other_lines(FoldingChat& chat) {
    for (int line = 0; line < 19; ++line) {
        chat.receive("Bo: line " + std::to_string(line));
    }
}
void twenty_other_lines(FoldingChat& chat) {
    for (int line = 0; line < 20; ++line) {
        chat.receive("Bo: line " + std::to_string(line));
    }
}
void ten_minutes(FoldingChat& chat) {
    chat.now += 10min;
}
void eleven_minutes(FoldingChat& chat) {
    chat.now += 11min;
}
void resize(FoldingChat& chat) {
    chat.lines.resize(20, 3);
}
void view_switch(FoldingChat& chat) {
    chat.lines.show_view(CHANNEL_VIEW);
    chat.lines.show_view(std::nullopt);
}
void scrolled_back(FoldingChat& chat) {
    other_lines(chat);
    chat.lines.page_up();
}

TEST(RepeatFolder, FoldsOnlyWhatRepeatsARecentLine) {
    const std::vector<FoldCase> cases{
        {"the same line", "Ann: selling gold", "Ann: selling gold", nothing, true},
        {"another sender", "Ann: selling gold", "Bo: selling gold", nothing, false},
        {"colour bytes", "\x14[Ann @ 3]: selling gold", "[Ann @ 3]: sel\x81ling gold", nothing,
         true},
        {"another case", "Ann: selling gold", "Ann: Selling gold", nothing, false},
        {"19 lines between", "Ann: selling gold", "Ann: selling gold", other_lines, true},
        {"20 lines between", "Ann: selling gold", "Ann: selling gold", twenty_other_lines, false},
        {"10 minutes after", "Ann: selling gold", "Ann: selling gold", ten_minutes, true},
        {"11 minutes after", "Ann: selling gold", "Ann: selling gold", eleven_minutes, false},
        {"a resize between", "Ann: selling gold", "Ann: selling gold", resize, true},
        {"a view switch between", "Ann: selling gold", "Ann: selling gold", view_switch, true},
        {"scrolled back", "Ann: selling gold", "Ann: selling gold", scrolled_back, true},
    };
    for (const FoldCase& test : cases) {
        SCOPED_TRACE(test.name);
        FoldingChat chat;
        chat.receive(test.first);
        const std::uint64_t first = chat.lines.text_end() - 1;
        test.between(chat);
        const auto repeat = chat.receive(test.repeat);
        EXPECT_EQ(repeat, test.folds ? std::optional(first) : std::nullopt);
        EXPECT_EQ(chat.lines.is_out_of_sight(first), test.folds);
        const std::string newest(chat.lines.text(chat.lines.text_end() - 1));
        EXPECT_EQ(newest, test.folds ? counted(test.repeat, 2) : test.repeat);
    }
}

TEST(RepeatFolder, CountsOnTheNewestLineOfItsViewAndKeepsAttention) {
    constexpr ScrollBack::ViewTag LOCAL_VIEW = 4;
    FoldingChat chat;
    for (int time = 0; time < 5; ++time) {
        chat.receive("[Ann @ 3]: hi Wanderer", Attention::for_user, CHANNEL_VIEW);
        chat.receive("Bo: hello", Attention::none, LOCAL_VIEW);
        chat.now += 1min;
    }
    EXPECT_EQ(chat.shown(), (std::vector<std::string>{counted("[Ann @ 3]: hi Wanderer", 5),
                                                      counted("Bo: hello", 5)}));
    const std::uint64_t for_user = chat.lines.text_end() - 2;
    EXPECT_EQ(chat.lines.for_user_place(for_user), std::make_pair(std::size_t{1}, std::size_t{1}));
    chat.lines.show_view(CHANNEL_VIEW);
    EXPECT_EQ(chat.shown(), std::vector<std::string>{counted("[Ann @ 3]: hi Wanderer", 5)});
}

TEST(RepeatFolder, AScrolledBackViewStaysAndCountsTheRepeatOnce) {
    FoldingChat chat;
    chat.receive("Ann: selling gold");
    for (int line = 0; line < 12; ++line) {
        chat.receive("Bo: line " + std::to_string(line));
    }
    chat.lines.page_up();
    const std::vector<std::string> before = chat.shown();
    chat.receive("Cy: new");
    chat.receive("Cy: new");
    chat.receive("Cy: new");
    EXPECT_EQ(chat.shown(), before);
    EXPECT_EQ(chat.lines.unseen().lines, 1U);
    chat.lines.follow_newest();
    EXPECT_EQ(chat.shown().back(), counted("Cy: new", 3));
}

TEST(RepeatFolder, ALineNoLongerKeptStartsCountingAgain) {
    FoldingChat chat;
    chat.lines.keep_texts(100);
    chat.receive("Ann: selling gold");
    for (int line = 0; line < 150; ++line) {
        chat.lines.add("unfolded " + std::to_string(line));
    }
    EXPECT_FALSE(chat.receive("Ann: selling gold"));
    EXPECT_EQ(chat.shown().back(), "Ann: selling gold");
}

}  // namespace
}  // namespace qvchat2gui
