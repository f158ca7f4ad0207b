// tessaro-service: a stand-in for the vendor's font service, for tests and demonstrations.
//
//   tessaro-service --catalog DIR --port N
//
// Serves the catalogue in DIR (see catalog.h) on http://127.0.0.1:N, on loopback only; port 0
// takes a free port. The first line on stdout, flushed at once, is "listening on
// http://127.0.0.1:PORT"; then one line per request goes to stderr. SIGINT or SIGTERM stops it.
// Exit codes: 0 after a stop, 1 when the port cannot be bound, 2 for a bad command line or
// catalogue.

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "service/catalog.h"
#include "service/font_service.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoPort = 1;
constexpr int kExitBadInput = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: tessaro-service --catalog DIR --port N\n"
      "  Serves the font catalogue DIR (DIR/catalog.json and the files it names) on\n"
      "  http://127.0.0.1:N; --port 0 takes a free port. The first line of output names the\n"
      "  address; each request is logged on stderr.\n",
      out);
}

int BadCommandLine(const std::string& message) {
  std::fprintf(stderr, "tessaro-service: %s\n", message.c_str());
  PrintUsage(stderr);
  return kExitBadInput;
}

std::optional<int> ParsePort(std::string_view text) {
  int port = -1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> catalogDir;
  std::optional<int> port;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (arg != "--catalog" && arg != "--port")
      return BadCommandLine("unknown argument " + std::string(arg));
    if (i + 1 >= argc) return BadCommandLine(std::string(arg) + " needs a value");
    const std::string_view value = argv[++i];
    if (arg == "--catalog") {
      catalogDir = std::string(value);
    } else if (!(port = ParsePort(value))) {
      return BadCommandLine("--port wants a number from 0 to 65535, not \"" + std::string(value) +
                            "\"");
    }
  }
  if (!catalogDir) return BadCommandLine("--catalog DIR is required");
  if (!port) return BadCommandLine("--port N is required (0 for a free port)");

  std::string error;
  std::optional<tessaro::service::Catalog> catalog =
      tessaro::service::LoadCatalog(*catalogDir, &error);
  if (!catalog) {
    std::fprintf(stderr, "tessaro-service: %s\n", error.c_str());
    return kExitBadInput;
  }

  // SIGINT and SIGTERM are taken by a thread of their own, which stops the server cleanly; the
  // request threads inherit the blocked mask. A client that goes away must not end the process.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  tessaro::service::FontService service(std::move(*catalog));
  const int bound = service.Bind(*port);
  if (bound < 0) {
    std::fprintf(stderr, "tessaro-service: cannot listen on 127.0.0.1:%d: %s\n", *port,
                 std::strerror(errno));
    return kExitNoPort;
  }
  std::printf("listening on http://127.0.0.1:%d\n", bound);
  std::fflush(stdout);

  std::thread([&service, stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::fprintf(stderr, "tessaro-service: stopping (%s)\n", strsignal(signal));
    service.Stop();
  }).detach();

  if (!service.Run()) {
    std::fprintf(stderr, "tessaro-service: the server stopped with an error\n");
    return kExitNoPort;
  }
  return kExitOk;
}
