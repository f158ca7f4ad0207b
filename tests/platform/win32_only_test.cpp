// What only the Win32 backend promises: the font registry of both installation scopes, the job
// object around a hidden run, the WM_FONTCHANGE broadcast, the minidump's exception stream, and
// the Windows sides of the small services. The cases that hold for every backend are in the
// contract suites. They run in a Wine prefix (or on a Windows machine) kept for tests: the
// installation cases write into the system's and the user's real font folders and keys, and
// remove what they wrote.

#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>
// Built on <windows.h>:
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/file_lister.h"
#include "platform/cache_folder.h"
#include "platform/debug_trace.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/fault_guard.h"
#include "platform/file_stamp.h"
#include "platform/file_view.h"
#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "platform/process.h"
#include "platform/terminal.h"
#include "platform/text_codec.h"
#include "tests/platform/win32_backend.h"
#include "tests/test_support.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using platform_contract::ReadDumpedException;
using tessaro_test::ReadFile;
using tessaro_test::TempDir;
namespace fs = std::filesystem;

volatile int g_zero = 0;
volatile int g_seven = 7;
int* volatile g_null = nullptr;
volatile int g_sink = 0;

// The faults are meant.
__attribute__((noinline)) void BadRead(void*) { g_sink = *g_null; }
__attribute__((noinline)) void BadWrite(void*) { *g_null = 1; }
__attribute__((noinline)) void DivideByZero(void*) { g_zero = g_seven / g_zero; }
__attribute__((noinline)) void Trap(void*) { __builtin_trap(); }

__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  return depth < 0 ? 0 : Recurse(depth + 1) + frame[0];  // never ends: the stack does
}
void OverflowTheStack(void*) { Recurse(0); }

// The test program's helper roles (see main).
constexpr char kSpawnSwitch[] = "--tessaro-spawn-sleeper";
constexpr char kSleepSwitch[] = "--tessaro-sleep";

std::string KnownFolder(const KNOWNFOLDERID& id) {
  wchar_t* wide = nullptr;
  std::string narrow;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &wide))) {
    char buffer[MAX_PATH * 2];
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof buffer, nullptr, nullptr) > 0) {
      narrow = buffer;
    }
  }
  CoTaskMemFree(wide);
  return narrow;
}

