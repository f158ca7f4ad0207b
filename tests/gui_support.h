// The harness of the window tests: the real TessaroPc windows (offscreen), the real engine in a
// fresh working folder that is the current directory, and a font service stand-in on 127.0.0.1
// with a small catalogue, package files, an update answer and preview pages. Message boxes and
// the open-file dialog are answered by the test through the windows' dialog handlers.
//
// The test program's main() (gui_main.cpp) points HOME, XDG_DATA_HOME and FONTCONFIG_FILE into a
// temporary folder before Qt starts, so fonts are installed there and never for the real user.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QObject>
#include <QString>
#include <QUrl>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "client/ui/qt/main_window.h"
#include "client/workflow/main_view.h"
#include "client_support.h"

namespace tessaro_gui_test {

// The user's font folder of the test program ($XDG_DATA_HOME/fonts).
std::string UserFontFolder();
// Where the screenshots go (build/screenshots).
std::string ScreenshotFolder();

// One message box as the window asked for it.
struct Shown {
  QWidget* owner = nullptr;
  bool ownerVisible = false;
  QString text;
  QString caption;
  tessaro::MainView::Buttons buttons = tessaro::MainView::Buttons::kOk;
};

class GuiTest : public testing::Test {
 protected:
  GuiTest();
  ~GuiTest() override;
  // The service's pages: font query, update check, preview, package files.
  void Routes(httplib::Server& http);

  // Builds the main window with the test's working folder as its working and engine folder,
  // runs its start-up (with the update check) and shows it when the start-up did not close it.
  tessaro::CTessaroPcDlg& OpenWindow();
  // Only builds the main window (working folder, engine, update folder), as the program does
  // before DoModal.
  tessaro::CTessaroPcDlg& NewWindow();
  tessaro::CTessaroPcDlg& window() { return *window_; }

  // A PDF in the working folder that uses `fonts` (UTF-8 names).
  std::string Document(const std::string& name, const std::vector<std::string>& fonts);
  // Drops `files` on the main window, as a file manager does.
  void Drop(const QStringList& files);
  // Waits until the running workflow has ended (the window carries out its calls meanwhile).
  void WaitForWorker();
  // Drops `document` and waits for the analysis.
  void Analyse(const std::string& document);
  // A left click in the font list at `point`, in the list's own coordinates.
  void ClickList(QPoint point);
  // A left click in the middle of a cell.
  void ClickCell(int row, int column);
  // The texts of the list, row by row.
  std::vector<std::vector<std::string>> Rows() const;
  // The texts of the message boxes shown so far.
  std::vector<std::string> Messages() const;
  // Blocks the font query (and the update check, with updateBehindGate_) until OpenGate().
  void CloseGate();
  void OpenGate();
  // Waits until the service has received a request whose target starts with `prefix`.
  void WaitForRequest(const std::string& prefix);
  std::string Log() const;
  // Destroys the main window at once, whatever runs.
  void DestroyWindow() { window_.reset(); }

  tessaro_test::TempDir work_;
  std::string caption_;  // "Tessaro网" + host
  // The catalogue: font name -> the package paths the service offers for it.
  std::map<std::string, std::vector<std::string>> catalogue_;
  // Files the service serves, by path.
  std::map<std::string, std::string> files_;
  std::string updateAnswer_;
  // The update check waits behind the gate too (CloseGate) instead of answering at once.
  bool updateBehindGate_ = false;
  std::deque<tessaro::MainView::Answer> answers_;
  std::vector<Shown> shown_;

 private:
  std::string oldDir_;
  std::unique_ptr<tessaro_test::ScopedEnv> host_;
  std::mutex gateMutex_;
  std::condition_variable gateChanged_;
  bool gateOpen_ = true;

 protected:
  // After what its handlers use, so that it stops before that goes away.
  tessaro_test::TestServer server_;

 private:
  std::unique_ptr<tessaro::CTessaroPcDlg> window_;
};

// Takes the place of the user's browser: records the addresses opened with QDesktopServices.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open"); }
  ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
  std::vector<std::string> urls;

 public slots:
  void Open(const QUrl& url) { urls.push_back(url.toString().toStdString()); }
};

// Carries out what is pending for the window thread and rests a moment.
void SpinOnce();

// Runs the event loop until `done()` holds; false when it never did (bounded in rounds, so that
// a page that never loads fails the test instead of hanging it).
template <typename Done>
bool SpinUntil(Done done) {
  for (int round = 0; round < 20000; ++round) {
    if (done()) return true;
    SpinOnce();
  }
  return done();
}

// Saves a picture of `widget` as build/screenshots/<name>.
void SaveScreenshot(QWidget* widget, const std::string& name);

// A ZIP archive holding `members` (name -> bytes).
std::string ZipArchive(const std::vector<std::pair<std::string, std::string>>& members);

}  // namespace tessaro_gui_test
