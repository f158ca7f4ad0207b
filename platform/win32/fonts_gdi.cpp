// Installed fonts for Windows through GDI (EnumFontFamiliesExA, AddFontResourceA), the font
// registry keys and the WM_FONTCHANGE broadcast.
//
// Fonts are installed machine-wide (the system's Fonts folder, HKLM) by an elevated process and
// for the user (%LOCALAPPDATA%\Microsoft\Windows\Fonts, HKCU with full paths, which Windows 10
// 1809 and later load at logon) by any other. The version of the installed fonts follows the
// last write times of both registry keys, which every installation changes, and this process's
// own registrations.
#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"
#include "platform/win32/known_folder.h"

namespace platform {
namespace {

constexpr const char* kFontsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
// How long each top-level window may take to hear of the change.
constexpr UINT kAnnounceMillisecondsPerWindow = 1000;

std::atomic<FontInstallScope> g_scope{FontInstallScope::kByElevation};

std::mutex g_mutex;
std::vector<std::string> g_installedFolders;  // of the fonts this process registered
std::uint64_t g_version = 1;
FILETIME g_seenMachineKey{};
FILETIME g_seenUserKey{};

bool ProcessIsElevated() {
  static const bool elevated = [] {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool yes =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return yes;
  }();
  return elevated;
}

bool InstallsMachineWide() {
  switch (g_scope.load()) {
    case FontInstallScope::kMachine:
      return true;
    case FontInstallScope::kUser:
      return false;
    case FontInstallScope::kByElevation:
      break;
  }
  return ProcessIsElevated();
}

std::string SystemFontFolder() { return win32::KnownFolderPath(win32::KnownFolder::kFonts); }

std::string UserFontFolder() {
  std::string localAppData = win32::KnownFolderPath(win32::KnownFolder::kLocalAppData);
  return localAppData.empty() ? std::string() : JoinPath(localAppData, "Microsoft\\Windows\\Fonts");
}

std::wstring Wide(const std::string& narrow) {
  int size =
      MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(),
                        size);
  }
  return wide;
}

// Paths compare as the file system does: without regard to letter case.
bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsInside(const std::wstring& path, const std::wstring& folder) {
  return path.size() > folder.size() && SameText(path.substr(0, folder.size()), folder) &&
         (IsSeparator(path[folder.size()]) || IsSeparator(folder.back()));
}

std::string FolderOf(const std::string& file) {
  std::size_t cut = file.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : file.substr(0, cut);
}

std::string WithoutTrailingSeparators(std::string folder) {
  // "C:\" keeps its separator: without it, it names the current folder of drive C.
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

FILETIME KeyWriteTime(HKEY root) {
  FILETIME written{};
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kFontsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, &written);
    RegCloseKey(key);
  }
  return written;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

struct Enumeration {
  FaceNameCallback callback;
  void* context;
  // The ANSI code page stands for another than the system's: names are given in that one.
  bool convert;
};

int CALLBACK OnFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM parameter) {
  const auto& enumeration = *reinterpret_cast<const Enumeration*>(parameter);
  const char* name = font->lfFaceName;
  if (enumeration.convert) {
    std::string narrow = ConvertCodePage(name, GetACP(), kAnsiCodePage).value_or(name);
    return enumeration.callback(narrow.c_str(), enumeration.context) != 0;
  }
  return enumeration.callback(name, enumeration.context) != 0;
}

}  // namespace

void EnumerateInstalledFaceNames(FaceNameCallback callback, void* context) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return;
  Enumeration enumeration{callback, context, ResolveCodePage(kAnsiCodePage) != GetACP()};
  LOGFONTA all{};
  all.lfCharSet = DEFAULT_CHARSET;  // every character set; no face name: every family
  // The callback's zero ends the enumeration there.
  EnumFontFamiliesExA(screen, &all, &OnFace, reinterpret_cast<LPARAM>(&enumeration), 0);
  ReleaseDC(nullptr, screen);
}

std::vector<std::string> SystemFontFolders() {
  std::vector<std::string> candidates = {SystemFontFolder(), UserFontFolder()};
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    candidates.insert(candidates.end(), g_installedFolders.begin(), g_installedFolders.end());
  }
  std::vector<std::wstring> wide;
  for (std::string& folder : candidates) {
    folder = WithoutTrailingSeparators(folder);
    wide.push_back(Wide(folder));
  }
  std::vector<std::string> folders;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (candidates[i].empty()) continue;
    bool keep = true;
    for (std::size_t k = 0; keep && k < candidates.size(); ++k) {
      if (k == i || candidates[k].empty()) continue;
      // Inside another, or the same as one listed before it.
      keep = !IsInside(wide[i], wide[k]) && !(k < i && SameText(wide[i], wide[k]));
    }
    if (keep) folders.push_back(candidates[i]);
  }
  return folders;
}

std::string FontInstallFolder() {
  return InstallsMachineWide() ? SystemFontFolder() : UserFontFolder();
}

void SetFontInstallScope(FontInstallScope scope) { g_scope.store(scope); }

bool RegisterInstalledFont(const std::string& fontFile, const std::string& faceName) {
  // Loaded first: no registry value is left naming a file that Windows refuses.
  if (AddFontResourceA(fontFile.c_str()) == 0) return false;
  const bool machine = InstallsMachineWide();
  const std::string folder = FolderOf(fontFile);
  // Windows finds a bare name in the system's Fonts folder; any other place needs the full path.
  std::string data = fontFile;
  if (machine && SameText(Wide(folder), Wide(SystemFontFolder()))) {
    data = fontFile.substr(folder.size() + 1);
  }
  const std::string valueName = faceName + " (TrueType)";
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kFontsKey, 0,
                                   nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
  }
  if (status != ERROR_SUCCESS) {
    RemoveFontResourceA(fontFile.c_str());
    return false;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  bool known = false;
  for (const std::string& installed : g_installedFolders) {
    known = known || SameText(Wide(installed), Wide(folder));
  }
  if (!known && !folder.empty()) g_installedFolders.push_back(folder);
  ++g_version;
  return true;
}

bool AnnounceFontChange(const std::string& /*folder*/) {
  // Sent, not posted, so that the windows have heard of it when this returns; a hung window is
  // passed over at once, a slow one after its time.
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kAnnounceMillisecondsPerWindow, &answer) != 0;
}

std::uint64_t InstalledFontsVersion() {
  const FILETIME machine = KeyWriteTime(HKEY_LOCAL_MACHINE);
  const FILETIME user = KeyWriteTime(HKEY_CURRENT_USER);
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!SameTime(machine, g_seenMachineKey) || !SameTime(user, g_seenUserKey)) {
    // Some process installed or removed a font since the last look.
    g_seenMachineKey = machine;
    g_seenUserKey = user;
    ++g_version;
  }
  return g_version;
}

}  // namespace platform

#endif  // _WIN32
