// The system's installed fonts: the face names it enumerates and the folders that hold font files.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Called once per enumerated face name (narrow text, possibly the same name many times) with the
// caller's `context`; the value returned is ignored by POSIX and continues the enumeration on
// Windows when it is nonzero.
using FaceNameCallback = int (*)(const char* faceName, void* context);

// Enumerates every installed face name synchronously on the calling thread. On POSIX these are
// all family names fontconfig knows (its configuration comes from FONTCONFIG_FILE when set; a
// change of that variable is noticed on the next call). Thread-safe.
void EnumerateInstalledFaceNames(FaceNameCallback callback, void* context);

// The system font folders, without subfolders that lie inside another listed folder: on POSIX
// the font directories of fontconfig's configuration. Thread-safe.
std::vector<std::string> SystemFontFolders();

// The folder into which the user's own fonts are installed: on POSIX $XDG_DATA_HOME/fonts, by
// default ~/.local/share/fonts. The folder may not exist yet.
std::string UserFontFolder();

// Sends one line to the platform's debugging channel (on POSIX standard error, and only when the
// environment variable CORVID_TRACE is set). Never fails.
void DebugTrace(const std::string& line);

}  // namespace platform
