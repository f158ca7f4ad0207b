// tessaro.exe install as a Windows user runs it: the built program with the engine beside it, a
// font archive written with libarchive, fetched through the engine's DownloadFile (WinINet) from a
// loopback server. Installed machine-wide (elevated, as Wine starts programs) and for the user
// alone (the program started with the user's limited token); afterwards the font file is in that
// scope's Fonts folder, its registry value names it, and a program started later enumerates its
// face where the system loads that scope's fonts into new programs, and tessaro.exe scan then no
// longer finds the font missing from a document that needs it. A file of the same name
// already there is never overwritten. What the cases install is removed again at the end (the Wine
// prefix is the build's own).

// Winsock's header comes before <windows.h>.
#include <winsock2.h>
// (The other headers after it.)
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "tests/archive_support.h"
#include "tests/child_process.h"
#include "tests/platform/loopback_http_server.h"
#include "tests/platform/win32_backend.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::FontInstallScope;
using platform_contract::Win32Backend;
using tessaro_test::ReadFile;
using tessaro_test::TempDir;

constexpr char kListFacesSwitch[] = "--tessaro-list-faces";

struct ProgramRun {
  DWORD exitCode = 1234;
  std::string out;
};

// Runs `program` with `args` and waits for its end; its output in a file, its error output
// dropped. With `elevated` false the program gets the user's limited token (the linked token of
// the elevated one), as a program started by a user who is no administrator.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      bool elevated) {
  TempDir capture;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA((capture / "out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE none =
      CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  std::string line = tessaro_test::QuotedArgument(program);
  for (const std::string& arg : args) line += " " + tessaro_test::QuotedArgument(arg);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = none;
  startup.hStdOutput = out;
  startup.hStdError = none;
  PROCESS_INFORMATION process{};
  BOOL started = FALSE;
  HANDLE token = nullptr;
  TOKEN_LINKED_TOKEN linked{};
  HANDLE limited = nullptr;
  DWORD size = 0;
  if (elevated) {
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process);
  } else if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
             GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size) &&
             DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                              TokenPrimary, &limited)) {
    started = CreateProcessAsUserA(limited, nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                                   nullptr, nullptr, &startup, &process);
  }
  for (HANDLE handle : {token, linked.LinkedToken, limited, out, none}) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  ProgramRun run;
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  run.out = ReadFile(capture / "out");
  return run;
}

// The face names that a program started now enumerates (this one, run as the helper).
std::set<std::string> FacesOfANewProgram() {
  ProgramRun run = RunProgram(platform::ExecutablePath(), {kListFacesSwitch}, true);
  std::set<std::string> faces;
  for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string face = run.out.substr(start, end - start);
    if (!face.empty() && face.back() == '\r') face.pop_back();  // text-mode output
    faces.insert(face);
  }
  return faces;
}

