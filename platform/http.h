// HTTP GET of small texts (service answers) held in memory.
#pragma once

#include <string>

namespace platform {

struct HttpResult {
  enum class Failure {
    kNone,     // an answer arrived (of any status)
    kSession,  // the HTTP machinery could not be set up
    kConnect,  // the address could not be reached (bad address, unknown host, refused, time-out)
  };
  Failure failure = Failure::kNone;
  long status = 0;   // the HTTP status of the answer
  std::string body;  // the answer's body, as received
};

// GETs `url` with the user agent `agent`, following redirects and using the proxies of the
// environment, asking caches for a fresh answer. The whole body is returned in memory. A transfer
// that breaks off after the answer began counts as kConnect. Thread-safe.
HttpResult HttpGet(const std::string& url, const std::string& agent);

}  // namespace platform
