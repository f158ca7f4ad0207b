#include "client/core/engine_binding.h"

#include <clocale>
#include <cstdio>

#include "client/core/diagnostics.h"
#include "platform/fault_guard.h"
#include "platform/filesystem.h"

namespace tessaro {

const char* const kEngineFileName = "libCorvid.so";

void EngineBinding::LoadEngine(const std::string& workDir,
                               const std::function<void(const std::string&)>& showMessage,
                               const std::string& dumpFolder) {
  std::setlocale(LC_CTYPE, "");
  m_dumpFolder = dumpFolder.empty() ? workDir : dumpFolder;
  std::string path = workDir + platform::kPathSeparator + kEngineFileName;
  int loadError = 0;
  m_hEngine.Load(path, &loadError);
  m_pfnGetLackFontNames = reinterpret_cast<GetLackFontNamesFn>(m_hEngine.Symbol("GetLackFontNames"));
  m_pfnDownloadFile = reinterpret_cast<DownloadFileFn>(m_hEngine.Symbol("DownloadFile"));
  m_pfnInstallFonts = reinterpret_cast<InstallFontsFn>(m_hEngine.Symbol("InstallFonts"));
  m_pfnDecodeFiles = reinterpret_cast<DecodeFilesFn>(m_hEngine.Symbol("DecodeFiles"));

  char line[64];
  if (!m_hEngine.loaded()) {
    showMessage("Corvid.dll加载失败");
    std::snprintf(line, sizeof line, "%s%d", "Corvid.dll加载失败, windows 错误码: ", loadError);
  } else if (!m_pfnGetLackFontNames || !m_pfnDownloadFile || !m_pfnInstallFonts ||
             !m_pfnDecodeFiles) {
    showMessage("Corvid.dll加载功能失败");
    // A missing export has no error code of its own on POSIX: 127, the code of "not found".
    std::snprintf(line, sizeof line, "%s%d", "Corvid.dll加载功能失败, windows 错误码: ", 127);
  } else {
    return;
  }
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
  platform::FaultRecord fault;
  auto trampoline = [](void* context) { (*static_cast<Call*>(context))(); };
  if (!platform::CallGuarded(trampoline, &call, fault)) {
    WriteCrashDump(&fault, m_dumpFolder.c_str());
  }
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
