// Why a download or a package gave no font. The engine's exports report nothing, so the client
// finds out afterwards, and only for what went wrong: it asks the address again, or reads the
// package.
#pragma once

#include <string>

namespace tessaro {

// Why the download of `address` left no file: "下载失败" (download failed) followed by ": HTTP
// 404", ": 超时" (timed out), ": 无法连接" (no connection) or ": 传输中断" (the transfer broke
// off: the address answers now). Requests the address once more and stops at its first byte,
// within the service's time bounds. Thread-safe.
std::string DownloadFailureReason(const std::string& address);

// Why the downloaded package `file` gave no font: "文件是空的" (empty), "不是压缩包或字体文件"
// (neither an archive nor a font file), "压缩包有密码" (password-protected archive),
// "压缩包已损坏" (damaged archive), "压缩包已损坏或有密码", "压缩包是空的" (an archive without
// members); when the package itself is sound, "字体包里没有可安装的字体" (no font in it could be
// installed). Reads the file; thread-safe.
std::string PackageFailureReason(const std::string& file);

// Why a font whose packages installed fonts is still missing.
inline constexpr const char* kNoFontOfThatName = "字体包中没有这个名字的字体";

}  // namespace tessaro
