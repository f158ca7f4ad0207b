// A private folder for the working files of one command, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace tessaro::cli {

class WorkFolder {
 public:
  // Creates a new folder named `prefix` + a random number in the system's temp folder; path() is
  // empty when none could be made.
  explicit WorkFolder(const std::string& prefix = "tessaro-work-") {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    std::random_device random;
    for (int attempt = 0; attempt < 16 && path_.empty() && !error; ++attempt) {
      fs::path candidate = base / (prefix + std::to_string(random()));
      if (fs::create_directory(candidate, error)) path_ = candidate.string();
    }
  }
  ~WorkFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace tessaro::cli
