#include "client/workflow/self_update.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "client/core/diagnostics.h"
#include "client/core/update_folder.h"
#include "client/workflow/service_protocol.h"
#include "client/workflow/update_signature.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace tessaro {

std::string InstallerFileName() { return platform::ProgramFileName("setup"); }

namespace {

namespace fs = std::filesystem;

// The bytes of a downloaded signature file: a signature is 64 bytes, so anything longer than a
// few hundred is no signature and is not read whole.
std::string ReadSignature(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(256, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

std::string UpdateCheckAddress(const ClientSession& session) {
  std::string address = session.baseAddress() + "/s/api/PCDownloadFonts.ashx?u=" + kClientVersion;
  char buffer[260] = {};
  std::memcpy(buffer, address.data(), std::min<std::size_t>(address.size(), sizeof buffer - 1));
  AnsiToUtf8(buffer, sizeof buffer);
  return UrlEncode(buffer);
}

std::string UpdateArchiveName(const std::string& answer) {
  // One line, with at most a line break (or blanks) around it.
  const char* blanks = " \t\r\n";
  std::size_t first = answer.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  std::string name = answer.substr(first, answer.find_last_not_of(blanks) - first + 1);
  if (name.size() > kMaxUpdateArchiveName || name == "." || name.find("..") != std::string::npos) {
    return {};
  }
  // No folder, no drive, nothing a file name cannot hold, no markup of an error page.
  if (name.find_first_of("/\\:*?\"<>|") != std::string::npos) return {};
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return {};
  }
  return name;
}

void OnBnClickedButton3(ClientSession& session, bool startup) {
  MainView& view = session.view();
  WriteLog("OnBnClickedButton3 begin");
  EnableControls(view, false);
  const std::string address = UpdateCheckAddress(session);
  ServiceAnswer answer =
      RequestServiceText(address, startup ? kStartupCheckTimeouts : kServiceTimeouts);
  if (answer.failure != ServiceFailure::kNone) {
    EnableControls(view, true);
    ReportServiceFailure(answer, address, session);
    return;
  }
  if (answer.text.empty()) {
    WriteLog("OnBnClickedButton3 end nothing update");
    EnableControls(view, true);
    if (!startup) session.Message("当前已经是最新版本");
    return;
  }
  const std::string archive = UpdateArchiveName(answer.text);
  if (archive.empty()) {
    WriteLog("OnBnClickedButton3 end: unusable update name : " + answer.text);
    EnableControls(view, true);
    session.Message("更新失败: 服务给出的更新文件名无效");
    return;
  }
  if (startup && session.Message("存在可更新版本，是否更新？", MainView::Buttons::kOkCancel) !=
                     MainView::Answer::kOk) {
    EnableControls(view, true);
    return;
  }

  if (!session.engine().complete()) {
    WriteLog("OnBnClickedButton3 end: " + session.engine().LoadFailure());
    EnableControls(view, true);
    session.Message("更新失败: " + session.engine().LoadFailure());
    return;
  }
  const std::string archiveAddress = session.baseAddress() + "/TessaroPc/" + archive;
  WriteLog("Begin Download...");
  const std::string updateFolder = UpdateFolder(session.m_workDir);
  std::error_code ignored;
  fs::create_directories(updateFolder, ignored);
  const std::string archivePath = platform::JoinPath(updateFolder, archive);
  session.engine().CallDownloadFile(archiveAddress.c_str(), updateFolder.c_str());
  // Nothing of an update is unpacked or run before its signature is checked: whoever can change
  // the network's answers could otherwise run a program of theirs on this computer.
  if (fs::exists(archivePath, ignored)) {
    const std::string signatureAddress = archiveAddress + ".sig";
    const std::string signaturePath = archivePath + ".sig";
    session.engine().CallDownloadFile(signatureAddress.c_str(), updateFolder.c_str());
    if (!UpdateSignatureValid(archivePath, ReadSignature(signaturePath))) {
      WriteLog("Update signature invalid : " + archivePath);
      fs::remove(archivePath, ignored);
      fs::remove(signaturePath, ignored);
      EnableControls(view, true);
      session.Message("更新失败: 更新文件签名无效");
      return;
    }
  }
  session.engine().CallDecodeFiles(archivePath.c_str(), updateFolder.c_str());
  WriteLog("OnBnClickedButton3 end");
  WriteLog("Update ...");

  const std::string installer = platform::JoinPath(updateFolder, InstallerFileName());
  bool started = false;
  if (fs::is_regular_file(installer, ignored)) {
    // An unpacked program may have lost its execute permission on the way.
    platform::MakeExecutable(installer);
    started = platform::StartProgram(installer);
  }
  EnableControls(view, true);
  if (!started) {
    WriteLog("Update failed: " + installer);
    session.Message(fs::exists(archivePath, ignored) ? "更新失败: 无法启动安装程序"
                                                     : "更新失败: 无法下载更新");
    return;
  }
  view.CloseWindow();
}

void UpdateCheckThread(ClientSession& session) { OnBnClickedButton3(session, false); }

}  // namespace tessaro
