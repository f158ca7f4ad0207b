// The main window of TessaroPc, driven as a user drives it: documents dropped and opened, list
// cells clicked, the buttons pressed, against the real engine and a font service on 127.0.0.1.

#include "client/ui/qt/main_window.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "client/ui/qt/dialog_units.h"
#include "client/ui/qt/font_list.h"
#include "client/ui/qt/modal_dialogs.h"
#include "client/ui/qt/translations.h"
#include "gui_support.h"
#include "update_signing.h"

namespace tessaro_gui_test {
namespace {

namespace fs = std::filesystem;
using tessaro::Control;
using tessaro::DialogUnits;
using tessaro::MainView;
using Table = std::vector<std::vector<std::string>>;
using Lines = std::vector<std::string>;

const Control kAllControls[] = {Control::kOpenButton, Control::kAboutButton, Control::kUpdateButton,
                                Control::kInstallAllButton, Control::kFontList};

// The installer of the test's update: it leaves a mark in the working folder, its current folder.
const char* const kInstaller = "#!/bin/sh\n: > installer-ran\n";

// Waits until the update's installer has run.
bool InstallerRan(const std::string& work) {
  return SpinUntil([&] { return fs::exists(work + "/installer-ran"); });
}

std::string DataFont(const std::string& name) {
  return tessaro_test::ReadFile(tessaro_test::DataPath("fonts/" + name));
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DialogUnits, ConvertLikeTheTemplates) {
  const struct {
    int baseX, baseY;
    QRect units;
    QRect pixels;
  } cases[] = {
      // The font list of the main window with a font of base units 6 x 15: 373 pixels inside
      // its 2-pixel border.
      {6, 15, QRect(3, 20, 251, 132), QRect(5, 38, 377, 248)},
      {6, 15, QRect(0, 0, 258, 178), QRect(0, 0, 387, 334)},
      {7, 16, QRect(3, 153, 251, 6), QRect(5, 306, 439, 12)},
      {8, 17, QRect(1, 1, 1, 1), QRect(2, 2, 2, 2)},  // 2.0 and 2.125
  };
  for (const auto& c : cases) {
    DialogUnits units(c.baseX, c.baseY);
    EXPECT_EQ(units.Rect(c.units.x(), c.units.y(), c.units.width(), c.units.height()), c.pixels)
        << c.baseX << "x" << c.baseY;
  }
}

TEST(FontListColumns, ShareTheClientWidth) {
  const struct {
    int width;
    int widths[4];
    int previewStart, downloadStart;
  } cases[] = {
      {373, {186, 62, 62, 63}, 248, 310},
      {372, {186, 62, 62, 62}, 248, 310},
      {100, {50, 16, 16, 18}, 66, 82},
      {0, {0, 0, 0, 0}, 0, 0},
  };
  for (const auto& c : cases) {
    tessaro::FontListColumns columns = tessaro::ComputeFontListColumns(c.width);
    EXPECT_EQ(std::vector<int>(columns.widths, columns.widths + 4),
              std::vector<int>(c.widths, c.widths + 4))
        << c.width;
    EXPECT_EQ(columns.previewStart, c.previewStart) << c.width;
    EXPECT_EQ(columns.downloadStart, c.downloadStart) << c.width;
  }
}

// The sample: three missing fonts, in the engine's order; the service offers two packages for
// the last, one for the first and nothing for the second. The packages hold fonts of other
// names, so that what one test installs is still missing in the next.
class MainWindowTest : public GuiTest {
 protected:
  MainWindowTest() {
    catalogue_["TessaroSans-Bold"] = {"fonts/sans-bold.zip"};
    catalogue_["方正兰亭黑"] = {"fonts/fzlth-1.zip", "fonts/fzlth-2.zip"};
    files_["fonts/sans-bold.zip"] = ZipArchive({{"pkg-a.ttf", DataFont("names-mixed.ttf")}});
    files_["fonts/fzlth-1.zip"] = ZipArchive({{"pkg-b.ttf", DataFont("long-name.ttf")}});
    files_["fonts/fzlth-2.zip"] = ZipArchive({{"pkg-c.ttc", DataFont("collection.ttc")}});
  }
  std::string Sample() {
    return Document("sample.pdf", {"方正兰亭黑", "TessaroSans-Bold", "微软雅黑"});
  }
  const Table kSampleRows = {{"TessaroSans-Bold", "可以下载", "预览", "下载"},
                             {"微软雅黑", "不可下载", "预览", ""},
                             {"方正兰亭黑", "可以下载", "预览", "下载"}};
  void ExpectAllEnabled() {
    for (Control control : kAllControls) {
      QWidget* widget = control == Control::kFontList
                            ? static_cast<QWidget*>(window().list())
                            : static_cast<QWidget*>(window().button(control));
      EXPECT_TRUE(widget->isEnabled()) << static_cast<int>(control);
    }
  }
  std::vector<std::string> FontQueries() {
    std::vector<std::string> queries;
    for (const std::string& request : server_.requests()) {
      if (request.find("?q=") != std::string::npos) queries.push_back(request);
    }
    return queries;
  }
};

TEST_F(MainWindowTest, StartsWithTheDesignedWindow) {
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.windowTitle().toStdString(), "Tessaro(Tessaro网PC版)");
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());  // not resizable
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(dlg.windowIcon().isNull());
  EXPECT_FALSE(dlg.button(Control::kOpenButton)->icon().isNull());

