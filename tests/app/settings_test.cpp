#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/config.h"
#include "app/display_options.h"
#include "app/setting_checks.h"
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

TEST(DisplaySettings, SwitchesAreZeroOrOneAndAnythingElseTakesTheDefault) {
    const struct {
        qvchat2::Settings settings;
        bool bell;
        bool mouse;
        bool timestamps;
        std::size_t kept_texts;
    } cases[] = {
        {{}, true, false, false, 0},
        {{{"bell", "0"}, {"mouse", "1"}, {"timestamps", "1"}, {"scrollback", "100"}},
         false,
         true,
         true,
         100},
        {{{"bell", "no"}, {"mouse", "yes"}, {"timestamps", "true"}, {"scrollback", "99"}},
         true,
         false,
         false,
         0},
        {{{"scrollback", "1000000"}}, true, false, false, 1000000},
    };
    for (const auto& line : cases) {
        const qvchat2gui::DisplaySettings chosen = qvchat2::read_display_settings(line.settings);
        EXPECT_EQ(chosen.bell, line.bell);
        EXPECT_EQ(chosen.mouse, line.mouse);
        EXPECT_EQ(chosen.timestamps, line.timestamps);
        EXPECT_EQ(chosen.kept_texts, line.kept_texts);
    }
}

class CheckedSettings : public ReadIni {
protected:
    // Reads the per-server file "main" and then qv.ini; the warnings come back in `warnings`.
    qvchat2::Settings read_both(const std::string& server_file, const std::string& qv_ini,
                                std::string& warnings) {
        qvtest::write_file(folder / "main", server_file);
        qvtest::write_file(folder / "qv.ini", qv_ini);
        std::ostringstream out;
        auto settings = qvchat2::read_checked_settings({where("main"), where("qv.ini")}, out);
        warnings = out.str();
        return settings;
    }
    std::string where(const std::string& name) const { return (folder / name).string(); }
    std::string invalid(const std::string& name, int line, const std::string& problem) const {
        return "Invalid configuration in " + where(name) + " line " + std::to_string(line) + " - " +
               problem + "\n";
    }
    std::string unknown(const std::string& key, int line, const std::string& meant) const {
        return "Unknown setting " + key + " in " + where("qv.ini") + " line " +
               std::to_string(line) + "; did you mean " + meant + "?\n";
    }
};

