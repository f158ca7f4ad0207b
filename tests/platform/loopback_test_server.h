// The tests' HTTP server (tests/test_server.h) where cpp-httplib cannot be linked, as on Windows:
// the part of cpp-httplib's server interface that the tests use, served by the loopback server
// of the contract suites. Routes are registered with Get(pattern, handler), the pattern a regular
// expression for the whole path, tried in the order given; a request sees its path, its decoded
// query parameters, its headers and the pattern's groups, and its handler fills a response: a
// status, a body, a body made by a content provider piece by piece, a redirection.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/platform/loopback_http_server.h"

namespace tessaro_test {

namespace loopback_httplib {

// What a content provider writes the next piece of the body into.
class DataSink {
 public:
  explicit DataSink(std::string& out) : out_(out) {}
  bool write(const char* data, std::size_t size) {
    out_.append(data, size);
    return true;
  }
  // The body is complete (a chunked body: its last chunk follows).
  void done() { done_ = true; }
  bool is_done() const { return done_; }

 private:
  std::string& out_;
  bool done_ = false;
};

// Writes the body from `offset` on (at most `length` bytes) into the sink; false ends the answer.
using ContentProvider = std::function<bool(std::size_t offset, std::size_t length, DataSink&)>;
// Writes the next piece of a body of no declared length, from `offset` on, into the sink and
// calls its done() after the last one; false ends the answer where it is.
using ChunkedContentProvider = std::function<bool(std::size_t offset, DataSink&)>;

struct Request {
  std::string path;                                // without the query
  std::string target;                              // as the request line has it
  std::multimap<std::string, std::string> params;  // the query, percent-decoded
  std::map<std::string, std::string> headers;      // names in lower case
  std::smatch matches;                             // the route pattern's match of `path`

  std::string get_header_value(std::string name) const {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
  }
  bool has_param(const std::string& key) const { return params.count(key) != 0; }
  std::string get_param_value(const std::string& key) const {
    auto it = params.find(key);
    return it == params.end() ? std::string() : it->second;
  }
};

struct Response {
  int status = 200;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::size_t providedLength = 0;
  ContentProvider provider;
  ChunkedContentProvider chunkedProvider;

  void set_header(const std::string& name, const std::string& value) {
    headers.emplace_back(name, value);
  }
  void set_content(const std::string& content, const std::string& type) {
    body = content;
    set_header("Content-Type", type);
  }
  void set_content_provider(std::size_t length, const std::string& type, ContentProvider make) {
    providedLength = length;
    provider = std::move(make);
    set_header("Content-Type", type);
  }
  // The body in chunks (Transfer-Encoding: chunked), as long as `make` goes on.
  void set_chunked_content_provider(const std::string& type, ChunkedContentProvider make) {
    chunkedProvider = std::move(make);
    set_header("Content-Type", type);
  }
  void set_redirect(const std::string& url, int redirectStatus = 302) {
    set_header("Location", url);
    status = redirectStatus;
  }
};

class Server {
 public:
  using Handler = std::function<void(const Request&, Response&)>;
  void Get(const std::string& pattern, Handler handler) {
    routes_.emplace_back(std::regex(pattern), std::move(handler));
  }
  // The first route whose pattern matches the whole path, its groups in request.matches.
  const Handler* Find(Request& request) const {
    for (const auto& [pattern, handler] : routes_) {
      if (std::regex_match(request.path, request.matches, pattern)) return &handler;
    }
    return nullptr;
  }

