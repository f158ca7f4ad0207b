// DownloadFile and the local names of downloads, against a real HTTP server on 127.0.0.1.

#include "engine/acquire/download.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/include/corvid/corvid.h"
#include "platform/environment.h"
#include "tests/test_server.h"
#include "tests/test_support.h"

#ifdef _WIN32
#include <windows.h>
// (After <windows.h>, which it needs.)
#include <psapi.h>
#endif

namespace {

using corvid::DownloadOutcome;
using tessaro_test::ListTree;
using tessaro_test::ReadFile;
using tessaro_test::ScopedEnv;
using tessaro_test::TempDir;
using tessaro_test::TestServer;
using tessaro_test::WriteFile;
using Tree = std::vector<std::string>;

// Proxies of the machine running the tests must not stand between them and their own server.
class NoProxyEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { tessaro_test::ClearProxyEnvironment(); }
};
const auto* const kNoProxy = ::testing::AddGlobalTestEnvironment(new NoProxyEnvironment);

// The byte at `offset` of the large test body: not periodic at any block size.
char BodyByte(std::size_t offset) {
  return static_cast<char>((offset * 131 + offset / 4099) & 0xFF);
}

// The peak resident memory (on Windows: working set) of this process so far, in kB.
long PeakResidentKb() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
#endif
}

int FallbackNumber(const std::string& name) {
  int number = -1;
  if (std::sscanf(name.c_str(), "_unknow_font_%d.rar", &number) != 1) return -1;
  return name == "_unknow_font_" + std::to_string(number) + ".rar" ? number : -1;
}

void ServeFont(httplib::Server& server) {
  server.Get("/fonts/a/font.rar", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content("rar:" + request.get_header_value("User-Agent"),
                         "application/octet-stream");
  });
}

TEST(DownloadTest, StoresTheBodyUnderTheLastPartOfTheAddress) {
  TestServer server(ServeFont);
  TempDir dest;
  DownloadFile(server.Url("/fonts/a/font.rar").c_str(), dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), Tree{"font.rar"});
  // The agent name is the one the service knows its client by.
  EXPECT_EQ(ReadFile(dest / "font.rar"), "rar:RideZU/1.0");
}

TEST(DownloadTest, LargeBodyIsStreamedWithFlatMemory) {
  constexpr std::size_t kSize = 48u << 20;
  TestServer server([](httplib::Server& s) {
    s.Get("/big.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_content_provider(
          kSize, "application/octet-stream",
          [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            char block[16384];
            std::size_t n = std::min(length, sizeof block);
            for (std::size_t i = 0; i < n; ++i) block[i] = BodyByte(offset + i);
            return sink.write(block, n);
          });
    });
  });
  TempDir dest;
  long before = PeakResidentKb();
  corvid::DownloadResult result = corvid::DownloadToFolder(server.Url("/big.rar"), dest.path());
  long growth = PeakResidentKb() - before;
  ASSERT_EQ(result.outcome, DownloadOutcome::kStored);
  EXPECT_EQ(result.path, dest / "big.rar");
  EXPECT_LT(growth, 8 * 1024) << "kB of peak memory for a 48 MB body";

  std::ifstream in(dest / "big.rar", std::ios::binary);
  std::vector<char> block(1 << 20);
  std::size_t offset = 0;
  bool same = true;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount() && same; ++i) {
      same = block[static_cast<std::size_t>(i)] == BodyByte(offset + static_cast<std::size_t>(i));
    }
    offset += static_cast<std::size_t>(in.gcount());
  }
  EXPECT_TRUE(same);
  EXPECT_EQ(offset, kSize);
}

