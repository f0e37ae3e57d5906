#pragma once

#include <exception>

namespace qvnetworklib {

// Raised while a Client is built from an unusable server entry.
class NetworkError : public virtual std::exception {
public:
    // `message` must have static lifetime: it is kept, not copied.
    explicit NetworkError(const char* message) noexcept;
    ~NetworkError() override;

    const char* what() const noexcept override;

private:
    const char* message;
};

}  // namespace qvnetworklib
