#pragma once

namespace qvchat2 {

// Prepares the process before anything else runs.
void pre_init();

}  // namespace qvchat2