TEST(DownloadTest, OnlySuccessfulAnswersAreStored) {
  TestServer server([](httplib::Server& s) {
    s.Get("/missing.rar", [](const httplib::Request&, httplib::Response& response) {
      response.status = 404;
      response.set_content("<html><body>Not Found</body></html>", "text/html");
    });
    s.Get("/broken.rar", [](const httplib::Request&, httplib::Response& response) {
      response.status = 500;
      response.set_content("<html><body>Server Error</body></html>", "text/html");
    });
    s.Get("/moved.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/missing.rar");
    });
    s.Get("/empty.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("", "application/octet-stream");
    });
    s.Get("/old/a.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/new/b.rar");
    });
    s.Get("/new/b.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("body of b", "application/octet-stream");
    });
  });
  const struct {
    const char* path;
    DownloadOutcome outcome;
    long status;
    Tree tree;
  } cases[] = {
      {"/missing.rar", DownloadOutcome::kRefused, 404, {}},
      {"/broken.rar", DownloadOutcome::kRefused, 500, {}},
      {"/moved.rar", DownloadOutcome::kRefused, 404, {}},
      {"/empty.rar", DownloadOutcome::kStored, 200, {"empty.rar (0)"}},
      // A redirection is followed; the file keeps the name of the address asked for.
      {"/old/a.rar", DownloadOutcome::kStored, 200, {"a.rar (9)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TempDir dest;
    corvid::DownloadResult result = corvid::DownloadToFolder(server.Url(c.path), dest.path());
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(ListTree(dest.path(), true), c.tree);
  }
}

TEST(DownloadTest, ExistingFileIsReplacedNotAppendedTo) {
  TestServer server(ServeFont);
  TempDir dest;
  WriteFile(dest / "font.rar", "an older and longer download of the same font");
  DownloadFile(server.Url("/fonts/a/font.rar").c_str(), dest.path().c_str());
  EXPECT_EQ(ReadFile(dest / "font.rar"), "rar:RideZU/1.0");
  EXPECT_EQ(ListTree(dest.path()), Tree{"font.rar"});
}

TEST(DownloadTest, TransferCutMidwayLeavesNoFile) {
  constexpr std::size_t kPromised = 1 << 20;
  TestServer server([](httplib::Server& s) {
    s.Get("/cut.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_content_provider(kPromised, "application/octet-stream",
                                    [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                      if (offset >= kPromised / 4)
                                        return false;  // the server drops the connection
                                      std::string block(16384, 'x');
                                      return sink.write(block.data(), block.size());
                                    });
    });
  });
  TempDir dest;
  corvid::DownloadResult result = corvid::DownloadToFolder(server.Url("/cut.rar"), dest.path());
  EXPECT_EQ(result.outcome, DownloadOutcome::kBroken);
  EXPECT_EQ(ListTree(dest.path()), Tree{});

  // An earlier complete download of the same name survives a broken new one.
  WriteFile(dest / "cut.rar", "complete");
  DownloadFile(server.Url("/cut.rar").c_str(), dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), Tree{"cut.rar"});
  EXPECT_EQ(ReadFile(dest / "cut.rar"), "complete");
}

// A server that drips a few bytes a second, or sends more than any font package holds, does not
// hold or fill the machine: the download is given up and leaves no file. (The bounds are the
// real ones scaled down: a 2-second window instead of a minute.)
TEST(DownloadTest, DripsAndOverlongBodiesAreGivenUp) {
  TestServer server([](httplib::Server& s) {
    s.Get("/drip.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider(
          "application/octet-stream", [sent = 0](std::size_t, httplib::DataSink& sink) mutable {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            sink.write("dd", 2);  // 10 bytes a second
            if (++sent == 100) sink.done();
            return true;
          });
    });
    // Sixteen times the bound. (Not endless: Wine's WinINet reads what is left of a chunked
    // body when the download closes its request early, and would never be done.)
    s.Get("/overlong.rar", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider("application/octet-stream",
                                            [](std::size_t offset, httplib::DataSink& sink) {
                                              static const std::string block(65536, 'e');
                                              sink.write(block.data(), block.size());
                                              if (offset + block.size() >= (16u << 20)) sink.done();
                                              return true;
                                            });
    });
  });
  corvid::DownloadBounds bounds;
  bounds.windowSeconds = 2;
  bounds.minBytesPerSecond = 1024;
  bounds.maxBytes = 1 << 20;
  const struct {
    const char* path;
    DownloadOutcome outcome;
  } cases[] = {
      {"/drip.rar", DownloadOutcome::kTooSlow},
      {"/overlong.rar", DownloadOutcome::kTooLarge},
  };
  for (const auto& c : cases) {
    TempDir dest;
    corvid::DownloadResult result =
        corvid::DownloadToFolder(server.Url(c.path), dest.path(), bounds);
    EXPECT_EQ(result.outcome, c.outcome) << c.path;
    EXPECT_EQ(ListTree(dest.path()), Tree{}) << c.path;
  }
}