  const DialogUnits units = DialogUnits::ForFont(dlg.font());
  EXPECT_EQ(dlg.size(), QSize(units.X(258), units.Y(178)));
  const struct {
    QWidget* widget;
    QRect rect;
    std::string text;
  } controls[] = {
      {dlg.list(), {3, 20, 251, 132}, ""},
      {dlg.edit(), {2, 2, 152, 14}, "请打开或拖入cdr、psd、psb、ai、pdf格式的稿件"},
      {dlg.button(Control::kOpenButton), {158, 2, 43, 15}, "打开文件"},
      {dlg.button(Control::kInstallAllButton), {207, 2, 46, 14}, "一键安装字体"},
      {dlg.progress(), {3, 153, 251, 6}, ""},
      {dlg.button(Control::kAboutButton), {168, 161, 40, 15}, "关于"},
      {dlg.button(Control::kUpdateButton), {212, 161, 41, 15}, "更新"},
      {dlg.slogan(), {82, 164, 79, 9}, "Tessaro, 缺字体一键补齐"},
      {dlg.link(),
       {3, 164, 78, 12},
       "官网: <a href=\"http://" + server_.host() + "\">" + server_.host() + "</a>"},
  };
  for (const auto& c : controls) {
    const QRect designed = units.Rect(c.rect.x(), c.rect.y(), c.rect.width(), c.rect.height());
    if (qobject_cast<QLabel*>(c.widget)) {
      // The footer's texts get at least the room the template gives them (see the next test).
      EXPECT_EQ(c.widget->pos(), designed.topLeft()) << c.text;
      EXPECT_GE(c.widget->width(), designed.width()) << c.text;
      EXPECT_GE(c.widget->height(), designed.height()) << c.text;
    } else {
      EXPECT_EQ(c.widget->geometry(), designed) << c.text;
    }
    std::string text;
    if (auto* button = qobject_cast<QPushButton*>(c.widget)) text = button->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(c.widget)) text = edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(c.widget)) text = label->text().toStdString();
    EXPECT_EQ(text, c.text);
  }
  EXPECT_FALSE(dlg.edit()->isEnabled());
  EXPECT_EQ(dlg.progress()->value(), 0);
  // The start-up check locked and unlocked the window: "一键安装字体" is usable from now on.
  ExpectAllEnabled();

  QHeaderView* header = dlg.list()->horizontalHeader();
  const int clientWidth = dlg.list()->contentsRect().width();
  const tessaro::FontListColumns columns = tessaro::ComputeFontListColumns(clientWidth);
  const char* headers[] = {"缺失字体名", "下载状态", "点击预览", "点击下载"};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(dlg.list()->horizontalHeaderItem(column)->text().toStdString(), headers[column]);
    EXPECT_EQ(header->sectionSize(column), columns.widths[column]);
  }
  EXPECT_EQ(dlg.previewColStart(), header->sectionPosition(2));
  EXPECT_EQ(dlg.downloadColStart(), header->sectionPosition(3));
  EXPECT_EQ(dlg.list()->viewport()->width(), clientWidth);

  EXPECT_EQ(server_.requests(), Lines{"/s/api/PCDownloadFonts.ashx?u=1.30"});
  EXPECT_TRUE(shown_.empty());
  EXPECT_NE(Log().find("OnInitDialog success"), std::string::npos);
}

