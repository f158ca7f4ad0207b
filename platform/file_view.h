// Whole-file, read-only views of a file's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A read-only view of a whole file, released when the object goes away. Other readers may keep
// opening the file meanwhile. Not copyable; movable.
class FileView {
 public:
  // Maps the file at `path` (narrow text in the ANSI code page). Returns nullopt when the file is
  // missing, unreadable, not a regular file, empty, or cannot be mapped.
  static std::optional<FileView> Open(const std::string& path);

  FileView(FileView&& other) noexcept;
  FileView& operator=(FileView&& other) noexcept;
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;
  ~FileView();

  const unsigned char* data() const { return data_; }
  std::uint64_t size() const { return size_; }

 private:
  FileView(const unsigned char* data, std::uint64_t size) : data_(data), size_(size) {}
  void Release();

  const unsigned char* data_ = nullptr;
  std::uint64_t size_ = 0;
};

}  // namespace platform
