#include "client/cli/document_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "client/cli/install_command.h"
#include "client/cli/messages.h"
#include "client/core/diagnostics.h"
#include "client/workflow/analysis.h"
#include "client/workflow/batch.h"
#include "client/workflow/document_check.h"
#include "client/workflow/self_update.h"
#include "client/workflow/service_protocol.h"
#include "common/file_lister.h"

namespace tessaro::cli {
namespace {

namespace fs = std::filesystem;

// The user's form of a client text, for the command's output.
std::string Said(const std::string& chinese) { return ForTerminal(Localize(chinese)); }

// One word of the command's output, in the user's language.
std::string Word(const char* chinese, const char* english) {
  return ChineseLocale() ? ForTerminal(chinese) : english;
}

std::vector<std::string> MissingFonts(ClientSession& session, const std::string& file) {
  std::vector<char> buffer(kLackFontBufferSize, '\0');
  int length = kLackFontBufferSize;
  session.engine().CallGetLackFontNames(file.c_str(), buffer.data(), &length);
  std::vector<std::string> names;
  SplitNames(names, buffer.data(), std::clamp(length, 0, kLackFontBufferSize));
  return names;
}

// Says why `file` is no document the engine can read ("cannot read FILE: no such file", "FILE:
// not a ... document"; with --json as {"file", "error"}); true when it is one.
bool Readable(const std::string& file, bool json) {
  const DocumentProblem problem = CheckDocument(file).problem;
  if (problem == DocumentProblem::kNone) return true;
  const std::string reason = UnreadableReason(problem);
  const std::string text = problem == DocumentProblem::kNotADocument
                               ? ToUtf8(file) + ": 不支持的文件格式"
                               : "无法读取 " + ToUtf8(file) + (reason.empty() ? "" : ": " + reason);
  PrintError(text);
  if (json) {
    Json::Value object(Json::objectValue);
    object["file"] = ToUtf8(file);
    object["error"] = English(text);
    PrintJson(object);
  }
  return false;
}

// Whether `path` is named like a document (.psd .psb .ai .pdf .cdr, any case): a file so named
// whose bytes are no document is reported as such rather than taken for a font package.
bool HasDocumentExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* known : {".psd", ".psb", ".ai", ".pdf", ".cdr"}) {
    if (extension == known) return true;
  }
  return false;
}

// The documents under `folder`, subfolders included, told by their bytes, in name order.
std::vector<std::string> DocumentsUnder(const std::string& folder) {
  std::vector<std::string> files;
  CollectFiles(folder, files);
  std::sort(files.begin(), files.end());
  std::vector<std::string> documents;
  for (const std::string& file : files) {
    if (CheckDocument(file).problem == DocumentProblem::kNone) documents.push_back(file);
  }
  return documents;
}

// The files to scan: each input, a folder replaced by the documents under it. A folder without
// documents is reported (exit code 2 in `status`).
std::vector<std::string> ExpandFolders(const std::vector<std::string>& inputs, bool json,
                                       int& status) {
  std::vector<std::string> files;
  for (const std::string& input : inputs) {
    std::error_code error;
    if (!fs::is_directory(input, error)) {
      files.push_back(input);
      continue;
    }
    std::vector<std::string> documents = DocumentsUnder(input);
    if (documents.empty()) {
      const std::string text = ToUtf8(input) + ": 文件夹里没有文稿";
      PrintError(text);
      if (json) {
        Json::Value object(Json::objectValue);
        object["file"] = ToUtf8(input);
        object["error"] = English(text);
        PrintJson(object);
      }
      status = WorseExit(status, kExitBadInput);
    }
    files.insert(files.end(), documents.begin(), documents.end());
  }
  return files;
}

