#include "client/workflow/package_problems.h"

#include "client/workflow/service_protocol.h"
#include "common/package_formats.h"
#include "platform/http.h"

namespace tessaro {

std::string DownloadFailureReason(const std::string& address) {
  platform::TransferResult probe = platform::FetchBody(
      address, kUserAgent, [](long, const char*, std::size_t) { return false; }, kServiceTimeouts);
  std::string reason;
  if (probe.status >= 200 && probe.status <= 299) {
    reason = "传输中断";
  } else if (probe.status != 0) {
    reason = "HTTP " + std::to_string(probe.status);
  } else if (probe.timedOut) {
    reason = "超时";
  } else {
    reason = "无法连接";
  }
  return "下载失败: " + reason;
}

std::string PackageFailureReason(const std::string& file) {
  switch (ExaminePackage(file)) {
    case PackageProblem::kMissing:
    case PackageProblem::kNotAnArchive:
      return "不是压缩包或字体文件";
    case PackageProblem::kEmpty:
      return "文件是空的";
    case PackageProblem::kEncrypted:
      return "压缩包有密码";
    case PackageProblem::kDamaged:
      return "压缩包已损坏";
    case PackageProblem::kDamagedOrEncrypted:
      return "压缩包已损坏或有密码";
    case PackageProblem::kNoMembers:
      return "压缩包是空的";
    case PackageProblem::kNone:
      break;
  }
  return "字体包里没有可安装的字体";
}

}  // namespace tessaro
