// Analysing one document: the engine's missing fonts, the service's offers, the font list rows.
#pragma once

#include <string>
#include <vector>

#include "client/workflow/document_check.h"
#include "client/workflow/session.h"

namespace tessaro {

// The engine's result buffer.
inline constexpr int kLackFontBufferSize = 2038;

// Empties `names` and appends the items of the first `length` bytes of `buffer`: each runs to
// the next comma (or to `length`), ends early at a NUL byte, and is cut to 259 bytes. A trailing
// comma gives no empty item; two adjacent commas give one.
void SplitNames(std::vector<std::string>& names, const char* buffer, int length);

struct AnalysisResult {
  // The engine is missing or lacks exports: the analysis was refused with its load message, the
  // list and the table were emptied and the service was not asked.
  bool noEngine = false;
  // Not kNone: the file is no document the engine can read. It was not analysed: the list and
  // the table were emptied, the service was not asked, and the problem was shown.
  DocumentProblem problem = DocumentProblem::kNone;
  std::vector<std::string> names;  // the missing fonts, in the engine's order
  bool answered = false;           // the service said for each name whether it offers it
};

// The analysis of session.m_filePath, run on the analysis worker: locks the controls, checks that
// the engine is there (RequireEngine) and that the file is a document (CheckDocument; else
// "不支持的文件格式" or "无法读取文件: <reason>"), asks the engine and the service, fills one list
// row per missing font (when the service answered for every name), reports progress 50, 75, 100 and
// back to 0, says "没有缺失字体" when nothing is missing, and unlocks the controls.
AnalysisResult OnSelectFile(ClientSession& session);

}  // namespace tessaro
