#pragma once

#include <atomic>

namespace qvchat2 {

// Whether the server refused the login. Set by the refusal's message handler on a dispatch
// thread; start-up reads it once the screen is closed, to tell the user why the run ended.
class LoginRefusal {
public:
    void record() { refused = true; }
    bool happened() const { return refused; }

private:
    std::atomic<bool> refused{false};
};

}  // namespace qvchat2
