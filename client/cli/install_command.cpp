#include "client/cli/install_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "client/cli/console_engine.h"
#include "client/cli/console_view.h"
#include "client/cli/exit_codes.h"
#include "client/cli/progress_bar.h"
#include "client/cli/work_folder.h"
#include "client/core/diagnostics.h"
#include "client/core/engine_binding.h"
#include "client/workflow/session.h"
#include "common/file_compare.h"
#include "common/file_lister.h"
#include "platform/filesystem.h"
#include "platform/fonts.h"

namespace tessaro::cli {
namespace {

namespace fs = std::filesystem;

bool IsAddress(const std::string& input) {
  std::string head = input.substr(0, 8);
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

struct Package {
  std::string input;
  std::string unpacked;  // the folder its files were unpacked into
  bool fetched = true;   // false: the download or the file was not there
};

}  // namespace

int RunInstall(const std::vector<std::string>& inputs) {
  if (inputs.empty()) {
    std::fputs("usage: tessaro install ARCHIVE_OR_URL...\n", stderr);
    return kExitBadInput;
  }
  for (const std::string& input : inputs) {
    std::error_code error;
    if (!IsAddress(input) && !fs::is_regular_file(input, error)) {
      std::fprintf(stderr, "tessaro: cannot read %s\n", input.c_str());
      return kExitBadInput;
    }
  }
  WorkFolder work("tessaro-install-");
  if (work.path().empty()) {
    std::fputs("tessaro: cannot create a work folder\n", stderr);
    return kExitBadInput;
  }
  SetLogFolder(work.path());
  ConsoleView view;
  EngineBinding engine;
  LoadConsoleEngine(engine, view, MessageCaption(ConfiguredServiceHost()));
  if (!engine.complete()) return kExitBadInput;
  std::string userFolder = platform::FontInstallFolder();
  std::vector<std::string> before;
  tessaro::CollectFiles(userFolder, before);

  int steps = 1;  // the installation
  for (const std::string& input : inputs) steps += IsAddress(input) ? 2 : 1;
  ProgressBar progress(steps);

  std::vector<Package> packages;
  std::string unpackRoot = platform::JoinPath(work.path(), "fonts");
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    Package package{inputs[i], platform::JoinPath(unpackRoot, std::to_string(i))};
    std::error_code error;
    fs::create_directories(package.unpacked, error);
    std::vector<std::string> archives;
    if (IsAddress(inputs[i])) {
      std::string downloads =
          platform::JoinPath(platform::JoinPath(work.path(), "downloads"), std::to_string(i));
      fs::create_directories(downloads, error);
      progress.Step("downloading " + inputs[i]);
      engine.CallDownloadFile(inputs[i].c_str(), downloads.c_str());
      tessaro::CollectFiles(downloads, archives);
    } else {
      archives.push_back(inputs[i]);
    }
    progress.Step("unpacking " + (archives.empty() ? inputs[i] : BaseName(archives.front())));
    package.fetched = !archives.empty();
    for (const std::string& archive : archives) {
      engine.CallDecodeFiles(archive.c_str(), package.unpacked.c_str());
    }
    packages.push_back(std::move(package));
  }
  progress.Step("installing fonts");
  engine.CallInstallFonts(unpackRoot.c_str());
  progress.Finish();

  std::vector<std::string> after;
  tessaro::CollectFiles(userFolder, after);
  std::set<std::string> existing(before.begin(), before.end());
  int installed = 0;
  int present = 0;
  int status = kExitOk;
  std::set<std::string> reported;
  for (const Package& package : packages) {
    std::vector<std::string> files;
    tessaro::CollectFiles(package.unpacked, files);
    std::vector<std::string> copies = tessaro::FindCopies(files, after);
    int fonts = 0;
    for (const std::string& copy : copies) {
      if (copy.empty()) continue;  // not a font: the engine did not install it
      ++fonts;
      if (!reported.insert(copy).second) continue;
      bool isNew = existing.count(copy) == 0;
      (isNew ? installed : present) += 1;
      std::printf("%-18s %s  (from %s)\n", isNew ? "installed" : "already installed",
                  BaseName(copy).c_str(), package.input.c_str());
    }
    if (fonts == 0) {
      std::printf("%s: %s\n", package.input.c_str(),
                  package.fetched ? "no fonts found" : "download failed");
      status = kExitNotObtainable;
    }
  }
  std::printf("%d font%s installed, %d already installed, in %s\n", installed,
              installed == 1 ? "" : "s", present, userFolder.c_str());
  std::fflush(stdout);
  return status;
}

}  // namespace tessaro::cli
