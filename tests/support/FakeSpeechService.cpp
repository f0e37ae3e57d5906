#include "tests/support/FakeSpeechService.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "tests/support/ssip_command_text.h"

namespace qvtest {

namespace {

// A client that sends a longer line, or a longer text, misbehaves: the rest is not kept.
constexpr std::size_t MOST_LINE_BYTES = std::size_t{1} << 20U;
constexpr int BACKLOG = 8;
constexpr std::size_t READ_BLOCK = 4096;
// A client that stops reading holds the service up no longer than this for each answer.
constexpr timeval SEND_TIME_LIMIT{1, 0};

struct SetReply {
    const char* parameter;
    const char* reply;
};
constexpr std::array<SetReply, 14> SET_REPLIES{{
    {"LANGUAGE", "201 OK LANGUAGE SET"},
    {"PRIORITY", "202 OK PRIORITY SET"},
    {"RATE", "203 OK RATE SET"},
    {"PITCH", "204 OK PITCH SET"},
    {"PUNCTUATION", "205 OK PUNCTUATION SET"},
    {"CAP_LET_RECOGN", "206 OK CAP LET RECOGNITION SET"},
    {"SPELLING", "207 OK SPELLING SET"},
    {"CLIENT_NAME", "208 OK CLIENT NAME SET"},
    {"VOICE_TYPE", "209 OK VOICE SET"},
    {"SYNTHESIS_VOICE", "209 OK VOICE SET"},
    {"OUTPUT_MODULE", "216 OK OUTPUT MODULE SET"},
    {"VOLUME", "218 OK VOLUME SET"},
    {"SSML_MODE", "219 OK SSML MODE SET"},
    {"NOTIFICATION", "220 OK NOTIFICATION SET"},
}};
constexpr char INVALID_COMMAND[] = "500 ERR INVALID COMMAND";

bool gives_way_to_messages(const std::string& priority) {
    return priority == "text" || priority == "notification" || priority == "progress";
}

}  // namespace

FakeSpeechService::FakeSpeechService(Behaviour behaviour) : path(folder / "speechd.sock") {
    silent = behaviour == Behaviour::silent;
    if (::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    if (behaviour != Behaviour::absent) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string name = path.string();
        if (name.size() >= sizeof address.sun_path) {
            throw std::runtime_error("the fake speech service's socket path is too long: " + name);
        }
        std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
        listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener < 0 ||
            ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, BACKLOG) != 0) {
            throw std::system_error(errno, std::generic_category(), "fake speech service");
        }
    }
    server_thread = std::thread([this] { serve(); });
}

FakeSpeechService::~FakeSpeechService() {
    {
        const std::lock_guard<std::mutex> lock(service_mutex);
        stopping = true;
    }
    wake();
    server_thread.join();
    for (const auto& client : clients) {
        ::close(client.first);
    }
    if (listener >= 0) {
        ::close(listener);
    }
    ::close(wake_pipe[0]);
    ::close(wake_pipe[1]);
}

std::string FakeSpeechService::address() const {
    return "unix_socket:" + path.string();
}

std::vector<std::pair<std::string, std::string>> FakeSpeechService::environment() const {
    return {{"SPEECHD_ADDRESS", address()},
            {"SPEECHD_CMD", (folder / "no-speech-dispatcher").string()}};
}

void FakeSpeechService::set_speaking_time(std::chrono::milliseconds duration) {
    const std::lock_guard<std::mutex> lock(service_mutex);
    speaking_time = duration;
}

void FakeSpeechService::end_current_message() {
    {
        const std::lock_guard<std::mutex> lock(service_mutex);
        end_requested = true;
    }
    wake();
}

void FakeSpeechService::fall_silent() {
    const std::lock_guard<std::mutex> lock(service_mutex);
    silent = true;
}

void FakeSpeechService::close_clients() {
    {
        const std::lock_guard<std::mutex> lock(service_mutex);
        close_requested = true;
    }
    wake();
}

std::vector<SpeechCommand> FakeSpeechService::commands() const {
    const std::lock_guard<std::mutex> lock(service_mutex);
    return recorded;
}

std::vector<std::string> FakeSpeechService::spoken_texts() const {
    std::vector<std::string> texts;
    for (const SpeechCommand& command : commands()) {
        if (command.line == "SPEAK") {
            texts.push_back(command.text);
        }
    }
    return texts;
}

