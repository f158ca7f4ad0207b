// Fuzz target: unpacking a package of any bytes. Besides not crashing, nothing may appear outside
// the destination folder, and no link inside it may point out of it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "engine/acquire/archive_extraction.h"

namespace {

namespace fs = std::filesystem;

// The work folder of this process: the package file and the destination folder in it.
const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    fs::path base = fs::temp_directory_path() / ("tessaro-fuzz-archive-" + std::to_string(getpid()));
    fs::create_directories(base);
    return base;
  }();
  return folder;
}

bool Inside(const fs::path& path, const fs::path& root) {
  const std::string p = path.lexically_normal().string();
  const std::string r = root.lexically_normal().string();
  return p == r || p.rfind(r + "/", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path work = WorkFolder();
  const fs::path package = work / "package";
  const fs::path dest = work / "out";
  std::error_code error;
  fs::remove_all(dest, error);
  fs::create_directories(dest);
  {
    std::ofstream out(package, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  corvid::ExtractArchive(package.string(), dest.string());

  for (const fs::directory_entry& entry : fs::directory_iterator(work)) {
    if (entry.path() != package && entry.path() != dest) __builtin_trap();  // written outside
  }
  const fs::path root = fs::canonical(dest);
  for (auto it = fs::recursive_directory_iterator(dest, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_symlink()) continue;
    fs::path target = fs::read_symlink(it->path(), error);
    if (target.is_relative()) target = it->path().parent_path() / target;
    if (!Inside(fs::weakly_canonical(target, error), root)) __builtin_trap();  // links out
  }
  return 0;
}
