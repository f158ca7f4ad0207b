#include "client/workflow/service_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "client/core/diagnostics.h"
#include "client_support.h"
#include "platform/text_codec.h"

namespace tessaro {
namespace {

using tessaro_test::ReadFile;
using tessaro_test::RecordingView;
using tessaro_test::TempDir;
using tessaro_test::TestServer;
using Table = std::vector<std::vector<std::string>>;

TEST(UrlEncode, KeepsOnlyTheSafeCharacters) {
  EXPECT_EQ(UrlEncode("_~% +,"), "%5F%7E%25%20%2B%2C");
  EXPECT_EQ(UrlEncode("http://a.b/c?d=e&f-g"), "http://a.b/c?d=e&f-g");
  EXPECT_EQ(UrlEncode("\xE5\xAE\x8B"), "%E5%AE%8B");
  EXPECT_EQ(UrlEncode(UrlEncode("%")), "%2525");
}

TEST(AnsiToUtf8, ConvertsInPlaceWithinTheBuffer) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  char buffer[8] = "\xCB\xCE\xCC\xE5";  // 宋体 in GBK
  AnsiToUtf8(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "宋体");
  char small[6] = "\xCB\xCE\xCC\xE5";  // room for one UTF-8 character and the NUL
  AnsiToUtf8(small, sizeof small);
  EXPECT_STREQ(small, "宋");
  EXPECT_EQ(Utf8ToAnsi("宋体\xF0\x9F\x98\x80"), "\xCB\xCE\xCC\xE5?");
  platform::SetAnsiCodePage(platform::kAnsiCodePage);
}

// The names are the system's narrow text (GBK on a Chinese Windows system); the address carries
// their UTF-8 bytes.
TEST(FontQueryAddress, NamesAreJoinedWithCommasAndEncodedWhole) {
  RecordingView view;
  ClientSession session(view, "fonts.example", "/tmp");
  EXPECT_EQ(
      FontQueryAddress({"Arial Black", tessaro_test::Ansi("宋体")}, session),
      "http://fonts.example/s/api/PCDownloadFonts.ashx?q=Arial%20Black%2C%E5%AE%8B%E4%BD%93%2C");
  EXPECT_EQ(FontQueryAddress({}, session), "http://fonts.example/s/api/PCDownloadFonts.ashx?q=");
}

TEST(PreviewAddress, TheFontsPageEncodedWhole) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  RecordingView view;
  ClientSession session(view, "fonts.example", "/tmp");
  // The base, the page and "&fz=1" take 45 bytes: with the NUL, 214 bytes remain for the name,
  // in its ANSI form and in its UTF-8 form.
  const std::string page = "http://fonts.example/fontlistPc.aspx?fn=";
  auto Repeat = [](const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
  };
  const struct {
    std::string name;
    std::string address;
  } cases[] = {
      {"\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA",  // 微软雅黑 in GBK
       page + "%E5%BE%AE%E8%BD%AF%E9%9B%85%E9%BB%91&fz=1"},
      {"Tessaro Sans_Pro+", page + "Tessaro%20Sans%5FPro%2B&fz=1"},
      {std::string(214, 'a'), page + std::string(214, 'a') + "&fz=1"},
      // Regression: a longer name was cut in the 260-byte buffer, and the page of another font
      // (without "&fz=1") was loaded. Such an address is refused.
      {std::string(215, 'a'), ""},
      // 71 GBK characters take 142 bytes, and 213 as UTF-8: the address fits. One more does
      // not, although its 144 ANSI bytes would.
      {Repeat("\xCB\xCE", 71), page + Repeat("%E5%AE%8B", 71) + "&fz=1"},  // 宋 in GBK
      {Repeat("\xCB\xCE", 72), ""},
      {std::string("a\0b", 3), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreviewAddress(c.name, session), c.address) << c.name.size();
  }
  platform::SetAnsiCodePage(platform::kAnsiCodePage);
}

