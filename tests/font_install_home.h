// Where the fonts that a test installs go, for the test's lifetime, and nowhere else: never the
// real user's fonts.
#pragma once

#ifdef _WIN32
// (Winsock's header, which the tests' server takes, must come before <windows.h>.)
#include <winsock2.h>
#include <windows.h>
#endif

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "tests/test_support.h"

namespace tessaro_test {

// On POSIX the user's XDG data folder, pointed (with HOME and the cache folder) into `home`, a
// fresh folder. On Windows the Fonts folder that the engine installs into (the system's under
// Wine, which runs programs elevated; of the tests' own prefix), whose new files, and the values
// that name them under the font keys of HKLM and HKCU, are removed again at the end. One at a
// time per process.
class FontInstallHome {
 public:
  explicit FontInstallHome(const std::string& home)
      : home_("HOME", JoinNative(home, "home")),
        data_("XDG_DATA_HOME", JoinNative(home, "data")),
        cache_("XDG_CACHE_HOME", JoinNative(home, "cache")) {
#ifdef _WIN32
    folder_ = platform::FontInstallFolder();
    filesBefore_ = FileNames();
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      valuesBefore_.push_back(RegistryValues(root));
    }
#else
    folder_ = JoinNative(home, "data/fonts");
#endif
  }
  ~FontInstallHome() {
#ifdef _WIN32
    for (const std::string& name : FileNames()) {
      if (filesBefore_.count(name) != 0) continue;
      const std::string file = platform::JoinPath(folder_, name);
      RemoveFontResourceA(file.c_str());
      DeleteFileA(file.c_str());
    }
    const HKEY roots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
    for (std::size_t i = 0; i < 2; ++i) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(roots[i], kFontsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
      for (const std::string& value : RegistryValues(roots[i])) {
        if (valuesBefore_[i].count(value) == 0) RegDeleteValueA(key, value.c_str());
      }
      RegCloseKey(key);
    }
#endif
  }
  FontInstallHome(const FontInstallHome&) = delete;
  FontInstallHome& operator=(const FontInstallHome&) = delete;

  // The folder that fonts are installed into.
  const std::string& folder() const { return folder_; }

  // The files installed into folder() since this object was made, sorted.
  std::vector<std::string> Installed() const {
    std::vector<std::string> installed;
    for (const std::string& name : ListTree(folder_)) {
      if (filesBefore_.count(name) == 0) installed.push_back(name);
    }
    return installed;
  }

 private:
#ifdef _WIN32
  static constexpr const char* kFontsKey =
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

  std::set<std::string> FileNames() const {
    const std::vector<std::string> tree = ListTree(folder_);
    return std::set<std::string>(tree.begin(), tree.end());
  }
  static std::set<std::string> RegistryValues(HKEY root) {
    std::set<std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kFontsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      return values;
    }
    char name[16384];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof name;
      if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      values.emplace(name, size);
    }
    RegCloseKey(key);
    return values;
  }
  std::vector<std::set<std::string>> valuesBefore_;  // of HKLM, of HKCU
#endif
  ScopedEnv home_, data_, cache_;
  std::string folder_;
  std::set<std::string> filesBefore_;
};

}  // namespace tessaro_test
