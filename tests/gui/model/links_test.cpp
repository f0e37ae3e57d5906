#include "gui/model/links.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qvchat2gui {
namespace {

// The URLs found, as text, joined by " | ".
std::string urls_in(const std::string& text) {
    std::string shown;
    for (const MatchRange& range : find_urls(text)) {
        shown += (shown.empty() ? "" : " | ") + text.substr(range.begin, range.end - range.begin);
    }
    return shown;
}

TEST(Links, UrlsAreFoundWholeAndOnlyWhenPrintableAscii) {
    const std::pair<std::string, const char*> lines[] = {
        {"\x80see http://a.com.", "http://a.com"},
        {"HTTPS://A.ORG/a?b=c;d, and", "HTTPS://A.ORG/a?b=c;d"},
        {"'http://a.com/x'?!", "http://a.com/x"},
        {"(https://w.org/wiki/Foo_(bar))", "https://w.org/wiki/Foo_(bar)"},
        {"[www.x.org] http://a.com/x)].", "www.x.org | http://a.com/x"},
        {"two http://a.com and www.b.org!", "http://a.com | www.b.org"},
        {"http://a.com/?q=www.b.com", "http://a.com/?q=www.b.com"},
        {"http://a.com\x80 www.b.com", "www.b.com"},
        {"\x80http://a.com/\x81red", ""},
        {"http://caf\xE9.fr", ""},
        {"xhttp://a.com \xE9www.a.com 1www.a.com wwww.a.com", ""},
        {"http:// www. https://. http:/a.com ftp://a.com", ""},
        {"no link. www", ""},
        {"http://a.com\nhttp://b.com,\r\nwww.c.com\tend",
         "http://a.com | http://b.com | www.c.com"},
    };
    for (const auto& [line, urls] : lines) {
        EXPECT_EQ(urls_in(line), urls) << line;
    }
}

TEST(Links, TerminalSequencesAreExactAndCarryOnlyPrintableAscii) {
    EXPECT_EQ(link_target("www.a.com"), "http://www.a.com");
    EXPECT_EQ(link_target("WWW.A.COM"), "http://WWW.A.COM");
    EXPECT_EQ(link_target("https://a.com"), "https://a.com");

    EXPECT_EQ(hyperlink_open("http://a.com/x?y=1;z"), "\x1b]8;;http://a.com/x?y=1;z\x1b\\");
    EXPECT_EQ(hyperlink_close(), "\x1b]8;;\x1b\\");
    for (const char* unsafe : {"", "http://a\x1b]", "a b", "caf\xE9", "a\x07"}) {
        EXPECT_EQ(hyperlink_open(unsafe), "") << unsafe;
    }
    EXPECT_EQ(clipboard_sequence("http://a.com"), "\x1b]52;c;aHR0cDovL2EuY29t\x07");
}

TEST(Links, Base64MatchesKnownVectors) {
    const std::pair<std::string, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xFF\xFE\0", 3), "//4A"},
        {"Zo\xEB", "Wm/r"},
    };
    for (const auto& [bytes, encoded] : vectors) {
        EXPECT_EQ(base64_encode(bytes), encoded) << bytes;
    }
}

TEST(Links, RecentUrlsKeepsTheNewestDistinctOnesFirst) {
    RecentUrls recent;
    recent.note_line("a http://1.com b www.2.com");
    EXPECT_EQ(recent.newest(), (std::vector<std::string>{"www.2.com", "http://1.com"}));
    recent.note_line("again: http://1.com");
    recent.note_line("no link here");
    EXPECT_EQ(recent.newest(), (std::vector<std::string>{"http://1.com", "www.2.com"}));
    EXPECT_EQ(recent.newest(1), (std::vector<std::string>{"http://1.com"}));

    for (int line = 0; line < 25; ++line) {
        recent.note_line("http://n.com/" + std::to_string(line));
    }
    const std::vector<std::string> kept = recent.newest(100);
    ASSERT_EQ(kept.size(), RecentUrls::CAPACITY);
    EXPECT_EQ(kept.front(), "http://n.com/24");
    EXPECT_EQ(kept.back(), "http://n.com/5");
}

// Lines noted from several threads at once: nothing is lost or doubled, and each thread's own
// URLs stay in the order it noted them.
TEST(Links, RecentUrlsTakesLinesFromManyThreads) {
    RecentUrls recent;
    constexpr int THREADS = 4;
    constexpr int LINES = 300;
    std::vector<std::thread> writers;
    writers.reserve(THREADS);
    for (int thread = 0; thread < THREADS; ++thread) {
        writers.emplace_back([&recent, thread] {
            for (int line = 0; line < LINES; ++line) {
                recent.note_line("x http://t" + std::to_string(thread) + ".com/" +
                                 std::to_string(line) + " and http://shared.com");
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    const std::vector<std::string> kept = recent.newest();
    ASSERT_EQ(kept.size(), RecentUrls::CAPACITY);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), "http://shared.com"), 1);
    std::vector<int> last_seen(THREADS, LINES);
    for (const std::string& url : kept) {
        if (url == "http://shared.com") {
            continue;
        }
        const int thread = url[8] - '0';
        const int line = std::stoi(url.substr(url.rfind('/') + 1));
        ASSERT_TRUE(thread >= 0 && thread < THREADS) << url;
        EXPECT_LT(line, last_seen[thread]) << url;
        last_seen[thread] = line;
    }
}

}  // namespace
}  // namespace qvchat2gui
