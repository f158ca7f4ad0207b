// An HTTP server on 127.0.0.1 with a free port, run on its own thread for one test: cpp-httplib's
// server, or where it cannot be linked (Windows) the loopback server with the part of its
// interface that the tests use.
#pragma once

#ifdef _WIN32
#include "tests/platform/loopback_test_server.h"
#else

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessaro_test {

class TestServer {
 public:
  // `routes` registers the handlers on the server before it starts listening.
  explicit TestServer(const std::function<void(httplib::Server&)>& routes = {}) {
    if (routes) routes(server_);
    // Recorded before the answer is sent, so a test sees every request its call made.
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard<std::mutex> lock(mutex_);
      std::string target = request.path;
      if (!request.params.empty()) {
        target += "?";
        for (const auto& [key, value] : request.params) target += key + "=" + value;
      }
      requests_.push_back(target);
      return httplib::Server::HandlerResponse::Unhandled;
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    server_.stop();
    thread_.join();
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Url(const std::string& path) const { return "http://" + host() + path; }
  // The paths requested so far, each with its decoded query ("/a?q=Arial,").
  std::vector<std::string> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

// A port on 127.0.0.1 on which nobody listens: connections to it are refused. (A port that
// was free a moment ago; bound once and closed again, so another program is unlikely to take it.)
inline int RefusingPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

// A host on which nothing listens.
inline std::string UnreachableHost() { return "127.0.0.1:" + std::to_string(RefusingPort()); }

}  // namespace tessaro_test

#endif  // _WIN32
