// The Win32 backend as the contract suites see it (see README.md): what differs on Windows.
// The tests run under Wine with a private prefix, or on a Windows machine set aside for tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"
#include "tests/test_support.h"

namespace platform_contract {

// The test program is its own helper: given this switch and a file, it writes the arguments
// after them into the file, each followed by "|" (see RunTestProgramHelper).
inline constexpr char kWriteArgumentsSwitch[] = "--tessaro-write-arguments";

// What the exception stream of a minidump says, when the dump has one.
struct DumpedException {
  std::uint32_t threadId = 0;
  std::uint32_t code = 0;
  std::uint64_t firstInformation = 0;  // access violations: 0 read, 1 write, 8 execution
};

// Reads the minidump's header, its stream directory and its exception stream (stream type 6).
inline std::optional<DumpedException> ReadDumpedException(const std::string& dump) {
  auto u32 = [&dump](std::size_t at) {
    std::uint32_t value = 0;
    if (at + 4 <= dump.size()) std::memcpy(&value, dump.data() + at, 4);
    return value;
  };
  if (dump.size() < 32 || dump.compare(0, 4, "MDMP") != 0) return std::nullopt;
  const std::uint32_t streams = u32(8);
  const std::uint32_t directory = u32(12);
  for (std::uint32_t i = 0; i < streams; ++i) {
    const std::size_t entry = directory + 12u * i;
    if (entry + 12 > dump.size()) return std::nullopt;
    if (u32(entry) != 6) continue;
    const std::size_t stream = u32(entry + 8);
    // ThreadId, alignment, then MINIDUMP_EXCEPTION: code, flags, record (8), address (8),
    // parameter count, alignment, the parameters (8 each).
    if (stream + 48 > dump.size()) return std::nullopt;
    DumpedException exception;
    exception.threadId = u32(stream);
    exception.code = u32(stream + 8);
    std::memcpy(&exception.firstInformation, dump.data() + stream + 40, 8);
    return exception;
  }
  return std::nullopt;
}

struct Win32Backend {
  static constexpr platform::CodePage kCodePageWithoutConverter = 4711;  // no character set's
  static constexpr int kMissingLibraryError = ERROR_MOD_NOT_FOUND;
  static constexpr const char* kEngineFileName = "Corvid.dll";
  static constexpr const char* kInstallerFileName = "setup.exe";

  // The stand-in engine that exports GetLackFontNames only (tests/fake_engine.cpp).
  static std::string TestLibrary() { return TESSARO_CONTRACT_LIBRARY; }

  struct Program {
    std::string file;
    std::string parameters;
  };
  // `script` run by the command interpreter, which takes the line after /s /c as it is between
  // its outer quotes; /d leaves out the AutoRun commands. "ping -n N" waits N - 1 seconds.
  static Program Cmd(const std::string& script) {
    return {"cmd.exe", "/d /s /c \"" + script + "\""};
  }
  static Program ExitAfterMarking(const std::string& marker, int code) {
    return Cmd("ping -n 2 127.0.0.1 >nul & type nul > \"" + marker + "\" & exit " +
               std::to_string(code));
  }
  static Program ExitWithInput(int code) {
    return Cmd("set /p answer= & exit " + std::to_string(code));
  }
  static Program LeaveChildBehind(const std::string& late, bool hang) {
    return Cmd("start \"\" /b cmd.exe /d /c \"ping -n 3 127.0.0.1 >nul & type nul > \"" + late +
               "\"\" & " + (hang ? "ping -n 30 127.0.0.1 >nul" : "exit 0"));
  }
  static Program WriteArguments(const std::string& out) {
    return {platform::ExecutablePath(), std::string(kWriteArgumentsSwitch) + " \"" + out + "\""};
  }

  // For its lifetime the fonts of `installedFolder` are loaded into this process (private to
  // it), and fonts are installed for the user alone. What gets installed meanwhile (files in the
  // user's Fonts folder, values under HKCU) is removed again at the end.
  class FontSandbox {
   public:
    explicit FontSandbox(const std::string& installedFolder) {
      platform::SetFontInstallScope(platform::FontInstallScope::kUser);
      installFolder_ = platform::FontInstallFolder();
      filesBefore_ = FileNames(installFolder_);
      valuesBefore_ = RegistryValues();
      for (const std::string& name : FileNames(installedFolder)) {
        std::string file = platform::JoinPath(installedFolder, name);
        if (AddFontResourceExA(file.c_str(), FR_PRIVATE, nullptr) > 0) loaded_.push_back(file);
      }
    }
    ~FontSandbox() {
      for (const std::string& file : loaded_)
        RemoveFontResourceExA(file.c_str(), FR_PRIVATE, nullptr);
      for (const std::string& name : FileNames(installFolder_)) {
        if (filesBefore_.count(name) != 0) continue;
        std::string file = platform::JoinPath(installFolder_, name);
        RemoveFontResourceA(file.c_str());
        DeleteFileA(file.c_str());
      }
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, kFontsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        for (const std::string& value : RegistryValues()) {
          if (valuesBefore_.count(value) == 0) RegDeleteValueA(key, value.c_str());
        }
        RegCloseKey(key);
      }
      platform::SetFontInstallScope(platform::FontInstallScope::kByElevation);
    }
    FontSandbox(const FontSandbox&) = delete;
    FontSandbox& operator=(const FontSandbox&) = delete;

    static constexpr const char* kFontsKey =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

    static std::set<std::string> FileNames(const std::string& folder) {
      std::set<std::string> names;
      platform::ListDirectory(folder, [&](const platform::DirectoryEntry& entry) {
        if (entry.kind == platform::EntryKind::kFile) names.emplace(entry.name);
      });
      return names;
    }
    static std::set<std::string> RegistryValues(HKEY root = HKEY_CURRENT_USER) {
      std::set<std::string> values;
      HKEY key = nullptr;
      if (RegOpenKeyExA(root, kFontsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return values;
      char name[16384];
      for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
          break;
        }
        values.emplace(name, size);
      }
      RegCloseKey(key);
      return values;
    }

   private:
    std::string installFolder_;
    std::set<std::string> filesBefore_;
    std::set<std::string> valuesBefore_;
    std::vector<std::string> loaded_;
  };

  // A minidump whose exception stream holds an exception.
  static bool DumpDescribesFault(const std::string& dump) {
    std::optional<DumpedException> exception = ReadDumpedException(dump);
    return exception && exception->code != 0;
  }
};

// The helper of kWriteArgumentsSwitch, for the test program's main: true (and `exitCode` set)
// when the program was started as the helper.
inline bool RunTestProgramHelper(int argc, char** argv, int& exitCode) {
  if (argc < 3 || std::strcmp(argv[1], kWriteArgumentsSwitch) != 0) return false;
  std::FILE* out = std::fopen(argv[2], "wb");
  exitCode = out == nullptr ? 1 : 0;
  for (int i = 3; out != nullptr && i < argc; ++i) {
    std::fputs(argv[i], out);
    std::fputc('|', out);
  }
  if (out != nullptr) std::fclose(out);
  return true;
}

}  // namespace platform_contract
