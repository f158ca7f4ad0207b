// The HTTP primitive under DownloadToFolder: one GET whose body is handed on piece by piece.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace corvid {

// Receives each piece of the final answer's body with that answer's HTTP status, in order, as
// it arrives. Returning false ends the transfer at once.
using BodySink = std::function<bool(long status, const char* data, std::size_t size)>;

struct TransferResult {
  bool answered = false;  // an answer (status line and headers) arrived
  long status = 0;        // its HTTP status; bodies of redirections that were followed are dropped
  bool complete = false;  // the whole body arrived and the sink took every piece
};

// GETs `url` with the agent "RideZU/1.0", following redirections (to http and https addresses
// only), with the proxies the environment names and no cache. Gives up on a connection that
// cannot be made within 30 seconds or that delivers nothing for 60 seconds. Thread-safe.
TransferResult FetchBody(const std::string& url, const BodySink& sink);

}  // namespace corvid
