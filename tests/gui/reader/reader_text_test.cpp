#include "gui/reader/reader_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <deque>
#include <optional>
#include <string>

#include "gui/reader/dumb_line.h"
#include "gui/reader/input_line_view.h"

namespace qvchat2gui {
namespace {

TEST(ReaderText, OneRoleWordAndColourAsSgrAndControlBytesNeverReachTheTerminal) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);  // NOLINT(concurrency-mt-unsafe)
    const ReaderTerminal coloured{true};
    const ReaderTerminal plain{false};
    const LineOrigin game = LineOrigin::game;
    const LineOrigin client = LineOrigin::client;
    const struct {
        std::string line;
        LineOrigin origin;
        ReaderTerminal terminal;
        std::string written;
    } cases[] = {
        // The line names the GM itself.
        {"\x19#GM from Orla: hi", game, plain, "#GM from Orla: hi"},
        {"\x19odd GM text", game, plain, "GM: odd GM text"},
        {"\x11Welcome", game, plain, "Server: Welcome"},
        {"\x11Welcome", game, coloured, "Server: \x1b[32mWelcome\x1b[0m"},
        // The client's own lines keep their colour but say whose they are.
        {"\x11Going AFK.", client, coloured, "Client: \x1b[32mGoing AFK.\x1b[0m"},
        {"You are no longer AFK", client, plain, "Client: You are no longer AFK"},
        {"\x07[PM from Zo\xEB: hi]", game, coloured, "\x1b[35m[PM from Zo\xC3\xAB: hi]\x1b[0m"},
        {"Ann: one\r\ntwo\x1b[2J\x9b"
         "5A",
         game, plain, "Ann: one  two[2J5A"},
        {"\x85"
         "coloured \x14grey",
         game, coloured, "coloured \x1b[90mgrey\x1b[0m"},
        {"", game, coloured, ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(reader_line(test.line, test.origin, test.terminal), test.written) << test.line;
    }
}

// Each step of typing writes only what changed: a screen reader reads again whatever is written.
TEST(ReaderText, TheInputLineWritesOnlyWhatChanged) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);  // NOLINT(concurrency-mt-unsafe)
    const auto view = [](const std::string& text, std::size_t cursor, bool scrolled = false) {
        return InputLineView::of(text, cursor, scrolled);
    };
    const auto line_of_entry = [&view](std::size_t line, const std::string& text,
                                       std::size_t cursor) {
        InputLineView shown = view(text, cursor);
        shown.entry_line = line;
        return shown;
    };
    const struct {
        std::optional<InputLineView> shown;
        InputLineView wanted;
        std::string written;
    } cases[] = {
        {std::nullopt, view("hello", 5), "\r> hello\x1b[K"},
        {std::nullopt, view("hello", 2), "\r> hello\x1b[K\x1b[3D"},
        {std::nullopt, view("w\xF6rld", 0), "\r> w\xC3\xB6rld\x1b[K\x1b[5D"},
        {view("he", 2), view("hel", 3), "l"},
        {view("hel", 3), view("he", 2), "\b\x1b[K"},
        {view("hello", 5), view("", 0), "\x1b[5D\x1b[K"},
        {view("hello", 5), view("hello", 1), "\x1b[4D"},
        {view("hello", 1), view("hello", 2), "\x1b[1C"},
        // Typed in the middle: from the cursor on, then back to it.
        {view("hllo", 1), view("hello", 2), "ello\x1b[3D"},
        // A line that scrolls sideways is marked, and written whole when that changes.
        {view("abc", 3), view("bcd", 3, true), "\r< bcd\x1b[K"},
        {view("bcd", 3, true), view("bcde", 4, true), "e"},
        {view("a\x01"
              "b",
              3),
         view("a\x01"
              "bc",
              4),
         "c"},
        {view("same", 2), view("same", 2), ""},
        // Another line of an entry of several: its number first, then the line, whole.
        {view("one", 3), line_of_entry(2, "", 0), "\rline 2> \x1b[K"},
        {line_of_entry(2, "tw", 2), line_of_entry(2, "two", 3), "o"},
        {line_of_entry(2, "two", 3), line_of_entry(1, "one", 3), "\rline 1> one\x1b[K"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(input_line_change(test.shown, test.wanted), test.written) << test.wanted.text;
    }
}

// On a dumb terminal a half-typed line is ended before incoming lines and written again after.
TEST(ReaderText, ADumbRowKeepsTheHalfTypedLineApartFromIncomingLines) {
    DumbRow row;
    EXPECT_EQ(row.around({"Ann: hi"}), "Ann: hi\n");
    EXPECT_EQ(row.echo(std::string("he")), "> he");
    EXPECT_EQ(row.echo(std::string("hel")), "l");
    EXPECT_EQ(row.around({"Bob: one", "Cid: two"}), "\nBob: one\nCid: two\n> hel");
    EXPECT_EQ(row.echo(std::string("h")), "\b \b\b \b");
    EXPECT_EQ(row.echo(std::string("hx")), "x");
    EXPECT_EQ(row.echo(std::nullopt), "\n");
    EXPECT_EQ(row.echo(std::nullopt), "");
    EXPECT_EQ(row.echo(std::string("a")), "> a");
    EXPECT_EQ(row.echo(std::string("")), "\b \b");
    EXPECT_EQ(row.around({"Dee: x"}), "\nDee: x\n");
    EXPECT_EQ(row.close(), "");

    TypedChanges typed;
    typed.note(std::string("h"));
    typed.note(std::string("hi"));
    typed.note(std::nullopt);
    typed.note(std::string("x"));
    EXPECT_EQ(typed.take(), (std::deque<std::optional<std::string>>{"hi", std::nullopt, "x"}));
    EXPECT_TRUE(typed.empty());
    for (std::size_t enter = 0; enter < 2 * TypedChanges::LIMIT; ++enter) {
        typed.note(std::nullopt);
    }
    EXPECT_EQ(typed.take().size(), TypedChanges::LIMIT);
}

}  // namespace
}  // namespace qvchat2gui
