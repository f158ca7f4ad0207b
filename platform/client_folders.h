// Where the client keeps its working files and finds its engine.
#pragma once

#include <string>

namespace platform {

// The client's working folder, which holds its log, crash dumps and the download and update
// folders; without a trailing separator. On POSIX $XDG_STATE_HOME/tessaro, or
// $HOME/.local/state/tessaro when XDG_STATE_HOME is unset, empty or not absolute (the home folder
// of the user's account when HOME is unset): a program started from a menu has no useful current
// directory. On Windows the current directory. The folder may not exist yet; callers create it.
// Empty when no such folder can be named. Narrow text. Thread-safe.
std::string ClientWorkFolder();

// The folder from which the client loads the engine, without a trailing separator: the folder of
// the running program, beside which the engine is installed (on Windows a library is never
// loaded from the current directory, where anybody may have put one). Empty when the system
// cannot tell. Narrow text. Thread-safe.
std::string EngineFolder();

}  // namespace platform
