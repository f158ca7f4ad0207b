// The self-update: ask the service for a newer client, download and unpack it, start its
// installer and close.
#pragma once

#include <cstddef>
#include <string>

#include "client/workflow/session.h"

namespace tessaro {

// The installer an update archive holds at its top level: "setup" on POSIX, "setup.exe" on
// Windows.
std::string InstallerFileName();

// The update check in start-up mode (`startup` true: silent when current, asks before updating)
// or manual mode (says "当前已经是最新版本" when current, updates without asking). The window is
// closed only once the installer has started; a failed download, unpacking or start says
// "更新失败" and the client runs on.
void OnBnClickedButton3(ClientSession& session, bool startup);

// The update button's worker: the manual check.
void UpdateCheckThread(ClientSession& session);

// The encoded update-check address ("?u=" and the client version).
std::string UpdateCheckAddress(const ClientSession& session);

// The longest archive name an update-check answer may give, in bytes.
inline constexpr std::size_t kMaxUpdateArchiveName = 200;

// The archive name in an update-check answer: the answer without the blanks and line breaks
// around it, when that is a plain file name; empty when it is not (empty, several lines, longer
// than kMaxUpdateArchiveName, "." or "..", or holding "..", a control character or one of
// / \ : * ? " < > |, as an error page's markup does).
std::string UpdateArchiveName(const std::string& answer);

}  // namespace tessaro
