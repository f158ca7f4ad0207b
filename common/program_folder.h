// The folder of the running program.
#pragma once

#include <string>

namespace tessaro {

// The folder of the running program's executable (not of the engine library), ending with the
// path separator: /opt/tessaro/bin/tessaro gives /opt/tessaro/bin/. Outside programs and
// libraries that ship beside the client are looked for here. Empty when the system cannot tell.
std::string GetProgramFolder();

// The folder part of `path` with its final separator ("/" or "\\"); empty when there is none.
std::string FolderOfPath(const std::string& path);

}  // namespace tessaro
