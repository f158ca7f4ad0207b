// The system's installed fonts: the face names it enumerates, the folders that hold font files,
// and the steps of installing one.
//
// Installing a font is shared code (the engine's installer: which files, under which name, never
// overwriting) around three primitives of this header: where the file goes
// (FontInstallFolder), making it known (RegisterInstalledFont) and telling the others
// (AnnounceFontChange). On Windows the folder is the system's Fonts folder with the font
// registry under HKLM when the process runs elevated, else the user's own Fonts folder
// (%LOCALAPPDATA%\Microsoft\Windows\Fonts) with the registry under HKCU. On POSIX it is the
// user's font folder, and fontconfig is told.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Called once per enumerated face name (narrow text, possibly the same name many times) with the
// caller's `context`. Returning nonzero continues the enumeration, zero ends it, on every
// platform.
using FaceNameCallback = int (*)(const char* faceName, void* context);

// Enumerates every installed face name synchronously on the calling thread, until the callback
// returns zero. On Windows these are the names EnumFontFamiliesExA gives for every character
// set; on POSIX all family names fontconfig knows (its configuration comes from FONTCONFIG_FILE
// when set; a change of that variable is noticed on the next call). Thread-safe.
void EnumerateInstalledFaceNames(FaceNameCallback callback, void* context);

// The system font folders, each without a trailing separator and none inside another listed
// folder: on Windows the system's and the user's Fonts folders; on POSIX the font directories of
// fontconfig's configuration; on both, the folders of the fonts this process installed
// (RegisterInstalledFont). Thread-safe.
std::vector<std::string> SystemFontFolders();

// The folder into which this process installs fonts, without a trailing separator; it may not
// exist yet. On Windows the system's Fonts folder when the process runs elevated, else the
// user's own Fonts folder (unless SetFontInstallScope says otherwise). On POSIX
// $XDG_DATA_HOME/fonts, or $HOME/.local/share/fonts when XDG_DATA_HOME is unset, empty or not
// absolute (the home folder of the user's account when HOME is unset). Empty when no such folder
// can be found. Thread-safe.
std::string FontInstallFolder();

// Makes the font file `fontFile`, just placed into FontInstallFolder(), an installed font, usable
// by this process at once. `faceName` is its first name (narrow text). On Windows the file is
// loaded with AddFontResourceA and, once the system has accepted it, recorded in the font
// registry as the value "<faceName> (TrueType)" (HKLM with the bare file name for the system's
// Fonts folder, HKCU with the full path for the user's; a value of that name is replaced). On
// POSIX the file becomes one of fontconfig's application fonts, and stays one when the
// configuration is reloaded. Returns false when the system does not accept the file, or (on
// Windows) when the registry refuses the value, which leaves the file unloaded again.
// Thread-safe.
bool RegisterInstalledFont(const std::string& fontFile, const std::string& faceName);

// For whom this process installs fonts from now on. kByElevation is the rule above (on Windows
// machine-wide when the process runs elevated, else for the user); kMachine and kUser force the
// system's or the user's Fonts folder and registry whatever the elevation, so that tests can run
// both installations. POSIX installs for the user only and ignores the setting. Thread-safe.
enum class FontInstallScope { kByElevation, kMachine, kUser };
void SetFontInstallScope(FontInstallScope scope);

// Tells the rest of the system that fonts were installed into `folder`. On Windows every
// top-level window is sent WM_FONTCHANGE, waiting a bounded time for each (a hung window does
// not hold the caller). On POSIX fontconfig's cache of that folder is rebuilt and written, so
// that programs started from now on see the new fonts without scanning it themselves. Returns
// false when the news could not be passed on (the fonts are installed all the same). Thread-safe.
bool AnnounceFontChange(const std::string& folder);

// A number that stays the same while the fonts the system enumerates stay the same, so that what
// was built from them can be kept. It changes when the font configuration is loaded anew (on
// POSIX also when FONTCONFIG_FILE names another one), when the system's own check finds its font
// folders or configuration changed (fontconfig's up-to-date check; the configuration is then
// reloaded at once), and when this process registers an installed font. Thread-safe.
std::uint64_t InstalledFontsVersion();

}  // namespace platform
