#include "loopback_service.h"

namespace tessaro_win32_test {
namespace {

using platform_contract::HttpAnswer;
using platform_contract::HttpRequest;

// The value of `name` in a query ("a=1&b=2"), still encoded; empty when absent.
std::string QueryValue(const std::string& query, const std::string& name) {
  std::size_t at = 0;
  while (at <= query.size()) {
    std::size_t end = query.find('&', at);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(at, end - at);
    if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
    at = end + 1;
  }
  return {};
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  auto hex = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
  };
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
      i += 2;
    } else {
      decoded.push_back(text[i]);
    }
  }
  return decoded;
}

LoopbackService::LoopbackService()
    : queried_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      server_({{"/s/api/PCDownloadFonts.ashx",
                [this](const HttpRequest& request) { return FontQueryOrUpdate(request); }},
               {"/",
                [](const HttpRequest&) {
                  return HttpAnswer{200, "<html><body><h1>Tessaro</h1></body></html>", {}};
                }}}),
      host_(server_.Url("").substr(std::string("http://").size())),
      hostVariable_("TESSARO_SERVICE_HOST", host_) {}

LoopbackService::~LoopbackService() {
  OpenGate();
  CloseHandle(queried_);
}

std::vector<std::string> LoopbackService::requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::vector<std::string> LoopbackService::fontQueries() {
  std::vector<std::string> queries;
  for (const std::string& request : requests()) {
    if (request.find("?q=") != std::string::npos) queries.push_back(request);
  }
  return queries;
}

void LoopbackService::CloseGate() {
  std::lock_guard<std::mutex> lock(mutex_);
  gateOpen_ = false;
  ResetEvent(queried_);
}

void LoopbackService::OpenGate() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    gateOpen_ = true;
  }
  gateChanged_.notify_all();
}

HttpAnswer LoopbackService::FontQueryOrUpdate(const HttpRequest& request) {
  std::unique_lock<std::mutex> lock(mutex_);
  requests_.push_back(request.path + "?" + PercentDecode(request.query));
  if (request.query.rfind("u=", 0) == 0) return HttpAnswer{200, updateAnswer, {}};
  SetEvent(queried_);
  gateChanged_.wait(lock, [this] { return gateOpen_; });
  // The names, each followed by a comma.
  const std::string names = PercentDecode(QueryValue(request.query, "q"));
  std::string json = "{";
  std::size_t at = 0;
  for (int k = 0; at < names.size(); ++k) {
    std::size_t end = names.find(',', at);
    if (end == std::string::npos) end = names.size();
    const std::string name = names.substr(at, end - at);
    json += (k > 0 ? ",\"" : "\"") + std::to_string(k) + "\":{\"dl\":[";
    auto offer = catalogue.find(name);
    if (offer != catalogue.end()) {
      for (std::size_t i = 0; i < offer->second.size(); ++i) {
        json += (i > 0 ? ",\"" : "\"") + offer->second[i] + "\"";
      }
    }
    json += "]}";
    at = end + 1;
  }
  return HttpAnswer{200, json + "}", {}};
}

}  // namespace tessaro_win32_test
