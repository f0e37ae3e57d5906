#include "network/AddressLookup.h"

#include <boost/asio/io_context.hpp>
#include <boost/system/system_error.hpp>
#include <thread>
#include <utility>

namespace qvnetworklib {

namespace {

// A synchronous lookup on a private io_context: that runs the system's resolver on the calling
// thread, and the io_context starts no thread of its own.
LookupResult look_up(const std::string& host, const std::string& port) {
    LookupResult result;
    boost::asio::io_context lookup_context;
    boost::asio::ip::tcp::resolver resolver(lookup_context);
    boost::system::error_code error;
    result.endpoints = resolver.resolve(host, port, error);
    if (error) {
        const boost::system::system_error failure(error, "resolve");
        result.error = std::make_exception_ptr(failure);
        result.reason = failure.what();
    } else if (result.endpoints.empty()) {
        // NOLINTNEXTLINE(hicpp-exception-baseclass): start-up reports it as an unknown fault
        result.error = std::make_exception_ptr(4);
        result.reason = "no address found";
    }
    return result;
}

}  // namespace

void AddressLookup::look_up_and_deliver(const std::string& host, const std::string& port,
                                        const std::shared_ptr<Mailbox>& mailbox) {
    LookupResult result;
    try {
        result = look_up(host, port);
    } catch (const std::exception& error) {
        result.error = std::current_exception();
        result.reason = error.what();
    }
    const std::lock_guard<std::mutex> lock(mailbox->delivery_mutex);
    if (mailbox->deliver) {
        mailbox->deliver(std::move(result));
    }
}

AddressLookup::AddressLookup(const std::string& host, const std::string& port, Delivery deliver)
    : mailbox(std::make_shared<Mailbox>()) {
    mailbox->deliver = std::move(deliver);
    std::thread([host, port, shared = mailbox] {
        try {
            look_up_and_deliver(host, port, shared);
        } catch (...) {
            // Nothing may leave a thread; the owner then hears nothing, as after a cancel.
        }
    }).detach();
}

AddressLookup::~AddressLookup() {
    cancel();
}

void AddressLookup::cancel() {
    const std::lock_guard<std::mutex> lock(mailbox->delivery_mutex);
    mailbox->deliver = nullptr;
}

}  // namespace qvnetworklib
