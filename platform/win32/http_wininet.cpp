// HTTP GET for Windows through WinINet: one session per call (InternetOpenA with the system's
// proxy configuration), InternetConnectA, HttpOpenRequestA, HttpSendRequestA, HttpQueryInfoA and
// InternetReadFile. Sessions are not
// shared, so calls on several threads do not meet.
#ifdef _WIN32

#include <windows.h>

#include "platform/http.h"
// Built on <windows.h>:
#include <wininet.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
namespace {

constexpr DWORD kPieceSize = 64 * 1024;
// WinINet takes 0 for "no time-out" in some places and as "at once" in others: an unbounded
// wait is a very long one.
constexpr DWORD kNoBound = 0x7FFFFFFF;
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

DWORD Milliseconds(long seconds) {
  return seconds <= 0 || seconds > static_cast<long>(kNoBound / 1000)
             ? kNoBound
             : static_cast<DWORD>(seconds) * 1000;
}

// The whole transfer's bound, if it has one: how long a wait may still last.
class Deadline {
 public:
  explicit Deadline(long totalSeconds)
      : total_(Milliseconds(totalSeconds)), start_(GetTickCount64()) {}
  bool bounded() const { return total_ != kNoBound; }
  bool passed() const { return bounded() && GetTickCount64() - start_ >= total_; }
  // `wait` shortened to what is left of the bound (at least 1 ms: 0 would mean no bound).
  DWORD Limit(DWORD wait) const {
    if (!bounded()) return wait;
    const ULONGLONG elapsed = GetTickCount64() - start_;
    const ULONGLONG left = elapsed >= total_ ? 1 : total_ - elapsed;
    return static_cast<DWORD>(left < wait ? left : wait);
  }

 private:
  DWORD total_;
  ULONGLONG start_;
};

// Whether a wait that began at `start` (GetTickCount64) with the receive time-out `bound` and
// failed with `error` ended by that time-out. WinINet says ERROR_INTERNET_TIMEOUT; Wine's says
// the connection was aborted, once the time-out has passed.
bool TimedOut(DWORD error, ULONGLONG start, DWORD bound) {
  if (error == ERROR_INTERNET_TIMEOUT) return true;
  // The tick count moves in steps of up to 16 ms.
  return error == ERROR_INTERNET_CONNECTION_ABORTED && bound != kNoBound &&
         GetTickCount64() - start + 32 >= bound;
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

TransferResult FetchBody(const std::string& url, const std::string& agent, const BodySink& sink,
                         const HttpTimeouts& timeouts) {
  TransferResult result;
  const Deadline deadline(timeouts.totalSeconds);
  const DWORD stall = Milliseconds(timeouts.stallSeconds);
  InternetHandle session(
      InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.get() == nullptr) return result;
  result.started = true;
  // An address without a scheme is an http address (as curl takes it on POSIX). WinINet also
  // opens ftp addresses; only http and https are fetched.
  const std::string address = url.find("://") == std::string::npos ? "http://" + url : url;
  if (!StartsWithNoCase(address, "http://") && !StartsWithNoCase(address, "https://")) {
    return result;
  }
  SetTimeout(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT,
             deadline.Limit(Milliseconds(timeouts.connectSeconds)));
  SetTimeout(session.get(), INTERNET_OPTION_SEND_TIMEOUT, deadline.Limit(stall));
  SetTimeout(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.Limit(stall));

  // A fresh answer, nothing kept in the cache, no cookies, never a dialog; redirections between
  // http and https are followed like the others.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                      INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  // The address's parts: the request is made in steps (connection, request, sending) because
  // the time bounds must be set on the request itself, where every WinINet honours them.
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlA(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts) ||
      parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) {
    return result;
  }
  const std::string host(parts.lpszHostName, parts.dwHostNameLength);
  const std::string_view path = parts.lpszUrlPath != nullptr
                                    ? std::string_view(parts.lpszUrlPath, parts.dwUrlPathLength)
                                    : std::string_view();
  const std::string_view query =
      parts.lpszExtraInfo != nullptr
          ? std::string_view(parts.lpszExtraInfo, parts.dwExtraInfoLength)
          : std::string_view();
  std::vector<char> target(path.begin(), path.end());
  if (target.empty()) target.push_back('/');
  target.insert(target.end(), query.begin(), query.end());
  target.push_back('\0');
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  InternetHandle connection(InternetConnectA(session.get(), host.c_str(), parts.nPort, nullptr,
                                             nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (connection.get() == nullptr) return result;
  InternetHandle request(HttpOpenRequestA(connection.get(), "GET", target.data(), nullptr, nullptr,
                                          nullptr, flags | (secure ? INTERNET_FLAG_SECURE : 0), 0));
  if (request.get() == nullptr) return result;
  SetTimeout(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT,
             deadline.Limit(Milliseconds(timeouts.connectSeconds)));
  SetTimeout(request.get(), INTERNET_OPTION_SEND_TIMEOUT, deadline.Limit(stall));
  SetTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.Limit(stall));
  const DWORD sendBound = deadline.Limit(stall);
  ULONGLONG waitStart = GetTickCount64();
  if (!HttpSendRequestA(request.get(), kRequestHeaders, sizeof kRequestHeaders - 1, nullptr, 0)) {
    // No connection, or no answer on it.
    result.timedOut = TimedOut(GetLastError(), waitStart, sendBound) || deadline.passed();
    return result;
  }

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
  // The least speed, over windows of the stall time: a server that drips a byte now and then
  // keeps each single wait short, but not the window's count up.
  const ULONGLONG window = stall;
  const std::uint64_t windowBytes =
      static_cast<std::uint64_t>(timeouts.minBytesPerSecond > 1 ? timeouts.minBytesPerSecond : 1) *
      (stall / 1000);
  ULONGLONG windowStart = GetTickCount64();
  std::uint64_t receivedAtWindowStart = 0;
  while (true) {
    // Each wait for more of the body is bounded by the stall time and by what is left of the
    // whole transfer's time.
    if (deadline.bounded()) {
      SetTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.Limit(stall));
    }
    DWORD read = 0;
    const DWORD readBound = deadline.Limit(stall);
    waitStart = GetTickCount64();
    if (!InternetReadFile(request.get(), piece.data(), kPieceSize, &read)) {
      result.timedOut = TimedOut(GetLastError(), waitStart, readBound) || deadline.passed();
      return result;
    }
    if (read == 0) break;  // the end of the body
    received += read;
    if (!sink(result.status, piece.data(), read)) return result;
    if (deadline.passed()) {
      result.timedOut = true;
      return result;
    }
    if (stall != kNoBound && GetTickCount64() - windowStart >= window) {
      if (received - receivedAtWindowStart < windowBytes) {
        result.timedOut = true;
        return result;
      }
      windowStart = GetTickCount64();
      receivedAtWindowStart = received;
    }
  }
  // A connection closed early looks like the end of the body: the length tells them apart.
  result.complete = !expected || *expected == received;
  return result;
}

}  // namespace platform

#endif  // _WIN32
