// The state that the client's workflows share, owned by the main window (or the command line).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/core/engine_binding.h"
#include "client/workflow/main_view.h"

namespace tessaro {

// The client's version, sent to the update check.
inline constexpr const char* kClientVersion = "1.30";

// The service host built into the client (scheme-less; "http://" + host is the base address).
const char* DefaultServiceHost();

// The service host the client talks to: the environment variable TESSARO_SERVICE_HOST when it is
// set and not empty (for tests and the demo, which run a service on 127.0.0.1:PORT), else the
// built-in host. The client takes no command-line arguments, so this is its only setting.
std::string ConfiguredServiceHost();

// What a window says when asked for something while a workflow runs.
inline constexpr char kBusyMessage[] = "请等待当前操作完成";

// The caption of every message box: "Tessaro网" followed by the service host.
std::string MessageCaption(const std::string& serviceHost);

class ClientSession {
 public:
  // `serviceHost` is the host (and port) of the font service; `workDir` the working folder, which
  // holds the engine, crash dumps and the batch and update folders.
  ClientSession(MainView& view, std::string serviceHost, std::string workDir);
  // Waits for a running worker before the state goes away.
  ~ClientSession();
  ClientSession(const ClientSession&) = delete;
  ClientSession& operator=(const ClientSession&) = delete;

  MainView& view() { return view_; }
  EngineBinding& engine() { return engine_; }
  const std::string& serviceHost() const { return serviceHost_; }
  // "http://" + host, without a trailing slash.
  std::string baseAddress() const { return "http://" + serviceHost_; }
  // The caption of every message box (MessageCaption).
  std::string caption() const { return MessageCaption(serviceHost_); }

  // Shows a message with the standard caption.
  MainView::Answer Message(const std::string& text,
                           MainView::Buttons buttons = MainView::Buttons::kOk);

  // Workflows never overlap. BeginWorkflow marks one as running and returns false when one runs
  // already; EndWorkflow marks its end. StartWorker runs `work` between the two on a worker
  // thread and returns false (running nothing) when a workflow runs already.
  bool BeginWorkflow();
  void EndWorkflow();
  bool StartWorker(std::function<void()> work);
  bool busy() const { return busy_.load(); }
  // Waits until the worker thread (if any) has ended.
  void JoinWorker();

  std::string m_workDir;
  std::string m_filePath;
  std::vector<std::vector<std::string>> m_downloadPaths;
  // The font of each list row, in row order: row i, entry i of m_downloadPaths and name i belong
  // together. Set by the analysis, kept in step by the batch.
  std::vector<std::string> m_fontNames;
  // The service answered the last font query for every name. When not, no row's offers are known
  // (the rows say "无法查询") and nothing can be downloaded.
  bool m_queryAnswered = false;

 private:
  MainView& view_;
  std::string serviceHost_;
  EngineBinding engine_;
  std::atomic<bool> busy_{false};
  std::mutex workerMutex_;
  std::thread worker_;
};

// True when the session's engine is loaded with all four exports. Otherwise shows the engine's
// load failure ("libCorvid.so加载失败", ...) again and returns false: a workflow that needs the
// engine is refused rather than run without it.
bool RequireEngine(ClientSession& session);

}  // namespace tessaro
