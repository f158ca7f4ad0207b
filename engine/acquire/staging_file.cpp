#include "engine/acquire/staging_file.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "platform/filesystem.h"

namespace corvid {
namespace {

// Staging names must not collide between threads of this process nor with another process
// unpacking into the same folder: a per-process random tag and a counter.
std::string NextStagingName() {
  static const unsigned long long tag = std::random_device{}() ^ (std::random_device{}() << 16);
  static std::atomic<unsigned long long> counter{0};
  return ".corvid-" + std::to_string(tag % 1000000007ULL) + "-" +
         std::to_string(counter.fetch_add(1)) + ".part";
}

}  // namespace

StagingFile::~StagingFile() { Discard(); }

bool StagingFile::Open(const std::string& folder) {
  return Open(platform::PathFromText(folder, platform::kAnsiCodePage));
}

bool StagingFile::Open(const std::filesystem::path& folder) {
  Discard();
  for (int attempt = 0; attempt < 8 && file_ == nullptr; ++attempt) {
    std::filesystem::path path = folder / NextStagingName();
    // A new file only: never reuse one that is already there.
    platform::NewFile created = platform::CreateNewFile(path);
    file_ = created.file;
    if (file_ != nullptr) path_ = std::move(path);
    if (created.status == platform::NewFileStatus::kFailed) break;
  }
  failed_ = false;
  return file_ != nullptr;
}

bool StagingFile::Write(const void* data, std::size_t size) {
  if (file_ == nullptr || failed_) return false;
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return !failed_;
}

bool StagingFile::Commit(const std::string& finalPath) {
  return Commit(platform::PathFromText(finalPath, platform::kAnsiCodePage));
}

bool StagingFile::Commit(const std::filesystem::path& finalPath) {
  if (file_ == nullptr) return false;
  bool ok = !failed_;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  if (ok) {
    std::error_code error;
    std::filesystem::rename(path_, finalPath, error);
    ok = !error;
  }
  if (!ok) Discard();
  path_.clear();
  return ok;
}

void StagingFile::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    path_.clear();
  }
}

bool CopyStream(std::FILE* in,
                const std::function<bool(const char* data, std::size_t size)>& write) {
  std::vector<char> block(64 * 1024);
  while (true) {
    std::size_t n = std::fread(block.data(), 1, block.size(), in);
    if (n == 0) return std::ferror(in) == 0;
    if (!write(block.data(), n)) return false;
  }
}

}  // namespace corvid
