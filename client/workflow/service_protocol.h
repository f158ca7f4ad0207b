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

// Why a request to the service gave no answer the client can use. Only a complete answer with a
// success status (HTTP 2xx) is an answer: an error page is no answer.
enum class ServiceFailure {
  kNone,
  kSession,      // the HTTP machinery could not be set up
  kUnreachable,  // no answer: bad address, unknown host, connection refused
  kTimedOut,     // no answer, or not all of it, within the time bounds
  kStatus,       // an answer that is no success: `status` holds its HTTP status
  kBroken,       // the answer broke off before its end
  kTooLarge,     // an answer longer than kMaxServiceAnswerBytes
};

// The time bounds of a service request: the answers are small and a user waits for them. Font
// files and update archives are downloads, with the download bounds.
inline constexpr platform::HttpTimeouts kServiceTimeouts{5, 10, 30};
// The start-up update check runs before the window is shown, so it is never long.
inline constexpr platform::HttpTimeouts kStartupCheckTimeouts{3, 5, 8};
// The longest answer the client reads: font-query and update answers are a few kilobytes, and
// a longer one is not held in memory.
inline constexpr std::size_t kMaxServiceAnswerBytes = 1 << 20;

// The outcome of one request: its body as ANSI text, or why there is none.
struct ServiceAnswer {
  ServiceFailure failure = ServiceFailure::kNone;
  long status = 0;   // the HTTP status of the answer, 0 without one
  std::string text;  // the body (kNone only)
};

// Requests `address` within `timeouts`; reports nothing.
ServiceAnswer RequestServiceText(const std::string& address,
                                 const platform::HttpTimeouts& timeouts = kServiceTimeouts);

// What the user is told when a request gave no answer: "Session 创建失败", or "无法访问 Tessaro网
// (<host>)" followed by the reason when one is known (": HTTP 404", ": 超时", ": 回答不完整",
// ": 回答太大").
std::string ServiceFailureMessage(const ServiceAnswer& answer, const std::string& serviceHost);

// Shows and logs the failure of a request to `address`: the message of ServiceFailureMessage,
// and "Session 创建失败" or "访问链接失败 : <address>" with the reason in parentheses in the log.
void ReportServiceFailure(const ServiceAnswer& answer, const std::string& address,
                          ClientSession& session);

// Requests `address` and returns its body as ANSI text. When there is no answer, shows and logs
// the failure (ReportServiceFailure) and returns nullopt. The body is kept in memory (no file is
// written).
std::optional<std::string> FetchServiceText(const std::string& address, ClientSession& session);

// The encoded font-query address for `names` (each followed by a comma).
std::string FontQueryAddress(const std::vector<std::string>& names, const ClientSession& session);

// Sends the names to the service and refills session.m_downloadPaths with its answer. True when
// the answer holds one entry per name. An answer with another number of entries is reported
// ("无法访问 Tessaro网 (<host>): 回答与查询不符") and leaves the table empty, as no answer does.
bool QueryDownloadableFonts(const std::vector<std::string>& names, ClientSession& session);

// Requests the encoded font-query `address` and refills session.m_downloadPaths: entry k holds
// the full addresses of member "k"'s "dl" paths. Returns false, with the table empty, when the
// service gave no answer (reported by FetchServiceText).
bool GetDownloadPath(const std::string& address, ClientSession& session);

// The buffer through which an address reaches a window's browser, its terminating NUL included.
inline constexpr std::size_t kBrowserAddressSize = 260;

// The form in which a window hands an address to its browser: the NUL-terminated ANSI text in
// `buffer` (kBrowserAddressSize bytes) is converted to UTF-8 in place (AnsiToUtf8), and returned
// percent-encoded (UrlEncode).
std::string BrowserAddress(char* buffer);

// The encoded address of the service's page for the font `name` (ANSI text): base +
// "/fontlistPc.aspx?fn=" + name + "&fz=1" through a kBrowserAddressSize buffer (BrowserAddress).
// Empty when the address does not fit in the buffer, as ANSI text or as UTF-8: cut, it would
// name another font, or lose "&fz=1".
std::string PreviewAddress(const std::string& name, const ClientSession& session);

// What a window says when a font's preview address does not fit (PreviewAddress is empty).
inline constexpr const char* kPreviewNameTooLong = "字体名太长，无法预览";

// Parses a font-query answer (ANSI text) into download-path entries, as GetDownloadPath does.
std::vector<std::vector<std::string>> ParseFontQueryAnswer(std::string answer,
                                                           const std::string& baseAddress);

}  // namespace tessaro
