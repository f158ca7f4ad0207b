// The client's folders on POSIX systems: the XDG state folder, and the program's own folder.

#include "platform/client_folders.h"

#include "platform/filesystem.h"
#include "platform/posix/home_folder.h"

namespace platform {

std::string ClientWorkFolder() {
  return posix::XdgProgramFolder("XDG_STATE_HOME", ".local/state", "tessaro");
}

std::string EngineFolder() {
  const std::string program = ExecutablePath();
  const std::size_t slash = program.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : program.substr(0, slash);
}

}  // namespace platform
