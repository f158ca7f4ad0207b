// Known folders for Windows: SHGetKnownFolderPath, narrowed to the ANSI code page.
#ifdef _WIN32

#include "platform/win32/known_folder.h"

#include <windows.h>
// Built on <windows.h>:
#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

namespace platform::win32 {
namespace {

// Puts `wide` into `narrow` in the ANSI code page; false when a character has no exact form
// there (a best fit would name another file). UTF-8, which a system may have as its ANSI code
// page, holds every character and takes none of these flags.
bool Narrow(const wchar_t* wide, std::string& narrow) {
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  int size = WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, nullptr,
                                 utf8 ? nullptr : &usedDefault);
  if (size <= 0 || usedDefault) return false;
  std::vector<char> buffer(static_cast<std::size_t>(size));
  WideCharToMultiByte(CP_ACP, flags, wide, -1, buffer.data(), size, nullptr, nullptr);
  narrow.assign(buffer.data());
  return true;
}

}  // namespace

std::string KnownFolderPath(KnownFolder folder) {
  const KNOWNFOLDERID& id = folder == KnownFolder::kFonts ? FOLDERID_Fonts : FOLDERID_LocalAppData;
  wchar_t* wide = nullptr;
  std::string path;
  // KF_FLAG_DONT_VERIFY: the folder is named even when it does not exist yet.
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &wide)) &&
      !Narrow(wide, path)) {
    DWORD size = GetShortPathNameW(wide, nullptr, 0);
    std::vector<wchar_t> shortPath(size > 0 ? size : 1);
    if (size == 0 || GetShortPathNameW(wide, shortPath.data(), size) == 0 ||
        !Narrow(shortPath.data(), path)) {
      path.clear();
    }
  }
  CoTaskMemFree(wide);
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

}  // namespace platform::win32

#endif  // _WIN32
