#include "client/ui/qt/main_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "client/core/diagnostics.h"
#include "client/core/update_folder.h"
#include "client/ui/qt/about_window.h"
#include "client/ui/qt/dialog_units.h"
#include "client/ui/qt/font_list.h"
#include "client/ui/qt/icons.h"
#include "client/ui/qt/modal_dialogs.h"
#include "client/ui/qt/narrow_text.h"
#include "client/ui/qt/preview_window.h"
#include "client/workflow/analysis.h"
#include "client/workflow/batch.h"
#include "client/workflow/self_update.h"
#include "client/workflow/service_protocol.h"
#include "platform/client_folders.h"

namespace tessaro {
namespace {

const char* const kOpenFileFilter = "打开文件 (*.ai;*.psd;*.psb;*.cdr;*.pdf)";
const char* const kHint = "请打开或拖入cdr、psd、psb、ai、pdf格式的稿件";

}  // namespace

ClientFolders DefaultClientFolders() {
  return {platform::ClientWorkFolder(), platform::EngineFolder()};
}

namespace {

// The working folder, made when it is not there yet; the current directory when it cannot be.
std::string MakeWorkFolder(const std::string& folder) {
  std::error_code error;
  if (!folder.empty() && (std::filesystem::create_directories(folder, error) || !error)) {
    return folder;
  }
  return GetCurrentDir();
}

}  // namespace

CTessaroPcDlg::CTessaroPcDlg(QWidget* parent, ClientFolders folders)
    : QDialog(parent),
      m_hIcon(ProgramIcon()),
      m_session(*this, ConfiguredServiceHost(), MakeWorkFolder(folders.work)) {
  SetLogFolder(m_session.m_workDir);
  m_session.engine().LoadEngine(
      folders.engine,
      [this](const std::string& text) {
        // The window does not exist for the user yet: the message has no owner.
        ShowMessageBox(nullptr, FromAnsi(text), FromAnsi(m_session.caption()), Buttons::kOk);
      },
      m_session.m_workDir);
  CleanUpdateFolder(m_session.m_workDir);
  CreateControls();
}

CTessaroPcDlg::~CTessaroPcDlg() {
  WaitForWorker();
  m_session.engine().Unload();
  delete m_previewDlg;
  delete m_aboutDlg;
}

void CTessaroPcDlg::CreateControls() {
  setWindowTitle(QStringLiteral("Tessaro(Tessaro网PC版)"));
  // A window of its own in the task bar, with a minimise box but neither maximise box nor
  // sizing border.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont dialogFont = font();
  dialogFont.setPointSize(9);
  setFont(dialogFont);
  const DialogUnits units = DialogUnits::ForFont(dialogFont);
  setFixedSize(units.X(258), units.Y(178));

  // In the order of the template, which is the tab order.
  m_list = new FontListWidget(this);
  m_list->setGeometry(units.Rect(3, 20, 251, 132));
  m_list->setColumnCount(4);
  m_list->setHorizontalHeaderLabels({QStringLiteral("缺失字体名"), QStringLiteral("下载状态"),
                                     QStringLiteral("点击预览"), QStringLiteral("点击下载")});
  connect(m_list, &FontListWidget::clickedAt, this, &CTessaroPcDlg::OnClickFontList);
  m_list->setAcceptDrops(false);
  m_list->viewport()->setAcceptDrops(false);

  m_edit = new QLineEdit(this);
  m_edit->setGeometry(units.Rect(2, 2, 152, 14));
  m_edit->setEnabled(false);  // a display only
  // Files dropped anywhere on the window are the window's, the field and the list included.
  m_edit->setAcceptDrops(false);

  m_open = new QPushButton(QStringLiteral("打开文件"), this);
  m_open->setGeometry(units.Rect(158, 2, 43, 15));
  connect(m_open, &QPushButton::clicked, this, &CTessaroPcDlg::OnBnClickedOpen);

  m_installAll = new QPushButton(QStringLiteral("一键安装字体"), this);
  m_installAll->setGeometry(units.Rect(207, 2, 46, 14));
  m_installAll->setEnabled(false);
  connect(m_installAll, &QPushButton::clicked, this, &CTessaroPcDlg::OnBnClickedInstallAll);

  m_progress = new QProgressBar(this);
  m_progress->setGeometry(units.Rect(3, 153, 251, 6));
  m_progress->setTextVisible(false);
  m_progress->setRange(0, 100);
  m_progress->setValue(0);

  m_about = new QPushButton(QStringLiteral("关于"), this);
  m_about->setGeometry(units.Rect(168, 161, 40, 15));
  connect(m_about, &QPushButton::clicked, this, &CTessaroPcDlg::OnBnClickedAbout);

  m_update = new QPushButton(QStringLiteral("更新"), this);
  m_update->setGeometry(units.Rect(212, 161, 41, 15));
  connect(m_update, &QPushButton::clicked, this, &CTessaroPcDlg::OnBnClickedUpdate);

  m_slogan = new QLabel(QStringLiteral("Tessaro, 缺字体一键补齐"), this);
  m_slogan->setGeometry(units.Rect(82, 164, 79, 9));
  m_slogan->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  // The link's text is the host; its address the service's base address, which a browser opens.
  const QString host = FromAnsi(m_session.serviceHost()).toHtmlEscaped();
  m_link = new QLabel(QStringLiteral("官网: <a href=\"http://%1\">%1</a>").arg(host), this);
  m_link->setGeometry(units.Rect(3, 164, 78, 12));
  m_link->setTextFormat(Qt::RichText);
  m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  m_link->setFocusPolicy(Qt::TabFocus);
  connect(m_link, &QLabel::linkActivated, this, &CTessaroPcDlg::OnClickLink);

  LayOutFooter(units);
}

void CTessaroPcDlg::LayOutFooter(const DialogUnits& units) {
  // The template's rectangles hold the texts for the fonts it was made with; with other fonts, or
  // a longer host name, the link and the slogan get the width of their texts, the slogan stays
  // right of the link, and the window grows when the footer needs more room than it has. The
  // controls right of the footer (and at the top right) move with the window's right edge, the
  // list, the field and the progress bar grow with it.
  const int gap = units.X(1);
  const int linkWidth = std::max(m_link->width(), m_link->sizeHint().width());
  const int sloganWidth = std::max(m_slogan->width(), m_slogan->sizeHint().width());
  const int linkHeight = std::max(m_link->height(), m_link->sizeHint().height());
  const int sloganHeight = std::max(m_slogan->height(), m_slogan->sizeHint().height());
  m_link->setGeometry(m_link->x(), m_link->y(), linkWidth, linkHeight);
  const int sloganX = std::max(m_slogan->x(), m_link->x() + linkWidth + gap);
  m_slogan->setGeometry(sloganX, m_slogan->y(), sloganWidth, sloganHeight);
  const int extra = std::max(0, sloganX + sloganWidth + gap - m_about->x());
  if (extra == 0) return;
  setFixedSize(width() + extra, height());
  for (QWidget* moved : {static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_installAll),
                         static_cast<QWidget*>(m_about), static_cast<QWidget*>(m_update)}) {
    moved->move(moved->x() + extra, moved->y());
  }
  for (QWidget* grown : {static_cast<QWidget*>(m_list), static_cast<QWidget*>(m_edit),
                         static_cast<QWidget*>(m_progress)}) {
    grown->resize(grown->width() + extra, grown->height());
  }
}

