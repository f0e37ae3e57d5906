#pragma once

#include <cstdio>
#include <cstdlib>

namespace qvfuzz {

// Stops the run as a crash, so that libFuzzer keeps the input, when a rule of the system does
// not hold.
inline void check(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "rule broken: %s\n", rule);
        std::abort();
    }
}

}  // namespace qvfuzz
