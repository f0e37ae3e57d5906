#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "network/Packet.h"
#include "tests/support/FakeGameServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TmuxSession.h"

namespace qvtest {

// The real qvchat program in a real terminal (tmux, 80x24) against a FakeGameServer on loopback.
// It runs in a temporary working folder holding servers.lst (entry "test" pointing at the server)
// and qv.ini (login bob/secret, separate chat and server logs), with its data folder, and so its
// logs, under that folder. The pane shows "exit status N" once the program has ended, and the
// file "qvchat.pid" holds its process id.
class QvchatRun {
public:
    explicit QvchatRun(std::string binary);

    QvchatRun(const QvchatRun&) = delete;
    QvchatRun& operator=(const QvchatRun&) = delete;

    void write_file(const std::string& name, const std::string& content) const;
    static std::string read_file(const std::filesystem::path& path);
    const TempDir& work() const { return work_folder; }
    // The data folder of the entry "test", where the logs go.
    std::filesystem::path data_folder() const;
    std::string chat_log() const;
    std::string server_log() const;

    // Runs the program with `arguments`; `environment` (assignments such as "A=1 B=2") is given
    // to the program only.
    void start(const std::string& arguments = "test", const std::string& environment = "");
    // Starts the program (with `environment`, as start() takes it) and lets the server speak
    // first, so that the client logs in. False, with the reason in `failure`, when a step does
    // not happen in time.
    bool start_logged_in(std::string& failure, const std::string& environment = "");
    // The second half of start_logged_in, for a run started by start().
    bool log_in(std::string& failure);

    TmuxSession& terminal() const { return *session; }
    std::string screen_text() const;
    void enter(const std::string& line) const;
    // Types "#exit" and waits for the program's exit status; true when it is `status`.
    bool exit_with_status(int status) const;

    pid_t program_id() const;
    // Threads and open file descriptors of the running program, or -1 once it is gone.
    int thread_count() const;
    int descriptor_count() const;
    // Peak resident memory of the running program in KiB (VmHWM), or -1 once it is gone.
    long peak_resident_kib() const;
    // Resident memory now in KiB (VmRSS), or -1 once it is gone.
    long resident_kib() const;

    // The payloads of the frames of `type` that the server received.
    std::vector<qvnetworklib::ByteVector> received(std::uint8_t type) const;

    FakeGameServer server;

private:
    long status_kib(const std::string& key) const;

    std::string binary;
    TempDir work_folder;
    std::unique_ptr<TmuxSession> session;
};

}  // namespace qvtest
