#pragma once

#include <optional>
#include <string>

namespace qvchat2 {

// The far end of the connection libspeechd opens: the socket of the address it follows
// (SPEECHD_ADDRESS, else the service's usual socket in the user's runtime folder).
// libspeechd waits for the service's answers without a time limit, even while it opens the
// connection, before it gives the caller any handle on it. Shutting the connection's socket down
// is what makes it give up; this finds that socket among the program's open files, by the
// address it is connected to, so that leaving the program never waits for a service that does
// not answer.
class SpeechServicePeer {
public:
    // The address libspeechd follows now; nothing when it names none it can use. Calls the
    // library: the speech thread's.
    static std::optional<SpeechServicePeer> of_default_address();

    // Shuts down every socket of this program connected to the service: the library's calls
    // waiting for it return. Any thread; only system calls, each on a duplicate of the file, so
    // a file closed and reused meanwhile is never touched.
    void shut_down_connections() const;

private:
    SpeechServicePeer(std::string unix_path, int inet_port);

    std::string unix_path;  // empty for a network address
    int inet_port = 0;
};

}  // namespace qvchat2
