// Whether an output stream is a terminal that a person watches.
#pragma once

#include <cstdio>

namespace platform {

// True when `stream` writes to a terminal (so that a progress line may be redrawn in place),
// false for files, pipes and closed streams. Thread-safe.
bool IsTerminal(std::FILE* stream);

}  // namespace platform