std::optional<std::string> RegistryString(HKEY root, const std::string& valueName) {
  char data[MAX_PATH * 2];
  DWORD size = sizeof data;
  if (RegGetValueA(root, platform_contract::Win32Backend::FontSandbox::kFontsKey, valueName.c_str(),
                   RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data);
}

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool GdiKnowsFace(const char* face) {
  HDC screen = GetDC(nullptr);
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExA(screen, &wanted, &NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// Undoes one installation made by a test: the loaded font, the registry value, the file.
struct InstalledByTest {
  HKEY root;
  std::string valueName;
  std::string file;
  ~InstalledByTest() {
    RemoveFontResourceA(file.c_str());
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, platform_contract::Win32Backend::FontSandbox::kFontsKey, 0,
                      KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, valueName.c_str());
      RegCloseKey(key);
    }
    DeleteFileA(file.c_str());
    SetFontInstallScope(FontInstallScope::kByElevation);
  }
};

TEST(Win32Fonts, EachScopeHasItsFolderAndRegistryValueAndTheFaceIsEnumeratedAtOnce) {
  const std::string systemFonts = KnownFolder(FOLDERID_Fonts);
  const std::string userFonts = KnownFolder(FOLDERID_LocalAppData) + "\\Microsoft\\Windows\\Fonts";
  ASSERT_FALSE(systemFonts.empty());
  const struct {
    const char* what;
    FontInstallScope scope;
    HKEY root;
    std::string folder;
    bool fullPath;
  } cases[] = {
      {"machine-wide", FontInstallScope::kMachine, HKEY_LOCAL_MACHINE, systemFonts, false},
      {"for the user", FontInstallScope::kUser, HKEY_CURRENT_USER, userFonts, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetFontInstallScope(c.scope);
    ASSERT_EQ(FontInstallFolder(), c.folder);
    fs::create_directories(c.folder);
    const std::string file = JoinPath(c.folder, "tessaro-scope-test.ttf");
    InstalledByTest cleanup{c.root, "Tessaro Long (TrueType)", file};
    fs::copy_file(tessaro_test::DataPath("fonts/long-name.ttf"), file,
                  fs::copy_options::overwrite_existing);
    const std::uint64_t version = InstalledFontsVersion();
    ASSERT_TRUE(RegisterInstalledFont(file, "Tessaro Long"));
    EXPECT_EQ(RegistryString(c.root, "Tessaro Long (TrueType)"),
              c.fullPath ? file : "tessaro-scope-test.ttf");
    EXPECT_TRUE(GdiKnowsFace("Tessaro Long"));
    EXPECT_NE(InstalledFontsVersion(), version);
    std::vector<std::string> folders = SystemFontFolders();
    EXPECT_NE(std::find(folders.begin(), folders.end(), c.folder), folders.end());
  }
}

TEST(Win32Fonts, AFileWindowsRefusesGetsNoRegistryValue) {
  SetFontInstallScope(FontInstallScope::kUser);
  const std::string folder = FontInstallFolder();
  fs::create_directories(folder);
  const std::string file = JoinPath(folder, "tessaro-not-a-font.ttf");
  InstalledByTest cleanup{HKEY_CURRENT_USER, "Tessaro Refused (TrueType)", file};
  tessaro_test::WriteFile(file, "no font at all");
  EXPECT_FALSE(RegisterInstalledFont(file, "Tessaro Refused"));
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, "Tessaro Refused (TrueType)"), std::nullopt);
}

TEST(Win32Fonts, AnotherProcessWritingTheFontKeyChangesTheVersion) {
  const std::uint64_t before = InstalledFontsVersion();
  EXPECT_EQ(InstalledFontsVersion(), before);  // nothing changed meanwhile
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, platform_contract::Win32Backend::FontSandbox::kFontsKey, 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const char data[] = "C:\\nowhere\\tessaro-other.ttf";
  RegSetValueExA(key, "Tessaro Other (TrueType)", 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                 sizeof data);
  RegDeleteValueA(key, "Tessaro Other (TrueType)");
  RegCloseKey(key);
  EXPECT_NE(InstalledFontsVersion(), before);
}

// A window on a thread of its own that records WM_FONTCHANGE; `pumping` false makes its thread
// stop handling messages once the window exists, as a hung program does.
class ListeningWindow {
 public:
  explicit ListeningWindow(bool pumping) : pumping_(pumping) {
    thread_ = std::thread([this] { Run(); });
    while (!ready_) std::this_thread::yield();
  }
  ~ListeningWindow() {
    release_ = true;
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  // Wine makes windows only with a display or its "null" graphics driver.
  bool created() const { return window_ != nullptr; }
  int fontChanges() const { return fontChanges_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<ListeningWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_FONTCHANGE && self != nullptr) ++self->fontChanges_;
    if (message == WM_CLOSE) {
      DestroyWindow(window);
      return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, w, l);
  }
  void Run() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TessaroFontChangeListener";
    RegisterClassA(&windowClass);  // a second window finds the class registered
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window_ == nullptr) {
      ready_ = true;
      return;
    }
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ready_ = true;
    if (!pumping_) {
      while (!release_) Sleep(10);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  }

  const bool pumping_;
  std::thread thread_;
  HWND window_ = nullptr;
  std::atomic<bool> ready_{false};
  std::atomic<bool> release_{false};
  std::atomic<int> fontChanges_{0};
};

