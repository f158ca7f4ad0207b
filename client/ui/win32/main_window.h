// The client's main window on Windows (template 102): the document field, "打开文件",
// "一键安装字体", the font list, the progress bar, "关于", "更新", the slogan and the link to the
// site.
//
// The window is the MainView of the workflows and owns the state they share (the ClientSession:
// engine, working folder, document path, download addresses). The analysis, the install-all
// batch and the manual update run on a worker thread; a worker's call to the window is a
// SendMessage to the window thread, which carries it out and answers, so the worker goes on only
// when it is done. The single-font install of the list and the start-up update check run on the
// window thread. One workflow runs at a time: a document dropped or opened meanwhile is refused,
// and so is closing the window. All members but the MainView calls are for the window thread.
#pragma once

#include <windows.h>
// Built on <windows.h>:
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "client/ui/win32/about_window.h"
#include "client/ui/win32/preview_window.h"
#include "client/workflow/main_view.h"
#include "client/workflow/session.h"

namespace tessaro {

// The folders of the window client: the working folder, which holds the log, crash dumps and the
// download and update folders, and the folder the engine is loaded from.
struct ClientFolders {
  std::string work;
  std::string engine;
};

// The folders of this platform: platform::ClientWorkFolder() (on Windows the current directory)
// and platform::EngineFolder() (the program's own folder).
ClientFolders DefaultClientFolders();

// What the open-file dialog gave.
enum class DocumentChoice { kChosen, kCancelled, kFailed };

// Opens `address` (a wide text) in the user's default browser with ShellExecuteW.
void OpenAddress(const std::wstring& address);

class CTessaroPcDlg : public MainView {
 public:
  // Creates the working folder `folders.work` (the current directory when it cannot be made) and
  // logs into it, loads the engine from `folders.engine` (a failure is shown in a message box
  // without owner) and removes what an earlier self-update left. The service host is
  // ConfiguredServiceHost(). The window itself is made by Create.
  explicit CTessaroPcDlg(ClientFolders folders = DefaultClientFolders());
  // Waits for a running workflow, destroys the windows, then unloads the engine.
  ~CTessaroPcDlg() override;
  CTessaroPcDlg(const CTessaroPcDlg&) = delete;
  CTessaroPcDlg& operator=(const CTessaroPcDlg&) = delete;

  // Makes the window from template 102, hidden, sets it up and runs the start-up update check
  // (OnInitDialog). False when the window could not be made or the check closed it (an update's
  // installer has started).
  bool Create();
  // Create, then shows the window and runs the messages of the thread until it is closed.
  int DoModal();
  // Carries out one message of the thread as the program's loop does (the dialogs' keyboard
  // included).
  void RunMessage(MSG& message);

  // The handlers of the window's controls.
  void OnDropFiles(HDROP drop);
  void OnBnClickedOpen();
  void OnBnClickedAbout();
  void OnBnClickedUpdate();
  void OnBnClickedInstallAll();
  // A click in the font list at `point` (the list's client coordinates), on a row or below them:
  // acts on the selected row according to the column under the point.
  void OnClickFontList(POINT point);
  void OnClickLink(const std::wstring& address);
  // Enter, Escape and the close box: closes the window, except while a workflow runs.
  void OnClose();

  // Shows the open-file dialog, starting in OpenFileFolder(); on kChosen `path` holds the
  // document (ANSI text).
  DocumentChoice SelectDocument(std::string& path);
  // Where the open-file dialog starts: the folder of the last document while it is there, else
  // the current directory.
  std::string OpenFileFolder() const;
  // Throws the preview window away and opens a new one at the main window's right edge. False when
  // the window has no browser control: it is destroyed again, nothing empty is left on the screen.
  bool CreatePDlg();

  // Waits until the worker has ended, carrying out its calls to the window meanwhile.
  void WaitForWorker();
  // A workflow started on the worker has not reported its end to the window yet.
  bool workerRunning() const { return m_workersRunning > 0; }

  // MainView: called on any thread, carried out on the window's.
  void SetProgressRange(int low, int high) override;
  void SetProgressStep(int step) override;
  void StepProgress() override;
  void SetProgressPos(int position) override;
  void DeleteAllRows() override;
  void InsertRow(int row, const std::string& name) override;
  void SetCell(int row, int column, const std::string& text) override;
  void DeleteRow(int row) override;
  void EnableControl(Control control, bool enable) override;
  void SetEditText(const std::string& text) override;
  Answer ShowMessage(const std::string& text, const std::string& caption, Buttons buttons) override;
  void CloseWindow() override;

  ClientSession& session() { return m_session; }
  HWND hwnd() const { return m_hWnd.load(); }
  HWND item(int id) const { return GetDlgItem(hwnd(), id); }
  HICON icon() const { return m_hIcon; }
  PreviewDlg& previewDlg() { return m_previewDlg; }
  AboutDlg& aboutDlg() { return m_aboutDlg; }
  int previewColStart() const { return m_previewColStart; }
  int downloadColStart() const { return m_downloadColStart; }
  // The window was closed (by the user or by the self-update).
  bool closed() const { return m_closed; }
  // The font of each list row (ANSI text), in row order.
  const std::vector<std::string>& rowNames() const { return m_rowNames; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR data);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnPaint();
  // Gives the link and the slogan the room their texts need, growing the window if need be.
  void LayOutFooter();
  // Runs `call` on the window thread: directly when already there, else through SendMessage,
  // returning when it is done. Without a window nothing is run.
  void OnWindowThread(const std::function<void()>& call);
  // Starts `work` on the worker, or refuses when a workflow runs.
  void StartWorkflow(std::function<void()> work);
  // Starts the analysis of `path` on the worker, or refuses when a workflow runs.
  void StartAnalysis(const std::string& path);
  // Says that a workflow runs and nothing else can start; true when it did so.
  bool RefuseWhileBusy();
  // The download of row `row` on the window thread; says why when it offers nothing or a workflow
  // runs.
  void InstallRow(int row);
  // The preview page goes to `address`: when that is a download address of the previewed font
  // `font`, the font is installed instead (after the browser's event) and true is returned.
  bool OnPreviewNavigate(const std::string& font, const std::wstring& address);

  HICON m_hIcon = nullptr;
  ClientSession m_session;
  PreviewDlg m_previewDlg;
  AboutDlg m_aboutDlg;
  std::atomic<HWND> m_hWnd{nullptr};
  DWORD m_threadId;
  HWND m_list = nullptr;
  HWND m_progress = nullptr;
  HWND m_edit = nullptr;
  int m_previewColStart = 0;
  int m_downloadColStart = 0;
  int m_progressStep = 10;
  std::vector<std::string> m_rowNames;
  int m_workersRunning = 0;
  std::string m_pendingInstall;  // the previewed font whose download link was followed
  bool m_initializing = false;
  bool m_closed = false;
  bool m_quitWithWindow = false;
};

}  // namespace tessaro