 private:
  std::vector<std::pair<std::regex, Handler>> routes_;
};

// `text` with %XX decoded and "+" read as a space, as in a query.
inline std::string DecodeQueryText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out.push_back(' ');
    } else if (text[i] == '%' && i + 2 < text.size() &&
               std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace loopback_httplib

}  // namespace tessaro_test

// The tests name these types as cpp-httplib's.
namespace httplib = tessaro_test::loopback_httplib;

namespace tessaro_test {

// An HTTP server on 127.0.0.1 with a free port, run on threads of its own for one test.
class TestServer {
 public:
  // `routes` registers the handlers on the server before it starts listening.
  explicit TestServer(const std::function<void(httplib::Server&)>& routes = {})
      : routes_(MakeRoutes(routes)),
        server_({},
                [this](const platform_contract::HttpRequest& request) { return Answer(request); }) {
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const {
    const std::string url = server_.Url("");
    return std::stoi(url.substr(url.rfind(':') + 1));
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port()); }
  std::string Url(const std::string& path) const { return "http://" + host() + path; }
  // The paths requested so far, each with its decoded query ("/a?q=Arial,").
  std::vector<std::string> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  static httplib::Server MakeRoutes(const std::function<void(httplib::Server&)>& routes) {
    httplib::Server server;
    if (routes) routes(server);
    return server;
  }

  platform_contract::HttpAnswer Answer(const platform_contract::HttpRequest& raw) {
    httplib::Request request;
    request.path = raw.path;
    request.target = raw.target;
    request.headers = raw.headers;
    const std::size_t question = raw.target.find('?');
    std::string recorded = raw.path;
    if (question != std::string::npos) {
      std::string query = raw.target.substr(question + 1);
      for (std::size_t start = 0; start <= query.size();) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (!pair.empty()) {
          request.params.emplace(httplib::DecodeQueryText(pair.substr(0, equals)),
                                 equals == std::string::npos
                                     ? std::string()
                                     : httplib::DecodeQueryText(pair.substr(equals + 1)));
        }
        start = end + 1;
      }
      if (!request.params.empty()) {
        recorded += "?";
        for (const auto& [key, value] : request.params) recorded += key + "=" + value;
      }
    }
    {
      // Recorded before the answer is sent, so a test sees every request its call made.
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(recorded);
    }
    platform_contract::HttpAnswer answer{404, "", {}};
    const httplib::Server::Handler* handler = routes_.Find(request);
    if (handler == nullptr) return answer;
    httplib::Response response;
    (*handler)(request, response);
    answer.status = response.status;
    answer.body = response.body;
    answer.headers = response.headers;
    if (response.provider) {
      answer.headers.emplace_back("Content-Length", std::to_string(response.providedLength));
      auto offset = std::make_shared<std::size_t>(0);
      answer.produce = [provider = response.provider, length = response.providedLength,
                        offset](std::string& piece) {
        if (*offset >= length) return false;
        httplib::DataSink sink(piece);
        if (!provider(*offset, length - *offset, sink)) return false;
        *offset += piece.size();
        return !piece.empty();
      };
    }
    if (response.chunkedProvider) {
      answer.headers.emplace_back("Transfer-Encoding", "chunked");
      auto offset = std::make_shared<std::size_t>(0);
      auto finished = std::make_shared<bool>(false);
      answer.produce = [provider = response.chunkedProvider, offset,
                        finished](std::string& piece) {
        if (*finished) return false;
        std::string data;
        httplib::DataSink sink(data);
        if (!provider(*offset, sink)) return false;
        *offset += data.size();
        if (!data.empty()) {
          char size[32];
          std::snprintf(size, sizeof size, "%zx\r\n", data.size());
          piece = size + data + "\r\n";
        }
        if (sink.is_done()) {
          piece += "0\r\n\r\n";
          *finished = true;
        }
        return true;
      };
    }
    return answer;
  }

  httplib::Server routes_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  // Every path goes to Answer (its own table stays empty). Last: it stops before the routes go.
  platform_contract::LoopbackHttpServer server_;
};

// A port on 127.0.0.1 on which nobody listens: connections to it are refused. (A port that
// was free a moment ago; bound once and closed again, so another program is unlikely to take it.)
inline int RefusingPort() {
  const std::string host = platform_contract::UnreachableHost();
  return std::stoi(host.substr(host.rfind(':') + 1));
}

// A host on which nothing listens.
inline std::string UnreachableHost() { return platform_contract::UnreachableHost(); }

}  // namespace tessaro_test