TEST_F(CheckedSettings, AValueASettingCannotTakeIsNamedWithWhereItIsAndWhatIsUsed) {
    const std::string switch_text = " must be 0 or 1, not ";
    const std::string minutes_text =
        "auto_afk_time must be a whole number of minutes from 0 to "
        "65535, not ";
    const std::string lines_text =
        "scrollback must be a whole number of lines from 100 to 1000000, not ";
    const auto taken = [](const std::string& key, const std::string& value,
                          const std::string& number) {
        return key + " takes only the number at the start of \"" + value + "\"; using " + number;
    };
    const struct {
        std::string server_file;
        std::string qv_ini;
        std::string key;
        std::string value;  // the value used
        std::string warnings;
    } cases[] = {
        {"", "#save_history = 0\n#afk_local = 1\n#auto_afk_time = 007\n", "auto_afk_time", "007",
         ""},
        {"", "#username = bob\n#save_history = yes\n", "save_history", "0",
         invalid("qv.ini", 2, "save_history" + switch_text + "\"yes\"; using 0")},
        {"", "#afk_local = 2\n", "afk_local", "0",
         invalid("qv.ini", 1, "afk_local" + switch_text + "\"2\"; using 0")},
        {"", "#reconnect = off\n", "reconnect", "1",
         invalid("qv.ini", 1, "reconnect" + switch_text + "\"off\"; using 1")},
        {"", "#auto_afk_time = soon\n", "auto_afk_time", "5",
         invalid("qv.ini", 1, minutes_text + "\"soon\"; using 5")},
        // A number followed by other text reads as the number, the rest ignored.
        {"", "#auto_afk_time = 10 min\n", "auto_afk_time", "10",
         invalid("qv.ini", 1, taken("auto_afk_time", "10 min", "10"))},
        {"", "#auto_afk_time = +12x\n", "auto_afk_time", "12",
         invalid("qv.ini", 1, taken("auto_afk_time", "+12x", "12"))},
        {"", "#auto_afk_time = +7\n", "auto_afk_time", "7", ""},
        {"", "#auto_afk_time = 70000 min\n", "auto_afk_time", "5",
         invalid("qv.ini", 1, minutes_text + "\"70000 min\"; using 5")},
        {"", "#scrollback = 5000 lines\n", "scrollback", "5000",
         invalid("qv.ini", 1, taken("scrollback", "5000 lines", "5000"))},
        {"", "#backlog = 30.5\n", "backlog", "30",
         invalid("qv.ini", 1, taken("backlog", "30.5", "30"))},
        {"", "#log_chat = 3 (both)\n", "log_chat", "3",
         invalid("qv.ini", 1, taken("log_chat", "3 (both)", "3"))},
        {"", "#auto_afk_time = 65536\n", "auto_afk_time", "5",
         invalid("qv.ini", 1, minutes_text + "\"65536\"; using 5")},
        {"", "#auto_afk_time = 65535\n", "auto_afk_time", "65535", ""},
        // The per-server file wins, and only the value used is checked.
        {"#x\n#bell = maybe\n", "#bell = 0\n#mouse = 1\n#mouse = 9\n", "bell", "1",
         invalid("main", 2, "bell" + switch_text + "\"maybe\"; using 1")},
        {"#mouse = 0\n", "#mouse = wheel\n", "mouse", "0", ""},
        // A value never reaches the terminal as an escape sequence.
        {"", "#timestamps = \"\x1B[2J\x9B\"\n", "timestamps", "0",
         invalid("qv.ini", 1, "timestamps" + switch_text + "\"\\x1B[2J\\x9B\"; using 0")},
        // A scroll-back size that cannot be used is not used at all.
        {"", "#scrollback = 10000\n", "scrollback", "10000", ""},
        {"", "#scrollback = 99\n", "scrollback", "(none)",
         invalid("qv.ini", 1, lines_text + "\"99\"; using 1000 display rows")},
        {"", "#scrollback = 1000001\n", "scrollback", "(none)",
         invalid("qv.ini", 1, lines_text + "\"1000001\"; using 1000 display rows")},
        {"", "#scrollback = lots\n", "scrollback", "(none)",
         invalid("qv.ini", 1, lines_text + "\"lots\"; using 1000 display rows")},
        {"", "#notify = loud\n", "notify", "auto",
         invalid("qv.ini", 1,
                 "notify must be auto, osc777, osc9, bell or off, not \"loud\"; using auto")},
        {"", "#notify = osc9\n", "notify", "osc9", ""},
        {"", "#spell = de_DE-frami\n", "spell", "de_DE-frami", ""},
        {"", "#spell = 1\n", "spell", "1", ""},
        {"", "#spell = en US\n", "spell", "0",
         invalid("qv.ini", 1,
                 "spell must be 0, 1 (the language of the locale) or a dictionary's name such as "
                 "en_US, not \"en US\"; using 0")},
        {"", "#spell = ../../etc/x\n", "spell", "0",
         invalid("qv.ini", 1,
                 "spell must be 0, 1 (the language of the locale) or a dictionary's name such as "
                 "en_US, not \"../../etc/x\"; using 0")},
        {"", "#spell = " + std::string(33, 'a') + "\n", "spell", "0",
         invalid("qv.ini", 1,
                 "spell must be 0, 1 (the language of the locale) or a dictionary's name such as "
                 "en_US, not \"" +
                     std::string(33, 'a') + "\"; using 0")},
        // log_chat keeps the message its reader gives.
        {"", "#log_chat = abc\n", "log_chat", "abc", ""},
    };
    for (const auto& line : cases) {
        std::string warnings;
        const auto settings = read_both(line.server_file, line.qv_ini, warnings);
        EXPECT_EQ(get_property(settings, line.key.c_str(), "(none)"), line.value) << line.qv_ini;
        EXPECT_EQ(warnings, line.warnings) << line.qv_ini;
    }
}

TEST_F(CheckedSettings, AKeyTwoLettersFromAKnownSettingIsNamedAsALikelyTypo) {
    std::string warnings;
    const auto settings = read_both(
        "", "#timestamp = 1\n#Bell = 0\n#user_name = bob\n#theme = dark\n#bel = 1\n#afk = 1\n",
        warnings);
    EXPECT_EQ(warnings, unknown("timestamp", 1, "timestamps") + unknown("Bell", 2, "bell") +
                            unknown("user_name", 3, "username") + unknown("bel", 5, "bell"));
    // Other programs' keys are kept as they are.
    EXPECT_EQ(get_property(settings, "theme", ""), "dark");
    EXPECT_EQ(get_property(settings, "timestamp", ""), "1");
}

// The value used instead of a bad one is what the reader itself would take without the setting.
TEST_F(CheckedSettings, ABadSwitchEndsAsItsReadersDefault) {
    std::string warnings;
    const auto settings = read_both("", "#bell = ?\n#mouse = ?\n#timestamps = ?\n", warnings);
    const auto chosen = qvchat2::read_display_settings(settings);
    const auto defaults = qvchat2::read_display_settings({});
    EXPECT_EQ(chosen.bell, defaults.bell);
    EXPECT_EQ(chosen.mouse, defaults.mouse);
    EXPECT_EQ(chosen.timestamps, defaults.timestamps);
}

}  // namespace
