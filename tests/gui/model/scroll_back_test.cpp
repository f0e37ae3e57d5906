#include "gui/model/scroll_back.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/text_wrap.h"

namespace qvchat2gui {
namespace {

constexpr int ROWS = 16;

std::vector<std::string> numbered(int first, int last) {
    std::vector<std::string> lines;
    for (int number = first; number <= last; ++number) {
        lines.push_back("line " + std::to_string(number));
    }
    return lines;
}

std::vector<std::string> visible_texts(const ScrollBack& scroll_back) {
    std::vector<std::string> texts;
    for (const ShownLine& line : scroll_back.visible_lines()) {
        texts.push_back(line.text);
    }
    return texts;
}

void add_numbered(ScrollBack& scroll_back, int first, int last) {
    for (const auto& line : numbered(first, last)) {
        scroll_back.add(line);
    }
}

TEST(ScrollBack, FillsFromTheTopThenShowsTheNewestAtTheBottom) {
    ScrollBack scroll_back(80, ROWS);
    scroll_back.add("");
    EXPECT_EQ(visible_texts(scroll_back), std::vector<std::string>{""});
    add_numbered(scroll_back, 1, 3);
    EXPECT_EQ(visible_texts(scroll_back).size(), 4U);
    add_numbered(scroll_back, 4, 40);
    EXPECT_EQ(visible_texts(scroll_back), numbered(25, 40));
}

TEST(ScrollBack, KeepsAThousandDisplayLines) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 1200);
    ASSERT_EQ(scroll_back.lines().size(), ScrollBack::MAX_LEN);
    EXPECT_EQ(scroll_back.lines().front(), "line 201");
    EXPECT_EQ(visible_texts(scroll_back), numbered(1185, 1200));
}

TEST(ScrollBack, PagesThroughHistoryAndStopsAtBothEnds) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 40);
    scroll_back.page_up();
    EXPECT_TRUE(scroll_back.is_scrolled_back());
    EXPECT_EQ(visible_texts(scroll_back), numbered(9, 24));
    scroll_back.page_up();
    EXPECT_EQ(visible_texts(scroll_back), numbered(1, 16));
    scroll_back.page_down();
    EXPECT_EQ(visible_texts(scroll_back), numbered(17, 32));
    scroll_back.page_down();
    scroll_back.page_down();
    EXPECT_FALSE(scroll_back.is_scrolled_back());
    EXPECT_EQ(visible_texts(scroll_back), numbered(25, 40));
}

TEST(ScrollBack, NewLinesDoNotMoveAScrolledView) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 40);
    scroll_back.page_up();
    add_numbered(scroll_back, 41, 45);
    scroll_back.add(std::string(200, 'w'));
    EXPECT_EQ(visible_texts(scroll_back), numbered(9, 24));
    scroll_back.follow_newest();
    EXPECT_EQ(visible_texts(scroll_back).back(), std::string(46, 'w'));
}

TEST(ScrollBack, ScrolledViewStaysWhileTheOldestLinesAreDropped) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 1000);
    for (int page = 0; page < 100; ++page) {
        scroll_back.page_up();
    }
    EXPECT_EQ(visible_texts(scroll_back), numbered(1, 16));
    add_numbered(scroll_back, 1001, 1010);
    EXPECT_EQ(visible_texts(scroll_back), numbered(11, 26));
}

