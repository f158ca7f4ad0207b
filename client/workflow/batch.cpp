#include "client/workflow/batch.h"

#include <filesystem>

#include "client/core/diagnostics.h"
#include "common/file_compare.h"
#include "common/file_lister.h"
#include "platform/filesystem.h"
#include "platform/fonts.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

// Empties and removes `folder` with everything under it: stale files of an interrupted batch
// must never be installed by the next one.
void RemoveFolder(const std::string& folder) {
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

// The unpacked files whose bytes now stand in the font install folder.
std::vector<std::string> InstalledFiles(const std::string& extractFolder) {
  std::vector<std::string> unpacked;
  CollectFiles(extractFolder, unpacked);
  std::vector<std::string> fonts;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(platform::FontInstallFolder(), error)) {
    if (entry.is_regular_file(error)) fonts.push_back(entry.path().string());
  }
  std::vector<std::string> copies = FindCopies(unpacked, fonts);
  std::vector<std::string> installed;
  for (std::size_t i = 0; i < unpacked.size(); ++i) {
    if (!copies[i].empty()) installed.push_back(fs::path(unpacked[i]).filename().string());
  }
  return installed;
}

}  // namespace

BatchOutcome DownloadAndInstall(ClientSession& session, int index) {
  MainView& view = session.view();
  BatchOutcome outcome;
  WriteLog("DownloadAndInstall begin");
  if (!RequireEngine(session)) {
    WriteLog("DownloadAndInstall end: " + session.engine().LoadFailure());
    return outcome;
  }
  view.SetProgressRange(0, 100);
  const std::string downloadFolder = platform::JoinPath(session.m_workDir, "_downFonts");
  const std::string extractFolder = platform::JoinPath(session.m_workDir, "_exfonts");
  RemoveFolder(downloadFolder);
  RemoveFolder(extractFolder);

  std::vector<std::string> addresses;
  int step = 0;
  if (index < 0) {
    for (const auto& entry : session.m_downloadPaths) {
      addresses.insert(addresses.end(), entry.begin(), entry.end());
    }
    step = addresses.empty() ? 0 : 100 / (static_cast<int>(addresses.size()) + 2);
  } else if (static_cast<std::size_t>(index) < session.m_downloadPaths.size()) {
    addresses = session.m_downloadPaths[index];
    step = addresses.empty() ? 0 : 100 / (static_cast<int>(addresses.size()) + 3);
  }
  if (addresses.empty()) {
    session.Message("没有需要下载的字体");
    WriteLog("DownloadAndInstall end: 没有需要下载的字体");
    return outcome;
  }

  std::error_code ignored;
  fs::create_directories(downloadFolder, ignored);
  fs::create_directories(extractFolder, ignored);
  view.SetProgressStep(step);
  for (const std::string& address : addresses) {
    view.StepProgress();
    session.engine().CallDownloadFile(address.c_str(), downloadFolder.c_str());
    ++outcome.downloads;
  }
  if (index < 0) {
    session.m_downloadPaths.clear();
  } else {
    session.m_downloadPaths.erase(session.m_downloadPaths.begin() + index);
  }

  std::vector<std::string> downloaded;
  CollectFiles(downloadFolder, downloaded);
  for (const std::string& file : downloaded) {
    session.engine().CallDecodeFiles(file.c_str(), extractFolder.c_str());
  }
  view.StepProgress();
  session.engine().CallInstallFonts(extractFolder.c_str());
  view.StepProgress();
  outcome.installedFiles = InstalledFiles(extractFolder);

  RemoveFolder(extractFolder);
  RemoveFolder(downloadFolder);
  view.SetProgressPos(100);
  WriteLog("DownloadAndInstall end");
  session.Message(outcome.installedFiles.empty() ? "下载安装失败" : "下载安装完成");
  view.SetProgressPos(0);
  return outcome;
}

BatchOutcome InstallAllThread(ClientSession& session) {
  EnableControls(session.view(), false);
  BatchOutcome outcome = DownloadAndInstall(session, -1);
  EnableControls(session.view(), true);
  session.view().DeleteAllRows();
  return outcome;
}

BatchOutcome DownloadRow(ClientSession& session, int row) {
  EnableControls(session.view(), false);
  BatchOutcome outcome = DownloadAndInstall(session, row);
  EnableControls(session.view(), true);
  session.view().DeleteRow(row);
  return outcome;
}

}  // namespace tessaro
