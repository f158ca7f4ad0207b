// Test doubles for the client workflows: a MainView that records every call and a working
// folder with an engine in it.
#pragma once

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/core/engine_binding.h"
#include "client/workflow/main_view.h"
#include "test_server.h"
#include "test_support.h"
#include "tests/platform/host.h"

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
  Answer ShowMessage(const std::string& text, const std::string& caption,
                     Buttons buttons) override {
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

// The engine's file name, and the built engine in the build's program folder.
inline std::string EngineFile() { return tessaro::EngineFileName(); }
inline std::string BuiltEngine() { return JoinNative(TESSARO_BIN_DIR, EngineFile()); }

// A working folder holding the engine (the real one, or another library under its name).
inline void PutEngine(const std::string& workDir, const std::string& library = BuiltEngine()) {
  LinkOrCopyFile(library, JoinNative(workDir, EngineFile()));
}

}  // namespace tessaro_test