// With a number of texts to keep, each text stays whole whatever the width, and what came while
// scrolled back is counted as gone once it leaves the top; Home and End reach both ends.
TEST(ScrollBack, KeepsASetNumberOfTextsWholeAndCountsTheUnseenThatLeave) {
    const auto text = [](int number) {
        return number % 3 == 1 ? "long " + std::to_string(number) + " " + std::string(150, 'x')
                               : "line " + std::to_string(number);
    };
    ScrollBack scroll_back(80, ROWS, 100);
    for (int number = 1; number <= 300; ++number) {
        scroll_back.add(text(number));
    }
    EXPECT_EQ(scroll_back.lines().front(), "line 201");
    EXPECT_EQ(scroll_back.lines().size(), 100U + 33U + 33U) << "every third text takes 3 rows";
    scroll_back.resize(200, ROWS);
    EXPECT_EQ(scroll_back.lines().size(), 100U);
    scroll_back.resize(40, ROWS);
    EXPECT_EQ(scroll_back.lines().front(), "line 201") << "no row of a kept text is cut off";

    scroll_back.page_up();
    for (int number = 301; number <= 450; ++number) {
        scroll_back.add(text(number), number == 440 ? Attention::for_user : Attention::none);
    }
    const UnseenCount unseen = scroll_back.unseen();
    EXPECT_EQ(unseen.lines, 150U);
    EXPECT_EQ(unseen.gone, 50U);
    EXPECT_EQ(unseen.for_user, 1U);
    ASSERT_TRUE(scroll_back.is_scrolled_back());
    EXPECT_EQ(visible_texts(scroll_back).front(), "line 351") << "the view stays at the top";

    scroll_back.follow_newest();
    scroll_back.show_oldest();
    EXPECT_EQ(visible_texts(scroll_back).front(), "line 351");
    EXPECT_EQ(visible_texts(scroll_back).size(), static_cast<std::size_t>(ROWS));
    scroll_back.follow_newest();
    EXPECT_FALSE(scroll_back.is_scrolled_back());
    EXPECT_EQ(scroll_back.unseen().gone, 0U);
    EXPECT_EQ(visible_texts(scroll_back).back(), "line 450");
}

// An ignored player's lines are kept out of sight, and uncounted, until they are asked for.
TEST(ScrollBack, IgnoredLinesTakeNoRowUntilShown) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 30);
    scroll_back.page_up();
    scroll_back.add_ignored("ignored one");
    scroll_back.add("line 31");
    EXPECT_EQ(scroll_back.unseen().lines, 1U);
    EXPECT_TRUE(scroll_back.is_out_of_sight(30));
    const std::vector<std::string> before = visible_texts(scroll_back);
    scroll_back.show_ignored(true);
    EXPECT_EQ(visible_texts(scroll_back), before) << "the view keeps its place";
    EXPECT_FALSE(scroll_back.is_out_of_sight(30));
    scroll_back.follow_newest();
    EXPECT_EQ(visible_texts(scroll_back).back(), "line 31");
    EXPECT_EQ(visible_texts(scroll_back)[ROWS - 2], "ignored one");
    scroll_back.show_ignored(false);
    EXPECT_EQ(visible_texts(scroll_back)[ROWS - 2], "line 30");
}

TEST(ScrollBack, DisplayRowsThatLeaveTheTopUnseenAreCountedAsGone) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 1000);
    scroll_back.page_up();
    add_numbered(scroll_back, 1001, 2200);
    EXPECT_EQ(scroll_back.unseen().lines, 1200U);
    EXPECT_EQ(scroll_back.unseen().gone, 200U);
    EXPECT_EQ(visible_texts(scroll_back).front(), "line 1201");
}

// Past its bytes the history lets the oldest texts go, whichever bound it keeps otherwise, and
// counts those that came unseen as gone; the newest text stays even when it alone is larger. A
// 60 KiB text fills a 64 KiB block of its own, and takes 788 rows at 80 columns.
TEST(ScrollBack, KeepsItsBytesBoundedDroppingTheOldestFirst) {
    constexpr std::size_t KIB = 1024;
    const struct {
        const char* what;
        std::size_t kept_texts;
        std::size_t max_bytes;
        std::size_t text_bytes;
        int count;
        std::size_t kept;  // texts in reach, where the bound gives an exact number
    } cases[] = {
        {"60 KiB texts, display rows kept", 0, 1024 * KIB, 60 * KIB, 40, 2},
        {"60 KiB texts, texts kept", 100000, 1024 * KIB, 60 * KIB, 40, 15},
        {"1000-byte texts", 100000, 256 * KIB, 1000, 2000, 0},
        {"texts larger than the bound", 100000, 256 * KIB, 300 * KIB, 3, 1},
        {"blank texts", 100, 128 * KIB, 0, 20000, 100},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const auto text = [&test](int number) {
            return test.text_bytes == 0
                       ? std::string()
                       : std::to_string(number) + std::string(test.text_bytes, 'x');
        };
        ScrollBack scroll_back(80, ROWS, test.kept_texts, test.max_bytes);
        add_numbered(scroll_back, 1, 20);
        scroll_back.page_up();
        for (int number = 1; number <= test.count; ++number) {
            scroll_back.add(text(number));
        }
        const std::uint64_t kept = scroll_back.text_end() - scroll_back.first_reachable_text();
        if (test.kept > 0) {
            EXPECT_EQ(kept, test.kept);
        } else {
            EXPECT_GT(scroll_back.kept_bytes() + 2 * TextStore::BLOCK_SIZE, test.max_bytes)
                << "at most the oldest block more than needed goes";
        }
        EXPECT_TRUE(scroll_back.kept_bytes() <= test.max_bytes || kept == 1);
        EXPECT_EQ(scroll_back.text(scroll_back.text_end() - 1), text(test.count));
        EXPECT_EQ(scroll_back.unseen().lines, static_cast<std::size_t>(test.count));
        EXPECT_EQ(scroll_back.unseen().gone, test.count - kept);
    }
}