bool CTessaroPcDlg::OnInitDialog() {
  setAcceptDrops(true);
  setWindowIcon(m_hIcon);

  // The columns share the list's client width; there are no rows yet, so no scroll bar.
  const FontListColumns columns = ComputeFontListColumns(m_list->contentsRect().width());
  for (int column = 0; column < 4; ++column) m_list->setColumnWidth(column, columns.widths[column]);
  m_previewColStart = columns.previewStart;
  m_downloadColStart = columns.downloadStart;

  m_open->setIcon(QIcon(OpenFileBitmap()));
  m_open->setIconSize(QSize(16, 16));
  m_edit->setText(QString::fromUtf8(kHint));

  // Before the window is shown: silent when current, asks before updating.
  if (m_session.BeginWorkflow()) {
    OnBnClickedButton3(m_session, true);
    m_session.EndWorkflow();
  }
  WriteLog("OnInitDialog success");
  return !m_closed;
}

int CTessaroPcDlg::DoModal() {
  if (!OnInitDialog()) return QDialog::Rejected;
  return exec();
}

// --- Handlers ---------------------------------------------------------------------------------

bool CTessaroPcDlg::RefuseWhileBusy() {
  if (!m_session.busy()) return false;
  m_session.Message(kBusyMessage);
  return true;
}

