#include "tests/support/QvchatRun.h"

#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "network/message_types.h"
#include "tests/support/wait_until.h"

namespace qvtest {

namespace {

constexpr int TERMINAL_COLUMNS = 80;
constexpr int TERMINAL_ROWS = 24;

// Entries of a /proc folder, or -1 when it is gone.
int count_entries(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        return -1;
    }
    int count = 0;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) {
            return -1;
        }
        ++count;
    }
    return count;
}

}  // namespace

QvchatRun::QvchatRun(std::string binary) : binary(std::move(binary)) {
    write_file("servers.lst", "test test 127.0.0.1 " + server.port() + "\n");
    write_file("qv.ini", "#username = bob\n#password = secret\n#log_chat = 3\n#reconnect = 0\n");
}

void QvchatRun::write_file(const std::string& name, const std::string& content) const {
    std::ofstream(work_folder / name, std::ios::binary) << content;
}

std::string QvchatRun::read_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

std::filesystem::path QvchatRun::data_folder() const {
    return work_folder / "documents" / "Quorvan" / "test";
}

std::string QvchatRun::chat_log() const {
    return read_file(data_folder() / "chat_log.txt");
}

std::string QvchatRun::server_log() const {
    return read_file(data_folder() / "srv_log.txt");
}

void QvchatRun::start(const std::string& arguments, const std::string& environment) {
    const std::string command =
        "cd '" + work_folder.path().string() + "' && sh -c 'echo $$ > qvchat.pid; " +
        "XDG_DOCUMENTS_DIR=\"$PWD/documents\" " + environment + " exec \"$0\" \"$@\"' '" + binary +
        "' " + arguments + "; echo \"exit status $?\"; sleep 600";
    session = std::make_unique<TmuxSession>(command, TERMINAL_COLUMNS, TERMINAL_ROWS);
}

bool QvchatRun::start_logged_in(std::string& failure, const std::string& environment) {
    start("test", environment);
    return log_in(failure);
}

bool QvchatRun::log_in(std::string& failure) {
    const std::string greeting = "Welcome to the test server";
    if (!server.wait_for_client()) {
        failure = "the program did not connect";
    } else if (!server.send_text(3, greeting)) {
        failure = "the greeting could not be sent";
    } else if (!server.wait_for_count(qvnetworklib::OUT_LOGIN, 1)) {
        failure = "the program did not log in";
    } else if (!session->wait_for_text(greeting)) {
        failure = "the greeting was not shown:\n" + screen_text();
    } else {
        return true;
    }
    return false;
}

std::string QvchatRun::screen_text() const {
    return joined(session->screen());
}

void QvchatRun::enter(const std::string& line) const {
    session->type(line);
    session->press("Enter");
}

bool QvchatRun::exit_with_status(int status) const {
    enter("#exit");
    return session->wait_for_text("exit status " + std::to_string(status));
}

pid_t QvchatRun::program_id() const {
    pid_t id = 0;
    wait_until([&] {
        std::ifstream(work_folder / "qvchat.pid") >> id;
        return id > 0;
    });
    return id;
}

int QvchatRun::thread_count() const {
    return count_entries("/proc/" + std::to_string(program_id()) + "/task");
}

int QvchatRun::descriptor_count() const {
    return count_entries("/proc/" + std::to_string(program_id()) + "/fd");
}

long QvchatRun::peak_resident_kib() const {
    return status_kib("VmHWM:");
}

long QvchatRun::resident_kib() const {
    return status_kib("VmRSS:");
}

long QvchatRun::status_kib(const std::string& key) const {
    std::ifstream status("/proc/" + std::to_string(program_id()) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, key.size(), key) == 0) {
            return std::stol(line.substr(key.size()));
        }
    }
    return -1;
}

std::vector<qvnetworklib::ByteVector> QvchatRun::received(std::uint8_t type) const {
    std::vector<qvnetworklib::ByteVector> payloads;
    for (const auto& frame : server.frames()) {
        if (frame.type == type) {
            payloads.push_back(frame.payload);
        }
    }
    return payloads;
}

}  // namespace qvtest
