// Installed-font facts for POSIX systems through fontconfig.
//
// One fontconfig configuration serves the process. It is reloaded when FONTCONFIG_FILE names
// another configuration than the one loaded, and brought up to date with the font folders
// (new font files) otherwise, so that every inventory sees the fonts installed so far.

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/text_codec.h"

namespace platform {
namespace {

std::mutex g_configMutex;
bool g_loaded = false;
std::string g_loadedFile;

std::string CurrentConfigFileSetting() {
  const char* value = std::getenv("FONTCONFIG_FILE");
  return value ? std::string("=") + value : std::string();
}

// Returns a referenced configuration that is current; the caller releases it with
// FcConfigDestroy. Called with g_configMutex held.
FcConfig* CurrentConfig() {
  std::string setting = CurrentConfigFileSetting();
  if (!g_loaded) {
    FcInit();
    g_loaded = true;
    g_loadedFile = setting;
  } else if (setting != g_loadedFile) {
    FcInitReinitialize();
    g_loadedFile = setting;
  } else {
    FcInitBringUptoDate();
  }
  return FcConfigReference(nullptr);
}

bool IsInside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path[folder.size()] == '/' || folder.back() == '/');
}

}  // namespace

void EnumerateInstalledFaceNames(FaceNameCallback callback, void* context) {
  std::lock_guard<std::mutex> lock(g_configMutex);
  FcConfig* config = CurrentConfig();
  if (config == nullptr) return;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = FcFontList(config, pattern, objects);
  // fontconfig's names are UTF-8; the enumeration gives narrow text, as on every platform.
  const bool utf8 = ResolveCodePage(kAnsiCodePage) == kUtf8CodePage;
  if (fonts != nullptr) {
    for (int i = 0; i < fonts->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int k = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, k, &family) == FcResultMatch;
           ++k) {
        const char* name = reinterpret_cast<const char*>(family);
        if (utf8) {
          callback(name, context);
        } else {
          std::string narrow = ConvertCodePage(name, kUtf8CodePage, kAnsiCodePage).value_or(name);
          callback(narrow.c_str(), context);
        }
      }
    }
    FcFontSetDestroy(fonts);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
}

std::vector<std::string> SystemFontFolders() {
  std::vector<std::string> configured;
  {
    std::lock_guard<std::mutex> lock(g_configMutex);
    FcConfig* config = CurrentConfig();
    if (config == nullptr) return {};
    FcStrList* dirs = FcConfigGetFontDirs(config);  // with their subfolders
    while (FcChar8* dir = FcStrListNext(dirs)) {
      configured.emplace_back(reinterpret_cast<const char*>(dir));
    }
    FcStrListDone(dirs);
    FcConfigDestroy(config);
  }
  std::vector<std::string> folders;
  for (const std::string& dir : configured) {
    bool nested = false;
    for (const std::string& other : configured) {
      if (IsInside(dir, other)) nested = true;
    }
    bool seen = false;
    for (const std::string& kept : folders) seen = seen || kept == dir;
    if (!nested && !seen) folders.push_back(dir);
  }
  return folders;
}

std::string UserFontFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/fonts";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share/fonts";
}

void DebugTrace(const std::string& line) {
  if (std::getenv("CORVID_TRACE") == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace platform
