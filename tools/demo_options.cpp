#include "tools/demo_options.h"

#include <boost/program_options.hpp>
#include <sstream>

#include "tools/demo_flood.h"

namespace qvdemo {

namespace po = boost::program_options;

namespace {

std::string mode_list() {
    std::string list;
    for (const auto& name : misbehaviour_names()) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

constexpr long long MAX_PORT = 65535;
constexpr long long MAX_FLOOD = 10'000'000;

// Numbers are read wide and checked here: the parser would wrap "-1" into an unsigned type.
struct RawOptions {
    std::string misbehave = "none";
    long long port = 0;
    long long flood = 0;
    long long flood_bytes = 0;
    long long game_minute_ms = 0;
    long long ping_interval_ms = 0;
    long long ping_timeout_ms = 0;
    long long chatter_ms = 0;
    long long drip_ms = 0;
};

po::options_description describe_options(DemoOptions& options, RawOptions& raw) {
    const DemoOptions defaults;
    po::options_description description("Options");
    description.add_options()("help,h", "show this help and exit")(
        "host", po::value(&options.host)->default_value(defaults.host),
        "address to listen on (loopback by default)")(
        "port", po::value(&raw.port)->default_value(defaults.port),
        "port to listen on; 0 picks a free one. The first line on standard output is "
        "\"listening on HOST:PORT\"")(
        "username", po::value(&options.username)->default_value(defaults.username),
        "the one accepted user name")(
        "password", po::value(&options.password)->default_value(defaults.password),
        "its password; a wrong login gets IN_BAD_LOGIN")(
        "flood", po::value(&raw.flood)->default_value(0),
        "after the login send N numbered text lines as fast as possible")(
        "flood-bytes", po::value(&raw.flood_bytes)->default_value(0),
        "the length of each flood line's text; 0 mixes lengths of 40 to 200 bytes")(
        "misbehave", po::value(&raw.misbehave)->default_value("none"),
        ("break the protocol on purpose: " + mode_list()).c_str())(
        "once", po::bool_switch(&options.once), "serve one client, exit when it leaves")(
        "quiet", po::bool_switch(&options.quiet),
        "no ambient chatter or creatures (clock and pings still run)")(
        "game-minute-ms",
        po::value(&raw.game_minute_ms)->default_value(defaults.game_minute.count()),
        "real milliseconds per game minute; the clock is sent each game minute")(
        "ping-interval-ms",
        po::value(&raw.ping_interval_ms)->default_value(defaults.ping_interval.count()),
        "pause between pings; 0 sends none")(
        "ping-timeout-ms",
        po::value(&raw.ping_timeout_ms)->default_value(defaults.ping_timeout.count()),
        "a client that does not answer a ping within this time is disconnected")(
        "chatter-ms", po::value(&raw.chatter_ms)->default_value(defaults.chatter_interval.count()),
        "average pause between ambient events")(
        "drip-ms", po::value(&raw.drip_ms)->default_value(defaults.drip_delay.count()),
        "pause after each byte with --misbehave drip");
    return description;
}

// A duration option within its bounds, or an error text.
std::string set_duration(std::chrono::milliseconds& target, long long value, const char* name,
                         long long smallest) {
    constexpr long long LARGEST = 24LL * 60 * 60 * 1000;
    if (value < smallest || value > LARGEST) {
        return std::string("--") + name + " must lie between " + std::to_string(smallest) +
               " and " + std::to_string(LARGEST);
    }
    target = std::chrono::milliseconds(value);
    return "";
}

std::string apply(const RawOptions& raw, DemoOptions& options) {
    const auto mode = misbehaviour_from_name(raw.misbehave);
    if (!mode) {
        return "unknown --misbehave mode \"" + raw.misbehave + "\" (one of " + mode_list() + ")";
    }
    options.misbehaviour = *mode;
    if (raw.port < 0 || raw.port > MAX_PORT) {
        return "--port must lie between 0 and " + std::to_string(MAX_PORT);
    }
    options.port = static_cast<unsigned short>(raw.port);
    if (raw.flood < 0 || raw.flood > MAX_FLOOD) {
        return "--flood must lie between 0 and " + std::to_string(MAX_FLOOD);
    }
    options.flood_lines = static_cast<std::size_t>(raw.flood);
    if (raw.flood_bytes < 0 || raw.flood_bytes > static_cast<long long>(FLOOD_MAX_TEXT_BYTES)) {
        return "--flood-bytes must lie between 0 and " + std::to_string(FLOOD_MAX_TEXT_BYTES);
    }
    options.flood_bytes = static_cast<std::size_t>(raw.flood_bytes);
    for (const std::string& error :
         {set_duration(options.game_minute, raw.game_minute_ms, "game-minute-ms", 10),
          set_duration(options.ping_interval, raw.ping_interval_ms, "ping-interval-ms", 0),
          set_duration(options.ping_timeout, raw.ping_timeout_ms, "ping-timeout-ms", 1),
          set_duration(options.chatter_interval, raw.chatter_ms, "chatter-ms", 10),
          set_duration(options.drip_delay, raw.drip_ms, "drip-ms", 1)}) {
        if (!error.empty()) {
            return error;
        }
    }
    return "";
}

}  // namespace

ParsedOptions parse_options(int argc, const char* const argv[]) {
    ParsedOptions parsed;
    RawOptions raw;
    const auto description = describe_options(parsed.options, raw);
    try {
        po::variables_map values;
        po::store(po::command_line_parser(argc, argv).options(description).run(), values);
        po::notify(values);
        parsed.show_help = values.count("help") > 0;
    } catch (const po::error& error) {
        parsed.error = error.what();
        return parsed;
    }
    parsed.error = apply(raw, parsed.options);
    return parsed;
}

std::string options_help() {
    DemoOptions options;
    RawOptions raw;
    std::ostringstream text;
    text << "Usage: qvdemo [options]\n"
            "The demo game server of qvchat: a small town with talking characters, channels, a "
            "game clock and creatures, for trying the client and for testing it.\n\n"
         << describe_options(options, raw);
    return text.str();
}

}  // namespace qvdemo
