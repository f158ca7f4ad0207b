// Archives written with libarchive's writer, for the extraction and installation tests.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace tessaro_test {

// Whether wchar_t holds UTF-16, as on Windows.
inline constexpr bool kWideNames = sizeof(wchar_t) == sizeof(char16_t);

// Sets a name of `entry` from UTF-8: on Windows (UTF-16 wchar_t) as wide text, which is all
// that libarchive converts there without regard to the C library's locale; elsewhere as the
// bytes they are.
inline void SetName(archive_entry* entry, const std::string& utf8,
                    void (*narrow)(archive_entry*, const char*),
                    void (*wide)(archive_entry*, const wchar_t*)) {
  if constexpr (kWideNames) {
    const std::u16string text =
        platform::MultiByteToWide(utf8, platform::kUtf8CodePage).value_or(u"");
    wide(entry, std::wstring(text.begin(), text.end()).c_str());
  } else {
    narrow(entry, utf8.c_str());
  }
}

// Opens the archive file under its native name: wide on Windows, narrow on POSIX.
inline int OpenForWriting(archive* writer, const wchar_t* path) {
  return archive_write_open_filename_w(writer, path);
}
[[maybe_unused]] inline int OpenForWriting(archive* writer, const char* path) {
  return archive_write_open_filename(writer, path);
}

// One member of an archive written by WriteArchive.
struct Member {
  enum Kind { kFile, kFolder, kSymlink, kHardlink };
  Kind kind = kFile;
  std::string name;
  std::string data;  // file contents, or the target of a link
};

enum class Format { kZip, kSevenZip, kTar };

// Member names and link targets are UTF-8. Writes an archive of `members` to `path` with
// libarchive's writer. A ZIP archive has all its
// members encrypted with the password "secret" when `zipEncryption` names a method ("zipcrypt",
// "aes256").
inline bool WriteArchive(const std::filesystem::path& path, Format format,
                         const std::vector<Member>& members,
                         const char* zipEncryption = nullptr) {
  archive* writer = archive_write_new();
  switch (format) {
    case Format::kZip:
      archive_write_set_format_zip(writer);
      // On Windows names outside ASCII are stored in UTF-8, flagged so (elsewhere they are
      // stored as the bytes they are).
      if constexpr (kWideNames) {
        archive_write_set_format_option(writer, "zip", "hdrcharset", "UTF-8");
      }
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
  bool ok = OpenForWriting(writer, path.c_str()) == ARCHIVE_OK;
  for (const Member& member : members) {
    if (!ok) break;
    archive_entry* entry = archive_entry_new();
    SetName(entry, member.name, archive_entry_copy_pathname, archive_entry_copy_pathname_w);
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
        SetName(entry, member.data, archive_entry_copy_symlink, archive_entry_copy_symlink_w);
        break;
      case Member::kHardlink:
        archive_entry_set_filetype(entry, AE_IFREG);
        SetName(entry, member.data, archive_entry_copy_hardlink, archive_entry_copy_hardlink_w);
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
