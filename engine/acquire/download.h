// Downloading one address into a folder.
//
// The body is streamed into a staging file as it arrives (memory use does not depend on its
// size) and put in place under the local name only when the whole body of a successful answer
// (HTTP 2xx) has arrived: an error page, a refused or a broken transfer leave no file, and an
// older file of the same name stays until a complete new one replaces it.
#pragma once

#include <cstdint>
#include <string>

namespace corvid {

enum class DownloadOutcome {
  kStored,      // the body lies in the folder under the local name
  kNotOpened,   // no answer at all: bad address, unknown host, refused or dropped connection
  kRefused,     // an answer that is no success (HTTP status outside 200..299)
  kBroken,      // the transfer ended before the whole body had arrived
  kNotWritten,  // the file could not be created or written in the folder
  kTooSlow,     // the transfer was slower than the least speed DownloadBounds allows
  kTooLarge,    // the body was longer than DownloadBounds allows
};

// What one download may cost. Font packages are large (CJK collections reach hundreds of
// megabytes), so the size bound is far above them; the speed bound is far below any real
// connection, but no server that drips a byte now and then holds a download for long.
struct DownloadBounds {
  long connectSeconds = 30;
  long windowSeconds = 60;                          // the speed is measured over this long ...
  long minBytesPerSecond = 1024;                    // ... and must not fall below this
  std::uint64_t maxBytes = std::uint64_t{4} << 30;  // 4 GiB
};

struct DownloadResult {
  DownloadOutcome outcome = DownloadOutcome::kNotOpened;
  long status = 0;   // the HTTP status of the final answer, 0 without an answer
  std::string path;  // the stored file (kStored only)
};

// Fetches `url` (narrow text, passed to the transfer unchanged) with the agent "RideZU/1.0",
// following redirections and the proxies named by the environment (http_proxy, https_proxy,
// all_proxy, no_proxy), and stores the body in the existing folder `destFolder` (no trailing
// separator) under LocalNameFromUrl(url), replacing a file of that name. The local name is made
// once an answer has arrived, so an address that cannot be opened uses up no fallback number.
// A transfer that passes a bound of `bounds` is given up and leaves no file.
// Never throws; thread-safe.
DownloadResult DownloadToFolder(const std::string& url, const std::string& destFolder,
                                const DownloadBounds& bounds = DownloadBounds());

// The file name for a download of `url`: the text after its last "/" (a "/" at the very first
// character does not count), with any query ("?...") or fragment ("#...") cut off first, taken
// verbatim (percent escapes are not decoded). When there is no such "/", or the name would be
// empty, ".", ".." or hold a "/" or "\\", the name is "_unknow_font_N.rar", N being a counter
// of this process that starts at 0 and grows by one with each such name. Thread-safe: no two
// calls get the same number.
std::string LocalNameFromUrl(const std::string& url);

}  // namespace corvid
