#include "client/workflow/batch.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "client/core/diagnostics.h"
#include "client/workflow/analysis.h"
#include "client/workflow/document_check.h"
#include "client/workflow/package_problems.h"
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

std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  CollectFiles(folder, files);
  return files;
}

// The file name part of an address, for progress texts.
std::string NameInAddress(const std::string& address) {
  std::string path = address.substr(0, address.find_first_of("?#"));
  return path.substr(path.find_last_of('/') + 1);
}

// The fonts still missing from the document of the session; nullopt when it cannot be asked.
std::optional<std::set<std::string>> StillMissing(ClientSession& session) {
  if (!session.engine().complete() || session.m_filePath.empty() ||
      CheckDocument(session.m_filePath).problem != DocumentProblem::kNone) {
    return std::nullopt;
  }
  std::vector<char> buffer(kLackFontBufferSize, '\0');
  int length = kLackFontBufferSize;
  session.engine().CallGetLackFontNames(session.m_filePath.c_str(), buffer.data(), &length);
  std::vector<std::string> names;
  SplitNames(names, buffer.data(), std::clamp(length, 0, kLackFontBufferSize));
  return std::set<std::string>(names.begin(), names.end());
}

// The reasons of the packages that gave no font, each once, joined with "; ".
std::string PackageProblems(const RowOutcome& row) {
  std::string problems;
  std::set<std::string> seen;
  for (const PackageOutcome& package : row.packages) {
    if (package.problem.empty() || !seen.insert(package.problem).second) continue;
    if (!problems.empty()) problems += "; ";
    problems += package.problem;
  }
  return problems;
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

  const auto& table = session.m_downloadPaths;
  const bool named = session.m_fontNames.size() == table.size();
  int first = index < 0 ? 0 : index;
  int last = index < 0 ? static_cast<int>(table.size()) : index + 1;
  if (index >= static_cast<int>(table.size())) last = first;  // no such row
  int count = 0;
  for (int i = first; i < last; ++i) {
    RowOutcome row;
    row.row = i;
    if (named) row.name = session.m_fontNames[i];
    row.offered = !table[i].empty();
    for (const std::string& address : table[i]) {
      PackageOutcome package;
      package.address = address;
      row.packages.push_back(std::move(package));
    }
    count += static_cast<int>(row.packages.size());
    outcome.rows.push_back(std::move(row));
  }
  if (count < 1) {
    session.Message(session.m_queryAnswered || table.empty() ? "没有需要下载的字体"
                                                             : "无法查询下载地址");
    WriteLog("DownloadAndInstall end: 没有需要下载的字体");
    outcome.rows.clear();
    return outcome;
  }

  // Each package in folders of its own, so that what it gave is known.
  view.SetProgressStep(100 / (count + (index < 0 ? 2 : 3)));
  int number = 0;
  for (RowOutcome& row : outcome.rows) {
    for (PackageOutcome& package : row.packages) {
      const std::string folder = platform::JoinPath(downloadFolder, std::to_string(number));
      std::error_code ignored;
      fs::create_directories(folder, ignored);
      ++number;
      view.SetProgressText("下载 " + NameInAddress(package.address) + " " + std::to_string(number) +
                               "/" + std::to_string(count),
                           folder);
      view.StepProgress();
      session.engine().CallDownloadFile(package.address.c_str(), folder.c_str());
      ++outcome.downloads;
    }
  }
  view.SetProgressText("解压");
  for (int package = 0; package < count; ++package) {
    const std::string name = std::to_string(package);
    const std::string unpacked = platform::JoinPath(extractFolder, name);
    std::error_code ignored;
    fs::create_directories(unpacked, ignored);
    for (const std::string& file : FilesUnder(platform::JoinPath(downloadFolder, name))) {
      session.engine().CallDecodeFiles(file.c_str(), unpacked.c_str());
    }
  }
  view.StepProgress();
  view.SetProgressText("安装字体");
  session.engine().CallInstallFonts(extractFolder.c_str());
  view.StepProgress();

  // What each package gave: its unpacked files whose bytes now stand in the font folder.
  std::vector<std::string> fonts;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(platform::FontInstallFolder(), error)) {
    if (entry.is_regular_file(error)) fonts.push_back(entry.path().string());
  }
  number = 0;
  for (RowOutcome& row : outcome.rows) {
    for (PackageOutcome& package : row.packages) {
      const std::string name = std::to_string(number++);
      const std::vector<std::string> unpacked = FilesUnder(platform::JoinPath(extractFolder, name));
      const std::vector<std::string> copies = FindCopies(unpacked, fonts);
      for (std::size_t i = 0; i < unpacked.size(); ++i) {
        if (copies[i].empty()) continue;
        ++package.fonts;
        outcome.installedFiles.push_back(fs::path(unpacked[i]).filename().string());
      }
      if (package.fonts > 0) continue;
      const std::vector<std::string> downloaded =
          FilesUnder(platform::JoinPath(downloadFolder, name));
      package.problem = downloaded.empty() ? DownloadFailureReason(package.address)
                                           : PackageFailureReason(downloaded.front());
      WriteLog("DownloadAndInstall : " + package.address + " : " + package.problem);
    }
  }
  RemoveFolder(extractFolder);
  RemoveFolder(downloadFolder);

  // Which tried fonts are missing no more.
  const std::optional<std::set<std::string>> missing = StillMissing(session);
  bool anyInstalled = false;
  std::string failures;
  for (RowOutcome& row : outcome.rows) {
    if (!row.offered) continue;
    int fontsOfRow = 0;
    for (const PackageOutcome& package : row.packages) fontsOfRow += package.fonts;
    row.installed = missing && named ? missing->count(row.name) == 0 : fontsOfRow > 0;
    anyInstalled = anyInstalled || row.installed;
    if (row.installed) continue;
    row.problem = fontsOfRow > 0 ? kNoFontOfThatName : PackageProblems(row);
    failures += "\n" + (row.name.empty() ? row.problem : row.name + ": " + row.problem);
  }
  view.SetProgressPos(100);
  WriteLog("DownloadAndInstall end");
  session.Message((anyInstalled ? "下载安装完成" : "下载安装失败") + failures);
  view.SetProgressPos(0);
  return outcome;
}

