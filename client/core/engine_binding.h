// The client's binding to the engine library, loaded at run time from the working folder.
#pragma once

#include <functional>
#include <string>

#include "corvid/corvid.h"
#include "platform/dynamic_library.h"

namespace tessaro {

// The engine's file name in the working folder: "Corvid.dll" on Windows, "libCorvid.so" on POSIX.
std::string EngineFileName();

// Loads the engine, resolves its four exports and calls them through fault guards: a fault
// inside the engine writes one crash dump into the working folder and the call returns as if the
// export had returned. A missing engine or export is skipped, with the caller's outputs unchanged.
// Loading and unloading are not thread-safe; the guarded calls are (the engine's exports are).
class EngineBinding {
 public:
  // The exports' types, calling convention included, as the engine declares them.
  using GetLackFontNamesFn = decltype(&::GetLackFontNames);
  using DownloadFileFn = decltype(&::DownloadFile);
  using InstallFontsFn = decltype(&::InstallFonts);
  using DecodeFilesFn = decltype(&::DecodeFiles);

  EngineBinding() = default;
  ~EngineBinding() { Unload(); }
  EngineBinding(const EngineBinding&) = delete;
  EngineBinding& operator=(const EngineBinding&) = delete;

  // Loads workDir + separator + EngineFileName() and looks up the exports. A failure shows one
  // message through `showMessage` (LoadFailure(): "libCorvid.so加载失败" or
  // "libCorvid.so加载功能失败", with this platform's file name) and logs two lines: the system's
  // error code and description (or the exports that are missing), then the engine's path. The
  // program goes on with whatever was resolved. Crash dumps go into `dumpFolder` (by default the
  // working folder).
  void LoadEngine(const std::string& workDir,
                  const std::function<void(const std::string&)>& showMessage,
                  const std::string& dumpFolder = "");
  void Unload();

  void CallGetLackFontNames(const char* documentPath, char* nameBuffer, int* length);
  void CallDownloadFile(const char* url, const char* destFolder);
  void CallInstallFonts(const char* fontFolder);
  void CallDecodeFiles(const char* archivePath, const char* destFolder);

  // The engine is loaded (some exports may be missing).
  bool loaded() const { return m_hEngine.loaded(); }
  // The engine is loaded with all four exports.
  bool complete() const {
    return m_pfnGetLackFontNames && m_pfnDownloadFile && m_pfnInstallFonts && m_pfnDecodeFiles;
  }
  // The message of the last LoadEngine when it failed ("libCorvid.so加载失败" when the engine
  // could not be loaded, "libCorvid.so加载功能失败" when exports are missing); empty when the
  // engine is complete or was never loaded. A workflow that needs the engine refuses with it.
  const std::string& LoadFailure() const { return m_loadFailure; }

 private:
  template <typename Call>
  void Guarded(Call&& call);

  platform::DynamicLibrary m_hEngine;
  GetLackFontNamesFn m_pfnGetLackFontNames = nullptr;
  DownloadFileFn m_pfnDownloadFile = nullptr;
  InstallFontsFn m_pfnInstallFonts = nullptr;
  DecodeFilesFn m_pfnDecodeFiles = nullptr;
  std::string m_dumpFolder;
  std::string m_loadFailure;
};

}  // namespace tessaro
