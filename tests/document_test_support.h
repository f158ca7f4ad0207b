// Helpers for the document extractor tests: fresh folders, files, the engine's export and the
// standard error stream, all confined to the test's own temporary folder.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/include/corvid/corvid.h"
#include "tests/test_support.h"

namespace document_test {

inline std::string DataPath(const std::string& relative) {
  return tessaro_test::DataPath("documents/" + relative);
}

using tessaro_test::ReadFile;
using tessaro_test::WriteFile;
using TempFolder = tessaro_test::TempDir;

// The names of everything in `folder`, recursively, relative to it, sorted.
inline std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    names.push_back(std::filesystem::relative(entry.path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The names GetLackFontNames reports for `path`. The tests run with an empty font
// configuration, so these are all the names the engine collects from the document.
inline std::set<std::string> LackFontNames(const std::string& path) {
  std::string buffer(2038, '\0');
  int length = static_cast<int>(buffer.size());
  GetLackFontNames(path.c_str(), buffer.data(), &length);
  std::set<std::string> names;
  std::string_view list(buffer.data(), static_cast<std::size_t>(length));
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    names.emplace(list.substr(0, comma));
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
  }
  return names;
}

// Makes `folder` the current directory for the object's lifetime.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(old_, ignored);
  }

 private:
  std::filesystem::path old_;
};

// Sends the process's standard error into `file` until Finish(), which returns what was written.
class StderrCapture {
 public:
  explicit StderrCapture(const std::string& file) : file_(file) {
    fflush(stderr);
    saved_ = dup(2);
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
  }
  ~StderrCapture() { Finish(); }
  std::string Finish() {
    if (saved_ >= 0) {
      fflush(stderr);
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
    }
    return ReadFile(file_);
  }

 private:
  std::string file_;
  int saved_ = -1;
};

}  // namespace document_test
