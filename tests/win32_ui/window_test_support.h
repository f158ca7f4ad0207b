// Driving TessaroPc's Win32 windows as a user does, on the test's own thread, which is the
// windows' thread: files dropped (a real HDROP), buttons and list cells clicked (mouse messages
// to the controls), message boxes and the open-file dialog answered as they appear (a hook on the
// thread sees each dialog once it is set up), screenshots of the screen as Wine shows it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/ui/win32/main_window.h"
#include "test_support.h"

namespace tessaro_win32_test {

using Lines = std::vector<std::string>;
using Table = std::vector<std::vector<std::string>>;

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
// UTF-8 text in the ANSI code page, as the engine gives names and paths.
std::string Ansi(const std::string& utf8);

// The text of a window, as UTF-8.
std::string TextOf(HWND window);

// A message box that appeared on this thread.
struct Shown {
  HWND owner = nullptr;
  bool ownerVisible = false;
  std::string caption;
  std::string text;
  bool cancel = false;  // it has a "取消" button (OK and Cancel)
};

// Answers the message boxes and the open-file dialog of this thread while it lives.
class DialogAnswerer {
 public:
  DialogAnswerer();
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // The message boxes seen, in order.
  std::vector<Shown> shown;
  // The buttons to press (IDOK, IDCANCEL), one per message box; IDOK when none is left.
  std::deque<int> answers;
  // Called with the open-file dialog once it is set up; it answers the dialog itself. When empty,
  // the dialog is cancelled.
  std::function<void(HWND dialog)> onFileDialog;
  // Dialogs of the program itself, never answered (the preview and About windows).
  std::function<bool(HWND dialog)> isOwnDialog;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  void DialogReady(HWND dialog);
  HHOOK hook_ = nullptr;
};

// Presses the button `id` of `dialog`, as a click does, when the dialog's loop gets to it.
void PressLater(HWND dialog, int id);

// Saves `window` as drawn now, frame and caption included, as a PNG file in the screenshot folder.
void SaveScreenshot(HWND window, const std::string& name);

// The host:port of tessaro-service, started by the tests' fixture; empty when it is not running.
std::string SampleServiceHost();

// The folder the installed fonts of this prefix land in (platform::FontInstallFolder()).
std::string FontFolder();
// The names of the files in `folder`, sorted.
Lines FilesIn(const std::string& folder);

// The web browser of the Wine prefix while it lives: url_recorder.exe, which records the addresses
// it is started with (http and https), so that a test sees what the program opens "in the default
// browser" and nothing else starts.
class UrlRecorder {
 public:
  UrlRecorder();
  ~UrlRecorder();
  UrlRecorder(const UrlRecorder&) = delete;
  UrlRecorder& operator=(const UrlRecorder&) = delete;
  // Signalled when an address was recorded (a manual-reset event).
  HANDLE recorded() const { return event_; }
  // The addresses recorded, in order.
  Lines urls() const;

 private:
  tessaro_test::TempDir folder_;
  std::string file_;
  HANDLE event_;
  std::unique_ptr<tessaro_test::ScopedEnv> record_;
  std::vector<std::wstring> old_;  // the handlers it stands in for
};

// A test with a fresh working folder and the main window of TessaroPc in it.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Builds the window object (engine loaded from `engineFolder`), makes and shows the window.
  tessaro::CTessaroPcDlg& OpenWindow(const std::string& engineFolder = TESSARO_BIN_DIR);
  // Builds the window object only.
  tessaro::CTessaroPcDlg& NewWindow(const std::string& engineFolder = TESSARO_BIN_DIR);
  tessaro::CTessaroPcDlg& window() { return *window_; }
  void DestroyWindowObject() { window_.reset(); }

  // Runs the thread's messages until everything posted so far, and all it led to, is done.
  void Settle();
  // Runs the thread's messages until `done` holds; `done` is tested whenever a message was run.
  // What is awaited is an event, never a time: `bound` (milliseconds) only keeps a test that
  // would wait for ever from doing so, and fails it. False then. `event`, when given, wakes the
  // wait too.
  bool RunUntil(const std::function<bool()>& done, DWORD bound = kBound, HANDLE event = nullptr);
  // Runs the thread's messages until `event` (a manual-reset event) is signalled.
  bool RunUntilSignalled(HANDLE event, DWORD bound = kBound);
  static constexpr DWORD kBound = 120000;
  // Runs the thread's messages until the worker has ended its workflow (bounded as RunUntil).
  void WaitForWorker();

  // Drops `files` on the main window, as Explorer does.
  void Drop(const std::vector<std::string>& files);
  // Clicks the button `id` of the main window and waits until its handler is done.
  void Click(int id);
  // Clicks the font list at `point` (the list's client coordinates), then waits as Click does.
  void ClickList(POINT point);
  // Clicks the middle of the cell of `row` and `column`.
  void ClickCell(int row, int column);
  // Drops `document` and waits until the analysis has ended.
  void Analyse(const std::string& document);

  // The rows of the font list as it shows them, UTF-8.
  Table Rows();
  // The texts of the message boxes seen.
  Lines Messages();
  std::string Log();
  // A PDF in the working folder naming `fonts` (UTF-8; written in the ANSI code page).
  std::string Document(const std::string& name, const std::vector<std::string>& fonts);

  tessaro_test::TempDir work_;
  DialogAnswerer answerer_;
  std::unique_ptr<tessaro::CTessaroPcDlg> window_;

 private:
  void RunOne(MSG& message);
  static LRESULT CALLBACK SentinelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND sentinel_ = nullptr;
  unsigned posted_ = 0;
  unsigned arrived_ = 0;
  std::string oldDir_;
};

}  // namespace tessaro_win32_test
