// The preview and About windows that the main window opens, and the screenshots of all three.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebEngineView>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "client/ui/qt/about_window.h"
#include "client/ui/qt/dialog_units.h"
#include "client/ui/qt/font_list.h"
#include "client/ui/qt/main_window.h"
#include "client/ui/qt/preview_window.h"
#include "gui_support.h"

namespace tessaro_gui_test {
namespace {

namespace fs = std::filesystem;
using tessaro::Control;
using Lines = std::vector<std::string>;

class SecondaryWindowsTest : public GuiTest {
 protected:
  void OpenWithRows() {
    OpenWindow();
    catalogue_["TessaroSans-Bold"] = {"fonts/sans-bold.zip"};
    Analyse(
        Document("sample.pdf", {"微软雅黑", "TessaroSans-Bold", "方正兰亭黑", "Tessaro_Sans+Pro"}));
    ASSERT_EQ(window().list()->rowCount(), 4);
  }
  int Row(const std::string& name) {
    for (int row = 0; row < window().list()->rowCount(); ++row) {
      if (window().list()->NarrowName(row) == name) return row;
    }
    return -1;
  }
  void Preview(const std::string& name) {
    const int row = Row(name);
    ASSERT_GE(row, 0) << name;
    ClickCell(row, tessaro::kPreviewColumn);
  }
  std::string Base() { return "http://" + server_.host(); }
  // The main window's outer right edge and top: where a preview window belongs.
  QPoint RightOfMainWindow() {
    const QRect frame = window().frameGeometry();
    return QPoint(frame.x() + frame.width(), frame.y());
  }
};

TEST_F(SecondaryWindowsTest, PreviewShowsTheFontsPageBesideTheMainWindow) {
  OpenWithRows();
  Preview("微软雅黑");
  tessaro::PreviewDlg* preview = window().previewDlg();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  // The font's UTF-8 bytes, percent-encoded.
  EXPECT_EQ(preview->lastAddress(),
            Base() + "/fontlistPc.aspx?fn=%E5%BE%AE%E8%BD%AF%E9%9B%85%E9%BB%91&fz=1");
  EXPECT_EQ(preview->windowTitle().toStdString(), "预览字体(" + server_.host() + ")");
  EXPECT_EQ(preview->minimumSize(), preview->maximumSize());
  const tessaro::DialogUnits units = tessaro::DialogUnits::ForFont(preview->font());
  EXPECT_EQ(preview->size(), QSize(units.X(480), units.Y(273)));
  EXPECT_EQ(preview->browser()->geometry(), units.Rect(0, 0, 478, 271));
  EXPECT_EQ(preview->pos(), RightOfMainWindow());
  EXPECT_EQ(preview->parentWidget(), &window());
  const std::string log = Log();
  EXPECT_LT(log.find("CreatePDlg begin"), log.find("CreatePDlg end"));

  // Underscore and plus are escaped too.
  Preview("Tessaro_Sans+Pro");
  EXPECT_EQ(window().previewDlg()->lastAddress(),
            Base() + "/fontlistPc.aspx?fn=Tessaro%5FSans%2BPro&fz=1");
}

TEST_F(SecondaryWindowsTest, NavigateToEncodesTheBufferInPlace) {
  OpenWindow();
  tessaro::PreviewDlg preview(&window(), window().frameGeometry(), server_.host());
  preview.OnInitDialog();
  EXPECT_EQ(preview.lastAddress(), Base());  // the service's home page first
  EXPECT_EQ(preview.pos(), RightOfMainWindow());
  const struct {
    std::string ansi;
    std::string encoded;
  } cases[] = {
      {"http://h/fontlistPc.aspx?fn=微软雅黑&fz=1",
       "http://h/fontlistPc.aspx?fn=%E5%BE%AE%E8%BD%AF%E9%9B%85%E9%BB%91&fz=1"},
      {"http://h/p?fn=A b_c+d&fz=1", "http://h/p?fn=A%20b%5Fc%2Bd&fz=1"},
      {"http://h/p?fn=x~y%z,w&fz=1", "http://h/p?fn=x%7Ey%25z%2Cw&fz=1"},
  };
  for (const auto& c : cases) {
    char buffer[260] = {};
    std::memcpy(buffer, c.ansi.data(), c.ansi.size());
    preview.NavigateTo(buffer);
    EXPECT_EQ(preview.lastAddress(), c.encoded);
    EXPECT_STREQ(buffer, c.ansi.c_str());  // UTF-8 already: the conversion kept the bytes
  }
}

TEST_F(SecondaryWindowsTest, EveryPreviewClickMakesANewWindowThatFollowsTheMainWindow) {
  OpenWithRows();
  Preview("微软雅黑");
  QPointer<tessaro::PreviewDlg> first = window().previewDlg();
  window().move(window().pos() + QPoint(40, 25));
  Preview("微软雅黑");
  EXPECT_TRUE(first.isNull());
  ASSERT_NE(window().previewDlg(), nullptr);
  EXPECT_EQ(window().findChildren<tessaro::PreviewDlg*>().size(), 1);
  EXPECT_EQ(window().previewDlg()->pos(), RightOfMainWindow());

  // Closed by the user, the window stays closed; the next click opens a new one.
  QPointer<tessaro::PreviewDlg> second = window().previewDlg();
  second->reject();
  EXPECT_FALSE(second->isVisible());
  Preview("方正兰亭黑");
  EXPECT_TRUE(second.isNull());
  EXPECT_TRUE(window().previewDlg()->isVisible());
}

TEST_F(SecondaryWindowsTest, AboutShowsTheVersionAndOpensTheSite) {
  UrlRecorder browser;
  OpenWindow();
  QTest::mouseClick(window().button(Control::kAboutButton), Qt::LeftButton);
  QPointer<tessaro::AboutDlg> first = window().aboutDlg();
  QTest::mouseClick(window().button(Control::kAboutButton), Qt::LeftButton);
  tessaro::AboutDlg* about = window().aboutDlg();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(first.isNull());  // one About window: the newest
  EXPECT_EQ(window().findChildren<tessaro::AboutDlg*>().size(), 1);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->windowTitle().toStdString(), "关于Tessaro网");
  EXPECT_EQ(about->version()->text().toStdString(), "1.30");
  EXPECT_EQ(about->pos(), window().mapToGlobal(QPoint(0, 0)));
  EXPECT_EQ(about->minimumSize(), about->maximumSize());
  const tessaro::DialogUnits units = tessaro::DialogUnits::ForFont(about->font());
  EXPECT_EQ(about->size(), QSize(units.X(134), units.Y(105)));
  EXPECT_EQ(about->okButton()->geometry(), units.Rect(40, 86, 50, 14));
  EXPECT_EQ(about->okButton()->text().toStdString(), "确定");

