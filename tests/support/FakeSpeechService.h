#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/support/wait_until.h"

namespace qvtest {

// One command the fake speech service received.
struct SpeechCommand {
    // The command in SSIP's documented case: keywords in capitals, "self", "all" and the values
    // of PRIORITY and NOTIFICATION in lower case, other values as sent: "SET self PRIORITY
    // message", "SET self RATE 40", "SET self NOTIFICATION end on", "CANCEL self", "STOP self".
    // A whole message is one entry "SPEAK", recorded when its final "." came.
    std::string line;
    // SPEAK: the text, its lines joined by "\n", SSIP's doubled leading dots undone.
    std::string text;
    // SPEAK: the client's priority then ("text" until it set one) and the id answered.
    std::string priority;
    std::size_t message_id = 0;
};

// A speech service (speech-dispatcher) for tests: a small SSIP server on a Unix socket in a
// temporary folder of its own, run on a thread of its own, that records every command and
// "speaks" each message for a time the test sets. Point libspeechd at it with the variables of
// environment(): SPEECHD_ADDRESS=unix_socket:<path>, and SPEECHD_CMD naming a program that does
// not exist, so that the library never starts a real service in its place when this one refuses.
//
// It answers as the service does, one line each ("208 OK CLIENT NAME SET", "202 OK PRIORITY SET",
// "203 OK RATE SET", "220 OK NOTIFICATION SET", the other parameters of SSIP's SET as the service
// does ("201 OK LANGUAGE SET"...), "213 OK CANCELED", "210 OK STOPPED", "231 HAPPY HACKING" then
// closing, unknown commands "500 ERR INVALID COMMAND"), SPEAK with "230 OK RECEIVING DATA" and,
// after the text's ".", "225-<id>" and "225 OK MESSAGE QUEUED"; "HISTORY GET CLIENT_ID" with
// "240-<client id>" and "240 OK CLIENT ID SENT". Message ids count from 1 across clients, client
// ids from 1.
//
// Saying: one message at a time for all clients, each for speaking_time (0: it ends at once),
// the way the service ranks priorities: a message (or important) line cancels the text and
// notification lines said or queued and waits only for other messages; a text (or progress)
// line queues behind everything; a notification line is dropped, without an event, while
// anything is said or queued. Events go to a client that asked for them (SET self NOTIFICATION
// begin|end|cancel|all on) as the service sends them, three lines each, after the answer to the
// command that caused them: "701-<id>", "701-<client id>", "701 BEGIN"; 702 END; 703 CANCELED
// for a message that CANCEL, STOP or a message line removes.
//
// Every accessor is thread-safe.
class FakeSpeechService {
public:
    enum class Behaviour {
        answering,  // as above
        silent,     // accepts, reads and records, never answers
        absent,     // no socket at all: connections are refused
    };

    explicit FakeSpeechService(Behaviour behaviour = Behaviour::answering);
    ~FakeSpeechService();

    FakeSpeechService(const FakeSpeechService&) = delete;
    FakeSpeechService& operator=(const FakeSpeechService&) = delete;

    const std::filesystem::path& socket_path() const { return path; }
    // SPEECHD_ADDRESS's value for this service.
    std::string address() const;
    // The variables to give a program (or set in a test) that is to use this service.
    std::vector<std::pair<std::string, std::string>> environment() const;

    // How long each message from now on is said.
    void set_speaking_time(std::chrono::milliseconds duration);
    // Ends the message being said now, as if its time had run out.
    void end_current_message();
    // From now on reads and records, never answers nor sends events.
    void fall_silent();
    // Closes the connection of every client.
    void close_clients();

    std::vector<SpeechCommand> commands() const;
    // The texts of the SPEAK commands, in order.
    std::vector<std::string> spoken_texts() const;
    // Connections accepted so far.
    std::size_t connections() const;
    // Whether `condition` held of the commands before the deadline; it runs with the record's
    // lock held, so it only looks.
    bool wait_for(const std::function<bool(const std::vector<SpeechCommand>&)>& condition,
                  std::chrono::milliseconds deadline = DEFAULT_DEADLINE) const;

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        std::size_t id = 0;
        std::string unread;  // bytes after the last whole line
        std::string priority = "text";
        std::map<std::string, bool> notifications;  // "begin", "end", "cancel"
        bool receiving_text = false;
        std::vector<std::string> text_lines;
    };
    struct Message {
        std::size_t id = 0;
        int client = -1;  // the socket of the client that sent it
        std::string priority;
    };

    void serve();
    void accept_client();
    void read_client(int socket);
    void handle_text_line(int socket, Client& client, const std::string& line);
    void handle_command(int socket, Client& client, const std::string& line);
    void queue_message(const Message& message);
    // Cancels the message said and those queued that `cancelled` picks, with their events.
    void cancel_messages_where(const std::function<bool(const Message&)>& cancelled);
    void finish_current_message();
    // Starts the first message queued, when none is said.
    void start_next_message();
    void send_event(const Message& message, int code, const char* kind, const char* name);
    void send_to(int socket, const std::string& bytes);
    void close_client(int socket);
    void record(SpeechCommand command);
    bool answering() const;
    void wake();

    const TempDir folder;
    const std::filesystem::path path;
    int listener = -1;
    int wake_pipe[2] = {-1, -1};

    // guards stopping, silent, speaking_time, end_requested, close_requested and the record
    mutable std::mutex service_mutex;
    mutable std::condition_variable commands_changed;
    bool stopping = false;
    bool silent = false;
    bool end_requested = false;
    bool close_requested = false;
    std::chrono::milliseconds speaking_time{0};
    std::vector<SpeechCommand> recorded;
    std::size_t accepted = 0;

    // The server thread's own.
    std::map<int, Client> clients;
    std::optional<Message> current;
    Clock::time_point current_ends;
    std::deque<Message> queued;
    std::size_t next_message_id = 1;
    std::size_t next_client_id = 1;

    std::thread server_thread;
};

}  // namespace qvtest
