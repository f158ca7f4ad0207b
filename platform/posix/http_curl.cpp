// HTTP GET for POSIX systems through libcurl's easy interface.

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/http.h"

namespace platform {
namespace {

constexpr long kMaxRedirections = 20;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

struct Transfer {
  CURL* easy = nullptr;
  const BodySink* sink = nullptr;
  bool sinkRefused = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  std::size_t bytes = size * count;
  long status = 0;
  curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
  // The body of a redirection that is being followed is of no interest.
  if (status >= 300 && status <= 399) return bytes;
  if (!(*transfer->sink)(status, data, bytes)) {
    transfer->sinkRefused = true;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  return bytes;
}

void InitCurlOnce() {
  // curl_global_init is not thread-safe in every libcurl; it runs once for the whole process.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

TransferResult FetchBody(const std::string& url, const std::string& agent, const BodySink& sink,
                         const HttpTimeouts& timeouts) {
  TransferResult result;
  InitCurlOnce();
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return result;
  result.started = true;
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
      curl_slist_append(nullptr, "Cache-Control: no-cache"), &curl_slist_free_all);
  Transfer transfer{easy.get(), &sink};
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirections);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
  // Slower than the least speed for the stall time (by default: nothing arrives): given up.
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, std::max(1L, timeouts.minBytesPerSecond));
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
  curl_easy_setopt(e, CURLOPT_TIMEOUT, timeouts.totalSeconds);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
  // Proxies: libcurl reads http_proxy, https_proxy, all_proxy and no_proxy itself when no proxy
  // is set here. It keeps no cache of answers, so nothing is stored but the file itself.
  CURLcode code = curl_easy_perform(e);
  long status = 0;
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  result.answered = status != 0;
  result.status = status;
  result.complete = code == CURLE_OK && !transfer.sinkRefused;
  // The low-speed abort ends a transfer with CURLE_OPERATION_TIMEDOUT too.
  result.timedOut = code == CURLE_OPERATION_TIMEDOUT;
  return result;
}

}  // namespace platform
