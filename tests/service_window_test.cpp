// TessaroPc against tessaro-service with the sample catalogue: the sample flyer dropped on the
// window, its offered fonts installed with "一键安装字体", a preview of the service's own page.

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "client/ui/qt/font_list.h"
#include "client/ui/qt/main_window.h"
#include "client/ui/qt/preview_window.h"
#include "gui_support.h"

namespace tessaro_gui_test {
namespace {

using Lines = std::vector<std::string>;
using Table = std::vector<std::vector<std::string>>;

const std::string kFlyer = tessaro_test::DataPath("documents/sample/flyer.pdf");

// The loaded page has painted something: more than one colour on the screen.
bool Painted(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 7) {
    for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
  }
  return colours.size() > 2;
}

class ServiceWindowTest : public GuiTest {
 protected:
  ServiceWindowTest()
      : service_(TESSARO_SAMPLE_CATALOG, work_ / "service.log"),
        serviceHost_("TESSARO_SERVICE_HOST", "127.0.0.1:" + std::to_string(service_.port())) {
    caption_ = "Tessaro网127.0.0.1:" + std::to_string(service_.port());
  }
  tessaro_test::ServiceProcess service_;
  tessaro_test::ScopedEnv serviceHost_;
};

TEST_F(ServiceWindowTest, TheSampleFlyerFromDropToInstalledFonts) {
  ASSERT_GT(service_.port(), 0) << service_.firstLine();
  OpenWindow();
  EXPECT_TRUE(shown_.empty());  // the client is current: nothing said at start

  // DejaVu Sans is installed here (the windows' own font), so three of the flyer's fonts are
  // missing and offered, and one is not offered.
  Analyse(kFlyer);
  EXPECT_EQ(Rows(), (Table{{"DejaVuSerif", "可以下载", "预览", "下载"},
                           {"LiberationMono", "可以下载", "预览", "下载"},
                           {"LiberationSans", "可以下载", "预览", "下载"},
                           {"NimbusRoman-Regular", "不可下载", "预览", ""}}));
  window().list()->selectRow(2);
  SaveScreenshot(&window(), "main_window_flyer.png");

  ClickCell(2, tessaro::kPreviewColumn);
  tessaro::PreviewDlg* preview = window().previewDlg();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->lastAddress(), "http://" + window().session().serviceHost() +
                                        "/fontlistPc.aspx?fn=LiberationSans&fz=1");
  bool loaded = false;
  QObject::connect(preview->browser(), &QWebEngineView::loadFinished, [&](bool ok) {
    loaded = ok && preview->browser()->url().toEncoded().toStdString() == preview->lastAddress();
  });
  ASSERT_TRUE(SpinUntil([&] { return loaded; }));
  // The samples are set in the font itself, which the page loads after it: wait for it, and
  // then for a picture that stays the same for a few rounds (the browser repaints the samples
  // within a round or two of the font's arrival).
  QString fonts;
  bool asked = false;
  ASSERT_TRUE(SpinUntil([&] {
    if (!asked) {
      asked = true;
      preview->browser()->page()->runJavaScript(
          QStringLiteral("document.fonts.status"),
          [&](const QVariant& status) { fonts = status.toString(), asked = false; });
    }
    return fonts == QStringLiteral("loaded");
  }));
  QImage last;
  int unchanged = 0;
  ASSERT_TRUE(SpinUntil([&] {
    QImage now = preview->grab().toImage();
    unchanged = now == last ? unchanged + 1 : 0;
    last = now;
    return unchanged >= 10 && Painted(preview);
  }));
  SaveScreenshot(preview, "preview_window_flyer.png");

  // Regression: the page's "下载" link fetched the file and did nothing with it. It installs the
  // previewed font, as the row's "下载" does.
  preview->browser()->page()->runJavaScript(
      QStringLiteral("document.querySelector('a[href^=\"/fonts/\"]').click()"));
  ASSERT_TRUE(SpinUntil([&] { return !shown_.empty(); }));
  EXPECT_EQ(Messages(), Lines{"下载安装完成"});
  EXPECT_EQ(Rows(), (Table{{"DejaVuSerif", "可以下载", "预览", "下载"},
                           {"LiberationMono", "可以下载", "预览", "下载"},
                           {"NimbusRoman-Regular", "不可下载", "预览", ""}}));
  shown_.clear();

  // Regression: every row was removed, the font the service does not offer among them.
  QTest::mouseClick(window().button(tessaro::Control::kInstallAllButton), Qt::LeftButton);
  WaitForWorker();
  EXPECT_EQ(Messages(), Lines{"下载安装完成"});
  EXPECT_EQ(Rows(), (Table{{"NimbusRoman-Regular", "不可下载", "预览", ""}}));

  // Analysed again, only the font the service cannot supply is missing.
  shown_.clear();
  Analyse(kFlyer);
  EXPECT_EQ(Rows(), (Table{{"NimbusRoman-Regular", "不可下载", "预览", ""}}));
  EXPECT_TRUE(shown_.empty());
}

}  // namespace
}  // namespace tessaro_gui_test