TEST(Win32Fonts, TheFontChangeIsSentToEveryWindowAndAHungOneHoldsNobody) {
  ListeningWindow listening(/*pumping=*/true);
  ListeningWindow hung(/*pumping=*/false);
  ASSERT_TRUE(listening.created() && hung.created());
  EXPECT_TRUE(AnnounceFontChange(FontInstallFolder()));
  // Sent, not posted: the window has handled it when the call returns.
  EXPECT_EQ(listening.fontChanges(), 1);
}

// The program that the job test runs: it starts a sleeping copy of the test program, writes
// that copy's process id into `pidFile` and ends at once, leaving the copy behind.
int SpawnSleeper(const char* pidFile) {
  std::string self = ExecutablePath();
  std::string commandLine = "\"" + self + "\" " + kSleepSwitch;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return 2;
  }
  std::FILE* out = std::fopen(pidFile, "w");
  if (out == nullptr) return 3;
  std::fprintf(out, "%lu", process.dwProcessId);
  std::fclose(out);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

TEST(Win32Process, TheJobEndsAGrandchildBeforeTheRunReturns) {
  TempDir dir;
  const std::string pidFile = dir / "sleeper.pid";
  RunResult r =
      RunHiddenProgram(ExecutablePath(), std::string(kSpawnSwitch) + " \"" + pidFile + "\"", 60s);
  ASSERT_EQ(r.outcome, RunOutcome::kExited);
  ASSERT_EQ(r.exitCode, 0);
  const DWORD pid = std::strtoul(ReadFile(pidFile).c_str(), nullptr, 10);
  ASSERT_NE(pid, 0u);
  HANDLE sleeper = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (sleeper != nullptr) {  // still known to the system: then it has ended
    EXPECT_EQ(WaitForSingleObject(sleeper, 0), WAIT_OBJECT_0);
    CloseHandle(sleeper);
  }
}

TEST(Win32Process, TheProgramGetsTheEnvironmentAsSetHere) {
  tessaro_test::ScopedEnv variable("TESSARO_CHILD_SEES", "yes it does");
  EXPECT_STREQ(std::getenv("TESSARO_CHILD_SEES"), "yes it does");  // the C runtime's copy too
  RunResult r = RunHiddenProgram(
      "cmd.exe", "/d /s /c \"if \"%TESSARO_CHILD_SEES%\"==\"yes it does\" (exit 5) else (exit 6)\"",
      60s);
  EXPECT_EQ(r.outcome, RunOutcome::kExited);
  EXPECT_EQ(r.exitCode, 5);
}

LONG WINAPI EndWith42(EXCEPTION_POINTERS*) { ExitProcess(42); }

TEST(Win32FaultGuard, FaultsOutsideAGuardGoOnToTheProcesssOwnHandling) {
  EXPECT_TRUE(CallGuarded([](void*) {}, nullptr, nullptr, nullptr));  // the handler is in place
  // The process's filter for unhandled exceptions sees the fault (and spares Wine's debugger).
  EXPECT_EXIT(
      {
        SetUnhandledExceptionFilter(&EndWith42);
        BadWrite(nullptr);
      },
      testing::ExitedWithCode(42), "");
}

