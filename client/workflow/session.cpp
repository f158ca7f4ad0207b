#include "client/workflow/session.h"

#include <cstdlib>
#include <utility>

namespace tessaro {

#ifndef TESSARO_SERVICE_HOST
#define TESSARO_SERVICE_HOST "www.tessaro.example"
#endif

const char* DefaultServiceHost() { return TESSARO_SERVICE_HOST; }

std::string ConfiguredServiceHost() {
  const char* host = std::getenv("TESSARO_SERVICE_HOST");
  return host != nullptr && host[0] != '\0' ? std::string(host) : std::string(DefaultServiceHost());
}

std::string MessageCaption(const std::string& serviceHost) { return "Tessaro网" + serviceHost; }

void EnableControls(MainView& view, bool enable) {
  for (Control control : {Control::kOpenButton, Control::kAboutButton, Control::kUpdateButton,
                          Control::kInstallAllButton, Control::kFontList}) {
    view.EnableControl(control, enable);
  }
}

ClientSession::ClientSession(MainView& view, std::string serviceHost, std::string workDir)
    : m_workDir(std::move(workDir)), view_(view), serviceHost_(std::move(serviceHost)) {}

ClientSession::~ClientSession() { JoinWorker(); }

MainView::Answer ClientSession::Message(const std::string& text, MainView::Buttons buttons) {
  return view_.ShowMessage(text, caption(), buttons);
}

bool ClientSession::BeginWorkflow() {
  bool expected = false;
  return busy_.compare_exchange_strong(expected, true);
}

void ClientSession::EndWorkflow() { busy_.store(false); }

bool ClientSession::StartWorker(std::function<void()> work) {
  if (!BeginWorkflow()) return false;
  std::lock_guard<std::mutex> lock(workerMutex_);
  if (worker_.joinable()) worker_.join();  // the previous worker has ended its workflow
  worker_ = std::thread([this, work = std::move(work)] {
    work();
    EndWorkflow();
  });
  return true;
}

void ClientSession::JoinWorker() {
  std::thread finished;
  {
    std::lock_guard<std::mutex> lock(workerMutex_);
    finished = std::move(worker_);
  }
  if (finished.joinable()) finished.join();
}

bool RequireEngine(ClientSession& session) {
  if (session.engine().complete()) return true;
  const std::string& failure = session.engine().LoadFailure();
  session.Message(failure.empty() ? EngineFileName() + "加载失败" : failure);
  return false;
}

}  // namespace tessaro
