// The local time of day, as the user's clock shows it.
#pragma once

#include <ctime>

namespace platform {

// `time` broken down in the local time zone (std::tm: years since 1900, months from 0). Gives a
// zeroed std::tm when the time cannot be converted. Thread-safe. The first call reads the time
// zone; later calls allocate no memory, so a fault handler may make them.
std::tm LocalTime(std::time_t time);

}  // namespace platform
