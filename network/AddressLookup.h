#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace qvnetworklib {

// What looking up the server's name found: its addresses, or why there are none.
struct LookupResult {
    boost::asio::ip::tcp::resolver::results_type endpoints;
    // Empty when addresses were found; else the resolver's own exception, or the integer 4 when it
    // found no address at all.
    std::exception_ptr error;
    // The error in words, for the user.
    std::string reason;
};

// Looks a host and port up on a thread of its own that nobody waits for. The system's resolver
// cannot be interrupted and may take half a minute; leaving must not wait for it, and Asio's own
// asynchronous resolver joins its lookup thread when its io_service is destroyed.
class AddressLookup {
public:
    using Delivery = std::function<void(LookupResult)>;

    // Starts the lookup; `deliver` runs on the lookup's thread once it is done, unless cancel()
    // came first. Throws std::system_error when no thread can be started.
    AddressLookup(const std::string& host, const std::string& port, Delivery deliver);
    ~AddressLookup();

    AddressLookup(const AddressLookup&) = delete;
    AddressLookup& operator=(const AddressLookup&) = delete;

    // Once it returns, `deliver` is not running and never will. Any thread, any number of times.
    void cancel();

private:
    // Shared with the lookup's thread, which may outlive this object.
    struct Mailbox {
        std::mutex delivery_mutex;  // guards deliver
        Delivery deliver;
    };

    static void look_up_and_deliver(const std::string& host, const std::string& port,
                                    const std::shared_ptr<Mailbox>& mailbox);

    std::shared_ptr<Mailbox> mailbox;
};

}  // namespace qvnetworklib
