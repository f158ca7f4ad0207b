// TessaroPc.exe itself, as a user starts it: from the build's bin folder, beside Corvid.dll, with
// another current directory.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/loopback_http_server.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

struct ProcessWindow {
  HWND window;
  std::wstring title;
  bool visible;
};

// The top-level windows of the process `id`.
std::vector<ProcessWindow> WindowsOf(DWORD id) {
  struct Search {
    DWORD id;
    std::vector<ProcessWindow> found;
  } search{id, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->id) {
          wchar_t title[256] = {};
          GetWindowTextW(window, title, 256);
          search->found.push_back({window, title, IsWindowVisible(window) != FALSE});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(TessaroPc, StartedFromAnotherFolderFindsItsEngineAndKeepsItsFilesInTheCurrentDirectory) {
  // A service that says the client is current.
  platform_contract::LoopbackHttpServer service(
      {{"/s/api/PCDownloadFonts.ashx",
        [](const platform_contract::HttpRequest&) { return platform_contract::HttpAnswer{}; }}});
  const std::string host = service.Url("").substr(std::string("http://").size());
  tessaro_test::ScopedEnv hostVariable("TESSARO_SERVICE_HOST", host);
  tessaro_test::TempDir work;
  const fs::path program = fs::path(TESSARO_BIN_DIR) / "TessaroPc.exe";
  ASSERT_TRUE(fs::exists(program));
  ASSERT_TRUE(fs::exists(fs::path(TESSARO_BIN_DIR) / "Corvid.dll"));

  std::wstring command = L"\"" + program.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const std::wstring folder = fs::path(work.path()).wstring();
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.c_str(), &startup, &process));
  CloseHandle(process.hThread);
  // A program that did not end when the test does (a failed step) is ended with it.
  struct Ending {
    HANDLE process;
    ~Ending() {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
      CloseHandle(process);
    }
  } ending{process.hProcess};
  // It waits for input once its window is up (after the start-up update check).
  EXPECT_EQ(WaitForInputIdle(process.hProcess, 120000), 0u);
  std::vector<ProcessWindow> windows = WindowsOf(process.dwProcessId);
  HWND main = nullptr;
  for (const ProcessWindow& window : windows) {
    if (window.visible && window.title == L"Tessaro(Tessaro网PC版)") main = window.window;
    // No message box: the engine was found beside the program.
    EXPECT_FALSE(window.visible && window.title.rfind(L"Tessaro网", 0) == 0) << window.window;
  }
  ASSERT_NE(main, nullptr);

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);

  // The log is in the working folder, the current directory at start.
  const std::string log = tessaro_test::ReadFile(work / "Corvid.log");
  EXPECT_NE(log.find("OnBnClickedButton3 end nothing update"), std::string::npos) << log;
  EXPECT_NE(log.find("OnInitDialog success"), std::string::npos) << log;
  EXPECT_EQ(log.find("加载失败"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(fs::path(TESSARO_BIN_DIR) / "Corvid.log"));
}

}  // namespace
