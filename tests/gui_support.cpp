#include "gui_support.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QUrl>
#include <filesystem>

#include "archive_support.h"
#include "client/core/diagnostics.h"
#include "client/ui/qt/font_list.h"
#include "client/ui/qt/modal_dialogs.h"

namespace tessaro_gui_test {
namespace {

namespace fs = std::filesystem;
using tessaro::MainView;

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitQuery(const std::string& names) {
  std::vector<std::string> out;
  std::string current;
  for (char c : names) {
    if (c == ',') {
      out.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

// A small page standing in for the service's font preview.
std::string PreviewPage(const std::string& font) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(font) +
         "</title></head><body style=\"margin:0;background:#fff4d6;font-family:sans-serif\">"
         "<div style=\"background:#1b4fa8;color:#fff;padding:10px 16px;font-size:18px\">"
         "Tessaro网 · 字体预览</div>"
         "<h1 style=\"margin:18px 16px 8px\">" +
         HtmlEscape(font) +
         "</h1>"
         "<p style=\"margin:8px 16px;font-size:34px\">永和九年，岁在癸丑，暮春之初</p>"
         "<p style=\"margin:8px 16px;font-size:20px\">The quick brown fox jumps over the lazy dog"
         " 0123456789</p></body></html>";
}

}  // namespace

void SpinOnce() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QThread::msleep(5);
}

void SaveScreenshot(QWidget* widget, const std::string& name) {
  fs::create_directories(ScreenshotFolder());
  const std::string path = ScreenshotFolder() + "/" + name;
  ASSERT_TRUE(widget->grab().save(QString::fromStdString(path), "PNG")) << path;
}

std::string ZipArchive(const std::vector<std::pair<std::string, std::string>>& members) {
  tessaro_test::TempDir dir;
  std::vector<tessaro_test::Member> entries;
  for (const auto& [name, data] : members) {
    entries.push_back({tessaro_test::Member::kFile, name, data});
  }
  const std::string path = dir / "package.zip";
  tessaro_test::WriteArchive(path, tessaro_test::Format::kZip, entries);
  return tessaro_test::ReadFile(path);
}

GuiTest::GuiTest() : server_([this](httplib::Server& http) { Routes(http); }) {
  oldDir_ = fs::current_path().string();
  fs::current_path(work_.path());
  tessaro::SetLogFolder(work_.path());
  tessaro_test::PutEngine(work_.path());
  host_ = std::make_unique<tessaro_test::ScopedEnv>("TESSARO_SERVICE_HOST", server_.host());
  caption_ = "Tessaro网" + server_.host();
  fs::remove_all(UserFontFolder());
  tessaro::SetMessageBoxHandler([this](QWidget* owner, const QString& text, const QString& caption,
                                       MainView::Buttons buttons) {
    shown_.push_back({owner, owner != nullptr && owner->isVisible(), text, caption, buttons});
    if (answers_.empty()) return MainView::Answer::kOk;
    MainView::Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
  });
}

void GuiTest::Routes(httplib::Server& http) {
  http.Get("/s/api/PCDownloadFonts.ashx",
           [this](const httplib::Request& request, httplib::Response& response) {
             if (!request.has_param("u") || updateBehindGate_) {
               std::unique_lock<std::mutex> lock(gateMutex_);
               gateChanged_.wait(lock, [this] { return gateOpen_; });
             }
             if (request.has_param("u")) {
               response.set_content(updateAnswer_, "text/plain");
               return;
             }
             std::string json = "{";
             std::vector<std::string> names = SplitQuery(request.get_param_value("q"));
             for (std::size_t k = 0; k < names.size(); ++k) {
               json += (k ? ",\"" : "\"") + std::to_string(k) + "\":{\"dl\":[";
               auto offer = catalogue_.find(names[k]);
               if (offer != catalogue_.end()) {
                 for (std::size_t i = 0; i < offer->second.size(); ++i) {
                   json += (i ? ",\"" : "\"") + offer->second[i] + "\"";
                 }
               }
               json += "]}";
             }
             response.set_content(json + "}", "application/json");
           });
  http.Get("/fontlistPc.aspx", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content(PreviewPage(request.get_param_value("fn")), "text/html; charset=utf-8");
  });
  http.Get(R"(/(.*))", [this](const httplib::Request& request, httplib::Response& response) {
    auto file = files_.find(request.path.substr(1));
    if (file != files_.end()) {
      response.set_content(file->second, "application/octet-stream");
    } else if (request.path == "/") {
      response.set_content("<html><body><h1>Tessaro网</h1></body></html>", "text/html");
    } else {
      response.status = 404;
    }
  });
}

GuiTest::~GuiTest() {
  OpenGate();
  window_.reset();
  tessaro::SetMessageBoxHandler({});
  tessaro::SetOpenFileHandler({});
  fs::current_path(oldDir_);
}

tessaro::CTessaroPcDlg& GuiTest::OpenWindow() {
  NewWindow();
  if (window_->OnInitDialog()) window_->show();
  return *window_;
}

tessaro::CTessaroPcDlg& GuiTest::NewWindow() {
  window_.reset();
  window_ = std::make_unique<tessaro::CTessaroPcDlg>(
      nullptr, tessaro::ClientFolders{work_.path(), work_.path()});
  return *window_;
}

std::string GuiTest::Document(const std::string& name, const std::vector<std::string>& fonts) {
  std::string pdf = "%PDF-1.4\n";
  for (const std::string& font : fonts) pdf += "/FontName /ABCDEF+" + font + "\n";
  const std::string path = work_ / name;
  tessaro_test::WriteFile(path, pdf);
  return path;
}

void GuiTest::Drop(const QStringList& files) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& file : files) urls.append(QUrl::fromLocalFile(file));
  mime.setUrls(urls);
  const QPoint at = window_->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &drop);
}

void GuiTest::WaitForWorker() { window_->WaitForWorker(); }

void GuiTest::Analyse(const std::string& document) {
  Drop({QString::fromStdString(document)});
  WaitForWorker();
}

void GuiTest::ClickList(QPoint point) {
  tessaro::FontListWidget* list = window_->list();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

void GuiTest::ClickCell(int row, int column) {
  tessaro::FontListWidget* list = window_->list();
  ClickList(list->visualRect(list->model()->index(row, column)).center());
}

std::vector<std::vector<std::string>> GuiTest::Rows() const {
  std::vector<std::vector<std::string>> rows;
  const QTableWidget* list = window_->list();
  for (int row = 0; row < list->rowCount(); ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < list->columnCount(); ++column) {
      const QTableWidgetItem* item = list->item(row, column);
      cells.push_back(item ? item->text().toStdString() : std::string());
    }
    rows.push_back(cells);
  }
  return rows;
}

std::vector<std::string> GuiTest::Messages() const {
  std::vector<std::string> texts;
  for (const Shown& shown : shown_) texts.push_back(shown.text.toStdString());
  return texts;
}

void GuiTest::CloseGate() {
  std::lock_guard<std::mutex> lock(gateMutex_);
  gateOpen_ = false;
}

void GuiTest::OpenGate() {
  {
    std::lock_guard<std::mutex> lock(gateMutex_);
    gateOpen_ = true;
  }
  gateChanged_.notify_all();
}

void GuiTest::WaitForRequest(const std::string& prefix) {
  for (;;) {
    for (const std::string& request : server_.requests()) {
      if (request.compare(0, prefix.size(), prefix) == 0) return;
    }
    SpinOnce();
  }
}

std::string GuiTest::Log() const { return tessaro_test::ReadFile(work_ / "Corvid.log"); }

}  // namespace tessaro_gui_test
