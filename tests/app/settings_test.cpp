#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/config.h"
#include "app/display_options.h"
#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class ReadIni : public ::testing::Test {
protected:
    qvchat2::Settings read(const std::string& contents) {
        const auto file = folder / "qv.ini";
        qvtest::write_file(file, contents);
        return qvchat2::read_ini(file.string());
    }

    qvtest::TempDir folder;
};

TEST_F(ReadIni, OnlyLinesStartingWithAHashCarrySettings) {
    EXPECT_THAT(read("#log_chat=3\nlog_chat=1\n #afk_local=1\n\nfree text\n"),
                ElementsAre(Pair("log_chat", "3")));
}

TEST_F(ReadIni, KeyAndValueAreTrimmed) {
    EXPECT_THAT(read("#\t log_chat \t=  3 \t\n"), ElementsAre(Pair("log_chat", "3")));
}

TEST_F(ReadIni, KeysAreCaseSensitive) {
    EXPECT_THAT(read("#Username=A\n#username=b\n"),
                ElementsAre(Pair("Username", "A"), Pair("username", "b")));
}

TEST_F(ReadIni, QuotedValueKeepsInnerSpacesAndDropsSurroundingText) {
    EXPECT_THAT(read("#afk_message = before\"  gone  fishing  \" after\n"),
                ElementsAre(Pair("afk_message", "gone  fishing")));
}

TEST_F(ReadIni, UnclosedQuoteRunsToTheEndOfTheLine) {
    EXPECT_THAT(read("#afk_message=\"back soon \r\n"),
                ElementsAre(Pair("afk_message", "back soon")));
}

TEST_F(ReadIni, ValueRunsFromTheFirstEqualsSign) {
    EXPECT_THAT(read("#password=a=b\n"), ElementsAre(Pair("password", "a=b")));
}

TEST_F(ReadIni, EmptyKeysValuesAndLinesWithoutEqualsAreIgnored) {
    EXPECT_TRUE(read("#username=\n#   =value\n#=x\n#afk_local\n#afk_message=\"\"\n").empty());
}

TEST_F(ReadIni, FirstLineForAKeyWins) {
    EXPECT_THAT(read("#username=a\n#username=b\n"), ElementsAre(Pair("username", "a")));
}

TEST_F(ReadIni, CrLfFileReadsLikeALineFeedFile) {
    EXPECT_THAT(read("#username=alice\r\n#password=\"secret\"\r\n"),
                ElementsAre(Pair("password", "secret"), Pair("username", "alice")));
}

// Some editors start a UTF-8 file with a byte-order mark; only a whole mark at the very start is
// skipped.
TEST_F(ReadIni, ByteOrderMarkBeforeTheFirstLineIsSkipped) {
    EXPECT_THAT(read("\xEF\xBB\xBF#username=alice\n"), ElementsAre(Pair("username", "alice")));
    EXPECT_TRUE(read("\xEF\xBB#username=alice\n").empty());
    EXPECT_TRUE(read("\xEF\xBB\xBF\xEF\xBB\xBF#username=alice\n").empty());
    EXPECT_TRUE(read("\xEF\xBB\xBF").empty());
}

TEST_F(ReadIni, MissingFileGivesNoSettings) {
    EXPECT_TRUE(qvchat2::read_ini((folder / "absent.ini").string()).empty());
}

TEST(GetProperty, TextValueOrFallback) {
    const qvchat2::Settings settings{{"username", "alice"}};
    EXPECT_EQ(get_property(settings, "username", "nobody"), "alice");
    EXPECT_EQ(get_property(settings, "password", "none"), "none");
}

TEST(GetProperty, NumberIgnoresTrailingText) {
    const qvchat2::Settings settings{{"auto_afk_time", "7 minutes"}, {"log_chat", "12abc"}};
    EXPECT_EQ(get_property<unsigned short>(settings, "auto_afk_time", 300), 7);
    EXPECT_EQ(get_property<int>(settings, "log_chat", 1), 12);
}

TEST(GetProperty, FallbackForAbsentOrUnreadableNumbers) {
    const qvchat2::Settings settings{
        {"letters", "abc"}, {"int_too_big", "2147483648"}, {"short_too_big", "65536"},
        {"negative", "-5"}, {"minus_only", "-"},
    };
    EXPECT_EQ(get_property<int>(settings, "absent", 42), 42);
    EXPECT_EQ(get_property<int>(settings, "letters", 42), 42);
    EXPECT_EQ(get_property<unsigned short>(settings, "letters", 42), 42);
    EXPECT_EQ(get_property<int>(settings, "int_too_big", 42), 42);
    EXPECT_EQ(get_property<unsigned short>(settings, "short_too_big", 42), 42);
    EXPECT_EQ(get_property<unsigned short>(settings, "negative", 42), 42);
    EXPECT_EQ(get_property<int>(settings, "minus_only", 42), 42);
}

TEST(GetProperty, NumbersAtTheEdgesOfTheRange) {
    const qvchat2::Settings settings{
        {"int_min", "-2147483648"}, {"int_max", "2147483647"}, {"short_max", "65535"}};
    EXPECT_EQ(get_property<int>(settings, "int_min", 0), -2147483647 - 1);
    EXPECT_EQ(get_property<int>(settings, "int_max", 0), 2147483647);
    EXPECT_EQ(get_property<unsigned short>(settings, "short_max", 0), 65535);
}

TEST(DetermineTruth, OnlyTheTextOneIsTrue) {
    EXPECT_TRUE(determine_truth("1"));
    for (const char* value : {"true", "yes", "on", "0", "", "01", "1 ", "11"}) {
        EXPECT_FALSE(determine_truth(value)) << value;
    }
}

TEST(DisplaySettings, SwitchesAreZeroOrOneAndAnythingElseIsNamedAndTakesTheDefault) {
    const struct {
        qvchat2::Settings settings;
        bool bell;
        bool mouse;
        bool timestamps;
        std::string warning;
    } cases[] = {
        {{}, true, false, false, ""},
        {{{"bell", "0"}, {"mouse", "1"}, {"timestamps", "1"}}, false, true, true, ""},
        {{{"bell", "no"}, {"timestamps", "true"}},
         true,
         false,
         false,
         "Invalid configuration - bell must be 0 or 1, not \"no\"; using 1\n"
         "Invalid configuration - timestamps must be 0 or 1, not \"true\"; using 0\n"},
    };
    for (const auto& line : cases) {
        std::ostringstream warnings;
        const qvchat2gui::DisplaySettings chosen =
            qvchat2::read_display_settings(line.settings, warnings);
        EXPECT_EQ(chosen.bell, line.bell);
        EXPECT_EQ(chosen.mouse, line.mouse);
        EXPECT_EQ(chosen.timestamps, line.timestamps);
        EXPECT_EQ(warnings.str(), line.warning);
    }
}

}  // namespace
