#pragma once

#include <exception>
#include <string>

namespace qvchat2gui {

// Thrown by a front-end that cannot start; what() is the message for the user.
class UIFaultException : public std::exception {
public:
    explicit UIFaultException(const char* text);
    explicit UIFaultException(std::string text);

    const char* what() const noexcept override;

private:
    std::string message;
};

}  // namespace qvchat2gui
