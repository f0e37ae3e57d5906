#include "network/exceptions.h"

namespace qvnetworklib {

NetworkError::NetworkError(const char* message) noexcept : message(message) {}

NetworkError::~NetworkError() = default;

const char* NetworkError::what() const noexcept {
    return message;
}

}  // namespace qvnetworklib
