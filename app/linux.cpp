#include "app/linux.h"

#include <malloc.h>

#include <csignal>

namespace qvchat2 {

void pre_init() {
    // A peer that resets the connection must cost a failed write, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    // A log past the user's file size limit must cost a failed write, not the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // Every message gets a thread of its own and the C library would give up to eight memory
    // arenas per core to them, each keeping freed memory: the resident size crept up with
    // the number of messages received. The handlers run one at a time, so two arenas suffice.
    mallopt(M_ARENA_MAX, 2);  // NOLINT(concurrency-mt-unsafe): runs before any other thread
}

}  // namespace qvchat2
