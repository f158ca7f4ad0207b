// Helpers for the download, extraction and installation tests: temporary folders, files, folder
// listings, archives written with libarchive, and environment settings.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace acquire_test {

namespace fs = std::filesystem;

inline std::string DataPath(const std::string& relative) {
  return std::string(TESSARO_TEST_DATA) + "/" + relative;
}

// A font from Debian's fonts-dejavu-core and fonts-liberation2 packages.
inline std::string SystemFont(const std::string& name) {
  for (const char* folder : {"/usr/share/fonts/truetype/dejavu/",
                             "/usr/share/fonts/truetype/liberation2/"}) {
    std::string path = std::string(folder) + name;
    if (fs::exists(path)) return path;
  }
  return {};
}

// A fresh folder under the system temp folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tessaro-acquire-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, std::string_view bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry under `root`, relative and sorted; folders end in "/", links read
// "name -> target", files are followed by " (size)" when `sizes` is set. Links are not followed.
inline std::vector<std::string> ListTree(const std::string& root, bool sizes = false) {
  std::vector<std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::string relative = it->path().lexically_relative(root).string();
    if (it->is_symlink()) {
      relative += " -> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      relative += "/";
    } else if (sizes) {
      relative += " (" + std::to_string(it->file_size()) + ")";
    }
    entries.push_back(relative);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

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

// Sets an environment variable for the rest of the scope and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace acquire_test
