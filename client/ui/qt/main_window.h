// The client's main window: the document field, "打开文件", "一键安装字体", the font list, the
// progress bar, "关于", "更新", the slogan and the link to the site.
//
// The window is the MainView of the workflows and owns the state they share (the ClientSession:
// engine, working folder, document path, download addresses). The analysis, the install-all
// batch and the manual update run on a worker thread; a worker's calls to the window block until
// the window thread has carried them out. The single-font install of the list and the start-up
// update check run on the window thread. One workflow runs at a time: a document dropped or
// opened meanwhile is refused, and so is closing the window.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <string>

#include "client/ui/qt/about_window.h"
#include "client/ui/qt/preview_window.h"
#include "client/workflow/main_view.h"
#include "client/workflow/session.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tessaro {

class DialogUnits;
class FontListWidget;

// The folders of the window client: the working folder, which holds the log, crash dumps and the
// download and update folders, and the folder the engine is loaded from.
struct ClientFolders {
  std::string work;
  std::string engine;
};

// The folders of this platform: platform::ClientWorkFolder() (on Linux ~/.local/state/tessaro)
// and platform::EngineFolder() (on Linux the program's own folder).
ClientFolders DefaultClientFolders();

// What the open-file dialog gave.
enum class DocumentChoice { kChosen, kCancelled, kFailed };

class CTessaroPcDlg : public QDialog, public MainView {
  Q_OBJECT

 public:
  // Creates the working folder `folders.work` (the current directory when it cannot be made) and
  // logs into it, loads the engine from `folders.engine` (a failure is shown in a message box
  // without owner) and removes what an earlier self-update left. The service host is
  // ConfiguredServiceHost().
  explicit CTessaroPcDlg(QWidget* parent = nullptr, ClientFolders folders = DefaultClientFolders());
  // Waits for a running workflow, then unloads the engine.
  ~CTessaroPcDlg() override;

  // Sets the window up and runs the start-up update check, before the window is shown. Returns
  // false when the check closed the window (an update's installer has started).
  bool OnInitDialog();
  // OnInitDialog, then the window runs modally until it is closed.
  int DoModal();

  // The handlers of the window's controls.
  void OnDropFiles(const QStringList& files);
  void OnBnClickedOpen();
  void OnBnClickedAbout();
  void OnBnClickedUpdate();
  void OnBnClickedInstallAll();
  void OnClickFontList(QPoint position);
  void OnClickLink(const QString& url);
  // A download link of the preview page of `name` (narrow text): installs that font as its row's
  // "下载" does.
  void OnPreviewDownload(const QByteArray& name);
  // Escape and the close box; refused while a workflow runs.
  void reject() override;

  // Shows the open-file dialog, in OpenFileFolder(); on kChosen `path` holds the document
  // (narrow text).
  DocumentChoice SelectDocument(std::string& path);
  // Where the open-file dialog starts: the folder of the last document, else the home folder.
  QString OpenFileFolder() const;
  // Throws the preview window away and opens a new one at the main window's right edge.
  void CreatePDlg();

  // Waits until the running workflow has ended, carrying out its calls to the window meanwhile.
  void WaitForWorker();

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
  QPushButton* button(Control control) const;
  FontListWidget* list() const { return m_list; }
  QProgressBar* progress() const { return m_progress; }
  QLineEdit* edit() const { return m_edit; }
  QLabel* link() const { return m_link; }
  QLabel* slogan() const { return m_slogan; }
  PreviewDlg* previewDlg() const { return m_previewDlg; }
  AboutDlg* aboutDlg() const { return m_aboutDlg; }
  int previewColStart() const { return m_previewColStart; }
  int downloadColStart() const { return m_downloadColStart; }
  bool closed() const { return m_closed; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Runs `call` on the window thread: directly when already there, else blocking until done.
  template <typename Call>
  void OnWindowThread(Call&& call);
  // The download of row `row` on the window thread; says why when it offers nothing or a workflow
  // runs.
  void InstallRow(int row);
  // Starts the analysis of `path` on a worker, or refuses when a workflow runs.
  void StartAnalysis(const std::string& path);
  // Says that a workflow runs and nothing else can start; true when it did so.
  bool RefuseWhileBusy();
  QWidget* ControlWidget(Control control) const;
  void CreateControls();
  // Gives the link and the slogan the room their texts need (see main_window.cpp).
  void LayOutFooter(const DialogUnits& units);

  QIcon m_hIcon;
  ClientSession m_session;
  QPointer<PreviewDlg> m_previewDlg;
  QPointer<AboutDlg> m_aboutDlg;
  FontListWidget* m_list = nullptr;
  int m_previewColStart = 0;
  int m_downloadColStart = 0;
  QLineEdit* m_edit = nullptr;
  QPushButton* m_open = nullptr;
  QPushButton* m_installAll = nullptr;
  QProgressBar* m_progress = nullptr;
  int m_progressStep = 10;
  QPushButton* m_about = nullptr;
  QPushButton* m_update = nullptr;
  QLabel* m_slogan = nullptr;
  QLabel* m_link = nullptr;
  bool m_closed = false;
};

}  // namespace tessaro
