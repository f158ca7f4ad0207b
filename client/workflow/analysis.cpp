#include "client/workflow/analysis.h"

#include <algorithm>
#include <cstring>

#include "client/core/diagnostics.h"
#include "client/workflow/service_protocol.h"

namespace tessaro {

void SplitNames(std::vector<std::string>& names, const char* buffer, int length) {
  names.clear();
  int position = 0;
  while (position < length) {
    int end = position;
    while (end < length && buffer[end] != ',') ++end;
    std::size_t size = static_cast<std::size_t>(end - position);
    const char* item = buffer + position;
    size = strnlen(item, std::min<std::size_t>(size, 259));
    names.emplace_back(item, size);
    position = end + 1;
  }
}

AnalysisResult OnSelectFile(ClientSession& session) {
  MainView& view = session.view();
  AnalysisResult result;
  EnableControls(view, false);
  WriteLog("OnSelectFile Begin : " + session.m_filePath);
  view.SetProgressRange(0, 100);
  view.SetProgressStep(25);
  view.SetEditText(session.m_filePath);

  // Without the engine, or with a file that is no document, nothing is analysed: the rows of the
  // last document are no longer what the field shows.
  result.noEngine = !session.engine().complete();
  if (!result.noEngine) result.problem = CheckDocument(session.m_filePath).problem;
  if (result.noEngine || result.problem != DocumentProblem::kNone) {
    view.DeleteAllRows();
    session.m_downloadPaths.clear();
    session.m_fontNames.clear();
    session.m_queryAnswered = false;
    if (result.noEngine) {
      WriteLog("OnSelectFile End : " + session.engine().LoadFailure());
      RequireEngine(session);
    } else {
      const std::string message = DocumentProblemMessage(result.problem);
      WriteLog("OnSelectFile End : " + message);
      session.Message(message);
    }
    EnableControls(view, true);
    return result;
  }

  std::vector<char> buffer(kLackFontBufferSize, '\0');
  int length = kLackFontBufferSize;
  view.SetProgressText("分析文稿");
  view.StepProgress();
  view.StepProgress();
  session.engine().CallGetLackFontNames(session.m_filePath.c_str(), buffer.data(), &length);

  std::vector<std::string>& names = result.names;
  SplitNames(names, buffer.data(), std::clamp(length, 0, kLackFontBufferSize));
  view.SetProgressText("查询字体服务");
  view.StepProgress();
  result.answered = QueryDownloadableFonts(names, session);
  if (!result.answered) session.m_downloadPaths.assign(names.size(), {});
  session.m_fontNames = names;
  session.m_queryAnswered = result.answered;
  view.StepProgress();

  view.DeleteAllRows();
  for (std::size_t i = 0; i < names.size(); ++i) {
    int row = static_cast<int>(i);
    bool offered = !session.m_downloadPaths[i].empty();
    view.InsertRow(row, names[i]);
    view.SetCell(row, kStatusColumn,
                 !result.answered ? "无法查询"
                 : offered        ? "可以下载"
                                  : "不可下载");
    view.SetCell(row, kPreviewColumn, "预览");
    view.SetCell(row, kDownloadColumn, offered ? "下载" : "");
  }
  WriteLog("OnSelectFile End");
  view.SetProgressPos(0);
  if (names.empty()) session.Message("没有缺失字体");
  EnableControls(view, true);
  return result;
}

}  // namespace tessaro