void CTessaroPcDlg::StartAnalysis(const std::string& path) {
  if (RefuseWhileBusy()) return;
  m_session.m_filePath = path;
  if (!m_session.StartWorker([this] { OnSelectFile(m_session); })) m_session.Message(kBusyMessage);
}

void CTessaroPcDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CTessaroPcDlg::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files.append(url.toLocalFile());
  }
  event->acceptProposedAction();
  OnDropFiles(files);
}

void CTessaroPcDlg::OnDropFiles(const QStringList& files) {
  if (files.isEmpty()) return;
  if (RefuseWhileBusy()) return;
  // Only the first file is analysed, whatever its kind: the engine decides what it finds.
  std::optional<std::string> path = ToAnsi(files.first());
  if (!path) {
    m_session.Message("打开文件出错");
    return;
  }
  StartAnalysis(*path);
}

QString CTessaroPcDlg::OpenFileFolder() const {
  // The folder of the last document while it is there, else the home folder: a program started
  // from a menu has no current directory of use.
  if (!m_session.m_filePath.empty()) {
    const QFileInfo last(FromAnsi(m_session.m_filePath));
    if (last.absoluteDir().exists()) return last.absolutePath();
  }
  return QDir::homePath();
}

DocumentChoice CTessaroPcDlg::SelectDocument(std::string& path) {
  OpenFileChoice choice =
      RunOpenFileDialog(this, OpenFileFolder(), QString::fromUtf8(kOpenFileFilter));
  if (!choice.accepted) return DocumentChoice::kCancelled;
  std::optional<std::string> narrow = ToAnsi(choice.file);
  if (choice.file.isEmpty() || !narrow) return DocumentChoice::kFailed;
  path = *narrow;
  return DocumentChoice::kChosen;
}

void CTessaroPcDlg::OnBnClickedOpen() {
  if (RefuseWhileBusy()) return;
  std::string path;
  switch (SelectDocument(path)) {
    case DocumentChoice::kChosen:
      StartAnalysis(path);
      break;
    case DocumentChoice::kFailed:
      m_session.Message("打开文件出错");
      break;
    case DocumentChoice::kCancelled:  // not an error
      break;
  }
}

void CTessaroPcDlg::OnBnClickedAbout() {
  delete m_aboutDlg;
  m_aboutDlg = new AboutDlg(this, m_session.serviceHost());
  connect(m_aboutDlg, &AboutDlg::linkClicked, this, &CTessaroPcDlg::OnClickLink);
  m_aboutDlg->OnInitDialog();
  // The top left corner of the main window's client area.
  m_aboutDlg->move(mapToGlobal(QPoint(0, 0)));
  m_aboutDlg->show();
}

void CTessaroPcDlg::OnBnClickedUpdate() {
  if (RefuseWhileBusy()) return;
  m_session.StartWorker([this] { UpdateCheckThread(m_session); });
}

void CTessaroPcDlg::OnBnClickedInstallAll() {
  if (RefuseWhileBusy()) return;
  m_session.StartWorker([this] { InstallAllThread(m_session); });
}

void CTessaroPcDlg::OnClickFontList(QPoint position) {
  if (m_list->rowCount() == 0) return;
  // The column under the cursor, in the list's own coordinates (the column edges are the
  // list's too).
  const int x = position.x();
  for (int i = 0; i < m_list->rowCount(); ++i) {
    if (!m_list->selectionModel()->isSelected(m_list->model()->index(i, 0))) continue;
    if (m_previewColStart < x && x < m_downloadColStart) {
      const std::string name = m_list->NarrowName(i);
      const std::string address = PreviewAddress(name, m_session);
      if (address.empty()) {
        m_session.Message(kPreviewNameTooLong);
        continue;
      }
      CreatePDlg();
      m_previewDlg->SetPreviewedFont(name);
      m_previewDlg->Navigate(address);
    } else if (x > m_downloadColStart) {
      InstallRow(i);
      return;  // the row may be gone, and it was the only one selected
    }
  }
}

void CTessaroPcDlg::InstallRow(int row) { InstallClickedRow(m_session, row); }

void CTessaroPcDlg::OnPreviewDownload(const QByteArray& name) {
  const std::string font(name.constData(), static_cast<std::size_t>(name.size()));
  const auto& names = m_session.m_fontNames;
  const auto found = std::find(names.begin(), names.end(), font);
  if (RefuseWhileBusy()) return;
  if (found == names.end()) {
    // The font left the list: installed meanwhile, or another document was opened.
    m_session.Message("这个字体不在缺失字体列表中");
    return;
  }
  InstallRow(static_cast<int>(found - names.begin()));
}

