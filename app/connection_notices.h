#pragma once

#include <string>

#include "network/ConnectionStatus.h"

namespace qvchat2 {

// The line that tells the user about a change of the connection, or an empty text when the
// change needs no notice.
std::string connection_notice(const qvnetworklib::ConnectionStatus& status);

}  // namespace qvchat2
