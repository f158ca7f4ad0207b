#include "client/cli/messages.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/text_codec.h"
#include "platform/user_language.h"

namespace tessaro::cli {
namespace {

struct Translation {
  const char* chinese;  // "{}" stands for a part of the text
  const char* english;  // the parts in the same order
};

// More particular patterns before the general ones that would also match.
constexpr Translation kTranslations[] = {
    {"没有缺失字体", "No font is missing."},
    {"下载安装完成", "Download and installation finished."},
    {"下载安装失败", "Download or installation failed: no font was installed."},
    {"没有需要下载的字体", "There are no fonts that need downloading."},
    {"当前已经是最新版本", "This is already the newest version."},
    {"存在可更新版本，是否更新？", "A newer version exists. Update?"},
    {"Session 创建失败", "The internet session could not be created."},
    {"无法访问 Tessaro网 ({}): {}", "Cannot reach the Tessaro site ({}): {}"},
    {"无法访问 Tessaro网 ({})", "Cannot reach the Tessaro site ({})"},
    {"超时", "timed out"},
    {"回答不完整", "the answer broke off"},
    {"回答太大", "the answer is too large"},
    {"{}加载功能失败", "The engine {} lacks some of its functions."},
    {"{}加载失败", "The engine {} could not be loaded."},
    {"更新失败: {}", "Update failed: {}"},
    {"服务给出的更新文件名无效", "the service's answer is no archive name"},
    {"无法启动安装程序", "the installer could not be started"},
    {"无法下载更新", "the update could not be downloaded"},
    {"{}: 不支持的文件格式", "{}: not a Photoshop, Illustrator, PDF or CorelDRAW document"},
    {"不支持的文件格式", "not a Photoshop, Illustrator, PDF or CorelDRAW document"},
    {"无法读取文件: {}", "cannot read the file: {}"},
    {"无法读取文件", "cannot read the file"},
    {"无法读取 {}: {}", "cannot read {}: {}"},
    {"无法读取 {}", "cannot read {}"},
    {"文件不存在", "no such file"},
    {"是一个文件夹", "it is a folder"},
    {"没有读取权限", "permission denied"},
    {"文件是空的", "the file is empty"},
    {"回答与查询不符", "its answer does not fit the query"},
    {"无法查询下载地址", "The service could not be asked where to download the fonts."},
    {"下载失败: {}", "download failed: {}"},
    {"下载失败", "download failed"},
    {"无法连接", "no connection"},
    {"传输中断", "the transfer broke off"},
    {"不是压缩包或字体文件", "neither an archive nor a font file"},
    {"压缩包有密码", "password-protected archive"},
    {"压缩包已损坏或有密码", "damaged or password-protected archive"},
    {"压缩包已损坏", "damaged archive"},
    {"压缩包是空的", "empty archive"},
    {"字体包里没有可安装的字体", "the package holds no font that could be installed"},
    {"字体包中没有这个名字的字体", "the package held no font of that name"},
    {"{}; {}", "{}; {}"},
    {"未知命令 '{}'", "unknown command '{}'"},
    {"未知选项 '{}'", "unknown option '{}'"},
    {"选项 --service 需要一个地址", "the option --service needs an address"},
    {"选项 {} 只用于 {}", "the option {} is only for {}"},
    {"缺少命令", "no command given"},
    {"缺少要检查的文稿", "no document given"},
    {"缺少文稿或字体包", "no document or package given"},
    {"update 需要 --check", "update needs --check"},
    {"多余的参数 '{}'", "unexpected argument '{}'"},
    {"字体服务的地址应为 http://主机[:端口]，而不是 '{}'",
     "the service must be an address http://HOST[:PORT], not '{}'"},
    {"{}: 文件夹里没有文稿",
     "{}: no Photoshop, Illustrator, PDF or CorelDRAW document in this folder"},
    {"日志在 {}", "the log is in {}"},
    {"无法创建工作文件夹", "cannot create a work folder"},
    {"服务给出的更新回答不是文件名", "the service's update answer is no archive name"},
    {"分析文稿", "analysing the document"},
    {"查询字体服务", "asking the font service"},
    {"下载 {} {}", "downloading {} {}"},
    {"下载 {}", "downloading {}"},
    {"解压 {}", "unpacking {}"},
    {"解压", "unpacking"},
    {"安装字体", "installing fonts"},
    {"{}: 没有找到字体: {}", "{}: no fonts found: {}"},
    {"没有找到字体: {}", "no fonts found: {}"},
    {"{}: 下载失败: {}", "{}: download failed: {}"},
    {"可以下载", "downloadable"},
    {"不可下载", "not downloadable"},
    {"无法查询", "unknown"},
    {"安装失败", "installation failed"},
    // Last: "<font>: <why>" lines of the batch's messages.
    {"{}: {}", "{}: {}"},
};

// The parts of `text` that the "{}" of `pattern` stand for; nullopt when it does not match. Each
// part ends at the first occurrence of the literal that follows it; the last literal ends the
// text.
std::optional<std::vector<std::string>> Match(std::string_view pattern, std::string_view text) {
  std::vector<std::string_view> literals;
  for (std::size_t start = 0;;) {
    std::size_t hole = pattern.find("{}", start);
    literals.push_back(pattern.substr(start, hole == std::string_view::npos ? hole : hole - start));
    if (hole == std::string_view::npos) break;
    start = hole + 2;
  }
  if (literals.size() == 1) {
    if (text != pattern) return std::nullopt;
    return std::vector<std::string>{};
  }
  if (text.substr(0, literals.front().size()) != literals.front()) return std::nullopt;
  std::vector<std::string> parts;
  std::size_t at = literals.front().size();
  for (std::size_t i = 1; i + 1 < literals.size(); ++i) {
    std::size_t found = text.find(literals[i], at);
    if (found == std::string_view::npos) return std::nullopt;
    parts.emplace_back(text.substr(at, found - at));
    at = found + literals[i].size();
  }
  std::string_view last = literals.back();
  if (text.size() < at + last.size() || text.substr(text.size() - last.size()) != last) {
    return std::nullopt;
  }
  parts.emplace_back(text.substr(at, text.size() - last.size() - at));
  return parts;
}

}  // namespace

bool ChineseLocale() { return platform::UserLanguageIsChinese(); }

std::string English(const std::string& text) {
  for (const Translation& t : kTranslations) {
    std::optional<std::vector<std::string>> parts = Match(t.chinese, text);
    if (!parts) continue;
    std::string out;
    std::string_view english = t.english;
    std::size_t part = 0;
    for (std::size_t hole; (hole = english.find("{}")) != std::string_view::npos;) {
      out.append(english.substr(0, hole));
      if (part < parts->size()) out += English((*parts)[part++]);
      english.remove_prefix(hole + 2);
    }
    out.append(english);
    return out;
  }
  return text;
}

std::string Localize(const std::string& text) { return ChineseLocale() ? text : English(text); }

std::string ForTerminal(const std::string& utf8) {
  return platform::ConvertCodePage(utf8, platform::kUtf8CodePage, platform::kAnsiCodePage)
      .value_or(utf8);
}

std::string ToUtf8(const std::string& narrow) {
  return platform::ConvertCodePage(narrow, platform::kAnsiCodePage, platform::kUtf8CodePage)
      .value_or(narrow);
}

void PrintLine(std::FILE* stream, const std::string& text) {
  std::fputs(ForTerminal(Localize(text)).c_str(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

void PrintError(const std::string& text) {
  // Each line on its own: a message may list fonts and reasons below its first line.
  std::string out = "tessaro: ";
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    out += Localize(text.substr(start, end - start)) + "\n  ";
  }
  out += Localize(text.substr(start)) + "\n";
  std::fputs(ForTerminal(out).c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace tessaro::cli
