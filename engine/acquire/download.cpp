#include "engine/acquire/download.h"

#include <atomic>
#include <cstdio>
#include <string_view>

#include "engine/acquire/staging_file.h"
#include "platform/filesystem.h"
#include "platform/http.h"

namespace corvid {
namespace {

// The agent every request of the engine and the client sends.
constexpr const char* kUserAgent = "RideZU/1.0";

// The process-wide number of the next fallback name.
std::atomic<int> g_fallbackCounter{0};

bool IsSuccess(long status) { return status >= 200 && status <= 299; }

bool IsUsableName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos;
}

std::string FallbackName() {
  char name[64];
  std::snprintf(name, sizeof name, "_unknow_font_%d.rar", g_fallbackCounter.fetch_add(1));
  return name;
}

}  // namespace

std::string LocalNameFromUrl(const std::string& url) {
  std::string_view address = url;
  address = address.substr(0, address.find_first_of("?#"));
  std::size_t slash = address.size() > 1 ? address.find_last_of('/') : std::string_view::npos;
  if (slash != std::string_view::npos && slash >= 1) {
    std::string_view name = address.substr(slash + 1);
    if (IsUsableName(name)) return std::string(name);
  }
  return FallbackName();
}

DownloadResult DownloadToFolder(const std::string& url, const std::string& destFolder,
                                const DownloadBounds& bounds) {
  DownloadResult result;
  try {
    StagingFile staging;
    bool unwritable = false;
    bool tooLarge = false;
    std::uint64_t received = 0;
    auto sink = [&](long status, const char* data, std::size_t size) {
      if (!IsSuccess(status)) return false;  // an error page is not wanted: stop reading it
      if (size > bounds.maxBytes - received) {
        tooLarge = true;
        return false;
      }
      received += size;
      if (!staging.IsOpen() && !staging.Open(destFolder)) {
        unwritable = true;
        return false;
      }
      if (!staging.Write(data, size)) {
        unwritable = true;
        return false;
      }
      return true;
    };
    platform::HttpTimeouts timeouts;
    timeouts.connectSeconds = bounds.connectSeconds;
    timeouts.stallSeconds = bounds.windowSeconds;
    timeouts.minBytesPerSecond = bounds.minBytesPerSecond;
    platform::TransferResult transfer = platform::FetchBody(url, kUserAgent, sink, timeouts);
    result.status = transfer.status;
    if (!transfer.answered) return result;
    std::string name = LocalNameFromUrl(url);
    if (!IsSuccess(transfer.status)) {
      result.outcome = DownloadOutcome::kRefused;
    } else if (unwritable) {
      result.outcome = DownloadOutcome::kNotWritten;
    } else if (tooLarge) {
      result.outcome = DownloadOutcome::kTooLarge;
    } else if (transfer.timedOut) {
      result.outcome = DownloadOutcome::kTooSlow;
    } else if (!transfer.complete) {
      result.outcome = DownloadOutcome::kBroken;
    } else {
      std::string path = platform::JoinPath(destFolder, name);
      // An empty body never reached the sink: its file is created here.
      if ((staging.IsOpen() || staging.Open(destFolder)) && staging.Commit(path)) {
        result.outcome = DownloadOutcome::kStored;
        result.path = std::move(path);
      } else {
        result.outcome = DownloadOutcome::kNotWritten;
      }
    }
  } catch (...) {
    // Out of memory: whatever was staged is removed with the staging file.
    result.outcome = DownloadOutcome::kNotWritten;
  }
  return result;
}

}  // namespace corvid