TEST(DownloadTest, UnreachableAddressesLeaveNoFileAndUseNoFallbackNumber) {
  int port = tessaro_test::RefusingPort();
  ASSERT_GT(port, 0);
  TempDir dest;
  int before = FallbackNumber(corvid::LocalNameFromUrl("x"));
  const std::string cases[] = {
      "127.0.0.1:" + std::to_string(port),  // no "/": would get a fallback name
      "http://127.0.0.1:" + std::to_string(port) + "/a.rar",
      "http://[::1/a.rar",  // malformed
      "not an address",
      "file:///etc/passwd",  // only http and https are fetched
      "",
  };
  for (const std::string& url : cases) {
    SCOPED_TRACE(url);
    corvid::DownloadResult result = corvid::DownloadToFolder(url, dest.path());
    EXPECT_EQ(result.outcome, DownloadOutcome::kNotOpened);
  }
  DownloadFile(nullptr, dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), Tree{});
  EXPECT_EQ(FallbackNumber(corvid::LocalNameFromUrl("x")), before + 1);
}

TEST(DownloadTest, MissingFolderStoresNothing) {
  TestServer server(ServeFont);
  TempDir work;
  corvid::DownloadResult result =
      corvid::DownloadToFolder(server.Url("/fonts/a/font.rar"), work / "missing");
  EXPECT_EQ(result.outcome, DownloadOutcome::kNotWritten);
  DownloadFile(server.Url("/fonts/a/font.rar").c_str(), nullptr);
  EXPECT_EQ(ListTree(work.path()), Tree{});
}

TEST(DownloadTest, NamesTakenFromTheAddress) {
  TestServer server([](httplib::Server& s) {
    s.Get(".*", [](const httplib::Request& request, httplib::Response& response) {
      response.set_content(request.path, "application/octet-stream");
    });
  });
  const struct {
    std::string path;
    const char* name;  // nullptr: a fallback name
  } cases[] = {
      {"/f.rar?id=3", "f.rar"},
      {"/get?file=/x/y.rar", "get"},
      {"/%E5%AE%8B%E4%BD%93.ttf", "%E5%AE%8B%E4%BD%93.ttf"},
      {"/dir/", nullptr},
      {"/dir/.", nullptr},
      {"/a\\b.ttf", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TempDir dest;
    corvid::DownloadResult result = corvid::DownloadToFolder(server.Url(c.path), dest.path());
    ASSERT_EQ(result.outcome, DownloadOutcome::kStored);
    Tree tree = ListTree(dest.path());
    ASSERT_EQ(tree.size(), 1u);
    if (c.name != nullptr) {
      EXPECT_EQ(tree[0], c.name);
    } else {
      EXPECT_GE(FallbackNumber(tree[0]), 0) << tree[0];
    }
  }
  // An address without any "/" after its first character is fetched too and gets the next
  // fallback number.
  TempDir dest;
  int before = FallbackNumber(corvid::LocalNameFromUrl("x"));
  DownloadFile(("127.0.0.1:" + std::to_string(server.port())).c_str(), dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), Tree{"_unknow_font_" + std::to_string(before + 1) + ".rar"});
}

// The proxy of the system settings, where the system has its own (Windows: the user's Internet
// settings in the registry, which WinINet reads, of the test's own prefix under Wine) for the
// rest of the test; nothing elsewhere, where the environment names it.
class ScopedSystemProxy {
 public:
  explicit ScopedSystemProxy(const std::string& hostAndPort) {
#ifdef _WIN32
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    const DWORD enable = 1;
    RegSetValueExA(key_, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                   sizeof enable);
    RegSetValueExA(key_, "ProxyServer", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(hostAndPort.c_str()),
                   static_cast<DWORD>(hostAndPort.size() + 1));
#endif
  }
  ~ScopedSystemProxy() {
#ifdef _WIN32
    if (key_ == nullptr) return;
    RegDeleteValueA(key_, "ProxyEnable");
    RegDeleteValueA(key_, "ProxyServer");
    RegCloseKey(key_);
#endif
  }
  ScopedSystemProxy(const ScopedSystemProxy&) = delete;
  ScopedSystemProxy& operator=(const ScopedSystemProxy&) = delete;

