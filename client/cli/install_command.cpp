#include "client/cli/install_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "client/cli/messages.h"
#include "client/cli/progress_bar.h"
#include "client/workflow/package_problems.h"
#include "common/file_compare.h"
#include "common/file_lister.h"
#include "platform/filesystem.h"
#include "platform/fonts.h"

namespace tessaro::cli {
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

struct Package {
  std::string input;
  std::string unpacked;            // the folder its files were unpacked into
  std::vector<std::string> files;  // the files to unpack: the download, or the input itself
  std::vector<std::string> installed;
  std::vector<std::string> already;
  std::string problem;  // why it gave no font (a client text), when it gave none
};

}  // namespace

bool IsAddress(const std::string& input) {
  std::string head = input.substr(0, 8);
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

int InstallPackages(ConsoleClient& client, const std::vector<std::string>& inputs) {
  EngineBinding& engine = client.session().engine();
  const bool json = client.options().json;
  const std::string userFolder = platform::FontInstallFolder();
  std::vector<std::string> before;
  tessaro::CollectFiles(userFolder, before);

  int steps = 1;  // the installation
  for (const std::string& input : inputs) steps += IsAddress(input) ? 2 : 1;
  ProgressBar progress(steps);
  auto label = [](const std::string& chinese) { return ForTerminal(Localize(chinese)); };

  std::vector<Package> packages;
  const std::string workFolder = client.work().path();
  const std::string unpackRoot = platform::JoinPath(workFolder, "fonts");
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    Package package;
    package.input = inputs[i];
    package.unpacked = platform::JoinPath(unpackRoot, std::to_string(i));
    std::error_code error;
    fs::create_directories(package.unpacked, error);
    if (IsAddress(inputs[i])) {
      const std::string downloads =
          platform::JoinPath(platform::JoinPath(workFolder, "downloads"), std::to_string(i));
      fs::create_directories(downloads, error);
      progress.Step(label("下载 " + ToUtf8(inputs[i])));
      engine.CallDownloadFile(inputs[i].c_str(), downloads.c_str());
      tessaro::CollectFiles(downloads, package.files);
      if (package.files.empty()) package.problem = DownloadFailureReason(inputs[i]);
    } else {
      package.files.push_back(inputs[i]);
    }
    progress.Step(label(
        "解压 " + ToUtf8(package.files.empty() ? inputs[i] : BaseName(package.files.front()))));
    for (const std::string& file : package.files) {
      engine.CallDecodeFiles(file.c_str(), package.unpacked.c_str());
    }
    packages.push_back(std::move(package));
  }
  progress.Step(label("安装字体"));
  engine.CallInstallFonts(unpackRoot.c_str());
  progress.Finish();

  std::vector<std::string> after;
  tessaro::CollectFiles(userFolder, after);
  const std::set<std::string> existing(before.begin(), before.end());
  std::set<std::string> reported;
  for (Package& package : packages) {
    std::vector<std::string> files;
    tessaro::CollectFiles(package.unpacked, files);
    int fonts = 0;
    for (const std::string& copy : tessaro::FindCopies(files, after)) {
      if (copy.empty()) continue;  // not a font: the engine did not install it
      ++fonts;
      if (!reported.insert(copy).second) continue;
      (existing.count(copy) == 0 ? package.installed : package.already).push_back(copy);
    }
    if (fonts == 0 && package.problem.empty()) {
      package.problem = "没有找到字体: " + PackageFailureReason(package.files.front());
    }
  }

  const bool chinese = ChineseLocale();
  int status = kExitOk;
  int installed = 0;
  int present = 0;
  for (const Package& package : packages) {
    installed += static_cast<int>(package.installed.size());
    present += static_cast<int>(package.already.size());
    if (!package.problem.empty()) status = kExitNotObtainable;
    if (json) {
      Json::Value object(Json::objectValue);
      object["package"] = ToUtf8(package.input);
      object["installed"] = JsonStrings(package.installed);
      object["already_installed"] = JsonStrings(package.already);
      if (!package.problem.empty()) object["error"] = English(package.problem);
      PrintJson(object);
      continue;
    }
    for (const auto* list : {&package.installed, &package.already}) {
      const bool isNew = list == &package.installed;
      for (const std::string& copy : *list) {
        if (chinese) {
          std::printf("%s  %s  (%s %s)\n", ForTerminal(isNew ? "已安装  " : "早已安装").c_str(),
                      BaseName(copy).c_str(), ForTerminal("来自").c_str(), package.input.c_str());
        } else {
          std::printf("%-18s %s  (from %s)\n", isNew ? "installed" : "already installed",
                      BaseName(copy).c_str(), package.input.c_str());
        }
      }
    }
    if (!package.problem.empty()) {
      std::printf("%s\n",
                  ForTerminal(Localize(ToUtf8(package.input) + ": " + package.problem)).c_str());
    }
  }
  if (!json) {
    if (chinese) {
      std::printf("%s\n",
                  ForTerminal("新安装 " + std::to_string(installed) + " 个字体，" +
                              std::to_string(present) + " 个早已安装，位于 " + ToUtf8(userFolder))
                      .c_str());
    } else {
      std::printf("%d font%s installed, %d already installed, in %s\n", installed,
                  installed == 1 ? "" : "s", present, userFolder.c_str());
    }
  }
  std::fflush(stdout);
  return status;
}

}  // namespace tessaro::cli