TEST_F(MainWindowTest, DroppedPdfFillsTheRowsFromTheService) {
  OpenWindow();
  const std::string sample = Sample();
  // Only the first of several dropped files is analysed.
  Drop({QString::fromStdString(sample), QString::fromStdString(Document("b.pdf", {"Other"})),
        QString::fromStdString(work_ / "notes.txt")});
  WaitForWorker();
  EXPECT_EQ(Rows(), kSampleRows);
  EXPECT_EQ(FontQueries(),
            Lines{"/s/api/PCDownloadFonts.ashx?q=TessaroSans-Bold,微软雅黑,方正兰亭黑,"});
  EXPECT_EQ(window().edit()->text().toStdString(), sample);
  EXPECT_EQ(window().session().m_filePath, sample);
  EXPECT_EQ(window().session().m_downloadPaths.size(), 3u);
  EXPECT_EQ(window().progress()->value(), 0);
  EXPECT_TRUE(shown_.empty());
  ExpectAllEnabled();
}

// Records the enabling and disabling of the controls it watches, as "1001 0", "1002 1", ...
class EnablingRecorder : public QObject {
 public:
  void Watch(QWidget* widget, Control control) {
    ids_[widget] = static_cast<int>(control);
    widget->installEventFilter(this);
  }
  Lines changes;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) {
      auto* widget = static_cast<QWidget*>(object);
      changes.push_back(std::to_string(ids_[widget]) + (widget->isEnabled() ? " 1" : " 0"));
    }
    return false;
  }

 private:
  std::map<QObject*, int> ids_;
};

TEST_F(MainWindowTest, AWorkflowLocksTheControlsInTheDesignedOrder) {
  OpenWindow();
  EnablingRecorder recorder;
  for (Control control : kAllControls) {
    recorder.Watch(control == Control::kFontList ? static_cast<QWidget*>(window().list())
                                                 : window().button(control),
                   control);
  }
  Analyse(Sample());
  EXPECT_EQ(recorder.changes, (Lines{"1001 0", "1003 0", "1004 0", "1005 0", "1002 0", "1001 1",
                                     "1003 1", "1004 1", "1005 1", "1002 1"}));
}

// Regression: a dropped file of no known kind was said to miss no font ("没有缺失字体").
TEST_F(MainWindowTest, ADroppedFileOfNoKnownKindIsRefused) {
  OpenWindow();
  Analyse(Sample());
  tessaro_test::WriteFile(work_ / "notes.txt", "no fonts in here");
  shown_.clear();
  Analyse(work_ / "notes.txt");
  EXPECT_EQ(Messages(), Lines{"不支持的文件格式"});
  EXPECT_EQ(shown_.at(0).owner, &window());
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(window().edit()->text().toStdString(), work_ / "notes.txt");
  EXPECT_EQ(FontQueries().size(), 1u);  // only the sample's
  ExpectAllEnabled();
}