TEST(ScrollBack, ResizeRewrapsForTheNewWidth) {
    ScrollBack scroll_back(80, ROWS);
    const std::string long_line(150, 'x');
    scroll_back.add(long_line);
    EXPECT_EQ(scroll_back.lines().size(), 2U);
    scroll_back.resize(40, 4);
    EXPECT_EQ(
        scroll_back.lines(),
        (std::vector<std::string>{std::string(37, 'x'), std::string(37, 'x'), std::string(37, 'x'),
                                  std::string(37, 'x'), std::string(2, 'x')}));
    EXPECT_EQ(visible_texts(scroll_back).size(), 4U);
    scroll_back.resize(200, 10);
    EXPECT_EQ(scroll_back.lines(), std::vector<std::string>{long_line});
}

// A view scrolled back keeps its lowest row at the bottom through a resize, re-wrapped, and keeps
// its count of unseen texts. History at 80 columns, newest first: "line 63" to "line 61" (come
// while scrolled back), two rows of story 60 (the first up to word10), "line 59" to "line 56",
// two rows of story 55, ...
TEST(ScrollBack, ResizeKeepsTheLowestShownRowAtTheBottom) {
    const auto story = [](int number) {
        std::string text = "story " + std::to_string(number) + ":";
        for (int word = 1; word <= 14; ++word) {
            text += " word" + std::to_string(word);
        }
        return text + " the end " + std::to_string(number);
    };
    struct Case {
        std::size_t rows_up;
        int columns;
        int rows;
        std::string lowest_row_holds;
    };
    const Case cases[] = {
        {0, 50, 15, "line 63"},
        {2, 120, 40, "line 59"},
        {2, 50, 15, "line 59"},
        {3, 40, 4, "line 58"},
        {6, 120, 40, "end 55"},
        {6, 50, 15, "end 55"},
        {5, 30, 10, "line 56"},
        // The lowest row was the first of story 60, up to word10: the row that now holds it.
        {1, 160, 20, "word10"},
        {1, 50, 15, "word10"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE("up " + std::to_string(test.rows_up) + ", to " + std::to_string(test.columns) +
                     "x" + std::to_string(test.rows));
        ScrollBack scroll_back(80, ROWS);
        for (int number = 1; number <= 60; ++number) {
            scroll_back.add(number % 5 == 0 ? story(number) : "line " + std::to_string(number));
        }
        scroll_back.scroll_up(test.rows_up);
        add_numbered(scroll_back, 61, 63);
        scroll_back.resize(test.columns, test.rows);
        const std::vector<std::string> shown = visible_texts(scroll_back);
        ASSERT_EQ(shown.size(), static_cast<std::size_t>(test.rows));
        EXPECT_NE(shown.back().find(test.lowest_row_holds), std::string::npos) << shown.back();
        const bool scrolled = test.rows_up > 0;
        EXPECT_EQ(scroll_back.is_scrolled_back(), scrolled);
        EXPECT_EQ(scroll_back.unseen().lines, scrolled ? 3U : 0U);
    }
}

TEST(ScrollBack, CountsWhatArrivesWhileScrolledBackUntilTheViewIsAtTheBottomAgain) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 40);
    scroll_back.add("for you", Attention::for_user);
    EXPECT_EQ(scroll_back.unseen().lines, 0U) << "nothing is unseen while at the bottom";
    scroll_back.scroll_up(3);
    EXPECT_EQ(visible_texts(scroll_back).back(), "line 38");
    add_numbered(scroll_back, 41, 50);
    scroll_back.add(std::string(200, 'p'), Attention::private_message);
    scroll_back.add("named", Attention::for_user);
    EXPECT_EQ(scroll_back.unseen().lines, 12U);
    EXPECT_EQ(scroll_back.unseen().for_user, 2U);
    scroll_back.scroll_down(3);
    EXPECT_TRUE(scroll_back.is_scrolled_back()) << "the twelve texts are still below";
    EXPECT_EQ(scroll_back.unseen().lines, 12U);
    for (int page = 0; page < 3; ++page) {
        scroll_back.page_down();
    }
    EXPECT_FALSE(scroll_back.is_scrolled_back());
    EXPECT_EQ(scroll_back.unseen().lines, 0U);
    EXPECT_EQ(scroll_back.unseen().for_user, 0U);
    const std::vector<ShownLine> shown = scroll_back.visible_lines();
    EXPECT_EQ(shown.back().attention, Attention::for_user);
    EXPECT_EQ(shown[shown.size() - 2].attention, Attention::private_message)
        << "a wrapped line keeps its highlight on every row";
}

