#include "client/core/engine_binding.h"

#include <clocale>
#include <ctime>
#include <utility>

#include "client/core/diagnostics.h"
#include "platform/fault_guard.h"
#include "platform/filesystem.h"
#include "platform/local_time.h"

namespace tessaro {

std::string EngineFileName() { return platform::SharedLibraryFileName("Corvid"); }

void EngineBinding::LoadEngine(const std::string& workDir,
                               const std::function<void(const std::string&)>& showMessage,
                               const std::string& dumpFolder) {
  std::setlocale(LC_CTYPE, "");
  m_dumpFolder = dumpFolder.empty() ? workDir : dumpFolder;
  platform::LocalTime(std::time(nullptr));  // reads the time zone now: dump names need it later
  std::string path = platform::JoinPath(workDir, EngineFileName());
  int loadError = 0;
  std::string loadErrorText;
  m_hEngine.Load(path, &loadError, &loadErrorText);
  m_pfnGetLackFontNames =
      reinterpret_cast<GetLackFontNamesFn>(m_hEngine.Symbol("GetLackFontNames"));
  m_pfnDownloadFile = reinterpret_cast<DownloadFileFn>(m_hEngine.Symbol("DownloadFile"));
  m_pfnInstallFonts = reinterpret_cast<InstallFontsFn>(m_hEngine.Symbol("InstallFonts"));
  m_pfnDecodeFiles = reinterpret_cast<DecodeFilesFn>(m_hEngine.Symbol("DecodeFiles"));

  std::string line;
  if (!m_hEngine.loaded()) {
    m_loadFailure = EngineFileName() + "加载失败";
    line = m_loadFailure + ", " + platform::LoadErrorCodeName() + ": " + std::to_string(loadError);
    if (!loadErrorText.empty()) line += " (" + loadErrorText + ")";
  } else if (!complete()) {
    m_loadFailure = EngineFileName() + "加载功能失败";
    // A missing export has no error code of its own on every platform: its name says it all.
    line = m_loadFailure + ", 缺少:";
    const std::pair<const char*, bool> exports[] = {
        {"GetLackFontNames", m_pfnGetLackFontNames != nullptr},
        {"DownloadFile", m_pfnDownloadFile != nullptr},
        {"InstallFonts", m_pfnInstallFonts != nullptr},
        {"DecodeFiles", m_pfnDecodeFiles != nullptr}};
    for (const auto& [name, found] : exports) {
      if (!found) line += std::string(" ") + name;
    }
  } else {
    m_loadFailure.clear();
    return;
  }
  showMessage(m_loadFailure);
  WriteLog(line);
  WriteLog(path);
}

void EngineBinding::Unload() {
  m_hEngine.Unload();
  m_pfnGetLackFontNames = nullptr;
  m_pfnDownloadFile = nullptr;
  m_pfnInstallFonts = nullptr;
  m_pfnDecodeFiles = nullptr;
}

template <typename Call>
void EngineBinding::Guarded(Call&& call) {
  auto trampoline = [](void* context) { (*static_cast<Call*>(context))(); };
  // The dump is written while the fault is being handled, from the faulting thread, so that it
  // can hold that thread's state.
  auto onFault = [](const platform::FaultRecord& fault, void* context) {
    WriteCrashDump(&fault, static_cast<const EngineBinding*>(context)->m_dumpFolder.c_str());
  };
  platform::CallGuarded(trampoline, &call, onFault, this);
}

void EngineBinding::CallGetLackFontNames(const char* documentPath, char* nameBuffer, int* length) {
  if (m_pfnGetLackFontNames == nullptr) return;
  Guarded([&] { m_pfnGetLackFontNames(documentPath, nameBuffer, length); });
}

void EngineBinding::CallDownloadFile(const char* url, const char* destFolder) {
  if (m_pfnDownloadFile == nullptr) return;
  Guarded([&] { m_pfnDownloadFile(url, destFolder); });
}

void EngineBinding::CallInstallFonts(const char* fontFolder) {
  if (m_pfnInstallFonts == nullptr) return;
  Guarded([&] { m_pfnInstallFonts(fontFolder); });
}

void EngineBinding::CallDecodeFiles(const char* archivePath, const char* destFolder) {
  if (m_pfnDecodeFiles == nullptr) return;
  Guarded([&] { m_pfnDecodeFiles(archivePath, destFolder); });
}

}  // namespace tessaro
