// HTTP GET for Windows through WinINet: one session per call (InternetOpenA with the system's
// proxy configuration), InternetOpenUrlA, HttpQueryInfoA and InternetReadFile. Sessions are not
// shared, so calls on several threads do not meet.
#ifdef _WIN32

#include <windows.h>

#include "platform/http.h"
// Built on <windows.h>:
#include <wininet.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {
namespace {

constexpr DWORD kConnectMilliseconds = 30 * 1000;
constexpr DWORD kStallMilliseconds = 60 * 1000;
constexpr DWORD kPieceSize = 64 * 1024;
constexpr char kRequestHeaders[] = "Cache-Control: no-cache\r\n";

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() {
    if (handle_ != nullptr) InternetCloseHandle(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

void SetTimeout(HINTERNET handle, DWORD option, DWORD milliseconds) {
  InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
}

// The answer's Content-Length, when it names one.
std::optional<std::uint64_t> ContentLength(HINTERNET request) {
  char text[32];
  DWORD size = sizeof text;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
    return std::nullopt;
  }
  std::uint64_t length = 0;
  for (DWORD i = 0; i < size; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    length = length * 10 + static_cast<std::uint64_t>(text[i] - '0');
  }
  return length;
}

}  // namespace

TransferResult FetchBody(const std::string& url, const std::string& agent, const BodySink& sink) {
  TransferResult result;
  InternetHandle session(
      InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.get() == nullptr) return result;
  result.started = true;
  // WinINet also opens ftp addresses; only http and https are fetched.
  if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return result;
  SetTimeout(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, kConnectMilliseconds);
  SetTimeout(session.get(), INTERNET_OPTION_SEND_TIMEOUT, kStallMilliseconds);
  SetTimeout(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, kStallMilliseconds);

  // A fresh answer, nothing kept in the cache, no cookies, never a dialog; redirections between
  // http and https are followed like the others.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                      INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  InternetHandle request(InternetOpenUrlA(session.get(), url.c_str(), kRequestHeaders,
                                          sizeof kRequestHeaders - 1, flags, 0));
  if (request.get() == nullptr) return result;  // no connection, or no answer on it

  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &size, nullptr)) {
    return result;
  }
  result.answered = true;
  result.status = static_cast<long>(status);
  // WinINet hands over the final answer only: the redirections it followed are behind it.

  const std::optional<std::uint64_t> expected = ContentLength(request.get());
  std::vector<char> piece(kPieceSize);
  std::uint64_t received = 0;
  while (true) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), piece.data(), kPieceSize, &read)) return result;
    if (read == 0) break;  // the end of the body
    received += read;
    if (!sink(result.status, piece.data(), read)) return result;
  }
  // A connection closed early looks like the end of the body: the length tells them apart.
  result.complete = !expected || *expected == received;
  return result;
}

}  // namespace platform

#endif  // _WIN32