TEST_F(MainWindowTest, ADocumentWhileAWorkflowRunsIsRefused) {
  OpenWindow();
  CloseGate();
  const std::string sample = Sample();
  Drop({QString::fromStdString(sample)});
  WaitForRequest("/s/api/PCDownloadFonts.ashx?q=");
  for (Control control : {Control::kOpenButton, Control::kInstallAllButton}) {
    EXPECT_FALSE(window().button(control)->isEnabled());
  }
  EXPECT_FALSE(window().list()->isEnabled());

  Drop({QString::fromStdString(Document("second.pdf", {"Second"}))});
  window().OnBnClickedOpen();
  window().reject();  // Escape or the close box
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(Messages(), Lines(3, "请等待当前操作完成"));
  for (const Shown& shown : shown_) {
    EXPECT_EQ(shown.owner, &window());
    EXPECT_EQ(shown.caption.toStdString(), caption_);
  }

  OpenGate();
  WaitForWorker();
  EXPECT_EQ(Rows(), kSampleRows);
  EXPECT_EQ(window().session().m_filePath, sample);
  EXPECT_EQ(FontQueries().size(), 1u);
  ExpectAllEnabled();
}

TEST_F(MainWindowTest, OpenFileDialogOutcomes) {
  OpenWindow();
  const std::string sample = Sample();
  const struct {
    tessaro::OpenFileChoice choice;
    Lines messages;
    bool analysed;
  } cases[] = {
      {{false, QString()}, {}, false},  // cancelled: not an error
      {{true, QString()}, {"打开文件出错"}, false},
      {{true, QString::fromStdString(sample)}, {}, true},
  };
  for (const auto& c : cases) {
    shown_.clear();
    window().DeleteAllRows();
    QString directory, filter;
    tessaro::SetOpenFileHandler([&](QWidget* owner, const QString& dir, const QString& f) {
      EXPECT_EQ(owner, &window());
      directory = dir;
      filter = f;
      return c.choice;
    });
    QTest::mouseClick(window().button(Control::kOpenButton), Qt::LeftButton);
    WaitForWorker();
    EXPECT_EQ(filter.toStdString(), "打开文件 (*.ai;*.psd;*.psb;*.cdr;*.pdf)");
    // Before any document, the home folder (not the current directory, which a program
    // started from a menu has none of use).
    EXPECT_EQ(directory, QDir::homePath());
    EXPECT_EQ(Messages(), c.messages) << c.choice.file.toStdString();
    EXPECT_EQ(Rows(), c.analysed ? kSampleRows : Table{}) << c.choice.file.toStdString();
  }
  // Then the folder of the last document.
  QString directory;
  tessaro::SetOpenFileHandler([&](QWidget*, const QString& dir, const QString&) {
    directory = dir;
    return tessaro::OpenFileChoice{};
  });
  window().OnBnClickedOpen();
  EXPECT_EQ(directory.toStdString(), work_.path());
}

TEST_F(MainWindowTest, TheRealOpenFileDialogOffersTheDocumentKinds) {
  OpenWindow();
  const std::string sample = Sample();
  Analyse(Document("earlier.pdf", {}));  // the dialog starts in this document's folder
  shown_.clear();
  tessaro_test::WriteFile(work_ / "notes.txt", "not a design");
  tessaro_test::WriteFile(work_ / "Poster.PSD", "8BPS");
  tessaro_test::WriteFile(work_ / "large.psb", "8BPS");
  QStringList filters, offered;
  QString directory;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    directory = dialog->directory().absolutePath();
    if (auto* model = dialog->findChild<QFileSystemModel*>()) {
      // The listing is read in the background; the filter itself decides what will show.
      const QStringList patterns = model->nameFilters();
      for (const QString& name : QDir(directory).entryList(patterns, QDir::Files, QDir::Name)) {
        offered.append(name);
      }
      EXPECT_FALSE(model->nameFilterDisables());
    }
    dialog->selectFile(QString::fromStdString(sample));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  window().OnBnClickedOpen();
  WaitForWorker();
  EXPECT_EQ(filters, QStringList{"打开文件 (*.ai;*.psd;*.psb;*.cdr;*.pdf)"});
  EXPECT_EQ(directory.toStdString(), work_.path());
  EXPECT_EQ(offered, (QStringList{"Poster.PSD", "earlier.pdf", "large.psb", "sample.pdf"}));
  EXPECT_EQ(Rows(), kSampleRows);
  EXPECT_TRUE(shown_.empty());
}