TEST(ScrollBack, TimeStampsTakeSixColumnsAndIndentTheRowsThatContinueAText) {
    ScrollBack scroll_back(40, ROWS);  // 37 columns for the text, 31 with a stamp
    const TimeStamp half_past_nine = 9 * 60 + 30;
    scroll_back.add("\x07" + std::string(40, 'x'), Attention::none, half_past_nine);
    scroll_back.add("plain");
    const std::vector<ShownLine> shown = scroll_back.visible_lines();
    ASSERT_EQ(shown.size(), 3U);
    EXPECT_EQ(stamp_text(shown[0].stamp), "09:30 ");
    EXPECT_EQ(shown[0].text, "\x07" + std::string(31, 'x'));
    EXPECT_EQ(stamp_text(shown[1].stamp), "      ");
    EXPECT_EQ(shown[1].text, "\x07" + std::string(9, 'x'));
    EXPECT_EQ(stamp_text(shown[2].stamp), "");
    EXPECT_EQ(stamp_text(23 * 60 + 59), "23:59 ");
    // A found line's stamp goes after the colour byte that starts it.
    const struct {
        std::string text;
        std::string stamped;
    } found[] = {
        {"\x07[PM from Ann: hi]",
         "\x07"
         "09:30 [PM from Ann: hi]"},
        {"\x88"
         "GM",
         "\x88"
         "09:30 GM"},
        {"Ann: hi", "09:30 Ann: hi"},
    };
    for (const auto& line : found) {
        EXPECT_EQ(stamped_text(half_past_nine, line.text), line.stamped);
    }
    EXPECT_EQ(stamped_text(NO_STAMP, "\x07x"), "\x07x");
    scroll_back.resize(8, ROWS);  // 5 columns: no room for a stamp, the text alone is shown
    EXPECT_EQ(scroll_back.visible_lines().front().stamp, NO_STAMP);
    EXPECT_EQ(scroll_back.visible_lines().front().text, "\x07xxxxx");
}

// Settings changed while running re-lay what is kept: stamps hidden and shown again, fewer texts.
TEST(ScrollBack, StampsAndTheTextsKeptChangeWhatIsAlreadyThere) {
    ScrollBack scroll_back(40, ROWS, 200);
    for (int number = 1; number <= 150; ++number) {
        scroll_back.add("line " + std::to_string(number) + " " + std::string(25, 'x'),
                        Attention::none, 600);
    }
    EXPECT_EQ(scroll_back.lines().size(), 300U) << "a stamp leaves 31 columns: two rows each";
    scroll_back.scroll_up(41);
    const std::string shown_at_bottom = visible_texts(scroll_back).back();
    scroll_back.show_stamps(false);
    EXPECT_EQ(scroll_back.lines().size(), 150U);
    EXPECT_EQ(scroll_back.visible_lines().front().stamp, NO_STAMP);
    EXPECT_EQ(visible_texts(scroll_back).back().substr(0, 8), shown_at_bottom.substr(0, 8))
        << "the view keeps its place";
    scroll_back.show_stamps(true);
    EXPECT_EQ(stamp_text(scroll_back.visible_lines().front().stamp), "10:00 ");

    scroll_back.keep_texts(100);
    EXPECT_EQ(scroll_back.lines().front(), "line 51");
    scroll_back.keep_texts(0);
    add_numbered(scroll_back, 1, 1200);
    EXPECT_EQ(scroll_back.lines().size(), ScrollBack::MAX_LEN);
}

