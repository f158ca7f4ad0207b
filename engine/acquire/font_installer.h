// Installing the fonts of a folder for the current user (or, on Windows when elevated, for the
// machine).
//
// The folder holds whatever the downloaded packages contained. Its web pages (*.htm, *.html)
// directly in it are deleted first; then every file under it, subfolders included, that FreeType
// reads as a font is copied into the platform's font install folder under its own file name,
// registered with the system, and the rest of the system is told once at the end. Other
// files (texts, images, programs) are never copied. A file already in the font folder is never
// overwritten: the same bytes count as installed, different bytes under the same name are
// installed under the first free name "name-1.ttf", "name-2.ttf", ...
#pragma once

#include <string>
#include <vector>

namespace corvid {

struct InstalledFont {
  std::string source;    // the file in the folder that was installed
  std::string target;    // its copy in the font install folder
  bool copied = false;   // false: the same bytes were there already
  std::string faceName;  // its first name
};

struct InstallReport {
  std::vector<InstalledFont> fonts;  // in the order the files were found
  std::vector<std::string> skipped;  // files that are no fonts
  std::vector<std::string> failed;   // fonts that could not be copied or registered
};

// Installs the fonts under `fontFolder` (narrow text, no trailing separator) into `userFolder`,
// creating it when missing. Every file is tried whatever became of the others. Never throws.
// Calls on the same folders at once may install a font twice under two names; otherwise
// thread-safe.
InstallReport InstallFontFolder(const std::string& fontFolder, const std::string& userFolder);

// The same into the platform's font install folder (platform::FontInstallFolder).
InstallReport InstallFontFolder(const std::string& fontFolder);

}  // namespace corvid
