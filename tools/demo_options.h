#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "tools/demo_misbehaviour.h"

namespace qvdemo {

// How one run of the demo server behaves; qvdemo fills it from its command line.
struct DemoOptions {
    std::string host = "127.0.0.1";
    unsigned short port = 2001;  // 0 picks a free port
    std::string username = "Wanderer";
    std::string password = "demo";
    std::size_t flood_lines = 0;  // sent as fast as possible right after the login
    std::size_t flood_bytes = 0;  // the text of each flood line; 0: 40 to 200 bytes
    Misbehaviour misbehaviour = Misbehaviour::NONE;
    bool once = false;   // serve one client, then stop
    bool quiet = false;  // no chatter of the bots and no creatures coming and going
    std::chrono::milliseconds game_minute{5000};
    std::chrono::milliseconds ping_interval{15000};  // 0: no pings
    std::chrono::milliseconds ping_timeout{10000};
    std::chrono::milliseconds chatter_interval{4000};  // average pause between ambient events
    std::chrono::milliseconds drip_delay{5};           // for the drip misbehaviour
};

// The outcome of reading a command line.
struct ParsedOptions {
    DemoOptions options;
    bool show_help = false;
    std::string error;  // empty when the command line was good
};

ParsedOptions parse_options(int argc, const char* const argv[]);
std::string options_help();

}  // namespace qvdemo