  QLabel* link = about->link();
  EXPECT_NE(link->text().toStdString().find(">" + server_.host() + "<"), std::string::npos);
  QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(6, link->height() / 2));
  EXPECT_EQ(browser.urls, Lines{Base()});
  EXPECT_TRUE(about->isVisible());

  QTest::mouseClick(about->okButton(), Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());  // hidden, kept until the next click on "关于"
  EXPECT_EQ(window().aboutDlg(), about);
}

// The preview page is on the screen: its blue title bar and some dark text below it, the
// font's name, on the page's background.
bool ShowsPage(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  if (image.pixelColor(3, 3) != QColor(0x1b, 0x4f, 0xa8)) return false;
  if (image.pixelColor(image.width() / 2, image.height() - 10) != QColor(0xff, 0xf4, 0xd6)) {
    return false;
  }
  for (int y = 50; y < 110 && y < image.height(); ++y) {
    for (int x = 10; x < 300 && x < image.width(); ++x) {
      if (image.pixelColor(x, y).lightness() < 80) return true;
    }
  }
  return false;
}

TEST_F(SecondaryWindowsTest, Screenshots) {
  OpenWithRows();
  window().list()->selectRow(Row("TessaroSans-Bold"));
  SaveScreenshot(&window(), "main_window.png");

  Preview("微软雅黑");
  tessaro::PreviewDlg* preview = window().previewDlg();
  bool loaded = false;
  QObject::connect(preview->browser(), &QWebEngineView::loadFinished, [&](bool ok) {
    loaded = ok && preview->browser()->url().toEncoded().toStdString() == preview->lastAddress();
  });
  ASSERT_TRUE(SpinUntil([&] { return loaded && ShowsPage(preview); }));
  SaveScreenshot(preview, "preview_window.png");

  QTest::mouseClick(window().button(Control::kAboutButton), Qt::LeftButton);
  SaveScreenshot(window().aboutDlg(), "about_window.png");
}

}  // namespace
}  // namespace tessaro_gui_test