TEST(Win32FaultGuard, TheRecordHoldsTheExceptionAndTheDumpItsStream) {
  // A dump is written for the write only: Wine's dump writer reads the debugging information of
  // every module, which takes seconds.
  const struct {
    const char* what;
    void (*call)(void*);
    DWORD code;
    long detail;
    bool dump;
  } cases[] = {
      {"bad read", &BadRead, EXCEPTION_ACCESS_VIOLATION, 0, false},
      {"bad write", &BadWrite, EXCEPTION_ACCESS_VIOLATION, 1, true},
      {"division by zero", &DivideByZero, EXCEPTION_INT_DIVIDE_BY_ZERO, 0, false},
      {"trap instruction", &Trap, EXCEPTION_ILLEGAL_INSTRUCTION, 0, false},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    struct Seen {
      FaultRecord fault;
      std::string dumpPath;
      DWORD thread = 0;
      bool inThisProgram = false;
    } seen;
    if (c.dump) seen.dumpPath = dir / "fault.dmp";
    EXPECT_FALSE(CallGuarded(
        c.call, nullptr,
        [](const FaultRecord& fault, void* context) {
          Seen& s = *static_cast<Seen*>(context);
          s.fault = fault;
          s.thread = GetCurrentThreadId();
          HMODULE module = nullptr;
          GetModuleHandleExA(
              GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
              static_cast<const char*>(fault.frames[0]), &module);
          s.inThisProgram = module == GetModuleHandleA(nullptr);
          if (!s.dumpPath.empty()) {
            WriteCrashReport(s.dumpPath.c_str(), &fault);
          }
        },
        &seen));
    EXPECT_EQ(seen.fault.systemCode, c.code);
    EXPECT_EQ(seen.fault.detail, c.detail);
    EXPECT_EQ(seen.thread, GetCurrentThreadId());  // the handler ran on the faulting thread
    EXPECT_TRUE(seen.inThisProgram);               // the innermost frame is the faulting code
    EXPECT_GT(seen.fault.frameCount, 1);
    if (!c.dump) continue;
    std::optional<platform_contract::DumpedException> dumped =
        ReadDumpedException(ReadFile(seen.dumpPath));
    ASSERT_TRUE(dumped.has_value());
    EXPECT_EQ(dumped->code, c.code);
    EXPECT_EQ(dumped->threadId, GetCurrentThreadId());
    if (c.code == EXCEPTION_ACCESS_VIOLATION) {
      EXPECT_EQ(dumped->firstInformation, static_cast<std::uint64_t>(c.detail));
    }
  }
  // Without a fault: a minidump with no exception in it.
  ASSERT_TRUE(WriteCrashReport((dir / "plain.dmp").c_str(), nullptr));
  const std::string plain = ReadFile(dir / "plain.dmp");
  EXPECT_EQ(plain.compare(0, 4, "MDMP"), 0);
  EXPECT_EQ(ReadDumpedException(plain), std::nullopt);
}

TEST(Win32FaultGuard, AStackOverflowIsReportedAndContainedEachTime) {
  TempDir dir;
  for (int round = 0; round < 3; ++round) {  // the stack's guard page is back after each
    SCOPED_TRACE(round);
    struct Seen {
      FaultRecord fault;
      std::string dumpPath;
      bool dumpWritten = false;
    } seen;
    if (round == 0) seen.dumpPath = dir / "overflow.dmp";
    EXPECT_FALSE(CallGuarded(
        &OverflowTheStack, nullptr,
        [](const FaultRecord& fault, void* context) {
          Seen& s = *static_cast<Seen*>(context);
          s.fault = fault;
          if (!s.dumpPath.empty()) {
            s.dumpWritten = WriteCrashReport(s.dumpPath.c_str(), &fault);
          }
        },
        &seen));
    EXPECT_EQ(seen.fault.systemCode, static_cast<unsigned long>(EXCEPTION_STACK_OVERFLOW));
    EXPECT_EQ(seen.fault.kind, FaultKind::kBadAccess);
    EXPECT_GT(seen.fault.frameCount, 1);
    if (round == 0) {
      ASSERT_TRUE(seen.dumpWritten);
      std::optional<platform_contract::DumpedException> dumped =
          ReadDumpedException(ReadFile(seen.dumpPath));
      ASSERT_TRUE(dumped.has_value());
      EXPECT_EQ(dumped->code, static_cast<std::uint32_t>(EXCEPTION_STACK_OVERFLOW));
    }
  }
}

