// HTTP GET: bodies handed on piece by piece (downloads), or held in memory (service answers).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Receives each piece of the final answer's body with that answer's HTTP status, in order, as
// it arrives. Returning false ends the transfer at once.
using BodySink = std::function<bool(long status, const char* data, std::size_t size)>;

// The time bounds of one transfer. By default the connection must be made within 30 seconds,
// and the transfer goes on as long as some bytes keep arriving.
struct HttpTimeouts {
  long connectSeconds = 30;  // to make the connection (name lookup included)
  // The transfer is given up when fewer than minBytesPerSecond * stallSeconds bytes arrived in
  // stallSeconds (the answer's head or its body). With 1 byte a second, when nothing arrives.
  long stallSeconds = 60;
  long totalSeconds = 0;  // for the whole transfer; 0: no bound
  long minBytesPerSecond = 1;
};

struct TransferResult {
  bool started = false;   // the HTTP machinery could be set up
  bool answered = false;  // an answer (status line and headers) arrived
  long status = 0;        // its HTTP status; bodies of redirections that were followed are dropped
  bool complete = false;  // the whole body arrived and the sink took every piece
  bool timedOut = false;  // a bound of HttpTimeouts ended the transfer
};

// GETs `url` with the user agent `agent`, following redirections (to http and https addresses
// only), with the proxies the environment names, asking caches for a fresh answer and keeping
// none; an address without a scheme is an http address. Gives up, with timedOut set, when a
// bound of `timeouts` is passed. Thread-safe.
TransferResult FetchBody(const std::string& url, const std::string& agent, const BodySink& sink,
                         const HttpTimeouts& timeouts = HttpTimeouts());

struct HttpResult {
  enum class Failure {
    kNone,     // an answer arrived (of any status)
    kSession,  // the HTTP machinery could not be set up
    kConnect,  // the address could not be reached (bad address, unknown host, refused, time-out)
  };
  Failure failure = Failure::kNone;
  long status = 0;        // the HTTP status of the answer (also of one that broke off)
  std::string body;       // the answer's body, as received
  bool timedOut = false;  // kConnect because a bound of HttpTimeouts was passed
  bool tooLarge = false;  // kConnect because the body was longer than allowed
};

inline constexpr std::size_t kNoBodyLimit = static_cast<std::size_t>(-1);

// GETs `url` as FetchBody does and returns the whole body in memory. A transfer that breaks off
// after the answer began counts as kConnect; so does a body longer than `maxBodyBytes`, of which
// no more than that is ever held (tooLarge set, the body dropped). Thread-safe.
HttpResult HttpGet(const std::string& url, const std::string& agent,
                   const HttpTimeouts& timeouts = HttpTimeouts(),
                   std::size_t maxBodyBytes = kNoBodyLimit);

}  // namespace platform
