#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>

namespace qvtest {

// Sets or unsets one environment variable for the lifetime of the object and restores the old
// state afterwards. Not for use while other threads read the environment.
// NOLINTBEGIN(concurrency-mt-unsafe): tests change the environment on one thread only
class ScopedEnv {
public:
    // Sets `name` to `value`.
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name)) {
        ::setenv(variable.c_str(), value.c_str(), 1);
    }
    // Unsets `name`.
    explicit ScopedEnv(std::string name) : variable(std::move(name)) {
        if (const char* old = ::getenv(variable.c_str())) {
            saved = old;
        }
        ::unsetenv(variable.c_str());
    }
    ~ScopedEnv() {
        if (saved) {
            ::setenv(variable.c_str(), saved->c_str(), 1);
        } else {
            ::unsetenv(variable.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string variable;
    std::optional<std::string> saved;
};
// NOLINTEND(concurrency-mt-unsafe)

}  // namespace qvtest
