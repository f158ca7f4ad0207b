#include "platform/http.h"

namespace platform {

HttpResult HttpGet(const std::string& url, const std::string& agent, const HttpTimeouts& timeouts,
                   std::size_t maxBodyBytes) {
  HttpResult result;
  TransferResult transfer = FetchBody(
      url, agent,
      [&](long, const char* data, std::size_t size) {
        if (size > maxBodyBytes - result.body.size()) {
          result.tooLarge = true;
          return false;
        }
        result.body.append(data, size);
        return true;
      },
      timeouts);
  result.status = transfer.status;
  result.timedOut = transfer.timedOut;
  if (!transfer.started) {
    result.failure = HttpResult::Failure::kSession;
  } else if (!transfer.complete) {
    result.failure = HttpResult::Failure::kConnect;
  }
  if (result.failure != HttpResult::Failure::kNone) result.body.clear();
  return result;
}

}  // namespace platform