 private:
#ifdef _WIN32
  static constexpr const char* kSettings =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  HKEY key_ = nullptr;
#endif
};

TEST(DownloadTest, ProxyFromTheEnvironmentIsUsed) {
  std::mutex mutex;
  std::string target;
  TestServer proxy([&](httplib::Server& s) {
    s.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard<std::mutex> lock(mutex);
      target = request.target + " " + request.get_header_value("Host");
      response.set_content("through the proxy", "application/octet-stream");
    });
  });
  ScopedEnv httpProxy("http_proxy", proxy.Url(""));
  ScopedSystemProxy systemProxy(proxy.host());
  TempDir dest;
  DownloadFile("http://fonts.example.invalid/p/proxied.ttf", dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), Tree{"proxied.ttf"});
  EXPECT_EQ(ReadFile(dest / "proxied.ttf"), "through the proxy");
  std::lock_guard<std::mutex> lock(mutex);
  // (WinINet names the default port in the address it gives the proxy: the same address.)
  if (const std::size_t port = target.find("invalid:80/"); port != std::string::npos) {
    target.erase(port + 7, 3);
  }
  EXPECT_EQ(target, "http://fonts.example.invalid/p/proxied.ttf fonts.example.invalid");
}

TEST(DownloadTest, LocalNameFromUrl) {
  const struct {
    const char* url;
    const char* name;  // nullptr: the next fallback name
  } cases[] = {
      {"http://h/fonts/a/font.rar", "font.rar"},
      {"http://h/f.rar?id=3", "f.rar"},
      {"http://h/f.rar?path=/x/y.rar", "f.rar"},
      {"http://h/f.rar#part/2", "f.rar"},
      {"http://h/a%20b.rar", "a%20b.rar"},
      {"http://h/a b.rar", "a b.rar"},
      {"http://host", "host"},
      {"x/y", "y"},
      {"abc", nullptr},
      {"/abc", nullptr},  // the first character is not looked at
      {"", nullptr},
      {"http://h/dir/", nullptr},
      {"http://h/.", nullptr},
      {"http://h/..", nullptr},
      {"http://h/..?x", nullptr},
      {"http://h/a\\..\\..\\b.rar", nullptr},
      {"http://h/?name=a.rar", nullptr},
  };
  int previous = -1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    std::string name = corvid::LocalNameFromUrl(c.url);
    if (c.name != nullptr) {
      EXPECT_EQ(name, c.name);
      continue;
    }
    int number = FallbackNumber(name);
    ASSERT_GE(number, 0) << name;
    if (previous >= 0) {
      EXPECT_EQ(number, previous + 1);
    }
    previous = number;
  }
}

TEST(DownloadTest, FallbackNumbersAreUniqueAcrossThreads) {
  constexpr int kThreads = 8;
  constexpr int kEach = 50;
  std::mutex mutex;
  std::set<int> numbers;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        int number = FallbackNumber(corvid::LocalNameFromUrl("nameless"));
        std::lock_guard<std::mutex> lock(mutex);
        numbers.insert(number);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_EQ(numbers.size(), static_cast<std::size_t>(kThreads * kEach));
  EXPECT_GE(*numbers.begin(), 0);
  EXPECT_EQ(*numbers.rbegin() - *numbers.begin(), kThreads * kEach - 1);
}

TEST(DownloadTest, SeveralThreadsDownloadAtOnce) {
  TestServer server([](httplib::Server& s) {
    s.Get(R"(/f/(\d+)\.rar)", [](const httplib::Request& request, httplib::Response& response) {
      response.set_content(
          std::string(200000, static_cast<char>('a' + std::stoi(request.matches[1]))),
          "application/octet-stream");
    });
  });
  TempDir dest;
  std::vector<std::thread> threads;
  for (int i = 0; i < 6; ++i) {
    threads.emplace_back([&, i] {
      DownloadFile(server.Url("/f/" + std::to_string(i) + ".rar").c_str(), dest.path().c_str());
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(ReadFile(dest / (std::to_string(i) + ".rar")),
              std::string(200000, static_cast<char>('a' + i)));
  }
  EXPECT_EQ(ListTree(dest.path()).size(), 6u);
}

}  // namespace
