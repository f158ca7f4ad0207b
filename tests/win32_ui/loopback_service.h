// A font service of the test's own on 127.0.0.1: the font query answered from a catalogue the test
// sets, the update check with a text it sets, files it holds; its font query can be held back
// (a gate) so that a test sees the window while a workflow runs. TESSARO_SERVICE_HOST names it
// while it lives.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/loopback_http_server.h"
#include "test_support.h"

namespace tessaro_win32_test {

class LoopbackService {
 public:
  LoopbackService();
  ~LoopbackService();

  // "127.0.0.1:PORT".
  const std::string& host() const { return host_; }
  // The requests so far, as "path?query" with the query percent-decoded (UTF-8).
  std::vector<std::string> requests();
  // The font queries so far ("?q=" requests).
  std::vector<std::string> fontQueries();

  // Holds the font query back until OpenGate; `queried` (a manual-reset event) is signalled
  // when one arrives after CloseGate.
  void CloseGate();
  void OpenGate();
  HANDLE queried() const { return queried_; }

  // Font name (UTF-8) -> the paths of its packages.
  std::map<std::string, std::vector<std::string>> catalogue;
  // The answer of the update check.
  std::string updateAnswer;

 private:
  platform_contract::HttpAnswer FontQueryOrUpdate(const platform_contract::HttpRequest& request);

  std::mutex mutex_;
  std::condition_variable gateChanged_;
  bool gateOpen_ = true;
  std::vector<std::string> requests_;
  HANDLE queried_;
  platform_contract::LoopbackHttpServer server_;
  std::string host_;
  tessaro_test::ScopedEnv hostVariable_;
};

// `text` with its %XX escapes decoded.
std::string PercentDecode(const std::string& text);

}  // namespace tessaro_win32_test
