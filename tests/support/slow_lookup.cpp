// Preloaded into the program under test: every name lookup from the one numbered
// QVTEST_SLOW_LOOKUP_FROM on (1 when unset) first sleeps QVTEST_LOOKUP_DELAY_MS milliseconds, as
// the system's resolver does when a name server does not answer. It creates the file named by
// QVTEST_SLOW_LOOKUP_STARTED as such a lookup begins, so that a test knows the program is in one.
#include <dlfcn.h>
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using GetAddrInfo = int (*)(const char*, const char*, const addrinfo*, addrinfo**);

long number_from_environment(const char* name, long fallback) {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in the program under test sets the environment
    const char* value = std::getenv(name);
    return value == nullptr ? fallback : std::strtol(value, nullptr, 10);
}

std::atomic<long> lookups_made{0};

}  // namespace

// The system's parameter names are reserved identifiers, so these differ from them.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** results) {
    static const auto real_getaddrinfo =
        reinterpret_cast<GetAddrInfo>(dlsym(RTLD_NEXT, "getaddrinfo"));
    const long lookup = ++lookups_made;
    if (lookup >= number_from_environment("QVTEST_SLOW_LOOKUP_FROM", 1)) {
        // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in the program sets the environment
        if (const char* started = std::getenv("QVTEST_SLOW_LOOKUP_STARTED")) {
            if (FILE* mark = std::fopen(started, "w")) {
                std::fclose(mark);
            }
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(number_from_environment("QVTEST_LOOKUP_DELAY_MS", 0)));
    }
    return real_getaddrinfo(node, service, hints, results);
}
