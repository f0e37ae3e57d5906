#include "gui/ui_exception.h"

#include <utility>

namespace qvchat2gui {

UIFaultException::UIFaultException(const char* text) : message(text != nullptr ? text : "") {}

UIFaultException::UIFaultException(std::string text) : message(std::move(text)) {}

const char* UIFaultException::what() const noexcept {
    return message.c_str();
}

}  // namespace qvchat2gui
