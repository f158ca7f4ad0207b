// A small HTTP/1.1 server on 127.0.0.1 with a free port, for the HTTP contract suite and, on
// Windows, for every test's server (tests/platform/loopback_test_server.h): it builds on POSIX
// and on Windows alike (Debian's cpp-httplib keeps its code in a Linux library, which
// no mingw build can link). One GET per connection, answered with a Content-Length and
// "Connection: close"; each connection on a thread of its own.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace platform_contract {

namespace loopback {

#ifdef _WIN32
using Socket = SOCKET;
inline const Socket kNoSocket = INVALID_SOCKET;
inline void CloseSocket(Socket socket) { closesocket(socket); }
constexpr int kSendFlags = 0;
constexpr int kShutdownSend = SD_SEND;
// Winsock is started once and left running: the test program ends before it would matter.
inline bool StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
inline void CloseSocket(Socket socket) { close(socket); }
constexpr int kSendFlags = MSG_NOSIGNAL;  // a client that left must not end the test program
constexpr int kShutdownSend = SHUT_WR;
inline bool StartSockets() { return true; }
#endif

// A TCP socket bound to 127.0.0.1 and a free port; kNoSocket when none could be made.
inline Socket BindLoopback(int& port) {
  if (!StartSockets()) return kNoSocket;
  Socket socket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socket == kNoSocket) return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    CloseSocket(socket);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return socket;
}

}  // namespace loopback

struct HttpRequest {
  std::string target;                          // as the request line has it, query included
  std::string path;                            // without the query
  std::string query;                           // after the "?", as sent; empty without one
  std::map<std::string, std::string> headers;  // names in lower case

  std::string Header(const std::string& lowerCaseName) const {
    auto it = headers.find(lowerCaseName);
    return it == headers.end() ? std::string() : it->second;
  }
};

struct HttpAnswer {
  int status = 200;
  std::string body;
  // Sent as they are; a Content-Length among them replaces the body's own (an answer that
  // promises more than it sends), a Transfer-Encoding leaves it out (the body frames itself).
  std::vector<std::pair<std::string, std::string>> headers;
  // When not zero, the body goes out one byte at a time with this pause before each byte.
  std::chrono::milliseconds trickle{0};
  // When set, the body is made piece by piece after the headers (the body above is not sent): each
  // call puts the next piece into its argument and returns true, or returns false when the
  // answer ends (with the Content-Length of `headers` unmet if it promised more).
  std::function<bool(std::string&)> produce = nullptr;
};

using HttpRoute = std::function<HttpAnswer(const HttpRequest&)>;

class LoopbackHttpServer {
 public:
  // Serves `routes` by path; other paths are answered by `others`, or 404 without it.
  explicit LoopbackHttpServer(std::map<std::string, HttpRoute> routes, HttpRoute others = {})
      : routes_(std::move(routes)), others_(std::move(others)) {
    listener_ = loopback::BindLoopback(port_);
    if (listener_ != loopback::kNoSocket && listen(listener_, 16) == 0) {
      acceptor_ = std::thread([this] { AcceptAll(); });
    }
  }
  ~LoopbackHttpServer() {
    if (acceptor_.joinable()) {
      stopping_ = true;
      // A connection of its own wakes the acceptor, which sees that it is to stop.
      int ignored = 0;
      loopback::Socket wake = loopback::BindLoopback(ignored);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<unsigned short>(port_));
      if (wake != loopback::kNoSocket) {
        connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof address);
      }
      acceptor_.join();
      if (wake != loopback::kNoSocket) loopback::CloseSocket(wake);
    }
    if (listener_ != loopback::kNoSocket) loopback::CloseSocket(listener_);
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::thread& connection : connections_) connection.join();
  }
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  void AcceptAll() {
    while (true) {
      loopback::Socket client = accept(listener_, nullptr, nullptr);
      if (stopping_ || client == loopback::kNoSocket) {
        if (client != loopback::kNoSocket) loopback::CloseSocket(client);
        if (stopping_) return;
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      connections_.emplace_back([this, client] { Serve(client); });
    }
  }

  void Serve(loopback::Socket client) {
    std::string received;
    char buffer[4096];
    while (received.find("\r\n\r\n") == std::string::npos && received.size() < 65536) {
      int n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
    HttpRequest request;
    std::size_t lineEnd = received.find("\r\n");
    std::size_t methodEnd = received.find(' ');
    std::size_t targetEnd =
        methodEnd == std::string::npos ? std::string::npos : received.find(' ', methodEnd + 1);
    if (lineEnd != std::string::npos && targetEnd != std::string::npos && targetEnd < lineEnd) {
      request.target = received.substr(methodEnd + 1, targetEnd - methodEnd - 1);
      const std::size_t question = request.target.find('?');
      request.path = request.target.substr(0, question);
      if (question != std::string::npos) request.query = request.target.substr(question + 1);
      std::size_t at = lineEnd + 2;
      while (true) {
        std::size_t end = received.find("\r\n", at);
        if (end == std::string::npos || end == at) break;
        std::string line = received.substr(at, end - at);
        std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
          std::string name = line.substr(0, colon);
          std::transform(name.begin(), name.end(), name.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
          std::size_t value = line.find_first_not_of(' ', colon + 1);
          request.headers[name] = value == std::string::npos ? "" : line.substr(value);
        }
        at = end + 2;
      }
    }
    HttpAnswer answer{404, "not found", {}};
    auto route = routes_.find(request.path);
    if (route != routes_.end()) {
      answer = route->second(request);
    } else if (others_) {
      answer = others_(request);
    }
    std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) +
                        "\r\nConnection: close\r\n";
    bool lengthGiven = false;
    for (const auto& [name, value] : answer.headers) {
      reply += name + ": " + value + "\r\n";
      lengthGiven = lengthGiven || name == "Content-Length" || name == "Transfer-Encoding";
    }
    if (!lengthGiven) reply += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    reply += "\r\n";
    if (answer.produce) {
      std::string piece;
      for (bool more = SendAll(client, reply); more && answer.produce(piece); piece.clear()) {
        more = SendAll(client, piece);
      }
    } else if (answer.trickle.count() == 0) {
      reply += answer.body;
      SendAll(client, reply);
    } else if (SendAll(client, reply)) {
      for (char byte : answer.body) {
        std::this_thread::sleep_for(answer.trickle);
        if (!SendAll(client, std::string(1, byte))) break;
      }
    }
    shutdown(client, loopback::kShutdownSend);
    loopback::CloseSocket(client);
  }

  // False when the client went away.
  static bool SendAll(loopback::Socket client, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      int n = send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent),
                   loopback::kSendFlags);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  static const char* Reason(int status) {
    switch (status) {
      case 200:
        return "OK";
      case 301:
        return "Moved Permanently";
      case 302:
        return "Found";
      case 404:
        return "Not Found";
      default:
        return "Status";
    }
  }

  const std::map<std::string, HttpRoute> routes_;
  const HttpRoute others_;
  loopback::Socket listener_ = loopback::kNoSocket;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> connections_;
};

// "127.0.0.1:<port>" on which nobody listens, so that connections are refused: a port that was
// free a moment ago, bound once and closed again.
inline std::string UnreachableHost() {
  int port = 0;
  loopback::Socket socket = loopback::BindLoopback(port);
  if (socket != loopback::kNoSocket) loopback::CloseSocket(socket);
  return "127.0.0.1:" + std::to_string(port);
}

}  // namespace platform_contract