TEST(Win32FaultGuard, ExceptionsThatSoftwareRaisesAndHandlesAreNoFaults) {
  // C++ exceptions travel as system exceptions on x86-64, and so does the debugger's output;
  // the guard must leave them alone.
  bool caught = false;
  EXPECT_TRUE(CallGuarded(
      [](void* caught) {
        DebugTrace("a line for the debugger, from inside a guarded call\n");
        try {
          throw std::runtime_error("handled inside");
        } catch (const std::runtime_error&) {
          *static_cast<bool*>(caught) = true;
        }
      },
      &caught, [](const FaultRecord&, void*) { ADD_FAILURE() << "taken as a fault"; }, nullptr));
  EXPECT_TRUE(caught);
}

TEST(Win32Filesystem, ANewFileIsNotInheritedAndBareNamesAreNotSearched) {
  TempDir dir;
  NewFile created = CreateNewFile(dir / "new.bin");
  ASSERT_EQ(created.status, NewFileStatus::kCreated);
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(created.file))),
                                   &flags));
  EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
  std::fclose(created.file);

  // Exactly the path asked for: no ".dll" added, no search of the system folders.
  fs::copy_file(platform_contract::Win32Backend::TestLibrary(), dir / "Corvid-copy.dll");
  DynamicLibrary library;
  int code = 0;
  EXPECT_FALSE(library.Load(dir / "Corvid-copy", &code));
  EXPECT_EQ(code, ERROR_MOD_NOT_FOUND);
  EXPECT_TRUE(library.Load(dir / "Corvid-copy.dll"));
  library.Unload();
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  EXPECT_FALSE(library.Load("kernel32.dll", &code));  // not in the current folder
  EXPECT_TRUE(library.Load("Corvid-copy.dll"));       // relative to it
  library.Unload();
  fs::current_path(previous);
}

TEST(Win32Filesystem, NamesAreNarrowTextInTheAnsiCodePage) {
  // Each name that the system's code page can hold (run under LANG=zh_CN.UTF-8 for GBK).
  const std::u16string names[] = {u"\u5b8b\u4f53.ttf", u"caf\u00e9.ttf"};
  TempDir dir;
  int tried = 0;
  for (const std::u16string& wide : names) {
    std::optional<std::string> narrow =
        WideToMultiByte(wide, kAnsiCodePage, std::string::npos, '\0');
    if (!narrow || narrow->find('\0') != std::string::npos) continue;
    SCOPED_TRACE(*narrow);
    ++tried;
    const std::string path = JoinPath(dir.path(), *narrow);
    NewFile created = CreateNewFile(path);
    ASSERT_EQ(created.status, NewFileStatus::kCreated);
    std::fputs("font", created.file);
    std::fclose(created.file);
    // The system knows the file by the wide name.
    std::wstring widePath(dir.path().begin(), dir.path().end());  // the folder is ASCII
    widePath += L'\\';
    widePath.append(wide.begin(), wide.end());
    EXPECT_NE(GetFileAttributesW(widePath.c_str()), INVALID_FILE_ATTRIBUTES);
    bool listed = false;
    ListDirectory(dir.path(),
                  [&](const DirectoryEntry& e) { listed = listed || e.name == *narrow; });
    EXPECT_TRUE(listed);
    std::optional<FileView> view = FileView::Open(path);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->size(), 4u);
    std::optional<FileStamp> stamp = StampFile(path);
    ASSERT_TRUE(stamp.has_value());
    EXPECT_EQ(stamp->size, 4u);
    EXPECT_EQ(FolderStamps(dir.path()).Stamp(narrow->c_str()), stamp);
  }
  EXPECT_GT(tried, 0);
}

