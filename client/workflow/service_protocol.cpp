#include "client/workflow/service_protocol.h"

#include <json/json.h>

#include <cstring>
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

ServiceAnswer RequestServiceText(const std::string& address) {
  platform::HttpResult result = platform::HttpGet(address, kUserAgent);
  ServiceAnswer answer;
  answer.failure = result.failure;
  if (result.failure == platform::HttpResult::Failure::kNone) answer.text = Utf8ToAnsi(result.body);
  return answer;
}

void ReportServiceFailure(platform::HttpResult::Failure failure, const std::string& address,
                          ClientSession& session) {
  switch (failure) {
    case platform::HttpResult::Failure::kSession:
      session.Message("Session 创建失败");
      WriteLog("Session 创建失败");
      break;
    case platform::HttpResult::Failure::kConnect:
      session.Message("无法访问 Tessaro网 (" + session.serviceHost() + ")");
      WriteLog("访问链接失败 : " + address);
      break;
    case platform::HttpResult::Failure::kNone:
      break;
  }
}

std::optional<std::string> FetchServiceText(const std::string& address, ClientSession& session) {
  ServiceAnswer answer = RequestServiceText(address);
  if (answer.failure != platform::HttpResult::Failure::kNone) {
    ReportServiceFailure(answer.failure, address, session);
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

void QueryDownloadableFonts(const std::vector<std::string>& names, ClientSession& session) {
  GetDownloadPath(FontQueryAddress(names, session), session);
}

std::vector<std::vector<std::string>> ParseFontQueryAnswer(std::string answer,
                                                           const std::string& baseAddress) {
  // The answer uses no escapes: a backslash in a path is a folder separator.
  for (char& c : answer) {
    if (c == '\\') c = '/';
  }
  Json::Value parsed;
  Json::CharReaderBuilder builder;
  std::istringstream stream(answer);
  std::string errors;
  Json::parseFromStream(builder, stream, &parsed, &errors);  // what came before an error is kept
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

void GetDownloadPath(const std::string& address, ClientSession& session) {
  WriteLog("GetDownloadPath bein : " + address);
  session.m_downloadPaths.clear();
  std::optional<std::string> answer = FetchServiceText(address, session);
  if (!answer) return;
  session.m_downloadPaths = ParseFontQueryAnswer(std::move(*answer), session.baseAddress());
  WriteLog("GetDownloadPath end");
}

}  // namespace tessaro
