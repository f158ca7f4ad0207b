// Whether a file is a document the engine can read, and if not, why: told apart before the
// analysis, so that a file the engine cannot read is never reported as a document in which
// nothing is missing.
#pragma once

#include <string>

#include "common/document_kind.h"

namespace tessaro {

enum class DocumentProblem {
  kNone,          // a document of one of the four kinds
  kMissing,       // nothing of that name
  kFolder,        // a folder, not a file
  kNoPermission,  // the file may not be read
  kUnreadable,    // the file cannot be read for another reason
  kEmpty,         // the file holds no bytes
  kNotADocument,  // the bytes are no Photoshop, Illustrator, PDF or CorelDRAW document
};

struct DocumentCheck {
  DocumentProblem problem = DocumentProblem::kNone;
  DocumentKind kind = DocumentKind::None;  // kNone only
};

// Reads the file at `path` (narrow text) and recognises its kind from its bytes as the engine
// does (DetectDocumentKind). Never writes. Thread-safe.
DocumentCheck CheckDocument(const std::string& path);

// Why a file cannot be read, for messages: "文件不存在", "是一个文件夹", "没有读取权限",
// "文件是空的", or empty (kUnreadable: no reason known). Empty for kNone and kNotADocument.
std::string UnreadableReason(DocumentProblem problem);

// The window's message for a problem: "不支持的文件格式" for a file of no known kind, else
// "无法读取文件" with the reason after ": ". Empty for kNone.
std::string DocumentProblemMessage(DocumentProblem problem);

}  // namespace tessaro
