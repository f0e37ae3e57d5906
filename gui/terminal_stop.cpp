#include "gui/terminal_stop.h"

#include <pthread.h>

#include <atomic>
#include <csignal>

namespace qvchat2gui {

namespace {

// Set from the signal handler: a lock-free atomic is safe there.
std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void note_stop_request(int /*signal*/) {
    stop_requested.store(true);
}

sigset_t terminal_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGWINCH);
    sigaddset(&signals, SIGTSTP);
    return signals;
}

}  // namespace

void hold_terminal_signals_for_key_loop() {
    const sigset_t signals = terminal_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

sigset_t mask_letting_in_terminal_signals() {
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    sigdelset(&mask, SIGWINCH);
    sigdelset(&mask, SIGTSTP);
    return mask;
}

TerminalStopCatcher::TerminalStopCatcher() {
    if (sigaction(SIGTSTP, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) {
        return;
    }
    struct sigaction catcher {};
    catcher.sa_handler = note_stop_request;
    sigemptyset(&catcher.sa_mask);
    installed = sigaction(SIGTSTP, &catcher, nullptr) == 0;
}

TerminalStopCatcher::~TerminalStopCatcher() {
    if (installed) {
        sigaction(SIGTSTP, &previous, nullptr);
    }
}

bool take_stop_request() {
    return stop_requested.exchange(false);
}

void stop_process_like_ctrl_z() {
    // The default action stops the whole program, as the shell expects of Ctrl-Z; a program
    // whose process group has no shell to continue it goes on at once.
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigemptyset(&default_action.sa_mask);
    struct sigaction catcher {};
    sigaction(SIGTSTP, &default_action, &catcher);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigset_t before;
    pthread_sigmask(SIG_UNBLOCK, &stop, &before);
    raise(SIGTSTP);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    sigaction(SIGTSTP, &catcher, nullptr);
}

}  // namespace qvchat2gui
