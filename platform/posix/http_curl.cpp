// HTTP GET for POSIX systems through libcurl's easy interface, loaded on the first transfer.
//
// libcurl brings some thirty libraries of its own (TLS, name resolution, compression, ...).
// Linked into the program they cost every start about 6 ms, a third of a `tessaro scan` that
// never goes online, and the engine's document analysis as much; loaded with dlopen on the
// first request they cost only the runs that use the network.

#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <memory>

#include "platform/http.h"

namespace platform {
namespace {

constexpr long kMaxRedirections = 20;

// The functions of libcurl this backend calls.
struct CurlApi {
  decltype(&curl_global_init) globalInit = nullptr;
  decltype(&curl_easy_init) easyInit = nullptr;
  decltype(&curl_easy_cleanup) easyCleanup = nullptr;
  CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
  decltype(&curl_easy_perform) easyPerform = nullptr;
  decltype(&curl_slist_append) slistAppend = nullptr;
  decltype(&curl_slist_free_all) slistFreeAll = nullptr;
};

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

// libcurl, loaded and initialised once for the whole process (curl_global_init is not
// thread-safe in every libcurl); null when it cannot be loaded. It stays loaded.
const CurlApi* Curl() {
  static const CurlApi* const api = []() -> const CurlApi* {
    void* library = dlopen(TESSARO_CURL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static CurlApi loaded;
    if (!Resolve(library, "curl_global_init", loaded.globalInit) ||
        !Resolve(library, "curl_easy_init", loaded.easyInit) ||
        !Resolve(library, "curl_easy_cleanup", loaded.easyCleanup) ||
        !Resolve(library, "curl_easy_setopt", loaded.easySetopt) ||
        !Resolve(library, "curl_easy_getinfo", loaded.easyGetinfo) ||
        !Resolve(library, "curl_easy_perform", loaded.easyPerform) ||
        !Resolve(library, "curl_slist_append", loaded.slistAppend) ||
        !Resolve(library, "curl_slist_free_all", loaded.slistFreeAll) ||
        loaded.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      return nullptr;
    }
    return &loaded;
  }();
  return api;
}

struct EasyDeleter {
  void operator()(CURL* easy) const { Curl()->easyCleanup(easy); }
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
  Curl()->easyGetinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
  // The body of a redirection that is being followed is of no interest.
  if (status >= 300 && status <= 399) return bytes;
  if (!(*transfer->sink)(status, data, bytes)) {
    transfer->sinkRefused = true;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  return bytes;
}

}  // namespace

TransferResult FetchBody(const std::string& url, const std::string& agent, const BodySink& sink,
                         const HttpTimeouts& timeouts) {
  TransferResult result;
  const CurlApi* curl = Curl();
  if (curl == nullptr) return result;
  std::unique_ptr<CURL, EasyDeleter> easy(curl->easyInit());
  if (!easy) return result;
  result.started = true;
  std::unique_ptr<curl_slist, decltype(curl->slistFreeAll)> headers(
      curl->slistAppend(nullptr, "Cache-Control: no-cache"), curl->slistFreeAll);
  Transfer transfer{easy.get(), &sink};
  CURL* e = easy.get();
  curl->easySetopt(e, CURLOPT_URL, url.c_str());
  curl->easySetopt(e, CURLOPT_USERAGENT, agent.c_str());
  curl->easySetopt(e, CURLOPT_HTTPHEADER, headers.get());
  curl->easySetopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl->easySetopt(e, CURLOPT_MAXREDIRS, kMaxRedirections);
  curl->easySetopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl->easySetopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl->easySetopt(e, CURLOPT_NOSIGNAL, 1L);
  curl->easySetopt(e, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
  // Slower than the least speed for the stall time (by default: nothing arrives): given up.
  curl->easySetopt(e, CURLOPT_LOW_SPEED_LIMIT, std::max(1L, timeouts.minBytesPerSecond));
  curl->easySetopt(e, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
  curl->easySetopt(e, CURLOPT_TIMEOUT, timeouts.totalSeconds);
  curl->easySetopt(e, CURLOPT_WRITEFUNCTION, &OnBody);
  curl->easySetopt(e, CURLOPT_WRITEDATA, &transfer);
  // Proxies: libcurl reads http_proxy, https_proxy, all_proxy and no_proxy itself when no proxy
  // is set here. It keeps no cache of answers, so nothing is stored but the file itself.
  CURLcode code = curl->easyPerform(e);
  long status = 0;
  curl->easyGetinfo(e, CURLINFO_RESPONSE_CODE, &status);
  result.answered = status != 0;
  result.status = status;
  result.complete = code == CURLE_OK && !transfer.sinkRefused;
  // The low-speed abort ends a transfer with CURLE_OPERATION_TIMEDOUT too.
  result.timedOut = code == CURLE_OPERATION_TIMEDOUT;
  return result;
}

}  // namespace platform
