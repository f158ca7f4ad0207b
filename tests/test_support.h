// Helpers shared by the test programs: fresh temporary folders, files, font configurations.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/environment.h"
#include "platform/filesystem.h"
#include "platform/text_codec.h"

namespace tessaro_test {

// `folder` joined with `relative`, a path written with "/" in the test's source, in this
// platform's own separators.
inline std::string JoinNative(const std::string& folder, std::string relative) {
  std::replace(relative.begin(), relative.end(), '/', platform::kPathSeparator);
  return platform::JoinPath(folder, relative);
}

inline std::string DataPath(const std::string& relative) {
  return JoinNative(TESSARO_TEST_DATA, relative);
}

// A font from Debian's fonts-dejavu-core and fonts-liberation2 packages; empty when missing.
// (Windows test programs run under Wine, which sees the host's root as drive Z:.)
inline std::string SystemFont(const std::string& name) {
  for (const char* folder :
       {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation2"}) {
    std::string path = JoinNative(TESSARO_HOST_ROOT + std::string(folder), name);
    if (std::filesystem::exists(path)) return path;
  }
  return {};
}

// UTF-8 text in the narrow (ANSI) code page, as the engine and the client give names: the same
// bytes where that is UTF-8 (the C locale on Linux), GBK under code page 936; a character the
// code page lacks becomes "?".
inline std::string Ansi(const std::string& utf8) {
  return platform::ConvertCodePage(utf8, platform::kUtf8CodePage, platform::kAnsiCodePage)
      .value_or(utf8);
}

// A fresh folder under the system temp folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() : path_(MakeFolder("tessaro-test-")) {}
  // A fresh folder named `prefix` and random characters; empty when none could be made.
  static std::string MakeFolder(const std::string& prefix) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::random_device random;
    const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
      std::string name = prefix;
      for (int i = 0; i < 8; ++i) name.push_back(kChars[random() % (sizeof kChars - 1)]);
      if (fs::create_directory(base / name, error)) return (base / name).string();
    }
    return {};
  }
  ~TempDir() {
    std::error_code ignored;
    // A test may have made the folder read-only.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // A path inside the folder; `name` may hold "/" for subfolders.
  std::string operator/(const std::string& name) const { return JoinNative(path_, name); }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
inline void WriteFile(const char* path, std::string_view bytes) {
  WriteFile(std::string(path), bytes);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline std::string ReadFile(const char* path) { return ReadFile(std::string(path)); }

// The path of std::filesystem for `utf8`, a name written in the test's source (UTF-8): on
// Windows also for names outside the ANSI code page.
inline std::filesystem::path Utf8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// `path` in UTF-8 with "/" between its parts, on every platform.
inline std::string GenericUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// Whether this system lets the test make symbolic links (Wine cannot, nor can Windows without
// the privilege); asked once.
inline bool SymlinksWork() {
  static const bool works = [] {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path link = fs::temp_directory_path(error) /
                          ("tessaro-link-probe-" + std::to_string(std::random_device{}()));
    if (error) return false;
    fs::create_symlink("target", link, error);
    const bool made = !error;
    fs::remove(link, error);
    return made;
  }();
  return works;
}

// Every entry under `root`, relative and sorted, in UTF-8 with "/" between folders (on every
// platform); folders end in "/", links read "name -> target", files are followed by " (size)"
// when `sizes` is set. Links are not followed.
inline std::vector<std::string> ListTree(const std::filesystem::path& root, bool sizes = false) {
  namespace fs = std::filesystem;
  std::vector<std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::string relative = GenericUtf8(it->path().lexically_relative(root));
    if (it->is_symlink()) {
      relative += " -> " + GenericUtf8(fs::read_symlink(it->path()));
    } else if (it->is_directory()) {
      relative += "/";
    } else if (sizes) {
      relative += " (" + std::to_string(it->file_size()) + ")";
    }
    entries.push_back(relative);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}
inline std::vector<std::string> ListTree(const std::string& root, bool sizes = false) {
  return ListTree(std::filesystem::path(root), sizes);
}
inline std::vector<std::string> ListTree(const char* root, bool sizes = false) {
  return ListTree(std::filesystem::path(root), sizes);
}

// `tree` (of ListTree) without its symbolic links where this system cannot make them: what an
// extraction gives there of an archive that holds links.
inline std::vector<std::string> WithoutLinksUnlessSupported(std::vector<std::string> tree) {
  if (SymlinksWork()) return tree;
  std::erase_if(tree,
                [](const std::string& entry) { return entry.find(" -> ") != std::string::npos; });
  return tree;
}

// Writes a fontconfig configuration whose only fonts are those in `fontDirs`, with its cache in
// `cacheDir`, and returns its path. Point FONTCONFIG_FILE at it to make these the installed fonts.
inline std::string WriteFontConfig(const std::string& path,
                                   const std::vector<std::string>& fontDirs,
                                   const std::string& cacheDir, const std::string& extraXml = "") {
  std::string xml =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
  for (const std::string& dir : fontDirs) xml += "  <dir>" + dir + "</dir>\n";
  xml += "  <cachedir>" + cacheDir + "</cachedir>\n" + extraXml + "</fontconfig>\n";
  WriteFile(path, xml);
  return path;
}

// Removes the proxies named in the environment (which libcurl, and WinINet under Wine, read): the
// machine's proxy must not stand between a test and its own server.
inline void ClearProxyEnvironment() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                           "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    platform::SetEnvironmentValue(name, std::nullopt);
  }
}

// Sets an environment variable for the rest of the test and restores it afterwards.
class ScopedEnv {
 public:
  // Sets `name` to `value`, or removes it when `value` is nullopt.
  ScopedEnv(const char* name, const std::optional<std::string>& value)
      : name_(name), old_(platform::GetEnvironmentValue(name)) {
    platform::SetEnvironmentValue(name_, value);
  }
  ScopedEnv(const char* name, const char* value) : ScopedEnv(name, std::string(value)) {}
  ScopedEnv(const char* name, const std::string& value)
      : ScopedEnv(name, std::optional<std::string>(value)) {}
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { platform::SetEnvironmentValue(name_, old_); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace tessaro_test
