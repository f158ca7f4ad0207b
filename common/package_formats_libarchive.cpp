// The package formats and the examination of a package, through libarchive's reader.

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "common/package_formats.h"

namespace tessaro {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

struct ReaderDeleter {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

// A member or header that cannot be read: encrypted or damaged when the format's reader can tell
// which, else either.
PackageProblem Unreadable(archive* reader) {
  const int encrypted = archive_read_has_encrypted_entries(reader);
  if (encrypted > 0) return PackageProblem::kEncrypted;
  return encrypted == 0 ? PackageProblem::kDamaged : PackageProblem::kDamagedOrEncrypted;
}

}  // namespace

void EnablePackageFormats(archive* reader) {
  archive_read_support_format_rar(reader);
  archive_read_support_format_rar5(reader);
  archive_read_support_format_zip(reader);
  archive_read_support_format_7zip(reader);
  archive_read_support_format_tar(reader);
  archive_read_support_format_gnutar(reader);
  archive_read_support_format_cpio(reader);
  archive_read_support_format_cab(reader);
  archive_read_support_format_lha(reader);
  archive_read_support_format_iso9660(reader);
  archive_read_support_format_xar(reader);
  archive_read_support_filter_gzip(reader);
  archive_read_support_filter_bzip2(reader);
  archive_read_support_filter_xz(reader);
  archive_read_support_filter_lzma(reader);
  archive_read_support_filter_lzip(reader);
  archive_read_support_filter_zstd(reader);
  archive_read_support_filter_lz4(reader);
  archive_read_support_filter_compress(reader);
}

PackageProblem ExaminePackage(const std::string& path) {
  try {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return PackageProblem::kMissing;
    const bool empty = std::fgetc(file) == EOF;
    std::fclose(file);
    if (empty) return PackageProblem::kEmpty;

    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    if (!reader) return PackageProblem::kDamaged;
    EnablePackageFormats(reader.get());
    if (archive_read_open_filename(reader.get(), path.c_str(), kBlockSize) != ARCHIVE_OK) {
      return PackageProblem::kNotAnArchive;
    }
    std::vector<char> block(kBlockSize);
    int members = 0;
    while (true) {
      archive_entry* entry = nullptr;
      const int status = archive_read_next_header(reader.get(), &entry);
      if (status == ARCHIVE_EOF) break;
      if (status < ARCHIVE_WARN) return Unreadable(reader.get());
      ++members;
      if (archive_entry_is_encrypted(entry)) return PackageProblem::kEncrypted;
      la_ssize_t n;
      while ((n = archive_read_data(reader.get(), block.data(), block.size())) > 0) {
      }
      if (n < 0) return Unreadable(reader.get());
    }
    return members == 0 ? PackageProblem::kNoMembers : PackageProblem::kNone;
  } catch (...) {
    // Out of memory: nothing more can be said of the package.
    return PackageProblem::kDamaged;
  }
}

}  // namespace tessaro
