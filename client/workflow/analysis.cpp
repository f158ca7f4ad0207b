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

std::vector<std::string> OnSelectFile(ClientSession& session) {
  MainView& view = session.view();
  EnableControls(view, false);
  WriteLog("OnSelectFile Begin : " + session.m_filePath);
  view.SetProgressRange(0, 100);
  view.SetProgressStep(25);
  view.SetEditText(session.m_filePath);

  std::vector<char> buffer(kLackFontBufferSize, '\0');
  int length = kLackFontBufferSize;
  view.StepProgress();
  view.StepProgress();
  session.engine().CallGetLackFontNames(session.m_filePath.c_str(), buffer.data(), &length);

  std::vector<std::string> names;
  SplitNames(names, buffer.data(), std::clamp(length, 0, kLackFontBufferSize));
  view.StepProgress();
  QueryDownloadableFonts(names, session);
  view.StepProgress();

  view.DeleteAllRows();
  if (session.m_downloadPaths.size() == names.size()) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      int row = static_cast<int>(i);
      bool offered = !session.m_downloadPaths[i].empty();
      view.InsertRow(row, names[i]);
      view.SetCell(row, kStatusColumn, offered ? "可以下载" : "不可下载");
      view.SetCell(row, kPreviewColumn, "预览");
      view.SetCell(row, kDownloadColumn, offered ? "下载" : "");
    }
  }
  WriteLog("OnSelectFile End");
  view.SetProgressPos(0);
  if (names.empty()) session.Message("没有缺失字体");
  EnableControls(view, true);
  return names;
}

}  // namespace tessaro