// Regression: a file whose name the code page lacks (a Chinese name under code page 1252) was
// listed as "??.ttf", a name that opens nothing, so that a font unpacked under such a name was
// never installed. It is listed by its short name now, which opens it.
TEST(Win32Filesystem, AFileWhoseNameTheCodePageLacksIsListedByANameThatOpensIt) {
  const std::u16string wide = u"\u9ed1\u4f53 \u5e38\u89c4.ttf";
  std::optional<std::string> narrow =
      WideToMultiByte(wide, kAnsiCodePage, std::string::npos, '\0');
  if (narrow && narrow->find('\0') == std::string::npos) {
    GTEST_SKIP() << "the code page holds the name";
  }
  TempDir dir;
  std::wstring widePath(dir.path().begin(), dir.path().end());  // the folder is ASCII
  widePath += L'\\';
  widePath.append(wide.begin(), wide.end());
  tessaro_test::WriteFile(std::filesystem::path(widePath), "font");
  std::vector<std::string> names;
  ListDirectory(dir.path(), [&](const DirectoryEntry& e) { names.emplace_back(e.name); });
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].find('?'), std::string::npos) << names[0];
  EXPECT_EQ(tessaro_test::ReadFile(JoinPath(dir.path(), names[0])), "font");
  std::vector<std::string> files;
  tessaro::CollectFiles(dir.path(), files);
  ASSERT_EQ(files.size(), 1u);
  std::optional<FileView> view = FileView::Open(files[0]);
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->size(), 4u);
}

TEST(Win32Filesystem, JunctionsAreLinksThatTheListerDoesNotFollow) {
  TempDir dir;
  tessaro_test::WriteFile(dir / "real/a.ttf", "a");
  // Wine 8 says yes and makes nothing: the link must be there afterwards.
  if (!CreateSymbolicLinkA(
          (dir / "link").c_str(), (dir / "real").c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      GetFileAttributesA((dir / "link").c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "this system makes no links to folders";
  }
  std::vector<std::pair<std::string, EntryKind>> seen;
  ListDirectory(dir.path(),
                [&](const DirectoryEntry& e) { seen.emplace_back(std::string(e.name), e.kind); });
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, EntryKind>>{
                      {"link", EntryKind::kDirectoryLink}, {"real", EntryKind::kDirectory}}));
  std::vector<std::string> files;
  tessaro::CollectFiles(dir.path(), files);
  EXPECT_EQ(files, std::vector<std::string>{dir / "real/a.ttf"});
}

TEST(Win32SmallServices, TheNulDeviceIsNoTerminal) {
  // The C runtime's _isatty says yes to it, as to every character device.
  std::FILE* nul = std::fopen("NUL", "w");
  ASSERT_NE(nul, nullptr);
  EXPECT_FALSE(IsTerminal(nul));
  std::fclose(nul);
}

TEST(Win32SmallServices, TheCacheFolderIsInLocalAppData) {
  EXPECT_EQ(ProgramCacheFolder(), KnownFolder(FOLDERID_LocalAppData) + "\\Tessaro");
}

TEST(Win32SmallServices, TheAnsiCodePageIsTheSystemsActiveOne) {
  // Under Wine, LANG=zh_CN.UTF-8 makes it 936 (GBK); otherwise 1252.
  EXPECT_EQ(ResolveCodePage(kAnsiCodePage), GetACP());
  const wchar_t wide[] = L"\u5b8b\u4f53 Arial \u00e9";
  char expected[64];
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, expected, sizeof expected,
                              nullptr, nullptr);
  ASSERT_GT(n, 0);
  EXPECT_EQ(WideToMultiByte(u"\u5b8b\u4f53 Arial \u00e9", kAnsiCodePage), std::string(expected));
  EXPECT_EQ(MultiByteToWide(expected, kAnsiCodePage), MultiByteToWide(expected, GetACP()));
}

}  // namespace
}  // namespace platform

// The test program, or one of the helper programs that its cases run.
int main(int argc, char** argv) {
  // As the programs do: the C runtime's narrow text (std::filesystem's too) in the ANSI code page.
  std::setlocale(LC_CTYPE, "");
  if (argc == 3 && std::strcmp(argv[1], platform::kSpawnSwitch) == 0) {
    return platform::SpawnSleeper(argv[2]);
  }
  if (argc == 2 && std::strcmp(argv[1], platform::kSleepSwitch) == 0) {
    Sleep(60000);
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
