// tessaro install: download, unpack and install font packages through the engine.
#pragma once

#include <string>
#include <vector>

namespace tessaro::cli {

// Runs `tessaro install` on `inputs`: each an archive or font file on this computer, or an
// http/https address to download first. Every package is unpacked (DecodeFiles) and the fonts of
// all of them installed at once (InstallFonts) into the font install folder. The engine is loaded
// and called as by the other commands (EngineBinding): a fault inside it leaves a crash dump in
// the current directory, and the command goes on. Progress goes to
// stderr (one line redrawn on a terminal, one line per step otherwise), a summary of what was
// installed to stdout. Returns the exit code: 0 when every input gave at least one font
// (installed now or already there), 1 when some input gave none, 2 for a usage error or an
// engine that cannot be loaded.
int RunInstall(const std::vector<std::string>& inputs);

}  // namespace tessaro::cli
