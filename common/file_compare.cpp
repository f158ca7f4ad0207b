#include "common/file_compare.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_map>

#include "platform/file_stamp.h"

namespace tessaro {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

std::optional<std::uint64_t> FileSize(const std::string& path) {
  std::optional<platform::FileStamp> stamp = platform::StampFile(path);
  if (!stamp) return std::nullopt;
  return stamp->size;
}

// The bytes of two files known to have the same size.
bool SameContents(const std::string& a, const std::string& b) {
  std::FILE* fa = std::fopen(a.c_str(), "rb");
  std::FILE* fb = fa != nullptr ? std::fopen(b.c_str(), "rb") : nullptr;
  bool same = fa != nullptr && fb != nullptr;
  std::vector<char> blockA(same ? kBlockSize : 0), blockB(same ? kBlockSize : 0);
  while (same) {
    std::size_t na = std::fread(blockA.data(), 1, blockA.size(), fa);
    std::size_t nb = std::fread(blockB.data(), 1, blockB.size(), fb);
    same = na == nb && std::equal(blockA.begin(), blockA.begin() + na, blockB.begin());
    if (na == 0) break;
  }
  if (same) same = std::ferror(fa) == 0 && std::ferror(fb) == 0;
  if (fa != nullptr) std::fclose(fa);
  if (fb != nullptr) std::fclose(fb);
  return same;
}

}  // namespace

bool SameFileBytes(const std::string& a, const std::string& b) {
  std::optional<std::uint64_t> sizeA = FileSize(a);
  std::optional<std::uint64_t> sizeB = sizeA ? FileSize(b) : std::nullopt;
  return sizeA && sizeB && *sizeA == *sizeB && SameContents(a, b);
}

std::vector<std::string> FindCopies(const std::vector<std::string>& files,
                                    const std::vector<std::string>& candidates) {
  std::unordered_map<std::uint64_t, std::vector<const std::string*>> bySize;
  for (const std::string& candidate : candidates) {
    if (std::optional<std::uint64_t> size = FileSize(candidate)) {
      bySize[*size].push_back(&candidate);
    }
  }
  std::vector<std::string> copies(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::optional<std::uint64_t> size = FileSize(files[i]);
    if (!size) continue;
    auto sameSize = bySize.find(*size);
    if (sameSize == bySize.end()) continue;
    for (const std::string* candidate : sameSize->second) {
      if (SameContents(files[i], *candidate)) {
        copies[i] = *candidate;
        break;
      }
    }
  }
  return copies;
}

}  // namespace tessaro
