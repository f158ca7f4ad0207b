// What differs between the platforms for the tests outside the contract suites: the few facts and
// helpers that test bodies use instead of asking which platform they run on.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tessaro_test {

#ifdef _WIN32
// The line end that a file written in text mode holds.
inline constexpr char kTextLineEnd[] = "\r\n";
#else
inline constexpr char kTextLineEnd[] = "\n";
#endif

// The text file `path` (a log) with its lines ended by "\n" whatever the platform writes.
inline std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string end = kTextLineEnd;
  for (std::size_t at = 0; end != "\n" && (at = text.find(end, at)) != std::string::npos; ++at) {
    text.replace(at, end.size(), "\n");
  }
  return text;
}

// Makes `to` name the file `from`: a symbolic link on POSIX; a copy on Windows, where making a
// link needs a privilege (and Wine cannot make one).
inline void LinkOrCopyFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  std::filesystem::copy_file(from, to);
#else
  std::filesystem::create_symlink(from, to);
#endif
}

}  // namespace tessaro_test