// Regression: the link and the slogan had the template's fixed widths, so a longer host name (or
// other fonts) cut them. They get the room their texts need, and the window grows for them.
TEST_F(MainWindowTest, TheFooterIsNeverCut) {
  const struct {
    std::string host;
    bool wider;
  } cases[] = {
      {server_.host(), false},
      {"fonts.a-rather-long-name-for-the-tessaro-font-service.example:65535", true},
  };
  for (const auto& c : cases) {
    tessaro_test::ScopedEnv host("TESSARO_SERVICE_HOST", c.host);
    tessaro::CTessaroPcDlg& dlg = NewWindow();  // no start-up check: the host need not answer
    dlg.show();
    const DialogUnits units = DialogUnits::ForFont(dlg.font());
    QLabel* link = dlg.link();
    QLabel* slogan = dlg.slogan();
    EXPECT_GE(link->width(), link->sizeHint().width()) << c.host;
    EXPECT_GE(link->height(), link->sizeHint().height()) << c.host;
    EXPECT_GE(slogan->width(), slogan->sizeHint().width()) << c.host;
    EXPECT_GE(slogan->height(), slogan->sizeHint().height()) << c.host;
    EXPECT_LE(link->geometry().right(), slogan->x()) << c.host;
    EXPECT_LE(slogan->geometry().right(), dlg.button(Control::kAboutButton)->x()) << c.host;
    EXPECT_EQ(dlg.width() > units.X(258), c.wider) << c.host;
    // The buttons keep their places at the right edge, the list its margins.
    EXPECT_EQ(dlg.width() - dlg.button(Control::kUpdateButton)->geometry().right() - 1,
              units.X(258) - units.X(212) - units.X(41))
        << c.host;
    EXPECT_EQ(dlg.list()->geometry().right(), dlg.progress()->geometry().right()) << c.host;
    if (c.wider) SaveScreenshot(&dlg, "main_window_long_host.png");
  }
}

TEST(QtTranslations, TheStandardDialogsSpeakChinese) {
  if (!tessaro::InstallQtTranslations(*QCoreApplication::instance())) {
    GTEST_SKIP() << "Qt's Chinese translations are not installed here";
  }
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "取消");
}

// A click acts on the column under the cursor as the list draws it (the design measured the
// cursor from the window's edge, which moved every zone a few pixels left of its border).
TEST_F(MainWindowTest, ListClicksActOnTheColumnUnderTheCursor) {
  OpenWindow();
  Analyse(Sample());
  tessaro::FontListWidget* list = window().list();
  const int rowY = list->visualRect(list->model()->index(1, 0)).center().y();
  const int preview = window().previewColStart();
  const int download = window().downloadColStart();
  enum Effect { kNothing, kPreview, kRefusal };
  const struct {
    int x;
    Effect effect;
  } cases[] = {
      {preview - 2, kNothing},  // inside the status column
      {preview, kNothing},      // the border itself
      {preview + 2, kPreview},
      {download - 2, kPreview},  // still the preview column: no download may start here
      {download, kNothing},
      {download + 2, kRefusal},  // row 1 offers no download
  };
  for (const auto& c : cases) {
    shown_.clear();
    tessaro::PreviewDlg* before = window().previewDlg();
    ClickList(QPoint(c.x, rowY));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(window().previewDlg() != before, c.effect == kPreview) << c.x;
    EXPECT_EQ(Messages(), c.effect == kRefusal ? Lines{"此正版字体不提供免费下载"} : Lines{})
        << c.x;
    EXPECT_EQ(Rows(), kSampleRows) << c.x;
  }
  // The empty area below the rows acts on the selected row too.
  shown_.clear();
  ClickList(QPoint(download + 2, list->viewport()->height() - 3));
  EXPECT_EQ(Messages(), Lines{"此正版字体不提供免费下载"});
}

// The sample's packages hold fonts of other names: they are installed, and the fonts of the
// rows are still missing.
const char* const kNoFontOfThatName = "字体包中没有这个名字的字体";