void ApplyBatch(ClientSession& session, const BatchOutcome& outcome) {
  MainView& view = session.view();
  // From the last row up, so that the rows still to do keep their numbers.
  for (auto row = outcome.rows.rbegin(); row != outcome.rows.rend(); ++row) {
    if (!row->offered || row->row >= static_cast<int>(session.m_downloadPaths.size())) continue;
    if (!row->installed) {
      view.SetCell(row->row, kStatusColumn, "安装失败");
      continue;
    }
    view.DeleteRow(row->row);
    session.m_downloadPaths.erase(session.m_downloadPaths.begin() + row->row);
    if (session.m_fontNames.size() > static_cast<std::size_t>(row->row)) {
      session.m_fontNames.erase(session.m_fontNames.begin() + row->row);
    }
  }
}

BatchOutcome InstallAllThread(ClientSession& session) {
  EnableControls(session.view(), false);
  BatchOutcome outcome = DownloadAndInstall(session, -1);
  EnableControls(session.view(), true);
  ApplyBatch(session, outcome);
  return outcome;
}

BatchOutcome DownloadRow(ClientSession& session, int row) {
  EnableControls(session.view(), false);
  BatchOutcome outcome = DownloadAndInstall(session, row);
  EnableControls(session.view(), true);
  ApplyBatch(session, outcome);
  return outcome;
}

void InstallClickedRow(ClientSession& session, int row) {
  const auto& paths = session.m_downloadPaths;
  if (row < 0 || static_cast<std::size_t>(row) >= paths.size() || paths[row].empty()) {
    // Without an answer of the service nobody knows whether it offers the font.
    session.Message(session.m_queryAnswered ? "此正版字体不提供免费下载" : "无法查询下载地址");
    return;
  }
  if (!session.BeginWorkflow()) {
    session.Message(kBusyMessage);
    return;
  }
  DownloadRow(session, row);
  session.EndWorkflow();
}

}  // namespace tessaro
