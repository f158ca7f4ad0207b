#include "client/cli/console_engine.h"

#include "client/core/diagnostics.h"
#include "common/program_folder.h"
#include "platform/filesystem.h"

namespace tessaro::cli {

void LoadConsoleEngine(EngineBinding& engine, ConsoleView& view, const std::string& caption) {
  std::string programFolder = GetProgramFolder();
  if (!programFolder.empty() && programFolder.back() == platform::kPathSeparator) {
    programFolder.pop_back();
  }
  engine.LoadEngine(
      programFolder,
      [&](const std::string& text) { view.ShowMessage(text, caption, MainView::Buttons::kOk); },
      GetCurrentDir());
}

}  // namespace tessaro::cli
