// The exit codes of every tessaro command.
#pragma once

namespace tessaro::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNotObtainable = 1;  // some fonts are missing and cannot be had
inline constexpr int kExitBadInput = 2;       // bad input, no engine, or no service

}  // namespace tessaro::cli
