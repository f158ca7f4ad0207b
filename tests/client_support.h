// Test doubles for the client workflows: a MainView that records every call, a font service
// stand-in on 127.0.0.1, and a working folder with an engine in it.
#pragma once

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/workflow/main_view.h"
#include "test_support.h"

namespace tessaro_test {

// Records the workflow's calls as lines ("enable 1001 0", "pos 50", "message 没有缺失字体", ...),
// keeps the list rows and the progress position, and answers message boxes from a script.
class RecordingView : public tessaro::MainView {
 public:
  void SetProgressRange(int low, int high) override {
    Record("range " + std::to_string(low) + " " + std::to_string(high));
    low_ = low, high_ = high;
  }
  void SetProgressStep(int step) override {
    Record("step " + std::to_string(step));
    step_ = step;
  }
  void StepProgress() override {
    position_ = std::min(high_, position_ + step_);
    Record("pos " + std::to_string(position_));
  }
  void SetProgressPos(int position) override {
    position_ = position;
    Record("pos " + std::to_string(position_));
  }
  void DeleteAllRows() override {
    rows.clear();
    Record("delete all rows");
  }
  void InsertRow(int row, const std::string& name) override {
    rows.insert(rows.begin() + row, std::vector<std::string>{name, "", "", ""});
    Record("insert " + std::to_string(row) + " " + name);
  }
  void SetCell(int row, int column, const std::string& text) override {
    rows.at(row).at(column) = text;
  }
  void DeleteRow(int row) override {
    rows.erase(rows.begin() + row);
    Record("delete row " + std::to_string(row));
  }
  void EnableControl(tessaro::Control control, bool enable) override {
    Record("enable " + std::to_string(static_cast<int>(control)) + " " + (enable ? "1" : "0"));
  }
  void SetEditText(const std::string& text) override { Record("edit " + text); }
  Answer ShowMessage(const std::string& text, const std::string& caption, Buttons buttons) override {
    Record("message " + text);
    captions.push_back(caption);
    std::lock_guard<std::mutex> lock(mutex_);
    if (answers.empty()) return Answer::kOk;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void CloseWindow() override { Record("close"); }

  // The recorded lines that start with `prefix`.
  std::vector<std::string> Lines(const std::string& prefix = "") const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const std::string& line : lines_) {
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
  }
  std::vector<std::string> Messages() const { return Lines("message "); }

  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> captions;
  std::deque<Answer> answers;

 private:
  void Record(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  int low_ = 0, high_ = 100, step_ = 10, position_ = 0;
};

// An HTTP server on 127.0.0.1 with a free port, serving what the test sets up, recording the
// requests' paths with their query.
class TestServer {
 public:
  TestServer() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    // Recorded before the answer is sent, so a test sees every request its call made.
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard<std::mutex> lock(mutex_);
      std::string target = request.path;
      if (!request.params.empty()) {
        target += "?";
        for (const auto& [key, value] : request.params) target += key + "=" + value;
      }
      requests_.push_back(target);
      return httplib::Server::HandlerResponse::Unhandled;
    });
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    server_.stop();
    thread_.join();
  }
  httplib::Server& server() { return server_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

// A working folder holding the engine (the real one, or another library under its name).
inline void PutEngine(const std::string& workDir,
                      const std::string& library = std::string(TESSARO_BIN_DIR) + "/libCorvid.so") {
  std::filesystem::create_symlink(library, workDir + "/libCorvid.so");
}

// A host on which nothing listens.
inline std::string UnreachableHost() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);  // the port is free again and nothing listens on it
  return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

}  // namespace tessaro_test
