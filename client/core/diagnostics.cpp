#include "client/core/diagnostics.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <utility>

#include "platform/filesystem.h"
#include "platform/local_time.h"

namespace tessaro {
namespace {

constexpr long kLogLimit = 5 * 1024 * 1024;

std::mutex g_logMutex;
std::string g_logDir = GetCurrentDir();
std::function<void(const std::string&)> g_logEcho;
std::atomic<int> g_dumpCount{0};

}  // namespace

std::string GetCurrentDir() {
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  return error ? std::string() : cwd.string();
}

void SetLogFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  g_logDir = folder;
}

std::string LogFolder() {
  std::lock_guard<std::mutex> lock(g_logMutex);
  return g_logDir;
}

void SetLogEcho(std::function<void(const std::string& line)> echo) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  g_logEcho = std::move(echo);
}

void WriteLog(const char* text) {
  const std::tm local = platform::LocalTime(std::time(nullptr));
  std::lock_guard<std::mutex> lock(g_logMutex);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "< %y-%m-%d %H:%M:%S ", &local);
  if (g_logEcho) g_logEcho(stamp + std::string(text));
  std::string path = platform::JoinPath(g_logDir, "Corvid.log");
  std::FILE* file = std::fopen(path.c_str(), "a");
  if (file == nullptr) return;
  std::fseek(file, 0, SEEK_END);
  if (std::ftell(file) > kLogLimit) {
    std::fclose(file);
    file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return;
  }
  std::fputs(stamp, file);
  std::fputs(text, file);
  std::fputs("\n", file);
  std::fflush(file);
  std::fclose(file);
}

void WriteLog(std::string text) { WriteLog(text.c_str()); }

int WriteCrashDump(const platform::FaultRecord* fault, const char* folder) {
  const std::tm local = platform::LocalTime(std::time(nullptr));
  char path[4096];
  int count = g_dumpCount.fetch_add(1);
  std::snprintf(path, sizeof path, "%s%c%d-%d-%d_%d-%d-%d_%d.dmp", folder, platform::kPathSeparator,
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, count);
  platform::WriteCrashReport(path, fault);
  return 1;
}

}  // namespace tessaro
