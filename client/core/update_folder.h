// The folder in which the self-update leaves the archive it downloaded and what it unpacked.
#pragma once

#include <string>

namespace tessaro {

// <workDir>/update.
std::string UpdateFolder(const std::string& workDir);

// Removes what an earlier self-update left: empties <workDir>/update, subfolders included, and
// removes it. A missing folder is fine; a plain file of that name is left alone. Failures are
// silent: what cannot be removed now is tried again at the next start.
void CleanUpdateFolder(const std::string& workDir);

}  // namespace tessaro
