#include "app/linux.h"

#include <csignal>

namespace qvchat2 {

void pre_init() {
    // A peer that resets the connection must cost a failed write, not the process.
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace qvchat2
