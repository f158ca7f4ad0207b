// A file written under a temporary name and put in place only when it is complete.
//
// Unpacking and downloading both write data that may break off halfway (a damaged archive, a
// dropped connection). They write into a StagingFile beside the final name and commit it when
// everything arrived: the final file then appears whole, replacing an older one in one step, or
// not at all. An uncommitted staging file is removed when the object goes away.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace corvid {

class StagingFile {
 public:
  StagingFile() = default;
  ~StagingFile();
  StagingFile(const StagingFile&) = delete;
  StagingFile& operator=(const StagingFile&) = delete;

  // Creates a new, empty staging file with a hidden name unique to this process in `folder`
  // (narrow code page, no trailing separator). Returns false when it cannot be created.
  bool Open(const std::string& folder);
  // The same for a folder given as a path of std::filesystem (platform::PathFromText), which
  // may name a folder outside the narrow code page.
  bool Open(const std::filesystem::path& folder);

  bool IsOpen() const { return file_ != nullptr; }

  // Appends `size` bytes. Returns false (and the file is no longer fit to commit) on a failed
  // write.
  bool Write(const void* data, std::size_t size);

  // Closes the file and renames it to `finalPath`, replacing a file (or a symbolic link, never
  // what it points to) of that name. Returns false, removing the staging file, when any write,
  // the close or the rename failed.
  bool Commit(const std::string& finalPath);
  bool Commit(const std::filesystem::path& finalPath);

  // Closes and removes the staging file; nothing is left behind. Safe to call more than once.
  void Discard();

 private:
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  bool failed_ = false;
};

// Copies everything left in `in`, block by block, to `write`. Returns false when a read or a
// write failed.
bool CopyStream(std::FILE* in,
                const std::function<bool(const char* data, std::size_t size)>& write);

}  // namespace corvid
