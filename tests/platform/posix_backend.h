// The POSIX backend as the contract suites see it (see README.md): what differs on this host.
#pragma once

#include <cerrno>
#include <optional>
#include <string>

#include "platform/text_codec.h"
#include "tests/test_support.h"

namespace platform_contract {

struct PosixBackend {
  static constexpr platform::CodePage kCodePageWithoutConverter = 57002;  // ISCII Devanagari
  static constexpr int kMissingLibraryError = ENOENT;
  static constexpr const char* kEngineFileName = "libCorvid.so";
  static constexpr const char* kInstallerFileName = "setup";

  // The stand-in engine that exports GetLackFontNames only (tests/fake_engine.cpp).
  static std::string TestLibrary() { return TESSARO_CONTRACT_LIBRARY; }

  struct Program {
    std::string file;
    std::string parameters;
  };
  // `script` run by sh; it must not hold double quotes or backslashes.
  static Program Shell(const std::string& script) { return {"sh", "-c \"" + script + "\""}; }
  static Program ExitAfterMarking(const std::string& marker, int code) {
    return Shell("sleep 0.2; touch '" + marker + "'; exit " + std::to_string(code));
  }
  static Program ExitWithInput(int code) {
    return Shell("read answer; exit " + std::to_string(code));
  }
  static Program LeaveChildBehind(const std::string& late, bool hang) {
    return Shell("(sleep 2; touch '" + late + "') & " + (hang ? "sleep 30" : "exit 0"));
  }
  static Program WriteArguments(const std::string& out) {
    // $0 is "sh"; the test's parameters follow as $1, $2, ...
    return {"sh", "-c \"printf '%s|' \\\"$@\\\" > '" + out + "'\" sh"};
  }

  // fontconfig with a configuration of its own: the installed fonts are those of
  // `installedFolder`, fonts are installed into a private $XDG_DATA_HOME/fonts, caches go into
  // a private folder.
  class FontSandbox {
   public:
    explicit FontSandbox(const std::string& installedFolder)
        : config_("FONTCONFIG_FILE",
                  tessaro_test::WriteFontConfig(dir_ / "fonts.conf", {installedFolder},
                                                dir_ / "cache/fontconfig",
                                                "  <dir prefix=\"xdg\">fonts</dir>\n")),
          home_("HOME", dir_ / "home"),
          data_("XDG_DATA_HOME", dir_ / "data"),
          dataDirs_("XDG_DATA_DIRS", dir_ / "shared"),
          cache_("XDG_CACHE_HOME", dir_ / "cache") {}

   private:
    tessaro_test::TempDir dir_;
    tessaro_test::ScopedEnv config_, home_, data_, dataDirs_, cache_;
  };

  // The text report names the signal and holds the backtrace and the memory mappings.
  static bool DumpDescribesFault(const std::string& report) {
    return report.find("signal: SIG") != std::string::npos &&
           report.find("backtrace:\n") != std::string::npos &&
           report.find("mappings:\n") != std::string::npos;
  }
};

}  // namespace platform_contract