// Regression: after a single download the row was removed although its font was still missing.
TEST_F(MainWindowTest, DownloadCellInstallsThatRowsPackagesAndKeepsAFontStillMissing) {
  OpenWindow();
  Analyse(Sample());
  ClickCell(2, tessaro::kDownloadColumn);  // 方正兰亭黑: two packages
  EXPECT_EQ(Messages(), Lines{std::string("下载安装失败\n方正兰亭黑: ") + kNoFontOfThatName});
  EXPECT_EQ(shown_.at(0).owner, &window());
  EXPECT_EQ(FilesIn(UserFontFolder()), (Lines{"pkg-b.ttf", "pkg-c.ttc"}));
  Table rows = kSampleRows;
  rows[2][tessaro::kStatusColumn] = "安装失败";
  EXPECT_EQ(Rows(), rows);
  // The row keeps its addresses: it can be tried again.
  ASSERT_EQ(window().session().m_downloadPaths.size(), 3u);
  EXPECT_EQ(window().session().m_downloadPaths[2].size(), 2u);
  EXPECT_EQ(window().progress()->value(), 0);
  EXPECT_FALSE(fs::exists(work_ / "_downFonts"));
  EXPECT_FALSE(fs::exists(work_ / "_exfonts"));
  ExpectAllEnabled();

  shown_.clear();
  ClickCell(0, tessaro::kDownloadColumn);
  EXPECT_EQ(Messages(), Lines{std::string("下载安装失败\nTessaroSans-Bold: ") + kNoFontOfThatName});
  EXPECT_EQ(FilesIn(UserFontFolder()), (Lines{"pkg-a.ttf", "pkg-b.ttf", "pkg-c.ttc"}));
  rows[0][tessaro::kStatusColumn] = "安装失败";
  EXPECT_EQ(Rows(), rows);
}

// Regression: after "一键安装字体" every row was removed, fonts still missing among them. The
// installed font leaves; the others stay, with their state.
TEST_F(MainWindowTest, InstallAllRemovesTheInstalledFontsOnly) {
  catalogue_["LiberationSerif"] = {"fonts/serif.zip"};
  files_["fonts/serif.zip"] = ZipArchive(
      {{"LiberationSerif-Regular.ttf",
        tessaro_test::ReadFile(tessaro_test::SystemFont("LiberationSerif-Regular.ttf"))}});
  OpenWindow();
  Analyse(Document("batch.pdf", {"方正兰亭黑", "TessaroSans-Bold", "微软雅黑", "LiberationSerif"}));
  EXPECT_EQ(Rows().size(), 4u);
  QTest::mouseClick(window().button(Control::kInstallAllButton), Qt::LeftButton);
  WaitForWorker();
  const std::string failures = std::string("\nTessaroSans-Bold: ") + kNoFontOfThatName +
                               "\n方正兰亭黑: " + kNoFontOfThatName;
  EXPECT_EQ(Messages(), Lines{"下载安装完成" + failures});
  EXPECT_EQ(FilesIn(UserFontFolder()),
            (Lines{"LiberationSerif-Regular.ttf", "pkg-a.ttf", "pkg-b.ttf", "pkg-c.ttc"}));
  const Table rows = {{"TessaroSans-Bold", "安装失败", "预览", "下载"},
                      {"微软雅黑", "不可下载", "预览", ""},
                      {"方正兰亭黑", "安装失败", "预览", "下载"}};
  EXPECT_EQ(Rows(), rows);
  EXPECT_EQ(window().session().m_downloadPaths.size(), 3u);
  EXPECT_EQ(window().session().m_fontNames, (Lines{"TessaroSans-Bold", "微软雅黑", "方正兰亭黑"}));
  EXPECT_EQ(window().progress()->value(), 0);
  ExpectAllEnabled();
  window().list()->selectRow(0);
  SaveScreenshot(&window(), "main_window_after_batch.png");

  // What is still offered is tried again.
  shown_.clear();
  QTest::mouseClick(window().button(Control::kInstallAllButton), Qt::LeftButton);
  WaitForWorker();
  EXPECT_EQ(Messages(), Lines{"下载安装失败" + failures});
  EXPECT_EQ(Rows(), rows);
}

