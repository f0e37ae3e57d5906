#include "gui/terminal_output.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace qvchat2gui {

namespace {

// Interrupts a write to the terminal. Its default action is to do nothing, so that one coming
// from elsewhere is harmless.
constexpr int INTERRUPT_SIGNAL = SIGURG;

std::atomic<bool> hung_up{false};

constexpr char CANCEL = 0x18;

void leave_the_system_call(int /*signal*/) {}

bool is_terminal(int descriptor) {
    return descriptor >= 0 && isatty(descriptor) == 1;
}

// Through a descriptor of its own, so that the shell's is not made non-blocking. What does not
// fit now is left out rather than waited for: the terminal then keeps the program's picture.
void write_without_waiting(int terminal, const std::string& text) {
    std::array<char, 256> device{};
    if (ttyname_r(terminal, device.data(), device.size()) != 0) {
        return;
    }
    const int quick = open(device.data(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (quick < 0) {
        return;
    }
    pollfd room{quick, POLLOUT, 0};
    if (poll(&room, 1, 0) == 1 && (room.revents & POLLOUT) != 0) {
        const ssize_t written = write(quick, text.data(), text.size());
        static_cast<void>(written);
    }
    close(quick);
}

}  // namespace

void note_terminal_hangup() {
    hung_up.store(true);
}

bool terminal_hung_up() {
    return hung_up.load();
}

TerminalOutput::TerminalOutput()
    : terminal(fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)),
      nowhere(open("/dev/null", O_RDONLY | O_CLOEXEC)),
      wake_event(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    termios modes{};
    if (is_terminal(terminal) && tcgetattr(terminal, &modes) == 0) {
        shell_modes = modes;
    }
    // Without SA_RESTART: the write returns instead of going on.
    struct sigaction interrupt {};
    interrupt.sa_handler = leave_the_system_call;
    sigemptyset(&interrupt.sa_mask);
    sigaction(INTERRUPT_SIGNAL, &interrupt, &previous_interrupt_action);
}

TerminalOutput::~TerminalOutput() {
    sigaction(INTERRUPT_SIGNAL, &previous_interrupt_action, nullptr);
    for (const int descriptor : {terminal, nowhere, wake_event}) {
        if (descriptor >= 0) {
            close(descriptor);
        }
    }
}

// A descriptor opened for reading only refuses every write with EBADF, which curses does not
// retry. The signal comes after the switch, so that a writer it finds outside the write meets
// the new descriptor when it calls write.
void TerminalOutput::cut_off(pthread_t writer) {
    if (nowhere < 0 || terminal < 0) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(switch_mutex);
        dup2(nowhere, STDOUT_FILENO);
        cut.store(true);
    }
    pthread_kill(writer, INTERRUPT_SIGNAL);
}

bool TerminalOutput::wait_to_reconnect() {
    std::array<pollfd, 2> watched{{{terminal, POLLOUT, 0}, {wake_event, POLLIN, 0}}};
    for (;;) {
        const int ready = poll(watched.data(), watched.size(), -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || watched[1].revents != 0 ||
            (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return false;
        }
        if ((watched[0].revents & POLLOUT) != 0) {
            // An escape sequence cut short would swallow the start of the next picture: CAN
            // ends it.
            const std::string ending = CANCEL + after_cut;
            if (write(terminal, ending.data(), ending.size()) > 0) {
                reconnect();
                return true;
            }
        }
    }
}

void TerminalOutput::wake() {
    if (wake_event >= 0) {
        const std::uint64_t one = 1;
        // Fails only when the counter is full: the wait ends all the same.
        const ssize_t written = write(wake_event, &one, sizeof one);
        static_cast<void>(written);
    }
}

void TerminalOutput::close_after_cut(std::string sequence) {
    after_cut = std::move(sequence);
}

void TerminalOutput::restore_after_cut(const std::string& leave_sequence) {
    if (!terminal_hung_up() && shell_modes) {
        // TCSANOW: no waiting for the output still queued to drain.
        tcsetattr(terminal, TCSANOW, &*shell_modes);
        write_without_waiting(terminal, leave_sequence);
    }
    reconnect();
}

void TerminalOutput::reconnect() {
    const std::lock_guard<std::mutex> lock(switch_mutex);
    if (cut.load()) {
        dup2(terminal, STDOUT_FILENO);
        cut.store(false);
    }
}

void write_to_terminal(std::string_view bytes) {
    const char* rest = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = write(STDOUT_FILENO, rest, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        rest += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace qvchat2gui
