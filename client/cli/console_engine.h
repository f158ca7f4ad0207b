// The engine as the console commands load it.
#pragma once

#include "client/cli/console_view.h"
#include "client/core/engine_binding.h"

namespace tessaro::cli {

// Loads the engine from the program's own folder into `engine`, as the window client loads it
// from its working folder: a failure is shown on `view` (with `caption`) and logged. Crash dumps
// of faults inside the engine go into the current directory.
void LoadConsoleEngine(EngineBinding& engine, ConsoleView& view, const std::string& caption);

}  // namespace tessaro::cli
