// The folders Windows names for each user and for the system, as narrow paths: for the other
// files of this backend.
#pragma once

#include <string>

namespace platform::win32 {

enum class KnownFolder {
  kFonts,         // the system's Fonts folder (FOLDERID_Fonts)
  kLocalAppData,  // the user's local application data (FOLDERID_LocalAppData)
};

// The folder's path in the ANSI code page, without a trailing separator. A path with characters
// that the code page lacks is given in its short (8.3) form, which holds none; empty when it has
// none either or the system cannot name the folder. Thread-safe.
std::string KnownFolderPath(KnownFolder folder);

}  // namespace platform::win32