// Regression: with the service out of reach the window said so and showed an empty list.
TEST_F(MainWindowTest, WithoutTheServiceTheMissingFontsAreStillListed) {
  const std::string host = tessaro_test::UnreachableHost();
  tessaro_test::ScopedEnv offline("TESSARO_SERVICE_HOST", host);
  OpenWindow();
  shown_.clear();
  Analyse(Sample());
  EXPECT_EQ(Messages(), Lines{"无法访问 Tessaro网 (" + host + ")"});
  EXPECT_EQ(Rows(), (Table{{"TessaroSans-Bold", "无法查询", "预览", ""},
                           {"微软雅黑", "无法查询", "预览", ""},
                           {"方正兰亭黑", "无法查询", "预览", ""}}));
  shown_.clear();
  ClickCell(0, tessaro::kDownloadColumn);
  EXPECT_EQ(Messages(), Lines{"无法查询下载地址"});
  SaveScreenshot(&window(), "main_window_no_service.png");
}

TEST_F(MainWindowTest, UpdateButtonSaysWhenTheClientIsCurrent) {
  OpenWindow();
  QTest::mouseClick(window().button(Control::kUpdateButton), Qt::LeftButton);
  WaitForWorker();
  EXPECT_EQ(Messages(), Lines{"当前已经是最新版本"});
  EXPECT_EQ(shown_.at(0).owner, &window());
  EXPECT_TRUE(shown_.at(0).ownerVisible);
  EXPECT_EQ(shown_.at(0).caption.toStdString(), caption_);
  EXPECT_EQ(server_.requests(), Lines(2, "/s/api/PCDownloadFonts.ashx?u=1.30"));
  ExpectAllEnabled();
}

TEST_F(MainWindowTest, StartUpCheckAsksBeforeUpdating) {
  updateAnswer_ = "TessaroPc-1.31.zip";
  files_["TessaroPc/TessaroPc-1.31.zip"] = ZipArchive({{"setup", kInstaller}});
  files_["TessaroPc/TessaroPc-1.31.zip.sig"] =
      tessaro_test::SignWithTestKey(files_["TessaroPc/TessaroPc-1.31.zip"]);
  const struct {
    MainView::Answer answer;
    bool shown;
  } cases[] = {{MainView::Answer::kCancel, true}, {MainView::Answer::kOk, false}};
  for (const auto& c : cases) {
    shown_.clear();
    answers_ = {c.answer};
    tessaro::CTessaroPcDlg& dlg = OpenWindow();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text.toStdString(), "存在可更新版本，是否更新？");
    EXPECT_EQ(shown_[0].buttons, MainView::Buttons::kOkCancel);
    EXPECT_EQ(shown_[0].caption.toStdString(), caption_);
    EXPECT_FALSE(shown_[0].ownerVisible);  // asked before the window appears
    EXPECT_EQ(dlg.isVisible(), c.shown);
    EXPECT_EQ(dlg.closed(), !c.shown);
    if (c.shown) {
      EXPECT_FALSE(fs::exists(work_ / "update"));
      ExpectAllEnabled();
    } else {
      EXPECT_TRUE(InstallerRan(work_.path()));
      std::string log = Log();
      EXPECT_LT(log.find("Begin Download..."), log.find("Update ..."));
    }
  }
}

TEST_F(MainWindowTest, AnUnreachableServiceIsReportedBeforeTheWindowOpens) {
  tessaro_test::ScopedEnv offline("TESSARO_SERVICE_HOST", tessaro_test::UnreachableHost());
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text.toStdString(),
            "无法访问 Tessaro网 (" + dlg.session().serviceHost() + ")");
  EXPECT_FALSE(shown_[0].ownerVisible);
  EXPECT_TRUE(dlg.isVisible());
  ExpectAllEnabled();
}

// Regression: a service that took the connection and never answered held the start-up for a
// minute, with nothing on the screen, and then said only that it could not be reached.
TEST_F(MainWindowTest, ASilentServiceHoldsTheStartUpOnlyBriefly) {
  updateBehindGate_ = true;
  CloseGate();
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text.toStdString(),
            "无法访问 Tessaro网 (" + dlg.session().serviceHost() + "): 超时");
  EXPECT_FALSE(shown_[0].ownerVisible);
  EXPECT_TRUE(dlg.isVisible());
  ExpectAllEnabled();
  OpenGate();
}

