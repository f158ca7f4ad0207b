#include "service/pages.h"

#include "service/query_text.h"

namespace tessaro::service {
namespace {

std::string PageStart(std::string_view title) {
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         HtmlEscape(title) +
         "</title>\n<style>\n"
         "body { font-family: sans-serif; margin: 1.5em; }\n"
         ".sample { font-family: \"TessaroPreview\", sans-serif; margin: 0.4em 0; }\n"
         ".s1 { font-size: 40px; } .s2 { font-size: 24px; } .s3 { font-size: 14px; }\n"
         "</style>\n";
}

constexpr std::string_view kPageEnd =
    "<p><a href=\"/\">返回字库首页</a>（Tessaro 字体服务，测试用）</p>\n</body>\n</html>\n";

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

std::string PreviewFontAddress(std::string_view name) {
  return "/preview/font?fn=" + PercentEncode(name);
}

std::string PreviewPageAddress(std::string_view name) {
  return "/fontlistPc.aspx?fn=" + PercentEncode(name) + "&fz=1";
}

std::string HomePage(const Catalog& catalog) {
  std::string page = PageStart("Tessaro 字体服务") + "</head>\n<body>\n<h1>Tessaro 字体服务</h1>\n";
  page += "<p>字库中共有 " + std::to_string(catalog.fonts.size()) +
          " 个字体名称（点击预览）：</p>\n<ul>\n";
  for (const auto& [name, paths] : catalog.fonts) {
    page += "<li><a href=\"" + HtmlEscape(PreviewPageAddress(name)) + "\">" + HtmlEscape(name) +
            "</a> — " + std::to_string(paths.size()) + " 个文件</li>\n";
  }
  page += "</ul>\n";
  if (catalog.update) {
    page += "<p>最新客户端版本：" + HtmlEscape(catalog.update->version) + "</p>\n";
  }
  return page + "</body>\n</html>\n";
}

std::string PreviewPage(std::string_view name, const std::vector<std::string>& paths,
                        std::string_view fontFileName) {
  std::string page = PageStart("预览字体：" + std::string(name));
  if (!fontFileName.empty()) {
    page += "<style>\n@font-face { font-family: \"TessaroPreview\"; src: url(\"" +
            HtmlEscape(PreviewFontAddress(name)) + "\"); }\n</style>\n";
  }
  page += "</head>\n<body>\n<h1>" + HtmlEscape(name) + "</h1>\n";
  if (fontFileName.empty()) {
    page += "<p>这个字体包里没有可预览的字体文件。</p>\n";
  } else {
    page += "<p>预览字体文件：" + HtmlEscape(fontFileName) + "</p>\n";
    page += "<p class=\"sample s1\">" + HtmlEscape(name) + "</p>\n";
    page += "<p class=\"sample s2\">The quick brown fox jumps over the lazy dog.</p>\n";
    page += "<p class=\"sample s2\">ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz</p>\n";
    page += "<p class=\"sample s3\">0123456789 !?&amp;@#%()[]{} àéîõü ÆØß €£¥</p>\n";
    page += "<p class=\"sample s2\">字体预览：天地玄黄，宇宙洪荒。</p>\n";
  }
  page += "<p>下载：";
  for (const std::string& path : paths) {
    page += " <a href=\"/" + HtmlEscape(path) + "\">" + HtmlEscape(path) + "</a>";
  }
  return page + "</p>\n" + std::string(kPageEnd);
}

std::string UnknownFontPage(std::string_view name) {
  return PageStart("预览字体：" + std::string(name)) + "</head>\n<body>\n<h1>" + HtmlEscape(name) +
         "</h1>\n<p>字库中没有这个字体，暂时不能下载。</p>\n" + std::string(kPageEnd);
}

}  // namespace tessaro::service