std::size_t FakeSpeechService::connections() const {
    const std::lock_guard<std::mutex> lock(service_mutex);
    return accepted;
}

bool FakeSpeechService::wait_for(
    const std::function<bool(const std::vector<SpeechCommand>&)>& condition,
    std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(service_mutex);
    return commands_changed.wait_for(lock, deadline, [&] { return condition(recorded); });
}

void FakeSpeechService::serve() {
    while (true) {
        bool end_now = false;
        bool close_now = false;
        {
            const std::lock_guard<std::mutex> lock(service_mutex);
            if (stopping) {
                return;
            }
            end_now = std::exchange(end_requested, false);
            close_now = std::exchange(close_requested, false);
        }
        if (close_now) {
            while (!clients.empty()) {
                close_client(clients.begin()->first);
            }
        }
        if (end_now && current) {
            finish_current_message();
        }
        while (current && Clock::now() >= current_ends) {
            finish_current_message();
        }

        std::vector<pollfd> watched{{wake_pipe[0], POLLIN, 0}};
        if (listener >= 0) {
            watched.push_back({listener, POLLIN, 0});
        }
        for (const auto& client : clients) {
            watched.push_back({client.first, POLLIN, 0});
        }
        int timeout = -1;
        if (current) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(current_ends - Clock::now());
            timeout = static_cast<int>(
                std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
        }
        if (::poll(watched.data(), watched.size(), timeout) <= 0) {
            continue;
        }
        std::array<char, READ_BLOCK> drained{};
        while (::read(wake_pipe[0], drained.data(), drained.size()) > 0) {
        }
        for (const pollfd& file : watched) {
            if (file.revents == 0 || file.fd == wake_pipe[0]) {
                continue;
            }
            if (file.fd == listener) {
                accept_client();
            } else if (clients.count(file.fd) != 0) {
                read_client(file.fd);
            }
        }
    }
}

void FakeSpeechService::accept_client() {
    const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) {
        return;
    }
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &SEND_TIME_LIMIT, sizeof SEND_TIME_LIMIT);
    Client& client = clients[socket];
    client.id = next_client_id++;
    const std::lock_guard<std::mutex> lock(service_mutex);
    ++accepted;
}

void FakeSpeechService::read_client(int socket) {
    std::array<char, READ_BLOCK> block{};
    const ssize_t count = ::recv(socket, block.data(), block.size(), 0);
    if (count <= 0) {
        close_client(socket);
        return;
    }
    clients[socket].unread.append(block.data(), static_cast<std::size_t>(count));
    while (true) {
        const auto found = clients.find(socket);
        if (found == clients.end()) {
            return;  // closed by the command (QUIT)
        }
        Client& client = found->second;
        const std::size_t end = client.unread.find('\n');
        if (end == std::string::npos) {
            if (client.unread.size() > MOST_LINE_BYTES) {
                client.unread.clear();
            }
            return;
        }
        std::string line = client.unread.substr(0, end);
        client.unread.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (client.receiving_text) {
            handle_text_line(socket, client, line);
        } else {
            handle_command(socket, client, line);
        }
    }
}

void FakeSpeechService::handle_text_line(int socket, Client& client, const std::string& line) {
    if (line != ".") {
        if (client.text_lines.size() < MOST_LINE_BYTES) {
            client.text_lines.push_back(line.rfind("..", 0) == 0 ? line.substr(1) : line);
        }
        return;
    }
    client.receiving_text = false;
    SpeechCommand speak{"SPEAK", "", client.priority, 0};
    for (std::size_t index = 0; index < client.text_lines.size(); ++index) {
        speak.text += (index == 0 ? "" : "\n") + client.text_lines[index];
    }
    client.text_lines.clear();
    if (!answering()) {
        record(speak);
        return;
    }
    speak.message_id = next_message_id++;
    record(speak);
    const std::string id = std::to_string(speak.message_id);
    send_to(socket, "225-" + id + "\r\n225 OK MESSAGE QUEUED\r\n");
    queue_message({speak.message_id, socket, client.priority});
}

