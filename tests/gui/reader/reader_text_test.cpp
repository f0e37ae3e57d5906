#include "gui/reader/reader_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace qvchat2gui {
namespace {

TEST(ReaderText, ColourIsSaidInWordsAndControlBytesNeverReachTheTerminal) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);  // NOLINT(concurrency-mt-unsafe)
    const ReaderTerminal coloured{true, true};
    const ReaderTerminal plain{false, true};
    const ReaderTerminal quiet{false, false};
    const struct {
        std::string line;
        Attention attention;
        ReaderTerminal terminal;
        std::string written;
    } cases[] = {
        {"\x19#GM from Orla: hi", Attention::for_user, plain, "GM: #GM from Orla: hi\a"},
        {"\x19#GM from Orla: hi", Attention::for_user, quiet, "GM: #GM from Orla: hi"},
        {"\x11Welcome", Attention::none, plain, "Server: Welcome"},
        {"\x11Welcome", Attention::none, coloured, "Server: \x1b[32mWelcome\x1b[0m"},
        {"\x07[PM from Zo\xEB: hi]", Attention::private_message, coloured,
         "\x1b[35m[PM from Zo\xC3\xAB: hi]\x1b[0m\a"},
        {"Ann: one\r\ntwo\x1b[2J\x9b"
         "5A",
         Attention::none, plain, "Ann: one  two[2J5A"},
        {"\x85"
         "coloured \x14grey",
         Attention::none, coloured, "coloured \x1b[90mgrey\x1b[0m"},
        {"", Attention::none, coloured, ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(reader_line(test.line, test.attention, test.terminal), test.written) << test.line;
    }
}

TEST(ReaderText, TheInputLineIsRewrittenOnItsOwnRowWithTheCursorMovedBackOnly) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);  // NOLINT(concurrency-mt-unsafe)
    EXPECT_EQ(input_line_text("hello", 5), "\r> hello\x1b[K");
    EXPECT_EQ(input_line_text("hello", 2), "\r> hello\x1b[K\x1b[3D");
    EXPECT_EQ(input_line_text("w\xF6rld", 0), "\r> w\xC3\xB6rld\x1b[K\x1b[5D");
    EXPECT_EQ(input_line_text("", 0), "\r> \x1b[K");
}

}  // namespace
}  // namespace qvchat2gui
