// Archives written with libarchive's writer, for the extraction and installation tests.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

namespace tessaro_test {

// One member of an archive written by WriteArchive.
struct Member {
  enum Kind { kFile, kFolder, kSymlink, kHardlink };
  Kind kind = kFile;
  std::string name;
  std::string data;  // file contents, or the target of a link
};

enum class Format { kZip, kSevenZip, kTar };

// Writes an archive of `members` to `path` with libarchive's writer. A ZIP archive has all its
// members encrypted with the password "secret" when `zipEncryption` names a method ("zipcrypt",
// "aes256").
inline bool WriteArchive(const std::string& path, Format format,
                         const std::vector<Member>& members,
                         const char* zipEncryption = nullptr) {
  archive* writer = archive_write_new();
  switch (format) {
    case Format::kZip:
      archive_write_set_format_zip(writer);
      if (zipEncryption != nullptr) {
        archive_write_set_format_option(writer, "zip", "encryption", zipEncryption);
        archive_write_set_passphrase(writer, "secret");
      }
      break;
    case Format::kSevenZip:
      archive_write_set_format_7zip(writer);
      break;
    case Format::kTar:
      archive_write_set_format_pax_restricted(writer);
      break;
  }
  bool ok = archive_write_open_filename(writer, path.c_str()) == ARCHIVE_OK;
  for (const Member& member : members) {
    if (!ok) break;
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, member.name.c_str());
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_mtime(entry, 1700000000, 0);
    switch (member.kind) {
      case Member::kFile:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_size(entry, static_cast<la_int64_t>(member.data.size()));
        break;
      case Member::kFolder:
        archive_entry_set_filetype(entry, AE_IFDIR);
        archive_entry_set_perm(entry, 0755);
        break;
      case Member::kSymlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_symlink(entry, member.data.c_str());
        break;
      case Member::kHardlink:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_hardlink(entry, member.data.c_str());
        break;
    }
    ok = archive_write_header(writer, entry) == ARCHIVE_OK;
    if (ok && member.kind == Member::kFile && !member.data.empty()) {
      ok = archive_write_data(writer, member.data.data(), member.data.size()) ==
           static_cast<la_ssize_t>(member.data.size());
    }
    archive_entry_free(entry);
  }
  ok = archive_write_close(writer) == ARCHIVE_OK && ok;
  archive_write_free(writer);
  return ok;
}

}  // namespace tessaro_test
