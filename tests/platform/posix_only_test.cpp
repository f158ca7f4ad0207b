// What only the POSIX backend promises: signals, symbolic links, file modes, the text crash
// report. The cases that hold for every backend are in the contract suites.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/file_lister.h"
#include "platform/cache_folder.h"
#include "platform/client_folders.h"
#include "platform/fault_guard.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/user_language.h"
#include "tests/test_support.h"

namespace platform {
namespace {

using tessaro_test::ReadFile;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;
namespace fs = std::filesystem;

TEST(PosixFaultGuard, FaultsOutsideAGuardStillEndTheProcess) {
  EXPECT_TRUE(CallGuarded([](void*) {}, nullptr, nullptr, nullptr));  // handlers now installed
  EXPECT_DEATH(std::raise(SIGSEGV), "");
}

struct Seen {
  FaultRecord fault;
  std::string reportPath;
};

TEST(PosixFaultGuard, TheRecordHoldsTheSignalAndTheReportNamesIt) {
  const struct {
    int signo;
    FaultKind kind;
    const char* name;
  } cases[] = {
      {SIGSEGV, FaultKind::kBadAccess, "signal: SIGSEGV (11)"},
      {SIGBUS, FaultKind::kBadAccess, "signal: SIGBUS (7)"},
      {SIGFPE, FaultKind::kArithmetic, "signal: SIGFPE (8)"},
      {SIGILL, FaultKind::kIllegalInstruction, "signal: SIGILL (4)"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Seen seen;
    seen.reportPath = dir / (std::to_string(c.signo) + ".dmp");
    int signo = c.signo;
    EXPECT_FALSE(CallGuarded([](void* s) { std::raise(*static_cast<int*>(s)); }, &signo,
                             [](const FaultRecord& fault, void* context) {
                               Seen& s = *static_cast<Seen*>(context);
                               s.fault = fault;
                               WriteCrashReport(s.reportPath.c_str(), &fault);
                             },
                             &seen));
    EXPECT_EQ(seen.fault.kind, c.kind);
    EXPECT_EQ(seen.fault.systemCode, static_cast<unsigned long>(c.signo));
    std::string report = ReadFile(seen.reportPath);
    EXPECT_NE(report.find(c.name), std::string::npos) << report;
    EXPECT_NE(report.find("process: " + std::to_string(getpid()) + "\n"), std::string::npos);
    EXPECT_NE(report.find("mappings:\n"), std::string::npos);
  }
  EXPECT_TRUE(WriteCrashReport((dir / "none.dmp").c_str(), nullptr));
  EXPECT_NE(ReadFile(dir / "none.dmp").find("no fault record\n"), std::string::npos);
}

TEST(PosixFilesystem, LinksToFoldersAreNotFollowedAndDanglingLinksAreFiles) {
  TempDir dir;
  WriteFile(dir / "real/a.ttf", "a");
  fs::create_directory_symlink(dir / "real", dir / "link");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  std::vector<std::pair<std::string, EntryKind>> seen;
  ListDirectory(dir.path(),
                [&](const DirectoryEntry& e) { seen.emplace_back(std::string(e.name), e.kind); });
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen,
            (std::vector<std::pair<std::string, EntryKind>>{{"dangling", EntryKind::kFile},
                                                            {"link", EntryKind::kDirectoryLink},
                                                            {"real", EntryKind::kDirectory}}));
  // The lister built on it lists the folder once, not again through the link.
  std::vector<std::string> files;
  tessaro::CollectFiles(dir.path(), files);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{dir / "dangling", dir / "real/a.ttf"}));
}

TEST(PosixFilesystem, ANewFileNeverFollowsALink) {
  TempDir dir;
  fs::create_symlink(dir / "target", dir / "link");
  EXPECT_EQ(CreateNewFile(dir / "link").status, NewFileStatus::kExists);
  EXPECT_FALSE(fs::exists(dir / "target"));
}

TEST(PosixFilesystem, MakeExecutableAddsTheExecuteBitsOfOwnerAndGroup) {
  TempDir dir;
  WriteFile(dir / "setup", "#!/bin/sh\n");
  fs::permissions(dir / "setup", fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(MakeExecutable(dir / "setup"));
  EXPECT_EQ(fs::status(dir / "setup").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec |
                fs::perms::group_exec);
  EXPECT_EQ(access((dir / "setup").c_str(), X_OK), 0);
}

TEST(PosixProcess, AProgramEndedBySignalGetsTheShellsCode) {
  RunResult r = RunHiddenProgram("sh", "-c \"kill -TERM $$\"", std::chrono::seconds(30));
  EXPECT_EQ(r.outcome, RunOutcome::kExited);
  EXPECT_EQ(r.exitCode, 128 + SIGTERM);
}

TEST(PosixUserLanguage, TheFirstLocaleVariableThatIsSetDecides) {
  using tessaro_test::ScopedEnv;
  const struct {
    const char* all;
    const char* messages;
    const char* lang;
    bool chinese;
  } cases[] = {
      {nullptr, nullptr, "zh_CN.UTF-8", true},  {nullptr, nullptr, "en_US.UTF-8", false},
      {"", "zh_TW.UTF-8", "en_US.UTF-8", true}, {"C", "zh_CN.UTF-8", "zh_CN.UTF-8", false},
      {nullptr, nullptr, nullptr, false},
  };
  auto value = [](const char* v) { return v ? std::optional<std::string>(v) : std::nullopt; };
  for (const auto& c : cases) {
    ScopedEnv all("LC_ALL", value(c.all));
    ScopedEnv messages("LC_MESSAGES", value(c.messages));
    ScopedEnv lang("LANG", value(c.lang));
    EXPECT_EQ(UserLanguageIsChinese(), c.chinese) << (c.lang ? c.lang : "(unset)");
  }
}

// The XDG base directory rules: the variable when it names an absolute folder, else the folder
// under the home folder.
TEST(PosixClientFolders, TheXdgFoldersOrTheirPlacesInTheHome) {
  using tessaro_test::ScopedEnv;
  const struct {
    const char* value;  // of XDG_STATE_HOME and XDG_CACHE_HOME
    const char* home;
    std::string state, cache;
  } cases[] = {
      {"/var/state/", "/home/u", "/var/state/tessaro", "/var/state/tessaro"},
      {nullptr, "/home/u/", "/home/u/.local/state/tessaro", "/home/u/.cache/tessaro"},
      {"", "/home/u", "/home/u/.local/state/tessaro", "/home/u/.cache/tessaro"},
      {"relative/state", "/home/u", "/home/u/.local/state/tessaro", "/home/u/.cache/tessaro"},
      {nullptr, "/", "/.local/state/tessaro", "/.cache/tessaro"},
  };
  for (const auto& c : cases) {
    auto value = c.value ? std::optional<std::string>(c.value) : std::nullopt;
    ScopedEnv state("XDG_STATE_HOME", value), cache("XDG_CACHE_HOME", value);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(ClientWorkFolder(), c.state) << (c.value ? c.value : "(unset)") << " " << c.home;
    EXPECT_EQ(ProgramCacheFolder(), c.cache) << (c.value ? c.value : "(unset)") << " " << c.home;
  }
  // The engine lies beside the running program.
  EXPECT_EQ(EngineFolder() + "/" + fs::path(ExecutablePath()).filename().string(),
            ExecutablePath());
}

}  // namespace
}  // namespace platform
