// The system's installed fonts: the face names it enumerates and the folders that hold font files.
#pragma once

#include <cstdint>
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
// the font directories of fontconfig's configuration, and the folders of the fonts this process
// installed (RegisterInstalledFont). Thread-safe.
std::vector<std::string> SystemFontFolders();

// The folder into which fonts are installed for the current user, without a trailing separator:
// on POSIX $XDG_DATA_HOME/fonts, or $HOME/.local/share/fonts when XDG_DATA_HOME is unset, empty
// or not absolute (the home folder of the user's account when HOME is unset). The folder may
// not exist yet. Empty when no home folder can be found. Thread-safe.
std::string UserFontFolder();

// Makes the font file `fontFile`, just installed into UserFontFolder(), usable by this process
// at once. `faceName` is its first name, which Windows records in its font registry. On POSIX
// the file becomes one of fontconfig's application fonts, and stays one when the configuration
// is reloaded. Returns false when the system does not accept the file. Thread-safe.
bool RegisterInstalledFont(const std::string& fontFile, const std::string& faceName);

// Tells the rest of the system that fonts were installed into `folder`. On POSIX fontconfig's
// cache of that folder is rebuilt and written, so that programs started from now on see the new
// fonts without scanning it themselves. Returns false when no cache could be written (the fonts
// are installed all the same; fontconfig then scans the folder itself). Thread-safe.
bool AnnounceFontChange(const std::string& folder);

// A number that stays the same while the fonts the system enumerates stay the same, so that what
// was built from them can be kept. It changes when the font configuration is loaded anew (on
// POSIX also when FONTCONFIG_FILE names another one), when the system's own check finds its font
// folders or configuration changed (fontconfig's up-to-date check; the configuration is then
// reloaded at once), and when this process registers an installed font. Thread-safe.
std::uint64_t InstalledFontsVersion();

// Sends one line to the platform's debugging channel (on POSIX standard error, and only when the
// environment variable CORVID_TRACE is set). Never fails.
void DebugTrace(const std::string& line);

}  // namespace platform
