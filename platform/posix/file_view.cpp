// Read-only file views for POSIX systems: open + mmap(PROT_READ).

#include "platform/file_view.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace platform {

std::optional<FileView> FileView::Open(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    close(fd);
    return std::nullopt;
  }
  std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);  // the mapping keeps the file's bytes reachable
  if (address == MAP_FAILED) return std::nullopt;
  madvise(address, size, MADV_SEQUENTIAL);
  return FileView(static_cast<const unsigned char*>(address), size);
}

void FileView::Release() {
  if (data_ != nullptr) munmap(const_cast<unsigned char*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace platform
