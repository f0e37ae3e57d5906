#pragma once

#include <string>

namespace qvnetworklib {

// One entry of the server list: where the game server is and which per-server folder it uses.
struct ServerInfo {
    std::string server;
    std::string port;
    std::string config_dir;
};

}  // namespace qvnetworklib
