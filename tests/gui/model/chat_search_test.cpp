#include "gui/model/chat_search.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gui/curses_api.h"
#include "gui/model/key_codes.h"
#include "tests/support/wait_until.h"

namespace qvchat2gui {
namespace {

constexpr int ROWS = 5;

// Scans for the pattern to the end, as the front-end's scan does on its own thread.
void scan(ChatSearch& search, const ScrollBack& lines) {
    std::optional<ChatScan::Order> order = search.start_scan(lines);
    if (!order) {
        return;
    }
    std::mutex lines_mutex;
    ChatScan scan(
        std::move(*order),
        [&](const std::function<void(const ScrollBack&)>& use) {
            const std::lock_guard<std::mutex> lock(lines_mutex);
            use(lines);
        },
        nullptr);
    ASSERT_TRUE(qvtest::wait_until([&] { return scan.progress().finished; }));
    search.add_older(lines, scan.take_matches(), true);
}

// Searches after every key, as the front-end does: most keys narrow the matches found before.
void type(ChatSearch& search, const ScrollBack& lines, const std::string& text) {
    for (const char byte : text) {
        ASSERT_EQ(search.handle_key(static_cast<unsigned char>(byte)), ChatSearch::Step::edited);
        scan(search, lines);
    }
}

// Searches a real scroll-back the way the front-end does: the prompt says what was found.
TEST(ChatSearch, FindsWhatTheUserTypesAsTheyTypeIt) {
    const std::vector<std::string> chat{
        "\x11Marek: a walk in the park",  // a leading colour byte, as nearly every line has
        "\x11Ysolde: Walking home",
        "\x11Zo\xEB: wa\x85lk with me",  // a colour change inside the word
        "\x11ZO\xCB: shouting",          std::string(1, '\x11') + "Brannock: the gate",
    };
    const struct {
        std::string typed;
        bool regex;
        std::string prompt;
    } cases[] = {
        {"walk", false, "(find) 'walk': 1 of 3"},
        {"Walk", false, "(find) 'Walk': 1 of 1"},      // smart case
        {"zo\xEB", false, "(find) 'zo\xEB': 1 of 2"},  // Latin-1 letters fold too
        {"zzz", false, "(find) 'zzz': no match"},
        {"wa.k", false, "(find) 'wa.k': no match"},
        {"wa.k", true, "(find re) 'wa.k': 1 of 3"},
        {"^Y", true, "(find re) '^Y': 1 of 1"},
        {"walk(", true, "(find re) 'walk(': missing closing parenthesis at 5"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.typed);
        ScrollBack lines(80, ROWS);
        for (const std::string& line : chat) {
            lines.add(line);
        }
        ChatSearch search;
        search.start(lines.view_mark());
        if (test.regex) {
            ASSERT_EQ(search.handle_key(ctrl('x')), ChatSearch::Step::edited);
        }
        type(search, lines, test.typed);
        EXPECT_EQ(search.prompt(), test.prompt);
    }
}

TEST(ChatSearch, WalksOlderAndNewerAndFollowsLinesThatComeAndGo) {
    ScrollBack lines(80, ROWS, 100);
    for (int number = 0; number < 100; ++number) {
        lines.add(number % 10 == 0 ? "walk " + std::to_string(number) : "line");
    }
    ChatSearch search;
    search.start(lines.view_mark());
    type(search, lines, "walk");
    EXPECT_EQ(search.prompt(), "(find) 'walk': 1 of 10");
    EXPECT_EQ(lines.text(*search.current()), "walk 90");
    EXPECT_EQ(search.handle_key(KEY_UP), ChatSearch::Step::older);
    EXPECT_TRUE(search.move(lines, true));
    EXPECT_EQ(lines.text(*search.current()), "walk 80");
    EXPECT_FALSE(search.move(lines, false) && search.move(lines, false));
    EXPECT_EQ(search.prompt(), "(find) 'walk': 1 of 10, no newer match");

    // Lines keep coming: new matches count, those that leave the top no longer do.
    for (int number = 100; number < 125; ++number) {
        lines.add(number % 10 == 0 ? "walk " + std::to_string(number) : "line");
        search.note_added(lines, lines.text_end() - 1);
    }
    EXPECT_EQ(search.prompt(), "(find) 'walk': 4 of 10");
    EXPECT_EQ(lines.text(*search.current()), "walk 90");
    // A box too narrow for it all keeps the count and the pattern's end.
    EXPECT_EQ(search.prompt(22), "(find) 'walk': 4 of 10");
    EXPECT_EQ(search.prompt(21), "(find) '...': 4 of 10");
    EXPECT_EQ(search.cursor_column(21), 12);

    EXPECT_EQ(search.handle_key(KEY_BACKSPACE), ChatSearch::Step::edited);
    EXPECT_EQ(search.handle_key(ctrl('u')), ChatSearch::Step::edited);
    scan(search, lines);
    EXPECT_EQ(search.prompt(), "(find) '': ");
    EXPECT_EQ(search.handle_key(ESCAPE_KEY), ChatSearch::Step::cancelled);
    EXPECT_EQ(search.handle_key(KEY_PPAGE), ChatSearch::Step::passed);
}

// Matches come newest first while the scan runs: the newest stays the current one as older ones
// are counted.
TEST(ChatSearch, OlderMatchesFromTheScanKeepTheCurrentOne) {
    ScrollBack lines(80, ROWS, 100);
    for (int number = 0; number < 100; ++number) {
        lines.add("walk " + std::to_string(number));
    }
    ChatSearch search;
    search.start(lines.view_mark());
    search.handle_key('w');
    ASSERT_TRUE(search.start_scan(lines));
    EXPECT_EQ(search.prompt(), "(find) 'w': searching...");
    search.add_older(lines, {{90, ""}}, false);
    EXPECT_EQ(search.prompt(), "(find) 'w': 1 of 1, searching...");
    search.add_older(lines, {{80, ""}, {70, ""}}, true);
    EXPECT_EQ(search.prompt(), "(find) 'w': 1 of 3");
    EXPECT_EQ(search.current(), 90U);
    EXPECT_TRUE(search.move(lines, true));
    EXPECT_EQ(search.current(), 80U);
}

// A pattern that costs the matcher's limit on every line: the lines stay free for whoever adds
// to them (the receiving path) and the scan stops when let go, long before it would end.
TEST(ChatScan, ACostlyPatternLeavesTheLinesFreeAndStopsWhenLetGo) {
    constexpr std::size_t LINES = 20000;
    ScrollBack lines(80, ROWS, LINES * 2);
    for (std::size_t number = 0; number < LINES; ++number) {
        lines.add("\x11Marek: the road north is quiet and the gate is shut tonight " +
                  std::to_string(number) + "!");
    }
    ChatScan::Order order{TextMatcher("(\\w+\\s?)+$", PatternKind::regex)};
    order.first = lines.first_reachable_text();
    order.end = lines.text_end();
    // A plain mutex polled with try_lock: the sanitizers do not follow timed_mutex's clocklock.
    std::mutex lines_mutex;
    const auto lock_within_a_second = [&lines_mutex] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (!lines_mutex.try_lock()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    };
    std::optional<ChatScan> scan;
    scan.emplace(
        std::move(order),
        [&](const std::function<void(const ScrollBack&)>& use) {
            const std::lock_guard<std::mutex> lock(lines_mutex);
            use(lines);
        },
        nullptr);
    for (int added = 0; added < 50; ++added) {
        ASSERT_TRUE(lock_within_a_second());
        lines.add("\x11Marek: more");
        lines_mutex.unlock();
    }
    EXPECT_FALSE(scan->progress().finished);
    const auto letting_go = std::chrono::steady_clock::now();
    scan.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - letting_go, std::chrono::seconds(2));
}

}  // namespace
}  // namespace qvchat2gui