// Alt-P and Alt-N walk the lines for the user that can still be reached.
TEST(ScrollBack, LinesForTheUserAreFoundBeforeAndAfterATextWhileReachable) {
    ScrollBack scroll_back(80, ROWS, 100);
    for (int number = 0; number < 150; ++number) {
        scroll_back.add("line " + std::to_string(number),
                        number % 40 == 5 ? Attention::for_user : Attention::none);
    }
    // Texts 5, 45, 85, 125 call for attention; 0 to 49 have left.
    EXPECT_EQ(scroll_back.for_user_before(150), std::optional<std::uint64_t>(125));
    EXPECT_EQ(scroll_back.for_user_before(125), std::optional<std::uint64_t>(85));
    EXPECT_EQ(scroll_back.for_user_before(85), std::nullopt) << "45 has left";
    EXPECT_EQ(scroll_back.for_user_after(0), std::optional<std::uint64_t>(85));
    EXPECT_EQ(scroll_back.for_user_after(125), std::nullopt);
    EXPECT_EQ(scroll_back.for_user_place(125), std::make_pair(std::size_t{2}, std::size_t{2}));
}

TEST(ScrollBack, TheReadMarkerRowComesBeforeTheFirstLineAfterItUntilCleared) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 30);
    scroll_back.set_read_marker();
    scroll_back.add_ignored("hidden", NO_STAMP);
    EXPECT_FALSE(scroll_back.visible_lines().back().read_marker) << "nothing new in sight yet";
    add_numbered(scroll_back, 31, 32);
    std::vector<ShownLine> shown = scroll_back.visible_lines();
    ASSERT_TRUE(shown[ROWS - 3].read_marker);
    EXPECT_TRUE(scroll_back.is_out_of_sight(shown[ROWS - 3].text_number)) << "searches pass it";
    EXPECT_EQ(shown[ROWS - 2].text, "line 31");
    EXPECT_EQ(scroll_back.unseen().lines, 0U);

    add_numbered(scroll_back, 33, 60);
    ASSERT_TRUE(scroll_back.show_read_marker());
    EXPECT_TRUE(scroll_back.visible_lines().front().read_marker);
    EXPECT_EQ(visible_texts(scroll_back)[1], "line 31");
    scroll_back.clear_read_marker();
    EXPECT_FALSE(scroll_back.show_read_marker());
    EXPECT_EQ(scroll_back.lines().size(), 60U);
    scroll_back.set_read_marker();
    scroll_back.set_read_marker();
    scroll_back.add("line 61");
    scroll_back.resize(40, ROWS);
    EXPECT_EQ(scroll_back.lines().size(), 62U) << "one marker row, kept by a re-wrap";
}

// The scroll-back keeps track of its blank lines instead of looking for them on every add; what
// it holds must stay exactly what word_wrap into one list, trimmed to MAX_LEN, gives.
TEST(ScrollBack, HoldsWhatWordWrapIntoOneListGives) {
    const int columns = 40;
    ScrollBack scroll_back(columns, ROWS);
    std::vector<std::string> expected;
    const std::vector<std::string> texts{"",
                                         std::string(1, '\x11'),
                                         "short",
                                         std::string(1, '\x07') + std::string(90, 'y'),
                                         "two words " + std::string(60, 'z'),
                                         std::string(3, '\x14'),
                                         "line\nbreak",
                                         std::string(37, 'w') + "\n\n"};
    for (int round = 0; round < 1500; ++round) {
        const std::string& text =
            texts[static_cast<std::size_t>(round * 7 + round / 5) % texts.size()];
        scroll_back.add(text);
        word_wrap(text, expected, wrap_width(columns));
        if (expected.size() > ScrollBack::MAX_LEN) {
            expected.erase(expected.begin(),
                           expected.end() - static_cast<std::ptrdiff_t>(ScrollBack::MAX_LEN));
        }
        ASSERT_EQ(scroll_back.lines(), expected) << "after text " << round;
    }
}

}  // namespace
}  // namespace qvchat2gui
