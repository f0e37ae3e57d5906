#include "tools/demo_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace qvdemo {
namespace {

ParsedOptions parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "qvdemo");
    return parse_options(static_cast<int>(arguments.size()), arguments.data());
}

TEST(DemoOptions, DefaultsServeTheDemoLoginOnLoopback) {
    const auto parsed = parse({});
    ASSERT_EQ(parsed.error, "");
    EXPECT_FALSE(parsed.show_help);
    EXPECT_EQ(parsed.options.host, "127.0.0.1");
    EXPECT_EQ(parsed.options.username, "Wanderer");
    EXPECT_EQ(parsed.options.password, "demo");
    EXPECT_EQ(parsed.options.misbehaviour, Misbehaviour::NONE);
    EXPECT_FALSE(parsed.options.quiet);
    EXPECT_FALSE(parsed.options.once);
}

TEST(DemoOptions, EveryOptionIsRead) {
    const auto parsed = parse({"--port",
                               "0",
                               "--host",
                               "localhost",
                               "--username",
                               "Ann",
                               "--password",
                               "pw",
                               "--flood",
                               "1000",
                               "--flood-bytes",
                               "60000",
                               "--misbehave",
                               "close-mid-payload",
                               "--once",
                               "--quiet",
                               "--game-minute-ms",
                               "50",
                               "--ping-interval-ms",
                               "0",
                               "--ping-timeout-ms",
                               "70",
                               "--chatter-ms",
                               "80",
                               "--drip-ms",
                               "2"});
    ASSERT_EQ(parsed.error, "");
    const auto& options = parsed.options;
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.host, "localhost");
    EXPECT_EQ(options.username, "Ann");
    EXPECT_EQ(options.password, "pw");
    EXPECT_EQ(options.flood_lines, 1000U);
    EXPECT_EQ(options.flood_bytes, 60000U);
    EXPECT_EQ(options.misbehaviour, Misbehaviour::CLOSE_MID_PAYLOAD);
    EXPECT_TRUE(options.once);
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.game_minute.count(), 50);
    EXPECT_EQ(options.ping_interval.count(), 0);
    EXPECT_EQ(options.ping_timeout.count(), 70);
    EXPECT_EQ(options.chatter_interval.count(), 80);
    EXPECT_EQ(options.drip_delay.count(), 2);
}

TEST(DemoOptions, BadValuesAreRefusedWithAMessage) {
    for (const auto& arguments : std::vector<std::vector<const char*>>{{"--port", "-1"},
                                                                       {"--port", "65536"},
                                                                       {"--port", "http"},
                                                                       {"--flood", "-5"},
                                                                       {"--flood-bytes", "65001"},
                                                                       {"--misbehave", "explode"},
                                                                       {"--game-minute-ms", "0"},
                                                                       {"--ping-timeout-ms", "0"},
                                                                       {"--drip-ms", "-3"},
                                                                       {"--no-such-option"},
                                                                       {"--port"}}) {
        const auto parsed = parse(arguments);
        EXPECT_NE(parsed.error, "") << arguments.front();
    }
}

TEST(DemoOptions, HelpNamesEveryOptionAndMode) {
    EXPECT_TRUE(parse({"--help"}).show_help);
    const std::string help = options_help();
    for (const char* option :
         {"--port", "--host", "--username", "--password", "--flood", "--flood-bytes", "--misbehave",
          "--once", "--quiet", "--game-minute-ms", "--ping-interval-ms", "--ping-timeout-ms",
          "--chatter-ms", "--drip-ms"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    for (const auto& mode : misbehaviour_names()) {
        EXPECT_NE(help.find(mode), std::string::npos) << mode;
        EXPECT_TRUE(misbehaviour_from_name(mode).has_value());
    }
}

}  // namespace
}  // namespace qvdemo
