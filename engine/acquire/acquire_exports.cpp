// The engine's exports DecodeFiles, DownloadFile and InstallFonts: thin C entries over the
// acquisition modules. As designed they report nothing; the caller looks at the folders and the
// installed fonts afterwards.

#include "engine/include/corvid/corvid.h"

#include "engine/acquire/archive_extraction.h"
#include "engine/acquire/download.h"
#include "engine/acquire/font_installer.h"

extern "C" CORVID_API void CORVID_CALL DecodeFiles(const char* archivePath,
                                                   const char* destFolder) {
  if (archivePath == nullptr || destFolder == nullptr) return;
  try {
    corvid::ExtractArchive(archivePath, destFolder);
  } catch (...) {
    // Out of memory while copying the arguments: nothing is unpacked.
  }
}

extern "C" CORVID_API void CORVID_CALL DownloadFile(const char* url, const char* destFolder) {
  if (url == nullptr || destFolder == nullptr) return;
  try {
    corvid::DownloadToFolder(url, destFolder);
  } catch (...) {
    // Out of memory while copying the arguments: nothing is downloaded.
  }
}

extern "C" CORVID_API void CORVID_CALL InstallFonts(const char* fontFolder) {
  if (fontFolder == nullptr) return;
  try {
    corvid::InstallFontFolder(fontFolder);
  } catch (...) {
    // Out of memory while copying the argument: nothing is installed.
  }
}
