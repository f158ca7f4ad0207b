// tessaro install with font packages: download, unpack and install them through the engine.
#pragma once

#include <string>
#include <vector>

#include "client/cli/console_client.h"

namespace tessaro::cli {

// Installs `packages`: each an archive or font file on this computer, or an http/https address
// to download first. Every package is unpacked (DecodeFiles) and the fonts of all of them
// installed at once (InstallFonts) into the font install folder, through the engine of `client`
// (a fault inside it leaves a crash dump in the current directory, and the command goes on).
// Progress goes to stderr, what was installed to stdout (with --json one object per package:
// {"package", "installed": [files], "already_installed": [files]} and "error" for one that gave
// no font). A package that gave no font is reported with the reason (the download's HTTP status,
// a damaged or password-protected archive, ...). Returns 0 when every package gave at least one
// font (installed now or already there), else 1.
int InstallPackages(ConsoleClient& client, const std::vector<std::string>& packages);

// Whether `input` is an http or https address (any case of the scheme).
bool IsAddress(const std::string& input);

}  // namespace tessaro::cli
