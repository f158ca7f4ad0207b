#include "client/workflow/document_check.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/file_view.h"

namespace tessaro {

DocumentCheck CheckDocument(const std::string& path) {
  namespace fs = std::filesystem;
  DocumentCheck check;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    check.problem = DocumentProblem::kMissing;
    return check;
  }
  if (fs::is_directory(status)) {
    check.problem = DocumentProblem::kFolder;
    return check;
  }
  // Opening tells a file that may not be read from one that cannot be.
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    check.problem = errno == EACCES ? DocumentProblem::kNoPermission : DocumentProblem::kUnreadable;
    return check;
  }
  const bool empty = std::fgetc(file) == EOF;
  std::fclose(file);
  if (empty) {
    check.problem = DocumentProblem::kEmpty;
    return check;
  }
  std::optional<platform::FileView> view = platform::FileView::Open(path);
  if (!view) {
    check.problem = DocumentProblem::kUnreadable;
    return check;
  }
  check.kind = DetectDocumentKind(view->data(), view->size());
  if (check.kind == DocumentKind::None) check.problem = DocumentProblem::kNotADocument;
  return check;
}

std::string UnreadableReason(DocumentProblem problem) {
  switch (problem) {
    case DocumentProblem::kMissing:
      return "文件不存在";
    case DocumentProblem::kFolder:
      return "是一个文件夹";
    case DocumentProblem::kNoPermission:
      return "没有读取权限";
    case DocumentProblem::kEmpty:
      return "文件是空的";
    case DocumentProblem::kNone:
    case DocumentProblem::kUnreadable:
    case DocumentProblem::kNotADocument:
      break;
  }
  return {};
}

std::string DocumentProblemMessage(DocumentProblem problem) {
  switch (problem) {
    case DocumentProblem::kNone:
      return {};
    case DocumentProblem::kNotADocument:
      return "不支持的文件格式";
    default:
      break;
  }
  const std::string reason = UnreadableReason(problem);
  return reason.empty() ? "无法读取文件" : "无法读取文件: " + reason;
}

}  // namespace tessaro
