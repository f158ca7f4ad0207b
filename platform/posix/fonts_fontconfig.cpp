// Installed fonts for POSIX systems through fontconfig, installed into the XDG user font folder.
//
// One fontconfig configuration serves the process. It is reloaded when FONTCONFIG_FILE names
// another configuration than the one loaded, and brought up to date with the font folders
// (new font files) otherwise, so that every inventory sees the fonts installed so far. Fonts
// installed by this process are added to the configuration as application fonts, and added again
// to every configuration that replaces it, so that they count even where fontconfig's
// configuration does not list the user's font folder.

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/posix/home_folder.h"
#include "platform/text_codec.h"

namespace platform {
namespace {

std::mutex g_configMutex;
bool g_loaded = false;
std::string g_loadedFile;
// The configuration the application fonts were last added to, referenced so that its address
// cannot be reused by a new configuration unnoticed.
FcConfig* g_appFontsConfig = nullptr;
std::vector<std::string> g_appFonts;
// The configuration InstalledFontsVersion last reported on, referenced for the same reason, and
// the version it reported.
FcConfig* g_versionConfig = nullptr;
std::uint64_t g_fontsVersion = 1;

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
  FcConfig* config = FcConfigReference(nullptr);
  if (config != nullptr && config != g_appFontsConfig && !g_appFonts.empty()) {
    for (const std::string& file : g_appFonts) {
      if (access(file.c_str(), R_OK) == 0) {
        FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str()));
      }
    }
    if (g_appFontsConfig != nullptr) FcConfigDestroy(g_appFontsConfig);
    g_appFontsConfig = FcConfigReference(config);
  }
  return config;
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
    bool more = true;
    for (int i = 0; more && i < fonts->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int k = 0;
           more && FcPatternGetString(fonts->fonts[i], FC_FAMILY, k, &family) == FcResultMatch;
           ++k) {
        const char* name = reinterpret_cast<const char*>(family);
        if (utf8) {
          more = callback(name, context) != 0;
        } else {
          std::string narrow = ConvertCodePage(name, kUtf8CodePage, kAnsiCodePage).value_or(name);
          more = callback(narrow.c_str(), context) != 0;
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
      std::string folder = reinterpret_cast<const char*>(dir);
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      configured.push_back(std::move(folder));
    }
    FcStrListDone(dirs);
    FcConfigDestroy(config);
    // The folders of the fonts this process installed: the configuration may not list them, or
    // may have been loaded before they existed.
    for (const std::string& file : g_appFonts) {
      std::size_t slash = file.find_last_of('/');
      if (slash != std::string::npos && slash > 0) configured.push_back(file.substr(0, slash));
    }
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

std::string FontInstallFolder() {
  return posix::XdgProgramFolder("XDG_DATA_HOME", ".local/share", "fonts");
}

bool RegisterInstalledFont(const std::string& fontFile, const std::string& /*faceName*/) {
  std::lock_guard<std::mutex> lock(g_configMutex);
  FcConfig* config = CurrentConfig();
  if (config == nullptr) return false;
  bool added =
      FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(fontFile.c_str())) == FcTrue;
  if (added) {
    ++g_fontsVersion;
    bool known = false;
    for (const std::string& file : g_appFonts) known = known || file == fontFile;
    if (!known) g_appFonts.push_back(fontFile);
    if (g_appFontsConfig == nullptr) g_appFontsConfig = FcConfigReference(config);
  }
  FcConfigDestroy(config);
  return added;
}

void SetFontInstallScope(FontInstallScope) {}  // one scope: the user's

bool AnnounceFontChange(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_configMutex);
  FcConfig* config = CurrentConfig();
  if (config == nullptr) return false;
  // Forced: the folder is scanned again and the new cache written to the first cache folder of
  // the configuration that can be written.
  FcCache* cache = FcDirCacheRead(reinterpret_cast<const FcChar8*>(folder.c_str()), FcTrue, config);
  bool written =
      cache != nullptr && FcDirCacheValid(reinterpret_cast<const FcChar8*>(folder.c_str()));
  if (cache != nullptr) FcDirCacheUnload(cache);
  FcConfigDestroy(config);
  return written;
}

std::uint64_t InstalledFontsVersion() {
  std::lock_guard<std::mutex> lock(g_configMutex);
  FcConfig* config = CurrentConfig();
  if (config != nullptr && FcConfigUptoDate(config) == FcFalse) {
    // A font folder or a configuration file changed since fontconfig read them: read them again
    // now rather than once fontconfig's own rescan interval has passed.
    FcConfigDestroy(config);
    FcInitReinitialize();
    config = CurrentConfig();
  }
  if (config != g_versionConfig) {
    ++g_fontsVersion;
    if (g_versionConfig != nullptr) FcConfigDestroy(g_versionConfig);
    g_versionConfig = config != nullptr ? FcConfigReference(config) : nullptr;
  }
  if (config != nullptr) FcConfigDestroy(config);
  return g_fontsVersion;
}

}  // namespace platform
