// Downloading, unpacking and installing the fonts of one list row or of all rows.
#pragma once

#include <string>
#include <vector>

#include "client/workflow/session.h"

namespace tessaro {

struct BatchOutcome {
  int downloads = 0;                        // addresses handed to the engine
  std::vector<std::string> installedFiles;  // unpacked font files now in the font install folder
};

// The batch for row `index`, or for all rows when `index` is -1, on the caller's thread: each
// address of the table downloaded into <work>/_downFonts, every downloaded file unpacked into
// <work>/_exfonts, the fonts there installed; both folders are emptied before and removed after.
// Says "下载安装完成" when at least one font was installed, "下载安装失败" when none was, and
// "没有需要下载的字体" when the rows offer nothing. Consumes the row's (or every) table entry.
BatchOutcome DownloadAndInstall(ClientSession& session, int index);

// The install-all worker: locks the controls, runs the batch for all rows, unlocks them and
// empties the font list.
BatchOutcome InstallAllThread(ClientSession& session);

// The download cell of row `row`: the same frame around the batch of that row, then the row is
// deleted (the rows and table entries after it move up together).
BatchOutcome DownloadRow(ClientSession& session, int row);

}  // namespace tessaro