TEST(BrowserAddress, ConvertsTheBufferInPlaceAndEncodesIt) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  char buffer[kBrowserAddressSize] = "http://h/?fn=\xCB\xCE\xCC\xE5 x&fz=1";
  EXPECT_EQ(BrowserAddress(buffer), "http://h/?fn=%E5%AE%8B%E4%BD%93%20x&fz=1");
  EXPECT_STREQ(buffer, "http://h/?fn=宋体 x&fz=1");
  platform::SetAnsiCodePage(platform::kAnsiCodePage);
}

TEST(ParseFontQueryAnswer, Cases) {
  const std::string base = "http://h";
  const struct {
    const char* what;
    std::string answer;
    Table table;
  } cases[] = {
      {"one font, empty dl: listed but not downloadable", R"({"0":{"dl":[]}})", {{}}},
      {"members 0 and 2: two entries, the second empty",
       R"({"0":{"dl":["a.zip"]},"2":{"dl":["c.zip"]}})",
       {{"http://h/a.zip"}, {}}},
      {"backslashes become slashes",
       R"({"0":{"dl":["fonts\sub\a.zip","b.rar"]}})",
       {{"http://h/fonts/sub/a.zip", "http://h/b.rar"}}},
      {"dl that is no array, and elements that are no text",
       R"({"0":{"dl":"a.zip"},"1":{"dl":[1,"b.zip",null]},"2":[]})",
       {{}, {"http://h/b.zip"}, {}}},
      {"an HTML error page", "<html><body>500</body></html>", {}},
      {"not an object", R"(["a.zip"])", {}},
      {"members before a syntax error count",
       R"({"0":{"dl":["a.zip"]},"1":{"dl":[)",
       {{"http://h/a.zip"}, {}}},
      // Regression: jsoncpp threw past its nesting limit, which ended the client.
      {"nesting a thousand levels deep", std::string(1000, '['), {}},
      {"members before too deep a nesting count",
       R"({"0":{"dl":["a.zip"]},"1":)" + std::string(200, '['),
       {{"http://h/a.zip"}, {}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseFontQueryAnswer(c.answer, base), c.table) << c.what;
  }
}

TEST(GetDownloadPath, AsksTheServiceAndLogs) {
  TempDir dir;
  SetLogFolder(dir.path());
  std::string agent;
  TestServer server([&](httplib::Server& s) {
    s.Get("/s/api/PCDownloadFonts.ashx", [&](const httplib::Request& req, httplib::Response& res) {
      agent = req.get_header_value("User-Agent");
      res.set_content(R"({"0":{"dl":["fonts/Arial.zip"]},"1":{"dl":[]}})", "application/json");
    });
  });
  RecordingView view;
  ClientSession session(view, server.host(), dir.path());
  session.m_downloadPaths = {{"stale"}};
  QueryDownloadableFonts({"Arial", tessaro_test::Ansi("宋体")}, session);
  EXPECT_EQ(session.m_downloadPaths, (Table{{"http://" + server.host() + "/fonts/Arial.zip"}, {}}));
  EXPECT_EQ(agent, "RideZU/1.0");
  EXPECT_EQ(server.requests(),
            std::vector<std::string>{"/s/api/PCDownloadFonts.ashx?q=Arial,宋体,"});
  std::string log = tessaro_test::ReadTextFile(dir / "Corvid.log");
  EXPECT_NE(log.find("GetDownloadPath bein : http://" + server.host() +
                     "/s/api/PCDownloadFonts.ashx?q=Arial%2C%E5%AE%8B%E4%BD%93%2C\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("GetDownloadPath end\n"), std::string::npos);
  EXPECT_TRUE(view.Messages().empty());
}

TEST(GetDownloadPath, UnreachableServiceIsReportedOnce) {
  TempDir dir;
  SetLogFolder(dir.path());
  RecordingView view;
  ClientSession session(view, tessaro_test::UnreachableHost(), dir.path());
  session.m_downloadPaths = {{"stale"}};
  QueryDownloadableFonts({"Arial"}, session);
  EXPECT_TRUE(session.m_downloadPaths.empty());
  EXPECT_EQ(view.Messages(),
            std::vector<std::string>{"message 无法访问 Tessaro网 (" + session.serviceHost() + ")"});
  EXPECT_EQ(view.captions, std::vector<std::string>{"Tessaro网" + session.serviceHost()});
  std::string log = tessaro_test::ReadTextFile(dir / "Corvid.log");
  EXPECT_NE(log.find("访问链接失败 : http://" + session.serviceHost()), std::string::npos);
  EXPECT_EQ(log.find("GetDownloadPath end"), std::string::npos);
}

// Regression: the HTTP status was ignored, so an error page was taken for the answer.
TEST(RequestServiceText, OnlyACompleteSuccessIsAnAnswer) {
  TestServer server([](httplib::Server& s) {
    s.Get("/ok", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("fine", "text/plain");
    });
    s.Get("/gone", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("<!DOCTYPE HTML>\n<html><body>Not Found</body></html>", "text/html");
    });
    s.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content("oops", "text/plain");
    });
    // A font-query answer of 400 MB once took 2.5 GB of memory: past 1 MiB it is not read on.
    s.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(
          std::size_t{256} << 20, "application/json",
          [](std::size_t, std::size_t length, httplib::DataSink& sink) {
            static const std::string block(64 * 1024, ' ');
            return sink.write(block.data(), std::min(length, block.size()));
          });
    });
  });
  const std::string host = server.host();
  const struct {
    std::string address;
    ServiceFailure failure;
    long status;
    std::string text;
    std::string message;
  } cases[] = {
      {server.Url("/ok"), ServiceFailure::kNone, 200, "fine", ""},
      {server.Url("/gone"), ServiceFailure::kStatus, 404, "",
       "无法访问 Tessaro网 (" + host + "): HTTP 404"},
      {server.Url("/broken"), ServiceFailure::kStatus, 500, "",
       "无法访问 Tessaro网 (" + host + "): HTTP 500"},
      {"http://" + tessaro_test::UnreachableHost() + "/", ServiceFailure::kUnreachable, 0, "",
       "无法访问 Tessaro网 (" + host + ")"},
      {server.Url("/huge"), ServiceFailure::kTooLarge, 200, "",
       "无法访问 Tessaro网 (" + host + "): 回答太大"},
  };
  for (const auto& c : cases) {
    ServiceAnswer answer = RequestServiceText(c.address);
    EXPECT_EQ(answer.failure, c.failure) << c.address;
    EXPECT_EQ(answer.status, c.status) << c.address;
    EXPECT_EQ(answer.text, c.text) << c.address;
    if (c.failure != ServiceFailure::kNone) {
      EXPECT_EQ(ServiceFailureMessage(answer, host), c.message) << c.address;
    }
  }
}

TEST(GetDownloadPath, AnErrorPageIsReportedWithItsStatus) {
  TempDir dir;
  SetLogFolder(dir.path());
  TestServer server([](httplib::Server& s) {
    s.Get("/s/api/PCDownloadFonts.ashx", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content(R"({"0":{"dl":["fonts/Arial.zip"]}})", "application/json");
    });
  });
  RecordingView view;
  ClientSession session(view, server.host(), dir.path());
  QueryDownloadableFonts({"Arial"}, session);
  EXPECT_TRUE(session.m_downloadPaths.empty());
  EXPECT_EQ(view.Messages(), std::vector<std::string>{"message 无法访问 Tessaro网 (" +
                                                      server.host() + "): HTTP 404"});
  std::string log = tessaro_test::ReadTextFile(dir / "Corvid.log");
  EXPECT_NE(log.find("访问链接失败 : http://" + server.host() +
                     "/s/api/PCDownloadFonts.ashx?q=Arial%2C (HTTP 404)\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("GetDownloadPath end"), std::string::npos);
}

}  // namespace
}  // namespace tessaro
