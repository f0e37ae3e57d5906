// Preloaded into the program under test: while the file named by QVTEST_REFUSE_THREADS_FILE
// exists, every new thread is refused with EAGAIN, as the system does when it runs out of
// threads. Root is not held by RLIMIT_NPROC, so the limit cannot be used for this.
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

using CreateThread = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

bool threads_refused() {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in the program under test sets the environment
    const char* switch_file = std::getenv("QVTEST_REFUSE_THREADS_FILE");
    return switch_file != nullptr && ::access(switch_file, F_OK) == 0;
}

}  // namespace

// The system's parameter names are reserved identifiers, so these differ from them.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
    static const auto real_create =
        reinterpret_cast<CreateThread>(dlsym(RTLD_NEXT, "pthread_create"));
    if (threads_refused()) {
        return EAGAIN;
    }
    return real_create(thread, attributes, start, argument);
}