// The program's own sequence: build the window, DoModal (start-up, then the modal loop until
// the window closes). An update accepted at start-up ends it before the window is shown.
TEST_F(MainWindowTest, DoModalRunsTheStartUpAndThenTheWindow) {
  files_["TessaroPc/TessaroPc-1.31.zip"] = ZipArchive({{"setup", kInstaller}});
  files_["TessaroPc/TessaroPc-1.31.zip.sig"] =
      tessaro_test::SignWithTestKey(files_["TessaroPc/TessaroPc-1.31.zip"]);
  const struct {
    std::string update;
    bool looped;
  } cases[] = {{"", true}, {"TessaroPc-1.31.zip", false}};
  for (const auto& c : cases) {
    updateAnswer_ = c.update;
    tessaro::CTessaroPcDlg& dlg = NewWindow();
    EXPECT_FALSE(dlg.isVisible());
    bool looped = false;
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      looped = true;
      EXPECT_TRUE(dlg.isVisible());
      QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    closer.start(0);
    dlg.DoModal();
    closer.stop();
    EXPECT_EQ(looped, c.looped) << c.update;
    EXPECT_FALSE(dlg.isVisible());
    if (!c.update.empty()) {
      EXPECT_TRUE(InstallerRan(work_.path()));
    }
  }
}

TEST_F(MainWindowTest, StartCleansTheUpdateFolderAndReportsAMissingEngine) {
  fs::remove(work_ / tessaro::EngineFileName());
  tessaro_test::WriteFile(work_ / "update/setup", "old installer");
  tessaro_test::WriteFile(work_ / "update/data/more.bin", "old data");
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text.toStdString(), "libCorvid.so加载失败");
  EXPECT_EQ(shown_[0].owner, nullptr);
  EXPECT_EQ(shown_[0].caption.toStdString(), caption_);
  EXPECT_TRUE(dlg.isVisible());  // the window opens all the same
  EXPECT_FALSE(fs::exists(work_ / "update"));
  EXPECT_NE(Log().find("libCorvid.so加载失败, errno: 2 ("), std::string::npos) << Log();
}

// Regression: without the engine, an analysis gave one row with an empty name (the query
// "q=%2C"). It is refused with the load message, and so are the batch and the update.
TEST_F(MainWindowTest, WithoutTheEngineNothingIsAnalysed) {
  fs::remove(work_ / tessaro::EngineFileName());
  OpenWindow();
  shown_.clear();
  Analyse(Sample());
  EXPECT_EQ(Messages(), Lines{"libCorvid.so加载失败"});
  EXPECT_EQ(shown_.at(0).owner, &window());
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(FontQueries().empty());
  QTest::mouseClick(window().button(Control::kInstallAllButton), Qt::LeftButton);
  WaitForWorker();
  EXPECT_EQ(Messages(), Lines(2, "libCorvid.so加载失败"));
  ExpectAllEnabled();
}

// The window goes away while its worker still needs it: the worker's calls are carried out and
// the worker has ended before the engine is unloaded.
TEST_F(MainWindowTest, DestroyingTheWindowWaitsForTheWorker) {
  OpenWindow();
  Drop({QString::fromStdString(Document("empty.pdf", {}))});
  DestroyWindow();
  EXPECT_EQ(Messages(), Lines{"没有缺失字体"});
  EXPECT_NE(Log().find("OnSelectFile End"), std::string::npos);
}

TEST_F(MainWindowTest, LinkOpensTheSiteInTheBrowser) {
  UrlRecorder browser;
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  QLabel* link = dlg.link();
  // A click on the host name, right of "官网: ".
  const int x = link->fontMetrics().horizontalAdvance(QStringLiteral("官网: ")) + 4;
  QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(x, link->height() / 2));
  EXPECT_EQ(browser.urls, Lines{"http://" + server_.host()});
}

}  // namespace
}  // namespace tessaro_gui_test
