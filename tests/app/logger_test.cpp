#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <locale>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/log.h"
#include "tests/app/text_files.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using qvchat2::CHAT_MESSAGE;
using qvchat2::Logger;
using qvchat2::SERVER_MESSAGE;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// "%c" of the C locale: "Sun Dec  7 08:22:00 2025".
constexpr char STAMP[] = R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] \d\d:\d\d:\d\d \d{4})";

// The texts of the records in `lines`, each checked to be one whole record.
std::vector<std::string> texts_of(const std::vector<std::string>& lines) {
    const std::regex record(std::string("<") + STAMP + "> (.*)");
    std::vector<std::string> texts;
    for (const auto& line : lines) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, record)) << line;
        texts.push_back(match.size() > 1 ? match[1].str() : line);
    }
    return texts;
}

class LoggerTest : public ::testing::Test {
protected:
    fs::path server_folder() const { return documents / "Quorvan" / "main"; }
    fs::path chat_file() const { return server_folder() / "chat_log.txt"; }
    fs::path server_file() const { return server_folder() / "srv_log.txt"; }
    std::vector<std::string> chat_texts() const {
        return texts_of(qvtest::read_file_lines(chat_file()));
    }
    std::vector<std::string> server_texts() const {
        return texts_of(qvtest::read_file_lines(server_file()));
    }

    static void log_both_kinds(qvchat2::LoggingType type) {
        Logger logger(type, "main");
        logger.log(CHAT_MESSAGE, "[Bob]: hi");
        logger.log(SERVER_MESSAGE, "Welcome");
        logger.log(CHAT_MESSAGE, "[Ann]: bye");
    }

    qvtest::TempDir documents;
    qvtest::ScopedEnv documents_variable{"XDG_DOCUMENTS_DIR", documents.path().string()};
};

TEST_F(LoggerTest, NoneCreatesTheChatLogButWritesNothing) {
    log_both_kinds(qvchat2::LOG_NONE);
    ASSERT_TRUE(fs::exists(chat_file()));
    EXPECT_EQ(fs::file_size(chat_file()), 0U);
    EXPECT_FALSE(fs::exists(server_file()));
}

TEST_F(LoggerTest, ChatLogsOnlyChatLines) {
    log_both_kinds(qvchat2::LOG_CHAT);
    EXPECT_THAT(chat_texts(), ElementsAre("[Bob]: hi", "[Ann]: bye"));
    EXPECT_FALSE(fs::exists(server_file()));
}

TEST_F(LoggerTest, CombinedLogsBothKindsInCallOrder) {
    log_both_kinds(qvchat2::LOG_COMBINED);
    EXPECT_THAT(chat_texts(), ElementsAre("[Bob]: hi", "Welcome", "[Ann]: bye"));
    EXPECT_FALSE(fs::exists(server_file()));
}

TEST_F(LoggerTest, SeparateSendsServerMessagesToTheirOwnFile) {
    log_both_kinds(qvchat2::LOG_SEPARATE);
    EXPECT_THAT(chat_texts(), ElementsAre("[Bob]: hi", "[Ann]: bye"));
    EXPECT_THAT(server_texts(), ElementsAre("Welcome"));
}

TEST_F(LoggerTest, RecordsAreVisibleBeforeTheLoggerCloses) {
    Logger logger(qvchat2::LOG_CHAT, "main");
    logger.log(CHAT_MESSAGE, "flushed");
    EXPECT_THAT(chat_texts(), ElementsAre("flushed"));
}

TEST_F(LoggerTest, SecondRunAppendsToTheFirst) {
    Logger(qvchat2::LOG_SEPARATE, "main").log(SERVER_MESSAGE, "first run");
    Logger(qvchat2::LOG_SEPARATE, "main").log(SERVER_MESSAGE, "second run");
    EXPECT_THAT(server_texts(), ElementsAre("first run", "second run"));
}

