#include "client/cli/command_line.h"

#include "client/cli/messages.h"

namespace tessaro::cli {
namespace {

struct CommandName {
  const char* name;
  Command command;
};
constexpr CommandName kCommands[] = {{"scan", Command::kScan},
                                     {"install", Command::kInstall},
                                     {"update", Command::kUpdate},
                                     {"help", Command::kHelp}};

std::optional<Command> CommandNamed(const std::string& word) {
  for (const CommandName& c : kCommands) {
    if (word == c.name) return c.command;
  }
  return std::nullopt;
}

struct Usage {
  Command command;
  const char* synopsis;
  const char* english;
  const char* chinese;
};

constexpr Usage kUsages[] = {
    {Command::kScan, "tessaro [--service URL] scan [--json] [--no-service] FILE_OR_FOLDER...",
     "  Lists the fonts each document uses that are not installed, one per line, with whether\n"
     "  the font service offers them. A folder is searched, subfolders included, for the\n"
     "  documents in it (told by their bytes). --json: one object per document, {\"file\": ...,\n"
     "  \"missing\": [...], \"offered\": {name: [addresses]}}. --no-service: names only.\n",
     "  "
     "列出每个文稿用到而本机未安装的字体，每行一个，并说明字体服务能否提供。文件夹会连同子文件夹\n"
     "  一起查找其中的文稿（按文件内容识别）。--json：每个文稿一个对象 {\"file\": ..., "
     "\"missing\":\n"
     "  [...], \"offered\": {字体名: [地址]}}。--no-service：只列字体名，不询问字体服务。\n"},
    {Command::kInstall, "tessaro [--service URL] install [--json] DOCUMENT_OR_PACKAGE...",
     "  For each document (.psd .psb .ai .pdf .cdr, told by its bytes): downloads and installs\n"
     "  every missing font the service offers, and says what was installed, what failed and why,\n"
     "  and what is not offered (--json: {\"file\": ..., \"installed\": [...], \"failed\": [...],\n"
     "  \"unavailable\": [...], \"problems\": {name: reason}}). Every other argument is a font\n"
     "  package: an archive (RAR, ZIP, 7z, tar, ...), a font file or an http/https address,\n"
     "  downloaded, unpacked and installed for this user.\n",
     "  对每个文稿（.psd .psb .ai .pdf "
     ".cdr，按文件内容识别）：下载并安装字体服务提供的每个缺失字体，\n"
     "  并说明哪些已安装、哪些安装失败及原因、哪些不可下载（--json：{\"file\": ..., "
     "\"installed\":\n"
     "  [...], \"failed\": [...], \"unavailable\": [...], \"problems\": {字体名: "
     "原因}}）。其他参数都是\n"
     "  字体包：压缩包（RAR、ZIP、7z、tar 等）、字体文件或 http/https "
     "地址，下载、解压后为当前用户安装。\n"},
    {Command::kUpdate, "tessaro [--service URL] update --check [--json]",
     "  Prints the file name of the newer client's archive, or nothing when this client is\n"
     "  current (--json: {\"update\": name or null}).\n",
     "  输出新版客户端压缩包的文件名；当前已是最新版本时不输出（--json：{\"update\": 文件名或 "
     "null}）。\n"},
};

constexpr const char* kCommonEnglish =
    "Options of every command:\n"
    "  --service URL  the font service, http://HOST[:PORT] (default: the host in the environment\n"
    "                 variable TESSARO_SERVICE_HOST, else the built-in service)\n"
    "  --verbose      prints the log lines as they are written\n"
    "  -h, --help     prints the usage; --version prints the version\n"
    "  --             ends the options\n"
    "Exit codes: 0 ok, 1 some fonts cannot be had, 2 bad input or the service cannot be reached.\n";

constexpr const char* kCommonChinese =
    "所有命令的选项：\n"
    "  --service URL  字体服务，http://主机[:端口]（默认：环境变量 TESSARO_SERVICE_HOST "
    "中的主机，\n"
    "                 否则为内置的服务）\n"
    "  --verbose      随时输出写入日志的内容\n"
    "  -h, --help     输出用法；--version 输出版本\n"
    "  --             选项到此结束\n"
    "退出码：0 成功，1 有字体无法获得，2 输入有误或无法访问字体服务。\n";

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t at = 0; at < args.size(); ++at) {
    const std::string& arg = args[at];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (line.command == Command::kNone) {
        std::optional<Command> command = CommandNamed(arg);
        if (!command) {
          line.error = "未知命令 '" + ToUtf8(arg) + "'";
          return line;
        }
        line.command = *command;
      } else {
        line.operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      line.help = true;
    } else if (arg == "--version") {
      if (line.command == Command::kNone) line.command = Command::kVersion;
    } else if (arg == "--verbose") {
      line.verbose = true;
    } else if (arg == "--json") {
      line.json = true;
    } else if (arg == "--service" || arg.rfind("--service=", 0) == 0) {
      if (arg == "--service") {
        if (at + 1 == args.size()) {
          line.error = "选项 --service 需要一个地址";
          return line;
        }
        line.serviceAddress = args[++at];
      } else {
        line.serviceAddress = arg.substr(10);
      }
    } else if (arg == "--no-service") {
      line.offline = true;
    } else if (arg == "--check") {
      line.check = true;
    } else {
      line.error = "未知选项 '" + ToUtf8(arg) + "'";
      return line;
    }
  }
  if (line.help) return line;
  if (line.offline && line.command != Command::kScan) {
    line.error = "选项 --no-service 只用于 scan";
    return line;
  }
  if (line.check && line.command != Command::kUpdate) {
    line.error = "选项 --check 只用于 update";
    return line;
  }
  switch (line.command) {
    case Command::kNone:
      line.error = "缺少命令";
      break;
    case Command::kScan:
      if (line.operands.empty()) line.error = "缺少要检查的文稿";
      break;
    case Command::kInstall:
      if (line.operands.empty()) line.error = "缺少文稿或字体包";
      break;
    case Command::kUpdate:
      if (!line.check) {
        line.error = "update 需要 --check";
      } else if (!line.operands.empty()) {
        line.error = "多余的参数 '" + ToUtf8(line.operands.front()) + "'";
      }
      break;
    case Command::kHelp:
      if (line.operands.size() > 1 ||
          (line.operands.size() == 1 && !CommandNamed(line.operands.front()))) {
        line.error = "未知命令 '" + ToUtf8(line.operands.back()) + "'";
      }
      break;
    case Command::kVersion:
      break;
  }
  return line;
}

std::string UsageText(Command command) {
  const bool chinese = ChineseLocale();
  std::string text;
  for (const Usage& usage : kUsages) {
    if (command != Command::kNone && command != usage.command) continue;
    text += (chinese ? "用法: " : "usage: ") + std::string(usage.synopsis) + "\n" +
            (chinese ? usage.chinese : usage.english);
  }
  if (command == Command::kNone) {
    text += chinese ? "       tessaro help [命令] | tessaro --version\n"
                    : "       tessaro help [COMMAND] | tessaro --version\n";
  }
  return text + (chinese ? kCommonChinese : kCommonEnglish);
}

}  // namespace tessaro::cli