// The analysis of one document. False when the service gave no answer for its missing fonts;
// `failure` then holds what was said.
bool Analyse(ConsoleClient& client, const std::string& file, std::vector<std::string>& missing,
             std::string& failure) {
  const std::size_t before = client.view().messages().size();
  client.session().m_filePath = file;
  AnalysisResult result = OnSelectFile(client.session());
  missing = result.names;
  if (result.answered || missing.empty()) return true;
  const std::vector<std::string> messages = client.view().messages();
  failure = messages.size() > before ? messages[before] : "无法查询下载地址";
  return false;
}

// install for one document: the analysis, the batch for what is offered, and the report.
// `failed` is set when the service or an offered font failed.
int InstallDocument(ConsoleClient& client, const std::string& file, bool named, bool& failed) {
  const bool json = client.options().json;
  std::vector<std::string> missing;
  std::string failure;
  if (!Analyse(client, file, missing, failure)) {
    failed = true;
    if (json) {
      Json::Value object(Json::objectValue);
      object["file"] = ToUtf8(file);
      object["error"] = English(failure);
      PrintJson(object);
    }
    return kExitBadInput;
  }
  ClientSession& session = client.session();
  std::vector<std::string> unavailable;
  bool anyOffered = false;
  for (std::size_t i = 0; i < missing.size(); ++i) {
    if (session.m_downloadPaths[i].empty()) unavailable.push_back(missing[i]);
    anyOffered = anyOffered || !session.m_downloadPaths[i].empty();
  }
  std::vector<std::string> installed;
  std::vector<std::string> notInstalled;
  std::vector<std::string> problems;  // of the fonts not installed, in their order
  if (anyOffered) {
    BatchOutcome outcome = InstallAllThread(session);
    for (const RowOutcome& row : outcome.rows) {
      if (!row.offered) continue;
      (row.installed ? installed : notInstalled).push_back(row.name);
      if (!row.installed) problems.push_back(row.problem);
    }
  }
  if (!notInstalled.empty()) failed = true;
  if (json) {
    Json::Value object(Json::objectValue);
    object["file"] = ToUtf8(file);
    object["installed"] = JsonStrings(installed);
    object["failed"] = JsonStrings(notInstalled);
    object["unavailable"] = JsonStrings(unavailable);
    object["problems"] = Json::Value(Json::objectValue);
    for (std::size_t i = 0; i < notInstalled.size(); ++i) {
      object["problems"][ToUtf8(notInstalled[i])] = English(problems[i]);
    }
    PrintJson(object);
  } else {
    if (named) std::cout << file << ":\n";
    for (const std::string& name : installed) {
      std::cout << Word("已安装", "installed") << "\t" << name << "\n";
    }
    for (std::size_t i = 0; i < notInstalled.size(); ++i) {
      std::cout << Word("安装失败", "failed") << "\t" << notInstalled[i] << "\t"
                << Said(problems[i]) << "\n";
    }
    for (const std::string& name : unavailable) {
      std::cout << Word("不可下载", "not offered") << "\t" << name << "\n";
    }
    std::cout.flush();
  }
  return notInstalled.empty() && unavailable.empty() ? kExitOk : kExitNotObtainable;
}

}  // namespace