void CTessaroPcDlg::OnClickLink(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

void CTessaroPcDlg::CreatePDlg() {
  WriteLog("CreatePDlg begin");
  const QRect ownerRect = frameGeometry();
  delete m_previewDlg;
  m_previewDlg = new PreviewDlg(this, ownerRect, m_session.serviceHost());
  connect(m_previewDlg, &PreviewDlg::installRequested, this, &CTessaroPcDlg::OnPreviewDownload);
  m_previewDlg->OnInitDialog();
  m_previewDlg->show();
  WriteLog("CreatePDlg end");
}

void CTessaroPcDlg::reject() {
  // Escape and the close box: not while a workflow runs, which still needs the window and the
  // engine.
  if (RefuseWhileBusy()) return;
  QDialog::reject();
}

void CTessaroPcDlg::WaitForWorker() {
  while (m_session.busy()) {
    // A worker may be waiting for the window thread to carry out one of its calls.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_session.busy()) QThread::msleep(2);
  }
  m_session.JoinWorker();
}

// --- MainView ---------------------------------------------------------------------------------

template <typename Call>
void CTessaroPcDlg::OnWindowThread(Call&& call) {
  if (QThread::currentThread() == thread()) {
    call();
  } else {
    QMetaObject::invokeMethod(
        this, [&call] { call(); }, Qt::BlockingQueuedConnection);
  }
}

void CTessaroPcDlg::SetProgressRange(int low, int high) {
  OnWindowThread([&] { m_progress->setRange(low, high); });
}

void CTessaroPcDlg::SetProgressStep(int step) {
  OnWindowThread([&] { m_progressStep = step; });
}

void CTessaroPcDlg::StepProgress() {
  OnWindowThread([&] {
    int position = std::max(m_progress->value(), m_progress->minimum()) + m_progressStep;
    m_progress->setValue(std::min(position, m_progress->maximum()));
  });
}

void CTessaroPcDlg::SetProgressPos(int position) {
  OnWindowThread([&] { m_progress->setValue(position); });
}

void CTessaroPcDlg::DeleteAllRows() {
  OnWindowThread([&] { m_list->setRowCount(0); });
}

void CTessaroPcDlg::InsertRow(int row, const std::string& name) {
  OnWindowThread([&] {
    m_list->insertRow(row);
    m_list->SetNarrowName(row, name);
    for (int column = 1; column < 4; ++column) m_list->SetCellText(row, column, QString());
  });
}

void CTessaroPcDlg::SetCell(int row, int column, const std::string& text) {
  OnWindowThread([&] {
    if (row >= 0 && row < m_list->rowCount()) m_list->SetCellText(row, column, FromAnsi(text));
  });
}

void CTessaroPcDlg::DeleteRow(int row) {
  OnWindowThread([&] { m_list->removeRow(row); });
}

QWidget* CTessaroPcDlg::ControlWidget(Control control) const {
  switch (control) {
    case Control::kOpenButton:
      return m_open;
    case Control::kAboutButton:
      return m_about;
    case Control::kUpdateButton:
      return m_update;
    case Control::kInstallAllButton:
      return m_installAll;
    case Control::kFontList:
      return m_list;
  }
  return nullptr;
}

QPushButton* CTessaroPcDlg::button(Control control) const {
  return qobject_cast<QPushButton*>(ControlWidget(control));
}

void CTessaroPcDlg::EnableControl(Control control, bool enable) {
  OnWindowThread([&] {
    if (QWidget* widget = ControlWidget(control)) widget->setEnabled(enable);
  });
}

void CTessaroPcDlg::SetEditText(const std::string& text) {
  OnWindowThread([&] { m_edit->setText(FromAnsi(text)); });
}

MainView::Answer CTessaroPcDlg::ShowMessage(const std::string& text, const std::string& caption,
                                            Buttons buttons) {
  Answer answer = Answer::kCancel;
  OnWindowThread(
      [&] { answer = ShowMessageBox(this, FromAnsi(text), FromAnsi(caption), buttons); });
  return answer;
}

void CTessaroPcDlg::CloseWindow() {
  OnWindowThread([&] {
    m_closed = true;
    // Not through reject(): the update that closes the window is the workflow that runs.
    if (isVisible()) done(QDialog::Rejected);
  });
}

}  // namespace tessaro
