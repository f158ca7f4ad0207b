// HTTP GET: bodies handed on piece by piece (downloads), or held in memory (service answers).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Receives each piece of the final answer's body with that answer's HTTP status, in order, as
// it arrives. Returning false ends the transfer at once.
using BodySink = std::function<bool(long status, const char* data, std::size_t size)>;

struct TransferResult {
  bool started = false;   // the HTTP machinery could be set up
  bool answered = false;  // an answer (status line and headers) arrived
  long status = 0;        // its HTTP status; bodies of redirections that were followed are dropped
  bool complete = false;  // the whole body arrived and the sink took every piece
};

// GETs `url` with the user agent `agent`, following redirections (to http and https addresses
// only), with the proxies the environment names, asking caches for a fresh answer and keeping
// none. Gives up on a connection that cannot be made within 30 seconds or that delivers nothing
// for 60 seconds. Thread-safe.
TransferResult FetchBody(const std::string& url, const std::string& agent, const BodySink& sink);

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

// GETs `url` as FetchBody does and returns the whole body in memory. A transfer that breaks off
// after the answer began counts as kConnect. Thread-safe.
HttpResult HttpGet(const std::string& url, const std::string& agent);

}  // namespace platform
