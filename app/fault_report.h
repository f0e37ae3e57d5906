#pragma once

#include <exception>
#include <iosfwd>

// Writes "Press enter to continue..." and waits for one line of input.
void my_pause();

namespace qvchat2 {

// Writes the text that describes the exception in flight (its own message, or
// "Unknown fatal error." for anything that is not a standard exception) and a newline.
void describe_current_exception(std::ostream& errors);

}  // namespace qvchat2
