// Read-only file views for Windows: CreateFileA + CreateFileMappingA + MapViewOfFile.
#ifdef _WIN32

#include "platform/file_view.h"

#include <windows.h>

#include <cstdint>
#include <utility>

namespace platform {

std::optional<FileView> FileView::Open(const std::string& path) {
  // Others may go on reading, writing, renaming and deleting the file while it is mapped.
  HANDLE file = CreateFileA(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;  // a folder is refused here too
  LARGE_INTEGER size{};
  const bool mappable = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) &&
                        size.QuadPart > 0 && static_cast<std::uint64_t>(size.QuadPart) <= SIZE_MAX;
  HANDLE mapping =
      mappable ? CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
  CloseHandle(file);  // the mapping keeps the file's bytes reachable
  if (mapping == nullptr) return std::nullopt;
  void* address = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);  // and the view keeps the mapping
  if (address == nullptr) return std::nullopt;
  return FileView(static_cast<const unsigned char*>(address),
                  static_cast<std::uint64_t>(size.QuadPart));
}

void FileView::Release() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace platform

#endif  // _WIN32
