#include "app/live_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

// qv.ini and a per-server file "main", read as at start.
class LiveSettingsTest : public ::testing::Test {
protected:
    qvchat2::LiveSettings read(const std::string& server_file, const std::string& qv_ini) {
        qvtest::write_file(folder / "main", server_file);
        qvtest::write_file(folder / "qv.ini", qv_ini);
        qvchat2::SettingOrigins origins;
        std::ostringstream warnings;
        const std::vector<std::string> files{(folder / "main").string(),
                                             (folder / "qv.ini").string()};
        auto values = qvchat2::read_checked_settings(files, warnings, &origins);
        return qvchat2::LiveSettings(std::move(values), std::move(origins), files);
    }
    std::string where(const std::string& name) const { return (folder / name).string(); }

    qvtest::TempDir folder;
};

TEST_F(LiveSettingsTest, ListsEverySettingWithItsValueAndWhereItCameFrom) {
    const std::string long_message = "\"" + std::string(150, 'z') + " end\"";
    qvchat2::LiveSettings settings =
        read("#bell = 0\n#password = hunter2\n",
             "#bell = 1\n#timestamps = 1\n#mouse = x\n#afk_message = " + long_message + "\n");
    const std::vector<std::string> listing = settings.listing();
    EXPECT_EQ(listing.size(), qvchat2::known_settings().size());
    EXPECT_THAT(listing, Contains("bell = 0 (" + where("main") + ")"));
    EXPECT_THAT(listing, Contains("timestamps = 1 (" + where("qv.ini") + ")"));
    EXPECT_THAT(listing, Contains("mouse = 0 (" + where("qv.ini") + ")")) << "the value used";
    EXPECT_THAT(listing, Contains("password = (set) (" + where("main") + ")"));
    EXPECT_THAT(listing, Contains("username = (asked at start) (default)"));
    EXPECT_THAT(listing, Contains("reconnect = 1 (default)"));
    EXPECT_THAT(listing, Contains("afk_message = " + std::string(150, 'z') + " end (" +
                                  where("qv.ini") + ")"))
        << "shown whole";
    settings.set("bell", "1");
    EXPECT_EQ(settings.describe("BELL"), "bell = 1 (#set)");
}

TEST_F(LiveSettingsTest, ChangesWithTheFilesChecksAndTellsOnlyWhatChanged) {
    qvchat2::LiveSettings settings = read("", "#timestamps = 0\n");
    std::vector<std::string> told;
    settings.on_change("timestamps", [&told](const qvchat2::Settings& values) {
        told.push_back(values.at("timestamps"));
    });
    settings.on_change_told("spell", [](const qvchat2::Settings& values) {
        return values.at("spell") == "xx_YY" ? "No dictionary xx_YY." : "";
    });
    const struct {
        std::string key;
        std::string value;
        std::string answer;
    } cases[] = {
        {"timestamps", "1", "timestamps is now 1."},
        {"Timestamps", "1", "timestamps is now 1."},
        {"timestamps", "yes", "timestamps must be 0 or 1, not \"yes\"; it stays 1 (#set)."},
        {"scrollback", "50",
         "scrollback must be a whole number of lines from 100 to 1000000, not \"50\"; it stays "
         "(1000 display rows) (default)."},
        {"auto_afk_time", "\x1B[2J",
         "auto_afk_time must be a whole number of minutes from 0 to 65535, not \"\\x1B[2J\"; it "
         "stays 5 (default)."},
        {"afk_message", "gone fishing", "afk_message is now gone fishing."},
        {"pane", "4", "pane is now 4."},
        {"spell", "xx_YY", "spell is now xx_YY. No dictionary xx_YY."},
        {"spell", "en_US", "spell is now en_US."},
        {"pane", "21",
         "pane must be a whole number of rows from 0 to 20, not \"21\"; it stays 4 (#set)."},
        {"speech_rate", "-100", "speech_rate is now -100."},
        {"speech_rate", "101",
         "speech_rate must be a whole number from -100 to 100, not \"101\"; it stays -100 "
         "(#set)."},
        {"speech_rate", "--5",
         "speech_rate must be a whole number from -100 to 100, not \"--5\"; it stays -100 "
         "(#set)."},
        {"speech", "1", "speech is now 1."},
        {"notify_command", "notify-send", "notify_command is now notify-send."},
        {"notify_command", "", "notify_command is back to its default, (none)."},
        {"username", "bob",
         "username is read only at start; nothing changed. To change it, write #username = VALUE "
         "in " +
             where("main") + " or " + where("qv.ini") + " and start qvchat again."},
        {"reader", "1",
         "reader is read only at start; nothing changed. To change it, write #reader = VALUE in " +
             where("main") + " or " + where("qv.ini") +
             " and start qvchat again, or start qvchat with --reader."},
        {"timestamp", "1", "Unknown setting \"timestamp\"; did you mean timestamps?"},
        {"colour_scheme", "dark", "Unknown setting \"colour_scheme\": #set lists the settings."},
    };
    for (const auto& line : cases) {
        EXPECT_EQ(settings.set(line.key, line.value), line.answer) << line.key << " " << line.value;
    }
    EXPECT_THAT(told, ElementsAre("1")) << "told once, for the one change";
    EXPECT_EQ(settings.values().count("username"), 0U) << "a setting read at start is unchanged";
    EXPECT_EQ(settings.values().at("afk_message"), "gone fishing");
    EXPECT_EQ(settings.values().count("notify_command"), 0U) << "an empty value is no value";
}

}  // namespace
