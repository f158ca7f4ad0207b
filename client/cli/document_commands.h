// tessaro scan, tessaro install and tessaro update --check: the client's workflows on the
// console.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "client/cli/console_client.h"

namespace tessaro::cli {

// Lists the missing fonts of each document and, unless offline, whether each can be downloaded.
// A folder among `inputs` stands for the documents under it. With --json, one object per
// document: {"file", "missing", "offered": {name: [addresses]}}, and "error" for a document that
// could not be read or asked about.
int RunScan(const std::vector<std::string>& inputs, const RunOptions& options);

// Installs for each document among `inputs` (told by its bytes) every font the service offers
// for it, and reports what was installed, what failed and why, and what is not offered; the
// other inputs are font packages (InstallPackages).
int RunInstall(const std::vector<std::string>& inputs, const RunOptions& options);

// Prints the update archive the service names, or nothing when the client is current
// (--json: {"update": name or null}).
int RunUpdateCheck(const RunOptions& options);

// The host of a --service address ("http://127.0.0.1:8080/" gives "127.0.0.1:8080"); nullopt for
// an address the client cannot use (another scheme, an empty host, a path).
std::optional<std::string> ServiceHostOf(const std::string& address);

}  // namespace tessaro::cli
