// The client side of the font service: request addresses, their encoding, and the answers.
//
// Every request is a plain HTTP GET made synchronously on the workflow's thread. Addresses are
// built as narrow (ANSI) text, converted to UTF-8 and percent-encoded; answers arrive as UTF-8 and
// are converted to ANSI text before use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "client/workflow/session.h"
#include "platform/http.h"

namespace tessaro {

// The user agent of every request the client and the engine make.
inline constexpr const char* kUserAgent = "RideZU/1.0";

// Percent-encodes every byte but the letters, the digits and & - . / : = ?, as %XX (upper case).
std::string UrlEncode(const std::string& text);

// Converts the NUL-terminated ANSI text in `buffer` to UTF-8 in place; the result stays
// NUL-terminated within `size` bytes (cut before a character that would not fit).
void AnsiToUtf8(char* buffer, std::size_t size);

// Converts UTF-8 bytes to ANSI text; characters without an ANSI form become "?".
std::string Utf8ToAnsi(const std::string& bytes);

// The outcome of one request: its body as ANSI text, or why there is none.
struct ServiceAnswer {
  platform::HttpResult::Failure failure = platform::HttpResult::Failure::kNone;
  std::string text;
};

// Requests `address`; reports nothing.
ServiceAnswer RequestServiceText(const std::string& address);

// Shows and logs the failure of a request to `address`.
void ReportServiceFailure(platform::HttpResult::Failure failure, const std::string& address,
                          ClientSession& session);

// Requests `address` and returns its body as ANSI text. When the request cannot be made, shows
// and logs failure (a) "Session 创建失败" or (b) "无法访问 Tessaro网 (<host>)" and returns nullopt.
// The body is kept in memory (no file is written).
std::optional<std::string> FetchServiceText(const std::string& address, ClientSession& session);

// The encoded font-query address for `names` (each followed by a comma).
std::string FontQueryAddress(const std::vector<std::string>& names, const ClientSession& session);

// Sends the names to the service and refills session.m_downloadPaths with its answer.
void QueryDownloadableFonts(const std::vector<std::string>& names, ClientSession& session);

// Requests the encoded font-query `address` and refills session.m_downloadPaths: entry k holds
// the full addresses of member "k"'s "dl" paths; an unreachable service leaves it empty.
void GetDownloadPath(const std::string& address, ClientSession& session);

// Parses a font-query answer (ANSI text) into download-path entries, as GetDownloadPath does.
std::vector<std::vector<std::string>> ParseFontQueryAnswer(std::string answer,
                                                           const std::string& baseAddress);

}  // namespace tessaro