void FakeSpeechService::handle_command(int socket, Client& client, const std::string& line) {
    const std::string command = ssip_documented_case(line);
    const std::vector<std::string> words = ssip_words(command);
    if (words.empty()) {
        return;
    }
    if (words[0] == "SPEAK") {
        client.receiving_text = true;  // recorded with its text
        if (answering()) {
            send_to(socket, "230 OK RECEIVING DATA\r\n");
        }
        return;
    }
    record({command, "", "", 0});
    if (!answering()) {
        return;
    }
    std::string reply = INVALID_COMMAND;
    if (words[0] == "SET" && words.size() >= 4) {
        const std::string& parameter = words[2];
        for (const SetReply& known : SET_REPLIES) {
            if (parameter == known.parameter) {
                reply = known.reply;
            }
        }
        if (parameter == "PRIORITY") {
            client.priority = words[3];
        } else if (parameter == "NOTIFICATION" && words.size() >= 5) {
            const bool on = words[4] == "on";
            for (const char* kind : {"begin", "end", "cancel"}) {
                if (words[3] == kind || words[3] == "all") {
                    client.notifications[kind] = on;
                }
            }
        }
    } else if (words[0] == "CANCEL") {
        send_to(socket, "213 OK CANCELED\r\n");
        cancel_messages_where(
            [socket](const Message& message) { return message.client == socket; });
        start_next_message();
        return;
    } else if (words[0] == "STOP") {
        send_to(socket, "210 OK STOPPED\r\n");
        if (current && current->client == socket) {
            send_event(*current, 703, "cancel", "CANCELED");
            current.reset();
        }
        start_next_message();
        return;
    } else if (command == "HISTORY GET CLIENT_ID") {
        reply = "240-" + std::to_string(client.id) + "\r\n240 OK CLIENT ID SENT";
    } else if (words[0] == "QUIT") {
        send_to(socket, "231 HAPPY HACKING\r\n");
        close_client(socket);
        return;
    }
    send_to(socket, reply + "\r\n");
}

void FakeSpeechService::queue_message(const Message& message) {
    if (message.priority == "notification" && (current || !queued.empty())) {
        return;
    }
    if (message.priority == "message" || message.priority == "important") {
        cancel_messages_where(
            [](const Message& other) { return gives_way_to_messages(other.priority); });
    }
    queued.push_back(message);
    start_next_message();
}

void FakeSpeechService::cancel_messages_where(
    const std::function<bool(const Message&)>& cancelled) {
    if (current && cancelled(*current)) {
        send_event(*current, 703, "cancel", "CANCELED");
        current.reset();
    }
    for (auto waiting = queued.begin(); waiting != queued.end();) {
        if (cancelled(*waiting)) {
            send_event(*waiting, 703, "cancel", "CANCELED");
            waiting = queued.erase(waiting);
        } else {
            ++waiting;
        }
    }
}

void FakeSpeechService::finish_current_message() {
    send_event(*current, 702, "end", "END");
    current.reset();
    start_next_message();
}

void FakeSpeechService::start_next_message() {
    if (current || queued.empty()) {
        return;
    }
    current = queued.front();
    queued.pop_front();
    {
        const std::lock_guard<std::mutex> lock(service_mutex);
        current_ends = Clock::now() + speaking_time;
    }
    send_event(*current, 701, "begin", "BEGIN");
}

void FakeSpeechService::send_event(const Message& message, int code, const char* kind,
                                   const char* name) {
    const auto client = clients.find(message.client);
    if (client == clients.end() || !client->second.notifications[kind] || !answering()) {
        return;
    }
    const std::string prefix = std::to_string(code);
    send_to(message.client, prefix + "-" + std::to_string(message.id) + "\r\n" + prefix + "-" +
                                std::to_string(client->second.id) + "\r\n" + prefix + " " + name +
                                "\r\n");
}

void FakeSpeechService::send_to(int socket, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t written =
            ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (written <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(written);
    }
}

void FakeSpeechService::close_client(int socket) {
    ::close(socket);
    clients.erase(socket);
    queued.erase(
        std::remove_if(queued.begin(), queued.end(),
                       [socket](const Message& waiting) { return waiting.client == socket; }),
        queued.end());
    if (current && current->client == socket) {
        current.reset();
    }
    start_next_message();
}

void FakeSpeechService::record(SpeechCommand command) {
    {
        const std::lock_guard<std::mutex> lock(service_mutex);
        recorded.push_back(std::move(command));
    }
    commands_changed.notify_all();
}

bool FakeSpeechService::answering() const {
    const std::lock_guard<std::mutex> lock(service_mutex);
    return !silent;
}

void FakeSpeechService::wake() {
    const char byte = 0;
    if (::write(wake_pipe[1], &byte, 1) < 0) {
        return;  // a full pipe wakes the server as well
    }
}

}  // namespace qvtest
