// Downloading, unpacking and installing the fonts of one list row or of all rows.
#pragma once

#include <string>
#include <vector>

#include "client/workflow/session.h"

namespace tessaro {

// What became of one download address of a batch.
struct PackageOutcome {
  std::string address;
  int fonts = 0;  // font files of the package that now stand in the font install folder
  std::string problem;  // why it gave none ("下载失败: HTTP 404", "压缩包已损坏", ...), else empty
};

// What became of one row (one table entry) of a batch.
struct RowOutcome {
  int row = 0;             // its row (and table entry) when the batch began
  std::string name;        // its font (session.m_fontNames), empty when the session names none
  bool offered = false;    // its entry held addresses, so the batch tried them
  bool installed = false;  // tried, and the font is missing no more
  std::string problem;     // tried and still missing: why (the packages' problems, or
                           // kNoFontOfThatName when they installed fonts of other names)
  std::vector<PackageOutcome> packages;
};

struct BatchOutcome {
  int downloads = 0;                        // addresses handed to the engine
  std::vector<std::string> installedFiles;  // unpacked font files now in the font install folder
  std::vector<RowOutcome> rows;             // the rows of the batch, in table order
};

// The batch for row `index`, or for all rows when `index` is -1, on the caller's thread: each
// address of the row's table entry (of every entry) downloaded into <work>/_downFonts, each
// downloaded file unpacked into <work>/_exfonts, the fonts there installed; both folders are
// emptied before and removed after. Then the document (session.m_filePath) is analysed again to
// learn which fonts are missing no more (without a document to ask, a row whose packages gave a
// font counts as installed). Says "下载安装完成" when a tried font was installed, "下载安装失败"
// when none was, each followed by a line "<font>: <why>" per font still missing;
// "没有需要下载的字体" when the rows offer nothing; the engine's load message without the engine.
// The table and the list are left as they are (ApplyBatch brings them up to date).
BatchOutcome DownloadAndInstall(ClientSession& session, int index);

// Brings the list and the table up to date after a batch: the rows of installed fonts leave
// (their table entries and names with them), the others stay, a tried one with the status
// "安装失败" (its addresses kept, so that it can be tried again).
void ApplyBatch(ClientSession& session, const BatchOutcome& outcome);

// The install-all worker: locks the controls, runs the batch for all rows, unlocks them and
// brings the list up to date.
BatchOutcome InstallAllThread(ClientSession& session);

// The download cell of row `row`: the same frame around the batch of that row.
BatchOutcome DownloadRow(ClientSession& session, int row);

// A click on the download cell of row `row`, carried out on the window thread (the window takes
// no input until the row is installed): "此正版字体不提供免费下载" for a row the service offers
// nothing for, "无法查询下载地址" when the service gave no answer, kBusyMessage while another
// workflow runs; otherwise DownloadRow as a workflow of its own.
void InstallClickedRow(ClientSession& session, int row);

}  // namespace tessaro
