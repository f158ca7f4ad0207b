// tessaro scan, tessaro install DOCUMENT and tessaro update --check: the client's workflows on
// the console.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "client/cli/exit_codes.h"

namespace tessaro::cli {

struct ServiceOptions {
  std::string host;      // host[:port] of the font service
  bool offline = false;  // --no-service: list the missing fonts without asking the service
};

// Lists the missing fonts of each document and, unless offline, whether each can be downloaded.
// With `json`, one object per document: {"file", "missing", "offered": {name: [addresses]}}.
int RunScan(const std::vector<std::string>& files, bool json, const ServiceOptions& service);

// Analyses the document, downloads and installs every font the service offers for it, analyses
// it again and reports what was installed, what failed and what is not offered.
int RunInstallDocument(const std::string& file, bool json, const ServiceOptions& service);

// Prints the update archive the service names, or nothing when the client is current.
int RunUpdateCheck(const ServiceOptions& service);

// The host of a --service address ("http://127.0.0.1:8080/" gives "127.0.0.1:8080"); nullopt for
// an address the client cannot use (another scheme, an empty host, a path).
std::optional<std::string> ServiceHostOf(const std::string& address);

}  // namespace tessaro::cli