std::optional<std::string> ServiceHostOf(const std::string& address) {
  const std::string scheme = "http://";
  if (address.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
  std::string host = address.substr(scheme.size());
  while (!host.empty() && host.back() == '/') host.pop_back();
  if (host.empty() || host.find_first_of("/?#@ ") != std::string::npos) return std::nullopt;
  return host;
}

int RunScan(const std::vector<std::string>& inputs, const RunOptions& options) {
  ConsoleClient client(options);
  if (!client.Ready()) return kExitBadInput;
  int status = kExitOk;
  const std::vector<std::string> files = ExpandFolders(inputs, options.json, status);
  bool serviceFailed = false;
  for (const std::string& file : files) {
    if (!Readable(file, options.json)) {
      status = WorseExit(status, kExitBadInput);
      continue;
    }
    std::vector<std::string> missing;
    std::string failure;
    bool answered = true;
    if (options.offline) {
      missing = MissingFonts(client.session(), file);
    } else {
      answered = Analyse(client, file, missing, failure);
    }
    const auto& table = client.session().m_downloadPaths;
    const bool offers = !options.offline && answered && table.size() == missing.size();
    if (!answered) {
      status = WorseExit(status, kExitBadInput);
      serviceFailed = true;
    } else if (!missing.empty() &&
               (!offers ||
                std::any_of(table.begin(), table.end(), [](const auto& e) { return e.empty(); }))) {
      status = WorseExit(status, kExitNotObtainable);
    }
    if (options.json) {
      Json::Value object(Json::objectValue);
      object["file"] = ToUtf8(file);
      object["missing"] = JsonStrings(missing);
      if (!options.offline) {
        object["offered"] = Json::Value(Json::objectValue);
        for (std::size_t i = 0; offers && i < missing.size(); ++i) {
          if (!table[i].empty()) object["offered"][ToUtf8(missing[i])] = JsonStrings(table[i]);
        }
      }
      if (!answered) object["error"] = English(failure);
      PrintJson(object);
    } else {
      if (files.size() > 1) std::cout << file << ":\n";
      for (std::size_t i = 0; i < missing.size(); ++i) {
        std::cout << missing[i];
        if (offers) std::cout << "\t" << Said(table[i].empty() ? "不可下载" : "可以下载");
        std::cout << "\n";
      }
      std::cout.flush();
    }
  }
  if (serviceFailed) client.PointAtLog();
  return status;
}

int RunInstall(const std::vector<std::string>& inputs, const RunOptions& options) {
  ConsoleClient client(options);
  if (!client.Ready()) return kExitBadInput;
  int status = kExitOk;
  std::vector<std::string> documents;
  std::vector<std::string> packages;
  for (const std::string& input : inputs) {
    if (IsAddress(input)) {
      packages.push_back(input);
      continue;
    }
    const DocumentProblem problem = CheckDocument(input).problem;
    if (problem == DocumentProblem::kNone) {
      documents.push_back(input);
    } else if (problem == DocumentProblem::kNotADocument && !HasDocumentExtension(input)) {
      packages.push_back(input);  // an archive or a font file
    } else {
      Readable(input, options.json);  // says why it cannot be read
      status = WorseExit(status, kExitBadInput);
    }
  }
  bool failed = false;  // a download, a package or the service failed
  for (const std::string& document : documents) {
    status = WorseExit(status, InstallDocument(client, document, inputs.size() > 1, failed));
  }
  if (!packages.empty()) {
    const int packagesStatus = InstallPackages(client, packages);
    failed = failed || packagesStatus != kExitOk;
    status = WorseExit(status, packagesStatus);
  }
  if (failed) client.PointAtLog();
  return status;
}

int RunUpdateCheck(const RunOptions& options) {
  ConsoleClient client(options, /*withEngine=*/false);
  ClientSession& session = client.session();
  const std::string address = UpdateCheckAddress(session);
  ServiceAnswer answer = RequestServiceText(address);
  if (answer.failure != ServiceFailure::kNone) {
    ReportServiceFailure(answer, address, session);
    if (options.json) PrintJsonError(ServiceFailureMessage(answer, session.serviceHost()));
    client.PointAtLog();
    return kExitBadInput;
  }
  const std::string archive = UpdateArchiveName(answer.text);
  if (archive.empty() && answer.text.find_first_not_of(" \t\r\n") != std::string::npos) {
    WriteLog("OnBnClickedButton3 end: unusable update name : " + answer.text);
    ReportError("服务给出的更新回答不是文件名", options.json);
    client.PointAtLog();
    return kExitBadInput;
  }
  if (options.json) {
    Json::Value object(Json::objectValue);
    object["update"] = archive.empty() ? Json::Value() : Json::Value(ToUtf8(archive));
    PrintJson(object);
  } else if (!archive.empty()) {
    std::cout << archive << "\n";
  }
  return kExitOk;
}

}  // namespace tessaro::cli