TEST_F(LoggerTest, NewLogFilesArePrivateAndExistingOnesKeepTheirMode) {
    fs::create_directories(server_folder());
    qvtest::write_file(chat_file(), "");
    const auto shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(chat_file(), shared);
    Logger logger(qvchat2::LOG_SEPARATE, "main");
    EXPECT_EQ(fs::status(chat_file()).permissions(), shared);
    EXPECT_EQ(fs::status(server_file()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(LoggerTest, UnopenableLogDropsRecordsQuietly) {
    // A plain file where the data folder should be makes every log path unusable.
    qvtest::write_file(documents / "Quorvan", "in the way");
    Logger logger(qvchat2::LOG_SEPARATE, "main");
    logger.log(CHAT_MESSAGE, "lost");
    logger.log(SERVER_MESSAGE, "lost too");
    EXPECT_EQ(qvtest::read_file(documents / "Quorvan"), "in the way");
}

// Opening a FIFO for writing waited for a reader: the start hung, deaf to signals. A link to a
// regular file is a log; anything else is named and left out.
TEST_F(LoggerTest, OnlyARegularFileOrALinkToOneIsALogAndTheOthersAreNamed) {
    fs::create_directories(server_folder());
    qvtest::write_file(documents / "kept_elsewhere.txt", "");
    const struct {
        const char* what;
        std::function<void(const fs::path&)> make;
        std::string warning;  // empty: the file is the log
    } cases[] = {
        {"fifo", [](const fs::path& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); },
         "it is not a regular file"},
        {"folder", [](const fs::path& file) { fs::create_directory(file); }, "Is a directory"},
        {"link",
         [this](const fs::path& file) {
             fs::create_symlink(documents / "kept_elsewhere.txt", file);
         },
         ""},
    };
    for (const auto& kind : cases) {
        fs::remove_all(chat_file());
        kind.make(chat_file());
        std::ostringstream warnings;
        Logger(qvchat2::LOG_CHAT, "main", &warnings).log(CHAT_MESSAGE, kind.what);
        if (kind.warning.empty()) {
            EXPECT_EQ(warnings.str(), "") << kind.what;
            EXPECT_THAT(texts_of(qvtest::read_file_lines(documents / "kept_elsewhere.txt")),
                        ElementsAre(kind.what));
        } else {
            EXPECT_EQ(warnings.str().rfind("Cannot log to " + chat_file().string() + ": " +
                                               kind.warning + ". This run is not logged there",
                                           0),
                      0U)
                << kind.what << ": " << warnings.str();
        }
    }
}

TEST_F(LoggerTest, RecordsFromManyThreadsAreAllThereAndWhole) {
    constexpr int THREADS = 8;
    constexpr int LINES = 10000;
    {
        Logger logger(qvchat2::LOG_COMBINED, "main");
        std::vector<std::thread> writers;
        writers.reserve(THREADS);
        for (int t = 0; t < THREADS; ++t) {
            writers.emplace_back([&logger, t] {
                for (int i = 0; i < LINES; ++i) {
                    logger.log(i % 2 == 0 ? CHAT_MESSAGE : SERVER_MESSAGE,
                               "thread " + std::to_string(t) + " line " + std::to_string(i));
                }
            });
        }
        for (auto& writer : writers) {
            writer.join();
        }
    }
    const auto lines = qvtest::read_file_lines(chat_file());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(THREADS * LINES));
    // Checking each line with a regex is slow for 80,000 lines; the shape is checked above.
    const std::string separator = "> ";
    std::set<std::string> texts;
    for (const auto& line : lines) {
        const auto end_of_stamp = line.find(separator);
        ASSERT_TRUE(line.front() == '<' && end_of_stamp != std::string::npos) << line;
        texts.insert(line.substr(end_of_stamp + separator.size()));
    }
    for (int t = 0; t < THREADS; ++t) {
        for (int i = 0; i < LINES; ++i) {
            ASSERT_EQ(texts.count("thread " + std::to_string(t) + " line " + std::to_string(i)),
                      1U);
        }
    }
}

TEST_F(LoggerTest, RecordOfCleanTextHoldsNoControlByte) {
    Logger(qvchat2::LOG_CHAT, "main").log(CHAT_MESSAGE, "[Bob @ 3]: plain \xe9 text");
    const std::string contents = qvtest::read_file(chat_file());
    ASSERT_FALSE(contents.empty());
    EXPECT_EQ(contents.back(), '\n');
    const std::string record = contents.substr(0, contents.size() - 1);
    EXPECT_TRUE(std::none_of(record.begin(), record.end(), [](char byte) {
        return byte >= 0 && byte < ' ';
    })) << record;
}

TEST(LoggingTypeSetting, ValuesZeroToThreeNameTheTypes) {
    std::ostringstream warnings;
    for (int value = 0; value <= 3; ++value) {
        const qvchat2::Settings settings{{"log_chat", std::to_string(value)}};
        EXPECT_EQ(qvchat2::logging_type_from_settings(settings, warnings), value);
    }
    EXPECT_EQ(qvchat2::logging_type_from_settings({}, warnings), qvchat2::LOG_CHAT);
    EXPECT_THAT(warnings.str(), IsEmpty());
}

TEST(LoggingTypeSetting, UnknownNumberWarnsAndLogsChat) {
    std::ostringstream warnings;
    EXPECT_EQ(qvchat2::logging_type_from_settings({{"log_chat", "7"}}, warnings),
              qvchat2::LOG_CHAT);
    EXPECT_EQ(warnings.str(),
              "Invalid configuration - could not recognize 7 as a LoggingMode value\n");
}

TEST(LoggingTypeSetting, UnreadableValueQuietlyLogsChat) {
    std::ostringstream warnings;
    EXPECT_EQ(qvchat2::logging_type_from_settings({{"log_chat", "abc"}}, warnings),
              qvchat2::LOG_CHAT);
    EXPECT_THAT(warnings.str(), IsEmpty());
}

// Formats every time as "not the C locale".
class ForeignTimePut : public std::time_put<char> {
protected:
    iter_type do_put(iter_type out, std::ios_base& /*stream*/, char_type /*fill*/,
                     const std::tm* /*time*/, char /*format*/, char /*modifier*/) const override {
        const std::string text = "not the C locale";
        return std::copy(text.begin(), text.end(), out);
    }
};

TEST(DateString, UsesTheCLocaleWhateverTheGlobalLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new ForeignTimePut));
    const std::string stamp = qvchat2::get_date_string();
    std::locale::global(previous);
    EXPECT_TRUE(std::regex_match(stamp, std::regex(STAMP))) << stamp;
}

}  // namespace