std::optional<std::string> RegistryString(HKEY root, const std::string& value) {
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  if (RegGetValueA(root, Win32Backend::FontSandbox::kFontsKey, value.c_str(), RRF_RT_REG_SZ,
                   nullptr, data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data);
}

// What the cases install in a scope (files in its Fonts folder, values under its registry key)
// is removed again at the end.
class ScopeCleanup {
 public:
  ScopeCleanup(std::string folder, HKEY root)
      : folder_(std::move(folder)),
        root_(root),
        files_(Win32Backend::FontSandbox::FileNames(folder_)),
        values_(Win32Backend::FontSandbox::RegistryValues(root)) {}
  ~ScopeCleanup() {
    for (const std::string& name : Win32Backend::FontSandbox::FileNames(folder_)) {
      if (files_.count(name) != 0) continue;
      const std::string file = platform::JoinPath(folder_, name);
      RemoveFontResourceA(file.c_str());
      DeleteFileA(file.c_str());
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, Win32Backend::FontSandbox::kFontsKey, 0, KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS) {
      for (const std::string& value : Win32Backend::FontSandbox::RegistryValues(root_)) {
        if (values_.count(value) == 0) RegDeleteValueA(key, value.c_str());
      }
      RegCloseKey(key);
    }
  }
  ScopeCleanup(const ScopeCleanup&) = delete;
  ScopeCleanup& operator=(const ScopeCleanup&) = delete;

 private:
  std::string folder_;
  HKEY root_;
  std::set<std::string> files_;
  std::set<std::string> values_;
};

// The Fonts folder that a process of `scope` installs into.
std::string InstallFolder(FontInstallScope scope) {
  platform::SetFontInstallScope(scope);
  std::string folder = platform::FontInstallFolder();
  platform::SetFontInstallScope(FontInstallScope::kByElevation);
  return folder;
}

TEST(TessaroInstallOnWindows, EachScopeGetsTheFileTheRegistryValueAndTheFace) {
  const struct {
    const char* what;
    bool elevated;
    FontInstallScope scope;
    HKEY root;
    bool fullPath;  // the user's registry names the file by its full path
    const char* font;
    const char* face;
    const char* postScriptName;  // how a document names the font
    // Windows loads the fonts of both registries into every program it starts; Wine 8 loads only
    // the machine's (HKLM), so that a face installed for the user is not enumerated there by a
    // program started later.
    bool enumeratedLater;
  } cases[] = {
      {"machine-wide", true, FontInstallScope::kMachine, HKEY_LOCAL_MACHINE, false,
       "DejaVuSansMono.ttf", "DejaVu Sans Mono", "DejaVuSansMono", true},
      {"for the user", false, FontInstallScope::kUser, HKEY_CURRENT_USER, true, "DejaVuSerif.ttf",
       "DejaVu Serif", "DejaVuSerif", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string font = tessaro_test::SystemFont(c.font);
    ASSERT_FALSE(font.empty()) << c.font;
    TempDir work;
    const std::string archive = work / "package.zip";
    ASSERT_TRUE(tessaro_test::WriteArchive(
        archive, tessaro_test::Format::kZip,
        {{tessaro_test::Member::kFile, std::string("Fonts/") + c.font, ReadFile(font)}}));
    const std::string body = ReadFile(archive);
    platform_contract::LoopbackHttpServer server(
        {{"/fonts/package.zip", [&body](const auto&) {
            return platform_contract::HttpAnswer{200, body, {}};
          }}});
    const std::string folder = InstallFolder(c.scope);
    ASSERT_FALSE(folder.empty());
    ScopeCleanup cleanup(folder, c.root);
    EXPECT_EQ(FacesOfANewProgram().count(c.face), 0u);
    // A document that needs the font, as a designer's PDF names it.
    const std::string document = work / "needs.pdf";
    tessaro_test::WriteFile(
        document, std::string("%PDF-1.4\n<< /Type /FontDescriptor /FontName /") + c.postScriptName +
                      "\n>>\n");
    const std::string scan = tessaro_test::JoinNative(TESSARO_BIN_DIR, "tessaro.exe");
    ProgramRun before = RunProgram(scan, {"scan", "--no-service", document}, c.elevated);
    EXPECT_EQ(before.exitCode, 1u) << before.out;
    EXPECT_NE(before.out.find(c.postScriptName), std::string::npos) << before.out;

    ProgramRun run = RunProgram(tessaro_test::JoinNative(TESSARO_BIN_DIR, "tessaro.exe"),
                                {"install", server.Url("/fonts/package.zip")}, c.elevated);
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_NE(run.out.find("1 font installed, 0 already installed, in " + folder),
              std::string::npos)
        << run.out;
    const std::string installed = platform::JoinPath(folder, c.font);
    EXPECT_EQ(ReadFile(installed), ReadFile(font));
    EXPECT_EQ(RegistryString(c.root, std::string(c.face) + " (TrueType)"),
              c.fullPath ? installed : std::string(c.font));
    const bool usableLater = FacesOfANewProgram().count(c.face) != 0;
    EXPECT_EQ(usableLater, c.enumeratedLater);
    // A program started later finds the font missing exactly when the system does not give it to
    // the programs it starts: never "nothing is missing" for a font other programs cannot use.
    ProgramRun after = RunProgram(scan, {"scan", "--no-service", document}, c.elevated);
    EXPECT_EQ(after.exitCode, usableLater ? 0u : 1u) << after.out;
    EXPECT_EQ(after.out.find(c.postScriptName) == std::string::npos, usableLater) << after.out;
  }
}

TEST(TessaroInstallOnWindows, AFileOfTheSameNameIsNeverOverwritten) {
  const std::string font = tessaro_test::SystemFont("DejaVuSans-Bold.ttf");
  ASSERT_FALSE(font.empty());
  const std::string folder = InstallFolder(FontInstallScope::kUser);
  fs::create_directories(folder);
  ScopeCleanup cleanup(folder, HKEY_CURRENT_USER);
  const std::string existing = platform::JoinPath(folder, "DejaVuSans-Bold.ttf");
  tessaro_test::WriteFile(existing, "another file of that name");
  TempDir work;
  const std::string archive = work / "bold.zip";
  ASSERT_TRUE(tessaro_test::WriteArchive(
      archive, tessaro_test::Format::kZip,
      {{tessaro_test::Member::kFile, "DejaVuSans-Bold.ttf", ReadFile(font)}}));

  ProgramRun run = RunProgram(tessaro_test::JoinNative(TESSARO_BIN_DIR, "tessaro.exe"),
                              {"install", archive}, false);
  EXPECT_EQ(run.exitCode, 0u) << run.out;
  EXPECT_EQ(ReadFile(existing), "another file of that name");
  const std::string beside = platform::JoinPath(folder, "DejaVuSans-Bold-1.ttf");
  EXPECT_EQ(ReadFile(beside), ReadFile(font));
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, "DejaVu Sans (TrueType)"),
            std::optional<std::string>(beside));
}

}  // namespace

// The test program, or the helper that lists the face names it enumerates, one a line.
int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], kListFacesSwitch) == 0) {
    platform::EnumerateInstalledFaceNames(
        [](const char* face, void*) {
          std::printf("%s\n", face);
          return 1;
        },
        nullptr);
    return 0;
  }
  // Proxies named in the environment (which WinINet under Wine reads) must not stand between the
  // programs started here and the test's own server.
  tessaro_test::ClearProxyEnvironment();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
