#include "client/workflow/service_protocol.h"

#include <json/json.h>

#include <cstring>
#include <optional>
#include <sstream>

#include "client/core/diagnostics.h"
#include "platform/http.h"
#include "platform/text_codec.h"

namespace tessaro {

namespace {

constexpr std::size_t kFontQueryBuffer = 2038;

bool KeptByUrlEncode(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '&' ||
         c == '-' || c == '.' || c == '/' || c == ':' || c == '=' || c == '?';
}

}  // namespace

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    if (KeptByUrlEncode(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

void AnsiToUtf8(char* buffer, std::size_t size) {
  if (size == 0) return;
  std::string ansi(buffer, strnlen(buffer, size));
  std::u16string wide =
      platform::MultiByteToWide(ansi, platform::kAnsiCodePage).value_or(std::u16string());
  std::string utf8 =
      platform::WideToMultiByte(wide, platform::kUtf8CodePage, size - 1).value_or(std::string());
  std::memset(buffer, 0, size);
  std::memcpy(buffer, utf8.data(), utf8.size());
}

std::string Utf8ToAnsi(const std::string& bytes) {
  std::u16string wide =
      platform::MultiByteToWide(bytes, platform::kUtf8CodePage).value_or(std::u16string());
  return platform::WideToMultiByte(wide, platform::kAnsiCodePage).value_or(std::string());
}

ServiceAnswer RequestServiceText(const std::string& address,
                                 const platform::HttpTimeouts& timeouts) {
  platform::HttpResult result =
      platform::HttpGet(address, kUserAgent, timeouts, kMaxServiceAnswerBytes);
  ServiceAnswer answer;
  answer.status = result.status;
  if (result.failure == platform::HttpResult::Failure::kSession) {
    answer.failure = ServiceFailure::kSession;
  } else if (result.tooLarge) {
    answer.failure = ServiceFailure::kTooLarge;
  } else if (result.timedOut) {
    answer.failure = ServiceFailure::kTimedOut;
  } else if (result.failure == platform::HttpResult::Failure::kConnect) {
    answer.failure = result.status != 0 ? ServiceFailure::kBroken : ServiceFailure::kUnreachable;
  } else if (result.status < 200 || result.status > 299) {
    answer.failure = ServiceFailure::kStatus;
  } else {
    answer.text = Utf8ToAnsi(result.body);
  }
  return answer;
}

namespace {

// The reason of a failure as the message and the log add it; empty when none is known.
std::string FailureReason(const ServiceAnswer& answer) {
  switch (answer.failure) {
    case ServiceFailure::kStatus:
      return "HTTP " + std::to_string(answer.status);
    case ServiceFailure::kTimedOut:
      return "超时";
    case ServiceFailure::kBroken:
      return "回答不完整";
    case ServiceFailure::kTooLarge:
      return "回答太大";
    case ServiceFailure::kNone:
    case ServiceFailure::kSession:
    case ServiceFailure::kUnreachable:
      break;
  }
  return {};
}

}  // namespace

std::string ServiceFailureMessage(const ServiceAnswer& answer, const std::string& serviceHost) {
  if (answer.failure == ServiceFailure::kSession) return "Session 创建失败";
  std::string message = "无法访问 Tessaro网 (" + serviceHost + ")";
  const std::string reason = FailureReason(answer);
  return reason.empty() ? message : message + ": " + reason;
}

void ReportServiceFailure(const ServiceAnswer& answer, const std::string& address,
                          ClientSession& session) {
  if (answer.failure == ServiceFailure::kNone) return;
  session.Message(ServiceFailureMessage(answer, session.serviceHost()));
  if (answer.failure == ServiceFailure::kSession) {
    WriteLog("Session 创建失败");
    return;
  }
  const std::string reason = FailureReason(answer);
  WriteLog("访问链接失败 : " + address + (reason.empty() ? "" : " (" + reason + ")"));
}

std::optional<std::string> FetchServiceText(const std::string& address, ClientSession& session) {
  ServiceAnswer answer = RequestServiceText(address);
  if (answer.failure != ServiceFailure::kNone) {
    ReportServiceFailure(answer, address, session);
    return std::nullopt;
  }
  return std::move(answer.text);
}

std::string FontQueryAddress(const std::vector<std::string>& names, const ClientSession& session) {
  std::string address = session.baseAddress() + "/s/api/PCDownloadFonts.ashx?q=";
  for (const std::string& name : names) address += name + ",";
  // The address passes through a buffer of 2038 bytes.
  std::vector<char> buffer(kFontQueryBuffer, '\0');
  std::memcpy(buffer.data(), address.data(), std::min(address.size(), kFontQueryBuffer - 1));
  AnsiToUtf8(buffer.data(), buffer.size());
  return UrlEncode(buffer.data());
}

std::string BrowserAddress(char* buffer) {
  AnsiToUtf8(buffer, kBrowserAddressSize);
  return UrlEncode(buffer);
}

std::string PreviewAddress(const std::string& name, const ClientSession& session) {
  const std::string address = session.baseAddress() + "/fontlistPc.aspx?fn=" + name + "&fz=1";
  // The UTF-8 form must fit as well: AnsiToUtf8 cuts before a character that does not. A name
  // holding a NUL byte would end the address early, as a cut one does.
  const std::optional<std::u16string> wide =
      platform::MultiByteToWide(address, platform::kAnsiCodePage);
  const std::optional<std::string> utf8 =
      wide ? platform::WideToMultiByte(*wide, platform::kUtf8CodePage) : std::nullopt;
  if (address.size() >= kBrowserAddressSize || address.find('\0') != std::string::npos || !utf8 ||
      utf8->size() >= kBrowserAddressSize) {
    return {};
  }
  char buffer[kBrowserAddressSize] = {};
  std::memcpy(buffer, address.data(), address.size());
  return BrowserAddress(buffer);
}

bool QueryDownloadableFonts(const std::vector<std::string>& names, ClientSession& session) {
  if (!GetDownloadPath(FontQueryAddress(names, session), session)) return false;
  if (session.m_downloadPaths.size() == names.size()) return true;
  // Row i and entry i must be the same font: an answer for other fonts is no answer.
  WriteLog("GetDownloadPath : " + std::to_string(session.m_downloadPaths.size()) + " entries for " +
           std::to_string(names.size()) + " fonts");
  session.m_downloadPaths.clear();
  session.Message("无法访问 Tessaro网 (" + session.serviceHost() + "): 回答与查询不符");
  return false;
}

std::vector<std::vector<std::string>> ParseFontQueryAnswer(std::string answer,
                                                           const std::string& baseAddress) {
  // The answer uses no escapes: a backslash in a path is a folder separator.
  for (char& c : answer) {
    if (c == '\\') c = '/';
  }
  Json::Value parsed;
  Json::CharReaderBuilder builder;
  // The answer nests three levels deep. jsoncpp reads nesting by recursion and throws past its
  // limit: a deeper answer ("[[[[...") is refused long before the thread's stack could run out.
  builder["stackLimit"] = 64;
  std::istringstream stream(answer);
  std::string errors;
  try {
    Json::parseFromStream(builder, stream, &parsed, &errors);  // what came before an error is kept
  } catch (const std::exception&) {
    // Nested too deeply: what was read before stays, as after any other syntax error.
  }
  const Json::Value& root = parsed;
  std::vector<std::vector<std::string>> table;
  if (!root.isObject()) return table;
  const Json::ArrayIndex members = root.size();
  for (Json::ArrayIndex k = 0; k < members; ++k) {
    std::vector<std::string> entry;
    const Json::Value& font = root[std::to_string(k)];
    if (font.isObject() && font["dl"].isArray()) {
      for (const Json::Value& path : font["dl"]) {
        if (path.isString()) entry.push_back(baseAddress + "/" + path.asString());
      }
    }
    table.push_back(std::move(entry));
  }
  return table;
}

bool GetDownloadPath(const std::string& address, ClientSession& session) {
  WriteLog("GetDownloadPath bein : " + address);
  session.m_downloadPaths.clear();
  std::optional<std::string> answer = FetchServiceText(address, session);
  if (!answer) return false;
  session.m_downloadPaths = ParseFontQueryAnswer(std::move(*answer), session.baseAddress());
  WriteLog("GetDownloadPath end");
  return true;
}

}  // namespace tessaro
